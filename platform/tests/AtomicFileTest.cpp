#include "platform/atomicfile.h"
#include "platform/fileapi.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

bool write(const std::string& path, const std::string& content, int* error = nullptr) {
    return platform::writeWholeFile(path, content.data(), content.size(), error);
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") out.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

}  // namespace

TEST(AtomicFile, KeepsTheModeAndOwnerOfTheFileItReplaces) {
    testsupport::TempDir dir;
    const std::string path = dir.file("secret.txt");
    ASSERT_TRUE(write(path, "old"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(write(path, "new content"));
    EXPECT_EQ(testsupport::readFile(path), bytesOf("new content"));
    EXPECT_EQ(statOf(path).st_mode & 07777, 0600u);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(write(path, "again"));
    EXPECT_EQ(statOf(path).st_mode & 07777, 0640u);
    if (::geteuid() == 0) {  // only the superuser can hand a file to someone else
        ASSERT_EQ(::chown(path.c_str(), 4321, 8765), 0);
        ASSERT_TRUE(write(path, "owned"));
        EXPECT_EQ(statOf(path).st_uid, 4321u);
        EXPECT_EQ(statOf(path).st_gid, 8765u);
    }
    // A new file gets the usual permissions of the user's mask.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(write(dir.file("fresh.txt"), "x"));
    ::umask(mask);
    EXPECT_EQ(statOf(dir.file("fresh.txt")).st_mode & 07777, 0644u);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"fresh.txt", "secret.txt"}));
}

TEST(AtomicFile, WritesThroughSymbolicLinksToTheirTargets) {
    testsupport::TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0755), 0);
    const std::string target = dir.file("real/data.txt");
    ASSERT_TRUE(write(target, "old"));
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("real/data.txt", dir.file("link").c_str()), 0);
    ASSERT_EQ(::symlink("link", dir.file("link2").c_str()), 0);  // a link to a link

    platform::AtomicFile file(dir.file("link2"));
    ASSERT_TRUE(file.open());
    EXPECT_EQ(file.target(), dir.file("real/data.txt"));
    // The new file lies beside the target, so the rename stays in its folder.
    EXPECT_EQ(entries(dir.file("real")).size(), 2u);
    ASSERT_TRUE(file.write("through", 7));
    ASSERT_TRUE(file.commit());

    EXPECT_TRUE(S_ISLNK(statOf(dir.file("link")).st_mode));
    EXPECT_TRUE(S_ISLNK(statOf(dir.file("link2")).st_mode));
    EXPECT_EQ(testsupport::readFile(target), bytesOf("through"));
    EXPECT_EQ(statOf(target).st_mode & 07777, 0600u);
    EXPECT_EQ(entries(dir.file("real")), std::vector<std::string>{"data.txt"});

    // A dangling link gets its target made.
    ASSERT_EQ(::symlink("real/new.txt", dir.file("dangling").c_str()), 0);
    ASSERT_TRUE(write(dir.file("dangling"), "made"));
    EXPECT_TRUE(S_ISLNK(statOf(dir.file("dangling")).st_mode));
    EXPECT_EQ(testsupport::readFile(dir.file("real/new.txt")), bytesOf("made"));

    // A loop of links is refused.
    ASSERT_EQ(::symlink("loopB", dir.file("loopA").c_str()), 0);
    ASSERT_EQ(::symlink("loopA", dir.file("loopB").c_str()), 0);
    int error = 0;
    EXPECT_FALSE(write(dir.file("loopA"), "x", &error));
    EXPECT_EQ(error, ELOOP);
}

TEST(AtomicFile, RefusesTargetsThatCannotBeReplaced) {
    testsupport::TempDir dir;
    const std::string path = dir.file("options.dat");
    ASSERT_TRUE(write(path, "kept"));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    int error = 0;
    EXPECT_FALSE(write(path, "replaced", &error));  // also for the superuser
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(testsupport::readFile(path), bytesOf("kept"));
    EXPECT_EQ(statOf(path).st_mode & 07777, 0444u);

    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    EXPECT_FALSE(write(dir.file("folder"), "x", &error));
    EXPECT_EQ(error, EISDIR);

    ASSERT_TRUE(testsupport::makeFifo(dir.file("pipe")));
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({dir.file("pipe")}, [&] {
        EXPECT_FALSE(write(dir.file("pipe"), "x", &error));
        EXPECT_EQ(error, EINVAL);
    }));
    EXPECT_TRUE(S_ISFIFO(statOf(dir.file("pipe")).st_mode));

    EXPECT_FALSE(write(dir.file("missing/x.txt"), "x", &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"folder", "options.dat", "pipe"}));
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind) {
    testsupport::TempDir dir;
    const std::string path = dir.file("keep.bin");
    ASSERT_TRUE(write(path, "old"));
    const std::string big(64 * 1024, 'x');

    int error = 0;
    bool written = true, streamedOk = true;
    {
        testsupport::FileSizeLimit limit(4096);
        written = write(path, big, &error);
        // Through a stream the failure shows at the latest when it is flushed.
        platform::AtomicFile streamed(path);
        std::FILE* f = streamed.stream();
        ASSERT_NE(f, nullptr);
        static_cast<void>(std::fwrite(big.data(), 1, big.size(), f));
        streamedOk = streamed.commit();
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(error, EFBIG);
    EXPECT_FALSE(streamedOk);
    EXPECT_EQ(testsupport::readFile(path), bytesOf("old"));
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"keep.bin"});

    // An abandoned file is removed with the object.
    {
        platform::AtomicFile abandoned(path);
        ASSERT_TRUE(abandoned.open());
        ASSERT_TRUE(abandoned.write("half", 4));
        EXPECT_EQ(entries(dir.path()).size(), 2u);
    }
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"keep.bin"});
    EXPECT_EQ(testsupport::readFile(path), bytesOf("old"));
}

TEST(AtomicFile, OpensOnlyRegularFilesForReadingAndNeverWaits) {
    testsupport::TempDir dir;
    ASSERT_TRUE(write(dir.file("plain"), "abc"));
    const int fd = platform::openRegularFile(dir.file("plain"));
    ASSERT_GE(fd, 0);
    char buffer[4] = {};
    EXPECT_EQ(::read(fd, buffer, sizeof buffer), 3);
    ::close(fd);

    ASSERT_TRUE(testsupport::makeFifo(dir.file("picture.bmp")));
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({dir.file("picture.bmp")}, [&] {
        EXPECT_EQ(platform::openRegularFile(dir.file("picture.bmp")), -1);
        EXPECT_EQ(errno, EINVAL);
    }));
    EXPECT_EQ(platform::openRegularFile(dir.path()), -1);
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(platform::openRegularFile(dir.file("missing")), -1);
    EXPECT_EQ(errno, ENOENT);

    // The platform's file calls open a FIFO without waiting for its other end, and say
    // that it is no regular file.
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({dir.file("picture.bmp")}, [&] {
        const std::u16string name = platform::fileNameToWide(dir.file("picture.bmp"));
        HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(platform::isRegularFile(h));
        CloseHandle(h);
    }));
    HANDLE h = CreateFileA(dir.file("plain").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(platform::isRegularFile(h));
    CloseHandle(h);
    // Copying a FIFO is refused instead of waiting for data.
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({dir.file("picture.bmp")}, [&] {
        EXPECT_FALSE(CopyFileA(dir.file("picture.bmp").c_str(), dir.file("copy.bmp").c_str(), TRUE));
    }));
}
