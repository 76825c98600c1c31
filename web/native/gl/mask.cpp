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
// its size, so a long run is rasterised here instead (raster.cpp), into a
// mask of the window.
constexpr std::size_t rasterisedRun = 2048;

// Once a frame has rasterised a run, shorter runs of one-pixel lines join the
// mask too: the family's spread between its rows is 128 of them.
constexpr std::size_t joiningRun = 16;

// While a group is open, everything drawn joins it: runs, and the batch's
// lines and triangles (a marker after each row of the family), each pixel
// taking the palette's entry of its colour, so that the last draw to mark a
// pixel decides its colour, as it would on the GPU. The group's picture is
// drawn once, when something it cannot take comes (a draw with blending, or
// shaded from corner to corner) or the frame ends: one upload and one draw
// for what would have been some fifty draws, a dozen of them runs of
// thousands of lines.
constexpr int paletteSize = 256;  // entry 0: nothing drawn

// One-pixel runs (1), wide runs (2), the batch's draws while a group is open
// (4).
int rasterising = 7;

// A run has been rasterised since the frame was cleared.
bool maskedThisFrame = false;
bool maskedLastFrame = false;

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

using Rgba = std::array<std::uint8_t, 4>;

struct Mask {
    Plane plane;                      // a pixel: its colour's entry in the palette
    std::vector<std::uint8_t> tiles;  // a tile: whether it holds a marked pixel
    int tileColumns = 0;
    int tileRows = 0;
    std::vector<float> rectangles;                     // two triangles per row of tiles drawn
    std::array<std::uint32_t, paletteSize> palette{};  // the colours' bytes, entry 0 clear
    int colours = 1;                                   // entries in use
    std::vector<std::uint32_t> picture;                // a pixel: its colour in the picture
    GLuint texture = 0;
    GLuint buffer = 0;
    GLuint program = 0;
    GLint positionAttribute = -1;
    GLint placeAttribute = -1;

    bool open = false;
    Bounds bounds{0, -1, 0, -1};
};

Mask& mask() {
    static Mask m;
    return m;
}

// Rectangles of tiles, each corner with its place in the picture, drawn as it is.
constexpr const char* maskVertexShader =
    "attribute vec2 position;\n"
    "attribute vec2 place;\n"
    "varying vec2 at;\n"
    "void main() { gl_Position = vec4(position, 0.0, 1.0); at = place; }\n";

constexpr const char* pictureFragmentShader =
    "precision mediump float;\n"
    "uniform sampler2D colours;\n"
    "varying vec2 at;\n"
    "void main() { gl_FragColor = texture2D(colours, at); }\n";

