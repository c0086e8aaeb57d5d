// Picture accessors, the screen depth and DrawDib.
#include "poster/Pixwerk.h"

#include "platform/msgbox.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool isPicture(const TDib& dib) { return dib.Bits && dib.Info; }

int rounded(double v) { return static_cast<int>(std::nearbyint(v)); }

// Round(extent * kept / old), in floating point.
int scaled(int extent, int kept, int old) { return rounded(static_cast<double>(extent) * kept / old); }

void message(const char* text) { MessageBoxA(nullptr, text, nullptr, MB_OK); }

const BYTE* rowFromBottom(const TDib& dib, int y) { return dib.Bits + static_cast<std::ptrdiff_t>(y) * dib.LineBytes; }

// Step 7a: a work picture of the destination size, sampled by nearest neighbour, drawn at
// once. A destination extent of 1 takes the first source column or row.
bool drawSampled(HDC DC, int X, int Y, int DestWidth, int DestHeight, const TDib& Dib, int SrcX, int SrcY,
                 int SrcWidth, int SrcHeight) {
    const int bits = DibBitCount(Dib);
    const int colours = DibColorCount(Dib);
    UniqueDib work;
    newdib(work.out(), DestWidth, DestHeight, bits, colours <= 256 ? Dib.Info : nullptr, colours <= 256 ? colours : 0);
    if (!work) return false;
    const TDib& w = work.get();
    const int height = DibHeight(Dib);
    std::vector<int> cols(static_cast<std::size_t>(DestWidth));
    for (int c = 0; c < DestWidth; ++c)
        cols[static_cast<std::size_t>(c)] =
            DestWidth > 1 ? static_cast<int>(SrcX + static_cast<std::int64_t>(SrcWidth - 1) * c / (DestWidth - 1)) : SrcX;
    for (int r = 0; r < DestHeight; ++r) {
        // Rows count from the bottom in both pictures.
        const int sr = DestHeight > 1 ? static_cast<int>(SrcY + static_cast<std::int64_t>(SrcHeight - 1) * r / (DestHeight - 1))
                                      : SrcY;
        if (bits == 1) {
            for (int c = 0; c < DestWidth; ++c)
                setpixel(w, c, DestHeight - 1 - r, getpixel(Dib, cols[static_cast<std::size_t>(c)], height - 1 - sr));
            continue;
        }
        const BYTE* in = rowFromBottom(Dib, sr);
        BYTE* out = w.Bits + static_cast<std::ptrdiff_t>(r) * w.LineBytes;
        for (int c = 0; c < DestWidth; ++c) {
            const int sc = cols[static_cast<std::size_t>(c)];
            switch (bits) {
            case 4: {
                const BYTE v = (sc & 1) ? (in[sc >> 1] & 0x0F) : (in[sc >> 1] >> 4);
                BYTE& o = out[c >> 1];
                o = (c & 1) ? static_cast<BYTE>((o & 0xF0) | v) : static_cast<BYTE>((o & 0x0F) | (v << 4));
                break;
            }
            case 8: out[c] = in[sc]; break;
            default: std::memcpy(out + 3 * c, in + 3 * sc, 3); break;
            }
        }
    }
    return SetDIBitsToDevice(DC, X, Y, static_cast<DWORD>(DestWidth), static_cast<DWORD>(DestHeight), 0, 0, 0,
                             static_cast<UINT>(DestHeight), w.Bits, w.Info, DIB_RGB_COLORS) != 0;
}

// Step 7b: the whole picture in a device-compatible bitmap, stretched from there.
void drawThroughBitmap(HDC DC, int X, int Y, int DestWidth, int DestHeight, const TDib& Dib, int SrcX, int SrcY,
                       int SrcWidth, int SrcHeight, DWORD Rop) {
    const int width = DibWidth(Dib), height = DibHeight(Dib);
    HBITMAP bitmap = CreateCompatibleBitmap(DC, width, height);
    if (!bitmap) {
        message("Could not create bitmap.");
        return;
    }
    HDC memory = CreateCompatibleDC(DC);
    if (SetDIBits(DC, bitmap, 0, static_cast<UINT>(height), Dib.Bits, Dib.Info, DIB_RGB_COLORS) == 0) {
        message("The device does not support the Funtkion setdibits!");
    } else {
        HGDIOBJ old = SelectObject(memory, bitmap);
        // The bitmap's rows run from the top: the section starts at the row above it.
        const int top = height - SrcY - SrcHeight;
        if (!StretchBlt(DC, X, Y, DestWidth, DestHeight, memory, SrcX, top, SrcWidth, SrcHeight, Rop))
            message("The device does not support the function StretchBlt!");
        if (old) SelectObject(memory, old);
    }
    DeleteDC(memory);
    DeleteObject(bitmap);
}

}  // namespace

