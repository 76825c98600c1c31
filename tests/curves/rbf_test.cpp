#include "curves/rbf.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "support/rbf_reference.hpp"

namespace {

// An interpolation problem at the default centres 0, 1, ..., n - 1 and its solution.
struct Interpolation {
    std::vector<Point3> points;
    int degree = 1;
    BasisKind kind = BasisKind::Mq1;
    float shape = 1.0f;
    std::vector<float> centres;
    RbfCoefficients coefficients{};

    Interpolation(std::vector<Point3> p, int d, BasisKind k = BasisKind::Mq1)
        : points(std::move(p)), degree(d), kind(k) {
        for (size_t i = 0; i < points.size(); ++i) {
            centres.push_back(static_cast<float>(i));
        }
        solveRbf(points.data(), centres.data(), count(), degree, kind, shape, coefficients);
    }
    int count() const { return static_cast<int>(points.size()); }
    Point3 at(float u) const {
        return evalRbf(coefficients, centres.data(), count(), degree, kind, shape, u);
    }
};

TEST(Rbf, BasisFunctions) {
    struct Case {
        BasisKind kind;
        float x, r;
        double value;
    };
    const Case cases[] = {
        {BasisKind::Mq1, 3, 4, 5},
        {BasisKind::Mq1, -3, 4, 5},
        {BasisKind::Mq1, -2, 0, 2},
        {BasisKind::Mq3, 3, 4, 125},
        {BasisKind::Mq3, 0, 2, 8},
        {BasisKind::Gaussian, 1, 2, std::exp(-2.0)},
        {BasisKind::Gaussian, -2, 0.5f, std::exp(-2.0)},
        {BasisKind::Gaussian, 0, 7, 1},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(rbfBasis(c.kind, c.x, c.r), c.value)
            << static_cast<int>(c.kind) << " " << c.x << " " << c.r;
    }
}

TEST(Rbf, TwoPointsGiveTheirSegmentWithEveryBasis) {
    for (BasisKind kind : {BasisKind::Mq1, BasisKind::Mq3, BasisKind::Gaussian}) {
        SCOPED_TRACE(static_cast<int>(kind));
        const Interpolation f({{100, 100, 0}, {300, 500, 20}}, 1, kind);
        // The moment conditions force both weights to 0: c0 = P0, c1 = P1 - P0.
        EXPECT_NEAR(f.coefficients[2][0], 0.0f, 1e-3f);
        EXPECT_NEAR(f.coefficients[3][1], 0.0f, 1e-3f);
        for (float u : {0.0f, 0.3f, 0.5f, 1.0f}) {
            const Point3 p = f.at(u);
            EXPECT_NEAR(p.x, 100 + 200 * u, 1e-3f) << u;
            EXPECT_NEAR(p.y, 100 + 400 * u, 1e-3f) << u;
            EXPECT_NEAR(p.z, 20 * u, 1e-3f) << u;
        }
    }
}

TEST(Rbf, ThreePointMultiquadricExample) {
    const Interpolation f({{0, 0, 0}, {100, 100, 0}, {200, 0, 0}}, 1);
    // Linear data (x = 100 u) gets no weights; y interpolates and is symmetric about 1.
    for (float u : {0.0f, 0.25f, 0.5f, 1.0f, 1.5f, 2.0f}) {
        const Point3 p = f.at(u);
        EXPECT_NEAR(p.x, 100 * u, 1e-3f) << u;
        EXPECT_NEAR(p.y, f.at(2 - u).y, 1e-3f) << u;
        EXPECT_EQ(p.z, 0.0f) << u;
    }
    EXPECT_NEAR(f.at(0).y, 0, 1e-3f);
    EXPECT_NEAR(f.at(1).y, 100, 1e-3f);
    EXPECT_GT(f.at(0.5f).y, 0);
    EXPECT_LT(f.at(0.5f).y, 100);
}

TEST(Rbf, OnePointOfDegreeZeroIsThatPoint) {
    const Interpolation f({{250, 125, -40}}, 0);
    EXPECT_DOUBLE_EQ(f.coefficients[0][0], 250);
    EXPECT_DOUBLE_EQ(f.coefficients[1][0], 0);
    const Point3 p = f.at(0.0f);
    EXPECT_FLOAT_EQ(p.x, 250);
    EXPECT_FLOAT_EQ(p.y, 125);
    EXPECT_FLOAT_EQ(p.z, -40);
}

TEST(Rbf, SolveRefusesSystemsThatDoNotFitTheStore) {
    struct Case {
        int n, d;
    };
    const Case cases[] = {{100, 28}, {128, 0}, {129, 1}, {4, -1}, {4, INT_MAX}, {-1, 1}};
    std::vector<Point3> points(maxPoints + 1);
    std::vector<float> centres(maxPoints + 1);
    for (int i = 0; i <= maxPoints; ++i) {
        points[i] = {static_cast<float>(3 * i), static_cast<float>(i % 7), 0};
        centres[i] = static_cast<float>(i);
    }
    for (const Case& c : cases) {
        RbfCoefficients coefficients{};
        for (auto& row : coefficients) {
            row = {7.0f, 7.0f, 7.0f};
        }
        EXPECT_FALSE(rbfSystemFits(c.n, c.d));
        solveRbf(points.data(), centres.data(), c.n, c.d, BasisKind::Mq1, 1.0f, coefficients);
        for (const auto& row : coefficients) {
            ASSERT_EQ(row[0], 7.0f) << c.n << " " << c.d;
        }
        const Point3 p =
            evalRbf(coefficients, centres.data(), c.n, c.d, BasisKind::Mq1, 1.0f, 0.5f);
        EXPECT_EQ(p.x, 0.0f);
    }
    // The largest system that fits is solved: 100 points and degree 27.
    RbfCoefficients coefficients{};
    coefficients[0] = {7.0f, 7.0f, 7.0f};
    EXPECT_TRUE(rbfSystemFits(100, 27));
    solveRbf(points.data(), centres.data(), 100, 27, BasisKind::Mq1, 1.0f, coefficients);
    EXPECT_NE(coefficients[0][0], 7.0f);
    // An empty polygon gives all-zero coefficients.
    coefficients[0] = {7.0f, 7.0f, 7.0f};
    solveRbf(points.data(), centres.data(), 0, 1, BasisKind::Mq1, 1.0f, coefficients);
    EXPECT_EQ(coefficients[0][0], 0.0f);
    EXPECT_EQ(coefficients[1][2], 0.0f);
}

}  // namespace

