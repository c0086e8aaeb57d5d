// Printing through a real CUPS queue with a PDF driver: geometry, the document that arrives,
// and queues that refuse jobs. scripts/cups.sh sets the queue up and names it in
// TESSELLON_CUPS_QUEUE (its output folder in TESSELLON_CUPS_OUT).
#include "platform/RecordingPrinter.h"
#include "platform/printer.h"
#include "platform/tests/GdiTestSupport.h"
#include "platform/winerror.h"
#include "testsupport/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThread>
#include <QTimer>
#include <QApplication>
#include <QWidget>

#include <cups/cups.h>

#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

using platform::QtPrinter;
using platform::RecordingPrinter;

namespace {

using testsupport::env;

#define REQUIRE_CUPS()                                                                                  \
    const std::string queueName = env("TESSELLON_CUPS_QUEUE");                                          \
    const std::string outDir = env("TESSELLON_CUPS_OUT");                                               \
    if (queueName.empty() || outDir.empty())                                                            \
        GTEST_SKIP() << "TESSELLON_CUPS_QUEUE and TESSELLON_CUPS_OUT are not set: run scripts/cups.sh " \
                        "(scripts/test.sh does) to print through a real CUPS queue";                    \
    if (!testsupport::haveProgram("pdftoppm") || !testsupport::haveProgram("pdfinfo"))                  \
        GTEST_SKIP() << "pdftoppm and pdfinfo (poppler-utils) are needed";

std::u16string wide(const std::string& s) { return QString::fromStdString(s).toStdU16String(); }
std::string narrow(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

// A job title no earlier run has used.
std::string uniqueTitle(const char* what) {
    static int count = 0;
    return std::string("Tessellon ") + what + " " + std::to_string(getpid()) + "-" + std::to_string(++count) + "-" +
           std::to_string(QDateTime::currentMSecsSinceEpoch() % 100000000);
}

bool outputExists(const std::string& outDir, const std::string& title) {
    QString token = QString::fromStdString(title);
    token.replace(' ', '_');
    for (const QFileInfo& f : QDir(QString::fromStdString(outDir)).entryInfoList({"*.pdf"}, QDir::Files))
        if (f.fileName().contains(token)) return true;
    return false;
}

int pdfPages(const std::string& pdf, const testsupport::TempDir& dir) {
    const std::string info = dir.file("info.txt");
    if (testsupport::runCommand("pdfinfo '" + pdf + "' > '" + info + "' 2>/dev/null") != 0) return -1;
    const auto bytes = testsupport::readFile(info);
    const std::string text(bytes.begin(), bytes.end());
    const auto at = text.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 6);
}

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Runs a CUPS administration command; false when this user may not.
bool admin(const std::string& command) { return testsupport::runCommand(command + " >/dev/null 2>&1") == 0; }

// A queue of this test's own (other test programs print to the shared one meanwhile),
// removed at the end.
struct OwnQueue {
    std::string name;
    bool made = false;
    OwnQueue(const std::string& base, const std::string& uri, const std::string& ppd)
        : name(base + std::to_string(getpid())) {
        made = admin("lpadmin -p '" + name + "' -E -v '" + uri + "'" + (ppd.empty() ? "" : " -P '" + ppd + "'"));
    }
    ~OwnQueue() {
        if (made) admin("lpadmin -x '" + name + "'");
    }
};

// The file a refused job's pages were kept in, from the error text; empty when none.
std::string keptFile(const std::string& text) {
    const std::string mark = "The pages were saved in \"";
    const auto at = text.find(mark);
    if (at == std::string::npos) return {};
    const auto end = text.find('"', at + mark.size());
    return end == std::string::npos ? std::string() : text.substr(at + mark.size(), end - at - mark.size());
}

bool isPdf(const std::string& path) {
    const auto bytes = testsupport::readFile(path);
    return bytes.size() > 8 && std::string(bytes.begin(), bytes.begin() + 5) == "%PDF-";
}

// The picture and lines of the test document, in units of u device pixels.
struct Drawing {
    int u;
    gditest::Dib dib{64, 32, 24};
    Drawing(int unit) : u(unit) {
        const std::uint32_t colours[8] = {0xE00000, 0x00C000, 0x0000E0, 0xE0E000,
                                          0x00E0E0, 0xE000E0, 0x808080, 0xF08000};
        // Blocks of 16 x 16 pixels: the lossy compression of pictures in the PDF mixes
        // the colours of neighbouring pixels within such blocks.
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) dib.set(x, y, colours[(y / 16) * 4 + x / 16]);
    }
    // The right three blocks of both rows as 100u x 100u squares, and two doubled lines.
    QRect picture(int page) const { return QRect(page == 0 ? 100 * u : 150 * u, 150 * u, 300 * u, 200 * u); }
    int lineY(int page) const { return page == 0 ? 120 * u : 420 * u; }
    int lineX(int page) const { return page == 0 ? 80 * u : 500 * u; }
    void draw(HDC dc, int page) {
        const QRect r = picture(page);
        StretchDIBits(dc, r.x(), r.y(), r.width(), r.height(), 16, 0, 48, 32, dib.bits(), dib.info(), DIB_RGB_COLORS,
                      SRCCOPY);
        for (int i = 0; i < 2; ++i) {
            MoveToEx(dc, 50 * u, lineY(page) + i, nullptr);
            LineTo(dc, 600 * u, lineY(page) + i);
            MoveToEx(dc, lineX(page) + i, 100 * u, nullptr);
            LineTo(dc, lineX(page) + i, 450 * u);
        }
    }
};

