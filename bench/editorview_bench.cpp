// The editor's document view with a 6,000 x 4,000 true-colour picture in a 1,200 x 800
// view: a full repaint of the visible part at every zoom from 1:16 to 16:1, beside
// QPainter::drawImage of the same section onto an image of the view's size; one marching
// ants step with the whole picture selected; one undo step saved and one restored.
#include "classlib/Forms.h"
#include "editor/ChildFrame.h"
#include "platform/winuser.h"
#include "poster/Pixwerk.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kViewWidth = 1200;
constexpr int kViewHeight = 800;

struct Setup {
    std::unique_ptr<TForm> form;
    TMDIChild* view = nullptr;
    Setup() {
        platform::setManualTimers(true);
        form.reset(new TForm(nullptr));
        form->SetBounds(0, 0, kViewWidth + 80, kViewHeight + 80);
        view = new TMDIChild(form.get());
        view->SetParent(form.get());
        view->SetBounds(0, 0, kViewWidth + 20, kViewHeight + 20);
        form->Show();
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
        view->ReplacePicture(std::move(d));
        // The scroll box's client area is the view: 1,200 x 800 once the bars show.
        TScrollBox* box = view->ScrollBox1;
        view->SetBounds(0, 0, kViewWidth + (view->Width() - box->ClientWidth()),
                        kViewHeight + (view->Height() - box->ClientHeight()));
    }
    void zoom(int num, int den) {
        view->ZoomNum = num;
        view->ZoomDen = den;
        const SIZE s = view->ZoomedSize();
        view->PaintBox1->SetBounds(view->PaintBox1->Left(), view->PaintBox1->Top(), s.cx, s.cy);
        // Somewhere in the middle of the picture.
        view->ScrollBox1->HorzScrollBar()->SetPosition(s.cx / 2 - kViewWidth / 2);
        view->ScrollBox1->VertScrollBar()->SetPosition(s.cy / 2 - kViewHeight / 2);
    }
    void paintNow() { UpdateWindow(view->ScrollBox1->Handle()); }
};

std::unique_ptr<Setup> theSetup;

Setup& setup() {
    if (!theSetup) theSetup = std::make_unique<Setup>();
    return *theSetup;
}

std::pair<int, int> zoomOf(int index) {  // 0 .. 30: 1:16 .. 1:1 .. 16:1
    return index < 15 ? std::make_pair(1, 16 - index) : std::make_pair(index - 14, 1);
}

std::string zoomName(int index) {
    const auto z = zoomOf(index);
    return std::to_string(z.first) + ":" + std::to_string(z.second);
}

void BM_ViewRepaint(benchmark::State& state) {
    Setup& s = setup();
    const auto z = zoomOf(static_cast<int>(state.range(0)));
    s.zoom(z.first, z.second);
    for (auto _ : state) {
        s.view->PaintBox1Paint(s.view);  // the picture changed: drawn anew
        s.paintNow();
    }
    state.SetLabel(zoomName(static_cast<int>(state.range(0))) + " client " +
                   std::to_string(s.view->ScrollBox1->ClientWidth()) + "x" +
                   std::to_string(s.view->ScrollBox1->ClientHeight()));
}

// The same section drawn by Qt from an image view of the picture (rows flipped).
void BM_QtDrawImage(benchmark::State& state) {
    Setup& s = setup();
    const auto z = zoomOf(static_cast<int>(state.range(0)));
    const TDib& d = s.view->Dib.get();
    const QImage source(d.Bits, kWidth, kHeight, d.LineBytes, QImage::Format_BGR888);
    QImage target(kViewWidth, kViewHeight, QImage::Format_RGB32);
    const double scale = static_cast<double>(z.first) / z.second;
    const int sw = static_cast<int>(kViewWidth / scale), sh = static_cast<int>(kViewHeight / scale);
    const int sx = std::max(0, kWidth / 2 - sw / 2), syTop = std::max(0, kHeight / 2 - sh / 2);
    const QRectF src(sx, kHeight - syTop - std::min(sh, kHeight), std::min(sw, kWidth), std::min(sh, kHeight));
    for (auto _ : state) {
        target.fill(Qt::lightGray);
        QPainter p(&target);
        p.setTransform(QTransform(1, 0, 0, -1, 0, src.height() * scale));
        p.drawImage(QRectF(0, 0, src.width() * scale, src.height() * scale), source, src);
        p.end();
        benchmark::ClobberMemory();
    }
    state.SetLabel(zoomName(static_cast<int>(state.range(0))));
}

// One tick of the marching ants at 1:1 or reduced (range(0) is the zoom's denominator).
void BM_AntsStep(benchmark::State& state) {
    Setup& s = setup();
    s.zoom(1, static_cast<int>(state.range(0)));
    s.view->SelectShape(0, 0, kWidth - 1, kHeight - 1, 0, 0);
    s.view->PaintBox1Paint(s.view);
    s.paintNow();
    for (auto _ : state) {
        s.view->Timer1Timer();
        s.paintNow();
    }
    state.counters["outline"] = s.view->OutlineCount();
    s.view->ClearSelection();
}

void BM_UpdateOutlineWholePicture(benchmark::State& state) {
    Setup& s = setup();
    s.view->SelectShape(0, 0, kWidth - 1, kHeight - 1, 0, 0);
    for (auto _ : state) s.view->UpdateSelddib();
    s.view->ClearSelection();
}

void BM_UndoSave(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) s.view->SaveForUndo();
}

void BM_UndoRestore(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        s.view->SaveForUndo();
        state.ResumeTiming();
        s.view->LoadFromUndo();
    }
}

BENCHMARK(BM_ViewRepaint)->DenseRange(0, 30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtDrawImage)->DenseRange(0, 30)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AntsStep)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpdateOutlineWholePicture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_UndoRestore)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// Keeps each run's time to print the repaint beside Qt's drawImage at the end.
class SideBySide : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                times[r.run_name.str()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SideBySide reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nzoom    repaint ms   drawImage ms   ratio\n");
    for (int i = 0; i <= 30; ++i) {
        const auto a = reporter.times.find("BM_ViewRepaint/" + std::to_string(i) + "/real_time");
        const auto b = reporter.times.find("BM_QtDrawImage/" + std::to_string(i) + "/real_time");
        if (a == reporter.times.end() || b == reporter.times.end()) continue;
        std::printf("%-6s  %10.2f   %12.2f   %5.2f%s\n", zoomName(i).c_str(), a->second, b->second,
                    b->second > 0 ? a->second / b->second : 0.0, a->second > 16 ? "  over 16 ms" : "");
    }
    std::fflush(stdout);
    theSetup.reset();  // the windows go before the application
    benchmark::Shutdown();
    return 0;
}
