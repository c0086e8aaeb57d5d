// Images (files and resources, placement), paint boxes, scroll boxes and radio groups.
#include "classlib/ExtCtrls.h"
#include "testsupport/TestSupport.h"
#include "platform/winuser.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <cstdio>
#include <unistd.h>

namespace {

std::unique_ptr<TForm> makeForm(int w, int h) {
    std::unique_ptr<TForm> f(new TForm(nullptr));
    f->SetBounds(0, 0, w, h);
    return f;
}

QImage shot(TWinControl* c) { return platform::windowWidget(c->Handle())->grab().toImage(); }

}  // namespace

TEST(Image, LoadsPngBmpAndJpegFilesAndRejectsOthers) {
    testsupport::TempDir dir;
    // Red over the top left block, blue elsewhere (blocks that JPEG keeps).
    QImage src(32, 16, QImage::Format_RGB32);
    src.fill(QColor(0, 0, 255));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) src.setPixelColor(x, y, QColor(255, 0, 0));
    auto form = makeForm(100, 100);
    auto* img = new TImage(form.get());
    img->SetParent(form.get());
    for (const char* ext : {"png", "bmp", "jpg"}) {
        const String path = dir.path() + "/pic." + ext;
        ASSERT_TRUE(src.save(QString::fromStdString(path)));
        img->LoadFromFile(path);
        EXPECT_EQ(img->Picture()->Width(), 32) << ext;
        EXPECT_EQ(img->Picture()->Height(), 16) << ext;
        // Rows are stored bottom-up and in blue, green, red order: the top left stays red.
        TBitmap* b = img->Picture()->Bitmap();
        const COLORREF tl = ColorToRGB(b->Canvas()->Pixel(3, 3));
        EXPECT_GT(GetRValue(tl), 200) << ext;
        EXPECT_LT(GetBValue(tl), 60) << ext;
        const COLORREF br = ColorToRGB(b->Canvas()->Pixel(28, 12));
        EXPECT_GT(GetBValue(br), 200) << ext;
    }
    const std::string junk = "not a picture";
    testsupport::writeFile(dir.file("bad.png"), std::vector<unsigned char>(junk.begin(), junk.end()));
    EXPECT_THROW(img->LoadFromFile(dir.path() + "/bad.png"), EInvalidGraphic);
    EXPECT_THROW(img->LoadFromFile(dir.path() + "/missing.png"), EInvalidGraphic);
    EXPECT_EQ(img->Picture()->Width(), 32);  // a failed load keeps the picture
    EXPECT_THROW(img->LoadFromResource(":/images/none.png"), EInvalidGraphic);
    // A name that is not UTF-8 loads; a FIFO named like a picture is refused at once.
    const String odd = dir.path() + "/caf\xE9.png";
    ASSERT_TRUE(src.scaled(8, 4).save(QString::fromStdString(dir.file("plain.png"))));
    ASSERT_EQ(::rename(dir.file("plain.png").c_str(), odd.c_str()), 0);
    img->LoadFromFile(odd);
    EXPECT_EQ(img->Picture()->Width(), 8);
    ASSERT_TRUE(testsupport::makeFifo(dir.file("pipe.png")));
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({dir.file("pipe.png")}, [&] {
        EXPECT_THROW(img->LoadFromFile(dir.file("pipe.png")), EInvalidGraphic);
    }));
    EXPECT_EQ(img->Picture()->Width(), 8);
    ::unlink(odd.c_str());
}

TEST(Image, PlacesThePictureAsItsPropertiesSay) {
    auto form = makeForm(200, 200);
    auto* img = new TImage(form.get());
    img->SetParent(form.get());
    img->SetBounds(10, 10, 40, 40);
    img->LoadFromResource(":/images/red4x3.png");
    RECT r = img->DestRect();
    EXPECT_EQ(r.right - r.left, 4);
    img->SetCenter(true);
    r = img->DestRect();
    EXPECT_EQ(r.left, 18);
    EXPECT_EQ(r.top, 18);
    img->SetStretch(true);
    r = img->DestRect();
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 40);
    img->SetProportional(true);
    r = img->DestRect();
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 30);
    EXPECT_EQ(r.top, 5);
    form->Show();
    const QImage s = shot(form.get());
    EXPECT_EQ(s.pixelColor(10 + 20, 10 + 20), QColor(255, 0, 0));
    // AutoSize takes the picture's size.
    img->SetAutoSize(true);
    EXPECT_EQ(img->Width(), 4);
    EXPECT_EQ(img->Height(), 3);
}

TEST(Image, ADisabledImageIsDrawnInLightGrey) {
    auto form = makeForm(200, 200);
    auto* img = new TImage(form.get());
    img->SetParent(form.get());
    img->SetBounds(10, 10, 40, 30);
    img->SetStretch(true);
    img->LoadFromResource(":/images/red4x3.png");
    form->Show();
    const QPoint centre(30, 25);
    EXPECT_EQ(shot(form.get()).pixelColor(centre), QColor(255, 0, 0));
    img->SetEnabled(false);
    const QImage off = shot(form.get());
    for (const QPoint p : {centre, QPoint(10, 10), QPoint(49, 39)}) {
        const QColor c = off.pixelColor(p);
        EXPECT_TRUE(c.red() == c.green() && c.green() == c.blue()) << p.x() << "," << p.y();
        EXPECT_GT(c.red(), 128) << "light";
        EXPECT_LT(c.red(), 255) << "still seen";
    }
    EXPECT_EQ(off.pixelColor(60, 25), shot(form.get()).pixelColor(60, 25)) << "nothing beside it";
    img->SetEnabled(true);
    EXPECT_EQ(shot(form.get()).pixelColor(centre), QColor(255, 0, 0));
}

