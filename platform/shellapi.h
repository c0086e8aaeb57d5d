// The shell namespace over POSIX and Qt: item-id lists, folder objects, special folders,
// file information and icons, context menus and verbs, thumbnails and dropped files.
//
// The namespace is a tree of our own:
//   Desktop (the empty list; its path is the desktop directory)
//     Home       a place: the home folder
//     Computer   holds the volumes: "/" ("File System") and the mounted volumes
//     Trash      the entries of the home trash
//     the entries of the desktop directory
// File-system folders lie below the volumes. A path is always parsed into the list
// Computer / volume / names, so equal paths give equal lists.
//
// Item-id lists keep the platform's framing: items with a 16-bit byte count that includes
// itself, closed by a 16-bit zero. Our item payload is a signature byte, a kind, flags and
// the raw bytes of a name, so names that are not UTF-8 round-trip. Every list handed out
// is a block of the task allocator (platform/objbase.h) that the receiver frees.
//
// Folder objects are shared through std::shared_ptr (see platform/objbase.h).
#pragma once

#include "platform/clipboard.h"
#include "platform/commctrl.h"
#include "platform/fileapi.h"
#include "platform/objbase.h"
#include "platform/wintypes.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QByteArray;
class QIcon;
class QMimeData;

// ---- Item-id lists --------------------------------------------------------------------

#pragma pack(push, 1)
struct SHITEMID {
    USHORT cb;  // bytes of the item, the count included
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
#pragma pack(pop)
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

// Bytes of a list including the closing zero (2 for an empty list); 0 for null.
UINT ILGetSize(LPCITEMIDLIST pidl);
// The next item, or null at the end of the list (and for null).
LPITEMIDLIST ILGetNext(LPCITEMIDLIST pidl);
// True for null and for the empty list.
BOOL ILIsEmpty(LPCITEMIDLIST pidl);
// New lists from the task allocator; null for a null argument or when allocation fails.
LPITEMIDLIST ILClone(LPCITEMIDLIST pidl);
LPITEMIDLIST ILCloneFirst(LPCITEMIDLIST pidl);
// Either may be null; null only when both are.
LPITEMIDLIST ILCombine(LPCITEMIDLIST first, LPCITEMIDLIST second);
// The last item inside the list (not a copy); the list itself when it is empty.
LPITEMIDLIST ILFindLastID(LPCITEMIDLIST pidl);
// Cuts off the last item in place; false when the list is empty.
BOOL ILRemoveLastID(LPITEMIDLIST pidl);
// Two absolute lists of the same object.
BOOL ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b);
void ILFree(LPITEMIDLIST pidl);
LPVOID SHAlloc(std::size_t size);
void SHFree(LPVOID block);

namespace platform {

using ItemIdList = TaskMemPtr<ITEMIDLIST>;

enum class ShellItemKind : BYTE {
    Place = 1,       // a folder on the desktop given by its absolute path (Home)
    Computer = 2,    // the computer
    Volume = 3,      // a volume below the computer; the name is its mount point
    FileSystem = 4,  // an entry of a file-system folder; the name is one file name
    Trash = 5,       // the trash
    TrashEntry = 6,  // an entry of the trash; the name is its file name in Trash/files
};
// Item flags.
inline constexpr BYTE SHELLITEM_FOLDER = 0x1;
inline constexpr BYTE SHELLITEM_LINK = 0x2;
inline constexpr BYTE SHELLITEM_HIDDEN = 0x4;

struct ShellItem {
    ShellItemKind kind = ShellItemKind::FileSystem;
    BYTE flags = 0;
    std::string name;  // raw bytes
};

// A new list of these items; null when an item does not fit (names above 65,000 bytes).
ItemIdList makeItemIdList(const std::vector<ShellItem>& items);
// One item of our framing; false for a foreign or damaged item.
bool decodeItem(const SHITEMID* id, ShellItem& item);
// All items of a list; false when one of them is foreign or damaged.
bool decodeItemIdList(LPCITEMIDLIST pidl, std::vector<ShellItem>& items);
// Number of items of a list; 0 for null.
UINT itemCount(LPCITEMIDLIST pidl);

}  // namespace platform

// ---- Strings of the shell -------------------------------------------------------------

inline constexpr UINT STRRET_WSTR = 0;
inline constexpr UINT STRRET_OFFSET = 1;
inline constexpr UINT STRRET_CSTR = 2;
struct STRRET {
    UINT uType;
    union {
        LPWSTR pOleStr;  // from the task allocator
        UINT uOffset;    // bytes into the item-id list
        char cStr[MAX_PATH];
    };
};

