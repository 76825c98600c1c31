#include <benchmark/benchmark.h>

#include <cmath>

#include "app/state.hpp"
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
        reduceDegree(0.25, appState.auxPolygon.data());
        benchmark::DoNotOptimize(appState.auxPolygon[0].x);
    }
    appState = AppState{};
}
BENCHMARK(BM_ReduceDegree)->Arg(16)->Arg(64)->Arg(128)->Unit(benchmark::kMicrosecond);

}  // namespace
