// The speed bar: sections, items and their buttons, the grid, options, painting and the
// streamed properties of layouts.
#include "kit/SpeedBar.h"

#include "classlib/Forms.h"
#include "kit/KitUtils.h"
#include "platform/winpaint.h"

#include <algorithm>
#include <cmath>

// ---- TSpeedbarSection ----------------------------------------------------------------------

TSpeedbarSection::TSpeedbarSection(TComponent* AOwner) : TComponent(AOwner) {}

TSpeedbarSection::~TSpeedbarSection() {
    // The items stay (their owner frees them) but leave the bar.
    if (FSpeedBar) FSpeedBar->RemoveSection(this);
    for (TSpeedItem* item : std::vector<TSpeedItem*>(FItems)) item->LeaveSection();
}

void TSpeedbarSection::SetCaption(const String& Value) {
    if (Value == FCaption) return;
    if (FSpeedBar && !ComponentState().Contains(csLoading) && !FSpeedBar->ComponentState().Contains(csLoading)) {
        const int other = FSpeedBar->SearchSection(Value);
        if (other >= 0 && FSpeedBar->Sections(other) != this) throw ESpeedbarError(&SDuplicateString);
    }
    FCaption = Value;
}

int TSpeedbarSection::Index() const {
    if (!FSpeedBar) return -1;
    const auto& list = FSpeedBar->FSections;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TSpeedbarSection::SetIndex(int Value) {
    if (!FSpeedBar) return;
    auto& list = FSpeedBar->FSections;
    const int current = Index();
    if (current < 0) return;
    Value = std::clamp(Value, 0, static_cast<int>(list.size()) - 1);
    if (Value == current) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + Value, this);
}

void TSpeedbarSection::Clear() {
    for (TSpeedItem* item : std::vector<TSpeedItem*>(FItems)) item->Free();
    FItems.clear();
}

TComponent* TSpeedbarSection::GetParentComponent() const { return FSpeedBar; }

void TSpeedbarSection::SetParentComponent(TComponent* Value) {
    if (FSpeedBar) FSpeedBar->RemoveSection(this);
    if (auto* bar = qobject_cast<TSpeedBar*>(Value)) bar->AddSection(this);
}

// ---- TSpeedbarButton -----------------------------------------------------------------------

TSpeedbarButton::TSpeedbarButton(TComponent* AOwner) : TKitSpeedButton(AOwner) {
    FItem = qobject_cast<TSpeedItem*>(AOwner);
}

TSpeedbarButton::~TSpeedbarButton() {
    delete FBtnControl;
    FBtnControl = nullptr;
}

void TSpeedbarButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    // On a bar a button keeps at least the offset on the cross axis.
    if (FItem && FItem->FSpeedBar && !FItem->FSpeedBar->ComponentState().Contains(csLoading)) {
        TSpeedBar* bar = FItem->FSpeedBar;
        if (bar->Orientation() == boHorizontal) ATop = std::max(ATop, bar->BtnOffsetVert());
        else ALeft = std::max(ALeft, bar->BtnOffsetHorz());
    }
    TKitSpeedButton::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TSpeedbarButton::PaintGlyph(TCanvas* Canvas, const RECT& ARect, bool PopupMark, TButtonState AState) {
    TSpeedBar* bar = FItem ? FItem->FSpeedBar : nullptr;
    TCustomImageList* images = bar ? bar->Images() : nullptr;
    const int index = FItem ? FItem->ImageIndex() : -1;
    FGlyph->DrawButtonGlyph(Canvas, ARect, Caption(), Layout(), Margin(), Spacing(), PopupMark, AState,
                            AlignmentTextFlags(Alignment(), UseRightToLeftReading()), images, index);
}

void TSpeedbarButton::Paint() {
    if (FItem && !FItem->Visible()) return;
    TKitSpeedButton::Paint();
}

void TSpeedbarButton::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    if (FItem && FItem->FSpeedBar) FItem->FSpeedBar->DragOver(Source, X + Left(), Y + Top(), State, Accept);
    else TKitSpeedButton::DragOver(Source, X, Y, State, Accept);
}

