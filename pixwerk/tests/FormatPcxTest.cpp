#include "pixwerk/tests/OwnFormatsSupport.h"

using namespace ownformats;
using pixwerk::own::ByteBuffer;

namespace {

struct PcxFields {
    int version = 5;
    int encoding = 1;
    int bpp = 8;
    int xmin = 0, ymin = 0, xmax = 3, ymax = 0;
    int planes = 1;
    int bytesPerLine = 4;
    int paletteInfo = 1;
    std::vector<BYTE> headerPalette{};  // up to 48 bytes
    Bytes data{};
    std::vector<BYTE> endPalette{};  // 768 bytes, written after 0x0C
};

Bytes pcxFile(const PcxFields& s) {
    ByteBuffer b;
    b.u8(0x0A);
    b.u8(static_cast<unsigned>(s.version));
    b.u8(static_cast<unsigned>(s.encoding));
    b.u8(static_cast<unsigned>(s.bpp));
    for (int v : {s.xmin, s.ymin, s.xmax, s.ymax, 72, 72}) b.le16(static_cast<unsigned>(v));
    Bytes pal = s.headerPalette;
    pal.resize(48);
    b.append(pal.data(), pal.size());
    b.u8(0);
    b.u8(static_cast<unsigned>(s.planes));
    b.le16(static_cast<unsigned>(s.bytesPerLine));
    b.le16(static_cast<unsigned>(s.paletteInfo));
    b.fill(0, 128 - 70);
    b.append(s.data.data(), s.data.size());
    if (!s.endPalette.empty()) {
        b.u8(0x0C);
        b.append(s.endPalette.data(), s.endPalette.size());
    }
    return Bytes(b.data(), b.data() + b.size());
}

unsigned colourAt(const UniqueDib& dib, int x, int y) {
    const netpbm::RgbImage img = netpbm::toRgb(dib.get());
    const std::uint8_t* p = img.at(x, y);
    return unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
}

// A 4-bit picture that uses only the first `colours` entries.
UniqueDib fewColours(int width, int height, int colours) {
    UniqueDib dib = netpbm::testPicture(width, height, 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixwerk::setIndexAt(pixwerk::rowFromTop(dib.get(), y), x, 4, static_cast<unsigned>((x / 2 + y) % colours));
    return dib;
}

}  // namespace

TEST(PcxFormat, RoundTripsEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        for (auto [w, h] : {std::pair{1, 1}, {37, 5}, {301, 9}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits " << w << " x " << h);
            UniqueDib src = runsPicture(w, h, bits);
            const Bytes file = encode(pixwerk::encodePcx, src.get(), PW_PCX);
            ASSERT_GT(file.size(), 128u);
            EXPECT_EQ(file[66] | file[67] << 8, ((w * (bits == 1 || bits == 4 ? 1 : 8) + 7) / 8 + 1) / 2 * 2);
            UniqueDib back = decode(pixwerk::decodePcx, file);
            EXPECT_EQ(bitsOf(back), bits);
            EXPECT_TRUE(sameColours(src, back));
        }
    }
}

TEST(PcxFormat, NetpbmReadsOurFiles) {
    NETPBM_REQUIRE("pcxtoppm");
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        UniqueDib src = runsPicture(67, 12, bits);
        const auto read = netpbmReads(encode(pixwerk::encodePcx, src.get(), PW_PCX), "pcxtoppm");
        ASSERT_TRUE(read.has_value());
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(src.get()), *read));
    }
}

