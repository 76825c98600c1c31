#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "bench_window.hpp"
#include "render/curve_drawing.hpp"
#include "render/display.hpp"

// One display of each curve on its own: the drawer the display callback calls
// for the curve mode, finished by the renderer (glFinish), at the largest
// polygon the mode draws.

namespace {

void finishDrawing(void (*draw)()) {
    draw();
    glFinish();
}

void drawBezierOfPolygon() {
    drawBezierCurve(appState.controlPoints.data(), appState.pointCount, appState.animT);
}

// A redraw after a point drag: the weight tables the drawers keep are valid.
void BM_CurveDisplay(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    const auto mode = static_cast<CurveMode>(state.range(0));
    setWavyPolygon(mode, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    void (*draw)() = nullptr;
    void (*const lagrange)() = drawLagrangeCurve;
    void (*const bspline)() = drawBsplineCurve;
    void (*const rbf)() = drawRbfCurve;
    switch (mode) {
        case CurveMode::Lagrange:
            draw = lagrange;
            break;
        case CurveMode::Bezier:
            draw = drawBezierOfPolygon;
            break;
        case CurveMode::Rbf:
            draw = rbf;
            break;
        case CurveMode::Bspline:
            draw = bspline;
            break;
        case CurveMode::None:
            state.SkipWithError("no curve");
            return;
    }
    finishDrawing(draw);
    for (auto _ : state) {
        finishDrawing(draw);
    }
    appState = AppState{};
}
// RBF: n + d + 1 unknowns fit the 128-row store up to 126 points at degree 1.
// B-spline: n + d + 1 knots, so 126 points at degree 1 and 124 at degree 3.
BENCHMARK(BM_CurveDisplay)
    ->ArgNames({"mode", "points", "degree"})
    ->Args({static_cast<int>(CurveMode::Lagrange), 128, 1})
    ->Args({static_cast<int>(CurveMode::Bezier), 128, 1})
    ->Args({static_cast<int>(CurveMode::Rbf), 126, 1})
    ->Args({static_cast<int>(CurveMode::Bspline), 126, 1})
    ->Args({static_cast<int>(CurveMode::Bspline), 124, 3})
    ->Args({static_cast<int>(CurveMode::Bspline), 64, 60})
    ->Args({static_cast<int>(CurveMode::Bspline), 100, 27})
    ->Unit(benchmark::kMillisecond);

// A redraw after the nodes changed (a handle drag): the Lagrange weights of
// all samples are computed afresh. A node is nudged between two values.
void BM_LagrangeDisplayNewNodes(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    setWavyPolygon(CurveMode::Lagrange, maxPoints, 1);
    const float node = appState.knots[64];
    int step = 0;
    for (auto _ : state) {
        appState.knots[64] = node + ((step++ % 2) != 0 ? 0.25f : 0.0f);
        finishDrawing([] { drawLagrangeCurve(); });
    }
    appState = AppState{};
}
BENCHMARK(BM_LagrangeDisplayNewNodes)->Unit(benchmark::kMillisecond);

// A redraw after the point count changed (a click or a delete): the Bezier
// weights are built afresh. Three counts in turn defeat the two kept tables.
void BM_BezierDisplayNewCount(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    setWavyPolygon(CurveMode::Bezier, maxPoints, 1);
    int step = 0;
    for (auto _ : state) {
        const int count = maxPoints - step++ % 3;
        drawBezierCurve(appState.controlPoints.data(), count, appState.animT);
        glFinish();
    }
    appState = AppState{};
}
BENCHMARK(BM_BezierDisplayNewCount)->Unit(benchmark::kMillisecond);

// The RBF re-solve of every point drag. At 128 points the system (130
// unknowns) does not fit the store and the solve refuses at once.
void BM_SolveRbfSystem(benchmark::State& state) {
    setWavyPolygon(CurveMode::Rbf, static_cast<int>(state.range(0)),
                   static_cast<int>(state.range(1)));
    for (auto _ : state) {
        solveRbfSystem();
        benchmark::DoNotOptimize(appState.rbfCoefficients[0][0]);
    }
    appState = AppState{};
}
BENCHMARK(BM_SolveRbfSystem)
    ->ArgNames({"points", "degree"})
    ->Args({128, 1})
    ->Args({127, 0})
    ->Args({126, 1})
    ->Args({124, 3})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
