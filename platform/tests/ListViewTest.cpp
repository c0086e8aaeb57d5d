// The list view and its header driven as a user drives them, through Qt mouse and key events
// on the real widgets: selection with Ctrl and Shift, double click and Enter, column clicks
// and divider drags, label editing (Enter, Escape, a subclassed edit window), check boxes,
// owner data that is asked only for what shows, custom draw, and both notification forms.
#include "platform/codepage.h"
#include "platform/commctrl.h"
#include "platform/fileapi.h"
#include "platform/gdi.h"
#include "platform/shellapi.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QTest>
#include <QToolTip>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::u16string num(int n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

// The parent of the list views: records notifications and serves owner data.
struct Parent {
    static inline std::vector<UINT> codes;
    static inline std::vector<NMLISTVIEW> changes;  // LVN_ITEMCHANGED
    static inline std::vector<NMLVODSTATECHANGE> ranges;
    static inline std::vector<NMITEMACTIVATE> clicks;  // NM_CLICK, NM_DBLCLK, NM_RCLICK
    static inline std::vector<int> columnClicks;
    static inline std::vector<NMLISTVIEW> drags;
    static inline std::vector<int> dispRows;  // LVN_GETDISPINFO, one entry per request
    static inline std::vector<std::pair<int, int>> hints;
    static inline std::vector<std::u16string> finds;
    static inline std::vector<std::u16string> edited;  // LVN_ENDLABELEDIT texts ("<null>" when cancelled)
    static inline std::vector<WORD> keys;
    static inline HWND editSeen = nullptr;
    static inline bool acceptEdits = true;
    static inline bool refuseSelection = false;
    static inline std::vector<int> subStages;  // sub-items drawn through their own stage
    static inline std::vector<HWND> tops;  // destroyed after each test, also after a failed one
    static inline int redItem = -1;  // custom draw: this item in red text, a green mark drawn after it

    static void clear() {
        codes.clear();
        changes.clear();
        ranges.clear();
        clicks.clear();
        columnClicks.clear();
        drags.clear();
        dispRows.clear();
        hints.clear();
        finds.clear();
        edited.clear();
        keys.clear();
        editSeen = nullptr;
        subStages.clear();
        acceptEdits = true;
        refuseSelection = false;
        redItem = -1;
    }
    static int count(UINT code) { return static_cast<int>(std::count(codes.begin(), codes.end(), code)); }

    static std::u16string ownerText(int row, int sub) {
        return u"Row " + num(row) + (sub ? u" c" + num(sub) : u"");
    }

    static LRESULT proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg != WM_NOTIFY) return DefWindowProcW(wnd, msg, wParam, lParam);
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        codes.push_back(h->code);
        switch (h->code) {
        case LVN_ITEMCHANGING: return refuseSelection ? TRUE : FALSE;
        case LVN_ITEMCHANGED: changes.push_back(*reinterpret_cast<NMLISTVIEW*>(lParam)); return 0;
        case LVN_ODSTATECHANGED: ranges.push_back(*reinterpret_cast<NMLVODSTATECHANGE*>(lParam)); return 0;
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK: clicks.push_back(*reinterpret_cast<NMITEMACTIVATE*>(lParam)); return 0;
        case LVN_COLUMNCLICK: columnClicks.push_back(reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem); return 0;
        case LVN_BEGINDRAG:
        case LVN_BEGINRDRAG: drags.push_back(*reinterpret_cast<NMLISTVIEW*>(lParam)); return 0;
        case LVN_GETINFOTIPW: {
            auto* t = reinterpret_cast<NMLVGETINFOTIPW*>(lParam);
            const std::u16string tip = std::u16string(t->pszText) + u" \u2014 tip";
            std::copy(tip.begin(), tip.end(), t->pszText);
            t->pszText[tip.size()] = 0;
            return 0;
        }
        case LVN_KEYDOWN: keys.push_back(reinterpret_cast<NMLVKEYDOWN*>(lParam)->wVKey); return 0;
        case LVN_GETDISPINFOW: {
            auto* d = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            dispRows.push_back(d->item.iItem);
            if (d->item.mask & LVIF_TEXT) {
                const std::u16string t = ownerText(d->item.iItem, d->item.iSubItem);
                const std::size_t n = std::min<std::size_t>(t.size(), static_cast<std::size_t>(d->item.cchTextMax - 1));
                std::copy_n(t.data(), n, d->item.pszText);
                d->item.pszText[n] = 0;
            }
            if (d->item.mask & LVIF_IMAGE) d->item.iImage = d->item.iItem % 2;
            if (d->item.mask & LVIF_STATE) d->item.state = INDEXTOSTATEIMAGEMASK(d->item.iItem % 3 == 0 ? 2 : 1);
            return 0;
        }
        case LVN_GETDISPINFOA: {
            auto* d = reinterpret_cast<NMLVDISPINFOA*>(lParam);
            dispRows.push_back(d->item.iItem);
            if (d->item.mask & LVIF_TEXT) {
                static std::string keep;
                keep = "Narrow " + std::to_string(d->item.iItem);
                d->item.pszText = keep.data();  // a text of the program's own
            }
            return 0;
        }
        case LVN_ODCACHEHINT: {
            auto* c = reinterpret_cast<NMLVCACHEHINT*>(lParam);
            hints.emplace_back(c->iFrom, c->iTo);
            return 0;
        }
        case LVN_ODFINDITEMW: {
            auto* f = reinterpret_cast<NMLVFINDITEMW*>(lParam);
            const std::u16string s = f->lvfi.psz ? std::u16string(f->lvfi.psz) : std::u16string();
            finds.push_back(s);
            // "Row 5" style texts: the number typed after "r".
            return s.size() >= 2 && (s[0] == u'r' || s[0] == u'R') ? QString::fromUtf16(s.data() + 1, static_cast<qsizetype>(s.size() - 1)).toInt() * 10 : -1;
        }
        case LVN_BEGINLABELEDITW:
        case LVN_BEGINLABELEDITA: editSeen = reinterpret_cast<HWND>(SendMessageW(h->hwndFrom, LVM_GETEDITCONTROL, 0, 0)); return 0;
        case LVN_ENDLABELEDITW: {
            auto* d = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            edited.push_back(d->item.pszText ? std::u16string(d->item.pszText) : u"<null>");
            return acceptEdits ? TRUE : FALSE;
        }
        case LVN_ENDLABELEDITA: {
            auto* d = reinterpret_cast<NMLVDISPINFOA*>(lParam);
            edited.push_back(d->item.pszText ? platform::ansiToWide(d->item.pszText) : u"<null>");
            return acceptEdits ? TRUE : FALSE;
        }
        case NM_CUSTOMDRAW: {
            auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
            if (redItem < 0) return CDRF_DODEFAULT;
            if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && static_cast<int>(cd->nmcd.dwItemSpec) == redItem) {
                cd->clrText = RGB(255, 0, 0);
                return CDRF_NOTIFYPOSTPAINT | CDRF_NOTIFYSUBITEMDRAW;
            }
            if (cd->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
                subStages.push_back(cd->iSubItem);
                if (cd->iSubItem == 2) cd->clrText = RGB(0, 0, 255);
                return CDRF_DODEFAULT;
            }
            if (cd->nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT) {
                HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
                RECT mark{cd->nmcd.rc.right - 12, cd->nmcd.rc.top + 2, cd->nmcd.rc.right - 4, cd->nmcd.rc.bottom - 2};
                FillRect(cd->nmcd.hdc, &mark, green);
                DeleteObject(green);
            }
            return CDRF_DODEFAULT;
        }
        default: return 0;
        }
    }
    static LRESULT ansiProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NOTIFY) return proc(wnd, msg, wParam, lParam);
        return DefWindowProcA(wnd, msg, wParam, lParam);
    }

    static HWND top(bool unicode = true) {
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &proc;
            wc.lpszClassName = u"ListHostW";
            wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
            RegisterClassExW(&wc);
            WNDCLASSEXA wa{};
            wa.cbSize = sizeof wa;
            wa.lpfnWndProc = &ansiProc;
            wa.lpszClassName = "ListHostA";
            RegisterClassExA(&wa);
            const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
            InitCommonControlsEx(&init);
        }
        HWND t = unicode ? CreateWindowExW(0, u"ListHostW", u"Lists", WS_POPUP, 30, 30, 420, 320, nullptr, nullptr, nullptr, nullptr)
                         : CreateWindowExA(0, "ListHostA", "Lists", WS_POPUP, 30, 30, 420, 320, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(t, SW_SHOW);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(t)));
        tops.push_back(t);
        return t;
    }
};

