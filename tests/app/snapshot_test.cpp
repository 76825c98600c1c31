#include "app/snapshot.hpp"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/refresh.hpp"
#include "app/state.hpp"
#include "render/display.hpp"
#include "support/gl_fixture.hpp"

namespace {

constexpr int height = 600;
constexpr int barY = 25;

static_assert(std::is_trivially_copyable_v<AppState>, "records are compared as bytes");

void key(unsigned char k) {
    onKey(k, 0, 0);
}

// The program's keys; the digits reach the menu (4 bezier, 5 lagrange,
// 6 B-spline, 8 delete point). '~' is one idle step, '$' idle steps until the
// construction stops.
void keys(const std::string& sequence) {
    for (char c : sequence) {
        if (c == '~') {
            onIdle();
        } else if (c == '$') {
            while (appState.animating) {
                onIdle();
            }
        } else {
            key(static_cast<unsigned char>(c));
        }
    }
}

void menu(MenuCode code) {
    onMenu(static_cast<int>(code));
}

// Mouse helpers take scene coordinates (y up), as the picture shows them.
void dragLeft(int x0, int y0, int x1, int y1) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x0, height - y0);
    onDrag((x0 + x1) / 2, height - (y0 + y1) / 2);
    onDrag(x1, height - y1);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x1, height - y1);
}

void clickPoints(const std::vector<std::pair<int, int>>& points) {
    for (const auto& [x, y] : points) {
        dragLeft(x, y, x, y);
    }
}

int pixel(float v) {
    return static_cast<int>(std::lround(v));
}

void dragHandle(int k, int dx) {
    const int x = pixel(appState.knotHandles[k].x);
    dragLeft(x, barY, x + dx, barY);
}

void hover(int x, int y) {
    onHover(x, height - y);
}

const std::vector<std::pair<int, int>> five = {
    {100, 200}, {250, 450}, {400, 150}, {550, 420}, {700, 250}};

// Up to five: the first of five; more: two wavy rows across the window, taken
// in turn, so that points of one row lie more than 8 pixels apart.
std::vector<std::pair<int, int>> somePoints(int count) {
    if (count <= 5) {
        return {five.begin(), five.begin() + count};
    }
    std::vector<std::pair<int, int>> points;
    for (int i = 0; i < count; ++i) {
        const int row = i % 2 == 0 ? 170 : 430;
        points.push_back({20 + (i * 760) / count,
                          row + static_cast<int>(std::lround(80.0 * std::sin(0.3 * i)))});
    }
    return points;
}

std::uint32_t bits(float v) {
    std::uint32_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

void expectSamePoints(const Point3* a, const Point3* b, int count, const std::string& what) {
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < dimension; ++c) {
            ASSERT_EQ(bits(a[i][c]), bits(b[i][c])) << what << " point " << i << "." << c;
        }
    }
}

// Everything the text carries, floats bit for bit; an active index outside
// its list arrives as none.
void expectSameRecord(const AppState& a, const AppState& b, const std::string& what) {
    const auto same = [&](float x, float y, const char* field) {
        EXPECT_EQ(bits(x), bits(y)) << what << ": " << field;
    };
    ASSERT_EQ(a.pointCount, b.pointCount) << what;
    ASSERT_EQ(a.enteredPointCount, b.enteredPointCount) << what;
    ASSERT_EQ(a.knotCount, b.knotCount) << what;
    ASSERT_EQ(a.auxPointCount, b.auxPointCount) << what;
    EXPECT_EQ(a.comparisonIsReduction, b.comparisonIsReduction) << what;
    ASSERT_EQ(a.showFamily, b.showFamily) << what;
    expectSamePoints(a.controlPoints.data(), b.controlPoints.data(), a.pointCount, what);
    expectSamePoints(a.enteredPolygon.data(), b.enteredPolygon.data(), a.enteredPointCount, what);
    expectSamePoints(a.auxPolygon.data(), b.auxPolygon.data(), a.auxPointCount, what);
    for (int i = 0; i < std::max(a.knotCount, a.pointCount); ++i) {
        same(a.knots[i], b.knots[i], "knot");
    }
    for (int i = 0; i < a.knotCount; ++i) {
        same(a.knotHandles[i].x, b.knotHandles[i].x, "handle x");
        same(a.knotHandles[i].y, b.knotHandles[i].y, "handle y");
        same(a.knotHandles[i].highlighted, b.knotHandles[i].highlighted, "highlight");
    }
    EXPECT_EQ(a.showFamily ? a.familyPointCount : 0, b.familyPointCount) << what;
    for (int row = 0; row < familySize && a.showFamily; ++row) {
        expectSamePoints(a.familyCurves[row].data(), b.familyCurves[row].data(), a.familyPointCount,
                         what + " family row " + std::to_string(row));
    }
    same(a.paramSpacing, b.paramSpacing, "spacing");
    same(a.shapeR, b.shapeR, "r");
    same(a.reductionAlpha, b.reductionAlpha, "alpha");
    same(a.rotationX, b.rotationX, "turn x");
    same(a.rotationY, b.rotationY, "turn y");
    same(a.animT, b.animT, "animT");
    EXPECT_EQ(a.curveMode, b.curveMode) << what;
    EXPECT_EQ(a.schemeKind, b.schemeKind) << what;
    EXPECT_EQ(a.rbfStencilSize, b.rbfStencilSize) << what;
    EXPECT_EQ(a.basisKind, b.basisKind) << what;
    EXPECT_EQ(a.polyDegree, b.polyDegree) << what;
    EXPECT_EQ(a.halveShapeOnSubdivision, b.halveShapeOnSubdivision) << what;
    EXPECT_EQ(a.animFrame, b.animFrame) << what;
    const auto inList = [](int i, int n) { return i >= 0 && i < n ? i : -1; };
    EXPECT_EQ(inList(a.activePoint, a.pointCount), b.activePoint) << what;
    EXPECT_EQ(inList(a.activeKnot, a.knotCount), b.activeKnot) << what;
}

