#include "curves/rbf.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>
#include <vector>

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
