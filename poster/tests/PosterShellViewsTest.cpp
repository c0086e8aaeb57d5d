// The poster window's folder tree and file list over real folders in a temporary home:
// desktop icons, pictures opened from the list's own folder, changes made by other
// processes, and a shown folder that goes away.
#include "platform/tests/ShellTestEnv.h"
#include "platform/shellexec.h"
#include "poster/tests/PosterWindowFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>

#include <set>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const std::string StartPicture = std::string(TESSELLON_SOURCE_DIR) + "/app/poster.stb";

class PosterShellViews : public PosterWindowFixture {
protected:
    void SetUp() override {
        PosterWindowFixture::SetUp();
        ASSERT_TRUE(writeFile(dir.file("poster.stb"), readFile(StartPicture)));
        pictures = env.home + "/pictures";
        ::mkdir(pictures.c_str(), 0755);
        ::mkdir((pictures + "/holidays").c_str(), 0755);
        picture(pictures + "/beach.png", 64, 48);
        picture(pictures + "/Mountain.JPG", 40, 30);
        shelltest::write(pictures + "/notes.txt", "notes");
        previousOpener = platform::setShellOpenHandler([this](const std::string&, const std::string& url) {
            opened.push_back(url);
            return true;
        });
    }
    void TearDown() override {
        PosterWindowFixture::TearDown();
        platform::setShellOpenHandler(previousOpener);
    }
    static void picture(const std::string& path, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(QString::fromStdString(path)));
    }
    static void pump() {
        platform::processPendingMessages();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    static bool waitFor(const std::function<bool()>& done, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) pump();
        return done();
    }
    void open() {
        create();
        form->SetBounds(0, 0, 1366, 740);
        form->Show();
        form->PicturePages->SetActivePage(qobject_cast<TTabSheet*>(form->NavShellTree1Panel->Parent()));
        form->SetSelectedFolder(pictures);
        pump();
    }
    TNavShellListItem* item(const WideString& caption) const {
        for (int i = 0; i < form->NavShellList1->Items()->Count(); ++i)
            if (form->NavShellList1->Item(i)->Caption() == caption) return form->NavShellList1->Item(i);
        return nullptr;
    }
    void drawLists() {
        widgetOf(form->NavShellList1)->grab();
        widgetOf(form->NavShellTree1)->grab();
        pump();
    }

    shelltest::ShellEnv env;
    std::string pictures;
    platform::ShellOpenHandler previousOpener;
    std::vector<std::string> opened;
};

}  // namespace

TEST_F(PosterShellViews, FoldersPicturesTextsAndLinksShowTheirDesktopIcons) {
    ASSERT_EQ(::symlink((pictures + "/beach.png").c_str(), (pictures + "/beach link.png").c_str()), 0);
    open();
    EXPECT_EQ(form->NavShellTree1->SelectedFolder(), platform::fileNameToWide(pictures));
    EXPECT_EQ(form->SelectedFolder(), pictures + "/");
    EXPECT_EQ(item(u"notes.txt"), nullptr) << "all pictures, at first";
    chooseFilter(form->FilterComboBox1->Items()->Count() - 1);  // all files
    drawLists();
    TNavShellListItem* folder = item(u"holidays");
    TNavShellListItem* png = item(u"beach.png");
    TNavShellListItem* jpg = item(u"Mountain.JPG");
    TNavShellListItem* txt = item(u"notes.txt");
    TNavShellListItem* link = item(u"beach link.png");
    ASSERT_TRUE(folder && png && jpg && txt && link);
    const std::set<int> icons{folder->ImageIndex(), png->ImageIndex(), jpg->ImageIndex(), txt->ImageIndex()};
    EXPECT_EQ(icons.size(), 4u) << "a folder, two kinds of pictures and a text each have their own icon";
    EXPECT_GT(link->OverlayIndex(), 0);
    EXPECT_LE(png->OverlayIndex(), 0);
    // The tree's selected folder shows the open folder icon.
    TNavShellTreeNode* node = form->NavShellTree1->Selected();
    ASSERT_TRUE(node);
    EXPECT_NE(node->ImageIndex(), node->SelectedIndex());
    // The columns of the details view.
    ASSERT_GE(form->NavShellList1->Columns()->Count(), 4);
    EXPECT_EQ(form->NavShellList1->Column(0)->Caption(), u"Name");

    const char* dir = std::getenv("TESSELLON_SHOT_DIR");
    if (dir && *dir) {
        widgetOf(form)->grab().save(QString::fromUtf8(dir) + "/poster-shell-views.png");
        QPixmap lists = widgetOf(form->NavShellTree1->Parent()->Parent())->grab();
        lists.scaled(lists.size() * 2).save(QString::fromUtf8(dir) + "/poster-shell-views-lists.png");
    }
}

