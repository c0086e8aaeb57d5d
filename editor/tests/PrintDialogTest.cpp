// The print picture dialog and the print command on a recording printer: the preview's page
// and picture, the coupled percentages, a paint that only paints, a printer without a
// printable area, the setup button, and the printed page as the preview showed it.
#include "editor/PrintFUnit.h"
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "classlib/Registry.h"
#include "platform/RecordingPrinter.h"
#include "platform/printer.h"

#include <QFileInfo>
#include <QPainter>

using namespace edtest;

namespace {

// A picture without white pixels.
int gradient(int x, int y) { return (x * 2 % 220) | (y * 3 % 220) << 8 | 90 << 16; }

// The box of the pixels that are not white.
QRect inked(const QImage& page) {
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x)
            if ((row[x] & 0xFFFFFF) != 0xFFFFFF) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

TEST(PrintRect, FittedStretchedOrAPartOfThePage) {
    TPrintPlacement p;
    // A wide picture on a high page: as wide as the page, centred down it.
    RECT r = PrintRect(1000, 1400, 400, 200, p);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 1000);
    EXPECT_EQ(r.bottom - r.top, 500);
    EXPECT_EQ(r.top, 450);
    // A high picture: as high as the page, centred across.
    r = PrintRect(1000, 1400, 100, 400, p);
    EXPECT_EQ(r.bottom - r.top, 1400);
    EXPECT_EQ(r.right - r.left, 350);
    EXPECT_EQ(r.left, 325);
    // Not centred: the top-left corner; without the aspect: the whole page.
    p.Centred = false;
    r = PrintRect(1000, 1400, 100, 400, p);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    p.KeepAspect = false;
    r = PrintRect(1000, 1400, 100, 400, p);
    EXPECT_EQ(r.right, 1000);
    EXPECT_EQ(r.bottom, 1400);
    // Percentages of the page, rounded half to even.
    p.UseFull = false;
    p.WidthPercent = 50;
    p.HeightPercent = 25;
    r = PrintRect(101, 103, 10, 10, p);
    EXPECT_EQ(r.right, 50);   // 50.5
    EXPECT_EQ(r.bottom, 26);  // 25.75
    r = PrintRect(103, 10, 10, 10, p);
    EXPECT_EQ(r.right, 52);  // 51.5
    p.Centred = true;
    r = PrintRect(1000, 1000, 10, 10, p);
    EXPECT_EQ(r.left, 250);
    EXPECT_EQ(r.top, 375);
    // Nothing on a page or of a picture without size.
    for (const auto& s : {std::array<int, 4>{0, 100, 10, 10}, std::array<int, 4>{100, 0, 10, 10},
                          std::array<int, 4>{100, 100, 0, 10}, std::array<int, 4>{100, 100, 10, -1}}) {
        r = PrintRect(s[0], s[1], s[2], s[3], p);
        EXPECT_TRUE(r.right == r.left && r.bottom == r.top);
    }
}

class PrintDialog : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        platform::setCurrentPrinter(platform::recordingPrinter(rec));
        oldSetup = platform::setPrinterSetupHandler({});
        platform::setPrinterSetupHandler(oldSetup);
        // The dialog's remembered choices of other runs do not count here.
        TRegistry r;
        r.DeleteKey("Software\\" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString() +
                    "\\TPrintForm");
    }
    void TearDown() override {
        platform::setPrinterSetupHandler(oldSetup);
        MainWindow::TearDown();
        platform::setCurrentPrinter(nullptr);
    }
    TPrintForm* dialog() const { return owned<TPrintForm>(); }
    static void clickOn(TWinControl* c, bool mark = false) {
        QTest::mouseClick(widgetOf(c), Qt::LeftButton, {}, QPoint(mark ? 6 : c->Width() / 2, c->Height() / 2));
        settle();
    }
    static void type(TKitSpinEdit* e, const char* text) {
        e->SetFocus();
        e->SelectAll();
        QTest::keyClicks(widgetOf(e), QString::fromUtf8(text));
        settle();
    }
    // Opens the dialog with Ctrl+P, runs `step` in it and leaves it by OK or Cancel.
    void printing(const std::function<void(TPrintForm*)>& step, bool ok) {
        bool ran = false;
        whenShown([&] {
            TPrintForm* f = dialog();
            ASSERT_NE(f, nullptr);
            ran = true;
            step(f);
            clickOn(ok ? f->OkBitBtn1 : f->CancelBitBtn2);
        });
        key(Qt::Key_P, Qt::ControlModifier);
        EXPECT_TRUE(ran);
        EXPECT_EQ(Application->ModalLevel, 0);
    }

    platform::RecordingPrinter rec{210, 297, 100, platform::PrinterMargins{5, 5, 5, 5}};
    platform::PrinterSetupHandler oldSetup;
};

