// Graphics objects over the graphics device interface.
#include "classlib/Graphics.h"
#include "platform/codepage.h"
#include "platform/winicon.h"

#include <QFile>
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

const ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"}, {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"}, {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"}, {clInfoBk, "clInfoBk"}, {clNone, "clNone"}, {clDefault, "clDefault"},
};

int ropOf(TPenMode m) {
    static const int kRops[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                                R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,
                                R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN};
    return kRops[static_cast<int>(m)];
}

}  // namespace

COLORREF ColorToRGB(TColor color) {
    const auto u = static_cast<unsigned>(color);
    if (u & 0x80000000u) return GetSysColor(static_cast<int>(u & 0xFF));
    return static_cast<COLORREF>(u & 0x00FFFFFFu);
}

String ColorToString(TColor color) {
    for (const ColorName& c : kColorNames)
        if (c.color == color) return c.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%.8X", static_cast<unsigned>(color));
    return buf;
}

bool IdentToColor(const String& ident, TColor& color) {
    for (const ColorName& c : kColorNames)
        if (QString::fromStdString(ident).compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            color = c.color;
            return true;
        }
    return false;
}

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

void TGraphicsObject::FreeingHandle() {
    if (OnFreeingHandle) OnFreeingHandle(this);
}

// TFont

void RegisterGraphicsIdents() {
    static const bool done = [] {
        TIdentMap colors;
        for (const ColorName& c : kColorNames) colors.push_back({c.color, c.name});
        RegisterIdentMap("TColor", std::move(colors));
        RegisterIdentMap("TFontCharset", {{0, "ANSI_CHARSET"},        {1, "DEFAULT_CHARSET"},   {2, "SYMBOL_CHARSET"},
                                          {77, "MAC_CHARSET"},        {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
                                          {130, "JOHAB_CHARSET"},     {134, "GB2312_CHARSET"},  {136, "CHINESEBIG5_CHARSET"},
                                          {161, "GREEK_CHARSET"},     {162, "TURKISH_CHARSET"}, {163, "VIETNAMESE_CHARSET"},
                                          {177, "HEBREW_CHARSET"},    {178, "ARABIC_CHARSET"},  {186, "BALTIC_CHARSET"},
                                          {204, "RUSSIAN_CHARSET"},   {222, "THAI_CHARSET"},    {238, "EASTEUROPE_CHARSET"},
                                          {255, "OEM_CHARSET"}});
        return true;
    }();
    (void)done;
}

TFont::TFont() { RegisterGraphicsIdents(); }
TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
    if (!FHandle) return;
    FreeingHandle();
    DeleteObject(FHandle);
    FHandle = nullptr;
}

void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (f == this) return;
        FreeHandle();
        FCharset = f->FCharset;
        FColor = f->FColor;
        FHeight = f->FHeight;
        FName = f->FName;
        FPitch = f->FPitch;
        FStyle = f->FStyle;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

HFONT TFont::Handle() {
    if (!FHandle) {
        LOGFONTA lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
        lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = static_cast<BYTE>(FCharset);
        lf.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
        std::strncpy(lf.lfFaceName, FName.c_str(), sizeof(lf.lfFaceName) - 1);
        FHandle = CreateFontIndirectA(&lf);
    }
    return FHandle;
}

void TFont::SetCharset(int v) {
    if (FCharset == v) return;
    FreeHandle();
    FCharset = v;
    Changed();
}

void TFont::SetColor(TColor v) {
    if (FColor == v) return;
    FColor = v;
    Changed();
}

void TFont::SetHeight(int v) {
    if (FHeight == v) return;
    FreeHandle();
    FHeight = v;
    Changed();
}

void TFont::SetName(const String& v) {
    if (FName == v || v.empty()) return;
    FreeHandle();
    FName = v;
    Changed();
}

void TFont::SetPitch(TFontPitch v) {
    if (FPitch == v) return;
    FreeHandle();
    FPitch = v;
    Changed();
}

int TFont::Size() const {
    // Points from the character height in pixels, rounded half to even.
    return static_cast<int>(std::nearbyint(-static_cast<double>(FHeight) * 72.0 / PixelsPerInch));
}

void TFont::SetSize(int v) { SetHeight(-static_cast<int>(std::nearbyint(static_cast<double>(v) * PixelsPerInch / 72.0))); }

void TFont::SetStyle(TFontStyles v) {
    if (FStyle == v) return;
    FreeHandle();
    FStyle = v;
    Changed();
}

// TPen

TPen::TPen() = default;
TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle() {
    if (!FHandle) return;
    FreeingHandle();
    DeleteObject(FHandle);
    FHandle = nullptr;
}

void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        FreeHandle();
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

HPEN TPen::Handle() {
    if (!FHandle) {
        static const int kStyles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        FHandle = CreatePen(kStyles[FStyle], FWidth, ColorToRGB(FColor));
    }
    return FHandle;
}

void TPen::SetColor(TColor v) {
    if (FColor == v) return;
    FreeHandle();
    FColor = v;
    Changed();
}

void TPen::SetWidth(int v) {
    if (FWidth == v || v < 0) return;
    FreeHandle();
    FWidth = v;
    Changed();
}

void TPen::SetStyle(TPenStyle v) {
    if (FStyle == v) return;
    FreeHandle();
    FStyle = v;
    Changed();
}

void TPen::SetMode(TPenMode v) {
    if (FMode == v) return;
    FMode = v;
    Changed();
}

