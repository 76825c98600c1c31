#pragma once

// The batch: triangles and one-pixel lines in window order, sent to the GPU in
// one draw when the frame is flushed, the kind of primitive changes, the
// blending changes, or 16-bit indices run out.

#include <GL/gl.h>

#include <array>
#include <cstdint>

#include "web/native/gl/layer.hpp"

namespace gllayer {

// A program linked from a vertex and a fragment shader's source.
GLuint linkShaders(const char* vertexSource, const char* fragmentSource);

// A colour component as the framebuffer stores it, 0 to 255.
std::uint8_t colourByte(float v);

// Draws what the batch holds, in the order it was given, and empties it.
void flushBatch();

// Forgets what the batch holds without drawing it (a clear wipes it anyway).
void dropBatch();

// Appends the triangle a, b, c.
void emitTriangle(const Vertex& a, const Vertex& b, const Vertex& c);

// A vertex as the batch sends it: divided by w, its colour in bytes.
DrawVertex drawVertex(const Vertex& v);

// The corners of the parallelogram that a line of this width (window pixels)
// covers, as the batch sends them (two triangles: 0 1 2 and 0 2 3); false
// while the viewport is empty.
bool quadCorners(const Vertex& a, const Vertex& b, float width, std::array<DrawVertex, 4>& out);

// Appends the parallelogram that a line of this width (window pixels) covers.
void emitQuad(const Vertex& a, const Vertex& b, float width);

// Appends the segment a-b as one of WebGL's own lines, one pixel wide.
void emitLine(const Vertex& a, const Vertex& b);

}  // namespace gllayer
