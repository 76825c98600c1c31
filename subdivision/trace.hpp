#pragma once

// The numeric trace of the RBF subdivision: each stencil's local system
// before and after inversion, then the inserted point, written to the streams
// the caller hands in.

#include <cstdio>

#include "curves/geometry.hpp"

// Where the trace goes. The file gets the mask form of a point as a
// parenthesised pair, the console as two bare numbers; a null stream hears nothing.
struct TraceSink {
    std::FILE* file = nullptr;
    std::FILE* console = nullptr;

    bool active() const { return file != nullptr || console != nullptr; }
};

// Writes rows 1..size of the one-based matrix a, columns 1..size, "%7.3f " per
// entry and a newline per row; to the file first, then to the console.
void writeTraceMatrix(const TraceSink& sink, double** a, int size);

// Writes the trace line of the point inserted after point `index`: the
// stencil's mask weights weights[0..count-1], the mask form (x, y) of the new
// point and the interpolant's point q, then an empty line; to the file first,
// then to the console.
void writeTracePointLine(const TraceSink& sink, int index, const double* weights, int count,
                         double x, double y, const Point3& q);
