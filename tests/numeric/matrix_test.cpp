#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "numeric/matrix.hpp"

namespace {

// A one-based matrix filled from rows given zero-based, released on scope exit.
class Matrix {
  public:
    Matrix(int rows, int cols) : rows_(rows), cols_(cols), m_(allocRealMatrix(1, rows, 1, cols)) {}
    static Matrix of(const std::vector<std::vector<double>>& values) {
        Matrix m(static_cast<int>(values.size()), static_cast<int>(values[0].size()));
        for (int i = 0; i < m.rows_; ++i) {
            for (int j = 0; j < m.cols_; ++j) {
                m.m_[i + 1][j + 1] = values[i][j];
            }
        }
        return m;
    }
    static Matrix identity(int n) {
        Matrix id(n, n);
        for (int i = 1; i <= n; ++i) {
            id.m_[i][i] = 1.0;
        }
        return id;
    }
    Matrix(const Matrix&) = delete;
    Matrix(Matrix&& other) noexcept : rows_(other.rows_), cols_(other.cols_), m_(other.m_) {
        other.m_ = nullptr;
    }
    ~Matrix() { freeRealMatrix(m_, 1, rows_, 1, cols_); }
    double** get() { return m_; }
    double at(int i, int j) const { return m_[i][j]; }

  private:
    int rows_;
    int cols_;
    double** m_;
};

TEST(RealMatrix, StartsZeroFilled) {
    Matrix m(3, 5);
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 5; ++j) {
            EXPECT_EQ(m.at(i, j), 0.0);
        }
    }
}

TEST(GaussJordan, IdentityComesBackUnchanged) {
    Matrix a = Matrix::identity(4);
    Matrix b = Matrix::identity(4);
    EXPECT_EQ(solveGaussJordan(a.get(), 4, b.get(), 4), 1);
    for (int i = 1; i <= 4; ++i) {
        for (int j = 1; j <= 4; ++j) {
            EXPECT_EQ(a.at(i, j), i == j ? 1.0 : 0.0);
            EXPECT_EQ(b.at(i, j), i == j ? 1.0 : 0.0);
        }
    }
}

TEST(GaussJordan, ExchangeMatrixIsItsOwnInverse) {
    // Rows are exchanged during the passes and the columns put back afterwards.
    Matrix a = Matrix::of({{0, 1}, {1, 0}});
    Matrix b = Matrix::identity(2);
    EXPECT_EQ(solveGaussJordan(a.get(), 2, b.get(), 2), 1);
    EXPECT_EQ(a.at(1, 1), 0.0);
    EXPECT_EQ(a.at(1, 2), 1.0);
    EXPECT_EQ(a.at(2, 1), 1.0);
    EXPECT_EQ(a.at(2, 2), 0.0);
    EXPECT_EQ(b.at(1, 2), 1.0);
    EXPECT_EQ(b.at(2, 1), 1.0);
}

TEST(GaussJordan, KnownInverseAndSolution) {
    // [[4, 7], [2, 6]]^-1 = [[0.6, -0.7], [-0.2, 0.4]]; solve for a right-hand side too.
    Matrix a = Matrix::of({{4, 7}, {2, 6}});
    Matrix b = Matrix::of({{1}, {2}});
    EXPECT_EQ(solveGaussJordan(a.get(), 2, b.get(), 1), 1);
    EXPECT_NEAR(a.at(1, 1), 0.6, 1e-15);
    EXPECT_NEAR(a.at(1, 2), -0.7, 1e-15);
    EXPECT_NEAR(a.at(2, 1), -0.2, 1e-15);
    EXPECT_NEAR(a.at(2, 2), 0.4, 1e-15);
    EXPECT_NEAR(b.at(1, 1), 0.6 - 1.4, 1e-15);
    EXPECT_NEAR(b.at(2, 1), -0.2 + 0.8, 1e-15);
}

TEST(GaussJordan, SingularSystemsReportZero) {
    Matrix equalRows = Matrix::of({{1, 2, 3}, {4, 5, 6}, {1, 2, 3}});
    Matrix b = Matrix::identity(3);
    EXPECT_EQ(solveGaussJordan(equalRows.get(), 3, b.get(), 3), 0);

    Matrix zero(2, 2);
    Matrix b2 = Matrix::identity(2);
    EXPECT_EQ(solveGaussJordan(zero.get(), 2, b2.get(), 2), 0);

    Matrix nan = Matrix::of({{std::nan(""), std::nan("")}, {std::nan(""), std::nan("")}});
    Matrix b3 = Matrix::identity(2);
    EXPECT_EQ(solveGaussJordan(nan.get(), 2, b3.get(), 2), 0);
}

