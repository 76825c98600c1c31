#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/font_module.hpp"
#include "font/string_draw.hpp"
#include "font/text_settings.hpp"
#include "font/vector_font.hpp"
#include "glf_builder.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

using fonttest::boxGlyph;
using fonttest::glfBytes;
using fonttest::GlyphSpec;
using fonttest::writeTempFile;
using tvtest::captureFeedback;
using tvtest::FbItem;
using tvtest::FbKind;

namespace {

constexpr char highCode = static_cast<char>(200);

// Glyph boxes chosen so that every gap below is a different number:
//   p: x -0.5..0.5, y -0.4..0.8     q: x -0.3..0.7, y -1.0..0.2
//   r: x  0.2..0.6, y  0.1..0.9     code 200: x -0.25..0.25, y -0.5..0.5
// 'x' has no symbol.
std::vector<GlyphSpec> layoutGlyphs() {
    return {boxGlyph('p', -0.5f, 0.5f, -0.4f, 0.8f), boxGlyph('q', -0.3f, 0.7f, -1.0f, 0.2f),
            boxGlyph('r', 0.2f, 0.6f, 0.1f, 0.9f), boxGlyph(200, -0.25f, 0.25f, -0.5f, 0.5f)};
}

struct Placed {
    char ch;
    float x, y;        // origin in font units
    float cosA, sinA;  // first column of the rotation
};
std::vector<Placed> placed;

void recordOrigin(char ch) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    placed.push_back({ch, m[12], m[13], m[0], m[1]});
}

bool modelviewIsIdentity() {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) {
        if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) {
            return false;
        }
    }
    return true;
}

class Layout : public tvtest::GlTest {
  protected:
    void SetUp() override {
        tvtest::GlTest::SetUp();
        initFonts();
        const std::string path = writeTempFile("layout.glf", glfBytes(layoutGlyphs()));
        ASSERT_EQ(loadFont(path.c_str()), 0);
        placed.clear();
    }
    void TearDown() override {
        shutdownFonts();
        setRotation(0.0f);
        fonttest::removeTempFiles();
    }
};

struct Expected {
    char ch;
    float x, y;
};

}  // namespace

TEST_F(Layout, OriginsFollowTheAdvanceAndExtentRules) {
    struct Case {
        const char* text;
        int direction;
        bool centred;
        std::vector<Expected> origins;
    };
    // Worked out from the boxes above with gap 0.2 and space width 2.
    const std::vector<Case> cases = {
        {"p", 1, true, {{'p', 0, 0}}},
        {"pq", 1, true, {{'p', -0.5f, 0}, {'q', 0.5f, 0}}},
        // The missing symbol gets no gap before it and a space width after it.
        {"pxq", 1, true, {{'p', -1, 0}, {'x', -1, 0}, {'q', 1, 0}}},
        {"p ", 1, true, {{'p', -1.1f, 0}}},
        {"p q", 1, true, {{'p', -1.1f, 0}, {'q', 1.1f, 0}}},
        // Absolute bounds: r's minX of +0.2 still counts 0.2.
        {"rq", 1, true, {{'r', -0.55f, 0}, {'q', 0.55f, 0}}},
        {"qr", 1, true, {{'q', -0.55f, 0}, {'r', 0.55f, 0}}},
        {"\xc8p", 1, true, {{highCode, -0.475f, 0}, {'p', 0.475f, 0}}},
        // Without centring the first symbol's ink starts at the cell edge.
        {"qp", 1, false, {{'q', -0.7f, 0}, {'p', 0.7f, 0}}},
        {" p", 1, false, {{'p', 2, 0}}},
        {"pq", 2, true, {{'p', -0.5f, 0}, {'q', -1.9f, 0}}},
        {"pq", 2, false, {{'p', 0.5f, 0}, {'q', -0.9f, 0}}},
        {"pq", 3, true, {{'p', 0, 0.7f}, {'q', 0, 2.7f}}},
        {"p q", 3, true, {{'p', 0, 1.1f}, {'q', 0, 3.3f}}},
        {"pq", 3, false, {{'p', 0, 0.6f}, {'q', 0, 2.6f}}},
        {"pq", 4, true, {{'p', 0, 0.7f}, {'q', 0, -0.1f}}},
        {"pq", 4, false, {{'p', 0, -0.2f}, {'q', 0, -1.0f}}},
    };
    for (const Case& c : cases) {
        setDirection(c.direction);
        setCentering(c.centred ? 1 : 0);
        placed.clear();
        layoutString(c.text, recordOrigin);
        const std::string label = std::string("\"") + c.text + "\" direction " +
                                  std::to_string(c.direction) + (c.centred ? " centred" : "");
        ASSERT_EQ(placed.size(), c.origins.size()) << label;
        for (std::size_t i = 0; i < placed.size(); ++i) {
            EXPECT_EQ(placed[i].ch, c.origins[i].ch) << label;
            EXPECT_NEAR(placed[i].x, c.origins[i].x, 1e-5) << label << " symbol " << i;
            EXPECT_NEAR(placed[i].y, c.origins[i].y, 1e-5) << label << " symbol " << i;
        }
        EXPECT_TRUE(modelviewIsIdentity()) << label;
    }
}

