#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "app/state.hpp"
#include "render/curve_drawing.hpp"
#include "render/display.hpp"
#include "render/markers.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

// The markers draw their cubes themselves instead of through GLUT, only the
// faces turned to the viewer, several markers in one primitive, and set their
// colours inside their primitives; the family overlay sends its spread
// segments as one primitive. The pixels and the colour left current must be
// exactly what GLUT's cubes and one strip per segment gave.

namespace {

using tvtest::captureFeedback;
using tvtest::FbItem;

// GLUT's own cubes in the colours and sizes of the two markers.
void glutMarker(float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    glColor3f(0.5f, 0.5f, 0.5f);
    glutSolidCube(markerSize);
    glColor3f(0.0f, 0.0f, 1.0f);
    glutWireCube(markerSize + 1);
    glPopMatrix();
}

void glutHighlightMarker(float x, float y, float z) {
    const float edge = markerSize * 3.0f / 4.0f;
    glPushMatrix();
    glTranslatef(x, y, z);
    glColor3f(1.0f, 0.0f, 0.0f);
    glutSolidCube(edge);
    glColor3f(0.5f, 0.5f, 0.5f);
    glutWireCube(edge + 0.25);
    glColor3f(1.0f, 0.0f, 0.0f);
    glPopMatrix();
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Twice the signed window area of a feedback polygon: positive when the
// viewer sees its front.
float windowArea(const FbItem& p) {
    float twice = 0.0f;
    for (size_t i = 0; i < p.vertices.size(); ++i) {
        const auto& a = p.vertices[i];
        const auto& b = p.vertices[(i + 1) % p.vertices.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice;
}

// GLUT's cube with the faces turned away from the viewer (or seen edge on) left out.
std::vector<FbItem> facingViewer(const std::vector<FbItem>& items) {
    std::vector<FbItem> out;
    for (const FbItem& item : items) {
        if (item.kind != tvtest::FbKind::Polygon || windowArea(item) > 0.0f) {
            out.push_back(item);
        }
    }
    return out;
}

void expectIdentical(const std::vector<FbItem>& got, const std::vector<FbItem>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].kind, want[i].kind) << "item " << i;
        ASSERT_EQ(got[i].vertices.size(), want[i].vertices.size()) << "item " << i;
        for (size_t v = 0; v < got[i].vertices.size(); ++v) {
            const auto& a = got[i].vertices[v];
            const auto& b = want[i].vertices[v];
            const float ga[] = {a.x, a.y, a.z, a.r, a.g, a.b, a.a};
            const float wa[] = {b.x, b.y, b.z, b.r, b.g, b.b, b.a};
            for (int k = 0; k < 7; ++k) {
                EXPECT_TRUE(sameBits(ga[k], wa[k])) << "item " << i << " vertex " << v << " field "
                                                    << k << ": " << ga[k] << " != " << wa[k];
            }
        }
    }
}

std::vector<float> currentColourAfter(const std::function<void()>& draw) {
    glColor4f(0.25f, 0.75f, 0.125f, 1.0f);
    draw();
    std::vector<float> colour(4);
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    return colour;
}

std::vector<unsigned char> pixelsOf(const std::function<void()>& draw) {
    glClear(GL_COLOR_BUFFER_BIT);
    draw();
    glFinish();
    std::vector<unsigned char> pixels(static_cast<size_t>(800 * 600 * 4));
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int differingPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    int n = 0;
    for (size_t i = 0; i + 3 < a.size(); i += 4) {
        n += std::memcmp(&a[i], &b[i], 4) != 0 ? 1 : 0;
    }
    return n;
}

struct View {
    float rotX, rotY;  // degrees about the window centre, as the display turns the scene
    float x, y, z;     // marker centre in pixels
};

class MarkerTest : public tvtest::GlTest {};

TEST_F(MarkerTest, CubesAreExactlyGlutsInEveryView) {
    const View views[] = {
        {0, 0, 100, 200, 0},           {0, 0, 400.5f, 300.25f, -17}, {30, 20, 123.4f, 456.7f, 89},
        {-75, 140, 640, 80, -199},     {91, -33.3f, 25, 25, 0},      {180, 45, 799, 1, 150.125f},
        {12.5f, 7.25f, 333, 222, 111},
    };
    for (const View& v : views) {
        SCOPED_TRACE(testing::Message() << "view " << v.rotX << " " << v.rotY << " at " << v.x
                                        << ", " << v.y << ", " << v.z);
        auto turned = [&](void (*marker)(float, float, float)) {
            return [&v, marker] {
                glLoadIdentity();
                glTranslatef(400, 300, 0);
                glRotatef(v.rotX, 1, 0, 0);
                glRotatef(v.rotY, 0, 1, 0);
                glTranslatef(-400, -300, 0);
                marker(v.x, v.y, v.z);
            };
        };
        expectIdentical(captureFeedback(turned(drawMarker)),
                        facingViewer(captureFeedback(turned(glutMarker))));
        expectIdentical(captureFeedback(turned(drawHighlightMarker)),
                        facingViewer(captureFeedback(turned(glutHighlightMarker))));
        EXPECT_EQ(currentColourAfter(turned(drawMarker)), currentColourAfter(turned(glutMarker)));
        EXPECT_EQ(currentColourAfter(turned(drawHighlightMarker)),
                  currentColourAfter(turned(glutHighlightMarker)));
        EXPECT_EQ(differingPixels(pixelsOf(turned(drawMarker)), pixelsOf(turned(glutMarker))), 0);
        EXPECT_EQ(differingPixels(pixelsOf(turned(drawHighlightMarker)),
                                  pixelsOf(turned(glutHighlightMarker))),
                  0);
    }
}

// A whole frame of markers at capacity, drawn wide as the display draws them.
TEST_F(MarkerTest, FullFrameOfMarkersHasGlutsPixels) {
    auto frame = [](void (*marker)(float, float, float), void (*high)(float, float, float)) {
        return [marker, high] {
            glLoadIdentity();
            glTranslatef(400, 300, 0);
            glRotatef(25, 1, 0, 0);
            glRotatef(-40, 0, 1, 0);
            glTranslatef(-400, -300, 0);
            for (int i = 0; i < maxPoints; ++i) {
                const float x = 30.0f + 5.7f * static_cast<float>(i);
                const float y = 300.0f + static_cast<float>((i * 53) % 250) - 125.0f;
                const float z = static_cast<float>((i * 97) % 400) - 200.0f;
                (i % 9 == 0 ? high : marker)(x, y, z);
            }
        };
    };
    EXPECT_EQ(differingPixels(pixelsOf(frame(drawMarker, drawHighlightMarker)),
                              pixelsOf(frame(glutMarker, glutHighlightMarker))),
              0);
    expectIdentical(captureFeedback(frame(drawMarker, drawHighlightMarker)),
                    facingViewer(captureFeedback(frame(glutMarker, glutHighlightMarker))));
}

// Markers drawn together are the markers drawn one at a time, corner for
// corner to within rounding, in the same colours, leaving the same colour.
// Apart from each other they give the same pixels, but for a corner on a
// pixel's edge that rounds the other way: at most a pixel a marker.
TEST_F(MarkerTest, BatchDrawsWhatMarkersOneAtATimeDraw) {
    constexpr int count = 40;
    std::vector<Point3> centres;
    for (int i = 0; i < count; ++i) {
        centres.push_back(
            {60.0f + 70.0f * static_cast<float>(i % 10) + 0.3f * static_cast<float>(i),
             120.0f + 110.0f * static_cast<float>(i / 10),
             static_cast<float>((i * 97) % 400) - 200.0f});
    }
    struct Kind {
        void (*batch)(const Point3*, int);
        void (*single)(float, float, float);
    };
    const Kind kinds[] = {{drawMarkers, drawMarker}, {drawHighlightMarkers, drawHighlightMarker}};
    const float turns[][2] = {{0, 0}, {25, -40}, {-75, 140}, {180, 45}};
    for (const Kind& kind : kinds) {
        for (const auto& turn : turns) {
            SCOPED_TRACE(testing::Message() << "view " << turn[0] << " " << turn[1]);
            auto view = [&turn] {
                glLoadIdentity();
                glTranslatef(400, 300, 0);
                glRotatef(turn[0], 1, 0, 0);
                glRotatef(turn[1], 0, 1, 0);
                glTranslatef(-400, -300, 0);
            };
            auto together = [&] {
                view();
                kind.batch(centres.data(), count);
            };
            auto alone = [&] {
                view();
                for (const Point3& c : centres) {
                    kind.single(c.x, c.y, c.z);
                }
            };
            const auto got = captureFeedback(together);
            const auto want = captureFeedback(alone);
            const auto gotFaces = tvtest::polygonsOf(got);
            const auto wantFaces = tvtest::polygonsOf(want);
            const auto gotEdges = tvtest::linesOf(got);
            const auto wantEdges = tvtest::linesOf(want);
            ASSERT_EQ(gotFaces.size(), wantFaces.size());
            ASSERT_EQ(gotEdges.size(), wantEdges.size());
            // Alone, each marker sends its faces then its edges; together, all
            // faces then all edges, marker by marker in both.
            auto expectNear = [](const std::vector<FbItem>& a, const std::vector<FbItem>& b) {
                for (size_t i = 0; i < a.size(); ++i) {
                    for (size_t v = 0; v < a[i].vertices.size(); ++v) {
                        const auto& p = a[i].vertices[v];
                        const auto& q = b[i].vertices[v];
                        EXPECT_NEAR(p.x, q.x, 1e-3f) << i;
                        EXPECT_NEAR(p.y, q.y, 1e-3f) << i;
                        EXPECT_EQ(p.r, q.r);
                        EXPECT_EQ(p.g, q.g);
                        EXPECT_EQ(p.b, q.b);
                    }
                }
            };
            expectNear(gotFaces, wantFaces);
            expectNear(gotEdges, wantEdges);
            EXPECT_EQ(currentColourAfter(together), currentColourAfter(alone));
            EXPECT_LE(differingPixels(pixelsOf(together), pixelsOf(alone)), count);
        }
    }
    glLoadIdentity();

    // An empty batch draws nothing and leaves the colour as it was.
    for (const Kind& kind : kinds) {
        for (int none : {0, -1}) {
            EXPECT_TRUE(captureFeedback([&] { kind.batch(centres.data(), none); }).empty());
            EXPECT_EQ(currentColourAfter([&] { kind.batch(centres.data(), none); }),
                      (std::vector<float>{0.25f, 0.75f, 0.125f, 1.0f}));
        }
    }
}

// The overlay as first written: one two-point strip per spread segment, each
// after its own colour call.
void stripByStripFamilyOverlay() {
    AppState& s = appState;
    glLineWidth(0.5f);
    for (int i = 0; i < familySize; ++i) {
        const float grade = static_cast<float>(i) / 12.0f;
        glColor3f(grade + 0.25f, grade, grade);
        drawLineStrip(s.familyCurves[i].data(), s.pointCount - 1);
        drawBezierCurve(s.familyCurves[i].data(), s.pointCount - 1, s.animT);
    }
    for (int j = 0; j <= s.pointCount - 2; ++j) {
        glColor3f(1.0f, 0.125f, 0.125f);
        const Point3 spread[2] = {s.familyCurves[0][j], s.familyCurves[familySize - 1][j]};
        drawLineStrip(spread, 2);
    }
    glLineWidth(3.0f);
}

class FamilyBatchTest : public MarkerTest {
  protected:
    void TearDown() override {
        appState = AppState{};
        MarkerTest::TearDown();
    }
};

// Reduced polygons of large polygons lie far outside the window; the spread
// segments then cross it, start or end outside it, or vanish.
TEST_F(FamilyBatchTest, SpreadInOnePrimitiveDrawsWhatOneStripPerSegmentDrew) {
    for (int n : {2, 3, 17, 64, maxPoints}) {
        SCOPED_TRACE(testing::Message() << n << " points");
        appState = AppState{};
        appState.pointCount = n;
        appState.familyPointCount = n - 1;
        for (int i = 0; i < familySize; ++i) {
            for (int j = 0; j < maxPoints - 1; ++j) {
                const float t = static_cast<float>(j) / 16.0f;
                const float reach = static_cast<float>(i * i) * (j % 3 == 0 ? 400.0f : 7.5f);
                appState.familyCurves[static_cast<size_t>(i)][static_cast<size_t>(j)] = {
                    400.0f + 300.0f * std::cos(t) + reach * std::sin(3.0f * t),
                    300.0f + 200.0f * std::sin(t) - reach, static_cast<float>(j % 7) * 13.0f};
            }
        }
        auto turned = [](void (*overlay)()) {
            return [overlay] {
                glLoadIdentity();
                glTranslatef(400, 300, 0);
                glRotatef(20, 1, 0, 0);
                glRotatef(-35, 0, 1, 0);
                glTranslatef(-400, -300, 0);
                overlay();
            };
        };
        expectIdentical(captureFeedback(turned(drawFamilyOverlay)),
                        captureFeedback(turned(stripByStripFamilyOverlay)));
        EXPECT_EQ(currentColourAfter(turned(drawFamilyOverlay)),
                  currentColourAfter(turned(stripByStripFamilyOverlay)));
        EXPECT_TRUE(pixelsOf(turned(drawFamilyOverlay)) ==
                    pixelsOf(turned(stripByStripFamilyOverlay)));
    }
}

}  // namespace
