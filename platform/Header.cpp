// The header control: items side by side, each with a width, a text, a bitmap or an image of
// its image list and a sort arrow; items are clicked and resized by dragging their right
// divider (double-clicking it too), and every change is told to the parent.
#include "ImageListImpl.h"
#include "ListViewImpl.h"
#include "platform/GdiObject.h"
#include "platform/codepage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace platform::win {

QColor colourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

bool isCallbackText(const void* text) { return reinterpret_cast<LONG_PTR>(text) == -1; }

std::u16string recordText(const void* text, bool unicode) {
    if (!text || isCallbackText(text)) return {};
    return textArg(reinterpret_cast<LPARAM>(text), unicode);
}

void copyToBuffer(const std::u16string& text, void* buffer, int size, bool unicode) {
    if (!buffer || isCallbackText(buffer) || size <= 0) return;
    copyOut(text, reinterpret_cast<LPARAM>(buffer), static_cast<WPARAM>(size), unicode);
}

bool parentWantsUnicode(HWND control) {
    const HWND parent = GetParent(control);
    if (!parent) return true;
    return SendMessageW(parent, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(control), NF_QUERY) == NFR_UNICODE;
}

LRESULT notifyRecord(HWND control, UINT code, NMHDR* record) {
    Window* w = find(control);
    record->hwndFrom = control;
    record->idFrom = w ? static_cast<UINT_PTR>(w->id) : 0;
    record->code = code;
    return sendToParent(control, WM_NOTIFY, record->idFrom, reinterpret_cast<LPARAM>(record));
}

bool listImageSize(HIMAGELIST list, int* cx, int* cy) {
    il::List* l = il::find(list);
    if (!l) return false;
    *cx = l->cx;
    *cy = l->cy;
    return true;
}

void drawListImage(QPainter& p, HIMAGELIST list, int i, int x, int y, UINT style) {
    il::List* l = il::find(list);
    if (!l || i < 0) return;
    const QImage pixels = il::compose(*l, i, QSize(), CLR_NONE, CLR_DEFAULT, style);
    if (!pixels.isNull()) p.drawImage(x, y, pixels);
}

namespace {

constexpr int kDividerGrip = 4;  // pixels on each side of a divider that start tracking
constexpr int kTextMargin = 6;

struct Item {
    int width = 0;
    std::u16string text;
    bool textCallback = false;
    int fmt = HDF_LEFT | HDF_STRING;
    LPARAM lParam = 0;
    HBITMAP bitmap = nullptr;
    int image = -1;
};

class HeaderControl;

class HeaderWidget : public QWidget {
public:
    explicit HeaderWidget(HeaderControl* c) : control_(c) { setAttribute(Qt::WA_OpaquePaintEvent); }
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    HeaderControl* control_;
};

class HeaderControl : public Control {
public:
    HeaderControl(HWND h, DWORD style) : handle_(h), style_(style) {
        widget_ = new HeaderWidget(this);
        unicode_ = parentWantsUnicode(h);
    }
    ~HeaderControl() override {
        if (widget_) widget_->forget();
    }
    QWidget* widget() const { return widget_; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }
    void styleChanged() override {
        if (Window* w = find(handle_)) style_ = w->style;
        update();
    }

