// Tooltips: tools (rectangles of a window, or whole windows) whose text a frameless
// top-level tip window shows when the mouse rests on them. The tip learns of the mouse
// from relayed messages (TTM_RELAYEVENT) or, for TTF_SUBCLASS tools, by watching the tool
// window's Qt events; asks for callback texts with TTN_GETDISPINFO in the form the tool's
// window wants (WM_NOTIFYFORMAT); and runs its delays on the window timers.
#include "CommonControlImpl.h"
#include "platform/GdiObject.h"
#include "platform/codepage.h"
#include "platform/commctrl.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

namespace platform::win {
namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
constexpr int kTextMargin = 3;

QColor qcolourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

struct Tool {
    UINT flags = 0;
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    RECT rect{};
    HINSTANCE hinst = nullptr;
    std::u16string text;
    bool callback = false;
    LPARAM lParam = 0;
    bool unicodeNotify = true;  // TTN_GETDISPINFOW rather than A
};

// The tool records of both forms, read into one.
template <class Info>
bool readInfo(LPARAM lParam, bool unicode, Tool* out) {
    const auto* ti = reinterpret_cast<const Info*>(lParam);
    if (!ti || ti->cbSize < offsetof(Info, lParam)) return false;
    out->flags = ti->uFlags;
    out->hwnd = ti->hwnd;
    out->id = ti->uId;
    out->rect = ti->rect;
    out->hinst = ti->hinst;
    out->lParam = ti->cbSize >= offsetof(Info, lpReserved) ? ti->lParam : 0;
    const auto marker = reinterpret_cast<LONG_PTR>(ti->lpszText);
    out->callback = marker == -1;
    out->text.clear();
    if (!out->callback && ti->lpszText && !IS_INTRESOURCE(ti->lpszText)) out->text = textArg(reinterpret_cast<LPARAM>(ti->lpszText), unicode);
    return true;
}

bool readTool(LPARAM lParam, bool unicode, Tool* out) {
    return unicode ? readInfo<TTTOOLINFOW>(lParam, true, out) : readInfo<TTTOOLINFOA>(lParam, false, out);
}

// Writes a tool back into a caller's record; the text goes into its buffer when it has one.
template <class Info>
void writeInfo(const Tool& t, LPARAM lParam, bool unicode, std::size_t bufferChars) {
    auto* ti = reinterpret_cast<Info*>(lParam);
    if (!ti || ti->cbSize < offsetof(Info, lParam)) return;
    ti->uFlags = t.flags;
    ti->hwnd = t.hwnd;
    ti->uId = t.id;
    ti->rect = t.rect;
    ti->hinst = t.hinst;
    if (ti->cbSize >= offsetof(Info, lpReserved)) ti->lParam = t.lParam;
    if (ti->lpszText && !IS_INTRESOURCE(ti->lpszText) && reinterpret_cast<LONG_PTR>(ti->lpszText) != -1 && bufferChars)
        copyOut(t.text, reinterpret_cast<LPARAM>(ti->lpszText), bufferChars, unicode);
}

void writeTool(const Tool& t, LPARAM lParam, bool unicode, std::size_t bufferChars = 0) {
    if (unicode) writeInfo<TTTOOLINFOW>(t, lParam, true, bufferChars);
    else writeInfo<TTTOOLINFOA>(t, lParam, false, bufferChars);
}

class ToolTipControl;

class TipWidget : public QWidget {
public:
    explicit TipWidget(ToolTipControl* c) : control_(c) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void forget() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ToolTipControl* control_;
};

// Watches the Qt events of the windows of TTF_SUBCLASS tools.
class Watcher : public QObject {
public:
    explicit Watcher(ToolTipControl* c) : control_(c) {}
    bool eventFilter(QObject* obj, QEvent* e) override;
    void watch(HWND wnd);
    void unwatch(HWND wnd);
    void unwatchAll();

private:
    ToolTipControl* control_;
    std::map<HWND, std::vector<QPointer<QWidget>>> watched_;
};

class ToolTipControl : public Control {
public:
    ToolTipControl(HWND h, DWORD style) : handle_(h), style_(style), watcher_(this) {
        widget_ = new TipWidget(this);
        const int initial = static_cast<int>(GetDoubleClickTime());
        delays_ = {initial / 5, initial * 10, initial};
    }
    ~ToolTipControl() override {
        watcher_.unwatchAll();
        if (widget_) widget_->forget();
    }

