#include "pixwerk/tests/OwnFormatsSupport.h"

using namespace ownformats;
using pixwerk::own::ByteBuffer;

namespace {

// A BMP file put together field by field.
struct BmpFields {
    DWORD headerSize = 40;
    LONG width = 4;
    LONG height = 2;
    WORD planes = 1;
    int bits = 8;
    DWORD compression = BI_RGB;
    DWORD clrUsed = 0;
    std::vector<RGBQUAD> table{};
    std::vector<DWORD> masks{};  // red, green, blue (, alpha)
    Bytes pixels{};
    long offBits = -1;  // -1: right after the colour table
    std::size_t gap = 0;  // bytes between the colour table and the pixels
};

Bytes bmpFile(const BmpFields& s) {
    ByteBuffer h;
    h.le32(s.headerSize);
    if (s.headerSize == 12) {
        h.le16(static_cast<unsigned>(s.width));
        h.le16(static_cast<unsigned>(s.height));
        h.le16(s.planes);
        h.le16(static_cast<unsigned>(s.bits));
    } else {
        h.le32(static_cast<std::uint32_t>(s.width));
        h.le32(static_cast<std::uint32_t>(s.height));
        h.le16(s.planes);
        h.le16(static_cast<unsigned>(s.bits));
        h.le32(s.compression);
        h.le32(static_cast<std::uint32_t>(s.pixels.size()));
        h.le32(2835);
        h.le32(2835);
        h.le32(s.clrUsed);
        h.le32(0);
        const bool inside = s.headerSize >= 52 && s.headerSize != 64;
        if (inside)
            for (std::size_t i = 0; i < 4; ++i) h.le32(i < s.masks.size() ? s.masks[i] : 0);
        while (h.size() < s.headerSize) h.u8(0);
        if (!inside)
            for (DWORD m : s.masks) h.le32(m);
    }
    for (const RGBQUAD& q : s.table) {
        h.u8(q.rgbBlue);
        h.u8(q.rgbGreen);
        h.u8(q.rgbRed);
        if (s.headerSize != 12) h.u8(0);
    }
    h.fill(0xEE, s.gap);
    ByteBuffer f;
    const std::size_t off = s.offBits >= 0 ? static_cast<std::size_t>(s.offBits) : 14 + h.size();
    f.u8('B');
    f.u8('M');
    f.le32(static_cast<std::uint32_t>(14 + h.size() + s.pixels.size()));
    f.le32(0);
    f.le32(static_cast<std::uint32_t>(off));
    f.append(h);
    f.append(s.pixels.data(), s.pixels.size());
    return Bytes(f.data(), f.data() + f.size());
}

// Colour of pixel (x, y from the top) as 0xRRGGBB.
unsigned colourAt(const UniqueDib& dib, int x, int y) {
    const netpbm::RgbImage img = netpbm::toRgb(dib.get());
    const std::uint8_t* p = img.at(x, y);
    return unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
}

unsigned indexAt(const UniqueDib& dib, int x, int y) {
    return pixwerk::indexAt(pixwerk::rowFromTop(dib.get(), y), x, bitsOf(dib));
}

const std::vector<RGBQUAD> kGreys = {{0, 0, 0, 0}, {60, 60, 60, 0}, {120, 120, 120, 0}, {255, 255, 255, 0}};

}  // namespace

TEST(BmpFormat, RoundTripsEveryDepthPlainAndRunLength) {
    for (int bits : {1, 4, 8, 24}) {
        for (auto [w, h] : {std::pair{1, 1}, {37, 5}, {301, 9}}) {
            for (int type : {PW_BMP, PW_DIB, PW_RLE}) {
                SCOPED_TRACE(testing::Message() << bits << " bits " << w << " x " << h << " type " << type);
                UniqueDib src = runsPicture(w, h, bits);
                const Bytes file = encode(pixwerk::encodeBmp, src.get(), type);
                ASSERT_FALSE(file.empty());
                UniqueDib back = decode(pixwerk::decodeBmp, file);
                ASSERT_EQ(bitsOf(back), bits);
                EXPECT_TRUE(sameColours(src, back));
                for (int i = 0; i < pixwerk::own::tableSize(bits); ++i)
                    EXPECT_EQ(std::memcmp(&src.get().Info->bmiColors[i], &back.get().Info->bmiColors[i], 3), 0);
            }
        }
    }
}