void TSpeedbarButton::DragDrop(TObject* Source, int X, int Y) {
    if (FItem && FItem->FSpeedBar) FItem->FSpeedBar->DragDrop(Source, X + Left(), Y + Top());
    else TKitSpeedButton::DragDrop(Source, X, Y);
}

// ---- TSpeedItem ----------------------------------------------------------------------------

TSpeedItem::TSpeedItem(TComponent* AOwner) : TComponent(AOwner) {
    FButton = new TSpeedbarButton(this);
    FButton->SetVisible(true);
}

TSpeedItem::~TSpeedItem() {
    SetVisible(false);
    LeaveSection();
    FSpeedBar = nullptr;
    delete FButton;
    FButton = nullptr;
}

void TSpeedItem::SetSpeedBar(TSpeedBar* Value) {
    if (Value == FSpeedBar) return;
    LeaveSection();
    if (FButton->Parent()) FButton->SetParent(nullptr);
    FSpeedBar = Value;
    if (FSpeedBar) {
        FSpeedBar->SetItemParams(this);
        if (FVisible) FButton->SetParent(FSpeedBar);
    }
}

void TSpeedItem::JoinSection(TSpeedbarSection* Value) {
    if (Value == FSection) return;
    LeaveSection();
    FSection = Value;
    if (Value) Value->FItems.push_back(this);
}

void TSpeedItem::LeaveSection() {
    if (!FSection) return;
    auto& list = FSection->FItems;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FSection = nullptr;
}

int TSpeedItem::Section() const { return FSection ? FSection->Index() : -1; }

void TSpeedItem::SetSection(int Value) {
    if (!FSpeedBar || Value < 0 || Value >= FSpeedBar->SectionCount()) return;
    JoinSection(FSpeedBar->Sections(Value));
}

void TSpeedItem::SetCaption(const String& Value) {
    const String oldHint = FButton->Hint();
    const bool changeHint = FCaption == GetShortHint(oldHint) || !FSpeedBar;
    FCaption = Value;
    if (!changeHint) return;
    const std::size_t bar = Value.find('|');
    const bool oldHasBar = oldHint.find('|') != String::npos;
    if (bar != String::npos) {
        if (!GetLongHint(Value).empty()) FButton->SetHint(Value);
        else FButton->SetHint(GetShortHint(Value) + "|" + GetLongHint(oldHint));
    } else if (oldHasBar) {
        FButton->SetHint(Value + "|" + GetLongHint(oldHint));
    } else {
        FButton->SetHint(Value + "|");
    }
}

void TSpeedItem::SetEnabled(bool v) {
    FEnabled = v;
    FButton->SetEnabled(v && (!FSpeedBar || FSpeedBar->Enabled()));
}

void TSpeedItem::SetImageIndex(int v) {
    if (v == FImageIndex) return;
    FImageIndex = v;
    FButton->ButtonGlyph()->Invalidate();
    FButton->Invalidate();
}

void TSpeedItem::SetTag(int v) {
    TComponent::SetTag(v);
    FButton->SetTag(v);
}

void TSpeedItem::SetVisible(bool v) {
    if (!FButton) return;
    FVisible = v;
    if (v && FSpeedBar) {
        if (FButton->Parent() != FSpeedBar) FButton->SetParent(FSpeedBar);
        FButton->SetVisible(true);
        FButton->Invalidate();
    } else if (!v && FButton->Parent()) {
        FButton->SetParent(nullptr);
    }
}

void TSpeedItem::ButtonClick() { FButton->Click(); }

void TSpeedItem::SetName(const String& NewName) {
    const String old = Name();
    TComponent::SetName(NewName);
    if (FCaption == old) SetCaption(NewName);
}

TComponent* TSpeedItem::GetParentComponent() const { return FSpeedBar; }

void TSpeedItem::SetParentComponent(TComponent* Value) {
    auto* bar = qobject_cast<TSpeedBar*>(Value);
    if (!bar) {
        SetSpeedBar(nullptr);
        return;
    }
    if (ComponentState().Contains(csLoading)) SetSpeedBar(bar);
    else bar->AddItem(std::max(FReadSection, 0), this);
}

