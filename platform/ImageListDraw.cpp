// Drawing image lists: styles, blending, overlays and background colours, and icons made
// from images.
#include "ImageListImpl.h"
#include "DeviceContext.h"
#include "platform/winicon.h"

#include <QPainter>

#include <cmath>

namespace platform::il {
namespace {

QImage premultipliedPart(const QImage& image, QSize part, bool ignoreMask) {
    QImage p = image.copy(QRect(QPoint(0, 0), part)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (ignoreMask) {
        QImage opaque = image.copy(QRect(QPoint(0, 0), part));
        for (int y = 0; y < opaque.height(); ++y) {
            auto* px = reinterpret_cast<QRgb*>(opaque.scanLine(y));
            for (int x = 0; x < opaque.width(); ++x) px[x] |= 0xFF000000u;
        }
        p = opaque.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return p;
}

int blendChannel(int c, int toward, int alpha, double k) {
    // Premultiplied: the blend colour counts as much as the pixel is drawn.
    return static_cast<int>(std::nearbyint(c * (1.0 - k) + toward * (alpha / 255.0) * k));
}

}  // namespace

QImage compose(List& list, int i, QSize part, COLORREF rgbBk, COLORREF rgbFg, UINT style) {
    const QImage* found = list.image(i);
    if (!found) return QImage();
    const QImage source = *found;
    if (part.width() <= 0 || part.width() > list.cx) part.setWidth(list.cx);
    if (part.height() <= 0 || part.height() > list.cy) part.setHeight(list.cy);
    const int overlay = static_cast<int>((style & ILD_OVERLAYMASK) >> 8);
    QImage overlayImage;
    if (overlay >= 1) {
        const int oi = list.overlays[static_cast<std::size_t>(overlay - 1)];
        if (const QImage* o = oi >= 0 ? list.image(oi) : nullptr) overlayImage = *o;
    }

    if (style & ILD_MASK) {
        // Black where something is drawn, white elsewhere.
        QImage mask(part, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < part.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            const auto* ov = overlayImage.isNull() ? nullptr : reinterpret_cast<const QRgb*>(overlayImage.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
            for (int x = 0; x < part.width(); ++x) {
                const bool drawn = !list.masked() || qAlpha(in[x]) > 0 || (ov && qAlpha(ov[x]) > 0);
                out[x] = drawn ? 0xFF000000u : 0xFFFFFFFFu;
            }
        }
        return mask;
    }

    QImage layer = premultipliedPart(source, part, (style & ILD_IMAGE) != 0);
    if (!overlayImage.isNull()) {
        QPainter p(&layer);
        p.drawImage(0, 0, overlayImage.copy(QRect(QPoint(0, 0), part)));
    }

    if (style & (ILD_BLEND25 | ILD_BLEND50)) {
        const double k = (style & ILD_BLEND50) ? 0.5 : 0.25;
        const COLORREF fg = rgbFg == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : rgbFg;
        for (int y = 0; y < layer.height(); ++y) {
            auto* px = reinterpret_cast<QRgb*>(layer.scanLine(y));
            for (int x = 0; x < layer.width(); ++x) {
                const int a = qAlpha(px[x]);
                if (fg == CLR_NONE) {
                    // Partly see-through: the destination shows by the blend share.
                    const auto f = [k](int c) { return static_cast<int>(std::nearbyint(c * (1.0 - k))); };
                    px[x] = qRgba(f(qRed(px[x])), f(qGreen(px[x])), f(qBlue(px[x])), f(a));
                } else {
                    px[x] = qRgba(blendChannel(qRed(px[x]), GetRValue(fg), a, k),
                                  blendChannel(qGreen(px[x]), GetGValue(fg), a, k),
                                  blendChannel(qBlue(px[x]), GetBValue(fg), a, k), a);
                }
            }
        }
    }

    const COLORREF bk = (style & ILD_TRANSPARENT) ? CLR_NONE : rgbBk == CLR_DEFAULT ? list.bk : rgbBk;
    if (bk == CLR_NONE) return layer;
    QImage result(part, QImage::Format_ARGB32_Premultiplied);
    result.fill(QColor(GetRValue(bk), GetGValue(bk), GetBValue(bk)));
    QPainter p(&result);
    p.drawImage(0, 0, layer);
    return result;
}

bool drawOnDC(HDC handle, int x, int y, const QImage& pixels) {
    gdi::DC* dc = gdi::findDC(handle);
    if (!dc || pixels.isNull()) return false;
    gdi::Paint p(*dc, false);
    if (!p.active()) return true;  // nothing visible to draw on
    p.painter().setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.painter().drawImage(QPoint(x, y), pixels);
    p.touched(QRect(QPoint(x, y), pixels.size()));
    return true;
}

}  // namespace platform::il

using namespace platform::il;

BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC dc, int x, int y, int dx, int dy, COLORREF rgbBk, COLORREF rgbFg,
                      UINT style) {
    List* l = find(himl);
    if (!l || !platform::gdi::findDC(dc)) return FALSE;
    const QImage pixels = compose(*l, i, QSize(dx, dy), rgbBk, rgbFg, style);
    if (pixels.isNull()) return FALSE;
    return drawOnDC(dc, x, y, pixels) ? TRUE : FALSE;
}

BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC dc, int x, int y, UINT style) {
    return ImageList_DrawEx(himl, i, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

HICON ImageList_GetIcon(HIMAGELIST himl, int i, UINT flags) {
    List* l = find(himl);
    if (!l) return nullptr;
    // Drawn without a background: the icon keeps the transparency.
    const QImage pixels = compose(*l, i, QSize(), CLR_NONE, CLR_DEFAULT, (flags & ~ILD_MASK) | ILD_TRANSPARENT);
    if (pixels.isNull()) return nullptr;
    return platform::iconFromImage(pixels.convertToFormat(QImage::Format_ARGB32));
}
