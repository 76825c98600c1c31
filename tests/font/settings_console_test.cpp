#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/console.hpp"
#include "font/font_module.hpp"
#include "font/string_draw.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"
#include "glf_builder.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

using fonttest::boxGlyph;
using fonttest::glfBytes;
using fonttest::writeTempFile;

namespace {

class TextModule : public tvtest::GlTest {
  protected:
    void SetUp() override {
        tvtest::GlTest::SetUp();
        initFonts();
        // p: x -0.5..0.5, y -0.4..0.8; q: x -0.3..0.7, y -1..0.2; r: x 0.2..0.6,
        // y 0.1..0.9; the cursor mark _ for the console.
        const std::string path =
            writeTempFile("settings.glf", glfBytes({boxGlyph('p', -0.5f, 0.5f, -0.4f, 0.8f),
                                                    boxGlyph('q', -0.3f, 0.7f, -1.0f, 0.2f),
                                                    boxGlyph('r', 0.2f, 0.6f, 0.1f, 0.9f),
                                                    boxGlyph('_', -0.5f, 0.5f, -0.5f, -0.4f)}));
        ASSERT_EQ(loadFont(path.c_str()), 0);
    }
    void TearDown() override {
        shutdownFonts();
        fonttest::removeTempFiles();
    }
};

std::string consoleRowText(int row, int columns) {
    std::string text;
    for (int c = 0; c < columns; ++c) {
        const char cell = getConsoleCell(row, c);
        if (cell == '\0') {
            break;
        }
        text += cell;
    }
    return text;
}

// Draws the console (rows empty but for the cursor) inside the window and
// tells whether anything reached the rasteriser.
bool cursorDrawn() {
    return !tvtest::captureFeedback([] {
                glPushMatrix();
                glTranslatef(400.0f, 500.0f, 0.0f);
                glScalef(10.0f, 10.0f, 1.0f);
                drawConsole();
                glPopMatrix();
            }).empty();
}

}  // namespace

TEST_F(TextModule, InitialStateAndSetterGuards) {
    EXPECT_TRUE(isOptionEnabled(FontOption::Messages));
    EXPECT_FALSE(isOptionEnabled(FontOption::Texturing));
    EXPECT_FALSE(isOptionEnabled(FontOption::Contouring));
    EXPECT_TRUE(isOptionEnabled(FontOption::ConsoleCursor));
    EXPECT_EQ(getCentering(), 1);
    EXPECT_EQ(getDirection(), 1);
    EXPECT_FLOAT_EQ(getSymbolSpace(), 0.2f);
    EXPECT_FLOAT_EQ(getSpaceWidth(), 2.0f);
    EXPECT_FLOAT_EQ(getSymbolDepth(), 0.2f);
    float colour[4] = {9, 9, 9, 9};
    getContourColor(colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 0.0f);

    for (int direction : {0, 5, -1}) {
        setDirection(direction);
        EXPECT_EQ(getDirection(), 1) << direction;
    }
    setDirection(4);
    EXPECT_EQ(getDirection(), 4);

    for (int code : {0, 9, 13, 29, 31}) {
        enableOption(code);
        disableOption(code);
    }
    EXPECT_TRUE(isOptionEnabled(FontOption::Messages));
    EXPECT_FALSE(isOptionEnabled(FontOption::Texturing));
    EXPECT_FALSE(isOptionEnabled(FontOption::Contouring));
    EXPECT_TRUE(isOptionEnabled(FontOption::ConsoleCursor));
}

TEST_F(TextModule, StringBoundsUseSignedBoundsAndIgnoreLayoutSettings) {
    struct Case {
        const char* text;
        float left, bottom, right, top;
    };
    // Worked out with gap 0.2 and space width 2; right = left + sum of widths.
    const std::vector<Case> cases = {
        {"", 0.0f, 10.0f, 0.0f, -10.0f},  {"p", -0.5f, -0.4f, 0.7f, 0.8f},
        {"pq", -0.5f, -1.0f, 1.9f, 0.8f}, {"p x", -0.5f, -0.4f, 4.7f, 0.8f},
        {" p", 0.0f, -0.4f, 3.2f, 0.8f},  {"r", 0.2f, 0.1f, 0.8f, 0.9f},
    };
    setDirection(3);
    setCentering(0);
    setRotation(45.0f);
    for (const Case& c : cases) {
        float box[4] = {99, 99, 99, 99};
        getStringBounds(c.text, &box[0], &box[1], &box[2], &box[3]);
        EXPECT_NEAR(box[0], c.left, 1e-6) << c.text;
        EXPECT_NEAR(box[1], c.bottom, 1e-6) << c.text;
        EXPECT_NEAR(box[2], c.right, 1e-6) << c.text;
        EXPECT_NEAR(box[3], c.top, 1e-6) << c.text;
    }
    setRotation(0.0f);

    // A pair with one place missing is not stored; the other pair still is.
    float minX = 99;
    float maxX = 99;
    float maxY = 99;
    getStringBounds("p", &minX, nullptr, &maxX, &maxY);
    EXPECT_EQ(minX, 99.0f);
    EXPECT_NEAR(maxX, 0.7f, 1e-6);

    // No font: nothing stored.
    maxX = 99;
    getStringBoundsWithFont(3, "p", nullptr, nullptr, &maxX, &maxY);
    getStringBoundsWithFont(-1, "p", nullptr, nullptr, &maxX, &maxY);
    unloadCurrentFont();
    getStringBounds("p", nullptr, nullptr, &maxX, &maxY);
    EXPECT_EQ(maxX, 99.0f);
}

