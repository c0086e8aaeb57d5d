// Pixel work of the device layer: nearest-neighbour stretching with raster operations onto
// RGB32 images, DIB row access and conversions between DIB rows and images.
#pragma once

#include "platform/gditypes.h"

#include <QImage>
#include <QRegion>

#include <array>
#include <cstddef>
#include <unordered_map>
#include <vector>

class QPainter;

namespace platform::gdi::raster {

// Pixels addressed by top-down row and column.
struct Source {
    enum Kind { Bits1, Bits4, Bits8, Bits24, Bits32, Rgb32 };
    Kind kind = Rgb32;
    int width = 0;
    int height = 0;
    // Address of top-down row `baseRow` and the distance to the next row down.
    const uchar* base = nullptr;
    int baseRow = 0;
    std::ptrdiff_t stride = 0;
    // Rows [rowBegin, rowEnd) are present.
    int rowBegin = 0;
    int rowEnd = 0;
    // Colours of palette indexes, 0xFFRRGGBB.
    std::array<QRgb, 256> lut{};
    int colours = 0;

    const uchar* row(int y) const { return base + static_cast<std::ptrdiff_t>(y - baseRow) * stride; }
    QRgb pixel(int x, int y) const;
};

// A readable DIB header: BITMAPINFOHEADER (or larger) with 1, 4, 8, 24 or 32 bits, BI_RGB.
struct DibFormat {
    int width = 0;
    int height = 0;  // rows, positive
    int bitCount = 0;
    bool topDown = false;
    LONG lineBytes = 0;
    int tableEntries = 0;  // entries of the colour table that follows the header
    std::size_t imageBytes = 0;
};
bool readDibFormat(const BITMAPINFO* info, DibFormat& out);

// A source over DIB bits that hold `scans` rows from scan line `startScan` on (scan lines
// count from the bottom for bottom-up DIBs, from the top for top-down ones). DIB_PAL_COLORS
// tables index `palette`.
bool dibSource(const BITMAPINFO* info, const void* bits, UINT usage, const std::vector<PALETTEENTRY>& palette,
               UINT startScan, UINT scans, Source& out);
Source imageSource(const QImage& image);  // RGB32 image

// One axis of a stretch: destination origin and signed extent, source origin (top-down for
// rows) and signed extent. A negative extent runs backwards from its origin, origin included.
struct Axis {
    int dst = 0;
    int dstExt = 0;
    int src = 0;
    int srcExt = 0;
};

// Rows of a DIB source rectangle given in the DIB convention (SrcY from the bottom).
Axis dibRows(int y, int destHeight, int srcY, int srcHeight, int pictureHeight);

// The destination rectangle an axis pair covers.
QRect destRect(const Axis& h, const Axis& v);

bool ropUsesSource(DWORD rop);

// Stretches `src` onto `target` inside `clip` (device coordinates) with the ternary raster
// operation `rop`; `pattern` is the brush colour. Returns the changed rectangle.
QRect stretch(QImage& target, const QRegion& clip, const Axis& h, const Axis& v, const Source& src, DWORD rop,
              QRgb pattern);

// Applies a raster operation that needs no source to `rect` inside `clip`.
QRect patternFill(QImage& target, const QRegion& clip, const QRect& rect, DWORD rop, QRgb pattern);

// Draws the source section through a painter (vector devices): the section is handed over
// at its own resolution, wrapped without copying where the format allows.
void drawThroughPainter(QPainter& painter, const Axis& h, const Axis& v, const Source& src);

// Nearest entry of a colour table, remembered per colour.
class Nearest {
public:
    explicit Nearest(std::vector<QRgb> table);
    BYTE operator()(QRgb colour);
    const std::vector<QRgb>& table() const { return table_; }

private:
    std::vector<QRgb> table_;
    std::unordered_map<QRgb, BYTE> cache_;
};

// Writes `width` RGB32 pixels as one DIB row of `bitCount` bits (indexes through `nearest`).
void packRow(const QRgb* pixels, int width, int bitCount, Nearest* nearest, uchar* out);
// Writes pixels [x0, x0 + count) of an RGB32 row into the same pixels of a DIB row.
void packSpan(const QRgb* pixels, int x0, int count, int bitCount, Nearest* nearest, uchar* out);
// Reads top-down row `y` of the source as RGB32.
void unpackRow(const Source& src, int y, QRgb* out);

}  // namespace platform::gdi::raster
