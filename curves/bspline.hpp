#pragma once

#include "app/state.hpp"

// Draws the B-spline of degree polyDegree over knots in (0.3, 0, 0) (128 samples
// of the domain, its far end not sampled), sets animParamValue and draws the
// animation marker. Nothing at all unless 0 < n <= 128, d < n and
// knotCount = n + d + 1.
void drawBsplineCurve();

// Marker at the curve point for u when u lies strictly inside the domain
// (nothing when the knot list defines no curve).
void drawBsplineMarker(float u);

// Sum of N(i, d+1)(u) times control point i over i = 0..n-1, with every basis
// value bit for bit that of bsplineBasis but each computed once (O(n d) per
// point). (0, 0, 0) unless 0 < n <= 128, d < n and knotCount = n + d + 1.
Point3 evalBspline(float u, int n);

// Basis value N(i, k)(u) over knot list t with n control points, exactly as
// the Cox-de Boor recursion defines it (half-open spans, right-end rule,
// vanishing terms over zero-length spans). Reads t[i .. i + k] and t[n];
// exponential in k: the reference definition, not for drawing.
double bsplineBasis(const float* t, int n, int i, int k, float u);
