// PNG through libpng. Palette pictures keep their depth (2 bits become 4), grey becomes an
// 8-bit grey ramp (1-bit grey stays 1-bit), colour becomes 24 bits; alpha and tRNS are
// composited over white.
#include "pixwerk/codec.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace pixwerk {
namespace {

struct PngState {
    const BYTE* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    Progress* progress = nullptr;
    int height = 0;
    int passes = 1;
    char message[256] = {};
    bool outOfMemory = false;
    std::vector<BYTE> buffer;  // rows that need converting
    std::vector<png_bytep> rows;
};

PngState& stateOf(png_structp png) { return *static_cast<PngState*>(png_get_error_ptr(png)); }

[[noreturn]] void pngError(png_structp png, png_const_charp message) {
    std::snprintf(stateOf(png).message, sizeof stateOf(png).message, "%s", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void readData(png_structp png, png_bytep out, png_size_t n) {
    PngState& s = stateOf(png);
    if (n > s.size - s.pos) png_error(png, "the file ends too early");
    std::memcpy(out, s.data + s.pos, n);
    s.pos += n;
}

void readStatus(png_structp png, png_uint_32 row, int pass) {
    PngState& s = stateOf(png);
    if (s.passes == 1) s.progress->row(static_cast<int>(row) - 1, s.height);
    else s.progress->percent(static_cast<int>((pass * std::int64_t(s.height) + row) * 100 / (s.passes * std::int64_t(s.height))));
}

// How the decoded rows reach the picture.
enum class Conversion { Direct, Expand2To4, GreyAlpha, ColourAlpha };

struct Plan {
    int bits = 24;
    Conversion conversion = Conversion::Direct;
    RGBQUAD table[256] = {};
    int entries = 0;
};

// Palette entries with their tRNS alpha composited over white.
void paletteTable(png_structp png, png_infop info, Plan& plan) {
    png_colorp palette = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &palette, &count);
    png_bytep alpha = nullptr;
    int alphas = 0;
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_get_tRNS(png, info, &alpha, &alphas, nullptr);
    count = std::min(count, 256);
    for (int i = 0; i < count; ++i) {
        const unsigned a = i < alphas ? alpha[i] : 255u;
        plan.table[i] = RGBQUAD{overWhite(palette[i].blue, a), overWhite(palette[i].green, a), overWhite(palette[i].red, a), 0};
    }
    plan.entries = count;
}

// Chooses the picture depth and sets libpng's transformations for it.
Plan planFor(png_structp png, png_infop info) {
    Plan plan;
    const int type = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS);
    if (depth == 16) png_set_scale_16(png);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        if (!png_get_valid(png, info, PNG_INFO_PLTE)) png_error(png, "the palette is missing");
        paletteTable(png, info, plan);
        plan.bits = depth == 8 ? 8 : depth == 1 ? 1 : 4;
        if (depth == 2) plan.conversion = Conversion::Expand2To4;
    } else if (!(type & PNG_COLOR_MASK_COLOR)) {
        if (depth == 1 && !trns && type == PNG_COLOR_TYPE_GRAY) {
            plan.bits = 1;
            greyTable(plan.table, 2);
            plan.entries = 2;
        } else {
            plan.bits = 8;
            greyTable(plan.table, 256);
            plan.entries = 256;
            png_set_expand_gray_1_2_4_to_8(png);
            if (trns) png_set_tRNS_to_alpha(png);
            if (trns || (type & PNG_COLOR_MASK_ALPHA)) plan.conversion = Conversion::GreyAlpha;
        }
    } else {
        png_set_bgr(png);
        if (trns) png_set_tRNS_to_alpha(png);
        if (trns || (type & PNG_COLOR_MASK_ALPHA)) plan.conversion = Conversion::ColourAlpha;
    }
    return plan;
}

