#include "poster/ColourDepth.h"

#include "classlib/Random.h"
#include "platform/gdi.h"
#include "poster/Dither.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

using namespace picops;

// clang-format off
const PALETTEENTRY standard16[16] = {
    {0, 0, 0, 0}, {128, 0, 0, 0}, {0, 128, 0, 0}, {128, 128, 0, 0}, {0, 0, 128, 0}, {128, 0, 128, 0},
    {0, 128, 128, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {255, 255, 0, 0},
    {0, 0, 255, 0}, {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0},
};

const PALETTEENTRY standard256[256] = {
    {0, 0, 0, 0}, {128, 0, 0, 0}, {0, 128, 0, 0}, {128, 128, 0, 0}, {0, 0, 128, 0}, {128, 0, 128, 0},
    {0, 128, 128, 0}, {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0}, {4, 4, 4, 0}, {8, 8, 8, 0},
    {12, 12, 12, 0}, {17, 17, 17, 0}, {22, 22, 22, 0}, {28, 28, 28, 0}, {34, 34, 34, 0}, {41, 41, 41, 0},
    {85, 85, 85, 0}, {77, 77, 77, 0}, {66, 66, 66, 0}, {57, 57, 57, 0}, {129, 129, 129, 0}, {129, 0, 0, 0},
    {0, 129, 0, 0}, {129, 129, 0, 0}, {0, 0, 129, 0}, {129, 0, 129, 0}, {0, 129, 129, 0}, {51, 0, 0, 0},
    {102, 0, 0, 0}, {153, 0, 0, 0}, {204, 0, 0, 0}, {0, 51, 0, 0}, {51, 51, 0, 0}, {102, 51, 0, 0},
    {153, 51, 0, 0}, {204, 51, 0, 0}, {255, 51, 0, 0}, {0, 102, 0, 0}, {51, 102, 0, 0}, {102, 102, 0, 0},
    {153, 102, 0, 0}, {204, 102, 0, 0}, {255, 102, 0, 0}, {0, 153, 0, 0}, {51, 153, 0, 0}, {102, 153, 0, 0},
    {153, 153, 0, 0}, {204, 153, 0, 0}, {255, 153, 0, 0}, {0, 204, 0, 0}, {51, 204, 0, 0}, {102, 204, 0, 0},
    {153, 204, 0, 0}, {204, 204, 0, 0}, {255, 204, 0, 0}, {102, 255, 0, 0}, {153, 255, 0, 0}, {204, 255, 0, 0},
    {0, 0, 51, 0}, {51, 0, 51, 0}, {102, 0, 51, 0}, {153, 0, 51, 0}, {204, 0, 51, 0}, {255, 0, 51, 0},
    {0, 51, 51, 0}, {51, 51, 51, 0}, {102, 51, 51, 0}, {153, 51, 51, 0}, {204, 51, 51, 0}, {255, 51, 51, 0},
    {0, 102, 51, 0}, {51, 102, 51, 0}, {102, 102, 51, 0}, {153, 102, 51, 0}, {204, 102, 51, 0}, {255, 102, 51, 0},
    {0, 153, 51, 0}, {51, 153, 51, 0}, {102, 153, 51, 0}, {153, 153, 51, 0}, {204, 153, 51, 0}, {255, 153, 51, 0},
    {0, 204, 51, 0}, {51, 204, 51, 0}, {102, 204, 51, 0}, {153, 204, 51, 0}, {204, 204, 51, 0}, {255, 204, 51, 0},
    {51, 255, 51, 0}, {102, 255, 51, 0}, {153, 255, 51, 0}, {204, 255, 51, 0}, {255, 255, 51, 0}, {0, 0, 102, 0},
    {51, 0, 102, 0}, {102, 0, 102, 0}, {153, 0, 102, 0}, {204, 0, 102, 0}, {255, 0, 102, 0}, {0, 51, 102, 0},
    {51, 51, 102, 0}, {102, 51, 102, 0}, {153, 51, 102, 0}, {204, 51, 102, 0}, {255, 51, 102, 0}, {0, 102, 102, 0},
    {51, 102, 102, 0}, {102, 102, 102, 0}, {153, 102, 102, 0}, {204, 102, 102, 0}, {0, 153, 102, 0}, {51, 153, 102, 0},
    {102, 153, 102, 0}, {153, 153, 102, 0}, {204, 153, 102, 0}, {255, 153, 102, 0}, {0, 204, 102, 0}, {51, 204, 102, 0},
    {153, 204, 102, 0}, {204, 204, 102, 0}, {255, 204, 102, 0}, {0, 255, 102, 0}, {51, 255, 102, 0}, {153, 255, 102, 0},
    {204, 255, 102, 0}, {255, 0, 204, 0}, {204, 0, 255, 0}, {0, 153, 153, 0}, {153, 51, 153, 0}, {153, 0, 153, 0},
    {204, 0, 153, 0}, {0, 0, 153, 0}, {51, 51, 153, 0}, {102, 0, 153, 0}, {204, 51, 153, 0}, {255, 0, 153, 0},
    {0, 102, 153, 0}, {51, 102, 153, 0}, {102, 51, 153, 0}, {153, 102, 153, 0}, {204, 102, 153, 0}, {255, 51, 153, 0},
    {51, 153, 153, 0}, {102, 153, 153, 0}, {153, 153, 153, 0}, {204, 153, 153, 0}, {255, 153, 153, 0}, {0, 204, 153, 0},
    {51, 204, 153, 0}, {102, 204, 102, 0}, {153, 204, 153, 0}, {204, 204, 153, 0}, {255, 204, 153, 0}, {0, 255, 153, 0},
    {51, 255, 153, 0}, {102, 204, 153, 0}, {153, 255, 153, 0}, {204, 255, 153, 0}, {255, 255, 153, 0}, {0, 0, 204, 0},
    {51, 0, 153, 0}, {102, 0, 204, 0}, {153, 0, 204, 0}, {204, 0, 204, 0}, {0, 51, 153, 0}, {51, 51, 204, 0},
    {102, 51, 204, 0}, {153, 51, 204, 0}, {204, 51, 204, 0}, {255, 51, 204, 0}, {0, 102, 204, 0}, {51, 102, 204, 0},
    {102, 102, 153, 0}, {153, 102, 204, 0}, {204, 102, 204, 0}, {255, 102, 153, 0}, {0, 153, 204, 0}, {51, 153, 204, 0},
    {102, 153, 204, 0}, {153, 153, 204, 0}, {204, 153, 204, 0}, {255, 153, 204, 0}, {0, 204, 204, 0}, {51, 204, 204, 0},
    {102, 204, 204, 0}, {153, 204, 204, 0}, {204, 204, 204, 0}, {255, 204, 204, 0}, {0, 255, 204, 0}, {51, 255, 204, 0},
    {102, 255, 153, 0}, {153, 255, 204, 0}, {204, 255, 204, 0}, {255, 255, 204, 0}, {51, 0, 204, 0}, {102, 0, 255, 0},
    {153, 0, 255, 0}, {0, 51, 204, 0}, {51, 51, 255, 0}, {102, 51, 255, 0}, {153, 51, 255, 0}, {204, 51, 255, 0},
    {255, 51, 255, 0}, {0, 102, 255, 0}, {51, 102, 255, 0}, {102, 102, 204, 0}, {153, 102, 255, 0}, {204, 102, 255, 0},
    {255, 102, 204, 0}, {0, 153, 255, 0}, {51, 153, 255, 0}, {102, 153, 255, 0}, {153, 153, 255, 0}, {204, 153, 255, 0},
    {255, 153, 255, 0}, {0, 204, 255, 0}, {51, 204, 255, 0}, {102, 204, 255, 0}, {153, 204, 255, 0}, {204, 204, 255, 0},
    {255, 204, 255, 0}, {51, 255, 255, 0}, {102, 255, 204, 0}, {153, 255, 255, 0}, {204, 255, 255, 0}, {255, 102, 102, 0},
    {102, 255, 102, 0}, {255, 255, 102, 0}, {102, 102, 255, 0}, {255, 102, 255, 0}, {102, 255, 255, 0}, {193, 193, 193, 0},
    {95, 95, 95, 0}, {119, 119, 119, 0}, {134, 134, 134, 0}, {150, 150, 150, 0}, {203, 203, 203, 0}, {178, 178, 178, 0},
    {215, 215, 215, 0}, {221, 221, 221, 0}, {227, 227, 227, 0}, {234, 234, 234, 0}, {241, 241, 241, 0}, {248, 248, 248, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {255, 255, 0, 0},
    {0, 0, 255, 0}, {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0},
};

// The 8 x 8 threshold matrix, row by row, indexed (x mod 8) x 8 + (y mod 8).
const BYTE threshold[64] = {
    0, 38, 9, 47, 2, 40, 11, 50,
    25, 12, 35, 22, 27, 15, 37, 24,
    6, 44, 3, 41, 8, 47, 5, 43,
    31, 19, 28, 15, 34, 21, 31, 18,
    1, 39, 11, 49, 0, 39, 10, 48,
    27, 14, 36, 23, 26, 13, 35, 23,
    7, 46, 4, 43, 7, 45, 3, 42,
    33, 20, 30, 17, 32, 19, 29, 16,
};

// Colour-cube position (red + 6 green + 36 blue levels) to standard-palette index.
const BYTE cubeToStandard[216] = {
    0, 29, 30, 31, 32, 249, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
    45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 250, 250, 57, 58, 59, 251,
    60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77,
    78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 250, 90, 91, 92, 93, 94,
    95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 227,
    112, 113, 114, 115, 116, 117, 118, 119, 151, 120, 121, 122, 123, 124, 228, 125, 126, 229,
    133, 162, 135, 131, 132, 137, 166, 134, 140, 130, 136, 143, 138, 139, 174, 141, 142, 177,
    129, 144, 145, 146, 147, 148, 149, 150, 157, 152, 153, 154, 155, 156, 192, 158, 159, 160,
    161, 196, 163, 164, 165, 127, 199, 167, 168, 169, 170, 171, 172, 173, 207, 175, 176, 210,
    178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 224, 193, 194, 195,
    252, 252, 197, 198, 128, 253, 252, 200, 201, 202, 203, 204, 205, 206, 230, 208, 209, 231,
    211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 254, 223, 232, 225, 226, 255,
};
// clang-format on

constexpr int kCodes = 32768;

// Fills entries from..to-1 of a palette with random colours whose two low bits are clear.
void randomEntries(PALETTEENTRY* palette, int from, int to) {
    for (int i = from; i < to; ++i) {
        const BYTE r = static_cast<BYTE>(Random(256) & 0xFC);
        const BYTE g = static_cast<BYTE>(Random(256) & 0xFC);
        const BYTE b = static_cast<BYTE>(Random(256) & 0xFC);
        palette[i] = PALETTEENTRY{r, g, b, 0};
    }
}

// Nearest entry of `palette` for each entry of a palette picture's own palette.
std::array<BYTE, 256> nearestForEntries(const TDib& source, const PALETTEENTRY* palette, int count) {
    std::array<BYTE, 256> map{};
    const int n = paletteSize(source.Info->bmiHeader.biBitCount);
    for (int i = 0; i < n; ++i) {
        const PALETTEENTRY& e = source.Palette.palPalEntry[i];
        map[static_cast<std::size_t>(i)] =
            static_cast<BYTE>(NearestPaletteEntry(palette, static_cast<UINT>(count), RGB(e.peRed, e.peGreen, e.peBlue)));
    }
    return map;
}

// Every pixel of `source` gets the nearest entry of the palette of `dest`.
void mapNearest(const TDib& source, const TDib& dest, const TProgressSink& progress) {
    ProgressReport report(progress);
    const int width = source.Info->bmiHeader.biWidth, height = source.Info->bmiHeader.biHeight;
    const int bits = source.Info->bmiHeader.biBitCount, destBits = dest.Info->bmiHeader.biBitCount;
    const PALETTEENTRY* palette = dest.Palette.palPalEntry;
    const int count = paletteSize(destBits);
    if (bits <= 8) {
        const std::array<BYTE, 256> map = nearestForEntries(source, palette, count);
        for (int y = 0; y < height; ++y) {
            report.step(y, height);
            const BYTE* in = rowFromTop(source, y);
            BYTE* out = rowFromTop(dest, y);
            for (int x = 0; x < width; ++x) setIndexAt(out, x, destBits, map[indexAt(in, x, bits)]);
        }
        return;
    }
    TNearestColour nearest(palette, count);
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        const BYTE* in = rowFromTop(source, y);
        BYTE* out = rowFromTop(dest, y);
        if (destBits == 8) {
            for (int x = 0; x < width; ++x) out[x] = nearest(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        } else {
            for (int x = 0; x < width; ++x) setIndexAt(out, x, destBits, nearest(in[3 * x + 2], in[3 * x + 1], in[3 * x]));
        }
    }
}

// Ordered dithering of a true-colour picture onto the standard 256-colour palette.
void mapOrdered(const TDib& source, const TDib& dest, const TProgressSink& progress) {
    ProgressReport report(progress);
    const int width = source.Info->bmiHeader.biWidth, height = source.Info->bmiHeader.biHeight;
    // Level and remainder of every component value.
    BYTE level[256], rest[256];
    for (int v = 0; v < 256; ++v) {
        level[v] = static_cast<BYTE>(v / 51);
        rest[v] = static_cast<BYTE>(v % 51);
    }
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        const BYTE* in = storedRow(source, y);
        BYTE* out = storedRow(dest, y);
        const BYTE* column = threshold + (y & 7);
        for (int x = 0; x < width; ++x) {
            const int t = column[(x & 7) * 8];
            const BYTE* p = in + 3 * x;
            const int b = level[p[0]] + (t < rest[p[0]]);
            const int g = level[p[1]] + (t < rest[p[1]]);
            const int r = level[p[2]] + (t < rest[p[2]]);
            out[x] = cubeToStandard[r + 6 * g + 36 * b];
        }
    }
}

// A picture of 1 bit by thresholds: the plain average for true colour, the luminance of the
// palette entry otherwise.
void mapThreshold(const TDib& source, const TDib& dest, const TProgressSink& progress) {
    ProgressReport report(progress);
    const int width = source.Info->bmiHeader.biWidth, height = source.Info->bmiHeader.biHeight;
    const int bits = source.Info->bmiHeader.biBitCount;
    std::array<BYTE, 256> white{};
    for (int i = 0; i < paletteSize(bits); ++i) {
        const PALETTEENTRY& e = source.Palette.palPalEntry[i];
        white[static_cast<std::size_t>(i)] = (30 * e.peRed + 59 * e.peGreen + 11 * e.peBlue) / 100 > 127;
    }
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        const BYTE* in = rowFromTop(source, y);
        BYTE* out = rowFromTop(dest, y);
        for (int x = 0; x < width; ++x) {
            const bool on = bits == 24 ? (in[3 * x] + in[3 * x + 1] + in[3 * x + 2]) / 3 > 127 : white[indexAt(in, x, bits)];
            setIndexAt(out, x, 1, on);
        }
    }
}