// TBrush

TBrush::TBrush() = default;
TBrush::~TBrush() { FreeHandle(); }

void TBrush::FreeHandle() {
    if (!FHandle) return;
    FreeingHandle();
    DeleteObject(FHandle);
    FHandle = nullptr;
}

void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        FreeHandle();
        FColor = b->FColor;
        FStyle = b->FStyle;
        Changed();
        return;
    }
    TGraphicsObject::Assign(Source);
}

HBRUSH TBrush::Handle() {
    if (!FHandle) {
        LOGBRUSH lb{};
        lb.lbColor = ColorToRGB(FColor);
        switch (FStyle) {
        case bsSolid: lb.lbStyle = BS_SOLID; break;
        case bsClear: lb.lbStyle = BS_NULL; break;
        default:
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = static_cast<ULONG_PTR>(FStyle - bsHorizontal);
            break;
        }
        FHandle = CreateBrushIndirect(&lb);
    }
    return FHandle;
}

void TBrush::SetColor(TColor v) {
    if (FColor == v) return;
    FreeHandle();
    FColor = v;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle v) {
    if (FStyle == v) return;
    FreeHandle();
    FStyle = v;
    Changed();
}

// TCanvas

TCanvas::TCanvas() : FPen(new TPen), FBrush(new TBrush), FFont(new TFont) {
    // A changed object is selected again before the next drawing call.
    FPen->OnChange = TNotifyEvent([this](TObject*) { FSelectedPen = nullptr; });
    FBrush->OnChange = TNotifyEvent([this](TObject*) { FSelectedBrush = nullptr; });
    FFont->OnChange = TNotifyEvent([this](TObject*) { FSelectedFont = nullptr; });
    // A handle about to be deleted leaves the device context first: the one the context held
    // before goes back in, so the deletion is not refused and nothing is left behind.
    auto selectOut = [this](HGDIOBJ& old, auto& selected) {
        if (FHandle && old) SelectObject(FHandle, old);
        old = nullptr;
        selected = nullptr;
    };
    FPen->OnFreeingHandle = TNotifyEvent([this, selectOut](TObject*) { selectOut(FOldPen, FSelectedPen); });
    FBrush->OnFreeingHandle = TNotifyEvent([this, selectOut](TObject*) { selectOut(FOldBrush, FSelectedBrush); });
    FFont->OnFreeingHandle = TNotifyEvent([this, selectOut](TObject*) { selectOut(FOldFont, FSelectedFont); });
}

TCanvas::~TCanvas() {
    SetHandle(nullptr);
    delete FPen;
    delete FBrush;
    delete FFont;
}

HDC TCanvas::Handle() {
    if (!FHandle) CreateHandle();
    return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
    if (FHandle == dc) return;
    if (FHandle) Deselect();
    FHandle = dc;
}

void TCanvas::Deselect() {
    if (FOldPen) SelectObject(FHandle, FOldPen);
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
    if (FOldFont) SelectObject(FHandle, FOldFont);
    FOldPen = FOldBrush = FOldFont = nullptr;
    FSelectedPen = nullptr;
    FSelectedBrush = nullptr;
    FSelectedFont = nullptr;
}

void TCanvas::Select() {
    HDC dc = FHandle;
    const HPEN pen = FPen->Handle();
    if (pen != FSelectedPen) {
        HGDIOBJ old = SelectObject(dc, pen);
        if (!FOldPen) FOldPen = old;
        FSelectedPen = pen;
    }
    SetROP2(dc, ropOf(FPen->Mode()));
    const HBRUSH brush = FBrush->Handle();
    if (brush != FSelectedBrush) {
        HGDIOBJ old = SelectObject(dc, brush);
        if (!FOldBrush) FOldBrush = old;
        FSelectedBrush = brush;
    }
    const HFONT font = FFont->Handle();
    if (font != FSelectedFont) {
        HGDIOBJ old = SelectObject(dc, font);
        if (!FOldFont) FOldFont = old;
        FSelectedFont = font;
    }
    SetTextColor(dc, ColorToRGB(FFont->Color()));
    SetBkColor(dc, ColorToRGB(FBrush->Color()));
    SetBkMode(dc, FBrush->Style() == bsClear ? TRANSPARENT : OPAQUE);
}

