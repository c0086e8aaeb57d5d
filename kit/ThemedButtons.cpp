// The themed bitmap button and its glyph.
#include "kit/ThemedButtons.h"

#include "classlib/ActnList.h"
#include "classlib/Forms.h"
#include "kit/KitUtils.h"
#include "platform/codepage.h"
#include "platform/winpaint.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

static void initKitButtonResources() { Q_INIT_RESOURCE(kitbuttons); }

namespace {

struct KindInfo {
    const char* Resource;
    const TResStringRec* Caption;
    TModalResult Result;
    bool Default;
    bool Cancel;
};

const KindInfo kinds[] = {
    {nullptr, nullptr, mrNone, false, false},      {"BBOKX", &SOKButton, mrOk, true, false},
    {"BBCANCELX", &SCancelButton, mrCancel, false, true}, {"BBHELPX", &SHelpButton, mrNone, false, false},
    {"BBYESX", &SYesButton, mrYes, true, false},   {"BBNOX", &SNoButton, mrNo, false, true},
    {"BBCLOSEX", &SCloseButton, mrNone, false, false}, {"BBABORTX", &SAbortButton, mrAbort, false, false},
    {"BBRETRYX", &SRetryButton, mrRetry, false, false}, {"BBIGNOREX", &SIgnoreButton, mrIgnore, false, false},
    {"BBALLX", &SAllButton, mrAll, false, false}};

std::array<TBitmap*, 11>& kindGlyphs() {
    static std::array<TBitmap*, 11> glyphs{};
    return glyphs;
}

void freeKindGlyphs() {
    for (TBitmap*& b : kindGlyphs()) {
        delete b;
        b = nullptr;
    }
}

// Replaces each of the colours `from` by `to` in a 24-bit bitmap.
void Recolour(TBitmap& Bitmap, const std::vector<std::pair<COLORREF, COLORREF>>& Map) {
    std::vector<BYTE> info, bits;
    if (!Bitmap.ReadDib(info, bits)) return;
    const auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
    if (bi->bmiHeader.biBitCount != 24) return;
    const int w = bi->bmiHeader.biWidth, h = std::abs(bi->bmiHeader.biHeight);
    const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    for (int y = 0; y < h; ++y) {
        BYTE* p = bits.data() + row * static_cast<std::size_t>(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const COLORREF c = RGB(p[2], p[1], p[0]);
            for (const auto& [from, to] : Map)
                if (c == from) {
                    p[0] = GetBValue(to);
                    p[1] = GetGValue(to);
                    p[2] = GetRValue(to);
                    break;
                }
        }
    }
    Bitmap.WriteDib(bi, bits.data());
}

int DrawCaption(HDC DC, const String& Text, RECT& R, UINT Flags) {
    const std::u16string w = platform::ansiToWide(Text);
    return DrawTextW(DC, w.c_str(), static_cast<int>(w.size()), &R, Flags);
}

}  // namespace

TBitmap* ThemedKindGlyph(TThemedBitBtnKind Kind) {
    const int k = static_cast<int>(Kind);
    if (k <= 0 || k >= 11) return nullptr;
    TBitmap*& slot = kindGlyphs()[static_cast<std::size_t>(k)];
    if (!slot) {
        initKitButtonResources();
        static const bool cleanup = (qAddPostRoutine(freeKindGlyphs), true);
        (void)cleanup;
        auto* b = new TBitmap();
        b->LoadFromResourceName(nullptr, kinds[k].Resource);
        slot = b;
    }
    return slot;
}

String ThemedKindCaption(TThemedBitBtnKind Kind) {
    const int k = static_cast<int>(Kind);
    if (k <= 0 || k >= 11) return String();
    return LoadResString(kinds[k].Caption);
}

// ---- TButtonGlyph --------------------------------------------------------------------------

TButtonGlyph::TButtonGlyph() : FOriginal(new TBitmap()) {
    TGlyphCache::Instance();
    FOriginal->OnChange = TNotifyEvent(this, &TButtonGlyph::GlyphChanged);
}

TButtonGlyph::~TButtonGlyph() {
    FOriginal->OnChange = nullptr;
    Invalidate();
    delete FOriginal;
    TGlyphCache::ReleaseIfEmpty();
}

