// The plot panel's calls into the program: what the panel plots now, worked
// out by app/plot from the program's own functions, as JSON for its words and
// marks and as two arrays of doubles for its samples (read in place by the
// page), and where the control points stand in the window as drawn.

#include <emscripten.h>

#include <array>

#include "app/plot.hpp"
#include "app/state.hpp"
#include "web/native/json.hpp"

namespace {

PlotData shown;
JsonWriter plotText;
JsonWriter positionsText;

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

}  // namespace

extern "C" {

// Works out the plot for the record as it is now and returns it as JSON; its
// samples stay here, in tessaveld_plot_u and tessaveld_plot_value, until the next call.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_plot() {
    shown = currentPlot(appState);
    const PlotData& p = shown;
    JsonWriter& out = plotText;
    out.clear();
    out.beginObject().key("revision").integer(p.revision);
    out.key("kind").string(kindName(p.kind));
    out.key("sentence").string(p.sentence);
    out.key("parameter").beginObject();
    out.key("name").string(p.parameter).key("from").number(p.from).key("to").number(p.to);
    out.endObject();
    out.key("curves").beginArray();
    for (const PlotCurve& c : p.curves) {
        out.beginObject().key("label").string(c.label);
        out.key("index").integer(c.index).key("first").integer(c.first);
        out.key("count").integer(c.count).key("stems").boolean(c.stems);
        out.key("inset").boolean(c.inset).endObject();
    }
    out.endArray();
    out.key("marks").beginObject();
    out.key("marked").boolean(p.marked).key("at").number(p.markedAt);
    out.key("values").numbers(p.markedValues).key("knots").numbers(p.knots);
    out.key("domain").pair(p.domainFrom, p.domainTo);
    out.key("maximum").number(p.maximum).key("maximumAt").number(p.maximumAt);
    out.key("active").integer(appState.activePoint);
    out.endObject().endObject();
    return out.text().c_str();
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
// the view's turn as the display applies it.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_point_positions() {
    const AppState& s = appState;
    const ViewTurn turn = viewTurn(s);
    JsonWriter& out = positionsText;
    out.clear();
    out.beginArray();
    for (int i = 0; i < s.pointCount && i < maxPoints; ++i) {
        const std::array<double, 2> p = turnedPosition(turn, s.controlPoints[i]);
        out.pair(p[0], s.windowHeight - p[1]);
    }
    out.endArray();
    return out.text().c_str();
}

}  // extern "C"
