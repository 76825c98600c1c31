#pragma once

// Degree elevation and least-squares degree reduction of Bezier polygons.

#include "curves/geometry.hpp"

// Writes to out the count + 1 points of the same Bezier curve one degree
// higher and returns count + 1; returns 0 and writes nothing when count <= 0
// or the raised polygon would not stay below capacity (count + 1 >= 128).
// out must not overlap points.
int elevateDegree(const Point3* points, int count, Point3* out);

// Writes to out the count - 1 points of the Bezier curve one degree lower
// that is closest to that of points[0..count-1] in the least-squares sense
// with weight (4t(1-t))^alpha, alpha > -1. Nothing when count < 3 or > 128.
void reduceDegree(const Point3* points, int count, double alpha, Point3* out);

// The reduction's weight (4t(1-t))^alpha at t in [0, 1]: infinite at the ends
// for alpha < 0, 0 there for alpha > 0.
double reductionWeight(double alpha, double t);

// The reduction's error at x: the distance in pixels between the Bezier curve
// of points[0..count-1] and that of reduced[0..count-2], each point as
// evalBezier gives it (so at x = k/128, the distance between the drawn
// samples). 0 for count < 3 or > 128.
double reductionError(const Point3* points, int count, const Point3* reduced, float x);
