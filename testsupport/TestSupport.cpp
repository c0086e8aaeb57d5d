#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
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
    while (timer.elapsed() < ms) {
        for (const QFileInfo& f : QDir(QString::fromStdString(outDir)).entryInfoList({"*.pdf"}, QDir::Files)) {
            // The driver renames the file into place once it is complete.
            if (f.fileName().contains(token) && f.size() > 0) {
                QThread::msleep(300);
                return f.absoluteFilePath().toStdString();
            }
        }
        QThread::msleep(100);
    }
    return {};
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
