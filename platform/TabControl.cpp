// The tab control: tabs with texts and images in a row above the display area, the chosen
// one raised and joined to the area; clicks and arrow keys change it with the parent's leave.
#include "CommonControlImpl.h"
#include "ImageListImpl.h"
#include "platform/commctrl.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace platform::win {
namespace {

QColor qcolourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

struct Tab {
    std::u16string text;
    int image = -1;
    LPARAM param = 0;
    DWORD state = 0;
};

class TabControl;

class TabWidget : public QWidget {
public:
    explicit TabWidget(TabControl* c) : control_(c) { setAttribute(Qt::WA_OpaquePaintEvent); }
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TabControl* control_;
};

class TabControl : public Control {
public:
    TabControl(HWND h, DWORD style) : handle_(h), style_(style) { widget_ = new TabWidget(this); }
    ~TabControl() override {
        if (widget_) widget_->forget();
    }
    QWidget* widget() const { return widget_; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }
    void styleChanged() override {
        if (Window* w = find(handle_)) style_ = w->style;
        repaint();
    }
    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override;
    void paint(QPainter& p);

private:
    void repaint() {
        if (widget_) widget_->update();
    }
    int tabHeight() const {
        if (itemSize_.height() > 0) return itemSize_.height();
        int h = QFontMetrics(widget_->font()).height() + 7;
        int cx = 0, cy = 0;
        if (images_ && ImageList_GetIconSize(images_, &cx, &cy)) h = std::max(h, cy + 6);
        return h;
    }
    QRect tabRect(int i) const {
        if (i < 0 || i >= static_cast<int>(tabs_.size())) return {};
        const QFontMetrics fm(widget_->font());
        int cx = 0, cy = 0;
        const bool icons = images_ && ImageList_GetIconSize(images_, &cx, &cy);
        int x = 2;
        for (int k = 0; k <= i; ++k) {
            const Tab& t = tabs_[static_cast<std::size_t>(k)];
            int w = (style_ & TCS_FIXEDWIDTH) && itemSize_.width() > 0
                        ? itemSize_.width()
                        : fm.horizontalAdvance(mnemonicText(t.text)) + 12 + (icons && t.image >= 0 ? cx + 3 : 0);
            w = std::max(w, minWidth_);
            if (k == i) return QRect(x, 2, w, tabHeight());
            x += w;
        }
        return {};
    }
    QRect display() const { return QRect(0, tabHeight() + 2, widget_->width(), std::max(0, widget_->height() - tabHeight() - 2)); }
    int hitTest(QPoint p) const {
        for (int i = 0; i < static_cast<int>(tabs_.size()); ++i) {
            QRect r = tabRect(i);
            if (i == cur_) r.adjust(-2, -2, 2, 0);
            if (r.contains(p)) return i;
        }
        return -1;
    }
    LRESULT notify(UINT code) {
        NMHDR h{};
        h.hwndFrom = handle_;
        Window* w = find(handle_);
        h.idFrom = w ? static_cast<UINT_PTR>(w->id) : 0;
        h.code = code;
        return sendToParent(handle_, WM_NOTIFY, h.idFrom, reinterpret_cast<LPARAM>(&h));
    }
    // A change by the user: asked, made and told.
    void choose(int i) {
        if (i < 0 || i >= static_cast<int>(tabs_.size()) || i == cur_) return;
        QPointer<QWidget> alive(widget_);
        if (notify(TCN_SELCHANGING) != 0 || !alive) return;
        cur_ = i;
        focus_ = i;
        repaint();
        notify(TCN_SELCHANGE);
    }
    bool setItem(const TCITEMW* t, Tab& tab, bool wide) {
        if (!t) return false;
        if (t->mask & TCIF_TEXT) tab.text = textArg(reinterpret_cast<LPARAM>(t->pszText), wide);
        if (t->mask & TCIF_IMAGE) tab.image = t->iImage;
        if (t->mask & TCIF_PARAM) tab.param = t->lParam;
        if (t->mask & TCIF_STATE) tab.state = (tab.state & ~t->dwStateMask) | (t->dwState & t->dwStateMask);
        return true;
    }

    HWND handle_;
    DWORD style_;
    QPointer<TabWidget> widget_;
    std::u16string text_;
    std::vector<Tab> tabs_;
    int cur_ = -1;
    int focus_ = -1;
    QSize itemSize_;
    int minWidth_ = 0;
    HIMAGELIST images_ = nullptr;
};

void TabWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (control_) control_->paint(p);
}

