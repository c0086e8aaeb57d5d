// Draws the pictures the program ships: the start picture "poster.stb" (a JPEG
// showing a poster being assembled from printed sheets) and the picture buttons
// of the poster window (a normal and a pressed image each), with their resource
// list. Every run draws the same pictures.
//
//   make_shipped_images <start picture file> <button images folder>

#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Deterministic pseudo-random numbers (linear congruential).
class Lcg {
public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    double next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) / 16777216.0;
    }
    double range(double lo, double hi) { return lo + (hi - lo) * next(); }

private:
    uint32_t state_;
};

// One box-blur pass over n premultiplied pixels spaced by stride; outside is transparent.
void blurLine(QRgb* p, int stride, int n, int r, std::vector<QRgb>& tmp)
{
    for (int i = 0; i < n; ++i)
        tmp[i] = p[i * stride];
    const int div = 2 * r + 1;
    int sa = 0, sr = 0, sg = 0, sb = 0;
    auto add = [&](int i, int sign) {
        if (i < 0 || i >= n)
            return;
        const QRgb c = tmp[i];
        sa += sign * qAlpha(c);
        sr += sign * qRed(c);
        sg += sign * qGreen(c);
        sb += sign * qBlue(c);
    };
    for (int i = -r; i <= r; ++i)
        add(i, 1);
    for (int i = 0; i < n; ++i) {
        p[i * stride] = qRgba(sr / div, sg / div, sb / div, sa / div);
        add(i - r, -1);
        add(i + r + 1, 1);
    }
}

// Three box passes in each direction: close to a Gaussian blur.
void blur(QImage& img, int r)
{
    if (r < 1)
        return;
    const int w = img.width(), h = img.height();
    const int stride = int(img.bytesPerLine() / 4);
    std::vector<QRgb> tmp(size_t(std::max(w, h)));
    auto* bits = reinterpret_cast<QRgb*>(img.bits());
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            blurLine(bits + y * stride, 1, w, r, tmp);
        for (int x = 0; x < w; ++x)
            blurLine(bits + x, stride, h, r, tmp);
    }
}

QImage newLayer(QSize size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// A soft shadow of the path, drawn onto p.
void softShadow(QPainter& p, QSize canvas, const QPainterPath& path, const QTransform& where,
                QPointF offset, int radius, int alpha)
{
    QImage layer = newLayer(canvas);
    {
        QPainter s(&layer);
        s.setRenderHint(QPainter::Antialiasing);
        s.setTransform(where * QTransform::fromTranslate(offset.x(), offset.y()));
        s.fillPath(path, QColor(0, 0, 0, alpha));
    }
    blur(layer, radius);
    p.save();
    p.resetTransform();
    p.drawImage(0, 0, layer);
    p.restore();
}

// A jagged ridge line by midpoint displacement, from x = 0 to x = w.
std::vector<QPointF> ridge(Lcg& rnd, double w, double base, double amp, double rough, int levels)
{
    const int n = 1 << levels;
    std::vector<double> hgt(size_t(n + 1));
    hgt[0] = rnd.range(0.2, 0.8) * amp;
    hgt[size_t(n)] = rnd.range(0.2, 0.8) * amp;
    double a = amp;
    for (int step = n; step > 1; step /= 2) {
        for (int i = step / 2; i < n; i += step)
            hgt[size_t(i)] = (hgt[size_t(i - step / 2)] + hgt[size_t(i + step / 2)]) / 2 + rnd.range(-1, 1) * a;
        a *= rough;
    }
    std::vector<QPointF> pts;
    for (int i = 0; i <= n; ++i)
        pts.emplace_back(i * w / n, base - hgt[size_t(i)]);
    return pts;
}

QPainterPath areaBelow(const std::vector<QPointF>& line, double bottom)
{
    QPainterPath path;
    path.moveTo(line.front().x(), bottom);
    for (const QPointF& pt : line)
        path.lineTo(pt);
    path.lineTo(line.back().x(), bottom);
    path.closeSubpath();
    return path;
}

// Quadratic curve from a to c that passes through b at its middle.
void quadThrough(QPainterPath& path, QPointF b, QPointF c)
{
    const QPointF a = path.currentPosition();
    path.quadTo(2 * b - (a + c) / 2, c);
}

void drawBalloon(QPainter& p, QPointF c, double r, const std::vector<QColor>& colours, double opacity)
{
    p.save();
    p.setOpacity(opacity);
    const QPointF bottomL(c.x() - 0.30 * r, c.y() + 1.35 * r), bottomR(c.x() + 0.30 * r, c.y() + 1.35 * r);
    QPainterPath envelope;
    envelope.moveTo(c.x() - r, c.y());
    envelope.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 180, -180);
    envelope.cubicTo(c.x() + r, c.y() + 0.6 * r, c.x() + 0.45 * r, c.y() + 1.05 * r, bottomR.x(), bottomR.y());
    envelope.lineTo(bottomL);
    envelope.cubicTo(c.x() - 0.45 * r, c.y() + 1.05 * r, c.x() - r, c.y() + 0.6 * r, c.x() - r, c.y());
    envelope.closeSubpath();

    // Ropes and basket.
    const QRectF basket(c.x() - 0.22 * r, c.y() + 1.62 * r, 0.44 * r, 0.3 * r);
    p.setPen(QPen(QColor(60, 40, 30), std::max(1.0, r / 45)));
    p.drawLine(bottomL, basket.topLeft() + QPointF(1, 0));
    p.drawLine(bottomR, basket.topRight() - QPointF(1, 0));
    p.drawLine(QPointF(c.x() - 0.1 * r, bottomL.y()), QPointF(c.x() - 0.08 * r, basket.top()));
    p.drawLine(QPointF(c.x() + 0.1 * r, bottomL.y()), QPointF(c.x() + 0.08 * r, basket.top()));
    QLinearGradient wood(basket.topLeft(), basket.topRight());
    wood.setColorAt(0, QColor(92, 56, 30));
    wood.setColorAt(0.7, QColor(150, 98, 52));
    wood.setColorAt(1, QColor(110, 70, 38));
    p.setPen(Qt::NoPen);
    p.setBrush(wood);
    p.drawRoundedRect(basket, r / 20, r / 20);

    // Gores: bands whose edges meet at the crown and narrow towards the mouth.
    p.setClipPath(envelope);
    const int gores = int(colours.size());
    for (int i = 0; i < gores; ++i) {
        const double t0 = kPi * i / gores, t1 = kPi * (i + 1) / gores;
        QPainterPath band;
        band.moveTo(c.x(), c.y() - r - 2);
        quadThrough(band, QPointF(c.x() - r * std::cos(t0), c.y()), QPointF(c.x() - 0.3 * r * std::cos(t0), c.y() + 1.4 * r));
        band.lineTo(c.x() - 0.3 * r * std::cos(t1), c.y() + 1.4 * r);
        quadThrough(band, QPointF(c.x() - r * std::cos(t1), c.y()), QPointF(c.x(), c.y() - r - 2));
        band.closeSubpath();
        p.fillPath(band, colours[size_t(i)]);
    }
    // Light from the sun on the right, shade on the left.
    QRadialGradient light(QPointF(c.x() + 0.35 * r, c.y() - 0.35 * r), 1.6 * r);
    light.setColorAt(0, QColor(255, 250, 225, 120));
    light.setColorAt(0.45, QColor(255, 240, 200, 20));
    light.setColorAt(1, QColor(40, 10, 60, 150));
    p.fillPath(envelope, light);
    p.setClipping(false);
    p.restore();
}

