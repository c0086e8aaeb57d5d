// The printers' PDF documents: objects, pages, clips, paths, lines and fills.
#include "PdfEngine.h"

#include <QDateTime>
#include <QPainter>

#include <zlib.h>

#include <cmath>
#include <cstdio>

namespace platform::pdf {

// ---- numbers and streams ----

std::string num(double v) {
    if (!std::isfinite(v)) return "0";
    if (std::fabs(v) < 0.00005) return "0";
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.4f", v);
    std::string s = buffer;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

struct StreamWriter::Deflater {
    z_stream z{};
    std::vector<unsigned char> out = std::vector<unsigned char>(1 << 16);
};

StreamWriter::StreamWriter(Engine& engine, int object, const std::string& dictionary, bool deflate, int level)
    : engine_(engine), lengthObject_(engine.newObject()) {
    engine_.beginObject(object);
    std::string head = "<<" + dictionary + (deflate ? " /Filter /FlateDecode" : "") + " /Length " +
                       std::to_string(lengthObject_) + " 0 R>>\nstream\n";
    engine_.output().write(head);
    start_ = engine_.output().offset();
    if (deflate) {
        deflater_ = std::make_unique<Deflater>();
        if (deflateInit(&deflater_->z, level) != Z_OK) {
            engine_.fail("the compressor could not be started");
            deflater_.reset();
        }
    }
}

StreamWriter::~StreamWriter() {
    if (!finished_) finish();
}

bool StreamWriter::pump(int flush) {
    z_stream& z = deflater_->z;
    do {
        z.next_out = deflater_->out.data();
        z.avail_out = static_cast<uInt>(deflater_->out.size());
        const int r = deflate(&z, flush);
        if (r == Z_STREAM_ERROR) {
            engine_.fail("the compressor failed");
            return false;
        }
        const std::size_t n = deflater_->out.size() - z.avail_out;
        if (n && !engine_.output().write(deflater_->out.data(), n)) return false;
    } while (z.avail_out == 0);
    return true;
}

bool StreamWriter::write(const void* data, std::size_t size) {
    if (finished_ || !engine_.ok()) return false;
    if (!deflater_) return engine_.output().write(data, size);
    z_stream& z = deflater_->z;
    const auto* p = static_cast<const unsigned char*>(data);
    while (size) {
        const std::size_t n = std::min<std::size_t>(size, 1u << 30);
        z.next_in = const_cast<unsigned char*>(p);
        z.avail_in = static_cast<uInt>(n);
        if (!pump(Z_NO_FLUSH)) return false;
        p += n;
        size -= n;
    }
    return true;
}

bool StreamWriter::finish() {
    if (finished_) return engine_.ok();
    finished_ = true;
    if (deflater_) {
        deflater_->z.next_in = nullptr;
        deflater_->z.avail_in = 0;
        pump(Z_FINISH);
        deflateEnd(&deflater_->z);
        deflater_.reset();
    }
    const std::uint64_t length = engine_.output().offset() - start_;
    engine_.output().write("\nendstream\n");
    engine_.endObject();
    engine_.beginObject(lengthObject_);
    engine_.output().write(std::to_string(length) + "\n");
    engine_.endObject();
    return engine_.ok();
}

// ---- the engine ----

Engine::Engine(Output& output, const JobSettings& settings)
    : QPaintEngine(QPaintEngine::AllFeatures), out_(output), settings_(settings) {
    if (settings_.resolution <= 0) settings_.resolution = 600;
    const QRect full = settings_.layout.fullRectPoints();
    const QRect paint = settings_.layout.paintRectPixels(settings_.resolution);
    widthPt_ = full.width();
    heightPt_ = full.height();
    scale_ = 72.0 / settings_.resolution;
    offsetXPt_ = paint.left() * scale_;
    offsetYPt_ = paint.top() * scale_;
    offsets_.push_back(0);
    out_.write(std::string("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"));
    pagesObject_ = newObject();
    startPage();
}

Engine::~Engine() = default;

int Engine::newObject() {
    offsets_.push_back(0);
    return static_cast<int>(offsets_.size() - 1);
}

void Engine::beginObject(int object) {
    offsets_[static_cast<std::size_t>(object)] = out_.offset();
    out_.write(std::to_string(object) + " 0 obj\n");
}

void Engine::endObject() { out_.write("endobj\n"); }

std::string Engine::name(std::map<std::string, int>& table, const char* prefix, int object) {
    for (const auto& [n, o] : table)
        if (o == object) return n;
    const std::string n = prefix + std::to_string(table.size() + 1);
    table[n] = object;
    return n;
}

void Engine::startPage() {
    page_ = Page{};
    pageOpen_ = true;
    clipDirty_ = true;
    // Device pixels, y down, from the printable area's corner.
    put(num(scale_) + " 0 0 " + num(-scale_) + " " + num(offsetXPt_) + " " + num(heightPt_ - offsetYPt_) + " cm\n");
}

bool Engine::endPage() {
    if (!pageOpen_) return ok();
    closeClip();
    pageOpen_ = false;
    const int content = newObject();
    {
        StreamWriter s(*this, content, "", true);
        s.write(page_.content.constData(), static_cast<std::size_t>(page_.content.size()));
    }
    const int object = newObject();
    pageObjects_.push_back(object);
    std::string resources = "<<";
    auto table = [&](const char* key, const std::map<std::string, int>& t) {
        if (t.empty()) return;
        resources += std::string(" /") + key + " <<";
        for (const auto& [n, o] : t) resources += " /" + n + " " + std::to_string(o) + " 0 R";
        resources += " >>";
    };
    table("XObject", page_.xobjects);
    table("Font", page_.fonts);
    table("Pattern", page_.patterns);
    resources += " >>";
    beginObject(object);
    out_.write("<< /Type /Page /Parent " + std::to_string(pagesObject_) + " 0 R /MediaBox [0 0 " +
               std::to_string(widthPt_) + " " + std::to_string(heightPt_) + "] /Contents " + std::to_string(content) +
               " 0 R /Resources " + resources + " >>\n");
    endObject();
    page_ = Page{};
    return ok();
}

bool Engine::newPage() {
    if (finished_) return false;
    endPage();
    startPage();
    return ok();
}

namespace {

std::string pdfText(const std::u16string& s) {
    std::string out = "<FEFF";
    char hex[8];
    for (char16_t c : s) {
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(c));
        out += hex;
    }
    return out + ">";
}

}  // namespace

bool Engine::finish() {
    if (finished_) return ok();
    endPage();
    finished_ = true;
    writeJpegSources();
    writeFonts();
    beginObject(pagesObject_);
    std::string kids;
    for (int p : pageObjects_) kids += std::to_string(p) + " 0 R ";
    out_.write("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageObjects_.size()) + " >>\n");
    endObject();
    const int info = newObject();
    beginObject(info);
    const QString date = QDateTime::currentDateTimeUtc().toString("yyyyMMddHHmmss");
    out_.write("<< /Title " + pdfText(settings_.title) + " /Creator (Tessellon) /Producer (Tessellon) /CreationDate (D:" +
               date.toStdString() + "Z) >>\n");
    endObject();
    const int catalog = newObject();
    beginObject(catalog);
    out_.write("<< /Type /Catalog /Pages " + std::to_string(pagesObject_) + " 0 R >>\n");
    endObject();
    const std::uint64_t xref = out_.offset();
    std::string table = "xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n";
    char entry[32];
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
        if (!offsets_[i]) {
            fail("an object of the document was not written");
            std::snprintf(entry, sizeof entry, "%010d 00000 f \n", 0);
        } else {
            std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offsets_[i]));
        }
        table += entry;
    }
    out_.write(table);
    out_.write("trailer\n<< /Size " + std::to_string(offsets_.size()) + " /Root " + std::to_string(catalog) +
               " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    return ok();
}

