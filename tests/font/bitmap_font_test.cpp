#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "font/bitmap_draw.hpp"
#include "font/bitmap_font.hpp"
#include "font/font_module.hpp"
#include "font/text_settings.hpp"
#include "glf_builder.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

using fonttest::putFloat;
using fonttest::writeTempFile;

namespace {

// ---- A BMF writer, built from the file layout alone -------------------------

// Samples of an SGI image, indexed [channel][row from the bottom][column].
struct TestImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<unsigned char> samples;

    unsigned char at(int c, int y, int x) const { return samples[(c * height + y) * width + x]; }
};

void putBig16(std::vector<unsigned char>& out, std::size_t at, unsigned value) {
    out[at] = static_cast<unsigned char>(value >> 8);
    out[at + 1] = static_cast<unsigned char>(value & 0xFF);
}

void putBig32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
    }
}

// Runs of two or more equal bytes become repeat runs, everything else literal
// runs, none longer than 127; a zero count ends the row.
std::vector<unsigned char> encodeRow(const unsigned char* row, int width) {
    std::vector<unsigned char> out;
    int i = 0;
    while (i < width) {
        int run = 1;
        while (i + run < width && run < 127 && row[i + run] == row[i]) {
            ++run;
        }
        if (run >= 2) {
            out.push_back(static_cast<unsigned char>(run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        int n = 1;
        while (i + n < width && n < 127 && !(i + n + 1 < width && row[i + n] == row[i + n + 1])) {
            ++n;
        }
        out.push_back(static_cast<unsigned char>(0x80 | n));
        out.insert(out.end(), row + i, row + i + n);
        i += n;
    }
    out.push_back(0);
    return out;
}

// The 512-byte header, then verbatim planes or the two row tables and the rows.
std::vector<unsigned char> sgiBytes(const TestImage& image, bool runLength) {
    std::vector<unsigned char> out(512, 0);
    putBig16(out, 0, 474);
    out[2] = runLength ? 1 : 0;
    out[3] = 1;
    putBig16(out, 4, 3);
    putBig16(out, 6, static_cast<unsigned>(image.width));
    putBig16(out, 8, static_cast<unsigned>(image.height));
    putBig16(out, 10, static_cast<unsigned>(image.channels));
    const int rows = image.height * image.channels;
    if (!runLength) {
        out.insert(out.end(), image.samples.begin(), image.samples.end());
        return out;
    }
    const std::size_t startTable = out.size();
    out.resize(out.size() + 8 * static_cast<std::size_t>(rows), 0);
    for (int r = 0; r < rows; ++r) {
        const std::vector<unsigned char> packed = encodeRow(
            image.samples.data() + static_cast<std::size_t>(r) * image.width, image.width);
        putBig32(out, startTable + 4 * r, static_cast<std::uint32_t>(out.size()));
        putBig32(out, startTable + 4 * (rows + r), static_cast<std::uint32_t>(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

using GlyphTable = std::array<BitmapGlyph, 256>;

std::vector<unsigned char> bmfBytes(const GlyphTable& glyphs, const std::vector<unsigned char>& sgi,
                                    const char* magic = "BMF") {
    std::vector<unsigned char> out(magic, magic + 3);
    out.resize(3 + 96, 'n');
    for (const BitmapGlyph& g : glyphs) {
        putFloat(out, g.x);
        putFloat(out, g.y);
        putFloat(out, g.width);
        putFloat(out, g.height);
    }
    EXPECT_EQ(out.size(), 4195u);
    out.insert(out.end(), sgi.begin(), sgi.end());
    return out;
}

// Columns of colour, some black, some repeated, so both run kinds and the
// mask rule are exercised. Pixel (x, y) is black when (x + 2y) % 5 == 0.
TestImage patternImage(int width, int height, int channels) {
    TestImage image{width, height, channels, {}};
    image.samples.resize(static_cast<std::size_t>(width * height * channels));
    for (int c = 0; c < channels; ++c) {
        // For grey + alpha, channel 1 is alpha; from four on, channel 3 is.
        const bool colour = channels == 2 ? c == 0 : c < 3;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // Values 1..255 away from the black pixels.
                int value = 1 + (x < 3 ? 40 + 30 * c + y : 90 + 11 * x + 7 * y + 29 * c) % 255;
                if (colour && (x + 2 * y) % 5 == 0) {
                    value = 0;
                }
                image.samples[(c * height + y) * width + x] = static_cast<unsigned char>(value);
            }
        }
    }
    return image;
}

// What the file's channels mean as RGBA.
std::array<unsigned char, 4> expectedTexel(const TestImage& im, int x, int y) {
    const int n = im.channels;
    if (n == 1) {
        return {im.at(0, y, x), im.at(0, y, x), im.at(0, y, x), 255};
    }
    if (n == 2) {
        return {im.at(0, y, x), im.at(0, y, x), im.at(0, y, x), im.at(1, y, x)};
    }
    return {im.at(0, y, x), im.at(1, y, x), im.at(2, y, x),
            n == 3 ? static_cast<unsigned char>(255) : im.at(3, y, x)};
}

GlyphTable plainGlyphs() {
    GlyphTable glyphs{};
    for (int code = 0; code < 256; ++code) {
        glyphs[code] = {0.0f, 0.0f, 0.125f, 0.5f};
    }
    return glyphs;
}

std::vector<unsigned char> smallFont(bool runLength, int channels = 3) {
    return bmfBytes(plainGlyphs(), sgiBytes(patternImage(6, 3, channels), runLength));
}

std::vector<unsigned char> textureImage(GLuint texture, int width, int height) {
    std::vector<unsigned char> texels(static_cast<std::size_t>(width * height * 4));
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

std::array<float, 16> modelview() {
    std::array<float, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

using Quad = std::vector<tvtest::FbVertex>;

// Quads as drawn; Mesa hands each one to feedback as two triangles.
std::vector<Quad> quadsOf(const std::function<void()>& draw) {
    const auto polygons = tvtest::polygonsOf(tvtest::captureFeedback(draw));
    std::vector<Quad> quads;
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        Quad quad = polygons[i].vertices;
        if (quad.size() == 3 && i + 1 < polygons.size()) {
            ++i;
            quad.insert(quad.end(), polygons[i].vertices.begin(), polygons[i].vertices.end());
        }
        quads.push_back(quad);
    }
    return quads;
}

float leftOf(const Quad& quad) {
    float lo = 1e9f;
    for (const tvtest::FbVertex& v : quad) {
        lo = std::min(lo, v.x);
    }
    return lo;
}

class BitmapFonts : public tvtest::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        initFonts();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }
    void TearDown() override {
        shutdownFonts();
        fonttest::removeTempFiles();
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
    }

    static int load(const std::vector<unsigned char>& bytes, const char* name = "font.bmf") {
        return loadBitmapFont(writeTempFile(name, bytes).c_str());
    }
};

// ---- The table ---------------------------------------------------------------

TEST_F(BitmapFonts, LoadingUsesLowestFreeSlotMakesItCurrentAndKeepsOthers) {
    const std::vector<unsigned char> file = smallFont(false);
    EXPECT_EQ(getCurrentBitmapFont(), -1);
    EXPECT_EQ(unloadCurrentBitmapFont(), -1);
    ASSERT_EQ(load(file), 0);
    EXPECT_EQ(getCurrentBitmapFont(), 0);
    ASSERT_EQ(load(file), 1);
    EXPECT_EQ(getCurrentBitmapFont(), 1);
    ASSERT_EQ(load(file), 2);
    EXPECT_NE(findBitmapFont(0), nullptr);
    EXPECT_NE(findBitmapFont(1), nullptr);

    // Releasing a font that is not current keeps the current one.
    const BitmapFont released = *findBitmapFont(1);
    EXPECT_EQ(unloadBitmapFont(1), 0);
    EXPECT_EQ(getCurrentBitmapFont(), 2);
    EXPECT_EQ(findBitmapFont(1), nullptr);
    EXPECT_FALSE(glIsTexture(released.imageTexture));
    EXPECT_FALSE(glIsTexture(released.maskTexture));
    EXPECT_FALSE(glIsList(released.listBase));
    EXPECT_FALSE(glIsList(released.listBase + 255));

    ASSERT_EQ(load(file), 1);  // the gap is filled first
    EXPECT_EQ(setCurrentBitmapFont(0), 0);
    EXPECT_EQ(unloadCurrentBitmapFont(), 0);
    EXPECT_EQ(getCurrentBitmapFont(), -1);
    EXPECT_EQ(findBitmapFont(0), nullptr);

    ASSERT_EQ(setCurrentBitmapFont(2), 0);
    for (int bad : {-1, 0, 3, 255, 256, 1000}) {
        EXPECT_EQ(unloadBitmapFont(bad), -1) << bad;
        EXPECT_EQ(setCurrentBitmapFont(bad), -1) << bad;
        EXPECT_EQ(getCurrentBitmapFont(), 2) << bad;
    }

    // A failed load leaves table and current font alone.
    EXPECT_EQ(loadBitmapFont("/nonexistent/dir/font.bmf"), -1);
    EXPECT_EQ(load(bmfBytes(plainGlyphs(), sgiBytes(patternImage(2, 2, 1), false), "BMG")), -1);
    EXPECT_EQ(loadBitmapFont(nullptr), -1);
    EXPECT_EQ(getCurrentBitmapFont(), 2);
    EXPECT_EQ(findBitmapFont(0), nullptr);
}

TEST_F(BitmapFonts, StartUpClearsAndShutdownReleasesTheTable) {
    ASSERT_EQ(load(smallFont(false)), 0);
    ASSERT_EQ(load(smallFont(true)), 1);
    setBitmapCentering(1);
    const BitmapFont first = *findBitmapFont(0);
    const BitmapFont second = *findBitmapFont(1);
    shutdownFonts();
    for (const BitmapFont& font : {first, second}) {
        EXPECT_FALSE(glIsTexture(font.imageTexture));
        EXPECT_FALSE(glIsTexture(font.maskTexture));
        EXPECT_FALSE(glIsList(font.listBase));
    }
    EXPECT_EQ(findBitmapFont(0), nullptr);
    EXPECT_EQ(findBitmapFont(1), nullptr);
    EXPECT_EQ(getCurrentBitmapFont(), -1);
    initFonts();
    EXPECT_EQ(getBitmapCentering(), 0);
    EXPECT_EQ(load(smallFont(false)), 0);
}

TEST_F(BitmapFonts, WidthsAndTallestGlyphComeFromTheRecords) {
    GlyphTable glyphs = plainGlyphs();
    glyphs['A'] = {0.25f, 0.5f, 0.375f, 0.75f};
    glyphs[255] = {0.0f, 0.0f, 0.0f, 0.625f};
    ASSERT_EQ(load(bmfBytes(glyphs, sgiBytes(patternImage(2, 2, 1), true))), 0);
    const BitmapFont* font = findBitmapFont(0);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphWidths['A'], 0.375f);
    EXPECT_EQ(font->glyphWidths[255], 0.0f);
    EXPECT_EQ(font->glyphWidths[0], 0.125f);
    EXPECT_EQ(font->maxGlyphHeight, 0.75f);

    // A slot used again does not inherit the earlier font's height.
    ASSERT_EQ(unloadBitmapFont(0), 0);
    ASSERT_EQ(load(smallFont(false)), 0);
    EXPECT_EQ(findBitmapFont(0)->maxGlyphHeight, 0.5f);
}

// ---- The image -----------------------------------------------------------------

TEST_F(BitmapFonts, TexelsAndMaskMatchTheWrittenPixels) {
    struct Case {
        int width, height, channels;
        bool runLength;
    };
    const Case cases[] = {{5, 3, 1, false}, {5, 3, 1, true}, {4, 2, 2, false}, {4, 2, 2, true},
                          {7, 3, 3, false}, {7, 3, 3, true}, {3, 4, 4, false}, {3, 4, 4, true},
                          {6, 2, 5, false}, {6, 2, 5, true}, {300, 2, 3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " channels " << c.channels
                                        << (c.runLength ? " run-length" : " verbatim"));
        const TestImage image = patternImage(c.width, c.height, c.channels);
        const std::vector<unsigned char> file =
            bmfBytes(plainGlyphs(), sgiBytes(image, c.runLength));

        DecodedBitmapFont decoded;
        ASSERT_EQ(decodeBitmapFont(file.data(), file.size(), 16384, decoded), 0);
        ASSERT_EQ(decoded.width, c.width);
        ASSERT_EQ(decoded.height, c.height);
        const int handle = load(file);
        ASSERT_GE(handle, 0);
        const BitmapFont* font = findBitmapFont(handle);
        const std::vector<unsigned char> texels =
            textureImage(font->imageTexture, c.width, c.height);
        const std::vector<unsigned char> mask = textureImage(font->maskTexture, c.width, c.height);

        int blackPixels = 0;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const std::size_t at = 4 * static_cast<std::size_t>(y * c.width + x);
                const std::array<unsigned char, 4> want = expectedTexel(image, x, y);
                const bool black = want[0] == 0 && want[1] == 0 && want[2] == 0;
                blackPixels += black ? 1 : 0;
                const unsigned char m = black ? 255 : 0;
                for (int k = 0; k < 4; ++k) {
                    ASSERT_EQ(decoded.image[at + k], want[k]) << x << "," << y << " k " << k;
                    ASSERT_EQ(decoded.mask[at + k], k < 3 ? m : 0) << x << "," << y;
                    // The textures keep three components: alpha reads back as 1.
                    ASSERT_EQ(texels[at + k], k < 3 ? want[k] : 255) << x << "," << y;
                    ASSERT_EQ(mask[at + k], k < 3 ? m : 255) << x << "," << y;
                }
            }
        }
        EXPECT_GT(blackPixels, 0);
        EXPECT_EQ(unloadBitmapFont(handle), 0);
    }
}

TEST_F(BitmapFonts, TexturesFilterLinearly) {
    ASSERT_EQ(load(smallFont(true)), 0);
    for (GLuint texture : {findBitmapFont(0)->imageTexture, findBitmapFont(0)->maskTexture}) {
        glBindTexture(GL_TEXTURE_2D, texture);
        GLint minFilter = 0;
        GLint magFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(minFilter, GL_LINEAR);
        EXPECT_EQ(magFilter, GL_LINEAR);
    }
}

// ---- Hostile files -------------------------------------------------------------

TEST_F(BitmapFonts, EveryTruncationIsRefusedWithoutTrace) {
    for (bool runLength : {false, true}) {
        for (int channels = 1; channels <= 4; ++channels) {
            const std::vector<unsigned char> file = smallFont(runLength, channels);
            DecodedBitmapFont decoded;
            ASSERT_EQ(decodeBitmapFont(file.data(), file.size(), 16384, decoded), 0);
            for (std::size_t length = 0; length < file.size(); ++length) {
                ASSERT_EQ(decodeBitmapFont(file.data(), length, 16384, decoded), -1)
                    << "length " << length << " channels " << channels;
                ASSERT_TRUE(decoded.image.empty() && decoded.mask.empty());
            }
        }
    }
    // Through the file loader too, for one layout of each kind: the file is
    // written once and cut shorter byte by byte.
    for (bool runLength : {false, true}) {
        const std::vector<unsigned char> file = smallFont(runLength, 2);
        const std::string path = writeTempFile("cut.bmf", file);
        ASSERT_EQ(loadBitmapFont(path.c_str()), 0);
        ASSERT_EQ(unloadBitmapFont(0), 0);
        for (std::size_t length = file.size(); length-- > 0;) {
            ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(length)), 0);
            ASSERT_EQ(loadBitmapFont(path.c_str()), -1) << "length " << length;
        }
        EXPECT_EQ(getCurrentBitmapFont(), -1);
        EXPECT_EQ(findBitmapFont(0), nullptr);
    }
}

