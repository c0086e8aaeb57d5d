#include "editor/UserFilterFile.h"

#include "poster/ProgramFolder.h"

#include <cstring>

namespace {

std::int32_t readInt(const unsigned char* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

void writeInt(unsigned char* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

// Files beyond this hold more filters than anyone keeps; they are not read.
constexpr std::size_t MaxFileSize = std::size_t{64} << 20;

}  // namespace

String UserFilterLoadMessage(TUserFilterLoad Result) {
    if (Result != TUserFilterLoad::Damaged) return String();
    return "The file \"UserFilt.dat\" is damaged: only its complete filters were read.";
}

TUserFilterLoad ParseUserFilters(const unsigned char* Data, std::size_t Size, std::vector<TFilterRec>& Out) {
    Out.clear();
    if (!Data || Size < 4 || readInt(Data) != UserFilterMagic) return TUserFilterLoad::WrongMagic;
    if (Size < 8) return TUserFilterLoad::Damaged;
    const std::int32_t n = readInt(Data + 4);
    if (n < 0) return TUserFilterLoad::Damaged;
    const std::size_t room = (Size - 8) / sizeof(TFilterRec);
    const std::size_t count = std::min(room, static_cast<std::size_t>(n));
    Out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        TFilterRec rec;
        ReadFilterRec(Data + 8 + i * sizeof(TFilterRec), sizeof(TFilterRec), rec);
        Out.push_back(rec);
    }
    return count == static_cast<std::size_t>(n) ? TUserFilterLoad::Loaded : TUserFilterLoad::Damaged;
}

std::vector<unsigned char> StoreUserFilters(const std::vector<TFilterRec>& Filters) {
    std::vector<unsigned char> bytes(8 + Filters.size() * sizeof(TFilterRec));
    writeInt(bytes.data(), UserFilterMagic);
    writeInt(bytes.data() + 4, static_cast<std::int32_t>(Filters.size()));
    unsigned char* p = bytes.data() + 8;
    for (const TFilterRec& f : Filters) {
        writeInt(p, f.Divisor);
        writeInt(p + 4, f.Bias);
        for (int i = 0; i < 25; ++i) writeInt(p + 8 + 4 * i, f.Matrix[i]);
        std::memcpy(p + 108, f.Name, sizeof f.Name);
        std::memcpy(p + 365, f.Caption, sizeof f.Caption);
        p[622] = p[623] = 0;
        p += sizeof(TFilterRec);
    }
    return bytes;
}

void SetUserFilterName(TFilterRec& Filter, const std::string& Name) {
    std::size_t n = std::min<std::size_t>(Name.size(), sizeof Filter.Name - 1);
    // Back to the first byte of a character when the cut falls inside one.
    if (n < Name.size())
        while (n > 0 && (static_cast<unsigned char>(Name[n]) & 0xC0) == 0x80) --n;
    SetFilterName(Filter, Name.substr(0, n));
}

TUserFilterList::TUserFilterList()
    : TUserFilterList(ProgramFileForReading(UserFilterFileName), ProgramFileForWriting(UserFilterFileName)) {}

TUserFilterList::TUserFilterList(String ReadPath, String WritePath)
    : FReadPath(std::move(ReadPath)), FWritePath(std::move(WritePath)) {}

TUserFilterLoad TUserFilterList::Load() {
    FFilters.clear();
    FChanged = false;
    const std::optional<std::vector<unsigned char>> bytes = ReadWholeFile(FReadPath, MaxFileSize);
    if (!bytes) return FLoad = TUserFilterLoad::Missing;
    return FLoad = ParseUserFilters(bytes->data(), bytes->size(), FFilters);
}

void TUserFilterList::Append(const TFilterRec& Filter) {
    FFilters.push_back(Filter);
    FChanged = true;
}

bool TUserFilterList::Replace(int Index, const TFilterRec& Filter) {
    if (Index < 0 || Index >= Count()) return false;
    FFilters[static_cast<std::size_t>(Index)] = Filter;
    FChanged = true;
    return true;
}

bool TUserFilterList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) return false;
    FFilters.erase(FFilters.begin() + Index);
    FChanged = true;
    return true;
}

bool TUserFilterList::Save() {
    const std::vector<unsigned char> bytes = StoreUserFilters(FFilters);
    return WriteFileReplacing(FWritePath, bytes.data(), bytes.size());
}

bool TUserFilterList::Close() {
    if (FLoad != TUserFilterLoad::Loaded && !FChanged) return true;
    return Save();
}
