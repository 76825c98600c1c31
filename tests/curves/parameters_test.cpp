#include "curves/parameters.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <vector>

namespace {

struct LayoutCase {
    const char* what;
    CurveMode mode;
    int n;
    int d;
    int width;
    std::vector<float> knots;
    std::vector<float> handleX;
};

TEST(Parameters, DefaultKnotsAndHandlesByMode) {
    const std::vector<LayoutCase> cases = {
        {"lagrange 5",
         CurveMode::Lagrange,
         5,
         1,
         800,
         {0, 1, 2, 3, 4},
         {25, 212.5f, 400, 587.5f, 775}},
        {"rbf 5", CurveMode::Rbf, 5, 3, 800, {0, 1, 2, 3, 4}, {25, 212.5f, 400, 587.5f, 775}},
        {"lagrange 3 wide", CurveMode::Lagrange, 3, 1, 1000, {0, 1, 2}, {25, 500, 975}},
        {"lagrange single point", CurveMode::Lagrange, 1, 1, 800, {0}, {25}},
        {"bezier 4", CurveMode::Bezier, 4, 1, 800, {0, 0, 0, 1, 1, 1}, {25, 25, 25, 775, 775, 775}},
        {"bezier 2", CurveMode::Bezier, 2, 1, 800, {0, 1}, {25, 775}},
        {"bspline 4 linear",
         CurveMode::Bspline,
         4,
         1,
         800,
         {0, 0, 1, 2, 3, 3},
         {25, 25, 275, 525, 775, 775}},
        {"bspline 4 constant",
         CurveMode::Bspline,
         4,
         0,
         800,
         {0, 1, 2, 3, 4},
         {25, 212.5f, 400, 587.5f, 775}},
        {"bspline 5 quadratic",
         CurveMode::Bspline,
         5,
         2,
         800,
         {0, 0, 0, 1, 2, 3, 3, 3},
         {25, 25, 25, 275, 525, 775, 775, 775}},
        {"bspline 4 cubic",
         CurveMode::Bspline,
         4,
         3,
         800,
         {0, 0, 0, 0, 1, 1, 1, 1},
         {25, 25, 25, 25, 775, 775, 775, 775}},
        // No list: too few points for Bezier, a degree the points cannot carry.
        {"bezier 1", CurveMode::Bezier, 1, 1, 800, {}, {}},
        {"bezier 0", CurveMode::Bezier, 0, 1, 800, {}, {}},
        {"bspline d = n", CurveMode::Bspline, 4, 4, 800, {}, {}},
        {"bspline d > n", CurveMode::Bspline, 2, 7, 800, {}, {}},
        {"bspline no points", CurveMode::Bspline, 0, 0, 800, {}, {}},
        {"bspline degree at int max", CurveMode::Bspline, 5, INT_MAX, 800, {}, {}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        KnotValues knots{};
        const std::optional<int> count = defaultKnots(c.mode, c.n, c.d, knots);
        ASSERT_TRUE(count.has_value());
        ASSERT_EQ(*count, static_cast<int>(c.knots.size()));
        std::vector<float> x(maxPoints, -1.0f);
        handlePositions(knots.data(), *count, c.width, x.data());
        for (size_t i = 0; i < c.knots.size(); ++i) {
            EXPECT_EQ(knots[i], c.knots[i]) << "knot " << i;
            EXPECT_FLOAT_EQ(x[i], c.handleX[i]) << "handle " << i;
        }
        EXPECT_EQ(x[c.knots.size()], -1.0f);
    }
}

TEST(Parameters, ListsNeverOutgrowTheirCapacity) {
    // Bezier with 100 points would need 198 knots; it keeps 64 zeros and 64 ones.
    KnotValues knots{};
    ASSERT_EQ(defaultKnots(CurveMode::Bezier, 100, 1, knots), maxPoints);
    std::vector<float> x(maxPoints);
    handlePositions(knots.data(), maxPoints, 800, x.data());
    for (int i = 0; i < maxPoints; ++i) {
        EXPECT_EQ(knots[i], i < 64 ? 0.0f : 1.0f) << i;
        EXPECT_EQ(x[i], i < 64 ? 25.0f : 775.0f) << i;
    }

    // n + d + 1 = 128 exactly still fits: 28 zeros, 1 .. 72, 28 copies of 73.
    ASSERT_EQ(defaultKnots(CurveMode::Bspline, 100, 27, knots), maxPoints);
    for (int i = 0; i < maxPoints; ++i) {
        const int expected = i < 28 ? 0 : (i > 100 ? 73 : i - 27);
        EXPECT_EQ(knots[i], static_cast<float>(expected)) << i;
    }
    // One more degree does not fit: the list is empty until it fits again.
    EXPECT_EQ(defaultKnots(CurveMode::Bspline, 100, 28, knots), 0);
    EXPECT_EQ(defaultKnots(CurveMode::Bspline, 99, 28, knots), maxPoints);
}

TEST(Parameters, NoCurveModeOrAnImpossibleCountKeepsTheList) {
    for (const auto& [mode, n] : std::vector<std::pair<CurveMode, int>>{
             {CurveMode::None, 5}, {CurveMode::Lagrange, -1}, {CurveMode::Lagrange, 129}}) {
        KnotValues knots{};
        knots[1] = 0.5f;
        EXPECT_FALSE(defaultKnots(mode, n, 1, knots).has_value());
        EXPECT_EQ(knots[1], 0.5f);
    }
}

TEST(Parameters, LayoutMapsAnyKnotRangeOntoTheBar) {
    const float knots[] = {0.0f, 0.25f, 0.25f, 1.0f};
    std::vector<float> x(4);
    handlePositions(knots, 4, 800, x.data());
    const float expected[] = {25, 212.5f, 212.5f, 775};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(x[i], expected[i]) << i;
    }
    // A list without range puts every handle at the left end.
    const float flat[] = {0.0f, 0.0f, 0.0f, 0.0f};
    handlePositions(flat, 4, 800, x.data());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(x[i], 25.0f) << i;
    }
    // Counts that no list can have leave the handles and the knots alone.
    std::vector<float> many(100001, 1.0f);
    for (int m : {0, -3, 129, 100000}) {
        x[0] = 42.0f;
        handlePositions(many.data(), m, 800, x.data());
        EXPECT_EQ(x[0], 42.0f) << m;
        EXPECT_FALSE(knotsFromHandlePositions(many.data(), m, many.data())) << m;
    }
}

