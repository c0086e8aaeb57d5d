// The progress bar's messages and drawing, and tooltips shown on hover through real Qt
// mouse events, with callback texts in both forms, delays on the manual timers, tracking,
// relayed messages and the tip window's notifications.
#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A top-level window that records its notifications and answers text requests.
struct Host {
    static inline std::vector<UINT> codes;
    static inline std::vector<UINT_PTR> ids;
    static inline std::u16string wideAnswer = u"Wide tip \u2713";
    static inline std::string ansiAnswer = "Narrow tip";
    static inline bool placeItself = false;

    static LRESULT CALLBACK_proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode) {
        if (msg == WM_NOTIFY) {
            auto* h = reinterpret_cast<NMHDR*>(lParam);
            codes.push_back(h->code);
            ids.push_back(h->idFrom);
            if (h->code == TTN_GETDISPINFOW) {
                auto* d = reinterpret_cast<NMTTDISPINFOW*>(lParam);
                std::copy(wideAnswer.begin(), wideAnswer.end(), d->szText);
                d->szText[wideAnswer.size()] = 0;
                return 0;
            }
            if (h->code == TTN_GETDISPINFOA) {
                auto* d = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                d->lpszText = const_cast<char*>(ansiAnswer.c_str());
                return 0;
            }
            if (h->code == TTN_SHOW && placeItself) {
                SetWindowPos(h->hwndFrom, nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                return TRUE;
            }
            return 0;
        }
        return unicode ? DefWindowProcW(wnd, msg, wParam, lParam) : DefWindowProcA(wnd, msg, wParam, lParam);
    }
    static LRESULT wideProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CALLBACK_proc(w, m, wp, lp, true); }
    static LRESULT ansiProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CALLBACK_proc(w, m, wp, lp, false); }

    static HWND create(bool unicode, int x, int y) {
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASSEXW w{};
            w.cbSize = sizeof w;
            w.lpfnWndProc = &wideProc;
            w.lpszClassName = u"TipHostW";
            RegisterClassExW(&w);
            WNDCLASSEXA a{};
            a.cbSize = sizeof a;
            a.lpfnWndProc = &ansiProc;
            a.lpszClassName = "TipHostA";
            RegisterClassExA(&a);
        }
        HWND h = unicode ? CreateWindowExW(0, u"TipHostW", u"", WS_POPUP, x, y, 200, 120, nullptr, nullptr, nullptr, nullptr)
                         : CreateWindowExA(0, "TipHostA", "", WS_POPUP, x, y, 200, 120, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(h, SW_SHOW);
        // The mouse reaches only windows that are on the screen.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(h)));
        return h;
    }
    static int count(UINT code) { return static_cast<int>(std::count(codes.begin(), codes.end(), code)); }
};

void initControls() {
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
}

QWidget* widgetOf(HWND h) { return platform::windowWidget(h); }

std::u16string tipText(HWND tip, HWND host, UINT_PTR id) {
    WCHAR buffer[100] = {};
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = host;
    ti.uId = id;
    ti.lpszText = buffer;
    SendMessageW(tip, TTM_GETTEXTW, 100, reinterpret_cast<LPARAM>(&ti));
    return buffer;
}

class ToolTip : public ::testing::Test {
protected:
    void SetUp() override {
        initControls();
        platform::setManualTimers(true);
        // Away from where the windows come, so that the first move is one.
        QCursor::setPos(QPoint(790, 590));
        Host::codes.clear();
        Host::ids.clear();
        Host::placeItself = false;
        host = Host::create(true, 100, 100);
        tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, host, nullptr, nullptr, nullptr);
        ASSERT_NE(tip, nullptr);
        SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 400);
        SendMessageW(tip, TTM_SETDELAYTIME, TTDT_RESHOW, 100);
        SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 3000);
    }
    void TearDown() override {
        DestroyWindow(tip);
        DestroyWindow(host);
        platform::setManualTimers(false);
    }
    void addTool(HWND owner, UINT_PTR id, UINT flags, RECT r, LPWSTR text) {
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = flags;
        ti.hwnd = owner;
        ti.uId = id;
        ti.rect = r;
        ti.lpszText = text;
        ASSERT_TRUE(SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
    }
    void hover(HWND over, QPoint at) {
        QTest::mouseMove(widgetOf(over), at);
        QApplication::processEvents();
    }
    bool tipShown() const { return IsWindowVisible(tip) != FALSE; }
    RECT tipRect() const {
        RECT r{};
        GetWindowRect(tip, &r);
        return r;
    }

    HWND host = nullptr;
    HWND tip = nullptr;
};

}  // namespace

