// Every capacity edge that the editor decides for itself, reached through the
// commands a user gives: each is driven to its edge, where the operation still
// runs, and one step past it, where it must do nothing. Expected values are
// worked out from the definitions (knot vectors, Boehm's rule, the sizes of
// the linear systems), not read back from the code.

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "render/display.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

// Colour the RBF and B-spline drawers set for their curve.
constexpr Rgb curveRed{0.3f, 0.0f, 0.0f};
// The parameter bar runs from 25 to 775 in the 800-pixel window.
constexpr double barLeft = 25.0;
constexpr double barLength = 750.0;

void keys(const std::string& sequence) {
    for (char c : sequence) {
        onKey(static_cast<unsigned char>(c), 0, 0);
    }
}

void menu(MenuCode code) {
    onMenu(static_cast<int>(code));
}

// n distinct points as if entered by the mouse (and reload can bring them back).
void enterPoints(int n) {
    AppState& s = appState;
    for (int i = 0; i < n; ++i) {
        const Point3 p{40.0f + 5.0f * static_cast<float>(i),
                       150.0f + static_cast<float>((i * 37) % 300), static_cast<float>(i % 7)};
        s.controlPoints[i] = p;
        s.enteredPolygon[i] = p;
        s.knots[i] = static_cast<float>(i);
    }
    s.pointCount = n;
    s.enteredPointCount = n;
}

// The parameter bar takes whatever colour the previous frame left, often the curve's.
bool onParameterBar(const tvtest::FbItem& line) {
    return line.vertices[0].y == 25.0f && line.vertices[1].y == 25.0f;
}

// Segments the display drew in the curve colour.
int curveSegmentsDrawn() {
    int count = 0;
    for (const tvtest::FbItem& item : tvtest::linesOf(tvtest::captureFeedback(onDisplay))) {
        count += tvtest::hasColour(item.vertices[0], curveRed) && !onParameterBar(item) ? 1 : 0;
    }
    return count;
}

bool samePolygon(const ControlPolygon& a, const ControlPolygon& b) {
    return std::memcmp(a.data(), b.data(), sizeof(ControlPolygon)) == 0;
}

class CapacityTest : public tvtest::AppTest {};

// Lagrange and RBF use one node per point, Bezier n - 1 zeros and n - 1 ones,
// B-spline n + d + 1 knots: each at 128 exactly, and one step further.
TEST_F(CapacityTest, KnotListsOfEveryModeAtAndPastTheirEdge) {
    // 128 nodes 0 .. 127 in Lagrange and RBF mode; handle i at 25 + 750 i / 127.
    for (MenuCode mode : {MenuCode::Lagrange, MenuCode::Rbf}) {
        appState = AppState{};
        enterPoints(maxPoints);
        menu(mode);
        ASSERT_EQ(appState.knotCount, maxPoints);
        for (int i : {0, 1, 64, 126, 127}) {
            EXPECT_EQ(appState.knots[i], static_cast<float>(i));
            EXPECT_NEAR(appState.knotHandles[i].x, barLeft + barLength * i / 127.0, 1e-3);
        }
        // A click on empty space at capacity moves the last point: still 128 nodes.
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 790, 10);
        onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 790, 10);
        EXPECT_EQ(appState.pointCount, maxPoints);
        EXPECT_EQ(appState.knotCount, maxPoints);
        EXPECT_EQ(appState.controlPoints[maxPoints - 1].x, 790.0f);
    }

    // Bezier: 65 points need 64 + 64 = 128 knots exactly; 66 would need 130
    // and keep the 128 (the Bezier curve never reads them).
    for (int n : {65, 66}) {
        appState = AppState{};
        enterPoints(n);
        menu(MenuCode::Bezier);
        ASSERT_EQ(appState.knotCount, maxPoints) << n;
        EXPECT_EQ(appState.knots[63], 0.0f);
        EXPECT_EQ(appState.knots[64], 1.0f);
        EXPECT_EQ(appState.knotHandles[63].x, 25.0f);
        EXPECT_EQ(appState.knotHandles[64].x, 775.0f);
        EXPECT_GT(tvtest::captureFeedback(onDisplay).size(), 0u);
    }

    // B-spline: 64 points of degree 63 need 128 knots (64 zeros and 64 copies
    // of 1); the w key asks for 129, which empties the list and the curve.
    appState = AppState{};
    enterPoints(64);
    appState.polyDegree = 62;
    menu(MenuCode::Bspline);
    keys("w");
    ASSERT_EQ(appState.polyDegree, 63);
    ASSERT_EQ(appState.knotCount, maxPoints);
    EXPECT_EQ(appState.knots[63], 0.0f);
    EXPECT_EQ(appState.knots[64], 1.0f);
    EXPECT_GT(curveSegmentsDrawn(), 0);
    keys("w");
    EXPECT_EQ(appState.knotCount, 0);
    EXPECT_EQ(curveSegmentsDrawn(), 0);
    keys("q");
    EXPECT_EQ(appState.knotCount, maxPoints);
    EXPECT_GT(curveSegmentsDrawn(), 0);
}

