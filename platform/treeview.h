// The tree view, tool bar, status bar, tab control and track bar common controls.
#pragma once

#include "platform/listview.h"

#include <cstddef>
#include <vector>

// ---- Tree view and tool bar -----------------------------------------------------------------

// The tree view: items in a hierarchy, each with a text, an image (and one when selected),
// an overlay and a state image; children may be told later (I_CHILDRENCALLBACK) and filled
// when the item is first expanded. Texts and images given as callbacks are asked for with
// TVN_GETDISPINFO each time they are shown. Notifications come in the form the parent
// asks for (WM_NOTIFYFORMAT) or CCM_SETUNICODEFORMAT sets.
inline constexpr const char* WC_TREEVIEWA = "SysTreeView32";
inline constexpr const char16_t* WC_TREEVIEWW = u"SysTreeView32";

inline constexpr DWORD TVS_HASBUTTONS = 0x0001;
inline constexpr DWORD TVS_HASLINES = 0x0002;
inline constexpr DWORD TVS_LINESATROOT = 0x0004;
inline constexpr DWORD TVS_EDITLABELS = 0x0008;
inline constexpr DWORD TVS_DISABLEDRAGDROP = 0x0010;
inline constexpr DWORD TVS_SHOWSELALWAYS = 0x0020;
inline constexpr DWORD TVS_RTLREADING = 0x0040;
inline constexpr DWORD TVS_NOTOOLTIPS = 0x0080;
inline constexpr DWORD TVS_CHECKBOXES = 0x0100;
inline constexpr DWORD TVS_TRACKSELECT = 0x0200;
inline constexpr DWORD TVS_SINGLEEXPAND = 0x0400;
inline constexpr DWORD TVS_INFOTIP = 0x0800;
inline constexpr DWORD TVS_FULLROWSELECT = 0x1000;
inline constexpr DWORD TVS_NOSCROLL = 0x2000;
inline constexpr DWORD TVS_NONEVENHEIGHT = 0x4000;
inline constexpr DWORD TVS_NOHSCROLL = 0x8000;

struct TREEITEM;
using HTREEITEM = TREEITEM*;
#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFE)))
#define TVI_SORT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFD)))

inline constexpr UINT TVIF_TEXT = 0x0001;
inline constexpr UINT TVIF_IMAGE = 0x0002;
inline constexpr UINT TVIF_PARAM = 0x0004;
inline constexpr UINT TVIF_STATE = 0x0008;
inline constexpr UINT TVIF_HANDLE = 0x0010;
inline constexpr UINT TVIF_SELECTEDIMAGE = 0x0020;
inline constexpr UINT TVIF_CHILDREN = 0x0040;
inline constexpr UINT TVIF_INTEGRAL = 0x0080;
inline constexpr UINT TVIF_DI_SETITEM = 0x1000;  // TVN_GETDISPINFO: keep the answer

inline constexpr UINT TVIS_SELECTED = 0x0002;
inline constexpr UINT TVIS_CUT = 0x0004;
inline constexpr UINT TVIS_DROPHILITED = 0x0008;
inline constexpr UINT TVIS_BOLD = 0x0010;
inline constexpr UINT TVIS_EXPANDED = 0x0020;
inline constexpr UINT TVIS_EXPANDEDONCE = 0x0040;
inline constexpr UINT TVIS_EXPANDPARTIAL = 0x0080;
inline constexpr UINT TVIS_OVERLAYMASK = 0x0F00;
inline constexpr UINT TVIS_STATEIMAGEMASK = 0xF000;
inline constexpr UINT TVIS_USERMASK = 0xF000;

inline constexpr int I_CHILDRENCALLBACK = -1;

struct TVITEMA {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;  // a text, LPSTR_TEXTCALLBACKA, or a buffer of cchTextMax (TVM_GETITEM)
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;  // 0, 1 or I_CHILDRENCALLBACK
    LPARAM lParam;
};
struct TVITEMW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
};
struct TVITEMEXA {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
    int iIntegral;
};
struct TVITEMEXW {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
    int iIntegral;
};
using TV_ITEMA = TVITEMA;
using TV_ITEMW = TVITEMW;

struct TVINSERTSTRUCTA {
    HTREEITEM hParent;       // TVI_ROOT or null: top level
    HTREEITEM hInsertAfter;  // an item, TVI_FIRST, TVI_LAST or TVI_SORT
    union {
        TVITEMEXA itemex;
        TVITEMA item;
    };
};
struct TVINSERTSTRUCTW {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    union {
        TVITEMEXW itemex;
        TVITEMW item;
    };
};
using TV_INSERTSTRUCTA = TVINSERTSTRUCTA;
using TV_INSERTSTRUCTW = TVINSERTSTRUCTW;

