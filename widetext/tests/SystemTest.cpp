#include "classlib/SysUtils.h"

#include <sys/stat.h>
#include <unistd.h>
#include "widetext/WideClasses.h"
#include "platform/codepage.h"
#include "platform/shellapi.h"
#include "testsupport/TestSupport.h"
#include "widetext/WideSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Runs each test on both branches of the wrappers: UTF-16 windows on and off.
class Wrappers : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        platform::setUnicodeWindows(GetParam());
        saved_ = platform::collationLocaleName();
        platform::setCollationLocale("de_DE");
    }
    void TearDown() override {
        platform::setUnicodeWindows(true);
        platform::setCollationLocale(saved_);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
    bool wide() const { return GetParam(); }
    testsupport::TempDir dir;
    WideString path(const std::string& name) const { return platform::fileNameToWide(dir.file(name)); }

private:
    std::string saved_;
};

class System : public ::testing::Test {
protected:
    void TearDown() override {
        platform::setUnicodeWindows(true);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Branches, Wrappers, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Utf16" : "Ansi"; });

TEST_P(Wrappers, NamesThatAreNotUtf8ListOpenAndSaveOnBothBranches) {
    const std::string folder = dir.file("\xFF ordner");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(testsupport::writeFile(folder + "/caf\xE9.txt", {'a', '\n'}));
    WIN32_FIND_DATAW data{};
    const WideString pattern = platform::fileNameToWide(folder) + u"/*.txt";
    HANDLE find = WideApiFindFirstFile(pattern.c_str(), data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_EQ(WideString(data.cFileName), u"caf\xDCE9.txt");
    const WideString listed = WideExtractFilePath(pattern) + data.cFileName;
    EXPECT_TRUE(WideFileExistsByAttr(listed));
    EXPECT_TRUE(WideDirectoryExistsByAttr(WideExtractFileDir(listed)));
    HANDLE h = WideFileOpen(listed, fmOpenRead | fmShareDenyNone);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    // A wide list saved under such a name and read back.
    TWideStringList list;
    list.Add(listed);
    const WideString copy = WideExtractFilePath(listed) + u"\xDCFE copy.txt";
    list.SaveToFile(copy);
    EXPECT_TRUE(testsupport::readFile(folder + "/\xFE copy.txt").size() > 2);
    TWideStringList back;
    back.LoadFromFile(copy);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0], listed);
    EXPECT_TRUE(WideDeleteFileByName(copy));
    EXPECT_TRUE(WideDeleteFileByName(listed));
    ::rmdir(folder.c_str());
}

TEST_P(Wrappers, PlatformSwitch) { EXPECT_EQ(PlatformHasWideApi(), wide()); }

TEST_P(Wrappers, FilesByWideName) {
    const WideString name = path("caf\u00E9 \u4E2D.txt");
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    HANDLE h = WideFileCreate(name);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    // The 8-bit branch loses the character that code page 1252 does not hold.
    const std::string onDisk = dir.file(wide() ? "caf\xC3\xA9 \xE4\xB8\xAD.txt" : "caf\xC3\xA9 ?.txt");
    EXPECT_EQ(::access(onDisk.c_str(), F_OK), 0);
    EXPECT_TRUE(WideFileExistsByAttr(name));  // the 8-bit branch finds its own lossy name
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    const WideString utf8Name = path("\u4E2D\u00E9");
    h = WideFileCreate(utf8Name);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "xyz", 3, &n, nullptr));
    CloseHandle(h);
    EXPECT_TRUE(WideFileExistsByAttr(utf8Name));
    EXPECT_FALSE(WideDirectoryExistsByAttr(utf8Name));
    EXPECT_TRUE(WideDirectoryExistsByAttr(platform::fileNameToWide(dir.path())));
    EXPECT_FALSE(WideFileExistsByAttr(platform::fileNameToWide(dir.path())));
    EXPECT_EQ(WideFileGetAttr(path("none")), INVALID_FILE_ATTRIBUTES);

    // Open modes: access in the low bits, sharing in the high nibble.
    h = WideFileOpen(utf8Name, 0x20);  // read, others may read
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WideFileOpen(utf8Name, 0x01), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    HANDLE again = WideFileOpen(utf8Name, 0x40);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
    CloseHandle(h);
    for (UINT bad : {0x50u, 0x60u, 0xF0u, 0x03u}) {
        EXPECT_EQ(WideFileOpen(utf8Name, bad), INVALID_HANDLE_VALUE) << bad;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    h = WideFileOpen(utf8Name, 0x42);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[4] = {};
    ASSERT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_STREQ(buf, "xyz");
    CloseHandle(h);
    EXPECT_TRUE(WideDeleteFileByName(utf8Name));
    EXPECT_FALSE(WideDeleteFileByName(utf8Name));
    EXPECT_EQ(WideFileOpen(utf8Name, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_P(Wrappers, FindFiles) {
    ASSERT_TRUE(testsupport::writeFile(dir.file("b\xC3\xA9.txt"), {'1', '2'}));
    ASSERT_TRUE(testsupport::writeFile(dir.file("a.TXT"), {'1'}));
    WIN32_FIND_DATAW d{};
    HANDLE h = WideApiFindFirstFile(path("*.txt").c_str(), d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WideString(d.cFileName), u"a.TXT");
    EXPECT_EQ(d.nFileSizeLow, 1u);
    EXPECT_EQ(d.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(d.ftLastWriteTime.dwHighDateTime, 0u);
    ASSERT_TRUE(WideApiFindNextFile(h, d));
    EXPECT_EQ(WideString(d.cFileName), u"b\u00E9.txt");
    EXPECT_EQ(d.nFileSizeLow, 2u);
    EXPECT_FALSE(WideApiFindNextFile(h, d));
    FindClose(h);
}

TEST_P(Wrappers, CompareString) {
    const LCID lcid = GetThreadLocale();
    // Flags 0: by code unit on the 8-bit branch, by the locale on the other.
    EXPECT_EQ(WideApiCompareString(lcid, 0, u"Zebra", -1, u"apfel", -1), wide() ? CSTR_GREATER_THAN : CSTR_LESS_THAN);
    EXPECT_EQ(WideApiCompareString(lcid, 0, u"ab", 2, u"abc", 3), CSTR_LESS_THAN);
    EXPECT_EQ(WideApiCompareString(lcid, 0, u"abX", 2, u"abY", 2), CSTR_EQUAL);
    EXPECT_EQ(WideApiCompareString(lcid, NORM_IGNORECASE, u"\u00C4RGER", -1, u"\u00E4rger", -1), CSTR_EQUAL);
    EXPECT_EQ(WideApiCompareString(lcid, NORM_IGNORECASE, u"Zebra", -1, u"apfel", -1), CSTR_GREATER_THAN);
    EXPECT_EQ(WideCompareTextLocale(u"HALLO", u"hallo"), 0);
    EXPECT_TRUE(WideSameTextLocale(u"Stra\u00DFe", u"STRA\u00DFE"));
    EXPECT_FALSE(WideSameStrLocale(u"a", u"A"));
    EXPECT_LT(WideCompareStrLocale(u"a", u"b"), 0);
    EXPECT_GT(WideCompareTextLocale(u"b", u"A"), 0);
}

TEST_P(Wrappers, UpperCase) {
    auto one = [](WCHAR c) {
        return static_cast<WCHAR>(reinterpret_cast<std::uintptr_t>(
            WideApiCharUpper(reinterpret_cast<WCHAR*>(static_cast<std::uintptr_t>(c)))));
    };
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    EXPECT_EQ(one(u'\u00E9'), u'\u00C9');
    EXPECT_EQ(one(u'q'), u'Q');
    // U+0101 has no byte in code page 1252: only the UTF-16 branch upper-cases it.
    EXPECT_EQ(one(u'\u0101'), wide() ? u'\u0100' : u'\u0101');
    WCHAR text[] = u"stra\u00DFe \u00E9\u0101";
    WideApiCharUpper(text);
    EXPECT_EQ(WideString(text), wide() ? u"STRA\u00DFE \u00C9\u0100" : u"STRA\u00DFE \u00C9\u0101");
    WCHAR buff[] = u"abc";
    EXPECT_EQ(WideApiCharUpperBuff(buff, 2), 2u);
    EXPECT_EQ(WideString(buff), u"ABc");
    EXPECT_EQ(WideUpperCaseLocale(u"gr\u00FC\u00DFe"), u"GR\u00DC\u00DFE");
}

TEST_P(Wrappers, CharacterTypes) {
    for (WCHAR c : WideString(u"$+<=>^`|~!,.;:-()")) EXPECT_TRUE(WideIsPunct(c)) << static_cast<int>(c);
    for (WCHAR c : WideString(u"aZ09 ")) EXPECT_FALSE(WideIsPunct(c)) << static_cast<int>(c);
    EXPECT_TRUE(WideIsSpace(u' '));
    EXPECT_TRUE(WideIsSpace(u'\t'));
    EXPECT_FALSE(WideIsSpace(u'x'));
    // One word per character also when the 8-bit form of the character has three bytes.
    WORD types[2] = {0, 0xBEEF};
    ASSERT_TRUE(WideApiGetStringTypeEx(GetThreadLocale(), CT_CTYPE1, u"\u20AC", 1, types));
    EXPECT_TRUE(types[0] & C1_PUNCT);
    EXPECT_EQ(types[1], 0xBEEF);
}

TEST_P(Wrappers, ModuleTempAndSystemFolders) {
    WCHAR buf[4096];
    const DWORD n = WideApiGetModuleFileName(nullptr, buf, 4096);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(WideString(buf, n), WideGetModuleFileName(nullptr));
    WCHAR cut[8];
    EXPECT_EQ(WideApiGetModuleFileName(nullptr, cut, 4), 4u);  // cut, no terminator
    EXPECT_EQ(WideString(cut, 4), WideString(buf, 4));
    EXPECT_THROW(WideGetModuleFileName(reinterpret_cast<HMODULE>(std::uintptr_t{0x777})), EOSError);

    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", "/var/tmp7", 1);
    EXPECT_EQ(WideApiGetTempPath(4096, buf), 10u);
    EXPECT_EQ(WideString(buf), u"/var/tmp7/");
    WCHAR small[10];
    const DWORD needed = WideApiGetTempPath(10, small);
    EXPECT_EQ(needed, 11u);
    if (!wide()) {
        EXPECT_EQ(WideString(small), u"/var/tmp7");  // exactly the size: the 8-bit rule cuts one
    }
    small[0] = u'#';
    EXPECT_EQ(WideApiGetTempPath(5, small), 11u);
    if (!wide()) {
        EXPECT_EQ(small[0], 0);  // too small: an empty text
    }
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(WideApiGetWindowsDirectory(buf, 4096), 1u);
    EXPECT_EQ(WideString(buf), u"/");
}

TEST_P(Wrappers, LibrariesAndStrings) {
    const HMODULE m = platform::registerModule(u"wrapper-probe.dll", {});
    EXPECT_EQ(WideApiLoadLibrary(u"WRAPPER-PROBE"), m);
    EXPECT_EQ(WideApiLoadLibrary(u"not-there"), nullptr);
    platform::addStringResource(m, 21, u"Zw\u00F6lf \u4E2D");
    WCHAR buf[32];
    EXPECT_EQ(WideApiLoadString(m, 21, buf, 32), 7);
    EXPECT_EQ(WideString(buf), u"Zw\u00F6lf \u4E2D");
    EXPECT_EQ(WideApiLoadString(m, 21, buf, 3), 2);
    EXPECT_EQ(WideString(buf), u"Zw");
    EXPECT_EQ(WideApiLoadString(m, 21, nullptr, 0), 7);  // the length
    EXPECT_EQ(WideApiLoadString(m, 22, buf, 32), 0);
    FreeLibrary(m);
}

TEST_P(Wrappers, WindowText) {
    HWND wnd = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    EXPECT_TRUE(WideApiSetWindowText(wnd, u"caf\u00E9 \u4E2D"));
    WCHAR buf[32];
    GetWindowTextW(wnd, buf, 32);
    EXPECT_EQ(WideString(buf), wide() ? u"caf\u00E9 \u4E2D" : u"caf\u00E9 ?");
    DestroyWindow(wnd);
}

TEST_P(Wrappers, DrawTextCountsCharacters) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    RECT all{0, 0, 0, 0}, one{0, 0, 0, 0}, a{0, 0, 0, 0};
    EXPECT_GT(WideApiDrawText(dc, u"WWW", -1, all, DT_CALCRECT | DT_SINGLELINE), 0);
    EXPECT_GT(WideApiDrawText(dc, u"WWW", 1, one, DT_CALCRECT | DT_SINGLELINE), 0);
    EXPECT_GT(WideApiDrawText(dc, u"W", -1, a, DT_CALCRECT | DT_SINGLELINE), 0);
    EXPECT_EQ(one.right, a.right);
    EXPECT_GT(all.right, one.right);
    DeleteDC(dc);
}

TEST_P(Wrappers, ShellEntryPointsComeFromTheShellLibrary) {
    static int marker;
    platform::registerModule(u"shell32.dll", {{"SHFileOperationW", 0, &marker},
                                              {"SHBrowseForFolderW", 0, &marker},
                                              {"SHGetPathFromIDListW", 0, &marker},
                                              {"SHGetFileInfoW", 0, &marker}});
    EXPECT_EQ(WideShellEntryPoint("SHGetFileInfoW"), &marker);
    EXPECT_THROW(WideShellEntryPoint("SHOther"), EOSError);
}

TEST_F(System, FormatInUtf16) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));  // nothing is narrowed through it
    EXPECT_EQ(WideFormatText(u"%s: %s", {u"Datei", WideString(u"\u4E2D\u6587")}), u"Datei: \u4E2D\u6587");
    EXPECT_EQ(WideFormatText(u"[%5s|%-5s|%.2s]", {u"\u4E2D", u"ab", u"xyz"}), u"[    \u4E2D|ab   |xy]");
    EXPECT_EQ(WideFormatText(u"%d %.3d %d", {-42, 7, 1234567890123LL}), u"-42 007 1234567890123");
    EXPECT_EQ(WideFormatText(u"%x %.4X %u", {255, 10, -1}), u"FF 000A 4294967295");
    EXPECT_EQ(WideFormatText(u"%x", {-1}), u"FFFFFFFF");
    EXPECT_EQ(WideFormatText(u"%.2f|%f|%8.1f", {3.14159, 2.0, -1.25}), u"3.14|2.00|    -1.3");
    EXPECT_EQ(WideFormatText(u"%n", {1234567.891}), u"1,234,567.89");
    EXPECT_EQ(WideFormatText(u"%e", {1234.5}), u"1.23450000000000E+003");
    EXPECT_EQ(WideFormatText(u"%.3e", {-0.000125}), u"-1.25E-004");
    EXPECT_EQ(WideFormatText(u"%g|%g", {0.5, 100.0}), u"0.5|100");
    // Digits come from the class library's Format, so both agree.
    for (long double v : {1e20L, 1.5e-7L, -0.125L, 123456.789L})
        for (const char* f : {"%g", "%e", "%.3n", "%.1f", "%12.4e"})
            EXPECT_EQ(WideFormatText(platform::ansiToWide(f), {v}), platform::ansiToWide(Format(f, {v}))) << f;
    EXPECT_EQ(WideFormatText(u"%m", {1234.5}), u"1,234.50");
    EXPECT_EQ(WideFormatText(u"%1:s %0:s %s", {u"a", u"b"}), u"b a b");
    EXPECT_EQ(WideFormatText(u"%*d|%-*d|%.*f", {4, 7, 3, 8, 1, 2.25}), u"   7|8  |2.3");
    EXPECT_EQ(WideFormatText(u"100%%", {}), u"100%");
}

