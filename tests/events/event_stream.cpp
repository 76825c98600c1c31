#include "events/event_stream.hpp"

#include <GL/glut.h>

#include <climits>
#include <cmath>
#include <iterator>
#include <sstream>

#include "app/commands.hpp"
#include "app/invariants.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "app/window.hpp"
#include "render/display.hpp"

namespace tvtest {

namespace {

constexpr int escapeKey = 27;
constexpr int quitCode = static_cast<int>(MenuCode::Quit);
// X11 carries pointer coordinates as 16-bit values: GLUT never reports more.
constexpr int farAway = 32767;
// Keys that act, so that commands come often enough to build up a scene.
constexpr const char commandKeys[] = " ,<.>abcdehijlmnpqrsw12345678";
// Keys worth repeating: degree, subdivision, insertion, elevation, shape. The
// reductions h and j stay out of the bursts: each is the costliest command of
// all, and many in a row add little but time.
constexpr const char burstKeys[] = "wwwqsiee,.";
// Menu codes: the eight that act (quit left out), the gap at 9 and strangers.
constexpr int menuCodes[] = {1, 2, 3, 5, 6, 7, 8, 10, 0, 9, 11, -1, 1000, INT_MIN, INT_MAX};

// A window coordinate to aim at, from a float position that may be anything a
// computation left behind (huge, infinite, not a number).
int aim(float v, int fallback) {
    if (!std::isfinite(v) || std::fabs(v) > static_cast<float>(farAway)) {
        return fallback;
    }
    return static_cast<int>(v);
}

const char* kindName(EventKind k) {
    switch (k) {
        case EventKind::Mouse:
            return "mouse";
        case EventKind::Drag:
            return "drag";
        case EventKind::Hover:
            return "hover";
        case EventKind::Key:
            return "key";
        case EventKind::Menu:
            return "menu";
        case EventKind::Reshape:
            return "reshape";
        case EventKind::Idle:
            return "idle";
        case EventKind::Display:
            return "display";
    }
    return "?";
}

}  // namespace

std::string describe(const Event& e) {
    std::ostringstream out;
    out << kindName(e.kind);
    switch (e.kind) {
        case EventKind::Mouse:
            out << " button " << e.a << (e.b == GLUT_DOWN ? " down" : " up") << " at (" << e.x
                << ", " << e.y << ")";
            break;
        case EventKind::Drag:
        case EventKind::Hover:
            out << " to (" << e.x << ", " << e.y << ")";
            break;
        case EventKind::Key:
            out << " " << e.a;
            if (e.a > 32 && e.a < 127) {
                out << " '" << static_cast<char>(e.a) << "'";
            }
            break;
        case EventKind::Menu:
            out << " code " << e.a;
            break;
        case EventKind::Reshape:
            out << " " << e.a << " x " << e.b;
            break;
        case EventKind::Idle:
        case EventKind::Display:
            break;
    }
    return out.str();
}

void apply(const Event& e) {
    switch (e.kind) {
        case EventKind::Mouse:
            onMouse(e.a, e.b, e.x, e.y);
            break;
        case EventKind::Drag:
            onDrag(e.x, e.y);
            break;
        case EventKind::Hover:
            onHover(e.x, e.y);
            break;
        case EventKind::Key:
            onKey(static_cast<unsigned char>(e.a), e.x, e.y);
            break;
        case EventKind::Menu:
            onMenu(e.a);
            break;
        case EventKind::Reshape:
            onReshape(e.a, e.b);
            break;
        case EventKind::Idle:
            onIdle();
            break;
        case EventKind::Display:
            onDisplay();
            break;
    }
}

std::uint64_t Random::next() {
    state_ += 0x9e3779b97f4a7c15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

int Random::between(int lo, int hi) {
    const std::uint64_t span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo) + 1;
    return static_cast<int>(static_cast<std::int64_t>(lo) +
                            static_cast<std::int64_t>(next() % span));
}

// Somewhere to put the cursor, in GLUT coordinates (y from the top): anywhere
// inside, on the edges, outside, on a point or on a knot handle.
void EventStream::position(int& x, int& y) {
    const AppState& s = appState;
    const int w = s.windowWidth;
    const int h = s.windowHeight;
    const int pick = random_.between(0, 99);
    if (pick < 30) {
        x = random_.between(0, w > 0 ? w - 1 : 0);
        y = random_.between(0, h > 0 ? h - 1 : 0);
    } else if (pick < 40) {
        const int xs[] = {-1, 0, 1, w - 1, w, w + 1};
        const int ys[] = {-1, 0, 1, h - 1, h, h + 1};
        x = xs[random_.between(0, 5)];
        y = ys[random_.between(0, 5)];
    } else if (pick < 48) {
        x = random_.chance(50) ? random_.between(-farAway, -1) : random_.between(w, farAway);
        y = random_.chance(50) ? random_.between(-farAway, farAway) : random_.between(-50, h + 50);
    } else if (pick < 75 && s.pointCount > 0) {
        // Mostly real points, sometimes a slot past the count (stale data).
        const int top = random_.chance(90) ? s.pointCount - 1 : maxPoints - 1;
        const Point3& p = s.controlPoints[random_.between(0, top)];
        x = aim(p.x, w / 2) + random_.between(-9, 9);
        y = h - aim(p.y, h / 2) + random_.between(-9, 9);
    } else if (s.knotCount > 0) {
        const KnotHandle& k = s.knotHandles[random_.between(0, s.knotCount - 1)];
        x = aim(k.x, w / 2) + random_.between(-9, 9);
        y = h - 25 + random_.between(-9, 9);
    } else {
        x = random_.between(-20, w + 20);
        y = random_.between(-20, h + 20);
    }
}

Event EventStream::mouseGesture() {
    Event e;
    e.kind = EventKind::Mouse;
    position(e.x, e.y);
    const int pick = random_.between(0, 99);
    if (pick < 85) {
        // A press, a few drags and (usually) the release of the same button.
        const int button = random_.between(0, 99);
        e.a =
            button < 60 ? GLUT_LEFT_BUTTON : (button < 85 ? GLUT_RIGHT_BUTTON : GLUT_MIDDLE_BUTTON);
        e.b = GLUT_DOWN;
        pendingButton_ = e.a;
        pendingDrags_ = random_.between(0, 6);
        releasePending_ = random_.chance(90);
    } else {
        // A lone press or release of any button freeglut reports, wheel included.
        e.a = random_.between(0, 6);
        e.b = random_.chance(50) ? GLUT_DOWN : GLUT_UP;
    }
    return e;
}

Event EventStream::keyEvent() {
    Event e;
    e.kind = EventKind::Key;
    position(e.x, e.y);
    const int pick = random_.between(0, 99);
    if (pick < 45) {
        e.a = static_cast<unsigned char>(
            commandKeys[random_.between(0, static_cast<int>(sizeof commandKeys) - 2)]);
    } else if (pick < 53) {
        burstKey_ = static_cast<unsigned char>(
            burstKeys[random_.between(0, static_cast<int>(sizeof burstKeys) - 2)]);
        burstLeft_ = random_.between(1, 60);
        e.a = burstKey_;
    } else {
        do {
            e.a = random_.between(0, 255);
        } while (e.a == escapeKey);
    }
    if (!clears_ && e.a == 'c') {
        e.a = 's';
    }
    return e;
}

Event EventStream::menuEvent() {
    Event e;
    e.kind = EventKind::Menu;
    if (random_.chance(90)) {
        e.a = menuCodes[random_.between(0, static_cast<int>(std::size(menuCodes)) - 1)];
    } else {
        do {
            e.a = static_cast<int>(static_cast<std::uint32_t>(random_.next()));
        } while (e.a == quitCode);
    }
    if (!clears_ && e.a == static_cast<int>(MenuCode::Clear)) {
        e.a = static_cast<int>(MenuCode::Subdivision);
    }
    return e;
}

Event EventStream::reshapeEvent() {
    Event e;
    e.kind = EventKind::Reshape;
    const int pick = random_.between(0, 99);
    if (pick < 35) {
        e.a = random_.between(1, 160);
        e.b = random_.between(1, 120);
    } else if (pick < 50) {
        e.a = 1;
        e.b = 1;
    } else if (pick < 65) {
        e.a = 4000;
        e.b = 3000;
    } else if (pick < 85) {
        e.a = 800;
        e.b = 600;
    } else {
        e.a = random_.between(1, 1600);
        e.b = random_.between(1, 1200);
    }
    return e;
}

Event EventStream::next() {
    Event e;
    if (burstLeft_ > 0) {
        --burstLeft_;
        e.kind = EventKind::Key;
        e.a = burstKey_;
        return e;
    }
    if (pendingDrags_ > 0) {
        --pendingDrags_;
        e.kind = EventKind::Drag;
        position(e.x, e.y);
        releaseX_ = e.x;
        releaseY_ = e.y;
        return e;
    }
    if (releasePending_) {
        releasePending_ = false;
        e.kind = EventKind::Mouse;
        e.a = pendingButton_;
        e.b = GLUT_UP;
        e.x = releaseX_;
        e.y = releaseY_;
        return e;
    }
    const int pick = random_.between(0, 99);
    if (pick < 30) {
        e = mouseGesture();
        releaseX_ = e.x;
        releaseY_ = e.y;
    } else if (pick < 44) {
        e.kind = EventKind::Hover;
        position(e.x, e.y);
    } else if (pick < 48) {
        e.kind = EventKind::Drag;
        position(e.x, e.y);
    } else if (pick < 76) {
        e = keyEvent();
    } else if (pick < 83) {
        e = menuEvent();
    } else if (pick < 85) {
        e = reshapeEvent();
    } else if (pick < 93 && appState.animating) {
        // GLUT calls the idle callback only while one is installed.
        e.kind = EventKind::Idle;
    } else {
        e.kind = EventKind::Display;
    }
    return e;
}

std::string checkInvariants(const Event& last, int expectedWidth, int expectedHeight) {
    const AppState& s = appState;
    std::ostringstream out;
    auto within = [&out](const char* name, int v, int lo, int hi) {
        if (v < lo || v > hi) {
            out << name << " = " << v << " outside " << lo << " .. " << hi << "; ";
        }
    };
    // The record's own invariants, then what this test's setting adds: the
    // trace file can always be created here, and the window follows reshapes.
    for (const std::string& sentence : recordViolations(s)) {
        out << sentence << "; ";
    }
    if (s.traceEnabled != (s.traceFile != nullptr)) {
        out << "traceEnabled " << s.traceEnabled << " but the trace file is "
            << (s.traceFile != nullptr ? "open" : "closed") << "; ";
    }
    if (s.windowWidth != expectedWidth || s.windowHeight != expectedHeight) {
        out << "window " << s.windowWidth << " x " << s.windowHeight << " after a reshape to "
            << expectedWidth << " x " << expectedHeight << "; ";
    }
    // A hover has just searched: what it found exists, and the end handles are never found.
    if (last.kind == EventKind::Hover) {
        within("hovered point", s.activePoint, -1, s.pointCount - 1);
        if (s.activeKnot != -1) {
            within("hovered handle", s.activeKnot, 1, s.knotCount - 2);
        }
    }
    return out.str();
}

}  // namespace tvtest
