// The poster window as a user meets it: dragging and wheeling the 1:1 view and the page
// preview, the overview's marker, the two-part printer setup button, the scan page's
// buttons, the picture filter, and the window on small screens.
#include "platform/msgbox.h"
#include "platform/RecordingPrinter.h"
#include "platform/printer.h"
#include "poster/PassPictures.h"
#include "poster/PictureDialogs.h"
#include "classlib/Dialogs.h"
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "poster/ProgramFolder.h"
#include "poster/tests/PosterWindowFixture.h"
#include "testsupport/TestSupport.h"

#include <QApplication>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const std::string StartPicture = std::string(TESSELLON_SOURCE_DIR) + "/app/poster.stb";

class PosterWindowUse : public PosterWindowFixture {
protected:
    void SetUp() override {
        PosterWindowFixture::SetUp();
        ASSERT_TRUE(writeFile(dir.file("poster.stb"), readFile(StartPicture)));
    }
    TMainForm* show(int width = 1366, int height = 740) {
        create();
        form->Show();
        // Sized once shown, so that the size is the window's with its frame.
        form->SetBounds(0, 0, width, height);
        settle();
        return form;
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    // A point of a graphic control in its parent window's coordinates.
    static QPoint at(TControl* c, int x, int y) { return QPoint(c->Left() + x, c->Top() + y); }
};

// The red marker's bounds in a grab of the overview (empty when there is none).
QRect redMarker(const QImage& image) {
    int l = image.width(), t = image.height(), r = -1, b = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFF0000) {
                l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

TEST_F(PosterWindowUse, DraggingScrollsTheOneToOneViewAndThePagePreview) {
    show();
    form->BreitEd->SetValue(3);
    form->ViewPages->SetActivePage(dynamic_cast<TTabSheet*>(form->PrintScrollBox->Parent()));
    settle();
    TScrollBox* box = form->PrintScrollBox;
    ASSERT_GT(form->PrintPaintBox->Width(), box->ClientWidth() + 300);
    ASSERT_GT(form->PrintPaintBox->Height(), box->ClientHeight() + 300);
    EXPECT_EQ(box->HorzScrollBar()->Range(), 0) << "the bars follow the view (AutoScroll)";
    QWidget* w = widgetOf(box);

    // Dragging left and up moves the view right and down by the same amount.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QTest::mouseMove(w, QPoint(150, 170));
    QTest::mouseMove(w, QPoint(100, 150));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 150));
    EXPECT_EQ(box->HorzScrollBar()->Position(), 100);
    EXPECT_EQ(box->VertScrollBar()->Position(), 50);
    EXPECT_EQ(form->PrintPaintBox->Left(), -100);

    // A drag started further in goes on from there; the view stops at its edges.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(w, QPoint(130, 110));
    EXPECT_EQ(box->HorzScrollBar()->Position(), 70);
    EXPECT_EQ(box->VertScrollBar()->Position(), 40);
    QTest::mouseMove(w, QPoint(400, 400));
    EXPECT_EQ(box->HorzScrollBar()->Position(), 0);
    EXPECT_EQ(box->VertScrollBar()->Position(), 0);
    QTest::mouseMove(w, QPoint(-9000, -9000));
    EXPECT_EQ(box->HorzScrollBar()->Position(), box->HorzScrollBar()->MaxPosition());
    EXPECT_EQ(box->VertScrollBar()->Position(), box->VertScrollBar()->MaxPosition());
    EXPECT_GT(box->HorzScrollBar()->MaxPosition(), 300);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(-9000, -9000));

    // The page preview at a high resolution drags the same way.
    form->QualiED->SetValue(300);
    form->ViewPages->SetActivePage(dynamic_cast<TTabSheet*>(form->PageScrollBox->Parent()));
    settle();
    TScrollBox* page = form->PageScrollBox;
    ASSERT_GT(form->PagePaintBox->Height(), page->ClientHeight() + 100);
    QWidget* pw = widgetOf(page);
    QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    QTest::mouseMove(pw, QPoint(140, 90));
    QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, QPoint(140, 90));
    EXPECT_EQ(page->VertScrollBar()->Position(), 60);
    EXPECT_EQ(page->HorzScrollBar()->Position(), std::min(10, page->HorzScrollBar()->MaxPosition()));
}

