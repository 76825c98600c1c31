#pragma once

// Inserts a second copy of the active knot into the B-spline by Boehm's rule
// (one more control point and knot) and draws the transition frame.
void insertKnot();
