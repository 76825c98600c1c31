#pragma once

// The comparison frames that a subdivision level and a knot insertion show in
// place of the ordinary display, until the next redisplay replaces them. Each
// clears, draws unrotated, flushes and swaps buffers.

#include "curves/geometry.hpp"
#include "subdivision/schemes.hpp"

// Points points[0..count-1] of a polygon drawn in a frame.
struct PolygonView {
    const Point3* points = nullptr;
    int count = 0;
};

// The frame of one subdivision level: the entered polygon in the colour that
// was current (nothing when its count is 0), the polygon before the level,
// the refined polygon. rbf4 and rbf6 draw in 3-D, D-D and UNR4 flat, with the
// entered polygon closed for UNR4, which ends with the status line; NR4 draws
// nothing at all. Leaves the refined polygon's colour current, or the status line's.
void drawSubdivisionFrame(SubdivisionScheme scheme, PolygonView entered, PolygonView before,
                          PolygonView after);

// The frame of a knot insertion: the polygon before, markers at the new
// points, the polygon after, then the B-spline curve and the parameter bar as
// the state record holds them, so the record must already hold the insertion.
void drawKnotInsertionFrame(PolygonView before, PolygonView after);
