#include "poster/PictureOps.h"

#include "platform/gdi.h"

#include <algorithm>
#include <vector>

int ProgressPercent(std::int64_t i, std::int64_t n) { return n > 1 ? static_cast<int>(i * 100 / (n - 1)) : 0; }

namespace picops {

ProgressReport::ProgressReport(const TProgressSink& sink) : sink_(sink) { send(0); }

ProgressReport::~ProgressReport() { send(0); }

void ProgressReport::step(std::int64_t i, std::int64_t n) {
    const int p = ProgressPercent(i, n);
    if (p != last_) send(p);
}

void ProgressReport::send(int percent) {
    last_ = percent;
    if (sink_) sink_(percent);
}

Selection::Selection(const TDib* mask, const TDib& picture) {
    if (!mask || !isPicture(*mask)) return;
    all_ = false;
    const BITMAPINFOHEADER& m = mask->Info->bmiHeader;
    const BITMAPINFOHEADER& p = picture.Info->bmiHeader;
    if (m.biBitCount != 1 || m.biWidth != p.biWidth || m.biHeight != p.biHeight) {
        none_ = true;
        return;
    }
    mask_ = *mask;
}

void setPalette(TDib& dib, const PALETTEENTRY* entries, int count) {
    if (!isPicture(dib)) return;
    const int size = paletteSize(dib.Info->bmiHeader.biBitCount);
    count = std::clamp(count, 0, size);
    for (int i = 0; i < count; ++i) {
        const PALETTEENTRY e{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
        dib.Palette.palPalEntry[i] = e;
        dib.Info->bmiColors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
    dib.Palette.palVersion = 0x0300;
    dib.Palette.palNumEntries = static_cast<WORD>(size);
    if (dib.PalHandle) DeleteObject(dib.PalHandle);
    dib.PalHandle = size ? CreatePalette(reinterpret_cast<const LOGPALETTE*>(&dib.Palette)) : nullptr;
}

void setPalette(UniqueDib& dib, const PALETTEENTRY* entries, int count) {
    TDib record = dib.release();
    setPalette(record, entries, count);
    dib.reset(record);
}

UniqueDib newPicture(int width, int height, int bits, const PALETTEENTRY* entries, int count) {
    const int size = paletteSize(bits);
    count = std::clamp(count, 0, size);
    // An info block carrying the colour table for newdib to copy.
    std::vector<unsigned char> block(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * 256, 0);
    auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
    for (int i = 0; i < count; ++i)
        info->bmiColors[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    UniqueDib dib;
    newdib(dib.out(), width, height, bits, count ? info : nullptr, count);
    return dib;
}

UniqueDib newLike(const TDib& like, int width, int height) {
    UniqueDib dib;
    if (!isPicture(like)) return dib;
    const int bits = like.Info->bmiHeader.biBitCount;
    const int size = paletteSize(bits);
    newdib(dib.out(), width, height, bits, size ? like.Info : nullptr, size);
    return dib;
}

}  // namespace picops
