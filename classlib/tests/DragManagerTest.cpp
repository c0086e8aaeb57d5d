// The drag manager driven by the mouse: a press on one control, moves across others and a
// release, with the targets' answers, the cursor, the drag images and cancelling.
#include "classlib/DragImgList.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

struct Over {
    TObject* source;
    int x;
    int y;
    TDragState state;
};

// A panel whose drags show an image list's first image.
class ImagePanel : public TPanel {
public:
    explicit ImagePanel(TComponent* owner) : TPanel(owner) {}
    TDragImageList* images = nullptr;
    TDragImageList* GetDragImages() override { return images; }
};

class DragManager : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 400, 240);
        source = new ImagePanel(form);
        source->SetParent(form);
        source->SetBounds(10, 10, 100, 80);
        source->SetDragCursor(crHandPoint);
        target = new TPanel(form);
        target->SetParent(form);
        target->SetBounds(200, 10, 150, 120);
        refusing = new TPanel(form);
        refusing->SetParent(form);
        refusing->SetBounds(200, 150, 150, 60);
        target->OnDragOver = TDragOverEvent([this](TObject*, TObject* src, int x, int y, TDragState st, bool& accept) {
            overs.push_back({src, x, y, st});
            accept = acceptDrops;
        });
        target->OnDragDrop = TDragDropEvent([this](TObject*, TObject* src, int x, int y) {
            drops.push_back({src, x, y, dsDragMove});
        });
        refusing->OnDragOver =
            TDragOverEvent([this](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = false; ++refusedAsks; });
        source->OnEndDrag = TEndDragEvent([this](TObject*, TObject* t, int x, int y) {
            ends.push_back({t, x, y, dsDragMove});
        });
        form->Show();
    }
    void TearDown() override {
        if (CurrentDragObject()) CancelDrag();
        delete form;
    }
    QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    HCURSOR cursorOf(TCursor c) { return Screen->Cursors(c); }

    TForm* form = nullptr;
    ImagePanel* source = nullptr;
    TPanel* target = nullptr;
    TPanel* refusing = nullptr;
    bool acceptDrops = true;
    std::vector<Over> overs;
    std::vector<Over> drops;
    std::vector<Over> ends;
    int refusedAsks = 0;
};

}  // namespace

TEST_F(DragManager, AutomaticDragCarriesTheSourceToAnAcceptingTargetWithItsCursor) {
    source->SetDragMode(dmAutomatic);
    bool mouseDown = false;
    source->OnMouseDown = TMouseEvent([&](TObject*, TMouseButton, TShiftState, int, int) { mouseDown = true; });
    QTest::mousePress(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_TRUE(source->Dragging());
    EXPECT_FALSE(mouseDown);  // the press started the drag instead
    ASSERT_NE(CurrentDragObject(), nullptr);

    QTest::mouseMove(widgetOf(target), QPoint(30, 40));
    QTest::mouseMove(widgetOf(target), QPoint(35, 45));
    ASSERT_EQ(overs.size(), 2u);
    EXPECT_EQ(overs[0].state, dsDragEnter);
    EXPECT_EQ(overs[1].state, dsDragMove);
    EXPECT_EQ(overs[1].source, source);
    EXPECT_EQ(overs[1].x, 35);
    EXPECT_EQ(overs[1].y, 45);
    EXPECT_EQ(GetCursor(), cursorOf(crHandPoint));

    QTest::mouseRelease(widgetOf(target), Qt::LeftButton, Qt::NoModifier, QPoint(35, 45));
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].source, source);
    EXPECT_EQ(drops[0].x, 35);
    EXPECT_EQ(drops[0].y, 45);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].source, target);
    EXPECT_EQ(ends[0].x, 35);
    EXPECT_EQ(ends[0].y, 45);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(CurrentDragObject(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DragManager, RefusingTargetsShowTheNoDropCursorAndReleaseThereDropsNothing) {
    source->SetDragMode(dmAutomatic);
    QTest::mousePress(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseMove(widgetOf(refusing), QPoint(10, 10));
    EXPECT_GE(refusedAsks, 1);
    EXPECT_EQ(GetCursor(), cursorOf(crNoDrop));
    // A target without OnDragOver (the form) refuses too.
    QTest::mouseMove(widgetOf(form), QPoint(150, 200));
    EXPECT_EQ(GetCursor(), cursorOf(crNoDrop));
    // A target that says no while moving over it.
    QTest::mouseMove(widgetOf(target), QPoint(5, 5));
    EXPECT_EQ(GetCursor(), cursorOf(crHandPoint));
    acceptDrops = false;
    QTest::mouseMove(widgetOf(target), QPoint(6, 6));
    EXPECT_EQ(GetCursor(), cursorOf(crNoDrop));
    QTest::mouseRelease(widgetOf(target), Qt::LeftButton, Qt::NoModifier, QPoint(6, 6));
    EXPECT_TRUE(drops.empty());
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].source, nullptr);
    ASSERT_FALSE(overs.empty());
    EXPECT_EQ(overs.back().state, dsDragLeave);  // the target hears that the drag left it
}

