// The user filter file "UserFilt.dat": magic 0x000E3B57, a count n, then n 624-byte filter
// records, little-endian. Names are UTF-8 within their 257-byte field.
#pragma once

#include "classlib/System.h"
#include "poster/Filters.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::int32_t UserFilterMagic = 0x000E3B57;
inline constexpr const char* UserFilterFileName = "UserFilt.dat";

enum class TUserFilterLoad {
    Loaded,      // the file as written
    Missing,     // no file, or it could not be read
    WrongMagic,  // not a user filter file: an empty list
    Damaged,     // fewer records than its count (or a negative count): the whole ones
};

// What the dialog tells the user after a load: nothing for a file read as written, a
// missing one or a foreign one (an empty list); for a damaged file that only its complete
// filters were kept.
String UserFilterLoadMessage(TUserFilterLoad Result);

// The records of a file's bytes. Never more than the bytes hold; names end inside their
// fields.
TUserFilterLoad ParseUserFilters(const unsigned char* Data, std::size_t Size, std::vector<TFilterRec>& Out);
// The bytes of a file holding the records.
std::vector<unsigned char> StoreUserFilters(const std::vector<TFilterRec>& Filters);

// Sets a user filter's name from UTF-8 text, cut at a character boundary to 256 bytes.
void SetUserFilterName(TFilterRec& Filter, const std::string& Name);

// The list the user filter dialog edits, with the file it comes from and goes to.
class TUserFilterList {
public:
    // The program folder's file: read from the writable folder's copy when there is one,
    // written to the writable folder.
    TUserFilterList();
    TUserFilterList(String ReadPath, String WritePath);

    // Empties the list and reads the file.
    TUserFilterLoad Load();
    TUserFilterLoad LoadResult() const { return FLoad; }
    const std::vector<TFilterRec>& Filters() const { return FFilters; }
    int Count() const { return static_cast<int>(FFilters.size()); }
    bool Changed() const { return FChanged; }

    void Append(const TFilterRec& Filter);
    // False for an index outside the list.
    bool Replace(int Index, const TFilterRec& Filter);
    bool Delete(int Index);

    // Writes the list as the whole file (a new file renamed over the old one: a failed
    // write keeps the old filters). False when it could not be written.
    bool Save();
    // The write when the dialog closes: skipped (true) when the file was not read as a
    // user filter file and the list was not changed, so a damaged or foreign file stays.
    bool Close();

    const String& ReadPath() const { return FReadPath; }
    const String& WritePath() const { return FWritePath; }

private:
    String FReadPath, FWritePath;
    std::vector<TFilterRec> FFilters;
    TUserFilterLoad FLoad = TUserFilterLoad::Missing;
    bool FChanged = false;
};
