// Frames placed on a form, size constraints under code and under the user's resizing, and
// the colour and print dialogs answered on the real Qt dialogs.
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "platform/gdi.h"
#include "platform/printer.h"

#include <QApplication>
#include <QColorDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }

// Runs `answer` on the modal dialog once it is up.
void answerDialog(std::function<void(QDialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        answer(d);
    });
}

const char* kFrameLayout = R"(object NavFrame: TFrame
  Left = 0
  Top = 0
  Width = 220
  Height = 60
  object GoButton: TButton
    Left = 8
    Top = 8
    Width = 80
    Height = 25
    Caption = 'Go'
  end
  object NameEdit: TEdit
    Left = 100
    Top = 8
    Width = 100
    Height = 24
  end
end
)";

}  // namespace

TEST(Frames, TwoFramesOfOneLayoutLiveSideBySideOnAFormAndKeepTheirControlsApart) {
    RegisterStandardClasses();
    TForm form(nullptr);
    form.SetBounds(20, 20, 480, 200);
    auto* top = new TFrame(&form);
    top->LoadLayoutText(kFrameLayout);
    top->SetName("TopFrame");
    top->SetParent(&form);
    top->SetTop(10);
    auto* bottom = new TFrame(&form);
    bottom->LoadLayoutText(kFrameLayout);
    bottom->SetName("BottomFrame");
    bottom->SetParent(&form);
    bottom->SetTop(100);
    auto* topGo = dynamic_cast<TButton*>(top->FindComponent("GoButton"));
    auto* bottomGo = dynamic_cast<TButton*>(bottom->FindComponent("GoButton"));
    ASSERT_NE(topGo, nullptr);
    ASSERT_NE(bottomGo, nullptr);
    ASSERT_NE(topGo, bottomGo);
    EXPECT_EQ(topGo->Parent(), top);
    EXPECT_EQ(top->Width(), 220);
    EXPECT_EQ(top->BorderStyle(), bsNone);
    std::vector<TObject*> clicked;
    for (TButton* b : {topGo, bottomGo}) b->OnClick = TNotifyEvent([&](TObject* s) { clicked.push_back(s); });
    form.Show();
    QTest::mouseClick(widgetOf(bottomGo), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], bottomGo);
    // The frame's controls are on the form where the frame is.
    POINT p = bottomGo->ClientToScreen(POINT{0, 0});
    const POINT formOrigin = form.ClientToScreen(POINT{0, 0});
    EXPECT_EQ(p.x - formOrigin.x, 8);
    EXPECT_EQ(p.y - formOrigin.y, 108);
    form.Realign();
    QImage shot = widgetOf(&form)->grab().toImage();
    shot.save(QString::fromUtf8(testing::TempDir().c_str()) + "frames.png");
    EXPECT_FALSE(shot.isNull());
}

TEST(Constraints, BoundsStayWithinTheLimitsWhateverSetsThem) {
    TForm form(nullptr);
    form.SetBounds(20, 20, 400, 300);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 80, 80);
    panel->Constraints()->SetMinWidth(50);
    panel->Constraints()->SetMaxWidth(100);
    panel->Constraints()->SetMinHeight(20);
    panel->SetWidth(10);
    EXPECT_EQ(panel->Width(), 50);
    panel->SetWidth(500);
    EXPECT_EQ(panel->Width(), 100);
    panel->SetHeight(5);
    EXPECT_EQ(panel->Height(), 20);
    // A new maximum below the size shrinks the control at once.
    panel->Constraints()->SetMaxHeight(15);
    EXPECT_EQ(panel->Height(), 15);
    EXPECT_EQ(panel->Constraints()->MinHeight(), 15);  // the minimum follows a lower maximum
    // Alignment honours them too.
    panel->SetAlign(alClient);
    form.Show();
    EXPECT_EQ(panel->Width(), 100);
    EXPECT_EQ(panel->Height(), 15);
    RECT r{};
    GetWindowRect(panel->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 100);
}

TEST(Constraints, TheUserCannotResizeAFormBeyondThem) {
    TForm form(nullptr);
    form.SetBounds(20, 20, 400, 300);
    form.Constraints()->SetMinWidth(250);
    form.Constraints()->SetMinHeight(180);
    form.Constraints()->SetMaxWidth(600);
    form.Constraints()->SetMaxHeight(450);
    form.Show();
    QWidget* w = widgetOf(&form);
    // What the window manager does when the user drags the frame.
    w->resize(100, 90);
    QApplication::processEvents();
    EXPECT_EQ(form.Width(), 250);
    EXPECT_EQ(form.Height(), 180);
    w->resize(900, 900);
    QApplication::processEvents();
    EXPECT_EQ(form.Width(), 600);
    EXPECT_EQ(form.Height(), 450);
    // Limits lifted: the window follows again.
    form.Constraints()->SetMaxWidth(0);
    w->resize(700, 300);
    QApplication::processEvents();
    EXPECT_EQ(w->width(), 700);
    EXPECT_GT(form.Width(), 600);
}

