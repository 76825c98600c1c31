#pragma once

// What the page's panel plots beside the canvas: the functions the current
// picture is made of, sampled by the program's own mathematics. Basis
// functions of the curve in the curve modes, the mask of the selected scheme
// after subdivision, the weight and error of a reduction, the family's error
// curves, or a sentence saying what to do. Read-only: nothing here writes the
// record, and only the memos of curves/ are touched.

#include <string>
#include <vector>

#include "app/state.hpp"

enum class PlotKind : int { Hint, Bernstein, Lagrange, Bspline, Rbf, Mask, Reduction, Family };

// One plotted function: its samples are u[first .. first + count - 1] and the
// same range of value.
struct PlotCurve {
    std::string label;  // "i = 3", "alpha = 0.5", "weight", "error", "phi"
    int index = -1;     // the control point it weighs; -1 for none
    int first = 0;
    int count = 0;
    bool stems = false;  // a mask: one stem per sample
    bool inset = false;  // the RBF's basis function, plotted beside the cardinals
};

struct PlotData {
    PlotKind kind = PlotKind::Hint;
    std::string sentence;   // the hint, or empty
    std::string parameter;  // the parameter's name: "t", "u", "offset"
    double from = 0.0;      // the parameter's range on the plot
    double to = 1.0;
    std::vector<PlotCurve> curves;
    std::vector<double> u;  // every curve's samples, one curve after another
    std::vector<double> value;

    // The construction's parameter, when one is shown, and every curve's
    // value there (curve order): the weights of the curve point.
    bool marked = false;
    double markedAt = 0.0;
    std::vector<double> markedValues;

    // The knot vector or the nodes, and the B-spline's domain.
    std::vector<double> knots;
    double domainFrom = 0.0;
    double domainTo = 0.0;

    // The reduction's largest error and where it lies.
    double maximum = 0.0;
    double maximumAt = 0.0;

    // Grows whenever a plot is made afresh; the same number means the same plot.
    unsigned revision = 0;
};

// The plot for the record as it is now. A plot that does not depend on the
// control points (all but the reduction's and the family's) is kept while
// its knots and settings stay, so a point drag finds it made.
PlotData currentPlot(const AppState& s);

// Drops the kept plot, so that the next currentPlot makes it afresh: what an
// edit of the knots or settings costs, for measuring it.
void forgetPlot();
