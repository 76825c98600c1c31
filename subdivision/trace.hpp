#pragma once

// The point line of the RBF subdivision trace.

#include "app/state.hpp"

// Writes the trace line of the point inserted after point `index`: the
// stencil's mask weights weights[0..count-1], the mask form (x, y) of the new
// point and the interpolant's point q, then an empty line; to traceFile (when
// open) and to standard output.
void writeTracePointLine(int index, const float* weights, int count, float x, float y,
                         const Point3& q);
