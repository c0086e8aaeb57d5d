// The one check every decoder fuzz program makes: arbitrary bytes give a sound picture or
// no pixels with a failure text; a picture of one of our own formats must also write and
// read back to the same pixels.
#pragma once

#include "pixwerk/OwnFormats.h"

#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline void limitMemory() { pixwerk::setAllocationLimit(64u << 20); }

// `encoder` may be null (formats written by outside libraries are not re-encoded here);
// `type` and `altType` are the type codes used for even and odd input sizes.
inline int checkDecoder(const std::uint8_t* data, std::size_t size, pixwerk::Decoder decoder,
                        pixwerk::Encoder encoder = nullptr, int type = 0, int altType = 0) {
    TDib dib{};
    pixwerk::Progress quiet(nullptr);
    if (decoder(data, size, &dib, quiet)) {
        const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
        if (!dib.Bits || h.biWidth <= 0 || h.biHeight <= 0 || h.biWidth > pixwerk::kMaxSide ||
            h.biHeight > pixwerk::kMaxSide)
            std::abort();
        const std::int64_t pixels = std::int64_t(h.biWidth) * h.biHeight;
        if (encoder && pixels <= (1 << 18) &&
            !pixwerk::own::reencodes(dib, encoder, decoder, size % 2 ? altType : type))
            std::abort();
    } else if (dib.Bits || DibErrorText(dib).size() < 6) {
        std::abort();
    }
    deldib(dib);
    return 0;
}

}  // namespace fuzz

#define TESSELLON_FUZZ_DECODER(...)                                                    \
    extern "C" int LLVMFuzzerInitialize(int*, char***) {                               \
        fuzz::limitMemory();                                                           \
        return 0;                                                                      \
    }                                                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
        return fuzz::checkDecoder(data, size, __VA_ARGS__);                            \
    }
