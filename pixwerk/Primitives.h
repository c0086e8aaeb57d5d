// Inside the raster library: pixel access and shapes shared by the primitives and the fill.
#pragma once

#include "pixwerk/codec.h"

#include <cstdint>

namespace pixwerk {

// A picture with pixels, addressed from the top row; values are palette indexes, or packed
// RGB with red in the low byte for 24 bits. Positions outside the picture are ignored.
class Canvas {
public:
    // False when the picture has no pixels or an unusable header.
    bool open(const TDib& dib);

    int width() const { return width_; }
    int height() const { return height_; }
    int bits() const { return bits_; }
    const TDib& dib() const { return dib_; }

    bool inside(std::int64_t x, std::int64_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    int get(int x, int y) const;          // inside only
    void put(int x, int y, int value) const;  // inside only
    void point(std::int64_t x, std::int64_t y, int value) const {
        if (inside(x, y)) put(static_cast<int>(x), static_cast<int>(y), value);
    }
    void span(std::int64_t y, std::int64_t x1, std::int64_t x2, int value) const;    // x1..x2 of row y
    void column(std::int64_t x, std::int64_t y1, std::int64_t y2, int value) const;  // y1..y2 of column x

private:
    TDib dib_{};
    int width_ = 0, height_ = 0, bits_ = 0;
};

// Both end points included.
void drawLine(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int value);
// The rectangle with corners (x1, y1) and (x2, y2) in either order, both included.
void drawRectangle(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int value,
                   bool filled);
// The ellipse inside that rectangle.
void drawEllipse(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int value,
                 bool filled);

}  // namespace pixwerk
