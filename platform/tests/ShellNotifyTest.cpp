// Shell change notification: real changes in watched folders made by other processes,
// the move pairing and the other inotify events through the seam, the program's own
// notifications, the filters of a registration, and volumes (through the seam, and a real
// loop mount when the tests run as root).
#include "ShellTestEnv.h"
#include "platform/shellapi.h"
#include "platform/shellnotify.h"
#include "platform/winuser.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace platform;
using shelltest::ShellEnv;

namespace {

constexpr UINT kChangeMessage = 2011;

struct Seen {
    LONG event = 0;
    bool interrupt = false;
    std::string path[2];
    bool list[2] = {false, false};
    DWORD dword = 0;
    qint64 at = 0;
};

QElapsedTimer& sinceStart() {
    static QElapsedTimer t = [] {
        QElapsedTimer x;
        x.start();
        return x;
    }();
    return t;
}

std::vector<Seen>& seen() {
    static std::vector<Seen> s;
    return s;
}

LRESULT recorderProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m != kChangeMessage) return DefWindowProcW(h, m, w, l);
    auto* pidls = reinterpret_cast<LPITEMIDLIST*>(w);
    Seen s;
    s.event = static_cast<LONG>(l) & ~SHCNE_INTERRUPT;
    s.interrupt = (static_cast<LONG>(l) & SHCNE_INTERRUPT) != 0;
    for (int i = 0; i < 2; ++i) {
        s.list[i] = pidls[i] != nullptr;
        if (pidls[i]) rawPathFromIDList(pidls[i], &s.path[i]);
    }
    if ((s.event & SHCNE_UPDATEIMAGE) && pidls[0])
        s.dword = reinterpret_cast<const SHChangeDWORDAsIDList*>(pidls[0])->dwItem1;
    s.at = sinceStart().elapsed();
    seen().push_back(s);
    return 0;
}

HWND recorder() {
    static bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = recorderProc;
        wc.lpszClassName = u"NotifyRecorder";
        return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, u"NotifyRecorder", u"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

std::u16string wide(const std::string& raw) { return fileNameToWide(raw); }

ItemIdList listOf(const std::string& raw) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHParseDisplayName(wide(raw).c_str(), nullptr, &list, 0, nullptr))) return nullptr;
    return ItemIdList(list);
}

ItemIdList computerList() { return makeItemIdList({ShellItem{ShellItemKind::Computer, SHELLITEM_FOLDER, {}}}); }

// Registers the window for one folder; deregistered with the object.
struct Registered {
    Registered(HWND wnd, LPCITEMIDLIST pidl, bool recursive = false, LONG events = SHCNE_ALLEVENTS,
               int sources = SHCNRF_InterruptLevel | SHCNRF_ShellLevel) {
        SHChangeNotifyEntry e{pidl, recursive ? TRUE : FALSE};
        id = SHChangeNotifyRegister(wnd, sources, events, kChangeMessage, 1, &e);
    }
    ~Registered() {
        if (id) SHChangeNotifyDeregister(id);
    }
    Registered(const Registered&) = delete;
    Registered& operator=(const Registered&) = delete;
    ULONG id = 0;
};

void pump() {
    processPendingMessages();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool waitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) pump();
    return done();
}

void settle(int ms = 120) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) pump();
}

int countOf(LONG event, const std::string& path = {}) {
    int n = 0;
    for (const Seen& s : seen())
        if (s.event == event && (path.empty() || s.path[0] == path)) ++n;
    return n;
}

const Seen* find(LONG event, const std::string& path) {
    for (const Seen& s : seen())
        if (s.event == event && s.path[0] == path) return &s;
    return nullptr;
}

bool run(const std::string& command) { return testsupport::runCommand(command) == 0; }

std::string quoted(const std::string& path) { return "'" + path + "'"; }

class ShellNotify : public ::testing::Test {
protected:
    void SetUp() override {
        seen().clear();
        wnd = recorder();
        ASSERT_NE(wnd, nullptr);
        folder = env.dir.path() + "/watched";
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    }
    void TearDown() override {
        DestroyWindow(wnd);
        EXPECT_EQ(changeNotifyRegistrations(), 0);
    }
    ShellEnv env;
    HWND wnd = nullptr;
    std::string folder;
};

}  // namespace

