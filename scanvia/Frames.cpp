#include "Frames.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace scanvia {
namespace {

// A frame's geometry, checked against its bytes.
struct Shape {
    int width = 0;
    int height = 0;      // rows of the picture
    int rows = 0;        // complete rows the frame holds (at most height)
    int channels = 1;
    int depth = 8;
    std::int64_t lineBytes = 0;
};

bool shapeOf(const Frame& f, Shape& s) {
    const SANE_Parameters& p = f.params;
    if (p.depth != 1 && p.depth != 8 && p.depth != 16) return false;
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0) return false;
    s.channels = p.format == SANE_FRAME_RGB ? 3 : 1;
    s.depth = p.depth;
    s.width = p.pixels_per_line;
    s.lineBytes = p.bytes_per_line;
    const std::int64_t needed = (static_cast<std::int64_t>(s.width) * s.channels * s.depth + 7) / 8;
    if (s.lineBytes < needed) return false;
    const std::int64_t complete = static_cast<std::int64_t>(f.data.size()) / s.lineBytes;
    const std::int64_t height = p.lines >= 0 ? p.lines : complete;
    if (height <= 0 || height > std::numeric_limits<int>::max()) return false;
    s.height = static_cast<int>(height);
    s.rows = static_cast<int>(std::min(complete, height));
    return true;
}

// Sample `index` of a row (pixel x channels + channel) scaled to 0..255.
inline int sample(const std::uint8_t* row, std::int64_t index, int depth) {
    switch (depth) {
    case 8: return row[index];
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * index, sizeof v);
        return v >> 8;
    }
    default: return (row[index >> 3] >> (7 - (index & 7))) & 1 ? 255 : 0;
    }
}

// The row of a bottom-up picture that shows line y from the top.
inline BYTE* rowOf(const TDib& dib, int height, int y) {
    return dib.Bits + static_cast<std::int64_t>(height - 1 - y) * dib.LineBytes;
}

TDib fail() {
    TDib dib{};
    return dib;
}

TDib newPicture(int width, int height, int bits) {
    TDib dib{};
    if (bits == 8) {
        std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
        auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
        for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
        newdib(&dib, width, height, 8, reinterpret_cast<const BITMAPINFO*>(info.data()), 256);
    } else {
        // 1 bit: black (0) and white (1).
        newdib(&dib, width, height, bits, nullptr, 0);
    }
    if (dib.Bits) std::memset(dib.Bits, 0xFF, dib.Info->bmiHeader.biSizeImage);  // white
    return dib;
}

TDib grey(const Frame& f, const Shape& s) {
    if (s.depth == 1) {
        TDib dib = newPicture(s.width, s.height, 1);
        if (!dib.Bits) return dib;
        const std::size_t bytes = (static_cast<std::size_t>(s.width) + 7) / 8;
        const int tail = s.width % 8;
        for (int y = 0; y < s.rows; ++y) {
            const std::uint8_t* src = f.data.data() + y * s.lineBytes;
            BYTE* dst = rowOf(dib, s.height, y);
            // The scanner's 1 is black; the picture's black is index 0.
            for (std::size_t i = 0; i < bytes; ++i) dst[i] = static_cast<BYTE>(~src[i]);
            if (tail) dst[bytes - 1] &= static_cast<BYTE>(0xFF << (8 - tail));
        }
        return dib;
    }
    TDib dib = newPicture(s.width, s.height, 8);
    if (!dib.Bits) return dib;
    for (int y = 0; y < s.rows; ++y) {
        const std::uint8_t* src = f.data.data() + y * s.lineBytes;
        BYTE* dst = rowOf(dib, s.height, y);
        for (int x = 0; x < s.width; ++x) dst[x] = static_cast<BYTE>(sample(src, x, s.depth));
    }
    return dib;
}

TDib colour(const Frame& f, const Shape& s) {
    TDib dib = newPicture(s.width, s.height, 24);
    if (!dib.Bits) return dib;
    for (int y = 0; y < s.rows; ++y) {
        const std::uint8_t* src = f.data.data() + y * s.lineBytes;
        BYTE* dst = rowOf(dib, s.height, y);
        for (int x = 0; x < s.width; ++x) {
            const std::int64_t i = 3 * static_cast<std::int64_t>(x);
            dst[3 * x + 2] = static_cast<BYTE>(sample(src, i, s.depth));
            dst[3 * x + 1] = static_cast<BYTE>(sample(src, i + 1, s.depth));
            dst[3 * x + 0] = static_cast<BYTE>(sample(src, i + 2, s.depth));
        }
    }
    return dib;
}

TDib threePass(const std::vector<Frame>& frames) {
    // Byte offset of each colour in a blue, green, red pixel.
    const Frame* planes[3] = {nullptr, nullptr, nullptr};
    Shape shapes[3];
    for (const Frame& f : frames) {
        int at;
        switch (f.params.format) {
        case SANE_FRAME_RED: at = 2; break;
        case SANE_FRAME_GREEN: at = 1; break;
        case SANE_FRAME_BLUE: at = 0; break;
        default: return fail();
        }
        if (planes[at] || !shapeOf(f, shapes[at])) return fail();
        planes[at] = &f;
    }
    for (const Frame* p : planes)
        if (!p) return fail();
    const int width = shapes[0].width;
    int height = 0;
    for (const Shape& s : shapes) {
        if (s.width != width) return fail();
        height = std::max(height, s.height);
    }
    TDib dib = newPicture(width, height, 24);
    if (!dib.Bits) return dib;
    for (int at = 0; at < 3; ++at) {
        const Shape& s = shapes[at];
        for (int y = 0; y < s.rows; ++y) {
            const std::uint8_t* src = planes[at]->data.data() + y * s.lineBytes;
            BYTE* dst = rowOf(dib, height, y) + at;
            for (int x = 0; x < width; ++x) dst[3 * x] = static_cast<BYTE>(sample(src, x, s.depth));
        }
    }
    return dib;
}

}  // namespace

TDib assemblePicture(const std::vector<Frame>& frames) {
    if (frames.empty()) return fail();
    if (frames.size() == 1 &&
        (frames[0].params.format == SANE_FRAME_GRAY || frames[0].params.format == SANE_FRAME_RGB)) {
        Shape s;
        if (!shapeOf(frames[0], s)) return fail();
        return frames[0].params.format == SANE_FRAME_GRAY ? grey(frames[0], s) : colour(frames[0], s);
    }
    if (frames.size() == 3) return threePass(frames);
    return fail();
}

}  // namespace scanvia
