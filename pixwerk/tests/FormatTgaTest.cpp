#include "pixwerk/tests/OwnFormatsSupport.h"

using namespace ownformats;
using pixwerk::own::ByteBuffer;

namespace {

struct TgaFields {
    int mapType = 0;
    int type = 2;
    int mapFirst = 0, mapLength = 0, mapBits = 0;
    int width = 2, height = 1;
    int depth = 24;
    int descriptor = 0;
    Bytes id{};
    Bytes map{};
    Bytes data{};
};

Bytes tgaFile(const TgaFields& s) {
    ByteBuffer b;
    b.u8(static_cast<unsigned>(s.id.size()));
    b.u8(static_cast<unsigned>(s.mapType));
    b.u8(static_cast<unsigned>(s.type));
    b.le16(static_cast<unsigned>(s.mapFirst));
    b.le16(static_cast<unsigned>(s.mapLength));
    b.u8(static_cast<unsigned>(s.mapBits));
    b.le16(0);
    b.le16(0);
    b.le16(static_cast<unsigned>(s.width));
    b.le16(static_cast<unsigned>(s.height));
    b.u8(static_cast<unsigned>(s.depth));
    b.u8(static_cast<unsigned>(s.descriptor));
    for (const Bytes* part : {&s.id, &s.map, &s.data}) b.append(part->data(), part->size());
    return Bytes(b.data(), b.data() + b.size());
}

unsigned colourAt(const UniqueDib& dib, int x, int y) {
    const netpbm::RgbImage img = netpbm::toRgb(dib.get());
    const std::uint8_t* p = img.at(x, y);
    return unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
}

}  // namespace

TEST(TgaFormat, RoundTripsEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        for (auto [w, h] : {std::pair{1, 1}, {37, 5}, {301, 9}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits " << w << " x " << h);
            UniqueDib src = runsPicture(w, h, bits);
            const Bytes file = encode(pixwerk::encodeTga, src.get(), PW_TGA);
            ASSERT_GT(file.size(), 18u);
            EXPECT_EQ(file[2], bits == 24 ? 10 : 9);
            EXPECT_EQ(file[5] | file[6] << 8, bits == 24 ? 0 : 1 << bits);
            UniqueDib back = decode(pixwerk::decodeTga, file);
            EXPECT_EQ(bitsOf(back), bits);  // the colour count stays 2, 16, 256 or true colour
            EXPECT_TRUE(sameColours(src, back));
        }
    }
}

TEST(TgaFormat, NetpbmReadsOurFiles) {
    NETPBM_REQUIRE("tgatoppm");
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        UniqueDib src = runsPicture(300, 7, bits);
        const auto read = netpbmReads(encode(pixwerk::encodeTga, src.get(), PW_TGA), "tgatoppm");
        ASSERT_TRUE(read.has_value());
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(src.get()), *read));
    }
}

TEST(TgaFormat, ReadsNetpbmFiles) {
    NETPBM_REQUIRE("ppmtotga");
    struct Case {
        std::string options;
        int bits;
        bool grey;
        int type;
    };
    for (const bool packed : {true, false}) {
        for (const Case& c : {Case{"-cmap", 8, false, 1}, Case{"-rgb", 24, false, 2}, Case{"-rgb", 8, false, 2},
                              Case{"-mono", 8, true, 3}}) {
            SCOPED_TRACE(testing::Message() << c.options << (packed ? "" : " -norle"));
            UniqueDib src = runsPicture(83, 9, c.bits);
            if (c.grey) src = netpbm::testPicture(83, 9, 8, true);
            const Bytes file = netpbmWrites(src.get(), "ppmtotga " + c.options + (packed ? "" : " -norle"),
                                            c.grey ? netpbm::PnmKind::Pgm : netpbm::PnmKind::Ppm);
            ASSERT_GT(file.size(), 18u);
            EXPECT_EQ(file[2], c.type + (packed ? 8 : 0));
            UniqueDib back = decode(pixwerk::decodeTga, file);
            EXPECT_EQ(bitsOf(back), c.type == 2 ? 24 : 8);
            EXPECT_TRUE(sameColours(src, back));
        }
    }
}

