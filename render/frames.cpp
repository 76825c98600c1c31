#include "render/frames.hpp"

#include <GL/gl.h>
#include <GL/glut.h>

#include "app/state.hpp"
#include "render/curve_drawing.hpp"
#include "render/display.hpp"
#include "render/markers.hpp"
#include "render/palette.hpp"
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
    setCurrentColour(activePalette().levelBefore);
    drawLineStrip(before.points, before.count);
    setCurrentColour(activePalette().rbfLevelAfter);
    drawLineStrip(after.points, after.count);
    finishFrame();
}

void drawFourPointFrame(bool closedEntered, PolygonView entered, PolygonView before,
                        PolygonView after) {
    startFrame();
    if (entered.count > 0) {
        drawPlanar(closedEntered ? GL_LINE_LOOP : GL_LINE_STRIP, entered);
    }
    setCurrentColour(activePalette().levelBefore);
    drawPlanar(GL_LINE_STRIP, before);
    setCurrentColour(activePalette().fourPointAfter);
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
    setCurrentColour(activePalette().levelBefore);
    drawLineStrip(before.points, before.count);
    setCurrentColour(activePalette().insertionMarkers);
    drawMarkers(after.points, after.count);
    setCurrentColour(activePalette().fourPointAfter);
    drawLineStrip(after.points, after.count);
    setCurrentColour(activePalette().bezierCurve);
    drawBsplineCurve();
    drawParameterBar();
    finishFrame();
}
