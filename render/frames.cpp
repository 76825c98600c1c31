#include "render/frames.hpp"

#include <GL/gl.h>
#include <GL/glut.h>

#include "app/state.hpp"
#include "render/curve_drawing.hpp"
#include "render/display.hpp"
#include "render/markers.hpp"
#include "render/status_line.hpp"

namespace {

void drawPlanar(GLenum mode, PolygonView polygon) {
    glBegin(mode);
    for (int i = 0; i < polygon.count; ++i) {
        glVertex2f(polygon.points[i].x, polygon.points[i].y);
    }
    glEnd();
}

// The frame replaces whatever the display left, view rotation included.
void startFrame() {
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
}

void finishFrame() {
    glFlush();
    glutSwapBuffers();
}

void drawRbfFrame(PolygonView entered, PolygonView before, PolygonView after) {
    startFrame();
    if (entered.count > 0) {
        drawLineStrip(entered.points, entered.count);
    }
    glColor3f(toneB, toneC, toneA);
    drawLineStrip(before.points, before.count);
    glColor3f(toneC, toneB, toneA);
    drawLineStrip(after.points, after.count);
    finishFrame();
}

void drawFourPointFrame(bool closedEntered, PolygonView entered, PolygonView before,
                        PolygonView after) {
    startFrame();
    if (entered.count > 0) {
        drawPlanar(closedEntered ? GL_LINE_LOOP : GL_LINE_STRIP, entered);
    }
    glColor3f(toneB, toneC, toneA);
    drawPlanar(GL_LINE_STRIP, before);
    glColor3f(toneC, toneA, toneB);
    drawPlanar(GL_LINE_STRIP, after);
    if (closedEntered) {
        drawStatusLine();
    }
    finishFrame();
}

}  // namespace

void drawSubdivisionFrame(SubdivisionScheme scheme, PolygonView entered, PolygonView before,
                          PolygonView after) {
    switch (scheme) {
        case SubdivisionScheme::Rbf4:
        case SubdivisionScheme::Rbf6:
            drawRbfFrame(entered, before, after);
            break;
        case SubdivisionScheme::Nr4:
            break;
        case SubdivisionScheme::DeslauriersDubuc:
            drawFourPointFrame(false, entered, before, after);
            break;
        case SubdivisionScheme::Unr4:
            drawFourPointFrame(true, entered, before, after);
            break;
    }
}

void drawKnotInsertionFrame(PolygonView before, PolygonView after) {
    startFrame();
    glColor3f(toneB, toneC, toneA);
    drawLineStrip(before.points, before.count);
    glColor3f(toneA, toneB, toneC);
    drawMarkers(after.points, after.count);
    glColor3f(toneC, toneA, toneB);
    drawLineStrip(after.points, after.count);
    glColor3f(toneB, toneA, toneC);
    drawBsplineCurve();
    drawParameterBar();
    finishFrame();
}
