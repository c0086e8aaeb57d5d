// Palette files ("*.PAL"): one 1,028-byte palette block, little-endian: version 0x0300,
// entry count (16 or 256), then 256 entries of red, green, blue and flags.
#pragma once

#include "pixwerk/pixwerk.h"

#include <cstddef>
#include <string>

inline constexpr std::size_t PaletteFileSize = 1028;

// The block from the first 1,028 bytes; false when fewer are given.
bool ParsePaletteBlock(const void* Data, std::size_t Size, TDibPalette& Out);
// Version 0x0300 and a count of 16 or 256.
bool PaletteBlockLegal(const TDibPalette& Palette);
// The 1,028 stored bytes.
void StorePaletteBlock(const TDibPalette& Palette, unsigned char (&Out)[PaletteFileSize]);

// Reads the first 1,028 bytes of a file; false when it cannot be opened or is shorter.
bool ReadPaletteFile(const std::string& FileName, TDibPalette& Out);
// Writes the block as the whole file through a new file renamed over the old one, so a
// failure leaves the old file as it was.
bool WritePaletteFile(const std::string& FileName, const TDibPalette& Palette);
