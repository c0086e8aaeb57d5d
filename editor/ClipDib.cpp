// Reading DIB and selection mask blocks from the clipboard.
#include "editor/ClipDib.h"
#include "editor/PixelRows.h"

#include <array>
#include <cstring>
#include <limits>
#include <vector>

namespace editor {

namespace {

constexpr std::size_t kInfoHeaderBytes = sizeof(BITMAPINFOHEADER);  // 40

// One colour channel given by a bit mask: its shift and its largest value.
struct Channel {
    unsigned shift = 0;
    std::uint32_t max = 0;
};

// False for an empty mask or one whose bits are not contiguous.
bool channelOf(std::uint32_t mask, Channel& c) {
    if (mask == 0) return false;
    unsigned shift = 0;
    while (!((mask >> shift) & 1u)) ++shift;
    const std::uint32_t bits = mask >> shift;
    if (bits & (bits + 1)) return false;  // a gap inside the mask
    c.shift = shift;
    c.max = bits;
    return true;
}

BYTE sample(std::uint32_t pixel, std::uint32_t mask, const Channel& c) {
    const std::uint64_t v = (pixel & mask) >> c.shift;
    return static_cast<BYTE>((v * 255 + c.max / 2) / c.max);
}

std::uint32_t le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

}  // namespace

TClipRead ReadClipDib(const void* block, std::size_t size, UniqueDib& out) {
    out.reset();
    const auto* bytes = static_cast<const BYTE*>(block);
    if (!bytes || size < kInfoHeaderBytes) return TClipRead::NotAPicture;
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes, sizeof h);
    if (h.biSize < kInfoHeaderBytes || h.biSize > size) return TClipRead::NotAPicture;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min())
        return TClipRead::NotAPicture;
    const bool topDown = h.biHeight < 0;
    const std::int64_t width = h.biWidth, height = topDown ? -std::int64_t(h.biHeight) : h.biHeight;
    const unsigned bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return TClipRead::NotAPicture;
    const bool direct = bits == 16 || bits == 32;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && direct)) return TClipRead::NotAPicture;

    std::uint64_t offset = h.biSize;
    std::array<std::uint32_t, 3> masks = bits == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                                    : std::array<std::uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF};
    if (h.biCompression == BI_BITFIELDS) {
        // Longer headers hold the masks; the 40-byte one is followed by them.
        const std::uint64_t at = h.biSize >= kInfoHeaderBytes + 12 ? kInfoHeaderBytes : h.biSize;
        if (at + 12 > size) return TClipRead::NotAPicture;
        for (int i = 0; i < 3; ++i) masks[static_cast<std::size_t>(i)] = le32(bytes + at + 4 * i);
        if (at == h.biSize) offset += 12;
    }
    std::array<Channel, 3> channels;
    if (direct) {
        const std::uint32_t all = bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (int i = 0; i < 3; ++i)
            if ((masks[static_cast<std::size_t>(i)] & ~all) ||
                !channelOf(masks[static_cast<std::size_t>(i)], channels[static_cast<std::size_t>(i)]))
                return TClipRead::NotAPicture;
    }

    // The table takes biClrUsed entries (all that the depth can index when 0); pictures of
    // more than 8 bits carry one only when biClrUsed says so.
    const std::uint64_t depthEntries = bits <= 8 ? 1u << bits : 0;
    const std::uint64_t tableEntries = h.biClrUsed ? h.biClrUsed : depthEntries;
    if (tableEntries > (size - std::min<std::uint64_t>(offset, size)) / sizeof(RGBQUAD)) return TClipRead::NotAPicture;
    const std::uint64_t tableAt = offset;
    offset += tableEntries * sizeof(RGBQUAD);
    const std::uint64_t line = DibRowBytes(static_cast<std::uint64_t>(width), bits);
    if (offset > size || line == 0 || static_cast<std::uint64_t>(height) > (size - offset) / line)
        return TClipRead::NotAPicture;
    if (width > std::numeric_limits<int>::max() || height > std::numeric_limits<int>::max())
        return TClipRead::NotAPicture;

    const int outBits = bits <= 8 ? static_cast<int>(bits) : 24;
    const int used = static_cast<int>(std::min(tableEntries, depthEntries));
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    if (used > 0) std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), bytes + tableAt, std::size_t(used) * sizeof(RGBQUAD));
    for (int i = 0; i < used; ++i) info[sizeof(BITMAPINFOHEADER) + 4 * std::size_t(i) + 3] = 0;
    // Entries past a short table stay black.
    newdib(out.out(), static_cast<int>(width), static_cast<int>(height), outBits,
           depthEntries ? reinterpret_cast<const BITMAPINFO*>(info.data()) : nullptr, static_cast<int>(depthEntries));
    if (!out) return TClipRead::OutOfMemory;

    const PixelRows dst(out.get());
    const BYTE* rows = bytes + offset;
    const int w = static_cast<int>(width), hgt = static_cast<int>(height);
    for (int y = 0; y < hgt; ++y) {
        const BYTE* src = rows + static_cast<std::size_t>(topDown ? y : hgt - 1 - y) * line;
        BYTE* row = dst.row(y);
        if (!direct) {
            std::memcpy(row, src, static_cast<std::size_t>(line));
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = bits == 16 ? std::uint32_t(src[2 * x] | src[2 * x + 1] << 8) : le32(src + 4 * x);
            row[3 * x + 2] = sample(p, masks[0], channels[0]);
            row[3 * x + 1] = sample(p, masks[1], channels[1]);
            row[3 * x] = sample(p, masks[2], channels[2]);
        }
    }
    return TClipRead::Picture;
}

bool ReadClipMask(const void* block, std::size_t size, int width, int height, UniqueDib& out) {
    out.reset();
    const auto* bytes = static_cast<const BYTE*>(block);
    if (!bytes || size < ClipMaskHeadBytes || width <= 0 || height <= 0) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes, sizeof h);
    if (h.biBitCount != 1 || h.biWidth != width || h.biHeight != height || h.biCompression != BI_RGB) return false;
    // The row count comes from the size, never from the block's own biSizeImage.
    const std::uint64_t line = DibRowBytes(static_cast<std::uint64_t>(width), 1);
    if (static_cast<std::uint64_t>(height) > (size - ClipMaskHeadBytes) / line) return false;
    newdib(out.out(), width, height, 1, nullptr, 0);
    if (!out) return false;
    const PixelRows m(out.get());
    std::memcpy(m.bits(), bytes + ClipMaskHeadBytes, m.imageBytes());
    return true;
}

}  // namespace editor
