// GIF test helpers: an independent reader and writer over giflib, and the indexes of our
// decoded frames.
#pragma once

#include "kit/KitGIF.h"

#include <gif_lib.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace giftest {

struct Rgb {
    BYTE r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// One frame: top-down indexes, its colour table (local, else global), placement and control.
struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<BYTE> pixels;
    std::vector<Rgb> colors;   // empty: the image's global table
    int transparent = -1;
    int delay = 0;  // hundredths of a second
    int disposal = 0;
};

struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> colors;  // global table
    std::vector<Frame> frames;
    int loops = -1;           // -1: no looping block
    std::string comment;
    bool error = false;
};

inline int readMemory(GifFileType* gif, GifByteType* buf, int n) {
    auto* src = static_cast<std::pair<const std::vector<BYTE>*, std::size_t>*>(gif->UserData);
    const std::size_t left = src->first->size() - src->second;
    const std::size_t take = std::min<std::size_t>(left, static_cast<std::size_t>(n));
    std::memcpy(buf, src->first->data() + src->second, take);
    src->second += take;
    return static_cast<int>(take);
}

inline std::vector<Rgb> tableOf(const ColorMapObject* map) {
    std::vector<Rgb> t;
    if (map)
        for (int i = 0; i < map->ColorCount; ++i)
            t.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return t;
}

// giflib's decode (rows de-interlaced).
inline Image decode(const std::vector<BYTE>& bytes) {
    Image out;
    std::pair<const std::vector<BYTE>*, std::size_t> src{&bytes, 0};
    int err = 0;
    GifFileType* gif = DGifOpen(&src, readMemory, &err);
    if (!gif) {
        out.error = true;
        return out;
    }
    if (DGifSlurp(gif) != GIF_OK) out.error = true;
    out.width = gif->SWidth;
    out.height = gif->SHeight;
    out.colors = tableOf(gif->SColorMap);
    for (int i = 0; i < gif->ImageCount && !out.error; ++i) {
        const SavedImage& s = gif->SavedImages[i];
        Frame f;
        f.left = s.ImageDesc.Left;
        f.top = s.ImageDesc.Top;
        f.width = s.ImageDesc.Width;
        f.height = s.ImageDesc.Height;
        f.interlaced = s.ImageDesc.Interlace;
        f.pixels.assign(s.RasterBits, s.RasterBits + static_cast<std::size_t>(f.width) * f.height);
        f.colors = tableOf(s.ImageDesc.ColorMap);
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
            f.transparent = gcb.TransparentColor;
            f.delay = gcb.DelayTime;
            f.disposal = gcb.DisposalMode;
        }
        for (int e = 0; e < s.ExtensionBlockCount; ++e) {
            const ExtensionBlock& b = s.ExtensionBlocks[e];
            if (b.Function == COMMENT_EXT_FUNC_CODE) out.comment.append(reinterpret_cast<const char*>(b.Bytes), b.ByteCount);
        }
        out.frames.push_back(std::move(f));
    }
    for (int e = 0; e < gif->ExtensionBlockCount; ++e) {
        const ExtensionBlock& b = gif->ExtensionBlocks[e];
        if (b.Function == COMMENT_EXT_FUNC_CODE) out.comment.append(reinterpret_cast<const char*>(b.Bytes), b.ByteCount);
    }
    DGifCloseFile(gif, &err);
    return out;
}

inline int writeMemory(GifFileType* gif, const GifByteType* buf, int n) {
    auto* out = static_cast<std::vector<BYTE>*>(gif->UserData);
    out->insert(out->end(), buf, buf + n);
    return n;
}

inline ColorMapObject* mapOf(const std::vector<Rgb>& t) {
    if (t.empty()) return nullptr;
    int n = 2;
    while (n < static_cast<int>(t.size())) n *= 2;
    std::vector<GifColorType> c(static_cast<std::size_t>(n), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < t.size(); ++i) c[i] = GifColorType{t[i].r, t[i].g, t[i].b};
    return GifMakeMapObject(n, c.data());
}

