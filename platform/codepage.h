// The process's 8-bit ("ANSI") code page and conversions between it and UTF-16.
// The code page is UTF-8 (65001) unless a test or the user chooses another.
#pragma once

#include "platform/wintypes.h"

#include <string>
#include <string_view>

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_UTF8 = 65001;

namespace platform {

// 8-bit text in the process's code page to UTF-16; bytes without a mapping become U+FFFD.
std::u16string ansiToWide(std::string_view text);
// UTF-16 to the process's code page; characters without a mapping become "?".
std::string wideToAnsi(std::u16string_view text);

}  // namespace platform
