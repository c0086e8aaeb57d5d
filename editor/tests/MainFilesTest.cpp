// The editor window's files through the raster library: open, save, save as with the type
// of the chosen entry and the JPEG quality, the save query, failures that keep the old
// file, and scanning into the editor from SANE's test scanner.
#include "editor/JpegQFUnit.h"
#include "editor/NewUnit.h"
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "platform/fileapi.h"
#include "scanvia/Scanvia.h"
#include "testsupport/TestSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QListWidget>
#include <QPushButton>

#include <dlfcn.h>
#include <fstream>

using namespace edtest;

using testsupport::waitFor;

namespace {

std::vector<unsigned char> bytesOf(const std::string& path) { return testsupport::readFile(path); }

// The picture as an independent reader sees the file.
bool fileShows(const std::string& path, const TDib& d) {
    const QImage q(QString::fromStdString(path));
    if (q.isNull() || q.width() != DibWidth(d) || q.height() != DibHeight(d)) return false;
    for (int y = 0; y < q.height(); ++y)
        for (int x = 0; x < q.width(); ++x) {
            const int c = getpixel(d, x, y);
            if ((q.pixel(x, y) & 0xFFFFFF) != static_cast<QRgb>(qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF) & 0xFFFFFF))
                return false;
        }
    return true;
}

bool isJpeg(const std::string& path) {
    const auto b = bytesOf(path);
    return b.size() > 2 && b[0] == 0xFF && b[1] == 0xD8;
}

class EditorFiles : public MainWindow {
protected:
    // A few black lines drawn with the line tool.
    void drawSomething() {
        pressTool(form->LineBtn);
        drag({10, 10}, {150, 90});
        drag({20, 100}, {200, 30});
    }
    // Answers the JPEG quality dialog with `quality` (OK) or cancels it (quality 0); `start`
    // receives the slider's value as the dialog came up.
    void answerQuality(int quality, bool* shown = nullptr, int* start = nullptr) {
        whenShown([this, quality, shown, start] {
            TJPEGQForm* q = owned<TJPEGQForm>();
            ASSERT_NE(q, nullptr);
            if (shown) *shown = true;
            if (start) *start = q->QualED1->Value();
            // A number typed into the box moves the slider.
            q->QualEd2->SetValue(61);
            EXPECT_EQ(q->QualED1->Value(), 61);
            EXPECT_EQ(q->Caption(), "Choose JPEG compression rate");
            if (quality == 0) {
                q->CancelBtn->Click();
                return;
            }
            q->QualED1->SetValue(quality);
            EXPECT_EQ(q->QualEd2->Value(), quality);  // the number box follows the slider
            q->OKBtn->Click();
        });
    }
};

}  // namespace

TEST_F(EditorFiles, SaveAsBmpWritesThePixelsAndOpenReadsThemBack) {
    create();
    drawSomething();
    TMDIChild& v = *form->MDIChild1;
    ASSERT_TRUE(v.Modified);
    // A name without extension gets the entry's; the entry decides the type.
    answerFile(dir.file("drawing"), 1);
    ASSERT_TRUE(chooseMenu({"File", "Save as..."}));
    const std::string file = dir.file("drawing.BMP");
    ASSERT_TRUE(testsupport::readFile(file).size() > 54);
    EXPECT_TRUE(fileShows(file, v.Dib.get()));
    EXPECT_FALSE(v.Modified);
    EXPECT_TRUE(v.KnownFormat);
    EXPECT_EQ(v.DocType, PW_BMP);
    EXPECT_EQ(v.DocPath, file);
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - drawing.BMP [1:1]");
    EXPECT_TRUE(boxes.shown().empty());

    // Opened again: the same pixels, the file's name and type.
    UniqueDib drawn = copyOf(v.Dib.get());
    form->NewWindow(makePicture(10, 10, 24, pattern24), "other", 0);
    answerFile(file);
    pressBar(form->ToolButton2);
    EXPECT_TRUE(samePixels(v.Dib.get(), drawn.get()));
    EXPECT_EQ(v.DocName, "drawing.BMP");
    EXPECT_EQ(v.UndoCount, 0);

    // A change saved in place with Save (Ctrl+S).
    click({40, 40});
    drag({5, 150}, {250, 150});
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(v.Modified);
    EXPECT_TRUE(fileShows(file, v.Dib.get()));
    EXPECT_EQ(std::count(dialogsShown.begin(), dialogsShown.end(), "SaveDialog"), 1);

    // New, draw, Save: the document has no file, so the save dialog comes; cancelled, the
    // earlier file stays as it was.
    const auto saved = bytesOf(file);
    whenShown([this] { owned<TNewForm>()->OKBtn->Click(); });
    key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(v.DocName, "NONAME");
    EXPECT_FALSE(v.KnownFormat);
    EXPECT_TRUE(v.DocPath.empty());
    drawSomething();
    answerFile("");
    pressBar(form->SaveSpeedBtn);
    EXPECT_EQ(std::count(dialogsShown.begin(), dialogsShown.end(), "SaveDialog"), 2);
    EXPECT_TRUE(v.Modified);
    EXPECT_EQ(bytesOf(file), saved);
}

