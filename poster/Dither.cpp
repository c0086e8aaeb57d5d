#include "poster/Dither.h"

#include "platform/gdi.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

TNearestColour::TNearestColour(const PALETTEENTRY* entries, int count) : count_(std::clamp(count, 0, 256)) {
    std::copy_n(entries, count_, entries_);
    if (count_ > 16) cells_.assign(std::size_t{1} << 15, 0);
}

TNearestColour::TNearestColour(const TDib& paletted)
    : TNearestColour(paletted.Palette.palPalEntry,
                     picops::isPicture(paletted) ? picops::paletteSize(paletted.Info->bmiHeader.biBitCount) : 0) {}

BYTE TNearestColour::small(int red, int green, int blue) const {
    const UINT i = NearestPaletteEntry(entries_, static_cast<UINT>(count_), RGB(red, green, blue));
    return i == CLR_INVALID ? 0 : static_cast<BYTE>(i);
}

std::uint32_t TNearestColour::makeCell(int cr, int cg, int cb) {
    // An entry can be nearest to a colour of the cell only when its least distance to the
    // cell is at most the smallest greatest distance of any entry.
    const int low[3] = {cr << 3, cg << 3, cb << 3};
    int nearest[256], farthest = INT32_MAX;
    for (int i = 0; i < count_; ++i) {
        const int v[3] = {entries_[i].peRed, entries_[i].peGreen, entries_[i].peBlue};
        int least = 0, most = 0;
        for (int k = 0; k < 3; ++k) {
            const int lo = low[k], hi = low[k] + 7;
            const int inside = v[k] < lo ? lo - v[k] : (v[k] > hi ? v[k] - hi : 0);
            const int outside = std::max(std::abs(v[k] - lo), std::abs(v[k] - hi));
            least += inside * inside;
            most += outside * outside;
        }
        nearest[i] = least;
        farthest = std::min(farthest, most);
    }
    const std::size_t start = pool_.size();
    for (int i = 0; i < count_; ++i)
        if (nearest[i] <= farthest)
            pool_.push_back(Candidate{entries_[i].peRed, entries_[i].peGreen, entries_[i].peBlue, static_cast<BYTE>(i)});
    const std::size_t n = pool_.size() - start;
    return static_cast<std::uint32_t>((start + 1) << 8 | (n - 1));
}

namespace {

inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

void DitherToPalette(TDib Source, TDib Dest, const TProgressSink& Progress) {
    using namespace picops;
    if (!isPicture(Source) || !isPicture(Dest)) return;
    const BITMAPINFOHEADER& s = Source.Info->bmiHeader;
    const BITMAPINFOHEADER& d = Dest.Info->bmiHeader;
    const int width = s.biWidth, height = s.biHeight, sourceBits = s.biBitCount, destBits = d.biBitCount;
    if (destBits > 8 || d.biWidth < width || d.biHeight < height) return;
    ProgressReport report(Progress);
    TNearestColour nearest(Dest);
    const PALETTEENTRY* palette = Dest.Palette.palPalEntry;
    const PALETTEENTRY* sourcePalette = Source.Palette.palPalEntry;

    // Two error rows of width + 2 slots (blue, green, red), in sixteenths.
    const std::size_t slots = 3 * (static_cast<std::size_t>(width) + 2);
    std::vector<std::int16_t> first(slots, 0), second(slots, 0);
    std::int16_t* current = first.data();
    std::int16_t* next = second.data();

    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        const BYTE* in = rowFromTop(Source, y);
        BYTE* out = rowFromTop(Dest, y);
        const bool forward = (y & 1) == 0;
        // The next row is written from slot `width` backwards; its first slot and the
        // padding at both ends start at 0.
        std::fill_n(next + 3 * width, 6, std::int16_t{0});
        std::fill_n(next, 3, std::int16_t{0});
        for (int i = 0; i < width; ++i) {
            const int x = forward ? i : width - 1 - i;
            std::int16_t* carried = current + 3 * (1 + i);
            int b, g, r;
            if (sourceBits == 24) {
                b = in[3 * x];
                g = in[3 * x + 1];
                r = in[3 * x + 2];
            } else {
                const PALETTEENTRY& e = sourcePalette[indexAt(in, x, sourceBits)];
                b = e.peBlue;
                g = e.peGreen;
                r = e.peRed;
            }
            b = clampByte(b + (carried[0] + 8) / 16);
            g = clampByte(g + (carried[1] + 8) / 16);
            r = clampByte(r + (carried[2] + 8) / 16);
            const BYTE index = nearest(r, g, b);
            if (destBits == 8) out[x] = index;
            else setIndexAt(out, x, destBits, index);
            const PALETTEENTRY& chosen = palette[index];
            const int error[3] = {b - chosen.peBlue, g - chosen.peGreen, r - chosen.peRed};
            std::int16_t* below = next + 3 * (width - i);
            for (int k = 0; k < 3; ++k) {
                const int e1 = error[k], e3 = e1 + 2 * e1, e5 = e3 + 2 * e1, e7 = e5 + 2 * e1;
                below[k - 3] = static_cast<std::int16_t>(e1);                // ahead, first write
                below[k + 3] = static_cast<std::int16_t>(below[k + 3] + e3);  // behind
                below[k] = static_cast<std::int16_t>(below[k] + e5);          // directly below
                carried[k + 3] = static_cast<std::int16_t>(carried[k + 3] + e7);
            }
        }
        std::swap(current, next);
    }
}
