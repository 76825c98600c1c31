#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/state.hpp"
#include "curve_scene.hpp"
#include "curves/lagrange.hpp"
#include "support/gl_fixture.hpp"

namespace {

using namespace curvetest;

class LagrangeTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }

    static void setPolygon(const std::vector<Point3>& points, const std::vector<float>& nodes) {
        appState.pointCount = static_cast<int>(points.size());
        for (size_t i = 0; i < points.size(); ++i) {
            appState.controlPoints[i] = points[i];
        }
        appState.knotCount = static_cast<int>(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            appState.knots[i] = nodes[i];
        }
    }
};

std::string repeat(char c, int n) {
    return std::string(static_cast<size_t>(n), c);
}

TEST_F(LagrangeTest, InterpolantReproducesPolynomialsOfItsDegree) {
    // Parabola x = u, y = 2u - u^2 through (0,0), (1,1), (2,0).
    setPolygon({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}, {0, 1, 2});
    for (float u : {0.0f, 0.25f, 0.5f, 1.5f, 2.0f}) {
        Point3 p;
        evalLagrange(p, appState.knots.data(), u, 3);
        EXPECT_NEAR(p.x, u, 1e-6f) << u;
        EXPECT_NEAR(p.y, 2 * u - u * u, 1e-6f) << u;
        EXPECT_EQ(p.z, 0.0f);
    }
    // Cubic data (t^3 - 2t + 5, 2t, 1 - t^2) at non-uniform nodes.
    const std::vector<float> t = {0.0f, 0.5f, 2.0f, 3.0f};
    std::vector<Point3> pts;
    for (float v : t) {
        pts.push_back({v * v * v - 2 * v + 5, 2 * v, 1 - v * v});
    }
    setPolygon(pts, t);
    for (float u : {0.1f, 0.3f, 1.0f, 1.7f, 2.5f}) {
        Point3 p;
        evalLagrange(p, appState.knots.data(), u, 4);
        EXPECT_NEAR(p.x, u * u * u - 2 * u + 5, 1e-4f) << u;
        EXPECT_NEAR(p.y, 2 * u, 1e-5f) << u;
        EXPECT_NEAR(p.z, 1 - u * u, 1e-5f) << u;
    }
    // At its node each point is reproduced exactly.
    for (int i = 0; i < 4; ++i) {
        Point3 p;
        evalLagrange(p, appState.knots.data(), t[i], 4);
        EXPECT_EQ(p.x, pts[i].x);
        EXPECT_EQ(p.y, pts[i].y);
        EXPECT_EQ(p.z, pts[i].z);
    }
}

TEST_F(LagrangeTest, ThreePointNevilleConstructionAtHalf) {
    setPolygon({{100, 100, 0}, {200, 200, 0}, {300, 100, 0}}, {0, 1, 2});
    appState.animT = 0.25f;  // u = 0.5 over the nodes 0 .. 2
    const DrawnScene scene = drawnBy(drawLagrangeCurve);
    EXPECT_EQ(appState.animParamValue, 0.5f);

    // The construction keeps its points to itself: the comparison polygon,
    // which may be on screen, is untouched.
    for (const Point3& p : appState.auxPolygon) {
        EXPECT_EQ(p.x, 0.0f);
    }

    ASSERT_EQ(scene.order, repeat('l', 128 + 3) + "m");
    for (const FbItem& l : scene.lines) {
        EXPECT_TRUE(hasColour(l.vertices[0], curveRed));
    }
    expectNear(scene.lines[0].vertices[0], 100, 100);
    expectNear(scene.lines[127].vertices[1], 300, 100);
    // The strip samples the parabola y = 100 + 200u - 100u^2 at u = k/64.
    const float u = 37.0f / 64.0f;
    expectNear(scene.lines[37].vertices[0], 100 + 100 * u, 100 + 200 * u - 100 * u * u);

    // A0 = 2 P1 - P0, A2 = 2 P1 - P2, then three blends with weights 3/4, 1/4.
    const FbItem* seg = &scene.lines[128];
    expectNear(seg[0].vertices[0], 100, 100);  // P0 - A0
    expectNear(seg[0].vertices[1], 300, 300);
    expectNear(seg[1].vertices[0], 300, 100);  // P2 - A2
    expectNear(seg[1].vertices[1], 100, 300);
    expectNear(seg[2].vertices[0], 150, 150);  // A1 - A3
    expectNear(seg[2].vertices[1], 150, 250);
    EXPECT_NEAR(scene.markers[0].x, 150, 1e-3);
    EXPECT_NEAR(scene.markers[0].y, 175, 1e-3);
    EXPECT_EQ(currentColour().b, 1.0f);
}

