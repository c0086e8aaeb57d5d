#include "testsupport/TestSupport.h"

#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <memory>

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir() : dir_(QDir::tempPath() + "/tessellon-test-XXXXXX") {}

std::string TempDir::path() const { return dir_.path().toStdString(); }

std::string TempDir::file(const std::string& name) const { return path() + "/" + name; }

int runCommand(const std::string& command) {
    int rc = std::system(command.c_str());
    if (rc == -1) return -1;
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

bool haveProgram(const std::string& name) {
    return runCommand("command -v '" + name + "' >/dev/null 2>&1") == 0;
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

QImage rasterisePdf(const std::string& pdf, int page, int dpi, const TempDir& scratch, QRect crop) {
    const std::string base = scratch.file("r");
    std::string cmd = "pdftoppm -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " +
                      std::to_string(page) + " -singlefile -png";
    if (!crop.isNull())
        cmd += " -x " + std::to_string(crop.x()) + " -y " + std::to_string(crop.y()) + " -W " +
               std::to_string(crop.width()) + " -H " + std::to_string(crop.height());
    if (runCommand(cmd + " '" + pdf + "' '" + base + "' 2>/dev/null") != 0) return {};
    QImage image(QString::fromStdString(base + ".png"));
    QFile::remove(QString::fromStdString(base + ".png"));
    return image.convertToFormat(QImage::Format_RGB32);
}

std::string waitForCupsPdf(const std::string& outDir, const std::string& title, int ms) {
    QString token = QString::fromStdString(title);
    token.replace(' ', '_');
    QElapsedTimer timer;
    timer.start();
    // The driver writes the file in place: it is complete once it ends with its trailer and
    // stops growing.
    auto complete = [](const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly) || f.size() < 16) return false;
        f.seek(std::max<qint64>(0, f.size() - 1024));
        return f.readAll().contains("%%EOF");
    };
    while (timer.elapsed() < ms) {
        for (const QFileInfo& f : QDir(QString::fromStdString(outDir)).entryInfoList({"*.pdf"}, QDir::Files)) {
            if (!f.fileName().contains(token) || f.size() <= 0) continue;
            const QString path = f.absoluteFilePath();
            qint64 size = -1;
            while (timer.elapsed() < ms) {
                const qint64 now = QFileInfo(path).size();
                if (now == size && complete(path)) return path.toStdString();
                size = now;
                QThread::msleep(300);
            }
            return {};
        }
        QThread::msleep(100);
    }
    return {};
}

namespace {

struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void jpegFailed(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

struct JpegRead {
    jpeg_decompress_struct c{};
    JpegError err{};
    std::vector<unsigned char> bytes;
    QImage image;
};

bool runRead(JpegRead& r) {
    if (setjmp(r.err.jump)) {
        jpeg_destroy_decompress(&r.c);
        return false;
    }
    jpeg_create_decompress(&r.c);
    jpeg_mem_src(&r.c, r.bytes.data(), static_cast<unsigned long>(r.bytes.size()));
    jpeg_read_header(&r.c, TRUE);
    r.c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&r.c);
    r.image = QImage(static_cast<int>(r.c.output_width), static_cast<int>(r.c.output_height), QImage::Format_RGB888);
    while (r.c.output_scanline < r.c.output_height) {
        JSAMPROW row = r.image.scanLine(static_cast<int>(r.c.output_scanline));
        jpeg_read_scanlines(&r.c, &row, 1);
    }
    jpeg_finish_decompress(&r.c);
    jpeg_destroy_decompress(&r.c);
    return true;
}

}  // namespace

bool writeJpeg(const QImage& source, const std::string& path, int quality, bool subsampled) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(image.width());
    c.image_height = static_cast<JDIMENSION>(image.height());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = subsampled ? 2 : 1;
    for (int i = 1; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

QImage readJpeg(const std::string& path) {
    auto r = std::make_unique<JpegRead>();
    r->bytes = readFile(path);
    if (r->bytes.size() < 4) return {};
    r->c.err = jpeg_std_error(&r->err.pub);
    r->err.pub.error_exit = jpegFailed;
    if (!runRead(*r)) return {};
    return r->image.convertToFormat(QImage::Format_RGB32);
}

std::string commandOutput(const std::string& command) {
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return {};
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    return ::pclose(p) == 0 ? out : std::string();
}

std::vector<std::string> extractPdfImages(const std::string& pdf, const TempDir& scratch, const std::string& mode) {
    const std::string base = scratch.file("img");
    std::vector<std::string> files;
    if (runCommand("pdfimages " + mode + " '" + pdf + "' '" + base + "' 2>/dev/null") != 0) return files;
    QStringList names = QDir(QString::fromStdString(scratch.path())).entryList({"img-*"}, QDir::Files, QDir::Name);
    for (const QString& n : names) files.push_back(scratch.file(n.toStdString()));
    return files;
}

double psnr(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int r = 0; r < x.height(); ++r) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c) {
            const int dr = qRed(p[c]) - qRed(q[c]), dg = qGreen(p[c]) - qGreen(q[c]), db = qBlue(p[c]) - qBlue(q[c]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    if (sum == 0) return 1000;
    const double mse = sum / (3.0 * x.width() * x.height());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

bool PaintCounter::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
}

QImage photoLike(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int grain = static_cast<int>((seed >> 16) & 7) - 4;
            const int r = 60 + 150 * x / std::max(1, width - 1) + ((x / 23 + y / 17) % 2) * 20;
            const int g = 40 + 170 * y / std::max(1, height - 1);
            const int b = 200 - ((x - width / 2) * (x - width / 2) + (y - height / 3) * (y - height / 3)) * 150 /
                                    std::max(1, width * width / 4 + height * height / 4);
            row[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255), std::clamp(b + grain, 0, 255));
        }
    }
    return image;
}

}  // namespace testsupport

namespace testsupport {

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    oldCur_ = limit.rlim_cur;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = oldCur_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler_);
}

bool makeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

bool returnsWithoutWaiting(const std::vector<std::string>& fifos, const std::function<void()>& call, int ms) {
    // The call runs on this thread (it may make windows); a watchdog frees it when it waits.
    std::promise<void> finished;
    std::shared_future<void> done = finished.get_future().share();
    std::atomic<bool> late{false};
    std::thread watchdog([&, done] {
        if (done.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready) return;
        late = true;
        while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            for (const std::string& fifo : fifos) {
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) ::close(fd);
            }
        }
    });
    call();
    finished.set_value();
    watchdog.join();
    return !late;
}

}  // namespace testsupport
