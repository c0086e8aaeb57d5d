// The operations on a real picture file: the shipped start picture reduced, dithered and
// filtered, checked against plain formulas and read back by the netpbm converters.
#include "pixwerk/tests/NetpbmSupport.h"
#include "poster/ColourDepth.h"
#include "poster/Filters.h"
#include "poster/Resample.h"
#include "poster/tests/PictureOpsSupport.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

using namespace opstest;

namespace {

UniqueDib startPicture() {
    UniqueDib d;
    OpenDib(d.out(), TESSELLON_SOURCE_DIR "/app/poster.stb", PW_JIF, nullptr);
    return d;
}

// Mean of each channel (red, green, blue) over the picture's colours.
std::array<double, 3> means(const UniqueDib& dib) {
    const netpbm::RgbImage rgb = netpbm::toRgb(dib.get());
    std::array<double, 3> sum{};
    for (std::size_t i = 0; i < rgb.rgb.size(); ++i) sum[i % 3] += rgb.rgb[i];
    const double n = static_cast<double>(rgb.rgb.size() / 3);
    return {sum[0] / n, sum[1] / n, sum[2] / n};
}

// Written as BMP by the raster library, read by bmptopnm: the same colours.
void readsBack(const UniqueDib& dib, const testsupport::TempDir& dir, const std::string& name) {
    const std::string bmp = dir.file(name + ".bmp"), pnm = dir.file(name + ".pnm");
    ASSERT_TRUE(SaveDib(dib.get(), bmp.c_str(), PW_BMP, nullptr));
    ASSERT_TRUE(netpbm::convert("bmptopnm", bmp, pnm)) << name;
    const auto back = netpbm::readPnm(pnm);
    ASSERT_TRUE(back) << name;
    EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(dib.get()), *back)) << name;
}

}  // namespace

TEST(PhotoOps, ReductionsKeepTheColoursOnAverageAndReadBack) {
    NETPBM_REQUIRE("bmptopnm");
    UniqueDib photo = startPicture();
    ASSERT_TRUE(photo);
    const auto original = means(photo);
    testsupport::TempDir dir;
    TColourReduction how;
    how.Method = TColourReduction::ErrorDiffusion;
    UniqueDib sixteen = DepthDownTo(photo.get(), 4, how);
    how.Merge = true;
    UniqueDib merged = DepthDownTo(photo.get(), 8, how);
    UniqueDib bw = DepthDownTo(photo.get(), 1, how);
    how.Method = TColourReduction::Ordered;
    how.Optimized = false;
    UniqueDib ordered = DepthDownTo(photo.get(), 8, how);
    ASSERT_TRUE(sixteen && merged && bw && ordered);
    for (const UniqueDib* d : {&sixteen, &merged, &ordered}) {
        const auto m = means(*d);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(m[static_cast<std::size_t>(k)], original[static_cast<std::size_t>(k)], 3.0);
    }
    // Black and white: the share of white follows the mean brightness.
    const auto m = means(bw);
    EXPECT_NEAR(m[0], (original[0] + original[1] + original[2]) / 3, 255 * 0.02);
    std::set<int> used;
    for (int y = 0; y < 850; y += 7)
        for (int x = 0; x < 1200; x += 3) used.insert(at(sixteen, x, y));
    EXPECT_GT(used.size(), 8u);
    readsBack(sixteen, dir, "sixteen");
    readsBack(merged, dir, "merged");
    readsBack(bw, dir, "bw");
}

TEST(PhotoOps, EveryEffectMatchesItsTableOnTheStartPicture) {
    UniqueDib photo = startPicture();
    ASSERT_TRUE(photo);
    const int w = photo.get().Info->bmiHeader.biWidth, h = photo.get().Info->bmiHeader.biHeight;
    std::mt19937 random(8);
    std::vector<std::pair<int, int>> points = {{0, 0}, {w - 1, h - 1}, {1, h - 2}, {w - 2, 0}};
    for (int i = 0; i < 300; ++i) points.push_back({static_cast<int>(random() % w), static_cast<int>(random() % h)});
    for (int e = 0; e < PosterEffectCount; ++e) {
        UniqueDib copy = ResizeDib(photo.get(), w, h, false);
        TFilterRec f;
        TransposeKernel(PosterEffect(e), f);
        ASSERT_EQ(DibFilter(copy.get(), f), TFilterOutcome::Applied);
        const TFilterRec& table = PosterEffect(e);
        for (auto [x, y] : points) {
            long sum[3] = {};
            for (int r = 0; r < 5; ++r)
                for (int c = 0; c < 5; ++c) {
                    const int p = at(photo, std::clamp(x + c - 2, 0, w - 1), std::clamp(y + r - 2, 0, h - 1));
                    const int weight = table.Matrix[5 * r + c];
                    sum[0] += weight * red(p);
                    sum[1] += weight * green(p);
                    sum[2] += weight * blue(p);
                }
            int v[3];
            for (int k = 0; k < 3; ++k) v[k] = std::clamp(static_cast<int>(sum[k] / table.Divisor + table.Bias), 0, 255);
            ASSERT_EQ(at(copy, x, y), rgb(v[0], v[1], v[2])) << table.Caption << " at " << x << "," << y;
        }
    }
}
