// The window layer: procedures and subclassing, text conversion, the queue, timers, hooks.
#include "platform/codepage.h"
#include "platform/gdi.h"
#include "platform/winuser.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Seen {
    UINT msg;
    WPARAM wParam;
};
std::vector<Seen> seen;
std::u16string lastWideText;
std::string lastAnsiText;

LRESULT wideProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SETTEXT) lastWideText = reinterpret_cast<LPCWSTR>(l);
    return DefWindowProcW(h, m, w, l);
}

LRESULT ansiProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SETTEXT) lastAnsiText = reinterpret_cast<LPCSTR>(l);
    if (m == WM_USER + 7) seen.push_back({m, w});
    return DefWindowProcA(h, m, w, l);
}

HWND makeWindow(bool unicode, const char* name) {
    if (unicode) {
        const std::u16string n = platform::ansiToWide(name);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = wideProc;
        wc.lpszClassName = n.c_str();
        RegisterClassExW(&wc);
        return CreateWindowExW(0, n.c_str(), u"", WS_OVERLAPPEDWINDOW, 10, 10, 200, 120, nullptr, nullptr, nullptr,
                               nullptr);
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ansiProc;
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
    return CreateWindowExA(0, name, "", WS_OVERLAPPEDWINDOW, 10, 10, 200, 120, nullptr, nullptr, nullptr, nullptr);
}

WNDPROC oldEditProc = nullptr;
std::vector<UINT> editOrder;

LRESULT swallowX(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_KEYDOWN || m == WM_CHAR) editOrder.push_back(m);
    if (m == WM_CHAR && (w == 'x' || w == 'X')) return 0;
    if (m == WM_CHAR && w == 'q') return CallWindowProcA(oldEditProc, h, m, 'Q', l);
    return CallWindowProcA(oldEditProc, h, m, w, l);
}

void typeKey(QWidget* w, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

std::string windowTextA(HWND h) {
    char buf[256] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

}  // namespace

TEST(WindowProcedure, SubclassedEditSeesKeysFirstAndCanSwallowThem) {
    HWND top = makeWindow(false, "SubclassHost");
    ASSERT_TRUE(top);
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 4, 4, 120, 22,
                                top, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit);
    ShowWindow(top, SW_SHOW);
    oldEditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&swallowX));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC)), &swallowX);

    QWidget* w = platform::windowWidget(edit);
    ASSERT_TRUE(w);
    typeKey(w, Qt::Key_A, "a");
    typeKey(w, Qt::Key_X, "x");
    typeKey(w, Qt::Key_B, "b");
    // A procedure that changes the character makes the control insert the new one.
    typeKey(w, Qt::Key_Q, "q");
    EXPECT_EQ(windowTextA(edit), "abQ");
    ASSERT_GE(editOrder.size(), 2u);
    EXPECT_EQ(editOrder[0], WM_KEYDOWN);
    EXPECT_EQ(editOrder[1], WM_CHAR);

    // Characters sent by code are carried out by the control's own procedure.
    SendMessageA(edit, WM_CHAR, 'z', 0);
    SendMessageA(edit, WM_CHAR, 'x', 0);
    EXPECT_EQ(windowTextA(edit), "abQz");

    // Putting the old procedure back ends the subclassing.
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldEditProc));
    typeKey(w, Qt::Key_X, "x");
    EXPECT_EQ(windowTextA(edit), "abQzx");
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(edit));
}

