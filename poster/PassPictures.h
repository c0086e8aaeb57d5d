// Pass pictures: copies of the picture in rows on one printer page, like passport photos.
// The copy width, the spacing and the margin are fractions of the printable page (or of the
// preview's page cell); the copy height keeps the picture's proportions.
#pragma once

#include "pixwerk/pixwerk.h"
#include "platform/gdi.h"
#include "poster/PosterLayout.h"
#include "poster/PosterPrint.h"

#include <functional>
#include <string>
#include <vector>

namespace poster {

inline const char16_t* const kPassJobTitle = u"Tessellon - pass pictures";

// The values of the pass-pictures pane: copy width, spacing and margin.
struct PassValues {
    double width = 0;    // Breit3ED
    double spacing = 0;  // SpaceED
    double margin = 0;   // Rand3ED
};

// The copy height as a fraction of the area's height, for an area of that size; 0 when the
// picture or the area has no size.
double PassCopyHeight(int pictureWidth, int pictureHeight, double width, int areaWidth, int areaHeight);

// Where the copies go on the area (left, top, right, bottom), in rows from the top left:
// each rectangle is (x, y, x2, y2), at least one pixel wide and high. Nothing when the
// width is not positive, the spacing negative or the values not finite.
std::vector<RECT> PlacePassCopies(const RECT& area, double width, double height, double spacing,
                                  double margin);

// A printer page that can take pass pictures: a page or resolution of 0 gives the default
// page of the printing layer (A4 with 5 mm margins at 600 dpi).
PrinterCaps UsablePassPage(const PrinterCaps& page);

// The copy's size on the printed page: "w x h mm" (whole millimetres) or "w.ww x h.hh inch".
std::string PassSizeText(const PrinterCaps& page, int pictureWidth, int pictureHeight, double width,
                         bool millimetres);

// The preview's page cell (at 10, 10) for a paint box of that size; `fitHeight` is the
// scroll box's client height times the zoom, above which the cell is fitted by height.
RECT PassPreviewCell(const PrinterCaps& page, int boxWidth, int boxHeight, double fitHeight);

// Paints the preview: the white page cell and the copies on it. Copies of 100 pixels or
// less are drawn from a small nearest-neighbour copy of the picture. Returns the number of
// copies placed.
int PaintPassPreview(HDC dc, TDib dib, const PrinterCaps& page, const PassValues& values, int boxWidth,
                     int boxHeight, double fitHeight);

// The small copy of the picture used for tiny previews: that size, the picture's depth and
// colour table, each pixel the nearest source pixel. No pixels when it cannot be made.
UniqueDib PassThumbnail(TDib dib, int width, int height);

// Prints one page of copies. `previewCount` is the number of copies the last preview placed;
// progress (0..100) is reported after each copy when it is positive. A failure of the
// printer is shown in a message box and ends the job.
PrintResult PrintPassPictures(PrintTarget& target, TDib dib, const PassValues& values, int previewCount,
                              const ProgressSink& progress = {});

}  // namespace poster
