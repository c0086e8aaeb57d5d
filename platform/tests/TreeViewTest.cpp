// The tree view and the tool bar driven by real Qt mouse and key events: children filled on
// demand, selection notifications, label editing in a subclassed edit window, dragging,
// sorting, hit tests, custom drawing, both notification forms, and tool-bar buttons.
#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/winicon.h"
#include "platform/winuser.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A parent window that records notifications and answers the tree's questions.
struct Host {
    static inline std::vector<UINT> codes;
    static inline std::vector<UINT> actions;
    static inline std::vector<HTREEITEM> items;  // itemNew of each tree notification
    static inline std::vector<std::u16string> edited;  // texts of TVN_ENDLABELEDIT ("<null>" when cancelled)
    static inline std::vector<WPARAM> commands;
    static inline int fills = 0;
    static inline bool refuseSelection = false;
    static inline bool acceptEdits = true;
    static inline LRESULT dropDownAnswer = TBDDRET_DEFAULT;
    static inline LPARAM redParam = -1;  // the item drawn in red by custom draw
    static inline HWND tree = nullptr;
    static inline HWND editAtBegin = nullptr;  // TVM_GETEDITCONTROL while TVN_BEGINLABELEDIT is asked

    static LRESULT proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool unicode) {
        if (msg == WM_COMMAND) {
            commands.push_back(wParam);
            return 0;
        }
        if (msg != WM_NOTIFY) return unicode ? DefWindowProcW(wnd, msg, wParam, lParam) : DefWindowProcA(wnd, msg, wParam, lParam);
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        if (h->code == NM_CUSTOMDRAW && h->hwndFrom == tree) {
            auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(lParam);
            if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && cd->nmcd.lItemlParam == redParam) cd->clrText = RGB(255, 0, 0);
            return CDRF_DODEFAULT;
        }
        if (h->code == NM_CUSTOMDRAW) return CDRF_DODEFAULT;
        codes.push_back(h->code);
        switch (h->code) {
        case TVN_GETDISPINFOW: {
            auto* d = reinterpret_cast<NMTVDISPINFOW*>(lParam);
            if (d->item.mask & TVIF_CHILDREN) d->item.cChildren = 1;
            if (d->item.mask & TVIF_TEXT) {
                const std::u16string t = u"Callback " + std::u16string(1, static_cast<char16_t>(u'0' + d->item.lParam));
                std::copy(t.begin(), t.end(), reinterpret_cast<char16_t*>(d->item.pszText));
                d->item.pszText[t.size()] = 0;
            }
            return 0;
        }
        case TVN_GETDISPINFOA: {
            auto* d = reinterpret_cast<NMTVDISPINFOA*>(lParam);
            if (d->item.mask & TVIF_CHILDREN) d->item.cChildren = 1;
            if (d->item.mask & TVIF_TEXT) std::strcpy(d->item.pszText, "Narrow callback");
            return 0;
        }
        case TVN_ITEMEXPANDINGW:
        case TVN_ITEMEXPANDINGA: {
            auto* n = reinterpret_cast<NMTREEVIEWW*>(lParam);
            actions.push_back(n->action);
            items.push_back(n->itemNew.hItem);
            // Children on demand: filled the first time the item opens.
            if (n->action == TVE_EXPAND &&
                !SendMessageW(h->hwndFrom, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(n->itemNew.hItem))) {
                ++fills;
                for (int k = 0; k < 3; ++k) {
                    TVINSERTSTRUCTW ins{};
                    ins.hParent = n->itemNew.hItem;
                    ins.hInsertAfter = TVI_LAST;
                    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
                    std::u16string t = u"Child " + std::u16string(1, static_cast<char16_t>(u'A' + k));
                    ins.item.pszText = reinterpret_cast<LPWSTR>(t.data());
                    ins.item.lParam = 100 + k;
                    SendMessageW(h->hwndFrom, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins));
                }
            }
            return 0;
        }
        case TVN_SELCHANGINGW:
        case TVN_SELCHANGINGA:
        case TVN_SELCHANGEDW:
        case TVN_SELCHANGEDA:
        case TVN_ITEMEXPANDEDW:
        case TVN_BEGINDRAGW:
        case TVN_DELETEITEMW: {
            auto* n = reinterpret_cast<NMTREEVIEWW*>(lParam);
            actions.push_back(n->action);
            items.push_back(h->code == TVN_DELETEITEMW ? n->itemOld.hItem : n->itemNew.hItem);
            if ((h->code == TVN_SELCHANGINGW || h->code == TVN_SELCHANGINGA) && refuseSelection) return 1;
            return 0;
        }
        case TVN_ENDLABELEDITW: {
            auto* d = reinterpret_cast<NMTVDISPINFOW*>(lParam);
            edited.push_back(d->item.pszText ? std::u16string(reinterpret_cast<const char16_t*>(d->item.pszText)) : u"<null>");
            return acceptEdits ? TRUE : FALSE;
        }
        case TVN_BEGINLABELEDITW:
        case TVN_BEGINLABELEDITA:
            editAtBegin = reinterpret_cast<HWND>(SendMessageW(h->hwndFrom, TVM_GETEDITCONTROL, 0, 0));
            return 0;
        case TBN_DROPDOWN: return dropDownAnswer;
        default: return 0;
        }
    }
    static LRESULT wideProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return proc(w, m, wp, lp, true); }
    static LRESULT ansiProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return proc(w, m, wp, lp, false); }

    static HWND create(bool unicode) {
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASSEXW w{};
            w.cbSize = sizeof w;
            w.lpfnWndProc = &wideProc;
            w.lpszClassName = u"TreeHostW";
            RegisterClassExW(&w);
            WNDCLASSEXA a{};
            a.cbSize = sizeof a;
            a.lpfnWndProc = &ansiProc;
            a.lpszClassName = "TreeHostA";
            RegisterClassExA(&a);
        }
        HWND h = unicode ? CreateWindowExW(0, u"TreeHostW", u"Host", WS_OVERLAPPEDWINDOW, 40, 40, 320, 300, nullptr,
                                           nullptr, nullptr, nullptr)
                         : CreateWindowExA(0, "TreeHostA", "Host", WS_OVERLAPPEDWINDOW, 40, 40, 320, 300, nullptr,
                                           nullptr, nullptr, nullptr);
        return h;
    }
    static int count(UINT code) { return static_cast<int>(std::count(codes.begin(), codes.end(), code)); }
    static void reset() {
        codes.clear();
        actions.clear();
        items.clear();
        edited.clear();
        commands.clear();
        fills = 0;
        refuseSelection = false;
        acceptEdits = true;
        dropDownAnswer = TBDDRET_DEFAULT;
        redParam = -1;
    }
};

class TreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Host::reset();
        InitCommonControls();
        platform::setManualTimers(true);
    }
    void TearDown() override {
        if (host) DestroyWindow(host);
        Host::tree = nullptr;
        platform::setManualTimers(false);
    }
    HWND makeTree(DWORD style, bool unicode = true) {
        host = Host::create(unicode);
        tree = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 260, host,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
        Host::tree = tree;
        ShowWindow(host, SW_SHOW);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(host)));
        return tree;
    }
    HTREEITEM add(HTREEITEM parent, const std::u16string& text, LPARAM param = 0, int children = 0, int image = 0) {
        TVINSERTSTRUCTW ins{};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        std::u16string t = text;
        ins.item.pszText = reinterpret_cast<LPWSTR>(t.data());
        ins.item.lParam = param;
        ins.item.cChildren = children;
        ins.item.iImage = image;
        ins.item.iSelectedImage = image;
        return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    }
    QWidget* viewport() const {
        return static_cast<QAbstractScrollArea*>(platform::windowWidget(tree))->viewport();
    }
    QWidget* widget() const { return platform::windowWidget(tree); }
    RECT rectOf(HTREEITEM item, bool label = true) const {
        RECT r{};
        std::memcpy(&r, &item, sizeof item);
        EXPECT_TRUE(SendMessageW(tree, TVM_GETITEMRECT, label ? TRUE : FALSE, reinterpret_cast<LPARAM>(&r)));
        return r;
    }
    QPoint labelPoint(HTREEITEM item) const {
        const RECT r = rectOf(item);
        return QPoint(r.left + 5, (r.top + r.bottom) / 2);
    }
    // The point on the item's expand button, found by hit tests along its row.
    QPoint buttonPoint(HTREEITEM item) const {
        const RECT r = rectOf(item);
        for (int x = 0; x < r.left; ++x) {
            TVHITTESTINFO h{POINT{x, (r.top + r.bottom) / 2}, 0, nullptr};
            SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h));
            if (h.hItem == item && (h.flags & TVHT_ONITEMBUTTON)) return QPoint(x + 2, h.pt.y);
        }
        ADD_FAILURE() << "no button";
        return {};
    }
    HTREEITEM next(WPARAM how, HTREEITEM item = nullptr) const {
        return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
    }
    std::u16string textOf(HTREEITEM item) const {
        char16_t buf[128] = {};
        TVITEMW t{};
        t.mask = TVIF_TEXT | TVIF_HANDLE;
        t.hItem = item;
        t.pszText = reinterpret_cast<LPWSTR>(buf);
        t.cchTextMax = 128;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&t));
        return std::u16string(buf);
    }
    bool isExpanded(HTREEITEM item) const {
        return (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    }
    void key(Qt::Key k) { QTest::keyClick(widget(), k); }

    HWND host = nullptr;
    HWND tree = nullptr;
};