TEST_F(DragManager, EscapeAndTheRightButtonCancelADrag) {
    source->SetDragMode(dmAutomatic);
    QTest::mousePress(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseMove(widgetOf(target), QPoint(30, 30));
    QTest::keyClick(widgetOf(form), Qt::Key_Escape);
    EXPECT_FALSE(source->Dragging());
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].source, nullptr);
    EXPECT_EQ(overs.back().state, dsDragLeave);
    QTest::mouseRelease(widgetOf(target), Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    EXPECT_TRUE(drops.empty());

    QTest::mousePress(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseMove(widgetOf(target), QPoint(30, 30));
    QTest::mousePress(widgetOf(target), Qt::RightButton, Qt::NoModifier, QPoint(30, 30));
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(ends.size(), 2u);
    EXPECT_TRUE(drops.empty());
}

TEST_F(DragManager, ADragThatWaitsForTheThresholdStartsOnlyBeyondIt) {
    source->OnMouseDown = TMouseEvent([this](TObject*, TMouseButton b, TShiftState, int, int) {
        if (b == mbLeft) source->BeginDrag(false, 5);
    });
    QTest::mousePress(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_TRUE(source->Dragging());
    QTest::mouseMove(widgetOf(source), QPoint(24, 16));  // 4 pixels along both axes
    EXPECT_TRUE(overs.empty());
    EXPECT_EQ(CurrentDragObject()->DragTarget, nullptr);
    QTest::mouseRelease(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(24, 16));
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].source, nullptr);

    QTest::mousePress(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseMove(widgetOf(source), QPoint(25, 20));
    EXPECT_EQ(CurrentDragObject()->DragTarget, source);  // the drag is under way, over its source
    QTest::mouseMove(widgetOf(target), QPoint(50, 60));
    QTest::mouseRelease(widgetOf(target), Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].x, 50);
    EXPECT_EQ(ends.back().source, target);
}

TEST_F(DragManager, AGraphicControlIsATargetInItsOwnCoordinates) {
    auto* box = new TPaintBox(form);
    box->SetParent(target);
    box->SetBounds(40, 30, 60, 50);
    std::vector<POINT> at;
    box->OnDragOver = TDragOverEvent([&](TObject*, TObject*, int x, int y, TDragState, bool& accept) {
        at.push_back(POINT{x, y});
        accept = true;
    });
    TObject* dropped = nullptr;
    box->OnDragDrop = TDragDropEvent([&](TObject*, TObject* src, int, int) { dropped = src; });
    source->BeginDrag(true);
    QTest::mouseMove(widgetOf(target), QPoint(50, 45));
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0].x, 10);
    EXPECT_EQ(at[0].y, 15);
    EXPECT_TRUE(overs.empty());  // the panel under the box is not asked
    QTest::mouseRelease(widgetOf(target), Qt::LeftButton, Qt::NoModifier, QPoint(50, 45));
    EXPECT_EQ(dropped, source);
    EXPECT_EQ(ends.back().source, box);
}

