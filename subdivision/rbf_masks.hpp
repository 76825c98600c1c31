#pragma once

// The masks of the RBF subdivision: the inverse of the local interpolation
// system over one stencil, whose columns give each stencil point's weight.

#include <array>

#include "curves/rbf.hpp"
#include "subdivision/trace.hpp"

// Unknowns of one local system, stencil plus polynomial part: S + d + 1 <= 64.
constexpr int maxStencilSystem = 64;

// Entry [i][j] is A^-1[i + 1][j + 1] of the one-based local system A.
using RbfMaskTable = std::array<std::array<float, maxStencilSystem>, maxStencilSystem>;

// Fills the top-left (stencil + degree + 1)-square of table with the inverse
// of the local RBF system over the parameters centres[0..stencil-1], and
// writes the system before and after inversion to trace. A singular system
// leaves a partly reduced matrix in the table. Returns false, touching
// nothing, when stencil < 1, degree < 0 or the system would not fit the table.
bool buildRbfMaskTable(const float* centres, int stencil, int degree, BasisKind kind, float shape,
                       const TraceSink& trace, RbfMaskTable& table);
