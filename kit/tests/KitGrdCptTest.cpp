// The gradient caption: the bar as a picture (gradient, plain fill, texts giving way and
// shortened with "..."), and the component painting the title bar of a form's own frame.
#include "kit/KitGrdCpt.h"

#include "classlib/Filer.h"
#include "kit/KitHook.h"
#include "kit/KitRegister.h"
#include "platform/GdiObject.h"
#include "platform/winicon.h"
#include "platform/winpaint.h"

#include <QDir>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

QColor colorOf(TColor c) {
    const COLORREF rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

QColor pixel(TBitmap* b, int x, int y) {
    const COLORREF c = GetPixel(b->Canvas()->Handle(), x, y);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

std::string shotDir() {
    const char* dir = std::getenv("TESSELLON_SCREENSHOT_DIR");
    const std::string path = dir ? dir : "/tmp/shots/kit24";
    QDir().mkpath(QString::fromStdString(path));
    return path;
}

TCaptionLook barLook(int width) {
    TCaptionLook look;
    look.Width = width;
    look.Height = 20;
    look.StartColor = clRed;
    look.EndColor = clBlue;
    look.GradientSteps = 64;
    look.Caption.Text = "Tessellon 4.5";
    look.Caption.Color = clWhite;
    return look;
}

// A form with its caption component, shown.
struct CaptionForm {
    std::unique_ptr<TForm> form;
    TKitGradientCaption* caption = nullptr;
    explicit CaptionForm(TFormBorderStyle border = bsSizeable, int width = 420) {
        RegisterKitClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(border);
        form->SetBounds(40, 40, width, 160);
        form->SetCaption("Gradient caption");
        caption = new TKitGradientCaption(form.get());
        caption->SetStartColor(clRed);
        caption->SetFormCaption("Tessellon 4.5");
        form->Show();
    }
    HWND wnd() const { return form->Handle(); }
    QImage grab() const { return platform::windowWidget(wnd())->grab().toImage(); }
};

// The forms' subclassings are freed through posted messages once the forms are gone.
class GradientCaption : public ::testing::Test {
protected:
    void TearDown() override { platform::processPendingMessages(); }
};

}  // namespace

TEST(GradientCaptionBar, GradientRunsFromAQuarterLeftOfTheBarToTheEndColour) {
    TCaptionLook look = barLook(400);
    look.Caption.Text.clear();
    std::unique_ptr<TBitmap> bar(RenderCaptionBar(look));
    ASSERT_EQ(bar->Width(), 400);
    // The gradient starts 100 pixels left of the bar: the left edge is already a fifth of
    // the way to blue, the right edge is blue.
    const QColor left = pixel(bar.get(), 0, 10), right = pixel(bar.get(), 399, 10);
    EXPECT_GT(left.red(), 180);
    EXPECT_LT(left.red(), 230);
    EXPECT_GT(left.blue(), 25);
    EXPECT_LT(left.blue(), 75);
    EXPECT_LT(right.red(), 8);
    EXPECT_GT(right.blue(), 247);
    // Red falls and blue rises from left to right.
    int lastRed = 256;
    for (int x = 0; x < 400; x += 25) {
        const QColor c = pixel(bar.get(), x, 2);
        EXPECT_LE(c.red(), lastRed) << x;
        lastRed = c.red();
    }

    look.Gradient = false;
    bar.reset(RenderCaptionBar(look));
    for (int x : {0, 150, 399}) EXPECT_EQ(pixel(bar.get(), x, 10), colorOf(clBlue)) << x;
}

TEST(GradientCaptionBar, LongCaptionsEndInDotsAndLeadingPiecesGiveWayWithTheirGlue) {
    TCaptionLook look = barLook(160);
    look.Gradient = false;
    look.Caption.Text = "Tessellon: Chromalde - a very long picture name that does not fit.bmp";
    std::vector<TPlacedCaptionText> placed;
    std::unique_ptr<TBitmap> bar(RenderCaptionBar(look, &placed));
    ASSERT_EQ(placed.size(), 1u);
    const String& shown = placed[0].Text;
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    EXPECT_EQ(shown.substr(0, 5), "Tesse");
    EXPECT_LE(placed[0].Right, 160);
    EXPECT_EQ(placed[0].Left, 2);
    // The text is drawn: white pixels inside its room, none past it.
    int white = 0;
    for (int x = placed[0].Left; x < placed[0].Right; ++x)
        for (int y = 0; y < 20; ++y) white += pixel(bar.get(), x, y).red() > 128;
    EXPECT_GT(white, 20);
    bar->SaveToFile(shotDir() + "/caption-long-ellipsis.bmp");

    // Pieces: "One " glued to "Two ", then "Three "; the caption last. Too narrow for all:
    // "One " goes and takes "Two " with it, "Three " stays.
    TCaptionLook pieces = barLook(1000);
    pieces.Caption.Text = "Caption";
    for (const char* t : {"One ", "Two ", "Three "}) pieces.Pieces.push_back(TCaptionText{t, nullptr, clYellow});
    pieces.Pieces[0].GlueNext = true;
    std::unique_ptr<TBitmap> probe(RenderCaptionBar(pieces, &placed));
    ASSERT_EQ(placed.size(), 4u);
    const int three = placed[2].Right - placed[2].Left, caption = placed[3].Right - placed[3].Left;
    const int one = placed[0].Right - placed[0].Left;
    pieces.Width = 2 + three + caption + one;  // room for "One " but not for "Two " too
    probe.reset(RenderCaptionBar(pieces, &placed));
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].Source, 2);
    EXPECT_EQ(placed[0].Text, "Three ");
    EXPECT_EQ(placed[1].Source, -1);
    EXPECT_EQ(placed[1].Text, "Caption");
    // A hidden piece takes no room.
    pieces.Width = 1000;
    pieces.Pieces[1].Visible = false;
    probe.reset(RenderCaptionBar(pieces, &placed));
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[1].Source, 2);

    // Right to left: pieces from the left while room remains, the caption gets the rest.
    pieces.Pieces[1].Visible = true;
    pieces.HideDirection = hdRightToLeft;
    pieces.Width = 2 + one + 10;
    probe.reset(RenderCaptionBar(pieces, &placed));
    ASSERT_FALSE(placed.empty());
    EXPECT_EQ(placed[0].Text, "One ");
    EXPECT_LE(placed.back().Right, pieces.Width);
}

