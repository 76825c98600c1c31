#include "subdivision/schemes.hpp"

// The subdivision schemes arrive with their own change; until then a step does nothing.
void rbfSubdivisionStep(int /*stencilSize*/) {}
void nr4SubdivisionStep() {}
void ddSubdivisionStep() {}
void unr4SubdivisionStep() {}
