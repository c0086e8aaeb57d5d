// The editor's colour, geometry and effect operations on a 6,000 x 4,000 true-colour
// picture against GraphicsMagick's nearest operations on the same picture: gamma,
// saturation, rotation by 17 degrees, perspective (the peer: an affine shear), mosaic (the
// peer: sampling down and up) and noise removal over 5 x 5 (the peer: a median of radius
// 2). Both run on one thread. Each time is the best of three; the peer's time leaves out
// reading its input. Needs `gm` on the PATH (scripts/bench-editorops.sh installs it).
#include "editor/ColourAdjust.h"
#include "editor/Effects.h"
#include "editor/Geometry.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 6000, kHeight = 4000, kRuns = 3;

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Smooth colour gradients with some grain, like an enlarged photograph.
UniqueDib makePicture() {
    UniqueDib dib;
    newdib(dib.out(), kWidth, kHeight, 24, nullptr, 0);
    std::mt19937 random(1);
    const TDib& d = dib.get();
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = d.Bits + static_cast<std::ptrdiff_t>(y) * d.LineBytes;
        for (int x = 0; x < kWidth; ++x) {
            const int grain = static_cast<int>(random() % 17) - 8;
            row[3 * x] = static_cast<BYTE>(std::clamp((x / 23 + y / 31) % 256 + grain, 0, 255));
            row[3 * x + 1] = static_cast<BYTE>(std::clamp(64 + ((x * y) >> 15) % 160 + grain, 0, 255));
            row[3 * x + 2] = static_cast<BYTE>(std::clamp((x + 2 * y) / 55 % 256 + grain, 0, 255));
        }
    }
    return dib;
}

std::string folder;

std::string path(const char* name) { return folder + "/" + name; }

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// The peer's time for `options` on the cached picture on one thread, less reading it.
double peer(const std::string& options) {
    const std::string base = "OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 gm convert " + path("picture.mpc") + " ";
    const double read = seconds([&] { run(base + "null:"); });
    const double all = seconds([&] {
        if (!run(base + options + " null:")) std::fprintf(stderr, "gm failed: %s\n", options.c_str());
    });
    return std::max(0.0, all - read);
}

struct Row {
    const char* what;
    double ours, peer;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (!run("gm version >/dev/null 2>&1")) {
        std::fprintf(stderr, "editorops_bench: gm is needed (scripts/bench-editorops.sh installs it)\n");
        return 1;
    }
    char dir[] = "/tmp/editorops-bench-XXXXXX";
    folder = mkdtemp(dir);
    UniqueDib picture = makePicture();
    if (!SaveDib(picture.get(), path("picture.bmp").c_str(), PW_BMP, nullptr) ||
        !run("gm convert " + path("picture.bmp") + " " + path("picture.mpc"))) {
        std::fprintf(stderr, "editorops_bench: cannot write the picture in %s\n", folder.c_str());
        return 1;
    }
    UniqueDib work;
    newdib(work.out(), kWidth, kHeight, 24, nullptr, 0);
    const std::size_t bytes = picture.get().Info->bmiHeader.biSizeImage;
    auto fresh = [&] { std::memcpy(work.get().Bits, picture.get().Bits, bytes); };
    const double copy = seconds(fresh);
    // Our in-place operations start from a fresh copy each time; the copy is taken off.
    auto inPlace = [&](const std::function<void()>& op) { return std::max(0.0, seconds([&] { fresh(); op(); }) - copy); };

    std::vector<Row> rows;
    rows.push_back({"gamma 1.8", inPlace([&] { Gamma(work, 1.8); }), peer("-gamma 1.8")});
    rows.push_back({"saturation +50 %", inPlace([&] { Saettigung(work, 50); }), peer("-modulate 100,150")});
    rows.push_back({"rotation by 17 degrees",
                    seconds([&] { UniqueDib r = DibRotxxx(picture.get(), 0, 0xFFFFFF, 17.0); }), peer("-rotate 17")});
    rows.push_back({"perspective 40 % (peer: affine shear)",
                    inPlace([&] { Perspektive(work.get(), picture.get(), 40, true, true, 0xFFFFFF); }),
                    peer("-affine 1,0,0.2,1,0,0 -transform")});
    rows.push_back({"mosaic 10 x 10 (peer: sample down, up)", inPlace([&] { MosaikEffekt(work.get(), 10, 10); }),
                    peer("-sample 600x400! -sample 6000x4000!")});
    rows.push_back({"noise removal 5 x 5 (peer: median 2)", inPlace([&] { DelNoise(work.get(), 20); }),
                    peer("-median 2")});

    std::printf("\n%-42s %10s %14s %8s\n", "6000 x 4000, 24 bits, one thread", "ours (s)", "peer (s)", "ratio");
    for (const Row& r : rows)
        std::printf("%-42s %10.3f %14.3f %8.2f\n", r.what, r.ours, r.peer, r.peer > 0 ? r.ours / r.peer : 0.0);
    std::printf("ratio = ours / peer (target at most 1.00)\n");
    for (const char* f : {"picture.bmp", "picture.mpc", "picture.cache"}) std::remove(path(f).c_str());
    rmdir(folder.c_str());
    return 0;
}
