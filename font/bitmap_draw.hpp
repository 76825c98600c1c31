#pragma once

// Drawing with the current bitmap font: textured quads from its display lists,
// plain or masked so that the glyphs' black stays transparent.

// Remembers whether GL_TEXTURE_2D is on, turns it on and binds the current
// font's image texture (no texture without a current font).
void beginBitmapText();
// Turns GL_TEXTURE_2D back on or off as beginBitmapText found it.
void endBitmapText();

// Calls the character's list: a quad at the origin, then the origin moves by
// width + bitmapSpacing along x. Nothing without a current font.
void drawBitmapChar(char ch);
// Calls the lists of every byte of text; with bitmap centering on, the text is
// centred on the origin and the modelview matrix is left unchanged, otherwise
// the origin ends right after the text. Nothing for a null text or no font.
void drawBitmapString(const char* text);
// Mask pass (mask texture, blend GL_DST_COLOR/GL_ZERO, white, matrix and
// colour restored), then image pass (image texture, blend GL_ONE/GL_ONE), which
// advances like drawBitmapChar. The caller enables blending and texturing.
void drawMaskedBitmapChar(char ch);
// The same for a text, centred like drawBitmapString.
void drawMaskedBitmapString(const char* text);
