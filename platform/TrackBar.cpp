// The track bar: a range, a position, line and page steps and tick marks; the thumb is
// dragged, the channel clicked for page steps and the keys move by lines and pages.
#include "CommonControlImpl.h"
#include "platform/commctrl.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <set>

namespace platform::win {
namespace {

QColor qcolourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

constexpr int kThumbLong = 20;  // across the channel
constexpr int kThumbShort = 10;  // along it
constexpr int kMargin = 8;       // from the ends of the window to the channel's ends

class TrackControl;

class TrackWidget : public QWidget {
public:
    explicit TrackWidget(TrackControl* c) : control_(c) { setAttribute(Qt::WA_OpaquePaintEvent); }
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TrackControl* control_;
};

class TrackControl : public Control {
public:
    TrackControl(HWND h, DWORD style) : handle_(h), style_(style) { widget_ = new TrackWidget(this); }
    ~TrackControl() override {
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
    bool vertical() const { return (style_ & TBS_VERT) != 0; }
    int length() const { return vertical() ? widget_->height() : widget_->width(); }
    int across() const { return vertical() ? widget_->width() : widget_->height(); }
    // The pixel along the channel of a position.
    int pixelOf(int pos) const {
        const int span = std::max(1, max_ - min_);
        const int usable = std::max(1, length() - 2 * kMargin);
        return kMargin + static_cast<int>(static_cast<long long>(pos - min_) * usable / span);
    }
    int positionAt(int pixel) const {
        const int usable = std::max(1, length() - 2 * kMargin);
        const long long span = max_ - min_;
        const long long raw = (static_cast<long long>(pixel - kMargin) * span + usable / 2) / usable;
        return std::clamp(static_cast<int>(min_ + raw), min_, max_);
    }
    QRect channel() const {
        const int c = across() / 2 - ((style_ & TBS_BOTH) ? 0 : 3);
        if (vertical()) return QRect(c - 2, kMargin, 4, std::max(0, length() - 2 * kMargin));
        return QRect(kMargin, c - 2, std::max(0, length() - 2 * kMargin), 4);
    }
    QRect thumb() const {
        const QRect ch = channel();
        const int at = pixelOf(pos_);
        const int longSide = std::min(kThumbLong, across() - 4);
        if (vertical()) return QRect(ch.center().x() - longSide / 2, at - kThumbShort / 2, longSide, kThumbShort);
        return QRect(at - kThumbShort / 2, ch.center().y() - longSide / 2, kThumbShort, longSide);
    }
    void repaint() {
        if (widget_) widget_->update();
    }
    void setPos(int pos, bool redraw = true) {
        pos_ = std::clamp(pos, min_, std::max(min_, max_));
        if (redraw) repaint();
    }
    // Moves by the user: the new position and the parent told.
    void move(int pos, WORD code) {
        setPos(pos);
        tell(code, 0);
    }
    void tell(WORD code, int pos) {
        const UINT msg = vertical() ? WM_VSCROLL : WM_HSCROLL;
        SendMessageW(GetParent(handle_), msg, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(handle_));
    }
    int along(QPoint p) const { return vertical() ? p.y() : p.x(); }

    HWND handle_;
    DWORD style_;
    QPointer<TrackWidget> widget_;
    std::u16string text_;
    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
    int line_ = 1;
    int page_ = 20;
    int freq_ = 1;
    int selStart_ = 0;
    int selEnd_ = 0;
    std::set<int> tics_;
    bool dragging_ = false;
    int grabOffset_ = 0;
};

void TrackWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (control_) control_->paint(p);
}

bool TrackControl::message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    const QPoint pt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (msg) {
    case WM_GETDLGCODE: r = DLGC_WANTARROWS; return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: repaint(); return false;
    case WM_LBUTTONDOWN: {
        SetFocus(handle_);
        if (style_ & TBS_NOTHUMB) return true;
        if (thumb().adjusted(-1, -1, 1, 1).contains(pt)) {
            dragging_ = true;
            grabOffset_ = along(pt) - pixelOf(pos_);
            SetCapture(handle_);
            return true;
        }
        // A click beside the thumb moves one page towards the point.
        if (along(pt) < pixelOf(pos_)) move(pos_ - page_, vertical() ? TB_PAGEUP : TB_PAGEUP);
        else move(pos_ + page_, TB_PAGEDOWN);
        tell(TB_ENDTRACK, 0);
        return true;
    }
    case WM_MOUSEMOVE:
        if (dragging_) {
            const int pos = positionAt(along(pt) - grabOffset_);
            if (pos != pos_) {
                setPos(pos);
                tell(TB_THUMBTRACK, pos_);
            }
        }
        return true;
    case WM_LBUTTONUP:
        if (dragging_) {
            dragging_ = false;
            if (GetCapture() == handle_) ReleaseCapture();
            tell(TB_THUMBPOSITION, pos_);
            tell(TB_ENDTRACK, 0);
        }
        return true;
    case WM_CAPTURECHANGED: dragging_ = false; return false;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_LEFT:
        case VK_UP: move(pos_ - line_, TB_LINEUP); break;
        case VK_RIGHT:
        case VK_DOWN: move(pos_ + line_, TB_LINEDOWN); break;
        case VK_PRIOR: move(pos_ - page_, TB_PAGEUP); break;
        case VK_NEXT: move(pos_ + page_, TB_PAGEDOWN); break;
        case VK_HOME: move(min_, TB_TOP); break;
        case VK_END: move(max_, TB_BOTTOM); break;
        default: return false;
        }
        return true;
    case WM_KEYUP:
        if (wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR ||
            wParam == VK_NEXT || wParam == VK_HOME || wParam == VK_END) {
            tell(TB_ENDTRACK, 0);
            return true;
        }
        return false;
    case TBM_GETPOS: r = pos_; return true;
    case TBM_GETRANGEMIN: r = min_; return true;
    case TBM_GETRANGEMAX: r = max_; return true;
    case TBM_SETPOS: setPos(static_cast<int>(lParam), wParam != 0); return true;
    case TBM_SETRANGE:
        min_ = static_cast<SHORT>(LOWORD(lParam));
        max_ = static_cast<SHORT>(HIWORD(lParam));
        setPos(pos_, wParam != 0);
        return true;
    case TBM_SETRANGEMIN:
        min_ = static_cast<int>(lParam);
        setPos(pos_, wParam != 0);
        return true;
    case TBM_SETRANGEMAX:
        max_ = static_cast<int>(lParam);
        setPos(pos_, wParam != 0);
        return true;
    case TBM_SETTIC:
        if (static_cast<int>(lParam) < min_ || static_cast<int>(lParam) > max_) {
            r = FALSE;
            return true;
        }
        tics_.insert(static_cast<int>(lParam));
        repaint();
        r = TRUE;
        return true;
    case TBM_GETTIC: {
        const int i = static_cast<int>(wParam);
        if (i < 0 || i >= static_cast<int>(tics_.size())) {
            r = -1;
            return true;
        }
        r = *std::next(tics_.begin(), i);
        return true;
    }
    case TBM_CLEARTICS:
        tics_.clear();
        if (wParam) repaint();
        return true;
    case TBM_GETNUMTICS:
        // The ends count, and the automatic ticks between them.
        if (style_ & TBS_NOTICKS) r = 0;
        else if (style_ & TBS_AUTOTICKS) r = 2 + std::max(0, (max_ - min_ - 1) / std::max(1, freq_));
        else r = 2 + static_cast<LRESULT>(tics_.size());
        return true;
    case TBM_SETTICFREQ:
        freq_ = std::max(1, static_cast<int>(wParam));
        repaint();
        return true;
    case TBM_SETPAGESIZE:
        r = page_;
        page_ = static_cast<int>(lParam);
        return true;
    case TBM_GETPAGESIZE: r = page_; return true;
    case TBM_SETLINESIZE:
        r = line_;
        line_ = static_cast<int>(lParam);
        return true;
    case TBM_GETLINESIZE: r = line_; return true;
    case TBM_SETSEL:
        selStart_ = static_cast<SHORT>(LOWORD(lParam));
        selEnd_ = static_cast<SHORT>(HIWORD(lParam));
        if (wParam) repaint();
        return true;
    case TBM_SETSELSTART:
        selStart_ = static_cast<int>(lParam);
        if (wParam) repaint();
        return true;
    case TBM_SETSELEND:
        selEnd_ = static_cast<int>(lParam);
        if (wParam) repaint();
        return true;
    case TBM_GETSELSTART: r = selStart_; return true;
    case TBM_GETSELEND: r = selEnd_; return true;
    case TBM_CLEARSEL:
        selStart_ = selEnd_ = 0;
        if (wParam) repaint();
        return true;
    case TBM_GETTHUMBRECT:
    case TBM_GETCHANNELRECT:
        if (lParam) *reinterpret_cast<RECT*>(lParam) = toRect(msg == TBM_GETTHUMBRECT ? thumb() : channel());
        return true;
    default: return false;
    }
}

