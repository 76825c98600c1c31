#include "subdivision/schemes.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "app/state.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

struct Xy {
    double x, y;
};

// Symmetric rbf4 weights for mq1, r = 1, d = 1 at unit spacing, from the
// local interpolation conditions solved in double.
constexpr double mq1Outer = -0.092129;
constexpr double mq1Inner = 0.592129;

struct Scheme {
    const char* name;
    std::function<void()> step;
};

void rbf4() {
    appState.rbfStencilSize = 4;
    rbfSubdivisionStep(4);
}

void rbf6() {
    appState.rbfStencilSize = 6;
    rbfSubdivisionStep(6);
}

const std::vector<Scheme>& allSchemes() {
    static const std::vector<Scheme> schemes{{"rbf4", rbf4},
                                             {"rbf6", rbf6},
                                             {"NR4", nr4SubdivisionStep},
                                             {"D-D", ddSubdivisionStep},
                                             {"UNR4", unr4SubdivisionStep}};
    return schemes;
}

class SubdivisionTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }

    // Points with the parameters 0, 1, 2, ... that reload or the RBF command leave.
    static void setPolygon(const std::vector<Point3>& points) {
        appState.pointCount = static_cast<int>(points.size());
        for (size_t i = 0; i < points.size(); ++i) {
            appState.controlPoints[i] = points[i];
            appState.knots[i] = static_cast<float>(i);
        }
    }
    static void setUnitSquare() { setPolygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}); }
    static void setCircle(int n) {
        std::vector<Point3> points;
        for (int i = 0; i < n; ++i) {
            const double a = 2.0 * M_PI * i / n;
            points.push_back({static_cast<float>(400 + 200 * std::cos(a)),
                              static_cast<float>(300 + 200 * std::sin(a)), static_cast<float>(i)});
        }
        setPolygon(points);
    }
    static void expectPolygon(const std::vector<Xy>& expected, double tolerance, const char* name) {
        ASSERT_EQ(appState.pointCount, static_cast<int>(expected.size())) << name;
        for (size_t k = 0; k < expected.size(); ++k) {
            EXPECT_NEAR(appState.controlPoints[k].x, expected[k].x, tolerance) << name << " " << k;
            EXPECT_NEAR(appState.controlPoints[k].y, expected[k].y, tolerance) << name << " " << k;
        }
    }
};

// The interpolatory four-point points of the unit square: corners kept, each
// inserted point 1/8 outside its edge midpoint.
const std::vector<Xy> squareFourPoint{{0, 0}, {0.5, -0.125}, {1, 0}, {1.125, 0.5},
                                      {1, 1}, {0.5, 1.125},  {0, 1}, {-0.125, 0.5}};

TEST_F(SubdivisionTest, UnitSquareUnderEveryScheme) {
    setUnitSquare();
    nr4SubdivisionStep();
    expectPolygon(squareFourPoint, 1e-7, "NR4");

    appState = AppState{};
    setUnitSquare();
    unr4SubdivisionStep();
    // Weights -1/32, 25/32, 9/32, -1/32 and their mirror image, two points per edge.
    const double a = 1.0 / 4, b = 3.0 / 4, out = 1.0 / 16;
    expectPolygon({{a, -out},
                   {b, -out},
                   {1 + out, a},
                   {1 + out, b},
                   {b, 1 + out},
                   {a, 1 + out},
                   {-out, b},
                   {-out, a}},
                  1e-6, "UNR4");

    appState = AppState{};
    setUnitSquare();
    rbf4();
    const double bulge = 2 * mq1Inner;
    expectPolygon({{0, 0},
                   {0.5, 2 * mq1Outer},
                   {1, 0},
                   {bulge, 0.5},
                   {1, 1},
                   {0.5, 1 - 2 * mq1Outer},
                   {0, 1},
                   {2 * mq1Outer, 0.5}},
                  1e-5, "rbf4");
    EXPECT_NEAR(appState.controlPoints[3].x, 1.18, 0.005);

    // With as many moment conditions as stencil points the RBF part vanishes
    // and the local interpolant is the cubic through the stencil.
    for (int degree : {2, 3}) {
        appState = AppState{};
        setUnitSquare();
        appState.polyDegree = degree;
        rbf4();
        expectPolygon(squareFourPoint, 1e-5, degree == 2 ? "rbf4 d=2" : "rbf4 d=3");
    }
}

