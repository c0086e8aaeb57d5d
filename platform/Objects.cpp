// Graphics objects: stock objects, pens, brushes, regions, GetObject and DeleteObject.
#include "DeviceContext.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace platform::gdi {
namespace {

struct Stock {
    Pen* pens[3] = {};        // WHITE_PEN, BLACK_PEN, NULL_PEN
    Brush* brushes[6] = {};   // WHITE_BRUSH .. NULL_BRUSH
    Font* fonts[8] = {};      // OEM_FIXED_FONT .. DEFAULT_GUI_FONT
    Palette* palette = nullptr;
    Bitmap* bitmap = nullptr;
};

template <class T>
T* addStock(std::unique_ptr<T> o) {
    o->stock = true;
    T* raw = o.get();
    add(std::move(o));
    return raw;
}

Stock* makeStock() {
    auto* s = new Stock;
    const COLORREF pens[2] = {RGB(255, 255, 255), RGB(0, 0, 0)};
    for (int i = 0; i < 3; ++i) {
        auto p = std::make_unique<Pen>();
        p->style = i == 2 ? PS_NULL : PS_SOLID;
        p->width = 1;
        p->colour = i < 2 ? pens[i] : 0;
        s->pens[i] = addStock(std::move(p));
    }
    const BYTE greys[5] = {255, 192, 128, 64, 0};
    for (int i = 0; i < 6; ++i) {
        auto b = std::make_unique<Brush>();
        b->style = i == 5 ? BS_NULL : BS_SOLID;
        b->colour = i < 5 ? RGB(greys[i], greys[i], greys[i]) : 0;
        s->brushes[i] = addStock(std::move(b));
    }
    for (int i = 0; i < 8; ++i) {
        const int index = OEM_FIXED_FONT + i;
        auto f = std::make_unique<Font>();
        const bool fixed = index == OEM_FIXED_FONT || index == ANSI_FIXED_FONT || index == SYSTEM_FIXED_FONT;
        f->height = index == DEFAULT_GUI_FONT || index == ANSI_VAR_FONT ? -11 : -13;
        f->weight = FW_NORMAL;
        f->pitchAndFamily = fixed ? (FIXED_PITCH | FF_MODERN) : (VARIABLE_PITCH | FF_SWISS);
        f->face = fixed ? u"Monospace" : u"Sans Serif";
        realizeFont(*f);
        s->fonts[i] = addStock(std::move(f));
    }
    // The twenty static colours.
    static const BYTE colours[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    auto pal = std::make_unique<Palette>();
    for (const auto& c : colours) pal->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
    s->palette = addStock(std::move(pal));
    auto bmp = std::make_unique<Bitmap>();
    bmp->image = QImage(1, 1, QImage::Format_RGB32);
    bmp->image.fill(0xFFFFFFFFu);
    bmp->bitsPixel = 1;
    s->bitmap = addStock(std::move(bmp));
    return s;
}

Stock& stock() {
    static Stock* s = makeStock();
    return *s;
}

template <class T>
int copyOut(const T& value, int size, LPVOID buffer) {
    if (!buffer) return sizeof(T);
    const int n = std::min<int>(size, sizeof(T));
    if (n <= 0) return 0;
    std::memcpy(buffer, &value, static_cast<std::size_t>(n));
    return n;
}

int getObject(HGDIOBJ handle, int size, LPVOID buffer, bool wide) {
    Object* o = find(handle);
    if (!o || size < 0) return 0;
    switch (o->type()) {
    case OBJ_BITMAP: {
        auto* b = static_cast<Bitmap*>(o);
        BITMAP bm{};
        bm.bmType = 0;
        bm.bmWidth = b->image.width();
        bm.bmHeight = b->image.height();
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(b->bitsPixel);
        if (b->dib) {
            bm.bmWidthBytes = b->dib->lineBytes;
            bm.bmBits = b->dib->bits;
            if (buffer && size >= static_cast<int>(sizeof(DIBSECTION))) {
                DIBSECTION ds{};
                ds.dsBm = bm;
                std::memcpy(&ds.dsBmih, b->dib->header.data(), sizeof(BITMAPINFOHEADER));
                ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
                return copyOut(ds, size, buffer);
            }
        } else {
            bm.bmWidthBytes = ((bm.bmWidth * b->bitsPixel + 15) / 16) * 2;
        }
        return copyOut(bm, size, buffer);
    }
    case OBJ_PEN: {
        auto* p = static_cast<Pen*>(o);
        return copyOut(LOGPEN{p->style, POINT{p->width, 0}, p->colour}, size, buffer);
    }
    case OBJ_BRUSH: {
        auto* b = static_cast<Brush*>(o);
        return copyOut(LOGBRUSH{b->style, b->colour, static_cast<ULONG_PTR>(b->hatch)}, size, buffer);
    }
    case OBJ_PAL: {
        const WORD n = static_cast<WORD>(static_cast<Palette*>(o)->entries.size());
        return copyOut(n, size, buffer);
    }
    case OBJ_FONT: {
        auto* f = static_cast<Font*>(o);
        auto fill = [f](auto& lf) {
            lf.lfHeight = f->height;
            lf.lfWidth = f->width;
            lf.lfEscapement = f->escapement;
            lf.lfOrientation = f->orientation;
            lf.lfWeight = f->weight;
            lf.lfItalic = f->italic;
            lf.lfUnderline = f->underline;
            lf.lfStrikeOut = f->strikeOut;
            lf.lfCharSet = f->charSet;
            lf.lfOutPrecision = f->outPrecision;
            lf.lfClipPrecision = f->clipPrecision;
            lf.lfQuality = f->quality;
            lf.lfPitchAndFamily = f->pitchAndFamily;
        };
        if (wide) {
            LOGFONTW lf{};
            fill(lf);
            const std::size_t n = std::min<std::size_t>(f->face.size(), LF_FACESIZE - 1);
            std::copy_n(f->face.data(), n, lf.lfFaceName);
            return copyOut(lf, size, buffer);
        }
        LOGFONTA lf{};
        fill(lf);
        const std::string face = platform::wideToAnsi(f->face);
        std::memcpy(lf.lfFaceName, face.data(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
        return copyOut(lf, size, buffer);
    }
    default: return 0;
    }
}

int regionType(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

Pen* stockPen(int index) { return stock().pens[index - WHITE_PEN]; }
Brush* stockBrush(int index) { return stock().brushes[index - WHITE_BRUSH]; }
Font* stockFont(int index) { return stock().fonts[index - OEM_FIXED_FONT]; }
Palette* defaultPalette() { return stock().palette; }
Bitmap* stockBitmap() { return stock().bitmap; }

}  // namespace platform::gdi

bool platform::solidBrushColour(HBRUSH brush, COLORREF* colour) {
    auto* b = platform::gdi::find<platform::gdi::Brush>(brush, OBJ_BRUSH);
    if (!b || b->style != BS_SOLID) return false;
    if (colour) *colour = b->colour;
    return true;
}

using namespace platform::gdi;

HGDIOBJ GetStockObject(int index) {
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return stockBrush(index);
    if (index >= WHITE_PEN && index <= NULL_PEN) return stockPen(index);
    if (index >= OEM_FIXED_FONT && index <= DEFAULT_GUI_FONT && index != DEFAULT_PALETTE) return stockFont(index);
    if (index == DEFAULT_PALETTE) return defaultPalette();
    return nullptr;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) { return getObject(object, size, buffer, false); }
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) { return getObject(object, size, buffer, true); }

BOOL DeleteObject(HGDIOBJ object) {
    Object* o = find(object);
    // DCs are not objects to delete, and an object still selected into a DC stays.
    if (!o || o->stock || o->selections > 0 || o->type() == OBJ_DC || o->type() == OBJ_MEMDC) return FALSE;
    return remove(object) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ object) {
    Object* o = find(object);
    return o ? o->type() : 0;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
    const UINT s = static_cast<UINT>(style) & PS_STYLE_MASK;
    if (s > PS_INSIDEFRAME) return nullptr;
    auto p = std::make_unique<Pen>();
    p->style = s;
    p->width = std::max(width, 0);
    p->colour = colour & 0xFFFFFF;
    return static_cast<HPEN>(add(std::move(p)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
    return pen ? CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    LOGBRUSH lb{BS_SOLID, colour, 0};
    return CreateBrushIndirect(&lb);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF colour) {
    LOGBRUSH lb{BS_HATCHED, colour, static_cast<ULONG_PTR>(hatch)};
    return CreateBrushIndirect(&lb);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush) return nullptr;
    if (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL && brush->lbStyle != BS_HATCHED) return nullptr;
    if (brush->lbStyle == BS_HATCHED && brush->lbHatch > static_cast<ULONG_PTR>(HS_DIAGCROSS)) return nullptr;
    auto b = std::make_unique<Brush>();
    b->style = brush->lbStyle;
    b->colour = brush->lbColor & 0xFFFFFF;
    b->hatch = static_cast<int>(brush->lbHatch);
    return static_cast<HBRUSH>(add(std::move(b)));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    auto r = std::make_unique<Region>();
    const QRect rect = QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                             QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
    if (rect.isValid()) r->region = QRegion(rect);
    return static_cast<HRGN>(add(std::move(r)));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
    auto* d = find<Region>(dest, OBJ_REGION);
    auto* ra = find<Region>(a, OBJ_REGION);
    auto* rb = mode == RGN_COPY ? ra : find<Region>(b, OBJ_REGION);
    if (!d || !ra || !rb) return RGN_ERROR;
    switch (mode) {
    case RGN_AND: d->region = ra->region.intersected(rb->region); break;
    case RGN_OR: d->region = ra->region.united(rb->region); break;
    case RGN_XOR: d->region = ra->region.xored(rb->region); break;
    case RGN_DIFF: d->region = ra->region.subtracted(rb->region); break;
    case RGN_COPY: d->region = ra->region; break;
    default: return RGN_ERROR;
    }
    return regionType(d->region);
}

int GetRgnBox(HRGN region, LPRECT rect) {
    auto* r = find<Region>(region, OBJ_REGION);
    if (!r || !rect) return RGN_ERROR;
    const QRect b = r->region.boundingRect();
    *rect = r->region.isEmpty() ? RECT{0, 0, 0, 0} : RECT{b.left(), b.top(), b.right() + 1, b.bottom() + 1};
    return regionType(r->region);
}
