// Registry access: TRegistry over the platform's registry, and TRegIniFile, which reads and
// writes a key as an initialisation file whose sections are subkeys.
#pragma once

#include "classlib/Classes.h"
#include "platform/registry.h"

#include <functional>
#include <vector>

TESSELLON_EXCEPTION(ERegistryException, Exception);

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegKeyInfo {
    Integer NumSubKeys = 0;
    Integer MaxSubKeyLen = 0;
    Integer NumValues = 0;
    Integer MaxValueLen = 0;
    Integer MaxDataLen = 0;
    FILETIME FileTime{};
};

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    Integer DataSize = 0;
};

class TStrings;

class TRegistry : public TObject {
    Q_OBJECT
public:
    // KEY_ALL_ACCESS unless given; the root key is HKEY_CURRENT_USER.
    TRegistry();
    explicit TRegistry(LongWord AAccess);
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    // Closes the current key.
    void SetRootKey(HKEY Value);
    HKEY CurrentKey() const { return FCurrentKey; }
    String CurrentPath() const { return FCurrentPath; }
    LongWord Access() const { return FAccess; }
    void SetAccess(LongWord Value) { FAccess = Value; }
    // Whether closing a key leaves its writing to the platform (every change of ours is
    // written when it is made, so both settings keep the data).
    bool LazyWrite = true;

    // A key name starting with "\" is taken from the root, any other from the current key.
    // False when the key does not exist (and may not be created) or cannot be opened.
    bool OpenKey(const String& Key, bool CanCreate);
    bool OpenKeyReadOnly(const String& Key);
    void CloseKey();
    bool CreateKey(const String& Key);
    // Deletes the key with all its subkeys.
    bool DeleteKey(const String& Key);
    bool DeleteValue(const String& Name);
    bool KeyExists(const String& Key);
    bool ValueExists(const String& Name);
    bool HasSubKeys();
    bool GetKeyInfo(TRegKeyInfo& Value);
    bool GetDataInfo(const String& ValueName, TRegDataInfo& Value);
    // -1 when the value does not exist.
    Integer GetDataSize(const String& ValueName);
    TRegDataType GetDataType(const String& ValueName);
    void GetKeyNames(TStrings* Strings);
    void GetValueNames(TStrings* Strings);

    // A text value; "" when it does not exist; ERegistryException "Invalid data type for
    // '%s'" for a value of another type.
    String ReadString(const String& Name);
    // A REG_DWORD value; ERegistryException "Failed to get data for '%s'" when there is none,
    // "Invalid data type for '%s'" for another type.
    Integer ReadInteger(const String& Name);
    bool ReadBool(const String& Name);
    // A text with a "." as decimal separator whatever the locale (or an 8-byte binary real).
    Double ReadFloat(const String& Name);
    TDateTime ReadDateTime(const String& Name) { return ReadFloat(Name); }
    // At most BufSize bytes; the bytes read. ERegistryException when the value is larger.
    Integer ReadBinaryData(const String& Name, void* Buffer, Integer BufSize);

    // ERegistryException "Failed to set data for '%s'" when the value cannot be written.
    void WriteString(const String& Name, const String& Value);
    void WriteExpandString(const String& Name, const String& Value);
    void WriteInteger(const String& Name, Integer Value);
    void WriteBool(const String& Name, bool Value);
    // Written as text with "." and the digits that read back the same double.
    void WriteFloat(const String& Name, Double Value);
    void WriteDateTime(const String& Name, TDateTime Value) { WriteFloat(Name, Value); }
    void WriteBinaryData(const String& Name, const void* Buffer, Integer BufSize);

protected:
    // The key a path is taken from: the root for "\..." and when no key is open.
    HKEY GetBaseKey(bool Relative) const;
    void ChangeKey(HKEY Value, const String& Path);
    // Makes another open key current without closing the current one.
    void SetCurrentKey(HKEY Value) { FCurrentKey = Value; }
    HKEY GetKey(const String& Key);
    // The value's type and data; false when it cannot be read.
    bool GetData(const String& Name, DWORD& Type, std::vector<BYTE>& Data);
    void PutData(const String& Name, DWORD Type, const void* Buffer, DWORD Size);

private:
    HKEY FRootKey = HKEY_CURRENT_USER;
    HKEY FCurrentKey = nullptr;
    String FCurrentPath;
    bool FCloseRootKey = false;
    LongWord FAccess = KEY_ALL_ACCESS;
};

// A registry key read as an initialisation file: sections are subkeys of the key, values
// are texts (integers in decimal, Booleans as "1" and "0").
class TRegIniFile : public TRegistry {
    Q_OBJECT
public:
    // Opens (creating it) the key FileName below HKEY_CURRENT_USER.
    explicit TRegIniFile(const String& FileName);
    TRegIniFile(const String& FileName, LongWord AAccess);

    String FileName() const { return FFileName; }

    // A REG_DWORD value reads as its decimal text; a value of another type gives the default.
    String ReadString(const String& Section, const String& Ident, const String& Default);
    void WriteString(const String& Section, const String& Ident, const String& Value);
    // The default when the text is no number.
    Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
    void WriteInteger(const String& Section, const String& Ident, Integer Value);
    bool ReadBool(const String& Section, const String& Ident, bool Default);
    void WriteBool(const String& Section, const String& Ident, bool Value);
    // The value names of a section, the subkey names, and "name=value" lines of a section.
    void ReadSection(const String& Section, TStrings* Strings);
    void ReadSections(TStrings* Strings);
    void ReadSectionValues(const String& Section, TStrings* Strings);
    void EraseSection(const String& Section);
    void DeleteKey(const String& Section, const String& Ident);
    bool ValueExists(const String& Section, const String& Ident);
    bool SectionExists(const String& Section);
    // Changes are on disk already; kept for the callers of initialisation files.
    void UpdateFile() {}

    using TRegistry::DeleteKey;
    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::ValueExists;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

private:
    // Runs `body` with the section's key current (the file's key for an empty section),
    // then goes back to the file's key. False when the section does not exist and
    // `create` is off.
    bool InSection(const String& Section, bool create, const std::function<void()>& body);
    String FFileName;
};