bool TabControl::message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    const QPoint pt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (msg) {
    case WM_GETDLGCODE: r = DLGC_WANTARROWS; return true;
    case WM_LBUTTONDOWN: {
        const int i = hitTest(pt);
        if (!(style_ & TCS_FOCUSNEVER)) SetFocus(handle_);
        if (i >= 0) choose(i);
        return true;
    }
    case WM_LBUTTONUP: notify(NM_CLICK); return true;
    case WM_RBUTTONUP: notify(NM_RCLICK); return true;
    case WM_KEYDOWN: {
        struct {
            NMHDR hdr;
            WORD wVKey;
            UINT flags;
        } k{};
        k.hdr.hwndFrom = handle_;
        k.hdr.code = TCN_KEYDOWN;
        k.wVKey = static_cast<WORD>(wParam);
        sendToParent(handle_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&k));
        if (wParam == VK_LEFT) choose(cur_ - 1);
        else if (wParam == VK_RIGHT) choose(cur_ + 1);
        else return false;
        return true;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: repaint(); return false;
    case WM_SETFONT: {
        if (Window* w = find(handle_)) controlFontMessage(*w, msg, wParam, lParam, r);
        repaint();
        return true;
    }
    case TCM_GETITEMCOUNT: r = static_cast<LRESULT>(tabs_.size()); return true;
    case TCM_INSERTITEMA:
    case TCM_INSERTITEMW: {
        Tab t;
        if (!setItem(reinterpret_cast<const TCITEMW*>(lParam), t, msg == TCM_INSERTITEMW)) {
            r = -1;
            return true;
        }
        const int at = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(tabs_.size()));
        tabs_.insert(tabs_.begin() + at, std::move(t));
        if (cur_ >= at) ++cur_;
        if (cur_ < 0) cur_ = 0;
        repaint();
        r = at;
        return true;
    }
    case TCM_SETITEMA:
    case TCM_SETITEMW: {
        const int i = static_cast<int>(wParam);
        r = i >= 0 && i < static_cast<int>(tabs_.size()) &&
            setItem(reinterpret_cast<const TCITEMW*>(lParam), tabs_[static_cast<std::size_t>(i)], msg == TCM_SETITEMW);
        repaint();
        return true;
    }
    case TCM_GETITEMA:
    case TCM_GETITEMW: {
        const int i = static_cast<int>(wParam);
        auto* t = reinterpret_cast<TCITEMW*>(lParam);
        if (!t || i < 0 || i >= static_cast<int>(tabs_.size())) {
            r = FALSE;
            return true;
        }
        const Tab& tab = tabs_[static_cast<std::size_t>(i)];
        if ((t->mask & TCIF_TEXT) && t->pszText && t->cchTextMax > 0)
            copyOut(tab.text, reinterpret_cast<LPARAM>(t->pszText), static_cast<WPARAM>(t->cchTextMax), msg == TCM_GETITEMW);
        if (t->mask & TCIF_IMAGE) t->iImage = tab.image;
        if (t->mask & TCIF_PARAM) t->lParam = tab.param;
        if (t->mask & TCIF_STATE) t->dwState = tab.state & t->dwStateMask;
        r = TRUE;
        return true;
    }
    case TCM_DELETEITEM: {
        const int i = static_cast<int>(wParam);
        if (i < 0 || i >= static_cast<int>(tabs_.size())) {
            r = FALSE;
            return true;
        }
        tabs_.erase(tabs_.begin() + i);
        if (cur_ == i) cur_ = tabs_.empty() ? -1 : std::min(i, static_cast<int>(tabs_.size()) - 1);
        else if (cur_ > i) --cur_;
        repaint();
        r = TRUE;
        return true;
    }
    case TCM_DELETEALLITEMS:
        tabs_.clear();
        cur_ = -1;
        repaint();
        r = TRUE;
        return true;
    case TCM_GETITEMRECT: {
        auto* rc = reinterpret_cast<RECT*>(lParam);
        const QRect q = tabRect(static_cast<int>(wParam));
        if (!rc || !q.isValid()) {
            r = FALSE;
            return true;
        }
        *rc = toRect(q);
        r = TRUE;
        return true;
    }
    case TCM_GETCURSEL: r = cur_; return true;
    case TCM_SETCURSEL: {
        r = cur_;
        const int i = static_cast<int>(static_cast<LONG>(wParam));
        if (i < 0 || i >= static_cast<int>(tabs_.size())) {
            r = -1;
            return true;
        }
        cur_ = i;
        repaint();
        return true;
    }
    case TCM_GETCURFOCUS: r = focus_ < 0 ? cur_ : focus_; return true;
    case TCM_SETCURFOCUS: choose(static_cast<int>(wParam)); return true;
    case TCM_HITTEST: {
        auto* h = reinterpret_cast<TCHITTESTINFO*>(lParam);
        if (!h) {
            r = -1;
            return true;
        }
        r = hitTest(QPoint(h->pt.x, h->pt.y));
        h->flags = r < 0 ? TCHT_NOWHERE : TCHT_ONITEMLABEL;
        return true;
    }
    case TCM_ADJUSTRECT: {
        auto* rc = reinterpret_cast<RECT*>(lParam);
        if (!rc) return true;
        const int top = tabHeight() + 2;
        if (wParam) {
            // From a display area to the window around it.
            rc->left -= 2;
            rc->right += 2;
            rc->top -= top + 2;
            rc->bottom += 2;
        } else {
            rc->left += 2;
            rc->right -= 2;
            rc->top += top + 2;
            rc->bottom -= 2;
        }
        return true;
    }
    case TCM_SETITEMSIZE:
        r = MAKELONG(static_cast<WORD>(itemSize_.width()), static_cast<WORD>(itemSize_.height()));
        itemSize_ = QSize(LOWORD(lParam), HIWORD(lParam));
        repaint();
        return true;
    case TCM_SETMINTABWIDTH:
        r = minWidth_;
        minWidth_ = static_cast<int>(lParam);
        repaint();
        return true;
    case TCM_GETROWCOUNT: r = 1; return true;
    case TCM_SETIMAGELIST:
        r = reinterpret_cast<LRESULT>(images_);
        images_ = reinterpret_cast<HIMAGELIST>(lParam);
        repaint();
        return true;
    case TCM_GETIMAGELIST: r = reinterpret_cast<LRESULT>(images_); return true;
    default: return false;
    }
}

