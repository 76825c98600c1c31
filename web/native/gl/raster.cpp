#include "web/native/gl/raster.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gllayer {

namespace {

// The pixel rows or columns, within 0 .. limit - 1, whose centres k + 1/2 lie
// in [lo, hi).
void centresWithin(float lo, float hi, int limit, int& first, int& end) {
    const float f = std::ceil(lo - 0.5f);
    const float e = std::ceil(hi - 0.5f);
    first = static_cast<int>(std::max(0.0f, std::min(f, static_cast<float>(limit))));
    end = static_cast<int>(std::max(0.0f, std::min(e, static_cast<float>(limit))));
}

// Widens b by the pixels from `first` to `last` along the major axis and
// from `lo` to `hi` across it.
void extend(Bounds& b, bool xMajor, int first, int last, int lo, int hi) {
    int& alongLow = xMajor ? b.left : b.bottom;
    int& alongHigh = xMajor ? b.right : b.top;
    int& acrossLow = xMajor ? b.bottom : b.left;
    int& acrossHigh = xMajor ? b.top : b.right;
    alongLow = std::min(alongLow, first);
    alongHigh = std::max(alongHigh, last);
    acrossLow = std::min(acrossLow, lo);
    acrossHigh = std::max(acrossHigh, hi);
}

}  // namespace

// Marks the pixels of one segment's parallelogram (window coordinates, y up):
// along the major axis from half a pixel before the start to half a pixel
// before the end, across it half the width either side of the line.
void rasteriseWideSegment(Plane& m, float x0, float y0, float x1, float y1, float width,
                          std::uint8_t bit, Bounds& b) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float half = width / 2.0f;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float along0 = xMajor ? x0 : y0;
    const float along1 = xMajor ? x1 : y1;
    const float across0 = xMajor ? y0 : x0;
    const float across1 = xMajor ? y1 : x1;
    const float step = along1 - along0;
    if (step == 0.0f) {
        return;
    }
    const float back = step > 0.0f ? -0.5f : 0.5f;
    const int alongLimit = xMajor ? m.width : m.height;
    const int acrossLimit = xMajor ? m.height : m.width;
    int first = 0;
    int end = 0;
    centresWithin(std::min(along0, along1) + back, std::max(along0, along1) + back, alongLimit,
                  first, end);
    const float slope = (across1 - across0) / step;
    // A line of whole width covers the same number of pixels in every column
    // (row); away from the window's edges they need no clipping.
    const int count = static_cast<int>(width);
    const bool whole = static_cast<float>(count) == width;
    const float lowest = std::min(across0, across1) - half - 1.0f;
    const float highest = std::max(across0, across1) + half + 1.0f;
    const bool clear = whole && lowest >= 0.0f && highest < static_cast<float>(acrossLimit);
    const std::size_t w = static_cast<std::size_t>(m.width);
    std::uint8_t* const pixels = m.pixels.data();
    int lowestMarked = acrossLimit;
    int highestMarked = -1;
    if (clear && first < end) {
        // The common case, kept lean: no clipping, a fixed count a column,
        // and the lowest and highest pixels at the two ends of the line. An
        // odd count marks only its middle pixel; widenCentres adds the rest.
        const std::size_t acrossStep = xMajor ? w : 1;
        const std::size_t alongStep = xMajor ? 1 : w;
        const auto lowAt = [&](int k) {
            const float centre = static_cast<float>(k) + 0.5f - back;
            return static_cast<int>(std::ceil(across0 + (centre - along0) * slope - half - 0.5f));
        };
        if (centreRadius(width) >= 0) {
            std::uint8_t* const centres =
                (xMajor ? m.xCentres.data() : m.yCentres.data() + yPadding) +
                static_cast<std::size_t>(count / 2) * acrossStep;
            for (int k = first; k < end; ++k) {
                centres[static_cast<std::size_t>(lowAt(k)) * acrossStep +
                        static_cast<std::size_t>(k) * alongStep] = 1;
            }
        } else {
            for (int k = first; k < end; ++k) {
                std::uint8_t* p = pixels + static_cast<std::size_t>(lowAt(k)) * acrossStep +
                                  static_cast<std::size_t>(k) * alongStep;
                for (int j = 0; j < count; ++j, p += acrossStep) {
                    *p |= bit;
                }
            }
        }
        const int atFirst = lowAt(first);
        const int atLast = lowAt(end - 1);
        lowestMarked = std::min(atFirst, atLast);
        highestMarked = std::max(atFirst, atLast) + count - 1;
    }
    // Near the window's edges, or of a width that is not whole: clipped
    // column by column (row by row).
    for (int k = clear ? end : first; k < end; ++k) {
        const float centre = static_cast<float>(k) + 0.5f - back;
        const float across = across0 + (centre - along0) * slope;
        int lo = 0;
        int hi = 0;
        centresWithin(across - half, across + half, acrossLimit, lo, hi);
        if (lo >= hi) {
            continue;
        }
        lowestMarked = std::min(lowestMarked, lo);
        highestMarked = std::max(highestMarked, hi - 1);
        if (xMajor) {
            std::uint8_t* p =
                pixels + static_cast<std::size_t>(lo) * w + static_cast<std::size_t>(k);
            for (int j = lo; j < hi; ++j, p += w) {
                *p |= bit;
            }
        } else {
            std::uint8_t* p = pixels + static_cast<std::size_t>(k) * w;
            for (int j = lo; j < hi; ++j) {
                p[j] |= bit;
            }
        }
    }
    if (highestMarked < 0) {
        return;
    }
    extend(b, xMajor, first, end - 1, lowestMarked, highestMarked);
}