    QWidget* widget() const { return widget_; }
    std::u16string text() const override { return windowText_; }
    void setText(const std::u16string& t) override { windowText_ = t; }
    void styleChanged() override {
        if (Window* w = find(handle_)) style_ = w->style;
    }

    bool message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r) override {
        const bool wide = msg >= TTM_ADDTOOLW && msg <= TTM_GETCURRENTTOOLW;
        switch (msg) {
        case TTM_ADDTOOLA:
        case TTM_ADDTOOLW: r = addTool(lParam, wide); return true;
        case TTM_DELTOOLA:
        case TTM_DELTOOLW: {
            Tool key;
            if (readTool(lParam, wide, &key)) deleteTool(indexOf(key.hwnd, key.id));
            return true;
        }
        case TTM_NEWTOOLRECTA:
        case TTM_NEWTOOLRECTW: {
            Tool key;
            const int i = readTool(lParam, wide, &key) ? indexOf(key.hwnd, key.id) : -1;
            if (i >= 0) tools_[static_cast<std::size_t>(i)].rect = key.rect;
            return true;
        }
        case TTM_UPDATETIPTEXTA:
        case TTM_UPDATETIPTEXTW: {
            Tool key;
            const int i = readTool(lParam, wide, &key) ? indexOf(key.hwnd, key.id) : -1;
            if (i < 0) return true;
            Tool& t = tools_[static_cast<std::size_t>(i)];
            t.text = key.text;
            t.callback = key.callback;
            t.hinst = key.hinst;
            if (i == current_) show(i, true);
            return true;
        }
        case TTM_GETTEXTA:
        case TTM_GETTEXTW: {
            Tool key;
            const int i = readTool(lParam, wide, &key) ? indexOf(key.hwnd, key.id) : -1;
            if (i < 0) return true;
            Tool copy = tools_[static_cast<std::size_t>(i)];
            copy.text = textOf(i);
            writeTool(copy, lParam, wide, wParam ? wParam : 80);
            return true;
        }
        case TTM_GETTOOLINFOA:
        case TTM_GETTOOLINFOW: {
            Tool key;
            const int i = readTool(lParam, wide, &key) ? indexOf(key.hwnd, key.id) : -1;
            r = i >= 0;
            if (i >= 0) writeTool(tools_[static_cast<std::size_t>(i)], lParam, wide);
            return true;
        }
        case TTM_SETTOOLINFOA:
        case TTM_SETTOOLINFOW: {
            Tool key;
            const int i = readTool(lParam, wide, &key) ? indexOf(key.hwnd, key.id) : -1;
            if (i >= 0) {
                key.unicodeNotify = tools_[static_cast<std::size_t>(i)].unicodeNotify;
                tools_[static_cast<std::size_t>(i)] = key;
                updateWatching();
            }
            return true;
        }
        case TTM_GETTOOLCOUNT: r = static_cast<LRESULT>(tools_.size()); return true;
        case TTM_ENUMTOOLSA:
        case TTM_ENUMTOOLSW:
            r = wParam < tools_.size();
            if (r) writeTool(tools_[wParam], lParam, wide);
            return true;
        case TTM_GETCURRENTTOOLA:
        case TTM_GETCURRENTTOOLW:
            r = current_ >= 0;
            if (r && lParam) writeTool(tools_[static_cast<std::size_t>(current_)], lParam, wide);
            return true;
        case TTM_HITTESTA:
        case TTM_HITTESTW: {
            const auto* hit = reinterpret_cast<const TTHITTESTINFOW*>(lParam);
            if (!hit) return true;
            const int i = toolAt(hit->hwnd, hit->pt);
            r = i >= 0;
            if (i >= 0) {
                if (wide) writeTool(tools_[static_cast<std::size_t>(i)], reinterpret_cast<LPARAM>(&reinterpret_cast<TTHITTESTINFOW*>(lParam)->ti), true);
                else writeTool(tools_[static_cast<std::size_t>(i)], reinterpret_cast<LPARAM>(&reinterpret_cast<TTHITTESTINFOA*>(lParam)->ti), false);
            }
            return true;
        }
        case TTM_ACTIVATE:
            active_ = wParam != 0;
            if (!active_) {
                cancelPending();
                hide();
            }
            return true;
        case TTM_SETDELAYTIME: {
            const int ms = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            const int initial = static_cast<int>(GetDoubleClickTime());
            switch (wParam) {
            case TTDT_AUTOMATIC:
                if (ms < 0) delays_ = {initial / 5, initial * 10, initial};
                else delays_ = {ms / 5, ms * 10, ms};
                break;
            case TTDT_RESHOW: delays_[0] = ms < 0 ? initial / 5 : ms; break;
            case TTDT_AUTOPOP: delays_[1] = ms < 0 ? initial * 10 : ms; break;
            case TTDT_INITIAL: delays_[2] = ms < 0 ? initial : ms; break;
            default: break;
            }
            return true;
        }
        case TTM_GETDELAYTIME:
            r = wParam == TTDT_RESHOW ? delays_[0] : wParam == TTDT_AUTOPOP ? delays_[1] : delays_[2];
            return true;
        case TTM_SETMAXTIPWIDTH:
            r = maxWidth_;
            maxWidth_ = static_cast<int>(static_cast<LONG>(lParam));
            return true;
        case TTM_GETMAXTIPWIDTH: r = maxWidth_; return true;
        case TTM_SETTIPBKCOLOR:
            back_ = static_cast<COLORREF>(wParam);
            if (widget_) widget_->update();
            return true;
        case TTM_SETTIPTEXTCOLOR:
            fore_ = static_cast<COLORREF>(wParam);
            if (widget_) widget_->update();
            return true;
        case TTM_GETTIPBKCOLOR: r = static_cast<LRESULT>(back_ == CLR_DEFAULT ? GetSysColor(COLOR_INFOBK) : back_); return true;
        case TTM_GETTIPTEXTCOLOR: r = static_cast<LRESULT>(fore_ == CLR_DEFAULT ? GetSysColor(COLOR_INFOTEXT) : fore_); return true;
        case TTM_SETMARGIN:
            if (lParam) margin_ = *reinterpret_cast<const RECT*>(lParam);
            return true;
        case TTM_GETMARGIN:
            if (lParam) *reinterpret_cast<RECT*>(lParam) = margin_;
            return true;
        case TTM_POP:
            cancelPending();
            hide();
            return true;
        case TTM_UPDATE:
            if (current_ >= 0) show(current_, true);
            return true;
        case TTM_POPUP: {
            POINT p{};
            GetCursorPos(&p);
            cursor_ = p;
            const int i = toolAtScreen(p);
            if (i >= 0) show(i, false);
            return true;
        }
        case TTM_TRACKPOSITION:
            track_ = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (tracking_ >= 0 && current_ == tracking_) place(tracking_);
            return true;
        case TTM_TRACKACTIVATE: {
            Tool key;
            const int i = readTool(lParam, wide, &key) ? indexOf(key.hwnd, key.id) : -1;
            if (wParam) {
                if (i < 0 || !(tools_[static_cast<std::size_t>(i)].flags & TTF_TRACK)) return true;
                tracking_ = i;
                show(i, false);
            } else if (i >= 0 && i == tracking_) {
                tracking_ = -1;
                hide();
            }
            return true;
        }
        case TTM_RELAYEVENT: {
            const auto* m = reinterpret_cast<const MSG*>(lParam);
            if (m) relay(m->hwnd, m->message, POINT{GET_X_LPARAM(m->lParam), GET_Y_LPARAM(m->lParam)});
            return true;
        }
        case TTM_WINDOWFROMPOINT: {
            const POINT p = lParam ? *reinterpret_cast<const POINT*>(lParam) : POINT{0, 0};
            r = reinterpret_cast<LRESULT>(WindowFromPoint(p));
            return true;
        }
        case CCM_SETUNICODEFORMAT:
            r = unicodeFormat_;
            unicodeFormat_ = wParam != 0;
            return true;
        case CCM_GETUNICODEFORMAT: r = unicodeFormat_; return true;
        case WM_TIMER:
            if (wParam == kShowTimer) {
                KillTimer(handle_, kShowTimer);
                const int i = pending_;
                pending_ = -1;
                if (i >= 0 && active_) show(i, false);
                return true;
            }
            if (wParam == kPopTimer) {
                KillTimer(handle_, kPopTimer);
                if (current_ >= 0 && current_ != tracking_) {
                    suppressed_ = current_;
                    hide();
                }
                return true;
            }
            return false;
        case WM_DESTROY:
            watcher_.unwatchAll();
            KillTimer(handle_, kShowTimer);
            KillTimer(handle_, kPopTimer);
            return false;
        default: return false;
        }
    }

