// A printer for tests and page previews: every page of a print job is kept as an image.
//
// The printer has a sheet (millimetres, given for portrait), a resolution and margins (of the
// portrait sheet; landscape turns the sheet a quarter turn counter-clockwise, so the portrait
// top margin becomes the left one). Its DCs report DT_RASPRINTER, PHYSICALWIDTH/HEIGHT of the
// sheet, PHYSICALOFFSETX/Y of the left and top margins and HORZRES/VERTRES of the printable
// area, all in device pixels (millimetres x dpi / 25.4, rounded). Each page is a white RGB32
// image of the printable area: DC coordinate (0, 0) is the printable area's top-left corner.
#pragma once

#include "platform/wintypes.h"

#include <QImage>

#include <memory>
#include <string>
#include <vector>

namespace platform {

// Margins in millimetres.
struct PrinterMargins {
    double left = 5, top = 5, right = 5, bottom = 5;
};

class RecordingPrinter {
public:
    enum class Orientation { Portrait, Landscape };
    using Margins = PrinterMargins;
    struct Document {
        std::u16string name;
        std::vector<QImage> pages;
        bool ended = false;
        bool aborted = false;
    };

    explicit RecordingPrinter(double paperWidthMm = 210, double paperHeightMm = 297, int dpi = 600,
                              Margins margins = {}, Orientation orientation = Orientation::Portrait);
    ~RecordingPrinter();
    RecordingPrinter(const RecordingPrinter&) = delete;
    RecordingPrinter& operator=(const RecordingPrinter&) = delete;

    // Changes apply to pages started afterwards.
    void setPaper(double widthMm, double heightMm);
    void setResolution(int dpiX, int dpiY);
    void setMargins(const Margins& margins);
    void setOrientation(Orientation orientation);
    Orientation orientation() const;

    // Geometry in device pixels, as GetDeviceCaps reports it.
    int physicalWidth() const;
    int physicalHeight() const;
    int offsetX() const;
    int offsetY() const;
    int printableWidth() const;
    int printableHeight() const;

    // A new DC on the printer (free it with DeleteDC); it may outlive the printer object.
    HDC createDC();

    const std::vector<Document>& documents() const;
    // The pages and name of the last document (empty when there is none).
    const std::vector<QImage>& pages() const;
    std::u16string documentName() const;
    // The page being drawn, or null between pages.
    const QImage* currentPage() const;
    void clear();

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace platform