void prepareMask(Mask& m, int width, int height) {
    if (m.program == 0) {
        m.program = linkShaders(maskVertexShader, pictureFragmentShader);
        m.positionAttribute = emscripten_glGetAttribLocation(m.program, "position");
        m.placeAttribute = emscripten_glGetAttribLocation(m.program, "place");
        emscripten_glUseProgram(m.program);
        emscripten_glUniform1i(emscripten_glGetUniformLocation(m.program, "colours"), 2);
        emscripten_glGenBuffers(1, &m.buffer);
        emscripten_glGenTextures(1, &m.texture);
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
        emscripten_glActiveTexture(GL_TEXTURE2);
        emscripten_glBindTexture(GL_TEXTURE_2D, m.texture);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
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

// Rows bottom .. top: a tile is marked if a pixel in it is.
void markTiles(Mask& m, int bottom, int top) {
    const std::size_t w = static_cast<std::size_t>(m.plane.width);
    const std::size_t chunks = w / 8;
    for (int y = bottom; y <= top; ++y) {
        const std::uint8_t* row = m.plane.pixels.data() + static_cast<std::size_t>(y) * w;
        std::uint8_t* tiles =
            m.tiles.data() + static_cast<std::size_t>((y >> tileShift) * m.tileColumns);
        for (std::size_t c = 0; c < chunks; ++c) {
            if (load8(row + c * 8) != 0) {
                tiles[(c * 8) >> tileShift] = 1;
            }
        }
        for (std::size_t x = chunks * 8; x < w; ++x) {
            tiles[x >> tileShift] |= row[x] != 0 ? 1 : 0;
        }
    }
}

// Rows bottom .. top of the group's picture: each pixel in its palette
// entry's colour, transparent where nothing marks it.
void paintPicture(Mask& m, int bottom, int top) {
    const std::size_t first =
        static_cast<std::size_t>(bottom) * static_cast<std::size_t>(m.plane.width);
    const std::size_t end =
        static_cast<std::size_t>(top + 1) * static_cast<std::size_t>(m.plane.width);
    const std::uint8_t* entries = m.plane.pixels.data();
    const std::uint32_t* colourOf = m.palette.data();
    std::uint32_t* out = m.picture.data();
    std::size_t i = first;
    for (; i + 8 <= end; i += 8) {
        if (load8(entries + i) == 0) {
            std::memset(out + i, 0, 8 * sizeof(std::uint32_t));
            continue;
        }
        for (std::size_t j = i; j < i + 8; ++j) {
            out[j] = colourOf[entries[j]];
        }
    }
    for (; i < end; ++i) {
        out[i] = colourOf[entries[i]];
    }
}

// Draws the marked tiles of the picture, each row of consecutive ones as one
// rectangle, over the frame as it is.
void drawTiles(Mask& m) {
    m.rectangles.clear();
    const float w = static_cast<float>(m.plane.width);
    const float h = static_cast<float>(m.plane.height);
    for (int row = 0; row < m.tileRows; ++row) {
        const std::uint8_t* tiles = m.tiles.data() + static_cast<std::size_t>(row * m.tileColumns);
        for (int col = 0; col < m.tileColumns; ++col) {
            if (tiles[col] == 0) {
                continue;
            }
            int end = col + 1;
            while (end < m.tileColumns && tiles[end] != 0) {
                ++end;
            }
            // Corners as places in the picture (0 to 1) and in the window (-1 to 1).
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
    emscripten_glUseProgram(m.program);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, m.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(m.rectangles.size() * sizeof(float)),
                            m.rectangles.data(), GL_STREAM_DRAW);
    const auto stride = static_cast<GLsizei>(4 * sizeof(float));
    const auto position = static_cast<GLuint>(m.positionAttribute);
    const auto place = static_cast<GLuint>(m.placeAttribute);
    emscripten_glEnableVertexAttribArray(position);
    emscripten_glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
    emscripten_glEnableVertexAttribArray(place);
    emscripten_glVertexAttribPointer(place, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(2 * sizeof(float)));
    for (const GLint batchAttribute : {c.positionAttribute, c.colourAttribute}) {
        if (batchAttribute >= 0 && batchAttribute != m.positionAttribute &&
            batchAttribute != m.placeAttribute) {
            emscripten_glDisableVertexAttribArray(static_cast<GLuint>(batchAttribute));
        }
    }
    // Alpha 0 or 1: the colour where the group marks the pixel, the frame as
    // it was elsewhere.
    emscripten_glEnable(GL_BLEND);
    emscripten_glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(m.rectangles.size() / 4));
    emscripten_glDisable(GL_BLEND);
    emscripten_glBlendFunc(c.blendSource, c.blendDestination);
    // The batch's program takes its attributes afresh; ours are let go.
    emscripten_glDisableVertexAttribArray(place);
}

std::uint32_t packed(const Rgba& rgba) {
    std::uint32_t v;
    std::memcpy(&v, rgba.data(), sizeof v);
    return v;
}

// The palette's entry of this colour, added if new; 0 once the palette is full.
std::uint8_t entryOf(Mask& m, const Rgba& rgba) {
    const std::uint32_t v = packed(rgba);
    for (int i = m.colours - 1; i > 0; --i) {
        if (m.palette[static_cast<std::size_t>(i)] == v) {
            return static_cast<std::uint8_t>(i);
        }
    }
    if (m.colours == paletteSize) {
        return 0;
    }
    m.palette[static_cast<std::size_t>(m.colours)] = v;
    return static_cast<std::uint8_t>(m.colours++);
}

// Opens a group over the window as the viewport has it, unless one is open.
void openGroup(Mask& m) {
    const std::array<GLint, 4>& view = context().viewport;
    if (m.open && (m.plane.width != view[2] || m.plane.height != view[3])) {
        closeGroup();
    }
    if (!m.open) {
        prepareMask(m, view[2], view[3]);
        m.open = true;
        m.colours = 1;
        m.bounds = {m.plane.width, -1, m.plane.height, -1};
    }
}

// The entry of a colour for the open group; a full palette is drawn first
// and a new group opened.
std::uint8_t groupEntry(Mask& m, const Rgba& rgba) {
    std::uint8_t entry = entryOf(m, rgba);
    if (entry == 0) {
        closeGroup();
        openGroup(m);
        entry = entryOf(m, rgba);
    }
    return entry;
}

// A coordinate in the window from its normalised one, rounded as the GPU
// rounds it: the product, then the sum. A corner that falls exactly halfway
// between two sixteenths of a pixel is snapped by that rounding.
float toWindow(float ndc, float half) {
    const float scaled = ndc * half;
    return scaled + half;
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

// Whether the group can take a draw of the batch: lines or triangles, each
// of one opaque colour, with corners within reach of the window and inside
// the depth range.
bool takeable(GLenum mode, const std::vector<DrawVertex>& vertices,
              const std::vector<std::uint16_t>& indices, const Plane& plane) {
    const std::size_t corners = mode == GL_TRIANGLES ? 3 : (mode == GL_LINES ? 2 : 0);
    if (corners == 0 || indices.size() % corners != 0) {
        return false;
    }
    const float reachX = windowReach / static_cast<float>(plane.width);
    const float reachY = windowReach / static_cast<float>(plane.height);
    for (const DrawVertex& v : vertices) {
        if (!(std::fabs(v.x) < reachX) || !(std::fabs(v.y) < reachY) ||
            !(v.z >= -1.0f && v.z <= 1.0f) || v.rgba[3] != 255) {
            return false;
        }
    }
    for (std::size_t i = 0; i < indices.size(); i += corners) {
        for (std::size_t k = 0; k < corners; ++k) {
            if (indices[i + k] >= vertices.size()) {
                return false;
            }
        }
        for (std::size_t k = 1; k < corners; ++k) {
            if (std::memcmp(vertices[indices[i]].rgba, vertices[indices[i + k]].rgba, 4) != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

void drawMaskedRunNow(const std::vector<Segment>& segments, const Colour& colour, float width) {
    Mask& m = mask();
    openGroup(m);
    const std::uint8_t entry =
        groupEntry(m, {colourByte(colour.r), colourByte(colour.g), colourByte(colour.b), 255});
    const float halfW = 0.5f * static_cast<float>(m.plane.width);
    const float halfH = 0.5f * static_cast<float>(m.plane.height);
    if (width <= 1.0f) {
        for (const Segment& s : segments) {
            // Divided by w as the batch divides.
            const float ia = 1.0f / s.a.w;
            const float ib = 1.0f / s.b.w;
            rasteriseSegment(m.plane, toWindow(s.a.x * ia, halfW), toWindow(s.a.y * ia, halfH),
                             toWindow(s.b.x * ib, halfW), toWindow(s.b.y * ib, halfH), entry,
                             m.bounds);
        }
        return;
    }
    // A wide line: the two triangles the batch would send for it.
    std::array<DrawVertex, 4> q{};
    for (const Segment& s : segments) {
        if (!quadCorners(s.a, s.b, width, q)) {
            return;
        }
        std::array<float, 8> at{};
        for (std::size_t k = 0; k < 4; ++k) {
            at[2 * k] = toWindow(q[k].x, halfW);
            at[2 * k + 1] = toWindow(q[k].y, halfH);
        }
        rasteriseQuad(m.plane, at, entry, m.bounds);
    }
}

bool takeDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
              const std::vector<std::uint16_t>& indices) {
    Mask& m = mask();
    if (!m.open) {
        return false;
    }
    if ((rasterising & 4) == 0 || !takeable(mode, vertices, indices, m.plane)) {
        closeGroup();
        return false;
    }
    const float halfW = 0.5f * static_cast<float>(m.plane.width);
    const float halfH = 0.5f * static_cast<float>(m.plane.height);
    const auto at = [&](std::uint16_t i, std::size_t k) {
        const DrawVertex& v = vertices[i];
        return k == 0 ? toWindow(v.x, halfW) : toWindow(v.y, halfH);
    };
    if (mode == GL_LINES) {
        for (std::size_t i = 0; i < indices.size(); i += 2) {
            const std::uint16_t a = indices[i];
            const std::uint16_t b = indices[i + 1];
            const DrawVertex& v = vertices[a];
            const std::uint8_t entry = groupEntry(m, {v.rgba[0], v.rgba[1], v.rgba[2], 255});
            rasteriseSegment(m.plane, at(a, 0), at(a, 1), at(b, 0), at(b, 1), entry, m.bounds);
        }
        return true;
    }
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        const DrawVertex& v = vertices[indices[i]];
        const std::uint8_t entry = groupEntry(m, {v.rgba[0], v.rgba[1], v.rgba[2], 255});
        const std::array<float, 6> corners = {at(indices[i], 0),     at(indices[i], 1),
                                              at(indices[i + 1], 0), at(indices[i + 1], 1),
                                              at(indices[i + 2], 0), at(indices[i + 2], 1)};
        rasteriseTriangle(m.plane, corners, entry, m.bounds);
    }
    return true;
}

void closeGroup() {
    Mask& m = mask();
    if (!m.open) {
        return;
    }
    m.open = false;
    if (m.bounds.right < m.bounds.left) {
        return;
    }
    // Whole rows of tiles: a tile is drawn whole, and the picture must hold
    // nothing in every row of it but what this group marks.
    const int bottom = (m.bounds.bottom >> tileShift) << tileShift;
    const int top =
        std::min(m.plane.height - 1, (((m.bounds.top >> tileShift) + 1) << tileShift) - 1);
    markTiles(m, bottom, top);
    paintPicture(m, bottom, top);
    const GLsizei rows = top - bottom + 1;
    const std::size_t rowStart =
        static_cast<std::size_t>(bottom) * static_cast<std::size_t>(m.plane.width);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glActiveTexture(GL_TEXTURE2);
    emscripten_glBindTexture(GL_TEXTURE_2D, m.texture);
    emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, 0, bottom, m.plane.width, rows, GL_RGBA,
                               GL_UNSIGNED_BYTE, m.picture.data() + rowStart);
    emscripten_glActiveTexture(GL_TEXTURE0);
    std::fill_n(m.plane.pixels.begin() + static_cast<std::ptrdiff_t>(rowStart),
                static_cast<std::size_t>(rows) * static_cast<std::size_t>(m.plane.width),
                std::uint8_t{0});
    drawTiles(m);
    std::fill(m.tiles.begin(), m.tiles.end(), std::uint8_t{0});
}

// The page's tests compare what is rasterised here with the same draws made
// by WebGL itself: one-pixel runs (1), wide runs (2), the batch's draws while
// a group is open (4), in any sum.
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
        !c.blend && colourByte(run.colour.a) == 255 && rasterisable(run)) {
        // What came before goes to the GPU now, to be drawn while the run is
        // rasterised here (into an open group, it is rasterised too).
        flushBatch();
        if (!mask().open) {
            emscripten_glFlush();
        }
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
    maskedLastFrame = maskedThisFrame;
    maskedThisFrame = false;
}

void openFrameGroup() {
    const Context& c = context();
    if (maskedLastFrame && (rasterising & 4) != 0 && c.viewport[2] > 0 && c.viewport[3] > 0 &&
        !c.blend) {
        openGroup(mask());
    }
}

}  // namespace gllayer
