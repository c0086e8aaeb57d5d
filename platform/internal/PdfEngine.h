// The paint engine of the printers' PDF documents (PdfDocument.h), in three parts: the
// document and the vector operations (PdfEngine.cpp), pictures (PdfImages.cpp) and text
// (PdfText.cpp).
#pragma once

#include "PdfDocument.h"

#include <QBrush>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QRawFont>
#include <QRegion>
#include <QTransform>

#include <map>
#include <unordered_map>

namespace platform::pdf {

// A number as PDF writes it: at most four decimals, no exponent.
std::string num(double v);

// A stream object being written: its dictionary, then data (deflated or as it comes),
// then its length as an object of its own.
class StreamWriter {
public:
    StreamWriter(Engine& engine, int object, const std::string& dictionary, bool deflate, int level = 6);
    ~StreamWriter();
    StreamWriter(const StreamWriter&) = delete;
    StreamWriter& operator=(const StreamWriter&) = delete;
    bool write(const void* data, std::size_t size);
    bool finish();

private:
    bool pump(int flush);
    Engine& engine_;
    struct Deflater;
    std::unique_ptr<Deflater> deflater_;
    int lengthObject_;
    std::uint64_t start_;
    bool finished_ = false;
};

class Engine : public QPaintEngine {
public:
    Engine(Output& output, const JobSettings& settings);
    ~Engine() override;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return static_cast<Type>(QPaintEngine::User + 17); }
    void updateState(const QPaintEngineState& state) override;
    void drawPath(const QPainterPath& path) override;
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
    void drawRects(const QRectF* rects, int count) override;
    void drawRects(const QRect* rects, int count) override;
    void drawLines(const QLineF* lines, int count) override;
    void drawLines(const QLine* lines, int count) override;
    void drawPoints(const QPointF* points, int count) override;
    void drawEllipse(const QRectF& rect) override;
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
    void drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& s) override;
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags flags) override;
    void drawTextItem(const QPointF& p, const QTextItem& textItem) override;

    bool newPage();
    bool finish();
    bool ok() const { return out_.ok() && error_.empty(); }
    std::string error() const { return error_.empty() ? out_.error() : error_; }

    int addJpegPicture(const void* bits, long lineBytes, int width, int height, int bitCount, const JpegOrigin& origin);
    void removeJpegPicture(int id);

    // ---- the document's objects ----
    int newObject();
    void beginObject(int object);
    void endObject();
    Output& output() { return out_; }
    void fail(const std::string& why) {
        if (error_.empty()) error_ = why;
    }

private:
    friend class StreamWriter;

    // The page being drawn.
    struct Page {
        QByteArray content;
        std::map<std::string, int> xobjects, fonts, patterns;
        bool clipOpen = false;
        QRegion clipRegion;
        QPainterPath clipPath;
        bool clipIsRegion = true;
        bool clipEmitted = false;
    };

    // A JPEG file behind a picture's pixels.
    struct JpegPicture {
        const unsigned char* bits = nullptr;
        long lineBytes = 0;
        int width = 0, height = 0, bitCount = 0;
        JpegOrigin origin;
        int source = -1;  // index into sources_, once the file was read and found unchanged
        bool refused = false;
    };
    struct Use {
        int form;
        QRect crop;  // picture pixels, top-down
    };
    struct JpegSource {
        std::string path;
        std::uint64_t digest = 0;
        QByteArray bytes;
        int width = 0, height = 0, components = 0, mcuWidth = 8, mcuHeight = 8;
        bool subsampled = false;
        std::vector<Use> uses;
    };

    // Type 3 fonts made of glyph outlines, at most 256 glyphs each.
    struct Type3Font {
        int object = 0;
        QRawFont outlines;  // at 1000 pixels per em
        std::unordered_map<quint32, int> codes;  // glyph index -> code
        std::vector<quint32> glyphs;             // by code
        std::vector<QString> text;               // by code
    };

    void startPage();
    bool endPage();
    void put(const std::string& s) { page_.content.append(s.data(), static_cast<qsizetype>(s.size())); }
    std::string name(std::map<std::string, int>& table, const char* prefix, int object);

    // Clip and state.
    void applyClip();
    void closeClip();
    std::string pathOps(const QPainterPath& devicePath) const;
    void fillDevicePath(const QPainterPath& path, const QBrush& brush, Qt::FillRule rule);
    void strokeDevicePath(const QPainterPath& path);
    std::string colourOps(const QColor& c, bool stroke) const;
    std::string patternFill(const QBrush& brush);

    // Pictures (PdfImages.cpp).
    bool drawJpegSection(const QRectF& r, const QImage& image, const QRect& sr);
    JpegSource* jpegSourceOf(JpegPicture& picture);
    int writeImage(const QImage& image, const QRect& sr, bool reverse, int& width, int& height);
    void writeJpegSources();
    int writeJpegBytes(const unsigned char* data, std::size_t size, int width, int height, int components);

    // Text (PdfText.cpp).
    std::pair<Type3Font*, int> glyphCode(const QRawFont& font, quint32 glyph, const QString& text);
    void writeFonts();

    Output& out_;
    JobSettings settings_;
    std::string error_;
    std::vector<std::uint64_t> offsets_;  // by object number; 0: not written yet
    int pagesObject_ = 0;
    std::vector<int> pageObjects_;
    Page page_;
    bool pageOpen_ = false;
    bool finished_ = false;
    double pageHeightPt_ = 0, scale_ = 1, offsetXPt_ = 0, offsetYPt_ = 0;
    int widthPt_ = 0, heightPt_ = 0;

    QPen pen_;
    QBrush brush_;
    QBrush background_;
    bool opaqueBackground_ = false;
    QPointF brushOrigin_;
    QTransform matrix_;
    bool clipDirty_ = true;

    std::map<int, JpegPicture> pictures_;
    int nextPicture_ = 1;
    std::vector<JpegSource> sources_;
    std::map<std::string, int> patternObjects_;
    std::map<QString, std::vector<Type3Font>> fonts_;
    std::vector<std::pair<int, std::string>> deferredPatterns_;
};

}  // namespace platform::pdf