TEST_F(SubdivisionTest, Nr4AndDeslauriersDubucAgreeBitForBit) {
    setCircle(13);
    nr4SubdivisionStep();
    const ControlPolygon nr4 = appState.controlPoints;
    appState = AppState{};
    setCircle(13);
    ddSubdivisionStep();
    EXPECT_EQ(appState.pointCount, 26);
    EXPECT_EQ(std::memcmp(nr4.data(), appState.controlPoints.data(), 26 * sizeof(Point3)), 0);
}

TEST_F(SubdivisionTest, LastEdgeClosesThePolygon) {
    // An irregular pentagon, so every stencil point shows in the result.
    const std::vector<Point3> pentagon{
        {100, 100, 1}, {300, 120, 2}, {350, 300, 4}, {200, 420, 8}, {60, 280, 16}};
    const Point3 &p0 = pentagon[0], &p1 = pentagon[1], &p3 = pentagon[3], &p4 = pentagon[4];
    setPolygon(pentagon);
    rbf4();
    ASSERT_EQ(appState.pointCount, 10);
    const Point3 q = appState.controlPoints[9];
    EXPECT_NEAR(q.x, mq1Outer * (p3.x + p1.x) + mq1Inner * (p4.x + p0.x), 1e-3);
    EXPECT_NEAR(q.y, mq1Outer * (p3.y + p1.y) + mq1Inner * (p4.y + p0.y), 1e-3);
    EXPECT_NEAR(q.z, mq1Outer * (p3.z + p1.z) + mq1Inner * (p4.z + p0.z), 1e-4);

    appState = AppState{};
    setPolygon(pentagon);
    nr4SubdivisionStep();
    EXPECT_FLOAT_EQ(appState.controlPoints[9].x,
                    static_cast<float>(9.0 / 16 * (p4.x + p0.x) - 1.0 / 16 * (p3.x + p1.x)));
    EXPECT_FLOAT_EQ(appState.controlPoints[8].x, p4.x);

    appState = AppState{};
    setPolygon(pentagon);
    unr4SubdivisionStep();
    EXPECT_FLOAT_EQ(appState.controlPoints[8].y,
                    static_cast<float>((25 * p4.y + 9 * p0.y - p3.y - p1.y) / 32.0));
    EXPECT_FLOAT_EQ(appState.controlPoints[9].y,
                    static_cast<float>((9 * p4.y + 25 * p0.y - p3.y - p1.y) / 32.0));
}

TEST_F(SubdivisionTest, ParametersBecomeUniformAtHalfTheSpacing) {
    for (const Scheme& scheme : allSchemes()) {
        appState = AppState{};
        setCircle(5);
        // Uneven parameters as chord length would leave them.
        const float uneven[5] = {0, 0.7f, 2.5f, 2.9f, 4.2f};
        for (int i = 0; i < 5; ++i) {
            appState.knots[static_cast<size_t>(i)] = uneven[i];
        }
        appState.paramSpacing = 0.5f;
        scheme.step();
        ASSERT_EQ(appState.pointCount, 10) << scheme.name;
        EXPECT_EQ(appState.paramSpacing, 0.25f) << scheme.name;
        for (int k = 0; k < 10; ++k) {
            EXPECT_EQ(appState.knots[static_cast<size_t>(k)], 0.25f * static_cast<float>(k))
                << scheme.name << " " << k;
        }
    }
}

TEST_F(SubdivisionTest, SixtyFourPointsAreTheLimit) {
    for (const Scheme& scheme : allSchemes()) {
        appState = AppState{};
        setCircle(64);
        scheme.step();
        ASSERT_EQ(appState.pointCount, 128) << scheme.name;
        const AppState before = appState;
        std::vector<tvtest::FbItem> drawn = tvtest::captureFeedback(scheme.step);
        EXPECT_TRUE(drawn.empty()) << scheme.name;
        EXPECT_EQ(appState.pointCount, 128) << scheme.name;
        EXPECT_EQ(appState.paramSpacing, before.paramSpacing) << scheme.name;
        EXPECT_EQ(appState.shapeR, before.shapeR) << scheme.name;
        EXPECT_EQ(std::memcmp(before.controlPoints.data(), appState.controlPoints.data(),
                              sizeof(ControlPolygon)),
                  0)
            << scheme.name;
        EXPECT_EQ(before.knots, appState.knots) << scheme.name;
    }
}