TEST_F(EditorFiles, TheExtensionDecidesTheTypeOfAnOpenedFile) {
    create();
    TMDIChild& v = *form->MDIChild1;
    UniqueDib picture = makePicture(30, 20, 24, pattern24);
    const std::string jpg = dir.file("photo.jpg"), png = dir.file("shot.png"), tif = dir.file("scan.tif");
    ASSERT_EQ(SaveDib(picture.get(), jpg.c_str(), PW_JPG, nullptr), 1);
    ASSERT_EQ(SaveDib(picture.get(), png.c_str(), PW_PNG, nullptr), 1);
    ASSERT_EQ(SaveDib(picture.get(), tif.c_str(), PW_TIF, nullptr), 1);
    form->OpenPicture(jpg);
    EXPECT_TRUE(v.KnownFormat);
    EXPECT_EQ(v.DocType, PW_JPG);  // compared in upper case
    form->OpenPicture(tif);
    EXPECT_EQ(v.DocType, PW_TIF);
    form->OpenPicture(png);
    EXPECT_FALSE(v.KnownFormat);
    EXPECT_EQ(v.DocPath, png);
    // Not saved in place: Save goes to the save dialog.
    v.Modified = true;
    answerFile("");
    form->FileSaveItemClick(form);
    EXPECT_EQ(dialogsShown, std::vector<String>{"SaveDialog"});
    EXPECT_TRUE(v.Modified);
}

