#include "curves/bspline.hpp"

#include <GL/gl.h>

#include <array>

#include "render/display.hpp"

namespace {

// Samples per curve: the domain is cut into 128 pieces and its far end is not sampled.
constexpr int curveSegments = 128;

// The knot list defines a curve of n points only with n + d + 1 entries and
// d < n; anything else (an empty list, a list left from another mode or
// degree) draws nothing and is never read.
bool curveDefined(const AppState& s, int n) {
    const int d = s.polyDegree;
    return n > 0 && n <= maxPoints && d >= 0 && d < n && d <= maxPoints - 1 - n &&
           s.knotCount == n + d + 1;
}

// N(i, d + 1)(u) for i = 0 .. n - 1, bottom-up. Level k of the table holds
// N(i, k)(u) for every i that the recursion reaches from order d + 1, that is
// i = 0 .. n + d - k; each is computed once, by exactly the operations of
// bsplineBasis, so every value is the recursion's own to the last bit.
// Updating in increasing i keeps N(i + 1, k - 1) available for N(i, k).
void basisTable(const float* t, int n, int d, float u, std::array<double, maxPoints>& basis) {
    // Right-end rule: the last basis function is 1 at the end of the domain,
    // which the half-open spans would otherwise leave uncovered.
    const bool atRightEnd = u == t[n];
    for (int i = 0; i < n + d; ++i) {
        if (i == n - 1 && atRightEnd) {
            basis[i] = 1.0;
        } else {
            basis[i] = t[i] <= u && u < t[i + 1] ? 1.0 : 0.0;
        }
    }
    for (int k = 2; k <= d + 1; ++k) {
        for (int i = 0; i <= n + d - k; ++i) {
            if (i == n - 1 && atRightEnd) {
                basis[i] = 1.0;
                continue;
            }
            // A zero-length span makes its term vanish.
            double a = 0.0;
            if (t[i + k - 1] != t[i]) {
                a = (static_cast<double>(u) - t[i]) / (static_cast<double>(t[i + k - 1]) - t[i]);
            }
            double b = 0.0;
            if (t[i + k] != t[i + 1]) {
                b = (static_cast<double>(t[i + k]) - u) /
                    (static_cast<double>(t[i + k]) - t[i + 1]);
            }
            basis[i] = basis[i] * a + basis[i + 1] * b;
        }
    }
}

}  // namespace

// The Cox-de Boor recursion as defined, kept plain: it is the reference the
// table above must match, and it costs up to 2^k calls.
double bsplineBasis(const float* t, int n, int i, int k, float u) {
    if (i == n - 1 && u == t[n]) {
        return 1.0;
    }
    if (k == 1) {
        return t[i] <= u && u < t[i + 1] ? 1.0 : 0.0;
    }
    double a = 0.0;
    if (t[i + k - 1] != t[i]) {
        a = (static_cast<double>(u) - t[i]) / (static_cast<double>(t[i + k - 1]) - t[i]);
    }
    double b = 0.0;
    if (t[i + k] != t[i + 1]) {
        b = (static_cast<double>(t[i + k]) - u) / (static_cast<double>(t[i + k]) - t[i + 1]);
    }
    return bsplineBasis(t, n, i, k - 1, u) * a + bsplineBasis(t, n, i + 1, k - 1, u) * b;
}

Point3 evalBspline(float u, int n) {
    const AppState& s = appState;
    Point3 out;
    if (!curveDefined(s, n)) {
        return out;
    }
    std::array<double, maxPoints> basis{};
    basisTable(s.knots.data(), n, s.polyDegree, u, basis);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + basis[i] * s.controlPoints[i][c]);
        }
    }
    return out;
}

void drawBsplineMarker(float u) {
    const AppState& s = appState;
    if (!curveDefined(s, s.pointCount)) {
        return;
    }
    const int d = s.polyDegree;
    const float lo = s.knots[d];
    const float hi = s.knots[s.knotCount - d - 1];
    // Strictly inside: the ends of the domain and "no animation" show no marker.
    if (lo < u && u < hi) {
        const Point3 p = evalBspline(u, s.pointCount);
        drawMarker(p.x, p.y, p.z);
    }
}

void drawBsplineCurve() {
    AppState& s = appState;
    if (!curveDefined(s, s.pointCount)) {
        return;
    }
    const int n = s.pointCount;
    const int d = s.polyDegree;
    const float lo = s.knots[d];
    const float hi = s.knots[s.knotCount - d - 1];
    glColor3f(toneA, 0.0f, 0.0f);
    glBegin(GL_LINE_STRIP);
    for (int k = 0; k < curveSegments; ++k) {
        const float u = static_cast<float>(k) / static_cast<float>(curveSegments) * (hi - lo) + lo;
        const Point3 p = evalBspline(u, n);
        glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
    s.animParamValue = s.animT * (hi - lo) + lo;
    drawBsplineMarker(s.animParamValue);
}
