#include "app/invariants.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(InvariantsTest, AFreshRecordHoldsAndEachBreakIsNamed) {
    EXPECT_EQ(recordViolations(AppState{}), "");

    struct Case {
        const char* names;  // a word the sentence must contain
        void (*breakIt)(AppState&);
    };
    const Case cases[] = {
        {"pointCount", [](AppState& s) { s.pointCount = maxPoints + 1; }},
        {"pointCount", [](AppState& s) { s.pointCount = -1; }},
        {"auxPointCount", [](AppState& s) { s.auxPointCount = maxPoints; }},
        {"knotCount", [](AppState& s) { s.knotCount = maxPoints + 1; }},
        {"activeKnot", [](AppState& s) { s.activeKnot = -2; }},
        {"curveMode", [](AppState& s) { s.curveMode = static_cast<CurveMode>(5); }},
        {"basisKind", [](AppState& s) { s.basisKind = static_cast<BasisKind>(3); }},
        {"degree", [](AppState& s) { s.polyDegree = -1; }},
        {"stencil", [](AppState& s) { s.rbfStencilSize = 5; }},
        {"animation", [](AppState& s) { s.animT = 1.5f; }},
        {"weight", [](AppState& s) { s.reductionAlpha = -1.0f; }},
        {"trace", [](AppState& s) { s.traceFile = stdout; }},
    };
    for (const Case& c : cases) {
        AppState s;
        c.breakIt(s);
        const std::string said = recordViolations(s);
        EXPECT_NE(said.find(c.names), std::string::npos) << c.names << ": " << said;
    }
    // Tracing on without a file is allowed: the file could not be created.
    AppState s;
    s.traceEnabled = true;
    EXPECT_EQ(recordViolations(s), "");
}

}  // namespace