TEST_F(EditorFiles, JpegTypesAskForTheQualityFirst) {
    create();
    drawSomething();
    TMDIChild& v = *form->MDIChild1;
    // No extension, entry 6: ".JPG" is added, and the file is a JPEG of that quality.
    bool asked = false;
    answerFile(dir.file("photo"), 6);
    answerQuality(40, &asked);
    form->FileSaveAsItemClick(form);
    EXPECT_TRUE(asked);
    const std::string jpg = dir.file("photo.JPG");
    EXPECT_TRUE(isJpeg(jpg));
    EXPECT_EQ(v.DocType, PW_JPG);
    const auto at40 = bytesOf(jpg).size();
    // Save in place asks again, starting at the value chosen last; a higher quality makes
    // a larger file.
    v.Modified = true;
    int start = 0;
    answerQuality(95, nullptr, &start);
    form->FileSaveItemClick(form);
    EXPECT_EQ(start, 40);
    EXPECT_GT(bytesOf(jpg).size(), at40);
    // A name ending in .bmp with entry 6 is a JPEG under that name, and reopens as one.
    answerFile(dir.file("looks.bmp"), 6);
    answerQuality(75);
    form->FileSaveAsItemClick(form);
    EXPECT_TRUE(isJpeg(dir.file("looks.bmp")));
    EXPECT_EQ(v.DocType, PW_JPG);
    form->OpenPicture(dir.file("looks.bmp"));
    EXPECT_EQ(DibWidth(v.Dib.get()), 320);
    EXPECT_TRUE(boxes.shown().empty());
    // Cancelling the quality saves nothing and keeps the changes marked.
    const auto before = bytesOf(jpg);
    form->OpenPicture(jpg);
    drawSomething();
    answerQuality(0);
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(v.Modified);
    EXPECT_EQ(bytesOf(jpg), before);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(EditorFiles, TheSaveQueryYesSavesNoDiscardsCancelStays) {
    create();
    TMDIChild& v = *form->MDIChild1;
    const std::string file = dir.file("kept.bmp");
    UniqueDib picture = makePicture(40, 30, 8, pattern8);
    ASSERT_EQ(SaveDib(picture.get(), file.c_str(), PW_BMP, nullptr), 1);
    form->OpenPicture(file);
    drawSomething();
    // Yes: the changes go to the file, then the next picture opens.
    const std::string other = dir.file("other.bmp");
    ASSERT_EQ(SaveDib(makePicture(12, 12, 24, pattern24).get(), other.c_str(), PW_BMP, nullptr), 1);
    UniqueDib drawn = copyOf(v.Dib.get());
    boxes.answer(IDYES);
    answerFile(other);
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Modifications in kept.bmp Save?"});
    EXPECT_EQ(DibWidth(v.Dib.get()), 12);
    UniqueDib reread;
    OpenDib(reread.out(), file.c_str(), PW_BY_EXTENSION, nullptr);
    EXPECT_TRUE(samePixels(reread.get(), drawn.get()));
    // Yes for a picture without a file: the save dialog; cancelled there, nothing opens.
    form->NewWindow(makePicture(16, 16, 24, pattern24), "NONAME", 0);
    drawSomething();
    boxes.answer(IDYES);
    answerFile("");  // the save dialog
    form->FileOpenItemClick(form);
    EXPECT_EQ(DibWidth(v.Dib.get()), 16);
    EXPECT_EQ(dialogsShown.back(), "SaveDialog");
    // Cancel: nothing happens at all.
    const auto shownBefore = dialogsShown.size();
    boxes.answer(IDCANCEL);
    form->FileOpenItemClick(form);
    EXPECT_EQ(dialogsShown.size(), shownBefore);
    EXPECT_TRUE(v.Modified);
    // A picture that did not change is not asked about.
    v.Modified = false;
    boxes.clear();
    answerFile("");
    form->FileOpenItemClick(form);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(EditorFiles, AFailedSaveKeepsTheOldFileAndSaysSo) {
    create();
    TMDIChild& v = *form->MDIChild1;
    const std::string file = dir.file("old.bmp");
    ASSERT_EQ(SaveDib(makePicture(8, 8, 24, pattern24).get(), file.c_str(), PW_BMP, nullptr), 1);
    form->OpenPicture(file);
    const auto old = bytesOf(file);
    form->NewWindow(makePicture(300, 300, 24, pattern24), "big", 0);
    v.DocPath = file;
    v.KnownFormat = true;
    v.DocType = PW_BMP;
    v.Modified = true;
    // A full disk: the write fails part way.
    {
        testsupport::FileSizeLimit full(1000);
        form->FileSaveItemClick(form);
    }
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"Error: File could not be saved!"});
    EXPECT_EQ(boxes.captions()[0], "");
    EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(bytesOf(file), old);
    EXPECT_TRUE(v.Modified);
    EXPECT_EQ(v.DocName, "big");
    // A read-only file is written over when the save works, and stays read-only when not.
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        testsupport::FileSizeLimit full(1000);
        form->FileSaveItemClick(form);
    }
    EXPECT_TRUE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(bytesOf(file), old);
    form->FileSaveItemClick(form);
    EXPECT_FALSE(v.Modified);
    EXPECT_TRUE(fileShows(file, v.Dib.get()));
    EXPECT_EQ(v.DocName, "old.bmp");
    // A folder that does not exist.
    boxes.clear();
    answerFile(dir.file("no/such/folder/x.bmp"), 1);
    v.Modified = true;
    form->FileSaveAsItemClick(form);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error: File could not be saved!"});
    EXPECT_EQ(v.DocPath, file);
}

TEST_F(EditorFiles, APictureThatCannotBeOpenedLeavesTheDocument) {
    create();
    TMDIChild& v = *form->MDIChild1;
    const BYTE* before = v.Dib.get().Bits;
    const std::string bad = dir.file("bad.bmp");
    std::ofstream(bad) << "this is no picture";
    SendMessageA(form->Handle(), WM_PROGRESS, 60, 0);
    answerFile(bad);
    form->FileOpenItemClick(form);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.captions()[0], "Error while the loading (" + bad + ")");
    EXPECT_GE(boxes.texts()[0].size(), 6u);
    EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(v.Dib.get().Bits, before);
    EXPECT_EQ(v.DocName, "NONAME");
    EXPECT_EQ(form->ShowProzent->Position(), 0);
}

