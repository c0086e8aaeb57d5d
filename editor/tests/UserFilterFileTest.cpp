// The user filter file: its bytes, damaged and foreign files, writes that fail, and user
// filters applied to the document after the program starts again.
#include "editor/DocumentOps.h"
#include "editor/EditorOps.h"
#include "editor/UserFilterFile.h"
#include "editor/tests/OpsTestSupport.h"

#include "poster/ProgramFolder.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using namespace opstest2;
using testsupport::TempDir;

namespace {

TFilterRec filter(const std::string& name, int divisor, int bias, int centre) {
    TFilterRec f;
    std::memset(&f, 0, sizeof f);
    f.Divisor = divisor;
    f.Bias = bias;
    f.Matrix[12] = centre;
    SetUserFilterName(f, name);
    return f;
}

std::int32_t intAt(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<unsigned>(b[at + 3]) << 24);
}

struct FolderGuard {
    ~FolderGuard() { programfolder::setFolderForTesting(""); }
};

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(UserFilterFile, BytesOfAFileAndBack) {
    TFilterRec a = filter("Sharpen more", 3, -4, 9);
    a.Matrix[0] = -1;
    a.Matrix[24] = 70000;
    const std::vector<unsigned char> bytes = StoreUserFilters({a, filter("B", 1, 0, 1)});
    ASSERT_EQ(bytes.size(), 8u + 2 * 624);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4), (std::vector<unsigned char>{0x57, 0x3B, 0x0E, 0x00}));
    EXPECT_EQ(intAt(bytes, 4), 2);
    EXPECT_EQ(intAt(bytes, 8), 3);
    EXPECT_EQ(intAt(bytes, 12), -4);
    EXPECT_EQ(intAt(bytes, 16), -1);
    EXPECT_EQ(intAt(bytes, 16 + 4 * 24), 70000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 8 + 108), "Sharpen more");
    EXPECT_EQ(bytes[8 + 624 + 108], 'B');
    std::vector<TFilterRec> back;
    ASSERT_EQ(ParseUserFilters(bytes.data(), bytes.size(), back), TUserFilterLoad::Loaded);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(0, std::memcmp(&back[0], &a, sizeof a));
    EXPECT_EQ(StoreUserFilters(back), bytes);
}

TEST(UserFilterFile, DamagedAndForeignBytes) {
    std::vector<TFilterRec> out;
    std::vector<unsigned char> bytes = StoreUserFilters({filter("one", 1, 0, 1), filter("two", 2, 0, 1)});
    // A count far beyond the file: only the whole records, and the file is called damaged.
    bytes[4] = 0xFF, bytes[5] = 0xFF, bytes[6] = 0xFF, bytes[7] = 0x7F;
    EXPECT_EQ(ParseUserFilters(bytes.data(), bytes.size(), out), TUserFilterLoad::Damaged);
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(ParseUserFilters(bytes.data(), bytes.size() - 1, out), TUserFilterLoad::Damaged);
    EXPECT_EQ(out.size(), 1u);  // the short last record is dropped
    bytes[7] = 0x80;  // negative
    EXPECT_EQ(ParseUserFilters(bytes.data(), bytes.size(), out), TUserFilterLoad::Damaged);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ParseUserFilters(bytes.data(), 6, out), TUserFilterLoad::Damaged);
    bytes[0] = 'X';
    EXPECT_EQ(ParseUserFilters(bytes.data(), bytes.size(), out), TUserFilterLoad::WrongMagic);
    EXPECT_EQ(ParseUserFilters(bytes.data(), 3, out), TUserFilterLoad::WrongMagic);
    // Names and captions without their zero end inside their fields.
    std::vector<unsigned char> unterminated = StoreUserFilters({filter("x", 1, 0, 1)});
    std::memset(unterminated.data() + 8 + 108, 'n', 514);
    ASSERT_EQ(ParseUserFilters(unterminated.data(), unterminated.size(), out), TUserFilterLoad::Loaded);
    EXPECT_EQ(FilterName(out[0]).size(), 256u);
    EXPECT_EQ(FilterCaption(out[0]).size(), 256u);
}

