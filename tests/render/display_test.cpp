#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "app/state.hpp"
#include "app/window.hpp"
#include "render/display.hpp"
#include "render/markers.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

using tvtest::captureFeedback;
using tvtest::FbItem;
using tvtest::FbKind;
using tvtest::FbVertex;
using tvtest::hasColour;

int countPolygons(const std::vector<FbItem>& items, Rgb c) {
    int n = 0;
    for (const FbItem& item : items) {
        if (item.kind == FbKind::Polygon && hasColour(item.vertices[0], c)) {
            ++n;
        }
    }
    return n;
}

// Centre of the bounding box of all polygon vertices of one colour.
std::array<float, 2> polygonCentre(const std::vector<FbItem>& items, Rgb c) {
    float lox = 1e9f, hix = -1e9f, loy = 1e9f, hiy = -1e9f;
    for (const FbItem& item : items) {
        if (item.kind != FbKind::Polygon || !hasColour(item.vertices[0], c)) {
            continue;
        }
        for (const FbVertex& v : item.vertices) {
            lox = std::min(lox, v.x);
            hix = std::max(hix, v.x);
            loy = std::min(loy, v.y);
            hiy = std::max(hiy, v.y);
        }
    }
    return {(lox + hix) / 2, (loy + hiy) / 2};
}

std::array<float, 4> currentColour() {
    std::array<float, 4> c{};
    glGetFloatv(GL_CURRENT_COLOR, c.data());
    return c;
}

constexpr Rgb grey{0.5f, 0.5f, 0.5f};
constexpr Rgb blue{0.0f, 0.0f, 1.0f};
constexpr Rgb red{1.0f, 0.0f, 0.0f};

class DisplayTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }
};

TEST_F(DisplayTest, MarkersLeaveTheirColourBehind) {
    const auto plain = captureFeedback([] { drawMarker(100, 200, 0); });
    // Seen face on, the cube shows its front face only: two triangles.
    const int faces = countPolygons(plain, grey);
    EXPECT_EQ(faces, 2);
    EXPECT_EQ(polygonsOf(plain).size(), static_cast<size_t>(faces));
    for (const FbItem& line : linesOf(plain)) {
        EXPECT_TRUE(hasColour(line.vertices[0], blue));
    }
    EXPECT_EQ(currentColour()[2], 1.0f);
    const auto centre = polygonCentre(plain, grey);
    EXPECT_FLOAT_EQ(centre[0], 100.0f);
    EXPECT_FLOAT_EQ(centre[1], 200.0f);

    const auto high = captureFeedback([] { drawHighlightMarker(100, 200, 0); });
    EXPECT_EQ(countPolygons(high, red), faces);
    for (const FbItem& line : linesOf(high)) {
        EXPECT_TRUE(hasColour(line.vertices[0], grey));
    }
    const auto c = currentColour();
    EXPECT_EQ(c[0], 1.0f);
    EXPECT_EQ(c[1], 0.0f);
    EXPECT_EQ(c[2], 0.0f);
}

class DisplayWithPoints : public DisplayTest {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        appState.pointCount = 3;
        appState.controlPoints[0] = {100, 100, 0};
        appState.controlPoints[1] = {300, 400, 0};
        appState.controlPoints[2] = {500, 150, 0};
    }
    // The control polygon is the only line strip of three vertices: the last
    // two Line items before anything that follows the markers.
    static std::vector<FbItem> polygonSegments(const std::vector<FbItem>& items) {
        std::vector<FbItem> lines = linesOf(items);
        std::vector<FbItem> out;
        for (const FbItem& l : lines) {
            const FbVertex& a = l.vertices[0];
            const FbVertex& b = l.vertices[1];
            const bool first = a.x == 100 && a.y == 100 && b.x == 300 && b.y == 400;
            const bool second = a.x == 300 && a.y == 400 && b.x == 500 && b.y == 150;
            if (first || second) {
                out.push_back(l);
            }
        }
        return out;
    }
};

