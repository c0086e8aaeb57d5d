// Edges, frame controls, focus rectangles, DrawText's formats, theme calls on both paths,
// system parameters, window placement and frames of our own drawing.
#include "platform/uxtheme.h"
#include "platform/winpaint.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A memory DC on a white 24-bit bitmap of the given size.
struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    Canvas(int w, int h) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        const RECT all{0, 0, w, h};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF px(int x, int y) const { return GetPixel(dc, x, y); }
};

}  // namespace

TEST(Edges, RaisedAndSunkenEdgesUseTheThreeDColoursAndAdjustTheRectangle) {
    Canvas c(20, 20);
    RECT r{0, 0, 10, 10};
    ASSERT_TRUE(DrawEdge(c.dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE));
    EXPECT_EQ(c.px(0, 5), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(c.px(9, 5), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(c.px(1, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(c.px(8, 5), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(c.px(5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 8);
    RECT s{10, 10, 20, 20};
    DrawEdge(c.dc, &s, EDGE_SUNKEN, BF_TOP | BF_LEFT);
    EXPECT_EQ(c.px(10, 15), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(c.px(11, 15), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(c.px(19, 15), RGB(255, 255, 255));  // no right side asked for
    EXPECT_FALSE(DrawEdge(nullptr, &s, EDGE_SUNKEN, BF_RECT));
}

TEST(FrameControls, PushButtonsCheckBoxesAndCaptionButtonsDrawInTheClassicLook) {
    Canvas c(60, 20);
    RECT push{0, 0, 20, 20};
    ASSERT_TRUE(DrawFrameControl(c.dc, &push, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT));
    EXPECT_EQ(push.left, 2);
    EXPECT_EQ(push.right, 18);
    EXPECT_EQ(c.px(10, 10), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(c.px(19, 10), GetSysColor(COLOR_3DDKSHADOW));
    RECT pushed{0, 0, 20, 20};
    DrawFrameControl(c.dc, &pushed, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
    EXPECT_EQ(c.px(0, 10), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(c.px(1, 10), GetSysColor(COLOR_BTNSHADOW));
    // A checked box shows a mark in its white inside; an unchecked one none.
    RECT box{20, 0, 33, 13};
    DrawFrameControl(c.dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    int marked = 0;
    for (int y = 2; y < 11; ++y)
        for (int x = 22; x < 31; ++x) marked += c.px(x, y) == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_GT(marked, 5);
    RECT empty{40, 0, 53, 13};
    DrawFrameControl(c.dc, &empty, DFC_BUTTON, DFCS_BUTTONCHECK);
    EXPECT_EQ(c.px(46, 6), GetSysColor(COLOR_WINDOW));
    RECT close{0, 0, 16, 14};
    Canvas cap(16, 14);
    ASSERT_TRUE(DrawFrameControl(cap.dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE));
    int ink = 0;
    for (int y = 3; y < 11; ++y)
        for (int x = 3; x < 13; ++x) ink += cap.px(x, y) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(ink, 6);
    EXPECT_FALSE(DrawFrameControl(cap.dc, &close, 99, 0));
}

TEST(FocusRect, EveryOtherPixelIsInvertedAndASecondCallRestoresThem) {
    Canvas c(10, 10);
    const RECT r{1, 1, 9, 9};
    ASSERT_TRUE(DrawFocusRect(c.dc, &r));
    EXPECT_EQ(c.px(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(c.px(2, 1), RGB(255, 255, 255));
    EXPECT_EQ(c.px(3, 1), RGB(0, 0, 0));
    EXPECT_EQ(c.px(1, 3), RGB(0, 0, 0));
    EXPECT_EQ(c.px(4, 4), RGB(255, 255, 255));
    DrawFocusRect(c.dc, &r);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(c.px(i, 1), RGB(255, 255, 255));
}

namespace {
int lineHeight(HDC dc) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return tm.tmHeight;
}
int widthOf(HDC dc, const char16_t* s) {
    SIZE sz{};
    GetTextExtentPoint32W(dc, s, static_cast<int>(std::char_traits<char16_t>::length(s)), &sz);
    return sz.cx;
}
}  // namespace

TEST(DrawText, MeasuringGivesHeightsAndWidthsOfWrappedAndSingleLines) {
    Canvas c(200, 100);
    const int h = lineHeight(c.dc);
    RECT r{0, 0, 1000, 0};
    EXPECT_EQ(DrawTextW(c.dc, u"", 0, &r, DT_CALCRECT), 0);
    EXPECT_EQ(r.right, 0);
    RECT one{0, 0, 1000, 0};
    EXPECT_EQ(DrawTextW(c.dc, u"a&bc", -1, &one, DT_CALCRECT | DT_SINGLELINE), h);
    EXPECT_EQ(one.right, widthOf(c.dc, u"abc"));
    RECT keep{0, 0, 1000, 0};
    DrawTextW(c.dc, u"a&bc", -1, &keep, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(keep.right, widthOf(c.dc, u"a&bc"));
    // Breaks at blanks within the width; a long word stands alone and widens the rectangle.
    const int word = widthOf(c.dc, u"word");
    RECT wrap{0, 0, widthOf(c.dc, u"word word"), 0};
    EXPECT_EQ(DrawTextW(c.dc, u"word word word", -1, &wrap, DT_CALCRECT | DT_WORDBREAK), 2 * h);
    RECT longer{0, 0, word, 0};
    EXPECT_EQ(DrawTextW(c.dc, u"extraordinarily a", -1, &longer, DT_CALCRECT | DT_WORDBREAK), 2 * h);
    EXPECT_EQ(longer.right, widthOf(c.dc, u"extraordinarily"));
    RECT lines{0, 0, 1000, 0};
    EXPECT_EQ(DrawTextW(c.dc, u"a\r\nb\nc", -1, &lines, DT_CALCRECT), 3 * h);
    // Tabs stop every 8 average characters.
    TEXTMETRICW tm{};
    GetTextMetricsW(c.dc, &tm);
    RECT tab{0, 0, 1000, 0};
    DrawTextW(c.dc, u"a\tb", -1, &tab, DT_CALCRECT | DT_EXPANDTABS);
    EXPECT_EQ(tab.right, 8 * tm.tmAveCharWidth + widthOf(c.dc, u"b"));
}

TEST(DrawText, EllipsesShortenLinesThatDoNotFit) {
    Canvas c(300, 40);
    const int room = widthOf(c.dc, u"abcdefgh");
    RECT end{0, 0, room, 20};
    DrawTextW(c.dc, u"abcdefghijklmnop", -1, &end, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(end.right, room);
    EXPECT_GT(end.right, widthOf(c.dc, u"..."));
    const int pathRoom = widthOf(c.dc, u"/aa/.../file.txt");
    RECT path{0, 0, pathRoom, 20};
    DrawTextW(c.dc, u"/aa/bbbbbbbbbbbbbbbbbbbb/file.txt", -1, &path, DT_CALCRECT | DT_SINGLELINE | DT_PATH_ELLIPSIS);
    EXPECT_LE(path.right, pathRoom);
    EXPECT_GE(path.right, widthOf(c.dc, u".../file.txt"));
    RECT fits{0, 0, 1000, 20};
    DrawTextW(c.dc, u"short", -1, &fits, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(fits.right, widthOf(c.dc, u"short"));
}

TEST(DrawText, PrefixesUnderlineAndPlacementFollowsTheFlags) {
    Canvas c(200, 60);
    const int h = lineHeight(c.dc);
    TEXTMETRICW tm{};
    GetTextMetricsW(c.dc, &tm);
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{0, 0, 200, 60};
    // DT_PREFIXONLY draws the underline alone: below the baseline, as wide as the letter.
    DrawTextW(c.dc, u"&M", -1, &r, DT_PREFIXONLY | DT_SINGLELINE);
    EXPECT_EQ(c.px(1, tm.tmAscent + 1), RGB(0, 0, 0));
    EXPECT_EQ(c.px(1, tm.tmAscent - 2), RGB(255, 255, 255));
    // DT_HIDEPREFIX leaves the line out.
    Canvas hidden(200, 60);
    RECT hr{0, 0, 200, 60};
    DrawTextW(hidden.dc, u"&M", -1, &hr, DT_HIDEPREFIX | DT_SINGLELINE | DT_PREFIXONLY);
    EXPECT_EQ(hidden.px(1, tm.tmAscent + 1), RGB(255, 255, 255));
    // Vertically centred and bottom lines report the offset to their bottom.
    RECT v{0, 0, 200, 60};
    EXPECT_EQ(DrawTextW(c.dc, u"x", -1, &v, DT_SINGLELINE | DT_VCENTER), (60 - h) / 2 + h);
    RECT b{0, 0, 200, 60};
    EXPECT_EQ(DrawTextW(c.dc, u"x", -1, &b, DT_SINGLELINE | DT_BOTTOM), 60);
    // Right-aligned text ends at the right edge.
    Canvas right(100, 30);
    RECT rr{0, 0, 100, 30};
    DrawTextW(right.dc, u"WWW", -1, &rr, DT_SINGLELINE | DT_RIGHT);
    bool inkLeft = false, inkRight = false;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < 50; ++x) inkLeft |= right.px(x, y) != RGB(255, 255, 255);
        for (int x = 90; x < 100; ++x) inkRight |= right.px(x, y) != RGB(255, 255, 255);
    }
    EXPECT_FALSE(inkLeft);
    EXPECT_TRUE(inkRight);
}

TEST(Theme, ThemedPartsDrawThroughTheStyleAndTheSwitchTurnsThemesOff) {
    platform::setThemesInUse(true);
    ASSERT_TRUE(IsThemeActive());
    HTHEME theme = OpenThemeData(nullptr, u"Window;Button");
    ASSERT_NE(theme, nullptr);
    Canvas c(80, 30);
    const RECT r{0, 0, 80, 30};
    ASSERT_EQ(DrawThemeBackground(theme, c.dc, BP_PUSHBUTTON, PBS_NORMAL, &r, nullptr), S_OK);
    int changed = 0;
    for (int x = 0; x < 80; x += 4) changed += c.px(x, 15) != RGB(255, 255, 255);
    EXPECT_GT(changed, 10);
    EXPECT_EQ(IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_NORMAL),
              IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_PRESSED));
    RECT content{};
    ASSERT_EQ(GetThemeBackgroundContentRect(theme, c.dc, BP_PUSHBUTTON, PBS_NORMAL, &r, &content), S_OK);
    EXPECT_GE(content.left, r.left);
    EXPECT_LE(content.right, r.right);
    SIZE box{};
    ASSERT_EQ(GetThemePartSize(theme, c.dc, BP_CHECKBOX, CBS_CHECKEDNORMAL, nullptr, TS_TRUE, &box), S_OK);
    EXPECT_GT(box.cx, 5);
    // Disabled text is drawn in the palette's disabled colour.
    Canvas t(80, 30);
    ASSERT_EQ(DrawThemeText(theme, t.dc, BP_PUSHBUTTON, PBS_DISABLED, u"MMMM", -1, DT_SINGLELINE, 0, &r), S_OK);
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText);
    bool greyInk = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) greyInk |= t.px(x, y) == RGB(grey.red(), grey.green(), grey.blue());
    EXPECT_TRUE(greyInk);
    EXPECT_EQ(CloseThemeData(theme), S_OK);
    EXPECT_EQ(CloseThemeData(theme), E_HANDLE);
    EXPECT_EQ(DrawThemeBackground(theme, c.dc, BP_PUSHBUTTON, PBS_NORMAL, &r, nullptr), E_HANDLE);
    EXPECT_EQ(OpenThemeData(nullptr, u"NoSuchClass"), nullptr);

    platform::setThemesInUse(false);
    EXPECT_FALSE(IsThemeActive());
    EXPECT_FALSE(IsAppThemed());
    EXPECT_EQ(OpenThemeData(nullptr, u"BUTTON"), nullptr);
    platform::setThemesInUse(true);
}

TEST(SystemParameters, NonClientMetricsComeFromTheDesktopAndOddSizesAreRefused) {
    NONCLIENTMETRICSA m{};
    m.cbSize = 340;  // without the padded border width
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0));
    EXPECT_EQ(m.iScrollWidth, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(m.lfCaptionFont.lfWeight, FW_BOLD);
    EXPECT_LT(m.lfMessageFont.lfHeight, 0);
    EXPECT_NE(m.lfMessageFont.lfFaceName[0], 0);
    NONCLIENTMETRICSW w{};
    w.cbSize = sizeof w;
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, w.cbSize, &w, 0));
    w.cbSize = 7;
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 7, &w, 0));
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(work.right - work.left, avail.width());
    BOOL gradient = FALSE;
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), QGuiApplication::primaryScreen()->geometry().width());
    EXPECT_GT(GetSystemMetrics(SM_CYCAPTION), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize));
}

TEST(SystemColours, ColoursFollowTheApplicationsPalette) {
    const QPalette saved = QApplication::palette();
    QPalette p = saved;
    p.setColor(QPalette::Highlight, QColor(10, 20, 30));
    p.setColor(QPalette::Button, QColor(200, 100, 50));
    QApplication::setPalette(p);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), RGB(10, 20, 30));
    EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), RGB(10, 20, 30));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(200, 100, 50));
    // The cached system brush follows as well.
    LOGBRUSH lb{};
    GetObjectW(GetSysColorBrush(COLOR_BTNFACE), sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, RGB(200, 100, 50));
    QApplication::setPalette(saved);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(saved.color(QPalette::Button).red(), saved.color(QPalette::Button).green(),
                                              saved.color(QPalette::Button).blue()));
}

