// glBegin to glEnd: the vertices of a primitive, transformed on the processor,
// become the triangles and segments of the batch, or of a run for the mask.

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "web/native/gl/batch.hpp"
#include "web/native/gl/layer.hpp"
#include "web/native/gl/mask.hpp"

namespace gllayer {

namespace {

void transform(const Matrix& m, const float in[4], float out[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] = m[static_cast<std::size_t>(row)] * in[0] +
                   m[static_cast<std::size_t>(4 + row)] * in[1] +
                   m[static_cast<std::size_t>(8 + row)] * in[2] +
                   m[static_cast<std::size_t>(12 + row)] * in[3];
    }
}

void emitSegment(const Vertex& a, const Vertex& b) {
    const Context& c = context();
    if (a.w <= 0.0f || b.w <= 0.0f) {
        return;  // behind an orthographic view never happens; nothing is drawn
    }
    const float width = std::max(1.0f, std::round(c.lineWidth));
    if (!sameColour(a.colour, b.colour)) {
        endRun();
        if (width > 1.0f) {
            emitQuad(a, b, width);
            return;
        }
        // WebGL's own lines are one pixel wide, and cheaper than a quad.
        emitLine(a, b);
        return;
    }
    addToRun(a, b, width);
}

// A segment by the positions of its ends, in the order drawn.
struct SegmentKey {
    float x0, y0, x1, y1;
    bool operator==(const SegmentKey& o) const {
        return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1;
    }
};

struct SegmentHash {
    std::size_t operator()(const SegmentKey& k) const {
        std::uint32_t h[4];
        std::memcpy(h, &k, sizeof h);
        return (h[0] * 0x9E3779B1u) ^ (h[1] * 0x85EBCA77u) ^ (h[2] * 0xC2B2AE3Du) ^
               (h[3] * 0x27D4EB2Fu);
    }
};

SegmentKey keyOf(const Vertex& a, const Vertex& b) {
    return {a.x / a.w, a.y / a.w, b.x / b.w, b.y / b.w};
}

// Separate segments. A primitive of one colour covers the same pixels
// whatever order its segments come in and however often one is repeated, and
// a segment seen end on covers none; in the unturned view the back faces of
// the marker cubes lie on the front ones, and their edges along the line of
// sight are points. Such repeats and points are left out.
constexpr std::size_t repeatSearchSegments = 256;

void emitSeparateSegments(const std::vector<Vertex>& v) {
    const std::size_t n = v.size() - v.size() % 2;
    bool oneColour = true;
    for (std::size_t i = 1; i < n && oneColour; ++i) {
        oneColour = sameColour(v[i].colour, v[0].colour);
    }
    // Repeats are looked for in the large primitives (the markers' edges);
    // in a small one they would cost more than they save.
    const bool findRepeats = oneColour && n >= 2 * repeatSearchSegments;
    static std::unordered_set<SegmentKey, SegmentHash> seen;
    if (findRepeats) {
        seen.clear();
    }
    for (std::size_t i = 0; i < n; i += 2) {
        if (oneColour) {
            const SegmentKey k = keyOf(v[i], v[i + 1]);
            if ((k.x0 == k.x1 && k.y0 == k.y1) || (findRepeats && !seen.insert(k).second)) {
                continue;
            }
        }
        emitSegment(v[i], v[i + 1]);
    }
}

// Triangles end a pending run: it was drawn before them.
void triangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    endRun();
    emitTriangle(a, b, c);
}

void emitPrimitive() {
    Context& c = context();
    const std::vector<Vertex>& v = c.vertices;
    const std::size_t n = v.size();
    switch (c.primitive) {
        case GL_LINES:
            emitSeparateSegments(v);
            break;
        case GL_LINE_STRIP:
            for (std::size_t i = 0; i + 1 < n; ++i) {
                emitSegment(v[i], v[i + 1]);
            }
            break;
        case GL_LINE_LOOP:
            for (std::size_t i = 0; i + 1 < n; ++i) {
                emitSegment(v[i], v[i + 1]);
            }
            if (n > 1) {
                emitSegment(v[n - 1], v[0]);
            }
            break;
        case GL_TRIANGLES:
            for (std::size_t i = 0; i + 2 < n; i += 3) {
                triangle(v[i], v[i + 1], v[i + 2]);
            }
            break;
        case GL_TRIANGLE_STRIP:
            for (std::size_t i = 0; i + 2 < n; ++i) {
                if (i % 2 == 0) {
                    triangle(v[i], v[i + 1], v[i + 2]);
                } else {
                    triangle(v[i + 1], v[i], v[i + 2]);
                }
            }
            break;
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            for (std::size_t i = 1; i + 1 < n; ++i) {
                triangle(v[0], v[i], v[i + 1]);
            }
            break;
        case GL_QUADS:
            for (std::size_t i = 0; i + 3 < n; i += 4) {
                triangle(v[i], v[i + 1], v[i + 2]);
                triangle(v[i], v[i + 2], v[i + 3]);
            }
            break;
        case GL_QUAD_STRIP:
            for (std::size_t i = 0; i + 3 < n; i += 2) {
                triangle(v[i], v[i + 1], v[i + 3]);
                triangle(v[i], v[i + 3], v[i + 2]);
            }
            break;
        default:
            break;  // points are not drawn by the program
    }
}

}  // namespace

}  // namespace gllayer

using namespace gllayer;

extern "C" {

void glBegin(GLenum mode) {
    Context& c = context();
    // The matrices cannot change inside a primitive.
    c.combined = c.projection.current();
    multiply(c.combined, c.modelview.current());
    c.primitive = mode;
    c.inPrimitive = true;
    c.vertices.clear();
}

void glEnd() {
    Context& c = context();
    if (!c.inPrimitive) {
        return;
    }
    emitPrimitive();
    c.inPrimitive = false;
    c.vertices.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    Context& c = context();
    if (!c.inPrimitive) {
        return;
    }
    const float object[4] = {x, y, z, 1.0f};
    float clip[4];
    transform(c.combined, object, clip);
    c.vertices.push_back({clip[0], clip[1], clip[2], clip[3], c.colour});
}

void glVertex2f(GLfloat x, GLfloat y) {
    glVertex3f(x, y, 0.0f);
}

void glNormal3f(GLfloat /*x*/, GLfloat /*y*/, GLfloat /*z*/) {}

void glTexCoord2f(GLfloat /*s*/, GLfloat /*t*/) {}

}  // extern "C"
