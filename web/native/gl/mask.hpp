#pragma once

// Long runs of segments of one colour, rasterised on the processor into a
// mask of the window, with everything drawn after them until something the
// mask cannot take, and drawn as one picture; short runs become
// parallelograms or WebGL's own lines in the batch.

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

// Rasterises a draw of the batch into the open group (true), or draws the
// group first if the draw is not one it can take (false: the caller sends
// it).
bool takeDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
              const std::vector<std::uint16_t>& indices);

// Opens a group at the start of a frame if the last one rasterised a run.
void openFrameGroup();

// Draws the open group's picture.
void closeGroup();

}  // namespace gllayer
