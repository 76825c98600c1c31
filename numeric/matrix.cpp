#include "numeric/matrix.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The kernel's callers cannot go on without their matrices, and the sizes are
// small, so running out of memory here ends the program.
[[noreturn]] void outOfMemory() {
    std::fputs("Out of memory!\n", stderr);
    std::exit(1);
}

// Smallest pivot magnitude the solver accepts.
constexpr double pivotTolerance = 1e-20;

// Two doubles worked on together. Arithmetic on them is lane by lane, so each
// lane rounds exactly as the same scalar expression would.
using Lanes = double __attribute__((vector_size(16)));
constexpr int laneCount = 2;

Lanes loadLanes(const double* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void storeLanes(double* p, Lanes v) {
    std::memcpy(p, &v, sizeof v);
}

// target[l] -= source[l] * d for l = 1 .. count, two columns at a time. The
// rows are distinct: the pivot row is never its own target.
void subtractScaledRow(double* target, const double* source, double d, int count) {
    const Lanes factor = {d, d};
    int l = 1;
    for (; l + laneCount - 1 <= count; l += laneCount) {
        storeLanes(target + l, loadLanes(target + l) - loadLanes(source + l) * factor);
    }
    for (; l <= count; ++l) {
        target[l] -= source[l] * d;
    }
}

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
    // The columns that hold no pivot yet, in increasing order.
    int* freeColumns = allocIndexVector(1, n);
    int freeCount = n;
    auto release = [&]() {
        freeIndexVector(freeColumns, 1, n);
        freeIndexVector(useCount, 1, n);
        freeIndexVector(pivotColumn, 1, n);
        freeIndexVector(pivotRow, 1, n);
    };
    for (int j = 1; j <= n; ++j) {
        useCount[j] = 0;
        freeColumns[j] = j;
    }

    for (int i = 1; i <= n; ++i) {
        // Full pivoting over the rows and columns that hold no pivot yet,
        // row by row and left to right. ">=" lets the last of several equal
        // candidates win.
        double biggest = 0.0;
        int row = 0;
        int col = 0;
        for (int j = 1; j <= n; ++j) {
            if (useCount[j] == 1) {
                continue;
            }
            const double* candidates = a[j];
            for (int f = 1; f <= freeCount; ++f) {
                const int k = freeColumns[f];
                const double size = std::fabs(candidates[k]);
                if (size >= biggest) {
                    biggest = size;
                    row = j;
                    col = k;
                }
            }
        }
        // Only values that cannot be compared (NaN everywhere) leave no candidate.
        if (col == 0) {
            release();
            return 0;
        }
        int f = 1;
        while (freeColumns[f] != col) {
            ++f;
        }
        for (; f < freeCount; ++f) {
            freeColumns[f] = freeColumns[f + 1];
        }
        --freeCount;
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
            subtractScaledRow(a[r], a[col], d, n);
            if (m > 0) {
                subtractScaledRow(b[r], b[col], d, m);
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

// Each entry is the sum of a[i][k] * b[k][j] over increasing k, started from
// zero. Eight entries of a row are summed side by side in registers, reading
// b along its rows; every entry still receives the same products in the same
// order, so the sums are bit for bit those of one entry at a time.
void multiplyMatrices(double** a, double** b, double** c, int rows, int inner, int cols) {
    constexpr int block = 4 * laneCount;
    for (int i = 1; i <= rows; ++i) {
        const double* rowA = a[i];
        int j = 1;
        for (; j + block - 1 <= cols; j += block) {
            Lanes s0 = {0.0, 0.0};
            Lanes s1 = s0;
            Lanes s2 = s0;
            Lanes s3 = s0;
            for (int k = 1; k <= inner; ++k) {
                const Lanes factor = {rowA[k], rowA[k]};
                const double* rowB = b[k] + j;
                s0 += factor * loadLanes(rowB);
                s1 += factor * loadLanes(rowB + laneCount);
                s2 += factor * loadLanes(rowB + 2 * laneCount);
                s3 += factor * loadLanes(rowB + 3 * laneCount);
            }
            storeLanes(c[i] + j, s0);
            storeLanes(c[i] + j + laneCount, s1);
            storeLanes(c[i] + j + 2 * laneCount, s2);
            storeLanes(c[i] + j + 3 * laneCount, s3);
        }
        for (; j <= cols; ++j) {
            double sum = 0.0;
            for (int k = 1; k <= inner; ++k) {
                sum += rowA[k] * b[k][j];
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
