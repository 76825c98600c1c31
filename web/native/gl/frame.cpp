#include "web/native/gl/frame.hpp"

#include <emscripten.h>
#include <webgl/webgl1.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "web/native/gl/mask.hpp"

namespace gllayer {

namespace {

// A paused construction over the family at 128 points is some 50,000 lines a
// frame, which the browser's software renderer takes 50 ms and more to draw;
// every redraw of that unchanged state (a pointer moving over the window)
// drew them all again. Held and compared instead, such a frame costs the
// processor's part and a comparison of its 1.5 MB of vertices.
struct Step {
    bool masked = false;
    GLenum mode = GL_TRIANGLES;
    std::vector<DrawVertex> vertices;
    std::vector<std::uint16_t> indices;
    std::vector<Segment> segments;
    Colour colour;
    float width = 0.0f;
};

struct Record {
    GLbitfield cleared = 0;
    std::vector<Step> steps;
    std::size_t count = 0;  // steps in use; the others keep their storage
};

struct Frames {
    Record kept;     // the frame on the canvas; valid only if keptValid
    Record drawing;  // the frame being drawn
    bool keptValid = false;
    bool open = false;
    // While the frame repeats the kept one, how many of its steps it has
    // repeated (held back, not sent).
    bool holding = false;
    std::size_t held = 0;
};

Frames& frames() {
    static Frames f;
    return f;
}

template <typename T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool sameColourBytes(const Colour& a, const Colour& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void run(const Step& s) {
    if (s.masked) {
        drawMaskedRunNow(s.segments, s.colour, s.width);
    } else {
        drawNow(s.mode, s.vertices, s.indices);
    }
}

Step& nextStep(Record& r) {
    if (r.count == r.steps.size()) {
        r.steps.emplace_back();
    }
    return r.steps[r.count++];
}

// The held steps go out after the clear, and are the drawn frame's first.
void release(Frames& f) {
    if (!f.holding) {
        return;
    }
    f.holding = false;
    emscripten_glClear(f.drawing.cleared);
    for (std::size_t i = 0; i < f.held; ++i) {
        run(f.kept.steps[i]);
        std::swap(nextStep(f.drawing), f.kept.steps[i]);
    }
    f.keptValid = false;
}

// A new step: held while it repeats the kept frame's step at this place.
template <typename Same, typename Fill>
void step(Same same, Fill fill) {
    Frames& f = frames();
    if (f.holding) {
        if (f.held < f.kept.count && same(f.kept.steps[f.held])) {
            ++f.held;
            return;
        }
        release(f);
    }
    static Step loose;
    Step& s = f.open ? nextStep(f.drawing) : loose;
    fill(s);
    run(s);
    if (!f.open) {
        // Drawn outside a frame: the canvas no longer shows the kept one.
        f.keptValid = false;
    }
}

}  // namespace

void openFrame(GLbitfield buffers) {
    closeGroup();
    Frames& f = frames();
    if (f.open) {
        closeFrame();
    }
    f.open = true;
    f.drawing.count = 0;
    f.drawing.cleared = buffers;
    f.holding = f.keptValid && f.kept.cleared == buffers;
    f.held = 0;
    if (!f.holding) {
        emscripten_glClear(buffers);
    }
}

void closeFrame() {
    Frames& f = frames();
    if (!f.open) {
        closeGroup();
        return;
    }
    f.open = false;
    if (f.holding && f.held == f.kept.count) {
        f.holding = false;
        return;  // the canvas shows this very frame
    }
    release(f);
    closeGroup();
    std::swap(f.kept, f.drawing);
    f.keptValid = true;
}

void forgetFrame() {
    Frames& f = frames();
    release(f);
    closeGroup();
    f.keptValid = false;
    if (f.open) {
        f.open = false;
        f.drawing.count = 0;
    }
}

void frameDraw(GLenum mode, const std::vector<DrawVertex>& vertices,
               const std::vector<std::uint16_t>& indices) {
    step(
        [&](const Step& k) {
            return !k.masked && k.mode == mode && sameBytes(k.indices, indices) &&
                   sameBytes(k.vertices, vertices);
        },
        [&](Step& s) {
            s.masked = false;
            s.mode = mode;
            s.vertices = vertices;
            s.indices = indices;
        });
}

void frameMaskedRun(const std::vector<Segment>& segments, const Colour& colour, float width) {
    step(
        [&](const Step& k) {
            return k.masked && k.width == width && sameColourBytes(k.colour, colour) &&
                   sameBytes(k.segments, segments);
        },
        [&](Step& s) {
            s.masked = true;
            s.segments = segments;
            s.colour = colour;
            s.width = width;
        });
}

}  // namespace gllayer
