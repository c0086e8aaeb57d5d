// The speed bar read from a layout file as the editor's tool bar is: 14 flat transparent
// tool buttons in one group clicked with the mouse, the streamed properties written back
// and read again, the grid and its snapping, sections, items, options and painting.
#include "kit/SpeedBar.h"

#include "ButtonTestSupport.h"
#include "classlib/ComCtrls.h"
#include "KitTestSupport.h"
#include "kit/KitUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace buttontest;

namespace {

const char* const kToolNames[14] = {"ZoomBtn",    "HandBtn",  "SelectBtn", "FreeSelBtn", "MagicBtn",
                                    "DropBtn",    "BrushBtn", "CloneBtn",  "ReplaceBtn", "RetouchBtn",
                                    "FillBtn",    "TxtBtn",   "LineBtn",   "ShapeBtn"};

class TSpeedBarForm : public TForm {
    Q_OBJECT

public:
    explicit TSpeedBarForm(TComponent* AOwner) : TForm(AOwner) {
        PublishField("SpeedBar1", SpeedBar1);
        PublishField("SpeedBar2", SpeedBar2);
        PublishField("ShowProzent", ShowProzent);
        for (int i = 0; i < 14; ++i) PublishField(kToolNames[i], Tools[static_cast<std::size_t>(i)]);
        LoadLayout("SpeedBarForm");
    }
    TSpeedBar* SpeedBar1 = nullptr;
    TSpeedBar* SpeedBar2 = nullptr;
    TProgressBar* ShowProzent = nullptr;
    std::array<TSpeedItem*, 14> Tools{};
    std::vector<std::string> clicks;

public slots:
    void ZoomBtnClick(TObject* Sender) {
        auto* b = qobject_cast<TSpeedbarButton*>(Sender);
        clicks.push_back(b && b->Item() ? b->Item()->Name() : std::string("?"));
    }
};

class SpeedBars : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSpeedBar();
        RegisterClass<TSpeedBarForm>();
    }
};

// A bar on a plain form, made by code.
struct CodeBar {
    CodeBar() {
        RegisterSpeedBar();
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 400, 300);
        bar = new TSpeedBar(form);
        bar->SetName("Bar");
        bar->SetParent(form);
    }
    ~CodeBar() { delete form; }
    TSpeedItem* Item(const String& name, int section = 0) {
        auto* item = new TSpeedItem(form);
        item->SetName(name);
        bar->AddItem(section, item);
        return item;
    }
    TForm* form;
    TSpeedBar* bar;
};

}  // namespace

