#include "render/markers.hpp"

#include <GL/gl.h>

#include <array>
#include <cstddef>

#include "app/state.hpp"
#include "render/palette.hpp"

namespace {

constexpr float highlightEdge = markerSize * 3.0f / 4.0f;

// The marker cube, face by face: each face lists its corners (signs of the
// half edge) counter-clockwise seen from outside, starting at the corner that
// GLUT's own cube starts it with. GLUT sends its cubes from client-side vertex
// arrays, which Mesa copies into a fresh buffer on every call.
struct CubeFace {
    float normal[3];
    float corners[4][3];
};

constexpr int cubeFaceCount = 6;
constexpr CubeFace cubeFaces[cubeFaceCount] = {
    {{0, 0, 1}, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
    {{1, 0, 0}, {{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}},
    {{0, 1, 0}, {{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
    {{-1, 0, 0}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{0, 0, -1}, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
};

// Which faces of the markers the viewer sees. The projection is the window's
// own glOrtho, which keeps the orientation of x and y, so a face turns towards
// the viewer when the view turns its outward normal to positive eye z; a face
// seen edge on covers no pixel. Every marker of a batch shares the view.
using VisibleFaces = std::array<bool, cubeFaceCount>;

VisibleFaces facesTowardsViewer() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    VisibleFaces visible{};
    for (int i = 0; i < cubeFaceCount; ++i) {
        const float* n = cubeFaces[i].normal;
        // Row 2 of the column-major matrix gives eye z.
        visible[static_cast<std::size_t>(i)] = m[2] * n[0] + m[6] * n[1] + m[10] * n[2] > 0.0f;
    }
    return visible;
}

void cubeCorner(const float* corner, float half, const Point3& centre) {
    glVertex3f(centre.x + corner[0] * half, centre.y + corner[1] * half,
               centre.z + corner[2] * half);
}

// The solid cubes of all centres in one primitive, each visible face as the
// two triangles (0, 1, 2) and (0, 2, 3). The faces turned away lie inside the
// outline of those facing the viewer, in the same colour, so leaving them out
// changes no pixel. The colour is set inside the primitive: set between
// primitives it would end the renderer's batch. It stays the current colour
// afterwards, as if set just before.
void solidCubes(const Point3* centres, int count, float edge, const Rgb& colour) {
    const float half = edge / 2.0f;
    const VisibleFaces visible = facesTowardsViewer();
    glBegin(GL_TRIANGLES);
    setCurrentColour(colour);
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < cubeFaceCount; ++k) {
            if (!visible[static_cast<std::size_t>(k)]) {
                continue;
            }
            const CubeFace& f = cubeFaces[k];
            cubeCorner(f.corners[0], half, centres[i]);
            cubeCorner(f.corners[1], half, centres[i]);
            cubeCorner(f.corners[2], half, centres[i]);
            cubeCorner(f.corners[0], half, centres[i]);
            cubeCorner(f.corners[2], half, centres[i]);
            cubeCorner(f.corners[3], half, centres[i]);
        }
    }
    glEnd();
}

// Each face of every cube as its four edges, the segments GLUT's wire cube
// draws as one closed loop, in the same order, all in one primitive. Every
// edge is drawn both ways, as GLUT draws it: llvmpipe leaves out the last
// pixel of a wide line, so an edge drawn once would lose a corner pixel or
// two. The wire is drawn over the solids without a depth test, so the far
// edges show too.
void wireCubes(const Point3* centres, int count, float edge, const Rgb& colour) {
    const float half = edge / 2.0f;
    glBegin(GL_LINES);
    setCurrentColour(colour);
    for (int i = 0; i < count; ++i) {
        for (const CubeFace& f : cubeFaces) {
            for (int k = 0; k < 4; ++k) {
                cubeCorner(f.corners[k], half, centres[i]);
                cubeCorner(f.corners[(k + 1) % 4], half, centres[i]);
            }
        }
    }
    glEnd();
}

// A lone marker is drawn about the origin under its own translation, so that
// its window positions are exactly those of GLUT's cube at that place.
constexpr Point3 origin{};

}  // namespace

void drawLineStrip(const Point3* points, int count) {
    if (count <= 0) {
        return;
    }
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < count; ++i) {
        glVertex3f(points[i].x, points[i].y, points[i].z);
    }
    glEnd();
}

// llvmpipe's cost of a marker grows with the triangles and lines it sets up
// more than with the draws: GLUT's cube is 12 triangles and 24 lines, the
// visible faces at most 6 triangles, 2 in the unturned view. Together with
// the two draws per batch (corners offset here, no translation between
// markers) that took about 1.4 ms off the median event-to-frame time at 128
// points; bench/bench_markers.cpp times a frame's markers alone.
void drawMarkers(const Point3* centres, int count) {
    if (count <= 0) {
        return;
    }
    const Palette& p = activePalette();
    solidCubes(centres, count, markerSize, p.markerCore);
    wireCubes(centres, count, markerSize + 1, p.markerWire);
}

void drawHighlightMarkers(const Point3* centres, int count) {
    if (count <= 0) {
        return;
    }
    const Palette& p = activePalette();
    solidCubes(centres, count, highlightEdge, p.highlightCore);
    wireCubes(centres, count, highlightEdge + 0.25f, p.highlightWire);
    setCurrentColour(p.highlightCore);
}

void drawMarker(float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    drawMarkers(&origin, 1);
    glPopMatrix();
}

void drawHighlightMarker(float x, float y, float z) {
    glPushMatrix();
    glTranslatef(x, y, z);
    drawHighlightMarkers(&origin, 1);
    glPopMatrix();
}
