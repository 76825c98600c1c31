#include "numeric/c_random.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

// The reference is the C library this suite runs on: the program's own copy
// must give its sequence, unseeded and for seeds across the whole range.
TEST(CRandom, GivesTheCLibrarySequence) {
    static_assert(CRandom::maxValue == RAND_MAX);
    constexpr int count = 5000;
    CRandom unseeded;
    std::srand(1);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(unseeded.next(), std::rand()) << "unseeded, value " << i;
    }
    const unsigned int seeds[] = {0u,      1u,          2u,          7u,          11u,
                                  127773u, 2147483647u, 2147483648u, 3000000000u, UINT_MAX};
    for (unsigned int s : seeds) {
        CRandom ours;
        ours.seed(s);
        std::srand(s);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(ours.next(), std::rand()) << "seed " << s << ", value " << i;
        }
    }
}

// Reseeding starts the sequence over, whatever was drawn before.
TEST(CRandom, ReseedingRestarts) {
    CRandom r;
    r.seed(42);
    const int first = r.next();
    const int second = r.next();
    r.next();
    r.seed(42);
    EXPECT_EQ(r.next(), first);
    EXPECT_EQ(r.next(), second);
}
