#pragma once

#include "app/state.hpp"

// Solves the RBF interpolation of controlPoints at the centres in knots with a
// polynomial part of degree polyDegree into rbfCoefficients (polynomial rows
// first). Leaves the coefficients unchanged when n + d + 1 > 128 or d < 0.
void solveRbfSystem();

// Interpolant value at u from rbfCoefficients over centres t[0..n-1] with the
// record's degree, basis and shape; (0, 0, 0) when the system would not fit.
void evalRbf(Point3& out, const float* t, float u, int n);