TEST_F(Layout, NothingToLayOutTouchesNothing) {
    layoutString(" ", recordOrigin);
    layoutString("", recordOrigin);
    layoutString(nullptr, recordOrigin);
    EXPECT_TRUE(placed.empty());
    EXPECT_TRUE(modelviewIsIdentity());

    unloadCurrentFont();
    layoutString("pq", recordOrigin);
    EXPECT_TRUE(placed.empty());
    EXPECT_TRUE(modelviewIsIdentity());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Layout, RotationTurnsTheWholeStringIncludingTheCentringShift) {
    setRotation(90.0f);
    layoutString("pq", recordOrigin);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_NEAR(placed[0].x, 0.0f, 1e-6);
    EXPECT_NEAR(placed[0].y, -0.5f, 1e-6);
    EXPECT_NEAR(placed[1].x, 0.0f, 1e-6);
    EXPECT_NEAR(placed[1].y, 0.5f, 1e-6);
    EXPECT_NEAR(placed[1].cosA, 0.0f, 1e-6);
    EXPECT_NEAR(placed[1].sinA, 1.0f, 1e-6);
    EXPECT_TRUE(modelviewIsIdentity());
}

namespace {

// Window position of font point (x, y) drawn under translate(400, 300) and
// scale 100.
constexpr float originX = 400.0f;
constexpr float originY = 300.0f;
constexpr float unit = 100.0f;

std::vector<FbItem> drawScaled(const std::function<void()>& draw) {
    return captureFeedback([&] {
        glPushMatrix();
        glTranslatef(originX, originY, 0.0f);
        glScalef(unit, unit, unit);
        draw();
        glPopMatrix();
    });
}

void expectAt(const tvtest::FbVertex& v, float x, float y) {
    EXPECT_NEAR(v.x, originX + unit * x, 1e-3);
    EXPECT_NEAR(v.y, originY + unit * y, 1e-3);
}

// A glyph with two triangular contours (0..2 outer, 3..5 inner) and two facets.
GlyphSpec twoContours(unsigned char code) {
    GlyphSpec g;
    g.code = code;
    g.vertices = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.0f, 0.5f},
                  {-0.1f, -0.2f}, {0.1f, -0.2f}, {0.0f, 0.1f}};
    g.facets = {{0, 1, 4}, {0, 4, 3}};
    g.contourEnds = {2, 5};
    return g;
}

}  // namespace

TEST_F(Layout, SolidStringDrawsEachFacetAtItsSymbolsOrigin) {
    glColor3f(0.25f, 0.5f, 0.75f);
    const auto items = drawScaled([] { drawSolidString("pq"); });
    const auto polygons = tvtest::polygonsOf(items);
    ASSERT_EQ(polygons.size(), 2u);
    ASSERT_EQ(items.size(), 2u);
    // p at -0.5: corners (-0.5,-0.4), (0.5,-0.4), (0.5,0.8) moved by -0.5.
    ASSERT_EQ(polygons[0].vertices.size(), 3u);
    expectAt(polygons[0].vertices[0], -1.0f, -0.4f);
    expectAt(polygons[0].vertices[1], 0.0f, -0.4f);
    expectAt(polygons[0].vertices[2], 0.0f, 0.8f);
    // q at +0.5: corners (-0.3,-1.0), (0.7,-1.0), (0.7,0.2).
    expectAt(polygons[1].vertices[0], 0.2f, -1.0f);
    expectAt(polygons[1].vertices[2], 1.2f, 0.2f);
    EXPECT_NEAR(polygons[1].vertices[0].r, 0.25f, 1e-3);
    EXPECT_NEAR(polygons[1].vertices[0].b, 0.75f, 1e-3);
}

