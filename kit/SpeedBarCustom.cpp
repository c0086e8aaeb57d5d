// Customizing a speed bar: moving it to another edge of its parent, resizing it in rows,
// dragging single buttons, the floating picture of a dragged button, and keeping the
// bar's layout in a form placement's storage.
#include "kit/SpeedBar.h"

#include "classlib/Forms.h"
#include "kit/KitUtils.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr TAlign EdgeAligns[4] = {alTop, alBottom, alLeft, alRight};

bool IsEdge(TAlign a) { return a == alTop || a == alBottom || a == alLeft || a == alRight; }

void SetScreenCursor(TCursor Cursor) {
    if (Screen) ::SetCursor(Screen->Cursors(Cursor));
}

// "Button" followed by a decimal number without leading zeros: the number, else 0.
int ButtonNumber(const String& Name) {
    if (Name.size() <= 6 || Name.compare(0, 6, "Button") != 0) return 0;
    const String digits = Name.substr(6);
    if (digits[0] == '0' || digits.size() > 10) return 0;
    long long n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n > 0x7FFFFFFF ? 0 : static_cast<int>(n);
}

}  // namespace

// ---- Moving the bar to an edge -------------------------------------------------------------

int TSpeedBar::DropEdgeAt(POINT Pos, bool& Apply) {
    int edge = 0;
    if (FParent) {
        const POINT p = FParent->ScreenToClient(ClientToScreen(Pos));
        const double W = FParent->ClientWidth(), H = FParent->ClientHeight();
        // A parent without a client area has no diagonals: the top edge.
        if (W > 0 && H > 0) {
            const double X = p.x, Y = p.y;
            const bool below = Y > (H / W) * X;
            const bool aboveAnti = Y < H * (1.0 - X / W);
            if (!below) edge = aboveAnti ? 0 : 3;
            else edge = aboveAnti ? 2 : 1;
        }
    }
    if (OnApplyAlign) OnApplyAlign(this, EdgeAligns[edge], Apply);
    return edge;
}

RECT TSpeedBar::FreeAreaFor(TAlign Edge) {
    RECT r{0, 0, 0, 0};
    if (!FParent) return r;
    r = FParent->ClientRect();
    const int target = static_cast<int>(Edge);
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (c == this || !c->Visible() || !IsEdge(c->Align())) continue;
        const int a = static_cast<int>(c->Align());
        bool ahead = false;
        if (a == target) {
            switch (Edge) {
            case alTop: ahead = c->Top() < Top(); break;
            case alBottom: ahead = c->Top() + c->Height() > Top() + Height(); break;
            case alLeft: ahead = c->Left() < Left(); break;
            case alRight: ahead = c->Left() + c->Width() > Left() + Width(); break;
            default: break;
            }
        }
        if (a >= target && !(a == target && ahead)) continue;
        switch (c->Align()) {
        case alTop: r.top += c->Height(); break;
        case alBottom: r.bottom -= c->Height(); break;
        case alLeft: r.left += c->Width(); break;
        case alRight: r.right -= c->Width(); break;
        default: break;
        }
    }
    return r;
}

RECT TSpeedBar::DropFrameAt(POINT Pos) {
    bool apply = true;
    const int edge = DropEdgeAt(Pos, apply);
    if (!apply || !FParent) return FDragFrame;
    const TAlign a = EdgeAligns[edge];
    FPrevAlign = a;
    RECT r = FreeAreaFor(a);
    const POINT tl = FParent->ClientToScreen(POINT{r.left, r.top});
    OffsetRect(&r, tl.x - r.left, tl.y - r.top);
    const int thickness = Orientation() == boHorizontal ? Height() : Width();
    switch (a) {
    case alTop: r.bottom = r.top + thickness; break;
    case alBottom: r.top = r.bottom - thickness; break;
    case alLeft: r.right = r.left + thickness; break;
    case alRight: r.left = r.right - thickness; break;
    default: break;
    }
    return r;
}

void TSpeedBar::BeginBarDrag() {
    const POINT tl = ClientToScreen(POINT{0, 0});
    FDragFrame = RECT{tl.x, tl.y, tl.x + Width(), tl.y + Height()};
    FPrevAlign = FAlign;
    DrawFocusFrames(FDragFrame, 3);
    SetScreenCursor(crKitDrag);
    FDragging = true;
}

void TSpeedBar::TrackBarDrag(POINT Pos) {
    const RECT frame = DropFrameAt(Pos);
    if (EqualRect(&frame, &FDragFrame)) return;
    DrawFocusFrames(FDragFrame, 3);
    SetScreenCursor(crKitDrag);
    FDragFrame = frame;
    DrawFocusFrames(FDragFrame, 3);
}

