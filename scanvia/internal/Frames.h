// Turning the frames a scanner delivers into a picture of the raster library.
#pragma once

#include "pixwerk/pixwerk.h"

#include <sane/sane.h>

#include <cstdint>
#include <vector>

namespace scanvia {

// One frame as read: its parameters and its bytes, row after row of bytes_per_line.
struct Frame {
    SANE_Parameters params{};
    std::vector<std::uint8_t> data;
};

// The picture of a complete scan: one RGB or grey frame, or the red, green and blue frames
// of a three-pass scan (in any order). Grey becomes 8 bits with a grey table, line art
// (grey, 1 bit, 1 = black) 1 bit with black (0) and white (1), colour 24 bits; 16-bit
// samples (in the machine's byte order) keep their upper 8 bits. A frame whose height was
// unknown (lines -1) is as high as its complete rows; a frame that ended early keeps the
// rows it has and the rest stays white. Bits is null for frames that do not make a
// picture or when memory runs out.
TDib assemblePicture(const std::vector<Frame>& frames);

}  // namespace scanvia
