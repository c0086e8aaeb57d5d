// The program's one random generator, as the class library offers it: seeded from the
// clock by Randomize, or with a fixed seed (tests). Used on the user-interface thread only.
#pragma once

#include <cstdint>

// Seeds the generator from the clock.
void Randomize();
// The seed the next numbers follow; setting it makes the sequence repeat.
void SetRandSeed(std::uint32_t Seed);
std::uint32_t RandSeed();
// A number from 0 to Range - 1 (0 when Range is 1 or less).
int Random(int Range);