void TButtonGlyph::Invalidate() {
    for (int& index : FIndexs) {
        if (index >= 0 && FGlyphList) FGlyphList->Delete(index);
        index = -1;
    }
    if (FGlyphList)
        if (TGlyphCache* cache = TGlyphCache::Current()) cache->ReturnList(FGlyphList);
    FGlyphList = nullptr;
}

void TButtonGlyph::GlyphChanged(TObject*) {
    if (!FOriginal->Empty()) FTransparentColor = FOriginal->TransparentColor();
    Invalidate();
    if (OnChange) OnChange(this);
}

void TButtonGlyph::SetGlyph(TBitmap* Value) {
    Invalidate();
    FOriginal->Assign(Value);
    if (Value && !Value->Empty() && Value->Height() > 0) {
        FTransparentColor = Value->TransparentColor();
        if (Value->Width() % Value->Height() == 0) {
            const int n = Value->Width() / Value->Height();
            SetNumGlyphs(n > 4 ? 1 : n);
        }
    }
}

void TButtonGlyph::SetNumGlyphs(TNumGlyphs Value) {
    if (Value == FNumGlyphs || Value <= 0) return;
    Invalidate();
    FNumGlyphs = Value;
    GlyphChanged(FOriginal);
}

int TButtonGlyph::CreateButtonGlyph(TButtonState State) {
    if (State == bsInactive) State = bsUp;
    if (State == bsDown && FNumGlyphs < 3) State = bsUp;
    if (FIndexs[State] >= 0) return FIndexs[State];
    const int w = FOriginal->Width(), h = FOriginal->Height();
    if (w == 0 || h == 0) return -1;
    const int iw = w / FNumGlyphs;
    if (iw <= 0) return -1;
    if (!FGlyphList) FGlyphList = TGlyphCache::Instance()->GetList(iw, h);
    TBitmap tmp;
    tmp.SetPixelFormat(pf24bit);
    tmp.SetSize(iw, h);
    tmp.Canvas()->Brush()->SetColor(clBtnFace);
    tmp.Canvas()->FillRect(RECT{0, 0, iw, h});
    const int cell = static_cast<int>(State) < FNumGlyphs ? static_cast<int>(State) : 0;
    HDC src = FOriginal->Canvas()->Handle();
    int index = -1;
    if (State != bsDisabled) {
        BitBlt(tmp.Canvas()->Handle(), 0, 0, iw, h, src, cell * iw, 0, SRCCOPY);
        index = FGlyphList->AddMasked(&tmp, FTransparentColor);
    } else if (FNumGlyphs > 1) {
        // The glyph's own disabled picture in the desktop's colours: white becomes the
        // highlight, grey the shadow and the transparent colour the button face.
        BitBlt(tmp.Canvas()->Handle(), 0, 0, iw, h, src, cell * iw, 0, SRCCOPY);
        Recolour(tmp, {{RGB(255, 255, 255), ColorToRGB(clBtnHighlight)},
                       {RGB(128, 128, 128), ColorToRGB(clBtnShadow)},
                       {ColorToRGB(FTransparentColor), ColorToRGB(clBtnFace)}});
        index = FGlyphList->AddMasked(&tmp, clBtnFace);
    } else {
        // Embossed: the black parts in the shadow colour over a highlight one pixel off.
        TBitmap part;
        part.SetPixelFormat(pf24bit);
        part.SetSize(iw, h);
        BitBlt(part.Canvas()->Handle(), 0, 0, iw, h, src, 0, 0, SRCCOPY);
        std::unique_ptr<TBitmap> embossed(MakeStandardDisabledGlyph(&part, clBlack));
        index = FGlyphList->AddMasked(embossed.get(), clBtnFace);
    }
    FIndexs[State] = index;
    return index;
}

