// The kit's shared drawing, text and helper routines.
#include "kit/KitUtils.h"

#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "platform/gdi.h"
#include "platform/globalmem.h"

#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QWidget>

#include <map>
#include <memory>
#include <tuple>

#include <cmath>
#include <cstring>

void SwapIntegers(int& A, int& B) {
    const int t = A;
    A = B;
    B = t;
}

bool PointInsideRect(POINT P, const RECT& R) {
    return P.x >= R.left && P.x <= R.right && P.y >= R.top && P.y <= R.bottom;
}

COLORREF PaletteRGBOf(TColor Color) { return ColorToRGB(Color) | 0x02000000u; }

int PaletteEntryCount(HPALETTE Palette) {
    WORD count = 0;
    if (!Palette || GetObject(Palette, sizeof count, &count) == 0) return 0;
    return count;
}

void* GetMemBlock(long Size) {
    if (Size <= 0) return nullptr;
    return reinterpret_cast<void*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(Size)));
}

void FreeMemBlock(void*& P) {
    if (!P) return;
    GlobalFree(reinterpret_cast<HGLOBAL>(P));
    P = nullptr;
}

bool SameMemBlock(const void* A, const void* B, long Length) {
    if (Length <= 0) return true;
    return std::memcmp(A, B, static_cast<std::size_t>(Length)) == 0;
}

void* OffsetPointer(void* P, long Offset) { return static_cast<char*>(P) + Offset; }

void CopyMemBlock(const void* Source, void* Dest, long Count) {
    if (Count > 0) std::memmove(Dest, Source, static_cast<std::size_t>(Count));
}

String IdentText(const String& S) { return S; }

void PurgeMessage(HWND Wnd, UINT Msg) {
    MSG m{};
    if (PeekMessageA(&m, Wnd, Msg, Msg, PM_REMOVE) && m.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(m.wParam));
}

bool ActiveWindowInThread() {
    // Every window of the program lives on the user-interface thread.
    return GetActiveWindow() != nullptr;
}

void RaiseNotImplemented() {
    if (Screen) Screen->SetCursor(crDefault);
    if (Application) Application->MessageBox("Function not yet implemented", "", MB_OK | MB_ICONINFORMATION);
    else MessageBoxA(nullptr, "Function not yet implemented", "", MB_OK | MB_ICONINFORMATION);
    throw EAbort("");
}

void FitControlToParent(TControl* Control) {
    if (!Control) return;
    int w = 0, h = 0;
    if (TWinControl* p = Control->Parent()) {
        w = p->ClientWidth();
        h = p->ClientHeight();
    } else if (Screen) {
        w = Screen->Width();
        h = Screen->Height();
    } else {
        return;
    }
    int left = Control->Left(), top = Control->Top();
    if (left + Control->Width() > w) left = w - Control->Width();
    if (top + Control->Height() > h) top = h - Control->Height();
    Control->SetBounds(std::max(left, 0), std::max(top, 0), Control->Width(), Control->Height());
}

// Focus frames over the screen

namespace {

class FocusFrameOverlay : public QWidget {
public:
    FocusFrameOverlay(const RECT& r, int count)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
          count_(count) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(r.left, r.top, std::max(1, r.right - r.left), std::max(1, r.bottom - r.top));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QPen pen(Qt::black, 1, Qt::DotLine);
        p.setPen(pen);
        for (int i = 0; i < count_; ++i) {
            const QRect r = rect().adjusted(i, i, -i - 1, -i - 1);
            if (r.width() <= 0 || r.height() <= 0) break;
            p.drawRect(r);
        }
    }

private:
    int count_;
};

using FrameKey = std::tuple<int, int, int, int, int>;
std::map<FrameKey, std::unique_ptr<FocusFrameOverlay>>& FocusFrames() {
    // Kept past the end of the program's statics: the windows must not outlive Qt.
    static auto* frames = new std::map<FrameKey, std::unique_ptr<FocusFrameOverlay>>();
    return *frames;
}

}  // namespace

