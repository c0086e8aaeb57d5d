// The splitter dragged with real mouse events: its resize modes and cursors, the new size
// on release, Escape and a refused position, the limits, the XOR line on the form, and its
// layout properties.
#include "kit/KitSplit.h"

#include "classlib/Filer.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class Splitter : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterKitSplit();
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 400, 300);
        // A client panel above a bottom panel, the splitter between them.
        bottom = new TPanel(form);
        bottom->SetParent(form);
        bottom->SetHeight(80);
        bottom->SetAlign(alBottom);
        split = new TKitSplitter(form);
        split->SetParent(form);
        split->SetTop(form->ClientHeight() - 90);
        split->SetAlign(alBottom);
        client = new TPanel(form);
        client->SetParent(form);
        client->SetAlign(alClient);
        form->Show();
        QApplication::processEvents();
    }
    void TearDown() override { delete form; }

    QWidget* widget(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    void press(QPoint at) { QTest::mousePress(widget(split), Qt::LeftButton, Qt::NoModifier, at); }
    void move(QPoint to) {
        QMouseEvent e(QEvent::MouseMove, QPointF(to), QPointF(widget(split)->mapToGlobal(to)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget(split), &e);
    }
    void release(QPoint at) { QTest::mouseRelease(widget(split), Qt::LeftButton, Qt::NoModifier, at); }
    QImage shot() { return widget(form)->grab().toImage(); }

    TForm* form = nullptr;
    TPanel* bottom = nullptr;
    TPanel* client = nullptr;
    TKitSplitter* split = nullptr;
};

}  // namespace

TEST_F(Splitter, TakesTheSiblingBeyondItsEdgeAndShowsTheSplitCursor) {
    EXPECT_EQ(split->Height(), 3);
    EXPECT_EQ(split->ControlFirst(), bottom);
    EXPECT_EQ(split->ResizeMode(), TKitSplitter::rmSecondHeight);
    EXPECT_EQ(split->ResizedControl(), bottom);
    EXPECT_EQ(split->Cursor(), crVSplit);
    // Itself and forms are refused.
    split->SetControlSecond(split);
    EXPECT_EQ(split->ControlSecond(), nullptr);
    split->SetControlSecond(form);
    EXPECT_EQ(split->ControlSecond(), nullptr);
    // A control freed is forgotten.
    auto* other = new TPanel(form);
    split->SetControlSecond(other);
    delete other;
    EXPECT_EQ(split->ControlSecond(), nullptr);
}

TEST_F(Splitter, ModesFollowTheAlignmentsAndAMismatchDoesNotDrag) {
    auto* left = new TPanel(form);
    left->SetParent(form);
    left->SetWidth(100);
    left->SetAlign(alLeft);
    auto* vsplit = new TKitSplitter(form);
    vsplit->SetParent(form);
    vsplit->SetLeft(101);
    vsplit->SetAlign(alLeft);
    EXPECT_EQ(vsplit->ControlFirst(), left);
    EXPECT_EQ(vsplit->ResizeMode(), TKitSplitter::rmFirstWidth);
    EXPECT_EQ(vsplit->Cursor(), crHSplit);
    // A client first with a right-aligned second resizes the second.
    vsplit->SetControlFirst(client);
    vsplit->SetControlSecond(left);
    left->SetAlign(alRight);
    vsplit->SetAlign(alRight);
    EXPECT_EQ(vsplit->ResizeMode(), TKitSplitter::rmSecondWidth);
    EXPECT_EQ(vsplit->ResizedControl(), left);

    // The bottom splitter set to the top no longer matches its bottom panel.
    split->SetAlign(alTop);
    EXPECT_EQ(split->ResizeMode(), TKitSplitter::rmNone);
    EXPECT_EQ(split->Cursor(), crDefault);
    const int before = bottom->Height();
    press(QPoint(5, 1));
    EXPECT_FALSE(split->IsDragging());
    move(QPoint(5, -40));
    release(QPoint(5, -40));
    EXPECT_EQ(bottom->Height(), before);
}

TEST_F(Splitter, ReleaseAppliesTheOffsetAndEscapeLeavesEverything) {
    int changed = 0;
    split->OnPosChanged = [&](TObject*) { ++changed; };
    const QImage clean = shot();
    press(QPoint(50, 1));
    ASSERT_TRUE(split->IsDragging());
    EXPECT_NE(shot(), clean) << "the line shows over the form while dragging";
    move(QPoint(50, -39));
    EXPECT_EQ(bottom->Height(), 80) << "nothing changes before the release";
    release(QPoint(50, -39));
    EXPECT_FALSE(split->IsDragging());
    EXPECT_EQ(bottom->Height(), 120);
    EXPECT_EQ(split->Top() + split->Height(), bottom->Top());
    EXPECT_EQ(changed, 1);

    const QImage afterDrag = shot();
    const int clientHeight = client->Height();
    press(QPoint(50, 1));
    move(QPoint(50, 31));
    // Escape reaches the splitter whichever control has the focus.
    client->SetFocus();
    QTest::keyClick(widget(client), Qt::Key_Escape);
    EXPECT_FALSE(split->IsDragging());
    release(QPoint(50, 31));
    EXPECT_EQ(bottom->Height(), 120);
    EXPECT_EQ(client->Height(), clientHeight);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(shot(), afterDrag) << "the line is gone";
    // The application's own message handler is back.
    EXPECT_FALSE(Application->OnMessage);
}