inline constexpr UINT TV_FIRST = 0x1100;
inline constexpr UINT TVM_INSERTITEMA = TV_FIRST + 0;   // lParam TVINSERTSTRUCTA*; the new item or null
inline constexpr UINT TVM_DELETEITEM = TV_FIRST + 1;    // lParam item (TVI_ROOT: all)
inline constexpr UINT TVM_EXPAND = TV_FIRST + 2;        // wParam TVE_*, lParam item
inline constexpr UINT TVM_GETITEMRECT = TV_FIRST + 4;   // wParam TRUE: the text only; lParam RECT* holding the item
inline constexpr UINT TVM_GETCOUNT = TV_FIRST + 5;
inline constexpr UINT TVM_GETINDENT = TV_FIRST + 6;
inline constexpr UINT TVM_SETINDENT = TV_FIRST + 7;
inline constexpr UINT TVM_GETIMAGELIST = TV_FIRST + 8;  // wParam TVSIL_*
inline constexpr UINT TVM_SETIMAGELIST = TV_FIRST + 9;  // wParam TVSIL_*, lParam list; the old list
inline constexpr UINT TVM_GETNEXTITEM = TV_FIRST + 10;  // wParam TVGN_*, lParam item
inline constexpr UINT TVM_SELECTITEM = TV_FIRST + 11;   // wParam TVGN_CARET, TVGN_DROPHILITE or TVGN_FIRSTVISIBLE
inline constexpr UINT TVM_GETITEMA = TV_FIRST + 12;
inline constexpr UINT TVM_SETITEMA = TV_FIRST + 13;
inline constexpr UINT TVM_EDITLABELA = TV_FIRST + 14;   // lParam item; the edit window or null
inline constexpr UINT TVM_GETEDITCONTROL = TV_FIRST + 15;
inline constexpr UINT TVM_GETVISIBLECOUNT = TV_FIRST + 16;
inline constexpr UINT TVM_HITTEST = TV_FIRST + 17;      // lParam TVHITTESTINFO*; the item or null
inline constexpr UINT TVM_CREATEDRAGIMAGE = TV_FIRST + 18;
inline constexpr UINT TVM_SORTCHILDREN = TV_FIRST + 19;    // wParam recurse, lParam parent
inline constexpr UINT TVM_ENSUREVISIBLE = TV_FIRST + 20;
inline constexpr UINT TVM_SORTCHILDRENCB = TV_FIRST + 21;  // wParam recurse, lParam TVSORTCB*
inline constexpr UINT TVM_ENDEDITLABELNOW = TV_FIRST + 22;  // wParam TRUE: cancel
inline constexpr UINT TVM_GETISEARCHSTRINGA = TV_FIRST + 23;
inline constexpr UINT TVM_SETTOOLTIPS = TV_FIRST + 24;
inline constexpr UINT TVM_GETTOOLTIPS = TV_FIRST + 25;
inline constexpr UINT TVM_SETINSERTMARK = TV_FIRST + 26;
inline constexpr UINT TVM_SETITEMHEIGHT = TV_FIRST + 27;
inline constexpr UINT TVM_GETITEMHEIGHT = TV_FIRST + 28;
inline constexpr UINT TVM_SETBKCOLOR = TV_FIRST + 29;
inline constexpr UINT TVM_SETTEXTCOLOR = TV_FIRST + 30;
inline constexpr UINT TVM_GETBKCOLOR = TV_FIRST + 31;
inline constexpr UINT TVM_GETTEXTCOLOR = TV_FIRST + 32;
inline constexpr UINT TVM_SETSCROLLTIME = TV_FIRST + 33;
inline constexpr UINT TVM_GETSCROLLTIME = TV_FIRST + 34;
inline constexpr UINT TVM_SETINSERTMARKCOLOR = TV_FIRST + 37;
inline constexpr UINT TVM_GETINSERTMARKCOLOR = TV_FIRST + 38;
inline constexpr UINT TVM_GETITEMSTATE = TV_FIRST + 39;  // wParam item, lParam mask
inline constexpr UINT TVM_SETLINECOLOR = TV_FIRST + 40;
inline constexpr UINT TVM_GETLINECOLOR = TV_FIRST + 41;
inline constexpr UINT TVM_INSERTITEMW = TV_FIRST + 50;
inline constexpr UINT TVM_GETITEMW = TV_FIRST + 62;
inline constexpr UINT TVM_SETITEMW = TV_FIRST + 63;
inline constexpr UINT TVM_GETISEARCHSTRINGW = TV_FIRST + 64;
inline constexpr UINT TVM_EDITLABELW = TV_FIRST + 65;
inline constexpr UINT TVM_SETUNICODEFORMAT = CCM_SETUNICODEFORMAT;
inline constexpr UINT TVM_GETUNICODEFORMAT = CCM_GETUNICODEFORMAT;

