// Helpers shared by the test programs.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QObject>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Whether tests hold code to its time limits: not in sanitizer builds, whose instrumented
// code runs several times slower, nor on a machine busier than its processors can serve.
inline bool TimingChecked() {
#ifdef TESSELLON_INSTRUMENTED
    return false;
#else
    double load = 0;
    const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    return ::getloadavg(&load, 1) != 1 || load <= static_cast<double>(processors > 0 ? processors : 1);
#endif
}

// Serves the event loop until done() holds; false when ms milliseconds pass first.
template <class Done>
bool waitFor(Done done, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A fresh folder that is removed with the object.
class TempDir {
public:
    TempDir();
    std::string path() const;                      // without a trailing "/"
    std::string file(const std::string& name) const;  // path() + "/" + name
private:
    QTemporaryDir dir_;
};

// Runs a shell command and returns its exit status (-1 when it could not run).
int runCommand(const std::string& command);

// Whether an executable is on the PATH.
bool haveProgram(const std::string& name);

std::vector<unsigned char> readFile(const std::string& path);
bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);

// An environment variable's value, or an empty text.
std::string env(const char* name);

// One page (from 1) of a PDF rasterised at `dpi` with pdftoppm, or the part `crop` of it
// (pixels at that dpi); a null image when that fails.
QImage rasterisePdf(const std::string& pdf, int page, int dpi, const TempDir& scratch, QRect crop = {});

// The PDF that the CUPS PDF driver writes into outDir for a job of that title (its name
// carries the title with blanks as underscores); empty when none arrives within ms.
std::string waitForCupsPdf(const std::string& outDir, const std::string& title, int ms = 60000);

// JPEG files through libjpeg with its default decoding (what the raster library does):
// writes an RGB image at a quality with 4:4:4 (subsampled false) or 4:2:0 chroma, reads one
// back as RGB32; a null image when the file is not a JPEG.
bool writeJpeg(const QImage& image, const std::string& path, int quality, bool subsampled);
QImage readJpeg(const std::string& path);

// The images of a PDF as pdfimages extracts them: `mode` "-j" keeps JPEG data as .jpg
// files, "-png" writes everything as PNG. The files in page order.
std::vector<std::string> extractPdfImages(const std::string& pdf, const TempDir& scratch, const std::string& mode);
// The output of a command (standard output only), or empty when it failed.
std::string commandOutput(const std::string& command);

// Peak signal-to-noise ratio of two images of the same size over their RGB values, in dB
// (1000 for identical images).
double psnr(const QImage& a, const QImage& b);

// Counts the paint events a widget gets (install it with installEventFilter).
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// A picture like a photograph: smooth colour fields with fine grain, from a seed.
QImage photoLike(int width, int height, unsigned seed);

// Limits the size of files this process writes while it lives (writes past it fail with
// EFBIG instead of a signal).
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long oldCur_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

// Makes a FIFO at `path`; false when it cannot be made.
bool makeFifo(const std::string& path);
// Runs `call`, which may open the FIFOs `fifos`; true when it returns within `ms`. A call
// that waits on one is then given writers that close at once, so it can end.
bool returnsWithoutWaiting(const std::vector<std::string>& fifos, const std::function<void()>& call, int ms = 3000);

}  // namespace testsupport
