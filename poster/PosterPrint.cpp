#include "poster/PosterPrint.h"

#include "platform/msgbox.h"
#include "platform/pdf.h"
#include "platform/printer.h"
#include "platform/winerror.h"
#include "poster/Pixwerk.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace poster {

namespace {

int rounded(double v) { return static_cast<int>(std::nearbyint(v)); }

int heldPages(int n) { return std::clamp(n, 1, kMaxPages); }

// Draws n one-pixel lines, each a step further along `dx`/`dy`, from (x1, y1) to (x2, y2).
void parallelLines(HDC dc, int x1, int y1, int x2, int y2, int dx, int dy, int n) {
    for (int i = 0; i < n; ++i) {
        MoveToEx(dc, x1 + dx * i, y1 + dy * i, nullptr);
        LineTo(dc, x2 + dx * i, y2 + dy * i);
    }
}

HFONT noteFont(int height) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    const char16_t face[] = u"Arial";
    std::memcpy(lf.lfFaceName, face, sizeof face);
    return CreateFontIndirectW(&lf);
}

SIZE textSize(HDC dc, const std::u16string& text) {
    SIZE s{0, 0};
    GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(text.data()), static_cast<int>(text.size()), &s);
    return s;
}

void textOut(HDC dc, int x, int y, const std::u16string& text) {
    TextOutW(dc, x, y, reinterpret_cast<LPCWSTR>(text.data()), static_cast<int>(text.size()));
}

// Section arithmetic shared by PrintPage and SpezialPrintPage.
RECT drawSection(HDC dc, const PosterSetup& s, int col, int row, int left, int top, int right, int bottom,
                 bool printing, bool grow, bool special) {
    const TDib dib = s.dib;
    const int w = DibWidth(dib), h = DibHeight(dib);
    if (w <= 0 || h <= 0) return RECT{left, top, left, top};
    const int C = heldPages(s.columns), R = heldPages(s.rows);
    const double A = s.across > 0 ? s.across : 0.1;
    const double B = s.down > 0 ? s.down : 0.1;
    const double g = s.glueFactor();
    const int ws = special ? rounded((100 - s.glueX / C) * w / 100) : w;
    const int hs = special ? rounded((100 - s.glueY / R) * h / 100) : h;
    const int Wf = rounded(ws * C / A), Hf = rounded(hs * R / B);
    const int cx = (Wf - ws) / 2, cy = (Hf - hs) / 2;
    const int z = s.options.center ? 1 : 0;
    int pw = Wf / C, ph = Hf / R;
    const int sx = col * pw - cx * z;
    const int sy = row * ph - cy * z;
    RECT covered = GetDrawDIBRect(left, top, right, bottom, w, h, sx, (special ? hs : h) - sy - ph, pw, ph);
    const bool growX = grow && (s.options.printOnGlue || (special && col == C - 1));
    const bool growY = grow && (s.options.printOnGlue || (special && row == R - 1));
    if (growX && 100 - s.glueX * g > 0) {
        pw = rounded(pw * 100 / (100 - s.glueX * g));
        right = left + rounded((right - left) * 100 / (100 - s.glueX * g));
    }
    if (growY && 100 - s.glueY * g > 0) {
        ph = rounded(ph * 100 / (100 - s.glueY * g));
        bottom = top + rounded((bottom - top) * 100 / (100 - s.glueY * g));
    }
    // Without a glue strip at the poster's edge, the last column and row reach that edge:
    // what they cover grows with the section.
    const bool edgeX = growX && special && col == C - 1;
    const bool edgeY = growY && special && row == R - 1;
    if (edgeX || edgeY) {
        const RECT grown = GetDrawDIBRect(left, top, right, bottom, w, h, sx, h - sy - ph, pw, ph);
        if (edgeX) covered.left = grown.left, covered.right = grown.right;
        if (edgeY) covered.top = grown.top, covered.bottom = grown.bottom;
    }
    if (pw > 0 && ph > 0) {
        std::optional<platform::JpegPictureScope> file;
        if (printing && s.jpeg) file.emplace(dc, dib.Bits, dib.LineBytes, w, h, DibBitCount(dib), *s.jpeg);
        DrawDib(dc, left, top, right - left, bottom - top, dib, sx, h - sy - ph, pw, ph, !printing, SRCCOPY, true,
                nullptr);
    }
    return covered;
}

