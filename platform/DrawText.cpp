// DrawText: formatted text in a rectangle, measured or drawn.
#include "DeviceContext.h"
#include "platform/codepage.h"

#include <QTextOption>

#include <algorithm>
#include <cstring>

using namespace platform::gdi;

namespace {

const QString kEllipsis = QStringLiteral("...");

// One line to draw: its text and the positions of characters with a prefix underline.
struct Line {
    QString text;
    std::vector<int> underlined;
};

struct Layout {
    const QFontMetrics& fm;
    UINT format;
    int tabWidth = 0;  // 0: tabs are not expanded

    bool expands(const QString& s) const { return tabWidth > 0 && s.contains(u'\t'); }

    // Width of a text whose tabs stop at multiples of the tab width.
    int width(const QString& s) const {
        if (!expands(s)) return fm.horizontalAdvance(s);
        int x = 0;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= s.size(); ++i) {
            if (i < s.size() && s[i] != u'\t') continue;
            x += fm.horizontalAdvance(s.mid(start, i - start));
            if (i < s.size()) x = (x / tabWidth + 1) * tabWidth;
            start = i + 1;
        }
        return x;
    }
};

// Takes out "&" prefixes: "&&" stays one "&", "&x" marks x; of several marks the last is
// the hot key and the only one underlined.
Line prefixed(const QString& s, bool keepPrefixes) {
    Line out;
    if (keepPrefixes) {
        out.text = s;
        return out;
    }
    int hot = -1;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'&') {
            if (i + 1 >= s.size()) break;
            if (s[i + 1] != u'&') hot = static_cast<int>(out.text.size());
            ++i;
        }
        out.text += s[i];
    }
    if (hot >= 0) out.underlined.push_back(hot);
    return out;
}

Line part(const Line& l, qsizetype from, qsizetype count) {
    Line out;
    out.text = l.text.mid(from, count);
    for (int u : l.underlined)
        if (u >= from && u < from + out.text.size()) out.underlined.push_back(static_cast<int>(u - from));
    return out;
}

// Breaks a line at blanks so that each piece fits the width; a word wider than the width
// stands alone on its line.
std::vector<Line> wrap(const Line& line, const Layout& lay, int width) {
    std::vector<Line> out;
    const QString& s = line.text;
    qsizetype start = 0;
    while (true) {
        // The longest piece from `start` that ends at a blank (or the end) and fits; a first
        // word that does not fit stands alone.
        qsizetype best = -1, firstBreak = -1;
        for (qsizetype i = start; i <= s.size(); ++i) {
            if (i < s.size() && s[i] != u' ') continue;
            if (firstBreak < 0) firstBreak = i;
            if (lay.width(s.mid(start, i - start)) > width) break;
            best = i;
        }
        const qsizetype end = best >= 0 ? best : firstBreak;
        out.push_back(part(line, start, end - start));
        qsizetype next = end;
        while (next < s.size() && s[next] == u' ') ++next;  // blanks at a break vanish
        if (next >= s.size()) break;
        start = next;
    }
    return out;
}

// Shortens a line that is wider than the width.
void ellipsize(Line& line, const Layout& lay, int width) {
    if (lay.width(line.text) <= width) return;
    const QString s = line.text;
    if (lay.format & DT_PATH_ELLIPSIS) {
        const qsizetype sep = std::max(s.lastIndexOf(u'/'), s.lastIndexOf(u'\\'));
        if (sep > 0) {
            const QString tail = s.mid(sep);
            for (qsizetype keep = sep - 1; keep >= 0; --keep) {
                const QString candidate = s.left(keep) + kEllipsis + tail;
                if (lay.width(candidate) <= width || keep == 0) {
                    line.text = candidate;
                    line.underlined.erase(std::remove_if(line.underlined.begin(), line.underlined.end(),
                                                         [keep](int u) { return u >= keep; }),
                                          line.underlined.end());
                    if (lay.width(candidate) <= width) return;
                    break;
                }
            }
        }
    }
    const QString base = line.text;
    for (qsizetype keep = base.size() - 1; keep >= 0; --keep) {
        const QString candidate = base.left(keep) + kEllipsis;
        if (lay.width(candidate) <= width || keep == 0) {
            line.text = candidate;
            line.underlined.erase(std::remove_if(line.underlined.begin(), line.underlined.end(),
                                                 [keep](int u) { return u >= keep; }),
                                  line.underlined.end());
            return;
        }
    }
}

std::vector<Line> layoutLines(const QString& text, const Layout& lay, int width) {
    const UINT format = lay.format;
    std::vector<QString> raw;
    if (format & DT_SINGLELINE) {
        raw.push_back(text);
    } else {
        QString s = text;
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        s.replace(u'\r', u'\n');
        for (const QString& l : s.split(u'\n')) raw.push_back(l);
    }
    std::vector<Line> lines;
    for (const QString& r : raw) {
        const Line l = prefixed(r, (format & DT_NOPREFIX) != 0);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            for (Line& piece : wrap(l, lay, width)) lines.push_back(std::move(piece));
        } else {
            lines.push_back(l);
        }
    }
    if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))
        for (Line& l : lines) ellipsize(l, lay, width);
    return lines;
}

