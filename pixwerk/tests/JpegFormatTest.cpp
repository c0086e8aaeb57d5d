#include "pixwerk/tests/LibraryFormatsSupport.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cmath>
#include <functional>

using namespace libformats;

namespace {

// A smooth picture that JPEG keeps well.
UniqueDib smooth(int width, int height, int bits) {
    UniqueDib dib = netpbm::testPicture(width, height, bits, true);
    const int colours = bits == 24 ? 0 : 1 << bits;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (colours) pixwerk::setIndexAt(pixwerk::rowFromTop(dib.get(), y), x, bits, x * colours / width);
            else setpixel(dib.get(), x, y, (x * 255 / width) | (y * 255 / height) << 8 | ((x + y) * 2) << 16);
        }
    return dib;
}

// Mean and largest channel difference.
::testing::AssertionResult close(const netpbm::RgbImage& a, const netpbm::RgbImage& b, double mean, int largest) {
    if (a.width != b.width || a.height != b.height) return ::testing::AssertionFailure() << "size differs";
    double sum = 0;
    int worst = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        const int d = std::abs(int(a.rgb[i]) - int(b.rgb[i]));
        sum += d;
        worst = std::max(worst, d);
    }
    const double m = sum / static_cast<double>(a.rgb.size());
    if (m > mean || worst > largest)
        return ::testing::AssertionFailure() << "mean difference " << m << ", largest " << worst;
    return ::testing::AssertionSuccess();
}

std::size_t sizeAt(int quality, const TDib& dib) {
    SetJPEGQual(quality);
    const std::size_t n = encodeWith(pixwerk::encodeJpeg, dib, PW_JPG).size();
    SetJPEGQual(75);
    return n;
}

// A CMYK JPEG with an Adobe marker, its samples stored inverted as such files do.
Bytes cmykJpeg(int width, int height, const std::function<void(int, int, BYTE*)>& ink) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<BYTE> row(static_cast<std::size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ink(x, y, &row[4 * x]);
            for (int c = 0; c < 4; ++c) row[4 * x + c] = static_cast<BYTE>(255 - row[4 * x + c]);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// The start-of-frame marker's height field.
std::size_t frameAt(const Bytes& file) {
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) return i + 5;
    return 0;
}

}  // namespace

TEST(JpegFormat, RoundTripsColourAndGrey) {
    for (int bits : {1, 4, 8, 24}) {
        const UniqueDib dib = smooth(64, 48, bits);
        SetJPEGQual(95);
        const Bytes file = encodeWith(pixwerk::encodeJpeg, dib.get(), PW_JIF);
        SetJPEGQual(75);
        ASSERT_FALSE(file.empty());
        EXPECT_TRUE(pixwerk::sniffJpeg(file.data(), file.size()));
        const UniqueDib back = decodeWith(pixwerk::decodeJpeg, file);
        ASSERT_TRUE(back) << DibErrorText(back.get());
        // 8-bit grey pictures are written as grey JPEGs, which open as 8-bit grey.
        EXPECT_EQ(bitsOf(back), bits == 8 ? 8 : 24) << bits;
        if (bits == 8) {
            EXPECT_TRUE(pixwerk::isGreyRamp(back.get()));
        }
        EXPECT_TRUE(close(netpbm::toRgb(dib.get()), netpbm::toRgb(back.get()), 2.0, bits == 24 ? 24 : 60)) << bits;
    }
}

TEST(JpegFormat, QualityControlsTheFileSize) {
    const UniqueDib dib = netpbm::testPicture(96, 64, 24);
    const std::size_t low = sizeAt(10, dib.get()), high = sizeAt(95, dib.get());
    EXPECT_LT(low, high);
    EXPECT_EQ(sizeAt(-5, dib.get()), sizeAt(1, dib.get())) << "qualities are limited to 1..100";
    EXPECT_EQ(sizeAt(1000, dib.get()), sizeAt(100, dib.get()));
}

TEST(JpegFormat, ConvertsCmykToRgb) {
    auto ink = [](int x, int y, BYTE* p) {
        p[0] = static_cast<BYTE>(x * 8), p[1] = static_cast<BYTE>(y * 8), p[2] = 60, p[3] = static_cast<BYTE>(x < 16 ? 0 : 100);
    };
    const Bytes file = cmykJpeg(32, 24, ink);
    const UniqueDib dib = decodeWith(pixwerk::decodeJpeg, file);
    ASSERT_EQ(bitsOf(dib), 24);
    netpbm::RgbImage want{32, 24, std::vector<std::uint8_t>(32 * 24 * 3)};
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) {
            BYTE p[4];
            ink(x, y, p);
            for (int c = 0; c < 3; ++c) want.rgb[(y * 32 + x) * 3 + c] = pixwerk::inkToChannel(p[c], p[3]);
        }
    EXPECT_TRUE(close(want, netpbm::toRgb(dib.get()), 1.5, 12));
}

