// The part of OpenGL 1.1 that the program draws with, for the web page, on
// WebGL. Every primitive between glBegin and glEnd is transformed on the
// processor and appended to one batch of triangles (or of WebGL's own lines,
// for lines one pixel wide); a batch goes to the GPU in one draw when the
// frame is flushed, the kind of primitive changes, or the blending changes.
// The projection is the window's glOrtho: w stays 1, and vertices go to the
// GPU in normalised device coordinates.
//
// Wide lines follow the rule of non-antialiased wide lines: a line of width w
// covers, in each column it crosses (each row, if it is steeper than 45
// degrees), the w pixels centred on it, from its first pixel up to but not
// including its last, as the desktop's lines do; WebGL itself draws every
// line 1 pixel wide. They become parallelograms in the batch, or, for a long
// run of one colour, pixels of a mask rasterised here (see endRun).
//
// There is no lighting, no depth buffer and no texturing (the page has no
// bitmap fonts: glGenLists fails, which their loader reports as a failed
// load).

#include <GL/gl.h>
#include <emscripten.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace {

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

Context& context() {
    static Context c;
    return c;
}

Matrix& currentMatrix() {
    Context& c = context();
    return c.matrixMode == GL_PROJECTION ? c.projection.current() : c.modelview.current();
}

MatrixStack& currentStack() {
    Context& c = context();
    return c.matrixMode == GL_PROJECTION ? c.projection : c.modelview;
}

// m = m * n, the order in which GL applies a new transformation.
void multiply(Matrix& m, const Matrix& n) {
    Matrix r{};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += m[static_cast<std::size_t>(k * 4 + row)] *
                       n[static_cast<std::size_t>(col * 4 + k)];
            }
            r[static_cast<std::size_t>(col * 4 + row)] = sum;
        }
    }
    m = r;
}

void transform(const Matrix& m, const float in[4], float out[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] = m[static_cast<std::size_t>(row)] * in[0] +
                   m[static_cast<std::size_t>(4 + row)] * in[1] +
                   m[static_cast<std::size_t>(8 + row)] * in[2] +
                   m[static_cast<std::size_t>(12 + row)] * in[3];
    }
}

GLuint compileShader(GLenum kind, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

constexpr const char* vertexShader =
    "attribute vec3 position;\n"
    "attribute vec4 colour;\n"
    "varying vec4 shade;\n"
    "void main() { gl_Position = vec4(position, 1.0); shade = colour; }\n";

constexpr const char* fragmentShader =
    "precision mediump float;\n"
    "varying vec4 shade;\n"
    "void main() { gl_FragColor = shade; }\n";

void prepareProgram(Context& c) {
    if (c.program != 0) {
        return;
    }
    c.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(c.program, compileShader(GL_VERTEX_SHADER, vertexShader));
    emscripten_glAttachShader(c.program, compileShader(GL_FRAGMENT_SHADER, fragmentShader));
    emscripten_glLinkProgram(c.program);
    c.positionAttribute = emscripten_glGetAttribLocation(c.program, "position");
    c.colourAttribute = emscripten_glGetAttribLocation(c.program, "colour");
    emscripten_glGenBuffers(1, &c.buffer);
    emscripten_glGenBuffers(1, &c.indexBuffer);
}

// Draws what the batch holds, in the order it was given.
void flushBatch() {
    Context& c = context();
    if (c.indices.empty()) {
        c.batch.clear();
        return;
    }
    prepareProgram(c);
    emscripten_glUseProgram(c.program);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, c.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(c.batch.size() * sizeof(DrawVertex)),
                            c.batch.data(), GL_STREAM_DRAW);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, c.indexBuffer);
    emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(c.indices.size() * sizeof(std::uint16_t)),
                            c.indices.data(), GL_STREAM_DRAW);
    const auto stride = static_cast<GLsizei>(sizeof(DrawVertex));
    emscripten_glEnableVertexAttribArray(static_cast<GLuint>(c.positionAttribute));
    emscripten_glVertexAttribPointer(static_cast<GLuint>(c.positionAttribute), 3, GL_FLOAT,
                                     GL_FALSE, stride, nullptr);
    emscripten_glEnableVertexAttribArray(static_cast<GLuint>(c.colourAttribute));
    emscripten_glVertexAttribPointer(static_cast<GLuint>(c.colourAttribute), 4, GL_UNSIGNED_BYTE,
                                     GL_TRUE, stride,
                                     reinterpret_cast<const void*>(offsetof(DrawVertex, rgba)));
    emscripten_glDrawElements(c.batchMode, static_cast<GLsizei>(c.indices.size()),
                              GL_UNSIGNED_SHORT, nullptr);
    c.batch.clear();
    c.indices.clear();
}

