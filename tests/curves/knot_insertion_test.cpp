#include "curves/knot_insertion.hpp"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/state.hpp"
#include "render/display.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

using tvtest::captureFeedback;
using tvtest::FbItem;
using tvtest::FbKind;
using tvtest::FbVertex;

struct Vec2 {
    double x, y;
};

// B-spline of degree d over knots t at u, by the Cox-de Boor recursion in
// double precision (half-open spans, empty spans contribute nothing).
double basis(const std::vector<double>& t, int i, int d, double u) {
    if (d == 0) {
        return t[static_cast<size_t>(i)] <= u && u < t[static_cast<size_t>(i) + 1] ? 1.0 : 0.0;
    }
    const double ti = t[static_cast<size_t>(i)];
    const double tid = t[static_cast<size_t>(i + d)];
    const double ti1 = t[static_cast<size_t>(i + 1)];
    const double tid1 = t[static_cast<size_t>(i + d + 1)];
    double value = 0;
    if (tid != ti) {
        value += (u - ti) / (tid - ti) * basis(t, i, d - 1, u);
    }
    if (tid1 != ti1) {
        value += (tid1 - u) / (tid1 - ti1) * basis(t, i + 1, d - 1, u);
    }
    return value;
}

Vec2 curvePoint(double u) {
    const AppState& s = appState;
    const std::vector<double> t(s.knots.begin(), s.knots.begin() + s.knotCount);
    Vec2 sum{0, 0};
    for (int i = 0; i < s.pointCount; ++i) {
        const double b = basis(t, i, s.polyDegree, u);
        sum.x += b * s.controlPoints[i].x;
        sum.y += b * s.controlPoints[i].y;
    }
    return sum;
}

// Samples of the curve over its domain [t[d], t[n]), knots included.
std::vector<Vec2> sampleCurve() {
    const AppState& s = appState;
    const double lo = s.knots[s.polyDegree];
    const double hi = s.knots[s.pointCount];
    std::vector<Vec2> out;
    for (int k = 0; k < 400; ++k) {
        out.push_back(curvePoint(lo + (hi - lo) * k / 400.0));
    }
    return out;
}

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

std::vector<float> knotList() {
    return {appState.knots.begin(), appState.knots.begin() + appState.knotCount};
}

bool hasColour(const FbVertex& v, float r, float g, float b) {
    return std::fabs(v.r - r) < 1e-3f && std::fabs(v.g - g) < 1e-3f && std::fabs(v.b - b) < 1e-3f;
}

const std::vector<Vec2> fourPoints = {{100, 100}, {300, 400}, {500, 150}, {700, 450}};

class KnotInsertionTest : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        appState = AppState{};
    }
    void TearDown() override { appState = AppState{}; }
};

TEST_F(KnotInsertionTest, InsertsTheWorkedExamples) {
    const Vec2 p0 = fourPoints[0], p1 = fourPoints[1], p2 = fourPoints[2], p3 = fourPoints[3];
    struct Case {
        int degree;
        std::vector<float> knots;
        int active;
        std::vector<Vec2> points;
        std::vector<float> knotsAfter;
        std::vector<float> handlesAfter;
    };
    const Case cases[] = {
        {1,
         {0, 0, 1, 2, 3, 3},
         2,
         {p0, p1, p1, p2, p3},
         {0, 0, 1, 1, 2, 3, 3},
         {25, 25, 275, 275, 525, 775, 775}},
        {2,
         {0, 0, 0, 1, 2, 2, 2},
         3,
         {p0, p1, {400, 275}, p2, p3},
         {0, 0, 0, 1, 1, 2, 2, 2},
         {25, 25, 25, 400, 400, 775, 775, 775}},
    };
    for (const Case& c : cases) {
        setScene(c.degree, fourPoints, c.knots, c.active);
        insertKnot();
        ASSERT_EQ(appState.pointCount, static_cast<int>(c.points.size()));
        for (size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_FLOAT_EQ(appState.controlPoints[i].x, static_cast<float>(c.points[i].x))
                << "degree " << c.degree << " point " << i;
            EXPECT_FLOAT_EQ(appState.controlPoints[i].y, static_cast<float>(c.points[i].y))
                << "degree " << c.degree << " point " << i;
        }
        EXPECT_EQ(knotList(), c.knotsAfter) << "degree " << c.degree;
        for (size_t i = 0; i < c.handlesAfter.size(); ++i) {
            EXPECT_FLOAT_EQ(appState.knotHandles[i].x, c.handlesAfter[i]) << i;
            EXPECT_FLOAT_EQ(appState.knotHandles[i].y, 25.0f) << i;
        }
    }
}

TEST_F(KnotInsertionTest, EachPressAddsOneMoreCopyAndKeepsTheCurve) {
    const std::vector<Vec2> points = {{80, 90},   {200, 500}, {330, 120},
                                      {460, 470}, {590, 200}, {720, 380}};
    setScene(2, points, {0, 0, 0, 1, 2, 3, 4, 4, 4}, 4);
    const std::vector<Vec2> before = sampleCurve();
    for (int press = 1; press <= 3; ++press) {
        insertKnot();
        ASSERT_EQ(appState.pointCount, 6 + press);
        ASSERT_EQ(appState.knotCount, 9 + press);
        std::vector<float> want = {0, 0, 0, 1};
        want.insert(want.end(), static_cast<size_t>(press + 1), 2.0f);
        want.insert(want.end(), {3, 4, 4, 4});
        EXPECT_EQ(knotList(), want) << "press " << press;
        const std::vector<Vec2> after = sampleCurve();
        for (size_t k = 0; k < before.size(); ++k) {
            EXPECT_NEAR(after[k].x, before[k].x, 1e-3) << "press " << press << " sample " << k;
            EXPECT_NEAR(after[k].y, before[k].y, 1e-3) << "press " << press << " sample " << k;
        }
    }
}

