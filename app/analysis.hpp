#pragma once

// What the drawn curve is like, as the page shows it beside the picture: its
// points, first and second derivatives and signed curvature at the drawn
// curve's own samples, in window pixels of the turned view; a B-spline's
// interior knots with their multiplicity, the continuity they leave and the
// two pieces' limits there; and the hodograph's control points. Read-only:
// nothing here writes the record.

#include <array>
#include <optional>
#include <vector>

#include "app/state.hpp"

// A plane vector or point in window pixels, x to the right and y down (as the
// page's canvases count), through the view's turn; the depth is dropped.
using ShownVector = std::array<double, 2>;

// The curve at one parameter as it is shown. first and second are
// derivatives with respect to the curve's own parameter u (pixels per unit of
// u, per unit squared). normal is the unit vector (-y', x') / |(x', y')|: a
// hair of the comb runs from point to point + scale * curvature * normal, on
// the side the curve bends to. curvature is (x'y'' - y'x'') / (x'^2 + y'^2)^(3/2)
// in these coordinates, 1 / pixels; nothing where the curve stands still.
struct ShownJet {
    double u = 0.0;
    ShownVector point{};
    ShownVector first{};
    ShownVector second{};
    ShownVector normal{};
    std::optional<double> curvature;
    int piece = 0;  // the piece between knots the sample lies in: 0, 1, ...
};

// An interior knot of a B-spline: its value, how many knots share it, the
// continuity C^(d - m) it leaves (negative: the curve breaks there), and the
// limits of the pieces that meet there, from the left and from the right.
struct ShownKnot {
    double u = 0.0;
    int multiplicity = 1;
    int continuity = 0;
    ShownJet left;
    ShownJet right;
};

struct CurveAnalysis {
    bool drawn = false;  // false: no curve is drawn and nothing below holds
    CurveMode mode = CurveMode::None;
    double from = 0.0;  // the parameter's range over the drawn curve
    double to = 1.0;
    std::vector<ShownJet> samples;       // the drawn curve's own samples, in order
    std::vector<ShownKnot> knots;        // B-spline only, in increasing u
    std::vector<ShownVector> hodograph;  // Bezier and B-spline: the derivative's control points
    ShownVector centre{};                // the window's centre, about which the hodograph is drawn
};

// The analysis of the curve the record draws now. Nothing is drawn (drawn is
// false) without points, in mode None, for two equal Lagrange nodes, an RBF
// system that was not solved, a B-spline whose knots do not fit its points
// and degree, and a B-spline whose knot list is out of order (a handle held
// past a fractional neighbour: its pieces are not ordered in u).
CurveAnalysis analyseCurve(const AppState& s);
