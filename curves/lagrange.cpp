#include "curves/lagrange.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

// Samples per curve: 128 intervals, both ends included.
constexpr int curveSegments = lagrangeCurveSamples - 1;

// p = wa * a - wb * b, the point of the line through a and b at another node.
Point3 extend(double wa, const Point3& a, double wb, const Point3& b) {
    Point3 p;
    for (int c = 0; c < dimension; ++c) {
        p[c] = static_cast<float>(wa * a[c] - wb * b[c]);
    }
    return p;
}

// p = wa * a + wb * b, one linear interpolation step of Neville's scheme.
Point3 blend(double wa, const Point3& a, double wb, const Point3& b) {
    Point3 p;
    for (int c = 0; c < dimension; ++c) {
        p[c] = static_cast<float>(wa * a[c] + wb * b[c]);
    }
    return p;
}

// Appends the steps of a construction in the order they are shown.
class StepList {
  public:
    explicit StepList(NevilleConstruction& c) : c_(c) {}
    void segment(const Point3& a, const Point3& b) { push({false, a, b}); }
    void marker(const Point3& p) { push({true, p, p}); }

  private:
    void push(const ConstructionStep& step) {
        if (c_.stepCount < NevilleConstruction::capacity) {
            c_.steps[c_.stepCount] = step;
            c_.stepCount = c_.stepCount + 1;
        }
    }
    NevilleConstruction& c_;
};

// Each line through two neighbouring points is extended to the third node, and
// the curve point is the blend of the two lines at u.
Point3 nevilleThree(const double* t, const Point3* p, double u, StepList& out) {
    std::array<Point3, 5> a;
    a[0] = extend((t[2] - t[0]) / (t[1] - t[0]), p[1], (t[2] - t[1]) / (t[1] - t[0]), p[0]);
    a[2] = extend((t[2] - t[0]) / (t[2] - t[1]), p[1], (t[1] - t[0]) / (t[2] - t[1]), p[2]);
    out.segment(p[0], a[0]);
    out.segment(p[2], a[2]);

    const double wa = (t[2] - u) / (t[2] - t[0]);
    const double wb = (u - t[0]) / (t[2] - t[0]);
    a[1] = blend(wa, p[0], wb, a[0]);
    a[3] = blend(wa, a[2], wb, p[2]);
    a[4] = blend(wa, a[1], wb, a[3]);
    out.segment(a[1], a[3]);
    out.marker(a[4]);
    return a[4];
}

// The first level extends each line of neighbours over the whole node range
// t0 .. t3; the second level gives the quadratics through P0..P2 and P1..P3,
// the third their blend, the cubic.
Point3 nevilleFour(const double* t, const Point3* p, double u, StepList& out) {
    std::array<Point3, 13> a;
    a[0] = extend((t[2] - t[0]) / (t[1] - t[0]), p[1], (t[2] - t[1]) / (t[1] - t[0]), p[0]);
    a[1] = extend((t[3] - t[0]) / (t[1] - t[0]), p[1], (t[3] - t[1]) / (t[1] - t[0]), p[0]);
    a[2] = extend((t[2] - t[0]) / (t[2] - t[1]), p[1], (t[1] - t[0]) / (t[2] - t[1]), p[2]);
    a[3] = extend((t[3] - t[1]) / (t[2] - t[1]), p[2], (t[3] - t[2]) / (t[2] - t[1]), p[1]);
    a[4] = extend((t[3] - t[0]) / (t[3] - t[2]), p[2], (t[2] - t[0]) / (t[3] - t[2]), p[3]);
    a[5] = extend((t[3] - t[1]) / (t[3] - t[2]), p[2], (t[2] - t[1]) / (t[3] - t[2]), p[3]);
    out.segment(p[0], a[1]);
    out.segment(a[2], a[3]);
    out.segment(a[4], p[3]);

    double wa = (t[2] - u) / (t[2] - t[0]);
    double wb = (u - t[0]) / (t[2] - t[0]);
    a[6] = blend(wa, p[0], wb, a[0]);
    a[7] = blend(wa, a[2], wb, p[2]);
    a[10] = blend(wa, a[6], wb, a[7]);
    out.segment(a[6], a[7]);
    out.marker(a[10]);

    wa = (t[3] - u) / (t[3] - t[1]);
    wb = (u - t[1]) / (t[3] - t[1]);
    a[8] = blend(wa, p[1], wb, a[3]);
    a[9] = blend(wa, a[5], wb, p[3]);
    a[11] = blend(wa, a[8], wb, a[9]);
    out.segment(a[8], a[9]);
    out.marker(a[11]);

    wa = (t[3] - u) / (t[3] - t[0]);
    wb = (u - t[0]) / (t[3] - t[0]);
    a[12] = blend(wa, a[10], wb, a[11]);
    out.segment(a[10], a[11]);
    out.marker(a[12]);
    return a[12];
}

