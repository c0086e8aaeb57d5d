// What the picture benchmarks share: the 6,000 x 4,000 test picture, best-of-three timing,
// and the peer's time for the same work done by `gm` on the same picture.
#pragma once

#include "pixwerk/pixwerk.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

namespace gmpeer {

inline constexpr int kWidth = 6000, kHeight = 4000, kRuns = 3;

// The best of three runs, in seconds.
inline double seconds(const std::function<void()>& work) {
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Smooth colour gradients with some grain, like an enlarged photograph.
inline UniqueDib makePicture() {
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

// The folder of the benchmark's files.
inline std::string& folder() {
    static std::string f;
    return f;
}

inline std::string path(const char* name) { return folder() + "/" + name; }

inline bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// The peer's time for `options` on the cached picture ("picture.mpc"), less reading it, with
// `threads` threads (0: as many as it likes).
inline double peer(const std::string& options, int threads = 1) {
    const std::string env =
        threads ? "OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 " : "env -u OMP_NUM_THREADS -u MAGICK_THREAD_LIMIT ";
    const std::string base = env + "gm convert " + path("picture.mpc") + " ";
    const double read = seconds([&] { run(base + "null:"); });
    const double all = seconds([&] {
        if (!run(base + options + " null:")) std::fprintf(stderr, "gm failed: %s\n", options.c_str());
    });
    return std::max(0.0, all - read);
}

}  // namespace gmpeer
