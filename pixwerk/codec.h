// Inside the raster library: what the file format modules share.
#pragma once

#include "pixwerk/pixwerk.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace pixwerk {

// Largest width and height a picture file may declare.
inline constexpr int kMaxSide = 32767;

// Bytes per row of a picture: rows padded to 4 bytes. Computed in 64 bits.
std::int64_t lineBytesFor(std::int64_t width, int bits);

// A new picture as newdib makes it, with `palette` (may be null) as its colour table of
// `entries` colours. Returns false, with an error text in `out`, when it cannot be made.
bool allocDib(TDib* out, int width, int height, int bits, const RGBQUAD* palette, int entries);

// Frees whatever `out` holds and leaves Bits null with `text` as the library's failure text.
void failDib(TDib* out, const std::string& text);

// Row y counted from the top of the picture.
inline BYTE* rowFromTop(const TDib& dib, int y) {
    return dib.Bits + static_cast<std::ptrdiff_t>(dib.Info->bmiHeader.biHeight - 1 - y) * dib.LineBytes;
}

// The file a picture came from (pixwerk.h: DibOrigin); forgotten when it is freed.
void recordOrigin(const TDib& dib, const std::string& fileName, int type, const BYTE* file, std::size_t size);
void forgetOrigin(const void* info);

// Copies the colour table of the info block into Palette and makes PalHandle anew.
void syncPalette(TDib* dib);

// Progress reports to a window as WM_PROGRESS; repeated percentages are sent once.
class Progress {
public:
    explicit Progress(HWND wnd) : wnd_(wnd) {}
    // Row `y` of `rows` done: y x 100 / (rows - 1), 0 for one row.
    void row(std::int64_t y, std::int64_t rows);
    // `p` percent of the current phase done.
    void percent(int p);
    // Work in phases: the next percentages from 0 to 100 cover `from`..`to` of the whole.
    void phase(int from, int to);
    void done();  // sends 0
private:
    HWND wnd_;
    int last_ = -1;
    int from_ = 0, to_ = 100;
};

// A decoder reads a whole file held in memory into `out`, which OpenDib has cleared. On failure it calls failDib
// (an error text of at least six characters) and returns false. It must never read
// outside [data, data + size).
using Decoder = bool (*)(const BYTE* data, std::size_t size, TDib* out, Progress& progress);

// An encoder writes `dib` (1, 4, 8 or 24 bits) to an open file. Returns false when the
// picture cannot be written in this format or a write fails.
using Encoder = bool (*)(const TDib& dib, std::FILE* file, int type, Progress& progress);

// What OpenDibReduced asks of the decoders on this thread (null under OpenDib). A decoder
// that can decode at a reduced size (JPEG: 1/2, 1/4, 1/8) may do so while the picture's
// larger side stays at least minSide pixels, and then sets reduced; one that knows the size
// the file declares sets fullWidth and fullHeight.
struct ReducedDecode {
    int minSide = 0;
    int fullWidth = 0;
    int fullHeight = 0;
    bool reduced = false;
};
ReducedDecode*& reducedDecode();

// Tells from the first bytes of a file whether its content is one format.
using Sniffer = bool (*)(const BYTE* data, std::size_t size);

// Limits the pixel memory of one picture (bytes); 0 removes the limit. Pictures above it
// fail as "not enough memory". For fuzzing and tests.
void setAllocationLimit(std::uint64_t bytes);
std::uint64_t allocationLimit();

// Shared conversions (Convert.cpp).

// Palette index of pixel x in a row of 1, 4 or 8 bits per pixel, and setting it.
inline unsigned indexAt(const BYTE* row, int x, int bits) {
    switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    default: return row[x];
    }
}
void setIndexAt(BYTE* row, int x, int bits, unsigned value);

// Packs one index a byte into a row of 1, 4 or 8 bits per pixel (values masked to the depth),
// and unpacks such a row into one index a byte.
void packIndexes(const BYTE* indexes, int width, int bits, BYTE* row);
void unpackIndexes(const BYTE* row, int width, int bits, BYTE* indexes);

// Packed 2-bit indexes (four a byte, leftmost in the high bits) to packed 4-bit ones.
void expand2To4(const BYTE* src, int width, BYTE* dst);

