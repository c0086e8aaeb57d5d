// The clipboard between processes on a virtual display: pictures to and from xclip, a
// registered format between two of our processes, and the viewer chain hearing of another
// program's change.
#include "platform/clipboard.h"
#include "platform/gditypes.h"
#include "platform/globalmem.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::vector<UINT> heard;

LRESULT viewerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_DRAWCLIPBOARD || m == WM_DESTROYCLIPBOARD) {
        heard.push_back(m);
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

HWND makeWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = viewerProc;
    wc.lpszClassName = u"X11ClipboardViewer";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, u"X11ClipboardViewer", u"", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                           nullptr);
}

using testsupport::waitFor;

// Runs a program to its end while this process keeps serving the clipboard.
QByteArray run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForStarted(10000)) << program.toStdString();
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(waitFor([&] { return p.state() == QProcess::NotRunning; })) << program.toStdString();
    return p.readAllStandardOutput();
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // top-down
};

// A binary PPM as pngtopnm writes it.
Picture readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Picture p;
    in >> magic >> p.width >> p.height >> maxval;
    in.get();
    p.rgb.resize(static_cast<std::size_t>(p.width) * p.height * 3);
    in.read(reinterpret_cast<char*>(p.rgb.data()), static_cast<std::streamsize>(p.rgb.size()));
    EXPECT_EQ(magic, "P6");
    EXPECT_EQ(maxval, 255);
    return p;
}

void writePpm(const std::string& path, const Picture& p) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << p.width << " " << p.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(p.rgb.data()), static_cast<std::streamsize>(p.rgb.size()));
}

// The colour of pixel (x, y) of a DIB of 1 to 8 or 24 bits.
std::array<int, 3> dibPixel(const Bytes& dib, int x, int y) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    const int bits = h.biBitCount;
    const int entries = bits <= 8 ? (h.biClrUsed ? static_cast<int>(h.biClrUsed) : 1 << bits) : 0;
    const std::size_t line = ((static_cast<std::size_t>(h.biWidth) * bits + 31) / 32) * 4;
    const unsigned char* row = dib.data() + h.biSize + entries * 4 + (h.biHeight - 1 - y) * line;
    if (bits == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    const int perByte = 8 / bits;
    const int index = (row[x / perByte] >> (8 - bits * (x % perByte + 1))) & ((1 << bits) - 1);
    const unsigned char* q = dib.data() + h.biSize + index * 4;
    return {q[2], q[1], q[0]};
}

Bytes dibOf(const Picture& p) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = p.width;
    h.biHeight = p.height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    const std::size_t line = ((static_cast<std::size_t>(p.width) * 24 + 31) / 32) * 4;
    Bytes dib(sizeof h + line * p.height, 0);
    std::memcpy(dib.data(), &h, sizeof h);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c)
                dib[sizeof h + (p.height - 1 - y) * line + 3 * x + c] = p.rgb[(y * p.width + x) * 3 + 2 - c];
    return dib;
}

Picture gradient(int w, int h) {
    Picture p{w, h, {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.rgb.insert(p.rgb.end(), {static_cast<unsigned char>(x * 40), static_cast<unsigned char>(y * 50), static_cast<unsigned char>(200 - x * y)});
    return p;
}

Bytes blockBytes(HANDLE h) {
    const auto* p = static_cast<const unsigned char*>(GlobalLock(h));
    Bytes out = p ? Bytes(p, p + GlobalSize(h)) : Bytes{};
    if (p) GlobalUnlock(h);
    return out;
}

TEST(ClipboardX11, RunsOnARealDisplay) { ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")); }

TEST(ClipboardX11, OurPictureIsAPngForAnotherProcess) {
    const Picture picture = gradient(7, 5);
    const Bytes dib = dibOf(picture);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_DIB, platform::globalFromBytes(dib.data(), dib.size()));
    CloseClipboard();

    const QByteArray targets = run("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"});
    EXPECT_TRUE(targets.contains("image/png")) << targets.toStdString();
    EXPECT_TRUE(targets.contains("image/bmp"));
    EXPECT_TRUE(targets.contains(QByteArray::fromStdString(platform::clipboardMimeType(CF_DIB))));

    const QByteArray png = run("xclip", {"-o", "-selection", "clipboard", "-t", "image/png"});
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("out.png"), Bytes(png.begin(), png.end()));
    ASSERT_EQ(testsupport::runCommand("pngtopnm '" + dir.file("out.png") + "' > '" + dir.file("out.ppm") + "'"), 0);
    const Picture read = readPpm(dir.file("out.ppm"));
    EXPECT_EQ(read.width, 7);
    EXPECT_EQ(read.height, 5);
    EXPECT_EQ(read.rgb, picture.rgb);
}

