#include "curves/bspline.hpp"

#include <array>

namespace {

// Pieces of the domain between samples.
constexpr int curveSegments = bsplineCurveSamples;

float domainStart(const BsplineView& curve) {
    return curve.knots[curve.degree];
}

float domainEnd(const BsplineView& curve) {
    return curve.knots[curve.knotCount - curve.degree - 1];
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

// The knot list defines a curve of n points only with n + d + 1 entries and
// d < n; anything else (an empty list, a list left from another mode or
// degree) gives no curve and is never read.
bool bsplineDefined(const BsplineView& curve) {
    const int n = curve.pointCount;
    const int d = curve.degree;
    return n > 0 && n <= maxPoints && d >= 0 && d < n && d <= maxPoints - 1 - n &&
           curve.knotCount == n + d + 1;
}

float bsplineParameter(const BsplineView& curve, float animT) {
    return animT * (domainEnd(curve) - domainStart(curve)) + domainStart(curve);
}

// Strictly inside: the ends of the domain and "no animation" show no marker.
bool insideBsplineDomain(const BsplineView& curve, float u) {
    return bsplineDefined(curve) && domainStart(curve) < u && u < domainEnd(curve);
}

Point3 evalBspline(const BsplineView& curve, float u) {
    Point3 out;
    if (!bsplineDefined(curve)) {
        return out;
    }
    const int n = curve.pointCount;
    std::array<double, maxPoints> basis{};
    basisTable(curve.knots, n, curve.degree, u, basis);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + basis[i] * curve.points[i][c]);
        }
    }
    return out;
}

void sampleBsplineCurve(const BsplineView& curve, Point3* out) {
    if (!bsplineDefined(curve)) {
        return;
    }
    const float lo = domainStart(curve);
    const float hi = domainEnd(curve);
    for (int k = 0; k < curveSegments; ++k) {
        const float u = static_cast<float>(k) / static_cast<float>(curveSegments) * (hi - lo) + lo;
        out[k] = evalBspline(curve, u);
    }
}
