#include "support/rbf_reference.hpp"

#include <cmath>
#include <utility>

namespace tvtest {

namespace {

// Gaussian elimination with partial pivoting over three right-hand sides at
// once. A pivot below the matrix's scale times the precision counts as zero.
bool eliminate(std::vector<std::vector<long double>>& a, std::vector<LongPoint>& b) {
    const size_t n = a.size();
    long double scale = 0;
    for (const auto& row : a) {
        for (long double v : row) {
            scale = std::max(scale, std::fabs(v));
        }
    }
    const long double tiny = scale * 1e-30L;
    for (size_t col = 0; col < n; ++col) {
        size_t best = col;
        for (size_t r = col + 1; r < n; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[best][col])) {
                best = r;
            }
        }
        if (!(std::fabs(a[best][col]) > tiny)) {
            return false;
        }
        std::swap(a[col], a[best]);
        std::swap(b[col], b[best]);
        for (size_t r = col + 1; r < n; ++r) {
            const long double f = a[r][col] / a[col][col];
            for (size_t k = col; k < n; ++k) {
                a[r][k] -= f * a[col][k];
            }
            for (int c = 0; c < 3; ++c) {
                b[r][static_cast<size_t>(c)] -= f * b[col][static_cast<size_t>(c)];
            }
        }
    }
    for (size_t i = n; i-- > 0;) {
        for (int c = 0; c < 3; ++c) {
            long double v = b[i][static_cast<size_t>(c)];
            for (size_t k = i + 1; k < n; ++k) {
                v -= a[i][k] * b[k][static_cast<size_t>(c)];
            }
            b[i][static_cast<size_t>(c)] = v / a[i][i];
        }
    }
    return true;
}

long double power(long double x, int a) {
    long double p = 1;
    for (int i = 0; i < a; ++i) {
        p *= x;
    }
    return p;
}

}  // namespace

long double referencePhi(BasisKind kind, long double x, long double r) {
    const long double q = x * x + r * r;
    switch (kind) {
        case BasisKind::Mq1:
            return std::sqrt(q);
        case BasisKind::Mq3:
            return q * std::sqrt(q);
        case BasisKind::Gaussian:
            break;
    }
    return std::exp(-r * x * x);
}

RbfReference solveReference(const std::vector<long double>& centres, const Point3* points,
                            int degree, BasisKind kind, float shape) {
    RbfReference ref;
    ref.centres = centres;
    ref.degree = degree;
    ref.kind = kind;
    ref.shape = shape;
    const size_t n = centres.size();
    const size_t m = static_cast<size_t>(degree) + 1;
    std::vector<std::vector<long double>> a(n + m, std::vector<long double>(n + m, 0));
    std::vector<LongPoint> b(n + m, LongPoint{0, 0, 0});
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = 0; k < m; ++k) {
            a[m + i][k] = power(centres[i], static_cast<int>(k));
            a[k][m + i] = a[m + i][k];
        }
        for (size_t j = 0; j < n; ++j) {
            a[m + i][m + j] = referencePhi(kind, centres[i] - centres[j], shape);
        }
        b[m + i] = {points[i].x, points[i].y, points[i].z};
    }
    ref.solved = eliminate(a, b);
    ref.coefficients = b;
    return ref;
}

LongPoint RbfReference::at(long double u) const {
    LongPoint out{0, 0, 0};
    const size_t m = static_cast<size_t>(degree) + 1;
    for (size_t k = 0; k < coefficients.size(); ++k) {
        const long double f =
            k < m ? power(u, static_cast<int>(k)) : referencePhi(kind, u - centres[k - m], shape);
        for (size_t c = 0; c < 3; ++c) {
            out[c] += f * coefficients[k][c];
        }
    }
    return out;
}

LongPoint RbfReference::atFloatDistances(float u) const {
    LongPoint out{0, 0, 0};
    const size_t m = static_cast<size_t>(degree) + 1;
    for (size_t k = 0; k < coefficients.size(); ++k) {
        const float x = k < m ? 0.0f : u - static_cast<float>(centres[k - m]);
        const long double f = k < m ? power(u, static_cast<int>(k)) : referencePhi(kind, x, shape);
        for (size_t c = 0; c < 3; ++c) {
            out[c] += f * coefficients[k][c];
        }
    }
    return out;
}

double distance(const Point3& p, const LongPoint& q) {
    const long double dx = p.x - q[0];
    const long double dy = p.y - q[1];
    const long double dz = p.z - q[2];
    return static_cast<double>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

}  // namespace tvtest