    void setOffset(int x) {
        if (offset_ == x) return;
        offset_ = x;
        update();
    }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        const int index = static_cast<int>(static_cast<LONG>(wParam));
        switch (msg) {
        case HDM_GETITEMCOUNT: r = count(); return true;
        case HDM_INSERTITEMA:
        case HDM_INSERTITEMW: r = insert(index, lParam, msg == HDM_INSERTITEMW); return true;
        case HDM_DELETEITEM: r = remove(index); return true;
        case HDM_GETITEMA:
        case HDM_GETITEMW: r = get(index, lParam, msg == HDM_GETITEMW); return true;
        case HDM_SETITEMA:
        case HDM_SETITEMW: r = set(index, lParam, msg == HDM_SETITEMW, true); return true;
        case HDM_LAYOUT: r = layout(reinterpret_cast<HDLAYOUT*>(lParam)); return true;
        case HDM_HITTEST: {
            auto* info = reinterpret_cast<HDHITTESTINFO*>(lParam);
            r = info ? hitTest(info) : -1;
            return true;
        }
        case HDM_GETITEMRECT:
            if (index < 0 || index >= count() || !lParam) {
                r = FALSE;
                return true;
            }
            *reinterpret_cast<RECT*>(lParam) = toRect(itemRect(index));
            r = TRUE;
            return true;
        case HDM_SETIMAGELIST:
            r = reinterpret_cast<LRESULT>(images_);
            images_ = reinterpret_cast<HIMAGELIST>(lParam);
            update();
            return true;
        case HDM_GETIMAGELIST: r = reinterpret_cast<LRESULT>(images_); return true;
        case HDM_ORDERTOINDEX: r = index >= 0 && index < count() ? order_[static_cast<std::size_t>(index)] : index; return true;
        case HDM_GETORDERARRAY: {
            if (!lParam || index != count()) {
                r = FALSE;
                return true;
            }
            std::copy(order_.begin(), order_.end(), reinterpret_cast<int*>(lParam));
            r = TRUE;
            return true;
        }
        case HDM_SETORDERARRAY: {
            if (!lParam || index != count()) {
                r = FALSE;
                return true;
            }
            std::vector<int> order(reinterpret_cast<const int*>(lParam), reinterpret_cast<const int*>(lParam) + index);
            std::vector<int> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            for (int i = 0; i < index; ++i)
                if (sorted[static_cast<std::size_t>(i)] != i) {
                    r = FALSE;
                    return true;
                }
            order_ = order;
            update();
            r = TRUE;
            return true;
        }
        case WM_SETCURSOR: {
            // The sizing cursor over a divider, and while one is dragged.
            POINT pt{};
            GetCursorPos(&pt);
            ScreenToClient(handle_, &pt);
            HDHITTESTINFO info{pt, 0, -1};
            hitTest(&info);
            if (tracking_ < 0 && !(info.flags & HHT_ONDIVIDER)) return false;
            SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
            r = TRUE;
            return true;
        }
        case CCM_SETUNICODEFORMAT:
            r = unicode_ ? TRUE : FALSE;
            unicode_ = wParam != 0;
            return true;
        case CCM_GETUNICODEFORMAT: r = unicode_ ? TRUE : FALSE; return true;
        default: return false;
        }
    }

    void paint(QPainter& p, const QRect& all) {
        const QColor face = colourOf(GetSysColor(COLOR_BTNFACE));
        p.fillRect(all, face);
        p.setFont(widget_->font());
        for (int at = 0; at < count(); ++at) {
            const int i = order_[static_cast<std::size_t>(at)];
            const QRect r = itemRect(i);
            if (r.right() < all.left() || r.left() > all.right()) continue;
            paintItem(p, i, r, i == pressed_ && pressedInside_);
        }
    }

