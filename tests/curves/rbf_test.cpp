#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "curve_scene.hpp"
#include "curves/rbf.hpp"
#include "render/display.hpp"
#include "support/gl_fixture.hpp"

namespace {

using namespace curvetest;

class RbfTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }

    // Points at the default centres 0, 1, ..., n - 1.
    static void setPoints(const std::vector<Point3>& points, int d) {
        appState.pointCount = static_cast<int>(points.size());
        appState.polyDegree = d;
        for (size_t i = 0; i < points.size(); ++i) {
            appState.controlPoints[i] = points[i];
            appState.knots[i] = static_cast<float>(i);
        }
        appState.knotCount = appState.pointCount;
    }

    static Point3 at(float u) {
        Point3 p;
        evalRbf(p, appState.knots.data(), u, appState.pointCount);
        return p;
    }
};

TEST_F(RbfTest, BasisFunctions) {
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
        appState.basisKind = c.kind;
        EXPECT_DOUBLE_EQ(rbfBasis(c.kind, c.x, c.r), c.value)
            << static_cast<int>(c.kind) << " " << c.x << " " << c.r;
    }
}

TEST_F(RbfTest, TwoPointsGiveTheirSegmentWithEveryBasis) {
    for (BasisKind kind : {BasisKind::Mq1, BasisKind::Mq3, BasisKind::Gaussian}) {
        SCOPED_TRACE(static_cast<int>(kind));
        appState.basisKind = kind;
        setPoints({{100, 100, 0}, {300, 500, 20}}, 1);
        solveRbfSystem();
        // The moment conditions force both weights to 0: c0 = P0, c1 = P1 - P0.
        EXPECT_NEAR(appState.rbfCoefficients[2][0], 0.0f, 1e-3f);
        EXPECT_NEAR(appState.rbfCoefficients[3][1], 0.0f, 1e-3f);
        for (float u : {0.0f, 0.3f, 0.5f, 1.0f}) {
            const Point3 p = at(u);
            EXPECT_NEAR(p.x, 100 + 200 * u, 1e-3f) << u;
            EXPECT_NEAR(p.y, 100 + 400 * u, 1e-3f) << u;
            EXPECT_NEAR(p.z, 20 * u, 1e-3f) << u;
        }
    }
}

TEST_F(RbfTest, ThreePointMultiquadricExample) {
    setPoints({{0, 0, 0}, {100, 100, 0}, {200, 0, 0}}, 1);
    solveRbfSystem();
    // Linear data (x = 100 u) gets no weights; y interpolates and is symmetric about 1.
    for (float u : {0.0f, 0.25f, 0.5f, 1.0f, 1.5f, 2.0f}) {
        const Point3 p = at(u);
        EXPECT_NEAR(p.x, 100 * u, 1e-3f) << u;
        EXPECT_NEAR(p.y, at(2 - u).y, 1e-3f) << u;
        EXPECT_EQ(p.z, 0.0f) << u;
    }
    EXPECT_NEAR(at(0).y, 0, 1e-3f);
    EXPECT_NEAR(at(1).y, 100, 1e-3f);
    EXPECT_GT(at(0.5f).y, 0);
    EXPECT_LT(at(0.5f).y, 100);
}

TEST_F(RbfTest, OnePointOfDegreeZeroIsThatPoint) {
    setPoints({{250, 125, -40}}, 0);
    solveRbfSystem();
    EXPECT_FLOAT_EQ(appState.rbfCoefficients[0][0], 250);
    EXPECT_FLOAT_EQ(appState.rbfCoefficients[1][0], 0);
    const Point3 p = at(0.0f);
    EXPECT_FLOAT_EQ(p.x, 250);
    EXPECT_FLOAT_EQ(p.y, 125);
    EXPECT_FLOAT_EQ(p.z, -40);
}

TEST_F(RbfTest, SolveRefusesSystemsThatDoNotFitTheStore) {
    struct Case {
        int n, d;
    };
    const Case cases[] = {{100, 28}, {128, 0}, {129, 1}, {4, -1}, {4, INT_MAX}, {-1, 1}};
    for (const Case& c : cases) {
        appState = AppState{};
        for (auto& row : appState.rbfCoefficients) {
            row = {7.0f, 7.0f, 7.0f};
        }
        appState.pointCount = c.n;
        appState.polyDegree = c.d;
        solveRbfSystem();
        for (const auto& row : appState.rbfCoefficients) {
            ASSERT_EQ(row[0], 7.0f) << c.n << " " << c.d;
        }
        Point3 p{1, 1, 1};
        evalRbf(p, appState.knots.data(), 0.5f, c.n);
        EXPECT_EQ(p.x, 0.0f);
        EXPECT_TRUE(tvtest::captureFeedback(drawRbfCurve).empty());
    }
    // The largest system that fits is solved: 100 points and degree 27.
    appState.pointCount = 100;
    appState.polyDegree = 27;
    solveRbfSystem();
    EXPECT_NE(appState.rbfCoefficients[0][0], 7.0f);
    // An empty polygon gives all-zero coefficients.
    appState = AppState{};
    appState.rbfCoefficients[0] = {7.0f, 7.0f, 7.0f};
    solveRbfSystem();
    EXPECT_EQ(appState.rbfCoefficients[0][0], 0.0f);
    EXPECT_EQ(appState.rbfCoefficients[1][2], 0.0f);
}

TEST_F(RbfTest, CurveThroughFeedback) {
    setPoints({{100, 100, 0}, {200, 300, 0}, {300, 100, 0}}, 1);
    solveRbfSystem();
    glColor3f(toneB, toneA, toneC);
    const DrawnScene scene = drawnBy(drawRbfCurve);
    // 129 samples over the centre range, no marker.
    ASSERT_EQ(scene.order, std::string(128, 'l'));
    for (int k = 0; k < 128; ++k) {
        EXPECT_TRUE(hasColour(scene.lines[k].vertices[0], curveRed));
        EXPECT_NEAR(scene.lines[k].vertices[0].x, 100 + 200 * static_cast<float>(k) / 128, 1e-2f);
    }
    expectNear(scene.lines[0].vertices[0], 100, 100, 1e-2f);
    expectNear(scene.lines[64].vertices[0], 200, 300, 1e-2f);
    expectNear(scene.lines[127].vertices[1], 300, 100, 1e-2f);

    appState.pointCount = 0;
    EXPECT_TRUE(tvtest::captureFeedback(drawRbfCurve).empty());
}

}  // namespace
