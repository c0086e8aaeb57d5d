// List boxes, combo boxes, memos and the filter combo box: items and the window kept in
// step, selection, sorting, and which changes fire events.
#include "classlib/FileCtrl.h"
#include "classlib/StdCtrls.h"

#include "platform/winuser.h"

#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

struct Host {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    template <class T>
    T* make() {
        auto* c = new T(form.get());
        c->SetParent(form.get());
        return c;
    }
    void notify(TWinControl* c, WORD code) {
        SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(c->Handle()));
    }
};

String windowItem(TWinControl* c, UINT getText, UINT getLen, int i) {
    const LRESULT n = SendMessageA(c->Handle(), getLen, static_cast<WPARAM>(i), 0);
    if (n < 0) return "<none>";
    std::string buf(static_cast<std::size_t>(n) + 1, '\0');
    SendMessageA(c->Handle(), getText, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<std::size_t>(n));
    return buf;
}

}  // namespace

TEST(ListBox, ItemsReachTheWindowAndSelectionSurvivesChanges) {
    Host h;
    auto* list = h.make<TListBox>();
    list->Items()->Add("/b");
    list->Items()->Add("/a");
    list->SetItemIndex(1);
    h.form->Show();
    // Items given before the window exists are in it, with the selection.
    ASSERT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(windowItem(list, LB_GETTEXT, LB_GETTEXTLEN, 1), "/a");
    EXPECT_EQ(list->ItemIndex(), 1);
    int clicks = 0;
    list->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    // Code changes fire nothing; an index out of range clears the selection.
    list->SetItemIndex(0);
    list->SetItemIndex(7);
    EXPECT_EQ(list->ItemIndex(), -1);
    list->Items()->Insert(0, "/c");
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(windowItem(list, LB_GETTEXT, LB_GETTEXTLEN, 0), "/c");
    EXPECT_EQ(clicks, 0);
    // The user's choice fires OnClick.
    SendMessageA(list->Handle(), LB_SETCURSEL, 2, 0);
    h.notify(list, LBN_SELCHANGE);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_TRUE(list->Selected(2));
    EXPECT_FALSE(list->Selected(0));
    EXPECT_THROW(list->Selected(3), EListError);
    // Sorted reorders the items and the window.
    list->SetSorted(true);
    EXPECT_EQ(list->Items()->Strings(0), "/a");
    EXPECT_EQ(windowItem(list, LB_GETTEXT, LB_GETTEXTLEN, 2), "/c");
    // The selection survives recreating the window.
    list->SetItemIndex(1);
    list->SetMultiSelect(true);
    h.form->Show();
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(list->ItemIndex(), 1);
    list->Clear();
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 0);
}

TEST(ListBox, TheMouseChoosesAndADoubleClickFiresOnce) {
    Host h;
    auto* list = h.make<TListBox>();
    list->SetBounds(0, 0, 200, 120);
    for (const char* s : {"/one", "/two", "/three"}) list->Items()->Add(s);
    h.form->SetBounds(0, 0, 240, 160);
    h.form->Show();
    QWidget* w = platform::windowWidget(list->Handle());
    auto* view = qobject_cast<QListWidget*>(w);
    if (!view && w) view = w->findChild<QListWidget*>();
    ASSERT_NE(view, nullptr);
    int clicks = 0, dblClicks = 0;
    list->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    list->OnDblClick = TNotifyEvent([&](TObject*) { ++dblClicks; });
    const QPoint at = view->visualItemRect(view->item(1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(dblClicks, 0);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(list->ItemIndex(), 1);
}

TEST(ComboBox, OnChangeFiresOnTheUsersActionOnly) {
    Host h;
    auto* combo = h.make<TComboBox>();
    combo->Items()->Add("one");
    combo->Items()->Add("two");
    int changes = 0;
    combo->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    combo->SetText("typed");
    EXPECT_EQ(combo->Text(), "typed");
    EXPECT_EQ(combo->ItemIndex(), -1);
    h.form->Show();
    EXPECT_EQ(combo->Text(), "typed");  // kept when the window is made
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "two");
    combo->SetText("one");
    EXPECT_EQ(combo->ItemIndex(), 0);
    combo->Items()->Add("three");
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(changes, 0);
    // Picking an entry and typing are the user's: both fire.
    SendMessageA(combo->Handle(), CB_SETCURSEL, 2, 0);
    h.notify(combo, CBN_SELCHANGE);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), "three");
    SetWindowTextA(combo->Handle(), "thr");
    h.notify(combo, CBN_EDITCHANGE);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(combo->Text(), "thr");
    // With OnSelect, a pick goes there instead of OnChange.
    int selects = 0;
    combo->OnSelect = TNotifyEvent([&](TObject*) { ++selects; });
    SendMessageA(combo->Handle(), CB_SETCURSEL, 0, 0);
    h.notify(combo, CBN_SELCHANGE);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(changes, 2);
}