void TCanvas::RequiredState() {
    if (!Handle()) throw EInvalidOperation("Canvas does not allow drawing");
    Select();
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TColor TCanvas::Pixel(int x, int y) {
    RequiredState();
    return static_cast<TColor>(GetPixel(FHandle, x, y));
}

void TCanvas::SetPixel(int x, int y, TColor c) {
    RequiredState();
    Changing();
    ::SetPixel(FHandle, x, y, ColorToRGB(c));
    Changed();
}

POINT TCanvas::PenPos() {
    RequiredState();
    POINT p{};
    MoveToEx(FHandle, 0, 0, &p);
    MoveToEx(FHandle, p.x, p.y, nullptr);
    return p;
}

void TCanvas::MoveTo(int x, int y) {
    RequiredState();
    MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    RequiredState();
    Changing();
    ::LineTo(FHandle, x, y);
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    RequiredState();
    Changing();
    ::Rectangle(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::FillRect(const RECT& r) {
    RequiredState();
    Changing();
    ::FillRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& r) {
    RequiredState();
    Changing();
    ::FrameRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    RequiredState();
    Changing();
    ::Ellipse(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::Polygon(const std::vector<POINT>& points) {
    if (points.empty()) return;
    RequiredState();
    Changing();
    ::Polygon(FHandle, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::Polyline(const std::vector<POINT>& points) {
    if (points.empty()) return;
    RequiredState();
    Changing();
    ::Polyline(FHandle, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::TextOut(int x, int y, const String& text) {
    RequiredState();
    Changing();
    if (TextFlags == 0) {
        TextOutA(FHandle, x, y, text.c_str(), static_cast<int>(text.size()));
    } else {
        const std::u16string wide = platform::ansiToWide(text);
        ExtTextOutW(FHandle, x, y, TextFlags, nullptr, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
    }
    Changed();
}

void TCanvas::TextRect(const RECT& r, int x, int y, const String& text) {
    RequiredState();
    Changing();
    const int saved = SaveDC(FHandle);
    IntersectClipRect(FHandle, r.left, r.top, r.right, r.bottom);
    if (FBrush->Style() != bsClear) ::FillRect(FHandle, &r, FBrush->Handle());
    TextOutA(FHandle, x, y, text.c_str(), static_cast<int>(text.size()));
    RestoreDC(FHandle, saved);
    Changed();
}

SIZE TCanvas::TextExtent(const String& text) {
    RequiredState();
    SIZE s{0, 0};
    GetTextExtentPoint32A(FHandle, text.c_str(), static_cast<int>(text.size()), &s);
    return s;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    RequiredState();
    graphic->Draw(this, RECT{x, y, x + graphic->Width(), y + graphic->Height()});
}

void TCanvas::StretchDraw(const RECT& r, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    RequiredState();
    graphic->Draw(this, r);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* source, const RECT& src) {
    if (!source) return;
    RequiredState();
    source->RequiredState();
    Changing();
    StretchBlt(FHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source->FHandle,
               src.left, src.top, src.right - src.left, src.bottom - src.top, CopyMode);
    Changed();
}

void TCanvas::BrushCopy(const RECT& dest, TBitmap* bitmap, const RECT& src, TColor transparent) {
    if (!bitmap || bitmap->Empty()) return;
    RequiredState();
    Changing();
    // Pixels of other colours than the transparent one are copied one by one.
    TCanvas* sc = bitmap->Canvas();
    const COLORREF key = ColorToRGB(transparent);
    const int w = dest.right - dest.left;
    const int h = dest.bottom - dest.top;
    const int sw = src.right - src.left;
    const int sh = src.bottom - src.top;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    HDC sdc = sc->Handle();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = GetPixel(sdc, src.left + x * sw / w, src.top + y * sh / h);
            if (c != key && c != CLR_INVALID) ::SetPixel(FHandle, dest.left + x, dest.top + y, c);
        }
    Changed();
}

// TGraphic

void TGraphic::LoadFromFile(const String& fileName) {
    TFileStream s(fileName, fmOpenRead);
    LoadFromStream(&s);
}

void TGraphic::SaveToFile(const String& fileName) {
    SaveFileSafely(fileName, [this](TStream* s) { SaveToStream(s); });
}

void TGraphic::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    Changed();
}

bool TGraphic::Equals(TGraphic* graphic) {
    if (!graphic) return Empty();
    if (graphic == this) return true;
    if (std::strcmp(metaObject()->className(), graphic->metaObject()->className()) != 0) return false;
    if (Empty() || graphic->Empty()) return Empty() && graphic->Empty();
    TMemoryStream a, b;
    SaveToStream(&a);
    graphic->SaveToStream(&b);
    return a.Size() == b.Size() && std::memcmp(a.Memory(), b.Memory(), static_cast<std::size_t>(a.Size())) == 0;
}

void TGraphic::DefineProperties(TFiler* filer) {
    TPersistent::DefineProperties(filer);
    filer->DefineBinaryProperty("Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); },
                                !Empty());
}

void TGraphic::ReadData(TStream* stream) {
    std::int32_t size = 0;
    stream->ReadBuffer(&size, 4);
    if (size < 0 || size > stream->Size() - stream->Position()) throw EInvalidGraphic("Bitmap image is not valid");
    TMemoryStream data;
    if (size > 0) data.CopyFrom(stream, size);
    data.SetPosition(0);
    if (size > 0) LoadFromStream(&data);
}

void TGraphic::WriteData(TStream* stream) {
    TMemoryStream data;
    SaveToStream(&data);
    const auto size = static_cast<std::int32_t>(data.Size());
    stream->WriteBuffer(&size, 4);
    data.SetPosition(0);
    if (size > 0) stream->CopyFrom(&data, size);
}

// TBitmap

namespace {
int bitsOf(TPixelFormat f) {
    switch (f) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
    }
}
TPixelFormat formatOf(int bits) {
    switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf16bit;
    case 32: return pf32bit;
    default: return pf24bit;
    }
}
std::size_t rowBytes(int width, int bits) { return static_cast<std::size_t>(((width * bits + 31) / 32) * 4); }
}  // namespace

std::vector<BYTE> NewDibInfo(int width, int height, int bitCount) {
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + (bitCount <= 8 ? (std::size_t(1) << bitCount) * sizeof(RGBQUAD) : 0), 0);
    auto& h = reinterpret_cast<BITMAPINFO*>(info.data())->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    return info;
}

HPALETTE CreatePaletteOf(const RGBQUAD* colors, int count) {
    count = std::clamp(count, 0, 256);
    std::vector<BYTE> block(sizeof(LOGPALETTE) + static_cast<std::size_t>(count) * sizeof(PALETTEENTRY), 0);
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(count);
    auto* entries = reinterpret_cast<PALETTEENTRY*>(block.data() + offsetof(LOGPALETTE, palPalEntry));
    for (int i = 0; i < count; ++i) entries[i] = PALETTEENTRY{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
    return CreatePalette(lp);
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    delete FCanvas;
    FCanvas = nullptr;
    FreeImage();
}

void TBitmap::FreeImage() {
    if (FPalette) DeleteObject(FPalette);
    FPalette = nullptr;
    if (FCanvas) FCanvas->SetHandle(nullptr);
    if (FDC) {
        if (FOldBitmap) SelectObject(FDC, FOldBitmap);
        DeleteDC(FDC);
        FDC = nullptr;
        FOldBitmap = nullptr;
    }
    if (FHandle) DeleteObject(FHandle);
    FHandle = nullptr;
}

void TBitmap::NewBitmap() {
    FreeImage();
    if (FWidth <= 0 || FHeight <= 0) return;
    // A white picture of the chosen depth (1, 4 and 8 bits with a grey scale palette).
    const int bits = bitsOf(FPixelFormat);
    std::vector<BYTE> info = NewDibInfo(FWidth, FHeight, bits);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    if (bits <= 8) {
        const int n = 1 << bits;
        auto* pal = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
        for (int i = 0; i < n; ++i) {
            const auto v = static_cast<BYTE>(n == 1 ? 0 : i * 255 / (n - 1));
            pal[i] = RGBQUAD{v, v, v, 0};
        }
    }
    std::vector<BYTE> pixels(rowBytes(FWidth, bits) * static_cast<std::size_t>(FHeight), 0xFF);
    WriteDib(bi, pixels.data());
}

void TBitmap::SetSize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (w == FWidth && h == FHeight && (FHandle || w == 0 || h == 0)) return;
    FWidth = w;
    FHeight = h;
    NewBitmap();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat f) {
    if (f == FPixelFormat) return;
    std::vector<BYTE> info, bits;
    const bool had = FHandle && ReadDib(info, bits);
    FPixelFormat = f;
    if (!had) {
        NewBitmap();
        return;
    }
    // Keep the picture: read it back at the new depth through a 24-bit copy.
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    std::vector<BYTE> i2;
    std::vector<BYTE> b2;
    HBITMAP old = FHandle;
    HDC dc = GetDC(nullptr);
    const int nb = bitsOf(f);
    i2.assign(sizeof(BITMAPINFOHEADER) + (nb <= 8 ? (1u << nb) * sizeof(RGBQUAD) : 0), 0);
    auto* h2 = reinterpret_cast<BITMAPINFO*>(i2.data());
    h2->bmiHeader = bi->bmiHeader;
    h2->bmiHeader.biBitCount = static_cast<WORD>(nb);
    h2->bmiHeader.biClrUsed = 0;
    h2->bmiHeader.biSizeImage = 0;
    b2.assign(rowBytes(FWidth, nb) * static_cast<std::size_t>(FHeight), 0);
    if (FDC && FOldBitmap) SelectObject(FDC, FOldBitmap);
    GetDIBits(dc, old, 0, static_cast<UINT>(FHeight), b2.data(), h2, DIB_RGB_COLORS);
    if (FDC && FOldBitmap) SelectObject(FDC, old);
    ReleaseDC(nullptr, dc);
    WriteDib(h2, b2.data());
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) FCanvas = new TCanvas;
    if (!FDC) {
        FDC = CreateCompatibleDC(nullptr);
        if (FHandle) FOldBitmap = SelectObject(FDC, FHandle);
    }
    FCanvas->SetHandle(FDC);
    return FCanvas;
}

HBITMAP TBitmap::Handle() { return FHandle; }

void TBitmap::SetHandle(HBITMAP bitmap) {
    FreeImage();
    FHandle = bitmap;
    FWidth = FHeight = 0;
    if (bitmap) {
        BITMAP bm{};
        if (GetObjectA(bitmap, sizeof bm, &bm)) {
            FWidth = bm.bmWidth;
            FHeight = bm.bmHeight;
            FPixelFormat = formatOf(bm.bmBitsPixel);
        }
    }
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    if (FCanvas) FCanvas->SetHandle(nullptr);
    if (FDC) {
        if (FOldBitmap) SelectObject(FDC, FOldBitmap);
        DeleteDC(FDC);
        FDC = nullptr;
        FOldBitmap = nullptr;
    }
    HBITMAP h = FHandle;
    FHandle = nullptr;
    FWidth = FHeight = 0;
    return h;
}

TColor TBitmap::TransparentColor() {
    if (FTransparentColor != clDefault) return FTransparentColor;
    if (Empty()) return clDefault;
    // The colour of the bottom-left pixel.
    return static_cast<TColor>(GetPixel(Canvas()->Handle(), 0, FHeight - 1) & 0xFFFFFF);
}

void TBitmap::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        if (b == this) return;
        std::vector<BYTE> info, bits;
        FPixelFormat = b->FPixelFormat;
        if (b->FHandle && b->ReadDib(info, bits)) {
            WriteDib(reinterpret_cast<BITMAPINFO*>(info.data()), bits.data());
        } else {
            FreeImage();
            FWidth = b->FWidth;
            FHeight = b->FHeight;
            NewBitmap();
        }
        FTransparent = b->FTransparent;
        FTransparentColor = b->FTransparentColor;
        Changed();
        return;
    }
    if (!Source) {
        FreeImage();
        FWidth = FHeight = 0;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::AssignFromGraphic(TGraphic* graphic) {
    FreeImage();
    FPixelFormat = pf24bit;
    FWidth = graphic->Width();
    FHeight = graphic->Height();
    NewBitmap();
    if (FHandle) {
        TCanvas* c = Canvas();
        c->FillRect(RECT{0, 0, FWidth, FHeight});
        c->Draw(0, 0, graphic);
    }
    Changed();
}

HPALETTE TBitmap::Palette() {
    if (FPalette || !FHandle || bitsOf(FPixelFormat) > 8) return FPalette;
    std::vector<BYTE> info, bits;
    if (!ReadDib(info, bits)) return nullptr;
    const auto* table = reinterpret_cast<const RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    FPalette = CreatePaletteOf(table, 1 << bitsOf(FPixelFormat));
    return FPalette;
}

void TBitmap::Draw(TCanvas* canvas, const RECT& r) {
    if (Empty() || !canvas) return;
    TCanvas* src = Canvas();
    if (FTransparent) {
        canvas->BrushCopy(r, this, RECT{0, 0, FWidth, FHeight}, TransparentColor());
        return;
    }
    StretchBlt(canvas->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, src->Handle(), 0, 0, FWidth,
               FHeight, canvas->CopyMode);
}

bool TBitmap::ReadDib(std::vector<BYTE>& info, std::vector<BYTE>& bits) {
    if (!FHandle || FWidth <= 0 || FHeight <= 0) return false;
    const int nb = bitsOf(FPixelFormat);
    info = NewDibInfo(FWidth, FHeight, nb == 16 ? 24 : nb);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bits.assign(rowBytes(FWidth, bi->bmiHeader.biBitCount) * static_cast<std::size_t>(FHeight), 0);
    HDC dc = GetDC(nullptr);
    if (FDC && FOldBitmap) SelectObject(FDC, FOldBitmap);
    const int n = GetDIBits(dc, FHandle, 0, static_cast<UINT>(FHeight), bits.data(), bi, DIB_RGB_COLORS);
    if (FDC && FOldBitmap) SelectObject(FDC, FHandle);
    ReleaseDC(nullptr, dc);
    return n > 0;
}

void TBitmap::WriteDib(const BITMAPINFO* info, const void* bits) {
    FreeImage();
    const auto& h = info->bmiHeader;
    FWidth = h.biWidth;
    FHeight = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    FPixelFormat = formatOf(h.biBitCount);
    void* dibBits = nullptr;
    HDC dc = GetDC(nullptr);
    FHandle = CreateDIBSection(dc, info, DIB_RGB_COLORS, &dibBits, nullptr, 0);
    if (FHandle && bits) SetDIBits(dc, FHandle, 0, static_cast<UINT>(FHeight), bits, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (FCanvas) {
        FDC = CreateCompatibleDC(nullptr);
        FOldBitmap = SelectObject(FDC, FHandle);
        FCanvas->SetHandle(FDC);
    }
}

void TBitmap::LoadFromStream(TStream* stream) {
    // Header, colour table and rows are checked against the stream's real size.
    const std::int64_t start = stream->Position();
    const std::int64_t avail = stream->Size() - start;
    BITMAPFILEHEADER fh{};
    if (avail < static_cast<std::int64_t>(sizeof fh + sizeof(BITMAPINFOHEADER)))
        throw EInvalidGraphic("Bitmap image is not valid");
    stream->ReadBuffer(&fh, sizeof fh);
    if (fh.bfType != 0x4D42) throw EInvalidGraphic("Bitmap image is not valid");
    DWORD headerSize = 0;
    stream->ReadBuffer(&headerSize, sizeof headerSize);
    stream->SetPosition(stream->Position() - static_cast<std::int64_t>(sizeof headerSize));
    BITMAPINFOHEADER ih{};
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER ch{};
        stream->ReadBuffer(&ch, sizeof ch);
        ih.biSize = sizeof ih;
        ih.biWidth = ch.bcWidth;
        ih.biHeight = ch.bcHeight;
        ih.biPlanes = 1;
        ih.biBitCount = ch.bcBitCount;
    } else if (headerSize >= sizeof(BITMAPINFOHEADER) && headerSize <= 256) {
        stream->ReadBuffer(&ih, sizeof ih);
        stream->SetPosition(stream->Position() + static_cast<std::int64_t>(headerSize - sizeof ih));
    } else {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    const int bits = ih.biBitCount;
    const int width = ih.biWidth;
    const int height = ih.biHeight < 0 ? -ih.biHeight : ih.biHeight;
    if ((bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) || ih.biCompression != BI_RGB ||
        width <= 0 || height <= 0 || width > 65535 || height > 65535)
        throw EInvalidGraphic("Bitmap image is not valid");
    const std::size_t colours =
        bits <= 8 ? (ih.biClrUsed && ih.biClrUsed < (1u << bits) ? ih.biClrUsed : (1u << bits)) : 0;
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + (bits <= 8 ? (1u << bits) : 0) * sizeof(RGBQUAD), 0);
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader = ih;
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi->bmiHeader.biClrUsed = 0;
    auto* pal = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    for (std::size_t i = 0; i < colours; ++i) {
        if (headerSize == sizeof(BITMAPCOREHEADER)) {
            RGBTRIPLE t{};
            stream->ReadBuffer(&t, sizeof t);
            pal[i] = RGBQUAD{t.rgbtBlue, t.rgbtGreen, t.rgbtRed, 0};
        } else {
            stream->ReadBuffer(&pal[i], sizeof(RGBQUAD));
        }
    }
    const std::size_t size = rowBytes(width, bits) * static_cast<std::size_t>(height);
    if (fh.bfOffBits) stream->SetPosition(start + fh.bfOffBits);
    if (stream->Size() - stream->Position() < static_cast<std::int64_t>(size))
        throw EInvalidGraphic("Bitmap image is not valid");
    std::vector<BYTE> pixels(size);
    stream->ReadBuffer(pixels.data(), static_cast<std::int64_t>(size));
    WriteDib(bi, pixels.data());
    Changed();
}

void TBitmap::SaveToStream(TStream* stream) {
    std::vector<BYTE> info, bits;
    if (!ReadDib(info, bits)) return;
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader.biSizeImage = static_cast<DWORD>(bits.size());
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = static_cast<DWORD>(sizeof fh + info.size());
    fh.bfSize = static_cast<DWORD>(fh.bfOffBits + bits.size());
    stream->WriteBuffer(&fh, sizeof fh);
    stream->WriteBuffer(info.data(), static_cast<std::int64_t>(info.size()));
    stream->WriteBuffer(bits.data(), static_cast<std::int64_t>(bits.size()));
}

void TBitmap::LoadFromResourceName(HINSTANCE, const String& name) {
    QFile f(QStringLiteral(":/bitmaps/") + QString::fromStdString(name) + QStringLiteral(".bmp"));
    if (!f.open(QIODevice::ReadOnly)) throw EResNotFound("Resource " + name + " not found");
    const QByteArray data = f.readAll();
    TMemoryStream s;
    s.WriteBuffer(data.constData(), data.size());
    s.SetPosition(0);
    LoadFromStream(&s);
}

// Icon directories

namespace {

WORD word16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD dword32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

}  // namespace

bool ReadIconDirectory(const BYTE* data, std::size_t size, WORD& type, std::vector<TIconDirEntry>& entries) {
    entries.clear();
    if (!data || size < 6 || word16(data) != 0) return false;
    type = word16(data + 2);
    const std::size_t count = word16(data + 4);
    if ((type != 1 && type != 2) || count == 0 || 6 + count * 16 > size) return false;
    const std::size_t directoryEnd = 6 + count * 16;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* d = data + 6 + i * 16;
        TIconDirEntry e;
        e.Width = d[0] ? d[0] : 256;
        e.Height = d[1] ? d[1] : 256;
        e.ColorCount = d[2];
        e.Planes = word16(d + 4);
        e.BitCount = word16(d + 6);
        e.Size = dword32(d + 8);
        e.Offset = dword32(d + 12);
        if (e.Offset < directoryEnd || e.Size < 8 || e.Offset > size || e.Size > size - e.Offset) {
            entries.clear();
            return false;
        }
        entries.push_back(e);
    }
    return true;
}

int IconImageBitCount(const BYTE* data, std::size_t size, const TIconDirEntry& entry) {
    if (!data || entry.Offset > size || entry.Size > size - entry.Offset) return 0;
    const BYTE* image = data + entry.Offset;
    static const BYTE png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (entry.Size >= 26 && std::memcmp(image, png, 8) == 0) {
        // IHDR: bit depth at 24, colour type at 25; only palette images have a colour count.
        const int depth = image[24];
        const int colourType = image[25];
        return colourType == 3 ? depth : depth * (colourType == 2 ? 3 : colourType == 6 ? 4 : 1);
    }
    if (entry.Size >= 16 && dword32(image) >= 12) return word16(image + (dword32(image) == 12 ? 10 : 14));
    return 0;
}

// TIcon

TIcon::TIcon() { FTransparent = true; }
TIcon::~TIcon() = default;

void TIcon::Clear() {
    FData.clear();
    FImage = QImage();
    Changed();
}

void TIcon::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* i = dynamic_cast<TIcon*>(Source)) {
        if (i == this) return;
        FData = i->FData;
        FImage = i->FImage;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::AssignTo(TPersistent* Dest) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        if (Empty()) b->Assign(nullptr);
        else b->AssignFromGraphic(this);
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::LoadFromStream(TStream* stream) {
    const Int64 avail = stream->Size() - stream->Position();
    if (avail <= 0) throw EInvalidGraphic(SInvalidIcon);
    std::vector<BYTE> bytes(static_cast<std::size_t>(avail));
    stream->ReadBuffer(bytes.data(), avail);
    LoadFromData(bytes.data(), bytes.size());
}

void TIcon::LoadFromData(const BYTE* data, std::size_t size) {
    WORD type = 0;
    std::vector<TIconDirEntry> entries;
    if (!ReadIconDirectory(data, size, type, entries)) throw EInvalidGraphic(SInvalidIcon);
    // The image closest to 32 x 32, then the one with the most colours, then the first.
    int best = 0;
    auto rank = [&](int i) {
        const TIconDirEntry& e = entries[static_cast<std::size_t>(i)];
        return std::make_pair(-std::abs(e.Width - 32) - std::abs(e.Height - 32), IconImageBitCount(data, size, e));
    };
    for (int i = 1; i < static_cast<int>(entries.size()); ++i)
        if (rank(i) > rank(best)) best = i;
    // The image reader knows icon files only: a cursor is read as an icon, its hot spot
    // words replaced by plane and bit counts.
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (type == 2) {
        bytes[2] = 1;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const int bitCount = IconImageBitCount(data, size, entries[i]);
            char* d = bytes.data() + 6 + i * 16;
            d[4] = 1;
            d[5] = 0;
            d[6] = static_cast<char>(bitCount & 0xFF);
            d[7] = static_cast<char>(bitCount >> 8);
        }
    }
    QImage image;
    const TIconDirEntry& chosen = entries[static_cast<std::size_t>(best)];
    static const BYTE png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(data + chosen.Offset, png, 8) == 0) {
        // An image stored as PNG data.
        image = QImage::fromData(data + chosen.Offset, static_cast<int>(chosen.Size), "PNG");
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "ico");
        if (reader.jumpToImage(best)) image = reader.read();
    }
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) throw EInvalidGraphic(SInvalidIcon);
    FData.assign(data, data + size);
    FImage = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Changed();
}

