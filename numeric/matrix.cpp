#include "numeric/matrix.hpp"

#include <cmath>
#include <cstdlib>

namespace {

// The kernel's callers cannot go on without their matrices, and the sizes are
// small, so running out of memory here ends the program.
[[noreturn]] void outOfMemory() {
    std::fputs("Out of memory!\n", stderr);
    std::exit(1);
}

// Smallest pivot magnitude the solver accepts.
constexpr double pivotTolerance = 1e-20;

void swapValues(double& x, double& y) {
    const double t = x;
    x = y;
    y = t;
}

}  // namespace

int* allocIndexVector(int nl, int nh) {
    // Slot 0 .. nl-1 are padding so that index nl is a valid subscript
    // without forming a pointer before the block.
    (void)nl;
    auto* v = static_cast<int*>(std::malloc(sizeof(int) * static_cast<size_t>(nh + 1)));
    if (v == nullptr) {
        outOfMemory();
    }
    return v;
}

void freeIndexVector(int* v, int nl, int nh) {
    (void)nl;
    (void)nh;
    std::free(v);
}

double** allocRealMatrix(int nrl, int nrh, int ncl, int nch) {
    (void)nrl;
    (void)ncl;
    auto** m = static_cast<double**>(std::calloc(static_cast<size_t>(nrh + 1), sizeof(double*)));
    if (m == nullptr) {
        outOfMemory();
    }
    for (int i = 1; i <= nrh; ++i) {
        m[i] = static_cast<double*>(std::calloc(static_cast<size_t>(nch + 1), sizeof(double)));
        if (m[i] == nullptr) {
            outOfMemory();
        }
    }
    return m;
}

void freeRealMatrix(double** m, int nrl, int nrh, int ncl, int nch) {
    (void)nrl;
    (void)ncl;
    (void)nch;
    if (m == nullptr) {
        return;
    }
    for (int i = 1; i <= nrh; ++i) {
        std::free(m[i]);
    }
    std::free(m);
}

int solveGaussJordan(double** a, int n, double** b, int m) {
    int* pivotRow = allocIndexVector(1, n);
    int* pivotColumn = allocIndexVector(1, n);
    int* useCount = allocIndexVector(1, n);
    auto release = [&]() {
        freeIndexVector(useCount, 1, n);
        freeIndexVector(pivotColumn, 1, n);
        freeIndexVector(pivotRow, 1, n);
    };
    for (int j = 1; j <= n; ++j) {
        useCount[j] = 0;
    }

    for (int i = 1; i <= n; ++i) {
        // Full pivoting over the rows and columns that hold no pivot yet.
        // ">=" lets the last of several equal candidates win.
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
                    release();
                    return 0;
                }
            }
        }
        // Only values that cannot be compared (NaN everywhere) leave no candidate.
        if (col == 0) {
            release();
            return 0;
        }
        ++useCount[col];

        // Move the pivot onto the diagonal; the column order is restored at the end.
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
        if (!(std::fabs(a[col][col]) >= pivotTolerance)) {
            release();
            return 0;
        }

        // Setting the diagonal to 1 before scaling leaves the inverse's entry there.
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

    // Row exchanges of the input are column exchanges of the inverse: undo
    // them in reverse order.
    for (int l = n; l >= 1; --l) {
        if (pivotRow[l] != pivotColumn[l]) {
            for (int k = 1; k <= n; ++k) {
                swapValues(a[k][pivotRow[l]], a[k][pivotColumn[l]]);
            }
        }
    }
    release();
    return 1;
}

void multiplyMatrices(double** a, double** b, double** c, int rows, int inner, int cols) {
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

void transposeMatrix(double** a, double** b, int rows, int cols) {
    for (int i = 1; i <= rows; ++i) {
        for (int j = 1; j <= cols; ++j) {
            b[j][i] = a[i][j];
        }
    }
}

namespace {

void writeMatrix(std::FILE* out, double** m, int nrh, int nch) {
    for (int i = 1; i <= nrh; ++i) {
        for (int j = 1; j <= nch; ++j) {
            std::fprintf(out, "%7.3f ", m[i][j]);
        }
        std::fputs("\n", out);
    }
}

}  // namespace

void printMatrix(std::FILE* stream, double** m, int nrl, int nrh, int ncl, int nch) {
    (void)nrl;
    (void)ncl;
    if (stream != nullptr) {
        writeMatrix(stream, m, nrh, nch);
    }
    writeMatrix(stdout, m, nrh, nch);
}
