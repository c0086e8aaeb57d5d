// The common controls: their registration, image lists (with drag images), the progress
// bar and tooltips. Further common controls add their declarations here.
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

// ---- Header and list view -------------------------------------------------------------------
//
// The header: a row of items (columns) that can be clicked and resized by dragging their
// dividers, with text, bitmap or image-list image and a sort arrow. The list view: items with
// sub-items in four views (icons, small icons, list, report with a header), images, state
// images (check boxes), selection and focus, in-place label editing through an EDIT child
// window, sorting by callbacks, and owner data (LVS_OWNERDATA: the program keeps the items
// and serves what is shown through LVN_GETDISPINFO). Text messages and notifications come in
// an A and a W form; which form of notification a control sends is the one its parent asks
// for with WM_NOTIFYFORMAT when the control is made, or CCM_SETUNICODEFORMAT later.

inline constexpr const char* WC_HEADERA = "SysHeader32";
inline constexpr const char16_t* WC_HEADERW = u"SysHeader32";
inline constexpr const char* WC_LISTVIEWA = "SysListView32";
inline constexpr const char16_t* WC_LISTVIEWW = u"SysListView32";

inline constexpr int I_IMAGECALLBACK = -1;
inline constexpr int I_IMAGENONE = -2;

// Header styles, items and messages.
inline constexpr DWORD HDS_HORZ = 0x0000;
inline constexpr DWORD HDS_BUTTONS = 0x0002;   // items can be clicked
inline constexpr DWORD HDS_HOTTRACK = 0x0004;
inline constexpr DWORD HDS_HIDDEN = 0x0008;
inline constexpr DWORD HDS_FULLDRAG = 0x0080;

inline constexpr UINT HDI_WIDTH = 0x0001;
inline constexpr UINT HDI_HEIGHT = HDI_WIDTH;
inline constexpr UINT HDI_TEXT = 0x0002;
inline constexpr UINT HDI_FORMAT = 0x0004;
inline constexpr UINT HDI_LPARAM = 0x0008;
inline constexpr UINT HDI_BITMAP = 0x0010;
inline constexpr UINT HDI_IMAGE = 0x0020;
inline constexpr UINT HDI_ORDER = 0x0080;

inline constexpr int HDF_LEFT = 0x0000;
inline constexpr int HDF_RIGHT = 0x0001;
inline constexpr int HDF_CENTER = 0x0002;
inline constexpr int HDF_JUSTIFYMASK = 0x0003;
inline constexpr int HDF_SORTDOWN = 0x0200;
inline constexpr int HDF_SORTUP = 0x0400;
inline constexpr int HDF_IMAGE = 0x0800;
inline constexpr int HDF_BITMAP_ON_RIGHT = 0x1000;
inline constexpr int HDF_BITMAP = 0x2000;
inline constexpr int HDF_STRING = 0x4000;
inline constexpr int HDF_OWNERDRAW = 0x8000;

struct HDITEMA {
    UINT mask;
    int cxy;  // width
    LPSTR pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
};
struct HDITEMW {
    UINT mask;
    int cxy;
    LPWSTR pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
};

// HDM_LAYOUT: the header's place at the top of *prc, which is left with the rest.
struct HDLAYOUT {
    RECT* prc;
    WINDOWPOS* pwpos;
};

inline constexpr UINT HHT_NOWHERE = 0x0001;
inline constexpr UINT HHT_ONHEADER = 0x0002;
inline constexpr UINT HHT_ONDIVIDER = 0x0004;
inline constexpr UINT HHT_TORIGHT = 0x0400;
inline constexpr UINT HHT_TOLEFT = 0x0800;

struct HDHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
};

