// The wide list view on a form, on both roads of the platform switch: wide captions,
// sub-items and columns in the window, a new window, 8-bit texts set through the class
// library, the display buffer's limits, sorting, owner data, and label edits through real
// key events in the in-place edit window.
#include "WideTestControls.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace widetest;

namespace {

class WideList : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        platform::setUnicodeWindows(GetParam());
        savedLocale = platform::collationLocaleName();
        platform::setCollationLocale("de_DE");
        InitApplication();
        registerClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(40, 40, 520, 320);
        list = new TWideListView(form.get());
        list->SetParent(form.get());
        list->SetBounds(0, 0, 500, 280);
    }
    void TearDown() override {
        form.reset();
        platform::setUnicodeWindows(true);
        platform::setCollationLocale(savedLocale);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
    bool wide() const { return GetParam(); }
    void show() {
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::windowWidget(form->Handle())));
        QApplication::processEvents();
    }
    void report(int columns) {
        list->SetViewStyle(vsReport);
        const WideString names[] = {Cyrillic, Greek, u"Größe", Cjk};
        for (int i = 0; i < columns; ++i) {
            TWideListColumn* c = list->Columns()->Add();
            c->SetCaption(names[i % 4]);
            c->SetWidth(120);
        }
    }
    TWideListItem* add(const WideString& caption, std::initializer_list<WideString> subItems = {}) {
        TWideListItem* item = list->Items()->Add();
        item->SetCaption(caption);
        for (const WideString& s : subItems) item->SubItems()->Add(s);
        return item;
    }
    // What the window shows of an item's caption (sub-item 0) or sub-item.
    WideString shown(int index, int subItem) {
        char16_t buf[300] = {};
        LVITEMW it{};
        it.iSubItem = subItem;
        it.pszText = reinterpret_cast<LPWSTR>(buf);
        it.cchTextMax = 300;
        SendMessageW(list->Handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&it));
        return WideString(buf);
    }
    WideString column(int index) {
        char16_t buf[100] = {};
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT;
        c.pszText = reinterpret_cast<LPWSTR>(buf);
        c.cchTextMax = 100;
        SendMessageW(list->Handle(), LVM_GETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c));
        return WideString(buf);
    }
    // The text the class library's 8-bit road can show of a wide text.
    WideString throughAnsi(const WideString& s) const { return wide() ? s : AnsiToWide(WideToAnsi(s)); }
    QWidget* editWidget() {
        const auto edit = reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETEDITCONTROL, 0, 0));
        return edit ? platform::windowWidget(edit) : nullptr;
    }
    static void typeText(QWidget* w, const QString& text) {
        for (const char32_t c : text.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, one);
            QApplication::sendEvent(w, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, one);
            QApplication::sendEvent(w, &release);
        }
    }

    std::unique_ptr<TForm> form;
    TWideListView* list = nullptr;
    std::string savedLocale;
};

INSTANTIATE_TEST_SUITE_P(Switch, WideList, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Utf16" : "Ansi"; });

}  // namespace

TEST_P(WideList, ItemsSubItemsAndColumnsShowTheirWideTextsAlsoInANewWindow) {
    if (wide()) {
        ASSERT_TRUE(platform::setAnsiCodePage(1252));  // the class library's texts lose them
    }
    report(3);
    add(Cjk + u" 1", {Greek, Astral});
    add(Cyrillic, {u"Größe"});
    add(Greek + u" " + Astral);
    show();
    EXPECT_EQ(IsWindowUnicode(list->Handle()) != FALSE, wide());
    EXPECT_EQ(SendMessageW(list->Handle(), CCM_GETUNICODEFORMAT, 0, 0) != 0, wide());
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(shown(0, 0), throughAnsi(Cjk + u" 1"));
        EXPECT_EQ(shown(0, 1), throughAnsi(Greek));
        EXPECT_EQ(shown(0, 2), throughAnsi(Astral));
        EXPECT_EQ(shown(1, 0), throughAnsi(Cyrillic));
        EXPECT_EQ(shown(1, 1), u"Größe");
        EXPECT_EQ(shown(2, 0), throughAnsi(Greek + u" " + Astral));
        // A sub-item beyond the item's sub-items shows nothing.
        EXPECT_EQ(shown(1, 2), u"");
        EXPECT_EQ(column(0), throughAnsi(Cyrillic));
        EXPECT_EQ(column(1), throughAnsi(Greek));
        EXPECT_EQ(list->Items()->Item(0)->Caption(), Cjk + u" 1");
        EXPECT_EQ(list->Items()->Item(0)->SubItems()->Get(1), Astral);
        saveShot(list, std::string("list-") + (wide() ? "utf16" : "ansi") + "-" + std::to_string(round) + ".png");
        // A style that needs a new window.
        const HWND before = list->Handle();
        list->SetMultiSelect(round == 0);
        EXPECT_NE(list->Handle(), before);
    }
}

