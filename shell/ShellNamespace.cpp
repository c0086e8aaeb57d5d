// Item-id list helpers, special folders, path tests and the shell-namespace object.
#include "shell/ShellNamespace.h"

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/Menus.h"
#include "platform/process.h"
#include "widetext/WideSystem.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <cctype>
#include <cstring>

namespace {

std::string raw(const WideString& s) { return platform::wideToFileName(s); }
WideString wide(const std::string& s) { return platform::fileNameToWide(s); }

WideString upper(const WideString& s) { return QString::fromStdU16String(s).toUpper().toStdU16String(); }

bool sameIgnoringCase(const WideString& a, const WideString& b) {
    return QString::fromStdU16String(a).compare(QString::fromStdU16String(b), Qt::CaseInsensitive) == 0;
}

// The wait cursor while a shell call runs (on the user-interface thread only).
class WaitCursor {
public:
    WaitCursor() {
        auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        active_ = app && QThread::currentThread() == app->thread();
        if (active_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor() {
        if (active_) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool active_ = false;
};

constexpr int kCsidl[] = {CSIDL_DRIVES,
                          CSIDL_BITBUCKET,
                          CSIDL_CONTROLS,
                          CSIDL_DESKTOP,
                          CSIDL_DESKTOPDIRECTORY,
                          CSIDL_DRIVES,
                          CSIDL_FONTS,
                          CSIDL_NETHOOD,
                          CSIDL_NETWORK,
                          CSIDL_PERSONAL,
                          CSIDL_PRINTERS,
                          CSIDL_PROGRAMS,
                          CSIDL_RECENT,
                          CSIDL_SENDTO,
                          CSIDL_STARTMENU,
                          CSIDL_STARTUP,
                          CSIDL_TEMPLATES,
                          CSIDL_FAVORITES,
                          CSIDL_COMMON_STARTMENU,
                          CSIDL_COMMON_STARTUP,
                          CSIDL_COMMON_DESKTOPDIRECTORY,
                          CSIDL_APPDATA,
                          CSIDL_PRINTHOOD,
                          CSIDL_COMMON_FAVORITES,
                          CSIDL_INTERNET_CACHE,
                          CSIDL_COOKIES,
                          CSIDL_HISTORY,
                          CSIDL_COMMON_PROGRAMS};

bool equalLists(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    std::shared_ptr<IShellFolder> desktop = DesktopFolder();
    const HRESULT hr = desktop->CompareIDs(0, a, b);
    return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

}  // namespace

int ShellFolderCsidl(TNavShellFolder Kind) {
    const int k = static_cast<int>(Kind);
    return k >= 0 && k <= SF_COMMON_PROGRAMS ? kCsidl[k] : -1;
}

TFileNames::TFileNames() { SetDuplicates(dupAccept); }

// ---- Item-id lists ---------------------------------------------------------------------------

TPidl PidlAlloc(UINT Size) { return TPidl(static_cast<LPITEMIDLIST>(CoTaskMemAlloc(Size))); }

UINT PidlSize(LPCITEMIDLIST List) { return ILGetSize(List); }

UINT PidlItemCount(LPCITEMIDLIST List) { return platform::itemCount(List); }

TPidl PidlConcat(LPCITEMIDLIST First, LPCITEMIDLIST Second) {
    if (!First && !Second) return PidlAlloc(sizeof(USHORT));
    return TPidl(ILCombine(First, Second));
}

TPidl PidlCopy(LPCITEMIDLIST List) { return TPidl(ILClone(List)); }

TPidl PidlItemAt(LPCITEMIDLIST List, int Index) {
    const int count = static_cast<int>(PidlItemCount(List));
    if (Index < 0 || Index > count) return nullptr;
    if (Index == count) return PidlAlloc(sizeof(USHORT));
    LPCITEMIDLIST p = List;
    for (int i = 0; i < Index; ++i) p = ILGetNext(p);
    return TPidl(ILCloneFirst(p));
}

TPidl PidlTruncate(LPCITEMIDLIST List, int Count) {
    if (!List) return nullptr;
    TPidl copy = PidlCopy(List);
    if (!copy) return nullptr;
    if (Count < 0) Count = 0;
    LPITEMIDLIST p = copy.get();
    for (int i = 0; i < Count && !ILIsEmpty(p); ++i) p = reinterpret_cast<LPITEMIDLIST>(reinterpret_cast<BYTE*>(p) + p->mkid.cb);
    const USHORT zero = 0;
    std::memcpy(p, &zero, sizeof zero);
    return copy;
}

TPidl PidlLastItem(LPCITEMIDLIST List) {
    const int count = static_cast<int>(PidlItemCount(List));
    if (count == 0) return nullptr;
    return PidlItemAt(List, count - 1);
}

TPidl PathToPidl(IShellFolder* Folder, const WideString& Path) {
    if (Path.empty()) {
        LPITEMIDLIST list = nullptr;
        const HRESULT hr = SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &list);
        if (FAILED(hr)) SetLastError(HRESULT_CODE(hr));
        return TPidl(list);
    }
    std::shared_ptr<IShellFolder> desktop;
    if (!Folder) {
        desktop = DesktopFolder();
        Folder = desktop.get();
    }
    LPITEMIDLIST list = nullptr;
    ULONG eaten = 0;
    const HRESULT hr = Folder->ParseDisplayName(nullptr, nullptr, Path.c_str(), &eaten, &list, nullptr);
    if (FAILED(hr)) {
        SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    return TPidl(list);
}

void FreeStrRet(STRRET& StrRet) {
    if (StrRet.uType == STRRET_WSTR) {
        CoTaskMemFree(StrRet.pOleStr);
        StrRet.pOleStr = nullptr;
    }
}

WideString StrRetToWide(STRRET& StrRet, LPCITEMIDLIST Item) {
    LPWSTR text = nullptr;
    if (FAILED(StrRetToStrW(&StrRet, Item, &text)) || !text) {
        FreeStrRet(StrRet);
        return {};
    }
    WideString result(text);
    CoTaskMemFree(text);
    return result;
}

// ---- Special folders ---------------------------------------------------------------------------

std::shared_ptr<IShellFolder> DesktopFolder() {
    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    return desktop;
}

TPidl SpecialFolderPidl(TNavShellFolder Kind) {
    if (Kind == SF_DESKTOP) return PidlAlloc(sizeof(USHORT));
    const int csidl = ShellFolderCsidl(Kind);
    if (csidl < 0) return nullptr;
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return nullptr;
    return TPidl(list);
}

WideString SpecialFolderPath(TNavShellFolder Kind) {
    TPidl list = SpecialFolderPidl(Kind);
    return list ? PidlToPath(list.get()) : WideString();
}

TNavShellFolder SpecialFolderOfPidl(LPCITEMIDLIST List) {
    // File-system special folders have lists of the form Computer / volume / names, equal
    // exactly when their paths are: compare paths rather than build every list.
    std::vector<platform::ShellItem> items;
    const bool canonical = platform::decodeItemIdList(List, items) && items.size() >= 2 &&
                           items[0].kind == platform::ShellItemKind::Computer &&
                           items[1].kind == platform::ShellItemKind::Volume;
    std::u16string path;
    const bool hasPath = canonical && platform::pathFromIDList(List, &path);
    for (int k = SF_BITBUCKET; k <= SF_COMMON_PROGRAMS; ++k) {
        const auto kind = static_cast<TNavShellFolder>(k);
        if (kind == SF_DESKTOP || kind == SF_DRIVES || kind == SF_BITBUCKET) {
            TPidl special = SpecialFolderPidl(kind);
            if (special && equalLists(special.get(), List)) return kind;
        } else if (hasPath) {
            const std::u16string special = platform::specialFolderPath(ShellFolderCsidl(kind));
            if (!special.empty() && special == path) return kind;
        }
    }
    return SF_FILESYSTEMFOLDER;
}

bool IsNetworkPidl(LPCITEMIDLIST List) {
    TPidl network = SpecialFolderPidl(SF_NETWORK);
    if (!network || ILIsEmpty(List)) return false;
    TPidl first = PidlItemAt(List, 0);
    return equalLists(first.get(), network.get());
}

WideString NetworkRemoteName(IShellFolder* Folder, LPCITEMIDLIST Item) {
    // Network objects would be found below the network folder, which this namespace lacks.
    if (!Folder || !IsNetworkPidl(Item)) return {};
    return {};
}

WideString PidlToPath(LPCITEMIDLIST List) {
    std::u16string path;
    return platform::pathFromIDList(List, &path) ? path : WideString();
}

// ---- Paths and files ------------------------------------------------------------------------------

bool IsRootPath(const WideString& Path) {
    if (Path.empty()) return false;
    WideString p = Path;
    if (p.size() > 1 && p.back() == u'/') p.pop_back();
    if (p == u"/") return true;
    for (const platform::ShellVolume& v : platform::shellVolumes())
        if (wide(v.mountPoint) == p) return true;
    return false;
}

bool IsUncPath(const WideString& Path) {
    return Path.size() > 3 && Path[0] == u'/' && Path[1] == u'/' && Path[2] != u'/' &&
           Path.find(u'/', 2) != WideString::npos;
}

WideString UncServerName(const WideString& Path) {
    if (!IsUncPath(Path)) return {};
    return Path.substr(2, Path.find(u'/', 2) - 2);
}

bool SamePathNoCase(const WideString& A, const WideString& B) {
    return WideExcludeTrailingBackslash(A) == WideExcludeTrailingBackslash(B);
}

bool DriveIsReady(const WideString& Path) {
    if (Path.empty() || Path[0] != u'/') return false;
    const std::string p = raw(Path);
    std::string mount = "/";
    for (const platform::ShellVolume& v : platform::shellVolumes()) {
        const std::string& m = v.mountPoint;
        if (m != "/" && (p == m || p.rfind(m + "/", 0) == 0) && m.size() > mount.size()) mount = m;
    }
    struct statvfs vfs {};
    return ::statvfs(mount.c_str(), &vfs) == 0;
}

bool PathExists(const WideString& Path) {
    if (Path.empty()) return false;
    std::string p = raw(Path);
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

Int64 FileSizeOf(const WideString& Path) {
    if (Path.empty()) return -1;
    const std::string p = raw(Path);
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0 && ::lstat(p.c_str(), &st) != 0) return -1;
    return S_ISDIR(st.st_mode) ? 0 : static_cast<Int64>(st.st_size);
}

WideString WindowsFolder() {
    WCHAR buffer[64] = {};
    const UINT n = GetWindowsDirectoryW(buffer, 64);
    return n > 0 && n < 64 ? WideString(buffer, n) : WideString(u"/");
}

WideString WideTempPath() {
    const DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return {};
    std::u16string buffer(needed + 1, u'\0');
    const DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0 || n >= buffer.size()) return {};
    buffer.resize(n);
    return buffer;
}

bool IsRealEntryName(const WideString& Name) { return Name != u"." && Name != u".."; }

bool MatchesFilter(const WideString& Name, const WideString& Filter) {
    if (Filter == u"*.*") return Name.find(u'.') != WideString::npos;
    return PathMatchSpecW(Name.c_str(), Filter.c_str()) != FALSE;
}

WideString ResolveLinkTarget(const WideString& LinkPath) {
    if (LinkPath.empty()) return {};
    std::string p = raw(LinkPath);
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
    const ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
    if (n <= 0) return {};
    target.resize(static_cast<std::size_t>(n));
    if (target[0] != '/') {
        const std::size_t slash = p.find_last_of('/');
        const std::string dir = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : p.substr(0, slash);
        if (dir[0] != '/') return {};
        target = (dir == "/" ? dir : dir + "/") + target;
    }
    // Lexically clean: "." parts and ".." against the part before.
    std::vector<std::string> parts;
    std::size_t at = 1;
    while (at <= target.size()) {
        std::size_t slash = target.find('/', at);
        if (slash == std::string::npos) slash = target.size();
        const std::string part = target.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    std::string clean;
    for (const std::string& part : parts) clean += "/" + part;
    return wide(clean.empty() ? std::string("/") : clean);
}

std::unique_ptr<TFileNames> FileNamesFromDrop(HDROP Drop) {
    if (!Drop) return nullptr;
    const UINT count = DragQueryFileW(Drop, 0xFFFFFFFFu, nullptr, 0);
    if (count == 0) return nullptr;
    auto names = std::make_unique<TFileNames>();
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(Drop, i, nullptr, 0);
        if (length == 0) break;
        std::u16string buffer(length + 1, u'\0');
        const UINT n = DragQueryFileW(Drop, i, buffer.data(), length + 1);
        if (n == 0) break;
        buffer.resize(n);
        names->Add(buffer);
    }
    return names;
}

std::unique_ptr<TFileNames> FileNamesFromDataObject(const QMimeData* Data) {
    if (!Data) return nullptr;
    HDROP drop = platform::dropFromMimeData(Data);
    if (!drop) return std::make_unique<TFileNames>();
    std::unique_ptr<TFileNames> names = FileNamesFromDrop(drop);
    DragFinish(drop);
    return names ? std::move(names) : std::make_unique<TFileNames>();
}

String SystemErrorText(DWORD Code) {
    switch (Code) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION:
        return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND:
        return "File not found.";
    case ERROR_PATH_NOT_FOUND:
        return "Path not found.";
    case ERROR_TOO_MANY_OPEN_FILES:
        return "Too many open files.";
    case ERROR_ACCESS_DENIED:
        return "Access denied.";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return "Not enough memory.";
    case ERROR_INVALID_DRIVE:
        return "The volume was not found.";
    case ERROR_NOT_SAME_DEVICE:
        return "The file cannot be moved to another volume.";
    case ERROR_WRITE_PROTECT:
        return "The medium is write-protected.";
    case ERROR_SHARING_VIOLATION:
        return "The file is in use.";
    case ERROR_NOT_SUPPORTED:
        return "The request is not supported.";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return "A file of that name already exists.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_DISK_FULL:
        return "There is not enough space on the volume.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The buffer is too small.";
    case ERROR_INVALID_NAME:
        return "The name is not valid.";
    case ERROR_DIR_NOT_EMPTY:
        return "The folder is not empty.";
    case ERROR_FILENAME_EXCED_RANGE:
        return "The name is too long.";
    case ERROR_DIRECTORY:
        return "The name is not a folder.";
    case 1155:
        return "No program is associated with this file.";
    case ERROR_CANCELLED:
        return "The operation was cancelled.";
    default:
        return "Unknown error " + std::to_string(Code) + ".";
    }
}

String SystemErrorTextOfResult(HRESULT Result) {
    if (HRESULT_FACILITY(Result) == FACILITY_WIN32 || SUCCEEDED(Result)) return SystemErrorText(HRESULT_CODE(Result));
    switch (Result) {
    case E_NOINTERFACE:
        return "The object does not offer that interface.";
    case E_NOTIMPL:
        return "Not implemented.";
    case E_FAIL:
        return "Unspecified error.";
    default:
        return "Unknown error " + std::to_string(static_cast<DWORD>(Result)) + ".";
    }
}

void GetIconTitleFont(TFont* Font) {
    if (!Font || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (font.family().isEmpty()) return;
    Font->SetName(WideToAnsi(font.family().toStdU16String()));
    if (font.pointSize() > 0)
        Font->SetSize(font.pointSize());
    else if (font.pixelSize() > 0)
        Font->SetHeight(-font.pixelSize());
}

WideString SystemDriveRoot() { return u"/"; }

// ---- The shell-namespace object ---------------------------------------------------------------------

TShellNamespace::TShellNamespace(TComponent* AOwner)
    : TComponent(AOwner), multiObjects_(std::make_unique<TFileNames>()), filters_(std::make_unique<TFileNames>()) {
    SetFolder(WideString());
}

TShellNamespace::~TShellNamespace() = default;

void TShellNamespace::Loaded() {
    TComponent::Loaded();
    loaded_ = true;
}

void TShellNamespace::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
}

String TShellNamespace::Version() const { return ClassName() + " V1.0"; }

HWND TShellNamespace::OwnerWindow() const {
    if (!showErrorMessages_) return nullptr;
    if (ownerWindow_) return ownerWindow_;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return nullptr;
    if (loaded_)
        if (auto* control = dynamic_cast<TWinControl*>(Owner())) return control->Handle();
    return Application ? Application->Handle() : nullptr;
}

void TShellNamespace::SetFolder(const WideString& Path) {
    if (!Path.empty() && !folderPath_.empty() && WideIncludeTrailingBackslash(Path) == folderPath_) return;
    TPidl list = PathToPidl(nullptr, Path);
    if (!list) throw EShellNamespaceError(SystemErrorText(ERROR_PATH_NOT_FOUND) + sLineBreak + WideToAnsi(Path));
    SetFolderIDList(list.get());
}

WideString TShellNamespace::Folder() const {
    if (PidlItemCount(folderPidl_.get()) == 2 && !folderPath_.empty()) {
        const WideString target = ResolveLinkTarget(WideExcludeTrailingBackslash(folderPath_));
        if (!target.empty()) return WideIncludeTrailingBackslash(target);
    }
    return folderPath_;
}

void TShellNamespace::SetFolderIDList(LPCITEMIDLIST List) {
    if (List && List == folderPidl_.get()) {
        releaseEnumerator();
        return;
    }
    // Copy and bind before anything changes: List may point into this object's own lists.
    TPidl copy = List ? PidlCopy(List) : PidlAlloc(sizeof(USHORT));
    if (!copy) throw EShellNamespaceError(SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
    std::shared_ptr<IShellFolder> desktop = DesktopFolder();
    std::shared_ptr<IShellFolder> bound;
    if (ILIsEmpty(copy.get())) {
        bound = desktop;
    } else {
        std::shared_ptr<IUnknown> object;
        const HRESULT hr = desktop->BindToObject(copy.get(), nullptr, IID_IShellFolder, &object);
        bound = queryInterface<IShellFolder>(object);
        if (FAILED(hr) || !bound)
            throw EShellNamespaceError(
                "ShellNamespace.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (" +
                SystemErrorTextOfResult(FAILED(hr) ? hr : E_NOINTERFACE) + ")");
    }
    details_.reset();
    folder_ = std::move(bound);
    releaseEnumerator();
    folderPidl_ = std::move(copy);
    SetObjectPidl(nullptr);
    const WideString path = PidlToPath(folderPidl_.get());
    folderPath_ = path.empty() ? WideString() : WideIncludeTrailingBackslash(path);
}

TNavShellFolder TShellNamespace::SpecialFolder() const { return SpecialFolderOfPidl(folderPidl_.get()); }

void TShellNamespace::SetSpecialFolder(TNavShellFolder Value) {
    if (ComponentState().Contains(csLoading) && Value == SF_FILESYSTEMFOLDER) return;
    TPidl list = SpecialFolderPidl(Value);
    if (!list) {
        // A folder without a counterpart here, or one whose system folder is missing.
        if (ComponentState().Contains(csLoading)) return;
        throw EShellNamespaceError(
            "ShellNamespace.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (" +
            SystemErrorTextOfResult(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) + ")");
    }
    try {
        SetFolderIDList(list.get());
    } catch (const EShellNamespaceError&) {
    }
}

TPidl TShellNamespace::FolderPidl() const { return PidlCopy(folderPidl_.get()); }

TPidl TShellNamespace::ObjectPidl() const { return PidlCopy(objectPidl_.get()); }

LPCITEMIDLIST TShellNamespace::AbsoluteObjectPidl() const {
    if (!absolutePidl_) absolutePidl_ = objectPidl_ ? PidlConcat(folderPidl_.get(), objectPidl_.get()) : PidlCopy(folderPidl_.get());
    return absolutePidl_.get();
}

void TShellNamespace::SetAbsolutePidl(LPCITEMIDLIST List) {
    TPidl copy = PidlCopy(List);
    const int count = static_cast<int>(PidlItemCount(copy.get()));
    if (count == 0) {
        TPidl desktop = SpecialFolderPidl(SF_DESKTOP);
        SetFolderIDList(desktop.get());
        return;
    }
    TPidl parent = PidlTruncate(copy.get(), count - 1);
    TPidl last = PidlLastItem(copy.get());
    SetFolderIDList(parent.get());
    SetObjectPidl(last.get());
}

void TShellNamespace::SelectFolderObject() { SetAbsolutePidl(folderPidl_.get()); }

bool TShellNamespace::EnterObject() {
    if (!objectPidl_ || !IsFolder()) return false;
    try {
        SetFolderIDList(AbsoluteObjectPidl());
    } catch (const EShellNamespaceError&) {
        return false;
    }
    return folder_ != nullptr;
}

void TShellNamespace::SetObjectPidl(LPCITEMIDLIST List) {
    TPidl copy = List ? PidlCopy(List) : nullptr;
    objectPidl_ = std::move(copy);
    absolutePidl_.reset();
    findFilled_ = false;
    std::memset(&findData_, 0, sizeof findData_);
    hasSubFolders_ = -1;
}

bool TShellNamespace::fileSystemTest() {
    if (GetAttributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR) != 0) return true;
    const WideString name = ObjectName();
    const TNavShellFolder folderKind = SpecialFolderOfPidl(folderPidl_.get());
    if (folderKind == SF_NETWORK) return !name.empty();
    if (upper(name.substr(0, 7)) == u"RECYCLE") return true;
    const TNavShellFolder kind = SpecialFolderOfPidl(AbsoluteObjectPidl());
    return kind == SF_DRIVES || kind == SF_NETWORK;
}

bool TShellNamespace::filterTest() const {
    if (filters_->Count() == 0 || IsFolder()) return true;
    const WideString name = ObjectName();
    for (int i = 0; i < filters_->Count(); ++i)
        if (MatchesFilter(name, filters_->Strings(i))) return true;
    return false;
}

bool TShellNamespace::NextObject() {
    if (!folder_) return false;
    if (!enum_) {
        const HRESULT hr = folder_->EnumObjects(OwnerWindow(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &enum_);
        if (FAILED(hr) || !enum_) {
            enum_.reset();
            return false;
        }
    }
    int faults = 0;
    for (;;) {
        LPITEMIDLIST item = nullptr;
        ULONG fetched = 0;
        HRESULT hr = S_FALSE;
        try {
            hr = enum_->Next(1, &item, &fetched);
        } catch (...) {
            // One more fetch is tried after a fault; its object is tested like any other.
            if (++faults > 1) hr = E_FAIL;
            else continue;
        }
        TPidl own(item);
        if (hr != S_OK || fetched != 1 || !own) {
            releaseEnumerator();
            return false;
        }
        SetObjectPidl(own.get());
        if (fileSystemOnly_ && !fileSystemTest()) continue;
        if (!filterTest()) continue;
        return true;
    }
}

WideString TShellNamespace::Filter() const {
    if (filters_->Count() == 0) return u"*";
    WideString joined;
    for (int i = 0; i < filters_->Count(); ++i) {
        if (i) joined += u';';
        joined += filters_->Strings(i);
    }
    return joined;
}

void TShellNamespace::SetFilter(const WideString& Value) {
    filters_->Clear();
    if (Value.empty() || Value == u"*") return;
    WideString v = Value;
    if (v.back() != u';') v += u';';
    std::size_t at = 0;
    while (at < v.size()) {
        const std::size_t cut = v.find(u';', at);
        filters_->Add(v.substr(at, cut - at));
        at = cut + 1;
    }
}

const WIN32_FIND_DATAW* TShellNamespace::findData() const {
    if (!folder_ || !objectPidl_) return nullptr;
    if (!findFilled_) {
        WIN32_FIND_DATAW data{};
        if (FAILED(SHGetDataFromIDListW(folder_.get(), objectPidl_.get(), SHGDFIL_FINDDATA, &data, sizeof data)) ||
            data.cFileName[0] == 0)
            return nullptr;  // asked again next time
        findData_ = data;
        findFilled_ = true;
    }
    return &findData_;
}

WideString TShellNamespace::ObjectName() const {
    if (!folder_ || !objectPidl_) return {};
    if (const WIN32_FIND_DATAW* d = findData()) return WideString(d->cFileName);
    LPCITEMIDLIST absolute = AbsoluteObjectPidl();
    if (PidlItemCount(absolute) > 1) {
        const WideString path = PidlToPath(absolute);
        if (!path.empty()) return IsRootPath(path) ? path : WideExtractFileName(WideExcludeTrailingBackslash(path));
    }
    return NetworkRemoteName(folder_.get(), objectPidl_.get());
}

void TShellNamespace::SetObjectName(const WideString& Name) {
    if (Name.empty()) {
        SetObjectPidl(nullptr);
        return;
    }
    WideString name = Name;
    if (name.size() > 1 && name.back() == u'/') name.pop_back();
    if (name.find(u'/') == WideString::npos) {
        if (folder_) {
            LPITEMIDLIST list = nullptr;
            if (SUCCEEDED(folder_->ParseDisplayName(OwnerWindow(), nullptr, name.c_str(), nullptr, &list, nullptr)) && list) {
                TPidl own(list);
                SetObjectPidl(own.get());
                return;
            }
        }
        // Not a name the folder parses: look at every object, from the first one.
        releaseEnumerator();
        TPidl caseless;
        while (NextObject()) {
            const WideString display = DisplayName();
            const WideString object = ObjectName();
            if (display == name || object == name) {
                releaseEnumerator();
                return;
            }
            if (!caseless && (sameIgnoringCase(display, name) || sameIgnoringCase(object, name))) caseless = ObjectPidl();
        }
        if (caseless) {
            SetObjectPidl(caseless.get());
            return;
        }
        SetObjectPidl(nullptr);
        throw EShellNamespaceError("Error! Cannot find Object \"" + WideToAnsi(name) + "\" in Folder \"" +
                                   WideToAnsi(folderPath_) + "\"");
    }
    if (name[0] != u'/' && !folderPath_.empty()) name = folderPath_ + name;
    if (IsRootPath(name)) {
        SetFolder(name);
        SelectFolderObject();
        return;
    }
    SetFolder(WideExtractFilePath(name));
    SetObjectName(WideExtractFileName(name));
}

WideString TShellNamespace::DisplayName() const {
    if (!folder_ || !objectPidl_) return {};
    STRRET s{};
    WideString text;
    if (SUCCEEDED(folder_->GetDisplayNameOf(objectPidl_.get(), SHGDN_NORMAL, &s))) text = StrRetToWide(s, objectPidl_.get());
    return text.empty() ? ObjectName() : text;
}

SFGAOF TShellNamespace::GetAttributes(SFGAOF Mask) const {
    if (!folder_ || !objectPidl_) return 0;
    LPCITEMIDLIST items[1] = {objectPidl_.get()};
    SFGAOF attributes = Mask;
    if (FAILED(folder_->GetAttributesOf(1, items, &attributes))) return 0;
    return attributes & Mask;
}

bool TShellNamespace::IsFolder() const {
    return GetAttributes(SFGAO_FOLDER | (fileSystemOnly_ ? SFGAO_FILESYSANCESTOR : 0)) != 0;
}

bool TShellNamespace::IsHidden() const { return GetAttributes(SFGAO_HIDDEN) != 0; }
bool TShellNamespace::IsLink() const { return GetAttributes(SFGAO_LINK) != 0; }
bool TShellNamespace::CanRename() const { return GetAttributes(SFGAO_CANRENAME) != 0; }

bool TShellNamespace::HasSubFolders() const {
    if (!objectPidl_) return true;
    if (hasSubFolders_ < 0) {
        const SFGAOF mask = SFGAO_HASSUBFOLDER | (fileSystemOnly_ ? SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR : 0);
        hasSubFolders_ = (GetAttributes(mask) & SFGAO_HASSUBFOLDER) ? 1 : 0;
    }
    return hasSubFolders_ == 1;
}

bool TShellNamespace::IsZipFolder() const {
    if (ILIsEmpty(folderPidl_.get())) return false;
    return upper(WideExtractFileExt(WideExcludeTrailingBackslash(folderPath_))) == u".ZIP";
}

WideString TShellNamespace::LinkTarget() const {
    if (!IsLink()) return {};
    const WideString target = ResolveLinkTarget(folderPath_ + ObjectName());
    if (target.empty()) return {};
    struct stat st {};
    if (::stat(raw(target).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return target;
}

WideString TShellNamespace::RemoteName() const { return NetworkRemoteName(folder_.get(), objectPidl_.get()); }

TDateTime TShellNamespace::ObjectDateTime() const {
    const WIN32_FIND_DATAW* d = findData();
    if (!d || d->ftLastWriteTime.dwHighDateTime == 0) return 0;
    const auto ticks = (static_cast<ULONGLONG>(d->ftLastWriteTime.dwHighDateTime) << 32) | d->ftLastWriteTime.dwLowDateTime;
    // 100-nanosecond ticks since 1601 to days since 30 December 1899 (109,205 days later).
    return static_cast<double>(ticks) / 864000000000.0 - 109205.0;
}

WideString TShellNamespace::InfoTip(bool Slow) const {
    if (!folder_ || !objectPidl_) return {};
    LPCITEMIDLIST items[1] = {objectPidl_.get()};
    std::shared_ptr<IUnknown> object;
    if (FAILED(folder_->GetUIObjectOf(OwnerWindow(), 1, items, IID_IQueryInfo, nullptr, &object))) return {};
    auto info = queryInterface<IQueryInfo>(object);
    LPWSTR tip = nullptr;
    if (!info || FAILED(info->GetInfoTip(Slow ? QITIPF_USESLOWTIP : QITIPF_DEFAULT, &tip)) || !tip) return {};
    WideString text(tip);
    CoTaskMemFree(tip);
    return text;
}

namespace {

int iconOf(LPCITEMIDLIST list, UINT flags) {
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof info, flags | SHGFI_PIDL)) return -1;
    return info.iIcon;
}

}  // namespace

int TShellNamespace::SmallIconIndex() const {
    return iconOf(AbsoluteObjectPidl(), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
}

int TShellNamespace::OpenSmallIconIndex() const {
    return iconOf(AbsoluteObjectPidl(), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
}

int TShellNamespace::DesktopIconIndex() const {
    TPidl desktop = PidlAlloc(sizeof(USHORT));
    return iconOf(desktop.get(), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
}

WideString TShellNamespace::DesktopName() const {
    TPidl desktop = PidlAlloc(sizeof(USHORT));
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(reinterpret_cast<LPCWSTR>(desktop.get()), 0, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_PIDL))
        return {};
    return WideString(info.szDisplayName);
}

int TShellNamespace::OverlayIndex() const {
    if (!folder_ || !objectPidl_) return -1;
    if (PlatformHasWideApi()) {
        if (auto overlay = std::dynamic_pointer_cast<IShellIconOverlay>(folder_)) {
            int index = -1;
            try {
                if (FAILED(overlay->GetOverlayIndex(objectPidl_.get(), &index))) return -1;
                return index - 1;
            } catch (...) {
            }
        }
    }
    const SFGAOF a = GetAttributes(SFGAO_LINK | SFGAO_SHARE);
    return (a & SFGAO_LINK) ? 1 : (a & SFGAO_SHARE) ? 0 : -1;
}

HBITMAP TShellNamespace::ExtractThumbnail(int Width, int Height) {
    if (Width <= 0 || Height <= 0) Width = Height = 200;
    auto image = queryInterface<IExtractImage>(GetUIObject(IID_IExtractImage));
    if (!image) return nullptr;
    WCHAR location[MAX_PATH] = {};
    DWORD priority = 0;
    const SIZE size{Width, Height};
    DWORD flags = IEIFLAG_SCREEN | IEIFLAG_QUALITY;
    const HRESULT hr = image->GetLocation(location, MAX_PATH, &priority, &size, 24, &flags);
    if (FAILED(hr) && hr != E_PENDING) return nullptr;
    HBITMAP bitmap = nullptr;
    if (FAILED(image->Extract(&bitmap))) return nullptr;
    return bitmap;
}

void TShellNamespace::BindDetails() { details_ = std::dynamic_pointer_cast<IShellFolder2>(folder_); }

int TShellNamespace::ColumnInfo(int Column, int& Width) {
    if (!details_) BindDetails();
    SHELLDETAILS d{};
    if (!details_ || Column < 0 || FAILED(details_->GetDetailsOf(nullptr, static_cast<UINT>(Column), &d))) {
        Width = 120;
        return LVCFMT_LEFT;
    }
    FreeStrRet(d.str);
    const int alignment = d.fmt == LVCFMT_RIGHT ? 1 : d.fmt == LVCFMT_CENTER ? 2 : 0;
    Width = d.cxChar * 7;
    SHCOLSTATEF state = 0;
    if (SUCCEEDED(details_->GetDefaultColumnState(static_cast<UINT>(Column), &state)) &&
        (!(state & SHCOLSTATE_ONBYDEFAULT) || (state & SHCOLSTATE_HIDDEN)))
        Width = 0;
    return alignment;
}

WideString TShellNamespace::DetailsText(int Column, bool Header) {
    if (Column < 0) return {};
    if (Column == 0 && !Header) return DisplayName();
    if (!details_) BindDetails();
    if (!details_ || (!Header && !objectPidl_)) return {};
    SHELLDETAILS d{};
    if (FAILED(details_->GetDetailsOf(Header ? nullptr : objectPidl_.get(), static_cast<UINT>(Column), &d))) return {};
    return StrRetToWide(d.str, objectPidl_.get());
}

std::shared_ptr<IUnknown> TShellNamespace::GetUIObject(REFIID Riid) {
    std::vector<TPidl> lists;
    std::shared_ptr<IShellFolder> folder = folder_;
    HRESULT hr = S_OK;
    const int entries = multiObjects_->Count();
    auto parseIn = [&](IShellFolder* f, const WideString& name) -> TPidl {
        LPITEMIDLIST list = nullptr;
        if (!f || FAILED(f->ParseDisplayName(OwnerWindow(), nullptr, name.c_str(), nullptr, &list, nullptr))) return nullptr;
        return TPidl(list);
    };
    try {
        if (entries == 0) {
            if (objectPidl_) lists.push_back(PidlCopy(objectPidl_.get()));
        } else if (entries == 1) {
            const WideString entry = multiObjects_->Strings(0);
            if (entry.find(u'/') != WideString::npos) {
                SetObjectName(entry);
                folder = folder_;
                if (objectPidl_) lists.push_back(PidlCopy(objectPidl_.get()));
            } else if (TPidl list = parseIn(folder_.get(), entry)) {
                lists.push_back(std::move(list));
            }
        } else {
            bool absolute = false;
            for (int i = 0; i < entries; ++i) absolute = absolute || (!multiObjects_->Strings(i).empty() && multiObjects_->Strings(i)[0] == u'/');
            if (absolute) {
                // Full paths are taken relative to the file system's root; the folder stays.
                TPidl rootList = PathToPidl(nullptr, u"/");
                std::shared_ptr<IUnknown> object;
                if (rootList) DesktopFolder()->BindToObject(rootList.get(), nullptr, IID_IShellFolder, &object);
                folder = queryInterface<IShellFolder>(object);
                for (int i = 0; folder && i < entries; ++i) {
                    WideString path = multiObjects_->Strings(i);
                    if (path.empty() || path[0] != u'/') path = folderPath_.empty() ? WideString() : folderPath_ + path;
                    TPidl list = path.size() > 1 ? parseIn(folder.get(), path.substr(1)) : nullptr;
                    if (!list) {
                        lists.clear();
                        break;
                    }
                    lists.push_back(std::move(list));
                }
            } else {
                TPidl kept = ObjectPidl();
                for (int i = 0; i < entries; ++i) {
                    const WideString name = multiObjects_->Strings(i);
                    TPidl list = parseIn(folder_.get(), name);
                    if (!list) {
                        try {
                            SetObjectName(name);
                            list = ObjectPidl();
                        } catch (const EShellNamespaceError&) {
                        }
                    }
                    if (!list) {
                        lists.clear();
                        break;
                    }
                    lists.push_back(std::move(list));
                }
                SetObjectPidl(kept.get());
            }
        }
    } catch (const EShellNamespaceError&) {
        lists.clear();
    }
    multiObjects_->Clear();
    if (lists.empty() || !folder) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    std::vector<LPCITEMIDLIST> items;
    for (const TPidl& l : lists) items.push_back(l.get());
    std::shared_ptr<IUnknown> object;
    hr = folder->GetUIObjectOf(OwnerWindow(), static_cast<UINT>(items.size()), items.data(), Riid, nullptr, &object);
    if (FAILED(hr)) {
        SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    return object;
}

bool TShellNamespace::RenameObject(WideString& Name) {
    if (!folder_ || !objectPidl_) return false;
    WaitCursor wait;
    LPITEMIDLIST renamed = nullptr;
    const HRESULT hr = folder_->SetNameOf(OwnerWindow(), objectPidl_.get(), Name.c_str(), SHGDN_INFOLDER, &renamed);
    if (FAILED(hr)) {
        SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INVALID_FUNCTION);
        return false;
    }
    if (renamed) {
        TPidl own(renamed);
        SetObjectPidl(own.get());
    }
    Name = DisplayName();
    return true;
}

WideString TShellNamespace::verbTargetPath() const {
    if (multiObjects_->Count() > 0) {
        const WideString first = multiObjects_->Strings(0);
        return !first.empty() && first[0] == u'/' ? first : folderPath_ + first;
    }
    const WideString name = ObjectName();
    if (name.empty()) return {};
    return name[0] == u'/' ? name : folderPath_ + name;
}

namespace {

constexpr UINT kFirstProgramCommand = 256;

String lowerAscii(String s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

WideString longHint(const WideString& hint) {
    const std::size_t bar = hint.find(u'|');
    return bar == WideString::npos ? hint : hint.substr(bar + 1);
}

// What the copied program items answer while the menu is shown.
struct CopiedItems {
    std::map<UINT, std::function<void()>> clicks;
    std::map<UINT, WideString> hints;        // by command
    std::map<HMENU, WideString> menuHints;  // sub-menus, by handle
    std::size_t count = 0;                  // entries of the top level
};

// Appends the program's items to a menu, commands from 256 up; sub-menus become menus of
// their own, and shortcuts follow a tab as in the class library's menus.
void copyItems(const std::vector<TShellMenuItem>& from, HMENU to, UINT& next, CopiedItems& copied, bool top) {
    for (const TShellMenuItem& item : from) {
        if (!item.Visible) continue;
        if (top) ++copied.count;
        if (item.Caption == u"-") {
            AppendMenuW(to, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        WideString text = item.Caption;
        if (!item.ShortCut.empty() && item.Items.empty()) text += u"\t" + item.ShortCut;
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
        info.fType = MFT_STRING | (item.RadioItem ? MFT_RADIOCHECK : 0);
        info.fState = (item.Enabled ? 0 : MFS_GRAYED) | (item.Checked ? MFS_CHECKED : 0) | (item.Default ? MFS_DEFAULT : 0);
        info.dwTypeData = const_cast<LPWSTR>(text.c_str());
        info.wID = next++;
        if (!item.Items.empty()) {
            HMENU sub = CreatePopupMenu();
            copyItems(item.Items, sub, next, copied, false);
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = sub;
            copied.menuHints[sub] = longHint(item.Hint);
        } else {
            copied.clicks[info.wID] = item.OnClick;
            copied.hints[info.wID] = longHint(item.Hint);
        }
        InsertMenuItemW(to, static_cast<UINT>(GetMenuItemCount(to)), TRUE, &info);
    }
}

HRESULT invokeOffset(IContextMenu* menu, HWND owner, UINT offset) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA_VERB(offset);
    info.nShow = 1;
    return menu->InvokeCommand(&info);
}

}  // namespace

namespace {

void copyMenuItems(TMenuItem* from, std::vector<TShellMenuItem>& to) {
    for (int i = 0; i < from->Count(); ++i) {
        TMenuItem* source = from->Items(i);
        TShellMenuItem copy;
        copy.Name = source->Name().empty() ? String() : source->Name() + "2";
        copy.Caption = AnsiToWide(source->Caption());
        copy.Hint = AnsiToWide(source->Hint());
        copy.Enabled = source->Enabled();
        copy.Checked = source->Checked();
        copy.Visible = source->Visible();
        copy.RadioItem = source->RadioItem();
        copy.Default = source->Default();
        copy.ShortCut = AnsiToWide(ShortCutToText(source->ShortCut()));
        copy.Tag = source->Tag();
        copy.OnClick = [source] { source->Click(); };
        copyMenuItems(source, copy.Items);
        to.push_back(std::move(copy));
    }
}

}  // namespace

void TPopupMenuItems::Popup() {
    if (menu_ && menu_->OnPopup) menu_->OnPopup(menu_);
}

std::vector<TShellMenuItem> TPopupMenuItems::MenuItems() {
    std::vector<TShellMenuItem> items;
    if (menu_) copyMenuItems(menu_->Items(), items);
    return items;
}

String TShellNamespace::ShowContextMenu(POINT At, TPopupMenu* Menu) {
    if (!Menu) return ShowContextMenu(At, static_cast<IShellMenuSource*>(nullptr));
    TPopupMenuItems items(Menu);
    return ShowContextMenu(At, &items);
}

String TShellNamespace::ShowContextMenu(POINT At, IShellMenuSource* Menu) {
    const WideString target = verbTargetPath();
    contextMenu_ = queryInterface<IContextMenu>(GetUIObject(IID_IContextMenu));
    if (!contextMenu_) return {};
    struct Release {
        std::shared_ptr<IContextMenu>& menu;
        ~Release() { menu.reset(); }
    } release{contextMenu_};
    std::shared_ptr<IContextMenu> cm = contextMenu_;

    struct MenuHandle {
        HMENU menu = CreatePopupMenu();
        ~MenuHandle() { DestroyMenu(menu); }
    } popup;
    CopiedItems copied;
    if (Menu) {
        Menu->Popup();
        UINT next = kFirstProgramCommand;
        copyItems(Menu->MenuItems(), popup.menu, next, copied, true);
    }
    const UINT flags = CMF_EXPLORE | (OnRename ? CMF_CANRENAME : 0);
    const UINT at = showContextMenuOnTop_ ? 0 : static_cast<UINT>(copied.count);
    if (FAILED(cm->QueryContextMenu(popup.menu, at, 1, 255, flags))) return {};
    const int total = GetMenuItemCount(popup.menu);
    if (copied.count && total > static_cast<int>(copied.count)) {
        // A line between the program's items and the shell's.
        const UINT line = showContextMenuOnTop_ ? static_cast<UINT>(total) - static_cast<UINT>(copied.count) : at;
        InsertMenuW(popup.menu, line, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    }

    // The window that serves the menu: hints of the program's items and of the shell's.
    const auto setHint = [](const WideString& hint) {
        if (Application) Application->SetHint(WideToAnsi(hint));
    };
    HWND server = nullptr;
    server = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_MENUSELECT) {
            const UINT id = LOWORD(m.WParam);
            const UINT menuFlags = HIWORD(m.WParam);
            if (menuFlags == 0xFFFF && m.LParam == 0) {
                setHint({});
            } else if ((menuFlags & MF_POPUP) || id == 0 || id > 255) {
                WideString hint;
                if (menuFlags & MF_POPUP) {
                    const auto it = copied.menuHints.find(GetSubMenu(reinterpret_cast<HMENU>(m.LParam), static_cast<int>(id)));
                    if (it != copied.menuHints.end()) hint = it->second;
                } else if (const auto it = copied.hints.find(id); it != copied.hints.end()) {
                    hint = it->second;
                }
                setHint(hint);
            } else {
                WCHAR help[261] = {};
                const HRESULT hr = cm->GetCommandString(id - 1, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(help), 261);
                setHint(SUCCEEDED(hr) ? WideString(reinterpret_cast<const char16_t*>(help)) : WideString());
            }
        }
        m.Result = DefWindowProcA(server, m.Msg, m.WParam, m.LParam);
    });
    struct Server {
        HWND window;
        ~Server() { DeallocateHWnd(window); }
    } serverGuard{server};
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(popup.menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, At.x, At.y, 0, server, nullptr));
    if (chosen == 0) return {};
    if (chosen >= kFirstProgramCommand) {
        if (const auto it = copied.clicks.find(chosen); it != copied.clicks.end() && it->second) it->second();
        return {};
    }
    char verbBuffer[64] = {};
    if (FAILED(cm->GetCommandString(chosen - 1, GCS_VERBA, nullptr, verbBuffer, sizeof verbBuffer))) return {};
    const String verb = verbBuffer;
    const String lower = lowerAscii(verb);
    bool execute = true;
    if (OnContextMenuSelect)
        OnContextMenuSelect(this, verb, execute);
    else
        execute = !(restrictMenu_ && (lower == "delete" || lower == "cut" || lower == "paste"));
    if (!execute) return {};
    if (lower == "rename" && OnRename) {
        OnRename(this);
        return verb;
    }
    WaitCursor wait;
    const HRESULT hr = invokeOffset(cm.get(), OwnerWindow(), chosen - 1);
    if (FAILED(hr)) {
        SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INVALID_FUNCTION);
        return {};
    }
    if (lower == "delete" && !target.empty() && PathExists(target)) return {};
    return verb;
}

bool TShellNamespace::ExecuteVerb(const String& Verb) {
    struct ClearMulti {
        TFileNames* names;
        ~ClearMulti() { names->Clear(); }
    } clear{multiObjects_.get()};
    if (OnContextMenuSelect) {
        bool execute = true;
        OnContextMenuSelect(this, Verb, execute);
        if (!execute) return false;
    }
    const String verb = Verb.empty() ? String("default") : Verb;
    if (!objectPidl_ && multiObjects_->Count() == 0) return false;
    const String lower = lowerAscii(verb);
    if (lower == "delete" && multiObjects_->Count() == 0 && !(GetAttributes(SFGAO_CANDELETE) & SFGAO_CANDELETE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (lower == "rename") {
        // The view edits the name in place; without it nothing would happen.
        if (!OnRename) return false;
        OnRename(this);
        return true;
    }
    const WideString target = verbTargetPath();
    WaitCursor wait;
    auto cm = queryInterface<IContextMenu>(GetUIObject(IID_IContextMenu));
    if (!cm) return false;
    HRESULT hr = S_OK;
    struct MenuHandle {
        HMENU menu = CreatePopupMenu();
        ~MenuHandle() { DestroyMenu(menu); }
    } built;
    const HMENU menu = built.menu;
    if (lower == "default") {
        hr = cm->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_DEFAULTONLY);
        if (SUCCEEDED(hr)) {
            const int command = static_cast<int>(GetMenuDefaultItem(menu, FALSE, 0));
            if (command < 1) {
                SetLastError(1155);  // no default verb
                return false;
            }
            hr = invokeOffset(cm.get(), OwnerWindow(), static_cast<UINT>(command) - 1);
        }
    } else {
        hr = cm->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_EXPLORE);
        if (SUCCEEDED(hr)) {
            CMINVOKECOMMANDINFO info{};
            info.cbSize = sizeof info;
            info.hwnd = OwnerWindow();
            info.lpVerb = verb.c_str();
            info.nShow = 1;
            hr = cm->InvokeCommand(&info);
        }
    }
    if (FAILED(hr)) {
        SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INVALID_FUNCTION);
        return false;
    }
    if (lower == "delete" && !target.empty() && PathExists(target)) return false;
    return true;
}

// ---- History --------------------------------------------------------------------------------------

TPidlHistory::TPidlHistory() = default;

TPidlHistory::~TPidlHistory() {
    for (int i = Count() - 1; i >= 0; --i) CoTaskMemFree(TList::Items(i));
    TList::Clear();
}

void TPidlHistory::Add(TPidl List) {
    if (!List) return;
    for (int i = Count() - 1; i > index_; --i) {
        CoTaskMemFree(TList::Items(i));
        TList::Delete(i);
    }
    index_ = TList::Add(List.release());
}

void TPidlHistory::Delete(int Index) {
    void* item = TList::Items(Index);  // raises EListError for a bad index
    TList::Delete(Index);
    CoTaskMemFree(item);
    if (index_ > Index || index_ >= Count()) --index_;
    if (index_ < 0) index_ = 0;
}

void TPidlHistory::Forward(int Steps) {
    if (Count() == 0 || Steps <= 0) return;
    index_ = std::min(index_ + Steps, Count() - 1);
}

void TPidlHistory::Back(int Steps) {
    if (Count() == 0 || Steps <= 0) return;
    index_ = std::max(index_ - Steps, 0);
}
