// The program folder rule, the options record, the preferred folders and the effect table.
#include "classlib/SysUtils.h"
#include "poster/Filters.h"
#include "poster/PosterOptions.h"
#include "poster/ProgramFolder.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

using namespace testsupport;

namespace {

struct ProgramFolderGuard {
    ~ProgramFolderGuard() { programfolder::setFolderForTesting(""); }
};

TEST(ProgramFolder, WritesBesideTheExecutableWhenWritableElseToTheUserFolder) {
    TempDir exe, data;
    ProgramFolderGuard guard;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);

    programfolder::setFolderForTesting(exe.path(), true);
    EXPECT_EQ(ProgramFolder(), exe.path() + "/");
    EXPECT_EQ(ProgramFileForWriting("options.dat"), exe.file("options.dat"));

    programfolder::setFolderForTesting(exe.path(), false);
    EXPECT_EQ(UserDataFolder(), data.path() + "/tessellon/");
    EXPECT_EQ(ProgramFileForWriting("options.dat"), data.path() + "/tessellon/options.dat");
    struct stat st {};
    EXPECT_EQ(::stat((data.path() + "/tessellon").c_str(), &st), 0) << "the user folder is made";

    // Reading: the written copy first, then the executable's folder.
    writeFile(exe.file("folders.dat"), {'a', '\n'});
    EXPECT_EQ(ProgramFileForReading("folders.dat"), exe.file("folders.dat"));
    writeFile(data.path() + "/tessellon/folders.dat", {'b', '\n'});
    EXPECT_EQ(ProgramFileForReading("folders.dat"), data.path() + "/tessellon/folders.dat");
    ::unsetenv("XDG_DATA_HOME");
}

TEST(OptionsRecord, HasTheFileLayoutAndRoundTrips) {
    TOptionsRec rec;
    rec.Schnitt = true;
    rec.NoKlR = true;
    rec.ZeilenWeise = true;
    rec.Krandxl = 10.5;
    rec.Krandyl = 2.25;
    const auto bytes = EncodeOptions(rec);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[10], 1);
    EXPECT_EQ(bytes[14], 1);
    EXPECT_EQ(bytes[15], 0);
    // 10.5 as a little-endian IEEE double: 0x4025000000000000.
    EXPECT_EQ(bytes[16 + 7], 0x40);
    EXPECT_EQ(bytes[16 + 6], 0x25);

    TempDir dir;
    ASSERT_TRUE(WriteOptionsFile(dir.file("options.dat"), rec));
    EXPECT_EQ(readFile(dir.file("options.dat")).size(), 32u);
    const auto back = ReadOptionsFile(dir.file("options.dat"));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, rec);
}

TEST(OptionsRecord, DamagedFilesAreRefused) {
    TempDir dir;
    EXPECT_FALSE(ReadOptionsFile(dir.file("missing.dat")));
    std::vector<unsigned char> bytes(31, 0);
    EXPECT_FALSE(DecodeOptions(bytes)) << "short";
    bytes.resize(33);
    EXPECT_FALSE(DecodeOptions(bytes)) << "long";
    bytes.assign(32, 0);
    bytes[15] = 7;  // reserved: ignored
    bytes[3] = 2;   // any non-zero byte is on
    auto rec = DecodeOptions(bytes);
    ASSERT_TRUE(rec);
    EXPECT_TRUE(rec->NoRandLines);
    for (int i = 16; i < 24; ++i) bytes[i] = 0xFF;  // NaN
    EXPECT_FALSE(DecodeOptions(bytes));
}

TEST(PreferredFolders, MostRecentFirstWithoutDuplicates) {
    std::vector<String> list{"/a/", "/b/", "/c/"};
    AddFolderToList(list, "/a/");
    EXPECT_EQ(list, (std::vector<String>{"/a/", "/b/", "/c/"}));
    AddFolderToList(list, "/c/");
    EXPECT_EQ(list, (std::vector<String>{"/c/", "/a/", "/b/"}));
    AddFolderToList(list, "/A/");  // exact comparison
    EXPECT_EQ(list.size(), 4u);

    TempDir dir;
    ASSERT_TRUE(WriteFolderList(dir.file("folders.dat"), list));
    EXPECT_EQ(ReadFolderList(dir.file("folders.dat")), list);
    writeFile(dir.file("crlf.dat"), {'/', 'x', '\r', '\n', '\n', '/', 'y'});
    EXPECT_EQ(ReadFolderList(dir.file("crlf.dat")), (std::vector<String>{"/x", "/y"}));
    EXPECT_TRUE(ReadFolderList(dir.file("none.dat")).empty());
}