std::vector<unsigned char> bytesOf(const AppState& s) {
    std::vector<unsigned char> bytes(sizeof s);
    std::memcpy(bytes.data(), &s, sizeof s);
    return bytes;
}

class SnapshotTest : public tvtest::AppTest {};

// What the mouse does between the two runs of keys of a session.
enum class Gesture { None, DragPoint, DragHandle, HoverPoint, HoverHandle, Turn };

// Clicked points, keys, one gesture, keys: what a user could have done.
struct Session {
    const char* what;
    int points;
    const char* before;
    Gesture gesture;
    const char* after;
};

const Session sessions[] = {
    {"clicks in mode None", 5, "", Gesture::None, ""},
    {"a dragged point", 5, "", Gesture::DragPoint, ""},
    {"lagrange with a dragged handle", 5, "5", Gesture::DragHandle, ""},
    {"bezier", 5, "4", Gesture::None, ""},
    {"rbf, mq3, r changed", 5, "rb,,,", Gesture::None, ""},
    {"B-spline of degree 3, a knot dragged and inserted", 7, "6ww", Gesture::DragHandle, "i"},
    {"elevation", 5, "4e", Gesture::None, ""},
    {"reduction j j h", 5, "jjh", Gesture::None, ""},
    {"family, then a point dragged", 5, "4l", Gesture::DragPoint, ""},
    {"family of the polygon as it is", 5, "l", Gesture::None, ""},
    {"family on two points", 2, "l", Gesture::None, ""},
    {"reduction of no polygon", 0, "h", Gesture::None, ""},
    {"NR4 twice, then reload", 5, "ssd", Gesture::None, ""},
    {"Deslauriers-Dubuc", 5, "as", Gesture::None, ""},
    {"UNR4", 5, "aas", Gesture::None, ""},
    {"rbf4 twice from RBF mode", 5, "raaass", Gesture::None, ""},
    {"rbf4 with no knot list", 5, "aaas", Gesture::None, ""},
    {"rbf6 without halving", 5, "raaaanss", Gesture::None, ""},
    {"128 points in lagrange mode", 128, "5", Gesture::None, ""},
    {"paused construction", 5, "6m~~~~~~~~~~~~~~~~~~~~~~~m", Gesture::None, ""},
    {"construction run to its end", 5, "5m$", Gesture::None, ""},
    {"turned view", 5, "", Gesture::Turn, ""},
    {"hover over a point", 5, "", Gesture::HoverPoint, ""},
    {"hover over a handle", 5, "6", Gesture::HoverHandle, ""},
    {"a point deleted", 5, "", Gesture::HoverPoint, "8"},
    {"hovered point left behind by a clear", 5, "", Gesture::HoverPoint, "c"},
};

void runSession(const Session& session) {
    appState = AppState{};
    seedPointDepths(1);
    clickPoints(somePoints(session.points));
    keys(session.before);
    const Point3 p = appState.controlPoints[2];
    const KnotHandle middle = appState.knotHandles[appState.knotCount / 2];
    switch (session.gesture) {
        case Gesture::None:
            break;
        case Gesture::DragPoint:
            dragLeft(pixel(p.x), pixel(p.y), pixel(p.x) + 20, pixel(p.y) - 30);
            break;
        case Gesture::DragHandle:
            dragHandle(appState.knotCount / 2, -30);
            break;
        case Gesture::HoverPoint:
            hover(pixel(p.x) + 1, pixel(p.y) - 1);
            break;
        case Gesture::HoverHandle:
            hover(pixel(middle.x), barY);
            break;
        case Gesture::Turn:
            onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 400, 300);
            onDrag(437, 271);
            onDrag(391, 333);
            onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 391, 333);
            break;
    }
    keys(session.after);
}

