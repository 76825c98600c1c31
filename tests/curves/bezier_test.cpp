#include "curves/bezier.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectPoint(const Point3& p, float x, float y, float tol = 1e-3f) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
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

TEST(Bezier, BernsteinFormMatchesTheClosedForms) {
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

TEST(Bezier, DeCasteljauLevelsAreTheRepeatedMidpoints) {
    const Point3 p[4] = {{100, 100, 0}, {200, 500, 0}, {500, 500, 0}, {600, 100, 0}};
    const DeCasteljau c = deCasteljau(p, 4, 0.5f);
    ASSERT_EQ(c.count, 4);
    // Level 0 is the polygon itself; then midpoints of the polygon, then of those.
    expectPoint(c.level(0)[3], 600, 100);
    expectPoint(c.level(1)[0], 150, 300);
    expectPoint(c.level(1)[1], 350, 500);
    expectPoint(c.level(1)[2], 550, 300);
    expectPoint(c.level(2)[0], 250, 400);
    expectPoint(c.level(2)[1], 450, 400);
    // (P0 + 3 P1 + 3 P2 + P3) / 8.
    expectPoint(c.curvePoint(), 350, 400);
}

TEST(Bezier, DeCasteljauAtTheEndsAndForFewPoints) {
    const Point3 p[3] = {{100, 100, 0}, {300, 500, 0}, {500, 100, 0}};
    struct Case {
        int count;
        float x;
        float px, py;
    };
    const Case cases[] = {
        {3, 0.5f, 300, 300}, {3, 0.0f, 100, 100},
        {3, 1.0f, 500, 100}, {2, 0.25f, 150, 200},  // two points: the marker runs along the line
        {1, 0.3f, 100, 100},                        // one point: the curve is that point
    };
    for (const Case& c : cases) {
        const DeCasteljau d = deCasteljau(p, c.count, c.x);
        ASSERT_EQ(d.count, c.count) << c.count << " " << c.x;
        expectPoint(d.curvePoint(), c.px, c.py);
        // The construction's point is the curve's.
        const Point3 q = evalBezier(p, c.count, c.x);
        expectPoint(d.curvePoint(), q.x, q.y);
    }
    // Three points at 1/2: the level between the two legs' midpoints.
    const DeCasteljau half = deCasteljau(p, 3, 0.5f);
    expectPoint(half.level(1)[0], 200, 300);
    expectPoint(half.level(1)[1], 400, 300);
}

TEST(Bezier, NoConstructionOutsideTheRules) {
    const Point3 p[1] = {{250, 350, 0}};
    // -1 stands for "no animation"; NaN and counts past capacity are refused too.
    for (float x : {-1.0f, 1.5f, -0.001f, std::nanf("")}) {
        EXPECT_EQ(deCasteljau(p, 1, x).count, 0) << x;
    }
    for (int count : {0, -1, 129}) {
        EXPECT_EQ(deCasteljau(p, count, 0.5f).count, 0) << count;
    }
}

}  // namespace
