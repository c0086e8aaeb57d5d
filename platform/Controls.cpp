// The predefined control classes: edit, button, static, list box, combo box, scroll bar and
// the up-down control, each a Qt widget whose procedure answers the control's messages.
#include "platform/WindowImpl.h"
#include "platform/codepage.h"
#include "platform/DeviceContext.h"
#include "platform/GdiObject.h"
#include "platform/gdi.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace platform::win {
namespace {

enum Kind { kEdit, kButton, kStatic, kListBox, kComboBox, kScrollBar, kUpDown, kKindCount };

const char16_t* const kClassNames[kKindCount] = {u"EDIT", u"BUTTON", u"STATIC", u"LISTBOX", u"COMBOBOX",
                                                 u"SCROLLBAR", u"msctls_updown32"};

Qt::Alignment editAlignment(DWORD style) {
    if (style & ES_RIGHT) return Qt::AlignRight | Qt::AlignVCenter;
    if (style & ES_CENTER) return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// Edit

class TextEdit : public QTextEdit {
public:
    using QTextEdit::QTextEdit;
    void setMargins(const QMargins& m) { setViewportMargins(m); }
    QMargins margins() const { return viewportMargins(); }
};

class EditControl : public Control {
public:
    EditControl(HWND h, DWORD style, DWORD exStyle) : handle_(h) {
        multi_ = (style & ES_MULTILINE) != 0;
        const bool border = (style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE);
        if (multi_) {
            multiEdit_ = new TextEdit;
            multiEdit_->setAcceptRichText(false);
            multiEdit_->setFrameStyle(border ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
            multiEdit_->document()->setDocumentMargin(1);
            multiEdit_->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
            multiEdit_->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                           : Qt::ScrollBarAlwaysOff);
            multiEdit_->setLineWrapMode((style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? QTextEdit::NoWrap
                                                                               : QTextEdit::WidgetWidth);
            multiEdit_->setTabChangesFocus(true);
            QObject::connect(multiEdit_, &QTextEdit::textChanged, [this] { changed(!setting_); });
        } else {
            line_ = new QLineEdit;
            line_->setFrame(border);
            QObject::connect(line_, &QLineEdit::textChanged, [this] { changed(!setting_); });
        }
        styleChangedTo(style);
    }

    QWidget* widget() const { return multi_ ? static_cast<QWidget*>(multiEdit_) : line_; }
    std::vector<QWidget*> eventWidgets() override {
        if (multi_) return {multiEdit_->viewport()};
        return {};
    }

    std::u16string text() const override {
        if (multi_) {
            // Lines are separated by CR LF as in the platform's edit.
            QString t = multiEdit_->toPlainText();
            t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
            return fromQt(t);
        }
        return fromQt(line_->text());
    }

    void setText(const std::u16string& t) override {
        QString q = toQt(t);
        if (!multi_) {
            q.remove(QLatin1Char('\r'));
            q.replace(QLatin1Char('\n'), QLatin1Char(' '));
        } else {
            q.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        }
        if (limit_ > 0 && q.size() > limit_) q.truncate(limit_);
        modified_ = false;
        if ((multi_ ? multiEdit_->toPlainText() : line_->text()) == q) return;
        setting_ = true;
        if (multi_) {
            multiEdit_->setPlainText(q);
            applyAlignment();
        } else {
            line_->setText(q);
        }
        setting_ = false;
    }

    void typeChar(char16_t c) override {
        Window* w = find(handle_);
        if (!w || readOnly()) return;
        if (c == 8 || c >= 32 || (multi_ && c == 13) || c == 1 || c == 3 || c == 22 || c == 24 || c == 26)
            forwardCharToQt(*w, c);
    }

    void styleChanged() override {
        if (Window* w = find(handle_)) styleChangedTo(w->style);
    }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        switch (msg) {
        case EM_GETSEL: {
            const auto [s, e] = selection();
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(s);
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(e);
            r = MAKELONG(static_cast<WORD>(std::min(s, 0xFFFF)), static_cast<WORD>(std::min(e, 0xFFFF)));
            return true;
        }
        case EM_SETSEL: {
            int s = static_cast<int>(static_cast<LONG>(wParam));
            int e = static_cast<int>(static_cast<LONG>(lParam));
            const int len = length();
            if (s < 0) {
                // No selection: the caret stays where it is.
                const int caret = selection().second;
                setSelection(caret, caret);
                return true;
            }
            if (e < 0 || e > len) e = len;
            s = std::min(s, len);
            setSelection(s, e);
            return true;
        }
        case EM_REPLACESEL: {
            Window* w = find(handle_);
            replaceSelection(toQt(textArg(lParam, w && w->unicode)));
            return true;
        }
        case EM_SETREADONLY:
            if (multi_) multiEdit_->setReadOnly(wParam != 0);
            else line_->setReadOnly(wParam != 0);
            if (Window* w = find(handle_)) w->style = wParam ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
            r = TRUE;
            return true;
        case EM_LIMITTEXT:
            limit_ = wParam == 0 ? 0 : static_cast<int>(std::min<WPARAM>(wParam, INT_MAX));
            if (!multi_) line_->setMaxLength(limit_ > 0 ? limit_ : 32767 * 1024);
            return true;
        case EM_GETLIMITTEXT: r = limit_ > 0 ? limit_ : 0x7FFFFFFE; return true;
        case EM_GETMODIFY: r = modified_ ? TRUE : FALSE; return true;
        case EM_SETMODIFY: modified_ = wParam != 0; return true;
        case EM_SETMARGINS: {
            if (wParam & EC_LEFTMARGIN) margins_.setLeft(LOWORD(static_cast<DWORD_PTR>(lParam)));
            if (wParam & EC_RIGHTMARGIN) margins_.setRight(HIWORD(static_cast<DWORD_PTR>(lParam)));
            applyMargins();
            return true;
        }
        case EM_GETMARGINS: r = MAKELONG(static_cast<WORD>(margins_.left()), static_cast<WORD>(margins_.right())); return true;
        case EM_GETRECT: {
            if (!lParam) return true;
            Window* w = find(handle_);
            const QSize s = w ? clientSize(*w) : QSize();
            *reinterpret_cast<RECT*>(lParam) =
                RECT{margins_.left() + rectMargins_.left(), rectMargins_.top(),
                     s.width() - margins_.right() - rectMargins_.right(), s.height() - rectMargins_.bottom()};
            return true;
        }
        case EM_SETRECT:
        case EM_SETRECTNP: {
            Window* w = find(handle_);
            if (!w) return true;
            const QSize s = clientSize(*w);
            if (!lParam) rectMargins_ = QMargins();
            else {
                const RECT& rc = *reinterpret_cast<const RECT*>(lParam);
                rectMargins_ = QMargins(std::max(0, static_cast<int>(rc.left)), std::max(0, static_cast<int>(rc.top)),
                                        std::max(0, s.width() - static_cast<int>(rc.right)),
                                        std::max(0, s.height() - static_cast<int>(rc.bottom)));
            }
            applyMargins();
            return true;
        }
        case EM_CANUNDO: r = multi_ ? multiEdit_->document()->isUndoAvailable() : line_->isUndoAvailable(); return true;
        case EM_UNDO:
        case WM_UNDO:
            if (multi_) multiEdit_->undo();
            else line_->undo();
            r = TRUE;
            return true;
        case EM_EMPTYUNDOBUFFER:
            if (multi_) multiEdit_->document()->clearUndoRedoStacks();
            return true;
        case EM_GETLINECOUNT: r = multi_ ? multiEdit_->document()->blockCount() : 1; return true;
        case EM_LINEINDEX: {
            const int line = static_cast<int>(static_cast<LONG>(wParam));
            r = lineIndex(line < 0 ? lineFromChar(selection().second) : line);
            return true;
        }
        case EM_LINEFROMCHAR: {
            const int c = static_cast<int>(static_cast<LONG>(wParam));
            r = lineFromChar(c < 0 ? selection().first : c);
            return true;
        }
        case EM_LINELENGTH: {
            const int c = static_cast<int>(static_cast<LONG>(wParam));
            r = lineText(lineFromChar(c < 0 ? selection().first : c)).size();
            return true;
        }
        case EM_GETLINE: {
            Window* w = find(handle_);
            const bool u = w && w->unicode;
            const QString t = lineText(static_cast<int>(wParam));
            if (!lParam) return true;
            const std::size_t room = u ? static_cast<std::size_t>(*reinterpret_cast<LPWSTR>(lParam))
                                       : *reinterpret_cast<const WORD*>(lParam);
            if (u) {
                const std::u16string s = fromQt(t);
                const std::size_t n = std::min(room, s.size());
                std::copy_n(s.data(), n, reinterpret_cast<LPWSTR>(lParam));
                r = static_cast<LRESULT>(n);
            } else {
                const std::string a = wideToAnsi(fromQt(t));
                const std::size_t n = std::min(room, a.size());
                std::copy_n(a.data(), n, reinterpret_cast<LPSTR>(lParam));
                r = static_cast<LRESULT>(n);
            }
            return true;
        }
        case EM_SCROLLCARET:
            if (multi_) multiEdit_->ensureCursorVisible();
            return true;
        case EM_SETPASSWORDCHAR:
            if (!multi_) line_->setEchoMode(wParam ? QLineEdit::Password : QLineEdit::Normal);
            passwordChar_ = static_cast<char16_t>(wParam);
            return true;
        case EM_GETPASSWORDCHAR: r = passwordChar_; return true;
        case WM_CUT:
            if (readOnly()) return true;
            if (multi_) multiEdit_->cut();
            else line_->cut();
            markUserChange();
            return true;
        case WM_COPY:
            if (multi_) multiEdit_->copy();
            else line_->copy();
            return true;
        case WM_PASTE:
            if (readOnly()) return true;
            if (multi_) multiEdit_->paste();
            else line_->paste();
            markUserChange();
            return true;
        case WM_CLEAR:
            if (readOnly()) return true;
            replaceSelection(QString());
            markUserChange();
            return true;
        case WM_GETDLGCODE:
            r = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (multi_ ? DLGC_WANTALLKEYS : 0);
            return true;
        case WM_SETFOCUS: notifyParent(handle_, EN_SETFOCUS); return false;
        case WM_KILLFOCUS: notifyParent(handle_, EN_KILLFOCUS); return false;
        default: return false;
        }
    }

private:
    bool readOnly() const { return multi_ ? multiEdit_->isReadOnly() : line_->isReadOnly(); }

    int length() const { return multi_ ? static_cast<int>(text().size()) : line_->text().size(); }

    // Positions count CR LF as two characters in multi-line edits.
    int toPlatform(int qtPos) const {
        if (!multi_) return qtPos;
        const QTextBlock b = multiEdit_->document()->findBlock(qtPos);
        return qtPos + std::max(0, b.blockNumber());
    }
    int fromPlatform(int pos) const {
        if (!multi_) return pos;
        const QString t = multiEdit_->toPlainText();
        int q = 0;
        for (int p = 0; q < t.size() && p < pos; ++q) p += t[q] == QLatin1Char('\n') ? 2 : 1;
        return q;
    }

    std::pair<int, int> selection() const {
        if (multi_) {
            const QTextCursor c = multiEdit_->textCursor();
            return {toPlatform(c.selectionStart()), toPlatform(c.selectionEnd())};
        }
        if (line_->hasSelectedText()) {
            const int s = line_->selectionStart();
            return {s, s + line_->selectedText().size()};
        }
        return {line_->cursorPosition(), line_->cursorPosition()};
    }

    void setSelection(int s, int e) {
        if (multi_) {
            QTextCursor c = multiEdit_->textCursor();
            c.setPosition(fromPlatform(s));
            c.setPosition(fromPlatform(e), QTextCursor::KeepAnchor);
            multiEdit_->setTextCursor(c);
        } else {
            line_->setSelection(s, e - s);
            if (s == e) line_->setCursorPosition(s);
        }
    }

    void replaceSelection(QString t) {
        if (!multi_) {
            t.remove(QLatin1Char('\r'));
            line_->insert(t);
        } else {
            t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            multiEdit_->textCursor().insertText(t);
        }
    }

    int lineFromChar(int pos) const {
        if (!multi_) return 0;
        return multiEdit_->document()->findBlock(fromPlatform(pos)).blockNumber();
    }
    int lineIndex(int line) const {
        if (!multi_) return line == 0 ? 0 : -1;
        const QTextBlock b = multiEdit_->document()->findBlockByNumber(line);
        return b.isValid() ? toPlatform(b.position()) : -1;
    }
    QString lineText(int line) const {
        if (!multi_) return line == 0 ? line_->text() : QString();
        const QTextBlock b = multiEdit_->document()->findBlockByNumber(line);
        return b.isValid() ? b.text() : QString();
    }

    void markUserChange() { modified_ = true; }

    void changed(bool byUser) {
        if (byUser) modified_ = true;
        Window* w = find(handle_);
        if (!w || !w->created) return;
        if (multi_ && limit_ > 0 && multiEdit_->toPlainText().size() > limit_ && !setting_) {
            setting_ = true;
            multiEdit_->undo();
            setting_ = false;
            notifyParent(handle_, EN_MAXTEXT);
            return;
        }
        notifyParent(handle_, EN_UPDATE);
        notifyParent(handle_, EN_CHANGE);
    }

    void applyAlignment() {
        if (!multi_) {
            line_->setAlignment(align_);
            return;
        }
        QTextOption o = multiEdit_->document()->defaultTextOption();
        o.setAlignment(align_ & Qt::AlignHorizontal_Mask);
        multiEdit_->document()->setDefaultTextOption(o);
    }

    void applyMargins() {
        const QMargins m(margins_.left() + rectMargins_.left(), rectMargins_.top(),
                         margins_.right() + rectMargins_.right(), rectMargins_.bottom());
        if (multi_) multiEdit_->setMargins(m);
        else line_->setTextMargins(m);
    }

    void styleChangedTo(DWORD style) {
        align_ = editAlignment(style);
        applyAlignment();
        const bool ro = (style & ES_READONLY) != 0;
        if (multi_) multiEdit_->setReadOnly(ro);
        else {
            line_->setReadOnly(ro);
            line_->setEchoMode((style & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
            if (style & ES_NUMBER) {
                if (!line_->validator()) line_->setValidator(new QRegularExpressionValidator(
                                             QRegularExpression(QStringLiteral("[0-9]*")), line_));
            } else if (line_->validator()) {
                line_->setValidator(nullptr);
            }
        }
    }

    HWND handle_;
    bool multi_ = false;
    QLineEdit* line_ = nullptr;
    TextEdit* multiEdit_ = nullptr;
    bool setting_ = false;
    bool modified_ = false;
    int limit_ = 0;
    char16_t passwordChar_ = 0;
    Qt::Alignment align_ = Qt::AlignLeft;
    QMargins margins_;
    QMargins rectMargins_;
};

// Buttons

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
        if (button_) button_->setText(toQt(t));
        else group_->setTitle(toQt(t));
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
        case WM_CAPTURECHANGED: setPressed(false); return false;
        case BM_CLICK:
            if (IsWindowEnabled(handle_)) notifyParent(handle_, BN_CLICKED);
            return true;
        case BM_SETSTATE: setPressed(wParam != 0); return true;
        case BM_GETSTATE: r = pressed_ ? BST_PUSHED : 0; return true;
        case BM_SETSTYLE:
            if (Window* w = find(handle_)) isDefault_ = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            InvalidateRect(handle_, nullptr, FALSE);
            return true;
        case WM_GETDLGCODE: r = DLGC_BUTTON | (isDefault_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON); return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
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
    bool isDefault_ = false;
};

// Static

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

// Lists shared by the list box and the combo box.

int findString(const QStringList& items, int after, const QString& s, bool exact) {
    const int n = items.size();
    if (n == 0) return -1;
    const int start = (after < -1 || after >= n) ? -1 : after;
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        const bool hit = exact ? items[i].compare(s, Qt::CaseInsensitive) == 0
                               : items[i].startsWith(s, Qt::CaseInsensitive);
        if (hit) return i;
    }
    return -1;
}

int sortedPosition(const QStringList& items, const QString& s) {
    int i = 0;
    while (i < items.size() && items[i].compare(s, Qt::CaseInsensitive) <= 0) ++i;
    return i;
}

class ListBoxControl : public Control {
public:
    ListBoxControl(HWND h, DWORD style) : handle_(h), style_(style) {
        list_ = new QListWidget;
        if (style & LBS_EXTENDEDSEL) list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        else if (style & LBS_MULTIPLESEL) list_->setSelectionMode(QAbstractItemView::MultiSelection);
        else list_->setSelectionMode(QAbstractItemView::SingleSelection);
        list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        QObject::connect(list_, &QListWidget::itemSelectionChanged, [this] {
            if (!setting_ && (style_ & LBS_NOTIFY)) notifyParent(handle_, LBN_SELCHANGE);
        });
        QObject::connect(list_, &QListWidget::itemDoubleClicked, [this] {
            if (style_ & LBS_NOTIFY) notifyParent(handle_, LBN_DBLCLK);
        });
    }
    QWidget* widget() const { return list_; }
    std::vector<QWidget*> eventWidgets() override { return {list_->viewport()}; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        Window* w = find(handle_);
        const bool u = w && w->unicode;
        const int n = list_->count();
        const int index = static_cast<int>(static_cast<LONG>(wParam));
        Guard g(setting_);
        switch (msg) {
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            const QString s = toQt(textArg(lParam, u));
            int at = msg == LB_ADDSTRING ? n : (index < 0 ? n : index);
            if (at > n) {
                r = LB_ERR;
                return true;
            }
            if (msg == LB_ADDSTRING && (style_ & LBS_SORT)) at = sortedPosition(items(), s);
            list_->insertItem(at, s);
            r = at;
            return true;
        }
        case LB_DELETESTRING:
            if (index < 0 || index >= n) r = LB_ERR;
            else {
                delete list_->takeItem(index);
                r = list_->count();
            }
            return true;
        case LB_RESETCONTENT: list_->clear(); return true;
        case LB_GETCOUNT: r = n; return true;
        case LB_GETCURSEL: r = list_->currentRow() >= 0 && list_->currentItem()->isSelected() ? list_->currentRow() : LB_ERR; return true;
        case LB_SETCURSEL:
            if (index < 0 || index >= n) {
                list_->clearSelection();
                list_->setCurrentRow(-1);
                r = index == -1 ? 0 : LB_ERR;
            } else {
                list_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
                r = index;
            }
            return true;
        case LB_GETSEL: r = (index >= 0 && index < n) ? (list_->item(index)->isSelected() ? 1 : 0) : LB_ERR; return true;
        case LB_SETSEL: {
            const int which = static_cast<int>(static_cast<LONG>(lParam));
            for (int i = 0; i < n; ++i)
                if (which == -1 || which == i) list_->item(i)->setSelected(wParam != 0);
            return true;
        }
        case LB_GETSELCOUNT: r = list_->selectedItems().size(); return true;
        case LB_GETTEXT:
            if (index < 0 || index >= n) r = LB_ERR;
            else r = copyOut(fromQt(list_->item(index)->text()), lParam,
                             static_cast<WPARAM>(textLength(fromQt(list_->item(index)->text()), u)) + 1, u);
            return true;
        case LB_GETTEXTLEN:
            r = (index < 0 || index >= n) ? LB_ERR : textLength(fromQt(list_->item(index)->text()), u);
            return true;
        case LB_FINDSTRING:
        case LB_FINDSTRINGEXACT: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), msg == LB_FINDSTRINGEXACT);
            r = i < 0 ? LB_ERR : i;
            return true;
        }
        case LB_SELECTSTRING: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), false);
            if (i >= 0) list_->setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
            r = i < 0 ? LB_ERR : i;
            return true;
        }
        case LB_GETTOPINDEX: {
            const QListWidgetItem* it = list_->itemAt(0, 0);
            r = it ? list_->row(it) : 0;
            return true;
        }
        case LB_SETTOPINDEX:
            if (index >= 0 && index < n) list_->scrollToItem(list_->item(index), QAbstractItemView::PositionAtTop);
            return true;
        case LB_GETITEMDATA:
            r = (index < 0 || index >= n) ? LB_ERR : static_cast<LRESULT>(list_->item(index)->data(Qt::UserRole).toLongLong());
            return true;
        case LB_SETITEMDATA:
            if (index < 0 || index >= n) r = LB_ERR;
            else list_->item(index)->setData(Qt::UserRole, static_cast<qlonglong>(lParam));
            return true;
        case LB_GETITEMHEIGHT: r = list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : 16; return true;
        case WM_GETDLGCODE: r = DLGC_WANTARROWS | DLGC_WANTCHARS; return true;
        default: return false;
        }
    }

