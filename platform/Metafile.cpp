// Enhanced metafiles: the file's bytes behind a graphics object handle, the header read by
// our own code, and playing through an SVG rendering of the records.
#include "platform/metafile.h"

#include "DeviceContext.h"
#include "platform/GdiObject.h"
#include "platform/atomicfile.h"
#include "platform/fileapi.h"
#include "platform/winerror.h"

#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>

#include <emf2svg.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

namespace platform::gdi {
namespace {

class Metafile : public Object {
public:
    Metafile() : Object(OBJ_ENHMETAFILE) {}
    std::vector<BYTE> bytes;
    ENHMETAHEADER header{};
    UINT headerSize = 0;  // bytes of the header the file holds (88, 100 or 108)
};

DWORD readDword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

constexpr UINT MinimalHeader = 88;  // up to szlMillimeters

// Checks the header record and copies it out of the bytes; false when they are no
// enhanced metafile.
bool parseHeader(const std::vector<BYTE>& bytes, ENHMETAHEADER& header, UINT& headerSize) {
    if (bytes.size() < MinimalHeader) return false;
    const BYTE* p = bytes.data();
    if (readDword(p) != EMR_HEADER) return false;
    const DWORD size = readDword(p + 4);
    if (size < MinimalHeader || size > bytes.size() || size % 4 != 0) return false;
    if (readDword(p + 40) != ENHMETA_SIGNATURE) return false;
    header = ENHMETAHEADER{};
    headerSize = std::min<UINT>(size, sizeof(ENHMETAHEADER));
    // Fields past the record's own size stay 0 (older, shorter headers).
    std::memcpy(&header, p, headerSize);
    return true;
}

HENHMETAFILE adopt(std::vector<BYTE> bytes) {
    auto m = std::make_unique<Metafile>();
    if (!parseHeader(bytes, m->header, m->headerSize)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    m->bytes = std::move(bytes);
    return static_cast<HENHMETAFILE>(add(std::move(m)));
}

HENHMETAFILE openFile(const std::string& path) {
    const int fd = openRegularFile(path);
    if (fd < 0) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND
                     : errno == EACCES                  ? ERROR_ACCESS_DENIED
                                                        : ERROR_INVALID_DATA);
        return nullptr;
    }
    std::vector<BYTE> bytes;
    struct stat st{};
    bool ok = fstat(fd, &st) == 0;
    try {
        if (ok) bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        close(fd);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the file shrank: keep what was read, the header check decides
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    if (!ok) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    bytes.resize(done);
    return adopt(std::move(bytes));
}

Metafile* metafileOf(HENHMETAFILE h) { return find<Metafile>(h, OBJ_ENHMETAFILE); }

}  // namespace
}  // namespace platform::gdi

using namespace platform::gdi;

HENHMETAFILE GetEnhMetaFileA(LPCSTR fileName) {
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return openFile(platform::ansiToFileName(fileName));
}

HENHMETAFILE GetEnhMetaFileW(LPCWSTR fileName) {
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return openFile(platform::wideToFileName(fileName));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return adopt(std::vector<BYTE>(data, data + size));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header) {
    Metafile* m = metafileOf(metafile);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!header) return m->headerSize;
    const UINT n = std::min(size, m->headerSize);
    std::memcpy(header, &m->header, n);
    return n;
}

UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data) {
    Metafile* m = metafileOf(metafile);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const auto total = static_cast<UINT>(m->bytes.size());
    if (!data) return total;
    const UINT n = std::min(size, total);
    std::memcpy(data, m->bytes.data(), n);
    return n;
}

namespace {

// The SVG of the records in the metafile's device units, shifted so that the bounds'
// top-left corner is at (0, 0).
std::string deviceSvg(Metafile& m) {
    // The converter wants writable bytes.
    std::vector<char> contents(m.bytes.begin(), m.bytes.end());
    char nameSpace[] = "";
    generatorOptions options{};
    options.nameSpace = nameSpace;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    char* out = nullptr;
    std::size_t outLength = 0;
    const int ok = emf2svg(contents.data(), contents.size(), &out, &outLength, &options);
    std::string svg;
    if (ok && out) svg.assign(out, outLength);
    std::free(out);
    return svg;
}

// The drawing's area in the SVG's units: the bounds (inclusive), or, when they are empty,
// the frame converted to device units through the reference device.
QRectF drawingArea(const Metafile& m) {
    const RECTL& b = m.header.rclBounds;
    if (b.right >= b.left && b.bottom >= b.top)
        return QRectF(0, 0, double(b.right) - b.left + 1, double(b.bottom) - b.top + 1);
    const RECTL& f = m.header.rclFrame;
    const SIZEL& px = m.header.szlDevice;
    const SIZEL& mm = m.header.szlMillimeters;
    if (px.cx <= 0 || px.cy <= 0 || mm.cx <= 0 || mm.cy <= 0) return {};
    const double sx = double(px.cx) / (mm.cx * 100.0), sy = double(px.cy) / (mm.cy * 100.0);
    return QRectF(f.left * sx - b.left, f.top * sy - b.top, (double(f.right) - f.left + 1) * sx,
                  (double(f.bottom) - f.top + 1) * sy);
}

}  // namespace

std::string platform::enhMetaFileSvg(HENHMETAFILE metafile) {
    Metafile* m = metafileOf(metafile);
    return m ? deviceSvg(*m) : std::string();
}

BOOL PlayEnhMetaFile(HDC handle, HENHMETAFILE metafile, const RECT* rect) {
    DC* dc = findDC(handle);
    Metafile* m = metafileOf(metafile);
    if (!dc || !m || !rect) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const QRect target(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
    const QRectF area = drawingArea(*m);
    if (target.isEmpty() || area.isEmpty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string svg = deviceSvg(*m);
    QSvgRenderer renderer(QByteArray::fromRawData(svg.data(), static_cast<qsizetype>(svg.size())));
    if (svg.empty() || !renderer.isValid()) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    // The drawing's area fills the rectangle.
    renderer.setViewBox(area);
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    Paint p(*dc, false, target);
    if (!p.active()) return TRUE;  // nothing visible to draw on
    p.painter().setRenderHint(QPainter::Antialiasing, true);
    p.painter().setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.painter().setClipRect(target, Qt::IntersectClip);
    renderer.render(&p.painter(), QRectF(target));
    p.touched(target);
    return TRUE;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) {
    if (!metafileOf(metafile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return remove(metafile) ? TRUE : FALSE;
}
