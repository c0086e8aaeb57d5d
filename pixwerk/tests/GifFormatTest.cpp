#include "pixwerk/tests/LibraryFormatsSupport.h"

#include <gif_lib.h>

#include <functional>

using namespace libformats;

namespace {

struct GifImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    std::vector<GifColorType> local;  // empty: the global table
    int transparent = -1;
    std::function<int(int x, int y)> index;
};

int appendBytes(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

// A GIF written by giflib: a logical screen, a global table and one picture.
Bytes makeGif(int screenW, int screenH, const std::vector<GifColorType>& global, const GifImage& img, int background = 0) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* g = global.empty() ? nullptr : GifMakeMapObject(static_cast<int>(global.size()), global.data());
    EGifPutScreenDesc(gif, screenW, screenH, 8, background, g);
    if (img.transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = img.transparent;
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        GifByteType ext[4];
        const std::size_t n = EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
    }
    ColorMapObject* l = img.local.empty() ? nullptr : GifMakeMapObject(static_cast<int>(img.local.size()), img.local.data());
    EGifPutImageDesc(gif, img.left, img.top, img.width, img.height, img.interlace, l);
    std::vector<GifPixelType> line(static_cast<std::size_t>(img.width));
    // Interlaced rows are written in pass order.
    std::vector<int> order;
    if (img.interlace) {
        for (int y = 0; y < img.height; y += 8) order.push_back(y);
        for (int y = 4; y < img.height; y += 8) order.push_back(y);
        for (int y = 2; y < img.height; y += 4) order.push_back(y);
        for (int y = 1; y < img.height; y += 2) order.push_back(y);
    } else {
        for (int y = 0; y < img.height; ++y) order.push_back(y);
    }
    for (int y : order) {
        for (int x = 0; x < img.width; ++x) line[x] = static_cast<GifPixelType>(img.index(x, y));
        EGifPutLine(gif, line.data(), img.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(g);
    GifFreeMapObject(l);
    return out;
}

std::vector<GifColorType> ramp(int n, int tint) {
    std::vector<GifColorType> t(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        t[i] = GifColorType{static_cast<GifByteType>(i * 255 / (n - 1)), static_cast<GifByteType>(tint), static_cast<GifByteType>(255 - i * 255 / (n - 1))};
    return t;
}

netpbm::RgbImage picture(int width, int height, const std::function<GifColorType(int, int)>& colour) {
    netpbm::RgbImage img{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const GifColorType c = colour(x, y);
            std::uint8_t* p = &img.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = c.Red, p[1] = c.Green, p[2] = c.Blue;
        }
    return img;
}

::testing::AssertionResult reads(const Bytes& file, const netpbm::RgbImage& want, int bits) {
    const UniqueDib dib = decodeWith(pixwerk::decodeGif, file);
    if (!dib) return ::testing::AssertionFailure() << "no picture: " << DibErrorText(dib.get());
    if (bitsOf(dib) != bits) return ::testing::AssertionFailure() << bitsOf(dib) << " bits, expected " << bits;
    return netpbm::samePixels(want, netpbm::toRgb(dib.get()));
}

}  // namespace

TEST(GifFormat, RoundTripsPalettePictures) {
    for (int bits : {1, 4, 8}) {
        const UniqueDib dib = netpbm::testPicture(41, 27, bits);
        const Bytes file = encodeWith(pixwerk::encodeGif, dib.get(), PW_GIF);
        ASSERT_FALSE(file.empty());
        EXPECT_TRUE(pixwerk::sniffGif(file.data(), file.size()));
        const UniqueDib back = decodeWith(pixwerk::decodeGif, file);
        EXPECT_EQ(bitsOf(back), bits);
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(dib.get()), netpbm::toRgb(back.get()))) << bits;
    }
}

