#include "curves/degree.hpp"

#include <array>
#include <cmath>
#include <vector>

#include "curves/bezier.hpp"
#include "curves/parameters.hpp"
#include "curves/rbf.hpp"
#include "numeric/gamma.hpp"
#include "numeric/matrix.hpp"

namespace {

// Both operations raise by one degree; the weights are written for any r.
constexpr int elevationAmount = 1;

// Degree elevation weights W(i, q) for raising a polygon of p points by r to
// p + r points. Only q = i .. i + r can be non-zero, so the table is a band:
// band[i * (r + 1) + j] = W(i, i + j). Computed entirely in Real, because the
// elevation keeps single-precision weights and the reduction double ones.
//
// W(i, i + j) = C(p - 1, i) C(r, j) / C(p - 1 + r, i + j), built as
// r!/(r - j)! * C(i + j, j) * (p - i)(p - i + 1)...(p - i + r - j - 1) / F
// with F = p (p + 1) ... (p + r - 1); C(i + j, j) comes from a running
// Pascal row, so no binomial is ever formed twice.
template <typename Real>
std::vector<Real> elevationMatrix(int p, int r) {
    std::vector<Real> band(static_cast<size_t>(p) * static_cast<size_t>(r + 1), Real(0));
    std::vector<Real> pascal(static_cast<size_t>(r + 1), Real(0));
    Real f = Real(1);
    for (int k = 0; k < r; ++k) {
        f *= static_cast<Real>(p + k);
    }
    for (int i = 0; i < p; ++i) {
        pascal[0] = Real(1);
        for (int j = 1; j <= r; ++j) {
            pascal[static_cast<size_t>(j)] += pascal[static_cast<size_t>(j - 1)];
        }
        for (int j = 0; j <= r; ++j) {
            Real a = Real(1);
            for (int k = 0; k < j; ++k) {
                a *= static_cast<Real>(r - k);
            }
            Real b = Real(1);
            for (int k = 0; k < r - j; ++k) {
                b *= static_cast<Real>(p - i + k);
            }
            band[static_cast<size_t>(i * (r + 1) + j)] = a * pascal[static_cast<size_t>(j)] * b / f;
        }
    }
    return band;
}

}  // namespace

void elevateDegree() {
    AppState& s = appState;
    const int n = s.pointCount;
    const int r = elevationAmount;
    // The raised polygon must stay below capacity. An empty polygon has no
    // curve to raise: its "first point" would be stale memory.
    if (n + r >= maxPoints || n <= 0) {
        return;
    }
    for (int i = 0; i < n; ++i) {
        s.auxPolygon[i] = s.controlPoints[i];
    }
    const std::vector<float> w = elevationMatrix<float>(n, r);
    const ControlPolygon& old = s.auxPolygon;

    // Point 0 is unchanged; each later point q mixes the old points i with
    // q - r <= i <= q, summed in increasing i as the full matrix product would.
    for (int q = 1; q <= n + r - 1; ++q) {
        Point3 sum;
        const int first = q - r < 0 ? 0 : q - r;
        const int last = q < n - 1 ? q : n - 1;
        for (int i = first; i <= last; ++i) {
            const float weight = w[static_cast<size_t>(i * (r + 1) + (q - i))];
            for (int c = 0; c < dimension; ++c) {
                sum[c] += weight * old[i][c];
            }
        }
        s.controlPoints[q] = sum;
    }
    s.auxPointCount = n;
    s.pointCount = n + r;

    // Every mode's parameter list and the RBF curve follow the new point count.
    assignParameters();
    solveRbfSystem();
}

void reduceDegree(double alpha, Point3* out) {
    AppState& s = appState;
    const int nIn = s.pointCount;
    // The reduced curve needs at least a segment; a single point has no degree to lose.
    if (nIn < 3 || nIn > maxPoints) {
        return;
    }
    const int nOut = nIn - 1;
    for (int i = 0; i < nIn; ++i) {
        s.workPolygon[i] = s.controlPoints[i];
    }
    const ControlPolygon& p = s.workPolygon;

    // E maps the nOut reduced points to their elevation, the nIn points of the
    // same curve one degree higher (new index as row).
    const std::vector<double> w = elevationMatrix<double>(nOut, elevationAmount);
    double** e = allocRealMatrix(1, nIn, 1, nOut);
    for (int i = 0; i < nOut; ++i) {
        for (int j = 0; j <= elevationAmount; ++j) {
            e[i + j + 1][i + 1] = w[static_cast<size_t>(i * (elevationAmount + 1) + j)];
        }
    }

    // Gram matrix of the degree nIn - 1 Bernstein polynomials under the weight
    // (4t(1-t))^alpha: the integral of t^(i+j+alpha) (1-t)^(2(nIn-1)-i-j+alpha)
    // over [0, 1] is a beta function.
    // The binomials are formed once per row and column instead of once per
    // entry; they are the same numbers, multiplied in the same order.
    const int degree = nIn - 1;
    const double fourAlpha = std::pow(2.0, 2.0 * alpha);
    std::array<double, maxPoints> binomials{};
    for (int i = 0; i < nIn; ++i) {
        binomials[i] = binomial(degree, i);
    }
    // The beta factor depends on i + j alone: one value per anti-diagonal.
    std::array<double, 2 * maxPoints - 1> betas{};
    for (int k = 0; k <= 2 * degree; ++k) {
        betas[k] = betaFunction(2.0 * degree - k + alpha + 1.0, k + alpha + 1.0);
    }
    double** g = allocRealMatrix(1, nIn, 1, nIn);
    for (int i = 0; i < nIn; ++i) {
        for (int j = 0; j < nIn; ++j) {
            g[i + 1][j + 1] = fourAlpha * binomials[i] * binomials[j] * betas[i + j];
        }
    }

    // Normal equations of min over Y of the weighted distance between the
    // curves of P and of E Y: Y = (E^T G E)^-1 E^T G P.
    double** et = allocRealMatrix(1, nOut, 1, nIn);
    transposeMatrix(e, et, nIn, nOut);
    double** etg = allocRealMatrix(1, nOut, 1, nIn);
    multiplyMatrices(et, g, etg, nOut, nIn, nIn);
    double** normal = allocRealMatrix(1, nOut, 1, nOut);
    multiplyMatrices(etg, e, normal, nOut, nIn, nOut);
    // Only the inverse left in the normal matrix is used; the elimination never
    // reads right-hand sides to choose or apply its pivots, so none are passed.
    solveGaussJordan(normal, nOut, nullptr, 0);
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
    freeRealMatrix(normal, 1, nOut, 1, nOut);
    freeRealMatrix(etg, 1, nOut, 1, nIn);
    freeRealMatrix(et, 1, nOut, 1, nIn);
    freeRealMatrix(g, 1, nIn, 1, nIn);
    freeRealMatrix(e, 1, nIn, 1, nOut);
}