TEST_F(TreeViewTest, ChildrenAreFilledOnDemandByTheExpanderAndByKeys) {
    makeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT);
    HTREEITEM a = add(TVI_ROOT, u"Alpha", 1, I_CHILDRENCALLBACK);
    HTREEITEM b = add(TVI_ROOT, u"Beta", 2, I_CHILDRENCALLBACK);
    EXPECT_EQ(next(TVGN_CHILD, a), nullptr);

    // A click on the expander asks for the children and opens the item.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, buttonPoint(a));
    EXPECT_EQ(Host::fills, 1);
    EXPECT_TRUE(isExpanded(a));
    HTREEITEM first = next(TVGN_CHILD, a);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(textOf(first), u"Child A");
    EXPECT_EQ(Host::count(TVN_ITEMEXPANDINGW), 1);
    EXPECT_EQ(Host::count(TVN_ITEMEXPANDEDW), 1);
    EXPECT_EQ(Host::count(TVN_SELCHANGEDW), 0);  // the expander does not select
    // A second click closes it without filling again.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, buttonPoint(a));
    EXPECT_FALSE(isExpanded(a));
    EXPECT_EQ(Host::fills, 1);
    EXPECT_EQ(Host::actions.back(), TVE_COLLAPSE);

    // Keys: Right opens, Right again goes to the first child, Left to the parent, Left closes.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, labelPoint(b));
    ASSERT_EQ(next(TVGN_CARET), b);
    key(Qt::Key_Right);
    EXPECT_TRUE(isExpanded(b));
    EXPECT_EQ(Host::fills, 2);
    key(Qt::Key_Right);
    EXPECT_EQ(textOf(next(TVGN_CARET)), u"Child A");
    EXPECT_EQ(next(TVGN_PARENT, next(TVGN_CARET)), b);
    key(Qt::Key_Left);
    EXPECT_EQ(next(TVGN_CARET), b);
    key(Qt::Key_Left);
    EXPECT_FALSE(isExpanded(b));
    key(Qt::Key_Plus);
    EXPECT_TRUE(isExpanded(b));
    key(Qt::Key_Minus);
    EXPECT_FALSE(isExpanded(b));
    EXPECT_EQ(Host::fills, 2);
    // A refused expansion leaves the item closed.
    TVITEMW t{};
    t.mask = TVIF_CHILDREN | TVIF_HANDLE;
    t.hItem = a;
    t.cChildren = 0;
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(next(TVGN_CHILD, a)));
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&t));
    EXPECT_EQ(SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(a)), TRUE);
    EXPECT_EQ(next(TVGN_CHILD, a), nullptr);
    EXPECT_FALSE(SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a)));
}

