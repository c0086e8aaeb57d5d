#include "platform/codepage.h"
#include "platform/fileapi.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace {

// Sets an environment variable for one test and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

int answer() { return 42; }
int other() { return 7; }

}  // namespace

TEST(Process, ArgumentsAsGiven) {
    const std::vector<std::string> saved = platform::arguments();
    ASSERT_FALSE(saved.empty());  // read from the process when main gave none
    char a0[] = "/opt/prog";
    char a1[] = "two words";
    char a2[] = "\"quoted\"";
    char a3[] = "caf\xC3\xA9";
    char* argv[] = {a0, a1, a2, a3};
    platform::setArguments(4, argv);
    EXPECT_EQ(platform::arguments(), (std::vector<std::string>{"/opt/prog", "two words", "\"quoted\"", "caf\xC3\xA9"}));
    EXPECT_EQ(platform::wideArgument(1), u"two words");
    EXPECT_EQ(platform::wideArgument(3), u"caf\u00E9");
    EXPECT_EQ(platform::wideArgument(4), u"");
    std::vector<char*> back;
    std::vector<std::string> copy = saved;
    for (auto& s : copy) back.push_back(s.data());
    platform::setArguments(static_cast<int>(back.size()), back.data());
}

TEST(Process, ModuleFileNameIsTheRealExecutable) {
    char real[4096];
    const ssize_t n = ::readlink("/proc/self/exe", real, sizeof real);
    ASSERT_GT(n, 0);
    const std::u16string exe = platform::fileNameToWide(std::string(real, static_cast<std::size_t>(n)));
    WCHAR buf[4096];
    EXPECT_EQ(GetModuleFileNameW(nullptr, buf, 4096), exe.size());
    EXPECT_EQ(std::u16string(buf), exe);
    EXPECT_EQ(GetModuleFileNameW(platform::programModule(), buf, 4096), exe.size());
    // Cut without a terminator when it does not fit.
    WCHAR small[5];
    std::fill(std::begin(small), std::end(small), u'#');
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::u16string(small, 4), exe.substr(0, 4));
    EXPECT_EQ(small[4], u'#');
    char a[4096];
    EXPECT_EQ(GetModuleFileNameA(nullptr, a, 4096), static_cast<DWORD>(n));
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(std::uintptr_t{0x1234}), buf, 4096), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleW(nullptr), platform::programModule());
}

TEST(Process, TemporaryFolderFromTheEnvironment) {
    EnvVar tmp("TMP", nullptr), temp("TEMP", nullptr);
    WCHAR buf[512];
    {
        EnvVar dir("TMPDIR", "/var/scratch");
        EXPECT_EQ(GetTempPathW(512, buf), 13u);
        EXPECT_EQ(std::u16string(buf), u"/var/scratch/");
        EXPECT_EQ(GetTempPathW(5, buf), 14u);  // size needed
        char a[64];
        EXPECT_EQ(GetTempPathA(64, a), 13u);
        EXPECT_STREQ(a, "/var/scratch/");
    }
    {
        EnvVar dir("TMPDIR", nullptr);
        EnvVar t("TEMP", "/t/");
        GetTempPathW(512, buf);
        EXPECT_EQ(std::u16string(buf), u"/t/");
    }
    EnvVar none("TMPDIR", "");
    GetTempPathW(512, buf);
    EXPECT_EQ(std::u16string(buf), u"/tmp/");
    EXPECT_EQ(GetWindowsDirectoryW(buf, 512), 1u);
    EXPECT_EQ(std::u16string(buf), u"/");
}

TEST(Process, EnvironmentVariables) {
    EnvVar v("TESSELLON_PROBE", "caf\xC3\xA9");
    WCHAR buf[16];
    EXPECT_EQ(GetEnvironmentVariableW(u"TESSELLON_PROBE", buf, 16), 4u);
    EXPECT_EQ(std::u16string(buf), u"caf\u00E9");
    EXPECT_EQ(GetEnvironmentVariableW(u"TESSELLON_PROBE", buf, 2), 5u);
    EXPECT_EQ(GetEnvironmentVariableW(u"TESSELLON_NOT_SET_ANYWHERE", buf, 16), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(::getpid()));
    EXPECT_NE(GetCurrentThreadId(), 0u);
}

