// The common controls' registration, image lists, progress bar and tooltips.
#pragma once

#include "platform/gdi.h"
#include "platform/winpaint.h"
#include "platform/winuser.h"

#include <cstddef>
#include <vector>

// ---- Registration -------------------------------------------------------------------------

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
inline constexpr DWORD ICC_LISTVIEW_CLASSES = 0x00000001;
inline constexpr DWORD ICC_TREEVIEW_CLASSES = 0x00000002;
inline constexpr DWORD ICC_BAR_CLASSES = 0x00000004;  // tool bar, status bar, track bar, tooltips
inline constexpr DWORD ICC_TAB_CLASSES = 0x00000008;  // tabs and tooltips
inline constexpr DWORD ICC_UPDOWN_CLASS = 0x00000010;
inline constexpr DWORD ICC_PROGRESS_CLASS = 0x00000020;
inline constexpr DWORD ICC_HOTKEY_CLASS = 0x00000040;
inline constexpr DWORD ICC_ANIMATE_CLASS = 0x00000080;
inline constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
inline constexpr DWORD ICC_STANDARD_CLASSES = 0x00004000;

// Registers the window classes of the asked groups (the progress bar and the tooltips here);
// registering them again does nothing. FALSE for a bad record.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);
void InitCommonControls();

// Messages every common control answers.
inline constexpr UINT CCM_FIRST = 0x2000;
inline constexpr UINT CCM_SETBKCOLOR = CCM_FIRST + 1;         // lParam colour; the old one
inline constexpr UINT CCM_SETUNICODEFORMAT = CCM_FIRST + 5;   // wParam: notifications in UTF-16
inline constexpr UINT CCM_GETUNICODEFORMAT = CCM_FIRST + 6;

// Notifications every common control sends (WM_NOTIFY, an NMHDR or a record that starts
// with one).
inline constexpr UINT NM_FIRST = 0u;
inline constexpr UINT NM_OUTOFMEMORY = NM_FIRST - 1;
inline constexpr UINT NM_CLICK = NM_FIRST - 2;
inline constexpr UINT NM_DBLCLK = NM_FIRST - 3;
inline constexpr UINT NM_RETURN = NM_FIRST - 4;
inline constexpr UINT NM_RCLICK = NM_FIRST - 5;
inline constexpr UINT NM_RDBLCLK = NM_FIRST - 6;
inline constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
inline constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;
inline constexpr UINT NM_HOVER = NM_FIRST - 13;

// Colours of the common controls.
inline constexpr COLORREF CLR_NONE = 0xFFFFFFFFu;
inline constexpr COLORREF CLR_DEFAULT = 0xFF000000u;

// ---- Image lists ------------------------------------------------------------------------------
//
// An image list holds images of one size, each with its transparency: a mask (ILC_MASK:
// a pixel is drawn or left out) and, in 32-bit lists, the alpha of images that carry one.
// Images are kept at the list's colour depth: ILC_COLOR4 and ILC_COLOR8 reduce colours to
// the 16 standard colours and to a 256-colour palette, ILC_COLOR16 to 5 bits per channel,
// ILC_COLORDDB follows the screen's depth, ILC_COLOR (0) means 4 bits.
// Handles are checked: a stale or foreign one fails. The shell's system image lists
// (SHGetFileInfo) cannot be destroyed, and their images cannot be changed.
// Everything runs on the user-interface thread.

inline constexpr UINT ILC_MASK = 0x0001;
inline constexpr UINT ILC_COLOR = 0x0000;
inline constexpr UINT ILC_COLORDDB = 0x00FE;
inline constexpr UINT ILC_COLOR4 = 0x0004;
inline constexpr UINT ILC_COLOR8 = 0x0008;
inline constexpr UINT ILC_COLOR16 = 0x0010;
inline constexpr UINT ILC_COLOR24 = 0x0018;
inline constexpr UINT ILC_COLOR32 = 0x0020;