// Hands out the text (a task-allocator string in *out) and frees what the STRRET held.
HRESULT StrRetToStrW(STRRET* strret, LPCITEMIDLIST pidl, LPWSTR* out);
// "123 bytes", "1.50 KB", "12.3 MB", "5.00 GB": three significant digits from a KB on.
LPWSTR StrFormatByteSizeW(LONGLONG size, LPWSTR buffer, UINT bufferSize);
// Whether a name matches a wildcard pattern or a ";"-separated list of them (blanks before
// each pattern are skipped); case-insensitive.
BOOL PathMatchSpecW(LPCWSTR name, LPCWSTR spec);

namespace platform {

std::u16string formatByteSize(long long size);
// A task-allocator copy of a text.
LPWSTR taskMemString(std::u16string_view text);

// While one lives on a thread, the folders' CompareIDs on that thread ask the file system
// about each item once (sorting many items compares each many times); what changes on disk
// meanwhile is seen after the scope ends.
class ShellCompareScope {
public:
    ShellCompareScope();
    ~ShellCompareScope();
    ShellCompareScope(const ShellCompareScope&) = delete;
    ShellCompareScope& operator=(const ShellCompareScope&) = delete;
};

}  // namespace platform

// ---- Folder objects ---------------------------------------------------------------------

using SFGAOF = ULONG;
inline constexpr SFGAOF SFGAO_CANCOPY = 0x1;
inline constexpr SFGAOF SFGAO_CANMOVE = 0x2;
inline constexpr SFGAOF SFGAO_CANLINK = 0x4;
inline constexpr SFGAOF SFGAO_CANRENAME = 0x10;
inline constexpr SFGAOF SFGAO_CANDELETE = 0x20;
inline constexpr SFGAOF SFGAO_HASPROPSHEET = 0x40;
inline constexpr SFGAOF SFGAO_DROPTARGET = 0x100;
inline constexpr SFGAOF SFGAO_ENCRYPTED = 0x2000;
inline constexpr SFGAOF SFGAO_GHOSTED = 0x8000;
inline constexpr SFGAOF SFGAO_LINK = 0x10000;
inline constexpr SFGAOF SFGAO_SHARE = 0x20000;
inline constexpr SFGAOF SFGAO_READONLY = 0x40000;
inline constexpr SFGAOF SFGAO_HIDDEN = 0x80000;
inline constexpr SFGAOF SFGAO_STREAM = 0x400000;
inline constexpr SFGAOF SFGAO_REMOVABLE = 0x2000000;
inline constexpr SFGAOF SFGAO_COMPRESSED = 0x4000000;
inline constexpr SFGAOF SFGAO_BROWSABLE = 0x8000000;
inline constexpr SFGAOF SFGAO_FILESYSANCESTOR = 0x10000000;
inline constexpr SFGAOF SFGAO_FOLDER = 0x20000000;
inline constexpr SFGAOF SFGAO_FILESYSTEM = 0x40000000;
inline constexpr SFGAOF SFGAO_HASSUBFOLDER = 0x80000000u;

// EnumObjects
inline constexpr DWORD SHCONTF_FOLDERS = 0x20;
inline constexpr DWORD SHCONTF_NONFOLDERS = 0x40;
inline constexpr DWORD SHCONTF_INCLUDEHIDDEN = 0x80;

// GetDisplayNameOf
inline constexpr DWORD SHGDN_NORMAL = 0x0;
inline constexpr DWORD SHGDN_INFOLDER = 0x1;
inline constexpr DWORD SHGDN_FOREDITING = 0x1000;
inline constexpr DWORD SHGDN_FORADDRESSBAR = 0x4000;
inline constexpr DWORD SHGDN_FORPARSING = 0x8000;

// CompareIDs: the column in the low 16 bits.
inline constexpr LPARAM SHCIDS_COLUMNMASK = 0xFFFF;

// Detail columns (aligned by LVCFMT_*)
struct SHELLDETAILS {
    int fmt;
    int cxChar;
    STRRET str;
};
using SHCOLSTATEF = DWORD;
inline constexpr SHCOLSTATEF SHCOLSTATE_TYPE_STR = 0x1;
inline constexpr SHCOLSTATEF SHCOLSTATE_TYPE_INT = 0x2;
inline constexpr SHCOLSTATEF SHCOLSTATE_TYPE_DATE = 0x3;
inline constexpr SHCOLSTATEF SHCOLSTATE_ONBYDEFAULT = 0x10;
inline constexpr SHCOLSTATEF SHCOLSTATE_HIDDEN = 0x100;

