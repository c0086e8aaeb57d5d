#include "poster/ProgramFolder.h"

#include "classlib/SysUtils.h"
#include "platform/process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

String testFolder;
std::optional<bool> testWritable;

// File names for POSIX calls.
std::string systemName(const String& path) { return AnsiToUtf8(path); }

String executableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return IncludeTrailingPathDelimiter(GetCurrentDir());
        if (n < buffer.size()) return ExtractFilePath(String(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

bool folderWritable(const String& folder) {
    if (testWritable && folder == ProgramFolder()) return *testWritable;
    return ::faccessat(AT_FDCWD, systemName(folder).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

namespace programfolder {

void setFolderForTesting(const String& Folder, std::optional<bool> Writable) {
    testFolder = Folder.empty() ? String() : IncludeTrailingPathDelimiter(Folder);
    testWritable = Folder.empty() ? std::nullopt : Writable;
}

}  // namespace programfolder

String ProgramFolder() {
    if (!testFolder.empty()) return testFolder;
    static const String folder = executableFolder();
    return folder;
}

String UserDataFolder() {
    String base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        base = Utf8ToAnsi(xdg);
    } else if (const char* home = std::getenv("HOME"); home && home[0]) {
        base = IncludeTrailingPathDelimiter(Utf8ToAnsi(home)) + ".local/share";
    } else {
        base = "/tmp";
    }
    return IncludeTrailingPathDelimiter(base) + "tessellon/";
}

String WritableProgramFolder() {
    const String folder = ProgramFolder();
    return folderWritable(folder) ? folder : UserDataFolder();
}

String ProgramFileForReading(const String& Name) {
    const String written = WritableProgramFolder() + Name;
    if (FileExists(written)) return written;
    return ProgramFolder() + Name;
}

String ProgramFileForWriting(const String& Name) {
    const String folder = WritableProgramFolder();
    if (folder != ProgramFolder()) ForceDirectories(folder);
    return folder + Name;
}

bool WriteFileReplacing(const String& Path, const void* Data, std::size_t Size) {
    const std::string target = systemName(Path);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    const char* p = static_cast<const char*>(Data);
    std::size_t left = Size;
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

std::optional<std::vector<unsigned char>> ReadWholeFile(const String& Path, std::size_t Limit) {
    const int fd = ::open(systemName(Path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > Limit) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > Limit) {
            ::close(fd);
            return std::nullopt;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return bytes;
}
