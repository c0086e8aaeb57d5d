// Item-id list helpers, special folders, paths, filters and error texts.
#include "platform/tests/ShellTestEnv.h"
#include "shell/ShellNamespace.h"

#include "classlib/Graphics.h"

#include <QFontDatabase>
#include <QMimeData>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using shelltest::ShellEnv;

namespace {

WideString W(const std::string& raw) { return platform::fileNameToWide(raw); }

}  // namespace

TEST(ShellHelpers, ListPrimitivesAndTheirEdges) {
    const long long before = platform::taskMemBlocksInUse();
    {
        TPidl empty = PidlConcat(nullptr, nullptr);
        EXPECT_EQ(PidlSize(empty.get()), 2u);
        TPidl emptyPair = PidlConcat(empty.get(), empty.get());
        EXPECT_EQ(PidlSize(emptyPair.get()), 2u);
        EXPECT_EQ(PidlSize(nullptr), 0u);
        EXPECT_EQ(PidlItemCount(nullptr), 0u);

        ShellEnv env;
        TPidl list = PathToPidl(nullptr, W(env.home));  // Computer / "/" / tmp... / home dir
        ASSERT_TRUE(list);
        const int count = static_cast<int>(PidlItemCount(list.get()));
        EXPECT_GE(count, 3);
        TPidl copy = PidlConcat(nullptr, list.get());
        EXPECT_EQ(PidlSize(copy.get()), PidlSize(list.get()));
        EXPECT_EQ(std::memcmp(copy.get(), list.get(), PidlSize(list.get())), 0);

        EXPECT_EQ(PidlItemCount(PidlItemAt(list.get(), 0).get()), 1u);
        TPidl atEnd = PidlItemAt(list.get(), count);
        ASSERT_TRUE(atEnd);
        EXPECT_EQ(PidlSize(atEnd.get()), 2u);
        EXPECT_FALSE(PidlItemAt(list.get(), count + 1));
        EXPECT_FALSE(PidlItemAt(list.get(), -1));

        EXPECT_EQ(PidlItemCount(PidlTruncate(list.get(), 2).get()), 2u);
        EXPECT_EQ(PidlSize(PidlTruncate(list.get(), count + 5).get()), PidlSize(list.get()));
        EXPECT_EQ(PidlItemCount(PidlTruncate(list.get(), 0).get()), 0u);

        TPidl last = PidlLastItem(list.get());
        ASSERT_TRUE(last);
        EXPECT_EQ(std::memcmp(last.get(), PidlItemAt(list.get(), count - 1).get(), PidlSize(last.get())), 0);
        EXPECT_FALSE(PidlLastItem(nullptr));
        EXPECT_FALSE(PidlLastItem(empty.get()));
        // Joining the parent and the last item gives the list back.
        TPidl joined = PidlConcat(PidlTruncate(list.get(), count - 1).get(), last.get());
        EXPECT_EQ(std::memcmp(joined.get(), list.get(), PidlSize(list.get())), 0);
    }
    EXPECT_EQ(platform::taskMemBlocksInUse(), before);
}

TEST(ShellHelpers, PathsToListsAndBack) {
    ShellEnv env;
    const std::string dir = env.dir.path() + "/a folder";
    ::mkdir(dir.c_str(), 0755);
    for (const std::string& name : {std::string("two words.txt"), std::string("\xC3\xBC\xC3\xB1\xC3\xAF.txt"),
                                    std::string("not utf8 \xE9\xFF.txt")}) {
        shelltest::write(dir + "/" + name, "x");
        TPidl list = PathToPidl(nullptr, W(dir + "/" + name));
        ASSERT_TRUE(list) << name;
        EXPECT_EQ(PidlToPath(list.get()), W(dir + "/" + name));
        EXPECT_EQ(platform::wideToFileName(PidlToPath(list.get())), dir + "/" + name);
    }
    // An empty path is the computer; a missing one fails with the thread's last error.
    EXPECT_EQ(SpecialFolderOfPidl(PathToPidl(nullptr, u"").get()), SF_DRIVES);
    SetLastError(0);
    EXPECT_FALSE(PathToPidl(nullptr, W(dir + "/missing")));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(PidlToPath(nullptr), u"");
    EXPECT_EQ(PidlToPath(SpecialFolderPidl(SF_DRIVES).get()), u"");
}

