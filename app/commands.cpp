#include "app/commands.hpp"

#include <GL/glut.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/mouse.hpp"
#include "app/platform.hpp"
#include "app/refresh.hpp"
#include "app/state.hpp"
#include "curves/degree.hpp"
#include "curves/knot_insertion.hpp"
#include "curves/rbf.hpp"
#include "render/frames.hpp"
#include "subdivision/schemes.hpp"

namespace {

constexpr unsigned char escapeKey = 27;
constexpr int quitStatus = 1;
constexpr int escapeStatus = -1;

// The animation shows animT = 0, 1/64, ..., 64/64 and then one frame without
// a construction; the frame counter stops after the 66th step.
constexpr double animFrameDivisor = 64.0;
constexpr int animStepCount = 66;
constexpr float noAnimation = -1.0f;

// The reduction weight (4t(1-t))^alpha is integrable only for alpha > -1; a
// step that would come too close to -1 lands on the start value instead.
constexpr float alphaFloor = -0.99f;
constexpr float alphaNearMinusOne = -0.99999f;
// The reduction needs a curve of degree two or more.
constexpr int minReduciblePoints = 3;

// Without a middle button the digit keys 1 to 8 reach the menu: digit n runs
// the entry at position n, in the order the menu lists them (window.cpp).
// "quit" has no digit, so leaving stays a deliberate act: the menu or Esc.
constexpr std::array<MenuCode, 8> menuByDigit = {
    MenuCode::Clear,    MenuCode::Reload,  MenuCode::Rbf,         MenuCode::Bezier,
    MenuCode::Lagrange, MenuCode::Bspline, MenuCode::Subdivision, MenuCode::DeletePoint,
};

constexpr const char* traceFileName = "debug.txt";
constexpr const char* traceFileMode = "wt";

// Clears the comparison polygon and the family overlay, as most commands do.
void dropOverlays() {
    appState.auxPointCount = 0;
    appState.showFamily = false;
}

void selectCurve(CurveMode mode) {
    dropOverlays();
    appState.curveMode = mode;
    refreshAfter(Edit::Layout);
}

void clearPolygon() {
    AppState& s = appState;
    s.pointCount = 0;
    s.auxPointCount = 0;
    s.showFamily = false;
    s.enteredPointCount = 0;
    s.paramSpacing = 1.0f;
    // The knot list and its handles stay as they were, unused until the next
    // point starts a list afresh.
    refreshAfter(Edit::View);
}

// While tracing, the RBF masks go to the trace file (when it could be opened)
// and to standard output.
TraceSink traceSink() {
    const AppState& s = appState;
    return s.traceEnabled ? TraceSink{s.traceFile, stdout} : TraceSink{};
}

// The selected scheme's step, or nothing with the reason in refusal.
std::optional<RefinedPolygon> refineWithScheme(SubdivisionRefusal& refusal) {
    const AppState& s = appState;
    const Point3* points = s.controlPoints.data();
    const int n = s.pointCount;
    const SchemeRow* scheme = rowOf(schemeRows, s.schemeKind);
    if (scheme == nullptr) {
        refusal = SubdivisionRefusal::BadStencil;
        return std::nullopt;
    }
    if (scheme->rule == SchemeRule::Rbf) {
        return refineRbf(points, s.knots.data(), n, s.paramSpacing,
                         {s.rbfStencilSize, s.polyDegree, s.basisKind, s.shapeR}, traceSink(),
                         &refusal);
    }
    const double tension = scheme->ownTension.value_or(static_cast<double>(AppState::tensionW));
    const std::optional<RefinedPolygon> refined =
        refineWithRule(points, n, fourPointRule(scheme->rule, tension));
    // The fixed-weight schemes refuse only a polygon that would not fit.
    refusal = refined ? SubdivisionRefusal::None : SubdivisionRefusal::TooManyPoints;
    return refined;
}

// The comparison frame shows the refined polygon after the record holds it:
// the status line of the UNR4 frame reports the new point count.
void subdivide() {
    AppState& s = appState;
    dropOverlays();
    s.curveMode = CurveMode::None;
    const std::optional<RefinedPolygon> refined = refineWithScheme(s.stepRefusal);
    if (s.traceEnabled) {
        platformTraceWritten(s.traceFile);
    }
    Edit edit = Edit::View;
    if (refined) {
        const ControlPolygon before = s.controlPoints;
        const int beforeCount = s.pointCount;
        s.pointCount = refined->count;
        s.paramSpacing = s.paramSpacing * 0.5f;
        std::copy_n(refined->points.data(), refined->count, s.controlPoints.data());
        uniformParameters(refined->count, s.paramSpacing, s.knots.data());
        const SchemeRow* scheme = rowOf(schemeRows, s.schemeKind);
        const bool rbf = scheme != nullptr && scheme->rule == SchemeRule::Rbf;
        // Halving r with the spacing keeps the multiquadric masks the same from level to level.
        if (rbf && s.halveShapeOnSubdivision) {
            s.shapeR = s.shapeR * 0.5f;
        }
        // The clamp only matters for a state that no command produces.
        const int enteredCount = std::max(0, std::min(s.enteredPointCount, maxPoints));
        drawSubdivisionFrame(s.schemeKind, {s.enteredPolygon.data(), enteredCount},
                             {before.data(), beforeCount}, {s.controlPoints.data(), s.pointCount});
        // New points at new parameter values; the list keeps its count.
        edit = Edit::Nodes;
    }
    refreshAfter(edit);
}

// Key i: Boehm's rule at the active knot handle, in B-spline mode only. The
// transition frame draws the curve and the bar from the record, so it comes
// after the record holds the new polygon and knots. No redisplay follows: it
// would replace the frame at once.
void insertActiveKnot() {
    AppState& s = appState;
    if (s.curveMode != CurveMode::Bspline) {
        return;
    }
    const std::optional<KnotInsertion> inserted =
        insertKnot(s.controlPoints.data(), s.pointCount, s.knots.data(), s.knotCount, s.polyDegree,
                   s.activeKnot);
    if (!inserted) {
        return;
    }
    const ControlPolygon before = s.controlPoints;
    const int beforeCount = s.pointCount;
    s.pointCount = inserted->pointCount;
    for (int i = 0; i < inserted->pointCount; ++i) {
        s.controlPoints[i] = inserted->points[i];
    }
    s.knotCount = inserted->knotCount;
    for (int k = 0; k < inserted->knotCount; ++k) {
        s.knots[k] = inserted->knots[k];
    }
    layoutKnotHandles();
    drawKnotInsertionFrame({before.data(), beforeCount}, {s.controlPoints.data(), s.pointCount});
}

// Restores the polygon as entered with uniform parameters 0, 1, 2, ...; the
// knot handles and the curve mode stay as they are.
void reloadPolygon() {
    AppState& s = appState;
    if (s.enteredPointCount <= 0) {
        return;
    }
    s.shapeR = 1.0f;
    dropOverlays();
    s.pointCount = s.enteredPointCount < maxPoints ? s.enteredPointCount : maxPoints;
    s.paramSpacing = 1.0f;
    std::copy_n(s.enteredPolygon.data(), s.pointCount, s.controlPoints.data());
    uniformParameters(s.pointCount, s.paramSpacing, s.knots.data());
    refreshAfter(Edit::Nodes);
}

void changeShape(float delta) {
    appState.shapeR = appState.shapeR + delta;
    refreshAfter(Edit::Basis);
}

void changeDegree(int delta) {
    int degree = appState.polyDegree + delta;
    appState.polyDegree = degree < 0 ? 0 : degree;
    refreshAfter(Edit::Layout);
}

void nextScheme() {
    AppState& s = appState;
    int next = static_cast<int>(s.schemeKind) + 1;
    if (next >= subdivisionSchemeCount) {
        next = 0;
    }
    s.schemeKind = static_cast<SubdivisionScheme>(next);
    // An RBF scheme brings its stencil; the others leave the last one.
    const int stencil = schemeRows[static_cast<std::size_t>(next)].rbfStencil;
    if (stencil > 0) {
        s.rbfStencilSize = stencil;
    }
    refreshAfter(Edit::View);
}

void nextBasis() {
    int next = static_cast<int>(appState.basisKind) + 1;
    if (next >= basisKindCount) {
        next = 0;
    }
    appState.basisKind = static_cast<BasisKind>(next);
    refreshAfter(Edit::Basis);
}

// Key e: the raised polygon replaces the control polygon, and the old one
// stays beside it as the comparison polygon.
void elevate() {
    AppState& s = appState;
    dropOverlays();
    ControlPolygon raised;
    const int n = s.pointCount;
    const int count = elevateDegree(s.controlPoints.data(), n, raised.data());
    if (count == 0) {
        refreshAfter(Edit::View);
        return;
    }
    for (int i = 0; i < n; ++i) {
        s.auxPolygon[i] = s.controlPoints[i];
    }
    for (int i = 0; i < count; ++i) {
        s.controlPoints[i] = raised[i];
    }
    s.auxPointCount = n;
    s.comparisonIsReduction = false;
    s.pointCount = count;
    refreshAfter(Edit::Layout);
}

// Keys h and j: the comparison polygon is the reduction for the new alpha.
// Below three points nothing is reduced; a two-point polygon would otherwise
// show one point left over in auxPolygon from some earlier operation as if it
// were the reduction, so its comparison polygon stays empty.
void reduceWithAlpha(float delta) {
    AppState& s = appState;
    s.reductionAlpha = s.reductionAlpha + delta;
    if (!(s.reductionAlpha > alphaFloor)) {
        s.reductionAlpha = alphaNearMinusOne;
    }
    reduceDegree(s.controlPoints.data(), s.pointCount, s.reductionAlpha, s.auxPolygon.data());
    s.auxPointCount =
        s.pointCount >= minReduciblePoints ? s.pointCount - 1 : std::min(s.pointCount - 1, 0);
    s.comparisonIsReduction = true;
    refreshAfter(Edit::View);
}

void toggleFamily() {
    AppState& s = appState;
    s.auxPointCount = 0;
    s.showFamily = !s.showFamily;
    if (s.showFamily) {
        // The rows belong to this polygon: below three points nothing is
        // reduced, and rows left from an earlier polygon must not show.
        s.familyPointCount = s.pointCount >= minReduciblePoints ? s.pointCount - 1 : 0;
        // The rows keep their polygon beside them: a snapshot carries it, not
        // the rows, which it recomputes.
        s.familyPolygon = s.controlPoints;
        for (int i = 0; i < familySize && s.familyPointCount > 0; ++i) {
            reduceDegree(s.controlPoints.data(), s.pointCount, familyWeights[i],
                         s.familyCurves[i].data());
        }
    }
    refreshAfter(Edit::View);
}

// Pausing keeps animFrame and animT, so the construction stays frozen on
// screen and the next m continues from the same frame.
void toggleAnimation() {
    AppState& s = appState;
    const CurveModeRow* mode = rowOf(curveModeRows, s.curveMode);
    if (mode == nullptr || !mode->hasConstruction) {
        return;
    }
    s.animating = !s.animating;
    glutIdleFunc(s.animating ? onIdle : nullptr);
}

void toggleHalving() {
    appState.halveShapeOnSubdivision = !appState.halveShapeOnSubdivision;
    refreshAfter(Edit::View);
}

// Without a file (it could not be created) tracing still goes to standard
// output, so the switch is on either way.
void toggleTrace() {
    AppState& s = appState;
    s.traceEnabled = !s.traceEnabled;
    if (s.traceFile != nullptr) {
        std::fclose(s.traceFile);
        s.traceFile = nullptr;
    }
    if (s.traceEnabled) {
        s.traceFile = std::fopen(traceFileName, traceFileMode);
    }
}

void resetRotation() {
    appState.rotationX = 0.0f;
    appState.rotationY = 0.0f;
    refreshAfter(Edit::View);
}

}  // namespace