TEST_P(WideList, EightBitTextsSetThroughTheClassLibraryReachTheWideOnes) {
    if (wide()) {
        ASSERT_TRUE(platform::setAnsiCodePage(1252));
    }
    report(3);
    TWideListItem* item = add(Cjk, {Greek, Cyrillic});
    show();
    // Other changes of the item leave the wide texts alone.
    item->SetImageIndex(2);
    item->Update();
    EXPECT_EQ(item->SubItems()->Get(0), Greek);
    EXPECT_EQ(item->SubItems()->Get(1), Cyrillic);
    // 8-bit texts set apart from the wide ones win.
    item->TListItem::SetCaption(WideToAnsi(u"Café"));
    EXPECT_EQ(item->Caption(), u"Café");
    EXPECT_EQ(shown(0, 0), u"Café");
    item->TListItem::SubItems()->Put(1, WideToAnsi(u"Straße"));
    EXPECT_EQ(item->SubItems()->Get(1), u"Straße");
    EXPECT_EQ(item->SubItems()->Get(0), Greek);
    EXPECT_EQ(shown(0, 2), u"Straße");
    item->TListItem::SubItems()->Add("neu");
    EXPECT_EQ(item->SubItems()->Count(), 3);
    EXPECT_EQ(item->SubItems()->Get(2), u"neu");
    // Wide sub-items go on to the 8-bit ones, and the objects live there.
    TObject marker;
    item->SubItems()->AddObject(Cjk, &marker);
    EXPECT_EQ(item->TListItem::SubItems()->Count(), 4);
    EXPECT_EQ(item->TListItem::SubItems()->GetObject(3), &marker);
    EXPECT_EQ(item->SubItems()->GetObject(3), &marker);
    item->SubItems()->Delete(0);
    EXPECT_EQ(item->TListItem::SubItems()->Count(), 3);
    EXPECT_EQ(item->SubItems()->Get(0), u"Straße");
}

TEST_P(WideList, TheDisplayBufferHoldsAtMostItsSizeLessOneAndNothingWhenEmpty) {
    report(2);
    add(u"Ελληνικά", {u"ab"});
    show();
    if (!wide()) {
        EXPECT_EQ(shown(0, 0), u"Ελληνικά");
        return;
    }
    char16_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    NMLVDISPINFOW d{};
    d.hdr.hwndFrom = list->Handle();
    d.hdr.code = LVN_GETDISPINFOW;
    d.item.mask = LVIF_TEXT;
    d.item.iItem = 0;
    d.item.pszText = reinterpret_cast<LPWSTR>(buffer);
    d.item.cchTextMax = 5;
    list->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&d));
    EXPECT_EQ(WideString(buffer), u"Ελλη");
    EXPECT_EQ(d.item.mask, LVIF_TEXT);
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    d.item.cchTextMax = 0;
    list->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&d));
    EXPECT_EQ(buffer[0], u'#');  // no terminator in front of a buffer of no size
    d.item.cchTextMax = 1;
    list->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&d));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], u'#');
}

