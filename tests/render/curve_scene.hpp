#pragma once

// Reads back what a curve drawer sent to the rasteriser as plain lines and
// marker cubes, in drawing order, so tests can check each construction step.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "render/display.hpp"
#include "render/markers.hpp"
#include "support/feedback.hpp"

namespace curvetest {

using tvtest::FbItem;
using tvtest::FbKind;
using tvtest::FbVertex;
using tvtest::hasColour;

constexpr Rgb curveRed{0.3f, 0.0f, 0.0f};
constexpr Rgb markerBlue{0.0f, 0.0f, 1.0f};

struct Centre {
    float x, y;
};

struct DrawnScene {
    std::vector<FbItem> lines;    // every line outside the marker cubes, in order
    std::vector<Centre> markers;  // centre of each marker cube, in order
    std::string order;            // 'l' for a line, 'm' for a marker, in drawing order
};

// What one plain marker well inside the unturned window sends to the
// rasteriser: its solid faces (polygons), then its wire edges (lines).
struct MarkerShape {
    std::size_t faces = 0;
    std::size_t edges = 0;
};

inline MarkerShape markerShape() {
    static const MarkerShape shape = [] {
        const auto items = tvtest::captureFeedback([] { drawMarker(400.0f, 300.0f, 0.0f); });
        return MarkerShape{tvtest::polygonsOf(items).size(), tvtest::linesOf(items).size()};
    }();
    return shape;
}

// The drawers draw no polygons of their own: a polygon starts a marker cube.
// Markers drawn together send all their faces, then all their edges, so a run
// of faces of n cubes is followed by the edges of n cubes.
inline DrawnScene splitScene(const std::vector<FbItem>& items) {
    DrawnScene scene;
    const MarkerShape shape = markerShape();
    std::size_t i = 0;
    while (i < items.size()) {
        if (items[i].kind != FbKind::Polygon) {
            if (items[i].kind == FbKind::Line || items[i].kind == FbKind::LineReset) {
                scene.lines.push_back(items[i]);
                scene.order += 'l';
            }
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < items.size() && items[end].kind == FbKind::Polygon) {
            ++end;
        }
        EXPECT_EQ((end - i) % shape.faces, 0u) << "a marker cube lost faces";
        const std::size_t cubes = (end - i) / shape.faces;
        for (std::size_t c = 0; c < cubes; ++c) {
            float lox = 1e9f, hix = -1e9f, loy = 1e9f, hiy = -1e9f;
            for (std::size_t k = i + c * shape.faces; k < i + (c + 1) * shape.faces; ++k) {
                for (const FbVertex& v : items[k].vertices) {
                    lox = std::min(lox, v.x);
                    hix = std::max(hix, v.x);
                    loy = std::min(loy, v.y);
                    hiy = std::max(hiy, v.y);
                }
            }
            scene.markers.push_back({(lox + hix) / 2, (loy + hiy) / 2});
            scene.order += 'm';
        }
        i = std::min(items.size(), end + cubes * shape.edges);
    }
    return scene;
}

inline DrawnScene drawnBy(const std::function<void()>& draw) {
    return splitScene(tvtest::captureFeedback(draw));
}

// The current GL colour, which drawers leave behind for later primitives.
inline Rgb currentColour() {
    float c[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, c);
    return {c[0], c[1], c[2]};
}

inline void expectNear(const FbVertex& v, float x, float y, float tol = 1e-3f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
}

}  // namespace curvetest
