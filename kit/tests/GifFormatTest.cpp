// The GIF format's blocks, defaults and errors, damaged data, layouts and the picture
// registry.
#include "GifTestSupport.h"
#include "kit/AniFile.h"
#include "KitTestSupport.h"
#include "testsupport/TestSupport.h"

#include "classlib/ExtCtrls.h"

#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace giftest;

using kittest::messageOf;

namespace {

// A GIF built by hand: screen, optional global table, the given blocks, trailer.
std::vector<BYTE> handMade(int w, int h, int tableBits, const std::vector<BYTE>& blocks, const char* version = "GIF89a") {
    std::vector<BYTE> out(version, version + 6);
    out.insert(out.end(), {static_cast<BYTE>(w), static_cast<BYTE>(w >> 8), static_cast<BYTE>(h), static_cast<BYTE>(h >> 8),
                           static_cast<BYTE>(tableBits ? 0x80 | (tableBits - 1) : 0), 0, 0});
    for (int i = 0; i < (tableBits ? 1 << tableBits : 0); ++i)
        out.insert(out.end(), {static_cast<BYTE>(i * 40), static_cast<BYTE>(i * 20), static_cast<BYTE>(255 - i * 30)});
    out.insert(out.end(), blocks.begin(), blocks.end());
    out.push_back(';');
    return out;
}

// An image descriptor without a local table, followed by the data bytes as one sub-block.
std::vector<BYTE> imageBlock(int w, int h, BYTE minCodeSize, const std::vector<BYTE>& data) {
    std::vector<BYTE> b = {',', 0, 0, 0, 0, static_cast<BYTE>(w), static_cast<BYTE>(w >> 8), static_cast<BYTE>(h),
                           static_cast<BYTE>(h >> 8), 0, minCodeSize, static_cast<BYTE>(data.size())};
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(0);
    return b;
}

// Codes packed least significant bit first.
std::vector<BYTE> packCodes(const std::vector<std::pair<int, int>>& codes) {
    std::vector<BYTE> out;
    std::uint32_t buf = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        buf |= static_cast<std::uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(static_cast<BYTE>(buf));
            buf >>= 8;
            bits -= 8;
        }
    }
    if (bits) out.push_back(static_cast<BYTE>(buf));
    return out;
}

TBitmap* colouredBitmap(TBitmap& b, int w, int h, const std::vector<TColor>& colours) {
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.Canvas()->SetPixel(x, y, colours[static_cast<std::size_t>((x + y) % colours.size())]);
    return &b;
}

}  // namespace

TEST(GifFormat, SignatureAndVersion) {
    // A 2 x 2 picture of code size 2: clear, 0, 1, 1, 0, end at 3 bits.
    const std::vector<BYTE> data = packCodes({{4, 3}, {0, 3}, {1, 3}, {1, 3}, {0, 4}, {5, 4}});
    std::vector<BYTE> lower = handMade(2, 2, 1, imageBlock(2, 2, 2, data), "gif89A");
    TGIFImage gif;
    load(gif, lower);
    ASSERT_EQ(gif.Count(), 1);
    EXPECT_EQ(indexesOf(gif.Frames(0)), (std::vector<BYTE>{0, 1, 1, 0}));
    EXPECT_EQ(gif.Version(), gv89a);
    EXPECT_EQ(gif.Width(), 2);
    std::vector<BYTE> other = handMade(2, 2, 1, imageBlock(2, 2, 2, data), "GIF90a");
    EXPECT_EQ(messageOf<EInvalidGraphicOperation>([&] { load(gif, other); }), "Unknown GIF version");
    EXPECT_EQ(gif.Count(), 0);  // cleared
    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 0};
    EXPECT_EQ(messageOf<EInvalidGraphicOperation>([&] { load(gif, png); }), "Unknown GIF version");
    // Nothing at all leaves the image empty.
    load(gif, {});
    EXPECT_TRUE(gif.Empty());
    EXPECT_EQ(messageOf<EInvalidGraphicOperation>([&] { gif.SetWidth(5); }), "Cannot change the Size of a GIF image");
    EXPECT_EQ(messageOf<EInvalidGraphicOperation>([&] { bytesOf(gif); }), "No GIF Data to write");
}

