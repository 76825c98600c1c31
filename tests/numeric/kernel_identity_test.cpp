#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "numeric/matrix.hpp"

// multiplyMatrices sums eight entries side by side and solveGaussJordan
// eliminates two columns at a time and searches only the free columns for a
// pivot. Their results must be bit for bit those of the kernels as first
// written, kept here as the reference: one entry at a time, one column at a
// time, every column tested for use.

namespace {

void referenceMultiply(double** a, double** b, double** c, int rows, int inner, int cols) {
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= cols; ++j) {
            double sum = 0.0;
            for (int k = 1; k <= inner; ++k) {
                sum += a[i][k] * b[k][j];
            }
            c[i][j] = sum;
        }
    }
}

void swapValues(double& x, double& y) {
    const double t = x;
    x = y;
    y = t;
}

int referenceGaussJordan(double** a, int n, double** b, int m) {
    std::vector<int> pivotRow(n + 1), pivotColumn(n + 1), useCount(n + 1, 0);
    for (int i = 1; i <= n; ++i) {
        double biggest = 0.0;
        int row = 0;
        int col = 0;
        for (int j = 1; j <= n; ++j) {
            if (useCount[j] == 1) {
                continue;
            }
            for (int k = 1; k <= n; ++k) {
                if (useCount[k] == 0) {
                    if (std::fabs(a[j][k]) >= biggest) {
                        biggest = std::fabs(a[j][k]);
                        row = j;
                        col = k;
                    }
                } else if (useCount[k] > 1) {
                    return 0;
                }
            }
        }
        if (col == 0) {
            return 0;
        }
        ++useCount[col];
        if (row != col) {
            for (int l = 1; l <= n; ++l) {
                swapValues(a[row][l], a[col][l]);
            }
            for (int l = 1; l <= m; ++l) {
                swapValues(b[row][l], b[col][l]);
            }
        }
        pivotRow[i] = row;
        pivotColumn[i] = col;
        if (!(std::fabs(a[col][col]) >= 1e-20)) {
            return 0;
        }
        const double inversePivot = 1.0 / a[col][col];
        a[col][col] = 1.0;
        for (int l = 1; l <= n; ++l) {
            a[col][l] *= inversePivot;
        }
        for (int l = 1; l <= m; ++l) {
            b[col][l] *= inversePivot;
        }
        for (int r = 1; r <= n; ++r) {
            if (r == col) {
                continue;
            }
            const double d = a[r][col];
            a[r][col] = 0.0;
            for (int l = 1; l <= n; ++l) {
                a[r][l] -= a[col][l] * d;
            }
            for (int l = 1; l <= m; ++l) {
                b[r][l] -= b[col][l] * d;
            }
        }
    }
    for (int l = n; l >= 1; --l) {
        if (pivotRow[l] != pivotColumn[l]) {
            for (int k = 1; k <= n; ++k) {
                swapValues(a[k][pivotRow[l]], a[k][pivotColumn[l]]);
            }
        }
    }
    return 1;
}

// A one-based matrix from the kernel's allocator, released on scope exit.
class Matrix {
  public:
    Matrix(int rows, int cols) : rows_(rows), cols_(cols), m_(allocRealMatrix(1, rows, 1, cols)) {}
    Matrix(const Matrix& other) : Matrix(other.rows_, other.cols_) {
        for (int i = 1; i <= rows_; ++i) {
            std::memcpy(m_[i], other.m_[i], sizeof(double) * static_cast<size_t>(cols_ + 1));
        }
    }
    Matrix& operator=(const Matrix&) = delete;
    ~Matrix() { freeRealMatrix(m_, 1, rows_, 1, cols_); }
    double** get() const { return m_; }
    int rows() const { return rows_; }
    int cols() const { return cols_; }

  private:
    int rows_;
    int cols_;
    double** m_;
};

std::uint64_t bitsOf(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// First entry whose bits differ, or an empty string.
std::string firstDifference(const Matrix& x, const Matrix& y) {
    for (int i = 1; i <= x.rows(); ++i) {
        for (int j = 1; j <= x.cols(); ++j) {
            if (bitsOf(x.get()[i][j]) != bitsOf(y.get()[i][j])) {
                return "[" + std::to_string(i) + "][" + std::to_string(j) +
                       "]: " + std::to_string(x.get()[i][j]) + " vs " +
                       std::to_string(y.get()[i][j]);
            }
        }
    }
    return "";
}

// Entries spread over many magnitudes, with exact zeros of both signs and a
// few repeated values, so that pivot ties and cancellations occur.
Matrix randomMatrix(std::mt19937& rng, int rows, int cols) {
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_int_distribution<int> kind(0, 19);
    Matrix m(rows, cols);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= cols; ++j) {
            const int k = kind(rng);
            m.get()[i][j] = k == 0   ? 0.0
                            : k == 1 ? -0.0
                            : k == 2 ? 0.5
                            : k == 3 ? -0.5
                                     : std::ldexp(mantissa(rng), exponent(rng));
        }
    }
    return m;
}

