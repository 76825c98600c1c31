#pragma once

// Long runs of segments of one colour, rasterised on the processor into a
// mask of the window, a bit a run, and drawn as the mask's tiles, up to eight
// runs at once with the draws between them; short runs become parallelograms
// or WebGL's own lines in the batch.

#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "web/native/gl/layer.hpp"

namespace gllayer {

// Adds the segment a-b (one colour, of this width in pixels) to the pending
// run; a run of another colour or width is drawn first.
void addToRun(const Vertex& a, const Vertex& b, float width);

// Draws the pending run: short ones as parallelograms in the batch, long ones
// through the mask, after everything drawn before them.
void endRun();

// Forgets the pending run without drawing it (a clear wipes it anyway); the
// frame begins afresh.
void dropRun();

// Holds a draw of the batch back while a group of runs is open and the draw
// falls on few tiles (true), or draws the group first (false: the caller
// sends it).
bool holdDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
              const std::vector<std::uint16_t>& indices);

// Draws the open group of runs and the draws held with it, in their order.
void closeGroup();

}  // namespace gllayer
