// The poster window's picture input from enhanced metafiles through the vector-import
// dialog and from SANE's test scanner through the scan page, as a user meets them.
#include "pixwerk/codec.h"
#include "platform/GdiObject.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/tests/EmfWriter.h"
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "poster/RenderSizeUnit.h"
#include "poster/tests/PosterWindowFixture.h"
#include "scanvia/Scanvia.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <dlfcn.h>
#include <fstream>
#include <functional>
#include <sys/resource.h>

#include <gtest/gtest.h>

using namespace testsupport;

using testsupport::waitFor;

namespace {

const std::string StartPicture = std::string(TESSELLON_SOURCE_DIR) + "/app/poster.stb";

// Left half red, right half blue, on bounds 0..99 x 0..49.
std::vector<unsigned char> twoColours(EmfWriter::Box bounds = {0, 0, 99, 49},
                                      EmfWriter::Box frame = {0, 0, 2645, 1322}) {
    EmfWriter w(bounds, frame);
    w.fill({0, 0, 50, 50}, 0x0000FF);
    w.fill({50, 0, 100, 50}, 0xFF0000);
    return w.bytes();
}

QWidget* widget(TWinControl* c) { return platform::windowWidget(c->Handle()); }

class PictureInput : public PosterWindowFixture {
protected:
    void SetUp() override {
        PosterWindowFixture::SetUp();
        platform::setRegistryHive(dir.file("registry.ini"));
        ASSERT_TRUE(writeFile(dir.file("poster.stb"), readFile(StartPicture)));
        create();
        form->Show();
        form->SetBounds(0, 0, 1366, 740);
        settle();
        boxes.clear();
    }
    void TearDown() override {
        if (RenderSizeForm) {
            RenderSizeForm->Free();
            RenderSizeForm = nullptr;
        }
        PosterWindowFixture::TearDown();
        platform::setRegistryHive("");
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    // Shows the folder in the lists and double-clicks the file in the file list.
    void doubleClick(const TempDir& folder, const std::string& name) {
        form->SetSelectedFolder(folder.path());
        doubleClickFile(name);
    }
    // Runs `step` on the vector-import dialog once it is shown modally (the file list may
    // run the message loop before the dialog comes).
    static void whenDialogShows(std::function<void(TRenderSizeForm*)> step) {
        auto* poll = new QTimer;
        auto since = std::make_shared<QElapsedTimer>();
        since->start();
        QObject::connect(poll, &QTimer::timeout, [poll, step, since] {
            if (!RenderSizeForm || !RenderSizeForm->Visible()) {
                // Generous: filling the lists is slow in instrumented builds on a busy machine.
                if (since->elapsed() < 60000) return;
                ADD_FAILURE() << "the dialog was not shown";
                poll->stop();
                poll->deleteLater();
                return;
            }
            poll->stop();
            poll->deleteLater();
            settle();
            step(RenderSizeForm);
        });
        poll->start(1);
    }
    static void clickButton(TWinControl* button) { QTest::mouseClick(widget(button), Qt::LeftButton); }
    // A graphic control (the flat buttons) clicked in its parent window.
    static void clickControl(TControl* c) {
        QWidget* w = widget(c->Parent());
        const QPoint p(c->Left() + c->Width() / 2, c->Top() + c->Height() / 2);
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p);
    }
    // Clears the edit and types the text, as a user does.
    static void typeInto(TKitSpinEdit* edit, const char* text) {
        edit->SetFocus();
        QWidget* w = widget(edit);
        QTest::keyClick(w, Qt::Key_End);
        QTest::keyClick(w, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(w, QString::fromLatin1(text));
    }
    static unsigned colour(const TDib& d, int x, int y) { return static_cast<unsigned>(getpixel(d, x, y)); }
};

TEST_F(PictureInput, AMetafileOpensAtTheSizeItOffers) {
    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("drawing.EMF"), twoColours()));
    int offeredWidth = 0, offeredHeight = 0;
    whenDialogShows([&](TRenderSizeForm* d) {
        offeredWidth = static_cast<int>(d->BreitEdit->Value());
        offeredHeight = static_cast<int>(d->HochEdit->Value());
        clickButton(d->OKBtn);
    });
    doubleClick(pictures, "drawing.EMF");
    EXPECT_EQ(offeredWidth, 100);
    EXPECT_EQ(offeredHeight, 50);
    EXPECT_TRUE(boxes.shown().empty());
    const TDib& d = form->Dib.get();
    ASSERT_EQ(DibWidth(d), 100);
    ASSERT_EQ(DibHeight(d), 50);
    EXPECT_EQ(DibBitCount(d), 24);
    EXPECT_EQ(colour(d, 2, 2), 0x0000FFu) << "red (packed with red low)";
    EXPECT_EQ(colour(d, 47, 47), 0x0000FFu);
    EXPECT_EQ(colour(d, 52, 2), 0xFF0000u) << "blue";
    EXPECT_EQ(colour(d, 97, 47), 0xFF0000u);
    EXPECT_EQ(form->Breit->Caption(), "100 Pixel");
    EXPECT_EQ(form->Hoch->Caption(), "50 Pixel");
    EXPECT_EQ(form->Tief->Caption(), "16777216");
    EXPECT_EQ(form->Section.right, 100);
    EXPECT_EQ(form->Section.bottom, 50);
    ASSERT_GE(form->PrefListBox->Items()->Count(), 1);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), pictures.path() + "/");
    // The rendering bitmap is small again.
    EXPECT_EQ(form->RenderBitmap->Width(), 1);
}

