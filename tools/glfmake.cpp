// glfmake: turns an outline font into a GLF vector-font file.
//
//   glfmake INPUT-FONT OUTPUT.glf [FONT-NAME]
//
// Every glyph of the printable ASCII range (and of Latin-1 where the typeface
// has it) is flattened into line loops, cleaned of overlaps, triangulated, and
// written as one symbol record. The typeface's descender..ascender span maps
// onto -1..1 with one common baseline, and every glyph is centred horizontally
// on its origin, so that string layout (half-width + half-width + gap) sets
// letters at natural distances.

#include <GL/glu.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr int firstAsciiCode = 33;
constexpr int lastAsciiCode = 126;
constexpr int firstLatin1Code = 161;
constexpr int lastLatin1Code = 255;
// Soft hyphen: an invisible formatting character, not a glyph to draw.
constexpr int softHyphenCode = 173;
// A record holds each count in one byte.
constexpr std::size_t maxRecordCount = 255;
constexpr std::size_t nameSize = 96;
constexpr std::size_t reservedSize = 28;
// Flattening starts at this chord error (font units) and is coarsened by this
// factor until a glyph fits the record limits.
constexpr double startTolerance = 2.0;
constexpr double toleranceGrowth = 1.25;
constexpr int maxCoarsenings = 40;

struct Point {
    double x = 0.0;
    double y = 0.0;
};
using Loop = std::vector<Point>;

struct Symbol {
    std::vector<Point> vertices;
    std::vector<std::array<std::uint8_t, 3>> facets;
    std::vector<std::uint8_t> contourEnds;
};

// ---- Flattening ------------------------------------------------------------

struct Flattener {
    double tolerance = 1.0;
    std::vector<Loop> loops;
    Point pen;
};

Point toPoint(const FT_Vector* v) {
    return {static_cast<double>(v->x), static_cast<double>(v->y)};
}

// A Bezier segment of degree n split into m pieces deviates from its chord
// polygon by at most n(n-1)/8 * D / m^2, D the largest second difference of
// its control points; m is the smallest count that keeps this below tolerance.
int pieceCount(double secondDifference, double degreeFactor, double tolerance) {
    const double pieces = std::ceil(std::sqrt(degreeFactor * secondDifference / tolerance));
    return std::max(1, static_cast<int>(pieces));
}

double length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

int moveTo(const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->loops.emplace_back();
    f->pen = toPoint(to);
    f->loops.back().push_back(f->pen);
    return 0;
}

