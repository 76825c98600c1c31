#include "app/refresh.hpp"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "curves/rbf.hpp"
#include "support/gl_fixture.hpp"

// Which events start the knot list afresh and which keep it, and that the
// RBF coefficients follow every completed edit, all through the callbacks.

namespace {

constexpr int height = 600;
constexpr float barY = 25.0f;

void press(int x, int y) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, height - y);
}
void release(int x, int y) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, height - y);
}
void click(int x, int y) {
    press(x, y);
    release(x, y);
}
void drag(int x, int y) {
    onDrag(x, height - y);
}
void menu(MenuCode code) {
    onMenu(static_cast<int>(code));
}

const std::vector<std::pair<int, int>> clicked = {{100, 100}, {250, 400}, {400, 150}, {550, 450}};

class RefreshTest : public tvtest::AppTest {
  protected:
    // Four clicked points under the Lagrange curve, then handle 1 dragged from
    // 275 to 335: the knots become the handles' positions over 25..775.
    static void lagrangeWithDraggedKnot() {
        appState = AppState{};
        for (const auto& [x, y] : clicked) {
            click(x, y);
        }
        menu(MenuCode::Lagrange);
        press(275, static_cast<int>(barY));
        drag(335, static_cast<int>(barY));
        release(335, static_cast<int>(barY));
    }
};

TEST_F(RefreshTest, KnotsStartAfreshOnlyWhenModeCountOrDegreeChange) {
    const float dragged = (335.0f - 25.0f) / 750.0f;
    lagrangeWithDraggedKnot();
    ASSERT_EQ(appState.knotCount, 4);
    ASSERT_NEAR(appState.knots[1], dragged, 1e-6f);
    ASSERT_EQ(appState.knots[3], 1.0f);

    struct Case {
        const char* what;
        std::function<void()> event;
        int count;      // knots afterwards
        float knot1;    // knots[1] afterwards
        float handle1;  // x of handle 1 afterwards
    };
    const Case cases[] = {
        // Kept: edits of points, settings and the view.
        {"shape key", [] { onKey('.', 0, 0); }, 4, dragged, 335},
        {"basis key", [] { onKey('b', 0, 0); }, 4, dragged, 335},
        {"point drag",
         [] {
             press(400, 150);
             drag(420, 170);
             release(420, 170);
         },
         4, dragged, 335},
        {"view turned",
         [] {
             onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 300, 300);
             onDrag(340, 300);
             onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 340, 300);
         },
         4, dragged, 335},
        {"scheme key", [] { onKey('a', 0, 0); }, 4, dragged, 335},
        // Reload writes uniform values and leaves the handles where they were.
        {"reload", [] { onKey('d', 0, 0); }, 4, 1.0f, 335},
        // Afresh: the mode chosen again, a degree, a new or a deleted point, elevation.
        {"lagrange again", [] { menu(MenuCode::Lagrange); }, 4, 1.0f, 275},
        {"degree key", [] { onKey('w', 0, 0); }, 4, 1.0f, 275},
        {"new point", [] { click(700, 300); }, 5, 1.0f, 212.5f},
        {"delete",
         [] {
             onHover(400, height - 150);
             menu(MenuCode::DeletePoint);
         },
         3, 1.0f, 400},
        {"elevate", [] { onKey('e', 0, 0); }, 5, 1.0f, 212.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        lagrangeWithDraggedKnot();
        c.event();
        ASSERT_EQ(appState.knotCount, c.count);
        EXPECT_NEAR(appState.knots[1], c.knot1, 1e-6f);
        EXPECT_FLOAT_EQ(appState.knotHandles[1].x, c.handle1);
    }
}

// The interpolant passes through every control point at its centre.
void expectInterpolantThroughPoints(const char* after) {
    const AppState& s = appState;
    for (int i = 0; i < s.pointCount; ++i) {
        const Point3 p = evalRbf(s.rbfCoefficients, s.knots.data(), s.pointCount, s.polyDegree,
                                 s.basisKind, s.shapeR, s.knots[i]);
        EXPECT_NEAR(p.x, s.controlPoints[i].x, 1e-2f) << after << ", point " << i;
        EXPECT_NEAR(p.y, s.controlPoints[i].y, 1e-2f) << after << ", point " << i;
    }
}

TEST_F(RefreshTest, RbfCoefficientsFollowEveryCompletedEdit) {
    for (const auto& [x, y] : clicked) {
        click(x, y);
    }
    menu(MenuCode::Rbf);
    expectInterpolantThroughPoints("rbf chosen");
    click(700, 300);
    expectInterpolantThroughPoints("new point");
    press(400, 150);
    drag(430, 200);
    expectInterpolantThroughPoints("point dragged");
    release(440, 210);
    expectInterpolantThroughPoints("point released");
    onKey('w', 0, 0);
    expectInterpolantThroughPoints("degree up");
    onKey('b', 0, 0);
    expectInterpolantThroughPoints("basis");
    onKey('<', 0, 0);
    expectInterpolantThroughPoints("shape");
    onKey('e', 0, 0);
    ASSERT_EQ(appState.pointCount, 6);
    expectInterpolantThroughPoints("elevated");

    // A held knot handle is only previewed: the centres move, the solve waits
    // for the release. The dragged centres crowd into 0..1, where the mq3
    // system loses too many digits for the test above; the coefficients must
    // then be those of a solve for the centres as released.
    const RbfCoefficients before = appState.rbfCoefficients;
    const float handle = appState.knotHandles[2].x;
    press(static_cast<int>(handle), static_cast<int>(barY));
    drag(static_cast<int>(handle) + 40, static_cast<int>(barY));
    EXPECT_EQ(appState.knots[5], 1.0f);
    EXPECT_EQ(appState.rbfCoefficients, before);
    release(static_cast<int>(handle) + 40, static_cast<int>(barY));
    const AppState& s = appState;
    RbfCoefficients fresh{};
    solveRbf(s.controlPoints.data(), s.knots.data(), s.pointCount, s.polyDegree, s.basisKind,
             s.shapeR, fresh);
    EXPECT_NE(s.rbfCoefficients, before);
    EXPECT_EQ(s.rbfCoefficients, fresh);
}

// Key e keeps the polygon before the elevation as the comparison polygon and
// raises the control polygon; past capacity nothing changes.
TEST_F(RefreshTest, ElevationKeepsTheOldPolygonForComparison) {
    for (const auto& [x, y] : clicked) {
        click(x, y);
    }
    const ControlPolygon old = appState.controlPoints;
    onKey('e', 0, 0);
    ASSERT_EQ(appState.pointCount, 5);
    ASSERT_EQ(appState.auxPointCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(appState.auxPolygon[i].x, old[i].x) << i;
        EXPECT_EQ(appState.auxPolygon[i].y, old[i].y) << i;
    }
    // End points stay, inner points move to the blends (i/4) P[i-1] + (1 - i/4) P[i].
    EXPECT_EQ(appState.controlPoints[0].x, old[0].x);
    EXPECT_EQ(appState.controlPoints[4].x, old[3].x);
    EXPECT_NEAR(appState.controlPoints[1].x, 0.25f * old[0].x + 0.75f * old[1].x, 1e-3f);

    appState.pointCount = maxPoints - 1;
    appState.auxPointCount = -1;
    onKey('e', 0, 0);
    EXPECT_EQ(appState.pointCount, maxPoints - 1);
    EXPECT_EQ(appState.auxPointCount, 0);  // the key still drops the overlays
}

}  // namespace