void TSpeedBar::EndBarDrag(POINT Pos) {
    DrawFocusFrames(FDragFrame, 3);
    SetScreenCursor(FCursor);
    FDragging = false;
    if (!IsEdge(FAlign)) return;
    bool apply = true;
    const int edge = DropEdgeAt(Pos, apply);
    if (FParent) FParent->DisableAlign();
    try {
        SetAlign(apply ? EdgeAligns[edge] : FPrevAlign);
    } catch (...) {
        if (FParent) FParent->EnableAlign();
        throw;
    }
    if (FParent) FParent->EnableAlign();
    PosChanged();
}

// ---- Resizing in rows ----------------------------------------------------------------------

bool TSpeedBar::InResizeZone(int X, int Y) {
    const int CW = ClientWidth(), CH = ClientHeight();
    bool hit = false;
    switch (FAlign) {
    case alTop:
    case alBottom:
        if (X > 0 && X <= CW) {
            hit = FAlign == alTop ? (CH - 4 < Y && Y <= CH + 4) : (-4 < Y && Y <= 4);
            if (hit) SetScreenCursor(crSizeNS);
        }
        break;
    case alLeft:
    case alRight:
        if (Y > 0 && Y <= CH) {
            hit = FAlign == alLeft ? (CW - 4 < X && X <= CW + 4) : (-4 < X && X <= 4);
            if (hit) SetScreenCursor(crSizeWE);
        }
        break;
    default: break;
    }
    return hit;
}

void TSpeedBar::ResizeTo(int X, int Y) {
    if (!FParent) return;
    const POINT p = FParent->ScreenToClient(ClientToScreen(POINT{X, Y}));
    const RECT pc = FParent->ClientRect();
    if (p.x < pc.left || p.x > pc.right || p.y < pc.top || p.y > pc.bottom) return;
    const int CW = ClientWidth(), CH = ClientHeight();
    const int bw = std::max<LONG>(FButtonSize.cx, 1), bh = std::max<LONG>(FButtonSize.cy, 1);
    int n = 0;
    switch (FAlign) {
    case alTop: n = std::abs(Y - 2 * FOffset.y) / bh; break;
    case alBottom: n = std::abs(CH - 2 * FOffset.y - Y) / bh; break;
    case alLeft: n = std::abs(X - 2 * FOffset.x) / bw; break;
    case alRight: n = std::abs(CW - 2 * FOffset.x - X) / bw; break;
    default: return;
    }
    n = LargerOf(1, n);
    if (FAlign == alTop || FAlign == alBottom) {
        SetScreenCursor(crSizeNS);
        SetHeight(SmallerOf(bh * n + 2 * FOffset.y, FParent->ClientHeight()));
    } else {
        SetScreenCursor(crSizeWE);
        SetWidth(SmallerOf(bw * n + 2 * FOffset.x, FParent->ClientWidth()));
    }
}

// ---- The bar's mouse -----------------------------------------------------------------------

void TSpeedBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !FParent) return;
    if (FSetupWindow && FOptions.testFlag(sbAllowResize) && !FDragging && InResizeZone(X, Y)) {
        FResizing = true;
        SetMouseCapture(true);
        return;
    }
    if (FOptions.testFlag(sbAllowDrag) && IsEdge(FAlign)) {
        SetMouseCapture(true);
        FPressed = true;
        FPressPoint = POINT{X, Y};
    }
}

void TSpeedBar::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseMove(Shift, X, Y);
    if (FResizing) {
        ResizeTo(X, Y);
        return;
    }
    if (FPressed && MouseCapture() && (Shift & ssLeft) && FOptions.testFlag(sbAllowDrag)) {
        if (!FDragging) {
            if (std::abs(X - FPressPoint.x) <= 4 && std::abs(Y - FPressPoint.y) <= 4) return;
            BeginBarDrag();
        }
        TrackBarDrag(POINT{X, Y});
        return;
    }
    if (FSetupWindow && FOptions.testFlag(sbAllowResize) && !FDragging) InResizeZone(X, Y);
}

void TSpeedBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    if (FResizing) {
        FResizing = false;
        SetScreenCursor(FCursor);
    }
    const bool dragged = FDragging;
    FPressed = false;
    SetMouseCapture(false);
    if (dragged) EndBarDrag(POINT{X, Y});
}

// ---- Layout storage ------------------------------------------------------------------------

String TSpeedBar::LayoutSection() const { return FIniLink->RootSection() + DefaultSectionOf(const_cast<TSpeedBar*>(this)); }