void DrawFocusFrames(const RECT& Rect, int Count) {
    if (Count <= 0) return;
    const FrameKey key{Rect.left, Rect.top, Rect.right, Rect.bottom, Count};
    auto& frames = FocusFrames();
    auto it = frames.find(key);
    if (it != frames.end()) {
        // Drawn twice is drawn away, as an inverted frame would be.
        frames.erase(it);
        return;
    }
    auto overlay = std::make_unique<FocusFrameOverlay>(Rect, Count);
    overlay->show();
    frames.emplace(key, std::move(overlay));
}

bool FocusFramesShown(const RECT& Rect, int Count) {
    return FocusFrames().count(FrameKey{Rect.left, Rect.top, Rect.right, Rect.bottom, Count}) != 0;
}

// Keyed drawing

void StretchBltKeyed(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX, int SrcY, int SrcW,
                     int SrcH, TColor KeyColor, HPALETTE Palette) {
    if (SrcW <= 0 || SrcH <= 0 || DstW <= 0 || DstH <= 0) return;
    HDC maskDC = CreateCompatibleDC(DstDC), invDC = CreateCompatibleDC(DstDC);
    HDC workDC = CreateCompatibleDC(DstDC), copyDC = CreateCompatibleDC(DstDC);
    HBITMAP mask = CreateBitmap(SrcW, SrcH, 1, 1, nullptr), inv = CreateBitmap(SrcW, SrcH, 1, 1, nullptr);
    HBITMAP work = CreateCompatibleBitmap(DstDC, DstW, DstH), copy = CreateCompatibleBitmap(DstDC, SrcW, SrcH);
    HGDIOBJ oldMask = SelectObject(maskDC, mask), oldInv = SelectObject(invDC, inv);
    HGDIOBJ oldWork = SelectObject(workDC, work), oldCopy = SelectObject(copyDC, copy);
    HPALETTE oldPal[4] = {};
    if (Palette) {
        oldPal[0] = SelectPalette(DstDC, Palette, FALSE);
        oldPal[1] = SelectPalette(workDC, Palette, FALSE);
        oldPal[2] = SelectPalette(copyDC, Palette, TRUE);
        oldPal[3] = SelectPalette(maskDC, Palette, TRUE);
        RealizePalette(DstDC);
        RealizePalette(workDC);
    }
    BitBlt(copyDC, 0, 0, SrcW, SrcH, SrcDC, SrcX, SrcY, SRCCOPY);
    // Mask: key pixels white, the others black; the inverse mask the other way round.
    const COLORREF oldBk = SetBkColor(copyDC, PaletteRGBOf(KeyColor));
    BitBlt(maskDC, 0, 0, SrcW, SrcH, copyDC, 0, 0, SRCCOPY);
    SetBkColor(copyDC, oldBk);
    BitBlt(invDC, 0, 0, SrcW, SrcH, maskDC, 0, 0, NOTSRCCOPY);
    // Monochrome onto colour takes black as the text colour and white as the background.
    const COLORREF oldWorkBk = SetBkColor(workDC, RGB(255, 255, 255));
    const COLORREF oldWorkText = SetTextColor(workDC, RGB(0, 0, 0));
    const COLORREF oldCopyText = SetTextColor(copyDC, RGB(0, 0, 0));
    const COLORREF oldCopyBk = SetBkColor(copyDC, RGB(255, 255, 255));
    BitBlt(workDC, 0, 0, DstW, DstH, DstDC, DstX, DstY, SRCCOPY);
    StretchBlt(workDC, 0, 0, DstW, DstH, maskDC, 0, 0, SrcW, SrcH, SRCAND);
    BitBlt(copyDC, 0, 0, SrcW, SrcH, invDC, 0, 0, SRCAND);
    StretchBlt(workDC, 0, 0, DstW, DstH, copyDC, 0, 0, SrcW, SrcH, SRCPAINT);
    BitBlt(DstDC, DstX, DstY, DstW, DstH, workDC, 0, 0, SRCCOPY);
    SetBkColor(workDC, oldWorkBk);
    SetTextColor(workDC, oldWorkText);
    SetTextColor(copyDC, oldCopyText);
    SetBkColor(copyDC, oldCopyBk);
    if (Palette) {
        SelectPalette(DstDC, oldPal[0], FALSE);
        SelectPalette(workDC, oldPal[1], FALSE);
        SelectPalette(copyDC, oldPal[2], TRUE);
        SelectPalette(maskDC, oldPal[3], TRUE);
    }
    SelectObject(maskDC, oldMask);
    SelectObject(invDC, oldInv);
    SelectObject(workDC, oldWork);
    SelectObject(copyDC, oldCopy);
    DeleteObject(mask);
    DeleteObject(inv);
    DeleteObject(work);
    DeleteObject(copy);
    DeleteDC(maskDC);
    DeleteDC(invDC);
    DeleteDC(workDC);
    DeleteDC(copyDC);
}

