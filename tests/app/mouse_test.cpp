#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "app/mouse.hpp"
#include "app/state.hpp"
#include "support/gl_fixture.hpp"

namespace {

constexpr int height = 600;
constexpr float barY = 25.0f;

// Mouse events below take scene coordinates (y up) and hand GLUT's y down.
void pressLeft(int x, int y) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, height - y);
}
void releaseLeft(int x, int y) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, height - y);
}
void pressRight(int x, int y) {
    onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, x, height - y);
}
void releaseRight(int x, int y) {
    onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, x, height - y);
}
void drag(int x, int y) {
    onDrag(x, height - y);
}
void hover(int x, int y) {
    onHover(x, height - y);
}

void setPoints(std::initializer_list<Point3> points) {
    int i = 0;
    for (const Point3& p : points) {
        appState.controlPoints[i++] = p;
    }
    appState.pointCount = i;
}

void setHandles(std::initializer_list<float> xs) {
    int i = 0;
    for (float x : xs) {
        appState.knotHandles[i++] = KnotHandle{x, barY, 0.0f};
    }
    appState.knotCount = i;
}

class MouseTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }
};

TEST_F(MouseTest, HitSquareIsOpenAndIgnoresDepthAndRotation) {
    setPoints({{100.0f, 200.0f, 150.0f}});
    appState.rotationX = 40.0f;
    appState.rotationY = -30.0f;
    struct Case {
        int dx, dy;
        bool hit;
    };
    const Case cases[] = {{0, 0, true},   {7, 0, true},  {-7, 0, true}, {8, 0, false},
                          {-8, 0, false}, {0, 7, true},  {0, -7, true}, {0, 8, false},
                          {0, -8, false}, {7, -7, true}, {7, 8, false}, {-8, -8, false}};
    for (const Case& c : cases) {
        hover(100 + c.dx, 200 + c.dy);
        EXPECT_EQ(appState.activePoint, c.hit ? 0 : -1) << c.dx << "," << c.dy;
    }
}

TEST_F(MouseTest, OverlappingPointsGiveTheLowestIndex) {
    setPoints({{100.0f, 100.0f, 0.0f}, {104.0f, 100.0f, 0.0f}, {100.0f, 100.0f, 0.0f}});
    hover(103, 100);
    EXPECT_EQ(appState.activePoint, 0);
    hover(110, 100);  // outside point 0 (110 - 100 > 7), inside point 1
    EXPECT_EQ(appState.activePoint, 1);
    pressLeft(101, 99);
    EXPECT_EQ(appState.activePoint, 0);
    EXPECT_EQ(appState.pointCount, 3);
}

// Handles listed in `under` sit under the cursor at x = 300, the others far away.
TEST_F(MouseTest, HandleSearchRunsFromBothEndsTowardsTheMiddle) {
    struct Case {
        int count;
        std::vector<int> under;
        int expected;
    };
    const Case cases[] = {
        {6, {0, 1, 2, 3, 4, 5}, 3},  // upper half, nearest the middle
        {6, {0, 5}, -1},             // end handles are never found
        {6, {1, 2}, 2},              // lower half: nearest the middle
        {6, {1, 4}, 4},              // the upper half beats the lower
        {6, {3, 4}, 3},
        {5, {1, 2, 3}, 2},  // middle index 2 belongs to the upper half
        {3, {0, 1, 2}, 1},
        {2, {0, 1}, -1},
        {1, {0}, -1},
        {0, {}, -1},
    };
    for (const Case& c : cases) {
        appState.knotCount = c.count;
        for (int k = 0; k < c.count; ++k) {
            appState.knotHandles[k] = KnotHandle{600.0f, barY, 0.0f};
        }
        for (int k : c.under) {
            appState.knotHandles[k].x = 300.0f;
        }
        hover(300, 25);
        EXPECT_EQ(appState.activeKnot, c.expected) << "count " << c.count;
    }
}

TEST_F(MouseTest, HoverHighlightsTheHandleAndPrefersItToAPoint) {
    setHandles({25.0f, 212.5f, 400.0f, 587.5f, 775.0f});
    setPoints({{400.0f, 27.0f, 0.0f}});
    hover(401, 26);
    EXPECT_EQ(appState.activeKnot, 2);
    EXPECT_EQ(appState.activePoint, -1);
    EXPECT_EQ(appState.knotHandles[2].highlighted, 1.0f);
    hover(588, 25);
    EXPECT_EQ(appState.activeKnot, 3);
    EXPECT_EQ(appState.knotHandles[2].highlighted, 0.0f);
    EXPECT_EQ(appState.knotHandles[3].highlighted, 1.0f);
    hover(500, 300);
    EXPECT_EQ(appState.activeKnot, -1);
    EXPECT_EQ(appState.prevActiveKnot, -1);
    EXPECT_EQ(appState.knotHandles[3].highlighted, 0.0f);
}

