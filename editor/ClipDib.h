// Readers of the editor's clipboard blocks: a packed DIB (header, bit masks, colour table,
// rows) as any program may put it there, and the selection mask block that goes with our
// own copies. Every count is checked against the block's real size before a byte is read.
#pragma once

#include "pixwerk/pixwerk.h"

#include <cstddef>
#include <cstdint>

namespace editor {

enum class TClipRead {
    Picture,      // `out` holds the picture
    NotAPicture,  // the block is damaged or of a kind the editor does not take
    OutOfMemory,  // a sound block whose picture could not be allocated
};

// Bytes of one row of `width` pixels of `bits` bits, padded to 4 bytes.
inline std::uint64_t DibRowBytes(std::uint64_t width, unsigned bits) { return (width * bits + 31) / 32 * 4; }

// A picture of 1, 4, 8 or 24 bits from a packed DIB of `size` bytes. The header may be any
// of the 40-byte or longer kinds (biSize tells); a short colour table (biClrUsed) is
// honoured, a negative height means rows stored top-down, 16- and 32-bit pixels (plain or
// with bit masks) become 24 bits. Compressed blocks and other depths are no picture.
TClipRead ReadClipDib(const void* block, std::size_t size, UniqueDib& out);

// The selection mask block: the 40-byte header of a 1-bit picture, two colour entries and 4
// bytes, then the rows. Taken only when it is a 1-bit picture of exactly width x height and
// the block holds all its rows; false otherwise (and `out` is left empty).
inline constexpr std::size_t ClipMaskHeadBytes = 52;
bool ReadClipMask(const void* block, std::size_t size, int width, int height, UniqueDib& out);

}  // namespace editor