    // Mouse: a press on a divider starts tracking; on an item (with HDS_BUTTONS) it pushes it.
    void press(const QPoint& pt, Qt::MouseButton button) {
        if (button != Qt::LeftButton) {
            if (button == Qt::RightButton) {
                NMHDR h{};
                notifyRecord(handle_, NM_RCLICK, &h);
            }
            return;
        }
        HDHITTESTINFO info{{pt.x(), pt.y()}, 0, -1};
        hitTest(&info);
        if (info.flags & HHT_ONDIVIDER) {
            Item copy = items_[static_cast<std::size_t>(info.iItem)];
            if (notifyItem(unicode_ ? HDN_BEGINTRACKW : HDN_BEGINTRACKA, info.iItem, HDI_WIDTH, &copy, 0) != 0) return;
            tracking_ = info.iItem;
            trackStart_ = pt.x() - items_[static_cast<std::size_t>(tracking_)].width;
            return;
        }
        if ((info.flags & HHT_ONHEADER) && (style_ & HDS_BUTTONS)) {
            pressed_ = info.iItem;
            pressedInside_ = true;
            update();
        }
    }
    void move(const QPoint& pt) {
        if (tracking_ >= 0) {
            Item copy = items_[static_cast<std::size_t>(tracking_)];
            copy.width = std::max(0, pt.x() - trackStart_);
            if (notifyItem(unicode_ ? HDN_TRACKW : HDN_TRACKA, tracking_, HDI_WIDTH, &copy, 0) != 0) return;
            setWidth(tracking_, copy.width);
            return;
        }
        if (pressed_ >= 0) {
            const bool inside = itemRect(pressed_).contains(pt);
            if (inside != pressedInside_) {
                pressedInside_ = inside;
                update();
            }
        }
    }
    void release(const QPoint& pt, Qt::MouseButton button) {
        if (button != Qt::LeftButton) return;
        if (tracking_ >= 0) {
            const int item = tracking_;
            tracking_ = -1;
            if (find(handle_) && item < count()) {
                Item copy = items_[static_cast<std::size_t>(item)];
                notifyItem(unicode_ ? HDN_ENDTRACKW : HDN_ENDTRACKA, item, HDI_WIDTH, &copy, 0);
            }
            return;
        }
        if (pressed_ >= 0) {
            const int item = pressed_;
            const bool inside = itemRect(item).contains(pt);
            pressed_ = -1;
            update();
            if (inside) notifyItem(unicode_ ? HDN_ITEMCLICKW : HDN_ITEMCLICKA, item, 0, nullptr, 0);
        }
    }
    void doubleClick(const QPoint& pt) {
        HDHITTESTINFO info{{pt.x(), pt.y()}, 0, -1};
        hitTest(&info);
        if (info.flags & HHT_ONDIVIDER) {
            notifyItem(unicode_ ? HDN_DIVIDERDBLCLICKW : HDN_DIVIDERDBLCLICKA, info.iItem, 0, nullptr, 0);
        } else if (info.flags & HHT_ONHEADER) {
            notifyItem(unicode_ ? HDN_ITEMDBLCLICKW : HDN_ITEMDBLCLICKA, info.iItem, 0, nullptr, 0);
        }
    }

    int count() const { return static_cast<int>(items_.size()); }
    int widthOf(int i) const { return items_[static_cast<std::size_t>(i)].width; }

private:
    void update() {
        if (widget_) widget_->update();
    }

    // Items in display order from the left, scrolled by the offset.
    QRect itemRect(int index) const {
        int x = -offset_;
        for (int i : order_) {
            const int w = items_[static_cast<std::size_t>(i)].width;
            if (i == index) return QRect(x, 0, w, widget_ ? widget_->height() : 0);
            x += w;
        }
        return {};
    }

    LRESULT hitTest(HDHITTESTINFO* info) const {
        const QPoint pt(info->pt.x, info->pt.y);
        info->iItem = -1;
        info->flags = 0;
        const int h = widget_ ? widget_->height() : 0;
        if (pt.y() < 0 || pt.y() >= h) {
            info->flags = HHT_NOWHERE;
            return -1;
        }
        if (pt.x() < -offset_) {
            info->flags = HHT_TOLEFT;
            return -1;
        }
        // Dividers first: a divider belongs to the item on its left; of two close ones, the
        // right-most wins so that an item of width 0 can be pulled open again.
        int x = -offset_;
        int divider = -1;
        for (int i : order_) {
            x += items_[static_cast<std::size_t>(i)].width;
            if (std::abs(pt.x() - x) <= kDividerGrip) divider = i;
        }
        if (divider >= 0) {
            info->iItem = divider;
            info->flags = HHT_ONDIVIDER;
            return divider;
        }
        for (int i : order_) {
            if (itemRect(i).contains(pt)) {
                info->iItem = i;
                info->flags = HHT_ONHEADER;
                return i;
            }
        }
        info->flags = HHT_NOWHERE;
        return -1;
    }

