#include "web/native/gl/mask.hpp"

#include <emscripten.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "web/native/gl/batch.hpp"
#include "web/native/gl/frame.hpp"
#include "web/native/gl/raster.hpp"

namespace gllayer {

namespace {

// A long run of segments of one colour: the construction of de Casteljau at
// 128 points draws 8,128 of them, and over the family of reductions six more
// runs of 8,001. Without blending, the pixels of such a run are simply the
// union of the pixels of its segments, whatever their order. The software
// rasteriser of the browser pays about a microsecond per primitive whatever
// its size, so a long run is rasterised here instead (raster.cpp), into one
// bit of a mask of the window.
constexpr std::size_t rasterisedRun = 2048;

// Once a frame has rasterised a run, shorter runs of one-pixel lines join the
// mask too: the family's spread between its rows is 128 of them.
constexpr std::size_t joiningRun = 16;

// Up to eight runs share the mask, a bit each, with the draws between them (a
// marker after each row of the family) held back: the mask is drawn once, at
// the place of the first run, each pixel in the colour of the last run that
// marks it; only on the tiles where a held draw may fall is each run drawn at
// its own place, between the held draws, so that every pixel ends as the
// draws in their order would leave it. A held draw that would cover more
// tiles than this ends the group first.
constexpr int groupRuns = 8;
constexpr int heldTileLimit = 64;

int rasterising = 3;  // one-pixel runs (1), wide runs (2)

// A run has been rasterised since the frame was cleared.
bool maskedThisFrame = false;

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

// A draw between the runs of a group, or one of its runs (`run` >= 0), in
// the order they came.
struct Held {
    int run = -1;
    GLenum mode = GL_TRIANGLES;
    std::vector<DrawVertex> vertices;
    std::vector<std::uint16_t> indices;
};

// A palette row for each run alone, after the row for the group's last run.
constexpr int paletteRows = groupRuns + 1;
constexpr int paletteBytes = 256 * 4 * paletteRows;

struct Mask {
    Plane plane;
    std::vector<std::uint8_t> tiles;  // a tile: the bits of the runs marking it
    std::vector<std::uint8_t> held;   // a tile: a held draw may fall on it
    int tileColumns = 0;
    int tileRows = 0;
    std::vector<float> rectangles;  // two triangles per row of tiles drawn
    std::array<std::uint8_t, paletteBytes> palette{};
    std::vector<std::uint32_t> picture;  // a pixel: its colour in the group's picture
    GLuint texture = 0;                  // the bits
    GLuint paletteTexture = 0;
    GLuint colourTexture = 0;
    GLuint buffer = 0;
    // The group's picture (`pictureProgram`), and one run alone in its bits
    // (`runProgram`).
    struct Program {
        GLuint id = 0;
        GLint positionAttribute = -1;
        GLint placeAttribute = -1;
        GLint rowUniform = -1;
    };
    Program pictureProgram;
    Program runProgram;

