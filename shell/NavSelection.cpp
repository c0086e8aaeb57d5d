// The check-box selection list, its size counts and its state images.
#include "shell/NavSelection.h"

#include "platform/gdi.h"
#include "platform/winpaint.h"
#include "shell/ShellControlsCommon.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <vector>

namespace {

std::string raw(const WideString& s) { return platform::wideToFileName(s); }
WideString wide(const std::string& s) { return platform::fileNameToWide(s); }

const WideString kFolderMark = u"/*";

bool isFolderEntry(const WideString& e) { return e.size() >= 2 && e.compare(e.size() - 2, 2, kFolderMark) == 0; }
// The path an entry stands for ("/" for "/*").
WideString entryPath(const WideString& e) {
    if (!isFolderEntry(e)) return e;
    const WideString base = e.substr(0, e.size() - 2);
    return base.empty() ? WideString(u"/") : base;
}
WideString withoutSlash(WideString p) {
    while (p.size() > 1 && p.back() == u'/') p.pop_back();
    return p;
}
// Whether `path` lies strictly below `base`.
bool below(const WideString& path, const WideString& base) {
    if (base == u"/") return path.size() > 1 && path[0] == u'/';
    return path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == u'/';
}
WideString join(const WideString& folder, const WideString& name) {
    return folder == u"/" ? u"/" + name : folder + u"/" + name;
}
bool isDirectory(const WideString& path) {
    struct stat st {};
    return ::lstat(raw(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// ---- The count ------------------------------------------------------------------------------

TNavFolderSizeThread::TNavFolderSizeThread(TObject* Owner, const WideString& Path, bool Recursive)
    : TBasicWorkItem(Owner), FPath(Path), FRecursive(Recursive) {}

void TNavFolderSizeThread::Execute() {
    const WideString path = entryPath(FPath);
    struct stat st {};
    if (::lstat(raw(path).c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        ++FFiles;
        FBytes += static_cast<unsigned long long>(st.st_size);
        return;
    }
    // An explicit stack of folders; links are never entered.
    std::vector<std::string> folders{raw(path)};
    while (!folders.empty()) {
        if (CheckPaused()) return;
        const std::string folder = folders.back();
        folders.pop_back();
        DIR* d = ::opendir(folder.c_str());
        if (!d) continue;
        while (dirent* e = ::readdir(d)) {
            if (Aborted()) break;
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string child = folder == "/" ? "/" + name : folder + "/" + name;
            struct stat cs {};
            if (::lstat(child.c_str(), &cs) != 0) continue;
            if (S_ISDIR(cs.st_mode)) {
                ++FFolders;
                if (FRecursive) folders.push_back(child);
            } else {
                ++FFiles;
                FBytes += static_cast<unsigned long long>(cs.st_size);
            }
        }
        ::closedir(d);
    }
}

// ---- The base list --------------------------------------------------------------------------

TNavBaseSelectionList::TNavBaseSelectionList(TComponent* AOwner)
    : TComponent(AOwner), FPaths(std::make_unique<TFileNames>()) {
    FPaths->SetCaseSensitive(true);
}

TNavBaseSelectionList::~TNavBaseSelectionList() {
    // No count may report to a list that is gone.
    cancelAll();
}

void TNavBaseSelectionList::cancelAll() {
    for (auto& [entry, job] : FPending) job->Abort();
    if (TWorkerThreadPool* pool = FolderSizeThreadPool()) pool->CancelWorkItems(this);
    FPending.clear();
}

void TNavBaseSelectionList::Clear() {
    cancelAll();
    FPaths->Clear();
    FCounted.clear();
    FTotals = Totals();
}

void TNavBaseSelectionList::SetPaths(TFileNames* Value) {
    Clear();
    if (!Value) return;
    for (int i = 0; i < Value->Count(); ++i) Add(Value->Strings(i));
}

void TNavBaseSelectionList::Add(const WideString& Entry) {
    if (Entry.empty() || FPaths->IndexOf(Entry) >= 0) return;
    FPaths->Add(Entry);
    if (FCalculateSizes) startCount(Entry);
}

void TNavBaseSelectionList::Remove(const WideString& Entry) {
    const int i = FPaths->IndexOf(Entry);
    if (i < 0) return;
    FPaths->Delete(i);
    if (auto p = FPending.find(Entry); p != FPending.end()) {
        p->second->Abort();
        FPending.erase(p);
        if (FPending.empty() && OnCompletedCalculateFiles) OnCompletedCalculateFiles(this);
    }
    if (auto c = FCounted.find(Entry); c != FCounted.end()) {
        FTotals.Files -= c->second.Files;
        FTotals.Folders -= c->second.Folders;
        FTotals.Bytes -= c->second.Bytes;
        FCounted.erase(c);
    }
}

void TNavBaseSelectionList::startCount(const WideString& Entry) {
    auto job = std::make_shared<TNavFolderSizeThread>(this, Entry, true);
    job->SetOnDone(TWorkItemEvent([this](TBasicWorkItem* Sender) { counted(static_cast<TNavFolderSizeThread*>(Sender)); }));
    FPending[Entry] = job;
    if (TWorkerThreadPool* pool = FolderSizeThreadPool()) {
        pool->AddWorkItem(job);
    } else {
        job->Execute();
        counted(job.get());
    }
}

void TNavBaseSelectionList::counted(TNavFolderSizeThread* Job) {
    // A cancelled count adds nothing, not even what it had found.
    auto p = FPending.find(Job->Path());
    if (Job->Aborted() || p == FPending.end() || p->second.get() != Job) return;
    FPending.erase(p);
    const Totals t{Job->FileCount(), Job->FolderCount(), Job->ByteSum()};
    FCounted[Job->Path()] = t;
    FTotals.Files += t.Files;
    FTotals.Folders += t.Folders;
    FTotals.Bytes += t.Bytes;
    if (FPending.empty() && OnCompletedCalculateFiles) OnCompletedCalculateFiles(this);
}

// ---- Check states ---------------------------------------------------------------------------

TNavSelectionList::TNavSelectionList(TComponent* AOwner, TNavShellLink* Link)
    : TNavBaseSelectionList(AOwner), FLink(Link) {}

int TNavSelectionList::CheckState(const WideString& Path) const {
    if (Path.empty()) return csNoCheck;
    const WideString path = withoutSlash(Path);
    // What cannot be asked about (a volume not ready, a name that is gone) takes no check.
    struct statvfs vfs {};
    if (::statvfs(raw(path).c_str(), &vfs) != 0) return csNoCheck;
    bool partly = false;
    for (int i = 0; i < Paths()->Count(); ++i) {
        const WideString entry = Paths()->Strings(i);
        const WideString at = entryPath(entry);
        if (at == path || (isFolderEntry(entry) && below(path, at))) return csChecked;
        if (below(at, path)) partly = true;
    }
    return partly ? csPartly : csUnchecked;
}

int TNavSelectionList::CheckStateOfList(LPCITEMIDLIST Absolute) const {
    switch (SpecialFolderOfPidl(Absolute)) {
    case SF_DRIVES: return Paths()->Count() > 0 ? csPartly : csNoCheck;
    case SF_NETWORK:
    case SF_NETHOOD: return csNoCheck;
    default: return CheckState(PidlToPath(Absolute));
    }
}

int TNavSelectionList::Toggle(const WideString& Path, bool IsFolder) {
    TShellWaitCursor wait;
    const WideString path = withoutSlash(Path);
    const int state = CheckState(path);
    if (state == csNoCheck) return state;
    const WideString own = path == u"/" ? WideString(kFolderMark) : path + kFolderMark;
    if (state == csChecked) {
        if (Paths()->IndexOf(path) >= 0 || Paths()->IndexOf(own) >= 0) {
            Remove(path);
            Remove(own);
        } else {
            for (int i = 0; i < Paths()->Count(); ++i) {
                const WideString entry = Paths()->Strings(i);
                if (isFolderEntry(entry) && below(path, entryPath(entry))) {
                    split(entryPath(entry), path);
                    break;
                }
            }
        }
    } else {
        // What lies below is covered now.
        std::vector<WideString> covered;
        for (int i = 0; i < Paths()->Count(); ++i)
            if (below(entryPath(Paths()->Strings(i)), path)) covered.push_back(Paths()->Strings(i));
        for (const WideString& e : covered) Remove(e);
        Add(IsFolder ? own : path);
    }
    if (OnChange) OnChange(this);
    return CheckState(path);
}

// The folder Base was checked as a whole; Path below it is unchecked: Base goes, and on the
// way down to Path every other child is checked on its own.
void TNavSelectionList::split(const WideString& Base, const WideString& Path) {
    Remove(Base == u"/" ? WideString(kFolderMark) : Base + kFolderMark);
    WideString folder = Base;
    while (folder != Path) {
        const std::size_t start = folder == u"/" ? 1 : folder.size() + 1;
        const std::size_t end = Path.find(u'/', start);
        const WideString next = Path.substr(0, end);
        std::vector<std::string> names;
        if (DIR* d = ::opendir(raw(folder).c_str())) {
            while (dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
            ::closedir(d);
        }
        for (const std::string& name : names) {
            const WideString child = join(folder, wide(name));
            if (child == next) continue;
            Add(isDirectory(child) ? child + kFolderMark : child);
        }
        folder = next;
    }
}

// ---- State images ---------------------------------------------------------------------------

TNavSelectionStateImageList::TNavSelectionStateImageList(TComponent* AOwner) : TCustomImageList(16, 16, AOwner) {
    struct Image {
        COLORREF back;
        UINT state;
    };
    const Image images[] = {{0xFFFFFF, 0}, {0x0000FF, DFCS_INACTIVE}, {0x0000FF, DFCS_CHECKED}, {0x0000FF, 0},
                            {0x0000FF, DFCS_CHECKED | DFCS_INACTIVE}};
    HDC dc = CreateCompatibleDC(nullptr);
    for (const Image& image : images) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap) continue;
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, 16, 16};
        HBRUSH brush = CreateSolidBrush(image.back);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        RECT box{2, 2, 15, 15};
        DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | image.state);
        SelectObject(dc, old);
        ImageList_AddMasked(Handle(), bitmap, 0x0000FF);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
}
