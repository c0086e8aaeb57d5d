// Raising and lowering the colour depth of a picture: the standard palettes, the popularity
// quantiser, ordered dithering and the conversions both windows offer.
#pragma once

#include "poster/PictureOps.h"

#include <cstdint>

// The standard 16-colour palette and the standard 256-colour palette (the twenty static
// colours around 236 further ones).
const PALETTEENTRY* StandardPalette16();
const PALETTEENTRY* StandardPalette256();

// How a picture is reduced (the reduction dialogs' choices).
struct TColourReduction {
    enum Method { Nearest = 0, ErrorDiffusion = 1, Ordered = 2 };
    int Method = ErrorDiffusion;  // Ordered: 8 bits with the standard palette only
    bool Optimized = true;        // the most frequent colours, else the standard palette
    bool Merge = true;            // 8 bits: the popular colours inside the 20 static ones
    int Count = 64;               // the free reduction's number of colours (2..256)
};

// Fills Table with Count colours (at most 256), the most frequent first: each component is
// reduced by Shift bits (5 for 16-colour targets, 4 for 256-colour ones) and counted in a
// histogram of 32,768 16-bit counters, which is halved whenever one would overflow.
// Colours that do not occur follow with a count of 0.
void BuildPopularityPalette(TDib Picture, int Count, int Shift, PALETTEENTRY* Table, const TProgressSink& Progress = {});

// Sorts Counters[Lo..Hi] ascending, moving Codes along (quick-sort, pivot in the middle).
void SortColourHistogram(std::uint16_t* Counters, std::uint16_t* Codes, int Lo, int Hi);

// The picture raised to Bits (4 to 8, 1 to 4, 1 to 8, 1 to 24, 4 to 24, 8 to 24), with
// random colours (from the program's random generator) in palette entries the old picture
// had none for. Empty for any other pair or when memory runs out: the caller keeps the old.
UniqueDib DepthUpTo(TDib Dib, int Bits, const TProgressSink& Progress = {});

// The picture lowered to Bits (1, 4 or 8; 0 is the free reduction to How.Count colours,
// 8 bits above 16 colours, else 4 bits). Empty when Bits is not below the picture's depth
// or memory runs out: the caller keeps the old picture.
UniqueDib DepthDownTo(TDib Dib, int Bits, const TColourReduction& How, const TProgressSink& Progress = {});

// The standard-palette index that ordered dithering gives a colour at column x of stored
// row y (counted from the bottom).
BYTE OrderedDitherIndex(int Red, int Green, int Blue, int X, int Y);
