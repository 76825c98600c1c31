#include "curves/rbf.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "numeric/matrix.hpp"

namespace {

// The system matrix depends on the centres, the degree, the basis and its
// shape, never on the points: a point drag re-solves with the same matrix.
// Its inverse (the columns of the point rows), the solver's verdict and the
// point rows themselves (to check the interpolation conditions) are kept until
// one of those changes. This is a memo of a pure function, not editor state:
// the coefficients are the same whether it is found or built.
struct KeptInverse {
    int count = -1;  // -1: nothing kept
    int degree = 0;
    BasisKind basis = BasisKind::Mq1;
    float shape = 0.0f;
    bool singular = false;
    std::array<float, maxPoints> centres{};
    std::array<double, maxPoints * maxPoints> columns{};
    std::array<double, maxPoints * maxPoints> pointRows{};

    // Entry j - 1 of row(i) is A^-1[i][d + 1 + j].
    const double* row(int i) const { return &columns[static_cast<size_t>((i - 1) * maxPoints)]; }
    // Entry m - 1 of conditionRow(i) is A[d + 1 + i][m], the condition s(t[i - 1]) = p[i - 1].
    const double* conditionRow(int i) const {
        return &pointRows[static_cast<size_t>((i - 1) * maxPoints)];
    }

    bool holds(const float* t, int n, int d, BasisKind kind, float r) const {
        // No centres may come as a null pointer, which memcmp must not see.
        return count == n && degree == d && basis == kind &&
               std::memcmp(&shape, &r, sizeof shape) == 0 &&
               (n == 0 ||
                std::memcmp(centres.data(), t, sizeof(float) * static_cast<size_t>(n)) == 0);
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
    for (int i = 1; i <= n; ++i) {
        for (int m = 1; m <= size; ++m) {
            k.pointRows[static_cast<size_t>((i - 1) * maxPoints + (m - 1))] = a[d + 1 + i][m];
        }
    }
    // Only the inverse left in A is used. Gauss-Jordan chooses its pivots and
    // reduces A without ever reading the right-hand sides, so none are passed.
    // A singular system leaves a partly reduced matrix, which nothing uses.
    k.singular = solveGaussJordan(a, size, nullptr, 0) == 0;
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
    if (n > 0) {
        std::memcpy(k.centres.data(), t, sizeof(float) * static_cast<size_t>(n));
    }
    return k;
}

// The interpolation conditions: the solved interpolant at each centre, from
// the system's own rows, against the point it must pass through.
bool meetsItsPoints(const KeptInverse& system, const Point3* points, int n, int size,
                    const RbfCoefficients& coefficients) {
    for (int i = 1; i <= n; ++i) {
        const double* row = system.conditionRow(i);
        double squared = 0.0;
        for (int c = 0; c < dimension; ++c) {
            double value = 0.0;
            for (int m = 1; m <= size; ++m) {
                value += row[m - 1] * coefficients[m - 1][c];
            }
            const double miss = value - static_cast<double>(points[i - 1][c]);
            squared += miss * miss;
        }
        // Written so that a NaN misses too.
        if (!(squared <= rbfTolerance * rbfTolerance)) {
            return false;
        }
    }
    return true;
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

RbfSolveStatus solveRbf(const Point3* points, const float* centres, int n, int degree,
                        BasisKind kind, float shape, RbfCoefficients& coefficients) {
    if (!rbfSystemFits(n, degree)) {
        return RbfSolveStatus::NoRoom;
    }
    const int size = n + degree + 1;
    const KeptInverse& inverse = inverseOfSystem(centres, n, degree, kind, shape);

    // The right-hand side is [0 (d+1 times); points], so only the columns of
    // the point rows contribute.
    for (int i = 1; i <= size; ++i) {
        const double* row = inverse.row(i);
        double sum[dimension] = {0.0, 0.0, 0.0};
        for (int j = 1; j <= n; ++j) {
            for (int c = 0; c < dimension; ++c) {
                sum[c] += row[j - 1] * static_cast<double>(points[j - 1][c]);
            }
        }
        for (int c = 0; c < dimension; ++c) {
            coefficients[i - 1][c] = sum[c];
        }
    }
    // With more monomials than centres the moment conditions leave the
    // polynomial part undetermined; a solver may still find pivots in rounding noise.
    if (degree + 1 > n) {
        return RbfSolveStatus::TooFewCentres;
    }
    if (inverse.singular) {
        return RbfSolveStatus::Singular;
    }
    return meetsItsPoints(inverse, points, n, size, coefficients) ? RbfSolveStatus::Solved
                                                                  : RbfSolveStatus::Inexact;
}

Point3 evalRbf(const RbfCoefficients& coefficients, const float* centres, int n, int degree,
               BasisKind kind, float shape, float u) {
    Point3 out;
    if (!rbfSystemFits(n, degree)) {
        return out;
    }
    double sum[dimension] = {0.0, 0.0, 0.0};
    for (int a = 0; a <= degree; ++a) {
        const double power = std::pow(static_cast<double>(u), a);
        for (int c = 0; c < dimension; ++c) {
            sum[c] += power * coefficients[a][c];
        }
    }
    for (int i = 0; i < n; ++i) {
        const double phi = rbfBasis(kind, u - centres[i], shape);
        for (int c = 0; c < dimension; ++c) {
            sum[c] += phi * coefficients[degree + 1 + i][c];
        }
    }
    for (int c = 0; c < dimension; ++c) {
        out[c] = static_cast<float>(sum[c]);
    }
    return out;
}

bool rbfCardinals(const float* centres, int n, int degree, BasisKind kind, float shape, float u,
                  double* values) {
    if (!rbfSystemFits(n, degree) || degree + 1 > n) {
        return false;
    }
    const KeptInverse& inverse = inverseOfSystem(centres, n, degree, kind, shape);
    if (inverse.singular) {
        return false;
    }
    // Row m of the evaluation: u^m for the monomials, then phi(u - t[i]).
    std::fill(values, values + n, 0.0);
    const int size = n + degree + 1;
    for (int m = 1; m <= size; ++m) {
        const double v = m <= degree + 1 ? std::pow(static_cast<double>(u), m - 1)
                                         : rbfBasis(kind, u - centres[m - degree - 2], shape);
        const double* row = inverse.row(m);
        for (int j = 0; j < n; ++j) {
            values[j] += v * row[j];
        }
    }
    return true;
}