TEST(BmpFormat, RunLengthFilesArePackedAtFourAndEightBits) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib src = runsPicture(300, 40, bits);
        const Bytes plain = encode(pixwerk::encodeBmp, src.get(), PW_BMP);
        const Bytes packed = encode(pixwerk::encodeBmp, src.get(), PW_RLE);
        const DWORD compression = packed[30] | packed[31] << 8;
        if (bits == 8 || bits == 4) {
            EXPECT_EQ(compression, bits == 8 ? BI_RLE8 : BI_RLE4);
            EXPECT_LT(packed.size(), plain.size() * 3 / 4);
        } else {
            EXPECT_EQ(compression, BI_RGB);
            EXPECT_EQ(packed, plain);
        }
    }
}

TEST(BmpFormat, NetpbmReadsOurFiles) {
    NETPBM_REQUIRE("bmptopnm");
    for (int bits : {1, 4, 8, 24}) {
        for (int type : {PW_BMP, PW_RLE}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, type " << type);
            UniqueDib src = runsPicture(71, 13, bits);
            const auto read = netpbmReads(encode(pixwerk::encodeBmp, src.get(), type), "bmptopnm");
            ASSERT_TRUE(read.has_value());
            EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(src.get()), *read));
        }
    }
}

TEST(BmpFormat, ReadsNetpbmWindowsAndOs2Files) {
    NETPBM_REQUIRE("ppmtobmp");
    for (const char* system : {"-windows", "-os2"}) {
        for (int bits : {1, 4, 8, 24}) {
            SCOPED_TRACE(testing::Message() << system << " " << bits << " bits");
            UniqueDib src = netpbm::testPicture(45, 11, bits);
            const Bytes file = netpbmWrites(src.get(), std::string("ppmtobmp ") + system + " -bpp=" + std::to_string(bits));
            ASSERT_GT(file.size(), 30u);
            EXPECT_EQ(file[14], std::string(system) == "-os2" ? 12 : 40);
            UniqueDib back = decode(pixwerk::decodeBmp, file);
            EXPECT_EQ(bitsOf(back), bits);
            EXPECT_TRUE(sameColours(src, back));
        }
    }
}