    // The group open.
    bool open = false;
    int runs = 0;
    std::array<Colour, groupRuns> colours{};
    Bounds bounds{0, -1, 0, -1};
    std::vector<Held> items;
    std::size_t itemCount = 0;  // items in use; the others keep their storage
    int heldTiles = 0;
};

Mask& mask() {
    static Mask m;
    return m;
}

// Rectangles of tiles, each corner with its place in the mask.
constexpr const char* maskVertexShader =
    "attribute vec2 position;\n"
    "attribute vec2 place;\n"
    "varying vec2 at;\n"
    "void main() { gl_Position = vec4(position, 0.0, 1.0); at = place; }\n";

// The group's picture, a pixel's colour as it is.
constexpr const char* pictureFragmentShader =
    "precision mediump float;\n"
    "uniform sampler2D colours;\n"
    "varying vec2 at;\n"
    "void main() { gl_FragColor = texture2D(colours, at); }\n";

// One run alone: a pixel's bits pick its colour in the palette's row. The
// mask is addressed pixel by pixel: half precision could not tell 800 columns
// apart.
constexpr const char* runFragmentShader =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n"
    "uniform sampler2D mask;\n"
    "uniform sampler2D palette;\n"
    "uniform float row;\n"
    "varying vec2 at;\n"
    "void main() {\n"
    "  float bits = texture2D(mask, at).r;\n"
    "  gl_FragColor = texture2D(palette, vec2((bits * 255.0 + 0.5) / 256.0, row));\n"
    "}\n";

void setNearest() {
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

Mask::Program linkProgram(const char* fragmentShader) {
    Mask::Program p;
    p.id = linkShaders(maskVertexShader, fragmentShader);
    p.positionAttribute = emscripten_glGetAttribLocation(p.id, "position");
    p.placeAttribute = emscripten_glGetAttribLocation(p.id, "place");
    p.rowUniform = emscripten_glGetUniformLocation(p.id, "row");
    return p;
}

// The textures: the bits on unit 0, the palette on unit 1, the picture on 2.
void prepareMask(Mask& m, int width, int height) {
    if (m.pictureProgram.id == 0) {
        m.pictureProgram = linkProgram(pictureFragmentShader);
        emscripten_glUseProgram(m.pictureProgram.id);
        emscripten_glUniform1i(emscripten_glGetUniformLocation(m.pictureProgram.id, "colours"), 2);
        m.runProgram = linkProgram(runFragmentShader);
        emscripten_glUseProgram(m.runProgram.id);
        emscripten_glUniform1i(emscripten_glGetUniformLocation(m.runProgram.id, "mask"), 0);
        emscripten_glUniform1i(emscripten_glGetUniformLocation(m.runProgram.id, "palette"), 1);
        emscripten_glGenBuffers(1, &m.buffer);
        emscripten_glGenTextures(1, &m.texture);
        emscripten_glGenTextures(1, &m.paletteTexture);
        emscripten_glGenTextures(1, &m.colourTexture);
        emscripten_glActiveTexture(GL_TEXTURE1);
        emscripten_glBindTexture(GL_TEXTURE_2D, m.paletteTexture);
        setNearest();
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, paletteRows, 0, GL_RGBA,
                                GL_UNSIGNED_BYTE, m.palette.data());
        emscripten_glActiveTexture(GL_TEXTURE0);
    }
    if (m.plane.width != width || m.plane.height != height) {
        Plane& p = m.plane;
        p.width = width;
        p.height = height;
        const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        p.pixels.assign(size, 0);
        m.picture.assign(size, 0);
        m.tileColumns = (width + tileSize - 1) / tileSize;
        m.tileRows = (height + tileSize - 1) / tileSize;
        m.tiles.assign(static_cast<std::size_t>(m.tileColumns * m.tileRows), 0);
        m.held.assign(m.tiles.size(), 0);
        emscripten_glBindTexture(GL_TEXTURE_2D, m.texture);
        setNearest();
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, width, height, 0, GL_LUMINANCE,
                                GL_UNSIGNED_BYTE, p.pixels.data());
        emscripten_glActiveTexture(GL_TEXTURE2);
        emscripten_glBindTexture(GL_TEXTURE_2D, m.colourTexture);
        setNearest();
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA,
                                GL_UNSIGNED_BYTE, m.picture.data());
        emscripten_glActiveTexture(GL_TEXTURE0);
    }
}

