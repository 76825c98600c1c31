#include "app/plot.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "app/notice.hpp"
#include "curves/bezier.hpp"
#include "curves/bspline.hpp"
#include "curves/degree.hpp"
#include "curves/lagrange.hpp"
#include "curves/parameters.hpp"
#include "curves/rbf.hpp"
#include "subdivision/schemes.hpp"

namespace {

// Intervals of the curves' own samples (Bezier, Lagrange, RBF, reduction).
constexpr int curveIntervals = 128;
constexpr int curveSampleCount = curveIntervals + 1;
// Intervals over a B-spline's whole knot range; the knots themselves are
// sampled too, so that every kink shows.
constexpr int knotRangeIntervals = 128;

const char* const emptyHint =
    "Click in the window to add control points, then choose a curve (keys 3 to 6) or subdivide "
    "(s).";
const char* const noCurveHint =
    "Choose a curve (keys 3 to 6) to see the functions it is made of, or subdivide (s) to see "
    "the scheme's mask.";

std::string indexLabel(int i) {
    return "i = " + std::to_string(i);
}

// Starts a curve whose samples follow in the data's arrays.
PlotCurve& beginCurve(PlotData& plot, std::string label, int index) {
    PlotCurve curve;
    curve.label = std::move(label);
    curve.index = index;
    curve.first = static_cast<int>(plot.u.size());
    plot.curves.push_back(curve);
    return plot.curves.back();
}

void addSample(PlotData& plot, double u, double value) {
    plot.u.push_back(u);
    plot.value.push_back(value);
    plot.curves.back().count += 1;
}

PlotData hint(std::string sentence) {
    PlotData plot;
    plot.sentence = std::move(sentence);
    return plot;
}

// The parameter the construction shows now, as the display works it out.
bool constructionParameter(const AppState& s, double& at) {
    if (!(s.animT >= 0.0f && s.animT <= 1.0f)) {
        return false;
    }
    const std::optional<float> u = animationParameter(s.curveMode, s.knots.data(), s.knotCount,
                                                      s.pointCount, s.polyDegree, s.animT);
    if (!u) {
        return false;
    }
    at = *u;
    return true;
}

// Marks the parameter the construction shows with every function's value
// there, written by values(at, out) for the record's n points.
template <typename Values>
void markConstruction(PlotData& plot, const AppState& s, Values values) {
    double at = 0.0;
    if (constructionParameter(s, at)) {
        plot.marked = true;
        plot.markedAt = at;
        plot.markedValues.resize(static_cast<size_t>(s.pointCount));
        values(at, plot.markedValues.data());
    }
}

PlotData bernsteinPlot(const AppState& s) {
    PlotData plot;
    plot.kind = PlotKind::Bernstein;
    plot.parameter = "t";
    const int n = s.pointCount;
    std::vector<std::array<double, maxPoints>> rows(curveSampleCount);
    for (int k = 0; k < curveSampleCount; ++k) {
        const float t = static_cast<float>(k) / static_cast<float>(curveIntervals);
        bernsteinValues(n - 1, t, rows[static_cast<size_t>(k)].data());
    }
    for (int i = 0; i < n; ++i) {
        beginCurve(plot, indexLabel(i), i);
        for (int k = 0; k < curveSampleCount; ++k) {
            addSample(plot, static_cast<double>(k) / curveIntervals,
                      rows[static_cast<size_t>(k)][static_cast<size_t>(i)]);
        }
    }
    markConstruction(plot, s, [&](double at, double* out) { bernsteinValues(n - 1, at, out); });
    return plot;
}

PlotData lagrangePlot(const AppState& s) {
    const int n = s.pointCount;
    const float* t = s.knots.data();
    if (!nodesDistinct(t, n)) {
        return hint("Two nodes coincide: there is no Lagrange curve through the points.");
    }
    PlotData plot;
    plot.kind = PlotKind::Lagrange;
    plot.parameter = "u";
    plot.from = t[0];
    plot.to = t[n - 1];
    std::vector<double> samples(static_cast<size_t>(n) * lagrangeCurveSamples);
    sampleLagrangeCardinals(t, n, samples.data());
    for (int i = 0; i < n; ++i) {
        beginCurve(plot, indexLabel(i), i);
        for (int k = 0; k < lagrangeCurveSamples; ++k) {
            const float u = t[0] + (t[n - 1] - t[0]) * static_cast<float>(k) /
                                       static_cast<float>(curveIntervals);
            addSample(plot, u, samples[static_cast<size_t>(i * lagrangeCurveSamples + k)]);
        }
    }
    plot.knots.assign(t, t + n);
    markConstruction(plot, s, [&](double at, double* out) {
        lagrangeCardinals(t, n, static_cast<float>(at), out);
    });
    return plot;
}

PlotData bsplinePlot(const AppState& s) {
    const BsplineView curve{s.controlPoints.data(), s.pointCount, s.knots.data(), s.knotCount,
                            s.polyDegree};
    if (!bsplineDefined(curve)) {
        return hint("No B-spline: degree " + std::to_string(s.polyDegree) + " needs at least " +
                    std::to_string(s.polyDegree + 1) + " points and a knot list to match.");
    }
    const int n = s.pointCount;
    const int d = s.polyDegree;
    const float* t = s.knots.data();
    const int last = s.knotCount - 1;
    PlotData plot;
    plot.kind = PlotKind::Bspline;
    plot.parameter = "u";
    plot.from = t[0];
    plot.to = t[last];
    plot.domainFrom = t[d];
    plot.domainTo = t[n];
    plot.knots.assign(t, t + s.knotCount);

    // The knot range cut evenly, with every knot added in its place.
    std::vector<float> us;
    for (int k = 0; k <= knotRangeIntervals; ++k) {
        us.push_back(t[0] + (t[last] - t[0]) * static_cast<float>(k) /
                                static_cast<float>(knotRangeIntervals));
    }
    us.insert(us.end(), t, t + s.knotCount);
    std::sort(us.begin(), us.end());
    us.erase(std::unique(us.begin(), us.end()), us.end());

    std::vector<double> values(us.size() * static_cast<size_t>(n));
    for (size_t k = 0; k < us.size(); ++k) {
        bsplineBasisValues(curve, us[k], &values[k * static_cast<size_t>(n)]);
    }
    // Each function over its support [t_i, t_(i+d+1)] only: elsewhere it is 0.
    for (int i = 0; i < n; ++i) {
        beginCurve(plot, indexLabel(i), i);
        for (size_t k = 0; k < us.size(); ++k) {
            if (us[k] >= t[i] && us[k] <= t[i + d + 1]) {
                addSample(plot, us[k], values[k * static_cast<size_t>(n) + static_cast<size_t>(i)]);
            }
        }
    }
    markConstruction(plot, s, [&](double at, double* out) {
        bsplineBasisValues(curve, static_cast<float>(at), out);
    });
    return plot;
}

PlotData rbfPlot(const AppState& s) {
    if (s.rbfStatus != RbfSolveStatus::Solved) {
        return hint(stateNotice(s));
    }
    const int n = s.pointCount;
    const float* t = s.knots.data();
    PlotData plot;
    plot.kind = PlotKind::Rbf;
    plot.parameter = "u";
    plot.from = t[0];
    plot.to = t[n - 1];
    plot.knots.assign(t, t + n);
    std::vector<double> values(static_cast<size_t>(curveSampleCount) * static_cast<size_t>(n));
    std::vector<float> us(curveSampleCount);
    for (int k = 0; k < curveSampleCount; ++k) {
        // The drawn curve's own samples.
        us[static_cast<size_t>(k)] =
            (t[n - 1] - t[0]) * static_cast<float>(k) / static_cast<float>(curveIntervals);
        rbfCardinals(t, n, s.polyDegree, s.basisKind, s.shapeR, us[static_cast<size_t>(k)],
                     &values[static_cast<size_t>(k) * static_cast<size_t>(n)]);
    }
    for (int j = 0; j < n; ++j) {
        beginCurve(plot, indexLabel(j), j);
        for (int k = 0; k < curveSampleCount; ++k) {
            addSample(
                plot, us[static_cast<size_t>(k)],
                values[static_cast<size_t>(k) * static_cast<size_t>(n) + static_cast<size_t>(j)]);
        }
    }
    // The basis function itself, over distances as far as the centres reach.
    PlotCurve& phi = beginCurve(plot, "phi", -1);
    phi.inset = true;
    const float reach = std::max(1.0f, t[n - 1] - t[0]);
    for (int k = 0; k < curveSampleCount; ++k) {
        const float x = reach * (2.0f * static_cast<float>(k) / curveIntervals - 1.0f);
        addSample(plot, x, rbfBasis(s.basisKind, x, s.shapeR));
    }
    return plot;
}

void addMask(PlotData& plot, const SubdivisionMask& mask, const std::string& label) {
    PlotCurve& curve = beginCurve(plot, label, -1);
    curve.stems = true;
    for (int k = 0; k < mask.count; ++k) {
        addSample(plot, mask.offsets[k], mask.weights[k]);
    }
}

PlotData maskPlot(const AppState& s) {
    PlotData plot;
    plot.kind = PlotKind::Mask;
    plot.parameter = "offset";
    const SchemeRow* scheme = rowOf(schemeRows, s.schemeKind);
    if (scheme == nullptr) {
        return plot;
    }
    const std::string label(scheme->label);
    if (scheme->rule == SchemeRule::Rbf) {
        const SubdivisionMask mask =
            rbfMask(s.knots.data(), s.pointCount, s.paramSpacing,
                    {s.rbfStencilSize, s.polyDegree, s.basisKind, s.shapeR});
        if (mask.count == 0) {
            return hint(label + " has no mask for these settings: its next step would be refused.");
        }
        addMask(plot, mask, label);
    } else {
        // The masks the step applies.
        const double tension = scheme->ownTension.value_or(static_cast<double>(AppState::tensionW));
        const FourPointRule rule = fourPointRule(scheme->rule, tension);
        const char* const ordinals[] = {", first point", ", second point"};
        for (int m = 0; m < rule.maskCount; ++m) {
            addMask(plot, rule.masks[m], rule.maskCount == 1 ? label : label + ordinals[m]);
        }
    }
    plot.from = plot.u.empty() ? 0.0 : *std::min_element(plot.u.begin(), plot.u.end());
    plot.to = plot.u.empty() ? 1.0 : *std::max_element(plot.u.begin(), plot.u.end());
    return plot;
}

// The error of one reduction along t: the distance of the curve of points
// and the curve of reduced, at the drawn samples.
void addError(PlotData& plot, const Point3* points, int count, const Point3* reduced,
              std::string label) {
    beginCurve(plot, std::move(label), -1);
    for (int k = 0; k < curveSampleCount; ++k) {
        const float t = static_cast<float>(k) / static_cast<float>(curveIntervals);
        const double e = reductionError(points, count, reduced, t);
        addSample(plot, t, e);
        if (e > plot.maximum) {
            plot.maximum = e;
            plot.maximumAt = t;
        }
    }
}

PlotData reductionPlot(const AppState& s) {
    PlotData plot;
    plot.kind = PlotKind::Reduction;
    plot.parameter = "t";
    beginCurve(plot, "weight", -1);
    for (int k = 0; k < curveSampleCount; ++k) {
        const double t = static_cast<double>(k) / curveIntervals;
        const double w = reductionWeight(s.reductionAlpha, t);
        // Infinite at the ends for alpha < 0: those samples are left out.
        if (std::isfinite(w)) {
            addSample(plot, t, w);
        }
    }
    addError(plot, s.controlPoints.data(), s.pointCount, s.auxPolygon.data(), "error");
    return plot;
}

std::string alphaLabel(double alpha) {
    char text[32];
    std::snprintf(text, sizeof text, "alpha = %g", alpha);
    return text;
}

PlotData familyPlot(const AppState& s) {
    PlotData plot;
    plot.kind = PlotKind::Family;
    plot.parameter = "t";
    for (int i = 0; i < familySize; ++i) {
        addError(plot, s.familyPolygon.data(), s.familyPointCount + 1,
                 s.familyCurves[static_cast<size_t>(i)].data(),
                 alphaLabel(familyWeights[static_cast<size_t>(i)]));
    }
    return plot;
}

// What a plot of basis functions or a mask reads of the record, in one list:
// never the control points, so a point drag finds its plot in the memo. The
// memo keeps these fields as its key, and the plot is made from the memo's
// record, which holds them alone: a plot cannot read a field the key leaves out.
template <typename Each>
void eachPlotInput(Each&& each) {
    each(&AppState::curveMode);
    each(&AppState::pointCount);
    each(&AppState::polyDegree);
    each(&AppState::knotCount);
    each(&AppState::knots);
    each(&AppState::basisKind);
    each(&AppState::shapeR);
    each(&AppState::animT);
    each(&AppState::schemeKind);
    each(&AppState::rbfStencilSize);
    each(&AppState::paramSpacing);
    each(&AppState::rbfStatus);
    each(&AppState::stepRefusal);
}

// A memo of the plot, not editor state: the plot is the same whether it is
// found or made.
struct PlotMemo {
    AppState inputs;
    PlotKind kind = PlotKind::Hint;
    PlotData plot;
    bool valid = false;
};

PlotMemo plotMemo;
unsigned plotsMade = 0;

// Bit for bit, so that -0 and 0 or two NaNs are told apart as a plot might.
bool sameInputs(const AppState& a, const AppState& b) {
    bool same = true;
    eachPlotInput([&](auto field) {
        same = same && std::memcmp(&(a.*field), &(b.*field), sizeof(a.*field)) == 0;
    });
    return same;
}

// Which plot the record calls for; the reduction and the family depend on
// the points themselves, the others on knots and settings only.
PlotKind kindFor(const AppState& s) {
    if (s.showFamily && s.familyPointCount > 0) {
        return PlotKind::Family;
    }
    if (s.auxPointCount > 0 && s.comparisonIsReduction) {
        return PlotKind::Reduction;
    }
    switch (s.curveMode) {
        case CurveMode::Bezier:
            return PlotKind::Bernstein;
        case CurveMode::Lagrange:
            return PlotKind::Lagrange;
        case CurveMode::Bspline:
            return PlotKind::Bspline;
        case CurveMode::Rbf:
            return PlotKind::Rbf;
        case CurveMode::None:
            break;
    }
    return s.paramSpacing < 1.0f ? PlotKind::Mask : PlotKind::Hint;
}

PlotData makePlot(const AppState& s, PlotKind kind) {
    switch (kind) {
        case PlotKind::Family:
            return familyPlot(s);
        case PlotKind::Reduction:
            return reductionPlot(s);
        case PlotKind::Bernstein:
            return bernsteinPlot(s);
        case PlotKind::Lagrange:
            return lagrangePlot(s);
        case PlotKind::Bspline:
            return bsplinePlot(s);
        case PlotKind::Rbf:
            return rbfPlot(s);
        case PlotKind::Mask:
            return maskPlot(s);
        case PlotKind::Hint:
            break;
    }
    // A step since the last clear or reload halves the spacing: without one,
    // there is no mask to show yet.
    return hint(noCurveHint);
}

}  // namespace

PlotData currentPlot(const AppState& s) {
    const int n = s.pointCount;
    if (n <= 0 || n > maxPoints) {
        return hint(emptyHint);
    }
    const PlotKind kind = kindFor(s);
    if (kind == PlotKind::Family || kind == PlotKind::Reduction) {
        PlotData plot = makePlot(s, kind);
        plot.revision = ++plotsMade;
        return plot;
    }
    if (!plotMemo.valid || plotMemo.kind != kind || !sameInputs(plotMemo.inputs, s)) {
        eachPlotInput([&](auto field) { plotMemo.inputs.*field = s.*field; });
        plotMemo.kind = kind;
        plotMemo.plot = makePlot(plotMemo.inputs, kind);
        plotMemo.plot.revision = ++plotsMade;
        plotMemo.valid = true;
    }
    return plotMemo.plot;
}

void forgetPlot() {
    plotMemo.valid = false;
}
