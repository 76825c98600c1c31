#include "curves/parameters.hpp"

#include "curves/bspline.hpp"
#include "curves/lagrange.hpp"

namespace {

// The bar's margin in the double precision of the handle layout.
constexpr double barMargin = parameterBarMargin;

// The Bezier knot vector keeps at most this many zeros and as many ones, so that
// it fits the 128 entries; the Bezier curve never reads it.
constexpr int bezierHalfCapacity = maxPoints / 2;

int uniformNodes(int n, KnotValues& knots) {
    uniformParameters(n, 1.0f, knots.data());
    return n;
}

// n - 1 zeros then n - 1 ones: the Bezier knot vector without its outermost knot
// at each end. Fewer than two points have no such vector.
int bezierKnots(int n, KnotValues& knots) {
    if (n <= 1) {
        return 0;
    }
    const int half = n - 1 < bezierHalfCapacity ? n - 1 : bezierHalfCapacity;
    const int m = 2 * half;
    for (int i = 0; i < half; ++i) {
        knots[i] = 0.0f;
        knots[m - 1 - i] = 1.0f;
    }
    return m;
}

// Clamped uniform vector of order d + 1: d + 1 zeros, 1 .. n - d - 1, and d + 1
// copies of n - d. Without d < n the vector defines no curve, and past 128
// entries it does not fit: the list is then empty.
int bsplineKnots(int n, int d, KnotValues& knots) {
    if (d < 0 || d >= n || d > maxPoints - 1 - n) {
        return 0;
    }
    for (int i = 0; i < d; ++i) {
        knots[i] = 0.0f;
        knots[n + d - i] = static_cast<float>(n - d);
    }
    for (int i = d; i <= n; ++i) {
        knots[i] = static_cast<float>(i - d);
    }
    return n + d + 1;
}

}  // namespace

std::optional<int> defaultKnots(CurveMode mode, int n, int degree, KnotValues& knots) {
    if (n < 0 || n > maxPoints) {
        return std::nullopt;
    }
    switch (mode) {
        case CurveMode::Lagrange:
        case CurveMode::Rbf:
            return uniformNodes(n, knots);
        case CurveMode::Bezier:
            return bezierKnots(n, knots);
        case CurveMode::Bspline:
            return bsplineKnots(n, degree, knots);
        case CurveMode::None:
            break;
    }
    return std::nullopt;
}

void handlePositions(const float* knots, int count, int windowWidth, float* x) {
    if (count <= 0 || count > maxPoints) {
        return;
    }
    const double first = knots[0];
    const double last = knots[count - 1];
    const double right = static_cast<double>(windowWidth) - barMargin;
    for (int i = 0; i < count; ++i) {
        if (last == first) {
            // A single value (or all values equal) has no range to spread over.
            x[i] = static_cast<float>(barMargin);
        } else {
            const double t = knots[i];
            const double toFirst = (last - t) / (last - first);
            const double toLast = (t - first) / (last - first);
            x[i] = static_cast<float>(barMargin * toFirst + right * toLast);
        }
    }
}

bool knotsFromHandlePositions(const float* x, int count, float* knots) {
    if (count <= 0 || count > maxPoints) {
        return false;
    }
    const double x0 = x[0];
    const double xl = x[count - 1];
    // Handles stacked on one x give no range to measure against.
    if (xl == x0) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const double xi = x[i];
        knots[i] = static_cast<float>(1.0 - (xl - xi) / (xl - x0));
    }
    return true;
}

std::optional<float> animationParameter(CurveMode mode, const float* knots, int knotCount,
                                        int pointCount, int degree, float animT) {
    switch (mode) {
        case CurveMode::Lagrange:
            if (pointCount <= 0 || pointCount > maxPoints || !nodesDistinct(knots, pointCount)) {
                return std::nullopt;
            }
            return lagrangeParameter(knots, pointCount, animT);
        case CurveMode::Bezier:
            // Every Bezier curve runs over [0, 1], whatever its points.
            return animT;
        case CurveMode::Bspline: {
            const BsplineView curve{nullptr, pointCount, knots, knotCount, degree};
            if (!bsplineDefined(curve)) {
                return std::nullopt;
            }
            return bsplineParameter(curve, animT);
        }
        case CurveMode::Rbf:
        case CurveMode::None:
            break;
    }
    return std::nullopt;
}

void uniformParameters(int n, float spacing, float* t) {
    if (n < 0 || n > maxPoints) {
        return;
    }
    for (int j = 0; j < n; ++j) {
        t[j] = static_cast<float>(j) * spacing;
    }
}
