// The poster window: its start in a temporary program folder, its option rules, the effect
// menu, the progress bar, the picture buttons and closing.
#include "pixwerk/codec.h"
#include "platform/msgbox.h"
#include "platform/shellexec.h"
#include "platform/winuser.h"
#include "poster/About.h"
#include "poster/Filters.h"
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "poster/ProgramFolder.h"
#include "poster/tests/PosterWindowFixture.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const std::string StartPicture = std::string(TESSELLON_SOURCE_DIR) + "/app/poster.stb";

class PosterWindow : public PosterWindowFixture {
protected:
    void copyStartPicture() { ASSERT_TRUE(writeFile(dir.file("poster.stb"), readFile(StartPicture))); }
};

bool isWhite(const TDib& dib) {
    const auto size = dib.Info->bmiHeader.biSizeImage;
    for (DWORD i = 0; i < size; ++i)
        if (dib.Bits[i] != 255) return false;
    return true;
}

TEST_F(PosterWindow, StartsWithoutAnyFileOfItsFolder) {
    create();
    // The missing start picture is reported once and the blank picture stays.
    ASSERT_EQ(boxes.shown().size(), 1u);
    const std::string message = "Error: The file poster.stb could not be loaded!";
    const auto& box = boxes.shown()[0];
    EXPECT_TRUE(boxes.texts()[0] == message || boxes.captions()[0] == message);
    EXPECT_EQ(box.buttons(), UINT(MB_OK));
    EXPECT_EQ(box.icon(), 0u);
    ASSERT_TRUE(form->Dib);
    EXPECT_EQ(DibWidth(form->Dib.get()), 320);
    EXPECT_EQ(DibHeight(form->Dib.get()), 200);
    EXPECT_EQ(DibBitCount(form->Dib.get()), 24);
    EXPECT_TRUE(isWhite(form->Dib.get()));
    // No preferred folders; the options as laid out, which are also the defaults.
    EXPECT_EQ(form->PrefListBox->Items()->Count(), 0);
    TOptionsRec now;
    form->ReadinOptions(now);
    EXPECT_EQ(now, form->Defaults);
    EXPECT_TRUE(form->SchnittCheck->Checked());
    EXPECT_EQ(form->Caption(), "Tessellon 4.5");
    EXPECT_EQ(form->FilterComboBox1->Masks().size(), 15u);
    EXPECT_GE(form->QualiED->Value(), 10);
}

TEST_F(PosterWindow, StartsWithPictureFoldersAndSavedOptions) {
    copyStartPicture();
    writeFile(dir.file("folders.dat"), {'/', 'p', '/', '\n', '/', 'q', '/', '\n'});
    TOptionsRec saved;
    saved.Doppelt = true;
    saved.UseAll = true;
    saved.SpaltenWeise = true;
    saved.PrintAll = true;
    saved.Klrand = true;
    saved.Krandxl = 12;
    saved.Krandyl = 7.5;
    ASSERT_TRUE(WriteOptionsFile(dir.file("options.dat"), saved));
    const auto foldersBefore = readFile(dir.file("folders.dat"));

    create();
    EXPECT_TRUE(boxes.shown().empty());
    // The start picture is installed but does not join the preferred folders.
    EXPECT_NE(DibWidth(form->Dib.get()), 320);
    EXPECT_EQ(form->Breit->Caption(), std::to_string(DibWidth(form->Dib.get())) + " Pixel");
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 2);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), "/p/");
    EXPECT_EQ(readFile(dir.file("folders.dat")), foldersBefore);
    // The saved options are in the controls and flags; the defaults are the layout's.
    TOptionsRec now;
    form->ReadinOptions(now);
    EXPECT_TRUE(now.Doppelt);
    EXPECT_TRUE(now.SpaltenWeise);
    EXPECT_FALSE(now.ZeilenWeise);
    EXPECT_DOUBLE_EQ(now.Krandxl, 12);
    EXPECT_DOUBLE_EQ(now.Krandyl, 7.5);
    EXPECT_TRUE(form->UseAll);
    EXPECT_FALSE(form->Defaults.Doppelt);
    EXPECT_NE(form->Defaults, saved);

    // "Set to default" puts the layout's values back; "Open" brings the file's again.
    form->SpeedButton3Click(nullptr);
    form->ReadinOptions(now);
    EXPECT_EQ(now, form->Defaults);
    form->SpeedButton2Click(nullptr);
    form->ReadinOptions(now);
    EXPECT_TRUE(now.Doppelt);
    EXPECT_EQ(boxes.texts().back(), "All options were loaded from the file...");
}

