// The gradient caption.
#include "kit/KitGrdCpt.h"

#include "kit/KitHook.h"
#include "kit/KitUtils.h"
#include "platform/winpaint.h"

#include <algorithm>
#include <memory>

// ---- The caption picture -------------------------------------------------------------------

namespace {

// Measuring and drawing go straight to the device context with each text's own font, so
// that the canvas's font and brush never change while selected.
class TextDC {
public:
    explicit TextDC(HDC dc) : dc_(dc), old_(GetCurrentObject(dc, OBJ_FONT)) {}
    ~TextDC() { SelectObject(dc_, old_); }
    void use(TFont* font) {
        if (font) SelectObject(dc_, font->Handle());
        else SelectObject(dc_, old_);
    }
    int width(const String& text) const {
        const std::u16string w = AnsiToWide(text);
        SIZE size{0, 0};
        GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &size);
        return size.cx;
    }
    // The text cut after whole characters and followed by "..." until it fits.
    String shortened(const String& text, int room) const {
        if (width(text) <= room) return text;
        std::size_t end = text.size();
        while (end > 0) {
            --end;
            while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
            const String candidate = text.substr(0, end) + "...";
            if (width(candidate) <= room) return candidate;
        }
        return "...";
    }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Places one text at x with the room up to Right; false when no room is left.
bool PlaceOne(TextDC& dc, const TCaptionText& T, int Source, int& X, int Right, std::vector<TPlacedCaptionText>& Out) {
    if (X >= Right) return false;
    const int room = Right - X;
    dc.use(T.Font);
    const String text = dc.shortened(T.Text, room);
    const int width = std::min(dc.width(text), room);
    Out.push_back(TPlacedCaptionText{text, X, X + width, Source});
    X += width;
    return true;
}

std::vector<TPlacedCaptionText> PlaceTexts(TextDC& dc, const TCaptionLook& Look, int Left, int Right) {
    std::vector<TPlacedCaptionText> out;
    std::vector<int> shown;
    for (int i = 0; i < static_cast<int>(Look.Pieces.size()); ++i)
        if (Look.Pieces[static_cast<std::size_t>(i)].Visible) shown.push_back(i);
    auto piece = [&](int i) -> const TCaptionText& { return Look.Pieces[static_cast<std::size_t>(i)]; };
    int x = Left;
    if (Look.HideDirection == hdLeftToRight) {
        std::vector<int> widths;
        for (int i : shown) {
            dc.use(piece(i).Font);
            widths.push_back(dc.width(piece(i).Text));
        }
        dc.use(Look.Caption.Font);
        const int captionWidth = dc.width(Look.Caption.Text);
        std::size_t first = 0;
        auto total = [&] {
            int sum = captionWidth;
            for (std::size_t k = first; k < shown.size(); ++k) sum += widths[k];
            return sum;
        };
        // Leading pieces give way, each with the pieces glued to it.
        while (first < shown.size() && total() > Right - Left) {
            bool glued = piece(shown[first]).GlueNext;
            ++first;
            while (glued && first < shown.size()) {
                glued = piece(shown[first]).GlueNext;
                ++first;
            }
        }
        for (std::size_t k = first; k < shown.size(); ++k)
            if (!PlaceOne(dc, piece(shown[k]), shown[k], x, Right, out)) return out;
        PlaceOne(dc, Look.Caption, -1, x, Right, out);
        return out;
    }
    for (int i : shown)
        if (!PlaceOne(dc, piece(i), i, x, Right, out)) return out;
    PlaceOne(dc, Look.Caption, -1, x, Right, out);
    return out;
}

}  // namespace

std::vector<TPlacedCaptionText> PlaceCaptionTexts(TCanvas* Canvas, const TCaptionLook& Look, int Left, int Right) {
    if (!Canvas) return {};
    TextDC dc(Canvas->Handle());
    return PlaceTexts(dc, Look, Left, Right);
}

