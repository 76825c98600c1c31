#include <GL/glut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "render/display.hpp"
#include "support/gl_fixture.hpp"

namespace {

constexpr int height = 600;

void key(unsigned char k) {
    onKey(k, 0, 0);
}

void keys(const std::string& sequence) {
    for (char c : sequence) {
        key(static_cast<unsigned char>(c));
    }
}

void menu(MenuCode code) {
    onMenu(static_cast<int>(code));
}

// Enters a polygon with the mouse, as a user would: press and release each point.
void clickPoints(const std::vector<std::pair<int, int>>& points) {
    for (const auto& [x, y] : points) {
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, height - y);
        onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, height - y);
    }
}

class CommandsTest : public tvtest::AppTest {};

TEST_F(CommandsTest, CurveEntriesAndTheirKeysSetTheModeAndDropOverlays) {
    struct Case {
        const char* what;
        void (*run)();
        CurveMode mode;
    };
    const Case cases[] = {
        {"menu RBF", [] { menu(MenuCode::Rbf); }, CurveMode::Rbf},
        {"key r", [] { key('r'); }, CurveMode::Rbf},
        {"menu lagrange", [] { menu(MenuCode::Lagrange); }, CurveMode::Lagrange},
        {"menu bezier", [] { menu(MenuCode::Bezier); }, CurveMode::Bezier},
        {"menu B-spline", [] { menu(MenuCode::Bspline); }, CurveMode::Bspline},
        {"menu subdivision", [] { menu(MenuCode::Subdivision); }, CurveMode::None},
        {"key s", [] { key('s'); }, CurveMode::None},
    };
    for (const Case& c : cases) {
        appState.curveMode = CurveMode::Lagrange;
        appState.auxPointCount = 5;
        appState.showFamily = true;
        if (c.mode == CurveMode::Lagrange) {
            appState.curveMode = CurveMode::Rbf;
        }
        c.run();
        EXPECT_EQ(appState.curveMode, c.mode) << c.what;
        EXPECT_EQ(appState.auxPointCount, 0) << c.what;
        EXPECT_FALSE(appState.showFamily) << c.what;
    }
}

TEST_F(CommandsTest, UnknownMenuCodesDoNothing) {
    appState.curveMode = CurveMode::Bezier;
    appState.auxPointCount = 3;
    appState.showFamily = true;
    for (int code : {0, 9, 11, -1, 1000}) {
        onMenu(code);
    }
    EXPECT_EQ(appState.curveMode, CurveMode::Bezier);
    EXPECT_EQ(appState.auxPointCount, 3);
    EXPECT_TRUE(appState.showFamily);
}

TEST_F(CommandsTest, ClearKeepsStaleHandlesAndReloadAfterClearDoesNothing) {
    clickPoints({{100, 100}, {200, 300}, {300, 100}});
    appState.knotCount = 3;
    appState.knotHandles[1] = KnotHandle{400.0f, 25.0f, 1.0f};
    appState.auxPointCount = 2;
    appState.showFamily = true;
    appState.paramSpacing = 0.25f;
    appState.shapeR = 0.5f;
    appState.curveMode = CurveMode::Bezier;

    key('c');
    EXPECT_EQ(appState.pointCount, 0);
    EXPECT_EQ(appState.enteredPointCount, 0);
    EXPECT_EQ(appState.auxPointCount, 0);
    EXPECT_FALSE(appState.showFamily);
    EXPECT_EQ(appState.paramSpacing, 1.0f);
    EXPECT_EQ(appState.knotCount, 3);
    EXPECT_EQ(appState.knotHandles[1].x, 400.0f);
    EXPECT_EQ(appState.curveMode, CurveMode::Bezier);

    menu(MenuCode::Reload);
    EXPECT_EQ(appState.pointCount, 0);
    EXPECT_EQ(appState.shapeR, 0.5f);
}