// One-pixel lines as the browser's rasteriser draws them, found by drawing
// thousands of segments with WebGL and reading them back. A line is the
// parallelogram half a pixel either side of it across its major axis (x when
// |dx| >= |dy| before any rounding), ending square at its two ends; cut to
// the window if it leaves it; its corners snapped to the nearest sixteenth of
// a pixel (halves to even); and it takes the pixels whose centres lie inside,
// or on an edge that runs down or, level, to the right as its corners go
// round counterclockwise. So along the major axis it takes the centres in
// [lower end, upper end); across it, the one pixel the line passes through at
// the centre, and of two pixels whose shared edge it runs along, the lower one,
// except for a line along x that rises to the right, which takes the upper one.
// Cut at the window's edge, the two long sides of a line that leaves it across
// its major axis no longer lie exactly a pixel apart: there a column (row) may
// take two pixels, or none. Nothing is left out but a segment along a
// diagonal whose ends differ by exactly as much in x as in y, where the
// browser's own rounding decides the major axis.
namespace {

constexpr int subpixelShift = 4;
constexpr std::int64_t subpixels = 1 << subpixelShift;

// floor(a / b) for b > 0, both far inside 2^53: a division in double (a
// 64-bit integer division costs several times as much in wasm), then made
// exact.
std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
    auto q = static_cast<std::int64_t>(std::floor(static_cast<double>(a) / static_cast<double>(b)));
    const std::int64_t r = a - q * b;
    q += r < 0 ? -1 : (r >= b ? 1 : 0);
    return q;
}

std::int64_t snapped(double v) {
    return static_cast<std::int64_t>(std::rint(v * static_cast<double>(subpixels)));
}

// Clips the segment to the window [0, w] x [0, h] (Liang and Barsky): false if
// nothing of it is left.
bool clipToWindow(double& x0, double& y0, double& x1, double& y1, double w, double h) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    // The part where p t <= q.
    const auto keep = [&](double p, double q) {
        if (p == 0.0) {
            return q >= 0.0;
        }
        const double t = q / p;
        if (p < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        return t0 <= t1;
    };
    if (!keep(-dx, x0) || !keep(dx, w - x0) || !keep(-dy, y0) || !keep(dy, h - y0)) {
        return false;
    }
    const double ax = x0 + t0 * dx;
    const double ay = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = ax;
    y0 = ay;
    return true;
}

// One long side of a line's parallelogram, walked column by column (row by
// row) along the major axis: in column k it is at n / d sixteenths across,
// kept as floor(n / 16 d) and the remainder. Gives the first pixel above it
// (a lower side) or the last below it (an upper side); a centre on the side
// counts as above (below) when `onSide`.
struct SideWalk {
    std::int64_t q = 0;
    std::int64_t r = 0;
    std::int64_t unit = 1;
    std::int64_t stepQ = 0;
    std::int64_t stepR = 0;
    bool onSide = false;

