// Pictures for the picture-operation tests, made and read through the raster library's
// own pixel calls.
#pragma once

#include "pixwerk/pixwerk.h"
#include "poster/PictureOps.h"

#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>

namespace opstest {

// A picture of the given depth; palette pictures take `palette` (may be empty).
inline UniqueDib make(int width, int height, int bits, std::initializer_list<PALETTEENTRY> palette = {}) {
    std::vector<PALETTEENTRY> entries(palette);
    return picops::newPicture(width, height, bits, entries.empty() ? nullptr : entries.data(), static_cast<int>(entries.size()));
}

// Packed RGB as getpixel and setpixel take it for 24-bit pictures (red in the low byte).
inline int rgb(int r, int g, int b) { return r | g << 8 | b << 16; }
inline int red(int c) { return c & 0xFF; }
inline int green(int c) { return (c >> 8) & 0xFF; }
inline int blue(int c) { return (c >> 16) & 0xFF; }

inline int at(const UniqueDib& dib, int x, int y) { return getpixel(dib.get(), x, y); }
inline void put(const UniqueDib& dib, int x, int y, int value) { setpixel(dib.get(), x, y, value); }

// Every pixel random (indices below the palette size, or any colour).
inline void scramble(const UniqueDib& dib, unsigned seed) {
    std::mt19937 random(seed);
    const TDib& d = dib.get();
    const int bits = d.Info->bmiHeader.biBitCount;
    for (int y = 0; y < d.Info->bmiHeader.biHeight; ++y)
        for (int x = 0; x < d.Info->bmiHeader.biWidth; ++x)
            setpixel(d, x, y, bits == 24 ? static_cast<int>(random() & 0xFFFFFF) : static_cast<int>(random() % (1u << bits)));
}

// A 1-bit selection mask of the picture's size with the pixels where `selected` holds.
template <class F>
UniqueDib mask(const UniqueDib& like, F selected) {
    const TDib& d = like.get();
    UniqueDib m = make(d.Info->bmiHeader.biWidth, d.Info->bmiHeader.biHeight, 1);
    for (int y = 0; y < d.Info->bmiHeader.biHeight; ++y)
        for (int x = 0; x < d.Info->bmiHeader.biWidth; ++x)
            if (selected(x, y)) setpixel(m.get(), x, y, 1);
    return m;
}

// The pixel bytes of a picture, padding included.
inline std::vector<BYTE> bytes(const UniqueDib& dib) {
    const TDib& d = dib.get();
    return std::vector<BYTE>(d.Bits, d.Bits + d.Info->bmiHeader.biSizeImage);
}

inline std::vector<PALETTEENTRY> palette(const UniqueDib& dib) {
    const TDib& d = dib.get();
    const int n = picops::paletteSize(d.Info->bmiHeader.biBitCount);
    return std::vector<PALETTEENTRY>(d.Palette.palPalEntry, d.Palette.palPalEntry + n);
}

inline bool sameEntry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

// Records what an operation reports.
struct Progress {
    std::vector<int> seen;
    TProgressSink sink() {
        return [this](int p) { seen.push_back(p); };
    }
    bool onlyZeros() const {
        for (int p : seen)
            if (p != 0) return false;
        return !seen.empty();
    }
    // Starts and ends at 0, never falls between, reaches `top`.
    bool wellFormed(int top) const {
        if (seen.size() < 2 || seen.front() != 0 || seen.back() != 0) return false;
        int highest = 0;
        for (std::size_t i = 1; i + 1 < seen.size(); ++i) {
            if (seen[i] < seen[i - 1]) return false;
            highest = seen[i];
        }
        return highest == top;
    }
};

}  // namespace opstest
