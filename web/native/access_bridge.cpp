// The page's calls for reaching the window without a pointer and without
// sight: what a left press at a place would take, by the program's own hit
// tests; where the keyboard's cursor goes to reach the next point or knot
// handle; the figure as numbers for the page's sentences; and the palette.
// Positions go in and out in window pixels with y down, as the pointer
// counts; the figure's own coordinates are the program's, y up.

#include <emscripten.h>

#include <array>
#include <cmath>

#include "app/mouse.hpp"
#include "app/state.hpp"
#include "render/display.hpp"
#include "render/palette.hpp"
#include "web/native/json.hpp"

namespace {

JsonWriter underText;
JsonWriter nextText;
JsonWriter figureText;

// Coordinates and knots as the page speaks them.
constexpr int coordinateDecimals = 2;
constexpr int knotDecimals = 4;
constexpr int degreeDecimals = 1;

struct Taken {
    int handle = -1;
    int point = -1;
};

// What a left press at (x, y) (y up) takes: a knot handle before a point.
Taken takenAt(int x, int y) {
    Taken t;
    t.handle = findHandle(x, y);
    if (t.handle < 0) {
        t.point = findPoint(x, y);
    }
    return t;
}

int clampedCount(int n) {
    return n < 0 ? 0 : (n < maxPoints ? n : maxPoints);
}

// The pixel nearest a point of the record, y up.
std::array<int, 2> pixelOf(float x, float y) {
    return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

}  // namespace

extern "C" {

// What a left press at (x, y) would take: {"handle":k,"point":i} (-1 for
// none; a handle found leaves the point -1), with the place in the program's
// own coordinates as "x" and "y".
EMSCRIPTEN_KEEPALIVE const char* tessaveld_under(int x, int y) {
    const int up = appState.windowHeight - y;
    const Taken t = takenAt(x, up);
    JsonWriter& out = underText;
    out.clear();
    out.beginObject().key("x").integer(x).key("y").integer(up);
    out.key("handle").integer(t.handle).key("point").integer(t.point).endObject();
    return out.text().c_str();
}

// Where the cursor goes for the next (step 1) or previous (step -1) control
// point, or knot handle with handles != 0, from the one a press at (x, y)
// takes now, round the list; only places where a press takes that very point
// or handle count, and handles only where the bar shows them. Returns
// {"x":..,"y":..,"index":..} (y down) or null.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_next(int x, int y, int handles, int step) {
    const AppState& s = appState;
    const int height = s.windowHeight;
    const bool ofHandles = handles != 0;
    const Taken now = takenAt(x, height - y);
    int first = 0;
    int count = 0;
    if (ofHandles) {
        // The end handles never move.
        first = 1;
        count = showsHandles(s.curveMode) ? clampedCount(s.knotCount) - 2 : 0;
    } else {
        count = clampedCount(s.pointCount);
    }
    JsonWriter& out = nextText;
    out.clear();
    const int current = (ofHandles ? now.handle : now.point) - first;
    const int forward = step < 0 ? -1 : 1;
    int k = current >= 0 && current < count ? current : (forward > 0 ? -1 : count);
    for (int tried = 0; tried < count; ++tried) {
        k = ((k + forward) % count + count) % count;
        const int index = k + first;
        const std::array<int, 2> at =
            ofHandles ? pixelOf(s.knotHandles[index].x, s.knotHandles[index].y)
                      : pixelOf(s.controlPoints[index].x, s.controlPoints[index].y);
        const Taken there = takenAt(at[0], at[1]);
        if ((ofHandles ? there.handle : there.point) == index) {
            out.beginObject().key("x").integer(at[0]).key("y").integer(height - at[1]);
            out.key("index").integer(index).endObject();
            return out.text().c_str();
        }
    }
    out.null();
    return out.text().c_str();
}

// The figure as the page's sentences need it: every control point in the
// program's coordinates (x, y up, depth z) and where it is drawn under the
// view's turn (y up too), the knots or nodes and their handles' x on the bar,
// whether the bar shows the handles, the point and handle under the
// pointer or held, the view's turn in degrees, and the overlays.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_figure() {
    const AppState& s = appState;
    const ViewTurn turn = viewTurn(s);
    JsonWriter& out = figureText;
    out.clear();
    out.beginObject();
    out.key("points").beginArray();
    const int n = clampedCount(s.pointCount);
    for (int i = 0; i < n; ++i) {
        const Point3& p = s.controlPoints[i];
        out.beginArray();
        out.fixed(p.x, coordinateDecimals).fixed(p.y, coordinateDecimals);
        out.fixed(p.z, coordinateDecimals).endArray();
    }
    out.endArray();
    out.key("drawn").beginArray();
    for (int i = 0; i < n; ++i) {
        const std::array<double, 2> p = turnedPosition(turn, s.controlPoints[i]);
        out.beginArray().fixed(p[0], 0).fixed(p[1], 0).endArray();
    }
    out.endArray();
    out.key("knots").beginArray();
    for (int k = 0; k < clampedCount(s.knotCount); ++k) {
        out.fixed(s.knots[k], knotDecimals);
    }
    out.endArray();
    out.key("bar").beginArray();
    for (int k = 0; k < clampedCount(s.knotCount); ++k) {
        out.fixed(s.knotHandles[k].x, coordinateDecimals);
    }
    out.endArray();
    out.key("handles").boolean(showsHandles(s.curveMode));
    out.key("active").integer(s.activePoint).key("knot").integer(s.activeKnot);
    out.key("held").integer(static_cast<int>(s.dragMode));
    out.key("turn").beginArray();
    out.fixed(s.rotationX, degreeDecimals).fixed(s.rotationY, degreeDecimals).endArray();
    out.key("family").boolean(s.showFamily && s.familyPointCount > 0);
    out.key("comparison").integer(s.auxPointCount > 0 ? s.auxPointCount : 0);
    out.key("reduction").boolean(s.comparisonIsReduction);
    out.key("width").integer(s.windowWidth).key("height").integer(s.windowHeight);
    out.endObject();
    return out.text().c_str();
}

// Switches the window to the high-contrast palette (1) or back to the
// program's own (0) and shows the state in it: two frames, so that the
// parameter bar, which takes the colour the frame before left, is in the new
// palette too. A transition frame on screen gives way to the state.
EMSCRIPTEN_KEEPALIVE void tessaveld_palette(int kind) {
    usePalette(kind == 1 ? PaletteKind::HighContrast : PaletteKind::Program);
    onDisplay();
    onDisplay();
}

}  // extern "C"
