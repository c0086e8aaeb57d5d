// The graphics device interface: objects, palettes, device contexts and drawing.
//
// Device contexts draw through Qt onto a bitmap selected into a memory DC, a window's
// retained surface, the emulated screen, a printer or a test device. Coordinates are
// device pixels shifted by the viewport origin (no other mapping modes).
//
// Pixel rules of raster targets (images):
// - StretchDIBits, StretchBlt, BitBlt and SetDIBitsToDevice map pixels by nearest neighbour:
//   destination step k of a stretch of DestWidth takes source step k * SrcWidth / DestWidth
//   (integer division); the same for rows. A negative extent runs backwards from its origin,
//   the origin included (columns X, X-1, ..., X-|DestWidth|+1); opposite signs of source and
//   destination mirror. Destination pixels whose source pixel lies outside the source stay
//   untouched. The stretch mode does not change the mapping.
// - DIB sources follow the DIB convention: rows are stored bottom-up (top-down for a negative
//   biHeight) and SrcY counts rows from the bottom of the picture.
// - Lines exclude their last point; Rectangle, Ellipse and FillRect cover left..right-1 and
//   top..bottom-1; polygon fills follow pixel centres.
// - Monochrome bitmaps keep only black and white. Blitting a colour source onto a monochrome
//   bitmap makes pixels of the source DC's background colour white and all others black;
//   blitting a monochrome bitmap onto colour makes black the destination's text colour and
//   white its background colour.
// Vector targets (printers, PDF) receive pictures through QPainter::drawImage at the
// picture's own resolution; raster operations other than copies are not carried out there.
#pragma once

#include "platform/gditypes.h"

// ---------------------------------------------------------------------------------------
// Records and constants

// Pen styles
inline constexpr UINT PS_SOLID = 0;
inline constexpr UINT PS_DASH = 1;
inline constexpr UINT PS_DOT = 2;
inline constexpr UINT PS_DASHDOT = 3;
inline constexpr UINT PS_DASHDOTDOT = 4;
inline constexpr UINT PS_NULL = 5;
inline constexpr UINT PS_INSIDEFRAME = 6;
inline constexpr UINT PS_STYLE_MASK = 0xF;

// Brush styles and hatches
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HOLLOW = BS_NULL;
inline constexpr UINT BS_HATCHED = 2;
inline constexpr int HS_HORIZONTAL = 0;
inline constexpr int HS_VERTICAL = 1;
inline constexpr int HS_FDIAGONAL = 2;
inline constexpr int HS_BDIAGONAL = 3;
inline constexpr int HS_CROSS = 4;
inline constexpr int HS_DIAGCROSS = 5;

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;  // x is the width
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

// Stock objects
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int DEFAULT_PALETTE = 15;
inline constexpr int SYSTEM_FIXED_FONT = 16;
inline constexpr int DEFAULT_GUI_FONT = 17;

// Binary raster operations of pens and brushes
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOTMERGEPEN = 2;
inline constexpr int R2_MASKNOTPEN = 3;
inline constexpr int R2_NOTCOPYPEN = 4;
inline constexpr int R2_MASKPENNOT = 5;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_NOTMASKPEN = 8;
inline constexpr int R2_MASKPEN = 9;
inline constexpr int R2_NOTXORPEN = 10;
inline constexpr int R2_NOP = 11;
inline constexpr int R2_MERGENOTPEN = 12;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_MERGEPENNOT = 14;
inline constexpr int R2_MERGEPEN = 15;
inline constexpr int R2_WHITE = 16;

// Background modes
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Polygon fill modes
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;

// Text alignment
inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;

// ExtTextOut options
inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;
inline constexpr UINT ETO_RTLREADING = 0x0080;  // right-to-left reading order

// DrawText formats
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_EXPANDTABS = 0x0040;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;
inline constexpr UINT DT_TABSTOP = 0x0080;         // tab stops every (format >> 8) & 0xFF characters
inline constexpr UINT DT_EXTERNALLEADING = 0x0200;
inline constexpr UINT DT_INTERNAL = 0x1000;
inline constexpr UINT DT_EDITCONTROL = 0x2000;
inline constexpr UINT DT_PATH_ELLIPSIS = 0x4000;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;
inline constexpr UINT DT_MODIFYSTRING = 0x10000;
inline constexpr UINT DT_RTLREADING = 0x20000;
inline constexpr UINT DT_WORD_ELLIPSIS = 0x40000;
inline constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x80000;
inline constexpr UINT DT_HIDEPREFIX = 0x100000;
inline constexpr UINT DT_PREFIXONLY = 0x200000;

// Region results and combinations
inline constexpr int RGN_ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;

// Fonts
inline constexpr int LF_FACESIZE = 32;
inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE NONANTIALIASED_QUALITY = 3;
inline constexpr BYTE ANTIALIASED_QUALITY = 4;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;
inline constexpr BYTE FF_SCRIPT = 0x40;
inline constexpr BYTE FF_DECORATIVE = 0x50;
inline constexpr BYTE TMPF_FIXED_PITCH = 0x01;  // set for variable pitch, as the platform does
inline constexpr BYTE TMPF_VECTOR = 0x02;
inline constexpr BYTE TMPF_TRUETYPE = 0x04;

