// The track bar through real mouse and key events: dragging the thumb, page steps by clicks
// on the channel, line and page keys, and what the parent is told.
#include "platform/commctrl.h"
#include "platform/winuser.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<WORD> scrollCodes;
std::vector<UINT> scrollMessages;

LRESULT trackHost(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_HSCROLL || msg == WM_VSCROLL) {
        scrollCodes.push_back(LOWORD(wParam));
        scrollMessages.push_back(msg);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

class TrackBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        scrollCodes.clear();
        scrollMessages.clear();
        InitCommonControls();
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASSEXW w{};
            w.cbSize = sizeof w;
            w.lpfnWndProc = &trackHost;
            w.lpszClassName = u"TrackHost";
            RegisterClassExW(&w);
        }
        host = CreateWindowExW(0, u"TrackHost", u"", WS_OVERLAPPEDWINDOW, 30, 30, 260, 120, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(host); }
    HWND make(DWORD style, int w, int h) {
        HWND t = CreateWindowExW(0, TRACKBAR_CLASSW, u"", WS_CHILD | WS_VISIBLE | style, 0, 0, w, h, host, nullptr, nullptr,
                                 nullptr);
        ShowWindow(host, SW_SHOW);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(host)));
        return t;
    }
    static QPoint centre(const RECT& r) { return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
    HWND host = nullptr;
};

TEST_F(TrackBarTest, ThumbDragChannelClicksAndKeys) {
    HWND t = make(TBS_AUTOTICKS, 216, 40);
    SendMessageW(t, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(t, TBM_SETRANGEMAX, FALSE, 20);
    SendMessageW(t, TBM_SETPAGESIZE, 0, 5);
    SendMessageW(t, TBM_SETPOS, TRUE, 10);
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 10);
    SendMessageW(t, TBM_SETPOS, TRUE, 99);
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 20);  // kept in the range
    SendMessageW(t, TBM_SETPOS, TRUE, 10);
    EXPECT_EQ(SendMessageW(t, TBM_GETNUMTICS, 0, 0), 21);
    QWidget* w = platform::windowWidget(t);

    // Dragging the thumb to the right end.
    RECT thumb{}, channel{};
    SendMessageW(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageW(t, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const QPoint from = centre(thumb);
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    QTest::mouseMove(w, QPoint(channel.right + 5, from.y()));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(channel.right + 5, from.y()));
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 20);
    ASSERT_GE(scrollCodes.size(), 3u);
    EXPECT_EQ(scrollCodes[scrollCodes.size() - 3], TB_THUMBTRACK);
    EXPECT_EQ(scrollCodes[scrollCodes.size() - 2], TB_THUMBPOSITION);
    EXPECT_EQ(scrollCodes.back(), TB_ENDTRACK);
    EXPECT_EQ(scrollMessages.back(), static_cast<UINT>(WM_HSCROLL));

    // A click left of the thumb moves one page back.
    scrollCodes.clear();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(channel.left + 3, from.y()));
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 15);
    EXPECT_EQ(scrollCodes, (std::vector<WORD>{TB_PAGEUP, TB_ENDTRACK}));

    // Keys: lines, pages and the ends.
    scrollCodes.clear();
    QTest::keyClick(w, Qt::Key_Left);
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 14);
    QTest::keyClick(w, Qt::Key_PageDown);
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 19);
    QTest::keyClick(w, Qt::Key_Home);
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 0);
    QTest::keyClick(w, Qt::Key_End);
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 20);
    EXPECT_EQ(scrollCodes, (std::vector<WORD>{TB_LINEUP, TB_ENDTRACK, TB_PAGEDOWN, TB_ENDTRACK, TB_TOP, TB_ENDTRACK,
                                              TB_BOTTOM, TB_ENDTRACK}));
}

TEST_F(TrackBarTest, VerticalBarsTellWithVerticalScrollMessages) {
    HWND t = make(TBS_VERT, 40, 100);
    SendMessageW(t, TBM_SETRANGE, FALSE, MAKELONG(0, 4));
    EXPECT_EQ(SendMessageW(t, TBM_GETRANGEMAX, 0, 0), 4);
    QTest::keyClick(platform::windowWidget(t), Qt::Key_Down);
    EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 1);
    ASSERT_FALSE(scrollMessages.empty());
    EXPECT_EQ(scrollMessages.front(), static_cast<UINT>(WM_VSCROLL));
    // The thumb of a higher position is lower.
    RECT before{}, after{};
    SendMessageW(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&before));
    SendMessageW(t, TBM_SETPOS, TRUE, 4);
    SendMessageW(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&after));
    EXPECT_GT(after.top, before.top);
}

}  // namespace