TEST_F(BitmapFonts, MalformedImagesAreRefused) {
    // Offsets into a run-length 6 x 3 one-channel image: row tables at 512 and
    // 524, rows after 536 (all relative to the image start).
    const std::size_t image = 4195;
    const std::vector<unsigned char> base = smallFont(true, 1);
    const std::size_t size = base.size();
    struct Case {
        const char* what;
        std::size_t at;
        std::vector<unsigned char> bytes;
    };
    const auto be32 = [](std::uint32_t v) {
        return std::vector<unsigned char>{
            static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    };
    const std::uint32_t past = static_cast<std::uint32_t>(size - image);
    const Case cases[] = {
        {"zero width", image + 6, {0, 0}},
        {"zero height", image + 8, {0, 0}},
        {"zero channels", image + 10, {0, 0}},
        {"wider than 16384", image + 6, {0x40, 0x01}},
        {"higher than 16384", image + 8, {0xFF, 0xFF}},
        {"row start past the end", image + 512, be32(past)},
        {"row start far past the end", image + 512 + 8, be32(0xFFFFFFF0u)},
        {"row length past the end", image + 524, be32(past)},
        {"row length wraps", image + 524 + 4, be32(0xFFFFFFFFu)},
        {"row without its terminator", image + 524, be32(2)},
        {"run past its row", image + 536, {0x07}},
        {"literal run past its row", image + 536, {0x87}},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> file = base;
        std::copy(c.bytes.begin(), c.bytes.end(), file.begin() + static_cast<long>(c.at));
        DecodedBitmapFont decoded;
        EXPECT_EQ(decodeBitmapFont(file.data(), file.size(), 16384, decoded), -1) << c.what;
        EXPECT_EQ(load(file, "bad.bmf"), -1) << c.what;
    }
    EXPECT_EQ(findBitmapFont(0), nullptr);
    EXPECT_EQ(getCurrentBitmapFont(), -1);

    // The side limit: 16384 is the most, and a smaller texture limit is kept.
    const std::vector<unsigned char> wide =
        bmfBytes(plainGlyphs(), sgiBytes(patternImage(16384, 1, 1), false));
    DecodedBitmapFont decoded;
    EXPECT_EQ(decodeBitmapFont(wide.data(), wide.size(), 16384, decoded), 0);
    EXPECT_EQ(decodeBitmapFont(wide.data(), wide.size(), 16383, decoded), -1);
    EXPECT_EQ(decodeBitmapFont(wide.data(), wide.size(), 100000, decoded), 0);
    const std::vector<unsigned char> small = smallFont(false);
    EXPECT_EQ(decodeBitmapFont(small.data(), small.size(), 5, decoded), -1);
    EXPECT_EQ(decodeBitmapFont(small.data(), small.size(), 6, decoded), 0);
}

// ---- Drawing -------------------------------------------------------------------

// Glyphs in a 1 x 1 texture-coordinate cell: 'a' of width 0, 'b' 0.25, 'c' 0.5.
GlyphTable drawingGlyphs() {
    GlyphTable glyphs = plainGlyphs();
    glyphs['a'] = {0.0f, 0.0f, 0.0f, 0.5f};
    glyphs['b'] = {0.0f, 0.0f, 0.25f, 0.5f};
    glyphs['c'] = {0.5f, 0.0f, 0.5f, 1.0f};
    return glyphs;
}

TEST_F(BitmapFonts, GlyphsAdvanceByWidthPlusSpacing) {
    drawBitmapChar('b');  // no font: nothing happens
    drawBitmapString("bc");
    EXPECT_EQ(modelview()[12], 0.0f);

    ASSERT_EQ(load(bmfBytes(drawingGlyphs(), sgiBytes(patternImage(4, 2, 3), false))), 0);
    drawBitmapChar('a');
    EXPECT_FLOAT_EQ(modelview()[12], 0.001f);
    drawBitmapChar('b');
    EXPECT_FLOAT_EQ(modelview()[12], 0.001f + 0.251f);
    EXPECT_EQ(modelview()[13], 0.0f);

    // A 100-pixel cell at (200, 300): the quads of "bc" where layout puts them.
    glLoadIdentity();
    glTranslatef(200.0f, 300.0f, 0.0f);
    glScalef(100.0f, 100.0f, 1.0f);
    const auto quads = quadsOf([] { drawBitmapString("bc"); });
    ASSERT_EQ(quads.size(), 2u);
    const float xs[2][2] = {{200.0f, 225.0f}, {225.1f, 275.1f}};
    const float tops[2] = {350.0f, 400.0f};
    for (int q = 0; q < 2; ++q) {
        float lo = 1e9f, hi = -1e9f, top = -1e9f, bottom = 1e9f;
        for (const tvtest::FbVertex& v : quads[q]) {
            lo = std::min(lo, v.x);
            hi = std::max(hi, v.x);
            top = std::max(top, v.y);
            bottom = std::min(bottom, v.y);
        }
        EXPECT_NEAR(lo, xs[q][0], 1e-3f) << q;
        EXPECT_NEAR(hi, xs[q][1], 1e-3f) << q;
        EXPECT_NEAR(bottom, 300.0f, 1e-3f) << q;
        EXPECT_NEAR(top, tops[q], 1e-3f) << q;
    }
    EXPECT_NEAR(modelview()[12], 200.0f + 100.0f * 0.752f, 1e-3f);
}

TEST_F(BitmapFonts, CentringKeepsTheOrigin) {
    ASSERT_EQ(load(bmfBytes(drawingGlyphs(), sgiBytes(patternImage(4, 2, 3), false))), 0);
    EXPECT_EQ(getBitmapCentering(), 0);
    setBitmapCentering(1);
    EXPECT_EQ(getBitmapCentering(), 1);
    glTranslatef(400.0f, 300.0f, 0.0f);
    glScalef(100.0f, 100.0f, 1.0f);
    const std::array<float, 16> before = modelview();
    const auto quads = quadsOf([] {
        drawBitmapString("bc");
        drawMaskedBitmapString("bc");
    });
    EXPECT_EQ(modelview(), before);
    // "bc" advances 0.752 cells; the text starts half of that left of 400.
    ASSERT_EQ(quads.size(), 6u);
    for (int q = 0; q < 6; q += 2) {
        EXPECT_NEAR(leftOf(quads[q]), 400.0f - 37.6f, 1e-3f) << q;
        EXPECT_NEAR(leftOf(quads[q + 1]), 400.0f - 37.6f + 25.1f, 1e-3f) << q;
    }
}

TEST_F(BitmapFonts, BeginAndEndRestoreTexturing) {
    ASSERT_EQ(load(smallFont(false)), 0);
    ASSERT_EQ(load(smallFont(true)), 1);
    ASSERT_EQ(setCurrentBitmapFont(0), 0);
    for (bool enabledBefore : {false, true}) {
        enabledBefore ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        beginBitmapText();
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), findBitmapFont(0)->imageTexture);
        endBitmapText();
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE, enabledBefore);
    }
    // Without a current font nothing is bound.
    ASSERT_EQ(unloadBitmapFont(0), 0);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    beginBitmapText();
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    endBitmapText();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(BitmapFonts, MaskedDrawingRunsMaskPassThenImagePass) {
    // An 8 x 2 image: left half black, right half one colour. Glyph 'b' shows
    // the black half, 'c' the coloured half.
    TestImage image{8, 2, 3, std::vector<unsigned char>(48, 0)};
    const unsigned char ink[3] = {200, 100, 40};
    for (int c = 0; c < 3; ++c) {
        for (int y = 0; y < 2; ++y) {
            for (int x = 4; x < 8; ++x) {
                image.samples[(c * 2 + y) * 8 + x] = ink[c];
            }
        }
    }
    GlyphTable glyphs = plainGlyphs();
    glyphs['b'] = {0.0f, 0.0f, 0.5f, 1.0f};
    glyphs['c'] = {0.5f, 0.0f, 0.5f, 1.0f};
    ASSERT_EQ(load(bmfBytes(glyphs, sgiBytes(image, true))), 0);

    // Colours and order as the rasteriser sees them: mask pass in white, image
    // pass in the caller's colour, which survives.
    glColor3f(0.5f, 0.25f, 1.0f);
    const auto quads = quadsOf([] {
        drawMaskedBitmapChar('c');
        drawMaskedBitmapString("bc");
    });
    ASSERT_EQ(quads.size(), 6u);
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const float own[3] = {0.5f, 0.25f, 1.0f};
    const int maskQuads[] = {0, 2, 3};
    for (int q = 0; q < 6; ++q) {
        const bool mask =
            std::find(std::begin(maskQuads), std::end(maskQuads), q) != std::end(maskQuads);
        const float* want = mask ? white : own;
        EXPECT_NEAR(quads[q][0].r, want[0], 1e-3f) << q;
        EXPECT_NEAR(quads[q][0].g, want[1], 1e-3f) << q;
        EXPECT_NEAR(quads[q][0].b, want[2], 1e-3f) << q;
    }
    // Only the image pass moves the origin: 'c' then "bc".
    EXPECT_FLOAT_EQ(modelview()[12], 0.501f + 0.501f + 0.501f);
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_FLOAT_EQ(colour[1], 0.25f);

    // Pixels: over a background of (51, 102, 153) the black glyph leaves the
    // background, the coloured one shows exactly its ink, neither summed with
    // the background (no mask pass) nor cleared (image pass first).
    glLoadIdentity();
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    glTranslatef(100.0f, 100.0f, 0.0f);
    glScalef(200.0f, 200.0f, 1.0f);
    glEnable(GL_BLEND);
    beginBitmapText();
    drawMaskedBitmapString("bc");
    endBitmapText();
    glDisable(GL_BLEND);
    GLint blend[2] = {0, 0};
    glGetIntegerv(GL_BLEND_SRC, &blend[0]);
    glGetIntegerv(GL_BLEND_DST, &blend[1]);
    EXPECT_EQ(blend[0], GL_ONE);
    EXPECT_EQ(blend[1], GL_ONE);

    glReadBuffer(GL_BACK);
    const auto pixel = [](int x, int y) {
        std::array<unsigned char, 3> p{};
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p.data());
        return p;
    };
    // 'b' covers x 100..200, 'c' 200.2..300.2, both y 100..300.
    const std::array<unsigned char, 3> background = {51, 102, 153};
    const std::array<unsigned char, 3> inked = {200, 100, 40};
    EXPECT_EQ(pixel(150, 200), background);
    EXPECT_EQ(pixel(250, 200), inked);
    EXPECT_EQ(pixel(250, 120), inked);
    EXPECT_EQ(pixel(350, 200), background);
}

// Writes the seed corpus of the BMF fuzzer into fuzz/corpus/bmf. Run from the
// repository root: test_font --gtest_filter='BmfCorpus.*' --gtest_also_run_disabled_tests
TEST(BmfCorpus, DISABLED_WriteSeeds) {
    struct Seed {
        const char* name;
        int width, height, channels;
        bool runLength;
    };
    const Seed seeds[] = {
        {"grey_verbatim.bmf", 4, 2, 1, false}, {"grey_alpha_rle.bmf", 5, 3, 2, true},
        {"rgb_rle.bmf", 6, 3, 3, true},        {"rgba_verbatim.bmf", 3, 2, 4, false},
        {"rgba_rle.bmf", 4, 4, 4, true},       {"five_channels_rle.bmf", 3, 2, 5, true},
        {"wide_rle.bmf", 200, 1, 1, true},
    };
    for (const Seed& seed : seeds) {
        const std::vector<unsigned char> bytes = bmfBytes(
            drawingGlyphs(),
            sgiBytes(patternImage(seed.width, seed.height, seed.channels), seed.runLength));
        const std::string path = std::string("fuzz/corpus/bmf/") + seed.name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr) << path;
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }
}

}  // namespace
