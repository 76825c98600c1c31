#include "app/notice.hpp"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
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
        const int x = 60 + (i * 47) % 680;
        const int y = 80 + (i * 131) % 440;
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, height - y);
        onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, height - y);
    }
}

class NoticeTest : public tvtest::AppTest {};

// The panel's sentence names the condition that stopped the step or the
// curve, built from what the user did.
TEST_F(NoticeTest, SaysWhyAStepWasRefusedOrTheCurveIsMissing) {
    struct Case {
        const char* what;
        std::function<void()> run;
        const char* sentence;
    };
    const Case cases[] = {
        {"nothing done yet", [] {}, ""},
        {"rbf4 at degree 4",
         [] {
             clickPoints(6);
             keys("aaawwws");
         },
         "rbf4 needs degree 3 or less."},
        {"rbf6 at degree 6",
         [] {
             clickPoints(6);
             keys("aaaawwwwws");
         },
         "rbf6 needs degree 5 or less."},
        {"rbf4 over a flat Gaussian",
         [] {
             clickPoints(6);
             keys("aaabb");
             appState.shapeR = 0.0f;
             keys("s");
         },
         "rbf4 did not step: a stencil's local system is singular (its parameters repeat or the "
         "basis is flat)."},
        {"65 points",
         [] {
             clickPoints(65);
             keys("s");
         },
         "A polygon of more than 64 points is not subdivided."},
        {"RBF curve of degree 5 on five points",
         [] {
             clickPoints(5);
             keys("3wwww");
         },
         "No RBF curve: degree 5 needs at least 6 points."},
        {"RBF curve at 128 points",
         [] {
             clickPoints(128);
             keys("3");
         },
         "No RBF curve: 128 points and degree 1 make more than 128 unknowns."},
        {"RBF curve over a flat Gaussian",
         [] {
             clickPoints(6);
             keys("bb");
             appState.shapeR = 0.0f;
             keys("3");
         },
         "No RBF curve: its system is singular (two centres coincide or the basis is flat)."},
        {"RBF curve over a nearly flat Gaussian",
         [] {
             clickPoints(6);
             keys("3bb" + std::string(80, ','));
         },
         "No RBF curve: the solved curve misses its own points by more than 0.01 px (the system "
         "is too ill-conditioned)."},
        {"a solved RBF curve",
         [] {
             clickPoints(6);
             keys("3");
         },
         ""},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        c.run();
        EXPECT_EQ(stateNotice(appState), c.sentence) << c.what;
    }
}

// A step's refusal stays while the pointer only hovers, and goes with the
// next key, entry, press or drag.
TEST_F(NoticeTest, ARefusalLastsUntilTheNextEvent) {
    const std::function<void()> events[] = {
        [] { keys(" "); },
        [] { onMenu(static_cast<int>(MenuCode::Bezier)); },
        [] { onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 400, 300); },
        [] { onDrag(410, 300); },
    };
    for (const auto& event : events) {
        appState = AppState{};
        clickPoints(6);
        keys("aaawwws");
        ASSERT_EQ(appState.stepRefusal, SubdivisionRefusal::DegreeAboveStencil);
        onHover(700, 10);
        EXPECT_EQ(appState.stepRefusal, SubdivisionRefusal::DegreeAboveStencil);
        event();
        EXPECT_EQ(appState.stepRefusal, SubdivisionRefusal::None);
    }
}

}  // namespace
