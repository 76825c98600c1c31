#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "curves/rbf.hpp"
#include "numeric/matrix.hpp"

// solveRbf inverts its matrix without carrying an identity along as
// right-hand sides, and keeps the inverse while only the points change. The
// coefficients must be bit for bit those of the solve that builds and inverts
// the matrix afresh with the identity (kept here as the reference), for every
// basis, degree and size, also when the system is singular and only partly
// reduced, and after any sequence of edits.

namespace {

// Change of the shape parameter per press of < or >.
constexpr float shapeStep = 0.0125f;

// The inputs of one solve, as the editor holds them.
struct System {
    ControlPolygon controlPoints{};
    std::array<float, maxPoints> knots{};
    int pointCount = 0;
    int polyDegree = 1;
    BasisKind basisKind = BasisKind::Mq1;
    float shapeR = 1.0f;
    RbfCoefficients rbfCoefficients{};
    RbfSolveStatus status = RbfSolveStatus::NoRoom;

    void solve() {
        status = solveRbf(controlPoints.data(), knots.data(), pointCount, polyDegree, basisKind,
                          shapeR, rbfCoefficients);
    }
};

// The solve as first written: identity right-hand sides, then the products.
void referenceSolve(const System& s, RbfCoefficients& coefficients) {
    const int n = s.pointCount;
    const int d = s.polyDegree;
    const int size = n + d + 1;
    double** a = allocRealMatrix(1, size, 1, size);
    double** b = allocRealMatrix(1, size, 1, size);
    for (int i = 1; i <= size; ++i) {
        b[i][i] = 1.0;
    }
    fillRbfSystem(a, s.knots.data(), n, d, s.basisKind, s.shapeR);
    solveGaussJordan(a, size, b, size);
    for (int i = 1; i <= size; ++i) {
        for (int c = 0; c < dimension; ++c) {
            double sum = 0.0;
            for (int j = 1; j <= n; ++j) {
                sum += a[i][d + 1 + j] * static_cast<double>(s.controlPoints[j - 1][c]);
            }
            coefficients[i - 1][c] = sum;
        }
    }
    freeRealMatrix(b, 1, size, 1, size);
    freeRealMatrix(a, 1, size, 1, size);
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void expectSolveMatchesReference(System& s) {
    RbfCoefficients want{};
    referenceSolve(s, want);
    // Rows the solve does not write must not matter: start from other values.
    for (auto& p : s.rbfCoefficients) {
        p = {-1.0, -2.0, -3.0};
    }
    s.solve();
    const int rows = s.pointCount + s.polyDegree + 1;
    for (int i = 0; i < rows; ++i) {
        for (int k = 0; k < dimension; ++k) {
            ASSERT_TRUE(sameBits(s.rbfCoefficients[i][k], want[i][k]))
                << "row " << i << " coordinate " << k << ": " << s.rbfCoefficients[i][k]
                << " != " << want[i][k];
        }
    }
}

struct SolveCase {
    int n;
    int degree;
    BasisKind basis;
    float shape;
    bool repeatedCentres;  // as B-spline knots leave them: singular
};

TEST(RbfSolve, CoefficientsAreThoseOfTheSolveWithIdentity) {
    const SolveCase cases[] = {
        {1, 0, BasisKind::Mq1, 1.0f, false},   {2, 1, BasisKind::Mq1, 1.0f, false},
        {3, 1, BasisKind::Mq3, 0.5f, false},   {7, 3, BasisKind::Gaussian, 1.0f, false},
        {10, 0, BasisKind::Mq1, 0.0f, false},  {33, 2, BasisKind::Mq3, 2.25f, false},
        {64, 1, BasisKind::Mq1, 1.0f, false},  {64, 1, BasisKind::Gaussian, 0.0125f, false},
        {124, 3, BasisKind::Mq1, 1.0f, false}, {126, 1, BasisKind::Mq1, 1.0f, false},
        {126, 1, BasisKind::Mq3, 1.0f, false}, {127, 0, BasisKind::Gaussian, 1.0f, false},
        {1, 3, BasisKind::Mq1, 1.0f, false},   {20, 3, BasisKind::Mq1, 1.0f, true},
        {124, 3, BasisKind::Mq3, 0.75f, true},
    };
    std::uint32_t r = 12345;
    auto next = [&r] {
        r = r * 1664525u + 1013904223u;
        return static_cast<float>(r >> 8) / static_cast<float>(1u << 24);
    };
    for (const SolveCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "n " << c.n << " d " << c.degree << " basis " << static_cast<int>(c.basis)
                     << " repeated " << c.repeatedCentres);
        System s;
        s.pointCount = c.n;
        s.polyDegree = c.degree;
        s.basisKind = c.basis;
        s.shapeR = c.shape;
        for (int i = 0; i < c.n; ++i) {
            s.controlPoints[i] = {800 * next(), 600 * next(), 400 * next() - 200};
            s.knots[i] = c.repeatedCentres ? static_cast<float>(i / 4) / 3.0f
                                           : static_cast<float>(i) + 0.25f * next();
        }
        expectSolveMatchesReference(s);
    }
}

// Dragging points re-solves with the matrix it had; every other change must
// make a new one. Each step changes one thing in the same record.
TEST(RbfSolve, EveryChangeOfTheMatrixIsSeen) {
    System s;
    s.pointCount = 126;
    s.polyDegree = 1;
    for (int i = 0; i < 126; ++i) {
        s.controlPoints[i] = {static_cast<float>(100 + 5 * i),
                              static_cast<float>(300 + (i * 37) % 200),
                              static_cast<float>((i * 53) % 400 - 200)};
        s.knots[i] = static_cast<float>(i);
    }
    const std::function<void(System&)> steps[] = {
        [](System& /*r*/) {},
        [](System& r) { r.controlPoints[10].x += 7.0f; },
        [](System& r) {
            r.controlPoints[125] = {1.0f, 2.0f, 3.0f};
        },
        [](System& r) { r.shapeR = r.shapeR + shapeStep; },
        [](System& r) { r.shapeR = -0.0f; },
        [](System& r) { r.shapeR = 0.0f; },
        [](System& r) { r.basisKind = BasisKind::Mq3; },
        [](System& r) { r.basisKind = BasisKind::Gaussian; },
        [](System& r) { r.knots[64] = 63.5f; },
        [](System& r) { r.knots[0] = -0.0f; },
        [](System& r) { r.polyDegree = 0; },
        [](System& r) {
            r.polyDegree = 2;
            r.pointCount = 125;
        },
        [](System& r) { r.pointCount = 3; },
        [](System& r) { r.pointCount = 0; },
        [](System& r) {
            r.pointCount = 124;
            r.polyDegree = 3;
        },
        [](System& r) { r.controlPoints[0].y -= 50.0f; },
    };
    int step = 0;
    for (const auto& change : steps) {
        SCOPED_TRACE(testing::Message() << "step " << step++);
        change(s);
        expectSolveMatchesReference(s);
    }
}

}  // namespace
