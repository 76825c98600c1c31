#include "render/curve_drawing.hpp"

#include <GL/gl.h>

#include <cstddef>

#include "app/state.hpp"
#include "render/markers.hpp"
#include "render/palette.hpp"

namespace {

// Intervals of the RBF curve over its centre range.
constexpr int rbfCurveSegments = 128;
// Line widths of the family overlay and of everything else.
constexpr float familyLineWidth = 0.5f;
constexpr float sceneLineWidth = 3.0f;

void vertex(const Point3& p) {
    glVertex3f(p.x, p.y, p.z);
}

template <std::size_t N>
void strip(const std::array<Point3, N>& samples) {
    glBegin(GL_LINE_STRIP);
    for (const Point3& p : samples) {
        vertex(p);
    }
    glEnd();
}

}  // namespace

void drawNevilleConstruction(const NevilleConstruction& construction) {
    for (int i = 0; i < construction.stepCount; ++i) {
        const ConstructionStep& step = construction.steps[i];
        if (step.marker) {
            drawMarker(step.a.x, step.a.y, step.a.z);
        } else {
            glBegin(GL_LINES);
            vertex(step.a);
            vertex(step.b);
            glEnd();
        }
    }
}

void drawLagrangeCurve(const Point3* points, const float* t, int n, float u) {
    if (n <= 0 || n > maxPoints || !nodesDistinct(t, n)) {
        return;
    }
    std::array<Point3, lagrangeCurveSamples> samples;
    sampleLagrangeCurve(points, t, n, samples.data());
    setCurrentColour(activePalette().curve);
    strip(samples);
    drawNevilleConstruction(nevilleConstruction(points, t, n, u));
}

void drawDeCasteljau(const DeCasteljau& construction) {
    const int count = construction.count;
    if (count <= 0) {
        return;
    }
    for (int k = 1; k < count; ++k) {
        const Point3* level = construction.level(k);
        glBegin(GL_LINES);
        for (int j = 0; j + 1 < count - k; ++j) {
            vertex(level[j]);
            vertex(level[j + 1]);
        }
        glEnd();
    }
    const Point3 p = construction.curvePoint();
    drawMarker(p.x, p.y, p.z);
}

void drawBezierCurve(const Point3* points, int count, float x) {
    if (count <= 0 || count > maxPoints) {
        return;
    }
    std::array<Point3, bezierCurveSamples> samples;
    sampleBezierCurve(points, count, samples.data());
    strip(samples);
    // Outside [0, 1] (no animation) there is no construction, and its levels
    // are not even built.
    if (x >= 0.0f && x <= 1.0f) {
        drawDeCasteljau(deCasteljau(points, count, x));
    }
}

void drawBsplineMarker(const BsplineView& curve, float u) {
    if (insideBsplineDomain(curve, u)) {
        const Point3 p = evalBspline(curve, u);
        drawMarker(p.x, p.y, p.z);
    }
}

void drawBsplineCurve(const BsplineView& curve, float u) {
    if (!bsplineDefined(curve)) {
        return;
    }
    std::array<Point3, bsplineCurveSamples> samples;
    sampleBsplineCurve(curve, samples.data());
    setCurrentColour(activePalette().curve);
    strip(samples);
    drawBsplineMarker(curve, u);
}

void drawRbfCurve(const RbfCoefficients& coefficients, const float* centres, int n, int degree,
                  BasisKind kind, float shape) {
    // Without a solvable system in the store there is no interpolant to draw.
    if (n <= 0 || !rbfSystemFits(n, degree)) {
        return;
    }
    setCurrentColour(activePalette().curve);
    glBegin(GL_LINE_STRIP);
    for (int k = 0; k <= rbfCurveSegments; ++k) {
        const float u = (centres[n - 1] - centres[0]) * static_cast<float>(k) /
                        static_cast<float>(rbfCurveSegments);
        vertex(evalRbf(coefficients, centres, n, degree, kind, shape, u));
    }
    glEnd();
}

void drawComparisonPolygon(const Point3* points, int count, float x) {
    if (count <= 0) {
        return;
    }
    setCurrentColour(activePalette().comparison);
    drawLineStrip(points, count);
    drawBezierCurve(points, count, x);
    drawHighlightMarkers(points, count);
}

void drawFamily(const ControlPolygon* family, int rows, int count, float x) {
    const Palette& palette = activePalette();
    glLineWidth(familyLineWidth);
    for (int i = 0; i < rows; ++i) {
        // More rows than graded colours take the last one.
        setCurrentColour(
            palette.family[static_cast<std::size_t>(i < familyRowCount ? i : familyRowCount - 1)]);
        drawLineStrip(family[i].data(), count);
        drawBezierCurve(family[i].data(), count, x);
    }
    // Spread between the extreme weights at each point: one segment each, all
    // in one primitive (a batch of its own per segment would cost a draw each).
    if (rows > 0 && count >= 1) {
        glBegin(GL_LINES);
        setCurrentColour(palette.familySpread);
        for (int j = 0; j < count; ++j) {
            vertex(family[0][j]);
            vertex(family[rows - 1][j]);
        }
        glEnd();
    }
    glLineWidth(sceneLineWidth);
}
