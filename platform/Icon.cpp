// Icons: a picture with its transparency behind a checked handle.
#include "platform/winicon.h"
#include "ImageListImpl.h"
#include "DeviceContext.h"
#include "platform/GdiObject.h"

#include "platform/winerror.h"
#include "platform/winuser.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include <map>
#include <memory>
#include <mutex>

namespace platform {
namespace {

struct Icon {
    QImage image;  // ARGB32, not premultiplied
    bool isIcon = true;
    POINT hotspot{0, 0};
};

std::mutex& iconMutex() {
    static std::mutex m;
    return m;
}

std::map<HICON, std::unique_ptr<Icon>>& icons() {
    static auto* m = new std::map<HICON, std::unique_ptr<Icon>>;
    return *m;
}

// The system's icons by identifier; they live as long as the process.
std::map<WORD, HICON>& sharedIcons() {
    static auto* m = new std::map<WORD, HICON>;
    return *m;
}

bool isShared(HICON h) {
    for (const auto& [id, icon] : sharedIcons())
        if (icon == h) return true;
    return false;
}

HICON addIcon(std::unique_ptr<Icon> icon) {
    std::lock_guard lock(iconMutex());
    const auto h = reinterpret_cast<HICON>(icon.get());
    icons()[h] = std::move(icon);
    return h;
}

// A copy of the icon's data; false for a bad handle.
bool iconData(HICON h, Icon* out) {
    std::lock_guard lock(iconMutex());
    const auto it = icons().find(h);
    if (it == icons().end()) return false;
    *out = *it->second;
    return true;
}

}  // namespace

HICON iconFromImage(const QImage& image) {
    if (image.isNull()) return nullptr;
    auto icon = std::make_unique<Icon>();
    icon->image = image.convertToFormat(QImage::Format_ARGB32);
    return addIcon(std::move(icon));
}

QImage iconImage(HICON h) {
    Icon icon;
    return iconData(h, &icon) ? icon.image : QImage();
}

int liveIconCount() {
    std::lock_guard lock(iconMutex());
    return static_cast<int>(icons().size() - sharedIcons().size());
}

}  // namespace platform

using namespace platform;

HICON CreateIconIndirect(const ICONINFO* info) {
    if (!info || !info->hbmMask) return nullptr;
    QImage maskImage;
    if (!il::bitmapPixels(info->hbmMask, &maskImage, nullptr)) return nullptr;
    auto icon = std::make_unique<Icon>();
    icon->isIcon = info->fIcon != FALSE;
    icon->hotspot = POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
    QImage colour;
    bool alpha = false;
    if (info->hbmColor) {
        if (!il::bitmapPixels(info->hbmColor, &colour, &alpha)) return nullptr;
    } else {
        // Black and white: the lower half is the picture, the upper half its mask.
        const int h = maskImage.height() / 2;
        if (h <= 0) return nullptr;
        colour = maskImage.copy(0, h, maskImage.width(), h);
        maskImage = maskImage.copy(0, 0, maskImage.width(), h);
    }
    for (int y = 0; y < colour.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(colour.scanLine(y));
        const auto* m = y < maskImage.height() ? reinterpret_cast<const QRgb*>(maskImage.constScanLine(y)) : nullptr;
        for (int x = 0; x < colour.width(); ++x) {
            const bool transparent = m && x < maskImage.width() && gdi::monoOf(m[x]) == 0xFFFFFFFFu;
            const int a = transparent ? 0 : alpha ? qAlpha(p[x]) : 255;
            p[x] = (p[x] & 0x00FFFFFFu) | (QRgb(a) << 24);
        }
    }
    icon->image = std::move(colour);
    return addIcon(std::move(icon));
}

HICON CopyIcon(HICON h) {
    Icon icon;
    if (!iconData(h, &icon)) return nullptr;
    return addIcon(std::make_unique<Icon>(icon));
}

BOOL DestroyIcon(HICON h) {
    std::lock_guard lock(iconMutex());
    if (isShared(h)) return TRUE;
    return icons().erase(h) ? TRUE : FALSE;
}

