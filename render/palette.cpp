#include "render/palette.hpp"

#include <GL/gl.h>

namespace {

// The family's reds grow lighter by 1/12 per row from (0.25, 0, 0).
constexpr float familyGradeStep = 12.0f;
constexpr float familyRedBase = 0.25f;

constexpr Rgb programFamilyRow(int i) {
    const float grade = static_cast<float>(i) / familyGradeStep;
    return {grade + familyRedBase, grade, grade};
}

constexpr Palette programPalette = {
    {0.85f, 0.85f, 0.85f},
    {0.5f, 0.5f, 0.5f},
    {0.0f, 0.0f, 1.0f},
    {1.0f, 0.0f, 0.0f},
    {0.5f, 0.5f, 0.5f},
    {0.3f, 0.5f, 0.1f},
    {0.5f, 0.3f, 0.1f},
    {0.3f, 0.0f, 0.0f},
    {1.0f, 0.0f, 0.0f},
    {programFamilyRow(0), programFamilyRow(1), programFamilyRow(2), programFamilyRow(3),
     programFamilyRow(4), programFamilyRow(5)},
    {1.0f, 0.125f, 0.125f},
    {0.5f, 0.1f, 0.3f},
    {0.1f, 0.5f, 0.3f},
    {0.1f, 0.3f, 0.5f},
    {0.3f, 0.5f, 0.1f},
    {0.3f, 0.5f, 0.1f},
};

// Against the grey background (relative luminance 0.69) a colour needs a
// luminance of 0.198 or less for 3:1. Full red (0.213) and mid grey (0.216)
// miss it; red at 0.75 (0.111) and grey at 0.35 (0.100) clear it with room.
// The family keeps its grading from dark to light red, its lightest row at
// about 3.7:1, and its spread stays the lightest red of the overlay.
constexpr Rgb highContrastFamilyRow(int i) {
    const float step = static_cast<float>(i);
    return {0.25f + 0.1f * step, 0.05f * step, 0.05f * step};
}

constexpr Palette highContrastPalette = {
    {0.85f, 0.85f, 0.85f},
    {0.35f, 0.35f, 0.35f},
    {0.0f, 0.0f, 1.0f},
    {0.75f, 0.0f, 0.0f},
    {0.35f, 0.35f, 0.35f},
    {0.3f, 0.5f, 0.1f},
    {0.5f, 0.3f, 0.1f},
    {0.3f, 0.0f, 0.0f},
    {0.75f, 0.0f, 0.0f},
    {highContrastFamilyRow(0), highContrastFamilyRow(1), highContrastFamilyRow(2),
     highContrastFamilyRow(3), highContrastFamilyRow(4), highContrastFamilyRow(5)},
    {0.8f, 0.1f, 0.1f},
    {0.5f, 0.1f, 0.3f},
    {0.1f, 0.5f, 0.3f},
    {0.1f, 0.3f, 0.5f},
    {0.3f, 0.5f, 0.1f},
    {0.3f, 0.5f, 0.1f},
};

const Palette* active = &programPalette;

}  // namespace

const Palette& activePalette() {
    return *active;
}

void usePalette(PaletteKind kind) {
    active = kind == PaletteKind::HighContrast ? &highContrastPalette : &programPalette;
}

void setCurrentColour(const Rgb& c) {
    glColor3f(c.r, c.g, c.b);
}
