// The class library's list view on a form, driven through Qt mouse and key events: items
// and columns reach the window, selection and clicks fire the events, owner data is asked
// through OnData only for what shows, label edits end in OnEdited, column clicks and
// sorting, check boxes, custom-drawn items, and a window re-created with its items intact.
#include "classlib/ComCtrls.h"
#include "classlib/Filer.h"
#include "classlib/Forms.h"

#include "platform/winuser.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

struct Host {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TListView* list;
    Host() {
        form->SetBounds(40, 40, 460, 340);
        list = new TListView(form.get());
        list->SetParent(form.get());
        list->SetBounds(0, 0, 440, 300);
    }
    void show() {
        form->Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
        QApplication::processEvents();
    }
    QWidget* viewport() const {
        auto* area = qobject_cast<QAbstractScrollArea*>(platform::windowWidget(list->Handle()));
        return area ? area->viewport() : nullptr;
    }
    // The centre of an item's label in the viewport's coordinates.
    QPoint at(TListItem* item) const {
        const RECT r = item->DisplayRect(drLabel);
        return viewport()->mapFrom(platform::windowWidget(list->Handle()), QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
};

void fillReport(TListView* list, int n) {
    list->SetViewStyle(vsReport);
    TListColumn* c = list->Columns()->Add();
    c->SetCaption("Name");
    c->SetWidth(150);
    c = list->Columns()->Add();
    c->SetCaption("Size");
    c->SetWidth(80);
    c->SetAlignment(taRightJustify);
    for (int i = 0; i < n; ++i) {
        TListItem* it = list->Items()->Add();
        it->SetCaption("File " + std::to_string(i));
        it->SubItems()->Add(std::to_string((n - i) * 100));
    }
}

String windowText(TListView* list, int row, int sub) {
    char buffer[64] = {};
    LVITEMA it{};
    it.iSubItem = sub;
    it.pszText = buffer;
    it.cchTextMax = 64;
    SendMessageA(list->Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
    return buffer;
}

}  // namespace

TEST(ListView, ItemsColumnsAndSubItemsReachTheWindowAndSurviveItsRecreation) {
    Host h;
    fillReport(h.list, 4);
    h.show();
    EXPECT_EQ(SendMessageA(h.list->Handle(), LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(windowText(h.list, 2, 0), "File 2");
    EXPECT_EQ(windowText(h.list, 2, 1), "200");
    h.list->Items()->Item(2)->SetCaption("Renamed");
    h.list->Items()->Item(2)->SubItems()->SetStrings(0, "7");
    h.list->Items()->Item(2)->SubItems()->Add("extra");
    EXPECT_EQ(windowText(h.list, 2, 0), "Renamed");
    EXPECT_EQ(windowText(h.list, 2, 1), "7");
    EXPECT_EQ(windowText(h.list, 2, 2), "extra");
    HWND header = reinterpret_cast<HWND>(SendMessageA(h.list->Handle(), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 2);
    h.list->Column(1)->SetWidth(120);
    EXPECT_EQ(SendMessageA(h.list->Handle(), LVM_GETCOLUMNWIDTH, 1, 0), 120);
    // Selection and check marks live on in the items while the window is made anew.
    h.list->SetCheckboxes(true);
    h.list->Items()->Item(1)->SetChecked(true);
    h.list->Items()->Item(3)->SetSelected(true);
    h.list->SetMultiSelect(true);  // re-creates the window
    EXPECT_EQ(SendMessageA(h.list->Handle(), LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(windowText(h.list, 2, 0), "Renamed");
    EXPECT_TRUE(h.list->Items()->Item(1)->Checked());
    EXPECT_FALSE(h.list->Items()->Item(0)->Checked());
    EXPECT_EQ(h.list->Selected(), h.list->Items()->Item(3));
    EXPECT_EQ(h.list->Column(1)->Width(), 120);
    // Deleting fires OnDeletion with the item still whole.
    String deleted;
    h.list->OnDeletion = TLVDeletedEvent([&](TObject*, TListItem* it) { deleted += it->Caption() + ";"; });
    h.list->Items()->Delete(0);
    EXPECT_EQ(deleted, "File 0;");
    EXPECT_EQ(h.list->Items()->Count(), 3);
    EXPECT_EQ(windowText(h.list, 0, 0), "File 1");
    h.list->Items()->Clear();
    EXPECT_EQ(deleted, "File 0;File 1;Renamed;File 3;");
    EXPECT_EQ(SendMessageA(h.list->Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_THROW(h.list->Items()->Item(0), EListError);
}

TEST(ListView, ClicksSelectItemsAndFireTheEvents) {
    Host h;
    fillReport(h.list, 6);
    h.list->SetMultiSelect(true);
    h.show();
    std::vector<std::pair<String, bool>> selections;
    int clicks = 0, doubles = 0;
    h.list->OnSelectItem = TLVSelectItemEvent([&](TObject*, TListItem* it, bool on) { selections.emplace_back(it ? it->Caption() : "-", on); });
    h.list->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    h.list->OnDblClick = TNotifyEvent([&](TObject*) { ++doubles; });
    QWidget* vp = h.viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, h.at(h.list->Items()->Item(1)));
    EXPECT_EQ(h.list->Selected(), h.list->Items()->Item(1));
    EXPECT_EQ(h.list->ItemFocused(), h.list->Items()->Item(1));
    EXPECT_EQ(clicks, 1);
    ASSERT_FALSE(selections.empty());
    EXPECT_EQ(selections.back(), std::make_pair(String("File 1"), true));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, h.at(h.list->Items()->Item(3)));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, h.at(h.list->Items()->Item(5)));
    EXPECT_EQ(h.list->SelCount(), 3);
    EXPECT_FALSE(h.list->Items()->Item(1)->Selected());
    EXPECT_TRUE(h.list->Items()->Item(4)->Selected());
    QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, h.at(h.list->Items()->Item(2)));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(h.list->Selected(), h.list->Items()->Item(2));
    // OnChanging may refuse a change.
    h.list->OnChanging = TLVChangingEvent([](TObject*, TListItem* it, TItemChange, bool& allow) { allow = it->Caption() != "File 0"; });
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, h.at(h.list->Items()->Item(0)));
    EXPECT_FALSE(h.list->Items()->Item(0)->Selected());
    EXPECT_EQ(h.list->GetItemAt(h.at(h.list->Items()->Item(4)).x(), h.list->Items()->Item(4)->DisplayRect(drBounds).top + 2),
              h.list->Items()->Item(4));
}

TEST(ListView, OwnerDataAsksOnDataOnlyForTheShownItems) {
    Host h;
    h.list->SetViewStyle(vsReport);
    h.list->SetOwnerData(true);
    for (const char* name : {"Name", "A", "B", "C"}) {
        TListColumn* c = h.list->Columns()->Add();
        c->SetCaption(name);
        c->SetWidth(90);
    }
    std::set<int> asked;
    int calls = 0;
    h.list->OnData = TLVOwnerDataEvent([&](TObject*, TListItem* it) {
        ++calls;
        asked.insert(it->Index());
        it->SetCaption("Row " + std::to_string(it->Index()));
        it->SubItems()->Clear();
        for (int k = 1; k <= 3; ++k) it->SubItems()->Add(std::to_string(it->Index() * k));
    });
    h.list->Items()->SetCount(100000);
    h.show();
    // Once shown, a list that nothing changes asks for nothing more.
    QTest::qWait(100);
    calls = 0;
    QTest::qWait(150);
    EXPECT_EQ(calls, 0);
    asked.clear();
    calls = 0;
    platform::windowWidget(h.list->Handle())->grab();
    const int rows = h.list->VisibleRowCount();
    EXPECT_GT(rows, 5);
    EXPECT_LE(static_cast<int>(asked.size()), rows + 1);
    EXPECT_EQ(*asked.begin(), 0);
    EXPECT_LE(calls, (rows + 1) * 4);
    EXPECT_EQ(windowText(h.list, 99999, 3), "299997");
    EXPECT_EQ(h.list->Items()->Item(1234)->Caption(), "Row 1234");
    // The hint and the selection of a range reach their events.
    int hintFrom = -1, hintTo = -1;
    h.list->OnDataHint = TLVOwnerDataHintEvent([&](TObject*, int a, int b) { hintFrom = a; hintTo = b; });
    h.list->Items()->Item(500)->MakeVisible(false);
    platform::windowWidget(h.list->Handle())->grab();
    EXPECT_LE(hintFrom, 500);
    EXPECT_GE(hintTo, 500);
    TListItem* top = h.list->TopItem();
    ASSERT_NE(top, nullptr);
    const int first = top->Index();
    std::pair<int, int> range{-1, -1};
    h.list->OnDataStateChange = TLVOwnerDataStateChangeEvent([&](TObject*, int a, int b, UINT, UINT) { range = {a, b}; });
    QWidget* vp = h.viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, h.at(h.list->Items()->Item(first + 1)));
    EXPECT_EQ(h.list->Selected()->Index(), first + 1);
    // Typing finds through OnDataFind.
    String sought;
    h.list->OnDataFind = TLVOwnerDataFindEvent([&](TObject*, TItemFind find, const String& s, const POINT&, void*, int, TSearchDirection, bool, int& index) {
        sought = s;
        if (find == ifPartialString && s == "r7") index = 7000;
    });
    h.list->SetFocus();
    QApplication::processEvents();
    QTest::keyClicks(platform::windowWidget(h.list->Handle()), "r7");
    EXPECT_EQ(sought, "r7");
    EXPECT_EQ(h.list->ItemFocused()->Index(), 7000);
    (void)range;
}

TEST(ListView, LabelEditsByClickEndInOnEditedAndEscapeCancels) {
    Host h;
    fillReport(h.list, 3);
    h.show();
    std::vector<String> edited;
    h.list->OnEdited = TLVEditedEvent([&](TObject*, TListItem*, String& s) {
        edited.push_back(s);
        s += "!";  // the handler may change the text
    });
    bool allow = true;
    h.list->OnEditing = TLVEditingEvent([&](TObject*, TListItem*, bool& a) { a = allow; });
    QWidget* vp = h.viewport();
    TListItem* item = h.list->Items()->Item(1);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, h.at(item));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, h.at(item));
    QTest::qWait(static_cast<int>(GetDoubleClickTime()) + 150);
    ASSERT_TRUE(h.list->IsEditing());
    HWND edit = reinterpret_cast<HWND>(SendMessageA(h.list->Handle(), LVM_GETEDITCONTROL, 0, 0));
    QWidget* ew = platform::windowWidget(edit);
    QTest::keyClick(ew, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(ew, "New name");
    QTest::keyClick(ew, Qt::Key_Return);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0], "New name");
    EXPECT_EQ(item->Caption(), "New name!");
    EXPECT_EQ(windowText(h.list, 1, 0), "New name!");
    EXPECT_FALSE(h.list->IsEditing());
    ASSERT_TRUE(item->EditCaption());
    QTest::keyClicks(platform::windowWidget(reinterpret_cast<HWND>(SendMessageA(h.list->Handle(), LVM_GETEDITCONTROL, 0, 0))), "zz");
    QTest::keyClick(platform::windowWidget(reinterpret_cast<HWND>(SendMessageA(h.list->Handle(), LVM_GETEDITCONTROL, 0, 0))), Qt::Key_Escape);
    EXPECT_EQ(edited.size(), 1u);
    EXPECT_EQ(item->Caption(), "New name!");
    // OnEditing refuses; ReadOnly allows no editing at all.
    allow = false;
    EXPECT_FALSE(item->EditCaption());
    EXPECT_FALSE(h.list->IsEditing());
}

