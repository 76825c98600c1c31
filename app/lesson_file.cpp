#include "app/lesson_file.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/link_reader.hpp"
#include "app/snapshot.hpp"

// A lesson file is lines of "keyword: value", in this order:
//
//   # a comment (a line that starts with '#')
//   lesson: the lesson's title              (once, before the first step)
//   step: the step's title                  (starts a step; 1 to 20 of them)
//   text: what the step says                (needed; lines after it that start
//     with a space or a tab continue it,     with a space or a tab continue it,
//     a blank line between them parts        and a blank line parts paragraphs)
//   state: v1;...;end                       (needed: the snapshot the step opens)
//   task: what the student is asked to do   (may be left out)
//   check: name parameter                   (a row of the table below; needs a task)
//   hint: a nudge shown after a while       (needs a check)
//
// The text may hold the markup elements of markupElements and character
// references (&lt; &#8804;); attributes are the page's to keep or drop. Any
// fault refuses the whole file with the first line at fault.

namespace {

using linktext::numberShaped;
using linktext::quoted;
using linktext::sentence;
using linktext::wholeNumber;

// A check's parameter compared with a value that moves by key presses in
// float steps (r by 0.0125, alpha by 0.25): a quarter of the smaller step.
constexpr float presses = 0.003f;

struct CheckRow {
    std::string_view name;
    CheckParameter parameter;
    std::string_view asks;  // one sentence; the parameter follows in brackets
    bool (*done)(const LessonCheck& c, const AppState& s);
};

bool pausedConstruction(const AppState& s) {
    return !s.animating && s.animT >= 0.0f && s.animT <= 1.0f;
}

// Every check a step may ask, answered from the record alone.
constexpr std::array<CheckRow, 15> checkRows = {{
    {"mode", CheckParameter::Mode, "The curve is drawn by the method named.",
     [](const LessonCheck& c, const AppState& s) {
         return static_cast<int>(s.curveMode) == c.whole;
     }},
    {"scheme", CheckParameter::Scheme, "The subdivision scheme named is chosen.",
     [](const LessonCheck& c, const AppState& s) {
         return static_cast<int>(s.schemeKind) == c.whole;
     }},
    {"basis", CheckParameter::Basis, "The radial basis named is chosen.",
     [](const LessonCheck& c, const AppState& s) {
         return static_cast<int>(s.basisKind) == c.whole;
     }},
    {"degree", CheckParameter::Whole, "The degree is the one given.",
     [](const LessonCheck& c, const AppState& s) { return s.polyDegree == c.whole; }},
    {"points-at-least", CheckParameter::Whole, "The polygon has at least as many points as given.",
     [](const LessonCheck& c, const AppState& s) { return s.pointCount >= c.whole; }},
    {"knot-continuity-at-most", CheckParameter::Whole,
     "A knot inside the B-spline's domain is repeated until the curve is at most this smooth "
     "there.",
     [](const LessonCheck& c, const AppState& s) {
         const std::optional<int> k = roughestInteriorContinuity(s);
         return k && *k <= c.whole;
     }},
    {"elevated", CheckParameter::None, "The polygon has been raised by one degree.",
     [](const LessonCheck&, const AppState& s) {
         return s.auxPointCount > 0 && !s.comparisonIsReduction;
     }},
    {"reduced-alpha-at-least", CheckParameter::Number,
     "A reduction is shown with alpha at least as large as given.",
     [](const LessonCheck& c, const AppState& s) {
         return s.auxPointCount > 0 && s.comparisonIsReduction &&
                s.reductionAlpha >= c.number - presses;
     }},
    {"family", CheckParameter::None, "The family of six reductions is shown.",
     [](const LessonCheck&, const AppState& s) { return s.showFamily; }},
    {"r-at-most", CheckParameter::Number, "The shape parameter r is at most the value given.",
     [](const LessonCheck& c, const AppState& s) { return s.shapeR <= c.number + presses; }},
    {"r-at-least", CheckParameter::Number, "The shape parameter r is at least the value given.",
     [](const LessonCheck& c, const AppState& s) { return s.shapeR >= c.number - presses; }},
    {"halving", CheckParameter::Switch,
     "The halving of r at each RBF subdivision step is as given.",
     [](const LessonCheck& c, const AppState& s) { return s.halveShapeOnSubdivision == c.on; }},
    {"paused", CheckParameter::None, "A construction stands paused on the curve.",
     [](const LessonCheck&, const AppState& s) { return pausedConstruction(s); }},
    {"no-curve", CheckParameter::None, "The RBF interpolation has no curve.",
     [](const LessonCheck&, const AppState& s) {
         return s.curveMode == CurveMode::Rbf && s.rbfStatus != RbfSolveStatus::Solved;
     }},
    {"turned", CheckParameter::None, "The view is turned.",
     [](const LessonCheck&, const AppState& s) {
         return s.rotationX != 0.0f || s.rotationY != 0.0f;
     }},
}};

// The elements a step's text may use: paragraphs and emphasis, and the
// presentation MathML that browsers draw themselves.
constexpr std::array<std::string_view, 26> markupElements = {
    "p",      "em",         "strong", "br",     "sub",     "sup",    "math",  "mi",    "mn",
    "mo",     "mrow",       "msup",   "msub",   "msubsup", "mfrac",  "msqrt", "mroot", "mover",
    "munder", "munderover", "mtext",  "mspace", "mstyle",  "mtable", "mtr",   "mtd"};

enum class Keyword : int { Lesson, Step, Text, State, Task, Check, Hint };

struct KeywordRow {
    Keyword value;
    std::string_view token;
};
constexpr std::array<KeywordRow, 7> keywordRows = {{{Keyword::Lesson, "lesson"},
                                                    {Keyword::Step, "step"},
                                                    {Keyword::Text, "text"},
                                                    {Keyword::State, "state"},
                                                    {Keyword::Task, "task"},
                                                    {Keyword::Check, "check"},
                                                    {Keyword::Hint, "hint"}}};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}

