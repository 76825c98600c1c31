#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "app/state.hpp"
#include "render/display.hpp"
#include "support/feedback.hpp"
#include "support/gl_fixture.hpp"

// The markers draw their cubes themselves instead of through GLUT; what
// reaches the rasteriser and the pixels must be exactly what GLUT's cubes gave.

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
        expectIdentical(captureFeedback(turned(drawMarker)), captureFeedback(turned(glutMarker)));
        expectIdentical(captureFeedback(turned(drawHighlightMarker)),
                        captureFeedback(turned(glutHighlightMarker)));
        EXPECT_TRUE(pixelsOf(turned(drawMarker)) == pixelsOf(turned(glutMarker)));
        EXPECT_TRUE(pixelsOf(turned(drawHighlightMarker)) == pixelsOf(turned(glutHighlightMarker)));
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
    EXPECT_TRUE(pixelsOf(frame(drawMarker, drawHighlightMarker)) ==
                pixelsOf(frame(glutMarker, glutHighlightMarker)));
    expectIdentical(captureFeedback(frame(drawMarker, drawHighlightMarker)),
                    captureFeedback(frame(glutMarker, glutHighlightMarker)));
}

}  // namespace