void TSpeedBar::StoreBarLayout(TObject* Storage, const String& Section) {
    StoreEraseSection(Storage, Section);
    StoreWriteInteger(Storage, Section, "Position", static_cast<int>(FAlign));
    if (FAlign == alTop || FAlign == alBottom) StoreWriteInteger(Storage, Section, "Width", Height());
    else if (FAlign == alLeft || FAlign == alRight) StoreWriteInteger(Storage, Section, "Width", Width());
    StoreWriteInteger(Storage, Section, "Version", FVersion);
    StoreWriteInteger(Storage, Section, "PixelsPerInch", Screen ? Screen->PixelsPerInch() : 96);
    StoreWriteInteger(Storage, Section, "BtnWidth", FButtonSize.cx);
    StoreWriteInteger(Storage, Section, "BtnHeight", FButtonSize.cy);
    int n = 0;
    ForEachItem([&](TSpeedItem* item) {
        if (!item->Visible()) return;
        ++n;
        StoreWriteString(Storage, Section, Format("Button%d", {n}),
                         Format("%s,%d,%d", {item->Name(), item->Left(), item->Top()}));
    });
    StoreWriteInteger(Storage, Section, "Count", n);
}

void TSpeedBar::LoadBarLayout(TObject* Storage, const String& Section) {
    const TAlign remembered = FAlign;
    FPrevAlign = FAlign;
    if (StoreReadInteger(Storage, Section, "Version", FVersion) < FVersion) return;
    if (FOptions.testFlag(sbAllowDrag)) {
        const int position = StoreReadInteger(Storage, Section, "Position", static_cast<int>(FAlign));
        // A stored edge that cannot be applied (out of range, or refused) gives the top.
        try {
            if (position < 0 || position > static_cast<int>(alClient)) throw ESpeedbarError("Invalid bar position");
            SetAlign(static_cast<TAlign>(position));
        } catch (...) {
            SetAlign(alTop);
        }
    }
    const int ownPpi = qobject_cast<TCustomForm*>(Owner()) ? (Screen ? Screen->PixelsPerInch() : 96) : 0;
    const int ppi = StoreReadInteger(Storage, Section, "PixelsPerInch", ownPpi);
    if (ppi != (Screen ? Screen->PixelsPerInch() : 96)) {
        if (FAlign != remembered) PosChanged();
        return;
    }
    if (FOptions.testFlag(sbAllowResize)) {
        if (FAlign == alTop || FAlign == alBottom) SetHeight(StoreReadInteger(Storage, Section, "Width", Height()));
        else if (FAlign == alLeft || FAlign == alRight) SetWidth(StoreReadInteger(Storage, Section, "Width", Width()));
    }
    if (FAlign != remembered) PosChanged();
    const int count = StoreReadInteger(Storage, Section, "Count", 0);
    if (count > 0) {
        ForEachItem([](TSpeedItem* item) { item->SetVisible(false); });
        // Only the entries the section holds are read, so a huge count costs nothing.
        std::vector<int> present;
        for (const String& name : StoreSectionNames(Storage, Section)) {
            const int i = ButtonNumber(name);
            if (i >= 1 && i <= count) present.push_back(i);
        }
        std::sort(present.begin(), present.end());
        present.erase(std::unique(present.begin(), present.end()), present.end());
        const TCharSet commas{','};
        for (int i : present) {
            const String entry = StoreReadString(Storage, Section, Format("Button%d", {i}), String());
            if (entry.empty()) continue;
            TSpeedItem* item = FindItemNamed(Trim(NthWord(1, entry, commas)));
            if (!item) continue;
            const int left = StrToIntDef(Trim(NthWord(2, entry, commas)), item->Left());
            const int top = StrToIntDef(Trim(NthWord(3, entry, commas)), item->Top());
            item->SetLeft(LargerOf(left, FOffset.x));
            item->SetTop(LargerOf(top, FOffset.y));
            item->SetVisible(true);
        }
    }
    Invalidate();
}

// ---- Dragging a button in customize mode ---------------------------------------------------

POINT TSpeedbarButton::PictureCorner(int X, int Y) const {
    const int w = FBtnControl ? FBtnControl->Width() : Width();
    const int h = FBtnControl ? FBtnControl->Height() : Height();
    return ClientToScreen(POINT{X - w, Y - h});
}

void TSpeedbarButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedBar* bar = FItem ? FItem->SpeedBar() : nullptr;
    if (Button == mbLeft && FItem && FItem->Customizing() && bar && Parent() == bar && FItem->Visible()) {
        if (!FBtnControl) {
            // The pointer goes to the button's lower-right corner, where the picture hangs.
            const POINT corner = ClientToScreen(POINT{bar->BtnWidth(), bar->BtnHeight()});
            SetCursorPos(corner.x, corner.y);
            FBtnControl = new TBtnControl(this);
            FBtnControl->TakeItemLook(FItem);
        }
        BringToFront();
        return;
    }
    TKitSpeedButton::MouseDown(Button, Shift, X, Y);
}

