#include "curves/bspline.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

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

// Sum of the basis values times the control points, in increasing i as the
// curve's definition orders the terms.
Point3 evalByTable(const BsplineView& curve, float u) {
    const int n = curve.pointCount;
    std::array<double, maxPoints> basis{};
    basisTable(curve.knots, n, curve.degree, u, basis);
    Point3 out;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + basis[i] * curve.points[i][c]);
        }
    }
    return out;
}

// On a non-decreasing knot list the half-open spans do not overlap, so a u
// lies in at most one of them and only the d + 1 basis functions over that
// span can be non-zero. An unordered list (a handle held just short of a
// fractional neighbour can leave one) may put u in several spans; it keeps the
// full table. Finite end knots bound every knot in between.
bool knotsOrdered(const BsplineView& curve) {
    const float* t = curve.knots;
    const int last = curve.knotCount - 1;
    if (!std::isfinite(t[0]) || !std::isfinite(t[last])) {
        return false;
    }
    for (int i = 0; i < last; ++i) {
        if (!(t[i] <= t[i + 1])) {
            return false;
        }
    }
    return true;
}

// The span s with t[s] <= u < t[s + 1] of an ordered list, for u in
// [t[d], t[n]): it is one of d .. n - 1.
int findSpan(const float* t, int n, int d, float u) {
    int lo = d;
    int hi = n;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (u < t[mid]) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return lo;
}

// Two lanes of double precision; the arithmetic on them is lane by lane, so
// every lane rounds exactly as the scalar expression would.
using Lanes = double __attribute__((vector_size(16)));

Lanes loadLanes(const double* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void storeLanes(double* p, const Lanes& v) {
    std::memcpy(p, &v, sizeof v);
}

// x / y lane by lane, and 0 where y is 0: the term of a zero-length span
// vanishes. Two floats differ by zero in double exactly when they are equal;
// such a lane divides by one, so that no lane divides by zero.
Lanes spanQuotients(const Lanes& x, const Lanes& y) {
    const auto empty = y == 0.0;
    const Lanes one = {1.0, 1.0};
    const Lanes q = x / (empty ? one : y);
    return empty ? Lanes{} : q;
}

// The curve at u in the domain [t[d], t[n]] of an ordered knot list, from
// the basis functions over the span of u alone; tt holds the knots in double.
// Each non-zero N(i, k) takes exactly the operations of the full table,
// N(i, k - 1) a + N(i + 1, k - 1) b with a = (u - t[i]) / (t[i+k-1] - t[i])
// and b = (t[i+k] - u) / (t[i+k] - t[i+1]), and the terms the table adds
// beyond these are zeros, which leave every partial sum as it was: the result
// is the table's to the last bit. Outside the domain a sum of underflowed
// terms can be -0, which a zero term of the table would turn into +0; that is
// one reason the span is used on the domain only.
Point3 evalOnSpan(const BsplineView& curve, const double* tt, float u) {
    const int n = curve.pointCount;
    const int d = curve.degree;
    // Right-end rule: N(n - 1, k) is 1 at u == t[n] on every level, and the
    // functions of lower index see only it, never the spans beyond t[n].
    const bool atRightEnd = u == curve.knots[n];
    const int s = atRightEnd ? n - 1 : findSpan(curve.knots, n, d, u);
    // basis[i - first] holds N(i, k) for i = s - d .. s; the entry past the end
    // is N(s + 1, k), which is zero on every level.
    const int first = s - d;
    std::array<double, maxPoints + 1> basis;
    std::fill_n(basis.begin(), d + 2, 0.0);
    basis[d] = 1.0;
    const double ud = u;
    const Lanes uu = {ud, ud};
    for (int k = 2; k <= d + 1; ++k) {
        // Level k is non-zero only for i = s - k + 1 .. s; at the right end
        // N(n - 1, k) keeps its 1.
        const int lo = s - k + 1;
        const int hi = atRightEnd ? n - 2 : s;
        // Two steps at once, i and i + 1: the a of both and the b of both are
        // each one two-lane division of neighbouring knots, and the divisions
        // are what the evaluation waits on. Both lanes read N(., k - 1) before
        // either is overwritten.
        Lanes a{};
        Lanes b{};
        int i = lo;
        for (; i + 1 <= hi; i += 2) {
            // Repeated knots (the clamped ends) give runs of steps with the
            // same knots, hence the same quotients: the pair shares them with
            // the pair before when t[i - 2 .. i + 2] and t[i + k - 3 .. i + k + 1]
            // are runs of equal knots, which ordered knots reduce to their ends.
            if (i == lo || tt[i - 2] != tt[i + 2] || tt[i + k - 3] != tt[i + k + 1]) {
                const Lanes low = loadLanes(tt + i);
                const Lanes high = loadLanes(tt + i + k);
                a = spanQuotients(uu - low, loadLanes(tt + i + k - 1) - low);
                b = spanQuotients(high - uu, high - loadLanes(tt + i + 1));
            }
            double* level = basis.data() + (i - first);
            storeLanes(level, loadLanes(level) * a + loadLanes(level + 1) * b);
        }
        if (i <= hi) {
            const Lanes q =
                spanQuotients(Lanes{ud, tt[i + k]} - Lanes{tt[i], ud},
                              Lanes{tt[i + k - 1], tt[i + k]} - Lanes{tt[i], tt[i + 1]});
            const int j = i - first;
            basis[j] = basis[j] * q[0] + basis[j + 1] * q[1];
        }
    }
    Point3 out;
    for (int i = first; i <= s; ++i) {
        const double w = basis[i - first];
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + w * curve.points[i][c]);
        }
    }
    return out;
}

// The knots in double, as every difference of the recursion takes them.
void knotsInDouble(const BsplineView& curve, std::array<double, maxPoints>& tt) {
    for (int i = 0; i < curve.knotCount; ++i) {
        tt[i] = static_cast<double>(curve.knots[i]);
    }
}

// The span evaluation applies: ordered knots and u in the domain (NaN is not).
bool onSpan(const BsplineView& curve, bool ordered, float u) {
    return ordered && domainStart(curve) <= u && u <= domainEnd(curve);
}

}  // namespace

// The Cox-de Boor recursion as defined, kept plain: it is the reference the
// table and the span evaluation above must match, and it costs up to 2^k calls.
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
    if (!bsplineDefined(curve)) {
        return Point3{};
    }
    if (!onSpan(curve, knotsOrdered(curve), u)) {
        return evalByTable(curve, u);
    }
    std::array<double, maxPoints> tt;
    knotsInDouble(curve, tt);
    return evalOnSpan(curve, tt.data(), u);
}

void sampleBsplineCurve(const BsplineView& curve, Point3* out) {
    if (!bsplineDefined(curve)) {
        return;
    }
    const bool ordered = knotsOrdered(curve);
    std::array<double, maxPoints> tt;
    knotsInDouble(curve, tt);
    const float lo = domainStart(curve);
    const float hi = domainEnd(curve);
    for (int k = 0; k < curveSegments; ++k) {
        const float u = static_cast<float>(k) / static_cast<float>(curveSegments) * (hi - lo) + lo;
        out[k] =
            onSpan(curve, ordered, u) ? evalOnSpan(curve, tt.data(), u) : evalByTable(curve, u);
    }
}
