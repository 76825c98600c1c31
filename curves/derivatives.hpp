#pragma once

// The first and second derivatives of the four curves, from the same float
// points, parameters and settings that their drawing uses, worked out in
// double; the derivative (hodograph) control points of the Bezier and
// B-spline curves; and the signed curvature of a plane curve.

#include <array>
#include <optional>

#include "curves/bspline.hpp"
#include "curves/geometry.hpp"
#include "curves/rbf.hpp"

// A vector or point in window pixels, in double.
using Vector3 = std::array<double, dimension>;

// A curve at one parameter: its point, and its first and second derivatives
// with respect to the curve's own parameter (pixels per unit, per unit squared).
struct CurveJet {
    Vector3 point{};
    Vector3 first{};
    Vector3 second{};
};

// The hodograph of a Bezier curve of count points: the count - 1 control
// points (count - 1) (P(i+1) - P(i)) of its derivative, a Bezier curve of one
// degree less, into out. Returns how many were written (0 for count outside 2..128).
int bezierHodograph(const Point3* points, int count, Vector3* out);

// The Bezier curve of points[0..count-1] at x in [0, 1] and its derivatives,
// as the Bernstein sums of the points, of the hodograph and of the
// hodograph's hodograph (forward differences of the float points are exact
// in double, and the weights are positive, so the sums do not cancel). All
// zero for count outside 1..128; the derivatives of a single point are zero.
CurveJet bezierJet(const Point3* points, int count, double x);

// The derivative of a B-spline of degree d over knots t: the B-spline of
// degree d - 1 over t[1 .. knotCount - 2] with the n - 1 control points
// d (P(i+1) - P(i)) / (t(i+d+1) - t(i+1)). Where t(i+d+1) = t(i+1) the basis
// function N(i+1, d-1) that point would weigh has a support of zero length
// and is zero everywhere: the point contributes nothing and is written as the
// zero vector. Returns how many points were written (n - 1), 0 unless the
// curve is defined with d >= 1.
int bsplineHodograph(const BsplineView& curve, Vector3* out);

// Which side of a knot the derivatives are taken from: at an interior knot of
// multiplicity m the d - m + 1'st derivative jumps, and the two pieces that
// meet there each have their own limit.
enum class KnotSide : int { Right = 0, Left = 1 };

// The B-spline at u of its domain and its derivatives, from the piece on the
// given side of u when u is a knot (from the left at the domain's right end,
// from the right at its left end, whatever side is asked). The first and
// second derivatives are the derivative B-splines of degrees d - 1 and d - 2
// (see bsplineHodograph), their basis values the lower levels of the same de
// Boor triangle. Zero derivatives beyond the degree (d = 0, d = 1). All zero
// unless the curve is defined, its knots are non-decreasing and u lies in the domain.
CurveJet bsplineJet(const BsplineView& curve, float u, KnotSide side);

// The interpolating polynomial through points[0..n-1] at the distinct nodes
// t[0..n-1] at u, and its derivatives, from the barycentric weights w[0..n-1]
// of the nodes that the drawn curve uses (lagrangeBarycentricWeights, worked
// out once for all parameters): away from the nodes by the divided
// differences p[u, t_j] = (p(u) - P_j) / (u - t_j) in the second barycentric form,
//   p'(u) = sum_j v_j p[u, t_j] / sum_j v_j, v_j = w_j / (u - t_j),
//   p''(u) = 2 sum_j v_j (p'(u) - p[u, t_j]) / (u - t_j) / sum_j v_j;
// on a node t_k by the differentiation matrices of the cardinal polynomials,
//   l_j'(t_k) = (w_j / w_k) / (t_k - t_j),
//   l_j''(t_k) = 2 l_j'(t_k) (l_k'(t_k) - 1 / (t_k - t_j)), j != k,
// with l_k' and l_k'' at t_k the negated sums of the others (the cardinals sum
// to 1). All zero for n outside 1..128.
CurveJet lagrangeJet(const Point3* points, const float* t, const double* w, int n, float u);

// phi(x) of the basis kind and its first and second derivatives in x:
// mq1 phi' = x / phi, phi'' = c^2 r^2 / phi^3; mq3 phi' = 3 x s,
// phi'' = 3 (2 x^2 + c^2 r^2) / s with s = sqrt(x^2 + c^2 r^2); gs phi' = -2 r x phi,
// phi'' = (4 r^2 x^2 - 2 r) phi. Where mq1 or mq3 have r = 0 the derivatives
// at x = 0 are not finite: NaN or infinity, as the arithmetic gives.
std::array<double, 3> rbfBasisDerivatives(BasisKind kind, double x, float r);

// The RBF interpolant at u from the coefficients over centres[0..n-1] and its
// derivatives: the polynomial part's and the basis functions' derivatives,
// the distances u - t_i taken in double. All zero unless the system fits.
CurveJet rbfJet(const RbfCoefficients& coefficients, const float* centres, int n, int degree,
                BasisKind kind, float shape, float u);

// Signed curvature (x'y'' - y'x'') / (x'^2 + y'^2)^(3/2) of a plane curve
// from its first and second derivatives; nothing where the speed is at most
// minimumSpeed (a cusp or a degenerate piece has no curvature).
std::optional<double> signedCurvature(const std::array<double, 2>& first,
                                      const std::array<double, 2>& second, double minimumSpeed);