TEST(OptionsRecord, FilesThatAreNoFilesOrReadOnlyAreLeftAlone) {
    TempDir dir;
    // FIFOs in place of the two files: nothing waits, nothing is read.
    ASSERT_TRUE(makeFifo(dir.file("options.dat")));
    ASSERT_TRUE(makeFifo(dir.file("folders.dat")));
    EXPECT_TRUE(returnsWithoutWaiting({dir.file("options.dat"), dir.file("folders.dat")}, [&] {
        EXPECT_FALSE(ReadOptionsFile(dir.file("options.dat")));
        EXPECT_TRUE(ReadFolderList(dir.file("folders.dat")).empty());
    }));
    // A read-only options file is refused and kept; a writable one keeps its mode.
    TOptionsRec rec;
    rec.Krandxl = 3;
    ASSERT_TRUE(WriteOptionsFile(dir.file("mine.dat"), rec));
    ASSERT_EQ(::chmod(dir.file("mine.dat").c_str(), 0600), 0);
    rec.Krandxl = 4;
    ASSERT_TRUE(WriteOptionsFile(dir.file("mine.dat"), rec));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("mine.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(::chmod(dir.file("mine.dat").c_str(), 0400), 0);
    rec.Krandxl = 5;
    EXPECT_FALSE(WriteOptionsFile(dir.file("mine.dat"), rec));
    EXPECT_DOUBLE_EQ(ReadOptionsFile(dir.file("mine.dat"))->Krandxl, 4);
    // The folder list written through a link keeps the link.
    ASSERT_EQ(::symlink("mine.lst", dir.file("folders.lnk").c_str()), 0);
    ASSERT_TRUE(WriteFolderList(dir.file("folders.lnk"), {"/a/", "/b/"}));
    ASSERT_EQ(::lstat(dir.file("folders.lnk").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFolderList(dir.file("mine.lst")), (std::vector<String>{"/a/", "/b/"}));
}

TEST(PreferredFolders, FoldersWhoseNamesAreNotUtf8StayAsTheyAre) {
    TempDir dir;
    const String odd = dir.file("\xFF\xFE caf\xE9") + "/";
    ASSERT_EQ(::mkdir(odd.c_str(), 0755), 0);
    std::vector<String> list{"/a/"};
    AddFolderToList(list, odd);
    // Written and read back in a folder whose own name is not UTF-8 either.
    const String file = odd + FoldersFileName;
    ASSERT_TRUE(WriteFolderList(file, list));
    EXPECT_EQ(ReadFolderList(file), list);
    EXPECT_TRUE(DirectoryExists(ReadFolderList(file)[0]));
    ::unlink(file.c_str());
    ::rmdir(odd.c_str());
}

TEST(ProgressBar, CoversItsShareOfThePanel) {
    const RECT panel{10, 2, 210, 20};
    const RECT half = ProgressBarRect(panel, 50);
    EXPECT_EQ(half.left, 10);
    EXPECT_EQ(half.right, 110);
    EXPECT_EQ(half.top, 2);
    EXPECT_EQ(half.bottom, 20);
    EXPECT_EQ(ProgressBarRect(RECT{0, 0, 99, 5}, 50).right, 49) << "integer division";
    EXPECT_EQ(ProgressBarRect(panel, 250).right, 210) << "held to the panel";
    EXPECT_EQ(ProgressBarRect(panel, -5).right, 10);
}

TEST(Filters, PosterEffectsInMenuOrderWithTheirKernels) {
    const char* captions[PosterEffectCount] = {
        "Soften", "Weakly soften", "Strongly soften", "Sharpen", "Strongly sharpen", "Grease", "Lithograph",
        "Psychdist", "Emphasize edges", "Find edges", "Find horizontal edges", "Find vertical edges", "Emboss",
        "Emboss vertically"};
    for (int i = 0; i < PosterEffectCount; ++i) EXPECT_STREQ(PosterEffect(i).Caption, captions[i]) << i;
    // Row by row: the horizontal-edge kernel rises from left to right.
    const TFilterRec& h = PosterEffect(10);
    EXPECT_EQ(h.Matrix[6], -1);
    EXPECT_EQ(h.Matrix[8], 1);
    EXPECT_EQ(h.Matrix[0], 0);
    EXPECT_EQ(PosterEffect(12).Bias, 128);
    EXPECT_EQ(PosterEffect(6).Matrix[12], 98);
    EXPECT_EQ(PosterEffect(6).Matrix[6], -10);
    EXPECT_EQ(PosterEffect(7).Matrix[4], -4);
    EXPECT_EQ(PosterEffect(4).Matrix[12], 60);
    EXPECT_EQ(PosterEffect(4).Divisor, 36);
    for (int i = 0; i < PosterEffectCount; ++i) EXPECT_NE(PosterEffect(i).Divisor, 0);
    // The editor's table: poster records without captions.
    EXPECT_EQ(std::memcmp(EditorFilter(4).Matrix, PosterEffect(9).Matrix, sizeof h.Matrix), 0);
    EXPECT_STREQ(EditorFilter(0).Caption, "");
    EXPECT_THROW(PosterEffect(14), std::out_of_range);
}

}  // namespace
