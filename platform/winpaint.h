// Painting of frames and controls, window DCs over children and the frame, custom draw,
// the non-client area, window placement and system parameters.
//
// Window DCs (GetDC, GetDCEx, GetWindowDC, BeginPaint) reach every window:
// - A window that paints (a plain window or an owner-drawn control) draws on its retained
//   surface, which the window shows.
// - A Qt-backed control (edit, push button, list box, ...) draws in sequence on the control
//   itself while its procedure handles WM_PAINT (so a subclassed control paints what its
//   WM_PAINT draws, and the old procedure draws the Qt control at that point); outside
//   WM_PAINT its drawing starts from what the control shows and stays on top of it until the
//   window is invalidated.
// - A DC that does not clip children (GetDCEx without DCX_CLIPCHILDREN, DCX_PARENTCLIP,
//   the screen's DC) draws on the overlay of the top-level window: a layer over all of its
//   children that combines raster operations with what is shown below it and shows only
//   the pixels that differ from it (an XOR line drawn twice leaves nothing behind).
#pragma once

#include "platform/gdi.h"
#include "platform/winuser.h"

#include <string>

// ---- Edges, frame controls and focus rectangles -----------------------------------------

inline constexpr UINT BDR_RAISEDOUTER = 0x0001;
inline constexpr UINT BDR_SUNKENOUTER = 0x0002;
inline constexpr UINT BDR_RAISEDINNER = 0x0004;
inline constexpr UINT BDR_SUNKENINNER = 0x0008;
inline constexpr UINT BDR_OUTER = 0x0003;
inline constexpr UINT BDR_INNER = 0x000C;
inline constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

inline constexpr UINT BF_LEFT = 0x0001;
inline constexpr UINT BF_TOP = 0x0002;
inline constexpr UINT BF_RIGHT = 0x0004;
inline constexpr UINT BF_BOTTOM = 0x0008;
inline constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr UINT BF_DIAGONAL = 0x0010;
inline constexpr UINT BF_DIAGONAL_ENDTOPRIGHT = BF_DIAGONAL | BF_TOP | BF_RIGHT;
inline constexpr UINT BF_DIAGONAL_ENDTOPLEFT = BF_DIAGONAL | BF_TOP | BF_LEFT;
inline constexpr UINT BF_DIAGONAL_ENDBOTTOMLEFT = BF_DIAGONAL | BF_BOTTOM | BF_LEFT;
inline constexpr UINT BF_DIAGONAL_ENDBOTTOMRIGHT = BF_DIAGONAL | BF_BOTTOM | BF_RIGHT;
inline constexpr UINT BF_MIDDLE = 0x0800;  // fills the inside with the face colour
inline constexpr UINT BF_SOFT = 0x1000;
inline constexpr UINT BF_ADJUST = 0x2000;  // the rectangle becomes the inside
inline constexpr UINT BF_FLAT = 0x4000;
inline constexpr UINT BF_MONO = 0x8000;

// Draws up to two one-pixel borders (outer, then inner) in the 3-D system colours.
BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags);

inline constexpr UINT DFC_CAPTION = 1;
inline constexpr UINT DFC_MENU = 2;
inline constexpr UINT DFC_SCROLL = 3;
inline constexpr UINT DFC_BUTTON = 4;
inline constexpr UINT DFC_POPUPMENU = 5;

inline constexpr UINT DFCS_BUTTONCHECK = 0x0000;
inline constexpr UINT DFCS_BUTTONRADIOIMAGE = 0x0001;
inline constexpr UINT DFCS_BUTTONRADIOMASK = 0x0002;
inline constexpr UINT DFCS_BUTTONRADIO = 0x0004;
inline constexpr UINT DFCS_BUTTON3STATE = 0x0008;
inline constexpr UINT DFCS_BUTTONPUSH = 0x0010;
inline constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
inline constexpr UINT DFCS_CAPTIONMIN = 0x0001;
inline constexpr UINT DFCS_CAPTIONMAX = 0x0002;
inline constexpr UINT DFCS_CAPTIONRESTORE = 0x0003;
inline constexpr UINT DFCS_CAPTIONHELP = 0x0004;
inline constexpr UINT DFCS_MENUARROW = 0x0000;
inline constexpr UINT DFCS_MENUCHECK = 0x0001;
inline constexpr UINT DFCS_MENUBULLET = 0x0002;
inline constexpr UINT DFCS_MENUARROWRIGHT = 0x0004;
inline constexpr UINT DFCS_SCROLLUP = 0x0000;
inline constexpr UINT DFCS_SCROLLDOWN = 0x0001;
inline constexpr UINT DFCS_SCROLLLEFT = 0x0002;
inline constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
inline constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
inline constexpr UINT DFCS_SCROLLSIZEGRIP = 0x0008;
inline constexpr UINT DFCS_INACTIVE = 0x0100;
inline constexpr UINT DFCS_PUSHED = 0x0200;
inline constexpr UINT DFCS_CHECKED = 0x0400;
inline constexpr UINT DFCS_TRANSPARENT = 0x0800;
inline constexpr UINT DFCS_HOT = 0x1000;
inline constexpr UINT DFCS_ADJUSTRECT = 0x2000;  // the rectangle becomes the face inside the edge
inline constexpr UINT DFCS_FLAT = 0x4000;
inline constexpr UINT DFCS_MONO = 0x8000;

