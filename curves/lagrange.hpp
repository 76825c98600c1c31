#pragma once

#include "app/state.hpp"

// Draws the interpolating polynomial through the control points at the nodes
// in knots, sets animParamValue and draws the Neville construction.
void drawLagrangeCurve();

// Value at u of the polynomial through controlPoints[0..n-1] at nodes t[0..n-1].
void evalLagrange(Point3& out, const float* t, float u, int n);

// Draws Neville's construction at u (full for 3 and 4 points, else only the
// curve point); out receives the curve point where it is evaluated.
void drawNevilleConstruction(Point3& out, const float* t, float u, int n);
