#include "pixwerk/tests/LibraryFormatsSupport.h"

#include <png.h>
#include <zlib.h>

#include <functional>
#include <optional>

using namespace libformats;

namespace {

// A PNG written by libpng from samples given per pixel and channel (at the file's depth).
struct PngSpec {
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    int width = 13, height = 9;
    bool interlace = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    std::optional<png_color_16> transparent;
    std::function<unsigned(int x, int y, int channel)> sample;
};

int channelsOf(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
    }
}

void appendBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

Bytes makePng(const PngSpec& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()), nullptr);
    if (s.transparent) png_set_tRNS(png, info, nullptr, 0, &*s.transparent);
    png_write_info(png, info);
    const int channels = channelsOf(s.colourType);
    std::vector<std::vector<png_byte>> rows(s.height);
    std::vector<png_bytep> pointers;
    for (int y = 0; y < s.height; ++y) {
        std::vector<png_byte>& row = rows[y];
        row.assign((static_cast<std::size_t>(s.width) * channels * s.depth + 7) / 8, 0);
        for (int x = 0; x < s.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const unsigned v = s.sample(x, y, c);
                const std::size_t i = static_cast<std::size_t>(x) * channels + c;
                if (s.depth == 16) {
                    row[2 * i] = static_cast<png_byte>(v >> 8);
                    row[2 * i + 1] = static_cast<png_byte>(v);
                } else if (s.depth == 8) {
                    row[i] = static_cast<png_byte>(v);
                } else {
                    const std::size_t bit = i * s.depth;
                    row[bit / 8] |= static_cast<png_byte>(v << (8 - s.depth - bit % 8));
                }
            }
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// An expected picture made from a colour per pixel.
netpbm::RgbImage expected(int width, int height, const std::function<void(int, int, std::uint8_t*)>& colour) {
    netpbm::RgbImage img{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) colour(x, y, &img.rgb[(static_cast<std::size_t>(y) * width + x) * 3]);
    return img;
}

std::uint8_t over(unsigned v, unsigned a) { return static_cast<std::uint8_t>((v * a + 255 * (255 - a) + 127) / 255); }

::testing::AssertionResult reads(const Bytes& file, const netpbm::RgbImage& want, int bits) {
    const UniqueDib dib = decodeWith(pixwerk::decodePng, file);
    if (!dib) return ::testing::AssertionFailure() << "no picture: " << DibErrorText(dib.get());
    if (bitsOf(dib) != bits) return ::testing::AssertionFailure() << bitsOf(dib) << " bits, expected " << bits;
    return netpbm::samePixels(want, netpbm::toRgb(dib.get()));
}

unsigned pattern(int x, int y, int c) { return static_cast<unsigned>(x * 19 + y * 7 + c * 50); }

// Rewrites the IHDR width and its checksum.
Bytes withWidth(Bytes file, std::uint32_t width) {
    for (int i = 0; i < 4; ++i) file[16 + i] = static_cast<BYTE>(width >> (24 - 8 * i));
    const uLong crc = crc32(0, file.data() + 12, 17);
    for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<BYTE>(crc >> (24 - 8 * i));
    return file;
}

}  // namespace

TEST(PngFormat, RoundTripsEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        const UniqueDib dib = netpbm::testPicture(37, 23, bits);
        const Bytes file = encodeWith(pixwerk::encodePng, dib.get(), PW_PNG);
        ASSERT_FALSE(file.empty()) << bits;
        EXPECT_TRUE(pixwerk::sniffPng(file.data(), file.size()));
        const UniqueDib back = decodeWith(pixwerk::decodePng, file);
        EXPECT_EQ(bitsOf(back), bits);
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(dib.get()), netpbm::toRgb(back.get()))) << bits << " bits";
    }
}

TEST(PngFormat, ReadsGreyAtEveryDepth) {
    PngSpec s;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    for (int depth : {1, 2, 4, 8, 16}) {
        s.depth = depth;
        const unsigned max = (1u << depth) - 1;
        s.sample = [max](int x, int y, int) { return static_cast<unsigned>(x * 3 + y * 5) % (max + 1); };
        const auto want = expected(s.width, s.height, [&](int x, int y, std::uint8_t* p) {
            const unsigned v = s.sample(x, y, 0);
            const std::uint8_t g = depth == 16 ? pixwerk::sample16To8(v) : static_cast<std::uint8_t>(v * 255 / max);
            p[0] = p[1] = p[2] = g;
        });
        EXPECT_TRUE(reads(makePng(s), want, depth == 1 ? 1 : 8)) << depth << "-bit grey";
    }
}

TEST(PngFormat, ReadsPalettesWithTwoBitsAsFourAndTransparencyOverWhite) {
    PngSpec s;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.depth = 2;
    s.palette = {{255, 0, 0}, {0, 128, 0}, {0, 0, 255}, {10, 20, 30}};
    s.sample = [](int x, int y, int) { return static_cast<unsigned>(x + y) % 4; };
    auto colours = [&](const std::vector<png_byte>& alpha) {
        return expected(s.width, s.height, [&, alpha](int x, int y, std::uint8_t* p) {
            const png_color& c = s.palette[s.sample(x, y, 0)];
            const unsigned a = s.sample(x, y, 0) < alpha.size() ? alpha[s.sample(x, y, 0)] : 255u;
            p[0] = over(c.red, a), p[1] = over(c.green, a), p[2] = over(c.blue, a);
        });
    };
    EXPECT_TRUE(reads(makePng(s), colours({}), 4));
    s.paletteAlpha = {0, 128};
    EXPECT_TRUE(reads(makePng(s), colours(s.paletteAlpha), 4));
    s.interlace = true;
    EXPECT_TRUE(reads(makePng(s), colours(s.paletteAlpha), 4)) << "interlaced";
}

