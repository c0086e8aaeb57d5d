// The button control: push buttons, check boxes, radio buttons, group boxes and owner-drawn buttons.
#include "ControlKinds.h"
#include "platform/gdi.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace platform::win {
namespace {

template <class Base>
class PlatformButton : public Base {
public:
    using Base::Base;
    bool autoToggle = true;

protected:
    void nextCheckState() override {
        if (autoToggle) Base::nextCheckState();
    }
};

class ButtonControl : public Control {
public:
    ButtonControl(HWND h, DWORD style) : handle_(h) {
        type_ = style & BS_TYPEMASK;
        switch (type_) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: {
            auto* c = new PlatformButton<QCheckBox>;
            c->autoToggle = type_ == BS_AUTOCHECKBOX || type_ == BS_AUTO3STATE;
            c->setTristate(type_ == BS_3STATE || type_ == BS_AUTO3STATE);
            button_ = c;
            break;
        }
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: {
            auto* r = new PlatformButton<QRadioButton>;
            r->setAutoExclusive(false);
            r->autoToggle = false;
            button_ = r;
            break;
        }
        case BS_GROUPBOX: group_ = new QGroupBox; break;
        default: {
            auto* p = new QPushButton;
            p->setAutoDefault(false);
            p->setDefault(type_ == BS_DEFPUSHBUTTON);
            button_ = p;
            break;
        }
        }
        if (button_) QObject::connect(button_, &QAbstractButton::clicked, [this] { clicked(); });
    }

    QWidget* widget() const { return button_ ? static_cast<QWidget*>(button_) : group_; }

    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override {
        text_ = t;
        // The hot key is underlined where the program's routines find it; it is the class
        // library's dialog-character handling, not Qt's shortcut, that presses the button.
        if (button_) {
            button_->setText(hotKeyText(t));
            button_->setShortcut(QKeySequence());
        } else {
            group_->setTitle(hotKeyText(t));
        }
    }

