// Shell change notification: windows register for changes below item-id lists and receive
// a message for each change, with the two item-id lists it concerns.
//
// Changes come from two sources:
// - the file system (SHCNRF_InterruptLevel), read from inotify on the user-interface
//   thread: each registered folder that is a directory is watched itself (inotify cannot
//   watch a whole tree, so a recursive registration watches the folder it names, and a tree
//   registers each folder it shows); changes of the mounted volumes under Computer come
//   from the kernel's mount table;
// - the program itself (SHCNRF_ShellLevel), through SHChangeNotify.
// A folder that cannot be watched is still registered; it just gets no file-system events.
//
// The message: wParam points at two LPITEMIDLIST (the second null for events of one
// object), valid while the message is handled; lParam is the event, with SHCNE_INTERRUPT
// set for file-system events. Messages are posted: they arrive through the message loop.
//
// What the file system reports:
//   created                       SHCNE_CREATE or SHCNE_MKDIR
//   deleted, moved away           SHCNE_DELETE or SHCNE_RMDIR
//   moved in                      SHCNE_CREATE or SHCNE_MKDIR
//   renamed or moved between      SHCNE_RENAMEITEM or SHCNE_RENAMEFOLDER (old, new)
//     watched folders
//   written and closed            SHCNE_UPDATEITEM
//   attributes changed            SHCNE_ATTRIBUTES
//   the watched folder deleted,   SHCNE_RMDIR of the folder itself
//     moved or unmounted
//   events lost (queue overflow)  SHCNE_UPDATEDIR of every watched folder
//   a volume mounted / unmounted  SHCNE_DRIVEADD / SHCNE_DRIVEREMOVED, or SHCNE_MEDIAINSERTED
//                                 / SHCNE_MEDIAREMOVED for removable devices (Computer/volume)
#pragma once

#include "platform/shellapi.h"
#include "platform/wintypes.h"

#include <functional>
#include <string>
#include <vector>

inline constexpr LONG SHCNE_RENAMEITEM = 0x00000001;
inline constexpr LONG SHCNE_CREATE = 0x00000002;
inline constexpr LONG SHCNE_DELETE = 0x00000004;
inline constexpr LONG SHCNE_MKDIR = 0x00000008;
inline constexpr LONG SHCNE_RMDIR = 0x00000010;
inline constexpr LONG SHCNE_MEDIAINSERTED = 0x00000020;
inline constexpr LONG SHCNE_MEDIAREMOVED = 0x00000040;
inline constexpr LONG SHCNE_DRIVEREMOVED = 0x00000080;
inline constexpr LONG SHCNE_DRIVEADD = 0x00000100;
inline constexpr LONG SHCNE_NETSHARE = 0x00000200;
inline constexpr LONG SHCNE_NETUNSHARE = 0x00000400;
inline constexpr LONG SHCNE_ATTRIBUTES = 0x00000800;
inline constexpr LONG SHCNE_UPDATEDIR = 0x00001000;
inline constexpr LONG SHCNE_UPDATEITEM = 0x00002000;
inline constexpr LONG SHCNE_SERVERDISCONNECT = 0x00004000;
inline constexpr LONG SHCNE_UPDATEIMAGE = 0x00008000;
inline constexpr LONG SHCNE_DRIVEADDGUI = 0x00010000;
inline constexpr LONG SHCNE_RENAMEFOLDER = 0x00020000;
inline constexpr LONG SHCNE_FREESPACE = 0x00040000;
inline constexpr LONG SHCNE_ASSOCCHANGED = 0x08000000;
inline constexpr LONG SHCNE_ALLEVENTS = 0x7FFFFFFF;
inline constexpr LONG SHCNE_INTERRUPT = static_cast<LONG>(0x80000000u);

// Sources of a registration.
inline constexpr int SHCNRF_InterruptLevel = 0x0001;
inline constexpr int SHCNRF_ShellLevel = 0x0002;
inline constexpr int SHCNRF_RecursiveInterrupt = 0x1000;

// What the items of SHChangeNotify are.
inline constexpr UINT SHCNF_IDLIST = 0x0000;
inline constexpr UINT SHCNF_PATHA = 0x0001;
inline constexpr UINT SHCNF_PRINTERA = 0x0002;
inline constexpr UINT SHCNF_DWORD = 0x0003;
inline constexpr UINT SHCNF_PATHW = 0x0005;
inline constexpr UINT SHCNF_PRINTERW = 0x0006;
inline constexpr UINT SHCNF_TYPE = 0x00FF;
// Delivered before SHChangeNotify returns (sent, not posted).
inline constexpr UINT SHCNF_FLUSH = 0x1000;
inline constexpr UINT SHCNF_FLUSHNOWAIT = 0x2000;

struct SHChangeNotifyEntry {
    LPCITEMIDLIST pidl;  // an absolute list
    BOOL fRecursive;     // also the changes below the folder's children
};

// For SHCNF_DWORD: each of the two lists of the message is one of these.
#pragma pack(push, 1)
struct SHChangeDWORDAsIDList {
    USHORT cb;  // 10
    DWORD dwItem1;
    DWORD dwItem2;
    USHORT cbZero;
};
#pragma pack(pop)

// Registers a window for the events (SHCNE_ bits) below the entries; wMsg is the message
// it receives. 0 when the window, the entries or a list is missing.
ULONG SHChangeNotifyRegister(HWND hwnd, int fSources, LONG fEvents, UINT wMsg, int cEntries,
                             const SHChangeNotifyEntry* pshcne);
// FALSE for an unknown registration.
BOOL SHChangeNotifyDeregister(ULONG ulID);
// Reports a change made by the program. The items are lists, paths or DWORD values by uFlags;
// a path of an object that no longer exists is still reported (its folder's list with its name).
void SHChangeNotify(LONG wEventId, UINT uFlags, LPCVOID dwItem1, LPCVOID dwItem2);

namespace platform {

// Seams for tests.

// A change as inotify reports it: the watched folder (raw bytes), the IN_ mask, the rename
// cookie and the entry name (empty for the folder itself).
struct FileChangeRecord {
    std::string folder;
    uint32_t mask = 0;
    uint32_t cookie = 0;
    std::string name;
};
// Runs a batch of changes through the same translation as those read from inotify (the
// folder need not be watched). A move whose other half has not come yet waits for the next
// batch, or for the pairing timer (a platform timer, so manual timers drive it).
void injectFileChanges(const std::vector<FileChangeRecord>& batch);
// How long a move-out waits for its move-in before it counts as a deletion.
inline constexpr unsigned kMovePairMilliseconds = 50;

// The mounted volumes the Computer folder shows, with whether the device is removable.
struct NotifyVolume {
    std::string mountPoint;
    std::string device;
    bool removable = false;
};
using NotifyVolumeSource = std::function<std::vector<NotifyVolume>()>;
// Replaces where the volumes come from (empty restores the mount table); returns the old.
NotifyVolumeSource setNotifyVolumeSource(NotifyVolumeSource source);
// Compares the volumes with the last ones seen and reports the differences, as when the
// mount table changes.
void checkVolumesNow();

// Whether a folder (raw bytes) has an inotify watch now.
bool changeWatchActive(const std::string& folder);
// Registrations now.
int changeNotifyRegistrations();

}  // namespace platform
