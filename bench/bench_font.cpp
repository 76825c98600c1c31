#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "font/string_draw.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"

namespace {

constexpr const char* fontPath = "fonts/garamond1.glf";
constexpr const char* statusText = "w=0.062,";

// Drawing needs a current context; one hidden-enough window serves every
// benchmark that draws, whoever makes it first.
bool ensureWindow() {
    if (std::getenv("DISPLAY") == nullptr) {
        return false;
    }
    if (glutGet(GLUT_INIT_STATE) == 0) {
        int argc = 1;
        char name[] = "tessaveld_bench";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
    }
    if (glutGetWindow() == 0) {
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
        glutInitWindowSize(800, 600);
        glutCreateWindow("tessaveld_bench");
    }
    return true;
}

// Start-up cost of the one font file: open, read, check and build 188 symbols.
void BM_LoadGaramond(benchmark::State& state) {
    initFonts();
    for (auto _ : state) {
        const int handle = loadFont(fontPath);
        if (handle < 0) {
            state.SkipWithError("fonts/garamond1.glf not found (run from the repository root)");
            break;
        }
        unloadFont(handle);
    }
    shutdownFonts();
}
BENCHMARK(BM_LoadGaramond)->Unit(benchmark::kMicrosecond);

void BM_StringBounds(benchmark::State& state) {
    initFonts();
    if (loadFont(fontPath) < 0) {
        state.SkipWithError("fonts/garamond1.glf not found (run from the repository root)");
    }
    float box[4];
    for (auto _ : state) {
        getStringBounds(statusText, &box[0], &box[1], &box[2], &box[3]);
        benchmark::DoNotOptimize(box);
    }
    shutdownFonts();
}
BENCHMARK(BM_StringBounds);

// One status-line field, laid out and sent vertex by vertex as every UNR4
// frame does three times.
void BM_DrawStatusField(benchmark::State& state) {
    if (!ensureWindow()) {
        state.SkipWithError("no display for a GL context");
        return;
    }
    initFonts();
    if (loadFont(fontPath) < 0) {
        state.SkipWithError("fonts/garamond1.glf not found (run from the repository root)");
    }
    for (auto _ : state) {
        drawSolidString(statusText);
    }
    glFinish();
    shutdownFonts();
}
BENCHMARK(BM_DrawStatusField)->Unit(benchmark::kMicrosecond);

}  // namespace
