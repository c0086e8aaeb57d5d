// DrawDib of a 6,000 x 4,000 true-colour picture onto a whole A4 page at 600 dpi of the
// recording printer, against one QPainter::drawImage of the same pixels onto an image of
// the page's size. Prints the ratio of the two at the end.
#include "platform/RecordingPrinter.h"
#include "poster/Pixwerk.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const UniqueDib& picture() {
    static UniqueDib dib = [] {
        UniqueDib d;
        newdib(d.out(), kWidth, kHeight, 24, nullptr, 0);
        const TDib& p = d.get();
        for (int y = 0; y < kHeight; ++y) {
            BYTE* row = p.Bits + static_cast<std::size_t>(y) * p.LineBytes;
            for (int x = 0; x < kWidth; ++x) {
                row[3 * x] = static_cast<BYTE>(x * 7 + y);
                row[3 * x + 1] = static_cast<BYTE>(y * 3);
                row[3 * x + 2] = static_cast<BYTE>((x ^ y) & 0xFF);
            }
        }
        return d;
    }();
    return dib;
}

struct Page {
    platform::RecordingPrinter printer{210, 297, 600, {5, 5, 5, 5}};
    HDC dc = nullptr;
    Page() {
        dc = printer.createDC();
        DOCINFOW di{sizeof di, u"bench", nullptr, nullptr, 0};
        StartDocW(dc, &di);
        StartPage(dc);
    }
};

Page& page() {
    static Page p;
    return p;
}

void BM_DrawDibOntoPrinterPage(benchmark::State& state) {
    const TDib dib = picture().get();
    Page& p = page();
    const int w = p.printer.printableWidth(), h = p.printer.printableHeight();
    for (auto _ : state) {
        DrawDib(p.dc, 0, 0, w, h, dib, 0, 0, kWidth, kHeight, false, SRCCOPY, true, nullptr);
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = static_cast<double>(w) * h;
}

void BM_QPainterDrawImage(benchmark::State& state) {
    const TDib dib = picture().get();
    Page& p = page();
    const int w = p.printer.printableWidth(), h = p.printer.printableHeight();
    QImage target(w, h, QImage::Format_RGB32);
    target.fill(Qt::white);
    // The same pixel memory, wrapped without copying; rows are bottom-up, hence the flip.
    const QImage source(dib.Bits, kWidth, kHeight, dib.LineBytes, QImage::Format_BGR888);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setTransform(QTransform(1, 0, 0, -1, 0, h));
        painter.drawImage(QRect(0, 0, w, h), source, QRect(0, 0, kWidth, kHeight));
        painter.end();
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_DrawDibOntoPrinterPage)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_QPainterDrawImage)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

// Keeps the mean time of each benchmark to print their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                times[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto a = reporter.times.find("BM_DrawDibOntoPrinterPage");
    const auto b = reporter.times.find("BM_QPainterDrawImage");
    if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0)
        std::printf("DrawDib / drawImage: %.2f (target 1.30 or less)\n", a->second / b->second);
    benchmark::Shutdown();
    return 0;
}
