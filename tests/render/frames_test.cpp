#include "render/frames.hpp"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/commands.hpp"
#include "app/state.hpp"
#include "render/curve_scene.hpp"
#include "render/display.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

using tvtest::captureFeedback;
using tvtest::FbItem;
using tvtest::FbVertex;
using tvtest::hasColour;

constexpr Rgb white{1, 1, 1};
constexpr Rgb oldTone{0.5f, 0.1f, 0.3f};
constexpr Rgb rbfRefinedTone{0.1f, 0.5f, 0.3f};
constexpr Rgb fourPointRefinedTone{0.1f, 0.3f, 0.5f};
// Window depth of a vertex at z = 0 under the -1000..1000 depth range.
constexpr float flatDepth = 0.5f;

// Key s under the given scheme.
void subdivideWith(SubdivisionScheme scheme) {
    appState.schemeKind = scheme;
    onKey('s', 0, 0);
}

void rbf4() {
    subdivideWith(SubdivisionScheme::Rbf4);
}

void dd() {
    subdivideWith(SubdivisionScheme::DeslauriersDubuc);
}

void unr4() {
    subdivideWith(SubdivisionScheme::Unr4);
}

void nr4() {
    subdivideWith(SubdivisionScheme::Nr4);
}

class FrameTest : public tvtest::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        const Point3 entered[3] = {{50, 60, 500}, {150, 80, 500}, {120, 200, 500}};
        appState.enteredPointCount = 3;
        for (int i = 0; i < 3; ++i) {
            appState.enteredPolygon[static_cast<size_t>(i)] = entered[i];
        }
        const Point3 square[4] = {
            {100, 100, 400}, {300, 100, 400}, {300, 300, 400}, {100, 300, 400}};
        appState.pointCount = 4;
        for (int i = 0; i < 4; ++i) {
            appState.controlPoints[static_cast<size_t>(i)] = square[i];
            appState.knots[static_cast<size_t>(i)] = static_cast<float>(i);
        }
    }
};

struct Group {
    int segments;
    Rgb colour;
};

// The line items form consecutive groups of the given sizes and colours.
void expectGroups(const std::vector<FbItem>& lines, const std::vector<Group>& groups,
                  const char* name) {
    size_t at = 0;
    for (const Group& g : groups) {
        for (int s = 0; s < g.segments; ++s, ++at) {
            ASSERT_LT(at, lines.size()) << name;
            EXPECT_TRUE(hasColour(lines[at].vertices[0], g.colour)) << name << " segment " << at;
        }
    }
}

TEST_F(FrameTest, ComparisonFrames) {
    struct Case {
        const char* name;
        void (*step)();
        int enteredSegments;  // 2 for an open strip of 3 points, 3 for a loop
        Rgb refined;
        bool flat;  // 2-D vertices
    };
    const Case cases[] = {
        {"rbf4", rbf4, 2, rbfRefinedTone, false},
        {"D-D", dd, 2, fourPointRefinedTone, true},
        {"UNR4", unr4, 3, fourPointRefinedTone, true},
    };
    for (const Case& c : cases) {
        SetUp();
        glColor3f(1, 1, 1);
        const std::vector<FbItem> lines = tvtest::linesOf(captureFeedback(c.step));
        const size_t frameLines = static_cast<size_t>(c.enteredSegments + 3 + 7);
        ASSERT_GE(lines.size(), frameLines) << c.name;
        expectGroups(lines, {{c.enteredSegments, white}, {3, oldTone}, {7, c.refined}}, c.name);

        // Entered polygon first, in the colour that was current.
        EXPECT_EQ(lines[0].vertices[0].x, 50.0f) << c.name;
        EXPECT_EQ(lines[0].vertices[1].y, 80.0f) << c.name;
        if (c.enteredSegments == 3) {  // the loop closes back to the first point
            EXPECT_EQ(lines[2].vertices[1].x, 50.0f) << c.name;
        }
        // Old polygon: the four corners as an open strip.
        const FbItem& oldLast = lines[static_cast<size_t>(c.enteredSegments + 2)];
        EXPECT_EQ(oldLast.vertices[0].x, 300.0f) << c.name;
        EXPECT_EQ(oldLast.vertices[1].x, 100.0f) << c.name;
        EXPECT_EQ(oldLast.vertices[1].y, 300.0f) << c.name;
        // Refined polygon: its first vertex is the new first point.
        const FbItem& refinedFirst = lines[static_cast<size_t>(c.enteredSegments + 3)];
        EXPECT_NEAR(refinedFirst.vertices[0].x, appState.controlPoints[0].x, 1e-3) << c.name;
        EXPECT_NEAR(refinedFirst.vertices[1].y, appState.controlPoints[1].y, 1e-3) << c.name;

        for (size_t k = 0; k < frameLines; ++k) {
            const float depth = lines[k].vertices[0].z;
            EXPECT_EQ(depth == flatDepth, c.flat) << c.name << " segment " << k;
        }
    }
}

