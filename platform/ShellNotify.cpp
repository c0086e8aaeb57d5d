// Shell change notification over inotify and the mount table, with delivery through a
// hidden relay window: each change is posted to it and sent on from there to the
// registered window, so the item-id lists live exactly as long as the message is handled.
#include "ShellInternal.h"
#include "platform/codepage.h"
#include "platform/shellnotify.h"
#include "platform/winuser.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

namespace platform::notify {
namespace {

using namespace platform::shell;

constexpr UINT kRelayMessage = WM_USER + 0x2E1;
constexpr UINT_PTR kPairTimer = 1;
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;
// Events that concern no folder in particular.
constexpr LONG kGlobalEvents = SHCNE_ASSOCCHANGED | SHCNE_UPDATEIMAGE;

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isUnder(const std::string& path, const std::string& folder) {
    if (folder == "/") return path.size() > 1 && path[0] == '/';
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

struct WatchedEntry {
    enum Kind { Desktop, Computer, Directory, Other } kind = Other;
    ItemIdList pidl;
    bool recursive = false;
    std::string path;  // Desktop and Directory
};

struct Registration {
    HWND wnd = nullptr;
    UINT msg = 0;
    LONG events = 0;
    int sources = 0;
    std::vector<WatchedEntry> entries;
};

// One change, before it is matched and delivered.
struct Change {
    LONG event = 0;
    bool interrupt = false;  // from the file system
    bool self = false;       // about a watched folder itself (or a volume)
    bool drive = false;      // a volume below Computer
    std::string path[2];     // raw; empty when the object has none
    bool dir[2] = {false, false};
    ItemIdList list[2];      // given, or made when the change is delivered
    bool given[2] = {false, false};
};

struct Notification {
    ULONG id = 0;
    LONG event = 0;
    ItemIdList own[2];
    LPITEMIDLIST pidls[2] = {nullptr, nullptr};
};

struct PendingMove {
    std::string path;
    bool dir = false;
    uint32_t cookie = 0;
    unsigned long long since = 0;
};

struct Watch {
    int wd = -1;
    int refs = 0;
};

// The nearest folder that exists and the names below it, for objects already gone.
ItemIdList listForPath(const std::string& path, bool dir) {
    ItemIdList list;
    if (path.empty() || path[0] != '/') return list;
    if (SUCCEEDED(listOfPath(path, &list))) return list;
    std::vector<std::string> names;
    std::string at = path;
    while (at != "/" && !at.empty()) {
        names.push_back(baseOf(at));
        at = parentOf(at);
        if (SUCCEEDED(listOfPath(at, &list))) break;
    }
    std::vector<ShellItem> items;
    if (!list || !decodeItemIdList(list.get(), items)) return ItemIdList();
    for (std::size_t i = names.size(); i-- > 0;) {
        const std::string& name = names[i];
        BYTE flags = i == 0 && !dir ? 0 : SHELLITEM_FOLDER;
        if (!name.empty() && name[0] == '.') flags |= SHELLITEM_HIDDEN;
        items.push_back(ShellItem{ShellItemKind::FileSystem, flags, name});
    }
    return makeItemIdList(items);
}

bool isDriveList(LPCITEMIDLIST pidl) {
    std::vector<ShellItem> items;
    return decodeItemIdList(pidl, items) && items.size() == 2 && items[0].kind == ShellItemKind::Computer &&
           items[1].kind == ShellItemKind::Volume;
}

ItemIdList volumeList(const std::string& mountPoint) {
    return makeItemIdList({ShellItem{ShellItemKind::Computer, SHELLITEM_FOLDER, {}},
                           ShellItem{ShellItemKind::Volume, SHELLITEM_FOLDER, mountPoint}});
}

bool readRemovable(const std::string& file) {
    std::ifstream in(file);
    int v = 0;
    return in >> v && v == 1;
}

std::vector<NotifyVolume> mountedVolumes() {
    std::vector<NotifyVolume> out;
    for (const ShellVolume& v : shellVolumes()) {
        NotifyVolume n{v.mountPoint, v.device, false};
        char real[PATH_MAX];
        if (!v.device.empty() && ::realpath(v.device.c_str(), real)) {
            const std::string block = "/sys/class/block/" + baseOf(real);
            // A partition's flag is its disk's.
            n.removable = readRemovable(block + "/removable") || readRemovable(block + "/../removable");
        }
        out.push_back(std::move(n));
    }
    return out;
}

// Runs f on the user-interface thread (Qt objects of the centre live there).
void onUserInterfaceThread(const std::function<void()>& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, f, Qt::BlockingQueuedConnection);
}

LRESULT relayProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

class Centre {
public:
    static Centre& get() {
        static Centre* c = new Centre;
        return *c;
    }