TEST_F(TreeViewTest, SelectionChangesAreNotifiedAndCanBeRefused) {
    makeTree(TVS_HASBUTTONS | TVS_LINESATROOT);
    HTREEITEM a = add(TVI_ROOT, u"One", 1);
    HTREEITEM b = add(TVI_ROOT, u"Two", 2);
    HTREEITEM c = add(TVI_ROOT, u"Three", 3);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, labelPoint(b));
    ASSERT_EQ(Host::count(TVN_SELCHANGINGW), 1);
    ASSERT_EQ(Host::count(TVN_SELCHANGEDW), 1);
    EXPECT_LT(std::find(Host::codes.begin(), Host::codes.end(), TVN_SELCHANGINGW),
              std::find(Host::codes.begin(), Host::codes.end(), TVN_SELCHANGEDW));
    EXPECT_EQ(Host::actions.back(), TVC_BYMOUSE);
    EXPECT_EQ(Host::items.back(), b);
    EXPECT_EQ(next(TVGN_CARET), b);
    EXPECT_EQ(GetFocus(), tree);
    EXPECT_EQ(Host::count(NM_CLICK), 1);

    key(Qt::Key_Down);
    EXPECT_EQ(next(TVGN_CARET), c);
    EXPECT_EQ(Host::actions.back(), TVC_BYKEYBOARD);
    key(Qt::Key_Home);
    EXPECT_EQ(next(TVGN_CARET), a);

    Host::refuseSelection = true;
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, labelPoint(c));
    EXPECT_EQ(next(TVGN_CARET), a);
    EXPECT_EQ(Host::count(TVN_SELCHANGEDW), 3);
    Host::refuseSelection = false;

    // Deleting the selected item selects its next sibling; the deletion is told.
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b));
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(b));
    EXPECT_EQ(next(TVGN_CARET), c);
    EXPECT_EQ(Host::count(TVN_DELETEITEMW), 1);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 2);
    // A stale handle is refused.
    EXPECT_FALSE(SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b)));
    EXPECT_EQ(Host::count(NM_RETURN), 0);
    key(Qt::Key_Return);
    EXPECT_EQ(Host::count(NM_RETURN), 1);
}

// An edit procedure put on the label editor by the program: it counts characters.
WNDPROC previousEditProc = nullptr;
int editChars = 0;
LRESULT countingEditProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR) ++editChars;
    return CallWindowProcW(previousEditProc, wnd, msg, wParam, lParam);
}

TEST_F(TreeViewTest, LabelEditStartsByClickOnTheSelectedItemAndEndsByEnterOrEscape) {
    makeTree(TVS_EDITLABELS | TVS_HASBUTTONS | TVS_LINESATROOT);
    HTREEITEM a = add(TVI_ROOT, u"Folder", 1);
    add(TVI_ROOT, u"Other", 2);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, labelPoint(a));
    platform::advanceTime(GetDoubleClickTime() + 10);
    EXPECT_EQ(SendMessageW(tree, TVM_GETEDITCONTROL, 0, 0), 0);  // the first click only selects

    QTest::mouseClick(viewport(), Qt::LeftButton, {}, labelPoint(a));
    platform::advanceTime(GetDoubleClickTime() + 10);
    auto edit = reinterpret_cast<HWND>(SendMessageW(tree, TVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Host::count(TVN_BEGINLABELEDITW), 1);
    EXPECT_EQ(Host::editAtBegin, edit);  // the parent can take the edit window over while asked
    EXPECT_EQ(GetFocus(), edit);
    previousEditProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countingEditProc)));
    editChars = 0;
    QWidget* editWidget = platform::windowWidget(edit);
    QTest::keyClicks(editWidget, "Pictures");
    EXPECT_EQ(editChars, 8);
    QTest::keyClick(editWidget, Qt::Key_Return);
    EXPECT_EQ(SendMessageW(tree, TVM_GETEDITCONTROL, 0, 0), 0);
    EXPECT_FALSE(IsWindow(edit));
    ASSERT_EQ(Host::edited.size(), 1u);
    EXPECT_EQ(Host::edited[0], u"Pictures");
    EXPECT_EQ(textOf(a), u"Pictures");
    EXPECT_EQ(GetFocus(), tree);

    // Escape cancels: the parent gets no text and the item keeps its own.
    edit = reinterpret_cast<HWND>(SendMessageW(tree, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(a)));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(platform::windowWidget(edit), "Gone");
    QTest::keyClick(platform::windowWidget(edit), Qt::Key_Escape);
    ASSERT_EQ(Host::edited.size(), 2u);
    EXPECT_EQ(Host::edited[1], u"<null>");
    EXPECT_EQ(textOf(a), u"Pictures");

    // A parent that refuses the text keeps the old one; a double click never edits.
    Host::acceptEdits = false;
    edit = reinterpret_cast<HWND>(SendMessageW(tree, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(a)));
    QTest::keyClicks(platform::windowWidget(edit), "Refused");
    QTest::keyClick(platform::windowWidget(edit), Qt::Key_Return);
    EXPECT_EQ(textOf(a), u"Pictures");
    QTest::mouseDClick(viewport(), Qt::LeftButton, {}, labelPoint(a));
    platform::advanceTime(GetDoubleClickTime() + 10);
    EXPECT_EQ(SendMessageW(tree, TVM_GETEDITCONTROL, 0, 0), 0);
    EXPECT_EQ(Host::count(NM_DBLCLK), 1);
}

