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
#include "support/feedback.hpp"

namespace curvetest {

using tvtest::FbItem;
using tvtest::FbKind;
using tvtest::FbVertex;
using tvtest::hasColour;
using tvtest::Rgb;

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

// Feedback items of one plain marker well inside the window: its solid faces
// (polygons) come first, then its wire edges.
inline std::size_t markerItemCount() {
    static const std::size_t count =
        tvtest::captureFeedback([] { drawMarker(400.0f, 300.0f, 0.0f); }).size();
    return count;
}

// The drawers draw no polygons of their own: a polygon starts a marker cube.
inline DrawnScene splitScene(const std::vector<FbItem>& items) {
    DrawnScene scene;
    const std::size_t perMarker = markerItemCount();
    std::size_t i = 0;
    while (i < items.size()) {
        const FbItem& item = items[i];
        if (item.kind == FbKind::Polygon) {
            float lox = 1e9f, hix = -1e9f, loy = 1e9f, hiy = -1e9f;
            const std::size_t end = std::min(items.size(), i + perMarker);
            for (std::size_t k = i; k < end; ++k) {
                if (items[k].kind != FbKind::Polygon) {
                    continue;
                }
                for (const FbVertex& v : items[k].vertices) {
                    lox = std::min(lox, v.x);
                    hix = std::max(hix, v.x);
                    loy = std::min(loy, v.y);
                    hiy = std::max(hiy, v.y);
                }
            }
            scene.markers.push_back({(lox + hix) / 2, (loy + hiy) / 2});
            scene.order += 'm';
            i = end;
        } else {
            if (item.kind == FbKind::Line || item.kind == FbKind::LineReset) {
                scene.lines.push_back(item);
                scene.order += 'l';
            }
            ++i;
        }
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