HWND makeList(HWND parent, DWORD style, int w = 400, int h = 300) {
    return CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | WS_VISIBLE | style, 0, 0, w, h, parent,
                           reinterpret_cast<HMENU>(5), nullptr, nullptr);
}

QWidget* viewportOf(HWND list) {
    auto* area = qobject_cast<QAbstractScrollArea*>(platform::windowWidget(list));
    return area ? area->viewport() : nullptr;
}

void addColumn(HWND list, int at, const char16_t* text, int width, int fmt = LVCFMT_LEFT) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    c.pszText = const_cast<LPWSTR>(text);
    c.cx = width;
    c.fmt = fmt;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&c));
}

int addItem(HWND list, const std::u16string& text, LPARAM param, int image = 0) {
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    it.iItem = 1 << 20;
    it.pszText = const_cast<LPWSTR>(text.c_str());
    it.lParam = param;
    it.iImage = image;
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
}

void setSub(HWND list, int row, int sub, const std::u16string& text) {
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = const_cast<LPWSTR>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
}

std::u16string textOf(HWND list, int row, int sub = 0) {
    WCHAR buffer[128] = {};
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = buffer;
    it.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
    return buffer;
}

UINT stateOf(HWND list, int row, UINT mask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK) {
    return static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

// The centre of an item's label in the viewport (the widget the mouse meets).
QPoint labelPoint(HWND list, int row) {
    RECT rc{LVIR_LABEL, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc));
    const QPoint client((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    QWidget* vp = viewportOf(list);
    return vp->mapFrom(platform::windowWidget(list), client);
}

// A filled report list of `n` items with three columns.
HWND reportList(HWND top, int n, DWORD style = LVS_REPORT | LVS_SHOWSELALWAYS) {
    HWND list = makeList(top, style);
    addColumn(list, 0, u"Name", 120);
    addColumn(list, 1, u"Size", 80, LVCFMT_RIGHT);
    addColumn(list, 2, u"Kind", 100);
    for (int i = 0; i < n; ++i) {
        const std::u16string name = u"Item " + num(i);
        addItem(list, name, 1000 + i, i % 2);
        setSub(list, i, 1, num(i * 10));
        setSub(list, i, 2, i % 2 ? u"odd" : u"even");
    }
    QApplication::processEvents();
    return list;
}

int compareDescending(LPARAM a, LPARAM b, LPARAM sign) { return static_cast<int>((a < b ? 1 : a > b ? -1 : 0) * sign); }

class ListView : public ::testing::Test {
protected:
    void SetUp() override { Parent::clear(); }
    void TearDown() override {
        for (HWND t : Parent::tops)
            if (IsWindow(t)) DestroyWindow(t);
        Parent::tops.clear();
    }
};

}  // namespace

TEST_F(ListView, ItemsSubItemsColumnsAndTheirMessagesInBothForms) {
    HWND top = Parent::top();
    HWND list = reportList(top, 5);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(Parent::count(LVN_INSERTITEM), 5);
    EXPECT_EQ(textOf(list, 3), u"Item 3");
    EXPECT_EQ(textOf(list, 3, 1), u"30");
    EXPECT_EQ(textOf(list, 3, 2), u"odd");
    // The A form converts; a short buffer gets a cut, terminated text.
    char narrow[5] = {'x', 'x', 'x', 'x', 'x'};
    LVITEMA ia{};
    ia.pszText = narrow;
    ia.cchTextMax = 5;
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMTEXTA, 2, reinterpret_cast<LPARAM>(&ia)), 4);
    EXPECT_STREQ(narrow, "Item");
    // Texts beyond the basic plane survive the W form; the item's parameter comes back.
    setSub(list, 1, 2, u"f\u00fcr \U0001F600");
    EXPECT_EQ(textOf(list, 1, 2), u"f\u00fcr \U0001F600");
    LVITEMW get{};
    get.mask = LVIF_PARAM | LVIF_IMAGE;
    get.iItem = 4;
    ASSERT_TRUE(SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
    EXPECT_EQ(get.lParam, 1004);
    EXPECT_EQ(get.iImage, 0);
    // Columns are mirrored in the header window.
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    WCHAR caption[32] = {};
    HDITEMW hd{};
    hd.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    hd.pszText = caption;
    hd.cchTextMax = 32;
    SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&hd));
    EXPECT_EQ(std::u16string(caption), u"Size");
    EXPECT_EQ(hd.cxy, 80);
    EXPECT_EQ(hd.fmt & HDF_JUSTIFYMASK, HDF_RIGHT);
    LVCOLUMNA ca{};
    char colText[16] = {};
    ca.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    ca.pszText = colText;
    ca.cchTextMax = 16;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 2, reinterpret_cast<LPARAM>(&ca)));
    EXPECT_STREQ(colText, "Kind");
    EXPECT_EQ(ca.cx, 100);
    EXPECT_EQ(ca.iSubItem, 2);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, 140);
    SendMessageW(header, HDM_GETITEMW, 2, reinterpret_cast<LPARAM>(&hd));
    EXPECT_EQ(hd.cxy, 140);

    // Finding by text (whole or start, any case), by parameter, with wrapping.
    LVFINDINFOW f{};
    f.flags = LVFI_STRING;
    f.psz = u"item 2";
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&f)), 2);
    f.flags = LVFI_PARTIAL;
    f.psz = u"ITE";
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, 3, reinterpret_cast<LPARAM>(&f)), 4);
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, 4, reinterpret_cast<LPARAM>(&f)), -1);
    f.flags = LVFI_PARTIAL | LVFI_WRAP;
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, 4, reinterpret_cast<LPARAM>(&f)), 0);
    f.flags = LVFI_PARAM;
    f.lParam = 1003;
    EXPECT_EQ(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&f)), 3);

    // Sorting by the callback keeps sub-items, selection and focus with their items.
    LVITEMW st{};
    st.state = LVIS_SELECTED | LVIS_FOCUSED;
    st.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&st));
    ASSERT_TRUE(SendMessageW(list, LVM_SORTITEMS, 1, reinterpret_cast<LPARAM>(&compareDescending)));
    EXPECT_EQ(textOf(list, 0), u"Item 4");
    EXPECT_EQ(textOf(list, 3), u"Item 1");
    EXPECT_EQ(textOf(list, 3, 2), u"f\u00fcr \U0001F600");
    EXPECT_EQ(stateOf(list, 3, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, 3, LVNI_SELECTED), -1);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, 3, LVNI_ABOVE), 2);

    // Deleting tells each item; all of them once unless the program wants each.
    Parent::codes.clear();
    EXPECT_TRUE(SendMessageW(list, LVM_DELETEITEM, 0, 0));
    EXPECT_EQ(Parent::count(LVN_DELETEITEM), 1);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_FALSE(SendMessageW(list, LVM_DELETEITEM, 9, 0));
    EXPECT_TRUE(SendMessageW(list, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(Parent::count(LVN_DELETEALLITEMS), 1);
    EXPECT_EQ(Parent::count(LVN_DELETEITEM), 5);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
    DestroyWindow(top);
}

TEST_F(ListView, ClickCtrlClickAndShiftClickSelectAndTellTheParent) {
    HWND top = Parent::top();
    HWND list = reportList(top, 8);
    QWidget* vp = viewportOf(list);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 1));
    EXPECT_EQ(stateOf(list, 1, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_EQ(GetFocus(), list);  // a click gives the list the keyboard
    EXPECT_GE(Parent::count(NM_SETFOCUS), 1);
    ASSERT_FALSE(Parent::clicks.empty());
    EXPECT_EQ(Parent::clicks.back().hdr.code, NM_CLICK);
    EXPECT_EQ(Parent::clicks.back().iItem, 1);
    const bool told = std::any_of(Parent::changes.begin(), Parent::changes.end(), [](const NMLISTVIEW& n) {
        return n.iItem == 1 && (n.uNewState & LVIS_SELECTED) && !(n.uOldState & LVIS_SELECTED) && n.lParam == 1001;
    });
    EXPECT_TRUE(told);
    EXPECT_GE(Parent::count(LVN_ITEMCHANGING), 1);

    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, labelPoint(list, 4));
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, labelPoint(list, 6));
    // Shift extends from the anchor (item 4) to item 6 in place of the old selection.
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 3);
    EXPECT_FALSE(stateOf(list, 1) & LVIS_SELECTED);
    for (int i : {4, 5, 6}) EXPECT_TRUE(stateOf(list, i) & LVIS_SELECTED) << i;
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 6);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, labelPoint(list, 5));
    EXPECT_FALSE(stateOf(list, 5) & LVIS_SELECTED);

    // A program that refuses changes keeps the selection as it is.
    Parent::refuseSelection = true;
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 0));
    EXPECT_FALSE(stateOf(list, 0) & LVIS_SELECTED);
    EXPECT_TRUE(stateOf(list, 4) & LVIS_SELECTED);
    Parent::refuseSelection = false;

    // A click below the items clears the selection; a right click tells NM_RCLICK.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, QPoint(60, vp->height() - 5));
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
    EXPECT_EQ(Parent::clicks.back().iItem, -1);
    QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, labelPoint(list, 2));
    EXPECT_EQ(Parent::clicks.back().hdr.code, NM_RCLICK);
    EXPECT_EQ(Parent::clicks.back().iItem, 2);
    EXPECT_TRUE(stateOf(list, 2) & LVIS_SELECTED);

    // Hit tests agree with the rectangles.
    RECT rc{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&rc));
    LVHITTESTINFO hit{};
    hit.pt = POINT{rc.left + 130, (rc.top + rc.bottom) / 2};
    EXPECT_EQ(SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 3);
    EXPECT_EQ(hit.iSubItem, 1);
    RECT sub{LVIR_BOUNDS, 2, 0, 0};
    ASSERT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, 3, reinterpret_cast<LPARAM>(&sub)));
    EXPECT_EQ(sub.left - rc.left, 200);
    EXPECT_EQ(sub.right - sub.left, 100);
    DestroyWindow(top);
}

