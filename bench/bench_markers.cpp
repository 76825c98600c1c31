#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include "app/state.hpp"
#include "bench_window.hpp"
#include "render/markers.hpp"

// A frame's worth of point markers (128, under a turned view as the display
// draws them), finished by the renderer: drawn one at a time, each under its
// own translation, against all of them in one batch.

namespace {

constexpr float viewTurnX = 25.0f;
constexpr float viewTurnY = -40.0f;

void turnedView() {
    glLoadIdentity();
    glTranslatef(400.0f, 300.0f, 0.0f);
    glRotatef(viewTurnX, 1.0f, 0.0f, 0.0f);
    glRotatef(viewTurnY, 0.0f, 1.0f, 0.0f);
    glTranslatef(-400.0f, -300.0f, 0.0f);
}

void markersOneAtATime() {
    const AppState& s = appState;
    for (int i = 0; i < s.pointCount; ++i) {
        drawMarker(s.controlPoints[i].x, s.controlPoints[i].y, s.controlPoints[i].z);
    }
}

void markersInOneBatch() {
    drawMarkers(appState.controlPoints.data(), appState.pointCount);
}

void BM_Markers(benchmark::State& state, void (*draw)()) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    setWavyPolygon(CurveMode::None, maxPoints, 1);
    turnedView();
    draw();
    glFinish();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        glFinish();
    }
    glLoadIdentity();
    appState = AppState{};
}
BENCHMARK_CAPTURE(BM_Markers, one_at_a_time, markersOneAtATime)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Markers, batch, markersInOneBatch)->Unit(benchmark::kMillisecond);

}  // namespace
