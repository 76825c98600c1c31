#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/font_module.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"
#include "glf_builder.hpp"

using fonttest::boxGlyph;
using fonttest::glfBytes;
using fonttest::GlyphSpec;
using fonttest::writeTempFile;

namespace {

const std::string msgFormat = "Error reading font file: incorrect file format\n";
const std::string msgDuplicate = "Error reading font file: encountered symbols in font\n";
const std::string msgTruncated = "Error reading font file: unexpected end of file\n";
const std::string msgMalformed = "Error reading font file: malformed symbol\n";

class GlfReader : public ::testing::Test {
  protected:
    void SetUp() override { initFonts(); }
    void TearDown() override {
        shutdownFonts();
        fonttest::removeTempFiles();
    }

    // Loads bytes from a file and returns the handle and what was printed.
    static int load(const std::vector<unsigned char>& bytes, std::string* printed = nullptr) {
        const std::string path = writeTempFile("reader.glf", bytes);
        ::testing::internal::CaptureStdout();
        const int handle = loadFont(path.c_str());
        const std::string out = ::testing::internal::GetCapturedStdout();
        if (printed != nullptr) {
            *printed = out;
        }
        return handle;
    }
};

std::vector<GlyphSpec> twoGlyphs() {
    GlyphSpec square;
    square.code = 'o';
    // Two contours: an outer triangle (0..2) and an inner one (3..5).
    square.vertices = {{-0.5f, -0.25f}, {0.75f, -0.5f}, {0.0f, 0.5f},
                       {0.0f, 0.0f},    {0.25f, 0.0f},  {0.0f, 0.25f}};
    square.facets = {{0, 1, 3}, {1, 4, 3}};
    square.contourEnds = {2, 5};
    return {boxGlyph('a', -0.5f, 0.5f, -0.25f, 0.75f), square};
}

}  // namespace

TEST_F(GlfReader, ValidFileFillsSymbolsAndBoundsAndBecomesCurrent) {
    std::string printed;
    const int handle = load(glfBytes(twoGlyphs(), "name"), &printed);
    ASSERT_EQ(handle, 0);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(getCurrentFont(), 0);
    const VectorFont* font = findFont(0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->symbolCount, 2);
    EXPECT_STREQ(font->name.data(), "name");

    const VectorSymbol* o = findSymbol(font, 'o');
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->vertexCount, 6);
    EXPECT_EQ(o->facetCount, 2);
    EXPECT_EQ(o->contourCount, 2);
    EXPECT_FLOAT_EQ(o->vertices[1].x, 0.75f);
    EXPECT_FLOAT_EQ(o->vertices[5].y, 0.25f);
    EXPECT_EQ(o->facets[1][1], 4);
    EXPECT_EQ(o->contourEnds[0], 2);
    // Bounds over all six vertices.
    EXPECT_FLOAT_EQ(o->minX, -0.5f);
    EXPECT_FLOAT_EQ(o->maxX, 0.75f);
    EXPECT_FLOAT_EQ(o->minY, -0.5f);
    EXPECT_FLOAT_EQ(o->maxY, 0.5f);
    EXPECT_EQ(findSymbol(font, 'b'), nullptr);
}

TEST_F(GlfReader, BoundsStartOutsideTheCell) {
    GlyphSpec empty;
    empty.code = 'e';
    GlyphSpec far;
    far.code = 'f';
    // x = 12 is right of the start value 10 of minX, so minX keeps 10;
    // y = -11 is below -10, so maxY keeps -10.
    far.vertices = {{12.0f, -11.0f}};
    far.contourEnds = {0};
    ASSERT_EQ(load(glfBytes({empty, far})), 0);
    const VectorSymbol* e = findSymbol(findFont(0), 'e');
    const VectorSymbol* f = findSymbol(findFont(0), 'f');
    ASSERT_NE(e, nullptr);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(e->minX, 10.0f);
    EXPECT_EQ(e->maxX, -10.0f);
    EXPECT_EQ(e->minY, 10.0f);
    EXPECT_EQ(e->maxY, -10.0f);
    EXPECT_EQ(f->minX, 10.0f);
    EXPECT_EQ(f->maxX, 12.0f);
    EXPECT_EQ(f->minY, -11.0f);
    EXPECT_EQ(f->maxY, -10.0f);
}

TEST_F(GlfReader, HeaderDetailsAndIgnoredBytes) {
    // Name with an embedded NUL, reserved bytes all 0xFF, junk after the last
    // record, a high character code and code 0: all accepted.
    std::string name("ab", 2);
    name += '\0';
    name += "cd";
    std::vector<unsigned char> bytes =
        glfBytes({boxGlyph(200, -1, 1, -1, 1), boxGlyph(0, 0, 1, 0, 1)}, name, -1, 0xFF);
    bytes.insert(bytes.end(), {'G', 'L', 'F', 1, 2, 3});
    ASSERT_EQ(load(bytes), 0);
    const VectorFont* font = findFont(0);
    EXPECT_EQ(font->name[3], 'c');
    EXPECT_EQ(font->name[2], '\0');
    EXPECT_EQ(font->name[96], '\0');
    EXPECT_NE(findSymbol(font, static_cast<char>(200)), nullptr);
    EXPECT_NE(findSymbol(font, '\0'), nullptr);

    // N = 0: an empty font that still loads and becomes current.
    EXPECT_EQ(load(glfBytes({})), 1);
    EXPECT_EQ(getCurrentFont(), 1);
}

