// The status bar: parts and their texts in both forms, owner-drawn parts through the
// parent's WM_DRAWITEM, the simple part, placement along the parent and clicks on parts.
#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/winuser.h"

#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT> drawnParts;
std::vector<ULONG_PTR> drawnData;
std::vector<DWORD_PTR> clickedParts;

LRESULT statusHost(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        drawnParts.push_back(d->itemID);
        drawnData.push_back(d->itemData);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT r = d->rcItem;
        r.right = r.left + 20;
        FillRect(d->hDC, &r, red);
        DeleteObject(red);
        return TRUE;
    }
    if (msg == WM_NOTIFY) {
        const auto* n = reinterpret_cast<const NMMOUSE*>(lParam);
        if (n->hdr.code == NM_CLICK) clickedParts.push_back(n->dwItemSpec);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

TEST(StatusBarWindow, PartsTextsOwnerDrawingAndClicks) {
    drawnParts.clear();
    drawnData.clear();
    clickedParts.clear();
    InitCommonControls();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &statusHost;
    wc.lpszClassName = u"StatusHost";
    RegisterClassExW(&wc);
    HWND host = CreateWindowExW(0, u"StatusHost", u"", WS_OVERLAPPEDWINDOW, 20, 20, 300, 150, nullptr, nullptr, nullptr, nullptr);
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, u"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, host, nullptr,
                               nullptr, nullptr);
    ShowWindow(host, SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(host)));
    // Along the bottom of the parent, as wide as its client area.
    RECT client{}, wr{};
    GetClientRect(host, &client);
    GetWindowRect(bar, &wr);
    POINT at{wr.left, wr.top};
    ScreenToClient(host, &at);
    EXPECT_EQ(at.x, 0);
    EXPECT_EQ(at.y + (wr.bottom - wr.top), client.bottom);
    EXPECT_EQ(wr.right - wr.left, client.right);

    const int edges[3] = {100, 180, -1};
    ASSERT_TRUE(SendMessageW(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges)));
    EXPECT_EQ(SendMessageW(bar, SB_GETPARTS, 0, 0), 3);
    SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(u"Ready \u2713"));
    SendMessageA(bar, SB_SETTEXTA, 1 | SBT_POPOUT, reinterpret_cast<LPARAM>("Page 2"));
    SendMessageW(bar, SB_SETTEXTW, 2 | SBT_OWNERDRAW, 77);
    char16_t buf[32] = {};
    const LRESULT got = SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(LOWORD(got), 7);
    EXPECT_EQ(std::u16string(buf), u"Ready \u2713");
    char narrow[32] = {};
    EXPECT_EQ(HIWORD(SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(narrow))), SBT_POPOUT);
    EXPECT_STREQ(narrow, "Page 2");
    EXPECT_EQ(SendMessageW(bar, SB_GETTEXTW, 2, 0), 77);  // the data of an owner-drawn part
    RECT part{};
    ASSERT_TRUE(SendMessageW(bar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part)));
    EXPECT_EQ(part.left, 100);
    EXPECT_EQ(part.right, 180);

    const QImage shot = platform::windowWidget(bar)->grab().toImage();
    shot.save("/tmp/tessellon-statusbar.png");
    ASSERT_FALSE(drawnParts.empty());
    EXPECT_EQ(drawnParts.back(), 2u);
    EXPECT_EQ(drawnData.back(), 77u);
    EXPECT_EQ(shot.pixelColor(185, shot.height() / 2), QColor(255, 0, 0));
    int ink = 0;
    for (int x = 3; x < 97; ++x)
        for (int y = 3; y < shot.height() - 2; ++y) ink += shot.pixelColor(x, y).lightness() < 80 ? 1 : 0;
    EXPECT_GT(ink, 0);

    QTest::mouseClick(platform::windowWidget(bar), Qt::LeftButton, {}, QPoint(140, shot.height() / 2));
    ASSERT_EQ(clickedParts.size(), 1u);
    EXPECT_EQ(clickedParts[0], 1u);

    // The simple part covers the others while it is on.
    SendMessageW(bar, SB_SIMPLE, TRUE, 0);
    SendMessageW(bar, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(u"Printing"));
    EXPECT_TRUE(SendMessageW(bar, SB_ISSIMPLE, 0, 0));
    drawnParts.clear();
    const QImage simple = platform::windowWidget(bar)->grab().toImage();
    EXPECT_TRUE(drawnParts.empty());
    EXPECT_NE(simple.pixelColor(185, simple.height() / 2), QColor(255, 0, 0));
    // Resizing the parent takes the bar along.
    SetWindowPos(host, nullptr, 0, 0, 400, 200, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(bar, WM_SIZE, 0, 0);
    GetClientRect(host, &client);
    GetWindowRect(bar, &wr);
    EXPECT_EQ(wr.right - wr.left, client.right);
    DestroyWindow(host);
}

}  // namespace
