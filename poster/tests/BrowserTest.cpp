// The thumbnail browser on real folders of picture files: thumbnails of every depth, the
// cache written and used on the next visit, a picture changed under its name, the grid's
// keys, a picture picked into the poster window, closing during a run, and the splitter
// sizes kept across showings.
#include "poster/BrowserFUnit.h"

#include "PosterWindowFixture.h"
#include "poster/Pixwerk.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

// A picture with a pattern that tells its pixels apart.
UniqueDib pattern(int width, int height, int bits, int seed) {
    UniqueDib dib;
    BITMAPINFO* table = nullptr;
    std::vector<unsigned char> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    if (bits <= 8) {
        table = reinterpret_cast<BITMAPINFO*>(block.data());
        for (int i = 0; i < (1 << bits); ++i)
            table->bmiColors[i] = RGBQUAD{BYTE(i * 37 + seed), BYTE(i * 91), BYTE(255 - i * 13), 0};
    }
    newdib(dib.out(), width, height, bits, table, bits <= 8 ? 1 << bits : 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = x * 7 + y * 13 + seed;
            setpixel(dib.get(), x, y, bits == 24 ? (v & 255) | ((x + seed) & 255) << 8 | (y & 255) << 16 : v % (1 << bits));
        }
    return dib;
}

void save(const UniqueDib& dib, const std::string& path, int type) { ASSERT_EQ(SaveDib(dib.get(), path.c_str(), type, nullptr), 1) << path; }

class Browser : public PosterWindowFixture {
protected:
    void SetUp() override {
        PosterWindowFixture::SetUp();
        folder = pictures.path() + "/";
    }
    void TearDown() override {
        delete browser;
        browser = nullptr;
        PosterWindowFixture::TearDown();
    }
    // Shows a browser on the folder and waits for its run to end.
    TBrowserForm* browse(bool wait = true) {
        delete browser;
        browser = new TBrowserForm(nullptr, folder);
        browser->Show();
        if (wait) finish();
        return browser;
    }
    void finish() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (browser->Running() && std::chrono::steady_clock::now() < until) {
            QApplication::processEvents();
            TThread::CheckSynchronize();
        }
        ASSERT_FALSE(browser->Running());
        QApplication::processEvents();
    }
    std::vector<String> names() const {
        std::vector<String> r;
        for (const auto& t : browser->Thumbs()) r.push_back(t.Name);
        return r;
    }
    bool logged(const String& start) const {
        for (int i = 0; i < browser->Memo1->Lines()->Count(); ++i)
            if (browser->Memo1->Lines()->Strings(i).rfind(start, 0) == 0) return true;
        return false;
    }
    void key(WORD k) {
        WORD key = k;
        browser->KeyEditKeyDown(browser->KeyEdit, key, 0);
    }
    // A folder of mixed pictures.
    void fillMixed() {
        save(pattern(1000, 500, 24, 1), pictures.file("wide.bmp"), PW_BMP);
        save(pattern(500, 1000, 24, 2), pictures.file("tall.png"), PW_PNG);
        save(pattern(300, 200, 8, 3), pictures.file("eight.gif"), PW_GIF);
        save(pattern(120, 90, 4, 4), pictures.file("four.bmp"), PW_BMP);
        save(pattern(64, 64, 1, 5), pictures.file("one.pcx"), PW_PCX);
        save(pattern(640, 480, 24, 6), pictures.file("photo.jpg"), PW_JPG);
        save(pattern(1000, 5, 24, 7), pictures.file("strip.tga"), PW_TGA);
        save(pattern(1, 50, 24, 8), pictures.file("line.bmp"), PW_BMP);
        save(pattern(40, 30, 24, 9), pictures.file(".hidden.png"), PW_PNG);
        testsupport::writeFile(pictures.file("broken.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3});
        testsupport::writeFile(pictures.file("notes.txt"), {'h', 'i'});
    }

    testsupport::TempDir pictures;
    String folder;
    TBrowserForm* browser = nullptr;
};

}  // namespace

