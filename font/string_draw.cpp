#include "font/string_draw.hpp"

#include <GL/gl.h>

#include <cmath>

#include "font/text_settings.hpp"
#include "font/vector_font.hpp"

namespace {

enum Direction : int { leftToRight = 1, rightToLeft = 2, upwards = 3, downwards = 4 };

// Front and back faces of an extruded symbol lie at these depths.
constexpr float backFaceZ = 1.0f;
// Out-of-range bounds that any symbol's bounds replace.
constexpr float boundsTopStart = -10.0f;
constexpr float boundsBottomStart = 10.0f;

bool hasSymbol(const VectorFont* font, char ch) {
    return ch != ' ' && findSymbol(font, ch) != nullptr;
}

// +1 along the writing direction, -1 against it, for the signed extent.
float directionSign(int direction) {
    return direction == leftToRight || direction == upwards ? 1.0f : -1.0f;
}

void moveAlong(int direction, float distance) {
    switch (direction) {
        case rightToLeft:
            glTranslatef(-distance, 0.0f, 0.0f);
            break;
        case upwards:
            glTranslatef(0.0f, distance, 0.0f);
            break;
        case downwards:
            glTranslatef(0.0f, -distance, 0.0f);
            break;
        default:
            glTranslatef(distance, 0.0f, 0.0f);
            break;
    }
}

// Signed length of the text along the direction; a centred string is moved back
// by half of it. Across the writing direction the gap of a symbol is its own
// height, not the bounds shared with its neighbour as in the advance.
float signedExtent(const VectorFont* font, const char* text, int direction) {
    const float sign = directionSign(direction);
    float extent = 0.0f;
    for (const char* p = text; *p != '\0'; ++p) {
        const char ch = p[0];
        const char nx = p[1];
        if (!hasSymbol(font, ch)) {
            extent += sign * getSpaceWidth();
            continue;
        }
        if (nx == ' ') {
            extent += sign * getSymbolSpace();
            continue;
        }
        const VectorSymbol* next = findSymbol(font, nx);
        if (nx == '\0' || next == nullptr) {
            continue;
        }
        const VectorSymbol& here = *findSymbol(font, ch);
        const float gap = direction == leftToRight || direction == rightToLeft
                              ? std::fabs(here.maxX) + std::fabs(next->minX) + getSymbolSpace()
                              : std::fabs(here.minY) + std::fabs(here.maxY) + getSymbolSpace();
        extent += sign * gap;
    }
    return extent;
}

// Distance from the origin of ch to that of the following character nx.
// Absolute bounds keep the gap independent of which side of its origin a
// symbol's ink lies.
float advance(const VectorFont* font, char ch, char nx, int direction) {
    if (!hasSymbol(font, ch)) {
        return getSpaceWidth();
    }
    if (nx == '\0') {
        return 0.0f;
    }
    if (nx == ' ') {
        return getSymbolSpace();
    }
    const VectorSymbol* next = findSymbol(font, nx);
    if (next == nullptr) {
        return 0.0f;
    }
    const VectorSymbol& here = *findSymbol(font, ch);
    switch (direction) {
        case rightToLeft:
            return std::fabs(next->maxX) + std::fabs(here.minX) + getSymbolSpace();
        case upwards:
            return std::fabs(here.maxY) + std::fabs(next->minY) + getSymbolSpace();
        case downwards:
            return std::fabs(here.minY) + std::fabs(next->maxY) + getSymbolSpace();
        default:
            return std::fabs(here.maxX) + std::fabs(next->minX) + getSymbolSpace();
    }
}

// Without centring the first symbol is moved so that its ink starts at the
// cell's edge (-1, or +1 against the direction).
void offsetFirstSymbol(const VectorSymbol& first, int direction) {
    switch (direction) {
        case rightToLeft:
            glTranslatef(1.0f - std::fabs(first.maxX), 0.0f, 0.0f);
            break;
        case upwards:
            glTranslatef(0.0f, 1.0f - std::fabs(first.minY), 0.0f);
            break;
        case downwards:
            glTranslatef(0.0f, std::fabs(first.maxY) - 1.0f, 0.0f);
            break;
        default:
            glTranslatef(std::fabs(first.minX) - 1.0f, 0.0f, 0.0f);
            break;
    }
}

void centre(float extent, int direction) {
    switch (direction) {
        case rightToLeft:
            glTranslatef(extent / 2.0f, 0.0f, 0.0f);
            break;
        case upwards:
            glTranslatef(0.0f, extent / 2.0f, 0.0f);
            break;
        case downwards:
            glTranslatef(0.0f, -extent / 2.0f, 0.0f);
            break;
        default:
            glTranslatef(-extent / 2.0f, 0.0f, 0.0f);
            break;
    }
}

// One line loop per contour. The reader guarantees rising ends below V; the
// loop still stops at the first end that would not, so no primitive is ever
// left open and no vertex outside the list is touched.
void emitContours(const VectorSymbol& symbol, bool withDepth, float z) {
    const int v = static_cast<int>(symbol.vertices.size());
    int start = 0;
    for (std::uint8_t endByte : symbol.contourEnds) {
        const int end = endByte;
        if (end < start || end >= v) {
            break;
        }
        glBegin(GL_LINE_LOOP);
        for (int j = start; j <= end; ++j) {
            const SymbolVertex& p = symbol.vertices[j];
            if (withDepth) {
                glVertex3f(p.x, p.y, z);
            } else {
                glVertex2f(p.x, p.y);
            }
        }
        glEnd();
        start = end + 1;
    }
}

const SymbolVertex* facetVertex(const VectorSymbol& symbol, std::uint8_t index) {
    return index < symbol.vertices.size() ? &symbol.vertices[index] : nullptr;
}

void withContourColour(void (*draw)(char), char ch) {
    float saved[4];
    float contour[4];
    glGetFloatv(GL_CURRENT_COLOR, saved);
    getContourColor(contour);
    glColor4fv(contour);
    draw(ch);
    glColor4fv(saved);
}

void measure(const VectorFont* font, const char* text, float* minX, float* minY, float* maxX,
             float* maxY) {
    if (font == nullptr || text == nullptr) {
        return;
    }
    const VectorSymbol* first = findSymbol(font, text[0]);
    const float left = first != nullptr ? first->minX : 0.0f;
    float width = 0.0f;
    float top = boundsTopStart;
    float bottom = boundsBottomStart;
    for (const char* p = text; *p != '\0'; ++p) {
        const VectorSymbol* symbol = findSymbol(font, *p);
        if (*p == ' ' || symbol == nullptr) {
            width += getSpaceWidth();
            continue;
        }
        width += (symbol->maxX - symbol->minX) + getSymbolSpace();
        if (symbol->maxY > top) {
            top = symbol->maxY;
        }
        if (symbol->minY < bottom) {
            bottom = symbol->minY;
        }
    }
    if (maxX != nullptr && maxY != nullptr) {
        *maxX = width + left;
        *maxY = top;
    }
    if (minX != nullptr && minY != nullptr) {
        *minX = left;
        *minY = bottom;
    }
}

void drawWithFont(int handle, void (*draw)(const char*), const char* text) {
    const int previous = exchangeCurrentFont(handle);
    draw(text);
    exchangeCurrentFont(previous);
}

void drawSymbolWithFont(int handle, SymbolDrawer draw, char ch) {
    const int previous = exchangeCurrentFont(handle);
    draw(ch);
    exchangeCurrentFont(previous);
}

}  // namespace

