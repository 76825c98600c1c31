// The page's call for what the drawn curve is like (app/analysis): its
// samples with derivatives and curvature, a B-spline's joints and the
// hodograph, in window pixels of the turned view (y down), as JSON.

#include <emscripten.h>

#include "app/analysis.hpp"
#include "app/state.hpp"
#include "web/native/json.hpp"

namespace {

JsonWriter analysisText;

JsonWriter& vector(JsonWriter& out, const ShownVector& v) {
    return out.pair(v[0], v[1]);
}

void jet(JsonWriter& out, const ShownJet& j) {
    out.beginObject().key("u").number(j.u);
    vector(out.key("point"), j.point);
    vector(out.key("d1"), j.first);
    vector(out.key("d2"), j.second);
    vector(out.key("normal"), j.normal);
    out.key("curvature");
    if (j.curvature) {
        out.number(*j.curvature);
    } else {
        out.null();
    }
    out.key("piece").integer(j.piece).endObject();
}

}  // namespace

extern "C" {

// The analysis of the curve drawn now, or null when none is drawn. Beside
// what window.tessaveld.analysis() hands on, each sample carries its unit
// normal and its piece, and each knot the limits of its two pieces.
EMSCRIPTEN_KEEPALIVE const char* tessaveld_analysis() {
    const CurveAnalysis a = analyseCurve(appState);
    JsonWriter& out = analysisText;
    out.clear();
    if (!a.drawn) {
        out.null();
        return out.text().c_str();
    }
    out.beginObject().key("mode").string(tokenOf(curveModeRows, a.mode, "none"));
    out.key("from").number(a.from).key("to").number(a.to);
    vector(out.key("centre"), a.centre);
    out.key("samples").beginArray();
    for (const ShownJet& j : a.samples) {
        jet(out, j);
    }
    out.endArray().key("knots").beginArray();
    for (const ShownKnot& k : a.knots) {
        out.beginObject().key("u").number(k.u).key("multiplicity").integer(k.multiplicity);
        out.key("continuity").integer(k.continuity);
        jet(out.key("left"), k.left);
        jet(out.key("right"), k.right);
        out.endObject();
    }
    out.endArray().key("hodograph").beginArray();
    for (const ShownVector& v : a.hodograph) {
        vector(out, v);
    }
    out.endArray().endObject();
    return out.text().c_str();
}

}  // extern "C"
