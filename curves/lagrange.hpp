#pragma once

#include "app/state.hpp"

// Draws the interpolating polynomial through the control points at the nodes
// in knots in (0.3, 0, 0) (129 samples), sets animParamValue and draws the
// Neville construction. Nothing at all for n <= 0, n > 128 or two equal nodes.
void drawLagrangeCurve();

// Samples of the drawn curve: 128 intervals over the node range, both ends included.
constexpr int lagrangeCurveSamples = 129;

// The curve points the drawing samples: out[k] = evalLagrange at
// t[0] + (t[n-1] - t[0]) * k / 128 for k = 0 .. 128, bit for bit. The weights
// are kept between calls while the nodes stay the same. Nothing for n <= 0 or
// n > 128; the nodes must be distinct.
void sampleLagrangeCurve(const float* t, int n, Point3* out);

// Value at u of the polynomial through controlPoints[0..n-1] at nodes t[0..n-1]
// (the nodes must be distinct); (0, 0, 0) for n <= 0 or n > 128.
void evalLagrange(Point3& out, const float* t, float u, int n);

// Draws Neville's construction at u, for 0 <= u <= t[n-1] (full for 3 and 4
// points, else only the curve point); out receives the
// curve point when one is drawn. Nothing when two nodes are equal.
void drawNevilleConstruction(Point3& out, const float* t, float u, int n);
