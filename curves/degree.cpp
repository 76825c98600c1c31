#include "curves/degree.hpp"

// Degree elevation and reduction arrive with their own change; until then they do nothing.
void elevateDegree() {}
void reduceDegree(double /*alpha*/, Point3* /*out*/) {}