TEST_F(SpeedBars, TheEditorsToolBarComesFromItsLayoutAndEachClickReachesTheHandler) {
    auto* form = new TSpeedBarForm(nullptr);
    TSpeedBar* bar = form->SpeedBar1;
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->Align(), alLeft);
    EXPECT_EQ(bar->Orientation(), boVertical);
    EXPECT_EQ(bar->BtnWidth(), 23);
    EXPECT_EQ(bar->BtnHeight(), 22);
    EXPECT_EQ(bar->BtnOffsetHorz(), 1);
    EXPECT_EQ(bar->BtnOffsetVert(), 1);
    // Along a vertical bar the grid step divides the button height (22: 11), across it is
    // the button width.
    EXPECT_EQ(bar->GridSize().cx, 23);
    EXPECT_EQ(bar->GridSize().cy, 11);
    ASSERT_EQ(bar->SectionCount(), 1);
    EXPECT_EQ(bar->Sections(0)->Caption(), "Untitled (0)");
    ASSERT_EQ(bar->Sections(0)->ItemCount(), 14);
    for (int i = 0; i < 14; ++i) {
        TSpeedItem* item = form->Tools[static_cast<std::size_t>(i)];
        ASSERT_TRUE(item) << kToolNames[i];
        EXPECT_EQ(bar->Sections(0)->Items(i), item);
        TSpeedbarButton* b = item->Button();
        EXPECT_TRUE(item->Visible());
        EXPECT_EQ(b->Parent(), bar);
        EXPECT_TRUE(b->Flat());
        EXPECT_TRUE(b->Transparent());
        EXPECT_FALSE(b->GrayedInactive());
        EXPECT_EQ(b->GroupIndex(), 1);
        EXPECT_EQ(b->Width(), 23);
        EXPECT_EQ(b->Height(), 22);
        EXPECT_EQ(b->Left(), 1);
        EXPECT_EQ(b->Top(), 1 + 22 * i);
        EXPECT_EQ(item->Down(), i == 0);
        EXPECT_EQ(item->Hint(), item->Caption() + "|" + item->Caption() + " tool");
    }
    EXPECT_EQ(form->SpeedBar2->Align(), alBottom);
    EXPECT_EQ(form->ShowProzent->Parent(), form->SpeedBar2);

    form->Show();
    SetActiveWindow(form->Handle());
    // Each tool clicked with the mouse: it goes down, the others up, the handler hears it.
    for (int i = 13; i >= 0; --i) {
        TSpeedItem* item = form->Tools[static_cast<std::size_t>(i)];
        ClickAt(item->Button(), 11, 11);
        int down = 0;
        for (TSpeedItem* t : form->Tools) down += t->Down() ? 1 : 0;
        EXPECT_EQ(down, 1);
        EXPECT_TRUE(item->Down()) << kToolNames[i];
    }
    ASSERT_EQ(form->clicks.size(), 14u);
    EXPECT_EQ(form->clicks.front(), "ShapeBtn");
    EXPECT_EQ(form->clicks.back(), "ZoomBtn");
    // The selection tool down, the mouse over the brush: a screenshot of the bar.
    ClickAt(form->Tools[2]->Button(), 11, 11);
    Move(form->Tools[6]->Button(), 11, 11);
    const QImage shot = Grab(form);
    EXPECT_TRUE(SaveShot(shot, "kit-speedbar-editor.png"));
    // Flat buttons the mouse is not over have no frame; the down one has its sunken frame.
    const QImage hand = GrabControl(form, form->Tools[1]->Button());
    EXPECT_EQ(hand.pixelColor(0, 0), hand.pixelColor(22, 21));
    const QImage select = GrabControl(form, form->Tools[2]->Button());
    EXPECT_EQ(select.pixelColor(0, 0), Sys(clWindowFrame));
    EXPECT_EQ(select.pixelColor(22, 21), Sys(clBtnHighlight));
    const QImage brush = GrabControl(form, form->Tools[6]->Button());
    EXPECT_EQ(brush.pixelColor(0, 0), Sys(clBtnHighlight));
    delete form;
}

TEST_F(SpeedBars, TheLayoutWrittenBackHoldsSectionsThenItemsAndReadsTheSame) {
    auto* form = new TSpeedBarForm(nullptr);
    form->Tools[4]->SetDown(true);
    const String text = WriteComponentText(form);
    EXPECT_NE(text.find("Sections = (\n      'Untitled (0)')"), String::npos) << text.substr(0, 600);
    EXPECT_NE(text.find("InternalVer = 1"), String::npos);
    EXPECT_NE(text.find("NewStyle = True"), String::npos);
    EXPECT_EQ(text.find("AllowDrag"), String::npos);
    EXPECT_NE(text.find("SectionName = 'Untitled (0)'"), String::npos);
    // Items come in their section's order, each once.
    std::size_t at = 0;
    for (const char* name : kToolNames) {
        const std::size_t next = text.find(String("object ") + name + ": TSpeedItem", at);
        ASSERT_NE(next, String::npos) << name;
        at = next;
    }
    EXPECT_LT(text.find("object SpeedBar1"), text.find("object ZoomBtn"));
    EXPECT_LT(text.find("object ShapeBtn"), text.find("object SpeedBar2"));
    EXPECT_NE(text.find("object ShowProzent: TProgressBar"), String::npos);
    delete form;
}