TEST_F(FrameTest, Unr4FrameEndsWithTheStatusLine) {
    unr4();
    // The status line sets its own colour; the D-D frame leaves the refined tone.
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_NEAR(colour[0], 0.3f, 1e-6);
    EXPECT_NEAR(colour[1], 0.5f, 1e-6);
    EXPECT_NEAR(colour[2], 0.1f, 1e-6);

    SetUp();
    dd();
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_NEAR(colour[0], 0.1f, 1e-6);
    EXPECT_NEAR(colour[1], 0.3f, 1e-6);
    EXPECT_NEAR(colour[2], 0.5f, 1e-6);
}

TEST_F(FrameTest, Nr4DrawsNothingAndEmptyEnteredPolygonIsSkipped) {
    EXPECT_TRUE(captureFeedback(nr4).empty());

    SetUp();
    appState.enteredPointCount = 0;
    glColor3f(1, 1, 1);
    const std::vector<FbItem> lines = tvtest::linesOf(captureFeedback(dd));
    ASSERT_EQ(lines.size(), 10u);
    expectGroups(lines, {{3, oldTone}, {7, fourPointRefinedTone}}, "D-D");

    // No points: only the entered polygon is left to show.
    SetUp();
    appState.pointCount = 0;
    glColor3f(1, 1, 1);
    const std::vector<FbItem> empty = tvtest::linesOf(captureFeedback(rbf4));
    ASSERT_EQ(empty.size(), 2u);
    expectGroups(empty, {{2, white}}, "rbf4");
}

// --- Knot insertion (key i) ---

using tvtest::FbKind;

struct Vec2 {
    double x, y;
};

void setScene(int degree, const std::vector<Vec2>& points, const std::vector<float>& knots,
              int active) {
    appState.curveMode = CurveMode::Bspline;
    appState.polyDegree = degree;
    appState.pointCount = static_cast<int>(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        appState.controlPoints[i] = {static_cast<float>(points[i].x),
                                     static_cast<float>(points[i].y), 0};
    }
    appState.knotCount = static_cast<int>(knots.size());
    std::copy(knots.begin(), knots.end(), appState.knots.begin());
    appState.activeKnot = active;
}

void insertKnotKey() {
    onKey('i', 0, 0);
}

bool hasColour(const FbVertex& v, float r, float g, float b) {
    return std::fabs(v.r - r) < 1e-3f && std::fabs(v.g - g) < 1e-3f && std::fabs(v.b - b) < 1e-3f;
}

const std::vector<Vec2> fourPoints = {{100, 100}, {300, 400}, {500, 150}, {700, 450}};

class KnotFrameTest : public tvtest::AppTest {};

TEST_F(KnotFrameTest, HandlesFollowTheNewKnots) {
    struct Case {
        int degree;
        std::vector<float> knots;
        int active;
        std::vector<float> handlesAfter;
    };
    const Case cases[] = {
        {1, {0, 0, 1, 2, 3, 3}, 2, {25, 25, 275, 275, 525, 775, 775}},
        {2, {0, 0, 0, 1, 2, 2, 2}, 3, {25, 25, 25, 400, 400, 775, 775, 775}},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        setScene(c.degree, fourPoints, c.knots, c.active);
        insertKnotKey();
        EXPECT_EQ(appState.pointCount, 5) << "degree " << c.degree;
        ASSERT_EQ(appState.knotCount, static_cast<int>(c.handlesAfter.size()));
        for (size_t i = 0; i < c.handlesAfter.size(); ++i) {
            EXPECT_FLOAT_EQ(appState.knotHandles[i].x, c.handlesAfter[i]) << i;
            EXPECT_FLOAT_EQ(appState.knotHandles[i].y, 25.0f) << i;
        }
    }
}