void TSpeedbarButton::MouseMove(TShiftState Shift, int X, int Y) {
    if (!FBtnControl) {
        TKitSpeedButton::MouseMove(Shift, X, Y);
        return;
    }
    TSpeedBar* bar = FItem ? FItem->SpeedBar() : nullptr;
    const POINT corner = PictureCorner(X, Y);
    SetVisible(false);
    const POINT local = bar ? bar->ScreenToClient(corner) : POINT{-1, -1};
    const RECT client = bar ? bar->ClientRect() : RECT{0, 0, 0, 0};
    if (bar && PtInRect(&client, local))
        FBtnControl->ShowAt(RECT{corner.x, corner.y, corner.x + FBtnControl->Width(), corner.y + FBtnControl->Height()});
    else
        FBtnControl->HideImage();
}

void TSpeedbarButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (!FBtnControl) {
        TKitSpeedButton::MouseUp(Button, Shift, X, Y);
        return;
    }
    const POINT corner = PictureCorner(X, Y);
    delete FBtnControl;
    FBtnControl = nullptr;
    SetMouseCapture(false);
    TSpeedItem* item = FItem;
    TSpeedBar* bar = item ? item->SpeedBar() : nullptr;
    if (!bar) return;
    const POINT local = bar->ScreenToClient(corner);
    const RECT client = bar->ClientRect();
    if (PtInRect(&client, local)) {
        if (bar->PlaceItem(item, local)) {
            SetVisible(true);
            bar->Notify(SBR_ITEMPLACED, item);
            Repaint();
            return;
        }
        // Not placed: the button goes back where it was.
        SetVisible(true);
    } else {
        SendToBack();
        SetVisible(true);
        item->SetVisible(false);
    }
    bar->Notify(SBR_CHANGED, bar);
}

// ---- TBtnControl ---------------------------------------------------------------------------

TBtnControl::TBtnControl(TComponent* AOwner) : TCustomControl(AOwner), FImage(new TButtonImage()) {
    InitKitCursors();
    FCursor = crKitDrag;
    FVisible = false;
}

TBtnControl::~TBtnControl() {
    DestroyHandle();
    delete FImage;
}

void TBtnControl::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_DISABLED;
    Params.WndParent = nullptr;
    Params.WindowClass.style |= CS_SAVEBITS;
    if (NewStyleControls) Params.ExStyle = WS_EX_TOOLWINDOW;
}

void TBtnControl::TakeItemLook(TSpeedItem* Item) {
    if (!Item) return;
    TSpeedbarButton* b = Item->Button();
    FAlignment = b->Alignment();
    FImage->SetAlignment(FAlignment);
    FImage->SetGlyph(Item->Glyph());
    FImage->SetNumGlyphs(Item->NumGlyphs());
    FSpacing = Item->Spacing();
    FMargin = Item->Margin();
    FLayout = Item->Layout();
    FImage->Caption = Item->BtnCaption();
    FImage->SetWordWrap(Item->WordWrap());
    FImageIndex = Item->ImageIndex();
    FImages = Item->SpeedBar() ? Item->SpeedBar()->Images() : nullptr;
    FFont->Assign(Item->Font());
    SetBiDiMode(b->BiDiMode());
    if (TSpeedBar* bar = Item->SpeedBar()) SetBounds(0, 0, bar->BtnWidth(), bar->BtnHeight());
}

void TBtnControl::Resize() {
    FImage->ButtonSize = SIZE{ClientWidth(), ClientHeight()};
    TCustomControl::Resize();
}

void TBtnControl::Paint() {
    FImage->ButtonSize = SIZE{ClientWidth(), ClientHeight()};
    FImage->Draw(Canvas(), 0, 0, FLayout, FMargin, FSpacing, AlignmentTextFlags(FAlignment, UseRightToLeftReading()),
                 FFont, FImages, FImageIndex);
}

void TBtnControl::ShowAt(const RECT& Rect) {
    if (Width() <= 0 || Height() <= 0) SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
    FLeft = Rect.left;
    FTop = Rect.top;
    FVisible = true;
    SetWindowPos(Handle(), HWND_TOPMOST, Rect.left, Rect.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (Screen) ::SetCursor(Screen->Cursors(FCursor));
}

void TBtnControl::HideImage() {
    FVisible = false;
    DestroyHandle();
}
