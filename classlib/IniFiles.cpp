// Initialisation files over real files and over registry keys.
#include "classlib/IniFiles.h"
#include "classlib/Registry.h"
#include "classlib/StringList.h"
#include "classlib/SysUtils.h"
#include "platform/fileapi.h"
#include "platform/registry.h"

#include <charconv>
#include <sys/stat.h>

String FloatToSettingText(Double Value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, Value);
    return ec == std::errc() ? String(buffer, end) : String("0");
}

bool SettingTextToFloat(const String& Text, Double& Value) {
    String text = Trim(Text);
    for (char& c : text)
        if (c == ',') c = '.';
    const char* begin = text.c_str();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    if (begin == end) return false;
    Double v = 0;
    auto [stop, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || stop != end) return false;
    Value = v;
    return true;
}

Integer SettingTextToInt(const String& Text, Integer Default) {
    String s = Trim(Text);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
    return StrToIntDef(s, Default);
}

// ---- TCustomIniFile ---------------------------------------------------------------------------

Integer TCustomIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
    return SettingTextToInt(ReadString(Section, Ident, String()), Default);
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

Double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, Double Default) {
    Double v = Default;
    return SettingTextToFloat(ReadString(Section, Ident, String()), v) ? v : Default;
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, Double Value) {
    WriteString(Section, Ident, FloatToSettingText(Value));
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
    TStringList names;
    ReadSection(Section, &names);
    for (int i = 0; i < names.Count(); ++i)
        if (SameText(names[i], Ident)) return true;
    return false;
}

bool TCustomIniFile::SectionExists(const String& Section) {
    TStringList names;
    ReadSection(Section, &names);
    return names.Count() > 0;
}

// ---- TIniFile ---------------------------------------------------------------------------------

namespace {

struct Line {
    String text;   // the line as it stands (comments, blanks, lines without "=")
    String ident;  // empty for lines that are no entry
    String value;
};

struct Section {
    String name;
    std::vector<Line> lines;
};

String withoutBreaks(const String& s) {
    String out = s;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

struct TIniFile::Data {
    bool loaded = false;
    struct stat seen {};
    bool existed = false;
    std::vector<Line> preamble;  // lines before the first section
    std::vector<Section> sections;

    Section* find(const String& name) {
        for (Section& s : sections)
            if (SameText(s.name, name)) return &s;
        return nullptr;
    }
    Line* entry(const String& section, const String& ident) {
        Section* s = find(section);
        if (!s) return nullptr;
        for (Line& l : s->lines)
            if (!l.ident.empty() && SameText(l.ident, ident)) return &l;
        return nullptr;
    }
};

namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

String placed(const String& FileName) {
    if (FileName.find('/') != String::npos) return FileName;
    return String(platform::userConfigFolder()) + "/" + FileName;
}

}  // namespace

TIniFile::TIniFile(const String& FileName) : TCustomIniFile(FileName), FPath(placed(FileName)), FData(new Data) {}

TIniFile::~TIniFile() = default;

void TIniFile::Load() {
    struct stat st {};
    const std::string path = platform::ansiToFileName(FPath);
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (FData->loaded && exists == FData->existed && (!exists || sameFile(st, FData->seen))) return;
    Data fresh;
    fresh.loaded = true;
    fresh.existed = exists;
    fresh.seen = st;
    if (exists) {
        TStringList lines;
        try {
            lines.LoadFromFile(FPath);
        } catch (const Exception&) {
            // An unreadable file reads as empty.
        }
        Section* current = nullptr;
        for (int i = 0; i < lines.Count(); ++i) {
            String text = lines[i];
            if (i == 0 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
            const String t = Trim(text);
            Line line{text, String(), String()};
            if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
                fresh.sections.push_back(Section{Trim(t.substr(1, t.size() - 2)), {}});
                current = &fresh.sections.back();
                continue;
            }
            const std::size_t eq = t.find('=');
            if (!t.empty() && t[0] != ';' && t[0] != '#' && eq != String::npos && eq > 0) {
                line.ident = Trim(t.substr(0, eq));
                line.value = Trim(t.substr(eq + 1));
            }
            (current ? current->lines : fresh.preamble).push_back(line);
        }
    }
    *FData = std::move(fresh);
}

void TIniFile::Save() {
    TStringList lines;
    for (const Line& l : FData->preamble) lines.Add(l.ident.empty() ? l.text : l.ident + "=" + l.value);
    for (const Section& s : FData->sections) {
        lines.Add("[" + s.name + "]");
        for (const Line& l : s.lines) lines.Add(l.ident.empty() ? l.text : l.ident + "=" + l.value);
    }
    try {
        const std::size_t slash = FPath.rfind('/');
        if (slash != String::npos && slash > 0) ForceDirectories(FPath.substr(0, slash));
        lines.SaveToFile(FPath);
    } catch (const Exception&) {
        // What is on disk is what counts: the change is dropped with the failed write.
        FData->loaded = false;
        throw EIniFileException(Format("Unable to write to %s", {FPath}));
    }
    FData->loaded = false;
    Load();
}

String TIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    Load();
    const Line* l = FData->entry(Section, Ident);
    return l ? l->value : Default;
}

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    Load();
    const String value = Trim(withoutBreaks(Value));
    if (Line* l = FData->entry(Section, Ident)) {
        if (l->value == value) return;
        l->value = value;
    } else {
        ::Section* s = FData->find(Section);
        if (!s) {
            FData->sections.push_back(::Section{Trim(withoutBreaks(Section)), {}});
            s = &FData->sections.back();
        }
        // After the section's last entry, before trailing blank lines.
        auto at = s->lines.end();
        while (at != s->lines.begin() && (at - 1)->ident.empty() && Trim((at - 1)->text).empty()) --at;
        s->lines.insert(at, Line{String(), Trim(withoutBreaks(Ident)), value});
    }
    Save();
}