void TSpeedItem::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "Section", [this](TReader* R) { FReadSection = R->ReadInteger(); },
        [this](TWriter* W) { W->WriteInteger(Section()); }, FSection != nullptr);
    Filer->DefineProperty(
        "SectionName", [this](TReader* R) { FReadSectionName = R->ReadString(); },
        [this](TWriter* W) { W->WriteString(FSection ? FSection->Caption() : String()); }, FSection != nullptr);
}

void TSpeedItem::Loaded() {
    TComponent::Loaded();
    if (!FSpeedBar) return;
    int index = FReadSection;
    if (!FReadSectionName.empty()) {
        const int named = FSpeedBar->SearchSection(FReadSectionName);
        if (named >= 0) index = named;
    }
    if (FSpeedBar->SectionCount() == 0) FSpeedBar->NewSection(FReadSectionName);
    index = std::clamp(index, 0, FSpeedBar->SectionCount() - 1);
    JoinSection(FSpeedBar->Sections(index));
    FSpeedBar->SetItemParams(this);
    SetVisible(FVisible);
}

// ---- TSpeedBar -----------------------------------------------------------------------------

TSpeedBar::TSpeedBar(TComponent* AOwner)
    : TCustomPanel(AOwner), FWallpaper(new TPicture()), FImageChangeLink(new TChangeLink()), FIniLink(new TIniLink()) {
    InitKitCursors();
    ControlStyle &= ~csSetCaption;
    FOptions = TSpeedbarOptions(sbAllowDrag) | sbGrayedBtns;
    FAlign = alTop;
    FPrevAlign = alTop;
    FWallpaper->OnChange = [this](TObject*) { Invalidate(); };
    FImageChangeLink->OnChange = TNotifyEvent(this, &TSpeedBar::ImagesChanged);
    FIniLink->OnSave = [this](TObject*) {
        if (!Name().empty() && FIniLink->Storage()) StoreBarLayout(FIniLink->Storage(), LayoutSection());
    };
    FIniLink->OnLoad = [this](TObject*) {
        if (!Name().empty() && FIniLink->Storage()) LoadBarLayout(FIniLink->Storage(), LayoutSection());
    };
    const int frame = FrameWidth();
    FOffset = POINT{frame, frame};
    FHeight = 2 * frame + FButtonSize.cy;
    SetFontDefault();
    UpdateGridSize();
}

TSpeedBar::~TSpeedBar() {
    Notify(SBR_DESTROYED, this);
    FSetupWindow = nullptr;
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink);
    FImages = nullptr;
    for (TSpeedbarSection* s : std::vector<TSpeedbarSection*>(FSections)) {
        for (TSpeedItem* item : std::vector<TSpeedItem*>(s->FItems)) {
            item->LeaveSection();
            if (item->FButton && item->FButton->Parent() == this) item->FButton->SetParent(nullptr);
            item->FSpeedBar = nullptr;
        }
        s->FSpeedBar = nullptr;
    }
    FSections.clear();
    // Items that are not in a section yet (being read) leave the bar too.
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* b = qobject_cast<TSpeedbarButton*>(c)) {
            b->SetParent(nullptr);
            if (b->Item()) b->Item()->FSpeedBar = nullptr;
        }
    delete FIniLink;
    FIniLink = nullptr;
    delete FImageChangeLink;
    delete FWallpaper;
}

void TSpeedBar::SetFontDefault() {
    FParentFont = false;
    NONCLIENTMETRICSA m{};
    m.cbSize = sizeof m;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0) && m.lfMenuFont.lfFaceName[0]) {
        FFont->SetName(m.lfMenuFont.lfFaceName);
        FFont->SetHeight(m.lfMenuFont.lfHeight);
        TFontStyles style = 0;
        if (m.lfMenuFont.lfWeight >= 700) style |= fsBold;
        if (m.lfMenuFont.lfItalic) style |= fsItalic;
        FFont->SetStyle(style);
    } else {
        FFont->SetName("Sans Serif");
        FFont->SetSize(8);
        FFont->SetStyle(0);
    }
    FFont->SetCharset(1);
    FFont->SetColor(clBtnText);
}

int TSpeedBar::FrameWidth() const {
    int w = FOptions.testFlag(sbFlatBtns) ? 0 : 2;
    w += BorderWidth();
    if (BevelOuter() != bvNone) w += BevelWidth();
    if (BevelInner() != bvNone) w += BevelWidth();
    return w;
}

