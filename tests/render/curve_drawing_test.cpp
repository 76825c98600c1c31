#include "render/curve_drawing.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/state.hpp"
#include "curve_scene.hpp"
#include "render/display.hpp"
#include "support/gl_fixture.hpp"

// What the curve drawers send to the rasteriser: the curve strip, then the
// construction in order, the colours each part shows and leaves behind.

namespace {

using namespace curvetest;

class CurveDrawingTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }

    static void setPolygon(const std::vector<Point3>& points, const std::vector<float>& knots) {
        appState.pointCount = static_cast<int>(points.size());
        for (size_t i = 0; i < points.size(); ++i) {
            appState.controlPoints[i] = points[i];
        }
        appState.knotCount = static_cast<int>(knots.size());
        for (size_t i = 0; i < knots.size(); ++i) {
            appState.knots[i] = knots[i];
        }
    }
};

std::string repeat(char c, int n) {
    return std::string(static_cast<size_t>(n), c);
}

TEST_F(CurveDrawingTest, BezierCurveThenDeCasteljauInTheCallersColour) {
    const Point3 p[4] = {{100, 100, 0}, {200, 500, 0}, {500, 500, 0}, {600, 100, 0}};
    glColor3f(0.5f, 0.3f, 0.1f);
    const DrawnScene scene = drawnBy([&] { drawBezierCurve(p, 4, 0.5f); });
    // 129 samples, then the levels of 3, 2 and 1 points: two segments, one, none.
    ASSERT_EQ(scene.order, repeat('l', 128 + 3) + "m");
    const Rgb caller{0.5f, 0.3f, 0.1f};
    for (const FbItem& l : scene.lines) {
        EXPECT_TRUE(hasColour(l.vertices[0], caller));
    }
    expectNear(scene.lines[0].vertices[0], 100, 100);
    expectNear(scene.lines[127].vertices[1], 600, 100);
    expectNear(scene.lines[128].vertices[0], 150, 300);
    expectNear(scene.lines[128].vertices[1], 350, 500);
    expectNear(scene.lines[129].vertices[0], 350, 500);
    expectNear(scene.lines[129].vertices[1], 550, 300);
    expectNear(scene.lines[130].vertices[0], 250, 400);
    expectNear(scene.lines[130].vertices[1], 450, 400);
    EXPECT_NEAR(scene.markers[0].x, 350, 1e-3);
    EXPECT_NEAR(scene.markers[0].y, 400, 1e-3);
    EXPECT_EQ(currentColour().b, 1.0f);
}

TEST_F(CurveDrawingTest, BezierWithoutAnimationOrPoints) {
    const Point3 one[1] = {{250, 350, 0}};
    DrawnScene scene = drawnBy([&] { drawBezierCurve(one, 1, 0.3f); });
    ASSERT_EQ(scene.order, repeat('l', 128) + "m");
    for (const FbItem& l : scene.lines) {
        expectNear(l.vertices[1], 250, 350);
    }
    // No animation: the curve alone.
    EXPECT_EQ(drawnBy([&] { drawBezierCurve(one, 1, -1.0f); }).order, repeat('l', 128));
    for (int count : {0, -1, 129}) {
        EXPECT_TRUE(tvtest::captureFeedback([&] {
                        drawBezierCurve(appState.controlPoints.data(), count, 0.5f);
                    }).empty())
            << count;
    }
}