private:
    struct Guard {
        bool& flag;
        bool old;
        explicit Guard(bool& f) : flag(f), old(f) { f = true; }
        ~Guard() { flag = old; }
    };
    QStringList items() const {
        QStringList l;
        for (int i = 0; i < list_->count(); ++i) l << list_->item(i)->text();
        return l;
    }
    HWND handle_;
    DWORD style_;
    QListWidget* list_;
    std::u16string text_;
    bool setting_ = false;
};

class ComboBoxControl : public Control {
public:
    ComboBoxControl(HWND h, DWORD style) : handle_(h), style_(style) {
        combo_ = new QComboBox;
        const DWORD kind = style & 0x3;
        combo_->setEditable(kind == CBS_DROPDOWN || kind == CBS_SIMPLE);
        combo_->setInsertPolicy(QComboBox::NoInsert);
        combo_->setMaxVisibleItems(12);
        QObject::connect(combo_, QOverload<int>::of(&QComboBox::activated), [this](int) {
            notifyParent(handle_, CBN_SELCHANGE);
        });
        if (combo_->lineEdit())
            QObject::connect(combo_->lineEdit(), &QLineEdit::textEdited, [this] {
                notifyParent(handle_, CBN_EDITCHANGE);
            });
    }
    QWidget* widget() const { return combo_; }
    std::vector<QWidget*> eventWidgets() override {
        if (combo_->lineEdit()) return {combo_->lineEdit()};
        return {};
    }
    std::u16string text() const override {
        if (combo_->isEditable()) return fromQt(combo_->currentText());
        return combo_->currentIndex() >= 0 ? fromQt(combo_->currentText()) : std::u16string();
    }
    void setText(const std::u16string& t) override {
        if (combo_->isEditable()) combo_->setEditText(toQt(t));
        else {
            const int i = combo_->findText(toQt(t), Qt::MatchFixedString);
            if (i >= 0) combo_->setCurrentIndex(i);
        }
    }
    void typeChar(char16_t c) override {
        if (Window* w = find(handle_); w && combo_->lineEdit()) forwardCharToQt(*w, c);
    }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        Window* w = find(handle_);
        const bool u = w && w->unicode;
        const int n = combo_->count();
        const int index = static_cast<int>(static_cast<LONG>(wParam));
        switch (msg) {
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            const QString s = toQt(textArg(lParam, u));
            int at = msg == CB_ADDSTRING ? n : (index < 0 ? n : index);
            if (at > n) {
                r = CB_ERR;
                return true;
            }
            if (msg == CB_ADDSTRING && (style_ & CBS_SORT)) at = sortedPosition(items(), s);
            const QString edit = combo_->isEditable() ? combo_->currentText() : QString();
            const int cur = combo_->currentIndex();
            combo_->insertItem(at, s);
            // Adding items never changes the selection.
            combo_->setCurrentIndex(cur < 0 ? -1 : (cur >= at ? cur + 1 : cur));
            if (combo_->isEditable()) combo_->setEditText(edit);
            r = at;
            return true;
        }
        case CB_DELETESTRING:
            if (index < 0 || index >= n) r = CB_ERR;
            else {
                combo_->removeItem(index);
                r = combo_->count();
            }
            return true;
        case CB_RESETCONTENT:
            combo_->clear();
            if (combo_->isEditable()) combo_->setEditText(QString());
            return true;
        case CB_GETCOUNT: r = n; return true;
        case CB_GETCURSEL: r = combo_->currentIndex() < 0 ? CB_ERR : combo_->currentIndex(); return true;
        case CB_SETCURSEL:
            if (index < 0 || index >= n) {
                combo_->setCurrentIndex(-1);
                if (combo_->isEditable()) combo_->setEditText(QString());
                r = CB_ERR;
            } else {
                combo_->setCurrentIndex(index);
                r = index;
            }
            return true;
        case CB_GETLBTEXT:
            if (index < 0 || index >= n) r = CB_ERR;
            else {
                const std::u16string s = fromQt(combo_->itemText(index));
                r = copyOut(s, lParam, static_cast<WPARAM>(textLength(s, u)) + 1, u);
            }
            return true;
        case CB_GETLBTEXTLEN:
            r = (index < 0 || index >= n) ? CB_ERR : textLength(fromQt(combo_->itemText(index)), u);
            return true;
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), msg == CB_FINDSTRINGEXACT);
            r = i < 0 ? CB_ERR : i;
            return true;
        }
        case CB_SELECTSTRING: {
            const int i = findString(items(), index, toQt(textArg(lParam, u)), false);
            if (i >= 0) combo_->setCurrentIndex(i);
            r = i < 0 ? CB_ERR : i;
            return true;
        }
        case CB_GETITEMDATA:
            r = (index < 0 || index >= n) ? CB_ERR : static_cast<LRESULT>(combo_->itemData(index).toLongLong());
            return true;
        case CB_SETITEMDATA:
            if (index < 0 || index >= n) r = CB_ERR;
            else combo_->setItemData(index, static_cast<qlonglong>(lParam));
            return true;
        case CB_SHOWDROPDOWN:
            if (wParam) combo_->showPopup();
            else combo_->hidePopup();
            return true;
        case CB_GETDROPPEDSTATE: r = combo_->view() && combo_->view()->isVisible(); return true;
        case CB_LIMITTEXT:
            if (combo_->lineEdit()) combo_->lineEdit()->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
            r = TRUE;
            return true;
        case CB_GETEDITSEL:
            if (QLineEdit* e = combo_->lineEdit()) {
                const int s = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
                const int end = e->hasSelectedText() ? s + e->selectedText().size() : s;
                if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(s);
                if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
                r = MAKELONG(static_cast<WORD>(s), static_cast<WORD>(end));
            } else {
                r = CB_ERR;
            }
            return true;
        case CB_SETEDITSEL:
            if (QLineEdit* e = combo_->lineEdit()) {
                const int s = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
                int end = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
                if (s < 0) e->deselect();
                else {
                    if (end < 0) end = e->text().size();
                    e->setSelection(s, end - s);
                }
                r = TRUE;
            } else {
                r = CB_ERR;
            }
            return true;
        case WM_GETDLGCODE: r = DLGC_WANTCHARS | DLGC_WANTARROWS; return true;
        case WM_SETFOCUS: notifyParent(handle_, CBN_SETFOCUS); return false;
        case WM_KILLFOCUS: notifyParent(handle_, CBN_KILLFOCUS); return false;
        default: return false;
        }
    }