TEST_F(CommandsTest, DeleteThenReloadBringsThePointBack) {
    clickPoints({{100, 100}, {200, 300}, {300, 100}});
    const Point3 middle = appState.controlPoints[1];
    onHover(201, height - 299);
    ASSERT_EQ(appState.activePoint, 1);
    appState.auxPointCount = 2;
    menu(MenuCode::DeletePoint);
    EXPECT_EQ(appState.pointCount, 2);
    EXPECT_EQ(appState.controlPoints[1].x, 300.0f);
    EXPECT_EQ(appState.activePoint, -1);
    EXPECT_EQ(appState.auxPointCount, 0);

    // Reload: points as entered, uniform parameters 0, 1, 2, shape back to 1.
    appState.shapeR = 0.75f;
    appState.paramSpacing = 0.5f;
    appState.knots[1] = 0.3f;
    key('d');
    EXPECT_EQ(appState.pointCount, 3);
    EXPECT_EQ(appState.controlPoints[1].x, middle.x);
    EXPECT_EQ(appState.controlPoints[1].y, middle.y);
    EXPECT_EQ(appState.controlPoints[1].z, middle.z);
    EXPECT_EQ(appState.knots[0], 0.0f);
    EXPECT_EQ(appState.knots[1], 1.0f);
    EXPECT_EQ(appState.knots[2], 2.0f);
    EXPECT_EQ(appState.shapeR, 1.0f);
    EXPECT_EQ(appState.paramSpacing, 1.0f);
}

TEST_F(CommandsTest, KeysChangeViewShapeBasisAndHalving) {
    appState.rotationX = 12.0f;
    appState.rotationY = -7.5f;
    key(' ');
    EXPECT_EQ(appState.rotationX, 0.0f);
    EXPECT_EQ(appState.rotationY, 0.0f);

    keys(",<");
    EXPECT_FLOAT_EQ(appState.shapeR, 0.975f);
    keys(".>>");
    EXPECT_FLOAT_EQ(appState.shapeR, 1.0125f);
    appState.shapeR = 0.0125f;
    keys(",,");  // nothing clamps r
    EXPECT_FLOAT_EQ(appState.shapeR, -0.0125f);

    const BasisKind bases[] = {BasisKind::Mq3, BasisKind::Gaussian, BasisKind::Mq1};
    for (BasisKind expected : bases) {
        key('b');
        EXPECT_EQ(appState.basisKind, expected);
    }

    key('n');
    EXPECT_FALSE(appState.halveShapeOnSubdivision);
    key('n');
    EXPECT_TRUE(appState.halveShapeOnSubdivision);
}

TEST_F(CommandsTest, FivePressesOfAReturnToTheStartingScheme) {
    struct Step {
        SubdivisionScheme scheme;
        int stencil;
    };
    const Step steps[] = {{SubdivisionScheme::DeslauriersDubuc, 4},
                          {SubdivisionScheme::Unr4, 4},
                          {SubdivisionScheme::Rbf4, 4},
                          {SubdivisionScheme::Rbf6, 6},
                          {SubdivisionScheme::Nr4, 6}};
    for (const Step& s : steps) {
        key('a');
        EXPECT_EQ(appState.schemeKind, s.scheme);
        EXPECT_EQ(appState.rbfStencilSize, s.stencil);
    }
    key('a');
    key('a');
    key('a');
    EXPECT_EQ(appState.schemeKind, SubdivisionScheme::Rbf4);
    EXPECT_EQ(appState.rbfStencilSize, 4);
}

TEST_F(CommandsTest, DegreeStopsAtZeroAndGrowsWithoutLimit) {
    key('q');
    EXPECT_EQ(appState.polyDegree, 0);
    key('q');
    EXPECT_EQ(appState.polyDegree, 0);
    for (int i = 0; i < 200; ++i) {
        key('w');
    }
    EXPECT_EQ(appState.polyDegree, 200);
}

// alpha must stay above -1 for the weight to be integrable: a step that does
// not leave it above -0.99 puts it back at -0.99999.
TEST_F(CommandsTest, ReductionAlphaSteps) {
    struct Case {
        const char* sequence;
        float alpha;
    };
    const Case cases[] = {
        {"h", -0.99999f},  {"hh", -0.99999f},  {"j", -0.74999f},       {"hj", -0.74999f},
        {"jh", -0.99999f}, {"jjh", -0.74999f}, {"jjjjjjjj", 1.00001f}, {"jjjjhhhhh", -0.99999f},
    };
    for (const Case& c : cases) {
        appState.reductionAlpha = -0.99999f;
        keys(c.sequence);
        EXPECT_NEAR(appState.reductionAlpha, c.alpha, 1e-6) << c.sequence;
    }

    // The comparison polygon has one point less; with two points there is no
    // reduction, and no stale point may be shown in its place.
    const int expected[][2] = {{5, 4}, {3, 2}, {2, 0}, {1, 0}, {0, -1}};
    for (const auto& e : expected) {
        appState.pointCount = e[0];
        for (char k : {'h', 'j'}) {
            appState.auxPointCount = 77;
            key(static_cast<unsigned char>(k));
            EXPECT_EQ(appState.auxPointCount, e[1]) << k << " with " << e[0];
        }
    }
}

