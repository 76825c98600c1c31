#pragma once

// The marker cubes and the polygon line that the display, the curve drawing
// and the comparison frames share. The helpers leave a colour behind on
// purpose: later primitives inherit it.

#include "curves/geometry.hpp"

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

// Draws points[0..count-1] as one GL line strip (nothing for count <= 0).
void drawLineStrip(const Point3* points, int count);