TEST_F(PosterWindow, OptionsSavedAndOpenedRestoreEveryValue) {
    create();
    form->DoppeltCheck->SetChecked(true);
    form->ZentrCheck->SetChecked(false);
    form->RadioButton3->SetChecked(true);
    form->KrandxlEd->SetValue(20);
    TOptionsRec before;
    form->ReadinOptions(before);
    form->SpeedButton1Click(nullptr);
    EXPECT_EQ(boxes.texts().back(), "All options were saved to the file...");
    EXPECT_EQ(readFile(dir.file("options.dat")).size(), 32u);
    form->SpeedButton3Click(nullptr);
    form->SpeedButton2Click(nullptr);
    TOptionsRec after;
    form->ReadinOptions(after);
    EXPECT_EQ(after, before);

    // A file whose percentages lie outside the edits' range keeps the current ones.
    TOptionsRec odd = before;
    odd.Krandxl = 150;
    odd.Krandyl = -3;
    odd.Schnitt = !before.Schnitt;
    ASSERT_TRUE(WriteOptionsFile(dir.file("options.dat"), odd));
    form->SpeedButton2Click(nullptr);
    form->ReadinOptions(after);
    EXPECT_DOUBLE_EQ(after.Krandxl, before.Krandxl);
    EXPECT_DOUBLE_EQ(after.Krandyl, before.Krandyl);
    EXPECT_EQ(after.Schnitt, odd.Schnitt);
}

TEST_F(PosterWindow, WithoutMemoryForTheBlankPictureTheWindowStartsWithNone) {
    pixwerk::setAllocationLimit(1000);
    create();
    pixwerk::setAllocationLimit(0);
    ASSERT_FALSE(boxes.texts().empty());
    EXPECT_EQ(boxes.texts()[0], "Error: Not enough memory for this function!!!");
    EXPECT_EQ(boxes.captions()[0], "Error");
    EXPECT_EQ(boxes.shown()[0].icon(), UINT(MB_ICONERROR));
    EXPECT_FALSE(form->Dib);
    // Every view and layout step copes with a record without pixels.
    form->SetBounds(0, 0, 1366, 740);
    form->Show();
    for (int i = 0; i < form->ViewPages->PageCount(); ++i) {
        form->ViewPages->SetActivePageIndex(i);
        widgetOf(form)->grab();
    }
    form->BreitEd->SetValue(3);
    form->by_anpassen();
    EXPECT_FALSE(form->Dib);
}

TEST_F(PosterWindow, UpdateOptionsEnablesTheGlueEdgeControls) {
    create();
    TControl* glueControls[] = {form->KlPrintCheck, form->NoKlRCheck, form->KrandxlEd, form->KrandylEd,
                                form->Edit1,        form->Edit2,      form->CutHintsCheck};
    form->KlrandCheck->SetChecked(false);
    for (TControl* c : glueControls) EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_TRUE(form->KlebeCheck->Enabled());
    EXPECT_FALSE(form->Klrand);
    form->KlrandCheck->SetChecked(true);
    for (TControl* c : glueControls) EXPECT_TRUE(c->Enabled()) << c->Name();
    EXPECT_TRUE(form->Klrand);

    // "Use page fully" fixes the page increment at 1 and disables IncEd.
    form->IncEd->SetValue(0.25);
    form->UseAllCheck->SetChecked(true);
    EXPECT_FALSE(form->IncEd->Enabled());
    EXPECT_EQ(form->BreitEd->Increment(), 1);
    EXPECT_EQ(form->HochEd->Increment(), 1);
    form->UseAllCheck->SetChecked(false);
    EXPECT_TRUE(form->IncEd->Enabled());
    EXPECT_DOUBLE_EQ(static_cast<double>(form->HochEd->Increment()), 0.25);
}

TEST_F(PosterWindow, PrintingOnTheGlueEdgeChecksStickingLinesWithOneNestedRun) {
    create();
    form->KlebeCheck->SetChecked(false);
    EXPECT_FALSE(form->Klebe);
    const int before = form->UpdateOptionsRuns;
    form->KlPrintCheck->SetChecked(true);  // fires UpdateOptions, which checks KlebeCheck
    EXPECT_TRUE(form->KlebeCheck->Checked());
    EXPECT_TRUE(form->Klebe);
    EXPECT_TRUE(form->KlPrint);
    EXPECT_EQ(form->UpdateOptionsRuns - before, 2) << "the click and one nested run";
}

