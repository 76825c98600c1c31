#include "app/lesson_file.hpp"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/snapshot.hpp"
#include "app/state.hpp"
#include "support/gl_fixture.hpp"

namespace {

constexpr int height = 600;

// A state line made by the program: the record as it starts.
std::string startState() {
    return encodeSnapshot(AppState{});
}

std::string replaced(std::string text, const std::string& mark, const std::string& with) {
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
        text.replace(at, mark.size(), with);
    }
    return text;
}

// A file with two steps; STATE stands for a state line the program made.
const std::string goodFile =
    "# a comment\n"
    "lesson: Knots\n"
    "\n"
    "step: First\n"
    "text: One <em>line</em>,\n"
    "  and a second with <math><msup><mi>t</mi><mn>2</mn></msup></math> &amp; more.\n"
    "\n"
    "  A second paragraph.\n"
    "state: STATE\n"
    "task: Make it cubic.\n"
    "check: degree 3\n"
    "hint: Press w twice.\n"
    "step: Second\n"
    "text: Nothing to do here.\n"
    "state: STATE\r\n";

TEST(LessonFile, ReadsAGoodFileWithItsParagraphsAndCheck) {
    const LessonReading r = readLessonFile(replaced(goodFile, "STATE", startState()));
    ASSERT_TRUE(r.lesson.has_value()) << r.refusal;
    const Lesson& l = *r.lesson;
    EXPECT_EQ(l.title, "Knots");
    ASSERT_EQ(l.steps.size(), 2u);
    EXPECT_EQ(l.steps[0].text,
              "One <em>line</em>,\nand a second with "
              "<math><msup><mi>t</mi><mn>2</mn></msup></math> &amp; more.\n\nA second paragraph.");
    EXPECT_EQ(l.steps[0].state, startState());
    ASSERT_TRUE(l.steps[0].check.has_value());
    EXPECT_EQ(l.steps[0].check->text, "degree 3");
    EXPECT_EQ(l.steps[0].hint, "Press w twice.");
    EXPECT_FALSE(l.steps[1].check.has_value());
    EXPECT_EQ(l.steps[1].task, "");
}

struct Malformed {
    const char* what;
    std::string text;
    int line;
    const char* refusal;
};