namespace {
LRESULT plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

HWND makeWindow(const char16_t* cls, DWORD style, int x, int y, int w, int h) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = cls;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    RegisterClassExW(&wc);
    return CreateWindowExW(0, cls, u"Placement", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}
}  // namespace

TEST(Placement, TheNormalRectangleAndStateGoRoundAndAnOffScreenOneComesBack) {
    HWND wnd = makeWindow(u"PlacementHost", WS_OVERLAPPEDWINDOW, 50, 60, 300, 200);
    ShowWindow(wnd, SW_SHOW);
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    ASSERT_TRUE(GetWindowPlacement(wnd, &p));
    EXPECT_EQ(p.showCmd, UINT(SW_SHOWNORMAL));
    WINDOWPLACEMENT set = p;
    set.rcNormalPosition = RECT{80, 90, 480, 390};
    set.ptMaxPosition = POINT{-4, -4};
    set.showCmd = SW_SHOWMAXIMIZED;
    ASSERT_TRUE(SetWindowPlacement(wnd, &set));
    EXPECT_TRUE(IsZoomed(wnd));
    WINDOWPLACEMENT back{};
    back.length = sizeof back;
    ASSERT_TRUE(GetWindowPlacement(wnd, &back));
    EXPECT_EQ(back.showCmd, UINT(SW_SHOWMAXIMIZED));
    EXPECT_EQ(back.rcNormalPosition.left, 80);
    EXPECT_EQ(back.rcNormalPosition.top, 90);
    EXPECT_EQ(back.rcNormalPosition.right, 480);
    EXPECT_EQ(back.rcNormalPosition.bottom, 390);
    EXPECT_EQ(back.ptMaxPosition.x, -4);
    // Restored, the window takes the normal rectangle.
    ShowWindow(wnd, SW_RESTORE);
    RECT now{};
    GetWindowRect(wnd, &now);
    EXPECT_EQ(now.left, 80);
    EXPECT_EQ(now.bottom, 390);
    // A rectangle on no screen is moved onto one, keeping its size.
    WINDOWPLACEMENT away = back;
    away.showCmd = SW_SHOWNORMAL;
    away.rcNormalPosition = RECT{20000, 20000, 20300, 20200};
    ASSERT_TRUE(SetWindowPlacement(wnd, &away));
    GetWindowRect(wnd, &now);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(QPoint(now.left, now.top), QPoint(now.right - 1, now.bottom - 1))));
    EXPECT_EQ(now.right - now.left, 300);
    WINDOWPLACEMENT bad = away;
    bad.length = 3;
    EXPECT_FALSE(SetWindowPlacement(wnd, &bad));
    EXPECT_FALSE(GetWindowPlacement(wnd, &bad));
    DestroyWindow(wnd);
}

