#include "subdivision/schemes.hpp"

#include <array>
#include <cmath>

#include "subdivision/rbf_masks.hpp"

namespace {

constexpr int fourPointStencil = 4;

// Position k of the closed polygon of n > 0 points. For n at least half a
// stencil this is a single wrap; shorter polygons go round more than once
// instead of reaching stale or negative slots.
int wrapIndex(int k, int n) {
    return ((k % n) + n) % n;
}

// Parameter of stencil position k, extended periodically with period
// t[n-1] + h beyond either end; one period per wrap.
float extendedParameter(const float* t, int k, int n, float h) {
    float value = t[wrapIndex(k, n)];
    for (int lap = k; lap < 0; lap += n) {
        value = (value - t[n - 1]) - h;
    }
    for (int lap = k; lap >= n; lap -= n) {
        value = (h + t[n - 1]) + value;
    }
    return value;
}

bool doubles(int n) {
    return 2 * n <= maxPoints;
}

enum class FourPointRule { Interpolating, Approximating };

std::optional<RefinedPolygon> fourPointStep(const Point3* points, int n, FourPointRule rule,
                                            double w) {
    if (!doubles(n)) {
        return std::nullopt;
    }
    RefinedPolygon out;
    out.count = 2 * n;
    for (int i = 0; i < n; ++i) {
        std::array<Point3, fourPointStencil> around;
        for (int k = 0; k < fourPointStencil; ++k) {
            around[k] = points[wrapIndex(i - 1 + k, n)];
        }
        Point3& even = out.points[2 * i];
        Point3& odd = out.points[2 * i + 1];
        for (int c = 0; c < dimension; ++c) {
            const double s0 = around[0][c];
            const double s1 = around[1][c];
            const double s2 = around[2][c];
            const double s3 = around[3][c];
            if (rule == FourPointRule::Interpolating) {
                even[c] = around[1][c];
                odd[c] = static_cast<float>((0.5 + w) * (s1 + s2) - w * (s0 + s3));
            } else {
                // Two points per edge at about one and three quarters, pulled
                // outward by the outer neighbours with weight -w/2 each.
                const double nearWeight = (2.0 * w + 3.0) / (4.0 * (w + 1.0));
                const double farWeight = (2.0 * w + 1.0) / (4.0 * (w + 1.0));
                even[c] = static_cast<float>((w + 1.0) * (nearWeight * s1 + farWeight * s2) -
                                             (w / 2.0) * (s0 + s3));
                odd[c] = static_cast<float>((w + 1.0) * (farWeight * s1 + nearWeight * s2) -
                                            (w / 2.0) * (s0 + s3));
            }
        }
    }
    return out;
}

// The inserted point as a fixed combination of the stencil points, for the
// trace: w_k = v . (column d+1+k of A^-1), v the evaluation vector at tau.
std::array<float, maxStencilSystem> maskWeights(const RbfMaskTable& mask, const float* x,
                                                const RbfStencil& stencil, float tau) {
    const int d = stencil.degree;
    std::array<float, maxStencilSystem> v{};
    std::array<float, maxStencilSystem> weights{};
    for (int m = 0; m <= d; ++m) {
        v[m] = static_cast<float>(std::pow(static_cast<double>(tau), m));
    }
    for (int j = 0; j < stencil.size; ++j) {
        v[d + 1 + j] = static_cast<float>(rbfBasis(stencil.basis, tau - x[j], stencil.shape));
    }
    for (int k = 0; k < stencil.size; ++k) {
        for (int m = 0; m <= stencil.size + d; ++m) {
            weights[k] += v[m] * mask[m][d + 1 + k];
        }
    }
    return weights;
}

}  // namespace

std::optional<RefinedPolygon> refineFourPoint(const Point3* points, int n, double w) {
    return fourPointStep(points, n, FourPointRule::Interpolating, w);
}

std::optional<RefinedPolygon> refineUnr4(const Point3* points, int n, double w) {
    return fourPointStep(points, n, FourPointRule::Approximating, w);
}

std::optional<RefinedPolygon> refineRbf(const Point3* points, const float* t, int n, float spacing,
                                        const RbfStencil& stencil, const TraceSink& trace) {
    const int size = stencil.size;
    const int d = stencil.degree;
    // An odd stencil has no midpoint between two central points.
    if (!doubles(n) || size < 2 || size % 2 != 0 || d < 0 || d > maxStencilSystem - 1 - size) {
        return std::nullopt;
    }
    const int half = size / 2 - 1;
    RefinedPolygon out;
    out.count = 2 * n;
    std::array<Point3, maxStencilSystem> around;
    std::array<float, maxStencilSystem> x{};
    RbfMaskTable mask{};
    RbfCoefficients local{};
    for (int i = 0; i < n; ++i) {
        const int first = i - half;
        for (int k = first; k < first + size; ++k) {
            around[k - first] = points[wrapIndex(k, n)];
            x[k - first] = extendedParameter(t, k, n, spacing);
        }
        buildRbfMaskTable(x.data(), size, d, stencil.basis, stencil.shape, trace, mask);

        // [a; b] = A^-1 [0; f]: only the stencil columns of the inverse contribute.
        for (int m = 0; m <= size + d; ++m) {
            for (int c = 0; c < dimension; ++c) {
                local[m][c] = 0.0f;
                for (int k = 0; k < size; ++k) {
                    local[m][c] += mask[m][d + 1 + k] * around[k][c];
                }
            }
        }
        const float tau = (x[0] + x[size - 1]) / 2.0f;
        const Point3 q = evalRbf(local, x.data(), size, d, stencil.basis, stencil.shape, tau);
        if (trace.active()) {
            const std::array<float, maxStencilSystem> weights =
                maskWeights(mask, x.data(), stencil, tau);
            float maskX = 0.0f;
            float maskY = 0.0f;
            for (int k = 0; k < size; ++k) {
                maskX += weights[k] * around[k].x;
                maskY += weights[k] * around[k].y;
            }
            writeTracePointLine(trace, i, weights.data(), size, maskX, maskY, q);
        }
        out.points[2 * i] = points[i];
        out.points[2 * i + 1] = q;
    }
    return out;
}
