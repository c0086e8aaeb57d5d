// The GIF codec against independent readers and writers: giflib and GraphicsMagick's gm.
#include "GifTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace giftest;
using testsupport::TempDir;

namespace {

void expectSameAsGiflib(const std::vector<BYTE>& bytes, const std::string& what) {
    const Image ref = decode(bytes);
    ASSERT_FALSE(ref.error) << what;
    TGIFImage ours;
    load(ours, bytes);
    ASSERT_EQ(ours.Count(), static_cast<int>(ref.frames.size())) << what;
    for (int i = 0; i < ours.Count(); ++i) {
        TGIFFrame* f = ours.Frames(i);
        const Frame& r = ref.frames[static_cast<std::size_t>(i)];
        EXPECT_EQ(f->Width(), r.width) << what << " frame " << i;
        EXPECT_EQ(f->Height(), r.height) << what << " frame " << i;
        EXPECT_EQ(f->TopLeft().x, r.left) << what;
        EXPECT_EQ(f->TopLeft().y, r.top) << what;
        EXPECT_EQ(indexesOf(f), r.pixels) << what << " frame " << i;
        EXPECT_EQ(tableOf(f->ColorMap()), r.colors.empty() ? ref.colors : r.colors) << what << " frame " << i;
        EXPECT_FALSE(f->Corrupted()) << what;
        EXPECT_EQ(f->TransparentColor() != clNone, r.transparent >= 0) << what;
        EXPECT_EQ(f->AnimateInterval(), r.delay * 10) << what;
    }
}

std::vector<BYTE> fileBytes(const std::string& path) { return testsupport::readFile(path); }

// A photograph-like test picture: gradients with a few hard edges.
QImage testPicture(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool disc = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < (h / 3) * (h / 3);
            img.setPixelColor(x, y, disc ? QColor(240, 200 - y, 40 + x % 60) : QColor(x * 255 / w, y * 255 / h, 128));
        }
    return img;
}

}  // namespace

TEST(GifCodec, GiflibFilesOfEveryDepthReadPixelForPixel) {
    for (int bits = 1; bits <= 8; ++bits)
        for (bool interlaced : {false, true}) {
            Image img = oneFrame(61, 37, bits, static_cast<unsigned>(bits), interlaced);
            expectSameAsGiflib(encode(img), "bits " + std::to_string(bits) + (interlaced ? " interlaced" : ""));
        }
    // Local tables, placement, transparency, delays and looping over three frames.
    Image anim;
    anim.width = 80;
    anim.height = 50;
    anim.loops = 0;
    for (int i = 0; i < 3; ++i) {
        Frame f = testFrame(40 + i * 10, 30 + i * 5, 3 + i, 7u + static_cast<unsigned>(i), i == 1);
        f.left = i * 5;
        f.top = i * 3;
        f.transparent = i;
        f.delay = 10 + i;
        f.disposal = i % 3;
        anim.frames.push_back(f);
    }
    const std::vector<BYTE> bytes = encode(anim);
    expectSameAsGiflib(bytes, "animated");
    TGIFImage gif;
    load(gif, bytes);
    EXPECT_TRUE(gif.Looping());
    EXPECT_EQ(gif.RepeatCount(), 0);
    EXPECT_EQ(gif.Version(), gv89a);
    EXPECT_EQ(gif.Frames(2)->DisposalMethod(), 2);
    EXPECT_TRUE(gif.Frames(1)->Interlaced());
    EXPECT_TRUE(gif.Transparent());
}

