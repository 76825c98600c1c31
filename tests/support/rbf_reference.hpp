#pragma once

// Interpolation by radial basis functions worked out afresh in long double:
// its own basis formulas, its own elimination with partial pivoting, and none
// of the code in curves/ or subdivision/. The reference the RBF curve and the
// RBF subdivision steps are measured against.

#include <array>
#include <optional>
#include <vector>

#include "curves/geometry.hpp"
#include "curves/rbf.hpp"

namespace tvtest {

using LongPoint = std::array<long double, 3>;

// phi(x) of the basis kind with shape r: mq1 sqrt(x^2 + r^2), mq3 its cube,
// gs exp(-r x^2).
long double referencePhi(BasisKind kind, long double x, long double r);

// The interpolant s(u) = sum_a c_a u^a + sum_j b_j phi(u - t_j) through the
// points at the centres, with the moment conditions sum_j b_j t_j^a = 0.
struct RbfReference {
    std::vector<long double> centres;
    int degree = 0;
    BasisKind kind = BasisKind::Mq1;
    long double shape = 0;
    std::vector<LongPoint> coefficients;  // polynomial part first, then one weight per centre
    bool solved = false;                  // false: a pivot vanished (singular system)

    LongPoint at(long double u) const;
    // The value with each distance u - t[j] first rounded to float, as the
    // program hands distances to its basis function.
    LongPoint atFloatDistances(float u) const;
};

RbfReference solveReference(const std::vector<long double>& centres, const Point3* points,
                            int degree, BasisKind kind, float shape);

// Euclidean distance between a float point and a long-double one, in pixels.
double distance(const Point3& p, const LongPoint& q);

}  // namespace tvtest