// A 16-bit sample to 8 bits, rounded to nearest.
inline BYTE sample16To8(unsigned v) { return static_cast<BYTE>((v * 255u + 32767u) / 65535u); }

// Ink amounts (0 = none, 255 = full) to one RGB channel: (255 - ink) x (255 - black) / 255.
inline BYTE inkToChannel(unsigned ink, unsigned black) {
    return static_cast<BYTE>(((255u - ink) * (255u - black) + 127u) / 255u);
}

// Smallest picture depth (1, 4 or 8) that holds `colours` palette entries (at most 256).
int bitsForColours(int colours);

// Whether every colour-table entry of a palette picture is grey (red = green = blue).
bool hasGreyTable(const TDib& dib);
// Whether a picture is 8-bit with the grey ramp 0..255 as its table (entry i = grey i).
bool isGreyRamp(const TDib& dib);

// Row y (from the top) of any picture as blue, green, red triples.
void rowToBgr(const TDib& dib, int y, BYTE* bgr);
// Row y of a palette picture as the red channel of its colours (for grey tables).
void rowToGrey(const TDib& dib, int y, BYTE* grey);

// An 8-bit copy of a 24-bit picture for formats that hold palettes only: its own colours
// when it has at most 256, else 256 colours by median cut with error diffusion. Progress
// runs from `from` to `to` percent over the reduction.
bool reduceTo8Bits(const TDib& dib, TDib* out, Progress& progress, int from, int to);

// A colour sample with coverage `alpha` composited over white.
inline BYTE overWhite(unsigned value, unsigned alpha) {
    return static_cast<BYTE>((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// `entries` grey levels from black to white (2, 16 or 256).
inline void greyTable(RGBQUAD* table, int entries) {
    for (int i = 0; i < entries; ++i) {
        const BYTE v = static_cast<BYTE>(entries > 1 ? i * 255 / (entries - 1) : 0);
        table[i] = RGBQUAD{v, v, v, 0};
    }
}

// The format modules. Decoders and encoders as above; sniffers tell from the first bytes
// whether a file's content is their format.
bool decodeBmp(const BYTE* data, std::size_t size, TDib* out, Progress& progress);  // BMP, DIB, RLE
bool encodeBmp(const TDib& dib, std::FILE* file, int type, Progress& progress);   // PW_RLE packs runs
bool sniffBmp(const BYTE* data, std::size_t size);
bool decodePcx(const BYTE* data, std::size_t size, TDib* out, Progress& progress);
bool encodePcx(const TDib& dib, std::FILE* file, int type, Progress& progress);
bool sniffPcx(const BYTE* data, std::size_t size);
bool decodeTga(const BYTE* data, std::size_t size, TDib* out, Progress& progress);
bool encodeTga(const TDib& dib, std::FILE* file, int type, Progress& progress);
bool sniffTga(const BYTE* data, std::size_t size);
bool decodeIff(const BYTE* data, std::size_t size, TDib* out, Progress& progress);  // IFF, LBM
bool encodeIff(const TDib& dib, std::FILE* file, int type, Progress& progress);
bool sniffIff(const BYTE* data, std::size_t size);
bool decodeJpeg(const BYTE* data, std::size_t size, TDib* out, Progress& progress);  // JPG, JIF
bool encodeJpeg(const TDib& dib, std::FILE* file, int type, Progress& progress);
bool sniffJpeg(const BYTE* data, std::size_t size);
bool decodePng(const BYTE* data, std::size_t size, TDib* out, Progress& progress);
bool encodePng(const TDib& dib, std::FILE* file, int type, Progress& progress);
bool sniffPng(const BYTE* data, std::size_t size);
bool decodeTiff(const BYTE* data, std::size_t size, TDib* out, Progress& progress);
bool encodeTiff(const TDib& dib, std::FILE* file, int type, Progress& progress);
bool sniffTiff(const BYTE* data, std::size_t size);
bool decodeGif(const BYTE* data, std::size_t size, TDib* out, Progress& progress);
bool encodeGif(const TDib& dib, std::FILE* file, int type, Progress& progress);
bool sniffGif(const BYTE* data, std::size_t size);

}  // namespace pixwerk
