// The text form of each window, messages sent from other threads while the user-interface
// thread waits, and the edit control's own keys and menu going through its messages.
#include "platform/clipboard.h"
#include "platform/winuser.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// One procedure for windows of both forms, written as a class library writes it: it knows
// which form each of its windows was given (as the object behind the window would).
std::map<HWND, bool> wideWindow;
std::vector<std::string> texts8;
std::vector<std::u16string> texts16;

LRESULT sharedProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SETTEXT && l) {
        if (wideWindow[h]) texts16.emplace_back(reinterpret_cast<LPCWSTR>(l));
        else texts8.emplace_back(reinterpret_cast<LPCSTR>(l));
        return TRUE;
    }
    return wideWindow[h] ? DefWindowProcW(h, m, w, l) : DefWindowProcA(h, m, w, l);
}

// One subclass on both windows that hands every message on to the procedure it replaced.
std::map<HWND, WNDPROC> replaced;
LRESULT subclassProc(HWND h, UINT m, WPARAM w, LPARAM l) { return CallWindowProcW(replaced[h], h, m, w, l); }

LRESULT plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

void registerPlain() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = "FormPlain";
    RegisterClassExA(&wc);
}

}  // namespace

TEST(TextForm, OneProcedureOnAnEightBitAndAUtf16WindowGetsEachTextIntact) {
    registerPlain();
    HWND a = CreateWindowExA(0, "FormPlain", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND u = CreateWindowExA(0, "FormPlain", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    wideWindow[a] = false;
    wideWindow[u] = true;
    SetWindowLongPtrA(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&sharedProc));
    SetWindowLongPtrW(u, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&sharedProc));
    EXPECT_FALSE(IsWindowUnicode(a));
    EXPECT_TRUE(IsWindowUnicode(u));  // the W setter makes the window UTF-16
    texts8.clear();
    texts16.clear();
    SendMessageW(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"abc"));
    SendMessageA(u, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("xyz"));
    SendMessageA(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("\xc3\xa4" "8"));
    EXPECT_EQ(texts8, (std::vector<std::string>{"abc", "\xc3\xa4" "8"}));
    EXPECT_EQ(texts16, (std::vector<std::u16string>{u"xyz"}));

    // One UTF-16 subclass on both: CallWindowProc gives the procedure below each window's form.
    replaced[a] = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
    replaced[u] = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(u, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
    EXPECT_EQ(replaced[a], &sharedProc);
    EXPECT_TRUE(IsWindowUnicode(a));
    texts8.clear();
    texts16.clear();
    SendMessageA(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("long text"));
    SendMessageW(u, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"wide text"));
    SendMessageW(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"\u00e9t\u00e9"));
    EXPECT_EQ(texts8, (std::vector<std::string>{"long text", "\xc3\xa9t\xc3\xa9"}));
    EXPECT_EQ(texts16, (std::vector<std::u16string>{u"wide text"}));
    // Putting the old procedure back restores the form it had on that window.
    SetWindowLongPtrW(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replaced[a]));
    SetWindowLongPtrA(u, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replaced[u]));
    EXPECT_FALSE(IsWindowUnicode(a));
    EXPECT_TRUE(IsWindowUnicode(u));
    texts8.clear();
    texts16.clear();
    SendMessageW(a, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"back"));
    SendMessageA(u, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("again"));
    EXPECT_EQ(texts8, (std::vector<std::string>{"back"}));
    EXPECT_EQ(texts16, (std::vector<std::u16string>{u"again"}));
    DestroyWindow(a);
    DestroyWindow(u);
}

namespace {
std::atomic<int> served{0};
LRESULT countingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 5) return ++served * 10 + static_cast<LRESULT>(w);
    return DefWindowProcA(h, m, w, l);
}
}  // namespace

TEST(SentMessages, AWaitOfTheUserInterfaceThreadServesThemInOrder) {
    registerPlain();
    HWND h = CreateWindowExA(0, "FormPlain", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countingProc));
    served = 0;
    std::atomic<bool> sent{false};
    std::vector<LRESULT> results(3);
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i) results[static_cast<std::size_t>(i)] = SendMessageA(h, WM_USER + 5, i, 0);
        sent = true;
    });
    // The user-interface thread waits without its event loop, serving sent messages only.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!sent && std::chrono::steady_clock::now() < until) {
        if (!platform::serveSentMessages()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(results, (std::vector<LRESULT>{10, 21, 32}));
    EXPECT_FALSE(platform::sentMessagesPending());
    // A worker thread cannot serve them: only the user-interface thread runs window procedures.
    bool elsewhere = true;
    std::thread([&] { elsewhere = platform::serveSentMessages(); }).join();
    EXPECT_FALSE(elsewhere);
    DestroyWindow(h);
}

namespace {

std::vector<UINT> editHeard;
bool refuseEdits = false;
WNDPROC editBefore = nullptr;

LRESULT editSubclass(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PASTE || m == WM_CUT || m == WM_CLEAR || m == WM_UNDO || m == WM_COPY) {
        editHeard.push_back(m);
        if (refuseEdits && m != WM_COPY) return 0;
    }
    return CallWindowProcA(editBefore, h, m, w, l);
}

std::string editText(HWND e) {
    char buf[128] = {};
    GetWindowTextA(e, buf, sizeof buf);
    return buf;
}

}  // namespace

TEST(EditKeys, ClipboardKeysAndTheEditMenuGoThroughTheWindowProcedure) {
    registerPlain();
    HWND parent = CreateWindowExA(0, "FormPlain", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 80, nullptr, nullptr, nullptr,
                                  nullptr);
    ShowWindow(parent, SW_SHOW);
    HWND e = CreateWindowExA(0, "EDIT", "12345", WS_CHILD | WS_VISIBLE | WS_BORDER, 4, 4, 150, 24, parent, nullptr,
                             nullptr, nullptr);
    editBefore = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(e, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&editSubclass)));
    QWidget* w = platform::windowWidget(e);
    ASSERT_NE(w, nullptr);
    SetFocus(e);
    QApplication::clipboard()->setText(QStringLiteral("99"));
    editHeard.clear();
    refuseEdits = true;

    SendMessageA(e, EM_SETSEL, 0, -1);
    QTest::keyClick(w, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(w, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(editText(e), "12345");
    EXPECT_EQ(editHeard, (std::vector<UINT>{WM_PASTE, WM_PASTE, WM_CUT, WM_CUT, WM_UNDO, WM_COPY}));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("12345"));  // copy is allowed
    // Qt's own line editing keys that the edit does not have change nothing.
    SendMessageA(e, EM_SETSEL, 2, 2);
    QTest::keyClick(w, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(editText(e), "12345");

    // The edit's menu: its commands are messages too.
    editHeard.clear();
    SendMessageA(e, EM_SETSEL, 0, -1);
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* paste = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("&Paste")) paste = a;
        ASSERT_NE(paste, nullptr);
        EXPECT_TRUE(paste->isEnabled());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(paste).center());
    });
    QContextMenuEvent ce(QContextMenuEvent::Mouse, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w, &ce);
    EXPECT_EQ(editHeard, (std::vector<UINT>{WM_PASTE}));
    EXPECT_EQ(editText(e), "12345");

    // Let through, the same keys edit.
    refuseEdits = false;
    QApplication::clipboard()->setText(QStringLiteral("99"));
    SendMessageA(e, EM_SETSEL, 0, -1);
    QTest::keyClick(w, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(editText(e), "99");
    SendMessageA(e, EM_SETSEL, 0, -1);
    QTest::keyClick(w, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(editText(e), "");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("99"));
    DestroyWindow(parent);
}
