// Logical palettes.
#include "platform/GdiObject.h"
#include "platform/gdi.h"

#include <algorithm>
#include <climits>

using platform::gdi::Palette;

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palNumEntries == 0) return nullptr;
    auto p = std::make_unique<Palette>();
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return static_cast<HPALETTE>(platform::gdi::add(std::move(p)));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    auto* p = platform::gdi::find<Palette>(palette, OBJ_PAL);
    if (!p) return 0;
    const UINT size = static_cast<UINT>(p->entries.size());
    if (!entries) return size;
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::copy_n(p->entries.begin() + start, n, entries);
    return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    auto* p = platform::gdi::find<Palette>(palette, OBJ_PAL);
    if (!p || !entries) return 0;
    const UINT size = static_cast<UINT>(p->entries.size());
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::copy_n(entries, n, p->entries.begin() + start);
    return n;
}

UINT NearestPaletteEntry(const PALETTEENTRY* entries, UINT count, COLORREF colour) {
    if (!entries || count == 0) return CLR_INVALID;
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    UINT best = 0;
    long bestDistance = LONG_MAX;
    for (UINT i = 0; i < count; ++i) {
        const PALETTEENTRY& e = entries[i];
        const long dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) {
    auto* p = platform::gdi::find<Palette>(palette, OBJ_PAL);
    if (!p || p->entries.empty()) return CLR_INVALID;
    return NearestPaletteEntry(p->entries.data(), static_cast<UINT>(p->entries.size()), colour);
}
