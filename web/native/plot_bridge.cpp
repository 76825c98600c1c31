// The plot panel's calls into the program: what the panel plots now, worked
// out by app/plot from the program's own functions, as JSON for its words and
// marks and as two arrays of doubles for its samples (read in place by the
// page), and where the control points stand in the window as drawn.

#include <emscripten.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/plot.hpp"
#include "app/state.hpp"
#include "web/native/json.hpp"

namespace {

PlotData shown;
std::string plotText;
std::string positionsText;

const char* kindName(PlotKind kind) {
    switch (kind) {
        case PlotKind::Hint:
            return "hint";
        case PlotKind::Bernstein:
            return "bernstein";
        case PlotKind::Lagrange:
            return "lagrange";
        case PlotKind::Bspline:
            return "bspline";
        case PlotKind::Rbf:
            return "rbf";
        case PlotKind::Mask:
            return "mask";
        case PlotKind::Reduction:
            return "reduction";
        case PlotKind::Family:
            return "family";
    }
    return "hint";
}

// Every double exactly (17 significant digits); JSON has no infinity or NaN.
void number(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    out += text;
}

void numbers(std::string& out, const std::vector<double>& values) {
    out += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        number(out, values[i]);
    }
    out += ']';
}

}  // namespace

extern "C" {

// Works out the plot for the record as it is now and returns it as JSON; its
// samples stay here, in tessaveld_plot_u and tessaveld_plot_value, until the next call.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_plot() {
    shown = currentPlot(appState);
    const PlotData& p = shown;
    std::string& out = plotText;
    out = "{\"revision\":" + std::to_string(p.revision) + ",\"kind\":";
    out += jsonString(kindName(p.kind));
    out += ",\"sentence\":";
    out += jsonString(p.sentence);
    out += ",\"parameter\":{\"name\":";
    out += jsonString(p.parameter);
    out += ",\"from\":";
    number(out, p.from);
    out += ",\"to\":";
    number(out, p.to);
    out += "},\"curves\":[";
    for (size_t i = 0; i < p.curves.size(); ++i) {
        const PlotCurve& c = p.curves[i];
        out += i > 0 ? ",{\"label\":" : "{\"label\":";
        out += jsonString(c.label);
        out += ",\"index\":" + std::to_string(c.index) + ",\"first\":" + std::to_string(c.first) +
               ",\"count\":" + std::to_string(c.count) +
               ",\"stems\":" + (c.stems ? "true" : "false") +
               ",\"inset\":" + (c.inset ? "true" : "false") + "}";
    }
    out += "],\"marks\":{\"marked\":";
    out += p.marked ? "true" : "false";
    out += ",\"at\":";
    number(out, p.markedAt);
    out += ",\"values\":";
    numbers(out, p.markedValues);
    out += ",\"knots\":";
    numbers(out, p.knots);
    out += ",\"domain\":[";
    number(out, p.domainFrom);
    out += ',';
    number(out, p.domainTo);
    out += "],\"maximum\":";
    number(out, p.maximum);
    out += ",\"maximumAt\":";
    number(out, p.maximumAt);
    out += ",\"active\":" + std::to_string(appState.activePoint) + "}}";
    return out.c_str();
}

// Drops the plot the program keeps, so that the next tessaveld_plot makes it
// afresh, as after an edit of the knots or settings (for the bench).
EMSCRIPTEN_KEEPALIVE void tessaveld_plot_forget() {
    forgetPlot();
}

// The samples of the last tessaveld_plot, curve after curve.
EMSCRIPTEN_KEEPALIVE const double* tessaveld_plot_u() {
    return shown.u.data();
}

EMSCRIPTEN_KEEPALIVE const double* tessaveld_plot_value() {
    return shown.value.data();
}

EMSCRIPTEN_KEEPALIVE int tessaveld_plot_samples() {
    return static_cast<int>(shown.u.size());
}

// Where each control point is drawn, in window pixels with y down, through
// the view's turn as the display applies it: translate to the window's
// centre, turn about x, then about y, translate back.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_point_positions() {
    const AppState& s = appState;
    const double cx = s.windowWidth / 2.0;
    const double cy = s.windowHeight / 2.0;
    const double degree = std::acos(-1.0) / 180.0;
    const double ax = static_cast<double>(s.rotationX) * degree;
    const double ay = static_cast<double>(s.rotationY) * degree;
    std::string& out = positionsText;
    out = "[";
    for (int i = 0; i < s.pointCount && i < maxPoints; ++i) {
        const Point3& p = s.controlPoints[i];
        const double x = p.x - cx;
        const double y = p.y - cy;
        const double z = p.z;
        const double x1 = x * std::cos(ay) + z * std::sin(ay);
        const double z1 = -x * std::sin(ay) + z * std::cos(ay);
        const double y2 = y * std::cos(ax) - z1 * std::sin(ax);
        out += i > 0 ? ",[" : "[";
        number(out, x1 + cx);
        out += ',';
        number(out, s.windowHeight - (y2 + cy));
        out += ']';
    }
    out += ']';
    return out.c_str();
}

}  // extern "C"
