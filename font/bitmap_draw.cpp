#include "font/bitmap_draw.hpp"

#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "font/bitmap_font.hpp"
#include "font/text_settings.hpp"

namespace {

// Whether GL_TEXTURE_2D was on when beginBitmapText ran.
GLboolean texturingBefore = GL_FALSE;

// Calls the lists of text in the current font, centred on the origin (matrix
// restored) while centering is on.
void callStringLists(const BitmapFont& font, const char* text) {
    const std::size_t length = std::strlen(text);
    const auto* codes = reinterpret_cast<const unsigned char*>(text);
    float advance = 0.0f;
    for (std::size_t i = 0; i < length; ++i) {
        advance += bitmapSpacing + font.glyphWidths[codes[i]];
    }
    glListBase(font.listBase);
    const bool centred = getBitmapCentering() != 0;
    if (centred) {
        glPushMatrix();
        glTranslatef(-advance / 2.0f, 0.0f, 0.0f);
    }
    constexpr std::size_t batch = static_cast<std::size_t>(std::numeric_limits<GLsizei>::max());
    for (std::size_t done = 0; done < length; done += batch) {
        glCallLists(static_cast<GLsizei>(std::min(batch, length - done)), GL_UNSIGNED_BYTE,
                    codes + done);
    }
    if (centred) {
        glPopMatrix();
    }
}

const BitmapFont* currentFontRecord() {
    return findBitmapFont(getCurrentBitmapFont());
}

// The mask pass multiplies the framebuffer by the mask (white keeps the
// background, black clears it under the ink); the image pass then adds the
// glyph colours. Only the image pass moves the origin.
template <typename Draw>
void drawMasked(const BitmapFont& font, Draw draw) {
    glPushMatrix();
    glPushAttrib(GL_CURRENT_BIT);
    glColor3ub(255, 255, 255);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, font.maskTexture);
    draw();
    glPopAttrib();
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, font.imageTexture);
    glBlendFunc(GL_ONE, GL_ONE);
    draw();
}

}  // namespace

void beginBitmapText() {
    texturingBefore = glIsEnabled(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_2D);
    if (const BitmapFont* font = currentFontRecord()) {
        glBindTexture(GL_TEXTURE_2D, font->imageTexture);
    }
}

void endBitmapText() {
    if (texturingBefore == GL_TRUE) {
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

void drawBitmapChar(char ch) {
    if (const BitmapFont* font = currentFontRecord()) {
        glCallList(font->listBase + static_cast<unsigned char>(ch));
    }
}

void drawBitmapString(const char* text) {
    const BitmapFont* font = currentFontRecord();
    if (font != nullptr && text != nullptr) {
        callStringLists(*font, text);
    }
}

void drawMaskedBitmapChar(char ch) {
    if (const BitmapFont* font = currentFontRecord()) {
        const GLuint list = font->listBase + static_cast<unsigned char>(ch);
        drawMasked(*font, [list] { glCallList(list); });
    }
}

void drawMaskedBitmapString(const char* text) {
    const BitmapFont* font = currentFontRecord();
    if (font != nullptr && text != nullptr) {
        drawMasked(*font, [font, text] { callStringLists(*font, text); });
    }
}