TEST_F(PosterWindowUse, TheOverviewIsFittedToItsBoxAndFollowsEveryScroll) {
    show();
    form->BreitEd->SetValue(3);
    form->ViewPages->SetActivePage(dynamic_cast<TTabSheet*>(form->PrintScrollBox->Parent()));
    settle();
    const SIZE fit = poster::FitSize(form->OverScroll->Width(), form->OverScroll->Height(),
                                     DibWidth(form->Dib.get()), DibHeight(form->Dib.get()));
    EXPECT_EQ(form->OverPaint->Width(), fit.cx);
    EXPECT_EQ(form->OverPaint->Height(), fit.cy);
    EXPECT_FALSE(form->OverScroll->HorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(form->OverScroll->VertScrollBar()->IsScrollBarVisible());

    TScrollBox* box = form->PrintScrollBox;
    const auto expected = [&] {
        const RECT m = poster::OverviewMarker(SIZE{form->OverPaint->Width(), form->OverPaint->Height()},
                                              poster::ScrollView{box->HorzScrollBar()->Position(),
                                                                 box->VertScrollBar()->Position(),
                                                                 box->ClientWidth(), box->ClientHeight(),
                                                                 form->PrintPaintBox->Width(),
                                                                 form->PrintPaintBox->Height()});
        // The red inside of the rectangle drawn with the canvas's one-pixel pen.
        return QRect(QPoint(m.left + 1, m.top + 1), QPoint(m.right - 2, m.bottom - 2));
    };
    const auto shown = [&] {
        settle();
        const QImage image = widgetOf(form->OverScroll)->grab().toImage();
        return redMarker(image.copy(form->OverPaint->Left(), form->OverPaint->Top(), form->OverPaint->Width(),
                                    form->OverPaint->Height()));
    };
    EXPECT_EQ(shown(), expected());

    // The wheel scrolls the view down; the marker goes with it.
    QWidget* w = widgetOf(box);
    SetFocus(box->Handle());
    const QPoint p(100, 100);
    QWheelEvent wheel(p, w->mapToGlobal(p), QPoint(), QPoint(0, -2 * 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
    ASSERT_GT(box->VertScrollBar()->Position(), 0);
    EXPECT_EQ(shown(), expected());

    // So does the scroll bar (a page to the right).
    SendMessageA(box->Handle(), WM_HSCROLL, SB_PAGEDOWN,
                 reinterpret_cast<LPARAM>(box->ScrollBarHandle(sbHorizontal)));
    ASSERT_GT(box->HorzScrollBar()->Position(), 0);
    EXPECT_EQ(shown(), expected());
}

TEST_F(PosterWindowUse, TheTwoPartSetupButtonStaysPressedOverItsRightPart) {
    show();
    TImage* right = form->SetupBtn_;
    ASSERT_GT(right->Width(), form->SetupBtn->Width() + 10);
    QWidget* w = widgetOf(right->Parent());
    const int x = form->SetupBtn->Width() + 5;  // beyond the left part's width
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(right, x, 10));
    EXPECT_TRUE(form->SetupBtnDown->Visible());
    EXPECT_TRUE(form->SetupBtn_Down->Visible());
    QTest::mouseMove(w, at(right, x + 2, 12));
    EXPECT_TRUE(form->SetupBtn_Down->Visible()) << "still on the right part";
    EXPECT_TRUE(form->SetupBtnDown->Visible());
    EXPECT_FALSE(right->Visible());
    QTest::mouseMove(w, at(right, right->Width() + 3, 12));
    EXPECT_FALSE(form->SetupBtn_Down->Visible()) << "off the right part";
    EXPECT_TRUE(right->Visible());
    EXPECT_TRUE(form->SetupBtn->Visible());
    // Back on it, and released outside: nothing runs.
    QTest::mouseMove(w, at(right, x, 12));
    EXPECT_TRUE(form->SetupBtn_Down->Visible());
    QTest::mouseMove(w, at(right, right->Width() + 3, 12));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(right, right->Width() + 3, 12));
    EXPECT_TRUE(right->Visible());
    EXPECT_FALSE(form->PictureButtonOf(right)->Held);
}

// Whether every pixel of the image's rectangle in the grab is grey.
bool allGrey(const QImage& image, const QRect& r, int* distinct) {
    QList<QRgb> seen;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c)) return false;
            if (!seen.contains(c)) seen.append(c);
        }
    *distinct = static_cast<int>(seen.size());
    return true;
}

