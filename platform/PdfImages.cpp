// Pictures in the printers' PDF documents: sections written from the caller's rows in
// bands (Flate with PNG predictors, or JPEG), and JPEG files embedded as they are.
#include "PdfEngine.h"
#include "platform/digest.h"

#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
#include <turbojpeg.h>

namespace platform::pdf {
namespace {

// ---- row sources ----

enum class Colours { Rgb, Grey, Indexed };

// Rows of a section as 8-bit RGB, grey or palette indexes, a band at a time, from the top
// or (reverse) from the bottom; sections of formats the encoders take as they are are read
// in place.
class Rows {
public:
    Rows(const QImage& image, const QRect& section, bool reverse) : image_(image), s_(section), reverse_(reverse) {
        switch (image.format()) {
        case QImage::Format_Indexed8:
            colours_ = Colours::Indexed;
            direct_ = true;
            break;
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB: colours_ = Colours::Indexed; break;
        case QImage::Format_Grayscale8:
            colours_ = Colours::Grey;
            direct_ = true;
            break;
        case QImage::Format_RGB888: direct_ = true; break;
        default: break;
        }
    }
    Colours colours() const { return colours_; }
    int components() const { return colours_ == Colours::Rgb ? 3 : 1; }
    std::size_t rowBytes() const { return static_cast<std::size_t>(s_.width()) * components(); }
    // The image line of output row y.
    int lineOf(int y) const { return reverse_ ? s_.y() + s_.height() - 1 - y : s_.y() + y; }
    // Output row y (0 = the first written) in the output form.
    const unsigned char* row(int y) {
        if (direct_) return image_.constScanLine(lineOf(y)) + static_cast<std::size_t>(s_.x()) * components();
        if (y < bandFirst_ || y >= bandFirst_ + bandRows_) fill(y);
        return band_.data() + static_cast<std::size_t>(y - bandFirst_) * rowBytes();
    }

private:
    void fill(int first) {
        bandFirst_ = first;
        bandRows_ = std::min(kBandRows, s_.height() - first);
        band_.resize(rowBytes() * static_cast<std::size_t>(bandRows_));
        const int x0 = s_.x(), w = s_.width();
        const QImage::Format f = image_.format();
        for (int r = 0; r < bandRows_; ++r) {
            const int line = lineOf(first + r);
            const uchar* in = image_.constScanLine(line);
            unsigned char* out = band_.data() + rowBytes() * static_cast<std::size_t>(r);
            if (f == QImage::Format_BGR888) {
                in += 3 * x0;
                for (int x = 0; x < w; ++x) {
                    out[3 * x] = in[3 * x + 2];
                    out[3 * x + 1] = in[3 * x + 1];
                    out[3 * x + 2] = in[3 * x];
                }
            } else if (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32) {
                const QRgb* p = reinterpret_cast<const QRgb*>(in) + x0;
                for (int x = 0; x < w; ++x) {
                    out[3 * x] = static_cast<unsigned char>(qRed(p[x]));
                    out[3 * x + 1] = static_cast<unsigned char>(qGreen(p[x]));
                    out[3 * x + 2] = static_cast<unsigned char>(qBlue(p[x]));
                }
            } else if (f == QImage::Format_Mono || f == QImage::Format_MonoLSB) {
                for (int x = 0; x < w; ++x) out[x] = static_cast<unsigned char>(image_.pixelIndex(x0 + x, line));
            } else {
                // Any other format: this band's pixels converted.
                const QImage one = image_.copy(x0, line, w, 1).convertToFormat(QImage::Format_RGB888);
                std::memcpy(out, one.constScanLine(0), rowBytes());
            }
        }
    }

