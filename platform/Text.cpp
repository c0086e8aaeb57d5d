// Fonts and text output.
#include "DeviceContext.h"
#include "platform/codepage.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::gdi {

void realizeFont(Font& f) {
    QFont q;
    const bool fixed = (f.pitchAndFamily & 0x3) == FIXED_PITCH || (f.pitchAndFamily & 0xF0) == FF_MODERN;
    QString family = QString::fromUtf16(f.face.data(), static_cast<qsizetype>(f.face.size()));
    if (family.isEmpty()) family = fixed ? QStringLiteral("Monospace") : QStringLiteral("Sans Serif");
    q.setFamily(family);
    switch (f.pitchAndFamily & 0xF0) {
    case FF_ROMAN: q.setStyleHint(QFont::Serif); break;
    case FF_MODERN: q.setStyleHint(QFont::Monospace); break;
    case FF_SCRIPT: q.setStyleHint(QFont::Cursive); break;
    case FF_DECORATIVE: q.setStyleHint(QFont::Decorative); break;
    default: q.setStyleHint(fixed ? QFont::Monospace : QFont::SansSerif); break;
    }
    if (fixed) q.setFixedPitch(true);
    // Negative heights are character heights, positive ones cell heights, 0 the default.
    int pixels = f.height < 0 ? -f.height : (f.height > 0 ? f.height : 12);
    pixels = std::clamp(pixels, 1, 16384);
    q.setPixelSize(pixels);
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (f.height > 0 && gui) {
        const QFontMetrics fm(q);
        if (fm.height() > 0) q.setPixelSize(std::max(1, static_cast<int>(std::nearbyint(double(pixels) * pixels / fm.height()))));
    }
    q.setWeight(static_cast<QFont::Weight>(std::clamp<LONG>(f.weight ? f.weight : FW_NORMAL, 1, 1000)));
    q.setItalic(f.italic != 0);
    q.setUnderline(f.underline != 0);
    q.setStrikeOut(f.strikeOut != 0);
    if (f.quality == NONANTIALIASED_QUALITY) q.setStyleStrategy(QFont::NoAntialias);
    else if (f.quality == ANTIALIASED_QUALITY) q.setStyleStrategy(QFont::PreferAntialias);
    if (f.width > 0 && gui) {
        const int average = QFontMetrics(q).averageCharWidth();
        if (average > 0) q.setStretch(std::clamp(static_cast<int>(f.width * 100 / average), 1, 4000));
    }
    f.qfont = q;
}

const QFont& dcFont(const DC& dc) {
    static const QFont fallback;
    return dc.state.font ? dc.state.font->qfont : fallback;
}

QFontMetrics dcMetrics(DC& dc) {
    if (QImage* image = dc.device->imageFor(QRect())) return QFontMetrics(dcFont(dc), image);
    return QFontMetrics(dcFont(dc));
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

template <class LF>
HFONT createFont(const LF& lf, std::u16string face) {
    auto f = std::make_unique<Font>();
    f->height = lf.lfHeight;
    f->width = lf.lfWidth;
    f->escapement = lf.lfEscapement;
    f->orientation = lf.lfOrientation;
    f->weight = lf.lfWeight;
    f->italic = lf.lfItalic;
    f->underline = lf.lfUnderline;
    f->strikeOut = lf.lfStrikeOut;
    f->charSet = lf.lfCharSet;
    f->outPrecision = lf.lfOutPrecision;
    f->clipPrecision = lf.lfClipPrecision;
    f->quality = lf.lfQuality;
    f->pitchAndFamily = lf.lfPitchAndFamily;
    f->face = std::move(face);
    realizeFont(*f);
    return static_cast<HFONT>(add(std::move(f)));
}

QString qstring(LPCWSTR text, int count) {
    if (!text || count <= 0) return {};
    return QString::fromUtf16(text, count);
}

QString qstringAnsi(LPCSTR text, int count) {
    if (!text || count <= 0) return {};
    const std::u16string w = platform::ansiToWide(std::string_view(text, static_cast<std::size_t>(count)));
    return QString::fromUtf16(w.data(), static_cast<qsizetype>(w.size()));
}

const QFont& fontOf(const DC& dc) { return dcFont(dc); }

QFontMetrics metricsOf(DC& dc) { return dcMetrics(dc); }

int advance(const QFontMetrics& fm, const QString& s, const INT* dx) {
    if (!dx) return fm.horizontalAdvance(s);
    int w = 0;
    for (qsizetype i = 0; i < s.size(); ++i) w += dx[i];
    return w;
}

// Text at a reference point, aligned and with its background as the DC says.
BOOL textOut(DC& dc, int x, int y, const QString& s, const INT* dx, UINT options, const RECT* rect) {
    const UINT align = dc.state.textAlign;
    if (align & TA_UPDATECP) {
        x = dc.state.position.x();
        y = dc.state.position.y();
    }
    const QFontMetrics fm = metricsOf(dc);
    const int width = advance(fm, s, dx);
    int left = x, top = y;
    if ((align & TA_CENTER) == TA_CENTER) left = x - width / 2;
    else if (align & TA_RIGHT) left = x - width;
    if ((align & TA_BASELINE) == TA_BASELINE) top = y - fm.ascent();
    else if (align & TA_BOTTOM) top = y - fm.height();
    if (align & TA_UPDATECP) {
        if ((align & TA_CENTER) != TA_CENTER) dc.state.position.setX(align & TA_RIGHT ? x - width : x + width);
    }

    const QRect box = rect ? QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)) : QRect();
    const LONG turned = dc.state.font ? dc.state.font->escapement : 0;
    // Only the text's cell (and the opaque box) is touched, unless the text is turned.
    const QRect cellArea = QRect(left, top, width, fm.height()) | ((options & ETO_OPAQUE) && rect ? box : QRect());
    Paint p = turned ? Paint(dc, false) : Paint(dc, false, cellArea, 2);
    if (!p.active()) return TRUE;
    QPainter& painter = p.painter();
    if ((options & ETO_OPAQUE) && rect) {
        painter.fillRect(box, qcolour(dc.state.bkColour));
        p.touched(box);
    }
    if ((options & ETO_CLIPPED) && rect) painter.setClipRect(box, Qt::IntersectClip);
    if (s.isEmpty()) return TRUE;
    const LONG escapement = dc.state.font ? dc.state.font->escapement : 0;
    if (escapement) {
        painter.translate(x, y);
        painter.rotate(-escapement / 10.0);
        painter.translate(-x, -y);
        p.touchedAll();
    }
    const QRect cell(left, top, width, fm.height());
    if (dc.state.bkMode == OPAQUE && !(options & ETO_OPAQUE)) painter.fillRect(cell, qcolour(dc.state.bkColour));
    painter.setFont(fontOf(dc));
    painter.setPen(qcolour(dc.state.textColour));
    painter.setBackgroundMode(Qt::TransparentMode);
    if (!dx) {
        painter.drawText(QPoint(left, top + fm.ascent()), s);
    } else {
        int at = left;
        for (qsizetype i = 0; i < s.size(); ++i) {
            painter.drawText(QPoint(at, top + fm.ascent()), QString(s[i]));
            at += dx[i];
        }
    }
    p.touched(cell, 2);
    return TRUE;
}