TEST_F(TextModule, ConsoleWritingWrapsAndScrolls) {
    int column = -1;
    int row = -1;
    consolePrint("ab\nde");
    EXPECT_EQ(consoleRowText(0, 40), "ab");
    EXPECT_EQ(consoleRowText(1, 40), "de");
    getConsoleCursor(&column, &row);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(row, 1);

    // A tab and a byte of code 200 neither write nor move.
    consolePutChar('\t');
    consolePutChar(static_cast<char>(200));
    getConsoleCursor(&column, &row);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(consoleRowText(1, 40), "de");

    // A full row moves the cursor to the next row; a line feed then leaves an empty row.
    clearConsole();
    consolePrint(std::string(40, 'x').c_str());
    getConsoleCursor(&column, &row);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 1);
    consolePutChar('\n');
    getConsoleCursor(&column, &row);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(consoleRowText(1, 40), "");

    // Writing past the last row scrolls the first row away.
    setConsoleSize(3, 2);
    consolePrint("abcdefg");
    EXPECT_EQ(consoleRowText(0, 3), "def");
    EXPECT_EQ(consoleRowText(1, 3), "g");
    getConsoleCursor(&column, &row);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 1);
    // "hi" fills the row and scrolls; the line feed then scrolls once more.
    consoleWrite("hi\nj", 4);
    EXPECT_EQ(consoleRowText(0, 3), "");
    EXPECT_EQ(consoleRowText(1, 3), "j");
}

TEST_F(TextModule, ConsoleSizeRefusesWhatTheLineBufferCannotHold) {
    consolePrint("keep");
    for (const auto& size : std::vector<std::pair<int, int>>{{0, 5}, {-3, 5}, {512, 5}, {10, 0}}) {
        setConsoleSize(size.first, size.second);
        EXPECT_EQ(consoleRowText(0, 40), "keep") << size.first << "x" << size.second;
        int column = -1;
        getConsoleCursor(&column, nullptr);
        EXPECT_EQ(column, 4);
    }
    setConsoleSize(511, 1);
    EXPECT_EQ(getConsoleCell(0, 0), '\0');
    consolePrint(std::string(600, 'p').c_str());
    EXPECT_EQ(getConsoleCell(0, 88), 'p');
    // The widest console still draws, its row and cursor within the line buffer.
    EXPECT_FALSE(tvtest::captureFeedback([] {
                     glPushMatrix();
                     drawConsole();
                     glPopMatrix();
                 }).empty());

    EXPECT_EQ(setConsoleFont(5), -1);
    EXPECT_EQ(setConsoleFont(300), -1);
    EXPECT_EQ(setConsoleFont(0), 0);
}

TEST_F(TextModule, ConsoleDrawsRowsDownwardsWithABlinkingCursor) {
    // 'p' in rows 0 and 2, cursor hidden: two triangles, the second 4 units lower.
    disableOption(static_cast<int>(FontOption::ConsoleCursor));
    consolePrint("p\n\np");
    auto polygons = tvtest::polygonsOf(tvtest::captureFeedback([] {
        glPushMatrix();
        glTranslatef(400.0f, 500.0f, 0.0f);
        glScalef(10.0f, 10.0f, 1.0f);
        drawConsole();
        glPopMatrix();
    }));
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_NEAR(polygons[0].vertices[0].y - polygons[1].vertices[0].y, 40.0f, 1e-3);
    EXPECT_NEAR(polygons[0].vertices[0].x, polygons[1].vertices[0].x, 1e-3);

    // The origin is left 2 units per row lower.
    glPushMatrix();
    drawConsole();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    EXPECT_FLOAT_EQ(m[13], -40.0f);

    // Blinking: with period 10 the cursor shows in calls 1-10, hides in 11-21,
    // shows in 22-32. The period set by initFonts is restored by the ignored 0.
    clearConsole();
    enableOption(static_cast<int>(FontOption::ConsoleCursor));
    setCursorBlinkPeriod(0);
    setCursorBlinkPeriod(-4);
    setCursorBlinkPeriod(10);
    std::string seen;
    for (int call = 1; call <= 32; ++call) {
        seen += cursorDrawn() ? '_' : '.';
    }
    EXPECT_EQ(seen, std::string(10, '_') + std::string(11, '.') + std::string(11, '_'));

    // A period of 2: shown twice, then hidden for three calls.
    setCursorBlinkPeriod(2);
    seen.clear();
    for (int call = 1; call <= 7; ++call) {
        seen += cursorDrawn() ? '_' : '.';
    }
    EXPECT_EQ(seen, "__...__");

    // No console at all: writing and drawing do nothing.
    releaseConsole();
    consolePrint("p");
    EXPECT_TRUE(tvtest::captureFeedback([] { drawConsole(); }).empty());
}