TEST_F(MouseTest, KnotDragStopsAtItsNeighboursExactPositions) {
    setHandles({25.0f, 100.7f, 200.0f, 300.9f, 775.0f});
    pressLeft(203, 22);
    EXPECT_EQ(appState.dragMode, DragMode::Knot);
    EXPECT_EQ(appState.activeKnot, 2);
    EXPECT_EQ(appState.knotHandles[2].highlighted, 1.0f);
    EXPECT_EQ(appState.pointCount, 0);

    struct Step {
        int x;
        float expected;
    };
    // Pushed past a fractional neighbour, the handle stops on it, not a
    // truncated pixel beyond it.
    const Step steps[] = {{50, 100.7f},  {400, 300.9f}, {250, 250.0f},
                          {100, 100.7f}, {101, 101.0f}, {301, 300.9f}};
    for (const Step& s : steps) {
        drag(s.x, 500);
        EXPECT_EQ(appState.knotHandles[2].x, s.expected) << "drag to " << s.x;
        EXPECT_EQ(appState.knotHandles[2].y, barY);
    }
    releaseLeft(90, 300);
    EXPECT_EQ(appState.knotHandles[2].x, 100.7f);
    EXPECT_EQ(appState.dragMode, DragMode::None);
    EXPECT_EQ(appState.pressedButton, -1);
    EXPECT_EQ(appState.knotHandles[2].highlighted, 1.0f);  // until the cursor leaves
    EXPECT_EQ(appState.knotHandles[1].x, 100.7f);
    EXPECT_EQ(appState.knotHandles[3].x, 300.9f);

    // Knots proportional to the handles, from exactly 0 to exactly 1; the
    // pushed knot equals its neighbour.
    EXPECT_EQ(appState.knots[0], 0.0f);
    EXPECT_EQ(appState.knots[4], 1.0f);
    EXPECT_EQ(appState.knots[2], appState.knots[1]);
    EXPECT_NEAR(appState.knots[2], 75.7 / 750.0, 1e-6);
    EXPECT_NEAR(appState.knots[3], 275.9 / 750.0, 1e-6);
}

// Handles laid out for any window width sit at fractional positions; hard
// drags against either neighbour, held and released, never put the knots out
// of order.
TEST_F(MouseTest, KnotsStayInOrderWhateverTheDragAndWidth) {
    for (int width : {800, 1037, 333, 4000}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        appState = AppState{};
        appState.windowWidth = width;
        appState.curveMode = CurveMode::Bspline;
        appState.polyDegree = 3;
        appState.pointCount = 9;
        appState.knotCount = 13;
        for (int k = 1; k <= 11; ++k) {
            for (int i = 0; i < 13; ++i) {
                appState.knots[i] = static_cast<float>(i) / 7.0f;
            }
            layoutKnotHandles();
            const float left = appState.knotHandles[k - 1].x;
            const float right = appState.knotHandles[k + 1].x;
            const int y = static_cast<int>(barY);
            pressLeft(static_cast<int>(appState.knotHandles[k].x), y);
            ASSERT_EQ(appState.activeKnot, k);
            for (int x : {static_cast<int>(left) - 1, static_cast<int>(left),
                          static_cast<int>(right) + 1, static_cast<int>(right), -50, width + 50}) {
                drag(x, y);
                EXPECT_GE(appState.knotHandles[k].x, left) << k << " at " << x;
                EXPECT_LE(appState.knotHandles[k].x, right) << k << " at " << x;
            }
            releaseLeft(k % 2 == 0 ? -50 : width + 50, y);
            EXPECT_EQ(appState.knotHandles[k].x, k % 2 == 0 ? left : right) << k;
            for (int i = 1; i < 13; ++i) {
                ASSERT_LE(appState.knots[i - 1], appState.knots[i]) << "after handle " << k;
            }
        }
    }
}

TEST_F(MouseTest, EndHandlesAreNotGrabbedAndAClickThereAddsAPoint) {
    setHandles({25.0f, 400.0f, 775.0f});
    pressLeft(25, 25);
    EXPECT_EQ(appState.dragMode, DragMode::Point);
    EXPECT_EQ(appState.activeKnot, -1);
    EXPECT_EQ(appState.pointCount, 1);
}