TEST_F(System, FormatErrors) {
    EXPECT_THROW(WideFormatText(u"%d", {u"text"}), EConvertError);
    EXPECT_THROW(WideFormatText(u"%s", {12}), EConvertError);
    EXPECT_THROW(WideFormatText(u"%f", {12}), EConvertError);
    EXPECT_THROW(WideFormatText(u"%s %s", {u"one"}), EConvertError);
    EXPECT_THROW(WideFormatText(u"%q", {1}), EConvertError);
    EXPECT_THROW(WideFormatText(u"%5", {1}), EConvertError);
}

TEST_F(System, Replace) {
    EXPECT_EQ(WideStringReplace(u"cat catalog", u"cat", u"dog", wrfReplaceAll, true), u"dog catalog");
    EXPECT_EQ(WideStringReplace(u"cat catalog", u"cat", u"dog", wrfReplaceAll, false), u"dog dogalog");
    EXPECT_EQ(WideStringReplace(u"concat (cat), cat", u"cat", u"dog", wrfReplaceAll, true), u"concat (dog), dog");
    EXPECT_EQ(WideStringReplace(u"a a a", u"a", u"b", 0), u"b a a");
    EXPECT_EQ(WideStringReplace(u"Cat CAT cat", u"cat", u"dog", wrfReplaceAll | wrfIgnoreCase), u"dog dog dog");
    EXPECT_EQ(WideStringReplace(u"Cat CAT cat", u"cat", u"dog", wrfReplaceAll), u"Cat CAT dog");
    // Upper-casing keeps lengths: "ß" stays one unit and the positions stay right.
    EXPECT_EQ(WideStringReplace(u"\u00DF\u00DFa b", u"A", u"x", wrfReplaceAll | wrfIgnoreCase), u"\u00DF\u00DFx b");
    EXPECT_EQ(WideStringReplace(u"stra\u00DFe", u"E", u"en", wrfIgnoreCase), u"stra\u00DFen");
    EXPECT_EQ(WideStringReplace(u"text", u"", u"x", wrfReplaceAll), u"text");
    EXPECT_EQ(WideStringReplace(u"", u"a", u"x", wrfReplaceAll), u"");
    // The character before a match at the start of the rest is the last one written.
    EXPECT_EQ(WideStringReplace(u"..", u".", u"x", wrfReplaceAll, true), u"x.");
}

