// The LZW coding of GIF image data: the minimum code size byte, the data sub-blocks and
// their zero-length terminator, to and from DIB rows of 1, 4 or 8 bits per pixel.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace gif {

// Pixel rows of a frame: bottom-up DIB rows of `bitCount` (1, 4 or 8) bits, padded to 4 bytes.
struct FrameRows {
    BYTE* Bits = nullptr;
    int Width = 0;
    int Height = 0;
    int BitCount = 8;
    int RowBytes = 0;
    bool Interlaced = false;
};

enum class DecodeResult { Complete, Corrupted };

// Decodes into zeroed rows; every pixel is masked to `bitsPerPixel`. Damage (a code size
// outside 2 to 9, a code that names no string, a string longer than 4,096, data that end
// before the rows are filled) gives Corrupted when `tolerant` (decoding stops there, the
// code size is clamped); otherwise it raises EInvalidGraphicOperation with the GIF texts.
// `progress` gets the share of the data read in per cent, whenever it grows.
DecodeResult DecodeLzw(const BYTE* data, std::size_t size, int bitsPerPixel, FrameRows rows, bool tolerant,
                       const std::function<void(int)>& progress = {});

// Encodes the rows: code width bits + 1 (3 for 1 bit), a clear code first, a clear code
// when the table reaches 4,094 codes, sub-blocks of 255 bytes. `progress` gets the share
// of rows done in per cent after each row.
std::vector<BYTE> EncodeLzw(const FrameRows& rows, const std::function<void(int)>& progress = {});

// The four GIF passes of an interlaced image: the top-down row of the n-th row stored.
class RowOrder {
public:
    RowOrder(int height, bool interlaced);
    int Row() const { return row_; }
    bool Done() const { return done_ >= height_; }
    void Next();

private:
    int height_;
    bool interlaced_;
    int pass_ = 0;
    int row_ = 0;
    int done_ = 0;
};

}  // namespace gif
