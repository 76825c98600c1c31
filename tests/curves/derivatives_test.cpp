#include "curves/derivatives.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "curves/lagrange.hpp"
#include "support/rbf_reference.hpp"

namespace {

using LongVector = std::array<long double, 3>;
using LongCurve = std::function<LongVector(long double)>;

// A curve's first and second derivative by long-double central differences.
std::array<LongVector, 2> centralDifferences(const LongCurve& f, long double u, long double h) {
    const LongVector a = f(u - h);
    const LongVector b = f(u);
    const LongVector c = f(u + h);
    std::array<LongVector, 2> d{};
    for (int k = 0; k < 3; ++k) {
        d[0][k] = (c[k] - a[k]) / (2 * h);
        d[1][k] = (c[k] - 2 * b[k] + a[k]) / (h * h);
    }
    return d;
}

// Largest coordinate difference relative to the larger vector's size (at least 1).
double relative(const Vector3& got, const LongVector& want) {
    long double size = 1;
    long double worst = 0;
    for (int k = 0; k < 3; ++k) {
        size = std::max(size, std::fabs(want[k]));
        worst = std::max(worst, std::fabs(static_cast<long double>(got[k]) - want[k]));
    }
    return static_cast<double>(worst / size);
}

// De Casteljau's scheme in long double.
LongVector bezierReference(const std::vector<Point3>& p, long double x) {
    std::vector<LongVector> q;
    for (const Point3& v : p) {
        q.push_back({v.x, v.y, v.z});
    }
    for (size_t level = 1; level < p.size(); ++level) {
        for (size_t j = 0; j + level < p.size(); ++j) {
            for (int k = 0; k < 3; ++k) {
                q[j][k] = (1 - x) * q[j][k] + x * q[j + 1][k];
            }
        }
    }
    return q[0];
}

// The Cox-de Boor recursion in long double, half-open spans.
long double basisReference(const std::vector<float>& t, int i, int order, long double u) {
    if (order == 1) {
        return t[i] <= u && u < t[i + 1] ? 1 : 0;
    }
    long double value = 0;
    if (t[i + order - 1] != t[i]) {
        value += (u - t[i]) / (static_cast<long double>(t[i + order - 1]) - t[i]) *
                 basisReference(t, i, order - 1, u);
    }
    if (t[i + order] != t[i + 1]) {
        value += (static_cast<long double>(t[i + order]) - u) /
                 (static_cast<long double>(t[i + order]) - t[i + 1]) *
                 basisReference(t, i + 1, order - 1, u);
    }
    return value;
}

LongVector bsplineReference(const std::vector<Point3>& p, const std::vector<float>& t, int d,
                            long double u) {
    LongVector out{};
    for (size_t i = 0; i < p.size(); ++i) {
        const long double b = basisReference(t, static_cast<int>(i), d + 1, u);
        out[0] += b * p[i].x;
        out[1] += b * p[i].y;
        out[2] += b * p[i].z;
    }
    return out;
}

const std::vector<Point3> polygon = {{120, 420, 3},  {220, 180, -40}, {380, 470, 17},
                                     {520, 150, 60}, {650, 400, -9},  {720, 250, 25},
                                     {610, 90, 0},   {300, 60, -30}};

std::vector<Point3> firstPoints(int n) {
    return {polygon.begin(), polygon.begin() + n};
}

}  // namespace

