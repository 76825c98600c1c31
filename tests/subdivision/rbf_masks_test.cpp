#include "subdivision/rbf_masks.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "curves/rbf.hpp"
#include "support/file_text.hpp"

namespace {

// Weight of each stencil point in the value at tau, read off the table as
// the inverse of the local system: w_k = sum_m v_m M[m][d+1+k].
std::vector<double> maskWeights(const RbfMaskTable& table, const std::vector<float>& stencil, int d,
                                BasisKind basis, float r, float tau) {
    const int size = static_cast<int>(stencil.size());
    std::vector<double> w(stencil.size(), 0.0);
    for (int k = 0; k < size; ++k) {
        for (int m = 0; m <= d; ++m) {
            w[static_cast<size_t>(k)] += std::pow(tau, m) * table[m][d + 1 + k];
        }
        for (int j = 0; j < size; ++j) {
            w[static_cast<size_t>(k)] += rbfBasis(basis, tau - stencil[static_cast<size_t>(j)], r) *
                                         table[d + 1 + j][d + 1 + k];
        }
    }
    return w;
}

struct MaskCase {
    const char* name;
    BasisKind basis;
    int degree;
    float r;
    std::vector<float> stencil;
    std::vector<double> expected;  // worked out from the interpolation conditions in double
};

TEST(RbfMask, WeightsOfKnownStencils) {
    const std::vector<double> mq1{-0.092129, 0.592129, 0.592129, -0.092129};
    const std::vector<double> cubic{-0.0625, 0.5625, 0.5625, -0.0625};
    const std::vector<MaskCase> cases{
        {"mq1", BasisKind::Mq1, 1, 1.0f, {-1, 0, 1, 2}, mq1},
        {"mq3", BasisKind::Mq3, 1, 1.0f, {-1, 0, 1, 2}, {-0.074545, 0.574545, 0.574545, -0.074545}},
        {"gs",
         BasisKind::Gaussian,
         1,
         1.0f,
         {-1, 0, 1, 2},
         {-0.114413, 0.614413, 0.614413, -0.114413}},
        {"rbf6 mq1",
         BasisKind::Mq1,
         1,
         1.0f,
         {-2, -1, 0, 1, 2, 3},
         {0.029929, -0.137477, 0.607547, 0.607547, -0.137477, 0.029929}},
        // Halving spacing and r together scales the multiquadric by 1/2 only.
        {"mq1 half spacing", BasisKind::Mq1, 1, 0.5f, {-0.5f, 0, 0.5f, 1}, mq1},
        {"mq1 shifted", BasisKind::Mq1, 1, 1.0f, {10, 11, 12, 13}, mq1},
        // With d = 2 or 3 the four moment conditions leave only the cubic.
        {"d2 mq1", BasisKind::Mq1, 2, 1.0f, {-1, 0, 1, 2}, cubic},
        {"d2 gs", BasisKind::Gaussian, 2, 1.0f, {-1, 0, 1, 2}, cubic},
        {"d3 mq3", BasisKind::Mq3, 3, 1.0f, {-1, 0, 1, 2}, cubic},
        {"d3 mq1", BasisKind::Mq1, 3, 1.0f, {-1, 0, 1, 2}, cubic},
    };
    for (const MaskCase& c : cases) {
        RbfMaskTable table{};
        ASSERT_EQ(buildRbfMaskTable(c.stencil.data(), static_cast<int>(c.stencil.size()), c.degree,
                                    c.basis, c.r, TraceSink{}, table),
                  MaskTableStatus::Inverted)
            << c.name;
        const float tau = (c.stencil.front() + c.stencil.back()) / 2;
        const std::vector<double> w = maskWeights(table, c.stencil, c.degree, c.basis, c.r, tau);
        for (size_t k = 0; k < w.size(); ++k) {
            EXPECT_NEAR(w[k], c.expected[k], 2e-5) << c.name << " weight " << k;
        }
    }
}

TEST(RbfMask, TouchesOnlyItsSquare) {
    const double sentinel = 42.0;
    const float stencil[4] = {-1, 0, 1, 2};
    RbfMaskTable table{};
    // N = 6: row 6 and column 6 are outside.
    table[6][0] = sentinel;
    table[0][6] = sentinel;
    EXPECT_EQ(buildRbfMaskTable(stencil, 4, 1, BasisKind::Mq1, 1.0f, TraceSink{}, table),
              MaskTableStatus::Inverted);
    EXPECT_EQ(table[6][0], sentinel);
    EXPECT_EQ(table[0][6], sentinel);

    // A system larger than the table is not built at all.
    table[0][0] = sentinel;
    for (int degree : {maxStencilSystem - 4, maxPoints, -1}) {
        EXPECT_EQ(buildRbfMaskTable(stencil, 4, degree, BasisKind::Mq1, 1.0f, TraceSink{}, table),
                  MaskTableStatus::NoRoom)
            << degree;
        EXPECT_EQ(table[0][0], sentinel) << degree;
    }
}

TEST(RbfMask, SingularSystemsAreReportedAndStillTraced) {
    struct Singular {
        const char* what;
        int degree;
        BasisKind basis;
        float r;
    };
    const Singular cases[] = {
        {"five monomials on four points", 4, BasisKind::Mq1, 1.0f},
        {"a flat basis: gs with r = 0 makes every phi 1", 1, BasisKind::Gaussian, 0.0f},
    };
    const double sentinel = 42.0;
    const float stencil[4] = {0, 1, 2, 3};
    for (const Singular& c : cases) {
        const int n = 4 + c.degree + 1;
        RbfMaskTable table{};
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                table[i][j] = sentinel;
            }
        }
        std::FILE* file = std::tmpfile();
        std::FILE* console = std::tmpfile();
        ASSERT_NE(file, nullptr);
        ASSERT_NE(console, nullptr);
        EXPECT_EQ(
            buildRbfMaskTable(stencil, 4, c.degree, c.basis, c.r, TraceSink{file, console}, table),
            MaskTableStatus::Singular)
            << c.what;
        const std::string fileText = tvtest::fileText(file);
        const std::string consoleText = tvtest::fileText(console);
        std::fclose(file);
        std::fclose(console);

        // Both blocks, before and after the failed solve, appear in full.
        EXPECT_EQ(static_cast<int>(std::count(fileText.begin(), fileText.end(), '\n')), 2 * n)
            << c.what;
        EXPECT_EQ(consoleText, fileText) << c.what;

        // The partly reduced matrix still lands in the table.
        int written = 0;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                written += table[i][j] != sentinel ? 1 : 0;
            }
        }
        EXPECT_EQ(written, n * n) << c.what;
    }
}

}  // namespace