// The palette of a reduction to 4 or 8 bits with `count` colours (the free reduction's
// count, or the whole palette).
void reductionPalette(const TDib& source, int bits, const TColourReduction& how, int count, bool freeCount,
                      PALETTEENTRY* palette, const TProgressSink& progress) {
    const int size = paletteSize(bits);
    const PALETTEENTRY* standard = bits == 4 ? standard16 : standard256;
    if (!freeCount && (!how.Optimized || how.Method == TColourReduction::Ordered)) {
        std::copy_n(standard, size, palette);
        return;
    }
    const int shift = bits == 4 ? 5 : 4;
    if (bits == 8 && how.Merge) {
        // The twenty static colours stay at both ends; the popular ones fill the middle.
        std::copy_n(standard256, 256, palette);
        std::fill(palette + 10, palette + 246, palette[0]);
        BuildPopularityPalette(source, std::clamp(count - 20, 0, 236), shift, palette + 10, progress);
        return;
    }
    count = std::clamp(count, 1, size);
    BuildPopularityPalette(source, count, shift, palette, progress);
    // Unused entries repeat the first one, so nearest searches never pick them.
    std::fill(palette + count, palette + size, palette[0]);
}

}  // namespace

const PALETTEENTRY* StandardPalette16() { return standard16; }
const PALETTEENTRY* StandardPalette256() { return standard256; }

