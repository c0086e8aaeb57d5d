// Conversions of the clipboard's blocks: DIBs and pictures, bitmaps, palettes, texts and
// dropped-file lists.
#include "platform/codepage.h"
#include "platform/gdi.h"
#include "platform/globalmem.h"
#include "ClipboardData.h"
#include "Raster.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace platform::clip {

namespace {

constexpr std::int64_t kMaxDibBytes = std::int64_t(1) << 31;

// Header, colour table and rows of a packed DIB of `size` bytes, all inside it.
bool layout(const Bytes& head, std::size_t size, gdi::raster::DibFormat& f, std::size_t& bitsAt) {
    if (head.size() < sizeof(BITMAPINFOHEADER)) return false;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(head.data());
    if (info->bmiHeader.biSize > head.size() || !gdi::raster::readDibFormat(info, f)) return false;
    bitsAt = info->bmiHeader.biSize + static_cast<std::size_t>(f.tableEntries) * sizeof(RGBQUAD);
    return bitsAt <= size && f.imageBytes <= size - bitsAt;
}

bool layout(const Bytes& dib, gdi::raster::DibFormat& f, std::size_t& bitsAt) { return layout(dib, dib.size(), f, bitsAt); }

void putHeader(Bytes& out, int width, int height, int bits, int colours) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(((static_cast<std::int64_t>(width) * bits + 31) / 32) * 4 * height);
    h.biClrUsed = static_cast<DWORD>(colours);
    out.resize(sizeof h);
    std::memcpy(out.data(), &h, sizeof h);
}

}  // namespace

bool dibBitsOffset(const Bytes& head, std::size_t size, std::size_t& bitsAt) {
    gdi::raster::DibFormat f;
    return layout(head, size, f, bitsAt);
}

Bytes bytesOf(HGLOBAL block) {
    const SIZE_T size = GlobalSize(block);
    if (!size) return {};
    const void* p = GlobalLock(block);
    if (!p) return {};
    Bytes out(static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + size);
    GlobalUnlock(block);
    return out;
}

QImage imageOfDib(const Bytes& dib) {
    gdi::raster::DibFormat f;
    std::size_t bitsAt = 0;
    if (!layout(dib, f, bitsAt)) return {};
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    const unsigned char* bits = dib.data() + bitsAt;
    auto rowAt = [&](int y) { return bits + static_cast<std::size_t>(f.topDown ? y : f.height - 1 - y) * f.lineBytes; };
    if (f.bitCount <= 8) {
        QImage image(f.width, f.height, QImage::Format_Indexed8);
        if (image.isNull()) return {};
        QList<QRgb> table;
        const auto* colours = reinterpret_cast<const RGBQUAD*>(dib.data() + info->bmiHeader.biSize);
        for (int i = 0; i < f.tableEntries; ++i) table.push_back(qRgb(colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue));
        // Indexes past the table show black.
        while (table.size() < (1 << f.bitCount)) table.push_back(qRgb(0, 0, 0));
        image.setColorTable(table);
        const int perByte = 8 / f.bitCount, mask = (1 << f.bitCount) - 1;
        for (int y = 0; y < f.height; ++y) {
            const unsigned char* in = rowAt(y);
            uchar* out = image.scanLine(y);
            for (int x = 0; x < f.width; ++x) {
                const int shift = 8 - f.bitCount * (x % perByte + 1);
                out[x] = static_cast<uchar>((in[x / perByte] >> shift) & mask);
            }
        }
        return image;
    }
    QImage image(f.width, f.height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    const int step = f.bitCount / 8;
    for (int y = 0; y < f.height; ++y) {
        const unsigned char* in = rowAt(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < f.width; ++x) out[x] = qRgb(in[x * step + 2], in[x * step + 1], in[x * step]);
    }
    return image;
}

Bytes dibOfImage(const QImage& source) {
    if (source.isNull()) return {};
    const int w = source.width(), h = source.height();
    const bool indexed = (source.format() == QImage::Format_Indexed8 || source.format() == QImage::Format_Mono ||
                          source.format() == QImage::Format_MonoLSB) &&
                         source.colorCount() > 0 && source.colorCount() <= 256;
    if (indexed) {
        const QImage image = source.convertToFormat(QImage::Format_Indexed8);
        const QList<QRgb> table = image.colorTable();
        int used = 0;
        for (int y = 0; y < h; ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < w; ++x) used = std::max(used, static_cast<int>(row[x]) + 1);
        }
        const int entries = std::max<int>(static_cast<int>(table.size()), used);
        const int bits = entries <= 2 ? 1 : entries <= 16 ? 4 : 8;
        const std::int64_t line = ((static_cast<std::int64_t>(w) * bits + 31) / 32) * 4;
        if (line * h > kMaxDibBytes) return {};
        Bytes out;
        putHeader(out, w, h, bits, entries);
        for (int i = 0; i < entries; ++i) {
            const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
            const RGBQUAD q{static_cast<BYTE>(qBlue(c)), static_cast<BYTE>(qGreen(c)), static_cast<BYTE>(qRed(c)), 0};
            const auto* p = reinterpret_cast<const unsigned char*>(&q);
            out.insert(out.end(), p, p + 4);
        }
        const std::size_t bitsAt = out.size();
        out.resize(bitsAt + static_cast<std::size_t>(line * h), 0);
        const int perByte = 8 / bits;
        for (int y = 0; y < h; ++y) {
            const uchar* in = image.constScanLine(y);
            unsigned char* row = out.data() + bitsAt + static_cast<std::size_t>(h - 1 - y) * line;
            for (int x = 0; x < w; ++x) row[x / perByte] |= static_cast<unsigned char>(in[x] << (8 - bits * (x % perByte + 1)));
        }
        return out;
    }
    const std::int64_t line = ((static_cast<std::int64_t>(w) * 24 + 31) / 32) * 4;
    if (line * h > kMaxDibBytes) return {};
    QImage flat(w, h, QImage::Format_RGB32);
    if (flat.isNull()) return {};
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, source);
    }
    Bytes out;
    putHeader(out, w, h, 24, 0);
    const std::size_t bitsAt = out.size();
    out.resize(bitsAt + static_cast<std::size_t>(line * h), 0);
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        unsigned char* row = out.data() + bitsAt + static_cast<std::size_t>(h - 1 - y) * line;
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<unsigned char>(qBlue(in[x]));
            row[3 * x + 1] = static_cast<unsigned char>(qGreen(in[x]));
            row[3 * x + 2] = static_cast<unsigned char>(qRed(in[x]));
        }
    }
    return out;
}