TEST(BrowserThumbnails, SizesKeepTheAspectAndNeverReachZero) {
    EXPECT_EQ(ThumbnailSize(1000, 500).cx, 80);
    EXPECT_EQ(ThumbnailSize(1000, 500).cy, 40);
    EXPECT_EQ(ThumbnailSize(500, 1000).cx, 40);
    EXPECT_EQ(ThumbnailSize(500, 1000).cy, 80);
    EXPECT_EQ(ThumbnailSize(1000, 5).cy, 1) << "80:1 and beyond keep one row";
    EXPECT_EQ(ThumbnailSize(5, 1000).cx, 1);
    EXPECT_EQ(ThumbnailSize(2, 2).cx, 80);
}

TEST(BrowserThumbnails, ShrinkingTakesTheNearestPixelAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        const UniqueDib src = pattern(333, 171, bits, 11);
        const SIZE s = ThumbnailSize(333, 171);
        const UniqueDib t = ShrinkToThumbnail(src.get(), s.cx, s.cy);
        ASSERT_TRUE(t) << bits;
        EXPECT_EQ(DibBitCount(t.get()), bits);
        const long long sx = 333LL * 1024 / s.cx, sy = 171LL * 1024 / s.cy;
        for (int y = 0; y < s.cy; ++y)
            for (int x = 0; x < s.cx; ++x) {
                // Rows as stored: from the bottom.
                const int srcRowFromBottom = static_cast<int>(y * sy >> 10);
                const int expected = getpixel(src.get(), static_cast<int>(x * sx >> 10), 170 - srcRowFromBottom);
                ASSERT_EQ(getpixel(t.get(), x, s.cy - 1 - y), expected) << bits << " at " << x << "," << y;
            }
        if (bits <= 8) {
            EXPECT_EQ(std::memcmp(t.get().Info->bmiColors, src.get().Info->bmiColors, sizeof(RGBQUAD) << bits), 0);
        }
    }
}

TEST_F(Browser, ShowsEveryPictureInNameOrderAndWritesTheCache) {
    fillMixed();
    browse();
    // Sorted by bytes: the hidden file first; text, broken and one-pixel pictures left out.
    EXPECT_EQ(names(), (std::vector<String>{".hidden.png", "eight.gif", "four.bmp", "one.pcx", "photo.jpg", "strip.tga",
                                            "tall.png", "wide.bmp"}));
    EXPECT_TRUE(logged("Work on folder: " + folder));
    EXPECT_TRUE(logged("Error while opening broken.jpg ["));
    EXPECT_FALSE(logged("Error while opening line.bmp")) << "a picture of one column is no error";
    EXPECT_FALSE(logged("Error while opening notes.txt"));
    EXPECT_TRUE(logged(kThumbCacheSavedText));
    EXPECT_TRUE(logged("Work on folder " + folder + " finished."));
    EXPECT_EQ(browser->OpenDibCount(), 10);

    const auto& t = browser->Thumbs();
    const auto find = [&](const String& n) -> const TBrowserForm::TThumb& {
        return *std::find_if(t.begin(), t.end(), [&](const auto& x) { return x.Name == n; });
    };
    EXPECT_EQ(find("wide.bmp").Info.ThumbWidth, 80);
    EXPECT_EQ(find("wide.bmp").Info.ThumbHeight, 40);
    EXPECT_EQ(find("tall.png").Info.ThumbWidth, 40);
    EXPECT_EQ(find("strip.tga").Info.ThumbHeight, 1);
    EXPECT_EQ(find("four.bmp").Info.Bits, 4);
    EXPECT_EQ(find("four.bmp").Info.Colors, 16);
    EXPECT_EQ(find("eight.gif").Info.Bits, 8);
    EXPECT_EQ(find("one.pcx").Info.Bits, 1);
    // The JPEG was decoded reduced, yet keeps its own size and data size.
    EXPECT_EQ(find("photo.jpg").Info.Width, 640);
    EXPECT_EQ(find("photo.jpg").Info.SizeKB, 640 * 3 * 480 / 1024);
    EXPECT_EQ(DibWidth(find("photo.jpg").Dib.get()), 80);

    // The cache holds every thumbnail, as the browser showed it.
    TThumbIndex index;
    ASSERT_TRUE(ReadThumbIndex(folder, index));
    ASSERT_EQ(index.size(), t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(index[i].Name, t[i].Name);
        EXPECT_EQ(index[i].Info.Check, ThumbCheckValue(folder + t[i].Name));
    }
}

