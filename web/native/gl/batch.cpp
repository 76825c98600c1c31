#include "web/native/gl/batch.hpp"

#include <emscripten.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "web/native/gl/frame.hpp"
#include "web/native/gl/mask.hpp"

namespace gllayer {

namespace {

constexpr const char* vertexShader =
    "attribute vec3 position;\n"
    "attribute vec4 colour;\n"
    "varying vec4 shade;\n"
    "void main() { gl_Position = vec4(position, 1.0); shade = colour; }\n";

constexpr const char* fragmentShader =
    "precision mediump float;\n"
    "varying vec4 shade;\n"
    "void main() { gl_FragColor = shade; }\n";

// A shader of this kind compiled from source.
GLuint compileShader(GLenum kind, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

void prepareProgram(Context& c) {
    if (c.program != 0) {
        return;
    }
    c.program = linkShaders(vertexShader, fragmentShader);
    c.positionAttribute = emscripten_glGetAttribLocation(c.program, "position");
    c.colourAttribute = emscripten_glGetAttribLocation(c.program, "colour");
    emscripten_glGenBuffers(1, &c.buffer);
    emscripten_glGenBuffers(1, &c.indexBuffer);
}

// Room for `count` more vertices of triangles or lines in one draw (indices
// are 16 bits); a change between the two draws what came before.
void reserveVertices(std::size_t count, GLenum mode = GL_TRIANGLES) {
    Context& c = context();
    if (c.batch.size() + count > 65535 || (mode != c.batchMode && !c.indices.empty())) {
        flushBatch();
    }
    c.batchMode = mode;
}

std::uint16_t emit(const Vertex& v) {
    Context& c = context();
    c.batch.push_back(drawVertex(v));
    return static_cast<std::uint16_t>(c.batch.size() - 1);
}

}  // namespace

DrawVertex drawVertex(const Vertex& v) {
    const float inverseW = 1.0f / v.w;
    return {v.x * inverseW,
            v.y * inverseW,
            v.z * inverseW,
            {colourByte(v.colour.r), colourByte(v.colour.g), colourByte(v.colour.b),
             colourByte(v.colour.a)}};
}

GLuint linkShaders(const char* vertexSource, const char* fragmentSource) {
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compileShader(GL_VERTEX_SHADER, vertexSource));
    emscripten_glAttachShader(program, compileShader(GL_FRAGMENT_SHADER, fragmentSource));
    emscripten_glLinkProgram(program);
    return program;
}

// Draws what the batch holds, in the order it was given.
void flushBatch() {
    Context& c = context();
    if (!c.indices.empty()) {
        frameDraw(c.batchMode, c.batch, c.indices);
    }
    c.batch.clear();
    c.indices.clear();
}

void drawNow(GLenum mode, const std::vector<DrawVertex>& vertices,
             const std::vector<std::uint16_t>& indices) {
    if (!takeDraw(mode, vertices, indices)) {
        sendDraw(mode, vertices, indices);
    }
}

void sendDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
              const std::vector<std::uint16_t>& indices) {
    Context& c = context();
    prepareProgram(c);
    emscripten_glUseProgram(c.program);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, c.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(vertices.size() * sizeof(DrawVertex)),
                            vertices.data(), GL_STREAM_DRAW);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, c.indexBuffer);
    emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint16_t)),
                            indices.data(), GL_STREAM_DRAW);
    const auto stride = static_cast<GLsizei>(sizeof(DrawVertex));
    emscripten_glEnableVertexAttribArray(static_cast<GLuint>(c.positionAttribute));
    emscripten_glVertexAttribPointer(static_cast<GLuint>(c.positionAttribute), 3, GL_FLOAT,
                                     GL_FALSE, stride, nullptr);
    emscripten_glEnableVertexAttribArray(static_cast<GLuint>(c.colourAttribute));
    emscripten_glVertexAttribPointer(static_cast<GLuint>(c.colourAttribute), 4, GL_UNSIGNED_BYTE,
                                     GL_TRUE, stride,
                                     reinterpret_cast<const void*>(offsetof(DrawVertex, rgba)));
    emscripten_glDrawElements(mode, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT,
                              nullptr);
}

void dropBatch() {
    context().batch.clear();
    context().indices.clear();
}

// A colour component as the framebuffer stores it: times 255 in single
// precision, then to the nearest byte, halves to even (0.3 gives 76, as on
// the desktop).
std::uint8_t colourByte(float v) {
    const float scaled = std::min(1.0f, std::max(0.0f, v)) * 255.0f;
    return static_cast<std::uint8_t>(std::nearbyint(scaled));
}

void emitTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    reserveVertices(3);
    const std::uint16_t i = emit(a);
    emit(b);
    emit(c);
    std::vector<std::uint16_t>& out = context().indices;
    out.insert(out.end(),
               {i, static_cast<std::uint16_t>(i + 1), static_cast<std::uint16_t>(i + 2)});
}

// The segment a-b as the parallelogram a wide line covers: offset by half the
// width across its major axis, in window pixels turned back into clip units.
bool quadCorners(const Vertex& a, const Vertex& b, float width, std::array<DrawVertex, 4>& out) {
    const Context& c = context();
    const float vw = static_cast<float>(c.viewport[2]);
    const float vh = static_cast<float>(c.viewport[3]);
    if (vw <= 0.0f || vh <= 0.0f) {
        return false;
    }
    const float dx = (b.x / b.w - a.x / a.w) * vw;
    const float dy = (b.y / b.w - a.y / a.w) * vh;
    // Across the major axis the parallelogram reaches half the width either
    // side; along it, it starts and ends half a pixel early, so that the
    // pixel at the start is drawn and the one at the end is not, as a line
    // leaves out its last pixel.
    float ox = 0.0f;
    float oy = 0.0f;
    float ax = 0.0f;
    float ay = 0.0f;
    if (std::fabs(dx) >= std::fabs(dy)) {
        oy = width / vh;  // width / 2 pixels, one pixel being 2 / vh in NDC
        ax = dx > 0.0f ? -1.0f / vw : 1.0f / vw;
    } else {
        ox = width / vw;
        ay = dy > 0.0f ? -1.0f / vh : 1.0f / vh;
    }
    auto shifted = [&](const Vertex& v, float sign) {
        Vertex s = v;
        s.x += (sign * ox + ax) * v.w;
        s.y += (sign * oy + ay) * v.w;
        return drawVertex(s);
    };
    out = {shifted(a, -1.0f), shifted(b, -1.0f), shifted(b, 1.0f), shifted(a, 1.0f)};
    return true;
}

void emitQuad(const Vertex& a, const Vertex& b, float width) {
    std::array<DrawVertex, 4> corners{};
    if (!quadCorners(a, b, width, corners)) {
        return;
    }
    reserveVertices(4);
    Context& c = context();
    const auto i = static_cast<std::uint16_t>(c.batch.size());
    c.batch.insert(c.batch.end(), corners.begin(), corners.end());
    const auto at = [i](int k) { return static_cast<std::uint16_t>(i + k); };
    c.indices.insert(c.indices.end(), {at(0), at(1), at(2), at(0), at(2), at(3)});
}

void emitLine(const Vertex& a, const Vertex& b) {
    reserveVertices(2, GL_LINES);
    const std::uint16_t i = emit(a);
    emit(b);
    std::vector<std::uint16_t>& out = context().indices;
    out.insert(out.end(), {i, static_cast<std::uint16_t>(i + 1)});
}

}  // namespace gllayer
