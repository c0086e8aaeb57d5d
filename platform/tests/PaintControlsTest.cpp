// Painting on every window: owner-drawn list and combo boxes, a subclassed control's
// WM_PAINT, drawing on Qt-backed controls, XOR drawing over children and on the screen,
// custom draw, WM_SETREDRAW.
#include "CustomDraw.h"
#include "platform/winpaint.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

QRgb at(const QImage& i, int x, int y) { return i.pixel(x, y) & 0xFFFFFF; }
constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

void fill(HDC dc, const RECT& r, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

// The parent of owner-drawn controls: items are red, selected ones blue; a focus mark is a
// green square in the item's left corner.
struct Drawn {
    UINT type;
    int item;
    UINT state;
    RECT rc;
};
std::vector<Drawn> drawn;
std::vector<MEASUREITEMSTRUCT> measured;
int measuredHeight = 20;

LRESULT ownerParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_MEASUREITEM) {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
        measured.push_back(*mi);
        mi->itemHeight = static_cast<UINT>(measuredHeight + (mi->itemID == 1 ? 10 : 0));
        return TRUE;
    }
    if (m == WM_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        drawn.push_back({d->CtlType, static_cast<int>(d->itemID), d->itemState, d->rcItem});
        fill(d->hDC, d->rcItem, d->itemState & ODS_SELECTED ? RGB(0, 0, 255) : RGB(255, 0, 0));
        if (d->itemState & ODS_FOCUS) {
            RECT mark{d->rcItem.left, d->rcItem.top, d->rcItem.left + 4, d->rcItem.top + 4};
            fill(d->hDC, mark, RGB(0, 255, 0));
        }
        return TRUE;
    }
    return DefWindowProcW(h, m, w, l);
}

HWND makeTop(const char16_t* cls, WNDPROC proc, int w = 240, int h = 200) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = cls;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    RegisterClassExW(&wc);
    HWND top = CreateWindowExW(0, cls, u"Paint", WS_OVERLAPPEDWINDOW, 40, 40, w, h, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(top, SW_SHOW);
    return top;
}

QImage grab(HWND wnd) {
    QApplication::processEvents();
    return platform::windowWidget(wnd)->grab().toImage();
}

}  // namespace

TEST(OwnerDraw, ListBoxItemsAreDrawnByTheParentWithSelectionAndFocusAfterAClick) {
    drawn.clear();
    measured.clear();
    HWND top = makeTop(u"OwnerListHost", ownerParent);
    HWND list = CreateWindowExW(0, u"LISTBOX", u"", WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_OWNERDRAWVARIABLE,
                                10, 10, 150, 120, top, reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    // Without LBS_HASSTRINGS the parameter is the item's data.
    for (LPARAM data : {LPARAM(100), LPARAM(101), LPARAM(102)}) SendMessageW(list, LB_ADDSTRING, 0, data);
    ASSERT_EQ(measured.size(), 3u);
    EXPECT_EQ(measured[1].CtlType, ODT_LISTBOX);
    EXPECT_EQ(measured[1].CtlID, 7u);
    EXPECT_EQ(measured[1].itemData, 101u);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 1, 0), 30);
    ULONG_PTR data = 0;
    EXPECT_EQ(SendMessageW(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(&data)), LRESULT(sizeof data));
    EXPECT_EQ(data, 102u);

    RECT second{};
    ASSERT_EQ(SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)), LB_OKAY);
    EXPECT_EQ(second.top, 20);
    EXPECT_EQ(second.bottom - second.top, 30);
    auto* view = qobject_cast<QListWidget*>(platform::windowWidget(list));
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, 35));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);

    drawn.clear();
    const QImage shot = view->viewport()->grab().toImage();
    EXPECT_EQ(at(shot, 60, 10), kRed);   // item 0
    EXPECT_EQ(at(shot, 60, 35), kBlue);  // item 1, selected
    EXPECT_EQ(at(shot, 60, 60), kRed);   // item 2
    bool sawSelected = false;
    for (const Drawn& d : drawn) {
        EXPECT_EQ(d.type, ODT_LISTBOX);
        if (d.item == 1) {
            sawSelected = true;
            EXPECT_TRUE(d.state & ODS_SELECTED);
            EXPECT_EQ(d.rc.top, 20);
        } else {
            EXPECT_FALSE(d.state & ODS_SELECTED);
        }
    }
    EXPECT_TRUE(sawSelected);
    // The focused item shows its focus mark once the list has the focus.
    SetFocus(list);
    QApplication::processEvents();
    if (view->hasFocus()) {
        const QImage focused = view->viewport()->grab().toImage();
        EXPECT_EQ(at(focused, 1, 21), kGreen);
    }
    DestroyWindow(top);
}

