// A poster of a 6,000 x 4,000 picture printed to a PDF file: A4 landscape, 4 pages across,
// "Do not distort" on (4 x 4 pages), from a JPEG (quality 90, no chroma subsampling) and
// from the same pixels as PNG. Each run opens the file and prints the whole poster.
//
//   posterprint_bench --make DIR           writes DIR/poster.jpg and DIR/poster.png
//   posterprint_bench --once FILE OUT      one run (for /usr/bin/time -v; scripts/bench-poster.sh)
//   posterprint_bench --flate FILE OUT     the same with pictures embedded losslessly
//   posterprint_bench --qtpdf FILE OUT     the same pages through a plain QPdfWriter and
//                                          QPainter::drawImage (the comparison)
//   posterprint_bench --big OUT            one page of a 12,000 x 8,000 picture made in memory
//   posterprint_bench --make-big FILE      that picture as a JPEG (quality 90, no subsampling)
//   posterprint_bench --page FILE OUT      the picture of FILE on one page
//   posterprint_bench --queue QUEUE FILE   a 3-page-wide poster of FILE through a CUPS queue,
//                                          with cut and glue lines and the notes
//   posterprint_bench [benchmark flags]    both files from $TMPDIR/posterprint (made if missing)
#include "platform/printer.h"
#include "poster/Pixwerk.h"
#include "poster/PosterLayout.h"
#include "poster/PosterPrint.h"

#include "platform/pdf.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Smooth colour fields with a little deterministic grain, like a photograph.
UniqueDib makePicture(int width = kWidth, int height = kHeight) {
    UniqueDib d;
    newdib(d.out(), width, height, 24, nullptr, 0);
    const TDib& p = d.get();
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y) {
        BYTE* row = p.Bits + static_cast<std::size_t>(height - 1 - y) * p.LineBytes;
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int grain = static_cast<int>((seed >> 16) & 15) - 8;
            const int r = (x * 255 / width + ((x / 300 + y / 200) % 2) * 40) & 0xFF;
            const int g = (y * 255 / height + (x * y / 9000) % 64) & 0xFF;
            const int b = (128 + ((x - 3000) * (x - 3000) + (y - 2000) * (y - 2000)) / 40000) & 0xFF;
            row[3 * x] = static_cast<BYTE>(std::clamp(b + grain, 0, 255));
            row[3 * x + 1] = static_cast<BYTE>(std::clamp(g + grain, 0, 255));
            row[3 * x + 2] = static_cast<BYTE>(std::clamp(r + grain, 0, 255));
        }
    }
    return d;
}

