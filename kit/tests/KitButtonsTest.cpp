// The kit's speed button through real mouse events: glyph cells and the shared picture
// cache, groups and the down state, the row below the button, auto-repeat, flat and
// disabled pictures, drop-down menus, and a screenshot of the looks.
#include "kit/KitButtons.h"

#include "ButtonTestSupport.h"
#include "kit/KitUtils.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <vector>

using namespace buttontest;

namespace {

class SpeedButtons : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterKitButtons();
        form = new TForm(nullptr);
        form->SetBounds(40, 40, 360, 200);
        form->SetColor(clBtnFace);
    }
    void TearDown() override {
        platform::setManualTimers(false);
        delete form;
    }
    TKitSpeedButton* Add(int x, int y, int glyphCells = 1) {
        auto* b = new TKitSpeedButton(form);
        b->SetParent(form);
        b->SetBounds(x, y, 25, 25);
        std::unique_ptr<TBitmap> g(MakeGlyph(16, glyphCells));
        b->SetGlyph(g.get());
        return b;
    }
    void Show() {
        form->Show();
        SetActiveWindow(form->Handle());
        QApplication::processEvents();
    }
    TForm* form = nullptr;
};

}  // namespace

TEST_F(SpeedButtons, GlyphCellsAreCountedAndPicturesShareOneListPerSize) {
    TKitButtonGlyph g;
    std::unique_ptr<TBitmap> four(MakeGlyph(16, 4));
    g.SetGlyph(four.get());
    EXPECT_EQ(g.NumGlyphs(), 4);
    std::unique_ptr<TBitmap> seven(MakeGlyph(16, 7));
    g.SetGlyph(seven.get());
    EXPECT_EQ(g.NumGlyphs(), 1);  // 7 cells are more than five: one picture
    EXPECT_EQ(g.TransparentColor(), clFuchsia);

    // A count above the bitmap's width makes no picture (and no list of width 0).
    TBitmap narrow;
    narrow.SetSize(3, 3);
    g.SetGlyph(&narrow);
    g.SetNumGlyphs(5);
    EXPECT_EQ(g.CreateButtonGlyph(bsUp), -1);
    EXPECT_EQ(g.GlyphList(), nullptr);
    g.SetNumGlyphs(9);
    EXPECT_EQ(g.NumGlyphs(), 5);

    // Two buttons with glyphs of one size share one list; the pictures take its slots.
    TKitSpeedButton* a = Add(10, 10);
    TKitSpeedButton* b = Add(40, 10);
    Show();
    ASSERT_NE(a->ButtonGlyph()->GlyphList(), nullptr);
    EXPECT_EQ(a->ButtonGlyph()->GlyphList(), b->ButtonGlyph()->GlyphList());
    EXPECT_EQ(a->ButtonGlyph()->GlyphList()->Count(), 2);
    const int slot = a->ButtonGlyph()->StateIndex(bsUp);
    // A disabled picture is made in a free slot; the freed slot is taken again.
    a->SetEnabled(false);
    EXPECT_GE(a->ButtonGlyph()->StateIndex(bsDisabled), 0);
    std::unique_ptr<TBitmap> other(MakeGlyph(16, 1));
    a->SetGlyph(other.get());
    EXPECT_EQ(a->ButtonGlyph()->StateIndex(bsUp), -1);
    EXPECT_EQ(a->ButtonGlyph()->CreateButtonGlyph(bsUp), slot);
    EXPECT_EQ(TGlyphCache::Current()->ListCount(), 1);
    delete a;
    delete b;
    g.SetGlyph(nullptr);
    EXPECT_EQ(TGlyphCache::Current(), nullptr) << "freeing every glyph frees the cache";
}

