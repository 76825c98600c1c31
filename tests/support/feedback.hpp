#pragma once

#include <functional>
#include <vector>

#include "render/palette.hpp"

namespace tvtest {

// A vertex as the rasteriser receives it: window coordinates and RGBA colour.
struct FbVertex {
    float x, y, z, r, g, b, a;
};

enum class FbKind { Point, Line, LineReset, Polygon, Bitmap, DrawPixel, CopyPixel, PassThrough };

// One primitive from OpenGL's feedback buffer.
struct FbItem {
    FbKind kind;
    std::vector<FbVertex> vertices;
    float passThrough = 0.0f;
};

// Whether a vertex carries colour c (to within the 8-bit rounding of a framebuffer).
bool hasColour(const FbVertex& v, Rgb c);

// Runs draw() in feedback mode (GL_3D_COLOR) and returns what reached the
// rasteriser, in order. Fails the current test if the buffer overflows.
// Mesa reports the segments of strips and loops as plain Line items.
std::vector<FbItem> captureFeedback(const std::function<void()>& draw);

// Only the line items (Line and LineReset), in order.
std::vector<FbItem> linesOf(const std::vector<FbItem>& items);

// Only the polygon items, in order.
std::vector<FbItem> polygonsOf(const std::vector<FbItem>& items);

}  // namespace tvtest