std::uint64_t load8(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Rows bottom .. top: each tile gets the bits of the pixels in it.
void markTiles(Mask& m, int bottom, int top) {
    const std::size_t w = static_cast<std::size_t>(m.plane.width);
    const std::size_t chunks = w / 8;
    for (int y = bottom; y <= top; ++y) {
        const std::uint8_t* row = m.plane.pixels.data() + static_cast<std::size_t>(y) * w;
        std::uint8_t* tiles =
            m.tiles.data() + static_cast<std::size_t>((y >> tileShift) * m.tileColumns);
        for (std::size_t c = 0; c < chunks; ++c) {
            std::uint64_t v = load8(row + c * 8);
            if (v != 0) {
                v |= v >> 32;
                v |= v >> 16;
                v |= v >> 8;
                tiles[(c * 8) >> tileShift] |= static_cast<std::uint8_t>(v);
            }
        }
        for (std::size_t x = chunks * 8; x < w; ++x) {
            tiles[x >> tileShift] |= row[x];
        }
    }
}

// The palette: in row 0 each set of bits takes the colour of its highest bit,
// the group's last run; in row 1 + i, the bits holding run i take its colour.
// No bits, or not run i's, are transparent.
void fillPalette(Mask& m) {
    std::array<std::array<std::uint8_t, 4>, groupRuns> rgba{};
    for (int i = 0; i < m.runs; ++i) {
        const Colour& c = m.colours[static_cast<std::size_t>(i)];
        rgba[static_cast<std::size_t>(i)] = {colourByte(c.r), colourByte(c.g), colourByte(c.b),
                                             255};
    }
    std::uint8_t* p = m.palette.data();
    for (int row = 0; row < paletteRows; ++row) {
        for (int bits = 0; bits < 256; ++bits, p += 4) {
            int run = -1;
            if (row == 0) {
                for (int i = 0; i < m.runs; ++i) {
                    run = (bits >> i & 1) != 0 ? i : run;
                }
            } else if (row - 1 < m.runs && (bits >> (row - 1) & 1) != 0) {
                run = row - 1;
            }
            if (run < 0) {
                std::memset(p, 0, 4);
            } else {
                std::memcpy(p, rgba[static_cast<std::size_t>(run)].data(), 4);
            }
        }
    }
}

// Rows bottom .. top of the group's picture: each pixel in the colour of the
// last run marking it (the palette's row 0), or transparent.
void paintPicture(Mask& m, int bottom, int top) {
    std::array<std::uint32_t, 256> colourOf;
    std::memcpy(colourOf.data(), m.palette.data(), sizeof colourOf);
    const std::size_t first =
        static_cast<std::size_t>(bottom) * static_cast<std::size_t>(m.plane.width);
    const std::size_t end =
        static_cast<std::size_t>(top + 1) * static_cast<std::size_t>(m.plane.width);
    const std::uint8_t* bits = m.plane.pixels.data();
    std::uint32_t* out = m.picture.data();
    std::size_t i = first;
    for (; i + 8 <= end; i += 8) {
        if (load8(bits + i) == 0) {
            std::memset(out + i, 0, 8 * sizeof(std::uint32_t));
            continue;
        }
        for (std::size_t j = i; j < i + 8; ++j) {
            out[j] = colourOf[bits[j]];
        }
    }
    for (; i < end; ++i) {
        out[i] = colourOf[bits[i]];
    }
}

// Draws the tiles that `chosen` picks, each row of consecutive ones as one
// rectangle: the group's picture (paletteRow < 0), or one run alone in its
// colour (the palette's row 1 + run).
template <typename Chosen>
void drawTiles(Mask& m, int paletteRow, Chosen chosen) {
    m.rectangles.clear();
    const float w = static_cast<float>(m.plane.width);
    const float h = static_cast<float>(m.plane.height);
    for (int row = 0; row < m.tileRows; ++row) {
        for (int col = 0; col < m.tileColumns; ++col) {
            if (!chosen(static_cast<std::size_t>(row * m.tileColumns + col))) {
                continue;
            }
            int end = col + 1;
            while (end < m.tileColumns &&
                   chosen(static_cast<std::size_t>(row * m.tileColumns + end))) {
                ++end;
            }
            // Corners as places in the mask (0 to 1) and in the window (-1 to 1).
            const float u0 = static_cast<float>(col << tileShift) / w;
            const float u1 = static_cast<float>(std::min(end << tileShift, m.plane.width)) / w;
            const float v0 = static_cast<float>(row << tileShift) / h;
            const float v1 =
                static_cast<float>(std::min((row + 1) << tileShift, m.plane.height)) / h;
            const float x0 = 2.0f * u0 - 1.0f;
            const float x1 = 2.0f * u1 - 1.0f;
            const float y0 = 2.0f * v0 - 1.0f;
            const float y1 = 2.0f * v1 - 1.0f;
            m.rectangles.insert(m.rectangles.end(),
                                {x0, y0, u0, v0, x1, y0, u1, v0, x1, y1, u1, v1,
                                 x0, y0, u0, v0, x1, y1, u1, v1, x0, y1, u0, v1});
            col = end;
        }
    }
    if (m.rectangles.empty()) {
        return;
    }
    Context& c = context();
    const Mask::Program& p = paletteRow < 0 ? m.pictureProgram : m.runProgram;
    emscripten_glUseProgram(p.id);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, m.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(m.rectangles.size() * sizeof(float)),
                            m.rectangles.data(), GL_STREAM_DRAW);
    const auto stride = static_cast<GLsizei>(4 * sizeof(float));
    emscripten_glEnableVertexAttribArray(static_cast<GLuint>(p.positionAttribute));
    emscripten_glVertexAttribPointer(static_cast<GLuint>(p.positionAttribute), 2, GL_FLOAT,
                                     GL_FALSE, stride, nullptr);
    emscripten_glEnableVertexAttribArray(static_cast<GLuint>(p.placeAttribute));
    emscripten_glVertexAttribPointer(static_cast<GLuint>(p.placeAttribute), 2, GL_FLOAT, GL_FALSE,
                                     stride, reinterpret_cast<const void*>(2 * sizeof(float)));
    for (const GLint batchAttribute : {c.positionAttribute, c.colourAttribute}) {
        if (batchAttribute >= 0 && batchAttribute != p.positionAttribute &&
            batchAttribute != p.placeAttribute) {
            emscripten_glDisableVertexAttribArray(static_cast<GLuint>(batchAttribute));
        }
    }
    if (paletteRow >= 0) {
        emscripten_glUniform1f(p.rowUniform, (static_cast<float>(paletteRow) + 0.5f) /
                                                 static_cast<float>(paletteRows));
    }
    // Alpha 0 or 1: the colour where a run marks the pixel, the frame as it
    // was elsewhere.
    emscripten_glEnable(GL_BLEND);
    emscripten_glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(m.rectangles.size() / 4));
    emscripten_glDisable(GL_BLEND);
    emscripten_glBlendFunc(c.blendSource, c.blendDestination);
    // The batch's program takes its attributes afresh; ours are let go.
    emscripten_glDisableVertexAttribArray(static_cast<GLuint>(p.placeAttribute));
}

