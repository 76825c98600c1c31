#include "app/refresh.hpp"

#include <GL/glut.h>

#include <array>
#include <optional>

#include "app/invariants.hpp"
#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "curves/parameters.hpp"

namespace {

// The mode's own list for the current point count and degree, then its handles.
void rebuildKnots() {
    AppState& s = appState;
    const std::optional<int> count = defaultKnots(s.curveMode, s.pointCount, s.polyDegree, s.knots);
    if (!count) {
        return;
    }
    s.knotCount = *count;
    layoutKnotHandles();
}

// Handles stacked on one x give no range to measure against: the knots stay.
void knotsFromHandles() {
    AppState& s = appState;
    const int m = s.knotCount;
    if (m <= 0 || m > maxPoints) {
        return;
    }
    std::array<float, maxPoints> x{};
    for (int i = 0; i < m; ++i) {
        x[i] = s.knotHandles[i].x;
    }
    knotsFromHandlePositions(x.data(), m, s.knots.data());
}

}  // namespace

void deriveFromInputs(Edit edit) {
    switch (edit) {
        case Edit::View:
            return;
        case Edit::Layout:
            rebuildKnots();
            break;
        case Edit::HandleHeld:
            knotsFromHandles();
            return;
        case Edit::HandleReleased:
            knotsFromHandles();
            break;
        case Edit::Points:
        case Edit::Nodes:
        case Edit::Basis:
            break;
    }
    solveRbfSystem();
}

void refreshAfter(Edit edit) {
    deriveFromInputs(edit);
    assertRecordInvariants(appState);
    glutPostRedisplay();
}
