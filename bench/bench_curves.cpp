#include <benchmark/benchmark.h>

#include <cmath>

#include "app/state.hpp"
#include "curves/bspline.hpp"
#include "curves/lagrange.hpp"
#include "curves/parameters.hpp"
#include "curves/rbf.hpp"

namespace {

// Samples of one curve redraw: the B-spline strip has 128, the others 129.
constexpr int bsplineSamples = 128;
constexpr int curveSamples = 129;

// A wavy polygon across an 800 x 600 window, with default parameter values.
void setPolygon(int n, CurveMode mode, int degree) {
    appState = AppState{};
    appState.pointCount = n;
    appState.polyDegree = degree;
    for (int i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) / n;
        appState.controlPoints[i] = {static_cast<float>(50 + 700 * s),
                                     static_cast<float>(300 + 200 * std::sin(12 * s)),
                                     static_cast<float>((i * 37) % 400 - 200)};
    }
    appState.curveMode = mode;
    assignParameters();
}

// One B-spline curve evaluation (the strip of a redraw) over the default
// clamped knots of 64 points; the degree is the argument.
void BM_BsplineCurve(benchmark::State& state) {
    setPolygon(64, CurveMode::Bspline, static_cast<int>(state.range(0)));
    const AppState& s = appState;
    const int d = s.polyDegree;
    const float lo = s.knots[d];
    const float hi = s.knots[s.knotCount - d - 1];
    for (auto _ : state) {
        for (int k = 0; k < bsplineSamples; ++k) {
            const float u =
                static_cast<float>(k) / static_cast<float>(bsplineSamples) * (hi - lo) + lo;
            benchmark::DoNotOptimize(evalBspline(u, s.pointCount));
        }
    }
}
BENCHMARK(BM_BsplineCurve)->Arg(3)->Arg(60)->Unit(benchmark::kMicrosecond);

// One Lagrange curve evaluation through 128 points at the uniform nodes.
void BM_LagrangeCurve(benchmark::State& state) {
    setPolygon(static_cast<int>(state.range(0)), CurveMode::Lagrange, 1);
    const AppState& s = appState;
    const int n = s.pointCount;
    for (auto _ : state) {
        for (int k = 0; k < curveSamples; ++k) {
            const float u = s.knots[0] + (s.knots[n - 1] - s.knots[0]) * static_cast<float>(k) /
                                             static_cast<float>(curveSamples - 1);
            Point3 p;
            evalLagrange(p, s.knots.data(), u, n);
            benchmark::DoNotOptimize(p);
        }
    }
}
BENCHMARK(BM_LagrangeCurve)->Arg(128)->Unit(benchmark::kMicrosecond);

// One RBF curve evaluation (mq1, linear part) through as many points as the
// 128-row store allows with degree 1: 126.
void BM_RbfCurve(benchmark::State& state) {
    setPolygon(static_cast<int>(state.range(0)), CurveMode::Rbf, 1);
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
