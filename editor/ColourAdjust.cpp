#include "editor/ColourAdjust.h"

#include "editor/EditorOps.h"
#include "editor/PixelRows.h"

#include <array>
#include <cmath>

namespace {

using namespace picops;
using editor::clampByte;
using editor::luminance;

using Curve = std::array<BYTE, 256>;

int bitCount(const UniqueDib& dib) { return dib ? dib.get().Info->bmiHeader.biBitCount : 0; }

// Calls f(red, green, blue) on every palette entry of a 4- or 8-bit picture, or on every
// selected pixel of a 24-bit one; f leaves each component in 0..255.
template <class F>
void mapColours(UniqueDib& dib, const TDib* mask, const TProgressSink& progress, F f) {
    const int bits = bitCount(dib);
    if (bits != 4 && bits != 8 && bits != 24) return;
    const TDib& d = dib.get();
    ProgressReport report(progress);
    if (bits <= 8) {
        const int n = paletteSize(bits);
        PALETTEENTRY entries[256];
        for (int i = 0; i < n; ++i) {
            report.step(i, n);
            const PALETTEENTRY& e = d.Palette.palPalEntry[i];
            int r = e.peRed, g = e.peGreen, b = e.peBlue;
            f(r, g, b);
            entries[i] = PALETTEENTRY{static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), 0};
        }
        setPalette(dib, entries, n);
        return;
    }
    const Selection selection(mask, d);
    if (selection.none()) return;
    const int width = d.Info->bmiHeader.biWidth, height = d.Info->bmiHeader.biHeight;
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        BYTE* p = rowFromTop(d, y);
        const BYTE* m = selection.all() ? nullptr : selection.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            if (m && !Selection::selected(m, x)) continue;
            int b = p[0], g = p[1], r = p[2];
            f(r, g, b);
            p[0] = static_cast<BYTE>(b);
            p[1] = static_cast<BYTE>(g);
            p[2] = static_cast<BYTE>(r);
        }
    }
}

// One curve per channel.
void mapCurves(UniqueDib& dib, const TDib* mask, const TProgressSink& progress, const Curve& red, const Curve& green,
               const Curve& blue) {
    mapColours(dib, mask, progress, [&](int& r, int& g, int& b) {
        r = red[static_cast<std::size_t>(r)];
        g = green[static_cast<std::size_t>(g)];
        b = blue[static_cast<std::size_t>(b)];
    });
}

template <class F>
Curve makeCurve(F f) {
    Curve c;
    for (int v = 0; v < 256; ++v) c[static_cast<std::size_t>(v)] = static_cast<BYTE>(clampByte(f(v)));
    return c;
}

}  // namespace

void HSLToRGB(int Hue, int Saturation, int Lightness, int& Red, int& Green, int& Blue) {
    Hue = clampByte(Hue);
    Saturation = clampByte(Saturation);
    Lightness = clampByte(Lightness);
    const int d = Hue * 1535 / 255;
    int c[3];  // red, green, blue
    switch (d >> 8) {
    case 0: c[0] = 255, c[1] = d, c[2] = 0; break;
    case 1: c[0] = 511 - d, c[1] = 255, c[2] = 0; break;
    case 2: c[0] = 0, c[1] = 255, c[2] = d - 512; break;
    case 3: c[0] = 0, c[1] = 1023 - d, c[2] = 255; break;
    case 4: c[0] = d - 1024, c[1] = 0, c[2] = 255; break;
    default: c[0] = 255, c[1] = 0, c[2] = 1535 - d; break;
    }
    const int l = Lightness - 127;
    for (int& x : c) {
        x = (Saturation * x + (255 - Saturation) * 128) / 255;
        if (Lightness >= 128) x = x + (((255 - x) * l) >> 7);
        else if (Lightness < 127) x = x - x * (127 - Lightness) / 128;
    }
    Red = c[0];
    Green = c[1];
    Blue = c[2];
}

void DibInvert(UniqueDib& Dib, const TDib* Mask, const TProgressSink& Progress) {
    if (bitCount(Dib) == 1) {
        const TDib& d = Dib.get();
        ProgressReport report(Progress);
        const int height = d.Info->bmiHeader.biHeight;
        for (int y = 0; y < height; ++y) {
            report.step(y, height);
            BYTE* row = storedRow(d, y);
            for (LONG i = 0; i < d.LineBytes; ++i) row[i] = static_cast<BYTE>(~row[i]);
        }
        DibPixelsChanged(d);
        return;
    }
    const Curve c = makeCurve([](int v) { return 255 - v; });
    mapCurves(Dib, Mask, Progress, c, c, c);
}

void Saettigung(UniqueDib& Dib, int Amount, const TDib* Mask, const TProgressSink& Progress) {
    const long long f = static_cast<long long>(Amount) + 100;
    const Curve c = makeCurve([f](int v) {
        const long long r = 128 + f * (v - 128) / 100;
        return static_cast<int>(r < 0 ? 0 : (r > 255 ? 255 : r));
    });
    mapCurves(Dib, Mask, Progress, c, c, c);
}

