#pragma once

// The display callback and the parts of the frame drawn from the record: the
// parameter bar, the family overlay and each mode's curve. What they draw
// leaves a colour behind on purpose: later primitives inherit it.

#include "app/state.hpp"

// GLUT display callback: redraws the whole frame from the state and swaps buffers.
void onDisplay();

// Lets the process keep the memory the renderer frees between frames instead
// of returning it to the system; call once at start-up, before the window.
void keepFrameMemory();

// Whether the parameter bar shows the knot handles: in the Lagrange, Bezier
// and B-spline modes.
bool knotHandlesShown(CurveMode mode);

// Parameter bar line at y = 25 in the current colour, then (in the Lagrange,
// Bezier and B-spline modes) the knot handles and the animation marker.
void drawParameterBar();

// The six reduced polygons of the record and their Bezier curves in graded
// reds at width 0.5, then one segment per point between the extreme weights;
// width 3 after.
void drawFamilyOverlay();

// The record's curve of each mode with its construction at the animation's
// parameter (see render/curve_drawing.hpp for what each draws). The RBF
// curve only when its system was solved and meets its points.
void drawLagrangeCurve();
void drawBsplineCurve();
void drawRbfCurve();
