#include "poster/ProgramFolder.h"

#include "classlib/SysUtils.h"
#include "platform/atomicfile.h"
#include "platform/fileapi.h"
#include "platform/process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

String testFolder;
std::optional<bool> testWritable;

// File names for POSIX calls: the bytes of the file system, UTF-8 or not.
std::string systemName(const String& path) { return platform::ansiToFileName(path); }

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
        base = platform::fileNameToAnsi(xdg);
    } else if (const char* home = std::getenv("HOME"); home && home[0]) {
        base = IncludeTrailingPathDelimiter(platform::fileNameToAnsi(home)) + ".local/share";
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
    return platform::writeWholeFile(systemName(Path), Data, Size);
}

std::optional<std::vector<unsigned char>> ReadWholeFile(const String& Path, std::size_t Limit) {
    const int fd = platform::openRegularFile(systemName(Path));
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<unsigned long long>(st.st_size) > Limit) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
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
