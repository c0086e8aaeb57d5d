// Fuzzes the palette file reader: any bytes give a palette block only when there are
// 1,028 of them, and a block stored again gives back its first 1,028 bytes.
#include "editor/PaletteFile.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TDibPalette palette{};
    const bool read = ParsePaletteBlock(data, size, palette);
    if (read != (size >= PaletteFileSize)) std::abort();
    if (!read) return 0;
    if (PaletteBlockLegal(palette) != (palette.palVersion == 0x0300 &&
                                       (palette.palNumEntries == 16 || palette.palNumEntries == 256)))
        std::abort();
    unsigned char stored[PaletteFileSize];
    StorePaletteBlock(palette, stored);
    if (std::memcmp(stored, data, PaletteFileSize) != 0) std::abort();
    return 0;
}