TEST(ProgressBar, MessagesKeepRangePositionAndStep) {
    initControls();
    HWND parent = Host::create(true, 0, 0);
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 102, 12, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    char name[40] = {};
    GetClassNameA(bar, name, 40);
    EXPECT_STREQ(name, "msctls_progress32");
    PBRANGE range{};
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    // Positions stay inside the range; every setter answers the old value.
    EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 150, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(10, 20)), MAKELONG(0, 100));
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 20);
    EXPECT_EQ(SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(-50), 50), MAKELONG(10, 20));
    EXPECT_EQ(static_cast<int>(SendMessageA(bar, PBM_GETRANGE, TRUE, 0)), -50);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 50);
    EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(-80), 0), 20);
    EXPECT_EQ(static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)), -50);
    EXPECT_EQ(static_cast<int>(SendMessageA(bar, PBM_DELTAPOS, 30, 0)), -50);
    EXPECT_EQ(static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)), -20);
    // Stepping past either end starts again from the other.
    SendMessageA(bar, PBM_SETRANGE32, 0, 100);
    EXPECT_EQ(SendMessageA(bar, PBM_SETSTEP, 30, 0), 10);
    SendMessageA(bar, PBM_SETPOS, 90, 0);
    EXPECT_EQ(SendMessageA(bar, PBM_STEPIT, 0, 0), 90);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 20);
    SendMessageA(bar, PBM_SETPOS, 70, 0);
    SendMessageA(bar, PBM_STEPIT, 0, 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 100);  // the end itself stays
    SendMessageA(bar, PBM_SETSTEP, static_cast<WPARAM>(-30), 0);
    SendMessageA(bar, PBM_SETPOS, 10, 0);
    SendMessageA(bar, PBM_STEPIT, 0, 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 80);
    EXPECT_EQ(SendMessageA(bar, PBM_SETBARCOLOR, 0, RGB(1, 2, 3)), static_cast<LRESULT>(CLR_DEFAULT));
    EXPECT_EQ(SendMessageA(bar, PBM_GETBARCOLOR, 0, 0), static_cast<LRESULT>(RGB(1, 2, 3)));
    EXPECT_EQ(SendMessageA(bar, PBM_SETBKCOLOR, 0, RGB(4, 5, 6)), static_cast<LRESULT>(CLR_DEFAULT));
    DestroyWindow(parent);
}

