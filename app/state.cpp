#include "app/state.hpp"

AppState appState;

void layoutKnotHandles() {
    AppState& s = appState;
    const int m = s.knotCount;
    if (m <= 0 || m > maxPoints) {
        return;
    }
    std::array<float, maxPoints> x{};
    handlePositions(s.knots.data(), m, s.windowWidth, x.data());
    for (int i = 0; i < m; ++i) {
        s.knotHandles[i].x = x[i];
        s.knotHandles[i].y = parameterBarMargin;
    }
}

ViewTurn viewTurn(const AppState& s) {
    return {static_cast<float>(s.windowWidth) / 2.0f, static_cast<float>(s.windowHeight) / 2.0f,
            s.rotationX, s.rotationY};
}