TBarOrientation TSpeedBar::Orientation() const {
    switch (FAlign) {
    case alTop:
    case alBottom: return boHorizontal;
    case alLeft:
    case alRight: return boVertical;
    default: return FOrientation;
    }
}

void TSpeedBar::UpdateGridSize() {
    const bool horizontal = Orientation() == boHorizontal;
    const int a = std::max(1, horizontal ? FButtonSize.cx : FButtonSize.cy);
    int step = std::max(1, std::min(8, a / 3));
    while (a % step != 0) ++step;
    if (step == a && a > 1) {
        step = a - 1;
        while (step > 1 && a % step != 0) --step;
    }
    if (horizontal) FGridSize = SIZE{step, FButtonSize.cy};
    else FGridSize = SIZE{FButtonSize.cx, step};
}

void TSpeedBar::ApplyOrientation(TBarOrientation Old) {
    if (Old == Orientation()) return;
    std::swap(FButtonSize.cx, FButtonSize.cy);
    std::swap(FGridSize.cx, FGridSize.cy);
    std::swap(FOffset.x, FOffset.y);
    // A column of buttons becomes a row and the other way round.
    ForEachItem([this](TSpeedItem* item) {
        TSpeedbarButton* b = item->FButton;
        b->SetBounds(b->Top(), b->Left(), FButtonSize.cx, FButtonSize.cy);
    });
    Invalidate();
    Notify(SBR_BTNSIZECHANGED, this);
}

void TSpeedBar::SetAlign(TAlign Value) {
    const bool loading = ComponentState().Contains(csLoading);
    if (!loading && FPosition == bpAuto && (Value == alNone || Value == alClient))
        throw ESpeedbarError("Cannot set this property value while Position is bpAuto");
    if (Value == FAlign) return;
    const TBarOrientation old = Orientation();
    const int thickness = old == boHorizontal ? FHeight : FWidth;
    const bool vertical = Value == alLeft || Value == alRight;
    const bool horizontal = Value == alTop || Value == alBottom;
    const bool turns = !loading && ((vertical && old == boHorizontal) || (horizontal && old == boVertical));
    if (horizontal) FOrientation = boHorizontal;
    else if (vertical) FOrientation = boVertical;
    TCustomPanel::SetAlign(Value);
    // The bar keeps its thickness across the new edge.
    if (turns) {
        if (vertical) SetWidth(thickness);
        else SetHeight(thickness);
    }
    if (!loading) ApplyOrientation(old);
}

void TSpeedBar::SetOrientation(TBarOrientation Value) {
    if (FAlign == alTop || FAlign == alBottom || FAlign == alLeft || FAlign == alRight) return;
    if (Value == FOrientation) return;
    const TBarOrientation old = FOrientation;
    FOrientation = Value;
    if (!ComponentState().Contains(csLoading)) ApplyOrientation(old);
}

void TSpeedBar::SetBoundLines(TBoundLines Value) {
    if (Value == FBoundLines) return;
    FBoundLines = Value;
    Realign();
    Invalidate();
}

void TSpeedBar::MoveItems(int DX, int DY) {
    if (DX == 0 && DY == 0) return;
    ForEachItem([DX, DY](TSpeedItem* item) {
        TSpeedbarButton* b = item->FButton;
        b->SetBounds(b->Left() + DX, b->Top() + DY, b->Width(), b->Height());
    });
}

void TSpeedBar::SetBtnOffsetHorz(int Value) {
    FOffsetStored = true;
    if (ComponentState().Contains(csLoading)) {
        FOffset.x = Value;
        return;
    }
    Value = std::max(Value, FrameWidth());
    const int diff = Value - FOffset.x;
    FOffset.x = Value;
    MoveItems(diff, 0);
}

void TSpeedBar::SetBtnOffsetVert(int Value) {
    FOffsetStored = true;
    if (ComponentState().Contains(csLoading)) {
        FOffset.y = Value;
        return;
    }
    Value = std::max(Value, FrameWidth());
    const int diff = Value - FOffset.y;
    FOffset.y = Value;
    MoveItems(0, diff);
}

void TSpeedBar::EnsureOffsets() {
    const int frame = FrameWidth();
    const int dx = std::max(0, frame - FOffset.x), dy = std::max(0, frame - FOffset.y);
    FOffset.x += dx;
    FOffset.y += dy;
    MoveItems(dx, dy);
}

