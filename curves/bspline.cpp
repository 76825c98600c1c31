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

// One step of the recursion: N(i, k)(u) from N(i, k - 1) and N(i + 1, k - 1),
// as bsplineBasis forms it. A zero-length span makes its term vanish.
double recursionStep(const float* t, int i, int k, float u, double lower, double upper) {
    double a = 0.0;
    if (t[i + k - 1] != t[i]) {
        a = (static_cast<double>(u) - t[i]) / (static_cast<double>(t[i + k - 1]) - t[i]);
    }
    double b = 0.0;
    if (t[i + k] != t[i + 1]) {
        b = (static_cast<double>(t[i + k]) - u) / (static_cast<double>(t[i + k]) - t[i + 1]);
    }
    return lower * a + upper * b;
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
            basis[i] = recursionStep(t, i, k, u, basis[i], basis[i + 1]);
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

// The span s with t[s] <= u < t[s + 1] of an ordered list among
// first .. end - 1, for u in [t[first], t[end]).
int spanBetween(const float* t, int first, int end, float u) {
    int lo = first;
    int hi = end;
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

// The span of u in [t[d], t[n]): one of d .. n - 1.
int findSpan(const float* t, int n, int d, float u) {
    return spanBetween(t, d, n, u);
}

// The span of u as above, given the span s of an earlier parameter: the
// samples increase, so the span of the next one is s or a little past it.
int nextSpan(const float* t, int n, int d, int s, float u) {
    if (u < t[s]) {
        return findSpan(t, n, d, u);
    }
    while (s < n - 1 && !(u < t[s + 1])) {
        ++s;
    }
    return s;
}

// Two lanes of double precision, computed lane by lane.
using Lanes = double __attribute__((vector_size(16)));

Lanes loadLanes(const double* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void storeLanes(double* p, const Lanes& v) {
    std::memcpy(p, &v, sizeof v);
}

// Knots in double, as every difference of the recursion takes them, and one
// more place: the evaluation reads a pair of knots at a time, and the last
// pair may reach one past the end (see evalOnSpan).
using KnotsInDouble = std::array<double, maxPoints + 1>;

KnotsInDouble knotsInDouble(const BsplineView& curve) {
    KnotsInDouble tt;
    for (int i = 0; i < curve.knotCount; ++i) {
        tt[i] = static_cast<double>(curve.knots[i]);
    }
    tt[curve.knotCount] = tt[curve.knotCount - 1];
    return tt;
}

// The curve at u in span s, t[s] <= u < t[s + 1], of an ordered knot list
// whose knots tt holds in double. On level j only N(s - j, j + 1) ..
// N(s, j + 1) can be non-zero, and of the recursion's two terms,
//   N(i, j + 1) = (u - t[i]) / (t[i + j] - t[i]) N(i, j)
//               + (t[i + j + 1] - u) / (t[i + j + 1] - t[i + 1]) N(i + 1, j),
// the quotient N(i, j) / (t[i + j] - t[i]) enters both N(i, j + 1) and
// N(i - 1, j + 1): de Boor's triangle, one division per value where the
// recursion makes two. Every difference the triangle divides by contains the
// non-empty span s and is not 0; where the recursion would divide by a
// zero-length span, the value it multiplies is a zero beyond the triangle, and
// the quotient is taken as 0.
Point3 evalOnSpan(const BsplineView& curve, const KnotsInDouble& tt, int s, float u) {
    const int d = curve.degree;
    const double ud = u;
    const Lanes uu = {ud, ud};
    // level[r] holds N(s - j + r, j + 1) after level j, r = 0 .. j, and level
    // j + 1 a 0 on odd j. Each level runs from the top down, a pair of entries
    // at a time, so that it reads the level before whole; the pairs start at
    // even r on every level, where the level before stored them. The top pair
    // of an even level is also kept in top, where the next level starts.
    std::array<double, maxPoints + 1> level;
    Lanes top = {1.0, 0.0};
    storeLanes(level.data(), top);
    const double* upper = tt.data() + (s + 1);
    for (int j = 1; j <= d; ++j) {
        // knots[r] = t[s - j + r] and upper[r] = t[s + 1 + r]: entry r of the
        // level before is N(s - j + 1 + r, j), over t[s + 1 + r] - knots[r + 1].
        const double* knots = tt.data() + (s - j);
        // q holds the quotients of entries r and r + 1 of the level before:
        // on odd levels entry j of the level before is a 0 beyond the
        // triangle, on even ones entries j and j + 1 are.
        int r = j & ~1;
        Lanes q{};
        if (r < j) {
            q[0] = top[0] / (upper[r] - knots[r + 1]);
        }
        for (; r > 0; r -= 2) {
            const Lanes below = loadLanes(level.data() + r - 2) /
                                (loadLanes(upper + r - 2) - loadLanes(knots + r - 1));
            const Lanes shifted = {below[1], q[0]};
            const Lanes entries =
                (uu - loadLanes(knots + r)) * shifted + (loadLanes(upper + r) - uu) * q;
            storeLanes(level.data() + r, entries);
            if (r == j) {
                top = entries;
            }
            q = below;
        }
        const Lanes shifted = {0.0, q[0]};
        const Lanes entries = (uu - loadLanes(knots)) * shifted + (loadLanes(upper) - uu) * q;
        storeLanes(level.data(), entries);
    }
    const int first = s - d;
    Point3 out;
    for (int i = first; i <= s; ++i) {
        const double w = level[i - first];
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + w * curve.points[i][c]);
        }
    }
    return out;
}

// The span evaluation applies: ordered knots and u in the domain short of its
// right end (NaN is not). The right end keeps the table, whose rule there sets
// the last basis function to 1 however the end knots fall.
bool onSpan(const BsplineView& curve, bool ordered, float u) {
    return ordered && domainStart(curve) <= u && u < domainEnd(curve);
}

}  // namespace

