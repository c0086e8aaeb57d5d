// Colour reduction by the six methods and bitmaps written as bitmap file images, checked
// with netpbm's and GraphicsMagick's readers.
#include "kit/KitGraph.h"
#include "KitTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <set>

using kittest::messageOf;

namespace {

// 24-bit DIB rows of a picture (bottom-up, blue green red).
struct Pixels24 {
    int width, height;
    std::vector<BYTE> bits;
    Pixels24(int w, int h) : width(w), height(h), bits(static_cast<std::size_t>(DibRowBytes(w, 24)) * h, 0) {}
    BYTE* at(int x, int y) { return bits.data() + static_cast<std::size_t>(DibRowBytes(width, 24)) * (height - 1 - y) + 3 * x; }
    void set(int x, int y, int r, int g, int b) {
        BYTE* p = at(x, y);
        p[0] = static_cast<BYTE>(b);
        p[1] = static_cast<BYTE>(g);
        p[2] = static_cast<BYTE>(r);
    }
};

BYTE indexAt(const TReducedPicture& r, int x, int y) {
    return r.Bits[static_cast<std::size_t>(r.RowBytes) * (r.Height - 1 - y) + x];
}

void toBitmap(const QImage& source, TBitmap& bitmap) {
    const QImage img = source.convertToFormat(QImage::Format_RGB888);
    Pixels24 p(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            p.set(x, y, c.red(), c.green(), c.blue());
        }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bitmap.WriteDib(&bi, p.bits.data());
}

struct DibFile {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    std::vector<RGBQUAD> table;
    std::vector<BYTE> rows;
};

DibFile parse(TMemoryStream& s) {
    DibFile d;
    const auto* base = static_cast<const BYTE*>(s.Memory());
    std::memcpy(&d.file, base, sizeof d.file);
    std::memcpy(&d.info, base + sizeof d.file, sizeof d.info);
    const int entries = d.info.biBitCount > 8 ? 0 : d.info.biClrUsed ? static_cast<int>(d.info.biClrUsed) : 1 << d.info.biBitCount;
    const auto* t = reinterpret_cast<const RGBQUAD*>(base + sizeof d.file + sizeof d.info);
    d.table.assign(t, t + entries);
    d.rows.assign(base + d.file.bfOffBits, base + s.Size());
    return d;
}

}  // namespace

TEST(ColourReduction, HistogramDropsBlueFirstAndKeepsTheMostFrequent) {
    // 3,000 colours in 1,500 pairs that differ in blue's lowest bit; pairs below 256 are
    // three times as frequent.
    Pixels24 p(100, 48);
    std::vector<std::array<int, 3>> pixels;
    for (int k = 0; k < 1500; ++k)
        for (int low = 0; low < 2; ++low)
            for (int n = 0; n < (k < 256 ? 3 : 1); ++n) pixels.push_back({k % 50 * 5, k / 50 * 8, 2 * (k % 7) * 17 + low});
    ASSERT_LE(pixels.size(), 4800u);
    for (std::size_t i = 0; i < pixels.size(); ++i) p.set(static_cast<int>(i % 100), static_cast<int>(i / 100), pixels[i][0], pixels[i][1], pixels[i][2]);
    const TReducedPicture r = ReduceByHistogram(p.bits.data(), 100, 48, 256);
    EXPECT_EQ(r.UsedColors, 256);
    std::set<std::array<int, 3>> palette, frequent;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(r.Colors[i].rgbBlue & 1, 0) << i;  // blue lost its lowest bit
        palette.insert({r.Colors[i].rgbRed, r.Colors[i].rgbGreen, r.Colors[i].rgbBlue});
    }
    for (int k = 0; k < 256; ++k) frequent.insert({k % 50 * 5, k / 50 * 8, 2 * (k % 7) * 17});
    EXPECT_EQ(palette, frequent);
    // Frequent colours map onto themselves, the rest onto their nearest entry.
    for (std::size_t i = 0; i < pixels.size(); i += 17) {
        const RGBQUAD& c = r.Colors[indexAt(r, static_cast<int>(i % 100), static_cast<int>(i / 100))];
        const auto& want = pixels[i];
        if (frequent.count({want[0], want[1], want[2] & ~1})) {
            EXPECT_EQ(c.rgbBlue, want[2] & ~1);
            EXPECT_EQ(c.rgbRed, want[0]);
        }
    }
    // Few colours: all kept, the rest of the table grey.
    Pixels24 q(4, 1);
    q.set(1, 0, 255, 0, 0);
    q.set(2, 0, 0, 0, 255);
    const TReducedPicture few = ReduceByHistogram(q.bits.data(), 4, 1, 256);
    EXPECT_EQ(few.UsedColors, 3);
    EXPECT_EQ(few.Colors[0].rgbRed, 0);  // black is the most frequent
    EXPECT_EQ(few.Colors[3].rgbGreen, 128);
    EXPECT_EQ(indexAt(few, 0, 0), indexAt(few, 3, 0));
}

