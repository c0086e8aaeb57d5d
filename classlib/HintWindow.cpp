// Hints: the hint window, and the application's hint under the mouse: after HintPause
// over a control with ShowHint the control is asked through CM_HINTSHOW, the window shows
// its short hint below the cursor and hides after HintHidePause, on a key or a click, or
// when the mouse leaves the control.
#include "ControlState.h"
#include "classlib/Forms.h"
#include "platform/gdi.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>

namespace {

constexpr UINT_PTR ShowTimer = 1;
constexpr UINT_PTR HideTimer = 2;

struct HintState {
    HWND timerWindow = nullptr;
    TControl* control = nullptr;  // the control whose hint is waited for or shown
    bool active = false;          // a hint is up (the next one comes after the short pause)
    RECT cursorRect{0, 0, 0, 0};  // screen coordinates
    QPointer<THintWindow> window;
};

HintState& hints() {
    static HintState s;
    return s;
}

void stopTimers() {
    HintState& s = hints();
    if (!s.timerWindow) return;
    KillTimer(s.timerWindow, ShowTimer);
    KillTimer(s.timerWindow, HideTimer);
}

void hideWindow() {
    HintState& s = hints();
    if (s.window) s.window->ReleaseHandle();
}

void timerProc(TMessage& m);

void freeTimerWindow() {
    HintState& s = hints();
    if (s.timerWindow) DeallocateHWnd(s.timerWindow);
    s.timerWindow = nullptr;
}

void startHintTimer(UINT_PTR id, int ms) {
    HintState& s = hints();
    if (!s.timerWindow) {
        s.timerWindow = AllocateHWnd(&timerProc);
        qAddPostRoutine(freeTimerWindow);
    }
    KillTimer(s.timerWindow, id);
    SetTimer(s.timerWindow, id, static_cast<UINT>(std::max(ms, 1)), nullptr);
}

// The control that shows hints for a control: itself or the first parent with ShowHint.
TControl* hintControlOf(TControl* c) {
    while (c && !c->ShowHint()) c = c->Parent();
    if (c && c->ComponentState().Contains(csDesigning)) return nullptr;
    return c;
}

// The first non-empty hint of a control and its parents.
String hintOf(TControl* c) {
    for (; c; c = c->Parent())
        if (!c->Hint().empty()) return c->Hint();
    return String();
}

RECT screenRect(TControl* c, const RECT& r) {
    const POINT tl = c->ClientToScreen(POINT{r.left, r.top});
    return RECT{tl.x, tl.y, tl.x + (r.right - r.left), tl.y + (r.bottom - r.top)};
}

void timerProc(TMessage& m) {
    if (m.Msg != WM_TIMER) {
        m.Result = DefWindowProcA(hints().timerWindow, m.Msg, m.WParam, m.LParam);
        return;
    }
    KillTimer(hints().timerWindow, m.WParam);
    if (m.WParam == HideTimer) {
        hideWindow();
        return;
    }
    POINT pos{0, 0};
    GetCursorPos(&pos);
    if (Application) Application->ActivateHint(pos);
}

}  // namespace

void detail::hintMouseMove(TControl* c, POINT screen) {
    if (!Application) return;
    HintState& s = hints();
    TControl* under = FindDragTarget(screen, true);
    TControl* hc = Application->ShowHint ? hintControlOf(under ? under : c) : nullptr;
    if (!hc) {
        if (s.control || s.active) hintCancel();
        return;
    }
    if (hc == s.control && PtInRect(&s.cursorRect, screen)) return;
    const bool wasActive = s.active;
    int pause = wasActive ? Application->HintShortPause : Application->HintPause;
    hc->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
    hintCancel();
    s.active = wasActive;
    s.control = hc;
    s.cursorRect = screenRect(hc, hc->ClientRect());
    startHintTimer(ShowTimer, pause);
}

void detail::hintInputMessage(const MSG& msg) {
    HintState& s = hints();
    if (!s.control && !s.active) return;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
        if (Application) Application->CancelHint();
        return;
    case WM_MOUSELEAVE: {
        POINT pos{0, 0};
        GetCursorPos(&pos);
        TControl* under = FindDragTarget(pos, true);
        if (!under || hintControlOf(under) != s.control) Application->CancelHint();
        return;
    }
    default: return;
    }
}

void detail::hintControlGone(TControl* c) {
    if (hints().control == c) hintCancel();
}

void detail::hintCancel() {
    HintState& s = hints();
    stopTimers();
    hideWindow();
    s.active = false;
    s.control = nullptr;
    s.cursorRect = RECT{0, 0, 0, 0};
}

