#include "web/native/gl/raster.hpp"

#include <algorithm>
#include <cmath>

namespace gllayer {

namespace {

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
//
// A wider line is drawn as the quad the batch would send for it
// (rasteriseQuad below).
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

// Sets to `value`, in columns (rows along y) `from` to `to`, the pixels
// between the two sides, cut to the window across; b grows to hold them.
void fillBetween(Plane& m, SideWalk& lower, SideWalk& upper, bool xMajor, std::int64_t from,
                 std::int64_t to, std::uint8_t value, Bounds& b) {
    const int acrossLimit = xMajor ? m.height : m.width;
    const std::ptrdiff_t alongStep = xMajor ? 1 : m.width;
    const std::ptrdiff_t acrossStep = xMajor ? m.width : 1;
    std::int64_t lowest = acrossLimit;
    std::int64_t highest = -1;
    for (std::int64_t k = from; k < to; ++k) {
        const std::int64_t lo = std::max<std::int64_t>(0, lower.firstAbove());
        const std::int64_t hi = std::min<std::int64_t>(acrossLimit - 1, upper.lastBelow());
        std::uint8_t* p = m.pixels.data() + k * alongStep;
        for (std::int64_t j = lo; j <= hi; ++j) {
            p[j * acrossStep] = value;
        }
        if (lo <= hi) {
            lowest = std::min(lowest, lo);
            highest = std::max(highest, hi);
        }
        lower.next();
        upper.next();
    }
    if (lowest <= highest) {
        extend(b, xMajor, static_cast<int>(from), static_cast<int>(to) - 1,
               static_cast<int>(lowest), static_cast<int>(highest));
    }
}

}  // namespace

void rasteriseSegment(Plane& m, float fx0, float fy0, float fx1, float fy1, std::uint8_t value,
                      Bounds& b) {
    const bool xMajor = std::fabs(fx1 - fx0) >= std::fabs(fy1 - fy0);
    double a0 = xMajor ? fx0 : fy0;
    double a1 = xMajor ? fx1 : fy1;
    double c0 = xMajor ? fy0 : fx0;
    double c1 = xMajor ? fy1 : fx1;
    const double reach = 0.5;  // from the line to either side
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
    if (e1 > e0 && std::min(h0, h1) - reach >= 0.5 &&
        std::max(h0, h1) + reach + 0.5 < acrossLimit) {
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
        std::uint8_t* p = m.pixels.data() + (q + 1) * acrossStep + first * alongStep;
        // Two walks at once, from the start and from halfway, so that the
        // processor need not wait on one remainder at a time.
        const std::int64_t count = end - first;
        const std::int64_t split = count / 2;
        const std::int64_t n2 = n + split * subpixels * rise;
        const std::int64_t q2 = floorDivide(n2, unit);
        std::int64_t r2 = n2 - q2 * unit;
        std::uint8_t* p2 = m.pixels.data() + (q2 + 1) * acrossStep + (first + split) * alongStep;
        for (std::int64_t i = 0; i < split; ++i) {
            *p = value;
            *p2 = value;
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
            *p2 = value;
        }
        const int lo = static_cast<int>(std::floor(std::min(h0, h1) - reach)) - 1;
        const int hi = static_cast<int>(std::floor(std::max(h0, h1) + reach)) + 1;
        extend(b, xMajor, static_cast<int>(first), static_cast<int>(end) - 1, lo, hi);
        return;
    }
    // The sides' corners, cut to the window where they leave it. Of a side
    // wholly outside, the uncut one serves: its pixels are outside as well.
    std::int64_t side[2][4];
    for (int i = 0; i < 2; ++i) {
        const double offset = i == 0 ? -reach : reach;
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
    fillBetween(m, lower, upper, xMajor, from, to, value, b);
}

// A triangle as the browser fills it: its corners snapped to sixteenths of a
// pixel as a line's are, it takes the pixels whose centres lie inside, or on
// an edge that runs down or, level, to the right as its corners go round
// counterclockwise: the rule of a wide line's parallelogram, whose two
// triangles these are. Row by row, each edge bounds the row's one span from
// the left or the right, or holds the whole row or none of it.
void rasteriseTriangle(Plane& m, const std::array<float, 6>& corners, std::uint8_t value,
                       Bounds& b) {
    std::array<std::int64_t, 3> x{};
    std::array<std::int64_t, 3> y{};
    for (std::size_t i = 0; i < 3; ++i) {
        x[i] = snapped(corners[2 * i]);
        y[i] = snapped(corners[2 * i + 1]);
    }
    const std::int64_t area = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
    if (area == 0) {
        return;
    }
    if (area < 0) {
        std::swap(x[1], x[2]);
        std::swap(y[1], y[2]);
    }
    const std::int64_t half = subpixels / 2;
    const std::int64_t low = std::min({y[0], y[1], y[2]});
    const std::int64_t high = std::max({y[0], y[1], y[2]});
    // Rows whose centres 16 k + 8 lie between the lowest and highest corners.
    const std::int64_t firstRow = std::max<std::int64_t>(0, -floorDivide(half - low, subpixels));
    const std::int64_t lastRow =
        std::min<std::int64_t>(m.height - 1, floorDivide(high - half, subpixels));
    const std::ptrdiff_t w = m.width;
    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        const std::int64_t centre = row * subpixels + half;
        std::int64_t left = 0;
        std::int64_t right = m.width - 1;
        for (std::size_t i = 0; i < 3 && left <= right; ++i) {
            const std::size_t j = (i + 1) % 3;
            const std::int64_t dx = x[j] - x[i];
            const std::int64_t dy = y[j] - y[i];
            // Inside lies to the left of the edge: at column k's centre,
            // dx (centre - y_i) - dy (16 k + 8 - x_i) = c - 16 dy k > 0.
            const std::int64_t c = dx * (centre - y[i]) - dy * (half - x[i]);
            if (dy < 0) {
                // Holds its centres: c + 16 |dy| k >= 0.
                left = std::max(left, -floorDivide(c, -subpixels * dy));
            } else if (dy > 0) {
                // Does not: 16 dy k < c.
                right = std::min(right, -floorDivide(-c, subpixels * dy) - 1);
            } else if (dx > 0 ? c < 0 : c <= 0) {
                right = -1;
            }
        }
        if (left > right) {
            continue;
        }
        std::uint8_t* at = m.pixels.data() + static_cast<std::ptrdiff_t>(row) * w;
        std::fill(at + left, at + right + 1, value);
        extend(b, true, static_cast<int>(left), static_cast<int>(right), static_cast<int>(row),
               static_cast<int>(row));
    }
}

// A parallelogram whose two ends run straight across one axis, as a wide
// line's quad does (corners 0 1 2 3: sides 0-1 and 3-2, ends 0-3 and 1-2):
// the pixels of its two triangles 0 1 2 and 0 2 3, found column by column
// (row by row) between its two sides. Any other quad is filled as the two
// triangles themselves.
void rasteriseQuad(Plane& m, const std::array<float, 8>& q, std::uint8_t value, Bounds& b) {
    const bool xMajor = q[0] == q[6] && q[2] == q[4];
    if (!xMajor && !(q[1] == q[7] && q[3] == q[5])) {
        rasteriseTriangle(m, {q[0], q[1], q[2], q[3], q[4], q[5]}, value, b);
        rasteriseTriangle(m, {q[0], q[1], q[4], q[5], q[6], q[7]}, value, b);
        return;
    }
    const std::size_t along = xMajor ? 0 : 1;
    const std::size_t across = 1 - along;
    // Each side's corners (along, across), in sixteenths.
    std::array<std::array<std::int64_t, 4>, 2> side{};
    const auto corner = [&](std::size_t k, std::int64_t* out) {
        out[0] = snapped(q[2 * k + along]);
        out[1] = snapped(q[2 * k + across]);
    };
    corner(0, &side[0][0]);
    corner(1, &side[0][2]);
    corner(3, &side[1][0]);
    corner(2, &side[1][2]);
    if (side[0][0] == side[0][2]) {
        return;  // no length
    }
    if (side[0][0] > side[0][2]) {
        for (auto& s : side) {
            std::swap(s[0], s[2]);
            std::swap(s[1], s[3]);
        }
    }
    if (side[0][1] > side[1][1]) {
        std::swap(side[0], side[1]);
    }
    const std::int64_t half = subpixels / 2;
    const int alongLimit = xMajor ? m.width : m.height;
    const int acrossLimit = xMajor ? m.height : m.width;
    const std::int64_t first =
        std::max<std::int64_t>(0, (side[0][0] - half + subpixels - 1) >> subpixelShift);
    const std::int64_t end =
        std::min<std::int64_t>(alongLimit, (side[0][2] - half + subpixels - 1) >> subpixelShift);
    if (first >= end) {
        return;
    }
    // Going round counterclockwise, the lower side runs along the major axis
    // and the upper one back: along x a side holds its centres when it runs
    // down or, level, to the right; along y the side at lower x always does,
    // the other never.
    const bool lowerHolds = xMajor ? side[0][3] <= side[0][1] : true;
    const bool upperHolds = xMajor ? side[1][3] > side[1][1] : false;
    SideWalk lower(side[0][0], side[0][1], side[0][2], side[0][3], first, lowerHolds);
    SideWalk upper(side[1][0], side[1][1], side[1][2], side[1][3], first, upperHolds);
    const std::ptrdiff_t w = m.width;
    const std::ptrdiff_t alongStep = xMajor ? 1 : w;
    const std::ptrdiff_t acrossStep = xMajor ? w : 1;
    const std::int64_t apart = side[1][1] - side[0][1];
    if (apart == side[1][3] - side[0][3] && apart % subpixels == 0 &&
        std::min(side[0][1], side[0][3]) >= subpixels &&
        std::max(side[1][1], side[1][3]) + subpixels <= acrossLimit * subpixels) {
        // Sides a whole number of pixels apart, inside the window across: of
        // a centre on one side, the other holds the one the same pixels
        // away, so each column (row) has that many pixels from the first
        // above the lower side.
        const std::int64_t count = apart / subpixels;
        for (std::int64_t k = first; k < end; ++k) {
            std::uint8_t* p = m.pixels.data() + k * alongStep + lower.firstAbove() * acrossStep;
            for (std::int64_t j = 0; j < count; ++j) {
                p[j * acrossStep] = value;
            }
            lower.next();
        }
        extend(b, xMajor, static_cast<int>(first), static_cast<int>(end) - 1,
               static_cast<int>(std::min(side[0][1], side[0][3]) / subpixels) - 1,
               std::min(acrossLimit - 1,
                        static_cast<int>(std::max(side[1][1], side[1][3]) / subpixels) + 1));
        return;
    }
    fillBetween(m, lower, upper, xMajor, first, end, value, b);
}

}  // namespace gllayer
