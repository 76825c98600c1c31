#pragma once

// Lessons as plain text files, and the checks their steps ask of the record.
//
// A lesson file is read whole or refused whole with one sentence naming its
// line; the format is described beside the reader, in lesson_file.cpp, and
// in the README. A check is one row of a table (its name, the kind of its
// parameter, what it asks) and is read from the text a file gives it, so the
// page can hand the same text back to have it answered against the record.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/state.hpp"

// Files longer than this are refused unread.
constexpr std::size_t lessonFileMaxLength = 65536;
// Steps a file may hold: room for a teacher's longer lesson, not a book.
constexpr int lessonMaxSteps = 20;
// Characters of a title, and of a step's text with its markup.
constexpr std::size_t lessonMaxTitle = 80;
constexpr std::size_t lessonMaxText = 4000;
// Characters of a task or a hint.
constexpr std::size_t lessonMaxTask = 400;

// The kind of value a check takes after its name.
enum class CheckParameter : int { None, Whole, Number, Mode, Scheme, Basis, Switch };

// A check as read: its row (by index into the table) and its parameter.
struct LessonCheck {
    int row = 0;
    int whole = 0;        // Whole, and the enumerations' values
    float number = 0.0f;  // Number
    bool on = false;      // Switch
    std::string text;     // as written: name, then the parameter if any
};

struct LessonStep {
    std::string title;
    std::string text;   // markup: a few HTML and MathML elements, checked by the reader
    std::string state;  // a snapshot the reader could open
    std::string task;   // empty: the step asks nothing
    std::optional<LessonCheck> check;
    std::string hint;  // shown after a while when the check is not yet done
};

struct Lesson {
    std::string title;
    std::vector<LessonStep> steps;
};

// What reading a file gave: the lesson, or one sentence naming the line (from 1).
struct LessonReading {
    std::optional<Lesson> lesson;
    std::string refusal;
    int line = 0;  // the line the refusal names; 0 for the file as a whole
};

// Reads a lesson file. Every state line is opened on a scratch record (never
// the program's own), every check read against the table, every text's
// markup checked; a file with any fault is refused whole.
LessonReading readLessonFile(std::string_view text);

// Reads a check written as "name" or "name parameter"; the sentence saying
// why it was refused, in refusal, when it is not one.
std::optional<LessonCheck> readCheck(std::string_view text, std::string& refusal);

// Whether the record does what the check asks.
bool checkDone(const LessonCheck& check, const AppState& s);

// What the check asks, in one sentence for the student.
std::string checkAsks(const LessonCheck& check);

// The continuity order at the B-spline's roughest interior knot: the degree
// less the largest multiplicity of a knot value strictly inside the domain
// (-1: the curve may break there). Nothing when the record holds no defined
// B-spline or its domain has no interior knot.
std::optional<int> roughestInteriorContinuity(const AppState& s);