TEST_F(DisplayWithPoints, HoveredPointIsHighlightedAndPolygonTurnsRed) {
    appState.activePoint = 1;
    const auto items = captureFeedback(onDisplay);
    const int faces = countPolygons(captureFeedback([] { drawMarker(400, 300, 0); }), grey);
    EXPECT_EQ(countPolygons(items, grey), 3 * faces);
    EXPECT_EQ(countPolygons(items, red), faces);
    const auto centre = polygonCentre(items, red);
    EXPECT_FLOAT_EQ(centre[0], 300.0f);
    EXPECT_FLOAT_EQ(centre[1], 400.0f);
    // The highlighted marker comes after all plain ones.
    const auto polygons = polygonsOf(items);
    EXPECT_TRUE(hasColour(polygons.back().vertices[0], red));
    EXPECT_TRUE(hasColour(polygons[3 * faces - 1].vertices[0], grey));

    const auto segments = polygonSegments(items);
    ASSERT_EQ(segments.size(), 2u);
    for (const FbItem& s : segments) {
        EXPECT_TRUE(hasColour(s.vertices[0], red));
    }
}

TEST_F(DisplayWithPoints, PolygonIsBlueWithoutHover) {
    for (int active : {-1, 3, 7}) {  // none, or an index past the polygon
        appState.activePoint = active;
        const auto items = captureFeedback(onDisplay);
        EXPECT_EQ(countPolygons(items, red), 0);
        const auto segments = polygonSegments(items);
        ASSERT_EQ(segments.size(), 2u);
        for (const FbItem& s : segments) {
            EXPECT_TRUE(hasColour(s.vertices[0], blue)) << "active " << active;
        }
    }
}

TEST_F(DisplayWithPoints, BarComesFirstAndNeverRotates) {
    appState.rotationX = 30;
    appState.rotationY = 50;
    glColor3f(0.2f, 0.4f, 0.6f);  // the bar inherits whatever colour is current
    const auto items = captureFeedback(onDisplay);
    ASSERT_FALSE(items.empty());
    const FbItem& bar = items.front();
    EXPECT_TRUE(bar.kind == FbKind::Line || bar.kind == FbKind::LineReset);
    EXPECT_FLOAT_EQ(bar.vertices[0].x, 25.0f);
    EXPECT_FLOAT_EQ(bar.vertices[0].y, 25.0f);
    EXPECT_FLOAT_EQ(bar.vertices[1].x, 775.0f);
    EXPECT_FLOAT_EQ(bar.vertices[1].y, 25.0f);
    EXPECT_TRUE(hasColour(bar.vertices[0], Rgb{0.2f, 0.4f, 0.6f}));
}

TEST_F(DisplayWithPoints, SceneTurnsAboutTheWindowCentre) {
    // Half a turn about the y axis mirrors x about the centre; an odd width
    // puts the centre at 400.5.
    onReshape(801, 600);
    appState.rotationY = 180;
    appState.activePoint = 0;
    auto items = captureFeedback(onDisplay);
    auto centre = polygonCentre(items, red);
    EXPECT_NEAR(centre[0], 801.0f - 100.0f, 1e-3f);
    EXPECT_NEAR(centre[1], 100.0f, 1e-3f);

    // Half a turn about x mirrors y about 300.
    appState.rotationY = 0;
    appState.rotationX = 180;
    items = captureFeedback(onDisplay);
    centre = polygonCentre(items, red);
    EXPECT_NEAR(centre[0], 100.0f, 1e-3f);
    EXPECT_NEAR(centre[1], 600.0f - 100.0f, 1e-3f);
}

