#include "app/invariants.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(InvariantsTest, AFreshRecordHoldsAndEachBreakIsNamed) {
    EXPECT_TRUE(recordViolations(AppState{}).empty());

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
        // The one rule between fields: an RBF scheme brings its own stencil.
        {"rbf6 takes a stencil of 6",
         [](AppState& s) {
             s.schemeKind = SubdivisionScheme::Rbf6;
             s.rbfStencilSize = 4;
         }},
        {"schemeKind", [](AppState& s) { s.schemeKind = static_cast<SubdivisionScheme>(5); }},
        {"animation", [](AppState& s) { s.animT = 1.5f; }},
        {"weight", [](AppState& s) { s.reductionAlpha = -1.0f; }},
        {"trace", [](AppState& s) { s.traceFile = stdout; }},
    };
    for (const Case& c : cases) {
        AppState s;
        c.breakIt(s);
        std::string said;
        for (const std::string& sentence : recordViolations(s)) {
            said += sentence + "; ";
        }
        EXPECT_NE(said.find(c.names), std::string::npos) << c.names << ": " << said;
    }
    // Tracing on without a file is allowed: the file could not be created.
    AppState s;
    s.traceEnabled = true;
    EXPECT_TRUE(recordViolations(s).empty());
}

}  // namespace