void onMenu(int code) {
    appState.stepRefusal = SubdivisionRefusal::None;
    switch (static_cast<MenuCode>(code)) {
        case MenuCode::Clear:
            clearPolygon();
            break;
        case MenuCode::Rbf:
            selectCurve(CurveMode::Rbf);
            break;
        case MenuCode::Subdivision:
            subdivide();
            break;
        case MenuCode::Quit:
            platformQuit(quitStatus);
        case MenuCode::Reload:
            reloadPolygon();
            break;
        case MenuCode::Lagrange:
            selectCurve(CurveMode::Lagrange);
            break;
        case MenuCode::Bezier:
            selectCurve(CurveMode::Bezier);
            break;
        case MenuCode::DeletePoint:
            dropOverlays();
            refreshAfter(deleteActivePoint() ? Edit::Layout : Edit::View);
            break;
        case MenuCode::Bspline:
            selectCurve(CurveMode::Bspline);
            break;
        default:
            break;
    }
}

void onKey(unsigned char key, int /*x*/, int /*y*/) {
    appState.stepRefusal = SubdivisionRefusal::None;
    switch (key) {
        case escapeKey:
            platformQuit(escapeStatus);
        case ' ':
            resetRotation();
            break;
        case ',':
        case '<':
            changeShape(-AppState::shapeStep);
            break;
        case '.':
        case '>':
            changeShape(AppState::shapeStep);
            break;
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
            onMenu(static_cast<int>(menuByDigit[static_cast<std::size_t>(key - '1')]));
            break;
        case 'a':
            nextScheme();
            break;
        case 'b':
            nextBasis();
            break;
        case 'c':
            onMenu(static_cast<int>(MenuCode::Clear));
            break;
        case 'd':
            onMenu(static_cast<int>(MenuCode::Reload));
            break;
        case 'e':
            elevate();
            break;
        case 'h':
            reduceWithAlpha(-AppState::alphaStep);
            break;
        case 'i':
            insertActiveKnot();
            break;
        case 'j':
            reduceWithAlpha(AppState::alphaStep);
            break;
        case 'l':
            toggleFamily();
            break;
        case 'm':
            toggleAnimation();
            break;
        case 'n':
            toggleHalving();
            break;
        case 'p':
            toggleTrace();
            break;
        case 'q':
            changeDegree(-1);
            break;
        case 'r':
            onMenu(static_cast<int>(MenuCode::Rbf));
            break;
        case 's':
            onMenu(static_cast<int>(MenuCode::Subdivision));
            break;
        case 'w':
            changeDegree(1);
            break;
        default:
            break;
    }
}

void onIdle() {
    AppState& s = appState;
    s.animT = static_cast<float>(s.animFrame / animFrameDivisor);
    s.animFrame = s.animFrame + 1;
    if (s.animFrame >= animStepCount) {
        s.animT = noAnimation;
        s.animFrame = 0;
        s.animating = false;
        glutIdleFunc(nullptr);
    }
    refreshAfter(Edit::View);
}
