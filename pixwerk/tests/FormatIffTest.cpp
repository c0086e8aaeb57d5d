#include "pixwerk/tests/OwnFormatsSupport.h"

using namespace ownformats;
using pixwerk::own::ByteBuffer;

namespace {

struct Chunk {
    std::string id;
    Bytes data;
    std::int64_t declared = -1;  // a length other than the data's
};

Bytes bmhd(int width, int height, int planes, int masking = 0, int compression = 1) {
    ByteBuffer b;
    b.be16(static_cast<unsigned>(width));
    b.be16(static_cast<unsigned>(height));
    b.be32(0);
    b.u8(static_cast<unsigned>(planes));
    b.u8(static_cast<unsigned>(masking));
    b.u8(static_cast<unsigned>(compression));
    b.u8(0);
    b.be16(0);
    b.u8(1);
    b.u8(1);
    b.be16(static_cast<unsigned>(width));
    b.be16(static_cast<unsigned>(height));
    return Bytes(b.data(), b.data() + b.size());
}

Bytes be32(std::uint32_t v) { return {BYTE(v >> 24), BYTE(v >> 16), BYTE(v >> 8), BYTE(v)}; }

Bytes iffFile(const char* type, const std::vector<Chunk>& chunks, std::int64_t formLength = -1) {
    ByteBuffer body;
    body.append(reinterpret_cast<const BYTE*>(type), 4);
    for (const Chunk& c : chunks) {
        body.append(reinterpret_cast<const BYTE*>(c.id.data()), 4);
        body.be32(static_cast<std::uint32_t>(c.declared >= 0 ? c.declared : std::int64_t(c.data.size())));
        body.append(c.data.data(), c.data.size());
        if (c.data.size() & 1) body.u8(0);
    }
    ByteBuffer f;
    f.tag("FORM");
    f.be32(static_cast<std::uint32_t>(formLength >= 0 ? formLength : std::int64_t(body.size())));
    f.append(body);
    return Bytes(f.data(), f.data() + f.size());
}

unsigned colourAt(const UniqueDib& dib, int x, int y) {
    const netpbm::RgbImage img = netpbm::toRgb(dib.get());
    const std::uint8_t* p = img.at(x, y);
    return unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
}

const Bytes kCmap = {0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0xFF, 0xFF, 0xFF};

std::string formType(const Bytes& file) { return file.size() >= 12 ? std::string(file.begin() + 8, file.begin() + 12) : ""; }

}  // namespace

TEST(IffFormat, RoundTripsEveryDepthAsIlbmAndPbm) {
    for (int type : {PW_IFF, PW_LBM}) {
        for (int bits : {1, 4, 8, 24}) {
            for (auto [w, h] : {std::pair{1, 1}, {37, 5}, {40, 3}, {301, 9}}) {
                SCOPED_TRACE(testing::Message() << "type " << type << ", " << bits << " bits " << w << " x " << h);
                UniqueDib src = runsPicture(w, h, bits);
                const Bytes file = encode(pixwerk::encodeIff, src.get(), type);
                // Odd PBM rows are read two ways by other programs: such pictures go as ILBM.
                EXPECT_EQ(formType(file), type == PW_LBM && bits == 8 && w % 2 == 0 ? "PBM " : "ILBM");
                UniqueDib back = decode(pixwerk::decodeIff, file);
                EXPECT_EQ(bitsOf(back), bits);
                EXPECT_TRUE(sameColours(src, back));
            }
        }
    }
}

TEST(IffFormat, NetpbmReadsOurFiles) {
    NETPBM_REQUIRE("ilbmtoppm");
    for (int type : {PW_IFF, PW_LBM}) {
        for (int bits : {1, 4, 8, 24}) {
            for (int width : {180, 181}) {
                SCOPED_TRACE(testing::Message() << "type " << type << ", " << bits << " bits, width " << width);
                UniqueDib src = runsPicture(width, 7, bits);
                const auto read = netpbmReads(encode(pixwerk::encodeIff, src.get(), type), "ilbmtoppm");
                ASSERT_TRUE(read.has_value());
                EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(src.get()), *read));
            }
        }
    }
}

