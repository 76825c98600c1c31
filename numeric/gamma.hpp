#pragma once

// ln Gamma(x) for x > 0 by the six-term Lanczos series (about 1e-10 relative).
double logGamma(double x);

// Euler's beta function B(z, w) = Gamma(z) Gamma(w) / Gamma(z + w), z, w > 0.
double betaFunction(double z, double w);
