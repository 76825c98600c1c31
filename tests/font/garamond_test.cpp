#include <gtest/gtest.h>

#include <cmath>

#include "font/font_module.hpp"
#include "font/vector_font.hpp"

namespace {

// Area enclosed by the contours: outer loops run counter-clockwise and holes
// clockwise, so the signed shoelace sums add up to the filled area.
double contourArea(const VectorSymbol& s) {
    double twice = 0.0;
    int start = 0;
    for (std::uint8_t end : s.contourEnds) {
        for (int j = start; j <= end; ++j) {
            const SymbolVertex& a = s.vertices[j];
            const SymbolVertex& b = s.vertices[j == end ? start : j + 1];
            twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
        }
        start = end + 1;
    }
    return std::fabs(twice) / 2.0;
}

double triangleArea(const VectorSymbol& s) {
    double sum = 0.0;
    for (const auto& f : s.facets) {
        const SymbolVertex& a = s.vertices[f[0]];
        const SymbolVertex& b = s.vertices[f[1]];
        const SymbolVertex& c = s.vertices[f[2]];
        sum += std::fabs((static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
                         (static_cast<double>(c.x) - a.x) * (static_cast<double>(b.y) - a.y)) /
               2.0;
    }
    return sum;
}

}  // namespace

TEST(GaramondFont, EveryPrintableGlyphIsPresentFilledAndCentred) {
    initFonts();
    ASSERT_EQ(loadFont("fonts/garamond1.glf"), 0);
    const VectorFont* font = findFont(0);
    ASSERT_NE(font, nullptr);
    for (int code = 33; code <= 126; ++code) {
        const VectorSymbol* s = findSymbol(font, static_cast<char>(code));
        ASSERT_NE(s, nullptr) << "code " << code;
        ASSERT_GT(s->vertexCount, 2) << "code " << code;
        ASSERT_GT(s->facetCount, 0) << "code " << code;
        const double contours = contourArea(*s);
        EXPECT_NEAR(triangleArea(*s), contours, 0.01 * contours) << "code " << code;
        // Centred on the origin, inside the cell's height give or take accents.
        EXPECT_NEAR(s->minX, -s->maxX, 1e-5) << "code " << code;
        EXPECT_GE(s->minY, -1.05f) << "code " << code;
        EXPECT_LE(s->maxY, 1.05f) << "code " << code;
    }
    // One baseline for all: letters that sit on it end at the same height.
    const float base = findSymbol(font, 'x')->minY;
    for (char c : {'H', 'n', 'm', 'I', 'z'}) {
        EXPECT_NEAR(findSymbol(font, c)->minY, base, 0.02f) << c;
    }
    EXPECT_LT(findSymbol(font, 'p')->minY, base - 0.2f);
    EXPECT_EQ(findSymbol(font, ' '), nullptr);
    shutdownFonts();
}
