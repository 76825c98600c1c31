#include "support/gl_fixture.hpp"

#include <GL/glut.h>

#include <cstdio>

#include "app/state.hpp"
#include "app/window.hpp"

namespace tvtest {

void ensureGlWindow() {
    static bool created = false;
    if (created) {
        return;
    }
    created = true;
    int argc = 1;
    char name[] = "tessaveld-tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(800, 600);
    glutCreateWindow("tessaveld tests");
}

void GlTest::SetUp() {
    ensureGlWindow();
    onReshape(800, 600);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
}

void AppTest::SetUp() {
    GlTest::SetUp();
    appState = AppState{};
}

void AppTest::TearDown() {
    glutIdleFunc(nullptr);
    if (appState.traceFile != nullptr) {
        std::fclose(appState.traceFile);
    }
    appState = AppState{};
}

}  // namespace tvtest