    LRESULT layout(HDLAYOUT* l) const {
        if (!l || !l->prc) return FALSE;
        RECT& rc = *l->prc;
        const int height = (style_ & HDS_HIDDEN) ? 0 : preferredHeight();
        if (l->pwpos) {
            l->pwpos->hwnd = handle_;
            l->pwpos->hwndInsertAfter = nullptr;
            l->pwpos->x = rc.left;
            l->pwpos->y = rc.top;
            l->pwpos->cx = rc.right - rc.left;
            l->pwpos->cy = height;
            l->pwpos->flags = SWP_NOZORDER | SWP_NOACTIVATE;
        }
        rc.top += height;
        return TRUE;
    }

public:
    int preferredHeight() const {
        const int text = widget_ ? QFontMetrics(widget_->font()).height() : 13;
        int cy = 0, cx = 0;
        if (images_) listImageSize(images_, &cx, &cy);
        return std::max(text, cy) + 6;
    }

private:
    template <class Record>
    void read(const Record* r, bool unicode, Item& item, bool fresh) {
        const UINT m = r->mask;
        if (m & HDI_WIDTH) item.width = std::max(0, r->cxy);
        if (m & HDI_FORMAT) item.fmt = r->fmt;
        else if (fresh) item.fmt = HDF_LEFT | ((m & HDI_TEXT) ? HDF_STRING : 0);
        if (m & HDI_TEXT) {
            item.textCallback = isCallbackText(r->pszText);
            item.text = recordText(r->pszText, unicode);
        }
        if (m & HDI_LPARAM) item.lParam = r->lParam;
        if (m & HDI_BITMAP) item.bitmap = r->hbm;
        if (m & HDI_IMAGE) item.image = r->iImage;
    }
    template <class Record>
    void write(const Item& item, int index, Record* r, bool unicode) const {
        const UINT m = r->mask;
        if (m & HDI_WIDTH) r->cxy = item.width;
        if (m & HDI_FORMAT) r->fmt = item.fmt;
        if (m & HDI_TEXT) copyToBuffer(item.text, r->pszText, r->cchTextMax, unicode);
        if (m & HDI_LPARAM) r->lParam = item.lParam;
        if (m & HDI_BITMAP) r->hbm = item.bitmap;
        if (m & HDI_IMAGE) r->iImage = item.image;
        if (m & HDI_ORDER) r->iOrder = static_cast<int>(std::find(order_.begin(), order_.end(), index) - order_.begin());
    }

    LRESULT insert(int index, LPARAM lParam, bool unicode) {
        if (!lParam || index < 0) return -1;
        index = std::min(index, count());
        Item item;
        const UINT mask = unicode ? reinterpret_cast<const HDITEMW*>(lParam)->mask : reinterpret_cast<const HDITEMA*>(lParam)->mask;
        if (unicode) read(reinterpret_cast<const HDITEMW*>(lParam), true, item, true);
        else read(reinterpret_cast<const HDITEMA*>(lParam), false, item, true);
        items_.insert(items_.begin() + index, item);
        for (int& o : order_)
            if (o >= index) ++o;
        int at = static_cast<int>(order_.size());
        if (mask & HDI_ORDER) {
            const int wanted = unicode ? reinterpret_cast<const HDITEMW*>(lParam)->iOrder : reinterpret_cast<const HDITEMA*>(lParam)->iOrder;
            if (wanted >= 0 && wanted < at) at = wanted;
        } else {
            // Without an order the item sits where its index says among the others.
            at = 0;
            while (at < static_cast<int>(order_.size()) && order_[static_cast<std::size_t>(at)] < index) ++at;
        }
        order_.insert(order_.begin() + at, index);
        update();
        return index;
    }

    LRESULT remove(int index) {
        if (index < 0 || index >= count()) return FALSE;
        items_.erase(items_.begin() + index);
        order_.erase(std::find(order_.begin(), order_.end(), index));
        for (int& o : order_)
            if (o > index) --o;
        if (pressed_ == index) pressed_ = -1;
        if (tracking_ == index) {
            tracking_ = -1;
        }
        update();
        return TRUE;
    }