TEST_F(SpeedBars, LayoutTextRoundTripsThroughTheReader) {
    auto* form = new TSpeedBarForm(nullptr);
    form->SpeedBar1->NewSection("Shapes");
    form->Tools[13]->SetSection(1);
    form->Tools[12]->SetVisible(false);
    const String text = WriteComponentText(form);
    delete form;
    // The same text read into a plain form.
    auto* plain = new TForm(nullptr);
    String body = text;
    body.replace(0, body.find('\n'), "object SpeedBarForm: TForm");
    body = ReplaceAll(body, "OnClick = ZoomBtnClick\n", "");
    ReadComponentText(body, plain);
    auto* bar = qobject_cast<TSpeedBar*>(plain->FindComponent("SpeedBar1"));
    ASSERT_TRUE(bar);
    ASSERT_EQ(bar->SectionCount(), 2);
    EXPECT_EQ(bar->Sections(1)->Caption(), "Shapes");
    EXPECT_EQ(bar->Sections(0)->ItemCount(), 13);
    ASSERT_EQ(bar->Sections(1)->ItemCount(), 1);
    EXPECT_EQ(bar->Sections(1)->Items(0)->Name(), "ShapeBtn");
    EXPECT_FALSE(bar->FindItemNamed("linebtn")->Visible());
    EXPECT_TRUE(bar->FindItemNamed("ZOOMBTN")->Down());
    EXPECT_EQ(bar->FindItemNamed("nothing"), nullptr);
    delete plain;
}

TEST_F(SpeedBars, GridStepsAndSnappingFollowTheBarsLength) {
    CodeBar c;
    TSpeedBar* bar = c.bar;
    // Created: 24 x 23 buttons, offsets of the frame width (2 and a raised bevel of 1).
    EXPECT_EQ(bar->BtnWidth(), 24);
    EXPECT_EQ(bar->BtnHeight(), 23);
    EXPECT_EQ(bar->BtnOffsetHorz(), 3);
    EXPECT_EQ(bar->Height(), 2 * 3 + 23);
    EXPECT_EQ(bar->Options(), TSpeedbarOptions(sbAllowDrag) | sbGrayedBtns);
    EXPECT_EQ(bar->GridSize().cx, 8);  // 24 / 3
    bar->SetBtnWidth(23);
    EXPECT_EQ(bar->GridSize().cx, 1);  // 7 up to 23 finds none below 23; down from 22 finds 1
    bar->SetBtnWidth(30);
    EXPECT_EQ(bar->GridSize().cx, 10);  // 8 and 9 do not divide 30: 10
    bar->SetBtnWidth(0);
    EXPECT_EQ(bar->BtnWidth(), 1);  // never 0
    EXPECT_EQ(bar->GridSize().cx, 1);
    bar->SetBtnWidth(24);
    // Along a horizontal bar the position is rounded, halves to the even step; across it
    // is truncated toward zero and never above the offset.
    EXPECT_EQ(bar->AlignToGrid(POINT{3 + 4, 3}).x, 3);       // 0.5 steps: to 0
    EXPECT_EQ(bar->AlignToGrid(POINT{3 + 12, 3}).x, 3 + 16);  // 1.5 steps: to 2
    EXPECT_EQ(bar->AlignToGrid(POINT{3 + 13, 3}).x, 3 + 16);
    EXPECT_EQ(bar->AlignToGrid(POINT{10, 3 + 22}).y, 3);
    EXPECT_EQ(bar->AlignToGrid(POINT{10, 3 + 23}).y, 3 + 23);
    EXPECT_EQ(bar->AlignToGrid(POINT{10, -20}).y, 3);
    // A vertical bar swaps the rules; its thickness and the button size turn with it.
    c.form->Show();
    const int thickness = bar->Height();
    TSpeedItem* a = c.Item("A");
    a->SetVisible(true);
    ASSERT_TRUE(bar->PlaceItem(a, POINT{3 + 16, 3}));
    bar->SetAlign(alLeft);
    EXPECT_EQ(bar->Width(), thickness);
    EXPECT_EQ(bar->BtnWidth(), 23);
    EXPECT_EQ(bar->BtnHeight(), 24);
    EXPECT_EQ(bar->GridSize().cy, 8);
    EXPECT_EQ(a->Left(), 3);
    EXPECT_EQ(a->Top(), 3 + 16);
    EXPECT_EQ(bar->AlignToGrid(POINT{3 + 22, 3 + 4}).x, 3);
    EXPECT_EQ(bar->AlignToGrid(POINT{3 + 22, 3 + 12}).y, 3 + 16);
    // Under bpAuto a bar cannot float or fill its parent.
    EXPECT_EQ(kittest::messageOf<ESpeedbarError>([&] { bar->SetAlign(alNone); }),
              "Cannot set this property value while Position is bpAuto");
    bar->SetPosition(bpCustom);
    bar->SetAlign(alNone);
    EXPECT_EQ(bar->Orientation(), boVertical);
}

