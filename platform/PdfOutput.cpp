// Writing a printer's document through a temporary file.
#include "PdfDocument.h"

#include <cerrno>
#include <climits>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::pdf {
namespace {

constexpr std::size_t kBufferBytes = 1 << 18;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string resolveLinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> link(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size() - 1);
        if (n <= 0) return current;
        std::string next(link.data(), static_cast<std::size_t>(n));
        if (next[0] != '/') next = folderOf(current) + "/" + next;
        current = next;
    }
    return current;
}

Output::~Output() { discard(); }

void Output::fail(const std::string& what, int error) {
    if (!error_.empty()) return;
    error_ = what + (error ? std::string(": ") + std::strerror(error) : std::string());
}

bool Output::open(const std::string& target, bool replace) {
    discard();
    error_.clear();
    offset_ = 0;
    replace_ = replace;
    target_ = replace ? resolveLinks(target) : target;
    buffer_.clear();
    buffer_.reserve(kBufferBytes);
    if (!replace) {
        // A name ending in XXXXXX and an extension is made unique.
        std::vector<char> name(target_.begin(), target_.end());
        name.push_back('\0');
        const std::size_t dot = target_.find_last_of('.');
        const int suffix = dot != std::string::npos && dot >= 6 && target_.compare(dot - 6, 6, "XXXXXX") == 0
                               ? static_cast<int>(target_.size() - dot)
                               : -1;
        fd_ = suffix >= 0 ? ::mkstemps(name.data(), suffix)
                          : ::open(name.data(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            fail("the file could not be created", errno);
            return false;
        }
        writing_ = target_ = name.data();
        return true;
    }
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        fail("it is not a regular file", 0);
        return false;
    }
    const std::string folder = folderOf(target_);
    const std::string base = nameOf(target_);
    std::random_device random;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        writing_ = folder + (folder == "/" ? "." : "/.") + base + "." + std::to_string(random() % 1000000000u) + ".tmp";
        fd_ = ::open(writing_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int e = errno;
        writing_.clear();
        fail("the file could not be created", e);
        return false;
    }
    // The old file's permissions, else the usual ones of a new file.
    if (exists && ::fchmod(fd_, old.st_mode & 07777) != 0) {
        fail("the file's permissions could not be kept", errno);
        discard();
        return false;
    }
    return true;
}

bool Output::flushBuffer() {
    std::size_t done = 0;
    while (done < buffer_.size() && ok()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail("writing failed", n < 0 ? errno : ENOSPC);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return ok();
}

bool Output::write(const void* data, std::size_t size) {
    if (fd_ < 0 || !ok()) return false;
    const char* p = static_cast<const char*>(data);
    offset_ += size;
    while (size) {
        const std::size_t room = kBufferBytes - buffer_.size();
        const std::size_t n = std::min(room, size);
        buffer_.insert(buffer_.end(), p, p + n);
        p += n;
        size -= n;
        if (buffer_.size() == kBufferBytes && !flushBuffer()) return false;
    }
    return true;
}

bool Output::commit() {
    if (fd_ < 0) {
        fail("the file is not open", 0);
        return false;
    }
    flushBuffer();
    if (ok() && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) fail("the file could not be synced", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && ok()) fail("the file could not be closed", errno);
    if (ok() && replace_ && ::rename(writing_.c_str(), target_.c_str()) != 0)
        fail("the file could not be replaced", errno);
    if (!ok()) {
        ::unlink(writing_.c_str());
        writing_.clear();
        return false;
    }
    writing_ = target_;
    return true;
}

void Output::discard() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    if (!writing_.empty()) ::unlink(writing_.c_str());
    writing_.clear();
    buffer_.clear();
}

}  // namespace platform::pdf