// The sentence with its first letter small, to follow "Line n: ".
std::string continued(std::string why) {
    if (!why.empty() && why.front() >= 'A' && why.front() <= 'Z') {
        why.front() = static_cast<char>(why.front() - 'A' + 'a');
    }
    return why;
}

// The first fault of a text's markup, empty when there is none: every '<'
// opens a known element (or closes one) and a '>' ends it, every '&' starts a
// reference that a ';' ends.
std::string markupFault(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<') {
            std::size_t j = i + 1;
            if (j < text.size() && text[j] == '/') {
                ++j;
            }
            const std::size_t start = j;
            while (j < text.size() && isLower(text[j])) {
                ++j;
            }
            const std::string_view name = text.substr(start, j - start);
            if (name.empty()) {
                return "the text has a '<' that opens no element (write &lt;).";
            }
            if (std::find(markupElements.begin(), markupElements.end(), name) ==
                markupElements.end()) {
                return sentence("the text has an element ", quoted(name),
                                " that a step cannot use.");
            }
            const std::size_t close = text.find_first_of("<>", j);
            if (close == std::string_view::npos || text[close] != '>') {
                return sentence("the text's element ", quoted(name), " has no closing '>'.");
            }
            i = close;
        } else if (text[i] == '>') {
            return "the text has a '>' outside an element (write &gt;).";
        } else if (text[i] == '&') {
            std::size_t j = i + 1;
            while (j < text.size() && j - i <= linktext::maxQuoted &&
                   (std::isalnum(static_cast<unsigned char>(text[j])) != 0 || text[j] == '#')) {
                ++j;
            }
            if (j == i + 1 || j >= text.size() || text[j] != ';') {
                return "the text has an '&' that starts no reference (write &amp;).";
            }
            i = j;
        }
    }
    return "";
}

// The reader's state between lines.
class FileReader {
  public:
    LessonReading finish() {
        if (ok() && !lesson_.title.empty()) {
            endStep();
        }
        if (ok() && lesson_.title.empty()) {
            refuse(0, "The file has no line \"lesson: title\".");
        }
        if (ok() && lesson_.steps.empty()) {
            refuse(0, "The file has no step.");
        }
        LessonReading r;
        if (ok()) {
            r.lesson = std::move(lesson_);
        } else {
            r.refusal = refusal_;
            r.line = refusedLine_;
        }
        return r;
    }

    void line(int number, std::string_view text) {
        line_ = number;
        for (const char c : text) {
            const auto code = static_cast<unsigned char>(c);
            if (code < ' ' && c != '\t') {
                fault(
                    sentence("it holds a control character (code ", static_cast<int>(code), ")."));
                return;
            }
        }
        if (trimmed(text).empty()) {
            if (inText_) {
                pendingParagraph_ = true;
            }
            return;
        }
        if (text.front() == '#') {
            return;
        }
        if (isBlank(text.front())) {
            if (!inText_) {
                fault("an indented line continues only a step's text.");
                return;
            }
            appendText(trimmed(text));
            return;
        }
        inText_ = false;
        const std::size_t colon = text.find(':');
        const std::string_view word = text.substr(0, colon);
        const KeywordRow* row = rowWithToken(keywordRows, word);
        if (colon == std::string_view::npos || row == nullptr) {
            fault(sentence("it starts with ", quoted(word),
                           " where a keyword belongs (lesson, step, text, state, task, check, "
                           "hint)."));
            return;
        }
        keyword(row->value, trimmed(text.substr(colon + 1)));
    }

