// Colour reduction and bitmap conversion.
#include "kit/KitGraph.h"

#include <algorithm>
#include <cstring>

TMappingMethod DefaultMappingMethod = mmHistogram;

namespace {

TReducedPicture blankOutput(int width, int height) {
    TReducedPicture out;
    out.Width = width;
    out.Height = height;
    out.RowBytes = DibRowBytes(width, 8);
    out.Bits.assign(static_cast<std::size_t>(out.RowBytes) * static_cast<std::size_t>(height), 0);
    return out;
}

// Calls f(row, column, blue, green, red, out) for every pixel; rows in storage order.
template <class F>
void forEachPixel(const BYTE* bits, TReducedPicture& out, F&& f) {
    const std::size_t inRow = static_cast<std::size_t>(DibRowBytes(out.Width, 24));
    for (int y = 0; y < out.Height; ++y) {
        const BYTE* p = bits + inRow * static_cast<std::size_t>(y);
        BYTE* o = out.Bits.data() + static_cast<std::size_t>(out.RowBytes) * static_cast<std::size_t>(y);
        for (int x = 0; x < out.Width; ++x, p += 3) o[x] = f(y, x, p[0], p[1], p[2]);
    }
}

RGBQUAD quad(int r, int g, int b) { return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0}; }

// The histogram's table of masked colours.
class ColorHistogram {
public:
    static constexpr int kSlots = 5191;
    static constexpr int kMaxColors = 2049;

    struct Entry {
        BYTE r, g, b;
        bool used;
        std::uint32_t count;
        BYTE index;
    };

    void clear() {
        std::fill(std::begin(slots_), std::end(slots_), Entry{0, 0, 0, false, 0, 0});
        used_ = 0;
    }
    // The slot of the colour, added when new; -1 when the table is full.
    int find(BYTE r, BYTE g, BYTE b, bool add) {
        int h = static_cast<int>((static_cast<unsigned>(r + g) * static_cast<unsigned>(b + g) *
                                  static_cast<unsigned>(r + b)) %
                                 kSlots);
        while (slots_[h].used) {
            if (slots_[h].r == r && slots_[h].g == g && slots_[h].b == b) return h;
            h = h + 1 == kSlots ? 0 : h + 1;
        }
        if (!add || used_ == kMaxColors) return -1;
        slots_[h] = Entry{r, g, b, true, 0, 0};
        ++used_;
        return h;
    }
    Entry& at(int slot) { return slots_[slot]; }

private:
    Entry slots_[kSlots];
    int used_ = 0;
};

}  // namespace

TReducedPicture ReduceByHistogram(const BYTE* bits, int width, int height, int colors) {
    TReducedPicture out = blankOutput(width, height);
    colors = std::clamp(colors, 1, 256);
    auto table = std::make_unique<ColorHistogram>();
    BYTE mr = 0xFF, mg = 0xFF, mb = 0xFF;
    const std::size_t inRow = static_cast<std::size_t>(DibRowBytes(width, 24));
    // Count, dropping one more low bit of one channel whenever the table overflows.
    for (bool full = true; full;) {
        full = false;
        table->clear();
        for (int y = 0; y < height && !full; ++y) {
            const BYTE* p = bits + inRow * static_cast<std::size_t>(y);
            for (int x = 0; x < width; ++x, p += 3) {
                const int slot = table->find(p[2] & mr, p[1] & mg, p[0] & mb, true);
                if (slot < 0) {
                    full = true;
                    break;
                }
                ++table->at(slot).count;
            }
        }
        if (full) {
            if (mr < mg) mg = static_cast<BYTE>(mg << 1);
            else if (mb < mr) mr = static_cast<BYTE>(mr << 1);
            else mb = static_cast<BYTE>(mb << 1);
        }
    }
    // The most frequent colours become the palette (the first on ties).
    std::vector<int> usedSlots;
    for (int i = 0; i < ColorHistogram::kSlots; ++i)
        if (table->at(i).used) usedSlots.push_back(i);
    std::vector<bool> taken(ColorHistogram::kSlots, false);
    int found = 0;
    for (; found < colors && found < static_cast<int>(usedSlots.size()); ++found) {
        int best = -1;
        for (int s : usedSlots)
            if (!taken[s] && (best < 0 || table->at(s).count > table->at(best).count)) best = s;
        taken[best] = true;
        ColorHistogram::Entry& e = table->at(best);
        e.index = static_cast<BYTE>(found);
        out.Colors[found] = quad(e.r, e.g, e.b);
    }
    for (int i = found; i < 256; ++i) out.Colors[i] = quad(128, 128, 128);
    out.UsedColors = found;
    // Every other colour takes the nearest palette colour (the first on ties).
    for (int s : usedSlots) {
        if (taken[s]) continue;
        ColorHistogram::Entry& e = table->at(s);
        long best = -1;
        for (int i = 0; i < found; ++i) {
            const long dr = e.r - out.Colors[i].rgbRed, dg = e.g - out.Colors[i].rgbGreen,
                       db = e.b - out.Colors[i].rgbBlue;
            const long d = dr * dr + dg * dg + db * db;
            if (best < 0 || d < best) {
                best = d;
                e.index = static_cast<BYTE>(i);
            }
        }
    }
    forEachPixel(bits, out, [&](int, int, BYTE b, BYTE g, BYTE r) {
        return table->at(table->find(r & mr, g & mg, b & mb, false)).index;
    });
    return out;
}

