#include "poster/BrightContrast.h"

#include <algorithm>
#include <array>

namespace {

using namespace picops;

using Curve = std::array<BYTE, 256>;

inline BYTE clampByte(int v) { return static_cast<BYTE>(std::clamp(v, 0, 255)); }

// Applies a curve to every component: palette entries for palette pictures (the selection
// does not matter there), the selected pixels of true-colour ones.
void applyCurve(UniqueDib& dib, const Curve& curve, const TDib* mask, const TProgressSink& progress) {
    if (!dib) return;
    const TDib& d = dib.get();
    const int bits = d.Info->bmiHeader.biBitCount;
    ProgressReport report(progress);
    if (bits <= 8) {
        const int n = paletteSize(bits);
        PALETTEENTRY entries[256];
        for (int i = 0; i < n; ++i) {
            report.step(i, n);
            const PALETTEENTRY& e = d.Palette.palPalEntry[i];
            entries[i] = PALETTEENTRY{curve[e.peRed], curve[e.peGreen], curve[e.peBlue], 0};
        }
        setPalette(dib, entries, n);
        return;
    }
    const Selection selection(mask, d);
    if (selection.none()) return;
    const int width = d.Info->bmiHeader.biWidth, height = d.Info->bmiHeader.biHeight;
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        BYTE* row = rowFromTop(d, y);
        if (selection.all()) {
            for (int i = 0; i < 3 * width; ++i) row[i] = curve[row[i]];
            continue;
        }
        const BYTE* m = selection.row(y);
        for (int x = 0; x < width; ++x)
            if (Selection::selected(m, x))
                for (int k = 0; k < 3; ++k) row[3 * x + k] = curve[row[3 * x + k]];
    }
}

}  // namespace

void Helligkeit(UniqueDib& Dib, int Amount, const TDib* Selection, const TProgressSink& Progress) {
    Amount = std::clamp(Amount, -255, 255);
    Curve curve;
    for (int v = 0; v < 256; ++v) curve[static_cast<std::size_t>(v)] = clampByte(v + Amount);
    applyCurve(Dib, curve, Selection, Progress);
}

void Kontrast(UniqueDib& Dib, int Amount, const TDib* Selection, const TProgressSink& Progress) {
    Amount = std::clamp(Amount, 0, 200);
    Curve curve;
    for (int v = 0; v < 256; ++v) {
        int r;
        if (Amount <= 100) {
            r = Amount * (v - 127) / 100 + 127;
        } else {
            const int k = 200 - Amount;
            r = v < 128 ? v * k / 100 : 255 - k * (255 - v) / 100;
        }
        curve[static_cast<std::size_t>(v)] = clampByte(r);
    }
    applyCurve(Dib, curve, Selection, Progress);
}
