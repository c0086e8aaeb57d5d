// The file layer of the thumbnail cache: the cache of a folder, the check value of a
// picture file, the look-up by name and writing through a temporary file.
#include "poster/ProgramFolder.h"
#include "poster/ThumbCache.h"

#include "classlib/SysUtils.h"
#include "platform/digest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A cache file read with pread; closed with the object.
class TThumbCacheFile : public TThumbCacheSource {
public:
    explicit TThumbCacheFile(const String& Path) {
        fd_ = ::open(AnsiToUtf8(Path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0) size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~TThumbCacheFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    TThumbCacheFile(const TThumbCacheFile&) = delete;
    TThumbCacheFile& operator=(const TThumbCacheFile&) = delete;

    bool opened() const { return fd_ >= 0; }
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t Position, void* Buffer, std::size_t Count) const override {
        if (fd_ < 0 || Position > size_ || Count > size_ - Position) return false;
        auto* p = static_cast<char*>(Buffer);
        while (Count > 0) {
            const ssize_t n = ::pread(fd_, p, Count, static_cast<off_t>(Position));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            p += n;
            Position += static_cast<std::uint64_t>(n);
            Count -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

}  // namespace

std::string ThumbCachePath(const std::string& Folder) {
    if (Folder.empty()) return kThumbCacheName;
    return IncludeTrailingPathDelimiter(Folder) + kThumbCacheName;
}

bool ReadThumbIndex(const std::string& Folder, TThumbIndex& Index) {
    Index.clear();
    const TThumbCacheFile file(ThumbCachePath(Folder));
    if (!file.opened()) return false;
    Index = ParseThumbIndex(file);
    for (TThumbIndexRec& rec : Index) rec.Name = Utf8ToAnsi(rec.Name);
    return true;
}

UniqueDib LoadThumb(const std::string& Folder, const TThumbIndexRec& Entry) {
    const TThumbCacheFile file(ThumbCachePath(Folder));
    if (!file.opened()) return UniqueDib();
    return LoadThumb(file, Entry);
}

const TThumbIndexRec* FindThumb(const TThumbIndex& Index, const std::string& Name, std::int32_t Check) {
    if (Check < 0) return nullptr;
    for (const TThumbIndexRec& rec : Index)
        if (rec.Info.Check == Check && rec.Name == Name) return &rec;
    const String upper = AnsiUpperCase(Name);
    for (const TThumbIndexRec& rec : Index)
        if (rec.Info.Check == Check && AnsiUpperCase(rec.Name) == upper) return &rec;
    return nullptr;
}

std::int32_t ThumbCheckValue(const std::string& Path, const std::function<void(int)>& Progress) {
    const int fd = ::open(AnsiToUtf8(Path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::vector<unsigned char> buffer(65536);
    platform::ContentDigest digest;
    std::uint64_t done = 0;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        digest.add(buffer.data(), static_cast<std::size_t>(n));
        done += static_cast<std::uint64_t>(n);
        if (Progress && size > 0) Progress(static_cast<int>(std::min<std::uint64_t>(done, size) * 100 / size));
    }
    ::close(fd);
    if (Progress) Progress(0);
    if (!ok) return -1;
    const std::uint64_t d = digest.value();
    return static_cast<std::int32_t>((d ^ d >> 32) & 0x7FFFFFFFu);
}

bool ThumbCacheReplaceable(const std::string& Path) {
    const int fd = ::open(AnsiToUtf8(Path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return true;
    unsigned char magic[2] = {};
    ssize_t n;
    do {
        n = ::pread(fd, magic, sizeof magic, 0);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    return n == 2 && (magic[0] | magic[1] << 8) == kThumbCacheMagic;
}

bool WriteThumbCache(const std::string& Folder, const std::vector<TThumbEntry>& Entries) {
    if (Entries.empty()) return false;
    const String path = ThumbCachePath(Folder);
    if (!ThumbCacheReplaceable(path)) return false;
    std::vector<TThumbEntry> stored = Entries;
    for (TThumbEntry& e : stored) e.Name = AnsiToUtf8(e.Name);
    int written = 0;
    const std::vector<unsigned char> bytes = ThumbCacheImage(stored, &written);
    if (written == 0) return false;
    return WriteFileReplacing(path, bytes.data(), bytes.size());
}
