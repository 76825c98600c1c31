#pragma once

#include "app/state.hpp"

// Makes, once per benchmark binary, the 800 x 600 GLUT window whose context
// the drawing benchmarks need, with the program's pixel projection. Returns
// false when there is no display to open it on.
bool ensureBenchWindow();

// A wavy polygon of n points across the 800 x 600 window in the given curve
// mode and degree, with the mode's default parameters and the RBF system
// solved: the scene the curve benchmarks draw or evaluate.
void setWavyPolygon(CurveMode mode, int n, int degree);