Bytes bmpFileOfDib(const Bytes& dib) {
    gdi::raster::DibFormat f;
    std::size_t bitsAt = 0;
    if (!layout(dib, f, bitsAt)) return {};
    const std::size_t used = bitsAt + f.imageBytes;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfSize = static_cast<DWORD>(sizeof file + used);
    file.bfOffBits = static_cast<DWORD>(sizeof file + bitsAt);
    Bytes out(sizeof file);
    std::memcpy(out.data(), &file, sizeof file);
    out.insert(out.end(), dib.begin(), dib.begin() + static_cast<std::ptrdiff_t>(used));
    return out;
}

Bytes dibOfBitmap(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return {};
    const int bits = bm.bmBitsPixel == 1 || bm.bmBitsPixel == 4 || bm.bmBitsPixel == 8 ? bm.bmBitsPixel : 24;
    const int entries = bits <= 8 ? 1 << bits : 0;
    Bytes out;
    putHeader(out, bm.bmWidth, bm.bmHeight, bits, 0);
    const std::size_t bitsAt = out.size() + static_cast<std::size_t>(entries) * sizeof(RGBQUAD);
    const std::int64_t line = ((static_cast<std::int64_t>(bm.bmWidth) * bits + 31) / 32) * 4;
    if (line * bm.bmHeight > kMaxDibBytes) return {};
    out.resize(bitsAt + static_cast<std::size_t>(line * bm.bmHeight), 0);
    HDC dc = CreateCompatibleDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(bm.bmHeight), out.data() + bitsAt,
                               reinterpret_cast<BITMAPINFO*>(out.data()), DIB_RGB_COLORS);
    DeleteDC(dc);
    if (rows != bm.bmHeight) return {};
    // GetDIBits leaves the header's colour count as it found it: the whole table follows.
    reinterpret_cast<BITMAPINFOHEADER*>(out.data())->biClrUsed = static_cast<DWORD>(entries);
    return out;
}

HBITMAP bitmapOfDib(const Bytes& dib) {
    gdi::raster::DibFormat f;
    std::size_t bitsAt = 0;
    if (!layout(dib, f, bitsAt)) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, &bits,
                                      nullptr, 0);
    if (!bitmap || !bits) return bitmap;
    HDC dc = CreateCompatibleDC(nullptr);
    SetDIBits(dc, bitmap, 0, static_cast<UINT>(f.height), dib.data() + bitsAt,
              reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS);
    DeleteDC(dc);
    return bitmap;
}