TEST_F(Browser, ASecondVisitOpensNoPictureAndAChangedOneIsMadeAnew) {
    fillMixed();
    browse();
    const auto bytes = [](const TDib& d) {
        return std::vector<unsigned char>(d.Bits, d.Bits + static_cast<std::size_t>(DibLineBytes(d)) * DibHeight(d));
    };
    std::vector<std::vector<unsigned char>> first;
    for (const auto& t : browser->Thumbs()) first.push_back(bytes(t.Dib.get()));

    browse();
    EXPECT_TRUE(logged(kThumbCacheOpenedText));
    // Only what has no thumbnail is opened again: the broken file and the one-column picture.
    EXPECT_EQ(browser->OpenDibCount(), 2);
    ASSERT_EQ(browser->Count(), static_cast<int>(first.size()));
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(bytes(browser->Thumbs()[i].Dib.get()), first[i]) << i;

    // The same name with other pixels misses the cache.
    save(pattern(1000, 500, 24, 99), pictures.file("wide.bmp"), PW_BMP);
    browse();
    EXPECT_EQ(browser->OpenDibCount(), 3);
    const auto& wide = browser->Thumbs().back();
    ASSERT_EQ(wide.Name, "wide.bmp");
    const UniqueDib expected = ShrinkToThumbnail(pattern(1000, 500, 24, 99).get(), 80, 40);
    EXPECT_EQ(std::memcmp(wide.Dib.get().Bits, expected.get().Bits, DibLineBytes(expected.get()) * 40), 0);
}

TEST_F(Browser, AnEmptyFolderShowsNoneAndWritesNoCache) {
    testsupport::writeFile(pictures.file("readme.txt"), {'x'});
    browse();
    EXPECT_EQ(browser->Count(), 0);
    EXPECT_EQ(browser->StatusText(), "Picture: none");
    EXPECT_FALSE(std::filesystem::exists(pictures.file(kThumbCacheName)));
}

TEST_F(Browser, KeysMoveTheSelectionAcrossTheGrid) {
    for (int i = 0; i < 11; ++i) save(pattern(60 + i, 40, 24, i), pictures.file("p" + std::to_string(10 + i) + ".bmp"), PW_BMP);
    browse();
    browser->SetBounds(0, 0, 190 + 3 + 380 + 30, 500);
    browser->PaintBox1->SetWidth(370);
    ASSERT_EQ(browser->Columns(), 4);
    EXPECT_EQ(browser->Selected(), 1);
    key(VK_DOWN);
    EXPECT_EQ(browser->Selected(), 5);
    key(VK_RIGHT);
    EXPECT_EQ(browser->Selected(), 6);
    key(VK_DOWN);
    key(VK_DOWN);
    EXPECT_EQ(browser->Selected(), 11) << "held at the last";
    key(VK_UP);
    EXPECT_EQ(browser->Selected(), 7);
    key(VK_LEFT);
    EXPECT_EQ(browser->StatusText(), "Thumbnail: 65 x 40 x 16777216 - 7 KByte    (6 of 11)");
    // A click selects the cell under it.
    browser->PaintBox1MouseDown(browser->PaintBox1, mbLeft, 0, 2 * 90 + 40, 110 + 50);
    EXPECT_EQ(browser->Selected(), 7);
    // Narrower than a cell: one column, Up and Down move by one.
    browser->PaintBox1->SetWidth(60);
    EXPECT_EQ(browser->Columns(), 1);
    key(VK_DOWN);
    EXPECT_EQ(browser->Selected(), 8);
}

