#include "subdivision/trace.hpp"

#include <cstdio>

namespace {

// The file shows the mask form as a parenthesised pair; the console as two bare numbers.
void writeLine(std::FILE* out, bool parenthesised, int index, const float* weights, int count,
               float x, float y, const Point3& q) {
    std::fprintf(out, "%3d :", index);
    for (int k = 0; k < count; ++k) {
        std::fprintf(out, "%7.4f ", static_cast<double>(weights[k]));
    }
    std::fprintf(out, parenthesised ? "(%7.4f, %7.4f) " : "%7.4f %7.4f", static_cast<double>(x),
                 static_cast<double>(y));
    for (int c = 0; c < dimension; ++c) {
        std::fprintf(out, "%7.4f ", static_cast<double>(q[c]));
    }
    std::fprintf(out, "\n\n");
}

}  // namespace

void writeTracePointLine(int index, const float* weights, int count, float x, float y,
                         const Point3& q) {
    if (appState.traceFile != nullptr) {
        writeLine(appState.traceFile, true, index, weights, count, x, y, q);
    }
    writeLine(stdout, false, index, weights, count, x, y, q);
}
