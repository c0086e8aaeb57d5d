// Error-diffusion dithering onto a palette, and the nearest-colour search it uses.
#pragma once

#include "poster/PictureOps.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

// The palette entry nearest to a colour by the platform's rule (least squared distance,
// first entry on ties), remembered per colour so each colour is searched once.
class TNearestColour {
public:
    TNearestColour(const PALETTEENTRY* entries, int count);
    // The palette of a picture with 1, 4 or 8 bits.
    explicit TNearestColour(const TDib& paletted);
    BYTE operator()(int red, int green, int blue) {
        if (!table_) return search(red, green, blue);
        std::uint16_t& known = table_.get()[red << 16 | green << 8 | blue];
        if (!known) known = static_cast<std::uint16_t>(search(red, green, blue) + 1);
        return static_cast<BYTE>(known - 1);
    }

private:
    BYTE search(int red, int green, int blue) const;
    struct Free {
        void operator()(std::uint16_t* p) const { std::free(p); }
    };
    PALETTEENTRY entries_[256]{};
    int count_ = 0;
    std::unique_ptr<std::uint16_t, Free> table_;  // index + 1 per colour, 0 = not yet known
};

// Maps every pixel of Source (1, 4, 8 or 24 bits) onto the palette of Dest (1, 4 or 8 bits,
// at least Source's size), spreading each pixel's error over its neighbours with the
// Floyd-Steinberg weights, rows from the top in serpentine order. Does nothing when either
// picture has no pixels, Dest has no palette or is smaller than Source.
void DitherToPalette(TDib Source, TDib Dest, const TProgressSink& Progress = {});