struct LOGFONTA {
    LONG lfHeight;  // < 0: character height in pixels; > 0: cell height; 0: default
    LONG lfWidth;
    LONG lfEscapement;  // tenths of a degree, counter-clockwise
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

// Print jobs
struct DOCINFOA {
    int cbSize;
    LPCSTR lpszDocName;
    LPCSTR lpszOutput;
    LPCSTR lpszDatatype;
    DWORD fwType;
};

struct DOCINFOW {
    int cbSize;
    LPCWSTR lpszDocName;
    LPCWSTR lpszOutput;
    LPCWSTR lpszDatatype;
    DWORD fwType;
};

inline constexpr int SP_ERROR = -1;

// ---------------------------------------------------------------------------------------
// The screen and the desktop window

namespace platform {

// The desktop window's handle: a fixed value that is never the address of a window.
// GetDesktopWindow returns it; GetDC of it (or of null) gives a screen DC.
inline HWND desktopWindowHandle() { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(-16)); }

// The emulated screen: its depth (1, 4, 8, 16, 24 or 32; default 24) is what GetDeviceCaps
// BITSPIXEL of screen and window DCs and the BITMAP of compatible bitmaps report; drawing
// itself always keeps full colour.
void setScreenBitsPerPixel(int bits);
int screenBitsPerPixel();
// Dots per inch of the screen (LOGPIXELSX/Y; 96 unless set).
void setScreenDpi(int dpiX, int dpiY);
inline void setScreenDpi(int dpi) { setScreenDpi(dpi, dpi); }
// Size of the screen in pixels (the primary screen's, else 1024 x 768).
SIZE screenSize();

// The colour of a solid brush; false for other brushes and for bad handles.
bool solidBrushColour(HBRUSH brush, COLORREF* colour);

}  // namespace platform

HWND GetDesktopWindow();

// ---------------------------------------------------------------------------------------
// Objects

BOOL DeleteObject(HGDIOBJ object);
DWORD GetObjectType(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
// Fills BITMAP (or DIBSECTION for DIB sections), LOGPEN, LOGBRUSH, LOGFONTA/W or the
// entry count (WORD) of a palette; with a null buffer returns the size needed.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
inline int GetObject(HGDIOBJ object, int size, LPVOID buffer) { return GetObjectW(object, size, buffer); }
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

// Palettes
HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour);
// The entry nearest to `colour` among `count` entries: the least squared distance in red,
// green and blue, the first entry on ties (CLR_INVALID for none); GetNearestPaletteIndex
// answers with it.
UINT NearestPaletteEntry(const PALETTEENTRY* entries, UINT count, COLORREF colour);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// The number of entries mapped: the palette's size on palette devices (RC_PALETTE), else 0.
UINT RealizePalette(HDC dc);

// Pens, brushes, fonts, regions
HPEN CreatePen(int style, int width, COLORREF colour);
HPEN CreatePenIndirect(const LOGPEN* pen);
HBRUSH CreateSolidBrush(COLORREF colour);
HBRUSH CreateHatchBrush(int hatch, COLORREF colour);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontIndirectW(const LOGFONTW* font);
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
int GetRgnBox(HRGN region, LPRECT rect);

// Bitmaps
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

// ---------------------------------------------------------------------------------------
// Device contexts

HDC GetDC(HWND wnd);
int ReleaseDC(HWND wnd, HDC dc);
HWND WindowFromDC(HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
int GetDeviceCaps(HDC dc, int index);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT old);
BOOL GetViewportOrgEx(HDC dc, LPPOINT origin);

// Clipping (regions in device coordinates, rectangles in logical ones)
int SelectClipRgn(HDC dc, HRGN region);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int GetClipBox(HDC dc, LPRECT rect);

// Attributes
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);

// Device-independent bitmaps
int StretchDIBits(HDC dc, int x, int y, int destWidth, int destHeight, int srcX, int srcY, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
              UINT usage);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, void* bits, BITMAPINFO* info, UINT usage);

// Blits
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// Lines and shapes
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT old);
BOOL LineTo(HDC dc, int x, int y);
BOOL GetCurrentPositionEx(HDC dc, LPPOINT point);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
// A brush handle below 32 stands for the system colour (handle - 1), as window classes use it.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rect);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
COLORREF GetPixel(HDC dc, int x, int y);

// Text (A-forms convert from the process's code page)
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// Count -1: the text ends at its null. Returns the height of the text drawn or measured
// (with DT_VCENTER or DT_BOTTOM on one line: from the rectangle's top to the text's bottom);
// 0 for an empty text. "&x" underlines x unless DT_NOPREFIX (DT_HIDEPREFIX hides the line,
// DT_PREFIXONLY draws the lines alone). Tabs with DT_EXPANDTABS stop every 8 average
// character widths (DT_TABSTOP: the count in bits 8 to 15). DT_WORDBREAK breaks lines at
// blanks and never inside a word; DT_END_ELLIPSIS, DT_WORD_ELLIPSIS and DT_PATH_ELLIPSIS
// shorten each line that does not fit ("..." at the end, or before the last path part).
// DT_MODIFYSTRING is not honoured: the text is never written back.
int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format);
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);

// Print jobs on printer DCs. StartDoc returns a job number above 0, or SP_ERROR.
int StartDocA(HDC dc, const DOCINFOA* info);
int StartDocW(HDC dc, const DOCINFOW* info);
int StartPage(HDC dc);
int EndPage(HDC dc);
int EndDoc(HDC dc);
int AbortDoc(HDC dc);
