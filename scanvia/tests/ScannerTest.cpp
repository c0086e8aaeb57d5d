// Scanning from SANE's test backend as a user does: the scan dialog driven by clicks and
// keys, the picture arriving through WM_SCANREADY, cancelling, failures, the refused
// second scan and the scanner selection kept in the registry.
#include "scanvia/Scanvia.h"
#include "scanvia/tests/PictureFacts.h"

#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <dlfcn.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

using namespace testsupport;

using testsupport::waitFor;

namespace {

std::vector<WPARAM> readyHandles;

LRESULT recordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_SCANREADY) readyHandles.push_back(w);
    return DefWindowProcA(h, m, w, l);
}

class Scanning : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setRegistryHive(dir.file("registry.ini"));
        // SANE reads the folder's name once per process: every test uses the same one.
        static TempDir saneFolder;  // removed when the process ends
        TempDir* sane = &saneFolder;
        // The test backend stays loaded after sane_exit, so that what it keeps is told by name.
        static void* backend = dlopen(TESSELLON_SANE_TEST_BACKEND, RTLD_NOW);
        (void)backend;
        saneDir = sane->path();
        setenv("SANE_CONFIG_DIR", saneDir.c_str(), 1);
        writeText("dll.conf", "test\n");
        configure({});
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = "ScanTarget";
        RegisterClassExA(&wc);
        wnd = CreateWindowExA(0, "ScanTarget", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                              nullptr);
        readyHandles.clear();
    }
    void TearDown() override {
        // Nothing may be left running for the next test.
        if (QDialog* d = scanDialog()) d->reject();
        waitFor([] { return !scanvia::scanRunning(); }, 20000);
        for (WPARAM h : readyHandles) {
            TDib d;
            GetScanedDib(&d, h);
            deldib(d);
        }
        DestroyWindow(wnd);
        platform::setRegistryHive("");
    }

    void writeText(const std::string& name, const std::string& text) {
        std::ofstream(saneDir + "/" + name) << text;
    }
    // The test device's settings, over its defaults (50 dpi, 80 x 100 mm).
    void configure(std::map<std::string, std::string> options) {
        std::map<std::string, std::string> all = {{"number_of_devices", "2"},   {"mode", "Color"},
                                                  {"depth", "8"},              {"resolution", "50.0"},
                                                  {"test-picture", "\"Color pattern\""}, {"br_x", "80.0"},
                                                  {"br_y", "100.0"}};
        for (auto& [k, v] : options) all[k] = v;
        std::string text;
        for (auto& [k, v] : all) text += k + " " + v + "\n";
        writeText("test.conf", text);
    }

    static QDialog* scanDialog() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "ScanviaScanDialog" && w->isVisible()) return qobject_cast<QDialog*>(w);
        return nullptr;
    }
    template <class T>
    static T* child(QWidget* dialog, const char* name) {
        T* c = dialog->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // Picks a mode in the dialog's mode box with the keyboard.
    static void chooseMode(QDialog* dialog, const QString& mode) {
        auto* box = child<QComboBox>(dialog, "mode");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < box->count() && box->currentText() != mode; ++i) QTest::keyClick(box, Qt::Key_Down);
        ASSERT_EQ(box->currentText(), mode);
    }
    static void chooseResolution(QDialog* dialog, int dpi) {
        auto* box = child<QComboBox>(dialog, "resolution");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < box->count() && box->currentData().toInt() != dpi; ++i) QTest::keyClick(box, Qt::Key_Down);
        ASSERT_EQ(box->currentData().toInt(), dpi);
    }
    static void typeInto(QDoubleSpinBox* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }
    static void click(QDialog* dialog, const char* button) {
        auto* b = child<QPushButton>(dialog, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Starts a scan and waits for its dialog.
    QDialog* openDialog() {
        TWAIN_ScanImage(wnd);
        QDialog* d = nullptr;
        EXPECT_TRUE(waitFor([&] { return (d = scanDialog()) != nullptr; }, 5000));
        if (!d)
            for (const std::string& t : boxes.texts()) ADD_FAILURE() << t;
        return d;
    }
    // Waits for WM_SCANREADY and takes its picture.
    UniqueDib picture() {
        EXPECT_TRUE(waitFor([] { return !readyHandles.empty(); }));
        // Give a second message a chance to arrive: there must be none.
        QTest::qWait(50);
        QApplication::processEvents();
        EXPECT_EQ(readyHandles.size(), 1u);
        if (readyHandles.empty()) return UniqueDib();
        TDib d;
        GetScanedDib(&d, readyHandles.front());
        return UniqueDib(d);
    }
    UniqueDib scan(const QString& mode, int dpi = 50) {
        QDialog* d = openDialog();
        if (!d) return UniqueDib();
        chooseMode(d, mode);
        chooseResolution(d, dpi);
        click(d, "scan");
        UniqueDib r = picture();
        readyHandles.clear();
        waitFor([] { return !scanvia::scanRunning(); });
        return r;
    }

    // The test device's size at a resolution: millimetres to pixels, truncated.
    static int pixels(double mm, int dpi) { return static_cast<int>(mm / 25.4 * dpi); }

    TempDir dir;
    std::string saneDir;
    platform::ScriptedMessageBoxes boxes{IDOK};
    HWND wnd = nullptr;
};

bool samePixels(const TDib& a, const TDib& b) {
    return DibWidth(a) == DibWidth(b) && DibHeight(a) == DibHeight(b) && DibBitCount(a) == DibBitCount(b) &&
           std::memcmp(a.Bits, b.Bits, a.Info->bmiHeader.biSizeImage) == 0;
}

TEST_F(Scanning, ColourScanArrivesWithTheSizeAndColoursOfTheTestPattern) {
    UniqueDib one = scan("Colour");
    ASSERT_TRUE(one);
    EXPECT_EQ(DibBitCount(one.get()), 24);
    EXPECT_NEAR(DibWidth(one.get()), pixels(80, 50), 1);
    EXPECT_NEAR(DibHeight(one.get()), pixels(100, 50), 1);
    // The colour pattern has pure red, green and blue fields and more than a few colours.
    std::map<int, int> colours;
    for (int y = 0; y < DibHeight(one.get()); ++y)
        for (int x = 0; x < DibWidth(one.get()); ++x) ++colours[getpixel(one.get(), x, y)];
    EXPECT_GE(colours.size(), 8u);
    EXPECT_GT(colours[0x0000FF], 0) << "red";
    EXPECT_GT(colours[0x00FF00], 0) << "green";
    EXPECT_GT(colours[0xFF0000], 0) << "blue";
    EXPECT_TRUE(boxes.shown().empty());

    // The same pattern in three passes gives the same pixels.
    configure({{"three-pass", "true"}, {"three-pass-order", "BGR"}});
    UniqueDib three = scan("Colour");
    ASSERT_TRUE(three);
    EXPECT_TRUE(samePixels(one.get(), three.get()));
    // Twice the resolution, twice the size.
    UniqueDib fine = scan("Colour", 100);
    ASSERT_TRUE(fine);
    EXPECT_NEAR(DibWidth(fine.get()), pixels(80, 100), 1);
    EXPECT_NEAR(DibHeight(fine.get()), pixels(100, 100), 1);
}

TEST_F(Scanning, GreyAndLineArtOfTheGridAgreeAndLineArtBlackIsBlack) {
    configure({{"test-picture", "\"Grid\""}});
    UniqueDib grey = scan("Grey");
    ASSERT_TRUE(grey);
    EXPECT_EQ(DibBitCount(grey.get()), 8);
    UniqueDib art = scan("Line art");
    ASSERT_TRUE(art);
    EXPECT_EQ(DibBitCount(art.get()), 1);
    ASSERT_EQ(DibWidth(art.get()), DibWidth(grey.get()));
    ASSERT_EQ(DibHeight(art.get()), DibHeight(grey.get()));
    EXPECT_NEAR(DibWidth(art.get()), pixels(80, 50), 1);
    int black = 0, white = 0;
    for (int y = 0; y < DibHeight(art.get()); ++y)
        for (int x = 0; x < DibWidth(art.get()); ++x) {
            const int g = getpixel(grey.get(), x, y);
            ASSERT_TRUE(g == 0 || g == 255) << "the grid is black and white";
            // Index 0 of the line art is black, index 1 white.
            ASSERT_EQ(getpixel(art.get(), x, y), g == 255 ? 1 : 0) << x << "," << y;
            (g ? white : black)++;
        }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0);

    // With 16-bit samples the grid scans the same, in grey and in colour.
    UniqueDib colour = scan("Colour");
    configure({{"test-picture", "\"Grid\""}, {"depth", "16"}});
    UniqueDib deepGrey = scan("Grey");
    UniqueDib deepColour = scan("Colour");
    ASSERT_TRUE(colour);
    ASSERT_TRUE(deepGrey);
    ASSERT_TRUE(deepColour);
    EXPECT_TRUE(samePixels(grey.get(), deepGrey.get()));
    EXPECT_TRUE(samePixels(colour.get(), deepColour.get()));
    EXPECT_EQ(getpixel(colour.get(), 0, 0), getpixel(grey.get(), 0, 0) ? 0xFFFFFF : 0);

    // Plain white paper scans white in line art (the scanner says 0 for it).
    configure({{"test-picture", "\"Solid white\""}});
    UniqueDib paper = scan("Line art");
    ASSERT_TRUE(paper);
    for (int y = 0; y < DibHeight(paper.get()); ++y)
        for (int x = 0; x < DibWidth(paper.get()); ++x) ASSERT_EQ(getpixel(paper.get(), x, y), 1);
    const RGBQUAD white1 = paper.get().Info->bmiColors[1];
    EXPECT_EQ(white1.rgbRed + white1.rgbGreen + white1.rgbBlue, 3 * 255);
}

