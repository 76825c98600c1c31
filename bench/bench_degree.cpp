#include <benchmark/benchmark.h>

#include <cmath>

#include "app/commands.hpp"
#include "app/state.hpp"
#include "bench_window.hpp"
#include "curves/degree.hpp"

namespace {

// The cost of one h or j press: the weighted least-squares reduction of the
// whole control polygon, dominated by the Gram matrix and the matrix products.
void BM_ReduceDegree(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    appState = AppState{};
    appState.pointCount = n;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / n;
        appState.controlPoints[i] = {static_cast<float>(50 + 700 * t),
                                     static_cast<float>(300 + 200 * std::sin(9 * t)), 0};
    }
    for (auto _ : state) {
        reduceDegree(appState.controlPoints.data(), n, 0.25, appState.auxPolygon.data());
        benchmark::DoNotOptimize(appState.auxPolygon[0].x);
    }
    appState = AppState{};
}
BENCHMARK(BM_ReduceDegree)->Arg(16)->Arg(64)->Arg(128)->Unit(benchmark::kMicrosecond);

// Key l at capacity: the six reductions of the family overlay, each of the
// whole 128-point polygon. Only the press that switches the overlay on is
// timed; the press that switches it off again computes nothing.
void BM_FamilyKey(benchmark::State& state) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    const int n = static_cast<int>(state.range(0));
    appState = AppState{};
    appState.pointCount = n;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / n;
        appState.controlPoints[i] = {static_cast<float>(50 + 700 * t),
                                     static_cast<float>(300 + 200 * std::sin(9 * t)),
                                     static_cast<float>((i * 37) % 400 - 200)};
    }
    for (auto _ : state) {
        onKey('l', 0, 0);
        state.PauseTiming();
        onKey('l', 0, 0);
        state.ResumeTiming();
    }
    appState = AppState{};
}
BENCHMARK(BM_FamilyKey)->Arg(128)->Unit(benchmark::kMillisecond);

}  // namespace