void StretchBitmapKeyed(TCanvas* Dest, int DstX, int DstY, int DstW, int DstH, TBitmap* Bitmap, int SrcX, int SrcY,
                        int SrcW, int SrcH, TColor KeyColor) {
    if (!Dest || !Bitmap || Bitmap->Empty()) return;
    if (DstW < 1 || DstH < 1) {
        DstW = Bitmap->Width();
        DstH = Bitmap->Height();
    }
    if (SrcW < 1 || SrcH < 1) {
        SrcX = SrcY = 0;
        SrcW = Bitmap->Width();
        SrcH = Bitmap->Height();
    }
    const bool mono = Bitmap->PixelFormat() == pf1bit;
    HDC dst = Dest->Handle();
    if (!mono) SetStretchBltMode(dst, COLORONCOLOR);
    TCanvas* src = Bitmap->Canvas();
    src->Lock();
    const TNotifyEvent saved = Bitmap->OnChange;
    Bitmap->OnChange = nullptr;
    if (KeyColor == clKitNoKey) {
        StretchBlt(dst, DstX, DstY, DstW, DstH, src->Handle(), SrcX, SrcY, SrcW, SrcH, Dest->CopyMode);
    } else {
        TColor key = KeyColor;
        if (mono) key = clWhite;
        else if (KeyColor == clKitBottomLeft) key = src->Pixel(0, Bitmap->Height() - 1);
        StretchBltKeyed(dst, DstX, DstY, DstW, DstH, src->Handle(), SrcX, SrcY, SrcW, SrcH, key, nullptr);
    }
    Bitmap->OnChange = saved;
    src->Unlock();
}

void PaintBitmapPartKeyed(TCanvas* Dest, const RECT& DstRect, TBitmap* Bitmap, const RECT& SrcRect, TColor KeyColor) {
    StretchBitmapKeyed(Dest, DstRect.left, DstRect.top, WidthOfRect(DstRect), HeightOfRect(DstRect), Bitmap,
                       SrcRect.left, SrcRect.top, WidthOfRect(SrcRect), HeightOfRect(SrcRect), KeyColor);
}

void PaintBitmapRectKeyed(TCanvas* Dest, int X, int Y, TBitmap* Bitmap, const RECT& SrcRect, TColor KeyColor) {
    PaintBitmapPartKeyed(Dest, RECT{X, Y, X + WidthOfRect(SrcRect), Y + HeightOfRect(SrcRect)}, Bitmap, SrcRect,
                         KeyColor);
}

void PaintBitmapKeyed(TCanvas* Dest, int X, int Y, TBitmap* Bitmap, TColor KeyColor) {
    if (!Bitmap) return;
    PaintBitmapRectKeyed(Dest, X, Y, Bitmap, RECT{0, 0, Bitmap->Width(), Bitmap->Height()}, KeyColor);
}

// Disabled glyphs

namespace {

// Takes the brush colour where the monochrome source is white (a marked pixel) and keeps
// the destination where it is black.
constexpr DWORD ROP_DSPDxax = 0x00E20746;

}  // namespace

