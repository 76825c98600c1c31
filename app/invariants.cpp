#include "app/invariants.hpp"

#include <cassert>
#include <cstdio>
#include <sstream>

namespace {

// Frames of one animation run: animT goes 0, 1/64, ..., 1.
constexpr int animationFrames = 65;

class Checker {
  public:
    // Adds the sentence when the condition fails.
    void require(bool holds, const std::string& sentence) {
        if (!holds) {
            out_ << sentence << "; ";
        }
    }

    void within(const char* name, int v, int lo, int hi) {
        std::ostringstream s;
        s << name << " = " << v << " lies outside " << lo << " .. " << hi;
        require(v >= lo && v <= hi, s.str());
    }

    std::string text() const { return out_.str(); }

  private:
    std::ostringstream out_;
};

}  // namespace

std::string recordViolations(const AppState& s) {
    Checker c;
    // Every count indexes a 128-entry array.
    c.within("pointCount", s.pointCount, 0, maxPoints);
    c.within("enteredPointCount", s.enteredPointCount, 0, maxPoints);
    // A reduction of fewer than two points leaves no comparison polygon
    // (count 0 or -1); the largest is one less than a full polygon.
    c.within("auxPointCount", s.auxPointCount, -1, maxPoints - 1);
    c.within("familyPointCount", s.familyPointCount, 0, maxPoints - 1);
    c.within("knotCount", s.knotCount, 0, maxPoints);
    c.within("activePoint", s.activePoint, -1, maxPoints - 1);
    c.within("activeKnot", s.activeKnot, -1, maxPoints - 1);
    c.within("prevActivePoint", s.prevActivePoint, -1, maxPoints - 1);
    c.within("prevActiveKnot", s.prevActiveKnot, -1, maxPoints - 1);
    // The enumerations hold one of their named values.
    c.within("dragMode", static_cast<int>(s.dragMode), 0, 2);
    c.within("curveMode", static_cast<int>(s.curveMode), 0, 4);
    c.within("schemeKind", static_cast<int>(s.schemeKind), 0, subdivisionSchemeCount - 1);
    c.within("basisKind", static_cast<int>(s.basisKind), 0, basisKindCount - 1);
    c.within("rbfStatus", static_cast<int>(s.rbfStatus), 0, 4);
    c.within("stepRefusal", static_cast<int>(s.stepRefusal), 0, 5);
    c.require(s.polyDegree >= 0, "the degree is negative");
    c.require(s.rbfStencilSize == 4 || s.rbfStencilSize == 6,
              "the RBF stencil has neither 4 nor 6 points");
    c.require(s.pressedButton == -1 || s.pressedButton == 0 || s.pressedButton == 2,
              "the pressed button is neither left, right nor released");
    c.within("animFrame", s.animFrame, 0, animationFrames);
    c.require(s.animT == -1.0f || (s.animT >= 0.0f && s.animT <= 1.0f),
              "the animation parameter is neither -1 nor within 0 .. 1");
    c.require(s.reductionAlpha > -1.0f, "the reduction weight exponent is -1 or below");
    // Tracing may be on without a file (it could not be created), never the other way.
    c.require(s.traceFile == nullptr || s.traceEnabled, "a trace file is open with tracing off");
    return c.text();
}

void assertRecordInvariants(const AppState& s) {
#ifndef NDEBUG
    const std::string broken = recordViolations(s);
    if (!broken.empty()) {
        std::fprintf(stderr, "state record: %s\n", broken.c_str());
    }
    assert(broken.empty() && "the state record breaks an invariant (printed above)");
#else
    (void)s;
#endif
}
