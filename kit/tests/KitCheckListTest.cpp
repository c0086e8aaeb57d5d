// The check-list box: the bar dialog's list read from its layout, toggled by real clicks,
// space, "+" and "-" with each check kind; radio rules, disabled items, re-creation,
// damaged states in layouts and in the storage, and a screenshot.
#include "kit/KitCheckList.h"

#include "KitTestSupport.h"
#include "classlib/Filer.h"
#include "classlib/Registry.h"
#include "platform/registry.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TConfigBars : public TForm {
    Q_OBJECT
public:
    explicit TConfigBars(TComponent* AOwner) : TForm(AOwner) {
        PublishField("CheckList", CheckList);
        PublishField("FormStorage1", FormStorage1);
    }
    TKitCheckListBox* CheckList = nullptr;
    TFormStorage* FormStorage1 = nullptr;
};

const char* const kBarsLayout =
    "object ConfigBars: TConfigBars\n"
    "  Left = 60\n"
    "  Top = 60\n"
    "  Width = 260\n"
    "  Height = 180\n"
    "  Caption = 'Bars'\n"
    "  object CheckList: TKitCheckListBox\n"
    "    Left = 10\n"
    "    Top = 10\n"
    "    Width = 200\n"
    "    Height = 110\n"
    "    InternalVersion = 202\n"
    "    Strings = (\n"
    "      'Tool panel'\n"
    "      1\n"
    "      True\n"
    "      'Drawing tools panel'\n"
    "      1\n"
    "      True\n"
    "      'Color palette'\n"
    "      1\n"
    "      True)\n"
    "  end\n"
    "end\n";

class CheckList : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterKitCheckList();
        RegisterKitPlacement();
        RegisterClass<TConfigBars>();
        form = new TConfigBars(nullptr);
        ReadComponentText(kBarsLayout, form);
        list = form->CheckList;
        list->OnClickCheck = [this](TObject*) { ++clickChecks; };
        list->OnStateChange = [this](TObject*, int i) { changes.push_back(i); };
        form->Show();
        list->SetFocus();
    }
    void TearDown() override { delete form; }
    QListWidget* view() { return qobject_cast<QListWidget*>(platform::windowWidget(list->Handle())); }
    QRect itemRect(int i) { return view()->visualItemRect(view()->item(i)); }
    void clickCheck(int i) {
        const QRect r = itemRect(i);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(r.left() + list->CheckWidth() / 2 + 1, r.center().y()));
    }
    void clickText(int i) {
        const QRect r = itemRect(i);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(r.left() + 60, r.center().y()));
    }
    void key(char c) { QTest::keyClick(view(), c); }

    TConfigBars* form = nullptr;
    TKitCheckListBox* list = nullptr;
    int clickChecks = 0;
    std::vector<int> changes;
};

}  // namespace

TEST_F(CheckList, TheBarDialogsListTogglesByClickSpacePlusAndMinus) {
    ASSERT_EQ(list->Items()->Count(), 3);
    EXPECT_EQ(list->Items()->Get(1), "Drawing tools panel");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(list->Checked(i)) << i;
        EXPECT_TRUE(list->EnabledItem(i)) << i;
    }
    ASSERT_TRUE(view());

    clickCheck(1);
    EXPECT_FALSE(list->Checked(1));
    EXPECT_EQ(clickChecks, 1);
    EXPECT_EQ(changes, std::vector<int>{1});
    clickText(2);  // beside the check column it only chooses the item
    EXPECT_TRUE(list->Checked(2));
    EXPECT_EQ(list->ItemIndex(), 2);
    key(' ');
    EXPECT_FALSE(list->Checked(2));
    key('+');
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(list->Checked(i)) << i;
    key('-');
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(list->Checked(i)) << i;
    EXPECT_EQ(clickChecks, 4);

    // Grayed comes between unchecked and checked only when allowed.
    list->SetAllowGrayed(true);
    clickCheck(0);
    EXPECT_EQ(list->State(0), cbGrayed);
    clickCheck(0);
    EXPECT_EQ(list->State(0), cbUnchecked);

    // Check marks toggle the same way.
    list->SetAllowGrayed(false);
    list->SetCheckKind(ckCheckMarks);
    clickCheck(0);
    EXPECT_TRUE(list->Checked(0));
}