TEST(TgaFormat, ReadsPixelAndMapVariants) {
    {  // 16 and 15 bits: 5-5-5, the top bit ignored
        for (int depth : {15, 16}) {
            TgaFields s{.width = 3, .depth = depth, .data = {0x00, 0xFC, 0xE0, 0x03, 0x10, 0x42}};
            UniqueDib d = decode(pixwerk::decodeTga, tgaFile(s));
            ASSERT_EQ(bitsOf(d), 24);
            EXPECT_EQ(colourAt(d, 0, 0), 0xFF0000u);
            EXPECT_EQ(colourAt(d, 1, 0), 0x00FF00u);
            EXPECT_EQ(colourAt(d, 2, 0), 0x848484u);
        }
    }
    {  // 32 bits: alpha over white when the descriptor counts alpha bits
        TgaFields s{.width = 3, .depth = 32, .descriptor = 8, .data = {0, 100, 200, 128, 1, 2, 3, 255, 9, 9, 9, 0}};
        UniqueDib d = decode(pixwerk::decodeTga, tgaFile(s));
        EXPECT_EQ(colourAt(d, 0, 0), 0xE3B17Fu);
        EXPECT_EQ(colourAt(d, 1, 0), 0x030201u);
        EXPECT_EQ(colourAt(d, 2, 0), 0xFFFFFFu);
        s.descriptor = 0;
        EXPECT_EQ(colourAt(decode(pixwerk::decodeTga, tgaFile(s)), 2, 0), 0x090909u);
    }
    {  // origins: bottom-left, top-left, right-to-left; an image ID before the pixels
        TgaFields s{.type = 3, .width = 2, .height = 2, .depth = 8, .id = {'h', 'e', 'l', 'l', 'o'}, .data = {1, 2, 3, 4}};
        const std::vector<std::pair<int, std::vector<unsigned>>> cases = {
            {0x00, {0x030303, 0x040404, 0x010101, 0x020202}},
            {0x20, {0x010101, 0x020202, 0x030303, 0x040404}},
            {0x10, {0x040404, 0x030303, 0x020202, 0x010101}},
            {0x30, {0x020202, 0x010101, 0x040404, 0x030303}}};
        for (const auto& [descriptor, want] : cases) {
            s.descriptor = descriptor;
            UniqueDib d = decode(pixwerk::decodeTga, tgaFile(s));
            for (int i = 0; i < 4; ++i) EXPECT_EQ(colourAt(d, i % 2, i / 2), want[i]) << descriptor << " " << i;
        }
    }
    {  // a colour map of 16-bit entries from index 10 on; indexes outside it are black
        TgaFields s{.mapType = 1, .type = 1, .mapFirst = 10, .mapLength = 2, .mapBits = 16, .width = 3, .depth = 8,
                  .map = {0x1F, 0x00, 0x00, 0x7C}, .data = {10, 11, 3}};
        UniqueDib d = decode(pixwerk::decodeTga, tgaFile(s));
        ASSERT_EQ(bitsOf(d), 4);  // a map that ends within 16 entries
        EXPECT_EQ(colourAt(d, 0, 0), 0x0000FFu);
        EXPECT_EQ(colourAt(d, 1, 0), 0xFF0000u);
        EXPECT_EQ(colourAt(d, 2, 0), 0x000000u);
        s.mapBits = 32, s.descriptor = 8;  // 32-bit entries with alpha
        s.map = {0, 0, 0, 0, 10, 20, 30, 255};
        UniqueDib d32 = decode(pixwerk::decodeTga, tgaFile(s));
        EXPECT_EQ(colourAt(d32, 0, 0), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d32, 1, 0), 0x1E140Au);
        // A pixel beyond the first 16 entries keeps the picture at 8 bits.
        s.data = {10, 11, 200};
        UniqueDib wide = decode(pixwerk::decodeTga, tgaFile(s));
        EXPECT_EQ(bitsOf(wide), 8);
        EXPECT_EQ(colourAt(wide, 2, 0), 0x000000u);
        // A map of two entries from index 0 gives a 1-bit picture.
        s.mapFirst = 0, s.data = {1, 0, 1};
        UniqueDib one = decode(pixwerk::decodeTga, tgaFile(s));
        ASSERT_EQ(bitsOf(one), 1);
        EXPECT_EQ(colourAt(one, 0, 0), 0x1E140Au);
        EXPECT_EQ(colourAt(one, 1, 0), 0xFFFFFFu);
    }
    {  // a true-colour file may carry a colour map, which is skipped
        TgaFields s{.mapType = 1, .type = 2, .mapLength = 2, .mapBits = 24, .width = 1, .map = {1, 2, 3, 4, 5, 6},
                  .data = {0x33, 0x22, 0x11}};
        EXPECT_EQ(colourAt(decode(pixwerk::decodeTga, tgaFile(s)), 0, 0), 0x112233u);
    }
    {  // packets go on across row ends; a packet past the last pixel is cut
        TgaFields s{.type = 11, .width = 3, .height = 2, .depth = 8, .descriptor = 0x20,
                  .data = {0x83, 7, 0x01, 1, 2}};
        UniqueDib d = decode(pixwerk::decodeTga, tgaFile(s));
        ASSERT_TRUE(d);
        const std::vector<unsigned> want = {7, 7, 7, 7, 1, 2};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(colourAt(d, i % 3, i / 3), want[i] * 0x010101u) << i;
        s.data = {0xFF, 5};
        UniqueDib cut = decode(pixwerk::decodeTga, tgaFile(s));
        EXPECT_EQ(colourAt(cut, 2, 1), 0x050505u);
    }
}

