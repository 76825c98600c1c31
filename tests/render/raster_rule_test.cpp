// The page's own rasteriser (web/native/gl/raster.cpp) against the fill rule
// itself: triangles that share an edge share out its pixels, each to exactly
// one of them, and a wide line's quad, walked between its sides, gives the
// very pixels of its two triangles. Corners on sixteenths and halfway between
// them, and centres on edges, are the cases that decide.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "web/native/gl/raster.hpp"

using gllayer::Bounds;
using gllayer::Plane;

namespace {

Plane blank(int width, int height) {
    Plane p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<std::size_t>(width * height), 0);
    return p;
}

// A coordinate on a grid of thirty-seconds of a pixel, so that corners fall
// on sixteenths, halfway between them, and on pixel centres.
float onGrid(std::mt19937& random, float low, float high) {
    std::uniform_int_distribution<int> step(static_cast<int>(low * 32),
                                            static_cast<int>(high * 32));
    return static_cast<float>(step(random)) / 32.0f;
}

}  // namespace

TEST(RasterRule, TrianglesAroundAPointShareOutTheirPixels) {
    std::mt19937 random(7);
    for (int fan = 0; fan < 400; ++fan) {
        // Six triangles around a centre, each a sixth of the turn, either way
        // round, some of them outside the window.
        const float cx = onGrid(random, -4, 36);
        const float cy = onGrid(random, -4, 28);
        std::array<float, 12> ring{};
        const int corners = 6;
        for (int k = 0; k < corners; ++k) {
            const float r = onGrid(random, 2, 14);
            const float angle = 6.2831853f * static_cast<float>(k) / corners;
            ring[2 * k] = cx + r * std::cos(angle);
            ring[2 * k + 1] = cy + r * std::sin(angle);
        }
        Plane count = blank(32, 24);
        for (int k = 0; k < corners; ++k) {
            Plane one = blank(32, 24);
            Bounds b{32, -1, 24, -1};
            const bool reversed = (fan + k) % 2 == 1;
            const int next = (k + 1) % corners;
            const int i = reversed ? next : k;
            const int j = reversed ? k : next;
            gllayer::rasteriseTriangle(
                one, {cx, cy, ring[2 * i], ring[2 * i + 1], ring[2 * j], ring[2 * j + 1]}, 1, b);
            for (std::size_t p = 0; p < one.pixels.size(); ++p) {
                count.pixels[p] = static_cast<std::uint8_t>(count.pixels[p] + one.pixels[p]);
            }
        }
        // Worked out apart, in sixteenths: a centre inside the six triangles or
        // on an edge between two of them belongs to exactly one.
        const auto snap = [](float v) { return std::llrint(static_cast<double>(v) * 16.0); };
        const auto cross = [](long long ax, long long ay, long long bx, long long by, long long px,
                              long long py) {
            return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
        };
        for (std::size_t p = 0; p < count.pixels.size(); ++p) {
            const long long px = static_cast<long long>(p % 32) * 16 + 8;
            const long long py = static_cast<long long>(p / 32) * 16 + 8;
            bool inside = false;
            bool onRim = false;
            for (int k = 0; k < corners; ++k) {
                const int n = (k + 1) % corners;
                const long long ax = snap(cx), ay = snap(cy);
                const long long bx = snap(ring[2 * k]), by = snap(ring[2 * k + 1]);
                const long long dx = snap(ring[2 * n]), dy = snap(ring[2 * n + 1]);
                const long long e0 = cross(ax, ay, bx, by, px, py);
                const long long e1 = cross(bx, by, dx, dy, px, py);
                const long long e2 = cross(dx, dy, ax, ay, px, py);
                if (cross(ax, ay, bx, by, dx, dy) != 0 &&
                    ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0))) {
                    inside = true;
                    onRim = onRim || e1 == 0;
                }
            }
            if (inside && !onRim) {
                ASSERT_EQ(count.pixels[p], 1)
                    << "fan " << fan << ", pixel " << p % 32 << ", " << p / 32;
            } else {
                ASSERT_LE(count.pixels[p], 1) << "fan " << fan << ", pixel " << p % 32 << ", "
                                              << p / 32 << " taken by two triangles";
            }
        }
    }
}

TEST(RasterRule, AQuadWalkedIsItsTwoTriangles) {
    std::mt19937 random(11);
    for (int quad = 0; quad < 2000; ++quad) {
        // A wide line's quad: ends straight across its major axis, its sides
        // a whole number of pixels apart or not, inside the window or leaving it.
        const bool alongX = quad % 2 == 0;
        const float a0 = onGrid(random, -6, 38);
        const float a1 = onGrid(random, -6, 38);
        const float c0 = onGrid(random, -4, 28);
        const float c1 = quad % 3 == 1 ? c0 : onGrid(random, -4, 28);  // level, now and then
        const float wide = quad % 3 == 0 ? onGrid(random, 0, 4) : 3.0f;
        const float lowRise = quad % 5 == 0 ? onGrid(random, -1, 1) / 8 : 0.0f;
        std::array<float, 8> q{};
        const auto put = [&](int k, float along, float across) {
            q[static_cast<std::size_t>(2 * k)] = alongX ? along : across;
            q[static_cast<std::size_t>(2 * k + 1)] = alongX ? across : along;
        };
        put(0, a0, c0);
        put(1, a1, c1 + lowRise);
        put(2, a1, c1 + wide);
        put(3, a0, c0 + wide);
        Plane walked = blank(32, 24);
        Plane triangles = blank(32, 24);
        Bounds b{32, -1, 24, -1};
        gllayer::rasteriseQuad(walked, q, 1, b);
        Bounds t{32, -1, 24, -1};
        gllayer::rasteriseTriangle(triangles, {q[0], q[1], q[2], q[3], q[4], q[5]}, 1, t);
        gllayer::rasteriseTriangle(triangles, {q[0], q[1], q[4], q[5], q[6], q[7]}, 1, t);
        ASSERT_EQ(walked.pixels, triangles.pixels) << "quad " << quad;
        for (std::size_t p = 0; p < walked.pixels.size(); ++p) {
            if (walked.pixels[p] != 0) {
                const int x = static_cast<int>(p % 32);
                const int y = static_cast<int>(p / 32);
                ASSERT_TRUE(x >= b.left && x <= b.right && y >= b.bottom && y <= b.top)
                    << "quad " << quad << ": pixel outside its bounds";
            }
        }
    }
}