TEST(GifCodec, GraphicsMagickFilesReadLikeGiflibReadsThem) {
    if (!testsupport::haveProgram("gm")) GTEST_SKIP() << "gm (graphicsmagick) writes the files";
    TempDir dir;
    ASSERT_TRUE(testPicture(97, 64).save(QString::fromStdString(dir.file("a.ppm"))));
    ASSERT_TRUE(testPicture(64, 97).mirrored(true, false).save(QString::fromStdString(dir.file("b.ppm"))));
    const std::string a = dir.file("a.ppm"), b = dir.file("b.ppm");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"c2.gif", a + " -colors 2"},
        {"c4.gif", a + " -colors 4"},
        {"c16.gif", a + " -colors 16"},
        {"c200.gif", a + " -colors 200"},
        {"interlaced.gif", "-interlace Line " + a},
        {"transparent.gif", a + " -transparent 'rgb(0,0,128)'"},
        {"anim.gif", "-delay 20 -loop 2 " + a + " " + b},
    };
    for (const auto& [name, args] : cases) {
        const std::string out = dir.file(name);
        ASSERT_EQ(testsupport::runCommand("gm convert " + args + " " + out), 0) << name;
        expectSameAsGiflib(fileBytes(out), name);
    }
    TGIFImage anim;
    load(anim, fileBytes(dir.file("anim.gif")));
    EXPECT_EQ(anim.Count(), 2);
    EXPECT_EQ(anim.Frames(1)->AnimateInterval(), 200);
    EXPECT_EQ(anim.RepeatCount(), 2);
    TGIFImage gif;
    load(gif, fileBytes(dir.file("transparent.gif")));
    // The colour of the index giflib reads as transparent.
    const Image tref = decode(fileBytes(dir.file("transparent.gif")));
    ASSERT_GE(tref.frames[0].transparent, 0);
    const Rgb key = tref.colors[static_cast<std::size_t>(tref.frames[0].transparent)];
    EXPECT_EQ(gif.Frames(0)->TransparentColor(), static_cast<TColor>(RGB(key.r, key.g, key.b)));
    TGIFImage two;
    load(two, fileBytes(dir.file("c2.gif")));
    EXPECT_LE(two.Frames(0)->ColorMap().Count, 2);
}

TEST(GifCodec, OurFilesReadBackByGiflibAndGraphicsMagick) {
    TempDir dir;
    // A 24-bit picture, reduced on writing.
    const QImage pic = testPicture(120, 80);
    TBitmap bitmap;
    bitmap.SetSize(120, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) {
            const QColor c = pic.pixelColor(x, y);
            bitmap.Canvas()->SetPixel(x, y, static_cast<TColor>(RGB(c.red(), c.green(), c.blue())));
        }
    TGIFImage gif;
    gif.Assign(&bitmap);
    const std::vector<BYTE> bytes = bytesOf(gif);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    const Image ref = decode(bytes);
    ASSERT_FALSE(ref.error);
    ASSERT_EQ(ref.frames.size(), 1u);
    EXPECT_TRUE(ref.frames[0].colors.empty());  // the global table only
    EXPECT_LE(ref.colors.size(), 256u);
    TGIFImage reread;
    load(reread, bytes);
    EXPECT_EQ(ref.frames[0].pixels, indexesOf(reread.Frames(0)));
    // Every pixel is its table colour, and close to the picture's.
    for (int y = 0; y < 80; y += 7)
        for (int x = 0; x < 120; x += 5) {
            const Rgb c = ref.colors[ref.frames[0].pixels[static_cast<std::size_t>(y * 120 + x)]];
            const QColor p = pic.pixelColor(x, y);
            EXPECT_LE(std::abs(c.r - p.red()) + std::abs(c.g - p.green()) + std::abs(c.b - p.blue()), 48) << x << "," << y;
        }
    if (!testsupport::haveProgram("gm")) GTEST_SKIP() << "gm (graphicsmagick) checks the file";
    ASSERT_TRUE(testsupport::writeFile(dir.file("ours.gif"), bytes));
    ASSERT_EQ(testsupport::runCommand("gm convert " + dir.file("ours.gif") + " " + dir.file("ours.ppm")), 0);
    QImage back(QString::fromStdString(dir.file("ours.ppm")));
    ASSERT_EQ(back.size(), QSize(120, 80));
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) {
            const Rgb c = ref.colors[ref.frames[0].pixels[static_cast<std::size_t>(y * 120 + x)]];
            ASSERT_EQ(back.pixelColor(x, y), QColor(c.r, c.g, c.b)) << x << "," << y;
        }
    // An animation with a comment: gm sees both frames.
    TGIFImage anim;
    anim.AddFrame(&bitmap);
    TBitmap small;
    small.SetSize(30, 20);
    small.Canvas()->Brush()->SetColor(clRed);
    small.Canvas()->FillRect(RECT{0, 0, 15, 20});
    const int second = anim.AddFrame(&small);
    anim.Frames(second)->SetAnimateInterval(500);
    anim.Frames(second)->SetTopLeft(POINT{10, 10});
    anim.SetLooping(true);
    anim.SetRepeatCount(3);
    anim.Comment().push_back("made by the kit");
    ASSERT_TRUE(testsupport::writeFile(dir.file("anim.gif"), bytesOf(anim)));
    const Image a = decode(fileBytes(dir.file("anim.gif")));
    ASSERT_FALSE(a.error);
    ASSERT_EQ(a.frames.size(), 2u);
    EXPECT_EQ(a.frames[1].delay, 50);
    EXPECT_EQ(a.frames[1].left, 10);
    EXPECT_EQ(a.comment, "made by the kit");
    EXPECT_EQ(a.frames[1].colors.size(), 2u);  // the second frame's local table, two entries
    EXPECT_EQ(testsupport::runCommand("test \"$(gm identify " + dir.file("anim.gif") + " | wc -l)\" = 2"), 0);
}

