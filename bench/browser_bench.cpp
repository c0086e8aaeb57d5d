// The thumbnail browser on a folder of 500 JPEG photographs of 4,000 x 3,000: the time until
// the first screen of thumbnails shows, until all are made, and to open the folder again
// from its cache file, with the memory it takes; GraphicsMagick's thumbnails of the same
// folder beside it (one process, its reduced JPEG decoding asked for with -size).
//   browser_bench [folder [--cached]]   (the folder is made when it holds no pictures;
//   default /tmp/tessellon-browser-bench; --cached only opens it again from its cache)
#include "GmPeer.h"
#include "pixwerk/pixwerk.h"
#include "poster/BrowserFUnit.h"

#include <QApplication>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

namespace {

constexpr int kFiles = 500, kWidth = 4000, kHeight = 3000, kDistinct = 10;

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A photograph-like picture: smooth fields, edges and grain, different per seed.
UniqueDib photo(unsigned seed) {
    UniqueDib dib;
    newdib(dib.out(), kWidth, kHeight, 24, nullptr, 0);
    std::mt19937 random(seed);
    const TDib& d = dib.get();
    const int cx = static_cast<int>(random() % kWidth), cy = static_cast<int>(random() % kHeight);
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = d.Bits + static_cast<std::ptrdiff_t>(y) * d.LineBytes;
        for (int x = 0; x < kWidth; ++x) {
            const int grain = static_cast<int>(random() % 13) - 6;
            const int r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) >> 14;
            row[3 * x] = static_cast<BYTE>(std::clamp((x / 17 + static_cast<int>(seed) * 29) % 256 + grain, 0, 255));
            row[3 * x + 1] = static_cast<BYTE>(std::clamp(40 + r2 % 180 + grain, 0, 255));
            row[3 * x + 2] = static_cast<BYTE>(std::clamp((y / 13 + x / 41) % 256 + grain, 0, 255));
        }
    }
    return dib;
}

std::string fileName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
    return name;
}

// Encodes ten photographs with our encoder and copies them into 500 files, each made unique
// by four bytes after the picture's end marker (which decoders ignore).
bool makeFolder(const std::string& folder) {
    struct stat st {};
    if (::stat((folder + "/" + fileName(kFiles - 1)).c_str(), &st) == 0) return true;
    ::mkdir(folder.c_str(), 0755);
    SetJPEGQual(90);
    std::vector<std::vector<char>> encoded;
    for (int k = 0; k < kDistinct; ++k) {
        const UniqueDib pic = photo(static_cast<unsigned>(k + 1));
        const std::string tmp = folder + "/template.jpg";
        if (!SaveDib(pic.get(), tmp.c_str(), PW_JPG, nullptr)) return false;
        std::ifstream in(tmp, std::ios::binary);
        encoded.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::remove(tmp.c_str());
    }
    for (int i = 0; i < kFiles; ++i) {
        std::ofstream out(folder + "/" + fileName(i), std::ios::binary);
        const auto& bytes = encoded[static_cast<std::size_t>(i % kDistinct)];
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.write(reinterpret_cast<const char*>(&i), sizeof i);
    }
    std::printf("made %d files of %zu bytes on average\n", kFiles, encoded[0].size());
    return true;
}

// Resident and peak resident memory in MiB; the peak is reset by resetPeak.
long statusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return 0;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Figures {
    double firstScreen = 0, all = 0;
    int shown = 0, opened = 0;
    long peakMiB = 0;
};

Figures browse(const std::string& folder, int firstScreenCells) {
    Figures f;
    resetPeak();
    const auto start = Clock::now();
    auto* browser = new TBrowserForm(nullptr, folder);
    browser->SetBounds(0, 0, 1024, 768);
    browser->Show();
    bool first = false;
    while (browser->Running()) {
        QApplication::processEvents();
        TThread::CheckSynchronize();
        if (!first && browser->Count() >= firstScreenCells) {
            // What the window shows is painted, then the time is taken.
            browser->PaintBox1->Repaint();
            f.firstScreen = since(start);
            first = true;
        }
    }
    QApplication::processEvents();
    f.all = since(start);
    if (!first) f.firstScreen = f.all;
    f.shown = browser->Count();
    f.opened = browser->OpenDibCount();
    f.peakMiB = statusKiB("VmHWM:") / 1024;
    delete browser;
    return f;
}

