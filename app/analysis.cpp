#include "app/analysis.hpp"

#include <algorithm>
#include <cmath>

#include "curves/bezier.hpp"
#include "curves/bspline.hpp"
#include "curves/derivatives.hpp"
#include "curves/lagrange.hpp"

namespace {

// Intervals of the drawn curves over their parameter range.
constexpr int curveIntervals = 128;
// Below this share of the fastest sample's speed a sample counts as standing
// still: at a cusp the computed speed is rounding noise, some 1e-13 of it.
constexpr double stillShare = 1e-9;

// What the display does to a point or a vector, then y turned downwards.
class ShownFrame {
  public:
    explicit ShownFrame(const AppState& s) : turn_(viewTurn(s)), height_(s.windowHeight) {}

    ShownVector point(const Vector3& p) const {
        const std::array<double, 2> v =
            turnedVector(turn_, p[0] - turn_.centreX, p[1] - turn_.centreY, p[2]);
        return {v[0] + turn_.centreX, height_ - (v[1] + turn_.centreY)};
    }
    ShownVector vector(const Vector3& v) const {
        const std::array<double, 2> w = turnedVector(turn_, v[0], v[1], v[2]);
        return {w[0], -w[1]};
    }
    ShownVector centre() const { return {turn_.centreX, height_ - turn_.centreY}; }

