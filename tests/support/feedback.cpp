#include "support/feedback.hpp"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace tvtest {

namespace {

constexpr int bufferFloats = 1 << 23;
constexpr int floatsPerVertex = 7;  // x, y, z, r, g, b, a

}  // namespace

bool hasColour(const FbVertex& v, Rgb c) {
    return std::fabs(v.r - c.r) < 1e-3f && std::fabs(v.g - c.g) < 1e-3f &&
           std::fabs(v.b - c.b) < 1e-3f;
}

std::vector<FbItem> captureFeedback(const std::function<void()>& draw) {
    static std::vector<GLfloat> buffer(bufferFloats);
    glFeedbackBuffer(bufferFloats, GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FbItem> items;
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    if (used < 0) {
        return items;
    }
    int i = 0;
    auto readVertex = [&]() {
        FbVertex v{};
        v.x = buffer[i];
        v.y = buffer[i + 1];
        v.z = buffer[i + 2];
        v.r = buffer[i + 3];
        v.g = buffer[i + 4];
        v.b = buffer[i + 5];
        v.a = buffer[i + 6];
        i += floatsPerVertex;
        return v;
    };
    while (i < used) {
        const auto token = static_cast<GLint>(buffer[i++]);
        FbItem item{};
        switch (token) {
            case GL_POINT_TOKEN:
                item.kind = FbKind::Point;
                item.vertices.push_back(readVertex());
                break;
            case GL_LINE_TOKEN:
            case GL_LINE_RESET_TOKEN:
                item.kind = token == GL_LINE_TOKEN ? FbKind::Line : FbKind::LineReset;
                item.vertices.push_back(readVertex());
                item.vertices.push_back(readVertex());
                break;
            case GL_POLYGON_TOKEN: {
                item.kind = FbKind::Polygon;
                const auto count = static_cast<int>(buffer[i++]);
                for (int k = 0; k < count; ++k) {
                    item.vertices.push_back(readVertex());
                }
                break;
            }
            case GL_BITMAP_TOKEN:
            case GL_DRAW_PIXEL_TOKEN:
            case GL_COPY_PIXEL_TOKEN:
                item.kind = token == GL_BITMAP_TOKEN       ? FbKind::Bitmap
                            : token == GL_DRAW_PIXEL_TOKEN ? FbKind::DrawPixel
                                                           : FbKind::CopyPixel;
                item.vertices.push_back(readVertex());
                break;
            case GL_PASS_THROUGH_TOKEN:
                item.kind = FbKind::PassThrough;
                item.passThrough = buffer[i++];
                break;
            default:
                ADD_FAILURE() << "unknown feedback token " << token;
                return items;
        }
        items.push_back(std::move(item));
    }
    return items;
}

namespace {

std::vector<FbItem> filter(const std::vector<FbItem>& items, bool (*keep)(FbKind)) {
    std::vector<FbItem> out;
    for (const FbItem& item : items) {
        if (keep(item.kind)) {
            out.push_back(item);
        }
    }
    return out;
}

}  // namespace

std::vector<FbItem> linesOf(const std::vector<FbItem>& items) {
    return filter(items, [](FbKind k) { return k == FbKind::Line || k == FbKind::LineReset; });
}

std::vector<FbItem> polygonsOf(const std::vector<FbItem>& items) {
    return filter(items, [](FbKind k) { return k == FbKind::Polygon; });
}

}  // namespace tvtest