    bool ok() const { return refusal_.empty(); }

  private:
    void refuse(int line, std::string why) {
        if (ok()) {
            refusal_ = line > 0 ? sentence("Line ", line, ": ", continued(std::move(why)))
                                : std::move(why);
            refusedLine_ = line;
        }
    }
    void fault(std::string why) { refuse(line_, std::move(why)); }

    void appendText(std::string_view piece) {
        std::string& text = lesson_.steps.back().text;
        if (!text.empty()) {
            text += pendingParagraph_ ? "\n\n" : "\n";
        }
        pendingParagraph_ = false;
        text.append(piece);
        if (text.size() > lessonMaxText) {
            fault(sentence("the step's text passes ", lessonMaxText, " characters."));
        }
    }

    // A field of the step may be given once.
    bool once(bool given, std::string_view what) {
        if (given) {
            fault(sentence("the step already has its ", what, "."));
        }
        return !given;
    }

    bool fits(std::string_view value, std::size_t most, std::string_view what) {
        if (value.empty()) {
            fault(sentence("the ", what, " is empty."));
            return false;
        }
        if (value.size() > most) {
            fault(sentence("the ", what, " passes ", most, " characters."));
            return false;
        }
        return true;
    }

    void keyword(Keyword k, std::string_view value) {
        if (k == Keyword::Lesson) {
            if (!lesson_.title.empty()) {
                fault("the file gives a second lesson title.");
            } else if (fits(value, lessonMaxTitle, "lesson's title")) {
                lesson_.title = value;
            }
            return;
        }
        if (lesson_.title.empty()) {
            fault("a step's line comes before the line \"lesson: title\".");
            return;
        }
        if (k == Keyword::Step) {
            endStep();
            if (!ok()) {
                return;
            }
            if (static_cast<int>(lesson_.steps.size()) == lessonMaxSteps) {
                fault(sentence("a lesson has at most ", lessonMaxSteps, " steps."));
                return;
            }
            if (fits(value, lessonMaxTitle, "step's title")) {
                lesson_.steps.emplace_back();
                lesson_.steps.back().title = value;
                stepLine_ = line_;
                hasText_ = false;
            }
            return;
        }
        if (lesson_.steps.empty()) {
            fault("it comes before the first line \"step: title\".");
            return;
        }
        LessonStep& step = lesson_.steps.back();
        switch (k) {
            case Keyword::Text:
                if (once(hasText_, "text")) {
                    hasText_ = true;
                    inText_ = true;
                    pendingParagraph_ = false;
                    if (!value.empty()) {
                        appendText(value);
                    }
                }
                break;
            case Keyword::State:
                if (once(!step.state.empty(), "state") && fits(value, snapshotMaxLength, "state")) {
                    readState(step, value);
                }
                break;
            case Keyword::Task:
                if (once(!step.task.empty(), "task") && fits(value, lessonMaxTask, "task")) {
                    step.task = value;
                }
                break;
            case Keyword::Check:
                if (once(step.check.has_value(), "check")) {
                    std::string why;
                    step.check = readCheck(value, why);
                    if (!step.check) {
                        fault(why);
                    }
                }
                break;
            case Keyword::Hint:
                if (once(!step.hint.empty(), "hint") && fits(value, lessonMaxTask, "hint")) {
                    step.hint = value;
                }
                break;
            case Keyword::Lesson:
            case Keyword::Step:
                break;
        }
    }

    void readState(LessonStep& step, std::string_view value) {
        const auto scratch = std::make_unique<AppState>();
        const SnapshotDecoding d = decodeSnapshot(value, *scratch);
        if (!d.applied) {
            fault(sentence("the state is refused: ", continued(d.refusal)));
            return;
        }
        step.state = value;
    }

    // What a step needs, asked when the next one starts or the file ends; the
    // refusal names the step's own line.
    void endStep() {
        inText_ = false;
        if (lesson_.steps.empty()) {
            return;
        }
        const LessonStep& step = lesson_.steps.back();
        const std::string_view title = step.title;
        if (step.text.empty()) {
            refuse(stepLine_, sentence("the step ", quoted(title), " has no text."));
        } else if (step.state.empty()) {
            refuse(stepLine_, sentence("the step ", quoted(title), " has no state."));
        } else if (step.check && step.task.empty()) {
            refuse(stepLine_, sentence("the step ", quoted(title), " has a check but no task."));
        } else if (!step.hint.empty() && !step.check) {
            refuse(stepLine_, sentence("the step ", quoted(title), " has a hint but no check."));
        } else {
            const std::string markup = markupFault(step.text);
            if (!markup.empty()) {
                refuse(stepLine_, sentence("in the step ", quoted(title), ", ", markup));
            }
        }
    }

