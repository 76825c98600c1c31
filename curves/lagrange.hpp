#pragma once

#include "app/state.hpp"

// Draws the interpolating polynomial through the control points at the nodes
// in knots in (0.3, 0, 0) (129 samples), sets animParamValue and draws the
// Neville construction. Nothing at all for n <= 0, n > 128 or two equal nodes.
void drawLagrangeCurve();

// Value at u of the polynomial through controlPoints[0..n-1] at nodes t[0..n-1]
// (the nodes must be distinct); (0, 0, 0) for n <= 0 or n > 128.
void evalLagrange(Point3& out, const float* t, float u, int n);

// Draws Neville's construction at u, for 0 <= u <= t[n-1] (full for 3 and 4
// points using auxPolygon[0..12], else only the curve point); out receives the
// curve point when one is drawn. Nothing when two nodes are equal.
void drawNevilleConstruction(Point3& out, const float* t, float u, int n);