    // The side through (along, across) corners a and b in sixteenths, a
    // before b along; walked from column `first`.
    SideWalk(std::int64_t a0, std::int64_t c0, std::int64_t a1, std::int64_t c1, std::int64_t first,
             bool onSide_)
        : onSide(onSide_) {
        const std::int64_t d = a1 - a0;
        const std::int64_t rise = c1 - c0;
        unit = subpixels * d;
        // Measured from the centre of the pixel below, so that q is a pixel.
        const std::int64_t n =
            (c0 - subpixels / 2) * d + (first * subpixels + subpixels / 2 - a0) * rise;
        q = floorDivide(n, unit);
        r = n - q * unit;
        stepQ = floorDivide(subpixels * rise, unit);
        stepR = subpixels * rise - stepQ * unit;
    }
    std::int64_t firstAbove() const { return onSide ? q + (r != 0 ? 1 : 0) : q + 1; }
    std::int64_t lastBelow() const { return onSide || r != 0 ? q : q - 1; }
    void next() {
        q += stepQ;
        r += stepR;
        if (r >= unit) {
            r -= unit;
            ++q;
        }
    }
};

}  // namespace

void rasteriseThinSegment(Plane& m, float fx0, float fy0, float fx1, float fy1, std::uint8_t bit,
                          Bounds& b) {
    const bool xMajor = std::fabs(fx1 - fx0) >= std::fabs(fy1 - fy0);
    double a0 = xMajor ? fx0 : fy0;
    double a1 = xMajor ? fx1 : fy1;
    double c0 = xMajor ? fy0 : fx0;
    double c1 = xMajor ? fy1 : fx1;
    if (a1 < a0) {
        std::swap(a0, a1);
        std::swap(c0, c1);
    }
    const int alongLimit = xMajor ? m.width : m.height;
    const int acrossLimit = xMajor ? m.height : m.width;
    // Centres 16 k + 8 (in sixteenths) with the snapped ends at or below and
    // above them, in the window.
    const std::int64_t s0 = snapped(a0);
    const std::int64_t s1 = snapped(a1);
    const std::int64_t half = subpixels / 2;
    const std::int64_t first =
        std::max<std::int64_t>(0, (s0 - half + subpixels - 1) >> subpixelShift);
    const std::int64_t end =
        std::min<std::int64_t>(alongLimit, (s1 - half + subpixels - 1) >> subpixelShift);
    if (first >= end) {
        return;
    }
    const std::ptrdiff_t w = m.width;
    const std::ptrdiff_t alongStep = xMajor ? 1 : w;
    const std::ptrdiff_t acrossStep = xMajor ? w : 1;
    // Cut where it leaves the window along its major axis, the line's two
    // sides are cut at the same place and stay a pixel apart.
    double e0 = a0;
    double e1 = a1;
    double h0 = c0;
    double h1 = c1;
    if (e0 < 0.0 || e1 > alongLimit) {
        const double slope = (c1 - c0) / (a1 - a0);
        if (e0 < 0.0) {
            e0 = 0.0;
            h0 = c0 + (0.0 - a0) * slope;
        }
        if (e1 > alongLimit) {
            e1 = alongLimit;
            h1 = c0 + (alongLimit - a0) * slope;
        }
    }
    if (e1 > e0 && std::min(h0, h1) >= 1.0 && std::max(h0, h1) + 1.0 < acrossLimit) {
        // Inside the window across, a pixel from its edges: of each column
        // the one pixel is the first above the lower side, floor((n - 1) /
        // 16 d) + 1 on a side that holds its centres, else floor(n / 16 d) + 1
        // (see SideWalk), no further than a pixel from the ends' own.
        const std::int64_t t0 = snapped(e0);
        const std::int64_t t1 = snapped(e1);
        const std::int64_t lower0 = snapped(h0) - half;
        const std::int64_t lower1 = snapped(h1) - half;
        const std::int64_t d = t1 - t0;
        const std::int64_t rise = lower1 - lower0;
        const std::int64_t unit = subpixels * d;
        const bool holds = !xMajor || rise <= 0;
        const std::int64_t n =
            (lower0 - half) * d + (first * subpixels + half - t0) * rise - (holds ? 1 : 0);
        const std::int64_t q = floorDivide(n, unit);
        std::int64_t r = n - q * unit;
        const std::int64_t stepQ = floorDivide(rise, d);
        const std::int64_t stepR = subpixels * rise - stepQ * unit;
        const std::ptrdiff_t step = alongStep + static_cast<std::ptrdiff_t>(stepQ) * acrossStep;
        // Two walks at once, from the start and from halfway, so that the
        // processor need not wait on one remainder at a time.
        const std::int64_t count = end - first;
        const std::int64_t split = count / 2;
        const std::int64_t n2 = n + split * subpixels * rise;
        const std::int64_t q2 = floorDivide(n2, unit);
        std::int64_t r2 = n2 - q2 * unit;
        std::uint8_t* p = m.pixels.data() + (q + 1) * acrossStep + first * alongStep;
        std::uint8_t* p2 = m.pixels.data() + (q2 + 1) * acrossStep + (first + split) * alongStep;
        for (std::int64_t i = 0; i < split; ++i) {
            *p |= bit;
            *p2 |= bit;
            p += step;
            p2 += step;
            r += stepR;
            r2 += stepR;
            const bool carry = r >= unit;
            const bool carry2 = r2 >= unit;
            r -= carry ? unit : 0;
            r2 -= carry2 ? unit : 0;
            p += carry ? acrossStep : 0;
            p2 += carry2 ? acrossStep : 0;
        }
        if (count - split > split) {
            *p2 |= bit;
        }
        const int lo = static_cast<int>(std::floor(std::min(h0, h1))) - 1;
        const int hi = static_cast<int>(std::floor(std::max(h0, h1))) + 1;
        extend(b, xMajor, static_cast<int>(first), static_cast<int>(end) - 1, lo, hi);
        return;
    }
    // The sides' corners, cut to the window where they leave it. Of a side
    // wholly outside, the uncut one serves: its pixels are outside as well.
    std::int64_t side[2][4];
    for (int i = 0; i < 2; ++i) {
        const double offset = i == 0 ? -0.5 : 0.5;
        double p0 = a0;
        double q0 = c0 + offset;
        double p1 = a1;
        double q1 = c1 + offset;
        const bool inside = p0 >= 0.0 && p1 <= alongLimit && std::min(q0, q1) >= 0.0 &&
                            std::max(q0, q1) <= acrossLimit;
        if (!inside && !clipToWindow(p0, q0, p1, q1, alongLimit, acrossLimit)) {
            p0 = a0;
            q0 = c0 + offset;
            p1 = a1;
            q1 = c1 + offset;
        }
        side[i][0] = snapped(p0);
        side[i][1] = snapped(q0);
        side[i][2] = snapped(p1);
        side[i][3] = snapped(q1);
        if (side[i][0] == side[i][2]) {
            // Cut down to a point: the centre line's ends give its direction.
            side[i][0] = s0;
            side[i][1] = snapped(c0 + offset);
            side[i][2] = s1;
            side[i][3] = snapped(c1 + offset);
        }
    }
    // Going round counterclockwise, the lower side runs along the major axis
    // and the upper one back: along x the lower side holds its centres when
    // it falls or stays level, the upper one when it rises; along y the side
    // at lower x always does, the other never.
    // Only columns that the cut sides reach hold pixels in the window.
    const std::int64_t from =
        std::max(first, (std::min(side[0][0], side[1][0]) >> subpixelShift) - 1);
    const std::int64_t to = std::min(end, (std::max(side[0][2], side[1][2]) >> subpixelShift) + 2);
    const bool rises = side[0][3] > side[0][1];
    const bool lowerHolds = xMajor ? !rises : true;
    const bool upperHolds = xMajor ? rises : false;
    SideWalk lower(side[0][0], side[0][1], side[0][2], side[0][3], from, lowerHolds);
    SideWalk upper(side[1][0], side[1][1], side[1][2], side[1][3], from, upperHolds);
    // Near the window's edges: both sides walked, each column clipped.
    std::int64_t lowest = acrossLimit;
    std::int64_t highest = -1;
    for (std::int64_t k = from; k < to; ++k) {
        const std::int64_t lo = std::max<std::int64_t>(0, lower.firstAbove());
        const std::int64_t hi = std::min<std::int64_t>(acrossLimit - 1, upper.lastBelow());
        for (std::int64_t j = lo; j <= hi; ++j) {
            m.pixels[static_cast<std::size_t>(j * acrossStep + k * alongStep)] |= bit;
        }
        if (lo <= hi) {
            lowest = std::min(lowest, lo);
            highest = std::max(highest, hi);
        }
        lower.next();
        upper.next();
    }
    const int lo = static_cast<int>(std::max<std::int64_t>(0, lowest));
    const int hi = static_cast<int>(std::min<std::int64_t>(acrossLimit - 1, highest));
    if (lo > hi) {
        return;
    }
    extend(b, xMajor, static_cast<int>(from), static_cast<int>(to) - 1, lo, hi);
}

