#pragma once

// Parameter values and knot vectors of each curve mode, the map between knots
// and the handles on the parameter bar, and the parameter the animation shows.

#include <array>
#include <optional>

#include "curves/geometry.hpp"
#include "curves/named.hpp"

// What the display draws after the polygons.
enum class CurveMode : int { None = 0, Lagrange = 1, Bezier = 2, Rbf = 3, Bspline = 4 };

// Each curve mode: its token in a link, its label on the page, and what it
// shows besides its curve.
struct CurveModeRow {
    CurveMode value;
    std::string_view token;
    std::string_view label;
    bool showsHandles;     // its knot handles stand on the parameter bar and can be taken
    bool hasConstruction;  // key m animates its construction
};
constexpr std::array<CurveModeRow, 5> curveModeRows = {{
    {CurveMode::None, "none", "none", false, false},
    {CurveMode::Lagrange, "lagrange", "Lagrange", true, true},
    {CurveMode::Bezier, "bezier", "Bezier", true, true},
    {CurveMode::Rbf, "rbf", "RBF", false, false},
    {CurveMode::Bspline, "bspline", "B-spline", true, true},
}};
static_assert(rowsInOrder(curveModeRows), "one row per curve mode, in order");

// Whether the mode's knot handles are drawn and taken by the pointer.
constexpr bool showsHandles(CurveMode mode) {
    const CurveModeRow* row = rowOf(curveModeRows, mode);
    return row != nullptr && row->showsHandles;
}

// Distance of the parameter bar from the window's left, right and bottom edges, in pixels.
constexpr float parameterBarMargin = 25.0f;

// A knot list of full capacity; its valid count is kept beside it.
using KnotValues = std::array<float, maxPoints>;

// The list a mode starts from for n points and degree d: nodes 0, 1, ..., n - 1
// (Lagrange, RBF); n - 1 zeros then n - 1 ones, at most 64 of each (Bezier);
// the clamped uniform vector of order d + 1 (B-spline). Writes the list to
// knots and returns its length, 0 when the mode has no list for this n and d.
// Returns nothing and writes nothing in mode None or for n outside 0..128.
std::optional<int> defaultKnots(CurveMode mode, int n, int degree, KnotValues& knots);

// The uniform parameters t[j] = j * spacing for j = 0 .. n - 1, each product
// rounded once to float; nothing for n outside 0..128.
void uniformParameters(int n, float spacing, float* t);

// x[i] in pixels for the handle of knots[i], i < count, on the bar from 25 to
// windowWidth - 25: the knot range mapped linearly onto it (every handle at 25
// when the range is empty). Writes nothing for count outside 1..128.
void handlePositions(const float* knots, int count, int windowWidth, float* x);

// Knots from the handles' x positions, running from exactly 0 to exactly 1.
// Returns false and writes nothing for count outside 1..128 or when the first
// and last handle share one x.
bool knotsFromHandlePositions(const float* x, int count, float* knots);

// The parameter value shown at animation time animT (0..1, or -1 for none) on
// the curve of the mode: Lagrange t[0] + (t[n-1] - t[0]) animT over the nodes,
// Bezier animT itself, B-spline the same map onto its domain [t[d], t[n]].
// Nothing in the other modes or when the mode's curve is not defined (no
// points, two equal Lagrange nodes, a knot list that does not fit n and d).
std::optional<float> animationParameter(CurveMode mode, const float* knots, int knotCount,
                                        int pointCount, int degree, float animT);
