#include "curves/bezier.hpp"

#include <array>
#include <cmath>

namespace {

// Samples per curve: 128 intervals, both ends included.
constexpr int curveSegments = bezierCurveSamples - 1;

// Bernstein weight of point i of a curve of the given degree at x, exactly as
// evalBezier forms it.
double bernsteinWeight(int degree, int i, float x) {
    return binomial(degree, i) * std::pow(static_cast<double>(x), i) *
           std::pow(1.0 - static_cast<double>(x), degree - i);
}

float sampleParameter(int k) {
    return static_cast<float>(k) / static_cast<float>(curveSegments);
}

// Two lanes of double precision, one sample each; the arithmetic on them is
// lane by lane, so every lane rounds exactly as the scalar expression would.
using Lanes = double __attribute__((vector_size(16)));
using FloatLanes = float __attribute__((vector_size(8)));
constexpr int laneCount = 2;
constexpr int sampleGroups = (bezierCurveSamples + laneCount - 1) / laneCount;

// The weights of the drawn samples depend on the point count alone. A frame
// with the family overlay draws six curves of one count and the main curve of
// another, so two tables are kept, the older one replaced first. This is a
// memo of a pure function, not editor state: the curve is the same whether a
// table is found or built. weights[i][k] is the weight of point i in sample
// k, so that neighbouring samples sit side by side; the sample past the last
// (padding) has weight 0 and is never read.
struct WeightTable {
    int count = 0;  // 0: empty
    std::array<std::array<double, sampleGroups * laneCount>, maxPoints> weights{};
};

constexpr int weightTableSlots = 2;
std::array<WeightTable, weightTableSlots> weightTables;
int newestTable = 0;

const WeightTable& weightsForCount(int count) {
    for (const WeightTable& table : weightTables) {
        if (table.count == count) {
            return table;
        }
    }
    newestTable = (newestTable + 1) % weightTableSlots;
    WeightTable& table = weightTables[newestTable];
    const int degree = count - 1;
    for (int k = 0; k <= curveSegments; ++k) {
        const float x = sampleParameter(k);
        for (int i = 0; i < count; ++i) {
            table.weights[i][k] = bernsteinWeight(degree, i, x);
        }
    }
    table.count = count;
    return table;
}

}  // namespace

void sampleBezierCurve(const Point3* points, int count, Point3* out) {
    if (count <= 0 || count > maxPoints) {
        return;
    }
    const WeightTable& table = weightsForCount(count);
    // The sum of evalBezier for every sample, two samples at a time: each
    // sample still adds the points in increasing order and rounds its running
    // sum to single precision after each, so every sample is evalBezier's own.
    for (int c = 0; c < dimension; ++c) {
        std::array<Lanes, sampleGroups> sums{};
        for (int i = 0; i < count; ++i) {
            const double coordinate = points[i][c];
            const double* w = table.weights[i].data();
            for (int g = 0; g < sampleGroups; ++g) {
                const Lanes weight = {w[laneCount * g], w[laneCount * g + 1]};
                sums[g] = __builtin_convertvector(
                    __builtin_convertvector(sums[g] + weight * coordinate, FloatLanes), Lanes);
            }
        }
        for (int k = 0; k <= curveSegments; ++k) {
            out[k][c] = static_cast<float>(sums[k / laneCount][k % laneCount]);
        }
    }
}

double binomial(int n, int k) {
    if (k == 0 || k == n) {
        return 1.0;
    }
    double r = 1.0;
    for (int f = n; f > k; --f) {
        r *= f;
    }
    for (int f = n - k; f >= 1; --f) {
        r /= f;
    }
    return r;
}

Point3 evalBezier(const Point3* points, int count, float x) {
    Point3 out;
    const int degree = count - 1;
    for (int i = 0; i < count; ++i) {
        // pow(0, 0) = 1 reproduces the end points exactly at x = 0 and x = 1.
        const double weight = bernsteinWeight(degree, i, x);
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + weight * points[i][c]);
        }
    }
    return out;
}

DeCasteljau deCasteljau(const Point3* points, int count, float x) {
    DeCasteljau c;
    if (!(x >= 0.0f && x <= 1.0f) || count <= 0 || count > maxPoints) {
        return c;
    }
    c.count = count;
    const double xd = x;
    Point3* level = c.points.data();
    for (int j = 0; j < count; ++j) {
        level[j] = points[j];
    }
    for (int k = 1; k < count; ++k) {
        Point3* next = level + (count - k + 1);
        for (int j = 0; j < count - k; ++j) {
            for (int d = 0; d < dimension; ++d) {
                next[j][d] = static_cast<float>((1.0 - xd) * level[j][d] + xd * level[j + 1][d]);
            }
        }
        level = next;
    }
    return c;
}

void bernsteinValues(int degree, double x, double* values) {
    if (degree < 0 || degree >= maxPoints) {
        return;
    }
    // Row k of the triangle holds B(0..k, k)(x); each row is one linear
    // interpolation of the one before, worked from the top so that one array
    // suffices.
    values[0] = 1.0;
    for (int k = 1; k <= degree; ++k) {
        values[k] = x * values[k - 1];
        for (int i = k - 1; i >= 1; --i) {
            values[i] = (1.0 - x) * values[i] + x * values[i - 1];
        }
        values[0] = (1.0 - x) * values[0];
    }
}