void TrackControl::paint(QPainter& p) {
    p.fillRect(widget_->rect(), qcolourOf(GetSysColor(COLOR_BTNFACE)));
    const QRect ch = channel();
    p.fillRect(ch, qcolourOf(GetSysColor(COLOR_WINDOW)));
    if ((style_ & TBS_ENABLESELRANGE) && selEnd_ > selStart_) {
        const int a = pixelOf(selStart_), b = pixelOf(selEnd_);
        const QRect sel = vertical() ? QRect(ch.left(), a, ch.width(), b - a) : QRect(a, ch.top(), b - a, ch.height());
        p.fillRect(sel, qcolourOf(GetSysColor(COLOR_HIGHLIGHT)));
    }
    p.setPen(qcolourOf(GetSysColor(COLOR_BTNSHADOW)));
    p.drawLine(ch.topLeft(), vertical() ? ch.bottomLeft() : ch.topRight());
    p.setPen(qcolourOf(GetSysColor(COLOR_BTNHIGHLIGHT)));
    p.drawLine(vertical() ? ch.topRight() : ch.bottomLeft(), ch.bottomRight());
    if (!(style_ & TBS_NOTICKS)) {
        std::vector<int> ticks{min_, max_};
        if (style_ & TBS_AUTOTICKS)
            for (int v = min_ + freq_; v < max_; v += freq_) ticks.push_back(v);
        ticks.insert(ticks.end(), tics_.begin(), tics_.end());
        p.setPen(qcolourOf(GetSysColor(COLOR_BTNTEXT)));
        const QRect t = thumb();
        for (int v : ticks) {
            const int at = pixelOf(v);
            if (vertical()) {
                if (!(style_ & TBS_LEFT) || (style_ & TBS_BOTH)) p.drawLine(t.right() + 3, at, t.right() + 5, at);
                if ((style_ & TBS_LEFT) || (style_ & TBS_BOTH)) p.drawLine(t.left() - 5, at, t.left() - 3, at);
            } else {
                if (!(style_ & TBS_TOP) || (style_ & TBS_BOTH)) p.drawLine(at, t.bottom() + 3, at, t.bottom() + 5);
                if ((style_ & TBS_TOP) || (style_ & TBS_BOTH)) p.drawLine(at, t.top() - 5, at, t.top() - 3);
            }
        }
    }
    if (!(style_ & TBS_NOTHUMB)) {
        const QRect t = thumb();
        p.fillRect(t, qcolourOf(GetSysColor(dragging_ ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE)));
        p.setPen(qcolourOf(GetSysColor(COLOR_BTNHIGHLIGHT)));
        p.drawLine(t.topLeft(), t.topRight());
        p.drawLine(t.topLeft(), t.bottomLeft());
        p.setPen(qcolourOf(GetSysColor(COLOR_3DDKSHADOW)));
        p.drawLine(t.bottomLeft(), t.bottomRight());
        p.drawLine(t.topRight(), t.bottomRight());
    }
    if (GetFocus() == handle_) {
        QPen pen(qcolourOf(GetSysColor(COLOR_BTNTEXT)), 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(widget_->rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace

NewControl newTrackBar(Window& w) {
    auto c = std::make_unique<TrackControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win
