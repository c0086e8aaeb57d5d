// TRegistry and TRegIniFile over the platform's registry.
#include "classlib/Registry.h"
#include "classlib/IniFiles.h"
#include "classlib/StringList.h"
#include "classlib/SysUtils.h"

#include <cstring>
#include <memory>

namespace {

const char* const kCreateFailed = "Failed to create key %s";
const char* const kGetDataFailed = "Failed to get data for '%s'";
const char* const kSetDataFailed = "Failed to set data for '%s'";
const char* const kInvalidType = "Invalid data type for '%s'";

TRegDataType dataTypeOf(DWORD type) {
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

// A key path: relative unless it starts with "\", which is dropped.
bool takeRelative(String& key) {
    if (!key.empty() && key[0] == '\\') {
        key.erase(0, 1);
        return false;
    }
    return true;
}

String textOfData(const std::vector<BYTE>& data) {
    const auto* p = reinterpret_cast<const char*>(data.data());
    return String(p, strnlen(p, data.size()));
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(LongWord AAccess) : FAccess(AAccess) {}

TRegistry::~TRegistry() {
    CloseKey();
    if (FCloseRootKey) RegCloseKey(FRootKey);
}

void TRegistry::SetRootKey(HKEY Value) {
    if (FRootKey == Value) return;
    if (FCloseRootKey) {
        RegCloseKey(FRootKey);
        FCloseRootKey = false;
    }
    FRootKey = Value;
    CloseKey();
}

HKEY TRegistry::GetBaseKey(bool Relative) const { return !FCurrentKey || !Relative ? FRootKey : FCurrentKey; }

void TRegistry::ChangeKey(HKEY Value, const String& Path) {
    CloseKey();
    FCurrentKey = Value;
    FCurrentPath = Path;
}

void TRegistry::CloseKey() {
    if (!FCurrentKey) return;
    if (!LazyWrite) RegFlushKey(FCurrentKey);
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
}

bool TRegistry::OpenKey(const String& Key, bool CanCreate) {
    String s = Key;
    const bool relative = takeRelative(s);
    HKEY opened = nullptr;
    bool ok;
    if (!CanCreate || s.empty()) {
        ok = RegOpenKeyExA(GetBaseKey(relative), s.c_str(), 0, FAccess, &opened) == ERROR_SUCCESS;
    } else {
        DWORD disposition = 0;
        ok = RegCreateKeyExA(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr,
                             &opened, &disposition) == ERROR_SUCCESS;
    }
    if (!ok) return false;
    if (FCurrentKey && relative) s = FCurrentPath.empty() ? s : FCurrentPath + "\\" + s;
    ChangeKey(opened, s);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const String& Key) {
    const LongWord saved = FAccess;
    FAccess = KEY_READ;
    const bool ok = OpenKey(Key, false);
    FAccess = saved;
    return ok;
}

bool TRegistry::CreateKey(const String& Key) {
    String s = Key;
    const bool relative = takeRelative(s);
    HKEY made = nullptr;
    DWORD disposition = 0;
    const bool ok = RegCreateKeyExA(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &made, &disposition) == ERROR_SUCCESS;
    if (!ok) throw ERegistryException(kCreateFailed, {Key});
    RegCloseKey(made);
    return true;
}

HKEY TRegistry::GetKey(const String& Key) {
    String s = Key;
    const bool relative = takeRelative(s);
    HKEY key = nullptr;
    if (RegOpenKeyExA(GetBaseKey(relative), s.c_str(), 0, FAccess, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

bool TRegistry::DeleteKey(const String& Key) {
    String s = Key;
    const bool relative = takeRelative(s);
    if (HKEY victim = GetKey(Key)) {
        // Subkeys first, last to first.
        TStringList names;
        const HKEY saved = FCurrentKey;
        FCurrentKey = victim;
        GetKeyNames(&names);
        FCurrentKey = saved;
        const String prefix = relative ? s : "\\" + s;
        for (int i = names.Count() - 1; i >= 0; --i) DeleteKey(prefix + "\\" + names[i]);
        RegCloseKey(victim);
    }
    return RegDeleteKeyA(GetBaseKey(relative), s.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const String& Name) {
    return RegDeleteValueA(FCurrentKey, Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const String& Key) {
    const LongWord saved = FAccess;
    FAccess = KEY_QUERY_VALUE;
    HKEY key = GetKey(Key);
    FAccess = saved;
    if (!key) return false;
    RegCloseKey(key);
    return true;
}

bool TRegistry::GetDataInfo(const String& ValueName, TRegDataInfo& Value) {
    DWORD type = REG_NONE, size = 0;
    Value = TRegDataInfo{};
    if (RegQueryValueExA(FCurrentKey, ValueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    Value.RegData = dataTypeOf(type);
    Value.DataSize = static_cast<Integer>(size);
    return true;
}

bool TRegistry::ValueExists(const String& Name) {
    TRegDataInfo info;
    return GetDataInfo(Name, info);
}

Integer TRegistry::GetDataSize(const String& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const String& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value) {
    Value = TRegKeyInfo{};
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
    if (RegQueryInfoKeyA(FCurrentKey, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxValueName,
                         &maxData, nullptr, &Value.FileTime) != ERROR_SUCCESS)
        return false;
    Value.NumSubKeys = static_cast<Integer>(subKeys);
    Value.MaxSubKeyLen = static_cast<Integer>(maxSubKey);
    Value.NumValues = static_cast<Integer>(values);
    Value.MaxValueLen = static_cast<Integer>(maxValueName);
    Value.MaxDataLen = static_cast<Integer>(maxData);
    return true;
}

bool TRegistry::HasSubKeys() {
    TRegKeyInfo info;
    return GetKeyInfo(info) && info.NumSubKeys > 0;
}

namespace {

// The names an enumeration call gives for index 0, 1, ... until it has no more.
template <class Enum>
void enumerateNames(TStrings* Strings, std::size_t longest, Enum call) {
    std::vector<char> name(longest + 1);
    for (DWORD i = 0;;) {
        DWORD len = static_cast<DWORD>(name.size());
        const LSTATUS r = call(i, name.data(), &len);
        if (r == ERROR_MORE_DATA) {
            name.resize(name.size() * 2 + 256);  // another process made a longer name meanwhile
            continue;
        }
        if (r != ERROR_SUCCESS) break;
        Strings->Add(String(name.data(), len));
        ++i;
    }
}

}  // namespace

void TRegistry::GetKeyNames(TStrings* Strings) {
    Strings->Clear();
    TRegKeyInfo info;
    if (!GetKeyInfo(info)) return;
    enumerateNames(Strings, static_cast<std::size_t>(info.MaxSubKeyLen), [&](DWORD i, char* name, DWORD* len) {
        return RegEnumKeyExA(FCurrentKey, i, name, len, nullptr, nullptr, nullptr, nullptr);
    });
}

void TRegistry::GetValueNames(TStrings* Strings) {
    Strings->Clear();
    TRegKeyInfo info;
    if (!GetKeyInfo(info)) return;
    enumerateNames(Strings, static_cast<std::size_t>(info.MaxValueLen), [&](DWORD i, char* name, DWORD* len) {
        return RegEnumValueA(FCurrentKey, i, name, len, nullptr, nullptr, nullptr, nullptr);
    });
}

bool TRegistry::GetData(const String& Name, DWORD& Type, std::vector<BYTE>& Data) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &Type, nullptr, &size) != ERROR_SUCCESS) return false;
        Data.assign(size, 0);
        const LSTATUS r = RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &Type, Data.data(), &size);
        if (r == ERROR_SUCCESS) {
            Data.resize(size);
            return true;
        }
        if (r != ERROR_MORE_DATA) return false;  // else the value grew meanwhile
    }
    return false;
}

void TRegistry::PutData(const String& Name, DWORD Type, const void* Buffer, DWORD Size) {
    if (RegSetValueExA(FCurrentKey, Name.c_str(), 0, Type, static_cast<const BYTE*>(Buffer), Size) != ERROR_SUCCESS)
        throw ERegistryException(kSetDataFailed, {Name});
}

String TRegistry::ReadString(const String& Name) {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!GetData(Name, type, data)) return String();
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(kInvalidType, {Name});
    return textOfData(data);
}

Integer TRegistry::ReadInteger(const String& Name) {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!GetData(Name, type, data)) throw ERegistryException(kGetDataFailed, {Name});
    if (type != REG_DWORD || data.size() != 4) throw ERegistryException(kInvalidType, {Name});
    Integer v;
    std::memcpy(&v, data.data(), 4);
    return v;
}

bool TRegistry::ReadBool(const String& Name) { return ReadInteger(Name) != 0; }

Double TRegistry::ReadFloat(const String& Name) {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!GetData(Name, type, data)) throw ERegistryException(kGetDataFailed, {Name});
    if (type == REG_BINARY && data.size() == sizeof(Double)) {
        Double v;
        std::memcpy(&v, data.data(), sizeof v);
        return v;
    }
    Double v = 0;
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && SettingTextToFloat(textOfData(data), v)) return v;
    throw ERegistryException(kInvalidType, {Name});
}

Integer TRegistry::ReadBinaryData(const String& Name, void* Buffer, Integer BufSize) {
    TRegDataInfo info;
    if (!GetDataInfo(Name, info)) return 0;
    if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > BufSize)
        throw ERegistryException(kInvalidType, {Name});
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!GetData(Name, type, data)) throw ERegistryException(kGetDataFailed, {Name});
    if (data.size() > static_cast<std::size_t>(std::max(BufSize, 0))) throw ERegistryException(kInvalidType, {Name});
    if (!data.empty()) std::memcpy(Buffer, data.data(), data.size());
    return static_cast<Integer>(data.size());
}