// The RBF system has n + d + 1 unknowns, one row of rbfCoefficients each.
TEST_F(CapacityTest, RbfRowsAtAndPastTheirEdge) {
    enterPoints(100);
    appState.polyDegree = 26;
    menu(MenuCode::Rbf);
    keys("w");  // 100 + 27 + 1 = 128 rows
    ASSERT_EQ(appState.polyDegree, 27);
    // The rows are solved, but powers up to 99^27 leave the curve missing its
    // points: it is not drawn.
    EXPECT_NE(appState.rbfStatus, RbfSolveStatus::NoRoom);
    const auto solved = appState.rbfCoefficients;
    keys("w");  // 129 rows do not fit: nothing is solved and no curve drawn
    EXPECT_EQ(appState.rbfStatus, RbfSolveStatus::NoRoom);
    EXPECT_EQ(appState.rbfCoefficients, solved);
    EXPECT_EQ(curveSegmentsDrawn(), 0);
    // A degree the centres can carry at that size is drawn.
    appState.polyDegree = 1;
    menu(MenuCode::Rbf);
    EXPECT_GT(curveSegmentsDrawn(), 0);

    // 128 points leave no row for even a constant polynomial part.
    appState = AppState{};
    enterPoints(maxPoints);
    appState.polyDegree = 0;
    menu(MenuCode::Rbf);
    EXPECT_EQ(curveSegmentsDrawn(), 0);
    keys("q,.b");
    EXPECT_EQ(curveSegmentsDrawn(), 0);
    // One point fewer fits again.
    appState.activePoint = 0;
    menu(MenuCode::DeletePoint);
    EXPECT_EQ(appState.pointCount, maxPoints - 1);
    EXPECT_GT(curveSegmentsDrawn(), 0);
}

// A local RBF subdivision system serves degrees up to S - 1; one more is
// refused whole.
TEST_F(CapacityTest, RbfStencilsAtAndPastTheirEdge) {
    struct Case {
        const char* schemeKeys;  // from NR4 to the scheme
        int stencil;
    };
    for (const Case& c : {Case{"aaa", 4}, Case{"aaaa", 6}}) {
        const int edgeDegree = c.stencil - 1;
        appState = AppState{};
        enterPoints(4);
        keys(c.schemeKeys);
        ASSERT_EQ(appState.rbfStencilSize, c.stencil);
        appState.polyDegree = edgeDegree;
        keys("s");
        EXPECT_EQ(appState.pointCount, 8) << c.stencil;
        keys("d");  // back to the four points as entered
        keys("w");
        const ControlPolygon before = appState.controlPoints;
        const float shape = appState.shapeR;
        keys("s");
        EXPECT_EQ(appState.pointCount, 4) << c.stencil;
        EXPECT_TRUE(samePolygon(appState.controlPoints, before)) << c.stencil;
        EXPECT_EQ(appState.shapeR, shape) << c.stencil;
        EXPECT_EQ(appState.stepRefusal, SubdivisionRefusal::DegreeAboveStencil) << c.stencil;
    }
}