TEST_F(DragManager, AnObjectFromOnStartDragIsTheSourceAndStaysItsMakers) {
    class Parcel : public TDragObject {
    public:
        int finished = 0;
        bool accepted = false;
        void Finished(TObject*, int, int, bool a) override {
            ++finished;
            accepted = a;
        }
    };
    auto parcel = std::make_unique<Parcel>();
    source->OnStartDrag = TStartDragEvent([&](TObject*, TDragObject*& obj) { obj = parcel.get(); });
    source->SetDragMode(dmAutomatic);
    QTest::mousePress(widgetOf(source), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseMove(widgetOf(target), QPoint(30, 30));
    ASSERT_FALSE(overs.empty());
    EXPECT_EQ(overs.back().source, parcel.get());
    EXPECT_TRUE(IsDragObject(overs.back().source));
    EXPECT_FALSE(IsDragObject(source));
    QTest::mouseRelease(widgetOf(target), Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    EXPECT_EQ(parcel->finished, 1);
    EXPECT_TRUE(parcel->accepted);
    EXPECT_TRUE(parcel->Dropped);
    EXPECT_EQ(parcel->DragTarget, target);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].source, parcel.get());
    EXPECT_TRUE(ends.empty());  // the object, not the control, heard of the end
}

TEST_F(DragManager, TheDragImageShowsOnlyOverControlsThatDisplayIt) {
    TDragImageList images(16, 16);
    TBitmap pic;
    pic.SetWidth(16);
    pic.SetHeight(16);
    pic.Canvas()->Brush()->SetColor(clRed);
    RECT all{0, 0, 16, 16};
    pic.Canvas()->FillRect(all);
    ASSERT_EQ(images.Add(&pic, nullptr), 0);
    ASSERT_TRUE(images.SetDragImage(0, 4, 6));
    source->images = &images;
    target->ControlStyle |= csDisplayDragImage;
    auto dragWindow = []() -> QWidget* {
        for (QWidget* w : QApplication::topLevelWidgets())
            if ((w->windowFlags() & Qt::ToolTip) == Qt::ToolTip && w->isVisible()) return w;
        return nullptr;
    };
    source->BeginDrag(true);
    QTest::mouseMove(widgetOf(refusing), QPoint(10, 10));
    EXPECT_EQ(dragWindow(), nullptr);
    QTest::mouseMove(widgetOf(target), QPoint(30, 40));
    QWidget* shown = dragWindow();
    ASSERT_NE(shown, nullptr);
    const QPoint global = widgetOf(target)->mapToGlobal(QPoint(30, 40));
    EXPECT_EQ(shown->pos(), global - QPoint(4, 6));
    EXPECT_EQ(shown->size(), QSize(16, 16));
    QTest::mouseMove(widgetOf(form), QPoint(150, 220));
    EXPECT_EQ(dragWindow(), nullptr);
    QTest::mouseMove(widgetOf(target), QPoint(31, 41));
    ASSERT_NE(dragWindow(), nullptr);
    QTest::mouseRelease(widgetOf(target), Qt::LeftButton, Qt::NoModifier, QPoint(31, 41));
    EXPECT_EQ(dragWindow(), nullptr);
    EXPECT_FALSE(images.Dragging());
}

TEST_F(DragManager, ASourceOrTargetDestroyedDuringTheDragEndsItSafely) {
    source->BeginDrag(true);
    QTest::mouseMove(widgetOf(target), QPoint(30, 30));
    delete target;
    target = nullptr;
    EXPECT_TRUE(source->Dragging());
    QTest::mouseMove(widgetOf(refusing), QPoint(10, 10));
    delete source;
    source = nullptr;
    EXPECT_EQ(CurrentDragObject(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(drops.empty());
    EXPECT_TRUE(ends.empty());  // a control going away hears nothing more
    // The next drag works.
    refusing->BeginDrag(true);
    EXPECT_TRUE(refusing->Dragging());
    refusing->EndDrag(false);
    EXPECT_FALSE(refusing->Dragging());
}
