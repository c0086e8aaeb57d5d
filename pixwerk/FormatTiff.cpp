// TIFF through libtiff: the first picture of a file. Grey and palette pictures keep their
// depth where a picture can hold it, RGB and CMYK become 24 bits, alpha is composited over
// white; kinds libtiff only offers as RGBA (YCbCr, CIE Lab, ...) go through its RGBA reader.
// Written uncompressed at 1, 4, 8 or 24 bits, packed with LZW.
#include "pixwerk/codec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace pixwerk {
namespace {

// --- Memory and FILE* access for libtiff ------------------------------------------------

struct MemoryFile {
    const BYTE* data;
    std::uint64_t size;
    std::uint64_t pos = 0;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (n <= 0 || f->pos >= f->size) return 0;
    const std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(n), f->size - f->pos);
    std::memcpy(buf, f->data + f->pos, count);
    f->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t noWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t memSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    const std::uint64_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
    f->pos = base + off;
    return f->pos;
}

int noClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }

int memMap(thandle_t h, void** base, toff_t* size) {
    auto* f = static_cast<MemoryFile*>(h);
    *base = const_cast<BYTE*>(f->data);
    *size = f->size;
    return 1;
}

void memUnmap(thandle_t, void*, toff_t) {}

tmsize_t fileRead(thandle_t h, void* buf, tmsize_t n) {
    return static_cast<tmsize_t>(std::fread(buf, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(h)));
}

tmsize_t fileWrite(thandle_t h, void* buf, tmsize_t n) {
    return static_cast<tmsize_t>(std::fwrite(buf, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(h)));
}

toff_t fileSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<std::FILE*>(h);
    if (fseeko(f, static_cast<off_t>(off), whence) != 0) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(ftello(f));
}

toff_t fileSize(thandle_t h) {
    struct stat st {};
    return fstat(fileno(static_cast<std::FILE*>(h)), &st) == 0 ? static_cast<toff_t>(st.st_size) : 0;
}

int noMap(thandle_t, void**, toff_t*) { return 0; }

int recordError(TIFF*, void* user, const char*, const char* fmt, va_list ap) {
    auto* text = static_cast<std::string*>(user);
    if (text->empty()) {
        char buf[256];
        std::vsnprintf(buf, sizeof buf, fmt, ap);
        *text = buf;
    }
    return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Open options with quiet handlers; the first error goes to `error`.
struct Options {
    explicit Options(std::string* error) : opts(TIFFOpenOptionsAlloc()) {
        TIFFOpenOptionsSetErrorHandlerExtR(opts, recordError, error);
        TIFFOpenOptionsSetWarningHandlerExtR(opts, ignoreWarning, nullptr);
        const std::uint64_t limit = allocationLimit();
        TIFFOpenOptionsSetMaxSingleMemAlloc(opts, limit ? static_cast<tmsize_t>(limit * 4) : tmsize_t(1) << 30);
    }
    ~Options() { TIFFOpenOptionsFree(opts); }
    TIFFOpenOptions* opts;
};

struct Closer {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, Closer>;

// --- Reading ---------------------------------------------------------------------------

enum class Kind { Grey, Palette, Rgb, Cmyk };

struct Layout {
    int width = 0, height = 0;
    int bps = 1, spp = 1;
    int channels = 1;     // colour samples a pixel
    int alpha = 0;        // 0, EXTRASAMPLE_ASSOCALPHA or EXTRASAMPLE_UNASSALPHA
    bool separate = false;  // one plane per sample
    bool minIsWhite = false;
    Kind kind = Kind::Grey;
    int outBits = 24;
};

// Which pixel layouts the direct reader handles; false sends the file to the RGBA reader.
bool describe(TIFF* tif, Layout& l) {
    std::uint32_t w = 0, h = 0;
    std::uint16_t bps = 1, spp = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, inkset = INKSET_CMYK;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkset);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    l.width = static_cast<int>(std::min<std::uint32_t>(w, kMaxSide + 1));
    l.height = static_cast<int>(std::min<std::uint32_t>(h, kMaxSide + 1));
    l.bps = bps;
    l.spp = spp;
    l.separate = planar == PLANARCONFIG_SEPARATE;
    std::uint16_t extras = 0;
    std::uint16_t* extraKinds = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extras, &extraKinds) && extras > 0 && extras < spp &&
        (extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA))
        l.alpha = extraKinds[0];
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    if (sampleFormat != SAMPLEFORMAT_UINT || spp > 16) return false;
    const bool lowBits = bps == 1 || bps == 2 || bps == 4;
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        l.kind = Kind::Grey;
        l.channels = 1;
        l.minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
        l.outBits = l.alpha || bps >= 8 ? 8 : bps == 1 ? 1 : 4;
        return lowBits || bps == 8 || bps == 16;
    case PHOTOMETRIC_PALETTE:
        l.kind = Kind::Palette;
        l.channels = 1;
        l.alpha = 0;
        l.outBits = bps == 1 ? 1 : bps == 8 ? 8 : 4;
        return lowBits || bps == 8;
    case PHOTOMETRIC_RGB:
        l.kind = Kind::Rgb;
        l.channels = 3;
        l.outBits = 24;
        return spp >= 3 && (bps == 8 || bps == 16);
    case PHOTOMETRIC_SEPARATED:
        l.kind = Kind::Cmyk;
        l.channels = 4;
        l.outBits = 24;
        return inkset == INKSET_CMYK && spp >= 4 && (bps == 8 || bps == 16);
    default: return false;
    }
}

