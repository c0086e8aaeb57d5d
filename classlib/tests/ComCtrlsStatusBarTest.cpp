// Status bars (panel geometry, owner-drawn panels seen in the widget, drawing outside
// painting, simple text), page controls built in code, and track bars.
#include "classlib/ComCtrls.h"
#include "platform/winuser.h"

#include <QImage>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

struct BarForm {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TStatusBar* bar;
    BarForm() {
        form->SetBounds(0, 0, 400, 200);
        bar = new TStatusBar(form.get());
        bar->SetParent(form.get());
        TStatusPanel* p = bar->Panels()->Add();
        p->SetWidth(150);
        p->SetStyle(psOwnerDraw);
        bar->Panels()->Add()->SetText("ready");
    }
    QImage shot() { return platform::windowWidget(bar->Handle())->grab().toImage(); }
};

}  // namespace

TEST(StatusBar, PanelsTakeTheirWidthsAndTheLastFillsTheRest) {
    BarForm f;
    f.form->Show();
    EXPECT_EQ(f.bar->Align(), alBottom);
    EXPECT_EQ(f.bar->Width(), f.form->ClientWidth());
    EXPECT_EQ(f.bar->Top() + f.bar->Height(), f.form->ClientHeight());
    const RECT a = f.bar->PanelRect(0);
    const RECT b = f.bar->PanelRect(1);
    EXPECT_EQ(a.left, 1);
    EXPECT_EQ(a.right, 149);
    EXPECT_EQ(b.left, 151);
    EXPECT_EQ(b.right, f.bar->ClientWidth() - 1);
    EXPECT_GT(a.bottom, a.top);
    const RECT none = f.bar->PanelRect(2);
    EXPECT_EQ(none.right - none.left, 0);
}

TEST(StatusBar, OwnerDrawnPanelIsPaintedByOnDrawPanelAndShows) {
    BarForm f;
    int calls = 0;
    TStatusPanel* seen = nullptr;
    RECT seenRect{};
    int percent = 40;
    f.bar->OnDrawPanel = TDrawPanelEvent([&](TStatusBar* sb, TStatusPanel* panel, const RECT& r) {
        ++calls;
        seen = panel;
        seenRect = r;
        sb->Canvas()->Brush()->SetColor(TColor(0x800000));
        sb->Canvas()->FillRect(RECT{r.left, r.top, r.left + (r.right - r.left) * percent / 100, r.bottom});
    });
    f.form->Show();
    QImage img = f.shot();
    EXPECT_GE(calls, 1);
    EXPECT_EQ(seen, f.bar->Panels()->Items(0));
    EXPECT_EQ(seenRect.left, f.bar->PanelRect(0).left);
    const int y = (seenRect.top + seenRect.bottom) / 2;
    EXPECT_EQ(img.pixelColor(seenRect.left + 5, y), QColor(0, 0, 128));
    EXPECT_NE(img.pixelColor(seenRect.left + 100, y), QColor(0, 0, 128));
    // Repainting draws the panel afresh: a lower value clears the rest.
    percent = 10;
    f.bar->Repaint();
    img = f.shot();
    EXPECT_NE(img.pixelColor(seenRect.left + 30, y), QColor(0, 0, 128));
    EXPECT_EQ(img.pixelColor(seenRect.left + 5, y), QColor(0, 0, 128));
    // Drawing on the bar's canvas outside painting shows too.
    f.bar->Canvas()->Brush()->SetColor(TColor(0x0000FF));
    f.bar->Canvas()->FillRect(RECT{seenRect.left + 60, seenRect.top, seenRect.left + 70, seenRect.bottom});
    img = f.shot();
    EXPECT_EQ(img.pixelColor(seenRect.left + 65, y), QColor(255, 0, 0));
}

TEST(StatusBar, TextPanelsAndSimpleTextAreDrawn) {
    BarForm f;
    f.bar->Panels()->Items(0)->SetStyle(psText);
    f.form->Show();
    auto darkPixels = [&](const RECT& r) {
        const QImage img = f.shot();
        int n = 0;
        for (int x = r.left; x < r.right; ++x)
            for (int y = r.top; y < r.bottom; ++y) n += img.pixelColor(x, y).lightness() < 80 ? 1 : 0;
        return n;
    };
    const RECT second = f.bar->PanelRect(1);
    EXPECT_GT(darkPixels(second), 0);
    f.bar->Panels()->Items(1)->SetText("");
    f.bar->Repaint();
    EXPECT_EQ(darkPixels(second), 0);
    f.bar->SetSimpleText("Printing page 2");
    f.bar->SetSimplePanel(true);
    f.bar->Repaint();
    EXPECT_GT(darkPixels(RECT{2, 2, 150, f.bar->ClientHeight() - 2}), 0);
}