TEST(JpegFormat, RejectsDamagedFiles) {
    const UniqueDib dib = netpbm::testPicture(48, 40, 24);
    const Bytes file = encodeWith(pixwerk::encodeJpeg, dib.get(), PW_JPG);
    // Only the end marker may be missing: every scan line is there without it.
    expectTruncationsFail(pixwerk::decodeJpeg, file, 2);

    const std::size_t frame = frameAt(file);
    ASSERT_NE(frame, 0u);
    Bytes bad = file;
    bad[frame] = bad[frame + 1] = 0;  // height 0
    EXPECT_TRUE(rejected(pixwerk::decodeJpeg, bad));
    bad = file;
    bad[frame + 2] = 0x9C, bad[frame + 3] = 0x40;  // width 40,000
    EXPECT_TRUE(rejected(pixwerk::decodeJpeg, bad));
    bad = file;
    bad[frame] = 0x7F;  // far more rows than the data holds
    EXPECT_TRUE(rejected(pixwerk::decodeJpeg, bad));
    EXPECT_TRUE(rejected(pixwerk::decodeJpeg, Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
}

TEST(JpegFormat, ReducedOpeningDecodesAtAnEighthAndKeepsTheDeclaredSize) {
    testsupport::TempDir dir;
    const UniqueDib dib = smooth(1000, 600, 24);
    SetJPEGQual(95);
    const std::string jpg = dir.file("big.jpg");
    ASSERT_EQ(SaveDib(dib.get(), jpg.c_str(), PW_JPG, nullptr), 1);
    SetJPEGQual(75);
    UniqueDib full;
    OpenDib(full.out(), jpg.c_str(), PW_JPG, nullptr);
    ASSERT_TRUE(full);

    struct Case {
        int minSide, width, height;
    };
    // The strongest of 1/8, 1/4, 1/2 whose larger side keeps minSide pixels, else none.
    for (const Case c : {Case{80, 125, 75}, Case{125, 125, 75}, Case{126, 250, 150}, Case{300, 500, 300},
                         Case{501, 1000, 600}}) {
        UniqueDib small;
        int w = 0, h = 0;
        OpenDibReduced(small.out(), jpg.c_str(), PW_JPG, nullptr, c.minSide, &w, &h);
        ASSERT_TRUE(small) << DibErrorText(small.get());
        EXPECT_EQ(w, 1000);
        EXPECT_EQ(h, 600);
        EXPECT_EQ(small.get().Info->bmiHeader.biWidth, c.width) << c.minSide;
        EXPECT_EQ(small.get().Info->bmiHeader.biHeight, c.height) << c.minSide;
        TDibOrigin origin;
        EXPECT_EQ(DibOrigin(small.get(), origin), c.width == 1000) << "only the whole picture is the file's";
        // Each reduced pixel is close to the average of its block of the full picture.
        const int f = 1000 / c.width;
        double sum = 0;
        int n = 0, worst = 0;
        for (int y = 0; y < c.height; y += 7)
            for (int x = 0; x < c.width; x += 5) {
                const int got = getpixel(small.get(), x, y);
                for (int ch = 0; ch < 3; ++ch) {
                    int avg = 0;
                    for (int yy = 0; yy < f; ++yy)
                        for (int xx = 0; xx < f; ++xx) avg += (getpixel(full.get(), x * f + xx, y * f + yy) >> (8 * ch)) & 255;
                    avg /= f * f;
                    const int d = std::abs(((got >> (8 * ch)) & 255) - avg);
                    sum += d;
                    ++n;
                    worst = std::max(worst, d);
                }
            }
        // The blue ramp wraps from 255 to 0: its edges differ most.
        EXPECT_LT(sum / n, 3.0) << c.minSide;
        EXPECT_LT(worst, 64) << c.minSide;
    }

    // Other formats open whole and report their size.
    const std::string bmp = dir.file("small.bmp");
    ASSERT_EQ(SaveDib(dib.get(), bmp.c_str(), PW_BMP, nullptr), 1);
    UniqueDib whole;
    int w = 0, h = 0;
    OpenDibReduced(whole.out(), bmp.c_str(), PW_BMP, nullptr, 80, &w, &h);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole.get().Info->bmiHeader.biWidth, 1000);
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 600);
    // A failure leaves the sizes at 0.
    OpenDibReduced(whole.out(), dir.file("missing.jpg").c_str(), PW_JPG, nullptr, 80, &w, &h);
    EXPECT_FALSE(whole);
    EXPECT_EQ(w, 0);
}