std::vector<TPlacedCaptionText> PaintCaptionBar(TCanvas* Canvas, const TCaptionLook& Look) {
    if (!Canvas || Look.Width <= 0 || Look.Height <= 0) return {};
    const int w = Look.Width, h = Look.Height;
    if (Look.Gradient) {
        FillGradient(Canvas, RECT{-(w / 4), 0, w, h}, Look.StartColor, Look.EndColor, Look.GradientSteps,
                     fdLeftToRight);
    } else {
        HBRUSH fill = CreateSolidBrush(ColorToRGB(Look.EndColor));
        const RECT all{0, 0, w, h};
        FillRect(Canvas->Handle(), &all, fill);
        DeleteObject(fill);
    }
    int textLeft = 0;
    if (Look.Icon && !Look.Icon->Empty()) {
        const int size = Look.IconSize;
        const int x = (h - size) / 2 + 1, y = (h - size) / 2;
        Canvas->StretchDraw(RECT{x, y, x + size, y + size}, Look.Icon);
        textLeft = h;
    }
    TextDC dc(Canvas->Handle());
    std::vector<TPlacedCaptionText> placed = PlaceTexts(dc, Look, textLeft + 2, w);
    const int oldMode = SetBkMode(dc.dc(), TRANSPARENT);
    const COLORREF oldColour = GetTextColor(dc.dc());
    for (const TPlacedCaptionText& p : placed) {
        const TCaptionText& t = p.Source < 0 ? Look.Caption : Look.Pieces[static_cast<std::size_t>(p.Source)];
        dc.use(t.Font);
        SetTextColor(dc.dc(), ColorToRGB(t.Color));
        RECT r{p.Left, 0, p.Right, h};
        const std::u16string text = AnsiToWide(p.Text);
        DrawTextW(dc.dc(), text.c_str(), static_cast<int>(text.size()), &r,
                  DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
    }
    SetTextColor(dc.dc(), oldColour);
    SetBkMode(dc.dc(), oldMode);
    return placed;
}

TBitmap* RenderCaptionBar(const TCaptionLook& Look, std::vector<TPlacedCaptionText>* Placed) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(std::max(0, Look.Width), std::max(0, Look.Height));
    std::vector<TPlacedCaptionText> placed = PaintCaptionBar(bitmap->Canvas(), Look);
    if (Placed) *Placed = std::move(placed);
    return bitmap.release();
}

// ---- TKitCaption ---------------------------------------------------------------------------

TKitCaption::TKitCaption(TCollection* Collection) : TCollectionItem(Collection), FFont(new TFont) {
    FFont->SetColor(clCaptionText);
    FFont->OnChange = TNotifyEvent(this, &TKitCaption::FontChanged);
    TakeParentFont();
}

TKitCaption::~TKitCaption() { delete FFont; }

TKitGradientCaption* TKitCaption::GradientCaption() const {
    auto* list = dynamic_cast<TKitCaptionList*>(Collection());
    return list ? list->GradientCaption() : nullptr;
}

