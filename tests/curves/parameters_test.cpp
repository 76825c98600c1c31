#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "app/state.hpp"
#include "curves/parameters.hpp"

namespace {

class ParametersTest : public ::testing::Test {
  protected:
    void SetUp() override { appState = AppState{}; }
    void TearDown() override { appState = AppState{}; }
};

struct LayoutCase {
    const char* what;
    CurveMode mode;
    int n;
    int d;
    int width;
    std::vector<float> knots;
    std::vector<float> handleX;
};

TEST_F(ParametersTest, DefaultKnotsAndHandlesByMode) {
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
        appState = AppState{};
        appState.curveMode = c.mode;
        appState.pointCount = c.n;
        appState.polyDegree = c.d;
        appState.windowWidth = c.width;
        appState.knotCount = 99;
        for (KnotHandle& h : appState.knotHandles) {
            h.highlighted = 1.0f;
        }
        assignParameters();
        ASSERT_EQ(appState.knotCount, static_cast<int>(c.knots.size()));
        for (size_t i = 0; i < c.knots.size(); ++i) {
            EXPECT_EQ(appState.knots[i], c.knots[i]) << "knot " << i;
            EXPECT_FLOAT_EQ(appState.knotHandles[i].x, c.handleX[i]) << "handle " << i;
            EXPECT_EQ(appState.knotHandles[i].y, 25.0f);
            EXPECT_EQ(appState.knotHandles[i].highlighted, 1.0f);
        }
    }
}

TEST_F(ParametersTest, ListsNeverOutgrowTheirCapacity) {
    // Bezier with 100 points would need 198 knots; it keeps 64 zeros and 64 ones.
    appState.curveMode = CurveMode::Bezier;
    appState.pointCount = 100;
    assignParameters();
    ASSERT_EQ(appState.knotCount, maxPoints);
    for (int i = 0; i < maxPoints; ++i) {
        EXPECT_EQ(appState.knots[i], i < 64 ? 0.0f : 1.0f) << i;
        EXPECT_EQ(appState.knotHandles[i].x, i < 64 ? 25.0f : 775.0f) << i;
    }

    // n + d + 1 = 128 exactly still fits: 28 zeros, 1 .. 72, 28 copies of 73.
    appState.curveMode = CurveMode::Bspline;
    appState.polyDegree = 27;
    assignParameters();
    ASSERT_EQ(appState.knotCount, maxPoints);
    for (int i = 0; i < maxPoints; ++i) {
        const int expected = i < 28 ? 0 : (i > 100 ? 73 : i - 27);
        EXPECT_EQ(appState.knots[i], static_cast<float>(expected)) << i;
    }
    // One more degree does not fit: the list empties until it fits again.
    appState.polyDegree = 28;
    assignParameters();
    EXPECT_EQ(appState.knotCount, 0);
    appState.pointCount = 99;
    assignParameters();
    EXPECT_EQ(appState.knotCount, maxPoints);
}

TEST_F(ParametersTest, NoCurveModeOrAnImpossibleCountChangesNothing) {
    for (const auto& [mode, n] : std::vector<std::pair<CurveMode, int>>{
             {CurveMode::None, 5}, {CurveMode::Lagrange, -1}, {CurveMode::Lagrange, 129}}) {
        appState = AppState{};
        appState.curveMode = mode;
        appState.pointCount = n;
        appState.knotCount = 3;
        appState.knots[0] = 0.0f;
        appState.knots[1] = 0.5f;
        appState.knots[2] = 7.0f;
        appState.knotHandles[1].x = 123.0f;
        assignParameters();
        EXPECT_EQ(appState.knotCount, 3);
        EXPECT_EQ(appState.knots[1], 0.5f);
        EXPECT_EQ(appState.knots[2], 7.0f);
        EXPECT_EQ(appState.knotHandles[1].x, 123.0f);
    }
}

TEST_F(ParametersTest, LayoutMapsAnyKnotRangeOntoTheBar) {
    appState.knotCount = 4;
    appState.knots[0] = 0.0f;
    appState.knots[1] = 0.25f;
    appState.knots[2] = 0.25f;
    appState.knots[3] = 1.0f;
    layoutKnotHandles();
    const float expected[] = {25, 212.5f, 212.5f, 775};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(appState.knotHandles[i].x, expected[i]) << i;
    }
    // A list without range puts every handle at the left end.
    appState.knots = {};
    layoutKnotHandles();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(appState.knotHandles[i].x, 25.0f) << i;
    }
    // Counts that no list can have leave the handles alone.
    for (int m : {0, -3, 129, 100000}) {
        appState.knotHandles[0].x = 42.0f;
        appState.knotCount = m;
        layoutKnotHandles();
        knotsFromHandles();
        EXPECT_EQ(appState.knotHandles[0].x, 42.0f) << m;
    }
}

TEST_F(ParametersTest, DraggingAnyHandleGivesKnotsFromExactlyZeroToExactlyOne) {
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
        appState = AppState{};
        appState.curveMode = s.mode;
        appState.pointCount = s.n;
        appState.polyDegree = s.d;
        appState.windowWidth = s.width;
        assignParameters();
        const int m = appState.knotCount;
        for (int k = 1; k < m - 1; ++k) {
            SCOPED_TRACE(testing::Message()
                         << "mode " << static_cast<int>(s.mode) << " handle " << k);
            assignParameters();
            // A drag lands on a whole pixel between the neighbours.
            KnotHandle* h = appState.knotHandles.data();
            h[k].x = static_cast<float>(static_cast<int>((h[k - 1].x + 2 * h[k + 1].x) / 3));
            knotsFromHandles();
            EXPECT_EQ(appState.knots[0], 0.0f);
            EXPECT_EQ(appState.knots[m - 1], 1.0f);
            const double span = h[m - 1].x - h[0].x;
            for (int i = 1; i < m; ++i) {
                EXPECT_GE(appState.knots[i], appState.knots[i - 1]);
                EXPECT_NEAR(appState.knots[i], (h[i].x - h[0].x) / span, 1e-6);
            }
        }
    }
}

TEST_F(ParametersTest, HandlesStackedOnOneXKeepTheKnots) {
    appState.curveMode = CurveMode::Bspline;
    appState.pointCount = 4;
    appState.polyDegree = 1;
    assignParameters();
    for (int i = 0; i < appState.knotCount; ++i) {
        appState.knotHandles[i].x = 300.0f;
    }
    knotsFromHandles();
    const float expected[] = {0, 0, 1, 2, 3, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(appState.knots[i], expected[i]) << i;
    }
    // So does a single handle.
    appState.curveMode = CurveMode::Lagrange;
    appState.pointCount = 1;
    assignParameters();
    knotsFromHandles();
    EXPECT_EQ(appState.knotCount, 1);
    EXPECT_EQ(appState.knots[0], 0.0f);
}

}  // namespace
