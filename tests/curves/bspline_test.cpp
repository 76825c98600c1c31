#include "curves/bspline.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

// A B-spline held in vectors, viewed as the curve code reads it.
struct Curve {
    std::vector<Point3> points;
    int degree = 0;
    std::vector<float> knots;

    BsplineView view() const {
        return {points.data(), static_cast<int>(points.size()), knots.data(),
                static_cast<int>(knots.size()), degree};
    }
    Point3 at(float u) const { return evalBspline(view(), u); }
};

// Clamped uniform vector of n points and degree d.
std::vector<float> clamped(int n, int d) {
    std::vector<float> t;
    for (int i = 0; i <= d; ++i) {
        t.push_back(0.0f);
    }
    for (int i = 1; i < n - d; ++i) {
        t.push_back(static_cast<float>(i));
    }
    for (int i = 0; i <= d; ++i) {
        t.push_back(static_cast<float>(n - d));
    }
    return t;
}

// Greville abscissa of point i: the average of its d interior knots. Control
// points placed at (a + b xi, c + e xi) reproduce that line exactly.
std::vector<float> greville(const std::vector<float>& t, int n, int d) {
    std::vector<float> xi;
    for (int i = 0; i < n; ++i) {
        double sum = 0;
        for (int j = 1; j <= d; ++j) {
            sum += t[static_cast<size_t>(i + j)];
        }
        xi.push_back(d == 0 ? t[static_cast<size_t>(i)] : static_cast<float>(sum / d));
    }
    return xi;
}

// The curve point by its definition: every basis value from the plain
// recursion, summed over all n points in increasing i.
Point3 byRecursion(const Curve& curve, float u) {
    const int n = static_cast<int>(curve.points.size());
    Point3 sum;
    for (int i = 0; i < n; ++i) {
        const double b = bsplineBasis(curve.knots.data(), n, i, curve.degree + 1, u);
        for (int c = 0; c < dimension; ++c) {
            sum[c] = static_cast<float>(sum[c] + b * curve.points[i][c]);
        }
    }
    return sum;
}

// Every N(i, d + 1)(u), i = 0 .. n - 1, by the recursion's own formula carried
// bottom-up in T: in double it is bsplineBasis to the last bit (checked below),
// in long double an independent reference eleven bits finer.
template <class T>
std::vector<T> basisInto(const Curve& curve, float u) {
    const float* t = curve.knots.data();
    const int n = static_cast<int>(curve.points.size());
    const int d = curve.degree;
    const bool atEnd = u == t[n];
    std::vector<T> b(static_cast<size_t>(n + d));
    for (int k = 1; k <= d + 1; ++k) {
        for (int i = 0; i <= n + d - k; ++i) {
            T v = t[i] <= u && u < t[i + 1] ? 1 : 0;
            if (k > 1) {
                T a = 0;
                T c = 0;
                if (t[i + k - 1] != t[i]) {
                    a = (static_cast<T>(u) - t[i]) / (static_cast<T>(t[i + k - 1]) - t[i]);
                }
                if (t[i + k] != t[i + 1]) {
                    c = (static_cast<T>(t[i + k]) - u) / (static_cast<T>(t[i + k]) - t[i + 1]);
                }
                v = b[i] * a + b[i + 1] * c;
            }
            b[i] = i == n - 1 && atEnd ? 1 : v;
        }
    }
    b.resize(static_cast<size_t>(n));
    return b;
}

// How far computed curve points lie from the long double reference, in units
// of 2^-24 sum |N(i) p(i)|: the size of one float rounding of the terms. The
// sum in float alone may be off by up to d + 1 such roundings.
struct ErrorTally {
    double worst = 0;
    double total = 0;
    long count = 0;