inline constexpr WPARAM TVE_COLLAPSE = 0x0001;
inline constexpr WPARAM TVE_EXPAND = 0x0002;
inline constexpr WPARAM TVE_TOGGLE = 0x0003;
inline constexpr WPARAM TVE_EXPANDPARTIAL = 0x4000;
inline constexpr WPARAM TVE_COLLAPSERESET = 0x8000;  // with TVE_COLLAPSE: the children go too

inline constexpr WPARAM TVSIL_NORMAL = 0;
inline constexpr WPARAM TVSIL_STATE = 2;

inline constexpr WPARAM TVGN_ROOT = 0x0000;
inline constexpr WPARAM TVGN_NEXT = 0x0001;
inline constexpr WPARAM TVGN_PREVIOUS = 0x0002;
inline constexpr WPARAM TVGN_PARENT = 0x0003;
inline constexpr WPARAM TVGN_CHILD = 0x0004;
inline constexpr WPARAM TVGN_FIRSTVISIBLE = 0x0005;
inline constexpr WPARAM TVGN_NEXTVISIBLE = 0x0006;
inline constexpr WPARAM TVGN_PREVIOUSVISIBLE = 0x0007;
inline constexpr WPARAM TVGN_DROPHILITE = 0x0008;
inline constexpr WPARAM TVGN_CARET = 0x0009;
inline constexpr WPARAM TVGN_LASTVISIBLE = 0x000A;

struct TVHITTESTINFO {
    POINT pt;  // client coordinates
    UINT flags;
    HTREEITEM hItem;
};
inline constexpr UINT TVHT_NOWHERE = 0x0001;
inline constexpr UINT TVHT_ONITEMICON = 0x0002;
inline constexpr UINT TVHT_ONITEMLABEL = 0x0004;
inline constexpr UINT TVHT_ONITEMINDENT = 0x0008;
inline constexpr UINT TVHT_ONITEMBUTTON = 0x0010;
inline constexpr UINT TVHT_ONITEMRIGHT = 0x0020;
inline constexpr UINT TVHT_ONITEMSTATEICON = 0x0040;
inline constexpr UINT TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON;
inline constexpr UINT TVHT_ABOVE = 0x0100;
inline constexpr UINT TVHT_BELOW = 0x0200;
inline constexpr UINT TVHT_TORIGHT = 0x0400;
inline constexpr UINT TVHT_TOLEFT = 0x0800;

// Compares two items by their lParam values: negative when the first sorts first.
using PFNTVCOMPARE = int (*)(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
struct TVSORTCB {
    HTREEITEM hParent;
    PFNTVCOMPARE lpfnCompare;
    LPARAM lParam;
};

inline constexpr UINT TVN_FIRST = 0u - 400u;
inline constexpr UINT TVN_SELCHANGINGA = TVN_FIRST - 1;  // non-zero answer: the selection stays
inline constexpr UINT TVN_SELCHANGEDA = TVN_FIRST - 2;
inline constexpr UINT TVN_GETDISPINFOA = TVN_FIRST - 3;
inline constexpr UINT TVN_SETDISPINFOA = TVN_FIRST - 4;
inline constexpr UINT TVN_ITEMEXPANDINGA = TVN_FIRST - 5;  // non-zero answer: no change
inline constexpr UINT TVN_ITEMEXPANDEDA = TVN_FIRST - 6;
inline constexpr UINT TVN_BEGINDRAGA = TVN_FIRST - 7;
inline constexpr UINT TVN_BEGINRDRAGA = TVN_FIRST - 8;
inline constexpr UINT TVN_DELETEITEMA = TVN_FIRST - 9;
inline constexpr UINT TVN_BEGINLABELEDITA = TVN_FIRST - 10;  // non-zero answer: no editing
inline constexpr UINT TVN_ENDLABELEDITA = TVN_FIRST - 11;    // non-zero answer: the text is taken
inline constexpr UINT TVN_KEYDOWN = TVN_FIRST - 12;
inline constexpr UINT TVN_SELCHANGINGW = TVN_FIRST - 50;
inline constexpr UINT TVN_SELCHANGEDW = TVN_FIRST - 51;
inline constexpr UINT TVN_GETDISPINFOW = TVN_FIRST - 52;
inline constexpr UINT TVN_SETDISPINFOW = TVN_FIRST - 53;
inline constexpr UINT TVN_ITEMEXPANDINGW = TVN_FIRST - 54;
inline constexpr UINT TVN_ITEMEXPANDEDW = TVN_FIRST - 55;
inline constexpr UINT TVN_BEGINDRAGW = TVN_FIRST - 56;
inline constexpr UINT TVN_BEGINRDRAGW = TVN_FIRST - 57;
inline constexpr UINT TVN_DELETEITEMW = TVN_FIRST - 58;
inline constexpr UINT TVN_BEGINLABELEDITW = TVN_FIRST - 59;
inline constexpr UINT TVN_ENDLABELEDITW = TVN_FIRST - 60;

inline constexpr UINT TVC_UNKNOWN = 0x0000;
inline constexpr UINT TVC_BYMOUSE = 0x0001;
inline constexpr UINT TVC_BYKEYBOARD = 0x0002;

struct NMTREEVIEWA {
    NMHDR hdr;
    UINT action;  // TVC_* for selection changes, TVE_* for expansion
    TVITEMA itemOld;
    TVITEMA itemNew;
    POINT ptDrag;
};
struct NMTREEVIEWW {
    NMHDR hdr;
    UINT action;
    TVITEMW itemOld;
    TVITEMW itemNew;
    POINT ptDrag;
};
struct NMTVDISPINFOA {
    NMHDR hdr;
    TVITEMA item;
};
struct NMTVDISPINFOW {
    NMHDR hdr;
    TVITEMW item;
};
using TV_DISPINFOA = NMTVDISPINFOA;
using TV_DISPINFOW = NMTVDISPINFOW;
struct NMTVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
};
// NM_CUSTOMDRAW of a tree view: dwItemSpec is the item, lItemlParam its lParam; the colours
// may be changed at CDDS_ITEMPREPAINT.
struct NMTVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iLevel;
};

