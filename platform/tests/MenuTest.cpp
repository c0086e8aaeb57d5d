// Menu handles: the item calls in both text forms, and menus shown through Qt and driven by
// real mouse and key events, with what their owner window hears.
#include "platform/gdi.h"
#include "platform/winerror.h"
#include "platform/winuser.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Heard {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Heard> heard;
// What the owner answers for owner-drawn items.
UINT measuredWidth = 120, measuredHeight = 30;
COLORREF normalFill = RGB(200, 0, 0), selectedFill = RGB(0, 0, 200);
std::vector<UINT> drawnStates;

LRESULT ownerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_COMMAND:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP: heard.push_back({m, w, l}); return 0;
    case WM_MEASUREITEM: {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
        if (mi->CtlType != ODT_MENU) break;
        heard.push_back({m, w, static_cast<LPARAM>(mi->itemID)});
        mi->itemWidth = measuredWidth;
        mi->itemHeight = measuredHeight;
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(l);
        if (d->CtlType != ODT_MENU) break;
        heard.push_back({m, w, static_cast<LPARAM>(d->itemID)});
        drawnStates.push_back(d->itemState);
        HBRUSH b = CreateSolidBrush((d->itemState & ODS_SELECTED) ? selectedFill : normalFill);
        FillRect(d->hDC, &d->rcItem, b);
        DeleteObject(b);
        return TRUE;
    }
    default: break;
    }
    return DefWindowProcW(h, m, w, l);
}

int count(UINT msg) {
    int n = 0;
    for (const Heard& x : heard) n += x.msg == msg;
    return n;
}

const Heard* last(UINT msg) {
    for (auto it = heard.rbegin(); it != heard.rend(); ++it)
        if (it->msg == msg) return &*it;
    return nullptr;
}

QAction* actionNamed(QWidget* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text().startsWith(text)) return a;
    return nullptr;
}

// Runs `step` once the pop-up menu that the next call opens is on screen.
void whenOpen(std::function<void(QMenu*)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        step(menu);
    });
}

void hover(QMenu* menu, QAction* a) {
    QTest::mouseMove(menu, menu->actionGeometry(a).center());
    QApplication::processEvents();
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = ownerProc;
            wc.lpszClassName = u"MenuOwner";
            RegisterClassExW(&wc);
            registered = true;
        }
        owner = CreateWindowExW(0, u"MenuOwner", u"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                nullptr, nullptr);
        ShowWindow(owner, SW_SHOW);
        heard.clear();
        drawnStates.clear();
    }
    void TearDown() override { DestroyWindow(owner); }
    HWND owner = nullptr;
};

}  // namespace