bool writeJpeg(const TDib& p, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    const int width = DibWidth(p), height = DibHeight(p);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    for (int i = 0; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> rgb(static_cast<std::size_t>(width) * 3);
    while (c.next_scanline < c.image_height) {
        const BYTE* row = p.Bits + static_cast<std::size_t>(height - 1 - static_cast<int>(c.next_scanline)) * p.LineBytes;
        for (int x = 0; x < width; ++x) {
            rgb[3 * x] = row[3 * x + 2];
            rgb[3 * x + 1] = row[3 * x + 1];
            rgb[3 * x + 2] = row[3 * x];
        }
        JSAMPROW r = rgb.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

bool makeFiles(const std::string& dir) {
    QDir().mkpath(QString::fromStdString(dir));
    UniqueDib pic = makePicture();
    return writeJpeg(pic.get(), dir + "/poster.jpg") &&
           SaveDib(pic.get(), (dir + "/poster.png").c_str(), PW_PNG, nullptr) == 1;
}

// The poster window's layout controls for some pages across with "Do not distort".
struct Controls : poster::LayoutControls {
    double across = 4, down = 1, widthMm = 0, heightMm = 0;
    poster::PrinterCaps caps;
    int w = 0, h = 0;
    double value(poster::LayoutEdit e) const override {
        switch (e) {
        case poster::LayoutEdit::PagesAcross: return across;
        case poster::LayoutEdit::PagesDown: return down;
        case poster::LayoutEdit::WidthMm: return widthMm;
        case poster::LayoutEdit::HeightMm: return heightMm;
        default: return 0;
        }
    }
    void setValue(poster::LayoutEdit e, double v) override {
        v = std::nearbyint(v * 100) / 100;
        if (e == poster::LayoutEdit::PagesAcross) across = v;
        if (e == poster::LayoutEdit::PagesDown) down = v;
        if (e == poster::LayoutEdit::WidthMm) widthMm = v;
        if (e == poster::LayoutEdit::HeightMm) heightMm = v;
    }
    poster::EditRange range(poster::LayoutEdit) const override { return {0, 100000}; }
    void setPageIncrement(double) override {}
    bool checked(poster::LayoutCheck c) const override {
        return c == poster::LayoutCheck::NotDistort || c == poster::LayoutCheck::MillimetresPoster;
    }
    void setText(poster::LayoutText, const std::string&) override {}
    int pictureWidth() const override { return w; }
    int pictureHeight() const override { return h; }
    poster::PrinterCaps printer() const override { return caps; }
    void repaintGrid() override {}
};

void layoutPoster(poster::PosterSetup& setup, const poster::PrinterCaps& caps, double across) {
    Controls controls;
    controls.across = across;
    controls.caps = caps;
    controls.w = DibWidth(setup.dib);
    controls.h = DibHeight(setup.dib);
    poster::PosterLayout layout(controls);
    layout.BreitEdChange();
    poster::applyLayout(setup, layout);
}

UniqueDib openPicture(const std::string& file) {
    TDib opened{};
    OpenDib(&opened, file.c_str(), PW_BY_EXTENSION, nullptr);
    UniqueDib pic(opened);
    if (!opened.Bits) std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), DibErrorText(opened).c_str());
    return pic;
}

// Prints a poster of the file through a CUPS queue with lines and notes; the pages printed.
int printToQueue(const std::string& queue, const std::string& file) {
    UniqueDib pic = openPicture(file);
    auto printer = platform::QtPrinter::queue(QString::fromStdString(queue).toStdU16String());
    if (!pic || !printer) return -1;
    printer->setOrientation(platform::PaperOrientation::Landscape);
    auto target = poster::printerTarget(printer);
    poster::PosterSetup setup;
    setup.dib = pic.get();
    setup.options.cutLines = setup.options.glueLines = true;
    setup.options.edgeForGlue = setup.options.cutHints = true;
    layoutPoster(setup, target->caps(), 3);
    setup.glueX = setup.glueY = 8;
    const poster::PrintResult r = poster::PrintPoster(*target, setup);
    return r.ok ? r.pages : -1;
}

// Prints the poster of the picture to `out`, `across` pages across; the pages printed.
int printPicture(const TDib& picture, const std::string& out, double across = 4) {
    auto pdf = platform::QtPrinter::pdfFile();
    pdf->setOrientation(platform::PaperOrientation::Landscape);
    platform::setPrintFileHandler([out](const std::u16string&, QWidget*) {
        return std::optional<std::u16string>(QString::fromStdString(out).toStdU16String());
    });
    auto target = poster::printerTarget(pdf);
    poster::PosterSetup setup;
    setup.dib = picture;
    layoutPoster(setup, target->caps(), across);
    const poster::PrintResult r = poster::PrintPoster(*target, setup);
    return r.ok ? r.pages : -1;
}

// Opens the file and prints the poster to `out`; the number of pages printed.
int printPoster(const std::string& file, const std::string& out) {
    UniqueDib pic = openPicture(file);
    return pic ? printPicture(pic.get(), out) : -1;
}

// The same pages through QPdfWriter: each page's section of the picture drawn with
// QPainter::drawImage at the place the poster puts it.
int printThroughQt(const std::string& file, const std::string& out) {
    UniqueDib pic = openPicture(file);
    if (!pic) return -1;
    const TDib& d = pic.get();
    const int w = DibWidth(d), h = DibHeight(d);
    // The rows run bottom-up: the wrapper shows the picture upside down, the painter turns it.
    const QImage image(d.Bits, w, h, d.LineBytes, QImage::Format_BGR888);
    QPdfWriter writer(QString::fromStdString(out));
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(5, 5, 5, 5),
                                     QPageLayout::Millimeter));
    poster::PrinterCaps caps;
    const QRect paint = writer.pageLayout().paintRectPixels(600);
    caps.pageWidth = paint.width();
    caps.pageHeight = paint.height();
    caps.dpiX = caps.dpiY = 600;
    caps.physicalWidth = writer.pageLayout().fullRectPixels(600).width();
    caps.physicalHeight = writer.pageLayout().fullRectPixels(600).height();
    poster::PosterSetup setup;
    setup.dib = d;
    layoutPoster(setup, caps, 4);
    QPainter painter(&writer);
    int pages = 0;
    for (int row = 0; row < setup.rows; ++row)
        for (int col = 0; col < setup.columns; ++col) {
            if (pages++) writer.newPage();
            const int pw = static_cast<int>(std::nearbyint(w * setup.columns / setup.across)) / setup.columns;
            const int ph = static_cast<int>(std::nearbyint(h * setup.rows / setup.down)) / setup.rows;
            const QRect section = QRect(col * pw, row * ph, pw, ph) & QRect(0, 0, w, h);
            const double k = static_cast<double>(poster::usableWidth(setup, caps.pageWidth)) / pw;
            painter.save();
            painter.translate(0, section.height() * k);
            painter.scale(k, -k);
            painter.drawImage(QRectF(0, 0, section.width(), section.height()), image,
                              QRectF(section.x(), h - section.y() - section.height(), section.width(), section.height()));
            painter.restore();
        }
    return painter.end() ? pages : -1;
}

