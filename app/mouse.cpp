#include "app/mouse.hpp"

#include <GL/glut.h>

#include "app/refresh.hpp"
#include "app/state.hpp"
#include "numeric/c_random.hpp"

namespace {

// The depths of new points: the C library's rand() sequence, never seeded by
// the program, so every run and every build produces the same depths.
CRandom depthRandom;

constexpr int noIndex = -1;
constexpr int leftPressed = 0;
constexpr int rightPressed = 2;
constexpr int released = -1;
// Ten pixels of cursor travel turn the view by one degree.
constexpr float pixelsPerDegree = 10.0f;
constexpr float highlightOn = 1.0f;
constexpr float highlightOff = 0.0f;

// Mouse y counts down from the top of the window; the scene counts up.
int flipY(int y) {
    return appState.windowHeight - y;
}

bool isPointIndex(int i) {
    return i >= 0 && i < appState.pointCount && i < maxPoints;
}

bool isHandleIndex(int i) {
    return i >= 0 && i < maxPoints;
}

// Open square of half-width markerSize: a cursor exactly markerSize pixels
// away along either axis does not hit.
bool hits(float px, float py, int x, int y) {
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    return px - markerSize < fx && fx < px + markerSize && py - markerSize < fy &&
           fy < py + markerSize;
}

int validKnotCount() {
    const int m = appState.knotCount;
    if (m < 0) {
        return 0;
    }
    return m < maxPoints ? m : maxPoints;
}

int validPointCount() {
    const int n = appState.pointCount;
    if (n < 0) {
        return 0;
    }
    return n < maxPoints ? n : maxPoints;
}

}  // namespace

int findPoint(int x, int y) {
    const int n = validPointCount();
    for (int i = 0; i < n; ++i) {
        const Point3& p = appState.controlPoints[i];
        if (hits(p.x, p.y, x, y)) {
            return i;
        }
    }
    return noIndex;
}

// The end handles hold the parameter range fixed, so they are never found.
// Each half is searched from its outer end towards the middle and a later
// hit overrides an earlier one: among overlapping handles the one nearest
// the middle wins, and the upper half beats the lower.
int findHandle(int x, int y) {
    const int m = validKnotCount();
    const int middle = m / 2;
    int found = noIndex;
    for (int k = 1; k <= middle - 1; ++k) {
        const KnotHandle& h = appState.knotHandles[k];
        if (hits(h.x, h.y, x, y)) {
            found = k;
        }
    }
    for (int k = m - 2; k >= middle; --k) {
        const KnotHandle& h = appState.knotHandles[k];
        if (hits(h.x, h.y, x, y)) {
            found = k;
        }
    }
    return found;
}

namespace {

// A handle with neighbours on both sides; the first and last never move.
bool isDraggableKnot(int k) {
    return k >= 1 && k <= validKnotCount() - 2;
}

// Moves handle k to x, kept between its neighbours: pushed against one, it
// stops at the neighbour's exact position, which may be fractional, so the
// knots may repeat but never run backwards.
void clampKnot(int k, int x) {
    KnotHandle* handles = appState.knotHandles.data();
    float to = static_cast<float>(x);
    if (to < handles[k - 1].x) {
        to = handles[k - 1].x;
    }
    if (to > handles[k + 1].x) {
        to = handles[k + 1].x;
    }
    handles[k].x = to;
}

// Depth of a new point in -windowWidth/4 .. windowWidth/4 - 1, so that a
// rotated view shows a three-dimensional polygon; both divisions are integer
// divisions.
float randomDepth() {
    const int r = depthRandom.next();
    const int width = appState.windowWidth;
    const int range = width / 2;
    // A window narrower than 2 pixels leaves no range to draw from.
    if (range < 1) {
        return 0.0f;
    }
    return static_cast<float>(r % range - width / 4);
}

// At capacity the last point moves to the click instead of a new one being
// added; either way the knot list starts afresh, as for a new count.
void appendPoint(int x, int y) {
    AppState& s = appState;
    const bool full = s.pointCount >= maxPoints;
    const int slot = full ? maxPoints - 1 : validPointCount();
    s.activePoint = slot;
    s.controlPoints[slot] = Point3{static_cast<float>(x), static_cast<float>(y), randomDepth()};
    if (!full) {
        s.pointCount = slot + 1;
        if (s.enteredPointCount < maxPoints) {
            s.enteredPointCount = s.enteredPointCount + 1;
        }
    }
}

void pressLeft(int x, int y) {
    AppState& s = appState;
    s.pressedButton = leftPressed;
    const int knot = findHandle(x, y);
    if (knot != noIndex) {
        s.activeKnot = knot;
        s.knotHandles[knot].highlighted = highlightOn;
        s.dragMode = DragMode::Knot;
        refreshAfter(Edit::View);
        return;
    }
    const int point = findPoint(x, y);
    s.dragMode = DragMode::Point;
    if (point != noIndex) {
        s.activePoint = point;
        refreshAfter(Edit::View);
    } else {
        appendPoint(x, y);
        refreshAfter(Edit::Layout);
    }
}

void releaseLeft(int x, int y) {
    AppState& s = appState;
    s.pressedButton = released;
    Edit edit = Edit::Points;
    if (s.dragMode == DragMode::Point && isPointIndex(s.activePoint)) {
        Point3& p = s.controlPoints[s.activePoint];
        p.x = static_cast<float>(x);
        p.y = static_cast<float>(y);
        s.enteredPolygon[s.activePoint] = p;
    } else if (s.dragMode == DragMode::Knot && isDraggableKnot(s.activeKnot)) {
        clampKnot(s.activeKnot, x);
        edit = Edit::HandleReleased;
    }
    s.dragMode = DragMode::None;
    refreshAfter(edit);
}

}  // namespace

