// Opening and saving picture files: file names, reading, format choice, safe writing.
#include "pixwerk/Formats.h"
#include "platform/codepage.h"

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace pixwerk {
namespace {

// A file name in the process's code page as the file system spells it.
std::string systemName(const char* fileName) {
    const std::u16string wide = platform::ansiToWide(fileName);
    const QByteArray encoded = QFile::encodeName(QString::fromStdU16String(wide));
    return std::string(encoded.constData(), static_cast<std::size_t>(encoded.size()));
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

struct FileData {
    std::unique_ptr<BYTE[]> bytes;
    std::size_t size = 0;
};

// Reads a whole regular file with one allocation; an error text on failure.
std::string readWholeFile(const std::string& path, FileData& data) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return "The file could not be opened: " + std::string(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return "The file is not a regular file";
    if (st.st_size <= 0) return "The file is empty";
    data.size = static_cast<std::size_t>(st.st_size);
    data.bytes.reset(new (std::nothrow) BYTE[data.size]);
    if (!data.bytes) return "Not enough memory to read the file";
    std::size_t done = 0;
    while (done < data.size) {
        const ssize_t n = ::read(fd.get(), data.bytes.get() + done, data.size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return "The file could not be read";
        done += static_cast<std::size_t>(n);
    }
    return {};
}

// The format that decodes a file: the chosen one when the content agrees, else the one
// the content shows, else the chosen one (whose decoder then tells what is wrong).
const Format* decodingFormat(const Format* chosen, const BYTE* data, std::size_t size) {
    if (chosen && chosen->sniff(data, size)) return chosen;
    if (const Format* sniffed = formatOfContent(data, size)) return sniffed;
    return chosen;
}

void openPicture(TDib* out, const char* fileName, int type, Progress& progress) {
    if (!fileName || !*fileName) return failDib(out, "No file name was given");
    FileData file;
    const std::string error = readWholeFile(systemName(fileName), file);
    if (!error.empty()) return failDib(out, error);
    const Format* chosen = type == PW_BY_EXTENSION ? formatOfName(fileName) : formatOfType(type);
    const Format* format = decodingFormat(chosen, file.bytes.get(), file.size);
    if (!format) return failDib(out, "The file is not a picture of a known format");
    if (!format->decode(file.bytes.get(), file.size, out, progress) || !out->Bits) {
        if (DibErrorText(*out).size() < 6) failDib(out, "The picture file is damaged");
        return;
    }
    recordOrigin(*out, systemName(fileName), format->type, file.bytes.get(), file.size);
}

// A new file beside `target` that no one else uses, created with the usual permissions.
int createTemporary(const std::string& target, std::string& name) {
    const std::size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = dir + (dir == "/" ? "." : "/.") + base + "." + std::to_string(random() % 1000000000u) + ".tmp";
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writePicture(const TDib& dib, const std::string& target, const Format& format, Progress& progress) {
    std::string temp;
    Fd fd(createTemporary(target, temp));
    if (fd.get() < 0) return false;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd.get(), old.st_mode & 07777);
    std::FILE* file = ::fdopen(fd.get(), "w+b");
    bool ok = file != nullptr;
    if (ok) {
        fd.release();
        ok = format.encode(dib, file, format.type, progress);
        ok = std::fflush(file) == 0 && ok;
        ok = ::fsync(::fileno(file)) == 0 && ok;
        ok = std::fclose(file) == 0 && ok;
    }
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool validPicture(const TDib& dib) {
    if (!dib.Bits || !dib.Info) return false;
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    const int bits = h.biBitCount;
    return h.biWidth > 0 && h.biHeight > 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 24) &&
           dib.LineBytes >= lineBytesFor(h.biWidth, bits);
}

}  // namespace
}  // namespace pixwerk

using namespace pixwerk;

extern "C" void OpenDib(TDib* out, const char* fileName, int type, HWND wnd) {
    if (!out) return;
    std::memset(out, 0, sizeof *out);
    Progress progress(wnd);
    openPicture(out, fileName, type, progress);
    progress.done();
}

extern "C" int SaveDib(TDib dib, const char* fileName, int type, HWND wnd) {
    if (!validPicture(dib) || !fileName || !*fileName) return 0;
    const Format* format = type == PW_BY_EXTENSION ? formatOfName(fileName) : formatOfType(type);
    if (!format) return 0;
    Progress progress(wnd);
    const bool ok = writePicture(dib, systemName(fileName), *format, progress);
    progress.done();
    return ok ? 1 : 0;
}

extern "C" const char* GetDIBOpenFilter() { return openFilter().c_str(); }

extern "C" const char* GetDIBSaveFilter() { return saveFilter().c_str(); }