TEST_F(SpeedButtons, GroupedButtonsKeepOneDownAndTheRowBelowCounts) {
    std::vector<TKitSpeedButton*> group;
    std::vector<std::string> clicks;
    for (int i = 0; i < 3; ++i) {
        TKitSpeedButton* b = Add(10 + 30 * i, 10);
        b->SetName("B" + std::to_string(i));
        b->SetGroupIndex(1);
        b->OnClick = [&clicks](TObject* s) { clicks.push_back(static_cast<TComponent*>(s)->Name()); };
        group.push_back(b);
    }
    group[0]->SetDown(true);
    Show();
    ClickAt(group[1], 12, 12);
    EXPECT_TRUE(group[1]->Down());
    EXPECT_FALSE(group[0]->Down());
    EXPECT_EQ(group[1]->ButtonState(), bsExclusive);
    // A down button of a group without AllowAllUp stays down when clicked again.
    ClickAt(group[1], 12, 12);
    EXPECT_TRUE(group[1]->Down());
    // The row just below the button still clicks it.
    Move(group[2], 12, 12);
    Press(group[2], 12, 12);
    Release(group[2], 12, 25);
    EXPECT_TRUE(group[2]->Down());
    EXPECT_FALSE(group[1]->Down());
    // One row further is outside: no click, nothing changes.
    Press(group[0], 12, 12);
    Release(group[0], 12, 26);
    EXPECT_FALSE(group[0]->Down());
    EXPECT_EQ(clicks, (std::vector<std::string>{"B1", "B1", "B2"}));

    // AllowAllUp set on one is taken over by the others of the group; then a click raises.
    group[0]->SetAllowAllUp(true);
    EXPECT_TRUE(group[2]->AllowAllUp());
    ClickAt(group[2], 12, 12);
    EXPECT_FALSE(group[2]->Down());
    EXPECT_EQ(group[2]->ButtonState(), bsUp);
    // Code sets Down too, and the message reaches the group.
    group[0]->SetDown(true);
    group[1]->SetDown(true);
    EXPECT_FALSE(group[0]->Down());
}

TEST_F(SpeedButtons, AHeldRepeatButtonClicksAfterTheInitialPauseThenEveryInterval) {
    platform::setManualTimers(true);
    TKitSpeedButton* b = Add(10, 10);
    b->SetAllowTimer(true);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Show();
    Move(b, 10, 10);
    Press(b, 10, 10);
    EXPECT_EQ(b->ButtonState(), bsDown);
    platform::advanceTime(499);
    EXPECT_EQ(clicks, 0);
    platform::advanceTime(1);
    EXPECT_EQ(clicks, 1);  // 500 ms
    platform::advanceTime(99);
    EXPECT_EQ(clicks, 1);
    platform::advanceTime(1);
    EXPECT_EQ(clicks, 2);  // 600 ms
    platform::advanceTime(200);
    EXPECT_EQ(clicks, 4);  // 700 and 800 ms
    // Dragged off the button it waits; back on, it goes on.
    Move(b, 10, 40);
    platform::advanceTime(300);
    EXPECT_EQ(clicks, 4);
    Move(b, 10, 10);
    platform::advanceTime(100);
    EXPECT_EQ(clicks, 5);
    Release(b, 10, 10);
    EXPECT_EQ(clicks, 6);  // the release clicks once
    platform::advanceTime(1000);
    EXPECT_EQ(clicks, 6);
    EXPECT_FALSE(b->RepeatTimer()->Enabled());
    b->SetAllowTimer(false);
    EXPECT_EQ(b->RepeatTimer(), nullptr);
}

TEST_F(SpeedButtons, RepeatRunsOnTheRealClock) {
    TKitSpeedButton* b = Add(10, 10);
    b->SetAllowTimer(true);
    std::vector<qint64> at;
    QElapsedTimer clock;
    b->OnClick = [&](TObject*) { at.push_back(clock.elapsed()); };
    Show();
    Move(b, 10, 10);
    clock.start();
    Press(b, 10, 10);
    while (clock.elapsed() < 860) QTest::qWait(5);
    Release(b, 10, 10);
    // 500, 600, 700, 800 ms, then the release.
    ASSERT_GE(at.size(), 3u);
    EXPECT_LE(at.size(), 5u);
    EXPECT_GE(at[0], 495);
    if (testsupport::TimingChecked()) {
        EXPECT_LT(at[0], 650);
        EXPECT_NEAR(static_cast<double>(at[1] - at[0]), 100.0, 40.0);
    }
}