TEST(ListView, ColumnClickSortsByTheHandlersCompareAndCheckBoxesToggleBySpace) {
    Host h;
    fillReport(h.list, 5);
    h.list->SetCheckboxes(true);
    h.show();
    int sortColumn = -1;
    h.list->OnCompare = TLVCompareEvent([&](TObject*, TListItem* a, TListItem* b, int, int& r) {
        const String x = sortColumn == 0 ? a->Caption() : a->SubItems()->Strings(0);
        const String y = sortColumn == 0 ? b->Caption() : b->SubItems()->Strings(0);
        r = sortColumn == 0 ? x.compare(y) : std::stoi(x) - std::stoi(y);
    });
    h.list->OnColumnClick = TLVColumnClickEvent([&](TObject* s, TListColumn* c) {
        sortColumn = c->Index();
        static_cast<TListView*>(s)->AlphaSort();
    });
    HWND header = reinterpret_cast<HWND>(SendMessageA(h.list->Handle(), LVM_GETHEADER, 0, 0));
    QWidget* hw = platform::windowWidget(header);
    QTest::mouseClick(hw, Qt::LeftButton, Qt::NoModifier, QPoint(180, hw->height() / 2));
    EXPECT_EQ(sortColumn, 1);
    EXPECT_EQ(h.list->Items()->Item(0)->Caption(), "File 4");  // size 100
    EXPECT_EQ(windowText(h.list, 0, 1), "100");
    EXPECT_EQ(windowText(h.list, 4, 0), "File 0");
    QTest::mouseClick(hw, Qt::LeftButton, Qt::NoModifier, QPoint(40, hw->height() / 2));
    EXPECT_EQ(sortColumn, 0);
    EXPECT_EQ(h.list->Items()->Item(0)->Caption(), "File 0");

    TListItem* item = h.list->Items()->Item(2);
    QTest::mouseClick(h.viewport(), Qt::LeftButton, Qt::NoModifier, h.at(item));
    h.list->SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(item->Checked());
    QTest::keyClick(platform::windowWidget(h.list->Handle()), Qt::Key_Space);
    EXPECT_TRUE(item->Checked());
    EXPECT_FALSE(h.list->Items()->Item(1)->Checked());
}