// Draws a button, caption button, scroll arrow or menu glyph in the classic look.
BOOL DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state);
// Inverts every other pixel of the rectangle's outline; drawing it twice removes it.
BOOL DrawFocusRect(HDC dc, const RECT* rect);

// ---- Window DCs ------------------------------------------------------------------------------

inline constexpr DWORD DCX_WINDOW = 0x00000001;       // the whole window, origin at its corner
inline constexpr DWORD DCX_CACHE = 0x00000002;
inline constexpr DWORD DCX_NORESETATTRS = 0x00000004;
inline constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
inline constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
inline constexpr DWORD DCX_PARENTCLIP = 0x00000020;   // clipped to the parent's client area
inline constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
inline constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
inline constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
inline constexpr DWORD DCX_USESTYLE = 0x00010000;     // clipping from WS_CLIPCHILDREN/WS_CLIPSIBLINGS

// A DC of a window with the clipping the flags ask for. The region of DCX_INTERSECTRGN and
// DCX_EXCLUDERGN is in screen coordinates; it is copied (the caller keeps and deletes it).
// The window layer has no update locks, so DCX_LOCKWINDOWUPDATE and DCX_CACHE change nothing.
HDC GetDCEx(HWND wnd, HRGN clip, DWORD flags);
// GetDCEx(wnd, nullptr, DCX_WINDOW | DCX_USESTYLE).
HDC GetWindowDC(HWND wnd);

// ---- Non-client area ------------------------------------------------------------------------
//
// A top-level window can have a frame of its own drawing instead of the window manager's:
// a frameless window whose non-client area (WM_NCCALCSIZE) is painted through WM_NCPAINT
// (wParam 1: the whole window, else a region in screen coordinates) and WM_NCACTIVATE on a
// surface of the whole window, and whose mouse presses there are answered by WM_NCHITTEST:
// HTCAPTION moves the window and the border codes resize it (through the window system when
// it can, else by following the mouse), HTCLOSE, HTMINBUTTON and HTMAXBUTTON send
// WM_SYSCOMMAND when released over the same button. A window gets it through
// platform::setOwnFrame or when something draws on its window DC outside the client area.

struct NCCALCSIZE_PARAMS {
    RECT rgrc[3];
    WINDOWPOS* lppos;
};

namespace platform {
// Gives a top-level window a frame of its own drawing (true) or the window manager's back.
void setOwnFrame(HWND wnd, bool own);
bool ownFrame(HWND wnd);
// The title the desktop shows for a top-level window (task bar, window list), leaving its
// window text as it is; the next WM_SETTEXT sets both again.
void setDesktopTitle(HWND wnd, const std::u16string& title);
}  // namespace platform

// ---- Window placement ------------------------------------------------------------------------

inline constexpr UINT WPF_SETMINPOSITION = 0x0001;
inline constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;

struct WINDOWPLACEMENT {
    UINT length;
    UINT flags;
    UINT showCmd;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};

