#include "render/palette.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Relative luminance and contrast ratio as WCAG 2.x defines them, of the
// 8-bit colour a framebuffer stores.
double channel(float c) {
    const double v = std::round(static_cast<double>(c) * 255.0) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(const Rgb& c) {
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

double contrast(const Rgb& a, const Rgb& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct Entry {
    std::string name;
    Rgb Palette::*field;
};

std::vector<std::pair<std::string, Rgb>> drawnColours(const Palette& p) {
    const Entry entries[] = {
        {"marker core", &Palette::markerCore},
        {"marker wire", &Palette::markerWire},
        {"highlight core", &Palette::highlightCore},
        {"highlight wire", &Palette::highlightWire},
        {"scene lead", &Palette::sceneLead},
        {"Bezier curve", &Palette::bezierCurve},
        {"curve", &Palette::curve},
        {"comparison", &Palette::comparison},
        {"family spread", &Palette::familySpread},
        {"level before", &Palette::levelBefore},
        {"RBF level after", &Palette::rbfLevelAfter},
        {"four-point after", &Palette::fourPointAfter},
        {"insertion markers", &Palette::insertionMarkers},
        {"status text", &Palette::statusText},
    };
    std::vector<std::pair<std::string, Rgb>> out;
    for (const Entry& e : entries) {
        out.emplace_back(e.name, p.*e.field);
    }
    for (int i = 0; i < familyRowCount; ++i) {
        out.emplace_back("family row " + std::to_string(i), p.family[static_cast<size_t>(i)]);
    }
    return out;
}

bool reddish(const Rgb& c) {
    return c.r > c.g && c.r > c.b;
}

}  // namespace

// The high-contrast palette keeps every colour's meaning (what was red is
// still red, whatever else keeps its hue family) at 3:1 or more on its
// background; the full red and mid grey of the program's own stand below it,
// which is why the switch exists. After the switch back, the program's own
// palette is the one in use again.
TEST(PaletteTest, HighContrastMeetsThreeToOneAndKeepsTheReds) {
    usePalette(PaletteKind::Program);
    const Palette program = activePalette();
    usePalette(PaletteKind::HighContrast);
    const Palette high = activePalette();
    usePalette(PaletteKind::Program);

    EXPECT_LT(contrast(program.highlightCore, program.background), 3.0);
    EXPECT_LT(contrast(program.markerCore, program.background), 3.0);
    EXPECT_NEAR(contrast(program.highlightCore, program.background), 2.83, 0.01);

    const auto before = drawnColours(program);
    const auto after = drawnColours(high);
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(after[i].first);
        EXPECT_GE(contrast(after[i].second, high.background), 3.0);
        EXPECT_EQ(reddish(before[i].second), reddish(after[i].second));
    }
    // The family stays graded from dark to light.
    for (int i = 1; i < familyRowCount; ++i) {
        EXPECT_GT(luminance(high.family[static_cast<size_t>(i)]),
                  luminance(high.family[static_cast<size_t>(i - 1)]));
    }
    EXPECT_EQ(luminance(activePalette().highlightCore), luminance(program.highlightCore));
}