TButtonLayoutResult TButtonGlyph::CalcButtonLayout(TCanvas* Canvas, const RECT& Client, const String& Caption,
                                                   TButtonLayout Layout, int Margin, int Spacing, bool RightToLeft) {
    TButtonLayoutResult out;
    if (RightToLeft) {
        if (Layout == blGlyphLeft) Layout = blGlyphRight;
        else if (Layout == blGlyphRight) Layout = blGlyphLeft;
    }
    const int W = Client.right - Client.left, H = Client.bottom - Client.top;
    SIZE glyph{0, 0};
    if (!FOriginal->Empty() && FNumGlyphs > 0) glyph = SIZE{FOriginal->Width() / FNumGlyphs, FOriginal->Height()};
    SIZE text{0, 0};
    if (!Caption.empty()) {
        RECT r{0, 0, W, 0};
        DrawCaption(Canvas->Handle(), Caption, r, DT_CALCRECT | (RightToLeft ? DT_RTLREADING : 0));
        text = SIZE{r.right - r.left, r.bottom - r.top};
    }
    out.GlyphSize = glyph;
    out.Text = Caption;
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    POINT g{0, 0};
    POINT t{0, 0};
    if (horizontal) {
        g.y = (H - glyph.cy + 1) / 2;
        t.y = (H - text.cy + 1) / 2;
    } else {
        g.x = (W - glyph.cx + 1) / 2;
        t.x = (W - text.cx + 1) / 2;
    }
    if (text.cx == 0 || glyph.cx == 0) Spacing = 0;
    const int extent = horizontal ? W : H;
    const int ge = horizontal ? glyph.cx : glyph.cy;
    const int te = horizontal ? text.cx : text.cy;
    if (Margin == -1) {
        if (Spacing == -1) {
            Margin = Spacing = (extent - ge - te) / 3;
        } else {
            Margin = (extent - (ge + Spacing + te) + 1) / 2;
        }
    } else if (Spacing == -1) {
        Spacing = (extent - Margin - ge - te) / 2;
    }
    switch (Layout) {
    case blGlyphLeft:
        g.x = Margin;
        t.x = g.x + ge + Spacing;
        break;
    case blGlyphRight:
        g.x = W - Margin - ge;
        t.x = g.x - Spacing - te;
        break;
    case blGlyphTop:
        g.y = Margin;
        t.y = g.y + ge + Spacing;
        break;
    case blGlyphBottom:
        g.y = H - Margin - ge;
        t.y = g.y - Spacing - te;
        break;
    }
    out.GlyphPos = POINT{g.x + Client.left, g.y + Client.top};
    out.TextBounds = RECT{t.x + Client.left, t.y + Client.top, t.x + Client.left + text.cx, t.y + Client.top + text.cy};
    return out;
}

RECT TButtonGlyph::Draw(TCanvas* Canvas, const RECT& Client, const String& Caption, TButtonLayout Layout,
                        int Margin, int Spacing, TButtonState State, bool RightToLeft) {
    const TButtonLayoutResult l = CalcButtonLayout(Canvas, Client, Caption, Layout, Margin, Spacing, RightToLeft);
    const int index = CreateButtonGlyph(State);
    if (index >= 0 && FGlyphList) {
        ImageList_DrawEx(FGlyphList->Handle(), index, Canvas->Handle(), l.GlyphPos.x, l.GlyphPos.y, 0, 0, CLR_NONE,
                         CLR_NONE, ILD_TRANSPARENT);
    }
    if (!Caption.empty()) {
        Canvas->Brush()->SetStyle(bsClear);
        HDC dc = Canvas->Handle();
        SetBkMode(dc, TRANSPARENT);
        const UINT flags = DT_CENTER | DT_VCENTER | (RightToLeft ? DT_RTLREADING : 0);
        RECT r = l.TextBounds;
        if (State == bsDisabled) {
            OffsetRect(&r, 1, 1);
            SetTextColor(dc, ColorToRGB(clBtnHighlight));
            DrawCaption(dc, Caption, r, flags);
            r = l.TextBounds;
            SetTextColor(dc, ColorToRGB(clBtnShadow));
            DrawCaption(dc, Caption, r, flags);
        } else {
            SetTextColor(dc, ColorToRGB(Canvas->Font()->Color()));
            DrawCaption(dc, Caption, r, flags);
        }
    }
    return l.TextBounds;
}

// ---- TThemedBitBtn -------------------------------------------------------------------------

