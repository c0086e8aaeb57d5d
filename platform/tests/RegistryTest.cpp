// The per-user registry: values of every type through the hive file, case rules, buffer
// rules, access and roots, a second process, damaged files and failed writes.
#include "platform/registry.h"
#include "testsupport/TestSupport.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        hive = dir.file("config/tessellon/registry.ini");
        platform::setRegistryHive(hive);
    }
    void TearDown() override {
        EXPECT_EQ(platform::openRegistryKeys(), 0u);
        platform::setRegistryHive(std::string());
    }
    HKEY create(const char* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, access, nullptr, &k, nullptr), ERROR_SUCCESS);
        return k;
    }
    // Forgets what was read, so the next call reads the file anew.
    void reread() { platform::setRegistryHive(hive); }
    std::string fileText() {
        const std::vector<unsigned char> b = testsupport::readFile(hive);
        return std::string(b.begin(), b.end());
    }
    static std::string helper(const QStringList& args, int* exitCode = nullptr) {
        QProcess p;
        p.start(QStringLiteral(TESSELLON_TEST_HELPER), args);
        p.waitForFinished(30000);
        if (exitCode) *exitCode = p.exitCode();
        return p.readAllStandardOutput().trimmed().toStdString();
    }

    testsupport::TempDir dir;
    std::string hive;
};

LSTATUS setW(HKEY k, const char16_t* name, DWORD type, const void* data, DWORD size) {
    return RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size);
}

