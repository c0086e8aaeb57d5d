// TClipboard: texts and buffers, nested openings, pictures and bitmaps both ways, foreign
// pictures, unsupported and damaged content, a clipboard held by another window.
#include "classlib/Clipbrd.h"
#include "classlib/Graphics.h"
#include "platform/globalmem.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <gtest/gtest.h>

#include <cstring>

namespace {

template <class E, class F>
std::string messageOf(F f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return "<no exception>";
}

class ClipboardObject : public ::testing::Test {
protected:
    void TearDown() override { QGuiApplication::clipboard()->clear(); }
};

TEST_F(ClipboardObject, TextsBuffersAndNestedOpenings) {
    TClipboard* cb = Clipboard();
    EXPECT_EQ(Clipboard(), cb);
    cb->SetAsText("Grüße");
    EXPECT_EQ(cb->AsText(), "Grüße");
    EXPECT_TRUE(cb->HasFormat(CF_UNICODETEXT));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Grüße"));
    char small[4];
    EXPECT_EQ(cb->GetTextBuf(small, sizeof small), 3);
    EXPECT_STREQ(small, "Gr\xC3");
    EXPECT_EQ(GetClipboardOwner(), cb->Handle());

    // One opening: the first setting empties, the next ones add.
    const UINT mine = RegisterClipboardFormatA("ClipbrdTest Format");
    cb->Open();
    cb->SetTextBuf("first");
    cb->SetBuffer(mine, "\x01\x02", 2);
    cb->Close();
    EXPECT_EQ(cb->AsText(), "first");
    EXPECT_TRUE(cb->HasFormat(mine));
    HANDLE h = cb->GetAsHandle(mine);
    ASSERT_EQ(GlobalSize(h), 2u);
    EXPECT_EQ(cb->FormatCount(), 4);  // CF_TEXT, the format, CF_UNICODETEXT, CF_OEMTEXT
    EXPECT_EQ(cb->Formats(0), static_cast<UINT>(CF_TEXT));
    EXPECT_EQ(cb->Formats(1), mine);
    EXPECT_THROW(cb->Formats(4), EListError);
    cb->Clear();
    EXPECT_EQ(cb->FormatCount(), 0);
    EXPECT_EQ(cb->AsText(), "");
}

TEST_F(ClipboardObject, BitmapsAndPicturesGoBothWays) {
    // An 8-bit bitmap: index 0 red, index 1 blue at (2, 1).
    std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + 256 * 4, 0);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi->bmiHeader.biWidth = 6;
    bi->bmiHeader.biHeight = 4;
    bi->bmiHeader.biPlanes = 1;
    bi->bmiHeader.biBitCount = 8;
    bi->bmiColors[0] = RGBQUAD{0, 0, 255, 0};
    bi->bmiColors[1] = RGBQUAD{255, 0, 0, 0};
    std::vector<unsigned char> rows(8 * 4, 0);
    rows[2 * 8 + 2] = 1;  // the rows are stored bottom-up
    TBitmap bitmap;
    bitmap.WriteDib(bi, rows.data());
    Clipboard()->Assign(&bitmap);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_DIB));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_PALETTE));

    TPicture picture;
    picture.Assign(Clipboard());
    auto* pasted = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->Width(), 6);
    EXPECT_EQ(pasted->Height(), 4);
    EXPECT_EQ(pasted->PixelFormat(), pf8bit);
    std::vector<BYTE> pastedInfo, pastedRows;
    ASSERT_TRUE(pasted->ReadDib(pastedInfo, pastedRows));
    EXPECT_EQ(pastedRows, rows);
    const auto* table = reinterpret_cast<const BITMAPINFO*>(pastedInfo.data())->bmiColors;
    EXPECT_EQ(table[1].rgbBlue, 255);
    EXPECT_EQ(table[0].rgbRed, 255);
    EXPECT_EQ(ColorToRGB(pasted->Canvas()->Pixel(2, 1)), ColorToRGB(clBlue));

    // A picture goes out as its graphic; another program's picture comes into a bitmap.
    Clipboard()->Assign(&picture);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    QGuiApplication::clipboard()->setImage(image);
    TBitmap fromDesktop;
    fromDesktop.Assign(Clipboard());
    EXPECT_EQ(fromDesktop.Width(), 3);
    EXPECT_EQ(fromDesktop.PixelFormat(), pf24bit);
    EXPECT_EQ(ColorToRGB(fromDesktop.Canvas()->Pixel(1, 1)), RGB(10, 200, 30));
}

TEST_F(ClipboardObject, UnsupportedDamagedAndHeldClipboards) {
    Clipboard()->SetAsText("only text");
    TPicture picture;
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { picture.Assign(Clipboard()); }), "Unsupported clipboard format");
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { Clipboard()->Assign(&picture); }), "Unsupported clipboard format");

    // A DIB whose header claims more rows than the block holds.
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 100;
    h.biHeight = 100;
    h.biPlanes = 1;
    h.biBitCount = 24;
    std::vector<unsigned char> dib(sizeof h + 60, 0);
    std::memcpy(dib.data(), &h, sizeof h);
    Clipboard()->SetBuffer(CF_DIB, dib.data(), dib.size());
    TBitmap bitmap;
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { bitmap.Assign(Clipboard()); }), "Bitmap image is not valid");
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { picture.Assign(Clipboard()); }), "Bitmap image is not valid");

    // Another window holds the clipboard open: nothing is taken and nothing leaks.
    TClipboard other;
    other.Open();
    const std::size_t live = platform::liveGlobalBlocks();
    EXPECT_EQ(messageOf<EClipboardException>([&] { Clipboard()->SetAsText("x"); }), "Cannot open clipboard");
    EXPECT_EQ(platform::liveGlobalBlocks(), live);
    other.Close();
    // A handle the clipboard refuses stays the caller's and the failure is told.
    int notABlock = 0;
    EXPECT_EQ(messageOf<EClipboardException>([&] { Clipboard()->SetAsHandle(CF_TEXT, &notABlock); }),
              "Cannot put data on the clipboard");
    Clipboard()->SetAsText("x");
    EXPECT_EQ(Clipboard()->AsText(), "x");
}

}  // namespace
