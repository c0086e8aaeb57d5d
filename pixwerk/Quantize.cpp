// Reducing a true-colour picture to 256 colours for palette-only formats.
#include "pixwerk/codec.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <vector>

namespace pixwerk {
namespace {

constexpr int kBins = 32 * 32 * 32;  // 5 bits per channel

inline int binOf(int r, int g, int b) { return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3); }

inline std::uint32_t packBgr(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16; }

// The picture's colours when there are at most 256 of them (packed blue, green, red).
bool fewColours(const TDib& dib, std::map<std::uint32_t, int>& colours, Progress& progress) {
    const int width = dib.Info->bmiHeader.biWidth, height = dib.Info->bmiHeader.biHeight;
    for (int y = 0; y < height; ++y) {
        progress.row(y, height);
        const BYTE* row = rowFromTop(dib, y);
        for (int x = 0; x < width; ++x) {
            colours.emplace(packBgr(row + 3 * x), 0);
            if (colours.size() > 256) return false;
        }
    }
    int i = 0;
    for (auto& c : colours) c.second = i++;
    return true;
}

struct Box {
    int lo[3], hi[3];  // inclusive bin ranges per channel (red, green, blue)
    std::uint64_t count;
};

struct Histogram {
    std::vector<std::uint32_t> count = std::vector<std::uint32_t>(kBins);
    std::vector<std::array<std::uint64_t, 3>> sum = std::vector<std::array<std::uint64_t, 3>>(kBins);

    int bin(const int c[3]) const { return c[0] << 10 | c[1] << 5 | c[2]; }

    // Shrinks a box to the bins it really holds and counts its pixels.
    void fit(Box& box) const {
        int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
        box.count = 0;
        int c[3];
        for (c[0] = box.lo[0]; c[0] <= box.hi[0]; ++c[0])
            for (c[1] = box.lo[1]; c[1] <= box.hi[1]; ++c[1])
                for (c[2] = box.lo[2]; c[2] <= box.hi[2]; ++c[2]) {
                    const std::uint32_t n = count[bin(c)];
                    if (!n) continue;
                    box.count += n;
                    for (int k = 0; k < 3; ++k) {
                        lo[k] = std::min(lo[k], c[k]);
                        hi[k] = std::max(hi[k], c[k]);
                    }
                }
        if (box.count) std::copy_n(lo, 3, box.lo), std::copy_n(hi, 3, box.hi);
    }

    // Splits a box at the median of its longest side; false when it is one bin.
    bool split(Box& box, Box& other) const {
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) axis = k;
        if (box.hi[axis] == box.lo[axis]) return false;
        std::vector<std::uint64_t> slice(32);
        int c[3];
        for (c[0] = box.lo[0]; c[0] <= box.hi[0]; ++c[0])
            for (c[1] = box.lo[1]; c[1] <= box.hi[1]; ++c[1])
                for (c[2] = box.lo[2]; c[2] <= box.hi[2]; ++c[2]) slice[c[axis]] += count[bin(c)];
        std::uint64_t seen = 0;
        int cut = box.lo[axis];
        for (; cut < box.hi[axis] - 1; ++cut) {
            seen += slice[cut];
            if (seen * 2 >= box.count) break;
        }
        other = box;
        box.hi[axis] = cut;
        other.lo[axis] = cut + 1;
        fit(box);
        fit(other);
        return true;
    }

    RGBQUAD mean(const Box& box) const {
        std::uint64_t s[3] = {0, 0, 0};
        int c[3];
        for (c[0] = box.lo[0]; c[0] <= box.hi[0]; ++c[0])
            for (c[1] = box.lo[1]; c[1] <= box.hi[1]; ++c[1])
                for (c[2] = box.lo[2]; c[2] <= box.hi[2]; ++c[2])
                    for (int k = 0; k < 3; ++k) s[k] += sum[bin(c)][k];
        auto avg = [&](int k) { return static_cast<BYTE>((s[k] + box.count / 2) / box.count); };
        return RGBQUAD{avg(2), avg(1), avg(0), 0};
    }
};