// A colour component as the framebuffer stores it: times 255 in single
// precision, then to the nearest byte, halves to even (0.3 gives 76, as on
// the desktop).
std::uint8_t colourByte(float v) {
    const float scaled = std::min(1.0f, std::max(0.0f, v)) * 255.0f;
    return static_cast<std::uint8_t>(std::nearbyint(scaled));
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
    const float inverseW = 1.0f / v.w;
    c.batch.push_back({v.x * inverseW,
                       v.y * inverseW,
                       v.z * inverseW,
                       {colourByte(v.colour.r), colourByte(v.colour.g), colourByte(v.colour.b),
                        colourByte(v.colour.a)}});
    return static_cast<std::uint16_t>(c.batch.size() - 1);
}

void endRun();

void emitTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    endRun();
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
void emitQuad(const Vertex& a, const Vertex& b, float width) {
    const Context& c = context();
    const float vw = static_cast<float>(c.viewport[2]);
    const float vh = static_cast<float>(c.viewport[3]);
    if (vw <= 0.0f || vh <= 0.0f) {
        return;
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
        return s;
    };
    reserveVertices(4);
    const std::uint16_t i = emit(shifted(a, -1.0f));
    emit(shifted(b, -1.0f));
    emit(shifted(b, 1.0f));
    emit(shifted(a, 1.0f));
    std::vector<std::uint16_t>& out = context().indices;
    const auto at = [i](int k) { return static_cast<std::uint16_t>(i + k); };
    out.insert(out.end(), {at(0), at(1), at(2), at(0), at(2), at(3)});
}

bool sameColour(const Colour& a, const Colour& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

// A long run of wide segments of one colour: the construction of de
// Casteljau at 128 points draws 8,128 of them. Without blending, the pixels of
// such a run are simply the union of the pixels of its segments, whatever
// their order. The software rasteriser of the browser pays about a
// microsecond per triangle whatever its size, so a long run is rasterised
// here instead, into a mask of the window, by the same parallelogram rule,
// and drawn as the tiles of the window that hold masked pixels.
constexpr std::size_t rasterisedRun = 2048;

struct Segment {
    Vertex a, b;
};

struct Run {
    std::vector<Segment> segments;
    Colour colour;
    float width = 0.0f;
};

Run& pendingRun() {
    static Run run;
    return run;
}

// Square tiles of the mask: only those holding a marked pixel are drawn.
constexpr int tileShift = 4;
constexpr int tileSize = 1 << tileShift;

// Zero bytes before and after the plane of middle pixels of lines along y,
// which is read eight bytes at a time at offsets of up to this many.
constexpr std::size_t yPadding = 8;

struct Mask {
    std::vector<std::uint8_t> pixels;  // one byte a pixel, rows from the bottom
    std::vector<std::uint8_t> tiles;   // one byte a tile: it holds a marked pixel
    // The middle pixels of the columns (rows) of lines of odd width along x
    // (along y), widened to the full width once all lines are in.
    std::vector<std::uint8_t> xCentres;
    std::vector<std::uint8_t> yCentres;
    int width = 0;
    int height = 0;
    int tileColumns = 0;
    int tileRows = 0;
    std::vector<float> rectangles;  // two triangles per row of marked tiles
    GLuint texture = 0;
    GLuint program = 0;
    GLuint buffer = 0;
    GLint positionAttribute = -1;
    GLint colourUniform = -1;
    GLint sizeUniform = -1;
    GLint originUniform = -1;
};

Mask& mask() {
    static Mask m;
    return m;
}

constexpr const char* maskVertexShader =
    "attribute vec2 position;\n"
    "void main() { gl_Position = vec4(position, 0.0, 1.0); }\n";

// The mask is addressed pixel by pixel: half precision could not tell 800
// columns apart.
constexpr const char* maskFragmentShader =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n"
    "uniform sampler2D mask;\n"
    "uniform vec2 origin;\n"
    "uniform vec2 size;\n"
    "uniform vec4 colour;\n"
    "void main() {\n"
    "  gl_FragColor = vec4(colour.rgb, texture2D(mask, (gl_FragCoord.xy - origin) / size).r);\n"
    "}\n";

void prepareMask(Mask& m, int width, int height) {
    if (m.program == 0) {
        m.program = emscripten_glCreateProgram();
        emscripten_glAttachShader(m.program, compileShader(GL_VERTEX_SHADER, maskVertexShader));
        emscripten_glAttachShader(m.program, compileShader(GL_FRAGMENT_SHADER, maskFragmentShader));
        emscripten_glLinkProgram(m.program);
        m.positionAttribute = emscripten_glGetAttribLocation(m.program, "position");
        m.colourUniform = emscripten_glGetUniformLocation(m.program, "colour");
        m.sizeUniform = emscripten_glGetUniformLocation(m.program, "size");
        m.originUniform = emscripten_glGetUniformLocation(m.program, "origin");
        emscripten_glGenBuffers(1, &m.buffer);
        emscripten_glGenTextures(1, &m.texture);
    }
    emscripten_glBindTexture(GL_TEXTURE_2D, m.texture);
    if (m.width != width || m.height != height) {
        m.width = width;
        m.height = height;
        m.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        m.tileColumns = (width + tileSize - 1) / tileSize;
        m.tileRows = (height + tileSize - 1) / tileSize;
        m.tiles.assign(static_cast<std::size_t>(m.tileColumns * m.tileRows), 0);
        m.xCentres.assign(m.pixels.size(), 0);
        // Eight zero bytes before and after: reads of eight at an offset stay inside.
        m.yCentres.assign(m.pixels.size() + 2 * yPadding, 0);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE,
                                GL_UNSIGNED_BYTE, m.pixels.data());
    }
}