TEST_F(System, PathsWithSlashes) {
    EXPECT_EQ(WideExtractFileDrive(u"/dir/file"), u"");
    EXPECT_EQ(WideExtractFileDrive(u"//server/share/dir/file"), u"");
    EXPECT_EQ(WideExtractFileDrive(u"c:/dir"), u"");  // no drive letters
    EXPECT_EQ(WideExtractFileDrive(u"dir/file"), u"");
    EXPECT_EQ(WideExtractFileDir(u"/"), u"/");
    EXPECT_EQ(WideExtractFileDir(u"/dir/"), u"/dir");
    EXPECT_EQ(WideExtractFileDir(u"/dir/file.txt"), u"/dir");
    EXPECT_EQ(WideExtractFileDir(u"/file"), u"/");
    EXPECT_EQ(WideExtractFileDir(u"file"), u"");
    EXPECT_EQ(WideExtractFilePath(u"/a/b.c"), u"/a/");
    EXPECT_EQ(WideExtractFilePath(u"b.c"), u"");
    EXPECT_EQ(WideExtractFileName(u"/a/b:c.txt"), u"b:c.txt");  // the colon is an ordinary character
    EXPECT_EQ(WideExtractFileName(u"/a/"), u"");
    EXPECT_EQ(WideExtractFileExt(u"/a.b/file"), u"");
    EXPECT_EQ(WideExtractFileExt(u"/x/pic.tar.GZ"), u".GZ");
    EXPECT_EQ(WideExtractFileExt(u"name."), u".");
    EXPECT_EQ(WideIncludeTrailingBackslash(u"/a"), u"/a/");
    EXPECT_EQ(WideIncludeTrailingBackslash(u"/a/"), u"/a/");
    EXPECT_EQ(WideIncludeTrailingBackslash(u""), u"/");
    EXPECT_EQ(WideExcludeTrailingBackslash(u"/a/"), u"/a");
    EXPECT_EQ(WideExcludeTrailingBackslash(u"/a//"), u"/a/");
    EXPECT_EQ(WideExcludeTrailingBackslash(u"/a"), u"/a");
}

