// Item-id list helpers, special folders, path tests, and the shell-namespace object: a
// cursor over the shell namespace with a current folder and a current object in it.
//
// Lists handed out here are owned (TPidl frees its list exactly once); functions that only
// look at a list take LPCITEMIDLIST. Paths use "/"; a folder path ends in "/".
#pragma once

#include "classlib/Classes.h"
#include "platform/shellapi.h"
#include "widetext/WideClasses.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMimeData;
class TFont;
class TMenuItem;
class TPopupMenu;

namespace ShellNs {
Q_NAMESPACE
enum TNavShellFolder {
    SF_FILESYSTEMFOLDER,
    SF_BITBUCKET,
    SF_CONTROLS,
    SF_DESKTOP,
    SF_DESKTOPDIRECTORY,
    SF_DRIVES,
    SF_FONTS,
    SF_NETHOOD,
    SF_NETWORK,
    SF_PERSONAL,
    SF_PRINTERS,
    SF_PROGRAMS,
    SF_RECENT,
    SF_SENDTO,
    SF_STARTMENU,
    SF_STARTUP,
    SF_TEMPLATES,
    SF_FAVORITES,
    SF_COMMON_STARTMENU,
    SF_COMMON_STARTUP,
    SF_COMMON_DESKTOPDIRECTORY,
    SF_APPDATA,
    SF_PRINTHOOD,
    SF_COMMON_FAVORITES,
    SF_INTERNET_CACHE,
    SF_COOKIES,
    SF_HISTORY,
    SF_COMMON_PROGRAMS
};
Q_ENUM_NS(TNavShellFolder)
}  // namespace ShellNs
using ShellNs::TNavShellFolder;
using enum ShellNs::TNavShellFolder;

// The platform folder identifier a value stands for.
int ShellFolderCsidl(TNavShellFolder Kind);

using TPidl = platform::ItemIdList;

// A list of file paths; lists made here accept duplicates and keep insertion order.
class TFileNames : public TWideStringList {
    Q_OBJECT

public:
    TFileNames();
};

TESSELLON_EXCEPTION(EShellNamespaceError, Exception);

// ---- Item-id lists ----------------------------------------------------------------------

// A zero-filled list buffer of that many bytes; null when the allocator fails.
TPidl PidlAlloc(UINT Size);
// Bytes including the closing zero (2 for an empty list); 0 for null.
UINT PidlSize(LPCITEMIDLIST List);
UINT PidlItemCount(LPCITEMIDLIST List);
// Either may be null.
TPidl PidlConcat(LPCITEMIDLIST First, LPCITEMIDLIST Second);
TPidl PidlCopy(LPCITEMIDLIST List);
// Item Index as a one-item list; an empty list for Index = count; null beyond.
TPidl PidlItemAt(LPCITEMIDLIST List, int Index);
TPidl PidlTruncate(LPCITEMIDLIST List, int Count);
// Null for a null or empty list.
TPidl PidlLastItem(LPCITEMIDLIST List);
// The list of a path parsed by Folder (null: the desktop, giving an absolute list); an empty
// path gives the computer. Null on failure, with the thread's last error set.
TPidl PathToPidl(IShellFolder* Folder, const WideString& Path);
void FreeStrRet(STRRET& StrRet);
// The text of a shell string result (freed); empty on failure.
WideString StrRetToWide(STRRET& StrRet, LPCITEMIDLIST Item);

// ---- Special folders ----------------------------------------------------------------------

TPidl SpecialFolderPidl(TNavShellFolder Kind);
WideString SpecialFolderPath(TNavShellFolder Kind);
// The first special folder (table order from SF_BITBUCKET) whose list equals List;
// SF_FILESYSTEMFOLDER when none does.
TNavShellFolder SpecialFolderOfPidl(LPCITEMIDLIST List);
// There is no network neighbourhood in this namespace: false for every list.
bool IsNetworkPidl(LPCITEMIDLIST List);
WideString NetworkRemoteName(IShellFolder* Folder, LPCITEMIDLIST Item);
// The file-system path of an absolute list; empty when it has none.
WideString PidlToPath(LPCITEMIDLIST List);
// The desktop folder.
std::shared_ptr<IShellFolder> DesktopFolder();

