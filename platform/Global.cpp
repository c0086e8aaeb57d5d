// Global memory blocks over the C heap, with a table of live handles.
#include "platform/globalmem.h"
#include "platform/winerror.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

struct Block {
    void* data = nullptr;
    std::size_t size = 0;
    bool moveable = false;
    unsigned locks = 0;
    UINT flags = 0;
};

// Movable blocks are keyed by their handle (the Block's address), fixed ones by their data
// address, which is also their handle.
struct Table {
    std::mutex mutex;
    std::unordered_map<const void*, Block*> byHandle;
    std::unordered_map<const void*, Block*> byData;
};

Table& table() {
    static auto* t = new Table;
    return *t;
}

Block* findLocked(Table& t, HGLOBAL handle) {
    auto it = t.byHandle.find(handle);
    return it == t.byHandle.end() ? nullptr : it->second;
}

// Runs `f` on the live block of a handle under the table's lock; `failed` for a bad handle.
template <class R, class F>
R onBlock(HGLOBAL handle, R failed, F f) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Block* b = findLocked(t, handle);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return failed;
    }
    return f(t, *b);
}

HGLOBAL handleOf(Block* b) { return b->moveable ? static_cast<HGLOBAL>(b) : b->data; }

// No block is larger than the address space can give (1 TiB).
constexpr std::size_t kMostBytes = std::size_t(1) << 40;

// Heap memory of at least one byte, so that every fixed block has its own address.
void* allocate(std::size_t bytes, bool zero) {
    if (bytes > kMostBytes) return nullptr;
    const std::size_t n = bytes ? bytes : 1;
    return zero ? std::calloc(n, 1) : std::malloc(n);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    auto* b = new (std::nothrow) Block;
    void* data = b ? allocate(bytes, flags & GMEM_ZEROINIT) : nullptr;
    if (!data) {
        delete b;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    b->data = data;
    b->size = bytes;
    b->moveable = flags & GMEM_MOVEABLE;
    b->flags = flags;
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.byHandle[handleOf(b)] = b;
    t.byData[data] = b;
    return handleOf(b);
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    if (!handle) return nullptr;
    Table& t = table();
    Block* b;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        b = findLocked(t, handle);
        if (!b) {
            SetLastError(ERROR_INVALID_HANDLE);
            return handle;
        }
        t.byHandle.erase(handle);
        t.byData.erase(b->data);
    }
    std::free(b->data);
    delete b;
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL handle) {
    return onBlock<LPVOID>(handle, nullptr, [](Table&, Block& b) -> LPVOID {
        if (!b.moveable) return b.data;
        if (b.size == 0) {
            SetLastError(ERROR_DISCARDED);
            return nullptr;
        }
        if (b.locks < GMEM_LOCKCOUNT) ++b.locks;
        return b.data;
    });
}

BOOL GlobalUnlock(HGLOBAL handle) {
    return onBlock<BOOL>(handle, FALSE, [](Table&, Block& b) -> BOOL {
        if (b.moveable && b.locks == 0) {
            SetLastError(ERROR_NOT_LOCKED);
            return FALSE;
        }
        if (b.moveable && --b.locks > 0) return TRUE;
        SetLastError(NO_ERROR);
        return FALSE;
    });
}

SIZE_T GlobalSize(HGLOBAL handle) {
    return onBlock<SIZE_T>(handle, 0, [](Table&, Block& b) { return b.size; });
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
    return onBlock<HGLOBAL>(handle, nullptr, [&](Table& t, Block& block) -> HGLOBAL {
        Block* b = &block;
        if (flags & GMEM_MODIFY) {
            // Only the discardable flag can change; the block keeps its size.
            b->flags = (b->flags & ~GMEM_DISCARDABLE) | (flags & GMEM_DISCARDABLE);
            return handle;
        }
        // A fixed block (or a locked movable one) may move only when the caller allows it.
        const bool mayMove = b->moveable ? (b->locks == 0 || (flags & GMEM_MOVEABLE)) : (flags & GMEM_MOVEABLE);
        if (!mayMove) {
            // Shrinks in place; growing would move the block.
            if (bytes > b->size) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;
            }
            b->size = bytes;
            return handle;
        }
        void* data = b->data;
        if (bytes != b->size) {
            void* moved = allocate(bytes, false);
            if (!moved) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;
            }
            std::memcpy(moved, b->data, std::min(bytes, b->size));
            if (bytes > b->size && (flags & GMEM_ZEROINIT))
                std::memset(static_cast<char*>(moved) + b->size, 0, bytes - b->size);
            data = moved;
        }
        t.byData.erase(b->data);
        if (!b->moveable) t.byHandle.erase(b->data);
        if (data != b->data) std::free(b->data);
        b->data = data;
        b->size = bytes;
        t.byData[data] = b;
        if (!b->moveable) t.byHandle[data] = b;
        return handleOf(b);
    });
}

UINT GlobalFlags(HGLOBAL handle) {
    return onBlock<UINT>(handle, GMEM_INVALID_HANDLE, [](Table&, Block& b) {
        UINT flags = (b.flags & (GMEM_DISCARDABLE | GMEM_DDESHARE)) | (b.locks & GMEM_LOCKCOUNT);
        if (b.moveable && b.size == 0) flags |= GMEM_DISCARDED;
        return flags;
    });
}

HGLOBAL GlobalHandle(LPCVOID address) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.byData.find(address);
    if (it == t.byData.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return handleOf(it->second);
}

namespace platform {

HGLOBAL globalFromBytes(const void* bytes, std::size_t size) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!h) return nullptr;
    if (size) {
        void* p = GlobalLock(h);
        std::memcpy(p, bytes, size);
        GlobalUnlock(h);
    }
    return h;
}

std::size_t liveGlobalBlocks() {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.byHandle.size();
}

}  // namespace platform
