#include "pixwerk/tests/LibraryFormatsSupport.h"

#include <tiffio.h>

#include <functional>

using namespace libformats;

namespace {

// A TIFF written by libtiff: samples per pixel and channel at the file's depth.
struct TiffSpec {
    int width = 37, height = 21;
    int bps = 8, spp = 3;
    int photometric = PHOTOMETRIC_RGB;
    int compression = COMPRESSION_NONE;
    int extra = -1;  // EXTRASAMPLE_* of the last sample, or -1
    bool separate = false;
    int tile = 0;  // tile side (a multiple of 16), 0 for strips
    std::function<unsigned(int x, int y, int c)> sample;
    std::vector<std::uint16_t> map;  // colour map: red, green, blue blocks
};

void packSample(std::vector<BYTE>& row, std::size_t i, int bps, unsigned v) {
    if (bps == 16) {
        reinterpret_cast<std::uint16_t*>(row.data())[i] = static_cast<std::uint16_t>(v);
    } else if (bps == 8) {
        row[i] = static_cast<BYTE>(v);
    } else {
        const std::size_t bit = i * bps;
        row[bit / 8] |= static_cast<BYTE>(v << (8 - bps - bit % 8));
    }
}

// The samples of a rectangle (one plane, or all samples interleaved).
std::vector<BYTE> block(const TiffSpec& s, int x0, int y0, int w, int h, int plane) {
    const int per = s.separate ? 1 : s.spp;
    const std::size_t rowBytes = (static_cast<std::size_t>(w) * per * s.bps + 7) / 8;
    std::vector<BYTE> out;
    for (int y = y0; y < y0 + h; ++y) {
        std::vector<BYTE> row(rowBytes, 0);
        for (int x = x0; x < x0 + w && x < s.width; ++x)
            for (int c = 0; c < per; ++c)
                if (y < s.height) packSample(row, static_cast<std::size_t>(x - x0) * per + c, s.bps, s.sample(x, y, s.separate ? plane : c));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes makeTiff(const TiffSpec& s) {
    testsupport::TempDir dir;
    const std::string path = dir.file("t.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bps);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.spp);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, s.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    if (s.photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
    if (s.extra >= 0) {
        const std::uint16_t kinds[1] = {static_cast<std::uint16_t>(s.extra)};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, kinds);
    }
    if (!s.map.empty()) {
        const std::size_t n = s.map.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, s.map.data(), s.map.data() + n, s.map.data() + 2 * n);
    }
    if (s.compression == COMPRESSION_JPEG) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    const int planes = s.separate ? s.spp : 1;
    if (s.tile) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, s.tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, s.tile);
        for (int p = 0; p < planes; ++p)
            for (int y = 0; y < s.height; y += s.tile)
                for (int x = 0; x < s.width; x += s.tile) {
                    std::vector<BYTE> data = block(s, x, y, s.tile, s.tile, p);
                    TIFFWriteTile(tif, data.data(), x, y, 0, static_cast<std::uint16_t>(p));
                }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
        for (int p = 0; p < planes; ++p)
            for (int y = 0; y < s.height; ++y) {
                std::vector<BYTE> row = block(s, 0, y, s.width, 1, p);
                TIFFWriteScanline(tif, row.data(), y, static_cast<std::uint16_t>(p));
            }
    }
    TIFFClose(tif);
    return testsupport::readFile(path);
}

netpbm::RgbImage colours(const TiffSpec& s, const std::function<void(int, int, std::uint8_t*)>& colour) {
    netpbm::RgbImage img{s.width, s.height, std::vector<std::uint8_t>(static_cast<std::size_t>(s.width) * s.height * 3)};
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) colour(x, y, &img.rgb[(static_cast<std::size_t>(y) * s.width + x) * 3]);
    return img;
}

::testing::AssertionResult reads(const TiffSpec& s, const netpbm::RgbImage& want, int bits, int tolerance = 0) {
    const Bytes file = makeTiff(s);
    if (file.empty()) return ::testing::AssertionFailure() << "libtiff wrote nothing";
    const UniqueDib dib = decodeWith(pixwerk::decodeTiff, file);
    if (!dib) return ::testing::AssertionFailure() << "no picture: " << DibErrorText(dib.get());
    if (bitsOf(dib) != bits) return ::testing::AssertionFailure() << bitsOf(dib) << " bits, expected " << bits;
    return netpbm::samePixels(want, netpbm::toRgb(dib.get()), tolerance);
}