TEST_F(System, CharactersAndNullTerminatedTexts) {
    EXPECT_EQ(WideLastChar(u"abc"), u'c');
    EXPECT_EQ(WideLastChar(u""), 0);
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    EXPECT_TRUE(CharIsAnsi(u'\u00E9'));
    EXPECT_TRUE(CharIsAnsi(u'\u20AC'));
    EXPECT_FALSE(CharIsAnsi(u'\u4E2D'));
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    EXPECT_TRUE(CharIsAnsi(u'\u4E2D'));

    WCHAR* p = WideStrNew(u"hello");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(WideStrLen(p), 5u);
    EXPECT_EQ(WideStrBufSize(p), 6u);
    EXPECT_EQ(WideStrEnd(p), p + 5);
    EXPECT_EQ(WideStrScan(p, u'l'), p + 2);
    EXPECT_EQ(WideStrScan(p, 0), p + 5);  // the terminator counts
    EXPECT_EQ(WideStrScan(p, u'z'), nullptr);
    WideStrDispose(p);
    EXPECT_EQ(WideStrNew(nullptr), nullptr);
    EXPECT_EQ(WideStrLen(nullptr), 0u);

    WCHAR buf[8];
    WideStrLCopyBuf(buf, u"abcdefghij", 4);
    EXPECT_EQ(WideString(buf), u"abcd");
    WideStrPLCopy(buf, "caf\xC3\xA9!", 4);
    EXPECT_EQ(WideString(buf), u"caf\u00E9");
    WCHAR moving[] = u"abcdef";
    WideStrMove(moving + 1, moving, 3);
    EXPECT_EQ(WideString(moving), u"aabcef");
    EXPECT_EQ(CheckWin32Result(5), 5u);
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_THROW(CheckWin32Result(0), EOSError);
}