TEST(OwnerDraw, ComboBoxDrawsItsSelectionFieldAndListItemsThroughTheParent) {
    drawn.clear();
    measured.clear();
    HWND top = makeTop(u"OwnerComboHost", ownerParent);
    HWND combo = CreateWindowExW(0, u"COMBOBOX", u"",
                                 WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 10, 10,
                                 160, 24, top, reinterpret_cast<HMENU>(9), nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    // The fixed style measures the selection field (-1) and the items (0) at creation.
    ASSERT_GE(measured.size(), 2u);
    EXPECT_EQ(static_cast<int>(measured[0].itemID), -1);
    EXPECT_EQ(measured[1].itemID, 0u);
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0), 20);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"one"));
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"two"));
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    drawn.clear();
    auto* box = qobject_cast<QComboBox*>(platform::windowWidget(combo));
    ASSERT_NE(box, nullptr);
    const QImage face = box->grab().toImage();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().item, 1);
    EXPECT_TRUE(drawn.back().state & ODS_COMBOBOXEDIT);
    EXPECT_EQ(drawn.back().type, ODT_COMBOBOX);
    const RECT& f = drawn.back().rc;
    EXPECT_EQ(at(face, (f.left + f.right) / 2, (f.top + f.bottom) / 2), kRed);
    // The dropped list draws its items through the parent too.
    drawn.clear();
    box->showPopup();
    QApplication::processEvents();
    box->view()->viewport()->grab();
    EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](const Drawn& d) { return d.item == 0; }));
    box->hidePopup();
    DestroyWindow(top);
}

namespace {

WNDPROC buttonProc = nullptr;
int subclassPaints = 0;

// Lets the button paint itself, then draws a red band over its left part.
LRESULT paintedButton(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) {
        ++subclassPaints;
        CallWindowProcW(buttonProc, h, m, w, l);
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(h, &ps);
        fill(dc, RECT{0, 0, 20, 30}, RGB(255, 0, 0));
        EndPaint(h, &ps);
        return 0;
    }
    return CallWindowProcW(buttonProc, h, m, w, l);
}

LRESULT plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

}  // namespace

TEST(ControlPaint, ASubclassedButtonShowsWhatItsPaintDrawsOverTheControl) {
    HWND top = makeTop(u"SubclassPaintHost", plainProc);
    HWND button = CreateWindowExW(0, u"BUTTON", u"Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 30, top,
                                  nullptr, nullptr, nullptr);
    const QImage plain = platform::windowWidget(button)->grab().toImage();
    buttonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&paintedButton)));
    subclassPaints = 0;
    InvalidateRect(button, nullptr, TRUE);
    const QImage shot = platform::windowWidget(button)->grab().toImage();
    EXPECT_GT(subclassPaints, 0);
    EXPECT_EQ(at(shot, 5, 15), kRed);
    // The right part is the Qt button as before.
    EXPECT_EQ(at(shot, 80, 3), at(plain, 80, 3));
    EXPECT_NE(at(shot, 80, 3), kRed);
    DestroyWindow(top);
}