void TSpeedBar::SetBtnWidth(int Value) {
    // Sizes of 0 would divide by zero when snapping to the grid.
    Value = std::max(Value, 1);
    FSizeStored = true;
    if (Value == FButtonSize.cx) return;
    FButtonSize.cx = Value;
    UpdateGridSize();
    if (ComponentState().Contains(csLoading)) return;
    if (Orientation() == boVertical) {
        const int need = 2 * FOffset.x + FButtonSize.cx;
        if (ClientWidth() < need) SetClientWidth(need);
    }
    ForEachItem([this](TSpeedItem* item) { SetItemParams(item); });
    Notify(SBR_BTNSIZECHANGED, this);
}

void TSpeedBar::SetBtnHeight(int Value) {
    Value = std::max(Value, 1);
    FSizeStored = true;
    if (Value == FButtonSize.cy) return;
    FButtonSize.cy = Value;
    UpdateGridSize();
    if (ComponentState().Contains(csLoading)) return;
    if (Orientation() == boHorizontal) {
        const int need = 2 * FOffset.y + FButtonSize.cy;
        if (ClientHeight() < need) SetClientHeight(need);
    }
    ForEachItem([this](TSpeedItem* item) { SetItemParams(item); });
    Notify(SBR_BTNSIZECHANGED, this);
}

namespace {
// V x M / D, rounded.
int ScaleBy(int V, int M, int D) { return static_cast<int>(std::nearbyint(static_cast<double>(V) * M / D)); }
}  // namespace

void TSpeedBar::ChangeScale(int M, int D) {
    if (M == D || D == 0) return;
    if (!FSizeStored) {
        FButtonSize.cx = std::max(1, ScaleBy(FButtonSize.cx, M, D));
        FButtonSize.cy = std::max(1, ScaleBy(FButtonSize.cy, M, D));
    }
    if (!FOffsetStored) {
        FOffset.x = ScaleBy(FOffset.x, M, D);
        FOffset.y = ScaleBy(FOffset.y, M, D);
    }
    UpdateGridSize();
    ForEachItem([this](TSpeedItem* item) { SetItemParams(item); });
}

void TSpeedBar::SetOptions(TSpeedbarOptions Value) {
    if (Value == FOptions) return;
    const TSpeedbarOptions changed = TSpeedbarOptions(FOptions.toInt() ^ Value.toInt());
    FOptions = Value;
    if (changed & (TSpeedbarOptions(sbFlatBtns) | sbGrayedBtns | sbTransparentBtns))
        ForEachItem([this](TSpeedItem* item) { SetItemParams(item); });
    if (changed.testFlag(sbFlatBtns) && !ComponentState().Contains(csLoading)) Realign();
    UpdateGridSize();
}

void TSpeedBar::SetItemParams(TSpeedItem* Item) {
    TSpeedbarButton* b = Item->FButton;
    b->SetFlat(FOptions.testFlag(sbFlatBtns));
    b->SetGrayedInactive(FOptions.testFlag(sbGrayedBtns));
    b->SetTransparent(FOptions.testFlag(sbTransparentBtns));
    b->SetEnabled(Item->FEnabled && FEnabled);
    if (b->Width() != FButtonSize.cx || b->Height() != FButtonSize.cy)
        b->SetBounds(b->Left(), b->Top(), FButtonSize.cx, FButtonSize.cy);
}

void TSpeedBar::SetImages(TCustomImageList* Value) {
    if (Value == FImages) return;
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink);
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink);
        FImages->FreeNotification(this);
    }
    ImagesChanged(this);
}

void TSpeedBar::ImagesChanged(TObject*) {
    ForEachItem([](TSpeedItem* item) {
        item->FButton->ButtonGlyph()->Invalidate();
        if (item->ImageIndex() >= 0) item->FButton->Invalidate();
    });
}

void TSpeedBar::SetIniStorage(TFormPlacement* Value) { FIniLink->SetIniObject(Value); }

void TSpeedBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FImages) {
        FImages = nullptr;
        ImagesChanged(this);
    }
    if (FIniLink && AComponent == FIniLink->IniObject()) FIniLink->SetIniObject(nullptr);
}

