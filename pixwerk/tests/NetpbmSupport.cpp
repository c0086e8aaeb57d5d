#include "pixwerk/tests/NetpbmSupport.h"

#include "testsupport/TestSupport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace netpbm {
namespace {

const BYTE* rowOf(const TDib& dib, int y) {
    return dib.Bits + static_cast<std::ptrdiff_t>(dib.Info->bmiHeader.biHeight - 1 - y) * dib.LineBytes;
}

BYTE* rowOf(TDib& dib, int y) { return const_cast<BYTE*>(rowOf(static_cast<const TDib&>(dib), y)); }

unsigned indexAt(const BYTE* row, int x, int bits) {
    switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1u;
    case 4: return x % 2 ? row[x / 2] & 0x0Fu : row[x / 2] >> 4;
    default: return row[x];
    }
}

void setIndex(BYTE* row, int x, int bits, unsigned v) {
    switch (bits) {
    case 1:
        if (v & 1u) row[x / 8] |= static_cast<BYTE>(0x80u >> (x % 8));
        else row[x / 8] &= static_cast<BYTE>(~(0x80u >> (x % 8)));
        break;
    case 4:
        row[x / 2] = x % 2 ? static_cast<BYTE>((row[x / 2] & 0xF0u) | (v & 0x0Fu))
                           : static_cast<BYTE>((row[x / 2] & 0x0Fu) | ((v & 0x0Fu) << 4));
        break;
    default: row[x] = static_cast<BYTE>(v);
    }
}

// Skips white space and comments of a PNM header, then reads one decimal number.
bool headerNumber(std::istream& in, long& value) {
    int c = in.get();
    while (c != EOF) {
        if (c == '#') {
            while (c != EOF && c != '\n') c = in.get();
        } else if (!std::isspace(c)) {
            break;
        }
        c = in.get();
    }
    if (c == EOF || !std::isdigit(c)) return false;
    value = 0;
    while (c != EOF && std::isdigit(c)) {
        value = value * 10 + (c - '0');
        if (value > 1 << 20) return false;
        c = in.get();
    }
    return true;  // the single white-space byte after the number is consumed
}

std::uint8_t scaled(long v, long maxval) { return static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval); }

}  // namespace

RgbImage toRgb(const TDib& dib) {
    RgbImage out;
    if (!dib.Bits) return out;
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    out.width = h.biWidth;
    out.height = h.biHeight;
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    for (int y = 0; y < out.height; ++y) {
        const BYTE* row = rowOf(dib, y);
        for (int x = 0; x < out.width; ++x) {
            std::uint8_t* p = &out.rgb[(static_cast<std::size_t>(y) * out.width + x) * 3];
            if (h.biBitCount == 24) {
                p[0] = row[3 * x + 2];
                p[1] = row[3 * x + 1];
                p[2] = row[3 * x];
            } else {
                const RGBQUAD& q = dib.Info->bmiColors[indexAt(row, x, h.biBitCount)];
                p[0] = q.rgbRed;
                p[1] = q.rgbGreen;
                p[2] = q.rgbBlue;
            }
        }
    }
    return out;
}

