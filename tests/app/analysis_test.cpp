// What the page's analysis shows: curvature as the turned view projects the
// curve, worked out by hand; the joints' labels d - m at every multiplicity;
// samples that are the drawn curve's own vertices.

#include "app/analysis.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "curves/bspline.hpp"
#include "curves/knot_insertion.hpp"

namespace {

// A record of its own, unturned, in an 800 x 600 window.
std::unique_ptr<AppState> record(CurveMode mode, const std::vector<Point3>& points) {
    auto s = std::make_unique<AppState>();
    s->curveMode = mode;
    s->pointCount = static_cast<int>(points.size());
    std::copy(points.begin(), points.end(), s->controlPoints.begin());
    return s;
}

void setKnots(AppState& s, int degree, const std::vector<float>& knots) {
    s.polyDegree = degree;
    s.knotCount = static_cast<int>(knots.size());
    std::copy(knots.begin(), knots.end(), s.knots.begin());
}

std::vector<Point3> zigzag(int n) {
    std::vector<Point3> p;
    for (int i = 0; i < n; ++i) {
        p.push_back({100.0f + 70.0f * static_cast<float>(i), (i % 2) ? 420.0f : 180.0f,
                     static_cast<float>(13 * i % 7) * 10.0f});
    }
    return p;
}

}  // namespace

// The parabola of (0, 0), (s, 2s), (2s, 0) about the window's centre: at its
// middle x' = 2s, y'' = -8s (y up), so y'' = 8s as the page counts y, and
// kappa = 2 / s. Turned by 60 degrees about the y axis the picture's x
// shrinks by cos 60 = 1/2: x' = s, kappa = s 8s / s^3 = 8 / s. About the x
// axis its y shrinks instead: kappa = 2s 4s / (2s)^3 = 1 / s.
TEST(Analysis, TurnedCurvatureByHand) {
    const float s = 100.0f;
    const std::vector<Point3> parabola = {
        {400 - s, 300, 0}, {400, 300 + 2 * s, 0}, {400 + s, 300, 0}};
    struct Turn {
        float aboutX;
        float aboutY;
        double kappaTimesS;
    };
    for (const Turn turn : {Turn{0, 0, 2}, Turn{0, 60, 8}, Turn{60, 0, 1}, Turn{0, -60, 8}}) {
        auto state = record(CurveMode::Bezier, parabola);
        state->rotationX = turn.aboutX;
        state->rotationY = turn.aboutY;
        const CurveAnalysis a = analyseCurve(*state);
        ASSERT_TRUE(a.drawn);
        ASSERT_EQ(a.samples.size(), 129u);
        const ShownJet& middle = a.samples[64];
        EXPECT_DOUBLE_EQ(middle.u, 0.5);
        ASSERT_TRUE(middle.curvature.has_value());
        EXPECT_NEAR(*middle.curvature * s, turn.kappaTimesS, 1e-9)
            << turn.aboutX << ", " << turn.aboutY;
        // The window's centre stays where it is; the apex is s above it on
        // the screen, y down, shrunk by the turn about x.
        EXPECT_NEAR(middle.point[0], 400.0, 1e-9);
        EXPECT_NEAR(middle.point[1], 300.0 - s * std::cos(turn.aboutX * M_PI / 180.0), 1e-4);
        // The hair bends towards the inside: downwards on the screen, to the apex's inside.
        EXPECT_GT(*middle.curvature * middle.normal[1], 0.0);
    }
}