TEST_F(PrintDialog, ThePreviewPageHasThePrintersShape) {
    create();
    form->NewWindow(makePicture(300, 150, 24, gradient), "wide", 0);
    printing(
        [&](TPrintForm* f) {
            EXPECT_EQ(f->Caption(), "Print picture...");
            EXPECT_TRUE(f->UseFullCheck->Checked());
            EXPECT_TRUE(f->SverhCheck->Checked());
            EXPECT_TRUE(f->ZentrCheck->Checked());
            EXPECT_EQ(SpinInt(f->BreitEdit), 50);
            EXPECT_FALSE(f->BreitEdit->Enabled()) << "percentages only for a user-defined size";
            EXPECT_EQ(f->PageWidth(), rec.printableWidth());
            EXPECT_EQ(f->PageHeight(), rec.printableHeight());
            // A portrait page: as high as the box.
            const RECT page = f->PreviewPage();
            EXPECT_EQ(page.bottom - page.top, 190);
            EXPECT_EQ(page.right - page.left, 190 * rec.printableWidth() / rec.printableHeight());
            // The wide picture as wide as the page, centred on it.
            const RECT pic = f->PreviewPicture();
            EXPECT_EQ(pic.left, page.left);
            EXPECT_EQ(pic.right, page.right);
            EXPECT_EQ(pic.bottom - pic.top, (page.right - page.left) * 150 / 300);
            saveShot(widgetOf(f)->grab().toImage(), "print-dialog-portrait.png");
        },
        false);
    EXPECT_TRUE(rec.documents().empty()) << "cancelled: nothing printed";

    rec.setOrientation(platform::RecordingPrinter::Orientation::Landscape);
    printing(
        [&](TPrintForm* f) {
            EXPECT_GT(f->PageWidth(), f->PageHeight());
            const RECT page = f->PreviewPage();
            EXPECT_EQ(page.right - page.left, 190) << "a landscape page: as wide as the box";
            EXPECT_EQ(page.bottom - page.top, 190 * rec.printableHeight() / rec.printableWidth());
            saveShot(widgetOf(f)->grab().toImage(), "print-dialog-landscape.png");
        },
        false);
}

TEST_F(PrintDialog, ThePercentagesKeepThePicturesProportionsOnThePage) {
    rec.setPaper(100, 100);
    create();
    form->NewWindow(makePicture(200, 100, 24, gradient), "twice", 0);
    printing(
        [&](TPrintForm* f) {
            ASSERT_EQ(f->PageWidth(), f->PageHeight());
            clickOn(f->UserdefCheck, true);
            ASSERT_TRUE(f->UserdefCheck->Checked());
            EXPECT_TRUE(f->BreitEdit->Enabled());
            // The coupling ran as "User-defined" was chosen: 50 % wide is 25 % high.
            EXPECT_EQ(SpinInt(f->HochEdit), 25);
            type(f->BreitEdit, "80");
            EXPECT_EQ(SpinInt(f->HochEdit), 40);
            type(f->HochEdit, "30");
            EXPECT_EQ(SpinInt(f->BreitEdit), 60);
            // Without the aspect the two are free.
            clickOn(f->SverhCheck, true);
            ASSERT_FALSE(f->SverhCheck->Checked());
            type(f->BreitEdit, "44");
            EXPECT_EQ(SpinInt(f->HochEdit), 30);
            // A typed value beyond the range is read as the range's end.
            type(f->BreitEdit, "500");
            EXPECT_EQ(f->Placement().WidthPercent, 100);
            type(f->HochEdit, "0");
            EXPECT_EQ(f->Placement().HeightPercent, 1);
        },
        false);
}