TEST_P(WideList, SortingWithoutOnCompareFollowsTheLocaleAndCaseOfTheWideCaptions) {
    const std::vector<WideString> captions = {u"zebra", u"Äpfel", u"apfel", u"Zebra", u"ähre", u"Bär"};
    for (const WideString& c : captions) add(c);
    show();
    ASSERT_TRUE(list->AlphaSort());
    std::vector<WideString> order;
    for (int i = 0; i < list->Items()->Count(); ++i) order.push_back(list->Items()->Item(i)->Caption());
    std::vector<WideString> expected = captions;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const WideString& a, const WideString& b) { return lstrcmpW(a.c_str(), b.c_str()) < 0; });
    EXPECT_EQ(order, expected);
    // Not the order of the code units: the umlauts sort among their letters.
    EXPECT_LT(std::find(order.begin(), order.end(), u"Äpfel"), std::find(order.begin(), order.end(), u"Bär"));
    EXPECT_LT(std::find(order.begin(), order.end(), u"Bär"), std::find(order.begin(), order.end(), u"zebra"));
    for (int i = 0; i < list->Items()->Count(); ++i) EXPECT_EQ(shown(i, 0), order[static_cast<std::size_t>(i)]);
    // A comparison that leaves the result alone keeps the order.
    int asked = 0;
    list->OnCompare = TLVCompareEvent([&](TObject*, TListItem*, TListItem*, int, int&) { ++asked; });
    std::reverse(order.begin(), order.end());
    list->Items()->BeginUpdate();
    list->Items()->Clear();
    for (const WideString& c : order) add(c);
    list->Items()->EndUpdate();
    ASSERT_TRUE(list->AlphaSort());
    EXPECT_GT(asked, 0);
    for (int i = 0; i < list->Items()->Count(); ++i) EXPECT_EQ(list->Items()->Item(i)->Caption(), order[static_cast<std::size_t>(i)]);
}

TEST_P(WideList, ALabelEditCommitsAWideNameWithEnterAndEscapeFiresNoOnEdited) {
    report(1);
    TWideListItem* item = add(u"Alt");
    add(u"Zweite");
    std::vector<WideString> edited;
    std::vector<WORD> keys;
    list->OnEdited = TWideLVEditedEvent([&](TObject*, TWideListItem* Item, WideString& S) {
        EXPECT_EQ(Item, item);
        edited.push_back(S);
        S += u"!";
    });
    list->OnKeyDown = TKeyEvent([&](TObject*, WORD& Key, TShiftState) { keys.push_back(Key); });
    list->OnKeyPress = TKeyPressEvent([](TObject*, char& Key) {
        if (Key == 'q') Key = 0;  // the list view's handler swallows it before the edit
    });
    show();
    ASSERT_TRUE(item->EditCaption());
    QWidget* ew = editWidget();
    ASSERT_NE(ew, nullptr);
    QTest::keyClick(ew, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(ew, Qt::Key_Q);
    typeText(ew, QString::fromStdU16String(Cjk + u" " + Astral));
    QTest::keyClick(ew, Qt::Key_Return);
    // On UTF-16 windows the edit's keys go to the list view's handlers first.
    const WideString typed = (wide() ? u"" : u"q") + Cjk + u" " + Astral;
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0], typed);
    EXPECT_EQ(item->Caption(), typed + u"!");
    EXPECT_EQ(shown(0, 0), typed + u"!");
    EXPECT_EQ(std::find(keys.begin(), keys.end(), VK_RETURN) != keys.end(), wide());
    EXPECT_EQ(editWidget(), nullptr);
    // Escape ends the edit without OnEdited.
    ASSERT_TRUE(item->EditCaption());
    ew = editWidget();
    ASSERT_NE(ew, nullptr);
    typeText(ew, QStringLiteral("verworfen"));
    QTest::keyClick(ew, Qt::Key_Escape);
    EXPECT_EQ(edited.size(), 1u);
    EXPECT_EQ(item->Caption(), typed + u"!");
    saveShot(list, std::string("list-edited-") + (wide() ? "utf16" : "ansi") + ".png");
}

