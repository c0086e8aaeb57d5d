#include "poster/PosterOptions.h"

#include "poster/ProgramFolder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_set>

namespace {

constexpr std::size_t FolderFileLimit = 16 * 1024 * 1024;

void putDouble(std::uint8_t* p, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

double getDouble(const unsigned char* p) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The record's booleans in the order of their bytes.
template <class Rec>
auto flags(Rec& r) {
    return std::array{&r.Doppelt, &r.Schnitt,     &r.Klebe,       &r.NoRandLines, &r.Zentr,
                      &r.UseAll,  &r.NotVerz,     &r.NotPrintOff, &r.PrintAll,    &r.SpaltenWeise,
                      &r.ZeilenWeise, &r.CutHints, &r.Klrand,     &r.KlPrint,     &r.NoKlR};
}

}  // namespace

std::array<std::uint8_t, OptionsRecSize> EncodeOptions(const TOptionsRec& Rec) {
    std::array<std::uint8_t, OptionsRecSize> bytes{};
    const auto f = flags(Rec);
    for (std::size_t i = 0; i < f.size(); ++i) bytes[i] = *f[i] ? 1 : 0;
    putDouble(&bytes[16], Rec.Krandxl);
    putDouble(&bytes[24], Rec.Krandyl);
    return bytes;
}

std::optional<TOptionsRec> DecodeOptions(const std::vector<unsigned char>& Bytes) {
    if (Bytes.size() != OptionsRecSize) return std::nullopt;
    TOptionsRec rec;
    const auto f = flags(rec);
    for (std::size_t i = 0; i < f.size(); ++i) *f[i] = Bytes[i] != 0;
    rec.Krandxl = getDouble(&Bytes[16]);
    rec.Krandyl = getDouble(&Bytes[24]);
    if (!std::isfinite(rec.Krandxl) || !std::isfinite(rec.Krandyl)) return std::nullopt;
    return rec;
}

std::optional<TOptionsRec> ReadOptionsFile(const String& Path) {
    const auto bytes = ReadWholeFile(Path, OptionsRecSize);
    if (!bytes) return std::nullopt;
    return DecodeOptions(*bytes);
}

bool WriteOptionsFile(const String& Path, const TOptionsRec& Rec) {
    const auto bytes = EncodeOptions(Rec);
    return WriteFileReplacing(Path, bytes.data(), bytes.size());
}

std::vector<String> ReadFolderList(const String& Path) {
    std::vector<String> list;
    const auto bytes = ReadWholeFile(Path, FolderFileLimit);
    if (!bytes) return list;
    std::unordered_set<std::string_view> seen;
    const char* text = reinterpret_cast<const char*>(bytes->data());
    const std::size_t size = bytes->size();
    for (std::size_t start = 0; start < size && list.size() < MaxPrefFolders;) {
        const void* nl = std::memchr(text + start, '\n', size - start);
        const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text) : size;
        std::string_view line(text + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Empty lines, lines no folder path can have and repeated lines are skipped.
        if (!line.empty() && line.size() <= MaxFolderPathBytes && line.find('\0') == std::string_view::npos &&
            seen.insert(line).second)
            list.emplace_back(line);
        start = end + 1;
    }
    return list;
}

void AddFolderToList(std::vector<String>& List, const String& Folder) {
    List.erase(std::remove(List.begin(), List.end(), Folder), List.end());
    List.insert(List.begin(), Folder);
    if (List.size() > MaxPrefFolders) List.resize(MaxPrefFolders);
}

bool WriteFolderList(const String& Path, const std::vector<String>& List) {
    String text;
    for (const String& folder : List) text += folder + "\n";
    return WriteFileReplacing(Path, text.data(), text.size());
}

RECT ProgressBarRect(const RECT& Panel, int Percent) {
    const int p = std::clamp(Percent, 0, 100);
    return RECT{Panel.left, Panel.top, Panel.left + (Panel.right - Panel.left) * p / 100, Panel.bottom};
}
