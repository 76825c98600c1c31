#pragma once

// Interpolation by radial basis functions with a polynomial part, shared by
// the RBF curve and the RBF subdivision masks.

#include <array>

#include "curves/geometry.hpp"
#include "curves/named.hpp"

// Radial basis function; key b cycles through them.
enum class BasisKind : int { Mq1 = 0, Mq3 = 1, Gaussian = 2 };

// Each basis: its token in a link and its label on the page.
struct BasisRow {
    BasisKind value;
    std::string_view token;
    std::string_view label;
};
constexpr std::array<BasisRow, 3> basisRows = {{
    {BasisKind::Mq1, "mq1", "mq1"},
    {BasisKind::Mq3, "mq3", "mq3"},
    {BasisKind::Gaussian, "gs", "gs"},
}};
static_assert(rowsInOrder(basisRows), "one row per basis, in order");
constexpr int basisKindCount = static_cast<int>(basisRows.size());

// Factor c in the multiquadrics' x^2 + c^2 r^2.
constexpr float rbfBasisScale = 1.0f;

// Polynomial coefficients (degree + 1 rows), then one weight per centre. In
// double: an ill-conditioned system has large coefficients that cancel, and
// single precision would lose the curve they make.
using RbfCoefficients = std::array<std::array<double, dimension>, maxPoints>;

// What a solve of the interpolation gave. Only a solved system has a curve.
enum class RbfSolveStatus : int {
    Solved = 0,
    NoRoom = 1,         // n + d + 1 unknowns do not fit the 128 rows of the store
    TooFewCentres = 2,  // d + 1 > n: more monomials than centres, no unique interpolant
    Singular = 3,       // the solver found no pivot (repeated centres, a flat basis)
    Inexact = 4,        // the solved curve misses one of its own points by more than rbfTolerance
};

// Largest distance in pixels between a data point and the solved curve at
// its centre for which the curve counts as interpolating.
constexpr double rbfTolerance = 0.01;

// phi(x) for the basis kind with shape r: mq1 sqrt(x^2 + c^2 r^2),
// mq3 (x^2 + c^2 r^2)^1.5, gs exp(-r x^2), c = rbfBasisScale.
double rbfBasis(BasisKind kind, float x, float r);

// True when n centres with a polynomial part of the given degree give a system
// whose n + degree + 1 unknowns fit the 128 rows of the coefficient store.
bool rbfSystemFits(int n, int degree);

// Fills the one-based (count + degree + 1)-square matrix a (zero-filled) with
// the system of interpolation at centres[0..count-1] by a polynomial of the
// given degree plus one basis function per centre: polynomial rows and
// columns first, then one row per centre.
void fillRbfSystem(double** a, const float* centres, int count, int degree, BasisKind kind,
                   float shape);

// Solves the interpolation of points[0..n-1] at centres[0..n-1] into
// coefficients (polynomial rows first) and checks the interpolation
// conditions against the points. Leaves the coefficients unchanged unless the
// system fits. The inverse of the system matrix is kept between calls while
// the centres, degree, basis and shape stay the same, so new points only multiply.
RbfSolveStatus solveRbf(const Point3* points, const float* centres, int n, int degree,
                        BasisKind kind, float shape, RbfCoefficients& coefficients);

// Interpolant value at u from the coefficients over centres[0..n-1], summed
// in double and rounded once; (0, 0, 0) unless the system fits.
Point3 evalRbf(const RbfCoefficients& coefficients, const float* centres, int n, int degree,
               BasisKind kind, float shape, float u);

// The cardinal functions of the interpolation at u: values[j] for j = 0 ..
// n - 1 is the interpolant of the data that is 1 at centre j and 0 at the
// others, polynomial part included, from the inverse of the system that
// solveRbf uses (kept between calls); the curve is the sum of the points times
// these values. Returns false and writes nothing when the system does not fit,
// has more monomials than centres or is singular.
bool rbfCardinals(const float* centres, int n, int degree, BasisKind kind, float shape, float u,
                  double* values);