// The parabola through (0, 0), (1, 2), (2, 0) as a quadratic Bezier curve,
// scaled into pixels: at its middle x' = 2s, y'' = -8s, so it turns
// clockwise with curvature 2 / s; its hodograph is 2 (1, 2), 2 (1, -2).
TEST(Derivatives, QuadraticBezierByHand) {
    const float s = 100.0f;
    const Point3 p[] = {{0, 0, 0}, {s, 2 * s, 0}, {2 * s, 0, 0}};
    const CurveJet jet = bezierJet(p, 3, 0.5);
    EXPECT_DOUBLE_EQ(jet.point[0], s);
    EXPECT_DOUBLE_EQ(jet.point[1], s);
    EXPECT_DOUBLE_EQ(jet.first[0], 2 * s);
    EXPECT_DOUBLE_EQ(jet.second[1], -8 * s);
    const std::optional<double> kappa =
        signedCurvature({jet.first[0], jet.first[1]}, {jet.second[0], jet.second[1]}, 0.0);
    ASSERT_TRUE(kappa.has_value());
    EXPECT_NEAR(*kappa * s, -2.0, 1e-12);

    Vector3 h[2];
    ASSERT_EQ(bezierHodograph(p, 3, h), 2);
    EXPECT_EQ(h[0], (Vector3{2 * s, 4 * s, 0}));
    EXPECT_EQ(h[1], (Vector3{2 * s, -4 * s, 0}));

    // A cusp: the speed vanishes, and so does the curvature's definition.
    const Point3 cusp[] = {{0, 0, 0}, {100, 100, 0}, {0, 100, 0}, {100, 0, 0}};
    const CurveJet at = bezierJet(cusp, 4, 0.5);
    EXPECT_FALSE(signedCurvature({at.first[0], at.first[1]}, {at.second[0], at.second[1]}, 1e-9));
}

// Bezier curves of 2 to 8 points against long-double central differences of
// de Casteljau's scheme, at the ends and inside.
TEST(Derivatives, BezierAgainstCentralDifferences) {
    for (int n = 2; n <= 8; ++n) {
        const std::vector<Point3> p = firstPoints(n);
        for (const double x : {0.0, 0.01, 0.3, 0.5, 0.77, 1.0}) {
            const auto d =
                centralDifferences([&](long double v) { return bezierReference(p, v); }, x, 1e-5L);
            const CurveJet jet = bezierJet(p.data(), n, x);
            EXPECT_LT(relative(jet.point, bezierReference(p, x)), 1e-12) << n << " at " << x;
            EXPECT_LT(relative(jet.first, d[0]), 1e-6) << n << " at " << x;
            EXPECT_LT(relative(jet.second, d[1]), 1e-6) << n << " at " << x;
        }
    }
}