inline constexpr UINT ILD_NORMAL = 0x0000;       // with the background colour when the list has one
inline constexpr UINT ILD_TRANSPARENT = 0x0001;  // masked, whatever the background colour
inline constexpr UINT ILD_BLEND25 = 0x0002;      // a quarter of the blend colour
inline constexpr UINT ILD_FOCUS = ILD_BLEND25;
inline constexpr UINT ILD_BLEND50 = 0x0004;      // half of the blend colour
inline constexpr UINT ILD_SELECTED = ILD_BLEND50;
inline constexpr UINT ILD_BLEND = ILD_BLEND50;
inline constexpr UINT ILD_MASK = 0x0010;         // the mask: black where the image is drawn, white elsewhere
inline constexpr UINT ILD_IMAGE = 0x0020;        // the image without its mask
inline constexpr UINT ILD_OVERLAYMASK = 0x0F00;  // the overlay (1 to 15) drawn over the image
inline constexpr UINT INDEXTOOVERLAYMASK(UINT overlay) { return overlay << 8; }

inline constexpr UINT ILCF_MOVE = 0x0;
inline constexpr UINT ILCF_SWAP = 0x1;

struct IMAGEINFO {
    HBITMAP hbmImage;  // all images side by side (a 32-bit DIB section for 32-bit lists)
    HBITMAP hbmMask;   // their masks (monochrome: white where an image is transparent); null without ILC_MASK
    int Unused1;
    int Unused2;
    RECT rcImage;      // the image's place in both bitmaps
};

// cx, cy above 0; cGrow and cInitial only reserve room. Null on bad sizes.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
// FALSE for a bad handle and for the system image lists.
BOOL ImageList_Destroy(HIMAGELIST himl);
int ImageList_GetImageCount(HIMAGELIST himl);
// Shrinks or grows the list; new images are transparent black.
BOOL ImageList_SetImageCount(HIMAGELIST himl, UINT count);
// Images of the bitmap from its left, one per cx pixels (a last partial one is left out);
// the mask is monochrome, white where the image is transparent. The index of the first
// image added, or -1.
int ImageList_Add(HIMAGELIST himl, HBITMAP image, HBITMAP mask);
// The same with the pixels of one colour transparent (CLR_DEFAULT: the top-left pixel's).
int ImageList_AddMasked(HIMAGELIST himl, HBITMAP image, COLORREF mask);
BOOL ImageList_Replace(HIMAGELIST himl, int i, HBITMAP image, HBITMAP mask);
// Replaces image i with the icon scaled to the list's size, or appends it for i = -1; the
// index, or -1.
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON icon);
inline int ImageList_AddIcon(HIMAGELIST himl, HICON icon) { return ImageList_ReplaceIcon(himl, -1, icon); }
// Removes image i, or all of them for -1; overlays follow the images that stay.
BOOL ImageList_Remove(HIMAGELIST himl, int i);
inline BOOL ImageList_RemoveAll(HIMAGELIST himl) { return ImageList_Remove(himl, -1); }
BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
// Removes all images.
BOOL ImageList_SetIconSize(HIMAGELIST himl, int cx, int cy);
// The colour drawn under transparent pixels by ILD_NORMAL (CLR_NONE: none); the old one.
COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF colour);
COLORREF ImageList_GetBkColor(HIMAGELIST himl);
// Makes image `image` the overlay `overlay` (1 to 15).
BOOL ImageList_SetOverlayImage(HIMAGELIST himl, int image, int overlay);
// dx, dy: the part of the image from its top-left corner (0: all of it). rgbBk: CLR_DEFAULT
// the list's background colour, CLR_NONE none. rgbFg, the blend colour of ILD_BLEND25 and
// ILD_BLEND50: CLR_DEFAULT the highlight colour, CLR_NONE the destination (the image drawn
// partly transparent).
BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC dc, int x, int y, int dx, int dy, COLORREF rgbBk, COLORREF rgbFg,
                      UINT style);
BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC dc, int x, int y, UINT style);
// A new icon of image i drawn with `flags` (ILD_* with an overlay); the caller destroys it.
HICON ImageList_GetIcon(HIMAGELIST himl, int i, UINT flags);
inline HICON ImageList_ExtractIcon(HINSTANCE, HIMAGELIST himl, int i) { return ImageList_GetIcon(himl, i, 0); }
// The bitmaps stay the list's (valid until it changes or goes).
BOOL ImageList_GetImageInfo(HIMAGELIST himl, int i, IMAGEINFO* info);
// A new masked list of one image: image i1 with image i2 of the other list drawn over it at
// (dx, dy), large enough for both.
HIMAGELIST ImageList_Merge(HIMAGELIST himl1, int i1, HIMAGELIST himl2, int i2, int dx, int dy);
// Image iSrc copied over iDst (ILCF_MOVE), or the two exchanged (ILCF_SWAP); both lists of
// one size (usually the same list).
BOOL ImageList_Copy(HIMAGELIST dst, int iDst, HIMAGELIST src, int iSrc, UINT flags);
HIMAGELIST ImageList_Duplicate(HIMAGELIST himl);

// Drag images: one image (and, when set, the drag cursor image merged into it) shown over
// the screen while dragging, in a frameless top-level window that lets the mouse through.
// Coordinates of DragEnter and DragMove are relative to the locked window's upper-left
// corner (its window rectangle; the screen for null).
BOOL ImageList_BeginDrag(HIMAGELIST himl, int i, int dxHotspot, int dyHotspot);
BOOL ImageList_DragEnter(HWND lock, int x, int y);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragLeave(HWND lock);
BOOL ImageList_DragShowNolock(BOOL show);
void ImageList_EndDrag();
// Merges image i into the drag image with its hot spot at (dxHotspot, dyHotspot) of it.
BOOL ImageList_SetDragCursorImage(HIMAGELIST himl, int i, int dxHotspot, int dyHotspot);
// The list of the drag image; the position (screen) and the hot spot.
HIMAGELIST ImageList_GetDragImage(POINT* pt, POINT* hotspot);

namespace platform {

// An image list as bytes (the layouts' "Bitmap" data): a 28-byte header, the images as a
// BMP file four images wide, and for masked lists their masks as a monochrome BMP file.
bool writeImageList(HIMAGELIST himl, std::vector<BYTE>& out);
// The list held in `size` bytes; `used` gets the bytes it took. Null for damaged data.
HIMAGELIST readImageList(const BYTE* data, std::size_t size, std::size_t* used = nullptr);
// The window that shows the drag image (null while none is shown), for tests.
QWidget* dragImageWindow();

}  // namespace platform

// ---- Progress bar -------------------------------------------------------------------------------

inline constexpr const char* PROGRESS_CLASSA = "msctls_progress32";
inline constexpr const char16_t* PROGRESS_CLASSW = u"msctls_progress32";

inline constexpr DWORD PBS_SMOOTH = 0x01;
inline constexpr DWORD PBS_VERTICAL = 0x04;

struct PBRANGE {
    int iLow;
    int iHigh;
};

inline constexpr UINT PBM_SETRANGE = WM_USER + 1;    // lParam: low and high word; the old range so
inline constexpr UINT PBM_SETPOS = WM_USER + 2;      // the old position
inline constexpr UINT PBM_DELTAPOS = WM_USER + 3;    // wParam added; the old position
inline constexpr UINT PBM_SETSTEP = WM_USER + 4;     // the old step
inline constexpr UINT PBM_STEPIT = WM_USER + 5;      // past the maximum it starts again at the minimum
inline constexpr UINT PBM_SETRANGE32 = WM_USER + 6;  // wParam low, lParam high
inline constexpr UINT PBM_GETRANGE = WM_USER + 7;    // wParam TRUE: the low end, else the high end; lParam PBRANGE*
inline constexpr UINT PBM_GETPOS = WM_USER + 8;
inline constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;  // lParam colour (CLR_DEFAULT: the highlight colour)
inline constexpr UINT PBM_GETSTEP = WM_USER + 13;
inline constexpr UINT PBM_GETBKCOLOR = WM_USER + 14;
inline constexpr UINT PBM_GETBARCOLOR = WM_USER + 15;
inline constexpr UINT PBM_SETBKCOLOR = CCM_SETBKCOLOR;  // lParam colour (CLR_DEFAULT: the button face)

namespace platform {

// The position PBM_STEPIT gives: one step on, starting again from the other end of the
// range when it passes one, then kept in the range.
int progressStepped(int pos, int step, int low, int high);

}  // namespace platform

// ---- Tooltips -------------------------------------------------------------------------------------

