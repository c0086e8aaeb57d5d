// The editor's clipboard with another process on a virtual display: a copied selection read
// by xclip as PNG, a PNG that xclip offers pasted as a floating selection, damaged blocks
// that another process offers under our own types refused (a picture with a damaged mask
// block pastes without the mask), and the editor window's paste commands following what
// other programs put on the clipboard.
#include "EditorTestSupport.h"
#include "editor/ClipDib.h"
#include "editor/EditorClipboard.h"
#include "editor/tests/MainWindowFixture.h"
#include "platform/globalmem.h"

#include "platform/clipboard.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace edtest;

namespace {

using testsupport::waitFor;

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

namespace {

// The picture the serving process offers: 8 x 6 pixels of 24 bits, and its mask block (the
// selection's format) in one of several forms.
constexpr int kW = 8, kH = 6;

int servedPixel(int x, int y) { return (x * 30) | (y * 40) << 8 | 0x800000; }

std::vector<BYTE> servedDib() {
    const int line = (kW * 3 + 3) & ~3;
    std::vector<BYTE> block(40 + line * kH, 0);
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = kW;
    h.biHeight = kH;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biSizeImage = line * kH;
    std::memcpy(block.data(), &h, sizeof h);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            BYTE* p = block.data() + 40 + (kH - 1 - y) * line + x * 3;
            const int v = servedPixel(x, y);
            p[0] = static_cast<BYTE>(v >> 16);
            p[1] = static_cast<BYTE>(v >> 8);
            p[2] = static_cast<BYTE>(v);
        }
    return block;
}

// "sound": the left half selected; "short": the header and half a row; "wide": a header one
// pixel wider than the picture; "tall": a header taller than the rows that follow.
std::vector<BYTE> servedMask(const std::string& kind) {
    const int w = kind == "wide" ? kW + 1 : kW, h = kind == "tall" ? kH * 50 : kH;
    std::vector<BYTE> block(editor::ClipMaskHeadBytes + 4 * kH, 0);
    BITMAPINFOHEADER head{};
    head.biSize = 40;
    head.biWidth = w;
    head.biHeight = h;
    head.biPlanes = 1;
    head.biBitCount = 1;
    std::memcpy(block.data(), &head, sizeof head);
    for (int y = 0; y < kH; ++y) block[editor::ClipMaskHeadBytes + y * 4] = 0xF0;  // x 0..3
    if (kind == "short") block.resize(editor::ClipMaskHeadBytes - 10);
    return block;
}

// Another process serving a picture and a mask block, until the object goes.
class ServingProcess {
public:
    explicit ServingProcess(const std::string& maskKind, UINT maskFormat) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TESSELLON_CLIP_SERVE", QString::fromStdString(maskKind));
        p_.setProcessEnvironment(env);
        const DWORD before = GetClipboardSequenceNumber();
        p_.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ClipboardServer.Serve"});
        started_ = p_.waitForStarted(10000) &&
                   waitFor([&] { return GetClipboardSequenceNumber() != before && IsClipboardFormatAvailable(maskFormat); });
    }
    ~ServingProcess() {
        p_.kill();
        p_.waitForFinished(5000);
    }
    bool started() const { return started_; }

private:
    QProcess p_;
    bool started_ = false;
};

}  // namespace

// The serving side of the tests below, run in a process of its own (skipped otherwise).
TEST(ClipboardServer, Serve) {
    const char* kind = std::getenv("TESSELLON_CLIP_SERVE");
    if (!kind) GTEST_SKIP() << "serves the clipboard for other tests";
    TEditorClipboard clip;
    const std::vector<BYTE> dib = servedDib(), mask = servedMask(kind);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_DIB, platform::globalFromBytes(dib.data(), dib.size()));
    SetClipboardData(clip.ClipFormat, platform::globalFromBytes(mask.data(), mask.size()));
    CloseClipboard();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

