// The editor's clipboard with another process on a virtual display: a copied selection read
// by xclip as PNG, a PNG that xclip offers pasted as a floating selection, and damaged blocks
// that another process offers under our own types refused.
#include "EditorTestSupport.h"
#include "editor/EditorClipboard.h"

#include "platform/clipboard.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace edtest;

namespace {

template <class Done>
bool waitFor(Done done, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs a program to its end while this process keeps serving the clipboard.
QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForStarted(10000)) << program.toStdString();
    p.closeWriteChannel();
    EXPECT_TRUE(waitFor([&] { return p.state() == QProcess::NotRunning; })) << program.toStdString();
    return p.readAllStandardOutput();
}

// xclip serving `file` under `type` until the object goes; waits until the clipboard shows it.
class Offer {
public:
    Offer(const std::string& file, const std::string& type, UINT format) {
        const DWORD before = GetClipboardSequenceNumber();
        xclip_.start("xclip", {"-quiet", "-i", "-selection", "clipboard", "-t", QString::fromStdString(type),
                               QString::fromStdString(file)});
        started_ = xclip_.waitForStarted(10000) &&
                   waitFor([&] { return GetClipboardSequenceNumber() != before && IsClipboardFormatAvailable(format); });
    }
    ~Offer() {
        xclip_.kill();
        xclip_.waitForFinished(5000);
    }
    bool started() const { return started_; }

private:
    QProcess xclip_;
    bool started_ = false;
};

QRgb rgbOf(int packed) { return qRgb(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF); }

int packedOf(const TDib& d, int v) {
    if (DibColorCount(d) > 256) return v;
    const RGBQUAD& q = d.Info->bmiColors[v];
    return q.rgbRed | q.rgbGreen << 8 | q.rgbBlue << 16;
}

}  // namespace

TEST(EditorClipboardX11, RunsOnARealDisplay) { ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")); }

TEST(EditorClipboardX11, ACopiedSelectionIsAPngForAnotherProcess) {
    for (const int bits : {8, 24}) {
        SCOPED_TRACE(bits);
        Doc d(21, 15, bits);
        d.doc.SelectShape(2, 1, 17, 12, 2, 0);
        const RECT box = d.doc.SelBounds;
        TEditorClipboard clip;
        ASSERT_TRUE(clip.Copy(d.doc));
        const QByteArray targets = run("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"});
        EXPECT_TRUE(targets.contains("image/png")) << targets.toStdString();
        EXPECT_TRUE(targets.contains(QByteArray::fromStdString(platform::clipboardMimeType(clip.ClipFormat))));
        const QByteArray png = run("xclip", {"-o", "-selection", "clipboard", "-t", "image/png"});
        ASSERT_TRUE(png.startsWith("\x89PNG"));
        const QImage image = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
        if (const char* dir = std::getenv("TESSELLON_SHOT_DIR"); dir && *dir)
            image.scaled(image.size() * 8).save(QString::fromUtf8(dir) + QString("/xclip-copy-%1.png").arg(bits));
        ASSERT_EQ(image.width(), box.right - box.left + 1);
        ASSERT_EQ(image.height(), box.bottom - box.top + 1);
        const TDib& pic = d.doc.Dib.get();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int px = box.left + x, py = box.top + y;
                // Outside the selection the copy holds zeros: black, or palette entry 0.
                const int want = packedOf(pic, d.mask(px, py) ? d.pixel(px, py) : 0);
                ASSERT_EQ(image.pixel(x, y), rgbOf(want)) << x << "," << y;
            }
    }
}

TEST(EditorClipboardX11, APngOfAnotherProcessPastesAsAFloatingSelection) {
    testsupport::TempDir dir;
    QImage png(9, 6, QImage::Format_RGB32);
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) png.setPixel(x, y, qRgb(x * 28, y * 40, 255 - x * y));
    const std::string file = dir.file("in.png");
    ASSERT_TRUE(png.save(QString::fromStdString(file), "PNG"));
    Offer offer(file, "image/png", CF_DIB);
    ASSERT_TRUE(offer.started());

    Doc d(makePicture(20, 12, 24, [](int, int) { return 0x808080; }));
    TEditorClipboard clip;
    EXPECT_TRUE(clip.HasPicture());
    ASSERT_TRUE(clip.PasteAsSelection(d.doc, false));
    ASSERT_TRUE(d.doc.FloatDib);
    EXPECT_FALSE(d.doc.FloatUseMask);  // another program sends no mask
    const TDib& f = d.doc.FloatDib.get();
    ASSERT_EQ(DibWidth(f), 9);
    ASSERT_EQ(DibHeight(f), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(rgbOf(getpixel(f, x, y)), png.pixel(x, y)) << x << "," << y;
    d.doc.PaintBox1MouseMove(0, 4, 3);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 4, 3);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool in = x >= 4 && x < 13 && y >= 3 && y < 9;
            ASSERT_EQ(rgbOf(d.pixel(x, y)), in ? png.pixel(x - 4, y - 3) : qRgb(128, 128, 128)) << x << "," << y;
            ASSERT_EQ(d.mask(x, y), in ? 1 : 0);
        }
}

TEST(EditorClipboardX11, DamagedBlocksOfAnotherProcessAreRefused) {
    testsupport::TempDir dir;
    TEditorClipboard clip;
    // A header for 100 x 100 pixels of 24 bits followed by ten bytes.
    std::vector<unsigned char> damaged(50, 0);
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = 100;
    h.biHeight = 100;
    h.biPlanes = 1;
    h.biBitCount = 24;
    std::memcpy(damaged.data(), &h, sizeof h);
    ASSERT_TRUE(testsupport::writeFile(dir.file("dib"), damaged));
    {
        Offer offer(dir.file("dib"), platform::clipboardMimeType(CF_DIB), CF_DIB);
        ASSERT_TRUE(offer.started());
        Doc d(10, 10, 24);
        const UniqueDib before = copyOf(d.doc.Dib.get());
        EXPECT_FALSE(clip.PasteAsSelection(d.doc, false));
        EXPECT_FALSE(clip.PasteAsNewPicture(d.doc));
        EXPECT_FALSE(d.doc.FloatDib);
        EXPECT_EQ(d.doc.UndoCount, 0);
        EXPECT_TRUE(samePixels(d.doc.Dib.get(), before.get()));
    }
    // A mask block without a picture pastes nothing.
    ASSERT_TRUE(testsupport::writeFile(dir.file("mask"), std::vector<unsigned char>(7, 0xFF)));
    {
        Offer offer(dir.file("mask"), platform::clipboardMimeType(clip.ClipFormat), clip.ClipFormat);
        ASSERT_TRUE(offer.started());
        EXPECT_FALSE(clip.HasPicture());
        Doc d(10, 10, 24);
        EXPECT_FALSE(clip.PasteAsSelection(d.doc, false));
        EXPECT_FALSE(d.doc.FloatDib);
    }
}
