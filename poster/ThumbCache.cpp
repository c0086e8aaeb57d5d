// The byte layer of the thumbnail cache: parsing and checking the index, loading one
// thumbnail, and the bytes of a new cache. Everything read is checked against the entry
// itself and the size of the cache.
#include "poster/ThumbCache.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderBytes = 6;   // magic and count
constexpr std::size_t kValueBytes = 32;   // eight values
constexpr std::size_t kInfoHeader = 40;   // BITMAPINFOHEADER
constexpr std::size_t kEntryFixed = kThumbNameField + kValueBytes + 4;

std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t les32(const unsigned char* p) { return static_cast<std::int32_t>(le32(p)); }

void put16(std::vector<unsigned char>& out, std::uint16_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void puts32(std::vector<unsigned char>& out, std::int32_t v) { put32(out, static_cast<std::uint32_t>(v)); }

std::uint32_t lineBytes(std::int32_t width, std::int32_t bits) {
    return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4);
}

std::uint32_t tableEntries(const TThumbInfo& info) {
    return info.Colors <= 256 ? static_cast<std::uint32_t>(info.Colors) : 0;
}

// The info header of a block agrees with the entry's values.
bool headerMatches(const unsigned char* h, const TThumbInfo& info) {
    const std::uint32_t imageBytes = lineBytes(info.ThumbWidth, info.Bits) * static_cast<std::uint32_t>(info.ThumbHeight);
    const std::uint32_t sizeImage = le32(h + 20);
    return le32(h) == kInfoHeader && les32(h + 4) == info.ThumbWidth && les32(h + 8) == info.ThumbHeight &&
           le16(h + 12) == 1 && le16(h + 14) == static_cast<std::uint16_t>(info.Bits) && le32(h + 16) == 0 &&
           (sizeImage == 0 || sizeImage == imageBytes);
}

void values(const TThumbInfo& info, std::int32_t* v) {
    v[0] = info.Bits;
    v[1] = info.ThumbWidth;
    v[2] = info.ThumbHeight;
    v[3] = info.Width;
    v[4] = info.Height;
    v[5] = info.Colors;
    v[6] = info.SizeKB;
    v[7] = info.Check;
}

}  // namespace

bool TThumbCacheBytes::ReadAt(std::uint64_t Position, void* Buffer, std::size_t Count) const {
    if (Position > size_ || Count > size_ - Position) return false;
    if (Count) std::memcpy(Buffer, data_ + Position, Count);
    return true;
}

bool ThumbInfoValid(const TThumbInfo& Info) {
    const std::int32_t b = Info.Bits;
    if (b != 1 && b != 4 && b != 8 && b != 24) return false;
    if (Info.ThumbWidth < 1 || Info.ThumbWidth > kThumbMaxSide) return false;
    if (Info.ThumbHeight < 1 || Info.ThumbHeight > kThumbMaxSide) return false;
    if (Info.Width < 1 || Info.Height < 1) return false;
    return Info.Colors == (std::int32_t{1} << b) && Info.SizeKB >= 0;
}

std::uint32_t ThumbBlockSize(const TThumbInfo& Info) {
    return static_cast<std::uint32_t>(kInfoHeader) + 4 * tableEntries(Info) +
           lineBytes(Info.ThumbWidth, Info.Bits) * static_cast<std::uint32_t>(Info.ThumbHeight);
}

TThumbIndex ParseThumbIndex(const TThumbCacheSource& Source) {
    TThumbIndex index;
    const std::uint64_t size = Source.Size();
    unsigned char head[kHeaderBytes];
    if (!Source.ReadAt(0, head, sizeof head) || le16(head) != kThumbCacheMagic) return index;
    const std::int32_t n = les32(head + 2);
    std::uint64_t at = kHeaderBytes;
    unsigned char fixed[kEntryFixed];
    unsigned char header[kInfoHeader];
    // The count is only an upper bound: the file's end stops the walk first.
    for (std::int32_t i = 0; i < n; ++i) {
        if (!Source.ReadAt(at, fixed, sizeof fixed)) break;
        at += sizeof fixed;
        const std::uint32_t block = le32(fixed + kThumbNameField + kValueBytes);
        if (block > size - at) break;  // the next entry cannot be found
        TThumbIndexRec rec;
        rec.Position = at;
        rec.BlockSize = block;
        at += block;

        const auto* name = reinterpret_cast<const char*>(fixed);
        const std::size_t length = strnlen(name, kThumbNameField);
        if (length == 0 || length == kThumbNameField) continue;
        rec.Name.assign(name, length);
        const unsigned char* v = fixed + kThumbNameField;
        rec.Info = TThumbInfo{les32(v),      les32(v + 4),  les32(v + 8),  les32(v + 12),
                              les32(v + 16), les32(v + 20), les32(v + 24), les32(v + 28)};
        if (!ThumbInfoValid(rec.Info) || block != ThumbBlockSize(rec.Info)) continue;
        if (!Source.ReadAt(rec.Position, header, sizeof header) || !headerMatches(header, rec.Info)) continue;
        index.push_back(std::move(rec));
    }
    return index;
}