TEST_F(ListView, DoubleClickEnterKeysAndCheckBoxesByClickAndSpace) {
    HWND top = Parent::top();
    HWND list = reportList(top, 6);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    QWidget* vp = viewportOf(list);
    QWidget* view = platform::windowWidget(list);
    EXPECT_EQ(stateOf(list, 2, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 2));
    ASSERT_FALSE(Parent::clicks.empty());
    EXPECT_EQ(Parent::clicks.back().hdr.code, NM_DBLCLK);
    EXPECT_EQ(Parent::clicks.back().iItem, 2);
    EXPECT_EQ(Parent::count(LVN_ITEMACTIVATE), 1);

    SetFocus(list);
    QApplication::processEvents();
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(Parent::count(NM_RETURN), 1);
    ASSERT_FALSE(Parent::keys.empty());
    EXPECT_EQ(Parent::keys.back(), VK_RETURN);
    // Down moves the focus and the selection.
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(Parent::keys.back(), VK_DOWN);
    EXPECT_EQ(stateOf(list, 3, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_FALSE(stateOf(list, 2) & LVIS_SELECTED);
    // Space checks the focused item, again clears it.
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(stateOf(list, 3, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(stateOf(list, 3, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    // A click on the check box checks that item.
    RECT icon{LVIR_ICON, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&icon));
    LVHITTESTINFO probe{};
    probe.pt = POINT{icon.left - 8, (icon.top + icon.bottom) / 2};
    SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&probe));
    EXPECT_EQ(probe.iItem, 5);
    EXPECT_EQ(probe.flags, LVHT_ONITEMSTATEICON);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, vp->mapFrom(view, QPoint(probe.pt.x, probe.pt.y)));
    EXPECT_EQ(stateOf(list, 5, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    const bool told = std::any_of(Parent::changes.begin(), Parent::changes.end(), [](const NMLISTVIEW& n) {
        return n.iItem == 5 && (n.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    });
    EXPECT_TRUE(told);
    DestroyWindow(top);
}

TEST_F(ListView, DraggingAnItemTellsTheParentOnceAndClicksNothing) {
    HWND top = Parent::top();
    HWND list = reportList(top, 5);
    QWidget* vp = viewportOf(list);
    const QPoint from = labelPoint(list, 2);
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(vp, from + QPoint(2, 1));
    EXPECT_TRUE(Parent::drags.empty());  // not yet beyond the drag distance
    QTest::mouseMove(vp, from + QPoint(QApplication::startDragDistance() + 4, 6));
    QTest::mouseMove(vp, from + QPoint(40, 30));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, from + QPoint(40, 30));
    ASSERT_EQ(Parent::drags.size(), 1u);
    EXPECT_EQ(Parent::drags[0].hdr.code, LVN_BEGINDRAG);
    EXPECT_EQ(Parent::drags[0].iItem, 2);
    EXPECT_EQ(Parent::drags[0].lParam, 1002);
    EXPECT_EQ(Parent::count(NM_CLICK), 0);
    EXPECT_TRUE(stateOf(list, 2) & LVIS_SELECTED);
    // The right button drags too.
    QTest::mousePress(vp, Qt::RightButton, Qt::NoModifier, labelPoint(list, 4));
    QTest::mouseMove(vp, labelPoint(list, 4) + QPoint(30, 0));
    QTest::mouseRelease(vp, Qt::RightButton, Qt::NoModifier, labelPoint(list, 4) + QPoint(30, 0));
    ASSERT_EQ(Parent::drags.size(), 2u);
    EXPECT_EQ(Parent::drags[1].hdr.code, LVN_BEGINRDRAG);
    EXPECT_EQ(Parent::drags[1].iItem, 4);
    EXPECT_EQ(Parent::count(NM_RCLICK), 0);
}

TEST_F(ListView, AMarqueeDraggedFromBesideTheItemsSelectsTheOnesItMeets) {
    HWND top = Parent::top();
    HWND list = reportList(top, 5);
    QWidget* vp = viewportOf(list);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 0));
    const QPoint from(300, vp->height() - 10);  // beside the items
    const QPoint to(40, labelPoint(list, 3).y());
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(vp, (from + to) / 2);
    QTest::mouseMove(vp, to);
    const QImage during = vp->grab().toImage();
    const QColor highlight(GetRValue(GetSysColor(COLOR_HIGHLIGHT)), GetGValue(GetSysColor(COLOR_HIGHLIGHT)), GetBValue(GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_EQ(during.pixelColor(to.x(), to.y()), highlight);      // the marquee's corner
    EXPECT_EQ(during.pixelColor(from.x(), from.y()), highlight);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);
    EXPECT_TRUE(stateOf(list, 3) & LVIS_SELECTED);
    EXPECT_TRUE(stateOf(list, 4) & LVIS_SELECTED);
    EXPECT_FALSE(stateOf(list, 0) & LVIS_SELECTED);
    EXPECT_EQ(Parent::count(NM_CLICK), 1);  // the first click only
    const QImage after = vp->grab().toImage();
    EXPECT_NE(after.pixelColor(from.x(), from.y()), highlight);  // gone with the button
}

TEST_F(ListView, InfoTipsAskTheProgramForTheItemUnderTheMouse) {
    HWND top = Parent::top();
    HWND list = reportList(top, 4);
    QWidget* vp = viewportOf(list);
    auto hover = [&](const QPoint& at) {
        QHelpEvent help(QEvent::ToolTip, at, vp->mapToGlobal(at));
        QApplication::sendEvent(vp, &help);
    };
    hover(labelPoint(list, 2));
    EXPECT_EQ(Parent::count(LVN_GETINFOTIPW), 0);  // only with LVS_EX_INFOTIP
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    hover(labelPoint(list, 2));
    EXPECT_EQ(Parent::count(LVN_GETINFOTIPW), 1);
    EXPECT_EQ(QToolTip::text(), QString::fromUtf16(u"Item 2 \u2014 tip"));
    hover(QPoint(20, vp->height() - 4));  // below the items
    EXPECT_EQ(Parent::count(LVN_GETINFOTIPW), 1);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::text().isEmpty(); }, 2000));
}

