#include "poster/PosterLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace poster {

namespace {

double rounded(double v) { return std::nearbyint(v); }

// The edit's range within lo..hi; an edit without a range (min >= max, as a spin edit
// with both at 0) is held to lo..hi alone.
double held(double v, EditRange r, double lo, double hi) {
    double a = lo, b = hi;
    if (r.min < r.max && r.max >= lo && r.min <= hi) {
        a = std::max(r.min, lo);
        b = std::min(r.max, hi);
    }
    if (std::isnan(v)) return a;
    return std::clamp(v, a, b);
}

}  // namespace

PrinterCaps printerCaps(HDC dc) {
    PrinterCaps c;
    c.physicalWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
    c.physicalHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
    c.offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    c.offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    c.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    c.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    c.pageWidth = GetDeviceCaps(dc, HORZRES);
    c.pageHeight = GetDeviceCaps(dc, VERTRES);
    if (c.dpiX <= 0) c.dpiX = 600;
    if (c.dpiY <= 0) c.dpiY = 600;
    return c;
}

std::string formatTwoDecimals(double value) {
    if (!std::isfinite(value)) return "0.00";
    // The value's 18 significant digits, then halves away from zero at the second decimal.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Le", static_cast<long double>(std::fabs(value)));
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    // digits[0] has the weight 10^exponent; keep the digits down to 10^-2.
    const int keep = exponent + 3;  // number of digits to keep
    std::string whole;              // the kept digits as an integer count of hundredths
    if (keep <= 0) {
        whole = (keep == 0 && digits[0] >= '5') ? "1" : "0";
    } else {
        whole = digits.substr(0, std::min<size_t>(keep, digits.size()));
        while (static_cast<int>(whole.size()) < keep) whole += '0';
        if (keep < static_cast<int>(digits.size()) && digits[keep] >= '5') {
            int i = static_cast<int>(whole.size()) - 1;
            while (i >= 0 && whole[i] == '9') whole[i--] = '0';
            if (i < 0) whole.insert(whole.begin(), '1');
            else ++whole[i];
        }
    }
    while (whole.size() < 3) whole.insert(whole.begin(), '0');
    std::string out = whole.substr(0, whole.size() - 2) + "." + whole.substr(whole.size() - 2);
    if (value < 0 && out.find_first_not_of("0.") != std::string::npos) out.insert(out.begin(), '-');
    return out;
}

int wholePages(double v) {
    int n = static_cast<int>(rounded(v));
    if (n < v) ++n;
    return n;
}

double PosterLayout::glueX() const {
    return held(c_.value(LayoutEdit::GlueX), c_.range(LayoutEdit::GlueX), 0, 99);
}

double PosterLayout::glueY() const {
    return held(c_.value(LayoutEdit::GlueY), c_.range(LayoutEdit::GlueY), 0, 99);
}

double PosterLayout::readPages(LayoutEdit edit) const {
    return held(c_.value(edit), c_.range(edit), 0, kMaxPages);
}

std::string PosterLayout::sizeText(int widthMm, int heightMm) {
    return "Size approx.: " + std::to_string(widthMm) + " mm x " + std::to_string(heightMm) + " mm = " +
           formatTwoDecimals(widthMm / kMmPerInch) + " inch x " + formatTwoDecimals(heightMm / kMmPerInch) +
           " inch";
}

void PosterLayout::UpdatePaperFormat() {
    const PrinterCaps p = c_.printer();
    const bool mm = c_.checked(LayoutCheck::MillimetresPaper);
    const std::string unit = mm ? " mm" : " inch";
    auto x = [&](double v) { return formatTwoDecimals(mm ? v * kMmPerInch / p.dpiX : v / p.dpiX); };
    auto y = [&](double v) { return formatTwoDecimals(mm ? v * kMmPerInch / p.dpiY : v / p.dpiY); };
    c_.setText(LayoutText::Paper, x(p.physicalWidth) + " x " + y(p.physicalHeight) + unit);
    c_.setText(LayoutText::TopMargin, y(p.offsetY) + unit);
    c_.setText(LayoutText::LeftMargin, x(p.offsetX) + unit);
    c_.setText(LayoutText::RightMargin, x(p.physicalWidth - p.pageWidth - p.offsetX) + unit);
    c_.setText(LayoutText::BottomMargin, y(p.physicalHeight - p.pageHeight - p.offsetY) + unit);
    c_.setText(LayoutText::GlueWidth, x(p.pageWidth * glueX() / 100) + unit);
    c_.setText(LayoutText::GlueHeight, y(p.pageHeight * glueY() / 100) + unit);
}

void PosterLayout::posterSize(int& widthMm, int& heightMm) const {
    const PrinterCaps p = c_.printer();
    const bool edge = c_.checked(LayoutCheck::EdgeForGlue);
    const bool noEdge = c_.checked(LayoutCheck::NoGlueAtEdge);
    const double gx = glueX(), gy = glueY();
    const double w2 = edge ? rounded((100 - gx) * p.pageWidth / 100) : p.pageWidth;
    const double h2 = edge ? rounded((100 - gy) * p.pageHeight / 100) : p.pageHeight;
    const double extraW = noEdge ? rounded(gx * p.pageWidth / 100) : 0;
    const double extraH = noEdge ? rounded(gy * p.pageHeight / 100) : 0;
    widthMm = static_cast<int>(rounded((readPages(LayoutEdit::PagesAcross) * w2 + extraW) * kMmPerInch / p.dpiX));
    heightMm = static_cast<int>(rounded((readPages(LayoutEdit::PagesDown) * h2 + extraH) * kMmPerInch / p.dpiY));
}