void runSession(const std::string& what) {
    for (const Session& session : sessions) {
        if (what == session.what) {
            runSession(session);
            return;
        }
    }
    FAIL() << "no session " << what;
}

TEST_F(SnapshotTest, RecordsOfRealSessionsComeBackFieldByField) {
    for (const Session& session : sessions) {
        runSession(session);
        const std::string text = encodeSnapshot(appState);

        AppState fresh{};
        fresh.windowWidth = 1024;
        fresh.windowHeight = 700;
        fresh.traceEnabled = true;
        fresh.animating = true;
        fresh.dragMode = DragMode::Knot;
        fresh.pressedButton = 0;
        fresh.rotateLastX = 17;
        const SnapshotDecoding d = decodeSnapshot(text, fresh);
        ASSERT_TRUE(d.applied) << session.what << ": " << d.refusal << "\n" << text;
        EXPECT_TRUE(d.refusal.empty()) << session.what;
        expectSameRecord(appState, fresh, session.what);

        // Not carried: the window, the trace and the rotation anchor stay;
        // nothing is held, and the hover is the one the picture shows.
        EXPECT_EQ(fresh.windowWidth, 1024) << session.what;
        EXPECT_EQ(fresh.windowHeight, 700) << session.what;
        EXPECT_TRUE(fresh.traceEnabled) << session.what;
        EXPECT_EQ(fresh.rotateLastX, 17) << session.what;
        EXPECT_FALSE(fresh.animating) << session.what;
        EXPECT_EQ(fresh.dragMode, DragMode::None) << session.what;
        EXPECT_EQ(fresh.pressedButton, -1) << session.what;
        EXPECT_EQ(fresh.prevActivePoint, fresh.activePoint) << session.what;
        EXPECT_EQ(fresh.prevActiveKnot, fresh.activeKnot) << session.what;

        EXPECT_EQ(encodeSnapshot(fresh), text) << session.what;
    }
}

// The sessions reach what the text must carry beyond the obvious.
TEST_F(SnapshotTest, SessionsReachTheCasesTheFormatProvidesFor) {
    struct Case {
        const char* session;
        const char* piece;
    };
    const Case cases[] = {
        // Values past the knot list, written by the subdivision.
        {"rbf4 twice from RBF mode", ";knots=5:0,0.25,0.5,0.75,1;tail=15:1.25,1.5,"},
        // The family keeps its own polygon once a point moved.
        {"family, then a point dragged", ";family=on:5:"},
        {"family of the polygon as it is", ";family=on:points;"},
        {"family of the polygon as it is", ";entered=points;"},
        {"family on two points", ";family=on:0;"},
        {"reduction of no polygon", ";aux=-1;reduced=on;"},
        {"hover over a handle", "!,"},
        // The cleared polygon's hovered point neither shows nor acts.
        {"hovered point left behind by a clear", ";points=0;entered=0;"},
        {"rbf4 with no knot list", ";knots=0;tail=10:0,0.5,1,"},
        {"128 points in lagrange mode", ";points=128:"},
        {"128 points in lagrange mode", ";knots=128:"},
        {"hovered point left behind by a clear", ";active=-1,-1;end"},
    };
    for (const Case& c : cases) {
        runSession(c.session);
        EXPECT_NE(encodeSnapshot(appState).find(c.piece), std::string::npos)
            << c.session << ": " << c.piece << "\n"
            << encodeSnapshot(appState);
    }
}

// A text written out by hand, read into the fields it names, and written
// back exactly as it was.
const std::string handText =
    "v1;mode=bspline;degree=2;scheme=rbf6;stencil=6;basis=mq3;r=0.5;halve=off;alpha=0.25;"
    "spacing=0.25;turn=10,-5.5;points=4:100,100,-37/200,300,12/300,100,5/400.5,300,-0;"
    "entered=points;knots=7:0,0,0,0.5,1,1,1;tail=0;handles=7:25,25,25,400!,775,775,775;"
    "aux=3:1,2,3/4,5,6/7,8,9;reduced=on;family=on:4:0,0,0/200,400,0/400,400,0/600,0,0;"
    "anim=10,0.140625;"
    "active=-1,3;end";

