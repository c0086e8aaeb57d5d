// What the picture operations of both windows share: progress reports, the selection mask,
// palette updates and new pictures made like old ones.
#pragma once

#include "pixwerk/codec.h"
#include "pixwerk/pixwerk.h"

#include <cstdint>
#include <functional>

// Receives the progress of a picture operation in percent; 0 clears the display.
using TProgressSink = std::function<void(int Percent)>;

// Progress after step i of n: i x 100 / (n - 1), and 0 when there is only one step.
int ProgressPercent(std::int64_t i, std::int64_t n);

namespace picops {

// Reports 0 when made and when destroyed, and each step's percentage when it changes.
class ProgressReport {
public:
    explicit ProgressReport(const TProgressSink& sink);
    ~ProgressReport();
    ProgressReport(const ProgressReport&) = delete;
    ProgressReport& operator=(const ProgressReport&) = delete;
    void step(std::int64_t i, std::int64_t n);

private:
    void send(int percent);
    const TProgressSink& sink_;
    int last_ = 0;
};

// A picture with pixels and an info block.
inline bool isPicture(const TDib& dib) { return dib.Bits && dib.Info; }

// Rows from the top and palette indexes inside rows, as the raster library keeps them.
using pixwerk::indexAt;
using pixwerk::rowFromTop;
using pixwerk::setIndexAt;

// Stored row y, counted from the bottom row.
inline BYTE* storedRow(const TDib& dib, int y) { return dib.Bits + static_cast<std::ptrdiff_t>(y) * dib.LineBytes; }

// The editor's selection: a 1-bit mask of the picture's size, value 1 = selected. No mask
// (null or without pixels) selects everything; a mask of another size selects nothing.
class Selection {
public:
    Selection(const TDib* mask, const TDib& picture);
    bool all() const { return all_; }
    bool none() const { return none_; }
    // The mask row of picture row y (from the top); only when neither all() nor none().
    const BYTE* row(int y) const { return rowFromTop(mask_, y); }
    static bool selected(const BYTE* maskRow, int x) { return (maskRow[x >> 3] >> (7 - (x & 7))) & 1u; }

private:
    TDib mask_{};
    bool all_ = true;
    bool none_ = false;
};

// Number of palette entries of a depth: 2, 16 or 256, 0 for true colour.
inline int paletteSize(int bits) { return bits <= 8 ? 1 << bits : 0; }

// Puts `count` entries into the picture's palette and colour table, then makes its palette
// handle anew.
void setPalette(TDib& dib, const PALETTEENTRY* entries, int count);
// The same for a picture held by an owner.
void setPalette(UniqueDib& dib, const PALETTEENTRY* entries, int count);

// A new picture whose colour table holds `count` entries (none for true colour); every
// pixel 0. Without pixels when the raster library cannot make it.
UniqueDib newPicture(int width, int height, int bits, const PALETTEENTRY* entries, int count);
// A new picture of the given size with the depth and palette of `like`.
UniqueDib newLike(const TDib& like, int width, int height);

}  // namespace picops
