// A GIF picture through the clipboard object: frame 0's bitmap always, the "GIF Image"
// block once every frame is encoded, and back into a picture as a GIF.
#include "classlib/Clipbrd.h"
#include "classlib/Streams.h"
#include "kit/KitGIF.h"
#include "platform/globalmem.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

TEST(GifClipboard, AGifGoesThroughTheClipboardWithItsBitmap) {
    RegisterKitGIF();
    const UINT gifFormat = RegisterClipboardFormatA(CF_GIF_NAME);
    TBitmap b;
    b.SetSize(8, 5);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(RECT{0, 0, 8, 5});
    b.Canvas()->SetPixel(3, 2, clBlue);
    TGIFImage gif;
    gif.Assign(&b);

    // Not encoded yet: only the bitmap goes.
    Clipboard()->Assign(&gif);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_FALSE(Clipboard()->HasFormat(gifFormat));

    TMemoryStream encoded;
    gif.SaveToStream(&encoded);
    Clipboard()->Assign(&gif);
    EXPECT_TRUE(Clipboard()->HasFormat(gifFormat));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    HANDLE block = Clipboard()->GetAsHandle(gifFormat);
    ASSERT_EQ(GlobalSize(block), static_cast<SIZE_T>(encoded.Size() + 4));

    TPicture picture;
    picture.Assign(Clipboard());
    auto* pasted = dynamic_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(pasted, nullptr);
    ASSERT_EQ(pasted->Count(), 1);
    EXPECT_TRUE(pasted->Frames(0)->HasBitmap());  // the clipboard's bitmap, not decoded again
    EXPECT_EQ(pasted->Width(), 8);
    EXPECT_EQ(pasted->Frames(0)->Bitmap()->Canvas()->Pixel(3, 2) & 0xFFFFFF, clBlue);
    EXPECT_EQ(pasted->Frames(0)->Bitmap()->Canvas()->Pixel(0, 0) & 0xFFFFFF, clRed);
    TMemoryStream again;
    pasted->SaveToStream(&again);
    EXPECT_EQ(again.Size(), encoded.Size());  // the encoded data came along unchanged

    // A clipboard with a bitmap only pastes into a GIF picture as one frame.
    Clipboard()->Assign(&b);
    TGIFImage fromBitmap;
    fromBitmap.LoadFromClipboardFormat(CF_BITMAP, Clipboard()->GetAsHandle(CF_BITMAP), nullptr);
    EXPECT_EQ(fromBitmap.Count(), 1);
    EXPECT_EQ(fromBitmap.Width(), 8);
    QGuiApplication::clipboard()->clear();
}