// Rows (or columns) of a crop that are mostly dark.
std::vector<int> darkLines(const QImage& image, bool rows) {
    std::vector<int> found;
    const int n = rows ? image.height() : image.width(), m = rows ? image.width() : image.height();
    for (int i = 0; i < n; ++i) {
        int dark = 0;
        for (int j = 0; j < m; ++j) {
            const QRgb c = rows ? image.pixel(j, i) : image.pixel(i, j);
            if (qGray(c) < 128) ++dark;
        }
        if (dark > m / 2) found.push_back(i);
    }
    return found;
}

}  // namespace

TEST(PrinterCups, QueueGeometryComesFromItsPageLayout) {
    REQUIRE_CUPS();
    const auto status = platform::queueStatus(wide(queueName));
    EXPECT_TRUE(status.exists);
    EXPECT_FALSE(status.stopped);
    EXPECT_TRUE(status.accepting);
    EXPECT_FALSE(platform::queueStatus(u"TessellonNoSuchQueue").exists);
    EXPECT_EQ(QtPrinter::queue(u"TessellonNoSuchQueue"), nullptr);

    auto printer = QtPrinter::queue(wide(queueName));
    ASSERT_NE(printer, nullptr);
    EXPECT_FALSE(printer->isPdfFile());
    EXPECT_EQ(printer->name(), wide(queueName));
    const int res = printer->resolution();
    ASSERT_GT(res, 0);
    // The PDF driver offers A4 by default and prints the whole sheet.
    EXPECT_EQ(printer->paper().id(), QPageSize::A4);
    HDC dc = printer->createDC();
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), res);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), res);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH), 210.0 * res / 25.4, res / 100.0);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALHEIGHT), 297.0 * res / 25.4, res / 100.0);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 0);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 0);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, PHYSICALWIDTH));
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, PHYSICALHEIGHT));

    // Another paper and landscape: the DC follows the printer's settings.
    printer->setPaper(QPageSize(QPageSize::Letter));
    printer->setOrientation(platform::PaperOrientation::Landscape);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH), 11.0 * res, res / 100.0);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALHEIGHT), 8.5 * res, res / 100.0);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, PHYSICALWIDTH));
    DeleteDC(dc);
}