struct IEnumIDList : virtual IUnknown {
    // Up to `count` new lists (relative, one item each); S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct IShellFolder : virtual IUnknown {
    // A relative list of a name (a relative path; the desktop and the computer also take
    // absolute paths). Failures: the platform error of the first missing part.
    virtual HRESULT ParseDisplayName(HWND owner, void* bindContext, LPCWSTR name, ULONG* eaten,
                                     LPITEMIDLIST* pidl, ULONG* attributes) = 0;
    // A snapshot of the entries, sorted by name.
    virtual HRESULT EnumObjects(HWND owner, DWORD flags, std::shared_ptr<IEnumIDList>* out) = 0;
    virtual HRESULT BindToObject(LPCITEMIDLIST pidl, void* bindContext, REFIID riid,
                                 std::shared_ptr<IUnknown>* out) = 0;
    // Result code: below, equal to or above 0 in the low 16 bits (a signed 16-bit number).
    // Column 0 compares names; equal only for the same object.
    virtual HRESULT CompareIDs(LPARAM lParam, LPCITEMIDLIST a, LPCITEMIDLIST b) = 0;
    virtual HRESULT CreateViewObject(HWND owner, REFIID riid, std::shared_ptr<IUnknown>* out) = 0;
    // The attributes all items share, of those asked in *inOut.
    virtual HRESULT GetAttributesOf(UINT count, LPCITEMIDLIST* items, SFGAOF* inOut) = 0;
    // IContextMenu, IExtractImage (image files), IQueryInfo.
    virtual HRESULT GetUIObjectOf(HWND owner, UINT count, LPCITEMIDLIST* items, REFIID riid, UINT* reserved,
                                  std::shared_ptr<IUnknown>* out) = 0;
    virtual HRESULT GetDisplayNameOf(LPCITEMIDLIST pidl, DWORD flags, STRRET* name) = 0;
    // Renames a file-system entry; never replaces an existing one.
    virtual HRESULT SetNameOf(HWND owner, LPCITEMIDLIST pidl, LPCWSTR name, DWORD flags, LPITEMIDLIST* out) = 0;
};

struct IShellFolder2 : IShellFolder {
    virtual HRESULT GetDefaultColumnState(UINT column, SHCOLSTATEF* flags) = 0;
    // The column's title for a null pidl; E_FAIL beyond the last column.
    virtual HRESULT GetDetailsOf(LPCITEMIDLIST pidl, UINT column, SHELLDETAILS* details) = 0;
};

struct IShellIconOverlay : virtual IUnknown {
    // The overlay of an item, counted from 1 (1 share, 2 link); E_FAIL when it has none.
    virtual HRESULT GetOverlayIndex(LPCITEMIDLIST pidl, int* index) = 0;
};

inline const IID IID_IShellFolder{"IShellFolder"};
inline const IID IID_IShellFolder2{"IShellFolder2"};
inline const IID IID_IShellDetails{"IShellDetails"};
inline const IID IID_IShellIconOverlay{"IShellIconOverlay"};
inline const IID IID_IContextMenu{"IContextMenu"};
inline const IID IID_IContextMenu2{"IContextMenu2"};
inline const IID IID_IExtractImage{"IExtractImage"};
inline const IID IID_IQueryInfo{"IQueryInfo"};

HRESULT SHGetDesktopFolder(std::shared_ptr<IShellFolder>* out);
// The absolute list of a path (or of a name the desktop parses).
HRESULT SHParseDisplayName(LPCWSTR name, void* bindContext, LPITEMIDLIST* pidl, SFGAOF in, SFGAOF* out);
// The folder that holds the last item of an absolute list, and that item inside pidl.
HRESULT SHBindToParent(LPCITEMIDLIST pidl, REFIID riid, std::shared_ptr<IUnknown>* out, LPCITEMIDLIST* last);
// The file-system path of an absolute list into a buffer of MAX_PATH characters.
BOOL SHGetPathFromIDListW(LPCITEMIDLIST pidl, LPWSTR path);
// The same into a buffer of `size` characters.
BOOL SHGetPathFromIDListEx(LPCITEMIDLIST pidl, LPWSTR path, DWORD size, int flags);

