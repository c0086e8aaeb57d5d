// The clipboard over the desktop's clipboard (Qt's QClipboard).
//
// Formats and what other programs see of them:
// - CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT: text/plain (UTF-8); each of the three is offered
//   when one of them is set or another program offers text.
// - CF_DIB: image/png and image/bmp for other programs, and the block itself under a private
//   type, so that our own programs paste it exactly. A picture of another program arrives as
//   a DIB of 1, 4 or 8 bits with its colour table when it is indexed, else of 24 bits
//   (transparent parts over white). CF_BITMAP (a bitmap handle) is offered beside CF_DIB and
//   the other way round.
// - CF_HDROP: text/uri-list and the desktop's copied-files list; with "Preferred DropEffect"
//   DROPEFFECT_MOVE the files count as cut.
// - CF_PALETTE (a palette handle), CF_METAFILEPICT and every registered format: private types
//   of our own. A registered name that is a MIME type ("text/html") is that type itself, and
//   another program's types that we do not know show as registered formats of their names.
//
// The clipboard belongs to the user-interface thread. Opening it fails while another window
// holds it open. What is set between EmptyClipboard and CloseClipboard reaches the desktop at
// CloseClipboard; the handles given to SetClipboardData belong to the clipboard from then on,
// and the handles GetClipboardData returns stay valid until the content changes.
// WM_DESTROYCLIPBOARD goes to the owner when its content is replaced (by us or another
// program); WM_DRAWCLIPBOARD to the first viewer of the chain and WM_CLIPBOARDUPDATE to every
// listener after each change, also one made by another program. SetClipboardData with a null
// handle renders later: the owner receives WM_RENDERFORMAT when the data is asked for.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_BITMAP = 2;
inline constexpr UINT CF_METAFILEPICT = 3;
inline constexpr UINT CF_SYLK = 4;
inline constexpr UINT CF_DIF = 5;
inline constexpr UINT CF_TIFF = 6;
inline constexpr UINT CF_OEMTEXT = 7;
inline constexpr UINT CF_DIB = 8;
inline constexpr UINT CF_PALETTE = 9;
inline constexpr UINT CF_RIFF = 11;
inline constexpr UINT CF_WAVE = 12;
inline constexpr UINT CF_UNICODETEXT = 13;
inline constexpr UINT CF_ENHMETAFILE = 14;
inline constexpr UINT CF_HDROP = 15;
inline constexpr UINT CF_LOCALE = 16;
inline constexpr UINT CF_DIBV5 = 17;
// Registered formats take numbers from here on.
inline constexpr UINT CF_REGISTERED_FIRST = 0xC000;

// Clipboard messages
inline constexpr UINT WM_RENDERFORMAT = 0x0305;
inline constexpr UINT WM_RENDERALLFORMATS = 0x0306;
inline constexpr UINT WM_DESTROYCLIPBOARD = 0x0307;
inline constexpr UINT WM_DRAWCLIPBOARD = 0x0308;
inline constexpr UINT WM_PAINTCLIPBOARD = 0x0309;
inline constexpr UINT WM_VSCROLLCLIPBOARD = 0x030A;
inline constexpr UINT WM_SIZECLIPBOARD = 0x030B;
inline constexpr UINT WM_ASKCBFORMATNAME = 0x030C;
inline constexpr UINT WM_CHANGECBCHAIN = 0x030D;
inline constexpr UINT WM_HSCROLLCLIPBOARD = 0x030E;
inline constexpr UINT WM_CLIPBOARDUPDATE = 0x031D;
// A window may realise its palette (the palette viewer asks its form after a new palette).
inline constexpr UINT WM_QUERYNEWPALETTE = 0x030F;

// "Preferred DropEffect" values
inline constexpr DWORD DROPEFFECT_NONE = 0;
inline constexpr DWORD DROPEFFECT_COPY = 1;
inline constexpr DWORD DROPEFFECT_MOVE = 2;
inline constexpr DWORD DROPEFFECT_LINK = 4;

// The head of a CF_HDROP block; the names follow at pFiles, each ended by a null, the list
// by one more (UTF-16 when fWide).
struct DROPFILES {
    DWORD pFiles;
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};

struct METAFILEPICT {
    LONG mm;
    LONG xExt;
    LONG yExt;
    HANDLE hMF;
};

BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Frees the content, sends WM_DESTROYCLIPBOARD to its owner and makes the opener the owner.
BOOL EmptyClipboard();
// The handle; null on failure (last error set) and for a null handle, which renders later
// (last error NO_ERROR).
HANDLE SetClipboardData(UINT format, HANDLE data);
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// The format after `format` (0 starts); 0 at the end (last error NO_ERROR) or when closed.
UINT EnumClipboardFormats(UINT format);
// The first format of the list that the clipboard holds; 0 when it is empty, -1 when it
// holds none of them.
int GetPriorityClipboardFormat(UINT* formats, int count);
// Names compare without regard to case; 0 for an empty name.
UINT RegisterClipboardFormatA(LPCSTR name);
UINT RegisterClipboardFormatW(LPCWSTR name);
// The characters copied (without the terminator); 0 for a standard or unknown format.
int GetClipboardFormatNameA(UINT format, LPSTR buffer, int size);
int GetClipboardFormatNameW(UINT format, LPWSTR buffer, int size);
// The window that emptied the clipboard last; null when another program owns the content.
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();
DWORD GetClipboardSequenceNumber();

// The viewer chain. SetClipboardViewer returns the old head (the new viewer's next window)
// and sends the new viewer WM_DRAWCLIPBOARD.
HWND SetClipboardViewer(HWND viewer);
HWND GetClipboardViewer();
BOOL ChangeClipboardChain(HWND remove, HWND next);
BOOL AddClipboardFormatListener(HWND listener);
BOOL RemoveClipboardFormatListener(HWND listener);

namespace platform {

// Formats held as handles of the layer (bitmaps, palettes, metafiles): how the clipboard
// turns a handle into bytes for other processes, back into a handle, and frees it.
struct ClipboardHandleFormat {
    std::function<std::vector<unsigned char>(HANDLE)> toBytes;
    std::function<HANDLE(const std::vector<unsigned char>&)> fromBytes;
    std::function<void(HANDLE)> destroy;
};
// CF_BITMAP and CF_PALETTE are known; others (CF_ENHMETAFILE) are added by their owners.
void registerClipboardHandleFormat(UINT format, ClipboardHandleFormat handlers);

// Where the rows of a packed DIB (header, colour table, rows) of `size` bytes start; false
// unless it is a DIB of 1, 4, 8, 24 or 32 bits whose table and rows lie inside the block.
bool packedDibLayout(const void* dib, std::size_t size, std::size_t* bitsOffset);
// A packed DIB of a bitmap (its own depth for 1, 4 and 8 bits, else 24); empty on failure.
std::vector<unsigned char> packedDibOfBitmap(HBITMAP bitmap);

// The private MIME type of a format ("application/x-tessellon-..."), or the type itself
// for a registered name that is a MIME type.
std::string clipboardMimeType(UINT format);

}  // namespace platform