// A cubic's interior knot at multiplicity 1 to 5, made by dragging handles
// (fractional values) and by inserting knots: the label is always d - m, a
// break from m = d + 1 on, and the curve's knots are listed once each.
TEST(Analysis, JointLabelsAtEveryMultiplicity) {
    for (int m = 1; m <= 5; ++m) {
        std::vector<float> t = {0, 0, 0, 0, 0.21f};
        t.insert(t.end(), static_cast<size_t>(m), 0.53f);
        t.insert(t.end(), {0.8f, 1, 1, 1, 1});
        auto state = record(CurveMode::Bspline, zigzag(static_cast<int>(t.size()) - 4));
        setKnots(*state, 3, t);
        const CurveAnalysis a = analyseCurve(*state);
        ASSERT_TRUE(a.drawn) << m;
        ASSERT_EQ(a.knots.size(), 3u) << m;
        EXPECT_EQ(a.knots[1].multiplicity, m);
        EXPECT_EQ(a.knots[1].continuity, 3 - m);
        EXPECT_EQ(a.knots[0].continuity, 2);
        EXPECT_EQ(a.knots[1].u, static_cast<double>(0.53f));
    }
    // Insertion: clamped uniform cubic of six points, knot 1 inserted three times.
    auto state = record(CurveMode::Bspline, zigzag(6));
    setKnots(*state, 3, {0, 0, 0, 0, 1, 2, 3, 3, 3, 3});
    for (int m = 1; m <= 4; ++m) {
        const CurveAnalysis a = analyseCurve(*state);
        ASSERT_TRUE(a.drawn);
        EXPECT_EQ(a.knots.front().u, 1.0);
        EXPECT_EQ(a.knots.front().multiplicity, m);
        EXPECT_EQ(a.knots.front().continuity, 3 - m);
        // Where the curve stays continuous, the two pieces meet in one point.
        const double gap =
            std::hypot(a.knots.front().left.point[0] - a.knots.front().right.point[0],
                       a.knots.front().left.point[1] - a.knots.front().right.point[1]);
        EXPECT_LT(gap, 1e-3);
        const std::optional<KnotInsertion> next =
            insertKnot(state->controlPoints.data(), state->pointCount, state->knots.data(),
                       state->knotCount, 3, 4);
        ASSERT_TRUE(next.has_value());
        state->controlPoints = next->points;
        state->pointCount = next->pointCount;
        state->knots = next->knots;
        state->knotCount = next->knotCount;
    }
}

// Every sample is a vertex of the drawn strip (the same parameters), within
// a thousandth of a pixel; each piece of the B-spline holds the samples
// between its knots.
TEST(Analysis, SamplesAreTheDrawnVertices) {
    auto state = record(CurveMode::Bspline, zigzag(9));
    setKnots(*state, 3, {0, 0, 0, 0, 0.2f, 0.5f, 0.5f, 0.71f, 0.9f, 1, 1, 1, 1});
    state->rotationX = 25;
    state->rotationY = -40;
    const CurveAnalysis a = analyseCurve(*state);
    ASSERT_TRUE(a.drawn);
    const BsplineView view{state->controlPoints.data(), 9, state->knots.data(), 13, 3};
    std::array<Point3, bsplineCurveSamples> drawn;
    sampleBsplineCurve(view, drawn.data());
    ASSERT_EQ(a.samples.size(), drawn.size());
    const ViewTurn turn = viewTurn(*state);
    for (size_t k = 0; k < drawn.size(); ++k) {
        const std::array<double, 2> p = turnedPosition(turn, drawn[k]);
        EXPECT_NEAR(a.samples[k].point[0], p[0], 1e-3);
        EXPECT_NEAR(a.samples[k].point[1], 600.0 - p[1], 1e-3);
        const int piece = a.samples[k].piece;
        EXPECT_TRUE(piece == 0 || a.knots[static_cast<size_t>(piece - 1)].u <= a.samples[k].u);
        EXPECT_TRUE(piece == static_cast<int>(a.knots.size()) ||
                    a.samples[k].u < a.knots[static_cast<size_t>(piece)].u);
    }
    // Nothing drawn, nothing analysed: an RBF that was not solved, no points.
    EXPECT_FALSE(analyseCurve(*record(CurveMode::Rbf, zigzag(5))).drawn);
    EXPECT_FALSE(analyseCurve(*record(CurveMode::Bezier, {})).drawn);
}