// ---- state and clipping ----

void Engine::updateState(const QPaintEngineState& state) {
    const DirtyFlags flags = state.state();
    if (flags & DirtyPen) pen_ = state.pen();
    if (flags & DirtyBrush) brush_ = state.brush();
    if (flags & DirtyBrushOrigin) brushOrigin_ = state.brushOrigin();
    if (flags & DirtyBackground) background_ = state.backgroundBrush();
    if (flags & DirtyBackgroundMode) opaqueBackground_ = state.backgroundMode() == Qt::OpaqueMode;
    if (flags & DirtyTransform) {
        matrix_ = state.transform();
        clipDirty_ = true;
    }
    if (flags & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled)) clipDirty_ = true;
}

void Engine::closeClip() {
    if (page_.clipOpen) put("Q\n");
    page_.clipOpen = false;
    page_.clipEmitted = false;
}

void Engine::applyClip() {
    if (!clipDirty_) return;
    clipDirty_ = false;
    QPainter* p = painter();
    const bool clipping = p && p->hasClipping();
    bool isRegion = true;
    QRegion region;
    QPainterPath path;
    if (clipping) {
        const QTransform t = p->combinedTransform();
        if (t.type() <= QTransform::TxTranslate) {
            region = p->clipRegion().translated(static_cast<int>(std::nearbyint(t.dx())), static_cast<int>(std::nearbyint(t.dy())));
        } else {
            isRegion = false;
            path = t.map(p->clipPath());
        }
    }
    if (page_.clipEmitted == clipping &&
        (!clipping || (isRegion == page_.clipIsRegion && (isRegion ? region == page_.clipRegion : path == page_.clipPath))))
        return;
    closeClip();
    if (!clipping) return;
    std::string ops = "q\n";
    if (isRegion) {
        if (region.isEmpty()) ops += "0 0 0 0 re\n";
        for (const QRect& r : region)
            ops += std::to_string(r.x()) + " " + std::to_string(r.y()) + " " + std::to_string(r.width()) + " " +
                   std::to_string(r.height()) + " re\n";
        ops += "W n\n";
    } else {
        ops += pathOps(path) + (path.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n");
    }
    put(ops);
    page_.clipOpen = true;
    page_.clipEmitted = true;
    page_.clipIsRegion = isRegion;
    page_.clipRegion = region;
    page_.clipPath = path;
}

// ---- paths ----

std::string Engine::pathOps(const QPainterPath& path) const {
    std::string s;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement: s += num(e.x) + " " + num(e.y) + " m\n"; break;
        case QPainterPath::LineToElement: s += num(e.x) + " " + num(e.y) + " l\n"; break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= path.elementCount()) break;
            const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            s += num(e.x) + " " + num(e.y) + " " + num(c2.x) + " " + num(c2.y) + " " + num(end.x) + " " + num(end.y) + " c\n";
            i += 2;
            break;
        }
        default: break;
        }
    }
    return s;
}