TEST_F(CommandsTest, ElevationAndFamilyKeysResetTheOverlays) {
    appState.auxPointCount = 4;
    appState.showFamily = true;
    key('e');
    EXPECT_EQ(appState.auxPointCount, 0);
    EXPECT_FALSE(appState.showFamily);

    appState.auxPointCount = 4;
    key('l');
    EXPECT_TRUE(appState.showFamily);
    EXPECT_EQ(appState.auxPointCount, 0);
    key('l');
    EXPECT_FALSE(appState.showFamily);
}

TEST_F(CommandsTest, AnimationRunsOnlyInCurveModesWithAConstruction) {
    struct Case {
        CurveMode mode;
        bool runs;
    };
    const Case cases[] = {{CurveMode::None, false},
                          {CurveMode::Lagrange, true},
                          {CurveMode::Bezier, true},
                          {CurveMode::Rbf, false},
                          {CurveMode::Bspline, true}};
    for (const Case& c : cases) {
        appState.animating = false;
        appState.curveMode = c.mode;
        key('m');
        EXPECT_EQ(appState.animating, c.runs) << static_cast<int>(c.mode);
    }
}

TEST_F(CommandsTest, IdleShowsSixtyFiveFramesThenStops) {
    appState.curveMode = CurveMode::Bezier;
    key('m');
    ASSERT_TRUE(appState.animating);
    for (int frame = 0; frame <= 64; ++frame) {
        onIdle();
        EXPECT_EQ(appState.animT, static_cast<float>(frame) / 64.0f) << frame;
        EXPECT_TRUE(appState.animating);
    }
    EXPECT_EQ(appState.animT, 1.0f);
    onIdle();
    EXPECT_EQ(appState.animT, -1.0f);
    EXPECT_EQ(appState.animFrame, 0);
    EXPECT_FALSE(appState.animating);
}

TEST_F(CommandsTest, MPausesAndResumesFromTheSameFrame) {
    appState.curveMode = CurveMode::Lagrange;
    key('m');
    for (int i = 0; i < 10; ++i) {
        onIdle();
    }
    key('m');
    EXPECT_FALSE(appState.animating);
    EXPECT_EQ(appState.animT, 9.0f / 64.0f);
    EXPECT_EQ(appState.animFrame, 10);
    key('m');
    EXPECT_TRUE(appState.animating);
    onIdle();
    EXPECT_EQ(appState.animT, 10.0f / 64.0f);
}

// The comparison polygon is on screen, so nothing else may keep scratch in it:
// not the Neville construction of a paused animation (3 and 4 points draw it
// in full), redrawn frame after frame, and not a knot insertion.
TEST_F(CommandsTest, ComparisonPolygonStaysTheReductionInLaterFrames) {
    struct Case {
        std::vector<std::pair<int, int>> points;
        MenuCode curve;
        bool insertKnot;
    };
    const Case cases[] = {
        {{{150, 200}, {400, 450}, {650, 250}}, MenuCode::Lagrange, false},
        {{{100, 200}, {300, 450}, {500, 150}, {700, 400}}, MenuCode::Lagrange, false},
        {{{100, 200}, {300, 450}, {500, 150}, {700, 400}, {750, 200}}, MenuCode::Bspline, true},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        clickPoints(c.points);
        menu(c.curve);
        key('m');
        for (int frame = 0; frame < 20; ++frame) {
            onIdle();
        }
        key('m');
        key('h');
        const int count = appState.auxPointCount;
        ASSERT_EQ(count, static_cast<int>(c.points.size()) - 1);
        const ControlPolygon reduced = appState.auxPolygon;
        if (c.insertKnot) {
            appState.activeKnot = 3;
            key('i');
            ASSERT_EQ(appState.pointCount, static_cast<int>(c.points.size()) + 1);
        }
        for (int frame = 0; frame < 3; ++frame) {
            onDisplay();
            key(' ');
        }
        EXPECT_EQ(appState.auxPointCount, count);
        for (int i = 0; i < count; ++i) {
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(appState.auxPolygon[i][k], reduced[i][k]) << c.points.size() << " " << i;
            }
        }
    }
}