inline constexpr int SHGDFIL_FINDDATA = 1;
// The find data of an item of `folder`.
HRESULT SHGetDataFromIDListW(IShellFolder* folder, LPCITEMIDLIST pidl, int format, void* data, int size);

namespace platform {

// The file-system path of an absolute list (no length limit); false when it has none.
bool pathFromIDList(LPCITEMIDLIST pidl, std::u16string* path);
// The same as raw bytes.
bool rawPathFromIDList(LPCITEMIDLIST pidl, std::string* path);

}  // namespace platform

// ---- Special folders ----------------------------------------------------------------------

inline constexpr int CSIDL_DESKTOP = 0x00;
inline constexpr int CSIDL_PROGRAMS = 0x02;
inline constexpr int CSIDL_CONTROLS = 0x03;
inline constexpr int CSIDL_PRINTERS = 0x04;
inline constexpr int CSIDL_PERSONAL = 0x05;
inline constexpr int CSIDL_FAVORITES = 0x06;
inline constexpr int CSIDL_STARTUP = 0x07;
inline constexpr int CSIDL_RECENT = 0x08;
inline constexpr int CSIDL_SENDTO = 0x09;
inline constexpr int CSIDL_BITBUCKET = 0x0A;
inline constexpr int CSIDL_STARTMENU = 0x0B;
inline constexpr int CSIDL_MYMUSIC = 0x0D;
inline constexpr int CSIDL_MYVIDEO = 0x0E;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
inline constexpr int CSIDL_DRIVES = 0x11;
inline constexpr int CSIDL_NETWORK = 0x12;
inline constexpr int CSIDL_NETHOOD = 0x13;
inline constexpr int CSIDL_FONTS = 0x14;
inline constexpr int CSIDL_TEMPLATES = 0x15;
inline constexpr int CSIDL_COMMON_STARTMENU = 0x16;
inline constexpr int CSIDL_COMMON_PROGRAMS = 0x17;
inline constexpr int CSIDL_COMMON_STARTUP = 0x18;
inline constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x19;
inline constexpr int CSIDL_APPDATA = 0x1A;
inline constexpr int CSIDL_PRINTHOOD = 0x1B;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x1C;
inline constexpr int CSIDL_COMMON_FAVORITES = 0x1F;
inline constexpr int CSIDL_INTERNET_CACHE = 0x20;
inline constexpr int CSIDL_COOKIES = 0x21;
inline constexpr int CSIDL_HISTORY = 0x22;
inline constexpr int CSIDL_WINDOWS = 0x24;
inline constexpr int CSIDL_MYPICTURES = 0x27;
inline constexpr int CSIDL_PROFILE = 0x28;

// The list of a special folder. The file-system ones follow the XDG directories of the
// user (read from the environment at each call) and must exist; folders without a
// counterpart here (printers, network, favourites, ...) give E_FAIL and no list.
HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* pidl);

namespace platform {

// The path of a special folder; empty when it has none.
std::u16string specialFolderPath(int csidl);

struct ShellVolume {
    std::string mountPoint;  // raw bytes, "/" first
    std::string device;
    std::string type;        // the file system's type
};
// "/" and the volumes mounted below /media, /run/media and /mnt.
std::vector<ShellVolume> shellVolumes();
// The trash folder: $XDG_DATA_HOME/Trash (raw bytes).
std::string trashFolder();

}  // namespace platform

// ---- File information and icons ----------------------------------------------------------

struct SHFILEINFOW {
    HICON hIcon;
    int iIcon;
    DWORD dwAttributes;
    WCHAR szDisplayName[MAX_PATH];
    WCHAR szTypeName[80];
};
inline constexpr UINT SHGFI_ICON = 0x100;
inline constexpr UINT SHGFI_DISPLAYNAME = 0x200;
inline constexpr UINT SHGFI_TYPENAME = 0x400;
inline constexpr UINT SHGFI_ATTRIBUTES = 0x800;
inline constexpr UINT SHGFI_SYSICONINDEX = 0x4000;
inline constexpr UINT SHGFI_LINKOVERLAY = 0x8000;
inline constexpr UINT SHGFI_LARGEICON = 0x0;
inline constexpr UINT SHGFI_SMALLICON = 0x1;
inline constexpr UINT SHGFI_OPENICON = 0x2;
inline constexpr UINT SHGFI_PIDL = 0x8;
inline constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x10;

struct SHFILEINFOA {
    HICON hIcon;
    int iIcon;
    DWORD dwAttributes;
    CHAR szDisplayName[MAX_PATH];
    CHAR szTypeName[80];
};

