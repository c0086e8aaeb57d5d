// Colour reduction of true-colour pictures to at most 256 colours, and bitmaps written as
// bitmap file images of 1, 4, 8 or 24 bits per pixel.
#pragma once

#include "classlib/Graphics.h"

#include <array>
#include <memory>
#include <vector>

enum TMappingMethod { mmHistogram, mmMedianCut, mmQuantize7R8G4B, mmQuantize6R6G6B, mmTripel, mmGrayscale };

// Used where no method is given.
extern TMappingMethod DefaultMappingMethod;

// A picture of 8-bit colour indexes: DIB rows (bottom-up, padded to 4 bytes) and their
// colour table. UsedColors is what the bitmap header reports (0: all 256).
struct TReducedPicture {
    int Width = 0;
    int Height = 0;
    int RowBytes = 0;
    std::vector<BYTE> Bits;
    std::array<RGBQUAD, 256> Colors{};
    int UsedColors = 0;
};

// The bytes of one DIB row of `width` pixels at `bitCount` bits, padded to 4 bytes.
constexpr int DibRowBytes(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

// Reductions of 24-bit DIB rows (blue, green, red; bottom-up, padded to 4 bytes).
// Histogram: the `colors` most frequent colours (2, 16 or 256), fewer bits per channel
// while more than 2,049 colours are met; the colour count found is reported.
TReducedPicture ReduceByHistogram(const BYTE* bits, int width, int height, int colors);
// Median cut over the cube of the top 4 bits of each channel, 256 boxes at most.
TReducedPicture ReduceByMedianCut(const BYTE* bits, int width, int height);
// Fixed palettes: 7 x 8 x 4 (224 colours) or 6 x 6 x 6 (216 colours) levels.
TReducedPicture ReduceToQuantize7R8G4B(const BYTE* bits, int width, int height);
TReducedPicture ReduceToQuantize6R6G6B(const BYTE* bits, int width, int height);
// One channel per pixel, chosen by (row + column) mod 3, on three ramps of 64 entries.
TReducedPicture ReduceToTripel(const BYTE* bits, int width, int height);
// 256 grey levels: (77 red + 150 green + 29 blue) / 256.
TReducedPicture ReduceToGrayscale(const BYTE* bits, int width, int height);
TReducedPicture ReduceColors(const BYTE* bits, int width, int height, TMappingMethod method);

// The channel level of a value on n equal-width bins: v x n / 256.
constexpr int LevelBin(int value, int levels) { return value * levels / 256; }

// The bitmap as a bitmap file image in a memory stream positioned at 0. A bitmap without
// an image raises EInvalidGraphic "Bitmap ist ungültig"; formats other than 1, 4, 8 and
// 24 bits raise ENotImplemented. 1 and 4 bits map to the nearest colours of the bitmap's own
// table when it fits, else of black and white or the 16 standard colours; 8 bits reduce
// with the method; 24 bits keep every colour.
std::unique_ptr<TMemoryStream> BitmapToDibStream(TBitmap* bitmap, TPixelFormat format, TMappingMethod method);
// The format for a colour count: up to 2 colours 1 bit, up to 16 4 bits, up to 256 8 bits,
// more 24 bits; with the default method.
TPixelFormat PixelFormatForColors(int colors);
std::unique_ptr<TMemoryStream> BitmapToDibStreamForColors(TBitmap* bitmap, int colors);