private:
    QStringList items() const {
        QStringList l;
        for (int i = 0; i < combo_->count(); ++i) l << combo_->itemText(i);
        return l;
    }
    HWND handle_;
    DWORD style_;
    QComboBox* combo_;
};

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

// Creates the control of a window when its class procedure is reached at WM_NCCREATE.
void createControl(Window& w, Kind kind) {
    if (w.control || w.widget) return;
    const HWND h = w.handle;
    QWidget* widget = nullptr;
    switch (kind) {
    case kEdit: {
        auto c = std::make_unique<EditControl>(h, w.style, w.exStyle);
        widget = c->widget();
        w.control = std::move(c);
        break;
    }
    case kButton: {
        if ((w.style & BS_TYPEMASK) == BS_OWNERDRAW) {
            w.control = std::make_unique<OwnerDrawButton>(h);
            createGenericWidget(w);
            return;
        }
        auto c = std::make_unique<ButtonControl>(h, w.style);
        widget = c->widget();
        w.control = std::move(c);
        break;
    }
    case kStatic: {
        auto c = std::make_unique<StaticControl>(h, w.style);
        widget = c->widget();
        w.control = std::move(c);
        break;
    }
    case kListBox: {
        auto c = std::make_unique<ListBoxControl>(h, w.style);
        widget = c->widget();
        w.control = std::move(c);
        break;
    }
    case kComboBox: {
        auto c = std::make_unique<ComboBoxControl>(h, w.style);
        widget = c->widget();
        w.control = std::move(c);
        break;
    }
    case kScrollBar: {
        auto c = std::make_unique<ScrollBarControl>(h, w.style);
        widget = c->widget();
        w.control = std::move(c);
        break;
    }
    case kUpDown: {
        auto c = std::make_unique<UpDownControl>(h, w.style);
        widget = c->widget();
        w.control = std::move(c);
        break;
    }
    default: return;
    }
    widget->setMouseTracking(true);
    // Focus moves by clicks and by program calls, never by Qt's own tab chain.
    widget->setFocusPolicy(kind == kStatic || kind == kUpDown ? Qt::NoFocus : Qt::ClickFocus);
    attachWidget(w, widget);
}

