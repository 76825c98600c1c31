#pragma once

// What the files of the web page's GL layer share: the types of its vertices
// and matrices, and the one context that holds GL's state and the batch
// waiting for the GPU. The files: state.cpp (GL's state and matrices),
// primitives.cpp (glBegin to glEnd: primitives into segments and
// triangles), batch.cpp (triangles and lines into one draw), mask.cpp (long
// runs of segments, and what follows them, rasterised on the processor by
// raster.cpp and drawn as one picture) and frame.cpp (a frame that repeats the one on the
// canvas is not sent again).

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

namespace gllayer {

using Matrix = std::array<float, 16>;  // column-major, as GL keeps it

constexpr Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr int stackDepth = 32;

struct MatrixStack {
    std::array<Matrix, stackDepth> entries{};
    int top = 0;
    MatrixStack() { entries[0] = identity; }
    Matrix& current() { return entries[static_cast<std::size_t>(top)]; }
};

struct Colour {
    float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
};

// One vertex as the shader takes it: normalised device coordinates, then the
// colour in bytes, as the framebuffer will hold it.
struct DrawVertex {
    float x, y, z;
    std::uint8_t rgba[4];
};

struct Vertex {
    float x, y, z, w;  // clip coordinates
    Colour colour;
};

struct Segment {
    Vertex a, b;
};

struct Context {
    MatrixStack modelview;
    MatrixStack projection;
    GLenum matrixMode = GL_MODELVIEW;
    Colour colour;
    std::array<Colour, stackDepth> savedColours{};
    int savedColourCount = 0;
    float lineWidth = 1.0f;
    std::array<GLint, 4> viewport{0, 0, 0, 0};
    bool blend = false;
    GLenum blendSource = GL_ONE;  // the program's blending, for after the mask's own
    GLenum blendDestination = GL_ZERO;
    bool lighting = false;
    bool texturing = false;

    GLenum primitive = 0;
    bool inPrimitive = false;
    Matrix combined = identity;          // projection times modelview, for the open primitive
    std::vector<Vertex> vertices;        // of the open primitive
    std::vector<DrawVertex> batch;       // vertices waiting for the next draw
    std::vector<std::uint16_t> indices;  // their triangles, or their lines
    GLenum batchMode = GL_TRIANGLES;

    GLuint program = 0;
    GLuint buffer = 0;
    GLuint indexBuffer = 0;
    GLint positionAttribute = -1;
    GLint colourAttribute = -1;
};

// The one context of the page.
Context& context();

// m = m * n, the order in which GL applies a new transformation.
void multiply(Matrix& m, const Matrix& n);

inline bool sameColour(const Colour& a, const Colour& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

}  // namespace gllayer
