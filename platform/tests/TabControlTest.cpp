// The tab control through real clicks and keys: the parent may refuse a change, is told of
// each change, and the display area lies below the tabs.
#include "platform/commctrl.h"
#include "platform/winuser.h"

#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<UINT> tabCodes;
bool refuseTab = false;

LRESULT tabHost(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        const auto* h = reinterpret_cast<const NMHDR*>(lParam);
        tabCodes.push_back(h->code);
        if (h->code == TCN_SELCHANGING) return refuseTab ? TRUE : FALSE;
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

TEST(TabControlWindow, ClicksAndKeysChangeTabsWithTheParentsLeave) {
    tabCodes.clear();
    refuseTab = false;
    InitCommonControls();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &tabHost;
    wc.lpszClassName = u"TabHost";
    RegisterClassExW(&wc);
    HWND host = CreateWindowExW(0, u"TabHost", u"", WS_OVERLAPPEDWINDOW, 20, 20, 320, 200, nullptr, nullptr, nullptr, nullptr);
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 160, host, nullptr, nullptr, nullptr);
    ShowWindow(host, SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(host)));
    const char16_t* names[] = {u"Picture", u"Size", u"Print"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_PARAM;
        item.pszText = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(names[i]));
        item.lParam = 10 + i;
        EXPECT_EQ(SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)), i);
    }
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
    RECT second{};
    ASSERT_TRUE(SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
    RECT first{};
    SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    EXPECT_EQ(second.left, first.right);
    QWidget* w = platform::windowWidget(tabs);
    const QPoint onSecond((second.left + second.right) / 2, (second.top + second.bottom) / 2);
    QTest::mouseClick(w, Qt::LeftButton, {}, onSecond);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 1);
    ASSERT_GE(tabCodes.size(), 2u);
    EXPECT_EQ(tabCodes[0], TCN_SELCHANGING);
    EXPECT_EQ(tabCodes[1], TCN_SELCHANGE);
    // The parent refuses: the tab stays.
    refuseTab = true;
    QTest::keyClick(w, Qt::Key_Right);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 1);
    refuseTab = false;
    QTest::keyClick(w, Qt::Key_Right);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 2);
    // Setting the tab in code tells nothing.
    tabCodes.clear();
    EXPECT_EQ(SendMessageW(tabs, TCM_SETCURSEL, 0, 0), 2);
    EXPECT_TRUE(std::find(tabCodes.begin(), tabCodes.end(), TCN_SELCHANGE) == tabCodes.end());
    TCHITTESTINFO hit{POINT{onSecond.x(), onSecond.y()}, 0};
    EXPECT_EQ(SendMessageW(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    hit.pt = POINT{150, 120};
    EXPECT_EQ(SendMessageW(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
    // The display area starts below the tabs; the conversion goes both ways.
    RECT area{0, 0, 300, 160};
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    EXPECT_GT(area.top, first.bottom);
    SendMessageW(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&area));
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, 300);
    platform::windowWidget(tabs)->grab().toImage().save("/tmp/tessellon-tabs.png");
    // Deleting the chosen tab chooses the next one.
    SendMessageW(tabs, TCM_DELETEITEM, 0, 0);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
    TCITEMW got{};
    char16_t buf[16] = {};
    got.mask = TCIF_TEXT | TCIF_PARAM;
    got.pszText = reinterpret_cast<LPWSTR>(buf);
    got.cchTextMax = 16;
    SendMessageW(tabs, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&got));
    EXPECT_EQ(std::u16string(buf), u"Size");
    EXPECT_EQ(got.lParam, 11);
    DestroyWindow(host);
}

}  // namespace
