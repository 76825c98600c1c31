#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <cmath>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "bench_window.hpp"
#include "render/display.hpp"

namespace {

// What a user feels while dragging: one motion event (the RBF re-solve it
// triggers included) and the whole redrawn frame, finished by the GPU, with
// the polygon at capacity. RBF mode holds 126 points: with the default degree
// 1 that is the largest system the coefficient store takes. A B-spline of
// degree d needs n + d + 1 knots, so it holds 128 - d - 1 points.
void BM_DragToFrame(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    const auto mode = static_cast<CurveMode>(state.range(0));
    const int degree = static_cast<int>(state.range(1));
    appState = AppState{};
    int n = maxPoints;
    if (mode == CurveMode::Rbf) {
        n = maxPoints - 2;
    } else if (mode == CurveMode::Bspline) {
        n = maxPoints - degree - 1;
    }
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n;
        appState.controlPoints[i] = {static_cast<float>(400 + 250 * std::cos(a)),
                                     static_cast<float>(320 + 200 * std::sin(3 * a)), 0.0f};
    }
    appState.pointCount = n;
    appState.enteredPointCount = n;
    appState.polyDegree = degree;
    switch (mode) {
        case CurveMode::Lagrange:
            onMenu(static_cast<int>(MenuCode::Lagrange));
            break;
        case CurveMode::Bezier:
            onMenu(static_cast<int>(MenuCode::Bezier));
            break;
        case CurveMode::Rbf:
            onMenu(static_cast<int>(MenuCode::Rbf));
            break;
        case CurveMode::Bspline:
            onMenu(static_cast<int>(MenuCode::Bspline));
            break;
        case CurveMode::None:
            break;
    }
    // Grab point 10 and move it to and fro, as a drag does.
    const Point3 grab = appState.controlPoints[10];
    const int x = static_cast<int>(grab.x);
    const int y = appState.windowHeight - static_cast<int>(grab.y);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
    int step = 0;
    for (auto _ : state) {
        onDrag(x + (step++ % 2), y);
        onDisplay();
        glFinish();
    }
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, y);
    appState = AppState{};
}
BENCHMARK(BM_DragToFrame)
    ->ArgNames({"mode", "degree"})
    ->Args({static_cast<int>(CurveMode::None), 1})
    ->Args({static_cast<int>(CurveMode::Lagrange), 1})
    ->Args({static_cast<int>(CurveMode::Bezier), 1})
    ->Args({static_cast<int>(CurveMode::Rbf), 1})
    ->Args({static_cast<int>(CurveMode::Bspline), 3})
    ->Args({static_cast<int>(CurveMode::Bspline), 60})
    ->Unit(benchmark::kMillisecond);

}  // namespace