    // A mouse message of `wnd` at client point `p` (from a relay or a watched window).
    void relay(HWND wnd, UINT msg, POINT p) {
        if (!IsWindow(wnd)) return;
        POINT screen = p;
        ClientToScreen(wnd, &screen);
        cursor_ = screen;
        if (msg != WM_MOUSEMOVE) {
            if ((msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK) || msg == WM_MOUSEWHEEL) {
                // A click ends the tip until the mouse leaves the tool.
                suppressed_ = current_ >= 0 ? current_ : pending_;
                cancelPending();
                if (current_ != tracking_) hide();
            }
            return;
        }
        HWND under = reinterpret_cast<HWND>(SendMessageW(handle_, TTM_WINDOWFROMPOINT, 0, reinterpret_cast<LPARAM>(&screen)));
        if (!under || under == handle_) under = wnd;
        POINT client = screen;
        ScreenToClient(under, &client);
        const int i = toolAt(under, client);
        moved(i);
    }

    // The mouse left a tool window.
    void left(HWND wnd) {
        const auto inWindow = [&](int i) {
            if (i < 0 || static_cast<std::size_t>(i) >= tools_.size()) return false;
            const Tool& t = tools_[static_cast<std::size_t>(i)];
            return ((t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) : t.hwnd) == wnd;
        };
        if (inWindow(suppressed_)) suppressed_ = -1;
        if (inWindow(pending_)) cancelPending();
        if (inWindow(current_) && current_ != tracking_) hide();
    }