TEST(BmpFormat, ReadsSixteenAndThirtyTwoBitPixels) {
    {  // 16 bits without masks: 5-5-5
        BmpFields s{.width = 4, .height = 1, .bits = 16};
        s.pixels = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        ASSERT_EQ(bitsOf(d), 24);
        EXPECT_EQ(colourAt(d, 0, 0), 0xFF0000u);
        EXPECT_EQ(colourAt(d, 1, 0), 0x00FF00u);
        EXPECT_EQ(colourAt(d, 2, 0), 0x0000FFu);
        EXPECT_EQ(colourAt(d, 3, 0), 0x848484u);  // 16 of 31, rounded
    }
    {  // 16 bits, 5-6-5 masks after a 40-byte header
        BmpFields s{.width = 2, .height = 1, .bits = 16, .compression = BI_BITFIELDS};
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.pixels = {0xE0, 0x07, 0x20, 0x00};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        EXPECT_EQ(colourAt(d, 0, 0), 0x00FF00u);
        EXPECT_EQ(colourAt(d, 1, 0), 0x000400u);
    }
    {  // 32 bits without masks: the fourth byte is unused
        BmpFields s{.width = 2, .height = 1, .bits = 32};
        s.pixels = {10, 20, 30, 0x00, 40, 50, 60, 0x80};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        EXPECT_EQ(colourAt(d, 0, 0), 0x1E140Au);
        EXPECT_EQ(colourAt(d, 1, 0), 0x3C3228u);
    }
    {  // 32 bits with red and blue masks swapped
        BmpFields s{.width = 1, .height = 1, .bits = 32, .compression = BI_BITFIELDS};
        s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
        s.pixels = {0x11, 0x22, 0x33, 0};
        EXPECT_EQ(colourAt(decode(pixwerk::decodeBmp, bmpFile(s)), 0, 0), 0x112233u);
    }
    for (DWORD header : {108u, 124u}) {  // an alpha mask composites over white
        BmpFields s{.headerSize = header, .width = 3, .height = 1, .bits = 32, .compression = BI_BITFIELDS};
        s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        s.pixels = {0, 100, 200, 128, 1, 2, 3, 255, 9, 9, 9, 0};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        EXPECT_EQ(colourAt(d, 0, 0), 0xE3B17Fu);  // (227, 177, 127)
        EXPECT_EQ(colourAt(d, 1, 0), 0x030201u);
        EXPECT_EQ(colourAt(d, 2, 0), 0xFFFFFFu);
        s.pixels = {0, 100, 200, 0, 1, 2, 3, 0, 9, 9, 9, 0};  // every alpha 0: written without alpha
        UniqueDib opaque = decode(pixwerk::decodeBmp, bmpFile(s));
        EXPECT_EQ(colourAt(opaque, 0, 0), 0xC86400u);
        EXPECT_EQ(colourAt(opaque, 2, 0), 0x090909u);
    }
}

TEST(BmpFormat, ReadsHeaderAndTableVariants) {
    {  // negative height: the first row in the file is the top row
        BmpFields s{.width = 2, .height = -2, .bits = 8, .table = kGreys};
        s.pixels = {1, 2, 0, 0, 3, 0, 0, 0};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        ASSERT_TRUE(d);
        EXPECT_EQ(d.get().Info->bmiHeader.biHeight, 2);
        EXPECT_EQ(indexAt(d, 0, 0), 1u);
        EXPECT_EQ(indexAt(d, 1, 0), 2u);
        EXPECT_EQ(indexAt(d, 0, 1), 3u);
    }
    {  // 2 bits become 4
        BmpFields s{.width = 5, .height = 1, .bits = 2, .table = kGreys};
        s.pixels = {0b00011011, 0b11000000, 0, 0};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        ASSERT_EQ(bitsOf(d), 4);
        for (int x = 0; x < 5; ++x) EXPECT_EQ(indexAt(d, x, 0), std::vector<unsigned>({0, 1, 2, 3, 3})[x]);
        EXPECT_EQ(colourAt(d, 3, 0), 0xFFFFFFu);
    }
    {  // a short colour table (biClrUsed 3); missing entries are black
        BmpFields s{.width = 4, .height = 1, .bits = 8, .clrUsed = 3};
        s.table = {kGreys[1], kGreys[2], kGreys[3]};
        s.pixels = {0, 1, 2, 200};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        ASSERT_EQ(bitsOf(d), 8);
        EXPECT_EQ(colourAt(d, 0, 0), 0x3C3C3Cu);
        EXPECT_EQ(colourAt(d, 2, 0), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d, 3, 0), 0x000000u);
    }
    {  // OS/2 2.x 64-byte header; an offset past a gap
        BmpFields s{.headerSize = 64, .width = 3, .height = 1, .bits = 4, .clrUsed = 4, .table = kGreys, .gap = 10};
        s.pixels = {0x12, 0x30, 0, 0};
        s.offBits = 14 + 64 + 16 + 10;
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        EXPECT_EQ(colourAt(d, 0, 0), 0x3C3C3Cu);
        EXPECT_EQ(colourAt(d, 2, 0), 0xFFFFFFu);
    }
    {  // no pixel offset: the pixels follow the table
        BmpFields s{.width = 2, .height = 1, .bits = 8, .clrUsed = 4, .table = kGreys, .offBits = 0};
        s.pixels = {3, 2, 0, 0};
        EXPECT_EQ(colourAt(decode(pixwerk::decodeBmp, bmpFile(s)), 0, 0), 0xFFFFFFu);
    }
    {  // OS/2 1.x: the offset shows a table of two triples for 8 bits
        BmpFields s{.headerSize = 12, .width = 2, .height = 1, .bits = 8, .table = {kGreys[3], kGreys[1]}};
        s.pixels = {1, 0, 0, 0};
        UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
        EXPECT_EQ(colourAt(d, 0, 0), 0x3C3C3Cu);
        EXPECT_EQ(colourAt(d, 1, 0), 0xFFFFFFu);
    }
}

