#include "curves/lagrange.hpp"

// The Lagrange curve arrives with the interactive editor; until then nothing is drawn.
void drawLagrangeCurve() {}
void evalLagrange(Point3& out, const float* /*t*/, float /*u*/, int /*n*/) {
    out = Point3{};
}
void drawNevilleConstruction(Point3& out, const float* /*t*/, float /*u*/, int /*n*/) {
    out = Point3{};
}
