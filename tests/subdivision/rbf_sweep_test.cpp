// Every RBF step from 4 to 128 points, for both stencils, every basis, halving
// on and off and degrees 0 to 5, against the local interpolants worked out in
// long double from the same float points: each step is either refused whole
// or puts every new point within 0.05 px of its reference.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "subdivision/schemes.hpp"
#include "support/rbf_reference.hpp"

namespace {

constexpr double tolerance = 0.05;

// Four clicked points, whole pixels with depths, as a student enters them.
const std::array<Point3, 4> clicked{
    {{150, 120, -60}, {620, 90, 40}, {680, 470, -130}, {210, 510, 85}}};

int wrap(int k, int n) {
    return ((k % n) + n) % n;
}

bool increasing(const std::vector<float>& t) {
    for (size_t i = 1; i < t.size(); ++i) {
        if (!(t[i - 1] < t[i])) {
            return false;
        }
    }
    return true;
}

// The point the step must insert after point i: the long-double interpolant
// of the stencil around it at the middle of its parameter range, the
// parameters continued with period t[n-1] + h.
tvtest::LongPoint referencePoint(const std::vector<Point3>& p, const std::vector<float>& t, float h,
                                 int i, int size, int degree, BasisKind kind, float shape) {
    const int n = static_cast<int>(p.size());
    const long double period = static_cast<long double>(t.back()) + h;
    std::vector<long double> x;
    std::vector<Point3> stencil;
    for (int k = i - (size / 2 - 1); k < i + size / 2 + 1; ++k) {
        const long double laps = std::floor(static_cast<long double>(k) / n);
        x.push_back(t[static_cast<size_t>(wrap(k, n))] + laps * period);
        stencil.push_back(p[static_cast<size_t>(wrap(k, n))]);
    }
    const tvtest::RbfReference ref = tvtest::solveReference(x, stencil.data(), degree, kind, shape);
    EXPECT_TRUE(ref.solved) << "a step was taken over a singular stencil";
    return ref.at((x.front() + x.back()) / 2);
}

struct Tally {
    int steps = 0;
    int refused = 0;
    std::array<int, 6> byReason{};  // refusals per SubdivisionRefusal value
    double worst = 0;
};

// Steps from the clicked square until the polygon passes 64 points or a step
// is refused, as repeated presses of s do.
void sweep(int size, BasisKind kind, bool halving, int degree, bool parametersSet, Tally& tally) {
    std::vector<Point3> p(clicked.begin(), clicked.end());
    std::vector<float> t(p.size(), 0.0f);
    if (parametersSet) {
        for (size_t j = 0; j < t.size(); ++j) {
            t[j] = static_cast<float>(j);
        }
    }
    float h = 1.0f;
    float shape = 1.0f;
    while (2 * p.size() <= static_cast<size_t>(maxPoints)) {
        const int n = static_cast<int>(p.size());
        SubdivisionRefusal refusal = SubdivisionRefusal::None;
        const std::optional<RefinedPolygon> refined =
            refineRbf(p.data(), t.data(), n, h, {size, degree, kind, shape}, TraceSink{}, &refusal);
        ++tally.steps;
        if (!refined) {
            ++tally.refused;
            ++tally.byReason[static_cast<size_t>(refusal)];
            EXPECT_NE(refusal, SubdivisionRefusal::None);
            return;
        }
        std::vector<float> used = t;
        if (!increasing(t)) {
            for (int j = 0; j < n; ++j) {
                used[static_cast<size_t>(j)] = static_cast<float>(j) * h;
            }
        }
        for (int i = 0; i < n; ++i) {
            const Point3& even = refined->points[static_cast<size_t>(2 * i)];
            EXPECT_TRUE(even.x == p[static_cast<size_t>(i)].x &&
                        even.y == p[static_cast<size_t>(i)].y &&
                        even.z == p[static_cast<size_t>(i)].z);
            const double miss =
                tvtest::distance(refined->points[static_cast<size_t>(2 * i + 1)],
                                 referencePoint(p, used, h, i, size, degree, kind, shape));
            tally.worst = std::max(tally.worst, miss);
            ASSERT_LT(miss, tolerance) << n << " points, after point " << i;
        }
        p.assign(refined->points.begin(), refined->points.begin() + refined->count);
        h = h * 0.5f;
        t.resize(p.size());
        for (size_t k = 0; k < t.size(); ++k) {
            t[k] = static_cast<float>(k) * h;
        }
        if (halving) {
            shape = shape * 0.5f;
        }
    }
}

TEST(RbfSweep, EveryStepIsRefusedOrMatchesTheLongDoubleInterpolant) {
    Tally tally;
    for (int size : {4, 6}) {
        for (BasisKind kind : {BasisKind::Mq1, BasisKind::Mq3, BasisKind::Gaussian}) {
            for (bool halving : {true, false}) {
                for (int degree = 0; degree <= 5; ++degree) {
                    for (bool parametersSet : {true, false}) {
                        SCOPED_TRACE(testing::Message()
                                     << "S " << size << " basis " << static_cast<int>(kind)
                                     << (halving ? " halving" : " not halving") << " d " << degree
                                     << (parametersSet ? "" : " no parameters"));
                        sweep(size, kind, halving, degree, parametersSet, tally);
                    }
                }
            }
        }
    }
    std::printf(
        "[ sweep    ] %d steps, %d refused (degree %d, singular %d, mask sum %d), "
        "worst distance %.3g px\n",
        tally.steps, tally.refused, tally.byReason[2], tally.byReason[3], tally.byReason[4],
        tally.worst);
    // Degrees up to S - 1 step at least once from the clicked square.
    EXPECT_LT(tally.refused, tally.steps / 2);
}

}  // namespace