namespace {

struct CutBox {
    std::vector<int> cells;  // cube indexes r << 8 | g << 4 | b
    std::uint64_t pixels = 0;
    int lo[3] = {15, 15, 15};
    int hi[3] = {0, 0, 0};
};

int cellAxis(int cell, int axis) { return (cell >> (8 - 4 * axis)) & 15; }

void boundBox(CutBox& box) {
    for (int a = 0; a < 3; ++a) {
        box.lo[a] = 15;
        box.hi[a] = 0;
    }
    for (int c : box.cells)
        for (int a = 0; a < 3; ++a) {
            box.lo[a] = std::min(box.lo[a], cellAxis(c, a));
            box.hi[a] = std::max(box.hi[a], cellAxis(c, a));
        }
}

}  // namespace

TReducedPicture ReduceByMedianCut(const BYTE* bits, int width, int height) {
    TReducedPicture out = blankOutput(width, height);
    std::vector<std::uint64_t> counts(4096, 0);
    const std::size_t inRow = static_cast<std::size_t>(DibRowBytes(width, 24));
    for (int y = 0; y < height; ++y) {
        const BYTE* p = bits + inRow * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x, p += 3) ++counts[static_cast<std::size_t>((p[2] >> 4) << 8 | (p[1] >> 4) << 4 | (p[0] >> 4))];
    }
    std::vector<CutBox> boxes(1);
    for (int c = 0; c < 4096; ++c)
        if (counts[static_cast<std::size_t>(c)]) {
            boxes[0].cells.push_back(c);
            boxes[0].pixels += counts[static_cast<std::size_t>(c)];
        }
    if (boxes[0].cells.empty()) boxes.clear();
    else boundBox(boxes[0]);
    while (boxes.size() < 256) {
        // The box and axis of the largest extent (first box, then red, green, blue on ties).
        int pick = -1, axis = 0, extent = -1;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].cells.size() < 2) continue;
            for (int a = 0; a < 3; ++a)
                if (boxes[i].hi[a] - boxes[i].lo[a] > extent) {
                    extent = boxes[i].hi[a] - boxes[i].lo[a];
                    pick = static_cast<int>(i);
                    axis = a;
                }
        }
        if (pick < 0) break;
        CutBox& box = boxes[static_cast<std::size_t>(pick)];
        std::stable_sort(box.cells.begin(), box.cells.end(),
                         [axis](int a, int b) { return cellAxis(a, axis) < cellAxis(b, axis); });
        // Split after the cell where half the pixels are reached, one cell at least on
        // each side.
        std::uint64_t run = 0;
        std::size_t cut = 0;
        const std::uint64_t half = box.pixels / 2;
        for (; cut + 1 < box.cells.size(); ++cut) {
            run += counts[static_cast<std::size_t>(box.cells[cut])];
            if (run >= half) break;
        }
        cut = std::min(cut, box.cells.size() - 2);
        CutBox rest;
        rest.cells.assign(box.cells.begin() + static_cast<std::ptrdiff_t>(cut) + 1, box.cells.end());
        box.cells.resize(cut + 1);
        box.pixels = 0;
        for (int c : box.cells) box.pixels += counts[static_cast<std::size_t>(c)];
        for (int c : rest.cells) rest.pixels += counts[static_cast<std::size_t>(c)];
        boundBox(box);
        boundBox(rest);
        boxes.push_back(std::move(rest));
    }
    std::vector<BYTE> boxOf(4096, 0);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        int sum[3] = {0, 0, 0};
        for (int c : boxes[i].cells) {
            boxOf[static_cast<std::size_t>(c)] = static_cast<BYTE>(i);
            for (int a = 0; a < 3; ++a) sum[a] += cellAxis(c, a);
        }
        const int n = static_cast<int>(boxes[i].cells.size());
        int v[3];
        for (int a = 0; a < 3; ++a) v[a] = (16 * sum[a] + 15) / n;
        if (v[0] <= 16 && v[1] <= 16 && v[2] <= 16) v[0] = v[1] = v[2] = 0;
        out.Colors[i] = quad(v[0], v[1], v[2]);
    }
    out.UsedColors = static_cast<int>(boxes.size());
    forEachPixel(bits, out, [&](int, int, BYTE b, BYTE g, BYTE r) {
        return boxOf[static_cast<std::size_t>((r >> 4) << 8 | (g >> 4) << 4 | (b >> 4))];
    });
    return out;
}