TEST_F(CurveDrawingTest, LagrangeCurveAndThreePointNeville) {
    setPolygon({{100, 100, 0}, {200, 200, 0}, {300, 100, 0}}, {0, 1, 2});
    appState.animT = 0.25f;  // u = 0.5 over the nodes 0 .. 2
    const DrawnScene scene = drawnBy([] { drawLagrangeCurve(); });
    ASSERT_EQ(scene.order, repeat('l', 128 + 3) + "m");
    for (const FbItem& l : scene.lines) {
        EXPECT_TRUE(hasColour(l.vertices[0], curveRed));
    }
    expectNear(scene.lines[0].vertices[0], 100, 100);
    expectNear(scene.lines[127].vertices[1], 300, 100);
    // The strip samples the parabola y = 100 + 200u - 100u^2 at u = k/64.
    const float u = 37.0f / 64.0f;
    expectNear(scene.lines[37].vertices[0], 100 + 100 * u, 100 + 200 * u - 100 * u * u);
    expectNear(scene.lines[128].vertices[1], 300, 300);
    expectNear(scene.lines[130].vertices[0], 150, 150);
    EXPECT_NEAR(scene.markers[0].x, 150, 1e-3);
    EXPECT_NEAR(scene.markers[0].y, 175, 1e-3);
    EXPECT_EQ(currentColour().b, 1.0f);
    // The construction keeps its points to itself: the comparison polygon,
    // which may be on screen, is untouched.
    for (const Point3& p : appState.auxPolygon) {
        EXPECT_EQ(p.x, 0.0f);
    }
}

TEST_F(CurveDrawingTest, FourPointNevilleTurnsBlueAfterTheFirstMarker) {
    setPolygon({{100, 200, 0}, {200, 300, 0}, {300, 250, 0}, {400, 350, 0}}, {0, 1, 2, 3});
    appState.animT = 0.5f;  // u = 1.5
    const DrawnScene scene = drawnBy([] { drawLagrangeCurve(); });
    ASSERT_EQ(scene.order, repeat('l', 128 + 4) + "mlmlm");
    const float markerY[] = {293.75f, 256.25f, 275.0f};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(scene.markers[i].x, 250, 1e-3);
        EXPECT_NEAR(scene.markers[i].y, markerY[i], 1e-3);
    }
    for (int i = 128; i < 132; ++i) {
        EXPECT_TRUE(hasColour(scene.lines[i].vertices[0], curveRed)) << i;
    }
    EXPECT_TRUE(hasColour(scene.lines[132].vertices[0], markerBlue));
    EXPECT_TRUE(hasColour(scene.lines[133].vertices[0], markerBlue));
}

TEST_F(CurveDrawingTest, LagrangeMarkerAndAbsence) {
    // A single point shows its marker even without animation: its one node is
    // the whole range.
    setPolygon({{320, 240, 5}}, {0});
    for (float animT : {-1.0f, 0.7f}) {
        appState.animT = animT;
        const DrawnScene scene = drawnBy([] { drawLagrangeCurve(); });
        ASSERT_EQ(scene.order, repeat('l', 128) + "m");
        EXPECT_NEAR(scene.markers[0].x, 320, 1e-3);
    }
    // No animation over a range: only the curve.
    setPolygon({{100, 100, 0}, {300, 500, 0}}, {0, 1});
    appState.animT = -1.0f;
    EXPECT_EQ(drawnBy([] { drawLagrangeCurve(); }).order, repeat('l', 128));
    // Two equal nodes, no points, more than capacity: nothing.
    appState.knots[1] = 0.0f;
    EXPECT_TRUE(tvtest::captureFeedback([] { drawLagrangeCurve(); }).empty());
    for (int n : {0, 129, -4}) {
        appState.pointCount = n;
        EXPECT_TRUE(tvtest::captureFeedback([] { drawLagrangeCurve(); }).empty()) << n;
    }
}