TEST(BmpFormat, DecodesRunLengthEscapesAndClipsRuns) {
    BmpFields s{.width = 6, .height = 4, .bits = 8, .compression = BI_RLE8, .table = kGreys};
    s.pixels = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0,  // row 0: a run, three literal pixels and a pad byte
                10, 7, 0, 0,                   // row 1: a run of 10 cut at 6 pixels
                0, 2, 2, 1,                    // delta: two right, one up (row 2 stays 0)
                2, 9, 0, 1};                   // row 3: two pixels, end of bitmap
    UniqueDib d = decode(pixwerk::decodeBmp, bmpFile(s));
    ASSERT_TRUE(d);
    const std::vector<std::vector<unsigned>> rowsFromBottom = {
        {5, 5, 5, 1, 2, 3}, {7, 7, 7, 7, 7, 7}, {0, 0, 0, 0, 0, 0}, {0, 0, 9, 9, 0, 0}};
    for (int fy = 0; fy < 4; ++fy)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(indexAt(d, x, 3 - fy), rowsFromBottom[fy][x]) << x << "," << fy;

    BmpFields s4{.width = 9, .height = 1, .bits = 4, .compression = BI_RLE4, .table = kGreys};
    s4.pixels = {5, 0x12, 0, 3, 0x34, 0x50, 20, 0x66, 0, 1};  // the last run is cut at the row's end
    UniqueDib d4 = decode(pixwerk::decodeBmp, bmpFile(s4));
    ASSERT_EQ(bitsOf(d4), 4);
    const std::vector<unsigned> want = {1, 2, 1, 2, 1, 3, 4, 5, 6};
    for (int x = 0; x < 9; ++x) EXPECT_EQ(indexAt(d4, x, 0), want[x]) << x;
}

