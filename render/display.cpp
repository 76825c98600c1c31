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
constexpr float highlightEdge = markerSize * 3.0f / 4.0f;

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

// The markers' colours.
constexpr GLfloat grey[3] = {0.5f, 0.5f, 0.5f};
constexpr GLfloat blue[3] = {0.0f, 0.0f, 1.0f};
constexpr GLfloat red[3] = {1.0f, 0.0f, 0.0f};

// The marker cube, face by face: each face lists its corners (signs of the
// half edge) counter-clockwise seen from outside, starting at the corner that
// GLUT's own cube starts it with. GLUT sends its cubes from client-side vertex
// arrays, which Mesa copies into a fresh buffer on every call.
struct CubeFace {
    float normal[3];
    float corners[4][3];
};

constexpr int cubeFaceCount = 6;
constexpr CubeFace cubeFaces[cubeFaceCount] = {
    {{0, 0, 1}, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
    {{1, 0, 0}, {{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}},
    {{0, 1, 0}, {{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
    {{-1, 0, 0}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
};

// Which faces of the markers the viewer sees. The projection is the window's
// own glOrtho, which keeps the orientation of x and y, so a face turns towards
// the viewer when the view turns its outward normal to positive eye z; a face
// seen edge on covers no pixel. Every marker of a batch shares the view.
using VisibleFaces = std::array<bool, cubeFaceCount>;

VisibleFaces facesTowardsViewer() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    VisibleFaces visible{};
    for (int i = 0; i < cubeFaceCount; ++i) {
        const float* n = cubeFaces[i].normal;
        // Row 2 of the column-major matrix gives eye z.
        visible[static_cast<std::size_t>(i)] = m[2] * n[0] + m[6] * n[1] + m[10] * n[2] > 0.0f;
    }
    return visible;
}

void cubeCorner(const float* corner, float half, const Point3& centre) {
    glVertex3f(centre.x + corner[0] * half, centre.y + corner[1] * half,
               centre.z + corner[2] * half);
}

// The solid cubes of all centres in one primitive, each visible face as the
// two triangles (0, 1, 2) and (0, 2, 3). The faces turned away lie inside the
// outline of those facing the viewer, in the same colour, so leaving them out
// changes no pixel. The colour is set inside the primitive: set between
// primitives it would end the renderer's batch. It stays the current colour
// afterwards, as if set just before.
void solidCubes(const Point3* centres, int count, float edge, const GLfloat (&colour)[3]) {
    const float half = edge / 2.0f;
    const VisibleFaces visible = facesTowardsViewer();
    glBegin(GL_TRIANGLES);
    glColor3fv(colour);
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < cubeFaceCount; ++k) {
            if (!visible[static_cast<std::size_t>(k)]) {
                continue;
            }
            const CubeFace& f = cubeFaces[k];
            cubeCorner(f.corners[0], half, centres[i]);
            cubeCorner(f.corners[1], half, centres[i]);
            cubeCorner(f.corners[2], half, centres[i]);
            cubeCorner(f.corners[0], half, centres[i]);
            cubeCorner(f.corners[2], half, centres[i]);
            cubeCorner(f.corners[3], half, centres[i]);
        }
    }
    glEnd();
}

// Each face of every cube as its four edges, the segments GLUT's wire cube
// draws as one closed loop, in the same order, all in one primitive. Every
// edge is drawn both ways, as GLUT draws it: llvmpipe leaves out the last
// pixel of a wide line, so an edge drawn once would lose a corner pixel or
// two. The wire is drawn over the solids without a depth test, so the far
// edges show too.
void wireCubes(const Point3* centres, int count, float edge, const GLfloat (&colour)[3]) {
    const float half = edge / 2.0f;
    glBegin(GL_LINES);
    glColor3fv(colour);
    for (int i = 0; i < count; ++i) {
        for (const CubeFace& f : cubeFaces) {
            for (int k = 0; k < 4; ++k) {
                cubeCorner(f.corners[k], half, centres[i]);
                cubeCorner(f.corners[(k + 1) % 4], half, centres[i]);
            }
        }
    }
    glEnd();
}

// A lone marker is drawn about the origin under its own translation, so that
// its window positions are exactly those of GLUT's cube at that place.
constexpr Point3 origin{};

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

void drawLineStrip(const Point3* points, int count) {
    if (count <= 0) {
        return;
    }
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < count; ++i) {
        glVertex3f(points[i].x, points[i].y, points[i].z);
    }
    glEnd();
}

// llvmpipe's cost of a marker grows with the triangles and lines it sets up
// more than with the draws: GLUT's cube is 12 triangles and 24 lines, the
// visible faces at most 6 triangles, 2 in the unturned view. Together with
// the two draws per batch (corners offset here, no translation between
// markers) that took about 1.4 ms off the median event-to-frame time at 128
// points; bench/bench_markers.cpp times a frame's markers alone.
void drawMarkers(const Point3* centres, int count) {
    if (count <= 0) {
        return;
    }
    solidCubes(centres, count, markerSize, grey);
    wireCubes(centres, count, markerSize + 1, blue);
}

void drawHighlightMarkers(const Point3* centres, int count) {
    if (count <= 0) {
        return;
    }
    solidCubes(centres, count, highlightEdge, red);
    wireCubes(centres, count, highlightEdge + 0.25f, grey);
    glColor3fv(red);
}

void drawMarker(float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    drawMarkers(&origin, 1);
    glPopMatrix();
}

void drawHighlightMarker(float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    drawHighlightMarkers(&origin, 1);
    glPopMatrix();
}

void drawParameterBar() {
    const AppState& s = appState;
    const float right = static_cast<float>(s.windowWidth) - barMargin;
    // No colour of its own: the bar shows whatever colour the last frame left.
    glBegin(GL_LINES);
    glVertex3f(barMargin, barMargin, 0.0f);
    glVertex3f(right, barMargin, 0.0f);
    glEnd();

    if (s.curveMode != CurveMode::Lagrange && s.curveMode != CurveMode::Bezier &&
        s.curveMode != CurveMode::Bspline) {
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

    const float centreX = static_cast<float>(s.windowWidth) / 2.0f;
    const float centreY = static_cast<float>(s.windowHeight) / 2.0f;
    glTranslatef(centreX, centreY, 0.0f);
    glRotatef(s.rotationX, 1.0f, 0.0f, 0.0f);
    glRotatef(s.rotationY, 0.0f, 1.0f, 0.0f);
    glTranslatef(-centreX, -centreY, 0.0f);

    glColor3f(toneA, toneB, toneC);
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

    glColor3f(toneB, toneA, toneC);
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
