// Icons: pictures with a mask and, where they have one, alpha, drawn on device contexts.
// Handles are checked; a stale or foreign one (a cursor handle too) fails.
#pragma once

#include "platform/gdi.h"

class QImage;

struct ICONINFO {
    BOOL fIcon;      // TRUE for an icon, FALSE for a cursor
    DWORD xHotspot;  // cursors only
    DWORD yHotspot;
    HBITMAP hbmMask;   // monochrome, white where the icon is transparent; twice as high without hbmColor
    HBITMAP hbmColor;  // may be null (a black and white icon: the upper half of hbmMask masks the lower)
};

inline constexpr UINT DI_MASK = 0x0001;
inline constexpr UINT DI_IMAGE = 0x0002;
inline constexpr UINT DI_NORMAL = 0x0003;
inline constexpr UINT DI_DEFAULTSIZE = 0x0008;

// A new icon from the bitmaps (they stay the caller's); a 32-bit colour bitmap with alpha
// keeps it. Null when a bitmap is missing or bad.
HICON CreateIconIndirect(const ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
// New bitmaps of the icon (the caller deletes them): a 32-bit DIB section with the alpha
// and the monochrome mask.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
// Draws the icon scaled to cx x cy (0: its own size, or the system icon size with
// DI_DEFAULTSIZE); DI_MASK the mask alone, DI_IMAGE the picture without it. A flicker
// brush fills the rectangle first.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flickerBrush, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

// The system's icons (LoadIcon with no instance): the desktop style's pictures at 32 x 32.
inline constexpr WORD IDI_APPLICATION = 32512;
inline constexpr WORD IDI_HAND = 32513;
inline constexpr WORD IDI_QUESTION = 32514;
inline constexpr WORD IDI_EXCLAMATION = 32515;
inline constexpr WORD IDI_ASTERISK = 32516;
inline constexpr WORD IDI_ERROR = IDI_HAND;
inline constexpr WORD IDI_WARNING = IDI_EXCLAMATION;
inline constexpr WORD IDI_INFORMATION = IDI_ASTERISK;
// A shared icon: the same handle each time; DestroyIcon leaves it alone. Null (last error
// ERROR_RESOURCE_NAME_NOT_FOUND) for an instance's own icons, which the layer has none of.
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);

namespace platform {

// An icon of a picture: its alpha is the icon's transparency. Null for a null picture.
HICON iconFromImage(const QImage& image);
// The icon's picture (ARGB32, not premultiplied); a null image for a bad handle.
QImage iconImage(HICON icon);
// Number of live icons (tests use it to find leaks).
int liveIconCount();

}  // namespace platform
