// The tool bar: buttons with images and texts in rows, separators, check buttons and groups,
// drop-down buttons, hot tracking of flat bars, and its commands and notifications.
#include "CommonControlImpl.h"
#include "CustomDraw.h"
#include "ImageListImpl.h"
#include "platform/codepage.h"
#include "platform/commctrl.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace platform::win {
namespace {

QColor qcolourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

constexpr int kArrowWidth = 13;

struct Button {
    int image = 0;
    int command = 0;
    BYTE state = TBSTATE_ENABLED;
    BYTE style = 0;
    DWORD_PTR data = 0;
    std::u16string text;
    int width = 0;  // TBIF_SIZE; 0: from the bar's button size
    QRect rect;     // laid out
    bool separator() const { return (style & TBSTYLE_SEP) != 0; }
    bool dropDown() const { return (style & (BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN)) != 0; }
};

class BarControl;

class BarWidget : public QWidget {
public:
    explicit BarWidget(BarControl* c) : control_(c) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    BarControl* control_;
};

class BarControl : public Control {
public:
    BarControl(HWND h, DWORD style) : handle_(h), style_(style) { widget_ = new BarWidget(this); }
    ~BarControl() override {
        if (widget_) widget_->forget();
    }
    QWidget* widget() const { return widget_; }
    std::u16string text() const override { return text_; }
    void setText(const std::u16string& t) override { text_ = t; }
    void styleChanged() override {
        if (Window* w = find(handle_)) style_ = w->style;
        layout();
    }
    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override;
    void paint(QPainter& p);
    void layout();

private:
    HWND notifyTarget() const { return parent_ ? parent_ : GetParent(handle_); }
    UINT_PTR id() const {
        Window* w = find(handle_);
        return w ? static_cast<UINT_PTR>(w->id) : 0;
    }
    int indexOf(int command) const {
        for (std::size_t i = 0; i < buttons_.size(); ++i)
            if (buttons_[i].command == command) return static_cast<int>(i);
        return -1;
    }
    Button* byCommand(WPARAM command) {
        const int i = indexOf(static_cast<int>(command));
        return i < 0 ? nullptr : &buttons_[static_cast<std::size_t>(i)];
    }
    Button* byIndex(int i) { return i >= 0 && i < static_cast<int>(buttons_.size()) ? &buttons_[static_cast<std::size_t>(i)] : nullptr; }
    QSize bitmap() const {
        int cx = 0, cy = 0;
        if (images_ && ImageList_GetIconSize(images_, &cx, &cy)) return QSize(cx, cy);
        return bitmapSize_;
    }
    bool anyText() const {
        return std::any_of(buttons_.begin(), buttons_.end(), [](const Button& b) { return !b.separator() && !b.text.empty(); });
    }
    bool listStyle() const { return (style_ & TBSTYLE_LIST) != 0; }
    bool arrows() const { return (exStyle_ & TBSTYLE_EX_DRAWDDARROWS) != 0; }
    int textHeight() const { return maxTextRows_ > 0 && anyText() ? QFontMetrics(widget_->font()).height() : 0; }
    // The size of a button with the bar's current contents.
    QSize buttonSizeOf(const Button& b) const {
        const QSize bm = bitmap();
        int w = std::max(buttonSize_.width(), bm.width() + 7);
        int h = std::max(buttonSize_.height(), bm.height() + 7);
        const int th = textHeight();
        if (th > 0) {
            const QFontMetrics fm(widget_->font());
            int textWidth = 0;
            for (const Button& o : buttons_)
                if (!o.separator()) textWidth = std::max(textWidth, fm.horizontalAdvance(toQt(o.text)));
            if (listStyle()) {
                w = std::max(w, bm.width() + 7 + (b.text.empty() ? 0 : fm.horizontalAdvance(toQt(b.text)) + 4));
                h = std::max(h, th + 6);
            } else {
                w = std::max(w, textWidth + 6);
                h = std::max(h, bm.height() + th + 9);
            }
        }
        if (minWidth_ > 0) w = std::max(w, minWidth_);
        if (maxWidth_ > 0) w = std::min(w, std::max(maxWidth_, minWidth_));
        if (b.width > 0) w = b.width;
        if (b.dropDown() && (arrows() || (b.style & BTNS_WHOLEDROPDOWN)) && b.width == 0) w += kArrowWidth;
        return QSize(w, h);
    }
    int separatorWidth(const Button& b) const { return b.image > 0 ? b.image : 8; }
    int rowHeight() const {
        int h = 0;
        for (const Button& b : buttons_)
            if (!b.separator()) h = std::max(h, buttonSizeOf(b).height());
        return h > 0 ? h : std::max(buttonSize_.height(), bitmap().height() + 7);
    }
    int hitTest(QPoint pt) const {
        for (std::size_t i = 0; i < buttons_.size(); ++i)
            if (!(buttons_[i].state & TBSTATE_HIDDEN) && buttons_[i].rect.contains(pt)) return static_cast<int>(i);
        return -1;
    }
    QRect arrowRect(const Button& b) const {
        if (!b.dropDown() || !(arrows() || (b.style & BTNS_WHOLEDROPDOWN))) return {};
        return QRect(b.rect.right() - kArrowWidth + 1, b.rect.top(), kArrowWidth, b.rect.height());
    }
    void repaint() {
        if (widget_) widget_->update();
    }
    void autoSize();
    void addButtons(int at, int count, const TBBUTTON* list, bool wide);
    void click(int index);
    bool dropDown(int index);
    bool buttonInfo(WPARAM wParam, LPARAM lParam, bool set, bool wide, LRESULT& r);
    void setHot(int index) {
        if (index == hot_) return;
        hot_ = index;
        repaint();
    }
    void paintButton(QPainter& p, const Button& b, int index, const NMTBCUSTOMDRAW& cd);

