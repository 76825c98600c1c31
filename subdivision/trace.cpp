#include "subdivision/trace.hpp"

namespace {

void writeMatrix(std::FILE* out, double** a, int size) {
    for (int i = 1; i <= size; ++i) {
        for (int j = 1; j <= size; ++j) {
            std::fprintf(out, "%7.3f ", a[i][j]);
        }
        std::fputs("\n", out);
    }
}

// The file shows the mask form as a parenthesised pair; the console as two bare numbers.
void writeLine(std::FILE* out, bool parenthesised, int index, const double* weights, int count,
               double x, double y, const Point3& q) {
    std::fprintf(out, "%3d :", index);
    for (int k = 0; k < count; ++k) {
        std::fprintf(out, "%7.4f ", weights[k]);
    }
    // The blank after the pair keeps the console's numbers apart when they
    // fill their seven places.
    std::fprintf(out, parenthesised ? "(%7.4f, %7.4f) " : "%7.4f %7.4f ", x, y);
    for (int c = 0; c < dimension; ++c) {
        std::fprintf(out, "%7.4f ", static_cast<double>(q[c]));
    }
    std::fprintf(out, "\n\n");
}

}  // namespace

void writeTraceMatrix(const TraceSink& sink, double** a, int size) {
    if (sink.file != nullptr) {
        writeMatrix(sink.file, a, size);
    }
    if (sink.console != nullptr) {
        writeMatrix(sink.console, a, size);
    }
}

void writeTracePointLine(const TraceSink& sink, int index, const double* weights, int count,
                         double x, double y, const Point3& q) {
    if (sink.file != nullptr) {
        writeLine(sink.file, true, index, weights, count, x, y, q);
    }
    if (sink.console != nullptr) {
        writeLine(sink.console, false, index, weights, count, x, y, q);
    }
}