inline constexpr UINT HDM_FIRST = 0x1200;
inline constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0;
inline constexpr UINT HDM_INSERTITEMA = HDM_FIRST + 1;   // wParam index; the new index or -1
inline constexpr UINT HDM_DELETEITEM = HDM_FIRST + 2;
inline constexpr UINT HDM_GETITEMA = HDM_FIRST + 3;
inline constexpr UINT HDM_SETITEMA = HDM_FIRST + 4;
inline constexpr UINT HDM_LAYOUT = HDM_FIRST + 5;        // lParam HDLAYOUT*
inline constexpr UINT HDM_HITTEST = HDM_FIRST + 6;       // lParam HDHITTESTINFO*; the item or -1
inline constexpr UINT HDM_GETITEMRECT = HDM_FIRST + 7;   // wParam index, lParam RECT*
inline constexpr UINT HDM_SETIMAGELIST = HDM_FIRST + 8;  // lParam HIMAGELIST; the old one
inline constexpr UINT HDM_GETIMAGELIST = HDM_FIRST + 9;
inline constexpr UINT HDM_INSERTITEMW = HDM_FIRST + 10;
inline constexpr UINT HDM_GETITEMW = HDM_FIRST + 11;
inline constexpr UINT HDM_SETITEMW = HDM_FIRST + 12;
inline constexpr UINT HDM_ORDERTOINDEX = HDM_FIRST + 15;
inline constexpr UINT HDM_GETORDERARRAY = HDM_FIRST + 17;  // wParam count, lParam int*
inline constexpr UINT HDM_SETORDERARRAY = HDM_FIRST + 18;

// Header notifications: NMHEADER to the parent. HDN_ITEMCHANGING and HDN_BEGINTRACK refuse
// with a non-zero answer.
inline constexpr UINT HDN_FIRST = 0u - 300u;
inline constexpr UINT HDN_ITEMCHANGINGA = HDN_FIRST - 0;
inline constexpr UINT HDN_ITEMCHANGEDA = HDN_FIRST - 1;
inline constexpr UINT HDN_ITEMCLICKA = HDN_FIRST - 2;
inline constexpr UINT HDN_ITEMDBLCLICKA = HDN_FIRST - 3;
inline constexpr UINT HDN_DIVIDERDBLCLICKA = HDN_FIRST - 5;
inline constexpr UINT HDN_BEGINTRACKA = HDN_FIRST - 6;
inline constexpr UINT HDN_ENDTRACKA = HDN_FIRST - 7;
inline constexpr UINT HDN_TRACKA = HDN_FIRST - 8;
inline constexpr UINT HDN_ITEMCHANGINGW = HDN_FIRST - 20;
inline constexpr UINT HDN_ITEMCHANGEDW = HDN_FIRST - 21;
inline constexpr UINT HDN_ITEMCLICKW = HDN_FIRST - 22;
inline constexpr UINT HDN_ITEMDBLCLICKW = HDN_FIRST - 23;
inline constexpr UINT HDN_DIVIDERDBLCLICKW = HDN_FIRST - 25;
inline constexpr UINT HDN_BEGINTRACKW = HDN_FIRST - 26;
inline constexpr UINT HDN_ENDTRACKW = HDN_FIRST - 27;
inline constexpr UINT HDN_TRACKW = HDN_FIRST - 28;

struct NMHEADERA {
    NMHDR hdr;
    int iItem;
    int iButton;  // 0 left, 1 right, 2 middle
    HDITEMA* pitem;
};
struct NMHEADERW {
    NMHDR hdr;
    int iItem;
    int iButton;
    HDITEMW* pitem;
};

// List view styles.
inline constexpr DWORD LVS_ICON = 0x0000;
inline constexpr DWORD LVS_REPORT = 0x0001;
inline constexpr DWORD LVS_SMALLICON = 0x0002;
inline constexpr DWORD LVS_LIST = 0x0003;
inline constexpr DWORD LVS_TYPEMASK = 0x0003;
inline constexpr DWORD LVS_SINGLESEL = 0x0004;
inline constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
inline constexpr DWORD LVS_SORTASCENDING = 0x0010;
inline constexpr DWORD LVS_SORTDESCENDING = 0x0020;
inline constexpr DWORD LVS_SHAREIMAGELISTS = 0x0040;  // the image lists stay the program's
inline constexpr DWORD LVS_NOLABELWRAP = 0x0080;
inline constexpr DWORD LVS_AUTOARRANGE = 0x0100;
inline constexpr DWORD LVS_EDITLABELS = 0x0200;
inline constexpr DWORD LVS_OWNERDATA = 0x1000;
inline constexpr DWORD LVS_NOSCROLL = 0x2000;
inline constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr DWORD LVS_NOSORTHEADER = 0x8000;  // header items cannot be clicked