    HWND handle_;
    DWORD style_;
    DWORD exStyle_ = 0;
    QPointer<BarWidget> widget_;
    std::u16string text_;
    std::vector<Button> buttons_;
    std::vector<std::u16string> strings_;
    HIMAGELIST images_ = nullptr;
    HIMAGELIST hotImages_ = nullptr;
    HIMAGELIST disabledImages_ = nullptr;
    QSize buttonSize_{24, 22};
    QSize bitmapSize_{16, 15};
    int indent_ = 0;
    int minWidth_ = 0;
    int maxWidth_ = 0;
    int maxTextRows_ = 1;
    QSize padding_{7, 6};
    HWND parent_ = nullptr;
    HWND tooltips_ = nullptr;
    bool unicodeNotify_ = true;
    int rows_ = 1;
    int hot_ = -1;
    int pressed_ = -1;     // the button held down by the mouse
    bool pressedIn_ = false;
};

void BarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (control_) control_->paint(p);
}

void BarWidget::resizeEvent(QResizeEvent*) {
    if (control_) control_->layout();
}

void BarControl::layout() {
    if (!widget_) return;
    const int width = widget_->width();
    const int rowH = rowHeight();
    const bool wrap = (style_ & TBSTYLE_WRAPABLE) != 0;
    const bool vertical = (style_ & CCS_VERT) != 0;
    int x = indent_, y = (style_ & CCS_NODIVIDER) ? 0 : 2;
    int rows = 1;
    for (Button& b : buttons_) {
        if (b.state & TBSTATE_HIDDEN) {
            b.rect = QRect();
            continue;
        }
        const QSize s = b.separator() ? QSize(separatorWidth(b), rowH) : buttonSizeOf(b);
        if (vertical) {
            b.rect = QRect(0, y, b.separator() ? width : s.width(), b.separator() ? separatorWidth(b) : s.height());
            y += b.rect.height();
            continue;
        }
        if (wrap && x > indent_ && x + s.width() > width && !b.separator()) {
            x = indent_;
            y += rowH;
            ++rows;
        }
        b.rect = QRect(x, y, s.width(), rowH);
        x += s.width();
        if (b.state & TBSTATE_WRAP) {
            x = indent_;
            y += rowH + (b.separator() ? separatorWidth(b) : 0);
            ++rows;
        }
    }
    rows_ = rows;
    repaint();
}

