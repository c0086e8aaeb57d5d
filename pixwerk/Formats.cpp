// The table of picture file formats and the dialog filters made from it.
#include "pixwerk/Formats.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace pixwerk {
namespace {

// In type-code order.
const std::array<Format, 12> kFormats = {{
    {PW_BMP, "BMP", "BMP - Windows, OS/2 Bitmap", decodeBmp, encodeBmp, sniffBmp},
    {PW_DIB, "DIB", "DIB - Windows, OS/2 DIB", decodeBmp, encodeBmp, sniffBmp},
    {PW_GIF, "GIF", "GIF - CompuServe Graphics Interchange", decodeGif, encodeGif, sniffGif},
    {PW_IFF, "IFF", "IFF - Amiga", decodeIff, encodeIff, sniffIff},
    {PW_JIF, "JIF", "JIF - JPEG - JFIF Compilant", decodeJpeg, encodeJpeg, sniffJpeg},
    {PW_JPG, "JPG", "JPG - JPEG - JFIF Compilant", decodeJpeg, encodeJpeg, sniffJpeg},
    {PW_LBM, "LBM", "LBM - Deluxe Paint", decodeIff, encodeIff, sniffIff},
    {PW_PCX, "PCX", "PCX - ZSoft Paintbrush", decodePcx, encodePcx, sniffPcx},
    {PW_RLE, "RLE", "RLE - Windows RLE", decodeBmp, encodeBmp, sniffBmp},
    {PW_TGA, "TGA", "TGA - Truevision Targa", decodeTga, encodeTga, sniffTga},
    {PW_TIF, "TIF", "TIF - Tagged image file Format", decodeTiff, encodeTiff, sniffTiff},
    {PW_PNG, "PNG", "PNG - Portable Graphics Network", decodePng, encodePng, sniffPng},
}};

// Other spellings of extensions.
struct Alias {
    const char* extension;
    int type;
};
constexpr Alias kAliases[] = {{"JPEG", PW_JPG}, {"TIFF", PW_TIF}};

// Sniffing order: formats with strong signatures first; TGA has none and comes last.
constexpr int kSniffOrder[] = {PW_PNG, PW_JPG, PW_GIF, PW_TIF, PW_BMP, PW_IFF, PW_PCX, PW_TGA};

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string filter(bool forOpen) {
    std::string all, entries;
    for (const Format& f : kFormats) {
        all += std::string(all.empty() ? "" : ";") + "*." + f.extension;
        entries += std::string(entries.empty() ? "" : "|") + f.caption + "|*." + f.extension;
    }
    if (!forOpen) return entries;
    return "All pictures|" + all + "|" + entries + "|All files (*.*)|*.*";
}

}  // namespace

const Format* formatOfType(int type) {
    for (const Format& f : kFormats)
        if (f.type == type) return &f;
    return nullptr;
}

const Format* formatOfName(std::string_view fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return nullptr;
    const std::string ext = upper(base.substr(dot + 1));
    for (const Format& f : kFormats)
        if (ext == f.extension) return &f;
    for (const Alias& a : kAliases)
        if (ext == a.extension) return formatOfType(a.type);
    return nullptr;
}

const Format* formatOfContent(const BYTE* data, std::size_t size) {
    for (int type : kSniffOrder) {
        const Format* f = formatOfType(type);
        if (f->sniff(data, size)) return f;
    }
    return nullptr;
}

const std::string& openFilter() {
    static const std::string text = filter(true);
    return text;
}

const std::string& saveFilter() {
    static const std::string text = filter(false);
    return text;
}

}  // namespace pixwerk