TEST_F(GlfReader, BadFilesAreRefusedWithTheirMessage) {
    GlyphSpec badFacet = boxGlyph('a', 0, 1, 0, 1);
    badFacet.facets = {{0, 1, 3}};
    GlyphSpec badEnd = boxGlyph('a', 0, 1, 0, 1);
    badEnd.contourEnds = {3};
    GlyphSpec notRising = boxGlyph('a', 0, 1, 0, 1);
    notRising.contourEnds = {1, 1, 2};
    GlyphSpec shortLast = boxGlyph('a', 0, 1, 0, 1);
    shortLast.contourEnds = {1};
    GlyphSpec contoursWithoutVertices;
    contoursWithoutVertices.code = 'a';
    contoursWithoutVertices.contourEnds = {0};
    std::vector<unsigned char> badMagic = glfBytes({boxGlyph('a', 0, 1, 0, 1)});
    badMagic[2] = 'X';

    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"wrong magic", badMagic, msgFormat},
        {"two bytes", {'G', 'L'}, msgFormat},
        {"empty file", {}, msgFormat},
        {"duplicate code",
         glfBytes(
             {boxGlyph('a', 0, 1, 0, 1), boxGlyph('b', 0, 1, 0, 1), boxGlyph('a', 0, 1, 0, 1)}),
         msgDuplicate},
        {"more records declared than present", glfBytes({boxGlyph('a', 0, 1, 0, 1)}, "x", 2),
         msgTruncated},
        {"facet index not below V", glfBytes({boxGlyph('b', 0, 1, 0, 1), badFacet}), msgMalformed},
        {"contour end not below V", glfBytes({badEnd}), msgMalformed},
        {"contour ends not rising", glfBytes({notRising}), msgMalformed},
        {"last contour end short of V - 1", glfBytes({shortLast}), msgMalformed},
        {"contour without vertices", glfBytes({contoursWithoutVertices}), msgMalformed},
    };
    // A font already loaded stays current through every failure.
    ASSERT_EQ(load(glfBytes({boxGlyph('z', 0, 1, 0, 1)})), 0);
    for (const Case& c : cases) {
        std::string printed;
        EXPECT_EQ(load(c.bytes, &printed), -1) << c.what;
        EXPECT_EQ(printed, c.message) << c.what;
        EXPECT_EQ(getCurrentFont(), 0) << c.what;
        EXPECT_EQ(findFont(1), nullptr) << c.what;
    }
    // The failed loads left slot 1 free.
    EXPECT_EQ(load(glfBytes({})), 1);
}

TEST_F(GlfReader, EveryTruncationIsRefused) {
    const std::vector<unsigned char> whole = glfBytes(twoGlyphs());
    for (std::size_t length = 0; length < whole.size(); ++length) {
        std::string printed;
        const std::vector<unsigned char> cut(whole.begin(), whole.begin() + length);
        ASSERT_EQ(load(cut, &printed), -1) << "length " << length;
        EXPECT_EQ(printed, length < 3 ? msgFormat : msgTruncated) << "length " << length;
        EXPECT_EQ(getCurrentFont(), -1);
        EXPECT_EQ(findFont(0), nullptr);
    }
    EXPECT_EQ(load(whole), 0);
}

TEST_F(GlfReader, MessagesOptionSilencesErrorsAndMissingFilesAreSilent) {
    disableOption(static_cast<int>(FontOption::Messages));
    std::string printed;
    EXPECT_EQ(load({'X', 'Y', 'Z'}, &printed), -1);
    EXPECT_EQ(printed, "");
    enableOption(static_cast<int>(FontOption::Messages));

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(loadFont("no/such/file.glf"), -1);
    EXPECT_EQ(loadFont(nullptr), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(GlfReader, TableHandlesLoadUnloadAndCurrentFont) {
    const std::vector<unsigned char> bytes = glfBytes({boxGlyph('a', 0, 1, 0, 1)});
    EXPECT_EQ(getCurrentFont(), -1);
    EXPECT_EQ(unloadCurrentFont(), -1);
    EXPECT_EQ(load(bytes), 0);
    EXPECT_EQ(load(bytes), 1);
    EXPECT_EQ(load(bytes), 2);
    EXPECT_EQ(getCurrentFont(), 2);

    // Invalid handles and empty slots are refused and change nothing.
    for (int handle : {-1, 3, 255, 256, 100000}) {
        EXPECT_EQ(setCurrentFont(handle), -1) << handle;
        EXPECT_EQ(unloadFont(handle), -1) << handle;
        EXPECT_EQ(getCurrentFont(), 2);
    }

    EXPECT_EQ(unloadFont(0), 0);  // not current: current stays
    EXPECT_EQ(getCurrentFont(), 2);
    EXPECT_EQ(findFont(0), nullptr);
    EXPECT_EQ(unloadFont(2), 0);  // current: none afterwards
    EXPECT_EQ(getCurrentFont(), -1);
    EXPECT_EQ(setCurrentFont(1), 0);
    EXPECT_EQ(unloadCurrentFont(), 0);
    EXPECT_EQ(getCurrentFont(), -1);
    EXPECT_EQ(findFont(1), nullptr);

    // The lowest empty slot is reused; a full table refuses further loads.
    for (int slot = 0; slot < fontSlotCount; ++slot) {
        ASSERT_EQ(load(bytes), slot);
    }
    EXPECT_EQ(load(bytes), -1);
    EXPECT_EQ(getCurrentFont(), 255);
    EXPECT_EQ(unloadFont(17), 0);
    EXPECT_EQ(load(bytes), 17);
}
