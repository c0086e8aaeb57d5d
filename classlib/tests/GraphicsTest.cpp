// Graphics: canvas drawing on bitmaps and windows, the bitmap's BMP stream format.
#include "classlib/ExtCtrls.h"
#include "platform/GdiObject.h"

#include <QWidget>
#include <gtest/gtest.h>

TEST(Graphics, CanvasDrawsOnABitmapWithPenModes) {
    TBitmap b;
    b.SetSize(20, 10);
    TCanvas* c = b.Canvas();
    EXPECT_EQ(c->Pixel(3, 3) & 0xFFFFFF, clWhite);  // a new bitmap is white
    c->Brush()->SetColor(clRed);
    c->FillRect(RECT{0, 0, 10, 10});
    EXPECT_EQ(c->Pixel(5, 5) & 0xFFFFFF, clRed);
    c->Pen()->SetColor(clBlue);
    c->MoveTo(0, 9);
    c->LineTo(20, 9);
    EXPECT_EQ(c->Pixel(15, 9) & 0xFFFFFF, clBlue);
    // Drawing twice with XOR leaves the picture as it was.
    c->Pen()->SetMode(pmXor);
    c->Pen()->SetColor(clWhite);
    c->MoveTo(0, 2);
    c->LineTo(20, 2);
    EXPECT_EQ(c->Pixel(5, 2) & 0xFFFFFF, static_cast<TColor>(0xFFFF00));  // red xor white
    c->MoveTo(0, 2);
    c->LineTo(20, 2);
    EXPECT_EQ(c->Pixel(5, 2) & 0xFFFFFF, clRed);
    c->Pen()->SetMode(pmCopy);
    EXPECT_GT(c->TextWidth("Wide text"), c->TextWidth("W"));
    EXPECT_GT(c->TextHeight("X"), 5);
}

TEST(Graphics, BitmapStreamIsTheBmpFileFormat) {
    TBitmap b;
    b.SetSize(5, 3);
    b.Canvas()->SetPixel(1, 0, clRed);
    b.Canvas()->SetPixel(4, 2, static_cast<TColor>(0x123456));
    TMemoryStream s;
    b.SaveToStream(&s);
    EXPECT_EQ(s.Size(), 14 + 40 + 16 * 3);  // rows of 5 x 3 bytes padded to 16
    s.SetPosition(0);
    char magic[2];
    s.ReadBuffer(magic, 2);
    EXPECT_EQ(magic[0], 'B');
    EXPECT_EQ(magic[1], 'M');
    s.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(&s);
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Height(), 3);
    EXPECT_EQ(back.Canvas()->Pixel(1, 0) & 0xFFFFFF, clRed);
    EXPECT_EQ(back.Canvas()->Pixel(4, 2) & 0xFFFFFF, static_cast<TColor>(0x123456));

    // A damaged file is refused with a clear error, never read past its end.
    TMemoryStream cut;
    s.SetPosition(0);
    cut.CopyFrom(&s, s.Size() - 10);
    cut.SetPosition(0);
    TBitmap bad;
    EXPECT_THROW(bad.LoadFromStream(&cut), EInvalidGraphic);
    TMemoryStream junk;
    junk.WriteBuffer("BMxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 60);
    junk.SetPosition(0);
    EXPECT_THROW(bad.LoadFromStream(&junk), EInvalidGraphic);
}

TEST(Graphics, DrawingOnAControlCanvasOutsidePaintShows) {
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 200, 120);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 100, 60);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    form->Show();
    QWidget* w = platform::windowWidget(panel->Handle());
    QImage shot = w->grab().toImage();
    EXPECT_EQ(shot.pixelColor(50, 30), QColor(255, 255, 255));
    HDC dc = GetDC(panel->Handle());
    TCanvas c;
    c.SetHandle(dc);
    c.Brush()->SetColor(clGreen);
    c.FillRect(RECT{40, 20, 60, 40});
    c.SetHandle(nullptr);
    ReleaseDC(panel->Handle(), dc);
    shot = w->grab().toImage();
    EXPECT_EQ(shot.pixelColor(50, 30), QColor(0, 128, 0));
    delete form;
}


