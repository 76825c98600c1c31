#pragma once

// One level of subdivision of the closed control polygon: the point count
// doubles (nothing when it would pass 128), the parameters become uniform with
// half the spacing, and the global RBF system is solved again.

// rbf4 (stencilSize 4) or rbf6 (6): inserted points from local RBF interpolants;
// draws a comparison frame.
void rbfSubdivisionStep(int stencilSize);

// Four-point scheme with tension tensionW; draws nothing.
void nr4SubdivisionStep();

// Deslauriers-Dubuc four-point scheme; draws a comparison frame.
void ddSubdivisionStep();

// Approximating UNR4 scheme with tension tensionW; draws a comparison frame with the status line.
void unr4SubdivisionStep();