void TKitCaption::Assign(TPersistent* Source) {
    if (auto* c = qobject_cast<TKitCaption*>(Source)) {
        FCaption = c->FCaption;
        ++FSettingFont;
        FFont->Assign(c->FFont);
        --FSettingFont;
        FParentFont = c->FParentFont;
        FVisible = c->FVisible;
        FGlueNext = c->FGlueNext;
        FInactiveColor = c->FInactiveColor;
        if (FParentFont) TakeParentFont();
        Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

void TKitCaption::TakeParentFont() {
    TKitGradientCaption* owner = GradientCaption();
    if (!owner) return;
    ++FSettingFont;
    FFont->Assign(owner->Font());
    --FSettingFont;
}

void TKitCaption::FontChanged(TObject*) {
    if (!FSettingFont) FParentFont = false;
    Changed(false);
}

void TKitCaption::SetCaption(const String& v) {
    if (FCaption == v) return;
    FCaption = v;
    Changed(false);
}

void TKitCaption::SetFont(TFont* v) {
    if (v) FFont->Assign(v);
}

void TKitCaption::SetParentFont(bool v) {
    FParentFont = v;
    if (v) TakeParentFont();
    Changed(false);
}

void TKitCaption::SetVisible(bool v) {
    if (FVisible == v) return;
    FVisible = v;
    Changed(false);
}

void TKitCaption::SetGlueNext(bool v) {
    if (FGlueNext == v) return;
    FGlueNext = v;
    Changed(false);
}

void TKitCaption::SetInactiveColor(TColor v) {
    if (FInactiveColor == v) return;
    FInactiveColor = v;
    Changed(false);
}

// ---- TKitCaptionList -----------------------------------------------------------------------

TKitCaptionList::TKitCaptionList(TKitGradientCaption* AOwner)
    : TCollection(CollectionItemClass<TKitCaption>(), AOwner), FOwner(AOwner) {
    SetPropName("Captions");
}

void TKitCaptionList::Update(TCollectionItem*) {
    if (FOwner) FOwner->CaptionsChanged();
}

void TKitCaptionList::Notify(TCollectionItem* Item, TCollectionNotification Action) {
    TCollection::Notify(Item, Action);
    if (auto* c = qobject_cast<TKitCaption*>(Item); c && Action == cnAdded && c->FParentFont) c->TakeParentFont();
}

// ---- TKitGradientCaption -------------------------------------------------------------------

namespace {

bool isToolWindow(const TCustomForm* f) {
    return f && (f->BorderStyle() == bsToolWindow || f->BorderStyle() == bsSizeToolWin);
}

}  // namespace

TKitGradientCaption::TKitGradientCaption(TComponent* AOwner)
    : TComponent(AOwner), FCaptions(new TKitCaptionList(this)), FFont(new TFont) {
    FFont->OnChange = TNotifyEvent(this, &TKitGradientCaption::FontChanged);
    SetDesktopFont();
    FHook = new TKitWindowHook(nullptr);
    FHook->SetActive(false);
    FHook->BeforeMessage = THookMessageEvent(this, &TKitGradientCaption::BeforeMessage);
    FHook->AfterMessage = THookMessageEvent(this, &TKitGradientCaption::AfterMessage);
    // A form built in code is hooked at once; one read from a layout after loading.
    if (TCustomForm* f = Form(); f && !f->ComponentState().Contains(csLoading)) UpdateHook();
}

TKitGradientCaption::~TKitGradientCaption() {
    delete FHook;
    FHook = nullptr;
    for (const auto& r : FNcRegions)
        if (r.second) DeleteObject(r.second);
    delete FCaptions;
    FCaptions = nullptr;
    delete FFont;
    FFont = nullptr;
}

bool TKitGradientCaption::Idle() const {
    const TComponentState s = ComponentState();
    return !s.Contains(csLoading) && !s.Contains(csDestroying) && !s.Contains(csDesigning);
}

bool TKitGradientCaption::Painting() const {
    TCustomForm* f = Form();
    return FActive && Idle() && f && f->HandleAllocated() && f->BorderStyle() != bsNone &&
           !f->ComponentState().Contains(csDestroying);
}

void TKitGradientCaption::UpdateHook() {
    if (!FHook) return;
    TCustomForm* f = Form();
    const bool on = FActive && f && !ComponentState().Contains(csDesigning) && !ComponentState().Contains(csDestroying);
    if (on) FHook->SetWinControl(f);
    FHook->SetActive(on);
}

void TKitGradientCaption::Loaded() {
    TComponent::Loaded();
    if (FDefaultFont) SetDesktopFont();
    Repaint();
}

void TKitGradientCaption::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TKitGradientCaption::SetDesktopFont() {
    ++FSettingFont;
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) {
        const LOGFONTW& lf = isToolWindow(Form()) ? m.lfSmCaptionFont : m.lfCaptionFont;
        FFont->SetName(WideToAnsi(std::u16string(lf.lfFaceName)));
        FFont->SetHeight(lf.lfHeight);
        TFontStyles style = 0;
        if (lf.lfWeight >= FW_BOLD) style |= fsBold;
        if (lf.lfItalic) style |= fsItalic;
        FFont->SetStyle(style);
    } else {
        FFont->SetName("Sans Serif");
        FFont->SetSize(8);
        FFont->SetStyle(fsBold);
    }
    FFont->SetCharset(DEFAULT_CHARSET);
    FFont->SetColor(clCaptionText);
    --FSettingFont;
    FDefaultFont = true;
    if (FCaptions)
        for (int i = 0; i < FCaptions->Count(); ++i)
            if (FCaptions->Caption(i)->FParentFont) FCaptions->Caption(i)->TakeParentFont();
}

void TKitGradientCaption::FontChanged(TObject*) {
    if (FSettingFont) return;
    FDefaultFont = false;
    if (FCaptions)
        for (int i = 0; i < FCaptions->Count(); ++i)
            if (FCaptions->Caption(i)->FParentFont) FCaptions->Caption(i)->TakeParentFont();
    Repaint();
}

void TKitGradientCaption::CaptionsChanged() {
    if (FActive && !ComponentState().Contains(csLoading)) Repaint();
}

void TKitGradientCaption::SetActive(bool v) {
    if (FActive == v) return;
    FActive = v;
    const TComponentState s = ComponentState();
    if (!s.Contains(csLoading) && !s.Contains(csDestroying)) {
        if (v && OnActivate) OnActivate(this);
        if (!v && OnDeactivate) OnDeactivate(this);
    }
    Repaint();
}

void TKitGradientCaption::SetDefaultFont(bool v) {
    if (v) {
        SetDesktopFont();
        Repaint();
    } else {
        FDefaultFont = false;
    }
}

void TKitGradientCaption::SetFont(TFont* v) {
    if (v) FFont->Assign(v);
}

void TKitGradientCaption::SetFontInactiveColor(TColor v) {
    if (FFontInactiveColor == v) return;
    FFontInactiveColor = v;
    Repaint();
}

void TKitGradientCaption::SetFormCaption(const String& v) {
    FFormCaption = v;
    if (TCustomForm* f = Form(); f && ComponentState().Contains(csDesigning)) f->SetCaption(v);
    Repaint();
}

void TKitGradientCaption::SetGradientActive(bool v) {
    if (FGradientActive == v) return;
    FGradientActive = v;
    Repaint();
}

void TKitGradientCaption::SetGradientInactive(bool v) {
    if (FGradientInactive == v) return;
    FGradientInactive = v;
    Repaint();
}

void TKitGradientCaption::SetGradientSteps(int v) {
    if (FGradientSteps == v) return;
    FGradientSteps = v;
    Repaint();
}

void TKitGradientCaption::SetHideDirection(THideDirection v) {
    if (FHideDirection == v) return;
    FHideDirection = v;
    Repaint();
}

void TKitGradientCaption::SetPopupMenu(TPopupMenu* v) {
    if (FPopupMenu == v) return;
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = v;
    if (v) v->FreeNotification(this);
}

void TKitGradientCaption::SetStartColor(TColor v) {
    if (FStartColor == v) return;
    FStartColor = v;
    Repaint();
}

RECT TKitGradientCaption::CaptionRect() const {
    TCustomForm* f = Form();
    if (!f || !f->HandleAllocated() || f->BorderStyle() == bsNone) return RECT{0, 0, 0, 0};
    const HWND wnd = f->Handle();
    const auto style = static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(wnd, GWL_EXSTYLE));
    if ((style & WS_CAPTION) != WS_CAPTION) return RECT{0, 0, 0, 0};
    RECT w{};
    GetWindowRect(wnd, &w);
    const bool tool = (exStyle & WS_EX_TOOLWINDOW) != 0;
    // The title buttons the frame shows for these styles.
    int buttons = 0;
    if (style & WS_SYSMENU) {
        buttons = 1;
        if (!tool) {
            const bool minMax = (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0;
            if (minMax) buttons += 2;
            else if (exStyle & WS_EX_CONTEXTHELP) buttons += 1;
        }
    }
    const bool sizeable = (style & WS_THICKFRAME) != 0;
    const int fx = GetSystemMetrics(sizeable ? SM_CXFRAME : SM_CXDLGFRAME);
    const int fy = GetSystemMetrics(sizeable ? SM_CYFRAME : SM_CYDLGFRAME);
    RECT r{fx, fy, (w.right - w.left) - fx, fy + GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION)};
    r.right -= buttons * GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE);
    if (r.right < r.left) r.right = r.left;
    return r;
}