    LRESULT get(int index, LPARAM lParam, bool unicode) const {
        if (index < 0 || index >= count() || !lParam) return FALSE;
        const Item& item = items_[static_cast<std::size_t>(index)];
        if (unicode) write(item, index, reinterpret_cast<HDITEMW*>(lParam), true);
        else write(item, index, reinterpret_cast<HDITEMA*>(lParam), false);
        return TRUE;
    }

public:
    // HDM_SETITEM and width changes: HDN_ITEMCHANGING may refuse, HDN_ITEMCHANGED follows.
    LRESULT set(int index, LPARAM lParam, bool unicode, bool fromMessage) {
        if (index < 0 || index >= count() || !lParam) return FALSE;
        Item changed = items_[static_cast<std::size_t>(index)];
        UINT mask;
        if (unicode) {
            read(reinterpret_cast<const HDITEMW*>(lParam), true, changed, false);
            mask = reinterpret_cast<const HDITEMW*>(lParam)->mask;
        } else {
            read(reinterpret_cast<const HDITEMA*>(lParam), false, changed, false);
            mask = reinterpret_cast<const HDITEMA*>(lParam)->mask;
        }
        (void)fromMessage;
        return apply(index, changed, mask);
    }
    void setWidth(int index, int width) {
        Item changed = items_[static_cast<std::size_t>(index)];
        changed.width = width;
        apply(index, changed, HDI_WIDTH);
    }

private:
    LRESULT apply(int index, const Item& changed, UINT mask) {
        Item copy = changed;
        if (notifyItem(unicode_ ? HDN_ITEMCHANGINGW : HDN_ITEMCHANGINGA, index, mask, &copy, 0) != 0) return FALSE;
        if (!find(handle_) || index >= count()) return FALSE;
        items_[static_cast<std::size_t>(index)] = changed;
        update();
        copy = changed;
        notifyItem(unicode_ ? HDN_ITEMCHANGEDW : HDN_ITEMCHANGEDA, index, mask, &copy, 0);
        return TRUE;
    }

    // An NMHEADER with (when `item` is given) an HDITEM of the fields in `mask`.
    LRESULT notifyItem(UINT code, int index, UINT mask, const Item* item, int button) {
        if (unicode_) {
            HDITEMW hd{};
            NMHEADERW n{};
            n.iItem = index;
            n.iButton = button;
            if (item) {
                hd.mask = mask;
                hd.cxy = item->width;
                hd.fmt = item->fmt;
                hd.lParam = item->lParam;
                hd.hbm = item->bitmap;
                hd.iImage = item->image;
                hd.pszText = const_cast<LPWSTR>(item->text.c_str());
                hd.cchTextMax = static_cast<int>(item->text.size());
                n.pitem = &hd;
            }
            return notifyRecord(handle_, code, &n.hdr);
        }
        const std::string ansi = wideToAnsi(item ? item->text : std::u16string());
        HDITEMA hd{};
        NMHEADERA n{};
        n.iItem = index;
        n.iButton = button;
        if (item) {
            hd.mask = mask;
            hd.cxy = item->width;
            hd.fmt = item->fmt;
            hd.lParam = item->lParam;
            hd.hbm = item->bitmap;
            hd.iImage = item->image;
            hd.pszText = const_cast<LPSTR>(ansi.c_str());
            hd.cchTextMax = static_cast<int>(ansi.size());
            n.pitem = &hd;
        }
        return notifyRecord(handle_, code, &n.hdr);
    }