TEST_F(PosterWindowUse, TheScanPageButtonsAreEnabledAndDrawnInColour) {
    show();
    for (TImage* normal : {form->ScanBtn, form->TSetupBtn}) {
        SCOPED_TRACE(normal->Name());
        EXPECT_TRUE(normal->Enabled());
        auto* sheet = dynamic_cast<TTabSheet*>(normal->Parent());
        ASSERT_NE(sheet, nullptr);
        form->PicturePages->SetActivePage(sheet);
        settle();
        const QRect r(normal->Left(), normal->Top(), normal->Width(), normal->Height());
        int distinct = 0;
        EXPECT_FALSE(allGrey(widgetOf(sheet)->grab().toImage(), r, &distinct));
    }
}

TEST_F(PosterWindowUse, ThePassPicturesPaneShowsItsCopiesAndItsButtonPrintsThem) {
    platform::RecordingPrinter recording{210, 297, 60};
    platform::setCurrentPrinter(platform::recordingPrinter(recording));
    struct Restore {
        ~Restore() { platform::setCurrentPrinter(nullptr); }
    } restore;
    show();
    auto* sheet = static_cast<TTabSheet*>(form->PassPaintBox->Parent()->Parent());
    form->ViewPages->SetActivePage(sheet);
    settle();
    QWidget* box = widgetOf(form->PassScrollBox);
    const auto countCopies = [&] {
        // Copies of the picture are what is neither the white page nor the grey around it.
        const QImage grab = box->grab().toImage();
        int coloured = 0;
        for (int y = 0; y < grab.height(); ++y)
            for (int x = 0; x < grab.width(); ++x) {
                const QRgb c = grab.pixel(x, y);
                coloured += qRed(c) != qGreen(c) || qGreen(c) != qBlue(c);
            }
        return coloured;
    };
    const int atStart = countCopies();
    EXPECT_GT(atStart, 1000) << "the preview shows copies of the picture";
    EXPECT_GT(form->PassCount, 1);
    EXPECT_NE(form->GroesseLabel->Caption().find(" mm"), std::string::npos);
    // No copy width, no copies; the size read-out in inches.
    form->Breit3ED->SetValue(0);
    form->MilliCheck->SetChecked(false);
    settle();
    EXPECT_EQ(countCopies(), 0);
    EXPECT_EQ(form->PassCount, 0);
    EXPECT_NE(form->GroesseLabel->Caption().find(" inch"), std::string::npos);
    form->Breit3ED->SetValue(0.3);
    settle();
    EXPECT_EQ(countCopies(), atStart);

    // The go button prints one page of copies as the job "Tessellon - pass pictures".
    QWidget* panel = widgetOf(form->GoBtn2->Parent());
    const QPoint centre(form->GoBtn2->Left() + form->GoBtn2->Width() / 2,
                        form->GoBtn2->Top() + form->GoBtn2->Height() / 2);
    ASSERT_TRUE(form->GoBtn2->Enabled());
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, centre);
    settle();
    ASSERT_EQ(recording.documents().size(), 1u);
    EXPECT_EQ(recording.documentName(), u"Tessellon - pass pictures");
    ASSERT_EQ(recording.pages().size(), 1u);
    EXPECT_TRUE(boxes.shown().empty());
    if (const char* shot = std::getenv("TESSELLON_SCREENSHOTS")) {
        box->grab().save(QString::fromLocal8Bit(shot) + "/pass-preview.png");
        recording.pages()[0].save(QString::fromLocal8Bit(shot) + "/pass-page.png");
    }
}

