// JPEG (JPG, JIF) through libjpeg: grey pictures as 8-bit grey, everything else as 24 bits.
#include "pixwerk/codec.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace pixwerk {
namespace {

std::atomic<int> jpegQuality{75};

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool complete;  // every scan line is decoded; a missing end marker is harmless now
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are quiet, except that data ending early (the file, or a scan's data before
// a marker) is an error.
void emitMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0) return;
    const int code = cinfo->err->msg_code;
    if ((code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) && !err->complete) errorExit(cinfo);
    ++cinfo->err->num_warnings;
}

void outputMessage(j_common_ptr) {}

void installErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.complete = false;
    err.message[0] = '\0';
}

// One row of CMYK (Adobe files store inverted values) to blue, green, red.
void cmykToBgr(const JSAMPLE* cmyk, int width, bool inverted, BYTE* bgr) {
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned flip = inverted ? 255u : 0u;
        const unsigned k = cmyk[3] ^ flip;
        bgr[0] = inkToChannel(cmyk[2] ^ flip, k);
        bgr[1] = inkToChannel(cmyk[1] ^ flip, k);
        bgr[2] = inkToChannel(cmyk[0] ^ flip, k);
    }
}

// Decodes the scan lines straight into the picture's rows (CMYK through a row buffer).
void readRows(jpeg_decompress_struct& cinfo, TDib& dib, Progress& progress) {
    const bool cmyk = cinfo.out_color_space == JCS_CMYK;
    const int height = static_cast<int>(cinfo.output_height);
    JSAMPARRAY buffer = nullptr;
    if (cmyk)
        buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                            cinfo.output_width * 4, 1);
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, buffer, 1);
            cmykToBgr(buffer[0], static_cast<int>(cinfo.output_width), cinfo.saw_Adobe_marker, rowFromTop(dib, y));
        } else {
            const int n = std::min(16, height - y);
            for (int i = 0; i < n; ++i) rows[i] = rowFromTop(dib, y + i);
            jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
        }
        progress.row(static_cast<int>(cinfo.output_scanline) - 1, height);
    }
}

bool sampleRowsDirectly(const TDib& dib, bool grey) {
    return dib.Info->bmiHeader.biBitCount == 24 || (grey && isGreyRamp(dib));
}

}  // namespace

bool sniffJpeg(const BYTE* data, std::size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool decodeJpeg(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    installErrors(err);
    cinfo.err = &err.pub;
    jpeg_create_decompress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        failDib(out, std::string("Damaged JPEG file: ") + err.message);
        return false;
    }
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    // The library's own buffers (whole coefficient planes of progressive files) stay within
    // a few times the picture limit when one is set.
    if (const std::uint64_t limit = allocationLimit()) cinfo.mem->max_memory_to_use = static_cast<long>(std::min<std::uint64_t>(limit * 4, 1ull << 40));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxSide ||
        cinfo.image_height > kMaxSide) {
        jpeg_destroy_decompress(&cinfo);
        failDib(out, "The JPEG picture's size is not supported");
        return false;
    }
    if (ReducedDecode* reduced = reducedDecode()) {
        reduced->fullWidth = static_cast<int>(cinfo.image_width);
        reduced->fullHeight = static_cast<int>(cinfo.image_height);
        // The strongest reduction whose larger side still holds minSide pixels.
        const unsigned larger = std::max(cinfo.image_width, cinfo.image_height);
        for (unsigned denom : {8u, 4u, 2u}) {
            if ((larger + denom - 1) / denom >= static_cast<unsigned>(reduced->minSide)) {
                cinfo.scale_num = 1;
                cinfo.scale_denom = denom;
                reduced->reduced = true;
                break;
            }
        }
    }
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    RGBQUAD table[256];
    greyTable(table, 256);
    if (!allocDib(out, static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), grey ? 8 : 24,
                  grey ? table : nullptr, grey ? 256 : 0)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    readRows(cinfo, *out, progress);
    err.complete = true;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool encodeJpeg(const TDib& dib, std::FILE* file, int, Progress& progress) {
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    const bool grey = h.biBitCount == 8 && hasGreyTable(dib);  // other palette pictures go as colour
    const bool direct = sampleRowsDirectly(dib, grey);
    jpeg_compress_struct cinfo;
    ErrorManager err;
    installErrors(err);
    cinfo.err = &err.pub;
    jpeg_create_compress(&cinfo);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(h.biWidth);
    cinfo.image_height = static_cast<JDIMENSION>(h.biHeight);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, jpegQuality.load(), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPARRAY buffer = direct ? nullptr
                               : (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                            static_cast<JDIMENSION>(h.biWidth) * (grey ? 1 : 3), 1);
    for (int y = 0; y < h.biHeight; ++y) {
        JSAMPROW row = rowFromTop(dib, y);
        if (!direct) {
            if (grey) rowToGrey(dib, y, buffer[0]);
            else rowToBgr(dib, y, buffer[0]);
            row = buffer[0];
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
        progress.row(y, h.biHeight);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace pixwerk

extern "C" void SetJPEGQual(int quality) { pixwerk::jpegQuality.store(std::clamp(quality, 1, 100)); }
