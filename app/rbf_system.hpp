#pragma once

#include "app/state.hpp"

// Solves the RBF interpolation of controlPoints at the centres in knots with a
// polynomial part of degree polyDegree into rbfCoefficients (polynomial rows
// first), and whether they make a curve into rbfStatus. Leaves the
// coefficients unchanged when n + d + 1 > 128 or d < 0.
void solveRbfSystem();