TEST(PcxFormat, ReadsNetpbmFiles) {
    NETPBM_REQUIRE("ppmtopcx");
    struct Case {
        const char* options;
        UniqueDib picture;
        int bpp, planes, bits;
    };
    Case cases[] = {
        {"", netpbm::testPicture(41, 9, 1), 1, 1, 1},
        {"", fewColours(41, 9, 16), 1, 4, 4},
        {"-packed", fewColours(41, 9, 16), 4, 1, 4},
        {"-planes=2", fewColours(41, 9, 4), 1, 2, 4},
        {"-planes=3", fewColours(41, 9, 8), 1, 3, 4},
        {"-packed", fewColours(41, 9, 4), 2, 1, 4},
        {"", netpbm::testPicture(41, 9, 8), 8, 1, 8},
        {"-8bit", fewColours(41, 9, 5), 8, 1, 8},
        {"", netpbm::testPicture(41, 9, 24), 8, 3, 24},
        {"-24bit", netpbm::testPicture(41, 9, 8), 8, 3, 24},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ppmtopcx " << c.options << " " << c.bpp << " x " << c.planes);
        const Bytes file = netpbmWrites(c.picture.get(), std::string("ppmtopcx ") + c.options);
        ASSERT_GT(file.size(), 128u);
        EXPECT_EQ(file[3], c.bpp);
        EXPECT_EQ(file[65], c.planes);
        UniqueDib back = decode(pixwerk::decodePcx, file);
        EXPECT_EQ(bitsOf(back), c.bits);
        EXPECT_TRUE(sameColours(c.picture, back));
    }
}

TEST(PcxFormat, ReadsPaletteAndCodingVariants) {
    {  // 8 bits without a palette at the end: grey
        PcxFields s{.bpp = 8, .paletteInfo = 2, .data = {0x00, 0x80, 0xC1, 0xC0, 0xC1, 0xFF}};
        UniqueDib d = decode(pixwerk::decodePcx, pcxFile(s));
        ASSERT_EQ(bitsOf(d), 8);
        EXPECT_EQ(colourAt(d, 0, 0), 0x000000u);
        EXPECT_EQ(colourAt(d, 1, 0), 0x808080u);
        EXPECT_EQ(colourAt(d, 2, 0), 0xC0C0C0u);
        EXPECT_EQ(colourAt(d, 3, 0), 0xFFFFFFu);
    }
    {  // 8 bits with the 256-colour palette
        PcxFields s{.bpp = 8, .data = {0xC4, 0x02}};
        s.endPalette.assign(768, 0);
        s.endPalette[6] = 0x12, s.endPalette[7] = 0x34, s.endPalette[8] = 0x56;
        EXPECT_EQ(colourAt(decode(pixwerk::decodePcx, pcxFile(s)), 3, 0), 0x123456u);
    }
    {  // version 3 carries no palette: the standard 16 colours
        PcxFields s{.version = 3, .bpp = 1, .planes = 4, .bytesPerLine = 2, .headerPalette = {9, 9, 9},
                  .data = {0x80, 0, 0, 0, 0, 0, 0x80, 0}};  // pixel 0 has bits 0 and 3
        UniqueDib d = decode(pixwerk::decodePcx, pcxFile(s));
        ASSERT_EQ(bitsOf(d), 4);
        EXPECT_EQ(colourAt(d, 0, 0), 0x5555FFu);
        EXPECT_EQ(colourAt(d, 1, 0), 0x000000u);
    }
    {  // a monochrome file with an empty header palette is black and white
        PcxFields s{.bpp = 1, .xmax = 7, .bytesPerLine = 2, .data = {0xC1, 0xF0, 0x00}};
        UniqueDib d = decode(pixwerk::decodePcx, pcxFile(s));
        ASSERT_EQ(bitsOf(d), 1);
        EXPECT_EQ(colourAt(d, 0, 0), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d, 7, 0), 0x000000u);
        s.headerPalette = {0xFF, 0, 0, 0, 0, 0xFF};  // its own two colours
        EXPECT_EQ(colourAt(decode(pixwerk::decodePcx, pcxFile(s)), 0, 0), 0x0000FFu);
    }
    {  // two bits in one plane, and four bits in one plane
        PcxFields s{.bpp = 2, .xmax = 3, .bytesPerLine = 2, .headerPalette = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4},
                  .data = {0x1B, 0x00}};
        UniqueDib d = decode(pixwerk::decodePcx, pcxFile(s));
        ASSERT_EQ(bitsOf(d), 4);
        EXPECT_EQ(colourAt(d, 0, 0), 0x010101u);
        EXPECT_EQ(colourAt(d, 3, 0), 0x040404u);
        s.bpp = 4;
        s.data = {0x30, 0x12};
        UniqueDib d4 = decode(pixwerk::decodePcx, pcxFile(s));
        EXPECT_EQ(colourAt(d4, 0, 0), 0x040404u);
        EXPECT_EQ(colourAt(d4, 3, 0), 0x030303u);
    }
    {  // a run that goes on into the next scan line; plain bytes without coding
        PcxFields s{.bpp = 8, .ymax = 1, .data = {0xC6, 0x07, 0x01, 0x02}};
        UniqueDib d = decode(pixwerk::decodePcx, pcxFile(s));
        ASSERT_TRUE(d);
        EXPECT_EQ(colourAt(d, 1, 1), 0x070707u);
        EXPECT_EQ(colourAt(d, 2, 1), 0x010101u);
        EXPECT_EQ(colourAt(d, 3, 1), 0x020202u);
        s.encoding = 0;
        s.data = {0xC6, 1, 2, 3, 4, 5, 6, 7};
        UniqueDib plain = decode(pixwerk::decodePcx, pcxFile(s));
        EXPECT_EQ(colourAt(plain, 0, 0), 0xC6C6C6u);
        EXPECT_EQ(colourAt(plain, 3, 1), 0x070707u);
    }
}

