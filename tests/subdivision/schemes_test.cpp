#include "subdivision/schemes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace {

struct Xy {
    double x, y;
};

// Symmetric rbf4 weights for mq1, r = 1, d = 1 at unit spacing, from the
// local interpolation conditions solved in double.
constexpr double mq1Outer = -0.092129;
constexpr double mq1Inner = 0.592129;
// Tension of NR4 and UNR4.
constexpr double tension = 0.0625;

using Refine = std::function<std::optional<RefinedPolygon>(const Point3*, int)>;

// Parameters 0, 1, 2, ... at unit spacing, as reload or the RBF command leave them.
std::optional<RefinedPolygon> rbf(const Point3* points, int n, int size, int degree = 1,
                                  BasisKind basis = BasisKind::Mq1, float shape = 1.0f) {
    std::vector<float> t(static_cast<size_t>(std::max(n, 1)));
    for (size_t i = 0; i < t.size(); ++i) {
        t[i] = static_cast<float>(i);
    }
    return refineRbf(points, t.data(), n, 1.0f, {size, degree, basis, shape}, TraceSink{});
}

std::optional<RefinedPolygon> rbf(const std::vector<Point3>& points, int size, int degree = 1,
                                  BasisKind basis = BasisKind::Mq1, float shape = 1.0f) {
    return rbf(points.data(), static_cast<int>(points.size()), size, degree, basis, shape);
}

struct Scheme {
    const char* name;
    Refine refine;

    std::optional<RefinedPolygon> operator()(const std::vector<Point3>& points) const {
        return refine(points.data(), static_cast<int>(points.size()));
    }
};

const std::vector<Scheme>& allSchemes() {
    static const std::vector<Scheme> schemes{
        {"rbf4", [](const Point3* p, int n) { return rbf(p, n, 4); }},
        {"rbf6", [](const Point3* p, int n) { return rbf(p, n, 6); }},
        {"NR4", [](const Point3* p, int n) { return refineFourPoint(p, n, tension); }},
        {"UNR4", [](const Point3* p, int n) { return refineUnr4(p, n, tension); }},
    };
    return schemes;
}

const std::vector<Point3> unitSquare{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

std::vector<Point3> circle(int n) {
    std::vector<Point3> points;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n;
        points.push_back({static_cast<float>(400 + 200 * std::cos(a)),
                          static_cast<float>(300 + 200 * std::sin(a)), static_cast<float>(i)});
    }
    return points;
}

void expectPolygon(const std::optional<RefinedPolygon>& refined, const std::vector<Xy>& expected,
                   double tolerance, const char* name) {
    ASSERT_TRUE(refined.has_value()) << name;
    ASSERT_EQ(refined->count, static_cast<int>(expected.size())) << name;
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_NEAR(refined->points[k].x, expected[k].x, tolerance) << name << " " << k;
        EXPECT_NEAR(refined->points[k].y, expected[k].y, tolerance) << name << " " << k;
    }
}

// The interpolatory four-point points of the unit square: corners kept, each
// inserted point 1/8 outside its edge midpoint.
const std::vector<Xy> squareFourPoint{{0, 0}, {0.5, -0.125}, {1, 0}, {1.125, 0.5},
                                      {1, 1}, {0.5, 1.125},  {0, 1}, {-0.125, 0.5}};

TEST(Subdivision, UnitSquareUnderEveryScheme) {
    expectPolygon(refineFourPoint(unitSquare.data(), 4, tension), squareFourPoint, 1e-7, "NR4");

    // Weights -1/32, 25/32, 9/32, -1/32 and their mirror image, two points per edge.
    const double a = 1.0 / 4, b = 3.0 / 4, out = 1.0 / 16;
    expectPolygon(refineUnr4(unitSquare.data(), 4, tension),
                  {{a, -out},
                   {b, -out},
                   {1 + out, a},
                   {1 + out, b},
                   {b, 1 + out},
                   {a, 1 + out},
                   {-out, b},
                   {-out, a}},
                  1e-6, "UNR4");

    const std::optional<RefinedPolygon> rbf4 = rbf(unitSquare, 4);
    const double bulge = 2 * mq1Inner;
    expectPolygon(rbf4,
                  {{0, 0},
                   {0.5, 2 * mq1Outer},
                   {1, 0},
                   {bulge, 0.5},
                   {1, 1},
                   {0.5, 1 - 2 * mq1Outer},
                   {0, 1},
                   {2 * mq1Outer, 0.5}},
                  1e-5, "rbf4");
    EXPECT_NEAR(rbf4->points[3].x, 1.18, 0.005);

    // With as many moment conditions as stencil points the RBF part vanishes
    // and the local interpolant is the cubic through the stencil.
    for (int degree : {2, 3}) {
        expectPolygon(rbf(unitSquare, 4, degree), squareFourPoint, 1e-5,
                      degree == 2 ? "rbf4 d=2" : "rbf4 d=3");
    }
}