    ULONG add(HWND wnd, int sources, LONG events, UINT msg, int count, const SHChangeNotifyEntry* entries) {
        if (!wnd || count < 1 || !entries) return 0;
        Registration reg{wnd, msg, events, sources, {}};
        for (int i = 0; i < count; ++i) {
            if (!entries[i].pidl) return 0;
            reg.entries.push_back(describeEntry(entries[i]));
        }
        ensureRelay();
        std::lock_guard lock(mutex_);
        const ULONG id = nextId_++;
        if (sources & SHCNRF_InterruptLevel)
            for (const WatchedEntry& e : reg.entries) {
                if (e.kind == WatchedEntry::Desktop || e.kind == WatchedEntry::Directory) addWatch(e.path);
                if (e.kind == WatchedEntry::Computer) startMounts();
            }
        registrations_.emplace(id, std::move(reg));
        return id;
    }

    bool remove(ULONG id) {
        std::lock_guard lock(mutex_);
        auto it = registrations_.find(id);
        if (it == registrations_.end()) return false;
        if (it->second.sources & SHCNRF_InterruptLevel)
            for (const WatchedEntry& e : it->second.entries) {
                if (e.kind == WatchedEntry::Desktop || e.kind == WatchedEntry::Directory) releaseWatch(e.path);
                if (e.kind == WatchedEntry::Computer) stopMounts();
            }
        registrations_.erase(it);
        return true;
    }

    int count() {
        std::lock_guard lock(mutex_);
        return static_cast<int>(registrations_.size());
    }

    bool watching(const std::string& folder) {
        std::lock_guard lock(mutex_);
        auto it = watches_.find(folder);
        return it != watches_.end() && it->second.wd >= 0;
    }

    // ---- SHChangeNotify ----

    void notify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) {
        Change c;
        c.event = event & ~SHCNE_INTERRUPT;
        const UINT type = flags & SHCNF_TYPE;
        const bool folderEvent = (c.event & (SHCNE_MKDIR | SHCNE_RMDIR | SHCNE_RENAMEFOLDER | SHCNE_UPDATEDIR)) != 0;
        const LPCVOID items[2] = {item1, item2};
        for (int i = 0; i < 2; ++i) {
            if (!items[i]) continue;
            switch (type) {
            case SHCNF_IDLIST: {
                const auto* pidl = static_cast<LPCITEMIDLIST>(items[i]);
                c.list[i].reset(ILClone(pidl));
                c.given[i] = true;
                rawPathFromIDList(pidl, &c.path[i]);
                c.drive = c.drive || isDriveList(pidl);
                break;
            }
            case SHCNF_PATHA:
            case SHCNF_PATHW: {
                const std::u16string wide = type == SHCNF_PATHW ? std::u16string(static_cast<LPCWSTR>(items[i]))
                                                                : ansiToWide(static_cast<LPCSTR>(items[i]));
                const std::string raw = rawOf(wide);
                if (raw.empty() || raw[0] != '/') continue;
                c.path[i] = cleanAbsolute(raw);
                c.dir[i] = folderEvent || isDirectory(c.path[i]);
                break;
            }
            case SHCNF_DWORD: {
                auto* block = static_cast<SHChangeDWORDAsIDList*>(CoTaskMemAlloc(sizeof(SHChangeDWORDAsIDList)));
                if (!block) continue;
                block->cb = static_cast<USHORT>(sizeof(SHChangeDWORDAsIDList) - sizeof(USHORT));
                block->dwItem1 = *static_cast<const DWORD*>(items[i]);
                block->dwItem2 = 0;
                block->cbZero = 0;
                c.list[i].reset(reinterpret_cast<LPITEMIDLIST>(block));
                c.given[i] = true;
                break;
            }
            default:
                return;  // printers are not part of this namespace
            }
        }
        if (c.drive) c.self = true;
        deliver(std::move(c), (flags & SHCNF_FLUSH) != 0);
    }