TEST_F(SpeedBars, SectionsHaveUniqueCaptionsAndItemsFollowThem) {
    CodeBar c;
    TSpeedBar* bar = c.bar;
    EXPECT_EQ(bar->NewSection("Tools"), 0);
    EXPECT_EQ(bar->NewSection("Tools"), 1);
    EXPECT_EQ(bar->Sections(1)->Caption(), "Tools (1)");
    EXPECT_EQ(bar->NewSection("Tools"), 2);
    EXPECT_EQ(bar->Sections(2)->Caption(), "Tools (2)");
    EXPECT_EQ(kittest::messageOf<ESpeedbarError>([&] { bar->Sections(2)->SetCaption("Tools"); }),
              "In der Stringliste sind Duplikate nicht erlaubt");
    TSpeedbarSection* moved = bar->Sections(0);
    moved->SetIndex(7);
    EXPECT_EQ(moved->Index(), 2);
    moved->SetIndex(-3);
    EXPECT_EQ(moved->Index(), 0);

    TSpeedItem* a = c.Item("OpenBtn", 1);
    TSpeedItem* b = c.Item("SaveBtn", 1);
    EXPECT_EQ(a->Section(), 1);
    EXPECT_EQ(a->Caption(), "OpenBtn");  // the name becomes the caption
    a->SetName("LoadBtn");
    EXPECT_EQ(a->Caption(), "LoadBtn");
    // The caption sets the hint while the caption is the hint's short part.
    a->SetHint("LoadBtn|Loads a picture");
    a->SetCaption("Open");
    EXPECT_EQ(a->Hint(), "Open|Loads a picture");
    a->SetCaption("Open file|");
    EXPECT_EQ(a->Hint(), "Open file|Loads a picture");
    a->SetCaption("Open file");
    a->SetCaption("Open|Opens a file");
    EXPECT_EQ(a->Hint(), "Open|Opens a file");
    a->SetHint("Something else");
    a->SetCaption("Other");
    EXPECT_EQ(a->Hint(), "Something else");
    // Items visit in section order; the tag reaches the button.
    std::vector<String> order;
    bar->ForEachItem([&](TSpeedItem* i) { order.push_back(i->Name()); });
    EXPECT_EQ(order, (std::vector<String>{"LoadBtn", "SaveBtn"}));
    b->SetTag(7);
    EXPECT_EQ(b->Button()->Tag(), 7);
    // A section freed takes its items off the bar; freeing an item takes its button.
    b->SetVisible(true);
    EXPECT_EQ(b->Button()->Parent(), bar);
    delete bar->Sections(1);
    EXPECT_EQ(bar->SectionCount(), 2);
    EXPECT_EQ(b->Button()->Parent(), nullptr);
    EXPECT_EQ(b->Section(), -1);
    const int buttons = TKitSpeedButton::ButtonCount();
    delete b;
    EXPECT_EQ(TKitSpeedButton::ButtonCount(), buttons - 1);
}