TThemedBitBtn::TThemedBitBtn(TComponent* AOwner)
    : TButton(AOwner), FGlyph(new TButtonGlyph()), FCanvas(new TCanvas()) {
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
    if (IsAppThemed()) FTheme = OpenThemeData(nullptr, u"BUTTON");
}

TThemedBitBtn::~TThemedBitBtn() {
    // The window goes first, while the glyph and the canvas still exist.
    DestroyHandle();
    FGlyph->OnChange = nullptr;
    delete FGlyph;
    delete FCanvas;
    if (FTheme) CloseThemeData(FTheme);
}

bool TThemedBitBtn::Themed() {
    if (!IsAppThemed()) return false;
    if (!FTheme) FTheme = OpenThemeData(nullptr, u"BUTTON");
    return FTheme != nullptr;
}

void TThemedBitBtn::CreateParams(TCreateParams& Params) {
    TButton::CreateParams(Params);
    Params.Style |= BS_OWNERDRAW;
}

void TThemedBitBtn::CreateHandle() {
    TButton::CreateHandle();
    FGlyph->CreateButtonGlyph(FEnabled ? bsUp : bsDisabled);
}

void TThemedBitBtn::SetButtonStyle(bool ADefault) {
    if (ADefault == FIsFocused) return;
    FIsFocused = ADefault;
    Refresh();
}

void TThemedBitBtn::SetGlyph(TBitmap* Value) {
    FGlyph->SetGlyph(Value);
    FModifiedGlyph = true;
    Invalidate();
}

TThemedBitBtnKind TThemedBitBtn::Kind() const {
    if (FKind != bkCustom) {
        const KindInfo& k = kinds[static_cast<int>(FKind)];
        if (Default() != k.Default || Cancel() != k.Cancel || ModalResult() != k.Result || FModifiedGlyph)
            FKind = bkCustom;
    }
    return FKind;
}

void TThemedBitBtn::SetKind(TThemedBitBtnKind Value) {
    if (Value == FKind) return;
    if (Value != bkCustom) {
        const KindInfo& k = kinds[static_cast<int>(Value)];
        SetDefault(k.Default);
        SetCancel(k.Cancel);
        if (!ComponentState().Contains(csLoading) || Caption().empty()) SetCaption(ThemedKindCaption(Value));
        SetModalResult(k.Result);
        FGlyph->SetGlyph(ThemedKindGlyph(Value));
        FGlyph->SetNumGlyphs(2);
        FModifiedGlyph = false;
    }
    FKind = Value;
    Invalidate();
}

bool TThemedBitBtn::IsCaptionStored() const { return Caption() != ThemedKindCaption(Kind()); }

void TThemedBitBtn::SetLayout(TButtonLayout Value) {
    if (Value == FLayout) return;
    FLayout = Value;
    Invalidate();
}

void TThemedBitBtn::SetMargin(int Value) {
    if (Value == FMargin || Value < -1) return;
    FMargin = Value;
    Invalidate();
}

void TThemedBitBtn::SetNumGlyphs(TNumGlyphs Value) {
    Value = std::min(Value, 4);
    if (Value == FGlyph->NumGlyphs()) return;
    FGlyph->SetNumGlyphs(Value);
    Invalidate();
}

void TThemedBitBtn::SetSpacing(int Value) {
    if (Value == FSpacing) return;
    FSpacing = Value;
    Invalidate();
}

void TThemedBitBtn::SetStyle(TButtonStyle Value) {
    if (Value == FStyle) return;
    FStyle = Value;
    Invalidate();
}

void TThemedBitBtn::Click() {
    const TThemedBitBtnKind kind = Kind();
    if (kind == bkHelp) {
        for (TControl* c = this; c; c = c->Parent())
            if (c->HelpContext() != 0) {
                if (Application) Application->HelpContext(c->HelpContext());
                return;
            }
    } else if (kind == bkClose) {
        if (TCustomForm* form = GetParentForm(this)) {
            form->Close();
            return;
        }
    }
    TButton::Click();
}

