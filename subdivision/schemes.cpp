#include "subdivision/schemes.hpp"

#include <array>
#include <cmath>

#include "curves/parameters.hpp"
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

// The inserted point as a fixed combination of the stencil points:
// w_k = v . (column d+1+k of A^-1), v the evaluation vector at tau.
std::array<double, maxStencilSystem> maskWeights(const RbfMaskTable& mask, const float* x,
                                                 const RbfStencil& stencil, float tau) {
    const int d = stencil.degree;
    std::array<double, maxStencilSystem> v{};
    std::array<double, maxStencilSystem> weights{};
    for (int m = 0; m <= d; ++m) {
        v[m] = std::pow(static_cast<double>(tau), m);
    }
    for (int j = 0; j < stencil.size; ++j) {
        v[d + 1 + j] = rbfBasis(stencil.basis, tau - x[j], stencil.shape);
    }
    for (int k = 0; k < stencil.size; ++k) {
        for (int m = 0; m <= stencil.size + d; ++m) {
            weights[k] += v[m] * mask[m][d + 1 + k];
        }
    }
    return weights;
}

// The parameters, mask table and weights of the stencil of the point
// inserted after point i, and whether they make a meaningful mask.
SubdivisionRefusal stencilMask(const float* t, int n, float spacing, const RbfStencil& stencil,
                               int i, const TraceSink& trace,
                               std::array<float, maxStencilSystem>& x, RbfMaskTable& mask,
                               std::array<double, maxStencilSystem>& weights) {
    const int size = stencil.size;
    const int first = i - (size / 2 - 1);
    for (int k = first; k < first + size; ++k) {
        x[k - first] = extendedParameter(t, k, n, spacing);
    }
    if (buildRbfMaskTable(x.data(), size, stencil.degree, stencil.basis, stencil.shape, trace,
                          mask) != MaskTableStatus::Inverted) {
        return SubdivisionRefusal::SingularStencil;
    }
    const float tau = (x[0] + x[size - 1]) / 2.0f;
    weights = maskWeights(mask, x.data(), stencil, tau);
    double weightSum = 0.0;
    for (int k = 0; k < size; ++k) {
        weightSum += weights[k];
    }
    if (!(std::fabs(weightSum - 1.0) <= maskSumTolerance)) {
        return SubdivisionRefusal::MaskSum;
    }
    return SubdivisionRefusal::None;
}

bool strictlyIncreasing(const float* t, int n) {
    for (int i = 1; i < n; ++i) {
        // Written so that a NaN breaks the order too.
        if (!(t[i - 1] < t[i])) {
            return false;
        }
    }
    return true;
}

// One pass of the RBF step over every stencil; trace hears each stencil as it
// is solved. Stops at the first stencil that makes the step meaningless.
SubdivisionRefusal rbfPass(const Point3* points, const float* t, int n, float spacing,
                           const RbfStencil& stencil, const TraceSink& trace, RefinedPolygon& out) {
    const int size = stencil.size;
    const int d = stencil.degree;
    const int half = size / 2 - 1;
    out.count = 2 * n;
    std::array<Point3, maxStencilSystem> around;
    std::array<float, maxStencilSystem> x{};
    RbfMaskTable mask{};
    RbfCoefficients local{};
    for (int i = 0; i < n; ++i) {
        const int first = i - half;
        for (int k = first; k < first + size; ++k) {
            around[k - first] = points[wrapIndex(k, n)];
        }
        std::array<double, maxStencilSystem> weights{};
        const SubdivisionRefusal why =
            stencilMask(t, n, spacing, stencil, i, trace, x, mask, weights);
        if (why != SubdivisionRefusal::None) {
            return why;
        }
        const float tau = (x[0] + x[size - 1]) / 2.0f;

        // [a; b] = A^-1 [0; f]: only the stencil columns of the inverse
        // contribute. The polynomial part holds the constants, so the stencil
        // is interpolated relative to point i and the point added back: the
        // rounding of the large, cancelling coefficients of an ill-conditioned
        // stencil then scales with the stencil's extent, not with its distance
        // from the window's origin.
        const Point3& origin = points[i];
        for (int m = 0; m <= size + d; ++m) {
            for (int c = 0; c < dimension; ++c) {
                double sum = 0.0;
                for (int k = 0; k < size; ++k) {
                    sum += mask[m][d + 1 + k] *
                           (static_cast<double>(around[k][c]) - static_cast<double>(origin[c]));
                }
                local[m][c] = sum;
            }
        }
        const Point3 offset = evalRbf(local, x.data(), size, d, stencil.basis, stencil.shape, tau);
        Point3 q;
        for (int c = 0; c < dimension; ++c) {
            q[c] =
                static_cast<float>(static_cast<double>(origin[c]) + static_cast<double>(offset[c]));
        }
        if (trace.active()) {
            double maskX = 0.0;
            double maskY = 0.0;
            for (int k = 0; k < size; ++k) {
                maskX += weights[k] * static_cast<double>(around[k].x);
                maskY += weights[k] * static_cast<double>(around[k].y);
            }
            writeTracePointLine(trace, i, weights.data(), size, maskX, maskY, q);
        }
        out.points[2 * i] = points[i];
        out.points[2 * i + 1] = q;
    }
    return SubdivisionRefusal::None;
}

}  // namespace