TEST(ListView, CustomDrawnItemsShowTheHandlersColours) {
    Host h;
    fillReport(h.list, 4);
    h.list->OnCustomDrawItem = TLVCustomDrawItemEvent([](TCustomListView* s, TListItem* it, TCustomDrawState, bool& def) {
        if (it->Index() == 1) s->Canvas()->Font()->SetColor(clRed);
        if (it->Index() == 3) {
            // Drawn by the handler alone.
            const RECT r = it->DisplayRect(drBounds);
            s->Canvas()->Brush()->SetColor(clLime);
            s->Canvas()->FillRect(r);
            def = false;
        }
    });
    h.show();
    const QImage shot = platform::windowWidget(h.list->Handle())->grab().toImage();
    auto count = [&](TListItem* it, auto pred) {
        const RECT r = it->DisplayRect(drBounds);
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += pred(shot.pixelColor(x, y)) ? 1 : 0;
        return n;
    };
    auto red = [](const QColor& c) { return c.red() > 180 && c.green() < 90 && c.blue() < 90; };
    auto lime = [](const QColor& c) { return c == QColor(0, 255, 0); };
    EXPECT_GT(count(h.list->Items()->Item(1), red), 5);
    EXPECT_EQ(count(h.list->Items()->Item(0), red), 0);
    const RECT r3 = h.list->Items()->Item(3)->DisplayRect(drBounds);
    EXPECT_EQ(count(h.list->Items()->Item(3), lime), (r3.right - r3.left) * (r3.bottom - r3.top));
}