namespace {

HICON systemIcon(WORD id) {
    {
        std::lock_guard lock(iconMutex());
        if (auto it = sharedIcons().find(id); it != sharedIcons().end()) return it->second;
    }
    QStyle::StandardPixmap pixmap;
    switch (id) {
    case IDI_HAND: pixmap = QStyle::SP_MessageBoxCritical; break;
    case IDI_QUESTION: pixmap = QStyle::SP_MessageBoxQuestion; break;
    case IDI_EXCLAMATION: pixmap = QStyle::SP_MessageBoxWarning; break;
    case IDI_ASTERISK: pixmap = QStyle::SP_MessageBoxInformation; break;
    case IDI_APPLICATION: pixmap = QStyle::SP_DesktopIcon; break;
    default: SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND); return nullptr;
    }
    QStyle* style = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
    QImage image = style ? style->standardIcon(pixmap).pixmap(32, 32).toImage() : QImage();
    if (image.isNull()) {
        // Without a style: a plain round sign in the kind's colour.
        image = QImage(32, 32, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(id == IDI_HAND ? QColor(200, 0, 0) : id == IDI_EXCLAMATION ? QColor(230, 170, 0) : QColor(0, 90, 200));
        p.setPen(Qt::NoPen);
        p.drawEllipse(2, 2, 28, 28);
    }
    if (image.size() != QSize(32, 32)) image = image.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    HICON h = iconFromImage(image);
    std::lock_guard lock(iconMutex());
    sharedIcons()[id] = h;
    return h;
}

}  // namespace

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return systemIcon(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    if (instance || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return systemIcon(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
}

BOOL GetIconInfo(HICON h, ICONINFO* info) {
    Icon icon;
    if (!info || !iconData(h, &icon)) return FALSE;
    const int w = icon.image.width(), hgt = icon.image.height();
    BYTE* out = nullptr;
    HBITMAP colour = il::newSection(w, hgt, 32, &out);
    if (!colour) return FALSE;
    auto mask = std::make_unique<gdi::Bitmap>();
    mask->bitsPixel = 1;
    mask->image = QImage(w, hgt, QImage::Format_RGB32);
    for (int y = 0; y < hgt; ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(icon.image.constScanLine(y));
        auto* m = reinterpret_cast<QRgb*>(mask->image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            BYTE* px = out + (static_cast<std::size_t>(y) * w + x) * 4;
            px[0] = static_cast<BYTE>(qBlue(p[x]));
            px[1] = static_cast<BYTE>(qGreen(p[x]));
            px[2] = static_cast<BYTE>(qRed(p[x]));
            px[3] = static_cast<BYTE>(qAlpha(p[x]));
            m[x] = qAlpha(p[x]) ? 0xFF000000u : 0xFFFFFFFFu;
        }
    }
    if (auto* b = gdi::find<gdi::Bitmap>(colour, OBJ_BITMAP)) b->pull();
    info->fIcon = icon.isIcon ? TRUE : FALSE;
    info->xHotspot = static_cast<DWORD>(icon.isIcon ? w / 2 : icon.hotspot.x);
    info->yHotspot = static_cast<DWORD>(icon.isIcon ? hgt / 2 : icon.hotspot.y);
    info->hbmColor = colour;
    info->hbmMask = static_cast<HBITMAP>(gdi::add(std::move(mask)));
    return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON h, int cx, int cy, UINT, HBRUSH flickerBrush, UINT flags) {
    Icon icon;
    if (!iconData(h, &icon) || !gdi::findDC(dc)) return FALSE;
    if (cx <= 0) cx = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : icon.image.width();
    if (cy <= 0) cy = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : icon.image.height();
    if (!(flags & DI_NORMAL)) flags |= DI_NORMAL;
    QImage picture = icon.image;
    if (picture.size() != QSize(cx, cy))
        picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                      .scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_ARGB32);
    QImage out(cx, cy, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    COLORREF fill = 0;
    if (flickerBrush && solidBrushColour(flickerBrush, &fill)) out.fill(QColor(GetRValue(fill), GetGValue(fill), GetBValue(fill)));
    QPainter p(&out);
    if ((flags & DI_NORMAL) == DI_MASK) {
        // The mask alone: black where the icon is drawn, white elsewhere.
        QImage mask(cx, cy, QImage::Format_ARGB32_Premultiplied);
        for (int row = 0; row < cy; ++row) {
            const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(row));
            auto* m = reinterpret_cast<QRgb*>(mask.scanLine(row));
            for (int col = 0; col < cx; ++col) m[col] = qAlpha(in[col]) ? 0xFF000000u : 0xFFFFFFFFu;
        }
        p.drawImage(0, 0, mask);
    } else if ((flags & DI_NORMAL) == DI_IMAGE) {
        QImage opaque = picture;
        for (int row = 0; row < cy; ++row) {
            auto* in = reinterpret_cast<QRgb*>(opaque.scanLine(row));
            for (int col = 0; col < cx; ++col) in[col] |= 0xFF000000u;
        }
        p.drawImage(0, 0, opaque);
    } else {
        p.drawImage(0, 0, picture);
    }
    p.end();
    return il::drawOnDC(dc, x, y, out) ? TRUE : FALSE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE); }