// Parameter of sample k of the curve over the node range.
float sampleParameter(const float* t, int n, int k) {
    const float first = t[0];
    const float range = t[n - 1] - t[0];
    return first + range * static_cast<float>(k) / static_cast<float>(curveSegments);
}

// Two lanes of double precision, two samples side by side.
using Lanes = double __attribute__((vector_size(16)));
constexpr int laneCount = 2;
// Samples summed at once: two lanes of each coordinate.
constexpr int sampleBlock = 2 * laneCount;
constexpr int paddedSamples = (lagrangeCurveSamples + sampleBlock - 1) / sampleBlock * sampleBlock;

// A power of two near 4 / spread of the nodes. The products below multiply up
// to 127 distances; on an interval of length 4 (capacity 1) such products
// stay near 1 on average instead of growing or shrinking like spread^n, and a
// power of two scales every distance without rounding. For nodes at least a
// pixel of the parameter bar apart, every product stays far inside double range.
double distanceScale(const float* t, int n) {
    float lo = t[0];
    float hi = t[0];
    for (int i = 1; i < n; ++i) {
        lo = std::min(lo, t[i]);
        hi = std::max(hi, t[i]);
    }
    const double spread = static_cast<double>(hi) - static_cast<double>(lo);
    if (!(spread > 0.0)) {
        return 1.0;
    }
    int exponent = 0;
    std::frexp(spread, &exponent);
    return std::ldexp(4.0, -exponent);
}

// Barycentric weights w[j] = 1 / prod over m != j of c (t[j] - t[m]), for the
// distance scale c.
void barycentricWeights(const float* t, int n, double c, std::array<double, maxPoints>& w) {
    for (int j = 0; j < n; ++j) {
        double product = 1.0;
        for (int m = 0; m < n; ++m) {
            if (m != j) {
                product *= (static_cast<double>(t[j]) - static_cast<double>(t[m])) * c;
            }
        }
        w[j] = 1.0 / product;
    }
}

// The weights of the curve's samples depend on the nodes alone, and a point
// drag leaves those alone; they are kept until the nodes change. This is a
// memo of a pure function, not editor state: the drawn curve is the same
// whether it hits or misses.
struct SampleWeights {
    int count = 0;
    std::array<float, maxPoints> nodes{};
    // weights[j][k] = l_j(u_k); the samples past the last stay 0.
    std::array<std::array<double, paddedSamples>, maxPoints> weights{};
};

// The Lagrange weights l_j(u) = prod over m != j of (u - t[m]) / (t[j] - t[m])
// in the first barycentric form l(u) w_j / (u - t[j]), with l(u) the product
// of all n distances c (u - t[m]): O(n) per parameter once the w are known,
// and backward stable. A u on a node has weight 1 there and 0 elsewhere;
// distinct float nodes differ from u by zero in double only when equal.
// Writes l_j(u) to out[j * stride] for j = 0 .. n - 1.
void lagrangeWeights(const float* t, int n, double c, const std::array<double, maxPoints>& w,
                     float u, double* out, size_t stride) {
    std::array<double, maxPoints> distance;
    double all = 1.0;
    int node = -1;
    for (int m = 0; m < n; ++m) {
        distance[m] = (static_cast<double>(u) - static_cast<double>(t[m])) * c;
        if (distance[m] == 0.0) {
            node = m;
        }
        all *= distance[m];
    }
    for (int j = 0; j < n; ++j) {
        double& value = out[static_cast<size_t>(j) * stride];
        if (node >= 0) {
            value = j == node ? 1.0 : 0.0;
        } else {
            value = all * (w[j] / distance[j]);
        }
    }
}

SampleWeights sampleWeights;

const SampleWeights& weightsForNodes(const float* t, int n) {
    SampleWeights& m = sampleWeights;
    const size_t bytes = sizeof(float) * static_cast<size_t>(n);
    if (m.count == n && std::memcmp(m.nodes.data(), t, bytes) == 0) {
        return m;
    }
    m.count = 0;
    const double c = distanceScale(t, n);
    std::array<double, maxPoints> w;
    barycentricWeights(t, n, c, w);
    for (int k = 0; k <= curveSegments; ++k) {
        lagrangeWeights(t, n, c, w, sampleParameter(t, n, k), &m.weights[0][k], paddedSamples);
    }
    std::memcpy(m.nodes.data(), t, bytes);
    m.count = n;
    return m;
}

}  // namespace