TEST_F(ListView, HeaderClicksAndDividerDragsResizeColumns) {
    HWND top = Parent::top();
    HWND list = reportList(top, 3);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    QWidget* hw = platform::windowWidget(header);
    ASSERT_NE(hw, nullptr);
    EXPECT_TRUE(hw->isVisible());
    EXPECT_GT(hw->height(), 10);
    RECT item{};
    SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.left, 120);
    EXPECT_EQ(item.right, 200);
    QTest::mouseClick(hw, Qt::LeftButton, Qt::NoModifier, QPoint(150, hw->height() / 2));
    ASSERT_EQ(Parent::columnClicks.size(), 1u);
    EXPECT_EQ(Parent::columnClicks[0], 1);
    // Dragging the divider right of "Name" by 40 pixels widens the column.
    const int y = hw->height() / 2;
    // Over a divider the cursor is the sizing one.
    QTest::mouseMove(hw, QPoint(121, y));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
    QTest::mouseMove(hw, QPoint(60, y));
    EXPECT_NE(GetCursor(), LoadCursorA(nullptr, IDC_SIZEWE));
    QTest::mousePress(hw, Qt::LeftButton, Qt::NoModifier, QPoint(120, y));
    QTest::mouseMove(hw, QPoint(140, y));
    QTest::mouseMove(hw, QPoint(160, y));
    QTest::mouseRelease(hw, Qt::LeftButton, Qt::NoModifier, QPoint(160, y));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 160);
    EXPECT_EQ(Parent::columnClicks.size(), 1u);  // a drag is no click
    RECT sub{LVIR_BOUNDS, 1, 0, 0};
    SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&sub));
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    EXPECT_EQ(sub.left - row.left, 160);
    // A double click on the divider fits the column to its texts.
    QTest::mouseDClick(hw, Qt::LeftButton, Qt::NoModifier, QPoint(340, y));
    const int fitted = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
    EXPECT_LT(fitted, 100);
    EXPECT_GT(fitted, 20);
    DestroyWindow(top);
}

