// Whole-file writes through a new file and a rename; opening files without waiting.
#include "platform/atomicfile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path with its symbolic links followed, also the last one when it dangles; empty
// with errno ELOOP for a loop.
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) return path;
        const std::string link(buffer.data(), static_cast<std::size_t>(n));
        path = !link.empty() && link[0] == '/' ? link : folderOf(path) + "/" + link;
    }
    errno = ELOOP;
    return {};
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Gives the file the old one's owner and group. Only the superuser can give a file away;
// others keep the group when they may, else the file stays their own.
void keepOwner(int fd, unsigned uid, unsigned gid) {
    struct stat now {};
    if (::fstat(fd, &now) != 0 || (now.st_uid == uid && now.st_gid == gid)) return;
    if (::fchown(fd, static_cast<uid_t>(uid), static_cast<gid_t>(gid)) == 0) return;
    if (::fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(gid)) == 0) return;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::fail(int error) {
    if (!error_) error_ = error ? error : EIO;
    return false;
}

void AtomicFile::discard() {
    if (stream_) std::fclose(stream_);
    else if (fd_ >= 0) ::close(fd_);
    stream_ = nullptr;
    fd_ = -1;
    if (!temp_.empty() && !committed_) ::unlink(temp_.c_str());
    temp_.clear();
}

bool AtomicFile::open() {
    if (fd_ >= 0) return true;
    if (path_.empty()) return fail(ENOENT);
    target_ = followLinks(path_);
    if (target_.empty()) return fail(ELOOP);
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return fail(EISDIR);
        if (!S_ISREG(st.st_mode)) return fail(EINVAL);
        // A file made read-only stays as it is, also for the superuser.
        if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) ||
            ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
            return fail(EACCES);
        haveOld_ = true;
        oldMode_ = st.st_mode & 07777;
        oldUid_ = st.st_uid;
        oldGid_ = st.st_gid;
    } else if (errno != ENOENT) {
        return fail(errno);
    }
    const std::string folder = folderOf(target_);
    const std::string name = nameOf(target_);
    std::random_device random;
    for (int attempt = 0; attempt < 32; ++attempt) {
        temp_ = folder + (folder == "/" ? "." : "/.") + name + "." + std::to_string(random() % 1000000000u) + ".tmp";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return true;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temp_.clear();
    return fail(error);
}

std::FILE* AtomicFile::stream() {
    if (stream_) return stream_;
    if (fd_ < 0 && !open()) return nullptr;
    stream_ = ::fdopen(fd_, "wb");
    if (!stream_) fail(errno);
    return stream_;
}

bool AtomicFile::write(const void* data, std::size_t size) {
    if (fd_ < 0 && !open()) return false;
    if (stream_) {
        if (size && std::fwrite(data, 1, size, stream_) != size) return fail(errno);
        return true;
    }
    return writeAll(fd_, data, size) || fail(errno);
}

bool AtomicFile::commit() {
    if (fd_ < 0 && !open()) return false;
    bool ok = error_ == 0;
    if (stream_ && std::fflush(stream_) != 0) ok = fail(errno);
    if (stream_ && std::ferror(stream_)) ok = fail(EIO);
    if (ok && haveOld_) {
        if (::fchmod(fd_, static_cast<mode_t>(oldMode_)) != 0) ok = fail(errno);
        if (ok) keepOwner(fd_, oldUid_, oldGid_);
    }
    if (ok && ::fsync(fd_) != 0) ok = fail(errno);
    const int closed = stream_ ? std::fclose(stream_) : ::close(fd_);
    if (closed != 0 && ok) ok = fail(errno);
    stream_ = nullptr;
    fd_ = -1;
    if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) ok = fail(errno);
    if (!ok) {
        discard();
        return false;
    }
    committed_ = true;
    temp_.clear();
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool writeWholeFile(const std::string& path, const void* data, std::size_t size, int* error) {
    AtomicFile file(path);
    const bool ok = file.open() && file.write(data, size) && file.commit();
    if (error) *error = ok ? 0 : file.error();
    return ok;
}

int openRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace platform
