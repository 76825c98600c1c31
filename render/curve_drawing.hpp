#pragma once

// Drawing of the curves and their constructions from the pure results of
// curves/. Each drawer takes what it shows as arguments; colours that a
// drawer leaves behind are part of the picture (later primitives inherit them).

#include <array>

#include "curves/bezier.hpp"
#include "curves/bspline.hpp"
#include "curves/geometry.hpp"
#include "curves/lagrange.hpp"
#include "curves/rbf.hpp"

// The interpolating polynomial through points[0..n-1] at nodes t[0..n-1] in
// (0.3, 0, 0) (129 samples), then Neville's construction at u. Nothing at all
// for n <= 0, n > 128 or two equal nodes.
void drawLagrangeCurve(const Point3* points, const float* t, int n, float u);

// The steps of a Neville construction in order: segments in the current
// colour, markers (which leave blue current for the steps after them).
void drawNevilleConstruction(const NevilleConstruction& construction);

// The Bezier curve of points[0..count-1] in the current colour (129 samples
// over [0, 1]), then the de Casteljau construction at x. Nothing for
// count <= 0 or count > 128; no construction for x outside [0, 1].
void drawBezierCurve(const Point3* points, int count, float x);

// Levels 1 .. count - 1 of a de Casteljau construction, one GL_LINES primitive
// each in the current colour, then a marker at the curve point.
void drawDeCasteljau(const DeCasteljau& construction);

// The B-spline in (0.3, 0, 0) (128 samples of the domain, its far end not
// sampled), then the animation marker at u. Nothing unless the curve is defined.
void drawBsplineCurve(const BsplineView& curve, float u);

// Marker at the curve point for u when u lies strictly inside the domain of a
// defined curve; nothing otherwise.
void drawBsplineMarker(const BsplineView& curve, float u);

// The interpolant of the coefficients over centres[0..n-1] in (0.3, 0, 0): 129
// samples of the centre range. Nothing for n <= 0 or a system that does not fit.
void drawRbfCurve(const RbfCoefficients& coefficients, const float* centres, int n, int degree,
                  BasisKind kind, float shape);

// The comparison polygon in red, its Bezier curve with the construction at x,
// and a highlighted marker on each of its points (red current after).
// Nothing for count <= 0.
void drawComparisonPolygon(const Point3* points, int count, float x);

// The family of reduced polygons family[0..rows-1], each of count points: per
// row, in graded reds at width 0.5, its polygon and its Bezier curve with the
// construction at x; then one segment per point between the first and last
// row in one primitive; width 3 after.
void drawFamily(const ControlPolygon* family, int rows, int count, float x);
