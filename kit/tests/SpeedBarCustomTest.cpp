// Customizing a speed bar with real mouse input: the bar dragged to each edge of its
// window, resized in rows, buttons dragged to new cells and off the bar, the layout kept in
// the registry file and restored by a new process; stored values that are damaged, of
// another version or density, and a huge button count.
#include "kit/SpeedBar.h"

#include "ButtonTestSupport.h"
#include "CustomBarForm.h"
#include "classlib/Registry.h"
#include "kit/KitUtils.h"
#include "platform/registry.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace buttontest;

namespace {

const String kSection = "Software\\kit_tests\\TCustomBarFormToolBar";

String Get(const String& name) {
    TRegistry r(KEY_READ);
    if (!r.OpenKeyReadOnly(kSection) || !r.ValueExists(name)) return "<missing>";
    return r.ReadString(name);
}

void Put(const String& name, const String& value) {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(kSection, true));
    r.WriteString(name, value);
}

// What one item shows: "name@left,top" or "name-" when it is off the bar.
String Places(TSpeedBar* bar) {
    String out;
    bar->ForEachItem([&](TSpeedItem* item) {
        if (!out.empty()) out += " ";
        out += item->Visible() ? Format("%s@%d,%d", {item->Name(), item->Left(), item->Top()}) : item->Name() + "-";
    });
    return out;
}

class CustomBar : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSpeedBar();
        RegisterKitPlacement();
        RegisterClass<TCustomBarForm>();
        platform::setRegistryHive(dir.file("registry.ini"));
    }
    void TearDown() override {
        delete form;
        platform::setRegistryHive(std::string());
    }
    void Open() {
        form = new TCustomBarForm(nullptr);
        form->Show();
        SetActiveWindow(form->Handle());
        QApplication::processEvents();
    }
    QWidget* BarWidget() { return platform::windowWidget(form->ToolBar->Handle()); }
    // A form client point in the bar's coordinates.
    QPoint InBar(int x, int y) {
        const POINT p = form->ToolBar->ScreenToClient(form->ClientToScreen(POINT{x, y}));
        return QPoint(p.x, p.y);
    }
    // A point of the bar that no button covers.
    QPoint EmptySpot() {
        TSpeedBar* bar = form->ToolBar;
        return bar->Orientation() == boHorizontal ? QPoint(bar->ClientWidth() - 12, bar->ClientHeight() / 2)
                                                 : QPoint(bar->ClientWidth() / 2, bar->ClientHeight() - 12);
    }
    // Presses on the bar, moves past the threshold and on to a form point, and releases.
    void DragBarTo(int x, int y) {
        QWidget* w = BarWidget();
        const QPoint start = EmptySpot();
        QTest::mousePress(w, Qt::LeftButton, {}, start);
        QTest::mouseMove(w, start + QPoint(5, 0));
        QTest::mouseMove(w, InBar(x, y));
        QTest::mouseRelease(w, Qt::LeftButton, {}, InBar(x, y));
    }
    testsupport::TempDir dir;
    TCustomBarForm* form = nullptr;
};

}  // namespace

// Run by the test below in a process of its own.
TEST(CustomBarChild, DISABLED_RestoresTheStoredLayout) {
    RegisterSpeedBar();
    RegisterKitPlacement();
    RegisterClass<TCustomBarForm>();
    platform::setRegistryHive(testsupport::env("KIT_BAR_HIVE"));
    std::unique_ptr<TCustomBarForm> form(new TCustomBarForm(nullptr));
    form->Show();
    std::ostringstream got;
    got << static_cast<int>(form->ToolBar->Align()) << " " << form->ToolBar->Width() << " "
        << Places(form->ToolBar);
    EXPECT_EQ(got.str(), testsupport::env("KIT_BAR_EXPECT"));
    form->Close();
}