TEST_F(CheckList, RadioButtonsKeepExactlyOneChecked) {
    list->SetCheckKind(ckRadioButtons);
    EXPECT_EQ(list->CheckedIndex(), 0);
    EXPECT_FALSE(list->Checked(1));
    EXPECT_FALSE(list->Checked(2));
    clickCheck(0);  // the checked one cannot be unchecked
    EXPECT_TRUE(list->Checked(0));
    clickCheck(2);
    EXPECT_EQ(list->CheckedIndex(), 2);
    EXPECT_FALSE(list->Checked(0));
    // Space on the current item, "+" and "-" do not apply to radio buttons.
    clickText(1);
    key(' ');
    EXPECT_EQ(list->CheckedIndex(), 1);
    key('-');
    EXPECT_EQ(list->CheckedIndex(), 1);
    list->SetCheckedIndex(0);
    EXPECT_EQ(list->CheckedIndex(), 0);
    EXPECT_FALSE(list->Checked(1));
}

TEST_F(CheckList, DisabledItemsIgnoreClicksSpaceAndTheAllKeys) {
    list->SetEnabledItem(1, false);
    clickCheck(1);
    EXPECT_TRUE(list->Checked(1));
    clickText(1);
    key(' ');
    EXPECT_TRUE(list->Checked(1));
    key('-');
    EXPECT_FALSE(list->Checked(0));
    EXPECT_TRUE(list->Checked(1));
    EXPECT_FALSE(list->Checked(2));
}

TEST_F(CheckList, RecreatingTheWindowKeepsStatesEnabledFlagsAndData) {
    list->SetState(0, cbUnchecked);
    list->SetEnabledItem(2, false);
    TObject marker;
    list->Items()->SetObjects(1, &marker);
    list->Items()->Add("Another bar");
    list->SetSorted(true);  // a new window
    ASSERT_EQ(list->Items()->Count(), 4);
    // Sorted without regard to case, not by byte order.
    list->Items()->Add("bars");
    EXPECT_EQ(list->Items()->Get(1), "bars");
    list->Items()->Delete(1);
    EXPECT_EQ(list->Items()->Get(0), "Another bar");
    EXPECT_EQ(list->Items()->Get(1), "Color palette");
    EXPECT_FALSE(list->EnabledItem(1));
    EXPECT_TRUE(list->Checked(1));
    EXPECT_EQ(list->Items()->Objects(2), &marker);  // "Drawing tools panel"
    EXPECT_FALSE(list->Checked(3));                 // "Tool panel"
    // Data of -1 is a value like any other; only a bad index is an error.
    list->Items()->SetObjects(0, reinterpret_cast<TObject*>(static_cast<intptr_t>(-1)));
    EXPECT_EQ(list->Items()->Objects(0), reinterpret_cast<TObject*>(static_cast<intptr_t>(-1)));
    EXPECT_EQ(kittest::messageOf<EListError>([&] { list->Items()->Objects(7); }),
              "Der Index der Liste überschreitet das Maximum (7)");
    EXPECT_EQ(kittest::messageOf<EListError>([&] { list->State(-1); }),
              "Der Index der Liste überschreitet das Maximum (-1)");
    EXPECT_EQ(kittest::messageOf<EListError>([&] { list->Items()->Get(4); }),
              "Der Index der Liste überschreitet das Maximum (4)");
}

TEST_F(CheckList, LayoutsWriteAndReadStatesAndDamagedOnesReadUnchecked) {
    list->SetState(1, cbUnchecked);
    list->SetEnabledItem(2, false);
    const String text = WriteComponentText(form);
    EXPECT_NE(text.find("InternalVersion = 202"), String::npos) << text;
    EXPECT_EQ(text.find("Items.Strings"), String::npos) << text;
    TConfigBars copy(nullptr);
    ReadComponentText(text, &copy);
    ASSERT_EQ(copy.CheckList->Items()->Count(), 3);
    EXPECT_TRUE(copy.CheckList->Checked(0));
    EXPECT_FALSE(copy.CheckList->Checked(1));
    EXPECT_FALSE(copy.CheckList->EnabledItem(2));

    // A state of 9 (or a grayed one where none is allowed) loads as unchecked.
    TConfigBars damaged(nullptr);
    ReadComponentText("object ConfigBars: TConfigBars\n"
                      "  object CheckList: TKitCheckListBox\n"
                      "    InternalVersion = 202\n"
                      "    Strings = ('a' 9 True 'b' 2 True 'c' 1 False)\n"
                      "  end\n"
                      "end\n",
                      &damaged);
    ASSERT_EQ(damaged.CheckList->Items()->Count(), 3);
    EXPECT_EQ(damaged.CheckList->State(0), cbUnchecked);
    EXPECT_EQ(damaged.CheckList->State(1), cbUnchecked);
    EXPECT_EQ(damaged.CheckList->State(2), cbChecked);
    damaged.Show();
    (void)platform::windowWidget(damaged.CheckList->Handle())->grab();

    // Layouts of older versions: text, checked, enabled (and a state from version 1 on).
    TConfigBars old(nullptr);
    ReadComponentText("object ConfigBars: TConfigBars\n"
                      "  object CheckList: TKitCheckListBox\n"
                      "    Strings = ('x' True False 'y' False True)\n"
                      "  end\n"
                      "end\n",
                      &old);
    EXPECT_TRUE(old.CheckList->Checked(0));
    EXPECT_FALSE(old.CheckList->EnabledItem(0));
    EXPECT_FALSE(old.CheckList->Checked(1));
}

