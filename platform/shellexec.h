// Opening documents with the desktop's associated program.
#pragma once

#include "platform/winuser.h"

#include <functional>
#include <string>

inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_PNF = 3;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_OOM = 8;
inline constexpr int SE_ERR_SHARE = 26;
inline constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
inline constexpr int SE_ERR_DDETIMEOUT = 28;
inline constexpr int SE_ERR_DDEFAIL = 29;
inline constexpr int SE_ERR_DDEBUSY = 30;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int SE_ERR_DLLNOTFOUND = 32;

// Runs `operation` ("open", or null for the default, which is "open") on `file`: a local
// file or folder, or a URL (http:, https:, mailto:, file:). Relative paths are taken from
// `directory` when given. Returns a value above 32 on success, else an SE_ERR_* code
// (SE_ERR_FNF for a missing file, SE_ERR_NOASSOC for an unknown verb or when no program
// opened it). `parameters` and `showCmd` are accepted and not used.
HINSTANCE ShellExecuteA(HWND wnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        int showCmd);
HINSTANCE ShellExecuteW(HWND wnd, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        int showCmd);

namespace platform {

// The seam under ShellExecute: gets the verb and the URL to open (a file: URL for files)
// and returns whether a program took it. The default asks QDesktopServices::openUrl.
using ShellOpenHandler = std::function<bool(const std::string& verb, const std::string& url)>;
// Installs a handler (an empty one restores the desktop's); returns the previous one.
ShellOpenHandler setShellOpenHandler(ShellOpenHandler handler);

}  // namespace platform