// The colours the parent chooses for the control (WM_CTLCOLOR*) go into the widget's palette.
void applyParentColours(Window& w, Kind kind) {
    if (!w.widget || !w.parent || !w.created) return;
    UINT msg = WM_CTLCOLORSTATIC;
    switch (kind) {
    case kEdit:
    case kComboBox: msg = WM_CTLCOLOREDIT; break;
    case kListBox: msg = WM_CTLCOLORLISTBOX; break;
    case kScrollBar: msg = WM_CTLCOLORSCROLLBAR; break;
    case kButton: msg = (w.style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC; break;
    default: break;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ? COLOR_WINDOW : COLOR_BTNFACE));
    const HWND h = w.handle;
    const auto brush = reinterpret_cast<HBRUSH>(sendToParent(h, msg, reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(h)));
    const COLORREF text = GetTextColor(dc);
    COLORREF back = GetBkColor(dc);
    DeleteDC(dc);
    LOGBRUSH lb{};
    if (brush && GetObjectW(brush, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_SOLID) back = lb.lbColor;
    Window* again = find(h);
    if (!again || !again->widget) return;
    QPalette pal = again->widget->palette();
    const QColor t(GetRValue(text), GetGValue(text), GetBValue(text));
    const QColor b(GetRValue(back), GetGValue(back), GetBValue(back));
    // Disabled controls keep Qt's greyed colours.
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) {
            pal.setColor(g, QPalette::Base, b);
            pal.setColor(g, QPalette::Text, t);
        } else {
            pal.setColor(g, QPalette::Window, b);
            pal.setColor(g, QPalette::Button, b);
            pal.setColor(g, QPalette::WindowText, t);
            pal.setColor(g, QPalette::ButtonText, t);
        }
    }
    if (pal != again->widget->palette()) again->widget->setPalette(pal);
}

