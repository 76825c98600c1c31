#include <benchmark/benchmark.h>

#include "app/plot.hpp"
#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "bench_window.hpp"

namespace {

// The panel's plot after an event at the largest polygon each mode draws: a
// B-spline of degree 60 (67 points fill the 128 knots), Lagrange through 128
// points, RBF through 126 with degree 1 (128 unknowns), Bezier through 128.
// The memos of the curves are warm, as after the frame that drew the curve;
// the plot's own is dropped, as by an edit of the knots or settings (a
// point drag finds the plot kept).
void BM_PanelPlot(benchmark::State& state) {
    const auto mode = static_cast<CurveMode>(state.range(0));
    setWavyPolygon(mode, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    solveRbfSystem();
    for (auto _ : state) {
        forgetPlot();
        const PlotData plot = currentPlot(appState);
        benchmark::DoNotOptimize(plot.value.data());
    }
    appState = AppState{};
}
BENCHMARK(BM_PanelPlot)
    ->ArgNames({"mode", "points", "degree"})
    ->Args({static_cast<int>(CurveMode::Bspline), 67, 60})
    ->Args({static_cast<int>(CurveMode::Lagrange), 128, 1})
    ->Args({static_cast<int>(CurveMode::Rbf), 126, 1})
    ->Args({static_cast<int>(CurveMode::Bezier), 128, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
