#pragma once

#include <array>
#include <cstdint>

// The sequence of the GNU C library's rand() and srand(): its additive
// feedback generator x[i] = x[i - 3] + x[i - 31] (mod 2^32) over 31 words of
// state, filled from the seed by the minimal standard generator, with the
// first 310 outputs thrown away and the lowest bit of every output dropped.
// The program carries its own copy so that every build, the browser's
// included, places new points at the same depths; the desktop's C library
// serves as the reference in the tests.
class CRandom {
  public:
    static constexpr int maxValue = 2147483647;  // RAND_MAX of that library

    // As never seeded: the library's rand() starts as if seeded with 1.
    CRandom() { seed(1); }

    // As srand(s); a seed of 0 is taken as 1.
    void seed(unsigned int s);

    // The next value in 0 .. maxValue, as rand().
    int next();

  private:
    static constexpr int words = 31;
    static constexpr int lag = 3;
    std::array<std::uint32_t, words> state_{};
    int front_ = lag;
    int rear_ = 0;
};
