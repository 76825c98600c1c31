#include "subdivision/rbf_masks.hpp"

#include <cmath>

#include "app/state.hpp"
#include "curves/rbf.hpp"
#include "numeric/matrix.hpp"

void buildRbfMaskTable() {
    AppState& s = appState;
    const int stencil = s.rbfStencilSize;
    const int d = s.polyDegree;
    const int size = stencil + d + 1;
    // The inverse has to fit the table; a negative degree has no polynomial block.
    if (stencil < 1 || d < 0 || size > maxPoints) {
        return;
    }
    double** a = allocRealMatrix(1, size, 1, size);
    double** b = allocRealMatrix(1, size, 1, size);
    for (int i = 1; i <= size; ++i) {
        b[i][i] = 1.0;
    }
    const float* x = s.extendedKnots.data();
    // Interpolation by s(x) = sum_k a_k x^k + sum_j b_j phi(x - x_j): the first
    // d + 1 rows are the side conditions sum_j b_j x_j^k = 0, the others make s
    // take the data value at each stencil parameter. The matrix is symmetric.
    for (int i = 1; i <= stencil; ++i) {
        for (int j = 1; j <= d + 1; ++j) {
            a[j][d + 1 + i] = std::pow(static_cast<double>(x[i - 1]), j - 1);
        }
    }
    for (int i = 1; i <= stencil; ++i) {
        for (int j = 1; j <= d + 1; ++j) {
            a[d + 1 + i][j] = std::pow(static_cast<double>(x[i - 1]), j - 1);
        }
        for (int j = 1; j <= stencil; ++j) {
            a[d + 1 + i][d + 1 + j] = rbfBasis(x[j - 1] - x[i - 1], s.shapeR);
        }
    }
    if (s.traceEnabled) {
        printMatrix(s.traceFile, a, 1, size, 1, size);
    }
    // A singular system (more monomials than stencil points, or a flat basis)
    // leaves a partly reduced matrix; the step goes on with it and the trace shows it.
    solveGaussJordan(a, size, b, size);
    if (s.traceEnabled) {
        printMatrix(s.traceFile, a, 1, size, 1, size);
    }
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            s.rbfMaskTable[i][j] = static_cast<float>(a[i + 1][j + 1]);
        }
    }
    freeRealMatrix(b, 1, size, 1, size);
    freeRealMatrix(a, 1, size, 1, size);
}
