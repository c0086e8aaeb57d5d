// Text in the printers' PDF documents: glyphs placed where Qt lays them out, in Type 3
// fonts made of the glyphs' outlines, with the characters they stand for.
#include "PdfEngine.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

#include <cstdio>

namespace platform::pdf {

std::pair<Engine::Type3Font*, int> Engine::glyphCode(const QRawFont& font, quint32 glyph, const QString& text) {
    const QString key = font.familyName() + u'|' + font.styleName() + u'|' + QString::number(font.weight()) + u'|' +
                        QString::number(static_cast<int>(font.style()));
    std::vector<Type3Font>& list = fonts_[key];
    for (Type3Font& f : list) {
        auto it = f.codes.find(glyph);
        if (it != f.codes.end()) {
            if (f.text[static_cast<std::size_t>(it->second)].isEmpty()) f.text[static_cast<std::size_t>(it->second)] = text;
            return {&f, it->second};
        }
    }
    if (list.empty() || list.back().glyphs.size() >= 256) {
        Type3Font f;
        f.object = newObject();
        f.outlines = font;
        f.outlines.setPixelSize(1000);
        list.push_back(std::move(f));
    }
    Type3Font& f = list.back();
    const int code = static_cast<int>(f.glyphs.size());
    f.glyphs.push_back(glyph);
    f.text.push_back(text);
    f.codes[glyph] = code;
    return {&f, code};
}

void Engine::drawTextItem(const QPointF& p, const QTextItem& item) {
    if (!pageOpen_) return;
    const QString text = item.text();
    if (text.isEmpty()) return;
    applyClip();
    QPaintDevice* device = painter() ? painter()->device() : nullptr;
    QTextLayout layout(text, item.font(), device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return;
    }
    line.setLineWidth(1e9);
    layout.endLayout();
    const double ascent = line.ascent();
    const QColor colour = pen_.color();
    std::string ops = "BT\n" + colourOps(colour, false);
    char code[8];
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        if (!raw.isValid()) continue;
        // The characters of each glyph, for the text a reader copies.
        std::unordered_map<quint32, QString> chars;
        const QList<uint> points = text.toUcs4();
        for (uint cp : points) {
            const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
            const QList<quint32> g = raw.glyphIndexesForString(one);
            if (g.size() == 1 && !chars.count(g[0])) chars[g[0]] = one;
        }
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        const double size = raw.pixelSize();
        std::string current;
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            const auto found = chars.find(glyphs[i]);
            const auto [font, c] = glyphCode(raw, glyphs[i], found == chars.end() ? QString() : found->second);
            const std::string fontName = name(page_.fonts, "T", font->object);
            if (fontName != current) {
                ops += "/" + fontName + " " + num(size) + " Tf\n";
                current = fontName;
            }
            const QPointF at = matrix_.map(p + QPointF(positions[i].x(), positions[i].y() - ascent));
            std::snprintf(code, sizeof code, "<%02X>", c);
            ops += num(matrix_.m11()) + " " + num(matrix_.m12()) + " " + num(-matrix_.m21()) + " " +
                   num(-matrix_.m22()) + " " + num(at.x()) + " " + num(at.y()) + " Tm " + code + " Tj\n";
        }
    }
    put(ops + "ET\n");
}

namespace {

std::string utf16Hex(const QString& s) {
    std::string out;
    char h[8];
    for (QChar c : s) {
        std::snprintf(h, sizeof h, "%04X", c.unicode());
        out += h;
    }
    return out;
}

}  // namespace

void Engine::writeFonts() {
    for (auto& [key, list] : fonts_) {
        for (Type3Font& f : list) {
            std::string procs, differences, widths;
            QRectF bounds;
            for (std::size_t code = 0; code < f.glyphs.size(); ++code) {
                const quint32 glyph = f.glyphs[code];
                const QPainterPath outline = f.outlines.pathForGlyph(glyph);
                const QList<QPointF> advances = f.outlines.advancesForGlyphIndexes(QList<quint32>{glyph});
                const double advance = advances.isEmpty() ? 0 : advances[0].x();
                // Outlines run downward from the baseline; glyph space runs upward.
                const QPainterPath up = QTransform(1, 0, 0, -1, 0, 0).map(outline);
                const QRectF box = up.boundingRect();
                bounds |= box;
                std::string content = num(advance) + " 0 " + num(box.left()) + " " + num(box.top()) + " " +
                                      num(box.right()) + " " + num(box.bottom()) + " d1\n";
                if (!up.isEmpty()) content += pathOps(up) + "f\n";
                const int proc = newObject();
                {
                    StreamWriter s(*this, proc, "", true);
                    s.write(content.data(), content.size());
                }
                procs += " /g" + std::to_string(code) + " " + std::to_string(proc) + " 0 R";
                differences += " /g" + std::to_string(code);
                widths += num(advance) + " ";
            }
            // The characters behind the codes.
            std::string cmap =
                "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo << /Registry "
                "(Adobe) /Ordering (UCS) /Supplement 0 >> def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 "
                "def\n1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
            std::string entries;
            int count = 0;
            char h[8];
            for (std::size_t code = 0; code < f.text.size(); ++code) {
                if (f.text[code].isEmpty()) continue;
                std::snprintf(h, sizeof h, "<%02X>", static_cast<unsigned>(code));
                entries += std::string(h) + " <" + utf16Hex(f.text[code]) + ">\n";
                if (++count == 100) {
                    cmap += "100 beginbfchar\n" + entries + "endbfchar\n";
                    entries.clear();
                    count = 0;
                }
            }
            if (count) cmap += std::to_string(count) + " beginbfchar\n" + entries + "endbfchar\n";
            cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
            const int unicode = newObject();
            {
                StreamWriter s(*this, unicode, "", true);
                s.write(cmap.data(), cmap.size());
            }
            beginObject(f.object);
            output().write("<< /Type /Font /Subtype /Type3 /FontBBox [" + num(bounds.left()) + " " + num(bounds.top()) +
                           " " + num(bounds.right()) + " " + num(bounds.bottom()) +
                           "] /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs <<" + procs +
                           " >> /Encoding << /Type /Encoding /Differences [0" + differences + "] >> /FirstChar 0 /LastChar " +
                           std::to_string(f.glyphs.empty() ? 0 : f.glyphs.size() - 1) + " /Widths [" + widths +
                           "] /Resources << >> /ToUnicode " + std::to_string(unicode) + " 0 R >>\n");
            endObject();
        }
    }
}

}  // namespace platform::pdf