LRESULT controlProcImpl(Kind kind, bool unicode, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find(wnd);
    if (!w) return 0;
    switch (msg) {
    case WM_SETFONT: {
        w->font = reinterpret_cast<HFONT>(wParam);
        if (!w->widget) return 0;
        if (auto* f = platform::gdi::find<platform::gdi::Font>(w->font, OBJ_FONT)) w->widget->setFont(f->qfont);
        else w->widget->setFont(QFont());
        if (lParam) w->widget->update();
        return 0;
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_CREATE: {
        const LRESULT r = defaultProc(wnd, msg, wParam, lParam, unicode);
        if (Window* again = find(wnd)) {
            again->created = true;  // colours can be asked from now on
            applyParentColours(*again, kind);
            again->created = false;
        }
        return r;
    }
    case WM_PAINT:
        if (!w->hasSurface) {
            // Qt paints the control; the parent may have new colours for it.
            applyParentColours(*w, kind);
            ValidateRect(wnd, nullptr);
            return 0;
        }
        break;
    default: break;
    }
    if (msg == WM_NCCREATE) {
        createControl(*w, kind);
        if (w->control && lParam) {
            std::u16string title;
            if (unicode) title = textArg(reinterpret_cast<LPARAM>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName), true);
            else title = textArg(reinterpret_cast<LPARAM>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpszName), false);
            w->control->setText(title);
        }
        return TRUE;
    }
    if (w->control) {
        LRESULT r = 0;
        if (w->control->message(msg, wParam, lParam, r)) return r;
        if (!find(wnd)) return r;
    }
    return defaultProc(wnd, msg, wParam, lParam, unicode);
}

