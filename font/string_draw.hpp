#pragma once

// String measuring and layout, and the symbol drawers of the current vector
// font. Everything is drawn in immediate mode at the current modelview origin,
// one font unit per model unit, in the caller's current colour; no drawer
// changes colours, line widths, textures or lighting beyond what its comment says.

// Bounding box of text in the current font, in font units, ignoring direction,
// centring and rotation. Each pair (minX, minY), (maxX, maxY) is stored only
// when both of its places are given; nothing is stored without a current font.
void getStringBounds(const char* text, float* minX, float* minY, float* maxX, float* maxY);
// The same in the font of slot handle; does nothing for an empty or invalid slot.
void getStringBoundsWithFont(int handle, const char* text, float* minX, float* minY, float* maxX,
                             float* maxY);

// Draws one character at the current origin.
using SymbolDrawer = void (*)(char ch);

// Lays text out along the writing direction (centred and rotated as the
// settings say) and calls drawer at each symbol's origin for every character
// that is not a space. Leaves the modelview matrix as it found it; does nothing
// for a null or empty text or without a current font.
void layoutString(const char* text, SymbolDrawer drawer);

// Filled triangles; with option texturing, texture coordinates (x+1)/2, (y+1)/2;
// with option contouring, an outline in the contour colour (current colour kept).
void drawSolidSymbol(char ch);
// One line loop per contour.
void drawWiredSymbol(char ch);
// Front face at z = 1 + depth, back face at z = 1, and side walls, with normals;
// with option contouring, the 3-D outline in the contour colour, unlit.
void drawSolidSymbol3D(char ch);
// Contours at z = 1 and z = 1 + depth, joined by a segment at every vertex.
void drawWiredSymbol3D(char ch);

// layoutString with drawSolidSymbol, drawWiredSymbol, drawSolidSymbol3D and
// drawWiredSymbol3D respectively.
void drawSolidString(const char* text);
void drawWiredString(const char* text);
void drawSolidString3D(const char* text);
void drawWiredString3D(const char* text);

// The same with the font in slot handle; the previous current font is restored
// afterwards, and nothing is drawn when handle names no loaded font.
void drawSolidStringWithFont(int handle, const char* text);
void drawWiredStringWithFont(int handle, const char* text);
void drawSolidString3DWithFont(int handle, const char* text);
void drawWiredString3DWithFont(int handle, const char* text);
void drawSolidSymbolWithFont(int handle, char ch);
void drawWiredSymbolWithFont(int handle, char ch);
void drawSolidSymbol3DWithFont(int handle, char ch);
void drawWiredSymbol3DWithFont(int handle, char ch);