TEST(ProgressBar, DrawsTheFilledShareSmoothInBlocksAndUpwards) {
    initControls();
    HWND parent = Host::create(true, 0, 0);
    HWND smooth = CreateWindowExW(0, PROGRESS_CLASSW, u"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 0, 0, 102, 12, parent,
                                  nullptr, nullptr, nullptr);
    HWND blocks = CreateWindowExW(0, PROGRESS_CLASSW, u"", WS_CHILD | WS_VISIBLE, 0, 20, 102, 14, parent, nullptr, nullptr,
                                  nullptr);
    HWND up = CreateWindowExW(0, PROGRESS_CLASSW, u"", WS_CHILD | WS_VISIBLE | PBS_VERTICAL | PBS_SMOOTH, 120, 0, 12, 102,
                              parent, nullptr, nullptr, nullptr);
    for (HWND b : {smooth, blocks, up}) {
        SendMessageW(b, PBM_SETBARCOLOR, 0, RGB(0, 0, 200));
        SendMessageW(b, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
        SendMessageW(b, PBM_SETPOS, 50, 0);
    }
    const QColor bar(0, 0, 200), back(255, 255, 255);
    const QImage s = widgetOf(smooth)->grab().toImage();
    EXPECT_EQ(s.pixelColor(1, 5), bar);
    EXPECT_EQ(s.pixelColor(50, 5), bar);
    EXPECT_EQ(s.pixelColor(51, 5), back);
    EXPECT_EQ(s.pixelColor(100, 5), back);
    EXPECT_NE(s.pixelColor(0, 5), bar);  // the frame
    // Blocks 8 pixels long (two thirds of 12), 2 apart.
    const QImage b = widgetOf(blocks)->grab().toImage();
    EXPECT_EQ(b.pixelColor(1, 6), bar);
    EXPECT_EQ(b.pixelColor(8, 6), bar);
    EXPECT_EQ(b.pixelColor(9, 6), back);
    EXPECT_EQ(b.pixelColor(10, 6), back);
    EXPECT_EQ(b.pixelColor(11, 6), bar);
    EXPECT_EQ(b.pixelColor(80, 6), back);
    const QImage u = widgetOf(up)->grab().toImage();
    EXPECT_EQ(u.pixelColor(5, 100), bar);
    EXPECT_EQ(u.pixelColor(5, 51), bar);
    EXPECT_EQ(u.pixelColor(5, 50), back);
    // An empty range draws no bar.
    SendMessageW(smooth, PBM_SETRANGE32, 5, 5);
    EXPECT_EQ(widgetOf(smooth)->grab().toImage().pixelColor(1, 5), back);
    DestroyWindow(parent);
}

TEST_F(ToolTip, HoverShowsTheCallbackTextAfterTheDelayAndLeavingHidesIt) {
    addTool(host, reinterpret_cast<UINT_PTR>(host), TTF_IDISHWND | TTF_SUBCLASS, RECT{}, LPSTR_TEXTCALLBACKW);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    hover(host, QPoint(30, 40));
    EXPECT_FALSE(tipShown());
    platform::advanceTime(399);
    EXPECT_FALSE(tipShown());
    platform::advanceTime(1);
    ASSERT_TRUE(tipShown());
    // The wide window was asked in the wide form, then told that the tip shows.
    ASSERT_GE(Host::codes.size(), 2u);
    EXPECT_EQ(Host::codes[0], TTN_NEEDTEXTW);
    EXPECT_EQ(Host::ids[0], reinterpret_cast<UINT_PTR>(host));
    EXPECT_EQ(Host::count(TTN_SHOW), 1);
    EXPECT_EQ(tipText(tip, host, reinterpret_cast<UINT_PTR>(host)), Host::wideAnswer);
    // A real top-level tip below the cursor, the text in it.
    QWidget* tw = widgetOf(tip);
    EXPECT_TRUE(tw->isWindow());
    EXPECT_TRUE(tw->windowFlags() & Qt::ToolTip);
    const RECT r = tipRect();
    POINT cursor{30, 40};
    ClientToScreen(host, &cursor);
    EXPECT_EQ(r.left, cursor.x);
    EXPECT_GT(r.top, cursor.y);
    EXPECT_GT(r.right - r.left, 40);
    const QImage shot = tw->grab().toImage();
    const QColor back(GetRValue(GetSysColor(COLOR_INFOBK)), GetGValue(GetSysColor(COLOR_INFOBK)),
                      GetBValue(GetSysColor(COLOR_INFOBK)));
    EXPECT_EQ(shot.pixelColor(2, 2), back);
    int ink = 0;
    for (int y = 4; y < shot.height() - 4; ++y)
        for (int x = 4; x < shot.width() - 4; ++x) ink += shot.pixelColor(x, y) != back;
    EXPECT_GT(ink, 30);
    const std::string screens = testsupport::env("TESSELLON_SCREEN_DIR");
    if (!screens.empty()) shot.scaled(shot.size() * 3).save(QString::fromStdString(screens + "/tooltip.png"));
    // Moving inside the tool keeps it; leaving the window hides it with TTN_POP.
    hover(host, QPoint(60, 50));
    EXPECT_TRUE(tipShown());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widgetOf(host), &leave);
    EXPECT_FALSE(tipShown());
    EXPECT_EQ(Host::count(TTN_POP), 1);
}