Bytes bytesOfPalette(HPALETTE palette) {
    WORD count = 0;
    if (!palette || !GetObjectW(palette, sizeof count, &count)) return {};
    std::vector<PALETTEENTRY> entries(count);
    if (count && GetPaletteEntries(palette, 0, count, entries.data()) != count) return {};
    Bytes out(4 + entries.size() * sizeof(PALETTEENTRY));
    const WORD version = 0x300;
    std::memcpy(out.data(), &version, 2);
    std::memcpy(out.data() + 2, &count, 2);
    if (count) std::memcpy(out.data() + 4, entries.data(), entries.size() * sizeof(PALETTEENTRY));
    return out;
}

HPALETTE paletteOfBytes(const Bytes& bytes) {
    if (bytes.size() < 4) return nullptr;
    WORD count = 0;
    std::memcpy(&count, bytes.data() + 2, 2);
    if (count == 0 || count > 256 || bytes.size() < 4 + std::size_t(count) * sizeof(PALETTEENTRY)) return nullptr;
    std::vector<unsigned char> record(sizeof(LOGPALETTE) + std::size_t(count) * sizeof(PALETTEENTRY), 0);
    auto* lp = reinterpret_cast<LOGPALETTE*>(record.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = count;
    std::memcpy(lp->palPalEntry, bytes.data() + 4, std::size_t(count) * sizeof(PALETTEENTRY));
    return CreatePalette(lp);
}

Bytes unicodeTextBlock(std::u16string_view text) {
    Bytes out((text.size() + 1) * 2, 0);
    if (!text.empty()) std::memcpy(out.data(), text.data(), text.size() * 2);
    return out;
}

Bytes codePageTextBlock(std::u16string_view text, UINT codePage) {
    const std::string s = fromWide(text, codePage);
    Bytes out(s.begin(), s.end());
    out.push_back(0);
    return out;
}

std::u16string textOfBlock(const Bytes& block, UINT format) {
    if (format == CF_UNICODETEXT) {
        std::u16string text(block.size() / 2, u'\0');
        if (!text.empty()) std::memcpy(text.data(), block.data(), text.size() * 2);
        return text.substr(0, std::min(text.find(u'\0'), text.size()));
    }
    const std::string_view s(reinterpret_cast<const char*>(block.data()), block.size());
    return toWide(s.substr(0, std::min(s.find('\0'), s.size())), format == CF_OEMTEXT ? CP_OEMCP : CP_ACP);
}

Bytes dropFilesBlock(const std::vector<std::u16string>& paths) {
    DROPFILES head{};
    head.pFiles = sizeof head;
    head.fWide = TRUE;
    Bytes out(sizeof head);
    std::memcpy(out.data(), &head, sizeof head);
    for (const std::u16string& p : paths) {
        const Bytes b = unicodeTextBlock(p);
        out.insert(out.end(), b.begin(), b.end());
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

namespace {

// The names of a CF_HDROP block; false when its head or names lie outside it.
bool readDropFiles(const Bytes& block, std::vector<std::u16string>& paths) {
    if (block.size() < sizeof(DROPFILES)) return false;
    DROPFILES head;
    std::memcpy(&head, block.data(), sizeof head);
    if (head.pFiles > block.size()) return false;
    std::size_t pos = head.pFiles;
    if (head.fWide) {
        for (;;) {
            std::u16string name;
            for (;;) {
                if (pos + 2 > block.size()) return false;  // the list runs past the block
                char16_t c;
                std::memcpy(&c, block.data() + pos, 2);
                pos += 2;
                if (c == 0) break;
                name += c;
            }
            if (name.empty()) return true;
            paths.push_back(name);
        }
    }
    while (pos < block.size()) {
        const auto* start = reinterpret_cast<const char*>(block.data() + pos);
        const std::size_t room = block.size() - pos;
        const std::size_t len = strnlen(start, room);
        if (len == room) return false;
        if (len == 0) return true;
        paths.push_back(ansiToWide(std::string_view(start, len)));
        pos += len + 1;
    }
    return false;
}

}  // namespace

bool pathsOfDropFiles(const Bytes& block, std::vector<std::u16string>& paths) {
    paths.clear();
    const bool ok = readDropFiles(block, paths);
    if (!ok) paths.clear();
    return ok;
}
}  // namespace platform::clip
