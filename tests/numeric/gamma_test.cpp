#include <gtest/gtest.h>

#include <cmath>

#include "numeric/gamma.hpp"

namespace {

TEST(GammaAndBeta, LogGammaAtKnownPoints) {
    const double pi = std::acos(-1.0);
    EXPECT_NEAR(logGamma(1.0), 0.0, 1e-10);
    EXPECT_NEAR(logGamma(2.0), 0.0, 1e-10);
    EXPECT_NEAR(logGamma(5.0), std::log(24.0), 1e-9);
    EXPECT_NEAR(logGamma(0.5), std::log(std::sqrt(pi)), 1e-10);
    // Away from the tabulated points, against the library's own lgamma.
    for (double x : {0.01, 0.3, 1.7, 3.25, 10.0, 57.5, 200.0}) {
        EXPECT_NEAR(logGamma(x), std::lgamma(x), 1e-9 * std::max(1.0, std::fabs(std::lgamma(x))))
            << "x = " << x;
    }
}

TEST(GammaAndBeta, BetaAtKnownPoints) {
    EXPECT_NEAR(betaFunction(1.0, 1.0), 1.0, 1e-9);
    EXPECT_NEAR(betaFunction(2.0, 3.0), 1.0 / 12.0, 1e-9);
    EXPECT_NEAR(betaFunction(0.5, 0.5), std::acos(-1.0), 1e-9);
    // Symmetric in its arguments, as the weighted Gram matrix relies on.
    EXPECT_NEAR(betaFunction(0.25, 7.5), betaFunction(7.5, 0.25), 1e-15);
}

}  // namespace