TEST_F(PrintDialog, PaintingThePreviewChangesNoValue) {
    create();
    form->NewWindow(makePicture(200, 100, 24, gradient), "paint", 0);
    printing(
        [&](TPrintForm* f) {
            clickOn(f->UserdefCheck, true);
            // Values the coupling would change, set behind its back.
            const TNotifyEvent coupling = f->HochEdit->OnChange;
            f->HochEdit->OnChange = {};
            f->HochEdit->SetValue(80);
            f->HochEdit->OnChange = coupling;
            int changes = 0;
            const TNotifyEvent width = f->BreitEdit->OnChange, height = f->HochEdit->OnChange;
            f->BreitEdit->OnChange = [&](TObject* s) { ++changes; width(s); };
            f->HochEdit->OnChange = [&](TObject* s) { ++changes; height(s); };
            for (int i = 0; i < 3; ++i) {
                f->PrintPaintBox->Invalidate();
                settle();
                (void)widgetOf(f)->grab();
            }
            EXPECT_EQ(changes, 0);
            EXPECT_EQ(SpinInt(f->BreitEdit), 50);
            EXPECT_EQ(SpinInt(f->HochEdit), 80);
            f->BreitEdit->OnChange = width;
            f->HochEdit->OnChange = height;
        },
        false);
}

TEST_F(PrintDialog, WithoutCentringThePictureSitsInThePagesTopLeftCorner) {
    create();
    form->NewWindow(makePicture(100, 200, 24, gradient), "high", 0);
    printing(
        [&](TPrintForm* f) {
            const RECT page = f->PreviewPage();
            RECT pic = f->PreviewPicture();
            EXPECT_GT(pic.left, page.left) << "centred across";
            clickOn(f->ZentrCheck, true);
            ASSERT_FALSE(f->ZentrCheck->Checked());
            pic = f->PreviewPicture();
            EXPECT_EQ(pic.left, page.left);
            EXPECT_EQ(pic.top, page.top);
            settle();
            // On the screen: the picture's first pixel at the page's corner, white beside it.
            const QImage shown = widgetOf(f->PreviewPanel)->grab().toImage();
            const QPoint corner(f->PrintPaintBox->Left() + page.left, f->PrintPaintBox->Top() + page.top);
            const QColor first = shown.pixelColor(corner + QPoint(1, 1));
            EXPECT_NE(first, QColor(Qt::white));
            EXPECT_EQ(shown.pixelColor(QPoint(f->PrintPaintBox->Left() + page.right - 2, corner.y() + 2)),
                      QColor(Qt::white));
            saveShot(widgetOf(f)->grab().toImage(), "print-dialog-not-centred.png");
        },
        false);
}

TEST_F(PrintDialog, APrinterWithoutPrintableAreaLeavesTheDefaultPageAndPrintsNothing) {
    rec.setMargins(platform::PrinterMargins{110, 5, 110, 5});
    ASSERT_EQ(rec.printableWidth(), 0);
    create();
    form->NewWindow(makePicture(120, 80, 24, gradient), "none", 0);
    printing(
        [&](TPrintForm* f) {
            EXPECT_GT(f->PageWidth(), 0);
            EXPECT_GT(f->PageHeight(), f->PageWidth()) << "the default page: A4 upright";
            clickOn(f->UserdefCheck, true);
            type(f->BreitEdit, "70");
            EXPECT_GE(SpinInt(f->HochEdit), 1);
            const RECT pic = f->PreviewPicture();
            EXPECT_GT(pic.right - pic.left, 0);
            (void)widgetOf(f)->grab();
        },
        true);
    EXPECT_TRUE(rec.documents().empty());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "The printer's page has no printable area.");
    EXPECT_EQ(boxes.captions()[0], "Error");
}

TEST_F(PrintDialog, TheSetupButtonRunsThePrinterSetupAndThePreviewFollows) {
    create();
    form->NewWindow(makePicture(120, 80, 24, gradient), "setup", 0);
    int setups = 0;
    platform::setPrinterSetupHandler([&](platform::PrinterSetup& s, QWidget*) {
        ++setups;
        s.orientation = platform::PaperOrientation::Landscape;
        return true;
    });
    printing(
        [&](TPrintForm* f) {
            ASSERT_LT(f->PageWidth(), f->PageHeight());
            clickOn(f->PrintSetupBtn);
            EXPECT_EQ(setups, 1);
            EXPECT_GT(f->PageWidth(), f->PageHeight());
            EXPECT_EQ(f->PreviewPage().right - f->PreviewPage().left, 190);
        },
        true);
    // Printed on the landscape page.
    ASSERT_EQ(rec.documents().size(), 1u);
    ASSERT_EQ(rec.pages().size(), 1u);
    EXPECT_GT(rec.pages()[0].width(), rec.pages()[0].height());
}