TEST_F(PosterWindowUse, AnAreaMarkedWithTheMouseIsCutOutAndSavedWithTheFilterExtension) {
    show();
    form->ViewPages->SetActivePage(static_cast<TTabSheet*>(form->RetuschScrollBox->Parent()));
    settle();
    // 200 x 100: red left half, blue right half.
    TDib pic{};
    newdib(&pic, 200, 100, 24, nullptr, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) setpixel(pic, x, y, x < 100 ? 0x0000FF : 0xFF0000);
    form->InstallDib(pic, dir.path() + "/");
    settle();
    TPaintBox* view = form->RetuschPaint;
    const SIZE drawn = poster::FitSize(view->Width(), view->Height(), 200, 100);
    const double scale = drawn.cx / 200.0;
    ASSERT_GT(scale, 0.5);
    QWidget* w = widgetOf(form->RetuschScrollBox);
    auto pictureX = [&](int v) { return static_cast<int>(std::nearbyint(v / scale)); };
    // A point of the view in the scroll box's widget (its client area lies inside a frame).
    const auto at = [&](TControl* c, int x, int y) {
        const POINT p = c->ClientToScreen(POINT{x, y});
        return w->mapFromGlobal(QPoint(p.x, p.y));
    };

    // A new rectangle: pressed at its top left, dragged to its bottom right.
    QTest::mouseMove(w, at(view, 20, 10));
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(view, 20, 10));
    QTest::mouseMove(w, at(view, 60, 30));
    QTest::mouseMove(w, at(view, 100, 50));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(view, 100, 50));
    EXPECT_EQ(form->Section.left, pictureX(20));
    EXPECT_EQ(form->Section.right, pictureX(100));
    EXPECT_EQ(form->Section.top, static_cast<int>(std::nearbyint(10 / (drawn.cy / 100.0))));

    // The pointer over an edge or a corner shows the size cursors.
    QTest::mouseMove(w, at(view, 102, 30));
    EXPECT_EQ(view->Cursor(), crSizeWE);
    QTest::mouseMove(w, at(view, 60, 48));
    EXPECT_EQ(view->Cursor(), crSizeNS);
    QTest::mouseMove(w, at(view, 98, 48));
    EXPECT_EQ(view->Cursor(), crSizeNWSE);
    QTest::mouseMove(w, at(view, 60, 30));
    EXPECT_EQ(view->Cursor(), crDefault);

    // The right edge dragged past the left one: they swap and the rectangle stays well-formed.
    QTest::mouseMove(w, at(view, 101, 30));
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(view, 101, 30));
    QTest::mouseMove(w, at(view, 40, 30));
    QTest::mouseMove(w, at(view, 8, 30));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(view, 8, 30));
    EXPECT_EQ(form->Section.left, pictureX(8));
    EXPECT_EQ(form->Section.right, pictureX(20));
    const RECT marked = form->Section;

    // A click beside the picture, on no edge, changes nothing.
    if (drawn.cy + 20 < view->Height()) {
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(view, 150, drawn.cy + 15));
        EXPECT_EQ(form->Section.left, marked.left);
        EXPECT_EQ(form->Section.bottom, marked.bottom);
    }

    // Cut off: the picture is the marked part, with the same depth.
    form->SchnittBtn->Click();
    EXPECT_TRUE(boxes.shown().empty());
    const int cutWidth = marked.right - marked.left, cutHeight = marked.bottom - marked.top;
    EXPECT_EQ(DibWidth(form->Dib.get()), cutWidth);
    EXPECT_EQ(DibHeight(form->Dib.get()), cutHeight);
    EXPECT_EQ(DibBitCount(form->Dib.get()), 24);
    EXPECT_EQ(getpixel(form->Dib.get(), 0, 0), 0x0000FF);
    EXPECT_EQ(form->Breit->Caption(), std::to_string(cutWidth) + " Pixel");
    EXPECT_EQ(form->Section.right, cutWidth) << "the mark is the whole picture again";

    // Saved without an extension: the chosen entry's extension is appended (PNG included).
    for (int entry : {6, 12}) {
        TFileDialogHandler previous = SetFileDialogHandler([&](TOpenDialog*, TFileDialogAnswer& a) {
            a.Names = {dir.file("cut" + std::to_string(entry))};
            a.FilterIndex = entry;
            return true;
        });
        form->SaveBtn->Click();
        SetFileDialogHandler(previous);
        const std::string saved = dir.file("cut" + std::to_string(entry)) + (entry == 6 ? ".JPG" : ".PNG");
        TDib back{};
        OpenDib(&back, saved.c_str(), 0, nullptr);
        ASSERT_NE(back.Bits, nullptr) << saved;
        EXPECT_EQ(DibWidth(back), cutWidth);
        EXPECT_EQ(DibHeight(back), cutHeight);
        deldib(back);
    }
    EXPECT_TRUE(boxes.shown().empty());

    // A save that fails says so, naming the file.
    TFileDialogHandler previous = SetFileDialogHandler([&](TOpenDialog*, TFileDialogAnswer& a) {
        a.Names = {dir.file("no-such-folder/cut.BMP")};
        a.FilterIndex = 1;
        return true;
    });
    form->SaveBtn->Click();
    SetFileDialogHandler(previous);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("no-such-folder/cut.BMP"), std::string::npos);

    // With nothing marked, the cut asks for a mark.
    form->Section = RECT{5, 5, 5, 9};
    form->SchnittBtn->Click();
    EXPECT_EQ(boxes.texts().back(), "You must mark an area with the mouse!");
}