void drawLines(HDC dc, const PosterSetup& s, int col, int row, const RECT& r) {
    const PosterOptions& o = s.options;
    if (!o.cutLines && !o.glueLines) return;
    const int C = heldPages(s.columns), R = heldPages(s.rows);
    const int n = (1 + (o.doubled ? 1 : 0)) * 2;
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    if (o.cutLines) {
        HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(dc, pen);
        if (!o.noEdgeLines || row > 0) parallelLines(dc, r.left, r.top, r.right, r.top, 0, 1, n);
        if (!o.noEdgeLines || col > 0) parallelLines(dc, r.left, r.top, r.left, r.bottom, 1, 0, n);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    if (o.glueLines) {
        HPEN pen = CreatePen(PS_DASHDOT, 1, RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(dc, pen);
        if (!o.noEdgeLines || row < R - 1) parallelLines(dc, r.left, r.bottom - 1, r.right, r.bottom - 1, 0, -1, n);
        if (!o.noEdgeLines || col < C - 1) parallelLines(dc, r.right - 1, r.top, r.right - 1, r.bottom, -1, 0, n);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    SelectObject(dc, oldBrush);
}

void drawNotes(HDC dc, const PosterSetup& s, int col, int row, int PW, int PH, int UW, int UH) {
    const PosterOptions& o = s.options;
    if (!o.edgeForGlue || !o.cutHints) return;
    // The font follows the bottom strip's height; with a right strip only, its width.
    int fontHeight = static_cast<int>((PH - UH) * 0.3);
    if (fontHeight <= 0) fontHeight = static_cast<int>((PW - UW) * 0.3);
    if (fontHeight <= 0) return;  // no strip to write on
    const int C = heldPages(s.columns), R = heldPages(s.rows);
    const std::u16string text = edgeNote(col, row);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    HFONT font = noteFont(fontHeight);
    HGDIOBJ oldFont = SelectObject(dc, font);
    if (PH > UH && !(row == R - 1 && o.noGlueAtEdge)) {
        const SIZE t = textSize(dc, text);
        const int x = (PW - t.cx) / 2;
        const int y = std::max(UH, (PH - UH - t.cy) / 2 + UH);
        textOut(dc, x, y, text);
    }
    if (PW > UW && !(col == C - 1 && o.noGlueAtEdge)) {
        const SIZE blank = textSize(dc, u" ");
        const SIZE t = textSize(dc, text);
        const int x = std::max(UW, (PW - UW - blank.cx) / 2 + UW);
        int y = (PH - t.cy * static_cast<int>(text.size())) / 2;
        for (char16_t ch : text) {
            const std::u16string one(1, ch);
            textOut(dc, x, y, one);
            y += textSize(dc, one).cy;
        }
    }
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SetBkMode(dc, OPAQUE);
}

void report(const std::u16string& text) {
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(u"Error"),
                MB_OK | MB_ICONERROR);
}

void reportFailure(PrintTarget& target) { ReportPrintFailure(target, u"The poster could not be printed."); }

// Draws the page into a page-sized bitmap, then the bitmap onto the DC; false when the
// bitmap cannot be made.
bool renderOwn(HDC dc, const PosterSetup& s, int col, int row, int PW, int PH) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = PW;
    info.bmiHeader.biHeight = PH;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap);
    const RECT all{0, 0, PW, PH};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawPageImage(mem, s, col, row, PW, PH);
    SelectObject(mem, old);
    DeleteDC(mem);
    StretchDIBits(dc, 0, 0, PW, PH, 0, 0, PW, PH, bits, &info, DIB_RGB_COLORS, SRCCOPY);
    DeleteObject(bitmap);
    return true;
}

}  // namespace

void PageMask::clear() { std::memset(bytes_, 0, sizeof bytes_); }

bool PageMask::off(int col, int row) const { return inside(col, row) && bytes_[col * kSize + row] != 0; }

void PageMask::setOff(int col, int row, bool value) {
    if (inside(col, row)) bytes_[col * kSize + row] = value ? 1 : 0;
}

void PageMask::toggle(int col, int row) { setOff(col, row, !off(col, row)); }