namespace {
std::vector<WPARAM> commands;
LRESULT framedProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SYSCOMMAND) commands.push_back(w & 0xFFF0);
    return DefWindowProcW(h, m, w, l);
}

LPARAM at(HWND wnd, int x, int y) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return MAKELPARAM(static_cast<WORD>(r.left + x), static_cast<WORD>(r.top + y));
}
}  // namespace

TEST(OwnFrame, AFramelessWindowWithADrawnCaptionMovesResizesAndCloses) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = framedProc;
    wc.lpszClassName = u"OwnFrameHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, u"OwnFrameHost", u"Tessellon 4.5", WS_OVERLAPPEDWINDOW, 100, 100, 320, 200, nullptr,
                               nullptr, nullptr, nullptr);
    ShowWindow(wnd, SW_SHOW);
    QWidget* widget = platform::windowWidget(wnd);
    // A window asked to paint its frame gets one of its own.
    SendMessageW(wnd, WM_NCPAINT, 1, 0);
    ASSERT_TRUE(platform::ownFrame(wnd));
    EXPECT_TRUE(widget->windowFlags() & Qt::FramelessWindowHint);
    const int f = GetSystemMetrics(SM_CXFRAME), cap = GetSystemMetrics(SM_CYCAPTION);
    RECT client{};
    GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 320 - 2 * f);
    EXPECT_EQ(client.bottom, 200 - 2 * f - cap);
    RECT start{};
    GetWindowRect(wnd, &start);
    EXPECT_EQ(start.right - start.left, 320);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    EXPECT_EQ(origin.x, start.left + f);
    EXPECT_EQ(origin.y, start.top + f + cap);
    // Hit tests of the frame's parts.
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, 100, f + cap / 2)), HTCAPTION);
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, 1, 100)), HTLEFT);
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, 319, 199)), HTBOTTOMRIGHT);
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, 320 - f - 6, f + cap / 2)), HTCLOSE);
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, 150, 150)), HTCLIENT);

    // The caption is painted in the active caption colour.
    const QImage shot = widget->grab().toImage();
    const QColor active = QColor::fromRgb(GetRValue(GetSysColor(COLOR_ACTIVECAPTION)),
                                          GetGValue(GetSysColor(COLOR_ACTIVECAPTION)), GetBValue(GetSysColor(COLOR_ACTIVECAPTION)));
    EXPECT_EQ(QColor(shot.pixel(f + 1, f + cap - 2)).rgb(), active.rgb());
    if (const char* dir = std::getenv("TESSELLON_SCREENS")) {
        QDir().mkpath(dir);
        shot.save(QString::fromLocal8Bit(dir) + "/own-frame.png");
    }

    // Dragging the caption moves the window; dragging the corner sizes it.
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(100, f + cap / 2));
    QTest::mouseMove(widget, QPoint(130, f + cap / 2 + 20));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(130, f + cap / 2 + 20));
    RECT moved{};
    GetWindowRect(wnd, &moved);
    if (!widget->windowHandle() || !widget->windowHandle()->startSystemMove()) {
        EXPECT_EQ(moved.left, start.left + 30);
        EXPECT_EQ(moved.top, start.top + 20);
        EXPECT_EQ(moved.right - moved.left, 320);
        QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(318, 198));
        QTest::mouseMove(widget, QPoint(358, 218));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(358, 218));
        RECT sized{};
        GetWindowRect(wnd, &sized);
        EXPECT_EQ(sized.left, start.left + 30);
        EXPECT_EQ(sized.right - sized.left, 360);
        EXPECT_EQ(sized.bottom - sized.top, 220);
        GetClientRect(wnd, &client);
        EXPECT_EQ(client.right, 360 - 2 * f);
    }
    // A click on the close button closes the window through WM_SYSCOMMAND.
    commands.clear();
    RECT r{};
    GetWindowRect(wnd, &r);
    const QPoint closeAt(r.right - r.left - f - 6, f + cap / 2);
    QTest::mousePress(widget, Qt::LeftButton, {}, closeAt);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, closeAt);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), SC_CLOSE);
    EXPECT_FALSE(IsWindow(wnd));
}