TEST_F(LagrangeTest, FourPointNevilleConstructionTurnsBlueAfterTheFirstMarker) {
    // x is linear in the node, so every Neville point lies at x = 100 + 100 u.
    setPolygon({{100, 200, 0}, {200, 300, 0}, {300, 250, 0}, {400, 350, 0}}, {0, 1, 2, 3});
    appState.animT = 0.5f;  // u = 1.5
    const DrawnScene scene = drawnBy(drawLagrangeCurve);
    EXPECT_EQ(appState.animParamValue, 1.5f);
    ASSERT_EQ(scene.order, repeat('l', 128 + 4) + "mlmlm");

    // First level: the lines through neighbours, over the node range 0 .. 3.
    const FbItem* seg = &scene.lines[128];
    expectNear(seg[0].vertices[0], 100, 200);  // P0 - line P0P1 at 3
    expectNear(seg[0].vertices[1], 400, 500);
    expectNear(seg[1].vertices[0], 100, 350);  // line P1P2 at 0 and at 3
    expectNear(seg[1].vertices[1], 400, 200);
    expectNear(seg[2].vertices[0], 100, 50);  // line P2P3 at 0 - P3
    expectNear(seg[2].vertices[1], 400, 350);
    // Lines at 1.5, the quadratics through P0..P2 and P1..P3, and the cubic.
    expectNear(seg[3].vertices[0], 250, 350);
    expectNear(seg[3].vertices[1], 250, 275);
    expectNear(seg[4].vertices[0], 250, 275);
    expectNear(seg[4].vertices[1], 250, 200);
    expectNear(seg[5].vertices[0], 250, 293.75f);
    expectNear(seg[5].vertices[1], 250, 256.25f);
    const float markerY[] = {293.75f, 256.25f, 275.0f};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(scene.markers[i].x, 250, 1e-3);
        EXPECT_NEAR(scene.markers[i].y, markerY[i], 1e-3);
    }
    for (int i = 128; i < 132; ++i) {
        EXPECT_TRUE(hasColour(scene.lines[i].vertices[0], curveRed)) << i;
    }
    EXPECT_TRUE(hasColour(seg[4].vertices[0], markerBlue));
    EXPECT_TRUE(hasColour(seg[5].vertices[0], markerBlue));
}

TEST_F(LagrangeTest, OtherCountsShowOnlyTheMovingPoint) {
    struct Case {
        std::vector<Point3> points;
        float animT;
        float x, y;
    };
    const std::vector<Case> cases = {
        {{{100, 100, 0}, {300, 500, 0}}, 0.25f, 150, 200},
        // Collinear data at uniform nodes: the interpolant is the line itself.
        {{{100, 100, 0}, {150, 180, 0}, {200, 260, 0}, {250, 340, 0}, {300, 420, 0}},
         0.125f,
         125,
         140},
    };
    for (const Case& c : cases) {
        std::vector<float> nodes;
        for (size_t i = 0; i < c.points.size(); ++i) {
            nodes.push_back(static_cast<float>(i));
        }
        setPolygon(c.points, nodes);
        appState.animT = c.animT;
        const DrawnScene scene = drawnBy(drawLagrangeCurve);
        ASSERT_EQ(scene.order, repeat('l', 128) + "m");
        EXPECT_NEAR(scene.markers[0].x, c.x, 1e-3);
        EXPECT_NEAR(scene.markers[0].y, c.y, 1e-3);
    }
}