TEST_F(PosterWindowUse, PictureCommandsFromTheMenusThenAPosterPrintedToAPdfFile) {
    if (!haveProgram("pdftoppm") || !haveProgram("pdfimages")) GTEST_SKIP() << "poppler-utils read the PDF back";
    show();
    ASSERT_TRUE(writeJpeg(photoLike(600, 400, 7), dir.file("photo.jpg"), 90, false));
    form->openfilenow("photo.jpg");
    ASSERT_EQ(DibWidth(form->Dib.get()), 600);
    const auto item = [&](TPopupMenu* menu, const std::string& caption) -> TMenuItem* {
        for (int i = 0; i < menu->Items()->Count(); ++i)
            if (menu->Items()->Items(i)->Caption() == caption) return menu->Items()->Items(i);
        return nullptr;
    };
    const auto whenShown = [](std::function<void()> step) { QTimer::singleShot(0, std::move(step)); };
    const auto owned = [&]<class T>(T*) -> T* {
        for (int i = form->ComponentCount() - 1; i >= 0; --i)
            if (auto* f = dynamic_cast<T*>(form->Components(i))) return f;
        return nullptr;
    };

    boxes.answer(IDYES);  // keep the softened picture
    item(form->EffektPopup, "Soften")->Click();
    whenShown([&] {
        THKForm2* hk = owned(static_cast<THKForm2*>(nullptr));
        ASSERT_NE(hk, nullptr);
        hk->TrackBar1->SetPosition(40);
        hk->OkBitBtn1->Click();
    });
    item(form->RetuschePopup, "Brightness and contrast...")->Click();
    item(form->RetuschePopup, "90° rotate to the right")->Click();
    ASSERT_EQ(DibWidth(form->Dib.get()), 400);
    form->Section = RECT{20, 30, 380, 510};
    form->SchnittBtn->Click();
    ASSERT_EQ(DibWidth(form->Dib.get()), 360);
    ASSERT_EQ(DibHeight(form->Dib.get()), 480);
    whenShown([&] {
        TDepthChangeForm* depth = owned(static_cast<TDepthChangeForm*>(nullptr));
        ASSERT_NE(depth, nullptr);
        depth->ColorBox->SetItemIndex(2);
        whenShown([&] { owned(static_cast<TDepthDownForm*>(nullptr))->SetModalResult(mrOk); });
        depth->SetModalResult(mrOk);
    });
    form->FTiefeBtn->Click();
    ASSERT_EQ(DibBitCount(form->Dib.get()), 8);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Is the result ok?"});

    // A 2 x 2 poster of the changed picture to a PDF file: four pages of new pixels.
    const std::string pdf = dir.file("poster.pdf");
    ASSERT_TRUE(platform::selectPrinter(platform::pdfPrinterName()));
    platform::setPrintFileHandler([pdf](const std::u16string&, QWidget*) {
        return std::optional<std::u16string>(QString::fromStdString(pdf).toStdU16String());
    });
    struct Restore {
        ~Restore() {
            platform::setPrintFileHandler({});
            platform::setCurrentPrinter(nullptr);
        }
    } restore;
    form->BreitEd->SetValue(2);
    settle();
    ASSERT_EQ(static_cast<int>(form->HochEd->Value() + 0.999), 2) << "a 2 x 2 poster";
    form->PrintBtnClick(nullptr);
    TempDir scratch;
    const auto images = extractPdfImages(pdf, scratch, "-j");
    ASSERT_EQ(images.size(), 4u);
    for (const std::string& f : images) EXPECT_NE(readFile(f), readFile(dir.file("photo.jpg")));
    const QImage page = rasterisePdf(pdf, 1, 50, scratch);
    ASSERT_FALSE(page.isNull());
    if (const char* shot = std::getenv("TESSELLON_SCREENSHOTS")) {
        widgetOf(form)->grab().save(QString::fromLocal8Bit(shot) + "/poster-after-commands.png");
        page.save(QString::fromLocal8Bit(shot) + "/poster-page1.png");
        rasterisePdf(pdf, 4, 50, scratch).save(QString::fromLocal8Bit(shot) + "/poster-page4.png");
    }
}