TEST_F(ShellNotify, ChangesMadeByOtherProcessesInARealFolder) {
    ASSERT_EQ(::mkdir((folder + "/sub").c_str(), 0755), 0);
    shelltest::write(folder + "/sub/inner.txt", "x");
    const std::string outside = env.dir.path() + "/outside";
    ASSERT_EQ(::mkdir(outside.c_str(), 0755), 0);
    ItemIdList list = listOf(folder);
    ASSERT_TRUE(list);
    Registered reg(wnd, list.get());
    ASSERT_NE(reg.id, 0u);
    EXPECT_TRUE(changeWatchActive(folder));

    // A file made by another process arrives within a second.
    const qint64 start = sinceStart().elapsed();
    ASSERT_TRUE(run("touch " + quoted(folder + "/a")));
    ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_CREATE, folder + "/a") == 1; }));
    const Seen* created = find(SHCNE_CREATE, folder + "/a");
    EXPECT_LT(created->at - start, 1000);
    RecordProperty("createdAfterMs", static_cast<int>(created->at - start));
    EXPECT_TRUE(created->interrupt);
    EXPECT_FALSE(created->list[1]);

    ASSERT_TRUE(run("mv " + quoted(folder + "/a") + " " + quoted(folder + "/b")));
    ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_RENAMEITEM) == 1; }));
    const Seen* renamed = find(SHCNE_RENAMEITEM, folder + "/a");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->path[1], folder + "/b");

    ASSERT_TRUE(run("mv " + quoted(folder + "/b") + " " + quoted(outside + "/b")));
    ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_DELETE, folder + "/b") == 1; }));

    ASSERT_TRUE(run("rm -r " + quoted(folder + "/sub")));
    ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_RMDIR, folder + "/sub") == 1; }));

    settle();
    EXPECT_EQ(countOf(SHCNE_RENAMEITEM), 1);  // one rename, never a delete and a create
    EXPECT_EQ(countOf(SHCNE_DELETE, folder + "/a"), 0);
    EXPECT_EQ(countOf(SHCNE_CREATE, folder + "/b"), 0);
    EXPECT_EQ(countOf(SHCNE_DELETE, folder + "/sub/inner.txt"), 0);  // sub itself is not watched
    EXPECT_GE(countOf(SHCNE_UPDATEITEM, folder + "/a"), 1);  // touch closes the new file
}

TEST_F(ShellNotify, FoldersMadeRenamedAndTheWatchedFolderItselfDeleted) {
    ItemIdList list = listOf(folder);
    Registered reg(wnd, list.get());
    ASSERT_TRUE(run("mkdir " + quoted(folder + "/d") + " && mv " + quoted(folder + "/d") + " " + quoted(folder + "/e")));
    ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_MKDIR, folder + "/d") == 1 && countOf(SHCNE_RENAMEFOLDER) == 1; }));
    EXPECT_EQ(find(SHCNE_RENAMEFOLDER, folder + "/d")->path[1], folder + "/e");

    // A second window on the subfolder sees it vanish as a folder deletion of its own.
    HWND other = recorder();
    ItemIdList sub = listOf(folder + "/e");
    ASSERT_TRUE(sub);
    {
        Registered onSub(other, sub.get());
        EXPECT_TRUE(changeWatchActive(folder + "/e"));
        seen().clear();
        ASSERT_TRUE(run("rm -r " + quoted(folder + "/e")));
        ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_RMDIR, folder + "/e") == 2; }));
        settle();
        EXPECT_EQ(countOf(SHCNE_RMDIR, folder + "/e"), 2);  // one for each window
        EXPECT_FALSE(changeWatchActive(folder + "/e"));      // the kernel dropped the watch
    }
    DestroyWindow(other);
}

TEST_F(ShellNotify, AMoveBetweenTwoWatchedFoldersIsOneRenameForEach) {
    const std::string second = env.dir.path() + "/second";
    ASSERT_EQ(::mkdir(second.c_str(), 0755), 0);
    shelltest::write(folder + "/x.png", "png");
    ItemIdList a = listOf(folder), b = listOf(second);
    SHChangeNotifyEntry both[2] = {{a.get(), FALSE}, {b.get(), FALSE}};
    const ULONG id = SHChangeNotifyRegister(wnd, SHCNRF_InterruptLevel, SHCNE_ALLEVENTS, kChangeMessage, 2, both);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(run("mv " + quoted(folder + "/x.png") + " " + quoted(second + "/y.png")));
    ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_RENAMEITEM) == 1; }));
    settle();
    ASSERT_EQ(countOf(SHCNE_RENAMEITEM), 1);  // delivered once although both entries match
    EXPECT_EQ(find(SHCNE_RENAMEITEM, folder + "/x.png")->path[1], second + "/y.png");
    EXPECT_EQ(countOf(SHCNE_DELETE) + countOf(SHCNE_CREATE), 0);
    EXPECT_TRUE(SHChangeNotifyDeregister(id));
    EXPECT_FALSE(changeWatchActive(folder));
    EXPECT_FALSE(changeWatchActive(second));
    EXPECT_FALSE(SHChangeNotifyDeregister(id));
}

