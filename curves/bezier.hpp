#pragma once

// Bezier curves in Bernstein form, their samples and the de Casteljau
// construction of one of their points.

#include <array>
#include <cstddef>

#include "curves/geometry.hpp"

// Samples of the drawn curve: 128 intervals over [0, 1], both ends included.
constexpr int bezierCurveSamples = 129;

// The curve points the drawing samples: out[k] = evalBezier(points, count,
// k / 128) for k = 0 .. 128, bit for bit. The Bernstein weights of the last
// two point counts are kept between calls. Nothing for count <= 0 or > 128.
void sampleBezierCurve(const Point3* points, int count, Point3* out);

// Bezier curve point of points[0..count-1] at x in [0, 1], Bernstein form.
Point3 evalBezier(const Point3* points, int count, float x);

// Binomial coefficient C(n, k) for 0 <= k <= n, in double precision.
double binomial(int n, int k);

// The Bernstein polynomials B(i, degree)(x) = C(degree, i) x^i (1 - x)^(degree - i)
// for i = 0 .. degree into values[0..degree], by de Casteljau's triangle of
// linear interpolations, which stays accurate at every degree. They are the
// weights of the points of a Bezier curve of degree + 1 points at x. Nothing
// for degree outside 0..127.
void bernsteinValues(int degree, double x, double* values);

// The de Casteljau construction at x: level 0 is the given polygon, level k
// (k = 1 .. count - 1) the count - k points of the k-th round of linear
// interpolation, the last level the curve point.
struct DeCasteljau {
    static constexpr int capacity = maxPoints * (maxPoints + 1) / 2;
    int count = 0;                        // points of level 0; 0: no construction
    std::array<Point3, capacity> points;  // the levels one after another

    // The count - k points of level k, 0 <= k < count.
    const Point3* level(int k) const {
        return &points[static_cast<std::size_t>(k * count - k * (k - 1) / 2)];
    }
    Point3 curvePoint() const { return *level(count - 1); }
};

// The construction for points[0..count-1] at x; empty (count 0) unless
// 0 < count <= 128 and 0 <= x <= 1.
DeCasteljau deCasteljau(const Point3* points, int count, float x);
