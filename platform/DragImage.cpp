// Drag images: the screen cannot be drawn on with XOR, so the image is shown in a
// frameless top-level window that lets the mouse through and follows the drag position.
#include "ImageListImpl.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace platform::il {
namespace {

class DragWindow : public QWidget {
public:
    DragWindow()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }
    void setPicture(const QImage& picture) {
        picture_ = picture;
        setFixedSize(picture.size());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, picture_);
    }

private:
    QImage picture_;
};

struct Drag {
    HIMAGELIST list = nullptr;  // the drag image (the cursor image merged in when set)
    QImage plain;               // the drag image without the cursor image
    POINT hotspot{0, 0};        // of `list`'s image
    POINT plainHotspot{0, 0};
    HWND lock = nullptr;
    bool entered = false;
    bool shown = false;
    POINT pos{0, 0};  // relative to the locked window
    QPointer<DragWindow> window;
};

Drag& drag() {
    static Drag d;
    return d;
}

POINT lockOrigin(HWND lock) {
    RECT r{};
    if (lock && GetWindowRect(lock, &r)) return POINT{r.left, r.top};
    return POINT{0, 0};
}

QImage dragPicture() {
    List* l = find(drag().list);
    const QImage* img = l ? l->image(0) : nullptr;
    return img ? img->convertToFormat(QImage::Format_ARGB32_Premultiplied) : QImage();
}

void place() {
    Drag& d = drag();
    if (!d.window) return;
    const POINT o = lockOrigin(d.lock);
    d.window->move(o.x + d.pos.x - d.hotspot.x, o.y + d.pos.y - d.hotspot.y);
}

void showWindow(bool show) {
    Drag& d = drag();
    if (show) {
        if (!d.window) d.window = new DragWindow;
        d.window->setPicture(dragPicture());
        place();
        d.window->show();
    } else if (d.window) {
        d.window->hide();
    }
}

// A one-image list of a picture.
HIMAGELIST listOf(const QImage& picture) {
    HIMAGELIST h = ImageList_Create(picture.width(), picture.height(), ILC_COLOR32 | ILC_MASK, 1, 1);
    if (List* l = find(h)) l->images.push_back(picture.convertToFormat(QImage::Format_ARGB32));
    return h;
}

}  // namespace
}  // namespace platform::il

using namespace platform::il;

BOOL ImageList_BeginDrag(HIMAGELIST himl, int i, int dxHotspot, int dyHotspot) {
    List* l = find(himl);
    const QImage* img = l ? l->image(i) : nullptr;
    if (!img) return FALSE;
    ImageList_EndDrag();
    Drag& d = drag();
    d.plain = *img;
    d.plainHotspot = d.hotspot = POINT{dxHotspot, dyHotspot};
    d.list = listOf(d.plain);
    return d.list ? TRUE : FALSE;
}

BOOL ImageList_DragEnter(HWND lock, int x, int y) {
    Drag& d = drag();
    if (!d.list) return FALSE;
    d.lock = lock;
    d.pos = POINT{x, y};
    d.entered = true;
    d.shown = true;
    showWindow(true);
    return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
    Drag& d = drag();
    if (!d.list) return FALSE;
    d.pos = POINT{x, y};
    place();
    return TRUE;
}

BOOL ImageList_DragLeave(HWND lock) {
    Drag& d = drag();
    if (!d.list || (d.entered && lock != d.lock)) return FALSE;
    d.entered = false;
    d.shown = false;
    showWindow(false);
    return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL show) {
    Drag& d = drag();
    if (!d.list) return FALSE;
    d.shown = show != FALSE;
    showWindow(d.shown);
    return TRUE;
}

void ImageList_EndDrag() {
    Drag& d = drag();
    if (d.window) delete d.window.data();
    if (d.list) ImageList_Destroy(d.list);
    d = Drag{};
}

BOOL ImageList_SetDragCursorImage(HIMAGELIST himl, int i, int dxHotspot, int dyHotspot) {
    Drag& d = drag();
    List* l = find(himl);
    const QImage* found = l ? l->image(i) : nullptr;
    if (!d.list || !found) return FALSE;
    const QImage cursor = *found;
    // The cursor's hot spot meets the drag image's; the picture grows to hold both.
    const QRect plainRect(0, 0, d.plain.width(), d.plain.height());
    const QRect cursorRect(d.plainHotspot.x - dxHotspot, d.plainHotspot.y - dyHotspot, cursor.width(), cursor.height());
    const QRect all = plainRect | cursorRect;
    QImage merged(all.size(), QImage::Format_ARGB32_Premultiplied);
    merged.fill(Qt::transparent);
    {
        QPainter p(&merged);
        p.drawImage(plainRect.topLeft() - all.topLeft(), d.plain);
        p.drawImage(cursorRect.topLeft() - all.topLeft(), cursor);
    }
    HIMAGELIST next = listOf(merged);
    if (!next) return FALSE;
    ImageList_Destroy(d.list);
    d.list = next;
    d.hotspot = POINT{d.plainHotspot.x - all.left(), d.plainHotspot.y - all.top()};
    if (d.window && d.window->isVisible()) showWindow(true);
    return TRUE;
}

HIMAGELIST ImageList_GetDragImage(POINT* pt, POINT* hotspot) {
    Drag& d = drag();
    if (!d.list) return nullptr;
    if (pt) *pt = d.pos;
    if (hotspot) *hotspot = d.hotspot;
    return d.list;
}

namespace platform {

QWidget* dragImageWindow() {
    const Drag& d = il::drag();
    return d.window && d.window->isVisible() ? d.window.data() : nullptr;
}

}  // namespace platform