TEST_F(PictureInput, TheDialogKeepsTheProportionsWhileTheUserTypes) {
    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("drawing.emf"), twoColours()));
    std::vector<std::pair<int, int>> seen;
    whenDialogShows([&](TRenderSizeForm* d) {
        EXPECT_EQ(d->Caption(), "Import of a vector graphic");
        EXPECT_EQ(d->HeadLabel->Caption(), "Choose the size of the bitmap in pixels");
        EXPECT_EQ(d->SpeedButton1->Hint(), "Increases the graphic size by 10%");
        EXPECT_EQ(d->SpeedButton2->Hint(), "Reduces the graphic size by 10%");
        const auto note = [&] { seen.emplace_back(int(d->BreitEdit->Value()), int(d->HochEdit->Value())); };
        typeInto(d->BreitEdit, "300");
        note();  // 300 x 150
        typeInto(d->HochEdit, "40");
        note();  // the width follows the height: 80 x 40
        typeInto(d->BreitEdit, "320");
        note();  // 320 x 160
        if (const char* out = getenv("TESSELLON_SHOTS")) widget(d)->grab().save(QString(out) + "/size-dialog.png");
        clickButton(d->OKBtn);
    });
    doubleClick(pictures, "drawing.emf");
    const std::vector<std::pair<int, int>> expected = {{300, 150}, {80, 40}, {320, 160}};
    EXPECT_EQ(seen, expected);
    const TDib& d = form->Dib.get();
    ASSERT_EQ(DibWidth(d), 320);
    ASSERT_EQ(DibHeight(d), 160);
    EXPECT_EQ(colour(d, 150, 80), 0x0000FFu);
    EXPECT_EQ(colour(d, 170, 80), 0xFF0000u);
    EXPECT_EQ(colour(d, 319, 159), 0xFF0000u) << "drawn to the last pixel";
    EXPECT_EQ(form->Breit->Caption(), "320 Pixel");
    if (const char* out = getenv("TESSELLON_SHOTS")) widget(form)->grab().save(QString(out) + "/emf-window.png");
}