namespace {

const int kLevels4[4] = {0, 85, 170, 255};
const int kLevels6[6] = {0, 51, 102, 153, 204, 255};
const int kLevels7[7] = {0, 43, 85, 128, 170, 213, 255};
const int kLevels8[8] = {0, 36, 73, 109, 146, 182, 219, 255};

}  // namespace

namespace {

// Levels per channel: index = red level x (greens x blues) + green level x blues + blue level.
TReducedPicture quantize(const BYTE* bits, int width, int height, const int* reds, int nr, const int* greens, int ng,
                         const int* blues, int nb) {
    TReducedPicture out = blankOutput(width, height);
    const int used = nr * ng * nb;
    for (int i = 0; i < 256; ++i)
        out.Colors[i] = i < used ? quad(reds[i / (ng * nb)], greens[i / nb % ng], blues[i % nb]) : quad(128, 128, 128);
    out.UsedColors = used;
    forEachPixel(bits, out, [=](int, int, BYTE b, BYTE g, BYTE r) {
        return static_cast<BYTE>(LevelBin(r, nr) * ng * nb + LevelBin(g, ng) * nb + LevelBin(b, nb));
    });
    return out;
}

}  // namespace

TReducedPicture ReduceToQuantize7R8G4B(const BYTE* bits, int width, int height) {
    return quantize(bits, width, height, kLevels7, 7, kLevels8, 8, kLevels4, 4);
}

TReducedPicture ReduceToQuantize6R6G6B(const BYTE* bits, int width, int height) {
    return quantize(bits, width, height, kLevels6, 6, kLevels6, 6, kLevels6, 6);
}

TReducedPicture ReduceToTripel(const BYTE* bits, int width, int height) {
    TReducedPicture out = blankOutput(width, height);
    for (int i = 0; i < 64; ++i) {
        out.Colors[i] = quad(4 * i, 0, 0);
        out.Colors[64 + i] = quad(0, 4 * i, 0);
        out.Colors[128 + i] = quad(0, 0, 4 * i);
    }
    forEachPixel(bits, out, [](int y, int x, BYTE b, BYTE g, BYTE r) {
        switch ((y + x) % 3) {
        case 0: return static_cast<BYTE>(r / 4);
        case 1: return static_cast<BYTE>(g / 4 + 64);
        default: return static_cast<BYTE>(b / 4 + 128);
        }
    });
    return out;
}

TReducedPicture ReduceToGrayscale(const BYTE* bits, int width, int height) {
    TReducedPicture out = blankOutput(width, height);
    for (int i = 0; i < 256; ++i) out.Colors[i] = quad(i, i, i);
    forEachPixel(bits, out, [](int, int, BYTE b, BYTE g, BYTE r) {
        return static_cast<BYTE>((77 * r + 150 * g + 29 * b) >> 8);
    });
    return out;
}

TReducedPicture ReduceColors(const BYTE* bits, int width, int height, TMappingMethod method) {
    switch (method) {
    case mmMedianCut: return ReduceByMedianCut(bits, width, height);
    case mmQuantize7R8G4B: return ReduceToQuantize7R8G4B(bits, width, height);
    case mmQuantize6R6G6B: return ReduceToQuantize6R6G6B(bits, width, height);
    case mmTripel: return ReduceToTripel(bits, width, height);
    case mmGrayscale: return ReduceToGrayscale(bits, width, height);
    default: return ReduceByHistogram(bits, width, height, 256);
    }
}

namespace {

int bitsOfFormat(TPixelFormat f) {
    switch (f) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf24bit: return 24;
    default: return 0;
    }
}