void BarControl::autoSize() {
    layout();
    if (!widget_) return;
    int bottom = 0, right = 0;
    for (const Button& b : buttons_)
        if (b.rect.isValid()) {
            bottom = std::max(bottom, b.rect.bottom() + 1);
            right = std::max(right, b.rect.right() + 1);
        }
    if (bottom == 0) bottom = rowHeight() + ((style_ & CCS_NODIVIDER) ? 0 : 2);
    if (style_ & CCS_NORESIZE) return;
    RECT wr{};
    GetWindowRect(handle_, &wr);
    POINT at{wr.left, wr.top};
    HWND parent = GetParent(handle_);
    if (parent) ScreenToClient(parent, &at);
    int width = wr.right - wr.left;
    int height = bottom + 2;
    if (!(style_ & CCS_NOPARENTALIGN) && parent) {
        RECT pc{};
        GetClientRect(parent, &pc);
        width = pc.right;
        at.x = 0;
        at.y = (style_ & CCS_BOTTOM) == CCS_BOTTOM ? pc.bottom - height : 0;
    }
    if (style_ & CCS_VERT) {
        width = right;
        height = wr.bottom - wr.top;
    }
    SetWindowPos(handle_, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    layout();
}

void BarControl::addButtons(int at, int count, const TBBUTTON* list, bool wide) {
    if (!list || count <= 0) return;
    at = std::clamp(at, 0, static_cast<int>(buttons_.size()));
    std::vector<Button> added;
    for (int k = 0; k < count; ++k) {
        const TBBUTTON& t = list[k];
        Button b;
        b.image = t.iBitmap;
        b.command = t.idCommand;
        b.state = t.fsState;
        b.style = t.fsStyle;
        b.data = t.dwData;
        if (t.iString != -1) {
            if ((static_cast<ULONG_PTR>(t.iString) >> 16) == 0) {
                const auto index = static_cast<std::size_t>(t.iString);
                if (index < strings_.size()) b.text = strings_[index];
            } else {
                b.text = textArg(static_cast<LPARAM>(t.iString), wide);
            }
        }
        added.push_back(std::move(b));
    }
    buttons_.insert(buttons_.begin() + at, added.begin(), added.end());
    layout();
}

// The button was clicked: check buttons and groups change, the command goes out.
void BarControl::click(int index) {
    Button* b = byIndex(index);
    if (!b || !(b->state & TBSTATE_ENABLED)) return;
    if (b->style & TBSTYLE_CHECK) {
        if (b->style & TBSTYLE_GROUP) {
            if (!(b->state & TBSTATE_CHECKED)) {
                // The group is the run of grouped check buttons around this one.
                int from = index, to = index;
                auto grouped = [&](int i) {
                    const Button* o = byIndex(i);
                    return o && (o->style & TBSTYLE_CHECKGROUP) == TBSTYLE_CHECKGROUP;
                };
                while (grouped(from - 1)) --from;
                while (grouped(to + 1)) ++to;
                for (int i = from; i <= to; ++i) buttons_[static_cast<std::size_t>(i)].state &= ~TBSTATE_CHECKED;
                b->state |= TBSTATE_CHECKED;
            }
        } else {
            b->state ^= TBSTATE_CHECKED;
        }
    }
    repaint();
    const int command = b->command;
    SendMessageW(notifyTarget(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), BN_CLICKED),
                 reinterpret_cast<LPARAM>(handle_));
}