TEST_F(ToolTip, RectanglesSwitchAfterTheReshowDelayAndClicksOrTimeEndTheTip) {
    WCHAR first[] = u"First &tool";
    WCHAR second[] = u"Second";
    addTool(host, 1, TTF_SUBCLASS, RECT{0, 0, 50, 50}, first);
    addTool(host, 2, TTF_SUBCLASS | TTF_CENTERTIP, RECT{100, 0, 150, 50}, second);
    hover(host, QPoint(10, 10));
    platform::advanceTime(400);
    ASSERT_TRUE(tipShown());
    EXPECT_EQ(Host::count(TTN_GETDISPINFOW), 0);  // own texts need no callback
    // To the second tool: the first tip goes at once, the second comes after the reshow delay.
    hover(host, QPoint(120, 10));
    EXPECT_FALSE(tipShown());
    platform::advanceTime(100);
    ASSERT_TRUE(tipShown());
    EXPECT_EQ(Host::ids.back(), 2u);
    // Centred below the tool.
    const RECT r = tipRect();
    POINT bottom{125, 50};
    ClientToScreen(host, &bottom);
    EXPECT_LE(std::abs((r.left + r.right) / 2 - bottom.x), 1);
    EXPECT_EQ(r.top, bottom.y);
    // Between the tools nothing shows.
    hover(host, QPoint(75, 10));
    EXPECT_FALSE(tipShown());
    // A click ends it until the mouse leaves the tool.
    hover(host, QPoint(10, 10));
    platform::advanceTime(400);
    ASSERT_TRUE(tipShown());
    QTest::mousePress(widgetOf(host), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(widgetOf(host), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(tipShown());
    hover(host, QPoint(12, 12));
    platform::advanceTime(1000);
    EXPECT_FALSE(tipShown());
    // Back in after leaving: it shows, and pops by itself after the autopop delay.
    hover(host, QPoint(75, 10));
    hover(host, QPoint(10, 10));
    platform::advanceTime(400);
    ASSERT_TRUE(tipShown());
    platform::advanceTime(3000);
    EXPECT_FALSE(tipShown());
    // Deactivated, nothing shows.
    hover(host, QPoint(75, 10));
    SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
    hover(host, QPoint(10, 10));
    platform::advanceTime(1000);
    EXPECT_FALSE(tipShown());
}

TEST_F(ToolTip, AnsiWindowsRelayedMessagesTextsAndTracking) {
    HWND narrow = Host::create(false, 400, 100);
    // The ANSI window asks for the ANSI form; its messages come relayed (no subclass).
    TTTOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = narrow;
    ti.uId = reinterpret_cast<UINT_PTR>(narrow);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    ASSERT_TRUE(SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
    MSG m{narrow, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20), 0, {}};
    SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
    platform::advanceTime(400);
    ASSERT_TRUE(tipShown());
    EXPECT_EQ(Host::count(TTN_NEEDTEXTA), 1);
    EXPECT_EQ(Host::count(TTN_NEEDTEXTW), 0);
    char buffer[80] = {};
    ti.lpszText = buffer;
    SendMessageA(tip, TTM_GETTEXTA, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(buffer, "Narrow tip");
    // A new text shows at once in the tip that is up; deleting the tool hides it.
    char fresh[] = "Fresh text";
    ti.lpszText = fresh;
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
    WCHAR wide[40] = {};
    TTTOOLINFOW wi{};
    wi.cbSize = sizeof wi;
    wi.hwnd = narrow;
    wi.uId = reinterpret_cast<UINT_PTR>(narrow);
    wi.lpszText = wide;
    SendMessageW(tip, TTM_GETTEXTW, 40, reinterpret_cast<LPARAM>(&wi));
    EXPECT_EQ(std::u16string(wide), u"Fresh text");
    EXPECT_TRUE(tipShown());
    SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    EXPECT_FALSE(tipShown());
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);

    // Tracking: shown at once at the track point, exactly with TTF_ABSOLUTE, no autopop.
    WCHAR tracked[] = u"Tracked";
    addTool(host, 7, TTF_TRACK | TTF_ABSOLUTE, RECT{}, tracked);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(250, 260));
    TTTOOLINFOW tt{};
    tt.cbSize = sizeof tt;
    tt.hwnd = host;
    tt.uId = 7;
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tt));
    ASSERT_TRUE(tipShown());
    EXPECT_EQ(tipRect().left, 250);
    EXPECT_EQ(tipRect().top, 260);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(300, 310));
    EXPECT_EQ(tipRect().left, 300);
    platform::advanceTime(10000);
    EXPECT_TRUE(tipShown());
    SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tt));
    EXPECT_FALSE(tipShown());
    DestroyWindow(narrow);
}

TEST_F(ToolTip, WidthLimitsWrapLinesAndTheWindowMayPlaceTheTip) {
    WCHAR text[] = u"One two three four five six seven eight nine ten\nand a second line";
    addTool(host, 3, TTF_SUBCLASS, RECT{0, 0, 200, 120}, text);
    hover(host, QPoint(10, 10));
    platform::advanceTime(400);
    ASSERT_TRUE(tipShown());
    const RECT oneLine = tipRect();
    SendMessageW(tip, TTM_POP, 0, 0);
    EXPECT_FALSE(tipShown());
    EXPECT_EQ(SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 120), -1);
    Host::placeItself = true;
    hover(host, QPoint(150, 100));
    hover(host, QPoint(10, 10));
    platform::advanceTime(400);
    ASSERT_TRUE(tipShown());
    const RECT wrapped = tipRect();
    EXPECT_LE(wrapped.right - wrapped.left, 120);
    EXPECT_GT(wrapped.bottom - wrapped.top, 2 * (oneLine.bottom - oneLine.top) - 10);
    // The window answered TTN_SHOW and placed the tip itself.
    EXPECT_EQ(wrapped.left, 7);
    EXPECT_EQ(wrapped.top, 9);
    EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 400);
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, -1);
    EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), static_cast<LRESULT>(GetDoubleClickTime()));
    EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), static_cast<LRESULT>(GetDoubleClickTime() * 10));
}
