// The PDF documents of the printers: a file written safely, the objects of a document, and
// a paint device whose pages become the document's pages.
//
// The device works in device pixels at the job's resolution with the origin at the
// printable area's top-left corner, as the printer DCs do. Pictures are written while they
// are drawn (a section at a time, in bands of rows), so memory stays flat however large the
// picture; text is kept as text (fonts built from the glyph outlines); lines, fills and
// clips are vector operations.
#pragma once

#include "platform/pdf.h"

#include <QByteArray>
#include <QPageLayout>
#include <QPaintDevice>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPaintEngine;

namespace platform::pdf {

// A file written through a temporary file. With `replace`, the temporary file lies in the
// target's folder (a symbolic link's target: the link stays) and replaces the target only
// when everything was written, keeping the old file's permissions; without, the file is
// written where it is named and removed again when the writing fails.
class Output {
public:
    Output() = default;
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool open(const std::string& target, bool replace);
    bool write(const void* data, std::size_t size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), static_cast<std::size_t>(bytes.size())); }
    bool write(const std::string& s) { return write(s.data(), s.size()); }
    bool write(const char* s) { return write(s, std::strlen(s)); }
    std::uint64_t offset() const { return offset_; }
    bool ok() const { return error_.empty(); }
    // Why the first failure happened (empty while all is well).
    const std::string& error() const { return error_; }
    // Writes out, syncs and closes; then renames over the target (replace). False with the
    // error set when any of it failed; the target is then as it was.
    bool commit();
    // Drops the file; the target stays as it was.
    void discard();
    // The file that holds the data: the target, or the temporary file until commit.
    const std::string& path() const { return writing_; }
    // The file that was written (after commit: the target itself, links resolved).
    const std::string& target() const { return target_; }

private:
    bool flushBuffer();
    void fail(const std::string& what, int error);

    int fd_ = -1;
    bool replace_ = false;
    std::string target_;
    std::string writing_;
    std::string error_;
    std::vector<char> buffer_;
    std::uint64_t offset_ = 0;
};

// The target of a path with its symbolic links followed (the path itself when it is not a
// link; a dangling link gives the file it points to).
std::string resolveLinks(const std::string& path);

struct JobSettings {
    QPageLayout layout;
    int resolution = 600;
    std::u16string title;
    PdfPictureSetting pictures;
    // Whether a JPEG file may be embedded once for all pages where that is smaller than its
    // sections (a document for a file); a queue's filters take each page's section alone.
    bool shareFiles = true;
};

class Engine;

// One document.
class Job : public QPaintDevice {
public:
    explicit Job(Output& output, const JobSettings& settings);
    ~Job() override;

    QPaintEngine* paintEngine() const override;
    // Pages: the device is on its first page from the start; startPage moves on.
    bool newPage();
    // Writes the rest of the document; the output is then complete (not yet committed).
    bool finish();
    bool ok() const;
    std::string error() const;

    int addJpegPicture(const void* bits, long lineBytes, int width, int height, int bitCount, const JpegOrigin& origin);
    void removeJpegPicture(int id);

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<Engine> engine_;
    JobSettings settings_;
};

// The number of the section's pixel rows drawn together.
inline constexpr int kBandRows = 256;

}  // namespace platform::pdf

namespace platform {
// The document a printer DC draws into now, or null (no job, or not one of ours).
pdf::Job* pdfDocumentOf(HDC dc);
}  // namespace platform
