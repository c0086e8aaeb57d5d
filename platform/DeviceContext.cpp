// Device contexts: creation, state, selection, clipping, attributes and capabilities.
#include "DeviceContext.h"

#include <QPaintEngine>

#include <cmath>

namespace platform::gdi {
namespace {

// A memory DC draws on the bitmap selected into it.
class MemoryDevice : public Device {
public:
    MemoryDevice(DeviceCaps reference) : reference_(reference) {}
    DC* dc = nullptr;

    DeviceCaps caps() const override {
        DeviceCaps c = reference_;
        const Bitmap* b = dc ? dc->state.bitmap : nullptr;
        c.bitsPixel = b ? b->bitsPixel : 1;
        c.rasterCaps = fullRasterCaps(c.bitsPixel, c.technology == DT_RASPRINTER) & ~RC_PALETTE;
        if (c.bitsPixel <= 8 && reference_.rasterCaps & RC_PALETTE) c.rasterCaps |= RC_PALETTE;
        return c;
    }
    QImage* image() override {
        Bitmap* b = dc ? dc->state.bitmap : nullptr;
        if (!b) return nullptr;
        b->pull();
        return &b->image;
    }
    QImage* imageFor(const QRect& area) override {
        Bitmap* b = dc ? dc->state.bitmap : nullptr;
        if (!b) return nullptr;
        b->pull(area);
        return &b->image;
    }
    void changed(const QRect& rect) override {
        if (Bitmap* b = dc ? dc->state.bitmap : nullptr) b->pushed(rect);
    }
    QSize size() override {
        const Bitmap* b = dc ? dc->state.bitmap : nullptr;
        return b ? b->image.size() : QSize();
    }

private:
    DeviceCaps reference_;
};

int regionType(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void releaseOne(DC* dc, Object* o) {
    if (!o) return;
    --o->selections;
    if (o->type() == OBJ_BITMAP && o->selections <= 0) static_cast<Bitmap*>(o)->selectedInto = nullptr;
}

void retainOne(DC* dc, Object* o) {
    if (!o) return;
    ++o->selections;
    if (o->type() == OBJ_BITMAP) static_cast<Bitmap*>(o)->selectedInto = dc;
}

template <class T>
T* swapSelection(DC* dc, T*& slot, T* next) {
    T* previous = slot;
    retainOne(dc, next);
    releaseOne(dc, previous);
    slot = next;
    return previous;
}

QPainter::CompositionMode compositionOf(int rop2) {
    switch (rop2) {
    case R2_BLACK: return QPainter::RasterOp_ClearDestination;
    case R2_NOTMERGEPEN: return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_MASKNOTPEN: return QPainter::RasterOp_NotSourceAndDestination;
    case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
    case R2_MASKPENNOT: return QPainter::RasterOp_SourceAndNotDestination;
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTMASKPEN: return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
    case R2_MERGENOTPEN: return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT: return QPainter::RasterOp_SourceOrNotDestination;
    case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
    case R2_WHITE: return QPainter::RasterOp_SetDestination;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

}  // namespace

bool rasterTarget(const QImage& image) {
    const QImage::Format f = image.format();
    return !image.isNull() &&
           (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied);
}

QSize Device::size() {
    if (QImage* i = image()) return i->size();
    const DeviceCaps c = caps();
    return QSize(c.horzRes, c.vertRes);
}

int fullRasterCaps(int bitsPixel, bool printer) {
    int caps = RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    caps |= printer ? RC_BANDING | RC_SCALING : RC_FLOODFILL;
    if (!printer && bitsPixel <= 8) caps |= RC_PALETTE;
    return caps;
}

int capsValue(const DeviceCaps& c, int index) {
    const bool palette = (c.rasterCaps & RC_PALETTE) != 0;
    auto millimetres = [](int pixels, int dpi) {
        return dpi > 0 ? static_cast<int>(std::nearbyint(pixels * 25.4 / dpi)) : 0;
    };
    switch (index) {
    case DRIVERVERSION: return 0x0400;
    case TECHNOLOGY: return c.technology;
    case HORZSIZE: return millimetres(c.horzRes, c.logPixelsX);
    case VERTSIZE: return millimetres(c.vertRes, c.logPixelsY);
    case HORZRES: return c.horzRes;
    case VERTRES: return c.vertRes;
    case BITSPIXEL: return c.bitsPixel;
    case PLANES: return 1;
    case NUMCOLORS: return c.bitsPixel <= 8 ? 1 << c.bitsPixel : -1;
    case RASTERCAPS: return c.rasterCaps;
    case LOGPIXELSX: return c.logPixelsX;
    case LOGPIXELSY: return c.logPixelsY;
    case SIZEPALETTE: return palette ? 1 << c.bitsPixel : 0;
    case NUMRESERVED: return palette ? 20 : 0;
    case COLORRES: return palette ? 18 : 24;
    case PHYSICALWIDTH: return c.physicalWidth;
    case PHYSICALHEIGHT: return c.physicalHeight;
    case PHYSICALOFFSETX: return c.physicalOffsetX;
    case PHYSICALOFFSETY: return c.physicalOffsetY;
    default: return 0;
    }
}

DC::DC(DWORD type, std::shared_ptr<Device> d) : Object(type), device(std::move(d)) {}

DeviceCaps DC::caps() const { return device->caps(); }

QRect DC::surfaceRect() { return QRect(QPoint(0, 0), device->size()); }

QRegion DC::clipRegion() {
    QRegion all(surfaceRect());
    if (baseClip) all &= *baseClip;
    return state.clip ? state.clip->intersected(all) : all;
}

void DC::retain(const DcState& s) {
    retainOne(this, s.pen);
    retainOne(this, s.brush);
    retainOne(this, s.font);
    retainOne(this, s.palette);
    retainOne(this, s.bitmap);
}

void DC::release(const DcState& s) {
    releaseOne(this, s.pen);
    releaseOne(this, s.brush);
    releaseOne(this, s.font);
    releaseOne(this, s.palette);
    releaseOne(this, s.bitmap);
}

DC* findDC(HDC handle) {
    Object* o = find(handle);
    return (o && (o->type() == OBJ_DC || o->type() == OBJ_MEMDC)) ? static_cast<DC*>(o) : nullptr;
}

HDC handleOf(DC* dc) { return reinterpret_cast<HDC>(static_cast<Object*>(dc)); }

namespace {
HDC addDC(std::unique_ptr<DC> dc) {
    dc->state.pen = stockPen(BLACK_PEN);
    dc->state.brush = stockBrush(WHITE_BRUSH);
    dc->state.font = stockFont(SYSTEM_FONT);
    dc->state.palette = defaultPalette();
    if (dc->isMemory()) dc->state.bitmap = stockBitmap();
    dc->retain(dc->state);
    return static_cast<HDC>(add(std::move(dc)));
}
}  // namespace

HDC createDC(std::shared_ptr<Device> device, HWND wnd) {
    if (!device) return nullptr;
    auto dc = std::make_unique<DC>(OBJ_DC, std::move(device));
    dc->wnd = wnd;
    return addDC(std::move(dc));
}

QColor qcolour(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QPen qpen(const DC& dc) {
    const Pen* p = dc.state.pen;
    if (!p || (p->style & PS_STYLE_MASK) == PS_NULL) return QPen(Qt::NoPen);
    const QColor colour = qcolour(p->colour);
    if (p->width > 1) return QPen(colour, p->width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // One-pixel pens leave out the last point of a line, as the platform does.
    QPen pen(colour, 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    switch (p->style & PS_STYLE_MASK) {
    case PS_DASH: pen.setDashPattern({18, 6}); break;
    case PS_DOT: pen.setDashPattern({3, 3}); break;
    case PS_DASHDOT: pen.setDashPattern({9, 6, 3, 6}); break;
    case PS_DASHDOTDOT: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
    default: break;
    }
    return pen;
}

QBrush qbrush(const Brush* b, bool* null) {
    if (null) *null = false;
    if (!b || b->style == BS_NULL) {
        if (null) *null = true;
        return QBrush(Qt::NoBrush);
    }
    const QColor colour = qcolour(b->colour);
    if (b->style == BS_HATCHED) {
        switch (b->hatch) {
        case HS_HORIZONTAL: return QBrush(colour, Qt::HorPattern);
        case HS_VERTICAL: return QBrush(colour, Qt::VerPattern);
        case HS_FDIAGONAL: return QBrush(colour, Qt::FDiagPattern);
        case HS_BDIAGONAL: return QBrush(colour, Qt::BDiagPattern);
        case HS_CROSS: return QBrush(colour, Qt::CrossPattern);
        default: return QBrush(colour, Qt::DiagCrossPattern);
        }
    }
    return QBrush(colour);
}

Paint::Paint(DC& dc, bool rop2) : Paint(dc, rop2, QRect(), -1) {}

Paint::Paint(DC& dc, bool rop2, const QRect& logical, int margin) : dc_(dc) {
    if (rop2 && dc.state.rop2 == R2_NOP) return;
    clip_ = dc.clipRegion();
    if (clip_.isEmpty()) return;
    // A margin below 0: the whole surface may be touched.
    image_ = margin < 0 ? dc.device->image()
                        : dc.device->imageFor(logical.normalized()
                                                  .adjusted(-margin, -margin, margin + 1, margin + 1)
                                                  .translated(dc.state.origin) &
                                              clip_.boundingRect());
    if (image_) {
        if (image_->isNull()) return;
        own_.emplace(image_);
        painter_ = &*own_;
    } else {
        painter_ = dc.device->beginPainter();
        if (!painter_) return;
        shared_ = true;
        painter_->save();
        painter_->setWorldTransform(QTransform());
    }
    painter_->setClipRegion(clip_);
    painter_->translate(dc.state.origin);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setBrushOrigin(-dc.state.origin);
    const bool rasterPainter = !image_ && painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster;
    if (rop2 && ((image_ && rasterTarget(*image_)) || rasterPainter))
        painter_->setCompositionMode(compositionOf(dc.state.rop2));
    // Opaque backgrounds only where a pattern has gaps: Qt strokes differently in that mode.
    const bool dashed = dc.state.pen && (dc.state.pen->style & PS_STYLE_MASK) != PS_SOLID &&
                        (dc.state.pen->style & PS_STYLE_MASK) != PS_INSIDEFRAME && dc.state.pen->width <= 1;
    const bool hatched = dc.state.brush && dc.state.brush->style == BS_HATCHED;
    painter_->setBackgroundMode(dc.state.bkMode == OPAQUE && (dashed || hatched) ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_->setBackground(QBrush(qcolour(dc.state.bkColour)));
}

Paint::~Paint() {
    if (!painter_) return;
    QRect rect = all_ ? clip_.boundingRect() : touched_.translated(dc_.state.origin) & clip_.boundingRect();
    if (shared_) {
        painter_->restore();
        dc_.device->endPainter();
    } else {
        own_.reset();
    }
    if (!rect.isEmpty()) dc_.device->changed(rect);
}

void Paint::touched(const QRect& logical, int margin) {
    touched_ |= logical.normalized().adjusted(-margin, -margin, margin + 1, margin + 1);
}

}  // namespace platform::gdi

using namespace platform::gdi;

HDC CreateCompatibleDC(HDC handle) {
    DeviceCaps reference;
    if (handle) {
        DC* dc = findDC(handle);
        if (!dc) return nullptr;
        reference = dc->caps();
    } else {
        reference = screenCaps();
    }
    auto device = std::make_shared<MemoryDevice>(reference);
    auto dc = std::make_unique<DC>(OBJ_MEMDC, device);
    device->dc = dc.get();
    return addDC(std::move(dc));
}

BOOL DeleteDC(HDC handle) {
    DC* dc = findDC(handle);
    if (!dc) return FALSE;
    dc->release(dc->state);
    for (const DcState& s : dc->saved) dc->release(s);
    dc->saved.clear();
    dc->state = DcState{};
    return remove(handle) ? TRUE : FALSE;
}

int GetDeviceCaps(HDC handle, int index) {
    DC* dc = findDC(handle);
    return dc ? capsValue(dc->caps(), index) : 0;
}

int SaveDC(HDC handle) {
    DC* dc = findDC(handle);
    if (!dc) return 0;
    dc->retain(dc->state);
    dc->saved.push_back(dc->state);
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int level) {
    DC* dc = findDC(handle);
    if (!dc) return FALSE;
    const int count = static_cast<int>(dc->saved.size());
    const int target = level < 0 ? count + level + 1 : level;  // 1-based level to return to
    if (target < 1 || target > count) return FALSE;
    dc->release(dc->state);
    for (int i = count - 1; i >= target; --i) dc->release(dc->saved[static_cast<std::size_t>(i)]);
    dc->state = dc->saved[static_cast<std::size_t>(target - 1)];
    dc->saved.resize(static_cast<std::size_t>(target - 1));
    return TRUE;
}

BOOL SetViewportOrgEx(HDC handle, int x, int y, LPPOINT old) {
    DC* dc = findDC(handle);
    if (!dc) return FALSE;
    if (old) *old = POINT{dc->state.origin.x() - dc->base.x(), dc->state.origin.y() - dc->base.y()};
    dc->state.origin = dc->base + QPoint(x, y);
    return TRUE;
}

BOOL GetViewportOrgEx(HDC handle, LPPOINT origin) {
    DC* dc = findDC(handle);
    if (!dc || !origin) return FALSE;
    *origin = POINT{dc->state.origin.x() - dc->base.x(), dc->state.origin.y() - dc->base.y()};
    return TRUE;
}

int SelectClipRgn(HDC handle, HRGN rgn) {
    DC* dc = findDC(handle);
    if (!dc) return RGN_ERROR;
    if (!rgn) {
        dc->state.clip.reset();
        return SIMPLEREGION;
    }
    auto* r = find<Region>(rgn, OBJ_REGION);
    if (!r) return RGN_ERROR;
    dc->state.clip = r->region.translated(dc->base);
    return regionType(dc->clipRegion());
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
    DC* dc = findDC(handle);
    if (!dc) return RGN_ERROR;
    const QRect r = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).translated(dc->state.origin);
    dc->state.clip = dc->clipRegion().intersected(r);
    return regionType(*dc->state.clip);
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
    DC* dc = findDC(handle);
    if (!dc) return RGN_ERROR;
    const QRect r = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).translated(dc->state.origin);
    dc->state.clip = dc->clipRegion().subtracted(r);
    return regionType(*dc->state.clip);
}

int GetClipBox(HDC handle, LPRECT rect) {
    DC* dc = findDC(handle);
    if (!dc || !rect) return RGN_ERROR;
    const QRegion clip = dc->clipRegion();
    const QRect b = clip.boundingRect().translated(-dc->state.origin);
    *rect = clip.isEmpty() ? RECT{0, 0, 0, 0} : RECT{b.left(), b.top(), b.right() + 1, b.bottom() + 1};
    return regionType(clip);
}

int SetStretchBltMode(HDC handle, int mode) {
    DC* dc = findDC(handle);
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    const int old = dc->state.stretchMode;
    dc->state.stretchMode = mode;
    return old;
}

int GetStretchBltMode(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->state.stretchMode : 0;
}

int SetROP2(HDC handle, int mode) {
    DC* dc = findDC(handle);
    if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
    const int old = dc->state.rop2;
    dc->state.rop2 = mode;
    return old;
}

int GetROP2(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->state.rop2 : 0;
}

COLORREF SetTextColor(HDC handle, COLORREF colour) {
    DC* dc = findDC(handle);
    if (!dc) return CLR_INVALID;
    const COLORREF old = dc->state.textColour;
    dc->state.textColour = colour & 0xFFFFFF;
    return old;
}

COLORREF GetTextColor(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->state.textColour : CLR_INVALID;
}

COLORREF SetBkColor(HDC handle, COLORREF colour) {
    DC* dc = findDC(handle);
    if (!dc) return CLR_INVALID;
    const COLORREF old = dc->state.bkColour;
    dc->state.bkColour = colour & 0xFFFFFF;
    return old;
}

COLORREF GetBkColor(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->state.bkColour : CLR_INVALID;
}

int SetBkMode(HDC handle, int mode) {
    DC* dc = findDC(handle);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int old = dc->state.bkMode;
    dc->state.bkMode = mode;
    return old;
}

int GetBkMode(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->state.bkMode : 0;
}

int SetPolyFillMode(HDC handle, int mode) {
    DC* dc = findDC(handle);
    if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
    const int old = dc->state.polyFillMode;
    dc->state.polyFillMode = mode;
    return old;
}

int GetPolyFillMode(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->state.polyFillMode : 0;
}

UINT SetTextAlign(HDC handle, UINT align) {
    DC* dc = findDC(handle);
    if (!dc) return GDI_ERROR_UINT;
    const UINT old = dc->state.textAlign;
    dc->state.textAlign = align;
    return old;
}

UINT GetTextAlign(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->state.textAlign : GDI_ERROR_UINT;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    DC* dc = findDC(handle);
    Object* o = find(object);
    if (!dc || !o) return nullptr;
    switch (o->type()) {
    case OBJ_PEN: return swapSelection(dc, dc->state.pen, static_cast<Pen*>(o));
    case OBJ_BRUSH: return swapSelection(dc, dc->state.brush, static_cast<Brush*>(o));
    case OBJ_FONT: return swapSelection(dc, dc->state.font, static_cast<Font*>(o));
    case OBJ_BITMAP: {
        auto* b = static_cast<Bitmap*>(o);
        // Only memory DCs take bitmaps, and a bitmap sits in one DC at a time.
        if (!dc->isMemory() || (!b->stock && b->selectedInto && b->selectedInto != dc)) return nullptr;
        return swapSelection(dc, dc->state.bitmap, b);
    }
    case OBJ_REGION: {
        const int type = SelectClipRgn(handle, static_cast<HRGN>(object));
        return reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(type));
    }
    default: return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
    DC* dc = findDC(handle);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->state.pen;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_FONT: return dc->state.font;
    case OBJ_PAL: return dc->state.palette;
    case OBJ_BITMAP: return dc->state.bitmap;
    default: return nullptr;
    }
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL) {
    DC* dc = findDC(handle);
    auto* p = find<Palette>(palette, OBJ_PAL);
    if (!dc || !p) return nullptr;
    return reinterpret_cast<HPALETTE>(static_cast<Object*>(swapSelection(dc, dc->state.palette, p)));
}

UINT RealizePalette(HDC handle) {
    DC* dc = findDC(handle);
    if (!dc) return GDI_ERROR_UINT;
    if (!(dc->caps().rasterCaps & RC_PALETTE) || !dc->state.palette || dc->state.palette == defaultPalette()) return 0;
    return static_cast<UINT>(dc->state.palette->entries.size());
}
