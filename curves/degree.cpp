#include "curves/degree.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "curves/bezier.hpp"

namespace {

// Both operations raise by one degree; the weights are written for any r.
constexpr int elevationAmount = 1;

// Degree elevation weights W(i, q) for raising a polygon of p points by r to
// p + r points. Only q = i .. i + r can be non-zero, so the table is a band:
// band[i * (r + 1) + j] = W(i, i + j), in single precision like the points.
//
// W(i, i + j) = C(p - 1, i) C(r, j) / C(p - 1 + r, i + j), built as
// r!/(r - j)! * C(i + j, j) * (p - i)(p - i + 1)...(p - i + r - j - 1) / F
// with F = p (p + 1) ... (p + r - 1); C(i + j, j) comes from a running
// Pascal row, so no binomial is ever formed twice.
std::vector<float> elevationMatrix(int p, int r) {
    std::vector<float> band(static_cast<std::size_t>(p) * static_cast<std::size_t>(r + 1), 0.0f);
    std::vector<float> pascal(static_cast<std::size_t>(r + 1), 0.0f);
    float f = 1.0f;
    for (int k = 0; k < r; ++k) {
        f *= static_cast<float>(p + k);
    }
    for (int i = 0; i < p; ++i) {
        pascal[0] = 1.0f;
        for (int j = 1; j <= r; ++j) {
            pascal[static_cast<std::size_t>(j)] += pascal[static_cast<std::size_t>(j - 1)];
        }
        for (int j = 0; j <= r; ++j) {
            float a = 1.0f;
            for (int k = 0; k < j; ++k) {
                a *= static_cast<float>(r - k);
            }
            float b = 1.0f;
            for (int k = 0; k < r - j; ++k) {
                b *= static_cast<float>(p - i + k);
            }
            band[static_cast<std::size_t>(i * (r + 1) + j)] =
                a * pascal[static_cast<std::size_t>(j)] * b / f;
        }
    }
    return band;
}

}  // namespace

int elevateDegree(const Point3* points, int count, Point3* out) {
    const int n = count;
    const int r = elevationAmount;
    // The raised polygon must stay below capacity. An empty polygon has no
    // curve to raise: its "first point" would be stale memory.
    if (n + r >= maxPoints || n <= 0) {
        return 0;
    }
    const std::vector<float> w = elevationMatrix(n, r);

    // Point 0 is unchanged; each later point q mixes the old points i with
    // q - r <= i <= q, summed in increasing i as the full matrix product would.
    out[0] = points[0];
    for (int q = 1; q <= n + r - 1; ++q) {
        Point3 sum;
        const int first = q - r < 0 ? 0 : q - r;
        const int last = q < n - 1 ? q : n - 1;
        for (int i = first; i <= last; ++i) {
            const float weight = w[static_cast<std::size_t>(i * (r + 1) + (q - i))];
            for (int c = 0; c < dimension; ++c) {
                sum[c] += weight * points[i][c];
            }
        }
        out[q] = sum;
    }
    return n + r;
}

void reduceDegree(const Point3* points, int count, double alpha, Point3* out) {
    // The reduced curve needs at least a segment; a single point has no degree to lose.
    if (count < 3 || count > maxPoints) {
        return;
    }
    const Point3* p = points;
    const int n = count - 1;  // degree of the given curve

    // The residual of the best fit of lower degree is orthogonal under the
    // weight to every polynomial of degree < n, so it is a multiple of the
    // Jacobi polynomial P_n^(alpha, alpha)(2t - 1). Its Bernstein coefficients
    // are b[j] = (-1)^(n-j) C(n+alpha, j) C(n+alpha, n-j) / C(n, j); only their
    // ratios matter, and |b[j+1] / b[j]| = (n + alpha - j) / (alpha + j + 1)
    // keeps them in range for every alpha > -1 (they peak in the middle).
    // Solving the normal equations of the Bernstein Gram matrix instead loses
    // every digit from about 20 points on.
    std::array<double, maxPoints> b{};
    double magnitude = 1.0;
    for (int j = 0; j <= n; ++j) {
        b[j] = (n - j) % 2 == 0 ? magnitude : -magnitude;
        magnitude *= (n + alpha - j) / (alpha + j + 1.0);
    }

    // The leading coefficients D(x) = sum (-1)^(n-j) C(n, j) x[j] (the n-th
    // forward difference): the multiple of J to remove is D(P) / D(b). The
    // terms of D(b) all have one sign, so it is never small.
    double leadB = 0.0;
    std::array<double, dimension> leadP{};
    double choose = 1.0;  // C(n, j)
    for (int j = 0; j <= n; ++j) {
        const double signedChoose = (n - j) % 2 == 0 ? choose : -choose;
        leadB += signedChoose * b[j];
        for (int c = 0; c < dimension; ++c) {
            leadP[c] += signedChoose * p[j][c];
        }
        choose = choose * (n - j) / (j + 1.0);
    }

    // R = P - (D(P) / D(b)) b is a curve of degree n - 1 written with n + 1
    // points: R[q] = (q/n) Y[q-1] + (1 - q/n) Y[q]. Y is read off from both
    // ends towards the middle, where each step divides by the larger of the
    // two weights and so shrinks the rounding it inherits.
    for (int c = 0; c < dimension; ++c) {
        const double scale = leadP[c] / leadB;
        std::array<double, maxPoints> r{};
        for (int j = 0; j <= n; ++j) {
            r[j] = p[j][c] - scale * b[j];
        }
        const int half = (n + 1) / 2;  // Y[0 .. half-1] forward, the rest backward
        double y = r[0];
        out[0][c] = static_cast<float>(y);
        for (int q = 1; q < half; ++q) {
            y = (n * r[q] - q * y) / (n - q);
            out[q][c] = static_cast<float>(y);
        }
        y = r[n];
        out[n - 1][c] = static_cast<float>(y);
        for (int q = n - 1; q > half; --q) {
            y = (n * r[q] - (n - q) * y) / q;
            out[q - 1][c] = static_cast<float>(y);
        }
    }
}

double reductionWeight(double alpha, double t) {
    return std::pow(4.0 * t * (1.0 - t), alpha);
}

double reductionError(const Point3* points, int count, const Point3* reduced, float x) {
    if (count < 3 || count > maxPoints) {
        return 0.0;
    }
    const Point3 a = evalBezier(points, count, x);
    const Point3 b = evalBezier(reduced, count - 1, x);
    double squared = 0.0;
    for (int c = 0; c < dimension; ++c) {
        const double d = static_cast<double>(a[c]) - static_cast<double>(b[c]);
        squared += d * d;
    }
    return std::sqrt(squared);
}