// `path` is a path, or with SHGFI_PIDL an absolute item-id list; with
// SHGFI_USEFILEATTRIBUTES only its name counts (the file is not touched) and
// `fileAttributes` tells a folder (FILE_ATTRIBUTE_DIRECTORY). With SHGFI_SYSICONINDEX
// the result is the handle of the system image list (HIMAGELIST, platform/commctrl.h):
// 32 pixels, or 16 with SHGFI_SMALLICON; never destroy it. Otherwise non-zero on success;
// 0 on failure. SHGFI_ICON gives a new icon (DestroyIcon it), with the link overlay for
// SHGFI_LINKOVERLAY; it and the pictures of the system image lists are made on the
// user-interface thread only (elsewhere SHGFI_ICON fails). An icon index names a file
// type (its desktop icon) and stays the same for the process.
DWORD_PTR SHGetFileInfoW(LPCWSTR path, DWORD fileAttributes, SHFILEINFOW* info, UINT infoSize, UINT flags);
// The same with a path and texts in the ANSI code page.
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD fileAttributes, SHFILEINFOA* info, UINT infoSize, UINT flags);

// The overlays of the system image lists (for INDEXTOOVERLAYMASK), asked with a null path.
inline constexpr int IDO_SHGIOI_SHARE = 0x0FFFFFFF;
inline constexpr int IDO_SHGIOI_LINK = 0x0FFFFFFE;
inline constexpr int IDO_SHGIOI_SLOWFILE = 0x0FFFFFFD;
inline constexpr int IDO_SHGIOI_DEFAULT = 0x0FFFFFFC;
// 1 for the share overlay, 2 for the link overlay; -1 for anything else.
int SHGetIconOverlayIndexW(LPCWSTR iconPath, int iconIndex);
int SHGetIconOverlayIndexA(LPCSTR iconPath, int iconIndex);

namespace platform {

// The system image list of 16 (small) or 32 pixels.
HIMAGELIST systemImageList(bool small);
// Makes the pictures of the system image lists again (after the icon theme changed).
void refreshShellIcons();

// The process-wide icon list: SHGetFileInfoW's icon indexes point into it.
int shellIconCount();
QIcon shellIcon(int index);
// The overlay image of an overlay index counted from 0 (0 share, 1 link).
QIcon shellOverlayIcon(int index);

}  // namespace platform

// ---- Thumbnails and info tips --------------------------------------------------------------

inline constexpr DWORD IEIFLAG_ASYNC = 0x1;
inline constexpr DWORD IEIFLAG_SCREEN = 0x20;
inline constexpr DWORD IEIFLAG_QUALITY = 0x200;
inline constexpr DWORD IEIT_PRIORITY_NORMAL = 2;

struct IExtractImage : virtual IUnknown {
    // Takes the size; S_OK, or E_PENDING when asked for IEIFLAG_ASYNC.
    virtual HRESULT GetLocation(LPWSTR pathBuffer, DWORD bufferSize, DWORD* priority, const SIZE* size,
                                DWORD colorDepth, DWORD* flags) = 0;
    // A 24-bit bitmap of the picture fitted into the size (keeping its proportions, never
    // enlarged); the caller deletes it.
    virtual HRESULT Extract(HBITMAP* bitmap) = 0;
};

inline constexpr DWORD QITIPF_DEFAULT = 0x0;
inline constexpr DWORD QITIPF_USESLOWTIP = 0x8;
struct IQueryInfo : virtual IUnknown {
    // The tip in a task-allocator string.
    virtual HRESULT GetInfoTip(DWORD flags, LPWSTR* tip) = 0;
    virtual HRESULT GetInfoFlags(DWORD* flags) = 0;
};

// ---- Context menus and verbs -----------------------------------------------------------------

inline constexpr UINT CMF_NORMAL = 0x0;
inline constexpr UINT CMF_DEFAULTONLY = 0x1;
inline constexpr UINT CMF_VERBSONLY = 0x2;
inline constexpr UINT CMF_EXPLORE = 0x4;
inline constexpr UINT CMF_CANRENAME = 0x10;

inline constexpr UINT GCS_VERBA = 0x0;
inline constexpr UINT GCS_HELPTEXTA = 0x1;
inline constexpr UINT GCS_VALIDATEA = 0x2;
inline constexpr UINT GCS_VERBW = 0x4;
inline constexpr UINT GCS_HELPTEXTW = 0x5;
inline constexpr UINT GCS_VALIDATEW = 0x6;