void TRegistry::WriteString(const String& Name, const String& Value) {
    PutData(Name, REG_SZ, Value.c_str(), static_cast<DWORD>(Value.size() + 1));
}

void TRegistry::WriteExpandString(const String& Name, const String& Value) {
    PutData(Name, REG_EXPAND_SZ, Value.c_str(), static_cast<DWORD>(Value.size() + 1));
}

void TRegistry::WriteInteger(const String& Name, Integer Value) { PutData(Name, REG_DWORD, &Value, sizeof Value); }

void TRegistry::WriteBool(const String& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

void TRegistry::WriteFloat(const String& Name, Double Value) { WriteString(Name, FloatToSettingText(Value)); }

void TRegistry::WriteBinaryData(const String& Name, const void* Buffer, Integer BufSize) {
    PutData(Name, REG_BINARY, Buffer, static_cast<DWORD>(std::max(BufSize, 0)));
}

// ---- TRegIniFile ----------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const String& FileName) : FFileName(FileName) { OpenKey(FileName, true); }

TRegIniFile::TRegIniFile(const String& FileName, LongWord AAccess) : TRegistry(AAccess), FFileName(FileName) {
    OpenKey(FileName, true);
}

bool TRegIniFile::InSection(const String& Section, bool create, const std::function<void()>& body) {
    if (create && !Section.empty()) CreateKey(Section);
    HKEY key = GetKey(Section);
    if (!key) return false;
    // The section's key stands in for the file's key while the body runs.
    struct Restore {
        TRegIniFile* self;
        HKEY key, saved;
        ~Restore() {
            self->SetCurrentKey(saved);
            RegCloseKey(key);
        }
    } restore{this, key, CurrentKey()};
    SetCurrentKey(key);
    body();
    return true;
}

String TRegIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    String result = Default;
    InSection(Section, false, [&] {
        TRegDataInfo info;
        if (!GetDataInfo(Ident, info)) return;
        if (info.RegData == rdString || info.RegData == rdExpandString)
            result = TRegistry::ReadString(Ident);
        else if (info.RegData == rdInteger && info.DataSize == 4)
            result = IntToStr(TRegistry::ReadInteger(Ident));
    });
    return result;
}

void TRegIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    if (!InSection(Section, true, [&] { TRegistry::WriteString(Ident, Value); }))
        throw ERegistryException(kSetDataFailed, {Ident});
}

Integer TRegIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
    return SettingTextToInt(ReadString(Section, Ident, String()), Default);
}

void TRegIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

void TRegIniFile::ReadSection(const String& Section, TStrings* Strings) {
    Strings->BeginUpdate();
    Strings->Clear();
    InSection(Section, false, [&] { GetValueNames(Strings); });
    Strings->EndUpdate();
}

void TRegIniFile::ReadSections(TStrings* Strings) { GetKeyNames(Strings); }

void TRegIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
    TStringList names;
    ReadSection(Section, &names);
    Strings->BeginUpdate();
    Strings->Clear();
    for (int i = 0; i < names.Count(); ++i) Strings->Add(names[i] + "=" + ReadString(Section, names[i], String()));
    Strings->EndUpdate();
}

void TRegIniFile::EraseSection(const String& Section) { TRegistry::DeleteKey(Section); }

void TRegIniFile::DeleteKey(const String& Section, const String& Ident) {
    InSection(Section, false, [&] { DeleteValue(Ident); });
}

bool TRegIniFile::ValueExists(const String& Section, const String& Ident) {
    bool found = false;
    InSection(Section, false, [&] { found = TRegistry::ValueExists(Ident); });
    return found;
}

bool TRegIniFile::SectionExists(const String& Section) { return KeyExists(Section); }
