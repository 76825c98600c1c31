#include <benchmark/benchmark.h>

#include "render/display.hpp"

int main(int argc, char** argv) {
    // As the program's own main does, so that frames cost what they cost there.
    keepFrameMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