// The colour table of a palette TIFF; tables that hold 8-bit values are taken as they are.
bool colourMap(TIFF* tif, int bps, RGBQUAD* table) {
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) return false;
    const int n = 1 << bps;
    bool eightBit = true;
    for (int i = 0; i < n; ++i) eightBit = eightBit && r[i] < 256 && g[i] < 256 && b[i] < 256;
    auto to8 = [&](std::uint16_t v) { return eightBit ? static_cast<BYTE>(v) : sample16To8(v); };
    for (int i = 0; i < n; ++i) table[i] = RGBQUAD{to8(b[i]), to8(g[i]), to8(r[i]), 0};
    return true;
}

void tableFor(TIFF* tif, const Layout& l, RGBQUAD* table, int& entries) {
    entries = 0;
    if (l.outBits > 8) return;
    if (l.kind == Kind::Palette) {
        entries = 1 << l.bps;
        if (!colourMap(tif, l.bps, table)) greyTable(table, entries);
        return;
    }
    // Grey: the raw sample values index a ramp of the file's levels.
    const int levels = l.outBits == 8 ? 256 : 1 << l.bps;
    greyTable(table, levels);
    entries = levels;
}

int roundUp16(int v) { return (v + 15) / 16 * 16; }

// Decoded rows of one band (a strip or a row of tiles), one plane per sample when separate.
class Band {
public:
    Band(TIFF* tif, const Layout& l) : tif_(tif), l_(l), tiled_(TIFFIsTiled(tif)) {
        planes_ = l.separate ? l.spp : 1;
        const int samples = l.separate ? 1 : l.spp;
        rowBytes_ = (static_cast<std::int64_t>(l.width) * samples * l.bps + 7) / 8;
        if (tiled_) {
            std::uint32_t tw = 0, th = 0;
            TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
            tileWidth_ = static_cast<int>(std::min<std::uint32_t>(tw, kMaxSide + 1));
            bandRows_ = static_cast<int>(std::min<std::uint32_t>(th, kMaxSide + 1));
            tileRowBytes_ = (static_cast<std::int64_t>(tileWidth_) * samples * l.bps + 7) / 8;
        } else {
            std::uint32_t rps = 0;
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
            bandRows_ = static_cast<int>(std::min<std::uint32_t>(rps ? rps : l.height, static_cast<std::uint32_t>(l.height)));
        }
    }

