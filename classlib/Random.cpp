#include "classlib/Random.h"

#include <chrono>

namespace {

std::uint32_t state = 0;

// One step of a 32-bit linear congruential generator.
std::uint32_t next() {
    state = state * 1664525u + 1013904223u;
    return state;
}

}  // namespace

void Randomize() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count() ^
                       std::chrono::system_clock::now().time_since_epoch().count();
    state = static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

void SetRandSeed(std::uint32_t Seed) { state = Seed; }

std::uint32_t RandSeed() { return state; }

int Random(int Range) {
    if (Range <= 1) return 0;
    // The high bits of the state are the best distributed ones.
    return static_cast<int>((static_cast<std::uint64_t>(next()) * static_cast<std::uint32_t>(Range)) >> 32);
}