namespace {
// An ANSI parent of a bare header.
struct Recorder {
    static inline std::vector<UINT> codes;
    static inline bool refuseTrack = false;
    static LRESULT proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_NOTIFY) {
            const UINT code = reinterpret_cast<NMHDR*>(lp)->code;
            codes.push_back(code);
            if (code == HDN_BEGINTRACKA && refuseTrack) return TRUE;
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }
};
}  // namespace

TEST_F(ListView, HeaderNotificationsComeInTheParentsFormAndMayRefuse) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Recorder::proc;
    wc.lpszClassName = "HeaderHostA";
    RegisterClassExA(&wc);
    Parent::top();  // registers the classes
    HWND host = CreateWindowExA(0, "HeaderHostA", "", WS_POPUP, 20, 20, 300, 60, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(host, SW_SHOW);
    HWND header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS, 0, 0, 300, 24, host, nullptr, nullptr, nullptr);
    ASSERT_NE(header, nullptr);
    char a[] = "Alpha";
    HDITEMA hd{};
    hd.mask = HDI_TEXT | HDI_WIDTH;
    hd.pszText = a;
    hd.cxy = 100;
    EXPECT_EQ(SendMessageA(header, HDM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&hd)), 0);
    EXPECT_EQ(SendMessageA(header, HDM_INSERTITEMA, 5, reinterpret_cast<LPARAM>(&hd)), 1);
    QWidget* hw = platform::windowWidget(header);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hw->window()));
    QTest::mouseClick(hw, Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    EXPECT_NE(std::find(Recorder::codes.begin(), Recorder::codes.end(), HDN_ITEMCLICKA), Recorder::codes.end());
    EXPECT_EQ(std::find(Recorder::codes.begin(), Recorder::codes.end(), HDN_ITEMCLICKW), Recorder::codes.end());
    Recorder::refuseTrack = true;
    QTest::mousePress(hw, Qt::LeftButton, Qt::NoModifier, QPoint(100, 12));
    QTest::mouseMove(hw, QPoint(150, 12));
    QTest::mouseRelease(hw, Qt::LeftButton, Qt::NoModifier, QPoint(150, 12));
    RECT rc{};
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc));
    EXPECT_EQ(rc.right, 100);
    HDHITTESTINFO hit{{150, 12}, 0, -1};
    EXPECT_EQ(SendMessageA(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.flags, HHT_ONHEADER);
    hit.pt = POINT{199, 12};
    SendMessageA(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    EXPECT_EQ(hit.flags, HHT_ONDIVIDER);
    int order[2] = {1, 0};
    EXPECT_TRUE(SendMessageA(header, HDM_SETORDERARRAY, 2, reinterpret_cast<LPARAM>(order)));
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc));
    EXPECT_EQ(rc.left, 100);
    int bad[2] = {1, 1};
    EXPECT_FALSE(SendMessageA(header, HDM_SETORDERARRAY, 2, reinterpret_cast<LPARAM>(bad)));
    DestroyWindow(host);
}