// The pixel rows or columns, within 0 .. limit - 1, whose centres k + 1/2 lie
// in [lo, hi).
void centresWithin(float lo, float hi, int limit, int& first, int& end) {
    const float f = std::ceil(lo - 0.5f);
    const float e = std::ceil(hi - 0.5f);
    first = static_cast<int>(std::max(0.0f, std::min(f, static_cast<float>(limit))));
    end = static_cast<int>(std::max(0.0f, std::min(e, static_cast<float>(limit))));
}

struct Bounds {
    int left, right, bottom, top;  // inclusive; empty while right < left
};

// How far the middle pixel of a line of this width is widened, or -1 for a
// width whose pixels are marked one by one (not whole, even, or wider than
// the padding allows).
int centreRadius(float width) {
    const int count = static_cast<int>(width);
    const bool odd = static_cast<float>(count) == width && count % 2 == 1;
    return odd && count / 2 <= static_cast<int>(yPadding) ? count / 2 : -1;
}

// Marks the pixels of one segment's parallelogram (window coordinates, y up):
// along the major axis from half a pixel before the start to half a pixel
// before the end, across it half the width either side of the line.
void rasteriseSegment(Mask& m, float x0, float y0, float x1, float y1, float width, Bounds& b) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float half = width / 2.0f;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float along0 = xMajor ? x0 : y0;
    const float along1 = xMajor ? x1 : y1;
    const float across0 = xMajor ? y0 : x0;
    const float across1 = xMajor ? y1 : x1;
    const float step = along1 - along0;
    if (step == 0.0f) {
        return;
    }
    const float back = step > 0.0f ? -0.5f : 0.5f;
    const int alongLimit = xMajor ? m.width : m.height;
    const int acrossLimit = xMajor ? m.height : m.width;
    int first = 0;
    int end = 0;
    centresWithin(std::min(along0, along1) + back, std::max(along0, along1) + back, alongLimit,
                  first, end);
    const float slope = (across1 - across0) / step;
    // A line of whole width covers the same number of pixels in every column
    // (row); away from the window's edges they need no clipping.
    const int count = static_cast<int>(width);
    const bool whole = static_cast<float>(count) == width;
    const float lowest = std::min(across0, across1) - half - 1.0f;
    const float highest = std::max(across0, across1) + half + 1.0f;
    const bool clear = whole && lowest >= 0.0f && highest < static_cast<float>(acrossLimit);
    const std::size_t w = static_cast<std::size_t>(m.width);
    std::uint8_t* const pixels = m.pixels.data();
    int lowestMarked = acrossLimit;
    int highestMarked = -1;
    if (clear && first < end) {
        // The common case, kept lean: no clipping, a fixed count a column,
        // and the lowest and highest pixels at the two ends of the line. An
        // odd count marks only its middle pixel; widenCentres adds the rest.
        const std::size_t acrossStep = xMajor ? w : 1;
        const std::size_t alongStep = xMajor ? 1 : w;
        const auto lowAt = [&](int k) {
            const float centre = static_cast<float>(k) + 0.5f - back;
            return static_cast<int>(std::ceil(across0 + (centre - along0) * slope - half - 0.5f));
        };
        if (centreRadius(width) >= 0) {
            std::uint8_t* const centres =
                (xMajor ? m.xCentres.data() : m.yCentres.data() + yPadding) +
                static_cast<std::size_t>(count / 2) * acrossStep;
            for (int k = first; k < end; ++k) {
                centres[static_cast<std::size_t>(lowAt(k)) * acrossStep +
                        static_cast<std::size_t>(k) * alongStep] = 1;
            }
        } else {
            for (int k = first; k < end; ++k) {
                std::uint8_t* p = pixels + static_cast<std::size_t>(lowAt(k)) * acrossStep +
                                  static_cast<std::size_t>(k) * alongStep;
                for (int j = 0; j < count; ++j, p += acrossStep) {
                    *p = 255;
                }
            }
        }
        const int atFirst = lowAt(first);
        const int atLast = lowAt(end - 1);
        lowestMarked = std::min(atFirst, atLast);
        highestMarked = std::max(atFirst, atLast) + count - 1;
    }
    // Near the window's edges, or of a width that is not whole: clipped
    // column by column (row by row).
    for (int k = clear ? end : first; k < end; ++k) {
        const float centre = static_cast<float>(k) + 0.5f - back;
        const float across = across0 + (centre - along0) * slope;
        int lo = 0;
        int hi = 0;
        centresWithin(across - half, across + half, acrossLimit, lo, hi);
        if (lo >= hi) {
            continue;
        }
        lowestMarked = std::min(lowestMarked, lo);
        highestMarked = std::max(highestMarked, hi - 1);
        if (xMajor) {
            std::uint8_t* p =
                pixels + static_cast<std::size_t>(lo) * w + static_cast<std::size_t>(k);
            for (int j = lo; j < hi; ++j, p += w) {
                *p = 255;
            }
        } else {
            std::uint8_t* p = pixels + static_cast<std::size_t>(k) * w;
            std::fill(p + lo, p + hi, std::uint8_t{255});
        }
    }
    if (highestMarked < 0) {
        return;
    }
    if (xMajor) {
        b.left = std::min(b.left, first);
        b.right = std::max(b.right, end - 1);
        b.bottom = std::min(b.bottom, lowestMarked);
        b.top = std::max(b.top, highestMarked);
    } else {
        b.bottom = std::min(b.bottom, first);
        b.top = std::max(b.top, end - 1);
        b.left = std::min(b.left, lowestMarked);
        b.right = std::max(b.right, highestMarked);
    }
}

