#pragma once

// Layout settings and options of the text module, string measuring, and the
// text console: a scrolling grid of characters drawn row by row in a vector font.

#include <cstdint>

// Options switched by code; anything else passed to enableOption is ignored.
enum class FontOption : int {
    Messages = 10,       // the GLF reader prints its error messages
    Texturing = 11,      // filled flat symbols carry texture coordinates
    Contouring = 12,     // solid symbols are outlined in the contour colour
    ConsoleCursor = 30,  // drawConsole shows a blinking cursor
};

// Largest console width: a row plus its cursor and NUL fit a 512-byte line.
constexpr int maxConsoleColumns = 511;

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

// Turns the option with this code on or off; unknown codes change nothing.
void enableOption(int code);
void disableOption(int code);
// Whether the option is on.
bool isOptionEnabled(FontOption option);

// Bounding box of text in the current font, in font units, ignoring direction,
// centring and rotation. Each pair (minX, minY), (maxX, maxY) is stored only
// when both of its places are given; nothing is stored without a current font.
void getStringBounds(const char* text, float* minX, float* minY, float* maxX, float* maxY);
// The same in the font of slot handle; does nothing for an empty or invalid slot.
void getStringBoundsWithFont(int handle, const char* text, float* minX, float* minY, float* maxX,
                             float* maxY);

// Replaces the console by an empty one of columns x rows cells with the cursor
// at the top left. Refuses columns outside 1..511, rows below 1 or a failed
// allocation, and then leaves the console as it was.
void setConsoleSize(int columns, int rows);
// Empties every cell and puts the cursor at row 0, column 0.
void clearConsole();
// Appends count characters: codes 32..127 are stored, a line feed ends the row,
// everything else is skipped; writing past the last row scrolls the grid up.
void consoleWrite(const char* chars, int count);
// consoleWrite with a NUL-terminated text.
void consolePrint(const char* text);
// consoleWrite with one character.
void consolePutChar(char ch);
// Font used by drawConsole; 0, or -1 (unchanged) for an empty or invalid slot.
int setConsoleFont(int handle);
// Cursor blink period in drawConsole calls; values of 0 or below are ignored.
void setCursorBlinkPeriod(int period);
// Draws every row top to bottom, each 2 font units below the previous, and
// leaves the modelview origin 2 x rows units lower.
void drawConsole();
// Releases the console buffer; consoleWrite and drawConsole then do nothing.
void releaseConsole();

// Console contents for inspection: the cell's code (0 = empty), or 0 outside the grid.
char getConsoleCell(int row, int column);
// Where the next character goes.
void getConsoleCursor(int* column, int* row);