TBitmap* MakeDisabledGlyph(TBitmap* Bitmap, TColor OutlineColor, TColor BackColor, TColor HighlightColor,
                           TColor ShadowColor, bool DrawHighlight) {
    auto* result = new TBitmap();
    if (!Bitmap || Bitmap->Empty()) return result;
    const int w = Bitmap->Width(), h = Bitmap->Height();
    result->SetSize(w, h);
    TCanvas* out = result->Canvas();
    out->Brush()->SetColor(BackColor);
    out->FillRect(RECT{0, 0, w, h});

    // The mask marks the outline pixels white (a monochrome source's white ones) and the
    // rest black.
    TBitmap mask;
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(w, h);
    HDC srcDC = Bitmap->Canvas()->Handle();
    if (Bitmap->PixelFormat() == pf1bit) {
        BitBlt(mask.Canvas()->Handle(), 0, 0, w, h, srcDC, 0, 0, SRCCOPY);
    } else {
        const COLORREF old = SetBkColor(srcDC, ColorToRGB(OutlineColor));
        BitBlt(mask.Canvas()->Handle(), 0, 0, w, h, srcDC, 0, 0, SRCCOPY);
        SetBkColor(srcDC, old);
    }
    HDC dst = out->Handle();
    const COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dst, RGB(255, 255, 255));
    if (DrawHighlight) {
        out->Brush()->SetColor(HighlightColor);
        HGDIOBJ old = SelectObject(dst, out->Brush()->Handle());
        BitBlt(dst, 1, 1, w - 1, h - 1, mask.Canvas()->Handle(), 0, 0, ROP_DSPDxax);
        SelectObject(dst, old);
    }
    out->Brush()->SetColor(ShadowColor);
    HGDIOBJ old = SelectObject(dst, out->Brush()->Handle());
    BitBlt(dst, 0, 0, w, h, mask.Canvas()->Handle(), 0, 0, ROP_DSPDxax);
    SelectObject(dst, old);
    SetTextColor(dst, oldText);
    SetBkColor(dst, oldBk);
    return result;
}

void DrawImageListDisabled(TCustomImageList* Images, TCanvas* Canvas, int X, int Y, int Index, bool Highlight,
                           TColor ShadowColor, TColor HighlightColor) {
    if (!Images || !Canvas || Index < 0 || Index >= Images->Count()) return;
    const int w = Images->Width(), h = Images->Height();
    // The mask: opaque pixels black on white.
    TBitmap mask;
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(w, h);
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(RECT{0, 0, w, h});
    Images->Draw(mask.Canvas(), 0, 0, Index, dsNormal, itMask);
    TBrush* brush = Canvas->Brush();
    const TColor saved = brush->Color();
    HDC dst = Canvas->Handle();
    const COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dst, RGB(255, 255, 255));
    // Takes the brush where the mask is black and keeps the canvas where it is white.
    constexpr DWORD ROP_PSDPxax = 0x00B8074A;
    auto paint = [&](int x, int y, TColor c) {
        brush->SetColor(c);
        HGDIOBJ old = SelectObject(dst, brush->Handle());
        BitBlt(dst, x, y, w, h, mask.Canvas()->Handle(), 0, 0, ROP_PSDPxax);
        SelectObject(dst, old);
    };
    if (Highlight) paint(X + 1, Y + 1, HighlightColor);
    paint(X, Y, ShadowColor);
    SetTextColor(dst, oldText);
    SetBkColor(dst, oldBk);
    brush->SetColor(saved);
}

TBitmap* MakeStandardDisabledGlyph(TBitmap* Bitmap, TColor OutlineColor) {
    return MakeDisabledGlyph(Bitmap, OutlineColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void ExtractBitmapCell(TGraphic* Source, TBitmap* Target, int Columns, int Index, int Rows) {
    if (!Source || !Target) return;
    if (Columns < 1) Columns = 1;
    if (Rows < 1) Rows = 1;
    if (Index < 0) Index = 0;
    const int cw = Source->Width() / Columns, ch = Source->Height() / Rows;
    Target->SetSize(cw, ch);
    if (cw <= 0 || ch <= 0) return;
    const int col = Index % Columns, row = Index / Columns;
    if (auto* bmp = qobject_cast<TBitmap*>(Source)) {
        BitBlt(Target->Canvas()->Handle(), 0, 0, cw, ch, bmp->Canvas()->Handle(), col * cw, row * ch, SRCCOPY);
        Target->SetTransparentColor(bmp->TransparentColor());
    } else {
        TCanvas* c = Target->Canvas();
        c->Brush()->SetColor(clSilver);
        c->FillRect(RECT{0, 0, cw, ch});
        Source->Draw(c, RECT{-col * cw, -row * ch, -col * cw + Source->Width(), -row * ch + Source->Height()});
    }
    Target->SetTransparent(Source->Transparent());
}

// The parent's picture under a control

namespace {

// Reaches the parent's own painting (without its children, among them the control).
class TParentPainter : public TWinControl {
public:
    static void PaintFace(TWinControl* Parent, HDC DC) { (Parent->*(&TParentPainter::PaintWindow))(DC); }
};

}  // namespace

void PaintParentImage(TControl* Control, TCanvas* Canvas) {
    if (!Control || !Canvas) return;
    TWinControl* parent = Control->Parent();
    if (!parent) return;
    HDC dc = Canvas->Handle();
    const RECT self = Control->BoundsRect();
    parent->ControlState |= csPaintCopy;
    const int saved = SaveDC(dc);
    POINT origin{};
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x - self.left, origin.y - self.top, nullptr);
    IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    TParentPainter::PaintFace(parent, dc);
    RestoreDC(dc, saved);
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c == Control) break;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        const RECT r = c->BoundsRect();
        RECT common{};
        if (!IntersectRect(&common, &r, &self)) continue;
        c->ControlState |= csPaintCopy;
        const int s = SaveDC(dc);
        SetViewportOrgEx(dc, origin.x + r.left - self.left, origin.y + r.top - self.top, nullptr);
        IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        RestoreDC(dc, s);
        c->ControlState &= ~csPaintCopy;
    }
    parent->ControlState &= ~csPaintCopy;
}