void convertRow(const BYTE* src, int width, Conversion conversion, BYTE* dst) {
    switch (conversion) {
    case Conversion::Direct: break;
    case Conversion::Expand2To4: expand2To4(src, width, dst); break;
    case Conversion::GreyAlpha:
        for (int x = 0; x < width; ++x) dst[x] = overWhite(src[2 * x], src[2 * x + 1]);
        break;
    case Conversion::ColourAlpha:
        for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            dst[0] = overWhite(src[0], src[3]);
            dst[1] = overWhite(src[1], src[3]);
            dst[2] = overWhite(src[2], src[3]);
        }
        break;
    }
}

// Everything between the error point and the end; libpng errors jump out of here.
void readPng(png_structp png, png_infop info, PngState& s, TDib* out) {
    png_set_read_fn(png, nullptr, readData);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);
    const int width = static_cast<int>(png_get_image_width(png, info));
    s.height = static_cast<int>(png_get_image_height(png, info));
    const Plan plan = planFor(png, info);
    s.passes = png_set_interlace_handling(png);
    png_set_read_status_fn(png, readStatus);
    png_read_update_info(png, info);
    if (!allocDib(out, width, s.height, plan.bits, plan.entries ? plan.table : nullptr, plan.entries)) {
        s.outOfMemory = true;
        png_error(png, "no memory");
    }
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const bool direct = plan.conversion == Conversion::Direct;
    if (direct && rowBytes > static_cast<std::size_t>(out->LineBytes)) png_error(png, "unexpected row size");
    // Interlaced pictures that need converting are decoded whole first; others row by row.
    const int bufferRows = direct ? 0 : s.passes > 1 ? s.height : 1;
    s.buffer.resize(rowBytes * static_cast<std::size_t>(bufferRows));
    s.rows.resize(static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y)
        s.rows[y] = direct ? rowFromTop(*out, y) : s.buffer.data() + rowBytes * static_cast<std::size_t>(s.passes > 1 ? y : 0);
    if (s.passes > 1) {
        png_read_image(png, s.rows.data());
        for (int y = 0; !direct && y < s.height; ++y) convertRow(s.rows[y], width, plan.conversion, rowFromTop(*out, y));
    } else {
        for (int y = 0; y < s.height; ++y) {
            png_read_row(png, s.rows[y], nullptr);
            if (!direct) convertRow(s.rows[y], width, plan.conversion, rowFromTop(*out, y));
        }
    }
    png_read_end(png, nullptr);  // a file cut short after the pixels is damaged too
}

void writePng(png_structp png, png_infop info, const TDib& dib, std::FILE* file, Progress& progress) {
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    png_init_io(png, file);
    const bool palette = h.biBitCount <= 8;
    png_set_IHDR(png, info, static_cast<png_uint_32>(h.biWidth), static_cast<png_uint_32>(h.biHeight),
                 palette ? h.biBitCount : 8, palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colours[256];
    if (palette) {
        const int count = 1 << h.biBitCount;
        for (int i = 0; i < count; ++i) {
            const RGBQUAD& q = dib.Info->bmiColors[i];
            colours[i] = png_color{q.rgbRed, q.rgbGreen, q.rgbBlue};
        }
        png_set_PLTE(png, info, colours, count);
    }
    png_write_info(png, info);
    if (!palette) png_set_bgr(png);
    for (int y = 0; y < h.biHeight; ++y) {
        png_write_row(png, rowFromTop(dib, y));
        progress.row(y, h.biHeight);
    }
    png_write_end(png, info);
}

}  // namespace

bool sniffPng(const BYTE* data, std::size_t size) { return size >= 8 && png_sig_cmp(data, 0, 8) == 0; }

bool decodePng(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    PngState state;
    state.data = data;
    state.size = size;
    state.progress = &progress;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        failDib(out, "Not enough memory to read the PNG file");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        failDib(out, state.outOfMemory ? std::string("Not enough memory for the picture")
                                       : std::string("Damaged PNG file: ") + state.message);
        return false;
    }
    readPng(png, info, state, out);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool encodePng(const TDib& dib, std::FILE* file, int, Progress& progress) {
    PngState state;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    writePng(png, info, dib, file, progress);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace pixwerk
