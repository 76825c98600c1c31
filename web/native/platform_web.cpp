// The web page's side of the platform seam: the menu as the page's buttons,
// the end of the program, the trace as it is written, and GLUT's loop.

#include <GL/glut.h>
#include <emscripten.h>

#include <cstdio>

#include "app/platform.hpp"

namespace {

void (*menuChoice)(int) = nullptr;

}  // namespace

void platformOfferMenu(void (*onChoice)(int), const MenuItem* items, int count) {
    menuChoice = onChoice;
    for (int i = 0; i < count; ++i) {
        // clang-format off
        EM_ASM({ if (Module.addMenuButton) Module.addMenuButton(UTF8ToString($0), $1); },
               items[i].label, items[i].code);
        // clang-format on
    }
}

void platformQuit(int status) {
    glutIdleFunc(nullptr);
    // Ends the runtime; the page's onExit says so and offers a new start.
    emscripten_force_exit(status);
    __builtin_unreachable();
}

void platformTraceWritten(std::FILE* traceFile) {
    if (traceFile != nullptr) {
        std::fflush(traceFile);
    }
    EM_ASM({
        if (Module.traceWritten)
            Module.traceWritten();
    });
}

void platformRunEventLoop() {
    glutMainLoop();
    __builtin_unreachable();
}

extern "C" {

// A menu entry chosen on the page: the entry's code, as the menu gave it.
EMSCRIPTEN_KEEPALIVE void tessaveld_choose(int code) {
    if (menuChoice != nullptr) {
        menuChoice(code);
    }
}

}  // extern "C"