void seedPointDepths(unsigned int seed) {
    depthRandom.seed(seed);
}

void onMouse(int button, int state, int x, int y) {
    AppState& s = appState;
    s.stepRefusal = SubdivisionRefusal::None;
    y = flipY(y);
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
        pressLeft(x, y);
    } else if (button == GLUT_LEFT_BUTTON && state == GLUT_UP) {
        if (s.dragMode != DragMode::None) {
            releaseLeft(x, y);
        }
    } else if (button == GLUT_RIGHT_BUTTON && state == GLUT_DOWN) {
        s.pressedButton = rightPressed;
        s.rotateLastX = x;
        s.rotateLastY = y;
        refreshAfter(Edit::View);
    } else if (button == GLUT_RIGHT_BUTTON && state == GLUT_UP) {
        s.pressedButton = released;
        refreshAfter(Edit::View);
    }
}

void onDrag(int x, int y) {
    AppState& s = appState;
    s.stepRefusal = SubdivisionRefusal::None;
    y = flipY(y);
    if (s.pressedButton == leftPressed && s.dragMode == DragMode::Point) {
        // An index left over from before a clear or a shrink moves nothing.
        if (!isPointIndex(s.activePoint)) {
            return;
        }
        // The point keeps its parameter value while it moves.
        Point3& p = s.controlPoints[s.activePoint];
        p.x = static_cast<float>(x);
        p.y = static_cast<float>(y);
        Point3& entered = s.enteredPolygon[s.activePoint];
        entered.x = p.x;
        entered.y = p.y;
        refreshAfter(Edit::Points);
    } else if (s.pressedButton == leftPressed && s.dragMode == DragMode::Knot) {
        if (!isDraggableKnot(s.activeKnot)) {
            return;
        }
        clampKnot(s.activeKnot, x);
        refreshAfter(Edit::HandleHeld);
    } else if (s.pressedButton == rightPressed) {
        s.rotationY = s.rotationY - static_cast<float>(s.rotateLastX - x) / pixelsPerDegree;
        s.rotationX = s.rotationX - static_cast<float>(s.rotateLastY - y) / pixelsPerDegree;
        s.rotateLastX = x;
        s.rotateLastY = y;
        refreshAfter(Edit::View);
    }
}

void onHover(int x, int y) {
    AppState& s = appState;
    y = flipY(y);
    s.activePoint = findPoint(x, y);
    const int knot = findHandle(x, y);
    if (knot != noIndex) {
        // A handle under the cursor takes precedence over a point.
        s.activeKnot = knot;
        s.activePoint = noIndex;
    } else {
        s.activeKnot = noIndex;
    }
    if (s.activePoint != s.prevActivePoint) {
        refreshAfter(Edit::View);
        s.prevActivePoint = s.activePoint;
    }
    if (s.activeKnot != s.prevActiveKnot) {
        if (isHandleIndex(s.prevActiveKnot)) {
            s.knotHandles[s.prevActiveKnot].highlighted = highlightOff;
        }
        if (isHandleIndex(s.activeKnot)) {
            s.knotHandles[s.activeKnot].highlighted = highlightOn;
        }
        refreshAfter(Edit::View);
        s.prevActiveKnot = s.activeKnot;
    }
}

bool deleteActivePoint() {
    AppState& s = appState;
    // Only a point that exists can go; an index left over from before a clear
    // or a shrink of the polygon removes nothing.
    if (!isPointIndex(s.activePoint)) {
        return false;
    }
    const int last = validPointCount() - 1;
    for (int i = s.activePoint; i < last; ++i) {
        s.controlPoints[i] = s.controlPoints[i + 1];
    }
    s.pointCount = last;
    s.activePoint = noIndex;
    return true;
}
