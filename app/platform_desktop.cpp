#include <GL/glut.h>

#include <cstdlib>

#include "app/platform.hpp"

void platformOfferMenu(void (*onChoice)(int), const MenuItem* items, int count) {
    glutCreateMenu(onChoice);
    for (int i = 0; i < count; ++i) {
        glutAddMenuEntry(items[i].label, items[i].code);
    }
    // Left edits, right rotates: the menu lives on the middle button.
    glutAttachMenu(GLUT_MIDDLE_BUTTON);
}

void platformQuit(int status) {
    std::exit(status);
}

// The file is read once the program has ended; the C library's buffering serves.
void platformTraceWritten(std::FILE* /*traceFile*/) {}

void platformRunEventLoop() {
    glutMainLoop();
    // freeglut's loop only returns when told to; this program never tells it.
    std::exit(0);
}
