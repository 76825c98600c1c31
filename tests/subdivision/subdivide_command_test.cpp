#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/commands.hpp"
#include "app/state.hpp"
#include "support/feedback.hpp"
#include "support/file_text.hpp"
#include "support/gl_fixture.hpp"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

struct Scheme {
    const char* name;
    SubdivisionScheme kind;
    int stencil;
};

const Scheme allSchemes[] = {
    {"rbf4", SubdivisionScheme::Rbf4, 4}, {"rbf6", SubdivisionScheme::Rbf6, 6},
    {"NR4", SubdivisionScheme::Nr4, 4},   {"D-D", SubdivisionScheme::DeslauriersDubuc, 4},
    {"UNR4", SubdivisionScheme::Unr4, 4},
};

bool isRbf(const Scheme& scheme) {
    return scheme.name[0] == 'r';
}

// Key s with the scheme chosen as keys a would leave it.
void subdivideWith(const Scheme& scheme) {
    appState.schemeKind = scheme.kind;
    appState.rbfStencilSize = scheme.stencil;
    onKey('s', 0, 0);
}

// Points with the parameters 0, 1, 2, ... that reload or the RBF command leave.
void setPolygon(const std::vector<Point3>& points) {
    appState.pointCount = static_cast<int>(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        appState.controlPoints[i] = points[i];
        appState.knots[i] = static_cast<float>(i);
    }
}

void setCircle(int n) {
    std::vector<Point3> points;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n;
        points.push_back({static_cast<float>(400 + 200 * std::cos(a)),
                          static_cast<float>(300 + 200 * std::sin(a)), static_cast<float>(i)});
    }
    setPolygon(points);
}

void setUnitSquare() {
    setPolygon({{0, 0, 0.25f}, {1, 0, 0.25f}, {1, 1, 0.25f}, {0, 1, 0.25f}});
}

class SubdivideCommandTest : public tvtest::AppTest {};

TEST_F(SubdivideCommandTest, ParametersBecomeUniformAtHalfTheSpacing) {
    for (const Scheme& scheme : allSchemes) {
        appState = AppState{};
        setCircle(5);
        // Uneven parameters as chord length would leave them.
        const float uneven[5] = {0, 0.7f, 2.5f, 2.9f, 4.2f};
        for (int i = 0; i < 5; ++i) {
            appState.knots[static_cast<size_t>(i)] = uneven[i];
        }
        appState.paramSpacing = 0.5f;
        subdivideWith(scheme);
        ASSERT_EQ(appState.pointCount, 10) << scheme.name;
        EXPECT_EQ(appState.paramSpacing, 0.25f) << scheme.name;
        for (int k = 0; k < 10; ++k) {
            EXPECT_EQ(appState.knots[static_cast<size_t>(k)], 0.25f * static_cast<float>(k))
                << scheme.name << " " << k;
        }
    }
}

TEST_F(SubdivideCommandTest, Nr4AndDeslauriersDubucAgreeBitForBit) {
    setCircle(13);
    subdivideWith(allSchemes[2]);
    const ControlPolygon nr4 = appState.controlPoints;
    appState = AppState{};
    setCircle(13);
    subdivideWith(allSchemes[3]);
    EXPECT_EQ(appState.pointCount, 26);
    EXPECT_EQ(std::memcmp(nr4.data(), appState.controlPoints.data(), 26 * sizeof(Point3)), 0);
}