TEST_F(ShellNotify, MovesArePairedAcrossBatchesAndUnpairedOnesTimeOut) {
    struct ManualTimers {
        ManualTimers() { setManualTimers(true); }
        ~ManualTimers() { setManualTimers(false); }
    } manual;
    shelltest::write(folder + "/new.jpg", "j");  // before the watch starts
    ItemIdList list = listOf(folder);
    Registered reg(wnd, list.get());
    injectFileChanges({{folder, IN_MOVED_FROM, 7, "old.jpg"}});
    pump();
    EXPECT_TRUE(seen().empty());
    injectFileChanges({{folder, IN_MOVED_TO, 7, "new.jpg"}});
    pump();
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0].event, SHCNE_RENAMEITEM);
    EXPECT_EQ(seen()[0].path[0], folder + "/old.jpg");  // gone, still named by its list
    EXPECT_EQ(seen()[0].path[1], folder + "/new.jpg");

    // A move out waits for its other half, then counts as a deletion; a move in as a creation.
    seen().clear();
    injectFileChanges({{folder, IN_MOVED_FROM | IN_ISDIR, 9, "gone"}, {folder, IN_MOVED_TO, 11, "came.jpg"}});
    pump();
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0].event, SHCNE_CREATE);
    advanceTime(kMovePairMilliseconds - 10);
    pump();
    EXPECT_EQ(seen().size(), 1u);
    advanceTime(20);
    pump();
    ASSERT_EQ(seen().size(), 2u);
    EXPECT_EQ(seen()[1].event, SHCNE_RMDIR);
    EXPECT_EQ(seen()[1].path[0], folder + "/gone");
}

TEST_F(ShellNotify, WritesAttributesAndLostEventsThroughTheSeam) {
    ItemIdList list = listOf(folder);
    Registered reg(wnd, list.get());
    injectFileChanges({{folder, IN_CLOSE_WRITE, 0, "p.bmp"},
                       {folder, IN_ATTRIB, 0, "p.bmp"},
                       {folder, IN_ATTRIB, 0, ""},
                       {folder, IN_Q_OVERFLOW, 0, ""},
                       {folder + "/elsewhere", IN_CREATE, 0, "q.bmp"},
                       {env.dir.path(), IN_DELETE_SELF, 0, ""}});
    pump();
    ASSERT_EQ(seen().size(), 4u);
    EXPECT_EQ(seen()[0].event, SHCNE_UPDATEITEM);
    EXPECT_EQ(seen()[1].event, SHCNE_ATTRIBUTES);
    EXPECT_EQ(seen()[1].path[0], folder + "/p.bmp");
    EXPECT_EQ(seen()[2].event, SHCNE_ATTRIBUTES);
    EXPECT_EQ(seen()[2].path[0], folder);
    EXPECT_EQ(seen()[3].event, SHCNE_UPDATEDIR);  // every watched folder is to be read again
    EXPECT_EQ(seen()[3].path[0], folder);
}

TEST_F(ShellNotify, EventFiltersSourcesAndRecursion) {
    ASSERT_EQ(::mkdir((folder + "/sub").c_str(), 0755), 0);
    ItemIdList list = listOf(folder), sub = listOf(folder + "/sub");
    HWND files = recorder(), shell = recorder(), deep = recorder();
    std::vector<HWND> order;
    {
        Registered onlyFolders(wnd, list.get(), false, SHCNE_MKDIR | SHCNE_RMDIR);
        Registered onlyShell(shell, list.get(), false, SHCNE_ALLEVENTS, SHCNRF_ShellLevel);
        Registered recursive(deep, list.get(), true);
        Registered onSub(files, sub.get());
        ASSERT_TRUE(run("touch " + quoted(folder + "/f") + " " + quoted(folder + "/sub/g") + " && mkdir " +
                        quoted(folder + "/h")));
        ASSERT_TRUE(waitFor([&] { return countOf(SHCNE_MKDIR) == 2; }));
        settle();
        // wnd: folders only; deep: everything below, sub/g included; files: sub/g only.
        EXPECT_EQ(countOf(SHCNE_CREATE, folder + "/f"), 1);
        EXPECT_EQ(countOf(SHCNE_CREATE, folder + "/sub/g"), 2);
        EXPECT_EQ(countOf(SHCNE_MKDIR, folder + "/h"), 2);
        // The shell-level registration saw no file-system event; it sees the program's own.
        const std::u16string path = wide(folder + "/renamed-by-us");
        SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
        EXPECT_EQ(countOf(SHCNE_CREATE, folder + "/renamed-by-us"), 2);  // shell and deep
    }
    for (HWND h : {files, shell, deep}) DestroyWindow(h);
}

