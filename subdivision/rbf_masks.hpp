#pragma once

// Builds the local RBF system of the stencil in extendedKnots[0..S-1]
// (S = rbfStencilSize) and stores its inverse in rbfMaskTable.
void buildRbfMaskTable();