TEST_F(DisplayTest, HandlesShowOnlyInModesWithKnots) {
    appState.knotCount = 3;
    appState.knots = {0, 1, 2};
    appState.knotHandles[0] = {25, 25, 0};
    appState.knotHandles[1] = {400, 25, 1};
    appState.knotHandles[2] = {775, 25, 0};
    const int faces = countPolygons(captureFeedback([] { drawMarker(400, 300, 0); }), grey);
    for (CurveMode mode : {CurveMode::None, CurveMode::Lagrange, CurveMode::Bezier, CurveMode::Rbf,
                           CurveMode::Bspline}) {
        appState.curveMode = mode;
        const auto items = captureFeedback(drawParameterBar);
        const bool shown =
            mode == CurveMode::Lagrange || mode == CurveMode::Bezier || mode == CurveMode::Bspline;
        EXPECT_EQ(countPolygons(items, grey), shown ? 2 * faces : 0);
        EXPECT_EQ(countPolygons(items, red), shown ? faces : 0);
    }

    // The animation marker maps the parameter range onto 25..775; the
    // parameter is that of the frame itself (Lagrange: u = 2 animT here).
    appState.curveMode = CurveMode::Lagrange;
    appState.pointCount = 3;
    appState.knotHandles[1].highlighted = 0;
    appState.animT = 0.25f;  // u = 0.5
    auto items = captureFeedback(drawParameterBar);
    EXPECT_EQ(countPolygons(items, grey), 4 * faces);
    const auto polygons = polygonsOf(items);
    std::vector<FbItem> last(polygons.end() - faces, polygons.end());
    EXPECT_NEAR(polygonCentre(last, grey)[0], 25.0f + 750.0f / 4.0f, 1e-3f);
    appState.animT = 1.25f;  // u = 2.5, outside the range: no marker
    items = captureFeedback(drawParameterBar);
    EXPECT_EQ(countPolygons(items, grey), 3 * faces);

    // A single node: the marker sits on the handle at the left end.
    appState.knotCount = 1;
    appState.pointCount = 1;
    appState.knots[0] = 0.0f;
    appState.knotHandles[0] = {25, 25, 0};
    appState.animT = 0.5f;
    items = captureFeedback(drawParameterBar);
    EXPECT_EQ(countPolygons(items, grey), 2 * faces);
    EXPECT_NEAR(polygonCentre(items, grey)[0], 25.0f, 1e-3f);
}

// Handles on one spot (a repeated knot): the one drawn last is the one seen,
// in index order whatever their kinds, and its colour stays current.
TEST_F(DisplayTest, HandlesOnOneSpotShowTheLastOne) {
    struct Case {
        std::vector<float> highlighted;
        bool redOnTop;
    };
    const Case cases[] = {
        {{0, 1}, true}, {{1, 0}, false}, {{0, 1, 0}, false}, {{1, 0, 1}, true}, {{0, 0}, false},
    };
    appState.curveMode = CurveMode::Lagrange;
    appState.animT = 1.25f;  // outside the nodes: no animation marker
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        const int n = static_cast<int>(c.highlighted.size());
        appState.knotCount = n;
        appState.pointCount = n;
        for (int i = 0; i < n; ++i) {
            appState.knots[static_cast<size_t>(i)] = static_cast<float>(i);
            appState.knotHandles[static_cast<size_t>(i)] = {400, 25,
                                                            c.highlighted[static_cast<size_t>(i)]};
        }
        glClear(GL_COLOR_BUFFER_BIT);
        drawParameterBar();
        glFinish();
        unsigned char pixel[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(400, 25, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        const auto left = currentColour();
        if (c.redOnTop) {
            EXPECT_EQ(pixel[0], 255);
            EXPECT_EQ(pixel[2], 0);
            EXPECT_EQ(left[0], 1.0f);
            EXPECT_EQ(left[2], 0.0f);
        } else {
            EXPECT_NEAR(pixel[0], 128, 1);
            EXPECT_NEAR(pixel[2], 128, 1);
            EXPECT_EQ(left[0], 0.0f);
            EXPECT_EQ(left[2], 1.0f);
        }
    }
}

}  // namespace