inline constexpr DWORD LVS_EX_GRIDLINES = 0x00000001;
inline constexpr DWORD LVS_EX_SUBITEMIMAGES = 0x00000002;
inline constexpr DWORD LVS_EX_CHECKBOXES = 0x00000004;  // state images 1 (clear) and 2 (checked)
inline constexpr DWORD LVS_EX_TRACKSELECT = 0x00000008;
inline constexpr DWORD LVS_EX_HEADERDRAGDROP = 0x00000010;
inline constexpr DWORD LVS_EX_FULLROWSELECT = 0x00000020;
inline constexpr DWORD LVS_EX_ONECLICKACTIVATE = 0x00000040;
inline constexpr DWORD LVS_EX_TWOCLICKACTIVATE = 0x00000080;
inline constexpr DWORD LVS_EX_INFOTIP = 0x00000400;
inline constexpr DWORD LVS_EX_LABELTIP = 0x00004000;
inline constexpr DWORD LVS_EX_DOUBLEBUFFER = 0x00010000;

inline constexpr int LVSIL_NORMAL = 0;
inline constexpr int LVSIL_SMALL = 1;
inline constexpr int LVSIL_STATE = 2;

inline constexpr UINT LVIF_TEXT = 0x0001;
inline constexpr UINT LVIF_IMAGE = 0x0002;
inline constexpr UINT LVIF_PARAM = 0x0004;
inline constexpr UINT LVIF_STATE = 0x0008;
inline constexpr UINT LVIF_INDENT = 0x0010;
inline constexpr UINT LVIF_NORECOMPUTE = 0x0800;
inline constexpr UINT LVIF_DI_SETITEM = 0x1000;  // LVN_GETDISPINFO: keep the answer

inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;
inline constexpr UINT LVIS_CUT = 0x0004;
inline constexpr UINT LVIS_DROPHILITED = 0x0008;
inline constexpr UINT LVIS_OVERLAYMASK = 0x0F00;
inline constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
inline constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) { return i << 12; }

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;  // a text, LPSTR_TEXTCALLBACKA, or a buffer of cchTextMax
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
};
struct LVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
};

inline constexpr UINT LVCF_FMT = 0x0001;
inline constexpr UINT LVCF_WIDTH = 0x0002;
inline constexpr UINT LVCF_TEXT = 0x0004;
inline constexpr UINT LVCF_SUBITEM = 0x0008;
inline constexpr UINT LVCF_IMAGE = 0x0010;
inline constexpr UINT LVCF_ORDER = 0x0020;

inline constexpr int LVCFMT_LEFT = 0x0000;
inline constexpr int LVCFMT_RIGHT = 0x0001;
inline constexpr int LVCFMT_CENTER = 0x0002;
inline constexpr int LVCFMT_JUSTIFYMASK = 0x0003;
inline constexpr int LVCFMT_IMAGE = 0x0800;
inline constexpr int LVCFMT_BITMAP_ON_RIGHT = 0x1000;
inline constexpr int LVCFMT_COL_HAS_IMAGES = 0x8000;

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
};
struct LVCOLUMNW {
    UINT mask;
    int fmt;
    int cx;
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
};

inline constexpr int LVSCW_AUTOSIZE = -1;
inline constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;

inline constexpr UINT LVNI_ALL = 0x0000;
inline constexpr UINT LVNI_FOCUSED = 0x0001;
inline constexpr UINT LVNI_SELECTED = 0x0002;
inline constexpr UINT LVNI_CUT = 0x0004;
inline constexpr UINT LVNI_DROPHILITED = 0x0008;
inline constexpr UINT LVNI_ABOVE = 0x0100;
inline constexpr UINT LVNI_BELOW = 0x0200;
inline constexpr UINT LVNI_TOLEFT = 0x0400;
inline constexpr UINT LVNI_TORIGHT = 0x0800;