std::string Engine::colourOps(const QColor& colour, bool stroke) const {
    const QColor c = colour.toRgb();
    return num(c.redF()) + " " + num(c.greenF()) + " " + num(c.blueF()) + (stroke ? " RG\n" : " rg\n");
}

namespace {

// The 8 x 8 device-pixel cells of the hatch styles: rows of set pixels.
bool hatchCell(Qt::BrushStyle style, int x, int y) {
    switch (style) {
    case Qt::HorPattern: return y == 0;
    case Qt::VerPattern: return x == 0;
    case Qt::CrossPattern: return x == 0 || y == 0;
    case Qt::BDiagPattern: return (x + y) % 8 == 7;
    case Qt::FDiagPattern: return x == y;
    case Qt::DiagCrossPattern: return x == y || (x + y) % 8 == 7;
    default: return true;
    }
}

bool isHatch(Qt::BrushStyle s) {
    return s == Qt::HorPattern || s == Qt::VerPattern || s == Qt::CrossPattern || s == Qt::BDiagPattern ||
           s == Qt::FDiagPattern || s == Qt::DiagCrossPattern;
}

}  // namespace

std::string Engine::patternFill(const QBrush& brush) {
    const QColor c = brush.color().toRgb();
    const std::string key = std::to_string(static_cast<int>(brush.style())) + ":" + std::to_string(c.rgb()) + ":" +
                            num(brushOrigin_.x()) + ":" + num(brushOrigin_.y());
    auto it = patternObjects_.find(key);
    int object;
    if (it != patternObjects_.end()) {
        object = it->second;
    } else {
        object = newObject();
        patternObjects_[key] = object;
        std::string cell = colourOps(c, false);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if (hatchCell(brush.style(), x, y)) cell += std::to_string(x) + " " + std::to_string(y) + " 1 1 re\n";
        cell += "f\n";
        // The cell in device pixels, anchored at the brush origin.
        const std::string dict = " /Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 8 8] /XStep 8 "
                                 "/YStep 8 /Resources << >> /Matrix [" +
                                 num(scale_) + " 0 0 " + num(-scale_) + " " +
                                 num(offsetXPt_ + brushOrigin_.x() * scale_) + " " +
                                 num(heightPt_ - offsetYPt_ - brushOrigin_.y() * scale_) + "]";
        StreamWriter s(*this, object, dict, false);
        s.write(cell.data(), cell.size());
    }
    return "/Pattern cs /" + name(page_.patterns, "P", object) + " scn\n";
}

