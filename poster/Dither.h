// Error-diffusion dithering onto a palette, and the nearest-colour search it uses.
#pragma once

#include "poster/PictureOps.h"

#include <cstdint>
#include <vector>

// The palette entry nearest to a colour by the platform's rule (least squared distance,
// first entry on ties). Large palettes are searched through cells of 8 x 8 x 8 colours:
// the first time a cell is asked for, it keeps the few entries that can be nearest to any
// colour inside it, so later colours of that cell compare only those.
class TNearestColour {
public:
    TNearestColour(const PALETTEENTRY* entries, int count);
    // The palette of a picture with 1, 4 or 8 bits.
    explicit TNearestColour(const TDib& paletted);
    BYTE operator()(int red, int green, int blue) {
        if (count_ <= 16) return small(red, green, blue);
        std::uint32_t& cell = cells_[static_cast<std::size_t>((red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3))];
        if (!cell) cell = makeCell(red >> 3, green >> 3, blue >> 3);
        const Candidate* c = pool_.data() + (cell >> 8) - 1;
        const Candidate* end = c + (cell & 0xFF) + 1;
        int best = INT32_MAX;
        BYTE index = 0;
        for (; c != end; ++c) {
            const int dr = c->red - red, dg = c->green - green, db = c->blue - blue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) {  // candidates stand in index order: the first of equals wins
                best = d;
                index = c->index;
            }
        }
        return index;
    }

private:
    struct Candidate {
        BYTE red, green, blue, index;
    };
    BYTE small(int red, int green, int blue) const;
    // The candidates of a cell, appended to the pool; returns (start + 1) << 8 | (count - 1).
    std::uint32_t makeCell(int cr, int cg, int cb);
    PALETTEENTRY entries_[256]{};
    int count_ = 0;
    std::vector<std::uint32_t> cells_;  // 0 = not yet made
    std::vector<Candidate> pool_;
};

// Maps every pixel of Source (1, 4, 8 or 24 bits) onto the palette of Dest (1, 4 or 8 bits,
// at least Source's size), spreading each pixel's error over its neighbours with the
// Floyd-Steinberg weights, rows from the top in serpentine order. Does nothing when either
// picture has no pixels, Dest has no palette or is smaller than Source.
void DitherToPalette(TDib Source, TDib Dest, const TProgressSink& Progress = {});