    const QImage& image_;
    QRect s_;
    bool reverse_;
    Colours colours_ = Colours::Rgb;
    bool direct_ = false;
    std::vector<unsigned char> band_;
    int bandFirst_ = 0, bandRows_ = 0;
};

// The PNG Paeth predictor.
inline unsigned char paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<unsigned char>(a);
    return static_cast<unsigned char>(pb <= pc ? b : c);
}

// ---- JPEG through libjpeg, streamed into the PDF ----

struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void jpegFailed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

struct JpegTarget {
    jpeg_destination_mgr pub;
    StreamWriter* stream;
    std::vector<JOCTET> buffer;
};

void jpegInit(j_compress_ptr c) {
    auto* t = reinterpret_cast<JpegTarget*>(c->dest);
    t->pub.next_output_byte = t->buffer.data();
    t->pub.free_in_buffer = t->buffer.size();
}

boolean jpegEmpty(j_compress_ptr c) {
    auto* t = reinterpret_cast<JpegTarget*>(c->dest);
    t->stream->write(t->buffer.data(), t->buffer.size());
    t->pub.next_output_byte = t->buffer.data();
    t->pub.free_in_buffer = t->buffer.size();
    return TRUE;
}

void jpegTerm(j_compress_ptr c) {
    auto* t = reinterpret_cast<JpegTarget*>(c->dest);
    t->stream->write(t->buffer.data(), t->buffer.size() - t->pub.free_in_buffer);
}

// The in-place input form of a format libjpeg reads directly, or JCS_UNKNOWN.
J_COLOR_SPACE jpegInput(QImage::Format f, int& bytes) {
    switch (f) {
    case QImage::Format_BGR888: bytes = 3; return JCS_EXT_BGR;
    case QImage::Format_RGB888: bytes = 3; return JCS_EXT_RGB;
    case QImage::Format_RGB32: bytes = 4; return JCS_EXT_BGRX;
    case QImage::Format_Grayscale8: bytes = 1; return JCS_GRAYSCALE;
    default: bytes = 0; return JCS_UNKNOWN;
    }
}

// Everything one compression needs, outside the frame that calls setjmp.
struct JpegJob {
    jpeg_compress_struct c{};
    JpegError err{};
    JpegTarget target{};
    const QImage* image = nullptr;
    QRect s;
    int quality = 95;
    Rows* rows = nullptr;
    J_COLOR_SPACE inPlace = JCS_UNKNOWN;
    int bytes = 0;
};

bool runJpeg(JpegJob& j) {
    if (setjmp(j.err.jump)) {
        jpeg_destroy_compress(&j.c);
        return false;
    }
    jpeg_create_compress(&j.c);
    j.c.dest = &j.target.pub;
    j.c.image_width = static_cast<JDIMENSION>(j.s.width());
    j.c.image_height = static_cast<JDIMENSION>(j.s.height());
    const bool grey = j.rows->colours() == Colours::Grey;
    j.c.input_components = j.inPlace != JCS_UNKNOWN ? j.bytes : (grey ? 1 : 3);
    j.c.in_color_space = j.inPlace != JCS_UNKNOWN ? j.inPlace : (grey ? JCS_GRAYSCALE : JCS_RGB);
    jpeg_set_defaults(&j.c);
    jpeg_set_quality(&j.c, j.quality, TRUE);
    // Full chroma: no colour is smeared over its neighbours.
    for (int i = 0; i < j.c.num_components; ++i) j.c.comp_info[i].h_samp_factor = j.c.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&j.c, TRUE);
    while (j.c.next_scanline < j.c.image_height) {
        const int y = static_cast<int>(j.c.next_scanline);
        JSAMPROW row = j.inPlace != JCS_UNKNOWN
                           ? const_cast<JSAMPROW>(j.image->constScanLine(j.rows->lineOf(y)) +
                                                  static_cast<std::size_t>(j.s.x()) * j.bytes)
                           : const_cast<JSAMPROW>(j.rows->row(y));
        jpeg_write_scanlines(&j.c, &row, 1);
    }
    jpeg_finish_compress(&j.c);
    jpeg_destroy_compress(&j.c);
    return true;
}

// Compresses the section's rows into the stream; false when libjpeg failed.
bool compressJpeg(StreamWriter& stream, const QImage& image, const QRect& s, int quality, Rows& rows) {
    auto j = std::make_unique<JpegJob>();
    j->target.stream = &stream;
    j->target.buffer.resize(1 << 16);
    j->target.pub.init_destination = jpegInit;
    j->target.pub.empty_output_buffer = jpegEmpty;
    j->target.pub.term_destination = jpegTerm;
    j->image = &image;
    j->s = s;
    j->quality = quality;
    j->rows = &rows;
    j->inPlace = jpegInput(image.format(), j->bytes);
    j->c.err = jpeg_std_error(&j->err.pub);
    j->err.pub.error_exit = jpegFailed;
    return runJpeg(*j);
}

