#include "render/display.hpp"

#include <GL/glut.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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
constexpr int frameMemoryMmapThreshold = 32 * 1024 * 1024;
constexpr int frameMemoryTrimThreshold = 128 * 1024 * 1024;

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

// The family's polygons run one point shorter than the control polygon.
void drawFamilyOverlay() {
    const AppState& s = appState;
    drawFamily(s.familyCurves.data(), familySize, s.pointCount - 1, s.animT);
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

void drawRbfCurve() {
    const AppState& s = appState;
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
// GLUT's own cube starts it with, so both draw the same primitives in the same
// order. GLUT sends its cubes from client-side vertex arrays, which Mesa copies
// into a fresh buffer on every call; 256 markers a frame made that the largest
// cost of a redraw. Immediate mode batches a cube's vertices instead.
struct CubeFace {
    float normal[3];
    float corners[4][3];
};

constexpr CubeFace cubeFaces[] = {
    {{0, 0, 1}, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
    {{1, 0, 0}, {{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}},
    {{0, 1, 0}, {{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
    {{-1, 0, 0}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
};

void cubeCorner(const float (&corner)[3], float half) {
    glVertex3f(corner[0] * half, corner[1] * half, corner[2] * half);
}

// Each face as the two triangles (0, 1, 2) and (0, 2, 3), as GLUT's solid cube.
// The colour is set inside the primitive: set between primitives it would end
// the renderer's batch, and a marker would cost two draws instead of one. It
// stays the current colour afterwards, as if set just before.
void solidCube(float edge, const GLfloat (&colour)[3]) {
    const float half = edge / 2.0f;
    glBegin(GL_TRIANGLES);
    glColor3fv(colour);
    for (const CubeFace& f : cubeFaces) {
        glNormal3fv(f.normal);
        cubeCorner(f.corners[0], half);
        cubeCorner(f.corners[1], half);
        cubeCorner(f.corners[2], half);
        cubeCorner(f.corners[0], half);
        cubeCorner(f.corners[2], half);
        cubeCorner(f.corners[3], half);
    }
    glEnd();
}

// Each face as its four edges, the segments GLUT's wire cube draws as one
// closed loop, in the same order. Mesa ends every immediate-mode loop with a
// draw of its own; separate segments in one primitive reach the rasteriser as
// the same lines (the loop's last segment closes on its first corner) without
// the six draws per cube.
void wireCube(float edge, const GLfloat (&colour)[3]) {
    const float half = edge / 2.0f;
    glBegin(GL_LINES);
    glColor3fv(colour);
    for (const CubeFace& f : cubeFaces) {
        glNormal3fv(f.normal);
        for (int k = 0; k < 4; ++k) {
            cubeCorner(f.corners[k], half);
            cubeCorner(f.corners[(k + 1) % 4], half);
        }
    }
    glEnd();
}

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

void drawMarker(float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    solidCube(markerSize, grey);
    wireCube(markerSize + 1, blue);
    glPopMatrix();
}

void drawHighlightMarker(float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    solidCube(highlightEdge, red);
    wireCube(highlightEdge + 0.25f, grey);
    glColor3f(1.0f, 0.0f, 0.0f);
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
    for (int i = 0; i < s.knotCount; ++i) {
        const KnotHandle& h = s.knotHandles[i];
        if (h.highlighted == 0.0f) {
            drawMarker(h.x, barMargin, 0.0f);
        } else {
            drawHighlightMarker(h.x, barMargin, 0.0f);
        }
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
            drawMarker(x, barMargin, 0.0f);
        }
    }
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
    for (int i = 0; i < s.pointCount; ++i) {
        drawMarker(s.controlPoints[i].x, s.controlPoints[i].y, s.controlPoints[i].z);
    }
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
