// The filter combo box, the folder and file lists, and the registration of the poster
// window's control classes.
#include "classlib/FileCtrl.h"
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Menus.h"

#include "platform/fileapi.h"

#include <algorithm>

TFilterComboBox::TFilterComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
    SetStyle(csDropDownList);
    SetFilter("All files (*.*)|*.*");
}

void TFilterComboBox::SetFilter(const String& v) {
    FFilter = v;
    FMasks.clear();
    Items()->BeginUpdate();
    Items()->Clear();
    std::size_t start = 0;
    std::vector<String> parts;
    for (;;) {
        const std::size_t p = v.find('|', start);
        parts.push_back(v.substr(start, p == String::npos ? String::npos : p - start));
        if (p == String::npos) break;
        start = p + 1;
    }
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        if (parts[i].empty() && i + 1 >= parts.size()) break;
        Items()->Add(parts[i]);
        // An entry without a mask part takes its caption as the mask.
        FMasks.push_back(i + 1 < parts.size() ? parts[i + 1] : parts[i]);
    }
    Items()->EndUpdate();
    SetItemIndex(FMasks.empty() ? -1 : 0);
}

String TFilterComboBox::Mask() const {
    const int i = ItemIndex();
    if (i < 0 || i >= static_cast<int>(FMasks.size())) return "*.*";
    return FMasks[static_cast<std::size_t>(i)];
}

// ---- Folders and masks -------------------------------------------------------------------

namespace {

// Folder text without a trailing "/", except the root.
String folderText(const String& Path) {
    String r = ExpandFileName(Path);
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    return r;
}

// v taken relative to Base (the current folder when Base is empty).
String resolveFolder(const String& v, const String& Base) {
    const String base = Base.empty() ? GetCurrentDir() : Base;
    if (v.empty()) return folderText(base);
    if (v[0] == '/') return folderText(v);
    return folderText(IncludeTrailingPathDelimiter(base) + v);
}

String childPath(const String& Folder, const String& Name) { return IncludeTrailingPathDelimiter(Folder) + Name; }

// Names of the visible entries of Folder that are folders (or, with Folders false, not
// folders), sorted without regard to case, then by their bytes.
std::vector<String> listFolder(const String& Folder, bool Folders) {
    std::vector<String> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(childPath(Folder, "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const String name = data.cFileName;
        if (name.empty() || name == "." || name == "..") continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) || name[0] == '.') continue;
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder == Folders) names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end(), [](const String& a, const String& b) {
        const int c = CompareText(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

}  // namespace

bool MatchesFileMask(const String& Name, const String& Masks) {
    const std::u16string name = platform::fileNameToWide(platform::ansiToFileName(Name));
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = Masks.find(';', start);
        const String mask = Trim(Masks.substr(start, end == String::npos ? String::npos : end - start));
        if (!mask.empty() && platform::wildcardMatch(name, platform::fileNameToWide(platform::ansiToFileName(mask))))
            return true;
        if (end == String::npos) return false;
        start = end + 1;
    }
}

// ---- File list ---------------------------------------------------------------------------

TFileListBox::TFileListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
    FDirectory = resolveFolder(String(), String());
    ReadFileNames();
}

void TFileListBox::SetDirectory(const String& v) {
    const String folder = resolveFolder(v, FDirectory);
    if (folder == FDirectory) return;
    FDirectory = folder;
    ReadFileNames();
}

void TFileListBox::SetMask(const String& v) {
    if (v == FMask) return;
    FMask = v;
    ReadFileNames();
}

void TFileListBox::ReadFileNames() {
    Items()->BeginUpdate();
    Items()->Clear();
    for (const String& name : listFolder(FDirectory, false))
        if (MatchesFileMask(name, FMask)) Items()->Add(name);
    Items()->EndUpdate();
    SetItemIndex(-1);
}

void TFileListBox::Update() {
    const int i = ItemIndex();
    const String chosen = i >= 0 && i < Count() ? Items()->Strings(i) : String();
    ReadFileNames();
    if (!chosen.empty()) SetItemIndex(Items()->IndexOf(chosen));
    TCustomListBox::Update();
}

String TFileListBox::FileName() const {
    const int i = ItemIndex();
    if (i < 0 || i >= Count()) return String();
    return childPath(FDirectory, Items()->Strings(i));
}

void TFileListBox::SetFileName(const String& v) {
    const String folder = ExtractFileDir(v);
    if (!folder.empty()) SetDirectory(folder);
    const String name = ExtractFileName(v);
    int found = -1;
    for (int i = 0; i < Count() && !name.empty(); ++i)
        if (Items()->Strings(i) == name) found = i;
    SetItemIndex(found);
}

void TFileListBox::Click() {
    TCustomListBox::Click();
    Change();
}

void TFileListBox::Change() { OnChange(this); }

// ---- Folder list -------------------------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
    FDirectory = resolveFolder(String(), String());
    ReadDirectoryNames();
}

void TDirectoryListBox::SetDirectory(const String& v) {
    const String folder = resolveFolder(v, FDirectory);
    if (!DirectoryExists(folder)) {
        EOSError e("Folder not found: " + folder);
        e.ErrorCode = ERROR_PATH_NOT_FOUND;
        throw e;
    }
    if (folder == FDirectory) return;
    FDirectory = folder;
    ReadDirectoryNames();
    Change();
}

void TDirectoryListBox::SetFileList(TFileListBox* v) {
    if (FFileList == v) return;
    if (FFileList) FFileList->RemoveFreeNotification(this);
    FFileList = v;
    if (FFileList) {
        FFileList->FreeNotification(this);
        FFileList->SetDirectory(FDirectory);
    }
}

void TDirectoryListBox::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomListBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFileList) FFileList = nullptr;
}

void TDirectoryListBox::ReadDirectoryNames() {
    FPaths.clear();
    std::vector<String> captions;
    // The root, then one item per folder of the path.
    FPaths.push_back("/");
    captions.push_back("/");
    std::size_t start = 1;
    String indent;
    while (start < FDirectory.size()) {
        std::size_t end = FDirectory.find('/', start);
        if (end == String::npos) end = FDirectory.size();
        indent += "    ";
        FPaths.push_back(FDirectory.substr(0, end));
        captions.push_back(indent + FDirectory.substr(start, end - start));
        start = end + 1;
    }
    const int current = static_cast<int>(FPaths.size()) - 1;
    indent += "    ";
    for (const String& name : listFolder(FDirectory, true)) {
        FPaths.push_back(childPath(FDirectory, name));
        captions.push_back(indent + name);
    }
    Items()->BeginUpdate();
    Items()->Clear();
    for (const String& c : captions) Items()->Add(c);
    Items()->EndUpdate();
    SetItemIndex(current);
}

void TDirectoryListBox::Update() {
    ReadDirectoryNames();
    TCustomListBox::Update();
}

String TDirectoryListBox::GetItemPath(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(FPaths.size()))
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FPaths[static_cast<std::size_t>(Index)];
}

void TDirectoryListBox::OpenCurrent() {
    const int i = ItemIndex();
    if (i >= 0 && i < static_cast<int>(FPaths.size())) SetDirectory(FPaths[static_cast<std::size_t>(i)]);
}

void TDirectoryListBox::DblClick() {
    OpenCurrent();
    TCustomListBox::DblClick();
}

void TDirectoryListBox::KeyPress(char& Key) {
    TCustomListBox::KeyPress(Key);
    if (Key == '\r') OpenCurrent();
}

void TDirectoryListBox::Change() {
    if (FFileList) FFileList->SetDirectory(FDirectory);
    OnChange(this);
}