void applyLayout(PosterSetup& setup, const PosterLayout& layout) {
    setup.across = layout.pagesAcross();
    setup.down = layout.pagesDown();
    setup.columns = heldPages(layout.columns());
    setup.rows = heldPages(layout.rows());
    setup.glueX = layout.glueX();
    setup.glueY = layout.glueY();
}

int usableWidth(const PosterSetup& s, int pageWidth) {
    return rounded((100 - s.glueX * s.glueFactor()) * pageWidth / 100);
}

int usableHeight(const PosterSetup& s, int pageHeight) {
    return rounded((100 - s.glueY * s.glueFactor()) * pageHeight / 100);
}

RECT GetDrawDIBRect(int left, int top, int right, int bottom, int w, int h, int srcX, int srcY, int srcW,
                    int srcH) {
    int x = left, y = top, dw = right - left, dh = bottom - top;
    if (srcW <= 0 || srcH <= 0) return RECT{left, top, left, top};
    if (srcX + srcW > w) {
        const int e = w - srcX;
        dw = rounded(static_cast<double>(dw) * e / srcW);
        srcW = e;
    }
    if (srcY < 0) {
        const int kept = srcH + srcY;
        dh = rounded(static_cast<double>(dh) * kept / srcH);
        srcH = kept;
        srcY = 0;
    }
    if (srcY + srcH > h && srcH > 0) {
        const int g = h - srcY;
        const int nh = rounded(static_cast<double>(dh) * g / srcH);
        y += dh - nh;
        dh = nh;
        srcH = g;
    }
    if (srcX < 0 && srcW > 0) {
        const int kept = srcX + srcW;
        const int nw = rounded(static_cast<double>(dw) * kept / srcW);
        x += dw - nw;
        dw = nw;
    }
    if (dw < 0) dw = 0;
    if (dh < 0) dh = 0;
    return RECT{x, y, x + dw, y + dh};
}

RECT PrintPage(HDC dc, const PosterSetup& s, int col, int row, int left, int top, int right, int bottom,
               bool printing, bool grow) {
    return drawSection(dc, s, col, row, left, top, right, bottom, printing, grow, false);
}

RECT SpezialPrintPage(HDC dc, const PosterSetup& s, int col, int row, int left, int top, int right, int bottom,
                      bool printing, bool grow) {
    return drawSection(dc, s, col, row, left, top, right, bottom, printing, grow, true);
}

void DrawPageImage(HDC dc, const PosterSetup& s, int col, int row, int width, int height) {
    const int UW = usableWidth(s, width), UH = usableHeight(s, height);
    const bool special = s.options.noGlueAtEdge && s.options.edgeForGlue;
    const RECT covered = special ? SpezialPrintPage(dc, s, col, row, 0, 0, UW, UH, true)
                                 : PrintPage(dc, s, col, row, 0, 0, UW, UH, true);
    drawLines(dc, s, col, row, covered);
    drawNotes(dc, s, col, row, width, height, UW, UH);
}

bool pageOfNumber(const PosterSetup& s, int number, int& col, int& row) {
    const int C = heldPages(s.columns), R = heldPages(s.rows);
    if (number < 1 || number > C * R) return false;
    const int i = number - 1;
    if (s.rowsOuter) {
        row = i / C;
        col = i % C;
    } else {
        col = i / R;
        row = i % R;
    }
    return true;
}

bool PrintPageScreen(HDC dc, const PosterSetup& s, int width, int number, int height) {
    int col = 0, row = 0;
    if (!pageOfNumber(s, number, col, row)) return false;
    DrawPageImage(dc, s, col, row, width, height);
    return true;
}

std::u16string edgeNote(int col, int row) {
    const std::string t = "Edge for glue, do not cut (page: " + std::to_string(col) + ";" + std::to_string(row) + ")";
    return std::u16string(t.begin(), t.end());
}