TEST(EditorClipboardX11, ASelectionOfAnotherProcessPastesWithItsMaskAndADamagedMaskIsLeftOut) {
    TEditorClipboard clip;
    for (const std::string kind : {"sound", "short", "wide", "tall"}) {
        SCOPED_TRACE(kind);
        ServingProcess serving(kind, clip.ClipFormat);
        ASSERT_TRUE(serving.started());
        Doc d(makePicture(20, 12, 24, [](int, int) { return 0x808080; }));
        ASSERT_TRUE(clip.PasteAsSelection(d.doc, false));
        ASSERT_TRUE(d.doc.FloatDib);
        const TDib& f = d.doc.FloatDib.get();
        ASSERT_EQ(DibWidth(f), kW);
        ASSERT_EQ(DibHeight(f), kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) ASSERT_EQ(getpixel(f, x, y), servedPixel(x, y)) << x << "," << y;
        EXPECT_EQ(d.doc.FloatUseMask, kind == "sound");
        // Placed at (2, 3): with the mask only its left half lands.
        d.doc.PaintBox1MouseMove(0, 2, 3);
        d.doc.PaintBox1MouseDown(mbLeft, 0, 2, 3);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool lands = kind != "sound" || x < 4;
                ASSERT_EQ(d.pixel(2 + x, 3 + y), lands ? servedPixel(x, y) : 0x808080) << x << "," << y;
            }
    }
}

namespace {

class EditorWindowClipboardX11 : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        create(true);
        waitFor([this] { return widgetOf(form)->isVisible(); });
        const TNotifyEvent handler = form->ClipboardViewer1->OnChange;
        form->ClipboardViewer1->OnChange = TNotifyEvent([this, handler](TObject* s) {
            ++changes;
            handler(s);
        });
    }
    int changes = 0;
};

}  // namespace

TEST_F(EditorWindowClipboardX11, ThePasteCommandsFollowTextAndPicturesOfAnotherProgram) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.file("text"), std::vector<unsigned char>{'h', 'i', '\n'}));
    QImage png(12, 9, QImage::Format_RGB32);
    png.fill(qRgb(200, 40, 10));
    ASSERT_TRUE(png.save(QString::fromStdString(dir.file("in.png")), "PNG"));
    for (int round = 0; round < 2; ++round) {
        {
            Offer text(dir.file("text"), "UTF8_STRING", CF_TEXT);
            ASSERT_TRUE(text.started());
            ASSERT_TRUE(waitFor([&] { return !form->PasteSpeedBtn->Enabled(); }));
            EXPECT_GE(changes, 1);
            EXPECT_FALSE(form->Einfgen1->Enabled());  // the "Insert" submenu
            EXPECT_FALSE(form->Zwischenablagelschen1->Enabled());
        }
        changes = 0;
        {
            Offer picture(dir.file("in.png"), "image/png", CF_DIB);
            ASSERT_TRUE(picture.started());
            ASSERT_TRUE(waitFor([&] { return form->PasteSpeedBtn->Enabled(); }));
            EXPECT_GE(changes, 1);
            EXPECT_TRUE(form->Einfgen1->Enabled());
            EXPECT_TRUE(form->Zwischenablagelschen1->Enabled());
            if (round == 0) {
                // Pasted as a new picture from the menu's command.
                form->AlsBild1Click(form);
                EXPECT_EQ(DibWidth(form->MDIChild1->Dib.get()), 12);
                EXPECT_EQ(getpixel(form->MDIChild1->Dib.get(), 5, 5), 10 << 16 | 40 << 8 | 200);
            }
        }
        changes = 0;
    }
    // Only a palette (our private format) from another program, its block damaged: nothing
    // to paste, and nothing breaks.
    ASSERT_TRUE(testsupport::writeFile(dir.file("pal"), std::vector<unsigned char>(7, 0xEE)));
    {
        Offer palette(dir.file("pal"), platform::clipboardMimeType(CF_PALETTE), CF_PALETTE);
        ASSERT_TRUE(palette.started());
        ASSERT_TRUE(waitFor([&] { return changes > 0; }));
        EXPECT_FALSE(form->PasteSpeedBtn->Enabled());
        EXPECT_FALSE(form->Einfgen1->Enabled());
    }
    // A palette of our own on the clipboard: the 0 x 0 viewer shows it in one column.
    std::vector<BYTE> record(sizeof(LOGPALETTE) + 16 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(record.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 16;
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_PALETTE, CreatePalette(lp));
    CloseClipboard();
    ASSERT_TRUE(waitFor([&] { return dynamic_cast<TPaletteGrid*>(form->ClipboardViewer1->ViewControl()) != nullptr; }));
    EXPECT_EQ(dynamic_cast<TPaletteGrid*>(form->ClipboardViewer1->ViewControl())->ColCount(), 1);
    EXPECT_FALSE(form->PasteSpeedBtn->Enabled());
    EXPECT_TRUE(boxes.shown().empty());
}