// The tool bar: a row of buttons (or rows, with TBSTYLE_WRAPABLE) with images from an image
// list and texts. A click sends WM_COMMAND (the button's command, BN_CLICKED) to the parent;
// check buttons toggle, grouped check buttons release the others of their group; a
// drop-down button sends TBN_DROPDOWN when pressed (on its arrow with
// TBSTYLE_EX_DRAWDDARROWS).
inline constexpr const char* TOOLBARCLASSNAMEA = "ToolbarWindow32";
inline constexpr const char16_t* TOOLBARCLASSNAMEW = u"ToolbarWindow32";

inline constexpr DWORD CCS_TOP = 0x0001;
inline constexpr DWORD CCS_NOMOVEY = 0x0002;
inline constexpr DWORD CCS_BOTTOM = 0x0003;
inline constexpr DWORD CCS_NORESIZE = 0x0004;
inline constexpr DWORD CCS_NOPARENTALIGN = 0x0008;
inline constexpr DWORD CCS_ADJUSTABLE = 0x0020;
inline constexpr DWORD CCS_NODIVIDER = 0x0040;
inline constexpr DWORD CCS_VERT = 0x0080;

inline constexpr DWORD TBSTYLE_TOOLTIPS = 0x0100;
inline constexpr DWORD TBSTYLE_WRAPABLE = 0x0200;
inline constexpr DWORD TBSTYLE_ALTDRAG = 0x0400;
inline constexpr DWORD TBSTYLE_FLAT = 0x0800;
inline constexpr DWORD TBSTYLE_LIST = 0x1000;
inline constexpr DWORD TBSTYLE_CUSTOMERASE = 0x2000;
inline constexpr DWORD TBSTYLE_REGISTERDROP = 0x4000;
inline constexpr DWORD TBSTYLE_TRANSPARENT = 0x8000;

inline constexpr DWORD TBSTYLE_EX_DRAWDDARROWS = 0x0001;
inline constexpr DWORD TBSTYLE_EX_MIXEDBUTTONS = 0x0008;
inline constexpr DWORD TBSTYLE_EX_HIDECLIPPEDBUTTONS = 0x0010;

inline constexpr BYTE TBSTYLE_BUTTON = 0x00;
inline constexpr BYTE TBSTYLE_SEP = 0x01;
inline constexpr BYTE TBSTYLE_CHECK = 0x02;
inline constexpr BYTE TBSTYLE_GROUP = 0x04;
inline constexpr BYTE TBSTYLE_CHECKGROUP = TBSTYLE_GROUP | TBSTYLE_CHECK;
inline constexpr BYTE TBSTYLE_DROPDOWN = 0x08;
inline constexpr BYTE TBSTYLE_AUTOSIZE = 0x10;
inline constexpr BYTE TBSTYLE_NOPREFIX = 0x20;
inline constexpr BYTE BTNS_BUTTON = TBSTYLE_BUTTON;
inline constexpr BYTE BTNS_SEP = TBSTYLE_SEP;
inline constexpr BYTE BTNS_CHECK = TBSTYLE_CHECK;
inline constexpr BYTE BTNS_GROUP = TBSTYLE_GROUP;
inline constexpr BYTE BTNS_CHECKGROUP = TBSTYLE_CHECKGROUP;
inline constexpr BYTE BTNS_DROPDOWN = TBSTYLE_DROPDOWN;
inline constexpr BYTE BTNS_AUTOSIZE = TBSTYLE_AUTOSIZE;
inline constexpr BYTE BTNS_NOPREFIX = TBSTYLE_NOPREFIX;
inline constexpr BYTE BTNS_SHOWTEXT = 0x40;
inline constexpr BYTE BTNS_WHOLEDROPDOWN = 0x80;

