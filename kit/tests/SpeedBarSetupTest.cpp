// The setup window of a speed bar: its lists follow the bar, buttons go from the list onto
// the bar through the drag manager and from the bar back off it, and closing the window or
// destroying the bar ends customizing.
#include "kit/SpeedBarSetup.h"

#include "ButtonTestSupport.h"
#include "CustomBarForm.h"
#include "kit/KitUtils.h"
#include "platform/registry.h"
#include "testsupport/TestSupport.h"

#include <QListWidget>
#include <gtest/gtest.h>

using namespace buttontest;

namespace {

class SetupWindow : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSpeedBarSetup();
        RegisterKitPlacement();
        RegisterClass<TCustomBarForm>();
        platform::setRegistryHive(dir.file("registry.ini"));
        form = new TCustomBarForm(nullptr);
        form->Show();
    }
    void TearDown() override {
        delete form;
        platform::setRegistryHive(std::string());
    }
    QListWidget* ListOf(TWinControl* c) { return qobject_cast<QListWidget*>(platform::windowWidget(c->Handle())); }
    QPoint RowCentre(TWinControl* c, int row) {
        QListWidget* l = ListOf(c);
        return l->visualItemRect(l->item(row)).center();
    }
    testsupport::TempDir dir;
    TCustomBarForm* form = nullptr;
};

std::vector<String> Names(TSpeedbarSetupWindow* w) {
    std::vector<String> out;
    for (int i = 0; w->ItemAt(i); ++i) out.push_back(w->ItemAt(i)->Name());
    return out;
}

}  // namespace

TEST_F(SetupWindow, ButtonsGoFromTheListOntoTheBarAndBackOff) {
    TSpeedBar* bar = form->ToolBar;
    TSpeedItem* shape = bar->FindItemNamed("ShapeBtn");
    shape->SetVisible(false);
    int customized = 0;
    bar->OnCustomize = [&](TObject*) { ++customized; };
    TSpeedbarSetupWindow* setup = ShowSpeedbarSetupWindow(bar);
    ASSERT_TRUE(setup);
    EXPECT_EQ(customized, 1);
    EXPECT_EQ(bar->SetupWindow(), setup->Handle());
    EXPECT_TRUE(bar->FindItemNamed("ZoomBtn")->Customizing());
    EXPECT_EQ(ShowSpeedbarSetupWindow(bar), setup) << "one window per bar";
    ASSERT_EQ(setup->SectionList->Count(), 2);
    EXPECT_EQ(setup->SectionList->Items()->Strings(1), "Shapes");
    EXPECT_EQ(Names(setup).size(), 6u);

    // The second section chosen with the mouse.
    QTest::mouseClick(ListOf(setup->SectionList)->viewport(), Qt::LeftButton, {}, RowCentre(setup->SectionList, 1));
    EXPECT_EQ(Names(setup), (std::vector<String>{"TxtBtn", "LineBtn", "ShapeBtn"}));

    // The shape button dragged from the list onto the bar's free end.
    QWidget* list = ListOf(setup->ButtonsList)->viewport();
    const QPoint row = RowCentre(setup->ButtonsList, 2);
    QTest::mousePress(list, Qt::LeftButton, {}, row);
    QTest::mouseMove(list, row + QPoint(8, 0));
    ASSERT_NE(CurrentDragObject(), nullptr);
    QWidget* barWidget = platform::windowWidget(bar->Handle());
    QTest::mouseMove(barWidget, QPoint(302, 14));
    EXPECT_EQ(GetCursor(), Screen->Cursors(crKitDrag)) << "the bar takes the drop";
    QTest::mouseRelease(barWidget, Qt::LeftButton, {}, QPoint(302, 14));
    EXPECT_EQ(CurrentDragObject(), nullptr);
    EXPECT_TRUE(shape->Visible());
    EXPECT_EQ(shape->Left(), 290);
    EXPECT_EQ(shape->Top(), 2);

    // The line button dragged off the bar leaves it; the list shows it again as available.
    TSpeedItem* line = bar->FindItemNamed("LineBtn");
    ASSERT_TRUE(line->Visible());
    Press(line->Button(), 10, 10);
    Release(line->Button(), 10, 160);
    EXPECT_FALSE(line->Visible());
    EXPECT_EQ(Names(setup), (std::vector<String>{"TxtBtn", "LineBtn", "ShapeBtn"}));

    const QImage shot = platform::windowWidget(setup->Handle())->grab().toImage();
    EXPECT_TRUE(SaveShot(shot, "kit-speedbar-setup.png"));
    EXPECT_TRUE(SaveShot(Grab(form), "kit-speedbar-customized.png"));

    // Closing the window ends customizing.
    QTest::mouseClick(platform::windowWidget(setup->CloseBtn->Handle()), Qt::LeftButton, {}, QPoint(10, 10));
    QApplication::processEvents();
    EXPECT_EQ(bar->SetupWindow(), nullptr);
    EXPECT_FALSE(bar->FindItemNamed("ZoomBtn")->Customizing());
    int clicks = 0;
    bar->FindItemNamed("ZoomBtn")->SetOnClick([&](TObject*) { ++clicks; });
    ClickAt(bar->FindItemNamed("ZoomBtn")->Button(), 10, 10);
    EXPECT_EQ(clicks, 1);
}

TEST_F(SetupWindow, DestroyingTheBarClosesItsSetupWindow) {
    TSpeedbarSetupWindow* setup = ShowSpeedbarSetupWindow(form->ToolBar);
    ASSERT_TRUE(setup);
    QPointer<TSpeedbarSetupWindow> alive(setup);
    delete form->ToolBar;
    EXPECT_EQ(setup->SpeedBar(), nullptr);
    EXPECT_EQ(setup->SectionList->Count(), 0);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::processPendingMessages();
    EXPECT_TRUE(alive.isNull()) << "the closed window frees itself";
}

