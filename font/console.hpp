#pragma once

// The text console: a scrolling grid of characters drawn row by row in a
// vector font.

// Largest console width: a row plus its cursor and NUL fit a 512-byte line.
constexpr int maxConsoleColumns = 511;

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
