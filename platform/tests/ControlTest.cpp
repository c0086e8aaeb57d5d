// The predefined control classes answer their messages and notify their parents.
#include "platform/winuser.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Note {
    UINT msg;
    WORD id;
    WORD code;
    LPARAM lParam;
};
std::vector<Note> notes;
LRESULT cancelDelta = 0;
std::vector<int> deltas;

LRESULT parentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
    case WM_COMMAND: notes.push_back({m, LOWORD(w), HIWORD(w), l}); return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: notes.push_back({m, HIWORD(w), LOWORD(w), l}); return 0;
    case WM_NOTIFY: {
        const auto* nm = reinterpret_cast<const NMUPDOWN*>(l);
        if (nm->hdr.code == UDN_DELTAPOS) deltas.push_back(nm->iDelta);
        return cancelDelta;
    }
    default: return DefWindowProcA(h, m, w, l);
    }
}

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = parentProc;
            wc.lpszClassName = "ControlParent";
            RegisterClassExA(&wc);
            registered = true;
        }
        parent = CreateWindowExA(0, "ControlParent", "Parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 nullptr, nullptr);
        ShowWindow(parent, SW_SHOW);
        notes.clear();
        deltas.clear();
        cancelDelta = 0;
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND child(const char* cls, const char* text, DWORD style, int id) {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 100, 24, parent,
                               reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
    }
    int count(WORD code) const {
        int n = 0;
        for (const Note& x : notes) n += x.msg == WM_COMMAND && x.code == code;
        return n;
    }
    HWND parent = nullptr;
};

