#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/state.hpp"
#include "curve_scene.hpp"
#include "curves/bezier.hpp"
#include "support/gl_fixture.hpp"

namespace {

using namespace curvetest;

class BezierTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }
};

std::string repeat(char c, int n) {
    return std::string(static_cast<size_t>(n), c);
}

TEST(Binomial, MatchesPascalsTriangle) {
    struct Case {
        int n, k;
        double value;
    };
    const Case cases[] = {{5, 2, 10},  {4, 0, 1},        {4, 4, 1},
                          {0, 0, 1},   {6, 3, 20},       {10, 1, 10},
                          {10, 9, 10}, {52, 5, 2598960}, {30, 15, 155117520}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(binomial(c.n, c.k), c.value) << c.n << " " << c.k;
    }
}

TEST_F(BezierTest, BernsteinFormMatchesTheClosedForms) {
    const Point3 p[4] = {{100, 100, 10}, {200, 400, -20}, {400, 300, 0}, {500, 120, 40}};
    // Three points at 1/2: (P0 + 2 P1 + P2) / 4.
    const Point3 mid = evalBezier(p, 3, 0.5f);
    EXPECT_FLOAT_EQ(mid.x, 225.0f);
    EXPECT_FLOAT_EQ(mid.y, 300.0f);
    EXPECT_FLOAT_EQ(mid.z, -7.5f);
    // Four points: the cubic in Bernstein form, written out.
    for (float x : {0.1f, 0.25f, 0.6f, 0.9f}) {
        const float s = 1 - x;
        const Point3 q = evalBezier(p, 4, x);
        for (int c = 0; c < dimension; ++c) {
            const float expected = s * s * s * p[0][c] + 3 * x * s * s * p[1][c] +
                                   3 * x * x * s * p[2][c] + x * x * x * p[3][c];
            EXPECT_NEAR(q[c], expected, 1e-3f) << x << " " << c;
        }
    }
    // The ends are the end points exactly.
    for (int count : {1, 2, 3, 4}) {
        const Point3 first = evalBezier(p, count, 0.0f);
        const Point3 last = evalBezier(p, count, 1.0f);
        for (int c = 0; c < dimension; ++c) {
            EXPECT_EQ(first[c], p[0][c]);
            EXPECT_EQ(last[c], p[count - 1][c]);
        }
    }
}

TEST_F(BezierTest, CurveAndDeCasteljauConstructionThroughFeedback) {
    const Point3 p[4] = {{100, 100, 0}, {200, 500, 0}, {500, 500, 0}, {600, 100, 0}};
    appState.animT = 0.5f;
    glColor3f(toneB, toneA, toneC);
    const DrawnScene scene = drawnBy([&] { drawBezierCurve(p, 4); });
    EXPECT_EQ(appState.animParamValue, 0.5f);
    // 129 samples, then the levels of 3, 2 and 1 points: two segments, one, none.
    ASSERT_EQ(scene.order, repeat('l', 128 + 3) + "m");
    const Rgb caller{toneB, toneA, toneC};
    for (const FbItem& l : scene.lines) {
        EXPECT_TRUE(hasColour(l.vertices[0], caller));
    }
    expectNear(scene.lines[0].vertices[0], 100, 100);
    expectNear(scene.lines[127].vertices[1], 600, 100);
    // Midpoints of the polygon, then of those.
    expectNear(scene.lines[128].vertices[0], 150, 300);
    expectNear(scene.lines[128].vertices[1], 350, 500);
    expectNear(scene.lines[129].vertices[0], 350, 500);
    expectNear(scene.lines[129].vertices[1], 550, 300);
    expectNear(scene.lines[130].vertices[0], 250, 400);
    expectNear(scene.lines[130].vertices[1], 450, 400);
    // (P0 + 3 P1 + 3 P2 + P3) / 8.
    EXPECT_NEAR(scene.markers[0].x, 350, 1e-3);
    EXPECT_NEAR(scene.markers[0].y, 400, 1e-3);
    EXPECT_EQ(currentColour().b, 1.0f);
    EXPECT_FLOAT_EQ(appState.workPolygon[0].x, 350.0f);
}

TEST_F(BezierTest, ThreePointsAtHalfAndTheMarkerAtTheEnds) {
    const Point3 p[3] = {{100, 100, 0}, {300, 500, 0}, {500, 100, 0}};
    appState.animT = 0.5f;
    DrawnScene scene = drawnBy([&] { drawBezierCurve(p, 3); });
    ASSERT_EQ(scene.order, repeat('l', 128 + 1) + "m");
    expectNear(scene.lines[128].vertices[0], 200, 300);
    expectNear(scene.lines[128].vertices[1], 400, 300);
    EXPECT_NEAR(scene.markers[0].x, 300, 1e-3);
    EXPECT_NEAR(scene.markers[0].y, 300, 1e-3);

    for (float x : {0.0f, 1.0f}) {
        appState.animT = x;
        scene = drawnBy([&] { drawBezierCurve(p, 3); });
        ASSERT_EQ(scene.markers.size(), 1u);
        EXPECT_NEAR(scene.markers[0].x, x == 0.0f ? 100 : 500, 1e-3);
        EXPECT_NEAR(scene.markers[0].y, 100, 1e-3);
    }
    // Two points: the construction has no segments, the marker runs along the line.
    appState.animT = 0.25f;
    scene = drawnBy([&] { drawBezierCurve(p, 2); });
    ASSERT_EQ(scene.order, repeat('l', 128) + "m");
    EXPECT_NEAR(scene.markers[0].x, 150, 1e-3);
    EXPECT_NEAR(scene.markers[0].y, 200, 1e-3);
}

TEST_F(BezierTest, SinglePointAndNothingOutsideTheRules) {
    const Point3 one[1] = {{250, 350, 0}};
    appState.animT = 0.3f;
    const DrawnScene scene = drawnBy([&] { drawBezierCurve(one, 1); });
    ASSERT_EQ(scene.order, repeat('l', 128) + "m");
    for (const FbItem& l : scene.lines) {
        expectNear(l.vertices[1], 250, 350);
    }
    // No animation: the curve alone.
    appState.animT = -1.0f;
    EXPECT_EQ(drawnBy([&] { drawBezierCurve(one, 1); }).order, repeat('l', 128));
    EXPECT_EQ(appState.animParamValue, -1.0f);

    appState.animT = 0.5f;
    appState.animParamValue = 9.0f;
    for (int count : {0, -1, 129}) {
        EXPECT_TRUE(tvtest::captureFeedback([&] {
                        drawBezierCurve(appState.controlPoints.data(), count);
                    }).empty())
            << count;
        EXPECT_EQ(appState.animParamValue, 9.0f);
    }
    EXPECT_TRUE(tvtest::captureFeedback([&] { drawDeCasteljau(one, 1, 1.5f); }).empty());
}

}  // namespace
