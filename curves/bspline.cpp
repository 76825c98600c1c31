#include "curves/bspline.hpp"

#include <GL/gl.h>

#include <array>

#include "render/display.hpp"

namespace {

// Samples per curve: the domain is cut into 128 pieces and its far end is not sampled.
constexpr int curveSegments = 128;

// The knot list defines a curve of n points only with n + d + 1 entries and d < n; anything
// else (an empty list, a list left from another mode or degree) draws nothing
// and is never read.
bool curveDefined(const AppState& s, int n) {
    const int d = s.polyDegree;
    return n > 0 && n <= maxPoints && d >= 0 && d < n && d <= maxPoints - 1 - n &&
           s.knotCount == n + d + 1;
}

// The two ratios of the Cox-de Boor step for N(i, k); a zero-length span makes
// its ratio 0 so that the term vanishes.
double leftRatio(const float* t, int i, int k, float u) {
    if (t[i + k - 1] == t[i]) {
        return 0.0;
    }
    return (static_cast<double>(u) - static_cast<double>(t[i])) /
           (static_cast<double>(t[i + k - 1]) - static_cast<double>(t[i]));
}

double rightRatio(const float* t, int i, int k, float u) {
    if (t[i + k] == t[i + 1]) {
        return 0.0;
    }
    return (static_cast<double>(t[i + k]) - static_cast<double>(u)) /
           (static_cast<double>(t[i + k]) - static_cast<double>(t[i + 1]));
}

// One Cox-de Boor step, written once so that the recursion and the table
// perform the very same operations.
double combine(double lower, double left, double upper, double right) {
    return lower * left + upper * right;
}

// Right-end rule: the last basis function is 1 at the end of the domain,
// which the half-open spans would otherwise leave uncovered.
bool rightEnd(const float* t, int n, int i, float u) {
    return i == n - 1 && u == t[n];
}

double orderOne(const float* t, int i, float u) {
    return t[i] <= u && u < t[i + 1] ? 1.0 : 0.0;
}

// N(i, d + 1)(u) for i = 0 .. n - 1, bottom-up: level k of the table holds
// N(i, k)(u) for every i the recursion reaches from order d + 1, that is
// i = 0 .. n - 1 + (d + 1 - k). Each value is the recursion's own, computed once;
// updating in increasing i keeps N(i + 1, k - 1) available for N(i, k).
void basisTable(const float* t, int n, int d, float u, std::array<double, maxPoints>& basis) {
    const int order = d + 1;
    const int widest = n + d;  // entries on level 1
    for (int i = 0; i < widest; ++i) {
        basis[i] = rightEnd(t, n, i, u) ? 1.0 : orderOne(t, i, u);
    }
    for (int k = 2; k <= order; ++k) {
        const int count = n + order - k;
        for (int i = 0; i < count; ++i) {
            if (rightEnd(t, n, i, u)) {
                basis[i] = 1.0;
            } else {
                basis[i] =
                    combine(basis[i], leftRatio(t, i, k, u), basis[i + 1], rightRatio(t, i, k, u));
            }
        }
    }
}

}  // namespace

double bsplineBasis(const float* t, int n, int i, int k, float u) {
    if (rightEnd(t, n, i, u)) {
        return 1.0;
    }
    if (k == 1) {
        return orderOne(t, i, u);
    }
    const double left = leftRatio(t, i, k, u);
    const double right = rightRatio(t, i, k, u);
    const double lower = bsplineBasis(t, n, i, k - 1, u);
    const double upper = bsplineBasis(t, n, i + 1, k - 1, u);
    return combine(lower, left, upper, right);
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