TEST(IffFormat, ReadsNetpbmFiles) {
    NETPBM_REQUIRE("ppmtoilbm");
    struct Case {
        std::string options;
        int pictureBits;
        int planes;
        int bits;
    };
    const Case cases[] = {
        {"", 1, 1, 1},           {"", 4, 4, 4},
        {"-fixplanes 3", 1, 3, 4}, {"-fixplanes 6", 4, 6, 8},
        {"-maxplanes 8", 8, 6, 8}, {"-fixplanes 8", 8, 8, 8}, {"-fixplanes 8 -nocompress", 8, 8, 8},
        {"-24force", 8, 24, 24}, {"-24force -nocompress", 24, 24, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ppmtoilbm " + c.options);
        UniqueDib src = runsPicture(53, 9, c.pictureBits);
        const Bytes file = netpbmWrites(src.get(), "ppmtoilbm " + c.options);
        ASSERT_GT(file.size(), 40u);
        EXPECT_EQ(file[28], c.planes);
        UniqueDib back = decode(pixwerk::decodeIff, file);
        EXPECT_EQ(bitsOf(back), c.bits);
        EXPECT_TRUE(sameColours(src, back));
    }
}

TEST(IffFormat, ReadsHam) {
    {  // HAM6: a palette colour, then red and blue changed; 4-bit values scaled to 0..255
        const Bytes body = {0xE0, 0, 0x60, 0, 0x40, 0, 0x40, 0, 0x20, 0, 0x40, 0};
        UniqueDib d = decode(pixwerk::decodeIff, iffFile("ILBM", {{"BMHD", bmhd(3, 1, 6, 0, 0)}, {"CAMG", be32(0x800)},
                                                                  {"CMAP", kCmap}, {"BODY", body}}));
        ASSERT_EQ(bitsOf(d), 24);
        EXPECT_EQ(colourAt(d, 0, 0), 0x102030u);
        EXPECT_EQ(colourAt(d, 1, 0), 0xFF2030u);
        EXPECT_EQ(colourAt(d, 2, 0), 0xFF2033u);
    }
    NETPBM_REQUIRE("ilbmtoppm");
    // netpbm shifts changed values (4 bits: v x 16, 6 bits: v x 4) where we scale them to
    // the full range (v x 17, v x 4 + v / 16); everything else agrees exactly.
    for (auto [options, tolerance] : {std::pair{"-hamforce", 15}, {"-ham8 -hamforce", 3}}) {
        SCOPED_TRACE(options);
        UniqueDib src = netpbm::testPicture(64, 16, 24);
        const Bytes file = netpbmWrites(src.get(), std::string("ppmtoilbm ") + options);
        ASSERT_GT(file.size(), 40u);
        const auto theirs = netpbmReads(file, "ilbmtoppm");
        ASSERT_TRUE(theirs.has_value());
        UniqueDib ours = decode(pixwerk::decodeIff, file);
        ASSERT_EQ(bitsOf(ours), 24);
        EXPECT_TRUE(netpbm::samePixels(*theirs, netpbm::toRgb(ours.get()), tolerance));
    }
}

TEST(IffFormat, ReadsChunkAndPlaneVariants) {
    {  // a mask plane after each row's planes; odd chunks padded; ByteRun1 off
        const Bytes body = {0x80, 0, 0xC0, 0, 0xFF, 0xFF,  // row 0: plane 0, plane 1, mask
                            0x40, 0, 0x40, 0, 0xFF, 0xFF}; // row 1
        const Bytes file = iffFile("ILBM", {{"BMHD", bmhd(3, 2, 2, 1, 0)}, {"ANNO", {'a', 'b', 'c'}},
                                            {"CMAP", kCmap}, {"BODY", body}});
        UniqueDib d = decode(pixwerk::decodeIff, file);
        ASSERT_EQ(bitsOf(d), 4);
        EXPECT_EQ(colourAt(d, 0, 0), 0xFFFFFFu);  // both planes set
        EXPECT_EQ(colourAt(d, 1, 0), 0x405060u);
        EXPECT_EQ(colourAt(d, 1, 1), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d, 2, 1), 0x000000u);
    }
    {  // without CMAP the planes index greys; a run past the row's end is cut
        UniqueDib grey = decode(pixwerk::decodeIff, iffFile("ILBM", {{"BMHD", bmhd(3, 1, 1)}, {"BODY", {0x00, 0xA0, 0xFF, 0x00}}}));
        ASSERT_EQ(bitsOf(grey), 1);
        EXPECT_EQ(colourAt(grey, 0, 0), 0xFFFFFFu);
        EXPECT_EQ(colourAt(grey, 1, 0), 0x000000u);
        EXPECT_EQ(colourAt(grey, 2, 0), 0xFFFFFFu);
        // A CMAP shorter than the planes allow leaves the other colours black.
        const Bytes body = {0xC0, 0, 0x80, 0, 0x40, 0};
        UniqueDib d = decode(pixwerk::decodeIff, iffFile("ILBM", {{"BMHD", bmhd(2, 1, 3, 0, 0)}, {"CMAP", kCmap}, {"BODY", body}}));
        ASSERT_EQ(bitsOf(d), 4);
        EXPECT_EQ(colourAt(d, 0, 0), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d, 1, 0), 0x000000u);
    }
    {  // a run past the end of the row is cut there: the next row starts afresh
        const Bytes body = {0x81, 0xFF, 0x01, 0x40, 0x00};  // row 0: a run of 128 ones; row 1: 0x40 0x00
        UniqueDib d = decode(pixwerk::decodeIff, iffFile("ILBM", {{"BMHD", bmhd(16, 2, 1)}, {"CMAP", kCmap}, {"BODY", body}}));
        ASSERT_TRUE(d);
        EXPECT_EQ(colourAt(d, 15, 0), 0x102030u);
        EXPECT_EQ(colourAt(d, 0, 1), 0x000000u);
        EXPECT_EQ(colourAt(d, 1, 1), 0x102030u);
    }
    {  // extra half-brite: colours 32 to 63 are the first 32 at half brightness
        Bytes body(6 * 2, 0);
        body[0] = 0x80, body[10] = 0x80;  // pixel 0 of planes 0 and 5: index 33
        Bytes cmap(32 * 3, 0);
        cmap[3] = 0x80, cmap[4] = 0x40, cmap[5] = 0xFF;
        UniqueDib d = decode(pixwerk::decodeIff, iffFile("ILBM", {{"BMHD", bmhd(2, 1, 6, 0, 0)}, {"CAMG", be32(0x80)},
                                                                  {"CMAP", cmap}, {"BODY", body}}));
        ASSERT_EQ(bitsOf(d), 8);
        EXPECT_EQ(colourAt(d, 0, 0), 0x40207Fu);
    }
    {  // PBM: one byte a pixel, rows padded to even lengths
        UniqueDib d = decode(pixwerk::decodeIff, iffFile("PBM ", {{"BMHD", bmhd(3, 2, 8, 0, 0)}, {"CMAP", kCmap},
                                                                  {"BODY", {1, 2, 3, 9, 3, 2, 1, 9}}}));
        ASSERT_EQ(bitsOf(d), 8);
        EXPECT_EQ(colourAt(d, 0, 0), 0x102030u);
        EXPECT_EQ(colourAt(d, 2, 0), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d, 0, 1), 0xFFFFFFu);
        EXPECT_EQ(colourAt(d, 2, 1), 0x102030u);
        UniqueDib unpadded = decode(pixwerk::decodeIff, iffFile("PBM ", {{"BMHD", bmhd(3, 2, 8, 0, 0)}, {"CMAP", kCmap},
                                                                         {"BODY", {1, 2, 3, 3, 2, 1}}}));
        EXPECT_EQ(colourAt(unpadded, 0, 1), 0xFFFFFFu);
        EXPECT_EQ(colourAt(unpadded, 2, 1), 0x102030u);
    }
}