inline constexpr UINT LVFI_PARAM = 0x0001;
inline constexpr UINT LVFI_STRING = 0x0002;
inline constexpr UINT LVFI_PARTIAL = 0x0008;
inline constexpr UINT LVFI_WRAP = 0x0020;
inline constexpr UINT LVFI_NEARESTXY = 0x0040;

struct LVFINDINFOA {
    UINT flags;
    LPCSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
};
struct LVFINDINFOW {
    UINT flags;
    LPCWSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
};

inline constexpr UINT LVHT_NOWHERE = 0x0001;
inline constexpr UINT LVHT_ONITEMICON = 0x0002;
inline constexpr UINT LVHT_ONITEMLABEL = 0x0004;
inline constexpr UINT LVHT_ONITEMSTATEICON = 0x0008;
inline constexpr UINT LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;
inline constexpr UINT LVHT_ABOVE = 0x0008;
inline constexpr UINT LVHT_BELOW = 0x0010;
inline constexpr UINT LVHT_TORIGHT = 0x0020;
inline constexpr UINT LVHT_TOLEFT = 0x0040;

struct LVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
};

inline constexpr int LVIR_BOUNDS = 0;
inline constexpr int LVIR_ICON = 1;
inline constexpr int LVIR_LABEL = 2;
inline constexpr int LVIR_SELECTBOUNDS = 3;

inline constexpr UINT LVA_DEFAULT = 0x0000;
inline constexpr UINT LVA_ALIGNLEFT = 0x0001;
inline constexpr UINT LVA_ALIGNTOP = 0x0002;
inline constexpr UINT LVA_SNAPTOGRID = 0x0005;

// Sorting: the answer orders the two items' lParam values (LVM_SORTITEMS) or indexes
// (LVM_SORTITEMSEX): negative when the first comes first.
using PFNLVCOMPARE = int (*)(LPARAM first, LPARAM second, LPARAM sortData);