TEST_F(PosterWindow, EffectMenuHoldsTheFourteenFilters) {
    create();
    TMenuItem* items = form->EffektPopup->Items();
    ASSERT_EQ(items->Count(), PosterEffectCount);
    const char* captions[] = {"Soften",          "Weakly soften",         "Strongly soften",     "Sharpen",
                              "Strongly sharpen", "Grease",               "Lithograph",          "Psychdist",
                              "Emphasize edges", "Find edges",            "Find horizontal edges",
                              "Find vertical edges", "Emboss",           "Emboss vertically"};
    for (int i = 0; i < PosterEffectCount; ++i) {
        EXPECT_EQ(items->Items(i)->Caption(), captions[i]);
        EXPECT_TRUE(items->Items(i)->OnClick == TNotifyEvent(form, &TMainForm::EffektClick)) << i;
        EXPECT_TRUE(items->Items(i)->Enabled()) << i;
    }
}

// The navy columns of the progress panel's middle row.
int navyWidth(TMainForm* form) {
    const QImage image = platform::windowWidget(form->StatusBar1->Handle())->grab().toImage();
    const RECT panel = form->StatusBar1->PanelRect(0);
    const int y = (panel.top + panel.bottom) / 2;
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, y) & 0xFFFFFF) == 0x000080) ++n;
    return n;
}

TEST_F(PosterWindow, ProgressBarGrowsAndClearsForALowerValue) {
    create();
    form->SetBounds(0, 0, 1366, 740);
    form->Show();
    const RECT panel = form->StatusBar1->PanelRect(0);
    const int width = panel.right - panel.left;
    ASSERT_GT(width, 0);
    EXPECT_EQ(navyWidth(form), 0);
    form->SetProSatus(60);
    EXPECT_NEAR(navyWidth(form), width * 60 / 100, 2);
    form->SetProSatus(80);
    EXPECT_NEAR(navyWidth(form), width * 80 / 100, 2);
    form->SetProSatus(80);
    EXPECT_NEAR(navyWidth(form), width * 80 / 100, 2);
    form->SetProSatus(30);  // lower: the panel is painted afresh
    EXPECT_NEAR(navyWidth(form), width * 30 / 100, 2);
    // Progress messages of the raster library reach the bar.
    SendMessageA(form->Handle(), WM_PROGRESS, 50, 0);
    EXPECT_EQ(form->ProgressPercent, 50);
    form->SetProSatus(0);
    EXPECT_EQ(navyWidth(form), 0);
}

TEST_F(PosterWindow, PictureButtonShowsItsPressedImageWhileHeldInside) {
    create();
    form->SetBounds(0, 0, 1366, 740);
    form->Show();
    TImage* normal = form->EndeBtn;
    TImage* down = form->EndeBtnDown;
    QWidget* w = widgetOf(normal->Parent());
    const QPoint inside(normal->Left() + 20, normal->Top() + 20);
    const QPoint outside(normal->Left() + 20, normal->Top() + normal->Height() + 15);
    ASSERT_TRUE(normal->Visible());
    ASSERT_FALSE(down->Visible());

    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_TRUE(down->Visible());
    EXPECT_FALSE(normal->Visible());
    EXPECT_TRUE(form->PictureButtonOf(normal)->Held);
    QTest::mouseMove(w, outside);
    EXPECT_FALSE(down->Visible()) << "dragged off";
    EXPECT_TRUE(normal->Visible());
    QTest::mouseMove(w, inside);
    EXPECT_TRUE(down->Visible()) << "dragged back";
    // Releasing inside runs the command (quit), whose question is answered Cancel.
    boxes.answer(IDCANCEL);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_TRUE(normal->Visible());
    EXPECT_FALSE(down->Visible());
    EXPECT_FALSE(form->PictureButtonOf(normal)->Held);
    ASSERT_FALSE(boxes.texts().empty());
    EXPECT_EQ(boxes.texts().back(), "You are leaving Tessellon now...");
    EXPECT_TRUE(form->Visible()) << "Cancel keeps the window";
    EXPECT_FALSE(Application->Terminated());
}

