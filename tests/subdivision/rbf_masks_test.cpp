#include "subdivision/rbf_masks.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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
            w[static_cast<size_t>(k)] +=
                rbfBasis(tau - s.extendedKnots[j], s.shapeR) * s.rbfMaskTable[d + 1 + j][d + 1 + k];
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

TEST_F(RbfMaskTest, SingularSystemsDoNotStopTheBuild) {
    for (int k = 0; k < 4; ++k) {
        appState.extendedKnots[static_cast<size_t>(k)] = static_cast<float>(k);
    }
    appState.polyDegree = 4;  // five monomials on four points
    buildRbfMaskTable();
    appState.polyDegree = 1;
    appState.basisKind = BasisKind::Gaussian;
    appState.shapeR = 0.0f;  // every phi is 1
    buildRbfMaskTable();
    SUCCEED();
}

}  // namespace
