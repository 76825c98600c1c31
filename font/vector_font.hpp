#pragma once

// The table of loaded vector fonts, the current font, and the reader of GLF
// font files. A symbol's cell is the square -1..1 on both axes ("font units");
// its coordinates are relative to its own origin, the point that string layout
// moves from symbol to symbol.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "font/font_slots.hpp"

// A symbol per possible character code, looked up as an unsigned byte.
constexpr int symbolCodeCount = 256;
// Raw bytes of the font name in a GLF header.
constexpr int glfNameSize = 96;
// Size of the fixed GLF header that precedes the symbol records.
constexpr int glfHeaderSize = 128;

struct SymbolVertex {
    float x = 0.0f;  // font units
    float y = 0.0f;  // font units
};

// One glyph: vertices, triangles over them for filled drawing, and the
// partition of the vertex list into closed contours for outlines.
struct VectorSymbol {
    std::uint8_t vertexCount = 0;                     // V
    std::uint8_t facetCount = 0;                      // F
    std::uint8_t contourCount = 0;                    // K
    std::vector<SymbolVertex> vertices;               // V entries
    std::vector<std::array<std::uint8_t, 3>> facets;  // F triangles, indices below V
    std::vector<std::uint8_t> contourEnds;            // K last-vertex indices, rising, last V - 1
    // Bounds start at 10 / -10 and only move for vertices inside them, so an
    // empty symbol keeps minX = 10 > maxX = -10.
    float minX = 10.0f;
    float maxX = -10.0f;
    float minY = 10.0f;
    float maxY = -10.0f;
};

struct VectorFont {
    std::array<char, glfNameSize + 1> name{};  // raw bytes from the file, NUL at [96]
    std::uint8_t symbolCount = 0;              // records the file declares
    std::array<std::unique_ptr<VectorSymbol>, symbolCodeCount> symbols;  // empty = no symbol
};

// Empties the table as start-up does: every slot free, no current font.
void resetFonts();
// Unloads every slot 0..255; the table is empty afterwards.
void releaseFonts();

// Loads a GLF file into the lowest empty slot and makes it current. Returns
// the handle, or -1 (table and current font unchanged) on any failure.
int loadFont(const char* path);
// Reads a GLF file into font. 0 on success; -1 on failure, with font's symbols
// released. Prints the format errors while option messages is on.
int readFontFile(const char* path, VectorFont& font);
// The same over a file's bytes already in memory (size bytes at data).
int parseFontData(const unsigned char* data, std::size_t size, VectorFont& font);

// Releases the current font; 0, or -1 when there is none.
int unloadCurrentFont();
// Releases the font in slot handle; the current font stays unless it was this
// one (then none). 0, or -1 for a handle outside 0..255 or an empty slot.
int unloadFont(int handle);
// Makes handle current; 0, or -1 (unchanged) outside 0..255 or for an empty slot.
int setCurrentFont(int handle);
// The current handle, -1 when there is none.
int getCurrentFont();

// The font in slot handle, or nullptr for a handle outside 0..255 or an empty slot.
const VectorFont* findFont(int handle);
// The current font, or nullptr when the current handle names no loaded font.
const VectorFont* currentVectorFont();
// The symbol of code ch in font, or nullptr when font is null or has none.
const VectorSymbol* findSymbol(const VectorFont* font, char ch);
// Sets the current handle without any check and returns the previous one; the
// font-handle drawing variants use it to draw with a font and then restore.
int exchangeCurrentFont(int handle);
