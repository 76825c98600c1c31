#include "curves/bspline.hpp"

// The B-spline curve arrives with the interactive editor; until then nothing is drawn.
void drawBsplineCurve() {}
void drawBsplineMarker(float /*u*/) {}
Point3 evalBspline(float /*u*/, int /*n*/) {
    return Point3{};
}
double bsplineBasis(const float* /*t*/, int /*n*/, int /*i*/, int /*k*/, float /*u*/) {
    return 0.0;
}