TEST(Subdivision, LastEdgeClosesThePolygon) {
    // An irregular pentagon, so every stencil point shows in the result.
    const std::vector<Point3> pentagon{
        {100, 100, 1}, {300, 120, 2}, {350, 300, 4}, {200, 420, 8}, {60, 280, 16}};
    const Point3 &p0 = pentagon[0], &p1 = pentagon[1], &p3 = pentagon[3], &p4 = pentagon[4];
    const std::optional<RefinedPolygon> rbf4 = rbf(pentagon, 4);
    ASSERT_TRUE(rbf4.has_value());
    ASSERT_EQ(rbf4->count, 10);
    const Point3 q = rbf4->points[9];
    EXPECT_NEAR(q.x, mq1Outer * (p3.x + p1.x) + mq1Inner * (p4.x + p0.x), 1e-3);
    EXPECT_NEAR(q.y, mq1Outer * (p3.y + p1.y) + mq1Inner * (p4.y + p0.y), 1e-3);
    EXPECT_NEAR(q.z, mq1Outer * (p3.z + p1.z) + mq1Inner * (p4.z + p0.z), 1e-4);

    const std::optional<RefinedPolygon> nr4 = refineFourPoint(pentagon.data(), 5, tension);
    ASSERT_TRUE(nr4.has_value());
    EXPECT_FLOAT_EQ(nr4->points[9].x,
                    static_cast<float>(9.0 / 16 * (p4.x + p0.x) - 1.0 / 16 * (p3.x + p1.x)));
    EXPECT_FLOAT_EQ(nr4->points[8].x, p4.x);

    const std::optional<RefinedPolygon> unr4 = refineUnr4(pentagon.data(), 5, tension);
    ASSERT_TRUE(unr4.has_value());
    EXPECT_FLOAT_EQ(unr4->points[8].y,
                    static_cast<float>((25 * p4.y + 9 * p0.y - p3.y - p1.y) / 32.0));
    EXPECT_FLOAT_EQ(unr4->points[9].y,
                    static_cast<float>((9 * p4.y + 25 * p0.y - p3.y - p1.y) / 32.0));
}

TEST(Subdivision, RbfStencilsFollowTheGivenParameters) {
    // A circle over parameters 0, 0.5, 1, ... with r = 0.5: the same masks as
    // at unit spacing with r = 1, so the same polygon.
    const std::vector<Point3> points = circle(9);
    std::vector<float> half(points.size());
    for (size_t i = 0; i < half.size(); ++i) {
        half[i] = 0.5f * static_cast<float>(i);
    }
    const std::optional<RefinedPolygon> unit = rbf(points, 4);
    const std::optional<RefinedPolygon> halved =
        refineRbf(points.data(), half.data(), 9, 0.5f, {4, 1, BasisKind::Mq1, 0.5f}, TraceSink{});
    ASSERT_TRUE(unit.has_value() && halved.has_value());
    for (int k = 0; k < 18; ++k) {
        EXPECT_NEAR(halved->points[k].x, unit->points[k].x, 1e-3) << k;
        EXPECT_NEAR(halved->points[k].y, unit->points[k].y, 1e-3) << k;
    }
    // The last point's stencil wraps: t = 3.5, 4, then 4 + 0.5 and 4.5 + 0.5
    // for points 0 and 1, symmetric about 4.25 as an interior stencil is.
    EXPECT_NEAR(halved->points[17].x,
                mq1Outer * (points[7].x + points[1].x) + mq1Inner * (points[8].x + points[0].x),
                1e-2);
}

TEST(Subdivision, SixtyFourPointsAreTheLimit) {
    for (const Scheme& scheme : allSchemes()) {
        const std::optional<RefinedPolygon> full = scheme(circle(64));
        ASSERT_TRUE(full.has_value()) << scheme.name;
        EXPECT_EQ(full->count, 128) << scheme.name;
        EXPECT_FALSE(scheme(circle(65)).has_value()) << scheme.name;
    }
}

TEST(Subdivision, EmptyPolygonRefinesToEmpty) {
    for (const Scheme& scheme : allSchemes()) {
        const std::optional<RefinedPolygon> refined = scheme({});
        ASSERT_TRUE(refined.has_value()) << scheme.name;
        EXPECT_EQ(refined->count, 0) << scheme.name;
    }
}

