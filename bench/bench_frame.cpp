#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "app/commands.hpp"
#include "app/mouse.hpp"
#include "app/state.hpp"
#include "app/window.hpp"
#include "bench_window.hpp"
#include "render/display.hpp"

// The interaction-latency harness: what a user feels while dragging. Every
// scenario builds its scene through the program's own callbacks (clicks, menu
// entries, keys), grabs a point or a knot handle and replays a scripted drag
// through onDrag and onDisplay. Each motion event is timed on its own, from
// the callback to the finished frame (glFinish after the buffer swap), and
// the scenario reports the median and the 99th percentile of those times.

namespace {

using Clock = std::chrono::steady_clock;

// Events replayed per scenario, after a few untimed ones that let the
// renderer build its state.
constexpr int timedEvents = 300;
constexpr int warmUpEvents = 10;

constexpr int windowWidth = 800;
constexpr int windowHeight = 600;

// Points are clicked on an ellipse around the window centre: neighbours are
// more than 8 pixels apart along one axis at least, so every click adds a
// point instead of grabbing the previous one.
constexpr double ellipseCentreX = 400.0;
constexpr double ellipseCentreY = 320.0;
constexpr double ellipseRadiusX = 320.0;
constexpr double ellipseRadiusY = 230.0;

// A subdivision step refines at most 64 points, doubling them to capacity.
constexpr int subdivisionStart = maxPoints / 2;

// Pixels a dragged point travels around its start, and the parameter bar's height.
constexpr double dragRadius = 24.0;
constexpr int barY = 25;

enum class Grab { Point, Knot };

struct Scenario {
    const char* label;
    CurveMode mode;
    int degree;
    Grab grab;
    bool family;      // key l pressed before the drag
    bool subdivided;  // 64 points refined to 128 by the s key
};

// Capacity of a mode: the RBF system of n points and degree d has n + d + 1
// unknowns and a B-spline n + d + 1 knots, both held in 128 slots.
int capacity(CurveMode mode, int degree) {
    if (mode == CurveMode::Rbf || mode == CurveMode::Bspline) {
        return maxPoints - degree - 1;
    }
    return maxPoints;
}

void click(int x, int y) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, windowHeight - y);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x, windowHeight - y);
}

void clickPolygon(int count) {
    for (int i = 0; i < count; ++i) {
        const double a = 2.0 * M_PI * i / count;
        click(static_cast<int>(std::lround(ellipseCentreX + ellipseRadiusX * std::cos(a))),
              static_cast<int>(std::lround(ellipseCentreY + ellipseRadiusY * std::sin(a))));
    }
}

void selectMode(CurveMode mode) {
    switch (mode) {
        case CurveMode::Lagrange:
            onMenu(static_cast<int>(MenuCode::Lagrange));
            break;
        case CurveMode::Bezier:
            onMenu(static_cast<int>(MenuCode::Bezier));
            break;
        case CurveMode::Rbf:
            onMenu(static_cast<int>(MenuCode::Rbf));
            break;
        case CurveMode::Bspline:
            onMenu(static_cast<int>(MenuCode::Bspline));
            break;
        case CurveMode::None:
            break;
    }
}

// The scene of a scenario, built as a user would: degree keys, clicks, the
// subdivision command, the curve menu entry, the family key.
void buildScene(const Scenario& sc) {
    appState = AppState{};
    onReshape(windowWidth, windowHeight);
    while (appState.polyDegree < sc.degree) {
        onKey('w', 0, 0);
    }
    while (appState.polyDegree > sc.degree) {
        onKey('q', 0, 0);
    }
    if (sc.subdivided) {
        clickPolygon(subdivisionStart);
        onKey('s', 0, 0);
    } else {
        clickPolygon(capacity(sc.mode, sc.degree));
    }
    selectMode(sc.mode);
    if (sc.family) {
        onKey('l', 0, 0);
    }
    appState.activePoint = -1;
}

// Grabs the scenario's target and returns the GLUT position it was grabbed at.
void grab(const Scenario& sc, int& x, int& y) {
    const AppState& s = appState;
    if (sc.grab == Grab::Knot) {
        // An interior handle right of the middle, as a user would pick one.
        const int k = s.knotCount / 2 + 1;
        x = static_cast<int>(s.knotHandles[k].x);
        y = windowHeight - barY;
    } else {
        const Point3& p = s.controlPoints[10];
        x = static_cast<int>(p.x);
        y = windowHeight - static_cast<int>(p.y);
    }
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
}

