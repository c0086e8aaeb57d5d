// The program folder: the executable's folder, which holds the shipped files, and the rule
// for the files the program writes there (options, preferred folders, user filters).
//
// Written files go to the executable's folder when it is writable, else to the per-user
// data folder $XDG_DATA_HOME/tessellon/ ($HOME/.local/share/tessellon/ when unset). A file
// is read from the writable folder first, then from the executable's folder.
// Folder texts end in "/"; names are in the ANSI code page.
#pragma once

#include "classlib/System.h"

#include <cstddef>
#include <optional>
#include <vector>

// The executable's folder (or the folder a test put in its place), ending in "/".
String ProgramFolder();
// $XDG_DATA_HOME/tessellon/, ending in "/"; not created.
String UserDataFolder();
// The folder written files go to: ProgramFolder() when writable, else UserDataFolder().
String WritableProgramFolder();
// The path to read the program file `Name` from: the writable folder's copy when it
// exists, else the executable folder's (which need not exist).
String ProgramFileForReading(const String& Name);
// The path to write the program file `Name` to; creates the per-user folder when needed.
String ProgramFileForWriting(const String& Name);

// Writes `Size` bytes as the whole file `Path` (platform/atomicfile.h): a failed write
// leaves the old file as it was, and a read-only file is refused. False when any step fails.
bool WriteFileReplacing(const String& Path, const void* Data, std::size_t Size);
// The whole content of a regular file, or nothing when it cannot be opened or read (a
// FIFO or a device is refused without waiting). Files larger than `Limit` bytes are not read.
std::optional<std::vector<unsigned char>> ReadWholeFile(const String& Path, std::size_t Limit);

namespace programfolder {

// For tests: a folder in place of the executable's (empty restores the real one) and a
// fixed answer to whether it is writable (nullopt asks the file system).
void setFolderForTesting(const String& Folder, std::optional<bool> Writable = std::nullopt);

}  // namespace programfolder