TEST_F(SnapshotTest, AHandWrittenTextGivesTheFieldsItNames) {
    // The example beside the format's description reads, and comes back as it was.
    const std::string example =
        "v1;mode=bezier;degree=1;scheme=nr4;stencil=4;basis=mq1;r=1;halve=on;"
        "alpha=-0.99999;spacing=1;turn=0,0;points=3:100,100,-37/200,300,12/300,100,5;"
        "entered=points;knots=4:0,0,1,1;tail=0;handles=4:25,25,775,775;aux=0;"
        "reduced=off;family=off;anim=0,-1;active=-1,-1;end";
    ASSERT_TRUE(decodeSnapshot(example, appState).applied);
    EXPECT_EQ(encodeSnapshot(appState), example);

    appState.windowWidth = 640;
    const SnapshotDecoding d = decodeSnapshot(handText, appState);
    ASSERT_TRUE(d.applied) << d.refusal;
    const AppState& s = appState;
    EXPECT_EQ(s.curveMode, CurveMode::Bspline);
    EXPECT_EQ(s.polyDegree, 2);
    EXPECT_EQ(s.schemeKind, SubdivisionScheme::Rbf6);
    EXPECT_EQ(s.rbfStencilSize, 6);
    EXPECT_EQ(s.basisKind, BasisKind::Mq3);
    EXPECT_EQ(s.shapeR, 0.5f);
    EXPECT_FALSE(s.halveShapeOnSubdivision);
    EXPECT_EQ(s.paramSpacing, 0.25f);
    EXPECT_EQ(s.rotationY, -5.5f);
    ASSERT_EQ(s.pointCount, 4);
    EXPECT_EQ(s.controlPoints[2].z, 5.0f);
    EXPECT_EQ(s.controlPoints[3].x, 400.5f);
    EXPECT_TRUE(std::signbit(s.controlPoints[3].z));
    EXPECT_EQ(s.enteredPointCount, 4);
    ASSERT_EQ(s.knotCount, 7);
    EXPECT_EQ(s.knots[3], 0.5f);
    EXPECT_EQ(s.knotHandles[3].highlighted, 1.0f);
    EXPECT_EQ(s.knotHandles[2].highlighted, 0.0f);
    EXPECT_EQ(s.knotHandles[6].y, 25.0f);
    EXPECT_EQ(s.knotHandles[7].x, 0.0f);
    ASSERT_EQ(s.auxPointCount, 3);
    EXPECT_TRUE(s.showFamily);
    EXPECT_EQ(s.familyPointCount, 3);
    EXPECT_EQ(s.familyPolygon[2].y, 400.0f);
    // The family's polygon is the quadratic (0,0) (300,600) (600,0) raised
    // to degree three; every weight reduces it back to the quadratic.
    const Point3 quadratic[3] = {{0, 0, 0}, {300, 600, 0}, {600, 0, 0}};
    for (int row = 0; row < familySize; ++row) {
        for (int i = 0; i < 3; ++i) {
            for (int c = 0; c < dimension; ++c) {
                EXPECT_NEAR(s.familyCurves[row][i][c], quadratic[i][c], 0.05f) << row << " " << i;
            }
        }
    }
    EXPECT_EQ(s.animFrame, 10);
    EXPECT_EQ(s.animT, 9.0f / 64.0f);
    EXPECT_EQ(s.activePoint, -1);
    EXPECT_EQ(s.activeKnot, 3);
    EXPECT_EQ(s.windowWidth, 640);
    EXPECT_EQ(encodeSnapshot(s), handText);
}

// The text of a record that holds v (as its shape parameter r), and the
// piece of it that is v.
std::string textWithShape(float v) {
    AppState s{};
    s.shapeR = v;
    return encodeSnapshot(s);
}

std::string writtenAs(float v) {
    const std::string text = textWithShape(v);
    const std::size_t at = text.find(";r=") + 3;
    return text.substr(at, text.find(';', at) - at);
}

// The shortest decimal that reads back, worked out by hand from the floats'
// exact values; clicks give whole numbers, which stay as they are.
// Every value of every table travels by its row's token, and only by it.
TEST_F(SnapshotTest, EveryRowOfTheTablesTravelsByItsToken) {
    const auto travels = [](const std::string& key, std::string_view token, auto set, auto get) {
        AppState s{};
        set(s);
        const std::string text = encodeSnapshot(s);
        EXPECT_NE(text.find(";" + key + "=" + std::string(token) + ";"), std::string::npos) << text;
        AppState back{};
        ASSERT_TRUE(decodeSnapshot(text, back).applied) << text;
        EXPECT_EQ(get(back), get(s)) << token;
    };
    for (const CurveModeRow& row : curveModeRows) {
        travels(
            "mode", row.token, [&](AppState& s) { s.curveMode = row.value; },
            [](const AppState& s) { return s.curveMode; });
    }
    for (const SchemeRow& row : schemeRows) {
        travels(
            "scheme", row.token,
            [&](AppState& s) {
                s.schemeKind = row.value;
                s.rbfStencilSize = row.rbfStencil > 0 ? row.rbfStencil : 4;
            },
            [](const AppState& s) { return s.schemeKind; });
    }
    for (const BasisRow& row : basisRows) {
        travels(
            "basis", row.token, [&](AppState& s) { s.basisKind = row.value; },
            [](const AppState& s) { return s.basisKind; });
    }
}