std::string benchDir() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/posterprint";
}

void BM_PosterFromFile(benchmark::State& state, const char* name) {
    const std::string dir = benchDir();
    if (!QFileInfo::exists(QString::fromStdString(dir + "/poster.png")) && !makeFiles(dir)) {
        state.SkipWithError("cannot write the pictures");
        return;
    }
    const std::string out = dir + "/poster.pdf";
    for (auto _ : state) {
        const int pages = printPoster(dir + "/" + name, out);
        if (pages != 16) state.SkipWithError("the poster did not print 16 pages");
    }
    state.counters["pdf_MB"] = QFileInfo(QString::fromStdString(out)).size() / 1e6;
}

BENCHMARK_CAPTURE(BM_PosterFromFile, jpeg, "poster.jpg")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_PosterFromFile, png, "poster.png")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) return makeFiles(argv[2]) ? 0 : 1;
    if (argc == 4 && (std::strcmp(argv[1], "--once") == 0 || std::strcmp(argv[1], "--flate") == 0)) {
        if (std::strcmp(argv[1], "--flate") == 0) platform::setPdfPictureSetting({platform::PdfPictureCoding::Flate, platform::PdfPictureSetting{}.quality});
        const int pages = printPoster(argv[2], argv[3]);
        std::printf("%d pages\n", pages);
        return pages == 16 ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "--qtpdf") == 0) {
        const int pages = printThroughQt(argv[2], argv[3]);
        std::printf("%d pages\n", pages);
        return pages == 16 ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "--queue") == 0) {
        const int pages = printToQueue(argv[2], argv[3]);
        std::printf("%d pages\n", pages);
        return pages > 0 ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--big") == 0) {
        UniqueDib big = makePicture(12000, 8000);
        const int pages = printPicture(big.get(), argv[2], 1);
        std::printf("%d pages\n", pages);
        return pages == 1 ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--make-big") == 0) {
        UniqueDib big = makePicture(12000, 8000);
        return writeJpeg(big.get(), argv[2]) ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "--page") == 0) {
        UniqueDib pic = openPicture(argv[2]);
        const int pages = pic ? printPicture(pic.get(), argv[3], 1) : -1;
        std::printf("%d pages\n", pages);
        return pages == 1 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
