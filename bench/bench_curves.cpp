#include <benchmark/benchmark.h>

#include <array>

#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "bench_window.hpp"
#include "curves/bspline.hpp"
#include "curves/lagrange.hpp"
#include "curves/rbf.hpp"

namespace {

// Samples of one RBF curve redraw, 128 intervals with both ends.
constexpr int curveSamples = 129;

// The sampled strip of one B-spline redraw over the default clamped uniform
// knots; the arguments are the point count and the degree. A cubic through
// nearly the full polygon, a high degree over 100 points, and degree 60,
// where nearly every knot is repeated.
void BM_BsplineSamples(benchmark::State& state) {
    setWavyPolygon(CurveMode::Bspline, static_cast<int>(state.range(0)),
                   static_cast<int>(state.range(1)));
    const AppState& s = appState;
    const BsplineView curve{s.controlPoints.data(), s.pointCount, s.knots.data(), s.knotCount,
                            s.polyDegree};
    std::array<Point3, bsplineCurveSamples> samples;
    for (auto _ : state) {
        sampleBsplineCurve(curve, samples.data());
        benchmark::DoNotOptimize(samples.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BsplineSamples)
    ->Args({124, 3})
    ->Args({100, 27})
    ->Args({64, 60})
    ->Unit(benchmark::kMicrosecond);

// The sampled Lagrange curve through the argument's number of points at the
// uniform nodes, with one node moved between every two redraws, as a handle
// drag does: the sample weights are made afresh each time.
void BM_LagrangeSamplesNodeMoved(benchmark::State& state) {
    setWavyPolygon(CurveMode::Lagrange, static_cast<int>(state.range(0)), 1);
    const AppState& s = appState;
    const int n = s.pointCount;
    std::array<float, maxPoints> nodes = s.knots;
    const int moved = n / 2;
    const float home = nodes[moved];
    // A quarter of the spacing either way keeps the nodes distinct and ordered.
    const float offset = 0.25f * (nodes[1] - nodes[0]);
    std::array<Point3, lagrangeCurveSamples> samples;
    bool out = false;
    for (auto _ : state) {
        out = !out;
        nodes[moved] = out ? home + offset : home - offset;
        sampleLagrangeCurve(s.controlPoints.data(), nodes.data(), n, samples.data());
        benchmark::DoNotOptimize(samples.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LagrangeSamplesNodeMoved)->Arg(128)->Unit(benchmark::kMicrosecond);

// The same curve redrawn with its nodes unchanged (a point dragged, or the
// animation running): the weights of the previous redraw serve again.
void BM_LagrangeSamplesNodesKept(benchmark::State& state) {
    setWavyPolygon(CurveMode::Lagrange, static_cast<int>(state.range(0)), 1);
    const AppState& s = appState;
    std::array<Point3, lagrangeCurveSamples> samples;
    for (auto _ : state) {
        sampleLagrangeCurve(s.controlPoints.data(), s.knots.data(), s.pointCount, samples.data());
        benchmark::DoNotOptimize(samples.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LagrangeSamplesNodesKept)->Arg(128)->Unit(benchmark::kMicrosecond);

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
            benchmark::DoNotOptimize(evalRbf(s.rbfCoefficients, s.knots.data(), n, s.polyDegree,
                                             s.basisKind, s.shapeR, u));
        }
    }
}
BENCHMARK(BM_RbfCurve)->Arg(126)->Unit(benchmark::kMicrosecond);

}  // namespace