TEST_F(SnapshotTest, NumbersAreTheShortestDecimalThatReadsBack) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.0f, "0"},
        {-0.0f, "-0"},
        {400.0f, "400"},
        {-37.0f, "-37"},
        {16777216.0f, "16777216"},
        {0.1f, "0.1"},
        {0.5f, "0.5"},
        {1.0f / 3.0f, "0.33333334"},
        {-0.99999f, "-0.99999"},
        {0.0125f, "0.0125"},
        {123456.789f, "123456.79"},
        {1e-5f, "1e-05"},
        {3e38f, "3e+38"},
        {3.40282347e38f, "3.4028235e+38"},
        {1.4e-45f, "1e-45"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(writtenAs(c.value), c.text) << c.text;
    }
}

// Floats of every kind (random bit patterns, pixels, parameters, powers of
// two and their neighbours) come back bit for bit, each written as the
// shortest text by its definition: the first precision of "%.*g" that strtof
// reads back. Whole numbers below 2^24 are written as integers instead (400,
// not 4e+02), so the comparison leaves them out.
TEST_F(SnapshotTest, EveryFiniteFloatComesBackFromItsShortestText) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> pixels(-1000.0f, 1000.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> values;
    for (int e = -149; e <= 127; ++e) {
        const float p = std::ldexp(1.0f, e);
        values.insert(values.end(), {p, -p, std::nextafter(p, 0.0f), std::nextafter(p, 1e38f)});
    }
    for (int i = 0; i < 60000; ++i) {
        const std::uint32_t u = static_cast<std::uint32_t>(random());
        float v = 0.0f;
        std::memcpy(&v, &u, sizeof v);
        values.push_back(i % 3 == 0 ? v : i % 3 == 1 ? pixels(random) : unit(random));
    }
    for (float v : values) {
        if (!std::isfinite(v)) {
            continue;
        }
        const std::string text = writtenAs(v);
        if (std::fabs(v) >= 16777216.0f || v != std::trunc(v)) {
            char expected[32] = {};
            for (int precision = 1; precision <= 9; ++precision) {
                std::snprintf(expected, sizeof expected, "%.*g", precision, static_cast<double>(v));
                if (bits(std::strtof(expected, nullptr)) == bits(v)) {
                    break;
                }
            }
            ASSERT_EQ(text, expected);
        }
        AppState back{};
        ASSERT_TRUE(decodeSnapshot(textWithShape(v), back).applied) << text;
        ASSERT_EQ(bits(back.shapeR), bits(v)) << text;
    }
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST_F(SnapshotTest, RefusedTextsSaySoInOneSentenceAndLeaveTheRecordAlone) {
    struct Case {
        std::string text;
        std::string refusal;
    };
    const std::string& t = handText;
    // Ranges and rules between fields are the record's, in its own words.
    const std::string notAllowed = "The link gives a state the program does not allow: ";
    const std::string tooLong(1 << 20, 'a');
    const Case cases[] = {
        {"", "The link is empty."},
        {tooLong, "The link is 1048576 characters long; at most 65536 are read."},
        {std::string(snapshotMaxLength + 1, 'v'),
         "The link is 65537 characters long; at most 65536 are read."},
        {replaced(t, "v1;", "v7;"), "The link has version 7; this page reads version 1."},
        {replaced(t, "v1;", ""), "The link does not start with a version such as v1."},
        {replaced(t, "v1;", "vx;"), "The link does not start with a version such as v1."},
        {replaced(t, "v1;", "V1;"), "The link does not start with a version such as v1."},
        {replaced(t, "points=4:", "points=200:"),
         "The link holds 200 points in its polygon; at most 128 fit."},
        {replaced(t, "points=4:", "points=-3:"),
         "The link gives its polygon a count of -3, below 0."},
        {replaced(t, "points=4:", "points=3:"),
         "The link's polygon has 4 points where its count says 3."},
        {replaced(t, "points=4:", "points=5:"),
         "The link's polygon has 4 points where its count says 5."},
        {replaced(t, "aux=3:", "aux=-2:"),
         "The link gives its comparison polygon a count of -2, below -1."},
        {replaced(t, "aux=3:", "aux=128:"),
         "The link holds 128 points in its comparison polygon; at most 127 fit."},
        {replaced(t, "aux=3:", "aux=0:"),
         "The link's comparison polygon has 3 points where its count says 0."},
        {replaced(t, "aux=3:1,2,3/4,5,6/7,8,9", "aux=3"),
         "The link's comparison polygon has 0 points where its count says 3."},
        {replaced(t, "4,5,6/", "4,5/"),
         "A point in the link's comparison polygon has 2 "
         "coordinates instead of 3."},
        {replaced(t, "4,5,6/", "4,5,6,7/"),
         "A point in the link's comparison polygon has 4 "
         "coordinates instead of 3."},
        {replaced(t, "entered=points", "entered=129"),
         "The link holds 129 points in its entered polygon; at most 128 fit."},
        {replaced(t, "knots=7:", "knots=6:"),
         "The link's knot list has 7 values where its count says 6."},
        {replaced(t, "knots=7:0,0,0,0.5,1,1,1", "knots=6:0,0,0,0.5,1,1"),
         "The link has 7 knot handles for 6 knots."},
        {replaced(t, "handles=7:", "handles=8:"), "The link has 8 knot handles for 7 knots."},
        {replaced(t, "400!,775,775,775", "400!,775,775"),
         "The link's handle list has 6 handles where its count says 7."},
        {replaced(t, "tail=0", "tail=2:0,1"),
         "The link's knot tail has a count of 2, but its polygon runs 0 past the knot list."},
        {replaced(t, "100,100,-37", "nan,100,-37"),
         "The link's polygon has 'nan' where a number belongs."},
        {replaced(t, "100,100,-37", "100,inf,-37"),
         "The link's polygon has 'inf' where a number belongs."},
        {replaced(t, "100,100,-37", "100,100,-1e39"),
         "The link's polygon has '-1e39', beyond the range of a float."},
        {replaced(t, "100,100,-37", "0x64,100,-37"),
         "The link's polygon has '0x64' where a number belongs."},
        {replaced(t, "100,100,-37", "+100,100,-37"),
         "The link's polygon has '+100' where a number belongs."},
        {replaced(t, "100,100,-37", "100.,100,-37"),
         "The link's polygon has '100.' where a number belongs."},
        {replaced(t, "100,100,-37", "100,,-37"),
         "The link's polygon has '' where a number belongs."},
        {replaced(t, "100,100,-37", "100,100,-0.0000000000000000000000037"),
         "The link's polygon has a number of more than 24 characters."},
        {replaced(t, "r=0.5", "r=infinity"),
         "The link's shape parameter r has 'infinity' where a number belongs."},
        {replaced(t, "mode=bspline", "mode=spline"), "The link's curve mode 'spline' is unknown."},
        {replaced(t, "scheme=rbf6", "scheme=rbf8"),
         "The link's subdivision scheme 'rbf8' is unknown."},
        {replaced(t, "basis=mq3", "basis=gauss"), "The link's radial basis 'gauss' is unknown."},
        {replaced(t, "halve=off", "halve=yes"), "The link's halving switch 'yes' is unknown."},
        {replaced(t, "family=on:4:0,0,0/200,400,0/400,400,0/600,0,0", "family=maybe"),
         "The link's family overlay is 'maybe', neither on nor off."},
        {replaced(t, "stencil=6", "stencil=5"),
         notAllowed + "the RBF stencil has 5 points; it takes 4 or 6."},
        {replaced(t, "stencil=6", "stencil=4"),
         notAllowed + "the scheme rbf6 takes a stencil of 6 points, not 4."},
        {replaced(t, "degree=2", "degree=-1"),
         notAllowed + "the degree is -1; a degree cannot be negative."},
        {replaced(t, "degree=2", "degree=100001"),
         "The link's degree is 100001; at most 100000 is read."},
        {replaced(t, "degree=2", "degree=12345678901"),
         "The link's degree has '12345678901', too large to read."},
        {replaced(t, "degree=2", "degree=2.5"),
         "The link's degree has '2.5' where a whole number belongs."},
        {replaced(t, "alpha=0.25", "alpha=-1"),
         notAllowed + "the reduction weight alpha is -1; it must lie above -1."},
        {replaced(t, "alpha=0.25", "alpha=-7.5"),
         notAllowed + "the reduction weight alpha is -7.5; it must lie above -1."},
        {replaced(t, "anim=10,0.140625", "anim=10,1.5"),
         notAllowed + "the animation parameter is 1.5; it is -1 or lies within 0 .. 1."},
        {replaced(t, "anim=10,0.140625", "anim=10,-0.5"),
         notAllowed + "the animation parameter is -0.5; it is -1 or lies within 0 .. 1."},
        {replaced(t, "anim=10,", "anim=66,"),
         notAllowed + "the animation frame is 66; it lies within 0 .. 65."},
        {replaced(t, "anim=10,", "anim=-1,"),
         notAllowed + "the animation frame is -1; it lies within 0 .. 65."},
        {replaced(t, "active=-1,3", "active=4,3"),
         "The link's active point is 4, but its polygon has 4 points."},
        {replaced(t, "active=-1,3", "active=-2,3"),
         "The link's active point is -2, but its polygon has 4 points."},
        {replaced(t, "active=-1,3", "active=-1,7"),
         "The link's active knot is 7, but its knot list has 7 values."},
        {replaced(t, "family=on:4:0,0,0/200,400,0/400,400,0/600,0,0", "family=on:2:1,2,3/4,5,6"),
         "The link's family comes from 2 points; a reduction takes at least 3."},
        {replaced(replaced(replaced(t, "points=4:", "points=2:"), "/300,100,5/400.5,300,-0", ""),
                  "family=on:4:0,0,0/200,400,0/400,400,0/600,0,0", "family=on:points"),
         "The link's family comes from 2 points; a reduction takes at least 3."},
        {replaced(t, "mode=bspline;", "mode=bspline;mode=bspline;"),
         "The link gives 'mode' twice."},
        {replaced(t, ";end", ";mode=none;end"), "The link gives 'mode' twice."},
        {replaced(t, "r=0.5;", "r=0.5;colour=red;"), "The link has an unknown setting 'colour'."},
        {replaced(t, "degree=2;", ""), "The link has 'scheme' where 'degree' belongs."},
        {replaced(t, "basis=mq3;r=0.5;", "r=0.5;basis=mq3;"),
         "The link has 'r' where 'basis' belongs."},
        {replaced(t, "anim=10,0.140625;active=-1,3;", ""),
         "The link ends before its 'anim' setting."},
        {t + ";", "The link goes on after its end."},
        {t + "x", "The link has an unknown setting 'endx'."},
        {replaced(t, "turn=10,-5.5", "turn=10,-5.5,3"),
         "The link has a stray ',' at position 110."},
        {replaced(t, "r=0.5", "r=0.5!"), "The link has a stray '!' at position 63."},
        {replaced(t, "r=0.5", "r=0.5 "),
         "The link has a stray character (code 32) at position 63."},
        {replaced(t, "r=0.5", "r=0.5#"), "The link has a stray '#' at position 63."},
        {replaced(t, "r=0.5", "r=0.5%20"), "The link has a stray '%' at position 63."},
        {replaced(t, "r=0.5", "r=0.5&"), "The link has a stray '&' at position 63."},
        {replaced(t, "r=0.5", "r=\"0.5\""), "The link has a stray '\"' at position 60."},
        {replaced(t, "r=0.5", std::string("r=0.5\0", 6)),
         "The link has a stray character (code 0) at position 63."},
        {replaced(t, "r=0.5", "r=0.5\xff"),
         "The link has a stray character (code 255) at position 63."},
        {replaced(t, "r=0.5", "r=0.5()"),
         "The link's shape parameter r has '0.5()' where a "
         "number belongs."},
    };

    // A record that a session built, to see that a refusal leaves every byte.
    clickPoints(five);
    menu(MenuCode::Bspline);
    key('l');
    const std::vector<unsigned char> before = bytesOf(appState);
    for (const Case& c : cases) {
        const SnapshotDecoding d = decodeSnapshot(c.text, appState);
        EXPECT_FALSE(d.applied) << c.refusal;
        EXPECT_EQ(d.refusal, c.refusal) << c.text.substr(0, 300);
        EXPECT_TRUE(bytesOf(appState) == before) << c.refusal;
    }
}

// A text cut at any length is refused as cut short: every setting is needed,
// in its order, and the last one is the end marker.
TEST_F(SnapshotTest, ATextCutShortAtAnyLengthIsRefused) {
    std::vector<std::string> texts = {handText};
    for (const char* what :
         {"B-spline of degree 3, a knot dragged and inserted", "family, then a point dragged",
          "rbf4 twice from RBF mode", "paused construction"}) {
        runSession(what);
        texts.push_back(encodeSnapshot(appState));
    }
    appState = AppState{};
    clickPoints(five);
    menu(MenuCode::Lagrange);
    const std::vector<unsigned char> before = bytesOf(appState);
    for (const std::string& text : texts) {
        for (std::size_t length = 1; length < text.size(); ++length) {
            const SnapshotDecoding d =
                decodeSnapshot(std::string_view(text).substr(0, length), appState);
            ASSERT_FALSE(d.applied) << length << " of " << text;
            ASSERT_EQ(d.refusal, "The link was cut short.") << length << " of " << text;
            ASSERT_TRUE(bytesOf(appState) == before) << length << " of " << text;
        }
        AppState whole = appState;
        EXPECT_TRUE(decodeSnapshot(text, whole).applied) << text;
    }
}

// 32 clicked points subdivided twice to 128 by the RBF scheme (whose new
// points need most of their nine digits), lagrange nodes with a dragged
// handle, the family, then the comparison polygon of 127 points, then a drag,
// so that every polygon differs and few numbers are short.
TEST_F(SnapshotTest, AFullStateStaysUnderSixteenKilobytes) {
    clickPoints(somePoints(32));
    keys("raaass");
    ASSERT_EQ(appState.pointCount, 128);
    menu(MenuCode::Lagrange);
    ASSERT_EQ(appState.knotCount, 128);
    dragHandle(40, 3);
    key('l');
    key('h');
    ASSERT_EQ(appState.auxPointCount, 127);
    const Point3 p = appState.controlPoints[31];
    dragLeft(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)),
             static_cast<int>(std::lround(p.x)) + 9, static_cast<int>(std::lround(p.y)) + 14);
    const std::string text = encodeSnapshot(appState);
    ASSERT_EQ(text.find(";family=on:points"), std::string::npos);
    std::printf("full 128-point state: %zu characters\n", text.size());
    EXPECT_LT(text.size(), 16384u);

    AppState back{};
    ASSERT_TRUE(decodeSnapshot(text, back).applied);
    expectSameRecord(appState, back, "full state");
}