    // Reads the band holding row `y`; an error text when it cannot.
    std::string load(int y) {
        if (bandRows_ <= 0 || (tiled_ && (tileWidth_ <= 0 || (static_cast<std::int64_t>(tileWidth_) * (l_.separate ? 1 : l_.spp) * l_.bps) % 8)))
            return "Unsupported TIFF strip or tile layout";
        // Tiles much larger than the picture, or bands beyond the single-buffer limit that
        // libtiff itself applies, come from damaged files.
        if (tiled_ && (tileWidth_ > roundUp16(l_.width) || bandRows_ > roundUp16(l_.height)))
            return "Unsupported TIFF strip or tile layout";
        first_ = y - y % bandRows_;
        rows_ = std::min(bandRows_, l_.height - first_);
        const std::uint64_t limit = allocationLimit() ? allocationLimit() * 4 : std::uint64_t(1) << 30;
        if (static_cast<std::uint64_t>(rowBytes_ * rows_ * planes_) > limit ||
            (tiled_ && TIFFTileSize64(tif_) > limit))
            return "Not enough memory for the picture";
        try {
            data_.resize(static_cast<std::size_t>(rowBytes_ * rows_ * planes_));
            if (tiled_) tile_.resize(static_cast<std::size_t>(TIFFTileSize64(tif_)));
        } catch (const std::exception&) {
            return "Not enough memory for the picture";
        }
        for (int p = 0; p < planes_; ++p) {
            const std::string error = tiled_ ? loadTiles(p) : loadStrip(p);
            if (!error.empty()) return error;
        }
        return {};
    }

    bool holds(int y) const { return !data_.empty() && y >= first_ && y < first_ + rows_; }
    const BYTE* row(int plane, int y) const {
        return data_.data() + static_cast<std::size_t>((plane * rows_ + (y - first_)) * rowBytes_);
    }

private:
    std::string loadStrip(int plane) {
        const std::uint32_t strip = TIFFComputeStrip(tif_, static_cast<std::uint32_t>(first_), static_cast<std::uint16_t>(plane));
        const tmsize_t want = static_cast<tmsize_t>(rowBytes_ * rows_);
        BYTE* dest = data_.data() + static_cast<std::size_t>(plane * rows_ * rowBytes_);
        if (TIFFReadEncodedStrip(tif_, strip, dest, want) < want) return "The TIFF picture data is damaged or incomplete";
        return {};
    }

    std::string loadTiles(int plane) {
        for (int x = 0; x < l_.width; x += tileWidth_) {
            const std::uint32_t tile = TIFFComputeTile(tif_, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(first_), 0,
                                                       static_cast<std::uint16_t>(plane));
            if (TIFFReadEncodedTile(tif_, tile, tile_.data(), static_cast<tmsize_t>(tile_.size())) <
                static_cast<tmsize_t>(tileRowBytes_ * bandRows_))
                return "The TIFF picture data is damaged or incomplete";
            const std::int64_t offset = static_cast<std::int64_t>(x) * (l_.separate ? 1 : l_.spp) * l_.bps / 8;
            const std::int64_t count = std::min(tileRowBytes_, rowBytes_ - offset);
            for (int r = 0; r < rows_; ++r)
                std::memcpy(data_.data() + static_cast<std::size_t>((plane * rows_ + r) * rowBytes_ + offset),
                            tile_.data() + static_cast<std::size_t>(r * tileRowBytes_), static_cast<std::size_t>(count));
        }
        return {};
    }

    TIFF* tif_;
    const Layout& l_;
    bool tiled_;
    int planes_ = 1;
    std::int64_t rowBytes_ = 0;
    int bandRows_ = 0;
    int tileWidth_ = 0;
    std::int64_t tileRowBytes_ = 0;
    int first_ = 0, rows_ = 0;
    std::vector<BYTE> data_, tile_;
};

// Sample `c` of pixel x in a decoded row (16-bit samples in host order).
inline unsigned rawSample(const Band& band, const Layout& l, int y, int x, int c) {
    const BYTE* row = band.row(l.separate ? c : 0, y);
    const std::int64_t i = l.separate ? x : static_cast<std::int64_t>(x) * l.spp + c;
    switch (l.bps) {
    case 8: return row[i];
    case 16: return reinterpret_cast<const std::uint16_t*>(row)[i];
    default: {
        const std::int64_t bit = i * l.bps;
        return (row[bit >> 3] >> (8 - l.bps - (bit & 7))) & ((1u << l.bps) - 1u);
    }
    }
}

inline unsigned sample8(const Band& band, const Layout& l, int y, int x, int c) {
    const unsigned v = rawSample(band, l, y, x, c);
    switch (l.bps) {
    case 8: return v;
    case 16: return sample16To8(v);
    default: return v * 255u / ((1u << l.bps) - 1u);
    }
}

inline BYTE withAlpha(unsigned v, unsigned a, int alpha) {
    if (alpha == EXTRASAMPLE_ASSOCALPHA) return static_cast<BYTE>(std::min(255u, v + 255u - a));
    return alpha ? overWhite(v, a) : static_cast<BYTE>(v);
}