inline constexpr const char* TOOLTIPS_CLASSA = "tooltips_class32";
inline constexpr const char16_t* TOOLTIPS_CLASSW = u"tooltips_class32";

inline constexpr DWORD TTS_ALWAYSTIP = 0x01;  // also while the tool's window is not active
inline constexpr DWORD TTS_NOPREFIX = 0x02;   // "&" shown as it is
inline constexpr DWORD TTS_NOANIMATE = 0x10;
inline constexpr DWORD TTS_NOFADE = 0x20;
inline constexpr DWORD TTS_BALLOON = 0x40;

inline constexpr UINT TTF_IDISHWND = 0x0001;   // uId is a window: the tool is its client area
inline constexpr UINT TTF_CENTERTIP = 0x0002;  // centred below the tool
inline constexpr UINT TTF_RTLREADING = 0x0004;
inline constexpr UINT TTF_SUBCLASS = 0x0010;   // the tip watches the tool window's mouse itself
inline constexpr UINT TTF_TRACK = 0x0020;      // shown by TTM_TRACKACTIVATE at TTM_TRACKPOSITION
inline constexpr UINT TTF_ABSOLUTE = 0x0080;   // exactly at the track position
inline constexpr UINT TTF_TRANSPARENT = 0x0100;
inline constexpr UINT TTF_DI_SETITEM = 0x8000;  // TTN_GETDISPINFO: keep the answer

inline constexpr WPARAM TTDT_AUTOMATIC = 0;
inline constexpr WPARAM TTDT_RESHOW = 1;
inline constexpr WPARAM TTDT_AUTOPOP = 2;
inline constexpr WPARAM TTDT_INITIAL = 3;

#define LPSTR_TEXTCALLBACKA (reinterpret_cast<LPSTR>(static_cast<LONG_PTR>(-1)))
#define LPSTR_TEXTCALLBACKW (reinterpret_cast<LPWSTR>(static_cast<LONG_PTR>(-1)))

struct TTTOOLINFOA {
    UINT cbSize;
    UINT uFlags;
    HWND hwnd;     // the window that holds the tool and receives its notifications
    UINT_PTR uId;  // an identifier, or a window with TTF_IDISHWND
    RECT rect;     // in hwnd's client coordinates (without TTF_IDISHWND)
    HINSTANCE hinst;
    LPSTR lpszText;  // a text, LPSTR_TEXTCALLBACKA, or a buffer (TTM_GETTEXTA)
    LPARAM lParam;
    void* lpReserved;
};
struct TTTOOLINFOW {
    UINT cbSize;
    UINT uFlags;
    HWND hwnd;
    UINT_PTR uId;
    RECT rect;
    HINSTANCE hinst;
    LPWSTR lpszText;
    LPARAM lParam;
    void* lpReserved;
};
using TOOLINFOA = TTTOOLINFOA;
using TOOLINFOW = TTTOOLINFOW;
// Records without lParam (the first form) are accepted too.
inline constexpr UINT TTTOOLINFOA_V1_SIZE = offsetof(TTTOOLINFOA, lParam);
inline constexpr UINT TTTOOLINFOW_V1_SIZE = offsetof(TTTOOLINFOW, lParam);

struct TTHITTESTINFOA {
    HWND hwnd;
    POINT pt;
    TTTOOLINFOA ti;
};
struct TTHITTESTINFOW {
    HWND hwnd;
    POINT pt;
    TTTOOLINFOW ti;
};

// The request for a tool's text: set lpszText (to szText, or a text that lives on).
struct NMTTDISPINFOA {
    NMHDR hdr;
    LPSTR lpszText;
    char szText[80];
    HINSTANCE hinst;
    UINT uFlags;
    LPARAM lParam;
};
struct NMTTDISPINFOW {
    NMHDR hdr;
    LPWSTR lpszText;
    WCHAR szText[80];
    HINSTANCE hinst;
    UINT uFlags;
    LPARAM lParam;
};
using TOOLTIPTEXTA = NMTTDISPINFOA;
using TOOLTIPTEXTW = NMTTDISPINFOW;