TEST(WindowText, ConvertsBetweenEightBitAndUtf16Windows) {
    HWND wide = makeWindow(true, "WideTextWindow");
    HWND ansi = makeWindow(false, "AnsiTextWindow");
    ASSERT_TRUE(wide && ansi);
    EXPECT_TRUE(IsWindowUnicode(wide));
    EXPECT_FALSE(IsWindowUnicode(ansi));

    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";  // "Grüße €"
    SendMessageA(wide, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(utf8.c_str()));
    EXPECT_EQ(lastWideText, u"Gr\u00FC\u00DFe \u20AC");
    EXPECT_EQ(GetWindowTextLengthW(wide), 7);
    EXPECT_EQ(GetWindowTextLengthA(wide), static_cast<int>(utf8.size()));
    EXPECT_EQ(windowTextA(wide), utf8);

    SendMessageW(ansi, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"\u00C4pfel"));
    EXPECT_EQ(lastAnsiText, "\xC3\x84pfel");
    wchar_t dummy = 0;
    (void)dummy;
    char16_t buf[16] = {};
    EXPECT_EQ(GetWindowTextW(ansi, buf, 16), 5);
    EXPECT_EQ(std::u16string(buf), u"\u00C4pfel");
    // A short buffer receives what fits, terminated.
    char small[4] = {};
    EXPECT_EQ(GetWindowTextA(wide, small, 4), 3);
    EXPECT_STREQ(small, "Gr\xC3");

    // List box strings cross the forms too.
    HWND list = CreateWindowExW(0, u"LISTBOX", u"", WS_CHILD | LBS_HASSTRINGS, 0, 0, 80, 80, wide, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(list);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("\xC3\xA9t\xC3\xA9"));
    char16_t item[16] = {};
    EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 0, 0), 5);
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(std::u16string(item), u"\u00E9t\u00E9");
    DestroyWindow(wide);
    DestroyWindow(ansi);
}

TEST(WindowText, CharacterOutsideSingleByteCodePageBecomesQuestionMark) {
    HWND wide = makeWindow(true, "WideTextWindow2");
    HWND ansi = makeWindow(false, "AnsiTextWindow2");
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    SendMessageW(wide, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"a\u20ACb\u4E2D"));
    EXPECT_EQ(windowTextA(wide), "a\x80" "b?");
    EXPECT_EQ(GetWindowTextLengthA(wide), 4);
    // 8-bit text of the code page reaches a UTF-16 window intact, and back.
    SendMessageA(wide, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("\xC4pfel \x80"));
    EXPECT_EQ(lastWideText, u"\u00C4pfel \u20AC");
    SendMessageW(ansi, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"\u00E9\u4E2D"));
    EXPECT_EQ(lastAnsiText, "\xE9?");
    // A typed character reaches an 8-bit window in its code page.
    SendMessageW(ansi, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u""));
    platform::setAnsiCodePage(CP_UTF8);
    DestroyWindow(wide);
    DestroyWindow(ansi);
}

TEST(MessageQueue, PostedMessagesArriveInOrderFromTheEventLoop) {
    HWND h = makeWindow(false, "QueueWindow");
    seen.clear();
    for (WPARAM i = 1; i <= 5; ++i) PostMessageA(h, WM_USER + 7, i, 0);
    EXPECT_TRUE(seen.empty());  // nothing is delivered before the loop runs
    PostQuitMessage(3);
    EXPECT_EQ(platform::runMessageLoop(), 3);
    ASSERT_EQ(seen.size(), 5u);
    for (WPARAM i = 0; i < 5; ++i) EXPECT_EQ(seen[i].wParam, i + 1);
    EXPECT_FALSE(platform::quitPosted());

    // PeekMessage takes them in order too, and sees only what matches.
    PostMessageA(h, WM_USER + 9, 1, 0);
    PostMessageA(h, WM_USER + 8, 2, 0);
    MSG m{};
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 8, WM_USER + 8, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 9);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(h);
    EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
}

namespace {
std::vector<std::pair<UINT_PTR, unsigned long long>> ticks;
LRESULT timerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_TIMER) ticks.emplace_back(w, platform::timerClock());
    return DefWindowProcA(h, m, w, l);
}
}  // namespace