int lineTo(const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->pen = toPoint(to);
    f->loops.back().push_back(f->pen);
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    const Point p0 = f->pen;
    const Point p1 = toPoint(control);
    const Point p2 = toPoint(to);
    const double d = length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y);
    const int m = pieceCount(d, 0.25, f->tolerance);
    for (int i = 1; i <= m; ++i) {
        const double t = static_cast<double>(i) / m;
        const double u = 1.0 - t;
        f->loops.back().push_back({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                                   u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
    f->pen = p2;
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    const Point p0 = f->pen;
    const Point p1 = toPoint(c1);
    const Point p2 = toPoint(c2);
    const Point p3 = toPoint(to);
    const double d = std::max(length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                              length(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
    const int m = pieceCount(d, 0.75, f->tolerance);
    for (int i = 1; i <= m; ++i) {
        const double t = static_cast<double>(i) / m;
        const double u = 1.0 - t;
        const double a = u * u * u;
        const double b = 3 * u * u * t;
        const double c = 3 * u * t * t;
        const double e = t * t * t;
        f->loops.back().push_back(
            {a * p0.x + b * p1.x + c * p2.x + e * p3.x, a * p0.y + b * p1.y + c * p2.y + e * p3.y});
    }
    f->pen = p3;
    return 0;
}

// The file stores single precision; rounding before triangulating makes the
// triangles and the contours agree exactly on the stored coordinates, and
// makes the output the same whichever compiler built the tool. The volatile
// keeps the rounding: GCC 12 at -O2 vectorises a pair of these round trips
// and drops them.
double toStored(double value) {
    const volatile float stored = static_cast<float>(value);
    return static_cast<double>(stored);
}

// Drops repeated points (the closing point of a loop included) and loops that
// enclose nothing.
std::vector<Loop> cleaned(const std::vector<Loop>& loops) {
    std::vector<Loop> result;
    for (const Loop& loop : loops) {
        Loop out;
        for (const Point& p : loop) {
            if (out.empty() || p.x != out.back().x || p.y != out.back().y) {
                out.push_back(p);
            }
        }
        while (out.size() > 1 && out.front().x == out.back().x && out.front().y == out.back().y) {
            out.pop_back();
        }
        if (out.size() >= 3) {
            result.push_back(out);
        }
    }
    return result;
}

// ---- Tessellation ------------------------------------------------------------

#ifndef CALLBACK
#define CALLBACK
#endif
using TessCallback = void(CALLBACK*)();

// Pass 1 collects the outline of the filled region (overlaps merged, outer
// loops counter-clockwise, holes clockwise); pass 2 triangulates those loops.
struct TessState {
    std::deque<Point> created;  // points the tessellator asks for at crossings
    std::vector<Loop> loops;    // pass 1 output
    std::vector<int> corners;   // pass 2 output, three per triangle
    bool failed = false;
    bool combined = false;
};

struct IndexedPoint {
    Point p;
    int index = 0;
};

void CALLBACK boundaryBegin(GLenum, void* user) {
    static_cast<TessState*>(user)->loops.emplace_back();
}

void CALLBACK boundaryVertex(void* vertex, void* user) {
    static_cast<TessState*>(user)->loops.back().push_back(*static_cast<Point*>(vertex));
}

void CALLBACK boundaryCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* user) {
    auto* state = static_cast<TessState*>(user);
    state->created.push_back({toStored(coords[0]), toStored(coords[1])});
    *out = &state->created.back();
}

void CALLBACK triangleVertex(void* vertex, void* user) {
    static_cast<TessState*>(user)->corners.push_back(static_cast<IndexedPoint*>(vertex)->index);
}

// Asking for edge flags keeps the tessellator from emitting fans and strips.
void CALLBACK triangleEdgeFlag(GLboolean, void*) {}

// A crossing in pass 2 would need a vertex outside the contours; the loops of
// pass 1 never cross, so this only records that something went wrong.
void CALLBACK triangleCombine(GLdouble[3], void* [4], GLfloat[4], void** out, void* user) {
    auto* state = static_cast<TessState*>(user);
    state->combined = true;
    *out = nullptr;
}

void CALLBACK tessError(GLenum, void* user) {
    static_cast<TessState*>(user)->failed = true;
}

void CALLBACK ignoreBegin(GLenum, void*) {}
void CALLBACK ignoreEnd(void*) {}

std::vector<Loop> mergeOverlaps(const std::vector<Loop>& loops, bool& ok) {
    GLUtesselator* tess = gluNewTess();
    TessState state;
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, GL_TRUE);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(boundaryBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(boundaryVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(ignoreEnd));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(boundaryCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(tessError));
    std::deque<Point> input;
    gluTessBeginPolygon(tess, &state);
    for (const Loop& loop : loops) {
        gluTessBeginContour(tess);
        for (const Point& p : loop) {
            input.push_back(p);
            GLdouble coords[3] = {p.x, p.y, 0.0};
            gluTessVertex(tess, coords, &input.back());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    ok = !state.failed;
    return cleaned(state.loops);
}

bool triangulate(Symbol& symbol) {
    GLUtesselator* tess = gluNewTess();
    TessState state;
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(ignoreBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(triangleVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(ignoreEnd));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA,
                    reinterpret_cast<TessCallback>(triangleEdgeFlag));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(triangleCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(tessError));
    std::vector<IndexedPoint> input(symbol.vertices.size());
    gluTessBeginPolygon(tess, &state);
    std::size_t start = 0;
    for (std::uint8_t end : symbol.contourEnds) {
        gluTessBeginContour(tess);
        for (std::size_t j = start; j <= end; ++j) {
            input[j] = {symbol.vertices[j], static_cast<int>(j)};
            GLdouble coords[3] = {input[j].p.x, input[j].p.y, 0.0};
            gluTessVertex(tess, coords, &input[j]);
        }
        gluTessEndContour(tess);
        start = static_cast<std::size_t>(end) + 1;
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (state.failed || state.combined || state.corners.size() % 3 != 0) {
        return false;
    }
    symbol.facets.clear();
    for (std::size_t i = 0; i < state.corners.size(); i += 3) {
        symbol.facets.push_back({static_cast<std::uint8_t>(state.corners[i]),
                                 static_cast<std::uint8_t>(state.corners[i + 1]),
                                 static_cast<std::uint8_t>(state.corners[i + 2])});
    }
    return true;
}

// ---- Glyphs ------------------------------------------------------------------

struct Metrics {
    double scale = 1.0;    // font units to cell units
    double midline = 0.0;  // font units; maps to y = 0
};

enum class GlyphResult { Ok, Missing, Failed };

GlyphResult buildSymbol(FT_Face face, unsigned code, const Metrics& metrics, Symbol& symbol,
                        double& usedTolerance) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0) {
        return GlyphResult::Missing;
    }
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) !=
            0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return GlyphResult::Failed;
    }
    FT_Outline_Funcs funcs{};
    funcs.move_to = moveTo;
    funcs.line_to = lineTo;
    funcs.conic_to = conicTo;
    funcs.cubic_to = cubicTo;

    double tolerance = startTolerance;
    for (int attempt = 0; attempt < maxCoarsenings; ++attempt, tolerance *= toleranceGrowth) {
        Flattener flat;
        flat.tolerance = tolerance;
        if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &flat) != 0) {
            return GlyphResult::Failed;
        }
        std::vector<Loop> loops = cleaned(flat.loops);
        double minX = HUGE_VAL;
        double maxX = -HUGE_VAL;
        for (const Loop& loop : loops) {
            for (const Point& p : loop) {
                minX = std::min(minX, p.x);
                maxX = std::max(maxX, p.x);
            }
        }
        const double centre = loops.empty() ? 0.0 : (minX + maxX) / 2.0;
        for (Loop& loop : loops) {
            for (Point& p : loop) {
                p = {toStored((p.x - centre) * metrics.scale),
                     toStored((p.y - metrics.midline) * metrics.scale)};
            }
        }
        bool ok = true;
        loops = mergeOverlaps(loops, ok);
        if (!ok) {
            return GlyphResult::Failed;
        }
        symbol = Symbol{};
        for (const Loop& loop : loops) {
            symbol.vertices.insert(symbol.vertices.end(), loop.begin(), loop.end());
            if (symbol.vertices.size() > maxRecordCount) {
                break;
            }
            symbol.contourEnds.push_back(static_cast<std::uint8_t>(symbol.vertices.size() - 1));
        }
        if (symbol.vertices.size() > maxRecordCount || symbol.contourEnds.size() > maxRecordCount) {
            continue;
        }
        if (!triangulate(symbol)) {
            return GlyphResult::Failed;
        }
        if (symbol.facets.size() <= maxRecordCount) {
            usedTolerance = tolerance;
            return GlyphResult::Ok;
        }
    }
    return GlyphResult::Failed;
}