TEST(IffFormat, RejectsDamagedFiles) {
    for (int type : {PW_IFF, PW_LBM}) {
        for (int bits : {4, 8, 24}) {
            UniqueDib src = runsPicture(29, 6, bits);
            const Bytes file = encode(pixwerk::encodeIff, src.get(), type);
            EXPECT_EQ(truncationSweep(pixwerk::decodeIff, file, file.size()), 0) << type << " " << bits;
        }
    }
    const Bytes header = bmhd(4, 1, 2, 0, 0);
    const Bytes body = {0x10, 0, 0x20, 0};
    ASSERT_TRUE(decode(pixwerk::decodeIff, iffFile("ILBM", {{"BMHD", header}, {"CMAP", kCmap}, {"BODY", body}})));
    auto bad = [&](const std::vector<Chunk>& chunks, const char* type = "ILBM", std::int64_t form = -1) {
        return rejects(pixwerk::decodeIff, iffFile(type, chunks, form));
    };
    EXPECT_TRUE(bad({{"BMHD", header}, {"BODY", body, 5}}));                 // chunk past the end
    EXPECT_TRUE(bad({{"BMHD", header}, {"BODY", body, 0xFFFFFFF0}}));
    EXPECT_TRUE(bad({{"BMHD", header}, {"BODY", body}}, "ILBM", 400));      // FORM past the end
    EXPECT_TRUE(bad({{"BMHD", header}, {"BODY", body}}, "ILBM", 2));
    EXPECT_TRUE(bad({{"BODY", body}}));
    EXPECT_TRUE(bad({{"BMHD", header}}));
    EXPECT_TRUE(bad({{"BMHD", Bytes(header.begin(), header.begin() + 12)}, {"BODY", body}}));
    EXPECT_TRUE(bad({{"BMHD", header}, {"CMAP", Bytes(257 * 3, 1)}, {"BODY", body}}));
    EXPECT_TRUE(bad({{"BMHD", bmhd(0, 1, 2, 0, 0)}, {"BODY", body}}));
    EXPECT_TRUE(bad({{"BMHD", bmhd(4, 40000, 2, 0, 0)}, {"BODY", body}}));
    EXPECT_TRUE(bad({{"BMHD", bmhd(4, 1, 9, 0, 0)}, {"BODY", Bytes(40, 0)}}));
    EXPECT_TRUE(bad({{"BMHD", bmhd(4, 1, 0, 0, 0)}, {"BODY", body}}));
    EXPECT_TRUE(bad({{"BMHD", bmhd(4, 1, 2, 0, 2)}, {"BODY", body}}));
    EXPECT_TRUE(bad({{"BMHD", bmhd(4, 1, 24, 0, 0)}, {"BODY", Bytes(24, 0)}}, "PBM "));
    EXPECT_TRUE(bad({{"BMHD", bmhd(32767, 32767, 24)}, {"BODY", body}}));    // far too little data
    EXPECT_TRUE(bad({{"BMHD", bmhd(4, 1, 2, 0, 1)}, {"BODY", {0x05, 1, 2}}}));  // literal past the end
    EXPECT_TRUE(bad({{"BMHD", header}, {"BODY", body}}, "ACBM"));
    EXPECT_TRUE(rejects(pixwerk::decodeIff, Bytes{'F', 'O', 'R', 'M', 0, 0}));
    EXPECT_TRUE(rejects(pixwerk::decodeIff, Bytes{'L', 'I', 'S', 'T', 0, 0, 0, 4, 'I', 'L', 'B', 'M'}));
}