TEST(Timers, FireWhenTheTestMovesTheClock) {
    platform::setManualTimers(true);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = timerProc;
    wc.lpszClassName = "TimerWindow";
    RegisterClassExA(&wc);
    HWND h = CreateWindowExA(0, "TimerWindow", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ticks.clear();
    const auto start = platform::timerClock();
    SetTimer(h, 1, 100, nullptr);
    SetTimer(h, 2, 250, nullptr);
    platform::advanceTime(99);
    EXPECT_TRUE(ticks.empty());
    platform::advanceTime(201);
    ASSERT_EQ(ticks.size(), 4u);  // 100, 200, 250, 300
    EXPECT_EQ(ticks[0], std::make_pair(UINT_PTR{1}, start + 100));
    EXPECT_EQ(ticks[1], std::make_pair(UINT_PTR{1}, start + 200));
    EXPECT_EQ(ticks[2], std::make_pair(UINT_PTR{2}, start + 250));
    EXPECT_EQ(ticks[3], std::make_pair(UINT_PTR{1}, start + 300));
    // Setting a timer again restarts it; killing it stops it.
    SetTimer(h, 1, 100, nullptr);
    EXPECT_TRUE(KillTimer(h, 2));
    ticks.clear();
    platform::advanceTime(50);
    EXPECT_TRUE(ticks.empty());
    platform::advanceTime(50);
    EXPECT_EQ(ticks.size(), 1u);
    DestroyWindow(h);
    EXPECT_EQ(platform::activeTimerCount(), 0);  // a window's timers go with it
    platform::setManualTimers(false);
}

namespace {
HHOOK callHook = nullptr;
HHOOK getHook = nullptr;
std::vector<UINT> hookSaw;
LRESULT callWndHook(int code, WPARAM w, LPARAM l) {
    const auto* c = reinterpret_cast<const CWPSTRUCT*>(l);
    if (c->message == WM_USER + 7) hookSaw.push_back(c->message);
    return CallNextHookEx(callHook, code, w, l);
}
LRESULT getMsgHook(int code, WPARAM w, LPARAM l) {
    auto* m = reinterpret_cast<MSG*>(l);
    if (m->message == WM_USER + 7 && m->wParam == 2) m->message = WM_NULL;  // drop it
    return CallNextHookEx(getHook, code, w, l);
}
}  // namespace

TEST(Hooks, SeeSentMessagesAndChangeQueuedOnes) {
    HWND h = makeWindow(false, "HookWindow");
    callHook = SetWindowsHookExA(WH_CALLWNDPROC, callWndHook, nullptr, 0);
    getHook = SetWindowsHookExA(WH_GETMESSAGE, getMsgHook, nullptr, 0);
    seen.clear();
    hookSaw.clear();
    SendMessageA(h, WM_USER + 7, 1, 0);
    PostMessageA(h, WM_USER + 7, 2, 0);
    PostMessageA(h, WM_USER + 7, 3, 0);
    platform::processPendingMessages();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].wParam, 1u);
    EXPECT_EQ(seen[1].wParam, 3u);
    EXPECT_EQ(hookSaw.size(), 2u);  // the dropped one never reached a procedure
    EXPECT_TRUE(UnhookWindowsHookEx(callHook));
    EXPECT_TRUE(UnhookWindowsHookEx(getHook));
    EXPECT_FALSE(UnhookWindowsHookEx(getHook));
    DestroyWindow(h);
}

TEST(WindowProps, PropertiesAndAtoms) {
    HWND h = makeWindow(false, "PropWindow");
    const ATOM a = GlobalAddAtomA("ControlOfs1234");
    EXPECT_GE(a, 0xC000);
    EXPECT_EQ(GlobalFindAtomA("controlofs1234"), a);
    EXPECT_EQ(GlobalAddAtomW(u"CONTROLOFS1234"), a);
    int value = 5;
    EXPECT_TRUE(SetPropA(h, MAKEINTATOM(a), &value));
    EXPECT_EQ(GetPropW(h, u"ControlOfs1234"), &value);  // by name or by atom
    EXPECT_EQ(RemovePropA(h, "ControlOfs1234"), &value);
    EXPECT_EQ(GetPropA(h, "ControlOfs1234"), nullptr);
    GlobalDeleteAtom(a);
    EXPECT_EQ(GlobalFindAtomA("ControlOfs1234"), a);  // still one reference
    GlobalDeleteAtom(a);
    EXPECT_EQ(GlobalFindAtomA("ControlOfs1234"), 0);
    const UINT m1 = RegisterWindowMessageA("TessellonPing");
    EXPECT_EQ(RegisterWindowMessageW(u"tessellonping"), m1);
    EXPECT_GE(m1, 0xC000u);
    DestroyWindow(h);
}

