// Plain routines the kit's controls share: integers and rectangles, keyed and disabled
// bitmap drawing, gradients, text shortening, words of a text, the keyed text scrambler,
// memory and message helpers, and the kit's screen cursors.
#pragma once

#include "classlib/Controls.h"
#include "classlib/Graphics.h"

#include <set>

// Screen cursors installed by InitKitCursors.
inline constexpr TCursor crKitHand = 14000;
inline constexpr TCursor crKitDrag = 14001;

// Key colours of the keyed drawing routines.
inline constexpr TColor clKitNoKey = 0x1FFFFFFF;      // no transparency
inline constexpr TColor clKitBottomLeft = 0x20000000;  // the bitmap's bottom-left pixel

void SwapIntegers(int& A, int& B);
inline int LargerOf(int A, int B) { return A > B ? A : B; }
inline int SmallerOf(int A, int B) { return A < B ? A : B; }
inline int WidthOfRect(const RECT& R) { return R.right - R.left; }
inline int HeightOfRect(const RECT& R) { return R.bottom - R.top; }
// Edges included.
bool PointInsideRect(POINT P, const RECT& R);
COLORREF PaletteRGBOf(TColor Color);
int PaletteEntryCount(HPALETTE Palette);

// Zero-filled memory of the platform's global heap; null for a size of 0 or less.
void* GetMemBlock(long Size);
void FreeMemBlock(void*& P);
bool SameMemBlock(const void* A, const void* B, long Length);
void* OffsetPointer(void* P, long Offset);
void CopyMemBlock(const void* Source, void* Dest, long Count);
String IdentText(const String& S);
// Removes one pending message of that number for the window; a removed WM_QUIT is posted
// again with its exit code.
void PurgeMessage(HWND Wnd, UINT Msg);
bool ActiveWindowInThread();
// The default cursor, the information box "Function not yet implemented", then a silent
// abort (EAbort).
[[noreturn]] void RaiseNotImplemented();
// Moves the control left and up until it lies inside its parent's client area (or the
// screen), never to a negative position; the size stays.
void FitControlToParent(TControl* Control);

// Shows count nested focus rectangles (each one pixel inside the previous) over the screen
// in a frameless, input-transparent window that stays on top; the same call again takes
// them away.
void DrawFocusFrames(const RECT& Rect, int Count);
// Whether focus frames of that rectangle and count are shown (tests).
bool FocusFramesShown(const RECT& Rect, int Count);

// Draws the source stretched into the destination; source pixels of the key colour leave
// the destination as it was.
void StretchBltKeyed(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX, int SrcY, int SrcW,
                     int SrcH, TColor KeyColor, HPALETTE Palette);
// A destination size below 1 takes the bitmap's, a source size below 1 the whole bitmap.
// clKitNoKey draws without transparency, clKitBottomLeft keys on the bottom-left pixel, and
// a monochrome bitmap always keys on white.
void StretchBitmapKeyed(TCanvas* Dest, int DstX, int DstY, int DstW, int DstH, TBitmap* Bitmap, int SrcX, int SrcY,
                        int SrcW, int SrcH, TColor KeyColor);
void PaintBitmapPartKeyed(TCanvas* Dest, const RECT& DstRect, TBitmap* Bitmap, const RECT& SrcRect, TColor KeyColor);
void PaintBitmapRectKeyed(TCanvas* Dest, int X, int Y, TBitmap* Bitmap, const RECT& SrcRect, TColor KeyColor);
void PaintBitmapKeyed(TCanvas* Dest, int X, int Y, TBitmap* Bitmap, TColor KeyColor);

// A new bitmap of the same size (the caller's): the pixels of the outline colour in the
// shadow colour, with the highlight colour under them one pixel down and right, on the
// background colour.
TBitmap* MakeDisabledGlyph(TBitmap* Bitmap, TColor OutlineColor, TColor BackColor, TColor HighlightColor,
                           TColor ShadowColor, bool DrawHighlight);
// The standard look: on clBtnFace, clBtnShadow over a clBtnHighlight highlight.
TBitmap* MakeStandardDisabledGlyph(TBitmap* Bitmap, TColor OutlineColor);
// One image of an image list drawn disabled: its opaque pixels in the shadow colour, with
// the highlight colour under them one pixel down and right when asked; the rest of the
// canvas stays.
void DrawImageListDisabled(class TCustomImageList* Images, TCanvas* Canvas, int X, int Y, int Index, bool Highlight,
                           TColor ShadowColor, TColor HighlightColor);
// Paints into the canvas what the parent shows under the control: the parent's background
// and its own face, then the non-windowed siblings below the control that overlap it.
void PaintParentImage(TControl* Control, TCanvas* Canvas);
// Cell `Index` of a picture of Columns x Rows cells into Target.
void ExtractBitmapCell(TGraphic* Source, TBitmap* Target, int Columns, int Index, int Rows);

enum TFillDirection { fdTopToBottom, fdBottomToTop, fdLeftToRight, fdRightToLeft };
void FillGradient(TCanvas* Canvas, const RECT& Rect, TColor StartColor, TColor EndColor, int Colors,
                  TFillDirection Direction);

// The text cut at its end, whole characters only, followed by "..." until it fits.
String ShortenTextToWidth(const String& Text, TCanvas* Canvas, int Width);

using TCharSet = std::set<char>;
int WordCountOf(const String& S, const TCharSet& Delims);
int WordStart(int N, const String& S, const TCharSet& Delims);  // 1-based, 0 when missing
String NthWord(int N, const String& S, const TCharSet& Delims);
String ReplaceAll(const String& S, const String& Search, const String& Replacement);

// Two lowercase hexadecimal digits per byte of the text, each XORed with the key's byte.
String ScrambleText(const String& Key, const String& Text);
String UnscrambleText(const String& Key, const String& Text);

// Installs the hand and drag cursors (crKitHand, crKitDrag) into Screen once.
void InitKitCursors();