TEST_F(Scanning, TheAreaTypedInTheDialogIsScanned) {
    QDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    chooseMode(d, "Grey");
    typeInto(child<QDoubleSpinBox>(d, "left"), "10");
    typeInto(child<QDoubleSpinBox>(d, "right"), "50.8");
    typeInto(child<QDoubleSpinBox>(d, "bottom"), "25.4");
    click(d, "scan");
    UniqueDib p = picture();
    ASSERT_TRUE(p);
    EXPECT_NEAR(DibWidth(p.get()), pixels(40.8, 50), 1);
    EXPECT_NEAR(DibHeight(p.get()), pixels(25.4, 50), 1);
}

TEST_F(Scanning, CancellingTheDialogPostsOnceWithoutAPicture) {
    QDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(scanvia::scanRunning());
    click(d, "cancel");
    UniqueDib p = picture();
    EXPECT_FALSE(p);
    EXPECT_FALSE(scanvia::scanRunning());
    EXPECT_TRUE(boxes.shown().empty()) << "a cancel is no error";
    // The handle was handed out once: asking again gives nothing.
    TDib again;
    GetScanedDib(&again, readyHandles.front());
    EXPECT_EQ(again.Bits, nullptr);
    // Escape cancels too.
    readyHandles.clear();
    d = openDialog();
    ASSERT_NE(d, nullptr);
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_FALSE(picture());
}

