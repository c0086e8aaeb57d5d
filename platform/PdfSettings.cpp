// The picture setting of the printers' PDF documents and pictures known to come from JPEG
// files.
#include "PdfDocument.h"

#include <algorithm>
#include <mutex>

namespace platform {
namespace {

std::mutex settingMutex;
PdfPictureSetting setting;

}  // namespace

PdfPictureSetting pdfPictureSetting() {
    std::lock_guard lock(settingMutex);
    return setting;
}

void setPdfPictureSetting(PdfPictureSetting s) {
    s.quality = std::clamp(s.quality, 95, 100);
    std::lock_guard lock(settingMutex);
    setting = s;
}

JpegPictureScope::JpegPictureScope(HDC dc, const void* bits, long lineBytes, int width, int height, int bitCount,
                                   const JpegOrigin& origin)
    : dc_(dc) {
    if (pdf::Job* job = pdfDocumentOf(dc)) id_ = job->addJpegPicture(bits, lineBytes, width, height, bitCount, origin);
}

JpegPictureScope::~JpegPictureScope() {
    if (!id_) return;
    if (pdf::Job* job = pdfDocumentOf(dc_)) job->removeJpegPicture(id_);
}

}  // namespace platform