TEST_F(PrintDialog, ThePrintedPageShowsWhatThePreviewShowed) {
    create();
    struct Case {
        int w, h;
        bool full, centred;
    };
    const Case cases[] = {{300, 150, true, true}, {300, 150, true, false}, {300, 150, false, true},
                          {300, 150, false, false}, {120, 240, true, true}, {120, 240, true, false},
                          {120, 240, false, true},  {120, 240, false, false}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        form->NewWindow(makePicture(c.w, c.h, 24, gradient), "page", 0);
        rec.clear();
        RECT page{}, pic{};
        QImage preview;
        printing(
            [&](TPrintForm* f) {
                if (f->UserdefCheck->Checked() == c.full) clickOn(c.full ? f->UseFullCheck : f->UserdefCheck, true);
                if (!c.full) {
                    // 50 % of the page across; the height follows the picture's proportions.
                    type(f->BreitEdit, "50");
                }
                if (f->ZentrCheck->Checked() != c.centred) clickOn(f->ZentrCheck, true);
                settle();
                page = f->PreviewPage();
                pic = f->PreviewPicture();
                preview = widgetOf(f)->grab().toImage();
            },
            true);
        ASSERT_EQ(rec.documents().size(), 1u);
        EXPECT_EQ(rec.documentName(), u"Tessellon: Chromalde Picture");
        ASSERT_EQ(rec.pages().size(), 1u);
        const QImage printed = rec.pages()[0];
        const int pw = rec.printableWidth(), ph = rec.printableHeight();
        const QRect box = inked(printed);
        TPrintPlacement placement;
        placement.UseFull = c.full;
        placement.Centred = c.centred;
        const RECT want = [&] {
            if (c.full) return PrintRect(pw, ph, c.w, c.h, placement);
            placement.WidthPercent = 50;
            placement.HeightPercent = std::trunc(double(c.h) * 50 / c.w * pw / ph);
            return PrintRect(pw, ph, c.w, c.h, placement);
        }();
        EXPECT_EQ(box, QRect(QPoint(want.left, want.top), QPoint(want.right - 1, want.bottom - 1)));
        // The preview's rectangle, scaled from its page to the printer's, is the same one.
        const double sx = double(pw) / (page.right - page.left), sy = double(ph) / (page.bottom - page.top);
        EXPECT_NEAR((pic.left - page.left) * sx, box.left(), sx + 1);
        EXPECT_NEAR((pic.right - page.left) * sx, box.right() + 1, sx + 1);
        EXPECT_NEAR((pic.top - page.top) * sy, box.top(), sy + 1);
        EXPECT_NEAR((pic.bottom - page.top) * sy, box.bottom() + 1, sy + 1);
        // The picture's own colours, not halftoned: its middle pixel.
        const QColor middle = printed.pixelColor(box.center());
        const int px = (box.center().x() - box.left()) * c.w / box.width(),
                  py = (box.center().y() - box.top()) * c.h / box.height();
        const int v = gradient(px, py);
        EXPECT_NEAR(middle.red(), v & 0xFF, 8);
        EXPECT_NEAR(middle.green(), (v >> 8) & 0xFF, 8);
        EXPECT_NEAR(middle.blue(), v >> 16, 8);
        // Side by side for the eye: the dialog and the page.
        QImage sheet(preview.width() + 12 + 300, std::max(preview.height(), 420), QImage::Format_RGB32);
        sheet.fill(Qt::darkGray);
        QPainter p(&sheet);
        p.drawImage(0, 0, preview);
        p.drawImage(preview.width() + 12, 0, printed.scaled(300, 420, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        p.end();
        saveShot(sheet, ("print-recorded-" + std::to_string(n++) + ".png").c_str());
    }
}
