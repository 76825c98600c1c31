#include "subdivision/rbf_masks.hpp"

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
    fillRbfSystem(a, s.extendedKnots.data(), stencil, d, s.basisKind, s.shapeR);
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
