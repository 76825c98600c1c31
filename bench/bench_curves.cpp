#include <benchmark/benchmark.h>

#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "bench_window.hpp"
#include "curves/bspline.hpp"
#include "curves/lagrange.hpp"
#include "curves/rbf.hpp"

namespace {

// Samples of one curve redraw: the B-spline strip has 128, the others 129.
constexpr int bsplineSamples = 128;
constexpr int curveSamples = 129;

// One B-spline curve evaluation (the strip of a redraw) over the default
// clamped knots of 64 points; the degree is the argument.
void BM_BsplineCurve(benchmark::State& state) {
    setWavyPolygon(CurveMode::Bspline, 64, static_cast<int>(state.range(0)));
    const AppState& s = appState;
    const int d = s.polyDegree;
    const float lo = s.knots[d];
    const float hi = s.knots[s.knotCount - d - 1];
    const BsplineView curve{s.controlPoints.data(), s.pointCount, s.knots.data(), s.knotCount, d};
    for (auto _ : state) {
        for (int k = 0; k < bsplineSamples; ++k) {
            const float u =
                static_cast<float>(k) / static_cast<float>(bsplineSamples) * (hi - lo) + lo;
            benchmark::DoNotOptimize(evalBspline(curve, u));
        }
    }
}
BENCHMARK(BM_BsplineCurve)->Arg(3)->Arg(60)->Unit(benchmark::kMicrosecond);

// One Lagrange curve evaluation through 128 points at the uniform nodes.
void BM_LagrangeCurve(benchmark::State& state) {
    setWavyPolygon(CurveMode::Lagrange, static_cast<int>(state.range(0)), 1);
    const AppState& s = appState;
    const int n = s.pointCount;
    for (auto _ : state) {
        for (int k = 0; k < curveSamples; ++k) {
            const float u = s.knots[0] + (s.knots[n - 1] - s.knots[0]) * static_cast<float>(k) /
                                             static_cast<float>(curveSamples - 1);
            benchmark::DoNotOptimize(evalLagrange(s.controlPoints.data(), s.knots.data(), n, u));
        }
    }
}
BENCHMARK(BM_LagrangeCurve)->Arg(128)->Unit(benchmark::kMicrosecond);

// One RBF curve evaluation (mq1, linear part) through as many points as the
// 128-row store allows with degree 1: 126.
void BM_RbfCurve(benchmark::State& state) {
    setWavyPolygon(CurveMode::Rbf, static_cast<int>(state.range(0)), 1);
    solveRbfSystem();
    const AppState& s = appState;
    const int n = s.pointCount;
    for (auto _ : state) {
        for (int k = 0; k < curveSamples; ++k) {
            const float u = (s.knots[n - 1] - s.knots[0]) * static_cast<float>(k) /
                            static_cast<float>(curveSamples - 1);
            Point3 p;
            evalRbf(p, s.knots.data(), u, n);
            benchmark::DoNotOptimize(p);
        }
    }
}
BENCHMARK(BM_RbfCurve)->Arg(126)->Unit(benchmark::kMicrosecond);

}  // namespace