TEST_F(TreeViewTest, DraggingAnItemIsTold) {
    makeTree(TVS_HASBUTTONS | TVS_LINESATROOT);
    add(TVI_ROOT, u"Still", 1);
    HTREEITEM b = add(TVI_ROOT, u"Moving", 2);
    const QPoint at = labelPoint(b);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, at);
    QTest::mouseMove(viewport(), at + QPoint(20, 12));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at + QPoint(20, 12));
    ASSERT_EQ(Host::count(TVN_BEGINDRAGW), 1);
    EXPECT_EQ(Host::items.back(), b);
}

int byParamDescending(LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(b - a); }

TEST_F(TreeViewTest, SortingHitTestsAndRectangles) {
    makeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT);
    HTREEITEM p = add(TVI_ROOT, u"Parent", 0);
    add(p, u"delta", 4);
    add(p, u"Alpha", 1);
    add(p, u"charlie", 3);
    add(p, u"Bravo", 2);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(p));
    SendMessageW(tree, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(p));
    std::vector<std::u16string> order;
    for (HTREEITEM c = next(TVGN_CHILD, p); c; c = next(TVGN_NEXT, c)) order.push_back(textOf(c));
    EXPECT_EQ(order, (std::vector<std::u16string>{u"Alpha", u"Bravo", u"charlie", u"delta"}));
    TVSORTCB cb{p, &byParamDescending, 0};
    SendMessageW(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&cb));
    order.clear();
    for (HTREEITEM c = next(TVGN_CHILD, p); c; c = next(TVGN_NEXT, c)) order.push_back(textOf(c));
    EXPECT_EQ(order, (std::vector<std::u16string>{u"delta", u"charlie", u"Bravo", u"Alpha"}));

    // Children are indented one step; the hit test finds the item under each part.
    HTREEITEM firstChild = next(TVGN_CHILD, p);
    const RECT parentLabel = rectOf(p);
    const RECT childLabel = rectOf(firstChild);
    EXPECT_EQ(childLabel.left - parentLabel.left, SendMessageW(tree, TVM_GETINDENT, 0, 0));
    EXPECT_EQ(childLabel.top, parentLabel.bottom);
    TVHITTESTINFO h{POINT{childLabel.left + 3, childLabel.top + 2}, 0, nullptr};
    EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h))), firstChild);
    EXPECT_TRUE(h.flags & TVHT_ONITEMLABEL);
    h = TVHITTESTINFO{POINT{childLabel.right + 30, childLabel.top + 2}, 0, nullptr};
    SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h));
    EXPECT_EQ(h.flags, TVHT_ONITEMRIGHT);
    h = TVHITTESTINFO{POINT{5, 250}, 0, nullptr};
    EXPECT_EQ(SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h)), 0);
    EXPECT_EQ(h.flags, TVHT_NOWHERE);
    // A collapsed parent's children have no rectangle.
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(p));
    RECT r{};
    std::memcpy(&r, &firstChild, sizeof firstChild);
    EXPECT_FALSE(SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    // Visible-item walking skips the hidden children.
    EXPECT_EQ(next(TVGN_NEXTVISIBLE, p), nullptr);
}

TEST_F(TreeViewTest, SortedInsertsOfCallbackTextsAskForTheNewItemsText) {
    makeTree(TVS_HASBUTTONS | TVS_LINESATROOT);
    // The parent answers "Callback <lParam>": the new item is placed by its answer too.
    for (LPARAM param : {3, 1, 4, 2}) {
        TVINSERTSTRUCTW ins{};
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_SORT;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM;
        ins.item.pszText = LPSTR_TEXTCALLBACKW;
        ins.item.lParam = param;
        ASSERT_NE(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)), 0);
    }
    std::vector<std::u16string> order;
    for (HTREEITEM c = next(TVGN_ROOT); c; c = next(TVGN_NEXT, c)) order.push_back(textOf(c));
    EXPECT_EQ(order, (std::vector<std::u16string>{u"Callback 1", u"Callback 2", u"Callback 3", u"Callback 4"}));
}

