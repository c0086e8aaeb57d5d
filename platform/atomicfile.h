// Writing a file as a whole and opening a file for reading without waiting.
//
// A written file goes to a new file in the target's folder, which is renamed over the
// target once every byte is on the disk, so a failed write leaves the old file as it was.
// The new file gets the old one's mode and owner; a symbolic link is followed and its
// final target replaced, so the link stays. A target that cannot be written (read-only,
// a folder, not a regular file) is refused and left alone. Paths are the bytes of the
// file system.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();  // removes the new file unless it was committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the new file. False, with error() telling why, when the target is refused
    // (EACCES read-only, EISDIR a folder, EINVAL not a regular file, ELOOP too many links)
    // or the new file cannot be made.
    bool open();
    // A stdio stream over the new file, made on first use; it belongs to this object.
    std::FILE* stream();
    // Appends bytes; false when they could not all be written.
    bool write(const void* data, std::size_t size);
    // Flushes, syncs, gives the new file the old one's mode and owner, closes it and
    // renames it over the target. False when any step failed: the target is unchanged.
    bool commit();
    // The errno of the first failure, 0 while there was none.
    int error() const { return error_; }
    // The file that is replaced: the path with its symbolic links followed.
    const std::string& target() const { return target_; }

private:
    bool fail(int error);
    void discard();

    std::string path_, target_, temp_;
    int fd_ = -1;
    std::FILE* stream_ = nullptr;
    bool haveOld_ = false, committed_ = false;
    unsigned oldMode_ = 0, oldUid_ = 0, oldGid_ = 0;
    int error_ = 0;
};

// Writes `size` bytes as the whole file `path` through an AtomicFile. False when the
// target is refused or a step fails; *error (when given) gets the errno.
bool writeWholeFile(const std::string& path, const void* data, std::size_t size, int* error = nullptr);

// Opens an existing file for reading without waiting on a FIFO or a device: the
// descriptor (blocking, close-on-exec), or -1 with errno set; EINVAL for anything but a
// regular file.
int openRegularFile(const std::string& path);

}  // namespace platform