inline constexpr BYTE TBSTATE_CHECKED = 0x01;
inline constexpr BYTE TBSTATE_PRESSED = 0x02;
inline constexpr BYTE TBSTATE_ENABLED = 0x04;
inline constexpr BYTE TBSTATE_HIDDEN = 0x08;
inline constexpr BYTE TBSTATE_INDETERMINATE = 0x10;
inline constexpr BYTE TBSTATE_WRAP = 0x20;
inline constexpr BYTE TBSTATE_ELLIPSES = 0x40;
inline constexpr BYTE TBSTATE_MARKED = 0x80;

struct TBBUTTON {
    int iBitmap;    // the image, or the width of a separator
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    BYTE bReserved[6];
    DWORD_PTR dwData;
    INT_PTR iString;  // a text (its form is the message's), or an index of TB_ADDSTRING
};

inline constexpr DWORD TBIF_IMAGE = 0x00000001;
inline constexpr DWORD TBIF_TEXT = 0x00000002;
inline constexpr DWORD TBIF_STATE = 0x00000004;
inline constexpr DWORD TBIF_STYLE = 0x00000008;
inline constexpr DWORD TBIF_LPARAM = 0x00000010;
inline constexpr DWORD TBIF_COMMAND = 0x00000020;
inline constexpr DWORD TBIF_SIZE = 0x00000040;
inline constexpr DWORD TBIF_BYINDEX = 0x80000000;  // wParam is an index, not a command

struct TBBUTTONINFOA {
    UINT cbSize;
    DWORD dwMask;
    int idCommand;
    int iImage;
    BYTE fsState;
    BYTE fsStyle;
    WORD cx;
    DWORD_PTR lParam;
    LPSTR pszText;
    int cchText;
};
struct TBBUTTONINFOW {
    UINT cbSize;
    DWORD dwMask;
    int idCommand;
    int iImage;
    BYTE fsState;
    BYTE fsStyle;
    WORD cx;
    DWORD_PTR lParam;
    LPWSTR pszText;
    int cchText;
};