Bytes queryW(HKEY k, const char16_t* name, DWORD* type = nullptr) {
    DWORD size = 0;
    if (RegQueryValueExW(k, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return {};
    Bytes b(size);
    EXPECT_EQ(RegQueryValueExW(k, name, nullptr, type, b.data(), &size), ERROR_SUCCESS);
    return b;
}

Bytes wideBytes(std::u16string_view s) {
    Bytes b((s.size() + 1) * 2, 0);
    std::memcpy(b.data(), s.data(), s.size() * 2);
    return b;
}

std::string queryA(HKEY k, const char* name) {
    char buffer[512];
    DWORD size = sizeof buffer, type = 0;
    if (RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) return "<none>";
    EXPECT_EQ(buffer[size - 1], '\0');
    return std::string(buffer, size - 1);
}

TEST_F(Registry, ValuesOfEveryTypeComeBackFromTheFile) {
    HKEY k = create("Software\\Tessellon\\Test");
    const std::u16string text = u" Größe = 100 % \r\n\"quoted\"\t ";
    ASSERT_EQ(setW(k, u"Text", REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2)), ERROR_SUCCESS);
    const std::u16string loneSurrogate = u"a\xD800z";
    ASSERT_EQ(setW(k, u"Odd", REG_SZ, loneSurrogate.c_str(), static_cast<DWORD>(loneSurrogate.size() * 2)),
              ERROR_SUCCESS);  // no terminator given: the text is kept whole
    ASSERT_EQ(setW(k, u"Path", REG_EXPAND_SZ, u"%HOME%/x", 18), ERROR_SUCCESS);
    const char16_t list[] = u"one\0two, three\0\0";
    ASSERT_EQ(setW(k, u"List", REG_MULTI_SZ, list, sizeof list), ERROR_SUCCESS);
    const DWORD dword = 0xFFFFFFFEu;
    ASSERT_EQ(setW(k, u"Count", REG_DWORD, &dword, 4), ERROR_SUCCESS);
    const ULONGLONG qword = 0x0123456789ABCDEFull;
    ASSERT_EQ(setW(k, u"Big", REG_QWORD, &qword, 8), ERROR_SUCCESS);
    const BYTE blob[] = {0, 1, 0xFE, 0xFF, '=', '\n'};
    ASSERT_EQ(setW(k, u"Blob", REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    ASSERT_EQ(setW(k, u"Short", REG_DWORD, blob, 2), ERROR_SUCCESS);
    ASSERT_EQ(setW(k, u"", REG_SZ, u"default", 16), ERROR_SUCCESS);
    ASSERT_EQ(setW(k, u"@", REG_SZ, u"at", 6), ERROR_SUCCESS);
    ASSERT_EQ(setW(k, u" =[x];#", REG_NONE, nullptr, 0), ERROR_SUCCESS);
    RegCloseKey(k);

    // The file is text a person can read.
    const std::string file = fileText();
    EXPECT_NE(file.find("[Software\\Tessellon\\Test]\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Count=dword:4294967294\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Path=expand:%25HOME%25/x\n"), std::string::npos) << file;
    EXPECT_NE(file.find("@=text:default\n"), std::string::npos) << file;

    reread();
    k = create("Software\\Tessellon\\Test");
    DWORD type = 0;
    EXPECT_EQ(queryW(k, u"Text", &type), wideBytes(text));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(queryW(k, u"Odd"), wideBytes(loneSurrogate));
    EXPECT_EQ(queryW(k, u"Path", &type), wideBytes(u"%HOME%/x"));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    // The items, each ended by a null, and one null more (the literal's own null is not kept).
    EXPECT_EQ(queryW(k, u"List"),
              Bytes(reinterpret_cast<const BYTE*>(list), reinterpret_cast<const BYTE*>(list) + sizeof list - 2));
    EXPECT_EQ(queryW(k, u"Count"), Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(queryW(k, u"Big", &type), Bytes({0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_QWORD));
    EXPECT_EQ(queryW(k, u"Blob"), Bytes(blob, blob + sizeof blob));
    EXPECT_EQ(queryW(k, u"Short", &type), Bytes({0, 1}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(queryW(k, u""), wideBytes(u"default"));
    EXPECT_EQ(queryW(k, nullptr), wideBytes(u"default"));
    EXPECT_EQ(queryW(k, u"@"), wideBytes(u"at"));
    EXPECT_TRUE(queryW(k, u" =[x];#", &type).empty());
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    // The 8-bit forms convert from and to the ANSI code page.
    EXPECT_EQ(queryA(k, "Text"), " Größe = 100 % \r\n\"quoted\"\t ");
    char multi[64];
    DWORD size = sizeof multi;
    ASSERT_EQ(RegQueryValueExA(k, "List", nullptr, nullptr, reinterpret_cast<BYTE*>(multi), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(multi, size), std::string("one\0two, three\0\0", 16));
    RegCloseKey(k);
}

TEST_F(Registry, KeyAndValueNamesIgnoreCaseAndKeepIt) {
    HKEY k = create("Software\\MyApp\\TGammaForm");
    HKEY again = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\myapp\\tgammaFORM", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    ASSERT_EQ(RegSetValueExA(again, "Count", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, "COUNT", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2), ERROR_SUCCESS);
    EXPECT_EQ(queryA(k, "count"), "2");
    char name[32];
    DWORD len = sizeof name;
    ASSERT_EQ(RegEnumValueA(k, 0, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, len), "Count");  // the first spelling stays
    EXPECT_EQ(RegEnumValueA(k, 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    // Letters beyond ASCII compare without case too.
    HKEY umlaut = create("Software\\MyApp\\Äpfel");
    HKEY upper = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\MYAPP\\äPFEL", 0, KEY_READ, &upper), ERROR_SUCCESS);
    HKEY parent = create("Software\\myapp");
    len = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(parent, 0, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, len), "TGammaForm");
    len = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(parent, 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, len), "Äpfel");
    for (HKEY h : {k, again, umlaut, upper, parent}) RegCloseKey(h);
    reread();
    HKEY fromFile = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\MYAPP\\TGAMMAFORM", 0, KEY_READ, &fromFile), ERROR_SUCCESS);
    RegCloseKey(fromFile);
    EXPECT_NE(fileText().find("[Software\\MyApp\\TGammaForm]"), std::string::npos);
}

TEST_F(Registry, BuffersSizesAndEnumerationOrder) {
    HKEY k = create("Software\\Sizes");
    for (const char* sub : {"beta", "Alpha", "gamma", "ALPHA2"}) RegCloseKey(create((std::string("Software\\Sizes\\") + sub).c_str()));
    ASSERT_EQ(RegSetValueExA(k, "Wort", 0, REG_SZ, reinterpret_cast<const BYTE*>("Grüße"), 8), ERROR_SUCCESS);
    DWORD size = 0, type = 0;
    EXPECT_EQ(RegQueryValueExA(k, "Wort", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);  // UTF-8 bytes and the terminator
    EXPECT_EQ(RegQueryValueExW(k, u"Wort", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 12u);  // five UTF-16 units and the terminator
    BYTE small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(k, "Wort", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(RegQueryValueExA(k, "Wort", nullptr, &type, small, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(k, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);

    std::vector<std::string> names;
    char name[8];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        const LSTATUS r = RegEnumKeyExA(k, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(r, ERROR_SUCCESS);
        names.emplace_back(name, len);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
    DWORD tiny = 3;
    EXPECT_EQ(RegEnumKeyExA(k, 1, name, &tiny, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxData,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 4u);
    EXPECT_EQ(maxSub, 6u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(maxName, 4u);
    EXPECT_EQ(maxData, 12u);
    RegCloseKey(k);
}

TEST_F(Registry, AccessRightsRootsAndDeletedKeys) {
    HKEY readOnly = create("Software\\Access", KEY_READ);
    EXPECT_EQ(RegSetValueExA(readOnly, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(readOnly, "Sub"), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExA(readOnly, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_ACCESS_DENIED);
    RegCloseKey(readOnly);

    // The machine's keys are empty and cannot be written.
    HKEY machine = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &machine), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_ACCESS_DENIED);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_DYN_DATA, "x", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(reinterpret_cast<HKEY>(0x1234), "x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
    HKEY bad = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &bad), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\\\Access", 0, KEY_READ, &bad), ERROR_BAD_PATHNAME);

    // Only leaves can be deleted; a handle to a deleted key says so.
    HKEY leaf = create("Software\\Access\\Leaf");
    HKEY access = create("Software\\Access");
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Access"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(access, "Leaf"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(access, "Leaf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueExA(leaf, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExA(leaf, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValueA(access, "none"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(leaf);
    RegCloseKey(access);
}

TEST_F(Registry, AnotherProcessReadsOurWritesAndWeReadItsWrites) {
    HKEY k = create("Software\\Shared");
    ASSERT_EQ(RegSetValueExA(k, "FromTest", 0, REG_SZ, reinterpret_cast<const BYTE*>("hello"), 6), ERROR_SUCCESS);
    int rc = -1;
    EXPECT_EQ(helper({"reg-get", QString::fromStdString(hive), "software\\shared", "fromtest"}, &rc), "hello");
    EXPECT_EQ(rc, 0);
    // The helper changes the file; the key we hold open sees it without being reopened.
    EXPECT_EQ(helper({"reg-set", QString::fromStdString(hive), "Software\\Shared", "FromHelper", "Grüße"}), "0");
    EXPECT_EQ(queryA(k, "FromHelper"), "Grüße");
    EXPECT_EQ(queryA(k, "FromTest"), "hello");
    // Our next write keeps the helper's value.
    ASSERT_EQ(RegSetValueExA(k, "Second", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2), ERROR_SUCCESS);
    EXPECT_EQ(helper({"reg-get", QString::fromStdString(hive), "Software\\Shared", "FromHelper"}), "Grüße");
    RegCloseKey(k);
}

TEST_F(Registry, ADamagedHiveGivesEmptyKeysAndIsKeptAside) {
    ASSERT_TRUE(testsupport::runCommand("mkdir -p '" + dir.file("config/tessellon") + "'") == 0);
    std::vector<unsigned char> garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<unsigned char>((i * 7919) >> 3));
    ASSERT_TRUE(testsupport::writeFile(hive, garbage));
    reread();
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);

    // A file damaged in places keeps what can be read.
    const std::string partly =
        "[Software\\Part]\nGood=text:yes\nRaw=bytes(1):4100\nBroken line\nNum=dword:12x\nBad=text:%G1\n[Software\\Part\n"
        "Lost=text:no\n[Software\\Part\\Sub]\nAlso=dword:0x10\n[Software\\Ze%00ro]\nIn=text:x\n"
        "[Software\\Part]\nNa%00me=text:x\n";
    ASSERT_TRUE(testsupport::writeFile(hive, std::vector<unsigned char>(partly.begin(), partly.end())));
    reread();
    k = create("Software\\Part");
    EXPECT_EQ(queryA(k, "Good"), "yes");
    EXPECT_EQ(queryA(k, "Raw"), "A");  // a text written as bytes comes back terminated
    EXPECT_EQ(queryA(k, "Num"), "<none>");
    EXPECT_EQ(queryA(k, "Bad"), "<none>");
    EXPECT_EQ(queryA(k, "Lost"), "<none>");
    HKEY sub = create("Software\\Part\\Sub");
    DWORD v = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(sub, "Also", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
    EXPECT_EQ(v, 16u);
    // Names with an escaped zero could never be opened or queried: they are left out.
    char name[300];
    DWORD len = sizeof name;
    HKEY software = create("Software");
    EXPECT_EQ(RegEnumKeyExA(software, 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    len = sizeof name;
    DWORD values = 0;
    while (RegEnumValueA(k, values, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        ++values;
        len = sizeof name;
    }
    EXPECT_EQ(values, 2u);  // Good and Raw
    RegCloseKey(software);
    // The first write keeps the damaged file beside the new one.
    ASSERT_EQ(RegSetValueExA(k, "New", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2), ERROR_SUCCESS);
    const std::vector<unsigned char> aside = testsupport::readFile(hive + ".damaged");
    EXPECT_EQ(std::string(aside.begin(), aside.end()), partly);
    EXPECT_EQ(fileText().find("Broken"), std::string::npos);
    RegCloseKey(sub);
    RegCloseKey(k);
}

TEST_F(Registry, AFailedWriteLeavesTheOldFile) {
    HKEY k = create("Software\\Safe");
    ASSERT_EQ(RegSetValueExA(k, "Kept", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4), ERROR_SUCCESS);
    RegCloseKey(k);
    const std::string before = fileText();

    // While files may not grow past a limit, a larger hive cannot be written.
    {
        testsupport::FileSizeLimit limit(before.size() + 64);
        k = create("Software\\Safe");
        const std::string big(100000, 'x');
        EXPECT_EQ(RegSetValueExA(k, "Huge", 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()),
                                 static_cast<DWORD>(big.size() + 1)),
                  ERROR_CANTWRITE);
        RegCloseKey(k);
    }
    EXPECT_EQ(fileText(), before);

    // A full file system (as root) or a folder without write permission (as a user).
    const std::string folder = dir.file("config/tessellon");
    bool mounted = false;
    if (geteuid() == 0) {
        const std::string small = dir.file("small");
        ::mkdir(small.c_str(), 0700);
        mounted = ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0;
        if (mounted) {
            hive = small + "/registry.ini";
            platform::setRegistryHive(hive);
            k = create("Software\\Safe");
            ASSERT_EQ(RegSetValueExA(k, "Kept", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4), ERROR_SUCCESS);
            const std::string full = fileText();
            std::vector<unsigned char> filler(40 * 1024, 'f');
            testsupport::writeFile(small + "/filler", filler);
            const std::string big(30000, 'y');
            EXPECT_EQ(RegSetValueExA(k, "Huge", 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()),
                                     static_cast<DWORD>(big.size() + 1)),
                      ERROR_DISK_FULL);
            EXPECT_EQ(fileText(), full);
            EXPECT_EQ(queryA(k, "Huge"), "<none>");  // what failed is not kept in memory either
            EXPECT_EQ(queryA(k, "Kept"), "old");
            RegCloseKey(k);
            platform::setRegistryHive(dir.file("config/tessellon/registry.ini"));
            ::umount(small.c_str());
        }
    }
    if (!mounted) {
        ASSERT_NE(geteuid(), 0u) << "neither a small file system nor a read-only folder can make writing fail";
        ::chmod(folder.c_str(), 0555);
        k = create("Software\\Safe");
        EXPECT_EQ(RegSetValueExA(k, "Huge", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_ACCESS_DENIED);
        ::chmod(folder.c_str(), 0700);
        EXPECT_EQ(fileText(), before);
        RegCloseKey(k);
    }
}

}  // namespace