void fillMetrics(DC& dc, auto& tm) {
    const QFontMetrics fm = metricsOf(dc);
    const QFont& font = fontOf(dc);
    const int pixelSize = font.pixelSize() > 0 ? font.pixelSize() : fm.height();
    tm.tmHeight = fm.height();
    tm.tmAscent = fm.ascent();
    tm.tmDescent = fm.descent();
    tm.tmInternalLeading = std::max(0, fm.height() - pixelSize);
    tm.tmExternalLeading = std::max(0, fm.leading());
    tm.tmAveCharWidth = fm.averageCharWidth();
    tm.tmMaxCharWidth = fm.maxWidth();
    tm.tmWeight = dc.state.font && dc.state.font->weight ? dc.state.font->weight : FW_NORMAL;
    tm.tmOverhang = 0;
    const DeviceCaps caps = dc.caps();
    tm.tmDigitizedAspectX = caps.logPixelsX;
    tm.tmDigitizedAspectY = caps.logPixelsY;
    tm.tmFirstChar = 32;
    tm.tmLastChar = sizeof(tm.tmLastChar) == 1 ? 255 : 0xFFFC;
    tm.tmDefaultChar = '?';
    tm.tmBreakChar = ' ';
    tm.tmItalic = font.italic() ? 1 : 0;
    tm.tmUnderlined = font.underline() ? 1 : 0;
    tm.tmStruckOut = font.strikeOut() ? 1 : 0;
    const BYTE family = dc.state.font ? (dc.state.font->pitchAndFamily & 0xF0) : 0;
    tm.tmPitchAndFamily = static_cast<BYTE>((font.fixedPitch() ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | family);
    tm.tmCharSet = dc.state.font ? dc.state.font->charSet : 0;
}

}  // namespace

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
    if (!lf) return nullptr;
    const std::size_t n = strnlen(lf->lfFaceName, LF_FACESIZE);
    return createFont(*lf, platform::ansiToWide(std::string_view(lf->lfFaceName, n)));
}

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
    if (!lf) return nullptr;
    std::size_t n = 0;
    while (n < LF_FACESIZE && lf->lfFaceName[n]) ++n;
    return createFont(*lf, std::u16string(lf->lfFaceName, n));
}

BOOL TextOutW(HDC handle, int x, int y, LPCWSTR text, int count) {
    DC* dc = findDC(handle);
    if (!dc || count < 0 || (count > 0 && !text)) return FALSE;
    return textOut(*dc, x, y, qstring(text, count), nullptr, 0, nullptr);
}

BOOL TextOutA(HDC handle, int x, int y, LPCSTR text, int count) {
    DC* dc = findDC(handle);
    if (!dc || count < 0 || (count > 0 && !text)) return FALSE;
    return textOut(*dc, x, y, qstringAnsi(text, count), nullptr, 0, nullptr);
}

BOOL ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx) {
    DC* dc = findDC(handle);
    if (!dc || count > 0x7FFFFFFF || (count > 0 && !text)) return FALSE;
    return textOut(*dc, x, y, qstring(text, static_cast<int>(count)), dx, options, rect);
}

BOOL GetTextExtentPoint32W(HDC handle, LPCWSTR text, int count, SIZE* size) {
    DC* dc = findDC(handle);
    if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
    const QFontMetrics fm = metricsOf(*dc);
    *size = SIZE{fm.horizontalAdvance(qstring(text, count)), fm.height()};
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC handle, LPCSTR text, int count, SIZE* size) {
    DC* dc = findDC(handle);
    if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
    const QFontMetrics fm = metricsOf(*dc);
    *size = SIZE{fm.horizontalAdvance(qstringAnsi(text, count)), fm.height()};
    return TRUE;
}

BOOL GetTextMetricsW(HDC handle, TEXTMETRICW* tm) {
    DC* dc = findDC(handle);
    if (!dc || !tm) return FALSE;
    fillMetrics(*dc, *tm);
    return TRUE;
}

BOOL GetTextMetricsA(HDC handle, TEXTMETRICA* tm) {
    DC* dc = findDC(handle);
    if (!dc || !tm) return FALSE;
    fillMetrics(*dc, *tm);
    return TRUE;
}
