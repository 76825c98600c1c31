#pragma once

// B-spline curves over a knot vector: evaluation, samples and the basis.

#include "curves/geometry.hpp"

// Samples of the drawn curve: the domain cut into 128 pieces, its far end not sampled.
constexpr int bsplineCurveSamples = 128;

// A B-spline as the record holds it: pointCount control points of the given
// degree over knots[0..knotCount-1]. It defines a curve only when
// 0 < pointCount <= 128, 0 <= degree < pointCount and knotCount =
// pointCount + degree + 1; its domain is then [knots[degree], knots[pointCount]].
struct BsplineView {
    const Point3* points;
    int pointCount;
    const float* knots;
    int knotCount;
    int degree;
};

// True when the view defines a curve (see BsplineView).
bool bsplineDefined(const BsplineView& curve);

// The parameter of animation time animT on the domain: animT (hi - lo) + lo.
// The curve must be defined.
float bsplineParameter(const BsplineView& curve, float animT);

// True when u lies strictly inside the domain of a defined curve: where the
// animation marker is shown.
bool insideBsplineDomain(const BsplineView& curve, float u);

// Sum of N(i, d+1)(u) times control point i over i = 0..n-1. Inside the
// domain of an ordered knot list, only the d + 1 basis values that can be
// non-zero at u are computed (O(d^2) per point after a search for the span),
// with one division per value where bsplineBasis makes two: they round
// differently from it, by a few units in the last place of a double. Elsewhere
// (the right end of the domain, outside it, knots out of order) every value is
// bsplineBasis's to the last bit. (0, 0, 0) unless the curve is defined.
Point3 evalBspline(const BsplineView& curve, float u);

// The curve points the drawing samples: out[k] = evalBspline at
// k / 128 * (hi - lo) + lo for k = 0 .. 127. Nothing unless the curve is defined.
void sampleBsplineCurve(const BsplineView& curve, Point3* out);

// Every basis value N(i, d + 1)(u), i = 0 .. pointCount - 1, into values
// (degree d, order d + 1), anywhere on the knot range, outside the domain
// too. On an ordered list only the (at most) d + 1 of the span containing u
// are worked out, O(d^2), by bsplineBasis's operations, and the others are 0;
// at the end of the domain and of the list the span is the one to the left,
// so the values are the limits the curve reaches there (bsplineBasis's
// right-end rule holds for clamped lists only). An unordered list gets
// bsplineBasis's values. Nothing unless the curve is defined.
void bsplineBasisValues(const BsplineView& curve, float u, double* values);

// Basis value N(i, k)(u) over knot list t with n control points, exactly as
// the Cox-de Boor recursion defines it (half-open spans, right-end rule,
// vanishing terms over zero-length spans). Reads t[i .. i + k] and t[n];
// exponential in k: the reference definition, not for drawing.
double bsplineBasis(const float* t, int n, int i, int k, float u);