TEST_F(SubdivisionTest, ShapeHalvesOnlyForRbfAndOnlyWhileSwitchedOn) {
    for (const Scheme& scheme : allSchemes()) {
        const bool rbf = scheme.name[0] == 'r';
        for (bool halve : {true, false}) {
            appState = AppState{};
            setUnitSquare();
            appState.halveShapeOnSubdivision = halve;
            appState.shapeR = 0.75f;
            scheme.step();
            EXPECT_EQ(appState.shapeR, rbf && halve ? 0.375f : 0.75f)
                << scheme.name << (halve ? " halving" : " not halving");
        }
    }
}

TEST_F(SubdivisionTest, EmptyPolygonStillHalvesTheSpacing) {
    for (const Scheme& scheme : allSchemes()) {
        appState = AppState{};
        appState.shapeR = 0.5f;
        scheme.step();
        EXPECT_EQ(appState.pointCount, 0) << scheme.name;
        EXPECT_EQ(appState.paramSpacing, 0.5f) << scheme.name;
        EXPECT_EQ(appState.shapeR, scheme.name[0] == 'r' ? 0.25f : 0.5f) << scheme.name;
    }
}

TEST_F(SubdivisionTest, ShortPolygonsWrapRoundAgain) {
    const Point3 a{100, 200, 3};
    const Point3 b{300, 400, 5};
    // Stale slots beyond the polygon must never be read.
    const auto setShort = [](const std::vector<Point3>& points) {
        appState = AppState{};
        for (Point3& p : appState.controlPoints) {
            p = {1e6f, -1e6f, 1e6f};
        }
        setPolygon(points);
    };
    for (const Scheme& scheme : allSchemes()) {
        // One point: every stencil holds only that point, and every rule
        // reproduces constants.
        setShort({a});
        scheme.step();
        ASSERT_EQ(appState.pointCount, 2) << scheme.name;
        for (int k = 0; k < 2; ++k) {
            EXPECT_NEAR(appState.controlPoints[static_cast<size_t>(k)].x, a.x, 1e-3) << scheme.name;
            EXPECT_NEAR(appState.controlPoints[static_cast<size_t>(k)].y, a.y, 1e-3) << scheme.name;
        }
        // Two points under the interpolating schemes: the stencils alternate
        // a, b, a, b, ... symmetrically about the midpoint, which is therefore inserted.
        if (std::strcmp(scheme.name, "UNR4") == 0) {
            continue;
        }
        setShort({a, b});
        scheme.step();
        ASSERT_EQ(appState.pointCount, 4) << scheme.name;
        for (int k : {1, 3}) {
            EXPECT_NEAR(appState.controlPoints[static_cast<size_t>(k)].x, 200.0, 1e-2)
                << scheme.name;
            EXPECT_NEAR(appState.controlPoints[static_cast<size_t>(k)].z, 4.0, 1e-4) << scheme.name;
        }
    }
}

TEST_F(SubdivisionTest, RbfStepRefusesSystemsBeyondItsWorkVectors) {
    setUnitSquare();
    appState.polyDegree = 60;  // 4 + 60 + 1 = 65 unknowns
    const AppState before = appState;
    EXPECT_TRUE(tvtest::captureFeedback(rbf4).empty());
    EXPECT_EQ(appState.pointCount, 4);
    EXPECT_EQ(appState.paramSpacing, before.paramSpacing);
    EXPECT_EQ(appState.shapeR, before.shapeR);

    // 64 unknowns still run, although the system is singular (61 monomials on 4 points).
    appState.polyDegree = 59;
    rbf4();
    EXPECT_EQ(appState.pointCount, 8);

    // A flat basis is singular as well; the step goes on.
    setUnitSquare();
    appState.polyDegree = 1;
    appState.basisKind = BasisKind::Gaussian;
    appState.shapeR = 0.0f;
    rbf4();
    EXPECT_EQ(appState.pointCount, 8);
}

}  // namespace