void TIcon::SaveToStream(TStream* stream) {
    if (!FData.empty()) stream->WriteBuffer(FData.data(), static_cast<Int64>(FData.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE, const String& name) {
    QFile f(QStringLiteral(":/icons/") + QString::fromStdString(name) + QStringLiteral(".ico"));
    if (!f.open(QIODevice::ReadOnly)) throw EResNotFound(SResNotFound, {name});
    const QByteArray data = f.readAll();
    LoadFromData(reinterpret_cast<const BYTE*>(data.constData()), static_cast<std::size_t>(data.size()));
}

void TIcon::SetHandle(HICON icon) {
    const QImage image = platform::iconImage(icon).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull() || image.width() > 256 || image.height() > 256) throw EInvalidGraphic(SInvalidIcon);
    // An icon file of one 32-bit image: directory, entry, header, rows bottom-up, AND mask.
    const int w = image.width(), h = image.height();
    const std::size_t maskLine = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    const std::size_t imageSize = 40 + static_cast<std::size_t>(w) * h * 4 + maskLine * h;
    std::vector<BYTE> file;
    const auto put16 = [&](unsigned v) { file.push_back(static_cast<BYTE>(v)); file.push_back(static_cast<BYTE>(v >> 8)); };
    const auto put32 = [&](unsigned v) { put16(v & 0xFFFF); put16(v >> 16); };
    put16(0);
    put16(1);
    put16(1);
    file.push_back(static_cast<BYTE>(w == 256 ? 0 : w));
    file.push_back(static_cast<BYTE>(h == 256 ? 0 : h));
    file.push_back(0);
    file.push_back(0);
    put16(1);
    put16(32);
    put32(static_cast<unsigned>(imageSize));
    put32(22);
    put32(40);
    put32(static_cast<unsigned>(w));
    put32(static_cast<unsigned>(h * 2));
    put16(1);
    put16(32);
    put32(0);
    put32(static_cast<unsigned>(imageSize - 40));
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            file.push_back(static_cast<BYTE>(qBlue(row[x])));
            file.push_back(static_cast<BYTE>(qGreen(row[x])));
            file.push_back(static_cast<BYTE>(qRed(row[x])));
            file.push_back(static_cast<BYTE>(qAlpha(row[x])));
        }
    }
    file.resize(file.size() + maskLine * h, 0);
    LoadFromData(file.data(), file.size());
}

