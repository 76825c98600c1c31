#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/snapshot.hpp"
#include "app/state.hpp"
#include "bench_window.hpp"

// The page writes the address after every event and reads it when a link is
// opened: both at capacity, with every list full and few short numbers.

namespace {

constexpr int windowHeight = 600;
constexpr int clickedPoints = 32;

void pressAndRelease(int x, int y, int x1, int y1) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, windowHeight - y);
    onDrag(x1, windowHeight - y1);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x1, windowHeight - y1);
}

// 32 clicks refined twice by the RBF scheme to 128 points, lagrange nodes with
// a dragged handle, the family and the comparison polygon of 127 points, then
// a dragged point: the state of the size test in tests/app/snapshot_test.cpp.
void buildFullState(bool family) {
    appState = AppState{};
    for (int i = 0; i < clickedPoints; ++i) {
        const int x = 20 + (i * 760) / clickedPoints;
        const int y = 330 + static_cast<int>(std::lround(200.0 * std::sin(0.7 * i)));
        pressAndRelease(x, y, x, y);
    }
    for (char k : std::string("raaass")) {
        onKey(static_cast<unsigned char>(k), 0, 0);
    }
    onMenu(static_cast<int>(MenuCode::Lagrange));
    const int handle = static_cast<int>(std::lround(appState.knotHandles[40].x));
    pressAndRelease(handle, 25, handle + 3, 25);
    if (family) {
        onKey('l', 0, 0);
    }
    onKey('h', 0, 0);
    const Point3 p = appState.controlPoints[31];
    const int x = static_cast<int>(std::lround(p.x));
    const int y = static_cast<int>(std::lround(p.y));
    pressAndRelease(x, y, x + 9, y + 14);
}

void BM_SnapshotEncode(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    buildFullState(state.range(0) != 0);
    std::size_t length = 0;
    for (auto _ : state) {
        const std::string text = encodeSnapshot(appState);
        length = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["characters"] = static_cast<double>(length);
    appState = AppState{};
}
BENCHMARK(BM_SnapshotEncode)->ArgName("family")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Decoding with the family recomputes its six reductions of 128 points.
void BM_SnapshotDecode(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    buildFullState(state.range(0) != 0);
    const std::string text = encodeSnapshot(appState);
    AppState record{};
    for (auto _ : state) {
        const SnapshotDecoding d = decodeSnapshot(text, record);
        if (!d.applied) {
            state.SkipWithError(d.refusal.c_str());
            break;
        }
        benchmark::DoNotOptimize(record.controlPoints[0].x);
    }
    state.counters["characters"] = static_cast<double>(text.size());
    appState = AppState{};
}
BENCHMARK(BM_SnapshotDecode)->ArgName("family")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
