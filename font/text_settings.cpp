#include "font/text_settings.hpp"

#include <GL/gl.h>

#include <cstring>
#include <memory>
#include <new>

#include "font/string_draw.hpp"
#include "font/vector_font.hpp"

namespace {

// Option states as the module stores them.
constexpr std::uint8_t optionOn = 1;
constexpr std::uint8_t optionOff = 2;
// Cursor blink phases.
constexpr std::uint8_t cursorVisible = 1;
constexpr std::uint8_t cursorHidden = 2;

constexpr int firstDirection = 1;
constexpr int lastDirection = 4;
// Out-of-range bounds that any symbol's bounds replace.
constexpr float boundsTopStart = -10.0f;
constexpr float boundsBottomStart = 10.0f;
// Console rows are drawn this many font units apart.
constexpr float consoleRowPitch = 2.0f;
constexpr int consoleLineSize = maxConsoleColumns + 1;
constexpr char lineFeed = 10;
constexpr unsigned char firstStoredCode = 32;
constexpr unsigned char lastStoredCode = 127;
constexpr char cursorMark = '_';

float symbolSpace = 0.2f;
float spaceWidth = 2.0f;
float symbolDepth = 0.2f;
std::uint8_t centering = 1;
int direction = 1;
float rotationAngle = 0.0f;
float contourColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};

std::uint8_t messagesOption = optionOn;
std::uint8_t texturingOption = optionOff;
std::uint8_t contouringOption = optionOff;
std::uint8_t consoleCursorOption = optionOn;

std::unique_ptr<char[]> consoleBuffer;
int consoleColumns = 0;
int consoleRows = 0;
int cursorColumn = 0;
int cursorRow = 0;
int consoleFont = 0;
int blinkPeriod = 0;
int blinkCounter = 0;
std::uint8_t cursorShown = cursorVisible;

std::uint8_t* optionState(int code) {
    switch (code) {
        case static_cast<int>(FontOption::Messages):
            return &messagesOption;
        case static_cast<int>(FontOption::Texturing):
            return &texturingOption;
        case static_cast<int>(FontOption::Contouring):
            return &contouringOption;
        case static_cast<int>(FontOption::ConsoleCursor):
            return &consoleCursorOption;
        default:
            return nullptr;
    }
}

void measure(const VectorFont* font, const char* text, float* minX, float* minY, float* maxX,
             float* maxY) {
    if (font == nullptr || text == nullptr) {
        return;
    }
    const VectorSymbol* first = findSymbol(font, text[0]);
    const float left = first != nullptr ? first->minX : 0.0f;
    float width = 0.0f;
    float top = boundsTopStart;
    float bottom = boundsBottomStart;
    for (const char* p = text; *p != '\0'; ++p) {
        const VectorSymbol* symbol = findSymbol(font, *p);
        if (*p == ' ' || symbol == nullptr) {
            width += spaceWidth;
            continue;
        }
        width += (symbol->maxX - symbol->minX) + symbolSpace;
        if (symbol->maxY > top) {
            top = symbol->maxY;
        }
        if (symbol->minY < bottom) {
            bottom = symbol->minY;
        }
    }
    if (maxX != nullptr && maxY != nullptr) {
        *maxX = width + left;
        *maxY = top;
    }
    if (minX != nullptr && minY != nullptr) {
        *minX = left;
        *minY = bottom;
    }
}

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

void setSymbolSpace(float space) {
    symbolSpace = space;
}
float getSymbolSpace() {
    return symbolSpace;
}
void setSpaceWidth(float width) {
    spaceWidth = width;
}
float getSpaceWidth() {
    return spaceWidth;
}
void setSymbolDepth(float depth) {
    symbolDepth = depth;
}
float getSymbolDepth() {
    return symbolDepth;
}
void setCentering(std::uint8_t value) {
    centering = value;
}
std::uint8_t getCentering() {
    return centering;
}

void setDirection(int value) {
    if (value >= firstDirection && value <= lastDirection) {
        direction = value;
    }
}
int getDirection() {
    return direction;
}

void setRotation(float degrees) {
    rotationAngle = degrees;
}
float getRotation() {
    return rotationAngle;
}

void setContourColor(float red, float green, float blue, float alpha) {
    contourColor[0] = red;
    contourColor[1] = green;
    contourColor[2] = blue;
    contourColor[3] = alpha;
}

void getContourColor(float rgba[4]) {
    std::memcpy(rgba, contourColor, sizeof contourColor);
}

void enableOption(int code) {
    if (std::uint8_t* state = optionState(code)) {
        *state = optionOn;
    }
}

void disableOption(int code) {
    if (std::uint8_t* state = optionState(code)) {
        *state = optionOff;
    }
}

bool isOptionEnabled(FontOption option) {
    const std::uint8_t* state = optionState(static_cast<int>(option));
    return state != nullptr && *state == optionOn;
}

void getStringBounds(const char* text, float* minX, float* minY, float* maxX, float* maxY) {
    measure(currentVectorFont(), text, minX, minY, maxX, maxY);
}

void getStringBoundsWithFont(int handle, const char* text, float* minX, float* minY, float* maxX,
                             float* maxY) {
    measure(findFont(handle), text, minX, minY, maxX, maxY);
}

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
        if (consoleCursorOption == optionOn && row == cursorRow) {
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
