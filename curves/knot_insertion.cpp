#include "curves/knot_insertion.hpp"

#include <GL/glut.h>

#include "app/state.hpp"
#include "curves/bspline.hpp"
#include "curves/parameters.hpp"
#include "render/display.hpp"

namespace {

// Boehm's rule needs the knot t[s] inside the curve's domain [t[d], t[n]]:
// below it the rule reads a point before the first and divides by a
// zero-length clamped span, above it reads past both lists. Both lists must
// also have room for one more entry, and the knots the rule reads must exist.
bool canInsert(const AppState& s, int index) {
    const int n = s.pointCount;
    const int m = s.knotCount;
    const int d = s.polyDegree;
    return s.curveMode == CurveMode::Bspline && n < maxPoints && m < maxPoints && d >= 0 &&
           index >= d + 1 && index <= n && index + d <= m - 1;
}

}  // namespace

void insertKnot() {
    AppState& s = appState;
    const int index = s.activeKnot;
    if (!canInsert(s, index)) {
        return;
    }
    const int n = s.pointCount;
    const int m = s.knotCount;
    const int d = s.polyDegree;
    const ControlPolygon& p = s.controlPoints;
    ControlPolygon q;  // the new polygon; the comparison polygon may be on screen
    const double newKnot = s.knots[index];

    // Points whose support ends before the new knot keep their place, those
    // whose support starts after it move up by one, and the d in between are
    // cut at the new knot along their legs of the old polygon.
    for (int i = 0; i < index - d; ++i) {
        q[i] = p[i];
    }
    for (int i = index - d; i < index; ++i) {
        const double span = static_cast<double>(s.knots[i + d]) - s.knots[i];
        // A knot already of full multiplicity d + 1 at the new value makes this
        // span empty; the new basis function there vanishes, so any point on
        // the leg gives the same curve, and the leg's start is the one the
        // Cox-de Boor convention for empty spans picks.
        const double alpha = span != 0.0 ? (newKnot - s.knots[i]) / span : 0.0;
        for (int c = 0; c < dimension; ++c) {
            q[i][c] = static_cast<float>((1.0 - alpha) * p[i - 1][c] + alpha * p[i][c]);
        }
    }
    for (int i = index; i <= n; ++i) {
        q[i] = p[i - 1];
    }

    // The frame shows the polygon before and after, unrotated.
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glColor3f(toneB, toneC, toneA);
    drawLineStrip(s.controlPoints.data(), n);

    s.pointCount = n + 1;
    for (int i = 0; i <= n; ++i) {
        s.controlPoints[i] = q[i];
    }
    for (int k = m - 1; k > index; --k) {
        s.knots[k + 1] = s.knots[k];
    }
    s.knots[index + 1] = static_cast<float>(newKnot);
    s.knotCount = m + 1;
    layoutKnotHandles();

    glColor3f(toneA, toneB, toneC);
    for (int i = 0; i <= n; ++i) {
        drawMarker(s.controlPoints[i].x, s.controlPoints[i].y, s.controlPoints[i].z);
    }
    glColor3f(toneC, toneA, toneB);
    drawLineStrip(s.controlPoints.data(), n + 1);
    glColor3f(toneB, toneA, toneC);
    if (s.curveMode == CurveMode::Bspline) {
        drawBsplineCurve();
    }
    drawParameterBar();
    glFlush();
    glutSwapBuffers();
}
