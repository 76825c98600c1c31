#include "curves/knot_insertion.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Vec2 {
    double x, y;
};

// B-spline of degree d over knots t at u, by the Cox-de Boor recursion in
// double precision (half-open spans, empty spans contribute nothing).
double basis(const std::vector<double>& t, int i, int d, double u) {
    if (d == 0) {
        return t[static_cast<size_t>(i)] <= u && u < t[static_cast<size_t>(i) + 1] ? 1.0 : 0.0;
    }
    const double ti = t[static_cast<size_t>(i)];
    const double tid = t[static_cast<size_t>(i + d)];
    const double ti1 = t[static_cast<size_t>(i + 1)];
    const double tid1 = t[static_cast<size_t>(i + d + 1)];
    double value = 0;
    if (tid != ti) {
        value += (u - ti) / (tid - ti) * basis(t, i, d - 1, u);
    }
    if (tid1 != ti1) {
        value += (tid1 - u) / (tid1 - ti1) * basis(t, i + 1, d - 1, u);
    }
    return value;
}

// A B-spline as plain lists: degree, control points and knots.
struct Spline {
    int degree = 0;
    std::vector<Vec2> points;
    std::vector<float> knots;
};

Vec2 curvePoint(const Spline& s, double u) {
    const std::vector<double> t(s.knots.begin(), s.knots.end());
    Vec2 sum{0, 0};
    for (size_t i = 0; i < s.points.size(); ++i) {
        const double b = basis(t, static_cast<int>(i), s.degree, u);
        sum.x += b * s.points[i].x;
        sum.y += b * s.points[i].y;
    }
    return sum;
}

// Samples of the curve over its domain [t[d], t[n]), knots included.
std::vector<Vec2> sampleCurve(const Spline& s) {
    const double lo = s.knots[static_cast<size_t>(s.degree)];
    const double hi = s.knots[s.points.size()];
    std::vector<Vec2> out;
    for (int k = 0; k < 400; ++k) {
        out.push_back(curvePoint(s, lo + (hi - lo) * k / 400.0));
    }
    return out;
}

// Boehm's rule at knot index, with the result read back into lists.
std::optional<Spline> insertAt(const Spline& s, int index) {
    std::vector<Point3> points;
    for (const Vec2& p : s.points) {
        points.push_back({static_cast<float>(p.x), static_cast<float>(p.y), 0});
    }
    const std::optional<KnotInsertion> inserted =
        insertKnot(points.data(), static_cast<int>(points.size()), s.knots.data(),
                   static_cast<int>(s.knots.size()), s.degree, index);
    if (!inserted) {
        return std::nullopt;
    }
    Spline out{s.degree, {}, {}};
    for (int i = 0; i < inserted->pointCount; ++i) {
        out.points.push_back({inserted->points[i].x, inserted->points[i].y});
    }
    out.knots.assign(inserted->knots.begin(), inserted->knots.begin() + inserted->knotCount);
    return out;
}

void expectSameCurve(const std::vector<Vec2>& after, const std::vector<Vec2>& before,
                     const std::string& what) {
    ASSERT_EQ(after.size(), before.size()) << what;
    for (size_t k = 0; k < before.size(); ++k) {
        EXPECT_NEAR(after[k].x, before[k].x, 1e-3) << what << " sample " << k;
        EXPECT_NEAR(after[k].y, before[k].y, 1e-3) << what << " sample " << k;
    }
}

const std::vector<Vec2> fourPoints = {{100, 100}, {300, 400}, {500, 150}, {700, 450}};

