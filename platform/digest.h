// A fast 64-bit digest of a block of bytes: for telling whether pixels or a file are
// still the ones seen before (not for security).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

std::uint64_t contentDigest(const void* data, std::size_t size);

// The same digest over several pieces taken in order.
class ContentDigest {
public:
    ContentDigest();
    void add(const void* data, std::size_t size);
    std::uint64_t value() const;

private:
    void block(const unsigned char* p);
    std::uint64_t lanes_[4];
    unsigned char pending_[32];
    std::size_t pendingSize_ = 0;
    std::uint64_t total_ = 0;
};

}  // namespace platform