TEST(TgaFormat, RejectsDamagedFiles) {
    for (int bits : {8, 24}) {
        UniqueDib src = runsPicture(31, 6, bits);
        const Bytes file = encode(pixwerk::encodeTga, src.get(), PW_TGA);
        EXPECT_EQ(truncationSweep(pixwerk::decodeTga, file, file.size()), 0) << bits;
    }
    const TgaFields good{.mapType = 1, .type = 1, .mapLength = 2, .mapBits = 24, .width = 2, .depth = 8,
                       .map = {1, 2, 3, 4, 5, 6}, .data = {0, 1}};
    ASSERT_TRUE(decode(pixwerk::decodeTga, tgaFile(good)));
    auto bad = [&](auto change) {
        TgaFields s = good;
        change(s);
        return rejects(pixwerk::decodeTga, tgaFile(s));
    };
    EXPECT_TRUE(bad([](TgaFields& s) { s.mapFirst = 255; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.mapLength = 300; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.mapLength = 0; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.mapLength = 200; }));  // map past the end
    EXPECT_TRUE(bad([](TgaFields& s) { s.mapType = 0; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.mapType = 2; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.mapBits = 8; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.depth = 16; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.type = 0; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.type = 32; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.type = 2, s.depth = 12; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.type = 3, s.depth = 16; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.descriptor = 0x40; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.width = 0; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.height = 40000; }));
    EXPECT_TRUE(bad([](TgaFields& s) { s.width = 32767, s.height = 32767, s.type = 9; }));  // far too little data
    EXPECT_TRUE(bad([](TgaFields& s) { s.type = 9, s.data = {0x05, 0, 1}; }));  // a raw packet past the end
    EXPECT_TRUE(bad([](TgaFields& s) { s.id.assign(10, 'x'), s.map.clear(), s.data.clear(); }));
    EXPECT_TRUE(rejects(pixwerk::decodeTga, Bytes(10, 0)));
}

TEST(TgaFormat, SniffsItsHeader) {
    UniqueDib src = runsPicture(5, 5, 8);
    const Bytes file = encode(pixwerk::encodeTga, src.get(), PW_TGA);
    EXPECT_TRUE(pixwerk::sniffTga(file.data(), file.size()));
    for (pixwerk::Encoder other : {pixwerk::encodeBmp, pixwerk::encodePcx, pixwerk::encodeIff}) {
        const Bytes bytes = encode(other, src.get(), PW_BMP);
        EXPECT_FALSE(pixwerk::sniffTga(bytes.data(), bytes.size()));
    }
    Bytes wrong = file;
    wrong[16] = 24;  // a colour-mapped file of 24-bit pixels
    EXPECT_FALSE(pixwerk::sniffTga(wrong.data(), wrong.size()));
}

TEST(TgaFormat, OpensAndSavesThroughTheLibrary) {
    testsupport::TempDir dir;
    for (int bits : {4, 24}) {
        UniqueDib src = runsPicture(40, 10, bits);
        const std::string path = dir.file("t" + std::to_string(bits) + ".tga");
        ASSERT_EQ(SaveDib(src.get(), path.c_str(), PW_BY_EXTENSION, nullptr), 1);
        UniqueDib back;
        OpenDib(back.out(), path.c_str(), PW_BY_EXTENSION, nullptr);
        EXPECT_TRUE(sameColours(src, back));
        // Under another extension it still opens by its content.
        const std::string other = dir.file("t" + std::to_string(bits) + ".bmp");
        ASSERT_TRUE(testsupport::writeFile(other, testsupport::readFile(path)));
        UniqueDib again;
        OpenDib(again.out(), other.c_str(), PW_BY_EXTENSION, nullptr);
        EXPECT_TRUE(sameColours(src, again));
    }
}
