#include "pixwerk/tests/LibraryFormatsSupport.h"
#include "platform/codepage.h"
#include "platform/fileapi.h"
#include "platform/winuser.h"

#include <QDir>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace libformats;

namespace {

UniqueDib open(const std::string& path, int type = PW_BY_EXTENSION, HWND wnd = nullptr) {
    UniqueDib dib;
    OpenDib(dib.out(), path.c_str(), type, wnd);
    if (!dib) {
        EXPECT_GE(DibErrorText(dib.get()).size(), 6u);
    }
    return dib;
}

bool samePicture(const TDib& a, const UniqueDib& b) {
    return b && netpbm::samePixels(netpbm::toRgb(a), netpbm::toRgb(b.get()));
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> out;
    for (const QString& name : QDir(QString::fromStdString(dir)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        out.push_back(name.toStdString());
    return out;
}

// A window whose procedure records the progress messages it gets.
std::vector<int> progressSeen;

LRESULT recordProgress(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PROGRESS) progressSeen.push_back(static_cast<int>(wParam));
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND progressWindow() {
    static const ATOM atom = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = recordProgress;
        wc.lpszClassName = "PixwerkProgressProbe";
        return RegisterClassExA(&wc);
    }();
    EXPECT_NE(atom, 0);
    return CreateWindowExA(0, "PixwerkProgressProbe", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Percentages rise to 100 and end with 0.
void expectProgress(const std::vector<int>& seen) {
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.back(), 0);
    EXPECT_EQ(*std::max_element(seen.begin(), seen.end()), 100);
    for (std::size_t i = 1; i + 1 < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
}

}  // namespace

TEST(PictureFiles, FiltersListTheFormatsInTypeCodeOrder) {
    const std::string save = GetDIBSaveFilter();
    EXPECT_EQ(save.rfind("BMP - Windows, OS/2 Bitmap|*.BMP|DIB - Windows, OS/2 DIB|*.DIB|GIF - ", 0), 0u);
    EXPECT_NE(save.find("|TIF - Tagged image file Format|*.TIF|PNG - Portable Graphics Network|*.PNG"), std::string::npos);
    EXPECT_EQ(std::count(save.begin(), save.end(), '|'), 23) << "twelve pairs";
    const std::string open = GetDIBOpenFilter();
    EXPECT_EQ(open.rfind("All pictures|*.BMP;*.DIB;*.GIF;*.IFF;*.JIF;*.JPG;*.LBM;*.PCX;*.RLE;*.TGA;*.TIF;*.PNG|BMP - ", 0), 0u);
    EXPECT_EQ(open.substr(open.size() - 20), "|All files (*.*)|*.*");
    EXPECT_EQ(open.find("EMF"), std::string::npos);
}

TEST(PictureFiles, ChooseTheFormatByExtensionOrTypeCode) {
    testsupport::TempDir dir;
    const UniqueDib dib = netpbm::testPicture(20, 10, 8);
    const struct {
        std::string name;
        int type;
        pixwerk::Sniffer sniff;
    } cases[] = {{"a.PnG", 0, pixwerk::sniffPng}, {"b.jpeg", 0, pixwerk::sniffJpeg}, {"c.Tif", 0, pixwerk::sniffTiff},
                 {"d.gif", 0, pixwerk::sniffGif},  {"e.bmp", PW_PNG, pixwerk::sniffPng}, {"f", PW_JIF, pixwerk::sniffJpeg}};
    for (const auto& c : cases) {
        const std::string path = dir.file(c.name);
        ASSERT_EQ(SaveDib(dib.get(), path.c_str(), c.type, nullptr), 1) << c.name;
        const Bytes bytes = testsupport::readFile(path);
        EXPECT_TRUE(c.sniff(bytes.data(), bytes.size())) << c.name;
        EXPECT_TRUE(open(path, c.type)) << c.name;
    }
    const std::string unknown = dir.file("g.xyz");
    EXPECT_EQ(SaveDib(dib.get(), unknown.c_str(), 0, nullptr), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(unknown)));
    UniqueDib none;
    EXPECT_EQ(SaveDib(none.get(), dir.file("h.png").c_str(), 0, nullptr), 0) << "no picture";
}

TEST(PictureFiles, OpenByContentWhenItIsAnotherFormat) {
    testsupport::TempDir dir;
    const UniqueDib dib = netpbm::testPicture(24, 16, 4);
    const std::string jpeg = dir.file("poster.stb");
    ASSERT_EQ(SaveDib(dib.get(), jpeg.c_str(), PW_JPG, nullptr), 1);
    EXPECT_EQ(bitsOf(open(jpeg, PW_JIF)), 24) << "the start picture";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(jpeg), QString::fromStdString(dir.file("photo.bmp"))));
    EXPECT_EQ(bitsOf(open(dir.file("photo.bmp"))), 24) << "a JPEG named .bmp";
    EXPECT_EQ(bitsOf(open(dir.file("photo.bmp"), PW_TGA)), 24) << "a JPEG opened as TGA";
    const std::string png = dir.file("p.png");
    ASSERT_EQ(SaveDib(dib.get(), png.c_str(), 0, nullptr), 1);
    ASSERT_TRUE(QFile::rename(QString::fromStdString(png), QString::fromStdString(dir.file("p.gif"))));
    EXPECT_TRUE(samePicture(dib.get(), open(dir.file("p.gif"))));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(dir.file("p.gif")), QString::fromStdString(dir.file("noext"))));
    EXPECT_TRUE(samePicture(dib.get(), open(dir.file("noext"))));
}

