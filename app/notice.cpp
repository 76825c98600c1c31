#include "app/notice.hpp"

#include <cstdio>

namespace {

std::string refusalSentence(const AppState& s) {
    const std::string scheme(labelOf(schemeRows, s.schemeKind));
    char text[160];
    switch (s.stepRefusal) {
        case SubdivisionRefusal::None:
            return {};
        case SubdivisionRefusal::TooManyPoints:
            return "A polygon of more than 64 points is not subdivided.";
        case SubdivisionRefusal::DegreeAboveStencil:
            std::snprintf(text, sizeof text, "%s needs degree %d or less.", scheme.c_str(),
                          s.rbfStencilSize - 1);
            return text;
        case SubdivisionRefusal::SingularStencil:
            std::snprintf(text, sizeof text,
                          "%s did not step: a stencil's local system is singular (its parameters "
                          "repeat or the basis is flat).",
                          scheme.c_str());
            return text;
        case SubdivisionRefusal::MaskSum:
            std::snprintf(text, sizeof text,
                          "%s did not step: a mask's weights do not sum to 1 (its local system is "
                          "too ill-conditioned).",
                          scheme.c_str());
            return text;
        case SubdivisionRefusal::BadStencil:
            break;
    }
    return "The RBF stencil cannot be used.";
}

std::string curveSentence(const AppState& s) {
    if (s.curveMode != CurveMode::Rbf || s.pointCount <= 0) {
        return {};
    }
    char text[160];
    switch (s.rbfStatus) {
        case RbfSolveStatus::Solved:
            return {};
        case RbfSolveStatus::NoRoom:
            std::snprintf(text, sizeof text,
                          "No RBF curve: %d points and degree %d make more than 128 unknowns.",
                          s.pointCount, s.polyDegree);
            return text;
        case RbfSolveStatus::TooFewCentres:
            std::snprintf(text, sizeof text, "No RBF curve: degree %d needs at least %d points.",
                          s.polyDegree, s.polyDegree + 1);
            return text;
        case RbfSolveStatus::Singular:
            return "No RBF curve: its system is singular (two centres coincide or the basis is "
                   "flat).";
        case RbfSolveStatus::Inexact:
            break;
    }
    return "No RBF curve: the solved curve misses its own points by more than 0.01 px (the system "
           "is too ill-conditioned).";
}

}  // namespace

std::string stateNotice(const AppState& s) {
    const std::string step = refusalSentence(s);
    return step.empty() ? curveSentence(s) : step;
}