TEST_F(TreeViewTest, NarrowParentsGetTheAnsiFormsAndCallbackTexts) {
    makeTree(TVS_HASBUTTONS | TVS_LINESATROOT, false);
    TVINSERTSTRUCTA ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    ins.item.pszText = LPSTR_TEXTCALLBACKA;
    ins.item.cChildren = 0;
    auto cb = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    std::string umlaut = "Gr\xC3\xBC\xC3\x9F" "e";
    ins.item.pszText = umlaut.data();
    auto plain = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    EXPECT_EQ(textOf(plain), u"Gr\u00FC\u00DFe");
    EXPECT_EQ(textOf(cb), u"Narrow callback");
    EXPECT_GT(Host::count(TVN_GETDISPINFOA), 0);
    EXPECT_EQ(Host::count(TVN_GETDISPINFOW), 0);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, labelPoint(plain));
    EXPECT_EQ(Host::count(TVN_SELCHANGEDA), 1);
    EXPECT_EQ(Host::count(TVN_SELCHANGEDW), 0);
    // The form can be switched.
    SendMessageW(tree, CCM_SETUNICODEFORMAT, TRUE, 0);
    key(Qt::Key_Up);
    EXPECT_EQ(Host::count(TVN_SELCHANGEDW), 1);
}

HIMAGELIST colouredIcons() {
    HIMAGELIST l = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 1);
    const QColor colours[] = {QColor(230, 180, 40), QColor(40, 120, 220), QColor(30, 160, 60)};
    for (const QColor& c : colours) {
        QImage img(16, 16, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setPen(Qt::black);
        p.setBrush(c);
        p.drawRoundedRect(1, 3, 13, 11, 2, 2);
        p.end();
        HICON icon = platform::iconFromImage(img);
        ImageList_AddIcon(l, icon);
        DestroyIcon(icon);
    }
    return l;
}

bool rowHas(const QImage& img, const RECT& r, QRgb colour) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
    return false;
}

TEST_F(TreeViewTest, IconsLinesAndCustomDrawnItemsAreVisible) {
    makeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    HIMAGELIST icons = colouredIcons();
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
    HTREEITEM docs = add(TVI_ROOT, u"Documents", 1, 0, 0);
    add(docs, u"Letters", 2, 0, 0);
    HTREEITEM pics = add(docs, u"Pictures", 3, 0, 1);
    add(pics, u"Holiday.jpg", 4, 0, 2);
    add(pics, u"Garden.png", 5, 0, 2);
    add(TVI_ROOT, u"Music", 6, 0, 0);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(docs));
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(pics));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(pics));
    // Overlay 1 on the holiday picture.
    ImageList_SetOverlayImage(icons, 1, 1);
    Host::redParam = 5;
    QApplication::processEvents();
    const QImage shot = widget()->grab().toImage();
    shot.save("/tmp/tessellon-tree.png");
    // The icon of the folder sits left of its text; the custom-drawn item is red.
    const RECT docsLabel = rectOf(docs);
    const RECT iconArea{docsLabel.left - 19, docsLabel.top, docsLabel.left - 3, docsLabel.bottom};
    EXPECT_TRUE(rowHas(shot, iconArea, qRgb(230, 180, 40)));
    HTREEITEM garden = next(TVGN_NEXT, next(TVGN_CHILD, pics));
    EXPECT_TRUE(rowHas(shot, rectOf(garden), qRgb(255, 0, 0)));
    EXPECT_FALSE(rowHas(shot, rectOf(next(TVGN_CHILD, pics)), qRgb(255, 0, 0)));
    // The selected item is highlighted.
    auto rgb = [](COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); };
    EXPECT_TRUE(rowHas(shot, rectOf(pics), rgb(GetSysColor(COLOR_HIGHLIGHT))) ||
                rowHas(shot, rectOf(pics), rgb(GetSysColor(COLOR_BTNFACE))));
    DestroyWindow(host);
    host = nullptr;
    ImageList_Destroy(icons);
}

