// The masks the page plots: the weights a step gives the old points around a
// new one, as the step itself applies them and as its trace writes them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "subdivision/schemes.hpp"
#include "support/file_text.hpp"

namespace {

constexpr double tension = 0.0625;

std::vector<Point3> ring(int n) {
    std::vector<Point3> p;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n;
        p.push_back({static_cast<float>(400 + 230 * std::cos(a) + 17 * (i % 3)),
                     static_cast<float>(300 + 170 * std::sin(a)), static_cast<float>(i % 5)});
    }
    return p;
}

// The weights on the trace's first point line (after "  0 :").
std::vector<double> tracedWeights(const std::string& trace, int count) {
    const size_t at = trace.find("  0 :");
    std::vector<double> w;
    if (at == std::string::npos) {
        return w;
    }
    const char* p = trace.c_str() + at + 5;
    for (int k = 0; k < count; ++k) {
        char* end = nullptr;
        w.push_back(std::strtod(p, &end));
        p = end;
    }
    return w;
}

Point3 applyMask(const SubdivisionMask& mask, const std::vector<Point3>& p, int i) {
    const int n = static_cast<int>(p.size());
    double sum[3] = {0, 0, 0};
    for (int k = 0; k < mask.count; ++k) {
        const Point3& q = p[static_cast<size_t>(((i + mask.offsets[k]) % n + n) % n)];
        for (int c = 0; c < 3; ++c) {
            sum[c] += mask.weights[k] * q[c];
        }
    }
    return {static_cast<float>(sum[0]), static_cast<float>(sum[1]), static_cast<float>(sum[2])};
}

TEST(SchemeMasks, RbfMaskIsTheStepsFirstMaskAndSumsToOne) {
    struct Case {
        int size, degree;
        BasisKind kind;
        float shape;
        float spacing;
    };
    const Case cases[] = {
        {4, 1, BasisKind::Mq1, 1.0f, 1.0f},        {6, 1, BasisKind::Mq1, 1.0f, 1.0f},
        {4, 3, BasisKind::Mq3, 0.5f, 0.5f},        {6, 2, BasisKind::Gaussian, 1.0f, 1.0f},
        {4, 0, BasisKind::Gaussian, 0.25f, 0.25f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "S " << c.size << " d " << c.degree);
        const std::vector<Point3> p = ring(9);
        std::vector<float> t(9);
        for (size_t j = 0; j < t.size(); ++j) {
            t[j] = static_cast<float>(j) * c.spacing;
        }
        const RbfStencil stencil{c.size, c.degree, c.kind, c.shape};
        const SubdivisionMask mask = rbfMask(t.data(), 9, c.spacing, stencil);
        ASSERT_EQ(mask.count, c.size);
        double sum = 0;
        for (int k = 0; k < mask.count; ++k) {
            EXPECT_EQ(mask.offsets[k], k - (c.size / 2 - 1));
            sum += mask.weights[k];
        }
        EXPECT_NEAR(sum, 1.0, 1e-6);

        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        const std::optional<RefinedPolygon> refined =
            refineRbf(p.data(), t.data(), 9, c.spacing, stencil, TraceSink{file, nullptr});
        const std::string trace = tvtest::fileText(file);
        std::fclose(file);
        ASSERT_TRUE(refined.has_value());
        const std::vector<double> traced = tracedWeights(trace, c.size);
        ASSERT_EQ(static_cast<int>(traced.size()), c.size);
        for (int k = 0; k < c.size; ++k) {
            EXPECT_NEAR(mask.weights[k], traced[static_cast<size_t>(k)], 5e-5) << k;
        }
        // The mask gives the point the step inserted.
        const Point3 q = applyMask(mask, p, 0);
        for (int co = 0; co < 3; ++co) {
            EXPECT_NEAR(q[co], refined->points[1][co], 1e-3) << co;
        }
    }
    // The mq1 weights of rbf4 at unit spacing, worked out in double.
    std::vector<float> t = {0, 1, 2, 3, 4, 5};
    const SubdivisionMask mq1 = rbfMask(t.data(), 6, 1.0f, {4, 1, BasisKind::Mq1, 1.0f});
    EXPECT_NEAR(mq1.weights[0], -0.092129, 2e-6);
    EXPECT_NEAR(mq1.weights[1], 0.592129, 2e-6);
    // No mask where the step is refused.
    EXPECT_EQ(rbfMask(t.data(), 6, 1.0f, {4, 4, BasisKind::Mq1, 1.0f}).count, 0);
    EXPECT_EQ(rbfMask(t.data(), 6, 1.0f, {4, 1, BasisKind::Gaussian, 0.0f}).count, 0);
}

TEST(SchemeMasks, FourPointMasksGiveTheStepsPoints) {
    const std::vector<Point3> p = ring(11);
    const std::optional<RefinedPolygon> nr4 = refineFourPoint(p.data(), 11, tension);
    const std::optional<RefinedPolygon> unr4 = refineUnr4(p.data(), 11, tension);
    ASSERT_TRUE(nr4 && unr4);
    const SubdivisionMask mask = fourPointRule(SchemeRule::Interpolating, tension).masks[0];
    const std::array<SubdivisionMask, 2> masks =
        fourPointRule(SchemeRule::Approximating, tension).masks;
    for (const SubdivisionMask& m : {mask, masks[0], masks[1]}) {
        double sum = 0;
        for (int k = 0; k < m.count; ++k) {
            sum += m.weights[k];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12);
    }
    EXPECT_DOUBLE_EQ(mask.weights[0], -1.0 / 16.0);
    EXPECT_DOUBLE_EQ(mask.weights[1], 9.0 / 16.0);
    EXPECT_DOUBLE_EQ(masks[0].weights[0], -1.0 / 32.0);
    EXPECT_DOUBLE_EQ(masks[0].weights[1], 25.0 / 32.0);
    EXPECT_DOUBLE_EQ(masks[0].weights[2], 9.0 / 32.0);
    for (int i = 0; i < 11; ++i) {
        const Point3 a = applyMask(mask, p, i);
        const Point3 b = applyMask(masks[0], p, i);
        const Point3 c = applyMask(masks[1], p, i);
        for (int co = 0; co < 3; ++co) {
            EXPECT_NEAR(a[co], nr4->points[static_cast<size_t>(2 * i + 1)][co], 1e-3);
            EXPECT_NEAR(b[co], unr4->points[static_cast<size_t>(2 * i)][co], 1e-3);
            EXPECT_NEAR(c[co], unr4->points[static_cast<size_t>(2 * i + 1)][co], 1e-3);
        }
    }
}

}  // namespace