TCaptionLook TKitGradientCaption::Look(int Width, int Height) const {
    TCaptionLook look;
    look.Width = Width;
    look.Height = Height;
    const bool active = FWindowActive;
    BOOL gradientCaptions = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradientCaptions, 0);
    look.EndColor = gradientCaptions ? (active ? clGradientActiveCaption : clGradientInactiveCaption)
                                     : (active ? clActiveCaption : clInactiveCaption);
    look.Gradient = active ? FGradientActive : FGradientInactive;
    look.StartColor = FStartColor;
    look.GradientSteps = FGradientSteps;
    look.IconSize = GetSystemMetrics(SM_CXSMICON);
    look.HideDirection = FHideDirection;
    for (int i = 0; i < FCaptions->Count(); ++i) {
        TKitCaption* c = FCaptions->Caption(i);
        TCaptionText t;
        t.Text = c->Caption();
        t.Font = c->ParentFont() ? FFont : c->Font();
        t.Color = active ? t.Font->Color() : c->InactiveColor();
        t.Visible = c->Visible();
        t.GlueNext = c->GlueNext();
        look.Pieces.push_back(t);
    }
    look.Caption.Text = FFormCaption;
    look.Caption.Font = FFont;
    look.Caption.Color = active ? FFont->Color() : FFontInactiveColor;
    return look;
}

