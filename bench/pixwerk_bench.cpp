// Opening a 6,000 x 4,000 JPEG and PNG with OpenDib against a plain decode of the same
// file into memory with the same library. Prints the ratios at the end.
#include "pixwerk/codec.h"

#include <benchmark/benchmark.h>
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

std::string folder, jpegFile, pngFile;

// A smooth colourful pattern that compresses like a photograph.
void makeFiles() {
    char dir[] = "/tmp/pixwerk-bench-XXXXXX";
    folder = mkdtemp(dir);
    jpegFile = folder + "/picture.jpg";
    pngFile = folder + "/picture.png";
    UniqueDib dib;
    newdib(dib.out(), kWidth, kHeight, 24, nullptr, 0);
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = pixwerk::rowFromTop(dib.get(), y);
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x] = static_cast<BYTE>((x / 23 + y / 31) % 256);
            row[3 * x + 1] = static_cast<BYTE>(128 + ((x * y) >> 14) % 128);
            row[3 * x + 2] = static_cast<BYTE>((x + 2 * y) / 40 % 256);
        }
    }
    SetJPEGQual(90);
    if (!SaveDib(dib.get(), jpegFile.c_str(), PW_JPG, nullptr) || !SaveDib(dib.get(), pngFile.c_str(), PW_PNG, nullptr)) {
        std::fprintf(stderr, "cannot write the test files in %s\n", folder.c_str());
        std::exit(1);
    }
}

std::vector<unsigned char> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void openDib(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        UniqueDib dib;
        OpenDib(dib.out(), path.c_str(), 0, nullptr);
        if (!dib) state.SkipWithError("OpenDib failed");
        benchmark::DoNotOptimize(dib.get().Bits);
    }
}

void plainJpeg(benchmark::State& state) {
    for (auto _ : state) {
        const std::vector<unsigned char> file = readAll(jpegFile);
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), file.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = cinfo.output_width * 3;
        std::unique_ptr<unsigned char[]> pixels(new unsigned char[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.get());
    }
}

struct MemoryReader {
    const unsigned char* data;
    std::size_t pos;
};

void readMemory(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    std::copy_n(r->data + r->pos, n, out);
    r->pos += n;
}

void plainPng(benchmark::State& state) {
    for (auto _ : state) {
        const std::vector<unsigned char> file = readAll(pngFile);
        MemoryReader reader{file.data(), 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &reader, readMemory);
        png_read_info(png, info);
        png_set_bgr(png);
        png_read_update_info(png, info);
        const std::size_t stride = png_get_rowbytes(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        std::unique_ptr<unsigned char[]> pixels(new unsigned char[stride * height]);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.get() + stride * y;
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.get());
    }
}

// Keeps the mean time of each benchmark for the ratios.
class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                seconds[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    makeFiles();
    benchmark::RegisterBenchmark("OpenDib/jpeg", openDib, jpegFile)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("plain/jpeg", plainJpeg)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OpenDib/png", openDib, pngFile)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("plain/png", plainPng)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    for (const char* format : {"jpeg", "png"}) {
        const auto a = recorder.seconds.find(std::string("OpenDib/") + format);
        const auto b = recorder.seconds.find(std::string("plain/") + format);
        if (a != recorder.seconds.end() && b != recorder.seconds.end() && b->second > 0)
            std::printf("OpenDib / plain decode, %s: %.3f (target 1.15)\n", format, a->second / b->second);
    }
    std::remove(jpegFile.c_str());
    std::remove(pngFile.c_str());
    rmdir(folder.c_str());
    benchmark::Shutdown();
    return 0;
}
