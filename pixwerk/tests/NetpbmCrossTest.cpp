// Pictures written by netpbm open to the same pixels, and netpbm reads ours.
#include "pixwerk/tests/LibraryFormatsSupport.h"

using namespace libformats;

namespace {

struct Sample {
    const char* name;
    UniqueDib dib;
    netpbm::PnmKind kind;
};

// Black and white, grey, a few colours and many colours.
std::vector<Sample> samples() {
    std::vector<Sample> out;
    out.push_back({"black and white", netpbm::testPicture(35, 22, 1), netpbm::PnmKind::Pbm});
    out.push_back({"grey", netpbm::testPicture(35, 22, 8, true), netpbm::PnmKind::Pgm});
    out.push_back({"16 colours", netpbm::testPicture(35, 22, 4), netpbm::PnmKind::Ppm});
    out.push_back({"true colour", netpbm::testPicture(35, 22, 24), netpbm::PnmKind::Ppm});
    return out;
}

// A smooth colourful picture for the lossy format.
UniqueDib smooth(int width, int height) {
    UniqueDib dib = netpbm::testPicture(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) setpixel(dib.get(), x, y, (x * 4) | (y * 5) << 8 | (128 + x - y) << 16);
    return dib;
}

// Writes `dib` as PNM, runs `writer` on it and opens the result with OpenDib.
UniqueDib throughWriter(const TDib& dib, netpbm::PnmKind kind, const std::string& writer, const std::string& ext) {
    testsupport::TempDir dir;
    const std::string pnm = dir.file("in.pnm"), file = dir.file("out." + ext);
    EXPECT_TRUE(netpbm::writePnm(pnm, dib, kind));
    EXPECT_TRUE(netpbm::convert(writer, pnm, file)) << writer;
    UniqueDib out;
    OpenDib(out.out(), file.c_str(), 0, nullptr);
    return out;
}

// Saves `dib` with SaveDib and reads it with `reader`; also what OpenDib makes of the file.
std::optional<netpbm::RgbImage> throughReader(const TDib& dib, const std::string& ext, const std::string& reader,
                                              UniqueDib* reopened = nullptr) {
    testsupport::TempDir dir;
    const std::string file = dir.file("ours." + ext), pnm = dir.file("back.pnm");
    EXPECT_EQ(SaveDib(dib, file.c_str(), 0, nullptr), 1);
    if (reopened) OpenDib(reopened->out(), file.c_str(), 0, nullptr);
    if (!netpbm::convert(reader, file, pnm)) return std::nullopt;
    return netpbm::readPnm(pnm);
}

void expectWritersRead(const std::vector<std::string>& writers, const std::string& ext) {
    for (const Sample& s : samples())
        for (const std::string& writer : writers) {
            if (writer.find("miniswhite") != std::string::npos && s.kind == netpbm::PnmKind::Ppm) continue;
            const UniqueDib dib = throughWriter(s.dib.get(), s.kind, writer, ext);
            ASSERT_TRUE(dib) << writer << ", " << s.name << ": " << DibErrorText(dib.get());
            EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(s.dib.get()), netpbm::toRgb(dib.get()))) << writer << ", " << s.name;
        }
}

void expectReaderReads(const std::string& ext, const std::string& reader) {
    for (const Sample& s : samples()) {
        const auto back = throughReader(s.dib.get(), ext, reader);
        ASSERT_TRUE(back) << reader << " failed on " << s.name;
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(s.dib.get()), *back)) << reader << ", " << s.name;
    }
}

}  // namespace

TEST(NetpbmCross, Png) {
    NETPBM_REQUIRE("pnmtopng");
    NETPBM_REQUIRE("pngtopnm");
    expectWritersRead({"pnmtopng", "pnmtopng -interlace", "pnmtopng -compression=0"}, "png");
    expectReaderReads("png", "pngtopnm");
}

TEST(NetpbmCross, Tiff) {
    NETPBM_REQUIRE("pnmtotiff");
    NETPBM_REQUIRE("tifftopnm");
    expectWritersRead({"pnmtotiff", "pnmtotiff -lzw", "pnmtotiff -packbits -rowsperstrip=3", "pnmtotiff -flate -truecolor",
                       "pnmtotiff -miniswhite"},
                      "tif");
    expectReaderReads("tif", "tifftopnm");
}

TEST(NetpbmCross, Gif) {
    NETPBM_REQUIRE("ppmtogif");
    NETPBM_REQUIRE("giftopnm");
    for (const Sample& s : samples()) {
        if (s.dib.get().Info->bmiHeader.biBitCount == 24) continue;  // GIF holds 256 colours
        for (const std::string writer : {"ppmtogif", "ppmtogif -interlace", "pamtogif"}) {
            const UniqueDib dib = throughWriter(s.dib.get(), s.kind, writer, "gif");
            EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(s.dib.get()), netpbm::toRgb(dib.get()))) << writer << ", " << s.name;
        }
        const auto back = throughReader(s.dib.get(), "gif", "giftopnm");
        ASSERT_TRUE(back) << s.name;
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(s.dib.get()), *back)) << s.name;
    }
    // A true-colour picture is reduced on saving; netpbm sees the reduced colours.
    UniqueDib reduced;
    const auto back = throughReader(netpbm::testPicture(64, 48, 24).get(), "gif", "giftopnm", &reduced);
    ASSERT_TRUE(back && reduced);
    EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(reduced.get()), *back));
}

TEST(NetpbmCross, Jpeg) {
    NETPBM_REQUIRE("pnmtojpeg");
    NETPBM_REQUIRE("jpegtopnm");
    const UniqueDib colour = smooth(64, 48), grey = netpbm::testPicture(64, 48, 8, true);
    for (const auto& [dib, kind] : {std::pair{&colour, netpbm::PnmKind::Ppm}, std::pair{&grey, netpbm::PnmKind::Pgm}}) {
        const UniqueDib opened = throughWriter(dib->get(), kind, "pnmtojpeg -quality=95", "jpg");
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened.get().Info->bmiHeader.biBitCount, kind == netpbm::PnmKind::Pgm ? 8 : 24);
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(dib->get()), netpbm::toRgb(opened.get()), 12));

        SetJPEGQual(95);
        UniqueDib reopened;
        const auto back = throughReader(dib->get(), "jpg", "jpegtopnm", &reopened);
        SetJPEGQual(75);
        ASSERT_TRUE(back && reopened);
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(dib->get()), *back, 12));
        EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(reopened.get()), *back, 1)) << "both decode alike";
    }
}
