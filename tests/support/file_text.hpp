#pragma once

#include <cstdio>
#include <string>

namespace tvtest {

// Everything written to a temporary stream so far, read back from its start.
inline std::string fileText(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    return text;
}

}  // namespace tvtest