TEST(GaussJordan, PivotToleranceIsInclusive) {
    Matrix atTolerance = Matrix::of({{1e-20}});
    Matrix b = Matrix::identity(1);
    EXPECT_EQ(solveGaussJordan(atTolerance.get(), 1, b.get(), 1), 1);
    EXPECT_DOUBLE_EQ(atTolerance.at(1, 1), 1e20);

    Matrix below = Matrix::of({{std::nextafter(1e-20, 0.0)}});
    Matrix b2 = Matrix::identity(1);
    EXPECT_EQ(solveGaussJordan(below.get(), 1, b2.get(), 1), 0);
}

TEST(GaussJordan, TiesTakeTheLaterCandidate) {
    // All four entries tie. Taking the last one, (2, 2), first and then failing
    // on the zero left at (1, 1) leaves b = [[1, -1], [0, 1]]; taking (1, 1)
    // first would leave b = [[1, 0], [-1, 1]].
    Matrix a = Matrix::of({{1, 1}, {1, 1}});
    Matrix b = Matrix::identity(2);
    EXPECT_EQ(solveGaussJordan(a.get(), 2, b.get(), 2), 0);
    EXPECT_EQ(b.at(1, 1), 1.0);
    EXPECT_EQ(b.at(1, 2), -1.0);
    EXPECT_EQ(b.at(2, 1), 0.0);
    EXPECT_EQ(b.at(2, 2), 1.0);
    EXPECT_EQ(a.at(1, 1), 0.0);
    EXPECT_EQ(a.at(1, 2), -1.0);
}

TEST(GaussJordan, LargeRandomSystemHasSmallResidual) {
    const int n = 60;
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    Matrix a(n, n);
    Matrix original(n, n);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            const double v = value(random) + (i == j ? 10.0 : 0.0);
            a.get()[i][j] = v;
            original.get()[i][j] = v;
        }
    }
    Matrix b = Matrix::identity(n);
    ASSERT_EQ(solveGaussJordan(a.get(), n, b.get(), n), 1);
    Matrix product(n, n);
    multiplyMatrices(original.get(), a.get(), product.get(), n, n, n);
    double worst = 0.0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            worst = std::max(worst, std::fabs(product.at(i, j) - (i == j ? 1.0 : 0.0)));
            EXPECT_DOUBLE_EQ(a.at(i, j), b.at(i, j));
        }
    }
    EXPECT_LT(worst, 1e-10);
}

TEST(MatrixHelpers, ProductAndTranspose) {
    Matrix a = Matrix::of({{1, 2, 3}, {4, 5, 6}});
    Matrix b = Matrix::of({{7, 8}, {9, 10}, {11, 12}});
    Matrix c(2, 2);
    multiplyMatrices(a.get(), b.get(), c.get(), 2, 3, 2);
    EXPECT_EQ(c.at(1, 1), 58.0);
    EXPECT_EQ(c.at(1, 2), 64.0);
    EXPECT_EQ(c.at(2, 1), 139.0);
    EXPECT_EQ(c.at(2, 2), 154.0);

    Matrix t(3, 2);
    transposeMatrix(a.get(), t.get(), 2, 3);
    EXPECT_EQ(t.at(1, 2), 4.0);
    EXPECT_EQ(t.at(3, 1), 3.0);
    EXPECT_EQ(t.at(3, 2), 6.0);
}

TEST(MatrixHelpers, PrintWritesFileThenStandardOutput) {
    Matrix m = Matrix::of({{1, -2.5}, {1000.25, 0}});
    const std::string expected = "  1.000  -2.500 \n1000.250   0.000 \n";

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    testing::internal::CaptureStdout();
    printMatrix(file, m.get(), 1, 2, 1, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    std::rewind(file);
    char text[128] = {};
    const size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    EXPECT_EQ(std::string(text, length), expected);

    testing::internal::CaptureStdout();
    printMatrix(nullptr, m.get(), 1, 2, 1, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

}  // namespace