// A refused step changes nothing the step would have written (polygon,
// parameters, spacing, r), writes no trace and draws no frame; the command
// still drops the curve and the overlays, and says why until the next event.
TEST_F(SubdivideCommandTest, RefusedStepsLeaveTheRecordAndTheScreenAlone) {
    struct Case {
        const char* what;
        void (*set)();
        int first;  // first and last scheme tried
        int last;
        SubdivisionRefusal refusal;
    };
    const Case cases[] = {
        {"128 points", [] { setCircle(maxPoints); }, 0, 4, SubdivisionRefusal::TooManyPoints},
        {"4 + 60 + 1 unknowns",
         [] {
             setUnitSquare();
             appState.polyDegree = 60;
         },
         0, 1, SubdivisionRefusal::DegreeAboveStencil},
        {"degree 4 on a square",
         [] {
             setUnitSquare();
             appState.polyDegree = 4;
         },
         0, 0, SubdivisionRefusal::DegreeAboveStencil},
        {"degree 6 on a circle",
         [] {
             setCircle(9);
             appState.polyDegree = 6;
         },
         1, 1, SubdivisionRefusal::DegreeAboveStencil},
        {"a flat Gaussian",
         [] {
             setCircle(9);
             appState.basisKind = BasisKind::Gaussian;
             appState.shapeR = 0.0f;
         },
         0, 1, SubdivisionRefusal::SingularStencil},
    };
    for (const Case& c : cases) {
        for (int k = c.first; k <= c.last; ++k) {
            const Scheme& scheme = allSchemes[k];
            SCOPED_TRACE(testing::Message() << c.what << " " << scheme.name);
            appState = AppState{};
            c.set();
            appState.curveMode = CurveMode::Rbf;
            std::FILE* file = std::tmpfile();
            ASSERT_NE(file, nullptr);
            appState.traceEnabled = true;
            appState.traceFile = file;
            const AppState before = appState;
            CaptureStdout();
            EXPECT_TRUE(tvtest::captureFeedback([&scheme] { subdivideWith(scheme); }).empty());
            EXPECT_EQ(GetCapturedStdout(), "");
            EXPECT_EQ(tvtest::fileText(file), "");
            appState.traceFile = nullptr;
            appState.traceEnabled = false;
            std::fclose(file);
            EXPECT_EQ(appState.pointCount, before.pointCount);
            EXPECT_EQ(appState.paramSpacing, before.paramSpacing);
            EXPECT_EQ(appState.shapeR, before.shapeR);
            EXPECT_EQ(std::memcmp(before.controlPoints.data(), appState.controlPoints.data(),
                                  sizeof(ControlPolygon)),
                      0);
            EXPECT_EQ(before.knots, appState.knots);
            EXPECT_EQ(appState.curveMode, CurveMode::None);
            EXPECT_EQ(appState.stepRefusal, c.refusal);
            onKey(' ', 0, 0);
            EXPECT_EQ(appState.stepRefusal, SubdivisionRefusal::None);
        }
    }
}

// Parameters no step could use (none set since the points were clicked, the
// Bezier list with its repeats, two Lagrange nodes dragged together) give way
// to the uniform ones the step writes afterwards: every new point lies within
// the bounds the polygon's own points keep (a convex, evenly clicked ring).
TEST_F(SubdivideCommandTest, RbfStepsRunOverParametersThatDoNotIncrease) {
    struct Case {
        const char* what;
        void (*set)();
    };
    const Case cases[] = {
        {"never set", [] { appState.knots = {}; }},
        {"the Bezier list",
         [] {
             for (int i = 0; i < 9; ++i) {
                 appState.knots[static_cast<size_t>(i)] = i < 4 ? 0.0f : 1.0f;
             }
         }},
        {"coincident nodes", [] { appState.knots[3] = appState.knots[2]; }},
    };
    for (const Case& c : cases) {
        for (int k = 0; k <= 1; ++k) {
            SCOPED_TRACE(testing::Message() << c.what << " " << allSchemes[k].name);
            appState = AppState{};
            setCircle(9);
            c.set();
            subdivideWith(allSchemes[k]);
            ASSERT_EQ(appState.pointCount, 18);
            EXPECT_EQ(appState.stepRefusal, SubdivisionRefusal::None);
            for (int i = 0; i < 18; ++i) {
                const Point3& p = appState.controlPoints[static_cast<size_t>(i)];
                EXPECT_LT(std::hypot(p.x - 400.0f, p.y - 300.0f), 210.0f) << i;
                EXPECT_GT(std::hypot(p.x - 400.0f, p.y - 300.0f), 195.0f) << i;
            }
        }
    }
}

