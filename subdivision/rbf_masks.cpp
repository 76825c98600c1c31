#include "subdivision/rbf_masks.hpp"

#include "numeric/matrix.hpp"

MaskTableStatus buildRbfMaskTable(const float* centres, int stencil, int degree, BasisKind kind,
                                  float shape, const TraceSink& trace, RbfMaskTable& table) {
    const int d = degree;
    // A negative degree has no polynomial block; the comparison is written so
    // that no degree, however large, overflows the sum.
    if (stencil < 1 || d < 0 || d > maxStencilSystem - 1 - stencil) {
        return MaskTableStatus::NoRoom;
    }
    const int size = stencil + d + 1;
    double** a = allocRealMatrix(1, size, 1, size);
    double** b = allocRealMatrix(1, size, 1, size);
    for (int i = 1; i <= size; ++i) {
        b[i][i] = 1.0;
    }
    fillRbfSystem(a, centres, stencil, d, kind, shape);
    writeTraceMatrix(trace, a, size);
    // A singular system (more monomials than stencil points, or a flat basis)
    // leaves a partly reduced matrix; the trace shows it, the caller refuses it.
    const bool inverted = solveGaussJordan(a, size, b, size) != 0;
    writeTraceMatrix(trace, a, size);
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            table[i][j] = a[i + 1][j + 1];
        }
    }
    freeRealMatrix(b, 1, size, 1, size);
    freeRealMatrix(a, 1, size, 1, size);
    return inverted ? MaskTableStatus::Inverted : MaskTableStatus::Singular;
}