void TIcon::Draw(TCanvas* canvas, const RECT& r) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (FImage.isNull() || !canvas || w <= 0 || h <= 0) return;
    const QImage icon = w == FImage.width() && h == FImage.height()
                            ? FImage
                            : FImage.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    HDC dc = canvas->Handle();
    // What lies under the icon, as 32-bit top-down rows; white where it cannot be read.
    std::vector<BYTE> infoBlock = NewDibInfo(w, -h, 32);
    auto& bi = *reinterpret_cast<BITMAPINFO*>(infoBlock.data());
    std::vector<QRgb> under(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFFFFFFFFu);
    HDC mem = CreateCompatibleDC(dc);
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    if (mem && section) {
        HGDIOBJ old = SelectObject(mem, section);
        const bool read = BitBlt(mem, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        if (read) GetDIBits(mem, section, 0, static_cast<UINT>(h), under.data(), &bi, DIB_RGB_COLORS);
    }
    if (section) DeleteObject(section);
    if (mem) DeleteDC(mem);
    // Premultiplied source over the destination.
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(icon.constScanLine(y));
        QRgb* dst = under.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        for (int x = 0; x < w; ++x) {
            const QRgb s = src[x];
            const int a = qAlpha(s);
            if (a == 0) continue;
            const int inv = 255 - a;
            const QRgb d = dst[x];
            dst[x] = qRgb(qRed(s) + (qRed(d) * inv + 127) / 255, qGreen(s) + (qGreen(d) * inv + 127) / 255,
                          qBlue(s) + (qBlue(d) * inv + 127) / 255);
        }
    }
    StretchDIBits(dc, r.left, r.top, w, h, 0, 0, w, h, under.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
}