TEST(ColourReduction, MedianCutCountsItsBoxesAndFinishesOnLopsidedCells) {
    // Ten distinct cells of the 4-bit cube.
    Pixels24 p(10, 3);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 3; ++y) p.set(x, y, x * 25, 255 - x * 20, (x % 3) * 100);
    const TReducedPicture r = ReduceByMedianCut(p.bits.data(), 10, 3);
    EXPECT_EQ(r.UsedColors, 10);
    std::set<BYTE> used;
    for (int x = 0; x < 10; ++x) used.insert(indexAt(r, x, 1));
    EXPECT_EQ(used.size(), 10u);
    // Through the bitmap conversion the header reports the count.
    TBitmap b;
    QImage img(10, 3, QImage::Format_RGB888);
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 3; ++y) img.setPixelColor(x, y, QColor(x * 25, 255 - x * 20, (x % 3) * 100));
    toBitmap(img, b);
    auto s = BitmapToDibStream(&b, pf8bit, mmMedianCut);
    EXPECT_EQ(parse(*s).info.biClrUsed, 10u);

    // One black pixel against 100 white ones: the first cell holds more than half after
    // sorting; the split keeps a cell on each side and the reduction finishes.
    Pixels24 lop(101, 1);
    for (int x = 1; x < 101; ++x) lop.set(x, 0, 255, 255, 255);
    const TReducedPicture two = ReduceByMedianCut(lop.bits.data(), 101, 1);
    EXPECT_EQ(two.UsedColors, 2);
    EXPECT_NE(indexAt(two, 0, 0), indexAt(two, 50, 0));
    const RGBQUAD black = two.Colors[indexAt(two, 0, 0)], white = two.Colors[indexAt(two, 50, 0)];
    EXPECT_EQ(black.rgbRed + black.rgbGreen + black.rgbBlue, 0);
    EXPECT_EQ(white.rgbRed + white.rgbGreen + white.rgbBlue, 3 * 255);
}

