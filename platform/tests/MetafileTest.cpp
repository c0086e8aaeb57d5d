// Enhanced metafiles: the header read from the file's bytes, files that are no metafile,
// playing at chosen sizes onto a bitmap, and a metafile written by an independent tool.
#include "platform/metafile.h"

#include "platform/GdiObject.h"
#include "platform/gdi.h"
#include "platform/tests/EmfWriter.h"
#include "platform/winerror.h"
#include "testsupport/TestSupport.h"

#include <cstring>
#include <fstream>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Left half red, right half blue, on bounds 0..99 x 0..49.
std::vector<unsigned char> twoColours() {
    EmfWriter w({0, 0, 99, 49}, {0, 0, 2645, 1322});
    w.fill({0, 0, 50, 50}, 0x0000FF);
    w.fill({50, 0, 100, 50}, 0xFF0000);
    return w.bytes();
}

// A 24-bit bitmap in a memory DC, white, and its pixels.
struct Canvas {
    Canvas(int w, int h) : width(w), height(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, bitmap);
        RECT all{0, 0, w, h};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // 0xRRGGBB of a pixel.
    unsigned rgb(int x, int y) const {
        const unsigned char* p = bits + static_cast<std::ptrdiff_t>(y) * ((width * 3 + 3) / 4 * 4) + 3 * x;
        return (unsigned(p[2]) << 16) | (unsigned(p[1]) << 8) | p[0];
    }
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    unsigned char* bits = nullptr;
};

class Metafiles : public ::testing::Test {
protected:
    HENHMETAFILE open(const std::vector<unsigned char>& bytes, const char* name = "picture.emf") {
        EXPECT_TRUE(writeFile(dir.file(name), bytes));
        return GetEnhMetaFileA(dir.file(name).c_str());
    }
    TempDir dir;
};

TEST_F(Metafiles, TheHeaderGivesBoundsFrameAndSize) {
    const std::size_t before = platform::gdi::liveCount();
    HENHMETAFILE m = open(twoColours());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetObjectType(m), OBJ_ENHMETAFILE);
    EXPECT_EQ(GetEnhMetaFileHeader(m, 0, nullptr), 108u);
    ENHMETAHEADER h{};
    ASSERT_EQ(GetEnhMetaFileHeader(m, sizeof h, &h), 108u);
    EXPECT_EQ(h.iType, EMR_HEADER);
    EXPECT_EQ(h.dSignature, ENHMETA_SIGNATURE);
    EXPECT_EQ(h.rclBounds.left, 0);
    EXPECT_EQ(h.rclBounds.right, 99);
    EXPECT_EQ(h.rclBounds.bottom, 49);
    EXPECT_EQ(h.rclFrame.right, 2645);
    EXPECT_EQ(h.szlDevice.cx, 1920);
    EXPECT_EQ(h.nBytes, GetEnhMetaFileBits(m, 0, nullptr));
    // A short buffer gets the start of the header only.
    RECTL part[2] = {{7, 7, 7, 7}, {7, 7, 7, 7}};
    EXPECT_EQ(GetEnhMetaFileHeader(m, 12, reinterpret_cast<ENHMETAHEADER*>(part)), 12u);
    EXPECT_EQ(part[0].right, 0) << "bounds.left";
    EXPECT_EQ(part[0].bottom, 7) << "not written";
    EXPECT_TRUE(DeleteEnhMetaFile(m));
    EXPECT_EQ(platform::gdi::liveCount(), before);
    EXPECT_FALSE(DeleteEnhMetaFile(m));
    EXPECT_EQ(GetEnhMetaFileHeader(m, sizeof h, &h), 0u);
}

