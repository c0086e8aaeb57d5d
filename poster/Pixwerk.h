// The picture record's accessors, the screen depth and DrawDib, the one routine through
// which pictures reach screens and printers.
#pragma once

#include "pixwerk/pixwerk.h"
#include "platform/gdi.h"

// Accessors of the info block; 0 for a record without a picture.
int DibWidth(TDib Dib);
int DibHeight(TDib Dib);
int DibBitCount(TDib Dib);
int DibLineBytes(TDib Dib);
// 2, 16, 256 or 16,777,216 (above 256 means true colour).
int DibColorCount(TDib Dib);
// 2 to the power n by repeated doubling (1 for n <= 0).
int PowerOfTwo(int n);
// Bits per pixel of the screen: bmBitsPixel of a 1 x 1 bitmap compatible with the desktop.
int ScreenBitsPerPixel();

// Draws the section (SrcX, SrcY, SrcWidth, SrcHeight) of the picture, SrcY counted from its
// bottom row, stretched to (X, Y, DestWidth, DestHeight) of the DC. The section is clipped to
// the picture first and the destination shrinks with it; a section or destination that ends
// up empty draws nothing. Palette pictures select their own palette (UseDibPalette) or
// `Palette`. True-colour pictures are halftoned when the screen has 8 bits or less and
// Halftone allows it; 8- and 24-bit pictures reach screens row by row; everything else goes
// through one StretchDIBits, with fallbacks for devices that refuse it.
void DrawDib(HDC DC, int X, int Y, int DestWidth, int DestHeight, TDib Dib, int SrcX, int SrcY, int SrcWidth,
             int SrcHeight, bool Halftone, DWORD Rop, bool UseDibPalette, HPALETTE Palette);

namespace drawdib {

// The row-wise step on its own, for a section already clipped by the caller: row r of the
// destination shows picture row (counted from the top) TopY + SrcHeight * r / DestHeight,
// TopY = height - SrcY - SrcHeight; rows outside the picture come out as zero bytes (black,
// or palette colour 0). Returns false when the row buffer cannot be made.
bool DrawRows(HDC DC, int X, int Y, int DestWidth, int DestHeight, const TDib& Dib, int SrcX, int SrcY,
              int SrcWidth, int SrcHeight);

}  // namespace drawdib