TEST(UserFilterFile, NamesAreCutAtACharacterBoundary) {
    TFilterRec f = filter("", 1, 0, 1);
    std::string accents;
    for (int i = 0; i < 200; ++i) accents += "\xC3\xA9";  // 400 bytes
    SetUserFilterName(f, accents);
    EXPECT_EQ(FilterName(f).size(), 256u);
    SetUserFilterName(f, "a" + accents);
    EXPECT_EQ(FilterName(f).size(), 255u);  // 1 + 127 characters of 2 bytes
    EXPECT_EQ(FilterName(f).substr(0, 3), "a\xC3\xA9");
    SetUserFilterName(f, std::string(300, 'z'));
    EXPECT_EQ(FilterName(f), std::string(256, 'z'));
}

TEST(UserFilterList, ThreeFiltersComeBackAfterARestartAndApply) {
    TempDir exe;
    FolderGuard guard;
    programfolder::setFolderForTesting(exe.path(), true);
    {
        TUserFilterList list;
        EXPECT_EQ(list.Load(), TUserFilterLoad::Missing);
        list.Append(filter("Brighter", 1, 40, 1));
        list.Append(filter("Darker", 2, 0, 1));
        list.Append(filter("Above", 1, 0, 0));
        TFilterRec above = list.Filters()[2];
        above.Matrix[1 + 5 * 2] = 1;  // window row 1, column 2: the pixel above
        EXPECT_TRUE(list.Replace(2, above));
        EXPECT_TRUE(list.Close());
    }
    const std::vector<unsigned char> stored = testsupport::readFile(exe.file("UserFilt.dat"));
    ASSERT_EQ(stored.size(), 8u + 3 * 624);
    EXPECT_EQ(intAt(stored, 0), 0x000E3B57);
    EXPECT_EQ(intAt(stored, 4), 3);

    TUserFilterList again;  // the program started anew
    ASSERT_EQ(again.Load(), TUserFilterLoad::Loaded);
    ASSERT_EQ(again.Count(), 3);
    EXPECT_EQ(FilterName(again.Filters()[0]), "Brighter");
    EXPECT_TRUE(again.Close());  // closing unchanged writes the same bytes
    EXPECT_EQ(testsupport::readFile(exe.file("UserFilt.dat")), stored);

    OpsDoc d(truecolour(4, 4, [](int x, int y) { return rgb(10 * x, 10 * y, 5); }));
    d.selectBox(0, 1, 3, 3);
    ASSERT_TRUE(editorops::ApplyUserFilter(d.doc, again.Filters()[0]));
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(d.pixel(2, 2), rgb(60, 60, 45));
    EXPECT_EQ(d.pixel(2, 0), rgb(20, 0, 5));  // outside the selection
    // Applied as stored, not transposed: each selected pixel takes the one above it.
    OpsDoc u(truecolour(3, 3, [](int x, int y) { return rgb(10 * x, 10 * y, 5); }));
    ASSERT_TRUE(editorops::ApplyUserFilter(u.doc, again.Filters()[2]));
    EXPECT_EQ(u.pixel(1, 2), rgb(10, 10, 5));
    EXPECT_EQ(u.pixel(1, 0), rgb(10, 0, 5));  // the edge repeats
}

TEST(UserFilterList, ADivisorOfZeroIsRefused) {
    OpsDoc d(truecolour(3, 3, [](int x, int) { return rgb(x, 0, 0); }));
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    EXPECT_FALSE(editorops::ApplyUserFilter(d.doc, filter("zero", 0, 0, 1)));
    EXPECT_EQ(before, allBytes(d.doc.Dib.get()));
    EXPECT_EQ(d.doc.UndoCount, 0);
}