unsigned wave(int x, int y, int c) { return static_cast<unsigned>(x * 13 + y * 29 + c * 71) % 256; }
std::uint8_t over(unsigned v, unsigned a) { return static_cast<std::uint8_t>((v * a + 255 * (255 - a) + 127) / 255); }

}  // namespace

TEST(TiffFormat, RoundTripsEveryDepth) {
    for (int bits : {1, 4, 8, 24})
        for (bool grey : {false, true}) {
            const UniqueDib dib = netpbm::testPicture(45, 19, bits, grey);
            const Bytes file = encodeWith(pixwerk::encodeTiff, dib.get(), PW_TIF);
            ASSERT_FALSE(file.empty());
            EXPECT_TRUE(pixwerk::sniffTiff(file.data(), file.size()));
            const UniqueDib back = decodeWith(pixwerk::decodeTiff, file);
            EXPECT_EQ(bitsOf(back), bits);
            EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(dib.get()), netpbm::toRgb(back.get()))) << bits << " grey " << grey;
        }
}

TEST(TiffFormat, ReadsGreyAndPaletteDepths) {
    TiffSpec s;
    s.spp = 1;
    for (int photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE})
        for (int bps : {1, 2, 4, 8, 16}) {
            s.photometric = photometric;
            s.bps = bps;
            const unsigned max = bps == 16 ? 65535u : (1u << bps) - 1;
            s.sample = [max](int x, int y, int) { return static_cast<unsigned>(x * 977 + y * 3) % (max + 1); };
            const int bits = bps == 1 ? 1 : bps <= 4 ? 4 : 8;
            EXPECT_TRUE(reads(s, colours(s, [&](int x, int y, std::uint8_t* p) {
                                  unsigned v = s.sample(x, y, 0);
                                  if (photometric == PHOTOMETRIC_MINISWHITE) v = max - v;
                                  p[0] = p[1] = p[2] = bps == 16 ? pixwerk::sample16To8(v) : static_cast<std::uint8_t>(v * 255 / max);
                              }),
                              bits))
                << "grey " << bps << " bits, photometric " << photometric;
        }
    s.photometric = PHOTOMETRIC_PALETTE;
    for (int bps : {2, 4, 8}) {
        s.bps = bps;
        const int n = 1 << bps;
        s.map.assign(3 * n, 0);
        for (int i = 0; i < n; ++i) s.map[i] = static_cast<std::uint16_t>(i * 4000), s.map[n + i] = 65535, s.map[2 * n + i] = static_cast<std::uint16_t>(65535 - i * 250);
        s.sample = [n](int x, int y, int) { return static_cast<unsigned>(x + 2 * y) % n; };
        EXPECT_TRUE(reads(s, colours(s, [&](int x, int y, std::uint8_t* p) {
                              const unsigned i = s.sample(x, y, 0);
                              for (int c = 0; c < 3; ++c) p[c] = pixwerk::sample16To8(s.map[c * n + i]);
                          }),
                          bps == 8 ? 8 : 4))
            << "palette " << bps << " bits";
    }
}

TEST(TiffFormat, ReadsColourLayoutsAndCompressions) {
    TiffSpec s;
    s.sample = wave;
    const auto plain = colours(s, [&](int x, int y, std::uint8_t* p) {
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(wave(x, y, c));
    });
    for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE}) {
        s.compression = compression;
        EXPECT_TRUE(reads(s, plain, 24)) << "compression " << compression;
    }
    s.compression = COMPRESSION_LZW;
    s.tile = 16;
    EXPECT_TRUE(reads(s, plain, 24)) << "tiles";
    s.separate = true;
    EXPECT_TRUE(reads(s, plain, 24)) << "separate planes in tiles";
    s.tile = 0;
    EXPECT_TRUE(reads(s, plain, 24)) << "separate planes in strips";
    s.separate = false;
    s.bps = 16;
    s.sample = [](int x, int y, int c) { return wave(x, y, c) * 250 + static_cast<unsigned>(x % 200); };
    EXPECT_TRUE(reads(s, colours(s, [&](int x, int y, std::uint8_t* p) {
                          for (int c = 0; c < 3; ++c) p[c] = pixwerk::sample16To8(s.sample(x, y, c));
                      }),
                      24))
        << "16-bit samples";
}

