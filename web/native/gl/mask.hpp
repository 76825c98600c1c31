#pragma once

// Long runs of wide segments of one colour, rasterised on the processor into
// a mask of the window and drawn as the mask's tiles; short runs become
// parallelograms in the batch.

#include "web/native/gl/layer.hpp"

namespace gllayer {

// Adds the segment a-b (one colour, of this width in pixels, more than one) to
// the pending run; a run of another colour or width is drawn first.
void addToRun(const Vertex& a, const Vertex& b, float width);

// Draws the pending run: short ones as parallelograms in the batch, long ones
// through the mask, after everything drawn before them.
void endRun();

// Forgets the pending run without drawing it (a clear wipes it anyway).
void dropRun();

}  // namespace gllayer