// The family's rows belong to the polygon key l reduced: a point added later
// does not lengthen them, and a polygon too short to reduce leaves none,
// whatever an earlier polygon left in the rows.
TEST_F(CommandsTest, FamilyRowsBelongToThePolygonKeyLReduced) {
    clickPoints({{100, 200}, {300, 450}, {500, 150}, {700, 400}});
    key('l');
    ASSERT_TRUE(appState.showFamily);
    EXPECT_EQ(appState.familyPointCount, 3);
    clickPoints({{750, 300}});
    EXPECT_EQ(appState.pointCount, 5);
    EXPECT_EQ(appState.familyPointCount, 3);

    for (const auto& [x, y] : {std::pair{100, 200}, {300, 450}, {500, 150}}) {
        onHover(x, height - y);
        menu(MenuCode::DeletePoint);
    }
    ASSERT_EQ(appState.pointCount, 2);
    key('l');
    EXPECT_TRUE(appState.showFamily);
    EXPECT_EQ(appState.familyPointCount, 0);
}

TEST_F(CommandsTest, UpperCaseAndOtherKeysDoNothing) {
    clickPoints({{100, 100}, {200, 300}, {300, 100}});
    appState.curveMode = CurveMode::Lagrange;
    appState.auxPointCount = 2;
    const AppState before = appState;
    std::string others = "ABCDEHIJLMNPQRSWxyz09?";
    others.push_back('\0');
    others.push_back(static_cast<char>(255));
    for (char c : others) {
        key(static_cast<unsigned char>(c));
        const AppState& s = appState;
        EXPECT_EQ(s.pointCount, before.pointCount) << c;
        EXPECT_EQ(s.enteredPointCount, before.enteredPointCount) << c;
        EXPECT_EQ(s.auxPointCount, before.auxPointCount) << c;
        EXPECT_EQ(s.curveMode, before.curveMode) << c;
        EXPECT_EQ(s.schemeKind, before.schemeKind) << c;
        EXPECT_EQ(s.basisKind, before.basisKind) << c;
        EXPECT_EQ(s.polyDegree, before.polyDegree) << c;
        EXPECT_EQ(s.shapeR, before.shapeR) << c;
        EXPECT_EQ(s.reductionAlpha, before.reductionAlpha) << c;
        EXPECT_EQ(s.halveShapeOnSubdivision, before.halveShapeOnSubdivision) << c;
        EXPECT_EQ(s.showFamily, before.showFamily) << c;
        EXPECT_EQ(s.animating, before.animating) << c;
        EXPECT_EQ(s.traceEnabled, before.traceEnabled) << c;
    }
}