TEST_F(PosterWindow, QuitAnsweredOkEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    create();
    form->Show();
    boxes.answer(IDCANCEL);
    form->Close();
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(Application->Terminated());
    // Ending the program is seen in a child process, so this one keeps its message loop.
    EXPECT_EXIT(
        {
            boxes.answer(IDOK);
            form->Close();
            const auto& box = boxes.shown().back();
            const bool asked = boxes.captions().back() == "Quit program" && box.buttons() == UINT(MB_OKCANCEL) &&
                               box.icon() == UINT(MB_ICONINFORMATION);
            std::exit(asked && Application->Terminated() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(PosterWindow, OpeningAPictureAddsItsFolderToThePreferredFolders) {
    create();
    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("holiday.jpg"), readFile(StartPicture)));
    writeFile(pictures.file("broken.jpg"), {'n', 'o', 'p', 'e'});
    const String folder = pictures.path() + "/";
    form->SetSelectedFolder(pictures.path());
    boxes.clear();
    form->openfilenow("holiday.jpg");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(DibWidth(form->Dib.get()), 1200);
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 1);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), folder);
    EXPECT_EQ(ReadFolderList(dir.file("folders.dat")), std::vector<String>{folder});

    // A damaged file leaves the picture and the list as they were and says why.
    form->openfilenow("broken.jpg");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.captions()[0], "Error: The file broken.jpg could not be loaded!");
    EXPECT_GE(boxes.texts()[0].size(), 6u);
    EXPECT_EQ(DibWidth(form->Dib.get()), 1200);
    EXPECT_EQ(form->PrefListBox->Items()->Count(), 1);
}

QListWidget* listWidgetOf(TWinControl* c) { return qobject_cast<QListWidget*>(platform::windowWidget(c->Handle())); }

TEST_F(PosterWindow, PicksAPictureInTheFileListByDoubleClickOrEnter) {
    std::vector<std::string> opened;
    const auto previous = platform::setShellOpenHandler([&](const std::string&, const std::string& url) {
        opened.push_back(url);
        return true;
    });
    create();
    // The lists start in the program folder, which holds the start picture.
    EXPECT_EQ(form->NavShellTree1->SelectedFolder(), platform::fileNameToWide(dir.path()));
    EXPECT_EQ(form->SelectedFolder(), dir.path() + "/");
    EXPECT_EQ(form->NavShellList1->Filter(), AnsiToWide(form->FilterComboBox1->Masks()[0]));
    form->SetBounds(0, 0, 1366, 740);
    form->Show();

    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("holiday.JPG"), readFile(StartPicture)));
    ASSERT_TRUE(QImage(40, 30, QImage::Format_RGB32).save(QString::fromStdString(pictures.file("small.bmp")), "BMP"));
    writeFile(pictures.file("notes.txt"), {'n'});
    // Choosing the folder in the folder tree shows its pictures in the file list.
    form->SetSelectedFolder(pictures.path());
    EXPECT_EQ(form->NavShellTree1->SelectedFolder(), platform::fileNameToWide(pictures.path()));
    EXPECT_EQ(form->SelectedFolder(), pictures.path() + "/");
    ASSERT_EQ(listedFiles(), (std::vector<String>{"holiday.JPG", "small.bmp"}));

    boxes.clear();
    doubleClickFile("holiday.JPG");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(DibWidth(form->Dib.get()), 1200);
    EXPECT_EQ(form->Breit->Caption(), "1200 Pixel");
    EXPECT_EQ(form->Hoch->Caption(), std::to_string(DibHeight(form->Dib.get())) + " Pixel");
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 1);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), pictures.path() + "/");

    // Enter opens the chosen file too, once: the list runs no verb of its own.
    QWidget* view = widgetOf(form->NavShellList1);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down);
    ASSERT_EQ(form->NavShellList1->Selected(), form->NavShellList1->Item(listIndexOf("small.bmp")));
    QTest::keyClick(view, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(form->Breit->Caption(), "40 Pixel");
    EXPECT_EQ(form->Hoch->Caption(), "30 Pixel");
    EXPECT_EQ(form->PrefListBox->Items()->Count(), 1) << "the same folder stays on top once";
    EXPECT_TRUE(opened.empty()) << "no desktop program was asked to open " << opened.front();
    platform::setShellOpenHandler(previous);
}