Held& nextItem(Mask& m) {
    if (m.itemCount == m.items.size()) {
        m.items.emplace_back();
    }
    return m.items[m.itemCount++];
}

// Whether the run lies where the mask can take it: within reach of the
// window, inside the depth range (the mask knows no clipping in depth).
bool rasterisable(const Run& run) {
    const std::array<GLint, 4>& view = context().viewport;
    const float reachX = windowReach / static_cast<float>(view[2]);
    const float reachY = windowReach / static_cast<float>(view[3]);
    for (const Segment& s : run.segments) {
        for (const Vertex* v : {&s.a, &s.b}) {
            const float z = v->z / v->w;
            if (!(v->w > 0.0f) || !(std::fabs(v->x / v->w) < reachX) ||
                !(std::fabs(v->y / v->w) < reachY) || !(z >= -1.0f && z <= 1.0f)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

void drawMaskedRunNow(const std::vector<Segment>& segments, const Colour& colour, float width) {
    const std::array<GLint, 4>& view = context().viewport;
    Mask& m = mask();
    if (m.open && (m.runs == groupRuns || m.plane.width != view[2] || m.plane.height != view[3])) {
        closeGroup();
    }
    if (!m.open) {
        prepareMask(m, view[2], view[3]);
        m.open = true;
        m.runs = 0;
        m.itemCount = 0;
        m.heldTiles = 0;
        m.bounds = {m.plane.width, -1, m.plane.height, -1};
    }
    const float w = static_cast<float>(view[2]);
    const float h = static_cast<float>(view[3]);
    const auto toWindowX = [&](const Vertex& v) { return (v.x / v.w + 1.0f) * 0.5f * w; };
    const auto toWindowY = [&](const Vertex& v) { return (v.y / v.w + 1.0f) * 0.5f * h; };
    const auto bit = static_cast<std::uint8_t>(1 << m.runs);
    const int whole = static_cast<int>(width);
    for (const Segment& s : segments) {
        rasteriseSegment(m.plane, toWindowX(s.a), toWindowY(s.a), toWindowX(s.b), toWindowY(s.b),
                         whole, bit, m.bounds);
    }
    m.colours[static_cast<std::size_t>(m.runs)] = colour;
    nextItem(m).run = m.runs;
    ++m.runs;
}

bool holdDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
              const std::vector<std::uint16_t>& indices) {
    Mask& m = mask();
    if (!m.open) {
        return false;
    }
    // The tiles the draw may fall on: its vertices' box, a pixel wider.
    float x0 = 1.0f;
    float x1 = -1.0f;
    float y0 = 1.0f;
    float y1 = -1.0f;
    bool finite = true;
    for (const DrawVertex& v : vertices) {
        finite = finite && std::isfinite(v.x) && std::isfinite(v.y);
        x0 = std::min(x0, v.x);
        x1 = std::max(x1, v.x);
        y0 = std::min(y0, v.y);
        y1 = std::max(y1, v.y);
    }
    const float w = static_cast<float>(m.plane.width);
    const float h = static_cast<float>(m.plane.height);
    const auto tile = [](float ndc, float size, float side, int limit) {
        const float pixel =
            std::min(std::max((ndc + 1.0f) * 0.5f * size + side, 0.0f), size - 1.0f);
        return std::min(static_cast<int>(pixel) >> tileShift, limit - 1);
    };
    if (!finite) {
        closeGroup();
        return false;
    }
    const int left = tile(x0, w, -1.0f, m.tileColumns);
    const int right = tile(x1, w, 1.0f, m.tileColumns);
    const int bottom = tile(y0, h, -1.0f, m.tileRows);
    const int top = tile(y1, h, 1.0f, m.tileRows);
    int added = 0;
    for (int row = bottom; row <= top; ++row) {
        for (int col = left; col <= right; ++col) {
            added += m.held[static_cast<std::size_t>(row * m.tileColumns + col)] == 0 ? 1 : 0;
        }
    }
    if (m.heldTiles + added > heldTileLimit) {
        closeGroup();
        return false;
    }
    for (int row = bottom; row <= top; ++row) {
        for (int col = left; col <= right; ++col) {
            m.held[static_cast<std::size_t>(row * m.tileColumns + col)] = 1;
        }
    }
    m.heldTiles += added;
    Held& item = nextItem(m);
    item.run = -1;
    item.mode = mode;
    item.vertices = vertices;
    item.indices = indices;
    return true;
}

void closeGroup() {
    Mask& m = mask();
    if (!m.open) {
        return;
    }
    m.open = false;
    const bool marked = m.bounds.right >= m.bounds.left;
    if (marked) {
        // Whole rows of tiles: a tile is drawn whole, and the textures must
        // hold nothing in every row of it but what this group marks.
        const int bottom = (m.bounds.bottom >> tileShift) << tileShift;
        const int top =
            std::min(m.plane.height - 1, (((m.bounds.top >> tileShift) + 1) << tileShift) - 1);
        markTiles(m, bottom, top);
        fillPalette(m);
        paintPicture(m, bottom, top);
        const GLsizei rows = top - bottom + 1;
        const std::size_t rowStart =
            static_cast<std::size_t>(bottom) * static_cast<std::size_t>(m.plane.width);
        emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        emscripten_glActiveTexture(GL_TEXTURE2);
        emscripten_glBindTexture(GL_TEXTURE_2D, m.colourTexture);
        emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, 0, bottom, m.plane.width, rows, GL_RGBA,
                                   GL_UNSIGNED_BYTE, m.picture.data() + rowStart);
        if (m.heldTiles > 0) {
            // The runs alone are drawn only where held draws fall.
            emscripten_glActiveTexture(GL_TEXTURE1);
            emscripten_glBindTexture(GL_TEXTURE_2D, m.paletteTexture);
            emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, paletteRows, GL_RGBA,
                                       GL_UNSIGNED_BYTE, m.palette.data());
            emscripten_glActiveTexture(GL_TEXTURE0);
            emscripten_glBindTexture(GL_TEXTURE_2D, m.texture);
            emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, 0, bottom, m.plane.width, rows,
                                       GL_LUMINANCE, GL_UNSIGNED_BYTE,
                                       m.plane.pixels.data() + rowStart);
        }
        emscripten_glActiveTexture(GL_TEXTURE0);
        std::fill(
            m.plane.pixels.begin() + static_cast<std::ptrdiff_t>(rowStart),
            m.plane.pixels.begin() +
                static_cast<std::ptrdiff_t>(rowStart + static_cast<std::size_t>(rows) *
                                                           static_cast<std::size_t>(m.plane.width)),
            std::uint8_t{0});
        drawTiles(m, -1, [&](std::size_t t) { return m.tiles[t] != 0 && m.held[t] == 0; });
    }
    for (std::size_t i = 0; i < m.itemCount; ++i) {
        const Held& item = m.items[i];
        if (item.run < 0) {
            sendDraw(item.mode, item.vertices, item.indices);
        } else if (marked && m.heldTiles > 0) {
            const auto bit = static_cast<std::uint8_t>(1 << item.run);
            drawTiles(m, 1 + item.run,
                      [&](std::size_t t) { return (m.tiles[t] & bit) != 0 && m.held[t] != 0; });
        }
    }
    std::fill(m.tiles.begin(), m.tiles.end(), std::uint8_t{0});
    std::fill(m.held.begin(), m.held.end(), std::uint8_t{0});
    m.itemCount = 0;
    m.runs = 0;
    m.heldTiles = 0;
}