TEST(PcxFormat, RejectsDamagedFiles) {
    for (int bits : {1, 4, 24}) {
        UniqueDib src = runsPicture(29, 6, bits);
        const Bytes file = encode(pixwerk::encodePcx, src.get(), PW_PCX);
        EXPECT_EQ(truncationSweep(pixwerk::decodePcx, file, file.size()), 0) << bits;
    }
    UniqueDib pal = runsPicture(29, 6, 8);
    truncationSweep(pixwerk::decodePcx, encode(pixwerk::encodePcx, pal.get(), PW_PCX), 128);

    const PcxFields good{.bpp = 8, .data = {0xC4, 0x02}};
    ASSERT_TRUE(decode(pixwerk::decodePcx, pcxFile(good)));
    auto bad = [&](auto change) {
        PcxFields s = good;
        change(s);
        return rejects(pixwerk::decodePcx, pcxFile(s));
    };
    EXPECT_TRUE(bad([](PcxFields& s) { s.xmin = 4; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.ymin = 1; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.xmax = 32767, s.bytesPerLine = 32768; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.xmax = 32766, s.ymax = 32766, s.bytesPerLine = 32768; }));  // far too little data
    EXPECT_TRUE(bad([](PcxFields& s) { s.bytesPerLine = 3; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.bpp = 3; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.planes = 2; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.bpp = 1, s.planes = 5; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.version = 1; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.encoding = 2; }));
    EXPECT_TRUE(bad([](PcxFields& s) { s.data = {0xC4}; }));  // a run without its value
    EXPECT_TRUE(bad([](PcxFields& s) { s.data = {0xC3, 0x02}; }));  // one byte short
    Bytes other = pcxFile(good);
    other[0] = 0x0B;
    EXPECT_TRUE(rejects(pixwerk::decodePcx, other));
    EXPECT_TRUE(rejects(pixwerk::decodePcx, Bytes(other.begin(), other.begin() + 1)));
}

TEST(PcxFormat, SniffsItsSignature) {
    UniqueDib src = runsPicture(5, 5, 4);
    const Bytes file = encode(pixwerk::encodePcx, src.get(), PW_PCX);
    EXPECT_TRUE(pixwerk::sniffPcx(file.data(), file.size()));
    Bytes wrong = file;
    wrong[1] = 7;
    EXPECT_FALSE(pixwerk::sniffPcx(wrong.data(), wrong.size()));
    wrong = file;
    wrong[65] = 9;
    EXPECT_FALSE(pixwerk::sniffPcx(wrong.data(), wrong.size()));
    const Bytes bmp = encode(pixwerk::encodeBmp, src.get(), PW_BMP);
    EXPECT_FALSE(pixwerk::sniffPcx(bmp.data(), bmp.size()));
}

TEST(PcxFormat, OpensAndSavesThroughTheLibrary) {
    testsupport::TempDir dir;
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib src = runsPicture(40, 10, bits);
        const std::string path = dir.file("p" + std::to_string(bits) + ".PCX");
        ASSERT_EQ(SaveDib(src.get(), path.c_str(), PW_BY_EXTENSION, nullptr), 1);
        UniqueDib back;
        OpenDib(back.out(), path.c_str(), PW_PCX, nullptr);
        EXPECT_EQ(bitsOf(back), bits);
        EXPECT_TRUE(sameColours(src, back));
    }
}