void getStringBounds(const char* text, float* minX, float* minY, float* maxX, float* maxY) {
    measure(currentVectorFont(), text, minX, minY, maxX, maxY);
}

void getStringBoundsWithFont(int handle, const char* text, float* minX, float* minY, float* maxX,
                             float* maxY) {
    measure(findFont(handle), text, minX, minY, maxX, maxY);
}

void layoutString(const char* text, SymbolDrawer drawer) {
    const VectorFont* font = currentVectorFont();
    if (text == nullptr || text[0] == '\0' || font == nullptr) {
        return;
    }
    const int direction = getDirection();
    const bool centred = getCentering() != 0;
    const float extent = centred ? signedExtent(font, text, direction) : 0.0f;

    glPushMatrix();
    const float angle = getRotation();
    if (angle != 0.0f) {
        glRotatef(angle, 0.0f, 0.0f, 1.0f);
    }
    if (centred) {
        centre(extent, direction);
    } else if (hasSymbol(font, text[0])) {
        offsetFirstSymbol(*findSymbol(font, text[0]), direction);
    }
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != ' ') {
            drawer(*p);
        }
        moveAlong(direction, advance(font, p[0], p[1], direction));
    }
    glPopMatrix();
}

void drawWiredSymbol(char ch) {
    const VectorSymbol* symbol = findSymbol(currentVectorFont(), ch);
    if (symbol == nullptr) {
        return;
    }
    emitContours(*symbol, false, 0.0f);
}

void drawSolidSymbol(char ch) {
    const VectorSymbol* symbol = findSymbol(currentVectorFont(), ch);
    if (symbol == nullptr) {
        return;
    }
    const bool texturing = isOptionEnabled(FontOption::Texturing);
    glBegin(GL_TRIANGLES);
    for (const auto& facet : symbol->facets) {
        for (std::uint8_t index : facet) {
            const SymbolVertex* p = facetVertex(*symbol, index);
            if (p == nullptr) {
                continue;
            }
            if (texturing) {
                glTexCoord2f((p->x + 1.0f) / 2.0f, (p->y + 1.0f) / 2.0f);
            }
            glVertex2f(p->x, p->y);
        }
    }
    glEnd();
    if (isOptionEnabled(FontOption::Contouring)) {
        withContourColour(drawWiredSymbol, ch);
    }
}

