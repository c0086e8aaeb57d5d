#include "platform/codepage.h"
#include "platform/fileapi.h"
#include "testsupport/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

std::u16string w(const std::string& utf8) { return platform::fileNameToWide(utf8); }

HANDLE create(const std::u16string& name, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(name.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::vector<std::u16string> findAll(const std::u16string& pattern, std::vector<WIN32_FIND_DATAW>* data = nullptr) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW d{};
    HANDLE h = FindFirstFileW(pattern.c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(d.cFileName);
        if (data) data->push_back(d);
    } while (FindNextFileW(h, &d));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    return names;
}

class Files : public ::testing::Test {
protected:
    void TearDown() override { ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8)); }
    testsupport::TempDir dir;
    std::u16string path(const std::string& name) const { return w(dir.file(name)); }
};

}  // namespace

TEST_F(Files, CreateWriteReadSeekAndSize) {
    const std::u16string name = path("data.bin");
    HANDLE h = create(name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
    EXPECT_EQ(n, 11u);
    EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
    char buf[16] = {};
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "world");
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));  // end of file reads nothing
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(SetFilePointer(h, -5, nullptr, FILE_END), 6u);
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    ASSERT_TRUE(SetEndOfFile(h));
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(h, &high), 6u);
    EXPECT_EQ(high, 0u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReadFile(h, buf, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // Dispositions and their errors.
    EXPECT_EQ(create(name, GENERIC_READ, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    h = create(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 0);
    EXPECT_FALSE(ReadFile(h, buf, 1, &n, nullptr));  // opened for writing only
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(h);
    EXPECT_EQ(create(path("missing"), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(create(path("no/such/file"), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(create(w(dir.path()), GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Files, SharingAmongHandles) {
    const std::u16string name = path("shared.txt");
    HANDLE a = create(name, GENERIC_READ, FILE_SHARE_READ, CREATE_ALWAYS);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    HANDLE b = create(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(b, INVALID_HANDLE_VALUE);
    EXPECT_EQ(create(name, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(DeleteFileW(name.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CloseHandle(b);
    CloseHandle(a);
    HANDLE c = create(name, GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(c, INVALID_HANDLE_VALUE);
    EXPECT_EQ(create(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    CloseHandle(c);
    EXPECT_TRUE(DeleteFileW(name.c_str()));
}

TEST_F(Files, AttributesAndReadOnlyFiles) {
    const std::u16string name = path("ro.txt");
    ASSERT_TRUE(testsupport::writeFile(dir.file("ro.txt"), {'x'}));
    EXPECT_EQ(GetFileAttributesW(name.c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesW(w(dir.path()).c_str()), FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(name.c_str()), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(create(name, GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE h = create(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_FALSE(DeleteFileW(name.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(name.c_str()));
    EXPECT_EQ(GetFileAttributesW(name.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesW(path("a/b").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(DeleteFileW(w(dir.path()).c_str()));  // a folder is no file
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Files, FindMatchesWithoutCaseSortsAndFillsTheRecord) {
    for (const char* n : {"b.TXT", "a.txt", "c.bmp", ".hidden", "ab.txt"})
        ASSERT_TRUE(testsupport::writeFile(dir.file(n), {'1', '2', '3'}));
    ASSERT_TRUE(CreateDirectoryW(path("sub").c_str(), nullptr));
    EXPECT_EQ(findAll(path("*.txt")), (std::vector<std::u16string>{u"a.txt", u"ab.txt", u"b.TXT"}));
    EXPECT_EQ(findAll(path("?.TxT")), (std::vector<std::u16string>{u"a.txt", u"b.TXT"}));
    EXPECT_TRUE(findAll(path("*.gif")).empty());
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    std::vector<WIN32_FIND_DATAW> data;
    const auto all = findAll(path("*.*"), &data);
    ASSERT_EQ(all.size(), 8u);  // "." and ".." included
    EXPECT_EQ(all[0], u".");
    EXPECT_EQ(all[1], u"..");
    EXPECT_EQ(all[2], u".hidden");
    EXPECT_EQ(data[0].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(data[2].dwFileAttributes, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(data[3].dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(data[3].nFileSizeLow, 3u);
    EXPECT_EQ(data[7].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    // A name without wildcards finds that one entry.
    EXPECT_EQ(findAll(path("sub")), std::vector<std::u16string>{u"sub"});
    WIN32_FIND_DATAW d{};
    EXPECT_EQ(FindFirstFileW(path("nowhere/*").c_str(), &d), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FindFirstFileW(path("").c_str(), &d), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

TEST_F(Files, FindReportsTimesAndLargeSizes) {
    const std::string big = dir.file("big.bin");
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 5368709120LL), 0);  // sparse
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 500}};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
    std::vector<WIN32_FIND_DATAW> data;
    ASSERT_EQ(findAll(w(big), &data).size(), 1u);
    EXPECT_EQ(data[0].nFileSizeHigh, 1u);
    EXPECT_EQ(data[0].nFileSizeLow, 1073741824u);
    const ULONGLONG write = static_cast<ULONGLONG>(data[0].ftLastWriteTime.dwHighDateTime) << 32 |
                            data[0].ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(write, 116444736000000000ULL + 1000000000ULL * 10000000ULL + 5);
    EXPECT_EQ(platform::unixSecondsFromFileTime(data[0].ftLastWriteTime), 1000000000);
    HANDLE h = create(w(big), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 5368709120LL);
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(h, 16, &high, FILE_BEGIN), 16u);
    EXPECT_EQ(high, 1);
    FILETIME t{};
    ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &t));
    EXPECT_EQ(t.dwLowDateTime, data[0].ftLastWriteTime.dwLowDateTime);
    CloseHandle(h);
}

TEST_F(Files, NamesThatAreNotUtf8SurviveTheRoundTrip) {
    const std::string raw = dir.file("bad\xFF\xC3.txt");
    ASSERT_TRUE(testsupport::writeFile(raw, {'z'}));
    std::vector<WIN32_FIND_DATAW> data;
    const auto names = findAll(path("bad*"), &data);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], u"bad\xDCFF\xDCC3.txt");
    EXPECT_EQ(platform::wideToFileName(names[0]), "bad\xFF\xC3.txt");
    // The 8-bit search gives the bytes on the UTF-8 code page and "?" on 1252.
    WIN32_FIND_DATAA a{};
    HANDLE h = FindFirstFileA((dir.path() + "/bad*").c_str(), &a);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(a.cFileName, "bad\xFF\xC3.txt");
    FindClose(h);
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    h = FindFirstFileA((platform::fileNameToAnsi(dir.path()) + "/bad*").c_str(), &a);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(a.cFileName, "bad??.txt");
    EXPECT_EQ(a.nFileSizeLow, 1u);
    FindClose(h);
    EXPECT_TRUE(DeleteFileW(path("bad\xFF\xC3.txt").c_str()));
    EXPECT_TRUE(findAll(path("bad*")).empty());
}

TEST_F(Files, EightBitNamesUseTheCodePage) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    const std::string name = platform::fileNameToAnsi(dir.path()) + "/caf\xE9.txt";
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    struct stat st {};
    EXPECT_EQ(::stat(dir.file("caf\xC3\xA9.txt").c_str(), &st), 0);  // UTF-8 on disk
    EXPECT_NE(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(DeleteFileA(name.c_str()));
}

TEST_F(Files, CopyMoveAndFolders) {
    ASSERT_TRUE(testsupport::writeFile(dir.file("one"), {'a', 'b'}));
    EXPECT_TRUE(CopyFileW(path("one").c_str(), path("two").c_str(), TRUE));
    EXPECT_EQ(testsupport::readFile(dir.file("two")), (std::vector<unsigned char>{'a', 'b'}));
    EXPECT_FALSE(CopyFileW(path("one").c_str(), path("two").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    ASSERT_TRUE(testsupport::writeFile(dir.file("one"), {'c'}));
    EXPECT_TRUE(CopyFileW(path("one").c_str(), path("two").c_str(), FALSE));
    EXPECT_EQ(testsupport::readFile(dir.file("two")), std::vector<unsigned char>{'c'});
    EXPECT_FALSE(CopyFileW(path("none").c_str(), path("three").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_FALSE(MoveFileW(path("one").c_str(), path("two").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileW(path("one").c_str(), path("three").c_str()));
    EXPECT_EQ(GetFileAttributesW(path("one").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(testsupport::readFile(dir.file("three")), std::vector<unsigned char>{'c'});

    EXPECT_TRUE(CreateDirectoryW(path("d").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryW(path("d").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryW(path("x/y").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(MoveFileW(path("three").c_str(), path("d/three").c_str()));
    EXPECT_FALSE(RemoveDirectoryW(path("d").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectoryW(path("two").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_TRUE(DeleteFileW(path("d/three").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(path("d").c_str()));
}

TEST_F(Files, CurrentFolderAndFullPaths) {
    WCHAR old[4096];
    const DWORD n = GetCurrentDirectoryW(4096, old);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, 4096u);
    ASSERT_TRUE(SetCurrentDirectoryW(w(dir.path()).c_str()));
    WCHAR buf[4096];
    EXPECT_EQ(GetCurrentDirectoryW(4096, buf), w(dir.path()).size());
    EXPECT_EQ(std::u16string(buf), w(dir.path()));
    EXPECT_EQ(GetCurrentDirectoryW(3, buf), w(dir.path()).size() + 1);  // size needed

    LPWSTR part = nullptr;
    ASSERT_GT(GetFullPathNameW(u"a/../b/./c.txt", 4096, buf, &part), 0u);
    EXPECT_EQ(std::u16string(buf), w(dir.path()) + u"/b/c.txt");
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(std::u16string(part), u"c.txt");
    ASSERT_GT(GetFullPathNameW(u"/x/../..//y/", 4096, buf, &part), 0u);
    EXPECT_EQ(std::u16string(buf), u"/y/");
    EXPECT_EQ(part, nullptr);
    GetFullPathNameW(u"/..", 4096, buf, nullptr);
    EXPECT_EQ(std::u16string(buf), u"/");
    EXPECT_EQ(GetFullPathNameW(u"/abc", 4, buf, nullptr), 5u);
    char a[64];
    EXPECT_EQ(GetFullPathNameA("/p/q", 64, a, nullptr), 4u);
    EXPECT_STREQ(a, "/p/q");

    EXPECT_FALSE(SetCurrentDirectoryW(path("none").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(SetCurrentDirectoryW(old));
    ULARGE_INTEGER total{};
    EXPECT_TRUE(GetDiskFreeSpaceExW(w(dir.path()).c_str(), nullptr, &total, nullptr));
    EXPECT_GT(total.QuadPart, 0u);
}

TEST(Wildcards, StarQuestionMarkAndCase) {
    using platform::wildcardMatch;
    EXPECT_TRUE(wildcardMatch(u"Photo.JPG", u"*.jpg"));
    EXPECT_TRUE(wildcardMatch(u"noext", u"*.*"));
    EXPECT_TRUE(wildcardMatch(u"a.b.c", u"*.c"));
    EXPECT_TRUE(wildcardMatch(u"abc", u"a?c"));
    EXPECT_FALSE(wildcardMatch(u"ac", u"a?c"));
    EXPECT_TRUE(wildcardMatch(u"\u00C9t\u00E9.txt", u"\u00E9T\u00C9*"));
    EXPECT_FALSE(wildcardMatch(u"abcd", u"*c"));
    EXPECT_TRUE(wildcardMatch(u"", u"*"));
    EXPECT_FALSE(wildcardMatch(u"x", u""));
}