void TKitGradientCaption::PaintCaption() {
    if (!Painting()) return;
    const RECT r = CaptionRect();
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    TCaptionLook look = Look(w, h);
    // The program's icon, else the kit's own application icon; loaded for this painting.
    TIcon icon;
    for (const char* name : {"MAINICON", "KITAPPICON"}) {
        try {
            icon.LoadFromResourceName(nullptr, name);
            break;
        } catch (const Exception&) {
        }
    }
    look.Icon = &icon;
    std::unique_ptr<TBitmap> bar(RenderCaptionBar(look));
    const HWND wnd = Form()->Handle();
    HDC dc = GetWindowDC(wnd);
    if (!dc) return;
    BitBlt(dc, r.left, r.top, w, h, bar->Canvas()->Handle(), 0, 0, SRCCOPY);
    ReleaseDC(wnd, dc);
}

void TKitGradientCaption::Repaint() {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
    UpdateHook();
    TCustomForm* f = Form();
    if (!f || !f->HandleAllocated() || f->ComponentState().Contains(csDestroying)) return;
    const HWND wnd = f->Handle();
    FWindowActive = GetActiveWindow() == wnd;
    if (Painting()) {
        if (!FFormCaption.empty()) platform::setDesktopTitle(wnd, AnsiToWide(FFormCaption));
        SendMessageW(wnd, WM_NCPAINT, 1, 0);
    } else if (platform::ownFrame(wnd)) {
        SendMessageW(wnd, WM_NCPAINT, 1, 0);
    }
}

void TKitGradientCaption::BeforeMessage(TObject*, TMessage& Msg, bool& Handled) {
    switch (Msg.Msg) {
    case WM_NCPAINT: {
        if (!Painting()) return;
        const RECT cap = CaptionRect();
        if (cap.right <= cap.left || cap.bottom <= cap.top) return;
        RECT w{};
        GetWindowRect(Form()->Handle(), &w);
        HRGN capRgn = CreateRectRgn(w.left + cap.left, w.top + cap.top, w.left + cap.right, w.top + cap.bottom);
        HRGN substitute = nullptr;
        if (Msg.WParam == 1) {
            // The whole window: everything but the caption.
            substitute = CreateRectRgn(w.left, w.top, w.right, w.bottom);
            CombineRgn(substitute, substitute, capRgn, RGN_DIFF);
        } else if (Msg.WParam) {
            HRGN update = reinterpret_cast<HRGN>(Msg.WParam);
            HRGN overlap = CreateRectRgn(0, 0, 0, 0);
            if (CombineRgn(overlap, update, capRgn, RGN_AND) > NULLREGION) {
                substitute = CreateRectRgn(0, 0, 0, 0);
                CombineRgn(substitute, update, capRgn, RGN_DIFF);
            }
            DeleteObject(overlap);
        }
        DeleteObject(capRgn);
        FNcRegions.emplace_back(Msg.WParam, substitute);
        if (substitute) Msg.WParam = reinterpret_cast<WPARAM>(substitute);
        return;
    }
    case WM_NCACTIVATE: FWindowActive = Msg.WParam != 0; return;
    case WM_NCRBUTTONDOWN:
        if (FPopupMenu && FPopupMenu->AutoPopup() && Msg.WParam == HTCAPTION) {
            FPopupPressed = true;
            Msg.Result = 0;
            Handled = true;
        }
        return;
    case WM_NCRBUTTONUP:
        if (FPopupPressed) {
            FPopupPressed = false;
            Msg.Result = 0;
            Handled = true;
            if (TCustomForm* f = Form()) SendMessageW(f->Handle(), WM_CANCELMODE, 0, 0);
            if (FPopupMenu) FPopupMenu->Popup(GET_X_LPARAM(Msg.LParam), GET_Y_LPARAM(Msg.LParam));
        }
        return;
    default: return;
    }
}

void TKitGradientCaption::AfterMessage(TObject*, TMessage& Msg, bool&) {
    switch (Msg.Msg) {
    case WM_NCPAINT: {
        if (!FNcRegions.empty()) {
            const auto [saved, substitute] = FNcRegions.back();
            FNcRegions.pop_back();
            Msg.WParam = saved;
            if (substitute) DeleteObject(substitute);
        }
        PaintCaption();
        return;
    }
    case WM_NCACTIVATE: PaintCaption(); return;
    default: return;
    }
}

void RegisterKitGradientCaption() {
    RegisterStandardClasses();
    RegisterClasses<TKitGradientCaption, TKitCaption>();
}
