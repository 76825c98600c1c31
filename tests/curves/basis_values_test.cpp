// The functions each curve is made of, as the page plots them, against
// their definitions worked out independently in long double and against the
// curves themselves: the curve point is the sum of the control points times
// the plotted values.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "curves/bezier.hpp"
#include "curves/bspline.hpp"
#include "curves/degree.hpp"
#include "curves/lagrange.hpp"
#include "curves/rbf.hpp"
#include "support/rbf_reference.hpp"

namespace {

constexpr double exact = 1e-6;

long double choose(int n, int k) {
    long double c = 1;
    for (int j = 1; j <= k; ++j) {
        c = c * (n - k + j) / j;
    }
    return c;
}

// Cox-de Boor's recursion as written in the textbooks, in long double, over
// half-open spans; at the end of the domain or of the list the spans are
// closed on the right instead, for the limits from the left.
long double coxDeBoor(const std::vector<float>& t, int n, int i, int d, long double u) {
    if (d == 0) {
        const long double lo = t[static_cast<size_t>(i)];
        const long double hi = t[static_cast<size_t>(i) + 1];
        const bool fromTheLeft = u == t[static_cast<size_t>(n)] || u == t.back();
        return (fromTheLeft ? lo < u && u <= hi : lo <= u && u < hi) ? 1 : 0;
    }
    long double value = 0;
    const long double ti = t[static_cast<size_t>(i)];
    const long double tid = t[static_cast<size_t>(i + d)];
    const long double ti1 = t[static_cast<size_t>(i + 1)];
    const long double tid1 = t[static_cast<size_t>(i + d + 1)];
    if (tid != ti) {
        value += (u - ti) / (tid - ti) * coxDeBoor(t, n, i, d - 1, u);
    }
    if (tid1 != ti1) {
        value += (tid1 - u) / (tid1 - ti1) * coxDeBoor(t, n, i + 1, d - 1, u);
    }
    return value;
}

std::vector<Point3> wavy(int n) {
    std::vector<Point3> p;
    for (int i = 0; i < n; ++i) {
        p.push_back({static_cast<float>(40 + (720 * i) / std::max(1, n - 1)),
                     static_cast<float>(300 + 200 * std::sin(0.9 * i)),
                     static_cast<float>((i * 53) % 200 - 100)});
    }
    return p;
}

void expectSumIsPoint(const std::vector<Point3>& p, const std::vector<double>& values,
                      const Point3& curve, double tolerance, const char* what) {
    for (int c = 0; c < dimension; ++c) {
        long double sum = 0;
        for (size_t i = 0; i < p.size(); ++i) {
            sum += static_cast<long double>(values[i]) * p[i][c];
        }
        EXPECT_NEAR(static_cast<double>(sum), curve[c], tolerance) << what << " coordinate " << c;
    }
}

TEST(BasisValues, BernsteinIsTheClosedFormAndWeighsTheCurve) {
    for (int degree : {0, 1, 3, 10, 40, 127}) {
        std::vector<double> b(static_cast<size_t>(degree) + 1);
        const std::vector<Point3> p = wavy(degree + 1);
        for (double x : {0.0, 0.125, 1.0 / 3.0, 0.5, 0.71875, 1.0}) {
            bernsteinValues(degree, x, b.data());
            long double sum = 0;
            for (int i = 0; i <= degree; ++i) {
                const long double want = choose(degree, i) *
                                         std::pow(static_cast<long double>(x), i) *
                                         std::pow(1.0L - x, degree - i);
                EXPECT_NEAR(b[static_cast<size_t>(i)], static_cast<double>(want), exact)
                    << degree << " " << i << " at " << x;
                sum += b[static_cast<size_t>(i)];
            }
            EXPECT_NEAR(static_cast<double>(sum), 1.0, exact);
            expectSumIsPoint(p, b, evalBezier(p.data(), degree + 1, static_cast<float>(x)), 1e-3,
                             "Bezier");
        }
    }
}

TEST(BasisValues, BsplineBasisIsTheRecursionOnItsSupport) {
    struct Case {
        int n, d;
        std::vector<float> knots;  // empty: clamped uniform
    };
    const Case cases[] = {
        {6, 3, {}},
        {9, 2, {0, 0.1f, 0.1f, 0.25f, 0.5f, 0.5f, 0.5f, 0.6f, 0.8f, 0.9f, 0.95f, 1}},
        {7, 0, {}},
        {12,
         5,
         {0, 0.05f, 0.1f, 0.2f, 0.3f, 0.35f, 0.4f, 0.5f, 0.55f, 0.6f, 0.7f, 0.75f, 0.8f, 0.85f,
          0.9f, 0.95f, 0.97f, 1}},
    };
    for (const Case& c : cases) {
        std::vector<float> t = c.knots;
        if (t.empty()) {
            for (int i = 0; i < c.n + c.d + 1; ++i) {
                t.push_back(static_cast<float>(std::min(std::max(i - c.d, 0), c.n - c.d)));
            }
        }
        ASSERT_EQ(static_cast<int>(t.size()), c.n + c.d + 1);
        const std::vector<Point3> p = wavy(c.n);
        const BsplineView curve{p.data(), c.n, t.data(), static_cast<int>(t.size()), c.d};
        std::vector<double> values(static_cast<size_t>(c.n));
        const float lo = t.front();
        const float hi = t.back();
        std::vector<float> parameters(t);  // every knot, and between them
        for (int k = 0; k <= 200; ++k) {
            parameters.push_back(lo + (hi - lo) * static_cast<float>(k) / 200.0f);
        }
        for (float u : parameters) {
            bsplineBasisValues(curve, u, values.data());
            const bool inDomain =
                u >= t[static_cast<size_t>(c.d)] && u <= t[static_cast<size_t>(c.n)];
            double sum = 0;
            for (int i = 0; i < c.n; ++i) {
                const double v = values[static_cast<size_t>(i)];
                EXPECT_NEAR(v, static_cast<double>(coxDeBoor(t, c.n, i, c.d, u)), exact)
                    << c.n << " " << c.d << " N" << i << " at " << u;
                EXPECT_GE(v, 0.0);
                const bool inSupport =
                    u >= t[static_cast<size_t>(i)] && u <= t[static_cast<size_t>(i + c.d + 1)];
                if (!inSupport) {
                    EXPECT_EQ(v, 0.0) << "N" << i << " outside its support at " << u;
                }
                sum += v;
            }
            if (inDomain) {
                EXPECT_NEAR(sum, 1.0, exact) << u;
                // The curve is drawn and marked short of its far end.
                if (u < t[static_cast<size_t>(c.n)]) {
                    expectSumIsPoint(p, values, evalBspline(curve, u), 1e-3, "B-spline");
                }
            }
        }
    }
}

// Degree 60 over 67 points: the largest degree the knot list allows at that
// size, as the panel shows it, still a partition of unity on the domain.
TEST(BasisValues, HighDegreeBsplineBasisStaysAPartitionOfUnity) {
    const int n = 67;
    const int d = 60;
    std::vector<float> t;
    for (int i = 0; i < n + d + 1; ++i) {
        t.push_back(static_cast<float>(i) / static_cast<float>(n + d));
    }
    const std::vector<Point3> p = wavy(n);
    const BsplineView curve{p.data(), n, t.data(), n + d + 1, d};
    std::vector<double> values(static_cast<size_t>(n));
    for (int k = 0; k <= 64; ++k) {
        const float u = t[d] + (t[n] - t[d]) * static_cast<float>(k) / 64.0f;
        bsplineBasisValues(curve, u, values.data());
        double sum = 0;
        for (double v : values) {
            EXPECT_GE(v, 0.0);
            sum += v;
        }
        EXPECT_NEAR(sum, 1.0, exact) << u;
    }
}

TEST(BasisValues, LagrangeCardinalsAreDeltasAtTheNodesAndWeighTheCurve) {
    struct Case {
        std::vector<float> nodes;
    };
    const Case cases[] = {
        {{0, 1, 2, 3}},
        {{0, 0.1f, 0.45f, 0.5f, 0.8f, 1}},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    };
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.nodes.size());
        const std::vector<Point3> p = wavy(n);
        std::vector<double> values(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) {
            lagrangeCardinals(c.nodes.data(), n, c.nodes[static_cast<size_t>(j)], values.data());
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(values[static_cast<size_t>(i)], i == j ? 1.0 : 0.0);
            }
        }
        std::vector<double> samples(static_cast<size_t>(n) * lagrangeCurveSamples);
        sampleLagrangeCardinals(c.nodes.data(), n, samples.data());
        std::vector<Point3> curve(lagrangeCurveSamples);
        sampleLagrangeCurve(p.data(), c.nodes.data(), n, curve.data());
        for (int k : {0, 17, 64, 101, 128}) {
            const float u = c.nodes.front() +
                            (c.nodes.back() - c.nodes.front()) * static_cast<float>(k) / 128.0f;
            lagrangeCardinals(c.nodes.data(), n, u, values.data());
            long double sum = 0;
            for (int i = 0; i < n; ++i) {
                // The product form, in long double.
                long double want = 1;
                for (int m = 0; m < n; ++m) {
                    if (m != i) {
                        want *= (static_cast<long double>(u) - c.nodes[static_cast<size_t>(m)]) /
                                (static_cast<long double>(c.nodes[static_cast<size_t>(i)]) -
                                 c.nodes[static_cast<size_t>(m)]);
                    }
                }
                EXPECT_NEAR(values[static_cast<size_t>(i)], static_cast<double>(want), exact);
                EXPECT_EQ(samples[static_cast<size_t>(i * lagrangeCurveSamples + k)],
                          values[static_cast<size_t>(i)])
                    << "sample " << k;
                sum += values[static_cast<size_t>(i)];
            }
            EXPECT_NEAR(static_cast<double>(sum), 1.0, exact);
            expectSumIsPoint(p, values, curve[static_cast<size_t>(k)], 1e-3, "Lagrange");
        }
    }
}