// ---- Paths and files ------------------------------------------------------------------------

// "/" or the mount point of a volume, with or without one trailing "/".
bool IsRootPath(const WideString& Path);
// "//server/share..." and its server.
bool IsUncPath(const WideString& Path);
WideString UncServerName(const WideString& Path);
// Both paths without a trailing "/" compared exactly (file names are case-sensitive).
bool SamePathNoCase(const WideString& A, const WideString& B);
// The file system of the path's volume answers (statvfs).
bool DriveIsReady(const WideString& Path);
// The path (a trailing "/" aside) exists (lstat).
bool PathExists(const WideString& Path);
// -1 when the file is not found.
Int64 FileSizeOf(const WideString& Path);
WideString WindowsFolder();
WideString WideTempPath();
bool IsRealEntryName(const WideString& Name);
// "*.*" needs a "."; otherwise a case-insensitive match with a ";"-separated list.
bool MatchesFilter(const WideString& Name, const WideString& Filter);
// The absolute target of a symbolic link; empty for anything else.
WideString ResolveLinkTarget(const WideString& LinkPath);
// Null for a null handle or one without files.
std::unique_ptr<TFileNames> FileNamesFromDrop(HDROP Drop);
// The local files of the data's text/uri-list; an empty list without one; null for null.
std::unique_ptr<TFileNames> FileNamesFromDataObject(const QMimeData* Data);
// Texts of our own for the platform's error numbers (never the C library's).
String SystemErrorText(DWORD Code);
// The same for a result code.
String SystemErrorTextOfResult(HRESULT Result);
// Gives Font the desktop's font for icon titles; unchanged without a GUI application.
void GetIconTitleFont(TFont* Font);
// The root of the volume the system lives on ("/").
WideString SystemDriveRoot();

// ---- The context menu's items from the program ------------------------------------------------

// One item of the program's menu as the shell's context menu copies it in.
struct TShellMenuItem {
    String Name;
    WideString Caption;  // "-" for a separator
    WideString ShortCut;
    WideString Hint;  // "short|long": the long part is shown while the item is selected
    bool Enabled = true;
    bool Checked = false;
    bool Default = false;
    bool Visible = true;
    bool RadioItem = false;
    int Tag = 0;
    std::function<void()> OnClick;
    std::vector<TShellMenuItem> Items;
};

// The seam between a program menu and the context menu.
class IShellMenuSource {
public:
    virtual ~IShellMenuSource() = default;
    // The menu's OnPopup.
    virtual void Popup() {}
    virtual std::vector<TShellMenuItem> MenuItems() = 0;
};

// The items of a class-library pop-up menu for the context menu: OnPopup fires, and a
// copied item that is chosen clicks its source item.
class TPopupMenuItems : public IShellMenuSource {
public:
    explicit TPopupMenuItems(TPopupMenu* Menu) : menu_(Menu) {}
    void Popup() override;
    std::vector<TShellMenuItem> MenuItems() override;

private:
    TPopupMenu* menu_;
};

using TOnContextMenuSelectEvent = TEvent<void(TObject* Sender, const String& Command, bool& Execute)>;

// ---- The shell-namespace object ---------------------------------------------------------------