TEST_F(ListView, LabelEditingStartsOnASecondClickAndEndsByEnterOrEscape) {
    HWND top = Parent::top();
    HWND list = reportList(top, 4, LVS_REPORT | LVS_EDITLABELS);
    QWidget* vp = viewportOf(list);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 1));
    EXPECT_EQ(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0), 0);
    // A click on the label of the only selected item starts the edit once the double-click
    // time has passed without a second click.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 1));
    QTest::qWait(static_cast<int>(GetDoubleClickTime()) + 150);
    HWND edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Parent::editSeen, edit);  // the edit window exists while the program is asked
    EXPECT_EQ(Parent::count(LVN_BEGINLABELEDITW), 1);
    WCHAR cls[16] = {};
    GetClassNameW(edit, cls, 16);
    EXPECT_EQ(std::u16string(cls), u"EDIT");
    QWidget* ew = platform::windowWidget(edit);
    ASSERT_NE(ew, nullptr);
    QTest::keyClick(ew, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(ew, "Renamed");
    QTest::keyClick(ew, Qt::Key_Return);
    ASSERT_EQ(Parent::edited.size(), 1u);
    EXPECT_EQ(Parent::edited[0], u"Renamed");
    EXPECT_EQ(textOf(list, 1), u"Renamed");
    EXPECT_EQ(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0), 0);
    EXPECT_FALSE(IsWindow(edit));

    // Escape cancels: the program is told with no text and the item keeps its own.
    edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 2, 0));
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(platform::windowWidget(edit), "zzz");
    QTest::keyClick(platform::windowWidget(edit), Qt::Key_Escape);
    ASSERT_EQ(Parent::edited.size(), 2u);
    EXPECT_EQ(Parent::edited[1], u"<null>");
    EXPECT_EQ(textOf(list, 2), u"Item 2");

    // A program that answers FALSE keeps the old text.
    Parent::acceptEdits = false;
    edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 3, 0));
    ASSERT_NE(edit, nullptr);
    QTest::keyClick(platform::windowWidget(edit), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(platform::windowWidget(edit), "No");
    QTest::keyClick(platform::windowWidget(edit), Qt::Key_Return);
    EXPECT_EQ(Parent::edited.back(), u"No");
    EXPECT_EQ(textOf(list, 3), u"Item 3");
    // A double click never starts an edit.
    Parent::codes.clear();
    QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 3));
    QTest::qWait(static_cast<int>(GetDoubleClickTime()) + 150);
    EXPECT_EQ(Parent::count(LVN_BEGINLABELEDITW), 0);
    DestroyWindow(top);
}

namespace {
// A caller's subclass of the edit window: counts characters and turns "x" into "y".
WNDPROC editBefore = nullptr;
int editChars = 0;
LRESULT subclassedEdit(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR && (wParam == 'x' || wParam == 'o')) {
        ++editChars;
        if (wParam == 'x') wParam = 'y';
    }
    return CallWindowProcW(editBefore, wnd, msg, wParam, lParam);
}
}  // namespace

TEST_F(ListView, TheEditWindowCanBeSubclassedWhileEditing) {
    HWND top = Parent::top(false);  // an ANSI parent gets the A notifications
    HWND list = reportList(top, 3, LVS_REPORT | LVS_EDITLABELS);
    HWND edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELA, 0, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Parent::count(LVN_BEGINLABELEDITA), 1);
    EXPECT_EQ(Parent::count(LVN_BEGINLABELEDITW), 0);
    editChars = 0;
    editBefore = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassedEdit)));
    QWidget* ew = platform::windowWidget(edit);
    QTest::keyClick(ew, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(ew, "xox");
    EXPECT_EQ(editChars, 3);
    QTest::keyClick(ew, Qt::Key_Return);
    ASSERT_EQ(Parent::edited.size(), 1u);
    EXPECT_EQ(Parent::edited[0], u"yoy");
    EXPECT_EQ(Parent::count(LVN_ENDLABELEDITA), 1);
    EXPECT_EQ(textOf(list, 0), u"yoy");
    DestroyWindow(top);
}