TEST(PngFormat, ReadsColourWithSixteenBitsAlphaAndInterlace) {
    PngSpec s;
    for (const bool interlace : {false, true}) {
        s.interlace = interlace;
        s.colourType = PNG_COLOR_TYPE_RGB;
        s.depth = 16;
        s.sample = [](int x, int y, int c) { return static_cast<unsigned>(x * 4099 + y * 997 + c * 20000) % 65536; };
        EXPECT_TRUE(reads(makePng(s), expected(s.width, s.height, [&](int x, int y, std::uint8_t* p) {
                              for (int c = 0; c < 3; ++c) p[c] = pixwerk::sample16To8(s.sample(x, y, c));
                          }),
                          24))
            << "16-bit RGB, interlaced " << interlace;

        s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        s.depth = 8;
        s.sample = [](int x, int y, int c) { return c == 3 ? static_cast<unsigned>(x * 20) % 256 : pattern(x, y, c) % 256; };
        EXPECT_TRUE(reads(makePng(s), expected(s.width, s.height, [&](int x, int y, std::uint8_t* p) {
                              for (int c = 0; c < 3; ++c) p[c] = over(s.sample(x, y, c), s.sample(x, y, 3));
                          }),
                          24))
            << "RGBA, interlaced " << interlace;

        s.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
        s.sample = [](int x, int y, int c) { return c ? static_cast<unsigned>(y * 30) % 256 : pattern(x, y, 0) % 256; };
        EXPECT_TRUE(reads(makePng(s), expected(s.width, s.height, [&](int x, int y, std::uint8_t* p) {
                              p[0] = p[1] = p[2] = over(s.sample(x, y, 0), s.sample(x, y, 1));
                          }),
                          8))
            << "grey and alpha, interlaced " << interlace;
    }
}

TEST(PngFormat, ShowsTransparentColoursOfGreyAndRgbAsWhite) {
    PngSpec s;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.sample = [](int x, int, int c) { return x % 2 ? 40u + c : 200u; };
    png_color_16 key{};
    key.red = key.green = key.blue = 200;
    s.transparent = key;
    EXPECT_TRUE(reads(makePng(s), expected(s.width, s.height, [&](int x, int, std::uint8_t* p) {
                          for (int c = 0; c < 3; ++c) p[c] = x % 2 ? static_cast<std::uint8_t>(40 + c) : 255;
                      }),
                      24));
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.depth = 4;
    s.sample = [](int x, int, int) { return x % 3 ? 5u : 0u; };
    key.gray = 0;
    s.transparent = key;
    EXPECT_TRUE(reads(makePng(s), expected(s.width, s.height, [&](int x, int, std::uint8_t* p) {
                          p[0] = p[1] = p[2] = x % 3 ? 85 : 255;
                      }),
                      8));
    s.depth = 1;
    s.sample = [](int x, int, int) { return x % 2 ? 1u : 0u; };
    EXPECT_TRUE(reads(makePng(s), expected(s.width, s.height, [&](int x, int, std::uint8_t* p) {
                          p[0] = p[1] = p[2] = 255;
                      }),
                      8))
        << "1-bit grey with black transparent";
}

TEST(PngFormat, RejectsDamagedFiles) {
    const UniqueDib dib = netpbm::testPicture(40, 30, 24);
    const Bytes file = encodeWith(pixwerk::encodePng, dib.get(), PW_PNG);
    expectTruncationsFail(pixwerk::decodePng, file);

    EXPECT_TRUE(rejected(pixwerk::decodePng, withWidth(file, 0)));
    EXPECT_TRUE(rejected(pixwerk::decodePng, withWidth(file, 40000)));
    EXPECT_TRUE(rejected(pixwerk::decodePng, withWidth(file, 41))) << "rows longer than the data";
    Bytes flipped = file;
    flipped[flipped.size() / 2] ^= 0x5A;  // inside the picture data: the checksum fails
    EXPECT_TRUE(rejected(pixwerk::decodePng, flipped));

    PngSpec wide;
    wide.width = 40000;
    wide.height = 1;
    wide.sample = pattern;
    const Bytes big = makePng(wide);
    ASSERT_FALSE(big.empty());
    EXPECT_TRUE(rejected(pixwerk::decodePng, big)) << "wider than 32,767 pixels";

    PngSpec noPalette;
    noPalette.colourType = PNG_COLOR_TYPE_PALETTE;
    noPalette.palette = {{1, 2, 3}};
    noPalette.sample = [](int, int, int) { return 0u; };
    Bytes missing = makePng(noPalette);
    const Bytes plte = {'P', 'L', 'T', 'E'};
    auto at = std::search(missing.begin(), missing.end(), plte.begin(), plte.end());
    ASSERT_NE(at, missing.end());
    missing.erase(at - 4, at + 4 + 3 + 4);  // length, type, three bytes, checksum
    EXPECT_TRUE(rejected(pixwerk::decodePng, missing));
}
