// Opening and saving picture files: file names, reading, format choice, safe writing.
#include "pixwerk/Formats.h"
#include "platform/atomicfile.h"
#include "platform/fileapi.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace pixwerk {
namespace {

// A file name in the process's code page as the file system spells it: with the UTF-8
// code page the bytes themselves, whether they are UTF-8 or not.
std::string systemName(const char* fileName) { return platform::ansiToFileName(fileName); }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct FileData {
    std::unique_ptr<BYTE[]> bytes;
    std::size_t size = 0;
};

// Reads a whole regular file with one allocation; an error text on failure. A FIFO or a
// device is refused before anything waits on it.
std::string readWholeFile(const std::string& path, FileData& data) {
    Fd fd(platform::openRegularFile(path));
    if (fd.get() < 0) {
        if (errno == EINVAL || errno == EISDIR) return "The file is not a regular file";
        return "The file could not be opened: " + std::string(std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return "The file could not be read";
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
    const ReducedDecode* reduced = reducedDecode();
    if (!reduced || !reduced->reduced) recordOrigin(*out, systemName(fileName), format->type, file.bytes.get(), file.size);
}

bool writePicture(const TDib& dib, const std::string& target, const Format& format, Progress& progress) {
    platform::AtomicFile file(target);
    std::FILE* stream = file.stream();
    return stream && format.encode(dib, stream, format.type, progress) && file.commit();
}

bool validPicture(const TDib& dib) {
    if (!dib.Bits || !dib.Info) return false;
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    const int bits = h.biBitCount;
    return h.biWidth > 0 && h.biHeight > 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 24) &&
           dib.LineBytes >= lineBytesFor(h.biWidth, bits);
}

}  // namespace

ReducedDecode*& reducedDecode() {
    thread_local ReducedDecode* current = nullptr;
    return current;
}

}  // namespace pixwerk

using namespace pixwerk;

extern "C" void OpenDib(TDib* out, const char* fileName, int type, HWND wnd) {
    if (!out) return;
    std::memset(out, 0, sizeof *out);
    Progress progress(wnd);
    openPicture(out, fileName, type, progress);
    if (out->Bits) progress.percent(100);  // whatever rows the format's last step skipped
    progress.done();
}

void OpenDibReduced(TDib* out, const char* fileName, int type, HWND wnd, int MinSide, int* FullWidth,
                    int* FullHeight) {
    if (FullWidth) *FullWidth = 0;
    if (FullHeight) *FullHeight = 0;
    if (!out) return;
    ReducedDecode request;
    request.minSide = std::max(1, MinSide);
    ReducedDecode* const outer = reducedDecode();
    reducedDecode() = &request;
    OpenDib(out, fileName, type, wnd);
    reducedDecode() = outer;
    if (!out->Bits) return;
    if (request.fullWidth <= 0 || request.fullHeight <= 0) {
        request.fullWidth = out->Info->bmiHeader.biWidth;
        request.fullHeight = out->Info->bmiHeader.biHeight;
    }
    if (FullWidth) *FullWidth = request.fullWidth;
    if (FullHeight) *FullHeight = request.fullHeight;
}

extern "C" int SaveDib(TDib dib, const char* fileName, int type, HWND wnd) {
    if (!validPicture(dib) || !fileName || !*fileName) return 0;
    const Format* format = type == PW_BY_EXTENSION ? formatOfName(fileName) : formatOfType(type);
    if (!format) return 0;
    Progress progress(wnd);
    const bool ok = writePicture(dib, systemName(fileName), *format, progress);
    if (ok) progress.percent(100);
    progress.done();
    return ok ? 1 : 0;
}

extern "C" const char* GetDIBOpenFilter() { return openFilter().c_str(); }

extern "C" const char* GetDIBSaveFilter() { return saveFilter().c_str(); }