    void paint(QPainter& p, const QRect& all) const {
        p.fillRect(all, qcolourOf(back_ == CLR_DEFAULT ? GetSysColor(COLOR_INFOBK) : back_));
        p.setPen(qcolourOf(GetSysColor(COLOR_INFOTEXT)));
        p.drawRect(all.adjusted(0, 0, -1, -1));
        p.setPen(qcolourOf(fore_ == CLR_DEFAULT ? GetSysColor(COLOR_INFOTEXT) : fore_));
        p.setFont(font());
        p.drawText(textRect(all.size()), textFlags(), shown_);
    }

private:
    QFont font() const {
        Window* w = find(handle_);
        if (w && w->font)
            if (auto* f = gdi::find<gdi::Font>(w->font, OBJ_FONT)) return f->qfont;
        if (auto* f = gdi::find<gdi::Font>(GetStockObject(DEFAULT_GUI_FONT), OBJ_FONT)) return f->qfont;
        return QFont();
    }
    int textFlags() const { return Qt::AlignLeft | Qt::AlignTop | (maxWidth_ >= 0 ? Qt::TextWordWrap : 0); }
    QRect textRect(QSize size) const {
        return QRect(QPoint(0, 0), size).adjusted(1 + kTextMargin + margin_.left, 1 + kTextMargin + margin_.top,
                                                  -1 - kTextMargin - margin_.right, -1 - kTextMargin - margin_.bottom);
    }

    int indexOf(HWND hwnd, UINT_PTR id) const {
        for (std::size_t i = 0; i < tools_.size(); ++i)
            if (tools_[i].hwnd == hwnd && tools_[i].id == id) return static_cast<int>(i);
        return -1;
    }

    int addTool(LPARAM lParam, bool wide) {
        Tool t;
        if (!readTool(lParam, wide, &t) || (t.hwnd && !IsWindow(t.hwnd))) return FALSE;
        // The form of TTN_GETDISPINFO is the one the tool's window asks for.
        const LRESULT format = t.hwnd ? SendMessageW(t.hwnd, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(handle_), NF_QUERY) : 0;
        t.unicodeNotify = format == NFR_UNICODE || (format != NFR_ANSI && wide);
        const int existing = indexOf(t.hwnd, t.id);
        if (existing >= 0) tools_[static_cast<std::size_t>(existing)] = t;
        else tools_.push_back(t);
        updateWatching();
        return TRUE;
    }

