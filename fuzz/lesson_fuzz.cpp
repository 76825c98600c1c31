// Feeds arbitrary bytes to the lesson file reader as if a teacher had written
// them. A refused file gives one sentence and no lesson; a read one has
// steps within the limits, each with a text and a state the snapshot reader
// opens, and each check's text reads back to the same check.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/lesson_file.hpp"
#include "app/snapshot.hpp"
#include "app/state.hpp"

namespace {

bool oneSentence(const std::string& s) {
    return !s.empty() && s.front() >= 'A' && s.front() <= 'Z' && s.back() == '.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const LessonReading r = readLessonFile(text);
    if (!r.lesson) {
        if (!oneSentence(r.refusal) || r.line < 0) {
            __builtin_trap();
        }
        return 0;
    }
    const Lesson& lesson = *r.lesson;
    if (!r.refusal.empty() || lesson.title.empty() || lesson.steps.empty() ||
        lesson.steps.size() > static_cast<std::size_t>(lessonMaxSteps)) {
        __builtin_trap();
    }
    const auto scratch = std::make_unique<AppState>();
    for (const LessonStep& step : lesson.steps) {
        if (step.text.empty() || step.text.size() > lessonMaxText ||
            !decodeSnapshot(step.state, *scratch).applied) {
            __builtin_trap();
        }
        if (step.check) {
            std::string why;
            const auto again = readCheck(step.check->text, why);
            if (!again || again->row != step.check->row || step.task.empty()) {
                __builtin_trap();
            }
            (void)checkDone(*again, *scratch);
        }
    }
    return 0;
}