bool nodesDistinct(const float* t, int n) {
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (t[i] == t[j]) {
                return false;
            }
        }
    }
    return true;
}

float lagrangeParameter(const float* t, int n, float animT) {
    const float first = t[0];
    const float range = t[n - 1] - t[0];
    return first + range * animT;
}

void sampleLagrangeCurve(const Point3* points, const float* t, int n, Point3* out) {
    if (n <= 0 || n > maxPoints) {
        return;
    }
    const SampleWeights& m = weightsForNodes(t, n);
    // Summed in double: the weights of many nodes are large and of alternating
    // sign, and a float sum would lose what they cancel to.
    std::array<std::array<Lanes, maxPoints>, dimension> p;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < dimension; ++c) {
            const double v = static_cast<double>(points[i][c]);
            p[c][i] = Lanes{v, v};
        }
    }
    // Four samples at a time, two per lane: the sums are chains of dependent
    // additions, and six chains side by side keep the adder busy where the
    // three of one sample would leave it waiting; this keeps a redraw with
    // the nodes unchanged as fast as the float sum it replaces.
    for (int k = 0; k < lagrangeCurveSamples; k += sampleBlock) {
        std::array<std::array<Lanes, sampleBlock / laneCount>, dimension> sum{};
        for (int i = 0; i < n; ++i) {
            std::array<Lanes, sampleBlock / laneCount> w;
            std::memcpy(w.data(), &m.weights[i][k], sizeof w);
            for (int c = 0; c < dimension; ++c) {
                sum[c][0] += w[0] * p[c][i];
                sum[c][1] += w[1] * p[c][i];
            }
        }
        for (int s = 0; s < sampleBlock && k + s < lagrangeCurveSamples; ++s) {
            for (int c = 0; c < dimension; ++c) {
                out[k + s][c] = static_cast<float>(sum[c][s / laneCount][s % laneCount]);
            }
        }
    }
}

Point3 evalLagrange(const Point3* points, const float* t, int n, float u) {
    Point3 out;
    if (n <= 0 || n > maxPoints) {
        return out;
    }
    for (int i = 0; i < n; ++i) {
        float weight = 1.0f;
        for (int j = 0; j < n; ++j) {
            if (j == i) {
                continue;
            }
            const double factor = (static_cast<double>(u) - static_cast<double>(t[j])) /
                                  (static_cast<double>(t[i]) - static_cast<double>(t[j]));
            weight = static_cast<float>(weight * factor);
        }
        for (int c = 0; c < dimension; ++c) {
            out[c] += weight * points[i][c];
        }
    }
    return out;
}

NevilleConstruction nevilleConstruction(const Point3* points, const float* t, int n, float u) {
    NevilleConstruction c;
    if (n <= 0 || n > maxPoints || !nodesDistinct(t, n)) {
        return c;
    }
    // t[0] is always 0, so this is the node range; it also rejects NaN and the
    // value -1 that stands for "no animation".
    if (!(u >= 0.0f && u <= t[n - 1])) {
        return c;
    }
    StepList steps(c);
    if (n == 3 || n == 4) {
        const double nodes[4] = {t[0], t[1], t[2], n == 4 ? t[3] : 0.0};
        c.curvePoint =
            n == 3 ? nevilleThree(nodes, points, u, steps) : nevilleFour(nodes, points, u, steps);
        return c;
    }
    c.curvePoint = evalLagrange(points, t, n, u);
    steps.marker(c.curvePoint);
    return c;
}

void lagrangeCardinals(const float* t, int n, float u, double* values) {
    if (n <= 0 || n > maxPoints || !nodesDistinct(t, n)) {
        return;
    }
    const double c = distanceScale(t, n);
    std::array<double, maxPoints> w;
    barycentricWeights(t, n, c, w);
    lagrangeWeights(t, n, c, w, u, values, 1);
}

void lagrangeBarycentricWeights(const float* t, int n, double* w) {
    if (n <= 0 || n > maxPoints || !nodesDistinct(t, n)) {
        return;
    }
    std::array<double, maxPoints> kept;
    barycentricWeights(t, n, distanceScale(t, n), kept);
    std::memcpy(w, kept.data(), sizeof(double) * static_cast<size_t>(n));
}

void sampleLagrangeCardinals(const float* t, int n, double* values) {
    if (n <= 0 || n > maxPoints || !nodesDistinct(t, n)) {
        return;
    }
    const SampleWeights& m = weightsForNodes(t, n);
    for (int j = 0; j < n; ++j) {
        std::memcpy(&values[static_cast<size_t>(j) * lagrangeCurveSamples], m.weights[j].data(),
                    sizeof(double) * lagrangeCurveSamples);
    }
}