TEST_F(EditorFiles, PasteAsNewPictureAsksFirstWhenThePictureChanged) {
    create();
    TMDIChild& v = *form->MDIChild1;
    form->NewWindow(makePicture(30, 20, 24, pattern24), "copied", 0);
    form->Clipboard.Copy(v);
    form->NewWindow(makePicture(50, 40, 24, pattern24), "work", 0);
    drawSomething();
    boxes.answer(IDCANCEL);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Modifications in work Save?"});
    EXPECT_EQ(DibWidth(v.Dib.get()), 50);
    boxes.answer(IDNO);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(DibWidth(v.Dib.get()), 30);
    EXPECT_EQ(v.DocName, "");
    EXPECT_TRUE(v.DocPath.empty());
    EXPECT_EQ(v.UndoCount, 0);
}

namespace {

// SANE's test scanner; SANE reads its folder's name once per process.
class EditorScanning : public EditorFiles {
protected:
    void SetUp() override {
        static testsupport::TempDir saneFolder;  // removed when the process ends
        testsupport::TempDir* sane = &saneFolder;
        static void* backend = dlopen(TESSELLON_SANE_TEST_BACKEND, RTLD_NOW);
        (void)backend;
        setenv("SANE_CONFIG_DIR", sane->path().c_str(), 1);
        std::ofstream(sane->file("dll.conf")) << "test\n";
        std::ofstream(sane->file("test.conf")) << "number_of_devices 1\nmode Color\ndepth 8\nresolution 50.0\n"
                                                  "test-picture \"Color pattern\"\nbr_x 60.0\nbr_y 40.0\n";
        EditorFiles::SetUp();
    }
    void TearDown() override {
        waitFor([] { return !scanvia::scanRunning(); });
        EditorFiles::TearDown();
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

}  // namespace

TEST_F(EditorScanning, AScanBecomesTheDocumentAfterTheSaveQuery) {
    create();
    TMDIChild& v = *form->MDIChild1;
    drawSomething();
    // Cancelled in the save query: the scanned picture goes.
    ASSERT_TRUE(chooseMenu({"File", "Scan picture..."}));
    QDialog* d = scanDialog();
    ASSERT_NE(d, nullptr);
    boxes.answer(IDCANCEL);
    QTest::mouseClick(d->findChild<QPushButton*>("scan"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !boxes.shown().empty(); }));
    ASSERT_TRUE(waitFor([] { return !scanvia::scanRunning(); }));
    settle();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Modifications in NONAME Save?"});
    EXPECT_EQ(DibWidth(v.Dib.get()), 320);
    // Discarded: the scan is the document, unnamed and never saved.
    ASSERT_TRUE(chooseMenu({"File", "Scan picture..."}));
    d = scanDialog();
    ASSERT_NE(d, nullptr);
    boxes.answer(IDNO);
    QTest::mouseClick(d->findChild<QPushButton*>("scan"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return DibWidth(v.Dib.get()) != 320; }));
    EXPECT_NEAR(DibWidth(v.Dib.get()), 118, 1);  // 60 mm at 50 dpi
    EXPECT_NEAR(DibHeight(v.Dib.get()), 79, 1);
    EXPECT_EQ(v.DocName, "");
    EXPECT_FALSE(v.KnownFormat);
    EXPECT_EQ(v.UndoCount, 0);
    EXPECT_EQ(v.ZoomNum, 1);
}

TEST_F(EditorScanning, SelectScannerListsTheTestScanner) {
    create();
    QString listed;
    QTimer::singleShot(0, [&] {
        QWidget* m = QApplication::activeModalWidget();
        ASSERT_NE(m, nullptr);
        auto* list = m->findChild<QListWidget*>("scanners");
        ASSERT_NE(list, nullptr);
        listed = list->currentItem() ? list->currentItem()->text() : QString();
        QTest::keyClick(m, Qt::Key_Return);
    });
    form->Scannerauswhlne1Click(form);
    EXPECT_TRUE(listed.contains("test:0")) << listed.toStdString();
}
