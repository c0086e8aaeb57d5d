// Glyph lists and their cache, the kit's button glyph and button faces.
#include "kit/KitGlyphs.h"

#include "classlib/ExtCtrls.h"
#include "kit/KitUtils.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

// ---- TGlyphList ----------------------------------------------------------------------------

TGlyphList::TGlyphList(int AWidth, int AHeight) : TCustomImageList(AWidth, AHeight) {}

TGlyphList::~TGlyphList() = default;

bool TGlyphList::Used(int Index) const {
    return Index >= 0 && Index < static_cast<int>(FUsed.size()) && FUsed[static_cast<std::size_t>(Index)];
}

int TGlyphList::FreeSlot() const {
    for (std::size_t i = 0; i < FUsed.size(); ++i)
        if (!FUsed[i]) return static_cast<int>(i);
    return -1;
}

void TGlyphList::Take(int Index) {
    if (Index >= static_cast<int>(FUsed.size())) FUsed.resize(static_cast<std::size_t>(Index) + 1, false);
    FUsed[static_cast<std::size_t>(Index)] = true;
    ++FCount;
}

int TGlyphList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image) return -1;
    int slot = FreeSlot();
    if (slot >= 0 && slot < TCustomImageList::Count()) {
        ReplaceMasked(slot, Image, MaskColor);
    } else {
        slot = TCustomImageList::AddMasked(Image, MaskColor);
        if (slot < 0) return -1;
    }
    Take(slot);
    return slot;
}

int TGlyphList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image) return -1;
    int slot = FreeSlot();
    if (slot >= 0 && slot < TCustomImageList::Count()) {
        Replace(slot, Image, Mask);
    } else {
        slot = TCustomImageList::Add(Image, Mask);
        if (slot < 0) return -1;
    }
    Take(slot);
    return slot;
}

void TGlyphList::Delete(int Index) {
    if (!Used(Index)) return;
    FUsed[static_cast<std::size_t>(Index)] = false;
    --FCount;
}

// ---- TGlyphCache ---------------------------------------------------------------------------

namespace {
TGlyphCache* sharedCache = nullptr;
}  // namespace

TGlyphCache::~TGlyphCache() {
    for (TGlyphList* l : FGlyphLists) delete l;
    FGlyphLists.clear();
    if (sharedCache == this) sharedCache = nullptr;
}

TGlyphList* TGlyphCache::GetList(int AWidth, int AHeight) {
    for (auto it = FGlyphLists.rbegin(); it != FGlyphLists.rend(); ++it)
        if ((*it)->Width() == AWidth && (*it)->Height() == AHeight) return *it;
    auto* list = new TGlyphList(AWidth, AHeight);
    FGlyphLists.push_back(list);
    return list;
}

void TGlyphCache::ReturnList(TGlyphList* List) {
    if (!List || List->Count() != 0) return;
    const auto it = std::find(FGlyphLists.begin(), FGlyphLists.end(), List);
    if (it == FGlyphLists.end()) return;
    FGlyphLists.erase(it);
    delete List;
}

TGlyphCache* TGlyphCache::Instance() {
    if (!sharedCache) sharedCache = new TGlyphCache();
    return sharedCache;
}

TGlyphCache* TGlyphCache::Current() { return sharedCache; }

void TGlyphCache::ReleaseIfEmpty() {
    if (sharedCache && sharedCache->Empty()) delete sharedCache;
}

// ---- helpers -------------------------------------------------------------------------------

