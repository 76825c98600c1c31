#include <benchmark/benchmark.h>

#include "numeric/matrix.hpp"

namespace {

// Inverting a system of the size the RBF solve reaches at full capacity (128
// unknowns) and of the 130 a polygon of 128 points would need at degree 1.
void BM_GaussJordan(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        double** a = allocRealMatrix(1, n, 1, n);
        double** b = allocRealMatrix(1, n, 1, n);
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                a[i][j] = 1.0 / (1.0 + (i - j) * (i - j));
            }
            b[i][i] = 1.0;
        }
        benchmark::DoNotOptimize(solveGaussJordan(a, n, b, n));
        freeRealMatrix(b, 1, n, 1, n);
        freeRealMatrix(a, 1, n, 1, n);
    }
}
BENCHMARK(BM_GaussJordan)->Arg(8)->Arg(64)->Arg(128)->Arg(130)->Unit(benchmark::kMicrosecond);

}  // namespace
