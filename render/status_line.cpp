#include "render/status_line.hpp"

#include <GL/gl.h>

#include <cstdio>
#include <string_view>

#include "app/state.hpp"
#include "font/string_draw.hpp"
#include "render/palette.hpp"

namespace {

// Fields stand at fixed slots along one baseline, so a long field may run into
// the next one rather than push it along.
constexpr float statusLeft = 80.0f;    // pixels, x of slot 0
constexpr float slotSpacing = 110.0f;  // pixels between slots
constexpr float baselineDrop = 30.0f;  // pixels below the top edge
constexpr float glyphScale = 14.0f;    // pixels per font unit
constexpr int countSlot = 0;
constexpr int tensionSlot = 2;
constexpr int schemeSlot = 4;
constexpr int textBufferSize = 256;

void drawField(int slot, const char* text) {
    glPushMatrix();
    glTranslatef(statusLeft + slotSpacing * static_cast<float>(slot),
                 static_cast<float>(appState.windowHeight) - baselineDrop, 0.0f);
    glScalef(glyphScale, glyphScale, 1.0f);
    drawSolidString(text);
    glPopMatrix();
}

}  // namespace

void drawStatusLine() {
    setCurrentColour(activePalette().statusText);
    char text[textBufferSize];
    std::snprintf(text, sizeof text, "n=%d,", appState.pointCount);
    drawField(countSlot, text);
    std::snprintf(text, sizeof text, "w=%4.3f,", static_cast<double>(appState.tensionW));
    drawField(tensionSlot, text);
    // The scheme's label with a comma, as the other fields end; nothing for a
    // value that no scheme has.
    const std::string_view scheme = labelOf(schemeRows, appState.schemeKind);
    if (!scheme.empty()) {
        std::snprintf(text, sizeof text, "%.*s,", static_cast<int>(scheme.size()), scheme.data());
        drawField(schemeSlot, text);
    }
}