void drawPine(QPainter& p, double x, double baseY, double h, const QColor& col)
{
    QPainterPath tree;
    tree.setFillRule(Qt::WindingFill);
    for (int k = 0; k < 4; ++k) {
        const double top = baseY - h + k * h * 0.2;
        const double bottom = top + h * 0.38;
        const double half = h * (0.11 + 0.065 * k);
        tree.moveTo(x, top);
        tree.lineTo(x + half, bottom);
        tree.lineTo(x - half, bottom);
        tree.closeSubpath();
    }
    tree.addRect(QRectF(x - h * 0.025, baseY - h * 0.1, h * 0.05, h * 0.12));
    p.fillPath(tree, col);
}

// The motif of the poster: a sunset over mountains and a lake, with balloons and the title.
QImage drawMotif(QSize size)
{
    const double w = size.width(), h = size.height();
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Lcg rnd(20240611u);

    const double lakeTop = 0.755 * h;
    QLinearGradient sky(0, 0, 0, lakeTop);
    sky.setColorAt(0.00, QColor(18, 30, 68));
    sky.setColorAt(0.30, QColor(72, 52, 128));
    sky.setColorAt(0.58, QColor(206, 86, 124));
    sky.setColorAt(0.80, QColor(247, 150, 88));
    sky.setColorAt(1.00, QColor(255, 214, 120));
    p.fillRect(QRectF(0, 0, w, lakeTop + 1), sky);

    // Stars in the upper sky.
    for (int i = 0; i < 110; ++i) {
        const double x = rnd.range(0, w), y = rnd.range(0, 0.42 * h) * rnd.range(0.35, 1.0);
        const double fade = 1.0 - y / (0.42 * h);
        const double rad = rnd.range(0.6, 1.7);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 250, 235, int(40 + 190 * fade * rnd.range(0.4, 1.0))));
        p.drawEllipse(QPointF(x, y), rad, rad);
    }

    // Sun with its glow.
    const QPointF sun(0.66 * w, 0.545 * h);
    QRadialGradient glow(sun, 0.42 * w);
    glow.setColorAt(0, QColor(255, 236, 170, 210));
    glow.setColorAt(0.25, QColor(255, 200, 130, 90));
    glow.setColorAt(1, QColor(255, 160, 120, 0));
    p.fillRect(QRectF(0, 0, w, lakeTop), glow);
    QRadialGradient disc(sun - QPointF(12, 14), 78);
    disc.setColorAt(0, QColor(255, 253, 236));
    disc.setColorAt(0.6, QColor(255, 232, 150));
    disc.setColorAt(1, QColor(255, 190, 92));
    p.setBrush(disc);
    p.drawEllipse(sun, 66, 66);

    // Balloons.
    drawBalloon(p, QPointF(0.235 * w, 0.40 * h), 58,
                {QColor(230, 57, 70), QColor(255, 190, 11), QColor(42, 157, 143), QColor(58, 134, 255),
                 QColor(251, 86, 7), QColor(131, 56, 236), QColor(255, 190, 11), QColor(230, 57, 70)},
                1.0);
    drawBalloon(p, QPointF(0.86 * w, 0.30 * h), 24,
                {QColor(58, 134, 255), QColor(255, 255, 255), QColor(58, 134, 255), QColor(255, 255, 255),
                 QColor(58, 134, 255), QColor(255, 255, 255)},
                0.85);
    drawBalloon(p, QPointF(0.47 * w, 0.47 * h), 14,
                {QColor(42, 157, 143), QColor(255, 214, 102), QColor(42, 157, 143), QColor(255, 214, 102)},
                0.7);

    // Birds near the sun.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(52, 30, 62), 2.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF birds[] = {{0.54, 0.50}, {0.575, 0.475}, {0.60, 0.52}, {0.51, 0.455}, {0.625, 0.49}};
    for (const QPointF& b : birds) {
        const double x = b.x() * w, y = b.y() * h, s = rnd.range(6, 10);
        QPainterPath v;
        v.moveTo(x - s, y - s * 0.35);
        v.quadTo(x - s * 0.45, y - s * 0.55, x, y);
        v.quadTo(x + s * 0.45, y - s * 0.55, x + s, y - s * 0.35);
        p.drawPath(v);
    }

    // Three mountain ranges, hazier with distance.
    struct Range { double base, amp, rough; int levels; QColor top, foot; };
    const Range ranges[] = {
        {0.665 * h, 0.12 * h, 0.55, 6, QColor(150, 92, 150), QColor(236, 150, 132)},
        {0.705 * h, 0.10 * h, 0.52, 6, QColor(92, 56, 118), QColor(178, 96, 124)},
        {0.745 * h, 0.06 * h, 0.45, 5, QColor(46, 28, 76), QColor(70, 40, 92)},
    };
    std::vector<QPointF> nearRidge;
    for (const Range& rg : ranges) {
        const std::vector<QPointF> line = ridge(rnd, w, rg.base, rg.amp, rg.rough, rg.levels);
        QLinearGradient fill(0, rg.base - rg.amp * 1.3, 0, lakeTop);
        fill.setColorAt(0, rg.top);
        fill.setColorAt(1, rg.foot);
        p.fillPath(areaBelow(line, lakeTop + 1), fill);
        nearRidge = line;
    }

    // Lake: reflected sky, mirrored hills, the sun's path and ripples.
    QLinearGradient water(0, lakeTop, 0, h);
    water.setColorAt(0, QColor(244, 160, 104));
    water.setColorAt(0.35, QColor(176, 88, 128));
    water.setColorAt(1, QColor(34, 30, 78));
    p.fillRect(QRectF(0, lakeTop, w, h - lakeTop), water);
    p.save();
    p.setClipRect(QRectF(0, lakeTop, w, h - lakeTop));
    p.setOpacity(0.45);
    p.setTransform(QTransform(1, 0, 0, -1, 0, 2 * lakeTop));
    p.fillPath(areaBelow(nearRidge, lakeTop), QColor(40, 24, 66));
    p.restore();
    for (int k = 0; k < 26; ++k) {
        const double y = lakeTop + 5 + k * 7.2 + k * k * 0.12;
        if (y > h)
            break;
        const double half = (58 - k * 1.6) * rnd.range(0.6, 1.2) + 6;
        const double cx = sun.x() + rnd.range(-6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 226, 150, std::max(30, 210 - k * 7)));
        p.drawRoundedRect(QRectF(cx - half, y, 2 * half, 2.6), 1.3, 1.3);
    }
    for (int i = 0; i < 70; ++i) {
        const double y = rnd.range(lakeTop + 4, h), x = rnd.range(0, w), len = rnd.range(12, 46);
        p.setPen(QPen(QColor(255, 255, 255, int(rnd.range(14, 40))), 1.2));
        p.drawLine(QPointF(x, y), QPointF(x + len, y));
    }

    // Dark bank with pines at the lower left, and a small one at the right.
    QPainterPath bank;
    bank.moveTo(0, 0.80 * h);
    bank.cubicTo(0.10 * w, 0.79 * h, 0.22 * w, 0.86 * h, 0.36 * w, h);
    bank.lineTo(0, h);
    bank.closeSubpath();
    p.fillPath(bank, QColor(22, 14, 38));
    const QColor pine(22, 14, 38);
    const double pines[][3] = {{0.03, 0.815, 120}, {0.075, 0.82, 92}, {0.12, 0.835, 140},
                               {0.17, 0.86, 84},   {0.215, 0.895, 108}, {0.265, 0.935, 70}};
    for (const auto& t : pines)
        drawPine(p, t[0] * w, t[1] * h, t[2], pine);
    QPainterPath bank2;
    bank2.moveTo(w, 0.90 * h);
    bank2.cubicTo(0.93 * w, 0.905 * h, 0.87 * w, 0.95 * h, 0.84 * w, h);
    bank2.lineTo(w, h);
    bank2.closeSubpath();
    p.fillPath(bank2, pine);
    drawPine(p, 0.95 * w, 0.915 * h, 78, pine);
    drawPine(p, 0.905 * w, 0.945 * h, 56, pine);

    // Title across the top row of sheets, with a soft shadow.
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(112);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    const QString title = QStringLiteral("Tessellon");
    const double tw = QFontMetricsF(font).horizontalAdvance(title);
    QPainterPath text;
    text.addText(QPointF((w - tw) / 2, 0.205 * h), font, title);
    softShadow(p, size, text, QTransform(), QPointF(3, 5), 5, 150);
    QLinearGradient ink(0, 0.205 * h - 90, 0, 0.205 * h);
    ink.setColorAt(0, QColor(255, 255, 255));
    ink.setColorAt(1, QColor(255, 221, 160));
    p.fillPath(text, ink);
    p.end();
    return img;
}

