#include "curves/lagrange.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void expectPoint(const Point3& p, float x, float y, float tol = 1e-3f) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
}

// 'l' for a segment, 'm' for a marker, in the order they are shown.
std::string order(const NevilleConstruction& c) {
    std::string out;
    for (int i = 0; i < c.stepCount; ++i) {
        out += c.steps[i].marker ? 'm' : 'l';
    }
    return out;
}

TEST(Lagrange, InterpolantReproducesPolynomialsOfItsDegree) {
    // Parabola x = u, y = 2u - u^2 through (0,0), (1,1), (2,0).
    const Point3 parabola[3] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}};
    const float uniform[3] = {0, 1, 2};
    for (float u : {0.0f, 0.25f, 0.5f, 1.5f, 2.0f}) {
        const Point3 p = evalLagrange(parabola, uniform, 3, u);
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
    for (float u : {0.1f, 0.3f, 1.0f, 1.7f, 2.5f}) {
        const Point3 p = evalLagrange(pts.data(), t.data(), 4, u);
        EXPECT_NEAR(p.x, u * u * u - 2 * u + 5, 1e-4f) << u;
        EXPECT_NEAR(p.y, 2 * u, 1e-5f) << u;
        EXPECT_NEAR(p.z, 1 - u * u, 1e-5f) << u;
    }
    // At its node each point is reproduced exactly.
    for (int i = 0; i < 4; ++i) {
        const Point3 p = evalLagrange(pts.data(), t.data(), 4, t[i]);
        EXPECT_EQ(p.x, pts[i].x);
        EXPECT_EQ(p.y, pts[i].y);
        EXPECT_EQ(p.z, pts[i].z);
    }
}

TEST(Lagrange, ParameterRunsOverTheNodeRange) {
    const float t[] = {0.0f, 0.2f, 0.3f, 2.0f};
    EXPECT_EQ(lagrangeParameter(t, 3, 0.5f), 0.15f);
    EXPECT_EQ(lagrangeParameter(t, 4, 0.25f), 0.5f);
    EXPECT_EQ(lagrangeParameter(t, 4, 1.0f), 2.0f);
    // No animation (-1) lands outside the nodes, except for a single node.
    EXPECT_EQ(lagrangeParameter(t, 4, -1.0f), -2.0f);
    EXPECT_EQ(lagrangeParameter(t, 1, -1.0f), 0.0f);
}

TEST(Lagrange, ThreePointNevilleConstructionAtHalf) {
    const Point3 p[3] = {{100, 100, 0}, {200, 200, 0}, {300, 100, 0}};
    const float t[3] = {0, 1, 2};
    const NevilleConstruction c = nevilleConstruction(p, t, 3, 0.5f);
    ASSERT_EQ(order(c), "lllm");
    // A0 = 2 P1 - P0, A2 = 2 P1 - P2, then three blends with weights 3/4, 1/4.
    expectPoint(c.steps[0].a, 100, 100);  // P0 - A0
    expectPoint(c.steps[0].b, 300, 300);
    expectPoint(c.steps[1].a, 300, 100);  // P2 - A2
    expectPoint(c.steps[1].b, 100, 300);
    expectPoint(c.steps[2].a, 150, 150);  // A1 - A3
    expectPoint(c.steps[2].b, 150, 250);
    expectPoint(c.steps[3].a, 150, 175);
    expectPoint(c.curvePoint, 150, 175);
}

TEST(Lagrange, FourPointNevilleConstruction) {
    // x is linear in the node, so every Neville point lies at x = 100 + 100 u.
    const Point3 p[4] = {{100, 200, 0}, {200, 300, 0}, {300, 250, 0}, {400, 350, 0}};
    const float t[4] = {0, 1, 2, 3};
    const NevilleConstruction c = nevilleConstruction(p, t, 4, 1.5f);
    ASSERT_EQ(order(c), "llllmlmlm");
    // First level: the lines through neighbours, over the node range 0 .. 3.
    expectPoint(c.steps[0].a, 100, 200);  // P0 - line P0P1 at 3
    expectPoint(c.steps[0].b, 400, 500);
    expectPoint(c.steps[1].a, 100, 350);  // line P1P2 at 0 and at 3
    expectPoint(c.steps[1].b, 400, 200);
    expectPoint(c.steps[2].a, 100, 50);  // line P2P3 at 0 - P3
    expectPoint(c.steps[2].b, 400, 350);
    // Lines at 1.5, the quadratics through P0..P2 and P1..P3, and the cubic.
    expectPoint(c.steps[3].a, 250, 350);
    expectPoint(c.steps[3].b, 250, 275);
    expectPoint(c.steps[5].a, 250, 275);
    expectPoint(c.steps[5].b, 250, 200);
    expectPoint(c.steps[7].a, 250, 293.75f);
    expectPoint(c.steps[7].b, 250, 256.25f);
    const float markerY[] = {293.75f, 256.25f, 275.0f};
    for (int i = 0; i < 3; ++i) {
        expectPoint(c.steps[4 + 2 * i].a, 250, markerY[i]);
    }
    expectPoint(c.curvePoint, 250, 275);
}