TEST(ComboBox, DropDownListTakesOnlyItsEntries) {
    Host h;
    auto* combo = h.make<TComboBox>();
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("Pages");
    combo->Items()->Add("Millimetres");
    EXPECT_EQ(combo->Text(), "");
    combo->SetText("Inches");
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetText("Millimetres");
    EXPECT_EQ(combo->ItemIndex(), 1);
    h.form->Show();
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "Millimetres");
    combo->Items()->Delete(1);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), "");
}

TEST(Memo, LinesAndTheWindowTextStayInStep) {
    Host h;
    auto* memo = h.make<TMemo>();
    memo->Lines()->Add("first");
    memo->Lines()->Add("second");
    h.form->Show();
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Lines()->Strings(1), "second");
    int changes = 0;
    memo->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    // The user edits: Lines follow.
    SetWindowTextA(memo->Handle(), "a\r\nb\r\nc");
    h.notify(memo, EN_CHANGE);
    ASSERT_EQ(memo->Lines()->Count(), 3);
    EXPECT_EQ(memo->Lines()->Strings(2), "c");
    EXPECT_GE(changes, 1);
    // Code sets the text or the lines: both views agree.
    memo->SetText("x\ny");
    EXPECT_EQ(memo->Lines()->Count(), 2);
    memo->Lines()->Clear();
    memo->Lines()->Add("The quality is 187DPI");
    const LRESULT n = SendMessageA(memo->Handle(), WM_GETTEXTLENGTH, 0, 0);
    EXPECT_EQ(n, 21);
    memo->SetWordWrap(false);
    memo->SetScrollBars(ssBoth);
    h.form->Show();
    EXPECT_EQ(memo->Lines()->Strings(0), "The quality is 187DPI");
    EXPECT_TRUE(GetWindowLongA(memo->Handle(), GWL_STYLE) & WS_HSCROLL);
}

TEST(FilterComboBox, EntriesAndMasksComeFromTheFilter) {
    Host h;
    auto* f = h.make<TFilterComboBox>();
    EXPECT_EQ(f->Items()->Count(), 1);
    EXPECT_EQ(f->Mask(), "*.*");
    f->SetFilter("All pictures|*.BMP;*.DIB;*.PNG|BMP - Windows, OS/2 Bitmap|*.BMP|All files (*.*)|*.*");
    ASSERT_EQ(f->Items()->Count(), 3);
    EXPECT_EQ(f->Items()->Strings(1), "BMP - Windows, OS/2 Bitmap");
    EXPECT_EQ(f->ItemIndex(), 0);
    EXPECT_EQ(f->Mask(), "*.BMP;*.DIB;*.PNG");
    int changes = 0;
    f->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    h.form->Show();
    SendMessageA(f->Handle(), CB_SETCURSEL, 1, 0);
    h.notify(f, CBN_SELCHANGE);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(f->Mask(), "*.BMP");
    f->SetFilter("");
    EXPECT_EQ(f->Items()->Count(), 0);
    EXPECT_EQ(f->Mask(), "*.*");
    EXPECT_EQ(changes, 1);
}