int TSpeedBar::SearchSection(const String& Caption) const {
    for (std::size_t i = 0; i < FSections.size(); ++i)
        if (FSections[i]->Caption() == Caption) return static_cast<int>(i);
    return -1;
}

int TSpeedBar::AddSection(TSpeedbarSection* Section) {
    if (!Section) return -1;
    if (Section->FSpeedBar && Section->FSpeedBar != this) Section->FSpeedBar->RemoveSection(Section);
    if (Section->FSpeedBar == this) return Section->Index();
    if (!Section->ComponentState().Contains(csLoading)) {
        const String base = Section->FCaption;
        String caption = base;
        for (int n = 1; SearchSection(caption) >= 0; ++n) caption = base + Format(" (%d)", {n});
        Section->FCaption = caption;
    }
    Section->FSpeedBar = this;
    FSections.push_back(Section);
    for (TSpeedItem* item : Section->FItems) {
        item->SetSpeedBar(this);
        item->FSection = Section;
    }
    return static_cast<int>(FSections.size()) - 1;
}

int TSpeedBar::NewSection(const String& Caption) {
    auto* s = new TSpeedbarSection(this);
    s->FCaption = Caption;
    return AddSection(s);
}

void TSpeedBar::RemoveSection(TSpeedbarSection* Section) {
    const auto it = std::find(FSections.begin(), FSections.end(), Section);
    if (it == FSections.end()) return;
    FSections.erase(it);
    Section->FSpeedBar = nullptr;
    for (TSpeedItem* item : std::vector<TSpeedItem*>(Section->FItems)) {
        item->SetVisible(false);
        item->LeaveSection();
    }
}

void TSpeedBar::AddItem(int Section, TSpeedItem* Item) {
    if (!Item) return;
    if (SectionCount() == 0) NewSection("");
    Section = std::clamp(Section, 0, SectionCount() - 1);
    Item->SetSpeedBar(this);
    Item->JoinSection(FSections[static_cast<std::size_t>(Section)]);
    SetItemParams(Item);
    Item->SetVisible(Item->FVisible);
}

void TSpeedBar::RemoveItem(TSpeedItem* Item) {
    if (!Item || Item->FSpeedBar != this) return;
    Item->SetVisible(false);
    Item->SetSpeedBar(nullptr);
}

int TSpeedBar::ItemsCount() const {
    int n = 0;
    for (TSpeedbarSection* s : FSections) n += s->ItemCount();
    return n;
}

void TSpeedBar::ForEachItem(const std::function<void(TSpeedItem*)>& Proc) {
    for (TSpeedbarSection* s : std::vector<TSpeedbarSection*>(FSections))
        for (TSpeedItem* item : std::vector<TSpeedItem*>(s->FItems)) Proc(item);
}

TSpeedItem* TSpeedBar::FindItemNamed(const String& Name) const {
    for (TSpeedbarSection* s : FSections)
        for (TSpeedItem* item : s->FItems)
            if (AnsiSameText(item->Name(), Name)) return item;
    return nullptr;
}

POINT TSpeedBar::AlignToGrid(POINT Position) const {
    const double gx = std::max<LONG>(FGridSize.cx, 1), gy = std::max<LONG>(FGridSize.cy, 1);
    const double qx = (Position.x - FOffset.x) / gx, qy = (Position.y - FOffset.y) / gy;
    POINT p;
    if (Orientation() == boVertical) {
        p.x = static_cast<LONG>(std::trunc(qx)) * FGridSize.cx + FOffset.x;
        p.y = static_cast<LONG>(std::nearbyint(qy)) * FGridSize.cy + FOffset.y;
        p.x = std::max(p.x, FOffset.x);
    } else {
        p.x = static_cast<LONG>(std::nearbyint(qx)) * FGridSize.cx + FOffset.x;
        p.y = static_cast<LONG>(std::trunc(qy)) * FGridSize.cy + FOffset.y;
        p.y = std::max(p.y, FOffset.y);
    }
    return p;
}