TEST_F(Browser, EnterOpensTheChosenPictureInThePosterWindow) {
    fillMixed();
    create();
    form->SetSelectedFolder(folder);
    delete browser;
    browser = new TBrowserForm(nullptr);  // the poster window's folder
    EXPECT_EQ(browser->Folder(), folder);
    browser->Show();
    finish();
    // "tall.png" is the 7th of 8.
    browser->SetSelected(7);
    browser->KeyEdit->SetFocus();
    QTest::keyClick(widgetOf(browser->KeyEdit), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(DibWidth(form->Dib.get()), 500);
    EXPECT_EQ(DibHeight(form->Dib.get()), 1000);
    EXPECT_EQ(form->Breit->Caption(), "500 Pixel");
    EXPECT_FALSE(browser->Visible()) << "the browser closes";
}

TEST_F(Browser, ClosingDuringARunEndsItAndStillWritesTheCache) {
    for (int i = 0; i < 40; ++i) save(pattern(800, 600, 24, i), pictures.file("shot" + std::to_string(100 + i) + ".jpg"), PW_JPG);
    browse(false);
    // Let a few thumbnails arrive, then close and free the window mid-run.
    while (browser->Count() < 3) {
        QApplication::processEvents();
        TThread::CheckSynchronize();
    }
    ASSERT_TRUE(browser->Running());
    browser->Close();
    EXPECT_TRUE(logged("Breaking to work..."));
    delete browser;
    browser = nullptr;
    TThumbIndex index;
    ASSERT_TRUE(ReadThumbIndex(folder, index));
    EXPECT_GE(index.size(), 3u);
    EXPECT_LT(index.size(), 40u);
}

TEST_F(Browser, SplitterSizesComeBackOnTheNextShowing) {
    fillMixed();
    browse();
    browser->SetBounds(50, 50, 780, 560);
    QApplication::processEvents();
    const int panel3 = browser->Panel3->Width(), panel4 = browser->Panel4->Height();
    const auto drag = [&](TKitSplitter* s, QPoint by) {
        QWidget* w = widgetOf(s);
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
        QMouseEvent move(QEvent::MouseMove, QPointF(QPoint(1, 1) + by), QPointF(w->mapToGlobal(QPoint(1, 1) + by)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        return w;
    };
    QTest::mouseRelease(drag(browser->LeftSplitter, QPoint(60, 0)), Qt::LeftButton, Qt::NoModifier, QPoint(61, 1));
    QTest::mouseRelease(drag(browser->BottomSplitter, QPoint(0, -50)), Qt::LeftButton, Qt::NoModifier, QPoint(1, -49));
    EXPECT_EQ(browser->Panel3->Width(), panel3 + 60);
    EXPECT_EQ(browser->Panel4->Height(), panel4 + 50);
    // Escape mid-drag leaves both.
    drag(browser->BottomSplitter, QPoint(0, -30));
    QTest::keyClick(widgetOf(browser->KeyEdit), Qt::Key_Escape);
    EXPECT_EQ(browser->Panel4->Height(), panel4 + 50);
    EXPECT_EQ(browser->Panel3->Width(), panel3 + 60);
    browser->Close();
    delete browser;
    browser = nullptr;

    browse();
    EXPECT_EQ(browser->Panel3->Width(), panel3 + 60);
    EXPECT_EQ(browser->Panel4->Height(), panel4 + 50);
    // In their order: the log above the status bar, the splitter above the log.
    EXPECT_EQ(browser->StatusBar1->Top() + browser->StatusBar1->Height(), browser->ClientHeight());
    EXPECT_EQ(browser->Panel4->Top() + browser->Panel4->Height(), browser->StatusBar1->Top());
    EXPECT_EQ(browser->BottomSplitter->Top() + browser->BottomSplitter->Height(), browser->Panel4->Top());
}