TEST_F(LagrangeTest, AnimationEndsAndAbsence) {
    // Non-uniform nodes, as after a handle drag; the points lie on a parabola,
    // which every interpolant of three or more points reproduces, so the whole
    // construction stays inside the window.
    const std::vector<float> allNodes = {0.0f, 0.2f, 0.3f, 0.6f, 0.7f, 1.0f};
    for (int n : {3, 4, 6}) {
        std::vector<float> nodes(allNodes.begin(), allNodes.begin() + n - 1);
        nodes.push_back(1.0f);
        std::vector<Point3> some;
        for (float t : nodes) {
            some.push_back({100 + 500 * t, 200 + 200 * t * t, 0});
        }
        setPolygon(some, nodes);
        for (float animT : {0.0f, 1.0f}) {
            appState.animT = animT;
            const DrawnScene scene = drawnBy(drawLagrangeCurve);
            ASSERT_FALSE(scene.markers.empty());
            const Point3& end = animT == 0.0f ? some.front() : some.back();
            EXPECT_NEAR(scene.markers.back().x, end.x, 1e-3) << n << " " << animT;
            EXPECT_NEAR(scene.markers.back().y, end.y, 1e-3) << n << " " << animT;
            expectNear(scene.lines[0].vertices[0], some.front().x, some.front().y);
            expectNear(scene.lines[127].vertices[1], some.back().x, some.back().y);
        }
        // No animation: -1 lies outside the nodes, so only the curve shows.
        appState.animT = -1.0f;
        EXPECT_EQ(drawnBy(drawLagrangeCurve).order, repeat('l', 128)) << n;
        EXPECT_EQ(appState.animParamValue, -1.0f);
    }
}

TEST_F(LagrangeTest, SinglePointShowsItsMarkerEvenWithoutAnimation) {
    setPolygon({{320, 240, 5}}, {0});
    for (float animT : {-1.0f, 0.7f}) {
        appState.animT = animT;
        const DrawnScene scene = drawnBy(drawLagrangeCurve);
        EXPECT_EQ(appState.animParamValue, 0.0f);
        ASSERT_EQ(scene.order, repeat('l', 128) + "m");
        for (const FbItem& l : scene.lines) {
            expectNear(l.vertices[0], 320, 240);
            expectNear(l.vertices[1], 320, 240);
        }
        EXPECT_NEAR(scene.markers[0].x, 320, 1e-3);
    }
}

TEST_F(LagrangeTest, NoCurveWithoutAnInterpolant) {
    // Two equal nodes (handles dragged together), no points, more than capacity.
    struct Case {
        int n;
        std::vector<float> nodes;
    };
    const std::vector<Case> cases = {
        {3, {0, 1, 1}}, {4, {0, 0.5f, 1, 0.5f}}, {5, {0, 0, 0, 0, 0}}, {0, {}}, {129, {}},
        {-4, {}}};
    for (const Case& c : cases) {
        appState = AppState{};
        for (int i = 0; i < maxPoints; ++i) {
            appState.controlPoints[i] = {100.0f + static_cast<float>(i), 100, 0};
            appState.knots[i] = static_cast<float>(i);
        }
        for (size_t i = 0; i < c.nodes.size(); ++i) {
            appState.knots[i] = c.nodes[i];
        }
        appState.pointCount = c.n;
        appState.animT = 0.5f;
        appState.animParamValue = 42.0f;
        EXPECT_TRUE(tvtest::captureFeedback(drawLagrangeCurve).empty()) << c.n;
        EXPECT_EQ(appState.animParamValue, 42.0f);
        Point3 out{7, 7, 7};
        EXPECT_TRUE(tvtest::captureFeedback([&] {
                        drawNevilleConstruction(out, appState.knots.data(), 0.5f, c.n);
                    }).empty());
    }
}

}  // namespace