TEST(GifFormat, DamagedDataAreRefusedOrMarkedCorrupted) {
    Image img = oneFrame(50, 40, 4, 3u);
    const Frame& f = img.frames[0];
    const std::vector<BYTE> good = encode(img);
    // The last sub-block cut short: read as far as it goes, marked corrupted.
    std::vector<BYTE> cut(good.begin(), good.end() - 10);
    TGIFImage gif;
    load(gif, cut);
    ASSERT_EQ(gif.Count(), 1);
    EXPECT_TRUE(gif.Frames(0)->Corrupted());
    EXPECT_EQ(gif.Width(), 50);
    const std::vector<BYTE> got = indexesOf(gif.Frames(0));
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 50 * 20, f.pixels.begin()));
    // Not tolerant: the read error.
    GIFTolerantReading = false;
    EXPECT_EQ(messageOf<EReadError>([&] { load(gif, cut); }), "Stream-Read-Fehler");
    GIFTolerantReading = true;
    // Every cut of the file, header included, ends in an exception or a picture.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<BYTE> part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        try {
            load(gif, part);
            if (gif.Count()) {
                EXPECT_EQ(gif.Frames(0)->Bitmap()->Width(), 50);
            }
        } catch (const Exception&) {
            EXPECT_EQ(gif.Count(), 0);
        }
    }
    // An unknown extension label.
    std::vector<BYTE> ext = handMade(2, 2, 1, {'!', 0x42, 0});
    EXPECT_EQ(messageOf<EInvalidGraphicOperation>([&] { load(gif, ext); }), "Unrecognized extension block: 42");
    // A stray byte between blocks.
    std::vector<BYTE> stray = handMade(2, 2, 1, {'x'});
    EXPECT_EQ(messageOf<EReadError>([&] { load(gif, stray); }), "Stream-Read-Fehler");
}

TEST(GifFormat, BadCodesAreCorruptNotReadFromUnsetEntries) {
    // A code above the next free code (7 when 6 is next), and a first code that is no literal.
    const std::vector<BYTE> high = packCodes({{4, 3}, {0, 3}, {7, 3}, {5, 3}});
    const std::vector<BYTE> first = packCodes({{4, 3}, {6, 3}, {0, 3}, {5, 3}});
    const std::vector<BYTE> badSize = {1, 0x00};
    for (const auto& [data, size, strict] :
         {std::tuple{high, BYTE(2), "GIF encoded data is corrupt"}, std::tuple{first, BYTE(2), "GIF encoded data is corrupt"},
          std::tuple{badSize, BYTE(12), "GIF code size not in range 2 to 9"}}) {
        const std::vector<BYTE> file = handMade(2, 2, 1, imageBlock(2, 2, size, data));
        TGIFImage gif;
        load(gif, file);
        ASSERT_EQ(gif.Count(), 1);
        EXPECT_TRUE(gif.Frames(0)->Corrupted());
        GIFTolerantReading = false;
        EXPECT_EQ(messageOf<EInvalidGraphicOperation>([&] { load(gif, file); }), strict);
        GIFTolerantReading = true;
    }
    // The code equal to the next free one is the previous string and its first pixel.
    const std::vector<BYTE> kwk = packCodes({{4, 3}, {1, 3}, {6, 3}, {5, 3}});
    TGIFImage gif;
    load(gif, handMade(3, 1, 1, imageBlock(3, 1, 2, kwk)));
    EXPECT_EQ(indexesOf(gif.Frames(0)), (std::vector<BYTE>{1, 1, 1}));
    EXPECT_FALSE(gif.Frames(0)->Corrupted());
}

TEST(GifFormat, HugeFramesAndFramesWithoutTables) {
    // 65535 x 65535 is refused before anything of that size is made.
    std::vector<BYTE> huge = handMade(0xFFFF, 0xFFFF, 8, imageBlock(0xFFFF, 0xFFFF, 8, {0x00, 0x01}));
    TGIFImage gif;
    EXPECT_EQ(messageOf<EInvalidGraphicOperation>([&] { load(gif, huge); }), "GIF encoded data is corrupt");
    EXPECT_EQ(gif.Count(), 0);
    // Neither a global nor a local table: grey levels for the code size (3 bits here).
    const std::vector<BYTE> data = packCodes({{8, 4}, {0, 4}, {7, 4}, {3, 4}, {9, 4}});
    load(gif, handMade(3, 1, 0, imageBlock(3, 1, 3, data)));
    ASSERT_EQ(gif.Count(), 1);
    const TGIFColorTable& t = gif.Frames(0)->ColorMap();
    ASSERT_EQ(t.Count, 8);
    EXPECT_EQ(t.Color(7) & 0xFFFFFF, 0xFFFFFF);
    EXPECT_EQ(t.Color(0), 0);
    EXPECT_EQ(gif.Frames(0)->Bitmap()->Canvas()->Pixel(1, 0) & 0xFFFFFF, 0xFFFFFF);
    EXPECT_EQ(gif.Frames(0)->Bitmap()->Canvas()->Pixel(2, 0) & 0xFFFFFF, 0x6D6D6D);  // 3 * 255 / 7
}