    // ---- The file system ----

    void processBatch(const std::vector<FileChangeRecord>& batch) {
        onUserInterfaceThread([this] { ensureRelay(); });
        for (const FileChangeRecord& r : batch) {
            if (r.mask & IN_Q_OVERFLOW) {
                std::vector<std::string> folders;
                {
                    std::lock_guard lock(mutex_);
                    for (const auto& [path, w] : watches_)
                        if (w.wd >= 0) folders.push_back(path);
                }
                for (const std::string& f : folders) fileChange(SHCNE_UPDATEDIR, true, f, true);
                continue;
            }
            if (r.folder.empty()) continue;
            if (r.name.empty()) {
                if (r.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))
                    fileChange(SHCNE_RMDIR, true, r.folder, true);
                else if (r.mask & IN_ATTRIB)
                    fileChange(SHCNE_ATTRIBUTES, true, r.folder, true);
                continue;
            }
            const std::string path = joinPath(r.folder, r.name);
            const bool dir = (r.mask & IN_ISDIR) != 0;
            if (r.mask & IN_MOVED_FROM) {
                pending_.push_back(PendingMove{path, dir, r.cookie, timerClock()});
            } else if (r.mask & IN_MOVED_TO) {
                auto it = std::find_if(pending_.begin(), pending_.end(),
                                       [&](const PendingMove& p) { return p.cookie == r.cookie; });
                if (it != pending_.end()) {
                    Change c;
                    c.event = dir ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM;
                    c.interrupt = true;
                    c.path[0] = it->path;
                    c.path[1] = path;
                    c.dir[0] = c.dir[1] = dir;
                    pending_.erase(it);
                    deliver(std::move(c), false);
                } else {
                    fileChange(dir ? SHCNE_MKDIR : SHCNE_CREATE, false, path, dir);
                }
            } else if (r.mask & IN_CREATE) {
                fileChange(dir ? SHCNE_MKDIR : SHCNE_CREATE, false, path, dir);
            } else if (r.mask & IN_DELETE) {
                fileChange(dir ? SHCNE_RMDIR : SHCNE_DELETE, false, path, dir);
            } else if (r.mask & IN_CLOSE_WRITE) {
                fileChange(SHCNE_UPDATEITEM, false, path, dir);
            } else if (r.mask & IN_ATTRIB) {
                fileChange(SHCNE_ATTRIBUTES, false, path, dir);
            }
        }
        if (!pending_.empty() && relay_) SetTimer(relay_, kPairTimer, kMovePairMilliseconds, nullptr);
    }