TEST(ShellHelpers, PathsLongerThanTheOldBuffers) {
    ShellEnv env;
    std::string path = env.dir.path();
    while (path.size() < 700) {
        path += "/" + std::string(60, 'd');
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    }
    shelltest::write(path + "/deep file.txt", "deep");
    TPidl list = PathToPidl(nullptr, W(path + "/deep file.txt"));
    ASSERT_TRUE(list);
    EXPECT_EQ(PidlToPath(list.get()), W(path + "/deep file.txt"));
    TShellNamespace ns(nullptr);
    ns.SetObjectName(W(path + "/deep file.txt"));
    EXPECT_EQ(ns.Folder(), W(path + "/"));
    EXPECT_EQ(ns.ObjectName(), u"deep file.txt");
    EXPECT_EQ(FileSizeOf(W(path + "/deep file.txt")), 4);
}

TEST(ShellHelpers, SpecialFolders) {
    ShellEnv env;
    EXPECT_EQ(SpecialFolderOfPidl(SpecialFolderPidl(SF_DESKTOP).get()), SF_DESKTOP);
    EXPECT_EQ(SpecialFolderOfPidl(PathToPidl(nullptr, W(env.home + "/Documents")).get()), SF_PERSONAL);
    EXPECT_EQ(SpecialFolderOfPidl(PathToPidl(nullptr, W(env.home + "/Desktop")).get()), SF_DESKTOPDIRECTORY);
    EXPECT_EQ(SpecialFolderOfPidl(SpecialFolderPidl(SF_BITBUCKET).get()), SF_BITBUCKET);
    EXPECT_EQ(SpecialFolderOfPidl(PathToPidl(nullptr, W(env.dir.path())).get()), SF_FILESYSTEMFOLDER);
    EXPECT_EQ(SpecialFolderPath(SF_PERSONAL), W(env.home + "/Documents"));
    EXPECT_EQ(SpecialFolderPath(SF_DESKTOP), W(env.home + "/Desktop"));
    EXPECT_EQ(SpecialFolderPath(SF_PRINTERS), u"");
    EXPECT_FALSE(SpecialFolderPidl(SF_NETHOOD));
    EXPECT_FALSE(IsNetworkPidl(SpecialFolderPidl(SF_DRIVES).get()));
    EXPECT_EQ(ShellFolderCsidl(SF_COMMON_PROGRAMS), CSIDL_COMMON_PROGRAMS);
    EXPECT_EQ(ShellFolderCsidl(SF_FILESYSTEMFOLDER), CSIDL_DRIVES);
}

TEST(ShellHelpers, PathTestsAndSizes) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    ASSERT_TRUE(shelltest::sparseFile(dir + "/five.gib", 5368709120LL));
    EXPECT_EQ(FileSizeOf(W(dir + "/five.gib")), 5368709120LL);
    EXPECT_EQ(FileSizeOf(W(dir + "/missing")), -1);
    EXPECT_TRUE(PathExists(W(dir + "/five.gib")));
    EXPECT_TRUE(PathExists(W(dir + "/")));
    EXPECT_FALSE(PathExists(W(dir + "/missing")));
    EXPECT_FALSE(PathExists(u""));
    EXPECT_TRUE(PathExists(u"/"));
    EXPECT_TRUE(DriveIsReady(W(dir)));
    EXPECT_FALSE(DriveIsReady(u""));

    EXPECT_TRUE(IsRootPath(u"/"));
    EXPECT_FALSE(IsRootPath(u"/home"));
    EXPECT_FALSE(IsRootPath(u""));
    EXPECT_TRUE(IsUncPath(u"//server/share"));
    EXPECT_FALSE(IsUncPath(u"/server/share"));
    EXPECT_EQ(UncServerName(u"//server/share/x"), u"server");
    EXPECT_TRUE(SamePathNoCase(u"/a/B/", u"/a/B"));
    EXPECT_FALSE(SamePathNoCase(u"/a/b", u"/a/B"));  // paths compare exactly
    EXPECT_TRUE(IsRealEntryName(u"..."));
    EXPECT_FALSE(IsRealEntryName(u".."));
    EXPECT_EQ(WindowsFolder(), u"/");
    EXPECT_EQ(WideTempPath().back(), u'/');

    ::mkdir((dir + "/target").c_str(), 0755);
    ASSERT_EQ(::symlink("target/../target", (dir + "/link").c_str()), 0);
    EXPECT_EQ(ResolveLinkTarget(W(dir + "/link")), W(dir + "/target"));
    EXPECT_EQ(ResolveLinkTarget(W(dir + "/target")), u"");
}