// Writes rows through the PNG Paeth predictor (colour and grey), or as they are (indexes).
void writePredicted(StreamWriter& stream, Rows& rows, int height, bool predict) {
    const std::size_t n = rows.rowBytes();
    const int bpp = rows.components();
    std::vector<unsigned char> out(n + 1), previous(n, 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = rows.row(y);
        if (!predict) {
            if (!stream.write(in, n)) return;
            continue;
        }
        {
            out[0] = 4;
            for (std::size_t i = 0; i < n; ++i) {
                const int a = i >= static_cast<std::size_t>(bpp) ? in[i - bpp] : 0;
                const int b = previous[i];
                const int c = i >= static_cast<std::size_t>(bpp) ? previous[i - bpp] : 0;
                out[i + 1] = static_cast<unsigned char>(in[i] - paeth(a, b, c));
            }
            std::memcpy(previous.data(), in, n);
        }
        if (!stream.write(out.data(), out.size())) return;
    }
}

bool hasTransparency(const QImage& image, const QRect& s) {
    if (image.format() == QImage::Format_Indexed8) {
        for (QRgb c : image.colorTable())
            if (qAlpha(c) != 255) return true;
        return false;
    }
    if (!image.hasAlphaChannel()) return false;
    for (int y = s.top(); y <= s.bottom(); ++y)
        for (int x = s.left(); x <= s.right(); ++x)
            if (qAlpha(image.pixel(x, y)) != 255) return true;
    return false;
}

// A JPEG file's frame: size, components and block size; false for kinds that are not
// embedded as they are (arithmetic coding, 12 bits, CMYK, damaged headers).
struct JpegFrame {
    int width = 0, height = 0, components = 0, mcuWidth = 8, mcuHeight = 8;
    bool subsampled = false;
};

bool readFrame(const unsigned char* p, std::size_t size, JpegFrame& f) {
    if (size < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (p[at] != 0xFF) return false;
        const unsigned marker = p[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const std::size_t length = (static_cast<std::size_t>(p[at + 2]) << 8) | p[at + 3];
        if (length < 2 || at + 2 + length > size) return false;
        const unsigned char* seg = p + at + 4;
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (length < 8 || seg[0] != 8) return false;
            f.height = (seg[1] << 8) | seg[2];
            f.width = (seg[3] << 8) | seg[4];
            f.components = seg[5];
            if ((f.components != 1 && f.components != 3) || length < 8 + 3u * f.components) return false;
            int hmax = 1, vmax = 1;
            for (int i = 0; i < f.components; ++i) {
                hmax = std::max(hmax, seg[7 + 3 * i] >> 4);
                vmax = std::max(vmax, seg[7 + 3 * i] & 15);
            }
            for (int i = 0; i < f.components; ++i)
                if ((seg[7 + 3 * i] >> 4) != hmax || (seg[7 + 3 * i] & 15) != vmax) f.subsampled = true;
            f.mcuWidth = 8 * (f.components == 1 ? 1 : hmax);
            f.mcuHeight = 8 * (f.components == 1 ? 1 : vmax);
            return f.width > 0 && f.height > 0;
        }
        if ((marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) || marker == 0xDA)
            return false;
        at += 2 + length;
    }
    return false;
}

bool readFile(const std::string& path, std::uint64_t size, QByteArray& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) == size &&
              size > 0 && size < (std::uint64_t(1) << 31);
    if (ok) {
        bytes.resize(static_cast<qsizetype>(size));
        std::size_t done = 0;
        while (ok && done < size) {
            const ssize_t n = ::read(fd, bytes.data() + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ok = false;
            else done += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    if (!ok) bytes.clear();
    return ok;
}

}  // namespace

// ---- sections of pictures ----

void Engine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) {
    if (!pageOpen_ || image.isNull() || r.isEmpty() || sr.isEmpty()) return;
    applyClip();
    const QRect s = sr.toAlignedRect() & image.rect();
    if (s.isEmpty()) return;
    if (drawJpegSection(r, image, s)) return;
    // The image's pixels onto r, r onto the device; an image shown upside down is stored
    // the way round it shows.
    const double kx = r.width() / sr.width(), ky = r.height() / sr.height();
    const QTransform toUser(kx, 0, 0, ky, r.x() - sr.x() * kx, r.y() - sr.y() * ky);
    const QTransform shown = toUser * matrix_;
    const bool reverse = shown.type() <= QTransform::TxScale && shown.m22() < 0;
    int w = 0, h = 0;
    const int object = writeImage(image, s, reverse, w, h);
    if (!object) return;
    // The unit square onto the stored rows: the first row at the top of the square.
    const QTransform unit = reverse ? QTransform(s.width(), 0, 0, s.height(), s.x(), s.y())
                                    : QTransform(s.width(), 0, 0, -s.height(), s.x(), s.y() + s.height());
    const QTransform m = unit * shown;
    put("q " + num(m.m11()) + " " + num(m.m12()) + " " + num(m.m21()) + " " + num(m.m22()) + " " + num(m.dx()) + " " +
         num(m.dy()) + " cm /" + name(page_.xobjects, "Im", object) + " Do Q\n");
}