inline constexpr UINT TTM_ACTIVATE = WM_USER + 1;
inline constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;  // wParam TTDT_*, lParam milliseconds (-1: default)
inline constexpr UINT TTM_ADDTOOLA = WM_USER + 4;
inline constexpr UINT TTM_DELTOOLA = WM_USER + 5;
inline constexpr UINT TTM_NEWTOOLRECTA = WM_USER + 6;
inline constexpr UINT TTM_RELAYEVENT = WM_USER + 7;  // lParam MSG* of the tool window's mouse
inline constexpr UINT TTM_GETTOOLINFOA = WM_USER + 8;
inline constexpr UINT TTM_SETTOOLINFOA = WM_USER + 9;
inline constexpr UINT TTM_HITTESTA = WM_USER + 10;
inline constexpr UINT TTM_GETTEXTA = WM_USER + 11;  // wParam buffer size in characters (0: 80)
inline constexpr UINT TTM_UPDATETIPTEXTA = WM_USER + 12;
inline constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
inline constexpr UINT TTM_ENUMTOOLSA = WM_USER + 14;
inline constexpr UINT TTM_GETCURRENTTOOLA = WM_USER + 15;
inline constexpr UINT TTM_WINDOWFROMPOINT = WM_USER + 16;  // lParam POINT* (screen); the window there
inline constexpr UINT TTM_TRACKACTIVATE = WM_USER + 17;    // wParam on/off, lParam TOOLINFO*
inline constexpr UINT TTM_TRACKPOSITION = WM_USER + 18;    // lParam screen x and y
inline constexpr UINT TTM_SETTIPBKCOLOR = WM_USER + 19;
inline constexpr UINT TTM_SETTIPTEXTCOLOR = WM_USER + 20;
inline constexpr UINT TTM_GETDELAYTIME = WM_USER + 21;
inline constexpr UINT TTM_GETTIPBKCOLOR = WM_USER + 22;
inline constexpr UINT TTM_GETTIPTEXTCOLOR = WM_USER + 23;
inline constexpr UINT TTM_SETMAXTIPWIDTH = WM_USER + 24;  // lParam pixels (-1: none); the old width
inline constexpr UINT TTM_GETMAXTIPWIDTH = WM_USER + 25;
inline constexpr UINT TTM_SETMARGIN = WM_USER + 26;  // lParam RECT*
inline constexpr UINT TTM_GETMARGIN = WM_USER + 27;
inline constexpr UINT TTM_POP = WM_USER + 28;
inline constexpr UINT TTM_UPDATE = WM_USER + 29;
inline constexpr UINT TTM_POPUP = WM_USER + 34;  // shows the tip of the tool under the mouse at once
inline constexpr UINT TTM_ADDTOOLW = WM_USER + 50;
inline constexpr UINT TTM_DELTOOLW = WM_USER + 51;
inline constexpr UINT TTM_NEWTOOLRECTW = WM_USER + 52;
inline constexpr UINT TTM_GETTOOLINFOW = WM_USER + 53;
inline constexpr UINT TTM_SETTOOLINFOW = WM_USER + 54;
inline constexpr UINT TTM_HITTESTW = WM_USER + 55;
inline constexpr UINT TTM_GETTEXTW = WM_USER + 56;
inline constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57;
inline constexpr UINT TTM_ENUMTOOLSW = WM_USER + 58;
inline constexpr UINT TTM_GETCURRENTTOOLW = WM_USER + 59;

// Notifications (WM_NOTIFY to the tool's window; idFrom is the tool's uId). Whether a
// tool gets the A or the W form is asked with WM_NOTIFYFORMAT when it is added.
inline constexpr UINT TTN_FIRST = 0u - 520u;
inline constexpr UINT TTN_GETDISPINFOA = TTN_FIRST - 0;
inline constexpr UINT TTN_GETDISPINFOW = TTN_FIRST - 10;
inline constexpr UINT TTN_NEEDTEXTA = TTN_GETDISPINFOA;
inline constexpr UINT TTN_NEEDTEXTW = TTN_GETDISPINFOW;
inline constexpr UINT TTN_SHOW = TTN_FIRST - 1;  // non-zero answer: the receiver placed the tip
inline constexpr UINT TTN_POP = TTN_FIRST - 2;
