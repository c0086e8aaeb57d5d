// The poster window's previews: the fitted picture views, the retouch view, the grid of
// pages, the 1:1 view with its overview, and the page preview with its bitmap file.
//
// Painting functions draw on a DC of the given size; the window's paint boxes call them from
// their paint handlers (Canvas->Handle) and size the boxes with the *Size functions before.
// The mouse arithmetic is given as functions that the window's mouse handlers call:
//   DibPrevPaint, ScanPaintBox  -> PaintFitted           RetuschPaint -> PaintRetouch
//   VorschauBox paint / click   -> PaintGrid / ClickGrid (mode: pages on/off or zoom)
//   PrintPaintBox               -> oneToOneSize, PaintOneToOne, QualityText (WertungMemo)
//   OverPaint paint / click     -> PaintOverview, OverviewScroll
//   drags in PrintPaintBox and PagePaintBox -> DragScroll
//   PagePaintBox                -> pagePreviewSize, PaintPagePreview, LimitPageNumber
//   "Save picture..."           -> SavePagePreview
//   HochQuerBtn                 -> SwitchOrientation, then the layout's UpdatePaperFormat
//                                  and by_anpassen
#pragma once

#include "poster/PosterPrint.h"

#include <optional>
#include <string>

namespace platform {
class Printer;
}

namespace poster {

// The size a w x h picture takes in a W x H box; at least 1 x 1.
SIZE FitSize(int boxWidth, int boxHeight, int pictureWidth, int pictureHeight);
// Draws the whole picture fitted at (0, 0), halftoning allowed; returns the size drawn.
SIZE PaintFitted(HDC dc, int boxWidth, int boxHeight, TDib dib);

// The retouch view's scale factors (drawn size / picture size).
struct RetouchScale {
    double x = 0;
    double y = 0;
    SIZE drawn{0, 0};
};
// The fitted picture with the section (left, top, right, bottom in picture pixels) as a
// closed dotted black outline.
RetouchScale PaintRetouch(HDC dc, int boxWidth, int boxHeight, TDib dib, const RECT& section);

// The cells of the grid preview.
struct GridGeometry {
    int columns = 0;
    int rows = 0;
    int cw = 0;  // cell width and height (with the glue strip)
    int ch = 0;
    double pw = 0;  // picture part of a cell
    double ph = 0;
    int stepWidth = 0;  // cell step without the 2-pixel gap
    int stepHeight = 0;
    bool special = false;  // both "No edge for glue at the edge of poster" and "Edge for glue"

    bool empty() const { return columns <= 0 || rows <= 0; }
    POINT origin(int col, int row) const;
    // The cell's size (the last column and row are cw and ch wide in the special case).
    SIZE cell(int col, int row) const;
};
// boxWidth/boxHeight: VorschauBox; fitHeight: PrevScrollBox's client height x ZoomEd.
GridGeometry gridGeometry(const PosterSetup& setup, int boxWidth, int boxHeight, double fitHeight);
void PaintGrid(HDC dc, const PosterSetup& setup, const GridGeometry& grid);
// The page whose cell holds the point (edges included).
std::optional<POINT> GridHit(const GridGeometry& grid, int x, int y);

enum class GridMode { Pages, Zoom };
// A click on the grid: toggles the page in Pages mode (true when one was toggled); in Zoom
// mode multiplies zoom by 1.1 for the left button, else divides it (true when changed).
bool ClickGrid(const GridGeometry& grid, PageMask& mask, GridMode mode, bool leftButton, int x, int y,
               double& zoom);

// The red cross over a cell.
void XitOut(HDC dc, int left, int top, int right, int bottom);

// The 1:1 view: its size for the screen's resolution, the stretched picture, the quality.
SIZE oneToOneSize(const PosterSetup& setup, int screenDpiX, int screenDpiY);
void PaintOneToOne(HDC dc, int width, int height, TDib dib);
// "The quality is " + dots per inch on paper + "DPI".
std::string QualityText(const PosterSetup& setup);

// The overview: the fitted picture and the part of the 1:1 view shown, filled red.
struct ScrollView {
    int posX = 0, posY = 0;              // scroll positions
    int clientWidth = 0, clientHeight = 0;  // visible part
    int fullWidth = 1, fullHeight = 1;   // PrintPaintBox's size
};
RECT OverviewMarker(SIZE drawn, const ScrollView& view);
void PaintOverview(HDC dc, int boxWidth, int boxHeight, TDib dib, const ScrollView& view);
// The scroll positions for a click at (x, y) on an overview of that box size.
POINT OverviewScroll(int boxWidth, int boxHeight, TDib dib, const ScrollView& view, int x, int y);

// Drag-scrolling: the new scroll position, held to 0 .. the bar's largest position.
int DragScroll(int oldPosition, int pressed, int now, int maxPosition);

// The page preview at `dpi` dots per inch (QualiED).
SIZE pagePreviewSize(const PosterSetup& setup, double dpi);
// Fills white and renders page `number`.
void PaintPagePreview(HDC dc, const PosterSetup& setup, SIZE size, int number);
// thepageed held to 1 .. C x R.
int LimitPageNumber(int number, const PosterSetup& setup);

enum class SaveResult { Saved, NoBitmap, WriteFailed };
// Renders page `number` at `dpi` into a 24-bit bitmap and writes it to `path` as a bitmap
// file (through a temporary file renamed over it); shows the window's message.
SaveResult SavePagePreview(const std::u16string& path, const PosterSetup& setup, double dpi, int number);

// Switches the printer between portrait and landscape.
void SwitchOrientation(platform::Printer& printer);

}  // namespace poster