TEST(GifFormat, LoopingBlocksCommentsAndWrittenDefaults) {
    // NETSCAPE2.0 with 65535 repeats gives 30000.
    std::vector<BYTE> app = {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0xFF, 0xFF, 0};
    const std::vector<BYTE> data = packCodes({{4, 3}, {0, 3}, {1, 3}, {1, 3}, {0, 4}, {5, 4}});
    std::vector<BYTE> blocks = app;
    const std::vector<BYTE> image = imageBlock(2, 2, 2, data);
    blocks.insert(blocks.end(), image.begin(), image.end());
    const std::vector<BYTE> comment = {'!', 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0, '!', 0xFE, 2, 'a', 'b', 0};
    blocks.insert(blocks.end(), comment.begin(), comment.end());
    TGIFImage gif;
    load(gif, handMade(2, 2, 1, blocks));
    EXPECT_TRUE(gif.Looping());
    EXPECT_EQ(gif.RepeatCount(), 30000);
    EXPECT_EQ(gif.Comment(), (std::vector<String>{"hello", "", "ab"}));

    // One 24-bit bitmap: GIF87a, a global table of up to 256 colours, no local table.
    TBitmap b;
    colouredBitmap(b, 20, 10, {clRed, clLime, clBlue, clWhite, clBlack});
    TGIFImage one;
    one.Assign(&b);
    std::vector<BYTE> bytes = bytesOf(one);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    EXPECT_EQ(bytes[10] & 0x80, 0x80);
    const Image ref = decode(bytes);
    ASSERT_EQ(ref.frames.size(), 1u);
    EXPECT_TRUE(ref.frames[0].colors.empty());
    // Five colours: 3 bits, a table of exactly 8 entries, the frame made from an 8-bit bitmap.
    EXPECT_EQ(ref.colors.size(), 8u);
    EXPECT_EQ(bytes[10] & 7, 2);
    EXPECT_EQ(one.Frames(0)->Item()->BitsPerPixel, 3);
    EXPECT_EQ(bytes[13 + 8 * 3 + 10], 8);  // the minimum code size of an 8-bit bitmap
    one.Comment().push_back("a comment");
    bytes = bytesOf(one);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(decode(bytes).comment, "a comment");

    // A 1-bit frame is written with minimum code size 2.
    TBitmap mono;
    mono.SetPixelFormat(pf1bit);
    mono.SetSize(9, 9);
    mono.Canvas()->Brush()->SetColor(clBlack);
    mono.Canvas()->FillRect(RECT{0, 0, 4, 9});
    TGIFImage m;
    m.Assign(&mono);
    bytes = bytesOf(m);
    EXPECT_EQ(bytes[13 + 2 * 3 + 10], 2);
    const Image mr = decode(bytes);
    ASSERT_FALSE(mr.error);
    EXPECT_EQ(mr.frames[0].pixels[0], mr.frames[0].pixels[3]);
    EXPECT_NE(mr.frames[0].pixels[0], mr.frames[0].pixels[5]);

    // A transparent colour and a delay bring a graphic control block.
    TGIFImage t;
    t.Assign(&b);
    t.Frames(0)->SetTransparentColor(clLime);
    t.Frames(0)->SetAnimateInterval(120);
    const Image tr = decode(bytesOf(t));
    ASSERT_EQ(tr.frames.size(), 1u);
    ASSERT_GE(tr.frames[0].transparent, 0);
    EXPECT_EQ(tr.colors[static_cast<std::size_t>(tr.frames[0].transparent)], (Rgb{0, 255, 0}));
    EXPECT_EQ(tr.frames[0].delay, 12);
}

TEST(GifFormat, DecodingReportsProgressAndErrors) {
    Image img = oneFrame(300, 200, 8, 4u);
    const std::vector<BYTE> bytes = encode(img);
    TGIFImage gif;
    std::vector<std::pair<TProgressStage, int>> seen;
    String lastMessage;
    gif.OnProgress = TProgressEvent([&](TObject*, TProgressStage stage, BYTE percent, bool, const RECT&, const String& msg) {
        seen.emplace_back(stage, percent);
        lastMessage = msg;
    });
    load(gif, bytes);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(seen.back(), std::make_pair(psEnding, 100));
    for (std::size_t i = 2; i + 1 < seen.size(); ++i) {
        EXPECT_EQ(seen[i].first, psRunning);
        EXPECT_GE(seen[i].second, seen[i - 1].second);
    }
    // A failure ends with its message.
    std::vector<BYTE> broken = bytes;
    broken[13 + 768 + 10] = 12;  // the code size
    GIFTolerantReading = false;
    seen.clear();
    EXPECT_THROW(load(gif, broken), EInvalidGraphicOperation);
    GIFTolerantReading = true;
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().first, psEnding);
    EXPECT_EQ(lastMessage, "GIF code size not in range 2 to 9");
}

