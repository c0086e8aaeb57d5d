// Special folders (the XDG directories through QStandardPaths), volumes and the trash.
#include "ShellInternal.h"
#include "platform/shellapi.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform::shell {

namespace {

std::string rawOfQt(const QString& s) { return rawOf(s.toStdU16String()); }

// Mount table fields escape blanks and a few other bytes as \ooo.
std::string unescapeMount(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(s[i + 2])) && std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool under(const std::string& path, const char* prefix) {
    const std::size_t n = std::char_traits<char>::length(prefix);
    return path.size() > n && path.compare(0, n, prefix) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// A user folder of the XDG user directories; the home folder when it is missing, as the
// desktops have it.
static std::string userDirectory(QStandardPaths::StandardLocation location) {
    const QString s = QStandardPaths::writableLocation(location);
    const std::string dir = s.isEmpty() ? std::string() : cleanAbsolute(rawOfQt(s));
    return isDirectory(dir) ? dir : homeDirectory();
}

std::string desktopDirectory() { return userDirectory(QStandardPaths::DesktopLocation); }

// $HOME as its bytes (Qt would turn bytes that are not UTF-8 into U+FFFD).
std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    return cleanAbsolute(home && home[0] == '/' ? std::string(home) : rawOfQt(QDir::homePath()));
}

}  // namespace platform::shell

namespace platform {

using namespace platform::shell;

std::vector<ShellVolume> shellVolumes() {
    std::vector<ShellVolume> volumes;
    ShellVolume root;
    root.mountPoint = "/";
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    std::vector<ShellVolume> others;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type)) continue;
        ShellVolume v{unescapeMount(mountPoint), unescapeMount(device), type};
        if (v.mountPoint == "/") {
            root.device = v.device;
            root.type = v.type;
            continue;
        }
        if (v.device.rfind("/dev/", 0) != 0) continue;
        if (!under(v.mountPoint, "/media/") && !under(v.mountPoint, "/run/media/") && !under(v.mountPoint, "/mnt/"))
            continue;
        if (std::any_of(others.begin(), others.end(), [&](const ShellVolume& o) { return o.mountPoint == v.mountPoint; }))
            continue;
        others.push_back(v);
    }
    std::sort(others.begin(), others.end(),
              [](const ShellVolume& a, const ShellVolume& b) { return a.mountPoint < b.mountPoint; });
    volumes.push_back(root);
    volumes.insert(volumes.end(), others.begin(), others.end());
    return volumes;
}

std::string trashFolder() {
    return joinPath(cleanAbsolute(rawOfQt(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))),
                    "Trash");
}

namespace {

// The directory of a file-system special folder; empty when the folder has none.
std::string specialDirectory(int csidl) {
    auto loc = [](QStandardPaths::StandardLocation l) {
        const QString s = QStandardPaths::writableLocation(l);
        return s.isEmpty() ? std::string() : cleanAbsolute(rawOfQt(s));
    };
    switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        return desktopDirectory();
    case CSIDL_PERSONAL:
        return userDirectory(QStandardPaths::DocumentsLocation);
    case CSIDL_MYMUSIC:
        return userDirectory(QStandardPaths::MusicLocation);
    case CSIDL_MYVIDEO:
        return userDirectory(QStandardPaths::MoviesLocation);
    case CSIDL_MYPICTURES:
        return userDirectory(QStandardPaths::PicturesLocation);
    case CSIDL_FONTS: {
        // The user's fonts, else the first system font folder.
        for (const QString& s : QStandardPaths::standardLocations(QStandardPaths::FontsLocation)) {
            const std::string dir = cleanAbsolute(rawOfQt(s));
            if (isDirectory(dir)) return dir;
        }
        return loc(QStandardPaths::FontsLocation);
    }
    case CSIDL_PROGRAMS:
        return loc(QStandardPaths::ApplicationsLocation);
    case CSIDL_TEMPLATES:
        return userDirectory(QStandardPaths::TemplatesLocation);
    case CSIDL_STARTUP:
        return joinPath(loc(QStandardPaths::GenericConfigLocation), "autostart");
    case CSIDL_APPDATA:
        return loc(QStandardPaths::GenericConfigLocation);
    case CSIDL_LOCAL_APPDATA:
        return loc(QStandardPaths::GenericDataLocation);
    case CSIDL_INTERNET_CACHE:
        return loc(QStandardPaths::GenericCacheLocation);
    case CSIDL_COMMON_PROGRAMS:
        return "/usr/share/applications";
    case CSIDL_WINDOWS:
        return "/";
    case CSIDL_PROFILE:
        return homeDirectory();
    default:
        return std::string();
    }
}

}  // namespace

std::u16string specialFolderPath(int csidl) {
    const int id = csidl & 0xFF;
    if (id == CSIDL_DRIVES || id == CSIDL_BITBUCKET) return std::u16string();
    const std::string dir = specialDirectory(id);
    return isDirectory(dir) ? wideOf(dir) : std::u16string();
}

}  // namespace platform

HRESULT SHGetSpecialFolderLocation(HWND, int csidl, LPITEMIDLIST* pidl) {
    using namespace platform;
    if (!pidl) return E_INVALIDARG;
    *pidl = nullptr;
    const int id = csidl & 0xFF;
    ItemIdList list;
    if (id == CSIDL_DESKTOP) {
        list = makeItemIdList({});
    } else if (id == CSIDL_DRIVES) {
        list = makeItemIdList({ShellItem{ShellItemKind::Computer, SHELLITEM_FOLDER, {}}});
    } else if (id == CSIDL_BITBUCKET) {
        list = makeItemIdList({ShellItem{ShellItemKind::Trash, SHELLITEM_FOLDER, {}}});
    } else {
        const std::string dir = specialDirectory(id);
        if (dir.empty() || !isDirectory(dir)) return E_FAIL;
        const HRESULT hr = shell::listOfPath(dir, &list);
        if (FAILED(hr)) return hr;
    }
    if (!list) return E_OUTOFMEMORY;
    *pidl = list.release();
    return S_OK;
}
