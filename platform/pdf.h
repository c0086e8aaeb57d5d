// What the PDF documents of the printers (the PDF file printer and CUPS queues) do with
// pictures.
//
// A picture drawn through StretchDIBits and the like becomes an image of its own in the
// document: only the section drawn, read straight from the caller's rows. True-colour
// sections are embedded as JPEG of a high quality with full chroma (the default, 98:
// visually lossless) or losslessly (Flate); palette and grey pictures always losslessly.
//
// A picture whose pixels are still the decode of a JPEG file keeps the file's own data:
// while a JpegPictureScope is alive on a printer DC, each section drawn from those pixels
// is cut out of the file losslessly at its block boundaries (and clipped to the section on
// the page), or, where that is smaller, the whole file is embedded once and shared by the
// pages. Nothing is re-encoded. When the file no longer holds what was decoded, the pixels
// are embedded as above.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class PdfPictureCoding { Jpeg, Flate };

struct PdfPictureSetting {
    PdfPictureCoding coding = PdfPictureCoding::Jpeg;
    int quality = 98;  // JPEG quality, held to 95..100
};

// The setting jobs started from now on use.
PdfPictureSetting pdfPictureSetting();
void setPdfPictureSetting(PdfPictureSetting setting);

// A JPEG file as it was when a picture was decoded from it.
struct JpegOrigin {
    std::string path;          // as the file system spells it
    std::uint64_t size = 0;    // bytes
    std::uint64_t digest = 0;  // contentDigest of the whole file
};

// Tells the DC's PDF document, for its lifetime, that the picture of width x height pixels
// in the bottom-up rows [bits, bits + lineBytes x height) is exactly the decode of the
// JPEG file. Does nothing on other devices.
class JpegPictureScope {
public:
    JpegPictureScope(HDC dc, const void* bits, long lineBytes, int width, int height, int bitCount,
                     const JpegOrigin& origin);
    ~JpegPictureScope();
    JpegPictureScope(const JpegPictureScope&) = delete;
    JpegPictureScope& operator=(const JpegPictureScope&) = delete;
    // Whether the DC's device took the picture.
    bool active() const { return id_ != 0; }

private:
    HDC dc_;
    int id_ = 0;
};

}  // namespace platform