// Whether the run lies where the mask can take it: finite, inside the depth
// range (the mask knows no clipping in depth).
bool rasterisable(const Run& run) {
    for (const Segment& s : run.segments) {
        for (const Vertex* v : {&s.a, &s.b}) {
            const float z = v->z / v->w;
            if (!(v->w > 0.0f) || !std::isfinite(v->x / v->w) || !std::isfinite(v->y / v->w) ||
                !(z >= -1.0f && z <= 1.0f)) {
                return false;
            }
        }
    }
    return true;
}

std::uint64_t load8(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Rows bottom .. top of the mask: each middle pixel of a line along x
// widened by `radius` pixels up and down, of a line along y left and right,
// into the pixels, eight at a time; every tile that then holds a marked pixel
// is marked, and the middle pixels are cleared. Middle pixels keep `radius`
// clear of the window's edges (the lean path takes only such lines), so the
// bytes read across a row's end are zeros of the next row or of the padding.
void widenCentres(Mask& m, int radius, int bottom, int top) {
    const std::size_t w = static_cast<std::size_t>(m.width);
    const std::size_t chunks = w / 8;
    for (int y = bottom; y <= top; ++y) {
        std::uint8_t* row = m.pixels.data() + static_cast<std::size_t>(y) * w;
        const std::uint8_t* ys = m.yCentres.data() + yPadding + static_cast<std::size_t>(y) * w;
        const int tileRow = y >> tileShift;
        for (std::size_t c = 0; c < chunks; ++c) {
            const std::size_t x = c * 8;
            std::uint64_t v = load8(row + x);
            for (int d = -radius; d <= radius; ++d) {
                const int yy = y + d;
                if (yy >= 0 && yy < m.height) {
                    v |= load8(m.xCentres.data() + static_cast<std::size_t>(yy) * w + x);
                }
                v |= load8(ys + static_cast<std::ptrdiff_t>(x) + d);
            }
            if (v != 0) {
                // Marked bytes become 255, as the pixels are.
                v = ((v | (v >> 1) | (v >> 2) | (v >> 3) | (v >> 4) | (v >> 5) | (v >> 6) |
                      (v >> 7)) &
                     0x0101010101010101ULL) *
                    0xFF;
                std::memcpy(row + x, &v, sizeof v);
                m.tiles[static_cast<std::size_t>(tileRow * m.tileColumns) + (x >> tileShift)] = 1;
            }
        }
        // A width that is not a multiple of eight: the last pixels one by one.
        for (std::size_t x = chunks * 8; x < w; ++x) {
            std::uint8_t v = row[x];
            for (int d = -radius; d <= radius; ++d) {
                const int yy = y + d;
                const std::ptrdiff_t xx = static_cast<std::ptrdiff_t>(x) + d;
                if (yy >= 0 && yy < m.height) {
                    v |= m.xCentres[static_cast<std::size_t>(yy) * w + x];
                }
                if (xx >= 0 && static_cast<std::size_t>(xx) < w) {
                    v |= ys[xx];
                }
            }
            if (v != 0) {
                row[x] = 255;
                m.tiles[static_cast<std::size_t>(tileRow * m.tileColumns) + (x >> tileShift)] = 1;
            }
        }
    }
    const std::size_t first = static_cast<std::size_t>(bottom) * w;
    const std::size_t end = static_cast<std::size_t>(top + 1) * w;
    std::fill(m.xCentres.begin() + static_cast<std::ptrdiff_t>(first),
              m.xCentres.begin() + static_cast<std::ptrdiff_t>(end), std::uint8_t{0});
    std::fill(m.yCentres.begin() + static_cast<std::ptrdiff_t>(yPadding + first),
              m.yCentres.begin() + static_cast<std::ptrdiff_t>(yPadding + end), std::uint8_t{0});
}

void drawRunThroughMask(const Run& run) {
    Context& c = context();
    const std::array<GLint, 4>& view = c.viewport;
    Mask& m = mask();
    prepareMask(m, view[2], view[3]);
    const auto toWindowX = [&](const Vertex& v) {
        return (v.x / v.w + 1.0f) * 0.5f * static_cast<float>(view[2]);
    };
    const auto toWindowY = [&](const Vertex& v) {
        return (v.y / v.w + 1.0f) * 0.5f * static_cast<float>(view[3]);
    };
    Bounds b{m.width, -1, m.height, -1};
    for (const Segment& s : run.segments) {
        rasteriseSegment(m, toWindowX(s.a), toWindowY(s.a), toWindowX(s.b), toWindowY(s.b),
                         run.width, b);
    }
    if (b.right < b.left) {
        return;
    }
    const int bottom = b.bottom;
    const int top = b.top;
    widenCentres(m, std::max(0, centreRadius(run.width)), bottom, top);
    const std::size_t rowStart =
        static_cast<std::size_t>(bottom) * static_cast<std::size_t>(m.width);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, 0, bottom, m.width, top - bottom + 1, GL_LUMINANCE,
                               GL_UNSIGNED_BYTE, m.pixels.data() + rowStart);
    std::fill(m.pixels.begin() + static_cast<std::ptrdiff_t>(rowStart),
              m.pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(top + 1) *
                                                             static_cast<std::size_t>(m.width)),
              std::uint8_t{0});

    // Each row of consecutive marked tiles as one rectangle, two triangles;
    // the tile marks are cleared for the next run.
    m.rectangles.clear();
    const auto ndcX = [&](int x) {
        return 2.0f * static_cast<float>(std::min(x, m.width)) / static_cast<float>(m.width) - 1.0f;
    };
    const auto ndcY = [&](int y) {
        return 2.0f * static_cast<float>(std::min(y, m.height)) / static_cast<float>(m.height) -
               1.0f;
    };
    for (int row = bottom >> tileShift; row <= top >> tileShift; ++row) {
        std::uint8_t* marks = m.tiles.data() + static_cast<std::size_t>(row * m.tileColumns);
        for (int col = 0; col < m.tileColumns; ++col) {
            if (marks[col] == 0) {
                continue;
            }
            int end = col;
            while (end < m.tileColumns && marks[end] != 0) {
                marks[end] = 0;
                ++end;
            }
            const float x0 = ndcX(col << tileShift);
            const float x1 = ndcX(end << tileShift);
            const float y0 = ndcY(row << tileShift);
            const float y1 = ndcY((row + 1) << tileShift);
            m.rectangles.insert(m.rectangles.end(),
                                {x0, y0, x1, y0, x1, y1, x0, y0, x1, y1, x0, y1});
            col = end;
        }
    }
    emscripten_glUseProgram(m.program);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, m.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(m.rectangles.size() * sizeof(float)),
                            m.rectangles.data(), GL_STREAM_DRAW);
    emscripten_glEnableVertexAttribArray(static_cast<GLuint>(m.positionAttribute));
    emscripten_glVertexAttribPointer(static_cast<GLuint>(m.positionAttribute), 2, GL_FLOAT,
                                     GL_FALSE, 0, nullptr);
    if (c.colourAttribute >= 0 && c.colourAttribute != m.positionAttribute) {
        emscripten_glDisableVertexAttribArray(static_cast<GLuint>(c.colourAttribute));
    }
    const auto level = [](float v) { return static_cast<float>(colourByte(v)) / 255.0f; };
    emscripten_glUniform4f(m.colourUniform, level(run.colour.r), level(run.colour.g),
                           level(run.colour.b), level(run.colour.a));
    emscripten_glUniform2f(m.sizeUniform, static_cast<float>(m.width),
                           static_cast<float>(m.height));
    emscripten_glUniform2f(m.originUniform, static_cast<float>(view[0]),
                           static_cast<float>(view[1]));
    // The mask's 0 or 1 as alpha: the colour where it is 1, the frame as it
    // was elsewhere.
    emscripten_glEnable(GL_BLEND);
    emscripten_glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(m.rectangles.size() / 2));
    emscripten_glDisable(GL_BLEND);
    emscripten_glBlendFunc(c.blendSource, c.blendDestination);
}

