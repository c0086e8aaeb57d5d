// The poster layout: pages across and down, the poster size in millimetres or inches, the
// glue strips and the paper texts of the poster window.
//
// The window keeps its controls as the source of truth. It implements LayoutControls over
// them (tests implement it over plain fields) and calls PosterLayout's handlers from the
// controls' change handlers:
//   BreitEd.OnChange   -> BreitEdChange()       HochEd.OnChange   -> HochEdChange()
//   BreitmmED.OnChange -> BreitmmEDChange()     HochmmED.OnChange -> HochmmEDChange()
//   IncEd.OnChange     -> IncEdChange()         start, printer setup, orientation,
//   after UpdateOptions -> by_anpassen()        Milli2Check, KrandxlEd/KrandylEd
//                                                                   -> UpdatePaperFormat()
//   MilliCheck3.OnClick -> BreitEdChange()
// Writing an edit through LayoutControls::setValue behaves as the control does: it holds the
// value to the edit's range and precision and runs the edit's change handler (which, for
// the layout's own writes, returns at once under the re-entrancy flag). Every value read is
// held to the edit's range and to the layout's limits (pages 0..100, glue strips 0..99 percent;
// an edit without a range, both limits 0, is held to those limits alone).
//
// One inch is 25.39995 mm here; reals in texts have two decimals and a point.
#pragma once

#include "platform/gdi.h"

#include <string>

namespace poster {

inline constexpr double kMmPerInch = 25.39995;
// Pages across and down are at most this many.
inline constexpr int kMaxPages = 100;

// The printer's geometry in device pixels (GetDeviceCaps) and its printable page.
struct PrinterCaps {
    int physicalWidth = 0;   // PHYSICALWIDTH
    int physicalHeight = 0;  // PHYSICALHEIGHT
    int offsetX = 0;         // PHYSICALOFFSETX
    int offsetY = 0;         // PHYSICALOFFSETY
    int dpiX = 0;            // LOGPIXELSX
    int dpiY = 0;            // LOGPIXELSY
    int pageWidth = 0;       // HORZRES, the printable width
    int pageHeight = 0;      // VERTRES
};
// The caps of a printer DC; a DC that reports no resolution gets 600 dpi, so nothing divides
// by zero.
PrinterCaps printerCaps(HDC dc);

// The real edits of the layout.
enum class LayoutEdit {
    PagesAcross,  // BreitEd
    PagesDown,    // HochEd
    WidthMm,      // BreitmmED (millimetres or inches, by MilliCheck3)
    HeightMm,     // HochmmED
    GlueX,        // KrandxlEd, percent of the printable width
    GlueY,        // KrandylEd
    Increment,    // IncEd
};

// The check boxes the layout reads.
enum class LayoutCheck {
    MillimetresPoster,  // MilliCheck3
    MillimetresPaper,   // Milli2Check
    UseAll,             // UseAllCheck "Use page fully"
    NotDistort,         // NotVerzCheck "Do not distort"
    EdgeForGlue,        // KlrandCheck "Edge for glue"
    NoGlueAtEdge,       // NoKlRCheck "No edge for glue at the edge of poster"
};

// The texts the layout writes.
enum class LayoutText {
    Paper,         // Edit6: width x height + unit
    TopMargin,     // Edit7
    LeftMargin,    // Edit8
    RightMargin,   // Edit9
    BottomMargin,  // Edit10
    GlueWidth,     // Edit1
    GlueHeight,    // Edit2
    SizeBar,       // MMBar
};

struct EditRange {
    double min = 0;
    double max = 0;
};

// The poster window's controls and state, as the layout sees them.
class LayoutControls {
public:
    virtual ~LayoutControls() = default;
    virtual double value(LayoutEdit edit) const = 0;
    // Writes the edit as the control does (range, precision, change handler).
    virtual void setValue(LayoutEdit edit, double value) = 0;
    virtual EditRange range(LayoutEdit edit) const = 0;
    // The increment of BreitEd and HochEd.
    virtual void setPageIncrement(double increment) = 0;
    virtual bool checked(LayoutCheck check) const = 0;
    virtual void setText(LayoutText text, const std::string& value) = 0;
    // The picture's size in pixels.
    virtual int pictureWidth() const = 0;
    virtual int pictureHeight() const = 0;
    // The current printer's geometry.
    virtual PrinterCaps printer() const = 0;
    // Repaints the grid preview (VorschauBox).
    virtual void repaintGrid() = 0;
};

// A real with exactly two decimals, a point and no thousands separator (210.00); halves go
// away from zero at the second decimal of the value's 18-digit decimal form.
std::string formatTwoDecimals(double value);

// The layout state kept by the poster window, with the handlers of its size edits.
class PosterLayout {
public:
    explicit PosterLayout(LayoutControls& controls) : c_(controls) {}

    // Pages across A and down B, and the whole page columns and rows (ceil of A and B).
    double pagesAcross() const { return A_; }
    double pagesDown() const { return B_; }
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    bool widthLeads() const { return widthLeads_; }
    bool reentrant() const { return reentrant_; }
    bool editingWidthMm() const { return editingWidthMm_; }
    bool editingHeightMm() const { return editingHeightMm_; }
    // The poster size of the last size text, in millimetres.
    int widthMm() const { return widthMm_; }
    int heightMm() const { return heightMm_; }

    void UpdatePaperFormat();
    void BreitEdChange();
    void HochEdChange();
    void BreitmmEDChange();
    void HochmmEDChange();
    void IncEdChange();
    // Recomputes the layout from the leading page edit.
    void by_anpassen();

    // Values read through the controls, held to their ranges.
    double glueX() const;
    double glueY() const;
    double readPages(LayoutEdit edit) const;

    // The size text of MMBar for a poster of that many millimetres.
    static std::string sizeText(int widthMm, int heightMm);

private:
    void pagesChanged(bool across);
    void mmChanged(bool width);
    void posterSize(int& widthMm, int& heightMm) const;
    void writeSizes();

    LayoutControls& c_;
    double A_ = 1.0;
    double B_ = 1.0;
    int columns_ = 1;
    int rows_ = 1;
    bool reentrant_ = false;
    bool editingWidthMm_ = false;
    bool editingHeightMm_ = false;
    bool widthLeads_ = true;
    int widthMm_ = 0;
    int heightMm_ = 0;
};

// Smallest whole number not below v (rounded v, plus 1 when that is below v).
int wholePages(double v);

}  // namespace poster
