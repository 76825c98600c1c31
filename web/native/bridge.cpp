// The page's calls into the program, beside the platform seam: what the state
// panel shows, the keys of the page's controls and the pointers of its own
// pointer input (into the program's own callbacks), the point or knot handle
// nearest a touch, and the snapshots that the address and the undo history
// carry. Texts go back as pointers to storage that lives until the next call
// of the same kind.

#include <GL/glut.h>
#include <emscripten.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/notice.hpp"
#include "app/refresh.hpp"
#include "app/snapshot.hpp"
#include "app/state.hpp"
#include "render/display.hpp"
#include "web/native/json.hpp"

namespace {

// The pointer's last position in window pixels (y down, as GLUT reports it):
// what a key gets as the cursor position, as from GLUT's own keyboard.
int pointerX = 0;
int pointerY = 0;

JsonWriter panelText;
std::string snapshotText;
std::string incomingText;
std::string refusalText;
JsonWriter targetText;

// The panel shows r and alpha with these many decimals.
constexpr int panelRDecimals = 4;
constexpr int panelAlphaDecimals = 5;

}  // namespace

extern "C" {

// One frame drawn at once, from the record (for timing it, and for a
// picture of the state without a transition frame).
EMSCRIPTEN_KEEPALIVE void tessaveld_redraw() {
    onDisplay();
}

// One step of a running construction, as the idle callback takes it, so that
// the frames of a running animation can be timed one by one; nothing while
// the construction is paused or stopped. Returns 1 when it took a step.
EMSCRIPTEN_KEEPALIVE int tessaveld_animate() {
    if (!appState.animating) {
        return 0;
    }
    onIdle();
    return 1;
}

// What the panel shows, as one JSON object; "notice" is empty when there is
// nothing to say.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_panel() {
    const AppState& s = appState;
    if (s.traceFile != nullptr) {
        std::fflush(s.traceFile);
    }
    JsonWriter& out = panelText;
    out.clear();
    out.beginObject();
    out.key("mode").string(labelOf(curveModeRows, s.curveMode, "none"));
    out.key("scheme").string(labelOf(schemeRows, s.schemeKind));
    out.key("basis").string(labelOf(basisRows, s.basisKind));
    out.key("degree").integer(s.polyDegree);
    out.key("r").fixed(s.shapeR, panelRDecimals);
    out.key("alpha").fixed(s.reductionAlpha, panelAlphaDecimals);
    out.key("points").integer(s.pointCount);
    out.key("trace").boolean(s.traceEnabled);
    out.key("animating").boolean(s.animating);
    out.key("notice").string(stateNotice(s));
    out.endObject();
    return out.text().c_str();
}

// A key as the keyboard gives it to the program, for the page's controls.
EMSCRIPTEN_KEEPALIVE void tessaveld_key(int key) {
    onKey(static_cast<unsigned char>(key), pointerX, pointerY);
}

// A button (GLUT's numbers) pressed or released at (x, y), window pixels, y down.
EMSCRIPTEN_KEEPALIVE void tessaveld_button(int button, int down, int x, int y) {
    pointerX = x;
    pointerY = y;
    onMouse(button, down != 0 ? GLUT_DOWN : GLUT_UP, x, y);
}

// The pointer moved to (x, y) with a button held.
EMSCRIPTEN_KEEPALIVE void tessaveld_drag(int x, int y) {
    pointerX = x;
    pointerY = y;
    onDrag(x, y);
}

// The pointer moved to (x, y) with no button held.
EMSCRIPTEN_KEEPALIVE void tessaveld_hover(int x, int y) {
    pointerX = x;
    pointerY = y;
    onHover(x, y);
}

// Where a touch at (x, y) (window pixels, y down) is taken to be: the nearest
// knot handle the program can move within radius pixels, else the nearest
// point within it, as {"x":..,"y":..} in whole window pixels, y down; "null"
// when nothing is that near. Handles come first, as when the program picks.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_target(double x, double y, double radius) {
    const AppState& s = appState;
    const double height = s.windowHeight;
    double best = radius * radius;
    bool found = false;
    double bestX = 0.0;
    double bestY = 0.0;
    const auto consider = [&](double px, double py) {
        const double dx = px - x;
        const double dy = (height - py) - y;
        const double d = dx * dx + dy * dy;
        if (d <= best) {
            best = d;
            bestX = px;
            bestY = height - py;
            found = true;
        }
    };
    // The end handles never move.
    const int knots = s.knotCount < maxPoints ? s.knotCount : maxPoints;
    if (showsHandles(s.curveMode)) {
        for (int k = 1; k + 1 < knots; ++k) {
            consider(s.knotHandles[k].x, s.knotHandles[k].y);
        }
    }
    const int points = s.pointCount < maxPoints ? s.pointCount : maxPoints;
    for (int i = 0; !found && i < points; ++i) {
        consider(s.controlPoints[i].x, s.controlPoints[i].y);
    }
    JsonWriter& out = targetText;
    out.clear();
    if (!found) {
        out.null();
    } else {
        out.beginObject().key("x").fixed(bestX, 0).key("y").fixed(bestY, 0).endObject();
    }
    return out.text().c_str();
}

// The snapshot of the record, the text the address carries; with
// underPointer 0, without the point and knot under the pointer and the
// handles' highlights, as the undo history keeps it: a hover is never a step
// of its own, and an undo brings back what was built, not where the pointer
// was.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_snapshot(int underPointer) {
    if (underPointer != 0) {
        snapshotText = encodeSnapshot(appState);
    } else {
        static AppState built;
        built = appState;
        built.activePoint = -1;
        built.activeKnot = -1;
        for (KnotHandle& h : built.knotHandles) {
            h.highlighted = 0.0f;
        }
        snapshotText = encodeSnapshot(built);
    }
    return snapshotText.c_str();
}

// Room for a text of length bytes that tessaveld_open then reads.
EMSCRIPTEN_KEEPALIVE char* tessaveld_text(int length) {
    incomingText.assign(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    return incomingText.data();
}

// Opens the snapshot in the text's room: the record becomes what it
// describes, or stays as it was when the text is refused. Returns the
// sentence saying why it was refused, empty when it was applied.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_open() {
    const SnapshotDecoding decoding = decodeSnapshot(incomingText, appState);
    if (decoding.applied) {
        // A running construction stops where the snapshot paused it; the RBF
        // coefficients follow the knots the snapshot carries, which stay.
        glutIdleFunc(nullptr);
        refreshAfter(Edit::Nodes);
    }
    refusalText = decoding.refusal;
    return refusalText.c_str();
}

}  // extern "C"