    // Moves whose other half did not come in time count as deletions.
    void flushMoves() {
        const unsigned long long now = timerClock();
        std::vector<PendingMove> due;
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (now - it->since >= kMovePairMilliseconds) {
                due.push_back(std::move(*it));
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
        if (pending_.empty() && relay_) KillTimer(relay_, kPairTimer);
        for (const PendingMove& p : due) fileChange(p.dir ? SHCNE_RMDIR : SHCNE_DELETE, false, p.path, p.dir);
    }

    void readInotify() {
        std::vector<FileChangeRecord> batch;
        for (int round = 0; round < 2; ++round) {
            readAvailable(batch);
            // A move-out at the end of what was read: its move-in may be on its way.
            const bool openMove = !batch.empty() && (batch.back().mask & IN_MOVED_FROM);
            if (!openMove) break;
            pollfd p{inotify_, POLLIN, 0};
            if (::poll(&p, 1, 2) <= 0) break;
        }
        processBatch(batch);
    }

    // ---- Volumes ----

    NotifyVolumeSource setVolumeSource(NotifyVolumeSource source) {
        std::lock_guard lock(mutex_);
        NotifyVolumeSource old = std::move(volumeSource_);
        volumeSource_ = std::move(source);
        volumes_ = currentVolumes();
        return old;
    }

    void checkVolumes() {
        std::vector<NotifyVolume> before, now;
        {
            std::lock_guard lock(mutex_);
            now = currentVolumes();
            before = std::move(volumes_);
            volumes_ = now;
        }
        auto same = [](const NotifyVolume& a, const NotifyVolume& b) {
            return a.mountPoint == b.mountPoint && a.device == b.device;
        };
        for (const NotifyVolume& v : before)
            if (std::none_of(now.begin(), now.end(), [&](const NotifyVolume& n) { return same(n, v); }))
                driveChange(v.removable ? SHCNE_MEDIAREMOVED : SHCNE_DRIVEREMOVED, v.mountPoint);
        for (const NotifyVolume& v : now)
            if (std::none_of(before.begin(), before.end(), [&](const NotifyVolume& b) { return same(b, v); }))
                driveChange(v.removable ? SHCNE_MEDIAINSERTED : SHCNE_DRIVEADD, v.mountPoint);
    }

    // ---- Delivery through the relay window ----

    void relayed(Notification* n) {
        std::unique_ptr<Notification> own(n);
        HWND wnd = nullptr;
        UINT msg = 0;
        {
            std::lock_guard lock(mutex_);
            auto it = registrations_.find(n->id);
            if (it == registrations_.end()) return;  // deregistered meanwhile
            wnd = it->second.wnd;
            msg = it->second.msg;
        }
        SendMessageW(wnd, msg, reinterpret_cast<WPARAM>(n->pidls), static_cast<LPARAM>(n->event));
    }

private:
    Centre() = default;

    WatchedEntry describeEntry(const SHChangeNotifyEntry& entry) {
        WatchedEntry e;
        e.pidl.reset(ILClone(entry.pidl));
        e.recursive = entry.fRecursive != FALSE;
        std::vector<ShellItem> items;
        std::string path;
        if (ILIsEmpty(entry.pidl)) {
            e.kind = WatchedEntry::Desktop;
            e.path = desktopDirectory();
        } else if (decodeItemIdList(entry.pidl, items) && items.size() == 1 &&
                   items[0].kind == ShellItemKind::Computer) {
            e.kind = WatchedEntry::Computer;
        } else if (rawPathFromIDList(entry.pidl, &path) && isDirectory(path)) {
            e.kind = WatchedEntry::Directory;
            e.path = cleanAbsolute(path);
        }
        return e;
    }

    static bool entryMatches(const WatchedEntry& e, const Change& c, int i) {
        const std::string& p = c.path[i];
        switch (e.kind) {
        case WatchedEntry::Desktop:
            if (e.recursive) return true;
            if (p.empty()) return false;
            if (c.self || (!c.interrupt && p == e.path)) return p == e.path;
            return parentOf(p) == e.path;
        case WatchedEntry::Computer:
            return c.drive || (e.recursive && !p.empty());
        case WatchedEntry::Directory:
            if (p.empty()) return false;
            if (c.self) return p == e.path;
            if (parentOf(p) == e.path || (!c.interrupt && p == e.path)) return true;
            return e.recursive && isUnder(p, e.path);
        case WatchedEntry::Other: {
            if (c.interrupt || !c.list[i]) return false;
            if (ILIsEqual(c.list[i].get(), e.pidl.get())) return true;
            ItemIdList parent(ILClone(c.list[i].get()));
            return parent && ILRemoveLastID(parent.get()) && ILIsEqual(parent.get(), e.pidl.get());
        }
        }
        return false;
    }

    static bool matches(const Registration& r, const Change& c) {
        if (!(c.event & r.events)) return false;
        if (!(r.sources & (c.interrupt ? SHCNRF_InterruptLevel : SHCNRF_ShellLevel))) return false;
        if (c.event & kGlobalEvents) return true;
        for (const WatchedEntry& e : r.entries)
            for (int i = 0; i < 2; ++i)
                if ((!c.path[i].empty() || c.list[i]) && entryMatches(e, c, i)) return true;
        return false;
    }

    void fileChange(LONG event, bool self, const std::string& path, bool dir) {
        Change c;
        c.event = event;
        c.interrupt = true;
        c.self = self;
        c.path[0] = path;
        c.dir[0] = dir;
        deliver(std::move(c), false);
    }

    void driveChange(LONG event, const std::string& mountPoint) {
        Change c;
        c.event = event;
        c.interrupt = true;
        c.self = true;
        c.drive = true;
        c.path[0] = mountPoint;
        c.list[0] = volumeList(mountPoint);
        c.given[0] = true;
        deliver(std::move(c), false);
    }

    void deliver(Change c, bool now) {
        struct Target {
            ULONG id;
            HWND wnd;
            UINT msg;
        };
        std::vector<Target> targets;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [id, reg] : registrations_)
                if (matches(reg, c)) targets.push_back(Target{id, reg.wnd, reg.msg});
        }
        if (targets.empty()) return;
        for (int i = 0; i < 2; ++i)
            if (!c.given[i] && !c.path[i].empty()) c.list[i] = listForPath(c.path[i], c.dir[i]);
        const LONG event = c.event | (c.interrupt ? SHCNE_INTERRUPT : 0);
        for (const Target& t : targets) {
            auto n = std::make_unique<Notification>();
            n->id = t.id;
            n->event = event;
            for (int i = 0; i < 2; ++i) {
                if (c.list[i]) n->own[i].reset(ILClone(c.list[i].get()));
                n->pidls[i] = n->own[i].get();
            }
            if (now) {
                SendMessageW(t.wnd, t.msg, reinterpret_cast<WPARAM>(n->pidls), static_cast<LPARAM>(event));
                continue;
            }
            if (relay_ && PostMessageW(relay_, kRelayMessage, 0, reinterpret_cast<LPARAM>(n.get()))) n.release();
        }
    }

    // Under the lock.
    void addWatch(const std::string& path) {
        Watch& w = watches_[path];
        ++w.refs;
        if (w.wd >= 0) return;
        if (!ensureInotify()) return;
        w.wd = inotify_add_watch(inotify_, path.c_str(), kWatchMask);
        if (w.wd >= 0) {
            auto& paths = byWd_[w.wd];
            if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
        }
    }

    // Under the lock.
    void releaseWatch(const std::string& path) {
        auto it = watches_.find(path);
        if (it == watches_.end() || --it->second.refs > 0) return;
        dropWatchPath(it->second.wd, path, true);
        watches_.erase(it);
    }

    // Under the lock: the path no longer uses the watch; the watch goes with its last path.
    void dropWatchPath(int wd, const std::string& path, bool removeFromKernel) {
        auto w = byWd_.find(wd);
        if (w == byWd_.end()) return;
        auto& paths = w->second;
        paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
        if (!paths.empty()) return;
        if (removeFromKernel) inotify_rm_watch(inotify_, wd);
        byWd_.erase(w);
    }

    // Under the lock, on the user-interface thread.
    bool ensureInotify() {
        if (inotify_ >= 0) return true;
        inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify_ < 0) return false;
        inotifyNotifier_ = new QSocketNotifier(inotify_, QSocketNotifier::Read);
        QObject::connect(inotifyNotifier_, &QSocketNotifier::activated, [this] { readInotify(); });
        return true;
    }

    // Reads what inotify has now, translated to records of the watched folders.
    void readAvailable(std::vector<FileChangeRecord>& batch) {
        alignas(inotify_event) char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            std::lock_guard lock(mutex_);
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
                if (at + static_cast<ssize_t>(sizeof(inotify_event) + ev->len) > n) break;
                at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
                const std::string name = ev->len ? std::string(ev->name, strnlen(ev->name, ev->len)) : std::string();
                if (ev->mask & IN_Q_OVERFLOW) {
                    batch.push_back(FileChangeRecord{{}, ev->mask, 0, {}});
                    continue;
                }
                auto w = byWd_.find(ev->wd);
                if (w == byWd_.end()) continue;
                const std::vector<std::string> paths = w->second;
                if (ev->mask & IN_IGNORED) {
                    // The kernel dropped the watch (the folder is gone).
                    for (const std::string& p : paths)
                        if (auto it = watches_.find(p); it != watches_.end()) it->second.wd = -1;
                    byWd_.erase(w);
                    continue;
                }
                for (const std::string& p : paths) batch.push_back(FileChangeRecord{p, ev->mask, ev->cookie, name});
                if (ev->mask & IN_MOVE_SELF) {
                    // The folder lives on elsewhere: its old path says nothing any more.
                    for (const std::string& p : paths)
                        if (auto it = watches_.find(p); it != watches_.end()) it->second.wd = -1;
                    inotify_rm_watch(inotify_, ev->wd);
                    byWd_.erase(ev->wd);
                }
            }
        }
    }

    // Under the lock.
    std::vector<NotifyVolume> currentVolumes() const { return volumeSource_ ? volumeSource_() : mountedVolumes(); }

    // Under the lock, on the user-interface thread.
    void startMounts() {
        if (mountUsers_++ > 0) return;
        volumes_ = currentVolumes();
        mountFd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        if (mountFd_ < 0) return;
        mountNotifier_ = new QSocketNotifier(mountFd_, QSocketNotifier::Exception);
        QObject::connect(mountNotifier_, &QSocketNotifier::activated, [this] { mountTableChanged(); });
    }

    // Under the lock.
    void stopMounts() {
        if (mountUsers_ == 0 || --mountUsers_ > 0) return;
        delete mountNotifier_;
        mountNotifier_ = nullptr;
        if (mountFd_ >= 0) ::close(mountFd_);
        mountFd_ = -1;
    }

    void mountTableChanged() {
        int fd;
        {
            std::lock_guard lock(mutex_);
            fd = mountFd_;
        }
        if (fd < 0) return;
        // Reading the table to its end arms the next change.
        char buffer[4096];
        ::lseek(fd, 0, SEEK_SET);
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        checkVolumes();
    }

    void ensureRelay() {
        if (relay_) return;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = relayProc;
        wc.lpszClassName = u"TessellonChangeRelay";
        RegisterClassExW(&wc);
        relay_ = CreateWindowExW(0, wc.lpszClassName, u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }

    std::mutex mutex_;
    std::map<ULONG, Registration> registrations_;
    ULONG nextId_ = 1;
    std::map<std::string, Watch> watches_;
    std::map<int, std::vector<std::string>> byWd_;
    int inotify_ = -1;
    QSocketNotifier* inotifyNotifier_ = nullptr;
    std::vector<PendingMove> pending_;  // user-interface thread only
    HWND relay_ = nullptr;
    int mountUsers_ = 0;
    int mountFd_ = -1;
    QSocketNotifier* mountNotifier_ = nullptr;
    NotifyVolumeSource volumeSource_;
    std::vector<NotifyVolume> volumes_;
};