TEST_F(CustomBar, TheBarGoesToEachEdgeAndItsLayoutComesBackInANewProcess) {
    Open();
    TSpeedBar* bar = form->ToolBar;
    EXPECT_EQ(bar->Align(), alTop);
    EXPECT_EQ(bar->Height(), 28);
    int moved = 0;
    bar->OnPosChanged = [&](TObject*) { ++moved; };
    const int cw = form->ClientWidth(), ch = form->ClientHeight();

    // Dragged with the mouse: the frame follows the edge under the pointer.
    QWidget* w = BarWidget();
    QPoint start = EmptySpot();
    QTest::mousePress(w, Qt::LeftButton, {}, start);
    QTest::mouseMove(w, start + QPoint(4, 4));
    EXPECT_FALSE(bar->BarDragging()) << "4 pixels along both axes are not yet a drag";
    QTest::mouseMove(w, start + QPoint(5, 0));
    EXPECT_TRUE(bar->BarDragging());
    QTest::mouseMove(w, InBar(10, ch / 2));
    const RECT frame = bar->DragFrame();
    const POINT origin = form->ClientToScreen(POINT{0, 0});
    EXPECT_EQ(frame.left, origin.x);
    EXPECT_EQ(frame.right - frame.left, 28);
    EXPECT_EQ(frame.top, origin.y);
    EXPECT_EQ(frame.bottom - frame.top, ch);
    EXPECT_TRUE(FocusFramesShown(frame, 3));
    QTest::mouseRelease(w, Qt::LeftButton, {}, InBar(10, ch / 2));
    EXPECT_FALSE(FocusFramesShown(frame, 3));
    EXPECT_EQ(bar->Align(), alLeft);
    EXPECT_EQ(bar->Width(), 28) << "the bar keeps its thickness";
    EXPECT_EQ(bar->Height(), ch);
    EXPECT_EQ(GetCapture(), nullptr);
    // The buttons turned from a row into a column.
    EXPECT_EQ(bar->FindItemNamed("HandBtn")->Left(), 2);
    EXPECT_EQ(bar->FindItemNamed("HandBtn")->Top(), 26);

    DragBarTo(cw / 2, ch - 5);
    EXPECT_EQ(bar->Align(), alBottom);
    DragBarTo(cw - 5, ch / 2);
    EXPECT_EQ(bar->Align(), alRight);
    DragBarTo(cw / 2, 5);
    EXPECT_EQ(bar->Align(), alTop);
    EXPECT_EQ(bar->Height(), 28);
    DragBarTo(cw - 5, ch / 2);
    EXPECT_EQ(bar->Align(), alRight);
    EXPECT_EQ(moved, 5);
    EXPECT_EQ(bar->Left(), cw - 28);
    EXPECT_EQ(form->Panel1->Width(), cw - 28);

    // Customizing: buttons are dragged instead of pressed, and the bar resizes in rows.
    bar->SetSetupWindow(form->Handle());
    bar->SetEditing(true);
    TSpeedItem* hand = bar->FindItemNamed("HandBtn");
    TSpeedbarButton* b = hand->Button();
    Press(b, 10, 10);
    ASSERT_NE(b->DragPicture(), nullptr);
    // Until the picture's corner is inside the bar it is hidden.
    Move(b, 10, 80);
    EXPECT_FALSE(b->Visible());
    EXPECT_FALSE(b->DragPicture()->HandleAllocated() && IsWindowVisible(b->DragPicture()->Handle()));
    Move(b, 26, 80);
    ASSERT_TRUE(b->DragPicture()->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(b->DragPicture()->Handle()));
    // The picture hangs from the pointer by its lower-right corner.
    RECT pr{};
    GetWindowRect(b->DragPicture()->Handle(), &pr);
    const POINT pointer = b->ClientToScreen(POINT{26, 80});
    EXPECT_EQ(pr.right, pointer.x);
    EXPECT_EQ(pr.bottom, pointer.y);
    EXPECT_EQ(pr.right - pr.left, 24);
    // Released eight rows further down, a little off: the corner snaps to the grid.
    Release(b, 24 + 3, 24 * 9 + 24 - 26 + 2 + 3);
    EXPECT_EQ(b->DragPicture(), nullptr);
    EXPECT_TRUE(b->Visible());
    EXPECT_EQ(hand->Left(), 2);
    EXPECT_EQ(hand->Top(), 2 + 24 * 9);
    EXPECT_EQ(form->clicks, 0) << "a customizing press does not click";
    // Dragged off the bar, a button leaves it.
    TSpeedItem* shape = bar->FindItemNamed("ShapeBtn");
    Press(shape->Button(), 10, 10);
    Release(shape->Button(), -100, 10);
    EXPECT_FALSE(shape->Visible());
    // A drop on a taken cell puts the button back where it was.
    TSpeedItem* zoom = bar->FindItemNamed("ZoomBtn");
    Press(zoom->Button(), 10, 10);
    Release(zoom->Button(), 24 + 2, 48 + 24 + 2);  // the select button's cell
    EXPECT_TRUE(zoom->Visible());
    EXPECT_EQ(zoom->Top(), 2);

    // The left edge of a right bar resizes it in whole button widths.
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(2, 300));
    EXPECT_TRUE(bar->BarResizing());
    QTest::mouseMove(w, QPoint(-60, 300));
    EXPECT_EQ(bar->Width(), 3 * 24 + 2 * 2);
    QTest::mouseMove(w, QPoint(50, 300));
    EXPECT_EQ(bar->Width(), 24 + 2 * 2) << "never below one row";
    QTest::mouseMove(w, QPoint(-45, 300));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-45, 300));
    EXPECT_FALSE(bar->BarResizing());
    const int width = bar->Width();
    EXPECT_EQ(width, 2 * 24 + 2 * 2);
    bar->SetEditing(false);
    bar->SetSetupWindow(nullptr);
    const String places = Places(bar);

    // Closing the window stores the layout as text values of the bar's section.
    form->Close();
    delete form;
    form = nullptr;
    EXPECT_EQ(Get("Position"), "4");
    EXPECT_EQ(Get("Width"), std::to_string(width));
    EXPECT_EQ(Get("Version"), "0");
    EXPECT_EQ(Get("BtnWidth"), "24");
    EXPECT_EQ(Get("Count"), "8");
    EXPECT_EQ(Get("Button1"), "ZoomBtn,2,2");
    EXPECT_EQ(Get("Button2"), "HandBtn,2,218");
    std::ifstream in(dir.file("registry.ini"));
    std::stringstream file;
    file << in.rdbuf();
    EXPECT_NE(file.str().find("[Software\\kit_tests\\TCustomBarFormToolBar]"), std::string::npos) << file.str();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KIT_BAR_HIVE", QString::fromStdString(dir.file("registry.ini")));
    env.insert("KIT_BAR_EXPECT", QString::fromStdString("4 " + std::to_string(width) + " " + places));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=CustomBarChild.DISABLED_RestoresTheStoredLayout"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_NE(out.indexOf("[  PASSED  ] 1 test"), -1) << out.toStdString();
}

