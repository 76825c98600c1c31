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
// run of one colour, pixels of a mask rasterised here (mask.cpp), as do long
// runs of lines 1 pixel wide, by WebGL's own rule for them.
//
// There is no lighting, no depth buffer and no texturing (the page has no
// bitmap fonts: glGenLists fails, which their loader reports as a failed
// load).

#include <GL/gl.h>
#include <emscripten.h>
#include <webgl/webgl1.h>

#include <cmath>
#include <cstring>

#include "web/native/gl/batch.hpp"
#include "web/native/gl/frame.hpp"
#include "web/native/gl/layer.hpp"
#include "web/native/gl/mask.hpp"

namespace gllayer {

Context& context() {
    static Context c;
    return c;
}

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

namespace {

Matrix& currentMatrix() {
    Context& c = context();
    return c.matrixMode == GL_PROJECTION ? c.projection.current() : c.modelview.current();
}

MatrixStack& currentStack() {
    Context& c = context();
    return c.matrixMode == GL_PROJECTION ? c.projection : c.modelview;
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
        forgetFrame();
        if (on) {
            emscripten_glEnable(cap);
        } else {
            emscripten_glDisable(cap);
        }
    }
    *state = on;
}

}  // namespace

}  // namespace gllayer

using namespace gllayer;

extern "C" {

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
    forgetFrame();
    context().viewport = {x, y, width, height};
    emscripten_glViewport(x, y, width, height);
}

void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    forgetFrame();
    emscripten_glClearColor(r, g, b, a);
}

void glClear(GLbitfield mask) {
    // What was drawn before the clear is wiped by it: dropped, not drawn.
    dropRun();
    dropBatch();
    openFrame(mask);
    openFrameGroup();
}

void glFlush() {
    endRun();
    flushBatch();
    closeFrame();
    emscripten_glFlush();
}

void glFinish() {
    endRun();
    flushBatch();
    closeFrame();
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
    forgetFrame();
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
