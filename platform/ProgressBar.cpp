// The progress bar: a range, a position and a step, drawn as a bar of blocks (or one
// smooth bar) in a sunken frame, across or from the bottom up.
#include "CommonControlImpl.h"
#include "platform/commctrl.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace platform::win {
namespace {

QColor qcolourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

class ProgressControl;

class ProgressWidget : public QWidget {
public:
    explicit ProgressWidget(ProgressControl* c) : control_(c) { setAttribute(Qt::WA_OpaquePaintEvent); }
    // The window went before its widget (which Qt deletes later).
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ProgressControl* control_;
};

class ProgressControl : public Control {
public:
    ProgressControl(HWND h, DWORD style) : handle_(h), style_(style) { widget_ = new ProgressWidget(this); }
    ~ProgressControl() override {
        if (widget_) widget_->forget();
    }

    QWidget* widget() const { return widget_; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }
    void styleChanged() override {
        if (Window* w = find(handle_)) style_ = w->style;
        if (widget_) widget_->update();
    }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        switch (msg) {
        case PBM_SETRANGE: {
            r = MAKELONG(static_cast<WORD>(low_), static_cast<WORD>(high_));
            setRange(LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
            return true;
        }
        case PBM_SETRANGE32:
            r = MAKELONG(static_cast<WORD>(low_), static_cast<WORD>(high_));
            setRange(static_cast<int>(static_cast<LONG>(wParam)), static_cast<int>(static_cast<LONG>(lParam)));
            return true;
        case PBM_GETRANGE:
            if (lParam) *reinterpret_cast<PBRANGE*>(lParam) = PBRANGE{low_, high_};
            r = wParam ? low_ : high_;
            return true;
        case PBM_SETPOS:
            r = pos_;
            setPos(static_cast<int>(static_cast<LONG>(wParam)));
            return true;
        case PBM_DELTAPOS:
            r = pos_;
            setPos(static_cast<int>(static_cast<long long>(pos_) + static_cast<LONG>(wParam)));
            return true;
        case PBM_SETSTEP:
            r = step_;
            step_ = static_cast<int>(static_cast<LONG>(wParam));
            return true;
        case PBM_GETSTEP: r = step_; return true;
        case PBM_STEPIT: r = pos_; stepIt(); return true;
        case PBM_GETPOS: r = pos_; return true;
        case PBM_SETBARCOLOR:
            r = static_cast<LRESULT>(bar_);
            bar_ = static_cast<COLORREF>(lParam);
            if (widget_) widget_->update();
            return true;
        case PBM_GETBARCOLOR: r = static_cast<LRESULT>(bar_); return true;
        case PBM_SETBKCOLOR:
            r = static_cast<LRESULT>(back_);
            back_ = static_cast<COLORREF>(lParam);
            if (widget_) widget_->update();
            return true;
        case PBM_GETBKCOLOR: r = static_cast<LRESULT>(back_); return true;
        default: return false;
        }
    }

    void paint(QPainter& p, const QRect& all) const {
        const COLORREF back = back_ == CLR_DEFAULT ? GetSysColor(COLOR_BTNFACE) : back_;
        const COLORREF bar = bar_ == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : bar_;
        // A sunken frame of one pixel.
        p.fillRect(all, qcolourOf(back));
        p.setPen(qcolourOf(GetSysColor(COLOR_BTNSHADOW)));
        p.drawLine(all.topLeft(), all.topRight());
        p.drawLine(all.topLeft(), all.bottomLeft());
        p.setPen(qcolourOf(GetSysColor(COLOR_BTNHIGHLIGHT)));
        p.drawLine(all.bottomLeft(), all.bottomRight());
        p.drawLine(all.topRight(), all.bottomRight());
        const QRect inside = all.adjusted(1, 1, -1, -1);
        const bool vertical = (style_ & PBS_VERTICAL) != 0;
        const int length = filled(vertical ? inside.height() : inside.width());
        if (length <= 0) return;
        p.setClipRect(inside);
        const QColor c = qcolourOf(bar);
        if (style_ & PBS_SMOOTH) {
            if (vertical) p.fillRect(inside.left(), inside.bottom() + 1 - length, inside.width(), length, c);
            else p.fillRect(inside.left(), inside.top(), length, inside.height(), c);
            return;
        }
        // Blocks two thirds as long as the bar is thick, two pixels apart.
        const int block = std::max(1, (vertical ? inside.width() : inside.height()) * 2 / 3);
        for (int at = 0; at < length; at += block + 2) {
            if (vertical) p.fillRect(inside.left(), inside.bottom() + 1 - at - block, inside.width(), block, c);
            else p.fillRect(inside.left() + at, inside.top(), block, inside.height(), c);
        }
    }

private:
    // Pixels of `extent` the position fills.
    int filled(int extent) const {
        const long long span = static_cast<long long>(high_) - low_;
        if (span <= 0 || extent <= 0) return 0;
        return static_cast<int>((static_cast<long long>(pos_) - low_) * extent / span);
    }
    void setRange(int low, int high) {
        low_ = low;
        high_ = high;
        setPos(pos_);
    }
    void setPos(int pos) {
        const int lo = std::min(low_, high_), hi = std::max(low_, high_);
        pos = std::clamp(pos, lo, hi);
        if (pos == pos_) return;
        pos_ = pos;
        // Drawn at once: positions come from long operations that run without the event loop.
        if (widget_) widget_->repaint();
    }
    void stepIt() { setPos(progressStepped(pos_, step_, low_, high_)); }

    HWND handle_;
    DWORD style_;
    QPointer<ProgressWidget> widget_;
    std::u16string text_;
    int low_ = 0;
    int high_ = 100;
    int pos_ = 0;
    int step_ = 10;
    COLORREF bar_ = CLR_DEFAULT;
    COLORREF back_ = CLR_DEFAULT;
};

void ProgressWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (control_) control_->paint(p, rect());
}

}  // namespace

NewControl newProgressBar(Window& w) {
    auto c = std::make_unique<ProgressControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win

namespace platform {

int progressStepped(int pos, int step, int low, int high) {
    const long long span = static_cast<long long>(high) - low;
    long long next = static_cast<long long>(pos) + step;
    if (span > 0 && next > high) next = low + (next - high) % span;
    else if (span > 0 && next < low) next = high - (low - next) % span;
    return static_cast<int>(std::clamp<long long>(next, std::min(low, high), std::max(low, high)));
}

}  // namespace platform