void drawMat(QPainter& p, QSize size)
{
    const double w = size.width(), h = size.height();
    QRadialGradient base(QPointF(w * 0.5, h * 0.45), w * 0.75);
    base.setColorAt(0, QColor(52, 120, 92));
    base.setColorAt(1, QColor(30, 82, 62));
    p.fillRect(QRectF(0, 0, w, h), base);
    const int step = 25;
    for (int x = step; x < w; x += step) {
        const bool major = x % (step * 5) == 0;
        p.setPen(QPen(QColor(230, 255, 240, major ? 62 : 26), major ? 1.2 : 1.0));
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, h));
    }
    for (int y = step; y < h; y += step) {
        const bool major = y % (step * 5) == 0;
        p.setPen(QPen(QColor(230, 255, 240, major ? 62 : 26), major ? 1.2 : 1.0));
        p.drawLine(QPointF(0, y + 0.5), QPointF(w, y + 0.5));
    }
    // Ruler ticks and numbers along the top and left edges.
    QFont font("DejaVu Sans");
    font.setPixelSize(10);
    p.setFont(font);
    for (int x = 5; x < w; x += 5) {
        const int len = x % 125 == 0 ? 12 : (x % 25 == 0 ? 8 : 4);
        p.setPen(QPen(QColor(235, 255, 240, 150), 1));
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, len));
        if (x % 125 == 0)
            p.drawText(QPointF(x + 3, 21), QString::number(x / 25));
    }
    for (int y = 5; y < h; y += 5) {
        const int len = y % 125 == 0 ? 12 : (y % 25 == 0 ? 8 : 4);
        p.setPen(QPen(QColor(235, 255, 240, 150), 1));
        p.drawLine(QPointF(0, y + 0.5), QPointF(len, y + 0.5));
        if (y % 125 == 0)
            p.drawText(QPointF(14, y - 3), QString::number(y / 25));
    }
    // The mat's 45 degree guide line.
    p.setPen(QPen(QColor(230, 255, 240, 34), 1.2));
    p.drawLine(QPointF(0, h - 100), QPointF(h - 100, 0));
}