TEST_P(Wrappers, ShellFileInformation) {
    ASSERT_TRUE(testsupport::writeFile(dir.file("caf\xC3\xA9.txt"), {'1'}));
    ASSERT_TRUE(testsupport::writeFile(dir.file("\xE4\xB8\xAD.txt"), {'1'}));
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    const UINT flags = SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_ATTRIBUTES | SHGFI_SYSICONINDEX;
    SHFILEINFOW expected{};
    SHFILEINFOW info{};
    ASSERT_NE(SHGetFileInfoW(path("caf\u00E9.txt").c_str(), 0, &expected, sizeof expected, flags), 0u);
    ASSERT_NE(WideApiSHGetFileInfo(path("caf\u00E9.txt").c_str(), 0, info, sizeof info, flags), 0u);
    EXPECT_EQ(WideString(info.szDisplayName), WideString(expected.szDisplayName));
    EXPECT_EQ(WideString(info.szTypeName), WideString(expected.szTypeName));
    EXPECT_EQ(info.iIcon, expected.iIcon);
    EXPECT_EQ(info.dwAttributes, expected.dwAttributes);
    EXPECT_NE(WideString(info.szDisplayName).find(u"caf\u00E9"), WideString::npos);
    // A name outside the code page is lost on the 8-bit branch.
    info.iIcon = 77;
    const DWORD_PTR r = WideApiSHGetFileInfo(path("\u4E2D.txt").c_str(), 0, info, sizeof info, SHGFI_DISPLAYNAME);
    if (wide()) {
        EXPECT_NE(r, 0u);
        EXPECT_NE(WideString(info.szDisplayName).find(u"\u4E2D"), WideString::npos);
    } else {
        EXPECT_EQ(r, 0u);
        EXPECT_EQ(info.iIcon, 0);  // the record is cleared
        EXPECT_EQ(info.szDisplayName[0], 0);
    }
}