TEST_F(PictureInput, LargerAndSmallerStepByATenthAndStayInRange) {
    Application->CreateForm(RenderSizeForm);
    TRenderSizeForm* d = RenderSizeForm;
    d->Show();
    struct Case {
        int base, width;
        bool larger;
        int expected;
    } cases[] = {{100, 100, true, 110}, {100, 5, true, 6},   {100, 10, true, 11},     {100, 100, false, 90},
                 {100, 11, false, 10},  {100, 1, false, 1},  {100, 32767, true, 32767}, {100, 2, false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + (c.larger ? " larger" : " smaller"));
        d->SetAspectBase(c.base, c.base * 2);
        d->BreitEdit->SetValue(c.width);
        clickControl(c.larger ? d->SpeedButton1 : d->SpeedButton2);
        EXPECT_EQ(d->ChosenWidth(), c.expected);
        EXPECT_EQ(d->ChosenHeight(), std::clamp(c.expected * 2, 1, 32767)) << "the height follows";
    }
    // A change of the partner that leaves its text as it was does not swallow the user's
    // next change: base 3 x 1, width 4 gives height 1 (unchanged), then height 2 gives 6.
    d->SetAspectBase(3, 1);
    typeInto(d->BreitEdit, "4");
    EXPECT_EQ(d->ChosenHeight(), 1);
    typeInto(d->HochEdit, "2");
    EXPECT_EQ(d->ChosenWidth(), 6);
    d->Hide();
}

TEST_F(PictureInput, CancellingTheDialogKeepsThePicture) {
    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("drawing.emf"), twoColours()));
    const TDib before = form->Dib.get();
    const String breit = form->Breit->Caption();
    // Once, so that the dialog has made what it keeps; then the same again must free all.
    whenDialogShows([](TRenderSizeForm* d) { clickButton(d->CancelBtn); });
    doubleClick(pictures, "drawing.emf");
    const std::size_t objects = platform::gdi::liveCount();
    whenDialogShows([](TRenderSizeForm* d) { clickButton(d->CancelBtn); });
    doubleClick(pictures, "drawing.emf");
    EXPECT_EQ(form->Dib.get().Bits, before.Bits);
    EXPECT_EQ(form->Breit->Caption(), breit);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(platform::gdi::liveCount(), objects) << "the metafile is freed";
    EXPECT_EQ(form->PrefListBox->Items()->Count(), 0);
}

TEST_F(PictureInput, MetafilesWithoutASizeOrDamagedOnesCouldNotBeLoaded) {
    TempDir pictures;
    std::vector<unsigned char> damaged = twoColours();
    damaged[40] = 'X';  // the signature
    ASSERT_TRUE(writeFile(pictures.file("empty.emf"), twoColours({0, 0, -1, -1}, {0, 0, -1, -1})));
    ASSERT_TRUE(writeFile(pictures.file("inverted.emf"), twoColours({99, 49, 0, 0}, {10, 10, 10, 10})));
    ASSERT_TRUE(writeFile(pictures.file("damaged.emf"), damaged));
    const TDib before = form->Dib.get();
    const RECT section = form->Section;
    bool dialogShown = false;
    QTimer dialogWatch;
    QObject::connect(&dialogWatch, &QTimer::timeout, [&] {
        if (RenderSizeForm && RenderSizeForm->Visible()) {
            dialogShown = true;
            RenderSizeForm->SetModalResult(mrCancel);
        }
    });
    dialogWatch.start(10);
    for (const char* name : {"empty.emf", "inverted.emf", "damaged.emf"}) {
        SCOPED_TRACE(name);
        boxes.clear();
        doubleClick(pictures, name);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.texts()[0], std::string("Error: The file ") + name + " could not be loaded!");
        EXPECT_EQ(boxes.shown()[0].caption, u"Error");
        EXPECT_EQ(form->Dib.get().Bits, before.Bits);
        EXPECT_EQ(form->Section.right, section.right);
    }
    EXPECT_FALSE(dialogShown);
}

