#pragma once

// One level of subdivision of a closed polygon: n points in, 2n out, the
// refined polygon on the uniform parameters of half the spacing. Nothing
// comes out (std::nullopt) when 2n would pass 128.

#include <array>
#include <optional>
#include <string_view>

#include "curves/geometry.hpp"
#include "curves/named.hpp"
#include "curves/rbf.hpp"
#include "subdivision/trace.hpp"

// Which scheme the subdivision command runs; key a cycles through them.
enum class SubdivisionScheme : int { Rbf4 = 0, Rbf6 = 1, Nr4 = 2, DeslauriersDubuc = 3, Unr4 = 4 };

// Tension of the Deslauriers-Dubuc scheme: the weights -1/16, 9/16, 9/16, -1/16
// of cubic interpolation at the midpoint.
constexpr double ddTension = 0.0625;

// How a scheme makes its new points: from the local RBF interpolant of a
// stencil, or by fixed four-point masks that keep every old point and insert
// one per edge (interpolating) or replace them by two per edge (approximating).
enum class SchemeRule { Rbf, Interpolating, Approximating };

// Each scheme: its token in a link, its label (the status line writes it with
// a comma after it), its rule, the RBF stencil it takes and the tension of the
// fixed-weight ones (their own, or none: the record's tension w).
struct SchemeRow {
    SubdivisionScheme value;
    std::string_view token;
    std::string_view label;
    SchemeRule rule;
    int rbfStencil;  // points per RBF stencil; 0 for the fixed-weight schemes
    std::optional<double> ownTension;
};
constexpr std::array<SchemeRow, 5> schemeRows = {{
    {SubdivisionScheme::Rbf4, "rbf4", "rbf4", SchemeRule::Rbf, 4, std::nullopt},
    {SubdivisionScheme::Rbf6, "rbf6", "rbf6", SchemeRule::Rbf, 6, std::nullopt},
    {SubdivisionScheme::Nr4, "nr4", "NR4", SchemeRule::Interpolating, 0, std::nullopt},
    {SubdivisionScheme::DeslauriersDubuc, "dd", "D-D", SchemeRule::Interpolating, 0, ddTension},
    {SubdivisionScheme::Unr4, "unr4", "UNR4", SchemeRule::Approximating, 0, std::nullopt},
}};
static_assert(rowsInOrder(schemeRows), "one row per scheme, in order");
constexpr int subdivisionSchemeCount = static_cast<int>(schemeRows.size());

// The polygon of one level; points[count..] are zero.
struct RefinedPolygon {
    ControlPolygon points{};
    int count = 0;
};

// The local interpolant of the RBF schemes: stencil points (4 for rbf4, 6 for
// rbf6), polynomial degree, basis and its shape r.
struct RbfStencil {
    int size = 4;
    int degree = 1;
    BasisKind basis = BasisKind::Mq1;
    float shape = 1.0f;
};

// The mask of one new point: the weight each old point near it gets,
// offsets counted from the point after which it is inserted (-1 is the one
// before it, 2 the one after the next).
struct SubdivisionMask {
    static constexpr int capacity = 32;
    int count = 0;  // weights in use; 0: no mask
    std::array<int, capacity> offsets{};
    std::array<double, capacity> weights{};
};

// The rule of a fixed-weight scheme: the masks of the new points of each
// edge, in order along it, and whether the old points stay.
struct FourPointRule {
    bool keepsOldPoints = true;
    int maskCount = 0;  // new points per edge, 1 or 2
    std::array<SubdivisionMask, 2> masks{};
};

// The four-point rule with tension w: interpolating, -w, 1/2 + w, 1/2 + w, -w
// (NR4, and D-D at w = 1/16); approximating (UNR4), -w/2, (2w + 3)/4,
// (2w + 1)/4, -w/2 for the point nearer the start of the edge and the mirror
// image for the one nearer its end. No masks for the RBF rule.
FourPointRule fourPointRule(SchemeRule rule, double w);

// One level of a fixed-weight scheme: every point of an edge is its mask's sum
// over the closed polygon, in double and rounded once.
std::optional<RefinedPolygon> refineWithRule(const Point3* points, int n,
                                             const FourPointRule& rule);

// Interpolatory four-point scheme with tension w over points[0..n-1]: the old
// points at even positions, between points i and i + 1 the point
// (1/2 + w)(p[i] + p[i+1]) - w(p[i-1] + p[i+2]). w = 1/16 is Deslauriers-Dubuc.
std::optional<RefinedPolygon> refineFourPoint(const Point3* points, int n, double w);

// Approximating UNR4 scheme with tension w: two new points on every edge, none kept.
std::optional<RefinedPolygon> refineUnr4(const Point3* points, int n, double w);

// Why a subdivision step left the polygon as it was.
enum class SubdivisionRefusal : int {
    None = 0,
    TooManyPoints = 1,       // 2n would pass 128
    DegreeAboveStencil = 2,  // d + 1 > S: more monomials than stencil points
    SingularStencil = 3,     // a local system has no inverse
    MaskSum = 4,             // a mask's weights miss 1 by more than maskSumTolerance
    BadStencil = 5,          // an odd stencil, one of fewer than 2 or more than 32 points, or d < 0
};

// Largest distance from 1 of the sum of an RBF mask's weights: the polynomial
// part reproduces constants, so the weights of a meaningful mask sum to 1.
constexpr double maskSumTolerance = 1e-6;

// RBF scheme: the old points at even positions; between points i and i + 1
// the value at the stencil's middle of the local interpolant of the stencil
// around them, over the parameters t[0..n-1] continued periodically with
// period t[n-1] + spacing. Parameters that do not increase strictly (never
// set, another mode's list with repeats, coincident nodes) are replaced by the
// uniform j * spacing. Local systems, masks and sums are in double; the
// points come out rounded to float.
//
// The step is taken whole or not at all: nothing comes out, and nothing is
// written to trace, for a bad stencil, d + 1 > S, a singular local system or
// a mask whose weights do not sum to 1; the reason goes to *refusal when given
// (None when the step is taken). Otherwise each stencil's system and inserted
// point are written to trace.
std::optional<RefinedPolygon> refineRbf(const Point3* points, const float* t, int n, float spacing,
                                        const RbfStencil& stencil, const TraceSink& trace,
                                        SubdivisionRefusal* refusal = nullptr);

// The RBF mask of the point an rbf4 or rbf6 step inserts after point 0 of the
// n points with parameters t and spacing, as the step works it out (the same
// parameters, system and weights); no mask where the step would be refused
// at that stencil.
SubdivisionMask rbfMask(const float* t, int n, float spacing, const RbfStencil& stencil);