TEST_F(Menus, ItemsInBothTextFormsByPositionAndCommand) {
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    ASSERT_TRUE(IsMenu(menu));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 10, "&Open\tCtrl+O"));
    EXPECT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"\u00dcber"));
    EXPECT_TRUE(AppendMenuA(sub, MF_STRING | MF_CHECKED, 20, "Deep"));
    EXPECT_TRUE(InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING | MF_GRAYED, 5, u"First"));
    EXPECT_TRUE(InsertMenuA(menu, 10, MF_BYCOMMAND | MF_STRING, 7, "Before open"));
    EXPECT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_EQ(GetMenuItemID(menu, 0), 5u);
    EXPECT_EQ(GetMenuItemID(menu, 1), 7u);
    EXPECT_EQ(GetMenuItemID(menu, 4), static_cast<UINT>(-1));  // a sub-menu
    EXPECT_EQ(GetSubMenu(menu, 4), sub);

    // Texts through both forms, cut to the buffer, with the length of what was copied.
    char a[64];
    EXPECT_EQ(GetMenuStringA(menu, 4, a, sizeof a, MF_BYPOSITION), 5);  // bytes of UTF-8
    EXPECT_STREQ(a, "\xc3\x9c" "ber");
    char16_t w[4];
    EXPECT_EQ(GetMenuStringW(menu, 10, reinterpret_cast<LPWSTR>(w), 4, MF_BYCOMMAND), 3);
    EXPECT_EQ(std::u16string(w), u"&Op");
    EXPECT_EQ(GetMenuStringW(menu, 10, nullptr, 0, MF_BYCOMMAND), 12);

    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    EXPECT_TRUE(GetMenuItemInfoW(menu, 10, FALSE, &info));
    EXPECT_EQ(info.cch, 12u);  // no buffer: the length
    char16_t buf[6];
    info.dwTypeData = reinterpret_cast<LPWSTR>(buf);
    info.cch = 6;
    EXPECT_TRUE(GetMenuItemInfoW(menu, 10, FALSE, &info));
    EXPECT_EQ(std::u16string(buf), u"&Open");
    EXPECT_EQ(info.cch, 5u);

    // Commands are found in sub-menus too; states come back with the old value.
    MENUITEMINFOA ia{};
    ia.cbSize = sizeof ia;
    ia.fMask = MIIM_STATE | MIIM_ID | MIIM_FTYPE;
    EXPECT_TRUE(GetMenuItemInfoA(menu, 20, FALSE, &ia));
    EXPECT_EQ(ia.fState & MFS_CHECKED, MFS_CHECKED);
    EXPECT_EQ(ia.wID, 20u);
    EXPECT_EQ(CheckMenuItem(menu, 20, MF_BYCOMMAND | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(sub, 20, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(EnableMenuItem(menu, 5, MF_BYCOMMAND | MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(menu, 999, MF_BYCOMMAND | MF_GRAYED), -1);
    EXPECT_EQ(GetMenuState(menu, 4, MF_BYPOSITION), (1u << 8) | MF_POPUP);  // one item below

    // SetMenuItemInfo in the 8-bit form changes the text; a record of a wrong size is refused.
    ia.fMask = MIIM_STRING;
    ia.dwTypeData = const_cast<LPSTR>("Opened");
    EXPECT_TRUE(SetMenuItemInfoA(menu, 10, FALSE, &ia));
    EXPECT_EQ(GetMenuStringA(menu, 10, a, sizeof a, MF_BYCOMMAND), 6);
    ia.cbSize = 12;
    SetLastError(0);
    EXPECT_FALSE(SetMenuItemInfoA(menu, 10, FALSE, &ia));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(GetMenuItemInfoA(menu, 12345, FALSE, &ia));

    // Radio checks within a range, default items, ModifyMenu.
    EXPECT_TRUE(CheckMenuRadioItem(menu, 0, 2, 1, MF_BYPOSITION));
    EXPECT_NE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_TRUE(SetMenuDefaultItem(menu, 10, FALSE));
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), 10u);
    EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), 2u);
    EXPECT_TRUE(ModifyMenuW(menu, 0, MF_BYPOSITION | MF_STRING, 6, u"Changed"));
    EXPECT_EQ(GetMenuItemID(menu, 0), 6u);

    // DeleteMenu destroys a sub-menu, RemoveMenu leaves it to the caller.
    HMENU kept = CreatePopupMenu();
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(kept), u"Kept");
    EXPECT_TRUE(RemoveMenu(menu, 5, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(kept));
    EXPECT_TRUE(DeleteMenu(menu, 4, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(sub));
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
    EXPECT_TRUE(DestroyMenu(kept));
}

TEST_F(Menus, PopupTellsItsOwnerAndReturnsTheCommandChosenWithTheMouse) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 101, u"&Alpha");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 102, u"&Beta");
    AppendMenuW(menu, MF_STRING, 103, u"&Gamma");
    whenOpen([](QMenu* qm) {
        QAction* beta = actionNamed(qm, "&Beta");
        QAction* gamma = actionNamed(qm, "&Gamma");
        ASSERT_TRUE(beta && gamma);
        EXPECT_FALSE(beta->isEnabled());
        hover(qm, gamma);
        const Heard* sel = last(WM_MENUSELECT);
        ASSERT_NE(sel, nullptr);
        EXPECT_EQ(LOWORD(sel->wParam), 103);
        EXPECT_EQ(HIWORD(sel->wParam) & MF_POPUP, 0);
        QTest::mouseClick(qm, Qt::LeftButton, {}, qm->actionGeometry(gamma).center());
    });
    const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 40, 40, 0, owner, nullptr);
    EXPECT_EQ(chosen, 103);
    EXPECT_EQ(count(WM_COMMAND), 0);  // TPM_RETURNCMD: no WM_COMMAND
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard[0].msg, static_cast<UINT>(WM_ENTERMENULOOP));
    EXPECT_EQ(heard[1].msg, static_cast<UINT>(WM_INITMENUPOPUP));
    EXPECT_EQ(reinterpret_cast<HMENU>(heard[1].wParam), menu);
    // Closing: WM_MENUSELECT with 0xFFFF and no menu, then the end of the loop.
    const Heard* closed = last(WM_MENUSELECT);
    EXPECT_EQ(HIWORD(closed->wParam), 0xFFFF);
    EXPECT_EQ(closed->lParam, 0);
    EXPECT_EQ(heard.back().msg, static_cast<UINT>(WM_EXITMENULOOP));

    // Without TPM_RETURNCMD the owner gets WM_COMMAND; Escape chooses nothing.
    heard.clear();
    whenOpen([](QMenu* qm) { QTest::mouseClick(qm, Qt::LeftButton, {}, qm->actionGeometry(actionNamed(qm, "&Alpha")).center()); });
    EXPECT_TRUE(TrackPopupMenu(menu, 0, 40, 40, 0, owner, nullptr));
    ASSERT_NE(last(WM_COMMAND), nullptr);
    EXPECT_EQ(LOWORD(last(WM_COMMAND)->wParam), 101);
    heard.clear();
    whenOpen([](QMenu* qm) { QTest::keyClick(qm, Qt::Key_Escape); });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 40, 40, 0, owner, nullptr), 0);
    EXPECT_EQ(count(WM_COMMAND), 0);
    DestroyMenu(menu);
}

