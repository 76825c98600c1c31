#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "curves/bezier.hpp"
#include "curves/lagrange.hpp"

// The drawers sample their curves through weight tables kept between redraws
// and, for Lagrange, weights computed side by side. Every sample must be the
// plain evaluation's own value bit for bit (==, with NaN and the sign of zero
// compared by their bits), over small and full polygons and any nodes.

namespace {

bool sameBits(const Point3& a, const Point3& b) {
    return std::memcmp(&a.x, &b.x, sizeof(float)) == 0 &&
           std::memcmp(&a.y, &b.y, sizeof(float)) == 0 &&
           std::memcmp(&a.z, &b.z, sizeof(float)) == 0;
}

// A reproducible pseudo-random polygon across the window, depths included.
std::vector<Point3> polygon(int n, std::uint32_t seed) {
    std::vector<Point3> p(static_cast<size_t>(n));
    std::uint32_t r = seed;
    auto next = [&r] {
        r = r * 1664525u + 1013904223u;
        return static_cast<float>(r >> 8) / static_cast<float>(1u << 24);
    };
    for (Point3& q : p) {
        q = {800.0f * next(), 600.0f * next(), 400.0f * next() - 200.0f};
    }
    return p;
}

struct NodeCase {
    const char* name;
    int n;
    enum Kind { Uniform, UnitRange, Jittered, Halved } kind;
};

// The node lists the program makes: 0, 1, 2, ... (the Lagrange and RBF
// commands), values in [0, 1] after a handle drag, uneven spacing, and the
// spacing halved as the RBF subdivision leaves it.
std::vector<float> nodes(const NodeCase& c) {
    std::vector<float> t(static_cast<size_t>(c.n));
    for (int i = 0; i < c.n; ++i) {
        const float fi = static_cast<float>(i);
        switch (c.kind) {
            case NodeCase::Uniform:
                t[i] = fi;
                break;
            case NodeCase::UnitRange:
                t[i] = c.n == 1 ? 0.0f : static_cast<float>(1.0 - (c.n - 1.0 - i) / (c.n - 1.0));
                break;
            case NodeCase::Jittered:
                t[i] = fi + 0.37f * std::sin(3.1f * fi);
                break;
            case NodeCase::Halved:
                t[i] = 0.5f * fi;
                break;
        }
    }
    return t;
}

const NodeCase nodeCases[] = {
    {"one", 1, NodeCase::Uniform},
    {"two", 2, NodeCase::Uniform},
    {"three", 3, NodeCase::Uniform},
    {"five", 5, NodeCase::Jittered},
    {"sixteen", 16, NodeCase::UnitRange},
    {"odd 33", 33, NodeCase::Jittered},
    {"sixty-four", 64, NodeCase::Halved},
    {"127", 127, NodeCase::UnitRange},
    {"128 uniform", 128, NodeCase::Uniform},
    {"128 unit range", 128, NodeCase::UnitRange},
    {"128 jittered", 128, NodeCase::Jittered},
};

void expectLagrangeSamplesExact(const std::vector<Point3>& p, const std::vector<float>& t) {
    const int n = static_cast<int>(t.size());
    std::array<Point3, lagrangeCurveSamples> got;
    sampleLagrangeCurve(p.data(), t.data(), n, got.data());
    const float first = t[0];
    const float range = t[n - 1] - t[0];
    for (int k = 0; k < lagrangeCurveSamples; ++k) {
        const float u = first + range * static_cast<float>(k) / 128.0f;
        const Point3 want = evalLagrange(p.data(), t.data(), n, u);
        ASSERT_TRUE(sameBits(got[k], want))
            << "sample " << k << ": " << got[k].x << " " << got[k].y << " " << got[k].z
            << " != " << want.x << " " << want.y << " " << want.z;
    }
}

TEST(Sampling, LagrangeSamplesAreTheEvaluationsOwn) {
    std::uint32_t seed = 1;
    for (const NodeCase& c : nodeCases) {
        SCOPED_TRACE(c.name);
        std::vector<Point3> p = polygon(c.n, seed++);
        expectLagrangeSamplesExact(p, nodes(c));
        // A drag moves a point and keeps the nodes: the kept weights serve it.
        p[static_cast<size_t>(c.n / 2)].x += 17.0f;
        expectLagrangeSamplesExact(p, nodes(c));
    }
}

// The kept weights belong to one node list; a handle drag changes one node
// in place, a new polygon the count.
TEST(Sampling, LagrangeWeightsFollowTheNodes) {
    const std::vector<Point3> p = polygon(maxPoints, 7);
    std::vector<float> t = nodes({"", maxPoints, NodeCase::UnitRange});
    expectLagrangeSamplesExact(p, t);
    t[64] = 0.5f * (t[63] + t[64]);
    expectLagrangeSamplesExact(p, t);
    t.resize(100);
    expectLagrangeSamplesExact(p, t);
    t.resize(maxPoints - 1);
    for (int i = 100; i < maxPoints - 1; ++i) {
        t[i] = static_cast<float>(i);
    }
    expectLagrangeSamplesExact(p, t);
}

void expectBezierSamplesExact(const Point3* p, int count) {
    std::array<Point3, bezierCurveSamples> got;
    sampleBezierCurve(p, count, got.data());
    for (int k = 0; k < bezierCurveSamples; ++k) {
        const float x = static_cast<float>(k) / 128.0f;
        const Point3 want = evalBezier(p, count, x);
        ASSERT_TRUE(sameBits(got[k], want))
            << "count " << count << " sample " << k << ": " << got[k].x << " != " << want.x;
    }
}

// Counts in the order a frame with the family overlay meets them (six of one
// count, then the main curve of the next), and every other count once.
TEST(Sampling, BezierSamplesAreTheEvaluationsOwn) {
    const std::vector<Point3> p = polygon(maxPoints, 11);
    const int counts[] = {127, 127, 128, 127, 128, 1, 2, 3, 128, 4, 127};
    for (const int count : counts) {
        expectBezierSamplesExact(p.data(), count);
    }
    for (int count = 1; count <= maxPoints; ++count) {
        expectBezierSamplesExact(polygon(count, static_cast<std::uint32_t>(count)).data(), count);
    }
}

TEST(Sampling, OutOfRangeCountsLeaveTheOutputAlone) {
    const Point3 marker{1.0f, 2.0f, 3.0f};
    std::array<Point3, bezierCurveSamples> out;
    out.fill(marker);
    const std::vector<Point3> p = polygon(maxPoints + 1, 3);
    const std::vector<float> t = nodes({"", maxPoints + 1, NodeCase::Uniform});
    for (const int count : {0, -1, maxPoints + 1}) {
        sampleBezierCurve(p.data(), count, out.data());
        sampleLagrangeCurve(p.data(), t.data(), count, out.data());
    }
    for (const Point3& q : out) {
        EXPECT_TRUE(sameBits(q, marker));
    }
}

}  // namespace