// TBN_DROPDOWN; true when the press goes on as an ordinary one.
bool BarControl::dropDown(int index) {
    Button& b = buttons_[static_cast<std::size_t>(index)];
    NMTOOLBARW n{};
    n.hdr.hwndFrom = handle_;
    n.hdr.idFrom = id();
    n.hdr.code = TBN_DROPDOWN;
    n.iItem = b.command;
    n.tbButton.iBitmap = b.image;
    n.tbButton.idCommand = b.command;
    n.tbButton.fsState = b.state;
    n.tbButton.fsStyle = b.style;
    n.tbButton.dwData = b.data;
    n.rcButton = toRect(b.rect);
    b.state |= TBSTATE_PRESSED;
    repaint();
    QPointer<QWidget> alive(widget_);
    const LRESULT r = SendMessageW(notifyTarget(), WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
    if (!alive) return false;
    if (Button* again = byIndex(index)) again->state &= ~TBSTATE_PRESSED;
    repaint();
    return r == TBDDRET_TREATPRESSED;
}

bool BarControl::buttonInfo(WPARAM wParam, LPARAM lParam, bool set, bool wide, LRESULT& r) {
    auto* info = reinterpret_cast<TBBUTTONINFOW*>(lParam);
    r = set ? FALSE : -1;
    if (!info || info->cbSize < sizeof(TBBUTTONINFOW)) return true;
    const int index = (info->dwMask & TBIF_BYINDEX) ? static_cast<int>(wParam) : indexOf(static_cast<int>(wParam));
    Button* b = byIndex(index);
    if (!b) return true;
    if (set) {
        if (info->dwMask & TBIF_COMMAND) b->command = info->idCommand;
        if (info->dwMask & TBIF_IMAGE) b->image = info->iImage;
        if (info->dwMask & TBIF_STATE) b->state = info->fsState;
        if (info->dwMask & TBIF_STYLE) b->style = info->fsStyle;
        if (info->dwMask & TBIF_SIZE) b->width = info->cx;
        if (info->dwMask & TBIF_LPARAM) b->data = info->lParam;
        if (info->dwMask & TBIF_TEXT) b->text = textArg(reinterpret_cast<LPARAM>(info->pszText), wide);
        layout();
        r = TRUE;
        return true;
    }
    if (info->dwMask & TBIF_COMMAND) info->idCommand = b->command;
    if (info->dwMask & TBIF_IMAGE) info->iImage = b->image;
    if (info->dwMask & TBIF_STATE) info->fsState = b->state;
    if (info->dwMask & TBIF_STYLE) info->fsStyle = b->style;
    if (info->dwMask & TBIF_SIZE) info->cx = static_cast<WORD>(b->rect.width());
    if (info->dwMask & TBIF_LPARAM) info->lParam = b->data;
    if ((info->dwMask & TBIF_TEXT) && info->pszText && info->cchText > 0)
        copyOut(b->text, reinterpret_cast<LPARAM>(info->pszText), static_cast<WPARAM>(info->cchText), wide);
    r = index;
    return true;
}

bool BarControl::message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    const QPoint pt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    auto stateFlag = [&](BYTE flag, bool on) {
        Button* b = byCommand(wParam);
        if (!b) {
            r = FALSE;
            return true;
        }
        const BYTE before = b->state;
        b->state = on ? (b->state | flag) : (b->state & ~flag);
        if ((before ^ b->state) & TBSTATE_HIDDEN) layout();
        repaint();
        r = TRUE;
        return true;
    };
    auto isFlag = [&](BYTE flag) {
        Button* b = byCommand(wParam);
        r = b ? ((b->state & flag) ? TRUE : FALSE) : -1;
        return true;
    };
    switch (msg) {
    case WM_CREATE: {
        HWND parent = GetParent(handle_);
        const LRESULT f = parent ? SendMessageW(parent, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(handle_), NF_QUERY) : 0;
        Window* pw = find(parent);
        unicodeNotify_ = f == NFR_UNICODE || (f != NFR_ANSI && (!pw || pw->unicode));
        return false;
    }
    case CCM_SETUNICODEFORMAT:
        r = unicodeNotify_ ? 1 : 0;
        unicodeNotify_ = wParam != 0;
        return true;
    case CCM_GETUNICODEFORMAT: r = unicodeNotify_ ? 1 : 0; return true;
    case WM_SETFONT: {
        Window* w = find(handle_);
        if (w) controlFontMessage(*w, msg, wParam, lParam, r);
        layout();
        return true;
    }
    case WM_MOUSEMOVE: {
        const int i = hitTest(pt);
        if (pressed_ >= 0) {
            const bool in = i == pressed_;
            if (in != pressedIn_) {
                pressedIn_ = in;
                if (Button* b = byIndex(pressed_)) b->state = in ? (b->state | TBSTATE_PRESSED) : (b->state & ~TBSTATE_PRESSED);
                repaint();
            }
        }
        const Button* b = byIndex(i);
        setHot(b && !b->separator() && (b->state & TBSTATE_ENABLED) ? i : -1);
        return true;
    }
    case WM_MOUSELEAVE: setHot(-1); return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const int i = hitTest(pt);
        Button* b = byIndex(i);
        if (!b || b->separator() || !(b->state & TBSTATE_ENABLED)) return true;
        if (b->dropDown()) {
            const bool onArrow = (b->style & BTNS_WHOLEDROPDOWN) || !arrows() || arrowRect(*b).contains(pt);
            if (onArrow && !dropDown(i)) return true;
            b = byIndex(i);
            if (!b) return true;
        }
        pressed_ = i;
        pressedIn_ = true;
        b->state |= TBSTATE_PRESSED;
        SetCapture(handle_);
        repaint();
        return true;
    }
    case WM_LBUTTONUP: {
        if (pressed_ < 0) return true;
        const int i = pressed_;
        const bool in = hitTest(pt) == i;
        pressed_ = -1;
        if (GetCapture() == handle_) ReleaseCapture();
        if (Button* b = byIndex(i)) b->state &= ~TBSTATE_PRESSED;
        repaint();
        if (in) click(i);
        return true;
    }
    case WM_CAPTURECHANGED:
        if (pressed_ >= 0) {
            if (Button* b = byIndex(pressed_)) b->state &= ~TBSTATE_PRESSED;
            pressed_ = -1;
            repaint();
        }
        return false;
    case WM_SIZE:
        layout();
        return false;

    case TB_BUTTONSTRUCTSIZE: r = 0; return true;
    case TB_ADDBUTTONSA:
    case TB_ADDBUTTONSW:
        addButtons(static_cast<int>(buttons_.size()), static_cast<int>(wParam), reinterpret_cast<const TBBUTTON*>(lParam),
                   msg == TB_ADDBUTTONSW);
        r = lParam ? TRUE : FALSE;
        return true;
    case TB_INSERTBUTTONA:
    case TB_INSERTBUTTONW: {
        const int at = static_cast<int>(static_cast<LONG>(wParam));
        addButtons(at < 0 ? static_cast<int>(buttons_.size()) : at, 1, reinterpret_cast<const TBBUTTON*>(lParam),
                   msg == TB_INSERTBUTTONW);
        r = lParam ? TRUE : FALSE;
        return true;
    }
    case TB_DELETEBUTTON: {
        const int i = static_cast<int>(wParam);
        if (!byIndex(i)) {
            r = FALSE;
            return true;
        }
        buttons_.erase(buttons_.begin() + i);
        if (hot_ == i) hot_ = -1;
        else if (hot_ > i) --hot_;
        if (pressed_ == i) pressed_ = -1;
        else if (pressed_ > i) --pressed_;
        layout();
        r = TRUE;
        return true;
    }
    case TB_GETBUTTON: {
        const Button* b = byIndex(static_cast<int>(wParam));
        auto* t = reinterpret_cast<TBBUTTON*>(lParam);
        if (!b || !t) {
            r = FALSE;
            return true;
        }
        *t = TBBUTTON{};
        t->iBitmap = b->image;
        t->idCommand = b->command;
        t->fsState = b->state;
        t->fsStyle = b->style;
        t->dwData = b->data;
        t->iString = -1;
        r = TRUE;
        return true;
    }
    case TB_BUTTONCOUNT: r = static_cast<LRESULT>(buttons_.size()); return true;
    case TB_COMMANDTOINDEX: r = indexOf(static_cast<int>(wParam)); return true;
    case TB_ENABLEBUTTON: return stateFlag(TBSTATE_ENABLED, LOWORD(lParam) != 0);
    case TB_CHECKBUTTON: return stateFlag(TBSTATE_CHECKED, LOWORD(lParam) != 0);
    case TB_PRESSBUTTON: return stateFlag(TBSTATE_PRESSED, LOWORD(lParam) != 0);
    case TB_HIDEBUTTON: return stateFlag(TBSTATE_HIDDEN, LOWORD(lParam) != 0);
    case TB_INDETERMINATE: return stateFlag(TBSTATE_INDETERMINATE, LOWORD(lParam) != 0);
    case TB_MARKBUTTON: return stateFlag(TBSTATE_MARKED, LOWORD(lParam) != 0);
    case TB_ISBUTTONENABLED: return isFlag(TBSTATE_ENABLED);
    case TB_ISBUTTONCHECKED: return isFlag(TBSTATE_CHECKED);
    case TB_ISBUTTONPRESSED: return isFlag(TBSTATE_PRESSED);
    case TB_ISBUTTONHIDDEN: return isFlag(TBSTATE_HIDDEN);
    case TB_ISBUTTONINDETERMINATE: return isFlag(TBSTATE_INDETERMINATE);
    case TB_SETSTATE: {
        Button* b = byCommand(wParam);
        if (!b) {
            r = FALSE;
            return true;
        }
        const bool relayout = ((b->state ^ static_cast<BYTE>(lParam)) & (TBSTATE_HIDDEN | TBSTATE_WRAP)) != 0;
        b->state = static_cast<BYTE>(lParam);
        if (relayout) layout();
        repaint();
        r = TRUE;
        return true;
    }
    case TB_GETSTATE: {
        const Button* b = byCommand(wParam);
        r = b ? b->state : -1;
        return true;
    }
    case TB_GETITEMRECT:
    case TB_GETRECT: {
        const Button* b = msg == TB_GETRECT ? byCommand(wParam) : byIndex(static_cast<int>(wParam));
        auto* rc = reinterpret_cast<RECT*>(lParam);
        if (!b || !rc || !b->rect.isValid()) {
            r = FALSE;
            return true;
        }
        *rc = toRect(b->rect);
        r = TRUE;
        return true;
    }
    case TB_SETBUTTONSIZE:
        buttonSize_ = QSize(std::max<int>(LOWORD(lParam), 1), std::max<int>(HIWORD(lParam), 1));
        layout();
        r = TRUE;
        return true;
    case TB_GETBUTTONSIZE: {
        const QSize s = buttons_.empty() ? buttonSize_ : buttonSizeOf(Button{});
        r = MAKELONG(static_cast<WORD>(s.width()), static_cast<WORD>(s.height()));
        return true;
    }
    case TB_SETBITMAPSIZE:
        bitmapSize_ = QSize(LOWORD(lParam), HIWORD(lParam));
        layout();
        r = TRUE;
        return true;
    case TB_AUTOSIZE: autoSize(); r = 0; return true;
    case TB_SETIMAGELIST:
    case TB_SETHOTIMAGELIST:
    case TB_SETDISABLEDIMAGELIST: {
        HIMAGELIST& slot = msg == TB_SETIMAGELIST ? images_ : msg == TB_SETHOTIMAGELIST ? hotImages_ : disabledImages_;
        r = reinterpret_cast<LRESULT>(slot);
        slot = reinterpret_cast<HIMAGELIST>(lParam);
        layout();
        return true;
    }
    case TB_GETIMAGELIST: r = reinterpret_cast<LRESULT>(images_); return true;
    case TB_GETHOTIMAGELIST: r = reinterpret_cast<LRESULT>(hotImages_); return true;
    case TB_GETDISABLEDIMAGELIST: r = reinterpret_cast<LRESULT>(disabledImages_); return true;
    case TB_SETSTYLE:
        SetWindowLongW(handle_, GWL_STYLE, static_cast<LONG>(lParam));
        style_ = static_cast<DWORD>(lParam);
        layout();
        return true;
    case TB_GETSTYLE: r = static_cast<LRESULT>(style_); return true;
    case TB_SETEXTENDEDSTYLE:
        r = static_cast<LRESULT>(exStyle_);
        exStyle_ = static_cast<DWORD>(lParam);
        layout();
        return true;
    case TB_GETEXTENDEDSTYLE: r = static_cast<LRESULT>(exStyle_); return true;
    case TB_SETINDENT:
        indent_ = static_cast<int>(wParam);
        layout();
        r = TRUE;
        return true;
    case TB_SETBUTTONWIDTH:
        minWidth_ = LOWORD(lParam);
        maxWidth_ = HIWORD(lParam);
        layout();
        r = TRUE;
        return true;
    case TB_SETMAXTEXTROWS:
        maxTextRows_ = static_cast<int>(wParam);
        layout();
        r = TRUE;
        return true;
    case TB_GETTEXTROWS: r = maxTextRows_; return true;
    case TB_GETROWS: r = rows_; return true;
    case TB_SETROWS: layout(); return true;
    case TB_SETCMDID: {
        Button* b = byIndex(static_cast<int>(wParam));
        if (b) b->command = static_cast<int>(lParam);
        r = b ? TRUE : FALSE;
        return true;
    }
    case TB_GETBUTTONINFOA:
    case TB_GETBUTTONINFOW: return buttonInfo(wParam, lParam, false, msg == TB_GETBUTTONINFOW, r);
    case TB_SETBUTTONINFOA:
    case TB_SETBUTTONINFOW: return buttonInfo(wParam, lParam, true, msg == TB_SETBUTTONINFOW, r);
    case TB_GETBUTTONTEXTA:
    case TB_GETBUTTONTEXTW: {
        const Button* b = byCommand(wParam);
        if (!b) {
            r = -1;
            return true;
        }
        const bool wide = msg == TB_GETBUTTONTEXTW;
        r = textLength(b->text, wide);
        if (lParam) copyOut(b->text, lParam, static_cast<WPARAM>(r) + 1, wide);
        return true;
    }
    case TB_ADDSTRINGA:
    case TB_ADDSTRINGW: {
        if (wParam) {
            r = -1;  // texts from resources are not supported
            return true;
        }
        r = static_cast<LRESULT>(strings_.size());
        if (msg == TB_ADDSTRINGW) {
            for (auto* p = reinterpret_cast<const char16_t*>(lParam); p && *p; p += std::char_traits<char16_t>::length(p) + 1)
                strings_.emplace_back(p);
        } else {
            for (auto* p = reinterpret_cast<const char*>(lParam); p && *p; p += std::strlen(p) + 1)
                strings_.push_back(ansiToWide(p));
        }
        return true;
    }
    case TB_HITTEST: {
        const auto* p = reinterpret_cast<const POINT*>(lParam);
        if (!p) {
            r = -1;
            return true;
        }
        const int i = hitTest(QPoint(p->x, p->y));
        if (i >= 0) {
            r = buttons_[static_cast<std::size_t>(i)].separator() ? -1 - i : i;
            return true;
        }
        // Outside every button: -1 minus the index of the nearest one before the point.
        int before = -1;
        for (std::size_t k = 0; k < buttons_.size(); ++k)
            if (buttons_[k].rect.isValid() && buttons_[k].rect.left() <= p->x) before = static_cast<int>(k);
        r = -1 - std::max(before, 0);
        return true;
    }
    case TB_GETHOTITEM: r = hot_; return true;
    case TB_SETHOTITEM:
        r = hot_;
        setHot(byIndex(static_cast<int>(static_cast<LONG>(wParam))) ? static_cast<int>(wParam) : -1);
        return true;
    case TB_GETMAXSIZE: {
        auto* s = reinterpret_cast<SIZE*>(lParam);
        if (!s) {
            r = FALSE;
            return true;
        }
        int right = 0, bottom = 0;
        for (const Button& b : buttons_)
            if (b.rect.isValid()) {
                right = std::max(right, b.rect.right() + 1);
                bottom = std::max(bottom, b.rect.bottom() + 1);
            }
        *s = SIZE{right, bottom};
        r = TRUE;
        return true;
    }
    case TB_SETPADDING:
        r = MAKELONG(static_cast<WORD>(padding_.width()), static_cast<WORD>(padding_.height()));
        padding_ = QSize(LOWORD(lParam), HIWORD(lParam));
        return true;
    case TB_GETPADDING: r = MAKELONG(static_cast<WORD>(padding_.width()), static_cast<WORD>(padding_.height())); return true;
    case TB_SETPARENT:
        r = reinterpret_cast<LRESULT>(notifyTarget());
        parent_ = reinterpret_cast<HWND>(wParam);
        return true;
    case TB_SETTOOLTIPS: tooltips_ = reinterpret_cast<HWND>(wParam); return true;
    case TB_GETTOOLTIPS: r = reinterpret_cast<LRESULT>(tooltips_); return true;
    default: return false;
    }
}