class TShellNamespace : public TComponent {
    Q_OBJECT
    Q_PROPERTY(WideString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(WideString Folder READ Folder WRITE SetFolder)
    Q_PROPERTY(WideString ObjectName READ ObjectName WRITE SetObjectName STORED false)
    Q_PROPERTY(bool FileSystemOnly READ FileSystemOnly WRITE SetFileSystemOnly)
    Q_PROPERTY(TFileNames* MultiObjects READ MultiObjects STORED false)
    Q_PROPERTY(bool ShowErrorMessages READ ShowErrorMessages WRITE SetShowErrorMessages)
    Q_PROPERTY(bool ShowContextMenuOnTop READ ShowContextMenuOnTop WRITE SetShowContextMenuOnTop)
    Q_PROPERTY(ShellNs::TNavShellFolder SpecialFolder READ SpecialFolder WRITE SetSpecialFolder)
    Q_PROPERTY(String Version READ Version WRITE SetVersion STORED false)
    Q_PROPERTY(TNotifyEvent OnRename MEMBER OnRename)
    Q_PROPERTY(TOnContextMenuSelectEvent OnContextMenuSelect MEMBER OnContextMenuSelect)
    Q_CLASSINFO("Default:FileSystemOnly", "False")
    Q_CLASSINFO("Default:ShowErrorMessages", "True")
    Q_CLASSINFO("Default:ShowContextMenuOnTop", "False")
    Q_CLASSINFO("Default:SpecialFolder", "SF_DRIVES")

public:
    explicit TShellNamespace(TComponent* AOwner);
    ~TShellNamespace() override;

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // ---- Folder
    // Raises EShellNamespaceError (the folder stays) when the path cannot be parsed.
    void SetFolder(const WideString& Path);
    WideString Folder() const;
    // Binds the list first; raises EShellNamespaceError and changes nothing when that fails.
    void SetFolderIDList(LPCITEMIDLIST List);
    TNavShellFolder SpecialFolder() const;
    // A folder that cannot exist here (printers, network, control panel, ...) raises
    // EShellNamespaceError outside layout loading; user folders that are missing are the
    // home folder, as on a Linux desktop.
    void SetSpecialFolder(TNavShellFolder Value);
    TPidl FolderPidl() const;
    TPidl ObjectPidl() const;
    // The folder's list (not a copy).
    LPCITEMIDLIST FolderIDList() const { return folderPidl_.get(); }
    // The object's list relative to the folder (not a copy); null without an object.
    LPCITEMIDLIST ObjectIDList() const { return objectPidl_.get(); }
    // Folder + object (the folder alone without an object); not a copy.
    LPCITEMIDLIST AbsoluteObjectPidl() const;
    void SetAbsolutePidl(LPCITEMIDLIST List);
    void SelectFolderObject();
    bool EnterObject();
    std::shared_ptr<IShellFolder> ShellFolder() const { return folder_; }

    // ---- Objects
    void SetObjectPidl(LPCITEMIDLIST List);
    // The next object of the folder that passes FileSystemOnly and the filter; false at the
    // end, and the next call starts again.
    bool NextObject();
    WideString Filter() const;
    void SetFilter(const WideString& Value);
    WideString ObjectName() const;
    // A name in the folder (exact first, then ignoring case), or a full path.
    void SetObjectName(const WideString& Name);
    WideString DisplayName() const;
    SFGAOF GetAttributes(SFGAOF Mask) const;
    bool IsFolder() const;
    bool IsHidden() const;
    bool IsLink() const;
    bool CanRename() const;
    bool HasSubFolders() const;
    bool IsZipFolder() const;
    WideString LinkTarget() const;
    WideString RemoteName() const;
    // The last write in universal time; 0 without find data.
    TDateTime ObjectDateTime() const;
    WideString InfoTip(bool Slow) const;
    int SmallIconIndex() const;
    int OpenSmallIconIndex() const;
    int DesktopIconIndex() const;
    WideString DesktopName() const;
    int OverlayIndex() const;
    // A picture fitted into Width x Height (200 x 200 for a size of 0 or less); null when the
    // object has none. The caller deletes it.
    HBITMAP ExtractThumbnail(int Width, int Height);
    void BindDetails();
    // The column's alignment (0 left, 1 right, 2 centre) and its width in pixels (0 when it
    // is not shown by default).
    int ColumnInfo(int Column, int& Width);
    WideString DetailsText(int Column, bool Header);
    std::shared_ptr<IUnknown> GetUIObject(REFIID Riid);
    bool RenameObject(WideString& Name);

    // ---- Context menu and verbs
    // The verb carried out, or empty.
    String ShowContextMenu(POINT At, IShellMenuSource* Menu);
    String ShowContextMenu(POINT At, TPopupMenu* Menu);
    String ShowContextMenu(POINT At, std::nullptr_t) { return ShowContextMenu(At, static_cast<IShellMenuSource*>(nullptr)); }
    bool ExecuteVerb(const String& Verb);

    bool FileSystemOnly() const { return fileSystemOnly_; }
    void SetFileSystemOnly(bool Value) { fileSystemOnly_ = Value; }
    TFileNames* MultiObjects() const { return multiObjects_.get(); }
    bool ShowErrorMessages() const { return showErrorMessages_; }
    void SetShowErrorMessages(bool Value) { showErrorMessages_ = Value; }
    bool ShowContextMenuOnTop() const { return showContextMenuOnTop_; }
    void SetShowContextMenuOnTop(bool Value) { showContextMenuOnTop_ = Value; }
    // Set by read-only views: "delete", "cut" and "paste" chosen from the menu are not run.
    bool RestrictContextMenu() const { return restrictMenu_; }
    void SetRestrictContextMenu(bool Value) { restrictMenu_ = Value; }
    String Version() const;
    void SetVersion(const String&) {}
    // Loaded() ran (the component was read from a layout, or its owner says so).
    bool IsLoaded() const { return loaded_; }
    // The window that shell calls that show something are parented to: none while
    // ShowErrorMessages is off; else the one set here, else the owner's window when the
    // owner is a windowed control and this object is loaded, else the application's
    // window (none on other threads than the user-interface thread).
    HWND OwnerWindow() const;
    void SetOwnerWindow(HWND Wnd) { ownerWindow_ = Wnd; }

    TNotifyEvent OnRename;
    TOnContextMenuSelectEvent OnContextMenuSelect;

private:
    const WIN32_FIND_DATAW* findData() const;
    bool fileSystemTest();
    bool filterTest() const;
    // The path a "delete" leaves behind when it fails.
    WideString verbTargetPath() const;
    void releaseEnumerator() { enum_.reset(); }

    WideString folderPath_;
    TPidl folderPidl_;
    std::shared_ptr<IShellFolder> folder_;
    TPidl objectPidl_;
    mutable TPidl absolutePidl_;
    std::shared_ptr<IEnumIDList> enum_;
    bool fileSystemOnly_ = false;
    std::unique_ptr<TFileNames> multiObjects_;
    std::unique_ptr<TFileNames> filters_;
    std::shared_ptr<IContextMenu> contextMenu_;
    std::shared_ptr<IShellFolder2> details_;
    mutable bool findFilled_ = false;
    mutable WIN32_FIND_DATAW findData_{};
    bool restrictMenu_ = false;
    mutable int hasSubFolders_ = -1;
    bool showErrorMessages_ = true;
    bool showContextMenuOnTop_ = false;
    bool loaded_ = false;
    HWND ownerWindow_ = nullptr;
};

// ---- History of visited folders -------------------------------------------------------------

// Owned absolute lists with a current index.
class TPidlHistory : public TList {
    Q_OBJECT

public:
    TPidlHistory();
    ~TPidlHistory() override;

    // Ignores null; drops the entries after the current one, takes the list over and makes
    // it current.
    virtual void Add(TPidl List);
    // Frees the entry; the current index stays inside the list.
    virtual void Delete(int Index);
    virtual void Forward(int Steps);
    virtual void Back(int Steps);

    int Index() const { return index_; }
    LPCITEMIDLIST Item(int Index) const { return static_cast<LPCITEMIDLIST>(TList::Items(Index)); }
    // The current entry, or null for an empty history.
    LPCITEMIDLIST Current() const { return Count() ? Item(index_) : nullptr; }

private:
    int index_ = 0;
};

// Registers the shell browsing controls' classes for layouts (and the class library's);
// defined with the controls (ShellControls.cpp).
void RegisterShellClasses();
