#pragma once

// Inserts a second copy of the knot at handle activeKnot into the B-spline by
// Boehm's rule: one more control point and knot, the curve unchanged; then
// draws the transition frame (old and new polygon, curve, parameter bar) and
// swaps buffers. Acts only in B-spline mode with polyDegree + 1 <= activeKnot
// <= pointCount and room for one more point and knot; otherwise does nothing.
void insertKnot();