    // Adds the error of got at u and returns it.
    double add(const Curve& curve, float u, const Point3& got) {
        const std::vector<long double> b = basisInto<long double>(curve, u);
        double largest = 0;
        for (int c = 0; c < dimension; ++c) {
            long double want = 0;
            long double scale = 0;
            for (size_t i = 0; i < b.size(); ++i) {
                want += b[i] * curve.points[i][c];
                scale += std::fabs(b[i] * curve.points[i][c]);
            }
            const long double e = std::fabs(got[c] - want) / (scale * 0x1p-24L + 1e-30L);
            largest = std::max(largest, static_cast<double>(e));
            worst = std::max(worst, static_cast<double>(e));
            total += static_cast<double>(e);
            ++count;
        }
        return largest;
    }
    double mean() const { return count == 0 ? 0 : total / static_cast<double>(count); }
};

// The curve point as the definition sums it: the recursion's basis values in
// double, summed over all n points in increasing i, each partial sum in float.
Point3 byDefinition(const Curve& curve, float u) {
    const std::vector<double> b = basisInto<double>(curve, u);
    Point3 sum;
    for (size_t i = 0; i < b.size(); ++i) {
        for (int c = 0; c < dimension; ++c) {
            sum[c] = static_cast<float>(sum[c] + b[i] * curve.points[i][c]);
        }
    }
    return sum;
}

TEST(Bspline, RecursiveDefinitionGivesTheTextbookValues) {
    const float uniform[] = {0, 1, 2, 3, 4, 5};
    struct Case {
        float u;
        double value;
    };
    // Uniform quadratic: u^2/2, (-2u^2 + 6u - 3)/2, (3 - u)^2/2 on its three spans.
    for (const Case& c : {Case{0.5f, 0.125}, Case{1.5f, 0.75}, Case{2.5f, 0.125}, Case{3.0f, 0.0},
                          Case{-0.5f, 0.0}}) {
        EXPECT_DOUBLE_EQ(bsplineBasis(uniform, 3, 0, 3, c.u), c.value) << c.u;
    }
    // Half-open spans, and the right-end rule that closes the last one.
    const float linear[] = {0, 0, 1, 1};
    EXPECT_EQ(bsplineBasis(linear, 2, 0, 2, 0.0f), 1.0);
    EXPECT_EQ(bsplineBasis(linear, 2, 0, 2, 1.0f), 0.0);
    EXPECT_EQ(bsplineBasis(linear, 2, 1, 2, 1.0f), 1.0);
    EXPECT_EQ(bsplineBasis(linear, 2, 1, 1, 1.0f), 1.0);
    EXPECT_EQ(bsplineBasis(uniform, 3, 2, 1, 2.5f), 1.0);
    EXPECT_EQ(bsplineBasis(uniform, 3, 2, 1, 3.0f), 1.0);
}

TEST(Bspline, TheBasisCarriedBottomUpIsTheRecursion) {
    std::mt19937 rng(5);
    for (int round = 0; round < 60; ++round) {
        const int d = round % 7;
        const int n = d + 1 + static_cast<int>(rng() % 6);
        std::vector<float> t;
        float v = 0;
        while (static_cast<int>(t.size()) < n + d + 1) {
            t.push_back(v);
            v += static_cast<float>(rng() % 3) * 0.37f;
        }
        const Curve curve{std::vector<Point3>(static_cast<size_t>(n)), d, t};
        for (float u : {t[d], t[n], (t[d] + t[n]) / 2, t[n] - 0.01f, t.back() + 1}) {
            const std::vector<double> b = basisInto<double>(curve, u);
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ(b[i], bsplineBasis(t.data(), n, i, d + 1, u)) << round << " " << u;
            }
        }
    }
}