TEST_F(CustomBar, ARefusedEdgeKeepsTheFrameAndTheAlignment) {
    Open();
    TSpeedBar* bar = form->ToolBar;
    std::vector<TAlign> asked;
    bar->OnApplyAlign = [&](TObject*, TAlign a, bool& apply) {
        asked.push_back(a);
        apply = false;
    };
    const RECT own = [&] {
        const POINT tl = bar->ClientToScreen(POINT{0, 0});
        return RECT{tl.x, tl.y, tl.x + bar->Width(), tl.y + bar->Height()};
    }();
    QWidget* w = BarWidget();
    const QPoint start = EmptySpot();
    QTest::mousePress(w, Qt::LeftButton, {}, start);
    QTest::mouseMove(w, start + QPoint(0, 6));
    QTest::mouseMove(w, InBar(5, form->ClientHeight() / 2));
    const RECT frame = bar->DragFrame();
    EXPECT_TRUE(EqualRect(&own, &frame));
    QTest::mouseRelease(w, Qt::LeftButton, {}, InBar(5, form->ClientHeight() / 2));
    EXPECT_EQ(bar->Align(), alTop);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), alLeft);
}

TEST_F(CustomBar, EdgesComeFromTheDiagonalsAndAParentWithoutAreaGivesTheTop) {
    Open();
    TSpeedBar* bar = form->ToolBar;
    const int cw = form->ClientWidth(), ch = form->ClientHeight();
    auto edge = [&](int x, int y) {
        bool apply = true;
        const QPoint p = InBar(x, y);
        return bar->DropEdgeAt(POINT{p.x(), p.y()}, apply);
    };
    EXPECT_EQ(edge(cw / 2, 3), 0);
    EXPECT_EQ(edge(cw / 2, ch - 3), 1);
    EXPECT_EQ(edge(3, ch / 2), 2);
    EXPECT_EQ(edge(cw - 3, ch / 2), 3);
    EXPECT_EQ(edge(0, 0), 0) << "the main diagonal counts as not below";
    // A parent without a client area divides by nothing: the top edge.
    auto* empty = new TPanel(form);
    empty->SetParent(form->Panel1);
    empty->SetBounds(10, 10, 0, 0);
    auto* lone = new TSpeedBar(form);
    lone->SetParent(empty);
    std::vector<TAlign> asked;
    lone->OnApplyAlign = [&](TObject*, TAlign a, bool&) { asked.push_back(a); };
    bool apply = true;
    EXPECT_EQ(lone->DropEdgeAt(POINT{5, 5}, apply), 0);
    EXPECT_EQ(asked, std::vector<TAlign>{alTop});
}