// The registry of picture formats

namespace {

std::vector<TFileFormat>& fileFormats() {
    static std::vector<TFileFormat> formats = [] {
        std::vector<TFileFormat> f;
        f.push_back({"bmp", "Bitmaps", RegisterClass<TBitmap>(), "BM"});
        f.push_back({"ico", "Icons", RegisterClass<TIcon>(), std::string("\0\0\1\0", 4)});
        f.push_back({"cur", "Cursors", RegisterClass<TIcon>(), std::string("\0\0\2\0", 4)});
        return f;
    }();
    return formats;
}

String extensionOf(const String& name) {
    QString e = QString::fromUtf8(name.c_str());
    if (e.startsWith(QLatin1Char('.'))) e.remove(0, 1);
    return e.toLower().toStdString();
}

bool isGraphicClass(TPersistentClass c) {
    return c && c->Create && c->MetaObject && c->MetaObject->inherits(&TGraphic::staticMetaObject);
}

}  // namespace

void TPicture::RegisterFileFormat(const String& extension, const String& description, TPersistentClass graphicClass,
                                  const std::string& signature) {
    if (!isGraphicClass(graphicClass)) throw EInvalidGraphic(SUnknownPictureClass, {graphicClass ? graphicClass->ClassName() : String()});
    const String ext = extensionOf(extension);
    auto& formats = fileFormats();
    for (TFileFormat& f : formats)
        if (f.Extension == ext) {
            f = TFileFormat{ext, description, graphicClass, signature};
            return;
        }
    formats.push_back(TFileFormat{ext, description, graphicClass, signature});
}