TEST_F(MouseTest, ClickAppendsDragMovesAndReleaseStoresThePoint) {
    std::srand(7);
    const int r = std::rand();
    seedPointDepths(7);
    pressLeft(100, 100);  // GLUT y = 500
    EXPECT_EQ(appState.pointCount, 1);
    EXPECT_EQ(appState.enteredPointCount, 1);
    EXPECT_EQ(appState.activePoint, 0);
    EXPECT_EQ(appState.dragMode, DragMode::Point);
    EXPECT_EQ(appState.pressedButton, 0);
    const float z = static_cast<float>(r % 400 - 200);
    EXPECT_EQ(appState.controlPoints[0].x, 100.0f);
    EXPECT_EQ(appState.controlPoints[0].y, 100.0f);
    EXPECT_EQ(appState.controlPoints[0].z, z);

    drag(150, 150);
    EXPECT_EQ(appState.controlPoints[0].x, 150.0f);
    EXPECT_EQ(appState.controlPoints[0].y, 150.0f);
    EXPECT_EQ(appState.controlPoints[0].z, z);
    EXPECT_EQ(appState.enteredPolygon[0].x, 150.0f);
    EXPECT_EQ(appState.enteredPolygon[0].y, 150.0f);
    EXPECT_EQ(appState.enteredPolygon[0].z, 0.0f);  // a drag step leaves the entered depth

    releaseLeft(160, 140);
    EXPECT_EQ(appState.dragMode, DragMode::None);
    EXPECT_EQ(appState.pressedButton, -1);
    EXPECT_EQ(appState.controlPoints[0].x, 160.0f);
    EXPECT_EQ(appState.controlPoints[0].y, 140.0f);
    EXPECT_EQ(appState.enteredPolygon[0].x, 160.0f);
    EXPECT_EQ(appState.enteredPolygon[0].y, 140.0f);
    EXPECT_EQ(appState.enteredPolygon[0].z, z);

    // A left release with nothing held changes nothing.
    releaseLeft(300, 300);
    EXPECT_EQ(appState.controlPoints[0].x, 160.0f);
    EXPECT_EQ(appState.pressedButton, -1);
}

TEST_F(MouseTest, DepthOfANewPointFollowsTheWindowWidth) {
    struct Case {
        int width;
        int half, quarter;  // 0, 0: depth 0 whatever rand gives
    };
    const Case cases[] = {{800, 400, 200}, {801, 400, 200}, {10, 5, 2},
                          {3, 1, 0},       {1, 0, 0},       {0, 0, 0}};
    for (const Case& c : cases) {
        appState = AppState{};
        appState.windowWidth = c.width;
        std::srand(11);
        const int r = std::rand();
        seedPointDepths(11);
        pressLeft(50, 50);
        const int expected = c.half > 0 ? r % c.half - c.quarter : 0;
        EXPECT_EQ(appState.controlPoints[0].z, static_cast<float>(expected)) << c.width;
    }
}

TEST_F(MouseTest, AtCapacityAClickMovesTheLastPoint) {
    struct Case {
        int points, entered;
    };
    const Case cases[] = {{128, 128}, {127, 128}, {128, 64}};
    for (const Case& c : cases) {
        appState = AppState{};
        for (int i = 0; i < maxPoints; ++i) {
            appState.controlPoints[i] = Point3{700.0f, 500.0f, 1.0f};
        }
        appState.pointCount = c.points;
        appState.enteredPointCount = c.entered;
        pressLeft(100, 100);
        EXPECT_EQ(appState.pointCount, 128);
        EXPECT_LE(appState.enteredPointCount, 128);
        EXPECT_EQ(appState.enteredPointCount, c.points == 128 ? c.entered : 128);
        EXPECT_EQ(appState.activePoint, 127);
        EXPECT_EQ(appState.controlPoints[127].x, 100.0f);
        EXPECT_EQ(appState.controlPoints[127].y, 100.0f);
        EXPECT_EQ(appState.controlPoints[126].x, 700.0f);
    }
}

// Which press, drag and release re-solve the RBF system: with data linear in
// the parameter (x = 100 + 100 u at nodes 0, 1, 2) the solve gives the
// polynomial part c0 = c1 = 100 and zero weights in x.
TEST_F(MouseTest, OnlyEditsThatChangeTheInterpolantSolveAgain) {
    constexpr float sentinel = 12345.0f;
    auto arm = [] { appState.rbfCoefficients[0][0] = sentinel; };
    setPoints({{100.0f, 100.0f, 0.0f}, {200.0f, 300.0f, 0.0f}, {300.0f, 100.0f, 0.0f}});
    appState.knots = {0.0f, 1.0f, 2.0f};
    setHandles({25.0f, 400.0f, 775.0f});
    appState.knotCount = 3;

    arm();
    pressLeft(200, 300);  // grabs point 1
    EXPECT_EQ(appState.rbfCoefficients[0][0], sentinel);
    drag(200, 250);
    EXPECT_NEAR(appState.rbfCoefficients[0][0], 100.0f, 1e-3);
    EXPECT_NEAR(appState.rbfCoefficients[1][0], 100.0f, 1e-3);
    arm();
    releaseLeft(200, 260);
    EXPECT_NEAR(appState.rbfCoefficients[0][0], 100.0f, 1e-3);

    arm();
    pressLeft(400, 25);  // grabs the middle handle
    EXPECT_EQ(appState.dragMode, DragMode::Knot);
    drag(410, 25);
    EXPECT_EQ(appState.rbfCoefficients[0][0], sentinel);
    releaseLeft(400, 25);
    EXPECT_NE(appState.rbfCoefficients[0][0], sentinel);
}