TEST_F(PosterWindow, TheFilterChoosesTheListedFiles) {
    create();
    TempDir pictures;
    for (const char* name : {"a.bmp", "b.JPG", "c.png", "d.txt", "E.BMP"}) writeFile(pictures.file(name), {'x'});
    form->SetSelectedFolder(pictures.path());
    EXPECT_EQ(listedFiles(), (std::vector<String>{"a.bmp", "b.JPG", "c.png", "E.BMP"}));
    ASSERT_TRUE(form->FilterComboBox1->OnChange);  // bound by the layout
    chooseFilter(1);  // "BMP - Windows, OS/2 Bitmap"
    EXPECT_EQ(form->NavShellList1->Filter(), u"*.BMP");
    EXPECT_EQ(listedFiles(), (std::vector<String>{"a.bmp", "E.BMP"}));
    chooseFilter(12);  // PNG
    EXPECT_EQ(listedFiles(), std::vector<String>{"c.png"});
    chooseFilter(14);  // all files
    EXPECT_EQ(listedFiles().size(), 5u);
}

TEST_F(PosterWindow, APreferredFolderOpensInBothLists) {
    create();
    form->SetBounds(0, 0, 1366, 740);
    form->Show();
    TempDir pictures;
    ASSERT_TRUE(writeFile(pictures.file("holiday.jpg"), readFile(StartPicture)));
    form->SetSelectedFolder(pictures.path());
    boxes.clear();
    form->openfilenow("holiday.jpg");
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 1);
    EXPECT_EQ(ReadFolderList(dir.file("folders.dat")), std::vector<String>{pictures.path() + "/"});

    form->SetSelectedFolder("/");
    form->PicturePages->SetActivePageIndex(1);
    QListWidget* prefs = listWidgetOf(form->PrefListBox);
    ASSERT_NE(prefs, nullptr);
    form->PrefListBox->SetItemIndex(0);
    emit prefs->itemDoubleClicked(prefs->item(0));
    EXPECT_EQ(form->NavShellTree1->SelectedFolder(), platform::fileNameToWide(pictures.path()));
    EXPECT_EQ(form->NavShellList1->Path(), platform::fileNameToWide(pictures.path() + "/"));
    EXPECT_EQ(listedFiles(), std::vector<String>{"holiday.jpg"});
    EXPECT_EQ(form->PicturePages->ActivePage(), form->NavShellTree1Panel->Parent()) << "the lists are shown";

    // A preferred folder that is gone is reported and the lists stay where they are.
    TempDir other;
    const String gone = other.path() + "/gone/";
    ASSERT_TRUE(CreateDir(gone));
    form->AddToPrefFolders(gone);
    ASSERT_TRUE(RemoveDir(gone));
    form->PicturePages->SetActivePageIndex(1);
    form->PrefListBox->SetItemIndex(0);
    prefs->setFocus();
    QTest::keyClick(prefs, Qt::Key_Return);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("Folder not found: " + other.path() + "/gone"), std::string::npos);
    EXPECT_EQ(form->NavShellTree1->SelectedFolder(), platform::fileNameToWide(pictures.path()));
    EXPECT_EQ(form->SelectedFolder(), pictures.path() + "/");
}

TEST_F(PosterWindow, HelpAndWebButtonsOpenTheUserGuide) {
    writeFile(dir.file("tessellon4.chm"), {'I', 'T', 'S', 'F'});
    create();
    std::vector<std::string> opened;
    auto previous = platform::setShellOpenHandler([&](const std::string& verb, const std::string& url) {
        opened.push_back(verb + " " + url);
        return true;
    });
    form->HelpBtnClick(nullptr);
    form->wwwBtn0Click(nullptr);
    platform::setShellOpenHandler(previous);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[0].find("tessellon4.chm"), std::string::npos) << opened[0];
    EXPECT_EQ(opened[0].rfind("open ", 0), 0u);
    EXPECT_EQ(opened[1], opened[0]);
}

TEST_F(PosterWindow, AboutBoxNamesTheProgramAndVersion) {
    auto* box = new TAboutBox(Application);
    EXPECT_EQ(box->ProductName->Caption(), "Tessellon");
    EXPECT_EQ(box->Version->Caption(), "Version 4.5");
    EXPECT_EQ(box->OKButton->ModalResult(), 1);
    box->Free();
}

}  // namespace