// Draws the pending run: short ones as parallelograms in the batch, long ones
// through the mask, after everything drawn before them.
void endRun() {
    Run& pending = pendingRun();
    if (pending.segments.empty()) {
        return;
    }
    Run run;
    std::swap(run, pending);
    if (run.segments.size() >= rasterisedRun && rasterisable(run) && context().viewport[2] > 0 &&
        context().viewport[3] > 0 && !context().blend) {
        // What came before goes to the GPU now, to be drawn while the run is
        // rasterised here.
        flushBatch();
        emscripten_glFlush();
        drawRunThroughMask(run);
    } else {
        for (const Segment& s : run.segments) {
            emitQuad(s.a, s.b, run.width);
        }
    }
    run.segments.clear();
    std::swap(run.segments, pending.segments);  // keeps the storage
}

void emitSegment(const Vertex& a, const Vertex& b) {
    Context& c = context();
    if (a.w <= 0.0f || b.w <= 0.0f) {
        return;  // behind an orthographic view never happens; nothing is drawn
    }
    const float width = std::max(1.0f, std::round(c.lineWidth));
    Run& run = pendingRun();
    if (width == 1.0f || !sameColour(a.colour, b.colour)) {
        endRun();
        if (width > 1.0f) {
            emitQuad(a, b, width);
            return;
        }
        // WebGL's own lines are one pixel wide, and cheaper than a quad.
        reserveVertices(2, GL_LINES);
        const std::uint16_t i = emit(a);
        emit(b);
        std::vector<std::uint16_t>& out = context().indices;
        out.insert(out.end(), {i, static_cast<std::uint16_t>(i + 1)});
        return;
    }
    if (!run.segments.empty() && (run.width != width || !sameColour(run.colour, a.colour))) {
        endRun();
    }
    run.colour = a.colour;
    run.width = width;
    run.segments.push_back({a, b});
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
                emitTriangle(v[i], v[i + 1], v[i + 2]);
            }
            break;
        case GL_TRIANGLE_STRIP:
            for (std::size_t i = 0; i + 2 < n; ++i) {
                if (i % 2 == 0) {
                    emitTriangle(v[i], v[i + 1], v[i + 2]);
                } else {
                    emitTriangle(v[i + 1], v[i], v[i + 2]);
                }
            }
            break;
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            for (std::size_t i = 1; i + 1 < n; ++i) {
                emitTriangle(v[0], v[i], v[i + 1]);
            }
            break;
        case GL_QUADS:
            for (std::size_t i = 0; i + 3 < n; i += 4) {
                emitTriangle(v[i], v[i + 1], v[i + 2]);
                emitTriangle(v[i], v[i + 2], v[i + 3]);
            }
            break;
        case GL_QUAD_STRIP:
            for (std::size_t i = 0; i + 3 < n; i += 2) {
                emitTriangle(v[i], v[i + 1], v[i + 3]);
                emitTriangle(v[i], v[i + 3], v[i + 2]);
            }
            break;
        default:
            break;  // points are not drawn by the program
    }
}

