// Our curve sampling and matrix inversion over the pure functions, for a side
// by side run with SciPy and NumPy (bench/peers/peers.py prints the ratios).
// The cases and their names match the peer script's.

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

#include "curves/bspline.hpp"
#include "curves/geometry.hpp"
#include "curves/lagrange.hpp"
#include "numeric/matrix.hpp"

namespace {

// The wavy polygon of the other benchmarks: x across the window, y a sine,
// z a pattern of depths.
ControlPolygon wavy(int n) {
    ControlPolygon p{};
    for (int i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) / n;
        p[i] = {static_cast<float>(50 + 700 * s), static_cast<float>(300 + 200 * std::sin(12 * s)),
                static_cast<float>((i * 37) % 400 - 200)};
    }
    return p;
}

// 128 samples of the clamped uniform B-spline: d + 1 zeros, 1 .. n - d - 1,
// d + 1 copies of n - d.
void bsplineSamples(benchmark::State& state, int n, int d) {
    const ControlPolygon points = wavy(n);
    std::array<float, maxPoints> knots{};
    for (int i = 0; i < d; ++i) {
        knots[i] = 0.0f;
        knots[n + d - i] = static_cast<float>(n - d);
    }
    for (int i = d; i <= n; ++i) {
        knots[i] = static_cast<float>(i - d);
    }
    const BsplineView curve{points.data(), n, knots.data(), n + d + 1, d};
    std::array<Point3, bsplineCurveSamples> out;
    for (auto _ : state) {
        sampleBsplineCurve(curve, out.data());
        benchmark::DoNotOptimize(out);
    }
}

// 129 samples through 128 nodes 0, 1, ..., 127, node 64 dragged off its place.
// Moved: the node changes between two places on every redraw, so the weights
// are built afresh each time, as during a drag. Same: the nodes stay.
void lagrangeSamples(benchmark::State& state, bool moved) {
    constexpr int n = 128;
    const ControlPolygon points = wavy(n);
    std::array<float, maxPoints> nodes{};
    for (int i = 0; i < n; ++i) {
        nodes[i] = static_cast<float>(i);
    }
    constexpr float dragged[2] = {64.3f, 64.4f};
    nodes[64] = dragged[0];
    std::array<Point3, lagrangeCurveSamples> out;
    int frame = 0;
    for (auto _ : state) {
        if (moved) {
            nodes[64] = dragged[++frame % 2];
        }
        sampleLagrangeCurve(points.data(), nodes.data(), n, out.data());
        benchmark::DoNotOptimize(out);
    }
}

// The inverse of a well-conditioned 130 x 130 matrix, the size the RBF system
// of 128 points at degree 1 would have.
void inverse130(benchmark::State& state) {
    constexpr int n = 130;
    for (auto _ : state) {
        double** a = allocRealMatrix(1, n, 1, n);
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                a[i][j] = 1.0 / (1.0 + (i - j) * (i - j)) + (i == j ? n : 0);
            }
        }
        benchmark::DoNotOptimize(solveGaussJordan(a, n, nullptr, 0));
        freeRealMatrix(a, 1, n, 1, n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("bspline/124/3", bsplineSamples, 124, 3);
    benchmark::RegisterBenchmark("bspline/100/27", bsplineSamples, 100, 27);
    benchmark::RegisterBenchmark("bspline/64/60", bsplineSamples, 64, 60);
    benchmark::RegisterBenchmark("lagrange/128/moved", lagrangeSamples, true);
    benchmark::RegisterBenchmark("lagrange/128/same", lagrangeSamples, false);
    benchmark::RegisterBenchmark("gauss-jordan/130", inverse130);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
