// Device contexts and the devices behind them.
//
// A DC draws on a Device: a raster device hands out the image drawn on now (a bitmap, a
// window's surface, the screen's scratch image, a printed page) and hears what changed; a
// vector device (a printer through QPrinter, a PDF file through QPdfWriter) hands out a
// painter open on its current page. A new kind of device plugs in by deriving from Device
// (or PagedDevice for any QPagedPaintDevice) and calling createDC.
#pragma once

#include "platform/GdiObject.h"
#include "platform/gdi.h"

#include <QFontMetrics>
#include <QPainter>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;

namespace platform::gdi {

// The values of GetDeviceCaps.
struct DeviceCaps {
    int technology = DT_RASDISPLAY;
    int horzRes = 0, vertRes = 0;  // drawable area in pixels
    int bitsPixel = 24;
    int logPixelsX = 96, logPixelsY = 96;
    int rasterCaps = 0;
    // Printers: the sheet and the offset of the drawable area on it, in pixels.
    int physicalWidth = 0, physicalHeight = 0, physicalOffsetX = 0, physicalOffsetY = 0;
};

// The full set of raster capabilities of a device that does all DIB and blit calls.
int fullRasterCaps(int bitsPixel, bool printer);
int capsValue(const DeviceCaps& caps, int index);

// Calls a test device can refuse or count.
enum class Operation { StretchDIBits, SetDIBitsToDevice, StretchBlt, SetDIBits, CompatibleBitmap, Count };

class Device {
public:
    virtual ~Device() = default;
    virtual DeviceCaps caps() const = 0;
    // Raster devices: the image drawing goes to now, or null when there is none.
    virtual QImage* image() { return nullptr; }
    // The same image, up to date at least inside `area` (device pixels; an empty area when
    // no pixel is read or written, as for font metrics).
    virtual QImage* imageFor(const QRect& area) { return image(); }
    // Drawing changed `rect` (device pixels) of the image.
    virtual void changed(const QRect& rect) {}
    // Vector devices: a painter on the current page, or null outside a page.
    virtual QPainter* beginPainter() { return nullptr; }
    virtual void endPainter() {}
    // The drawable area in device pixels.
    virtual QSize size();
    virtual bool refuses(Operation) const { return false; }
    virtual void called(Operation) {}
    // Print jobs (printers only).
    virtual int startDoc(const std::u16string& name, const std::u16string& output) { return SP_ERROR; }
    virtual int startPage() { return SP_ERROR; }
    virtual int endPage() { return SP_ERROR; }
    virtual int endDoc() { return SP_ERROR; }
    virtual int abortDoc() { return SP_ERROR; }
};

// A printer or PDF file through Qt: pages are QPainter pages; StretchDIBits hands pictures
// to the painter at their own resolution. The origin is the printable area's corner.
class PagedDevice : public Device {
public:
    explicit PagedDevice(QPagedPaintDevice* device);
    ~PagedDevice() override;
    DeviceCaps caps() const override;
    QPainter* beginPainter() override;
    void endPainter() override {}
    QSize size() override;
    int startDoc(const std::u16string& name, const std::u16string& output) override;
    int startPage() override;
    int endPage() override;
    int endDoc() override;
    int abortDoc() override;
    bool inDocument() const { return painter_.isActive(); }

protected:
    // Hooks for derived printers: naming the job before painting starts, aborting it.
    virtual void nameJob(const std::u16string& name, const std::u16string& output) {}
    virtual void abortJob() {}
    QPagedPaintDevice* device_;

private:
    QPainter painter_;
    int pages_ = 0;
    bool inPage_ = false;
    int job_ = 0;
};

struct DcState {
    Pen* pen = nullptr;
    Brush* brush = nullptr;
    Font* font = nullptr;
    Palette* palette = nullptr;
    Bitmap* bitmap = nullptr;  // memory DCs
    std::optional<QRegion> clip;  // device coordinates; none = the whole surface
    QPoint origin;                // viewport origin
    QPoint position;              // current position (logical)
    int rop2 = R2_COPYPEN;
    int stretchMode = BLACKONWHITE;
    int bkMode = OPAQUE;
    int polyFillMode = ALTERNATE;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    UINT textAlign = 0;
};

class DC : public Object {
public:
    DC(DWORD type, std::shared_ptr<Device> device);
    std::shared_ptr<Device> device;
    DcState state;
    std::vector<DcState> saved;
    HWND wnd = nullptr;         // GetDC of a window (or the desktop)
    bool fromGetDC = false;
    // DCs on a part of a larger device (a window on its top-level overlay): the device
    // position of the DC's own (0, 0) and the area it may draw on, in device pixels.
    QPoint base;
    std::optional<QRegion> baseClip;