TEST(Parameters, HandlesAnywhereGiveKnotsFromExactlyZeroToExactlyOne) {
    struct Setup {
        CurveMode mode;
        int n, d, width;
    };
    const Setup setups[] = {{CurveMode::Lagrange, 7, 1, 800},
                            {CurveMode::Rbf, 3, 1, 777},
                            {CurveMode::Bezier, 5, 1, 803},
                            {CurveMode::Bspline, 7, 3, 641},
                            {CurveMode::Bspline, 9, 2, 800}};
    for (const Setup& s : setups) {
        KnotValues start{};
        const int m = *defaultKnots(s.mode, s.n, s.d, start);
        for (int k = 1; k < m - 1; ++k) {
            SCOPED_TRACE(testing::Message()
                         << "mode " << static_cast<int>(s.mode) << " handle " << k);
            std::vector<float> h(static_cast<size_t>(m));
            handlePositions(start.data(), m, s.width, h.data());
            // A drag lands on a whole pixel between the neighbours.
            h[k] = static_cast<float>(static_cast<int>((h[k - 1] + 2 * h[k + 1]) / 3));
            KnotValues knots{};
            ASSERT_TRUE(knotsFromHandlePositions(h.data(), m, knots.data()));
            EXPECT_EQ(knots[0], 0.0f);
            EXPECT_EQ(knots[m - 1], 1.0f);
            const double span = h[m - 1] - h[0];
            for (int i = 1; i < m; ++i) {
                EXPECT_GE(knots[i], knots[i - 1]);
                EXPECT_NEAR(knots[i], (h[i] - h[0]) / span, 1e-6);
            }
        }
    }
}

TEST(Parameters, HandlesStackedOnOneXGiveNoKnots) {
    const float stacked[] = {300, 300, 300, 300, 300, 300};
    KnotValues knots{};
    knots[2] = 1.0f;
    EXPECT_FALSE(knotsFromHandlePositions(stacked, 6, knots.data()));
    EXPECT_EQ(knots[2], 1.0f);
    // So does a single handle.
    EXPECT_FALSE(knotsFromHandlePositions(stacked, 1, knots.data()));
}

// The parameter the bar marks, by mode, worked out from each mode's map of
// 0..1 onto its curve's range.
TEST(Parameters, AnimationParameterByMode) {
    const float nodes[] = {0.0f, 0.5f, 2.0f};
    const float equal[] = {0.0f, 1.0f, 1.0f};
    const float clampedQuadratic[] = {0, 0, 0, 1, 2, 3, 3, 3};
    struct Case {
        const char* what;
        CurveMode mode;
        const float* knots;
        int knotCount, n, d;
        float animT;
        std::optional<float> expected;
    };
    const Case cases[] = {
        {"lagrange", CurveMode::Lagrange, nodes, 3, 3, 1, 0.25f, 0.5f},
        {"lagrange none", CurveMode::Lagrange, nodes, 3, 3, 1, -1.0f, -2.0f},
        {"lagrange one node", CurveMode::Lagrange, nodes, 3, 1, 1, -1.0f, 0.0f},
        {"lagrange equal nodes", CurveMode::Lagrange, equal, 3, 3, 1, 0.5f, std::nullopt},
        {"lagrange no points", CurveMode::Lagrange, nodes, 3, 0, 1, 0.5f, std::nullopt},
        {"bezier", CurveMode::Bezier, nodes, 3, 4, 1, 0.375f, 0.375f},
        {"bspline", CurveMode::Bspline, clampedQuadratic, 8, 5, 2, 0.5f, 1.5f},
        {"bspline none", CurveMode::Bspline, clampedQuadratic, 8, 5, 2, -1.0f, -3.0f},
        {"bspline other degree", CurveMode::Bspline, clampedQuadratic, 8, 5, 1, 0.5f, std::nullopt},
        {"rbf", CurveMode::Rbf, nodes, 3, 3, 1, 0.5f, std::nullopt},
        {"none", CurveMode::None, nodes, 3, 3, 1, 0.5f, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(animationParameter(c.mode, c.knots, c.knotCount, c.n, c.d, c.animT), c.expected)
            << c.what;
    }
}

}  // namespace