namespace {

// Six points as a student clicks them (whole pixels, depths from the
// program's random sequence), at the centres 0, 1, ..., 5.
const std::vector<Point3> sixClicks{{120, 140, -83}, {250, 420, 17}, {380, 200, 150},
                                    {500, 470, -12}, {640, 180, 91}, {700, 380, -177}};

// r after a number of presses of < or >, as the key adds its step each time.
float shapeAfter(int presses, float step) {
    float r = 1.0f;
    for (int i = 0; i < presses; ++i) {
        r = r + step;
    }
    return r;
}

struct CurveCase {
    const char* what;
    int points;  // the first of sixClicks, or with centres repeating when negative
    int degree;
    BasisKind kind;
    float shape;
    RbfSolveStatus status;
};

// Whether a curve exists is decided by the solve: d + 1 <= n, a pivot for
// every row, and the interpolation conditions met. Where it is solved, the
// drawn curve lies within 0.05 px of the interpolant worked out in long double.
TEST(Rbf, ACurveOnlyWhereTheInterpolantExists) {
    const CurveCase cases[] = {
        {"five points, degree 4", 5, 4, BasisKind::Mq1, 1.0f, RbfSolveStatus::Solved},
        {"five points, degree 5", 5, 5, BasisKind::Mq1, 1.0f, RbfSolveStatus::TooFewCentres},
        {"five points, degree 9", 5, 9, BasisKind::Mq3, 1.0f, RbfSolveStatus::TooFewCentres},
        {"one point, degree 0", 1, 0, BasisKind::Gaussian, 1.0f, RbfSolveStatus::Solved},
        {"no point", 0, 1, BasisKind::Mq1, 1.0f, RbfSolveStatus::TooFewCentres},
        {"repeated centres", -6, 1, BasisKind::Mq1, 1.0f, RbfSolveStatus::Singular},
        {"flat gs, r = 0", 6, 1, BasisKind::Gaussian, 0.0f, RbfSolveStatus::Singular},
        // One press past 0: condition near 1e9, which float coefficients lost.
        {"gs, r = -0.0125", 6, 1, BasisKind::Gaussian, shapeAfter(81, -0.0125f),
         RbfSolveStatus::Solved},
        {"gs, r just above 0", 6, 1, BasisKind::Gaussian, 0.0125f, RbfSolveStatus::Solved},
        {"mq3, r = 3", 6, 2, BasisKind::Mq3, 3.0f, RbfSolveStatus::Solved},
    };
    for (const CurveCase& c : cases) {
        SCOPED_TRACE(c.what);
        const int n = c.points < 0 ? -c.points : c.points;
        std::vector<float> centres;
        std::vector<long double> exact;
        for (int i = 0; i < n; ++i) {
            centres.push_back(c.points < 0 ? static_cast<float>(i / 2) : static_cast<float>(i));
            exact.push_back(centres.back());
        }
        RbfCoefficients coefficients{};
        const RbfSolveStatus status =
            solveRbf(sixClicks.data(), centres.data(), n, c.degree, c.kind, c.shape, coefficients);
        EXPECT_EQ(status, c.status);
        if (status != RbfSolveStatus::Solved) {
            continue;
        }
        const tvtest::RbfReference ref =
            tvtest::solveReference(exact, sixClicks.data(), c.degree, c.kind, c.shape);
        ASSERT_TRUE(ref.solved);
        for (int k = 0; k <= 128; ++k) {
            const float u = static_cast<float>(n - 1) * static_cast<float>(k) / 128.0f;
            const Point3 p = evalRbf(coefficients, centres.data(), n, c.degree, c.kind, c.shape, u);
            ASSERT_LT(tvtest::distance(p, ref.at(u)), 0.05) << "u = " << u;
        }
        for (int i = 0; i < n; ++i) {
            const Point3 p = evalRbf(coefficients, centres.data(), n, c.degree, c.kind, c.shape,
                                     centres[static_cast<size_t>(i)]);
            EXPECT_LT(tvtest::distance(p, {sixClicks[static_cast<size_t>(i)].x,
                                           sixClicks[static_cast<size_t>(i)].y,
                                           sixClicks[static_cast<size_t>(i)].z}),
                      rbfTolerance)
                << "centre " << i;
        }
    }
}

// The Gaussian driven towards flat by 80 presses of < (r = 6.7e-7): either the
// solve finds a curve that meets its points and the exact interpolant, or
// there is none; never samples far outside the window.
TEST(Rbf, NearlyFlatGaussianGivesTheExactCurveOrNone) {
    const float r = shapeAfter(80, -0.0125f);
    ASSERT_GT(r, 0.0f);
    ASSERT_LT(r, 1e-5f);
    std::vector<float> centres;
    std::vector<long double> exact;
    for (int i = 0; i < 6; ++i) {
        centres.push_back(static_cast<float>(i));
        exact.push_back(i);
    }
    for (int degree : {0, 1, 2}) {
        RbfCoefficients coefficients{};
        const RbfSolveStatus status = solveRbf(sixClicks.data(), centres.data(), 6, degree,
                                               BasisKind::Gaussian, r, coefficients);
        ASSERT_TRUE(status == RbfSolveStatus::Solved || status == RbfSolveStatus::Inexact)
            << degree << ": " << static_cast<int>(status);
        if (status == RbfSolveStatus::Solved) {
            const tvtest::RbfReference ref =
                tvtest::solveReference(exact, sixClicks.data(), degree, BasisKind::Gaussian, r);
            for (int k = 0; k <= 128; ++k) {
                const float u = 5.0f * static_cast<float>(k) / 128.0f;
                const Point3 p =
                    evalRbf(coefficients, centres.data(), 6, degree, BasisKind::Gaussian, r, u);
                ASSERT_LT(tvtest::distance(p, ref.at(u)), 0.05) << degree << " at " << u;
            }
        }
    }
}

}  // namespace