// Gradients

void FillGradient(TCanvas* Canvas, const RECT& Rect, TColor StartColor, TColor EndColor, int Colors,
                  TFillDirection Direction) {
    if (!Canvas || Rect.right <= Rect.left || Rect.bottom <= Rect.top) return;
    // Bands are filled with the canvas's brush; the caller's brush comes back afterwards.
    TBrush saved;
    saved.Assign(Canvas->Brush());
    auto fill = [Canvas](const RECT& r, COLORREF colour) {
        Canvas->Brush()->SetColor(static_cast<TColor>(colour));
        Canvas->FillRect(r);
    };
    struct Restore {
        TCanvas* Canvas;
        TBrush& Saved;
        ~Restore() { Canvas->Brush()->Assign(&Saved); }
    } restore{Canvas, saved};
    if (Colors < 2) {
        fill(Rect, ColorToRGB(StartColor));
        return;
    }
    const bool vertical = Direction == fdTopToBottom || Direction == fdBottomToTop;
    const bool reversed = Direction == fdBottomToTop || Direction == fdRightToLeft;
    const int extent = vertical ? HeightOfRect(Rect) : WidthOfRect(Rect);
    int n = std::min(Colors, extent);
    if (n < 2) n = 2;
    const int band = extent / n;
    const COLORREF first = ColorToRGB(reversed ? EndColor : StartColor);
    const COLORREF last = ColorToRGB(reversed ? StartColor : EndColor);
    const int r0 = GetRValue(first), g0 = GetGValue(first), b0 = GetBValue(first);
    const int dr = GetRValue(last) - r0, dg = GetGValue(last) - g0, db = GetBValue(last) - b0;
    auto channel = [n](int base, int diff, int i) {
        return base + static_cast<int>(std::nearbyint(static_cast<double>(diff) * i / (n - 1)));
    };
    auto bandRect = [&](int from, int to) {
        return vertical ? RECT{Rect.left, Rect.top + from, Rect.right, Rect.top + to}
                        : RECT{Rect.left + from, Rect.top, Rect.left + to, Rect.bottom};
    };
    TColor lastBand = static_cast<TColor>(first);
    if (band > 0) {
        for (int i = 0; i < n; ++i) {
            lastBand = static_cast<TColor>(RGB(static_cast<BYTE>(channel(r0, dr, i)), static_cast<BYTE>(channel(g0, dg, i)),
                                                static_cast<BYTE>(channel(b0, db, i))));
            fill(bandRect(i * band, (i + 1) * band), static_cast<COLORREF>(lastBand));
        }
    } else {
        lastBand = static_cast<TColor>(last);
    }
    if (extent % n != 0 || band == 0) {
        fill(bandRect(band * n, extent), static_cast<COLORREF>(lastBand));
    }
}

// Text

namespace {

// Start of the UTF-8 character that ends before `end`.
std::size_t PrevCharStart(const String& s, std::size_t end) {
    if (end == 0) return 0;
    std::size_t i = end - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    return i;
}

}  // namespace

