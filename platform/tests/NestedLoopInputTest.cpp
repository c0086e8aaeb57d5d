// A message loop run from a control's click, which Qt delivers through its own handling of
// the mouse (a dialog shown by a push button), still hands the input of other windows to
// their procedures first.
#include "platform/winuser.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT> editKeys;
WNDPROC editProc = nullptr;
HWND edit = nullptr;
bool loopDone = false;
int loops = 0;

LRESULT recordingEdit(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_KEYDOWN || m == WM_CHAR) editKeys.push_back(m);
    return CallWindowProcA(editProc, h, m, w, l);
}

LRESULT parentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_COMMAND && HIWORD(w) == BN_CLICKED) {
        // A modal loop, as a dialog shown from the click runs one; keys go to the edit.
        ++loops;
        loopDone = false;
        QTimer::singleShot(0, [] {
            QWidget* target = platform::windowWidget(edit);
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_A);
            loopDone = true;
        });
        platform::runMessageLoop([] { return loopDone; });
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}

}  // namespace

TEST(NestedLoopInput, KeysOfALoopRunFromAButtonClickReachTheWindowProcedure) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = parentProc;
    wc.lpszClassName = "NestedLoopParent";
    RegisterClassExA(&wc);
    HWND parent = CreateWindowExA(0, "NestedLoopParent", "Parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    ShowWindow(parent, SW_SHOW);
    HWND button = CreateWindowExA(0, "BUTTON", "Open", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 24, parent,
                                  reinterpret_cast<HMENU>(1), nullptr, nullptr);
    edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 50, 100, 24, parent, reinterpret_cast<HMENU>(2),
                           nullptr, nullptr);
    editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordingEdit)));
    SetFocus(edit);
    editKeys.clear();

    // A real click: Qt's button handles it and reports the click from inside that handling.
    QWidget* b = platform::windowWidget(button);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(50, 12));
    ASSERT_EQ(loops, 1);
    EXPECT_EQ(editKeys, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYDOWN, WM_CHAR}));

    // Outside any loop the keys take the same way.
    editKeys.clear();
    QTest::keyClick(platform::windowWidget(edit), Qt::Key_B);
    EXPECT_EQ(editKeys, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
    DestroyWindow(parent);
}
