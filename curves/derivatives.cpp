#include "curves/derivatives.hpp"

#include <array>
#include <cmath>

namespace {

Vector3 toVector(const Point3& p) {
    return {static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z)};
}

// a += w b, coordinate by coordinate.
void addScaled(Vector3& a, double w, const Vector3& b) {
    for (int c = 0; c < dimension; ++c) {
        a[c] += w * b[c];
    }
}

Vector3 scaled(double w, const Vector3& a) {
    return {w * a[0], w * a[1], w * a[2]};
}

// The Bernstein polynomials of the given degree at x into b[0..degree], in
// O(degree): from the end whose power cannot underflow (the larger of x and
// 1 - x raised to at most the 127th power stays above 2^-127), each next one by
// the ratio C(d, i+1) / C(d, i) times x / (1 - x) or its inverse. The far end
// may underflow to zero, where its true value is below any pixel.
void bernsteinRow(int degree, double x, double* b) {
    const double y = 1.0 - x;
    if (x <= 0.5) {
        b[0] = std::pow(y, degree);
        for (int i = 0; i < degree; ++i) {
            b[i + 1] = b[i] * (static_cast<double>(degree - i) / (i + 1)) * (x / y);
        }
    } else {
        b[degree] = std::pow(x, degree);
        for (int i = degree; i > 0; --i) {
            b[i - 1] = b[i] * (static_cast<double>(i) / (degree - i + 1)) * (y / x);
        }
    }
}

// The span s in degree .. n - 1 whose piece gives the curve at u from the
// given side: t[s] <= u < t[s+1] from the right, t[s] < u <= t[s+1] from the
// left; the domain's ends take the one piece they have. -1 when u lies
// outside the domain or the domain is empty.
int spanOnSide(const float* t, int n, int d, float u, KnotSide side) {
    if (!(u >= t[d] && u <= t[n]) || !(t[d] < t[n])) {
        return -1;
    }
    const bool fromLeft = (side == KnotSide::Left && u > t[d]) || u == t[n];
    if (fromLeft) {
        for (int s = d; s < n; ++s) {
            if (t[s] < u && u <= t[s + 1]) {
                return s;
            }
        }
        return -1;
    }
    for (int s = n - 1; s >= d; --s) {
        if (t[s] <= u && u < t[s + 1]) {
            return s;
        }
    }
    return -1;
}

bool ordered(const float* t, int count) {
    for (int i = 0; i + 1 < count; ++i) {
        if (!(t[i] <= t[i + 1])) {
            return false;
        }
    }
    return true;
}

// The control point Q(i) of the derivative B-spline, for a support that is
// not empty.
Vector3 derivativePoint(const BsplineView& curve, int i) {
    const float* t = curve.knots;
    const int d = curve.degree;
    const double width = static_cast<double>(t[i + d + 1]) - static_cast<double>(t[i + 1]);
    Vector3 q = toVector(curve.points[i + 1]);
    addScaled(q, -1.0, toVector(curve.points[i]));
    return scaled(d / width, q);
}

}  // namespace

int bezierHodograph(const Point3* points, int count, Vector3* out) {
    if (count < 2 || count > maxPoints) {
        return 0;
    }
    const double degree = count - 1;
    for (int i = 0; i + 1 < count; ++i) {
        Vector3 q = toVector(points[i + 1]);
        addScaled(q, -1.0, toVector(points[i]));
        out[i] = scaled(degree, q);
    }
    return count - 1;
}

CurveJet bezierJet(const Point3* points, int count, double x) {
    CurveJet jet;
    if (count <= 0 || count > maxPoints) {
        return jet;
    }
    const int degree = count - 1;
    std::array<double, maxPoints> b{};
    bernsteinRow(degree, x, b.data());
    for (int i = 0; i < count; ++i) {
        addScaled(jet.point, b[i], toVector(points[i]));
    }
    if (degree >= 1) {
        bernsteinRow(degree - 1, x, b.data());
        for (int i = 0; i < degree; ++i) {
            Vector3 q = toVector(points[i + 1]);
            addScaled(q, -1.0, toVector(points[i]));
            addScaled(jet.first, b[i] * degree, q);
        }
    }
    if (degree >= 2) {
        bernsteinRow(degree - 2, x, b.data());
        for (int i = 0; i + 1 < degree; ++i) {
            Vector3 q = toVector(points[i + 2]);
            addScaled(q, -2.0, toVector(points[i + 1]));
            addScaled(q, 1.0, toVector(points[i]));
            addScaled(jet.second, b[i] * degree * (degree - 1), q);
        }
    }
    return jet;
}