BYTE OrderedDitherIndex(int Red, int Green, int Blue, int X, int Y) {
    const int t = threshold[(X & 7) * 8 + (Y & 7)];
    const auto level = [t](int v) { return v / 51 + (t < v % 51); };
    return cubeToStandard[level(Red) + 6 * level(Green) + 36 * level(Blue)];
}

void SortColourHistogram(std::uint16_t* Counters, std::uint16_t* Codes, int Lo, int Hi) {
    // The larger part is sorted in the loop, the smaller one by recursion: the order of
    // sorting disjoint parts does not change the result, and the stack stays shallow.
    while (Lo < Hi) {
        int i = Lo, j = Hi;
        const std::uint16_t pivot = Counters[Lo + (Hi - Lo) / 2];
        do {
            while (Counters[i] < pivot) ++i;
            while (Counters[j] > pivot) --j;
            if (i <= j) {
                std::swap(Counters[i], Counters[j]);
                std::swap(Codes[i], Codes[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - Lo < Hi - i) {
            if (Lo < j) SortColourHistogram(Counters, Codes, Lo, j);
            Lo = i;
        } else {
            if (i < Hi) SortColourHistogram(Counters, Codes, i, Hi);
            Hi = j;
        }
    }
}

void BuildPopularityPalette(TDib Picture, int Count, int Shift, PALETTEENTRY* Table, const TProgressSink& Progress) {
    if (!isPicture(Picture) || !Table) return;
    Count = std::clamp(Count, 0, 256);
    std::vector<std::uint16_t> counters(kCodes, 0), codes(kCodes);
    for (int i = 0; i < kCodes; ++i) codes[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i);
    std::uint16_t* counter = counters.data();
    const auto count = [counter](int code) {
        if (counter[code] == 65535)
            for (int i = 0; i < kCodes; ++i) counter[i] = static_cast<std::uint16_t>(counter[i] / 2);
        ++counter[code];
    };
    {
        ProgressReport report(Progress);
        const int width = Picture.Info->bmiHeader.biWidth, height = Picture.Info->bmiHeader.biHeight;
        const int bits = Picture.Info->bmiHeader.biBitCount;
        int paletteCode[256] = {};
        for (int i = 0; i < paletteSize(bits); ++i) {
            const PALETTEENTRY& e = Picture.Palette.palPalEntry[i];
            paletteCode[i] = (e.peRed >> Shift) * 1024 + (e.peGreen >> Shift) * 32 + (e.peBlue >> Shift);
        }
        for (int y = 0; y < height; ++y) {
            report.step(y, height);
            const BYTE* row = storedRow(Picture, y);
            if (bits == 24) {
                for (int x = 0; x < width; ++x) {
                    const BYTE* p = row + 3 * x;
                    count((p[2] >> Shift) * 1024 + (p[1] >> Shift) * 32 + (p[0] >> Shift));
                }
            } else {
                for (int x = 0; x < width; ++x) count(paletteCode[indexAt(row, x, bits)]);
            }
        }
    }
    SortColourHistogram(counters.data(), codes.data(), 0, kCodes - 1);
    for (int k = 0; k < Count; ++k) {
        const int code = codes[static_cast<std::size_t>(kCodes - 1 - k)];
        Table[k] = PALETTEENTRY{static_cast<BYTE>((code / 1024) << Shift), static_cast<BYTE>(((code / 32) % 32) << Shift),
                                static_cast<BYTE>((code % 32) << Shift), 0};
    }
}

UniqueDib DepthUpTo(TDib Dib, int Bits, const TProgressSink& Progress) {
    if (!isPicture(Dib)) return {};
    const int bits = Dib.Info->bmiHeader.biBitCount;
    const int width = Dib.Info->bmiHeader.biWidth, height = Dib.Info->bmiHeader.biHeight;
    const bool supported = (bits == 4 && (Bits == 8 || Bits == 24)) || (bits == 1 && (Bits == 4 || Bits == 8 || Bits == 24)) ||
                           (bits == 8 && Bits == 24);
    if (!supported) return {};

    // The new palette, and the new index of each old one.
    PALETTEENTRY palette[256] = {};
    int remap[256] = {};
    for (int i = 0; i < 256; ++i) remap[i] = i;
    if (Bits <= 8) {
        const int top = paletteSize(Bits) - 1;
        if (bits == 4) {
            std::copy_n(Dib.Palette.palPalEntry, 16, palette);
            randomEntries(palette, 16, 256);
        } else {
            palette[top] = PALETTEENTRY{255, 255, 255, 0};
            randomEntries(palette, 1, top);
            remap[1] = top;
        }
    }
    UniqueDib result = newPicture(width, height, Bits, palette, paletteSize(Bits));
    if (!result) return {};
    const TDib& out = result.get();

    // The colour of each old index for true-colour results: 1 bit is plain black and white.
    PALETTEENTRY colours[256];
    std::copy_n(Dib.Palette.palPalEntry, 256, colours);
    if (bits == 1) {
        colours[0] = PALETTEENTRY{0, 0, 0, 0};
        colours[1] = PALETTEENTRY{255, 255, 255, 0};
    }
    ProgressReport report(Progress);
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        const BYTE* in = rowFromTop(Dib, y);
        BYTE* o = rowFromTop(out, y);
        if (Bits == 24) {
            for (int x = 0; x < width; ++x) {
                const PALETTEENTRY& e = colours[indexAt(in, x, bits)];
                o[3 * x] = e.peBlue;
                o[3 * x + 1] = e.peGreen;
                o[3 * x + 2] = e.peRed;
            }
        } else {
            for (int x = 0; x < width; ++x) setIndexAt(o, x, Bits, static_cast<unsigned>(remap[indexAt(in, x, bits)]));
        }
    }
    return result;
}

UniqueDib DepthDownTo(TDib Dib, int Bits, const TColourReduction& How, const TProgressSink& Progress) {
    if (!isPicture(Dib)) return {};
    const int bits = Dib.Info->bmiHeader.biBitCount;
    const int width = Dib.Info->bmiHeader.biWidth, height = Dib.Info->bmiHeader.biHeight;
    const bool freeCount = Bits == 0;
    const int count = std::clamp(How.Count, 2, 256);
    const int target = freeCount ? (count > 16 ? 8 : 4) : Bits;
    if ((target != 1 && target != 4 && target != 8) || target >= bits) return {};

    if (target == 1) {
        UniqueDib result = newPicture(width, height, 1, nullptr, 0);  // black and white
        if (!result) return {};
        if (How.Method != TColourReduction::Nearest) DitherToPalette(Dib, result.get(), Progress);
        else mapThreshold(Dib, result.get(), Progress);
        return result;
    }

    PALETTEENTRY palette[256] = {};
    reductionPalette(Dib, target, How, freeCount ? count : paletteSize(target), freeCount, palette, Progress);
    UniqueDib result = newPicture(width, height, target, palette, paletteSize(target));
    if (!result) return {};
    const int method = How.Method;
    if (method == TColourReduction::ErrorDiffusion) DitherToPalette(Dib, result.get(), Progress);
    else if (method == TColourReduction::Ordered && target == 8 && !freeCount && bits == 24)
        mapOrdered(Dib, result.get(), Progress);
    else mapNearest(Dib, result.get(), Progress);
    return result;
}