void TabControl::paint(QPainter& p) {
    const QColor face = qcolourOf(GetSysColor(COLOR_BTNFACE));
    const QColor light = qcolourOf(GetSysColor(COLOR_BTNHIGHLIGHT));
    const QColor shadow = qcolourOf(GetSysColor(COLOR_BTNSHADOW));
    const QColor dark = qcolourOf(GetSysColor(COLOR_3DDKSHADOW));
    p.fillRect(widget_->rect(), face);
    // The display area's raised frame.
    const QRect d = display().adjusted(0, 0, -1, -1);
    p.setPen(light);
    p.drawLine(d.topLeft(), d.topRight());
    p.drawLine(d.topLeft(), d.bottomLeft());
    p.setPen(dark);
    p.drawLine(d.bottomLeft(), d.bottomRight());
    p.drawLine(d.topRight(), d.bottomRight());
    p.setPen(shadow);
    p.drawLine(d.bottomLeft() + QPoint(1, -1), d.bottomRight() + QPoint(-1, -1));
    p.drawLine(d.topRight() + QPoint(-1, 1), d.bottomRight() + QPoint(-1, -1));
    p.setFont(widget_->font());
    const bool focused = GetFocus() == handle_;
    for (int i = 0; i < static_cast<int>(tabs_.size()); ++i) {
        QRect r = tabRect(i);
        const bool chosen = i == cur_;
        if (chosen) r.adjust(-2, -2, 2, 1);
        p.fillRect(r.adjusted(1, 1, -1, 0), face);
        p.setPen(light);
        p.drawLine(r.left(), r.bottom(), r.left(), r.top() + 2);
        p.drawLine(r.left() + 2, r.top(), r.right() - 2, r.top());
        p.drawPoint(r.left() + 1, r.top() + 1);
        p.setPen(dark);
        p.drawLine(r.right(), r.top() + 2, r.right(), r.bottom());
        p.drawPoint(r.right() - 1, r.top() + 1);
        p.setPen(shadow);
        p.drawLine(r.right() - 1, r.top() + 2, r.right() - 1, r.bottom());
        if (!chosen) {
            p.setPen(light);
            p.drawLine(r.left(), r.bottom() + 1, r.right(), r.bottom() + 1);
        }
        const Tab& t = tabs_[static_cast<std::size_t>(i)];
        QRect inner = r.adjusted(6, 2, -6, 0);
        if (images_ && t.image >= 0) {
            if (il::List* l = il::find(images_)) {
                const QImage img = il::compose(*l, t.image, QSize(), CLR_NONE, CLR_DEFAULT, ILD_TRANSPARENT);
                if (!img.isNull()) {
                    p.drawImage(inner.left(), inner.top() + (inner.height() - img.height()) / 2, img);
                    inner.setLeft(inner.left() + img.width() + 3);
                }
            }
        }
        p.setPen(qcolourOf(GetSysColor(IsWindowEnabled(handle_) ? COLOR_BTNTEXT : COLOR_GRAYTEXT)));
        p.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, toQt(t.text));
        if (chosen && focused) {
            QPen pen(qcolourOf(GetSysColor(COLOR_BTNTEXT)), 1, Qt::DotLine);
            p.setPen(pen);
            p.drawRect(r.adjusted(3, 3, -4, -2));
        }
    }
}

}  // namespace

NewControl newTabControl(Window& w) {
    auto c = std::make_unique<TabControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win
