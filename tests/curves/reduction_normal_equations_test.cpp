#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "curves/bezier.hpp"
#include "curves/degree.hpp"
#include "numeric/gamma.hpp"
#include "numeric/matrix.hpp"

// The reduction as first written solved the normal equations of the Bernstein
// Gram matrix. They lose digits quickly as the degree grows, but for a few
// points and moderate weights they are accurate, and there the two routes must
// agree to a ten-thousandth of a pixel.

namespace {

// W(i, i + j) of raising p points by one, as the reduction builds it.
std::vector<double> referenceElevation(int p) {
    const int r = 1;
    std::vector<double> band(static_cast<size_t>(p) * (r + 1), 0.0);
    std::vector<double> pascal(r + 1, 0.0);
    double f = 1.0;
    for (int k = 0; k < r; ++k) {
        f *= static_cast<double>(p + k);
    }
    for (int i = 0; i < p; ++i) {
        pascal[0] = 1.0;
        for (int j = 1; j <= r; ++j) {
            pascal[j] += pascal[j - 1];
        }
        for (int j = 0; j <= r; ++j) {
            double a = 1.0;
            for (int k = 0; k < j; ++k) {
                a *= static_cast<double>(r - k);
            }
            double b = 1.0;
            for (int k = 0; k < r - j; ++k) {
                b *= static_cast<double>(p - i + k);
            }
            band[static_cast<size_t>(i * (r + 1) + j)] = a * pascal[j] * b / f;
        }
    }
    return band;
}

void referenceReduce(double alpha, const Point3* p, int nIn, Point3* out) {
    const int nOut = nIn - 1;
    const std::vector<double> w = referenceElevation(nOut);
    double** e = allocRealMatrix(1, nIn, 1, nOut);
    for (int i = 0; i < nOut; ++i) {
        for (int j = 0; j <= 1; ++j) {
            e[i + j + 1][i + 1] = w[static_cast<size_t>(i * 2 + j)];
        }
    }
    const int degree = nIn - 1;
    const double fourAlpha = std::pow(2.0, 2.0 * alpha);
    double** g = allocRealMatrix(1, nIn, 1, nIn);
    for (int i = 0; i < nIn; ++i) {
        for (int j = 0; j < nIn; ++j) {
            g[i + 1][j + 1] = fourAlpha * binomial(degree, i) * binomial(degree, j) *
                              betaFunction(2.0 * degree - i - j + alpha + 1.0, i + j + alpha + 1.0);
        }
    }
    double** et = allocRealMatrix(1, nOut, 1, nIn);
    transposeMatrix(e, et, nIn, nOut);
    double** etg = allocRealMatrix(1, nOut, 1, nIn);
    multiplyMatrices(et, g, etg, nOut, nIn, nIn);
    double** normal = allocRealMatrix(1, nOut, 1, nOut);
    multiplyMatrices(etg, e, normal, nOut, nIn, nOut);
    double** identity = allocRealMatrix(1, nOut, 1, nOut);
    for (int i = 1; i <= nOut; ++i) {
        identity[i][i] = 1.0;
    }
    solveGaussJordan(normal, nOut, identity, nOut);
    double** x = allocRealMatrix(1, nOut, 1, nIn);
    multiplyMatrices(normal, et, x, nOut, nOut, nIn);
    double** reduction = allocRealMatrix(1, nOut, 1, nIn);
    multiplyMatrices(x, g, reduction, nOut, nIn, nIn);
    for (int i = 0; i < nOut; ++i) {
        Point3 sum;
        for (int j = 0; j < nIn; ++j) {
            for (int c = 0; c < dimension; ++c) {
                sum[c] = static_cast<float>(sum[c] + reduction[i + 1][j + 1] * p[j][c]);
            }
        }
        out[i] = sum;
    }
    freeRealMatrix(reduction, 1, nOut, 1, nIn);
    freeRealMatrix(x, 1, nOut, 1, nIn);
    freeRealMatrix(identity, 1, nOut, 1, nOut);
    freeRealMatrix(normal, 1, nOut, 1, nOut);
    freeRealMatrix(etg, 1, nOut, 1, nIn);
    freeRealMatrix(et, 1, nOut, 1, nIn);
    freeRealMatrix(g, 1, nIn, 1, nIn);
    freeRealMatrix(e, 1, nIn, 1, nOut);
}

TEST(ReductionIdentity, AgreesWithTheNormalEquationsWhereTheyHold) {
    const double alphas[] = {-0.5, -0.25, 0.0, 0.25, 0.5, 1.0};
    std::uint32_t r = 99;
    auto next = [&r] {
        r = r * 1664525u + 1013904223u;
        return static_cast<float>(r >> 8) / static_cast<float>(1u << 24);
    };
    for (int n = 3; n <= 8; ++n) {
        ControlPolygon given{};
        for (int i = 0; i < n; ++i) {
            given[i] = {800 * next(), 600 * next(), 400 * next() - 200};
        }
        for (const double alpha : alphas) {
            ControlPolygon want{};
            referenceReduce(alpha, given.data(), n, want.data());
            ControlPolygon got{};
            reduceDegree(given.data(), n, alpha, got.data());
            for (int i = 0; i < n - 1; ++i) {
                for (int c = 0; c < dimension; ++c) {
                    EXPECT_NEAR(got[i][c], want[i][c], 1e-4)
                        << "n " << n << " alpha " << alpha << " point " << i;
                }
            }
        }
    }
}

}  // namespace