TEST_F(SubdivideCommandTest, ShapeHalvesOnlyForRbfAndOnlyWhileSwitchedOn) {
    for (const Scheme& scheme : allSchemes) {
        for (bool halve : {true, false}) {
            appState = AppState{};
            setUnitSquare();
            appState.halveShapeOnSubdivision = halve;
            appState.shapeR = 0.75f;
            subdivideWith(scheme);
            EXPECT_EQ(appState.shapeR, isRbf(scheme) && halve ? 0.375f : 0.75f)
                << scheme.name << (halve ? " halving" : " not halving");
        }
    }
}

TEST_F(SubdivideCommandTest, EmptyPolygonStillHalvesTheSpacing) {
    for (const Scheme& scheme : allSchemes) {
        appState = AppState{};
        appState.shapeR = 0.5f;
        subdivideWith(scheme);
        EXPECT_EQ(appState.pointCount, 0) << scheme.name;
        EXPECT_EQ(appState.paramSpacing, 0.5f) << scheme.name;
        EXPECT_EQ(appState.shapeR, isRbf(scheme) ? 0.25f : 0.5f) << scheme.name;
    }
}

TEST_F(SubdivideCommandTest, TheNewPolygonIsInterpolatedAgain) {
    // Through the four corners of the square, after an NR4 step the RBF
    // curve's coefficients belong to the eight new points: the interpolant
    // passes through the inserted point 1 at t = 0.5.
    setUnitSquare();
    subdivideWith(allSchemes[2]);
    const Point3 at = evalRbf(appState.rbfCoefficients, appState.knots.data(), 8,
                              appState.polyDegree, appState.basisKind, appState.shapeR, 0.5f);
    EXPECT_NEAR(at.x, 0.5, 1e-4);
    EXPECT_NEAR(at.y, -0.125, 1e-4);
}

size_t lineCount(const std::string& text) {
    size_t n = 0;
    for (char ch : text) {
        n += ch == '\n' ? 1 : 0;
    }
    return n;
}

// Point 1 of the rbf4 step over the square: weights of mq1 at unit spacing,
// the point 2 * 0.092129 outside the right edge's midpoint.
const char* const filePointLine =
    "  1 :-0.0921  0.5921  0.5921 -0.0921 ( 1.1843,  0.5000)  1.1843  0.5000  0.2500 ";
const char* const consolePointLine =
    "  1 :-0.0921  0.5921  0.5921 -0.0921  1.1843  0.5000  1.1843  0.5000  0.2500 ";

// While tracing, rbf steps write the trace file and standard output; 4 points
// of 6 + 6 matrix rows, a point line and an empty line.
TEST_F(SubdivideCommandTest, TraceGoesToTheFileAndTheConsoleWhileSwitchedOn) {
    struct Case {
        const char* name;
        int scheme;
        bool tracing;
        bool withFile;
        int points;
        size_t fileLines;
        size_t consoleLines;
    };
    const Case cases[] = {
        {"rbf4", 0, true, true, 4, 56, 56},
        {"rbf4 without a file", 0, true, false, 4, 0, 56},
        {"rbf4 tracing off", 0, false, true, 4, 0, 0},
        {"rbf4 no points", 0, true, true, 0, 0, 0},
        {"NR4", 2, true, true, 4, 0, 0},
        {"D-D", 3, true, true, 4, 0, 0},
        {"UNR4", 4, true, true, 4, 0, 0},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        setUnitSquare();
        appState.pointCount = c.points;
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        appState.traceEnabled = c.tracing;
        appState.traceFile = c.withFile ? file : nullptr;
        CaptureStdout();
        subdivideWith(allSchemes[c.scheme]);
        const std::string console = GetCapturedStdout();
        const std::string written = tvtest::fileText(file);
        appState.traceFile = nullptr;
        std::fclose(file);

        EXPECT_EQ(lineCount(written), c.fileLines) << c.name;
        EXPECT_EQ(lineCount(console), c.consoleLines) << c.name;
        if (c.fileLines > 0) {
            EXPECT_NE(written.find(filePointLine), std::string::npos) << c.name;
        }
        if (c.consoleLines > 0) {
            EXPECT_NE(console.find(consolePointLine), std::string::npos) << c.name;
        }
    }
}

}  // namespace