// The evaluation rounds differently from the recursion (one division per
// value instead of two), so it is held to the long double reference: every
// coordinate within the float rounding of its sum, and over all of them no
// further off than the recursion itself, up to a factor of 2.
TEST(Bspline, FastEvaluationIsAsCloseAsTheRecursion) {
    std::mt19937 rng(20021227);
    std::uniform_real_distribution<float> coord(-500.0f, 800.0f);
    std::uniform_int_distribution<int> step(0, 3);
    ErrorTally fast;
    ErrorTally recursion;
    int compared = 0;
    for (int round = 0; round < 303; ++round) {
        // Degrees up to 60, and knot lists up to the largest, 128 entries.
        const int d = round < 300 ? (round * 7) % 61 : 60;
        const int room = maxPoints - 2 * d - 1;
        const int n = d + 1 + static_cast<int>(rng() % static_cast<unsigned>(std::min(room, 60)));
        const int shape = round % 3;
        // The program's own clamped vector, or random steps: steps of 0 repeat
        // knots, fractional steps give non-uniform spans.
        std::vector<float> t = shape == 0 ? clamped(n, d) : std::vector<float>{};
        float v = 0.0f;
        while (static_cast<int>(t.size()) < n + d + 1) {
            t.push_back(v);
            v += static_cast<float>(step(rng)) * (shape == 1 ? 1.0f : 0.37f);
        }
        std::vector<Point3> pts;
        for (int i = 0; i < n; ++i) {
            pts.push_back({coord(rng), coord(rng), coord(rng)});
        }
        const Curve curve{pts, d, t};
        ASSERT_TRUE(bsplineDefined(curve.view()));
        std::vector<float> us = {t.front() - 0.5f, t.back(), t.back() + 0.25f, t[d], t[n]};
        us.insert(us.end(), t.begin(), t.end());
        for (int k = 0; k <= 40; ++k) {
            us.push_back(t.front() + (t.back() - t.front()) * static_cast<float>(k) / 40.0f);
        }
        for (float u : us) {
            const Point3 got = curve.at(u);
            const double e = fast.add(curve, u, got);
            recursion.add(curve, u, byDefinition(curve, u));
            ASSERT_LE(e, d + 2) << "round " << round << " d " << d << " u " << u << ": " << got.x;
            ++compared;
        }
    }
    EXPECT_GT(compared, 10000);
    EXPECT_LE(fast.worst, 2 * recursion.worst);
    EXPECT_LE(fast.mean(), 2 * recursion.mean());
}

// The drawn strip is the evaluation's own curve, bit for bit, and within the
// float rounding of the reference, on the knot lists that take different ways
// through the sampling: long runs of equal knots, a dragged interior, a domain
// of zero length (every sample at its right end), and a list left out of order
// by a handle held short of its neighbour. The last two keep the full table,
// which is the definition's sum to the last bit.
TEST(Bspline, SamplesAreTheEvaluationAndTheDefinitionsCurve) {
    struct Case {
        const char* what;
        int n, d;
        std::vector<float> t;
        bool byTable = false;
    };
    // Handles on whole pixels of a 750-pixel bar: runs of two to five equal
    // knots, starting at either parity of a pair of steps.
    const int pixelX[] = {0,  1,  1,  3,  5,  5,  6,  6,  6,  6,  7,  8,  9,  9,
                          10, 11, 11, 11, 11, 11, 13, 15, 15, 15, 17, 18, 19, 21,
                          22, 23, 24, 26, 26, 27, 28, 28, 30, 32, 32, 34, 35};
    std::vector<float> pixels;
    for (const int x : pixelX) {
        pixels.push_back(static_cast<float>(x) / 750.0f);
    }
    const std::vector<Case> cases = {
        {"clamped, degree 6", 12, 6, clamped(12, 6)},
        {"clamped, degree 60", 67, 60, clamped(67, 60)},
        {"pixel handles", 30, 10, pixels},
        {"clamped, degree 11", 16, 11, clamped(16, 11)},
        {"odd and even run lengths",
         13,
         5,
         {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 3, 3, 3, 3, 3, 3, 3, 3}},
        {"dragged unit range",
         10,
         4,
         {0, 0.05f, 0.1f, 0.31f, 0.32f, 0.4f, 0.55f, 0.7f, 0.71f, 0.72f, 0.9f, 0.95f, 1, 1, 1}},
        {"domain of zero length", 4, 1, {0, 1, 1, 1, 1, 2}, true},
        {"out of order", 7, 3, {0, 0, 0, 0, 0.3f, 0.2999f, 0.6f, 1, 1, 1, 1}, true},
    };
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-300.0f, 700.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Curve curve{{}, c.d, c.t};
        for (int i = 0; i < c.n; ++i) {
            curve.points.push_back({coord(rng), coord(rng), coord(rng)});
        }
        ASSERT_TRUE(bsplineDefined(curve.view()));
        std::vector<Point3> samples(bsplineCurveSamples);
        sampleBsplineCurve(curve.view(), samples.data());
        const float lo = c.t[static_cast<size_t>(c.d)];
        const float hi = c.t[static_cast<size_t>(c.n)];
        ErrorTally error;
        for (int k = 0; k < bsplineCurveSamples; ++k) {
            const float u = static_cast<float>(k) / 128.0f * (hi - lo) + lo;
            const Point3 one = curve.at(u);
            ASSERT_EQ(std::memcmp(&samples[k], &one, sizeof(Point3)), 0)
                << "sample " << k << ": " << samples[k].x << " vs " << one.x;
            if (c.byTable) {
                const Point3 want = byRecursion(curve, u);
                ASSERT_EQ(std::memcmp(&samples[k], &want, sizeof(Point3)), 0)
                    << "sample " << k << ": " << samples[k].x << " vs " << want.x;
            }
            ASSERT_LE(error.add(curve, u, samples[k]), c.d + 2) << "sample " << k;
        }
    }
}

