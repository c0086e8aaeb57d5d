// GIF LZW decoder and encoder.
#include "kit/GifLzw.h"

#include "classlib/Graphics.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace gif {

namespace {

const char* const kCorrupt = "GIF encoded data is corrupt";
const char* const kCodeSize = "GIF code size not in range 2 to 9";

constexpr int kMaxCodes = 4096;
const int kPassStart[4] = {0, 4, 2, 1};
const int kPassStep[4] = {8, 8, 4, 2};

// Codes read least significant bit first across the sub-blocks.
class CodeReader {
public:
    CodeReader(const BYTE* data, std::size_t size) : data_(data), size_(size), pos_(1) {}
    // False when the data end first.
    bool read(int width, int& code) {
        while (bits_ < width) {
            if (!left_) {
                if (pos_ >= size_ || data_[pos_] == 0) return false;
                left_ = data_[pos_++];
            }
            if (pos_ >= size_) return false;
            buffer_ |= static_cast<std::uint32_t>(data_[pos_++]) << bits_;
            bits_ += 8;
            --left_;
        }
        code = static_cast<int>(buffer_ & ((1u << width) - 1));
        buffer_ >>= width;
        bits_ -= width;
        return true;
    }
    std::size_t position() const { return pos_; }

private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t pos_;
    std::size_t left_ = 0;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

// Writes pixels into the rows in stored order.
class PixelSink {
public:
    explicit PixelSink(const FrameRows& rows) : rows_(rows), order_(rows.Height, rows.Interlaced) {}
    bool full() const { return order_.Done(); }
    void put(int pixel) {
        if (order_.Done()) return;
        BYTE* line = rows_.Bits + static_cast<std::size_t>(rows_.RowBytes) * static_cast<std::size_t>(rows_.Height - 1 - order_.Row());
        switch (rows_.BitCount) {
        case 1: line[x_ >> 3] |= static_cast<BYTE>((pixel & 1) << (7 - (x_ & 7))); break;
        case 4: line[x_ >> 1] |= static_cast<BYTE>((pixel & 15) << ((x_ & 1) ? 0 : 4)); break;
        default: line[x_] = static_cast<BYTE>(pixel); break;
        }
        if (++x_ == rows_.Width) {
            x_ = 0;
            order_.Next();
        }
    }

private:
    FrameRows rows_;
    RowOrder order_;
    int x_ = 0;
};

}  // namespace

RowOrder::RowOrder(int height, bool interlaced) : height_(height), interlaced_(interlaced) {}

void RowOrder::Next() {
    ++done_;
    if (!interlaced_) {
        ++row_;
        return;
    }
    row_ += kPassStep[pass_];
    while (row_ >= height_ && pass_ < 3) {
        ++pass_;
        row_ = kPassStart[pass_];
    }
}

DecodeResult DecodeLzw(const BYTE* data, std::size_t size, int bitsPerPixel, FrameRows rows, bool tolerant,
                       const std::function<void(int)>& progress) {
    auto damaged = [tolerant](const char* text) {
        if (!tolerant) throw EInvalidGraphicOperation(text);
        return DecodeResult::Corrupted;
    };
    if (!data || size == 0) return damaged(kCorrupt);
    if (rows.Width <= 0 || rows.Height <= 0) return DecodeResult::Complete;
    bool corrupted = false;
    int minSize = data[0];
    if (minSize < 2 || minSize > 9) {
        damaged(kCodeSize);
        corrupted = true;
        minSize = std::clamp(minSize, 2, 9);
    }
    const int mask = (1 << std::clamp(bitsPerPixel, 1, 8)) - 1;
    const int clear = 1 << minSize;
    const int end = clear + 1;
    int width = minSize + 1;
    int next = clear + 2;
    int prev = -1;
    auto prefix = std::make_unique<std::array<std::int16_t, kMaxCodes>>();
    auto suffix = std::make_unique<std::array<BYTE, kMaxCodes>>();
    std::array<BYTE, kMaxCodes> stack;
    CodeReader reader(data, size);
    PixelSink sink(rows);
    int shown = -1;
    auto report = [&] {
        if (!progress) return;
        const int percent = static_cast<int>(static_cast<double>(reader.position()) * 100.0 / static_cast<double>(size));
        if (percent > shown) {
            shown = percent;
            progress(percent);
        }
    };
    int code = 0;
    while (!sink.full()) {
        if (!reader.read(width, code)) return damaged(kCorrupt);
        report();
        if (code == clear) {
            width = minSize + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (code == end) break;
        if (prev < 0) {
            if (code > clear) return damaged(kCorrupt);
            sink.put(code & mask);
            prev = code;
            continue;
        }
        // The string of the code, or of the previous code and its own first pixel.
        int length = 0;
        int c = code;
        BYTE tail = 0;
        bool extend = false;
        if (code > next || (code == next && next >= kMaxCodes)) return damaged(kCorrupt);
        if (code == next) {
            c = prev;
            extend = true;
        }
        while (c > end) {
            if (length >= kMaxCodes) return damaged(kCorrupt);
            stack[static_cast<std::size_t>(length++)] = (*suffix)[static_cast<std::size_t>(c)];
            c = (*prefix)[static_cast<std::size_t>(c)];
        }
        if (c >= clear || length >= kMaxCodes) return damaged(kCorrupt);
        stack[static_cast<std::size_t>(length++)] = static_cast<BYTE>(c);
        const BYTE head = static_cast<BYTE>(c);
        if (extend) {
            tail = head;
            if (length >= kMaxCodes) return damaged(kCorrupt);
        }
        for (int i = length - 1; i >= 0; --i) sink.put(stack[static_cast<std::size_t>(i)] & mask);
        if (extend) sink.put(tail & mask);
        if (next < kMaxCodes) {
            (*prefix)[static_cast<std::size_t>(next)] = static_cast<std::int16_t>(prev);
            (*suffix)[static_cast<std::size_t>(next)] = head;
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        prev = code;
    }
    if (progress && shown < 100) progress(100);
    return corrupted ? DecodeResult::Corrupted : DecodeResult::Complete;
}

namespace {

// Codes packed least significant bit first into sub-blocks of 255 bytes.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<BYTE>& out) : out_(out) {}
    void write(int code, int width) {
        buffer_ |= static_cast<std::uint64_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            block_[filled_++] = static_cast<BYTE>(buffer_ & 0xFF);
            buffer_ >>= 8;
            bits_ -= 8;
            if (filled_ == 255) emitBlock();
        }
    }
    void flush() {
        if (bits_ > 0) {
            block_[filled_++] = static_cast<BYTE>(buffer_ & 0xFF);
            buffer_ = 0;
            bits_ = 0;
            if (filled_ == 255) emitBlock();
        }
        if (filled_) emitBlock();
        out_.push_back(0);
    }

private:
    void emitBlock() {
        out_.push_back(static_cast<BYTE>(filled_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + filled_);
        filled_ = 0;
    }
    std::vector<BYTE>& out_;
    std::array<BYTE, 255> block_{};
    int filled_ = 0;
    std::uint64_t buffer_ = 0;
    int bits_ = 0;
};

constexpr int kHashSlots = 17777;

struct Node {
    std::int16_t prefix;
    std::int16_t code;
    BYTE pixel;
};

}  // namespace

std::vector<BYTE> EncodeLzw(const FrameRows& rows, const std::function<void(int)>& progress) {
    const int bitCount = rows.BitCount == 1 ? 1 : rows.BitCount == 4 ? 4 : 8;
    const int initialWidth = bitCount == 1 ? 3 : bitCount + 1;
    const int clear = 1 << (initialWidth - 1);
    const int end = clear + 1;
    std::vector<BYTE> out;
    out.push_back(static_cast<BYTE>(initialWidth - 1));
    CodeWriter writer(out);
    std::vector<std::int16_t> hashSlots(kHashSlots, -1);
    std::vector<Node> pool;
    pool.reserve(kMaxCodes);
    int width = initialWidth;
    int limit = 1 << width;
    int next = end + 1;
    auto reset = [&] {
        std::fill(hashSlots.begin(), hashSlots.end(), std::int16_t(-1));
        pool.clear();
        width = initialWidth;
        limit = 1 << width;
        next = end + 1;
    };
    writer.write(clear, width);
    int string = -1;
    std::uint32_t hash = 0;
    int length = 0;
    RowOrder order(rows.Height, rows.Interlaced);
    for (int done = 0; !order.Done(); order.Next(), ++done) {
        const BYTE* line =
            rows.Bits + static_cast<std::size_t>(rows.RowBytes) * static_cast<std::size_t>(rows.Height - 1 - order.Row());
        for (int x = 0; x < rows.Width; ++x) {
            int pixel;
            switch (bitCount) {
            case 1: pixel = (line[x >> 3] >> (7 - (x & 7))) & 1; break;
            case 4: pixel = (x & 1) ? line[x >> 1] & 15 : line[x >> 1] >> 4; break;
            default: pixel = line[x]; break;
            }
            if (string < 0) {
                string = pixel;
                hash = static_cast<std::uint32_t>(pixel + 3) * 301;
                length = 1;
                continue;
            }
            std::uint32_t h = (static_cast<std::uint32_t>(pixel + length + 4) * hash) % kHashSlots;
            const std::uint32_t start = h;
            bool found = false;
            while (hashSlots[h] >= 0) {
                const Node& n = pool[static_cast<std::size_t>(hashSlots[h])];
                if (n.prefix == string && n.pixel == pixel) {
                    string = n.code;
                    found = true;
                    break;
                }
                h = h + 1 == kHashSlots ? 0 : h + 1;
            }
            if (found) {
                hash = start;
                ++length;
                continue;
            }
            writer.write(string, width);
            const int code = next++;
            hashSlots[h] = static_cast<std::int16_t>(pool.size());
            pool.push_back(Node{static_cast<std::int16_t>(string), static_cast<std::int16_t>(code), static_cast<BYTE>(pixel)});
            if (code == limit) {
                limit <<= 1;
                ++width;
            } else if (code == 4094) {
                // The pending one-pixel string goes on after the clear code.
                writer.write(clear, width);
                reset();
            }
            string = pixel;
            hash = static_cast<std::uint32_t>(pixel + 3) * 301;
            length = 1;
        }
        if (progress) progress(static_cast<int>(static_cast<long long>(done + 1) * 100 / rows.Height));
    }
    if (string >= 0) {
        writer.write(string, width);
        // The decoder adds an entry for this code and widens when that fills the width.
        if (next == limit && width < 12) ++width;
    }
    writer.write(end, width);
    writer.flush();
    return out;
}

}  // namespace gif