// giflib's encode; interlaced frames get their rows in the pass order.
inline std::vector<BYTE> encode(const Image& img) {
    std::vector<BYTE> out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, writeMemory, &err);
    if (!gif) return {};
    const bool v89 = img.loops >= 0 || !img.comment.empty() ||
                     std::any_of(img.frames.begin(), img.frames.end(), [](const Frame& f) {
                         return f.transparent >= 0 || f.delay || f.disposal;
                     });
    EGifSetGifVersion(gif, v89);
    ColorMapObject* global = mapOf(img.colors);
    EGifPutScreenDesc(gif, img.width, img.height, 8, 0, global);
    if (img.loops >= 0) {
        const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        const GifByteType sub[] = {1, static_cast<GifByteType>(img.loops & 0xFF), static_cast<GifByteType>(img.loops >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, app);
        EGifPutExtensionBlock(gif, 3, sub);
        EGifPutExtensionTrailer(gif);
    }
    for (const Frame& f : img.frames) {
        if (f.transparent >= 0 || f.delay || f.disposal) {
            GraphicsControlBlock gcb{f.disposal, false, f.delay, f.transparent >= 0 ? f.transparent : NO_TRANSPARENT_COLOR};
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        ColorMapObject* local = mapOf(f.colors);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local);
        std::vector<int> order;
        if (f.interlaced) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < f.height; y += step[p]) order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y) order.push_back(y);
        }
        for (int y : order)
            EGifPutLine(gif, const_cast<GifPixelType*>(f.pixels.data() + static_cast<std::size_t>(y) * f.width), f.width);
        if (local) GifFreeMapObject(local);
    }
    if (!img.comment.empty()) EGifPutComment(gif, img.comment.c_str());
    if (global) GifFreeMapObject(global);
    EGifCloseFile(gif, &err);
    return out;
}

// Top-down indexes of one of our decoded frames.
inline std::vector<BYTE> indexesOf(TGIFFrame* frame) {
    std::vector<BYTE> info, bits;
    TBitmap* b = frame->Bitmap();
    if (!b->ReadDib(info, bits)) return {};
    const auto& h = reinterpret_cast<const BITMAPINFO*>(info.data())->bmiHeader;
    const int w = h.biWidth, ht = h.biHeight, bc = h.biBitCount;
    const std::size_t row = static_cast<std::size_t>(((w * bc + 31) / 32) * 4);
    std::vector<BYTE> out;
    for (int y = 0; y < ht; ++y) {
        const BYTE* line = bits.data() + row * static_cast<std::size_t>(ht - 1 - y);
        for (int x = 0; x < w; ++x)
            out.push_back(bc == 8 ? line[x] : bc == 4 ? ((x & 1) ? line[x / 2] & 15 : line[x / 2] >> 4)
                                                      : (line[x / 8] >> (7 - x % 8)) & 1);
    }
    return out;
}

inline std::vector<Rgb> tableOf(const TGIFColorTable& t) {
    std::vector<Rgb> out;
    for (int i = 0; i < t.Count; ++i) out.push_back({t.Colors[i].Red, t.Colors[i].Green, t.Colors[i].Blue});
    return out;
}

// A picture of `colors` entries with structure LZW can find: bands, noise and a gradient.
inline Frame testFrame(int w, int h, int bits, unsigned seed, bool interlaced = false) {
    Frame f;
    f.width = w;
    f.height = h;
    f.interlaced = interlaced;
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i)
        f.colors.push_back({static_cast<BYTE>(i * 255 / std::max(1, n - 1)), static_cast<BYTE>((i * 97 + seed) & 255),
                            static_cast<BYTE>(255 - i * 255 / std::max(1, n - 1))});
    unsigned s = seed * 2654435761u + 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1103515245u + 12345u;
            const int v = (y < h / 3) ? (x / 7) : (y < 2 * h / 3) ? static_cast<int>(s >> 16) : (x + y);
            f.pixels.push_back(static_cast<BYTE>(v % n));
        }
    return f;
}

// One frame of testFrame's, its colours as the global table.
inline Image oneFrame(int w, int h, int bits, unsigned seed, bool interlaced = false) {
    Image img;
    img.width = w;
    img.height = h;
    Frame f = testFrame(w, h, bits, seed, interlaced);
    img.colors = f.colors;
    f.colors.clear();
    img.frames.push_back(std::move(f));
    return img;
}

inline std::vector<BYTE> bytesOf(TGIFImage& gif) {
    TMemoryStream s;
    gif.SaveToStream(&s);
    const auto* p = static_cast<const BYTE*>(s.Memory());
    return std::vector<BYTE>(p, p + s.Size());
}

inline void load(TGIFImage& gif, const std::vector<BYTE>& bytes) {
    TMemoryStream s;
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
    s.SetPosition(0);
    gif.LoadFromStream(&s);
}

}  // namespace giftest