    Lesson lesson_;
    int line_ = 0;
    int stepLine_ = 0;
    bool hasText_ = false;
    bool inText_ = false;
    bool pendingParagraph_ = false;
    std::string refusal_;
    int refusedLine_ = 0;
};

template <typename Row, std::size_t N>
bool readToken(const std::array<Row, N>& rows, std::string_view t, int& into) {
    const Row* row = rowWithToken(rows, t);
    if (row == nullptr) {
        return false;
    }
    into = static_cast<int>(row->value);
    return true;
}

}  // namespace

std::optional<LessonCheck> readCheck(std::string_view text, std::string& refusal) {
    text = trimmed(text);
    const std::size_t gap = text.find_first_of(" \t");
    const std::string_view name = text.substr(0, gap);
    const std::string_view parameter =
        gap == std::string_view::npos ? std::string_view() : trimmed(text.substr(gap));
    const auto row = std::find_if(checkRows.begin(), checkRows.end(),
                                  [&](const CheckRow& r) { return r.name == name; });
    if (row == checkRows.end()) {
        refusal = sentence("The check ", quoted(name), " is not one of the checks.");
        return std::nullopt;
    }
    LessonCheck c;
    c.row = static_cast<int>(row - checkRows.begin());
    c.text = text;
    bool read = true;
    switch (row->parameter) {
        case CheckParameter::None:
            read = parameter.empty();
            break;
        case CheckParameter::Whole:
            if (const std::optional<int> v = wholeNumber(parameter)) {
                c.whole = *v;
            } else {
                read = false;
            }
            break;
        case CheckParameter::Number: {
            read = numberShaped(parameter) && parameter.size() <= linktext::maxNumberLength;
            if (read) {
                const std::string digits(parameter);
                c.number = std::strtof(digits.c_str(), nullptr);
                read = std::isfinite(c.number);
            }
            break;
        }
        case CheckParameter::Mode:
            read = readToken(curveModeRows, parameter, c.whole);
            break;
        case CheckParameter::Scheme:
            read = readToken(schemeRows, parameter, c.whole);
            break;
        case CheckParameter::Basis:
            read = readToken(basisRows, parameter, c.whole);
            break;
        case CheckParameter::Switch:
            read = parameter == "on" || parameter == "off";
            c.on = parameter == "on";
            break;
    }
    if (!read) {
        if (row->parameter == CheckParameter::None) {
            refusal = sentence("The check ", quoted(name), " takes no parameter.");
        } else if (parameter.empty()) {
            refusal = sentence("The check ", quoted(name), " needs a parameter.");
        } else {
            refusal = sentence("The check ", quoted(name), " cannot take ", quoted(parameter), ".");
        }
        return std::nullopt;
    }
    return c;
}

bool checkDone(const LessonCheck& check, const AppState& s) {
    if (check.row < 0 || check.row >= static_cast<int>(checkRows.size())) {
        return false;
    }
    return checkRows[check.row].done(check, s);
}

std::string checkAsks(const LessonCheck& check) {
    if (check.row < 0 || check.row >= static_cast<int>(checkRows.size())) {
        return "";
    }
    return std::string(checkRows[check.row].asks);
}

std::optional<int> roughestInteriorContinuity(const AppState& s) {
    const int n = s.pointCount;
    const int d = s.polyDegree;
    const int m = s.knotCount;
    if (s.curveMode != CurveMode::Bspline || n <= 0 || n > maxPoints || d < 0 || d >= n ||
        m != n + d + 1 || m > maxPoints) {
        return std::nullopt;
    }
    const float lo = s.knots[d];
    const float hi = s.knots[n];
    int most = 0;
    for (int i = 0; i < m; ++i) {
        const float v = s.knots[i];
        if (!(v > lo && v < hi)) {
            continue;
        }
        const int multiplicity =
            static_cast<int>(std::count(s.knots.begin(), s.knots.begin() + m, v));
        most = std::max(most, multiplicity);
    }
    if (most == 0) {
        return std::nullopt;
    }
    return d - most;
}

LessonReading readLessonFile(std::string_view text) {
    if (text.size() > lessonFileMaxLength) {
        LessonReading r;
        r.refusal = sentence("The file is longer than ", lessonFileMaxLength, " bytes.");
        return r;
    }
    FileReader reader;
    int number = 0;
    std::size_t start = 0;
    while (reader.ok() && start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        ++number;
        if (!(end == text.size() && line.empty())) {
            reader.line(number, line);
        }
        start = end + 1;
    }
    return reader.finish();
}