void drawWiredSymbol3D(char ch) {
    const VectorSymbol* symbol = findSymbol(currentVectorFont(), ch);
    if (symbol == nullptr) {
        return;
    }
    const float frontZ = backFaceZ + getSymbolDepth();
    emitContours(*symbol, true, backFaceZ);
    emitContours(*symbol, true, frontZ);
    glBegin(GL_LINES);
    for (const SymbolVertex& p : symbol->vertices) {
        glVertex3f(p.x, p.y, backFaceZ);
        glVertex3f(p.x, p.y, frontZ);
    }
    glEnd();
}

void drawSolidSymbol3D(char ch) {
    const VectorSymbol* symbol = findSymbol(currentVectorFont(), ch);
    if (symbol == nullptr) {
        return;
    }
    const float frontZ = backFaceZ + getSymbolDepth();

    // The two faces take the facets in opposite corner order, so they wind
    // oppositely as seen from one side, as a closed solid's faces must.
    glBegin(GL_TRIANGLES);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (const auto& facet : symbol->facets) {
        for (int corner = 2; corner >= 0; --corner) {
            if (const SymbolVertex* p = facetVertex(*symbol, facet[corner])) {
                glVertex3f(p->x, p->y, frontZ);
            }
        }
    }
    glEnd();
    glBegin(GL_TRIANGLES);
    glNormal3f(0.0f, 0.0f, -1.0f);
    for (const auto& facet : symbol->facets) {
        for (std::uint8_t index : facet) {
            if (const SymbolVertex* p = facetVertex(*symbol, index)) {
                glVertex3f(p->x, p->y, backFaceZ);
            }
        }
    }
    glEnd();

    // Side walls: one closed strip per contour, the normal pointing away from
    // the symbol's origin (not normalised; lighting normalises when asked to).
    const int v = static_cast<int>(symbol->vertices.size());
    int start = 0;
    for (std::uint8_t endByte : symbol->contourEnds) {
        const int end = endByte;
        if (end < start || end >= v) {
            break;
        }
        glBegin(GL_QUAD_STRIP);
        for (int j = start; j <= end; ++j) {
            const SymbolVertex& p = symbol->vertices[j];
            glNormal3f(p.x, p.y, 0.0f);
            glVertex3f(p.x, p.y, backFaceZ);
            glVertex3f(p.x, p.y, frontZ);
        }
        const SymbolVertex& first = symbol->vertices[start];
        glVertex3f(first.x, first.y, backFaceZ);
        glVertex3f(first.x, first.y, frontZ);
        glEnd();
        start = end + 1;
    }

    if (isOptionEnabled(FontOption::Contouring)) {
        const bool lit = glIsEnabled(GL_LIGHTING) == GL_TRUE;
        glDisable(GL_LIGHTING);
        withContourColour(drawWiredSymbol3D, ch);
        if (lit) {
            glEnable(GL_LIGHTING);
        }
    }
}

void drawSolidString(const char* text) {
    layoutString(text, drawSolidSymbol);
}
void drawWiredString(const char* text) {
    layoutString(text, drawWiredSymbol);
}
void drawSolidString3D(const char* text) {
    layoutString(text, drawSolidSymbol3D);
}
void drawWiredString3D(const char* text) {
    layoutString(text, drawWiredSymbol3D);
}

void drawSolidStringWithFont(int handle, const char* text) {
    drawWithFont(handle, drawSolidString, text);
}
void drawWiredStringWithFont(int handle, const char* text) {
    drawWithFont(handle, drawWiredString, text);
}
void drawSolidString3DWithFont(int handle, const char* text) {
    drawWithFont(handle, drawSolidString3D, text);
}
void drawWiredString3DWithFont(int handle, const char* text) {
    drawWithFont(handle, drawWiredString3D, text);
}
void drawSolidSymbolWithFont(int handle, char ch) {
    drawSymbolWithFont(handle, drawSolidSymbol, ch);
}
void drawWiredSymbolWithFont(int handle, char ch) {
    drawSymbolWithFont(handle, drawWiredSymbol, ch);
}
void drawSolidSymbol3DWithFont(int handle, char ch) {
    drawSymbolWithFont(handle, drawSolidSymbol3D, ch);
}
void drawWiredSymbol3DWithFont(int handle, char ch) {
    drawSymbolWithFont(handle, drawWiredSymbol3D, ch);
}