TEST_F(KnotFrameTest, RefusedInsertionDrawsNothingAndKeepsTheRecord) {
    struct Case {
        const char* name;
        void (*change)();
    };
    const Case cases[] = {
        {"no active knot", [] { appState.activeKnot = -1; }},
        {"clamped start", [] { appState.activeKnot = 1; }},
        {"no curve", [] { appState.curveMode = CurveMode::None; }},
        {"Lagrange", [] { appState.curveMode = CurveMode::Lagrange; }},
        {"Bezier", [] { appState.curveMode = CurveMode::Bezier; }},
        {"RBF", [] { appState.curveMode = CurveMode::Rbf; }},
        {"polygon full", [] { appState.pointCount = maxPoints; }},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        setScene(1, fourPoints, {0, 0, 1, 2, 3, 3}, 2);
        c.change();
        const AppState before = appState;
        EXPECT_TRUE(captureFeedback(insertKnotKey).empty()) << c.name;
        EXPECT_EQ(appState.pointCount, before.pointCount) << c.name;
        EXPECT_EQ(appState.knotCount, before.knotCount) << c.name;
        EXPECT_EQ(
            std::memcmp(&appState.controlPoints, &before.controlPoints, sizeof(ControlPolygon)), 0)
            << c.name;
        EXPECT_EQ(std::memcmp(&appState.auxPolygon, &before.auxPolygon, sizeof(ControlPolygon)), 0)
            << c.name;
        EXPECT_EQ(appState.knots, before.knots) << c.name;
    }
}

TEST_F(KnotFrameTest, TransitionFrameShowsOldAndNewPolygonCurveAndBar) {
    setScene(1, fourPoints, {0, 0, 1, 2, 3, 3}, 2);
    // The frame is drawn unrotated, whatever the view and the matrix left behind.
    appState.rotationX = 40;
    appState.rotationY = 70;
    glRotatef(25, 0, 0, 1);
    const curvetest::DrawnScene scene = curvetest::drawnBy(insertKnotKey);

    // Tag every line by its colour, and every marker cube by 'm'.
    std::string order;
    std::vector<FbItem> oldLines, newLines, curveLines, barLines, otherLines;
    size_t nextLine = 0;
    for (const char kind : scene.order) {
        if (kind == 'm') {
            order += 'm';
            continue;
        }
        const FbItem& item = scene.lines[nextLine++];
        const FbVertex& v = item.vertices[0];
        const FbVertex& w = item.vertices[1];
        // The bar sets no colour of its own: it takes the curve's.
        if (v.x == 25.0f && v.y == 25.0f && w.x == 775.0f && w.y == 25.0f) {
            barLines.push_back(item);
            order += 'b';
        } else if (hasColour(v, 0.5f, 0.1f, 0.3f)) {
            oldLines.push_back(item);
            order += 'o';
        } else if (hasColour(v, 0.1f, 0.3f, 0.5f)) {
            newLines.push_back(item);
            order += 'n';
        } else if (hasColour(v, 0.3f, 0.0f, 0.0f)) {
            curveLines.push_back(item);
            order += 'c';
        } else {
            otherLines.push_back(item);
            order += 'x';
        }
    }
    // Old polygon, five point markers, new polygon, curve, bar, seven handles.
    const std::string want = std::string(3, 'o') + std::string(5, 'm') + std::string(4, 'n') +
                             std::string(127, 'c') + "b" + std::string(7, 'm');
    EXPECT_EQ(order, want);

    ASSERT_EQ(oldLines.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(oldLines[i].vertices[0].x, static_cast<float>(fourPoints[i].x));
        EXPECT_FLOAT_EQ(oldLines[i].vertices[1].y, static_cast<float>(fourPoints[i + 1].y));
    }
    const std::vector<Vec2> newPoints = {fourPoints[0], fourPoints[1], fourPoints[1], fourPoints[2],
                                         fourPoints[3]};
    ASSERT_EQ(newLines.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(newLines[i].vertices[0].x, static_cast<float>(newPoints[i].x));
        EXPECT_FLOAT_EQ(newLines[i].vertices[1].y, static_cast<float>(newPoints[i + 1].y));
    }
    ASSERT_EQ(barLines.size(), 1u);
    EXPECT_TRUE(hasColour(barLines[0].vertices[0], 0.3f, 0.0f, 0.0f));
    // Degree 1: the curve runs along the new polygon.
    for (const FbItem& line : curveLines) {
        EXPECT_LE(line.vertices[0].x, 700.0f);
    }
    EXPECT_TRUE(otherLines.empty());

    const std::vector<curvetest::Centre>& centres = scene.markers;
    const std::vector<Vec2> wantCentres = {newPoints[0], newPoints[1], newPoints[2], newPoints[3],
                                           newPoints[4], {25, 25},     {25, 25},     {275, 25},
                                           {275, 25},    {525, 25},    {775, 25},    {775, 25}};
    ASSERT_EQ(centres.size(), wantCentres.size());
    for (size_t i = 0; i < centres.size(); ++i) {
        EXPECT_NEAR(centres[i].x, wantCentres[i].x, 1e-3) << "marker " << i;
        EXPECT_NEAR(centres[i].y, wantCentres[i].y, 1e-3) << "marker " << i;
    }
}

}  // namespace
