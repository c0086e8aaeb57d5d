// Pixwerk, the raster library: picture memory, picture files and raster primitives.
//
// A picture is a TDib record passed by value: a view of memory that the library owns.
// Copying the record copies no pixels. Memory is allocated by newdib and OpenDib and
// freed only by deldib; code that owns a picture holds it in a UniqueDib.
#pragma once

#include "platform/gditypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

// The platform's logical palette with room for 256 entries; also the palette file format.
struct TDibPalette {
    WORD palVersion;     // always 0x0300
    WORD palNumEntries;  // 2, 16 or 256
    PALETTEENTRY palPalEntry[256];
};
static_assert(sizeof(TDibPalette) == 1028, "a palette block is 1,028 bytes");

// The picture record. Its fields come in the order of the 32-bit record of 1,084 bytes,
// but pointers and handles are 8 bytes wide on a 64-bit build, so the record is 1,104
// bytes there and every field from Bits on sits at a larger offset (Bits 16, LineBytes
// 24, Palette 30, PalHandle 1064; the failure text starts at 34). Nothing outside the
// process stores the record, so only its field order is kept; the asserts below guard
// the layout of the build.
struct TDib {
    BITMAPINFO* Info;       // header followed by the colour table
    BYTE LibPrivate1[8];    // the library's; never touched by callers
    BYTE* Bits;             // pixel rows, bottom-up, null when there is no picture
    LONG LineBytes;         // bytes per row, a multiple of 4
    BYTE HasPalette;        // non-zero for 1, 4 and 8 bits per pixel
    BYTE Padding1;
    TDibPalette Palette;    // after a failed OpenDib: the error text from palPalEntry on
    BYTE Padding2[2];
    HPALETTE PalHandle;     // made from Palette with CreatePalette
    BYTE LibPrivate2[28];   // the library's; never touched by callers
};
static_assert(offsetof(TDib, Info) == 0 && offsetof(TDib, LibPrivate1) == sizeof(void*),
              "the record starts with the info pointer and the library's first 8 bytes");
static_assert(offsetof(TDib, Bits) == sizeof(void*) + 8 && offsetof(TDib, LineBytes) == 2 * sizeof(void*) + 8,
              "the pixel pointer and the row length follow");
static_assert(offsetof(TDib, HasPalette) == offsetof(TDib, LineBytes) + 4 &&
                  offsetof(TDib, Palette) == offsetof(TDib, HasPalette) + 2,
              "the palette flag and the palette block follow the row length");
static_assert(offsetof(TDib, PalHandle) == (offsetof(TDib, Palette) + sizeof(TDibPalette) + 2 + sizeof(void*) - 1) /
                                               sizeof(void*) * sizeof(void*),
              "the palette handle follows the palette block, aligned");
static_assert(sizeof(void*) != 4 || sizeof(TDib) == 1084, "a 32-bit build keeps the 1,084-byte record");
static_assert(sizeof(void*) != 8 || (sizeof(TDib) == 1104 && offsetof(TDib, Palette) == 30 &&
                                     offsetof(TDib, PalHandle) == 1064),
              "the 64-bit record is 1,104 bytes");

// Picture file type codes (0 chooses by the file name's extension).
enum : int {
    PW_BY_EXTENSION = 0,
    PW_BMP = 3,
    PW_DIB = 4,
    PW_GIF = 5,
    PW_IFF = 6,
    PW_JIF = 7,
    PW_JPG = 8,
    PW_LBM = 9,
    PW_PCX = 10,
    PW_RLE = 11,
    PW_TGA = 12,
    PW_TIF = 13,
    PW_PNG = 14,
};

