#include "pixwerk/codec.h"
#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(Picture, NewPicturesHaveEveryFieldFilled) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib dib;
        newdib(dib.out(), 13, 5, bits, nullptr, 0);
        ASSERT_TRUE(dib) << bits;
        const TDib& d = dib.get();
        const BITMAPINFOHEADER& h = d.Info->bmiHeader;
        EXPECT_EQ(h.biWidth, 13);
        EXPECT_EQ(h.biHeight, 5);
        EXPECT_EQ(h.biBitCount, bits);
        EXPECT_EQ(d.LineBytes % 4, 0);
        EXPECT_EQ(d.LineBytes, (13 * bits + 31) / 32 * 4);
        EXPECT_EQ(h.biSizeImage, static_cast<DWORD>(d.LineBytes * 5));
        EXPECT_TRUE(std::all_of(d.Bits, d.Bits + h.biSizeImage, [](BYTE b) { return b == 0; }));
        EXPECT_EQ(d.HasPalette != 0, bits <= 8);
        EXPECT_EQ(d.Palette.palVersion, 0x0300);
        EXPECT_EQ(d.Palette.palNumEntries, bits <= 8 ? 1 << bits : 0);
        EXPECT_EQ(d.PalHandle != nullptr, bits <= 8);
    }
}

TEST(Picture, OneBitPicturesAreBlackAndWhiteUnlessGivenATable) {
    UniqueDib dib;
    newdib(dib.out(), 9, 9, 1, nullptr, 0);
    const RGBQUAD* t = dib.get().Info->bmiColors;
    EXPECT_EQ(t[0].rgbRed | t[0].rgbGreen | t[0].rgbBlue, 0);
    EXPECT_EQ(t[1].rgbRed & t[1].rgbGreen & t[1].rgbBlue, 255);
    EXPECT_EQ(dib.get().Palette.palPalEntry[1].peGreen, 255);

    std::vector<BYTE> block(sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
    for (int i = 0; i < 16; ++i) info->bmiColors[i] = RGBQUAD{BYTE(i), BYTE(2 * i), BYTE(3 * i), 0};
    UniqueDib four;
    newdib(four.out(), 3, 3, 4, info, 4);  // only four entries are taken
    EXPECT_EQ(four.get().Info->bmiColors[3].rgbRed, 9);
    EXPECT_EQ(four.get().Info->bmiColors[4].rgbRed, 0);
    EXPECT_EQ(four.get().Palette.palPalEntry[3].peRed, 9);
}

TEST(Picture, RejectsImpossibleSizesAndDepths) {
    const struct {
        int width, height, bits;
    } bad[] = {{0, 5, 8}, {5, 0, 8}, {-3, 5, 24}, {5, -1, 1}, {5, 5, 2}, {5, 5, 16}, {5, 5, 32},
               {1 << 30, 1 << 30, 24}, {0x7FFFFFFF, 1, 24}, {70000, 70000, 24}, {2000000000, 2000000000, 24},
               {32767, 32767, 24}, {32767, 21846, 24}};
    for (const auto& b : bad) {
        UniqueDib dib;
        newdib(dib.out(), b.width, b.height, b.bits, nullptr, 0);
        EXPECT_FALSE(dib) << b.width << " x " << b.height << " x " << b.bits;
        EXPECT_GE(DibErrorText(dib.get()).size(), 6u);
    }
    newdib(nullptr, 5, 5, 8, nullptr, 0);  // nowhere to put it: nothing happens
}

TEST(Picture, FreeingAStaleCopyDoesNothing) {
    TDib dib;
    newdib(&dib, 4, 4, 8, nullptr, 0);
    const TDib copy = dib;
    deldib(dib);
    deldib(copy);  // the memory is gone already
    TDib zero{};
    deldib(zero);
    UniqueDib owner;
    newdib(owner.out(), 2, 2, 24, nullptr, 0);
    const TDib released = owner.release();
    EXPECT_FALSE(owner);
    UniqueDib again(released);
    EXPECT_TRUE(again);
    again.reset();
    EXPECT_FALSE(again);
}

TEST(Picture, AStaleCopyLeavesThePictureThatReusedItsAddressAlone) {
    TDib first;
    newdib(&first, 6, 6, 8, nullptr, 0);
    const TDib stale = first;
    deldib(first);
    // The allocator hands the freed blocks out again for a picture of the same size.
    UniqueDib live;
    for (int attempt = 0; attempt < 8 && live.get().Info != stale.Info; ++attempt) newdib(live.out(), 6, 6, 8, nullptr, 0);
    if (live.get().Info != stale.Info) GTEST_SKIP() << "the allocator does not reuse addresses here";
    live.get().Bits[0] = 42;
    deldib(stale);  // must not free the live picture
    // Had it been freed, the next picture of that size would get its memory.
    UniqueDib next;
    newdib(next.out(), 6, 6, 8, nullptr, 0);
    EXPECT_NE(next.get().Info, live.get().Info);
    EXPECT_EQ(live.get().Bits[0], 42);
    EXPECT_EQ(live.get().Info->bmiHeader.biWidth, 6);
}

TEST(Picture, AllocationLimitRefusesLargePictures) {
    pixwerk::setAllocationLimit(1000);
    UniqueDib big, small;
    newdib(big.out(), 100, 100, 24, nullptr, 0);
    newdib(small.out(), 10, 10, 24, nullptr, 0);
    pixwerk::setAllocationLimit(0);
    EXPECT_FALSE(big);
    EXPECT_TRUE(small);
    EXPECT_NE(DibErrorText(big.get()).find("memory"), std::string::npos);
}

TEST(Picture, SharedConversions) {
    const BYTE twoBit[] = {0b00011011, 0b11000000};
    BYTE four[3] = {};
    pixwerk::expand2To4(twoBit, 5, four);
    EXPECT_EQ(four[0], 0x01);
    EXPECT_EQ(four[1], 0x23);
    EXPECT_EQ(four[2], 0x30);
    EXPECT_EQ(pixwerk::sample16To8(0), 0);
    EXPECT_EQ(pixwerk::sample16To8(65535), 255);
    EXPECT_EQ(pixwerk::sample16To8(32896), 128);
    EXPECT_EQ(pixwerk::inkToChannel(0, 0), 255);
    EXPECT_EQ(pixwerk::inkToChannel(255, 0), 0);
    EXPECT_EQ(pixwerk::inkToChannel(0, 128), 127);
    EXPECT_EQ(pixwerk::overWhite(0, 0), 255);
    EXPECT_EQ(pixwerk::overWhite(0, 255), 0);
    EXPECT_EQ(pixwerk::overWhite(100, 128), 177);
    EXPECT_EQ(pixwerk::bitsForColours(2), 1);
    EXPECT_EQ(pixwerk::bitsForColours(3), 4);
    EXPECT_EQ(pixwerk::bitsForColours(17), 8);
    BYTE packed[2] = {};
    const BYTE indexes[] = {1, 0, 1, 1, 0, 0, 0, 1, 1};
    pixwerk::packIndexes(indexes, 9, 1, packed);
    EXPECT_EQ(packed[0], 0b10110001);
    EXPECT_EQ(packed[1], 0b10000000);
    BYTE unpacked[9] = {};
    pixwerk::unpackIndexes(packed, 9, 1, unpacked);
    EXPECT_TRUE(std::equal(indexes, indexes + 9, unpacked));
}