TEST(BasisValues, RbfCardinalsInterpolateTheUnitDataAndWeighTheCurve) {
    struct Case {
        int n, degree;
        BasisKind kind;
        float shape;
    };
    const Case cases[] = {
        {6, 1, BasisKind::Mq1, 1.0f},
        {9, 0, BasisKind::Mq3, 0.5f},
        {7, 3, BasisKind::Gaussian, 1.0f},
        {40, 1, BasisKind::Mq1, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " points, degree " << c.degree);
        const std::vector<Point3> p = wavy(c.n);
        std::vector<float> t;
        std::vector<long double> exactCentres;
        for (int i = 0; i < c.n; ++i) {
            t.push_back(static_cast<float>(i));
            exactCentres.push_back(i);
        }
        RbfCoefficients coefficients{};
        ASSERT_EQ(solveRbf(p.data(), t.data(), c.n, c.degree, c.kind, c.shape, coefficients),
                  RbfSolveStatus::Solved);
        std::vector<double> values(static_cast<size_t>(c.n));
        for (int j = 0; j < c.n; ++j) {
            ASSERT_TRUE(rbfCardinals(t.data(), c.n, c.degree, c.kind, c.shape,
                                     t[static_cast<size_t>(j)], values.data()));
            for (int i = 0; i < c.n; ++i) {
                EXPECT_NEAR(values[static_cast<size_t>(i)], i == j ? 1.0 : 0.0, exact);
            }
        }
        // Cardinal j is the interpolant of the unit data e_j, worked out afresh.
        std::vector<tvtest::RbfReference> refs;
        for (int j = 0; j < c.n; ++j) {
            std::vector<Point3> unit(static_cast<size_t>(c.n));
            unit[static_cast<size_t>(j)].x = 1.0f;
            refs.push_back(
                tvtest::solveReference(exactCentres, unit.data(), c.degree, c.kind, c.shape));
        }
        for (float u :
             {0.0f, 0.3f, 1.5f, static_cast<float>(c.n - 1) * 0.77f, static_cast<float>(c.n - 1)}) {
            ASSERT_TRUE(rbfCardinals(t.data(), c.n, c.degree, c.kind, c.shape, u, values.data()));
            double sum = 0;
            for (int j = 0; j < c.n; ++j) {
                // The basis receives u - t[i] in single precision, as the curve's does.
                EXPECT_NEAR(
                    values[static_cast<size_t>(j)],
                    static_cast<double>(refs[static_cast<size_t>(j)].atFloatDistances(u)[0]), exact)
                    << "cardinal " << j << " at " << u;
                sum += values[static_cast<size_t>(j)];
            }
            // The polynomial part holds the constants: the cardinals sum to 1.
            EXPECT_NEAR(sum, 1.0, exact) << u;
            expectSumIsPoint(p, values,
                             evalRbf(coefficients, t.data(), c.n, c.degree, c.kind, c.shape, u),
                             1e-3, "RBF");
        }
    }
    // No cardinals where there is no interpolant.
    std::vector<double> values(8, 7.0);
    const float t[4] = {0, 1, 1, 2};
    EXPECT_FALSE(rbfCardinals(t, 4, 1, BasisKind::Mq1, 1.0f, 0.5f, values.data()));
    EXPECT_FALSE(rbfCardinals(t, 3, 3, BasisKind::Mq1, 1.0f, 0.5f, values.data()));
    EXPECT_EQ(values[0], 7.0);
}