TEST_F(SpeedButtons, FlatButtonsShowTheGreyPictureUntilTheMouseEnters) {
    TKitSpeedButton* b = Add(10, 10);
    b->SetFlat(true);
    Show();
    Move(b, 200, 150);
    QImage off = GrabControl(form, b);
    EXPECT_EQ(CountColour(off, Qt::red), 0);
    const int grey = (77 * 255) >> 8;
    EXPECT_GT(CountColour(off, QColor(grey, grey, grey)), 20);
    // No frame while the mouse is elsewhere.
    EXPECT_EQ(off.pixelColor(0, 0), Sys(clBtnFace));
    Move(b, 12, 12);
    EXPECT_TRUE(b->MouseInControl());
    QImage on = GrabControl(form, b);
    EXPECT_GT(CountColour(on, Qt::red), 20);
    EXPECT_EQ(on.pixelColor(0, 0), Sys(clBtnHighlight));
    EXPECT_EQ(on.pixelColor(24, 24), Sys(clBtnShadow));
    // Without GrayedInactive the glyph keeps its colours.
    Move(b, 200, 150);
    b->SetGrayedInactive(false);
    EXPECT_GT(CountColour(GrabControl(form, b), Qt::red), 20);
}

TEST_F(SpeedButtons, DisabledButtonsShowAnEmbossedPictureAndIgnoreTheMouse) {
    TKitSpeedButton* b = Add(10, 10);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    b->SetEnabled(false);
    Show();
    const QImage img = GrabControl(form, b);
    EXPECT_EQ(CountColour(img, Qt::red), 0);
    EXPECT_EQ(CountColour(img, Qt::black), 0);
    // The black outline is drawn in the shadow colour over a highlight one pixel down-right.
    EXPECT_GT(CountColour(img, Sys(clBtnShadow)), 20);
    EXPECT_GT(CountColour(img, Sys(clBtnHighlight)), 20);
    ClickAt(b, 12, 12);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(b->ButtonState(), bsDisabled);
    // A glyph with a disabled cell of its own shows that cell (green in the test glyph).
    std::unique_ptr<TBitmap> two(MakeGlyph(16, 2));
    b->SetGlyph(two.get());
    EXPECT_GT(CountColour(GrabControl(form, b), Qt::green), 20);
}

TEST_F(SpeedButtons, PressedAndExclusiveFacesShiftTheGlyphAndShowTheirFrames) {
    TKitSpeedButton* b = Add(10, 10);
    TKitSpeedButton* d = Add(40, 10);
    d->SetGroupIndex(3);
    d->SetDown(true);
    Show();
    const QImage up = GrabControl(form, b);
    EXPECT_EQ(up.pixelColor(0, 0), Sys(clBtnHighlight));
    EXPECT_EQ(up.pixelColor(24, 24), Sys(clWindowFrame));
    Move(b, 10, 10);
    Press(b, 10, 10);
    const QImage pressed = GrabControl(form, b);
    Release(b, 10, 10);
    EXPECT_EQ(pressed.pixelColor(0, 0), Sys(clWindowFrame));
    EXPECT_EQ(pressed.pixelColor(24, 24), Sys(clBtnHighlight));
    // The glyph moved one pixel right and down: its black square starts one later.
    auto firstBlack = [](const QImage& img) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) == Qt::black) return QPoint(x, y);
        return QPoint(-1, -1);
    };
    EXPECT_EQ(firstBlack(pressed), firstBlack(up) + QPoint(1, 1));
    // The exclusive (latched) face is checkered in button face and highlight.
    const QImage down = GrabControl(form, d);
    EXPECT_EQ(down.pixelColor(0, 0), Sys(clWindowFrame));
    EXPECT_NE(down.pixelColor(3, 3), down.pixelColor(4, 3));
    EXPECT_EQ(down.pixelColor(3, 3), down.pixelColor(4, 4));
}