TEST(PrinterCups, TwoPagesArriveWithThePictureAndTheLinesWhereTheRecordingPrinterPutsThem) {
    REQUIRE_CUPS();
    auto printer = QtPrinter::queue(wide(queueName));
    ASSERT_NE(printer, nullptr);
    const int res = printer->resolution();
    const int u = std::max(1, res / 100);
    Drawing drawing(u);

    // The same document on a recording printer of the queue's paper, resolution and margins.
    RecordingPrinter recording(210, 297, res, {0, 0, 0, 0});
    HDC rdc = recording.createDC();
    DOCINFOA ri{sizeof ri, "reference", nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(rdc, &ri), 0);
    for (int page = 0; page < 2; ++page) {
        ASSERT_GT(StartPage(rdc), 0);
        drawing.draw(rdc, page);
        ASSERT_GT(EndPage(rdc), 0);
    }
    ASSERT_GT(EndDoc(rdc), 0);
    DeleteDC(rdc);
    ASSERT_EQ(recording.pages().size(), 2u);

    const std::string title = uniqueTitle("two pages");
    HDC dc = printer->createDC();
    DOCINFOA di{sizeof di, title.c_str(), nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(dc, &di), 0) << narrow(platform::printErrorText());
    for (int page = 0; page < 2; ++page) {
        ASSERT_GT(StartPage(dc), 0);
        drawing.draw(dc, page);
        ASSERT_GT(EndPage(dc), 0);
    }
    ASSERT_GT(EndDoc(dc), 0) << narrow(platform::printErrorText());
    EXPECT_TRUE(platform::printErrorText().empty());
    DeleteDC(dc);

    const std::string pdf = testsupport::waitForCupsPdf(outDir, title);
    ASSERT_FALSE(pdf.empty()) << "no PDF for \"" << title << "\" arrived in " << outDir;
    testsupport::TempDir dir;
    ASSERT_EQ(pdfPages(pdf, dir), 2);

    for (int page = 0; page < 2; ++page) {
        SCOPED_TRACE(page);
        const QImage& want = recording.pages()[page];
        // The picture: the centre of each block at a low resolution (the driver may
        // compress pictures lossily, so colours are compared with a tolerance).
        const int low = 100;
        const QImage got = testsupport::rasterisePdf(pdf, page + 1, low, dir);
        ASSERT_FALSE(got.isNull());
        const QRect r = drawing.picture(page);
        for (int by = 0; by < 2; ++by)
            for (int bx = 0; bx < 3; ++bx) {
                const int x = r.x() + bx * 100 * u + 50 * u, y = r.y() + by * 100 * u + 50 * u;
                const QRgb expected = want.pixel(x, y);
                const QRgb actual = got.pixel(x * low / res, y * low / res);
                EXPECT_TRUE(near(actual, expected, 40))
                    << "block " << bx << "," << by << ": " << std::hex << actual << " for " << expected;
            }
        // Outside the picture and the lines the page stays white.
        EXPECT_TRUE(near(got.pixel(r.right() * low / res + 20, r.bottom() * low / res + 20), qRgb(255, 255, 255), 8));

        // The lines: at the printer's resolution, in small windows across each line.
        const QRect across(200 * u, drawing.lineY(page) - 20, 40, 40);
        const QImage hor = testsupport::rasterisePdf(pdf, page + 1, res, dir, across);
        ASSERT_FALSE(hor.isNull());
        const QImage horWant = want.copy(across);
        const auto rowsGot = darkLines(hor, true), rowsWant = darkLines(horWant, true);
        ASSERT_FALSE(rowsWant.empty());
        ASSERT_FALSE(rowsGot.empty());
        EXPECT_NEAR(rowsGot.front(), rowsWant.front(), 2);
        EXPECT_NEAR(rowsGot.back(), rowsWant.back(), 2);

        const QRect down(drawing.lineX(page) - 20, 420 * u, 40, 20);
        const QImage ver = testsupport::rasterisePdf(pdf, page + 1, res, dir, down);
        ASSERT_FALSE(ver.isNull());
        const auto colsGot = darkLines(ver, false), colsWant = darkLines(want.copy(down), false);
        ASSERT_FALSE(colsWant.empty());
        ASSERT_FALSE(colsGot.empty());
        EXPECT_NEAR(colsGot.front(), colsWant.front(), 2);
        EXPECT_NEAR(colsGot.back(), colsWant.back(), 2);
    }
    QFile::remove(QString::fromStdString(pdf));
}

