#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "curves/bezier.hpp"
#include "curves/lagrange.hpp"

// The drawers sample their curves through weight tables kept between redraws.
// A Bezier sample must be the plain evaluation's own value bit for bit (==,
// with NaN and the sign of zero compared by their bits). A Lagrange sample
// comes from barycentric weights in double and must be at least as close to
// the exact interpolant as the plain float evaluation is.

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
    enum Kind { Uniform, UnitRange, Jittered, Halved, OneMoved, SeveralMoved } kind;
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
            case NodeCase::OneMoved:
            case NodeCase::SeveralMoved:
                t[i] = fi / static_cast<float>(c.n - 1);
                break;
        }
    }
    // A handle drag moves a node towards a neighbour, here by 0.4 of the
    // spacing; several drags move nodes both ways.
    const float spacing = c.n > 1 ? 1.0f / static_cast<float>(c.n - 1) : 0.0f;
    if (c.kind == NodeCase::OneMoved) {
        t[c.n / 2] += 0.4f * spacing;
    }
    if (c.kind == NodeCase::SeveralMoved) {
        const int moved[] = {1, c.n / 3, c.n / 2, 2 * c.n / 3, c.n - 2};
        float way = 0.4f;
        for (const int i : moved) {
            t[i] += way * spacing;
            way = -way;
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
    {"16 one moved", 16, NodeCase::OneMoved},
    {"64 one moved", 64, NodeCase::OneMoved},
    {"128 one moved", 128, NodeCase::OneMoved},
    {"16 several moved", 16, NodeCase::SeveralMoved},
    {"64 several moved", 64, NodeCase::SeveralMoved},
    {"128 several moved", 128, NodeCase::SeveralMoved},
};

#ifdef __SIZEOF_FLOAT128__
__extension__ typedef __float128 Wide;
#else
typedef long double Wide;
#endif

// The interpolant by the product formula in quadruple precision: l_j(u) =
// prod over m != j of (u - t_m) / (t_j - t_m), with the numerators as the
// products of the distances left and right of node j. Rounded to double for
// the comparison, far closer than any float result.
class ExactInterpolant {
  public:
    ExactInterpolant(const std::vector<Point3>& p, const std::vector<float>& t)
        : p_(p), t_(t), denominator_(t.size(), 1) {
        for (size_t j = 0; j < t.size(); ++j) {
            for (size_t m = 0; m < t.size(); ++m) {
                if (m != j) {
                    denominator_[j] *= static_cast<Wide>(t[j]) - static_cast<Wide>(t[m]);
                }
            }
        }
    }

    std::array<double, dimension> at(float u) const {
        const size_t n = t_.size();
        std::vector<Wide> left(n + 1, 1);
        std::vector<Wide> right(n + 1, 1);
        for (size_t m = 0; m < n; ++m) {
            left[m + 1] = left[m] * (static_cast<Wide>(u) - static_cast<Wide>(t_[m]));
            const size_t r = n - 1 - m;
            right[r] = right[r + 1] * (static_cast<Wide>(u) - static_cast<Wide>(t_[r]));
        }
        Wide sum[dimension] = {0, 0, 0};
        for (size_t j = 0; j < n; ++j) {
            const Wide weight = left[j] * right[j + 1] / denominator_[j];
            for (int c = 0; c < dimension; ++c) {
                sum[c] += weight * static_cast<Wide>(p_[j][c]);
            }
        }
        return {static_cast<double>(sum[0]), static_cast<double>(sum[1]),
                static_cast<double>(sum[2])};
    }

  private:
    const std::vector<Point3>& p_;
    const std::vector<float>& t_;
    std::vector<Wide> denominator_;
};

// Spacing of floats at the float nearest x.
double floatUlp(double x) {
    const float f = std::fabs(static_cast<float>(x));
    return static_cast<double>(std::nextafter(f, INFINITY)) - static_cast<double>(f);
}

// Largest error over all samples and coordinates of the sampled curve and of
// the plain evaluation (the float product formula the samples used to be).
struct LagrangeErrors {
    double sampled = 0.0;
    double plain = 0.0;
};

// Each coordinate of each sample is finite and at most twice as far from the
// exact interpolant as evalLagrange's at the same parameter. No float result can
// promise better than the float spacing there, which sets a floor.
LagrangeErrors expectLagrangeSamplesAccurate(const std::vector<Point3>& p,
                                             const std::vector<float>& t) {
    const int n = static_cast<int>(t.size());
    std::array<Point3, lagrangeCurveSamples> got;
    sampleLagrangeCurve(p.data(), t.data(), n, got.data());
    LagrangeErrors worst;
    const ExactInterpolant interpolant(p, t);
    const float first = t[0];
    const float range = t[n - 1] - t[0];
    for (int k = 0; k < lagrangeCurveSamples; ++k) {
        const float u = first + range * static_cast<float>(k) / 128.0f;
        const std::array<double, dimension> exact = interpolant.at(u);
        const Point3 plain = evalLagrange(p.data(), t.data(), n, u);
        for (int c = 0; c < dimension; ++c) {
            const double sampledError = std::fabs(static_cast<double>(got[k][c]) - exact[c]);
            // Float weights overflow for some node sets: a non-finite plain
            // result is as wrong as can be.
            const double plainError = std::isfinite(plain[c])
                                          ? std::fabs(static_cast<double>(plain[c]) - exact[c])
                                          : INFINITY;
            EXPECT_LE(sampledError, 2.0 * std::max(plainError, floatUlp(exact[c])))
                << "sample " << k << " coordinate " << c << ": " << got[k][c] << " vs exact "
                << exact[c];
            worst.sampled = std::max(worst.sampled, sampledError);
            worst.plain = std::max(worst.plain, plainError);
        }
    }
    return worst;
}

TEST(Sampling, LagrangeSamplesAreAsAccurateAsThePlainEvaluation) {
    std::uint32_t seed = 1;
    for (const NodeCase& c : nodeCases) {
        SCOPED_TRACE(c.name);
        std::vector<Point3> p = polygon(c.n, seed++);
        const LagrangeErrors e = expectLagrangeSamplesAccurate(p, nodes(c));
        RecordProperty(c.name, testing::PrintToString(e.sampled) + " vs plain " +
                                   testing::PrintToString(e.plain));
        // A drag moves a point and keeps the nodes: the kept weights serve it.
        p[static_cast<size_t>(c.n / 2)].x += 17.0f;
        expectLagrangeSamplesAccurate(p, nodes(c));
    }
}

// A sample on a node is that node's point: 17 nodes 0 .. 16 put every eighth
// sample (u = k / 8) on one, and a single node holds every sample.
TEST(Sampling, LagrangeSamplesOnNodesAreTheirPoints) {
    for (const int n : {17, 1}) {
        const std::vector<Point3> p = polygon(n, 5);
        const std::vector<float> t = nodes({"", n, NodeCase::Uniform});
        std::array<Point3, lagrangeCurveSamples> got;
        sampleLagrangeCurve(p.data(), t.data(), n, got.data());
        for (int k = 0; k < lagrangeCurveSamples; k += 8) {
            const Point3& want = p[static_cast<size_t>(n == 1 ? 0 : k / 8)];
            EXPECT_TRUE(sameBits(got[k], want)) << "n " << n << " sample " << k;
        }
    }
}

// The kept weights belong to one node list; a handle drag changes one node
// in place, a new polygon the count. Stale weights would draw another curve.
TEST(Sampling, LagrangeWeightsFollowTheNodes) {
    const std::vector<Point3> p = polygon(maxPoints, 7);
    std::vector<float> t = nodes({"", maxPoints, NodeCase::UnitRange});
    expectLagrangeSamplesAccurate(p, t);
    t[64] = 0.5f * (t[63] + t[64]);
    expectLagrangeSamplesAccurate(p, t);
    t.resize(100);
    expectLagrangeSamplesAccurate(p, t);
    t.resize(maxPoints - 1);
    for (int i = 100; i < maxPoints - 1; ++i) {
        t[i] = static_cast<float>(i);
    }
    expectLagrangeSamplesAccurate(p, t);
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