LRESULT relayProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kRelayMessage) {
        Centre::get().relayed(reinterpret_cast<Notification*>(lParam));
        return 0;
    }
    if (msg == WM_TIMER && wParam == kPairTimer) {
        Centre::get().flushMoves();
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

}  // namespace
}  // namespace platform::notify

using platform::notify::Centre;

// Registrations change on the user-interface thread, where the watches are read.
ULONG SHChangeNotifyRegister(HWND hwnd, int fSources, LONG fEvents, UINT wMsg, int cEntries,
                             const SHChangeNotifyEntry* pshcne) {
    ULONG id = 0;
    platform::notify::onUserInterfaceThread(
        [&] { id = Centre::get().add(hwnd, fSources, fEvents, wMsg, cEntries, pshcne); });
    return id;
}

BOOL SHChangeNotifyDeregister(ULONG ulID) {
    bool removed = false;
    platform::notify::onUserInterfaceThread([&] { removed = Centre::get().remove(ulID); });
    return removed ? TRUE : FALSE;
}

void SHChangeNotify(LONG wEventId, UINT uFlags, LPCVOID dwItem1, LPCVOID dwItem2) {
    Centre::get().notify(wEventId, uFlags, dwItem1, dwItem2);
}

namespace platform {

void injectFileChanges(const std::vector<FileChangeRecord>& batch) { Centre::get().processBatch(batch); }

NotifyVolumeSource setNotifyVolumeSource(NotifyVolumeSource source) {
    return Centre::get().setVolumeSource(std::move(source));
}

void checkVolumesNow() { Centre::get().checkVolumes(); }

bool changeWatchActive(const std::string& folder) { return Centre::get().watching(folder); }

int changeNotifyRegistrations() { return Centre::get().count(); }

}  // namespace platform