void drawScissors(QPainter& p, QPointF pivot, double angle, double scale)
{
    p.save();
    p.translate(pivot);
    p.rotate(angle);
    p.scale(scale, scale);
    // Two halves, slightly open; each is a blade (towards +x) and the handle on the other side.
    for (int side = -1; side <= 1; side += 2) {
        p.save();
        p.rotate(side * 7);
        QPainterPath blade;
        blade.moveTo(-4, 0);
        blade.cubicTo(30, side * 10, 90, side * 7, 128, side * 1.2);
        blade.cubicTo(100, side * 1.0, 40, -side * 1.0, -4, -side * 3.5);
        blade.closeSubpath();
        QLinearGradient steel(0, -10, 0, 10);
        steel.setColorAt(0, QColor(238, 242, 246));
        steel.setColorAt(0.5, QColor(160, 170, 182));
        steel.setColorAt(1, QColor(214, 220, 228));
        p.setPen(QPen(QColor(90, 98, 110), 1));
        p.setBrush(steel);
        p.drawPath(blade);

        const int hs = -side;
        const QRectF outer(-76, hs > 0 ? 4 : -36, 58, 32);
        QPainterPath ring;
        ring.addRoundedRect(outer, 16, 16);
        QPainterPath neck;
        neck.moveTo(-22, hs * 8.0);
        neck.lineTo(-2, hs * 1.0);
        neck.lineTo(-2, hs * 5.0);
        neck.lineTo(-24, hs * 17.0);
        neck.closeSubpath();
        ring = ring.united(neck);
        QPainterPath hole;
        hole.addRoundedRect(outer.adjusted(9, 8, -9, -8), 8, 8);
        ring = ring.subtracted(hole);
        QLinearGradient plastic(0, outer.top(), 0, outer.bottom());
        plastic.setColorAt(0, QColor(244, 96, 72));
        plastic.setColorAt(1, QColor(176, 36, 32));
        p.setPen(QPen(QColor(120, 24, 20), 1));
        p.setBrush(plastic);
        p.drawPath(ring);
        p.restore();
    }
    p.setPen(QPen(QColor(70, 74, 82), 1));
    p.setBrush(QColor(200, 204, 210));
    p.drawEllipse(QPointF(0, 0), 4.5, 4.5);
    p.restore();
}

void drawGlueStick(QPainter& p, QPointF centre, double angle)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    // Body along y, tip at the top.
    QLinearGradient tube(-22, 0, 22, 0);
    tube.setColorAt(0, QColor(196, 120, 14));
    tube.setColorAt(0.35, QColor(255, 196, 64));
    tube.setColorAt(0.6, QColor(250, 176, 40));
    tube.setColorAt(1, QColor(170, 96, 10));
    p.setPen(QPen(QColor(120, 70, 10), 1));
    p.setBrush(tube);
    p.drawRoundedRect(QRectF(-22, -60, 44, 150), 6, 6);
    QLinearGradient label(-22, 0, 22, 0);
    label.setColorAt(0, QColor(20, 70, 140));
    label.setColorAt(0.4, QColor(60, 130, 220));
    label.setColorAt(1, QColor(18, 60, 120));
    p.setBrush(label);
    p.drawRect(QRectF(-22, -20, 44, 62));
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255));
    p.save();
    p.rotate(-90);
    p.drawText(QRectF(-42, -22, 62, 44), Qt::AlignCenter, QStringLiteral("GLUE"));
    p.restore();
    // The glue itself, coming out of the tube.
    QLinearGradient glue(-18, 0, 18, 0);
    glue.setColorAt(0, QColor(222, 226, 232));
    glue.setColorAt(0.4, QColor(255, 255, 255));
    glue.setColorAt(1, QColor(200, 206, 214));
    p.setPen(QPen(QColor(170, 176, 186), 1));
    p.setBrush(glue);
    QPainterPath tip;
    tip.moveTo(-18, -60);
    tip.lineTo(-18, -78);
    tip.quadTo(0, -88, 18, -78);
    tip.lineTo(18, -60);
    tip.closeSubpath();
    p.drawPath(tip);
    p.restore();

    // The cap, lying beside the stick.
    p.save();
    p.translate(centre + QPointF(14, -150));
    p.rotate(angle - 28);
    QLinearGradient cap(-24, 0, 24, 0);
    cap.setColorAt(0, QColor(150, 30, 30));
    cap.setColorAt(0.4, QColor(230, 70, 60));
    cap.setColorAt(1, QColor(130, 24, 24));
    p.setPen(QPen(QColor(100, 20, 20), 1));
    p.setBrush(cap);
    p.drawRoundedRect(QRectF(-24, -30, 48, 56), 8, 8);
    p.setPen(QPen(QColor(255, 255, 255, 70), 2));
    p.drawLine(QPointF(-12, -22), QPointF(-12, 18));
    p.restore();
}