bool TSpeedBar::PlaceItem(TSpeedItem* Item, POINT Pos) {
    if (!Item || Item->FSpeedBar != this) return false;
    POINT p = AlignToGrid(Pos);
    p.x = std::max(p.x, FOffset.x);
    p.y = std::max(p.y, FOffset.y);
    const RECT target{p.x, p.y, p.x + FButtonSize.cx, p.y + FButtonSize.cy};
    bool taken = false;
    ForEachItem([&](TSpeedItem* other) {
        if (other == Item || !other->Visible()) return;
        const RECT r = other->FButton->BoundsRect();
        RECT common{};
        if (IntersectRect(&common, &r, &target)) taken = true;
    });
    if (taken) return false;
    Item->FButton->SetBounds(p.x, p.y, FButtonSize.cx, FButtonSize.cy);
    Item->SetVisible(true);
    Item->FButton->BringToFront();
    return true;
}

void TSpeedBar::SetEditing(bool Value) {
    FEditing = Value;
    ForEachItem([Value](TSpeedItem* item) { item->SetEditing(Value); });
}

void TSpeedBar::Customize() {
    if (OnCustomize) OnCustomize(this);
}

void TSpeedBar::PosChanged() {
    if (OnPosChanged) OnPosChanged(this);
}

void TSpeedBar::Notify(WPARAM Code, TObject* Subject) {
    if (FSetupWindow && IsWindow(FSetupWindow))
        SendMessageA(FSetupWindow, CM_SPEEDBARCHANGED, Code, reinterpret_cast<LPARAM>(Subject));
}

void TSpeedBar::Loaded() {
    TCustomPanel::Loaded();
    // Sections named in "Sections" that no section object brought, in the listed order.
    for (const String& caption : FReadSections)
        if (SearchSection(caption) < 0) {
            auto* s = new TSpeedbarSection(this);
            s->FCaption = caption;
            s->FSpeedBar = this;
            FSections.push_back(s);
        }
    int at = 0;
    for (const String& caption : FReadSections) {
        const int i = SearchSection(caption);
        if (i >= 0) FSections[static_cast<std::size_t>(i)]->SetIndex(at++);
    }
    FReadSections.clear();
    if (FAlign == alTop || FAlign == alBottom) FOrientation = boHorizontal;
    else if (FAlign == alLeft || FAlign == alRight) FOrientation = boVertical;
    FPrevAlign = FAlign;
    UpdateGridSize();
    EnsureOffsets();
    ForEachItem([this](TSpeedItem* item) { SetItemParams(item); });
}

void TSpeedBar::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    // Sections first, then the items of every section, then other controls on the bar.
    for (TSpeedbarSection* s : FSections)
        if (s->Owner() == Root) Proc(s);
    for (TSpeedbarSection* s : FSections)
        for (TSpeedItem* item : s->FItems)
            if (item->Owner() == Root) Proc(item);
    TCustomPanel::GetChildren(Proc, Root);
}

void TSpeedBar::SetChildOrder(TComponent* Child, int Order) {
    if (auto* s = qobject_cast<TSpeedbarSection*>(Child)) s->SetIndex(Order);
    else TCustomPanel::SetChildOrder(Child, Order);
}

void TSpeedBar::DefineProperties(TFiler* Filer) {
    TCustomPanel::DefineProperties(Filer);
    Filer->DefineProperty(
        "Sections",
        [this](TReader* R) {
            R->ReadListBegin();
            while (!R->EndOfList()) FReadSections.push_back(R->ReadString());
            R->ReadListEnd();
        },
        [this](TWriter* W) {
            W->WriteListBegin();
            for (TSpeedbarSection* s : FSections) W->WriteString(s->Caption());
            W->WriteListEnd();
        },
        !FSections.empty());
    Filer->DefineProperty(
        "NewStyle", [](TReader* R) { R->ReadBoolean(); }, [](TWriter* W) { W->WriteBoolean(NewStyleControls); },
        true);
    Filer->DefineProperty(
        "InternalVer", [](TReader* R) { R->ReadInteger(); }, [](TWriter* W) { W->WriteInteger(1); }, true);
    Filer->DefineProperty(
        "AllowDrag",
        [this](TReader* R) {
            if (R->ReadBoolean()) FOptions |= sbAllowDrag;
            else FOptions &= ~TSpeedbarOptions(sbAllowDrag);
        },
        nullptr, false);
}