TEST_F(CurveDrawingTest, BsplineSamplesTheDomainAndMarksTheAnimation) {
    // Clamped knots of n = 5, d = 2; points at their Greville abscissae make
    // the curve the line (100 + 100u, 200 + 50u).
    const std::vector<float> xi = {0, 0.5f, 1.5f, 2.5f, 3};
    std::vector<Point3> pts;
    for (float g : xi) {
        pts.push_back({100 + 100 * g, 200 + 50 * g, 0});
    }
    setPolygon(pts, {0, 0, 0, 1, 2, 3, 3, 3});
    appState.polyDegree = 2;
    appState.animT = 0.5f;
    glColor3f(0.5f, 0.3f, 0.1f);
    const DrawnScene scene = drawnBy([] { drawBsplineCurve(); });
    ASSERT_EQ(scene.order, std::string(127, 'l') + "m");
    for (int k = 0; k < 127; ++k) {
        const float u = 3.0f * static_cast<float>(k) / 128.0f;
        EXPECT_TRUE(hasColour(scene.lines[k].vertices[0], curveRed));
        expectNear(scene.lines[k].vertices[0], 100 + 100 * u, 200 + 50 * u, 0.01f);
    }
    EXPECT_NEAR(scene.markers[0].x, 250, 0.01);
    EXPECT_NEAR(scene.markers[0].y, 275, 0.01);
    EXPECT_EQ(currentColour().b, 1.0f);
    // Ends of the domain and "no animation" show no marker.
    for (float animT : {0.0f, 1.0f, -1.0f}) {
        appState.animT = animT;
        EXPECT_EQ(drawnBy([] { drawBsplineCurve(); }).order, std::string(127, 'l')) << animT;
    }
    const BsplineView curve{appState.controlPoints.data(), 5, appState.knots.data(), 8, 2};
    EXPECT_TRUE(drawnBy([&] { drawBsplineMarker(curve, 0.0f); }).order.empty());
    EXPECT_EQ(drawnBy([&] { drawBsplineMarker(curve, 0.001f); }).order, "m");
    // A knot list that does not fit the points and degree draws nothing.
    appState.knotCount = 7;
    EXPECT_TRUE(tvtest::captureFeedback([] { drawBsplineCurve(); }).empty());
}

TEST_F(CurveDrawingTest, RbfCurveThroughItsPoints) {
    setPolygon({{100, 100, 0}, {200, 300, 0}, {300, 100, 0}}, {0, 1, 2});
    appState.rbfStatus = solveRbf(appState.controlPoints.data(), appState.knots.data(), 3, 1,
                                  BasisKind::Mq1, 1.0f, appState.rbfCoefficients);
    ASSERT_EQ(appState.rbfStatus, RbfSolveStatus::Solved);
    glColor3f(0.5f, 0.3f, 0.1f);
    const DrawnScene scene = drawnBy([] { drawRbfCurve(); });
    // 129 samples over the centre range, no marker.
    ASSERT_EQ(scene.order, std::string(128, 'l'));
    for (int k = 0; k < 128; ++k) {
        EXPECT_TRUE(hasColour(scene.lines[k].vertices[0], curveRed));
        EXPECT_NEAR(scene.lines[k].vertices[0].x, 100 + 200 * static_cast<float>(k) / 128, 1e-2f);
    }
    expectNear(scene.lines[0].vertices[0], 100, 100, 1e-2f);
    expectNear(scene.lines[64].vertices[0], 200, 300, 1e-2f);
    expectNear(scene.lines[127].vertices[1], 300, 100, 1e-2f);
    // No points, or a system that does not fit the store: nothing.
    for (const auto& [n, d] : std::vector<std::pair<int, int>>{{0, 1}, {128, 0}, {100, 28}}) {
        appState.pointCount = n;
        appState.polyDegree = d;
        EXPECT_TRUE(tvtest::captureFeedback([] { drawRbfCurve(); }).empty()) << n << " " << d;
    }
    // A solve that failed or misses its points: nothing, whatever the coefficients hold.
    appState.pointCount = 3;
    appState.polyDegree = 1;
    for (RbfSolveStatus status : {RbfSolveStatus::Singular, RbfSolveStatus::Inexact,
                                  RbfSolveStatus::TooFewCentres, RbfSolveStatus::NoRoom}) {
        appState.rbfStatus = status;
        EXPECT_TRUE(tvtest::captureFeedback([] { drawRbfCurve(); }).empty())
            << static_cast<int>(status);
    }
}

}  // namespace