TEST_F(Metafiles, FilesThatAreNoEnhancedMetafileAreRefused) {
    const std::vector<unsigned char> good = twoColours();
    auto changed = [&](std::size_t at, std::uint32_t value) {
        std::vector<unsigned char> b = good;
        std::memcpy(b.data() + at, &value, 4);
        return b;
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"empty", {}},
        {"shorter than a header", std::vector<unsigned char>(good.begin(), good.begin() + 80)},
        {"another first record", changed(0, 2)},
        {"no signature", changed(40, 0x20464D45)},
        {"a header larger than the file", changed(4, 1u << 20)},
        {"a header too short", changed(4, 40)},
        {"a picture file", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(open(c.bytes), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    }
    SetLastError(0);
    EXPECT_EQ(GetEnhMetaFileA(dir.file("missing.emf").c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    // A FIFO is refused without waiting for a writer.
    ASSERT_TRUE(makeFifo(dir.file("pipe.emf")));
    HENHMETAFILE fromFifo = nullptr;
    EXPECT_TRUE(returnsWithoutWaiting({dir.file("pipe.emf")},
                                      [&] { fromFifo = GetEnhMetaFileA(dir.file("pipe.emf").c_str()); }));
    EXPECT_EQ(fromFifo, nullptr);
    // An older header of 88 bytes is fine; the fields past it read 0.
    std::vector<unsigned char> old = good;
    std::uint32_t size88 = 88;
    std::memcpy(old.data() + 4, &size88, 4);
    HENHMETAFILE m = SetEnhMetaFileBits(static_cast<UINT>(old.size()), old.data());
    ASSERT_NE(m, nullptr);
    ENHMETAHEADER h{};
    h.szlMicrometers.cx = 5;
    EXPECT_EQ(GetEnhMetaFileHeader(m, sizeof h, &h), 88u);
    EXPECT_EQ(h.rclBounds.right, 99);
    DeleteEnhMetaFile(m);
}

TEST_F(Metafiles, PlayingScalesThePictureToTheRectangle) {
    HENHMETAFILE m = open(twoColours());
    ASSERT_NE(m, nullptr);
    for (const SIZE size : {SIZE{100, 50}, SIZE{400, 200}, SIZE{60, 90}}) {
        SCOPED_TRACE(size.cx);
        Canvas c(size.cx, size.cy);
        const RECT r{0, 0, size.cx, size.cy};
        ASSERT_TRUE(PlayEnhMetaFile(c.dc, m, &r));
        // Red on the left half, blue on the right, corner to corner.
        EXPECT_EQ(c.rgb(2, 2), 0xFF0000u);
        EXPECT_EQ(c.rgb(size.cx / 2 - 3, size.cy - 3), 0xFF0000u);
        EXPECT_EQ(c.rgb(size.cx / 2 + 3, 2), 0x0000FFu);
        EXPECT_EQ(c.rgb(size.cx - 2, size.cy - 2), 0x0000FFu);
    }
    // Into a part of the bitmap: the rest keeps its white.
    Canvas c(300, 100);
    const RECT part{100, 25, 200, 75};
    ASSERT_TRUE(PlayEnhMetaFile(c.dc, m, &part));
    EXPECT_EQ(c.rgb(110, 50), 0xFF0000u);
    EXPECT_EQ(c.rgb(190, 50), 0x0000FFu);
    EXPECT_EQ(c.rgb(50, 50), 0xFFFFFFu);
    EXPECT_EQ(c.rgb(250, 50), 0xFFFFFFu);
    EXPECT_EQ(c.rgb(150, 10), 0xFFFFFFu);
    // Empty bounds (as a metafile that recorded no drawing has): the frame gives the area.
    {
        EmfWriter w({0, 0, -1, -1}, {0, 0, 2645, 1322});
        w.fill({0, 0, 50, 50}, 0x0000FF);
        HENHMETAFILE framed = open(w.bytes(), "framed.emf");
        ASSERT_NE(framed, nullptr);
        Canvas f(200, 100);
        const RECT all{0, 0, 200, 100};
        ASSERT_TRUE(PlayEnhMetaFile(f.dc, framed, &all));
        EXPECT_EQ(f.rgb(90, 90), 0xFF0000u);
        EXPECT_EQ(f.rgb(110, 50), 0xFFFFFFu);
        DeleteEnhMetaFile(framed);
    }
    // No area, no handle: nothing is drawn.
    const RECT empty{10, 10, 10, 40};
    EXPECT_FALSE(PlayEnhMetaFile(c.dc, m, &empty));
    DeleteEnhMetaFile(m);
    EXPECT_FALSE(PlayEnhMetaFile(c.dc, m, &part));
    EXPECT_EQ(c.rgb(110, 50), 0xFF0000u);
}

TEST_F(Metafiles, AMetafileWrittenByAnotherProgramOpensAndPlays) {
    if (!haveProgram("inkscape")) GTEST_SKIP() << "inkscape is not installed";
    // A drawing 300 x 150: green on the left two thirds, a red bar on the right.
    std::ofstream(dir.file("drawing.svg"))
        << "<svg xmlns='http://www.w3.org/2000/svg' width='300' height='150' viewBox='0 0 300 150'>"
           "<rect x='0' y='0' width='200' height='150' fill='#00a000'/>"
           "<rect x='200' y='0' width='100' height='150' fill='#e00000'/></svg>";
    ASSERT_EQ(runCommand("HOME=" + dir.path() + " inkscape " + dir.file("drawing.svg") +
                         " --export-type=emf --export-filename=" + dir.file("drawing.emf") + " >/dev/null 2>&1"),
              0);
    HENHMETAFILE m = GetEnhMetaFileA(dir.file("drawing.emf").c_str());
    ASSERT_NE(m, nullptr);
    ENHMETAHEADER h{};
    ASSERT_GE(GetEnhMetaFileHeader(m, sizeof h, &h), 88u);
    const int w = h.rclBounds.right - h.rclBounds.left + 1, hh = h.rclBounds.bottom - h.rclBounds.top + 1;
    EXPECT_NEAR(double(w) / hh, 2.0, 0.05) << w << " x " << hh;
    Canvas c(200, 100);
    const RECT r{0, 0, 200, 100};
    ASSERT_TRUE(PlayEnhMetaFile(c.dc, m, &r));
    EXPECT_EQ(c.rgb(5, 5), 0x00A000u);
    EXPECT_EQ(c.rgb(125, 95), 0x00A000u);
    EXPECT_EQ(c.rgb(140, 5), 0xE00000u);
    EXPECT_EQ(c.rgb(195, 95), 0xE00000u);
    DeleteEnhMetaFile(m);
}

}  // namespace
