#include "app/rbf_system.hpp"

#include "curves/rbf.hpp"

void solveRbfSystem() {
    AppState& s = appState;
    s.rbfStatus = solveRbf(s.controlPoints.data(), s.knots.data(), s.pointCount, s.polyDegree,
                           s.basisKind, s.shapeR, s.rbfCoefficients);
}