namespace {

std::uint64_t load8(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

// How far the middle pixel of a line of this width is widened, or -1 for a
// width whose pixels are marked one by one (not whole, even, or wider than
// the padding allows).
int centreRadius(float width) {
    const int count = static_cast<int>(width);
    const bool odd = static_cast<float>(count) == width && count % 2 == 1;
    return odd && count / 2 <= static_cast<int>(yPadding) ? count / 2 : -1;
}

// Rows bottom .. top of the plane: each middle pixel of a line along x
// widened by `radius` pixels up and down, of a line along y left and right,
// into the pixels' `bit`, eight at a time; the middle pixels are cleared.
// Middle pixels keep `radius` clear of the window's edges (the lean path
// takes only such lines), so the bytes read across a row's end are zeros of
// the next row or of the padding.
void widenCentres(Plane& m, int radius, std::uint8_t bit, int bottom, int top) {
    const std::size_t w = static_cast<std::size_t>(m.width);
    const std::size_t chunks = w / 8;
    for (int y = bottom; y <= top; ++y) {
        std::uint8_t* row = m.pixels.data() + static_cast<std::size_t>(y) * w;
        const std::uint8_t* ys = m.yCentres.data() + yPadding + static_cast<std::size_t>(y) * w;
        for (std::size_t c = 0; c < chunks; ++c) {
            const std::size_t x = c * 8;
            std::uint64_t v = 0;
            for (int d = -radius; d <= radius; ++d) {
                const int yy = y + d;
                if (yy >= 0 && yy < m.height) {
                    v |= load8(m.xCentres.data() + static_cast<std::size_t>(yy) * w + x);
                }
                v |= load8(ys + static_cast<std::ptrdiff_t>(x) + d);
            }
            if (v != 0) {
                // Each marked byte (it holds 1) becomes the bit.
                v = ((v | (v >> 1) | (v >> 2) | (v >> 3) | (v >> 4) | (v >> 5) | (v >> 6) |
                      (v >> 7)) &
                     0x0101010101010101ULL) *
                    bit;
                v |= load8(row + x);
                std::memcpy(row + x, &v, sizeof v);
            }
        }
        // A width that is not a multiple of eight: the last pixels one by one.
        for (std::size_t x = chunks * 8; x < w; ++x) {
            bool marked = false;
            for (int d = -radius; d <= radius; ++d) {
                const int yy = y + d;
                const std::ptrdiff_t xx = static_cast<std::ptrdiff_t>(x) + d;
                if (yy >= 0 && yy < m.height) {
                    marked = marked || m.xCentres[static_cast<std::size_t>(yy) * w + x] != 0;
                }
                if (xx >= 0 && static_cast<std::size_t>(xx) < w) {
                    marked = marked || ys[xx] != 0;
                }
            }
            if (marked) {
                row[x] |= bit;
            }
        }
    }
    const std::size_t first = static_cast<std::size_t>(bottom) * w;
    const std::size_t end = static_cast<std::size_t>(top + 1) * w;
    std::fill(m.xCentres.begin() + static_cast<std::ptrdiff_t>(first),
              m.xCentres.begin() + static_cast<std::ptrdiff_t>(end), std::uint8_t{0});
    std::fill(m.yCentres.begin() + static_cast<std::ptrdiff_t>(yPadding + first),
              m.yCentres.begin() + static_cast<std::ptrdiff_t>(yPadding + end), std::uint8_t{0});
}

}  // namespace gllayer