int bsplineHodograph(const BsplineView& curve, Vector3* out) {
    if (!bsplineDefined(curve) || curve.degree < 1) {
        return 0;
    }
    const float* t = curve.knots;
    const int d = curve.degree;
    for (int i = 0; i + 1 < curve.pointCount; ++i) {
        out[i] = t[i + d + 1] == t[i + 1] ? Vector3{} : derivativePoint(curve, i);
    }
    return curve.pointCount - 1;
}

CurveJet bsplineJet(const BsplineView& curve, float u, KnotSide side) {
    CurveJet jet;
    if (!bsplineDefined(curve) || !ordered(curve.knots, curve.knotCount)) {
        return jet;
    }
    const float* t = curve.knots;
    const int n = curve.pointCount;
    const int d = curve.degree;
    const int s = spanOnSide(t, n, d, u, side);
    if (s < 0) {
        return jet;
    }
    // De Boor's triangle of basis values on span s: after level j, basis[r] =
    // N(s - j + r, j)(u) of degree j, r = 0 .. j. Every difference it divides
    // by contains the span, which is not empty. Levels d - 1 and d - 2 are
    // the bases of the first and second derivative B-splines.
    const double ud = u;
    std::array<double, maxPoints> basis{};
    std::array<double, maxPoints> left{};
    std::array<double, maxPoints> right{};
    std::array<double, maxPoints> level1{};
    std::array<double, maxPoints> level2{};
    basis[0] = 1.0;
    for (int j = 1; j <= d; ++j) {
        if (j == d) {
            level1 = basis;
        } else if (j == d - 1) {
            level2 = basis;
        }
        left[j] = ud - t[s + 1 - j];
        right[j] = static_cast<double>(t[s + j]) - ud;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            const double quotient = basis[r] / (right[r + 1] + left[j - r]);
            basis[r] = saved + right[r + 1] * quotient;
            saved = left[j - r] * quotient;
        }
        basis[j] = saved;
    }
    for (int r = 0; r <= d; ++r) {
        addScaled(jet.point, basis[r], toVector(curve.points[s - d + r]));
    }
    if (d >= 1) {
        // Q(s - d + r) weighs N(s - d + r + 1, d - 1), entry r of level d - 1.
        std::array<Vector3, maxPoints> q{};
        for (int r = 0; r < d; ++r) {
            q[r] = derivativePoint(curve, s - d + r);
            addScaled(jet.first, level1[r], q[r]);
        }
        // R(i) = (d - 1) (Q(i+1) - Q(i)) / (t(i+d+1) - t(i+2)) weighs
        // N(i + 2, d - 2), entry r of level d - 2 for i = s - d + r.
        for (int r = 0; r + 1 < d; ++r) {
            const int i = s - d + r;
            const double width = static_cast<double>(t[i + d + 1]) - static_cast<double>(t[i + 2]);
            Vector3 difference = q[r + 1];
            addScaled(difference, -1.0, q[r]);
            addScaled(jet.second, level2[r] * (d - 1) / width, difference);
        }
    }
    return jet;
}