inline constexpr UINT TB_ENABLEBUTTON = WM_USER + 1;  // wParam command, lParam on
inline constexpr UINT TB_CHECKBUTTON = WM_USER + 2;
inline constexpr UINT TB_PRESSBUTTON = WM_USER + 3;
inline constexpr UINT TB_HIDEBUTTON = WM_USER + 4;
inline constexpr UINT TB_INDETERMINATE = WM_USER + 5;
inline constexpr UINT TB_MARKBUTTON = WM_USER + 6;
inline constexpr UINT TB_ISBUTTONENABLED = WM_USER + 9;
inline constexpr UINT TB_ISBUTTONCHECKED = WM_USER + 10;
inline constexpr UINT TB_ISBUTTONPRESSED = WM_USER + 11;
inline constexpr UINT TB_ISBUTTONHIDDEN = WM_USER + 12;
inline constexpr UINT TB_ISBUTTONINDETERMINATE = WM_USER + 13;
inline constexpr UINT TB_SETSTATE = WM_USER + 17;  // wParam command, lParam TBSTATE_*
inline constexpr UINT TB_GETSTATE = WM_USER + 18;  // -1 for an unknown command
inline constexpr UINT TB_ADDBUTTONSA = WM_USER + 20;  // wParam count, lParam TBBUTTON*
inline constexpr UINT TB_INSERTBUTTONA = WM_USER + 21;  // wParam index, lParam TBBUTTON*
inline constexpr UINT TB_DELETEBUTTON = WM_USER + 22;  // wParam index
inline constexpr UINT TB_GETBUTTON = WM_USER + 23;     // wParam index, lParam TBBUTTON*
inline constexpr UINT TB_BUTTONCOUNT = WM_USER + 24;
inline constexpr UINT TB_COMMANDTOINDEX = WM_USER + 25;
inline constexpr UINT TB_ADDSTRINGA = WM_USER + 28;  // lParam texts, each closed by 0, closed by 0
inline constexpr UINT TB_GETITEMRECT = WM_USER + 29;  // wParam index, lParam RECT*
inline constexpr UINT TB_BUTTONSTRUCTSIZE = WM_USER + 30;
inline constexpr UINT TB_SETBUTTONSIZE = WM_USER + 31;  // lParam width and height
inline constexpr UINT TB_SETBITMAPSIZE = WM_USER + 32;
inline constexpr UINT TB_AUTOSIZE = WM_USER + 33;
inline constexpr UINT TB_GETTOOLTIPS = WM_USER + 35;
inline constexpr UINT TB_SETTOOLTIPS = WM_USER + 36;
inline constexpr UINT TB_SETPARENT = WM_USER + 37;
inline constexpr UINT TB_SETROWS = WM_USER + 39;
inline constexpr UINT TB_GETROWS = WM_USER + 40;
inline constexpr UINT TB_SETCMDID = WM_USER + 42;  // wParam index, lParam command
inline constexpr UINT TB_GETBUTTONTEXTA = WM_USER + 45;
inline constexpr UINT TB_SETINDENT = WM_USER + 47;
inline constexpr UINT TB_SETIMAGELIST = WM_USER + 48;
inline constexpr UINT TB_GETIMAGELIST = WM_USER + 49;
inline constexpr UINT TB_GETRECT = WM_USER + 51;  // wParam command, lParam RECT*
inline constexpr UINT TB_SETHOTIMAGELIST = WM_USER + 52;
inline constexpr UINT TB_GETHOTIMAGELIST = WM_USER + 53;
inline constexpr UINT TB_SETDISABLEDIMAGELIST = WM_USER + 54;
inline constexpr UINT TB_GETDISABLEDIMAGELIST = WM_USER + 55;
inline constexpr UINT TB_SETSTYLE = WM_USER + 56;
inline constexpr UINT TB_GETSTYLE = WM_USER + 57;
inline constexpr UINT TB_GETBUTTONSIZE = WM_USER + 58;
inline constexpr UINT TB_SETBUTTONWIDTH = WM_USER + 59;  // lParam least and most width
inline constexpr UINT TB_SETMAXTEXTROWS = WM_USER + 60;
inline constexpr UINT TB_GETTEXTROWS = WM_USER + 61;
inline constexpr UINT TB_GETBUTTONINFOW = WM_USER + 63;
inline constexpr UINT TB_SETBUTTONINFOW = WM_USER + 64;
inline constexpr UINT TB_GETBUTTONINFOA = WM_USER + 65;
inline constexpr UINT TB_SETBUTTONINFOA = WM_USER + 66;
inline constexpr UINT TB_INSERTBUTTONW = WM_USER + 67;
inline constexpr UINT TB_ADDBUTTONSW = WM_USER + 68;
inline constexpr UINT TB_HITTEST = WM_USER + 69;  // lParam POINT*; the index, or -1 - the one before
inline constexpr UINT TB_GETHOTITEM = WM_USER + 71;
inline constexpr UINT TB_SETHOTITEM = WM_USER + 72;
inline constexpr UINT TB_GETBUTTONTEXTW = WM_USER + 75;
inline constexpr UINT TB_ADDSTRINGW = WM_USER + 77;
inline constexpr UINT TB_GETMAXSIZE = WM_USER + 83;  // lParam SIZE*
inline constexpr UINT TB_SETEXTENDEDSTYLE = WM_USER + 84;
inline constexpr UINT TB_GETEXTENDEDSTYLE = WM_USER + 85;
inline constexpr UINT TB_GETPADDING = WM_USER + 86;
inline constexpr UINT TB_SETPADDING = WM_USER + 87;
inline constexpr UINT TB_SETUNICODEFORMAT = CCM_SETUNICODEFORMAT;
inline constexpr UINT TB_GETUNICODEFORMAT = CCM_GETUNICODEFORMAT;

inline constexpr UINT TBN_FIRST = 0u - 700u;
inline constexpr UINT TBN_BEGINDRAG = TBN_FIRST - 1;
inline constexpr UINT TBN_ENDDRAG = TBN_FIRST - 2;
inline constexpr UINT TBN_DROPDOWN = TBN_FIRST - 10;
inline constexpr UINT TBN_HOTITEMCHANGE = TBN_FIRST - 13;

inline constexpr LRESULT TBDDRET_DEFAULT = 0;
inline constexpr LRESULT TBDDRET_NODEFAULT = 1;
inline constexpr LRESULT TBDDRET_TREATPRESSED = 2;

struct NMTOOLBARA {
    NMHDR hdr;
    int iItem;  // the command
    TBBUTTON tbButton;
    int cchText;
    LPSTR pszText;
    RECT rcButton;
};
struct NMTOOLBARW {
    NMHDR hdr;
    int iItem;
    TBBUTTON tbButton;
    int cchText;
    LPWSTR pszText;
    RECT rcButton;
};
// NM_CUSTOMDRAW of a tool bar: dwItemSpec is the command, lItemlParam the button's data.
struct NMTBCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    HBRUSH hbrMonoDither;
    HBRUSH hbrLines;
    HPEN hpenLines;
    COLORREF clrText;
    COLORREF clrMark;
    COLORREF clrTextHighlight;
    COLORREF clrBtnFace;
    COLORREF clrBtnHighlight;
    COLORREF clrHighlightHotTrack;
    RECT rcText;
    int nStringBkMode;
    int nHLStringBkMode;
    int iListGap;
};