TEST(GifFormat, FramesDecodeLazilyAndReencodeWhenChanged) {
    Image img = oneFrame(16, 8, 2, 1u);
    img.frames.push_back(Frame(img.frames[0]));
    const std::vector<BYTE> bytes = encode(img);
    TGIFImage gif;
    load(gif, bytes);
    EXPECT_TRUE(gif.Frames(0)->HasBitmap());
    EXPECT_FALSE(gif.Frames(1)->HasBitmap());
    EXPECT_EQ(bytesOf(gif).size(), bytes.size());  // written as read (no extensions)
    // Drawing on a frame's bitmap drops its encoded data; it is encoded again.
    gif.Frames(1)->Bitmap()->Canvas()->SetPixel(0, 0, static_cast<TColor>(gif.Frames(1)->ColorMap().Color(3)));
    EXPECT_FALSE(gif.Frames(1)->HasData());
    const Image back = decode(bytesOf(gif));
    ASSERT_EQ(back.frames.size(), 2u);
    EXPECT_EQ(back.frames[1].pixels[0], 3);
    EXPECT_TRUE(gif.Frames(1)->HasData());
}

TEST(GifFormat, ClipboardBlocksAndLayoutData) {
    TBitmap b;
    colouredBitmap(b, 12, 7, {clRed, clBlue});
    TGIFImage gif;
    gif.Assign(&b);
    std::vector<BYTE> block;
    EXPECT_FALSE(gif.SaveToClipboardData(block));  // the frame is not encoded yet
    bytesOf(gif);
    ASSERT_TRUE(gif.SaveToClipboardData(block));
    TGIFImage pasted;
    pasted.LoadFromClipboardData(block.data(), block.size());
    ASSERT_EQ(pasted.Count(), 1);
    EXPECT_FALSE(pasted.Frames(0)->HasBitmap());
    EXPECT_EQ(pasted.FrameIndex(), 0);
    EXPECT_EQ(pasted.Width(), 12);
    // A block whose length says more than it holds: the read error, nothing allocated.
    std::vector<BYTE> lying = block;
    const std::uint32_t big = 0x7FFFFFF0;
    std::memcpy(lying.data(), &big, 4);
    EXPECT_EQ(messageOf<EReadError>([&] { pasted.LoadFromClipboardData(lying.data(), lying.size()); }),
              "Stream-Read-Fehler");
    EXPECT_EQ(pasted.Count(), 0);
    TMemoryStream layoutData;
    layoutData.WriteBuffer(lying.data(), static_cast<Int64>(lying.size()));
    layoutData.SetPosition(0);
    EXPECT_EQ(messageOf<EReadError>([&] { pasted.ReadData(&layoutData); }), "Stream-Read-Fehler");

    // A picture in a layout: the class name and the GIF data, read back through the registry.
    RegisterKitGIF();
    RegisterStandardClasses();
    TForm form(nullptr);
    auto* image = new TImage(&form);
    image->SetName("Logo");
    image->SetParent(&form);
    image->Picture()->SetGraphic(&gif);
    ASSERT_TRUE(dynamic_cast<TGIFImage*>(image->Picture()->Graphic()));
    const String text = WriteComponentText(&form);
    EXPECT_NE(text.find("Picture.Data"), String::npos);
    EXPECT_NE(text.find("0954474946496D616765"), String::npos) << text;  // "\x09TGIFImage"
    TForm copy(nullptr);
    ReadComponentText(text, &copy);
    auto* logo = dynamic_cast<TImage*>(copy.FindComponent("Logo"));
    ASSERT_TRUE(logo);
    auto* back = dynamic_cast<TGIFImage*>(logo->Picture()->Graphic());
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->Frames(0)->HasBitmap());  // decoded when read
    EXPECT_EQ(back->Frames(0)->Bitmap()->Canvas()->Pixel(0, 0) & 0xFFFFFF, clRed);
    EXPECT_EQ(back->Frames(0)->Bitmap()->Canvas()->Pixel(1, 0) & 0xFFFFFF, clBlue);
    EXPECT_EQ(back->Frames(0)->Bitmap()->Canvas()->Pixel(11, 6) & 0xFFFFFF, clBlue);
}