TEST(ColourReduction, FixedPalettesRampsAndGrey) {
    Pixels24 p(3, 2);
    p.set(0, 0, 30, 200, 255);
    p.set(1, 0, 255, 0, 0);
    p.set(2, 0, 255, 255, 255);
    p.set(0, 1, 10, 20, 30);
    p.set(1, 1, 128, 64, 32);
    p.set(2, 1, 0, 0, 0);
    const TReducedPicture six = ReduceToQuantize6R6G6B(p.bits.data(), 3, 2);
    EXPECT_EQ(indexAt(six, 0, 0), 0 * 36 + 4 * 6 + 5);  // 29
    EXPECT_EQ(indexAt(six, 2, 0), 215);
    EXPECT_EQ(six.UsedColors, 216);
    EXPECT_EQ(six.Colors[29].rgbGreen, 204);
    EXPECT_EQ(six.Colors[29].rgbBlue, 255);
    EXPECT_EQ(six.Colors[216].rgbRed, 128);
    const TReducedPicture seven = ReduceToQuantize7R8G4B(p.bits.data(), 3, 2);
    EXPECT_EQ(indexAt(seven, 0, 0), 0 * 32 + 6 * 4 + 3);  // 27
    EXPECT_EQ(indexAt(seven, 2, 0), 223);
    EXPECT_EQ(seven.UsedColors, 224);
    EXPECT_EQ(seven.Colors[27].rgbGreen, 219);
    EXPECT_EQ(seven.Colors[223].rgbRed, 255);
    const TReducedPicture grey = ReduceToGrayscale(p.bits.data(), 3, 2);
    EXPECT_EQ(indexAt(grey, 1, 0), 76);
    EXPECT_EQ(indexAt(grey, 2, 0), 255);
    EXPECT_EQ(grey.Colors[76].rgbGreen, 76);
    // Ramps: the channel of (row + column) mod 3, rows as stored (bottom-up).
    const TReducedPicture ramps = ReduceToTripel(p.bits.data(), 3, 2);
    // (1, 1) is stored row 0: (0 + 1) mod 3 = 1, green 64 / 4 + 64.
    EXPECT_EQ(indexAt(ramps, 1, 1), 64 / 4 + 64);
    // (0, 0) is stored row 1: (1 + 0) mod 3 = 1, green 200 / 4 + 64.
    EXPECT_EQ(indexAt(ramps, 0, 0), 200 / 4 + 64);
    // (1, 0) is stored row 1: (1 + 1) mod 3 = 2, blue 0 / 4 + 128.
    EXPECT_EQ(indexAt(ramps, 1, 0), 128);
    EXPECT_EQ(ramps.Colors[63].rgbRed, 252);
    EXPECT_EQ(ramps.Colors[191].rgbBlue, 252);
}

TEST(ColourReduction, BitmapConversionTargetsAndErrors) {
    TBitmap none;
    EXPECT_EQ(messageOf<EInvalidGraphic>([&] { BitmapToDibStream(&none, pf8bit, mmHistogram); }), "Bitmap ist ungültig");
    TBitmap b;
    QImage img(9, 4, QImage::Format_RGB888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) img.setPixelColor(x, y, QColor(x * 28, y * 60, 200 - x * 20));
    img.setPixelColor(0, 0, QColor(250, 10, 10));
    toBitmap(img, b);
    EXPECT_THROW(BitmapToDibStream(&b, pf15bit, mmHistogram), ENotImplemented);
    // The same format: the bitmap's own file image.
    auto own = BitmapToDibStream(&b, pf24bit, mmHistogram);
    TMemoryStream direct;
    b.SaveToStream(&direct);
    ASSERT_EQ(own->Size(), direct.Size());
    EXPECT_EQ(std::memcmp(own->Memory(), direct.Memory(), static_cast<std::size_t>(direct.Size())), 0);
    // 1 and 4 bits: the nearest of black and white, of the 16 standard colours.
    DibFile d1 = parse(*BitmapToDibStream(&b, pf1bit, mmHistogram));
    EXPECT_EQ(d1.info.biBitCount, 1);
    ASSERT_EQ(d1.table.size(), 2u);
    EXPECT_EQ(d1.table[1].rgbRed, 255);
    auto s4 = BitmapToDibStream(&b, pf4bit, mmHistogram);
    DibFile d4 = parse(*s4);
    EXPECT_EQ(d4.info.biBitCount, 4);
    ASSERT_EQ(d4.table.size(), 16u);
    // The top-left pixel (250, 10, 10) is the standard red, entry 9.
    const BYTE topLeft = d4.rows[static_cast<std::size_t>(DibRowBytes(9, 4)) * 3] >> 4;
    EXPECT_EQ(topLeft, 9);
    // An 8-bit bitmap asked for 24 bits keeps its colours exactly.
    TBitmap eight;
    eight.LoadFromStream(BitmapToDibStream(&b, pf8bit, mmQuantize6R6G6B).get());
    ASSERT_EQ(eight.PixelFormat(), pf8bit);
    DibFile d24 = parse(*BitmapToDibStream(&eight, pf24bit, mmHistogram));
    EXPECT_EQ(d24.info.biBitCount, 24);
    const BYTE* px = d24.rows.data() + static_cast<std::size_t>(DibRowBytes(9, 24)) * 3;
    EXPECT_EQ(px[2], 255);  // red 250 on the 6-level palette
    EXPECT_EQ(px[1], 0);
    // Grey asked of an 8-bit bitmap still reduces.
    DibFile g = parse(*BitmapToDibStream(&eight, pf8bit, mmGrayscale));
    EXPECT_EQ(g.table[200].rgbRed, 200);
    EXPECT_EQ(PixelFormatForColors(2), pf1bit);
    EXPECT_EQ(PixelFormatForColors(16), pf4bit);
    EXPECT_EQ(PixelFormatForColors(256), pf8bit);
    EXPECT_EQ(PixelFormatForColors(257), pf24bit);
    EXPECT_EQ(parse(*BitmapToDibStreamForColors(&b, 3)).info.biBitCount, 4);
}

