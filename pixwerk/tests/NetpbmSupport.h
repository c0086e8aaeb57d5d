// Cross-checks against the netpbm converters: PNM files written from pictures, PNM files
// read back as RGB, converters run on files, pixels compared.
#pragma once

#include "pixwerk/pixwerk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace netpbm {

// An RGB picture, top row first, three bytes (red, green, blue) a pixel.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// The colours of a picture (palette entries looked up); empty when it has no pixels.
RgbImage toRgb(const TDib& dib);

enum class PnmKind {
    Automatic,  // PBM for a black/white 1-bit picture, PGM when every colour is grey, else PPM
    Pbm,        // black where red, green and blue are all 0, white elsewhere
    Pgm,        // the red channel as grey
    Ppm,
};

// Writes a binary PNM (P4, P5 or P6, maxval 255). False when the file cannot be written.
bool writePnm(const std::string& path, const RgbImage& image, PnmKind kind = PnmKind::Ppm);
bool writePnm(const std::string& path, const TDib& dib, PnmKind kind = PnmKind::Automatic);

// Reads a PNM (P1 to P6; samples above 8 bits scaled to 8 bits, rounded). Empty when the
// file is missing or malformed.
std::optional<RgbImage> readPnm(const std::string& path);

// Whether a netpbm program is installed.
bool have(const std::string& program);

// Runs `command` (a converter with its options, e.g. "pnmtopng -interlace") with `input` on
// its standard input and `output` as its standard output; standard error is discarded.
// True when it exits with 0 and wrote a non-empty file.
bool convert(const std::string& command, const std::string& input, const std::string& output);

// Same size and every channel within `tolerance`; the message names the first difference
// and the largest one.
::testing::AssertionResult samePixels(const RgbImage& expected, const RgbImage& actual, int tolerance = 0);

// A deterministic test picture with every pixel set: 1-bit stripes and dots, 4-bit and
// 8-bit indexes over a colourful table (or a grey ramp when `grey`), 24-bit smooth colours.
UniqueDib testPicture(int width, int height, int bits, bool grey = false);

}  // namespace netpbm

// Skips the current test when a converter is missing.
#define NETPBM_REQUIRE(program)                                          \
    do {                                                                 \
        if (!::netpbm::have(program)) GTEST_SKIP() << program " missing"; \
    } while (0)
