#pragma once

// The geometry every layer shares: points in window pixels and the fixed
// capacity of every polygon, knot list and table.

#include <array>

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

// Fixed-capacity polygon; the valid count is kept beside it.
using ControlPolygon = std::array<Point3, maxPoints>;