TEST_F(ListView, OwnerDataAsksOnlyForTheItemsItShows) {
    HWND top = Parent::top();
    HWND list = makeList(top, LVS_REPORT | LVS_OWNERDATA);
    addColumn(list, 0, u"Name", 120);
    addColumn(list, 1, u"A", 80);
    addColumn(list, 2, u"B", 80);
    addColumn(list, 3, u"C", 80);
    SendMessageW(list, LVM_SETITEMCOUNT, 100000, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 100000);
    Parent::dispRows.clear();
    Parent::hints.clear();
    const QImage shot = platform::windowWidget(list)->grab().toImage();
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_GT(perPage, 5);
    const std::set<int> rows(Parent::dispRows.begin(), Parent::dispRows.end());
    // Only the rows on the screen (a partly shown last one included), each once per column.
    EXPECT_LE(static_cast<int>(rows.size()), perPage + 1);
    EXPECT_GE(static_cast<int>(rows.size()), perPage);
    EXPECT_EQ(*rows.begin(), 0);
    EXPECT_LE(Parent::dispRows.size(), rows.size() * 4);
    ASSERT_FALSE(Parent::hints.empty());
    EXPECT_EQ(Parent::hints.back().first, 0);
    EXPECT_EQ(Parent::hints.back().second, *rows.rbegin());
    EXPECT_EQ(textOf(list, 41234, 2), u"Row 41234 c2");

    // Far down the list: the view asks for the rows there and nothing between.
    SendMessageW(list, LVM_ENSUREVISIBLE, 70000, FALSE);
    const int topIndex = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    EXPECT_LE(topIndex, 70000);
    EXPECT_GE(topIndex, 70000 - perPage);
    Parent::dispRows.clear();
    platform::windowWidget(list)->grab();
    ASSERT_FALSE(Parent::dispRows.empty());
    const auto [low, high] = std::minmax_element(Parent::dispRows.begin(), Parent::dispRows.end());
    EXPECT_EQ(*low, topIndex);
    EXPECT_LE(*high, topIndex + perPage);

    // Shift-click selects a range, told as one range; typing asks the program to find.
    QWidget* vp = viewportOf(list);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, topIndex + 1));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, labelPoint(list, topIndex + 4));
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 4);
    ASSERT_FALSE(Parent::ranges.empty());
    EXPECT_EQ(Parent::ranges.back().iFrom, topIndex + 2);
    EXPECT_EQ(Parent::ranges.back().iTo, topIndex + 4);
    EXPECT_EQ(Parent::ranges.back().uNewState, LVIS_SELECTED);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(topIndex + 2), LVNI_SELECTED), topIndex + 3);
    // Every item at once is one change for item -1.
    Parent::changes.clear();
    LVITEMW all{};
    all.state = LVIS_SELECTED;
    all.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 100000);
    ASSERT_FALSE(Parent::changes.empty());
    EXPECT_EQ(Parent::changes.back().iItem, -1);

    SetFocus(list);
    QApplication::processEvents();
    QTest::keyClicks(platform::windowWidget(list), "r5");
    ASSERT_FALSE(Parent::finds.empty());
    EXPECT_EQ(Parent::finds.back(), u"r5");
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 50);
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    // State images of owner data come from the program (check boxes of every third row).
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    EXPECT_EQ(stateOf(list, 9, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2));
    EXPECT_EQ(stateOf(list, 10, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    DestroyWindow(top);
}

TEST_F(ListView, AnsiParentsServeTextsOfTheirOwnThroughTheNarrowForm) {
    HWND top = Parent::top(false);
    HWND list = makeList(top, LVS_REPORT | LVS_OWNERDATA);
    addColumn(list, 0, u"Name", 120);
    SendMessageW(list, LVM_SETITEMCOUNT, 10, 0);
    EXPECT_EQ(textOf(list, 7), u"Narrow 7");
    EXPECT_EQ(Parent::count(LVN_GETDISPINFOW), 0);
    EXPECT_GE(Parent::count(LVN_GETDISPINFOA), 1);
    // The wide form can be asked for later.
    SendMessageW(list, CCM_SETUNICODEFORMAT, TRUE, 0);
    EXPECT_EQ(textOf(list, 3), u"Row 3");
    DestroyWindow(top);
}

TEST_F(ListView, CustomDrawnItemsShowInTheGrab) {
    HWND top = Parent::top();
    HWND list = reportList(top, 4, LVS_REPORT | LVS_SHOWSELALWAYS);
    Parent::redItem = 2;
    QImage shot = platform::windowWidget(list)->grab().toImage();
    RECT rc{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rc));
    // The post-paint mark at the item's right end.
    EXPECT_EQ(shot.pixelColor(rc.right - 8, (rc.top + rc.bottom) / 2), QColor(0, 200, 0));
    // Red text in the item's label and first sub-item; none in its neighbours. The second
    // sub-item, drawn through its own stage, is blue.
    auto has = [&](int row, int sub, bool blue) {
        RECT r{sub ? LVIR_BOUNDS : LVIR_LABEL, sub, 0, 0};
        SendMessageW(list, sub ? LVM_GETSUBITEMRECT : LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right - 14; ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (!blue && c.red() > 180 && c.green() < 90 && c.blue() < 90) return true;
                if (blue && c.blue() > 180 && c.green() < 90 && c.red() < 90) return true;
            }
        return false;
    };
    EXPECT_TRUE(has(2, 0, false));
    EXPECT_TRUE(has(2, 1, false));
    EXPECT_FALSE(has(2, 2, false));
    EXPECT_TRUE(has(2, 2, true));
    EXPECT_FALSE(has(1, 0, false));
    EXPECT_FALSE(has(3, 0, false));
    EXPECT_FALSE(has(3, 2, true));
    EXPECT_EQ(std::set<int>(Parent::subStages.begin(), Parent::subStages.end()), (std::set<int>{1, 2}));
    DestroyWindow(top);
}

TEST_F(ListView, IconListAndSmallIconViewsPlaceItemsAndMoveByKeys) {
    HWND top = Parent::top();
    HWND list = makeList(top, LVS_ICON, 300, 240);
    HIMAGELIST large = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 2, 2);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
    for (int i = 0; i < 9; ++i) addItem(list, u"Icon " + num(i), i);
    RECT a{LVIR_BOUNDS, 0, 0, 0}, b{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&a));
    SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a.top, b.top);  // side by side
    EXPECT_GT(b.left, a.left);
    const int perRow = static_cast<int>(290 / (a.right - a.left));
    RECT below{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(perRow), reinterpret_cast<LPARAM>(&below));
    EXPECT_EQ(below.left, a.left);
    EXPECT_GT(below.top, a.top);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, 0, LVNI_BELOW), perRow);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, 1, LVNI_TOLEFT), 0);
    QWidget* vp = viewportOf(list);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, labelPoint(list, 0));
    SetFocus(list);
    QApplication::processEvents();
    QTest::keyClick(platform::windowWidget(list), Qt::Key_Down);
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), perRow);

    // The list view runs down first, then across.
    SetWindowLongW(list, GWL_STYLE, static_cast<LONG>(WS_CHILD | WS_VISIBLE | LVS_LIST));
    a = RECT{LVIR_BOUNDS, 0, 0, 0};
    b = RECT{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&a));
    SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(b.top, a.bottom);
    ImageList_Destroy(large);
    DestroyWindow(top);
}