TEST_F(ShellNotify, TheProgramsOwnNotifications) {
    ItemIdList list = listOf(folder);
    Registered reg(wnd, list.get(), false, SHCNE_ALLEVENTS, SHCNRF_ShellLevel);
    // A path that no longer exists is still reported, by its folder's list and its name.
    const std::u16string gone = wide(folder + "/deleted.tif");
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, gone.c_str(), nullptr);
    EXPECT_TRUE(seen().empty());  // posted: it comes through the message loop
    pump();
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(seen()[0].path[0], folder + "/deleted.tif");
    EXPECT_FALSE(seen()[0].interrupt);

    // Lists and 8-bit paths; a renamed folder; the folder itself updated.
    shelltest::write(folder + "/one.bmp", "1");
    ItemIdList one = listOf(folder + "/one.bmp");
    SHChangeNotify(SHCNE_RENAMEITEM, SHCNF_IDLIST | SHCNF_FLUSH, one.get(), list.get());
    ASSERT_EQ(seen().size(), 2u);
    EXPECT_EQ(seen()[1].path[1], folder);
    const std::string ansi = folder + "/two.bmp";
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHA | SHCNF_FLUSH, ansi.c_str(), nullptr);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, wide(folder).c_str(), nullptr);
    ASSERT_EQ(seen().size(), 4u);
    EXPECT_EQ(seen()[2].path[0], ansi);
    EXPECT_EQ(seen()[3].event, SHCNE_UPDATEDIR);
    // Elsewhere: nothing. An image-list change reaches every registration, with its value.
    SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW | SHCNF_FLUSH, wide(env.dir.path() + "/x").c_str(), nullptr);
    const DWORD index = 17;
    SHChangeNotify(SHCNE_UPDATEIMAGE, SHCNF_DWORD | SHCNF_FLUSH, &index, nullptr);
    ASSERT_EQ(seen().size(), 5u);
    EXPECT_EQ(seen()[4].event, SHCNE_UPDATEIMAGE);
    EXPECT_EQ(seen()[4].dword, 17u);

    // A registration gone before its message was handled gets nothing.
    SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, gone.c_str(), nullptr);
    SHChangeNotifyDeregister(reg.id);
    reg.id = 0;
    pump();
    EXPECT_EQ(seen().size(), 5u);
}

TEST_F(ShellNotify, RegistrationsThatWatchNothingAreStillAccepted) {
    EXPECT_EQ(SHChangeNotifyRegister(nullptr, 3, SHCNE_ALLEVENTS, kChangeMessage, 1, nullptr), 0u);
    SHChangeNotifyEntry none{nullptr, FALSE};
    EXPECT_EQ(SHChangeNotifyRegister(wnd, 3, SHCNE_ALLEVENTS, kChangeMessage, 1, &none), 0u);
    // A file is no folder to watch; the trash has no directory of ours.
    shelltest::write(folder + "/plain.txt", "t");
    ItemIdList file = listOf(folder + "/plain.txt");
    ItemIdList trash;
    LPITEMIDLIST t = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &t), S_OK);
    trash.reset(t);
    Registered onFile(wnd, file.get());
    Registered onTrash(wnd, trash.get());
    EXPECT_NE(onFile.id, 0u);
    EXPECT_NE(onTrash.id, 0u);
    EXPECT_EQ(changeNotifyRegistrations(), 2);
    EXPECT_FALSE(changeWatchActive(folder + "/plain.txt"));
}