TEST_F(Scanning, CancellingWhileTheScannerReadsEndsTheScanWithoutAPicture) {
    // A slow scanner: every read waits 0.2 s.
    configure({{"read-delay", "true"}, {"read-delay-duration", "200000"}, {"read-limit", "true"},
               {"read-limit-size", "64"}});
    QDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    click(d, "scan");
    EXPECT_FALSE(child<QPushButton>(d, "scan")->isEnabled());
    QTest::qWait(300);
    ASSERT_TRUE(readyHandles.empty()) << "still scanning";
    click(d, "cancel");
    UniqueDib p = picture();
    EXPECT_FALSE(p);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(waitFor([] { return !scanvia::scanRunning(); }));
}

TEST_F(Scanning, AFailedScanSaysWhyAndPostsOnceWithoutAPicture) {
    configure({{"read-status-code", "\"SANE_STATUS_JAMMED\""}});
    QDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    click(d, "scan");
    UniqueDib p = picture();
    EXPECT_FALSE(p);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].rfind("The scan failed: ", 0), 0u) << boxes.texts()[0];
}

TEST_F(Scanning, ASecondScanWhileOneRunsIsRefused) {
    QDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    TWAIN_ScanImage(wnd);
    TWAIN_ScanImage(wnd);
    QApplication::processEvents();
    int dialogs = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "ScanviaScanDialog" && w->isVisible()) ++dialogs;
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(readyHandles.empty()) << "the refused calls post nothing";
    chooseMode(d, "Grey");
    click(d, "scan");
    UniqueDib p = picture();
    ASSERT_TRUE(p);
    EXPECT_EQ(DibBitCount(p.get()), 8);
}

TEST_F(Scanning, WithoutScannersTheScanSaysSoAndPostsOnce) {
    writeText("dll.conf", "\n");
    TWAIN_ScanImage(wnd);
    UniqueDib p = picture();
    EXPECT_FALSE(p);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "No scanner was found.");
    EXPECT_FALSE(scanvia::scanRunning());
    // Selecting says so too.
    TWAIN_SelectScanner(wnd);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.texts()[1], "No scanner was found.");
}

TEST_F(Scanning, TheChosenScannerIsKeptAndUsed) {
    // The selection dialog is modal: it is driven once it shows.
    QString listed;
    QTimer::singleShot(0, [&] {
        QDialog* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        auto* list = child<QListWidget>(d, "scanners");
        ASSERT_EQ(list->count(), 2);
        listed = list->item(1)->text();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(d, Qt::Key_Return);
    });
    TWAIN_SelectScanner(wnd);
    EXPECT_TRUE(listed.contains("test:1")) << listed.toStdString();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scanvia::RegistryKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    char value[64] = {};
    DWORD size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, scanvia::ScannerValue, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_STREQ(value, "test:1");
    // The next scan uses it; cancelling the selection keeps it.
    QDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(child<QLabel>(d, "scanner")->text().contains("test:1"));
    click(d, "cancel");
    picture();
    QTimer::singleShot(0, [] {
        if (QWidget* m = QApplication::activeModalWidget()) QTest::keyClick(m, Qt::Key_Escape);
    });
    TWAIN_SelectScanner(wnd);
    key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scanvia::RegistryKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    size = sizeof value;
    RegQueryValueExA(key, scanvia::ScannerValue, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    EXPECT_STREQ(value, "test:1");
}

}  // namespace