TEST_F(SpeedBars, OptionsReachTheButtonsAndEnablingFollowsTheBar) {
    CodeBar c;
    TSpeedItem* a = c.Item("A");
    EXPECT_FALSE(a->Button()->Flat());
    EXPECT_TRUE(a->Button()->GrayedInactive());
    c.bar->SetOptions(TSpeedbarOptions(sbFlatBtns) | sbTransparentBtns);
    EXPECT_TRUE(a->Button()->Flat());
    EXPECT_TRUE(a->Button()->Transparent());
    EXPECT_FALSE(a->Button()->GrayedInactive());
    EXPECT_EQ(c.bar->FrameWidth(), 1);
    c.bar->SetEnabled(false);
    EXPECT_FALSE(a->Button()->Enabled());
    a->SetEnabled(true);
    EXPECT_FALSE(a->Button()->Enabled()) << "a disabled bar keeps its buttons disabled";
    c.bar->SetEnabled(true);
    EXPECT_TRUE(a->Button()->Enabled());
    // Images of an image list replace the glyph.
    TImageList images(16, 16, c.form);
    TBitmap one;
    one.SetSize(16, 16);
    one.Canvas()->Brush()->SetColor(clBlue);
    one.Canvas()->FillRect(RECT{0, 0, 16, 16});
    images.Add(&one, nullptr);
    c.bar->SetImages(&images);
    a->SetImageIndex(0);
    a->SetVisible(true);
    c.form->Show();
    const QImage img = GrabControl(c.form, a->Button());
    EXPECT_GT(CountColour(img, Qt::blue), 100);
    c.bar->SetImages(nullptr);
}

TEST_F(SpeedBars, BoundLinesAreDrawnInsideTheBevel) {
    CodeBar c;
    c.bar->SetBoundLines(TBoundLines(blTop) | blBottom | blLeft | blRight);
    c.bar->SetBevelOuter(bvNone);
    c.form->Show();
    const QImage img = GrabControl(c.form, c.bar);
    const int w = c.bar->Width(), h = c.bar->Height();
    EXPECT_EQ(img.pixelColor(w / 2, 0), Sys(clBtnShadow));
    EXPECT_EQ(img.pixelColor(w / 2, 1), Sys(clBtnHighlight));
    EXPECT_EQ(img.pixelColor(w / 2, h - 2), Sys(clBtnShadow));
    EXPECT_EQ(img.pixelColor(w / 2, h - 1), Sys(clBtnHighlight));
    EXPECT_EQ(img.pixelColor(0, h / 2), Sys(clBtnShadow));
    EXPECT_EQ(img.pixelColor(1, h / 2), Sys(clBtnHighlight));
    EXPECT_EQ(img.pixelColor(w - 2, h / 2), Sys(clBtnShadow));
    EXPECT_EQ(img.pixelColor(w - 1, h / 2), Sys(clBtnHighlight));
}

TEST_F(SpeedBars, TheWallpaperIsTiledOrStretched) {
    CodeBar c;
    c.bar->SetBevelOuter(bvNone);
    TBitmap tile;
    tile.SetPixelFormat(pf24bit);
    tile.SetSize(10, 10);
    tile.Canvas()->Brush()->SetColor(clYellow);
    tile.Canvas()->FillRect(RECT{0, 0, 10, 10});
    tile.Canvas()->Brush()->SetColor(clRed);
    tile.Canvas()->FillRect(RECT{0, 0, 5, 10});
    c.bar->Wallpaper()->SetGraphic(&tile);
    c.form->Show();
    QImage img = GrabControl(c.form, c.bar);
    // Tiled from the corner: red and yellow halves repeat every 10 pixels.
    EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(7, 2), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(92, 22), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(97, 22), QColor(Qt::yellow));
    // Stretched: one red half over the left half of the bar.
    c.bar->SetOptions(c.bar->Options() | sbStretchBitmap);
    c.bar->Invalidate();
    img = GrabControl(c.form, c.bar);
    const int w = c.bar->ClientWidth();
    EXPECT_EQ(img.pixelColor(w / 2 - 10, 15), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(w / 2 + 10, 15), QColor(Qt::yellow));
}

#include "SpeedBarTest.moc"
