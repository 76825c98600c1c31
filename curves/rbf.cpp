#include "curves/rbf.hpp"

#include <array>
#include <cmath>
#include <cstring>

#include "numeric/matrix.hpp"

namespace {

// The system matrix depends on the centres, the degree, the basis and its
// shape, never on the points: a point drag re-solves with the same matrix.
// Its inverse (the columns of the point rows) is kept until one of those
// changes. This is a memo of a pure function, not editor state: the
// coefficients are the same whether it is found or built.
struct KeptInverse {
    int count = -1;  // -1: nothing kept
    int degree = 0;
    BasisKind basis = BasisKind::Mq1;
    float shape = 0.0f;
    std::array<float, maxPoints> centres{};
    std::array<double, maxPoints * maxPoints> columns{};

    // Entry j - 1 of row(i) is A^-1[i][d + 1 + j].
    const double* row(int i) const { return &columns[static_cast<size_t>((i - 1) * maxPoints)]; }

    bool holds(const float* t, int n, int d, BasisKind kind, float r) const {
        return count == n && degree == d && basis == kind &&
               std::memcmp(&shape, &r, sizeof shape) == 0 &&
               std::memcmp(centres.data(), t, sizeof(float) * static_cast<size_t>(n)) == 0;
    }
};

KeptInverse keptInverse;

const KeptInverse& inverseOfSystem(const float* t, int n, int d, BasisKind kind, float r) {
    KeptInverse& k = keptInverse;
    if (k.holds(t, n, d, kind, r)) {
        return k;
    }
    const int size = n + d + 1;
    double** a = allocRealMatrix(1, size, 1, size);
    fillRbfSystem(a, t, n, d, kind, r);
    // Only the inverse left in A is used. Gauss-Jordan chooses its pivots and
    // reduces A without ever reading the right-hand sides, so none are passed.
    // A singular system leaves a partly reduced matrix; the curve drawn from it
    // is meaningless until the next solve, and nothing else depends on it.
    solveGaussJordan(a, size, nullptr, 0);
    for (int i = 1; i <= size; ++i) {
        for (int j = 1; j <= n; ++j) {
            k.columns[static_cast<size_t>((i - 1) * maxPoints + (j - 1))] = a[i][d + 1 + j];
        }
    }
    freeRealMatrix(a, 1, size, 1, size);
    k.count = n;
    k.degree = d;
    k.basis = kind;
    k.shape = r;
    std::memcpy(k.centres.data(), t, sizeof(float) * static_cast<size_t>(n));
    return k;
}

}  // namespace

double rbfBasis(BasisKind kind, float x, float r) {
    const double xd = x;
    const double c = rbfBasisScale;
    const double rd = r;
    switch (kind) {
        case BasisKind::Mq1:
            return std::sqrt(xd * xd + c * c * rd * rd);
        case BasisKind::Mq3:
            return std::pow(xd * xd + c * c * rd * rd, 1.5);
        case BasisKind::Gaussian:
            break;
    }
    // r enters the Gaussian linearly, the multiquadrics squared.
    return std::exp(-rd * xd * xd);
}

// Written so that no degree, however large, overflows the sum.
bool rbfSystemFits(int n, int degree) {
    return n >= 0 && n <= maxPoints && degree >= 0 && degree <= maxPoints - 1 - n;
}

void fillRbfSystem(double** a, const float* centres, int count, int degree, BasisKind kind,
                   float shape) {
    // Rows 1..d+1 are the moment conditions sum_i lambda_i t_i^k = 0; row
    // d+1+i makes the interpolant take the i-th data value at t[i-1]. The
    // matrix is symmetric; the top-left block stays zero.
    const int d = degree;
    for (int i = 1; i <= count; ++i) {
        for (int j = 1; j <= d + 1; ++j) {
            a[j][d + 1 + i] = std::pow(static_cast<double>(centres[i - 1]), j - 1);
        }
    }
    for (int i = 1; i <= count; ++i) {
        for (int j = 1; j <= d + 1; ++j) {
            a[d + 1 + i][j] = std::pow(static_cast<double>(centres[i - 1]), j - 1);
        }
        for (int j = 1; j <= count; ++j) {
            a[d + 1 + i][d + 1 + j] = rbfBasis(kind, centres[j - 1] - centres[i - 1], shape);
        }
    }
}

void solveRbf(const Point3* points, const float* centres, int n, int degree, BasisKind kind,
              float shape, RbfCoefficients& coefficients) {
    if (!rbfSystemFits(n, degree)) {
        return;
    }
    const int size = n + degree + 1;
    const KeptInverse& inverse = inverseOfSystem(centres, n, degree, kind, shape);

    // The right-hand side is [0 (d+1 times); points], so only the columns of
    // the point rows contribute.
    for (int i = 1; i <= size; ++i) {
        const double* row = inverse.row(i);
        for (int c = 0; c < dimension; ++c) {
            float sum = 0.0f;
            for (int j = 1; j <= n; ++j) {
                sum = static_cast<float>(sum + row[j - 1] * points[j - 1][c]);
            }
            coefficients[i - 1][c] = sum;
        }
    }
}

Point3 evalRbf(const RbfCoefficients& coefficients, const float* centres, int n, int degree,
               BasisKind kind, float shape, float u) {
    Point3 out;
    if (!rbfSystemFits(n, degree)) {
        return out;
    }
    for (int a = 0; a <= degree; ++a) {
        const double power = std::pow(static_cast<double>(u), a);
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + power * coefficients[a][c]);
        }
    }
    for (int i = 0; i < n; ++i) {
        const double phi = rbfBasis(kind, u - centres[i], shape);
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + phi * coefficients[degree + 1 + i][c]);
        }
    }
    return out;
}