    void deleteTool(int i) {
        if (i < 0) return;
        if (i == current_) hide();
        if (i == pending_) cancelPending();
        tools_.erase(tools_.begin() + i);
        for (int* slot : {&current_, &pending_, &tracking_, &suppressed_}) {
            if (*slot == i) *slot = -1;
            else if (*slot > i) --*slot;
        }
        updateWatching();
    }

    void updateWatching() {
        watcher_.unwatchAll();
        for (const Tool& t : tools_)
            if (t.flags & TTF_SUBCLASS) watcher_.watch((t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) : t.hwnd);
    }

    // The tool at a client point of a window (tracking tools are never hovered).
    int toolAt(HWND wnd, POINT p) const {
        for (std::size_t i = 0; i < tools_.size(); ++i) {
            const Tool& t = tools_[i];
            if (t.flags & TTF_TRACK) continue;
            if (t.flags & TTF_IDISHWND) {
                RECT c{};
                if (reinterpret_cast<HWND>(t.id) == wnd && GetClientRect(wnd, &c) && PtInRect(&c, p)) return static_cast<int>(i);
            } else if (t.hwnd == wnd && PtInRect(&t.rect, p)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    int toolAtScreen(POINT screen) const {
        HWND under = WindowFromPoint(screen);
        if (!under) return -1;
        POINT c = screen;
        ScreenToClient(under, &c);
        return toolAt(under, c);
    }

    // Whether a tool may show now: the tip is active and, without TTS_ALWAYSTIP, the tool's
    // window belongs to the active window.
    bool mayShow(int i) const {
        if (!active_ || i < 0) return false;
        if (style_ & TTS_ALWAYSTIP) return true;
        const Tool& t = tools_[static_cast<std::size_t>(i)];
        HWND w = (t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) : t.hwnd;
        const HWND active = GetActiveWindow();
        while (w) {
            if (w == active) return true;
            Window* win = find(w);
            w = win ? (win->parent ? win->parent : win->owner) : nullptr;
        }
        return false;
    }

    void moved(int i) {
        if (i != suppressed_) suppressed_ = -1;
        if (i < 0) {
            cancelPending();
            if (current_ != tracking_) hide();
            return;
        }
        if (i == current_ || i == suppressed_ || !mayShow(i)) return;
        if (i == pending_) return;  // still waiting
        const bool switching = current_ >= 0 && current_ != tracking_;
        if (switching) hide();
        pending_ = i;
        SetTimer(handle_, kShowTimer, static_cast<UINT>(std::max(switching ? delays_[0] : delays_[2], 1)), nullptr);
    }

    void cancelPending() {
        pending_ = -1;
        KillTimer(handle_, kShowTimer);
    }

    LRESULT notify(const Tool& t, UINT code, NMHDR* header) {
        header->hwndFrom = handle_;
        header->idFrom = t.id;
        header->code = code;
        return t.hwnd ? SendMessageW(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(header)) : 0;
    }

    // The text of tool i: its own, or what its window answers to TTN_GETDISPINFO.
    std::u16string textOf(int i) {
        Tool t = tools_[static_cast<std::size_t>(i)];
        if (!t.callback) return t.text;
        std::u16string text;
        UINT flags = 0;
        if (t.unicodeNotify) {
            NMTTDISPINFOW nm{};
            nm.lpszText = nm.szText;
            nm.hinst = t.hinst;
            nm.uFlags = t.flags;
            nm.lParam = t.lParam;
            notify(t, TTN_GETDISPINFOW, &nm.hdr);
            if (nm.lpszText == nm.szText) text.assign(nm.szText, std::find(nm.szText, nm.szText + 80, u'\0'));
            else if (nm.lpszText && !IS_INTRESOURCE(nm.lpszText) && reinterpret_cast<LONG_PTR>(nm.lpszText) != -1)
                text = nm.lpszText;
            flags = nm.uFlags;
        } else {
            NMTTDISPINFOA nm{};
            nm.lpszText = nm.szText;
            nm.hinst = t.hinst;
            nm.uFlags = t.flags;
            nm.lParam = t.lParam;
            notify(t, TTN_GETDISPINFOA, &nm.hdr);
            if (nm.lpszText == nm.szText) text = ansiToWide(std::string(nm.szText, std::find(nm.szText, nm.szText + 80, '\0')));
            else if (nm.lpszText && !IS_INTRESOURCE(nm.lpszText) && reinterpret_cast<LONG_PTR>(nm.lpszText) != -1)
                text = ansiToWide(nm.lpszText);
            flags = nm.uFlags;
        }
        // The tool may have gone while its window answered.
        if (static_cast<std::size_t>(i) < tools_.size() && (flags & TTF_DI_SETITEM)) {
            tools_[static_cast<std::size_t>(i)].text = text;
            tools_[static_cast<std::size_t>(i)].callback = false;
        }
        return text;
    }

    QString displayText(const std::u16string& text) const {
        QString s = (style_ & TTS_NOPREFIX) ? toQt(text) : mnemonicText(text);
        if (maxWidth_ < 0) {
            // One line: breaks only where a maximum width is set.
            s.replace(QLatin1String("\r\n"), QLatin1String(" "));
            s.replace(QLatin1Char('\n'), QLatin1Char(' '));
            s.replace(QLatin1Char('\r'), QLatin1Char(' '));
        } else {
            s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        }
        s.replace(QLatin1Char('\t'), QLatin1Char(' '));
        return s;
    }

    QSize tipSize() const {
        const QFontMetrics fm(font());
        const int frame = 2 * (1 + kTextMargin);
        const int extraW = frame + margin_.left + margin_.right;
        const int extraH = frame + margin_.top + margin_.bottom;
        if (maxWidth_ >= 0) {
            const int width = std::max(1, maxWidth_ - extraW);
            const QRect r = fm.boundingRect(QRect(0, 0, width, 100000), textFlags(), shown_);
            return QSize(r.width() + extraW, r.height() + extraH);
        }
        const QRect r = fm.boundingRect(QRect(0, 0, 100000, 100000), textFlags(), shown_);
        return QSize(r.width() + extraW, r.height() + extraH);
    }

    // Where tool i's tip goes: below the cursor, centred below the tool, or at the track point.
    QPoint position(int i, QSize size) const {
        const Tool& t = tools_[static_cast<std::size_t>(i)];
        QPoint at(cursor_.x, cursor_.y + GetSystemMetrics(SM_CYCURSOR) * 3 / 4);
        if (t.flags & TTF_TRACK) {
            at = QPoint(track_.x, track_.y);
            if (t.flags & TTF_ABSOLUTE) return at;
        } else if (t.flags & TTF_CENTERTIP) {
            RECT r = t.rect;
            HWND w = t.hwnd;
            if (t.flags & TTF_IDISHWND) {
                w = reinterpret_cast<HWND>(t.id);
                GetClientRect(w, &r);
            }
            POINT tl{r.left, r.top}, br{r.right, r.bottom};
            ClientToScreen(w, &tl);
            ClientToScreen(w, &br);
            at = QPoint((tl.x + br.x) / 2 - size.width() / 2, br.y);
        }
        // Kept on the screen.
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        at.setX(std::clamp(at.x(), 0, std::max(0, sw - size.width())));
        if (at.y() + size.height() > sh) at.setY(std::max(0, (t.flags & TTF_TRACK ? at.y() : cursor_.y) - size.height()));
        return at;
    }

    void place(int i) {
        const QSize size = tipSize();
        const QPoint at = position(i, size);
        SetWindowPos(handle_, HWND_TOPMOST, at.x(), at.y(), size.width(), size.height(), SWP_NOACTIVATE);
    }

    // Shows tool i's tip (again after a change of its text when `refresh`).
    void show(int i, bool refresh) {
        if (i < 0 || static_cast<std::size_t>(i) >= tools_.size()) return;
        const std::u16string text = textOf(i);
        if (text.empty()) {
            if (current_ == i) hide();
            return;
        }
        if (!find(handle_) || static_cast<std::size_t>(i) >= tools_.size()) return;
        const bool wasShown = current_ >= 0;
        if (wasShown && current_ != i) hide();
        current_ = i;
        shown_ = displayText(text);
        if (widget_ && !(widget_->windowFlags() & Qt::ToolTip)) {
            widget_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                    Qt::WindowDoesNotAcceptFocus);
        }
        const QSize size = tipSize();
        SetWindowPos(handle_, HWND_TOPMOST, 0, 0, size.width(), size.height(), SWP_NOMOVE | SWP_NOACTIVATE);
        NMHDR header{};
        const bool placed = !refresh && notify(tools_[static_cast<std::size_t>(i)], TTN_SHOW, &header) != 0;
        if (static_cast<std::size_t>(i) >= tools_.size() || current_ != i) return;
        if (!placed && !refresh) place(i);
        if (widget_) widget_->update();
        if (!IsWindowVisible(handle_)) ShowWindow(handle_, SW_SHOWNOACTIVATE);
        if (i != tracking_) SetTimer(handle_, kPopTimer, static_cast<UINT>(std::max(delays_[1], 1)), nullptr);
    }

    void hide() {
        KillTimer(handle_, kPopTimer);
        if (current_ < 0) return;
        const int i = current_;
        current_ = -1;
        ShowWindow(handle_, SW_HIDE);
        NMHDR header{};
        if (static_cast<std::size_t>(i) < tools_.size()) notify(tools_[static_cast<std::size_t>(i)], TTN_POP, &header);
    }

    HWND handle_;
    DWORD style_;
    QPointer<TipWidget> widget_;
    Watcher watcher_;
    std::u16string windowText_;
    std::vector<Tool> tools_;
    bool active_ = true;
    bool unicodeFormat_ = true;
    std::array<int, 3> delays_{};  // reshow, autopop, initial
    int maxWidth_ = -1;
    COLORREF back_ = CLR_DEFAULT;
    COLORREF fore_ = CLR_DEFAULT;
    RECT margin_{0, 0, 0, 0};
    int current_ = -1;     // the tool whose tip shows
    int pending_ = -1;     // the tool waiting for its delay
    int tracking_ = -1;    // the tool shown by TTM_TRACKACTIVATE
    int suppressed_ = -1;  // the tool clicked or timed out, until the mouse leaves it
    POINT cursor_{0, 0};
    POINT track_{0, 0};
    QString shown_;
};

void TipWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (control_) control_->paint(p, rect());
}

void Watcher::watch(HWND wnd) {
    Window* w = find(wnd);
    if (!w || !w->widget || watched_.count(wnd)) return;
    std::vector<QPointer<QWidget>>& list = watched_[wnd];
    list.push_back(w->widget);
    if (w->control)
        for (QWidget* extra : w->control->eventWidgets()) list.push_back(extra);
    for (const QPointer<QWidget>& wid : list)
        if (wid) wid->installEventFilter(this);
}

void Watcher::unwatch(HWND wnd) {
    const auto it = watched_.find(wnd);
    if (it == watched_.end()) return;
    for (const QPointer<QWidget>& wid : it->second)
        if (wid) wid->removeEventFilter(this);
    watched_.erase(it);
}

void Watcher::unwatchAll() {
    while (!watched_.empty()) unwatch(watched_.begin()->first);
}

bool Watcher::eventFilter(QObject* obj, QEvent* e) {
    HWND wnd = nullptr;
    for (const auto& [h, list] : watched_)
        for (const QPointer<QWidget>& wid : list)
            if (wid == obj) wnd = h;
    if (!wnd) return false;
    switch (e->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* me = static_cast<QMouseEvent*>(e);
        const QPoint g = me->globalPosition().toPoint();
        POINT p{g.x(), g.y()};
        ScreenToClient(wnd, &p);
        const UINT msg = e->type() == QEvent::MouseMove ? WM_MOUSEMOVE : WM_LBUTTONDOWN;
        control_->relay(wnd, msg, p);
        break;
    }
    case QEvent::Wheel: control_->relay(wnd, WM_MOUSEWHEEL, POINT{0, 0}); break;
    case QEvent::Leave:
        if (Window* w = find(wnd); w && obj == w->widget.data()) control_->left(wnd);
        break;
    default: break;
    }
    return false;
}

}  // namespace

NewControl newToolTip(Window& w) {
    auto c = std::make_unique<ToolTipControl>(w.handle, w.style);
    QWidget* widget = c->widget();
    return NewControl{std::move(c), widget};
}

}  // namespace platform::win
