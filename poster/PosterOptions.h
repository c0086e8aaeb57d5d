// The poster window's stored options ("options.dat", a fixed 32-byte record), its list of
// preferred folders ("folders.dat", one folder a line, most recent first) and the geometry
// of the status bar's progress bar. No widgets here: the window copies values in and out.
#pragma once

#include "classlib/System.h"
#include "platform/wintypes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The options record, in the order of its bytes in "options.dat".
struct TOptionsRec {
    bool Doppelt = false;      // 0: doubled line strength
    bool Schnitt = false;      // 1: cut lines
    bool Klebe = false;        // 2: sticking (glue) lines
    bool NoRandLines = false;  // 3: no lines at the edge of the poster
    bool Zentr = false;        // 4: centre
    bool UseAll = false;       // 5: use page fully
    bool NotVerz = false;      // 6: do not distort
    bool NotPrintOff = false;  // 7: do not print the pages switched off
    bool PrintAll = false;     // 8: print all pages
    bool SpaltenWeise = false; // 9: print in columns
    bool ZeilenWeise = false;  // 10: print in rows
    bool CutHints = false;     // 11: notes on the edges
    bool Klrand = false;       // 12: edge for glue
    bool KlPrint = false;      // 13: print on the edge for glue
    bool NoKlR = false;        // 14: no edge for glue at the edge of the poster
    double Krandxl = 0;        // 16: glue strip width, percent of the page width
    double Krandyl = 0;        // 24: glue strip height, percent of the page height

    bool operator==(const TOptionsRec&) const = default;
};

inline constexpr std::size_t OptionsRecSize = 32;
inline constexpr const char* OptionsFileName = "options.dat";
inline constexpr const char* FoldersFileName = "folders.dat";

// The record's 32 bytes (little-endian doubles, booleans as 0 or 1, byte 15 zero).
std::array<std::uint8_t, OptionsRecSize> EncodeOptions(const TOptionsRec& Rec);
// The record from its bytes: any non-zero boolean byte is on, byte 15 is ignored. Nothing
// when the data is not exactly 32 bytes or a percentage is not a finite number.
std::optional<TOptionsRec> DecodeOptions(const std::vector<unsigned char>& Bytes);

// Reads the record from a file; nothing when it cannot be opened or is damaged.
std::optional<TOptionsRec> ReadOptionsFile(const String& Path);
// Writes the record, replacing the file only when the whole record was written.
bool WriteOptionsFile(const String& Path, const TOptionsRec& Rec);

// The preferred folders kept, newest first; older ones are dropped.
inline constexpr std::size_t MaxPrefFolders = 1000;
// The longest line taken for a folder path (the file system's limit).
inline constexpr std::size_t MaxFolderPathBytes = 4096;

// The folders of a preferred-folders file, one a line (CR LF or LF), at most
// MaxPrefFolders; empty, overlong and repeated lines are skipped. An empty list when the
// file cannot be read. Linear in the file's length.
std::vector<String> ReadFolderList(const String& Path);
// Moves `Folder` to the top of the list (removing an equal entry; comparison is exact) and
// drops the oldest entries beyond MaxPrefFolders.
void AddFolderToList(std::vector<String>& List, const String& Folder);
// Writes every entry as one line; false when the file could not be written.
bool WriteFolderList(const String& Path, const std::vector<String>& List);

// The progress bar's rectangle in a status-bar panel: from the panel's left edge to
// left + (right - left) x percent / 100 (integer division), over the panel's full height;
// the percentage is held to 0..100 so the bar never leaves its panel.
RECT ProgressBarRect(const RECT& Panel, int Percent);
