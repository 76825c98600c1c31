#include "app/window.hpp"

#include <GL/glut.h>

#include <cstdlib>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "font/vector_font.hpp"
#include "render/display.hpp"

namespace {

constexpr const char* windowTitle = "Tessaveld by Morvane 2002/12/27";

struct MenuEntry {
    const char* label;
    MenuCode code;
};

constexpr MenuEntry menuEntries[] = {
    {"clear", MenuCode::Clear},
    {"reload", MenuCode::Reload},
    {"RBF", MenuCode::Rbf},
    {"bezier", MenuCode::Bezier},
    {"lagrange", MenuCode::Lagrange},
    {"B-spline", MenuCode::Bspline},
    {"subdivision", MenuCode::Subdivision},
    {"delete point", MenuCode::DeletePoint},
    {"quit", MenuCode::Quit},
};

}  // namespace

void onReshape(int width, int height) {
    glClearColor(0.85f, 0.85f, 0.85f, 1.0f);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLineWidth(3.0f);
    appState.windowWidth = width;
    appState.windowHeight = height;
}

void createCommandMenu() {
    glutCreateMenu(onMenu);
    for (const MenuEntry& entry : menuEntries) {
        glutAddMenuEntry(entry.label, static_cast<int>(entry.code));
    }
    // Left edits, right rotates: the menu lives on the middle button.
    glutAttachMenu(GLUT_MIDDLE_BUTTON);
}

void runApplication(int argc, char** argv) {
    glutInit(&argc, argv);
    // No depth buffer: later drawing simply overwrites earlier drawing.
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(appState.windowWidth, appState.windowHeight);
    glutCreateWindow(windowTitle);

    // The status line's font; without it the program simply runs without text.
    initFonts();
    loadFont("fonts/garamond1.glf");

    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutMouseFunc(onMouse);
    glutMotionFunc(onDrag);
    glutKeyboardFunc(onKey);
    glutPassiveMotionFunc(onHover);
    createCommandMenu();
    glutMainLoop();
    // freeglut's loop only returns when told to; this program never tells it.
    std::exit(0);
}
