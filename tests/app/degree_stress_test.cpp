// The degree has no upper bound: w raises it as often as it is pressed. Two
// hundred presses in the B-spline, RBF and subdivision modes, each followed by
// the display a user would see, must all complete; the sanitizer build turns
// any write past an array on the way into a failure. Time is measured by the
// benchmarks, not here.

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <string>

#include "app/commands.hpp"
#include "app/state.hpp"
#include "render/display.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

constexpr int presses = 200;
constexpr Rgb curveRed{0.3f, 0.0f, 0.0f};

void keys(const std::string& sequence) {
    for (char c : sequence) {
        onKey(static_cast<unsigned char>(c), 0, 0);
    }
}

void enterPoints(int n) {
    AppState& s = appState;
    for (int i = 0; i < n; ++i) {
        const Point3 p{100.0f + 11.0f * static_cast<float>(i),
                       200.0f + static_cast<float>((i * 53) % 250), 0.0f};
        s.controlPoints[i] = p;
        s.enteredPolygon[i] = p;
        s.knots[i] = static_cast<float>(i);
    }
    s.pointCount = n;
    s.enteredPointCount = n;
}

// Whether the display drew a curve segment. The parameter bar (at y = 25)
// takes whatever colour the previous frame left, often the curve's.
bool drawsCurve() {
    for (const tvtest::FbItem& item : tvtest::linesOf(tvtest::captureFeedback(onDisplay))) {
        const bool bar = item.vertices[0].y == 25.0f && item.vertices[1].y == 25.0f;
        if (tvtest::hasColour(item.vertices[0], curveRed) && !bar) {
            return true;
        }
    }
    return false;
}

class DegreeStressTest : public tvtest::AppTest {};

// The curve exists while the knot vector (n + d + 1 <= 128, d < n) or the RBF
// system (n + d + 1 <= 128) fits, and then simply is not drawn. In between, an
// RBF system with more monomials than points is singular and its curve is
// whatever the arithmetic gives (often not finite): only completion counts.
TEST_F(DegreeStressTest, TwoHundredRaisesInTheCurveModes) {
    struct Case {
        const char* name;
        MenuCode mode;
        int points;
        int lastWellPosed;  // highest degree whose curve must show
        int lastFitting;    // highest degree the lists or the system hold
    };
    const Case cases[] = {
        {"B-spline, 6 points", MenuCode::Bspline, 6, 5, 5},
        {"B-spline, 64 points", MenuCode::Bspline, 64, 63, 63},
        {"B-spline, 127 points", MenuCode::Bspline, 127, 0, 0},
        {"RBF, 6 points", MenuCode::Rbf, 6, 5, 121},
        {"RBF, 100 points", MenuCode::Rbf, 100, 2, 27},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        enterPoints(c.points);
        appState.polyDegree = 0;
        onMenu(static_cast<int>(c.mode));
        for (int k = 1; k <= presses; ++k) {
            keys("w");
            ASSERT_EQ(appState.polyDegree, k) << c.name;
            // Every display completes; at the edges, check what it shows.
            if (k <= c.lastWellPosed || (k > c.lastFitting && k <= c.lastFitting + 2)) {
                EXPECT_EQ(drawsCurve(), k <= c.lastWellPosed) << c.name << ", degree " << k;
            } else {
                onDisplay();
            }
            ASSERT_LE(appState.knotCount, maxPoints) << c.name;
        }
        // Knot insertion, the animation and the way back down still work.
        appState.activeKnot = 3;
        keys("im");
        for (int frame = 0; frame < 66 && appState.animating; ++frame) {
            onIdle();
            onDisplay();
        }
        keys(std::string(presses, 'q'));
        EXPECT_EQ(appState.polyDegree, 0) << c.name;
        EXPECT_TRUE(drawsCurve()) << c.name;
    }
}

// Subdivision with every scheme between the raises: the RBF steps run while
// d + 1 <= S and are refused beyond; the four-point schemes ignore d.
TEST_F(DegreeStressTest, TwoHundredRaisesBetweenSubdivisionSteps) {
    for (const char* scheme : {"rbf4", "rbf6", "NR4", "D-D", "UNR4"}) {
        appState = AppState{};
        enterPoints(5);
        appState.polyDegree = 0;
        // From NR4: a -> D-D -> UNR4 -> rbf4 -> rbf6.
        const std::string cycle = std::string(scheme) == "rbf4"   ? "aaa"
                                  : std::string(scheme) == "rbf6" ? "aaaa"
                                  : std::string(scheme) == "D-D"  ? "a"
                                  : std::string(scheme) == "UNR4" ? "aa"
                                                                  : "";
        keys(cycle);
        const int stencil = appState.rbfStencilSize;
        const bool rbf = appState.schemeKind == SubdivisionScheme::Rbf4 ||
                         appState.schemeKind == SubdivisionScheme::Rbf6;
        keys("s");
        for (int k = 1; k <= presses; ++k) {
            keys("w");
            onDisplay();
            if (k % 25 == 0) {
                // Back to the five points as entered, then one step.
                keys("d");
                keys("s");
                const bool runs = !rbf || k + 1 <= stencil;
                EXPECT_EQ(appState.pointCount, runs ? 10 : 5) << scheme << ", degree " << k;
                onDisplay();
            }
        }
        EXPECT_EQ(appState.polyDegree, presses) << scheme;
    }
}

}  // namespace
