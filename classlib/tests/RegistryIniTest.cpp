// TRegistry, TRegIniFile, TIniFile and TRegistryIniFile over a temporary hive and folder.
#include "classlib/IniFiles.h"
#include "classlib/Registry.h"
#include "classlib/StringList.h"
#include "classlib/SysUtils.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { platform::setRegistryHive(dir.file("registry.ini")); }
    void TearDown() override {
        platform::setRegistryHive(std::string());
        DecimalSeparator = '.';
    }
    std::string text(const std::string& path) {
        const std::vector<unsigned char> b = testsupport::readFile(path);
        return std::string(b.begin(), b.end());
    }
    testsupport::TempDir dir;
};

template <class E, class F>
std::string messageOf(F f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return "<no exception>";
}

TEST_F(Settings, RegistryValuesKeysAndPaths) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Tessellon\\Tests", false));
    ASSERT_TRUE(reg.OpenKey("Software\\Tessellon\\Tests", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Tessellon\\Tests");
    reg.WriteString("Name", "Grüße");
    reg.WriteInteger("Count", -7);
    reg.WriteBool("On", true);
    reg.WriteExpandString("Path", "$HOME/x");
    const BYTE blob[] = {1, 2, 3};
    reg.WriteBinaryData("Blob", blob, 3);
    EXPECT_EQ(reg.ReadString("Name"), "Grüße");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(reg.ReadInteger("Count"), -7);
    EXPECT_TRUE(reg.ReadBool("On"));
    EXPECT_EQ(reg.ReadString("Path"), "$HOME/x");
    EXPECT_EQ(reg.GetDataType("Path"), rdExpandString);
    EXPECT_EQ(reg.GetDataType("Count"), rdInteger);
    EXPECT_EQ(reg.GetDataSize("Name"), 8);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    BYTE out[8] = {};
    EXPECT_EQ(reg.ReadBinaryData("Blob", out, 8), 3);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(messageOf<ERegistryException>([&] { reg.ReadBinaryData("Blob", out, 2); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(messageOf<ERegistryException>([&] { reg.ReadString("Count"); }), "Invalid data type for 'Count'");
    EXPECT_EQ(messageOf<ERegistryException>([&] { reg.ReadInteger("Name"); }), "Invalid data type for 'Name'");
    EXPECT_EQ(messageOf<ERegistryException>([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");

    // Reals carry a point whatever the locale's separator.
    DecimalSeparator = ',';
    reg.WriteFloat("Gamma", 1.25);
    EXPECT_EQ(reg.ReadString("Gamma"), "1.25");
    EXPECT_DOUBLE_EQ(reg.ReadFloat("Gamma"), 1.25);
    reg.WriteString("Old", "2,5");
    EXPECT_DOUBLE_EQ(reg.ReadFloat("Old"), 2.5);
    reg.WriteFloat("Third", 1.0 / 3.0);
    EXPECT_EQ(reg.ReadFloat("Third"), 1.0 / 3.0);
    EXPECT_EQ(messageOf<ERegistryException>([&] { reg.ReadFloat("Name"); }), "Invalid data type for 'Name'");

    // Relative and absolute paths, names and deletion.
    ASSERT_TRUE(reg.OpenKey("Sub\\Deeper", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Tessellon\\Tests\\Sub\\Deeper");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tessellon\\Tests", false));
    TStringList names;
    reg.GetKeyNames(&names);
    EXPECT_EQ(names.CommaText(), "Sub");
    reg.GetValueNames(&names);
    EXPECT_EQ(names.CommaText(), "Name,Count,On,Path,Blob,Gamma,Old,Third");
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.KeyExists("sub\\deeper"));
    EXPECT_TRUE(reg.ValueExists("NAME"));
    EXPECT_TRUE(reg.DeleteValue("Name"));
    EXPECT_FALSE(reg.ValueExists("Name"));
    EXPECT_TRUE(reg.DeleteKey("Sub"));  // with its subkeys
    EXPECT_FALSE(reg.KeyExists("Sub"));
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), "");

    // The machine's keys cannot be written.
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.OpenKey("Software\\Tessellon", true));
    EXPECT_EQ(messageOf<ERegistryException>([&] { reg.CreateKey("Software\\Tessellon"); }),
              "Failed to create key Software\\Tessellon");
}

TEST_F(Settings, RegIniFileSectionsAreSubkeysWithTextValues) {
    {
        TRegIniFile ini("Software\\tessellon_tests");
        ini.WriteString("TGammaForm", "GammaEdit_Value", "1.5");
        ini.WriteInteger("TGammaForm", "FormVersion", 3);
        ini.WriteBool("TGammaForm", "Visible", false);
        ini.WriteString("TGammaForm.TxtMemo_Lines", "Item0", "  blanks kept  ");
        ini.WriteString("TAddTextForm", "Leftb_Checked", "True");
    }
    TRegIniFile ini("Software\\tessellon_tests", KEY_READ);
    EXPECT_EQ(ini.ReadString("tgammaform", "gammaedit_value", "x"), "1.5");
    EXPECT_EQ(ini.ReadInteger("TGammaForm", "FormVersion", 0), 3);
    EXPECT_EQ(ini.ReadString("TGammaForm", "Visible", ""), "0");
    EXPECT_TRUE(ini.ReadBool("TGammaForm", "Missing", true));
    EXPECT_FALSE(ini.ReadBool("TGammaForm", "Visible", true));
    EXPECT_EQ(ini.ReadInteger("TGammaForm", "GammaEdit_Value", 42), 42);  // not a number
    EXPECT_EQ(ini.ReadString("Nowhere", "x", "default"), "default");
    EXPECT_EQ(ini.ReadString("TGammaForm.TxtMemo_Lines", "Item0", ""), "  blanks kept  ");
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(list.CommaText(), "TAddTextForm,TGammaForm,TGammaForm.TxtMemo_Lines");
    ini.ReadSection("TGammaForm", &list);
    EXPECT_EQ(list.CommaText(), "GammaEdit_Value,FormVersion,Visible");
    ini.ReadSectionValues("TGammaForm", &list);
    EXPECT_EQ(list.CommaText(), "GammaEdit_Value=1.5,FormVersion=3,Visible=0");
    EXPECT_TRUE(ini.ValueExists("TGammaForm", "Visible"));
    EXPECT_TRUE(ini.SectionExists("TAddTextForm"));
    // Opened for reading only: writing fails with the registry's message.
    EXPECT_EQ(messageOf<ERegistryException>([&] { ini.WriteString("TGammaForm", "x", "y"); }), "Failed to set data for 'x'");

    TRegIniFile writer("Software\\tessellon_tests");
    writer.DeleteKey("TGammaForm", "Visible");
    EXPECT_FALSE(writer.ValueExists("TGammaForm", "Visible"));
    writer.EraseSection("TGammaForm.TxtMemo_Lines");
    EXPECT_FALSE(writer.SectionExists("TGammaForm.TxtMemo_Lines"));
    // A number written by another tool as REG_DWORD still reads as text.
    ASSERT_TRUE(writer.OpenKey("TGammaForm", false));
    writer.TRegistry::WriteInteger("Dword", 17);
    ASSERT_TRUE(writer.OpenKey("\\Software\\tessellon_tests", false));
    EXPECT_EQ(writer.ReadString("TGammaForm", "Dword", ""), "17");
    EXPECT_EQ(writer.ReadInteger("TGammaForm", "Dword", 0), 17);

    // Through the common initialisation-file interface.
    std::unique_ptr<TCustomIniFile> common(new TRegistryIniFile("Software\\tessellon_tests"));
    EXPECT_EQ(common->ReadString("TGammaForm", "GammaEdit_Value", ""), "1.5");
    common->WriteFloat("TGammaForm", "Real", 0.1);
    EXPECT_DOUBLE_EQ(common->ReadFloat("TGammaForm", "Real", 0), 0.1);
    EXPECT_TRUE(common->ValueExists("TGammaForm", "Real"));
    EXPECT_FALSE(common->ValueExists("TGammaForm", "Unreal"));
}

TEST_F(Settings, IniFilesAreRealFilesWrittenSafely) {
    const std::string path = dir.file("sub/options.ini");
    const std::string original = "; comment kept\n[Main]\nWidth = 640\n\n[Other]\nA=1\n";
    ASSERT_EQ(testsupport::runCommand("mkdir -p '" + dir.file("sub") + "'"), 0);
    ASSERT_TRUE(testsupport::writeFile(path, std::vector<unsigned char>(original.begin(), original.end())));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("main", "WIDTH", 0), 640);
    ini.WriteString("Main", "Height", "480");
    ini.WriteBool("Main", "Maximized", true);
    ini.WriteString("New Section", "Name", "  trimmed\r\nline  ");
    EXPECT_EQ(text(path),
              "; comment kept\n[Main]\nWidth=640\nHeight=480\nMaximized=1\n\n[Other]\nA=1\n[New Section]\n"
              "Name=trimmed  line\n");
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(list.CommaText(), "Main,Other,\"New Section\"");
    ini.ReadSectionValues("Main", &list);
    EXPECT_EQ(list.CommaText(), "Width=640,Height=480,Maximized=1");
    ini.DeleteKey("Main", "height");
    ini.EraseSection("other");
    EXPECT_EQ(text(path), "; comment kept\n[Main]\nWidth=640\nMaximized=1\n\n[New Section]\nName=trimmed  line\n");
    EXPECT_TRUE(ini.SectionExists("NEW SECTION"));
    EXPECT_FALSE(ini.SectionExists("Other"));

    // Another writer's change is read.
    const std::string changed = "[Main]\nWidth=800\n";
    ASSERT_TRUE(testsupport::writeFile(path, std::vector<unsigned char>(changed.begin(), changed.end())));
    EXPECT_EQ(ini.ReadInteger("Main", "Width", 0), 800);
    EXPECT_FALSE(ini.ValueExists("Main", "Maximized"));

    // A file that cannot be written raises and leaves what was there.
    ASSERT_TRUE(testsupport::writeFile(dir.file("plain"), {'x'}));
    TIniFile blocked(dir.file("plain/blocked.ini"));
    EXPECT_EQ(messageOf<EIniFileException>([&] { blocked.WriteString("A", "B", "C"); }),
              "Unable to write to " + dir.file("plain/blocked.ini"));
    EXPECT_EQ(blocked.ReadString("A", "B", "none"), "none");

    // A name without a folder lives in the settings folder.
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    TIniFile bare("TESSELLON.INI");
    bare.WriteFloat("S", "F", 2.5);
    EXPECT_EQ(bare.Path(), dir.file("config/tessellon/TESSELLON.INI"));
    EXPECT_EQ(text(bare.Path()), "[S]\nF=2.5\n");
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