void Engine::fillDevicePath(const QPainterPath& path, const QBrush& brush, Qt::FillRule rule) {
    const Qt::BrushStyle style = brush.style();
    if (style == Qt::NoBrush || brush.color().alpha() == 0) return;
    const std::string ops = pathOps(path);
    const char* fill = rule == Qt::OddEvenFill ? "f*\n" : "f\n";
    if (isHatch(style)) {
        if (opaqueBackground_ && background_.style() != Qt::NoBrush) put(colourOps(background_.color(), false) + ops + fill);
        put(patternFill(brush) + ops + fill);
        return;
    }
    put(colourOps(brush.color(), false) + ops + fill);
}

void Engine::strokeDevicePath(const QPainterPath& path) {
    if (pen_.style() == Qt::NoPen || pen_.brush().style() == Qt::NoBrush || pen_.color().alpha() == 0) return;
    double width = pen_.widthF();
    if (pen_.isCosmetic()) {
        width = std::max(width, 1.0);
    } else {
        const double det = std::fabs(matrix_.determinant());
        width = std::max(width * std::sqrt(det), 0.0);
        if (width == 0) width = 1;
    }
    // Without antialiasing a pixel-wide line fills the pixels beside its coordinates, right
    // and below: move the stroke by half a pixel across its direction.
    QPainterPath shifted = path;
    const bool aliased = !painter() || !(painter()->renderHints() & QPainter::Antialiasing);
    if (aliased) {
        bool horizontal = true, vertical = true;
        for (int i = 1; i < path.elementCount(); ++i) {
            const QPainterPath::Element a = path.elementAt(i - 1), b = path.elementAt(i);
            if (b.type == QPainterPath::MoveToElement) continue;
            if (std::fabs(a.y - b.y) > 1e-9) horizontal = false;
            if (std::fabs(a.x - b.x) > 1e-9) vertical = false;
        }
        const double dx = horizontal && !vertical ? 0 : 0.5, dy = vertical && !horizontal ? 0 : 0.5;
        shifted.translate(dx, dy);
    }
    std::string ops = "[] 0 d\n" + num(width) + " w\n";
    switch (pen_.capStyle()) {
    case Qt::SquareCap: ops += "2 J\n"; break;
    case Qt::RoundCap: ops += "1 J\n"; break;
    default: ops += "0 J\n"; break;
    }
    switch (pen_.joinStyle()) {
    case Qt::RoundJoin: ops += "1 j\n"; break;
    case Qt::BevelJoin: ops += "2 j\n"; break;
    default: ops += "0 j\n" + num(std::max(1.0, pen_.miterLimit())) + " M\n"; break;
    }
    const std::string shape = pathOps(shifted);
    if (pen_.style() != Qt::SolidLine) {
        // Gaps of the pattern take the background colour when the background is opaque.
        if (opaqueBackground_ && background_.style() != Qt::NoBrush)
            put(ops + colourOps(background_.color(), true) + shape + "S\n");
        const double unit = pen_.isCosmetic() && pen_.widthF() <= 1 ? 1.0 : width;
        std::string dash = "[";
        for (qreal d : pen_.dashPattern()) dash += num(d * unit) + " ";
        dash += "] " + num(pen_.dashOffset() * unit) + " d\n";
        ops += dash;
    }
    put(ops + colourOps(pen_.color(), true) + shape + "S\n");
}

void Engine::drawPath(const QPainterPath& path) {
    if (!pageOpen_) return;
    applyClip();
    const QPainterPath device = matrix_.map(path);
    fillDevicePath(device, brush_, path.fillRule());
    strokeDevicePath(device);
}

void Engine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) {
    if (count <= 0) return;
    QPainterPath path;
    path.moveTo(points[0]);
    for (int i = 1; i < count; ++i) path.lineTo(points[i]);
    if (mode == PolylineMode) {
        if (!pageOpen_) return;
        applyClip();
        const QPainterPath device = matrix_.map(path);
        strokeDevicePath(device);
        return;
    }
    path.closeSubpath();
    path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
    drawPath(path);
}