inline constexpr UINT LVM_FIRST = 0x1000;
inline constexpr UINT LVM_GETBKCOLOR = LVM_FIRST + 0;
inline constexpr UINT LVM_SETBKCOLOR = LVM_FIRST + 1;
inline constexpr UINT LVM_GETIMAGELIST = LVM_FIRST + 2;   // wParam LVSIL_*
inline constexpr UINT LVM_SETIMAGELIST = LVM_FIRST + 3;   // wParam LVSIL_*, lParam list; the old one
inline constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
inline constexpr UINT LVM_GETITEMA = LVM_FIRST + 5;
inline constexpr UINT LVM_SETITEMA = LVM_FIRST + 6;
inline constexpr UINT LVM_INSERTITEMA = LVM_FIRST + 7;    // the new index or -1
inline constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
inline constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
inline constexpr UINT LVM_GETCALLBACKMASK = LVM_FIRST + 10;
inline constexpr UINT LVM_SETCALLBACKMASK = LVM_FIRST + 11;  // LVIS_* bits the program keeps
inline constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;      // wParam start (-1: first), lParam LVNI_*
inline constexpr UINT LVM_FINDITEMA = LVM_FIRST + 13;        // wParam start, lParam LVFINDINFOA*
inline constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;      // lParam RECT* with left = LVIR_*
inline constexpr UINT LVM_SETITEMPOSITION = LVM_FIRST + 15;
inline constexpr UINT LVM_GETITEMPOSITION = LVM_FIRST + 16;  // lParam POINT*
inline constexpr UINT LVM_GETSTRINGWIDTHA = LVM_FIRST + 17;
inline constexpr UINT LVM_HITTEST = LVM_FIRST + 18;          // lParam LVHITTESTINFO*
inline constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;    // wParam item, lParam partial allowed
inline constexpr UINT LVM_SCROLL = LVM_FIRST + 20;           // wParam dx pixels, lParam dy pixels
inline constexpr UINT LVM_REDRAWITEMS = LVM_FIRST + 21;
inline constexpr UINT LVM_ARRANGE = LVM_FIRST + 22;
inline constexpr UINT LVM_EDITLABELA = LVM_FIRST + 23;       // wParam item (-1 ends the edit); the edit window
inline constexpr UINT LVM_GETEDITCONTROL = LVM_FIRST + 24;
inline constexpr UINT LVM_GETCOLUMNA = LVM_FIRST + 25;
inline constexpr UINT LVM_SETCOLUMNA = LVM_FIRST + 26;
inline constexpr UINT LVM_INSERTCOLUMNA = LVM_FIRST + 27;
inline constexpr UINT LVM_DELETECOLUMN = LVM_FIRST + 28;
inline constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
inline constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;   // lParam width or LVSCW_*
inline constexpr UINT LVM_GETHEADER = LVM_FIRST + 31;
inline constexpr UINT LVM_GETVIEWRECT = LVM_FIRST + 34;
inline constexpr UINT LVM_GETTEXTCOLOR = LVM_FIRST + 35;
inline constexpr UINT LVM_SETTEXTCOLOR = LVM_FIRST + 36;
inline constexpr UINT LVM_GETTEXTBKCOLOR = LVM_FIRST + 37;
inline constexpr UINT LVM_SETTEXTBKCOLOR = LVM_FIRST + 38;
inline constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
inline constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
inline constexpr UINT LVM_GETORIGIN = LVM_FIRST + 41;
inline constexpr UINT LVM_UPDATE = LVM_FIRST + 42;
inline constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;     // wParam item (-1: all), lParam LVITEM*
inline constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;     // lParam mask
inline constexpr UINT LVM_GETITEMTEXTA = LVM_FIRST + 45;     // the length copied
inline constexpr UINT LVM_SETITEMTEXTA = LVM_FIRST + 46;
inline constexpr UINT LVM_SETITEMCOUNT = LVM_FIRST + 47;
inline constexpr UINT LVM_SORTITEMS = LVM_FIRST + 48;        // wParam sort data, lParam PFNLVCOMPARE
inline constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
inline constexpr UINT LVM_GETITEMSPACING = LVM_FIRST + 51;
inline constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;  // wParam mask (0: all), lParam bits
inline constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;
inline constexpr UINT LVM_GETSUBITEMRECT = LVM_FIRST + 56;   // lParam RECT* with top = sub-item, left = LVIR_*
inline constexpr UINT LVM_SUBITEMHITTEST = LVM_FIRST + 57;
inline constexpr UINT LVM_SETCOLUMNORDERARRAY = LVM_FIRST + 58;
inline constexpr UINT LVM_GETCOLUMNORDERARRAY = LVM_FIRST + 59;
inline constexpr UINT LVM_GETSELECTIONMARK = LVM_FIRST + 66;
inline constexpr UINT LVM_SETSELECTIONMARK = LVM_FIRST + 67;
inline constexpr UINT LVM_GETITEMW = LVM_FIRST + 75;
inline constexpr UINT LVM_SETITEMW = LVM_FIRST + 76;
inline constexpr UINT LVM_INSERTITEMW = LVM_FIRST + 77;
inline constexpr UINT LVM_SORTITEMSEX = LVM_FIRST + 81;      // the callback gets item indexes
inline constexpr UINT LVM_FINDITEMW = LVM_FIRST + 83;
inline constexpr UINT LVM_GETSTRINGWIDTHW = LVM_FIRST + 87;
inline constexpr UINT LVM_GETCOLUMNW = LVM_FIRST + 95;
inline constexpr UINT LVM_SETCOLUMNW = LVM_FIRST + 96;
inline constexpr UINT LVM_INSERTCOLUMNW = LVM_FIRST + 97;
inline constexpr UINT LVM_GETITEMTEXTW = LVM_FIRST + 115;
inline constexpr UINT LVM_SETITEMTEXTW = LVM_FIRST + 116;
inline constexpr UINT LVM_EDITLABELW = LVM_FIRST + 118;
inline constexpr UINT LVM_CANCELEDITLABEL = LVM_FIRST + 179;

