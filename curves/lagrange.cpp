#include "curves/lagrange.hpp"

#include <GL/gl.h>

#include "render/display.hpp"

namespace {

// Samples per curve: 128 intervals, both ends included.
constexpr int curveSegments = 128;

// Two equal nodes leave the interpolation problem without a solution (the
// Lagrange weights divide by their difference), so nothing may be drawn.
bool nodesDistinct(const float* t, int n) {
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (t[i] == t[j]) {
                return false;
            }
        }
    }
    return true;
}

// p = wa * a - wb * b, the point of the line through a and b at another node.
Point3 extend(double wa, const Point3& a, double wb, const Point3& b) {
    Point3 p;
    for (int c = 0; c < dimension; ++c) {
        p[c] = static_cast<float>(wa * a[c] - wb * b[c]);
    }
    return p;
}

// p = wa * a + wb * b, one linear interpolation step of Neville's scheme.
Point3 blend(double wa, const Point3& a, double wb, const Point3& b) {
    Point3 p;
    for (int c = 0; c < dimension; ++c) {
        p[c] = static_cast<float>(wa * a[c] + wb * b[c]);
    }
    return p;
}

void segment(const Point3& a, const Point3& b) {
    glBegin(GL_LINES);
    glVertex3f(a.x, a.y, a.z);
    glVertex3f(b.x, b.y, b.z);
    glEnd();
}

void marker(const Point3& p) {
    drawMarker(p.x, p.y, p.z);
}

// Each line through two neighbouring points is extended to the third node, and
// the curve point is the blend of the two lines at u.
Point3 nevilleThree(const double* t, const Point3* p, double u) {
    ControlPolygon& a = appState.auxPolygon;
    a[0] = extend((t[2] - t[0]) / (t[1] - t[0]), p[1], (t[2] - t[1]) / (t[1] - t[0]), p[0]);
    a[2] = extend((t[2] - t[0]) / (t[2] - t[1]), p[1], (t[1] - t[0]) / (t[2] - t[1]), p[2]);
    segment(p[0], a[0]);
    segment(p[2], a[2]);

    const double wa = (t[2] - u) / (t[2] - t[0]);
    const double wb = (u - t[0]) / (t[2] - t[0]);
    a[1] = blend(wa, p[0], wb, a[0]);
    a[3] = blend(wa, a[2], wb, p[2]);
    a[4] = blend(wa, a[1], wb, a[3]);
    segment(a[1], a[3]);
    marker(a[4]);
    return a[4];
}

// The first level extends each line of neighbours over the whole node range
// t0 .. t3; the second level gives the quadratics through P0..P2 and P1..P3,
// the third their blend, the cubic.
Point3 nevilleFour(const double* t, const Point3* p, double u) {
    ControlPolygon& a = appState.auxPolygon;
    a[0] = extend((t[2] - t[0]) / (t[1] - t[0]), p[1], (t[2] - t[1]) / (t[1] - t[0]), p[0]);
    a[1] = extend((t[3] - t[0]) / (t[1] - t[0]), p[1], (t[3] - t[1]) / (t[1] - t[0]), p[0]);
    a[2] = extend((t[2] - t[0]) / (t[2] - t[1]), p[1], (t[1] - t[0]) / (t[2] - t[1]), p[2]);
    a[3] = extend((t[3] - t[1]) / (t[2] - t[1]), p[2], (t[3] - t[2]) / (t[2] - t[1]), p[1]);
    a[4] = extend((t[3] - t[0]) / (t[3] - t[2]), p[2], (t[2] - t[0]) / (t[3] - t[2]), p[3]);
    a[5] = extend((t[3] - t[1]) / (t[3] - t[2]), p[2], (t[2] - t[1]) / (t[3] - t[2]), p[3]);
    segment(p[0], a[1]);
    segment(a[2], a[3]);
    segment(a[4], p[3]);

    double wa = (t[2] - u) / (t[2] - t[0]);
    double wb = (u - t[0]) / (t[2] - t[0]);
    a[6] = blend(wa, p[0], wb, a[0]);
    a[7] = blend(wa, a[2], wb, p[2]);
    a[10] = blend(wa, a[6], wb, a[7]);
    segment(a[6], a[7]);
    marker(a[10]);

    // From here on the construction inherits the marker's blue.
    wa = (t[3] - u) / (t[3] - t[1]);
    wb = (u - t[1]) / (t[3] - t[1]);
    a[8] = blend(wa, p[1], wb, a[3]);
    a[9] = blend(wa, a[5], wb, p[3]);
    a[11] = blend(wa, a[8], wb, a[9]);
    segment(a[8], a[9]);
    marker(a[11]);

    wa = (t[3] - u) / (t[3] - t[0]);
    wb = (u - t[0]) / (t[3] - t[0]);
    a[12] = blend(wa, a[10], wb, a[11]);
    segment(a[10], a[11]);
    marker(a[12]);
    return a[12];
}

}  // namespace

void evalLagrange(Point3& out, const float* t, float u, int n) {
    out = Point3{};
    if (n <= 0 || n > maxPoints) {
        return;
    }
    const ControlPolygon& p = appState.controlPoints;
    for (int i = 0; i < n; ++i) {
        float weight = 1.0f;
        for (int j = 0; j < n; ++j) {
            if (j == i) {
                continue;
            }
            const double factor = (static_cast<double>(u) - static_cast<double>(t[j])) /
                                  (static_cast<double>(t[i]) - static_cast<double>(t[j]));
            weight = static_cast<float>(weight * factor);
        }
        for (int c = 0; c < dimension; ++c) {
            out[c] += weight * p[i][c];
        }
    }
}

void drawNevilleConstruction(Point3& out, const float* t, float u, int n) {
    if (n <= 0 || n > maxPoints || !nodesDistinct(t, n)) {
        return;
    }
    // t[0] is always 0, so this is the node range; it also rejects NaN and the
    // value -1 that stands for "no animation".
    if (!(u >= 0.0f && u <= t[n - 1])) {
        return;
    }
    const Point3* p = appState.controlPoints.data();
    if (n == 3 || n == 4) {
        const double nodes[4] = {t[0], t[1], t[2], n == 4 ? t[3] : 0.0};
        out = n == 3 ? nevilleThree(nodes, p, u) : nevilleFour(nodes, p, u);
        return;
    }
    evalLagrange(out, t, u, n);
    marker(out);
}

void drawLagrangeCurve() {
    AppState& s = appState;
    const int n = s.pointCount;
    if (n <= 0 || n > maxPoints) {
        return;
    }
    const float* t = s.knots.data();
    if (!nodesDistinct(t, n)) {
        return;
    }
    const float first = t[0];
    const float range = t[n - 1] - t[0];
    glColor3f(toneA, 0.0f, 0.0f);
    glBegin(GL_LINE_STRIP);
    for (int k = 0; k <= curveSegments; ++k) {
        const float u = first + range * static_cast<float>(k) / static_cast<float>(curveSegments);
        Point3 p;
        evalLagrange(p, t, u, n);
        glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
    s.animParamValue = first + range * s.animT;
    Point3 curvePoint;
    drawNevilleConstruction(curvePoint, t, s.animParamValue, n);
}