TEST_F(Menus, SubMenusAreFilledWhenTheyOpenAndSelectedByPosition) {
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, u"Top");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"More");
    AppendMenuW(sub, MF_STRING, 2, u"Inner");
    bool innerSeen = false;
    whenOpen([&](QMenu* qm) {
        QAction* more = actionNamed(qm, "More");
        ASSERT_NE(more, nullptr);
        hover(qm, more);
        const Heard* sel = last(WM_MENUSELECT);
        ASSERT_NE(sel, nullptr);
        EXPECT_EQ(LOWORD(sel->wParam), 1);  // the position of the sub-menu
        EXPECT_NE(HIWORD(sel->wParam) & MF_POPUP, 0);
        EXPECT_EQ(reinterpret_cast<HMENU>(sel->lParam), menu);
        // The owner adds an item just before the sub-menu opens: WM_INITMENUPOPUP comes
        // first, and what it changed is shown.
        AppendMenuW(sub, MF_STRING, 3, u"Added");
        QTest::keyClick(qm, Qt::Key_Right);
        QApplication::processEvents();
        auto* inner = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(inner, nullptr);
        ASSERT_NE(inner, qm);
        const Heard* init = last(WM_INITMENUPOPUP);
        EXPECT_EQ(reinterpret_cast<HMENU>(init->wParam), sub);
        EXPECT_EQ(LOWORD(init->lParam), 1);
        innerSeen = actionNamed(inner, "Added") != nullptr;
        QAction* added = actionNamed(inner, "Added");
        ASSERT_NE(added, nullptr);
        QTest::mouseClick(inner, Qt::LeftButton, {}, inner->actionGeometry(added).center());
    });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner, nullptr), 3);
    EXPECT_TRUE(innerSeen);
    DestroyMenu(menu);
    EXPECT_FALSE(IsMenu(sub));
}

TEST_F(Menus, OwnerDrawnItemsAreMeasuredAndPaintedThroughTheirOwner) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_OWNERDRAW, 51, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(0x1234)));
    AppendMenuW(menu, MF_STRING, 52, u"Plain");
    QImage before, after;
    QSize itemSize;
    whenOpen([&](QMenu* qm) {
        QWidget* face = qm->findChild<QWidget*>(QStringLiteral("ownerDrawnMenuItem"));
        ASSERT_NE(face, nullptr);
        itemSize = face->size();
        before = face->grab().toImage();
        // The pointer on the item: it is drawn selected.
        QTest::mouseMove(face, face->rect().center());
        QApplication::processEvents();
        after = face->grab().toImage();
        const Heard* sel = last(WM_MENUSELECT);
        ASSERT_NE(sel, nullptr);
        EXPECT_EQ(LOWORD(sel->wParam), 51);
        EXPECT_NE(HIWORD(sel->wParam) & MF_OWNERDRAW, 0);
        QTest::mouseClick(face, Qt::LeftButton, {}, face->rect().center());
    });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 30, 30, 0, owner, nullptr), 51);
    EXPECT_EQ(itemSize, QSize(120, 30));
    ASSERT_FALSE(before.isNull());
    ASSERT_FALSE(after.isNull());
    EXPECT_EQ(QColor(before.pixel(60, 15)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(after.pixel(60, 15)), QColor(0, 0, 200));
    EXPECT_GE(count(WM_MEASUREITEM), 1);
    bool sawSelected = false;
    for (UINT s : drawnStates) sawSelected = sawSelected || (s & ODS_SELECTED);
    EXPECT_TRUE(sawSelected);
    DestroyMenu(menu);
}