TEST(IffFormat, SniffsItsSignature) {
    UniqueDib src = runsPicture(5, 5, 8);
    for (int type : {PW_IFF, PW_LBM}) {
        const Bytes file = encode(pixwerk::encodeIff, src.get(), type);
        EXPECT_TRUE(pixwerk::sniffIff(file.data(), file.size()));
        EXPECT_FALSE(pixwerk::sniffIff(file.data(), 11));
    }
    const Bytes other = iffFile("AIFF", {{"COMM", Bytes(18, 0)}});
    EXPECT_FALSE(pixwerk::sniffIff(other.data(), other.size()));
}

TEST(IffFormat, OpensAndSavesThroughTheLibrary) {
    testsupport::TempDir dir;
    UniqueDib src = runsPicture(40, 10, 8);
    for (const char* name : {"a.iff", "b.LBM"}) {
        const std::string path = dir.file(name);
        ASSERT_EQ(SaveDib(src.get(), path.c_str(), PW_BY_EXTENSION, nullptr), 1);
        EXPECT_EQ(formType(testsupport::readFile(path)), std::string(name) == "a.iff" ? "ILBM" : "PBM ");
        UniqueDib back;
        OpenDib(back.out(), path.c_str(), PW_BY_EXTENSION, nullptr);
        EXPECT_TRUE(sameColours(src, back));
    }
}