void convertRow(const Band& band, const Layout& l, int y, BYTE* out) {
    const int a = l.channels;  // the alpha sample follows the colour samples
    for (int x = 0; x < l.width; ++x) {
        const unsigned alpha = l.alpha ? sample8(band, l, y, x, a) : 255u;
        if (l.kind == Kind::Palette || (l.kind == Kind::Grey && l.outBits < 8)) {
            unsigned v = rawSample(band, l, y, x, 0);
            if (l.minIsWhite) v = (1u << l.bps) - 1u - v;
            setIndexAt(out, x, l.outBits, v);
        } else if (l.kind == Kind::Grey) {
            unsigned v = sample8(band, l, y, x, 0);
            if (l.minIsWhite) v = 255u - v;
            out[x] = withAlpha(v, alpha, l.alpha);
        } else if (l.kind == Kind::Rgb) {
            for (int c = 0; c < 3; ++c) out[3 * x + 2 - c] = withAlpha(sample8(band, l, y, x, c), alpha, l.alpha);
        } else {
            const unsigned k = sample8(band, l, y, x, 3);
            for (int c = 0; c < 3; ++c)
                out[3 * x + 2 - c] = withAlpha(inkToChannel(sample8(band, l, y, x, c), k), alpha, l.alpha);
        }
    }
}

bool readDirect(TIFF* tif, const Layout& l, TDib* out, Progress& progress) {
    RGBQUAD table[256] = {};
    int entries = 0;
    tableFor(tif, l, table, entries);
    if (!allocDib(out, l.width, l.height, l.outBits, entries ? table : nullptr, entries)) return false;
    Band band(tif, l);
    for (int y = 0; y < l.height; ++y) {
        if (!band.holds(y)) {
            const std::string error = band.load(y);
            if (!error.empty()) {
                failDib(out, error);
                return false;
            }
        }
        convertRow(band, l, y, rowFromTop(*out, y));
        progress.row(y, l.height);
    }
    return true;
}

// Kinds only libtiff's RGBA reader knows; read in bands of rows, top row first.
bool readRgba(TIFF* tif, const Layout& l, TDib* out, Progress& progress) {
    char message[1024] = {};
    TIFFRGBAImage img;
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&img, tif, 1, message)) {
        failDib(out, std::string("Unsupported TIFF picture: ") + message);
        return false;
    }
    img.req_orientation = ORIENTATION_TOPLEFT;
    bool ok = allocDib(out, l.width, l.height, 24, nullptr, 0);
    // Whole strips or tile rows a band, so that no strip is decoded twice (within reason).
    std::uint32_t unit = 0;
    if (!TIFFGetField(tif, TIFFIsTiled(tif) ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP, &unit)) unit = l.height;
    const std::int64_t maxRows = std::max<std::int64_t>(64, (std::int64_t(256) << 20) / (4 * std::int64_t(l.width)));
    const int bandRows = static_cast<int>(std::min<std::int64_t>({std::max<std::int64_t>(unit, 64), maxRows, l.height}));
    std::vector<std::uint32_t> raster;
    if (ok) raster.resize(static_cast<std::size_t>(l.width) * bandRows);
    for (int y = 0; ok && y < l.height; y += bandRows) {
        const int rows = std::min(bandRows, l.height - y);
        img.row_offset = y;
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster.data(), static_cast<std::uint32_t>(l.width), static_cast<std::uint32_t>(rows))) {
            failDib(out, "The TIFF picture data is damaged or incomplete");
            ok = false;
            break;
        }
        for (int r = 0; r < rows; ++r) {
            BYTE* dst = rowFromTop(*out, y + r);
            const std::uint32_t* src = raster.data() + static_cast<std::size_t>(r) * l.width;
            for (int x = 0; x < l.width; ++x) {
                const unsigned a = TIFFGetA(src[x]);  // colours come premultiplied
                dst[3 * x] = static_cast<BYTE>(std::min(255u, TIFFGetB(src[x]) + 255u - a));
                dst[3 * x + 1] = static_cast<BYTE>(std::min(255u, TIFFGetG(src[x]) + 255u - a));
                dst[3 * x + 2] = static_cast<BYTE>(std::min(255u, TIFFGetR(src[x]) + 255u - a));
            }
        }
        progress.row(y + rows - 1, l.height);
    }
    TIFFRGBAImageEnd(&img);
    return ok;
}

