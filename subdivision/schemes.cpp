#include "subdivision/schemes.hpp"

#include <GL/gl.h>
#include <GL/glut.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "app/rbf_system.hpp"
#include "app/state.hpp"
#include "curves/rbf.hpp"
#include "render/display.hpp"
#include "render/status_line.hpp"
#include "subdivision/rbf_masks.hpp"
#include "subdivision/trace.hpp"

namespace {

// Entries of the step's local evaluation and weight vectors: a stencil plus
// its polynomial part must fit, S + d + 1 <= 64.
constexpr int localCapacity = 64;
constexpr int fourPointStencil = 4;
// Tension of the Deslauriers-Dubuc scheme: the weights -1/16, 9/16, 9/16, -1/16
// of cubic interpolation at the midpoint.
constexpr double ddTension = 0.0625;

// Position k of the closed polygon of n > 0 points. For n at least half a
// stencil this is a single wrap; shorter polygons go round more than once
// instead of reaching stale or negative slots.
int wrapIndex(int k, int n) {
    return ((k % n) + n) % n;
}

// Parameter of stencil position k, extended periodically with period
// t[n-1] + h beyond either end; one period per wrap.
float extendedParameter(int k, int n, float h) {
    const float* t = appState.knots.data();
    float value = t[wrapIndex(k, n)];
    for (int lap = k; lap < 0; lap += n) {
        value = (value - t[n - 1]) - h;
    }
    for (int lap = k; lap >= n; lap -= n) {
        value = (h + t[n - 1]) + value;
    }
    return value;
}

// The clamp only matters for a state that no command produces.
int enteredCount() {
    return std::min(appState.enteredPointCount, maxPoints);
}

void drawPlanar(GLenum mode, const Point3* points, int count) {
    glBegin(mode);
    for (int i = 0; i < count; ++i) {
        glVertex2f(points[i].x, points[i].y);
    }
    glEnd();
}

// Doubling: p[k] = workPolygon[k], uniform parameters at half the spacing.
void takeRefinedPolygon(int refinedCount) {
    AppState& s = appState;
    s.pointCount = refinedCount;
    s.paramSpacing = s.paramSpacing * 0.5f;
    for (int k = 0; k < refinedCount; ++k) {
        s.controlPoints[k] = s.workPolygon[k];
        s.knots[k] = static_cast<float>(k) * s.paramSpacing;
    }
}

enum class FourPointRule { Interpolating, Approximating };
enum class FrameStyle { None, OpenStrip, ClosedLoop };

// One level of a fixed-weight four-point scheme with tension w over the closed polygon.
void fourPointStep(FourPointRule rule, double w, FrameStyle frame) {
    AppState& s = appState;
    const int n = s.pointCount;
    if (2 * n > maxPoints) {
        return;
    }
    for (int i = 0; i < n; ++i) {
        std::array<Point3, fourPointStencil> around;
        for (int k = 0; k < fourPointStencil; ++k) {
            around[k] = s.controlPoints[wrapIndex(i - 1 + k, n)];
        }
        for (int c = 0; c < dimension; ++c) {
            const double s0 = around[0][c];
            const double s1 = around[1][c];
            const double s2 = around[2][c];
            const double s3 = around[3][c];
            if (rule == FourPointRule::Interpolating) {
                s.workPolygon[2 * i][c] = around[1][c];
                s.workPolygon[2 * i + 1][c] =
                    static_cast<float>((0.5 + w) * (s1 + s2) - w * (s0 + s3));
            } else {
                // Two points per edge at about one and three quarters, pulled
                // outward by the outer neighbours with weight -w/2 each.
                const double nearWeight = (2.0 * w + 3.0) / (4.0 * (w + 1.0));
                const double farWeight = (2.0 * w + 1.0) / (4.0 * (w + 1.0));
                s.workPolygon[2 * i][c] = static_cast<float>(
                    (w + 1.0) * (nearWeight * s1 + farWeight * s2) - (w / 2.0) * (s0 + s3));
                s.workPolygon[2 * i + 1][c] = static_cast<float>(
                    (w + 1.0) * (farWeight * s1 + nearWeight * s2) - (w / 2.0) * (s0 + s3));
            }
        }
    }
    if (frame != FrameStyle::None) {
        glClear(GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
        if (s.enteredPointCount > 0) {
            drawPlanar(frame == FrameStyle::ClosedLoop ? GL_LINE_LOOP : GL_LINE_STRIP,
                       s.enteredPolygon.data(), enteredCount());
        }
        glColor3f(toneB, toneC, toneA);
        drawPlanar(GL_LINE_STRIP, s.controlPoints.data(), n);
    }
    takeRefinedPolygon(2 * n);
    if (frame != FrameStyle::None) {
        glColor3f(toneC, toneA, toneB);
        drawPlanar(GL_LINE_STRIP, s.controlPoints.data(), 2 * n);
        if (frame == FrameStyle::ClosedLoop) {
            drawStatusLine();
        }
        glFlush();
        glutSwapBuffers();
    }
    solveRbfSystem();
}

}  // namespace

void rbfSubdivisionStep(int stencilSize) {
    AppState& s = appState;
    const int n = s.pointCount;
    const int d = s.polyDegree;
    const int stencil = stencilSize;
    // The mask table is built for rbfStencilSize, so a different S could not
    // be served; an odd S has no midpoint between two central points.
    if (2 * n > maxPoints || stencil != s.rbfStencilSize || stencil < 2 || stencil % 2 != 0 ||
        d < 0 || stencil + d + 1 > localCapacity) {
        return;
    }
    const float h = s.paramSpacing;
    const int half = stencil / 2 - 1;
    std::array<Point3, localCapacity> around;
    for (int i = 0; i < n; ++i) {
        const int first = i - half;
        for (int k = first; k < first + stencil; ++k) {
            around[k - first] = s.controlPoints[wrapIndex(k, n)];
            s.extendedKnots[k - first] = extendedParameter(k, n, h);
        }
        buildRbfMaskTable();

        // [a; b] = A^-1 [0; f]: only the stencil columns of the inverse contribute.
        const auto& mask = s.rbfMaskTable;
        for (int m = 0; m <= stencil + d; ++m) {
            for (int c = 0; c < dimension; ++c) {
                s.rbfCoefficients[m][c] = 0.0f;
                for (int k = 0; k < stencil; ++k) {
                    s.rbfCoefficients[m][c] += mask[m][d + 1 + k] * around[k][c];
                }
            }
        }
        const float* x = s.extendedKnots.data();
        const float tau = (x[0] + x[stencil - 1]) / 2.0f;
        Point3 q;
        evalRbf(q, x, tau, stencil);

        // The same point as a fixed combination of the stencil points:
        // w_k = v . (column d+1+k of A^-1), v the evaluation vector at tau.
        std::array<float, localCapacity> v{};
        std::array<float, localCapacity> weights{};
        for (int m = 0; m <= d; ++m) {
            v[m] = static_cast<float>(std::pow(static_cast<double>(tau), m));
        }
        for (int j = 0; j < stencil; ++j) {
            v[d + 1 + j] = static_cast<float>(rbfBasis(s.basisKind, tau - x[j], s.shapeR));
        }
        for (int k = 0; k < stencil; ++k) {
            for (int m = 0; m <= stencil + d; ++m) {
                weights[k] += v[m] * mask[m][d + 1 + k];
            }
        }
        if (s.traceEnabled) {
            float maskX = 0.0f;
            float maskY = 0.0f;
            for (int k = 0; k < stencil; ++k) {
                maskX += weights[k] * around[k].x;
                maskY += weights[k] * around[k].y;
            }
            writeTracePointLine(i, weights.data(), stencil, maskX, maskY, q);
        }
        s.workPolygon[2 * i] = s.controlPoints[i];
        s.workPolygon[2 * i + 1] = q;
    }

    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    if (s.enteredPointCount > 0) {
        drawLineStrip(s.enteredPolygon.data(), enteredCount());
    }
    glColor3f(toneB, toneC, toneA);
    drawLineStrip(s.controlPoints.data(), n);
    takeRefinedPolygon(2 * n);
    glColor3f(toneC, toneB, toneA);
    drawLineStrip(s.controlPoints.data(), 2 * n);
    // Halving r with the spacing keeps the multiquadric masks the same from level to level.
    if (s.halveShapeOnSubdivision) {
        s.shapeR = s.shapeR * 0.5f;
    }
    glFlush();
    glutSwapBuffers();
    solveRbfSystem();
}

void nr4SubdivisionStep() {
    fourPointStep(FourPointRule::Interpolating, static_cast<double>(AppState::tensionW),
                  FrameStyle::None);
}

void ddSubdivisionStep() {
    fourPointStep(FourPointRule::Interpolating, ddTension, FrameStyle::OpenStrip);
}

void unr4SubdivisionStep() {
    fourPointStep(FourPointRule::Approximating, static_cast<double>(AppState::tensionW),
                  FrameStyle::ClosedLoop);
}
