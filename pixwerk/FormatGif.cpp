// GIF through giflib: the first picture of a file, placed on its logical screen, with the
// transparent colour shown as white. Written at 1, 4 or 8 bits; 24-bit pictures are reduced
// to 256 colours first.
#include "pixwerk/codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace pixwerk {
namespace {

struct MemoryInput {
    const BYTE* data;
    std::size_t size;
    std::size_t pos = 0;
};

int readMemory(GifFileType* gif, GifByteType* buf, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(n > 0 ? static_cast<std::size_t>(n) : 0, in->size - in->pos);
    std::memcpy(buf, in->data + in->pos, count);
    in->pos += count;
    return static_cast<int>(count);
}

int writeFile(GifFileType* gif, const GifByteType* buf, int n) {
    return static_cast<int>(std::fwrite(buf, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(gif->UserData)));
}

struct Closer {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifPtr = std::unique_ptr<GifFileType, Closer>;

std::string gifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("Damaged GIF file: ") + (text ? text : "unknown error");
}

// Skips extensions up to the first picture; the transparent index of its control block, or -1.
bool findFirstImage(GifFileType* gif, int& transparent, std::string& error) {
    transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return error = gifError(gif->Error), false;
        if (type == IMAGE_DESC_RECORD_TYPE) return true;
        if (type == TERMINATE_RECORD_TYPE) return error = "The GIF file holds no picture", false;
        if (type != EXTENSION_RECORD_TYPE) return error = gifError(D_GIF_ERR_WRONG_RECORD), false;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return error = gifError(gif->Error), false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return error = gifError(gif->Error), false;
        }
    }
}

struct Canvas {
    int width, height, left, top;
};

// The logical screen when the picture lies on it, else the picture's own extent.
bool canvasFor(const GifFileType* gif, Canvas& c) {
    const GifImageDesc& d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0 || d.Width > kMaxSide || d.Height > kMaxSide) return false;
    const bool fits = gif->SWidth <= kMaxSide && gif->SHeight <= kMaxSide && d.Left >= 0 && d.Top >= 0 &&
                      d.Left + d.Width <= gif->SWidth && d.Top + d.Height <= gif->SHeight;
    c = fits ? Canvas{gif->SWidth, gif->SHeight, d.Left, d.Top} : Canvas{d.Width, d.Height, 0, 0};
    return true;
}

void fillRow(BYTE* row, int width, int bits, unsigned value) {
    for (int x = 0; x < width; ++x) setIndexAt(row, x, bits, value);
}

bool readImage(GifFileType* gif, const Canvas& c, int transparent, TDib* out, Progress& progress, std::string& error) {
    const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    RGBQUAD table[256];
    int entries = 256;
    if (map && map->ColorCount > 0 && map->ColorCount <= 256) {
        entries = map->ColorCount;
        for (int i = 0; i < entries; ++i) {
            const GifColorType& g = map->Colors[i];
            table[i] = RGBQUAD{g.Blue, g.Green, g.Red, 0};
        }
    } else {
        greyTable(table, 256);
    }
    const int bits = bitsForColours(entries);
    const unsigned limit = 1u << bits;
    std::fill(table + entries, table + limit, RGBQUAD{0, 0, 0, 0});
    if (transparent >= 0 && static_cast<unsigned>(transparent) < limit) table[transparent] = RGBQUAD{255, 255, 255, 0};
    if (!allocDib(out, c.width, c.height, bits, table, static_cast<int>(limit))) return false;

    const GifImageDesc& d = gif->Image;
    unsigned background = transparent >= 0 ? static_cast<unsigned>(transparent) : static_cast<unsigned>(gif->SBackGroundColor);
    if (background >= limit) background = 0;
    if (c.width != d.Width || c.height != d.Height)
        for (int y = 0; y < c.height; ++y) fillRow(rowFromTop(*out, y), c.width, bits, background);

    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    const int passes = d.Interlace ? 4 : 1;
    std::vector<GifPixelType> line(static_cast<std::size_t>(d.Width));
    int done = 0;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = d.Interlace ? kStart[pass] : 0, step = d.Interlace ? kStep[pass] : 1;
        for (int y = start; y < d.Height; y += step) {
            if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) {
                error = gifError(gif->Error);
                return false;
            }
            BYTE* row = rowFromTop(*out, c.top + y);
            for (int x = 0; x < d.Width; ++x) setIndexAt(row, c.left + x, bits, line[x] < limit ? line[x] : 0u);
            progress.row(done++, d.Height);
        }
    }
    return true;
}

}  // namespace

bool sniffGif(const BYTE* data, std::size_t size) {
    return size >= 6 && std::memcmp(data, "GIF8", 4) == 0 && (data[4] == '7' || data[4] == '9') && data[5] == 'a';
}

bool decodeGif(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    MemoryInput input{data, size};
    int code = 0;
    GifPtr gif(DGifOpen(&input, readMemory, &code));
    if (!gif) {
        failDib(out, gifError(code));
        return false;
    }
    std::string error;
    int transparent = -1;
    Canvas canvas{};
    if (!findFirstImage(gif.get(), transparent, error)) {
        failDib(out, error);
        return false;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
        failDib(out, gifError(gif->Error));
        return false;
    }
    if (!canvasFor(gif.get(), canvas)) {
        failDib(out, "The GIF picture's size is not supported");
        return false;
    }
    if (!readImage(gif.get(), canvas, transparent, out, progress, error)) {
        if (!error.empty()) failDib(out, error);
        return false;
    }
    return true;
}

bool encodeGif(const TDib& dib, std::FILE* file, int, Progress& progress) {
    UniqueDib reduced;
    const TDib* source = &dib;
    if (dib.Info->bmiHeader.biBitCount == 24) {
        // The colour reduction takes most of the time of a save.
        if (!reduceTo8Bits(dib, reduced.out(), progress, 0, 70)) return false;
        source = &reduced.get();
        progress.phase(70, 100);
    }
    const BITMAPINFOHEADER& h = source->Info->bmiHeader;
    const int colours = 1 << h.biBitCount;
    std::vector<GifColorType> palette(static_cast<std::size_t>(colours));
    for (int i = 0; i < colours; ++i) {
        const RGBQUAD& q = source->Info->bmiColors[i];
        palette[i] = GifColorType{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    int code = 0;
    GifFileType* gif = EGifOpen(file, writeFile, &code);
    if (!gif) return false;
    ColorMapObject* map = GifMakeMapObject(colours, palette.data());
    bool ok = map && EGifPutScreenDesc(gif, h.biWidth, h.biHeight, h.biBitCount, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, h.biWidth, h.biHeight, false, nullptr) == GIF_OK;
    GifFreeMapObject(map);
    std::vector<GifPixelType> line(static_cast<std::size_t>(h.biWidth));
    for (int y = 0; ok && y < h.biHeight; ++y) {
        unpackIndexes(rowFromTop(*source, y), h.biWidth, h.biBitCount, line.data());
        ok = EGifPutLine(gif, line.data(), h.biWidth) == GIF_OK;
        progress.row(y, h.biHeight);
    }
    return EGifCloseFile(gif, &code) == GIF_OK && ok;
}

}  // namespace pixwerk