// ---- Output --------------------------------------------------------------------

void putFloat(std::vector<unsigned char>& out, double value) {
    const auto f = static_cast<float>(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<unsigned char>((bits >> shift) & 0xFFu));
    }
}

void putRecord(std::vector<unsigned char>& out, unsigned code, const Symbol& symbol) {
    out.push_back(static_cast<unsigned char>(code));
    out.push_back(static_cast<unsigned char>(symbol.vertices.size()));
    out.push_back(static_cast<unsigned char>(symbol.facets.size()));
    out.push_back(static_cast<unsigned char>(symbol.contourEnds.size()));
    for (const Point& p : symbol.vertices) {
        putFloat(out, p.x);
        putFloat(out, p.y);
    }
    for (const auto& facet : symbol.facets) {
        out.insert(out.end(), facet.begin(), facet.end());
    }
    out.insert(out.end(), symbol.contourEnds.begin(), symbol.contourEnds.end());
}

bool wanted(unsigned code) {
    return (code >= firstAsciiCode && code <= lastAsciiCode) ||
           (code >= firstLatin1Code && code <= lastLatin1Code && code != softHyphenCode);
}

bool required(unsigned code) {
    return code >= firstAsciiCode && code <= lastAsciiCode;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s INPUT-FONT OUTPUT.glf [FONT-NAME]\n", argv[0]);
        return 2;
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[1], 0, &face) != 0) {
        std::fprintf(stderr, "glfmake: cannot open %s\n", argv[1]);
        return 1;
    }
    if (face->ascender <= face->descender) {
        std::fprintf(stderr, "glfmake: %s has no usable ascender and descender\n", argv[1]);
        return 1;
    }
    Metrics metrics;
    metrics.scale = 2.0 / static_cast<double>(face->ascender - face->descender);
    metrics.midline = (static_cast<double>(face->ascender) + face->descender) / 2.0;

    std::string name =
        argc == 4 ? argv[3] : std::string(face->family_name ? face->family_name : "");
    if (argc < 4 && face->style_name != nullptr) {
        name += std::string(" ") + face->style_name;
    }
    name.resize(nameSize, '\0');

    std::vector<unsigned char> records;
    unsigned count = 0;
    double coarsest = 0.0;
    for (unsigned code = 0; code <= 255 && count < maxRecordCount; ++code) {
        if (!wanted(code)) {
            continue;
        }
        Symbol symbol;
        double tolerance = 0.0;
        const GlyphResult result = buildSymbol(face, code, metrics, symbol, tolerance);
        if (result == GlyphResult::Ok) {
            putRecord(records, code, symbol);
            ++count;
            coarsest = std::max(coarsest, tolerance);
        } else if (required(code) || result == GlyphResult::Failed) {
            std::fprintf(stderr, "glfmake: cannot convert character %u\n", code);
            return 1;
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    std::vector<unsigned char> file = {'G', 'L', 'F'};
    file.insert(file.end(), name.begin(), name.end());
    file.push_back(static_cast<unsigned char>(count));
    file.insert(file.end(), reservedSize, 0);
    file.insert(file.end(), records.begin(), records.end());

    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "glfmake: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("glfmake: %u symbols, %zu bytes, coarsest flattening %.3g font units\n", count,
                file.size(), coarsest);
    return 0;
}