// The exports. File names are in the process's 8-bit code page; with the UTF-8 code page
// they are the bytes of the file system, UTF-8 or not.
extern "C" {
// A new picture with every pixel 0. `colours` (may be null) gives the colour table to copy,
// `entries` entries of it; a 1-bit picture without one gets black and white.
void newdib(TDib* out, int width, int height, int bits, const BITMAPINFO* colours, int entries);
void deldib(TDib dib);
// Opens a picture file (only a regular file: a FIFO or device is refused without waiting);
// on failure Bits is null and DibErrorText tells why.
// Progress goes to `wnd` as WM_PROGRESS (percentage in wParam, 0 when done).
void OpenDib(TDib* out, const char* fileName, int type, HWND wnd);
// Writes a picture file as a whole (platform/atomicfile.h: the old file stays on failure,
// its mode, owner and links are kept, a read-only file is refused); 1 when written, 0 when not.
int SaveDib(TDib dib, const char* fileName, int type, HWND wnd);
const char* GetDIBOpenFilter();
const char* GetDIBSaveFilter();
void SetJPEGQual(int quality);
// Palette index, or packed RGB (red in the low byte) for 24 bits; y counts from the top.
int getpixel(TDib dib, int x, int y);
void setpixel(TDib dib, int x, int y, int value);
void line(TDib dib, int x1, int y1, int x2, int y2, int colour);
void rechteck(TDib dib, int x1, int y1, int x2, int y2, int colour);
void recht_filled(TDib dib, int x1, int y1, int x2, int y2, int colour);
void ellipse(TDib dib, int x1, int y1, int x2, int y2, int colour);
void FilledEllipse(TDib dib, int x1, int y1, int x2, int y2, int colour);
void ScreenEllipse(HDC dc, int x1, int y1, int x2, int y2);
// Flood fill from (x, y): colour and second colour, tolerance, the selection mask and whether
// to honour it, a 1-bit work picture, fill style (0..5), gradient direction (0..7), a pattern.
void filldib(TDib dib, int x, int y, int colour, int colour2, int tolerance, TDib mask, int useMask,
             TDib work, int style, int direction, TDib pattern);
// 8-bit halftoned copy of a 24-bit picture, at its size or scaled.
void DIBHalftoneDIB(TDib* out, TDib dib);
void DIBHalftoneDIBXY(TDib* out, TDib dib, int width, int height);
double power(double x, double y);
}

// Opens a picture as OpenDib does, but lets a JPEG file be decoded at 1/2, 1/4 or 1/8 of its
// size while its larger side stays at least MinSide pixels (for thumbnails: the reduction
// averages blocks and skips most of the work). FullWidth and FullHeight (may be null) get
// the size the file declares. A reduced picture has no DibOrigin: it is not the file's.
void OpenDibReduced(TDib* out, const char* fileName, int type, HWND wnd, int MinSide, int* FullWidth,
                    int* FullHeight);

// The library's failure text of a record whose Bits is null (empty when there is none).
std::string DibErrorText(const TDib& dib);

// The file a picture was opened from by OpenDib, while its pixels are still what the file
// gave: the library's drawing calls (setpixel, line, rechteck, recht_filled, ellipse,
// FilledEllipse, filldib) mark a picture changed, and so must every caller that writes
// its pixels or colour table directly (DibPixelsChanged). A picture whose pixels differ
// from those at opening counts as changed even without a mark.
struct TDibOrigin {
    std::string fileName;  // as the file system spells it
    int type = 0;          // the format that decoded it (PW_BMP ... PW_PNG)
    std::uint64_t fileSize = 0;
    std::uint64_t fileDigest = 0;  // platform::contentDigest of the file's bytes
};
bool DibOrigin(const TDib& dib, TDibOrigin& out);
void DibPixelsChanged(const TDib& dib);

// Owns one picture and frees it exactly once. Move-only; copying pixels is always explicit.
class UniqueDib {
public:
    UniqueDib() noexcept;
    explicit UniqueDib(const TDib& dib) noexcept : dib_(dib) {}
    UniqueDib(UniqueDib&& other) noexcept : dib_(other.release()) {}
    UniqueDib& operator=(UniqueDib&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueDib(const UniqueDib&) = delete;
    UniqueDib& operator=(const UniqueDib&) = delete;
    ~UniqueDib() { reset(); }

    const TDib& get() const noexcept { return dib_; }
    TDib* out() noexcept;  // frees the held picture and hands out the record to fill
    explicit operator bool() const noexcept { return dib_.Bits != nullptr; }
    // Gives up ownership; the owner is left without a picture.
    TDib release() noexcept;
    // Frees the held picture and takes `dib` (or nothing).
    void reset() noexcept;
    void reset(const TDib& dib) noexcept;

private:
    TDib dib_;
};
