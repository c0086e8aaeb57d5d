// The thumbnail browser's cache file "dabbrwse.cbf", kept in each browsed folder.
//
// Layout, little-endian and without alignment: the magic 0x0E3B (2 bytes), the entry count
// n (signed 32-bit), then n entries: the file name (UTF-8 bytes, zero-terminated in a
// 261-byte field), eight signed 32-bit values (TThumbInfo), the size s of the thumbnail
// block, and the block itself: its 40-byte info header, its colour table (4 bytes a colour,
// for 256 colours or fewer) and its pixel rows.
//
// Reading trusts nothing: it stops at the end of the file, and an entry that does not agree
// with itself or its header is left out of the index (a miss). The check value of a file is
// derived from its bytes, so a picture changed under the same name misses and is made anew.
//
// The byte layer (ParseThumbIndex, LoadThumb from a source, ThumbCacheImage) works on the
// stored names; the file layer (folders, ReadThumbIndex, FindThumb, WriteThumbCache) takes
// folders and names in the ANSI code page, as the rest of the poster window does.
#pragma once

#include "pixwerk/pixwerk.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr char kThumbCacheName[] = "dabbrwse.cbf";
inline constexpr std::uint16_t kThumbCacheMagic = 0x0E3B;
inline constexpr std::size_t kThumbNameField = 261;
inline constexpr int kThumbMaxSide = 80;
// The browser's log lines for a cache read and a cache written.
inline constexpr char kThumbCacheOpenedText[] = "Browser informations opened.";
inline constexpr char kThumbCacheSavedText[] = "Browser informations saved.";

// The eight values of an entry.
struct TThumbInfo {
    std::int32_t Bits = 0;         // bits per pixel of the picture (and its thumbnail)
    std::int32_t ThumbWidth = 0;   // 1 to 80
    std::int32_t ThumbHeight = 0;  // 1 to 80
    std::int32_t Width = 0;        // of the picture
    std::int32_t Height = 0;
    std::int32_t Colors = 0;       // 2 to the bits
    std::int32_t SizeKB = 0;       // the picture's data size div 1024
    std::int32_t Check = 0;        // ThumbCheckValue of the file
};

// One entry of the index: the name, the values and where the thumbnail block lies.
struct TThumbIndexRec {
    std::string Name;  // stored (UTF-8) from ParseThumbIndex, ANSI from ReadThumbIndex
    TThumbInfo Info;
    std::uint64_t Position = 0;  // of the block, just after its size field
    std::uint32_t BlockSize = 0;
};
using TThumbIndex = std::vector<TThumbIndexRec>;

// Random access to the bytes of a cache.
class TThumbCacheSource {
public:
    virtual ~TThumbCacheSource() = default;
    virtual std::uint64_t Size() const = 0;
    // False unless all Count bytes at Position could be read.
    virtual bool ReadAt(std::uint64_t Position, void* Buffer, std::size_t Count) const = 0;
};

// A cache held in memory (the bytes must outlive the source).
class TThumbCacheBytes : public TThumbCacheSource {
public:
    TThumbCacheBytes(const void* Data, std::size_t Size) : data_(static_cast<const unsigned char*>(Data)), size_(Size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t Position, void* Buffer, std::size_t Count) const override;

private:
    const unsigned char* data_;
    std::size_t size_;
};

// Folder + "/" + "dabbrwse.cbf" (one separator).
std::string ThumbCachePath(const std::string& Folder);

// The entries that pass every check; empty for a foreign, empty or damaged header.
TThumbIndex ParseThumbIndex(const TThumbCacheSource& Source);
// Reads the folder's cache index. False (and an empty index) when the file cannot be
// opened; true when it was opened, whatever it held (the browser then logs
// kThumbCacheOpenedText).
bool ReadThumbIndex(const std::string& Folder, TThumbIndex& Index);

// Whether the values describe a thumbnail the reader accepts.
bool ThumbInfoValid(const TThumbInfo& Info);
// Bytes of the thumbnail block of such values: header, colour table and pixel rows.
std::uint32_t ThumbBlockSize(const TThumbInfo& Info);

// The thumbnail of an index entry (no pixels when the block no longer agrees with the
// entry or cannot be read).
UniqueDib LoadThumb(const TThumbCacheSource& Source, const TThumbIndexRec& Entry);
UniqueDib LoadThumb(const std::string& Folder, const TThumbIndexRec& Entry);

// The cached entry for a file: the name equal with that check value, else the name equal
// in any letter case with that check value; null when none (always for a negative check).
const TThumbIndexRec* FindThumb(const TThumbIndex& Index, const std::string& Name, std::int32_t Check);

// The check value of a file: the content digest of its bytes (read in blocks of 65,536
// bytes), its two halves combined, with the sign bit cleared, or -1 when it cannot be read. Progress gets the share read in per
// cent after each block, then 0.
std::int32_t ThumbCheckValue(const std::string& Path, const std::function<void(int Percent)>& Progress = {});

// One thumbnail to write, with its values; the picture is not owned.
struct TThumbEntry {
    std::string Name;  // stored (UTF-8) for ThumbCacheImage, ANSI for WriteThumbCache
    TThumbInfo Info;
    TDib Thumb{};
};
// The cache bytes of the entries that can be stored (a name of 1 to 260 bytes, values
// valid and matching the thumbnail); *Written gets their number.
std::vector<unsigned char> ThumbCacheImage(const std::vector<TThumbEntry>& Entries, int* Written = nullptr);
// Whether a cache may be written at Path: it does not exist or cannot be opened, or its
// first two bytes are the magic (an empty or foreign file is left alone).
bool ThumbCacheReplaceable(const std::string& Path);
// Writes the folder's cache through a temporary file in the folder when it may be
// replaced and at least one entry can be stored; false otherwise (a read-only folder
// included), and nothing changes.
bool WriteThumbCache(const std::string& Folder, const std::vector<TThumbEntry>& Entries);
