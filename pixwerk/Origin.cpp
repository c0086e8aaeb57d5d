// The file each picture was opened from, and whether its pixels changed since.
#include "pixwerk/codec.h"
#include "platform/digest.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace pixwerk {
namespace {

struct Entry {
    TDibOrigin origin;
    bool unchanged = true;
    std::uint64_t pixels = 0;  // digest of the colour table and the pixel rows at opening
};

struct Origins {
    std::mutex mutex;
    std::unordered_map<const void*, Entry> entries;
    // The picture last marked changed: repeated marks (a setpixel loop) cost one compare.
    std::atomic<const void*> lastChanged{nullptr};
};

Origins& origins() {
    static Origins* o = new Origins;
    return *o;
}

std::size_t infoBytes(const TDib& dib) {
    const int bits = dib.Info->bmiHeader.biBitCount;
    return sizeof(BITMAPINFOHEADER) + (bits <= 8 ? sizeof(RGBQUAD) * (std::size_t(1) << bits) : 0);
}

std::uint64_t pixelDigest(const TDib& dib) {
    platform::ContentDigest d;
    d.add(dib.Info, infoBytes(dib));
    d.add(dib.Bits, static_cast<std::size_t>(dib.LineBytes) * static_cast<std::size_t>(dib.Info->bmiHeader.biHeight));
    return d.value();
}

}  // namespace

void recordOrigin(const TDib& dib, const std::string& fileName, int type, const BYTE* file, std::size_t size) {
    if (!dib.Info || !dib.Bits) return;
    Entry e;
    e.origin.fileName = fileName;
    e.origin.type = type;
    e.origin.fileSize = size;
    e.origin.fileDigest = platform::contentDigest(file, size);
    e.pixels = pixelDigest(dib);
    Origins& o = origins();
    std::lock_guard lock(o.mutex);
    o.entries[dib.Info] = std::move(e);
    o.lastChanged.store(nullptr);
}

void forgetOrigin(const void* info) {
    if (!info) return;
    Origins& o = origins();
    std::lock_guard lock(o.mutex);
    o.entries.erase(info);
    o.lastChanged.store(nullptr);
}

}  // namespace pixwerk

void DibPixelsChanged(const TDib& dib) {
    using namespace pixwerk;
    const void* key = dib.Info;
    Origins& o = origins();
    if (!key || o.lastChanged.load(std::memory_order_relaxed) == key) return;
    std::lock_guard lock(o.mutex);
    auto it = o.entries.find(key);
    if (it != o.entries.end()) it->second.unchanged = false;
    o.lastChanged.store(key);
}

bool DibOrigin(const TDib& dib, TDibOrigin& out) {
    using namespace pixwerk;
    if (!dib.Info || !dib.Bits) return false;
    Entry e;
    {
        Origins& o = origins();
        std::lock_guard lock(o.mutex);
        auto it = o.entries.find(dib.Info);
        if (it == o.entries.end() || !it->second.unchanged) return false;
        e = it->second;
    }
    // Pixels written without a mark are found here.
    if (pixelDigest(dib) != e.pixels) {
        DibPixelsChanged(dib);
        return false;
    }
    out = e.origin;
    return true;
}
