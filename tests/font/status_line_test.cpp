#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/state.hpp"
#include "font/font_module.hpp"
#include "font/vector_font.hpp"
#include "render/status_line.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

namespace {

class StatusLine : public tvtest::GlTest {
  protected:
    void SetUp() override {
        tvtest::GlTest::SetUp();
        saved = appState;
        initFonts();
    }
    void TearDown() override {
        shutdownFonts();
        appState = saved;
    }
    AppState saved;
};

struct Field {
    std::string text;
    float x;
};

// Where each triangle corner of a centred field lands, worked out from the
// glyph bounds: the layout moves from one origin to the next by
// |maxX| + |minX| + 0.2 and starts half the total to the left.
std::vector<std::array<float, 2>> expectedCorners(const VectorFont& font, const Field& field,
                                                  float baseline) {
    const float scale = 14.0f;
    std::vector<float> origins = {0.0f};
    for (std::size_t i = 1; i < field.text.size(); ++i) {
        const VectorSymbol& a = *findSymbol(&font, field.text[i - 1]);
        const VectorSymbol& b = *findSymbol(&font, field.text[i]);
        origins.push_back(origins.back() + std::fabs(a.maxX) + std::fabs(b.minX) + 0.2f);
    }
    const float half = origins.back() / 2.0f;
    std::vector<std::array<float, 2>> corners;
    for (std::size_t i = 0; i < field.text.size(); ++i) {
        const VectorSymbol& s = *findSymbol(&font, field.text[i]);
        for (const auto& facet : s.facets) {
            for (std::uint8_t index : facet) {
                corners.push_back({field.x + scale * (origins[i] - half + s.vertices[index].x),
                                   baseline + scale * s.vertices[index].y});
            }
        }
    }
    return corners;
}

}  // namespace

TEST_F(StatusLine, DrawsThreeCentredFieldsInTheStatusColour) {
    ASSERT_EQ(loadFont("fonts/garamond1.glf"), 0);
    const VectorFont& font = *findFont(0);
    struct Case {
        int points;
        SubdivisionScheme scheme;
        int height;
        const char* count;
        const char* schemeText;
    };
    const std::vector<Case> cases = {
        {12, SubdivisionScheme::Unr4, 600, "n=12,", "UNR4,"},
        {128, SubdivisionScheme::Rbf4, 400, "n=128,", "rbf4,"},
        {0, SubdivisionScheme::Rbf6, 600, "n=0,", "rbf6,"},
        {3, SubdivisionScheme::Nr4, 500, "n=3,", "NR4,"},
        {64, SubdivisionScheme::DeslauriersDubuc, 600, "n=64,", "D-D,"},
        // A value that no scheme has gets no name, rather than another's.
        {7, static_cast<SubdivisionScheme>(subdivisionSchemeCount), 600, "n=7,", ""},
    };
    for (const Case& c : cases) {
        appState.pointCount = c.points;
        appState.schemeKind = c.scheme;
        appState.windowHeight = c.height;
        const auto polygons = tvtest::polygonsOf(tvtest::captureFeedback(drawStatusLine));
        // 0.0625 lies exactly halfway and prints with round-half-even.
        const std::vector<Field> fields = {
            {c.count, 80.0f}, {"w=0.062,", 300.0f}, {c.schemeText, 520.0f}};
        std::vector<std::array<float, 2>> corners;
        for (const Field& f : fields) {
            const auto more = expectedCorners(font, f, static_cast<float>(c.height) - 30.0f);
            corners.insert(corners.end(), more.begin(), more.end());
        }
        ASSERT_EQ(polygons.size() * 3, corners.size()) << c.count;
        for (std::size_t i = 0; i < polygons.size(); ++i) {
            ASSERT_EQ(polygons[i].vertices.size(), 3u);
            for (std::size_t k = 0; k < 3; ++k) {
                const tvtest::FbVertex& v = polygons[i].vertices[k];
                ASSERT_NEAR(v.x, corners[3 * i + k][0], 2e-3) << c.count << " triangle " << i;
                ASSERT_NEAR(v.y, corners[3 * i + k][1], 2e-3) << c.count << " triangle " << i;
                ASSERT_NEAR(v.r, 0.3f, 1e-3);
                ASSERT_NEAR(v.g, 0.5f, 1e-3);
                ASSERT_NEAR(v.b, 0.1f, 1e-3);
            }
        }
    }
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[0], 1.0f);
}

TEST_F(StatusLine, WithoutAFontDrawsNothing) {
    appState.pointCount = 5;
    EXPECT_EQ(loadFont("no/such/garamond1.glf"), -1);
    EXPECT_TRUE(tvtest::captureFeedback(drawStatusLine).empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