TEST(GifCodec, RoundTripsWithGiflibAreIdentical) {
    for (int bits : {1, 2, 4, 5, 8})
        for (bool interlaced : {false, true}) {
            const std::string what = "bits " + std::to_string(bits) + (interlaced ? " interlaced" : "");
            Image img = oneFrame(203, 151, bits, 11u + static_cast<unsigned>(bits), interlaced);
            // giflib -> ours -> giflib: the same pixels and colours.
            const std::vector<BYTE> theirs = encode(img);
            TGIFImage gif;
            load(gif, theirs);
            gif.Frames(0)->SetBitmap(gif.Frames(0)->Bitmap());  // forces our encoder
            const Image back = decode(bytesOf(gif));
            ASSERT_FALSE(back.error) << what;
            ASSERT_EQ(back.frames.size(), 1u);
            EXPECT_EQ(back.frames[0].pixels, img.frames[0].pixels) << what;
            const std::vector<Rgb> table = back.frames[0].colors.empty() ? back.colors : back.frames[0].colors;
            for (std::size_t i = 0; i < img.frames[0].pixels.size(); i += 13)
                ASSERT_EQ(table[img.frames[0].pixels[i]], img.colors[img.frames[0].pixels[i]]) << what;
            // ours -> giflib -> ours: the same indexes.
            Image again = back;
            const std::vector<BYTE> rewritten = encode(again);
            TGIFImage ours;
            load(ours, rewritten);
            EXPECT_EQ(indexesOf(ours.Frames(0)), img.frames[0].pixels) << what;
        }
}

TEST(GifCodec, LongRunsCrossTheTableResetWithoutRepeatingPixels) {
    // Noise fills the string table many times over: every reset at 4,094 codes happens.
    Image img;
    img.width = 640;
    img.height = 480;
    Frame f = testFrame(640, 480, 8, 99u);
    unsigned s = 5;
    for (BYTE& p : f.pixels) {
        s = s * 1664525u + 1013904223u;
        p = static_cast<BYTE>(s >> 24);
    }
    img.colors = f.colors;
    f.colors.clear();
    img.frames.push_back(f);
    TGIFImage gif;
    load(gif, encode(img));
    gif.Frames(0)->SetBitmap(gif.Frames(0)->Bitmap());
    const std::vector<BYTE> ours = bytesOf(gif);
    const Image back = decode(ours);
    ASSERT_FALSE(back.error);
    EXPECT_EQ(back.frames[0].pixels, img.frames[0].pixels);
    TGIFImage again;
    load(again, ours);
    EXPECT_EQ(indexesOf(again.Frames(0)), img.frames[0].pixels);
    EXPECT_FALSE(again.Frames(0)->Corrupted());
    // Qt's reader agrees, colour for colour.
    const QImage qt = QImage::fromData(ours.data(), static_cast<int>(ours.size()), "GIF");
    ASSERT_EQ(qt.size(), QSize(640, 480));
    int differ = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const Rgb c = img.colors[img.frames[0].pixels[static_cast<std::size_t>(y * 640 + x)]];
            differ += qt.pixel(x, y) != qRgb(c.r, c.g, c.b);
        }
    EXPECT_EQ(differ, 0);
}
