#include "app/invariants.hpp"

#include <cassert>
#include <cstdio>
#include <utility>

#include "app/shortest_decimal.hpp"

namespace {

// Frames of one animation run: animT goes 0, 1/64, ..., 1.
constexpr int animationFrames = 65;

class Checker {
  public:
    // Adds the sentence when the condition fails.
    void require(bool holds, const std::string& sentence) {
        if (!holds) {
            out_.push_back(sentence);
        }
    }

    void within(const char* name, int v, int lo, int hi) {
        if (v < lo || v > hi) {
            out_.push_back(std::string(name) + " = " + std::to_string(v) + " lies outside " +
                           std::to_string(lo) + " .. " + std::to_string(hi));
        }
    }

    std::vector<std::string> sentences() { return std::move(out_); }

  private:
    std::vector<std::string> out_;
};

std::string number(float v) {
    return shortestDecimal(v);
}

}  // namespace

std::vector<std::string> recordViolations(const AppState& s) {
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
    c.require(rowOf(curveModeRows, s.curveMode) != nullptr,
              "curveMode = " + std::to_string(static_cast<int>(s.curveMode)) + " names no mode");
    c.require(rowOf(basisRows, s.basisKind) != nullptr,
              "basisKind = " + std::to_string(static_cast<int>(s.basisKind)) + " names no basis");
    const SchemeRow* scheme = rowOf(schemeRows, s.schemeKind);
    c.require(scheme != nullptr, "schemeKind = " + std::to_string(static_cast<int>(s.schemeKind)) +
                                     " names no scheme");
    c.within("rbfStatus", static_cast<int>(s.rbfStatus), 0, 4);
    c.within("stepRefusal", static_cast<int>(s.stepRefusal), 0, 5);
    c.require(s.polyDegree >= 0,
              "the degree is " + std::to_string(s.polyDegree) + "; a degree cannot be negative");
    // The RBF schemes bring their stencil; the others keep the last one.
    const bool stencilKnown = s.rbfStencilSize == 4 || s.rbfStencilSize == 6;
    c.require(stencilKnown, "the RBF stencil has " + std::to_string(s.rbfStencilSize) +
                                " points; it takes 4 or 6");
    if (stencilKnown && scheme != nullptr && scheme->rbfStencil > 0) {
        c.require(s.rbfStencilSize == scheme->rbfStencil,
                  "the scheme " + std::string(scheme->label) + " takes a stencil of " +
                      std::to_string(scheme->rbfStencil) + " points, not " +
                      std::to_string(s.rbfStencilSize));
    }
    c.require(s.pressedButton == -1 || s.pressedButton == 0 || s.pressedButton == 2,
              "the pressed button is neither left, right nor released");
    c.require(s.animFrame >= 0 && s.animFrame <= animationFrames,
              "the animation frame is " + std::to_string(s.animFrame) + "; it lies within 0 .. " +
                  std::to_string(animationFrames));
    c.require(s.animT == -1.0f || (s.animT >= 0.0f && s.animT <= 1.0f),
              "the animation parameter is " + number(s.animT) + "; it is -1 or lies within 0 .. 1");
    c.require(s.reductionAlpha > -1.0f, "the reduction weight alpha is " +
                                            number(s.reductionAlpha) + "; it must lie above -1");
    // Tracing may be on without a file (it could not be created), never the other way.
    c.require(s.traceFile == nullptr || s.traceEnabled, "a trace file is open with tracing off");
    return c.sentences();
}

void assertRecordInvariants(const AppState& s) {
#ifndef NDEBUG
    const std::vector<std::string> broken = recordViolations(s);
    for (const std::string& sentence : broken) {
        std::fprintf(stderr, "state record: %s\n", sentence.c_str());
    }
    assert(broken.empty() && "the state record breaks an invariant (printed above)");
#else
    (void)s;
#endif
}