TEST(GradientCaptionBar, IconSitsCentredAndTextStartsOneBarHeightRight) {
    TCaptionLook look = barLook(300);
    look.Gradient = false;
    TIcon icon;
    icon.LoadFromResourceName(nullptr, "KITAPPICON");
    look.Icon = &icon;
    look.IconSize = 16;
    std::vector<TPlacedCaptionText> placed;
    std::unique_ptr<TBitmap> bar(RenderCaptionBar(look, &placed));
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0].Left, 20 + 2);
    // The icon covers (3, 2) to (19, 18); outside it the bar keeps its colour.
    int changed = 0;
    for (int x = 3; x < 19; ++x)
        for (int y = 2; y < 18; ++y) changed += pixel(bar.get(), x, y) != colorOf(clBlue);
    EXPECT_GT(changed, 100);
    EXPECT_EQ(pixel(bar.get(), 1, 1), colorOf(clBlue));
}

TEST_F(GradientCaption, PaintsTheOwnFrameOfItsFormActiveAndInactive) {
    CaptionForm f;
    ASSERT_TRUE(platform::ownFrame(f.wnd()));
    EXPECT_EQ(platform::windowWidget(f.wnd())->windowTitle(), QString("Tessellon 4.5"));
    const RECT cap = f.caption->CaptionRect();
    // Sizeable: inside the sizing frame, one caption high, three buttons to the right.
    const int frame = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(cap.left, frame);
    EXPECT_EQ(cap.top, GetSystemMetrics(SM_CYFRAME));
    EXPECT_EQ(cap.bottom - cap.top, GetSystemMetrics(SM_CYCAPTION));
    RECT w{};
    GetWindowRect(f.wnd(), &w);
    EXPECT_EQ(cap.right, (w.right - w.left) - frame - 3 * GetSystemMetrics(SM_CXSIZE));

    SendMessageW(f.wnd(), WM_NCACTIVATE, TRUE, 0);
    ASSERT_TRUE(f.caption->FormActive());
    QImage active = f.grab();
    const int midY = (cap.top + cap.bottom) / 2;
    // Red at the left, turning to the end colour at the right.
    const TCaptionLook look = f.caption->Look(cap.right - cap.left, cap.bottom - cap.top);
    const QColor end = colorOf(look.EndColor);
    const QColor nearRight = active.pixelColor(cap.right - 2, cap.top + 1);
    EXPECT_LE(std::abs(nearRight.red() - end.red()), 12);
    EXPECT_LE(std::abs(nearRight.blue() - end.blue()), 12);
    const QColor nearLeft = active.pixelColor(cap.left + 1, cap.top + 1);
    EXPECT_GT(nearLeft.red(), 150);
    EXPECT_GT(nearLeft.red() - nearLeft.blue(), 60);
    // The frame's own buttons stay to the right of the bar.
    EXPECT_NE(active.pixelColor(cap.right + GetSystemMetrics(SM_CXSIZE) * 3 - 10, midY), nearRight);
    active.save(QString::fromStdString(shotDir() + "/caption-form-active.png"));

    // Inactive, GradientInactive false: a plain bar of the inactive caption colour.
    SendMessageW(f.wnd(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_FALSE(f.caption->FormActive());
    QImage inactive = f.grab();
    const TCaptionLook off = f.caption->Look(10, 10);
    EXPECT_FALSE(off.Gradient);
    const QColor plain = colorOf(off.EndColor);
    EXPECT_EQ(inactive.pixelColor(cap.left + 1, cap.top + 1), plain);
    EXPECT_EQ(inactive.pixelColor(cap.right - 2, cap.top + 1), plain);
    EXPECT_EQ(off.Caption.Color, clInactiveCaptionText);
    inactive.save(QString::fromStdString(shotDir() + "/caption-form-inactive.png"));

    // GradientInactive on: the inactive bar runs from the start colour too.
    f.caption->SetGradientInactive(true);
    SendMessageW(f.wnd(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_GT(f.grab().pixelColor(cap.left + 1, cap.top + 1).red(), 150);
}

TEST_F(GradientCaption, EndColourFollowsTheDesktopsGradientSettingAndTheFont) {
    CaptionForm f;
    BOOL gradient = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
    SendMessageW(f.wnd(), WM_NCACTIVATE, TRUE, 0);
    TCaptionLook look = f.caption->Look(100, 20);
    EXPECT_EQ(look.EndColor, gradient ? clGradientActiveCaption : clActiveCaption);
    EXPECT_TRUE(look.Gradient);
    EXPECT_EQ(look.StartColor, clRed);
    EXPECT_EQ(look.GradientSteps, 64);
    SendMessageW(f.wnd(), WM_NCACTIVATE, FALSE, 0);
    look = f.caption->Look(100, 20);
    EXPECT_EQ(look.EndColor, gradient ? clGradientInactiveCaption : clInactiveCaption);

    // The desktop's caption font until the font is changed; pieces follow it.
    EXPECT_TRUE(f.caption->DefaultFont());
    EXPECT_EQ(f.caption->Font()->Color(), clCaptionText);
    TKitCaption* piece = f.caption->Captions()->Add();
    piece->SetCaption("Piece ");
    EXPECT_TRUE(piece->ParentFont());
    EXPECT_EQ(piece->Font()->Name(), f.caption->Font()->Name());
    f.caption->Font()->SetName("Serif");
    EXPECT_FALSE(f.caption->DefaultFont());
    EXPECT_EQ(piece->Font()->Name(), "Serif");
    piece->Font()->SetSize(14);
    EXPECT_FALSE(piece->ParentFont());
    f.caption->Font()->SetName("Monospace");
    EXPECT_EQ(piece->Font()->Name(), "Serif");
    piece->SetParentFont(true);
    EXPECT_EQ(piece->Font()->Name(), "Monospace");
    f.caption->SetDefaultFont(true);
    EXPECT_TRUE(f.caption->DefaultFont());
    EXPECT_NE(f.caption->Font()->Name(), "Monospace");
}

TEST_F(GradientCaption, BorderlessFormsAreLeftAloneAndActiveSwitchesTheHook) {
    CaptionForm none(bsNone);
    const RECT r = none.caption->CaptionRect();
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_FALSE(platform::ownFrame(none.wnd()));

    CaptionForm f;
    int activated = 0, deactivated = 0;
    f.caption->OnActivate = [&](TObject*) { ++activated; };
    f.caption->OnDeactivate = [&](TObject*) { ++deactivated; };
    SendMessageW(f.wnd(), WM_NCACTIVATE, TRUE, 0);
    const RECT cap = f.caption->CaptionRect();
    EXPECT_GT(f.grab().pixelColor(cap.left + 1, cap.top + 1).red(), 150);
    f.caption->SetActive(false);
    EXPECT_EQ(deactivated, 1);
    // The frame paints its own caption again, from the active caption colour.
    SendMessageW(f.wnd(), WM_NCPAINT, 1, 0);
    const QColor own = f.grab().pixelColor(cap.left + 1, cap.top + 1);
    EXPECT_EQ(own, colorOf(clActiveCaption));
    f.caption->SetActive(true);
    EXPECT_EQ(activated, 1);
    EXPECT_GT(f.grab().pixelColor(cap.left + 1, cap.top + 1).red(), 150);

    // A dialog shows the close button only; a tool window a small one.
    CaptionForm dialog(bsDialog);
    RECT w{};
    GetWindowRect(dialog.wnd(), &w);
    EXPECT_EQ(dialog.caption->CaptionRect().right,
              (w.right - w.left) - GetSystemMetrics(SM_CXDLGFRAME) - GetSystemMetrics(SM_CXSIZE));
    CaptionForm tool(bsToolWindow);
    const RECT t = tool.caption->CaptionRect();
    EXPECT_EQ(t.bottom - t.top, GetSystemMetrics(SM_CYSMCAPTION));
}

namespace {

class RecordingPopup : public TPopupMenu {
public:
    explicit RecordingPopup(TComponent* owner) : TPopupMenu(owner) {}
    void Popup(int X, int Y) override {
        ++shown;
        at = POINT{X, Y};
    }
    int shown = 0;
    POINT at{0, 0};
};

}  // namespace

TEST_F(GradientCaption, RightClickOnTheBarPopsTheMenuUpAndAFreedMenuIsForgotten) {
    CaptionForm f;
    auto* menu = new RecordingPopup(f.form.get());
    f.caption->SetPopupMenu(menu);
    const LPARAM at = MAKELPARAM(200, 60);
    EXPECT_EQ(SendMessageW(f.wnd(), WM_NCRBUTTONDOWN, HTCAPTION, at), 0);
    EXPECT_EQ(menu->shown, 0);
    SendMessageW(f.wnd(), WM_NCRBUTTONUP, HTCAPTION, at);
    EXPECT_EQ(menu->shown, 1);
    EXPECT_EQ(menu->at.x, 200);
    EXPECT_EQ(menu->at.y, 60);
    // Not on the border, and not without AutoPopup.
    SendMessageW(f.wnd(), WM_NCRBUTTONDOWN, HTLEFT, at);
    SendMessageW(f.wnd(), WM_NCRBUTTONUP, HTLEFT, at);
    menu->SetAutoPopup(false);
    SendMessageW(f.wnd(), WM_NCRBUTTONDOWN, HTCAPTION, at);
    SendMessageW(f.wnd(), WM_NCRBUTTONUP, HTCAPTION, at);
    EXPECT_EQ(menu->shown, 1);
    delete menu;
    EXPECT_EQ(f.caption->PopupMenu(), nullptr);
    SendMessageW(f.wnd(), WM_NCRBUTTONDOWN, HTCAPTION, at);
    SendMessageW(f.wnd(), WM_NCRBUTTONUP, HTCAPTION, at);
}

TEST_F(GradientCaption, RegionsOfTheFramesPaintingLeaveTheBarOut) {
    CaptionForm f;
    SendMessageW(f.wnd(), WM_NCACTIVATE, TRUE, 0);
    const RECT cap = f.caption->CaptionRect();
    RECT w{};
    GetWindowRect(f.wnd(), &w);
    // A region of the caption alone: the frame paints nothing of it, the bar is painted.
    HRGN only = CreateRectRgn(w.left + cap.left, w.top + cap.top, w.left + cap.right, w.top + cap.bottom);
    SendMessageW(f.wnd(), WM_NCPAINT, reinterpret_cast<WPARAM>(only), 0);
    // The caller's region is given back untouched.
    RECT box{};
    EXPECT_EQ(GetRgnBox(only, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, w.left + cap.left);
    DeleteObject(only);
    EXPECT_GT(f.grab().pixelColor(cap.left + 1, cap.top + 1).red(), 150);
    // A region of the bottom border only: the bar stays as it was.
    HRGN border = CreateRectRgn(w.left, w.bottom - 3, w.right, w.bottom);
    SendMessageW(f.wnd(), WM_NCPAINT, reinterpret_cast<WPARAM>(border), 0);
    DeleteObject(border);
    EXPECT_GT(f.grab().pixelColor(cap.left + 1, cap.top + 1).red(), 150);
}

TEST_F(GradientCaption, StoredInLayoutsWithItsPieces) {
    RegisterKitClasses();
    TForm form(nullptr);
    form.SetName("CaptionHost");
    auto* caption = new TKitGradientCaption(&form);
    caption->SetName("GradientCaption1");
    caption->SetStartColor(clRed);
    caption->SetFormCaption("Tessellon 4.5");
    caption->SetGradientSteps(32);
    caption->SetHideDirection(hdRightToLeft);
    TKitCaption* piece = caption->Captions()->Add();
    piece->SetCaption("Poster: ");
    piece->SetGlueNext(true);
    piece->Font()->SetName("Serif");
    const String text = WriteComponentText(&form);
    EXPECT_NE(text.find("StartColor = clRed"), String::npos) << text;
    EXPECT_NE(text.find("FormCaption = 'Tessellon 4.5'"), String::npos) << text;
    EXPECT_EQ(text.find("GradientActive"), String::npos) << text;  // defaults are not written

    TForm copy(nullptr);
    ReadComponentText(text, &copy);
    auto* read = qobject_cast<TKitGradientCaption*>(copy.FindComponent("GradientCaption1"));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->StartColor(), clRed);
    EXPECT_EQ(read->FormCaption(), "Tessellon 4.5");
    EXPECT_EQ(read->GradientSteps(), 32);
    EXPECT_EQ(read->HideDirection(), hdRightToLeft);
    EXPECT_TRUE(read->DefaultFont());
    ASSERT_EQ(read->Captions()->Count(), 1);
    EXPECT_EQ(read->Captions()->Caption(0)->Caption(), "Poster: ");
    EXPECT_TRUE(read->Captions()->Caption(0)->GlueNext());
    EXPECT_FALSE(read->Captions()->Caption(0)->ParentFont());
    EXPECT_EQ(read->Captions()->Caption(0)->Font()->Name(), "Serif");
}

TEST_F(GradientCaption, PaintingAgainAndAgainLeavesNoObjectsBehind) {
    const int hooks = kithooks::HookCount();
    auto f = std::make_unique<CaptionForm>();
    EXPECT_EQ(kithooks::HookCount(), hooks + 1);
    for (int i = 0; i < 3; ++i) SendMessageW(f->wnd(), WM_NCACTIVATE, i % 2, 0);
    const std::size_t objects = platform::gdi::liveCount();
    const int icons = platform::liveIconCount();
    for (int i = 0; i < 20; ++i) {
        SendMessageW(f->wnd(), WM_NCACTIVATE, i % 2, 0);
        SendMessageW(f->wnd(), WM_NCPAINT, 1, 0);
    }
    EXPECT_EQ(platform::gdi::liveCount(), objects);
    EXPECT_EQ(platform::liveIconCount(), icons);
    // The form's subclassing goes with the form.
    f.reset();
    platform::processPendingMessages();
    EXPECT_EQ(kithooks::HookCount(), hooks);
}