namespace {

// Saves a picture for looking at when TESSELLON_SHOT_DIR names a folder.
void keepShot(const QImage& image, const char* name) {
    const QByteArray dir = qgetenv("TESSELLON_SHOT_DIR");
    if (!dir.isEmpty()) image.save(QString::fromLocal8Bit(dir) + "/" + name);
}

int iconOf(const char16_t* name, bool small, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    SHFILEINFOW info{};
    SHGetFileInfoW(name, attributes, &info, sizeof info,
                   SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON));
    return info.iIcon;
}

int darkPixels(const QImage& image, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 140) ++n;
    return n;
}

struct FileRow {
    const char16_t* name;
    const char16_t* size;
    const char16_t* kind;
    DWORD attributes;
};
const FileRow kFiles[] = {
    {u"Documents", u"", u"Folder", FILE_ATTRIBUTE_DIRECTORY}, {u"holiday.jpg", u"2,140 KB", u"JPEG picture", FILE_ATTRIBUTE_NORMAL},
    {u"notes.txt", u"3 KB", u"Text", FILE_ATTRIBUTE_NORMAL},   {u"poster.png", u"880 KB", u"PNG picture", FILE_ATTRIBUTE_NORMAL},
    {u"report.pdf", u"112 KB", u"PDF document", FILE_ATTRIBUTE_NORMAL}, {u"song.ogg", u"4,020 KB", u"Audio", FILE_ATTRIBUTE_NORMAL},
};

}  // namespace

TEST_F(ListView, ReportViewWithSystemIconsAndASortArrowAndAnIconView) {
    HWND top = Parent::top();
    SetWindowPos(top, nullptr, 0, 0, 460, 220, SWP_NOMOVE | SWP_NOZORDER);
    HWND list = makeList(top, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, 460, 220);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(platform::systemImageList(true)));
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    addColumn(list, 0, u"Name", 170);
    addColumn(list, 1, u"Size", 90, LVCFMT_RIGHT);
    addColumn(list, 2, u"Type", 150);
    int row = 0;
    for (const FileRow& f : kFiles) {
        addItem(list, f.name, row, iconOf(f.name, true, f.attributes));
        setSub(list, row, 1, f.size);
        setSub(list, row, 2, f.kind);
        ++row;
    }
    LVITEMW st{};
    st.state = st.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&st));
    // The program marks the sorted column on the header.
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    HDITEMW hd{};
    hd.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&hd));
    hd.fmt |= HDF_SORTUP;
    SendMessageW(header, HDM_SETITEMW, 0, reinterpret_cast<LPARAM>(&hd));
    SetFocus(list);
    QApplication::processEvents();
    const QImage shot = platform::windowWidget(list)->grab().toImage();
    keepShot(shot, "listview-report.png");
    // The arrow sits at the right end of the first header item and nowhere in the second.
    RECT h0{}, h1{};
    SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&h0));
    SendMessageW(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&h1));
    const QPoint ho = platform::windowWidget(header)->mapTo(platform::windowWidget(list), QPoint(0, 0));
    const QRect arrow0 = QRect(h0.right - 24, h0.top + 3, 18, h0.bottom - h0.top - 6).translated(ho);
    const QRect arrow1 = QRect(h1.left + 8, h1.top + 3, 18, h1.bottom - h1.top - 6).translated(ho);
    EXPECT_GT(darkPixels(shot, arrow0), 6);
    EXPECT_EQ(darkPixels(shot, arrow1), 0);
    // Every item shows an icon: coloured pixels in its icon rectangle.
    for (int i = 0; i < row; ++i) {
        RECT ir{LVIR_ICON, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ir));
        EXPECT_EQ(ir.right - ir.left, 16);
        int drawn = 0;
        for (int y = ir.top; y < ir.bottom; ++y)
            for (int x = ir.left; x < ir.right; ++x) drawn += shot.pixelColor(x, y) != QColor(Qt::white) ? 1 : 0;
        EXPECT_GT(drawn, 20) << i;
    }
    // The selected row is filled with the highlight across all columns (full-row select).
    RECT sel{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&sel));
    const QColor highlight(GetRValue(GetSysColor(COLOR_HIGHLIGHT)), GetGValue(GetSysColor(COLOR_HIGHLIGHT)), GetBValue(GetSysColor(COLOR_HIGHLIGHT)));
    const QColor inactive(GetRValue(GetSysColor(COLOR_BTNFACE)), GetGValue(GetSysColor(COLOR_BTNFACE)), GetBValue(GetSysColor(COLOR_BTNFACE)));
    const QColor mid = shot.pixelColor(sel.left + 300, sel.top + 2);
    EXPECT_TRUE(mid == highlight || mid == inactive);

    // The same items as large icons.
    HWND icons = makeList(top, LVS_ICON | LVS_SHAREIMAGELISTS, 460, 220);
    SendMessageW(icons, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(platform::systemImageList(false)));
    row = 0;
    for (const FileRow& f : kFiles) addItem(icons, f.name, row++, iconOf(f.name, false, f.attributes));
    SendMessageW(icons, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&st));
    SetFocus(icons);
    QApplication::processEvents();
    const QImage iconShot = platform::windowWidget(icons)->grab().toImage();
    keepShot(iconShot, "listview-icons.png");
    RECT i0{LVIR_ICON, 0, 0, 0}, l0{LVIR_LABEL, 0, 0, 0};
    SendMessageW(icons, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&i0));
    SendMessageW(icons, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&l0));
    EXPECT_EQ(i0.right - i0.left, 32);
    EXPECT_GE(l0.top, i0.bottom);  // the label under its icon
    EXPECT_GT(darkPixels(iconShot, QRect(l0.left, l0.top, l0.right - l0.left, l0.bottom - l0.top)), 10);
}