// The track bar: a thumb that slides over a channel between a minimum and a maximum, with
// tick marks. Moves by mouse and keys are told to the parent as WM_HSCROLL (WM_VSCROLL for
// TBS_VERT) with the TB_* code below and the track bar's window in lParam.
inline constexpr const char* TRACKBAR_CLASSA = "msctls_trackbar32";
inline constexpr const char16_t* TRACKBAR_CLASSW = u"msctls_trackbar32";

inline constexpr DWORD TBS_AUTOTICKS = 0x0001;
inline constexpr DWORD TBS_VERT = 0x0002;
inline constexpr DWORD TBS_HORZ = 0x0000;
inline constexpr DWORD TBS_TOP = 0x0004;
inline constexpr DWORD TBS_BOTTOM = 0x0000;
inline constexpr DWORD TBS_LEFT = 0x0004;
inline constexpr DWORD TBS_RIGHT = 0x0000;
inline constexpr DWORD TBS_BOTH = 0x0008;
inline constexpr DWORD TBS_NOTICKS = 0x0010;
inline constexpr DWORD TBS_ENABLESELRANGE = 0x0020;
inline constexpr DWORD TBS_FIXEDLENGTH = 0x0040;
inline constexpr DWORD TBS_NOTHUMB = 0x0080;

inline constexpr UINT TBM_GETPOS = WM_USER;
inline constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
inline constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
inline constexpr UINT TBM_GETTIC = WM_USER + 3;
inline constexpr UINT TBM_SETTIC = WM_USER + 4;
inline constexpr UINT TBM_SETPOS = WM_USER + 5;        // wParam redraw, lParam position
inline constexpr UINT TBM_SETRANGE = WM_USER + 6;      // lParam low and high word
inline constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;   // wParam redraw, lParam minimum
inline constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;
inline constexpr UINT TBM_CLEARTICS = WM_USER + 9;
inline constexpr UINT TBM_SETSEL = WM_USER + 10;       // lParam low and high word
inline constexpr UINT TBM_SETSELSTART = WM_USER + 11;
inline constexpr UINT TBM_SETSELEND = WM_USER + 12;
inline constexpr UINT TBM_GETNUMTICS = WM_USER + 16;
inline constexpr UINT TBM_GETSELSTART = WM_USER + 17;
inline constexpr UINT TBM_GETSELEND = WM_USER + 18;
inline constexpr UINT TBM_CLEARSEL = WM_USER + 19;
inline constexpr UINT TBM_SETTICFREQ = WM_USER + 20;
inline constexpr UINT TBM_SETPAGESIZE = WM_USER + 21;  // the old size
inline constexpr UINT TBM_GETPAGESIZE = WM_USER + 22;
inline constexpr UINT TBM_SETLINESIZE = WM_USER + 23;
inline constexpr UINT TBM_GETLINESIZE = WM_USER + 24;
inline constexpr UINT TBM_GETTHUMBRECT = WM_USER + 25;  // lParam RECT*
inline constexpr UINT TBM_GETCHANNELRECT = WM_USER + 26;

inline constexpr WORD TB_LINEUP = 0;
inline constexpr WORD TB_LINEDOWN = 1;
inline constexpr WORD TB_PAGEUP = 2;
inline constexpr WORD TB_PAGEDOWN = 3;
inline constexpr WORD TB_THUMBPOSITION = 4;
inline constexpr WORD TB_THUMBTRACK = 5;
inline constexpr WORD TB_TOP = 6;
inline constexpr WORD TB_BOTTOM = 7;
inline constexpr WORD TB_ENDTRACK = 8;

// The status bar: parts along the bottom of a window (or one simple part), each with a
// text (tabs centre and right-align what follows them) or drawn by the parent through
// WM_DRAWITEM (SBT_OWNERDRAW: itemID the part, itemData the value given), and a size grip.
inline constexpr const char* STATUSCLASSNAMEA = "msctls_statusbar32";
inline constexpr const char16_t* STATUSCLASSNAMEW = u"msctls_statusbar32";

inline constexpr DWORD SBARS_SIZEGRIP = 0x0100;
inline constexpr DWORD SBARS_TOOLTIPS = 0x0800;

inline constexpr WPARAM SBT_OWNERDRAW = 0x1000;
inline constexpr WPARAM SBT_NOBORDERS = 0x0100;
inline constexpr WPARAM SBT_POPOUT = 0x0200;
inline constexpr WPARAM SBT_RTLREADING = 0x0400;
inline constexpr WPARAM SBT_NOTABPARSING = 0x0800;
inline constexpr WPARAM SB_SIMPLEID = 0x00FF;

