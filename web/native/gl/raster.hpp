#pragma once

// The pixels of segments and triangles as the browser's rasteriser draws
// them, marked on the processor into a plane of the window, a byte a pixel:
// lines one pixel wide as WebGL's own lines, triangles as WebGL fills them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gllayer {

// How far from the window a segment may reach and still be rasterised here,
// in pixels: its corners in sixteenths, and their products, stay far inside
// 64 bits.
constexpr float windowReach = 1 << 19;

struct Plane {
    std::vector<std::uint8_t> pixels;  // one byte a pixel, rows from the bottom
    int width = 0;
    int height = 0;
};

// The pixels marked, inclusive; empty while right < left.
struct Bounds {
    int left, right, bottom, top;
};

// Sets to `value` the pixels of a one-pixel line from (x0, y0) to (x1, y1),
// window coordinates with y up, within windowReach of the window; b grows to
// hold them.
void rasteriseSegment(Plane& m, float x0, float y0, float x1, float y1, std::uint8_t value,
                      Bounds& b);

// Sets to `value` the pixels of the triangle with these corners (x, y in
// turn, window coordinates with y up, within windowReach of the window),
// either way round; b grows to hold them.
void rasteriseTriangle(Plane& m, const std::array<float, 6>& corners, std::uint8_t value,
                       Bounds& b);

// Sets to `value` the pixels of the quad with corners 0 1 2 3 (x, y in turn),
// drawn as the triangles 0 1 2 and 0 2 3, as a wide line's quad is sent.
void rasteriseQuad(Plane& m, const std::array<float, 8>& corners, std::uint8_t value, Bounds& b);

}  // namespace gllayer