TEST(PaintBox, OnPaintDrawsAndTheCanvasWorksOutsidePainting) {
    auto form = makeForm(200, 150);
    auto* box = new TPaintBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(20, 20, 100, 80);
    int paints = 0;
    box->OnPaint = TNotifyEvent([&](TObject* s) {
        ++paints;
        TCanvas* c = static_cast<TPaintBox*>(s)->Canvas();
        c->Brush()->SetColor(clWhite);
        c->FillRect(RECT{0, 0, 100, 80});
    });
    form->Show();
    QImage s = shot(form.get());
    EXPECT_GE(paints, 1);
    EXPECT_EQ(s.pixelColor(70, 60), QColor(255, 255, 255));
    box->Canvas()->Brush()->SetColor(clRed);
    box->Canvas()->FillRect(RECT{0, 0, 10, 10});  // box coordinates
    s = shot(form.get());
    EXPECT_EQ(s.pixelColor(25, 25), QColor(255, 0, 0));
    EXPECT_EQ(s.pixelColor(35, 35), QColor(255, 255, 255));
}

TEST(ScrollBox, BarsFollowTheChildrenAndPositionsMoveThem) {
    auto form = makeForm(400, 300);
    auto* box = new TScrollBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(0, 0, 200, 150);
    box->SetBorderStyle(bsNone);
    form->Show();
    EXPECT_FALSE(box->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->ClientWidth(), 200);
    auto* child = new TPaintBox(form.get());
    child->SetParent(box);
    child->SetBounds(0, 0, 500, 100);
    // Wider than the box: a horizontal bar, which takes client height.
    EXPECT_TRUE(box->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->ClientWidth(), 200);
    EXPECT_EQ(box->ClientHeight(), 150 - GetSystemMetrics(SM_CYHSCROLL));
    EXPECT_TRUE(IsWindowVisible(box->ScrollBarHandle(sbHorizontal)));
    EXPECT_EQ(box->HorzScrollBar()->MaxPosition(), 300);
    box->HorzScrollBar()->SetPosition(120);
    EXPECT_EQ(box->HorzScrollBar()->Position(), 120);
    EXPECT_EQ(child->Left(), -120);
    box->HorzScrollBar()->SetPosition(1000);  // held at the largest position
    EXPECT_EQ(box->HorzScrollBar()->Position(), 300);
    EXPECT_EQ(child->Left(), -300);
    box->HorzScrollBar()->SetPosition(-5);
    EXPECT_EQ(child->Left(), 0);
    // Taller too: both bars.
    child->SetHeight(400);
    EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
    box->VertScrollBar()->SetPosition(50);
    EXPECT_EQ(child->Top(), -50);
    // The user drags the bar.
    HWND bar = box->ScrollBarHandle(sbVertical);
    SendMessageA(bar, SBM_SETPOS, 80, TRUE);
    SendMessageA(box->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 80), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(box->VertScrollBar()->Position(), 80);
    EXPECT_EQ(child->Top(), -80);
    // Shrinking the child brings the position back into range.
    child->SetHeight(100);
    EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(box->VertScrollBar()->Position(), 0);
    EXPECT_EQ(child->Top(), 0);
    // Without AutoScroll the range is what code sets.
    box->SetAutoScroll(false);
    EXPECT_FALSE(box->HorzScrollBar()->IsScrollBarVisible());
    box->VertScrollBar()->SetRange(1000);
    EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
}

TEST(RadioGroup, ButtonsFollowItemsAndChoosingFiresOnClick) {
    auto form = makeForm(300, 200);
    auto* g = new TRadioGroup(form.get());
    g->SetParent(form.get());
    g->SetBounds(0, 0, 200, 100);
    int clicks = 0;
    g->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    g->Items()->Add("Rows");
    g->Items()->Add("Columns");
    g->Items()->Add("Neither");
    ASSERT_EQ(g->ButtonCount(), 3);
    EXPECT_EQ(g->Buttons(1)->Caption(), "Columns");
    EXPECT_EQ(g->ItemIndex(), -1);
    EXPECT_EQ(clicks, 0);
    g->SetItemIndex(1);
    EXPECT_TRUE(g->Buttons(1)->Checked());
    EXPECT_EQ(clicks, 1);
    g->Buttons(2)->SetChecked(true);  // as a user's click does
    EXPECT_EQ(g->ItemIndex(), 2);
    EXPECT_FALSE(g->Buttons(1)->Checked());
    EXPECT_EQ(clicks, 2);
    g->SetColumns(3);
    EXPECT_LT(g->Buttons(0)->Left(), g->Buttons(1)->Left());
    EXPECT_EQ(g->Buttons(0)->Top(), g->Buttons(1)->Top());
    g->Items()->Delete(2);
    EXPECT_EQ(g->ButtonCount(), 2);
    EXPECT_EQ(g->ItemIndex(), 1);
}