TEST_F(SpeedButtons, DropDownMenusOpenBelowOrBesideTheButtonWithoutAClick) {
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("First");
    menu->Items()->Add(item);
    int chosen = 0;
    item->OnClick = [&](TObject*) { ++chosen; };
    TKitSpeedButton* b = Add(10, 10);
    b->SetDropDownMenu(menu);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    std::vector<POINT> at;
    TPopupMenuHandler old = SetPopupMenuHandler([&](TPopupMenu* m, int x, int y) -> TMenuItem* {
        at.push_back(POINT{x, y});
        EXPECT_EQ(m->PopupComponent(), b);
        return m->Items()->Items(0);
    });
    Show();
    ClickAt(b, 12, 12);
    const POINT origin = b->ClientToScreen(POINT{0, 0});
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0].x, origin.x - 1);
    EXPECT_EQ(at[0].y, origin.y + 25);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(b->ButtonState(), bsUp);
    EXPECT_FALSE(b->MouseCapture());
    // Beside the button, right-aligned: at its top-left corner less one.
    b->SetMenuPosition(dmpRight);
    menu->SetAlignment(paRight);
    ClickAt(b, 12, 12);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[1].x, origin.x - 1);
    EXPECT_EQ(at[1].y, origin.y - 1);
    // Without auto-popup the button clicks instead.
    menu->SetAutoPopup(false);
    ClickAt(b, 12, 12);
    EXPECT_EQ(at.size(), 2u);
    EXPECT_EQ(clicks, 1);
    // The menu's removal clears the reference.
    delete menu;
    EXPECT_EQ(b->DropDownMenu(), nullptr);
    SetPopupMenuHandler(old);
}

TEST_F(SpeedButtons, AClickOnTheButtonThatClosesItsOpenMenuDoesNotOpenItAgain) {
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(menu);
    item->SetCaption("First");
    menu->Items()->Add(item);
    int popups = 0;
    menu->OnPopup = [&](TObject*) { ++popups; };
    TKitSpeedButton* b = Add(10, 10);
    b->SetDropDownMenu(menu);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Show();
    bool sawMenu = false;
    // While the real menu is up, the button is clicked again: the menu closes.
    QTimer::singleShot(100, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        sawMenu = popup != nullptr;
        if (!popup) return;
        const QPoint onButton = popup->mapFromGlobal(HostOf(b)->mapToGlobal(At(b, 12, 12)));
        QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {}, onButton);
    });
    Move(b, 12, 12);
    Press(b, 12, 12);
    Release(b, 12, 12);
    QTest::qWait(200);
    EXPECT_TRUE(sawMenu);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(b->ButtonState(), bsUp);
    EXPECT_FALSE(b->MouseCapture());
}

TEST_F(SpeedButtons, ClickSetsTheFormsModalResultAndTheAcceleratorClicks) {
    TKitSpeedButton* b = Add(10, 10);
    b->SetCaption("&Go");
    b->SetModalResult(mrOk);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    Show();
    ClickAt(b, 12, 12);
    EXPECT_EQ(form->ModalResult(), mrOk);
    EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'g', 0), 1);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(b->Perform(CM_DIALOGCHAR, 'x', 0), 0);
}