TEST(ListView, LayoutsReadAndWriteItsPropertiesAndColumns) {
    RegisterStandardClasses();
    const String text = R"(object ListForm: TForm
  Left = 10
  Top = 10
  Width = 400
  Height = 300
  object Files: TListView
    Left = 8
    Top = 8
    Width = 320
    Height = 200
    ViewStyle = vsReport
    MultiSelect = True
    Checkboxes = True
    RowSelect = True
    Columns = <
      item
        Caption = 'Name'
        Width = 140
      end
      item
        Caption = 'Size'
        Width = 60
        Alignment = taRightJustify
      end>
  end
end
)";
    std::unique_ptr<TForm> form(new TForm(nullptr));
    ReadComponentText(text, form.get());
    auto* list = qobject_cast<TListView*>(form->FindComponent("Files"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ViewStyle(), vsReport);
    EXPECT_TRUE(list->MultiSelect());
    EXPECT_TRUE(list->Checkboxes());
    ASSERT_EQ(list->Columns()->Count(), 2);
    EXPECT_EQ(list->Column(1)->Caption(), "Size");
    EXPECT_EQ(list->Column(1)->Alignment(), taRightJustify);
    list->Items()->Add()->SetCaption("a.txt");
    form->Show();
    EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETCOLUMNWIDTH, 0, 0), 140);
    EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
              LPARAM(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT));
    EXPECT_EQ(GetWindowLongA(list->Handle(), GWL_STYLE) & LVS_TYPEMASK, LONG(LVS_REPORT));
    const String written = WriteComponentText(form.get());
    EXPECT_NE(written.find("ViewStyle = vsReport"), String::npos) << written;
    EXPECT_NE(written.find("Caption = 'Size'"), String::npos) << written;
    EXPECT_EQ(written.find("SortType"), String::npos) << written;  // defaults stay out
    EXPECT_EQ(written.find("OwnerData"), String::npos) << written;
}

TEST(ListView, AReportSwitchedToIconsShowsNoHeaderStrip) {
    Host h;
    fillReport(h.list, 6);
    h.show();
    HWND header = reinterpret_cast<HWND>(SendMessageA(h.list->Handle(), LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(IsWindowVisible(header));
    h.list->SetViewStyle(vsIcon);
    QApplication::processEvents();
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(SendMessageA(h.list->Handle(), LVM_GETHEADER, 0, 0))));
    // Nothing of a header is left over the icons: the top of the view is its background.
    const QImage shot = platform::windowWidget(h.list->Handle())->grab().toImage();
    EXPECT_EQ(shot.pixelColor(200, 12), shot.pixelColor(200, 250));
    EXPECT_EQ(shot.pixelColor(400, 8), shot.pixelColor(400, 250));
}