void TPicture::UnregisterGraphicClass(TPersistentClass graphicClass) {
    auto& formats = fileFormats();
    formats.erase(std::remove_if(formats.begin(), formats.end(),
                                 [&](const TFileFormat& f) { return f.GraphicClass == graphicClass; }),
                  formats.end());
    UnregisterClipboardFormats(graphicClass);
}

std::vector<TFileFormat> TPicture::FileFormats() { return fileFormats(); }

TPersistentClass TPicture::FileFormatClass(const String& extension) {
    const String ext = extensionOf(extension);
    for (const TFileFormat& f : fileFormats())
        if (f.Extension == ext) return f.GraphicClass;
    return nullptr;
}

TPersistentClass TPicture::SignatureClass(const BYTE* data, std::size_t size) {
    for (const TFileFormat& f : fileFormats())
        if (!f.Signature.empty() && size >= f.Signature.size() && std::memcmp(data, f.Signature.data(), f.Signature.size()) == 0)
            return f.GraphicClass;
    return nullptr;
}

std::unique_ptr<TGraphic> TPicture::NewGraphic(const String& className) {
    for (const TFileFormat& f : fileFormats())
        if (f.GraphicClass->ClassName() == className)
            return std::unique_ptr<TGraphic>(static_cast<TGraphic*>(f.GraphicClass->Create(nullptr)));
    TPersistentClass c = GetClass(className);
    if (!isGraphicClass(c)) return nullptr;
    return std::unique_ptr<TGraphic>(static_cast<TGraphic*>(c->Create(nullptr)));
}

// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Assign(TPersistent* Source) {
    if (!Source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto* p = dynamic_cast<TPicture*>(Source)) {
        SetGraphic(p->Graphic());
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(Source);
}

void TPicture::SetGraphic(TGraphic* g) {
    if (!g) {
        FGraphic.reset();
    } else {
        std::unique_ptr<TGraphic> copy = NewGraphic(g->ClassName());
        if (!copy) throw EInvalidGraphic(SUnknownPictureClass, {g->ClassName()});
        copy->Assign(g);
        FGraphic = std::move(copy);
    }
    Changed();
}

TBitmap* TPicture::Bitmap() {
    auto* b = dynamic_cast<TBitmap*>(FGraphic.get());
    if (!b) {
        FGraphic = std::make_unique<TBitmap>();
        b = static_cast<TBitmap*>(FGraphic.get());
    }
    return b;
}

void TPicture::LoadFromFile(const String& fileName) {
    BYTE head[16] = {};
    std::size_t got = 0;
    {
        TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
        got = static_cast<std::size_t>(f.Read(head, sizeof head));
    }
    TPersistentClass cls = SignatureClass(head, got);
    if (!cls) cls = FileFormatClass(ExtractFileExt(fileName));
    if (!cls) throw EInvalidGraphic(SUnknownExtension, {extensionOf(ExtractFileExt(fileName))});
    std::unique_ptr<TGraphic> g(static_cast<TGraphic*>(cls->Create(nullptr)));
    g->LoadFromFile(fileName);
    FGraphic = std::move(g);
    Changed();
}

void TPicture::SaveToFile(const String& fileName) {
    if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::ReadData(TStream* stream) {
    // A short string with the graphic's class name, then the graphic's own stream.
    BYTE len = 0;
    stream->ReadBuffer(&len, 1);
    std::string name(len, '\0');
    if (len) stream->ReadBuffer(name.data(), len);
    if (name.empty()) {
        FGraphic.reset();
        Changed();
        return;
    }
    std::unique_ptr<TGraphic> g = NewGraphic(name);
    if (!g) throw EInvalidGraphic(SUnknownPictureClass, {name});
    g->ReadData(stream);
    FGraphic = std::move(g);
    Changed();
}

void TPicture::WriteData(TStream* stream) {
    const std::string name = FGraphic ? FGraphic->ClassName() : "";
    const auto len = static_cast<BYTE>(name.size());
    stream->WriteBuffer(&len, 1);
    if (len) stream->WriteBuffer(name.data(), len);
    if (FGraphic) FGraphic->WriteData(stream);
}

void TPicture::DefineProperties(TFiler* filer) {
    TPersistent::DefineProperties(filer);
    filer->DefineBinaryProperty("Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); },
                                FGraphic != nullptr);
}