TEST(PrinterCups, StoppedRejectingAndMissingQueuesFailTheJob) {
    REQUIRE_CUPS();
    const std::string ppd = env("TESSELLON_CUPS_PPD"), uri = env("TESSELLON_CUPS_URI");
    if (ppd.empty() || uri.empty())
        GTEST_SKIP() << "TESSELLON_CUPS_PPD and TESSELLON_CUPS_URI (the PDF queue's driver and device, from "
                        "scripts/cups.sh) are not set";
    OwnQueue own("TessellonRefusing", uri, ppd);
    if (!own.made) GTEST_SKIP() << "this user may not administer CUPS queues";
    const std::string refusing = own.name;
    ASSERT_TRUE(admin("cupsreject '" + refusing + "'"));
    auto printer = QtPrinter::queue(wide(refusing));
    ASSERT_NE(printer, nullptr);
    HDC dc = printer->createDC();

    // A rejecting queue fails the job at its start.
    const std::string rejected = uniqueTitle("rejected");
    DOCINFOA di{sizeof di, rejected.c_str(), nullptr, nullptr, 0};
    EXPECT_EQ(StartDocA(dc, &di), SP_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_STATE);
    EXPECT_NE(narrow(platform::printErrorText()).find("does not accept jobs"), std::string::npos)
        << narrow(platform::printErrorText());

    // ... and at its end when it starts rejecting while the pages are drawn.
    ASSERT_TRUE(admin("cupsaccept '" + refusing + "'"));
    ASSERT_GT(StartDocA(dc, &di), 0) << narrow(platform::printErrorText());
    ASSERT_GT(StartPage(dc), 0);
    MoveToEx(dc, 100, 100, nullptr);
    LineTo(dc, 1000, 100);
    ASSERT_TRUE(admin("cupsreject '" + refusing + "'"));
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    const std::string why = narrow(platform::printErrorText());
    EXPECT_NE(why.find(refusing), std::string::npos) << why;
    // The drawn pages are not lost.
    const std::string kept = keptFile(why);
    EXPECT_TRUE(isPdf(kept)) << why;
    QFile::remove(QString::fromStdString(kept));
    ASSERT_TRUE(admin("cupsaccept '" + refusing + "'"));

    // A stopped queue would hold the job without printing it: refused as well.
    ASSERT_TRUE(admin("cupsdisable '" + refusing + "'"));
    const std::string stopped = uniqueTitle("stopped");
    DOCINFOA ds{sizeof ds, stopped.c_str(), nullptr, nullptr, 0};
    EXPECT_EQ(StartDocA(dc, &ds), SP_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_STATE);
    EXPECT_NE(narrow(platform::printErrorText()).find("is stopped"), std::string::npos)
        << narrow(platform::printErrorText());
    ASSERT_TRUE(admin("cupsenable '" + refusing + "'"));

    // Jobs are printed in order: once a later job has arrived, none of the refused ones did.
    const std::string later = uniqueTitle("after refusals");
    DOCINFOA dl{sizeof dl, later.c_str(), nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(dc, &dl), 0) << narrow(platform::printErrorText());
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0) << narrow(platform::printErrorText());
    const std::string arrived = testsupport::waitForCupsPdf(outDir, later);
    EXPECT_FALSE(arrived.empty());
    QFile::remove(QString::fromStdString(arrived));
    EXPECT_FALSE(outputExists(outDir, rejected));
    EXPECT_FALSE(outputExists(outDir, stopped));
    DeleteDC(dc);

    // A queue that disappears after it was chosen.
    std::shared_ptr<QtPrinter> doomed;
    {
        OwnQueue gone("TessellonGone", "socket://127.0.0.1:9", "");
        ASSERT_TRUE(gone.made);
        doomed = QtPrinter::queue(wide(gone.name));
        ASSERT_NE(doomed, nullptr);
    }
    HDC gdc = doomed->createDC();
    EXPECT_GT(GetDeviceCaps(gdc, HORZRES), 0);  // its last known page layout
    EXPECT_EQ(StartDocA(gdc, &di), SP_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
    EXPECT_NE(narrow(platform::printErrorText()).find("is not available"), std::string::npos);
    DeleteDC(gdc);
}