inline constexpr UINT SB_SETTEXTA = WM_USER + 1;  // wParam part | SBT_*, lParam text (or data)
inline constexpr UINT SB_GETTEXTA = WM_USER + 2;  // the length in the low word, SBT_* in the high
inline constexpr UINT SB_GETTEXTLENGTHA = WM_USER + 3;
inline constexpr UINT SB_SETPARTS = WM_USER + 4;  // wParam count, lParam right edges (-1: to the end)
inline constexpr UINT SB_GETPARTS = WM_USER + 6;
inline constexpr UINT SB_GETBORDERS = WM_USER + 7;  // lParam int[3]
inline constexpr UINT SB_SETMINHEIGHT = WM_USER + 8;
inline constexpr UINT SB_SIMPLE = WM_USER + 9;
inline constexpr UINT SB_GETRECT = WM_USER + 10;
inline constexpr UINT SB_SETTEXTW = WM_USER + 11;
inline constexpr UINT SB_GETTEXTLENGTHW = WM_USER + 12;
inline constexpr UINT SB_GETTEXTW = WM_USER + 13;
inline constexpr UINT SB_ISSIMPLE = WM_USER + 14;
inline constexpr UINT SB_SETBKCOLOR = CCM_SETBKCOLOR;

// Mouse notifications of bars (NM_CLICK and the rest): the part or button under the mouse.
struct NMMOUSE {
    NMHDR hdr;
    DWORD_PTR dwItemSpec;
    DWORD_PTR dwItemData;
    POINT pt;
    LPARAM dwHitInfo;
};

// The tab control: a row of tabs over a display area; a click on a tab asks the parent
// (TCN_SELCHANGING, non-zero: refused) and tells it (TCN_SELCHANGE).
inline constexpr const char* WC_TABCONTROLA = "SysTabControl32";
inline constexpr const char16_t* WC_TABCONTROLW = u"SysTabControl32";

inline constexpr DWORD TCS_TABS = 0x0000;
inline constexpr DWORD TCS_BOTTOM = 0x0002;
inline constexpr DWORD TCS_HOTTRACK = 0x0040;
inline constexpr DWORD TCS_BUTTONS = 0x0100;
inline constexpr DWORD TCS_MULTILINE = 0x0200;
inline constexpr DWORD TCS_FIXEDWIDTH = 0x0400;
inline constexpr DWORD TCS_FOCUSNEVER = 0x8000;

inline constexpr UINT TCIF_TEXT = 0x0001;
inline constexpr UINT TCIF_IMAGE = 0x0002;
inline constexpr UINT TCIF_PARAM = 0x0008;
inline constexpr UINT TCIF_STATE = 0x0010;

struct TCITEMA {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
struct TCITEMW {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};

struct TCHITTESTINFO {
    POINT pt;
    UINT flags;
};
inline constexpr UINT TCHT_NOWHERE = 0x0001;
inline constexpr UINT TCHT_ONITEMICON = 0x0002;
inline constexpr UINT TCHT_ONITEMLABEL = 0x0004;
inline constexpr UINT TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL;

inline constexpr UINT TCM_FIRST = 0x1300;
inline constexpr UINT TCM_GETIMAGELIST = TCM_FIRST + 2;
inline constexpr UINT TCM_SETIMAGELIST = TCM_FIRST + 3;
inline constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
inline constexpr UINT TCM_GETITEMA = TCM_FIRST + 5;
inline constexpr UINT TCM_SETITEMA = TCM_FIRST + 6;
inline constexpr UINT TCM_INSERTITEMA = TCM_FIRST + 7;  // wParam index, lParam TCITEMA*; the index or -1
inline constexpr UINT TCM_DELETEITEM = TCM_FIRST + 8;
inline constexpr UINT TCM_DELETEALLITEMS = TCM_FIRST + 9;
inline constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;  // wParam index, lParam RECT*
inline constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
inline constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;  // no notifications; the old selection
inline constexpr UINT TCM_HITTEST = TCM_FIRST + 13;   // lParam TCHITTESTINFO*; the tab or -1
inline constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;  // wParam TRUE: display area to window, FALSE: back
inline constexpr UINT TCM_SETITEMSIZE = TCM_FIRST + 41;  // lParam width and height; the old size
inline constexpr UINT TCM_GETROWCOUNT = TCM_FIRST + 44;
inline constexpr UINT TCM_GETCURFOCUS = TCM_FIRST + 47;
inline constexpr UINT TCM_SETCURFOCUS = TCM_FIRST + 48;
inline constexpr UINT TCM_SETMINTABWIDTH = TCM_FIRST + 49;
inline constexpr UINT TCM_GETITEMW = TCM_FIRST + 60;
inline constexpr UINT TCM_SETITEMW = TCM_FIRST + 61;
inline constexpr UINT TCM_INSERTITEMW = TCM_FIRST + 62;

inline constexpr UINT TCN_FIRST = 0u - 550u;
inline constexpr UINT TCN_KEYDOWN = TCN_FIRST - 0;
inline constexpr UINT TCN_SELCHANGE = TCN_FIRST - 1;
inline constexpr UINT TCN_SELCHANGING = TCN_FIRST - 2;
