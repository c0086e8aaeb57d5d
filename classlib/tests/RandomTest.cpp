// The shared random generator: repeatable from a seed, in range, evenly spread.
#include "classlib/Random.h"

#include <gtest/gtest.h>
#include <vector>

TEST(Random, ASeedRepeatsItsSequenceAndStaysInRange) {
    SetRandSeed(1234);
    std::vector<int> first;
    for (int i = 0; i < 100; ++i) first.push_back(Random(256));
    SetRandSeed(1234);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(Random(256), first[static_cast<std::size_t>(i)]);
    for (int v : first) {
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 256);
    }
    SetRandSeed(1235);
    int same = 0;
    for (int i = 0; i < 100; ++i) same += Random(256) == first[static_cast<std::size_t>(i)];
    EXPECT_LT(same, 10);
    EXPECT_EQ(Random(1), 0);
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
}

TEST(Random, NumbersSpreadEvenlyOverTheRange) {
    SetRandSeed(7);
    int counts[4] = {};
    for (int i = 0; i < 40000; ++i) ++counts[Random(4)];
    for (int c : counts) EXPECT_NEAR(c, 10000, 400);
    Randomize();
    const std::uint32_t a = RandSeed();
    Random(10);
    EXPECT_NE(RandSeed(), a);
}