// Clicks near the left edge, where check boxes and radio buttons have their mark.
void click(QWidget* w) {
    const QPointF p(8, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

}  // namespace

TEST_F(Controls, EditNotifiesChangesOnlyWhenTheTextChanges) {
    HWND e = child("EDIT", "one", ES_AUTOHSCROLL, 11);
    ASSERT_TRUE(e);
    EXPECT_EQ(count(EN_CHANGE), 0);  // the creation text is not a change
    SetWindowTextA(e, "one");
    EXPECT_EQ(count(EN_CHANGE), 0);
    SetWindowTextA(e, "two");
    EXPECT_EQ(count(EN_CHANGE), 1);
    EXPECT_EQ(notes.back().id, 11);
    EXPECT_EQ(reinterpret_cast<HWND>(notes.back().lParam), e);
    EXPECT_FALSE(SendMessageA(e, EM_GETMODIFY, 0, 0));

    SendMessageA(e, EM_SETSEL, 1, 2);
    DWORD s = 0, t = 0;
    SendMessageA(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
    EXPECT_EQ(s, 1u);
    EXPECT_EQ(t, 2u);
    SendMessageA(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("ww"));
    char buf[32];
    GetWindowTextA(e, buf, 32);
    EXPECT_STREQ(buf, "twwo");
    SendMessageA(e, EM_SETSEL, 0, -1);
    SendMessageA(e, WM_CLEAR, 0, 0);
    EXPECT_EQ(GetWindowTextLengthA(e), 0);

    // Read-only edits refuse typing, clearing and pasting.
    SetWindowTextA(e, "fixed");
    SendMessageA(e, EM_SETREADONLY, TRUE, 0);
    SendMessageA(e, WM_CHAR, 'x', 0);
    SendMessageA(e, EM_SETSEL, 0, -1);
    SendMessageA(e, WM_CLEAR, 0, 0);
    GetWindowTextA(e, buf, 32);
    EXPECT_STREQ(buf, "fixed");
    SendMessageA(e, EM_SETREADONLY, FALSE, 0);

    // The length limit holds for typing.
    SetWindowTextA(e, "");
    SendMessageA(e, EM_LIMITTEXT, 3, 0);
    for (char c : std::string("abcdef")) SendMessageA(e, WM_CHAR, static_cast<WPARAM>(c), 0);
    GetWindowTextA(e, buf, 32);
    EXPECT_STREQ(buf, "abc");
}

TEST_F(Controls, MultiLineEditKeepsLinesAndEditRectangle) {
    HWND e = child("EDIT", "", ES_MULTILINE | ES_RIGHT, 12);
    SetWindowTextA(e, "first\r\nsecond");
    EXPECT_EQ(SendMessageA(e, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(e, EM_LINEINDEX, 1, 0), 7);
    char buf[32];
    GetWindowTextA(e, buf, 32);
    EXPECT_STREQ(buf, "first\r\nsecond");
    RECT r{0, 0, 80, 25};
    SendMessageA(e, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    RECT back{};
    SendMessageA(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(back.right, 80);
    EXPECT_EQ(back.left, 0);
}

TEST_F(Controls, ButtonsClickCheckAndNotify) {
    HWND push = child("BUTTON", "&OK", BS_PUSHBUTTON, 1);
    HWND check = child("BUTTON", "Check", BS_CHECKBOX, 2);
    HWND autoCheck = child("BUTTON", "Auto", BS_AUTOCHECKBOX, 3);
    SendMessageA(push, BM_CLICK, 0, 0);
    ASSERT_EQ(count(BN_CLICKED), 1);
    EXPECT_EQ(notes.back().id, 1);

    // A plain check box only reports the click; its owner sets the state.
    click(platform::windowWidget(check));
    EXPECT_EQ(count(BN_CLICKED), 2);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    EXPECT_EQ(count(BN_CLICKED), 2);  // setting the state by code is no click

    click(platform::windowWidget(autoCheck));
    EXPECT_EQ(SendMessageA(autoCheck, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));

    // Disabled buttons ignore clicks.
    EnableWindow(push, FALSE);
    SendMessageA(push, BM_CLICK, 0, 0);
    EXPECT_EQ(count(BN_CLICKED), 3);
    char buf[16];
    GetWindowTextA(push, buf, 16);
    EXPECT_STREQ(buf, "&OK");
}

TEST_F(Controls, AutomaticRadioButtonsCheckOneOfTheGroup) {
    HWND a = child("BUTTON", "A", BS_AUTORADIOBUTTON, 1);
    HWND b = child("BUTTON", "B", BS_AUTORADIOBUTTON, 2);
    click(platform::windowWidget(a));
    click(platform::windowWidget(b));
    EXPECT_EQ(SendMessageA(a, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    EXPECT_EQ(SendMessageA(b, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
}

TEST_F(Controls, ListAndComboBoxStrings) {
    HWND list = child("LISTBOX", "", LBS_NOTIFY | LBS_SORT | LBS_HASSTRINGS, 5);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("pear"));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Apple"));
    EXPECT_EQ(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("fig")), 1);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("PEAR")), 2);
    EXPECT_EQ(SendMessageA(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("f")), 1);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    SendMessageA(list, LB_SETCURSEL, 2, 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(count(LBN_SELCHANGE), 0);  // selection by code sends no notification
    SendMessageA(list, LB_SETITEMDATA, 1, 77);
    EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 1, 0), 77);
    EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 9, 0), LB_ERR);

    HWND combo = child("COMBOBOX", "", CBS_DROPDOWNLIST, 6);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    char buf[16];
    GetWindowTextA(combo, buf, 16);
    EXPECT_STREQ(buf, "two");
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "one");
    EXPECT_EQ(count(CBN_SELCHANGE), 0);
}

TEST_F(Controls, UpDownAsksItsParentAndReportsThePosition) {
    HWND ud = CreateWindowExA(0, "msctls_updown32", "", WS_CHILD | WS_VISIBLE, 10, 10, 16, 24, parent,
                              reinterpret_cast<HMENU>(9), nullptr, nullptr);
    ASSERT_TRUE(ud);
    SendMessageA(ud, UDM_SETRANGE32, static_cast<WPARAM>(-1), 1);
    SendMessageA(ud, UDM_SETPOS32, 0, 0);
    QWidget* w = platform::windowWidget(ud);
    auto buttons = w->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 2);
    QToolButton* up = buttons[0]->arrowType() == Qt::UpArrow ? buttons[0] : buttons[1];
    QToolButton* down = up == buttons[0] ? buttons[1] : buttons[0];
    up->click();
    ASSERT_EQ(deltas.size(), 1u);
    EXPECT_EQ(deltas[0], 1);
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes[0].msg, static_cast<UINT>(WM_VSCROLL));
    EXPECT_EQ(notes[0].code, SB_THUMBPOSITION);
    EXPECT_EQ(static_cast<SHORT>(notes[0].id), 1);
    EXPECT_EQ(notes[1].code, SB_ENDSCROLL);
    up->click();  // already at the maximum
    EXPECT_EQ(SendMessageA(ud, UDM_GETPOS32, 0, 0), 1);
    notes.clear();
    cancelDelta = 1;  // the parent refuses the step
    down->click();
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(SendMessageA(ud, UDM_GETPOS32, 0, 0), 1);
}
