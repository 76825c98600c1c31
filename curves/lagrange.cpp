#include "curves/lagrange.hpp"

#include <array>
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

// Two lanes of double precision; the arithmetic on them is lane by lane, so
// every lane rounds exactly as the scalar expression would.
using Lanes = double __attribute__((vector_size(16)));
using FloatLanes = float __attribute__((vector_size(8)));
constexpr int laneCount = 2;

// The Lagrange weights of all n nodes at u, computed side by side: for each
// node j the factor (u - t[j]) / (t[i] - t[j]) is applied to every weight
// i != j at once. Each weight still takes its factors in increasing j and is
// rounded to single precision after each, exactly as evalLagrange does, so
// the weights are evalLagrange's own to the last bit. The lane of weight j
// itself divides by zero; its value is put back afterwards.
void lagrangeWeights(const double* nodes, int n, float u, std::array<float, maxPoints>& weights) {
    const int padded = (n + laneCount - 1) / laneCount * laneCount;
    std::array<Lanes, maxPoints / laneCount> w;
    for (int g = 0; g < padded / laneCount; ++g) {
        w[g] = Lanes{1.0, 1.0};
    }
    const double ud = u;
    for (int j = 0; j < n; ++j) {
        const double tj = nodes[j];
        const double numerator = ud - tj;
        Lanes& own = w[j / laneCount];
        const double kept = own[j % laneCount];
        for (int g = 0; g < padded / laneCount; ++g) {
            const Lanes ti = {nodes[laneCount * g], nodes[laneCount * g + 1]};
            const Lanes factor = numerator / (ti - tj);
            w[g] =
                __builtin_convertvector(__builtin_convertvector(w[g] * factor, FloatLanes), Lanes);
        }
        own[j % laneCount] = kept;
    }
    for (int i = 0; i < n; ++i) {
        weights[i] = static_cast<float>(w[i / laneCount][i % laneCount]);
    }
}

// The weights of the curve's samples depend on the nodes alone, and a point
// drag leaves those alone; they are kept until the nodes change. This is a
// memo of a pure function, not editor state: the drawn curve is the same
// whether it hits or misses.
struct SampleWeights {
    int count = 0;
    std::array<float, maxPoints> nodes{};
    std::array<std::array<float, maxPoints>, curveSegments + 1> weights{};
};

SampleWeights sampleWeights;

const SampleWeights& weightsForNodes(const float* t, int n) {
    SampleWeights& m = sampleWeights;
    const size_t bytes = sizeof(float) * static_cast<size_t>(n);
    if (m.count == n && std::memcmp(m.nodes.data(), t, bytes) == 0) {
        return m;
    }
    // Padding lanes see node 0 again; their values are never used.
    std::array<double, maxPoints> nodes{};
    for (int i = 0; i < maxPoints; ++i) {
        nodes[i] = i < n ? static_cast<double>(t[i]) : static_cast<double>(t[0]);
    }
    m.count = 0;
    for (int k = 0; k <= curveSegments; ++k) {
        lagrangeWeights(nodes.data(), n, sampleParameter(t, n, k), m.weights[k]);
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
    for (int k = 0; k <= curveSegments; ++k) {
        // The sum of evalLagrange, in the same order.
        Point3 sum;
        for (int i = 0; i < n; ++i) {
            const float weight = m.weights[k][i];
            for (int c = 0; c < dimension; ++c) {
                sum[c] += weight * points[i][c];
            }
        }
        out[k] = sum;
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