TEST(WindowGeometry, ChildrenClientAreaAndOrder) {
    HWND top = makeWindow(false, "GeometryHost");
    HWND a = CreateWindowExA(0, "STATIC", "a", WS_CHILD | WS_VISIBLE, 10, 20, 50, 30, top, nullptr, nullptr, nullptr);
    HWND b = CreateWindowExA(WS_EX_CLIENTEDGE, "GeometryHost", "b", WS_CHILD | WS_VISIBLE, 5, 5, 60, 40, top,
                             reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(GetParent(a), top);
    EXPECT_TRUE(IsChild(top, b));
    EXPECT_EQ(GetWindow(top, GW_CHILD), b);  // the newest child lies on top
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
    EXPECT_EQ(GetDlgItem(top, 7), b);
    RECT rc;
    GetClientRect(b, &rc);
    EXPECT_EQ(rc.right, 56);  // the client edge takes 2 pixels on each side
    EXPECT_EQ(rc.bottom, 36);
    ShowWindow(top, SW_SHOW);
    POINT p{0, 0};
    MapWindowPoints(b, top, &p, 1);
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 7);
    MoveWindow(a, 1, 2, 30, 40, TRUE);
    GetWindowRect(a, &rc);
    POINT o{0, 0};
    ClientToScreen(top, &o);
    EXPECT_EQ(rc.left - o.x, 1);
    EXPECT_EQ(rc.bottom - rc.top, 40);
    EXPECT_TRUE(IsWindowVisible(a));
    ShowWindow(top, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(a));  // hidden with its parent
    EXPECT_TRUE(GetWindowLongA(a, GWL_STYLE) & WS_VISIBLE);
    EnableWindow(a, FALSE);
    EXPECT_FALSE(IsWindowEnabled(a));
    DestroyWindow(top);
}

namespace {
int paints = 0;
RECT lastPaintRect{};
BOOL lastErase = FALSE;
LRESULT paintProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        ++paints;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        lastPaintRect = ps.rcPaint;
        lastErase = ps.fErase;
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT r{10, 10, 30, 30};
        FillRect(dc, &r, red);
        DeleteObject(red);
        EndPaint(h, &ps);
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}
}  // namespace

TEST(WindowPaint, PaintMessagesAndDrawingOutsideThemShowInTheWidget) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = paintProc;
    wc.lpszClassName = "PaintWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<LONG_PTR>(COLOR_WINDOW + 1));
    RegisterClassExA(&wc);
    HWND h = CreateWindowExA(0, "PaintWindow", "Paint", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(h);
    QWidget* w = platform::windowWidget(h);
    paints = 0;
    QImage shot = w->grab().toImage();
    EXPECT_EQ(paints, 1);
    EXPECT_FALSE(lastErase);  // the class brush erased the background
    EXPECT_EQ(shot.pixelColor(20, 20), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(60, 60), QColor(255, 255, 255));

    // Drawing through a window DC at any time shows without a WM_PAINT.
    HDC dc = GetDC(h);
    ASSERT_TRUE(dc);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT r{50, 10, 70, 30};
    FillRect(dc, &r, blue);
    DeleteObject(blue);
    ReleaseDC(h, dc);
    shot = w->grab().toImage();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(shot.pixelColor(60, 20), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(20, 20), QColor(255, 0, 0));

    // An invalidated part is painted again, with only that part to paint.
    RECT part{40, 40, 60, 60};
    InvalidateRect(h, &part, TRUE);
    RECT upd{};
    EXPECT_TRUE(GetUpdateRect(h, &upd, FALSE));
    UpdateWindow(h);
    EXPECT_EQ(paints, 2);
    EXPECT_EQ(lastPaintRect.left, 40);
    EXPECT_EQ(lastPaintRect.bottom, 60);
    EXPECT_FALSE(GetUpdateRect(h, &upd, FALSE));
    shot = w->grab().toImage();
    EXPECT_EQ(shot.pixelColor(60, 20), QColor(0, 0, 255));  // outside the update region: kept

    // The surface follows the window's size.
    MoveWindow(h, 0, 0, 150, 90, TRUE);
    shot = w->grab().toImage();
    EXPECT_EQ(shot.width(), 150);
    EXPECT_EQ(shot.pixelColor(140, 85), QColor(255, 255, 255));
    DestroyWindow(h);
}