// B-splines of degree 1 to 5 over knots with repeated, dragged (uneven) and
// inserted values, against central differences of the long-double
// recursion away from the knots; the hodograph against its formula.
TEST(Derivatives, BsplineAgainstCentralDifferences) {
    struct Case {
        int degree;
        std::vector<float> knots;
    };
    const std::vector<Case> cases = {
        {1, {0, 0, 1, 2, 3, 4, 5, 6, 7, 7}},
        {2, {0, 0, 0, 0.4f, 0.5f, 0.5f, 0.9f, 1, 1, 1, 1}},
        {3, {0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 5, 5}},
        {3, {0, 0, 0, 0, 0.13f, 0.6f, 0.6f, 0.61f, 1, 1, 1, 1}},
        {5, {0, 0, 0, 0, 0, 0, 0.25f, 0.7f, 1, 1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.knots.size()) - c.degree - 1;
        const std::vector<Point3> p = firstPoints(n);
        const BsplineView view{p.data(), n, c.knots.data(), static_cast<int>(c.knots.size()),
                               c.degree};
        const float lo = c.knots[c.degree];
        const float hi = c.knots[n];
        for (int k = 1; k < 40; ++k) {
            const float u = lo + (hi - lo) * static_cast<float>(k) / 40.0f;
            bool nearKnot = false;
            for (const float t : c.knots) {
                nearKnot = nearKnot || std::fabs(t - u) < 1e-3f;
            }
            if (nearKnot) {
                continue;
            }
            const auto d = centralDifferences(
                [&](long double v) { return bsplineReference(p, c.knots, c.degree, v); }, u, 1e-5L);
            const CurveJet jet = bsplineJet(view, u, KnotSide::Right);
            EXPECT_LT(relative(jet.point, bsplineReference(p, c.knots, c.degree, u)), 1e-12);
            EXPECT_LT(relative(jet.first, d[0]), 1e-6) << "degree " << c.degree << " at " << u;
            if (c.degree >= 2) {
                EXPECT_LT(relative(jet.second, d[1]), 1e-6) << "degree " << c.degree << " at " << u;
            }
        }
        std::vector<Vector3> h(static_cast<size_t>(n));
        ASSERT_EQ(bsplineHodograph(view, h.data()), n - 1);
        for (int i = 0; i + 1 < n; ++i) {
            const double width = static_cast<double>(c.knots[i + c.degree + 1]) - c.knots[i + 1];
            const double rise = static_cast<double>(p[i + 1].y) - p[i].y;
            const double want = c.degree * rise / width;
            EXPECT_NEAR(h[i][1], width == 0 ? 0.0 : want, 1e-9 * (1 + std::fabs(want)));
        }
    }
    // A support of zero length: knots 0.5 three times in a quadratic; its
    // control point is nothing.
    const std::vector<float> t = {0, 0, 0, 0.5f, 0.5f, 0.5f, 1, 1, 1};
    const std::vector<Point3> p = firstPoints(6);
    const BsplineView view{p.data(), 6, t.data(), 9, 2};
    Vector3 h[5];
    ASSERT_EQ(bsplineHodograph(view, h), 5);
    EXPECT_EQ(h[2], (Vector3{0, 0, 0}));
    EXPECT_DOUBLE_EQ(h[1][0], 2.0 * (p[2].x - p[1].x) / 0.5);
}

// At an interior knot of multiplicity m a cubic is C^(3-m): the two sides'
// derivatives of order up to 3 - m agree, the next one jumps (for this
// polygon). The left side is the limit of the curve from below.
TEST(Derivatives, BsplineSidesOfAKnot) {
    const std::vector<Point3> p = firstPoints(8);
    for (int m = 1; m <= 4; ++m) {
        std::vector<float> t = {0, 0, 0, 0};
        for (int j = 0; j < 4 - m; ++j) {
            t.push_back(0.2f + 0.05f * static_cast<float>(j));
        }
        for (int j = 0; j < m; ++j) {
            t.push_back(0.5f);
        }
        t.insert(t.end(), {1, 1, 1, 1});
        const BsplineView view{p.data(), 8, t.data(), 12, 3};
        const CurveJet left = bsplineJet(view, 0.5f, KnotSide::Left);
        const CurveJet right = bsplineJet(view, 0.5f, KnotSide::Right);
        const std::array<const Vector3*, 3> l = {&left.point, &left.first, &left.second};
        const std::array<const Vector3*, 3> r = {&right.point, &right.first, &right.second};
        for (int order = 0; order < 3; ++order) {
            double jump = 0;
            for (int c = 0; c < 3; ++c) {
                jump = std::max(jump, std::fabs((*l[order])[c] - (*r[order])[c]));
            }
            if (order <= 3 - m) {
                EXPECT_LT(jump, 1e-6 * (1 + std::fabs((*l[order])[0])))
                    << "m " << m << " order " << order;
            } else {
                EXPECT_GT(jump, 1.0) << "m " << m << " order " << order;
            }
        }
        const float below = std::nextafter(0.5f, 0.0f);
        const CurveJet limit = bsplineJet(view, below, KnotSide::Right);
        EXPECT_LT(relative(left.first, {limit.first[0], limit.first[1], limit.first[2]}), 1e-5);
    }
}

// Lagrange: the product form of the cardinals in long double, differentiated
// by their logarithmic derivatives, l' = l S1, l'' = l (S1^2 - S2) with
// S1 = sum 1 / (u - t_m), S2 = sum 1 / (u - t_m)^2; on the nodes by central
// differences of the product form.
TEST(Derivatives, LagrangeAgainstLongDouble) {
    const std::vector<std::vector<float>> nodeSets = {
        {0, 1, 2}, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 0.1f, 0.45f, 0.5f, 0.93f, 1}};
    for (const std::vector<float>& t : nodeSets) {
        const int n = static_cast<int>(t.size());
        const std::vector<Point3> p = firstPoints(n);
        std::vector<double> w(t.size());
        lagrangeBarycentricWeights(t.data(), n, w.data());
        const LongCurve product = [&](long double u) {
            LongVector out{};
            for (int j = 0; j < n; ++j) {
                long double l = 1;
                for (int m = 0; m < n; ++m) {
                    if (m != j) {
                        l *= (u - t[m]) / (static_cast<long double>(t[j]) - t[m]);
                    }
                }
                out[0] += l * p[j].x;
                out[1] += l * p[j].y;
                out[2] += l * p[j].z;
            }
            return out;
        };
        for (int k = 0; k <= 16; ++k) {
            const float u = t[0] + (t[n - 1] - t[0]) * static_cast<float>(k) / 16.0f;
            const CurveJet jet = lagrangeJet(p.data(), t.data(), w.data(), n, u);
            std::array<LongVector, 2> want{};
            bool onNode = false;
            for (const float node : t) {
                onNode = onNode || node == u;
            }
            if (onNode) {
                want = centralDifferences(product, u, 1e-5L);
            } else {
                for (int j = 0; j < n; ++j) {
                    long double l = 1;
                    long double s1 = 0;
                    long double s2 = 0;
                    for (int m = 0; m < n; ++m) {
                        if (m != j) {
                            const long double e = static_cast<long double>(u) - t[m];
                            l *= e / (static_cast<long double>(t[j]) - t[m]);
                            s1 += 1 / e;
                            s2 += 1 / (e * e);
                        }
                    }
                    for (int c = 0; c < 3; ++c) {
                        want[0][c] += l * s1 * p[j][c];
                        want[1][c] += l * (s1 * s1 - s2) * p[j][c];
                    }
                }
            }
            EXPECT_LT(relative(jet.point, product(u)), 1e-9) << n << " at " << u;
            EXPECT_LT(relative(jet.first, want[0]), 1e-6) << n << " at " << u;
            EXPECT_LT(relative(jet.second, want[1]), 1e-6) << n << " at " << u;
        }
    }
}

