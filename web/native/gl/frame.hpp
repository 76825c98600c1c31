#pragma once

// The frame on the canvas, kept as the list of draws that made it. A frame
// (from glClear to glFlush) that repeats it draw for draw is not sent again:
// the canvas keeps its drawing buffer, so it already shows that picture.
// Draws are held back while they repeat the kept ones; the first that does
// not sends the clear and the held draws, in their order, and the rest of the
// frame goes out as it comes.

#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "web/native/gl/layer.hpp"

namespace gllayer {

// Opens a frame with a clear of these buffers (glClear).
void openFrame(GLbitfield buffers);

// Closes the frame: sends what is still held unless the frame repeated the
// kept one whole; it becomes the kept frame.
void closeFrame();

// Something reached WebGL outside the frame's draws (a viewport, the
// blending, the clear colour): what is held goes out, and no later frame is
// taken for the kept one.
void forgetFrame();

// A draw of the batch: its vertices, their indices and the kind of primitive.
void frameDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
               const std::vector<std::uint16_t>& indices);

// A run of wide segments of one colour drawn through the mask.
void frameMaskedRun(const std::vector<Segment>& segments, const Colour& colour, float width);

// The draws themselves: a draw of the batch, held with an open group of runs
// or sent (batch.cpp); a run into the group (mask.cpp); a draw sent to WebGL
// at once (batch.cpp).
void drawNow(GLenum mode, const std::vector<DrawVertex>& vertices,
             const std::vector<std::uint16_t>& indices);
void drawMaskedRunNow(const std::vector<Segment>& segments, const Colour& colour, float width);
void sendDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
              const std::vector<std::uint16_t>& indices);

}  // namespace gllayer