UniqueDib LoadThumb(const TThumbCacheSource& Source, const TThumbIndexRec& Entry) {
    UniqueDib dib;
    const TThumbInfo& info = Entry.Info;
    if (!ThumbInfoValid(info) || Entry.BlockSize != ThumbBlockSize(info)) return dib;
    const std::uint32_t entries = tableEntries(info);
    std::vector<unsigned char> head(kInfoHeader + 4 * entries);
    if (!Source.ReadAt(Entry.Position, head.data(), head.size()) || !headerMatches(head.data(), info)) return dib;
    // The colour table as a BITMAPINFO for newdib.
    std::vector<unsigned char> block(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * std::max<std::uint32_t>(entries, 1));
    auto* bi = reinterpret_cast<BITMAPINFO*>(block.data());
    for (std::uint32_t c = 0; c < entries; ++c) {
        const unsigned char* q = head.data() + kInfoHeader + 4 * c;
        bi->bmiColors[c] = RGBQUAD{q[0], q[1], q[2], 0};
    }
    newdib(dib.out(), info.ThumbWidth, info.ThumbHeight, info.Bits, entries ? bi : nullptr,
           static_cast<int>(entries));
    if (!dib) return dib;
    const std::uint64_t pixels = static_cast<std::uint64_t>(dib.get().LineBytes) * static_cast<std::uint32_t>(info.ThumbHeight);
    if (pixels != Entry.BlockSize - head.size() ||
        !Source.ReadAt(Entry.Position + head.size(), dib.get().Bits, static_cast<std::size_t>(pixels)))
        dib.reset();
    return dib;
}

std::vector<unsigned char> ThumbCacheImage(const std::vector<TThumbEntry>& Entries, int* Written) {
    std::vector<unsigned char> out;
    put16(out, kThumbCacheMagic);
    put32(out, 0);  // the count, filled in below
    std::int32_t n = 0;
    for (const TThumbEntry& e : Entries) {
        const TDib& t = e.Thumb;
        const TThumbInfo& info = e.Info;
        if (e.Name.empty() || e.Name.size() >= kThumbNameField || e.Name.find('\0') != std::string::npos) continue;
        if (!ThumbInfoValid(info) || !t.Bits || !t.Info) continue;
        const BITMAPINFOHEADER& h = t.Info->bmiHeader;
        if (h.biWidth != info.ThumbWidth || h.biHeight != info.ThumbHeight || h.biBitCount != info.Bits ||
            static_cast<std::uint32_t>(t.LineBytes) != lineBytes(info.ThumbWidth, info.Bits))
            continue;
        const std::uint32_t imageBytes = lineBytes(info.ThumbWidth, info.Bits) * static_cast<std::uint32_t>(info.ThumbHeight);
        const std::size_t nameAt = out.size();
        out.resize(nameAt + kThumbNameField, 0);
        std::memcpy(out.data() + nameAt, e.Name.data(), e.Name.size());
        std::int32_t v[8];
        values(info, v);
        for (std::int32_t x : v) puts32(out, x);
        put32(out, ThumbBlockSize(info));
        // The info header, written field by field.
        put32(out, static_cast<std::uint32_t>(kInfoHeader));
        puts32(out, info.ThumbWidth);
        puts32(out, info.ThumbHeight);
        put16(out, 1);
        put16(out, static_cast<std::uint16_t>(info.Bits));
        put32(out, 0);  // BI_RGB
        put32(out, imageBytes);
        puts32(out, h.biXPelsPerMeter);
        puts32(out, h.biYPelsPerMeter);
        put32(out, tableEntries(info));
        put32(out, 0);
        for (std::uint32_t c = 0; c < tableEntries(info); ++c) {
            const RGBQUAD& q = t.Info->bmiColors[c];
            out.insert(out.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
        }
        out.insert(out.end(), t.Bits, t.Bits + imageBytes);
        ++n;
    }
    for (int i = 0; i < 4; ++i) out[2 + static_cast<std::size_t>(i)] = static_cast<unsigned char>(static_cast<std::uint32_t>(n) >> (8 * i));
    if (Written) *Written = n;
    return out;
}