// The normal (restored) rectangle is the window rectangle in screen coordinates, both ways.
// SetWindowPlacement moves a rectangle that lies on no present screen onto the nearest one
// (shrunk to it when larger) and applies the show command; a hidden window stays hidden for
// SW_HIDE. The minimized and maximized positions are kept and given back.
BOOL GetWindowPlacement(HWND wnd, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(HWND wnd, const WINDOWPLACEMENT* placement);

// ---- System parameters ----------------------------------------------------------------------

inline constexpr UINT SPI_GETBORDER = 0x0005;
inline constexpr UINT SPI_GETWORKAREA = 0x0030;
inline constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;
inline constexpr UINT SPI_GETICONTITLELOGFONT = 0x001F;
inline constexpr UINT SPI_GETDRAGFULLWINDOWS = 0x0026;
inline constexpr UINT SPI_GETHIGHCONTRAST = 0x0042;
inline constexpr UINT SPI_GETKEYBOARDCUES = 0x100A;
inline constexpr UINT SPI_GETMENUUNDERLINES = SPI_GETKEYBOARDCUES;
inline constexpr UINT SPI_GETGRADIENTCAPTIONS = 0x1008;
inline constexpr UINT SPI_GETFLATMENU = 0x1022;
inline constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;

struct NONCLIENTMETRICSA {
    UINT cbSize;
    int iBorderWidth;
    int iScrollWidth;
    int iScrollHeight;
    int iCaptionWidth;
    int iCaptionHeight;
    LOGFONTA lfCaptionFont;
    int iSmCaptionWidth;
    int iSmCaptionHeight;
    LOGFONTA lfSmCaptionFont;
    int iMenuWidth;
    int iMenuHeight;
    LOGFONTA lfMenuFont;
    LOGFONTA lfStatusFont;
    LOGFONTA lfMessageFont;
    int iPaddedBorderWidth;  // left out by callers that pass the older size
};

struct NONCLIENTMETRICSW {
    UINT cbSize;
    int iBorderWidth;
    int iScrollWidth;
    int iScrollHeight;
    int iCaptionWidth;
    int iCaptionHeight;
    LOGFONTW lfCaptionFont;
    int iSmCaptionWidth;
    int iSmCaptionHeight;
    LOGFONTW lfSmCaptionFont;
    int iMenuWidth;
    int iMenuHeight;
    LOGFONTW lfMenuFont;
    LOGFONTW lfStatusFont;
    LOGFONTW lfMessageFont;
    int iPaddedBorderWidth;
};

// The metrics and fonts of the desktop (its style and the fonts Qt takes from it). A record
// whose cbSize is neither the full size nor the size without iPaddedBorderWidth is refused.
BOOL SystemParametersInfoA(UINT action, UINT param, void* data, UINT winIni);
BOOL SystemParametersInfoW(UINT action, UINT param, void* data, UINT winIni);

// ---- Custom draw -----------------------------------------------------------------------------

inline constexpr UINT NM_CUSTOMDRAW = 0u - 12u;

inline constexpr DWORD CDDS_PREPAINT = 0x00000001;
inline constexpr DWORD CDDS_POSTPAINT = 0x00000002;
inline constexpr DWORD CDDS_PREERASE = 0x00000003;
inline constexpr DWORD CDDS_POSTERASE = 0x00000004;
inline constexpr DWORD CDDS_ITEM = 0x00010000;
inline constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
inline constexpr DWORD CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;
inline constexpr DWORD CDDS_SUBITEM = 0x00020000;

inline constexpr LRESULT CDRF_DODEFAULT = 0x00000000;
inline constexpr LRESULT CDRF_NEWFONT = 0x00000002;
inline constexpr LRESULT CDRF_SKIPDEFAULT = 0x00000004;
inline constexpr LRESULT CDRF_DOERASE = 0x00000008;
inline constexpr LRESULT CDRF_SKIPPOSTPAINT = 0x00000100;
inline constexpr LRESULT CDRF_NOTIFYPOSTPAINT = 0x00000010;
inline constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x00000020;
inline constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x00000020;
inline constexpr LRESULT CDRF_NOTIFYPOSTERASE = 0x00000040;

inline constexpr UINT CDIS_SELECTED = 0x0001;
inline constexpr UINT CDIS_GRAYED = 0x0002;
inline constexpr UINT CDIS_DISABLED = 0x0004;
inline constexpr UINT CDIS_CHECKED = 0x0008;
inline constexpr UINT CDIS_FOCUS = 0x0010;
inline constexpr UINT CDIS_DEFAULT = 0x0020;
inline constexpr UINT CDIS_HOT = 0x0040;

struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    HDC hdc;
    RECT rc;
    DWORD_PTR dwItemSpec;
    UINT uItemState;
    LPARAM lItemlParam;
};
