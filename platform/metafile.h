// Enhanced metafiles: opening a file, reading its header, playing it onto a device
// context and freeing it.
//
// The header is read and checked here (record type 1 at the start, a record size that
// holds the fixed header, the signature " EMF" at byte 40). Playing converts the records
// to SVG and renders that, scaled to the given rectangle, onto the device context.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <string>
#include <vector>

struct RECTL {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct SIZEL {
    LONG cx;
    LONG cy;
};

inline constexpr DWORD EMR_HEADER = 1;
inline constexpr DWORD EMR_EOF = 14;
inline constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520;  // " EMF"

// The metafile header record as it is stored (little-endian, 108 bytes; older files stop
// after szlMillimeters at 88 bytes or after bOpenGL at 100).
struct ENHMETAHEADER {
    DWORD iType;           // EMR_HEADER
    DWORD nSize;           // bytes of this record
    RECTL rclBounds;       // bounds of the drawing in device units, inclusive
    RECTL rclFrame;        // the picture frame in 0.01 mm, inclusive
    DWORD dSignature;      // ENHMETA_SIGNATURE
    DWORD nVersion;
    DWORD nBytes;          // bytes of the whole metafile
    DWORD nRecords;
    WORD nHandles;
    WORD sReserved;
    DWORD nDescription;    // characters of the description
    DWORD offDescription;  // its offset from the start
    DWORD nPalEntries;
    SIZEL szlDevice;       // the reference device in pixels
    SIZEL szlMillimeters;  // and in millimetres
    DWORD cbPixelFormat;
    DWORD offPixelFormat;
    DWORD bOpenGL;
    SIZEL szlMicrometers;
};
static_assert(sizeof(ENHMETAHEADER) == 108, "the stored header is 108 bytes");
static_assert(offsetof(ENHMETAHEADER, rclBounds) == 8 && offsetof(ENHMETAHEADER, rclFrame) == 24 &&
                  offsetof(ENHMETAHEADER, dSignature) == 40,
              "bounds, frame and signature sit at their stored offsets");

// Opens a metafile (a regular file only: a FIFO or device is refused without waiting).
// Null when the file cannot be read or is no enhanced metafile; the last error tells why
// (ERROR_FILE_NOT_FOUND, ERROR_INVALID_DATA, ERROR_NOT_ENOUGH_MEMORY, ...).
HENHMETAFILE GetEnhMetaFileA(LPCSTR fileName);
HENHMETAFILE GetEnhMetaFileW(LPCWSTR fileName);
// A metafile from bytes in memory (copied); null when they are no enhanced metafile.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
// Copies up to `size` bytes of the header into `header`; with a null header, the size of
// the header. 0 for an unknown handle.
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// Copies the metafile's bytes; with a null buffer, their number.
UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data);
// Draws the picture onto the device context, its bounds (or, when they are empty, its
// frame) scaled to `rect` (logical units, right and bottom exclusive). Areas the picture leaves unpainted keep what they had.
// FALSE for an unknown handle or DC, an empty rectangle, or records that cannot be drawn.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

namespace platform {

// The SVG text of a metafile's records in its device units, the bounds' top-left corner at
// (0, 0); empty when the records cannot be converted.
std::string enhMetaFileSvg(HENHMETAFILE metafile);

}  // namespace platform