TEST_F(SpeedButtons, GlyphAndCaptionAreLaidOutInFourArrangements) {
    TKitButtonGlyph g;
    std::unique_ptr<TBitmap> glyph(MakeGlyph(16, 1));
    g.SetGlyph(glyph.get());
    TBitmap canvasHolder;
    canvasHolder.SetSize(10, 10);
    TCanvas* c = canvasHolder.Canvas();
    c->Font()->SetName("DejaVu Sans");
    c->Font()->SetSize(9);
    const SIZE text = c->TextExtent("Open");
    const RECT client{0, 0, 100, 40};
    // Glyph left, margin and spacing given.
    TButtonLayoutResult l = g.CalcButtonLayout(c, client, "Open", blGlyphLeft, 5, 3, false);
    EXPECT_EQ(l.GlyphPos.x, 5);
    EXPECT_EQ(l.GlyphPos.y, (40 - 16) / 2);
    EXPECT_EQ(l.TextBounds.left, 5 + 16 + 3);
    EXPECT_EQ(l.TextBounds.right - l.TextBounds.left, text.cx);
    // Glyph right, centred (margin -1).
    l = g.CalcButtonLayout(c, client, "Open", blGlyphRight, -1, 4, false);
    const int margin = (100 - 4 - 16 - text.cx) / 2;
    EXPECT_EQ(l.GlyphPos.x, 100 - margin - 16);
    EXPECT_EQ(l.TextBounds.left, l.GlyphPos.x - 4 - text.cx);
    // Glyph top, spread evenly: margin = spacing = (height - glyph - text) / 3.
    l = g.CalcButtonLayout(c, client, "Open", blGlyphTop, -1, -1, false);
    const int even = (40 - 16 - text.cy) / 3;
    EXPECT_EQ(l.GlyphPos.y, even);
    EXPECT_EQ(l.TextBounds.top, even + 16 + even);
    EXPECT_EQ(l.GlyphPos.x, (100 - 16) / 2);
    // Glyph bottom; without a caption the spacing is 0.
    l = g.CalcButtonLayout(c, client, "", blGlyphBottom, 2, 7, false);
    EXPECT_EQ(l.GlyphPos.y, 40 - 2 - 16);
    // A caption too wide is cut with "...".
    l = g.CalcButtonLayout(c, RECT{0, 0, 40, 40}, "Very long caption", blGlyphTop, -1, 1, false);
    EXPECT_LE(l.TextBounds.right - l.TextBounds.left, 40);
    EXPECT_NE(l.Text.find("..."), String::npos) << l.Text;
    // The drop-down mark widens the glyph of a top layout by 6 pixels.
    l = g.CalcButtonLayout(c, client, "", blGlyphTop, -1, 1, true);
    EXPECT_EQ(l.GlyphPos.x, (100 - 22) / 2);
}

TEST_F(SpeedButtons, ScreenshotOfTheLooks) {
    const char* names[] = {"Up", "Down", "Flat", "Flat hot", "Disabled", "Exclusive", "Menu"};
    std::vector<TKitSpeedButton*> bs;
    for (int i = 0; i < 7; ++i) {
        TKitSpeedButton* b = Add(10 + i * 48, 10);
        b->SetBounds(10 + i * 48, 10, 44, 44);
        b->SetCaption(names[i]);
        b->Font()->SetName("DejaVu Sans");
        b->Font()->SetSize(7);
        bs.push_back(b);
    }
    bs[2]->SetFlat(true);
    bs[3]->SetFlat(true);
    bs[4]->SetEnabled(false);
    bs[5]->SetGroupIndex(1);
    bs[5]->SetDown(true);
    auto* menu = new TPopupMenu(form);
    bs[6]->SetDropDownMenu(menu);
    Show();
    Move(bs[1], 20, 20);
    Press(bs[1], 20, 20);
    QImage shot = Grab(form);
    Release(bs[1], 20, 20);
    Move(bs[3], 20, 20);
    const QImage hot = GrabControl(form, bs[3]);
    // The hovered flat button drawn into the shot beside the others.
    for (int y = 0; y < hot.height(); ++y)
        for (int x = 0; x < hot.width(); ++x) shot.setPixelColor(bs[3]->Left() + x, bs[3]->Top() + y, hot.pixelColor(x, y));
    EXPECT_TRUE(SaveShot(shot.copy(0, 0, 360, 70), "kit-speedbuttons.png"));
}