// Where the time of one file goes, over the first 50 files, in milliseconds.
void breakdown(const std::string& folder) {
    double check = 0, open = 0, shrink = 0;
    const int n = 50;
    for (int i = 0; i < n; ++i) {
        const std::string path = folder + "/" + fileName(i);
        auto a = Clock::now();
        ThumbCheckValue(path);
        auto b = Clock::now();
        UniqueDib dib;
        int w = 0, h = 0;
        OpenDibReduced(dib.out(), path.c_str(), PW_JPG, nullptr, kThumbMaxSide, &w, &h);
        auto c = Clock::now();
        const SIZE size = ThumbnailSize(w, h);
        const UniqueDib thumb = ShrinkToThumbnail(dib.get(), size.cx, size.cy);
        check += std::chrono::duration<double>(b - a).count();
        open += std::chrono::duration<double>(c - b).count();
        shrink += since(c);
    }
    std::printf("  per file: check value %.2f ms, reduced decoding %.2f ms, shrinking %.3f ms\n", check * 1000 / n,
                open * 1000 / n, shrink * 1000 / n);
}

}  // namespace

int main(int argc, char** argv) {
    // The browser's stored panel sizes go to a folder of the benchmark's own.
    QTemporaryDir config;
    if (config.isValid()) qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const std::string folder = argc > 1 ? argv[1] : "/tmp/tessellon-browser-bench";
    if (!makeFolder(folder)) {
        std::fprintf(stderr, "browser_bench: cannot make %s\n", folder.c_str());
        return 1;
    }
    const bool cachedOnly = argc > 2 && std::strcmp(argv[2], "--cached") == 0;
    if (cachedOnly) {
        struct stat cache {};
        if (::stat((folder + "/" + kThumbCacheName).c_str(), &cache) != 0) {
            std::fprintf(stderr, "browser_bench: %s has no cache yet\n", folder.c_str());
            return 1;
        }
    } else {
        std::remove((folder + "/" + kThumbCacheName).c_str());
    }
    // Warm the page cache so both sides read from memory.
    gmpeer::run("cat '" + folder + "'/*.JPG > /dev/null");

    // The first screen: the cells a 1,024 x 768 window shows at once.
    int cells = 0;
    {
        TBrowserForm probe(nullptr, std::string());
        probe.SetBounds(0, 0, 1024, 768);
        probe.Show();
        QApplication::processEvents();
        const int rows = (probe.ScrollBox1->ClientHeight() + 109) / 110;
        cells = probe.Columns() * rows;
    }
    if (!cachedOnly) breakdown(folder);
    const long baseMiB = statusKiB("VmRSS:") / 1024;
    const Figures fresh = cachedOnly ? Figures{} : browse(folder, cells);
    const Figures cached = browse(folder, cells);
    struct stat st {};
    ::stat((folder + "/" + kThumbCacheName).c_str(), &st);

    std::printf("thumbnail browser, %d JPEG files of %d x %d, one thread\n", kFiles, kWidth, kHeight);
    std::printf("  first screen (%d thumbnails): %.3f s\n", cells, fresh.firstScreen);
    std::printf("  all %d thumbnails:            %.3f s (%d pictures opened)\n", fresh.shown, fresh.all, fresh.opened);
    std::printf("  again from the cache:         %.3f s (%d pictures opened; first screen %.3f s)\n", cached.all,
                cached.opened, cached.firstScreen);
    std::printf("  memory: %ld MiB before, peak %ld MiB making, %ld MiB from the cache; cache file %lld KiB\n", baseMiB,
                fresh.peakMiB, cached.peakMiB, static_cast<long long>(st.st_size / 1024));

    if (cachedOnly) return cached.opened == 0 ? 0 : 1;
    // The peer: GraphicsMagick making the same thumbnails in one process.
    if (gmpeer::run("command -v gm > /dev/null")) {
        const std::string out = folder + "-gm";
        gmpeer::run("rm -rf '" + out + "' && mkdir -p '" + out + "'");
        const auto start = Clock::now();
        // mogrify writes below the output folder by the names it is given: relative ones.
        const bool ok = gmpeer::run("cd '" + folder + "' && gm mogrify -limit threads 1 -output-directory '" + out +
                                    "' -format bmp -size 160x160 -thumbnail 80x80 *.JPG");
        std::printf("  GraphicsMagick, one thread:   %.3f s%s\n", since(start), ok ? "" : " (failed)");
        gmpeer::run("rm -rf '" + out + "'");
    } else {
        std::printf("  GraphicsMagick is not installed: no peer figure\n");
    }
    return fresh.shown == kFiles && cached.opened == 0 ? 0 : 1;
}