void TIniFile::ReadSection(const String& Section, TStrings* Strings) {
    Load();
    Strings->BeginUpdate();
    Strings->Clear();
    if (const ::Section* s = FData->find(Section))
        for (const Line& l : s->lines)
            if (!l.ident.empty()) Strings->Add(l.ident);
    Strings->EndUpdate();
}

void TIniFile::ReadSections(TStrings* Strings) {
    Load();
    Strings->BeginUpdate();
    Strings->Clear();
    for (const ::Section& s : FData->sections) {
        bool seen = false;
        for (int i = 0; i < Strings->Count() && !seen; ++i) seen = SameText((*Strings)[i], s.name);
        if (!seen) Strings->Add(s.name);
    }
    Strings->EndUpdate();
}

void TIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
    Load();
    Strings->BeginUpdate();
    Strings->Clear();
    if (const ::Section* s = FData->find(Section))
        for (const Line& l : s->lines)
            if (!l.ident.empty()) Strings->Add(l.ident + "=" + l.value);
    Strings->EndUpdate();
}

void TIniFile::EraseSection(const String& Section) {
    Load();
    auto& all = FData->sections;
    const std::size_t before = all.size();
    all.erase(std::remove_if(all.begin(), all.end(), [&](const ::Section& s) { return SameText(s.name, Section); }),
              all.end());
    if (all.size() != before) Save();
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
    Load();
    ::Section* s = FData->find(Section);
    if (!s) return;
    const std::size_t before = s->lines.size();
    s->lines.erase(std::remove_if(s->lines.begin(), s->lines.end(),
                                  [&](const Line& l) { return !l.ident.empty() && SameText(l.ident, Ident); }),
                   s->lines.end());
    if (s->lines.size() != before) Save();
}

void TIniFile::UpdateFile() { Load(); }

// ---- TRegistryIniFile -------------------------------------------------------------------------

TRegistryIniFile::TRegistryIniFile(const String& FileName)
    : TCustomIniFile(FileName), FRegIniFile(new TRegIniFile(FileName)) {}

TRegistryIniFile::TRegistryIniFile(const String& FileName, LongWord AAccess)
    : TCustomIniFile(FileName), FRegIniFile(new TRegIniFile(FileName, AAccess)) {}

TRegistryIniFile::~TRegistryIniFile() = default;

String TRegistryIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
    return FRegIniFile->ReadString(Section, Ident, Default);
}

void TRegistryIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
    FRegIniFile->WriteString(Section, Ident, Value);
}

void TRegistryIniFile::ReadSection(const String& Section, TStrings* Strings) {
    FRegIniFile->ReadSection(Section, Strings);
}

void TRegistryIniFile::ReadSections(TStrings* Strings) { FRegIniFile->ReadSections(Strings); }

void TRegistryIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
    FRegIniFile->ReadSectionValues(Section, Strings);
}

void TRegistryIniFile::EraseSection(const String& Section) { FRegIniFile->EraseSection(Section); }

void TRegistryIniFile::DeleteKey(const String& Section, const String& Ident) {
    FRegIniFile->DeleteKey(Section, Ident);
}

bool TRegistryIniFile::ValueExists(const String& Section, const String& Ident) {
    return FRegIniFile->ValueExists(Section, Ident);
}