TEST(Subdivision, ShortPolygonsWrapRoundAgain) {
    const Point3 a{100, 200, 3};
    const Point3 b{300, 400, 5};
    for (const Scheme& scheme : allSchemes()) {
        // Stale slots beyond the polygon must never be read: the schemes get
        // a full array whose tail is far away.
        const auto refineShort = [&scheme](const std::vector<Point3>& points) {
            ControlPolygon padded;
            padded.fill({1e6f, -1e6f, 1e6f});
            std::copy(points.begin(), points.end(), padded.begin());
            return scheme.refine(padded.data(), static_cast<int>(points.size()));
        };
        // One point: every stencil holds only that point, and every rule
        // reproduces constants.
        const std::optional<RefinedPolygon> one = refineShort({a});
        ASSERT_TRUE(one.has_value()) << scheme.name;
        ASSERT_EQ(one->count, 2) << scheme.name;
        for (int k = 0; k < 2; ++k) {
            EXPECT_NEAR(one->points[static_cast<size_t>(k)].x, a.x, 1e-3) << scheme.name;
            EXPECT_NEAR(one->points[static_cast<size_t>(k)].y, a.y, 1e-3) << scheme.name;
        }
        // Two points under the interpolating schemes: the stencils alternate
        // a, b, a, b, ... symmetrically about the midpoint, which is therefore inserted.
        if (std::strcmp(scheme.name, "UNR4") == 0) {
            continue;
        }
        const std::optional<RefinedPolygon> two = refineShort({a, b});
        ASSERT_TRUE(two.has_value()) << scheme.name;
        ASSERT_EQ(two->count, 4) << scheme.name;
        for (int k : {1, 3}) {
            EXPECT_NEAR(two->points[static_cast<size_t>(k)].x, 200.0, 1e-2) << scheme.name;
            EXPECT_NEAR(two->points[static_cast<size_t>(k)].z, 4.0, 1e-4) << scheme.name;
        }
    }
}

// A step that cannot be meaningful is refused whole: nothing comes out and
// the reason says which condition failed. d = S - 1 is the largest degree a
// stencil serves (the cubic's weights for rbf4, d = 3).
TEST(Subdivision, RbfRefusesStencilsItCannotServe) {
    struct Case {
        const char* what;
        int size;
        int degree;
        BasisKind basis;
        float shape;
        SubdivisionRefusal refusal;
    };
    const Case cases[] = {
        {"rbf4 at degree 3", 4, 3, BasisKind::Mq1, 1.0f, SubdivisionRefusal::None},
        {"rbf4 at degree 4", 4, 4, BasisKind::Mq1, 1.0f, SubdivisionRefusal::DegreeAboveStencil},
        {"rbf6 at degree 5", 6, 5, BasisKind::Gaussian, 1.0f, SubdivisionRefusal::None},
        {"rbf6 at degree 6", 6, 6, BasisKind::Mq3, 1.0f, SubdivisionRefusal::DegreeAboveStencil},
        {"64 unknowns", 4, 59, BasisKind::Mq1, 1.0f, SubdivisionRefusal::DegreeAboveStencil},
        {"65 unknowns", 4, 60, BasisKind::Mq1, 1.0f, SubdivisionRefusal::DegreeAboveStencil},
        {"flat basis: gs with r = 0", 4, 1, BasisKind::Gaussian, 0.0f,
         SubdivisionRefusal::SingularStencil},
        {"odd stencil", 5, 1, BasisKind::Mq1, 1.0f, SubdivisionRefusal::BadStencil},
        {"no stencil", 0, 1, BasisKind::Mq1, 1.0f, SubdivisionRefusal::BadStencil},
        {"stencil past the table", 34, 1, BasisKind::Mq1, 1.0f, SubdivisionRefusal::BadStencil},
        {"negative degree", 4, -1, BasisKind::Mq1, 1.0f, SubdivisionRefusal::BadStencil},
    };
    const float t[4] = {0, 1, 2, 3};
    for (const Case& c : cases) {
        SubdivisionRefusal refusal = SubdivisionRefusal::MaskSum;
        const std::optional<RefinedPolygon> refined =
            refineRbf(unitSquare.data(), t, 4, 1.0f, {c.size, c.degree, c.basis, c.shape},
                      TraceSink{}, &refusal);
        EXPECT_EQ(refusal, c.refusal) << c.what;
        ASSERT_EQ(refined.has_value(), c.refusal == SubdivisionRefusal::None) << c.what;
        if (refined) {
            EXPECT_EQ(refined->count, 8) << c.what;
        }
    }
}

}  // namespace
