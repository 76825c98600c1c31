// The web page's side of the platform seam, and what the page reads of the
// program: the panel's state and the menu entries as buttons.

#include <GL/glut.h>
#include <emscripten.h>

#include <cstdio>

#include "app/platform.hpp"
#include "app/state.hpp"
#include "render/display.hpp"

namespace {

void (*menuChoice)(int) = nullptr;

const char* curveModeName(CurveMode mode) {
    switch (mode) {
        case CurveMode::Lagrange:
            return "Lagrange";
        case CurveMode::Bezier:
            return "Bezier";
        case CurveMode::Rbf:
            return "RBF";
        case CurveMode::Bspline:
            return "B-spline";
        case CurveMode::None:
            break;
    }
    return "none";
}

const char* schemeName(SubdivisionScheme scheme) {
    switch (scheme) {
        case SubdivisionScheme::Rbf4:
            return "rbf4";
        case SubdivisionScheme::Rbf6:
            return "rbf6";
        case SubdivisionScheme::Nr4:
            return "NR4";
        case SubdivisionScheme::DeslauriersDubuc:
            return "D-D";
        case SubdivisionScheme::Unr4:
            return "UNR4";
    }
    return "";
}

const char* basisName(BasisKind kind) {
    switch (kind) {
        case BasisKind::Mq1:
            return "mq1";
        case BasisKind::Mq3:
            return "mq3";
        case BasisKind::Gaussian:
            return "gs";
    }
    return "";
}

constexpr int panelCapacity = 512;
char panelText[panelCapacity];

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

// A menu entry chosen on the page.
EMSCRIPTEN_KEEPALIVE void tessaveld_choose(int code) {
    if (menuChoice != nullptr) {
        menuChoice(code);
    }
}

// One frame drawn at once, for timing it.
EMSCRIPTEN_KEEPALIVE void tessaveld_redraw() {
    onDisplay();
}

// What the panel shows, as one JSON object.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_panel() {
    const AppState& s = appState;
    if (s.traceFile != nullptr) {
        std::fflush(s.traceFile);
    }
    std::snprintf(panelText, sizeof panelText,
                  "{\"mode\":\"%s\",\"scheme\":\"%s\",\"basis\":\"%s\",\"degree\":%d,"
                  "\"r\":%.4f,\"alpha\":%.5f,\"points\":%d,\"trace\":%s}",
                  curveModeName(s.curveMode), schemeName(s.schemeKind), basisName(s.basisKind),
                  s.polyDegree, static_cast<double>(s.shapeR),
                  static_cast<double>(s.reductionAlpha), s.pointCount,
                  s.traceEnabled ? "true" : "false");
    return panelText;
}

}  // extern "C"
