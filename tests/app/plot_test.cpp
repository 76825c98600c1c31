// What the page's panel plots, from sessions a student plays: the right kind
// of plot for each picture, and plotted values that make the drawn curve.

#include "app/plot.hpp"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "curves/bezier.hpp"
#include "support/gl_fixture.hpp"

namespace {

constexpr int height = 600;

void keys(const std::string& sequence) {
    for (char c : sequence) {
        onKey(static_cast<unsigned char>(c), 0, 0);
    }
}

void clickPoints(int count) {
    for (int i = 0; i < count; ++i) {
        const int x = 60 + (680 * i) / std::max(1, count - 1);
        const int y = 120 + (i * 131) % 380;
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, height - y);
        onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, height - y);
    }
}

class PlotTest : public tvtest::AppTest {};

TEST_F(PlotTest, EachPictureHasItsPlot) {
    struct Case {
        const char* what;
        std::function<void()> run;
        PlotKind kind;
        int curves;  // plotted functions (stems count as one per mask)
    };
    const Case cases[] = {
        {"nothing yet", [] {}, PlotKind::Hint, 0},
        {"points, no curve", [] { clickPoints(5); }, PlotKind::Hint, 0},
        {"Bezier",
         [] {
             clickPoints(5);
             keys("4");
         },
         PlotKind::Bernstein, 5},
        {"Lagrange",
         [] {
             clickPoints(6);
             keys("5");
         },
         PlotKind::Lagrange, 6},
        {"cubic B-spline",
         [] {
             clickPoints(7);
             keys("6ww");
         },
         PlotKind::Bspline, 7},
        {"B-spline after knot insertion",
         [] {
             clickPoints(7);
             keys("6ww");
             appState.activeKnot = 4;
             keys("i");
         },
         PlotKind::Bspline, 8},
        {"RBF, with its basis beside",
         [] {
             clickPoints(6);
             keys("3");
         },
         PlotKind::Rbf, 7},
        {"RBF of too high a degree",
         [] {
             clickPoints(3);
             keys("3www");
         },
         PlotKind::Hint, 0},
        {"after an NR4 step",
         [] {
             clickPoints(6);
             keys("s");
         },
         PlotKind::Mask, 1},
        {"after a UNR4 step",
         [] {
             clickPoints(6);
             keys("aas");
         },
         PlotKind::Mask, 2},
        {"after an rbf6 step",
         [] {
             clickPoints(6);
             keys("aaaas");
         },
         PlotKind::Mask, 1},
        {"a reduction",
         [] {
             clickPoints(5);
             keys("4h");
         },
         PlotKind::Reduction, 2},
        {"an elevation is the Bezier's",
         [] {
             clickPoints(5);
             keys("4e");
         },
         PlotKind::Bernstein, 6},
        {"the family",
         [] {
             clickPoints(5);
             keys("4l");
         },
         PlotKind::Family, 6},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        c.run();
        const PlotData plot = currentPlot(appState);
        EXPECT_EQ(plot.kind, c.kind) << c.what;
        EXPECT_EQ(static_cast<int>(plot.curves.size()), c.curves) << c.what;
        EXPECT_EQ(plot.kind == PlotKind::Hint, !plot.sentence.empty()) << c.what;
        int samples = 0;
        for (const PlotCurve& curve : plot.curves) {
            EXPECT_EQ(curve.first, samples) << c.what;
            samples += curve.count;
        }
        EXPECT_EQ(static_cast<size_t>(samples), plot.u.size()) << c.what;
        EXPECT_EQ(plot.u.size(), plot.value.size()) << c.what;
    }
}

