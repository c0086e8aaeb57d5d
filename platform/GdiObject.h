// The table of graphics objects behind the handles of the graphics device interface.
// A handle is the address of a live object; every call checks it against the table,
// so a stale or foreign handle fails instead of touching freed memory.
#pragma once

#include "platform/gditypes.h"

#include <QFont>
#include <QImage>
#include <QRegion>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace platform::gdi {

class Object {
public:
    explicit Object(DWORD type) : type_(type) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    DWORD type() const { return type_; }

    // Stock objects are never deleted.
    bool stock = false;
    // Number of device context states (current and saved) that have this object selected.
    int selections = 0;

private:
    DWORD type_;
};

// Takes ownership of the object and returns its handle.
HGDIOBJ add(std::unique_ptr<Object> object);

// The live object behind a handle, or null.
Object* find(HGDIOBJ handle);

template <class T>
T* find(HGDIOBJ handle, DWORD type) {
    Object* o = find(handle);
    return (o && o->type() == type) ? static_cast<T*>(o) : nullptr;
}

// Frees the object; false for an unknown handle or a stock object.
bool remove(HGDIOBJ handle);

// Number of live objects other than stock objects (tests use it to find leaks).
std::size_t liveCount();

class Palette : public Object {
public:
    Palette() : Object(OBJ_PAL) {}
    std::vector<PALETTEENTRY> entries;
};

class Pen : public Object {
public:
    Pen() : Object(OBJ_PEN) {}
    UINT style = 0;  // PS_*
    int width = 0;
    COLORREF colour = 0;
};

class Brush : public Object {
public:
    Brush() : Object(OBJ_BRUSH) {}
    UINT style = 0;  // BS_*
    COLORREF colour = 0;
    int hatch = 0;   // HS_* of hatched brushes
};

class Font : public Object {
public:
    Font() : Object(OBJ_FONT) {}
    // The logical font as created; the face name is UTF-16.
    LONG height = 0, width = 0, escapement = 0, orientation = 0, weight = 0;
    BYTE italic = 0, underline = 0, strikeOut = 0, charSet = 0, outPrecision = 0, clipPrecision = 0,
         quality = 0, pitchAndFamily = 0;
    std::u16string face;
    // The Qt font that draws it (pixel sizes are device pixels).
    QFont qfont;
};

class Region : public Object {
public:
    Region() : Object(OBJ_REGION) {}
    QRegion region;
};

// Pixel memory of a bitmap made by CreateDIBSection: the caller writes it directly,
// so it is copied into the bitmap's image before each use and back after each change.
struct DibMemory {
    std::vector<BYTE> header;  // BITMAPINFOHEADER and colour table as given
    BYTE* bits = nullptr;      // owned, `size` bytes
    std::size_t size = 0;
    int bitCount = 0;
    LONG lineBytes = 0;
    bool topDown = false;
    std::vector<RGBQUAD> colours;
    ~DibMemory();
};

class DC;

class Bitmap : public Object {
public:
    Bitmap() : Object(OBJ_BITMAP) {}
    // Pixels as RGB32, whatever depth the bitmap reports.
    QImage image;
    // Depth that BITMAP reports (1 for monochrome bitmaps, whose pixels stay black or white).
    int bitsPixel = 24;
    // The device context it is selected into, or null (a bitmap is in at most one).
    DC* selectedInto = nullptr;
    std::unique_ptr<DibMemory> dib;

    bool monochrome() const { return bitsPixel == 1; }
    // Brings the image up to date with the section memory (DIB sections only), all of it
    // or the part inside `rect`.
    void pull();
    void pull(const QRect& rect);
    // Writes `rect` of the image back to the section memory and keeps monochrome pixels
    // black or white.
    void pushed(const QRect& rect);
};

// Black or white, whichever is nearer (what a monochrome surface keeps of a colour).
inline QRgb monoOf(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c) > 382 ? 0xFFFFFFFFu : 0xFF000000u; }

}  // namespace platform::gdi