TEST_F(Splitter, AResizedBottomControlKeepsItsPlaceAmongTheOthers) {
    // A strip below the bottom panel, as a status bar sits there.
    auto* strip = new TPanel(form);
    strip->SetParent(form);
    strip->SetBounds(0, form->ClientHeight(), 100, 20);  // below everything
    strip->SetAlign(alBottom);
    form->Realign();
    ASSERT_EQ(strip->Top() + strip->Height(), form->ClientHeight());
    ASSERT_EQ(bottom->Top() + bottom->Height(), strip->Top());
    press(QPoint(50, 1));
    move(QPoint(50, -59));
    release(QPoint(50, -59));
    EXPECT_EQ(bottom->Height(), 140);
    EXPECT_EQ(strip->Top() + strip->Height(), form->ClientHeight()) << "the strip stays the lowest";
    EXPECT_EQ(bottom->Top() + bottom->Height(), strip->Top());
    EXPECT_EQ(split->Top() + split->Height(), bottom->Top());
}

TEST_F(Splitter, TheLimitsHoldTheLineAndNoControlShrinksBelowOnePixel) {
    // Dragged far up: the line stops 20 pixels below the top edge.
    press(QPoint(50, 1));
    move(QPoint(50, -1000));
    EXPECT_EQ(split->LinePosition().y, 20);
    EXPECT_EQ(::GetCursor(), Screen->Cursors(crNoDrop)) << "the clamped position shows the no-drop cursor";
    release(QPoint(50, -1000));
    EXPECT_EQ(split->Top(), 19);
    EXPECT_EQ(bottom->Height(), form->ClientHeight() - 22);
    EXPECT_EQ(::GetCursor(), Screen->Cursors(crVSplit));

    // With no room left the limits cross; the panel still keeps one pixel.
    split->SetTopLeftLimit(0);
    split->SetBottomRightLimit(0);
    press(QPoint(50, 1));
    move(QPoint(50, 2000));
    release(QPoint(50, 2000));
    EXPECT_EQ(bottom->Height(), 1);
}

TEST_F(Splitter, ARefusedReleaseAppliesTheLastAllowedLine) {
    split->OnPosChanging = [](TObject*, int, int Y, bool& Allowed) { Allowed = Y > -50; };
    press(QPoint(50, 1));
    move(QPoint(50, -29));
    move(QPoint(50, -60));  // refused: the line stays
    EXPECT_EQ(::GetCursor(), Screen->Cursors(crNoDrop));
    release(QPoint(50, -60));
    EXPECT_EQ(bottom->Height(), 110);
}

TEST_F(Splitter, ACaptureLostOrAControlFreedMidDragEndsItUnapplied) {
    press(QPoint(50, 1));
    move(QPoint(50, -30));
    ::ReleaseCapture();
    EXPECT_FALSE(split->IsDragging());
    EXPECT_EQ(bottom->Height(), 80);

    press(QPoint(50, 1));
    move(QPoint(50, -30));
    delete bottom;
    bottom = nullptr;
    EXPECT_FALSE(split->IsDragging());
    EXPECT_EQ(split->ControlFirst(), nullptr);
    EXPECT_FALSE(Application->OnMessage);
}

TEST(SplitterLayout, LimitOffsetSetsBothLimitsAndPropertiesRoundTrip) {
    RegisterKitSplit();
    TForm form(nullptr);
    ReadComponentText(
        "object Form1: TForm\n"
        "  object P: TPanel\n    Align = alLeft\n    Width = 90\n  end\n"
        "  object S: TKitSplitter\n    Left = 90\n    Align = alLeft\n    ControlFirst = P\n"
        "    Width = 4\n    LimitOffset = 35\n  end\n"
        "end\n",
        &form);
    auto* s = dynamic_cast<TKitSplitter*>(form.FindComponent("S"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->TopLeftLimit(), 35);
    EXPECT_EQ(s->BottomRightLimit(), 35);
    EXPECT_EQ(s->Width(), 4) << "a loaded splitter keeps the size its layout gives";
    EXPECT_EQ(s->Cursor(), crHSplit);
    const String text = WriteComponentText(s);
    EXPECT_NE(text.find("ControlFirst = Form1.P"), String::npos) << text;
    EXPECT_NE(text.find("LimitOffset = 35"), String::npos) << text;
}
