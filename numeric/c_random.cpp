#include "numeric/c_random.hpp"

namespace {

// The minimal standard generator's step, 16807 x mod (2^31 - 1), by Schrage's
// factorisation in the signed arithmetic the library uses, so that a seed
// above 2^31 (a negative first word) follows the same path.
std::int32_t minimalStandardStep(std::int32_t word) {
    const std::int32_t hi = word / 127773;
    const std::int32_t lo = word % 127773;
    std::int32_t next = 16807 * lo - 2836 * hi;
    if (next < 0) {
        next += 2147483647;
    }
    return next;
}

constexpr int discardedRounds = 10;

}  // namespace

void CRandom::seed(unsigned int s) {
    if (s == 0) {
        s = 1;
    }
    auto word = static_cast<std::int32_t>(s);
    state_[0] = static_cast<std::uint32_t>(word);
    for (int i = 1; i < words; ++i) {
        word = minimalStandardStep(word);
        state_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(word);
    }
    front_ = lag;
    rear_ = 0;
    for (int i = 0; i < discardedRounds * words; ++i) {
        next();
    }
}

int CRandom::next() {
    std::uint32_t& front = state_[static_cast<std::size_t>(front_)];
    front += state_[static_cast<std::size_t>(rear_)];
    const auto value = static_cast<int>(front >> 1);
    front_ = (front_ + 1) % words;
    rear_ = (rear_ + 1) % words;
    return value;
}
