#pragma once

// The pixels of segments as the browser's rasteriser draws them, marked on
// the processor into a plane of the window, one bit a run: lines one pixel
// wide exactly by its own rule, wider ones by the parallelogram rule of wide
// lines.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gllayer {

// Zero bytes before and after the plane of middle pixels of lines along y,
// which is read eight bytes at a time at offsets of up to this many.
constexpr std::size_t yPadding = 8;

// How far from the window a segment may reach and still be rasterised here,
// in pixels: its corners in sixteenths, and their products, stay far inside
// 64 bits.
constexpr float windowReach = 1 << 19;

struct Plane {
    std::vector<std::uint8_t> pixels;  // one byte a pixel, rows from the bottom
    // The middle pixels of the columns (rows) of lines of odd width along x
    // (along y), widened to the full width once all lines of a run are in.
    std::vector<std::uint8_t> xCentres;
    std::vector<std::uint8_t> yCentres;  // with yPadding bytes before and after
    int width = 0;
    int height = 0;
};

// The pixels marked, inclusive; empty while right < left.
struct Bounds {
    int left, right, bottom, top;
};

// Sets `bit` in the pixels of a line one pixel wide from (x0, y0) to (x1,
// y1), window coordinates with y up, within windowReach of the window.
void rasteriseThinSegment(Plane& m, float x0, float y0, float x1, float y1, std::uint8_t bit,
                          Bounds& b);

// Sets `bit` in the pixels of a line of this width (more than one pixel);
// of an odd whole width away from the window's edges, only the middle pixel of
// each column (row) is marked, in the centre planes, for widenCentres.
void rasteriseWideSegment(Plane& m, float x0, float y0, float x1, float y1, float width,
                          std::uint8_t bit, Bounds& b);

// How far widenCentres widens the middle pixel of a line of this width, or
// -1 for a width whose pixels are marked one by one.
int centreRadius(float width);

// Rows bottom .. top: the middle pixels widened by `radius` into `bit` of the
// pixels; the centre planes are cleared.
void widenCentres(Plane& m, int radius, std::uint8_t bit, int bottom, int top);

}  // namespace gllayer