// A strip cut off a sheet: white paper with its dotted cut line.
void drawOffcut(QPainter& p, QPointF centre, double angle, double length, double width)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF r(-length / 2, -width / 2, length, width);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRect(r.translated(2, 3));
    p.setBrush(QColor(250, 249, 244));
    p.drawRect(r);
    p.setPen(QPen(QColor(40, 40, 40, 170), 1, Qt::DotLine));
    p.drawLine(QPointF(r.left(), r.bottom() - 1.5), QPointF(r.right(), r.bottom() - 1.5));
    p.restore();
}

QImage drawStartPicture()
{
    const QSize canvas(1200, 850);
    const int cols = 3, rows = 2;
    const QSize sheet(250, 354);
    const double glue = 22;  // visible width of a glue strip
    const QPointF origin(225, 66);
    const QImage motif = drawMotif(QSize(sheet.width() * cols, sheet.height() * rows));

    QImage img(canvas, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    drawMat(p, canvas);

    drawOffcut(p, QPointF(118, 250), 74, 300, 11);
    drawOffcut(p, QPointF(150, 300), 82, 250, 9);
    drawOffcut(p, QPointF(1080, 690), -12, 210, 10);

    Lcg rnd(77u);
    struct Sheet { int c, r; QTransform at; bool lifted; };
    std::vector<Sheet> sheets;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const bool lifted = c == cols - 1 && r == rows - 1;
            const QPointF pos = origin + QPointF(c * sheet.width(), r * sheet.height());
            QTransform t;
            if (lifted) {
                t.translate(pos.x() + sheet.width() / 2.0 + 52, pos.y() + sheet.height() / 2.0 + 30);
                t.rotate(6.5);
            } else {
                t.translate(pos.x() + sheet.width() / 2.0 + rnd.range(-1.6, 1.6),
                            pos.y() + sheet.height() / 2.0 + rnd.range(-1.6, 1.6));
                t.rotate(rnd.range(-0.35, 0.35));
            }
            t.translate(-sheet.width() / 2.0, -sheet.height() / 2.0);
            sheets.push_back({c, r, t, lifted});
        }
    }

    // Paper of a sheet in its own coordinates: the picture part and the glue strips
    // on the right and at the bottom (none at the poster's outer edge).
    auto paperOf = [&](const Sheet& s) {
        QPainterPath path;
        const double gw = s.c < cols - 1 ? glue : 0, gh = s.r < rows - 1 ? glue : 0;
        path.addRect(QRectF(0, 0, sheet.width() + gw, sheet.height() + gh));
        return path;
    };

    // Shadows of the assembled sheets, one layer.
    {
        QImage layer = newLayer(canvas);
        QPainter s(&layer);
        s.setRenderHint(QPainter::Antialiasing);
        for (const Sheet& sh : sheets) {
            if (sh.lifted)
                continue;
            s.setTransform(sh.at * QTransform::fromTranslate(3, 4));
            s.fillPath(paperOf(sh), QColor(0, 0, 0, 120));
        }
        s.end();
        blur(layer, 4);
        p.drawImage(0, 0, layer);
    }

    const QString noteFmt = QStringLiteral("Edge for glue, do not cut (page: %1;%2)");
    QFont noteFont("DejaVu Sans");
    noteFont.setPixelSize(9);
    for (const Sheet& sh : sheets) {
        if (sh.lifted) {
            softShadow(p, canvas, paperOf(sh), sh.at, QPointF(16, 20), 9, 120);
            softShadow(p, canvas, paperOf(sh), sh.at, QPointF(3, 4), 2, 70);
        }
        p.setTransform(sh.at);
        const double gw = sh.c < cols - 1 ? glue : 0, gh = sh.r < rows - 1 ? glue : 0;
        // Glue strips: paper, a sheen of glue and the note that the print puts there.
        if (gw > 0 || gh > 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(246, 245, 238));
            p.drawRect(QRectF(0, 0, sheet.width() + gw, sheet.height() + gh));
            QColor sheen(170, 205, 235, 70);
            if (gw > 0)
                p.fillRect(QRectF(sheet.width() + 3, 4, gw - 6, sheet.height() - 8), sheen);
            if (gh > 0)
                p.fillRect(QRectF(4, sheet.height() + 3, sheet.width() - 8, gh - 6), sheen);
            const QString note = noteFmt.arg(sh.c).arg(sh.r);
            p.setFont(noteFont);
            p.setPen(QColor(70, 70, 78));
            const QFontMetricsF fm(noteFont);
            if (gh > 0) {
                const double tw = fm.horizontalAdvance(note);
                p.drawText(QPointF((sheet.width() - tw) / 2, sheet.height() + (gh + fm.ascent() - fm.descent()) / 2),
                           note);
            }
            if (gw > 0) {
                // Written letter under letter, as the program prints it on the right strip.
                const double lh = fm.height() * 0.86;
                double y = (sheet.height() - lh * note.size()) / 2 + fm.ascent();
                for (const QChar ch : note) {
                    const double cw = fm.horizontalAdvance(ch);
                    p.drawText(QPointF(sheet.width() + (gw - cw) / 2, y), QString(ch));
                    y += lh;
                }
            }
        }
        // The picture part, with its printed lines at the borders.
        const QRect src(sh.c * sheet.width(), sh.r * sheet.height(), sheet.width(), sheet.height());
        p.drawImage(QRectF(0, 0, sheet.width(), sheet.height()), motif, src);
        p.setPen(QPen(QColor(20, 20, 20, 200), 1, Qt::DashDotLine));
        if (gw > 0)
            p.drawLine(QPointF(sheet.width() - 0.5, 0), QPointF(sheet.width() - 0.5, sheet.height()));
        if (gh > 0)
            p.drawLine(QPointF(0, sheet.height() - 0.5), QPointF(sheet.width(), sheet.height() - 0.5));
        // Cut edges: a fine dotted line and the paper's light edge where it was cut.
        p.setPen(QPen(QColor(255, 255, 255, 150), 1));
        if (sh.c > 0)
            p.drawLine(QPointF(0.5, 0), QPointF(0.5, sheet.height()));
        if (sh.r > 0)
            p.drawLine(QPointF(0, 0.5), QPointF(sheet.width(), 0.5));
        p.setPen(QPen(QColor(10, 10, 10, 150), 1, Qt::DotLine));
        if (sh.c > 0)
            p.drawLine(QPointF(1.5, 0), QPointF(1.5, sheet.height()));
        if (sh.r > 0)
            p.drawLine(QPointF(0, 1.5), QPointF(sheet.width(), 1.5));
        p.resetTransform();
    }

    drawScissors(p, QPointF(118, 610), -62, 1.3);
    softShadow(p, canvas, [] {
        QPainterPath body;
        body.addRoundedRect(QRectF(-22, -88, 44, 178), 8, 8);
        return body;
    }(), QTransform::fromTranslate(1102, 330).rotate(14), QPointF(5, 7), 5, 110);
    drawGlueStick(p, QPointF(1102, 330), 14);
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

