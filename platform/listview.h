// The header and list view common controls.
#pragma once

#include "platform/comctlbase.h"

#include <cstddef>
#include <vector>

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
// Report view: the parent draws each item in whole rows (WM_DRAWITEM, ODT_LISTVIEW).
inline constexpr DWORD LVS_OWNERDRAWFIXED = 0x0400;
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