int DibWidth(TDib Dib) { return isPicture(Dib) ? Dib.Info->bmiHeader.biWidth : 0; }
int DibHeight(TDib Dib) { return isPicture(Dib) ? Dib.Info->bmiHeader.biHeight : 0; }
int DibBitCount(TDib Dib) { return isPicture(Dib) ? Dib.Info->bmiHeader.biBitCount : 0; }
int DibLineBytes(TDib Dib) { return isPicture(Dib) ? Dib.LineBytes : 0; }
int DibColorCount(TDib Dib) { return isPicture(Dib) ? PowerOfTwo(DibBitCount(Dib)) : 0; }

int PowerOfTwo(int n) {
    std::uint32_t result = 1;
    for (int i = 0; i < n; ++i) result *= 2;
    return static_cast<int>(result);
}

int ScreenBitsPerPixel() {
    HDC dc = GetDC(GetDesktopWindow());
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 1, 1);
    BITMAP bm{};
    int bits = 0;
    if (bitmap && GetObject(bitmap, sizeof bm, &bm)) bits = bm.bmBitsPixel;
    else bits = GetDeviceCaps(dc, BITSPIXEL);
    if (bitmap) DeleteObject(bitmap);
    ReleaseDC(GetDesktopWindow(), dc);
    return bits;
}

bool drawdib::DrawRows(HDC DC, int X, int Y, int DestWidth, int DestHeight, const TDib& Dib, int SrcX, int SrcY,
                       int SrcWidth, int SrcHeight) {
    if (!isPicture(Dib) || DestWidth <= 0 || DestHeight <= 0 || SrcWidth <= 0 || SrcHeight <= 0) return true;
    const int bits = DibBitCount(Dib);
    const int width = DibWidth(Dib), height = DibHeight(Dib);
    const int bytes = bits == 24 ? 3 : 1;
    UniqueDib row;
    newdib(row.out(), DestWidth, 1, bits, bits == 8 ? Dib.Info : nullptr, bits == 8 ? 256 : 0);
    if (!row) return false;
    const TDib& buffer = row.get();
    // Source column of every destination column; the ones inside the picture bound the copy.
    std::vector<int> cols(static_cast<std::size_t>(DestWidth));
    int first = DestWidth, last = -1;
    for (int i = 0; i < DestWidth; ++i) {
        const int c = static_cast<int>(SrcX + static_cast<std::int64_t>(SrcWidth) * i / DestWidth);
        cols[static_cast<std::size_t>(i)] = c;
        if (c >= 0 && c < width) {
            first = std::min(first, i);
            last = std::max(last, i);
        }
    }
    const int topY = height - SrcY - SrcHeight;
    std::int64_t previous = INT64_MIN;
    for (int r = 0; r < DestHeight; ++r) {
        const std::int64_t sy = topY + static_cast<std::int64_t>(SrcHeight) * r / DestHeight;
        if (sy < 0 || sy >= height) {
            std::memset(buffer.Bits, 0, static_cast<std::size_t>(buffer.LineBytes));
        } else if (sy != previous) {
            const BYTE* in = rowFromBottom(Dib, static_cast<int>(height - 1 - sy));
            BYTE* out = buffer.Bits;
            if (bytes == 3)
                for (int i = first; i <= last; ++i) std::memcpy(out + 3 * i, in + 3 * cols[static_cast<std::size_t>(i)], 3);
            else
                for (int i = first; i <= last; ++i) out[i] = in[cols[static_cast<std::size_t>(i)]];
        }
        previous = sy;
        SetDIBitsToDevice(DC, X, Y + r, static_cast<DWORD>(DestWidth), 1, 0, 0, 0, 1, buffer.Bits, buffer.Info,
                          DIB_RGB_COLORS);
    }
    return true;
}