// Each file breaks one rule; the refusal names the line at fault.
TEST(LessonFile, RefusesEachMalformedFileWholeWithItsLine) {
    const std::string s = startState();
    const std::string head = "lesson: L\nstep: S\ntext: T\n";
    const std::vector<Malformed> cases = {
        {"empty", "", 0, "The file has no line \"lesson: title\"."},
        {"no step", "lesson: L\n", 0, "The file has no step."},
        {"unknown keyword", "lesson: L\nstep: S\ntitle: x\n", 3,
         "Line 3: it starts with 'title' where a keyword belongs (lesson, step, text, state, "
         "task, check, hint)."},
        {"no colon", "lesson: L\nstep S\n", 2,
         "Line 2: it starts with 'step S' where a keyword belongs (lesson, step, text, state, "
         "task, check, hint)."},
        {"step before lesson", "step: S\n", 1,
         "Line 1: a step's line comes before the line \"lesson: title\"."},
        {"text before step", "lesson: L\ntext: T\n", 2,
         "Line 2: it comes before the first line \"step: title\"."},
        {"second title", "lesson: L\nlesson: M\n", 2,
         "Line 2: the file gives a second lesson title."},
        {"empty title", "lesson:  \n", 1, "Line 1: the lesson's title is empty."},
        {"long title", "lesson: " + std::string(81, 'x') + "\n", 1,
         "Line 1: the lesson's title passes 80 characters."},
        {"no text", "lesson: L\nstep: S\nstate: " + s + "\n", 2,
         "Line 2: the step 'S' has no text."},
        {"no state", head + "step: U\n", 2, "Line 2: the step 'S' has no state."},
        {"stray indent", "lesson: L\n  more\n", 2,
         "Line 2: an indented line continues only a step's text."},
        {"indent after task", head + "state: " + s + "\ntask: do\n  more\n", 6,
         "Line 6: an indented line continues only a step's text."},
        {"two states", head + "state: " + s + "\nstate: " + s + "\n", 5,
         "Line 5: the step already has its state."},
        {"broken state", head + "state: v1;mode=bezier;end\n", 4,
         "Line 4: the state is refused: the link ends before its 'degree' setting."},
        {"unknown check", head + "state: " + s + "\ntask: t\ncheck: smooth\n", 6,
         "Line 6: the check 'smooth' is not one of the checks."},
        {"check without parameter", head + "state: " + s + "\ntask: t\ncheck: degree\n", 6,
         "Line 6: the check 'degree' needs a parameter."},
        {"check with a stray parameter", head + "state: " + s + "\ntask: t\ncheck: family on\n", 6,
         "Line 6: the check 'family' takes no parameter."},
        {"check with an unknown mode", head + "state: " + s + "\ntask: t\ncheck: mode spline\n", 6,
         "Line 6: the check 'mode' cannot take 'spline'."},
        {"check with a word for a number",
         head + "state: " + s + "\ntask: t\ncheck: r-at-most half\n", 6,
         "Line 6: the check 'r-at-most' cannot take 'half'."},
        {"check without task", head + "state: " + s + "\ncheck: family\n", 2,
         "Line 2: the step 'S' has a check but no task."},
        {"hint without check", head + "state: " + s + "\ntask: t\nhint: h\n", 2,
         "Line 2: the step 'S' has a hint but no check."},
        {"unknown element", "lesson: L\nstep: S\ntext: a <script>x\nstate: " + s + "\n", 2,
         "Line 2: in the step 'S', the text has an element 'script' that a step cannot use."},
        {"unclosed element", "lesson: L\nstep: S\ntext: a <em x\nstate: " + s + "\n", 2,
         "Line 2: in the step 'S', the text's element 'em' has no closing '>'."},
        {"bare ampersand", "lesson: L\nstep: S\ntext: a & b\nstate: " + s + "\n", 2,
         "Line 2: in the step 'S', the text has an '&' that starts no reference (write &amp;)."},
        {"bare less-than", "lesson: L\nstep: S\ntext: a < b\nstate: " + s + "\n", 2,
         "Line 2: in the step 'S', the text has a '<' that opens no element (write &lt;)."},
        {"bare greater-than", "lesson: L\nstep: S\ntext: a > b\nstate: " + s + "\n", 2,
         "Line 2: in the step 'S', the text has a '>' outside an element (write &gt;)."},
        {"control character", "lesson: L\x01\n", 1,
         "Line 1: it holds a control character (code 1)."},
        {"too long", std::string(lessonFileMaxLength + 1, '#'), 0,
         "The file is longer than 65536 bytes."},
    };
    for (const Malformed& c : cases) {
        const LessonReading r = readLessonFile(c.text);
        EXPECT_FALSE(r.lesson.has_value()) << c.what;
        EXPECT_EQ(r.line, c.line) << c.what;
        EXPECT_EQ(r.refusal, c.refusal) << c.what;
    }

    // One step too many: the 21st step's line.
    std::string many = "lesson: L\n";
    for (int i = 0; i <= lessonMaxSteps; ++i) {
        many += "step: S\ntext: T\nstate: " + s + "\n";
    }
    const LessonReading r = readLessonFile(many);
    EXPECT_EQ(r.line, 2 + 3 * lessonMaxSteps);
    EXPECT_EQ(r.refusal, "Line 62: a lesson has at most 20 steps.");
}

// A file cut short at every length is read or refused, never more.
TEST(LessonFile, AFileCutShortAnywhereIsReadOrRefused) {
    const std::string whole = replaced(goodFile, "STATE", startState());
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const LessonReading r = readLessonFile(whole.substr(0, n));
        EXPECT_NE(r.lesson.has_value(), !r.refusal.empty()) << n;
    }
}