bool writePnm(const std::string& path, const RgbImage& image, PnmKind kind) {
    if (kind == PnmKind::Automatic) {
        bool grey = true, blackWhite = true;
        for (std::size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
            const auto r = image.rgb[i], g = image.rgb[i + 1], b = image.rgb[i + 2];
            grey = grey && r == g && g == b;
            blackWhite = blackWhite && grey && (r == 0 || r == 255);
        }
        kind = blackWhite ? PnmKind::Pbm : grey ? PnmKind::Pgm : PnmKind::Ppm;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const char* magic = kind == PnmKind::Pbm ? "P4" : kind == PnmKind::Pgm ? "P5" : "P6";
    out << magic << "\n" << image.width << " " << image.height << "\n";
    if (kind != PnmKind::Pbm) out << "255\n";
    std::vector<char> row;
    for (int y = 0; y < image.height; ++y) {
        row.assign(kind == PnmKind::Pbm ? (image.width + 7) / 8 : 0, 0);
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.at(x, y);
            switch (kind) {
            case PnmKind::Pbm:
                if (p[0] == 0 && p[1] == 0 && p[2] == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
                break;
            case PnmKind::Pgm: row.push_back(static_cast<char>(p[0])); break;
            default: row.insert(row.end(), p, p + 3);
            }
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

bool writePnm(const std::string& path, const TDib& dib, PnmKind kind) {
    return dib.Bits && writePnm(path, toRgb(dib), kind);
}

std::optional<RgbImage> readPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char p = 0, type = 0;
    if (!in.get(p) || !in.get(type) || p != 'P' || type < '1' || type > '6') return std::nullopt;
    const bool bitmap = type == '1' || type == '4';
    const bool plain = type <= '3';
    const int channels = type == '3' || type == '6' ? 3 : 1;
    long width = 0, height = 0, maxval = 1;
    if (!headerNumber(in, width) || !headerNumber(in, height) || width <= 0 || height <= 0) return std::nullopt;
    if (!bitmap && (!headerNumber(in, maxval) || maxval <= 0 || maxval > 65535)) return std::nullopt;
    RgbImage out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    const int sampleBytes = maxval > 255 ? 2 : 1;
    for (long y = 0; y < height; ++y) {
        std::vector<unsigned char> packed;
        if (bitmap && !plain) {
            packed.resize(static_cast<std::size_t>((width + 7) / 8));
            if (!in.read(reinterpret_cast<char*>(packed.data()), static_cast<std::streamsize>(packed.size())))
                return std::nullopt;
        }
        for (long x = 0; x < width; ++x) {
            std::uint8_t* px = &out.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            if (bitmap) {
                long bit = 0;
                if (plain) {
                    char c = 0;
                    do {
                        if (!in.get(c)) return std::nullopt;
                    } while (std::isspace(static_cast<unsigned char>(c)));
                    if (c != '0' && c != '1') return std::nullopt;
                    bit = c - '0';
                } else {
                    bit = (packed[x / 8] >> (7 - x % 8)) & 1;
                }
                std::fill(px, px + 3, bit ? 0 : 255);
                continue;
            }
            for (int c = 0; c < channels; ++c) {
                long v = 0;
                if (plain) {
                    in >> v;
                    if (!in) return std::nullopt;
                } else {
                    unsigned char b[2] = {0, 0};
                    if (!in.read(reinterpret_cast<char*>(b), sampleBytes)) return std::nullopt;
                    v = sampleBytes == 2 ? b[0] << 8 | b[1] : b[0];
                }
                if (v > maxval) return std::nullopt;
                px[c] = scaled(v, maxval);
            }
            if (channels == 1) px[1] = px[2] = px[0];
        }
    }
    return out;
}

bool have(const std::string& program) { return testsupport::haveProgram(program); }

bool convert(const std::string& command, const std::string& input, const std::string& output) {
    const std::string line = command + " < '" + input + "' > '" + output + "' 2>/dev/null";
    return testsupport::runCommand(line) == 0 && !testsupport::readFile(output).empty();
}

::testing::AssertionResult samePixels(const RgbImage& expected, const RgbImage& actual, int tolerance) {
    if (expected.width != actual.width || expected.height != actual.height)
        return ::testing::AssertionFailure() << "size " << actual.width << " x " << actual.height << ", expected "
                                             << expected.width << " x " << expected.height;
    int worst = 0;
    std::size_t first = expected.rgb.size();
    for (std::size_t i = 0; i < expected.rgb.size(); ++i) {
        const int d = std::abs(int(expected.rgb[i]) - int(actual.rgb[i]));
        if (d > tolerance && first == expected.rgb.size()) first = i;
        worst = std::max(worst, d);
    }
    if (first == expected.rgb.size()) return ::testing::AssertionSuccess();
    const std::size_t pixel = first / 3;
    const std::size_t at = pixel * 3;
    return ::testing::AssertionFailure()
           << "pixel (" << pixel % expected.width << ", " << pixel / expected.width << ") is " << int(actual.rgb[at])
           << "," << int(actual.rgb[at + 1]) << "," << int(actual.rgb[at + 2]) << ", expected " << int(expected.rgb[at])
           << "," << int(expected.rgb[at + 1]) << "," << int(expected.rgb[at + 2]) << "; largest difference " << worst
           << " (tolerance " << tolerance << ")";
}

UniqueDib testPicture(int width, int height, int bits, bool grey) {
    const int colours = bits <= 8 ? 1 << bits : 0;
    BITMAPINFO* table = nullptr;
    std::vector<unsigned char> block;
    if (colours) {
        block.resize(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * colours);
        table = reinterpret_cast<BITMAPINFO*>(block.data());
        for (int i = 0; i < colours; ++i) {
            RGBQUAD& q = table->bmiColors[i];
            const int v = i * 255 / (colours - 1);
            if (grey || bits == 1) q = RGBQUAD{BYTE(v), BYTE(v), BYTE(v), 0};
            else q = RGBQUAD{BYTE(v), BYTE((i * 97 + 40) % 256), BYTE(255 - v), 0};
        }
    }
    UniqueDib dib;
    newdib(dib.out(), width, height, bits, table, colours);
    if (!dib) return dib;
    TDib d = dib.get();
    for (int y = 0; y < height; ++y) {
        BYTE* row = rowOf(d, y);
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                row[3 * x] = static_cast<BYTE>(x * 255 / std::max(1, width - 1));
                row[3 * x + 1] = static_cast<BYTE>(y * 255 / std::max(1, height - 1));
                row[3 * x + 2] = static_cast<BYTE>((x * 7 + y * 13) % 256);
            } else if (bits == 1) {
                setIndex(row, x, 1, ((x / 3 + y / 2) % 2) ^ (x == y ? 1u : 0u));
            } else {
                setIndex(row, x, bits, static_cast<unsigned>((x + 3 * y + x * y / 5) % colours));
            }
        }
    }
    return dib;
}

}  // namespace netpbm