struct CMINVOKECOMMANDINFO {
    DWORD cbSize;
    DWORD fMask;
    HWND hwnd;
    LPCSTR lpVerb;  // a verb, or the command offset as MAKEINTRESOURCEA
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    DWORD dwHotKey;
    HANDLE hIcon;
};
inline LPCSTR MAKEINTRESOURCEA_VERB(UINT offset) {
    return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(offset & 0xFFFF));
}

// Verbs: "open" (the desktop's associated program), "cut", "copy", "paste" (the clipboard
// formats of the file managers; never replaces an existing file), "delete" (asks, then moves
// to the trash), "rename" (offered with CMF_CANRENAME; the view carries it out through
// SetNameOf), "properties" (a small dialog of our own), "undelete" (trash entries).
struct IContextMenu : virtual IUnknown {
    // Adds the items to the menu at position `index`, commands idFirst + offset (the default
    // verb marked MFS_DEFAULT); the result's code is the highest offset used + 1. The help
    // text of an item comes from GetCommandString.
    virtual HRESULT QueryContextMenu(HMENU menu, UINT index, UINT idFirst, UINT idLast, UINT flags) = 0;
    virtual HRESULT InvokeCommand(const CMINVOKECOMMANDINFO* info) = 0;
    // The verb or help text of a command offset into `name` (WCHARs for the W types).
    virtual HRESULT GetCommandString(UINT_PTR offset, UINT type, UINT* reserved, LPSTR name, UINT size) = 0;
};

namespace platform {

// What the properties dialog shows.
struct ShellProperties {
    std::u16string name;
    std::u16string type;
    std::u16string location;
    long long size = -1;  // -1 for folders and virtual objects
    std::u16string sizeText;
    std::u16string modified;
    std::u16string accessed;
    std::u16string permissions;  // "rw-r--r--" and owner
};
// The properties of a path (raw bytes).
ShellProperties shellProperties(const std::string& path);
// Shows the properties; the real one is a modal dialog of our own, tests replace it.
using ShellPropertiesHandler = std::function<void(HWND owner, const std::vector<ShellProperties>& items)>;
ShellPropertiesHandler setShellPropertiesHandler(ShellPropertiesHandler handler);

// The confirmation of "delete" (a message box with this caption and MB_YESNO).
inline constexpr const char16_t* kConfirmDeleteCaption = u"Confirm Delete";

// The clipboard's file list (raw paths) and whether it was cut; false when it has none.
bool clipboardFiles(std::vector<std::string>* paths, bool* cut);
// Puts files on the clipboard as CF_HDROP with "Preferred DropEffect" (DROPEFFECT_MOVE when
// cut) and their names as text; the desktop sees the file managers' formats.
void setClipboardFiles(const std::vector<std::string>& paths, bool cut);
// Empties the clipboard once cut files were moved.
void clearClipboardFiles();
// The text/uri-list of raw paths, and the raw local paths of one.
QByteArray uriListOf(const std::vector<std::string>& paths);
std::vector<std::string> localPathsOfUriList(const QByteArray& list);

// Copies or moves `source` into the folder `target` under its own name, or under
// "name (copy).ext", "name (copy 2).ext", ... when that exists; never replaces anything.
// The new path in *created; false with the last error set on failure.
bool pasteFile(const std::string& source, const std::string& target, bool move, std::string* created);
// Renames without replacing; false with ERROR_ALREADY_EXISTS when `to` exists.
bool renameNoReplace(const std::string& from, const std::string& to);
// Moves a path to the user's trash; false with the last error set on failure.
bool moveToTrash(const std::string& path);

}  // namespace platform

// ---- Dropped files ----------------------------------------------------------------------------

TESSELLON_DECLARE_HANDLE(HDROP);
// The handle is one of createDrop or a CF_HDROP block of the clipboard (DROPFILES in global
// memory, checked against its size). Index 0xFFFFFFFF gives the count; a null buffer gives
// the length of the name (without the terminator); otherwise copies up to size - 1
// characters and returns the count copied.
UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT size);
// Frees a handle of createDrop (a clipboard block belongs to the clipboard).
void DragFinish(HDROP drop);

namespace platform {

// A dropped-files handle of these paths (UTF-16), freed by DragFinish.
HDROP createDrop(const std::vector<std::u16string>& paths);
// The same from the local files of a text/uri-list in mime data; null when it has none.
HDROP dropFromMimeData(const QMimeData* data);

}  // namespace platform
