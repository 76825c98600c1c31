// The lessons' calls into the program: a lesson file read by the program's
// own reader (app/lesson_file), as JSON for the page to lay out, and a step's
// check answered against the record as it is now. Both read their text from
// one room that tessaveld_lesson_text makes.

#include <emscripten.h>

#include <string>

#include "app/lesson_file.hpp"
#include "app/state.hpp"
#include "web/native/json.hpp"

namespace {

std::string lessonText;
JsonWriter lessonJson;
JsonWriter checkJson;

}  // namespace

extern "C" {

// Room for a text of length bytes that the next call below reads.
EMSCRIPTEN_KEEPALIVE char* tessaveld_lesson_text(int length) {
    lessonText.assign(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    return lessonText.data();
}

// The lesson file in the room, as {"title", "steps": [{"title", "text",
// "state", "task", "check", "asks", "hint"}]} ("check" and "asks" null for a
// step without one), or {"refusal", "line"} for a refused file.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_lesson_read() {
    const LessonReading r = readLessonFile(lessonText);
    JsonWriter& out = lessonJson;
    out.clear();
    out.beginObject();
    if (!r.lesson) {
        out.key("refusal").string(r.refusal).key("line").integer(r.line).endObject();
        return out.text().c_str();
    }
    out.key("title").string(r.lesson->title).key("steps").beginArray();
    for (const LessonStep& step : r.lesson->steps) {
        out.beginObject().key("title").string(step.title).key("text").string(step.text);
        out.key("state").string(step.state).key("task").string(step.task);
        if (step.check) {
            out.key("check").string(step.check->text).key("asks").string(checkAsks(*step.check));
        } else {
            out.key("check").null().key("asks").null();
        }
        out.key("hint").string(step.hint).endObject();
    }
    out.endArray().endObject();
    return out.text().c_str();
}

// The check written in the room, answered for the record: {"done": true|false},
// or {"refusal"} when the text is not a check.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_lesson_check() {
    std::string why;
    const std::optional<LessonCheck> check = readCheck(lessonText, why);
    JsonWriter& out = checkJson;
    out.clear();
    out.beginObject();
    if (check) {
        out.key("done").boolean(checkDone(*check, appState));
    } else {
        out.key("refusal").string(why);
    }
    out.endObject();
    return out.text().c_str();
}

}  // extern "C"
