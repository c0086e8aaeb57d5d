// The edit control: one line in a line edit, several in a text edit.
#include "ControlKinds.h"
#include "platform/codepage.h"
#include "platform/clipboard.h"
#include "platform/gdi.h"

#include <QKeyEvent>
#include <QKeySequence>

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextEdit>
#include <algorithm>
#include <climits>

namespace platform::win {
namespace {

Qt::Alignment editAlignment(DWORD style) {
    if (style & ES_RIGHT) return Qt::AlignRight | Qt::AlignVCenter;
    if (style & ES_CENTER) return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

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

    // The edit's clipboard and undo keys become its messages, so that the window procedure
    // decides about them; editing keys of Qt's own that the edit does not know do nothing.
    bool ownKey(QKeyEvent* ke) override {
        UINT msg = 0;
        if (ke->matches(QKeySequence::Paste)) msg = WM_PASTE;
        else if (ke->matches(QKeySequence::Cut)) msg = WM_CUT;
        else if (ke->matches(QKeySequence::Copy)) msg = WM_COPY;
        else if (ke->matches(QKeySequence::Undo)) msg = WM_UNDO;
        else if (ke->matches(QKeySequence::Redo) || ke->matches(QKeySequence::DeleteEndOfLine) ||
                 ke->matches(QKeySequence::DeleteCompleteLine))
            return true;
        if (!msg) return false;
        send(handle_, msg, 0, 0, true);
        return true;
    }

    // The edit's menu sends its commands to the window, as the keys do.
    bool ownContextMenu(POINT at) override {
        HMENU menu = CreatePopupMenu();
        const bool ro = readOnly();
        const auto [s, e] = selection();
        const bool sel = s != e;
        const bool canUndo = multi_ ? multiEdit_->document()->isUndoAvailable() : line_->isUndoAvailable();
        const auto add = [&](UINT id, const char16_t* text, bool on) {
            AppendMenuW(menu, MF_STRING | (on ? MF_ENABLED : MF_GRAYED), id, reinterpret_cast<LPCWSTR>(text));
        };
        add(WM_UNDO, u"&Undo", canUndo && !ro);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        add(WM_CUT, u"Cu&t", sel && !ro);
        add(WM_COPY, u"&Copy", sel);
        add(WM_PASTE, u"&Paste", !ro && IsClipboardFormatAvailable(CF_UNICODETEXT));
        add(WM_CLEAR, u"&Delete", sel && !ro);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        add(EM_SETSEL, u"Select &All", length() > 0);
        const UINT chosen = static_cast<UINT>(
            TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, handle_, nullptr));
        DestroyMenu(menu);
        if (chosen == EM_SETSEL) send(handle_, EM_SETSEL, 0, -1, true);
        else if (chosen) send(handle_, chosen, 0, 0, true);
        return true;
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

}  // namespace

NewControl newEditControl(HWND h, DWORD style, DWORD exStyle) {
    auto c = std::make_unique<EditControl>(h, style, exStyle);
    QWidget* widget = c->widget();
    return {std::move(c), widget};
}

}  // namespace platform::win