void TSpeedBar::Paint() {
    TCustomPanel::Paint();
    TCanvas* c = Canvas();
    const RECT client = ClientRect();
    if (TGraphic* g = FWallpaper->Graphic(); g && !g->Empty()) {
        HDC dc = c->Handle();
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
        if (FOptions.testFlag(sbStretchBitmap)) {
            c->StretchDraw(client, g);
        } else {
            for (int y = client.top; y < client.bottom; y += g->Height())
                for (int x = client.left; x < client.right; x += g->Width()) c->Draw(x, y, g);
        }
        RestoreDC(dc, saved);
    }
    if (FBoundLines.toInt() == 0) return;
    int inset = BorderWidth();
    if (BevelInner() != bvNone) inset += BevelWidth();
    if (BevelOuter() != bvNone) inset += BevelWidth();
    const int L = client.left + inset, T = client.top + inset, R = client.right - inset, B = client.bottom - inset;
    auto line = [c](int x1, int y1, int x2, int y2, TColor colour) {
        c->Pen()->SetColor(colour);
        c->Pen()->SetWidth(1);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    if (FBoundLines.testFlag(blTop)) {
        line(L, T, R, T, clBtnShadow);
        line(L, T + 1, R, T + 1, clBtnHighlight);
    }
    if (FBoundLines.testFlag(blLeft)) {
        line(L, T, L, B, clBtnShadow);
        line(L + 1, FBoundLines.testFlag(blTop) ? T + 1 : T, L + 1, B, clBtnHighlight);
    }
    if (FBoundLines.testFlag(blBottom)) {
        line(L, B - 2, R, B - 2, clBtnShadow);
        line(L, B - 1, R, B - 1, clBtnHighlight);
    }
    if (FBoundLines.testFlag(blRight)) {
        line(R - 2, T, R - 2, FBoundLines.testFlag(blBottom) ? B - 1 : B, clBtnShadow);
        line(R - 1, T, R - 1, B, clBtnHighlight);
    }
}

void TSpeedBar::AlignControls(TControl* AControl, RECT& Rect) {
    if (FBoundLines.testFlag(blTop)) Rect.top += 2;
    if (FBoundLines.testFlag(blBottom)) Rect.bottom -= 2;
    if (FBoundLines.testFlag(blLeft)) Rect.left += 2;
    if (FBoundLines.testFlag(blRight)) Rect.right -= 2;
    TCustomPanel::AlignControls(AControl, Rect);
    if (!ComponentState().Contains(csLoading)) EnsureOffsets();
}

void TSpeedBar::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_ENABLEDCHANGED:
        TCustomPanel::Dispatch(Message);
        ForEachItem([this](TSpeedItem* item) { item->FButton->SetEnabled(item->FEnabled && FEnabled); });
        return;
    case CM_VISIBLECHANGED:
        TCustomPanel::Dispatch(Message);
        ForEachItem([this](TSpeedItem* item) { SetItemParams(item); });
        return;
    default: TCustomPanel::Dispatch(Message); return;
    }
}

void TSpeedBar::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    auto* item = qobject_cast<TSpeedItem*>(Source);
    if (FSetupWindow && item && item->FSpeedBar == this) {
        Accept = true;
        return;
    }
    TCustomPanel::DragOver(Source, X, Y, State, Accept);
}

void TSpeedBar::DragDrop(TObject* Source, int X, int Y) {
    auto* item = qobject_cast<TSpeedItem*>(Source);
    if (!(FSetupWindow && item && item->FSpeedBar == this)) {
        TCustomPanel::DragDrop(Source, X, Y);
        return;
    }
    // The button's middle goes where the item was dropped.
    if (PlaceItem(item, POINT{X - FButtonSize.cx / 2, Y - FButtonSize.cy / 2})) Notify(SBR_ITEMPLACED, item);
    else Notify(SBR_CHANGED, this);
}

TCursor TSpeedItemDragObject::GetDragCursor(bool Accepted, int X, int Y) {
    return Accepted ? crKitDrag : TBaseDragControlObject::GetDragCursor(Accepted, X, Y);
}

void RegisterSpeedBar() {
    RegisterKitButtons();
    RegisterClasses<TSpeedBar, TSpeedbarSection, TSpeedItem, TSpeedbarButton>();
}
