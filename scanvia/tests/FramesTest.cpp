// The scanner's frames turned into pictures: every frame format and depth, padded rows,
// unknown and short heights, and frames that make no picture.
#include "Frames.h"
#include "scanvia/tests/PictureFacts.h"

#include <array>
#include <cstring>

#include <gtest/gtest.h>

using scanvia::Frame;

namespace {

Frame frame(SANE_Frame format, int width, int lines, int depth, int bytesPerLine, std::vector<std::uint8_t> data,
            bool last = true) {
    Frame f;
    f.params.format = format;
    f.params.last_frame = last ? SANE_TRUE : SANE_FALSE;
    f.params.pixels_per_line = width;
    f.params.lines = lines;
    f.params.depth = depth;
    f.params.bytes_per_line = bytesPerLine;
    f.data = std::move(data);
    return f;
}

// Blue, green, red of pixel (x, y), y from the top.
std::array<int, 3> bgr(const TDib& d, int x, int y) {
    const BYTE* p = d.Bits + static_cast<std::ptrdiff_t>(DibHeight(d) - 1 - y) * d.LineBytes + 3 * x;
    return {p[0], p[1], p[2]};
}

std::vector<std::uint8_t> words16(std::initializer_list<std::uint16_t> values) {
    std::vector<std::uint8_t> bytes(values.size() * 2);
    std::size_t i = 0;
    for (std::uint16_t v : values) std::memcpy(bytes.data() + 2 * i++, &v, 2);
    return bytes;
}

TEST(ScanFrames, OnePassColourBecomesBottomUpBgrAndSkipsRowPadding) {
    // Two pixels per row, two pad bytes, two rows: red, green / blue, grey.
    UniqueDib d(scanvia::assemblePicture(
        {frame(SANE_FRAME_RGB, 2, 2, 8, 8, {255, 0, 0, 0, 255, 0, 9, 9, 0, 0, 255, 128, 128, 128, 9, 9})}));
    ASSERT_TRUE(d);
    EXPECT_EQ(DibWidth(d.get()), 2);
    EXPECT_EQ(DibHeight(d.get()), 2);
    EXPECT_EQ(DibBitCount(d.get()), 24);
    EXPECT_EQ(bgr(d.get(), 0, 0), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(bgr(d.get(), 1, 0), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(bgr(d.get(), 0, 1), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(bgr(d.get(), 1, 1), (std::array<int, 3>{128, 128, 128}));
    // getpixel counts from the top too and packs red in the low byte.
    EXPECT_EQ(getpixel(d.get(), 0, 0), 0x0000FF);
    EXPECT_EQ(getpixel(d.get(), 0, 1), 0xFF0000);
}

TEST(ScanFrames, ThreePassFramesInAnyOrderMatchOnePass) {
    const std::vector<std::uint8_t> rgb = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    UniqueDib one(scanvia::assemblePicture({frame(SANE_FRAME_RGB, 2, 2, 8, 6, rgb)}));
    // Blue first, then red, then green, as a scanner with that pass order sends them.
    UniqueDib three(scanvia::assemblePicture({frame(SANE_FRAME_BLUE, 2, 2, 8, 2, {30, 60, 90, 120}, false),
                                              frame(SANE_FRAME_RED, 2, 2, 8, 2, {10, 40, 70, 100}, false),
                                              frame(SANE_FRAME_GREEN, 2, 2, 8, 2, {20, 50, 80, 110})}));
    ASSERT_TRUE(one);
    ASSERT_TRUE(three);
    ASSERT_EQ(one.get().Info->bmiHeader.biSizeImage, three.get().Info->bmiHeader.biSizeImage);
    EXPECT_EQ(std::memcmp(one.get().Bits, three.get().Bits, one.get().Info->bmiHeader.biSizeImage), 0);
    EXPECT_EQ(bgr(one.get(), 1, 1), (std::array<int, 3>{120, 110, 100}));
}

TEST(ScanFrames, SixteenBitSamplesKeepTheirUpperByte) {
    UniqueDib colour(scanvia::assemblePicture(
        {frame(SANE_FRAME_RGB, 1, 1, 16, 6, words16({0xFF10, 0x1234, 0x00FF}))}));
    ASSERT_TRUE(colour);
    EXPECT_EQ(bgr(colour.get(), 0, 0), (std::array<int, 3>{0x00, 0x12, 0xFF}));
    UniqueDib grey(scanvia::assemblePicture({frame(SANE_FRAME_GRAY, 3, 1, 16, 6, words16({0x8000, 0x7FFF, 0xFFFF}))}));
    ASSERT_TRUE(grey);
    EXPECT_EQ(DibBitCount(grey.get()), 8);
    EXPECT_EQ(getpixel(grey.get(), 0, 0), 0x80);
    EXPECT_EQ(getpixel(grey.get(), 1, 0), 0x7F);
    EXPECT_EQ(getpixel(grey.get(), 2, 0), 0xFF);
}

TEST(ScanFrames, GreyHasAGreyTable) {
    UniqueDib d(scanvia::assemblePicture({frame(SANE_FRAME_GRAY, 3, 2, 8, 4, {0, 100, 255, 7, 1, 2, 3, 7})}));
    ASSERT_TRUE(d);
    EXPECT_EQ(DibColorCount(d.get()), 256);
    for (int i : {0, 77, 255}) {
        const RGBQUAD& q = d.get().Info->bmiColors[i];
        EXPECT_EQ(q.rgbRed, i);
        EXPECT_EQ(q.rgbGreen, i);
        EXPECT_EQ(q.rgbBlue, i);
    }
    EXPECT_EQ(getpixel(d.get(), 1, 0), 100);
    EXPECT_EQ(getpixel(d.get(), 2, 1), 3);
}

TEST(ScanFrames, LineArtOneIsBlack) {
    // Ten pixels: 1 0 1 1 0 0 0 0 | 0 1 (the scanner's 1 is black), then padding bits set.
    UniqueDib d(scanvia::assemblePicture({frame(SANE_FRAME_GRAY, 10, 1, 1, 2, {0xB0, 0x7F})}));
    ASSERT_TRUE(d);
    EXPECT_EQ(DibBitCount(d.get()), 1);
    const RGBQUAD* t = d.get().Info->bmiColors;
    EXPECT_EQ(t[0].rgbRed + t[0].rgbGreen + t[0].rgbBlue, 0) << "index 0 is black";
    EXPECT_EQ(t[1].rgbRed + t[1].rgbGreen + t[1].rgbBlue, 3 * 255) << "index 1 is white";
    const int expected[10] = {0, 1, 0, 0, 1, 1, 1, 1, 1, 0};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(getpixel(d.get(), x, 0), expected[x]) << x;
    // Bits past the width stay clear.
    EXPECT_EQ(d.get().Bits[1] & 0x3F, 0);
}

TEST(ScanFrames, UnknownHeightComesFromTheRowsAndAShortScanEndsWhite) {
    // A hand scanner: lines unknown; two complete rows and half of a third.
    UniqueDib hand(scanvia::assemblePicture({frame(SANE_FRAME_GRAY, 2, -1, 8, 2, {1, 2, 3, 4, 5})}));
    ASSERT_TRUE(hand);
    EXPECT_EQ(DibHeight(hand.get()), 2);
    EXPECT_EQ(getpixel(hand.get(), 1, 1), 4);
    // Four rows announced, one arrived: the rest is white.
    UniqueDib shortScan(scanvia::assemblePicture({frame(SANE_FRAME_RGB, 1, 4, 8, 3, {1, 2, 3})}));
    ASSERT_TRUE(shortScan);
    EXPECT_EQ(DibHeight(shortScan.get()), 4);
    EXPECT_EQ(getpixel(shortScan.get(), 0, 0), 0x030201);
    EXPECT_EQ(getpixel(shortScan.get(), 0, 3), 0xFFFFFF);
}

TEST(ScanFrames, FramesThatMakeNoPictureGiveNone) {
    struct Case {
        const char* what;
        std::vector<Frame> frames;
    } cases[] = {
        {"nothing", {}},
        {"four bits", {frame(SANE_FRAME_GRAY, 2, 1, 4, 1, {0})}},
        {"rows shorter than their pixels", {frame(SANE_FRAME_RGB, 2, 1, 8, 5, {0, 0, 0, 0, 0})}},
        {"no rows at all", {frame(SANE_FRAME_GRAY, 2, -1, 8, 2, {1})}},
        {"no width", {frame(SANE_FRAME_GRAY, 0, 1, 8, 2, {1, 1})}},
        {"blue missing",
         {frame(SANE_FRAME_RED, 1, 1, 8, 1, {1}, false), frame(SANE_FRAME_GREEN, 1, 1, 8, 1, {1}, false),
          frame(SANE_FRAME_RED, 1, 1, 8, 1, {1})}},
        {"passes of different widths",
         {frame(SANE_FRAME_RED, 1, 1, 8, 1, {1}, false), frame(SANE_FRAME_GREEN, 2, 1, 8, 2, {1, 1}, false),
          frame(SANE_FRAME_BLUE, 1, 1, 8, 1, {1})}},
        {"grey with a second frame",
         {frame(SANE_FRAME_GRAY, 1, 1, 8, 1, {1}, false), frame(SANE_FRAME_GRAY, 1, 1, 8, 1, {1})}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TDib d = scanvia::assemblePicture(c.frames);
        EXPECT_EQ(d.Bits, nullptr);
        deldib(d);
    }
}

}  // namespace