TEST(GifFormat, ReducesTrueColourPictures) {
    // At most 256 colours are kept exactly.
    UniqueDib few = netpbm::testPicture(30, 20, 24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) setpixel(few.get(), x, y, (x % 10) * 0x1A0B05 + (y % 20) * 0x000C00);
    const UniqueDib back = decodeWith(pixwerk::decodeGif, encodeWith(pixwerk::encodeGif, few.get(), PW_GIF));
    EXPECT_EQ(bitsOf(back), 8);
    EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(few.get()), netpbm::toRgb(back.get())));
    // Many colours: 256 chosen colours with error diffusion keep the picture's look.
    const UniqueDib many = netpbm::testPicture(64, 64, 24);
    const UniqueDib reduced = decodeWith(pixwerk::decodeGif, encodeWith(pixwerk::encodeGif, many.get(), PW_GIF));
    ASSERT_EQ(bitsOf(reduced), 8);
    const netpbm::RgbImage a = netpbm::toRgb(many.get()), b = netpbm::toRgb(reduced.get());
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    EXPECT_LT(sum / a.rgb.size(), 8.0);
}

TEST(GifFormat, ReadsInterlacedLocalTablesAndTransparency) {
    GifImage img;
    img.width = 23;
    img.height = 19;
    img.index = [](int x, int y) { return (x + 3 * y) % 16; };
    const auto global = ramp(16, 10), local = ramp(16, 200);
    const auto colour = [&](const std::vector<GifColorType>& t) {
        return picture(23, 19, [&](int x, int y) { return t[img.index(x, y)]; });
    };
    EXPECT_TRUE(reads(makeGif(23, 19, global, img), colour(global), 4));
    img.interlace = true;
    EXPECT_TRUE(reads(makeGif(23, 19, global, img), colour(global), 4)) << "interlaced";
    img.local = local;
    EXPECT_TRUE(reads(makeGif(23, 19, global, img), colour(local), 4)) << "local table";
    img.transparent = 5;
    EXPECT_TRUE(reads(makeGif(23, 19, global, img), picture(23, 19, [&](int x, int y) {
                          return img.index(x, y) == 5 ? GifColorType{255, 255, 255} : local[img.index(x, y)];
                      }),
                      4))
        << "transparent colour";
}

TEST(GifFormat, PlacesThePictureOnItsScreen) {
    GifImage img;
    img.left = 5, img.top = 3, img.width = 10, img.height = 6;
    img.index = [](int x, int) { return x % 2; };
    const auto table = ramp(2, 0);
    const Bytes file = makeGif(20, 12, table, img, 1);
    EXPECT_TRUE(reads(file, picture(20, 12, [&](int x, int y) {
                          const bool in = x >= 5 && x < 15 && y >= 3 && y < 9;
                          return table[in ? (x - 5) % 2 : 1];
                      }),
                      1));
    // A screen too small for the picture: the picture alone.
    EXPECT_TRUE(reads(makeGif(4, 4, table, img), picture(10, 6, [&](int x, int) { return table[x % 2]; }), 1));
}

TEST(GifFormat, RejectsDamagedFiles) {
    const UniqueDib dib = netpbm::testPicture(40, 30, 8);
    const Bytes file = encodeWith(pixwerk::encodeGif, dib.get(), PW_GIF);
    // The trailer and the last block end may be missing: every pixel is there without them.
    expectTruncationsFail(pixwerk::decodeGif, file, 2);
    Bytes bad = file;
    // Logical screen and picture width 0 (the picture descriptor follows the table).
    const std::size_t desc = 13 + 3 * 256;
    ASSERT_EQ(bad[desc], 0x2C);
    bad[desc + 5] = bad[desc + 6] = 0;
    EXPECT_TRUE(rejected(pixwerk::decodeGif, bad));
    bad = file;
    bad[desc + 7] = 0xFF, bad[desc + 8] = 0x7F;  // 32,767 rows: far more than the data
    EXPECT_TRUE(rejected(pixwerk::decodeGif, bad));
    bad = file;
    bad[desc + 5] = 0x50, bad[desc + 6] = 0xC3;  // 50,000 columns
    EXPECT_TRUE(rejected(pixwerk::decodeGif, bad));
    const Bytes header(file.begin(), file.begin() + 13 + 3 * 256);
    Bytes noPicture = header;
    noPicture.push_back(0x3B);
    EXPECT_TRUE(rejected(pixwerk::decodeGif, noPicture));
}