int Engine::writeImage(const QImage& image, const QRect& s, bool reverse, int& width, int& height) {
    width = s.width();
    height = s.height();
    Rows rows(image, s, reverse);
    const bool transparent = hasTransparency(image, s);
    int mask = 0;
    if (transparent) {
        mask = newObject();
        const std::string dict = " /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                                 std::to_string(height) + " /ColorSpace /DeviceGray /BitsPerComponent 8";
        StreamWriter stream(*this, mask, dict, true, 3);
        std::vector<unsigned char> alpha(static_cast<std::size_t>(width));
        for (int y = 0; y < height; ++y) {
            const int line = rows.lineOf(y);
            for (int x = 0; x < width; ++x)
                alpha[static_cast<std::size_t>(x)] = static_cast<unsigned char>(qAlpha(image.pixel(s.x() + x, line)));
            if (!stream.write(alpha.data(), alpha.size())) break;
        }
    }
    const int object = newObject();
    std::string space;
    int bits = 8;
    if (rows.colours() == Colours::Indexed) {
        QList<QRgb> table = image.colorTable();
        if (table.isEmpty()) table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        std::string hex;
        char h[8];
        for (QRgb c : table) {
            std::snprintf(h, sizeof h, "%02X%02X%02X", qRed(c), qGreen(c), qBlue(c));
            hex += h;
        }
        space = "[/Indexed /DeviceRGB " + std::to_string(table.size() - 1) + " <" + hex + ">]";
    } else {
        space = rows.colours() == Colours::Grey ? "/DeviceGray" : "/DeviceRGB";
    }
    std::string dict = " /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                       std::to_string(height) + " /ColorSpace " + space + " /BitsPerComponent " + std::to_string(bits);
    if (mask) dict += " /SMask " + std::to_string(mask) + " 0 R";
    const bool jpeg = settings_.pictures.coding == PdfPictureCoding::Jpeg && rows.colours() == Colours::Rgb;
    if (jpeg) {
        dict += " /Filter /DCTDecode";
        StreamWriter stream(*this, object, dict, false);
        if (!compressJpeg(stream, image, s, std::clamp(settings_.pictures.quality, 95, 100), rows))
            fail("a picture could not be compressed");
        stream.finish();
        return object;
    }
    const bool predict = rows.colours() != Colours::Indexed;
    if (predict)
        dict += " /DecodeParms << /Predictor 15 /Colors " + std::to_string(rows.components()) +
                " /BitsPerComponent 8 /Columns " + std::to_string(width) + " >>";
    StreamWriter stream(*this, object, dict, true, 3);
    writePredicted(stream, rows, height, predict);
    stream.finish();
    return object;
}

// ---- JPEG files behind pictures ----

int Engine::addJpegPicture(const void* bits, long lineBytes, int width, int height, int bitCount,
                           const JpegOrigin& origin) {
    if (!bits || lineBytes <= 0 || width <= 0 || height <= 0 || (bitCount != 24 && bitCount != 8)) return 0;
    JpegPicture p;
    p.bits = static_cast<const unsigned char*>(bits);
    p.lineBytes = lineBytes;
    p.width = width;
    p.height = height;
    p.bitCount = bitCount;
    p.origin = origin;
    const int id = nextPicture_++;
    pictures_[id] = p;
    return id;
}

void Engine::removeJpegPicture(int id) { pictures_.erase(id); }