namespace {
std::vector<std::pair<UINT, WPARAM>> inputLog;
LRESULT inputProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_CAPTURECHANGED:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_CHAR: inputLog.emplace_back(m, w); break;
    default: break;
    }
    return DefWindowProcA(h, m, w, l);
}
HHOOK keyHook = nullptr;
LRESULT swallowF1(int code, WPARAM w, LPARAM l) {
    if (code == HC_ACTION && w == static_cast<WPARAM>(VK_F1)) return 1;
    return CallNextHookEx(keyHook, code, w, l);
}
}  // namespace

TEST(WindowInput, FocusCaptureKeysAndHooks) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = inputProc;
    wc.lpszClassName = "InputWindow";
    RegisterClassExA(&wc);
    HWND top = CreateWindowExA(0, "InputWindow", "top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);
    HWND a = CreateWindowExA(0, "InputWindow", "a", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, nullptr, nullptr, nullptr);
    HWND b = CreateWindowExA(0, "InputWindow", "b", WS_CHILD | WS_VISIBLE, 60, 0, 50, 50, top, nullptr, nullptr,
                             nullptr);
    SetFocus(a);
    inputLog.clear();
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(GetFocus(), b);
    ASSERT_EQ(inputLog.size(), 2u);
    EXPECT_EQ(inputLog[0], std::make_pair(UINT{WM_KILLFOCUS}, reinterpret_cast<WPARAM>(b)));
    EXPECT_EQ(inputLog[1], std::make_pair(UINT{WM_SETFOCUS}, reinterpret_cast<WPARAM>(a)));

    // Keys typed into the focused window become WM_KEYDOWN and WM_CHAR; the key state follows.
    inputLog.clear();
    QWidget* wb = platform::windowWidget(b);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_G, Qt::ShiftModifier, "G");
    QApplication::sendEvent(wb, &press);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    EXPECT_LT(GetKeyState('G'), 0);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_G, Qt::NoModifier, "G");
    QApplication::sendEvent(wb, &release);
    EXPECT_GE(GetKeyState('G'), 0);
    ASSERT_EQ(inputLog.size(), 2u);
    EXPECT_EQ(inputLog[0], std::make_pair(UINT{WM_KEYDOWN}, WPARAM{'G'}));
    EXPECT_EQ(inputLog[1], std::make_pair(UINT{WM_CHAR}, WPARAM{'G'}));
    // A keyboard hook can take a key away before any window sees it.
    keyHook = SetWindowsHookExA(WH_KEYBOARD, swallowF1, nullptr, 0);
    inputLog.clear();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(wb, &f1);
    EXPECT_TRUE(inputLog.empty());
    UnhookWindowsHookEx(keyHook);

    // Mouse messages go to the capturing window, in its client coordinates.
    inputLog.clear();
    EXPECT_EQ(SetCapture(a), nullptr);
    EXPECT_EQ(GetCapture(), a);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), wb->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(wb, &move);
    ASSERT_FALSE(inputLog.empty());
    EXPECT_EQ(inputLog.back().first, static_cast<UINT>(WM_MOUSEMOVE));
    SetCapture(b);  // a loses it
    bool told = false;
    for (auto& e : inputLog) told = told || e.first == WM_CAPTURECHANGED;
    EXPECT_TRUE(told);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);

    // The window under a point; the predefined cursors.
    POINT p{70, 10};
    ClientToScreen(top, &p);
    EXPECT_EQ(WindowFromPoint(p), b);
    EXPECT_TRUE(LoadCursorA(nullptr, IDC_HAND));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_HAND), LoadCursorA(nullptr, IDC_HAND));
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    DestroyWindow(top);
    EXPECT_EQ(GetFocus(), nullptr);
}