TEST_F(PosterWindowUse, AllPicturesListsEveryExtensionTheRasterLibraryOpens) {
    show();
    TempDir pictures;
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(0x336699);
    for (const char* name : {"a.jpeg", "b.JPE", "c.jfif", "e.jpg"})
        ASSERT_TRUE(image.save(QString::fromStdString(pictures.file(name)), "JPEG"));
    ASSERT_TRUE(image.save(QString::fromStdString(pictures.file("d.tiff")), "TIFF") ||
                writeFile(pictures.file("d.tiff"), {'I', 'I', 42, 0}));
    writeFile(pictures.file("f.txt"), {'x'});
    form->SetSelectedFolder(pictures.path());
    chooseFilter(0);
    EXPECT_EQ(listedFiles(), (std::vector<String>{"a.jpeg", "b.JPE", "c.jfif", "d.tiff", "e.jpg"}));
    // The JPG entry lists the JPEG spellings, the TIF entry both TIFF spellings.
    ASSERT_EQ(form->FilterComboBox1->Items()->Strings(6), "JPG - JPEG - JFIF Compilant");
    chooseFilter(6);
    EXPECT_EQ(listedFiles(), (std::vector<String>{"a.jpeg", "b.JPE", "c.jfif", "e.jpg"}));
    ASSERT_EQ(form->FilterComboBox1->Items()->Strings(11), "TIF - Tagged image file Format");
    chooseFilter(11);
    EXPECT_EQ(listedFiles(), std::vector<String>{"d.tiff"});
    // The texts of the entries are as they were.
    EXPECT_EQ(form->FilterComboBox1->Items()->Strings(0), "All pictures");
    EXPECT_EQ(form->FilterComboBox1->Items()->Count(), 15);

    // Such a file opens.
    boxes.clear();
    form->openfilenow("c.jfif");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(form->Breit->Caption(), "30 Pixel");
}

// Every visible control of `parent` lies inside its client area, or inside a scroll box whose
// bars reach it; the problems found are named.
void collectUnreachable(TWinControl* parent, std::vector<std::string>& problems) {
    const RECT client = parent->ClientRect();
    auto* scroll = dynamic_cast<TScrollBox*>(parent);
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        // Unnamed controls are the parts of composite controls, placed by them.
        if (!c->Visible() || c->Name().empty()) continue;
        RECT reach = client;
        if (scroll) {
            reach.left -= scroll->HorzScrollBar()->Position();
            reach.top -= scroll->VertScrollBar()->Position();
            reach.right += scroll->HorzScrollBar()->MaxPosition() - scroll->HorzScrollBar()->Position();
            reach.bottom += scroll->VertScrollBar()->MaxPosition() - scroll->VertScrollBar()->Position();
        }
        // Children of a scroll box need not be whole: the views scroll their pictures.
        const bool inside = c->Left() >= reach.left && c->Top() >= reach.top &&
                            c->Left() + c->Width() <= reach.right && c->Top() + c->Height() <= reach.bottom;
        if (!inside || c->Width() <= 0 || c->Height() <= 0)
            problems.push_back(c->Name() + " in " + parent->Name() + " at " + std::to_string(c->Left()) + "," +
                               std::to_string(c->Top()) + " " + std::to_string(c->Width()) + "x" +
                               std::to_string(c->Height()) + " (client " + std::to_string(client.right) + "x" +
                               std::to_string(client.bottom) + ")");
        if (auto* w = dynamic_cast<TWinControl*>(c)) collectUnreachable(w, problems);
    }
}