TEST(TiffFormat, CompositesAlphaOverWhiteAndConvertsCmyk) {
    TiffSpec s;
    s.spp = 4;
    s.sample = [](int x, int y, int c) { return c == 3 ? static_cast<unsigned>(x * 7) % 256 : wave(x, y, c); };
    s.extra = EXTRASAMPLE_UNASSALPHA;
    EXPECT_TRUE(reads(s, colours(s, [&](int x, int y, std::uint8_t* p) {
                          for (int c = 0; c < 3; ++c) p[c] = over(s.sample(x, y, c), s.sample(x, y, 3));
                      }),
                      24));
    s.extra = EXTRASAMPLE_ASSOCALPHA;
    s.sample = [](int x, int y, int c) {
        const unsigned a = static_cast<unsigned>(x * 7) % 256;
        return c == 3 ? a : wave(x, y, c) * a / 255;
    };
    EXPECT_TRUE(reads(s, colours(s, [&](int x, int y, std::uint8_t* p) {
                          for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(std::min(255u, s.sample(x, y, c) + 255 - s.sample(x, y, 3)));
                      }),
                      24))
        << "premultiplied alpha";
    s.extra = -1;
    s.photometric = PHOTOMETRIC_SEPARATED;
    s.sample = wave;
    EXPECT_TRUE(reads(s, colours(s, [&](int x, int y, std::uint8_t* p) {
                          for (int c = 0; c < 3; ++c) p[c] = pixwerk::inkToChannel(wave(x, y, c), wave(x, y, 3));
                      }),
                      24))
        << "CMYK";
    s.spp = 2;
    s.photometric = PHOTOMETRIC_MINISBLACK;
    s.extra = EXTRASAMPLE_UNASSALPHA;
    s.sample = [](int x, int y, int c) { return c ? static_cast<unsigned>(y * 11) % 256 : wave(x, y, 0); };
    EXPECT_TRUE(reads(s, colours(s, [&](int x, int y, std::uint8_t* p) {
                          p[0] = p[1] = p[2] = over(s.sample(x, y, 0), s.sample(x, y, 1));
                      }),
                      8))
        << "grey with alpha";
}

TEST(TiffFormat, ReadsKindsOnlyTheRgbaReaderKnows) {
    TiffSpec s;
    s.width = 32;
    s.height = 16;
    s.photometric = PHOTOMETRIC_YCBCR;
    s.compression = COMPRESSION_JPEG;
    s.sample = [](int x, int y, int c) { return static_cast<unsigned>(60 + x * 4 + y * 2 + c * 20); };
    const Bytes file = makeTiff(s);
    ASSERT_FALSE(file.empty());
    const UniqueDib dib = decodeWith(pixwerk::decodeTiff, file);
    ASSERT_EQ(bitsOf(dib), 24) << DibErrorText(dib.get());
    EXPECT_TRUE(netpbm::samePixels(colours(s, [&](int x, int y, std::uint8_t* p) {
                                       for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(s.sample(x, y, c));
                                   }),
                                   netpbm::toRgb(dib.get()), 16));
}

TEST(TiffFormat, RejectsDamagedFiles) {
    const UniqueDib dib = netpbm::testPicture(40, 30, 24);
    const Bytes file = encodeWith(pixwerk::encodeTiff, dib.get(), PW_TIF);
    expectTruncationsFail(pixwerk::decodeTiff, file);

    TiffSpec wide;
    wide.width = 40000;
    wide.height = 1;
    wide.sample = wave;
    EXPECT_TRUE(rejected(pixwerk::decodeTiff, makeTiff(wide))) << "wider than 32,767 pixels";

    TiffSpec strips;
    strips.sample = wave;
    Bytes cut = makeTiff(strips);
    ASSERT_FALSE(cut.empty());
    // Without 100 bytes of pixels the directory and strip offsets point past the data.
    const std::size_t header = 8;
    Bytes shortened(cut.begin(), cut.begin() + header);
    shortened.insert(shortened.end(), cut.begin() + header + 100, cut.end());
    EXPECT_TRUE(rejected(pixwerk::decodeTiff, shortened));
    EXPECT_TRUE(rejected(pixwerk::decodeTiff, Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}));

    // A few hundred bytes declaring tiles of tens of gigabytes fail without allocating them.
    const Bytes hugeTile = testsupport::readFile(TESSELLON_TEST_DATA "/huge-tile.tif");
    ASSERT_FALSE(hugeTile.empty());
    EXPECT_TRUE(rejected(pixwerk::decodeTiff, hugeTile));
}
