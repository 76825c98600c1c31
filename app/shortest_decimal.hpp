#pragma once

// The shortest decimal text that reads back to a float bit for bit. The page's
// toolchain ships a standard library without floating-point std::to_chars, and
// printf's "%.9g" writes nine digits where one or two would do (a link of 128
// clicked points would be twice as long), so the shortest text is found here.

#include <cstddef>
#include <string>

// Room shortestDecimal's buffer form needs, terminating zero included.
constexpr std::size_t shortestDecimalRoom = 32;

// Writes to buffer (shortestDecimalRoom bytes) the shortest decimal that
// strtof reads back to v bit for bit, -0 included, as "%.*g" would write it
// for that precision (whole numbers below 2^24 without a point), and returns
// its length. Infinities and NaN come out as printf writes them.
std::size_t formatShortest(float v, char* buffer);

// The same as a string.
std::string shortestDecimal(float v);