// List view notifications.
inline constexpr UINT LVN_FIRST = 0u - 100u;
inline constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0;  // non-zero refuses
inline constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;   // iItem -1: every item (owner data)
inline constexpr UINT LVN_INSERTITEM = LVN_FIRST - 2;
inline constexpr UINT LVN_DELETEITEM = LVN_FIRST - 3;
inline constexpr UINT LVN_DELETEALLITEMS = LVN_FIRST - 4;  // non-zero: no LVN_DELETEITEM per item
inline constexpr UINT LVN_BEGINLABELEDITA = LVN_FIRST - 5;  // non-zero refuses
inline constexpr UINT LVN_ENDLABELEDITA = LVN_FIRST - 6;    // pszText null: cancelled; non-zero keeps the text
inline constexpr UINT LVN_COLUMNCLICK = LVN_FIRST - 8;
inline constexpr UINT LVN_BEGINDRAG = LVN_FIRST - 9;
inline constexpr UINT LVN_BEGINRDRAG = LVN_FIRST - 11;
inline constexpr UINT LVN_ODCACHEHINT = LVN_FIRST - 13;
inline constexpr UINT LVN_ITEMACTIVATE = LVN_FIRST - 14;
inline constexpr UINT LVN_ODSTATECHANGED = LVN_FIRST - 15;
inline constexpr UINT LVN_GETDISPINFOA = LVN_FIRST - 50;
inline constexpr UINT LVN_SETDISPINFOA = LVN_FIRST - 51;
inline constexpr UINT LVN_ODFINDITEMA = LVN_FIRST - 52;  // the index found, or -1
inline constexpr UINT LVN_KEYDOWN = LVN_FIRST - 55;
inline constexpr UINT LVN_GETINFOTIPA = LVN_FIRST - 57;
inline constexpr UINT LVN_GETINFOTIPW = LVN_FIRST - 58;
inline constexpr UINT LVN_BEGINLABELEDITW = LVN_FIRST - 75;
inline constexpr UINT LVN_ENDLABELEDITW = LVN_FIRST - 76;
inline constexpr UINT LVN_GETDISPINFOW = LVN_FIRST - 77;
inline constexpr UINT LVN_SETDISPINFOW = LVN_FIRST - 78;
inline constexpr UINT LVN_ODFINDITEMW = LVN_FIRST - 79;

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;  // LVIF_* of what changed
    POINT ptAction;
    LPARAM lParam;
};

inline constexpr UINT LVKF_ALT = 0x0001;
inline constexpr UINT LVKF_CONTROL = 0x0002;
inline constexpr UINT LVKF_SHIFT = 0x0004;

// NM_CLICK, NM_DBLCLK, NM_RCLICK, NM_RDBLCLK and LVN_ITEMACTIVATE.
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;  // LVKF_*
};

struct NMLVDISPINFOA {
    NMHDR hdr;
    LVITEMA item;
};
struct NMLVDISPINFOW {
    NMHDR hdr;
    LVITEMW item;
};

struct NMLVCACHEHINT {
    NMHDR hdr;
    int iFrom;
    int iTo;
};

struct NMLVFINDITEMA {
    NMHDR hdr;
    int iStart;
    LVFINDINFOA lvfi;
};
struct NMLVFINDITEMW {
    NMHDR hdr;
    int iStart;
    LVFINDINFOW lvfi;
};

struct NMLVODSTATECHANGE {
    NMHDR hdr;
    int iFrom;
    int iTo;
    UINT uNewState;
    UINT uOldState;
};

struct NMLVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
};

struct NMLVGETINFOTIPA {
    NMHDR hdr;
    DWORD dwFlags;
    LPSTR pszText;
    int cchTextMax;
    int iItem;
    int iSubItem;
    LPARAM lParam;
};
struct NMLVGETINFOTIPW {
    NMHDR hdr;
    DWORD dwFlags;
    LPWSTR pszText;
    int cchTextMax;
    int iItem;
    int iSubItem;
    LPARAM lParam;
};

// NM_CUSTOMDRAW of a list view: the program may set the item's colours in the item
// pre-paint stage (CLR_DEFAULT keeps the control's).
struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iSubItem;
};
