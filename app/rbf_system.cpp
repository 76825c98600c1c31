#include "app/rbf_system.hpp"

#include "curves/rbf.hpp"

void solveRbfSystem() {
    AppState& s = appState;
    solveRbf(s.controlPoints.data(), s.knots.data(), s.pointCount, s.polyDegree, s.basisKind,
             s.shapeR, s.rbfCoefficients);
}

void evalRbf(Point3& out, const float* t, float u, int n) {
    const AppState& s = appState;
    out = evalRbf(s.rbfCoefficients, t, n, s.polyDegree, s.basisKind, s.shapeR, u);
}