// The basis sums to 1 over the domain whatever the knot spacing: points all at
// one place give that place, never NaN, across runs of repeated knots, spans
// near the smallest float and spans of 1e30. The right end of the domain
// follows the right-end rule of the definition to the last bit, clamped or not
// (unclamped, that rule does not sum to 1 there).
TEST(Bspline, RepeatedTinyAndHugeSpansStayFiniteAndTheRightEndIsTheDefinitions) {
    const std::vector<std::vector<float>> lists = {
        {0, 0, 0, 0, 1e-44f, 1e-44f, 1e-44f, 3e-44f, 1, 1, 1, 1},
        {0, 0, 0, 0, 2, 2, 2, 2, 5, 5, 5, 5},
        {-1e30f, -1e30f, -1e30f, -1e30f, 0, 1e-30f, 1e30f, 1e30f, 1e30f, 1e30f, 1e30f, 1e30f},
        {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
    };
    for (const std::vector<float>& t : lists) {
        SCOPED_TRACE(t[4]);
        const Curve curve{std::vector<Point3>(8, Point3{300, -200, 50}), 3, t};
        ASSERT_TRUE(bsplineDefined(curve.view()));
        std::vector<Point3> samples(bsplineCurveSamples);
        sampleBsplineCurve(curve.view(), samples.data());
        std::vector<float> us(t.begin() + 3, t.begin() + 8);
        for (int k = 0; k < bsplineCurveSamples; k += 9) {
            us.push_back(static_cast<float>(k) / 128.0f * (t[8] - t[3]) + t[3]);
        }
        for (float u : us) {
            const Point3 p = curve.at(u);
            EXPECT_NEAR(p.x, 300, 1e-3) << u;
            EXPECT_NEAR(p.y, -200, 1e-3) << u;
        }
        for (const Point3& p : samples) {
            ASSERT_NEAR(p.z, 50, 1e-3);
        }
        const Point3 end = curve.at(t[8]);
        const Point3 want = byRecursion(curve, t[8]);
        EXPECT_EQ(std::memcmp(&end, &want, sizeof(Point3)), 0) << end.x << " vs " << want.x;
    }
}

TEST(Bspline, DegreeOneIsThePolygonAndDegreeZeroItsPoints) {
    const std::vector<Point3> pts = {{100, 100, 0}, {300, 500, 10}, {500, 200, -10}, {700, 400, 0}};
    const Curve linear{pts, 1, clamped(4, 1)};  // 0 0 1 2 3 3
    for (float u : {0.0f, 0.25f, 1.0f, 1.5f, 2.75f, 3.0f}) {
        const int i = u < 3.0f ? static_cast<int>(u) : 2;
        const float f = u - static_cast<float>(i);
        const Point3 p = linear.at(u);
        for (int c = 0; c < dimension; ++c) {
            EXPECT_NEAR(p[c], pts[i][c] + f * (pts[i + 1][c] - pts[i][c]), 1e-3f) << u;
        }
    }
    // Degree 0 over 0 1 2 3 4: each half-open span shows its own point, and the
    // right end belongs to the last point.
    const Curve constant{pts, 0, {0, 1, 2, 3, 4}};
    for (float u : {0.0f, 0.5f, 1.0f, 2.99f, 3.0f, 3.5f, 4.0f}) {
        const int i = u < 4.0f ? static_cast<int>(u) : 3;
        const Point3 p = constant.at(u);
        EXPECT_EQ(p.x, pts[i].x) << u;
        EXPECT_EQ(p.y, pts[i].y) << u;
    }
    // Sampled, the constant pieces trace the polygon's vertices and end on the last one.
    std::vector<Point3> samples(bsplineCurveSamples);
    sampleBsplineCurve(constant.view(), samples.data());
    EXPECT_EQ(samples.front().x, 100.0f);
    EXPECT_EQ(samples.back().x, 700.0f);
    EXPECT_EQ(samples.back().y, 400.0f);
}

TEST(Bspline, ClampedCubicIsTheCubicBezier) {
    const std::vector<Point3> p = {{100, 100, 0}, {200, 500, 30}, {500, 500, -30}, {600, 100, 0}};
    const Curve curve{p, 3, {0, 0, 0, 0, 1, 1, 1, 1}};
    for (int k = 0; k <= 16; ++k) {
        const float x = static_cast<float>(k) / 16.0f;
        const float s = 1 - x;
        const Point3 q = curve.at(x);
        for (int c = 0; c < dimension; ++c) {
            const float bez = s * s * s * p[0][c] + 3 * x * s * s * p[1][c] +
                              3 * x * x * s * p[2][c] + x * x * x * p[3][c];
            EXPECT_NEAR(q[c], bez, 1e-3f) << x << " " << c;
        }
    }
}

TEST(Bspline, LinearPrecisionOverRepeatedAndHighDegreeKnots) {
    struct Case {
        int n, d;
        std::vector<float> t;
    };
    const std::vector<Case> cases = {
        {5, 2, {0, 0, 0, 1, 1, 2, 2, 2}},              // interior knot repeated d times
        {6, 3, {0, 0, 0, 0, 0.5f, 0.5f, 2, 2, 2, 2}},  // a double interior knot
        {7, 2, {0, 0, 0, 0.1f, 0.3f, 0.35f, 0.9f, 1, 1, 1}},
        // Degree 60 would take 2^61 calls per basis value by the plain recursion.
        {64, 60, clamped(64, 60)},
        {67, 60, clamped(67, 60)},  // n + d + 1 = 128, the largest list
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n " << c.n << " d " << c.d);
        const std::vector<float> xi = greville(c.t, c.n, c.d);
        std::vector<Point3> pts;
        for (float g : xi) {
            pts.push_back({100 + 100 * g, 200 + 50 * g, 0});
        }
        const Curve curve{pts, c.d, c.t};
        const float lo = c.t[static_cast<size_t>(c.d)];
        const float hi = c.t[static_cast<size_t>(c.n)];
        for (int k = 0; k <= 20; ++k) {
            const float u = lo + (hi - lo) * static_cast<float>(k) / 20.0f;
            const Point3 q = curve.at(u);
            EXPECT_NEAR(q.x, 100 + 100 * u, 0.02f) << u;
            EXPECT_NEAR(q.y, 200 + 50 * u, 0.01f) << u;
        }
    }
    // A knot of multiplicity d makes the curve pass through a control point.
    const Curve through{{{100, 100, 0}, {200, 400, 0}, {330, 120, 0}, {500, 450, 0}, {600, 90, 0}},
                        2,
                        {0, 0, 0, 1, 1, 2, 2, 2}};
    const Point3 q = through.at(1.0f);
    EXPECT_NEAR(q.x, 330, 1e-3f);
    EXPECT_NEAR(q.y, 120, 1e-3f);
}

TEST(Bspline, SamplesCoverTheDomainAndTheAnimationItsInside) {
    // Default knots of n = 5, d = 2 (0 0 0 1 2 3 3 3); points at their Greville
    // abscissae 0, 0.5, 1.5, 2.5, 3 make the curve the line (100 + 100u, 200 + 50u).
    const std::vector<float> xi = {0, 0.5f, 1.5f, 2.5f, 3};
    std::vector<Point3> pts;
    for (float g : xi) {
        pts.push_back({100 + 100 * g, 200 + 50 * g, 0});
    }
    const Curve curve{pts, 2, clamped(5, 2)};
    std::vector<Point3> samples(bsplineCurveSamples);
    sampleBsplineCurve(curve.view(), samples.data());
    // 128 samples at k / 128 of the domain: its far end is not sampled.
    for (int k = 0; k < 128; ++k) {
        const float u = 3.0f * static_cast<float>(k) / 128.0f;
        EXPECT_NEAR(samples[k].x, 100 + 100 * u, 0.01f) << k;
        EXPECT_NEAR(samples[k].y, 200 + 50 * u, 0.01f) << k;
    }
    // The animation's parameter maps 0..1 onto the domain 0..3; only the inside is marked.
    struct Case {
        float animT, u;
        bool inside;
    };
    const Case cases[] = {
        {0.5f, 1.5f, true}, {0.0f, 0.0f, false}, {1.0f, 3.0f, false}, {-1.0f, -3.0f, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(bsplineParameter(curve.view(), c.animT), c.u) << c.animT;
        EXPECT_EQ(insideBsplineDomain(curve.view(), c.u), c.inside) << c.animT;
    }
    EXPECT_TRUE(insideBsplineDomain(curve.view(), 0.001f));
    const Point3 marked = curve.at(1.5f);
    EXPECT_NEAR(marked.x, 250, 0.01);
    EXPECT_NEAR(marked.y, 275, 0.01);
}

TEST(Bspline, NothingIsReadWithoutAValidKnotList) {
    struct Case {
        const char* what;
        int n, d, m;
    };
    const Case cases[] = {
        {"empty list", 4, 1, 0},
        {"list of another degree (reload)", 5, 2, 6},
        {"list of another point count", 5, 1, 8},
        {"degree not below the point count", 3, 3, 7},
        {"no points", 0, 0, 1},
        {"over capacity", 129, 1, 131},
        {"negative count", -2, 1, 0},
        {"negative degree", 4, -1, 4},
        {"huge degree", 4, INT_MAX, 127},
        {"huge knot count", 4, 1, 100000},
    };
    std::vector<Point3> points(maxPoints);
    std::vector<float> knots(maxPoints);
    for (int i = 0; i < maxPoints; ++i) {
        points[i] = {100.0f + static_cast<float>(i), 100, 0};
        knots[i] = static_cast<float>(i);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const BsplineView curve{points.data(), c.n, knots.data(), c.m, c.d};
        EXPECT_FALSE(bsplineDefined(curve));
        EXPECT_FALSE(insideBsplineDomain(curve, 1.5f));
        const Point3 p = evalBspline(curve, 1.5f);
        EXPECT_EQ(p.x, 0.0f);
        EXPECT_EQ(p.y, 0.0f);
        std::vector<Point3> samples(bsplineCurveSamples, Point3{7, 7, 7});
        sampleBsplineCurve(curve, samples.data());
        EXPECT_EQ(samples[0].x, 7.0f);
    }
}

}  // namespace
