// What the shell files of platform/ share among themselves.
#pragma once

#include "platform/shellapi.h"

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

class QMimeType;
class QString;

namespace platform::shell {

// ---- Raw paths (bytes, "/" separated) ----

std::string joinPath(const std::string& folder, const std::string& name);
std::string parentOf(const std::string& path);  // "/" for "/x", "" for "/"
std::string baseOf(const std::string& path);
// Absolute, without "." and empty parts; ".." removes the part before it.
std::string cleanAbsolute(const std::string& path);
inline std::string rawOf(std::u16string_view wide) { return wideToFileName(wide); }
inline std::u16string wideOf(const std::string& raw) { return fileNameToWide(raw); }
// A text of the user's locale for a time in seconds since 1970 ("2024-05-01 12:00").
std::u16string formatTime(long long seconds);
// The platform error of an errno value as a result code.
HRESULT resultFromErrno(int error);
// Sets the last error from a result code of FACILITY_WIN32 (else ERROR_INVALID_FUNCTION).
void setLastErrorFrom(HRESULT hr);

// ---- Locations (what a folder object stands for) ----

struct Location {
    enum Kind { Desktop, Computer, Directory, Trash } kind = Desktop;
    std::string path;  // the directory of a Directory; the desktop directory for the Desktop
};

// What an item of a location is, as seen now.
struct Entry {
    ShellItem item;
    Location parent;
    std::string path;       // file-system path; empty when it has none
    bool exists = false;    // lstat succeeded (always true for virtual objects)
    bool folder = false;    // a directory or a link to one; virtual folders
    bool link = false;      // a symbolic link
    bool hidden = false;    // name starting with "."
    bool haveStat = false;  // `st` holds the target's stat (lstat for dangling links)
    struct stat st {};
};

Location desktopLocation();
// The entry of one item of a location; false for an item that does not belong there.
bool describe(const Location& parent, const ShellItem& item, Entry* entry);
// The same without asking the file system: what the item's own flags say (for comparing
// names, which sorting does many times over).
bool describeByName(const Location& parent, const ShellItem& item, Entry* entry);
// The location of an entry that is a folder; false otherwise.
bool locationOf(const Entry& entry, Location* location);
// Follows a relative list from a location: the entry of its last item (false when a part
// does not resolve). For an empty list, `entry` is left alone and true is returned with
// *emptyList set.
bool resolve(const Location& from, LPCITEMIDLIST pidl, Entry* entry, bool* emptyList = nullptr);
// The location an absolute list names (a folder); false otherwise.
bool locationOfList(LPCITEMIDLIST pidl, Location* location);
// The item of a file-system entry with flags as it is now; false when it does not exist.
bool fileSystemItem(const std::string& folder, const std::string& name, ShellItem* item);

// Display names.
std::u16string displayName(const Entry& entry);
std::u16string locationName(const Location& location);
// The MIME type's comment of an entry ("Folder" for folders); empty for virtual objects.
std::u16string typeName(const Entry& entry);
// The name of the MIME type's icon of an entry, and of its open variant for folders.
QString iconName(const Entry& entry, bool open);
QMimeType mimeTypeOf(const Entry& entry);

// The canonical absolute list of an absolute path (Computer / volume / names); every part
// must exist.
HRESULT listOfPath(const std::string& absolute, ItemIdList* out);
// A list relative to a Directory location of a relative path; every part must exist.
HRESULT relativeListOfPath(const std::string& folder, const std::string& relative, ItemIdList* out);
// The desktop directory and the home folder (raw bytes).
std::string desktopDirectory();
std::string homeDirectory();

// The folder object of a location.
std::shared_ptr<IShellFolder2> folderAt(const Location& location);

// UI objects of entries (ShellVerbs.cpp, ShellIcons.cpp).
std::shared_ptr<IContextMenu> createContextMenu(HWND owner, std::vector<Entry> entries);
std::shared_ptr<IExtractImage> createExtractImage(const Entry& entry);  // null when not a picture
std::shared_ptr<IQueryInfo> createQueryInfo(const Entry& entry);

// The index of an icon name in the process-wide icon list.
int iconIndex(const QString& name);

// Attributes of an entry (the mask limits the costly ones).
SFGAOF attributesOf(const Entry& entry, SFGAOF mask);

// The trash entry's original path and deletion time, from its .trashinfo file.
bool trashInfo(const std::string& name, std::string* originalPath, std::u16string* deleted);

}  // namespace platform::shell
