// Global memory blocks: the movable and fixed blocks that the clipboard and drag and drop
// carry. Every handle is checked against the table of live blocks, so a stale or foreign
// handle fails instead of touching memory.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>

using SIZE_T = std::size_t;

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_NOCOMPACT = 0x0010;
inline constexpr UINT GMEM_NODISCARD = 0x0020;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GMEM_MODIFY = 0x0080;
inline constexpr UINT GMEM_DISCARDABLE = 0x0100;
inline constexpr UINT GMEM_SHARE = 0x2000;
inline constexpr UINT GMEM_DDESHARE = 0x2000;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
// GlobalFlags: the lock count in the low byte.
inline constexpr UINT GMEM_DISCARDED = 0x4000;
inline constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
inline constexpr UINT GMEM_INVALID_HANDLE = 0x8000;

// A fixed block's handle is its address; a movable block's handle is not, and GlobalLock
// gives the address (null for a block of 0 bytes). Fails with ERROR_NOT_ENOUGH_MEMORY.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Null when the block was freed; the handle itself (and ERROR_INVALID_HANDLE) on failure.
HGLOBAL GlobalFree(HGLOBAL block);
LPVOID GlobalLock(HGLOBAL block);
// TRUE while the block stays locked; FALSE with last error NO_ERROR once it is unlocked.
BOOL GlobalUnlock(HGLOBAL block);
// The size asked for at allocation (or reallocation); 0 for a bad handle.
SIZE_T GlobalSize(HGLOBAL block);
// A movable block may move (its handle stays); a fixed block moves only with GMEM_MOVEABLE
// and then returns its new handle. GMEM_ZEROINIT clears the bytes added.
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
UINT GlobalFlags(HGLOBAL block);
// The handle of a block from its address (of a fixed or a locked movable block).
HGLOBAL GlobalHandle(LPCVOID address);

namespace platform {

// A movable block holding a copy of `bytes` bytes; null when it cannot be allocated.
HGLOBAL globalFromBytes(const void* bytes, std::size_t size);
// Number of live blocks (tests use it to see that blocks are freed).
std::size_t liveGlobalBlocks();

}  // namespace platform