// RBF, every basis: the derivatives from the program's own solve against
// central differences of the long-double reference interpolant.
TEST(Derivatives, RbfAgainstLongDouble) {
    const std::vector<Point3> p = firstPoints(6);
    const std::vector<float> centres = {0, 1, 2, 3, 4, 5};
    const std::vector<long double> longCentres(centres.begin(), centres.end());
    for (const BasisKind kind : {BasisKind::Mq1, BasisKind::Mq3, BasisKind::Gaussian}) {
        for (const int degree : {0, 1, 2}) {
            RbfCoefficients coefficients{};
            ASSERT_EQ(solveRbf(p.data(), centres.data(), 6, degree, kind, 0.7f, coefficients),
                      RbfSolveStatus::Solved);
            const tvtest::RbfReference reference =
                tvtest::solveReference(longCentres, p.data(), degree, kind, 0.7f);
            ASSERT_TRUE(reference.solved);
            for (const float u : {0.0f, 0.3f, 1.0f, 2.5f, 4.96f, 5.0f}) {
                const auto d = centralDifferences(
                    [&](long double v) {
                        const tvtest::LongPoint q = reference.at(v);
                        return LongVector{q[0], q[1], q[2]};
                    },
                    u, 1e-5L);
                const CurveJet jet = rbfJet(coefficients, centres.data(), 6, degree, kind, 0.7f, u);
                EXPECT_LT(relative(jet.first, d[0]), 1e-6)
                    << static_cast<int>(kind) << " degree " << degree << " at " << u;
                EXPECT_LT(relative(jet.second, d[1]), 1e-6)
                    << static_cast<int>(kind) << " degree " << degree << " at " << u;
            }
        }
    }
}
