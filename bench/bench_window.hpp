#pragma once

// Makes, once per benchmark binary, the 800 x 600 GLUT window whose context
// the drawing benchmarks need, with the program's pixel projection. Returns
// false when there is no display to open it on.
bool ensureBenchWindow();
