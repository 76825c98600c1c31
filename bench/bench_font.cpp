#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_window.hpp"
#include "font/font_module.hpp"
#include "font/string_draw.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"

namespace {

constexpr const char* fontPath = "fonts/garamond1.glf";
constexpr const char* statusText = "w=0.062,";

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
    if (!ensureBenchWindow()) {
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
