// The clipboard's conversions between its blocks and what the desktop carries.
#pragma once

#include "platform/clipboard.h"
#include "platform/gditypes.h"

#include <QImage>

class QMimeData;
#include <string>
#include <vector>

namespace platform::clip {

using Bytes = std::vector<unsigned char>;

// The bytes of a global block (checked against its real size); empty for a bad handle.
Bytes bytesOf(HGLOBAL block);

// Where the rows of a packed DIB of `size` bytes start, from its first bytes (header and
// colour table); false when the header is not readable or the rows do not fit.
bool dibBitsOffset(const Bytes& head, std::size_t size, std::size_t& bitsAt);
// A packed DIB (BITMAPINFOHEADER, colour table, rows) and a picture; null when the block is
// not a DIB of 1, 4, 8, 24 or 32 bits whose rows all lie inside it.
QImage imageOfDib(const Bytes& dib);
// A packed DIB of a picture: indexed pictures keep their colour table in 1, 4 or 8 bits,
// others become 24 bits (transparent parts over white). Empty for a null or huge picture.
Bytes dibOfImage(const QImage& image);
// A BMP file of a packed DIB; empty when the block is not a readable DIB.
Bytes bmpFileOfDib(const Bytes& dib);
// Bitmap handles and packed DIBs.
Bytes dibOfBitmap(HBITMAP bitmap);
HBITMAP bitmapOfDib(const Bytes& dib);
// Palettes as LOGPALETTE bytes.
Bytes bytesOfPalette(HPALETTE palette);
HPALETTE paletteOfBytes(const Bytes& bytes);

// Text blocks: UTF-16 with a terminator, or 8-bit text of a code page.
Bytes unicodeTextBlock(std::u16string_view text);
Bytes codePageTextBlock(std::u16string_view text, UINT codePage);
// The text of a block of one of the three text formats, up to its first null.
std::u16string textOfBlock(const Bytes& block, UINT format);

// CF_HDROP blocks (UTF-16 names) and the names of one (wide or 8-bit); false for a block
// whose head or names lie outside it.
Bytes dropFilesBlock(const std::vector<std::u16string>& paths);
bool pathsOfDropFiles(const Bytes& block, std::vector<std::u16string>& paths);

// What the desktop's data (the clipboard's, a drag's) offers as clipboard formats, the
// block of one of them, and the private type a format travels as between our processes.
std::vector<UINT> formatsOfMimeData(const QMimeData* data);
Bytes bytesOfMimeData(const QMimeData* data, UINT format);
std::string mimeTypeOfFormat(UINT format);

}  // namespace platform::clip
