#pragma once

// Settings and options of the text module: how vector strings are laid out and
// drawn, whether the reader reports errors, and whether bitmap strings are centred.

#include <cstdint>

// Options switched by code; anything else passed to enableOption is ignored.
enum class FontOption : int {
    Messages = 10,       // the GLF reader prints its error messages
    Texturing = 11,      // filled flat symbols carry texture coordinates
    Contouring = 12,     // solid symbols are outlined in the contour colour
    ConsoleCursor = 30,  // drawConsole shows a blinking cursor
};

// Gap added between two adjacent symbols, in font units.
void setSymbolSpace(float space);
float getSymbolSpace();
// Advance of a space and of a character without a symbol, in font units.
void setSpaceWidth(float width);
float getSpaceWidth();
// Extrusion depth of the 3-D drawers, in font units.
void setSymbolDepth(float depth);
float getSymbolDepth();
// 0 = off, any other value on: strings are centred on the origin.
void setCentering(std::uint8_t centering);
std::uint8_t getCentering();
// Writing direction 1 = +x, 2 = -x, 3 = +y, 4 = -y; other values are ignored.
void setDirection(int direction);
int getDirection();
// Rotation of whole strings about z, in degrees; exactly 0 issues no rotation.
void setRotation(float degrees);
float getRotation();
// Outline colour of solid symbols while option contouring is on (RGBA, 0..1).
void setContourColor(float red, float green, float blue, float alpha);
// Copies the contour colour into rgba[0..3].
void getContourColor(float rgba[4]);

// 0 = off, any other value on: bitmap strings are centred on the origin.
void setBitmapCentering(std::uint8_t centering);
std::uint8_t getBitmapCentering();

// Turns the option with this code on or off; unknown codes change nothing.
void enableOption(int code);
void disableOption(int code);
// Whether the option is on.
bool isOptionEnabled(FontOption option);
