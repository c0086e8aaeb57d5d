// The picture operations on a 6,000 x 4,000 true-colour picture against the same work done
// by GraphicsMagick on the same picture, side by side: 5 x 5 convolution, resampling to
// 150 %, Floyd-Steinberg onto a 256-colour palette and a quarter turn. Ours run on one
// thread; the peer runs once on one thread and once on all. Each time is the best of three;
// the peer's time leaves out reading its input, measured by the same command without the
// operation. Needs `gm` on the PATH (scripts/bench-ops.sh installs it).
#include "poster/ColourDepth.h"
#include "poster/Dither.h"
#include "poster/Filters.h"
#include "poster/FlipTurn.h"
#include "poster/Resample.h"

#include "bench/GmPeer.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace gmpeer;

struct Row {
    const char* what;
    double ours, peerOne, peerAll;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (!run("gm version >/dev/null 2>&1")) {
        std::fprintf(stderr, "pictureops_bench: gm is needed (scripts/bench-ops.sh installs it)\n");
        return 1;
    }
    char dir[] = "/tmp/pictureops-bench-XXXXXX";
    folder() = mkdtemp(dir);
    UniqueDib picture = makePicture();
    // The peer reads the same picture, kept in its own pixel cache format, and the standard
    // palette as a 16 x 16 picture of its colours.
    UniqueDib palette;
    newdib(palette.out(), 16, 16, 24, nullptr, 0);
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = StandardPalette256()[i];
        setpixel(palette.get(), i % 16, i / 16, e.peRed | e.peGreen << 8 | e.peBlue << 16);
    }
    if (!SaveDib(picture.get(), path("picture.bmp").c_str(), PW_BMP, nullptr) ||
        !SaveDib(palette.get(), path("palette.bmp").c_str(), PW_BMP, nullptr) ||
        !run("gm convert " + path("picture.bmp") + " " + path("picture.mpc"))) {
        std::fprintf(stderr, "pictureops_bench: cannot write the pictures in %s\n", folder().c_str());
        return 1;
    }

    std::vector<Row> rows;
    // 5 x 5 convolution with "Strongly sharpen": weights -1 around 60, divisor 36 = their sum,
    // which the peer divides by as well.
    {
        TFilterRec sharpen;
        TransposeKernel(PosterEffect(4), sharpen);
        UniqueDib work;
        newdib(work.out(), kWidth, kHeight, 24, nullptr, 0);
        const double ours = seconds([&] {
            std::copy_n(picture.get().Bits, picture.get().Info->bmiHeader.biSizeImage, work.get().Bits);
            DibFilter(work.get(), sharpen);
        });
        const double copy = seconds([&] { std::copy_n(picture.get().Bits, picture.get().Info->bmiHeader.biSizeImage, work.get().Bits); });
        std::string kernel;
        for (int i = 0; i < 25; ++i) kernel += std::string(i ? "," : "") + std::to_string(PosterEffect(4).Matrix[i]);
        const std::string options = "-convolve " + kernel;
        rows.push_back({"5 x 5 convolution (Strongly sharpen)", ours - copy, peer(options, 1), peer(options, 0)});
    }
    {
        const double ours = seconds([&] { UniqueDib r = ResizeDib(picture.get(), 9000, 6000, true); });
        const std::string options = "-filter Triangle -resize 9000x6000!";
        rows.push_back({"resampling to 150 % (bilinear)", ours, peer(options, 1), peer(options, 0)});
    }
    {
        UniqueDib dest;
        std::vector<unsigned char> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& e = StandardPalette256()[i];
            info->bmiColors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
        newdib(dest.out(), kWidth, kHeight, 8, info, 256);
        const double ours = seconds([&] { DitherToPalette(picture.get(), dest.get()); });
        const std::string options = "-dither -map " + path("palette.bmp");
        rows.push_back({"Floyd-Steinberg onto 256 colours", ours, peer(options, 1), peer(options, 0)});
    }
    {
        const double ours = seconds([&] { UniqueDib r = RotRightDib(picture.get()); });
        rows.push_back({"quarter turn", ours, peer("-rotate 90", 1), peer("-rotate 90", 0)});
    }

    std::printf("\n%-40s %10s %14s %14s %8s\n", "6000 x 4000, 24 bits", "ours (s)", "peer 1 thr (s)", "peer all (s)",
                "ratio");
    for (const Row& r : rows)
        std::printf("%-40s %10.3f %14.3f %14.3f %8.2f\n", r.what, r.ours, r.peerOne, r.peerAll,
                    r.peerOne > 0 ? r.ours / r.peerOne : 0.0);
    std::printf("ratio = ours / peer on one thread (target at most 1.00)\n");
    for (const char* f : {"picture.bmp", "palette.bmp", "picture.mpc", "picture.cache"}) std::remove(path(f).c_str());
    rmdir(folder().c_str());
    return 0;
}