    DeviceCaps caps() const;
    // The current clip in device coordinates, bounded by the surface.
    QRegion clipRegion();
    QRect surfaceRect();
    bool isMemory() const { return type() == OBJ_MEMDC; }
    // Selection bookkeeping of the objects a state refers to.
    void retain(const DcState& s);
    void release(const DcState& s);
};

DC* findDC(HDC dc);
HDC createDC(std::shared_ptr<Device> device, HWND wnd = nullptr);
HDC handleOf(DC* dc);

// The device of a window's client area (its surface, or its control while painting).
std::shared_ptr<Device> windowDevice(HWND wnd);

// The screen's DC device: the program's windows through their overlays (WindowDC.cpp).
std::shared_ptr<Device> desktopDevice();

// Caps of the emulated screen.
DeviceCaps screenCaps();
// The shared scratch image of the screen.
std::shared_ptr<Device> screenDevice();

// Stock objects (created once, never deleted).
Pen* stockPen(int index);
Brush* stockBrush(int index);
Font* stockFont(int index);
Palette* defaultPalette();
Bitmap* stockBitmap();  // the 1 x 1 monochrome bitmap of new memory DCs

// Whether the device layer's own pixel loops can work on the image (32-bit formats).
bool rasterTarget(const QImage& image);

// Builds the Qt font of a logical font (Text.cpp).
void realizeFont(Font& font);
// The Qt font of the DC's selected font, and its metrics on the DC's device.
const QFont& dcFont(const DC& dc);
QFontMetrics dcMetrics(DC& dc);

QColor qcolour(COLORREF c);
inline QRgb qrgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF colorref(QRgb c) { return RGB(qRed(c), qGreen(c), qBlue(c)); }

// One drawing call on a DC: a painter set up with the DC's clip, origin and, when asked,
// its binary raster operation; reports the touched area to the device when it ends.
class Paint {
public:
    explicit Paint(DC& dc, bool rop2 = true);
    // Drawing that stays inside `logical` (grown by `margin` pixels): raster devices bring
    // only that part of their image up to date.
    Paint(DC& dc, bool rop2, const QRect& logical, int margin = 0);
    ~Paint();
    Paint(const Paint&) = delete;
    Paint& operator=(const Paint&) = delete;

    bool active() const { return painter_ != nullptr; }
    QPainter& painter() { return *painter_; }
    // Drawing touched `logical` (grown by `margin` pixels).
    void touched(const QRect& logical, int margin = 0);
    void touchedAll() { all_ = true; }
    // The device's paint target for font metrics.
    QPaintDevice* paintDevice() { return painter_ ? painter_->device() : nullptr; }

private:
    DC& dc_;
    QImage* image_ = nullptr;
    std::optional<QPainter> own_;
    QPainter* painter_ = nullptr;
    bool shared_ = false;
    bool all_ = false;
    QRect touched_;
    QRegion clip_;
};

namespace raster {
struct Axis;
struct Source;
}  // namespace raster
// Draws a pixel source onto the DC: the device layer's nearest-neighbour loops on images,
// the painter on vector devices. Axes are in logical coordinates.
void drawSource(DC& dc, const raster::Axis& h, const raster::Axis& v, const raster::Source& src, DWORD rop);
// Fills a logical rectangle with a raster operation that takes no source (PatBlt).
void patternBlt(DC& dc, const QRect& rect, DWORD rop);

// The QPen and QBrush of a DC's selected objects.
QPen qpen(const DC& dc);
QBrush qbrush(const Brush* brush, bool* null = nullptr);

}  // namespace platform::gdi