TEST(UserFilterList, DamagedOrForeignFilesSurviveAClose) {
    TempDir dir;
    const std::string path = dir.file("UserFilt.dat");
    for (const std::vector<unsigned char>& content :
         {std::vector<unsigned char>{'n', 'o', 't', ' ', 'f', 'i', 'l', 't', 'e', 'r', 's'},
          std::vector<unsigned char>{0x57, 0x3B, 0x0E, 0x00, 0x09, 0x00, 0x00, 0x00, 1, 2, 3}}) {
        testsupport::writeFile(path, content);
        TUserFilterList list(path, path);
        EXPECT_NE(list.Load(), TUserFilterLoad::Loaded);
        EXPECT_EQ(list.Count(), 0);
        // The foreign file is an empty list without a word; the cut one is named damaged.
        EXPECT_EQ(UserFilterLoadMessage(list.LoadResult()).empty(), content[0] == 'n');
        EXPECT_TRUE(list.Close());
        EXPECT_EQ(testsupport::readFile(path), content) << "an unchanged list leaves the file";
        // After a real change the file is replaced by the list.
        list.Append(filter("new", 1, 0, 1));
        EXPECT_TRUE(list.Close());
        TUserFilterList check(path, path);
        EXPECT_EQ(check.Load(), TUserFilterLoad::Loaded);
        EXPECT_EQ(check.Count(), 1);
    }
    // A missing file and no change: nothing is created.
    TUserFilterList none(dir.file("absent.dat"), dir.file("absent.dat"));
    none.Load();
    EXPECT_TRUE(none.Close());
    EXPECT_FALSE(exists(dir.file("absent.dat")));
}

TEST(UserFilterList, DeletingTheLastAndAFailedWrite) {
    TempDir dir;
    const std::string path = dir.file("UserFilt.dat");
    {
        TUserFilterList list(path, path);
        list.Load();
        for (int i = 0; i < 3; ++i) list.Append(filter("f" + std::to_string(i), 1, i, 1));
        EXPECT_FALSE(list.Delete(3));
        EXPECT_TRUE(list.Delete(1));
        EXPECT_EQ(FilterName(list.Filters()[1]), "f2");
        ASSERT_TRUE(list.Close());
    }
    const std::vector<unsigned char> two = testsupport::readFile(path);
    ASSERT_EQ(two.size(), 8u + 2 * 624);
    {
        // The disk fills up: the old filters stay.
        TUserFilterList list(path, path);
        ASSERT_EQ(list.Load(), TUserFilterLoad::Loaded);
        for (int i = 0; i < 10; ++i) list.Append(filter("more", 1, 0, 1));
        testsupport::FileSizeLimit full(1000);
        EXPECT_FALSE(list.Close());
    }
    EXPECT_EQ(testsupport::readFile(path), two);
    TUserFilterList list(path, path);
    list.Load();
    EXPECT_TRUE(list.Delete(0));
    EXPECT_TRUE(list.Delete(0));
    EXPECT_TRUE(list.Close());
    const std::vector<unsigned char> empty = testsupport::readFile(path);
    ASSERT_EQ(empty.size(), 8u);
    EXPECT_EQ(intAt(empty, 4), 0);
}

TEST(UserFilterList, WritesToTheUserFolderWhenTheProgramFolderIsReadOnly) {
    TempDir exe, data;
    FolderGuard guard;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    testsupport::writeFile(exe.file("UserFilt.dat"), StoreUserFilters({filter("shipped", 1, 0, 1)}));
    programfolder::setFolderForTesting(exe.path(), false);
    TUserFilterList list;
    ASSERT_EQ(list.Load(), TUserFilterLoad::Loaded);
    EXPECT_EQ(FilterName(list.Filters()[0]), "shipped");
    list.Append(filter("mine", 1, 0, 1));
    EXPECT_TRUE(list.Close());
    EXPECT_EQ(list.WritePath(), data.path() + "/tessellon/UserFilt.dat");
    TUserFilterList again;
    ASSERT_EQ(again.Load(), TUserFilterLoad::Loaded);
    EXPECT_EQ(again.Count(), 2);
    ::unsetenv("XDG_DATA_HOME");
}