int drawText(DC& dc, const QString& text, LPRECT rect, UINT format) {
    const QFontMetrics fm = dcMetrics(dc);
    Layout lay{fm, format};
    if (format & DT_EXPANDTABS) {
        const int chars = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
        lay.tabWidth = std::max(1, (chars > 0 ? chars : 8) * std::max(1, fm.averageCharWidth()));
    }
    if (text.isEmpty()) {
        if (format & DT_CALCRECT) {
            rect->right = rect->left;
            rect->bottom = rect->top;
        }
        return 0;
    }
    const int width = rect->right - rect->left;
    std::vector<Line> lines = layoutLines(text, lay, width);
    const int lineHeight = fm.height() + ((format & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    int total = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& l : lines) widest = std::max(widest, lay.width(l.text));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + total;
        return total;
    }
    const bool single = (format & DT_SINGLELINE) != 0;
    int y = rect->top;
    if (single && (format & DT_VCENTER)) y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM)) y = rect->bottom - lineHeight;
    // An edit control shows no partly visible last line.
    if ((format & DT_EDITCONTROL) && !single)
        while (lines.size() > 1 && rect->top + lineHeight * static_cast<int>(lines.size()) > rect->bottom) {
            lines.pop_back();
            total -= lineHeight;
        }
    const int result = single && (format & (DT_VCENTER | DT_BOTTOM)) ? y - rect->top + lineHeight : total;

    const QRect box(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
    const bool clip = !(format & DT_NOCLIP);
    Paint p = clip ? Paint(dc, false, box, 2) : Paint(dc, false);
    if (!p.active()) return result;
    QPainter& painter = p.painter();
    if (clip) painter.setClipRect(box, Qt::IntersectClip);
    painter.setFont(dcFont(dc));
    const QColor ink = qcolour(dc.state.textColour);
    painter.setPen(ink);
    painter.setBackgroundMode(Qt::TransparentMode);
    const bool rtl = (format & DT_RTLREADING) != 0;
    const bool textToo = !(format & DT_PREFIXONLY);
    const bool underlines = !(format & DT_HIDEPREFIX);
    for (const Line& l : lines) {
        const int w = lay.width(l.text);
        int x = rect->left;
        if (format & DT_CENTER) x = rect->left + (rect->right - rect->left - w) / 2;
        else if (format & DT_RIGHT) x = rect->right - w;
        const QRect cell(x, y, w, lineHeight);
        if (textToo && dc.state.bkMode == OPAQUE) painter.fillRect(cell, qcolour(dc.state.bkColour));
        if (textToo) {
            if (rtl) {
                QTextOption option(Qt::AlignLeft | Qt::AlignTop);
                option.setTextDirection(Qt::RightToLeft);
                option.setWrapMode(QTextOption::NoWrap);
                painter.drawText(QRectF(x, y, w + 1, lineHeight), l.text, option);
            } else if (!lay.expands(l.text)) {
                painter.drawText(QPoint(x, y + fm.ascent()), l.text);
            } else {
                qsizetype start = 0;
                int at = 0;
                for (qsizetype i = 0; i <= l.text.size(); ++i) {
                    if (i < l.text.size() && l.text[i] != u'\t') continue;
                    const QString piece = l.text.mid(start, i - start);
                    painter.drawText(QPoint(x + at, y + fm.ascent()), piece);
                    at += fm.horizontalAdvance(piece);
                    if (i < l.text.size()) at = (at / lay.tabWidth + 1) * lay.tabWidth;
                    start = i + 1;
                }
            }
        }
        if (underlines)
            for (int u : l.underlined) {
                const int ux = x + lay.width(l.text.left(u));
                const int uw = std::max(1, fm.horizontalAdvance(l.text.mid(u, 1)));
                painter.fillRect(QRect(ux, y + fm.ascent() + 1, uw, 1), ink);
            }
        p.touched(clip ? cell & box : cell, 2);
        y += lineHeight;
    }
    return result;
}

std::size_t wideLength(LPCWSTR s) {
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

}  // namespace

int DrawTextW(HDC handle, LPCWSTR text, int count, LPRECT rect, UINT format) {
    DC* dc = findDC(handle);
    if (!dc || !rect || (!text && count != 0)) return 0;
    const std::size_t n = !text ? 0 : count < 0 ? wideLength(text) : static_cast<std::size_t>(count);
    return drawText(*dc, QString::fromUtf16(text ? text : u"", static_cast<qsizetype>(n)), rect, format);
}

int DrawTextA(HDC handle, LPCSTR text, int count, LPRECT rect, UINT format) {
    DC* dc = findDC(handle);
    if (!dc || !rect || (!text && count != 0)) return 0;
    const std::size_t n = !text ? 0 : count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
    const std::u16string w = platform::ansiToWide(std::string_view(text ? text : "", n));
    return drawText(*dc, QString::fromUtf16(w.data(), static_cast<qsizetype>(w.size())), rect, format);
}