TEST(Graphics, PublishedPropertiesOfFontsPensAndBrushesUseIdentifiers) {
    TFont font;
    TPen pen;
    TBrush brush;
    SetEnumProp(&pen, GetPropInfo(&pen, "Style"), "psDash");
    SetEnumProp(&pen, GetPropInfo(&pen, "mode"), "pmXor");
    SetEnumProp(&brush, GetPropInfo(&brush, "Style"), "bsClear");
    SetEnumProp(&font, GetPropInfo(&font, "Pitch"), "fpFixed");
    EXPECT_EQ(pen.Style(), psDash);
    EXPECT_EQ(pen.Mode(), pmXor);
    EXPECT_EQ(brush.Style(), bsClear);
    EXPECT_EQ(font.Pitch(), fpFixed);
    EXPECT_EQ(GetEnumProp(&pen, GetPropInfo(&pen, "Style")), "psDash");

    // Colours and character sets are integers with identifiers.
    const TPropType color = GetPropType(GetPropInfo(&font, "Color"));
    const TPropType charset = GetPropType(GetPropInfo(&font, "Charset"));
    ASSERT_TRUE(color.Idents && charset.Idents);
    long long v = 0;
    EXPECT_TRUE(IdentToInt("clBtnFace", v, *color.Idents));
    EXPECT_EQ(v, clBtnFace);
    EXPECT_TRUE(IdentToInt("oem_charset", v, *charset.Idents));
    EXPECT_EQ(v, 255);
    String name;
    EXPECT_TRUE(IntToIdent(DEFAULT_CHARSET, name, *charset.Idents));
    EXPECT_EQ(name, "DEFAULT_CHARSET");
    EXPECT_TRUE(GetPropType(GetPropInfo(&pen, "Color")).Idents != nullptr);

    // Assign copies the pitch with the rest.
    TFont copy;
    copy.Assign(&font);
    EXPECT_EQ(copy.Pitch(), fpFixed);
}

TEST(Graphics, ChangingTheSelectedPenBrushAndFontLeavesNoObjectBehind) {
    TBitmap b;
    b.SetSize(40, 20);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(RECT{0, 0, 4, 4});
    c->TextOut(0, 0, "x");
    const std::size_t objects = platform::gdi::liveCount();
    // Each change deletes the handle the device context holds: it must leave the context first.
    for (int i = 0; i < 50; ++i) {
        c->Brush()->SetColor(static_cast<TColor>(RGB(i, 0, 255 - i)));
        c->FillRect(RECT{0, 0, 10, 10});
        c->Pen()->SetColor(static_cast<TColor>(RGB(0, i, 0)));
        c->Pen()->SetWidth(1 + i % 3);
        c->MoveTo(0, 18);
        c->LineTo(30, 18);
        c->Font()->SetHeight(-(10 + i % 5));
        c->Font()->SetStyle(i % 2 ? TFontStyles(fsBold) : TFontStyles(0));
        c->TextOut(12, 0, "Tessellon");
    }
    EXPECT_EQ(platform::gdi::liveCount(), objects);
    // What was drawn last is what the objects said last.
    EXPECT_EQ(c->Pixel(2, 2) & 0xFFFFFF, static_cast<TColor>(RGB(49, 0, 206)));
    EXPECT_EQ(c->Pixel(25, 18) & 0xFFFFFF, static_cast<TColor>(RGB(0, 49, 0)));
    // Assigning a font and a brush while they are selected, too.
    TFont f;
    f.SetName("DejaVu Sans");
    TBrush brush;
    brush.SetColor(clLime);
    for (int i = 0; i < 10; ++i) {
        c->SetFont(&f);
        c->TextOut(0, 0, "y");
        c->Brush()->Assign(&brush);
        c->FillRect(RECT{30, 0, 40, 10});
        f.SetHeight(-(8 + i));
    }
    EXPECT_EQ(platform::gdi::liveCount(), objects);
    EXPECT_EQ(c->Pixel(35, 5) & 0xFFFFFF, clLime);
}

TEST(Graphics, ACanvasFreedWithItsObjectsSelectedFreesThemAll) {
    const std::size_t objects = platform::gdi::liveCount();
    for (int i = 0; i < 5; ++i) {
        TBitmap b;
        b.SetSize(10, 10);
        b.Canvas()->Brush()->SetColor(clBlue);
        b.Canvas()->Font()->SetHeight(-14);
        b.Canvas()->Rectangle(0, 0, 5, 5);
        b.Canvas()->TextOut(0, 0, "z");
    }
    EXPECT_EQ(platform::gdi::liveCount(), objects);
}

TEST(Graphics, AnOpaqueLabelThatShrinksLeavesNothingWhereItWas) {
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 240, 120);
    // A windowed control that paints nothing of its own: its background is only erased.
    auto* panel = new TWinControl(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 200, 80);
    panel->SetColor(clWhite);
    auto* label = new TLabel(form);
    label->SetParent(panel);
    label->SetColor(clYellow);
    label->SetBounds(10, 10, 40, 16);
    form->Show();
    QWidget* w = platform::windowWidget(panel->Handle());
    label->SetCaption("A much longer caption");
    (void)w->grab();
    const int wide = label->Width();
    label->SetCaption("A");
    ASSERT_LT(label->Width(), wide - 20);
    const QImage shot = w->grab().toImage();
    // Where the long caption's yellow was, the panel's white is back.
    EXPECT_EQ(shot.pixelColor(10 + wide - 3, 14), QColor(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(11, 12), QColor(255, 255, 0));
    delete form;
}
