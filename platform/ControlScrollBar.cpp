// The scroll bar control.
#include "ControlKinds.h"
#include "platform/gdi.h"

#include <QScrollBar>
#include <algorithm>

namespace platform::win {
namespace {

class ScrollBarControl : public Control {
public:
    ScrollBarControl(HWND h, DWORD style) : handle_(h) {
        bar_ = new QScrollBar((style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal);
        vertical_ = (style & SBS_VERT) != 0;
        QObject::connect(bar_, &QAbstractSlider::actionTriggered, [this](int action) { act(action); });
        QObject::connect(bar_, &QAbstractSlider::sliderReleased, [this] { notify(SB_ENDSCROLL, bar_->value()); });
    }
    QWidget* widget() const { return bar_; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        switch (msg) {
        case SBM_SETPOS: {
            r = bar_->value();
            setting_ = true;
            bar_->setValue(static_cast<int>(static_cast<LONG>(wParam)));
            setting_ = false;
            return true;
        }
        case SBM_GETPOS: r = bar_->value(); return true;
        case SBM_SETRANGE:
            bar_->setRange(static_cast<int>(static_cast<LONG>(wParam)),
                           std::max(static_cast<int>(static_cast<LONG>(wParam)), static_cast<int>(lParam)));
            return true;
        case SBM_GETRANGE:
            if (wParam) *reinterpret_cast<int*>(wParam) = bar_->minimum();
            if (lParam) *reinterpret_cast<int*>(lParam) = bar_->maximum() + page_ - (page_ ? 1 : 0);
            return true;
        case SBM_SETSCROLLINFO: {
            const auto* si = reinterpret_cast<const SCROLLINFO*>(lParam);
            if (!si) return true;
            setting_ = true;
            if (si->fMask & SIF_PAGE) page_ = static_cast<int>(si->nPage);
            if (si->fMask & SIF_RANGE) {
                min_ = si->nMin;
                max_ = si->nMax;
            }
            bar_->setPageStep(std::max(page_, 1));
            bar_->setRange(min_, std::max(min_, max_ - std::max(page_ - 1, 0)));
            if (si->fMask & SIF_POS) bar_->setValue(si->nPos);
            setting_ = false;
            r = bar_->value();
            return true;
        }
        case SBM_GETSCROLLINFO: {
            auto* si = reinterpret_cast<SCROLLINFO*>(lParam);
            if (!si) return true;
            if (si->fMask & SIF_RANGE) {
                si->nMin = min_;
                si->nMax = max_;
            }
            if (si->fMask & SIF_PAGE) si->nPage = static_cast<UINT>(page_);
            if (si->fMask & SIF_POS) si->nPos = bar_->value();
            if (si->fMask & SIF_TRACKPOS) si->nTrackPos = bar_->sliderPosition();
            r = TRUE;
            return true;
        }
        default: return false;
        }
    }

private:
    void notify(WORD code, int pos) {
        if (setting_) return;
        sendToParent(handle_, vertical_ ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)),
                     reinterpret_cast<LPARAM>(handle_));
    }
    void act(int action) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: notify(SB_LINEDOWN, 0); break;
        case QAbstractSlider::SliderSingleStepSub: notify(SB_LINEUP, 0); break;
        case QAbstractSlider::SliderPageStepAdd: notify(SB_PAGEDOWN, 0); break;
        case QAbstractSlider::SliderPageStepSub: notify(SB_PAGEUP, 0); break;
        case QAbstractSlider::SliderToMinimum: notify(SB_TOP, 0); break;
        case QAbstractSlider::SliderToMaximum: notify(SB_BOTTOM, 0); break;
        case QAbstractSlider::SliderMove: notify(SB_THUMBTRACK, bar_->sliderPosition()); break;
        default: break;
        }
    }
    HWND handle_;
    QScrollBar* bar_;
    bool vertical_ = false;
    bool setting_ = false;
    int min_ = 0;
    int max_ = 100;
    int page_ = 0;
    std::u16string text_;
};

}  // namespace

NewControl newScrollBarControl(HWND h, DWORD style) {
    auto c = std::make_unique<ScrollBarControl>(h, style);
    QWidget* widget = c->widget();
    return {std::move(c), widget};
}

}  // namespace platform::win
