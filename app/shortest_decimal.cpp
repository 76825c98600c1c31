#include "app/shortest_decimal.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "curves/geometry.hpp"

namespace {

// Nine significant digits bring every float back (FLT_DECIMAL_DIG).
constexpr int maxSignificantDigits = 9;
// Whole numbers below 2^24 are floats exactly; clicks and depths give them.
constexpr float wholeLimit = 16777216.0f;
constexpr std::size_t scratchSize = shortestDecimalRoom;

// Positive powers of ten, made by multiplication at compile time: exact up to
// 10^22 and within a few units in the last place beyond, which the candidate
// digits below tolerate, since every text is read back before it is kept.
constexpr int maxPowerOfTen = 64;
constexpr std::array<double, maxPowerOfTen + 1> powersOfTen = [] {
    std::array<double, maxPowerOfTen + 1> p{};
    p[0] = 1.0;
    for (int k = 1; k <= maxPowerOfTen; ++k) {
        p[static_cast<std::size_t>(k)] = p[static_cast<std::size_t>(k - 1)] * 10.0;
    }
    return p;
}();

// a * 10^k for |k| <= 64; a negative k divides, which rounds once.
double timesPowerOfTen(double a, int k) {
    return k >= 0 ? a * powersOfTen[static_cast<std::size_t>(k)]
                  : a / powersOfTen[static_cast<std::size_t>(-k)];
}

// Writes the decimal digits * 10^(x - precision + 1) as "%.*g" writes it for
// that precision: fixed notation for exponents x from -4 to below the
// precision, else one digit, the rest after the point, and an exponent of at
// least two digits; no trailing zeros. Returns the length.
std::size_t writeDecimal(bool negative, std::uint32_t digits, int precision, int x, char* out) {
    int count = precision;
    while (count > 1 && digits % 10 == 0) {
        digits /= 10;
        --count;
    }
    char d[maxSignificantDigits];
    for (int i = count - 1; i >= 0; --i) {
        d[i] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    char* p = out;
    if (negative) {
        *p++ = '-';
    }
    const auto copy = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            *p++ = d[i];
        }
    };
    if (x >= -4 && x < precision) {
        if (x < 0) {
            *p++ = '0';
            *p++ = '.';
            for (int i = 0; i < -x - 1; ++i) {
                *p++ = '0';
            }
            copy(0, count);
        } else {
            copy(0, std::min(count, x + 1));
            for (int i = count; i < x + 1; ++i) {
                *p++ = '0';
            }
            if (count > x + 1) {
                *p++ = '.';
                copy(x + 1, count);
            }
        }
    } else {
        copy(0, 1);
        if (count > 1) {
            *p++ = '.';
            copy(1, count);
        }
        *p++ = 'e';
        *p++ = x < 0 ? '-' : '+';
        const int e = std::abs(x);
        if (e < 10) {
            *p++ = '0';
        }
        p = std::to_chars(p, out + scratchSize, e).ptr;
    }
    return static_cast<std::size_t>(p - out);
}

// The first precision whose nearest decimal reads back to v, found with
// double arithmetic: one printf-style conversion costs as much as all nine
// candidates, and encoding a full record converts some 1,500 numbers. The
// candidate text is then read back by strtof, so a rounding slip in the
// doubles can make it longer or send it to the slow path, never inexact.
// Nothing for v zero, infinite or NaN.
std::optional<std::size_t> formatFromCandidates(float v, char* buffer) {
    const float a = std::fabs(v);
    if (!std::isfinite(a) || a == 0.0f) {
        return std::nullopt;
    }
    const double ad = a;
    int x = static_cast<int>(std::floor(std::log10(ad)));
    const double leading = timesPowerOfTen(ad, -x);
    if (leading >= 10.0) {
        ++x;
    } else if (leading < 1.0) {
        --x;
    }
    for (int precision = 1; precision <= maxSignificantDigits; ++precision) {
        int px = x;
        double digits = std::nearbyint(timesPowerOfTen(ad, precision - 1 - px));
        // Rounding up 9.99... carries into one more digit.
        if (digits >= powersOfTen[static_cast<std::size_t>(precision)]) {
            ++px;
            digits = std::nearbyint(timesPowerOfTen(ad, precision - 1 - px));
        }
        if (static_cast<float>(timesPowerOfTen(digits, px - precision + 1)) != a) {
            continue;
        }
        const std::size_t length = writeDecimal(std::signbit(v), static_cast<std::uint32_t>(digits),
                                                precision, px, buffer);
        buffer[length] = '\0';
        if (sameBits(std::strtof(buffer, nullptr), v)) {
            return length;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::size_t formatShortest(float v, char* buffer) {
    if (std::fabs(v) < wholeLimit && v == std::trunc(v)) {
        char* p = buffer;
        if (std::signbit(v)) {
            *p++ = '-';
        }
        const long whole = static_cast<long>(std::fabs(v));
        return static_cast<std::size_t>(std::to_chars(p, buffer + scratchSize, whole).ptr - buffer);
    }
    if (const std::optional<std::size_t> length = formatFromCandidates(v, buffer)) {
        return *length;
    }
    // The definition itself, for what the candidates could not settle (and
    // for infinities and NaN, which no reader accepts).
    int length = 0;
    for (int precision = 1; precision <= maxSignificantDigits; ++precision) {
        length = std::snprintf(buffer, scratchSize, "%.*g", precision, static_cast<double>(v));
        if (sameBits(std::strtof(buffer, nullptr), v)) {
            break;
        }
    }
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

std::string shortestDecimal(float v) {
    char buffer[scratchSize];
    return std::string(buffer, formatShortest(v, buffer));
}