// The digits stand in for the middle-button menu: digit n does exactly what
// the entry at position n does (clear, reload, RBF, bezier, lagrange,
// B-spline, subdivision, delete point), starting from the same state.
TEST_F(CommandsTest, DigitKeysRunTheMenuEntriesAtTheirPositions) {
    struct Case {
        char digit;
        MenuCode entry;
        int pointsAfter;  // of the four clicked points (one of them dragged)
        CurveMode modeAfter;
    };
    const Case cases[] = {
        {'1', MenuCode::Clear, 0, CurveMode::Lagrange},
        {'2', MenuCode::Reload, 4, CurveMode::Lagrange},
        {'3', MenuCode::Rbf, 4, CurveMode::Rbf},
        {'4', MenuCode::Bezier, 4, CurveMode::Bezier},
        {'5', MenuCode::Lagrange, 4, CurveMode::Lagrange},
        {'6', MenuCode::Bspline, 4, CurveMode::Bspline},
        {'7', MenuCode::Subdivision, 8, CurveMode::None},  // NR4 doubles a closed polygon
        {'8', MenuCode::DeletePoint, 3, CurveMode::Lagrange},
    };
    const auto prepare = [] {
        appState = AppState{};
        clickPoints({{100, 100}, {200, 300}, {300, 100}, {400, 250}});
        // An edit that only reload undoes, so reload shows in the points.
        appState.controlPoints[2].x = 333.0f;
        appState.curveMode = CurveMode::Lagrange;
        onHover(201, height - 299);  // point 1 under the cursor, for delete point
        appState.auxPointCount = 2;
        appState.showFamily = true;
        appState.shapeR = 0.5f;
    };
    for (const Case& c : cases) {
        prepare();
        menu(c.entry);
        const AppState viaMenu = appState;

        prepare();
        key(static_cast<unsigned char>(c.digit));
        const AppState& s = appState;
        EXPECT_EQ(s.pointCount, c.pointsAfter) << c.digit;
        EXPECT_EQ(s.curveMode, c.modeAfter) << c.digit;

        EXPECT_EQ(s.pointCount, viaMenu.pointCount) << c.digit;
        EXPECT_EQ(s.enteredPointCount, viaMenu.enteredPointCount) << c.digit;
        EXPECT_EQ(s.auxPointCount, viaMenu.auxPointCount) << c.digit;
        EXPECT_EQ(s.showFamily, viaMenu.showFamily) << c.digit;
        EXPECT_EQ(s.curveMode, viaMenu.curveMode) << c.digit;
        EXPECT_EQ(s.shapeR, viaMenu.shapeR) << c.digit;
        EXPECT_EQ(s.paramSpacing, viaMenu.paramSpacing) << c.digit;
        EXPECT_EQ(s.activePoint, viaMenu.activePoint) << c.digit;
        for (int i = 0; i < s.pointCount && i < viaMenu.pointCount; ++i) {
            EXPECT_EQ(s.controlPoints[i].x, viaMenu.controlPoints[i].x)
                << c.digit << " point " << i;
            EXPECT_EQ(s.controlPoints[i].y, viaMenu.controlPoints[i].y)
                << c.digit << " point " << i;
            EXPECT_EQ(s.knots[i], viaMenu.knots[i]) << c.digit << " knot " << i;
        }
    }
    // Reload brought the entered point back; delete moved the edited third
    // point into the place of the deleted second one.
    prepare();
    key('2');
    EXPECT_EQ(appState.controlPoints[2].x, 300.0f);
    prepare();
    key('8');
    EXPECT_EQ(appState.controlPoints[1].x, 333.0f);
}

// Quitting needs the menu or Esc: 9 and 0 are not menu positions.
TEST_F(CommandsTest, NineAndZeroDoNothing) {
    clickPoints({{100, 100}, {200, 300}, {300, 100}});
    appState.curveMode = CurveMode::Bezier;
    for (unsigned char k : {'9', '0'}) {
        key(k);
        EXPECT_EQ(appState.pointCount, 3) << k;
        EXPECT_EQ(appState.curveMode, CurveMode::Bezier) << k;
    }
}

// Runs in a fresh temporary directory, so that debug.txt lands there.
class TraceKeyTest : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        char* cwd = getcwd(nullptr, 0);
        ASSERT_NE(cwd, nullptr);
        previousDir_ = cwd;
        std::free(cwd);
        char pattern[] = "/tmp/tessaveld-trace-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override {
        CommandsTest::TearDown();
        EXPECT_EQ(chdir(previousDir_.c_str()), 0);
        std::remove((dir_ + "/debug.txt").c_str());
        rmdir((dir_ + "/debug.txt").c_str());
        rmdir(dir_.c_str());
    }
    std::string previousDir_;
    std::string dir_;
};

TEST_F(TraceKeyTest, PTwiceLeavesAnEmptyDebugFile) {
    std::FILE* old = std::fopen("debug.txt", "w");
    ASSERT_NE(old, nullptr);
    std::fputs("an earlier trace\n", old);
    std::fclose(old);

    key('p');
    EXPECT_TRUE(appState.traceEnabled);
    EXPECT_NE(appState.traceFile, nullptr);
    key('p');
    EXPECT_FALSE(appState.traceEnabled);
    EXPECT_EQ(appState.traceFile, nullptr);

    struct stat info {};
    ASSERT_EQ(stat("debug.txt", &info), 0);
    EXPECT_EQ(info.st_size, 0);
}

TEST_F(TraceKeyTest, TracingSwitchesOnWithoutAFileWhenItCannotBeCreated) {
    ASSERT_EQ(mkdir("debug.txt", 0700), 0);  // a directory cannot be opened for writing
    key('p');
    EXPECT_TRUE(appState.traceEnabled);
    EXPECT_EQ(appState.traceFile, nullptr);
    key('p');
    EXPECT_FALSE(appState.traceEnabled);
}

TEST(CommandsDeathTest, QuitExitsWithOneAndEscWithMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(onMenu(static_cast<int>(MenuCode::Quit)), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(onKey(27, 0, 0), ::testing::ExitedWithCode(255), "");
}

}  // namespace
