#include "curves/parameters.hpp"

#include "app/state.hpp"

namespace {

// Margin of the parameter bar in pixels: handles run from 25 to windowWidth - 25.
constexpr double barMargin = 25.0;

// The Bezier knot vector keeps at most this many zeros and as many ones, so that
// it fits the 128 entries; the Bezier curve never reads it.
constexpr int bezierHalfCapacity = maxPoints / 2;

void uniformNodes(AppState& s, int n) {
    for (int i = 0; i < n; ++i) {
        s.knots[i] = static_cast<float>(i);
    }
    s.knotCount = n;
}

// n - 1 zeros then n - 1 ones: the Bezier knot vector without its outermost knot
// at each end. Fewer than two points have no such vector.
void bezierKnots(AppState& s, int n) {
    if (n <= 1) {
        s.knotCount = 0;
        return;
    }
    const int half = n - 1 < bezierHalfCapacity ? n - 1 : bezierHalfCapacity;
    const int m = 2 * half;
    for (int i = 0; i < half; ++i) {
        s.knots[i] = 0.0f;
        s.knots[m - 1 - i] = 1.0f;
    }
    s.knotCount = m;
}

// Clamped uniform vector of order d + 1: d + 1 zeros, 1 .. n - d - 1, and d + 1
// copies of n - d. Without d < n the vector defines no curve, and past 128
// entries it does not fit: the list is then left empty.
void bsplineKnots(AppState& s, int n, int d) {
    if (d < 0 || d >= n || d > maxPoints - 1 - n) {
        s.knotCount = 0;
        return;
    }
    for (int i = 0; i < d; ++i) {
        s.knots[i] = 0.0f;
        s.knots[n + d - i] = static_cast<float>(n - d);
    }
    for (int i = d; i <= n; ++i) {
        s.knots[i] = static_cast<float>(i - d);
    }
    s.knotCount = n + d + 1;
}

}  // namespace

void assignParameters() {
    AppState& s = appState;
    const int n = s.pointCount;
    if (n < 0 || n > maxPoints) {
        return;
    }
    switch (s.curveMode) {
        case CurveMode::Lagrange:
        case CurveMode::Rbf:
            uniformNodes(s, n);
            break;
        case CurveMode::Bezier:
            bezierKnots(s, n);
            break;
        case CurveMode::Bspline:
            bsplineKnots(s, n, s.polyDegree);
            break;
        default:
            return;
    }
    layoutKnotHandles();
}

void layoutKnotHandles() {
    AppState& s = appState;
    const int m = s.knotCount;
    if (m <= 0 || m > maxPoints) {
        return;
    }
    const double first = s.knots[0];
    const double last = s.knots[m - 1];
    const double right = static_cast<double>(s.windowWidth) - barMargin;
    for (int i = 0; i < m; ++i) {
        KnotHandle& h = s.knotHandles[i];
        if (last == first) {
            // A single value (or all values equal) has no range to spread over.
            h.x = static_cast<float>(barMargin);
        } else {
            const double t = s.knots[i];
            const double toFirst = (last - t) / (last - first);
            const double toLast = (t - first) / (last - first);
            h.x = static_cast<float>(barMargin * toFirst + right * toLast);
        }
        h.y = static_cast<float>(barMargin);
    }
}

void knotsFromHandles() {
    AppState& s = appState;
    const int m = s.knotCount;
    if (m <= 0 || m > maxPoints) {
        return;
    }
    const double x0 = s.knotHandles[0].x;
    const double xl = s.knotHandles[m - 1].x;
    // Handles stacked on one x give no range to measure against: keep the values.
    if (xl == x0) {
        return;
    }
    for (int i = 0; i < m; ++i) {
        const double xi = s.knotHandles[i].x;
        s.knots[i] = static_cast<float>(1.0 - (xl - xi) / (xl - x0));
    }
}