// Continuity at the roughest interior knot: the degree less the multiplicity
// (worked out by hand from each knot list).
TEST(LessonFile, ContinuityAtTheRoughestInteriorKnot) {
    struct Case {
        int degree;
        std::vector<float> knots;
        std::optional<int> continuity;
    };
    const std::vector<Case> cases = {
        {3, {0, 0, 0, 0, 1, 2, 3, 3, 3, 3}, 2},        // six points, simple knots: C2
        {3, {0, 0, 0, 0, 1, 1, 2, 3, 3, 3, 3}, 1},     // a double knot: C1
        {3, {0, 0, 0, 0, 1, 1, 1, 2, 3, 3, 3, 3}, 0},  // triple: C0, the curve keeps a corner
        {1, {0, 0, 0.5f, 0.5f, 1, 1}, -1},             // linear with a double knot: may break
        {3, {0, 0, 0, 0, 1, 1, 1, 1}, std::nullopt},   // Bezier-like: no interior knot
    };
    for (const Case& c : cases) {
        AppState s;
        s.curveMode = CurveMode::Bspline;
        s.polyDegree = c.degree;
        s.knotCount = static_cast<int>(c.knots.size());
        s.pointCount = s.knotCount - c.degree - 1;
        std::copy(c.knots.begin(), c.knots.end(), s.knots.begin());
        EXPECT_EQ(roughestInteriorContinuity(s), c.continuity) << s.knotCount;
    }
    AppState lagrange;
    lagrange.curveMode = CurveMode::Lagrange;
    EXPECT_EQ(roughestInteriorContinuity(lagrange), std::nullopt);
}

class LessonChecks : public tvtest::AppTest {};

void clickAt(int x, int y) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, height - y);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, height - y);
}

void keys(const std::string& sequence) {
    for (const char c : sequence) {
        if (c == '~') {
            onIdle();
        } else {
            onKey(static_cast<unsigned char>(c), 0, 0);
        }
    }
}

// Each check: not done after the first keys, done after the second (the
// solution a student would play), on six points.
TEST_F(LessonChecks, EachCheckIsNotDoneBeforeItsSolutionAndDoneAfter) {
    struct Case {
        const char* check;
        const char* before;
        const char* solution;
    };
    const std::vector<Case> cases = {
        {"mode bezier", "6", "4"},
        {"scheme unr4", "", "aa"},
        {"basis gs", "3", "bb"},
        {"degree 3", "6", "ww"},
        {"points-at-least 12", "", "s"},
        {"elevated", "4", "e"},
        {"reduced-alpha-at-least 0.5", "4", "jjjjjjj"},
        {"family", "4", "l"},
        {"r-at-most 0.95", "3", ",,,,"},
        {"r-at-least 1.05", "3", "...."},
        {"halving off", "", "n"},
        {"paused", "4", "m~~~m"},
        {"no-curve", "3w", "wwww"},
    };
    for (const Case& c : cases) {
        appState = AppState{};
        appState.windowWidth = 800;
        appState.windowHeight = height;
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{
                 {120, 420}, {220, 180}, {380, 470}, {520, 150}, {650, 400}, {720, 250}}) {
            clickAt(x, y);
        }
        std::string why;
        const std::optional<LessonCheck> check = readCheck(c.check, why);
        ASSERT_TRUE(check.has_value()) << c.check << ": " << why;
        keys(c.before);
        EXPECT_FALSE(checkDone(*check, appState)) << c.check << " before";
        keys(c.solution);
        EXPECT_TRUE(checkDone(*check, appState)) << c.check << " after";
        EXPECT_FALSE(checkAsks(*check).empty());
    }
}

// A knot made double by insertion over its handle, and by dragging a
// handle onto its neighbour: the cubic is C1 there.
TEST_F(LessonChecks, AKnotMadeDoubleLowersTheContinuity) {
    std::string why;
    const LessonCheck c1 = *readCheck("knot-continuity-at-most 1", why);
    for (const bool insert : {true, false}) {
        appState = AppState{};
        appState.windowWidth = 800;
        appState.windowHeight = height;
        for (int i = 0; i < 6; ++i) {
            clickAt(120 + 110 * i, i % 2 == 0 ? 420 : 180);
        }
        keys("6ww");
        EXPECT_EQ(roughestInteriorContinuity(appState), 2);
        EXPECT_FALSE(checkDone(c1, appState));
        const int x4 = static_cast<int>(appState.knotHandles[4].x);
        const int x5 = static_cast<int>(appState.knotHandles[5].x);
        if (insert) {
            onHover(x4, height - 25);
            keys("i");
        } else {
            onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x5, height - 25);
            onDrag(x4, height - 25);
            onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x4, height - 25);
        }
        EXPECT_EQ(roughestInteriorContinuity(appState), 1) << insert;
        EXPECT_TRUE(checkDone(c1, appState)) << insert;
    }
}

}  // namespace
