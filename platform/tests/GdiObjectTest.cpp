#include "platform/GdiObject.h"
#include "platform/gdi.h"

#include <gtest/gtest.h>

TEST(Palette, CreateReadNearestAndDelete) {
    alignas(LOGPALETTE) unsigned char block[sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY)];
    auto* lp = reinterpret_cast<LOGPALETTE*>(block);
    lp->palVersion = 0x300;
    lp->palNumEntries = 4;
    const PALETTEENTRY colours[4] = {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {250, 250, 250, 0}};
    std::copy(colours, colours + 4, lp->palPalEntry);

    const std::size_t before = platform::gdi::liveCount();
    HPALETTE pal = CreatePalette(lp);
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(GetObjectType(pal), OBJ_PAL);
    EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 4u);
    PALETTEENTRY read[4] = {};
    EXPECT_EQ(GetPaletteEntries(pal, 2, 10, read), 2u);  // clipped at the end
    EXPECT_EQ(read[0].peGreen, 255);
    EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(200, 10, 10)), 1u);
    EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(255, 255, 255)), 3u);

    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_FALSE(DeleteObject(pal));  // a stale handle fails instead of touching freed memory
    EXPECT_EQ(GetObjectType(pal), 0u);
    EXPECT_EQ(platform::gdi::liveCount(), before);
}

TEST(Palette, NearestEntryTakesTheFirstOfEqualDistances) {
    // 10,10,10 lies at squared distance 300 from both greys; the first one wins.
    const PALETTEENTRY entries[4] = {{255, 0, 0, 0}, {0, 0, 0, 0}, {20, 20, 20, 0}, {0, 0, 0, 0}};
    EXPECT_EQ(NearestPaletteEntry(entries, 4, RGB(10, 10, 10)), 1u);
    EXPECT_EQ(NearestPaletteEntry(entries, 4, RGB(11, 10, 10)), 2u);
    EXPECT_EQ(NearestPaletteEntry(entries, 4, RGB(0, 0, 0)), 1u);  // the first exact match
    EXPECT_EQ(NearestPaletteEntry(entries, 0, RGB(0, 0, 0)), CLR_INVALID);
    EXPECT_EQ(NearestPaletteEntry(nullptr, 4, RGB(0, 0, 0)), CLR_INVALID);
}