TEST_F(KnotInsertionTest, CurveUnchangedAtEveryInteriorKnot) {
    const std::vector<Vec2> points = {{60, 300},  {150, 520}, {260, 80},  {380, 450},
                                      {470, 140}, {560, 560}, {650, 230}, {740, 400}};
    // A cubic over dragged, non-uniform knots, and a quadratic whose middle
    // knot already has full multiplicity, so one of Boehm's spans is empty.
    struct Case {
        int degree;
        int points;
        std::vector<float> knots;
    };
    const Case cases[] = {
        {3, 8, {0, 0, 0, 0, 0.7f, 1.1f, 2.5f, 2.6f, 4, 4, 4, 4}},
        {2, 6, {0, 0, 0, 1, 1, 1, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        const std::vector<Vec2> polygon(points.begin(), points.begin() + c.points);
        for (int s = c.degree + 1; s <= c.points; ++s) {
            setScene(c.degree, polygon, c.knots, s);
            const std::vector<Vec2> before = sampleCurve();
            insertKnot();
            ASSERT_EQ(appState.pointCount, c.points + 1) << "s " << s;
            const std::vector<Vec2> after = sampleCurve();
            for (size_t k = 0; k < before.size(); ++k) {
                EXPECT_NEAR(after[k].x, before[k].x, 1e-3) << "degree " << c.degree << " s " << s;
                EXPECT_NEAR(after[k].y, before[k].y, 1e-3) << "degree " << c.degree << " s " << s;
            }
        }
    }
}

TEST_F(KnotInsertionTest, RefusesOutsideTheSoundRangeAndModeWithoutAFrame) {
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"no active knot", [] { appState.activeKnot = -1; }},
        {"first knot", [] { appState.activeKnot = 0; }},
        {"clamped start", [] { appState.activeKnot = 1; }},
        {"last knot, past the domain", [] { appState.activeKnot = 5; }},
        {"past the list", [] { appState.activeKnot = 6; }},
        {"no curve", [] { appState.curveMode = CurveMode::None; }},
        {"Lagrange", [] { appState.curveMode = CurveMode::Lagrange; }},
        {"Bezier", [] { appState.curveMode = CurveMode::Bezier; }},
        {"RBF", [] { appState.curveMode = CurveMode::Rbf; }},
        {"polygon full", [] { appState.pointCount = maxPoints; }},
        {"knot list full", [] { appState.knotCount = maxPoints; }},
        {"knot list too short", [] { appState.knotCount = 3; }},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        setScene(1, fourPoints, {0, 0, 1, 2, 3, 3}, 2);
        c.change();
        const AppState before = appState;
        const auto items = captureFeedback(insertKnot);
        EXPECT_TRUE(items.empty()) << c.name;
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

// Centre of the solid faces of each marker cube, in drawing order.
std::vector<Vec2> markerCentres(const std::vector<FbItem>& items, size_t itemsPerMarker) {
    std::vector<Vec2> out;
    size_t i = 0;
    while (i < items.size()) {
        if (items[i].kind != FbKind::Polygon) {
            ++i;
            continue;
        }
        double lox = 1e9, hix = -1e9, loy = 1e9, hiy = -1e9;
        for (size_t k = i; k < std::min(items.size(), i + itemsPerMarker); ++k) {
            if (items[k].kind == FbKind::Polygon) {
                for (const FbVertex& v : items[k].vertices) {
                    lox = std::min(lox, static_cast<double>(v.x));
                    hix = std::max(hix, static_cast<double>(v.x));
                    loy = std::min(loy, static_cast<double>(v.y));
                    hiy = std::max(hiy, static_cast<double>(v.y));
                }
            }
        }
        out.push_back({(lox + hix) / 2, (loy + hiy) / 2});
        i += itemsPerMarker;
    }
    return out;
}

TEST_F(KnotInsertionTest, TransitionFrameShowsOldAndNewPolygonCurveAndBar) {
    const size_t perMarker = captureFeedback([] { drawMarker(400, 300, 0); }).size();
    setScene(1, fourPoints, {0, 0, 1, 2, 3, 3}, 2);
    // The frame is drawn unrotated, whatever the view and the matrix left behind.
    appState.rotationX = 40;
    appState.rotationY = 70;
    glRotatef(25, 0, 0, 1);
    const auto items = captureFeedback(insertKnot);

    // Tag every line by its colour, and every marker cube by 'm'.
    std::string order;
    std::vector<FbItem> oldLines, newLines, curveLines, barLines, otherLines;
    for (size_t i = 0; i < items.size(); ++i) {
        const FbItem& item = items[i];
        if (item.kind == FbKind::Polygon) {
            order += 'm';
            i += perMarker - 1;
            continue;
        }
        if (item.kind != FbKind::Line && item.kind != FbKind::LineReset) {
            continue;
        }
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

    const std::vector<Vec2> centres = markerCentres(items, perMarker);
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
