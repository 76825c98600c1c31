#include "render/palette.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// Every colour the window draws on the background, the family's rows last.
std::vector<Rgb> drawnColours(const Palette& p) {
    std::vector<Rgb> out = {p.markerCore,       p.markerWire,  p.highlightCore, p.highlightWire,
                            p.sceneLead,        p.bezierCurve, p.curve,         p.comparison,
                            p.familySpread,     p.levelBefore, p.rbfLevelAfter, p.fourPointAfter,
                            p.insertionMarkers, p.statusText};
    out.insert(out.end(), p.family.begin(), p.family.end());
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
        SCOPED_TRACE(i);
        EXPECT_GE(contrast(after[i], high.background), 3.0);
        EXPECT_EQ(reddish(before[i]), reddish(after[i]));
    }
    // The family stays graded from dark to light.
    for (int i = 1; i < familyRowCount; ++i) {
        EXPECT_GT(luminance(high.family[static_cast<size_t>(i)]),
                  luminance(high.family[static_cast<size_t>(i - 1)]));
    }
    EXPECT_EQ(luminance(activePalette().highlightCore), luminance(program.highlightCore));
}
