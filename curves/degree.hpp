#pragma once

#include "app/state.hpp"

// Raises the Bezier degree of the control polygon by one (same curve, one more
// point); the old polygon goes to auxPolygon and auxPointCount, then the
// parameter list and the RBF system are rebuilt for the new point count.
// Nothing when pointCount is 0 or >= 127.
void elevateDegree();

// Writes to out the pointCount - 1 points of the Bezier curve one degree lower
// that is closest in the weighted least-squares sense with weight
// (4t(1-t))^alpha, alpha > -1. Nothing when pointCount < 3.
void reduceDegree(double alpha, Point3* out);