TEST_F(CapacityTest, SubdivisionAtAndPastSixtyFourPoints) {
    const char* const cycle[] = {"", "a", "a", "a", "a"};  // NR4, D-D, UNR4, rbf4, rbf6
    for (const char* next : cycle) {
        keys(next);
        const auto scheme = static_cast<int>(appState.schemeKind);
        enterPoints(64);
        keys("s");
        EXPECT_EQ(appState.pointCount, maxPoints) << scheme;
        enterPoints(65);
        const ControlPolygon before = appState.controlPoints;
        keys("s");
        EXPECT_EQ(appState.pointCount, 65) << scheme;
        EXPECT_TRUE(samePolygon(appState.controlPoints, before)) << scheme;
    }
}

// Knot insertion adds a point and a knot; the knot list fills first. With
// degree 1 and 125 points the clamped list 0, 0, 1, ..., 124, 124 has 127
// knots: one insertion fills it, the next is refused.
TEST_F(CapacityTest, KnotInsertionFillsTheListThenStops) {
    enterPoints(125);
    menu(MenuCode::Bspline);
    ASSERT_EQ(appState.knotCount, 127);
    const ControlPolygon p = appState.controlPoints;
    // Knot 10 has the value 9; inserting it again into a degree-1 spline cuts
    // the leg p[9] p[10] at its start (alpha = (9 - 8) / (9 - 8) = 1), so p[9]
    // appears twice and the later points move up by one.
    appState.activeKnot = 10;
    keys("i");
    ASSERT_EQ(appState.pointCount, 126);
    ASSERT_EQ(appState.knotCount, maxPoints);
    EXPECT_EQ(appState.knots[10], 9.0f);
    EXPECT_EQ(appState.knots[11], 9.0f);
    EXPECT_EQ(appState.knots[12], 10.0f);
    EXPECT_EQ(appState.knots[127], 124.0f);
    for (int i = 0; i < 126; ++i) {
        const Point3& expected = p[i <= 9 ? i : i - 1];
        EXPECT_EQ(appState.controlPoints[i].x, expected.x) << i;
        EXPECT_EQ(appState.controlPoints[i].y, expected.y) << i;
    }
    const AppState full = appState;
    appState.activeKnot = 20;
    const auto drawn = tvtest::captureFeedback([] { keys("i"); });
    EXPECT_TRUE(drawn.empty());
    EXPECT_EQ(appState.pointCount, 126);
    EXPECT_EQ(appState.knotCount, maxPoints);
    EXPECT_EQ(appState.knots, full.knots);
    EXPECT_TRUE(samePolygon(appState.controlPoints, full.controlPoints));
}

// 128 points through every command that grows, shrinks or redraws them: the
// counts stay in range, the elevation is refused and the reductions give 127.
TEST_F(CapacityTest, FullPolygonThroughEveryCommand) {
    const MenuCode modes[] = {MenuCode::Lagrange, MenuCode::Bezier, MenuCode::Rbf,
                              MenuCode::Bspline};
    for (MenuCode mode : modes) {
        appState = AppState{};
        enterPoints(maxPoints);
        menu(mode);
        keys("e");
        EXPECT_EQ(appState.pointCount, maxPoints);
        EXPECT_EQ(appState.auxPointCount, 0);
        keys("hj");
        EXPECT_EQ(appState.auxPointCount, maxPoints - 1);
        keys("l");
        EXPECT_TRUE(appState.showFamily);
        appState.activeKnot = 5;
        keys("i");
        EXPECT_EQ(appState.pointCount, maxPoints);
        keys("m");
        for (int frame = 0; frame < 70 && appState.animating; ++frame) {
            onIdle();
            if (frame % 16 == 0) {
                EXPECT_GT(tvtest::captureFeedback(onDisplay).size(), 0u);
            }
        }
        EXPECT_FALSE(appState.animating);
        keys("s");
        EXPECT_EQ(appState.pointCount, maxPoints);
        EXPECT_LE(appState.knotCount, maxPoints);
        EXPECT_GT(tvtest::captureFeedback(onDisplay).size(), 0u);
        keys("d");
        EXPECT_EQ(appState.pointCount, maxPoints);
    }
}

}  // namespace