void expectSameMultiply(const Matrix& a, const Matrix& b) {
    Matrix fast(a.rows(), b.cols());
    Matrix reference(a.rows(), b.cols());
    multiplyMatrices(a.get(), b.get(), fast.get(), a.rows(), a.cols(), b.cols());
    referenceMultiply(a.get(), b.get(), reference.get(), a.rows(), a.cols(), b.cols());
    EXPECT_EQ(firstDifference(fast, reference), "")
        << a.rows() << " x " << a.cols() << " times " << b.rows() << " x " << b.cols();
}

void expectSameSolve(const Matrix& a, const Matrix& b, const char* what) {
    Matrix fastA(a);
    Matrix fastB(b);
    Matrix refA(a);
    Matrix refB(b);
    const int n = a.rows();
    const int m = b.cols();
    const int fast = solveGaussJordan(fastA.get(), n, m > 0 ? fastB.get() : nullptr, m);
    const int reference = referenceGaussJordan(refA.get(), n, refB.get(), m);
    EXPECT_EQ(fast, reference) << what << ", n = " << n << ", m = " << m;
    EXPECT_EQ(firstDifference(fastA, refA), "") << what << ", n = " << n << ", m = " << m;
    EXPECT_EQ(firstDifference(fastB, refB), "") << what << ", n = " << n << ", m = " << m;
}

TEST(KernelIdentity, ProductsMatchOneEntryAtATime) {
    std::mt19937 rng(7);
    // Every width around the blocks of eight, and the reduction's own shapes.
    for (int cols = 1; cols <= 19; ++cols) {
        expectSameMultiply(randomMatrix(rng, 3, 5), randomMatrix(rng, 5, cols));
    }
    expectSameMultiply(randomMatrix(rng, 127, 128), randomMatrix(rng, 128, 128));
    expectSameMultiply(randomMatrix(rng, 127, 128), randomMatrix(rng, 128, 127));
    expectSameMultiply(randomMatrix(rng, 127, 127), randomMatrix(rng, 127, 128));
    expectSameMultiply(randomMatrix(rng, 1, 1), randomMatrix(rng, 1, 1));
}

TEST(KernelIdentity, ProductsCarryInfinitiesNansAndZeroSigns) {
    std::mt19937 rng(11);
    Matrix a = randomMatrix(rng, 4, 6);
    Matrix b = randomMatrix(rng, 6, 17);
    const double inf = std::numeric_limits<double>::infinity();
    a.get()[1][2] = inf;   // inf times the zeros of b's row 2 gives NaN
    a.get()[2][3] = -0.0;  // -0 products in a sum that starts from +0
    a.get()[3][1] = std::numeric_limits<double>::quiet_NaN();
    b.get()[2][9] = 0.0;
    b.get()[5][16] = -inf;
    b.get()[4][1] = std::numeric_limits<double>::denorm_min();
    // A row of -0: every product is -0, and a sum started from +0 stays +0.
    for (int k = 1; k <= 6; ++k) {
        a.get()[4][k] = -0.0;
        b.get()[k][2] = 1.0;
    }
    expectSameMultiply(a, b);
}

TEST(KernelIdentity, InversesAndSolutionsMatchTheFirstKernel) {
    std::mt19937 rng(3);
    for (int n = 1; n <= 12; ++n) {
        expectSameSolve(randomMatrix(rng, n, n), randomMatrix(rng, n, n % 4), "random");
    }
    expectSameSolve(randomMatrix(rng, 64, 64), randomMatrix(rng, 64, 3), "random");
    expectSameSolve(randomMatrix(rng, 127, 127), Matrix(127, 0), "random, no right-hand sides");
    expectSameSolve(randomMatrix(rng, 130, 130), randomMatrix(rng, 130, 130), "random");
}

TEST(KernelIdentity, PivotTiesAndSingularSystemsMatchTheFirstKernel) {
    std::mt19937 rng(5);
    // All entries equal in magnitude: the last candidate of every search wins.
    Matrix ties(9, 9);
    for (int i = 1; i <= 9; ++i) {
        for (int j = 1; j <= 9; ++j) {
            ties.get()[i][j] = (i * j) % 3 == 0 ? -2.0 : 2.0;
        }
    }
    expectSameSolve(ties, randomMatrix(rng, 9, 2), "equal magnitudes");

    // Two equal rows: the elimination stops part way.
    Matrix twin = randomMatrix(rng, 10, 10);
    for (int j = 1; j <= 10; ++j) {
        twin.get()[7][j] = twin.get()[2][j];
    }
    expectSameSolve(twin, randomMatrix(rng, 10, 1), "two equal rows");

    // Nothing but zeros, then nothing but NaN.
    expectSameSolve(Matrix(6, 6), Matrix(6, 1), "zeros");
    Matrix nans(5, 5);
    for (int i = 1; i <= 5; ++i) {
        for (int j = 1; j <= 5; ++j) {
            nans.get()[i][j] = std::numeric_limits<double>::quiet_NaN();
        }
    }
    expectSameSolve(nans, Matrix(5, 1), "NaN everywhere");

    // A NaN among ordinary entries is never chosen, but spreads.
    Matrix oneNan = randomMatrix(rng, 8, 8);
    oneNan.get()[4][5] = std::numeric_limits<double>::quiet_NaN();
    expectSameSolve(oneNan, randomMatrix(rng, 8, 2), "one NaN");
}

}  // namespace