// The error curve's largest sample is the largest distance between the two
// drawn curves, and the weight is the reduction's own.
TEST(BasisValues, ReductionErrorIsTheDistanceOfTheDrawnCurves) {
    const std::vector<Point3> p = {
        {100, 100, 0}, {250, 500, 30}, {400, 80, -20}, {550, 520, 10}, {700, 120, 0}};
    for (double alpha : {-0.99999, 0.0, 1.0, 99.0}) {
        std::vector<Point3> reduced(4);
        reduceDegree(p.data(), 5, alpha, reduced.data());
        std::vector<Point3> a(bezierCurveSamples);
        std::vector<Point3> b(bezierCurveSamples);
        sampleBezierCurve(p.data(), 5, a.data());
        sampleBezierCurve(reduced.data(), 4, b.data());
        double drawn = 0;
        double plotted = 0;
        for (int k = 0; k < bezierCurveSamples; ++k) {
            drawn =
                std::max(drawn, static_cast<double>(std::hypot(
                                    a[static_cast<size_t>(k)].x - b[static_cast<size_t>(k)].x,
                                    a[static_cast<size_t>(k)].y - b[static_cast<size_t>(k)].y,
                                    a[static_cast<size_t>(k)].z - b[static_cast<size_t>(k)].z)));
            plotted = std::max(plotted, reductionError(p.data(), 5, reduced.data(),
                                                       static_cast<float>(k) / 128.0f));
        }
        EXPECT_NEAR(plotted, drawn, 1e-4) << alpha;
        EXPECT_GT(plotted, 1.0) << alpha;
        EXPECT_NEAR(reductionWeight(alpha, 0.5), 1.0, exact);
        EXPECT_NEAR(reductionWeight(alpha, 0.25), std::pow(0.75, alpha), exact);
    }
}

}  // namespace
