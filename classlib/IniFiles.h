// Initialisation files: TCustomIniFile with the typed reads and writes, TIniFile over a
// real file and TRegistryIniFile over a registry key.
//
// A TIniFile is "[Section]" lines followed by "Ident=Value" lines in the ANSI code page;
// sections and idents are found without regard to case, blanks around them and around the
// value are dropped, lines starting with ";" or "#" are comments and stay as they are. A
// name without a folder lives in the user's settings folder
// ($XDG_CONFIG_HOME/tessellon). Every change is written at once through a temporary file
// (a failed write raises EIniFileException and leaves the old file), and the file is read
// again when it changed on disk.
#pragma once

#include "classlib/Classes.h"

#include <memory>
#include <vector>

TESSELLON_EXCEPTION(EIniFileException, Exception);

class TStrings;
class TRegIniFile;

// Reals as the settings store them: "." as decimal separator whatever the locale, with
// the digits that read back the same double. Reading takes "," as well.
String FloatToSettingText(Double Value);
bool SettingTextToFloat(const String& Text, Double& Value);
// Whole numbers as the settings store them: decimal, or hexadecimal after "$" or "0x";
// the default for any other text.
Integer SettingTextToInt(const String& Text, Integer Default);

class TCustomIniFile : public TObject {
    Q_OBJECT
public:
    explicit TCustomIniFile(const String& FileName) : FFileName(FileName) {}
    String FileName() const { return FFileName; }

    virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
    virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
    // Decimal, or hexadecimal after "$" or "0x"; the default when the text is no number.
    virtual Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
    virtual void WriteInteger(const String& Section, const String& Ident, Integer Value);
    // "1" and "0"; any other number reads as true.
    virtual bool ReadBool(const String& Section, const String& Ident, bool Default);
    virtual void WriteBool(const String& Section, const String& Ident, bool Value);
    virtual Double ReadFloat(const String& Section, const String& Ident, Double Default);
    virtual void WriteFloat(const String& Section, const String& Ident, Double Value);
    virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
    virtual void ReadSections(TStrings* Strings) = 0;
    virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
    virtual void EraseSection(const String& Section) = 0;
    virtual void DeleteKey(const String& Section, const String& Ident) = 0;
    virtual void UpdateFile() = 0;
    virtual bool ValueExists(const String& Section, const String& Ident);
    bool SectionExists(const String& Section);

private:
    String FFileName;
};

class TIniFile : public TCustomIniFile {
    Q_OBJECT
public:
    explicit TIniFile(const String& FileName);
    ~TIniFile() override;

    // The file's path (a name without a folder placed in the settings folder).
    String Path() const { return FPath; }

    String ReadString(const String& Section, const String& Ident, const String& Default) override;
    void WriteString(const String& Section, const String& Ident, const String& Value) override;
    void ReadSection(const String& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const String& Section, TStrings* Strings) override;
    void EraseSection(const String& Section) override;
    void DeleteKey(const String& Section, const String& Ident) override;
    // Changes are written when they are made; this writes nothing more.
    void UpdateFile() override;

private:
    struct Data;
    void Load();
    void Save();
    String FPath;
    std::unique_ptr<Data> FData;
};

// A registry key as a TCustomIniFile: sections are its subkeys (TRegIniFile underneath).
class TRegistryIniFile : public TCustomIniFile {
    Q_OBJECT
public:
    explicit TRegistryIniFile(const String& FileName);
    TRegistryIniFile(const String& FileName, LongWord AAccess);
    ~TRegistryIniFile() override;
    TRegIniFile* RegIniFile() const { return FRegIniFile.get(); }

    String ReadString(const String& Section, const String& Ident, const String& Default) override;
    void WriteString(const String& Section, const String& Ident, const String& Value) override;
    void ReadSection(const String& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const String& Section, TStrings* Strings) override;
    void EraseSection(const String& Section) override;
    void DeleteKey(const String& Section, const String& Ident) override;
    void UpdateFile() override {}
    bool ValueExists(const String& Section, const String& Ident) override;

private:
    std::unique_ptr<TRegIniFile> FRegIniFile;
};
