#include "editor/PaletteFile.h"

#include "platform/atomicfile.h"

#include <cerrno>
#include <unistd.h>

bool ParsePaletteBlock(const void* Data, std::size_t Size, TDibPalette& Out) {
    if (!Data || Size < PaletteFileSize) return false;
    const auto* b = static_cast<const unsigned char*>(Data);
    Out.palVersion = static_cast<WORD>(b[0] | b[1] << 8);
    Out.palNumEntries = static_cast<WORD>(b[2] | b[3] << 8);
    for (int i = 0; i < 256; ++i) {
        const unsigned char* e = b + 4 + 4 * i;
        Out.palPalEntry[i] = PALETTEENTRY{e[0], e[1], e[2], e[3]};
    }
    return true;
}

bool PaletteBlockLegal(const TDibPalette& Palette) {
    return Palette.palVersion == 0x0300 && (Palette.palNumEntries == 16 || Palette.palNumEntries == 256);
}

void StorePaletteBlock(const TDibPalette& Palette, unsigned char (&Out)[PaletteFileSize]) {
    Out[0] = static_cast<unsigned char>(Palette.palVersion & 0xFF);
    Out[1] = static_cast<unsigned char>(Palette.palVersion >> 8);
    Out[2] = static_cast<unsigned char>(Palette.palNumEntries & 0xFF);
    Out[3] = static_cast<unsigned char>(Palette.palNumEntries >> 8);
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = Palette.palPalEntry[i];
        unsigned char* o = Out + 4 + 4 * i;
        o[0] = e.peRed;
        o[1] = e.peGreen;
        o[2] = e.peBlue;
        o[3] = e.peFlags;
    }
}

bool ReadPaletteFile(const std::string& FileName, TDibPalette& Out) {
    const int fd = platform::openRegularFile(FileName);
    if (fd < 0) return false;
    unsigned char buffer[PaletteFileSize];
    std::size_t have = 0;
    while (have < sizeof buffer) {
        const ssize_t n = ::read(fd, buffer + have, sizeof buffer - have);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        have += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return ParsePaletteBlock(buffer, have, Out);
}

bool WritePaletteFile(const std::string& FileName, const TDibPalette& Palette) {
    unsigned char bytes[PaletteFileSize];
    StorePaletteBlock(Palette, bytes);
    return platform::writeWholeFile(FileName, bytes, sizeof bytes);
}
