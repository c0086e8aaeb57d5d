// Fuzzes the editor's readers of clipboard blocks: a DIB gives a picture whose size and
// depth are the header's (16 and 32 bits as 24), or none; the selection mask block beside
// it is taken only at the picture's size. The input is a 2-byte length of the DIB part
// (little-endian, clipped to what follows), the DIB, then the mask block.
#include "editor/ClipDib.h"
#include "pixwerk/codec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pixwerk::setAllocationLimit(64u << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t dibSize = data[0] | std::size_t(data[1]) << 8;
    data += 2;
    size -= 2;
    dibSize = dibSize < size ? dibSize : size;
    UniqueDib picture;
    const editor::TClipRead read = editor::ReadClipDib(data, dibSize, picture);
    if ((read == editor::TClipRead::Picture) != static_cast<bool>(picture)) std::abort();
    if (read != editor::TClipRead::Picture) return 0;
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    const TDib& d = picture.get();
    const int bits = d.Info->bmiHeader.biBitCount;
    const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    if (d.Info->bmiHeader.biWidth != h.biWidth || d.Info->bmiHeader.biHeight != height) std::abort();
    if (bits != (h.biBitCount <= 8 ? h.biBitCount : 24)) std::abort();
    // Every row was read from inside the block: touch the last pixel byte.
    volatile BYTE last = d.Bits[static_cast<std::size_t>(d.LineBytes) * static_cast<std::size_t>(height) - 1];
    (void)last;
    UniqueDib mask;
    const bool masked = editor::ReadClipMask(data + dibSize, size - dibSize, h.biWidth, static_cast<int>(height), mask);
    if (masked != static_cast<bool>(mask)) std::abort();
    if (masked && (mask.get().Info->bmiHeader.biBitCount != 1 || mask.get().Info->bmiHeader.biWidth != h.biWidth))
        std::abort();
    return 0;
}