// Whether the control is wholly in view, without scrolling, on the form.
bool wholeInView(TControl* c, TMainForm* form) {
    const POINT topLeft = c->Parent()->ClientToScreen(POINT{c->Left(), c->Top()});
    const POINT formOrigin = form->ClientToScreen(POINT{0, 0});
    const int x = topLeft.x - formOrigin.x, y = topLeft.y - formOrigin.y;
    for (TControl* p = c->Parent(); p && p != form; p = p->Parent()) {
        const POINT o = p->ClientToScreen(POINT{0, 0});
        const RECT r = p->ClientRect();
        const int px = o.x - formOrigin.x, py = o.y - formOrigin.y;
        if (x < px || y < py || x + c->Width() > px + r.right || y + c->Height() > py + r.bottom) {
            return false;
        }
    }
    return x >= 0 && y >= 0 && x + c->Width() <= form->ClientWidth() && y + c->Height() <= form->ClientHeight();
}

class SmallScreens : public PosterWindowUse, public ::testing::WithParamInterface<QSize> {};

TEST_P(SmallScreens, EveryControlIsInViewOrInAScrollingPane) {
    const QSize size = GetParam();
    show(size.width(), size.height());
    EXPECT_EQ(form->Width(), size.width());
    EXPECT_EQ(form->Height(), size.height());
    for (TPageControl* pages : {form->PicturePages, form->ViewPages}) {
        for (int i = 0; i < pages->PageCount(); ++i) {
            pages->SetActivePageIndex(i);
            settle();
            std::vector<std::string> problems;
            collectUnreachable(form, problems);
            for (const std::string& p : problems) ADD_FAILURE() << pages->Pages(i)->Caption() << ": " << p;
        }
    }
    // The print button and the file list are in view as they are.
    form->PicturePages->SetActivePageIndex(0);
    form->ViewPages->SetActivePageIndex(0);
    settle();
    EXPECT_TRUE(wholeInView(form->GoBtn1, form));
    EXPECT_TRUE(wholeInView(form->NavShellList1, form));
    EXPECT_GE(form->NavShellList1->Height(), 100);
    EXPECT_TRUE(wholeInView(form->NavShellTree1, form));
    // The views keep a useful size.
    EXPECT_GE(form->PrevScrollBox->ClientWidth(), 250);
    EXPECT_GE(form->PrevScrollBox->ClientHeight(), 250);
    form->ViewPages->SetActivePageIndex(1);
    settle();
    EXPECT_GE(form->PrintScrollBox->ClientWidth(), 150);
    EXPECT_GE(form->OverPaint->Width(), 100);
    const QString shot = QString::fromStdString(env("TESSELLON_SCREENS"));
    if (!shot.isEmpty()) {
        form->ViewPages->SetActivePageIndex(0);
        settle();
        widgetOf(form)->grab().save(shot + QString("/window-%1x%2.png").arg(size.width()).arg(size.height()));
    }
}

INSTANTIATE_TEST_SUITE_P(PosterWindowUse, SmallScreens, ::testing::Values(QSize(1024, 768), QSize(1280, 720)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });

TEST_F(PosterWindowUse, TheWindowOpensOnTheVisibleScreen) {
    create();
    form->Show();
    settle();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect window(form->Left(), form->Top(), form->Width(), form->Height());
    EXPECT_TRUE(screen.contains(window)) << window.x() << "," << window.y() << " " << window.width() << "x"
                                         << window.height() << " on " << screen.width() << "x" << screen.height();
    // Centred on the screen, as laid out (the frame can be smaller than allowed for).
    EXPECT_NEAR(window.center().x(), screen.center().x(), 16) << window.x() << "," << window.y();
    EXPECT_NEAR(window.center().y(), screen.center().y(), 16) << window.x() << "," << window.y();
}

}  // namespace