TEST(PictureFiles, UnreadableFilesGiveNoPictureAndAText) {
    testsupport::TempDir dir;
    EXPECT_FALSE(open(dir.file("missing.png")));
    EXPECT_FALSE(open(dir.path())) << "a folder";
    EXPECT_FALSE(open(saved(dir, "empty.png", {})));
    EXPECT_FALSE(open(saved(dir, "junk.png", Bytes(100, 0x42))));
    EXPECT_FALSE(open(saved(dir, "junk.xyz", Bytes(5, 0x89))));
    UniqueDib dib;
    OpenDib(dib.out(), nullptr, 0, nullptr);
    EXPECT_FALSE(dib);
}

TEST(PictureFiles, NamesInTheCodePageReachTheFileSystem) {
    testsupport::TempDir dir;
    const UniqueDib dib = netpbm::testPicture(8, 8, 24);
    const std::string path = dir.file("Bild \xC3\xA4\xC3\xB6\xC3\xBC \xE2\x82\xAC.png");
    ASSERT_EQ(SaveDib(dib.get(), path.c_str(), 0, nullptr), 1);
    EXPECT_TRUE(QFile::exists(QString::fromUtf8(path.c_str())));
    EXPECT_TRUE(samePicture(dib.get(), open(path)));
}

TEST(PictureFiles, NamesThatAreNotUtf8OpenAndSave) {
    testsupport::TempDir dir;
    const std::string folder = dir.file("Bilder \xFF\xFE");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const UniqueDib dib = netpbm::testPicture(9, 7, 24);
    const std::string path = folder + "/caf\xE9 \x80.bmp";
    ASSERT_EQ(SaveDib(dib.get(), path.c_str(), 0, nullptr), 1);
    EXPECT_EQ(entries(folder).size(), 0u) << "Qt cannot even list such names";
    EXPECT_TRUE(samePicture(dib.get(), open(path)));
    // The name as the platform lists it in UTF-16 and gives it back as 8-bit text.
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(platform::fileNameToWide(folder + "/*.bmp").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    const std::string again = platform::wideToAnsi(platform::fileNameToWide(folder) + u"/" + data.cFileName);
    EXPECT_EQ(again, path);
    EXPECT_TRUE(samePicture(dib.get(), open(again)));
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
}

TEST(PictureFiles, SavingReplacesTheFileOnlyWhenWritten) {
    testsupport::TempDir dir;
    const UniqueDib first = netpbm::testPicture(30, 20, 8), second = netpbm::testPicture(300, 200, 24);
    const std::string path = dir.file("keep.png");
    ASSERT_EQ(SaveDib(first.get(), path.c_str(), 0, nullptr), 1);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const Bytes old = testsupport::readFile(path);

    // A write that fails on the way (the file size limit) keeps the old file and no rest.
    int result = 1;
    {
        testsupport::FileSizeLimit limit(2000);
        result = SaveDib(second.get(), path.c_str(), 0, nullptr);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testsupport::readFile(path), old);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"keep.png"});

    // A folder that cannot be written: the parent is a file, or (when not root) read-only.
    const std::string blocker = saved(dir, "plain", Bytes{1, 2, 3});
    EXPECT_EQ(SaveDib(first.get(), (blocker + "/x.png").c_str(), 0, nullptr), 0);
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
        EXPECT_EQ(SaveDib(second.get(), path.c_str(), 0, nullptr), 0);
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(testsupport::readFile(path), old);
    }

    // A successful save replaces the file and keeps its permissions.
    ASSERT_EQ(SaveDib(second.get(), path.c_str(), 0, nullptr), 1);
    EXPECT_TRUE(samePicture(second.get(), open(path)));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"keep.png", "plain"}));
}