TEST_F(Layout, OutlinesContouringTexturingAndTheThreeDimensionalDrawers) {
    const std::string path =
        writeTempFile("shapes.glf", glfBytes({twoContours('o'),
                                              [] {
                                                  GlyphSpec bare = boxGlyph('b', 0, 1, 0, 1);
                                                  bare.contourEnds.clear();  // no contours
                                                  return bare;
                                              }(),
                                              [] {
                                                  GlyphSpec flat = boxGlyph('f', 0, 1, 0, 1);
                                                  flat.facets.clear();  // no facets
                                                  return flat;
                                              }()}));
    ASSERT_EQ(loadFont(path.c_str()), 1);

    // One line loop per contour: 3 + 3 segments, each ending where the next starts.
    auto lines = tvtest::linesOf(drawScaled([] { drawWiredSymbol('o'); }));
    ASSERT_EQ(lines.size(), 6u);
    expectAt(lines[0].vertices[0], -0.5f, -0.5f);
    expectAt(lines[2].vertices[1], -0.5f, -0.5f);  // the loop closes on its first vertex
    expectAt(lines[3].vertices[0], -0.1f, -0.2f);
    expectAt(lines[5].vertices[1], -0.1f, -0.2f);

    // Vertices without contours: no outline, and no primitive left open.
    EXPECT_TRUE(drawScaled([] { drawWiredSymbol('b'); }).empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Contouring: facets in the current colour, outline in the contour colour,
    // and the current colour is back afterwards.
    enableOption(static_cast<int>(FontOption::Contouring));
    setContourColor(1.0f, 0.0f, 0.0f, 1.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    auto items = drawScaled([] { drawSolidSymbol('o'); });
    ASSERT_EQ(tvtest::polygonsOf(items).size(), 2u);
    lines = tvtest::linesOf(items);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_NEAR(tvtest::polygonsOf(items)[0].vertices[0].b, 1.0f, 1e-3);
    EXPECT_NEAR(lines[0].vertices[0].r, 1.0f, 1e-3);
    EXPECT_NEAR(lines[0].vertices[0].b, 0.0f, 1e-3);
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.0f);
    EXPECT_FLOAT_EQ(colour[2], 1.0f);
    // No facets: nothing filled, the outline still drawn.
    items = drawScaled([] { drawSolidSymbol('f'); });
    EXPECT_TRUE(tvtest::polygonsOf(items).empty());
    EXPECT_EQ(tvtest::linesOf(items).size(), 3u);
    disableOption(static_cast<int>(FontOption::Contouring));

    // Texturing: the last corner, vertex 3 at (-0.1, -0.2), leaves (0.45, 0.4).
    enableOption(static_cast<int>(FontOption::Texturing));
    drawScaled([] { drawSolidSymbol('o'); });
    float tex[4];
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, tex);
    EXPECT_NEAR(tex[0], 0.45f, 1e-6);
    EXPECT_NEAR(tex[1], 0.4f, 1e-6);
    disableOption(static_cast<int>(FontOption::Texturing));

    // Wired 3-D: both contour sets (2 x 6 segments) and one edge per vertex (6).
    lines = tvtest::linesOf(drawScaled([] { drawWiredSymbol3D('o'); }));
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_GT(lines[0].vertices[0].z, lines[6].vertices[0].z);  // z = 1 lies behind z = 1.2
    EXPECT_FLOAT_EQ(lines[12].vertices[0].z, lines[0].vertices[0].z);
    EXPECT_FLOAT_EQ(lines[12].vertices[1].z, lines[6].vertices[0].z);

    // Solid 3-D: front and back facets, then one wall face per contour edge.
    const auto polygons = tvtest::polygonsOf(drawScaled([] { drawSolidSymbol3D('o'); }));
    std::size_t wallArea = 0;
    for (std::size_t i = 4; i < polygons.size(); ++i) {
        wallArea += polygons[i].vertices.size() == 4 ? 2 : 1;
    }
    ASSERT_GE(polygons.size(), 4u);
    EXPECT_EQ(wallArea, 12u);  // 6 wall quads, as quads or as triangle pairs
    // The front face reverses the stored corner order.
    expectAt(polygons[0].vertices[0], 0.1f, -0.2f);
    expectAt(polygons[2].vertices[0], -0.5f, -0.5f);
    EXPECT_LT(polygons[0].vertices[0].z, polygons[2].vertices[0].z);
}

TEST_F(Layout, FontHandleVariantsDrawWithThatFontAndRestoreTheCurrentOne) {
    const std::string path = writeTempFile("other.glf", glfBytes({twoContours('p')}));
    ASSERT_EQ(loadFont(path.c_str()), 1);
    ASSERT_EQ(setCurrentFont(0), 0);

    auto polygons = tvtest::polygonsOf(drawScaled([] { drawSolidStringWithFont(1, "p"); }));
    EXPECT_EQ(polygons.size(), 2u);  // font 1's p has two facets, font 0's one
    EXPECT_EQ(getCurrentFont(), 0);
    EXPECT_EQ(tvtest::linesOf(drawScaled([] { drawWiredSymbolWithFont(1, 'p'); })).size(), 6u);
    EXPECT_EQ(getCurrentFont(), 0);

    for (int handle : {-1, 7, 256, 4096}) {
        EXPECT_TRUE(drawScaled([handle] {
                        drawSolidStringWithFont(handle, "p");
                        drawWiredString3DWithFont(handle, "p");
                        drawSolidSymbol3DWithFont(handle, 'p');
                    }).empty())
            << handle;
        EXPECT_EQ(getCurrentFont(), 0);
    }
}
