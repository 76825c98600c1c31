#include "curves/rbf.hpp"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstring>

#include "numeric/matrix.hpp"

namespace {

constexpr int curveSegments = 128;

// Unknowns of the global system: the polynomial coefficients, then one weight per centre.
int unknownCount(int n) {
    return n + appState.polyDegree + 1;
}

// The system of n centres and degree d has n + d + 1 unknowns, one coefficient
// row each; it fits only when that count fits the 128 rows. Written so that no
// degree, however large, overflows the sum.
bool systemFits(int n) {
    const int d = appState.polyDegree;
    return n >= 0 && n <= maxPoints && d >= 0 && d <= maxPoints - 1 - n;
}

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

    bool holds(int n, int d, const AppState& s) const {
        return count == n && degree == d && basis == s.basisKind &&
               std::memcmp(&shape, &s.shapeR, sizeof shape) == 0 &&
               std::memcmp(centres.data(), s.knots.data(),
                           sizeof(float) * static_cast<size_t>(n)) == 0;
    }
};

KeptInverse keptInverse;

const KeptInverse& inverseOfSystem(int n, int d) {
    const AppState& s = appState;
    KeptInverse& k = keptInverse;
    if (k.holds(n, d, s)) {
        return k;
    }
    const int size = unknownCount(n);
    double** a = allocRealMatrix(1, size, 1, size);
    fillRbfSystem(a, s.knots.data(), n, d);
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
    k.basis = s.basisKind;
    k.shape = s.shapeR;
    std::memcpy(k.centres.data(), s.knots.data(), sizeof(float) * static_cast<size_t>(n));
    return k;
}

}  // namespace

double rbfBasis(float x, float r) {
    const double xd = x;
    const double c = AppState::basisScale;
    const double rd = r;
    switch (appState.basisKind) {
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

void fillRbfSystem(double** a, const float* centres, int count, int degree) {
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
            a[d + 1 + i][d + 1 + j] = rbfBasis(centres[j - 1] - centres[i - 1], appState.shapeR);
        }
    }
}

void solveRbfSystem() {
    AppState& s = appState;
    const int n = s.pointCount;
    const int d = s.polyDegree;
    if (!systemFits(n)) {
        return;
    }
    const int size = unknownCount(n);
    const KeptInverse& inverse = inverseOfSystem(n, d);

    // The right-hand side is [0 (d+1 times); control points], so only the
    // columns of the point rows contribute.
    for (int i = 1; i <= size; ++i) {
        const double* row = inverse.row(i);
        for (int c = 0; c < dimension; ++c) {
            float sum = 0.0f;
            for (int j = 1; j <= n; ++j) {
                sum = static_cast<float>(sum + row[j - 1] * s.controlPoints[j - 1][c]);
            }
            s.rbfCoefficients[i - 1][c] = sum;
        }
    }
}

void evalRbf(Point3& out, const float* t, float u, int n) {
    const AppState& s = appState;
    const int d = s.polyDegree;
    out = Point3{};
    if (!systemFits(n)) {
        return;
    }
    for (int a = 0; a <= d; ++a) {
        const double power = std::pow(static_cast<double>(u), a);
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + power * s.rbfCoefficients[a][c]);
        }
    }
    for (int i = 0; i < n; ++i) {
        const double phi = rbfBasis(u - t[i], s.shapeR);
        for (int c = 0; c < dimension; ++c) {
            out[c] = static_cast<float>(out[c] + phi * s.rbfCoefficients[d + 1 + i][c]);
        }
    }
}

void drawRbfCurve() {
    const AppState& s = appState;
    const int n = s.pointCount;
    // Without a solvable system in the store there is no interpolant to draw.
    if (n <= 0 || !systemFits(n)) {
        return;
    }
    const float* t = s.knots.data();
    glColor3f(toneA, 0.0f, 0.0f);
    glBegin(GL_LINE_STRIP);
    for (int k = 0; k <= curveSegments; ++k) {
        const float u =
            (t[n - 1] - t[0]) * static_cast<float>(k) / static_cast<float>(curveSegments);
        Point3 p;
        evalRbf(p, t, u, n);
        glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
}