TEST_P(WideList, OwnerDataServesWideTextsAndFindsWithTheWideString) {
    if (wide()) {
        ASSERT_TRUE(platform::setAnsiCodePage(1252));
    }
    report(2);
    list->SetOwnerData(true);
    list->OnData = TLVOwnerDataEvent([](TObject*, TListItem* Item) {
        auto* w = qobject_cast<TWideListItem*>(Item);
        ASSERT_NE(w, nullptr);
        w->SetCaption(Greek + u" " + WideString(1, static_cast<char16_t>(u'0' + Item->Index())));
        w->SubItems()->Add(Cjk);
    });
    WideString sought;
    list->OnDataFind = TWideLVOwnerDataFindEvent([&](TObject*, TItemFind, const WideString& FindString, const POINT&,
                                                     void*, int, TSearchDirection, bool, int& Index) {
        sought = FindString;
        Index = 3;
    });
    list->Items()->SetCount(5);
    show();
    EXPECT_EQ(shown(2, 0), throughAnsi(Greek + u" 2"));
    EXPECT_EQ(shown(4, 1), throughAnsi(Cjk));
    LVFINDINFOW f{};
    f.flags = LVFI_STRING;
    const WideString what = Cyrillic;
    f.psz = what.c_str();
    EXPECT_EQ(SendMessageW(list->Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&f)), 3);
    EXPECT_EQ(sought, throughAnsi(Cyrillic));
}

TEST_P(WideList, OwnerDrawnRowsShowTheWideCaption) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    report(1);
    list->SetOwnerDraw(true);
    add(u"x");  // takes the focus, drawn with its frame
    TListItem* item = add(Cyrillic);
    // A row showing what the 8-bit caption keeps of it.
    const WideString kept = AnsiToWide(item->Caption());
    ASSERT_NE(kept, Cyrillic);
    add(kept);
    show();
    QImage shot = platform::windowWidget(list->Handle())->grab().toImage();
    const RECT first = list->Items()->Item(1)->DisplayRect(drBounds);
    const RECT second = list->Items()->Item(2)->DisplayRect(drBounds);
    ASSERT_GT(first.bottom, first.top);
    const int h = static_cast<int>(first.bottom - first.top);
    const QImage a = shot.copy(0, first.top, 200, h), b = shot.copy(0, second.top, 200, h);
    // The canvas draws wide text on both roads, so the Cyrillic row is drawn whole.
    EXPECT_NE(a, b);
}

TEST(WideListView, TextsKeptForANewWindowAreDroppedWhenTheItemsChangedMeanwhile) {
    InitApplication();
    registerClasses();
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* list = new TWideListView(&form);
    list->SetParent(&form);
    list->SetViewStyle(vsReport);
    list->Columns()->Add()->SetCaption(u"Name");
    list->Columns()->Add()->SetCaption(u"Art");
    for (const WideString& name : {WideString(u"Α"), WideString(u"Β")}) {
        TWideListItem* item = list->Items()->Add();
        item->SetCaption(name);
        item->SubItems()->Add(name + u" sub");
    }
    list->HandleNeeded();
    // The window goes; while it is away an item comes first; then a new window.
    list->SetParent(nullptr);
    EXPECT_FALSE(list->HandleAllocated());
    auto* first = static_cast<TWideListItem*>(list->Items()->Insert(0));
    first->SetCaption(u"Χ");
    first->SubItems()->Add(u"Χ sub");
    list->SetParent(&form);
    list->HandleNeeded();
    for (int i = 0; i < 3; ++i) {
        TWideListItem* item = list->Items()->Item(i);
        EXPECT_EQ(item->SubItems()->Get(0), item->Caption() + u" sub") << i;
    }
}

TEST(WideListView, ItemsOfAnotherClassAreAnInvalidCast) {
    InitApplication();
    TForm form(nullptr);
    auto* list = new TWideListView(&form);
    list->SetParent(&form);
    list->Items()->AddItem(new TListItem(list->Items()));
    EXPECT_THROW(list->Items()->Item(0), EInvalidCast);
    EXPECT_NE(qobject_cast<TWideListColumn*>(list->Columns()->Add()), nullptr);
}