TEST_F(TreeViewTest, CutOffTextsShowInATipAndItemsMakeDragImages) {
    makeTree(TVS_HASBUTTONS | TVS_LINESATROOT);
    HTREEITEM shortOne = add(TVI_ROOT, u"Short", 1);
    const std::u16string longText = u"A folder name far too long for this narrow tree view to show whole";
    HTREEITEM longOne = add(TVI_ROOT, longText, 2);
    auto tips = reinterpret_cast<HWND>(SendMessageW(tree, TVM_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tips, nullptr);
    auto tipOf = [&] {
        char16_t buf[200] = {};
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = tree;
        ti.uId = reinterpret_cast<UINT_PTR>(tree);
        ti.lpszText = reinterpret_cast<LPWSTR>(buf);
        SendMessageW(tips, TTM_GETTEXTW, 200, reinterpret_cast<LPARAM>(&ti));
        return std::u16string(buf);
    };
    QTest::mouseMove(viewport(), labelPoint(longOne));
    QApplication::processEvents();
    platform::advanceTime(1000);
    EXPECT_TRUE(IsWindowVisible(tips));
    EXPECT_EQ(tipOf(), longText);
    // A text that fits has no tip.
    QTest::mouseMove(viewport(), labelPoint(shortOne));
    QApplication::processEvents();
    platform::advanceTime(1000);
    EXPECT_FALSE(IsWindowVisible(tips));

    HIMAGELIST drag = reinterpret_cast<HIMAGELIST>(SendMessageW(tree, TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(shortOne)));
    ASSERT_NE(drag, nullptr);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(drag, &cx, &cy);
    const RECT label = rectOf(shortOne);
    EXPECT_EQ(cx, label.right - label.left);
    EXPECT_EQ(cy, label.bottom - label.top);
    EXPECT_EQ(ImageList_GetImageCount(drag), 1);
    ImageList_Destroy(drag);
    EXPECT_EQ(SendMessageW(tree, TVM_CREATEDRAGIMAGE, 0, 0), 0);
}

// ---- Tool bar ----------------------------------------------------------------------------

class ToolBarTest : public TreeViewTest {
protected:
    HWND makeBar(DWORD style) {
        host = Host::create(true);
        bar = CreateWindowExW(0, TOOLBARCLASSNAMEW, u"", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 30, host,
                              reinterpret_cast<HMENU>(9), nullptr, nullptr);
        SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        ShowWindow(host, SW_SHOW);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(host)));
        return bar;
    }
    QPoint centre(int index) const {
        RECT r{};
        EXPECT_TRUE(SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void click(int index, QPoint offset = {}) {
        QTest::mouseClick(platform::windowWidget(bar), Qt::LeftButton, {}, centre(index) + offset);
    }
    bool checked(int command) const { return SendMessageW(bar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(command), 0) == TRUE; }
    HWND bar = nullptr;
};

TEST_F(ToolBarTest, ClicksChecksGroupsAndDropDowns) {
    makeBar(TBSTYLE_FLAT | CCS_NORESIZE | CCS_NODIVIDER);
    SendMessageW(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    HIMAGELIST icons = colouredIcons();
    SendMessageW(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(icons));
    TBBUTTON b[7] = {};
    const BYTE styles[] = {BTNS_BUTTON, BTNS_CHECK, BTNS_SEP, BTNS_CHECKGROUP, BTNS_CHECKGROUP, BTNS_DROPDOWN, BTNS_BUTTON};
    for (int i = 0; i < 7; ++i) {
        b[i].iBitmap = i % 3;
        b[i].idCommand = 100 + i;
        b[i].fsState = TBSTATE_ENABLED;
        b[i].fsStyle = styles[i];
        b[i].iString = -1;
    }
    b[6].fsState = 0;  // disabled
    b[3].fsState |= TBSTATE_CHECKED;
    ASSERT_TRUE(SendMessageW(bar, TB_ADDBUTTONSW, 7, reinterpret_cast<LPARAM>(b)));
    EXPECT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 7);

    click(0);
    ASSERT_EQ(Host::commands.size(), 1u);
    EXPECT_EQ(LOWORD(Host::commands[0]), 100);
    EXPECT_EQ(HIWORD(Host::commands[0]), BN_CLICKED);

    click(1);
    EXPECT_TRUE(checked(101));
    click(1);
    EXPECT_FALSE(checked(101));

    // Grouped check buttons: one is down; clicking the down one keeps it down.
    click(4);
    EXPECT_TRUE(checked(104));
    EXPECT_FALSE(checked(103));
    click(4);
    EXPECT_TRUE(checked(104));
    click(3);
    EXPECT_TRUE(checked(103));
    EXPECT_FALSE(checked(104));
    EXPECT_EQ(Host::commands.size(), 6u);

    // The drop-down arrow asks the parent; the face is an ordinary button.
    RECT dd{};
    SendMessageW(bar, TB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&dd));
    QTest::mouseClick(platform::windowWidget(bar), Qt::LeftButton, {}, QPoint(dd.right - 4, (dd.top + dd.bottom) / 2));
    EXPECT_EQ(Host::count(TBN_DROPDOWN), 1);
    EXPECT_EQ(Host::commands.size(), 6u);
    QTest::mouseClick(platform::windowWidget(bar), Qt::LeftButton, {}, QPoint(dd.left + 4, (dd.top + dd.bottom) / 2));
    EXPECT_EQ(Host::count(TBN_DROPDOWN), 1);
    ASSERT_EQ(Host::commands.size(), 7u);
    EXPECT_EQ(LOWORD(Host::commands.back()), 105);
    Host::dropDownAnswer = TBDDRET_TREATPRESSED;
    QTest::mouseClick(platform::windowWidget(bar), Qt::LeftButton, {}, QPoint(dd.right - 4, (dd.top + dd.bottom) / 2));
    EXPECT_EQ(Host::count(TBN_DROPDOWN), 2);
    EXPECT_EQ(Host::commands.size(), 8u);

    // A disabled button and a separator send nothing; a press dragged off is no click.
    click(6);
    click(2);
    QTest::mousePress(platform::windowWidget(bar), Qt::LeftButton, {}, centre(0));
    QTest::mouseMove(platform::windowWidget(bar), QPoint(centre(0).x(), 29));
    QTest::mouseRelease(platform::windowWidget(bar), Qt::LeftButton, {}, QPoint(290, 29));
    EXPECT_EQ(Host::commands.size(), 8u);
    SendMessageW(bar, TB_ENABLEBUTTON, 106, TRUE);
    click(6);
    EXPECT_EQ(Host::commands.size(), 9u);

    // Separators are narrower; hidden buttons take no room.
    RECT sep{}, first{};
    SendMessageW(bar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&sep));
    SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    EXPECT_LT(sep.right - sep.left, first.right - first.left);
    const QPoint before = centre(3);
    SendMessageW(bar, TB_HIDEBUTTON, 101, TRUE);
    EXPECT_EQ(centre(3).x(), before.x() - (first.right - first.left));
    SendMessageW(bar, TB_HIDEBUTTON, 101, FALSE);

    const QImage shot = platform::windowWidget(bar)->grab().toImage();
    shot.save("/tmp/tessellon-toolbar.png");
    EXPECT_TRUE(rowHas(shot, RECT{first.left, first.top, first.right, first.bottom}, qRgb(230, 180, 40)));
    DestroyWindow(host);
    host = nullptr;
    ImageList_Destroy(icons);
}