// --- Writing ---------------------------------------------------------------------------

bool isBlackWhite(const TDib& dib) {
    const RGBQUAD* t = dib.Info->bmiColors;
    return dib.Info->bmiHeader.biBitCount == 1 && t[0].rgbRed == 0 && t[0].rgbGreen == 0 && t[0].rgbBlue == 0 &&
           t[1].rgbRed == 255 && t[1].rgbGreen == 255 && t[1].rgbBlue == 255;
}

void setWriteFields(TIFF* tif, const TDib& dib) {
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    const int bits = h.biBitCount;
    const bool minIsBlack = isBlackWhite(dib) || isGreyRamp(dib);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(h.biWidth));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(h.biHeight));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits == 24 ? 8 : bits));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(bits == 24 ? 3 : 1));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 bits == 24 ? PHOTOMETRIC_RGB : minIsBlack ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE);
    const std::int64_t rowBytes = lineBytesFor(h.biWidth, bits);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(std::max<std::int64_t>(1, 65536 / rowBytes)));
    if (bits <= 8 && !minIsBlack) {
        const int n = 1 << bits;
        std::vector<std::uint16_t> r(n), g(n), b(n);
        for (int i = 0; i < n; ++i) {
            const RGBQUAD& q = dib.Info->bmiColors[i];
            r[i] = static_cast<std::uint16_t>(q.rgbRed * 257);
            g[i] = static_cast<std::uint16_t>(q.rgbGreen * 257);
            b[i] = static_cast<std::uint16_t>(q.rgbBlue * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
}

bool writeRows(TIFF* tif, const TDib& dib, Progress& progress) {
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    std::vector<BYTE> rgb(h.biBitCount == 24 ? static_cast<std::size_t>(h.biWidth) * 3 : 0);
    for (int y = 0; y < h.biHeight; ++y) {
        BYTE* row = rowFromTop(dib, y);
        if (h.biBitCount == 24) {
            for (int x = 0; x < h.biWidth; ++x) {
                rgb[3 * x] = row[3 * x + 2];
                rgb[3 * x + 1] = row[3 * x + 1];
                rgb[3 * x + 2] = row[3 * x];
            }
            row = rgb.data();
        }
        if (TIFFWriteScanline(tif, row, static_cast<std::uint32_t>(y), 0) < 0) return false;
        progress.row(y, h.biHeight);
    }
    return true;
}

}  // namespace

bool sniffTiff(const BYTE* data, std::size_t size) {
    if (size < 4) return false;
    const bool little = data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
    const bool big = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
    return little || big;
}

bool decodeTiff(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    std::string error;
    Options options(&error);
    MemoryFile file{data, size};
    TiffPtr tif(TIFFClientOpenExt("picture", "r", &file, memRead, noWrite, memSeek, noClose, memSize, memMap, memUnmap,
                                  options.opts));
    if (!tif) {
        failDib(out, "Damaged TIFF file: " + (error.empty() ? std::string("no picture found") : error));
        return false;
    }
    Layout layout;
    const bool direct = describe(tif.get(), layout);
    if (layout.width <= 0 || layout.height <= 0 || layout.width > kMaxSide || layout.height > kMaxSide) {
        failDib(out, "The TIFF picture's size is not supported");
        return false;
    }
    const bool ok = direct ? readDirect(tif.get(), layout, out, progress) : readRgba(tif.get(), layout, out, progress);
    if (!ok && !error.empty() && !out->Bits) failDib(out, DibErrorText(*out) + ": " + error);
    return ok;
}

bool encodeTiff(const TDib& dib, std::FILE* file, int, Progress& progress) {
    std::string error;
    Options options(&error);
    TiffPtr tif(TIFFClientOpenExt("picture", "w", file, fileRead, fileWrite, fileSeek, noClose, fileSize, noMap,
                                  memUnmap, options.opts));
    if (!tif) return false;
    setWriteFields(tif.get(), dib);
    if (!writeRows(tif.get(), dib, progress) || !TIFFWriteDirectory(tif.get())) return false;
    return TIFFFlush(tif.get()) == 1 && error.empty();
}

}  // namespace pixwerk