Engine::JpegSource* Engine::jpegSourceOf(JpegPicture& p) {
    if (p.refused) return nullptr;
    if (p.source >= 0) return &sources_[static_cast<std::size_t>(p.source)];
    for (std::size_t i = 0; i < sources_.size(); ++i)
        if (sources_[i].path == p.origin.path && sources_[i].digest == p.origin.digest &&
            static_cast<std::uint64_t>(sources_[i].bytes.size()) == p.origin.size && sources_[i].width == p.width &&
            sources_[i].height == p.height) {
            p.source = static_cast<int>(i);
            return &sources_[i];
        }
    JpegSource src;
    JpegFrame frame;
    // The file must still hold what was decoded, of a kind that is embedded as it is.
    if (!readFile(p.origin.path, p.origin.size, src.bytes) ||
        contentDigest(src.bytes.constData(), static_cast<std::size_t>(src.bytes.size())) != p.origin.digest ||
        !readFrame(reinterpret_cast<const unsigned char*>(src.bytes.constData()), static_cast<std::size_t>(src.bytes.size()), frame) ||
        frame.width != p.width || frame.height != p.height || (frame.components == 3) != (p.bitCount == 24)) {
        p.refused = true;
        return nullptr;
    }
    src.path = p.origin.path;
    src.digest = p.origin.digest;
    src.width = frame.width;
    src.height = frame.height;
    src.components = frame.components;
    src.mcuWidth = frame.mcuWidth;
    src.mcuHeight = frame.mcuHeight;
    src.subsampled = frame.subsampled;
    sources_.push_back(std::move(src));
    p.source = static_cast<int>(sources_.size() - 1);
    return &sources_.back();
}

bool Engine::drawJpegSection(const QRectF& r, const QImage& image, const QRect& s) {
    const QImage::Format f = image.format();
    if (f != QImage::Format_BGR888 && f != QImage::Format_Indexed8) return false;
    for (auto& [id, p] : pictures_) {
        const unsigned char* b = image.constBits();
        const std::size_t bytes = static_cast<std::size_t>(p.lineBytes) * static_cast<std::size_t>(p.height);
        if (b < p.bits || b >= p.bits + bytes || image.bytesPerLine() != p.lineBytes || image.width() != p.width) continue;
        if ((f == QImage::Format_BGR888) != (p.bitCount == 24)) continue;
        const std::size_t offset = static_cast<std::size_t>(b - p.bits);
        if (offset % static_cast<std::size_t>(p.lineBytes)) continue;
        const int m0 = static_cast<int>(offset / static_cast<std::size_t>(p.lineBytes));
        if (m0 + image.height() > p.height) continue;
        if (f == QImage::Format_Indexed8) {
            // A grey JPEG decodes to a grey ramp.
            const QList<QRgb> table = image.colorTable();
            bool ramp = table.size() == 256;
            for (int i = 0; ramp && i < 256; ++i) ramp = (table[i] & 0xFFFFFF) == static_cast<QRgb>(i * 0x010101);
            if (!ramp) return false;
        }
        JpegSource* src = jpegSourceOf(p);
        if (!src) return false;
        // Rows of the wrapped image run upward through the picture from memory row m0.
        const int H = p.height;
        const QRect section(s.x(), H - m0 - s.y() - s.height(), s.width(), s.height());
        // The crop starts at a block boundary; subsampled pictures keep a block around the
        // section, whose colours the section's edge pixels are interpolated from.
        const int mw = src->mcuWidth, mh = src->mcuHeight;
        const int margin = src->subsampled ? 1 : 0;
        const int left = std::max(0, (section.left() / mw - margin) * mw);
        const int top = std::max(0, (section.top() / mh - margin) * mh);
        const int right = std::min(src->width, ((section.right() + 1 + mw - 1) / mw + margin) * mw);
        const int bottom = std::min(src->height, ((section.bottom() + 1 + mh - 1) / mh + margin) * mh);
        const QRect crop(left, top, right - left, bottom - top);
        const int form = newObject();
        src->uses.push_back(Use{form, crop});
        // Picture pixels (top-down) onto the wrapped rows, those onto r, r onto the device.
        const QRectF sr(s);
        const double kx = r.width() / sr.width(), ky = r.height() / sr.height();
        const QTransform flip(1, 0, 0, -1, 0, H - m0);
        const QTransform toUser(kx, 0, 0, ky, r.x() - sr.x() * kx, r.y() - sr.y() * ky);
        const QTransform m = flip * toUser * matrix_;
        QPainterPath clip;
        clip.addRect(QRectF(r.x(), r.y(), r.width(), r.height()));
        put("q\n" + pathOps(matrix_.map(clip)) + "W n\n" + num(m.m11()) + " " + num(m.m12()) + " " + num(m.m21()) +
             " " + num(m.m22()) + " " + num(m.dx()) + " " + num(m.dy()) + " cm /" + name(page_.xobjects, "Fx", form) +
             " Do Q\n");
        return true;
    }
    return false;
}