template <int K, bool U>
LRESULT CALLBACK_controlProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return controlProcImpl(static_cast<Kind>(K), U, wnd, msg, wParam, lParam);
}

using ProcPair = std::pair<WNDPROC, WNDPROC>;
const ProcPair kProcs[kKindCount] = {
    {&CALLBACK_controlProc<kEdit, false>, &CALLBACK_controlProc<kEdit, true>},
    {&CALLBACK_controlProc<kButton, false>, &CALLBACK_controlProc<kButton, true>},
    {&CALLBACK_controlProc<kStatic, false>, &CALLBACK_controlProc<kStatic, true>},
    {&CALLBACK_controlProc<kListBox, false>, &CALLBACK_controlProc<kListBox, true>},
    {&CALLBACK_controlProc<kComboBox, false>, &CALLBACK_controlProc<kComboBox, true>},
    {&CALLBACK_controlProc<kScrollBar, false>, &CALLBACK_controlProc<kScrollBar, true>},
    {&CALLBACK_controlProc<kUpDown, false>, &CALLBACK_controlProc<kUpDown, true>},
};

bool sameName(const std::u16string& a, const char16_t* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

}  // namespace

WNDPROC controlProc(const std::u16string& className, bool unicode) {
    for (int k = 0; k < kKindCount; ++k)
        if (sameName(className, kClassNames[k])) return unicode ? kProcs[k].second : kProcs[k].first;
    return nullptr;
}

void registerControlClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    for (int k = 0; k < kKindCount; ++k) {
        noteProcForm(kProcs[k].first, false);
        noteProcForm(kProcs[k].second, true);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
        wc.lpfnWndProc = kProcs[k].second;
        wc.lpszClassName = kClassNames[k];
        wc.hCursor = LoadCursorA(nullptr, k == kEdit ? IDC_IBEAM : IDC_ARROW);
        RegisterClassExW(&wc);
    }
}

bool makeControl(Window& w, WNDPROC classProc) {
    for (int k = 0; k < kKindCount; ++k)
        if (classProc == kProcs[k].first || classProc == kProcs[k].second) {
            createControl(w, static_cast<Kind>(k));
            return true;
        }
    return false;
}

}  // namespace platform::win
