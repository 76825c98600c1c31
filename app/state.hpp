#pragma once

// The editor's whole state: one record, one instance for the whole run. It
// holds inputs, the snapshots that keys take, and data derived from the
// inputs; no scratch. Only app/ writes it; render/ reads it; the mathematics
// in curves/ and subdivision/ never sees it and takes its inputs as arguments.
// Its invariants are checked by recordViolations (app/invariants.hpp).

#include <array>
#include <cstdio>

#include "curves/geometry.hpp"
#include "curves/parameters.hpp"
#include "curves/rbf.hpp"
#include "subdivision/schemes.hpp"

// Edge of a marker cube in pixels, and the half-width of a hit square.
constexpr int markerSize = 8;
// Number of degree-reduced polygons in the family overlay, and the weight
// exponent alpha of each: from nearly -1 (the ends count most) to 99 (only
// the middle counts).
constexpr int familySize = 6;
constexpr std::array<double, familySize> familyWeights = {-0.999, -0.5, 0.0, 0.5, 1.0, 99.0};

// A draggable mark on the parameter bar, one per parameter value.
struct KnotHandle {
    float x = 0.0f;            // window pixels
    float y = 0.0f;            // always 25 once laid out
    float highlighted = 0.0f;  // 0.0 plain, 1.0 highlighted
};

// What the left button holds.
enum class DragMode : int { None = 0, Point = 1, Knot = 2 };

// Codes of the menu entries; the digit keys 1 to 8 reach every entry but quit,
// and the letter keys reuse clear, RBF, subdivision and reload.
enum class MenuCode : int {
    Clear = 1,
    Rbf = 2,
    Subdivision = 3,
    Quit = 4,
    Reload = 5,
    Lagrange = 6,
    Bezier = 7,
    DeletePoint = 8,
    Bspline = 10,
};

struct AppState {
    // Inputs: what the user has done. Written only by the callbacks and
    // commands in app/ (commands.cpp, mouse.cpp, window.cpp); everything else reads.

    // --- Window (written by the reshape callback) ---
    int windowWidth = 800;   // pixels; the parameter bar runs from 25 to width - 25
    int windowHeight = 600;  // pixels; mouse y is turned into height - y

    // --- Polygons (written by the mouse and by the commands: clear, reload,
    //     delete, subdivision, elevation, knot insertion) ---
    ControlPolygon controlPoints{};   // the polygon every method works on
    int pointCount = 0;               // valid entries of controlPoints, 0..128
    ControlPolygon enteredPolygon{};  // the polygon as entered and last dragged; reload restores it
    int enteredPointCount = 0;        // grows with every appended point, 0 on clear, 0..128

    // --- Parameterisation (an input and derived at once: the refresh path
    //     rebuilds the list when the mode, count or degree change; knot drags,
    //     reload, subdivision and knot insertion write it in place) ---
    std::array<float, maxPoints>
        knots{};        // nodes (Lagrange, RBF) or knot vector (Bezier, B-spline)
    int knotCount = 0;  // valid entries of knots and knotHandles
    std::array<KnotHandle, maxPoints> knotHandles{};  // marks on the parameter bar
    float paramSpacing = 1.0f;  // spacing h of uniform values t[i] = i*h; halved by subdivision

    // --- Method selection and parameters ---
    CurveMode curveMode = CurveMode::None;
    SubdivisionScheme schemeKind = SubdivisionScheme::Nr4;
    int rbfStencilSize = 4;  // points per RBF subdivision stencil, 4 or 6
    BasisKind basisKind = BasisKind::Mq1;
    float shapeR = 1.0f;                         // shape parameter r of the basis; unclamped
    static constexpr float shapeStep = 0.0125f;  // change of shapeR per key press
    static constexpr float basisScale =
        rbfBasisScale;                          // factor c in the multiquadrics' x^2 + c^2 r^2
    int polyDegree = 1;                         // RBF polynomial degree and B-spline degree, >= 0
    static constexpr float tensionW = 0.0625f;  // tension of NR4 and UNR4
    float reductionAlpha = -0.99999f;           // weight exponent of the degree reduction, > -1
    static constexpr float alphaStep = 0.25f;   // change of reductionAlpha per key press
    bool halveShapeOnSubdivision = true;        // rbf4/rbf6 steps halve shapeR

    // --- Interaction (written by the mouse callbacks) ---
    int activePoint = -1;      // point under the cursor or dragged; -1 none
    int activeKnot = -1;       // handle under the cursor or dragged; -1 none
    int prevActivePoint = -1;  // activePoint at the previous hover event
    int prevActiveKnot = -1;   // activeKnot at the previous hover event
    DragMode dragMode = DragMode::None;
    int pressedButton = 0;  // 0 left, 2 right, -1 after a release
    int rotateLastX = 0;    // cursor at the last rotation step, pixels, y flipped
    int rotateLastY = 0;
    float rotationX = 0.0f;  // view rotation about the x axis, degrees
    float rotationY = 0.0f;  // view rotation about the y axis, degrees

    // --- Animation, overlays and trace (written by the commands and the idle callback) ---
    bool animating = false;          // the idle callback is installed
    int animFrame = 0;               // 0..65
    float animT = -1.0f;             // 0..1 in steps of 1/64, or -1 for no animation shown
    bool showFamily = false;         // draw the six familyCurves
    bool traceEnabled = false;       // RBF subdivision writes its trace
    std::FILE* traceFile = nullptr;  // "debug.txt" while tracing, if it could be opened

    // Snapshots: results a key computed from the polygon of that moment and
    // shown until another command drops them (written by the commands e, h,
    // j and l; a later drag does not recompute them).
    ControlPolygon auxPolygon{};         // comparison polygon (elevation, reduction), shown
    int auxPointCount = 0;               // 0 or less: the comparison polygon is not drawn
    bool comparisonIsReduction = false;  // it is a reduction (h, j), not the polygon before e
    std::array<ControlPolygon, familySize> familyCurves{};  // reductions for the six fixed weights
    int familyPointCount = 0;  // points per family row when l computed them, 0..127; 0: no rows
    ControlPolygon familyPolygon{};  // the polygon l reduced, familyPointCount + 1 points

    // Derived: kept current by the refresh path (app/refresh.cpp) after every
    // event that changes the inputs, and read by the display.
    RbfCoefficients rbfCoefficients{};  // RBF curve: polynomial part, then weights
    RbfSolveStatus rbfStatus =
        RbfSolveStatus::TooFewCentres;  // the curve is drawn only when Solved

    // Why the last subdivision command left the polygon as it was; written by
    // the command, cleared by the next key, menu entry, press or drag (not by hovering).
    SubdivisionRefusal stepRefusal = SubdivisionRefusal::None;
};

// The one instance.
extern AppState appState;

// Places knotHandles[0..knotCount-1] on the parameter bar for the record's knots
// and window width (y = 25, highlight flags kept); nothing for a count outside
// 1..128. For code that edits the knot list in place, as knot insertion does.
void layoutKnotHandles();

// The view's turn as the display applies it: about the window's centre, by
// the record's rotation angles.
ViewTurn viewTurn(const AppState& s);