int Engine::writeJpegBytes(const unsigned char* data, std::size_t size, int width, int height, int components) {
    const int object = newObject();
    const std::string dict = " /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
                             std::to_string(height) + " /ColorSpace " +
                             (components == 1 ? "/DeviceGray" : "/DeviceRGB") +
                             " /BitsPerComponent 8 /Filter /DCTDecode";
    StreamWriter stream(*this, object, dict, false);
    stream.write(data, size);
    stream.finish();
    return object;
}

void Engine::writeJpegSources() {
    for (JpegSource& src : sources_) {
        if (src.uses.empty()) continue;
        const auto* data = reinterpret_cast<const unsigned char*>(src.bytes.constData());
        const std::size_t size = static_cast<std::size_t>(src.bytes.size());
        // The distinct crops, and what they would cost against the whole file once.
        std::vector<QRect> crops;
        for (const Use& u : src.uses)
            if (std::find(crops.begin(), crops.end(), u.crop) == crops.end()) crops.push_back(u.crop);
        const double whole = static_cast<double>(src.width) * src.height;
        double estimate = 0;
        for (const QRect& c : crops) estimate += size * (static_cast<double>(c.width()) * c.height() / whole) + 700;
        std::vector<int> images(crops.size(), 0);
        int shared = 0;
        if (!settings_.shareFiles || estimate < static_cast<double>(size)) {
            tjhandle tj = tjInitTransform();
            std::vector<tjtransform> transforms(crops.size());
            std::vector<unsigned char*> buffers(crops.size(), nullptr);
            std::vector<unsigned long> sizes(crops.size(), 0);
            for (std::size_t i = 0; i < crops.size(); ++i) {
                transforms[i] = tjtransform{};
                transforms[i].r = tjregion{crops[i].x(), crops[i].y(), crops[i].width(), crops[i].height()};
                transforms[i].op = TJXOP_NONE;
                transforms[i].options = TJXOPT_CROP | TJXOPT_COPYNONE;
            }
            const bool cut = tj && tjTransform(tj, data, static_cast<unsigned long>(size), static_cast<int>(crops.size()),
                                               buffers.data(), sizes.data(), transforms.data(), 0) == 0;
            if (cut)
                for (std::size_t i = 0; i < crops.size(); ++i)
                    images[i] = writeJpegBytes(buffers[i], sizes[i], crops[i].width(), crops[i].height(), src.components);
            for (unsigned char* b : buffers)
                if (b) tjFree(b);
            if (tj) tjDestroy(tj);
            if (!cut) std::fill(images.begin(), images.end(), 0);
        }
        for (const Use& u : src.uses) {
            const std::size_t i = static_cast<std::size_t>(std::find(crops.begin(), crops.end(), u.crop) - crops.begin());
            int image = images[i];
            QRect box = u.crop;
            if (!image) {
                if (!shared) shared = writeJpegBytes(data, size, src.width, src.height, src.components);
                image = shared;
                box = QRect(0, 0, src.width, src.height);
            }
            const std::string content = std::to_string(box.width()) + " 0 0 " + std::to_string(-box.height()) + " " +
                                        std::to_string(box.x()) + " " + std::to_string(box.y() + box.height()) +
                                        " cm /Im Do\n";
            const std::string dict = " /Type /XObject /Subtype /Form /BBox [" + std::to_string(box.left()) + " " +
                                     std::to_string(box.top()) + " " + std::to_string(box.x() + box.width()) + " " +
                                     std::to_string(box.y() + box.height()) + "] /Resources << /XObject << /Im " +
                                     std::to_string(image) + " 0 R >> >>";
            StreamWriter stream(*this, u.form, dict, false);
            stream.write(content.data(), content.size());
        }
        src.bytes = QByteArray();
    }
}

}  // namespace platform::pdf