// Whatever the record holds, its text is short enough to be read back:
// every list full of numbers that need all nine digits and an exponent.
TEST_F(SnapshotTest, TheLongestRecordStillFitsTheReadableLength) {
    AppState s{};
    const float longest = -1.23456791e-20f;
    const Point3 far{longest, longest, longest};
    s.pointCount = 128;
    s.enteredPointCount = 128;
    s.knotCount = 128;
    s.auxPointCount = 127;
    s.showFamily = true;
    s.familyPointCount = 127;
    s.controlPoints.fill(far);
    s.enteredPolygon.fill(far);
    s.auxPolygon.fill(far);
    s.familyPolygon.fill(Point3{1.0f, longest, longest});
    s.knots.fill(longest);
    s.knotHandles.fill(KnotHandle{longest, 25.0f, 1.0f});
    s.shapeR = s.reductionAlpha = s.rotationX = s.rotationY = longest;
    s.polyDegree = snapshotMaxDegree;
    const std::string text = encodeSnapshot(s);
    std::printf("longest record: %zu characters\n", text.size());
    EXPECT_LT(text.size(), snapshotMaxLength);
    AppState back{};
    const SnapshotDecoding d = decodeSnapshot(text, back);
    EXPECT_TRUE(d.applied) << d.refusal;
}

}  // namespace