TEST(OwnFrame, WindowDcDrawsOnTheFrameAndTheRegionOfIntersectClips) {
    HWND wnd = makeWindow(u"FrameDcHost", WS_OVERLAPPEDWINDOW, 60, 60, 200, 150);
    ShowWindow(wnd, SW_SHOW);
    platform::setOwnFrame(wnd, true);
    QWidget* widget = platform::windowWidget(wnd);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    // Only the left half of the window, given in screen coordinates.
    HRGN half = CreateRectRgn(wr.left, wr.top, wr.left + 100, wr.bottom);
    HDC dc = GetDCEx(wnd, half, DCX_WINDOW | DCX_INTERSECTRGN);
    ASSERT_NE(dc, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT top{0, 0, 200, 3};
    FillRect(dc, &top, red);
    ReleaseDC(wnd, dc);
    DeleteObject(red);
    DeleteObject(half);
    const QImage shot = widget->grab().toImage();
    EXPECT_EQ(shot.pixel(50, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(shot.pixel(150, 1) & 0xFFFFFF, 0xFF0000u);
    platform::setOwnFrame(wnd, false);
    EXPECT_FALSE(platform::ownFrame(wnd));
    GetClientRect(wnd, &wr);
    EXPECT_EQ(wr.right, widget->width());
    DestroyWindow(wnd);
}

TEST(OwnFrame, ButtonsTakeSlotsFromTheRightAndDialogsWithContextHelpShowAHelpButton) {
    commands.clear();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = framedProc;
    wc.lpszClassName = u"OwnFrameSlots";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, u"OwnFrameSlots", u"Slots", WS_OVERLAPPEDWINDOW, 40, 40, 300, 160, nullptr, nullptr,
                               nullptr, nullptr);
    ShowWindow(wnd, SW_SHOW);
    platform::setOwnFrame(wnd, true);
    const int f = GetSystemMetrics(SM_CXFRAME), cap = GetSystemMetrics(SM_CYCAPTION);
    const int size = GetSystemMetrics(SM_CXSIZE), y = f + cap / 2;
    const int right = 300 - f;
    // Close, maximize and minimize each in a slot of SM_CXSIZE from the caption's right edge;
    // the caption left of the three slots is free.
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, right - size / 2, y)), HTCLOSE);
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, right - size - size / 2, y)), HTMAXBUTTON);
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, right - 2 * size - size / 2, y)), HTMINBUTTON);
    EXPECT_EQ(SendMessageW(wnd, WM_NCHITTEST, 0, at(wnd, right - 3 * size - 2, y)), HTCAPTION);
    // The desktop's title apart from the window text.
    platform::setDesktopTitle(wnd, u"Tessellon: Chromalde");
    EXPECT_EQ(platform::windowWidget(wnd)->windowTitle(), QString("Tessellon: Chromalde"));
    char16_t text[32] = {};
    GetWindowTextW(wnd, text, 32);
    EXPECT_EQ(std::u16string(text), u"Slots");
    DestroyWindow(wnd);

    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP, u"OwnFrameSlots", u"Dialog",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU, 40, 40, 300, 160, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(dialog, SW_SHOW);
    platform::setOwnFrame(dialog, true);
    const int df = GetSystemMetrics(SM_CXDLGFRAME), dright = 300 - df;
    const LPARAM help = at(dialog, dright - size - size / 2, df + cap / 2);
    EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, help), HTHELP);
    EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, at(dialog, dright - size / 2, df + cap / 2)), HTCLOSE);
    // Pressed and released over it: the context-help command.
    SendMessageW(dialog, WM_NCLBUTTONDOWN, HTHELP, help);
    SendMessageW(dialog, WM_NCLBUTTONUP, HTHELP, help);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), SC_CONTEXTHELP);
    DestroyWindow(dialog);
}