TEST_F(CustomBar, StoredLayoutsOfEveryKindLoad) {
    Open();
    TSpeedBar* bar = form->ToolBar;
    const String section = bar->LayoutSection();
    EXPECT_EQ(section, "TCustomBarFormToolBar");
    TRegIniFile ini("Software\\kit_tests");
    auto reload = [&] { bar->LoadBarLayout(&ini, section); };
    const String all = Places(bar);

    // "Count" 0 leaves every item as it is.
    StoreEraseSection(&ini, section);
    StoreWriteInteger(&ini, section, "Count", 0);
    reload();
    EXPECT_EQ(Places(bar), all);
    // One entry in other letter case, outside the offsets: at the offsets, shown.
    StoreWriteInteger(&ini, section, "Count", 2);
    StoreWriteString(&ini, section, "Button1", "zoombtn,-10,5");
    StoreWriteString(&ini, section, "Button2", "Nothing,40,2");
    reload();
    EXPECT_EQ(Places(bar), "ZoomBtn@2,5 HandBtn- SelectBtn- FreeSelBtn- MagicBtn- DropBtn- TxtBtn- LineBtn- ShapeBtn-");
    // Words that are not numbers keep the item's coordinate.
    StoreWriteString(&ini, section, "Button1", "ZoomBtn,abc,26");
    reload();
    EXPECT_EQ(bar->FindItemNamed("ZoomBtn")->Left(), 2);
    EXPECT_EQ(bar->FindItemNamed("ZoomBtn")->Top(), 26);
    // A count matching nothing leaves every item off the bar.
    StoreWriteInteger(&ini, section, "Count", 1);
    StoreWriteString(&ini, section, "Button1", "Missing,1,1");
    reload();
    EXPECT_EQ(Places(bar), "ZoomBtn- HandBtn- SelectBtn- FreeSelBtn- MagicBtn- DropBtn- TxtBtn- LineBtn- ShapeBtn-");

    // Edges that cannot be applied give the top; a stored width is taken with resizing.
    StoreWriteInteger(&ini, section, "Position", 3);
    StoreWriteInteger(&ini, section, "Width", 52);
    reload();
    EXPECT_EQ(bar->Align(), alLeft);
    EXPECT_EQ(bar->Width(), 52);
    for (int position : {9, -1, 0, 5}) {
        bar->SetAlign(alBottom);
        StoreWriteInteger(&ini, section, "Position", position);
        reload();
        EXPECT_EQ(bar->Align(), alTop) << position;
    }
    // Another density changes the edge only; an older layout changes nothing.
    StoreWriteInteger(&ini, section, "Position", 4);
    StoreWriteInteger(&ini, section, "PixelsPerInch", 144);
    StoreWriteInteger(&ini, section, "Count", 1);
    StoreWriteString(&ini, section, "Button1", "HandBtn,2,2");
    reload();
    EXPECT_EQ(bar->Align(), alRight);
    EXPECT_FALSE(bar->FindItemNamed("HandBtn")->Visible());
    bar->SetVersion(3);
    StoreWriteInteger(&ini, section, "Version", 2);
    StoreWriteInteger(&ini, section, "Position", 1);
    reload();
    EXPECT_EQ(bar->Align(), alRight);
    bar->SetVersion(0);

    // A bar with no button shown stores "Count" 0.
    bar->StoreBarLayout(&ini, section);
    EXPECT_EQ(StoreReadString(&ini, section, "Count", ""), "0");
    EXPECT_EQ(StoreReadString(&ini, section, "Button1", "<none>"), "<none>");
    EXPECT_EQ(StoreReadString(&ini, section, "Width", ""), std::to_string(bar->Width()));
}

TEST_F(CustomBar, AHandEditedHugeCountLoadsAtOnce) {
    Put("Position", "1");
    Put("Count", "2000000000");
    Put("Button1", "HandBtn,50,2");
    Put("Button0002", "ZoomBtn,74,2");  // not a name the bar writes
    Put("Button1999999999", "LineBtn,98,2");
    Put("Button2000000001", "ShapeBtn,122,2");  // beyond the count
    QElapsedTimer t;
    t.start();
    Open();
    if (testsupport::TimingChecked()) {
        EXPECT_LT(t.elapsed(), 3000);
    }
    EXPECT_EQ(Places(form->ToolBar),
              "ZoomBtn- HandBtn@50,2 SelectBtn- FreeSelBtn- MagicBtn- DropBtn- TxtBtn- LineBtn@98,2 ShapeBtn-");
}

TEST_F(CustomBar, ScreenshotOfABarOnTheRightWithButtonsMoved) {
    Open();
    DragBarTo(form->ClientWidth() - 5, form->ClientHeight() / 2);
    TSpeedBar* bar = form->ToolBar;
    bar->SetSetupWindow(form->Handle());
    bar->SetEditing(true);
    TSpeedbarButton* b = bar->FindItemNamed("LineBtn")->Button();
    Press(b, 10, 10);
    Release(b, 10 + 24, 10 + 24 * 3);
    bar->SetEditing(false);
    bar->SetSetupWindow(nullptr);
    EXPECT_TRUE(SaveShot(Grab(form), "kit-speedbar-right.png"));
}

