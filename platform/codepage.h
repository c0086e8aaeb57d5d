// The process's 8-bit ("ANSI") code page, conversions between code pages and UTF-16,
// and character case and class calls.
// The code page is UTF-8 (65001) unless a test or the user chooses another: one of the
// single-byte code pages 1250 to 1258, 437 and 850, or the double-byte 932, 936, 949, 950.
#pragma once

#include "platform/wintypes.h"

#include <string>
#include <string_view>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_MACCP = 2;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF7 = 65000;
inline constexpr UINT CP_UTF8 = 65001;

// MultiByteToWideChar flags. MB_USEGLYPHCHARS turns the control bytes of the OEM code
// pages (437, 850) into their picture characters.
inline constexpr DWORD MB_PRECOMPOSED = 0x1;
inline constexpr DWORD MB_COMPOSITE = 0x2;
inline constexpr DWORD MB_USEGLYPHCHARS = 0x8;

// WideCharToMultiByte flags (accepted; characters are never replaced by look-alikes).
inline constexpr DWORD WC_DISCARDNS = 0x10;
inline constexpr DWORD WC_SEPCHARS = 0x20;
inline constexpr DWORD WC_DEFAULTCHAR = 0x40;
inline constexpr DWORD WC_COMPOSITECHECK = 0x200;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

inline constexpr int MAX_DEFAULTCHAR = 2;
inline constexpr int MAX_LEADBYTES = 12;

struct CPINFO {
    UINT MaxCharSize;
    BYTE DefaultChar[MAX_DEFAULTCHAR];
    BYTE LeadByte[MAX_LEADBYTES];  // pairs of first and last lead byte, closed by 0, 0
};

UINT GetACP();
UINT GetOEMCP();
BOOL IsValidCodePage(UINT codePage);
BOOL GetCPInfo(UINT codePage, CPINFO* info);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE test);
BOOL IsDBCSLeadByte(BYTE test);

// Lengths of -1 mean a null-terminated source, whose terminator is converted and counted.
// A destination size of 0 asks for the size needed. Bytes without a mapping become U+FFFD;
// characters without a mapping become the default character ("?" unless one is given),
// and *usedDefaultChar tells whether that happened.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR dest,
                        int destLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR dest,
                        int destLength, LPCSTR defaultChar, BOOL* usedDefaultChar);

// Case and class of characters. A pointer whose high bits are 0 stands for one character
// (in its low word, or low byte for the 8-bit forms), which is returned converted; any other
// pointer is a null-terminated text converted in place. Case mapping is one UTF-16 code
// unit at a time, so lengths never change.
LPSTR CharUpperA(LPSTR text);
LPWSTR CharUpperW(LPWSTR text);
LPSTR CharLowerA(LPSTR text);
LPWSTR CharLowerW(LPWSTR text);
DWORD CharUpperBuffA(LPSTR text, DWORD length);
DWORD CharUpperBuffW(LPWSTR text, DWORD length);
DWORD CharLowerBuffA(LPSTR text, DWORD length);
DWORD CharLowerBuffW(LPWSTR text, DWORD length);
BOOL IsCharAlphaA(CHAR ch);
BOOL IsCharAlphaW(WCHAR ch);
BOOL IsCharAlphaNumericA(CHAR ch);
BOOL IsCharAlphaNumericW(WCHAR ch);
BOOL IsCharUpperA(CHAR ch);
BOOL IsCharUpperW(WCHAR ch);
BOOL IsCharLowerA(CHAR ch);
BOOL IsCharLowerW(WCHAR ch);
// The next and previous character of 8-bit text in the ANSI code page.
LPSTR CharNextA(LPCSTR text);
LPSTR CharPrevA(LPCSTR start, LPCSTR current);

namespace platform {

// Chooses the ANSI code page; false (and no change) for a code page that is not offered.
bool setAnsiCodePage(UINT codePage);

// 8-bit text in the process's code page to UTF-16; bytes without a mapping become U+FFFD.
// With the UTF-8 code page every byte sequence round-trips: bytes that are not UTF-8 become
// U+DC80..U+DCFF, as file names carry them (fileapi.h).
std::u16string ansiToWide(std::string_view text);
// UTF-16 to the process's code page; characters without a mapping become "?" (with the
// UTF-8 code page U+DC80..U+DCFF become their bytes again).
std::string wideToAnsi(std::u16string_view text);

// The same for any offered code page (CP_ACP, CP_OEMCP and CP_THREAD_ACP included).
// `lossy` tells whether a character had no mapping.
std::u16string toWide(std::string_view text, UINT codePage, DWORD flags = 0);
std::string fromWide(std::u16string_view text, UINT codePage, bool* lossy = nullptr);

// Case of one UTF-16 code unit (unchanged when its mapping would leave the basic plane).
char16_t upperUnit(char16_t c);
char16_t lowerUnit(char16_t c);

}  // namespace platform