TEST(PageControl, PagesBuiltInCodeSwitchAndRemoveCleanly) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(0, 0, 300, 200);
    auto* pc = new TPageControl(form.get());
    pc->SetParent(form.get());
    pc->SetBounds(0, 0, 300, 200);
    auto* a = new TTabSheet(form.get());
    a->SetCaption("One");
    a->SetPageControl(pc);
    auto* b = new TTabSheet(form.get());
    b->SetCaption("Two");
    b->SetPageControl(pc);
    form->Show();
    EXPECT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(pc->ActivePage(), a);  // the first page inserted becomes active
    EXPECT_EQ(b->PageIndex(), 1);
    const RECT client = pc->ClientRect();
    EXPECT_EQ(a->Left(), client.left);
    EXPECT_EQ(a->Width(), client.right - client.left);
    std::vector<std::string> log;
    a->OnHide = TNotifyEvent([&](TObject*) { log.push_back("hide a"); });
    b->OnShow = TNotifyEvent([&](TObject*) { log.push_back("show b"); });
    pc->SetActivePageIndex(1);
    EXPECT_EQ(log, (std::vector<std::string>{"hide a", "show b"}));
    EXPECT_TRUE(b->Visible());
    EXPECT_FALSE(a->Visible());
    // A refusing OnChanging keeps the page.
    pc->OnChanging = TTabChangingEvent([](TObject*, bool& allow) { allow = false; });
    int changes = 0;
    pc->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), b);
    EXPECT_EQ(changes, 0);
    pc->OnChanging = TTabChangingEvent();
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), a);
    EXPECT_EQ(changes, 1);
    // Freeing the active page activates the next one.
    delete a;
    EXPECT_EQ(pc->PageCount(), 1);
    EXPECT_EQ(pc->ActivePage(), b);
    EXPECT_TRUE(b->Visible());
}

TEST(TrackBar, PositionIsClampedAndReportsChanges) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* t = new TTrackBar(form.get());
    t->SetParent(form.get());
    int changes = 0;
    t->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    t->SetMax(20);
    t->SetPosition(25);
    EXPECT_EQ(t->Position(), 20);
    EXPECT_EQ(changes, 1);
    t->SetPosition(20);
    EXPECT_EQ(changes, 1);
    t->SetMin(22);
    EXPECT_EQ(t->Position(), 22);
    EXPECT_EQ(t->Max(), 22);
    form->Show();
    // The user moves the slider.
    t->SetMin(0);
    SendMessageA(t->Handle(), TBM_SETPOS, TRUE, 7);
    SendMessageA(form->Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 7), reinterpret_cast<LPARAM>(t->Handle()));
    EXPECT_EQ(t->Position(), 7);
}

TEST(TrackBar, KeysAndTheMouseMoveThePosition) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* t = new TTrackBar(form.get());
    t->SetParent(form.get());
    t->SetBounds(0, 0, 216, 40);
    t->SetMax(20);
    t->SetPageSize(4);
    std::vector<int> seen;
    t->OnChange = TNotifyEvent([&](TObject*) { seen.push_back(t->Position()); });
    form->Show();
    QWidget* w = platform::windowWidget(t->Handle());
    QTest::keyClick(w, Qt::Key_Right);
    QTest::keyClick(w, Qt::Key_PageDown);
    EXPECT_EQ(t->Position(), 5);
    RECT channel{};
    SendMessageA(t->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(channel.right - 2, (channel.top + channel.bottom) / 2));
    EXPECT_EQ(t->Position(), 9);
    EXPECT_EQ(seen, (std::vector<int>{1, 5, 9}));
    // Sizes set in code reach the window.
    EXPECT_EQ(SendMessageA(t->Handle(), TBM_GETPAGESIZE, 0, 0), 4);
}