void setColour(float r, float g, float b, float a) {
    context().colour = {r, g, b, a};
}

// Where the switch of a capability is kept; none for those the layer ignores.
bool* capability(GLenum cap) {
    Context& c = context();
    switch (cap) {
        case GL_LIGHTING:
            return &c.lighting;
        case GL_TEXTURE_2D:
            return &c.texturing;
        case GL_BLEND:
            return &c.blend;
        default:
            return nullptr;
    }
}

// Lighting and texturing are only remembered; blending is WebGL's own and
// applies from here on, so what came before is drawn first.
void setCapability(GLenum cap, bool on) {
    bool* state = capability(cap);
    if (state == nullptr) {
        return;
    }
    if (cap == GL_BLEND) {
        endRun();
        flushBatch();
        if (on) {
            emscripten_glEnable(cap);
        } else {
            emscripten_glDisable(cap);
        }
    }
    *state = on;
}

}  // namespace

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

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    setColour(r, g, b, 1.0f);
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    setColour(r, g, b, a);
}

void glColor3fv(const GLfloat* v) {
    setColour(v[0], v[1], v[2], 1.0f);
}

void glColor4fv(const GLfloat* v) {
    setColour(v[0], v[1], v[2], v[3]);
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
    setColour(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}

void glNormal3f(GLfloat /*x*/, GLfloat /*y*/, GLfloat /*z*/) {}

void glTexCoord2f(GLfloat /*s*/, GLfloat /*t*/) {}

void glMatrixMode(GLenum mode) {
    context().matrixMode = mode;
}

void glLoadIdentity() {
    currentMatrix() = identity;
}

void glPushMatrix() {
    MatrixStack& s = currentStack();
    if (s.top + 1 < stackDepth) {
        s.entries[static_cast<std::size_t>(s.top + 1)] = s.current();
        ++s.top;
    }
}

void glPopMatrix() {
    MatrixStack& s = currentStack();
    if (s.top > 0) {
        --s.top;
    }
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix t = identity;
    t[12] = x;
    t[13] = y;
    t[14] = z;
    multiply(currentMatrix(), t);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix s = identity;
    s[0] = x;
    s[5] = y;
    s[10] = z;
    multiply(currentMatrix(), s);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) {
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const float radians = angle * static_cast<float>(M_PI / 180.0);
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    const float t = 1.0f - c;
    Matrix r = identity;
    r[0] = x * x * t + c;
    r[1] = y * x * t + z * s;
    r[2] = x * z * t - y * s;
    r[4] = x * y * t - z * s;
    r[5] = y * y * t + c;
    r[6] = y * z * t + x * s;
    r[8] = x * z * t + y * s;
    r[9] = y * z * t - x * s;
    r[10] = z * z * t + c;
    multiply(currentMatrix(), r);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearVal,
             GLdouble farVal) {
    Matrix o = identity;
    o[0] = static_cast<float>(2.0 / (right - left));
    o[5] = static_cast<float>(2.0 / (top - bottom));
    o[10] = static_cast<float>(-2.0 / (farVal - nearVal));
    o[12] = static_cast<float>(-(right + left) / (right - left));
    o[13] = static_cast<float>(-(top + bottom) / (top - bottom));
    o[14] = static_cast<float>(-(farVal + nearVal) / (farVal - nearVal));
    multiply(currentMatrix(), o);
}

void glGetFloatv(GLenum name, GLfloat* out) {
    Context& c = context();
    switch (name) {
        case GL_MODELVIEW_MATRIX:
            std::memcpy(out, c.modelview.current().data(), sizeof(Matrix));
            break;
        case GL_PROJECTION_MATRIX:
            std::memcpy(out, c.projection.current().data(), sizeof(Matrix));
            break;
        case GL_CURRENT_COLOR:
            out[0] = c.colour.r;
            out[1] = c.colour.g;
            out[2] = c.colour.b;
            out[3] = c.colour.a;
            break;
        case GL_LINE_WIDTH:
            out[0] = c.lineWidth;
            break;
        default:
            emscripten_glGetFloatv(name, out);
            break;
    }
}

void glGetIntegerv(GLenum name, GLint* out) {
    if (name == GL_VIEWPORT) {
        std::memcpy(out, context().viewport.data(), sizeof(GLint) * 4);
        return;
    }
    emscripten_glGetIntegerv(name, out);
}

void glPushAttrib(GLbitfield /*mask*/) {
    Context& c = context();
    if (c.savedColourCount < stackDepth) {
        c.savedColours[static_cast<std::size_t>(c.savedColourCount)] = c.colour;
        ++c.savedColourCount;
    }
}

void glPopAttrib() {
    Context& c = context();
    if (c.savedColourCount > 0) {
        --c.savedColourCount;
        c.colour = c.savedColours[static_cast<std::size_t>(c.savedColourCount)];
    }
}

void glLineWidth(GLfloat width) {
    context().lineWidth = width;
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    endRun();
    flushBatch();
    context().viewport = {x, y, width, height};
    emscripten_glViewport(x, y, width, height);
}

void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    emscripten_glClearColor(r, g, b, a);
}