void BarControl::paintButton(QPainter& p, const Button& b, int index, const NMTBCUSTOMDRAW& cd) {
    const QRect r = b.rect;
    if (b.separator()) {
        if (style_ & TBSTYLE_FLAT) {
            const int x = r.center().x();
            p.setPen(qcolourOf(GetSysColor(COLOR_BTNSHADOW)));
            p.drawLine(x, r.top() + 2, x, r.bottom() - 2);
            p.setPen(qcolourOf(GetSysColor(COLOR_BTNHIGHLIGHT)));
            p.drawLine(x + 1, r.top() + 2, x + 1, r.bottom() - 2);
        }
        return;
    }
    const bool enabled = (b.state & TBSTATE_ENABLED) != 0;
    const bool down = (b.state & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
    const bool hot = index == hot_ && enabled;
    const bool flat = (style_ & TBSTYLE_FLAT) != 0;
    if (b.state & TBSTATE_CHECKED && !(b.state & TBSTATE_PRESSED)) {
        // A checked button shows a lighter face.
        QColor face = qcolourOf(cd.clrBtnFace);
        QColor light = qcolourOf(cd.clrBtnHighlight);
        p.fillRect(r.adjusted(1, 1, -1, -1), QColor((face.red() + light.red()) / 2, (face.green() + light.green()) / 2,
                                                    (face.blue() + light.blue()) / 2));
    }
    if (b.state & TBSTATE_MARKED) p.fillRect(r.adjusted(1, 1, -1, -1), qcolourOf(cd.clrMark));
    if (down || hot || !flat) {
        const QColor topLeft = qcolourOf(GetSysColor(down ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
        const QColor bottomRight = qcolourOf(GetSysColor(down ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
        const QRect e = r.adjusted(0, 0, -1, -1);
        p.setPen(topLeft);
        p.drawLine(e.topLeft(), e.topRight());
        p.drawLine(e.topLeft(), e.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(e.bottomLeft(), e.bottomRight());
        p.drawLine(e.topRight(), e.bottomRight());
        if (!flat && !down) {
            p.setPen(qcolourOf(GetSysColor(COLOR_3DDKSHADOW)));
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        }
    }
    const QRect arrow = arrowRect(b);
    const QRect face = arrow.isValid() && !(b.style & BTNS_WHOLEDROPDOWN) ? r.adjusted(0, 0, -kArrowWidth, 0) : r;
    const int shift = down ? 1 : 0;
    const QSize bm = bitmap();
    const int th = textHeight();
    QRect imageArea = face;
    QRect textArea;
    if (th > 0 && !b.text.empty()) {
        if (listStyle()) {
            imageArea = QRect(face.left() + 3, face.top(), bm.width(), face.height());
            textArea = QRect(imageArea.right() + 3, face.top(), face.right() - imageArea.right() - 4, face.height());
        } else {
            imageArea = QRect(face.left(), face.top() + 3, face.width(), bm.height());
            textArea = QRect(face.left() + 2, imageArea.bottom() + 2, face.width() - 4, th);
        }
    }
    HIMAGELIST list = !enabled && disabledImages_ ? disabledImages_ : hot && hotImages_ ? hotImages_ : images_;
    if (list && b.image >= 0) {
        if (il::List* l = il::find(list)) {
            QImage img = il::compose(*l, b.image, QSize(), CLR_NONE, CLR_DEFAULT, ILD_TRANSPARENT);
            if (!img.isNull()) {
                if (!enabled && list != disabledImages_) {
                    // Grey, lighter pixels of the image stand for it when it has no disabled list.
                    for (int y = 0; y < img.height(); ++y) {
                        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                        for (int x = 0; x < img.width(); ++x) {
                            const int a = qAlpha(line[x]);
                            if (!a) continue;
                            const int g = std::min(255, (qGray(line[x]) * 255 / std::max(a, 1) + 255) / 2) * a / 255;
                            line[x] = qRgba(g, g, g, a);
                        }
                    }
                }
                const QPoint at(imageArea.left() + (imageArea.width() - img.width()) / 2 + shift,
                                imageArea.top() + (imageArea.height() - img.height()) / 2 + shift);
                p.drawImage(at, img);
            }
        }
    }
    if (textArea.isValid()) {
        p.setFont(widget_->font());
        const QColor c = qcolourOf(enabled ? cd.clrText : GetSysColor(COLOR_GRAYTEXT));
        p.setPen(c);
        const int align = (listStyle() ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter | Qt::TextSingleLine;
        const QString t = (b.style & BTNS_NOPREFIX) ? toQt(b.text) : mnemonicText(b.text);
        p.drawText(textArea.translated(shift, shift), align, t);
    }
    if (arrow.isValid()) {
        if (!(b.style & BTNS_WHOLEDROPDOWN) && (down || hot || !flat)) {
            p.setPen(qcolourOf(GetSysColor(COLOR_BTNSHADOW)));
            p.drawLine(arrow.left(), arrow.top() + 2, arrow.left(), arrow.bottom() - 2);
        }
        const QPoint c = arrow.center() + QPoint(shift, shift);
        QPolygon tri;
        tri << QPoint(c.x() - 3, c.y() - 1) << QPoint(c.x() + 3, c.y() - 1) << QPoint(c.x(), c.y() + 2);
        p.setPen(Qt::NoPen);
        p.setBrush(qcolourOf(enabled ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT)));
        p.drawPolygon(tri);
        p.setBrush(Qt::NoBrush);
    }
}

void BarControl::paint(QPainter& p) {
    const QRect area = widget_->rect();
    p.fillRect(area, qcolourOf(GetSysColor(COLOR_BTNFACE)));
    if (!(style_ & CCS_NODIVIDER)) {
        p.setPen(qcolourOf(GetSysColor(COLOR_BTNSHADOW)));
        p.drawLine(area.left(), 0, area.right(), 0);
        p.setPen(qcolourOf(GetSysColor(COLOR_BTNHIGHLIGHT)));
        p.drawLine(area.left(), 1, area.right(), 1);
    }
    NMTBCUSTOMDRAW cd{};
    CustomDrawPass pass(handle_, cd.nmcd);
    QPointer<QWidget> alive(widget_);
    pass.begin(p, area);
    if (!alive) return;
    const std::vector<Button> all = buttons_;
    for (std::size_t k = 0; k < all.size(); ++k) {
        const Button& b = all[k];
        if (!b.rect.isValid()) continue;
        cd.clrText = GetSysColor(COLOR_BTNTEXT);
        cd.clrBtnFace = GetSysColor(COLOR_BTNFACE);
        cd.clrBtnHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        cd.clrMark = GetSysColor(COLOR_HIGHLIGHT);
        cd.clrTextHighlight = GetSysColor(COLOR_HIGHLIGHTTEXT);
        cd.clrHighlightHotTrack = GetSysColor(COLOR_HIGHLIGHT);
        cd.rcText = toRect(b.rect);
        UINT state = 0;
        if (b.state & TBSTATE_CHECKED) state |= CDIS_CHECKED;
        if (b.state & TBSTATE_PRESSED) state |= CDIS_SELECTED;
        if (!(b.state & TBSTATE_ENABLED)) state |= CDIS_DISABLED;
        if (static_cast<int>(k) == hot_) state |= CDIS_HOT;
        if (b.separator()) {
            paintButton(p, b, static_cast<int>(k), cd);
            continue;
        }
        pass.item(p, b.rect, static_cast<DWORD_PTR>(b.command), state, static_cast<LPARAM>(b.data),
                  [&](QPainter& q) { paintButton(q, b, static_cast<int>(k), cd); });
        if (!alive) return;
    }
    pass.end(p, area);
}

}  // namespace

NewControl newToolBar(Window& w) {
    auto c = std::make_unique<BarControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win
