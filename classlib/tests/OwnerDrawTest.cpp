// Owner-drawn list and combo boxes of the class library: CN_DRAWITEM and CN_MEASUREITEM
// reach Style, OnDrawItem, OnMeasureItem and ItemHeight, and a click shows the selection.
#include "classlib/StdCtrls.h"

#include "platform/winuser.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

struct Host {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    template <class T>
    T* make() {
        auto* c = new T(form.get());
        c->SetParent(form.get());
        return c;
    }
};

QRgb at(const QImage& i, int x, int y) { return i.pixel(x, y) & 0xFFFFFF; }

}  // namespace

TEST(OwnerDrawListBox, ItemsAreDrawnByOnDrawItemWithTheSelectedAndFocusedStates) {
    Host h;
    auto* list = h.make<TListBox>();
    list->SetBounds(8, 8, 150, 100);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(22);
    for (const char* s : {"one", "two", "three"}) list->Items()->Add(s);
    struct Call {
        int index;
        RECT rect;
        TOwnerDrawState state;
    };
    std::vector<Call> calls;
    list->OnDrawItem = TDrawItemEvent([&](TWinControl* c, int i, RECT r, TOwnerDrawState s) {
        EXPECT_EQ(c, list);
        calls.push_back({i, r, s});
        // The canvas comes with the highlight colour for a selected item.
        list->Canvas()->FillRect(r);
        if (i == 2) {
            list->Canvas()->Brush()->SetColor(clRed);
            list->Canvas()->FillRect(RECT{r.left, r.top, r.left + 10, r.bottom});
        }
    });
    h.form->Show();
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0), 22);
    auto* view = qobject_cast<QListWidget*>(platform::windowWidget(list->Handle()));
    ASSERT_NE(view, nullptr);
    int clicks = 0;
    list->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(60, 33));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    calls.clear();
    const QImage shot = view->viewport()->grab().toImage();
    ASSERT_FALSE(calls.empty());
    const QRgb highlight = ColorToRGB(clHighlight);
    const QRgb window = ColorToRGB(clWindow);
    auto rgb = [](COLORREF c) { return static_cast<QRgb>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c)); };
    EXPECT_EQ(at(shot, 80, 33), rgb(highlight));
    EXPECT_EQ(at(shot, 80, 11), rgb(window));
    EXPECT_EQ(at(shot, 5, 55), 0xFF0000u);
    bool selectedSeen = false;
    for (const Call& c : calls) {
        EXPECT_EQ(c.rect.bottom - c.rect.top, 22);
        if (c.index == 1) {
            selectedSeen = true;
            EXPECT_TRUE(c.state & odSelected);
        } else {
            EXPECT_FALSE(c.state & odSelected);
        }
    }
    EXPECT_TRUE(selectedSeen);
}

TEST(OwnerDrawListBox, VariableItemsAskTheirHeightsAndTheDefaultDrawingShowsTheText) {
    Host h;
    auto* list = h.make<TListBox>();
    list->SetBounds(8, 8, 150, 120);
    list->SetStyle(lbOwnerDrawVariable);
    std::vector<int> asked;
    list->OnMeasureItem = TMeasureItemEvent([&](TWinControl*, int i, int& height) {
        asked.push_back(i);
        height = 15 + 10 * i;
    });
    list->Items()->Add("W");
    list->Items()->Add("W");
    h.form->Show();
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 1, 0), 25);
    RECT second{};
    SendMessageA(list->Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_EQ(second.top, 15);
    // Without OnDrawItem the text is drawn 2 pixels in.
    auto* view = qobject_cast<QListWidget*>(platform::windowWidget(list->Handle()));
    const QImage shot = view->viewport()->grab().toImage();
    int ink = 0;
    for (int y = 15; y < 40; ++y)
        for (int x = 0; x < 20; ++x) ink += at(shot, x, y) != (at(shot, 100, 20));
    EXPECT_GT(ink, 3);
    int before = 0;
    for (int y = 15; y < 40; ++y) before += at(shot, 0, y) != at(shot, 100, 20);
    EXPECT_EQ(before, 0);
}

TEST(OwnerDrawComboBox, TheSelectionFieldAndTheListAreDrawnByOnDrawItem) {
    Host h;
    auto* combo = h.make<TComboBox>();
    combo->SetBounds(8, 8, 160, 24);
    combo->SetStyle(csOwnerDrawFixed);
    combo->SetItemHeight(18);
    combo->Items()->Add("red");
    combo->Items()->Add("blue");
    std::vector<std::pair<int, TOwnerDrawState>> calls;
    combo->OnDrawItem = TDrawItemEvent([&](TWinControl*, int i, RECT r, TOwnerDrawState s) {
        calls.emplace_back(i, s);
        combo->Canvas()->Brush()->SetColor(i == 0 ? clRed : clBlue);
        combo->Canvas()->FillRect(r);
    });
    combo->SetItemIndex(1);
    h.form->Show();
    EXPECT_EQ(combo->ItemHeight(), 18);
    auto* box = qobject_cast<QComboBox*>(platform::windowWidget(combo->Handle()));
    ASSERT_NE(box, nullptr);
    calls.clear();
    const QImage face = box->grab().toImage();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().first, 1);
    EXPECT_TRUE(calls.back().second & odComboBoxEdit);
    EXPECT_EQ(at(face, 30, 12), 0x0000FFu);
    combo->SetItemIndex(0);
    EXPECT_EQ(at(box->grab().toImage(), 30, 12), 0xFF0000u);
}