TEST_F(Menus, MenuBarTakesItsHeightFromTheClientAreaAndSendsCommands) {
    RECT before{};
    GetClientRect(owner, &before);
    HWND kid = CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 5, 6, 40, 20, owner, nullptr, nullptr, nullptr);
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 201, u"&New");
    AppendMenuW(file, MF_STRING, 202, u"&Quit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), u"&File");
    AppendMenuW(bar, MF_STRING, 203, u"&Help");
    ASSERT_TRUE(SetMenu(owner, bar));
    EXPECT_EQ(GetMenu(owner), bar);
    RECT after{};
    GetClientRect(owner, &after);
    auto* qbar = platform::windowWidget(owner)->findChild<QMenuBar*>();
    ASSERT_NE(qbar, nullptr);
    EXPECT_GT(qbar->height(), 0);
    EXPECT_EQ(after.bottom, before.bottom - qbar->height());
    // Children keep their client positions below the bar.
    RECT kr{};
    GetWindowRect(kid, &kr);
    POINT origin{0, 0};
    ClientToScreen(owner, &origin);
    EXPECT_EQ(kr.left - origin.x, 5);
    EXPECT_EQ(kr.top - origin.y, 6);

    // A click on a command of the bar itself.
    QAction* help = actionNamed(qbar, "&Help");
    ASSERT_NE(help, nullptr);
    QTest::mouseClick(qbar, Qt::LeftButton, {}, qbar->actionGeometry(help).center());
    ASSERT_NE(last(WM_COMMAND), nullptr);
    EXPECT_EQ(LOWORD(last(WM_COMMAND)->wParam), 203);

    // Open "File", pick "Quit": WM_INITMENU, WM_INITMENUPOPUP, the hover, then WM_COMMAND.
    heard.clear();
    QAction* fileAction = actionNamed(qbar, "&File");
    ASSERT_NE(fileAction, nullptr);
    QTest::mouseClick(qbar, Qt::LeftButton, {}, qbar->actionGeometry(fileAction).center());
    QApplication::processEvents();
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(count(WM_INITMENU), 1);
    ASSERT_NE(last(WM_INITMENUPOPUP), nullptr);
    EXPECT_EQ(reinterpret_cast<HMENU>(last(WM_INITMENUPOPUP)->wParam), file);
    QAction* quit = actionNamed(open, "&Quit");
    ASSERT_NE(quit, nullptr);
    hover(open, quit);
    ASSERT_NE(last(WM_MENUSELECT), nullptr);
    EXPECT_EQ(LOWORD(last(WM_MENUSELECT)->wParam), 202);
    QTest::mouseClick(open, Qt::LeftButton, {}, open->actionGeometry(quit).center());
    for (int i = 0; i < 5 && !last(WM_COMMAND); ++i) QApplication::processEvents();
    ASSERT_NE(last(WM_COMMAND), nullptr);
    EXPECT_EQ(LOWORD(last(WM_COMMAND)->wParam), 202);
    EXPECT_EQ(HIWORD(last(WM_MENUSELECT)->wParam), 0xFFFF);

    // Changes show after DrawMenuBar; removing the bar gives the height back.
    ModifyMenuW(bar, 203, MF_BYCOMMAND | MF_STRING, 203, u"&About");
    DrawMenuBar(owner);
    EXPECT_NE(actionNamed(qbar, "&About"), nullptr);
    SetMenu(owner, nullptr);
    GetClientRect(owner, &after);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_TRUE(IsMenu(bar));
    DestroyMenu(bar);
}

TEST_F(Menus, AWindowsMenuGoesWithTheWindow) {
    HWND other = CreateWindowExW(0, u"MenuOwner", u"Other", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    HMENU bar = CreateMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"&Edit");
    SetMenu(other, bar);
    DestroyWindow(other);
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_FALSE(IsMenu(sub));
}