TEST(GifFormat, PicturesFindTheClassByExtensionAndSignature) {
    RegisterKitGIF();
    testsupport::TempDir dir;
    TBitmap b;
    colouredBitmap(b, 6, 4, {clYellow, clNavy});
    TGIFImage gif;
    gif.Assign(&b);
    gif.SaveToFile(dir.file("a.gif"));
    gif.SaveToFile(dir.file("gif-named.bmp"));  // the signature wins over the extension
    b.SaveToFile(dir.file("bitmap.gif"));
    TPicture p;
    p.LoadFromFile(dir.file("a.gif"));
    EXPECT_TRUE(dynamic_cast<TGIFImage*>(p.Graphic()));
    EXPECT_EQ(p.Width(), 6);
    p.LoadFromFile(dir.file("gif-named.bmp"));
    EXPECT_TRUE(dynamic_cast<TGIFImage*>(p.Graphic()));
    p.LoadFromFile(dir.file("bitmap.gif"));
    EXPECT_TRUE(dynamic_cast<TBitmap*>(p.Graphic()));
    ASSERT_TRUE(testsupport::writeFile(dir.file("x.xyz"), {1, 2, 3}));
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { p.LoadFromFile(dir.file("x.xyz")); }),
              "Unknown picture file extension (.xyz)");
    EXPECT_EQ(TPicture::FileFormatClass(".GIF"), GetClass("TGIFImage"));
    bool described = false;
    for (const TFileFormat& f : TPicture::FileFormats()) described |= f.Description == "CompuServe GIF Image";
    EXPECT_TRUE(described);
    UnregisterKitGIF();
    EXPECT_EQ(TPicture::FileFormatClass("gif"), nullptr);
    RegisterKitGIF();
    // Assigning to a bitmap gives the current frame with its transparent colour.
    gif.Frames(0)->SetTransparentColor(clNavy);
    TBitmap out;
    out.Assign(&gif);
    EXPECT_EQ(out.Width(), 6);
    EXPECT_EQ(out.TransparentColor(), clNavy);
    TGIFImage shared;
    shared.Assign(&gif);
    EXPECT_TRUE(shared.Equals(&gif));
    shared.Comment().push_back("own");
    EXPECT_FALSE(shared.Equals(&gif));
    EXPECT_TRUE(gif.Comment().empty());
}

TEST(GifFormat, AnImageControlShowsTheFrameWithItsTransparentColourLeftOut) {
    RegisterKitGIF();
    // A 40 x 30 frame of two colours (a 1-bit frame): a red disc on yellow, yellow the
    // transparent colour.
    TBitmap b;
    b.SetSize(40, 30);
    b.Canvas()->Brush()->SetColor(clYellow);
    b.Canvas()->FillRect(RECT{0, 0, 40, 30});
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->Pen()->SetColor(clRed);
    b.Canvas()->Ellipse(5, 0, 35, 30);
    TGIFImage gif;
    gif.Assign(&b);
    gif.Frames(0)->SetTransparentColor(clYellow);
    TGIFImage read;
    load(read, bytesOf(gif));
    ASSERT_EQ(read.Frames(0)->TransparentColor(), clYellow);
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 220, 120);
    form->SetColor(clTeal);
    auto* plain = new TImage(form);
    plain->SetParent(form);
    plain->SetBounds(10, 10, 80, 60);
    plain->SetStretch(true);
    plain->Picture()->SetGraphic(&read);
    auto* see = new TImage(form);
    see->SetParent(form);
    see->SetBounds(110, 10, 80, 60);
    see->SetStretch(true);
    see->SetTransparent(true);
    see->Picture()->SetGraphic(&read);
    form->Show();
    QWidget* w = platform::windowWidget(form->Handle());
    ASSERT_TRUE(w);
    const QImage shot = w->grab().toImage();
    const char* dir = std::getenv("TESSELLON_SCREENSHOT_DIR");
    EXPECT_TRUE(shot.save(QString::fromStdString(std::string(dir ? dir : "/tmp") + "/tessellon-gif-images.png")));
    POINT o = form->ClientToScreen(POINT{0, 0});
    const QPoint origin = w->mapFromGlobal(QPoint(o.x, o.y));
    auto at = [&](int x, int y) { return shot.pixelColor(origin.x() + x, origin.y() + y); };
    // Stretched twice: the disc's centre red in both, the corners yellow and teal.
    EXPECT_EQ(at(50, 40), QColor(255, 0, 0));
    EXPECT_EQ(at(150, 40), QColor(255, 0, 0));
    EXPECT_EQ(at(12, 12), QColor(255, 255, 0));
    EXPECT_EQ(at(112, 12), QColor(0, 128, 128));
    delete form;
}
