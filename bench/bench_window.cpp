#include "bench_window.hpp"

#include <GL/freeglut.h>

#include <cstdlib>

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
