#pragma once

// Knot insertion into a B-spline by Boehm's rule.

#include <array>
#include <optional>

#include "curves/geometry.hpp"

// The B-spline after one insertion: one more control point and one more knot.
struct KnotInsertion {
    ControlPolygon points{};
    int pointCount = 0;
    std::array<float, maxPoints> knots{};
    int knotCount = 0;
};

// Inserts a second copy of knots[index] into the B-spline of the given degree
// with control points points[0..n-1] over knots[0..m-1]: the new knot follows
// the old copy, and the curve stays the same. Nothing (std::nullopt) unless
// degree + 1 <= index <= n, index + degree <= m - 1, and both lists have room
// for one more entry.
std::optional<KnotInsertion> insertKnot(const Point3* points, int n, const float* knots, int m,
                                        int degree, int index);