void glClear(GLbitfield mask) {
    // What was drawn before the clear is wiped by it: dropped, not drawn.
    pendingRun().segments.clear();
    context().batch.clear();
    context().indices.clear();
    emscripten_glClear(mask);
}

void glFlush() {
    endRun();
    flushBatch();
    emscripten_glFlush();
}

void glFinish() {
    endRun();
    flushBatch();
    emscripten_glFinish();
}

void glEnable(GLenum cap) {
    setCapability(cap, true);
}

void glDisable(GLenum cap) {
    setCapability(cap, false);
}

GLboolean glIsEnabled(GLenum cap) {
    bool* on = capability(cap);
    return on != nullptr && *on ? GL_TRUE : GL_FALSE;
}

void glBlendFunc(GLenum source, GLenum destination) {
    endRun();
    flushBatch();
    context().blendSource = source;
    context().blendDestination = destination;
    emscripten_glBlendFunc(source, destination);
}

// No display lists on the page: the bitmap fonts that would use them fail to load.
GLuint glGenLists(GLsizei /*range*/) {
    return 0;
}
void glNewList(GLuint /*list*/, GLenum /*mode*/) {}
void glEndList() {}
void glCallList(GLuint /*list*/) {}
void glCallLists(GLsizei /*n*/, GLenum /*type*/, const GLvoid* /*lists*/) {}
void glListBase(GLuint /*base*/) {}
void glDeleteLists(GLuint /*list*/, GLsizei /*range*/) {}

void glGenTextures(GLsizei n, GLuint* names) {
    emscripten_glGenTextures(n, names);
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
    emscripten_glDeleteTextures(n, names);
}
void glBindTexture(GLenum target, GLuint name) {
    emscripten_glBindTexture(target, name);
}
void glTexParameteri(GLenum target, GLenum name, GLint value) {
    emscripten_glTexParameteri(target, name, value);
}
void glTexImage2D(GLenum /*target*/, GLint /*level*/, GLint /*internalFormat*/, GLsizei /*width*/,
                  GLsizei /*height*/, GLint /*border*/, GLenum /*format*/, GLenum /*type*/,
                  const GLvoid* /*pixels*/) {}
void glPixelStorei(GLenum name, GLint value) {
    emscripten_glPixelStorei(name, value);
}

}  // extern "C"
