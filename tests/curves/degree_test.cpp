#include "curves/degree.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using Vec3 = std::array<double, 3>;

// Curve point by repeated linear interpolation, in double precision.
Vec3 deCasteljau(std::vector<Vec3> q, double t) {
    for (size_t level = 1; level < q.size(); ++level) {
        for (size_t j = 0; j + level < q.size(); ++j) {
            for (int c = 0; c < 3; ++c) {
                q[j][c] = (1 - t) * q[j][c] + t * q[j + 1][c];
            }
        }
    }
    return q[0];
}

// A polygon in single precision, as the program keeps it, with its count.
struct Polygon {
    ControlPolygon points{};
    int count = 0;

    Polygon() = default;
    explicit Polygon(const std::vector<Vec3>& from) : count(static_cast<int>(from.size())) {
        for (size_t i = 0; i < from.size(); ++i) {
            points[i] = {static_cast<float>(from[i][0]), static_cast<float>(from[i][1]),
                         static_cast<float>(from[i][2])};
        }
    }
    std::vector<Vec3> asVec3() const {
        std::vector<Vec3> out;
        for (int i = 0; i < count; ++i) {
            out.push_back({points[i].x, points[i].y, points[i].z});
        }
        return out;
    }
    // The polygon raised by one degree; unchanged when it cannot be raised.
    Polygon elevated() const {
        Polygon raised;
        raised.count = elevateDegree(points.data(), count, raised.points.data());
        return raised.count > 0 ? raised : *this;
    }
    std::array<Point3, maxPoints> reduced(double alpha) const {
        std::array<Point3, maxPoints> out{};
        reduceDegree(points.data(), count, alpha, out.data());
        return out;
    }
};

void expectNear(const Point3& got, const Vec3& want, double tol, const char* what) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(got[c], want[c], tol) << what << " coordinate " << c;
    }
}

// A polygon of no particular shape: a curve of full degree.
const std::vector<Vec3> wiggly = {
    {100, 120, -30}, {180, 480, 55}, {330, 90, 10}, {460, 510, -75}, {700, 260, 40}};

TEST(Degree, ElevatesTwoAndThreePointsByHand) {
    const Vec3 p0{100, 200, 8}, p1{400, 500, -16}, p2{700, 140, 32};
    struct Case {
        std::vector<Vec3> before;
        std::vector<Vec3> after;
    };
    const Case cases[] = {
        {{p0, p1}, {p0, {250, 350, -4}, p1}},
        {{p0, p1, p2}, {p0, {300, 400, -8}, {500, 380, 0}, p2}},
    };
    for (const Case& c : cases) {
        const Polygon before(c.before);
        Polygon after;
        after.count = elevateDegree(before.points.data(), before.count, after.points.data());
        ASSERT_EQ(after.count, static_cast<int>(c.after.size()));
        for (size_t i = 0; i < c.after.size(); ++i) {
            expectNear(after.points[i], c.after[i], 1e-3, "elevated");
        }
    }
}

TEST(Degree, ElevatedPolygonDrawsTheSameCurve) {
    const Polygon thrice = Polygon(wiggly).elevated().elevated().elevated();
    ASSERT_EQ(thrice.count, 8);
    const std::vector<Vec3> raised = thrice.asVec3();
    for (int k = 0; k <= 40; ++k) {
        const double t = k / 40.0;
        const Vec3 want = deCasteljau(wiggly, t);
        const Vec3 got = deCasteljau(raised, t);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(got[c], want[c], 1e-3) << "t " << t;
        }
    }
}

TEST(Degree, ElevationStaysBelowCapacity) {
    for (int n : {0, 126, 127, 128}) {
        Polygon line;
        line.count = n;
        for (int i = 0; i < maxPoints; ++i) {
            line.points[i] = {static_cast<float>(i), 2.0f * static_cast<float>(i), 1};
        }
        std::array<Point3, maxPoints> out{};
        out.fill({-1, -1, -1});
        const int count = elevateDegree(line.points.data(), n, out.data());
        if (n == 126) {
            EXPECT_EQ(count, 127);
            // Points on a line at equal steps stay on it at equal steps.
            EXPECT_NEAR(out[63].x, 63.0f * 125.0f / 126.0f, 1e-3);
            EXPECT_EQ(out[126].x, 125.0f);
            EXPECT_EQ(out[127].x, -1.0f);
            continue;
        }
        EXPECT_EQ(count, 0) << n;
        EXPECT_EQ(out[0].x, -1.0f) << n;
    }
}

// Points along a gentle arc across the window with depths of no pattern, as a
// student might click them.
std::vector<Vec3> arc(int n) {
    std::vector<Vec3> out;
    for (int i = 0; i < n; ++i) {
        const double s = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
        out.push_back({100 + 600 * s, 250 + 180 * std::sin(M_PI * s), (i * 37 % 101) - 50.0});
    }
    return out;
}