TEST_F(MouseTest, RightDragTurnsTheViewTenPixelsPerDegree) {
    pressLeft(100, 100);  // a new point, held
    pressRight(400, 300);
    EXPECT_EQ(appState.pressedButton, 2);
    EXPECT_EQ(appState.rotateLastX, 400);
    EXPECT_EQ(appState.rotateLastY, 300);
    drag(420, 320);  // right and up
    EXPECT_FLOAT_EQ(appState.rotationY, 2.0f);
    EXPECT_FLOAT_EQ(appState.rotationX, 2.0f);
    drag(425, 300);
    EXPECT_FLOAT_EQ(appState.rotationY, 2.5f);
    EXPECT_FLOAT_EQ(appState.rotationX, 0.0f);
    EXPECT_EQ(appState.controlPoints[0].x, 100.0f);  // the held point did not follow

    releaseRight(425, 300);
    EXPECT_EQ(appState.pressedButton, -1);
    drag(500, 500);
    EXPECT_FLOAT_EQ(appState.rotationY, 2.5f);
    EXPECT_EQ(appState.controlPoints[0].x, 100.0f);
    // The left release still drops the held point.
    releaseLeft(150, 160);
    EXPECT_EQ(appState.controlPoints[0].x, 150.0f);
    EXPECT_EQ(appState.controlPoints[0].y, 160.0f);
    EXPECT_EQ(appState.dragMode, DragMode::None);
}

TEST_F(MouseTest, StaleIndicesWriteNothing) {
    const Point3 mark{-1.0f, -2.0f, -3.0f};
    struct Case {
        DragMode mode;
        int point, knot, points, knots;
    };
    const Case cases[] = {
        {DragMode::Point, 5, -1, 0, 0},    // polygon cleared during the drag
        {DragMode::Point, 300, -1, 3, 0},  // beyond every array
        {DragMode::Point, -7, -1, 3, 0},
        {DragMode::Knot, -1, 0, 3, 5},  // the first handle has no left neighbour
        {DragMode::Knot, -1, 4, 3, 5},  // the last has no right one
        {DragMode::Knot, -1, 3, 3, 3},  // the list shrank during the drag
        {DragMode::Knot, -1, 200, 3, 5},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        for (int i = 0; i < maxPoints; ++i) {
            appState.controlPoints[i] = mark;
            appState.enteredPolygon[i] = mark;
            appState.knotHandles[i] = KnotHandle{static_cast<float>(100 * i), barY, 0.0f};
        }
        appState.pointCount = c.points;
        appState.knotCount = c.knots;
        appState.activePoint = c.point;
        appState.activeKnot = c.knot;
        appState.dragMode = c.mode;
        appState.pressedButton = 0;
        drag(150, 150);
        releaseLeft(150, 150);
        for (int i = 0; i < maxPoints; ++i) {
            EXPECT_EQ(appState.controlPoints[i].x, mark.x) << i;
            EXPECT_EQ(appState.enteredPolygon[i].x, mark.x) << i;
            EXPECT_EQ(appState.knotHandles[i].x, static_cast<float>(100 * i)) << i;
        }
        EXPECT_EQ(appState.dragMode, DragMode::None);
    }

    // A stale hover index is not used to clear a highlight outside the list.
    appState.prevActiveKnot = 500;
    hover(10, 10);
    EXPECT_EQ(appState.prevActiveKnot, -1);
}

TEST_F(MouseTest, DeleteShiftsTheLaterPointsDown) {
    setPoints({{10.0f, 10.0f, 1.0f}, {20.0f, 20.0f, 2.0f}, {30.0f, 30.0f, 3.0f}});
    appState.enteredPointCount = 3;
    appState.activePoint = 1;
    deleteActivePoint();
    EXPECT_EQ(appState.pointCount, 2);
    EXPECT_EQ(appState.controlPoints[1].x, 30.0f);
    EXPECT_EQ(appState.controlPoints[1].z, 3.0f);
    EXPECT_EQ(appState.activePoint, -1);
    EXPECT_EQ(appState.enteredPointCount, 3);

    // Nothing under the cursor, or an index past the polygon: nothing goes.
    for (int stale : {-1, 2, 5, 128, 1000}) {
        appState.activePoint = stale;
        deleteActivePoint();
        EXPECT_EQ(appState.pointCount, 2) << stale;
    }
    appState.pointCount = 0;
    appState.activePoint = 0;
    deleteActivePoint();
    EXPECT_EQ(appState.pointCount, 0);
}

}  // namespace