TEST(Process, ModulesByNameAndOrdinal) {
    const HMODULE reg = platform::registerModule(u"probe32.dll", {{"Answer", 0, reinterpret_cast<void*>(&answer)},
                                                                  {"", 4, reinterpret_cast<void*>(&other)}});
    const HMODULE h = LoadLibraryW(u"PROBE32");
    ASSERT_EQ(h, reg);
    EXPECT_EQ(LoadLibraryA("/some/folder/Probe32.DLL"), h);
    using Fn = int (*)();
    const auto fn = reinterpret_cast<Fn>(GetProcAddress(h, "Answer"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn(), 42);
    const auto byOrdinal = reinterpret_cast<Fn>(GetProcAddress(h, reinterpret_cast<LPCSTR>(std::uintptr_t{4})));
    ASSERT_NE(byOrdinal, nullptr);
    EXPECT_EQ(byOrdinal(), 7);
    EXPECT_EQ(GetProcAddress(h, "answer"), nullptr);  // entry names are exact
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(h, reinterpret_cast<LPCSTR>(std::uintptr_t{5})), nullptr);
    EXPECT_EQ(LoadLibraryW(u"absent.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleW(u"probe32"), h);
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_FALSE(FreeLibrary(h));  // more frees than loads
}

TEST(Process, StringTableResources) {
    const HMODULE m = platform::registerModule(u"strings-probe", {});
    platform::addStringResource(m, 17, u"Hallo \u20AC");
    platform::addStringResource(m, 31, u"last of block");
    WCHAR buf[32];
    EXPECT_EQ(LoadStringW(m, 17, buf, 32), 7);
    EXPECT_EQ(std::u16string(buf), u"Hallo \u20AC");
    EXPECT_EQ(LoadStringW(m, 17, buf, 4), 3);
    EXPECT_EQ(std::u16string(buf), u"Hal");
    LPCWSTR direct = nullptr;
    EXPECT_EQ(LoadStringW(m, 31, reinterpret_cast<LPWSTR>(&direct), 0), 13);
    ASSERT_NE(direct, nullptr);
    EXPECT_EQ(std::u16string(direct, 13), u"last of block");
    EXPECT_EQ(LoadStringW(m, 18, buf, 32), 0);
    EXPECT_EQ(LoadStringW(m, 99, buf, 32), 0);
    char a[32];
    EXPECT_EQ(LoadStringA(m, 17, a, 32), 9);  // UTF-8 bytes
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    EXPECT_EQ(LoadStringA(m, 17, a, 32), 7);
    EXPECT_STREQ(a, "Hallo \x80");
    ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));

    // The same strings through the resource calls: block 2 holds ids 16 to 31.
    HRSRC res = FindResourceA(m, reinterpret_cast<LPCSTR>(std::uintptr_t{2}), RT_STRING);
    ASSERT_NE(res, nullptr);
    const auto* p = static_cast<const char16_t*>(LockResource(LoadResource(m, res)));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0);    // id 16 is empty
    EXPECT_EQ(p[1], 7);    // id 17
    EXPECT_EQ(p[2], u'H');
    EXPECT_GT(SizeofResource(m, res), 40u);
    EXPECT_EQ(FindResourceA(m, reinterpret_cast<LPCSTR>(std::uintptr_t{9}), RT_STRING), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceW(m, u"LAYOUT", u"NOTYPE"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    platform::addResource(m, u"Layout", u"MainForm", "object X: TForm end");
    res = FindResourceW(m, u"MAINFORM", u"LAYOUT");
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(LockResource(LoadResource(m, res))), SizeofResource(m, res)),
              "object X: TForm end");
}