void TThemedBitBtn::ActionChange(TObject* Sender, bool CheckDefaults) {
    TButton::ActionChange(Sender, CheckDefaults);
    auto* action = qobject_cast<TCustomAction*>(Sender);
    if (!action || !FGlyph->Glyph()->Empty()) return;
    TCustomImageList* images = action->ActionList() ? action->ActionList()->Images() : nullptr;
    if (!images || action->ImageIndex() < 0 || action->ImageIndex() >= images->Count()) return;
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(images->Width(), images->Height());
    picture.Canvas()->Brush()->SetColor(clFuchsia);
    picture.Canvas()->FillRect(RECT{0, 0, images->Width(), images->Height()});
    images->Draw(picture.Canvas(), 0, 0, action->ImageIndex());
    FGlyph->SetGlyph(&picture);
    Invalidate();
}

void TThemedBitBtn::DrawItem(const DRAWITEMSTRUCT& D) {
    const bool themed = Themed();
    FCanvas->SetHandle(D.hDC);
    const RECT client = ClientRect();
    RECT r = client;
    TCanvas* c = FCanvas;
    if (themed) {
        c->Pen()->SetColor(FColor);
        c->Brush()->SetColor(FColor);
        c->Brush()->SetStyle(bsSolid);
        c->Rectangle(r);
    }
    const bool pressed = (D.itemState & ODS_SELECTED) != 0;
    const bool focused = (D.itemState & ODS_FOCUS) != 0;
    const TButtonState state = !FEnabled ? bsDisabled : pressed ? bsDown : bsUp;
    UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (pressed) flags |= DFCS_PUSHED;
    if (D.itemState & ODS_DISABLED) flags |= DFCS_INACTIVE;
    if (!themed && (FIsFocused || focused)) {
        c->Pen()->SetColor(clWindowFrame);
        c->Pen()->SetWidth(1);
        c->Brush()->SetStyle(bsClear);
        c->Rectangle(r);
        InflateRect(&r, -1, -1);
    }
    if (pressed) {
        if (themed) {
            DrawThemeBackground(FTheme, D.hDC, BP_PUSHBUTTON, PBS_PRESSED, &r, nullptr);
        } else {
            c->Pen()->SetColor(clBtnShadow);
            c->Brush()->SetColor(clBtnFace);
            c->Brush()->SetStyle(bsSolid);
            c->Rectangle(r);
        }
        InflateRect(&r, -1, -1);
    } else if (themed) {
        // By meaning: disabled, the focused or default one, or a normal button.
        const int s = !FEnabled ? PBS_DISABLED : (FIsFocused || focused) ? PBS_DEFAULTED : PBS_NORMAL;
        DrawThemeBackground(FTheme, D.hDC, BP_PUSHBUTTON, s, &r, nullptr);
    } else {
        DrawFrameControl(D.hDC, &r, DFC_BUTTON, flags);
    }
    if (FIsFocused) {
        r = client;
        InflateRect(&r, -1, -1);
    }
    c->SetFont(FFont);
    if (pressed) OffsetRect(&r, 1, 1);
    FGlyph->Draw(c, r, Caption(), FLayout, FMargin, FSpacing, state, UseRightToLeftReading());
    if (FIsFocused && focused) {
        RECT f = client;
        InflateRect(&f, -4, -4);
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clBtnFace);
        DrawFocusRect(D.hDC, &f);
    }
    FCanvas->SetHandle(nullptr);
}

void TThemedBitBtn::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_DRAWITEM:
        if (auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam)) DrawItem(*d);
        Message.Result = 1;
        return;
    case CN_MEASUREITEM:
        if (auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam)) {
            m->itemWidth = static_cast<UINT>(FWidth);
            m->itemHeight = static_cast<UINT>(FHeight);
        }
        Message.Result = 1;
        return;
    case WM_LBUTTONDBLCLK:
        // A double click is a second press.
        Perform(WM_LBUTTONDOWN, Message.WParam, Message.LParam);
        return;
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
        TButton::Dispatch(Message);
        Invalidate();
        return;
    default: TButton::Dispatch(Message); return;
    }
}

void RegisterThemedButtons() {
    RegisterStandardClasses();
    RegisterClasses<TThemedBitBtn>();
}