TEST_F(CheckList, LinkStorageSavesStatesAndReadsBackOnlyValidOnes) {
    testsupport::TempDir dir;
    platform::setRegistryHive(dir.file("registry.ini"));
    auto* storage = new TFormStorage(form);
    storage->SetUseRegistry(true);
    storage->Loaded();
    list->SetIniStorage(storage);
    form->Hide();
    form->Show();  // restores (nothing yet)
    list->SetState(1, cbUnchecked);
    form->Close();  // saves
    const String section = "TConfigBarsCheckList";
    EXPECT_EQ(StoreReadString(nullptr, section, "Count", "none"), "none");  // not an ini object
    TRegIniFile reg("Software\\kit_tests");
    EXPECT_EQ(reg.ReadString(section, "Count", ""), "3");
    EXPECT_EQ(reg.ReadString(section, "Item1", ""), "0");
    reg.WriteString(section, "Item0", "9");
    reg.WriteString(section, "Count", "2000000000");
    list->SetState(1, cbChecked);
    form->Show();
    EXPECT_FALSE(list->Checked(0));  // 9 is no state
    EXPECT_FALSE(list->Checked(1));
    EXPECT_TRUE(list->Checked(2));
    list->SetIniStorage(nullptr);
    platform::setRegistryHive(std::string());
}

TEST_F(CheckList, GraySelectionShowsTheSelectedItemGreyWithoutTheFocus) {
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 130, 100, 24);
    list->SetGraySelection(true);
    clickText(0);
    auto colourAt = [&](int i) {
        const QImage v = view()->viewport()->grab().toImage();
        const QRect r = itemRect(i);
        return v.pixel(r.right() - 4, r.center().y()) & 0xFFFFFF;
    };
    auto rgb = [](TColor c) {
        const COLORREF v = ColorToRGB(c);
        return static_cast<QRgb>((GetRValue(v) << 16) | (GetGValue(v) << 8) | GetBValue(v));
    };
    EXPECT_EQ(colourAt(0), rgb(clHighlight));
    other->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(colourAt(0), rgb(clBtnFace));
    EXPECT_EQ(colourAt(1), rgb(clWindow));
}

TEST_F(CheckList, ScreenshotWithStates) {
    form->SetBounds(60, 60, 470, 200);
    list->SetState(1, cbUnchecked);
    list->Items()->Add("Disabled and checked");
    list->SetState(3, cbChecked);
    list->SetEnabledItem(3, false);
    list->SetAllowGrayed(true);
    list->Items()->Add("Grayed");
    list->SetState(4, cbGrayed);
    list->SetItemIndex(0);
    auto* radios = new TKitCheckListBox(form);
    radios->SetParent(form);
    radios->SetBounds(220, 10, 110, 110);
    radios->SetCheckKind(ckRadioButtons);
    for (const char* s : {"Fit", "Stretch", "Tile"}) radios->Items()->Add(s);
    radios->SetCheckedIndex(1);
    auto* marks = new TKitCheckListBox(form);
    marks->SetParent(form);
    marks->SetBounds(340, 10, 110, 110);
    marks->SetCheckKind(ckCheckMarks);
    for (const char* s : {"Red", "Green", "Blue"}) marks->Items()->Add(s);
    marks->SetChecked(0, true);
    marks->SetChecked(2, true);
    QApplication::processEvents();
    const QImage shot = platform::windowWidget(form->Handle())->grab().toImage();
    const QString dir = QDir::current().absoluteFilePath("screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/kit-checklist.png"));
    // The checked box of the first item has its black tick; the unchecked one has none.
    const QImage v = view()->viewport()->grab().toImage();
    auto darkIn = [&](const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x < r.left() + list->CheckWidth() + 2; ++x) n += qGray(v.pixel(x, y)) < 40;
        return n;
    };
    EXPECT_GT(darkIn(itemRect(0)), darkIn(itemRect(1)) + 10);
}

#include "KitCheckListTest.moc"
