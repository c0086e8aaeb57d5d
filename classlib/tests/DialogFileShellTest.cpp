// File dialogs through their seam, their filter texts, and ShellExecute through its seam.
#include "classlib/Dialogs.h"
#include "platform/shellexec.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(FileDialog, TheSeamSeesTheSettingsAndItsAnswerIsApplied) {
    TSaveDialog dlg(nullptr);
    dlg.SetFilter("BMP-Dateien|*.bmp|All files|*.*");
    dlg.SetDefaultExt("bmp");
    dlg.SetInitialDir("/tmp/pics");
    dlg.SetTitle("Save picture");
    dlg.SetFileName("old.bmp");
    String seenTitle, seenDir, seenName;
    int seenIndex = 0;
    bool seenSave = false;
    TFileDialogAnswer next;
    bool accept = true;
    TFileDialogHandler old = SetFileDialogHandler([&](TOpenDialog* d, TFileDialogAnswer& a) {
        seenTitle = d->Title();
        seenDir = d->InitialDir();
        seenName = d->FileName();
        seenIndex = a.FilterIndex;
        seenSave = d->IsSaveDialog();
        a = next;
        return accept;
    });
    next.Names = {"/tmp/pics/poster"};
    next.FilterIndex = 1;
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(seenTitle, "Save picture");
    EXPECT_EQ(seenDir, "/tmp/pics");
    EXPECT_EQ(seenName, "old.bmp");
    EXPECT_EQ(seenIndex, 1);
    EXPECT_TRUE(seenSave);
    // A name without extension gets the default one; a name with one keeps it.
    EXPECT_EQ(dlg.FileName(), "/tmp/pics/poster.bmp");
    next.Names = {"/tmp/pics.d/page.png"};
    next.FilterIndex = 2;
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.FileName(), "/tmp/pics.d/page.png");
    EXPECT_EQ(dlg.FilterIndex(), 2);
    next.Names = {"/tmp/pics.d/page"};
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.FileName(), "/tmp/pics.d/page.bmp");
    // Cancelled: false, and the old answer stays.
    accept = false;
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.FileName(), "/tmp/pics.d/page.bmp");
    // An open dialog with several files.
    TOpenDialog open(nullptr);
    open.SetOptions(open.Options() | ofAllowMultiSelect);
    accept = true;
    next.Names = {"/a/one.bmp", "/a/two.bmp"};
    next.FilterIndex = 1;
    ASSERT_TRUE(open.Execute());
    EXPECT_FALSE(seenSave);
    EXPECT_EQ(open.Files()->Count(), 2);
    EXPECT_EQ(open.FileName(), "/a/one.bmp");
    SetFileDialogHandler(old);
}

TEST(FileDialog, FiltersBecomeQtNameFiltersThatIgnoreCase) {
    const QStringList f = FilterToQtNameFilters("All pictures|*.BMP;*.JPG|Bitmap|*.bmp|Odd");
    ASSERT_EQ(f.size(), 2);
    EXPECT_EQ(f[0].toStdString(), "All pictures (*.BMP *.bmp *.JPG *.jpg)");
    EXPECT_EQ(f[1].toStdString(), "Bitmap (*.bmp *.BMP)");
    TOpenDialog d(nullptr);
    d.SetFilter("A|*.a|B|*.b");
    ASSERT_EQ(d.FilterEntries().size(), 2u);
    EXPECT_EQ(d.FilterEntries()[1].second, "*.b");
    EXPECT_EQ(d.FilterIndex(), 1);
}

TEST(ShellExecute, OpensThroughTheSeamAndReportsFailures) {
    testsupport::TempDir dir;
    const std::string file = dir.file("tessellon4.chm");
    testsupport::writeFile(file, std::vector<unsigned char>{'x'});
    std::vector<std::pair<std::string, std::string>> calls;
    bool answer = true;
    platform::ShellOpenHandler old = platform::setShellOpenHandler([&](const std::string& verb, const std::string& url) {
        calls.emplace_back(verb, url);
        return answer;
    });
    auto code = [](HINSTANCE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)); };
    EXPECT_GT(code(ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL)), 32);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, "open");
    EXPECT_EQ(calls[0].second, "file://" + file);
    // A relative name is taken from the directory; the UTF-16 form works the same.
    const std::string dirPath = dir.path();
    const std::u16string dirW(dirPath.begin(), dirPath.end());
    EXPECT_GT(code(ShellExecuteW(nullptr, u"open", u"tessellon4.chm", nullptr, dirW.c_str(), SW_SHOWNORMAL)), 32);
    EXPECT_EQ(calls.back().second, "file://" + file);
    // Web addresses go as they are.
    EXPECT_GT(code(ShellExecuteA(nullptr, nullptr, "https://example.org/help", nullptr, nullptr, 1)), 32);
    EXPECT_EQ(calls.back().second, "https://example.org/help");
    // Failures: a missing file or folder, an unknown verb, no program that took it.
    const std::size_t n = calls.size();
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", dir.file("none.chm").c_str(), nullptr, nullptr, 1)), SE_ERR_FNF);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", (dir.path() + "/no/x.chm").c_str(), nullptr, nullptr, 1)),
              SE_ERR_PNF);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "print", file.c_str(), nullptr, nullptr, 1)), SE_ERR_NOASSOC);
    EXPECT_EQ(calls.size(), n);
    answer = false;
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, 1)), SE_ERR_NOASSOC);
    // A name that is not UTF-8 opens too: the URL carries its bytes percent-encoded.
    answer = true;
    const std::string odd = dir.file("caf\xE9 hilfe.chm");
    testsupport::writeFile(odd, std::vector<unsigned char>{'x'});
    EXPECT_GT(code(ShellExecuteA(nullptr, "open", odd.c_str(), nullptr, nullptr, 1)), 32);
    EXPECT_EQ(calls.back().second, "file://" + dir.path() + "/caf%E9%20hilfe.chm");
    EXPECT_GT(code(ShellExecuteW(nullptr, u"open", u"caf\xDCE9 hilfe.chm", nullptr, dirW.c_str(), 1)), 32);
    EXPECT_EQ(calls.back().second, "file://" + dir.path() + "/caf%E9%20hilfe.chm");
    platform::setShellOpenHandler(old);
}