void TApplication::ActivateHint(POINT pos) {
    HintState& s = hints();
    stopTimers();
    TControl* under = FindDragTarget(pos, true);
    TControl* hc = ShowHint && under ? hintControlOf(under) : nullptr;
    if (!hc) {
        detail::hintCancel();
        return;
    }
    s.control = hc;
    THintInfo info;
    info.HintControl = hc;
    info.HintWindowClass = HintWindowClass;
    const int cursorHeight = GetSystemMetrics(SM_CYCURSOR);
    info.HintPos = POINT{pos.x, pos.y + (cursorHeight > 0 ? cursorHeight : 20)};
    info.HintMaxWidth = Screen ? Screen->Width() : 640;
    info.HintColor = HintColor;
    info.CursorRect = hc->ClientRect();
    info.CursorPos = hc->ScreenToClient(pos);
    info.HideTimeout = HintHidePause;
    info.HintStr = GetShortHint(hintOf(hc));
    bool canShow = hc->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
    if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
    // The control may have gone away while it was asked.
    if (s.control != hc) return;
    s.cursorRect = screenRect(hc, info.CursorRect);
    if (!canShow || info.HintStr.empty()) {
        hideWindow();
        s.active = false;
    } else {
        // A window of the class the request names (a new one when the class changed).
        const QMetaObject* wanted = info.HintWindowClass ? info.HintWindowClass.Class : &THintWindow::staticMetaObject;
        if (s.window && s.window->metaObject() != wanted) delete s.window.data();
        if (!s.window) {
            THintWindow* w = info.HintWindowClass ? info.HintWindowClass.Create(this) : nullptr;
            s.window = w ? w : new THintWindow(this);
        }
        s.window->SetColor(info.HintColor);
        RECT r = s.window->CalcHintRect(std::max(info.HintMaxWidth, 1), info.HintStr, info.HintData);
        OffsetRect(&r, info.HintPos.x, info.HintPos.y);
        // Kept on the screen.
        if (Screen) {
            const int dx = std::min(0, Screen->Width() - r.right);
            const int dy = r.bottom > Screen->Height() ? -(r.bottom - r.top) - (info.HintPos.y - pos.y) - 2 : 0;
            OffsetRect(&r, std::max(dx, -r.left), dy);
        }
        s.window->ActivateHintData(r, info.HintStr, info.HintData);
        s.active = true;
        if (info.HideTimeout > 0) startHintTimer(HideTimer, info.HideTimeout);
    }
    if (info.ReshowTimeout > 0) startHintTimer(ShowTimer, info.ReshowTimeout);
}

THintWindow* TApplication::ActiveHintWindow() const {
    const HintState& s = hints();
    return s.window && s.window->Active() ? s.window.data() : nullptr;
}

// ---- THintWindow ----

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle |= csOpaque;
    FVisible = false;
    SetColor(clInfoBk);
    Font()->SetColor(clInfoText);
}

THintWindow::~THintWindow() = default;

void THintWindow::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    p.Style = WS_POPUP;
    p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    p.WndParent = nullptr;
    p.WindowClass.style |= CS_SAVEBITS;
}

RECT THintWindow::CalcHintRect(int MaxWidth, const String& AHint, void*) {
    RECT r{0, 0, MaxWidth, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    DrawTextA(dc, AHint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // Room for the frame and a margin.
    r.right += 6;
    r.bottom += 4;
    return r;
}

void THintWindow::ActivateHint(RECT Rect, const String& AHint) { ActivateHintData(Rect, AHint, nullptr); }

void THintWindow::ActivateHintData(RECT Rect, const String& AHint, void*) {
    FHintRect = Rect;
    SetCaption(AHint);
    HandleNeeded();
    SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
    SetWindowPos(Handle(), HWND_TOPMOST, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    FActive = true;
    Invalidate();
}

void THintWindow::ReleaseHandle() {
    FActive = false;
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

bool THintWindow::Active() const { return FActive && FHandle && IsWindowVisible(FHandle); }

bool THintWindow::IsHintMsg(const MSG& Msg) {
    switch (Msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_ACTIVATEAPP:
    case WM_NCMOUSEMOVE: return true;
    default: return false;
    }
}

void THintWindow::Paint() {
    TCanvas* c = Canvas();
    const RECT all = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(all);
    c->Brush()->SetColor(clInfoText);
    c->FrameRect(all);
    RECT r = all;
    InflateRect(&r, -3, -2);
    c->Font()->Assign(Font());
    SetBkMode(c->Handle(), TRANSPARENT);
    SetTextColor(c->Handle(), ColorToRGB(Font()->Color()));
    HGDIOBJ old = SelectObject(c->Handle(), Font()->Handle());
    DrawTextA(c->Handle(), Caption().c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(c->Handle(), old);
}