// The Cox-de Boor recursion as defined, kept plain: it is the reference the
// table above matches to the last bit and the span evaluation to rounding, and
// it costs up to 2^k calls.
double bsplineBasis(const float* t, int n, int i, int k, float u) {
    if (i == n - 1 && u == t[n]) {
        return 1.0;
    }
    if (k == 1) {
        return t[i] <= u && u < t[i + 1] ? 1.0 : 0.0;
    }
    return recursionStep(t, i, k, u, bsplineBasis(t, n, i, k - 1, u),
                         bsplineBasis(t, n, i + 1, k - 1, u));
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
    const KnotsInDouble tt = knotsInDouble(curve);
    const int s = findSpan(curve.knots, curve.pointCount, curve.degree, u);
    return evalOnSpan(curve, tt, s, u);
}

void sampleBsplineCurve(const BsplineView& curve, Point3* out) {
    if (!bsplineDefined(curve)) {
        return;
    }
    const bool ordered = knotsOrdered(curve);
    const KnotsInDouble tt = knotsInDouble(curve);
    const int n = curve.pointCount;
    const int d = curve.degree;
    const float lo = domainStart(curve);
    const float hi = domainEnd(curve);
    int s = d;
    for (int k = 0; k < curveSegments; ++k) {
        const float u = static_cast<float>(k) / static_cast<float>(curveSegments) * (hi - lo) + lo;
        if (onSpan(curve, ordered, u)) {
            s = nextSpan(curve.knots, n, d, s, u);
            out[k] = evalOnSpan(curve, tt, s, u);
        } else {
            out[k] = evalByTable(curve, u);
        }
    }
}

void bsplineBasisValues(const BsplineView& curve, float u, double* values) {
    if (!bsplineDefined(curve)) {
        return;
    }
    const float* t = curve.knots;
    const int n = curve.pointCount;
    const int d = curve.degree;
    const int last = curve.knotCount - 1;
    std::array<double, maxPoints> table{};
    // An unordered list may put u in several spans: it keeps the whole table.
    if (!knotsOrdered(curve)) {
        basisTable(t, n, d, u, table);
        std::memcpy(values, table.data(), sizeof(double) * static_cast<size_t>(n));
        return;
    }
    std::fill(values, values + n, 0.0);
    if (!(u >= t[0] && u <= t[last])) {
        return;
    }
    // The span whose pieces give the values: the one half-open span
    // t[s] <= u < t[s + 1], but at the end of the domain or of the list the
    // last non-empty span ending there, so that the values are the limits the
    // curve reaches (for a clamped list, N(n - 1) = 1 at the end).
    int s = -1;
    if (u == t[n] || u == t[last]) {
        for (int j = last - 1; j >= 0 && s < 0; --j) {
            if (t[j] < u && t[j + 1] == u) {
                s = j;
            }
        }
    } else {
        s = spanBetween(t, 0, last, u);
    }
    if (s < 0) {
        return;
    }
    // The table's recursion on the entries that can be non-zero: at order k
    // those are s - k + 1 .. s; below and above them the table holds exact
    // zeros, which the untouched entries keep.
    table[static_cast<size_t>(s)] = 1.0;
    for (int k = 2; k <= d + 1; ++k) {
        const int first = std::max(0, s - k + 1);
        const int end = std::min(s, n + d - k);
        for (int i = first; i <= end; ++i) {
            table[static_cast<size_t>(i)] = recursionStep(t, i, k, u, table[static_cast<size_t>(i)],
                                                          table[static_cast<size_t>(i) + 1]);
        }
    }
    for (int i = std::max(0, s - d); i <= std::min(s, n - 1); ++i) {
        values[i] = table[static_cast<size_t>(i)];
    }
}