// Every weight the keys reach, from h's floor to the family's far end.
const double reachableAlphas[] = {-0.99999, -0.999, -0.5, 0.0, 0.25, 1.0, 99.0};

TEST(Degree, ReducingAnElevatedPolygonGivesItBackAtEverySize) {
    for (int n = 2; n < maxPoints - 1; ++n) {  // 127 points after elevation at most
        for (double alpha : reachableAlphas) {
            const Polygon given(arc(n));
            const std::vector<Vec3> before = given.asVec3();
            const std::array<Point3, maxPoints> out = given.elevated().reduced(alpha);
            for (int i = 0; i < n; ++i) {
                for (int c = 0; c < 3; ++c) {
                    ASSERT_NEAR(out[i][c], before[i][c], 1e-3)
                        << n << " points, alpha " << alpha << ", point " << i;
                }
            }
        }
    }
}

// Three points (0, 0, 1) describe t^2. Its best line under (4t(1-t))^alpha
// is t - 1/4 + m, m the weighted mean of (t - 1/2)^2, which is
// 1 / (4 (2 alpha + 3)): control points -1/4 + m and 3/4 + m. A straight
// polygon at equal steps is its own reduction.
TEST(Degree, ParabolaReducesToItsWorkedBestLine) {
    for (double alpha : reachableAlphas) {
        const double m = 1.0 / (4.0 * (2.0 * alpha + 3.0));
        const std::array<Point3, maxPoints> out =
            Polygon({{100, 100, 0}, {100, 200, 0}, {500, 300, 0}}).reduced(alpha);
        expectNear(out[0], {100 + 400 * (m - 0.25), 100, 0}, 1e-4, "first");
        expectNear(out[1], {100 + 400 * (m + 0.75), 300, 0}, 1e-4, "second");
    }
}

// log of C(a, k) for real a > k - 1.
long double logChoose(long double a, long double k) {
    return std::lgamma(a + 1) - std::lgamma(k + 1) - std::lgamma(a - k + 1);
}

// The defining property, checked without the route the code takes: the
// residual between the given curve and its reduction is orthogonal under
// (t(1-t))^alpha to every Bernstein polynomial of the lower degree. The
// integrals of products of Bernstein polynomials are beta functions, taken
// here in long double; each inner product is measured against that of a
// uniform one-pixel error, so the bound reads in pixels.
TEST(Degree, ResidualIsOrthogonalToTheLowerDegree) {
    for (int count : {6, 12, 24, 40}) {
        for (double alpha : reachableAlphas) {
            const std::vector<Vec3> polygon = arc(count);
            const std::array<Point3, maxPoints> out = Polygon(polygon).reduced(alpha);
            const int n = count - 1;
            // Residual coefficients in degree n: P - elevation of the reduction.
            std::vector<std::array<long double, 3>> r(static_cast<size_t>(count));
            for (int q = 0; q <= n; ++q) {
                for (int c = 0; c < 3; ++c) {
                    const long double lower = q > 0 ? out[q - 1][c] : 0.0L;
                    const long double upper = q < n ? out[q][c] : 0.0L;
                    r[q][c] = static_cast<long double>(polygon[q][c]) -
                              (static_cast<long double>(q) * lower +
                               static_cast<long double>(n - q) * upper) /
                                  n;
                }
            }
            const long double a = alpha;
            for (int k = 0; k < n; ++k) {
                std::array<long double, 3> inner{};
                long double unit = 0;  // inner product of the residual 1 everywhere
                for (int q = 0; q <= n; ++q) {
                    // C(n, q) C(n-1, k) B(q + k + a + 1, 2n - 1 - q - k + a + 1)
                    const long double x = q + k + a + 1;
                    const long double y = 2 * n - 1 - q - k + a + 1;
                    const long double integral =
                        std::exp(logChoose(n, q) + logChoose(n - 1, k) + std::lgamma(x) +
                                 std::lgamma(y) - std::lgamma(x + y));
                    unit += integral;
                    for (int c = 0; c < 3; ++c) {
                        inner[c] += r[q][c] * integral;
                    }
                }
                for (int c = 0; c < 3; ++c) {
                    EXPECT_LT(std::fabs(static_cast<double>(inner[c] / unit)), 1e-3)
                        << count << " points, alpha " << alpha << ", k " << k;
                }
            }
        }
    }
}

// Gauss-Legendre nodes and weights on [-1, 1], by Newton's method on P_n.
void gaussLegendre(int n, std::vector<double>& x, std::vector<double>& w) {
    x.assign(static_cast<size_t>(n), 0);
    w.assign(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        double z = std::cos(M_PI * (i + 0.75) / (n + 0.5));
        double dp = 0;
        for (int iter = 0; iter < 100; ++iter) {
            double p0 = 1, p1 = z;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2 * k - 1) * z * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            dp = n * (z * p1 - p0) / (z * z - 1);
            const double step = p1 / dp;
            z -= step;
            if (std::fabs(step) < 1e-15) {
                break;
            }
        }
        x[static_cast<size_t>(i)] = z;
        w[static_cast<size_t>(i)] = 2 / ((1 - z * z) * dp * dp);
    }
}