// The page's tests compare what the runs rasterised here give with the same
// runs drawn by WebGL itself: one-pixel runs (1), wide runs (2), both, or
// neither.
extern "C" EMSCRIPTEN_KEEPALIVE void tessaveld_rasterise_runs(int kinds) {
    rasterising = kinds;
}

void endRun() {
    Run& pending = pendingRun();
    if (pending.segments.empty()) {
        return;
    }
    Run run;
    std::swap(run, pending);
    const bool thin = run.width <= 1.0f;
    const std::size_t count = run.segments.size();
    const bool long_ = count >= rasterisedRun || (thin && maskedThisFrame && count >= joiningRun);
    const Context& c = context();
    if ((rasterising & (thin ? 1 : 2)) != 0 && long_ && c.viewport[2] > 0 && c.viewport[3] > 0 &&
        !c.blend && rasterisable(run)) {
        // What came before goes to the GPU now, to be drawn while the run is
        // rasterised here.
        flushBatch();
        emscripten_glFlush();
        maskedThisFrame = true;
        frameMaskedRun(run.segments, run.colour, run.width);
    } else if (!thin) {
        for (const Segment& s : run.segments) {
            emitQuad(s.a, s.b, run.width);
        }
    } else {
        // WebGL's own lines are one pixel wide, and cheaper than a quad.
        for (const Segment& s : run.segments) {
            emitLine(s.a, s.b);
        }
    }
    run.segments.clear();
    std::swap(run.segments, pending.segments);  // keeps the storage
}

void addToRun(const Vertex& a, const Vertex& b, float width) {
    Run& run = pendingRun();
    if (!run.segments.empty() && (run.width != width || !sameColour(run.colour, a.colour))) {
        endRun();
    }
    run.colour = a.colour;
    run.width = width;
    run.segments.push_back({a, b});
}

void dropRun() {
    pendingRun().segments.clear();
    maskedThisFrame = false;
}

}  // namespace gllayer
