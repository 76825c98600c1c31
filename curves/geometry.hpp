#pragma once

// The geometry every layer shares: points in window pixels and the fixed
// capacity of every polygon, knot list and table.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

// Capacity of every polygon, knot list, handle list and coefficient table.
constexpr int maxPoints = 128;
// Coordinates per point; every per-point copy or sum runs over x, y and z.
constexpr int dimension = 3;

// A point in window pixels: x to the right, y upwards from the lower-left
// corner; z is a depth that only shows when the view is rotated.
struct Point3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    // Coordinate c (0 = x, 1 = y, 2 = z).
    float& operator[](int c) { return c == 0 ? x : (c == 1 ? y : z); }
    float operator[](int c) const { return c == 0 ? x : (c == 1 ? y : z); }
};

// Whether two floats are the same bit for bit: -0 and 0 differ, a NaN equals its copy.
inline bool sameBits(float a, float b) {
    std::uint32_t ua = 0;
    std::uint32_t ub = 0;
    std::memcpy(&ua, &a, sizeof ua);
    std::memcpy(&ub, &b, sizeof ub);
    return ua == ub;
}

// Fixed-capacity polygon; the valid count is kept beside it.
using ControlPolygon = std::array<Point3, maxPoints>;

// The turn of the view: about the x axis, then about the y axis, through a
// centre in window pixels, as the display applies it to the whole scene.
struct ViewTurn {
    float centreX = 0.0f;  // window pixels
    float centreY = 0.0f;
    float degreesX = 0.0f;  // about the x axis
    float degreesY = 0.0f;  // about the y axis
};

// A vector (dx, dy, dz) as the turn shows it on the window: its x and y in
// pixels, y up, the depth dropped. The turn's linear part, in double.
inline std::array<double, 2> turnedVector(const ViewTurn& turn, double dx, double dy, double dz) {
    const double radian = std::acos(-1.0) / 180.0;
    const double ax = static_cast<double>(turn.degreesX) * radian;
    const double ay = static_cast<double>(turn.degreesY) * radian;
    // First about y (x and z mix), then about x (y and the new z mix).
    const double x1 = dx * std::cos(ay) + dz * std::sin(ay);
    const double z1 = -dx * std::sin(ay) + dz * std::cos(ay);
    return {x1, dy * std::cos(ax) - z1 * std::sin(ax)};
}

// Where the point p is drawn under the turn: window pixels, y up.
inline std::array<double, 2> turnedPosition(const ViewTurn& turn, const Point3& p) {
    const double cx = turn.centreX;
    const double cy = turn.centreY;
    const std::array<double, 2> v = turnedVector(turn, p.x - cx, p.y - cy, p.z);
    return {v[0] + cx, v[1] + cy};
}