// ---- Picture buttons -------------------------------------------------------

enum class Icon { Quit, Help, About, Print, Pass, Scan, SelectScanner, PrinterSetup };

constexpr int kButtonW = 104, kButtonH = 40;
constexpr int kIconArea = 38;  // the printer setup button is split here into its two halves

void drawPrinter(QPainter& p, const QRectF& r, bool colourPaper)
{
    const double x = r.x(), y = r.y(), s = r.width() / 26.0;
    auto R = [&](double a, double b, double c, double d) { return QRectF(x + a * s, y + b * s, c * s, d * s); };
    // Paper going in at the back.
    p.setPen(QPen(QColor(120, 120, 130), 0.8));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(R(7, 1, 12, 9));
    // Body.
    QLinearGradient body(0, y + 8 * s, 0, y + 20 * s);
    body.setColorAt(0, QColor(112, 124, 142));
    body.setColorAt(1, QColor(58, 66, 80));
    p.setPen(QPen(QColor(40, 46, 58), 1));
    p.setBrush(body);
    p.drawRoundedRect(R(1.5, 8, 23, 11), 2 * s, 2 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 230, 110));
    p.drawEllipse(R(20, 10.3, 2.2, 2.2));
    // Paper coming out at the front: a poster of tiled sheets.
    const QRectF out = R(6, 15, 14, 10);
    p.setPen(QPen(QColor(110, 110, 120), 0.8));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(out);
    if (colourPaper) {
        const QColor tiles[] = {QColor(230, 57, 70), QColor(255, 190, 11), QColor(42, 157, 143),
                                QColor(58, 134, 255), QColor(251, 86, 7), QColor(131, 56, 236)};
        const double tw = (out.width() - 2) / 3, th = (out.height() - 2) / 2;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 6; ++i) {
            p.setBrush(tiles[i]);
            p.drawRect(QRectF(out.x() + 1 + (i % 3) * tw + 0.4, out.y() + 1 + (i / 3) * th + 0.4, tw - 0.8, th - 0.8));
        }
    } else {
        p.setPen(QPen(QColor(150, 156, 170), 0.9));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(out.x() + 2, out.y() + 2.5 + i * 2.6), QPointF(out.right() - 2, out.y() + 2.5 + i * 2.6));
    }
}

void drawScanner(QPainter& p, const QRectF& r)
{
    const double x = r.x(), y = r.y(), s = r.width() / 26.0;
    auto R = [&](double a, double b, double c, double d) { return QRectF(x + a * s, y + b * s, c * s, d * s); };
    // Lid, slightly open.
    QPainterPath lid;
    lid.moveTo(x + 2 * s, y + 11 * s);
    lid.lineTo(x + 24 * s, y + 6 * s);
    lid.lineTo(x + 24 * s, y + 8.5 * s);
    lid.lineTo(x + 2 * s, y + 13 * s);
    lid.closeSubpath();
    p.setPen(QPen(QColor(40, 46, 58), 0.9));
    p.setBrush(QColor(150, 160, 176));
    p.drawPath(lid);
    // Base with the glass and the light bar.
    QLinearGradient base(0, y + 13 * s, 0, y + 23 * s);
    base.setColorAt(0, QColor(112, 124, 142));
    base.setColorAt(1, QColor(58, 66, 80));
    p.setBrush(base);
    p.drawRoundedRect(R(1, 13, 24, 10), 2 * s, 2 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 40, 60));
    p.drawRect(R(3, 14.5, 20, 3.5));
    QLinearGradient light(0, y + 14.5 * s, 0, y + 18 * s);
    light.setColorAt(0, QColor(170, 255, 240));
    light.setColorAt(1, QColor(40, 200, 190));
    p.setBrush(light);
    p.drawRect(R(12, 14.5, 3, 3.5));
    p.setBrush(QColor(120, 230, 110));
    p.drawEllipse(R(20.5, 19.5, 2, 2));
}