namespace {

// FNV-1a of the frame the display draws for the record as it is, from a
// white current colour (the bar takes the colour that the frame before left).
std::uint64_t pictureOf() {
    glColor3f(1.0f, 1.0f, 1.0f);
    onDisplay();
    glFinish();
    std::vector<unsigned char> pixels(static_cast<size_t>(800 * 600 * 3));
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char b : pixels) {
        h = (h ^ b) * 1099511628211ull;
    }
    return h;
}

}  // namespace

// Links handed out by earlier versions, one a line with the session that made
// it and the picture it opened to: each still opens to that picture, and is
// written back byte for byte.
TEST_F(SnapshotTest, SavedLinksOpenToTheirPictures) {
    std::ifstream file("tests/app/saved_links_v1.txt");
    ASSERT_TRUE(file) << "tests/app/saved_links_v1.txt";
    std::string line;
    int read = 0;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string what;
        std::string picture;
        std::string link;
        std::getline(fields, what, '\t');
        std::getline(fields, picture, '\t');
        std::getline(fields, link);
        appState = AppState{};
        const SnapshotDecoding d = decodeSnapshot(link, appState);
        ASSERT_TRUE(d.applied) << what << ": " << d.refusal;
        refreshAfter(Edit::Nodes);
        EXPECT_EQ(encodeSnapshot(appState), link) << what;
        EXPECT_EQ(std::to_string(pictureOf()), picture) << what;
        ++read;
    }
    EXPECT_GE(read, 20);
}