    void paintItem(QPainter& p, int index, const QRect& r, bool down) {
        const Item& item = items_[static_cast<std::size_t>(index)];
        if (r.width() <= 0) return;
        p.save();
        p.setClipRect(r);
        // A raised button, sunk while pushed.
        const QColor light = colourOf(GetSysColor(COLOR_BTNHIGHLIGHT));
        const QColor shadow = colourOf(GetSysColor(COLOR_BTNSHADOW));
        const QColor dark = colourOf(GetSysColor(COLOR_3DDKSHADOW));
        p.setPen(down ? shadow : light);
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.drawLine(r.left(), r.top(), r.left(), r.bottom());
        p.setPen(down ? shadow : dark);
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        if (!down) {
            p.setPen(shadow);
            p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
            p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
        }
        QRect inner = r.adjusted(kTextMargin, 2, -kTextMargin, -2);
        if (down) inner.translate(1, 1);
        // Picture on the left (image) or on the right (bitmap on right); the sort arrow at the right end.
        const bool arrow = (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) != 0;
        if (arrow) {
            const int size = std::min(8, inner.height() / 2);
            const int cx = inner.right() - size;
            const int cy = inner.center().y();
            QPolygon tri;
            if (item.fmt & HDF_SORTUP) tri << QPoint(cx - size / 2, cy + size / 4) << QPoint(cx + size / 2, cy + size / 4) << QPoint(cx, cy - size / 2);
            else tri << QPoint(cx - size / 2, cy - size / 4) << QPoint(cx + size / 2, cy - size / 4) << QPoint(cx, cy + size / 2);
            p.setPen(Qt::NoPen);
            p.setBrush(colourOf(GetSysColor(COLOR_BTNTEXT)));
            p.drawPolygon(tri);
            inner.setRight(inner.right() - size - kTextMargin);
        }
        QImage picture;
        if ((item.fmt & HDF_IMAGE) && images_ && item.image >= 0) {
            if (il::List* l = il::find(images_)) picture = il::compose(*l, item.image, QSize(), CLR_NONE, CLR_DEFAULT, ILD_TRANSPARENT);
        } else if ((item.fmt & HDF_BITMAP) && item.bitmap) {
            bool alpha = false;
            il::bitmapPixels(item.bitmap, &picture, &alpha);
        }
        const bool pictureRight = (item.fmt & HDF_BITMAP_ON_RIGHT) != 0;
        if (!picture.isNull()) {
            const int y = inner.top() + (inner.height() - picture.height()) / 2;
            if (pictureRight) {
                p.drawImage(inner.right() - picture.width() + 1, y, picture);
                inner.setRight(inner.right() - picture.width() - kTextMargin);
            } else {
                p.drawImage(inner.left(), y, picture);
                inner.setLeft(inner.left() + picture.width() + kTextMargin);
            }
        }
        if ((item.fmt & HDF_STRING) || !(item.fmt & (HDF_BITMAP | HDF_IMAGE))) {
            p.setPen(colourOf(GetSysColor(COLOR_BTNTEXT)));
            Qt::Alignment a = Qt::AlignVCenter;
            switch (item.fmt & HDF_JUSTIFYMASK) {
            case HDF_RIGHT: a |= Qt::AlignRight; break;
            case HDF_CENTER: a |= Qt::AlignHCenter; break;
            default: a |= Qt::AlignLeft; break;
            }
            const QString t = p.fontMetrics().elidedText(toQt(item.text), Qt::ElideRight, std::max(0, inner.width()));
            p.drawText(inner, static_cast<int>(a), t);
        }
        p.restore();
    }

    HWND handle_;
    DWORD style_;
    QPointer<HeaderWidget> widget_;
    std::u16string text_;
    std::vector<Item> items_;
    std::vector<int> order_;  // item indexes from the left
    HIMAGELIST images_ = nullptr;
    bool unicode_ = true;
    int offset_ = 0;
    int pressed_ = -1;
    bool pressedInside_ = false;
    int tracking_ = -1;
    int trackStart_ = 0;
};

void HeaderWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (control_) control_->paint(p, rect());
}
void HeaderWidget::mousePressEvent(QMouseEvent* e) {
    if (control_) control_->press(e->position().toPoint(), e->button());
}
void HeaderWidget::mouseMoveEvent(QMouseEvent* e) {
    if (control_) control_->move(e->position().toPoint());
}
void HeaderWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (control_) control_->release(e->position().toPoint(), e->button());
}
void HeaderWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (control_ && e->button() == Qt::LeftButton) control_->doubleClick(e->position().toPoint());
}

}  // namespace

NewControl newHeader(Window& w) {
    auto c = std::make_unique<HeaderControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

void setHeaderOffset(HWND header, int x) {
    Window* w = find(header);
    if (!w) return;
    if (auto* h = dynamic_cast<HeaderControl*>(w->control.get())) h->setOffset(x);
}

}  // namespace platform::win