TEST(Lagrange, OtherCountsShowOnlyTheMovingPoint) {
    struct Case {
        std::vector<Point3> points;
        float u;
        float x, y;
    };
    const std::vector<Case> cases = {
        {{{100, 100, 0}, {300, 500, 0}}, 0.25f, 150, 200},
        // Collinear data at uniform nodes: the interpolant is the line itself.
        {{{100, 100, 0}, {150, 180, 0}, {200, 260, 0}, {250, 340, 0}, {300, 420, 0}},
         0.5f,
         125,
         140},
        // A single point shows itself at its one node.
        {{{320, 240, 5}}, 0.0f, 320, 240},
    };
    for (const Case& c : cases) {
        std::vector<float> nodes;
        for (size_t i = 0; i < c.points.size(); ++i) {
            nodes.push_back(static_cast<float>(i));
        }
        const int n = static_cast<int>(c.points.size());
        const NevilleConstruction nc = nevilleConstruction(c.points.data(), nodes.data(), n, c.u);
        ASSERT_EQ(order(nc), "m") << n;
        expectPoint(nc.steps[0].a, c.x, c.y);
    }
}

TEST(Lagrange, ConstructionEndsOnTheEndPoints) {
    // Non-uniform nodes, as after a handle drag; the points lie on a parabola.
    const std::vector<float> allNodes = {0.0f, 0.2f, 0.3f, 0.6f, 0.7f, 1.0f};
    for (int n : {3, 4, 6}) {
        std::vector<float> nodes(allNodes.begin(), allNodes.begin() + n - 1);
        nodes.push_back(1.0f);
        std::vector<Point3> some;
        for (float t : nodes) {
            some.push_back({100 + 500 * t, 200 + 200 * t * t, 0});
        }
        for (float animT : {0.0f, 1.0f}) {
            const float u = lagrangeParameter(nodes.data(), n, animT);
            const NevilleConstruction c = nevilleConstruction(some.data(), nodes.data(), n, u);
            ASSERT_GT(c.stepCount, 0);
            const Point3& end = animT == 0.0f ? some.front() : some.back();
            expectPoint(c.steps[c.stepCount - 1].a, end.x, end.y);
        }
        // No animation: -1 maps outside the nodes, so there is no construction.
        const float none = lagrangeParameter(nodes.data(), n, -1.0f);
        EXPECT_EQ(nevilleConstruction(some.data(), nodes.data(), n, none).stepCount, 0) << n;
    }
}

TEST(Lagrange, NoConstructionWithoutAnInterpolant) {
    // Two equal nodes (handles dragged together), no points, more than capacity.
    struct Case {
        int n;
        std::vector<float> nodes;
    };
    const std::vector<Case> cases = {
        {3, {0, 1, 1}}, {4, {0, 0.5f, 1, 0.5f}}, {5, {0, 0, 0, 0, 0}}, {0, {}}, {129, {}},
        {-4, {}}};
    std::vector<Point3> points(maxPoints + 1);
    for (const Case& c : cases) {
        std::vector<float> t(maxPoints + 1);
        for (int i = 0; i <= maxPoints; ++i) {
            points[i] = {100.0f + static_cast<float>(i), 100, 0};
            t[i] = static_cast<float>(i);
        }
        std::copy(c.nodes.begin(), c.nodes.end(), t.begin());
        EXPECT_EQ(nevilleConstruction(points.data(), t.data(), c.n, 0.5f).stepCount, 0) << c.n;
        if (c.n > 0 && c.n <= maxPoints) {
            EXPECT_FALSE(nodesDistinct(t.data(), c.n)) << c.n;
        }
    }
    const float distinct[] = {0, 0.5f, 1, 2};
    EXPECT_TRUE(nodesDistinct(distinct, 4));
}

}  // namespace
