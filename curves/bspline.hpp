#pragma once

#include "app/state.hpp"

// Draws the B-spline of degree polyDegree over knots (128 samples of the
// domain), sets animParamValue and draws the animation marker.
void drawBsplineCurve();

// Marker at the curve point for u when u lies strictly inside the domain.
void drawBsplineMarker(float u);

// Sum of N(i, d+1)(u) times control point i over i = 0..n-1.
Point3 evalBspline(float u, int n);

// Basis value N(i, k)(u) over knot list t with n control points, exactly as
// the Cox-de Boor recursion defines it (half-open spans, right-end rule).
double bsplineBasis(const float* t, int n, int i, int k, float u);
