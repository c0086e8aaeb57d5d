// Inside the raster library: the table of picture file formats.
#pragma once

#include "pixwerk/codec.h"

#include <string>
#include <string_view>

namespace pixwerk {

struct Format {
    int type;             // type code (PW_BMP ... PW_PNG)
    const char* extension;  // upper case, without the dot
    const char* caption;    // dialog filter caption
    Decoder decode;
    Encoder encode;
    Sniffer sniff;
};

// The format of a type code, or null.
const Format* formatOfType(int type);
// The format chosen by a file name's extension, case-insensitively, or null.
const Format* formatOfName(std::string_view fileName);
// The format whose signature the content carries (strong signatures first), or null.
const Format* formatOfContent(const BYTE* data, std::size_t size);

// Dialog filters: "caption|*.EXT|..." pairs.
const std::string& openFilter();
const std::string& saveFilter();

}  // namespace pixwerk
