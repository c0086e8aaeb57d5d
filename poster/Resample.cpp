#include "poster/Resample.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using namespace picops;

// Source position of each result position, in 64 bits: (i x scale) / 1024.
std::vector<int> sourcePositions(int count, std::int64_t scale) {
    std::vector<int> at(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) at[static_cast<std::size_t>(i)] = static_cast<int>((i * scale) >> 10);
    return at;
}

// One source row interpolated across: (P(x0) x (1024 - fx) + P(x1) x fx) >> 10 per component.
void interpolateRow(const BYTE* in, const std::vector<int>& x0, const std::vector<int>& x1, const std::vector<int>& fx,
                    int* out) {
    const std::size_t n = x0.size();
    for (std::size_t x = 0; x < n; ++x) {
        const BYTE* a = in + 3 * x0[x];
        const BYTE* b = in + 3 * x1[x];
        const int f = fx[x], g = 1024 - f;
        out[3 * x] = (a[0] * g + b[0] * f) >> 10;
        out[3 * x + 1] = (a[1] * g + b[1] * f) >> 10;
        out[3 * x + 2] = (a[2] * g + b[2] * f) >> 10;
    }
}

void smooth(const TDib& dib, const TDib& out, std::int64_t sx, std::int64_t sy, ProgressReport& report) {
    const int oldWidth = dib.Info->bmiHeader.biWidth, oldHeight = dib.Info->bmiHeader.biHeight;
    const int width = out.Info->bmiHeader.biWidth, height = out.Info->bmiHeader.biHeight;
    std::vector<int> x0(static_cast<std::size_t>(width)), x1(x0.size()), fx(x0.size());
    for (int x = 0; x < width; ++x) {
        const std::int64_t p = x * sx;
        x0[static_cast<std::size_t>(x)] = static_cast<int>(p >> 10);
        fx[static_cast<std::size_t>(x)] = static_cast<int>(p & 1023);
        x1[static_cast<std::size_t>(x)] = std::min(static_cast<int>(p >> 10) + 1, oldWidth - 1);
    }
    // The two source rows of the current result row, interpolated across; kept while the
    // result rows use them.
    const std::size_t n = 3 * static_cast<std::size_t>(width);
    std::vector<int> lower(n), upper(n);
    int lowerRow = -1, upperRow = -1;
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        const std::int64_t p = y * sy;
        const int y0 = static_cast<int>(p >> 10), fy = static_cast<int>(p & 1023), gy = 1024 - fy;
        const int y1 = std::min(y0 + 1, oldHeight - 1);
        if (y0 != lowerRow) {
            if (y0 == upperRow) {
                std::swap(lower, upper);
                std::swap(lowerRow, upperRow);
            } else {
                interpolateRow(storedRow(dib, y0), x0, x1, fx, lower.data());
                lowerRow = y0;
            }
        }
        if (y1 != upperRow) {
            if (y1 == lowerRow) {
                upper = lower;
            } else {
                interpolateRow(storedRow(dib, y1), x0, x1, fx, upper.data());
            }
            upperRow = y1;
        }
        BYTE* o = storedRow(out, y);
        const int* a = lower.data();
        const int* b = upper.data();
        for (std::size_t i = 0; i < n; ++i) o[i] = static_cast<BYTE>((a[i] * gy + b[i] * fy) >> 10);
    }
}

}  // namespace

UniqueDib ResizeDib(TDib Dib, int NewWidth, int NewHeight, bool Smooth, const TProgressSink& Progress) {
    if (!isPicture(Dib) || NewWidth <= 0 || NewHeight <= 0) return {};
    const int oldWidth = Dib.Info->bmiHeader.biWidth, oldHeight = Dib.Info->bmiHeader.biHeight;
    const int bits = Dib.Info->bmiHeader.biBitCount;
    UniqueDib result = newLike(Dib, NewWidth, NewHeight);
    if (!result) return {};
    const TDib& out = result.get();
    const std::int64_t sx = std::int64_t{oldWidth} * 1024 / NewWidth;
    const std::int64_t sy = std::int64_t{oldHeight} * 1024 / NewHeight;
    ProgressReport report(Progress);
    if (bits == 24 && Smooth && NewWidth >= oldWidth && NewHeight >= oldHeight) {
        smooth(Dib, out, sx, sy, report);
        return result;
    }
    const std::vector<int> column = sourcePositions(NewWidth, sx);
    const std::vector<int> row = sourcePositions(NewHeight, sy);
    for (int y = 0; y < NewHeight; ++y) {
        report.step(y, NewHeight);
        const int source = row[static_cast<std::size_t>(y)];
        // 1-bit pictures count rows from the top, the others from the bottom stored row.
        const BYTE* in = bits == 1 ? rowFromTop(Dib, source) : storedRow(Dib, source);
        BYTE* o = bits == 1 ? rowFromTop(out, y) : storedRow(out, y);
        switch (bits) {
        case 24:
            for (int x = 0; x < NewWidth; ++x) std::memcpy(o + 3 * x, in + 3 * column[static_cast<std::size_t>(x)], 3);
            break;
        case 8:
            for (int x = 0; x < NewWidth; ++x) o[x] = in[column[static_cast<std::size_t>(x)]];
            break;
        default:
            for (int x = 0; x < NewWidth; ++x) setIndexAt(o, x, bits, indexAt(in, column[static_cast<std::size_t>(x)], bits));
        }
    }
    return result;
}