// The bitmap's rows at `bitCount` bits through the platform, with `table` (when given)
// as the colours to map to.
bool readRows(TBitmap* bitmap, int bitCount, const std::vector<RGBQUAD>* table, std::vector<BYTE>& info,
              std::vector<BYTE>& rows) {
    const int w = bitmap->Width(), h = bitmap->Height();
    info = NewDibInfo(w, h, bitCount);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    rows.assign(static_cast<std::size_t>(DibRowBytes(w, bitCount)) * static_cast<std::size_t>(h), 0);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HPALETTE palette = nullptr, old = nullptr;
    if (table) {
        palette = CreatePaletteOf(table->data(), static_cast<int>(table->size()));
        old = SelectPalette(mem, palette, FALSE);
        RealizePalette(mem);
    }
    const int n = GetDIBits(mem, bitmap->Handle(), 0, static_cast<UINT>(h), rows.data(), bi, DIB_RGB_COLORS);
    if (palette) {
        SelectPalette(mem, old, FALSE);
        DeleteObject(palette);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return n > 0;
}

std::unique_ptr<TMemoryStream> writeDibFile(int width, int height, int bitCount, const RGBQUAD* colors, int tableEntries,
                                            int usedColors, const BYTE* rows) {
    const std::size_t rowBytes = static_cast<std::size_t>(DibRowBytes(width, bitCount));
    const std::size_t image = rowBytes * static_cast<std::size_t>(height);
    const std::size_t table = static_cast<std::size_t>(tableEntries) * sizeof(RGBQUAD);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + table);
    fh.bfSize = static_cast<DWORD>(fh.bfOffBits + image);
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = height;
    ih.biPlanes = 1;
    ih.biBitCount = static_cast<WORD>(bitCount);
    ih.biCompression = BI_RGB;
    ih.biSizeImage = static_cast<DWORD>(image);
    ih.biClrUsed = static_cast<DWORD>(usedColors);
    auto s = std::make_unique<TMemoryStream>();
    s->WriteBuffer(&fh, sizeof fh);
    s->WriteBuffer(&ih, sizeof ih);
    if (table) s->WriteBuffer(colors, static_cast<Int64>(table));
    s->WriteBuffer(rows, static_cast<Int64>(image));
    s->SetPosition(0);
    return s;
}

}  // namespace

std::unique_ptr<TMemoryStream> BitmapToDibStream(TBitmap* bitmap, TPixelFormat format, TMappingMethod method) {
    if (!bitmap || !bitmap->Handle()) throw EInvalidGraphic(SInvalidBitmap);
    if (bitmap->PixelFormat() == format && method != mmGrayscale) {
        auto s = std::make_unique<TMemoryStream>();
        bitmap->SaveToStream(s.get());
        s->SetPosition(0);
        return s;
    }
    const int bitCount = bitsOfFormat(format);
    if (!bitCount) throw ENotImplemented(SNotImplemented);
    const int w = bitmap->Width(), h = bitmap->Height();
    std::vector<BYTE> info, rows;
    if (bitCount <= 4) {
        // The bitmap's own colours when they fit the depth.
        std::vector<RGBQUAD> own;
        const int sourceBits = bitsOfFormat(bitmap->PixelFormat());
        if (sourceBits && sourceBits <= bitCount) {
            std::vector<BYTE> srcInfo, srcRows;
            if (bitmap->ReadDib(srcInfo, srcRows)) {
                const auto* t = reinterpret_cast<const RGBQUAD*>(srcInfo.data() + sizeof(BITMAPINFOHEADER));
                own.assign(t, t + (1 << sourceBits));
            }
        }
        if (!readRows(bitmap, bitCount, own.empty() ? nullptr : &own, info, rows)) throw EInvalidGraphic(SInvalidBitmap);
        const auto* table = reinterpret_cast<const RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
        return writeDibFile(w, h, bitCount, table, 1 << bitCount, 0, rows.data());
    }
    if (!readRows(bitmap, 24, nullptr, info, rows)) throw EInvalidGraphic(SInvalidBitmap);
    if (bitCount == 24) return writeDibFile(w, h, 24, nullptr, 0, 0, rows.data());
    const TReducedPicture r = ReduceColors(rows.data(), w, h, method);
    // A reported colour count below 256 keeps the table to the colours used.
    const int entries = r.UsedColors > 0 && r.UsedColors < 256 ? r.UsedColors : 256;
    return writeDibFile(w, h, 8, r.Colors.data(), entries, r.UsedColors, r.Bits.data());
}

TPixelFormat PixelFormatForColors(int colors) {
    if (colors <= 2) return pf1bit;
    if (colors <= 16) return pf4bit;
    if (colors > 256) return pf24bit;
    return pf8bit;
}

std::unique_ptr<TMemoryStream> BitmapToDibStreamForColors(TBitmap* bitmap, int colors) {
    return BitmapToDibStream(bitmap, PixelFormatForColors(colors), DefaultMappingMethod);
}