TEST_F(PictureInput, EmptyBoundsTakeTheFrameAtTheScreenResolution) {
    TempDir pictures;
    // Inverted bounds, a frame of 26.46 x 13.23 mm.
    ASSERT_TRUE(writeFile(pictures.file("framed.emf"), twoColours({10, 10, 5, 5}, {0, 0, 2645, 1322})));
    const int dpiX = GetDeviceCaps(GetDC(nullptr), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY);
    int offered[2] = {0, 0};
    whenDialogShows([&](TRenderSizeForm* d) {
        offered[0] = d->ChosenWidth();
        offered[1] = d->ChosenHeight();
        clickButton(d->OKBtn);
    });
    doubleClick(pictures, "framed.emf");
    EXPECT_EQ(offered[0], static_cast<int>(std::nearbyint(2646 / 2540.0 * dpiX)));
    EXPECT_EQ(offered[1], static_cast<int>(std::nearbyint(1323 / 2540.0 * dpiY)));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(DibWidth(form->Dib.get()), offered[0]);
}

TEST_F(PictureInput, WithoutMemoryForThePictureTheOldOneStays) {
    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("drawing.emf"), twoColours()));
    const TDib before = form->Dib.get();
    whenDialogShows([](TRenderSizeForm* d) { clickButton(d->OKBtn); });
    pixwerk::setAllocationLimit(1000);
    doubleClick(pictures, "drawing.emf");
    pixwerk::setAllocationLimit(0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Error: The file drawing.emf could not be loaded!");
    EXPECT_EQ(form->Dib.get().Bits, before.Bits);
    EXPECT_EQ(form->RenderBitmap->Width(), 1);
}

#ifndef TESSELLON_INSTRUMENTED
TEST_F(PictureInput, ARenderingBitmapTooLargeForMemoryIsReported) {
    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("drawing.emf"), twoColours()));
    const TDib before = form->Dib.get();
    // The largest size, with the address space held to what the process has and 1 GB more.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    std::ifstream status("/proc/self/statm");
    unsigned long long pages = 0;
    status >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (1ull << 30);
    whenDialogShows([&](TRenderSizeForm* d) {
        typeInto(d->BreitEdit, "32767");
        typeInto(d->HochEdit, "32767");
        rlimit tight{limit, old.rlim_max};
        setrlimit(RLIMIT_AS, &tight);
        clickButton(d->OKBtn);
    });
    doubleClick(pictures, "drawing.emf");
    setrlimit(RLIMIT_AS, &old);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Error: The file drawing.emf could not be loaded!");
    EXPECT_EQ(form->Dib.get().Bits, before.Bits);
    EXPECT_EQ(form->RenderBitmap->Width(), 1);
}
#endif

}  // namespace

namespace {

// SANE's test scanner behind the scan page; SANE reads its folder's name once per process.
class PosterScanning : public PictureInput {
protected:
    void SetUp() override {
        static TempDir saneFolder;  // removed when the process ends
        TempDir* sane = &saneFolder;
        // The test backend stays loaded after sane_exit, so that what it keeps is told by name.
        static void* backend = dlopen(TESSELLON_SANE_TEST_BACKEND, RTLD_NOW);
        (void)backend;
        setenv("SANE_CONFIG_DIR", sane->path().c_str(), 1);
        std::ofstream(sane->file("dll.conf")) << "test\n";
        std::ofstream(sane->file("test.conf")) << "number_of_devices 1\nmode Color\ndepth 8\nresolution 50.0\n"
                                                  "test-picture \"Color pattern\"\nbr_x 80.0\nbr_y 100.0\n";
        PictureInput::SetUp();
        auto* sheet = dynamic_cast<TTabSheet*>(form->ScanBtn->Parent());
        ASSERT_NE(sheet, nullptr);
        form->PicturePages->SetActivePage(sheet);
        settle();
    }
    void TearDown() override {
        waitFor([] { return !scanvia::scanRunning(); });
        PictureInput::TearDown();
    }
    // Presses and releases a picture button as a user does.
    void press(TImage* image) {
        QWidget* w = widget(image->Parent());
        const QPoint p(image->Left() + image->Width() / 2, image->Top() + image->Height() / 2);
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, p);
    }
    static QDialog* scanDialog() {
        QDialog* found = nullptr;
        waitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "ScanviaScanDialog" && w->isVisible()) found = qobject_cast<QDialog*>(w);
            return found != nullptr;
        }, 5000);
        return found;
    }
};

