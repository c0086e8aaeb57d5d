// Print jobs on printer DCs, and printers through Qt's paged paint devices.
#include "DeviceContext.h"
#include "platform/codepage.h"

#include <QPageLayout>
#include <QPagedPaintDevice>

namespace platform::gdi {

PagedDevice::PagedDevice(QPagedPaintDevice* device) : device_(device) {}

PagedDevice::~PagedDevice() {
    if (painter_.isActive()) painter_.end();
}

DeviceCaps PagedDevice::caps() const {
    DeviceCaps c;
    c.technology = DT_RASPRINTER;
    c.bitsPixel = 24;
    c.rasterCaps = fullRasterCaps(24, true);
    if (!device_) return c;
    const int dpiX = device_->logicalDpiX(), dpiY = device_->logicalDpiY();
    c.logPixelsX = dpiX;
    c.logPixelsY = dpiY;
    const QPageLayout layout = device_->pageLayout();
    const QRect full = layout.fullRectPixels(dpiX);
    const QRect paint = layout.paintRectPixels(dpiX);
    c.horzRes = paint.width();
    c.vertRes = paint.height();
    c.physicalWidth = full.width();
    c.physicalHeight = full.height();
    c.physicalOffsetX = paint.left();
    c.physicalOffsetY = paint.top();
    return c;
}

QSize PagedDevice::size() {
    const DeviceCaps c = caps();
    return QSize(c.horzRes, c.vertRes);
}

QPainter* PagedDevice::beginPainter() { return inPage_ && painter_.isActive() ? &painter_ : nullptr; }

int PagedDevice::startDoc(const std::u16string& name, const std::u16string& output) {
    if (!device_ || painter_.isActive()) return SP_ERROR;
    nameJob(name, output);
    if (!painter_.begin(device_)) return SP_ERROR;
    pages_ = 0;
    inPage_ = false;
    return ++job_;
}

int PagedDevice::startPage() {
    if (!painter_.isActive() || inPage_) return SP_ERROR;
    if (pages_ > 0 && !device_->newPage()) return SP_ERROR;
    ++pages_;
    inPage_ = true;
    return 1;
}

int PagedDevice::endPage() {
    if (!inPage_) return SP_ERROR;
    inPage_ = false;
    return 1;
}

int PagedDevice::endDoc() {
    if (!painter_.isActive()) return SP_ERROR;
    inPage_ = false;
    return painter_.end() ? 1 : SP_ERROR;
}

int PagedDevice::abortDoc() {
    if (!painter_.isActive()) return SP_ERROR;
    abortJob();
    inPage_ = false;
    painter_.end();
    return 1;
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

std::u16string wide(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }
std::u16string wide(LPCSTR s) { return s ? platform::ansiToWide(s) : std::u16string(); }

}  // namespace

int StartDocW(HDC handle, const DOCINFOW* info) {
    DC* dc = findDC(handle);
    if (!dc) return SP_ERROR;
    return dc->device->startDoc(info ? wide(info->lpszDocName) : std::u16string(),
                                info ? wide(info->lpszOutput) : std::u16string());
}

int StartDocA(HDC handle, const DOCINFOA* info) {
    DC* dc = findDC(handle);
    if (!dc) return SP_ERROR;
    return dc->device->startDoc(info ? wide(info->lpszDocName) : std::u16string(),
                                info ? wide(info->lpszOutput) : std::u16string());
}

int StartPage(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->device->startPage() : SP_ERROR;
}

int EndPage(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->device->endPage() : SP_ERROR;
}

int EndDoc(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->device->endDoc() : SP_ERROR;
}

int AbortDoc(HDC handle) {
    DC* dc = findDC(handle);
    return dc ? dc->device->abortDoc() : SP_ERROR;
}