TEST(ClipboardX11, APngOfAnotherProcessPastesAsADib) {
    testsupport::TempDir dir;
    // Many colours give a true-colour file; 24 and 2 colours a palette file.
    for (const int colours : {400, 24, 2}) {
        Picture picture = colours == 400 ? gradient(20, 20) : gradient(6, 4);
        if (colours == 400)
            for (std::size_t i = 0; i < picture.rgb.size(); i += 3) picture.rgb[i + 2] = static_cast<unsigned char>(i / 3);
        if (colours == 2)
            for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
                const bool first = (i / 3) % 3 == 0;
                picture.rgb[i] = first ? 250 : 10;
                picture.rgb[i + 1] = 10;
                picture.rgb[i + 2] = first ? 10 : 250;
            }
        writePpm(dir.file("in.ppm"), picture);
        ASSERT_EQ(testsupport::runCommand("pnmtopng '" + dir.file("in.ppm") + "' > '" + dir.file("in.png") + "' 2>/dev/null"), 0);
        const DWORD before = GetClipboardSequenceNumber();
        QProcess xclip;
        xclip.start("xclip", {"-quiet", "-i", "-selection", "clipboard", "-t", "image/png", QString::fromStdString(dir.file("in.png"))});
        ASSERT_TRUE(xclip.waitForStarted(10000));
        ASSERT_TRUE(waitFor([&] { return GetClipboardSequenceNumber() != before && IsClipboardFormatAvailable(CF_DIB); }));
        ASSERT_TRUE(OpenClipboard(nullptr));
        const Bytes dib = blockBytes(GetClipboardData(CF_DIB));
        CloseClipboard();
        ASSERT_GE(dib.size(), 40u);
        BITMAPINFOHEADER h;
        std::memcpy(&h, dib.data(), sizeof h);
        EXPECT_EQ(h.biWidth, picture.width);
        EXPECT_EQ(h.biHeight, picture.height);
        // A palette file keeps its palette in the smallest depth that holds it.
        const Bytes png = testsupport::readFile(dir.file("in.png"));
        ASSERT_GT(png.size(), 25u);
        EXPECT_EQ(png[25], colours == 400 ? 2 : 3);  // the file's colour type
        EXPECT_EQ(h.biBitCount, colours == 400 ? 24 : colours == 24 ? 8 : 1);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                const auto c = dibPixel(dib, x, y);
                const unsigned char* want = &picture.rgb[(y * picture.width + x) * 3];
                EXPECT_EQ(c, (std::array<int, 3>{want[0], want[1], want[2]})) << x << "," << y;
            }
        xclip.kill();
        xclip.waitForFinished(5000);
    }
}

TEST(ClipboardX11, ARegisteredFormatGoesBetweenTwoOfOurProcesses) {
    const DWORD before = GetClipboardSequenceNumber();
    QProcess helper;
    helper.start(TESSELLON_TEST_HELPER, {"clip-set", "Tessellon Test Format", "from the helper", "20"});
    ASSERT_TRUE(waitFor([&] { return helper.canReadLine() || helper.state() == QProcess::NotRunning; }));
    ASSERT_EQ(helper.readLine().trimmed(), "ready");
    const UINT format = RegisterClipboardFormatA("TESSELLON TEST FORMAT");
    ASSERT_TRUE(waitFor([&] { return GetClipboardSequenceNumber() != before && IsClipboardFormatAvailable(format); }));
    ASSERT_TRUE(OpenClipboard(nullptr));
    const Bytes got = blockBytes(GetClipboardData(format));
    CloseClipboard();
    EXPECT_EQ(std::string(got.begin(), got.end()), std::string("from the helper", 16));
    helper.kill();
    helper.waitForFinished(5000);

    const std::string text = "from the test";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(format, platform::globalFromBytes(text.c_str(), text.size() + 1));
    CloseClipboard();
    EXPECT_EQ(run(TESSELLON_TEST_HELPER, {"clip-get", "tessellon test format"}).trimmed(), "from the test");
}

TEST(ClipboardX11, TheViewerChainHearsOfAnotherProgramsChange) {
    HWND viewer = makeWindow();
    EXPECT_EQ(SetClipboardViewer(viewer), nullptr);
    ASSERT_TRUE(OpenClipboard(viewer));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, platform::globalFromBytes("ours", 5));
    CloseClipboard();
    heard.clear();
    QProcess xclip;
    xclip.start("xclip", {"-quiet", "-i", "-selection", "clipboard"});
    ASSERT_TRUE(xclip.waitForStarted(10000));
    xclip.write("theirs ✓");
    xclip.closeWriteChannel();
    ASSERT_TRUE(waitFor([] { return heard.size() >= 2; })) << heard.size();
    EXPECT_EQ(heard[0], WM_DESTROYCLIPBOARD);  // the viewer owned what was replaced
    EXPECT_EQ(heard[1], WM_DRAWCLIPBOARD);
    EXPECT_EQ(GetClipboardOwner(), nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const Bytes text = blockBytes(GetClipboardData(CF_UNICODETEXT));
    CloseClipboard();
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size() / 2 - 1), u"theirs ✓");
    ChangeClipboardChain(viewer, nullptr);
    xclip.kill();
    xclip.waitForFinished(5000);
    DestroyWindow(viewer);
}

}  // namespace
