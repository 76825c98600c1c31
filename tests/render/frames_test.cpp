#include "render/frames.hpp"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "app/commands.hpp"
#include "app/state.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

using tvtest::captureFeedback;
using tvtest::FbItem;
using tvtest::FbVertex;
using tvtest::hasColour;
using tvtest::Rgb;

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
    EXPECT_NEAR(colour[0], toneA, 1e-6);
    EXPECT_NEAR(colour[1], toneB, 1e-6);
    EXPECT_NEAR(colour[2], toneC, 1e-6);

    SetUp();
    dd();
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_NEAR(colour[0], toneC, 1e-6);
    EXPECT_NEAR(colour[1], toneA, 1e-6);
    EXPECT_NEAR(colour[2], toneB, 1e-6);
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

}  // namespace