TEST(ColorDialog, StartsAtTheColourAndReturnsTheChosenOneWithTheCustomColours) {
    TColorDialog dlg(nullptr);
    dlg.SetColor(static_cast<int>(RGB(0x10, 0x20, 0x30)));
    dlg.CustomColors()->Add("ColorA=FF8000");
    dlg.CustomColors()->Add("ColorZ=123456");  // no such custom colour: ignored
    dlg.CustomColors()->Add("nonsense");
    QColor started;
    QColor customA;
    answerDialog([&](QDialog* d) {
        auto* c = qobject_cast<QColorDialog*>(d);
        ASSERT_NE(c, nullptr);
        started = c->currentColor();
        customA = QColorDialog::customColor(0);
        c->setCurrentColor(QColor(0xAB, 0xCD, 0xEF));
        QColorDialog::setCustomColor(1, QColor(1, 2, 3));
        c->accept();
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(started, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(customA, QColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(static_cast<COLORREF>(dlg.Color()), RGB(0xAB, 0xCD, 0xEF));
    ASSERT_GE(dlg.CustomColors()->Count(), 2);
    EXPECT_EQ(dlg.CustomColors()->Strings(0), "ColorA=FF8000");
    EXPECT_EQ(dlg.CustomColors()->Strings(1), "ColorB=010203");

    answerDialog([](QDialog* d) {
        qobject_cast<QColorDialog*>(d)->setCurrentColor(Qt::black);
        d->reject();
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(static_cast<COLORREF>(dlg.Color()), RGB(0xAB, 0xCD, 0xEF));
}

TEST(ColorDialog, OpenedByAPressOnAControlItTakesTheMouse) {
    // A paint box takes the capture when pressed; the dialog it opens must end that, or
    // every click of the dialog would go to the paint box.
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    auto* box = new TPaintBox(&form);
    box->SetParent(&form);
    box->SetBounds(10, 10, 80, 60);
    TColorDialog dlg(&form);
    HWND duringDialog = reinterpret_cast<HWND>(1);
    QWidget* grabber = reinterpret_cast<QWidget*>(1);
    box->OnMouseDown = TMouseEvent([&](TObject*, TMouseButton, TShiftState, int, int) {
        EXPECT_EQ(GetCapture(), form.Handle()) << "the press took the mouse";
        answerDialog([&](QDialog* d) {
            duringDialog = GetCapture();
            grabber = QWidget::mouseGrabber();
            d->reject();
        });
        dlg.Execute();
    });
    form.Show();
    QTest::mousePress(widgetOf(&form), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(duringDialog, nullptr);
    EXPECT_EQ(grabber, nullptr);
    QTest::mouseRelease(widgetOf(&form), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
}

TEST(PrintDialog, ShowsTheRangeAndCopiesAndReadsBackWhatTheDialogHolds) {
    TPrintDialog dlg(nullptr);
    dlg.SetOptions(TPrintDialog::TPrintDialogOptions(poPageNums));
    dlg.SetMinPage(1);
    dlg.SetMaxPage(9);
    dlg.SetFromPage(2);
    dlg.SetToPage(12);  // beyond the last page
    dlg.SetPrintRange(prPageNums);
    dlg.SetCopies(3);
    int shown = 0;
    dlg.OnShow = TNotifyEvent([&](TObject*) { ++shown; });
    int from = -1;
    int to = -1;
    int minPage = -1;
    int maxPage = -1;
    QAbstractPrintDialog::PrintRange range = QAbstractPrintDialog::AllPages;
    answerDialog([&](QDialog* d) {
        auto* p = qobject_cast<QPrintDialog*>(d);
        ASSERT_NE(p, nullptr);
        from = p->fromPage();
        to = p->toPage();
        minPage = p->minPage();
        maxPage = p->maxPage();
        range = p->printRange();
        p->accept();
    });
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(minPage, 1);
    EXPECT_EQ(maxPage, 9);
    EXPECT_EQ(from, 2);
    EXPECT_EQ(to, 9);
    EXPECT_EQ(range, QAbstractPrintDialog::PageRange);
    EXPECT_EQ(dlg.PrintRange(), prPageNums);
    EXPECT_EQ(dlg.FromPage(), 2);
    EXPECT_EQ(dlg.ToPage(), 9);
    EXPECT_EQ(dlg.Copies(), 3);

    answerDialog([](QDialog* d) { d->reject(); });
    dlg.SetCopies(5);
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.Copies(), 5);
}
