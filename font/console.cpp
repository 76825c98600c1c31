#include "font/console.hpp"

#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "font/string_draw.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"

namespace {

// Cursor blink phases.
constexpr std::uint8_t cursorVisible = 1;
constexpr std::uint8_t cursorHidden = 2;

// Console rows are drawn this many font units apart.
constexpr float consoleRowPitch = 2.0f;
constexpr int consoleLineSize = maxConsoleColumns + 1;
constexpr char lineFeed = 10;
constexpr unsigned char firstStoredCode = 32;
constexpr unsigned char lastStoredCode = 127;
constexpr char cursorMark = '_';

std::unique_ptr<char[]> consoleBuffer;
int consoleColumns = 0;
int consoleRows = 0;
int cursorColumn = 0;
int cursorRow = 0;
int consoleFont = 0;
int blinkPeriod = 0;
int blinkCounter = 0;
std::uint8_t cursorShown = cursorVisible;

char* consoleRow(int row) {
    return consoleBuffer.get() + static_cast<std::size_t>(row) * consoleColumns;
}

// Moves every row up by one, losing the first, and empties the last.
void scrollConsole() {
    const std::size_t rowBytes = static_cast<std::size_t>(consoleColumns);
    std::memmove(consoleRow(0), consoleRow(1),
                 rowBytes * static_cast<std::size_t>(consoleRows - 1));
    std::memset(consoleRow(consoleRows - 1), 0, rowBytes);
}

}  // namespace

void setConsoleSize(int columns, int rows) {
    if (columns < 1 || columns > maxConsoleColumns || rows < 1) {
        return;
    }
    const std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[cells]);
    if (!buffer) {
        return;
    }
    consoleBuffer = std::move(buffer);
    consoleColumns = columns;
    consoleRows = rows;
    clearConsole();
}

void clearConsole() {
    if (consoleBuffer) {
        std::memset(
            consoleBuffer.get(), 0,
            static_cast<std::size_t>(consoleColumns) * static_cast<std::size_t>(consoleRows));
    }
    cursorColumn = 0;
    cursorRow = 0;
}

void releaseConsole() {
    consoleBuffer.reset();
    consoleColumns = 0;
    consoleRows = 0;
    cursorColumn = 0;
    cursorRow = 0;
}

void consoleWrite(const char* chars, int count) {
    if (!consoleBuffer || chars == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const auto code = static_cast<unsigned char>(chars[i]);
        if (code >= firstStoredCode && code <= lastStoredCode) {
            consoleRow(cursorRow)[cursorColumn] = chars[i];
            ++cursorColumn;
        } else if (chars[i] == lineFeed) {
            cursorColumn = consoleColumns;
        } else {
            continue;
        }
        if (cursorColumn >= consoleColumns) {
            cursorColumn = 0;
            ++cursorRow;
            if (cursorRow >= consoleRows) {
                scrollConsole();
                cursorRow = consoleRows - 1;
            }
        }
    }
}

void consolePrint(const char* text) {
    if (text != nullptr) {
        consoleWrite(text, static_cast<int>(std::strlen(text)));
    }
}

void consolePutChar(char ch) {
    consoleWrite(&ch, 1);
}

int setConsoleFont(int handle) {
    if (findFont(handle) == nullptr) {
        return -1;
    }
    consoleFont = handle;
    return 0;
}

void setCursorBlinkPeriod(int period) {
    if (period > 0) {
        blinkPeriod = period;
        blinkCounter = period;
        cursorShown = cursorVisible;
    }
}

void drawConsole() {
    if (!consoleBuffer) {
        return;
    }
    char line[consoleLineSize];
    const auto columns = static_cast<std::size_t>(consoleColumns);
    for (int row = 0; row < consoleRows; ++row) {
        std::memcpy(line, consoleRow(row), columns);
        line[columns] = '\0';
        if (isOptionEnabled(FontOption::ConsoleCursor) && row == cursorRow) {
            --blinkCounter;
            if (blinkCounter < 0) {
                blinkCounter = blinkPeriod;
                cursorShown = cursorShown == cursorVisible ? cursorHidden : cursorVisible;
            }
            if (cursorShown == cursorVisible) {
                // A full row has no empty cell and so no room for the cursor.
                if (void* gap = std::memchr(line, '\0', columns)) {
                    char* mark = static_cast<char*>(gap);
                    mark[0] = cursorMark;
                    mark[1] = '\0';
                }
            }
        }
        drawSolidStringWithFont(consoleFont, line);
        glTranslatef(0.0f, -consoleRowPitch, 0.0f);
    }
}

char getConsoleCell(int row, int column) {
    if (!consoleBuffer || row < 0 || row >= consoleRows || column < 0 || column >= consoleColumns) {
        return '\0';
    }
    return consoleRow(row)[column];
}

void getConsoleCursor(int* column, int* row) {
    if (column != nullptr) {
        *column = cursorColumn;
    }
    if (row != nullptr) {
        *row = cursorRow;
    }
}