CurveJet lagrangeJet(const Point3* points, const float* t, const double* w, int n, float u) {
    CurveJet jet;
    if (n <= 0 || n > maxPoints) {
        return jet;
    }
    const double ud = u;
    int node = -1;
    for (int j = 0; j < n; ++j) {
        if (ud == static_cast<double>(t[j])) {
            node = j;
        }
    }
    if (node >= 0) {
        const int k = node;
        const Vector3 pk = toVector(points[k]);
        jet.point = pk;
        // l_k'(t_k), the negated sum of the others' derivatives there.
        double own = 0.0;
        std::array<double, maxPoints> slope{};
        for (int j = 0; j < n; ++j) {
            if (j != k) {
                slope[j] = (w[j] / w[k]) / (static_cast<double>(t[k]) - t[j]);
                own -= slope[j];
            }
        }
        for (int j = 0; j < n; ++j) {
            if (j == k) {
                continue;
            }
            Vector3 difference = toVector(points[j]);
            addScaled(difference, -1.0, pk);
            addScaled(jet.first, slope[j], difference);
            const double bend = 2.0 * slope[j] * (own - 1.0 / (static_cast<double>(t[k]) - t[j]));
            addScaled(jet.second, bend, difference);
        }
        return jet;
    }
    std::array<double, maxPoints> v{};
    double sum = 0.0;
    for (int j = 0; j < n; ++j) {
        v[j] = w[j] / (ud - t[j]);
        sum += v[j];
    }
    for (int j = 0; j < n; ++j) {
        addScaled(jet.point, v[j] / sum, toVector(points[j]));
    }
    // p[u, t_j], then the sums of the first and second derivative.
    std::array<Vector3, maxPoints> divided{};
    for (int j = 0; j < n; ++j) {
        divided[j] = jet.point;
        addScaled(divided[j], -1.0, toVector(points[j]));
        divided[j] = scaled(1.0 / (ud - t[j]), divided[j]);
        addScaled(jet.first, v[j] / sum, divided[j]);
    }
    for (int j = 0; j < n; ++j) {
        Vector3 difference = jet.first;
        addScaled(difference, -1.0, divided[j]);
        addScaled(jet.second, 2.0 * v[j] / sum / (ud - t[j]), difference);
    }
    return jet;
}

std::array<double, 3> rbfBasisDerivatives(BasisKind kind, double x, float r) {
    const double c = rbfBasisScale;
    const double rd = r;
    const double a = c * c * rd * rd;
    switch (kind) {
        case BasisKind::Mq1: {
            const double phi = std::sqrt(x * x + a);
            return {phi, x / phi, a / (phi * phi * phi)};
        }
        case BasisKind::Mq3: {
            const double root = std::sqrt(x * x + a);
            return {root * root * root, 3.0 * x * root, 3.0 * (2.0 * x * x + a) / root};
        }
        case BasisKind::Gaussian:
            break;
    }
    const double phi = std::exp(-rd * x * x);
    return {phi, -2.0 * rd * x * phi, (4.0 * rd * rd * x * x - 2.0 * rd) * phi};
}

CurveJet rbfJet(const RbfCoefficients& coefficients, const float* centres, int n, int degree,
                BasisKind kind, float shape, float u) {
    CurveJet jet;
    if (!rbfSystemFits(n, degree)) {
        return jet;
    }
    const double ud = u;
    for (int a = 0; a <= degree; ++a) {
        const Vector3 row = {coefficients[a][0], coefficients[a][1], coefficients[a][2]};
        // pow(0, 0) = 1, as the curve's own polynomial part takes it.
        addScaled(jet.point, std::pow(ud, a), row);
        if (a >= 1) {
            addScaled(jet.first, a * std::pow(ud, a - 1), row);
        }
        if (a >= 2) {
            addScaled(jet.second, a * (a - 1) * std::pow(ud, a - 2), row);
        }
    }
    for (int i = 0; i < n; ++i) {
        const std::array<double, 3> phi = rbfBasisDerivatives(kind, ud - centres[i], shape);
        const std::array<double, dimension>& row = coefficients[degree + 1 + i];
        const Vector3 weight = {row[0], row[1], row[2]};
        addScaled(jet.point, phi[0], weight);
        addScaled(jet.first, phi[1], weight);
        addScaled(jet.second, phi[2], weight);
    }
    return jet;
}

std::optional<double> signedCurvature(const std::array<double, 2>& first,
                                      const std::array<double, 2>& second, double minimumSpeed) {
    const double speed = std::hypot(first[0], first[1]);
    if (!(speed > minimumSpeed) || !std::isfinite(speed)) {
        return std::nullopt;
    }
    const double cross = first[0] * second[1] - first[1] * second[0];
    const double kappa = cross / (speed * speed * speed);
    if (!std::isfinite(kappa)) {
        return std::nullopt;
    }
    return kappa;
}
