// Feeds arbitrary bytes to the GLF reader as if they were a font file, then
// walks whatever it accepted the way the drawers and the layout do, so that an
// accepted symbol with an index outside its arrays shows up as a fault here.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "font/font_module.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"

namespace {

float walkSymbol(const VectorSymbol& symbol) {
    float sum = symbol.minX + symbol.maxX + symbol.minY + symbol.maxY;
    for (const auto& facet : symbol.facets) {
        for (std::uint8_t index : facet) {
            sum += symbol.vertices.at(index).x;
        }
    }
    int start = 0;
    for (std::uint8_t end : symbol.contourEnds) {
        for (int j = start; j <= end; ++j) {
            sum += symbol.vertices.at(static_cast<std::size_t>(j)).y;
        }
        start = end + 1;
    }
    if (symbol.vertexCount != symbol.vertices.size() || symbol.facetCount != symbol.facets.size() ||
        symbol.contourCount != symbol.contourEnds.size() ||
        (!symbol.contourEnds.empty() && start != symbol.vertexCount)) {
        __builtin_trap();
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        initFonts();
        disableOption(static_cast<int>(FontOption::Messages));
        return true;
    }();
    (void)quiet;

    VectorFont font;
    if (parseFontData(data, size, font) == 0) {
        volatile float sink = 0.0f;
        for (const auto& symbol : font.symbols) {
            if (symbol) {
                sink = sink + walkSymbol(*symbol);
            }
        }
        if (font.name[glfNameSize] != '\0') {
            __builtin_trap();
        }
    } else {
        for (const auto& symbol : font.symbols) {
            if (symbol) {
                __builtin_trap();  // a failed read must leave nothing behind
            }
        }
    }
    return 0;
}