// Event e of the script: a point circles its start; a handle sways a few
// pixels left and right (its neighbours stop it).
void moveTo(const Scenario& sc, int e, int x0, int y0, int& x, int& y) {
    if (sc.grab == Grab::Knot) {
        static constexpr int sway[] = {0, 1, 2, 3, 2, 1, 0, -1, -2, -3, -2, -1};
        x = x0 + sway[e % 12];
        y = y0;
    } else {
        const double a = 2.0 * M_PI * e / 60.0;
        x = x0 + static_cast<int>(std::lround(dragRadius * std::sin(a)));
        y = y0 + static_cast<int>(std::lround(dragRadius * (1.0 - std::cos(a))));
    }
}

double percentile(std::vector<double> samples, double p) {
    std::sort(samples.begin(), samples.end());
    // Nearest rank: the smallest sample with at least p of all at or below it.
    const auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(samples.size())));
    return samples[std::max<size_t>(rank, 1) - 1];
}

void BM_EventToFrame(benchmark::State& state, Scenario sc) {
    if (!ensureBenchWindow()) {
        state.SkipWithError("no display");
        return;
    }
    buildScene(sc);
    int x0 = 0;
    int y0 = 0;
    grab(sc, x0, y0);
    const DragMode expected = sc.grab == Grab::Knot ? DragMode::Knot : DragMode::Point;
    if (appState.dragMode != expected) {
        state.SkipWithError("the scripted press did not grab its target");
        appState = AppState{};
        return;
    }
    onDisplay();
    glFinish();
    int e = 0;
    for (; e < warmUpEvents; ++e) {
        int x = 0;
        int y = 0;
        moveTo(sc, e, x0, y0, x, y);
        onDrag(x, y);
        onDisplay();
        glFinish();
    }
    std::vector<double> samples;
    samples.reserve(timedEvents);
    for (auto _ : state) {
        int x = 0;
        int y = 0;
        moveTo(sc, e++, x0, y0, x, y);
        const auto start = Clock::now();
        onDrag(x, y);
        onDisplay();
        glFinish();
        const std::chrono::duration<double> took = Clock::now() - start;
        state.SetIterationTime(took.count());
        samples.push_back(took.count() * 1e3);
    }
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, x0, y0);
    state.counters["points"] = appState.pointCount;
    state.counters["median_ms"] = percentile(samples, 0.5);
    state.counters["p99_ms"] = percentile(samples, 0.99);
    state.counters["max_ms"] = percentile(samples, 1.0);
    appState = AppState{};
    onReshape(windowWidth, windowHeight);
}

bool registerScenarios() {
    const CurveMode modes[] = {CurveMode::None, CurveMode::Lagrange, CurveMode::Bezier,
                               CurveMode::Rbf, CurveMode::Bspline};
    const int degrees[] = {1, 3};
    std::vector<Scenario> all;
    for (const int d : degrees) {
        for (const CurveMode m : modes) {
            all.push_back({"point", m, d, Grab::Point, false, false});
        }
        // Only these modes show handles on the bar.
        for (const CurveMode m : {CurveMode::Lagrange, CurveMode::Bezier, CurveMode::Bspline}) {
            all.push_back({"knot", m, d, Grab::Knot, false, false});
        }
        for (const CurveMode m : modes) {
            all.push_back({"point+family", m, d, Grab::Point, true, false});
        }
        for (const CurveMode m : modes) {
            all.push_back({"point+subdivided", m, d, Grab::Point, false, true});
        }
    }
    for (const Scenario& sc : all) {
        const std::string name = std::string("BM_EventToFrame/") + sc.label + "/" +
                                 std::string(tokenOf(curveModeRows, sc.mode, "none")) +
                                 "/degree:" + std::to_string(sc.degree);
        benchmark::RegisterBenchmark(name.c_str(), BM_EventToFrame, sc)
            ->Iterations(timedEvents)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}

const bool scenariosRegistered = registerScenarios();

}  // namespace
