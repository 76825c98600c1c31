#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "app/state.hpp"
#include "render/curve_scene.hpp"
#include "render/display.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

using tvtest::captureFeedback;
using tvtest::FbItem;
using tvtest::FbKind;
using tvtest::FbVertex;
using tvtest::hasColour;

constexpr Rgb red{1, 0, 0};
constexpr Rgb grey{0.5f, 0.5f, 0.5f};
constexpr Rgb blue{0, 0, 1};
constexpr Rgb spread{1, 0.125f, 0.125f};

Rgb familyColour(int i) {
    const float grade = static_cast<float>(i) / 12.0f;
    return {grade + 0.25f, grade, grade};
}

class OverlayTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override {
        appState = AppState{};
        glLineWidth(3);
    }
};

TEST_F(OverlayTest, ComparisonPolygonWithItsCurveAndHighlightedPoints) {
    const std::array<Point3, 3> aux = {{{100, 100, 0}, {300, 500, 0}, {500, 100, 0}}};
    for (int i = 0; i < 3; ++i) {
        appState.auxPolygon[i] = aux[static_cast<size_t>(i)];
    }
    appState.auxPointCount = 3;
    const auto items = captureFeedback(onDisplay);
    const curvetest::DrawnScene scene = curvetest::splitScene(items);
    const auto& lines = scene.lines;

    // The bar, the polygon's two legs, then the 128 segments of its quadratic
    // Bezier curve, all red but the bar.
    ASSERT_EQ(lines.size(), 1u + 2u + 128u);
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(hasColour(lines[i].vertices[0], red)) << i;
    }
    for (int leg = 0; leg < 2; ++leg) {
        const FbItem& l = lines[static_cast<size_t>(1 + leg)];
        EXPECT_FLOAT_EQ(l.vertices[0].x, aux[static_cast<size_t>(leg)].x);
        EXPECT_FLOAT_EQ(l.vertices[0].y, aux[static_cast<size_t>(leg)].y);
        EXPECT_FLOAT_EQ(l.vertices[1].x, aux[static_cast<size_t>(leg + 1)].x);
        EXPECT_FLOAT_EQ(l.vertices[1].y, aux[static_cast<size_t>(leg + 1)].y);
    }
    for (int k = 0; k < 128; ++k) {
        const double x = (k + 1) / 128.0;
        // (1-x)^2 P0 + 2x(1-x) P1 + x^2 P2
        const double wantX = 100 + 400 * x;
        const double wantY = 100 + 800 * x * (1 - x);
        const FbVertex& end = lines[static_cast<size_t>(3 + k)].vertices[1];
        EXPECT_NEAR(end.x, wantX, 1e-3) << k;
        EXPECT_NEAR(end.y, wantY, 1e-3) << k;
    }

    // Then, after the curve, a highlighted marker on every point of the
    // comparison polygon: red solids, grey wires.
    EXPECT_EQ(scene.order, std::string(131, 'l') + "mmm");
    ASSERT_EQ(scene.markers.size(), 3u);
    for (size_t m = 0; m < 3; ++m) {
        EXPECT_NEAR(scene.markers[m].x, aux[m].x, 1e-3) << m;
        EXPECT_NEAR(scene.markers[m].y, aux[m].y, 1e-3) << m;
    }
    for (const FbItem& face : tvtest::polygonsOf(items)) {
        EXPECT_TRUE(hasColour(face.vertices[0], red));
        // The highlighted cube's edge is 6: no corner is more than 3 pixels off a centre.
        for (const FbVertex& v : face.vertices) {
            const bool nearOne = std::any_of(aux.begin(), aux.end(), [&v](const Point3& p) {
                return std::abs(v.x - p.x) <= 3.001f && std::abs(v.y - p.y) <= 3.001f;
            });
            EXPECT_TRUE(nearOne) << v.x << ", " << v.y;
        }
    }
    size_t markerEdges = 0;
    for (const FbItem& line : linesOf(items)) {
        markerEdges += hasColour(line.vertices[0], grey) ? 1 : 0;
    }
    EXPECT_EQ(markerEdges, 3 * curvetest::markerShape().edges);

    // No comparison polygon for a count of 0 or less.
    for (int count : {0, -1}) {
        appState.auxPointCount = count;
        const auto bare = captureFeedback(onDisplay);
        EXPECT_EQ(bare.size(), 1u) << count;
    }
}

class FamilyTest : public OverlayTest {
  protected:
    void SetUp() override {
        OverlayTest::SetUp();
        appState.showFamily = true;
        // Family i runs at height 100 + 40 i, its points 200 apart.
        for (int i = 0; i < familySize; ++i) {
            for (int j = 0; j < maxPoints - 1; ++j) {
                appState.familyCurves[static_cast<size_t>(i)][static_cast<size_t>(j)] = {
                    200.0f + 200.0f * static_cast<float>(j), 100.0f + 40.0f * static_cast<float>(i),
                    0};
            }
        }
    }
};

