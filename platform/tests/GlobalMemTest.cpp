// Global memory blocks: handles, locks, sizes, reallocation and bad handles.
#include "platform/globalmem.h"
#include "platform/winerror.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(GlobalMemory, MovableAndFixedBlocks) {
    const std::size_t live = platform::liveGlobalBlocks();
    HGLOBAL moving = GlobalAlloc(GHND, 10);
    ASSERT_NE(moving, nullptr);
    auto* p = static_cast<unsigned char*>(GlobalLock(moving));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), moving);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(p[i], 0);
    EXPECT_EQ(GlobalLock(moving), p);
    EXPECT_EQ(GlobalFlags(moving) & GMEM_LOCKCOUNT, 2u);
    EXPECT_EQ(GlobalHandle(p), moving);
    EXPECT_TRUE(GlobalUnlock(moving));
    SetLastError(ERROR_INVALID_DATA);
    EXPECT_FALSE(GlobalUnlock(moving));
    EXPECT_EQ(GetLastError(), NO_ERROR);
    EXPECT_FALSE(GlobalUnlock(moving));
    EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
    EXPECT_EQ(GlobalSize(moving), 10u);

    // Growing keeps the bytes and clears the new ones; the handle stays.
    std::memset(GlobalLock(moving), 7, 10);
    GlobalUnlock(moving);
    EXPECT_EQ(GlobalReAlloc(moving, 100, GMEM_ZEROINIT), moving);
    EXPECT_EQ(GlobalSize(moving), 100u);
    p = static_cast<unsigned char*>(GlobalLock(moving));
    EXPECT_EQ(p[9], 7);
    EXPECT_EQ(p[10], 0);
    EXPECT_EQ(p[99], 0);
    // A locked block does not move unless allowed.
    EXPECT_EQ(GlobalReAlloc(moving, 1000, 0), nullptr);
    EXPECT_EQ(GlobalReAlloc(moving, 5, 0), moving);
    EXPECT_EQ(GlobalSize(moving), 5u);
    GlobalUnlock(moving);

    HGLOBAL fixed = GlobalAlloc(GPTR, 4);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), fixed);  // a fixed block's handle is its address
    EXPECT_EQ(GlobalReAlloc(fixed, 4000, 0), nullptr);
    HGLOBAL moved = GlobalReAlloc(fixed, 4000, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GlobalSize(moved), 4000u);

    // A block of no bytes has no memory to lock.
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    EXPECT_TRUE(GlobalFlags(empty) & GMEM_DISCARDED);

    EXPECT_EQ(GlobalFree(moving), nullptr);
    EXPECT_EQ(GlobalFree(moved), nullptr);
    EXPECT_EQ(GlobalFree(empty), nullptr);
    EXPECT_EQ(platform::liveGlobalBlocks(), live);
}

TEST(GlobalMemory, StaleAndForeignHandlesFail) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 8);
    ASSERT_EQ(GlobalFree(h), nullptr);
    int local = 0;
    for (HGLOBAL bad : {h, static_cast<HGLOBAL>(&local)}) {
        EXPECT_EQ(GlobalLock(bad), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GlobalSize(bad), 0u);
        EXPECT_FALSE(GlobalUnlock(bad));
        EXPECT_EQ(GlobalReAlloc(bad, 16, GMEM_MOVEABLE), nullptr);
        EXPECT_EQ(GlobalFlags(bad), GMEM_INVALID_HANDLE);
        EXPECT_EQ(GlobalFree(bad), bad);
    }
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_T(-1) / 2), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}