TEST_F(ToolBarTest, TextsStatesAndButtonInfo) {
    makeBar(CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_LIST);
    const LRESULT first = SendMessageW(bar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(u"Open\0Save\0"));
    EXPECT_EQ(first, 0);
    TBBUTTON b[2] = {};
    b[0] = TBBUTTON{0, 1, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
    b[1] = TBBUTTON{1, 2, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 1};
    SendMessageW(bar, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(b));
    char16_t buf[32] = {};
    EXPECT_EQ(SendMessageW(bar, TB_GETBUTTONTEXTW, 2, reinterpret_cast<LPARAM>(buf)), 4);
    EXPECT_EQ(std::u16string(buf), u"Save");
    char narrow[32] = {};
    SendMessageA(bar, TB_GETBUTTONTEXTA, 1, reinterpret_cast<LPARAM>(narrow));
    EXPECT_STREQ(narrow, "Open");

    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT | TBIF_COMMAND;
    std::u16string t = u"Save all";
    info.pszText = reinterpret_cast<LPWSTR>(t.data());
    info.idCommand = 22;
    EXPECT_TRUE(SendMessageW(bar, TB_SETBUTTONINFOW, 2, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(SendMessageW(bar, TB_COMMANDTOINDEX, 22, 0), 1);
    EXPECT_EQ(SendMessageW(bar, TB_COMMANDTOINDEX, 2, 0), -1);
    EXPECT_EQ(SendMessageW(bar, TB_GETSTATE, 22, 0), TBSTATE_ENABLED);
    EXPECT_EQ(SendMessageW(bar, TB_GETSTATE, 99, 0), -1);
    // The wider text makes its button wider in list style.
    RECT r0{}, r1{};
    SendMessageW(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
    SendMessageW(bar, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
    EXPECT_GT(r1.right - r1.left, r0.right - r0.left);
    POINT inside{(r1.left + r1.right) / 2, (r1.top + r1.bottom) / 2};
    EXPECT_EQ(SendMessageW(bar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&inside)), 1);
    EXPECT_TRUE(SendMessageW(bar, TB_DELETEBUTTON, 0, 0));
    EXPECT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 1);
    EXPECT_FALSE(SendMessageW(bar, TB_DELETEBUTTON, 5, 0));
}

}  // namespace
