// Item drawing through the program for Qt-backed controls: area DCs, owner drawing and the
// custom-draw stages.
#include "CustomDraw.h"
#include "DeviceContext.h"
#include "WindowImpl.h"

namespace platform::win {
namespace {

// An image that a DC draws on; it reports nothing, the caller draws the image when done.
class ImageDevice : public gdi::Device {
public:
    explicit ImageDevice(QImage* image) : image_(image) {}
    gdi::DeviceCaps caps() const override {
        gdi::DeviceCaps c = gdi::screenCaps();
        c.horzRes = image_->width();
        c.vertRes = image_->height();
        return c;
    }
    QImage* image() override { return image_; }

private:
    QImage* image_;
};

}  // namespace

HDC createAreaDC(QImage* image, const QRect& area) {
    if (!image || image->isNull()) return nullptr;
    HDC dc = gdi::createDC(std::make_shared<ImageDevice>(image));
    gdi::DC* d = gdi::findDC(dc);
    if (!d) return nullptr;
    d->base = -area.topLeft();
    d->state.origin = d->base;
    d->baseClip = QRegion(image->rect());
    return dc;
}

void ownerDrawItem(HWND control, UINT type, QPainter& painter, const QRect& area, int item, UINT action,
                   UINT state, ULONG_PTR data, const QColor& background) {
    if (area.isEmpty()) return;
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(background);
    HDC dc = createAreaDC(&image, area);
    if (!dc) return;
    Window* w = find(control);
    DRAWITEMSTRUCT d{};
    d.CtlType = type;
    d.CtlID = w ? static_cast<UINT>(w->id) : 0;
    d.itemID = static_cast<UINT>(item);
    d.itemAction = action;
    d.itemState = state;
    d.hwndItem = control;
    d.hDC = dc;
    d.rcItem = toRect(area);
    d.itemData = data;
    sendToParent(control, WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    DeleteDC(dc);
    painter.drawImage(area.topLeft(), image);
}

int measureItem(HWND control, UINT type, int item, ULONG_PTR data, int width, int height) {
    Window* w = find(control);
    MEASUREITEMSTRUCT m{};
    m.CtlType = type;
    m.CtlID = w ? static_cast<UINT>(w->id) : 0;
    m.itemID = static_cast<UINT>(item);
    m.itemWidth = static_cast<UINT>(std::max(0, width));
    m.itemHeight = static_cast<UINT>(std::max(0, height));
    m.itemData = data;
    sendToParent(control, WM_MEASUREITEM, m.CtlID, reinterpret_cast<LPARAM>(&m));
    return m.itemHeight > 0 && m.itemHeight < 32768 ? static_cast<int>(m.itemHeight) : height;
}

LRESULT CustomDrawPass::stage(QPainter& painter, const QRect& area, DWORD stage, QImage* image) {
    HDC dc = createAreaDC(image, area);
    Window* w = find(control_);
    record_.hdr.hwndFrom = control_;
    record_.hdr.idFrom = w ? static_cast<UINT_PTR>(w->id) : 0;
    record_.hdr.code = NM_CUSTOMDRAW;
    record_.dwDrawStage = stage;
    record_.hdc = dc;
    record_.rc = toRect(area);
    const LRESULT r = sendToParent(control_, WM_NOTIFY, record_.hdr.idFrom, reinterpret_cast<LPARAM>(&record_));
    record_.hdc = nullptr;
    if (dc) DeleteDC(dc);
    return r;
}

namespace {
// A stage draws on a transparent image of its area, which is then laid over the view.
QImage layerOf(const QRect& area) {
    QImage image(area.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}
}  // namespace

LRESULT CustomDrawPass::begin(QPainter& painter, const QRect& area) {
    record_.dwItemSpec = 0;
    record_.uItemState = 0;
    record_.lItemlParam = 0;
    QImage image = layerOf(area);
    answer_ = stage(painter, area, CDDS_PREPAINT, &image);
    painter.drawImage(area.topLeft(), image);
    return answer_;
}

LRESULT CustomDrawPass::item(QPainter& painter, const QRect& area, DWORD_PTR item, UINT state, LPARAM param,
                             const std::function<void(QPainter&)>& paintDefault, DWORD subItemStage) {
    if (!(answer_ & CDRF_NOTIFYITEMDRAW)) {
        paintDefault(painter);
        return CDRF_DODEFAULT;
    }
    record_.dwItemSpec = item;
    record_.uItemState = state;
    record_.lItemlParam = param;
    // The item is drawn on an image of its area: the program's drawing, then the default.
    QImage image = layerOf(area);
    const DWORD pre = CDDS_ITEMPREPAINT | subItemStage;
    const LRESULT r = stage(painter, area, pre, &image);
    itemAnswer_ = r;
    if (!(r & CDRF_SKIPDEFAULT)) {
        QPainter p(&image);
        p.translate(-area.topLeft());
        paintDefault(p);
    }
    if (r & CDRF_NOTIFYPOSTPAINT) {
        record_.dwItemSpec = item;
        record_.uItemState = state;
        record_.lItemlParam = param;
        stage(painter, area, CDDS_ITEMPOSTPAINT | subItemStage, &image);
    }
    painter.drawImage(area.topLeft(), image);
    return r;
}

void CustomDrawPass::end(QPainter& painter, const QRect& area) {
    if (!(answer_ & CDRF_NOTIFYPOSTPAINT)) return;
    record_.dwItemSpec = 0;
    record_.uItemState = 0;
    record_.lItemlParam = 0;
    QImage image = layerOf(area);
    stage(painter, area, CDDS_POSTPAINT, &image);
    painter.drawImage(area.topLeft(), image);
}

}  // namespace platform::win