void Engine::drawRects(const QRectF* rects, int count) {
    QPainterPath path;
    for (int i = 0; i < count; ++i) path.addRect(rects[i]);
    drawPath(path);
}

void Engine::drawRects(const QRect* rects, int count) {
    QPainterPath path;
    for (int i = 0; i < count; ++i) path.addRect(QRectF(rects[i]));
    drawPath(path);
}

void Engine::drawLines(const QLineF* lines, int count) {
    for (int i = 0; i < count; ++i) {
        const QPointF p[2] = {lines[i].p1(), lines[i].p2()};
        drawPolygon(p, 2, PolylineMode);
    }
}

void Engine::drawLines(const QLine* lines, int count) {
    for (int i = 0; i < count; ++i) {
        const QPointF p[2] = {QPointF(lines[i].p1()), QPointF(lines[i].p2())};
        drawPolygon(p, 2, PolylineMode);
    }
}

void Engine::drawPoints(const QPointF* points, int count) {
    if (!pageOpen_ || pen_.style() == Qt::NoPen) return;
    applyClip();
    const double w = pen_.isCosmetic() ? std::max(1.0, pen_.widthF()) : std::max(1.0, pen_.widthF() * std::sqrt(std::fabs(matrix_.determinant())));
    std::string ops = colourOps(pen_.color(), false);
    for (int i = 0; i < count; ++i) {
        const QPointF d = matrix_.map(points[i]);
        const double x = w <= 1 ? std::floor(d.x()) : d.x() - w / 2, y = w <= 1 ? std::floor(d.y()) : d.y() - w / 2;
        ops += num(x) + " " + num(y) + " " + num(w) + " " + num(w) + " re\n";
    }
    put(ops + "f\n");
}

void Engine::drawEllipse(const QRectF& rect) {
    QPainterPath path;
    path.addEllipse(rect);
    drawPath(path);
}

void Engine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) {
    drawImage(r, pm.toImage(), sr, Qt::AutoColor);
}

void Engine::drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& s) {
    if (!pageOpen_ || pixmap.isNull() || r.isEmpty()) return;
    applyClip();
    const QImage image = pixmap.toImage();
    const double w = image.width(), h = image.height();
    // The tiles inside r, clipped to it.
    QPainterPath area;
    area.addRect(r);
    put("q\n" + pathOps(matrix_.map(area)) + "W n\n");
    for (double y = r.top() - std::fmod(s.y(), h); y < r.bottom(); y += h)
        for (double x = r.left() - std::fmod(s.x(), w); x < r.right(); x += w)
            drawImage(QRectF(x, y, w, h), image, image.rect(), Qt::AutoColor);
    put("Q\n");
}

// ---- the paint device ----

Job::Job(Output& output, const JobSettings& settings)
    : engine_(std::make_unique<Engine>(output, settings)), settings_(settings) {
    if (settings_.resolution <= 0) settings_.resolution = 600;
}

Job::~Job() = default;

QPaintEngine* Job::paintEngine() const { return engine_.get(); }
bool Job::newPage() { return engine_->newPage(); }
bool Job::finish() { return engine_->finish(); }
bool Job::ok() const { return engine_->ok(); }
std::string Job::error() const { return engine_->error(); }

int Job::addJpegPicture(const void* bits, long lineBytes, int width, int height, int bitCount,
                        const JpegOrigin& origin) {
    return engine_->addJpegPicture(bits, lineBytes, width, height, bitCount, origin);
}

void Job::removeJpegPicture(int id) { engine_->removeJpegPicture(id); }

int Job::metric(PaintDeviceMetric metric) const {
    const int dpi = settings_.resolution;
    const QRect paint = settings_.layout.paintRectPixels(dpi);
    const QRectF mm = settings_.layout.paintRect(QPageLayout::Millimeter);
    switch (metric) {
    case PdmWidth: return paint.width();
    case PdmHeight: return paint.height();
    case PdmWidthMM: return static_cast<int>(std::nearbyint(mm.width()));
    case PdmHeightMM: return static_cast<int>(std::nearbyint(mm.height()));
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 24;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return dpi;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    default: return 0;
    }
}

}  // namespace platform::pdf