    bool message(UINT msg, WPARAM wParam, LPARAM, LRESULT& r) override {
        switch (msg) {
        case BM_GETCHECK:
            if (auto* c = qobject_cast<QCheckBox*>(button_)) {
                r = c->checkState() == Qt::Checked ? BST_CHECKED
                    : c->checkState() == Qt::PartiallyChecked ? BST_INDETERMINATE : BST_UNCHECKED;
            } else if (auto* rb = qobject_cast<QRadioButton*>(button_)) {
                r = rb->isChecked() ? BST_CHECKED : BST_UNCHECKED;
            } else {
                r = 0;
            }
            return true;
        case BM_SETCHECK:
            if (auto* c = qobject_cast<QCheckBox*>(button_)) {
                c->setCheckState(wParam == BST_CHECKED ? Qt::Checked
                                 : wParam == BST_INDETERMINATE && c->isTristate() ? Qt::PartiallyChecked
                                                                                  : Qt::Unchecked);
            } else if (auto* rb = qobject_cast<QRadioButton*>(button_)) {
                rb->setChecked(wParam == BST_CHECKED);
            }
            return true;
        case BM_GETSTATE: {
            LRESULT s = 0;
            LRESULT check = 0;
            message(BM_GETCHECK, 0, 0, check);
            s |= check;
            if (button_ && button_->isDown()) s |= BST_PUSHED;
            if (widget()->hasFocus()) s |= BST_FOCUS;
            r = s;
            return true;
        }
        case BM_SETSTATE:
            if (button_) button_->setDown(wParam != 0);
            return true;
        case BM_SETSTYLE: {
            const DWORD t = static_cast<DWORD>(wParam) & BS_TYPEMASK;
            if (auto* p = qobject_cast<QPushButton*>(button_)) {
                p->setDefault(t == BS_DEFPUSHBUTTON);
                type_ = t;
                if (Window* w = find(handle_)) w->style = (w->style & ~BS_TYPEMASK) | t;
            }
            return true;
        }
        case BM_CLICK:
            if (button_ && button_->isEnabled()) button_->click();
            return true;
        case WM_GETDLGCODE:
            if (type_ == BS_GROUPBOX) r = DLGC_STATIC;
            else if (type_ == BS_RADIOBUTTON || type_ == BS_AUTORADIOBUTTON) r = DLGC_BUTTON | DLGC_RADIOBUTTON;
            else if (type_ == BS_DEFPUSHBUTTON) r = DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
            else if (type_ == BS_PUSHBUTTON) r = DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
            else r = DLGC_BUTTON;
            return true;
        case WM_SETFOCUS:
            if (Window* w = find(handle_); w && (w->style & BS_NOTIFY)) notifyParent(handle_, BN_SETFOCUS);
            return false;
        case WM_KILLFOCUS:
            if (Window* w = find(handle_); w && (w->style & BS_NOTIFY)) notifyParent(handle_, BN_KILLFOCUS);
            return false;
        default: return false;
        }
    }

private:
    void clicked() {
        if (type_ == BS_AUTORADIOBUTTON) {
            // Checks this one and clears the other automatic radio buttons of the parent.
            static_cast<QRadioButton*>(button_)->setChecked(true);
            if (Window* w = find(handle_))
                if (Window* pw = find(w->parent))
                    for (HWND s : pw->children) {
                        Window* sw = find(s);
                        if (s != handle_ && sw && (sw->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
                            sw->cls && sw->cls->proc == controlProc(u"BUTTON", sw->cls->unicode))
                            SendMessageW(s, BM_SETCHECK, BST_UNCHECKED, 0);
                    }
        }
        notifyParent(handle_, BN_CLICKED);
    }

    HWND handle_;
    DWORD type_ = 0;
    QAbstractButton* button_ = nullptr;
    QGroupBox* group_ = nullptr;
    std::u16string text_;
};

// Owner-drawn buttons paint through the parent's WM_DRAWITEM on the window's surface.
class OwnerDrawButton : public Control {
public:
    explicit OwnerDrawButton(HWND h) : handle_(h) {}
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override {
        text_ = t;
        InvalidateRect(handle_, nullptr, FALSE);
    }
    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            const HDC dc = BeginPaint(handle_, &ps);
            draw(dc, ODA_DRAWENTIRE);
            EndPaint(handle_, &ps);
            return true;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetCapture(handle_);
            if (GetFocus() != handle_) SetFocus(handle_);
            setPressed(true);
            return true;
        case WM_MOUSEMOVE:
            if (GetCapture() == handle_) setPressed(inside(lParam));
            return true;
        case WM_LBUTTONUP: {
            const bool wasPressed = pressed_;
            if (GetCapture() == handle_) ReleaseCapture();
            setPressed(false);
            if (wasPressed && inside(lParam)) notifyParent(handle_, BN_CLICKED);
            return true;
        }
        case WM_KEYDOWN:
            // The space bar presses the button and its release clicks it.
            if (wParam != VK_SPACE) return false;
            if (!(lParam & 0x40000000) && IsWindowEnabled(handle_)) {
                keyDown_ = true;
                setPressed(true);
            }
            return true;
        case WM_KEYUP:
            if (wParam != VK_SPACE) return false;
            if (keyDown_) {
                keyDown_ = false;
                const bool wasPressed = pressed_;
                setPressed(false);
                if (wasPressed) notifyParent(handle_, BN_CLICKED);
            }
            return true;
        case WM_CAPTURECHANGED: setPressed(false); return false;
        case BM_CLICK:
            if (IsWindowEnabled(handle_)) notifyParent(handle_, BN_CLICKED);
            return true;
        case BM_SETSTATE: setPressed(wParam != 0); return true;
        case BM_GETSTATE: r = pressed_ ? BST_PUSHED : 0; return true;
        case BM_SETSTYLE:
            if (find(handle_)) isDefault_ = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            InvalidateRect(handle_, nullptr, FALSE);
            return true;
        case WM_GETDLGCODE: r = DLGC_BUTTON | (isDefault_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON); return true;
        case WM_KILLFOCUS:
            if (keyDown_) {
                keyDown_ = false;
                setPressed(false);
            }
            InvalidateRect(handle_, nullptr, FALSE);
            return false;
        case WM_SETFOCUS:
        case WM_ENABLE: InvalidateRect(handle_, nullptr, FALSE); return false;
        case WM_ERASEBKGND: r = 1; return true;
        default: return false;
        }
    }

private:
    bool inside(LPARAM lParam) const {
        RECT rc;
        GetClientRect(handle_, &rc);
        return PtInRect(&rc, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE;
    }
    void setPressed(bool p) {
        if (p == pressed_) return;
        pressed_ = p;
        InvalidateRect(handle_, nullptr, FALSE);
    }
    void draw(HDC dc, UINT action) {
        Window* w = find(handle_);
        if (!w) return;
        DRAWITEMSTRUCT d{};
        d.CtlType = ODT_BUTTON;
        d.CtlID = static_cast<UINT>(w->id);
        d.itemAction = action;
        if (pressed_) d.itemState |= ODS_SELECTED;
        if (!IsWindowEnabled(handle_)) d.itemState |= ODS_DISABLED;
        if (GetFocus() == handle_) d.itemState |= ODS_FOCUS;
        if (isDefault_) d.itemState |= ODS_DEFAULT;
        d.hwndItem = handle_;
        d.hDC = dc;
        GetClientRect(handle_, &d.rcItem);
        sendToParent(handle_, WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    }
    HWND handle_;
    std::u16string text_;
    bool pressed_ = false;
    bool keyDown_ = false;
    bool isDefault_ = false;
};

}  // namespace

NewControl newButtonControl(HWND h, DWORD style) {
    if ((style & BS_TYPEMASK) == BS_OWNERDRAW) return {std::make_unique<OwnerDrawButton>(h), nullptr};
    auto c = std::make_unique<ButtonControl>(h, style);
    QWidget* widget = c->widget();
    return {std::move(c), widget};
}

}  // namespace platform::win
