// Picture memory: making, freeing and owning pictures.
#include "pixwerk/codec.h"
#include "platform/gdi.h"
#include "platform/winuser.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>

namespace pixwerk {
namespace {

// The live pictures: info block to the generation that the record carries. Freeing a
// record whose memory is not live (a copy of a freed record, even when the address has
// been handed out again since, a failed load, a zeroed record) does nothing.
struct Live {
    std::mutex mutex;
    std::unordered_map<const void*, std::uint64_t> blocks;
    std::uint64_t next = 0;
};

Live& live() {
    static Live* l = new Live;
    return *l;
}

std::uint64_t generationOf(const TDib& dib) {
    std::uint64_t g;
    std::memcpy(&g, dib.LibPrivate1, sizeof g);
    return g;
}

void addLive(TDib* dib) {
    std::lock_guard lock(live().mutex);
    const std::uint64_t g = ++live().next;
    live().blocks[dib->Info] = g;
    std::memcpy(dib->LibPrivate1, &g, sizeof g);
}

bool takeLive(const TDib& dib) {
    if (!dib.Info) return false;
    std::lock_guard lock(live().mutex);
    const auto it = live().blocks.find(dib.Info);
    if (it == live().blocks.end() || it->second != generationOf(dib)) return false;
    live().blocks.erase(it);
    return true;
}

void clearRecord(TDib* dib) { std::memset(dib, 0, sizeof *dib); }

std::atomic<std::uint64_t> pixelLimit{0};

}  // namespace

std::int64_t lineBytesFor(std::int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }

bool allocDib(TDib* out, int width, int height, int bits, const RGBQUAD* palette, int entries) {
    clearRecord(out);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        failDib(out, "Unsupported number of bits per pixel");
        return false;
    }
    if (width <= 0 || height <= 0) {
        failDib(out, "Invalid picture size");
        return false;
    }
    const std::int64_t lineBytes = lineBytesFor(width, bits);
    // Rows too long, or too many of them, are refused before their product can overflow;
    // pixel data stays below 2 GB, so sizes fit every signed 32-bit count of its users.
    const std::int64_t imageLimit = std::numeric_limits<std::int32_t>::max();
    if (lineBytes > std::numeric_limits<LONG>::max() || height > imageLimit / lineBytes) {
        failDib(out, "The picture is too large");
        return false;
    }
    const std::int64_t imageBytes = lineBytes * static_cast<std::int64_t>(height);
    const std::uint64_t limit = pixelLimit.load();
    if (limit && static_cast<std::uint64_t>(imageBytes) > limit) {
        failDib(out, "Not enough memory for the picture");
        return false;
    }
    const int colours = bits <= 8 ? 1 << bits : 0;
    const std::size_t infoBytes = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<std::size_t>(colours);
    auto* info = static_cast<BITMAPINFO*>(std::calloc(1, std::max(infoBytes, sizeof(BITMAPINFO))));
    auto* pixels = static_cast<BYTE*>(std::calloc(static_cast<std::size_t>(imageBytes), 1));
    if (!info || !pixels) {
        std::free(info);
        std::free(pixels);
        failDib(out, "Not enough memory for the picture");
        return false;
    }
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(imageBytes);
    h.biXPelsPerMeter = 3780;  // 96 dots per inch
    h.biYPelsPerMeter = 3780;
    h.biClrUsed = static_cast<DWORD>(colours);
    if (colours) {
        RGBQUAD* table = info->bmiColors;
        if (palette && entries > 0) {
            std::copy_n(palette, std::min(entries, colours), table);
        } else if (bits == 1) {
            table[1] = RGBQUAD{255, 255, 255, 0};
        }
    }
    out->Info = info;
    addLive(out);
    out->Bits = pixels;
    out->LineBytes = static_cast<LONG>(lineBytes);
    out->HasPalette = colours ? 1 : 0;
    out->Palette.palVersion = 0x0300;
    syncPalette(out);
    return true;
}

void setAllocationLimit(std::uint64_t bytes) { pixelLimit.store(bytes); }

std::uint64_t allocationLimit() { return pixelLimit.load(); }

void failDib(TDib* out, const std::string& text) {
    deldib(*out);
    clearRecord(out);
    char* dest = reinterpret_cast<char*>(out->Palette.palPalEntry);
    const std::size_t room = sizeof out->Palette.palPalEntry;
    const std::size_t n = std::min(text.size(), room - 1);
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

void syncPalette(TDib* dib) {
    DibPixelsChanged(*dib);
    if (dib->PalHandle) {
        DeleteObject(dib->PalHandle);
        dib->PalHandle = nullptr;
    }
    dib->Palette.palVersion = 0x0300;
    if (!dib->Info || dib->Info->bmiHeader.biBitCount > 8) {
        dib->Palette.palNumEntries = 0;
        return;
    }
    const int colours = 1 << dib->Info->bmiHeader.biBitCount;
    dib->Palette.palNumEntries = static_cast<WORD>(colours);
    for (int i = 0; i < 256; ++i) {
        PALETTEENTRY& e = dib->Palette.palPalEntry[i];
        if (i < colours) {
            const RGBQUAD& q = dib->Info->bmiColors[i];
            e = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        } else {
            e = PALETTEENTRY{0, 0, 0, 0};
        }
    }
    dib->PalHandle = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&dib->Palette));
}

void Progress::row(std::int64_t y, std::int64_t rows) {
    percent(rows > 1 ? static_cast<int>(y * 100 / (rows - 1)) : 0);
}

void Progress::percent(int p) {
    if (!wnd_) return;
    p = from_ + std::clamp(p, 0, 100) * (to_ - from_) / 100;
    if (p == last_) return;
    last_ = p;
    SendMessageA(wnd_, WM_PROGRESS, static_cast<WPARAM>(p), 0);
}

void Progress::phase(int from, int to) {
    from_ = std::clamp(from, 0, 100);
    to_ = std::clamp(to, from_, 100);
}

void Progress::done() {
    from_ = 0, to_ = 100;
    if (!wnd_) return;
    last_ = 0;
    SendMessageA(wnd_, WM_PROGRESS, 0, 0);
}

}  // namespace pixwerk

extern "C" void newdib(TDib* out, int width, int height, int bits, const BITMAPINFO* colours, int entries) {
    if (!out) return;
    pixwerk::allocDib(out, width, height, bits, colours ? colours->bmiColors : nullptr, entries);
}

extern "C" void deldib(TDib dib) {
    if (!pixwerk::takeLive(dib)) return;  // a record without live library memory
    pixwerk::forgetOrigin(dib.Info);
    if (dib.PalHandle) DeleteObject(dib.PalHandle);
    std::free(dib.Bits);
    std::free(dib.Info);
}

std::string DibErrorText(const TDib& dib) {
    if (dib.Bits) return {};
    const char* text = reinterpret_cast<const char*>(dib.Palette.palPalEntry);
    const std::size_t room = sizeof dib.Palette.palPalEntry;
    return std::string(text, strnlen(text, room));
}

UniqueDib::UniqueDib() noexcept { std::memset(&dib_, 0, sizeof dib_); }

TDib* UniqueDib::out() noexcept {
    reset();
    return &dib_;
}

TDib UniqueDib::release() noexcept {
    TDib d = dib_;
    std::memset(&dib_, 0, sizeof dib_);
    return d;
}

void UniqueDib::reset() noexcept {
    deldib(dib_);
    std::memset(&dib_, 0, sizeof dib_);
}

void UniqueDib::reset(const TDib& dib) noexcept {
    if (&dib == &dib_) return;
    TDib keep = dib;
    deldib(dib_);
    dib_ = keep;
}