TEST(KnotInsertion, InsertsTheWorkedExamples) {
    const Vec2 p0 = fourPoints[0], p1 = fourPoints[1], p2 = fourPoints[2], p3 = fourPoints[3];
    struct Case {
        int degree;
        std::vector<float> knots;
        int active;
        std::vector<Vec2> points;
        std::vector<float> knotsAfter;
    };
    const Case cases[] = {
        {1, {0, 0, 1, 2, 3, 3}, 2, {p0, p1, p1, p2, p3}, {0, 0, 1, 1, 2, 3, 3}},
        {2, {0, 0, 0, 1, 2, 2, 2}, 3, {p0, p1, {400, 275}, p2, p3}, {0, 0, 0, 1, 1, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        const std::optional<Spline> after = insertAt({c.degree, fourPoints, c.knots}, c.active);
        ASSERT_TRUE(after.has_value()) << "degree " << c.degree;
        ASSERT_EQ(after->points.size(), c.points.size());
        for (size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_FLOAT_EQ(static_cast<float>(after->points[i].x),
                            static_cast<float>(c.points[i].x))
                << "degree " << c.degree << " point " << i;
            EXPECT_FLOAT_EQ(static_cast<float>(after->points[i].y),
                            static_cast<float>(c.points[i].y))
                << "degree " << c.degree << " point " << i;
        }
        EXPECT_EQ(after->knots, c.knotsAfter) << "degree " << c.degree;
    }
}

TEST(KnotInsertion, EachInsertionAddsOneMoreCopyAndKeepsTheCurve) {
    Spline spline{2,
                  {{80, 90}, {200, 500}, {330, 120}, {460, 470}, {590, 200}, {720, 380}},
                  {0, 0, 0, 1, 2, 3, 4, 4, 4}};
    const std::vector<Vec2> before = sampleCurve(spline);
    for (int press = 1; press <= 3; ++press) {
        const std::optional<Spline> after = insertAt(spline, 4);
        ASSERT_TRUE(after.has_value()) << "press " << press;
        spline = *after;
        ASSERT_EQ(spline.points.size(), static_cast<size_t>(6 + press));
        ASSERT_EQ(spline.knots.size(), static_cast<size_t>(9 + press));
        std::vector<float> want = {0, 0, 0, 1};
        want.insert(want.end(), static_cast<size_t>(press + 1), 2.0f);
        want.insert(want.end(), {3, 4, 4, 4});
        EXPECT_EQ(spline.knots, want) << "press " << press;
        expectSameCurve(sampleCurve(spline), before, "press " + std::to_string(press));
    }
}

TEST(KnotInsertion, CurveUnchangedAtEveryInteriorKnot) {
    const std::vector<Vec2> points = {{60, 300},  {150, 520}, {260, 80},  {380, 450},
                                      {470, 140}, {560, 560}, {650, 230}, {740, 400}};
    // A cubic over dragged, non-uniform knots, and a quadratic whose middle
    // knot already has full multiplicity, so one of Boehm's spans is empty.
    struct Case {
        int degree;
        int points;
        std::vector<float> knots;
    };
    const Case cases[] = {
        {3, 8, {0, 0, 0, 0, 0.7f, 1.1f, 2.5f, 2.6f, 4, 4, 4, 4}},
        {2, 6, {0, 0, 0, 1, 1, 1, 2, 2, 2}},
    };
    for (const Case& c : cases) {
        const Spline spline{c.degree, {points.begin(), points.begin() + c.points}, c.knots};
        const std::vector<Vec2> before = sampleCurve(spline);
        for (int s = c.degree + 1; s <= c.points; ++s) {
            const std::optional<Spline> after = insertAt(spline, s);
            ASSERT_TRUE(after.has_value()) << "s " << s;
            ASSERT_EQ(after->points.size(), static_cast<size_t>(c.points + 1)) << "s " << s;
            expectSameCurve(sampleCurve(*after), before,
                            "degree " + std::to_string(c.degree) + " s " + std::to_string(s));
        }
    }
}

TEST(KnotInsertion, RefusesOutsideTheSoundRange) {
    struct Case {
        const char* name;
        int index;
        int points;  // taken from a full polygon
        int knots;   // taken from a full list
    };
    // Degree 1 over the knots 0, 0, 1, 2, 3, 3 of four points.
    const Case cases[] = {
        {"no active knot", -1, 4, 6},        {"first knot", 0, 4, 6},
        {"clamped start", 1, 4, 6},          {"last knot, past the domain", 5, 4, 6},
        {"past the list", 6, 4, 6},          {"polygon full", 2, maxPoints, 6},
        {"knot list full", 2, 4, maxPoints}, {"knot list too short", 2, 4, 3},
    };
    ControlPolygon points{};
    std::array<float, maxPoints> knots{};
    const float start[6] = {0, 0, 1, 2, 3, 3};
    std::copy(start, start + 6, knots.begin());
    for (const Case& c : cases) {
        EXPECT_FALSE(insertKnot(points.data(), c.points, knots.data(), c.knots, 1, c.index))
            << c.name;
    }
    EXPECT_TRUE(insertKnot(points.data(), 4, knots.data(), 6, 1, 2));
}

}  // namespace
