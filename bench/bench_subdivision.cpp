#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#include "app/commands.hpp"
#include "app/state.hpp"
#include "app/window.hpp"
#include "bench_window.hpp"

namespace {

constexpr int refinablePoints = maxPoints / 2;

// The largest polygon a step still refines: 64 points on a circle, entered
// as shown, with the parameters 0, 1, 2, ... of the RBF command.
void loadPolygon() {
    AppState& s = appState;
    s.pointCount = refinablePoints;
    s.enteredPointCount = refinablePoints;
    s.paramSpacing = 1.0f;
    s.shapeR = 1.0f;
    for (int i = 0; i < refinablePoints; ++i) {
        const double a = 2.0 * M_PI * i / refinablePoints;
        const Point3 p{static_cast<float>(400 + 250 * std::cos(a)),
                       static_cast<float>(300 + 250 * std::sin(a)), static_cast<float>(i % 7)};
        s.controlPoints[static_cast<size_t>(i)] = p;
        s.enteredPolygon[static_cast<size_t>(i)] = p;
        s.knots[static_cast<size_t>(i)] = static_cast<float>(i);
    }
}

// One step from 64 to 128 points by the subdivision command, frame and
// global re-solve included.
void runStep(benchmark::State& state, SubdivisionScheme scheme, int stencilSize) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    appState = AppState{};
    for (auto _ : state) {
        state.PauseTiming();
        loadPolygon();
        appState.schemeKind = scheme;
        appState.rbfStencilSize = stencilSize;
        state.ResumeTiming();
        onMenu(static_cast<int>(MenuCode::Subdivision));
        benchmark::DoNotOptimize(appState.controlPoints[1]);
    }
    appState = AppState{};
}

void BM_Rbf4Step(benchmark::State& state) {
    runStep(state, SubdivisionScheme::Rbf4, 4);
}
BENCHMARK(BM_Rbf4Step)->Unit(benchmark::kMillisecond);

void BM_Rbf6Step(benchmark::State& state) {
    runStep(state, SubdivisionScheme::Rbf6, 6);
}
BENCHMARK(BM_Rbf6Step)->Unit(benchmark::kMillisecond);

void BM_Nr4Step(benchmark::State& state) {
    runStep(state, SubdivisionScheme::Nr4, 4);
}
BENCHMARK(BM_Nr4Step)->Unit(benchmark::kMillisecond);

}  // namespace