TEST(ColourReduction, PhotographByEachMethodOpensInOtherReaders) {
    QImage photo(QString::fromUtf8(TESSELLON_SOURCE_DIR "/app/poster.stb"), "JPEG");
    ASSERT_FALSE(photo.isNull());
    photo = photo.scaled(300, 212, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB888);
    TBitmap b;
    toBitmap(photo, b);
    testsupport::TempDir dir;
    const bool netpbm = testsupport::haveProgram("bmptopnm");
    const bool gm = testsupport::haveProgram("gm");
    const char* names[] = {"histogram", "median cut", "7R8G4B", "6R6G6B", "ramps", "grey"};
    QImage sheet(3 * 310 + 10, 2 * 240 + 10, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int m = mmHistogram; m <= mmGrayscale; ++m) {
        auto s = BitmapToDibStream(&b, pf8bit, static_cast<TMappingMethod>(m));
        const std::string file = dir.file("m" + std::to_string(m) + ".bmp");
        s->SaveToFile(file);
        const DibFile d = parse(*s);
        // What the picture should look like: each index through the table.
        QImage ours(300, 212, QImage::Format_RGB32);
        double error = 0;
        for (int y = 0; y < 212; ++y)
            for (int x = 0; x < 300; ++x) {
                const RGBQUAD q = d.table[d.rows[static_cast<std::size_t>(DibRowBytes(300, 8)) * (211 - y) + x]];
                ours.setPixel(x, y, qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
                const QColor c = photo.pixelColor(x, y);
                error += std::abs(q.rgbRed - c.red()) + std::abs(q.rgbGreen - c.green()) + std::abs(q.rgbBlue - c.blue());
            }
        error /= 300.0 * 212.0 * 3.0;
        if (m == mmHistogram || m == mmMedianCut) {
            EXPECT_LT(error, 12.0) << names[m];
        }
        // Independent readers see the same pixels.
        for (const auto& [have, command] :
             {std::pair{netpbm, "bmptopnm " + file + " > " + file + ".ppm 2>/dev/null"},
              std::pair{gm, "gm convert " + file + " " + file + ".gm.ppm"}}) {
            if (!have) continue;
            ASSERT_EQ(testsupport::runCommand(command), 0) << command;
            const std::string out = command.find("gm ") == 0 ? file + ".gm.ppm" : file + ".ppm";
            const QImage theirs(QString::fromStdString(out));
            ASSERT_EQ(theirs.size(), ours.size()) << command;
            int differ = 0;
            for (int y = 0; y < 212; ++y)
                for (int x = 0; x < 300; ++x) differ += theirs.pixel(x, y) != ours.pixel(x, y);
            EXPECT_EQ(differ, 0) << command;
        }
        const int col = m % 3, row = m / 3;
        painter.drawImage(10 + col * 310, 10 + row * 240, ours);
        painter.setPen(Qt::black);
        painter.drawText(10 + col * 310, 10 + row * 240 + 226, QString::fromLatin1("%1  (mean error %2)").arg(QLatin1String(names[m])).arg(error, 0, 'f', 1));
    }
    painter.end();
    const char* shots = std::getenv("TESSELLON_SCREENSHOT_DIR");
    EXPECT_TRUE(sheet.save(QString::fromStdString(std::string(shots ? shots : "/tmp") + "/tessellon-reduction.png")));
    if (!netpbm && !gm) GTEST_SKIP() << "bmptopnm (netpbm) and gm (graphicsmagick) read the files";
}
