#include "curves/knot_insertion.hpp"

std::optional<KnotInsertion> insertKnot(const Point3* points, int n, const float* knots, int m,
                                        int degree, int index) {
    const int d = degree;
    // Boehm's rule needs the knot t[s] inside the curve's domain [t[d], t[n]]:
    // below it the rule reads a point before the first and divides by a
    // zero-length clamped span, above it reads past both lists. Both lists must
    // also have room for one more entry, and the knots the rule reads must exist.
    if (n >= maxPoints || m >= maxPoints || d < 0 || index < d + 1 || index > n ||
        index + d > m - 1) {
        return std::nullopt;
    }
    const Point3* p = points;
    const float* t = knots;
    const double newKnot = t[index];
    KnotInsertion out;
    ControlPolygon& q = out.points;

    // Points whose support ends before the new knot keep their place, those
    // whose support starts after it move up by one, and the d in between are
    // cut at the new knot along their legs of the old polygon.
    for (int i = 0; i < index - d; ++i) {
        q[i] = p[i];
    }
    for (int i = index - d; i < index; ++i) {
        const double span = static_cast<double>(t[i + d]) - t[i];
        // A knot already of full multiplicity d + 1 at the new value makes this
        // span empty; the new basis function there vanishes, so any point on
        // the leg gives the same curve, and the leg's start is the one the
        // Cox-de Boor convention for empty spans picks.
        const double alpha = span != 0.0 ? (newKnot - t[i]) / span : 0.0;
        for (int c = 0; c < dimension; ++c) {
            q[i][c] = static_cast<float>((1.0 - alpha) * p[i - 1][c] + alpha * p[i][c]);
        }
    }
    for (int i = index; i <= n; ++i) {
        q[i] = p[i - 1];
    }
    out.pointCount = n + 1;

    for (int k = 0; k <= index; ++k) {
        out.knots[k] = t[k];
    }
    out.knots[index + 1] = static_cast<float>(newKnot);
    for (int k = index + 1; k < m; ++k) {
        out.knots[k + 1] = t[k];
    }
    out.knotCount = m + 1;
    return out;
}