void HighMidShadow(UniqueDib& Dib, int Highlights, int Midtones, int Shadows, const TDib* Mask,
                   const TProgressSink& Progress) {
    if (Shadows > Highlights) Shadows = Highlights;
    if (Midtones < Shadows) Midtones = Shadows;
    if (Midtones > Highlights) Midtones = Highlights;
    const int shift = std::clamp(Midtones, -1024, 1024) - 128;
    mapColours(Dib, Mask, Progress, [=](int& r, int& g, int& b) {
        const int l = luminance(r, g, b);
        if (l >= Highlights) {
            r = g = b = 255;
        } else if (l <= Shadows) {
            r = g = b = 0;
        } else {
            r = clampByte(r + shift);
            g = clampByte(g + shift);
            b = clampByte(b + shift);
        }
    });
}

void RedGreenBlue(UniqueDib& Dib, int Red, int Green, int Blue, const TDib* Mask, const TProgressSink& Progress) {
    auto scale = [](int amount) {
        const long long f = static_cast<long long>(amount) + 100;
        return makeCurve([f](int v) {
            const long long r = v * f / 100;
            return static_cast<int>(r < 0 ? 0 : (r > 255 ? 255 : r));
        });
    };
    mapCurves(Dib, Mask, Progress, scale(Red), scale(Green), scale(Blue));
}

void Colorize(UniqueDib& Dib, int Hue, int Saturation, const TDib* Mask, const TProgressSink& Progress) {
    // The result depends on the luminance alone: one colour per luminance.
    std::array<std::array<int, 3>, 256> colour;
    for (int l = 0; l < 256; ++l) {
        auto& c = colour[static_cast<std::size_t>(l)];
        HSLToRGB(Hue, Saturation, l, c[0], c[1], c[2]);
    }
    mapColours(Dib, Mask, Progress, [&](int& r, int& g, int& b) {
        const auto& c = colour[static_cast<std::size_t>(r * 30 / 100 + g * 59 / 100 + b * 11 / 100)];
        r = c[0];
        g = c[1];
        b = c[2];
    });
}

void Gamma(UniqueDib& Dib, double Value, const TDib* Mask, const TProgressSink& Progress) {
    Curve c;
    for (int v = 0; v < 256; ++v) {
        const double x = std::nearbyint(2.0 * v - 256.0 * power(v / 256.0, Value));
        // NaN and infinities come out as the nearer end.
        c[static_cast<std::size_t>(v)] = static_cast<BYTE>(x >= 255.0 ? 255 : (x > 0.0 ? static_cast<int>(x) : 0));
    }
    mapCurves(Dib, Mask, Progress, c, c, c);
}

void DibGrayscale(UniqueDib& Dib, const TDib* Mask, const TProgressSink& Progress) {
    mapColours(Dib, Mask, Progress, [](int& r, int& g, int& b) { r = g = b = luminance(r, g, b); });
}

void StretchHistogramm(UniqueDib& Dib, const TDib* Mask, const TProgressSink& Progress) {
    const int bits = bitCount(Dib);
    if (bits != 4 && bits != 8 && bits != 24) return;
    const TDib& d = Dib.get();
    int lo = 256, hi = -1;
    if (bits == 24) {
        const Selection selection(Mask, d);
        if (selection.none()) return;
        const int width = d.Info->bmiHeader.biWidth, height = d.Info->bmiHeader.biHeight;
        for (int y = 0; y < height; ++y) {
            const BYTE* p = rowFromTop(d, y);
            const BYTE* m = selection.all() ? nullptr : selection.row(y);
            for (int x = 0; x < width; ++x, p += 3) {
                if (m && !Selection::selected(m, x)) continue;
                const int l = luminance(p[2], p[1], p[0]);
                lo = std::min(lo, l);
                hi = std::max(hi, l);
            }
        }
    } else {
        const editor::PixelRows rows(d);
        bool used[256] = {};
        for (int y = 0; y < rows.height(); ++y)
            for (int x = 0; x < rows.width(); ++x) used[rows.get(x, y)] = true;
        for (int i = 0; i < paletteSize(bits); ++i) {
            if (!used[i]) continue;
            const PALETTEENTRY& e = d.Palette.palPalEntry[i];
            const int l = luminance(e.peRed, e.peGreen, e.peBlue);
            lo = std::min(lo, l);
            hi = std::max(hi, l);
        }
    }
    if (hi < lo) return;  // nothing selected
    const int n = hi - lo + 1;
    const Curve c = makeCurve([=](int v) { return (v - lo) * 256 / n; });
    mapCurves(Dib, Mask, Progress, c, c, c);
}

void DibPoster(UniqueDib& Dib, int Shift, const TDib* Mask, const TProgressSink& Progress) {
    Shift = std::clamp(Shift, 0, 8);
    const Curve c = makeCurve([Shift](int v) { return (v >> Shift) << Shift; });
    mapCurves(Dib, Mask, Progress, c, c, c);
}

void DibSolar(UniqueDib& Dib, int Level, const TDib* Mask, const TProgressSink& Progress) {
    const long long t = 765 - 3LL * Level;
    mapColours(Dib, Mask, Progress, [t](int& r, int& g, int& b) {
        if (r + g + b < t) return;
        r = 255 - r;
        g = 255 - g;
        b = 255 - b;
    });
}