  private:
    ViewTurn turn_;
    double height_;
};

ShownJet shown(const ShownFrame& frame, double u, const CurveJet& jet) {
    ShownJet out;
    out.u = u;
    out.point = frame.point(jet.point);
    out.first = frame.vector(jet.first);
    out.second = frame.vector(jet.second);
    const double speed = std::hypot(out.first[0], out.first[1]);
    if (speed > 0.0) {
        out.normal = {-out.first[1] / speed, out.first[0] / speed};
    }
    return out;
}

// The curvature of every sample and limit, once the fastest sample is known.
void addCurvature(CurveAnalysis& a) {
    double fastest = 0.0;
    for (const ShownJet& j : a.samples) {
        const double speed = std::hypot(j.first[0], j.first[1]);
        if (std::isfinite(speed)) {
            fastest = std::max(fastest, speed);
        }
    }
    const double still = stillShare * fastest;
    const auto set = [still](ShownJet& j) {
        j.curvature = signedCurvature(j.first, j.second, still);
    };
    std::for_each(a.samples.begin(), a.samples.end(), set);
    for (ShownKnot& k : a.knots) {
        set(k.left);
        set(k.right);
    }
}

// The parameter of sample k of the drawn curve, in the float arithmetic of
// each curve's own sampling, so that every sample is a vertex of the strip.
float bezierSample(int k) {
    return static_cast<float>(k) / static_cast<float>(curveIntervals);
}

float nodeRangeSample(const float* t, int n, int k) {
    return t[0] + (t[n - 1] - t[0]) * static_cast<float>(k) / static_cast<float>(curveIntervals);
}

float rbfSample(const float* t, int n, int k) {
    return (t[n - 1] - t[0]) * static_cast<float>(k) / static_cast<float>(curveIntervals);
}

float bsplineSample(float lo, float hi, int k) {
    return static_cast<float>(k) / static_cast<float>(bsplineCurveSamples) * (hi - lo) + lo;
}

bool knotsInOrder(const float* t, int count) {
    for (int i = 0; i + 1 < count; ++i) {
        if (!(t[i] <= t[i + 1])) {
            return false;
        }
    }
    return true;
}

void analyseBezier(const AppState& s, const ShownFrame& frame, CurveAnalysis& a) {
    const Point3* p = s.controlPoints.data();
    const int n = s.pointCount;
    a.from = 0.0;
    a.to = 1.0;
    for (int k = 0; k < bezierCurveSamples; ++k) {
        const double x = bezierSample(k);
        a.samples.push_back(shown(frame, x, bezierJet(p, n, x)));
    }
    std::array<Vector3, maxPoints> h{};
    const int count = bezierHodograph(p, n, h.data());
    for (int i = 0; i < count; ++i) {
        a.hodograph.push_back(frame.vector(h[i]));
    }
}

bool analyseLagrange(const AppState& s, const ShownFrame& frame, CurveAnalysis& a) {
    const float* t = s.knots.data();
    const int n = s.pointCount;
    if (!nodesDistinct(t, n)) {
        return false;
    }
    std::array<double, maxPoints> w{};
    lagrangeBarycentricWeights(t, n, w.data());
    a.from = t[0];
    a.to = t[n - 1];
    for (int k = 0; k < lagrangeCurveSamples; ++k) {
        const float u = nodeRangeSample(t, n, k);
        a.samples.push_back(
            shown(frame, u, lagrangeJet(s.controlPoints.data(), t, w.data(), n, u)));
    }
    return true;
}

bool analyseRbf(const AppState& s, const ShownFrame& frame, CurveAnalysis& a) {
    if (s.rbfStatus != RbfSolveStatus::Solved) {
        return false;
    }
    const float* t = s.knots.data();
    const int n = s.pointCount;
    a.from = 0.0;
    a.to = t[n - 1] - t[0];
    for (int k = 0; k <= curveIntervals; ++k) {
        const float u = rbfSample(t, n, k);
        a.samples.push_back(shown(
            frame, u, rbfJet(s.rbfCoefficients, t, n, s.polyDegree, s.basisKind, s.shapeR, u)));
    }
    return true;
}

bool analyseBspline(const AppState& s, const ShownFrame& frame, CurveAnalysis& a) {
    const BsplineView curve{s.controlPoints.data(), s.pointCount, s.knots.data(), s.knotCount,
                            s.polyDegree};
    if (!bsplineDefined(curve) || !knotsInOrder(curve.knots, curve.knotCount)) {
        return false;
    }
    const float* t = curve.knots;
    const int n = curve.pointCount;
    const int d = curve.degree;
    const float lo = t[d];
    const float hi = t[n];
    a.from = lo;
    a.to = hi;
    // The interior knots, each value once, with the two limits of its pieces.
    for (int i = d + 1; i < n; ++i) {
        if (!(t[i] > lo && t[i] < hi) || t[i] == t[i - 1]) {
            continue;
        }
        ShownKnot k;
        k.u = t[i];
        k.multiplicity = static_cast<int>(std::count(t, t + s.knotCount, t[i]));
        k.continuity = d - k.multiplicity;
        k.left = shown(frame, t[i], bsplineJet(curve, t[i], KnotSide::Left));
        k.right = shown(frame, t[i], bsplineJet(curve, t[i], KnotSide::Right));
        const int piece = static_cast<int>(a.knots.size());
        k.left.piece = piece;
        k.right.piece = piece + 1;
        a.knots.push_back(k);
    }
    size_t piece = 0;
    for (int k = 0; k < bsplineCurveSamples; ++k) {
        const float u = bsplineSample(lo, hi, k);
        ShownJet j = shown(frame, u, bsplineJet(curve, u, KnotSide::Right));
        while (piece < a.knots.size() && u >= a.knots[piece].u) {
            ++piece;
        }
        j.piece = static_cast<int>(piece);
        a.samples.push_back(j);
    }
    std::array<Vector3, maxPoints> h{};
    const int count = bsplineHodograph(curve, h.data());
    for (int i = 0; i < count; ++i) {
        a.hodograph.push_back(frame.vector(h[i]));
    }
    return true;
}

}  // namespace

CurveAnalysis analyseCurve(const AppState& s) {
    CurveAnalysis a;
    if (s.pointCount <= 0 || s.pointCount > maxPoints) {
        return a;
    }
    const ShownFrame frame(s);
    a.mode = s.curveMode;
    a.centre = frame.centre();
    switch (s.curveMode) {
        case CurveMode::Bezier:
            analyseBezier(s, frame, a);
            a.drawn = true;
            break;
        case CurveMode::Lagrange:
            a.drawn = analyseLagrange(s, frame, a);
            break;
        case CurveMode::Rbf:
            a.drawn = analyseRbf(s, frame, a);
            break;
        case CurveMode::Bspline:
            a.drawn = analyseBspline(s, frame, a);
            break;
        case CurveMode::None:
            break;
    }
    if (!a.drawn) {
        return CurveAnalysis{};
    }
    addCurvature(a);
    return a;
}