// The drawn Bezier curve is the sum of the points times the plotted values,
// at its own samples; a paused construction marks its t with values that sum to 1.
TEST_F(PlotTest, PlottedBernsteinValuesMakeTheDrawnCurve) {
    clickPoints(6);
    keys("4m");
    for (int frame = 0; frame < 27; ++frame) {
        onIdle();
    }
    keys("m");
    const PlotData plot = currentPlot(appState);
    ASSERT_EQ(plot.kind, PlotKind::Bernstein);
    std::vector<Point3> drawn(bezierCurveSamples);
    sampleBezierCurve(appState.controlPoints.data(), 6, drawn.data());
    for (int k : {0, 31, 64, 97, 128}) {
        double x = 0;
        double y = 0;
        for (int i = 0; i < 6; ++i) {
            const PlotCurve& curve = plot.curves[static_cast<size_t>(i)];
            EXPECT_EQ(plot.u[static_cast<size_t>(curve.first + k)], k / 128.0);
            x += plot.value[static_cast<size_t>(curve.first + k)] * appState.controlPoints[i].x;
            y += plot.value[static_cast<size_t>(curve.first + k)] * appState.controlPoints[i].y;
        }
        EXPECT_NEAR(x, drawn[static_cast<size_t>(k)].x, 1e-3) << k;
        EXPECT_NEAR(y, drawn[static_cast<size_t>(k)].y, 1e-3) << k;
    }
    ASSERT_TRUE(plot.marked);
    EXPECT_FLOAT_EQ(static_cast<float>(plot.markedAt), appState.animT);
    double sum = 0;
    for (double v : plot.markedValues) {
        sum += v;
    }
    EXPECT_NEAR(sum, 1.0, 1e-9);
}

// The reduction's error peaks where the two drawn curves lie farthest apart,
// and the family's six curves each peak at their own reduction's distance.
TEST_F(PlotTest, ReductionErrorPeaksAtTheDistanceOfTheDrawnCurves) {
    clickPoints(5);
    keys("4j");
    const PlotData plot = currentPlot(appState);
    ASSERT_EQ(plot.kind, PlotKind::Reduction);
    std::vector<Point3> a(bezierCurveSamples);
    std::vector<Point3> b(bezierCurveSamples);
    sampleBezierCurve(appState.controlPoints.data(), 5, a.data());
    sampleBezierCurve(appState.auxPolygon.data(), 4, b.data());
    double farthest = 0;
    for (int k = 0; k < bezierCurveSamples; ++k) {
        farthest =
            std::max(farthest, static_cast<double>(std::hypot(
                                   a[static_cast<size_t>(k)].x - b[static_cast<size_t>(k)].x,
                                   a[static_cast<size_t>(k)].y - b[static_cast<size_t>(k)].y,
                                   a[static_cast<size_t>(k)].z - b[static_cast<size_t>(k)].z)));
    }
    EXPECT_NEAR(plot.maximum, farthest, 1e-3);
    EXPECT_GT(plot.maximum, 0.5);
}

// After a step the mask's stems are the weights the step used, summing to 1.
TEST_F(PlotTest, MaskStemsSumToOne) {
    for (const char* scheme : {"s", "as", "aas", "aaas", "aaaas"}) {
        appState = AppState{};
        clickPoints(6);
        keys(scheme);
        const PlotData plot = currentPlot(appState);
        ASSERT_EQ(plot.kind, PlotKind::Mask) << scheme;
        for (const PlotCurve& curve : plot.curves) {
            EXPECT_TRUE(curve.stems);
            double sum = 0;
            for (int k = 0; k < curve.count; ++k) {
                sum += plot.value[static_cast<size_t>(curve.first + k)];
            }
            EXPECT_NEAR(sum, 1.0, 1e-6) << scheme << " " << curve.label;
        }
    }
}

// A point drag leaves a basis plot as it was made; a knot, degree or shape
// change makes it afresh, and so does every reduction.
TEST_F(PlotTest, APointDragKeepsTheBasisAndAKnotChangeRemakesIt) {
    clickPoints(7);
    keys("6ww");
    const PlotData first = currentPlot(appState);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 60, height - 120);
    onDrag(90, height - 200);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, 90, height - 200);
    const PlotData dragged = currentPlot(appState);
    EXPECT_EQ(dragged.revision, first.revision);
    EXPECT_EQ(dragged.value, first.value);
    keys("q");
    const PlotData lower = currentPlot(appState);
    EXPECT_NE(lower.revision, first.revision);
    EXPECT_EQ(lower.curves.size(), 7u);
    keys("4h");
    EXPECT_NE(currentPlot(appState).revision, currentPlot(appState).revision);
}

}  // namespace
