// What the tests of the JPEG, PNG, TIFF and GIF modules share: coding through memory and
// damaged-file checks.
#pragma once

#include "pixwerk/codec.h"
#include "pixwerk/tests/NetpbmSupport.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace libformats {

using Bytes = std::vector<BYTE>;

// The bytes an encoder writes; empty when it fails.
inline Bytes encodeWith(pixwerk::Encoder encoder, const TDib& dib, int type) {
    std::FILE* f = std::tmpfile();
    if (!f) return {};
    pixwerk::Progress progress(nullptr);
    Bytes out;
    if (encoder(dib, f, type, progress) && std::fseek(f, 0, SEEK_END) == 0) {
        out.resize(static_cast<std::size_t>(std::ftell(f)));
        std::rewind(f);
        if (std::fread(out.data(), 1, out.size(), f) != out.size()) out.clear();
    }
    std::fclose(f);
    return out;
}

// Decodes from a buffer of exactly the file's size, so that the sanitizer sees overreads.
// A failure must leave no pixels and a text of at least six characters.
inline UniqueDib decodeWith(pixwerk::Decoder decoder, const Bytes& bytes) {
    std::unique_ptr<BYTE[]> copy(new BYTE[bytes.size() ? bytes.size() : 1]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    pixwerk::Progress progress(nullptr);
    UniqueDib dib;
    const bool ok = decoder(copy.get(), bytes.size(), dib.out(), progress);
    EXPECT_EQ(ok, static_cast<bool>(dib));
    if (!ok) {
        EXPECT_GE(DibErrorText(dib.get()).size(), 6u) << "failure text: " << DibErrorText(dib.get());
    }
    return dib;
}

inline ::testing::AssertionResult rejected(pixwerk::Decoder decoder, const Bytes& bytes) {
    const UniqueDib dib = decodeWith(decoder, bytes);
    if (dib) return ::testing::AssertionFailure() << "the damaged file opened";
    return ::testing::AssertionSuccess();
}

// Every prefix of `file` shorter than its size less `tail` bytes must fail cleanly; longer
// ones may open. Short prefixes are all tried, longer ones spread over the file.
inline void expectTruncationsFail(pixwerk::Decoder decoder, const Bytes& file, std::size_t tail = 0) {
    for (std::size_t n = 0; n + tail < file.size();) {
        EXPECT_TRUE(rejected(decoder, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n))))
            << "prefix of " << n << " of " << file.size() << " bytes";
        n = n < 200 || n + 64 + tail >= file.size() ? n + 1 : n + 1 + file.size() / 61;
    }
}

// Decodes and compares colours with a picture.
inline ::testing::AssertionResult decodesTo(pixwerk::Decoder decoder, const Bytes& file, const TDib& expected,
                                            int tolerance = 0) {
    const UniqueDib dib = decodeWith(decoder, file);
    if (!dib) return ::testing::AssertionFailure() << "no picture: " << DibErrorText(dib.get());
    return netpbm::samePixels(netpbm::toRgb(expected), netpbm::toRgb(dib.get()), tolerance);
}

inline int bitsOf(const UniqueDib& dib) { return dib ? dib.get().Info->bmiHeader.biBitCount : 0; }

// Writes bytes to a file in `dir` and returns its path.
inline std::string saved(const testsupport::TempDir& dir, const std::string& name, const Bytes& bytes) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(testsupport::writeFile(path, bytes));
    return path;
}

}  // namespace libformats
