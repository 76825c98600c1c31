#pragma once

#include "app/state.hpp"

// phi(x) for the current basisKind with shape r: mq1 sqrt(x^2 + c^2 r^2),
// mq3 (x^2 + c^2 r^2)^1.5, gs exp(-r x^2), c = basisScale.
double rbfBasis(float x, float r);

// Fills the one-based (count + degree + 1)-square matrix a (zero-filled) with
// the system of interpolation at centres[0..count-1] by a polynomial of the
// given degree plus one basis function per centre: polynomial rows and
// columns first, then one row per centre.
void fillRbfSystem(double** a, const float* centres, int count, int degree);

// Solves the RBF interpolation of controlPoints at the centres in knots with a
// polynomial part of degree polyDegree into rbfCoefficients (polynomial rows
// first). Leaves the coefficients unchanged when n + d + 1 > 128 or d < 0.
// The inverse of the system matrix is kept between calls while the centres,
// degree, basis and shape stay the same, so a point drag only multiplies.
void solveRbfSystem();

// Interpolant value at u from rbfCoefficients over centres t[0..n-1];
// (0, 0, 0) when n + d + 1 rows would not fit the store.
void evalRbf(Point3& out, const float* t, float u, int n);

// Draws the RBF curve through 129 samples of the centre range in (0.3, 0, 0).
void drawRbfCurve();