TEST(ControlPaint, DrawingOnAButtonsDcOutsideItsPaintStaysVisibleUntilItIsInvalidated) {
    HWND top = makeTop(u"ButtonDcHost", plainProc);
    HWND button = CreateWindowExW(0, u"BUTTON", u"Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 30, top,
                                  nullptr, nullptr, nullptr);
    QWidget* widget = platform::windowWidget(button);
    const QImage before = widget->grab().toImage();
    HDC dc = GetDC(button);
    fill(dc, RECT{30, 5, 50, 25}, RGB(0, 0, 255));
    // XOR works on what the control shows.
    SetROP2(dc, R2_NOT);
    MoveToEx(dc, 60, 15, nullptr);
    LineTo(dc, 90, 15);
    ReleaseDC(button, dc);
    const QImage after = grab(top).copy(QRect(10, 10, 100, 30));
    EXPECT_EQ(at(after, 40, 15), kBlue);
    EXPECT_EQ(at(after, 70, 15), ~at(before, 70, 15) & 0xFFFFFF);
    EXPECT_EQ(at(after, 5, 5), at(before, 5, 5));
    InvalidateRect(button, nullptr, TRUE);
    const QImage again = grab(top).copy(QRect(10, 10, 100, 30));
    EXPECT_EQ(at(again, 40, 15), at(before, 40, 15));
    DestroyWindow(top);
}

namespace {
LRESULT panelProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(h, &r);
        fill(reinterpret_cast<HDC>(w), r, RGB(0, 160, 0));
        return 1;
    }
    return DefWindowProcW(h, m, w, l);
}

// A green child window.
HWND makePanel(HWND parent, int x, int y, int w, int h) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = panelProc;
    wc.lpszClassName = u"GreenPanel";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, u"GreenPanel", u"", WS_CHILD | WS_VISIBLE, x, y, w, h, parent, nullptr, nullptr, nullptr);
}
}  // namespace

