#pragma once

// The display callback and the small drawing helpers the curve code shares.
// The helpers leave a colour behind on purpose: later primitives inherit it.

#include "app/state.hpp"

// GLUT display callback: redraws the whole frame from the state and swaps buffers.
void onDisplay();

// Lets the process keep the memory the renderer frees between frames instead
// of returning it to the system; call once at start-up, before the window.
void keepFrameMemory();

// Plain marker cube centred at (x, y, z) pixels: grey solid, blue wire; leaves blue current.
void drawMarker(float x, float y, float z);

// Highlighted marker cube at (x, y, z) pixels: red solid, grey wire; leaves red current.
void drawHighlightMarker(float x, float y, float z);

// Plain markers at centres[0..count-1] (pixels) as two primitives: all grey
// solids, then all blue wires; leaves blue current. Nothing for count <= 0.
void drawMarkers(const Point3* centres, int count);

// Highlighted markers at centres[0..count-1] (pixels): all red solids, then
// all grey wires; leaves red current. Nothing for count <= 0.
void drawHighlightMarkers(const Point3* centres, int count);

// Parameter bar line at y = 25 in the current colour, then (in the Lagrange,
// Bezier and B-spline modes) the knot handles and the animation marker.
void drawParameterBar();

// The six reduced polygons of the record and their Bezier curves in graded
// reds at width 0.5, then one segment per point between the extreme weights;
// width 3 after.
void drawFamilyOverlay();

// Draws points[0..count-1] as one GL line strip (nothing for count <= 0).
void drawLineStrip(const Point3* points, int count);

// The record's curve of each mode with its construction at the animation's
// parameter (see render/curve_drawing.hpp for what each draws). The RBF
// curve only when its system was solved and meets its points.
void drawLagrangeCurve();
void drawBsplineCurve();
void drawRbfCurve();
