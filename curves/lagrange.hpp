#pragma once

// The interpolating polynomial through points at given nodes, its samples and
// Neville's construction of one of its points.

#include <array>

#include "curves/geometry.hpp"

// Samples of the drawn curve: 128 intervals over the node range, both ends included.
constexpr int lagrangeCurveSamples = 129;

// True when no two of the nodes t[0..n-1] are equal; only then is there an
// interpolating polynomial.
bool nodesDistinct(const float* t, int n);

// The parameter of animation time animT over the nodes: t[0] + (t[n-1] - t[0]) animT.
// n must be 1..128.
float lagrangeParameter(const float* t, int n, float animT);

// Value at u of the polynomial through points[0..n-1] at nodes t[0..n-1] (the
// nodes must be distinct); (0, 0, 0) for n <= 0 or n > 128.
Point3 evalLagrange(const Point3* points, const float* t, int n, float u);

// The curve points the drawing samples: out[k] = the interpolating polynomial
// at t[0] + (t[n-1] - t[0]) * k / 128 for k = 0 .. 128, from Lagrange weights
// in the barycentric form, in double (O(n^2) per node set, O(n) per sample),
// summed in double; a sample on a node is that node's point. The weights are
// kept between calls while the nodes stay the same. Nothing for n <= 0 or
// n > 128; the nodes must be distinct.
void sampleLagrangeCurve(const Point3* points, const float* t, int n, Point3* out);

// The barycentric weights w[j] of the nodes t[0..n-1], as the drawn curve's
// samples use them: 1 / prod over m != j of c (t[j] - t[m]), for a power of
// two c near 4 / (spread of the nodes) that keeps the products in range; only
// their ratios matter. Nothing for n outside 1..128 or nodes that are not distinct.
void lagrangeBarycentricWeights(const float* t, int n, double* w);

// The cardinal polynomials of the nodes t[0..n-1] at u: values[j] = l_j(u) =
// prod over m != j of (u - t[m]) / (t[j] - t[m]), 1 at node j and 0 at the
// others, in the barycentric form the curve's samples use. Nothing for n
// outside 1..128 or nodes that are not distinct.
void lagrangeCardinals(const float* t, int n, float u, double* values);

// The cardinal polynomials at the curve's samples, exactly the weights the
// drawn curve gives each point: values[j * 129 + k] = l_j at the parameter of
// sample k of sampleLagrangeCurve. Nothing as above.
void sampleLagrangeCardinals(const float* t, int n, double* values);

// One step of a construction as it is shown: a segment from a to b, or a
// marker at a.
struct ConstructionStep {
    bool marker = false;
    Point3 a;
    Point3 b;
};

// Neville's construction at u, in the order it is shown. Three points: the two
// lines through neighbours extended to the third node, then the segment of
// their blends at u and the curve point. Four points: the three lines through
// neighbours over the whole node range, then each of the two quadratics' and
// the cubic's segment followed by its point at u. Other counts: the curve
// point alone.
struct NevilleConstruction {
    static constexpr int capacity = 9;
    int stepCount = 0;  // 0: nothing to show
    std::array<ConstructionStep, capacity> steps{};
    Point3 curvePoint;
};

// The construction at u for points[0..n-1] at nodes t[0..n-1]; empty unless
// 0 < n <= 128, the nodes are distinct and 0 <= u <= t[n-1].
NevilleConstruction nevilleConstruction(const Point3* points, const float* t, int n, float u);
