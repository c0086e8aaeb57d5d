// The static control: a label.
#include "ControlKinds.h"
#include "platform/gdi.h"

#include <QLabel>

namespace platform::win {
namespace {

class StaticControl : public Control {
public:
    StaticControl(HWND h, DWORD style) : handle_(h), style_(style) {
        label_ = new QLabel;
        label_->setTextFormat(Qt::PlainText);
        label_->setWordWrap(true);
        const DWORD a = style & 0x3;
        label_->setAlignment((a == SS_CENTER ? Qt::AlignHCenter : a == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft) |
                             Qt::AlignTop);
        if (style & SS_SUNKEN) label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    QWidget* widget() const { return label_; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override {
        text_ = t;
        label_->setText((style_ & SS_NOPREFIX) ? toQt(t) : mnemonicText(t));
    }
    bool message(UINT msg, WPARAM, LPARAM, LRESULT& r) override {
        if (msg == WM_GETDLGCODE) {
            r = DLGC_STATIC;
            return true;
        }
        if (msg == WM_LBUTTONUP && (style_ & SS_NOTIFY)) notifyParent(handle_, 0);
        return false;
    }

private:
    HWND handle_;
    DWORD style_;
    QLabel* label_;
    std::u16string text_;
};

}  // namespace

NewControl newStaticControl(HWND h, DWORD style) {
    auto c = std::make_unique<StaticControl>(h, style);
    QWidget* widget = c->widget();
    return {std::move(c), widget};
}

}  // namespace platform::win