// Weighted least-squares fit of a Bezier curve by one of lower degree,
// worked out without elevation matrices or beta functions: the normal
// equations in the Bernstein basis of the lower degree, integrated by
// quadrature after t = sin^2(theta), which turns (4t(1-t))^alpha dt into
// sin(2 theta)^(2 alpha + 1) d theta and tames the ends of the interval.
std::vector<Vec3> leastSquaresFit(const std::vector<Vec3>& points, double alpha) {
    const int m = static_cast<int>(points.size()) - 1;
    const int degree = m - 1;
    std::vector<std::vector<double>> a(static_cast<size_t>(m),
                                       std::vector<double>(static_cast<size_t>(m + 3), 0.0));
    std::vector<double> gx, gw;
    gaussLegendre(12, gx, gw);
    const int panels = 400;
    const double h = M_PI / 2 / panels;
    for (int panel = 0; panel < panels; ++panel) {
        for (size_t g = 0; g < gx.size(); ++g) {
            const double theta = h * (panel + (gx[g] + 1) / 2);
            const double weight = gw[g] * h / 2 * std::pow(std::sin(2 * theta), 2 * alpha + 1);
            const double t = std::sin(theta) * std::sin(theta);
            std::vector<double> basis(static_cast<size_t>(m));
            for (int k = 0; k < m; ++k) {
                double c = 1;
                for (int f = 0; f < k; ++f) {
                    c = c * (degree - f) / (f + 1);
                }
                basis[static_cast<size_t>(k)] = c * std::pow(t, k) * std::pow(1 - t, degree - k);
            }
            const Vec3 curve = deCasteljau(points, t);
            for (size_t k = 0; k < basis.size(); ++k) {
                for (size_t l = 0; l < basis.size(); ++l) {
                    a[k][l] += weight * basis[k] * basis[l];
                }
                for (size_t c = 0; c < 3; ++c) {
                    a[k][basis.size() + c] += weight * basis[k] * curve[c];
                }
            }
        }
    }
    // Gaussian elimination with partial pivoting on the augmented system.
    const size_t n = a.size();
    for (size_t col = 0; col < n; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < n; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) {
                pivot = r;
            }
        }
        std::swap(a[col], a[pivot]);
        for (size_t r = 0; r < n; ++r) {
            if (r == col) {
                continue;
            }
            const double f = a[r][col] / a[col][col];
            for (size_t c = col; c < n + 3; ++c) {
                a[r][c] -= f * a[col][c];
            }
        }
    }
    std::vector<Vec3> out(n);
    for (size_t r = 0; r < n; ++r) {
        for (size_t c = 0; c < 3; ++c) {
            out[r][c] = a[r][n + c] / a[r][r];
        }
    }
    return out;
}

TEST(Degree, ReductionIsTheWeightedLeastSquaresFit) {
    const std::vector<std::vector<Vec3>> polygons = {
        wiggly, {{120, 90, 0}, {640, 520, 20}, {90, 470, -20}},  // a parabola becomes a segment
    };
    for (const auto& polygon : polygons) {
        for (double alpha : {-0.5, 0.0, 0.25, 1.0, 2.5}) {
            const std::array<Point3, maxPoints> out = Polygon(polygon).reduced(alpha);
            const std::vector<Vec3> want = leastSquaresFit(polygon, alpha);
            for (size_t i = 0; i < want.size(); ++i) {
                expectNear(out[i], want[i], 1e-3, alpha == 0.25 ? "alpha 0.25" : "alpha");
            }
        }
    }
}

TEST(Degree, ReductionWritesOnlyWhatItMay) {
    // Fewer than three points, or more than capacity: the output stays as it was.
    std::vector<Point3> given(maxPoints + 1);
    for (int i = 0; i <= maxPoints; ++i) {
        given[i] = {static_cast<float>(i), 0, 0};
    }
    for (int n : {0, 1, 2, maxPoints + 1}) {
        std::array<Point3, maxPoints> out{};
        out.fill({-7, -7, -7});
        reduceDegree(given.data(), n, 0.0, out.data());
        for (const Point3& p : out) {
            EXPECT_EQ(p.x, -7.0f) << n;
        }
    }
    // At full capacity exactly 127 points are written: a straight line at
    // equal steps is its own reduction, whatever the weight.
    std::array<Point3, maxPoints> out{};
    out.fill({-7, -7, -7});
    reduceDegree(given.data(), maxPoints, 0.0, out.data());
    EXPECT_EQ(out[maxPoints - 1].x, -7.0f);
    EXPECT_NE(out[maxPoints - 2].x, -7.0f);
}

}  // namespace
