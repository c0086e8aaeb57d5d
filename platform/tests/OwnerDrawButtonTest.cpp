// Owner-drawn push buttons: the parent draws every state through WM_DRAWITEM (pressed,
// focused, disabled, default), and mouse and space bar press and click the button.
#include "platform/winpaint.h"
#include "platform/uxtheme.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Drawn {
    HWND item;
    UINT type;
    UINT state;
    RECT rc;
};
std::vector<Drawn> drawn;
std::vector<HWND> clicked;

LRESULT buttonParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        drawn.push_back({d->hwndItem, d->CtlType, d->itemState, d->rcItem});
        RECT r = d->rcItem;
        DrawFrameControl(d->hDC, &r, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (d->itemState & ODS_SELECTED ? DFCS_PUSHED : 0));
        return TRUE;
    }
    if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
        clicked.push_back(reinterpret_cast<HWND>(l));
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

HWND makeParent() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = buttonParent;
        wc.lpszClassName = u"OwnerButtonParent";
        RegisterClassExW(&wc);
        registered = true;
    }
    HWND top = CreateWindowExW(0, u"OwnerButtonParent", u"Buttons", WS_OVERLAPPEDWINDOW, 30, 30, 240, 120, nullptr,
                               nullptr, nullptr, nullptr);
    ShowWindow(top, SW_SHOW);
    return top;
}

UINT lastState(HWND item) {
    for (auto it = drawn.rbegin(); it != drawn.rend(); ++it)
        if (it->item == item) return it->state;
    return 0xFFFFFFFFu;
}

}  // namespace

TEST(OwnerDrawButton, TheParentDrawsEachStateAndTheMouseClicks) {
    drawn.clear();
    clicked.clear();
    HWND top = makeParent();
    HWND button = CreateWindowExW(0, u"BUTTON", u"Go", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, 80, 26, top,
                                  reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_TRUE(button);
    QWidget* w = platform::windowWidget(button);
    ASSERT_TRUE(w);
    UpdateWindow(button);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().type, static_cast<UINT>(ODT_BUTTON));
    EXPECT_EQ(drawn.back().rc.right, 80);
    EXPECT_EQ(drawn.back().rc.bottom, 26);
    EXPECT_EQ(lastState(button) & (ODS_SELECTED | ODS_DISABLED), 0u);

    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(20, 12));
    UpdateWindow(button);
    EXPECT_NE(lastState(button) & ODS_SELECTED, 0u);
    EXPECT_NE(lastState(button) & ODS_FOCUS, 0u) << "a press focuses the button";
    // Leaving the button while pressed shows it up; coming back shows it down again.
    QTest::mouseMove(w, QPoint(150, 12));
    UpdateWindow(button);
    EXPECT_EQ(lastState(button) & ODS_SELECTED, 0u);
    QTest::mouseMove(w, QPoint(30, 12));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(30, 12));
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], button);
    // Released outside: no click.
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(20, 12));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(200, 12));
    EXPECT_EQ(clicked.size(), 1u);

    // The default style shows as ODS_DEFAULT; disabled as ODS_DISABLED.
    SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    UpdateWindow(button);
    EXPECT_NE(lastState(button) & ODS_DEFAULT, 0u);
    EXPECT_EQ(SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, static_cast<LRESULT>(DLGC_DEFPUSHBUTTON));
    EnableWindow(button, FALSE);
    UpdateWindow(button);
    EXPECT_NE(lastState(button) & ODS_DISABLED, 0u);
    DestroyWindow(top);
}

TEST(OwnerDrawButton, TheSpaceBarPressesAndItsReleaseClicks) {
    drawn.clear();
    clicked.clear();
    HWND top = makeParent();
    HWND button = CreateWindowExW(0, u"BUTTON", u"Go", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 10, 10, 80,
                                  26, top, reinterpret_cast<HMENU>(8), nullptr, nullptr);
    SetFocus(button);
    QWidget* w = platform::windowWidget(button);
    QTest::keyPress(w, Qt::Key_Space);
    UpdateWindow(button);
    EXPECT_NE(lastState(button) & ODS_SELECTED, 0u);
    EXPECT_TRUE(clicked.empty());
    QTest::keyRelease(w, Qt::Key_Space);
    ASSERT_EQ(clicked.size(), 1u);
    UpdateWindow(button);
    EXPECT_EQ(lastState(button) & ODS_SELECTED, 0u);
    // Other keys do nothing; a disabled button does not press.
    QTest::keyClick(w, Qt::Key_A);
    EnableWindow(button, FALSE);
    SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(button, WM_KEYUP, VK_SPACE, 0xC0000000);
    EXPECT_EQ(clicked.size(), 1u);
    // Losing the focus while the space bar is down releases the button without a click.
    EnableWindow(button, TRUE);
    SetFocus(button);
    SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
    SetFocus(top);
    SendMessageW(button, WM_KEYUP, VK_SPACE, 0xC0000000);
    EXPECT_EQ(clicked.size(), 1u);
    EXPECT_EQ(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    DestroyWindow(top);
}

TEST(OwnerDrawButton, ThemedAndClassicPushButtonsDiffer) {
    // The one switch decides whether the theme draws: off, no theme handle.
    platform::setThemesInUse(false);
    EXPECT_EQ(OpenThemeData(nullptr, u"BUTTON"), nullptr);
    EXPECT_FALSE(IsAppThemed());
    platform::setThemesInUse(true);
    HTHEME theme = OpenThemeData(nullptr, u"BUTTON");
    ASSERT_NE(theme, nullptr);
    HDC screen = GetDC(nullptr);
    HDC a = CreateCompatibleDC(screen), b = CreateCompatibleDC(screen);
    HBITMAP ba = CreateCompatibleBitmap(screen, 60, 24), bb = CreateCompatibleBitmap(screen, 60, 24);
    SelectObject(a, ba);
    SelectObject(b, bb);
    RECT r{0, 0, 60, 24};
    EXPECT_EQ(DrawThemeBackground(theme, a, BP_PUSHBUTTON, PBS_NORMAL, &r, nullptr), S_OK);
    EXPECT_EQ(DrawThemeBackground(theme, b, BP_PUSHBUTTON, PBS_PRESSED, &r, nullptr), S_OK);
    int differ = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x)
            if (GetPixel(a, x, y) != GetPixel(b, x, y)) ++differ;
    EXPECT_GT(differ, 0) << "pressed and normal faces look different";
    CloseThemeData(theme);
    DeleteDC(a);
    DeleteDC(b);
    DeleteObject(ba);
    DeleteObject(bb);
    ReleaseDC(nullptr, screen);
}
