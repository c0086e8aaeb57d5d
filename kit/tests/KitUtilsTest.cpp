// The kit's shared routines: gradients, keyed and disabled drawing, cells, words, the text
// scrambler and text shortening, checked on real bitmaps pixel by pixel.
#include "kit/KitUtils.h"

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "platform/msgbox.h"

#include <QString>
#include "platform/GdiObject.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TBitmap* Filled(int w, int h, TColor c) {
    auto* b = new TBitmap();
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(c);
    b->Canvas()->FillRect(RECT{0, 0, w, h});
    return b;
}

COLORREF At(TBitmap* b, int x, int y) { return ColorToRGB(b->Canvas()->Pixel(x, y)); }

bool ValidUtf8(const String& s) {
    const QString q = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    const QByteArray back = q.toUtf8();
    return back.size() == static_cast<qsizetype>(s.size()) && std::equal(s.begin(), s.end(), back.begin());
}

}  // namespace

TEST(KitGradient, SixtyFourColoursOverTenRowsGiveTenBandsFromBlackToWhite) {
    std::unique_ptr<TBitmap> b(Filled(6, 14, clRed));
    FillGradient(b->Canvas(), RECT{1, 2, 5, 12}, clBlack, clWhite, 64, fdTopToBottom);
    for (int row = 0; row < 10; ++row) {
        const int level = static_cast<int>(std::nearbyint(255.0 * row / 9));
        EXPECT_EQ(At(b.get(), 2, 2 + row), RGB(level, level, level)) << "row " << row;
        EXPECT_EQ(At(b.get(), 4, 2 + row), At(b.get(), 1, 2 + row));
    }
    // Nothing outside the rectangle.
    EXPECT_EQ(At(b.get(), 0, 5), RGB(255, 0, 0));
    EXPECT_EQ(At(b.get(), 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(At(b.get(), 2, 1), RGB(255, 0, 0));
    EXPECT_EQ(At(b.get(), 2, 12), RGB(255, 0, 0));

    // Reversed directions start with the end colour; left-over pixels take the last band's.
    std::unique_ptr<TBitmap> h(Filled(7, 2, clRed));
    FillGradient(h->Canvas(), RECT{0, 0, 7, 2}, RGB(0, 0, 0), RGB(0, 0, 200), 3, fdRightToLeft);
    EXPECT_EQ(At(h.get(), 0, 0), RGB(0, 0, 200));
    EXPECT_EQ(At(h.get(), 2, 0), RGB(0, 0, 100));
    EXPECT_EQ(At(h.get(), 4, 1), RGB(0, 0, 0));
    EXPECT_EQ(At(h.get(), 6, 1), RGB(0, 0, 0));  // 7 mod 3: the last band's colour
    // Halves of the channel steps go to the even neighbour: 5 x 1 / 2 = 2.5 gives 2.
    std::unique_ptr<TBitmap> t(Filled(1, 3, clRed));
    FillGradient(t->Canvas(), RECT{0, 0, 1, 3}, RGB(0, 0, 0), RGB(5, 0, 0), 3, fdTopToBottom);
    EXPECT_EQ(At(t.get(), 0, 1), RGB(2, 0, 0));
    // One colour is a solid fill; an empty rectangle paints nothing.
    FillGradient(t->Canvas(), RECT{0, 0, 1, 3}, clLime, clBlue, 1, fdTopToBottom);
    EXPECT_EQ(At(t.get(), 0, 2), RGB(0, 255, 0));
    FillGradient(t->Canvas(), RECT{0, 0, 0, 3}, clBlue, clBlue, 8, fdTopToBottom);
    EXPECT_EQ(At(t.get(), 0, 0), RGB(0, 255, 0));
}

TEST(KitGradient, BandsLeaveNoObjectsBehindAndTheCallersBrushComesBack) {
    std::unique_ptr<TBitmap> b(Filled(300, 4, clRed));
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clNavy);
    c->Brush()->SetStyle(bsDiagCross);
    c->FillRect(RECT{0, 0, 1, 1});
    const std::size_t objects = platform::gdi::liveCount();
    for (int i = 0; i < 4; ++i) FillGradient(c, RECT{0, 0, 300, 4}, clRed, clBlue, 64, fdLeftToRight);
    c->FillRect(RECT{0, 0, 0, 0});  // the caller's brush made anew
    EXPECT_EQ(platform::gdi::liveCount(), objects);
    EXPECT_EQ(c->Brush()->Color(), clNavy);
    EXPECT_EQ(c->Brush()->Style(), bsDiagCross);
    EXPECT_EQ(At(b.get(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(At(b.get(), 299, 3), RGB(0, 0, 255));
}

TEST(KitKeyedDrawing, BottomLeftKeyLeavesWhitePixelsSeeThrough) {
    std::unique_ptr<TBitmap> src(Filled(4, 4, clWhite));
    src->Canvas()->SetPixel(1, 1, clBlue);
    src->Canvas()->SetPixel(2, 3, clBlack);
    std::unique_ptr<TBitmap> dst(Filled(10, 10, clRed));
    PaintBitmapKeyed(dst->Canvas(), 3, 3, src.get(), clKitBottomLeft);
    EXPECT_EQ(At(dst.get(), 4, 4), RGB(0, 0, 255));
    EXPECT_EQ(At(dst.get(), 5, 6), RGB(0, 0, 0));
    EXPECT_EQ(At(dst.get(), 3, 3), RGB(255, 0, 0));  // white: see-through
    EXPECT_EQ(At(dst.get(), 6, 6), RGB(255, 0, 0));

    // Stretched twice as large, nearest neighbour; no key copies everything.
    std::unique_ptr<TBitmap> big(Filled(10, 10, clRed));
    StretchBitmapKeyed(big->Canvas(), 0, 0, 8, 8, src.get(), 0, 0, 0, 0, clWhite);
    EXPECT_EQ(At(big.get(), 2, 2), RGB(0, 0, 255));
    EXPECT_EQ(At(big.get(), 3, 3), RGB(0, 0, 255));
    EXPECT_EQ(At(big.get(), 0, 0), RGB(255, 0, 0));
    PaintBitmapKeyed(big->Canvas(), 0, 0, src.get(), clKitNoKey);
    EXPECT_EQ(At(big.get(), 0, 0), RGB(255, 255, 255));
}

TEST(KitDisabledGlyph, ShadowAtTheOutlinePixelsAndHighlightOneDownRight) {
    std::unique_ptr<TBitmap> glyph(Filled(6, 6, clWhite));
    glyph->Canvas()->SetPixel(2, 2, clBlack);
    glyph->Canvas()->SetPixel(0, 5, clBlack);
    std::unique_ptr<TBitmap> d(MakeDisabledGlyph(glyph.get(), clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true));
    ASSERT_EQ(d->Width(), 6);
    ASSERT_EQ(d->Height(), 6);
    EXPECT_EQ(At(d.get(), 2, 2), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(d.get(), 3, 3), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(d.get(), 0, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(d.get(), 4, 1), ColorToRGB(clBtnFace));
    EXPECT_EQ(At(d.get(), 1, 1), ColorToRGB(clBtnFace));
    // Without the highlight only the shadow shows.
    std::unique_ptr<TBitmap> flat(MakeDisabledGlyph(glyph.get(), clBlack, clWhite, clRed, clGray, false));
    EXPECT_EQ(At(flat.get(), 2, 2), ColorToRGB(clGray));
    EXPECT_EQ(At(flat.get(), 3, 3), RGB(255, 255, 255));
}

TEST(KitBitmapCell, CellsAreCutByColumnAndRow) {
    std::unique_ptr<TBitmap> sheet(Filled(6, 4, clWhite));
    // 3 columns x 2 rows of 2 x 2 cells; cell 4 (column 1, row 1) is blue.
    sheet->Canvas()->Brush()->SetColor(clBlue);
    sheet->Canvas()->FillRect(RECT{2, 2, 4, 4});
    TBitmap cell;
    ExtractBitmapCell(sheet.get(), &cell, 3, 4, 2);
    EXPECT_EQ(cell.Width(), 2);
    EXPECT_EQ(cell.Height(), 2);
    EXPECT_EQ(At(&cell, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(At(&cell, 1, 1), RGB(0, 0, 255));
    ExtractBitmapCell(sheet.get(), &cell, 0, -3, 0);  // whole picture, index 0
    EXPECT_EQ(cell.Width(), 6);
    EXPECT_EQ(At(&cell, 0, 0), RGB(255, 255, 255));
}

TEST(KitWords, RunsOfDelimitersCountAsOne) {
    const TCharSet d{' ', ','};
    EXPECT_EQ(WordCountOf("10,20,,40", d), 3);
    EXPECT_EQ(NthWord(3, "10,20,,40", d), "40");
    EXPECT_EQ(WordStart(3, "10,20,,40", d), 8);
    EXPECT_EQ(WordCountOf("", d), 0);
    EXPECT_EQ(NthWord(4, "10,20,,40", d), "");
    EXPECT_EQ(WordStart(1, "  a", d), 3);
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("x-y-z", "-", ""), "xyz");
    EXPECT_TRUE(PointInsideRect(POINT{5, 5}, RECT{0, 0, 5, 5}));
    EXPECT_FALSE(PointInsideRect(POINT{6, 5}, RECT{0, 0, 5, 5}));
    EXPECT_EQ(PaletteRGBOf(clRed), 0x020000FFu);
}

TEST(KitScramble, HexOfEachByteXoredWithTheKey) {
    EXPECT_EQ(ScrambleText("", "Az"), "417a");
    EXPECT_EQ(ScrambleText("\x01", "AB"), "4043");
    for (const String& key : {String(""), String("k"), String("Schlüssel")})
        for (const String& text : {String(""), String("75"), String("Grüße, 画像")})
            EXPECT_EQ(UnscrambleText(key, ScrambleText(key, text)), text) << key << " " << text;
    // UTF-8 bytes, two digits each.
    EXPECT_EQ(ScrambleText("", "\xc3\xbc"), "c3bc");
    // An odd last digit is ignored; a pair that is not hexadecimal reads as a blank.
    EXPECT_EQ(UnscrambleText("", "4142a"), "AB");
    EXPECT_EQ(UnscrambleText("", "41zz42"), "A B");
    EXPECT_EQ(UnscrambleText("\x01", "zz"), "!");  // 32 xor 1
}

TEST(KitShortenText, CutsWholeCharactersAndEndsWithDots) {
    std::unique_ptr<TBitmap> b(Filled(10, 10, clWhite));
    TCanvas* c = b->Canvas();
    EXPECT_EQ(ShortenTextToWidth("Kurz", c, 1000), "Kurz");
    int cut = 0;
    for (const String& text : {String("Größenänderung übernehmen"), String("画像の大きさを変更します"),
                              String("Ä\xf0\x9f\x98\x80Öü")}) {
        for (int width : {10, 25, 40, 60}) {
            const String s = ShortenTextToWidth(text, c, width);
            EXPECT_TRUE(ValidUtf8(s)) << text << " at " << width;
            if (c->TextWidth(text) <= width) {
                EXPECT_EQ(s, text);
                continue;
            }
            ASSERT_GE(s.size(), 3u);
            EXPECT_EQ(s.substr(s.size() - 3), "...");
            EXPECT_TRUE(c->TextWidth(s) <= width || s == "...") << s;
            EXPECT_EQ(text.compare(0, s.size() - 3, s, 0, s.size() - 3), 0) << s;
            ++cut;
        }
    }
    EXPECT_GE(cut, 8);
}

TEST(KitMessages, PurgeRemovesOnePendingMessageAndPutsAQuitBack) {
    const HWND wnd = AllocateHWnd([](TMessage&) {});
    PostMessageA(wnd, WM_USER + 3, 1, 0);
    PostMessageA(wnd, WM_USER + 3, 2, 0);
    PurgeMessage(wnd, WM_USER + 3);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, wnd, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_FALSE(PeekMessageA(&m, wnd, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    PostQuitMessage(7);
    PurgeMessage(nullptr, WM_QUIT);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 7u);
    DeallocateHWnd(wnd);

    void* block = GetMemBlock(16);
    ASSERT_NE(block, nullptr);
    const char zeros[16] = {};
    EXPECT_TRUE(SameMemBlock(block, zeros, 16));
    CopyMemBlock("abc", OffsetPointer(block, 4), 3);
    EXPECT_EQ(std::memcmp(static_cast<char*>(block) + 4, "abc", 3), 0);
    FreeMemBlock(block);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(GetMemBlock(0), nullptr);
}

TEST(KitFocusFrames, ASecondIdenticalCallTakesThemAway) {
    const RECT r{100, 100, 180, 140};
    DrawFocusFrames(r, 3);
    EXPECT_TRUE(FocusFramesShown(r, 3));
    DrawFocusFrames(RECT{100, 100, 180, 141}, 3);  // another rectangle: another frame
    EXPECT_TRUE(FocusFramesShown(r, 3));
    DrawFocusFrames(r, 3);
    EXPECT_FALSE(FocusFramesShown(r, 3));
    DrawFocusFrames(RECT{100, 100, 180, 141}, 3);
    EXPECT_FALSE(FocusFramesShown(RECT{100, 100, 180, 141}, 3));
}

TEST(KitRects, FitControlToParentMovesInsideWithoutNegativePositions) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 150);
    TPanel* p = new TPanel(&form);
    p->SetParent(&form);
    p->SetBounds(180, 140, 50, 30);
    FitControlToParent(p);
    EXPECT_EQ(p->Left(), form.ClientWidth() - 50);
    EXPECT_EQ(p->Top(), form.ClientHeight() - 30);
    p->SetBounds(10, 10, 500, 400);  // larger than the parent
    FitControlToParent(p);
    EXPECT_EQ(p->Left(), 0);
    EXPECT_EQ(p->Top(), 0);
    EXPECT_EQ(p->Width(), 500);
}

TEST(KitDisabledGlyph, ImageListImagesDrawTheirOpaquePixelsOnly) {
    TImageList list(nullptr);
    list.SetWidth(6);
    list.SetHeight(6);
    std::unique_ptr<TBitmap> glyph(Filled(6, 6, clFuchsia));
    glyph->Canvas()->SetPixel(2, 2, clBlue);
    glyph->Canvas()->SetPixel(3, 2, clBlue);
    list.AddMasked(glyph.get(), clFuchsia);
    std::unique_ptr<TBitmap> canvas(Filled(10, 10, clLime));
    DrawImageListDisabled(&list, canvas->Canvas(), 2, 2, 0, true, clGray, clWhite);
    EXPECT_EQ(At(canvas.get(), 4, 4), ColorToRGB(clGray));
    EXPECT_EQ(At(canvas.get(), 5, 4), ColorToRGB(clGray));
    EXPECT_EQ(At(canvas.get(), 6, 5), RGB(255, 255, 255));  // highlight past the last pixel
    EXPECT_EQ(At(canvas.get(), 5, 5), RGB(255, 255, 255));
    EXPECT_EQ(At(canvas.get(), 4, 5), RGB(0, 255, 0));
    EXPECT_EQ(At(canvas.get(), 3, 3), RGB(0, 255, 0));
    EXPECT_EQ(At(canvas.get(), 7, 7), RGB(0, 255, 0));
    EXPECT_EQ(canvas->Canvas()->Brush()->Color(), clLime);
    DrawImageListDisabled(&list, canvas->Canvas(), 0, 0, 5, true, clGray, clWhite);  // no such image
    EXPECT_EQ(At(canvas.get(), 0, 0), RGB(0, 255, 0));
}

TEST(KitMessages, NotImplementedTellsTheUserAndAbortsSilently) {
    platform::ScriptedMessageBoxes boxes;
    EXPECT_THROW(RaiseNotImplemented(), EAbort);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Function not yet implemented"});
}