TEST_F(PosterShellViews, APictureOpensFromTheFolderTheListShowsEvenWhereTheTreeCannotFollow) {
    // A hidden folder: the tree does not show it, the list does.
    const std::string secret = pictures + "/.secret";
    ::mkdir(secret.c_str(), 0755);
    picture(secret + "/hidden.png", 30, 20);
    open();
    form->SetSelectedFolder(secret);
    EXPECT_EQ(form->NavShellList1->Path(), platform::fileNameToWide(secret + "/"));
    EXPECT_NE(form->NavShellTree1->SelectedFolder(), platform::fileNameToWide(secret)) << "the tree stays behind";
    EXPECT_EQ(form->SelectedFolder(), secret + "/");
    boxes.clear();
    doubleClickFile("hidden.png");
    EXPECT_TRUE(boxes.shown().empty()) << (boxes.texts().empty() ? "" : boxes.texts()[0]);
    EXPECT_EQ(form->Breit->Caption(), "30 Pixel");
    ASSERT_GE(form->PrefListBox->Items()->Count(), 1);
    EXPECT_EQ(form->PrefListBox->Items()->Strings(0), secret + "/");
    EXPECT_TRUE(opened.empty());

    // A folder link entered in the list: the tree follows, and its picture opens.
    const std::string elsewhere = env.home + "/elsewhere";
    ::mkdir(elsewhere.c_str(), 0755);
    picture(elsewhere + "/far.png", 12, 10);
    ASSERT_EQ(::symlink(elsewhere.c_str(), (pictures + "/to elsewhere").c_str()), 0);
    form->SetSelectedFolder(pictures);
    doubleClickFile("to elsewhere");
    EXPECT_EQ(form->NavShellList1->Path(), platform::fileNameToWide(pictures + "/to elsewhere/"));
    EXPECT_EQ(form->NavShellTree1->SelectedFolder(), platform::fileNameToWide(pictures + "/to elsewhere"));
    doubleClickFile("far.png");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(form->Breit->Caption(), "12 Pixel");
}

TEST_F(PosterShellViews, FilesMadeByAnotherProcessAppearAndAGoneFolderLeavesTheViewsSomewhere) {
    open();
    const std::string holidays = pictures + "/holidays";
    form->SetSelectedFolder(holidays);
    ASSERT_EQ(form->NavShellList1->Items()->Count(), 0);
    ASSERT_EQ(std::system(("touch '" + holidays + "/new.png' '" + holidays + "/other.jpg'").c_str()), 0);
    ASSERT_TRUE(waitFor([&] { return form->NavShellList1->Items()->Count() == 2; }, 2000));
    ASSERT_EQ(std::system(("rm '" + holidays + "/other.jpg'").c_str()), 0);
    ASSERT_TRUE(waitFor([&] { return form->NavShellList1->Items()->Count() == 1; }, 2000));

    // The shown folder goes: the tree moves up, the list to an existing folder, nothing
    // opens from a folder that is gone.
    ASSERT_EQ(std::system(("rm -r '" + holidays + "'").c_str()), 0);
    ASSERT_TRUE(waitFor([&] { return form->NavShellTree1->SelectedFolder() == platform::fileNameToWide(pictures); }, 3000))
        << platform::wideToFileName(form->NavShellTree1->SelectedFolder());
    ASSERT_TRUE(waitFor([&] {
        const WideString path = form->NavShellList1->Path();
        return path.empty() || PathExists(path);
    }, 3000));
    const String folder = form->SelectedFolder();
    EXPECT_TRUE(folder.empty() || DirectoryExists(folder)) << folder;
    pump();
}