TEST(PrinterCups, AServerThatIsDownOrSilentMakesTheQueueUnavailableAtOnce) {
    REQUIRE_CUPS();
    auto printer = QtPrinter::queue(wide(queueName));
    ASSERT_NE(printer, nullptr);
    HDC dc = printer->createDC();
    const int port = ippPort();
    DOCINFOA di{sizeof di, "unreachable", nullptr, nullptr, 0};
    QElapsedTimer timer;

    // Nobody listens: the answer comes at once.
    cupsSetServer("/nonexistent/tessellon/cups.sock");
    timer.start();
    EXPECT_EQ(StartDocA(dc, &di), SP_ERROR);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_NE(narrow(platform::printErrorText()).find("is not available."), std::string::npos)
        << narrow(platform::printErrorText());

    // A server that takes the connection and never answers: the question times out.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
    cupsSetServer("127.0.0.1");
    ippSetPort(ntohs(address.sin_port));
    timer.restart();
    EXPECT_EQ(StartDocA(dc, &di), SP_ERROR);
    EXPECT_LT(timer.elapsed(), platform::kCupsTimeoutMs + 2000);
    EXPECT_NE(narrow(platform::printErrorText()).find("is not available."), std::string::npos);

    ::close(silent);
    cupsSetServer(nullptr);
    ippSetPort(port);
    // The real server again.
    EXPECT_GT(StartDocA(dc, &di), 0) << narrow(platform::printErrorText());
    EXPECT_GT(AbortDoc(dc), 0);
    DeleteDC(dc);
}

TEST(PrinterCups, SendingKeepsTheWindowsServedAndARefusedJobKeepsItsPages) {
    REQUIRE_CUPS();
    auto printer = QtPrinter::queue(wide(queueName));
    ASSERT_NE(printer, nullptr);
    const std::thread::id ui = std::this_thread::get_id();
    std::thread::id sender;
    std::u16string sentFile;
    bool sentFileExisted = false;
    std::u16string refusal;
    platform::QueueSender previous = platform::setQueueSender([&](const platform::QueueJob& job) {
        sender = std::this_thread::get_id();
        sentFile = job.file;
        sentFileExisted = QFileInfo::exists(QString::fromStdU16String(job.file));
        QThread::msleep(800);
        return refusal.empty() ? platform::QueueSent{77, {}} : platform::QueueSent{0, refusal};
    });
    // A window that must keep painting while the document is sent.
    QWidget window;
    testsupport::PaintCounter counter;
    window.installEventFilter(&counter);
    window.resize(200, 100);
    window.show();
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &window, [&] { window.update(); });
    repaint.start(40);
    QApplication::processEvents();

    auto print = [&] {
        HDC dc = printer->createDC();
        DOCINFOA di{sizeof di, "served", nullptr, nullptr, 0};
        EXPECT_GT(StartDocA(dc, &di), 0) << narrow(platform::printErrorText());
        EXPECT_GT(StartPage(dc), 0);
        MoveToEx(dc, 100, 100, nullptr);
        LineTo(dc, 1000, 100);
        counter.paints = 0;
        const int r = EndDoc(dc);
        DeleteDC(dc);
        return r;
    };
    EXPECT_GT(print(), 0) << narrow(platform::printErrorText());
    EXPECT_GE(counter.paints, 5);
    EXPECT_NE(sender, ui);
    EXPECT_TRUE(sentFileExisted);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdU16String(sentFile)));  // handed over, then removed

    refusal = u"The printer \"X\" refused the job: testing.";
    EXPECT_EQ(print(), SP_ERROR);
    const std::string why = narrow(platform::printErrorText());
    EXPECT_NE(why.find("refused the job: testing."), std::string::npos) << why;
    const std::string kept = keptFile(why);
    EXPECT_TRUE(isPdf(kept)) << why;
    QFile::remove(QString::fromStdString(kept));
    platform::setQueueSender(previous);
}