TEST_F(PosterScanning, TheScanButtonScansIntoThePosterWindow) {
    const BYTE* startPicture = form->Dib.get().Bits;
    press(form->ScanBtn);
    QDialog* d = scanDialog();
    ASSERT_NE(d, nullptr);
    auto* mode = d->findChild<QComboBox*>("mode");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->currentText(), "Colour");
    if (const char* out = getenv("TESSELLON_SHOTS")) d->grab().save(QString(out) + "/scan-dialog.png");
    QTest::mouseClick(d->findChild<QPushButton*>("scan"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return form->Dib.get().Bits != startPicture; }));
    const TDib& dib = form->Dib.get();
    const int w = DibWidth(dib), h = DibHeight(dib);
    EXPECT_NEAR(w, 157, 1);  // 80 mm at 50 dpi
    EXPECT_NEAR(h, 196, 1);  // 100 mm
    // The labels hold the numbers only, as for every scan.
    EXPECT_EQ(form->Breit->Caption(), std::to_string(w));
    EXPECT_EQ(form->Hoch->Caption(), std::to_string(h));
    EXPECT_EQ(form->Tief->Caption(), "16777216");
    EXPECT_EQ(form->Section.right, w);
    EXPECT_EQ(form->Section.bottom, h);
    EXPECT_TRUE(boxes.shown().empty());
    // The scan page shows the picture, fitted: red, green and blue of the pattern appear.
    settle();
    QWidget* page = widget(form->ScanBtn->Parent());
    const QImage shot = page->grab().toImage();
    if (const char* out = getenv("TESSELLON_SHOTS")) {
        widget(form)->grab().save(QString(out) + "/scan-window.png");
        shot.save(QString(out) + "/scan-page.png");
    }
    bool red = false, green = false, blue = false;
    const QRect box(form->ScanPaintBox->Left(), form->ScanPaintBox->Top(), form->ScanPaintBox->Width(),
                    form->ScanPaintBox->Height());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb c = shot.pixel(x, y) & 0xFFFFFF;
            red |= c == 0xFF0000, green |= c == 0x00FF00, blue |= c == 0x0000FF;
        }
    EXPECT_TRUE(red && green && blue);
    // The scan is not a preferred folder.
    EXPECT_EQ(form->PrefListBox->Items()->Count(), 0);
}

TEST_F(PosterScanning, ACancelledScanKeepsThePictureAndItsLabels) {
    const TDib before = form->Dib.get();
    const String breit = form->Breit->Caption(), hoch = form->Hoch->Caption();
    press(form->ScanBtn);
    QDialog* d = scanDialog();
    ASSERT_NE(d, nullptr);
    QTest::mouseClick(d->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([] { return !scanvia::scanRunning(); }));
    settle();
    EXPECT_EQ(form->Dib.get().Bits, before.Bits);
    EXPECT_EQ(form->Breit->Caption(), breit);
    EXPECT_EQ(form->Hoch->Caption(), hoch);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(PosterScanning, TheSelectButtonListsTheScanners) {
    QString listed;
    QTimer::singleShot(0, [&] {
        QWidget* m = QApplication::activeModalWidget();
        ASSERT_NE(m, nullptr);
        auto* list = m->findChild<QListWidget*>("scanners");
        ASSERT_NE(list, nullptr);
        listed = list->currentItem() ? list->currentItem()->text() : QString();
        QTest::keyClick(m, Qt::Key_Return);
    });
    press(form->TSetupBtn);
    EXPECT_TRUE(listed.contains("test:0")) << listed.toStdString();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scanvia::RegistryKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    char value[64] = {};
    DWORD size = sizeof value;
    RegQueryValueExA(key, scanvia::ScannerValue, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    EXPECT_STREQ(value, "test:0");
}

}  // namespace
