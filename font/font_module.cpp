#include "font/font_module.hpp"

#include <cstdint>

#include "font/bitmap_font.hpp"
#include "font/console.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"

namespace {

// Settings that initFonts establishes before anything is drawn.
constexpr int initialConsoleColumns = 40;
constexpr int initialConsoleRows = 20;
constexpr int initialBlinkPeriod = 10;
constexpr std::uint8_t initialCentering = 1;
constexpr int initialDirection = 1;

}  // namespace

void initFonts() {
    resetFonts();
    resetBitmapFonts();
    disableOption(static_cast<int>(FontOption::Texturing));
    disableOption(static_cast<int>(FontOption::Contouring));
    enableOption(static_cast<int>(FontOption::Messages));
    setContourColor(0.0f, 0.0f, 0.0f, 0.0f);
    releaseConsole();
    setConsoleSize(initialConsoleColumns, initialConsoleRows);
    clearConsole();
    enableOption(static_cast<int>(FontOption::ConsoleCursor));
    setCursorBlinkPeriod(initialBlinkPeriod);
    setCentering(initialCentering);
    setDirection(initialDirection);
}

void shutdownFonts() {
    releaseConsole();
    releaseFonts();
    releaseBitmapFonts();
}