namespace {

class PlatformTarget : public PrintTarget {
public:
    explicit PlatformTarget(std::shared_ptr<platform::Printer> p) : printer_(std::move(p)) {
        if (printer_) dc_ = printer_->createDC();
    }
    ~PlatformTarget() override {
        if (printing_) AbortDoc(dc_);
        if (dc_) DeleteDC(dc_);
    }
    void setTitle(const std::u16string& title) override { title_ = title; }
    bool beginDoc() override {
        if (!dc_) return fail(u"There is no printer.");
        DOCINFOW info{};
        info.cbSize = sizeof info;
        info.lpszDocName = reinterpret_cast<LPCWSTR>(title_.c_str());
        if (StartDocW(dc_, &info) <= 0) return failed();
        printing_ = true;
        if (StartPage(dc_) <= 0) return failed();
        return true;
    }
    bool newPage() override {
        if (EndPage(dc_) <= 0 || StartPage(dc_) <= 0) return failed();
        return true;
    }
    bool endDoc() override {
        const bool ok = EndPage(dc_) > 0;
        if (!ok) {
            failed();
            abort();
            return false;
        }
        printing_ = false;
        if (EndDoc(dc_) <= 0) return failed();
        return true;
    }
    void abort() override {
        if (printing_) AbortDoc(dc_);
        printing_ = false;
    }
    HDC handle() override { return dc_; }
    PrinterCaps caps() override { return printerCaps(dc_); }
    std::u16string errorText() const override { return error_; }
    bool cancelled() const override { return cancelled_; }

private:
    bool failed() {
        cancelled_ = GetLastError() == platform::errorCancelled;
        error_ = platform::printErrorText();
        return false;
    }
    bool fail(const std::u16string& text) {
        error_ = text;
        return false;
    }
    std::shared_ptr<platform::Printer> printer_;
    HDC dc_ = nullptr;
    std::u16string title_;
    std::u16string error_;
    bool cancelled_ = false;
    bool printing_ = false;
};

}  // namespace

std::unique_ptr<PrintTarget> printerTarget(std::shared_ptr<platform::Printer> printer) {
    return std::make_unique<PlatformTarget>(std::move(printer));
}

void KeepPainting() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

void ReportPrintFailure(PrintTarget& target, const std::u16string& what) {
    if (target.cancelled()) return;
    std::u16string text = target.errorText();
    if (text.empty()) text = what;
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(u"Error"),
                MB_OK | MB_ICONERROR);
}

PrintResult PrintPoster(PrintTarget& target, PosterSetup s, const ProgressSink& progress) {
    PrintResult result;
    auto tell = [&](int p) {
        if (progress) progress(p);
        KeepPainting();
    };
    // A picture that is still the decode of its JPEG file prints from the file's data.
    platform::JpegOrigin jpeg;
    TDibOrigin origin;
    s.jpeg = nullptr;
    if (!s.renderOwn && DibOrigin(s.dib, origin) && (origin.type == PW_JPG || origin.type == PW_JIF)) {
        jpeg = platform::JpegOrigin{origin.fileName, origin.fileSize, origin.fileDigest};
        s.jpeg = &jpeg;
    }
    tell(0);
    s.printer = target.caps();
    s.columns = heldPages(s.columns);
    s.rows = heldPages(s.rows);
    const int PW = s.printer.pageWidth, PH = s.printer.pageHeight;
    target.setTitle(kJobTitle);
    const int C = s.columns, R = s.rows;
    const int total = C * R;
    int count = 0;
    auto page = [&](int col, int row) -> bool {
        if (s.printAll || !s.pageOff(col, row)) {
            const bool ok = result.started ? target.newPage() : target.beginDoc();
            if (!ok) {
                reportFailure(target);
                target.abort();
                return false;
            }
            result.started = true;
            HDC dc = target.handle();
            if (s.renderOwn) {
                if (!renderOwn(dc, s, col, row, PW, PH)) {
                    report(u"Error: Not enough memory for this function!!!");
                    target.abort();
                    return false;
                }
            } else {
                DrawPageImage(dc, s, col, row, PW, PH);
            }
            ++result.pages;
        }
        ++count;
        tell(count * 100 / total);
        return true;
    };
    bool ok = true;
    if (s.rowsOuter) {
        for (int row = 0; ok && row < R; ++row)
            for (int col = 0; ok && col < C; ++col) ok = page(col, row);
    } else {
        for (int col = 0; ok && col < C; ++col)
            for (int row = 0; ok && row < R; ++row) ok = page(col, row);
    }
    if (ok && result.started && !target.endDoc()) {
        reportFailure(target);
        ok = false;
    }
    if (!ok) {
        result.ok = false;
        result.pages = 0;
    }
    tell(0);
    return result;
}

}  // namespace poster