TEST_F(PosterWindow, StartsWithoutWaitingOnFifosNamedLikeItsFiles) {
    const std::vector<std::string> fifos = {dir.file("poster.stb"), dir.file("options.dat"), dir.file("folders.dat")};
    for (const std::string& f : fifos) ASSERT_TRUE(makeFifo(f));
    EXPECT_TRUE(returnsWithoutWaiting(fifos, [&] { create(); }));
    ASSERT_TRUE(form);
    EXPECT_EQ(DibWidth(form->Dib.get()), 320);  // the blank picture stays
    EXPECT_EQ(form->PrefListBox->Items()->Count(), 0);
}

TEST_F(PosterWindow, AReadOnlyOptionsFileIsReportedNotReplaced) {
    create();
    form->SpeedButton1Click(nullptr);
    ASSERT_EQ(boxes.texts().back(), "All options were saved to the file...");
    const auto saved = readFile(dir.file("options.dat"));
    ASSERT_EQ(::chmod(dir.file("options.dat").c_str(), 0444), 0);
    form->DoppeltCheck->SetChecked(!form->DoppeltCheck->Checked());
    form->SpeedButton1Click(nullptr);
    EXPECT_EQ(boxes.texts().back(), "Could not create file options.dat!");
    EXPECT_EQ(boxes.shown().back().icon(), UINT(MB_ICONERROR));
    EXPECT_EQ(readFile(dir.file("options.dat")), saved);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("options.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(PosterWindow, StartsQuicklyWithALongPreferredFoldersFile) {
    // 20,000 different folders, newest first: the newest 1,000 are kept.
    std::string lines;
    for (int i = 0; i < 20000; ++i) lines += "/pictures/folder " + std::to_string(i) + "/\n";
    ASSERT_TRUE(writeFile(dir.file("folders.dat"), std::vector<unsigned char>(lines.begin(), lines.end())));
    QElapsedTimer timer;
    timer.start();
    create();
    if (testsupport::TimingChecked()) {
        EXPECT_LT(timer.elapsed(), 1000);
    }
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 1000);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), "/pictures/folder 0/");
    EXPECT_EQ(form->PrefListBox->Items()->Strings(999), "/pictures/folder 999/");
    // Rewriting keeps the limit: the oldest entry goes.
    form->AddToPrefFolders("/new/");
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 1000);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), "/new/");
    EXPECT_EQ(form->PrefListBox->Items()->Strings(999), "/pictures/folder 998/");
    const auto written = readFile(dir.file("folders.dat"));
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1000);
}

TEST_F(PosterWindow, StartsWithATenMegabyteFoldersFile) {
    // One line of 10 MB and many short repeated ones.
    std::string text(10 * 1024 * 1024, 'x');
    text = "/" + text + "/\n";
    for (int i = 0; i < 50000; ++i) text += "/same/\n";
    ASSERT_TRUE(writeFile(dir.file("folders.dat"), std::vector<unsigned char>(text.begin(), text.end())));
    QElapsedTimer timer;
    timer.start();
    create();
    if (testsupport::TimingChecked()) {
        EXPECT_LT(timer.elapsed(), 2000);
    }
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 1);  // no folder path is 10 MB long
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), "/same/");
}

TEST_F(PosterWindow, OpensAPictureWhoseNameAndFolderAreNotUtf8) {
    create();
    form->SetBounds(0, 0, 1366, 740);
    form->Show();
    TempDir pictures;
    const std::string folder = pictures.file("Urlaub \xFF\xFE");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string picture = folder + "/caf\xE9.bmp";
    ASSERT_TRUE(writeFile(picture, readFile(StartPicture)));
    form->SetSelectedFolder(folder);
    ASSERT_EQ(listedFiles(), std::vector<String>{"caf\xE9.bmp"});
    boxes.clear();
    doubleClickFile("caf\xE9.bmp");
    EXPECT_TRUE(boxes.shown().empty()) << (boxes.texts().empty() ? "" : boxes.texts()[0]);
    EXPECT_EQ(DibWidth(form->Dib.get()), 1200);
    // The folder joins the preferred folders as its bytes, and opens from there again.
    ASSERT_EQ(form->PrefListBox->Items()->Count(), 1);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), folder + "/");
    EXPECT_EQ(ReadFolderList(dir.file("folders.dat")), std::vector<String>{folder + "/"});
    ::unlink(picture.c_str());
    ::rmdir(folder.c_str());
}
