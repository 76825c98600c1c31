#pragma once

// The masks of the RBF subdivision: the inverse of the local interpolation
// system over one stencil, whose columns give each stencil point's weight.

#include <array>

#include "curves/rbf.hpp"
#include "subdivision/trace.hpp"

// Unknowns of one local system, stencil plus polynomial part: S + d + 1 <= 64.
constexpr int maxStencilSystem = 64;

// Entry [i][j] is A^-1[i + 1][j + 1] of the one-based local system A. In
// double: the masks of ill-conditioned stencils cancel large entries.
using RbfMaskTable = std::array<std::array<double, maxStencilSystem>, maxStencilSystem>;

// What buildRbfMaskTable made of a stencil.
enum class MaskTableStatus : int {
    NoRoom = 0,    // stencil < 1, degree < 0 or more than 64 unknowns: nothing touched
    Singular = 1,  // the solver found no pivot; the table holds a partly reduced matrix
    Inverted = 2,  // the table holds the inverse
};

// Fills the top-left (stencil + degree + 1)-square of table with the inverse
// of the local RBF system over the parameters centres[0..stencil-1], and
// writes the system before and after inversion to trace.
MaskTableStatus buildRbfMaskTable(const float* centres, int stencil, int degree, BasisKind kind,
                                  float shape, const TraceSink& trace, RbfMaskTable& table);
