#pragma once

#include "app/state.hpp"

// Draws the Bezier curve of points[0..count-1] in the current colour (129
// samples over [0, 1]), sets animParamValue = animT and draws the de Casteljau
// construction there. Nothing for count <= 0 or count > 128.
void drawBezierCurve(const Point3* points, int count);

// Samples of the drawn curve: 128 intervals over [0, 1], both ends included.
constexpr int bezierCurveSamples = 129;

// The curve points the drawing samples: out[k] = evalBezier(points, count,
// k / 128) for k = 0 .. 128, bit for bit. The Bernstein weights of the last
// two point counts are kept between calls. Nothing for count <= 0 or > 128.
void sampleBezierCurve(const Point3* points, int count, Point3* out);

// Bezier curve point of points[0..count-1] at x in [0, 1], Bernstein form.
Point3 evalBezier(const Point3* points, int count, float x);

// Draws the de Casteljau polygons at x (using workPolygon) and a marker at the
// curve point; nothing when x is outside [0, 1].
void drawDeCasteljau(const Point3* points, int count, float x);

// Binomial coefficient C(n, k) for 0 <= k <= n, in double precision.
double binomial(int n, int k);