String ShortenTextToWidth(const String& Text, TCanvas* Canvas, int Width) {
    if (!Canvas || Canvas->TextWidth(Text) <= Width) return Text;
    // Characters are whole UTF-8 sequences; the cut never falls inside one.
    std::size_t end = PrevCharStart(Text, Text.size());
    while (end > 0) {
        end = PrevCharStart(Text, end);
        const String candidate = Text.substr(0, end) + "...";
        if (Canvas->TextWidth(candidate) <= Width) return candidate;
    }
    return "...";
}

int WordCountOf(const String& S, const TCharSet& Delims) {
    int count = 0;
    bool inWord = false;
    for (char c : S) {
        const bool delim = Delims.count(c) != 0;
        if (!delim && !inWord) ++count;
        inWord = !delim;
    }
    return count;
}

int WordStart(int N, const String& S, const TCharSet& Delims) {
    int count = 0;
    bool inWord = false;
    for (std::size_t i = 0; i < S.size(); ++i) {
        const bool delim = Delims.count(S[i]) != 0;
        if (!delim && !inWord && ++count == N) return static_cast<int>(i) + 1;
        inWord = !delim;
    }
    return 0;
}

String NthWord(int N, const String& S, const TCharSet& Delims) {
    const int start = WordStart(N, S, Delims);
    if (start == 0) return String();
    std::size_t end = static_cast<std::size_t>(start - 1);
    while (end < S.size() && Delims.count(S[end]) == 0) ++end;
    return S.substr(static_cast<std::size_t>(start - 1), end - static_cast<std::size_t>(start - 1));
}

String ReplaceAll(const String& S, const String& Search, const String& Replacement) {
    if (Search.empty()) return S;
    String out;
    std::size_t from = 0;
    for (std::size_t at; (at = S.find(Search, from)) != String::npos; from = at + Search.size())
        out += S.substr(from, at - from) + Replacement;
    return out + S.substr(from);
}

String ScrambleText(const String& Key, const String& Text) {
    static const char digits[] = "0123456789abcdef";
    String out;
    out.reserve(Text.size() * 2);
    for (std::size_t i = 0; i < Text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(Text[i]);
        if (!Key.empty()) c ^= static_cast<unsigned char>(Key[i % Key.size()]);
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

String UnscrambleText(const String& Key, const String& Text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    String out;
    for (std::size_t i = 0; i + 1 < Text.size(); i += 2) {
        const int hi = hex(Text[i]), lo = hex(Text[i + 1]);
        unsigned char c = hi < 0 || lo < 0 ? 32 : static_cast<unsigned char>(hi * 16 + lo);
        const std::size_t index = i / 2;
        if (!Key.empty()) c ^= static_cast<unsigned char>(Key[index % Key.size()]);
        out += static_cast<char>(c);
    }
    return out;
}

// Cursors

namespace {

// 16 x 16 cursor pictures: '#' black, '.' white, blank transparent.
const char* const HandCursor[16] = {
    "     ##         ", "    #..#        ", "    #..#        ", "    #..#        ", "    #..###      ",
    "    #..#..###   ", "    #..#..#..## ", " ## #..#..#..#.#", "#..##........#.#", "#...#..........#",
    " #............# ", "  #...........# ", "  #..........#  ", "   #.........#  ", "    #.......#   ",
    "    #########   "};
const char* const DragCursor[16] = {
    "#               ", "##              ", "#.#             ", "#..#            ", "#...#           ",
    "#....#          ", "#.....#         ", "#......#        ", "#....####       ", "#.#..#          ",
    "##  #..# ###### ", "     #..##....# ", "      ## #....# ", "         #....# ", "         ###### ",
    "                "};

HCURSOR CursorOf(const char* const rows[16], int hotX, int hotY) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16 && rows[y][x]; ++x) {
            if (rows[y][x] == '#') img.setPixel(x, y, 0xFF000000u);
            else if (rows[y][x] == '.') img.setPixel(x, y, 0xFFFFFFFFu);
        }
    return platform::cursorFromQt(QCursor(QPixmap::fromImage(img), hotX, hotY));
}

}  // namespace

void InitKitCursors() {
    static bool done = false;
    if (done || !Screen) return;
    done = true;
    Screen->SetCursors(crKitHand, CursorOf(HandCursor, 5, 0));
    Screen->SetCursors(crKitDrag, CursorOf(DragCursor, 0, 0));
}
