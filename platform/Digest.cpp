// Four independent multiply-rotate lanes over 32-byte blocks, folded at the end.
#include "platform/digest.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;

inline std::uint64_t rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

inline std::uint64_t load(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline std::uint64_t round(std::uint64_t acc, std::uint64_t input) {
    acc += input * kPrime2;
    return rotl(acc, 31) * kPrime1;
}

inline std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

}  // namespace

ContentDigest::ContentDigest()
    : lanes_{kPrime1 + kPrime2, kPrime2, 0, 0ull - kPrime1} {}

void ContentDigest::block(const unsigned char* p) {
    lanes_[0] = round(lanes_[0], load(p));
    lanes_[1] = round(lanes_[1], load(p + 8));
    lanes_[2] = round(lanes_[2], load(p + 16));
    lanes_[3] = round(lanes_[3], load(p + 24));
}

void ContentDigest::add(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    total_ += size;
    if (pendingSize_) {
        const std::size_t n = std::min(size, sizeof pending_ - pendingSize_);
        std::memcpy(pending_ + pendingSize_, p, n);
        pendingSize_ += n;
        p += n;
        size -= n;
        if (pendingSize_ < sizeof pending_) return;
        block(pending_);
        pendingSize_ = 0;
    }
    while (size >= 32) {
        block(p);
        p += 32;
        size -= 32;
    }
    std::memcpy(pending_, p, size);
    pendingSize_ = size;
}

std::uint64_t ContentDigest::value() const {
    std::uint64_t h = rotl(lanes_[0], 1) + rotl(lanes_[1], 7) + rotl(lanes_[2], 12) + rotl(lanes_[3], 18);
    h ^= total_ * kPrime3;
    for (std::size_t i = 0; i < pendingSize_; ++i) h = rotl(h ^ (pending_[i] * kPrime1), 11) * kPrime2;
    return mix(h);
}

std::uint64_t contentDigest(const void* data, std::size_t size) {
    ContentDigest d;
    d.add(data, size);
    return d.value();
}

}  // namespace platform