TEST(PictureFiles, SavingKeepsLinksAndRefusesReadOnlyFiles) {
    testsupport::TempDir dir;
    const UniqueDib first = netpbm::testPicture(12, 10, 8), second = netpbm::testPicture(20, 16, 24);
    ASSERT_EQ(::mkdir(dir.file("pictures").c_str(), 0755), 0);
    const std::string target = dir.file("pictures/real.png");
    ASSERT_EQ(SaveDib(first.get(), target.c_str(), 0, nullptr), 1);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("pictures/real.png", dir.file("link.png").c_str()), 0);
    // Saving under the link replaces the file it points to; the link stays a link.
    ASSERT_EQ(SaveDib(second.get(), dir.file("link.png").c_str(), 0, nullptr), 1);
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("link.png").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_TRUE(samePicture(second.get(), open(target)));
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(entries(dir.file("pictures")), std::vector<std::string>{"real.png"});
    // A picture the user made read-only is not replaced.
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    const Bytes before = testsupport::readFile(target);
    EXPECT_EQ(SaveDib(first.get(), target.c_str(), 0, nullptr), 0);
    EXPECT_EQ(testsupport::readFile(target), before);
}

TEST(PictureFiles, AFifoNamedLikeAPictureIsRefusedWithoutWaiting) {
    testsupport::TempDir dir;
    const std::string fifo = dir.file("photo.jpg");
    ASSERT_TRUE(testsupport::makeFifo(fifo));
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({fifo}, [&] {
        UniqueDib dib;
        OpenDib(dib.out(), fifo.c_str(), 0, nullptr);
        EXPECT_FALSE(dib);
        EXPECT_EQ(DibErrorText(dib.get()), "The file is not a regular file");
    }));
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({fifo}, [&] {
        const UniqueDib dib = netpbm::testPicture(4, 4, 24);
        EXPECT_EQ(SaveDib(dib.get(), fifo.c_str(), 0, nullptr), 0);
    }));
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(PictureFiles, ReportProgressToTheWindow) {
    testsupport::TempDir dir;
    const HWND wnd = progressWindow();
    ASSERT_NE(wnd, nullptr);
    const UniqueDib dib = netpbm::testPicture(50, 120, 24);
    for (const char* name : {"p.png", "p.jpg", "p.tif", "p.gif"}) {
        const std::string path = dir.file(name);
        progressSeen.clear();
        ASSERT_EQ(SaveDib(dib.get(), path.c_str(), 0, wnd), 1);
        expectProgress(progressSeen);
        progressSeen.clear();
        EXPECT_TRUE(open(path, 0, wnd)) << name;
        expectProgress(progressSeen);
        progressSeen.clear();
        EXPECT_TRUE(open(path, 0, nullptr));
        EXPECT_EQ(SaveDib(dib.get(), path.c_str(), 0, nullptr), 1);
        EXPECT_TRUE(progressSeen.empty()) << "a null window gets nothing";
    }
    // Run-length packed BMP files of 8 and 4 bits end with the end-of-picture code instead
    // of the last row's end-of-line code: the bar still reaches 100.
    for (const int bits : {8, 4}) {
        const UniqueDib palette = netpbm::testPicture(40, 60, bits);
        const std::string path = dir.file("p" + std::to_string(bits) + ".rle");
        ASSERT_EQ(SaveDib(palette.get(), path.c_str(), 0, nullptr), 1);
        ASSERT_EQ(testsupport::readFile(path)[30], bits == 8 ? 1 : 2);  // BI_RLE8, BI_RLE4
        progressSeen.clear();
        EXPECT_TRUE(samePicture(palette.get(), open(path, 0, wnd))) << bits;
        expectProgress(progressSeen);
    }
    progressSeen.clear();
    EXPECT_FALSE(open(dir.file("missing.png"), 0, wnd));
    EXPECT_EQ(progressSeen, std::vector<int>{0}) << "a failed open still clears the bar";
    DestroyWindow(wnd);
}