TEST_F(ShellNotify, VolumesMountedAndRemovedThroughTheSeam) {
    std::vector<NotifyVolume> volumes{{"/", "/dev/root", false}};
    const NotifyVolumeSource old = setNotifyVolumeSource([&] { return volumes; });
    ItemIdList computer = computerList();
    Registered reg(wnd, computer.get(), false, SHCNE_DRIVEADD | SHCNE_DRIVEREMOVED | SHCNE_MEDIAINSERTED |
                                                   SHCNE_MEDIAREMOVED);
    ItemIdList usbFolder = listOf(folder);
    HWND onMount = recorder();
    Registered mountPointReg(onMount, usbFolder.get());

    volumes.push_back({"/media/stick", "/dev/sdb1", true});
    volumes.push_back({folder, "/dev/loop3", false});
    checkVolumesNow();
    pump();
    ASSERT_EQ(countOf(SHCNE_MEDIAINSERTED), 1);
    ASSERT_EQ(countOf(SHCNE_DRIVEADD), 2);  // Computer's window and the mount point's
    EXPECT_EQ(find(SHCNE_MEDIAINSERTED, "/media/stick")->list[0], true);
    EXPECT_NE(find(SHCNE_DRIVEADD, folder), nullptr);

    seen().clear();
    volumes.erase(volumes.begin() + 1, volumes.end());
    checkVolumesNow();
    pump();
    EXPECT_EQ(countOf(SHCNE_MEDIAREMOVED, "/media/stick"), 1);
    // The registration on the mount point learns of its removal too.
    EXPECT_EQ(countOf(SHCNE_DRIVEREMOVED, folder), 2);
    checkVolumesNow();
    pump();
    EXPECT_EQ(seen().size(), 3u);
    EXPECT_TRUE(find(SHCNE_MEDIAREMOVED, "/media/stick")->list[0]);
    setNotifyVolumeSource(old);
    DestroyWindow(onMount);
}

TEST_F(ShellNotify, AnUnchangedMountTableIsNotReadAgain) {
    int reads = 0;
    const NotifyVolumeSource old = setNotifyVolumeSource([&] {
        ++reads;
        return std::vector<NotifyVolume>{{"/", "/dev/root", false}};
    });
    ItemIdList computer = computerList();
    // Other processes may mount or unmount meanwhile (the loop-mount test among them); only
    // a spell in which the real mount table did not change counts. A watch of our own on the
    // table tells: after reading it to its end, a change raises POLLPRI.
    bool quiet = false;
    for (int attempt = 0; attempt < 5 && !quiet; ++attempt) {
        const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        char buffer[4096];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        int before = 0;
        {
            Registered reg(wnd, computer.get());
            before = reads;
            settle(300);
        }
        pollfd p{fd, POLLPRI, 0};
        const bool changed = ::poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR));
        ::close(fd);
        if (changed) continue;
        quiet = true;
        EXPECT_EQ(reads, before);  // the mount table's notifier stays quiet
    }
    setNotifyVolumeSource(old);
    if (!quiet) GTEST_SKIP() << "the mount table kept changing";
}

TEST_F(ShellNotify, ARealLoopMountIsADriveAdded) {
    if (::geteuid() != 0 || !testsupport::haveProgram("mkfs.ext2") || !testsupport::haveProgram("mount"))
        GTEST_SKIP() << "a loop mount needs root and e2fsprogs";
    const std::string image = env.dir.path() + "/volume.img";
    const std::string point = "/mnt/tessellon-notify-" + std::to_string(::getpid());
    if (!run("dd if=/dev/zero of=" + quoted(image) + " bs=1k count=512 2>/dev/null && mkfs.ext2 -q -F " +
             quoted(image) + " && mkdir -p " + point))
        GTEST_SKIP() << "no file system image could be made";
    ItemIdList computer = computerList();
    Registered reg(wnd, computer.get(), false, SHCNE_DRIVEADD | SHCNE_DRIVEREMOVED | SHCNE_MEDIAINSERTED |
                                                   SHCNE_MEDIAREMOVED);
    if (!run("mount -o loop " + quoted(image) + " " + point + " 2>/dev/null")) {
        run("rmdir " + point);
        GTEST_SKIP() << "loop mounts are not allowed here";
    }
    const bool added = waitFor([&] { return countOf(SHCNE_DRIVEADD, point) == 1; });
    const bool unmounted = run("umount " + point);
    const bool removed = unmounted && waitFor([&] { return countOf(SHCNE_DRIVEREMOVED, point) == 1; });
    run("rmdir " + point);
    EXPECT_TRUE(added);
    EXPECT_TRUE(unmounted);
    EXPECT_TRUE(removed);
}