TEST(Overlay, AnXorLineOverAFormAndItsChildPanelIsUndoneByDrawingItAgain) {
    HWND top = makeTop(u"XorFormHost", plainProc, 200, 120);
    HWND panel = makePanel(top, 100, 0, 100, 120);
    ASSERT_NE(panel, nullptr);
    const QImage original = grab(top);
    ASSERT_EQ(at(original, 150, 60), 0x00A000u);

    auto xorLine = [&] {
        HDC dc = GetDCEx(top, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
        ASSERT_NE(dc, nullptr);
        HPEN pen = CreatePen(PS_SOLID, 4, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(dc, pen);
        SetROP2(dc, R2_XORPEN);
        MoveToEx(dc, 10, 60, nullptr);
        LineTo(dc, 190, 60);
        SelectObject(dc, old);
        DeleteObject(pen);
        ReleaseDC(top, dc);
    };
    xorLine();
    const QImage drawnOnce = grab(top);
    // The line crosses the form (white becomes black) and the panel (green becomes magenta).
    EXPECT_EQ(at(drawnOnce, 50, 60), 0x000000u);
    EXPECT_EQ(at(drawnOnce, 150, 60), 0xFF5FFFu);
    EXPECT_EQ(at(drawnOnce, 150, 20), 0x00A000u);
    xorLine();
    EXPECT_EQ(grab(top), original);

    // A DC that clips children leaves the panel alone.
    HDC clipped = GetDCEx(top, nullptr, DCX_CLIPCHILDREN);
    fill(clipped, RECT{0, 0, 200, 10}, RGB(255, 0, 0));
    ReleaseDC(top, clipped);
    const QImage withClip = grab(top);
    EXPECT_EQ(at(withClip, 50, 5), kRed);
    EXPECT_EQ(at(withClip, 150, 5), 0x00A000u);
    DestroyWindow(top);
}

TEST(Overlay, FocusFramesOnTheScreenDcShowOverTheProgramsWindowsAndGoAwayWhenRepeated) {
    HWND top = makeTop(u"ScreenDcHost", plainProc, 160, 100);
    const QImage original = grab(top);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    RECT r{origin.x + 20, origin.y + 20, origin.x + 80, origin.y + 60};
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(DrawFocusRect(screen, &r));
    const QImage framed = grab(top);
    EXPECT_EQ(at(framed, 20, 20), 0x000000u);
    EXPECT_EQ(at(framed, 21, 20), 0xFFFFFFu);
    EXPECT_EQ(at(framed, 22, 20), 0x000000u);
    EXPECT_EQ(at(framed, 50, 40), 0xFFFFFFu);
    DrawFocusRect(screen, &r);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(grab(top), original);
    DestroyWindow(top);
}

namespace {
int paints = 0;
LRESULT countingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_PAINT) ++paints;
    return DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST(Redraw, SetRedrawFalseHoldsPaintingBackUntilItIsTurnedOn) {
    HWND top = makeTop(u"RedrawHost", countingProc, 120, 80);
    grab(top);
    paints = 0;
    SendMessageW(top, WM_SETREDRAW, FALSE, 0);
    InvalidateRect(top, nullptr, TRUE);
    grab(top);
    EXPECT_EQ(paints, 0);
    SendMessageW(top, WM_SETREDRAW, TRUE, 0);
    grab(top);
    EXPECT_GT(paints, 0);
    DestroyWindow(top);
}

namespace {
std::vector<DWORD> stages;
LRESULT customDrawParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NOTIFY) {
        auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(l);
        if (cd->hdr.code != NM_CUSTOMDRAW) return 0;
        stages.push_back(cd->dwDrawStage);
        switch (cd->dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        case CDDS_ITEMPREPAINT:
            if (cd->dwItemSpec == 1) {
                fill(cd->hdc, cd->rc, RGB(255, 255, 0));
                return CDRF_SKIPDEFAULT;
            }
            return CDRF_NOTIFYPOSTPAINT;
        case CDDS_ITEMPOSTPAINT: {
            RECT corner{cd->rc.left, cd->rc.top, cd->rc.left + 3, cd->rc.top + 3};
            fill(cd->hdc, corner, RGB(0, 0, 255));
            return 0;
        }
        case CDDS_POSTPAINT: {
            RECT line{0, 59, 100, 60};
            fill(cd->hdc, line, RGB(255, 0, 0));
            return 0;
        }
        default: return 0;
        }
    }
    return DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST(CustomDraw, StagesReachTheParentWithDcsOnTheItemsAreas) {
    HWND top = makeTop(u"CustomDrawHost", customDrawParent, 160, 120);
    HWND view = makePanel(top, 0, 0, 100, 60);
    stages.clear();
    QImage canvas(100, 60, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    NMCUSTOMDRAW record{};
    platform::win::CustomDrawPass pass(view, record);
    const QRect all(0, 0, 100, 60);
    pass.begin(painter, all);
    for (int i = 0; i < 3; ++i) {
        const QRect item(0, i * 20, 100, 20);
        pass.item(painter, item, static_cast<DWORD_PTR>(i), 0, 0, [&](QPainter& p) { p.fillRect(item, Qt::gray); });
    }
    pass.end(painter, all);
    painter.end();
    const std::vector<DWORD> expected{CDDS_PREPAINT,     CDDS_ITEMPREPAINT, CDDS_ITEMPOSTPAINT, CDDS_ITEMPREPAINT,
                                      CDDS_ITEMPREPAINT, CDDS_ITEMPOSTPAINT, CDDS_POSTPAINT};
    EXPECT_EQ(stages, expected);
    EXPECT_EQ(at(canvas, 50, 10), QColor(Qt::gray).rgb() & 0xFFFFFF);  // default drawing
    EXPECT_EQ(at(canvas, 1, 1), kBlue);                                 // item post-paint
    EXPECT_EQ(at(canvas, 50, 30), 0xFFFF00u);                           // the program's item, no default
    EXPECT_EQ(at(canvas, 1, 21), 0xFFFF00u);                            // no post-paint for it
    EXPECT_EQ(at(canvas, 1, 41), kBlue);
    EXPECT_EQ(at(canvas, 50, 59), kRed);                                // post-paint of the pass
    DestroyWindow(top);
}
