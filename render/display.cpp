#include "render/display.hpp"

#include <GL/glut.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <array>
#include <cstddef>
#include <optional>

#include "app/state.hpp"
#include "curves/parameters.hpp"
#include "render/curve_drawing.hpp"
#include "render/markers.hpp"
#include "render/palette.hpp"

namespace {

// Mesa's software renderer allocates and frees buffers of a few megabytes on
// every frame. With the C library's default thresholds each free hands the
// top of the heap back to the system (or unmaps the block), and the next
// frame pays for it again in page faults: about 3 ms a frame at 128 points in
// a fresh process. Freed memory up to these sizes stays with the process.
#if defined(__GLIBC__)
constexpr int frameMemoryMmapThreshold = 32 * 1024 * 1024;
constexpr int frameMemoryTrimThreshold = 128 * 1024 * 1024;
#endif

constexpr float barMargin = parameterBarMargin;

// The animation's parameter on the record's curve, worked out in the frame
// that shows it.
std::optional<float> shownParameter() {
    const AppState& s = appState;
    return animationParameter(s.curveMode, s.knots.data(), s.knotCount, s.pointCount, s.polyDegree,
                              s.animT);
}

BsplineView recordBspline() {
    const AppState& s = appState;
    return {s.controlPoints.data(), s.pointCount, s.knots.data(), s.knotCount, s.polyDegree};
}

}  // namespace

// The family's rows hold the reductions of the polygon of the moment key l
// was pressed, one point shorter than it, whatever the polygon is now.
void drawFamilyOverlay() {
    const AppState& s = appState;
    if (s.familyPointCount > 0) {
        drawFamily(s.familyCurves.data(), familySize, s.familyPointCount, s.animT);
    }
}

void drawLagrangeCurve() {
    const AppState& s = appState;
    const int n = s.pointCount;
    if (n > 0 && n <= maxPoints) {
        const float* t = s.knots.data();
        drawLagrangeCurve(s.controlPoints.data(), t, n, lagrangeParameter(t, n, s.animT));
    }
}

void drawBsplineCurve() {
    const AppState& s = appState;
    const BsplineView curve = recordBspline();
    if (bsplineDefined(curve)) {
        drawBsplineCurve(curve, bsplineParameter(curve, s.animT));
    }
}

// A system that was not solved, or whose solution misses its own points, makes no curve.
void drawRbfCurve() {
    const AppState& s = appState;
    if (s.rbfStatus != RbfSolveStatus::Solved) {
        return;
    }
    drawRbfCurve(s.rbfCoefficients, s.knots.data(), s.pointCount, s.polyDegree, s.basisKind,
                 s.shapeR);
}

namespace {

// Consecutive markers of one kind, collected so that they go out as one
// batch. A change of kind (or a full run) draws what was collected first, so
// markers of different kinds overlap in the order they were added, and the
// last one added leaves its colour current, as when each was drawn alone.
class MarkerRun {
  public:
    void add(float x, float y, float z, bool highlighted) {
        if (length_ > 0 && (highlighted != highlighted_ || length_ == capacity)) {
            flush();
        }
        highlighted_ = highlighted;
        centres_[static_cast<std::size_t>(length_)] = {x, y, z};
        ++length_;
    }

    void flush() {
        if (highlighted_) {
            drawHighlightMarkers(centres_.data(), length_);
        } else {
            drawMarkers(centres_.data(), length_);
        }
        length_ = 0;
    }

  private:
    // Every knot handle and the animation marker fit in one run.
    static constexpr int capacity = maxPoints + 1;
    std::array<Point3, capacity> centres_{};
    int length_ = 0;
    bool highlighted_ = false;
};

}  // namespace

void keepFrameMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, frameMemoryMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, frameMemoryTrimThreshold);
#endif
}

void drawParameterBar() {
    const AppState& s = appState;
    const float right = static_cast<float>(s.windowWidth) - barMargin;
    // No colour of its own: the bar shows whatever colour the last frame left.
    glBegin(GL_LINES);
    glVertex3f(barMargin, barMargin, 0.0f);
    glVertex3f(right, barMargin, 0.0f);
    glEnd();

    if (!showsHandles(s.curveMode)) {
        return;
    }
    MarkerRun run;
    for (int i = 0; i < s.knotCount; ++i) {
        const KnotHandle& h = s.knotHandles[i];
        run.add(h.x, barMargin, 0.0f, h.highlighted != 0.0f);
    }
    const std::optional<float> shown = shownParameter();
    if (s.knotCount > 0 && shown) {
        const float a = s.knots[0];
        const float b = s.knots[s.knotCount - 1];
        const float v = *shown;
        if (a <= v && v <= b) {
            // The same map from the parameter range onto the bar that places the
            // handles; an empty range (one node) puts the marker with the handles
            // at the left end instead of dividing zero by zero.
            const float x =
                b == a ? barMargin : (b - v) / (b - a) * barMargin + (v - a) / (b - a) * right;
            run.add(x, barMargin, 0.0f, false);
        }
    }
    run.flush();
}

void onDisplay() {
    const AppState& s = appState;
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();

    // The bar is drawn before the view rotation, so it never turns.
    drawParameterBar();

    const ViewTurn turn = viewTurn(s);
    glTranslatef(turn.centreX, turn.centreY, 0.0f);
    glRotatef(turn.degreesX, 1.0f, 0.0f, 0.0f);
    glRotatef(turn.degreesY, 0.0f, 1.0f, 0.0f);
    glTranslatef(-turn.centreX, -turn.centreY, 0.0f);

    setCurrentColour(activePalette().sceneLead);
    drawMarkers(s.controlPoints.data(), s.pointCount);
    if (s.activePoint >= 0 && s.activePoint < s.pointCount) {
        const Point3& p = s.controlPoints[s.activePoint];
        drawHighlightMarker(p.x, p.y, p.z);
    }
    // The polygon keeps the colour of the last marker: blue, or red while a point is hovered.
    drawLineStrip(s.controlPoints.data(), s.pointCount);

    drawComparisonPolygon(s.auxPolygon.data(), s.auxPointCount, s.animT);

    if (s.showFamily) {
        drawFamilyOverlay();
    }

    setCurrentColour(activePalette().bezierCurve);
    switch (s.curveMode) {
        case CurveMode::Lagrange:
            drawLagrangeCurve();
            break;
        case CurveMode::Bezier:
            drawBezierCurve(s.controlPoints.data(), s.pointCount, s.animT);
            break;
        case CurveMode::Bspline:
            drawBsplineCurve();
            break;
        case CurveMode::Rbf:
            drawRbfCurve();
            break;
        case CurveMode::None:
            break;
    }

    glFlush();
    glutSwapBuffers();
}