std::vector<RGBQUAD> medianCut(const TDib& dib, Progress& progress) {
    Histogram h;
    const int width = dib.Info->bmiHeader.biWidth, height = dib.Info->bmiHeader.biHeight;
    for (int y = 0; y < height; ++y) {
        progress.row(y, height);
        const BYTE* p = rowFromTop(dib, y);
        for (int x = 0; x < width; ++x, p += 3) {
            const int b = binOf(p[2], p[1], p[0]);
            ++h.count[b];
            h.sum[b][0] += p[2];
            h.sum[b][1] += p[1];
            h.sum[b][2] += p[0];
        }
    }
    std::vector<Box> boxes{Box{{0, 0, 0}, {31, 31, 31}, 0}};
    h.fit(boxes[0]);
    while (boxes.size() < 256) {
        // Split the most populous box that can still be split.
        std::vector<std::size_t> order(boxes.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](auto a, auto b) { return boxes[a].count > boxes[b].count; });
        bool split = false;
        for (std::size_t i : order) {
            Box other{};
            if (h.split(boxes[i], other)) {
                boxes.push_back(other);
                split = true;
                break;
            }
        }
        if (!split) break;
    }
    std::vector<RGBQUAD> palette;
    for (const Box& b : boxes)
        if (b.count) palette.push_back(h.mean(b));
    return palette;
}

int nearest(const std::vector<RGBQUAD>& palette, int r, int g, int b) {
    int best = 0, bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int dr = r - palette[i].rgbRed, dg = g - palette[i].rgbGreen, db = b - palette[i].rgbBlue;
        const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
    }
    return best;
}

// Floyd-Steinberg error diffusion onto `palette`; nearest entries are cached per 6-bit cell.
void diffuse(const TDib& dib, const std::vector<RGBQUAD>& palette, TDib& out, Progress& progress) {
    const int width = dib.Info->bmiHeader.biWidth, height = dib.Info->bmiHeader.biHeight;
    std::vector<short> cache(1 << 18, -1);
    std::vector<int> error(static_cast<std::size_t>(width + 2) * 3 * 2, 0);
    int* cur = error.data();
    int* next = cur + (width + 2) * 3;
    for (int y = 0; y < height; ++y) {
        progress.row(y, height);
        const BYTE* src = rowFromTop(dib, y);
        BYTE* dst = rowFromTop(out, y);
        std::fill(next, next + (width + 2) * 3, 0);
        for (int x = 0; x < width; ++x) {
            int c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = std::clamp(src[3 * x + 2 - k] + (cur[(x + 1) * 3 + k] + 8) / 16, 0, 255);
            short& hit = cache[(c[0] >> 2) << 12 | (c[1] >> 2) << 6 | (c[2] >> 2)];
            if (hit < 0) hit = static_cast<short>(nearest(palette, c[0] | 2, c[1] | 2, c[2] | 2));
            const int index = hit;
            dst[x] = static_cast<BYTE>(index);
            const RGBQUAD& q = palette[index];
            const int e[3] = {c[0] - q.rgbRed, c[1] - q.rgbGreen, c[2] - q.rgbBlue};
            for (int k = 0; k < 3; ++k) {
                cur[(x + 2) * 3 + k] += e[k] * 7;
                next[x * 3 + k] += e[k] * 3;
                next[(x + 1) * 3 + k] += e[k] * 5;
                next[(x + 2) * 3 + k] += e[k];
            }
        }
        std::swap(cur, next);
    }
}

}  // namespace

bool reduceTo8Bits(const TDib& dib, TDib* out, Progress& progress, int from, int to) {
    const int width = dib.Info->bmiHeader.biWidth, height = dib.Info->bmiHeader.biHeight;
    // The phases get the shares of the time they take on a photograph.
    const auto part = [&](int a, int b) { progress.phase(from + (to - from) * a / 100, from + (to - from) * b / 100); };
    part(0, 15);
    std::map<std::uint32_t, int> colours;
    if (fewColours(dib, colours, progress)) {
        std::vector<RGBQUAD> table;
        for (const auto& c : colours)
            table.push_back(RGBQUAD{BYTE(c.first), BYTE(c.first >> 8), BYTE(c.first >> 16), 0});
        if (!allocDib(out, width, height, 8, table.data(), static_cast<int>(table.size()))) return false;
        part(15, 100);
        for (int y = 0; y < height; ++y) {
            progress.row(y, height);
            const BYTE* src = rowFromTop(dib, y);
            BYTE* dst = rowFromTop(*out, y);
            for (int x = 0; x < width; ++x) dst[x] = static_cast<BYTE>(colours[packBgr(src + 3 * x)]);
        }
        return true;
    }
    part(15, 40);
    const std::vector<RGBQUAD> palette = medianCut(dib, progress);
    if (!allocDib(out, width, height, 8, palette.data(), static_cast<int>(palette.size()))) return false;
    part(40, 100);
    diffuse(dib, palette, *out, progress);
    return true;
}

}  // namespace pixwerk