FourPointRule fourPointRule(SchemeRule rule, double w) {
    const std::array<int, SubdivisionMask::capacity> offsets = {-1, 0, 1, 2};
    const auto mask = [&](double w0, double w1, double w2, double w3) {
        return SubdivisionMask{fourPointStencil, offsets, {w0, w1, w2, w3}};
    };
    switch (rule) {
        case SchemeRule::Interpolating:
            return {true, 1, {mask(-w, 0.5 + w, 0.5 + w, -w)}};
        case SchemeRule::Approximating: {
            // Two points per edge at about one and three quarters, pulled
            // outward by the outer neighbours with weight -w/2 each; for w = 0
            // this is corner cutting.
            const double nearWeight = (2.0 * w + 3.0) / 4.0;
            const double farWeight = (2.0 * w + 1.0) / 4.0;
            return {false,
                    2,
                    {mask(-w / 2.0, nearWeight, farWeight, -w / 2.0),
                     mask(-w / 2.0, farWeight, nearWeight, -w / 2.0)}};
        }
        case SchemeRule::Rbf:
            break;
    }
    return {};
}

std::optional<RefinedPolygon> refineWithRule(const Point3* points, int n,
                                             const FourPointRule& rule) {
    const int perEdge = rule.keepsOldPoints ? rule.maskCount + 1 : rule.maskCount;
    // The rules at hand double the polygon.
    if (n < 0 || perEdge != 2 || !doubles(n)) {
        return std::nullopt;
    }
    RefinedPolygon out;
    out.count = 2 * n;
    for (int i = 0; i < n; ++i) {
        int next = 2 * i;
        if (rule.keepsOldPoints) {
            out.points[next++] = points[i];
        }
        for (int m = 0; m < rule.maskCount; ++m) {
            const SubdivisionMask& mask = rule.masks[m];
            Point3& q = out.points[next++];
            for (int c = 0; c < dimension; ++c) {
                double sum = 0.0;
                for (int k = 0; k < mask.count; ++k) {
                    sum += mask.weights[k] *
                           static_cast<double>(points[wrapIndex(i + mask.offsets[k], n)][c]);
                }
                q[c] = static_cast<float>(sum);
            }
        }
    }
    return out;
}

std::optional<RefinedPolygon> refineFourPoint(const Point3* points, int n, double w) {
    return refineWithRule(points, n, fourPointRule(SchemeRule::Interpolating, w));
}

std::optional<RefinedPolygon> refineUnr4(const Point3* points, int n, double w) {
    return refineWithRule(points, n, fourPointRule(SchemeRule::Approximating, w));
}

namespace {

// What stops a step before any stencil is solved.
SubdivisionRefusal stencilRefusal(int n, const RbfStencil& stencil) {
    const int size = stencil.size;
    const int d = stencil.degree;
    if (!doubles(n)) {
        return SubdivisionRefusal::TooManyPoints;
    }
    // An odd stencil has no midpoint between two central points; with d < S
    // a stencil of up to 32 points keeps its system within 64 unknowns.
    if (size < 2 || size % 2 != 0 || size > maxStencilSystem / 2 || d < 0) {
        return SubdivisionRefusal::BadStencil;
    }
    // More monomials than stencil points leave the local interpolant undetermined.
    if (d > size - 1) {
        return SubdivisionRefusal::DegreeAboveStencil;
    }
    return SubdivisionRefusal::None;
}

// The parameters a step uses: t itself when it increases strictly over the
// n points, otherwise the uniform j * spacing it writes afterwards anyway.
const float* usableParameters(const float* t, int n, float spacing,
                              std::array<float, maxPoints>& uniform) {
    if (strictlyIncreasing(t, n)) {
        return t;
    }
    uniformParameters(n, spacing, uniform.data());
    return uniform.data();
}

}  // namespace

std::optional<RefinedPolygon> refineRbf(const Point3* points, const float* t, int n, float spacing,
                                        const RbfStencil& stencil, const TraceSink& trace,
                                        SubdivisionRefusal* refusal) {
    SubdivisionRefusal why = stencilRefusal(n, stencil);
    std::optional<RefinedPolygon> out;
    if (why == SubdivisionRefusal::None) {
        std::array<float, maxPoints> uniform{};
        const float* used = usableParameters(t, n, spacing, uniform);
        // A first pass decides; the trace hears only a step that is taken, so
        // a second pass writes it (the passes compute the same numbers).
        RefinedPolygon refined;
        why = rbfPass(points, used, n, spacing, stencil, TraceSink{}, refined);
        if (why == SubdivisionRefusal::None) {
            if (trace.active()) {
                rbfPass(points, used, n, spacing, stencil, trace, refined);
            }
            out = refined;
        }
    }
    if (refusal != nullptr) {
        *refusal = why;
    }
    return out;
}

SubdivisionMask rbfMask(const float* t, int n, float spacing, const RbfStencil& stencil) {
    SubdivisionMask mask;
    if (n < 1 || stencilRefusal(n, stencil) != SubdivisionRefusal::None) {
        return mask;
    }
    std::array<float, maxPoints> uniform{};
    const float* used = usableParameters(t, n, spacing, uniform);
    std::array<float, maxStencilSystem> x{};
    RbfMaskTable table{};
    std::array<double, maxStencilSystem> weights{};
    if (stencilMask(used, n, spacing, stencil, 0, TraceSink{}, x, table, weights) !=
        SubdivisionRefusal::None) {
        return mask;
    }
    mask.count = stencil.size;
    for (int k = 0; k < stencil.size; ++k) {
        mask.offsets[k] = k - (stencil.size / 2 - 1);
        mask.weights[k] = weights[k];
    }
    return mask;
}