namespace {
std::u16string typed;
LRESULT wideCharProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_CHAR) typed.push_back(static_cast<char16_t>(w));
    return DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST(WindowText, CharactersCrossBetweenFormsWhole) {
    // An 8-bit edit gets a typed "é" as its code page's bytes and shows the character.
    HWND host = makeWindow(false, "CharHost");
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, host, nullptr, nullptr, nullptr);
    SendMessageW(edit, WM_CHAR, 0xE9, 0);
    SendMessageA(edit, WM_CHAR, 0xC3, 0);  // UTF-8 bytes of "ä" one at a time
    SendMessageA(edit, WM_CHAR, 0xA4, 0);
    char16_t buf[8] = {};
    GetWindowTextW(edit, buf, 8);
    EXPECT_EQ(std::u16string(buf), u"\u00E9\u00E4");
    // An 8-bit caller's bytes reach a UTF-16 procedure as one character.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = wideCharProc;
    wc.lpszClassName = u"WideChars";
    RegisterClassExW(&wc);
    HWND w = CreateWindowExW(0, u"WideChars", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    typed.clear();
    for (unsigned char c : std::string("\xE2\x82\xAC!")) SendMessageA(w, WM_CHAR, c, 0);
    EXPECT_EQ(typed, u"\u20AC!");
    // A character outside the basic plane comes as two UTF-16 units and reaches an 8-bit
    // edit as the bytes of one character.
    SendMessageW(edit, WM_CHAR, 0xD83D, 0);
    SendMessageW(edit, WM_CHAR, 0xDE00, 0);
    char16_t whole[8] = {};
    GetWindowTextW(edit, whole, 8);
    EXPECT_EQ(std::u16string(whole), u"\u00E9\u00E4\U0001F600");
    DestroyWindow(w);
    DestroyWindow(host);
}

namespace {
std::vector<std::pair<HWND, WPARAM>> activations;
LRESULT activationProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_ACTIVATE) activations.emplace_back(h, LOWORD(w));
    return DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST(Activation, TwoShownWindowsSettleOnTheLastAndTheQueueRunsDry) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = activationProc;
    wc.lpszClassName = u"ActivationWindow";
    RegisterClassExW(&wc);
    HWND a = CreateWindowExW(0, u"ActivationWindow", u"A", WS_OVERLAPPEDWINDOW, 10, 10, 200, 120, nullptr, nullptr,
                             nullptr, nullptr);
    HWND b = CreateWindowExW(0, u"ActivationWindow", u"B", WS_OVERLAPPEDWINDOW, 40, 40, 200, 120, nullptr, nullptr,
                             nullptr, nullptr);
    activations.clear();
    ShowWindow(a, SW_SHOW);
    ShowWindow(b, SW_SHOW);
    // The desktop reports both activations it was asked for; neither report may ask again.
    for (int i = 0; i < 3; ++i) platform::processPendingMessages();
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(QApplication::activeWindow(), platform::windowWidget(b));
    EXPECT_LE(activations.size(), 8u);
    ASSERT_FALSE(activations.empty());
    EXPECT_EQ(activations.back(), std::make_pair(b, static_cast<WPARAM>(WA_ACTIVE)));
    // A window activated by code still asks the desktop, which follows.
    activations.clear();
    SetActiveWindow(a);
    for (int i = 0; i < 3; ++i) platform::processPendingMessages();
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(QApplication::activeWindow(), platform::windowWidget(a));
    ASSERT_GE(activations.size(), 2u);
    EXPECT_EQ(activations[0], std::make_pair(b, static_cast<WPARAM>(WA_INACTIVE)));
    EXPECT_EQ(activations[1], std::make_pair(a, static_cast<WPARAM>(WA_ACTIVE)));
    DestroyWindow(a);
    DestroyWindow(b);
}
