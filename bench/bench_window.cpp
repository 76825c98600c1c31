#include "bench_window.hpp"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdlib>

#include "app/refresh.hpp"
#include "app/window.hpp"

bool ensureBenchWindow() {
    if (std::getenv("DISPLAY") == nullptr) {
        return false;
    }
    if (glutGet(GLUT_INIT_STATE) == 0) {
        int argc = 1;
        char name[] = "tessaveld_bench";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
    }
    if (glutGetWindow() == 0) {
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
        glutInitWindowSize(800, 600);
        glutCreateWindow("tessaveld_bench");
    }
    onReshape(800, 600);
    return true;
}

void setWavyPolygon(CurveMode mode, int n, int degree) {
    appState = AppState{};
    appState.windowWidth = 800;
    appState.windowHeight = 600;
    appState.pointCount = n;
    appState.polyDegree = degree;
    for (int i = 0; i < n; ++i) {
        const double s = static_cast<double>(i) / n;
        appState.controlPoints[i] = {static_cast<float>(50 + 700 * s),
                                     static_cast<float>(300 + 200 * std::sin(12 * s)),
                                     static_cast<float>((i * 37) % 400 - 200)};
    }
    appState.curveMode = mode;
    deriveFromInputs(Edit::Layout);
}
