#include "numeric/gamma.hpp"

#include <cmath>

double logGamma(double x) {
    static const double coefficients[6] = {76.18009173,  -86.50532033,   24.01409822,
                                           -1.231739516, 0.120858003e-2, -0.536382e-5};
    double y = x - 1.0;
    double t = y + 5.5;
    t -= (y + 0.5) * std::log(t);
    double s = 1.0;
    for (double c : coefficients) {
        y += 1.0;
        s += c / y;
    }
    return std::log(2.50662827465 * s) - t;
}

double betaFunction(double z, double w) {
    return std::exp(logGamma(z) + logGamma(w) - logGamma(z + w));
}