void DrawDib(HDC DC, int X, int Y, int DestWidth, int DestHeight, TDib Dib, int SrcX, int SrcY, int SrcWidth,
             int SrcHeight, bool Halftone, DWORD Rop, bool UseDibPalette, HPALETTE Palette) {
    if (!isPicture(Dib)) return;
    const int width = DibWidth(Dib), height = DibHeight(Dib), bits = DibBitCount(Dib);
    if (width <= 0 || height <= 0 || DestWidth <= 0 || DestHeight <= 0 || SrcWidth <= 0 || SrcHeight <= 0) return;

    // 1. The device, and nearest-neighbour stretching.
    const bool printer = GetDeviceCaps(DC, TECHNOLOGY) == DT_RASPRINTER;
    SetStretchBltMode(DC, COLORONCOLOR);

    // 2. Clip the section to the picture; the destination shrinks with it.
    if (SrcX + static_cast<std::int64_t>(SrcWidth) > width) {
        const int e = width - SrcX;
        DestWidth = scaled(DestWidth, e, SrcWidth);
        SrcWidth = e;
    }
    if (SrcY < 0) {
        const int kept = SrcHeight + SrcY;
        DestHeight = scaled(DestHeight, kept, SrcHeight);
        SrcHeight = kept;
        SrcY = 0;
    }
    if (SrcY + static_cast<std::int64_t>(SrcHeight) > height) {
        const int g = height - SrcY;
        const int newHeight = scaled(DestHeight, g, SrcHeight);
        Y += DestHeight - newHeight;
        DestHeight = newHeight;
        SrcHeight = g;
    }
    if (SrcX < 0) {
        const int kept = SrcX + SrcWidth;
        const int newWidth = scaled(DestWidth, kept, SrcWidth);
        X += DestWidth - newWidth;
        DestWidth = newWidth;
        SrcWidth = kept;
        SrcX = 0;
    }
    if (SrcWidth <= 0 || SrcHeight <= 0 || DestWidth <= 0 || DestHeight <= 0) return;

    // 3. The palette.
    const HPALETTE chosen = UseDibPalette ? Dib.PalHandle : Palette;
    HPALETTE remembered = nullptr;
    bool selected = false;
    if (Dib.HasPalette) {
        remembered = SelectPalette(DC, chosen, FALSE);
        selected = remembered != nullptr;
        RealizePalette(DC);
    }

    bool drawn = false;
    // 4. Halftoned copy of a true-colour picture for screens of 8 bits or less.
    if (bits == 24 && Halftone && ScreenBitsPerPixel() <= 8) {
        const bool shrinking = SrcWidth > DestWidth || SrcHeight > DestHeight;
        UniqueDib copy;
        int copyWidth = width, copyHeight = height;
        if (shrinking) {
            copyWidth = scaled(width, DestWidth, SrcWidth);
            copyHeight = scaled(height, DestHeight, SrcHeight);
            DIBHalftoneDIBXY(copy.out(), Dib, copyWidth, copyHeight);
        } else {
            DIBHalftoneDIB(copy.out(), Dib);
        }
        if (copy) {
            // A true-colour picture has no palette of its own: the copy's serves then.
            const HPALETTE halftonePalette = chosen ? chosen : copy.get().PalHandle;
            HPALETTE previous = SelectPalette(DC, halftonePalette, FALSE);
            RealizePalette(DC);
            if (shrinking)
                StretchDIBits(DC, X, Y, DestWidth, DestHeight, scaled(SrcX, copyWidth, width),
                              scaled(SrcY, copyHeight, height), DestWidth, DestHeight, copy.get().Bits,
                              copy.get().Info, DIB_RGB_COLORS, Rop);
            else
                StretchDIBits(DC, X, Y, DestWidth, DestHeight, SrcX, SrcY, SrcWidth, SrcHeight, copy.get().Bits,
                              copy.get().Info, DIB_RGB_COLORS, Rop);
            // Put back what was selected before, so the copy's palette can be freed.
            HPALETTE back = selected ? remembered : previous;
            if (back) SelectPalette(DC, back, FALSE);
            drawn = true;
        }
    }

    // 5. Row by row on screens for 8- and 24-bit pictures.
    if (!drawn && !printer && (bits == 24 || bits == 8))
        drawn = drawdib::DrawRows(DC, X, Y, DestWidth, DestHeight, Dib, SrcX, SrcY, SrcWidth, SrcHeight);

    // 6. One StretchDIBits, with the fallbacks of 7 when the device refuses it.
    if (!drawn &&
        StretchDIBits(DC, X, Y, DestWidth, DestHeight, SrcX, SrcY, SrcWidth, SrcHeight, Dib.Bits, Dib.Info,
                      DIB_RGB_COLORS, Rop) == GDI_ERROR) {
        const bool sampled = (GetDeviceCaps(DC, RASTERCAPS) & RC_DIBTODEV) &&
                             drawSampled(DC, X, Y, DestWidth, DestHeight, Dib, SrcX, SrcY, SrcWidth, SrcHeight);
        if (!sampled) drawThroughBitmap(DC, X, Y, DestWidth, DestHeight, Dib, SrcX, SrcY, SrcWidth, SrcHeight, Rop);
    }

    // 8. The palette selected before.
    if (Dib.HasPalette && selected) SelectPalette(DC, remembered, FALSE);
}