TEST(ShellHelpers, FiltersMatchWithoutCase) {
    EXPECT_FALSE(MatchesFilter(u"README", u"*.*"));
    EXPECT_TRUE(MatchesFilter(u"a.b", u"*.*"));
    EXPECT_TRUE(MatchesFilter(u".profile", u"*.*"));
    EXPECT_TRUE(MatchesFilter(u"Photo.jpg", u"*.BMP;*.JPG"));
    EXPECT_FALSE(MatchesFilter(u"Photo.png", u"*.BMP;*.JPG"));
    EXPECT_TRUE(MatchesFilter(u"anything", u"*"));
}

TEST(ShellHelpers, ErrorTextsAreOurOwn) {
    EXPECT_EQ(SystemErrorText(ERROR_PATH_NOT_FOUND), "Path not found.");
    EXPECT_EQ(SystemErrorText(ERROR_FILE_NOT_FOUND), "File not found.");
    EXPECT_NE(SystemErrorText(ERROR_FILE_NOT_FOUND), std::string(std::strerror(ENOENT)));
    EXPECT_EQ(SystemErrorText(99999), "Unknown error 99999.");
    EXPECT_EQ(SystemErrorTextOfResult(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)), "Access denied.");
}

TEST(ShellHelpers, DroppedFilesAndShellStrings) {
    EXPECT_FALSE(FileNamesFromDrop(nullptr));
    EXPECT_FALSE(FileNamesFromDataObject(nullptr));
    QMimeData text;
    text.setText(QStringLiteral("no files"));
    auto none = FileNamesFromDataObject(&text);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->Count(), 0);
    QMimeData files;
    files.setData(QStringLiteral("text/uri-list"), platform::uriListOf({"/x/one", "/x/two\xFF", "/x/one"}));
    auto names = FileNamesFromDataObject(&files);
    ASSERT_TRUE(names);
    ASSERT_EQ(names->Count(), 3);  // duplicates kept in order
    EXPECT_EQ(names->Strings(0), u"/x/one");
    EXPECT_EQ(platform::wideToFileName(names->Strings(1)), "/x/two\xFF");
    EXPECT_EQ(names->Strings(2), u"/x/one");

    STRRET s{};
    s.uType = STRRET_WSTR;
    s.pOleStr = platform::taskMemString(u"shown");
    EXPECT_EQ(StrRetToWide(s, nullptr), u"shown");
    s.uType = 77;  // not a form of shell string
    EXPECT_EQ(StrRetToWide(s, nullptr), u"");
}

TEST(ShellHelpers, IconTitleFontIsTheDesktopsFont) {
    TFont font;
    font.SetName("No Such Font");
    font.SetHeight(-40);
    GetIconTitleFont(&font);
    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    EXPECT_EQ(font.Name(), WideToAnsi(desktop.family().toStdU16String()));
    if (desktop.pointSize() > 0) {
        EXPECT_EQ(font.Size(), desktop.pointSize());
    }
    EXPECT_NE(font.Height(), -40);
    GetIconTitleFont(nullptr);
    EXPECT_EQ(SystemDriveRoot(), u"/");
}