namespace {
// A stream that notes how many progress messages had come when its first byte was written.
struct FirstWrite {
    std::size_t progressBefore = 0;
    bool written = false;
};

ssize_t noteFirstWrite(void* cookie, const char*, size_t size) {
    auto* note = static_cast<FirstWrite*>(cookie);
    if (!note->written) note->progressBefore = progressSeen.size();
    note->written = true;
    return static_cast<ssize_t>(size);
}
}  // namespace

TEST(PictureFiles, GifSaveShowsProgressWhileReducingTheColours) {
    const HWND wnd = progressWindow();
    ASSERT_NE(wnd, nullptr);
    // Far more than 256 colours, so the reduction runs its median cut and diffusion.
    UniqueDib dib;
    newdib(dib.out(), 200, 150, 24, nullptr, 0);
    for (int y = 0; y < 150; ++y) {
        BYTE* row = pixwerk::rowFromTop(dib.get(), y);
        for (int x = 0; x < 200; ++x) {
            row[3 * x] = static_cast<BYTE>(x * 7 + y), row[3 * x + 1] = static_cast<BYTE>(y * 5 + x * x), row[3 * x + 2] = static_cast<BYTE>(x ^ y);
        }
    }
    FirstWrite note;
    cookie_io_functions_t io{nullptr, noteFirstWrite, nullptr, nullptr};
    std::FILE* file = fopencookie(&note, "w", io);
    ASSERT_NE(file, nullptr);
    std::setvbuf(file, nullptr, _IONBF, 0);
    progressSeen.clear();
    pixwerk::Progress progress(wnd);
    EXPECT_TRUE(pixwerk::encodeGif(dib.get(), file, PW_GIF, progress));
    std::fclose(file);
    ASSERT_TRUE(note.written);
    // The bar moves before the first byte of the file is written...
    ASSERT_GE(note.progressBefore, 20u);
    const std::vector<int> reducing(progressSeen.begin(), progressSeen.begin() + static_cast<std::ptrdiff_t>(note.progressBefore));
    EXPECT_TRUE(std::is_sorted(reducing.begin(), reducing.end()));
    EXPECT_GE(reducing.back(), 50);
    // ...and goes on rising to 100 while the rows are written.
    EXPECT_TRUE(std::is_sorted(progressSeen.begin(), progressSeen.end()));
    EXPECT_EQ(progressSeen.back(), 100);
    DestroyWindow(wnd);
}