namespace {

// A 24-bit bitmap of a size, filled with a colour.
void PrepareBitmap(TBitmap& Bitmap, int W, int H, TColor Fill) {
    Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(W, H);
    Bitmap.Canvas()->Brush()->SetColor(Fill);
    Bitmap.Canvas()->Brush()->SetStyle(bsSolid);
    Bitmap.Canvas()->FillRect(RECT{0, 0, W, H});
}

// Every pixel that is neither the transparent colour (when there is one) nor the button
// face becomes its grey level (77 red + 150 green + 29 blue) / 256.
void GrayBitmap(TBitmap& Bitmap, bool Keyed, COLORREF Transparent) {
    std::vector<BYTE> info, bits;
    if (!Bitmap.ReadDib(info, bits)) return;
    const auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
    if (bi->bmiHeader.biBitCount != 24) return;
    const int w = bi->bmiHeader.biWidth;
    const int h = std::abs(bi->bmiHeader.biHeight);
    const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    const COLORREF face = ColorToRGB(clBtnFace) & 0xFFFFFF;
    const COLORREF key = Transparent & 0xFFFFFF;
    for (int y = 0; y < h; ++y) {
        BYTE* p = bits.data() + row * static_cast<std::size_t>(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const COLORREF c = RGB(p[2], p[1], p[0]);
            if ((Keyed && c == key) || c == face) continue;
            const BYTE g = static_cast<BYTE>((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8);
            p[0] = p[1] = p[2] = g;
        }
    }
    Bitmap.WriteDib(bi, bits.data());
}

// The lines of a text ("\r\n" or "\n" between them).
std::vector<String> LinesOf(const String& Text) {
    std::vector<String> lines;
    String line;
    for (char c : Text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    return lines;
}

int DrawCaption(HDC DC, const String& Text, RECT& R, UINT Flags) {
    const std::u16string w = platform::ansiToWide(Text);
    return DrawTextW(DC, w.c_str(), static_cast<int>(w.size()), &R, Flags);
}

}  // namespace

UINT AlignmentTextFlags(TAlignment Alignment, bool RightToLeft) {
    UINT f = Alignment == taLeftJustify ? DT_LEFT : Alignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    if (RightToLeft) f |= DT_RTLREADING;
    return f;
}

void DrawDropDownMark(TCanvas* Canvas, int X, int Y, bool Disabled) {
    auto triangle = [&](int x, int y, TColor colour) {
        Canvas->Pen()->SetColor(colour);
        Canvas->Pen()->SetWidth(1);
        for (int i = 0; i < 4; ++i) {
            Canvas->MoveTo(x + i, y - 1 + i);
            Canvas->LineTo(x + 7 - i, y - 1 + i);
        }
    };
    if (Disabled) {
        triangle(X + 1, Y + 1, clBtnHighlight);
        triangle(X, Y, clBtnShadow);
    } else {
        triangle(X, Y, clBtnText);
    }
}

RECT DrawButtonFrame(TCanvas* Canvas, const RECT& Client, bool Pressed, bool NewLook, bool Flat) {
    RECT r = Client;
    auto frame = [&](TColor topLeft, TColor bottomRight) { Frame3D(Canvas, r, topLeft, bottomRight, 1); };
    if (Pressed) {
        if (Flat) {
            frame(clWindowFrame, clBtnHighlight);
        } else if (NewLook) {
            frame(clWindowFrame, clBtnHighlight);
            frame(clBtnShadow, clBtnFace);
        } else {
            frame(clWindowFrame, clWindowFrame);
            // A shadow line down the left and along the top inside it.
            Canvas->Pen()->SetColor(clBtnShadow);
            Canvas->Pen()->SetWidth(1);
            Canvas->Polyline({POINT{r.left, r.bottom - 1}, POINT{r.left, r.top}, POINT{r.right, r.top}});
        }
    } else if (Flat) {
        if (NewLook) frame(clBtnHighlight, clBtnShadow);
        else frame(clBtnHighlight, clWindowFrame);
    } else if (NewLook) {
        frame(clBtnHighlight, clWindowFrame);
        frame(clBtnFace, clBtnShadow);
    } else {
        frame(clWindowFrame, clWindowFrame);
        frame(clBtnHighlight, clBtnShadow);
    }
    InflateRect(&r, -1, -1);
    return r;
}

void FillCheckered(TCanvas* Canvas, const RECT& Rect, TColor First, TColor Second) {
    const int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
    if (w <= 0 || h <= 0) return;
    std::vector<BYTE> info = NewDibInfo(w, h, 24);
    const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    std::vector<BYTE> bits(row * static_cast<std::size_t>(h), 0);
    const COLORREF a = ColorToRGB(First), b = ColorToRGB(Second);
    for (int y = 0; y < h; ++y) {
        // Rows are stored bottom-up; the pattern follows the rectangle's own corner.
        BYTE* p = bits.data() + row * static_cast<std::size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x, p += 3) {
            const COLORREF c = ((Rect.left + x + Rect.top + y) & 1) ? b : a;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    StretchDIBits(Canvas->Handle(), Rect.left, Rect.top, w, h, 0, 0, w, h, bits.data(),
                  reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
}

// ---- TKitButtonGlyph -----------------------------------------------------------------------

TKitButtonGlyph::TKitButtonGlyph() : FOriginal(new TBitmap()) {
    TGlyphCache::Instance();
    FOriginal->OnChange = TNotifyEvent(this, &TKitButtonGlyph::GlyphChanged);
}

TKitButtonGlyph::~TKitButtonGlyph() {
    FOriginal->OnChange = nullptr;
    Invalidate();
    delete FOriginal;
    TGlyphCache::ReleaseIfEmpty();
}

void TKitButtonGlyph::Invalidate() {
    for (int& index : FIndexs) {
        if (index >= 0 && FGlyphList) FGlyphList->Delete(index);
        index = -1;
    }
    if (FGlyphList)
        if (TGlyphCache* cache = TGlyphCache::Current()) cache->ReturnList(FGlyphList);
    FGlyphList = nullptr;
    FImages = nullptr;
    FImageIndex = -1;
}

void TKitButtonGlyph::GlyphChanged(TObject*) {
    if (FChanging) return;
    Invalidate();
    if (FOriginal->Height() > 0) {
        FTransparentColor = FOriginal->TransparentColor() & ~0x02000000;
        const int w = FOriginal->Width(), h = FOriginal->Height();
        if (w % h == 0) {
            const int n = w / h;
            FNumGlyphs = n > 5 ? 1 : std::max(n, 1);
        }
    }
    if (OnChange) OnChange(this);
}

void TKitButtonGlyph::SetGlyph(TBitmap* Value) {
    Invalidate();
    FOriginal->Assign(Value);
}

void TKitButtonGlyph::SetNumGlyphs(int Value) {
    Value = std::min(Value, 5);
    if (Value == FNumGlyphs || Value <= 0) return;
    Invalidate();
    FNumGlyphs = Value;
    if (OnChange) OnChange(this);
}

void TKitButtonGlyph::SetAlignment(TAlignment Value) {
    if (Value == FAlignment) return;
    FAlignment = Value;
    if (OnChange) OnChange(this);
}

void TKitButtonGlyph::SetWordWrap(bool Value) {
    if (Value == FWordWrap) return;
    FWordWrap = Value;
    if (OnChange) OnChange(this);
}

TGlyphList* TKitButtonGlyph::ListOf(int AWidth, int AHeight) {
    if (FGlyphList && (FGlyphList->Width() != AWidth || FGlyphList->Height() != AHeight)) Invalidate();
    if (!FGlyphList) FGlyphList = TGlyphCache::Instance()->GetList(AWidth, AHeight);
    return FGlyphList;
}

int TKitButtonGlyph::CreateButtonGlyph(TButtonState State) {
    if (FImages) Invalidate();
    if (State == bsDown && FNumGlyphs < 3) State = bsUp;
    if (FIndexs[State] >= 0) return FIndexs[State];
    const int w = FOriginal->Width(), h = FOriginal->Height();
    if (FOriginal->Empty() || w == 0 || h == 0) return -1;
    // A count above the bitmap's width leaves cells of no width: there is no picture then.
    const int cw = w / FNumGlyphs;
    if (cw <= 0) return -1;
    TGlyphList* list = ListOf(cw, h);
    const int cell = static_cast<int>(State) < FNumGlyphs ? static_cast<int>(State) : 0;
    TBitmap tmp;
    PrepareBitmap(tmp, cw, h, clBtnFace);
    HDC src = FOriginal->Canvas()->Handle();
    int index = -1;
    if (State == bsDisabled && FNumGlyphs < 2) {
        TBitmap part;
        PrepareBitmap(part, cw, h, clBtnFace);
        BitBlt(part.Canvas()->Handle(), 0, 0, cw, h, src, 0, 0, SRCCOPY);
        std::unique_ptr<TBitmap> disabled(MakeStandardDisabledGlyph(&part, clBlack));
        index = list->AddMasked(disabled.get(), clBtnFace);
    } else if (State == bsInactive && FNumGlyphs < 5) {
        BitBlt(tmp.Canvas()->Handle(), 0, 0, cw, h, src, 0, 0, SRCCOPY);
        GrayBitmap(tmp, true, ColorToRGB(FTransparentColor));
        index = list->AddMasked(&tmp, FTransparentColor);
    } else {
        BitBlt(tmp.Canvas()->Handle(), 0, 0, cw, h, src, cell * cw, 0, SRCCOPY);
        index = list->AddMasked(&tmp, FTransparentColor);
    }
    FIndexs[State] = index;
    return index;
}

int TKitButtonGlyph::CreateImageGlyph(TButtonState State, TCustomImageList* Images, int Index) {
    if (!Images || Index < 0 || Index >= Images->Count()) return -1;
    if (FImages != Images || FImageIndex != Index) {
        Invalidate();
        FImages = Images;
        FImageIndex = Index;
    }
    if (State == bsDown) State = bsUp;
    if (FIndexs[State] >= 0) return FIndexs[State];
    const int w = Images->Width(), h = Images->Height();
    if (w <= 0 || h <= 0) return -1;
    TGlyphList* list = ListOf(w, h);
    // ListOf may have given the old pictures back; the image is still the one asked for.
    FImages = Images;
    FImageIndex = Index;
    TBitmap tmp;
    PrepareBitmap(tmp, w, h, clBtnFace);
    int slot = -1;
    if (State == bsDisabled) {
        DrawImageListDisabled(Images, tmp.Canvas(), 0, 0, Index, true, clBtnShadow, clBtnHighlight);
        slot = list->AddMasked(&tmp, clBtnFace);
    } else {
        // The image and its mask (opaque pixels black on white).
        Images->Draw(tmp.Canvas(), 0, 0, Index, dsNormal, itImage);
        TBitmap mask;
        mask.SetPixelFormat(pf1bit);
        mask.SetSize(w, h);
        mask.Canvas()->Brush()->SetColor(clWhite);
        mask.Canvas()->FillRect(RECT{0, 0, w, h});
        Images->Draw(mask.Canvas(), 0, 0, Index, dsNormal, itMask);
        if (State == bsInactive) GrayBitmap(tmp, false, 0);
        slot = list->Add(&tmp, &mask);
    }
    FIndexs[State] = slot;
    return slot;
}

TButtonLayoutResult TKitButtonGlyph::CalcButtonLayout(TCanvas* Canvas, const RECT& Client, const String& Caption,
                                                      TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                                                      TCustomImageList* Images, int ImageIndex) {
    TButtonLayoutResult out;
    const int cw = Client.right - Client.left, ch = Client.bottom - Client.top;
    // 1. The glyph's size.
    SIZE glyph{0, 0};
    if (Images && ImageIndex >= 0 && ImageIndex < Images->Count()) {
        glyph = SIZE{Images->Width(), Images->Height()};
    } else if (!FOriginal->Empty() && FNumGlyphs > 0 && FOriginal->Width() / FNumGlyphs > 0) {
        glyph = SIZE{FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
    }
    out.GlyphSize = glyph;
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    // 2. The room for the text.
    RECT room{0, 0, cw, ch};
    if (horizontal) {
        room.right -= glyph.cx;
        if (Margin != -1) room.right -= Margin;
        if (Spacing != -1) room.right -= Spacing;
        if (PopupMark) room.right -= 9;
    } else {
        room.bottom -= glyph.cy;
        if (Margin != -1) room.bottom -= Margin;
        if (Spacing != -1) room.bottom -= Spacing;
    }
    room.right = std::max<LONG>(room.right, 0);
    room.bottom = std::max<LONG>(room.bottom, 0);
    // 3. Each line shortened to the room unless words wrap; at most 255 characters.
    String text;
    if (FWordWrap) {
        text = Caption;
    } else {
        const std::vector<String> lines = LinesOf(Caption);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i) text += "\r\n";
            text += ShortenTextToWidth(lines[i], Canvas, room.right);
        }
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.size() > 255) text.resize(255);
    out.Text = text;
    // 4. The text's size.
    SIZE textSize{0, 0};
    if (!text.empty()) {
        RECT r{0, 0, room.right, 0};
        DrawCaption(Canvas->Handle(), text, r, DT_CALCRECT | DT_CENTER | DT_VCENTER | (FWordWrap ? DT_WORDBREAK : 0));
        textSize = SIZE{std::min<LONG>(r.right - r.left, room.right), std::min<LONG>(r.bottom - r.top, room.bottom)};
    }
    // 5. Room for the drop-down mark.
    SIZE markedGlyph = glyph;
    SIZE markedText = textSize;
    if (PopupMark) {
        if (glyph.cx == 0 || Layout == blGlyphLeft) markedText.cx += 9;
        else markedGlyph.cx += 6;
    }
    // 6. Across the layout direction both are centred.
    POINT g{0, 0};
    RECT t{0, 0, 0, 0};
    if (horizontal) {
        g.y = (ch - markedGlyph.cy) / 2;
        t.top = (ch - markedText.cy) / 2;
    } else {
        g.x = (cw - markedGlyph.cx) / 2;
        t.left = (cw - markedText.cx) / 2;
    }
    // 7. Margin and spacing.
    if (markedText.cx == 0 || markedGlyph.cx == 0) Spacing = 0;
    const int extent = horizontal ? cw : ch;
    const int glyphExtent = horizontal ? markedGlyph.cx : markedGlyph.cy;
    const int textExtent = horizontal ? markedText.cx : markedText.cy;
    if (Margin == -1) {
        if (Spacing == -1) {
            Spacing = (extent - glyphExtent - textExtent) / 3;
            Margin = Spacing;
        } else {
            Margin = (extent - Spacing - glyphExtent - textExtent) / 2;
        }
    } else if (Spacing == -1) {
        Spacing = (extent - Margin - glyphExtent - textExtent) / 2;
    }
    // 8. Along the layout direction.
    switch (Layout) {
    case blGlyphLeft:
        g.x = Margin;
        t.left = g.x + glyphExtent + Spacing;
        break;
    case blGlyphRight:
        g.x = cw - Margin - glyphExtent;
        t.left = g.x - Spacing - textExtent;
        break;
    case blGlyphTop:
        g.y = Margin;
        t.top = g.y + glyphExtent + Spacing;
        break;
    case blGlyphBottom:
        g.y = ch - Margin - glyphExtent;
        t.top = g.y - Spacing - textExtent;
        break;
    }
    t.right = t.left + textSize.cx;
    t.bottom = t.top + textSize.cy;
    OffsetRect(&t, Client.left, Client.top);
    g.x += Client.left;
    g.y += Client.top;
    out.GlyphPos = g;
    out.TextBounds = t;
    return out;
}

void TKitButtonGlyph::DrawGlyph(TCanvas* Canvas, POINT Pos, TButtonState State, TCustomImageList* Images,
                                int ImageIndex) {
    const bool fromImages = Images && ImageIndex >= 0 && ImageIndex < Images->Count();
    const int index = fromImages ? CreateImageGlyph(State, Images, ImageIndex) : CreateButtonGlyph(State);
    if (index < 0 || !FGlyphList) return;
    FGlyphList->Draw(Canvas, Pos.x, Pos.y, index, dsTransparent, itImage);
}

void TKitButtonGlyph::DrawText(TCanvas* Canvas, const String& Caption, RECT Bounds, TButtonState State, UINT Flags) {
    if (Caption.empty()) return;
    Canvas->Brush()->SetStyle(bsClear);
    HDC dc = Canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    Flags |= DT_VCENTER | (FWordWrap ? DT_WORDBREAK : 0);
    if (State == bsDisabled) {
        RECT shifted = Bounds;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, ColorToRGB(clBtnHighlight));
        DrawCaption(dc, Caption, shifted, Flags);
        SetTextColor(dc, ColorToRGB(clBtnShadow));
        DrawCaption(dc, Caption, Bounds, Flags);
    } else {
        SetTextColor(dc, ColorToRGB(Canvas->Font()->Color()));
        DrawCaption(dc, Caption, Bounds, Flags);
    }
}

RECT TKitButtonGlyph::DrawButtonGlyph(TCanvas* Canvas, const RECT& Client, const String& Caption,
                                      TButtonLayout Layout, int Margin, int Spacing, bool PopupMark,
                                      TButtonState State, UINT Flags, TCustomImageList* Images, int ImageIndex) {
    const TButtonLayoutResult l =
        CalcButtonLayout(Canvas, Client, Caption, Layout, Margin, Spacing, PopupMark, Images, ImageIndex);
    DrawGlyph(Canvas, l.GlyphPos, State, Images, ImageIndex);
    DrawText(Canvas, l.Text, l.TextBounds, State, Flags);
    if (PopupMark) {
        int x, y;
        if (l.GlyphSize.cx > 0 && Layout != blGlyphLeft) {
            x = l.GlyphPos.x + l.GlyphSize.cx + 1;
            y = l.GlyphPos.y + l.GlyphSize.cy / 2;
        } else {
            x = l.Text.empty() ? (Client.left + Client.right - 7) / 2 : l.TextBounds.right + 3;
            y = l.TextBounds.top + (l.TextBounds.bottom - l.TextBounds.top) / 2;
        }
        DrawDropDownMark(Canvas, x, y, State == bsDisabled);
    }
    return l.TextBounds;
}

// ---- TButtonImage --------------------------------------------------------------------------

TButtonImage::TButtonImage() : FGlyph(new TKitButtonGlyph()) {}

TButtonImage::~TButtonImage() { delete FGlyph; }

void TButtonImage::Draw(TCanvas* Canvas, int X, int Y, TButtonLayout Layout, int Margin, int Spacing, UINT Flags,
                        TFont* Font, TCustomImageList* Images, int ImageIndex) {
    TFont saved;
    saved.Assign(Canvas->Font());
    const TColor brush = Canvas->Brush()->Color();
    const TBrushStyle brushStyle = Canvas->Brush()->Style();
    if (Font) Canvas->SetFont(Font);
    RECT r{X, Y, X + ButtonSize.cx, Y + ButtonSize.cy};
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->FillRect(r);
    Frame3D(Canvas, r, clBtnShadow, clWindowFrame, 1);
    Frame3D(Canvas, r, clBtnHighlight, clBtnShadow, 1);
    FGlyph->DrawButtonGlyph(Canvas, r, Caption, Layout, Margin, Spacing, false, bsUp, Flags, Images, ImageIndex);
    Canvas->SetFont(&saved);
    Canvas->Brush()->SetColor(brush);
    Canvas->Brush()->SetStyle(brushStyle);
}