void PosterLayout::writeSizes() {
    posterSize(widthMm_, heightMm_);
    const bool mm = c_.checked(LayoutCheck::MillimetresPoster);
    reentrant_ = true;
    if (!editingWidthMm_) c_.setValue(LayoutEdit::WidthMm, mm ? widthMm_ : widthMm_ / kMmPerInch);
    if (!editingHeightMm_) c_.setValue(LayoutEdit::HeightMm, mm ? heightMm_ : heightMm_ / kMmPerInch);
    reentrant_ = false;
    c_.setText(LayoutText::SizeBar, sizeText(widthMm_, heightMm_));
    c_.repaintGrid();
}

void PosterLayout::BreitEdChange() { pagesChanged(true); }
void PosterLayout::HochEdChange() { pagesChanged(false); }

// The leading axis is "a" (across when `across`), the following one "b".
void PosterLayout::pagesChanged(bool across) {
    if (reentrant_) return;
    widthLeads_ = across;
    const PrinterCaps p = c_.printer();
    const bool edge = c_.checked(LayoutCheck::EdgeForGlue);
    const bool noEdge = c_.checked(LayoutCheck::NoGlueAtEdge);
    const double gx = glueX(), gy = glueY();
    const double W = edge ? rounded((100 - gx) * p.pageWidth / 100) : p.pageWidth;
    const double H = edge ? rounded((100 - gy) * p.pageHeight / 100) : p.pageHeight;

    const LayoutEdit leadEdit = across ? LayoutEdit::PagesAcross : LayoutEdit::PagesDown;
    const LayoutEdit followEdit = across ? LayoutEdit::PagesDown : LayoutEdit::PagesAcross;
    const double leadGlue = across ? gx : gy;
    const double followGlue = across ? gy : gx;

    double a = readPages(leadEdit);
    if (a == 0) a = 0.1;
    if (c_.checked(LayoutCheck::UseAll)) {
        double whole = rounded(a);
        if (whole == 0) whole = 1;
        c_.setValue(leadEdit, whole);  // runs this handler again for the whole value
        a = whole;
    }
    const int leadPages = wholePages(a);
    const double a2 = noEdge ? a + leadGlue / leadPages / 100 : a;
    (across ? A_ : B_) = a;
    (across ? columns_ : rows_) = leadPages;

    if (c_.checked(LayoutCheck::NotDistort)) {
        const double w = std::max(1, c_.pictureWidth());
        const double h = std::max(1, c_.pictureHeight());
        double b = across ? h * a2 / w * W / H : w * a2 / h * H / W;
        if (noEdge) b -= followGlue / std::max(1, across ? rows_ : columns_) / 100;
        reentrant_ = true;
        c_.setValue(followEdit, b);
        reentrant_ = false;
        b = readPages(followEdit);
        (across ? B_ : A_) = b;
        (across ? rows_ : columns_) = std::max(1, wholePages(b));
    }
    writeSizes();
}

void PosterLayout::BreitmmEDChange() { mmChanged(true); }
void PosterLayout::HochmmEDChange() { mmChanged(false); }

void PosterLayout::mmChanged(bool width) {
    if (reentrant_) return;
    const PrinterCaps p = c_.printer();
    const bool edge = c_.checked(LayoutCheck::EdgeForGlue);
    const bool noEdge = c_.checked(LayoutCheck::NoGlueAtEdge);
    const double glue = width ? glueX() : glueY();
    const int page = width ? p.pageWidth : p.pageHeight;
    const int dpi = width ? p.dpiX : p.dpiY;
    const double size2 = std::max(1.0, edge ? rounded((100 - glue) * page / 100) : page);
    const double extra = noEdge ? rounded(glue * page / 100) : 0;
    const LayoutEdit mmEdit = width ? LayoutEdit::WidthMm : LayoutEdit::HeightMm;
    const double v = held(c_.value(mmEdit), c_.range(mmEdit), 0, 1e9);
    bool& mark = width ? editingWidthMm_ : editingHeightMm_;
    mark = true;
    const double pages = c_.checked(LayoutCheck::MillimetresPoster) ? (v * dpi / kMmPerInch - extra) / size2
                                                                     : (v * dpi - extra) / size2;
    c_.setValue(width ? LayoutEdit::PagesAcross : LayoutEdit::PagesDown, pages);
    mark = false;
    posterSize(widthMm_, heightMm_);
    c_.setText(LayoutText::SizeBar, sizeText(widthMm_, heightMm_));
    c_.repaintGrid();
}

void PosterLayout::IncEdChange() { c_.setPageIncrement(c_.value(LayoutEdit::Increment)); }

void PosterLayout::by_anpassen() {
    if (widthLeads_) BreitEdChange();
    else HochEdChange();
}

}  // namespace poster