void drawIcon(QPainter& p, Icon icon, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = r.center();
    const double rad = r.width() / 2 - 1;
    auto badge = [&](const QColor& light, const QColor& dark) {
        QRadialGradient g(c - QPointF(rad * 0.35, rad * 0.45), rad * 1.5);
        g.setColorAt(0, light);
        g.setColorAt(1, dark);
        p.setPen(QPen(dark.darker(140), 1));
        p.setBrush(g);
        p.drawEllipse(c, rad, rad);
    };
    switch (icon) {
    case Icon::Quit: {
        badge(QColor(250, 110, 96), QColor(178, 34, 34));
        QPen pen(QColor(255, 255, 255), 2.4, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const double a = rad * 0.55;
        p.drawArc(QRectF(c.x() - a, c.y() - a + 1, 2 * a, 2 * a), 125 * 16, -250 * 16);
        p.drawLine(QPointF(c.x(), c.y() - a - 1.5), QPointF(c.x(), c.y() + 0.5));
        break;
    }
    case Icon::Help:
    case Icon::About: {
        if (icon == Icon::Help)
            badge(QColor(110, 170, 255), QColor(26, 82, 178));
        else
            badge(QColor(96, 214, 196), QColor(18, 122, 112));
        QFont font("DejaVu Serif");
        font.setBold(true);
        font.setPixelSize(int(rad * 1.5));
        const QString s = icon == Icon::Help ? QStringLiteral("?") : QStringLiteral("i");
        QPainterPath glyph;
        const double gw = QFontMetricsF(font).horizontalAdvance(s);
        glyph.addText(QPointF(c.x() - gw / 2, c.y() + rad * 0.53), font, s);
        p.fillPath(glyph, QColor(255, 255, 255));
        break;
    }
    case Icon::Print:
        drawPrinter(p, r, true);
        break;
    case Icon::PrinterSetup: {
        drawPrinter(p, r.adjusted(0, 0, -3, -3), false);
        // A gear over the lower right corner.
        const QPointF g = r.bottomRight() - QPointF(6.5, 6.5);
        QPainterPath gear;
        for (int i = 0; i < 8; ++i) {
            const double a = i * kPi / 4;
            QTransform t = QTransform::fromTranslate(g.x(), g.y()).rotateRadians(a);
            gear.addPolygon(t.map(QPolygonF(QRectF(-1.6, -7.2, 3.2, 3.4))));
        }
        gear.addEllipse(g, 5.3, 5.3);
        gear.setFillRule(Qt::WindingFill);
        gear = gear.simplified();
        QPainterPath hole;
        hole.addEllipse(g, 2.0, 2.0);
        gear = gear.subtracted(hole);
        QLinearGradient gg(g - QPointF(6, 6), g + QPointF(6, 6));
        gg.setColorAt(0, QColor(255, 206, 84));
        gg.setColorAt(1, QColor(204, 130, 10));
        p.setPen(QPen(QColor(130, 80, 0), 0.8));
        p.setBrush(gg);
        p.drawPath(gear);
        break;
    }
    case Icon::Pass: {
        // A page holding six small portraits.
        const QRectF page(c.x() - 9.5, r.y() + 0.5, 19, 25);
        p.setPen(QPen(QColor(110, 110, 120), 1));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(page);
        const QColor backs[] = {QColor(140, 190, 255), QColor(255, 200, 120), QColor(160, 220, 170)};
        for (int i = 0; i < 6; ++i) {
            const QRectF cell(page.x() + 2 + (i % 2) * 8, page.y() + 2 + (i / 2) * 7.5, 7, 6.5);
            p.setPen(Qt::NoPen);
            p.setBrush(backs[(i + i / 2) % 3]);
            p.drawRect(cell);
            p.setBrush(QColor(60, 50, 70));
            p.drawEllipse(QPointF(cell.center().x(), cell.y() + 2.4), 1.5, 1.5);
            p.drawChord(QRectF(cell.center().x() - 2.6, cell.bottom() - 2.4, 5.2, 4.6), 0, 180 * 16);
        }
        break;
    }
    case Icon::Scan:
        drawScanner(p, r);
        break;
    case Icon::SelectScanner: {
        drawScanner(p, r.adjusted(0, 0, -3, -3));
        const QPointF b = r.bottomRight() - QPointF(6, 6);
        p.setPen(QPen(QColor(20, 70, 160), 1));
        p.setBrush(QColor(58, 134, 255));
        p.drawEllipse(b, 6, 6);
        p.setPen(QPen(QColor(255, 255, 255), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({b + QPointF(-3, 0), b + QPointF(-0.8, 2.4), b + QPointF(3.2, -2.4)}));
        break;
    }
    }
    p.restore();
}

// One picture button: raised when normal; sunk, darker and shifted by a pixel when pressed.
QImage drawButton(Icon icon, const QString& caption, bool pressed)
{
    QImage img(kButtonW, kButtonH, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0.5, 0.5, kButtonW - 1, kButtonH - 1);
    QLinearGradient face(0, 0, 0, kButtonH);
    if (pressed) {
        face.setColorAt(0, QColor(172, 184, 202));
        face.setColorAt(1, QColor(204, 214, 228));
    } else {
        face.setColorAt(0, QColor(252, 253, 255));
        face.setColorAt(0.55, QColor(228, 234, 243));
        face.setColorAt(1, QColor(204, 213, 226));
    }
    p.setPen(QPen(QColor(86, 100, 122), 1));
    p.setBrush(face);
    p.drawRoundedRect(frame, 5, 5);
    // Bevel: light on the top left and dark on the bottom right when raised, the reverse when sunk.
    const QRectF inner = frame.adjusted(1, 1, -1, -1);
    QPainterPath top, bottom;
    top.moveTo(inner.left(), inner.bottom() - 4);
    top.lineTo(inner.left(), inner.top() + 4);
    top.quadTo(inner.topLeft(), QPointF(inner.left() + 4, inner.top()));
    top.lineTo(inner.right() - 4, inner.top());
    bottom.moveTo(inner.right(), inner.top() + 4);
    bottom.lineTo(inner.right(), inner.bottom() - 4);
    bottom.quadTo(inner.bottomRight(), QPointF(inner.right() - 4, inner.bottom()));
    bottom.lineTo(inner.left() + 4, inner.bottom());
    p.setBrush(Qt::NoBrush);
    const QColor light(255, 255, 255, 230), dark(60, 72, 92, 110), shade(40, 50, 70, 150);
    if (pressed) {
        p.setPen(QPen(shade, 1.6));
        p.drawPath(top);
        p.setPen(QPen(QColor(255, 255, 255, 90), 1));
        p.drawPath(bottom);
    } else {
        p.setPen(QPen(light, 1.2));
        p.drawPath(top);
        p.setPen(QPen(dark, 1.2));
        p.drawPath(bottom);
    }

    const double shift = pressed ? 1 : 0;
    drawIcon(p, icon, QRectF(7 + shift, 7 + shift, 26, 26));

    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    const QFontMetricsF fm(font);
    const QRectF textArea(kIconArea + shift, shift, kButtonW - kIconArea - 5, kButtonH);
    QStringList lines{caption};
    const int space = int(caption.indexOf(' '));
    if (fm.horizontalAdvance(caption) > textArea.width() && space > 0)
        lines = QStringList{caption.left(space), caption.mid(space + 1)};
    const double lh = fm.height() - 1;
    double y = textArea.center().y() - lh * lines.size() / 2 + fm.ascent();
    for (const QString& line : lines) {
        const double x = textArea.x() + (textArea.width() - fm.horizontalAdvance(line)) / 2;
        p.setPen(QColor(255, 255, 255, pressed ? 70 : 170));
        p.drawText(QPointF(x, y + 1), line);
        p.setPen(pressed ? QColor(16, 26, 44) : QColor(30, 42, 64));
        p.drawText(QPointF(x, y), line);
        y += lh;
    }
    p.end();
    return img;
}

bool saveImage(const QImage& img, const QString& path, const char* format, int quality)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
        return false;
    }
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
    if (!writer.write(img) || !file.commit()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

bool saveText(const QString& text, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <start picture file> <button images folder>\n", argv[0]);
        return 2;
    }
    const QString startPicture = QString::fromLocal8Bit(argv[1]);
    const QDir images(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(images.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }

    bool ok = saveImage(drawStartPicture(), startPicture, "jpeg", 90);

    struct Button { Icon icon; const char* caption; const char* normal; const char* down; };
    const Button buttons[] = {
        {Icon::Quit, "Quit", "EndeBtn", "EndeBtnDown"},
        {Icon::Help, "Help", "HilfeBtn", "HilfeBtn2"},
        {Icon::About, "About", "ueberbtn", "ueberBtn2"},
        {Icon::Print, "Print", "GoBtn1", "GoBtn1Down"},
        {Icon::Pass, "Pass pictures", "GoBtn2", "GoBtn2Down"},
        {Icon::Scan, "Scan", "ScanBtn", "ScanBtnDown"},
        {Icon::SelectScanner, "Select scanner", "TSetupBtn", "TsetupBtnDown"},
    };
    QStringList names;
    for (const Button& b : buttons) {
        for (bool pressed : {false, true}) {
            const QString name = QString::fromLatin1(pressed ? b.down : b.normal) + QStringLiteral(".png");
            ok = saveImage(drawButton(b.icon, QString::fromLatin1(b.caption), pressed), images.filePath(name), "png", 0)
                 && ok;
            names << name;
        }
    }
    // The printer setup button is shown as two halves side by side: the icon and the caption.
    for (bool pressed : {false, true}) {
        const QImage whole = drawButton(Icon::PrinterSetup, QStringLiteral("Printer setup"), pressed);
        const QString left = pressed ? QStringLiteral("SetupBtnDown.png") : QStringLiteral("SetupBtn.png");
        const QString right = pressed ? QStringLiteral("SetupBtn_Down.png") : QStringLiteral("SetupBtn_.png");
        ok = saveImage(whole.copy(0, 0, kIconArea, kButtonH), images.filePath(left), "png", 0) && ok;
        ok = saveImage(whole.copy(kIconArea, 0, kButtonW - kIconArea, kButtonH), images.filePath(right), "png", 0) && ok;
        names << left << right;
    }

    QString qrc;
    QTextStream out(&qrc);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/poster/images\">\n";
    for (const QString& name : names)
        out << "    <file alias=\"" << name << "\">" << name << "</file>\n";
    out << "  </qresource>\n</RCC>\n";
    out.flush();
    ok = saveText(qrc, images.filePath(QStringLiteral("images.qrc"))) && ok;
    return ok ? 0 : 1;
}
