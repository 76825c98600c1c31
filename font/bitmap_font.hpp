#pragma once

// The table of bitmap fonts read from BMF files. A bitmap font is one texture
// holding all 256 glyphs, a mask texture that is white exactly where the glyph
// image is black, and 256 display lists, one per character code, each drawing
// a textured quad in texture-coordinate units and advancing the origin.

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <vector>

#include "font/font_slots.hpp"

// Number of slots in the bitmap font table; a handle is a slot index, -1 for none.
constexpr int bitmapFontSlotCount = fontSlotCount;
// One glyph record and one display list per possible character code.
constexpr int bitmapGlyphCount = 256;
// Gap added after every glyph, in texture-coordinate units.
constexpr float bitmapSpacing = 0.001f;
// Largest image side the reader accepts, whatever the GL implementation allows.
constexpr int maxBitmapImageSide = 16384;

// Where one glyph sits in the image, in texture coordinates.
struct BitmapGlyph {
    float x = 0.0f;       // lower-left corner
    float y = 0.0f;       // lower-left corner
    float width = 0.0f;   // also the glyph's advance without spacing
    float height = 0.0f;  //
};

// A BMF file decoded in memory, before anything reaches GL.
struct DecodedBitmapFont {
    std::array<BitmapGlyph, bitmapGlyphCount> glyphs{};
    int width = 0;                     // image pixels
    int height = 0;                    // image pixels
    std::vector<unsigned char> image;  // width x height RGBA bytes, bottom row first
    std::vector<unsigned char> mask;   // (255,255,255,0) where image RGB is 0, else (0,0,0,0)
};

// One loaded font as the table keeps it.
struct BitmapFont {
    std::array<float, bitmapGlyphCount> glyphWidths{};  // advance of each code without spacing
    GLuint imageTexture = 0;
    GLuint maskTexture = 0;
    GLuint listBase = 0;          // list listBase + code draws that code
    float maxGlyphHeight = 0.0f;  // greatest glyph height, texture-coordinate units
};

// Decodes size bytes of a BMF file at data, accepting image sides up to
// maxSide pixels. 0 on success; -1 for a bad magic, a file cut short, row data
// outside the file, a run past its row, or an image of zero or too large a size.
// A failed allocation prints "Out of memory!" on stderr and ends the process
// with status 1.
int decodeBitmapFont(const unsigned char* data, std::size_t size, int maxSide,
                     DecodedBitmapFont& out);

// Loads a BMF file into the lowest free slot and makes it current. Returns the
// handle, or -1 with nothing left behind (table, current font and GL unchanged).
int loadBitmapFont(const char* path);
// Releases the font's textures, display lists and widths; the current font
// becomes none if it was this one. 0, or -1 for an invalid handle or a free slot.
int unloadBitmapFont(int handle);
// unloadBitmapFont of the current handle.
int unloadCurrentBitmapFont();
// Makes handle current; 0, or -1 (unchanged) for an invalid handle or a free slot.
int setCurrentBitmapFont(int handle);
// The current handle, -1 when there is none.
int getCurrentBitmapFont();
// The font in slot handle, or nullptr for an invalid handle or a free slot.
const BitmapFont* findBitmapFont(int handle);

// Clears the table as start-up does: every slot free, no current font,
// centering off. Deletes no texture or display list.
void resetBitmapFonts();
// Unloads every slot 0..255; the table is empty afterwards.
void releaseBitmapFonts();
