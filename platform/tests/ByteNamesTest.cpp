// File names that are not UTF-8: listed, converted between 8-bit and UTF-16 texts and
// back, opened, and recovered from the names that Qt shows.
#include "platform/codepage.h"
#include "platform/fileapi.h"
#include "platform/qtnames.h"
#include "testsupport/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <random>
#include <unistd.h>

namespace {

// A Latin-1 name and a folder with bytes that start no UTF-8 character.
const std::string kFile = "caf\xE9 \x80.bmp";
const std::string kFolder = "\xFF\xFE ordner";

}  // namespace

TEST(ByteNames, EightBitTextsRoundTripEveryByteThroughUtf16) {
    ASSERT_EQ(GetACP(), CP_UTF8);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(platform::wideToAnsi(platform::ansiToWide(one)), one) << b;
    }
    std::mt19937 random(7);
    for (int n = 0; n < 500; ++n) {
        std::string s(static_cast<std::size_t>(random() % 12), '\0');
        for (char& c : s) c = static_cast<char>(random() % 256);
        EXPECT_EQ(platform::wideToAnsi(platform::ansiToWide(s)), s);
    }
    // Valid UTF-8 is plain text; a stray byte is carried as U+DC00 + byte.
    EXPECT_EQ(platform::ansiToWide("caf\xC3\xA9"), u"caf\u00E9");
    EXPECT_EQ(platform::ansiToWide(kFile), u"caf\xDCE9 \xDC80.bmp");
    EXPECT_EQ(platform::ansiToWide(kFile), platform::fileNameToWide(kFile));
}

TEST(ByteNames, ListedNamesOpenInBothForms) {
    testsupport::TempDir dir;
    const std::string folder = dir.file(kFolder);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(testsupport::writeFile(folder + "/" + kFile, {'B', 'M'}));

    WIN32_FIND_DATAW wide{};
    HANDLE find = FindFirstFileW(platform::fileNameToWide(folder + "/*.bmp").c_str(), &wide);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    const std::u16string listed = platform::fileNameToWide(folder) + u"/" + wide.cFileName;
    HANDLE h = CreateFileW(listed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    WIN32_FIND_DATAA narrow{};
    find = FindFirstFileA((folder + "/*.bmp").c_str(), &narrow);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_EQ(std::string(narrow.cFileName), kFile);
    // A wide name turned into 8-bit text names the same file.
    EXPECT_NE(GetFileAttributesA(platform::wideToAnsi(listed).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(DeleteFileA(platform::wideToAnsi(listed).c_str()));
}

TEST(ByteNames, NamesThatQtShowsLeadBackToTheFiles) {
    testsupport::TempDir dir;
    const std::string folder = dir.file(kFolder);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/" + kFile;
    ASSERT_TRUE(testsupport::writeFile(path, {'x'}));
    // What a Qt file dialog hands back: the name decoded with U+FFFD in place of the bytes.
    const QString shown = QFile::decodeName(QByteArray::fromStdString(path));
    ASSERT_TRUE(shown.contains(QChar(0xFFFD)));
    ASSERT_FALSE(QFile::exists(shown));
    EXPECT_EQ(platform::fileNameFromQt(shown), path);
    // Plain names and names that do not exist come back as they are.
    EXPECT_EQ(platform::fileNameFromQt(QString::fromStdString(dir.path())), dir.path());
    EXPECT_EQ(platform::fileNameFromQt(QStringLiteral("/no/such/f\u00E9")), "/no/such/f\xC3\xA9");
    // Two names that Qt shows alike cannot be told apart: that part stays as Qt spelt it.
    ASSERT_TRUE(testsupport::writeFile(folder + "/caf\xE8 \x80.bmp", {'y'}));
    EXPECT_EQ(platform::fileNameFromQt(shown), folder + "/caf\xEF\xBF\xBD \xEF\xBF\xBD.bmp");
    ::unlink((folder + "/caf\xE8 \x80.bmp").c_str());
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
}
