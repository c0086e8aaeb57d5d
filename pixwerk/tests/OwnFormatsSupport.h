// What the tests of the BMP, PCX, TGA and IFF modules share: coding through memory,
// pictures with runs, damaged-file sweeps and netpbm round trips.
#pragma once

#include "pixwerk/OwnFormats.h"
#include "pixwerk/tests/NetpbmSupport.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ownformats {

using Bytes = std::vector<BYTE>;

// The bytes an encoder writes; empty when it fails.
inline Bytes encode(pixwerk::Encoder encoder, const TDib& dib, int type) {
    std::FILE* f = std::tmpfile();
    if (!f) return {};
    pixwerk::Progress progress(nullptr);
    Bytes out;
    if (encoder(dib, f, type, progress)) {
        const long n = std::ftell(f);
        out.resize(static_cast<std::size_t>(n));
        std::rewind(f);
        if (std::fread(out.data(), 1, out.size(), f) != out.size()) out.clear();
    }
    std::fclose(f);
    return out;
}

// Decodes bytes held in a buffer of exactly their size (so the sanitizer sees overreads).
inline UniqueDib decode(pixwerk::Decoder decoder, const Bytes& bytes) {
    UniqueDib dib;
    std::unique_ptr<BYTE[]> copy(new BYTE[bytes.size() + 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    pixwerk::Progress progress(nullptr);
    const bool ok = decoder(copy.get(), bytes.size(), dib.out(), progress);
    EXPECT_EQ(ok, static_cast<bool>(dib)) << "the result must agree with the picture";
    if (!ok) {
        EXPECT_GE(DibErrorText(dib.get()).size(), 6u);
    }
    return dib;
}

// Expects a decoding failure with a failure text.
inline ::testing::AssertionResult rejects(pixwerk::Decoder decoder, const Bytes& bytes) {
    UniqueDib dib = decode(decoder, bytes);
    if (dib) return ::testing::AssertionFailure() << "the damaged file opened";
    if (DibErrorText(dib.get()).size() < 6) return ::testing::AssertionFailure() << "no failure text";
    return ::testing::AssertionSuccess() << DibErrorText(dib.get());
}

inline int bitsOf(const UniqueDib& dib) { return dib ? dib.get().Info->bmiHeader.biBitCount : 0; }

// The colours of two pictures agree pixel for pixel.
inline ::testing::AssertionResult sameColours(const UniqueDib& expected, const UniqueDib& actual) {
    if (!actual) return ::testing::AssertionFailure() << "no picture: " << DibErrorText(actual.get());
    return netpbm::samePixels(netpbm::toRgb(expected.get()), netpbm::toRgb(actual.get()));
}

// A picture whose rows mix runs of every length (beyond 255 in wide rows) with single pixels.
inline UniqueDib runsPicture(int width, int height, int bits) {
    UniqueDib dib = netpbm::testPicture(width, height, bits);
    const TDib& d = dib.get();
    const int colours = bits <= 8 ? 1 << bits : 0;
    for (int y = 0; y < height; ++y) {
        BYTE* row = pixwerk::rowFromTop(d, y);
        const int run = y % 4 == 0 ? width : 1 + (y * 7) % 70;
        for (int x = 0; x < width; ++x) {
            if (y % 4 == 3 && x % 3 == 0) continue;  // keep some of the test pattern
            const unsigned v = static_cast<unsigned>(x / run * 37 + y * 11);
            if (bits == 24) {
                row[3 * x] = static_cast<BYTE>(v);
                row[3 * x + 1] = static_cast<BYTE>(v * 3);
                row[3 * x + 2] = static_cast<BYTE>(0xC0 | v);  // values that PCX must escape
            } else {
                pixwerk::setIndexAt(row, x, bits, (bits == 8 ? (0xC0 | v) : v) % colours);
            }
        }
    }
    return dib;
}

// Decodes prefixes of a file (every short one, then spread out, then the last 32):
// each gives a picture or a failure with a text, and those shorter than `mustFailBelow`
// fail. Returns how many prefixes opened.
inline int truncationSweep(pixwerk::Decoder decoder, const Bytes& file, std::size_t mustFailBelow) {
    int opened = 0;
    const std::size_t tail = file.size() > 32 ? file.size() - 32 : 0;
    for (std::size_t n = 0; n < file.size();) {
        UniqueDib dib = decode(decoder, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)));
        if (dib) ++opened;
        EXPECT_TRUE(!dib || n >= mustFailBelow) << "a prefix of " << n << " of " << file.size() << " bytes opened";
        n = n < 160 || n >= tail ? n + 1 : std::min(tail, n + 1 + file.size() / 97);
    }
    return opened;
}

// Writes a file and runs a netpbm reader on it; the pixels it reads, if any.
inline std::optional<netpbm::RgbImage> netpbmReads(const Bytes& file, const std::string& reader) {
    testsupport::TempDir dir;
    const std::string in = dir.file("in"), out = dir.file("out.pnm");
    if (!testsupport::writeFile(in, file) || !netpbm::convert(reader, in, out)) return std::nullopt;
    return netpbm::readPnm(out);
}

// A netpbm writer's file made from a picture; empty when the writer fails.
inline Bytes netpbmWrites(const TDib& dib, const std::string& writer, netpbm::PnmKind kind = netpbm::PnmKind::Ppm) {
    testsupport::TempDir dir;
    const std::string in = dir.file("in.pnm"), out = dir.file("out");
    if (!netpbm::writePnm(in, dib, kind) || !netpbm::convert(writer, in, out)) return {};
    return testsupport::readFile(out);
}

}  // namespace ownformats
