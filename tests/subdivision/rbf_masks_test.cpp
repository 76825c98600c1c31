#include "subdivision/rbf_masks.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "curves/rbf.hpp"

namespace {

class RbfMaskTest : public ::testing::Test {
  protected:
    void SetUp() override { appState = AppState{}; }
    void TearDown() override { appState = AppState{}; }
};

// Weight of each stencil point in the value at tau, read off the table as
// the inverse of the local system: w_k = sum_m v_m M[m][d+1+k].
std::vector<double> maskWeights(float tau) {
    const AppState& s = appState;
    const int d = s.polyDegree;
    std::vector<double> w(static_cast<size_t>(s.rbfStencilSize), 0.0);
    for (int k = 0; k < s.rbfStencilSize; ++k) {
        for (int m = 0; m <= d; ++m) {
            w[static_cast<size_t>(k)] += std::pow(tau, m) * s.rbfMaskTable[m][d + 1 + k];
        }
        for (int j = 0; j < s.rbfStencilSize; ++j) {
            w[static_cast<size_t>(k)] += rbfBasis(s.basisKind, tau - s.extendedKnots[j], s.shapeR) *
                                         s.rbfMaskTable[d + 1 + j][d + 1 + k];
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

TEST_F(RbfMaskTest, WeightsOfKnownStencils) {
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
        appState = AppState{};
        appState.basisKind = c.basis;
        appState.polyDegree = c.degree;
        appState.shapeR = c.r;
        appState.rbfStencilSize = static_cast<int>(c.stencil.size());
        for (size_t k = 0; k < c.stencil.size(); ++k) {
            appState.extendedKnots[k] = c.stencil[k];
        }
        buildRbfMaskTable();
        const float tau = (c.stencil.front() + c.stencil.back()) / 2;
        const std::vector<double> w = maskWeights(tau);
        for (size_t k = 0; k < w.size(); ++k) {
            EXPECT_NEAR(w[k], c.expected[k], 2e-5) << c.name << " weight " << k;
        }
    }
}

TEST_F(RbfMaskTest, TouchesOnlyItsSquare) {
    const float sentinel = 42.0f;
    appState.extendedKnots[0] = -1;
    appState.extendedKnots[1] = 0;
    appState.extendedKnots[2] = 1;
    appState.extendedKnots[3] = 2;
    // N = 6: row 6 and column 6 are outside.
    appState.rbfMaskTable[6][0] = sentinel;
    appState.rbfMaskTable[0][6] = sentinel;
    buildRbfMaskTable();
    EXPECT_EQ(appState.rbfMaskTable[6][0], sentinel);
    EXPECT_EQ(appState.rbfMaskTable[0][6], sentinel);

    // A system larger than the table is not built at all.
    appState.polyDegree = maxPoints;
    appState.rbfMaskTable[0][0] = sentinel;
    buildRbfMaskTable();
    EXPECT_EQ(appState.rbfMaskTable[0][0], sentinel);
}

TEST_F(RbfMaskTest, SingularSystemsStillFillTheTableAndTheTrace) {
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
    const float sentinel = 42.0f;
    for (const Singular& c : cases) {
        appState = AppState{};
        for (int k = 0; k < 4; ++k) {
            appState.extendedKnots[static_cast<size_t>(k)] = static_cast<float>(k);
        }
        appState.polyDegree = c.degree;
        appState.basisKind = c.basis;
        appState.shapeR = c.r;
        const int n = 4 + c.degree + 1;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                appState.rbfMaskTable[i][j] = sentinel;
            }
        }
        std::FILE* trace = std::tmpfile();
        ASSERT_NE(trace, nullptr);
        appState.traceEnabled = true;
        appState.traceFile = trace;
        testing::internal::CaptureStdout();
        buildRbfMaskTable();
        const std::string console = testing::internal::GetCapturedStdout();
        appState.traceEnabled = false;
        appState.traceFile = nullptr;

        // Both blocks, before and after the failed solve, appear in full.
        std::rewind(trace);
        int lines = 0;
        for (int ch = std::fgetc(trace); ch != EOF; ch = std::fgetc(trace)) {
            lines += ch == '\n' ? 1 : 0;
        }
        std::fclose(trace);
        EXPECT_EQ(lines, 2 * n) << c.what;
        EXPECT_EQ(static_cast<int>(std::count(console.begin(), console.end(), '\n')), 2 * n)
            << c.what;

        // The partly reduced matrix still lands in the table.
        int written = 0;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                written += appState.rbfMaskTable[i][j] != sentinel ? 1 : 0;
            }
        }
        EXPECT_EQ(written, n * n) << c.what;
    }
}

}  // namespace
