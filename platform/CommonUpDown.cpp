// The up-down control of the common controls.
#include "ControlKinds.h"
#include "platform/gdi.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace platform::win {
namespace {

class UpDownControl : public Control {
public:
    UpDownControl(HWND h, DWORD style) : handle_(h), style_(style) {
        box_ = new QWidget;
        const bool horz = (style & UDS_HORZ) != 0;
        QBoxLayout* lay = horz ? static_cast<QBoxLayout*>(new QHBoxLayout(box_))
                               : static_cast<QBoxLayout*>(new QVBoxLayout(box_));
        lay->setContentsMargins(0, 0, 0, 0);
        lay->setSpacing(0);
        up_ = new QToolButton;
        down_ = new QToolButton;
        up_->setArrowType(horz ? Qt::RightArrow : Qt::UpArrow);
        down_->setArrowType(horz ? Qt::LeftArrow : Qt::DownArrow);
        for (QToolButton* b : {up_, down_}) {
            b->setAutoRepeat(true);
            b->setAutoRepeatDelay(400);
            b->setAutoRepeatInterval(100);
            b->setFocusPolicy(Qt::NoFocus);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        }
        if (horz) {
            lay->addWidget(down_);
            lay->addWidget(up_);
        } else {
            lay->addWidget(up_);
            lay->addWidget(down_);
        }
        QObject::connect(up_, &QToolButton::clicked, [this] { step(+1); });
        QObject::connect(down_, &QToolButton::clicked, [this] { step(-1); });
    }
    QWidget* widget() const { return box_; }
    std::vector<QWidget*> eventWidgets() override { return {up_, down_}; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        switch (msg) {
        case UDM_SETRANGE:
            max_ = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            min_ = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
            pos_ = clampPos(pos_);
            return true;
        case UDM_SETRANGE32:
            min_ = static_cast<int>(static_cast<LONG>(wParam));
            max_ = static_cast<int>(static_cast<LONG>(lParam));
            pos_ = clampPos(pos_);
            return true;
        case UDM_GETRANGE: r = MAKELONG(static_cast<WORD>(max_), static_cast<WORD>(min_)); return true;
        case UDM_GETRANGE32:
            if (wParam) *reinterpret_cast<int*>(wParam) = min_;
            if (lParam) *reinterpret_cast<int*>(lParam) = max_;
            return true;
        case UDM_SETPOS:
        case UDM_SETPOS32: {
            r = pos_;
            pos_ = clampPos(msg == UDM_SETPOS ? static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)))
                                              : static_cast<int>(static_cast<LONG>(lParam)));
            updateBuddy();
            return true;
        }
        case UDM_GETPOS: r = MAKELONG(static_cast<WORD>(pos_), 0); return true;
        case UDM_GETPOS32:
            if (lParam) *reinterpret_cast<BOOL*>(lParam) = FALSE;
            r = pos_;
            return true;
        case UDM_SETBUDDY: {
            r = reinterpret_cast<LRESULT>(buddy_);
            buddy_ = reinterpret_cast<HWND>(wParam);
            updateBuddy();
            return true;
        }
        case UDM_GETBUDDY: r = reinterpret_cast<LRESULT>(buddy_); return true;
        case UDM_SETACCEL: r = TRUE; return true;
        case WM_ENABLE:
            up_->setEnabled(wParam != 0);
            down_->setEnabled(wParam != 0);
            return false;
        default: return false;
        }
    }

private:
    int clampPos(int p) const {
        const int lo = std::min(min_, max_);
        const int hi = std::max(min_, max_);
        return std::clamp(p, lo, hi);
    }
    void updateBuddy() {
        if (buddy_ && (style_ & UDS_SETBUDDYINT)) {
            const std::u16string t = fromQt(QString::number(pos_));
            SendMessageW(buddy_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
        }
    }
    // One step toward the maximum (+1) or the minimum (-1).
    void step(int direction) {
        Window* w = find(handle_);
        if (!w) return;
        const int delta = (max_ >= min_) ? direction : -direction;
        NMUPDOWN nm{};
        nm.hdr.hwndFrom = handle_;
        nm.hdr.idFrom = static_cast<UINT_PTR>(w->id);
        nm.hdr.code = UDN_DELTAPOS;
        nm.iPos = pos_;
        nm.iDelta = delta;
        if (sendToParent(handle_, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&nm))) return;
        if (!find(handle_)) return;
        int next = pos_ + nm.iDelta;
        const int lo = std::min(min_, max_);
        const int hi = std::max(min_, max_);
        if (next < lo) next = (style_ & UDS_WRAP) ? hi : lo;
        if (next > hi) next = (style_ & UDS_WRAP) ? lo : hi;
        pos_ = next;
        updateBuddy();
        const UINT sm = (style_ & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
        sendToParent(handle_, sm, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(pos_)), reinterpret_cast<LPARAM>(handle_));
        if (find(handle_))
            sendToParent(handle_, sm, MAKEWPARAM(SB_ENDSCROLL, static_cast<WORD>(pos_)), reinterpret_cast<LPARAM>(handle_));
    }
    HWND handle_;
    DWORD style_;
    QWidget* box_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 100;
    int max_ = 0;
    int pos_ = 0;
    HWND buddy_ = nullptr;
    std::u16string text_;
};

}  // namespace

NewControl newUpDownControl(HWND h, DWORD style) {
    auto c = std::make_unique<UpDownControl>(h, style);
    QWidget* widget = c->widget();
    return {std::move(c), widget};
}

}  // namespace platform::win