TEST_F(FamilyTest, SixGradedCurvesThenTheSpreadAndWidthThreeAfter) {
    appState.pointCount = 4;
    appState.familyPointCount = 3;
    for (int j = 0; j < 4; ++j) {
        appState.controlPoints[static_cast<size_t>(j)] = {100.0f + 200.0f * static_cast<float>(j),
                                                          500, 0};
    }
    glLineWidth(7);
    const auto lines = curvetest::drawnBy(onDisplay).lines;
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 3.0f);

    // Bar, control polygon, then per family its two legs and 128 curve
    // segments, then one spread segment per point.
    ASSERT_EQ(lines.size(), 1u + 3u + 6u * 130u + 3u);
    for (size_t k = 1; k < 4; ++k) {
        EXPECT_TRUE(hasColour(lines[k].vertices[0], blue)) << k;
    }
    for (int i = 0; i < familySize; ++i) {
        const size_t first = 4 + 130 * static_cast<size_t>(i);
        for (size_t k = first; k < first + 130; ++k) {
            EXPECT_TRUE(hasColour(lines[k].vertices[0], familyColour(i))) << i << " " << k;
            EXPECT_NEAR(lines[k].vertices[1].y, 100.0f + 40.0f * static_cast<float>(i), 1e-3f);
        }
        EXPECT_FLOAT_EQ(lines[first].vertices[0].x, 200.0f);
        EXPECT_FLOAT_EQ(lines[first + 1].vertices[1].x, 600.0f);
        EXPECT_NEAR(lines[first + 129].vertices[1].x, 600.0f, 1e-3f);
    }
    for (int j = 0; j < 3; ++j) {
        const FbItem& s = lines[4 + 6 * 130 + static_cast<size_t>(j)];
        EXPECT_TRUE(hasColour(s.vertices[0], spread)) << j;
        EXPECT_FLOAT_EQ(s.vertices[0].x, 200.0f + 200.0f * static_cast<float>(j));
        EXPECT_FLOAT_EQ(s.vertices[0].y, 100.0f);
        EXPECT_FLOAT_EQ(s.vertices[1].x, 200.0f + 200.0f * static_cast<float>(j));
        EXPECT_FLOAT_EQ(s.vertices[1].y, 300.0f);
    }

    // Rows taken from fewer than three points hold nothing to draw, whatever
    // the polygon holds now.
    appState.familyPointCount = 0;
    for (int n : {0, 1, 2, 4}) {
        appState.pointCount = n;
        const auto few = curvetest::drawnBy(onDisplay).lines;
        for (const FbItem& l : few) {
            EXPECT_FALSE(hasColour(l.vertices[0], familyColour(0))) << n;
            EXPECT_FALSE(hasColour(l.vertices[0], spread)) << n;
        }
    }
}

// Rows of column x whose colour is c, in the frame just drawn. Mesa's swap
// copies the back buffer out and leaves it intact, so it can still be read.
int rowsOfColour(int x, Rgb c) {
    std::vector<unsigned char> column(600 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, 0, 1, 600, GL_RGB, GL_UNSIGNED_BYTE, column.data());
    int rows = 0;
    for (int y = 0; y < 600; ++y) {
        const auto near = [](unsigned char got, float want) {
            return std::abs(static_cast<int>(got) - static_cast<int>(want * 255.0f + 0.5f)) <= 2;
        };
        if (near(column[static_cast<size_t>(3 * y)], c.r) &&
            near(column[static_cast<size_t>(3 * y + 1)], c.g) &&
            near(column[static_cast<size_t>(3 * y + 2)], c.b)) {
            ++rows;
        }
    }
    return rows;
}

TEST_F(FamilyTest, FamilyIsDrawnThinAndTheCurveWide) {
    // Three points: each family is one horizontal segment from 200 to 400.
    appState.pointCount = 3;
    appState.familyPointCount = 2;
    for (int j = 0; j < 3; ++j) {
        appState.controlPoints[static_cast<size_t>(j)] = {100.0f + 300.0f * static_cast<float>(j),
                                                          500.5f, 0};
    }
    appState.curveMode = CurveMode::Bezier;
    glLineWidth(3);
    onDisplay();
    glFinish();
    for (int i = 0; i < familySize; ++i) {
        EXPECT_EQ(rowsOfColour(300, familyColour(i)), 1) << i;
    }
    // The Bezier curve of the horizontal control polygon, drawn after the
    // family, is back at three pixels.
    EXPECT_EQ(rowsOfColour(300, Rgb{0.5f, 0.3f, 0.1f}), 3);
}

}  // namespace