TEST(BmpFormat, RejectsDamagedFiles) {
    UniqueDib rgb = runsPicture(4, 6, 24);  // rows without padding
    const Bytes plain = encode(pixwerk::encodeBmp, rgb.get(), PW_BMP);
    EXPECT_EQ(truncationSweep(pixwerk::decodeBmp, plain, plain.size()), 0);
    UniqueDib pal = runsPicture(33, 7, 8);
    const Bytes rle = encode(pixwerk::encodeBmp, pal.get(), PW_RLE);
    EXPECT_EQ(truncationSweep(pixwerk::decodeBmp, rle, rle.size() - 2), 2);  // only the end code may be missing
    UniqueDib pal4 = runsPicture(33, 7, 4);
    const Bytes rle4 = encode(pixwerk::encodeBmp, pal4.get(), PW_RLE);
    truncationSweep(pixwerk::decodeBmp, rle4, rle4.size() - 2);

    const BmpFields good{.width = 2, .height = 1, .bits = 8, .table = kGreys, .pixels = {0, 1, 0, 0}};
    ASSERT_TRUE(decode(pixwerk::decodeBmp, bmpFile(good)));
    auto bad = [&](auto change) {
        BmpFields s = good;
        change(s);
        return rejects(pixwerk::decodeBmp, bmpFile(s));
    };
    EXPECT_TRUE(bad([](BmpFields& s) { s.width = 0; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.width = -2; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.width = 32768; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.height = 0; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.height = 40000; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.height = -32768; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.height = INT32_MIN; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.clrUsed = 257; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.bits = 7; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.planes = 3; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.headerSize = 13; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.compression = 4; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.compression = BI_RLE4; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.offBits = 5000; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.height = 1000; }));  // pixels for one row only
    EXPECT_TRUE(bad([](BmpFields& s) { s.bits = 24, s.compression = BI_BITFIELDS; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.bits = 16, s.compression = BI_BITFIELDS, s.masks = {0xF0F0, 0x0F00, 0x000F}; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.bits = 16, s.compression = BI_BITFIELDS, s.masks = {0xFF00, 0x0FF0, 0x000F}; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.bits = 16, s.compression = BI_BITFIELDS, s.masks = {0x70000, 0x00FF, 0x0F00}; }));
    EXPECT_TRUE(bad([](BmpFields& s) { s.compression = BI_RLE8, s.pixels = {0, 50, 1, 2, 3}; }));  // literal past the end
    EXPECT_TRUE(bad([](BmpFields& s) { s.compression = BI_RLE8, s.pixels = {0, 2, 1}; }));  // delta past the end
    EXPECT_TRUE(bad([](BmpFields& s) { s.compression = BI_RLE8, s.height = 3, s.pixels = {2, 1, 0, 0}; }));
    EXPECT_TRUE(rejects(pixwerk::decodeBmp, Bytes{'B', 'M'}));
    EXPECT_TRUE(rejects(pixwerk::decodeBmp, Bytes{}));
}

TEST(BmpFormat, SniffsItsSignature) {
    UniqueDib src = runsPicture(5, 5, 8);
    const Bytes file = encode(pixwerk::encodeBmp, src.get(), PW_BMP);
    EXPECT_TRUE(pixwerk::sniffBmp(file.data(), file.size()));
    Bytes wrongHeader = file;
    wrongHeader[14] = 13;
    EXPECT_FALSE(pixwerk::sniffBmp(wrongHeader.data(), wrongHeader.size()));
    EXPECT_FALSE(pixwerk::sniffBmp(file.data(), 10));
    const Bytes pcx = encode(pixwerk::encodePcx, src.get(), PW_PCX);
    EXPECT_FALSE(pixwerk::sniffBmp(pcx.data(), pcx.size()));
}

TEST(BmpFormat, OpensAndSavesThroughTheLibrary) {
    testsupport::TempDir dir;
    UniqueDib src = runsPicture(50, 20, 8);
    for (const char* name : {"a.bmp", "b.DIB", "c.rle"}) {
        const std::string path = dir.file(name);
        ASSERT_EQ(SaveDib(src.get(), path.c_str(), PW_BY_EXTENSION, nullptr), 1);
        const Bytes file = testsupport::readFile(path);
        ASSERT_GT(file.size(), 54u);
        EXPECT_EQ(static_cast<DWORD>(file[30]), std::string(name) == "c.rle" ? BI_RLE8 : BI_RGB);
        UniqueDib back;
        OpenDib(back.out(), path.c_str(), PW_BY_EXTENSION, nullptr);
        EXPECT_TRUE(sameColours(src, back));
    }
    // A BMP under another extension opens by its content.
    const std::string other = dir.file("really-a-bmp.pcx");
    ASSERT_TRUE(testsupport::writeFile(other, encode(pixwerk::encodeBmp, src.get(), PW_BMP)));
    UniqueDib back;
    OpenDib(back.out(), other.c_str(), PW_BY_EXTENSION, nullptr);
    EXPECT_TRUE(sameColours(src, back));
}
