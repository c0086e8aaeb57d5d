// The list view control: items and their sub-items kept as objects that the window asks for
// (callback texts and images), columns as a collection, owner data through OnData, and the
// view's notifications turned into the control's events.
#include "classlib/ComCtrls.h"
#include "classlib/Consts.h"
#include "platform/codepage.h"
#include "platform/locale.h"

#include <algorithm>
#include <functional>
#include <cstring>

namespace {

UINT overlayMask(int overlay) { return overlay >= 0 ? INDEXTOOVERLAYMASK(static_cast<UINT>(overlay) + 1) : 0; }
UINT stateImageMask(int state) { return state >= 0 ? INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state) + 1) : 0; }

void copyAnsi(const String& text, LPSTR buffer, int size) {
    if (!buffer || size <= 0 || reinterpret_cast<LONG_PTR>(buffer) == -1) return;
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
}

void copyWide(const std::u16string& text, LPWSTR buffer, int size) {
    if (!buffer || size <= 0 || reinterpret_cast<LONG_PTR>(buffer) == -1) return;
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
}

}  // namespace

// ---- TListItem ----------------------------------------------------------------------------------

TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner), FSubItems(new TStringList) {
    FSubItems->OnChange = TNotifyEvent([this](TObject* Sender) { SubItemsChanged(Sender); });
}

TListItem::~TListItem() {
    FSubItems->OnChange = nullptr;
    delete FSubItems;
}

TCustomListView* TListItem::ListView() const { return FOwner ? FOwner->Owner() : nullptr; }

int TListItem::Index() const {
    if (FOwnerIndex >= 0 || !FOwner) return FOwnerIndex;
    return FOwner->IndexOf(this);
}

void TListItem::Update() {
    TCustomListView* lv = ListView();
    const int i = Index();
    if (lv && lv->HandleAllocated() && i >= 0) SendMessageA(lv->Handle(), LVM_UPDATE, static_cast<WPARAM>(i), 0);
}

void TListItem::Changed(TItemChange Change) {
    // The owner-data item is filled while the view draws: nothing to redraw or tell.
    if (FOwnerIndex >= 0) return;
    Update();
    TCustomListView* lv = ListView();
    if (lv && FOwnerIndex < 0) {
        if (Change == ctText && (lv->SortType() == stText || lv->SortType() == stBoth) && lv->HandleAllocated()) lv->AlphaSort();
        lv->Change(this, Change);
    }
}

void TListItem::SetCaption(const String& v) {
    if (FCaption == v) return;
    FCaption = v;
    TCustomListView* lv = ListView();
    // The window asks for the text again (the callback marker tells it so).
    if (lv && lv->HandleAllocated() && Index() >= 0 && FOwnerIndex < 0) {
        LVITEMA it{};
        it.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(lv->Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&it));
    }
    Changed(ctText);
}

void TListItem::SetSubItems(TStrings* v) {
    if (v) FSubItems->Assign(v);
}

void TListItem::SubItemsChanged(TObject*) {
    TCustomListView* lv = ListView();
    if (!lv || !lv->HandleAllocated() || FOwnerIndex >= 0) return;
    const int i = Index();
    if (i < 0) return;
    for (int k = 0; k < FSubItems->Count(); ++k) {
        LVITEMA it{};
        it.iSubItem = k + 1;
        it.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(lv->Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
    }
    SendMessageA(lv->Handle(), LVM_UPDATE, static_cast<WPARAM>(i), 0);
}

void TListItem::SetImageIndex(int v) {
    if (FImageIndex == v) return;
    FImageIndex = v;
    Changed(ctImage);
}

void TListItem::SetIndent(int v) {
    if (FIndent == v) return;
    FIndent = v;
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && Index() >= 0 && FOwnerIndex < 0) {
        LVITEMA it{};
        it.mask = LVIF_INDENT;
        it.iItem = Index();
        it.iIndent = v;
        SendMessageA(lv->Handle(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    }
}

void TListItem::SetStateIndex(int v) {
    if (FStateIndex == v) return;
    FStateIndex = v;
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && Index() >= 0 && FOwnerIndex < 0) {
        LVITEMA it{};
        it.state = stateImageMask(v);
        it.stateMask = LVIS_STATEIMAGEMASK;
        SendMessageA(lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&it));
    }
}

void TListItem::SetOverlayIndex(int v) {
    if (FOverlayIndex == v) return;
    FOverlayIndex = v;
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && Index() >= 0 && FOwnerIndex < 0) {
        LVITEMA it{};
        it.state = overlayMask(v);
        it.stateMask = LVIS_OVERLAYMASK;
        SendMessageA(lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&it));
    }
}

// Check boxes are the state images 1 (clear) and 2 (checked): StateIndex 0 and 1.
bool TListItem::Checked() const {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && Index() >= 0 && FOwnerIndex < 0)
        return (SendMessageA(lv->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), LVIS_STATEIMAGEMASK) >> 12) == 2;
    return FStateIndex == 1;
}

void TListItem::SetChecked(bool v) { SetStateIndex(v ? 1 : 0); }

bool TListItem::GetState(UINT Mask) const {
    TCustomListView* lv = ListView();
    const int i = Index();
    if (lv && lv->HandleAllocated() && i >= 0) return (SendMessageA(lv->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(i), Mask) & Mask) != 0;
    return (FKeptState & Mask) != 0;
}

void TListItem::SetState(UINT Mask, bool Value) {
    TCustomListView* lv = ListView();
    const int i = Index();
    if (lv && lv->HandleAllocated() && i >= 0) {
        LVITEMA it{};
        it.state = Value ? Mask : 0;
        it.stateMask = Mask;
        SendMessageA(lv->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
        return;
    }
    FKeptState = Value ? (FKeptState | Mask) : (FKeptState & ~Mask);
}

void TListItem::Delete() {
    if (FOwner && FOwnerIndex < 0) FOwner->Delete(Index());
}

void TListItem::MakeVisible(bool PartialOK) {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && Index() >= 0)
        SendMessageA(lv->Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(Index()), PartialOK ? 1 : 0);
}

bool TListItem::EditCaption() {
    TCustomListView* lv = ListView();
    if (!lv || Index() < 0) return false;
    lv->SetFocus();
    return SendMessageA(lv->Handle(), LVM_EDITLABELA, static_cast<WPARAM>(Index()), 0) != 0;
}

void TListItem::CancelEdit() {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated()) SendMessageA(lv->Handle(), LVM_CANCELEDITLABEL, 0, 0);
}

RECT TListItem::DisplayRect(TDisplayCode Code) const {
    RECT rc{};
    TCustomListView* lv = ListView();
    if (!lv || Index() < 0) return rc;
    static const int codes[] = {LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL, LVIR_SELECTBOUNDS};
    rc.left = codes[Code];
    if (!SendMessageA(lv->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&rc))) rc = RECT{};
    return rc;
}

void TListItem::Assign(TPersistent* Source) {
    auto* src = qobject_cast<TListItem*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    SetCaption(src->Caption());
    SetData(src->Data());
    SetImageIndex(src->ImageIndex());
    SetIndent(src->Indent());
    SetOverlayIndex(src->OverlayIndex());
    SetStateIndex(src->StateIndex());
    FSubItems->Assign(src->SubItems());
    SetChecked(src->Checked());
}

// ---- TListItems -------------------------------------------------------------------------------

TListItems::TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}

TListItems::~TListItems() {
    for (TListItem* it : FItems) delete it;
}

int TListItems::Count() const {
    if (FOwner->OwnerData()) return FCount;
    return static_cast<int>(FItems.size());
}

void TListItems::SetCount(int v) {
    if (!FOwner->OwnerData()) return;
    FCount = std::max(0, v);
    if (FOwner->HandleAllocated()) SendMessageA(FOwner->Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(FCount), 0);
}

TListItem* TListItems::Item(int Index) const {
    if (FOwner->OwnerData()) {
        if (Index < 0 || Index >= FCount) return nullptr;
        TListItem* temp = FOwner->FTempItem;
        temp->FOwnerIndex = Index;
        FOwner->OwnerDataFetch(temp, irText | irImage | irParam | irState | irIndent);
        return temp;
    }
    if (Index < 0 || Index >= static_cast<int>(FItems.size()))
        throw EListError(SListIndexError, {Index});
    return FItems[static_cast<std::size_t>(Index)];
}

int TListItems::IndexOf(const TListItem* Value) const {
    const auto it = std::find(FItems.begin(), FItems.end(), Value);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TListItem* TListItems::Add() { return AddItem(nullptr, -1); }

TListItem* TListItems::Insert(int Index) { return AddItem(nullptr, Index); }

TListItem* TListItems::AddItem(TListItem* Item, int Index) {
    if (FOwner->OwnerData()) return nullptr;
    if (!Item) Item = FOwner->CreateListItem();
    Item->FOwner = this;
    Item->FOwnerIndex = -1;
    if (Index < 0 || Index > static_cast<int>(FItems.size())) Index = static_cast<int>(FItems.size());
    FItems.insert(FItems.begin() + Index, Item);
    if (FOwner->HandleAllocated()) InsertIntoWindow(Item, Index);
    return Item;
}

void TListItems::InsertIntoWindow(TListItem* Item, int Index) {
    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_INDENT;
    it.iItem = Index;
    it.pszText = LPSTR_TEXTCALLBACKA;
    it.iImage = I_IMAGECALLBACK;
    it.lParam = reinterpret_cast<LPARAM>(Item);
    it.iIndent = Item->FIndent;
    it.state = Item->FKeptState | overlayMask(Item->FOverlayIndex) | stateImageMask(Item->FStateIndex);
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED | LVIS_OVERLAYMASK |
                   (Item->FStateIndex >= 0 ? LVIS_STATEIMAGEMASK : 0);
    const HWND h = FOwner->Handle();
    const int at = static_cast<int>(SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    if (at < 0) return;
    for (int k = 0; k < Item->FSubItems->Count(); ++k) {
        LVITEMA sub{};
        sub.iSubItem = k + 1;
        sub.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(h, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
    }
    // A sorted window may have put the item elsewhere.
    if (at != Index) FOwner->ResyncOrder();
}

void TListItems::Delete(int Index) {
    if (FOwner->OwnerData()) return;
    TListItem* item = Item(Index);
    if (FOwner->HandleAllocated()) SendMessageA(FOwner->Handle(), LVM_DELETEITEM, static_cast<WPARAM>(Index), 0);
    else FOwner->Delete(item);
    const int now = IndexOf(item);
    if (now >= 0) FItems.erase(FItems.begin() + now);
    delete item;
}

void TListItems::Clear() {
    if (FOwner->OwnerData()) {
        SetCount(0);
        return;
    }
    if (FOwner->HandleAllocated()) SendMessageA(FOwner->Handle(), LVM_DELETEALLITEMS, 0, 0);
    else
        for (TListItem* it : FItems) FOwner->Delete(it);
    std::vector<TListItem*> gone;
    gone.swap(FItems);
    for (TListItem* it : gone) delete it;
}

void TListItems::BeginUpdate() {
    if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageA(FOwner->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0 && FOwner->HandleAllocated()) {
        SendMessageA(FOwner->Handle(), WM_SETREDRAW, TRUE, 0);
        FOwner->Invalidate();
    }
}

void TListItems::Assign(TPersistent* Source) {
    auto* src = qobject_cast<TListItems*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    Clear();
    for (int i = 0; i < src->Count(); ++i) Add()->Assign(src->Item(i));
    EndUpdate();
}

// ---- Columns ----------------------------------------------------------------------------------------

TListColumn::TListColumn(TCollection* ACollection) : TCollectionItem(ACollection) {}

TCustomListView* TListColumn::ListView() const {
    auto* c = qobject_cast<TListColumns*>(Collection());
    return c ? c->Owner() : nullptr;
}

void TListColumn::SetCaption(const String& v) {
    if (FCaption == v) return;
    FCaption = v;
    Changed(false);
}

int TListColumn::Width() const {
    // The user may have dragged the divider.
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && lv->ViewStyle() == vsReport)
        return static_cast<int>(SendMessageA(lv->Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Index()), 0));
    return FWidth;
}

void TListColumn::SetWidth(int v) {
    FWidth = v;
    Changed(false);
}

void TListColumn::SetAlignment(TAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    Changed(false);
}

void TListColumn::SetImageIndex(int v) {
    if (FImageIndex == v) return;
    FImageIndex = v;
    Changed(false);
}

void TListColumn::Assign(TPersistent* Source) {
    auto* src = qobject_cast<TListColumn*>(Source);
    if (!src) {
        TCollectionItem::Assign(Source);
        return;
    }
    FCaption = src->FCaption;
    FWidth = src->Width();
    FAlignment = src->FAlignment;
    FImageIndex = src->FImageIndex;
    FTag = src->FTag;
    Changed(false);
}

TListColumns::TListColumns(TCustomListView* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClass<TListColumn>()), FOwner(AOwner) {}

TListColumns::TListColumns(TCustomListView* AOwner, TCollectionItemClass ItemClass)
    : TOwnedCollection(AOwner, ItemClass), FOwner(AOwner) {}

void TListColumns::Update(TCollectionItem* Item) {
    if (Item) FOwner->UpdateColumn(Item->Index());
    else FOwner->UpdateColumns();
}

// ---- TCustomListView ------------------------------------------------------------------------------

TCustomListView::TCustomListView(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 250;
    FHeight = 150;
    FTabStop = true;
    // Clicks come as the view's notifications.
    ControlStyle &= ~(csClickEvents | csDoubleClicks | csSetCaption);
    FListItems = new TListItems(this);
    FListColumns = new TListColumns(this);
    FListColumns->SetPropName("Columns");
    FImageChangeLink = new TChangeLink;
    FImageChangeLink->OnChange = TNotifyEvent([this](TObject* Sender) { ImageListChange(Sender); });
    FCanvas = new TCanvas;
    FTempItem = CreateListItem();
    FTempItem->FOwner = FListItems;
}

TCustomListView::~TCustomListView() {
    for (TCustomImageList* l : {FLargeImages, FSmallImages, FStateImages})
        if (l) l->UnRegisterChanges(FImageChangeLink);
    DestroyHandle();
    delete FListItems;
    FListItems = nullptr;
    delete FListColumns;
    delete FImageChangeLink;
    delete FCanvas;
    delete FTempItem;
}

TListItem* TCustomListView::CreateListItem() { return new TListItem(FListItems); }

void TCustomListView::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    CreateSubClass(p, WC_LISTVIEWA);
    static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    p.Style |= LVS_SHAREIMAGELISTS | views[FViewStyle] | WS_TABSTOP;
    if (!FMultiSelect) p.Style |= LVS_SINGLESEL;
    if (!FReadOnly) p.Style |= LVS_EDITLABELS;
    if (!FHideSelection) p.Style |= LVS_SHOWSELALWAYS;
    if (!FShowColumnHeaders) p.Style |= LVS_NOCOLUMNHEADER;
    if (!FColumnClick) p.Style |= LVS_NOSORTHEADER;
    if (FOwnerData) p.Style |= LVS_OWNERDATA;
    if (FOwnerDraw) p.Style |= LVS_OWNERDRAWFIXED;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateExStyle();
    UpdateImages();
    UpdateColumns();
    if (FOwnerData) {
        SendMessageA(FHandle, LVM_SETITEMCOUNT, static_cast<WPARAM>(FListItems->FCount), 0);
    } else {
        for (std::size_t i = 0; i < FListItems->FItems.size(); ++i)
            FListItems->InsertIntoWindow(FListItems->FItems[i], static_cast<int>(i));
        if (FSortType != stNone) AlphaSort();
    }
}

void TCustomListView::DestroyWnd() {
    // The states the view kept go back into the items.
    if (FHandle && FListItems && !FOwnerData) {
        for (std::size_t i = 0; i < FListItems->FItems.size(); ++i) {
            TListItem* it = FListItems->FItems[i];
            const UINT st = static_cast<UINT>(SendMessageA(FHandle, LVM_GETITEMSTATE, i, 0xFFFF));
            it->FKeptState = st & (LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED);
            if (st & LVIS_STATEIMAGEMASK) it->FStateIndex = static_cast<int>(st >> 12) - 1;
        }
    }
    for (TListColumn* c : [this] {
             std::vector<TListColumn*> v;
             for (int i = 0; i < FListColumns->Count(); ++i) v.push_back(FListColumns->Items(i));
             return v;
         }())
        if (FHandle && FViewStyle == vsReport) c->FWidth = c->Width();
    TWinControl::DestroyWnd();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FLargeImages) SetLargeImages(nullptr);
    if (AComponent == FSmallImages) SetSmallImages(nullptr);
    if (AComponent == FStateImages) SetStateImages(nullptr);
}

void TCustomListView::UpdateExStyle() {
    if (!FHandle) return;
    DWORD ex = 0;
    if (FCheckboxes) ex |= LVS_EX_CHECKBOXES;
    if (FRowSelect) ex |= LVS_EX_FULLROWSELECT;
    if (FGridLines) ex |= LVS_EX_GRIDLINES;
    SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES, static_cast<LPARAM>(ex));
}

void TCustomListView::UpdateImages() {
    if (!FHandle) return;
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(FLargeImages ? FLargeImages->Handle() : nullptr));
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(FSmallImages ? FSmallImages->Handle() : nullptr));
    SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(FStateImages ? FStateImages->Handle() : nullptr));
}

void TCustomListView::ImageListChange(TObject*) {
    UpdateImages();
    Invalidate();
}

void TCustomListView::SetImageList(TCustomImageList*& Field, TCustomImageList* Value, int) {
    if (Field == Value) return;
    if (Field) Field->UnRegisterChanges(FImageChangeLink);
    Field = Value;
    if (Field) {
        Field->RegisterChanges(FImageChangeLink);
        Field->FreeNotification(this);
    }
    UpdateImages();
}

void TCustomListView::SetLargeImages(TCustomImageList* v) { SetImageList(FLargeImages, v, LVSIL_NORMAL); }
void TCustomListView::SetSmallImages(TCustomImageList* v) { SetImageList(FSmallImages, v, LVSIL_SMALL); }
void TCustomListView::SetStateImages(TCustomImageList* v) { SetImageList(FStateImages, v, LVSIL_STATE); }

void TCustomListView::UpdateColumn(int Index) {
    if (!FHandle || Index < 0 || Index >= FListColumns->Count()) return;
    TListColumn* c = FListColumns->Items(Index);
    static const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_IMAGE;
    col.pszText = const_cast<LPSTR>(c->FCaption.c_str());
    col.cx = c->FWidth;
    col.fmt = formats[std::clamp(static_cast<int>(c->FAlignment), 0, 2)] | (c->FImageIndex >= 0 ? LVCFMT_IMAGE : 0);
    col.iImage = c->FImageIndex;
    SendMessageA(FHandle, LVM_SETCOLUMNA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&col));
}

void TCustomListView::UpdateColumns() {
    if (!FHandle) return;
    LVCOLUMNA probe{};
    probe.mask = LVCF_WIDTH;
    while (SendMessageA(FHandle, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&probe))) SendMessageA(FHandle, LVM_DELETECOLUMN, 0, 0);
    for (int i = 0; i < FListColumns->Count(); ++i) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH | LVCF_SUBITEM;
        col.cx = FListColumns->Items(i)->FWidth;
        col.iSubItem = i;
        SendMessageA(FHandle, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
        UpdateColumn(i);
    }
}

HWND TCustomListView::HeaderHandle() { return FHandle ? reinterpret_cast<HWND>(SendMessageA(FHandle, LVM_GETHEADER, 0, 0)) : nullptr; }

void TCustomListView::SetViewStyle(TViewStyle v) {
    if (FViewStyle == v) return;
    FViewStyle = v;
    if (FHandle) {
        static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
        const DWORD style = (static_cast<DWORD>(GetWindowLongA(FHandle, GWL_STYLE)) & ~LVS_TYPEMASK) | views[v];
        SetWindowLongA(FHandle, GWL_STYLE, static_cast<LONG>(style));
        Invalidate();
    }
}

void TCustomListView::SetSortType(TSortType v) {
    if (FSortType == v) return;
    FSortType = v;
    if (FSortType != stNone && FHandle) AlphaSort();
}

void TCustomListView::SetMultiSelect(bool v) {
    if (FMultiSelect == v) return;
    FMultiSelect = v;
    RecreateWnd();
}

void TCustomListView::SetReadOnly(bool v) {
    if (FReadOnly == v) return;
    FReadOnly = v;
    RecreateWnd();
}

void TCustomListView::SetRowSelect(bool v) {
    if (FRowSelect == v) return;
    FRowSelect = v;
    UpdateExStyle();
}

void TCustomListView::SetGridLines(bool v) {
    if (FGridLines == v) return;
    FGridLines = v;
    UpdateExStyle();
}

void TCustomListView::SetCheckboxes(bool v) {
    if (FCheckboxes == v) return;
    FCheckboxes = v;
    UpdateExStyle();
}

void TCustomListView::SetHideSelection(bool v) {
    if (FHideSelection == v) return;
    FHideSelection = v;
    RecreateWnd();
}

void TCustomListView::SetShowColumnHeaders(bool v) {
    if (FShowColumnHeaders == v) return;
    FShowColumnHeaders = v;
    RecreateWnd();
}

void TCustomListView::SetColumnClick(bool v) {
    if (FColumnClick == v) return;
    FColumnClick = v;
    RecreateWnd();
}

void TCustomListView::SetOwnerData(bool v) {
    if (FOwnerData == v) return;
    if (!v) FListItems->FCount = 0;
    else FListItems->Clear();
    FOwnerData = v;
    RecreateWnd();
}

TListItem* TCustomListView::Selected() const {
    if (!FHandle) {
        for (TListItem* it : FListItems->FItems)
            if (it->FKeptState & LVIS_SELECTED) return it;
        return nullptr;
    }
    const int i = static_cast<int>(SendMessageA(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return i >= 0 ? FListItems->Item(i) : nullptr;
}

void TCustomListView::SetSelected(TListItem* v) {
    ClearSelection();
    if (v) {
        v->SetSelected(true);
        v->SetFocused(true);
    }
}

TListItem* TCustomListView::ItemFocused() const {
    if (!FHandle) return nullptr;
    const int i = static_cast<int>(SendMessageA(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    return i >= 0 ? FListItems->Item(i) : nullptr;
}

void TCustomListView::SetItemFocused(TListItem* v) {
    if (v) v->SetFocused(true);
    else if (TListItem* f = ItemFocused()) f->SetFocused(false);
}

int TCustomListView::SelCount() const {
    return FHandle ? static_cast<int>(SendMessageA(FHandle, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

void TCustomListView::ClearSelection() {
    if (!FHandle) {
        for (TListItem* it : FListItems->FItems) it->FKeptState &= ~LVIS_SELECTED;
        return;
    }
    LVITEMA it{};
    it.stateMask = LVIS_SELECTED;
    SendMessageA(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
}

void TCustomListView::SelectAll() {
    if (!FHandle || !FMultiSelect) return;
    LVITEMA it{};
    it.state = LVIS_SELECTED;
    it.stateMask = LVIS_SELECTED;
    SendMessageA(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, TSearchDirection Direction, UINT States) const {
    if (!FHandle) return nullptr;
    static const UINT directions[] = {LVNI_TOLEFT, LVNI_TORIGHT, LVNI_ABOVE, LVNI_BELOW, LVNI_ALL};
    const int start = StartItem ? StartItem->Index() : -1;
    const int i = static_cast<int>(SendMessageA(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(start), directions[Direction] | States));
    return i >= 0 ? FListItems->Item(i) : nullptr;
}

TListItem* TCustomListView::GetItemAt(int X, int Y) const {
    if (!FHandle) return nullptr;
    LVHITTESTINFO hit{};
    hit.pt = POINT{X, Y};
    const int i = static_cast<int>(SendMessageA(FHandle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return i >= 0 && (hit.flags & LVHT_ONITEM) ? FListItems->Item(i) : nullptr;
}

TListItem* TCustomListView::TopItem() const {
    if (!FHandle || FListItems->Count() == 0) return nullptr;
    return FListItems->Item(static_cast<int>(SendMessageA(FHandle, LVM_GETTOPINDEX, 0, 0)));
}

int TCustomListView::VisibleRowCount() const {
    return FHandle ? static_cast<int>(SendMessageA(FHandle, LVM_GETCOUNTPERPAGE, 0, 0)) : 0;
}

TListItem* TCustomListView::FindCaption(int StartIndex, const String& Value, bool Partial, bool Inclusive, bool Wrap) const {
    if (!FHandle) return nullptr;
    LVFINDINFOA f{};
    f.flags = (Partial ? LVFI_PARTIAL : LVFI_STRING) | (Wrap ? LVFI_WRAP : 0);
    f.psz = Value.c_str();
    const int start = Inclusive ? StartIndex - 1 : StartIndex;
    const int i = static_cast<int>(SendMessageA(FHandle, LVM_FINDITEMA, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(&f)));
    return i >= 0 ? FListItems->Item(i) : nullptr;
}

int TCustomListView::DefaultListViewSort(LPARAM Item1, LPARAM Item2, LPARAM Data) {
    auto* a = reinterpret_cast<TListItem*>(Item1);
    auto* b = reinterpret_cast<TListItem*>(Item2);
    TCustomListView* lv = a ? a->ListView() : nullptr;
    if (!a || !b || !lv) return 0;
    if (lv->OnCompare) {
        int result = 0;
        lv->OnCompare(lv, a, b, static_cast<int>(Data), result);
        return result;
    }
    if (lv->FSortType == stData) return a->Data() < b->Data() ? -1 : a->Data() > b->Data() ? 1 : 0;
    return lstrcmpA(a->Caption().c_str(), b->Caption().c_str());
}

bool TCustomListView::AlphaSort() { return CustomSort(nullptr, 0); }

bool TCustomListView::CustomSort(PFNLVCOMPARE SortProc, LPARAM lParam) {
    if (!FHandle || FOwnerData) return false;
    if (!SortProc) SortProc = &DefaultListViewSort;
    const bool done = SendMessageA(FHandle, LVM_SORTITEMS, static_cast<WPARAM>(lParam), reinterpret_cast<LPARAM>(SortProc)) != 0;
    ResyncOrder();
    return done;
}

// The items in the window's order (after sorting by the window).
void TCustomListView::ResyncOrder() {
    if (!FHandle || FOwnerData) return;
    const int n = static_cast<int>(SendMessageA(FHandle, LVM_GETITEMCOUNT, 0, 0));
    if (n != static_cast<int>(FListItems->FItems.size())) return;
    std::vector<TListItem*> order;
    order.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        LVITEMA it{};
        it.mask = LVIF_PARAM;
        it.iItem = i;
        SendMessageA(FHandle, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
        order.push_back(reinterpret_cast<TListItem*>(it.lParam));
    }
    // The same items in another order (sorted copies: thousands of items are checked fast).
    std::vector<TListItem*> a(order), b(FListItems->FItems);
    std::sort(a.begin(), a.end(), std::less<TListItem*>());
    std::sort(b.begin(), b.end(), std::less<TListItem*>());
    if (a == b) FListItems->FItems = std::move(order);
}

void TCustomListView::Scroll(int DX, int DY) {
    if (FHandle) SendMessageA(FHandle, LVM_SCROLL, static_cast<WPARAM>(DX), DY);
}

void TCustomListView::Arrange() {
    if (FHandle) SendMessageA(FHandle, LVM_ARRANGE, LVA_DEFAULT, 0);
}

bool TCustomListView::IsEditing() const {
    return FHandle && SendMessageA(FHandle, LVM_GETEDITCONTROL, 0, 0) != 0;
}

TListItem* TCustomListView::GetItemFromLVItem(int Index, LPARAM Param, UINT Mask) const {
    if (FOwnerData) {
        FTempItem->FOwnerIndex = Index;
        return FTempItem;
    }
    if ((Mask & LVIF_PARAM) && Param) return reinterpret_cast<TListItem*>(Param);
    if (Index < 0 || Index >= static_cast<int>(FListItems->FItems.size())) return nullptr;
    return FListItems->FItems[static_cast<std::size_t>(Index)];
}

bool TCustomListView::OwnerDataFetch(TListItem* Item, TItemRequest) {
    if (!OnData) return false;
    OnData(this, Item);
    return true;
}

int TCustomListView::OwnerDataFind(TItemFind Find, const String& FindString, const POINT& FindPosition, void* FindData,
                                   int StartIndex, TSearchDirection Direction, bool Wrap) {
    int index = -1;
    if (OnDataFind) OnDataFind(this, Find, FindString, FindPosition, FindData, StartIndex, Direction, Wrap, index);
    return index;
}

bool TCustomListView::OwnerDataHint(int StartIndex, int EndIndex) {
    if (!OnDataHint) return false;
    OnDataHint(this, StartIndex, EndIndex);
    return true;
}

bool TCustomListView::OwnerDataStateChange(int StartIndex, int EndIndex, UINT OldState, UINT NewState) {
    if (!OnDataStateChange) return false;
    OnDataStateChange(this, StartIndex, EndIndex, OldState, NewState);
    return true;
}

bool TCustomListView::CanEdit(TListItem* Item) {
    bool allow = !FReadOnly;
    if (allow && OnEditing) OnEditing(this, Item, allow);
    return allow;
}

void TCustomListView::Edit(const LVITEMA& Item) {
    TListItem* item = GetItemFromLVItem(Item.iItem, Item.lParam, Item.mask);
    if (!Item.pszText) return;
    String s = Item.pszText;
    if (OnEdited) OnEdited(this, item, s);
    if (item && !FOwnerData) item->SetCaption(s);
}

bool TCustomListView::CanChange(TListItem* Item, TItemChange Change) {
    bool allow = true;
    if (OnChanging) OnChanging(this, Item, Change, allow);
    return allow;
}

void TCustomListView::Change(TListItem* Item, TItemChange Change) {
    if (OnChange) OnChange(this, Item, Change);
}

void TCustomListView::ColClick(TListColumn* Column) {
    if (OnColumnClick) OnColumnClick(this, Column);
}

void TCustomListView::Delete(TListItem* Item) {
    if (OnDeletion) OnDeletion(this, Item);
}

void TCustomListView::InsertItem(TListItem* Item) {
    if (OnInsert) OnInsert(this, Item);
}

bool TCustomListView::IsCustomDrawn(TCustomDrawStage Stage) const {
    return Stage == cdPrePaint && (OnCustomDraw || OnCustomDrawItem);
}

bool TCustomListView::CustomDraw(const RECT& ARect, TCustomDrawStage Stage) {
    bool defaultDraw = true;
    if (Stage == cdPrePaint && OnCustomDraw) OnCustomDraw(this, ARect, defaultDraw);
    return defaultDraw;
}

bool TCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) {
    bool defaultDraw = true;
    if (Stage == cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, Item, State, defaultDraw);
    return defaultDraw;
}

// LVN_GETDISPINFO: the item's text, image, state and indent (owner data through OnData).
LRESULT TCustomListView::DispInfo(NMHDR* Header, bool Unicode) {
    // The fields used sit alike in both forms.
    auto* a = reinterpret_cast<NMLVDISPINFOA*>(Header);
    LVITEMA& rec = a->item;
    TListItem* item = GetItemFromLVItem(rec.iItem, rec.lParam, rec.mask);
    if (!item) return 0;
    if (FOwnerData) {
        TItemRequest request = 0;
        if (rec.mask & LVIF_TEXT) request |= irText;
        if (rec.mask & LVIF_IMAGE) request |= irImage;
        if (rec.mask & LVIF_STATE) request |= irState;
        if (rec.mask & LVIF_INDENT) request |= irIndent;
        if (rec.mask & LVIF_PARAM) request |= irParam;
        OwnerDataFetch(item, request);
    }
    const int sub = rec.iSubItem;
    if (rec.mask & LVIF_TEXT) {
        String text;
        if (sub == 0) text = item->Caption();
        else if (sub - 1 < item->SubItems()->Count()) text = item->SubItems()->Strings(sub - 1);
        if (Unicode) copyWide(platform::ansiToWide(text), reinterpret_cast<NMLVDISPINFOW*>(Header)->item.pszText, rec.cchTextMax);
        else copyAnsi(text, rec.pszText, rec.cchTextMax);
    }
    if (rec.mask & LVIF_IMAGE) rec.iImage = sub == 0 ? item->ImageIndex() : -1;
    if (rec.mask & LVIF_STATE) {
        UINT st = overlayMask(item->OverlayIndex());
        if (FOwnerData || item->StateIndex() >= 0) st |= stateImageMask(item->StateIndex());
        rec.state = (rec.state & ~rec.stateMask) | (st & rec.stateMask);
    }
    if (rec.mask & LVIF_INDENT) rec.iIndent = item->Indent();
    return 0;
}

void TCustomListView::CNNotify(TMessage& m) {
    auto* h = reinterpret_cast<NMHDR*>(m.LParam);
    if (!h) return;
    m.Result = 0;
    switch (h->code) {
    case LVN_GETDISPINFOA: m.Result = DispInfo(h, false); return;
    case LVN_GETDISPINFOW: m.Result = DispInfo(h, true); return;
    case LVN_ODCACHEHINT: {
        auto* c = reinterpret_cast<NMLVCACHEHINT*>(h);
        OwnerDataHint(c->iFrom, c->iTo);
        return;
    }
    case LVN_ODSTATECHANGED: {
        auto* c = reinterpret_cast<NMLVODSTATECHANGE*>(h);
        OwnerDataStateChange(c->iFrom, c->iTo, c->uOldState, c->uNewState);
        return;
    }
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW: {
        const bool wide = h->code == LVN_ODFINDITEMW;
        auto* fa = reinterpret_cast<NMLVFINDITEMA*>(h);
        auto* fw = reinterpret_cast<NMLVFINDITEMW*>(h);
        const UINT flags = fa->lvfi.flags;
        TItemFind find = ifData;
        if (flags & LVFI_PARTIAL) find = ifPartialString;
        else if (flags & LVFI_STRING) find = ifExactString;
        else if (flags & LVFI_NEARESTXY) find = ifNearest;
        String text;
        if (wide && fw->lvfi.psz) text = platform::wideToAnsi(fw->lvfi.psz);
        else if (!wide && fa->lvfi.psz) text = fa->lvfi.psz;
        TSearchDirection dir = sdAll;
        switch (fa->lvfi.vkDirection) {
        case VK_LEFT: dir = sdLeft; break;
        case VK_RIGHT: dir = sdRight; break;
        case VK_UP: dir = sdAbove; break;
        case VK_DOWN: dir = sdBelow; break;
        default: break;
        }
        m.Result = OwnerDataFind(find, text, fa->lvfi.pt, reinterpret_cast<void*>(fa->lvfi.lParam), fa->iStart, dir,
                                 (flags & LVFI_WRAP) != 0);
        return;
    }
    case LVN_ITEMCHANGING: {
        auto* n = reinterpret_cast<NMLISTVIEW*>(h);
        TListItem* item = n->iItem >= 0 ? GetItemFromLVItem(n->iItem, n->lParam, n->lParam ? LVIF_PARAM : 0) : nullptr;
        m.Result = CanChange(item, ctState) ? 0 : 1;
        return;
    }
    case LVN_ITEMCHANGED: {
        auto* n = reinterpret_cast<NMLISTVIEW*>(h);
        TListItem* item = nullptr;
        if (n->iItem >= 0) item = FOwnerData ? FListItems->Item(n->iItem) : GetItemFromLVItem(n->iItem, n->lParam, n->lParam ? LVIF_PARAM : 0);
        if (n->uChanged & LVIF_STATE) {
            Change(item, ctState);
            if ((n->uOldState ^ n->uNewState) & LVIS_SELECTED) {
                if (OnSelectItem) OnSelectItem(this, item, (n->uNewState & LVIS_SELECTED) != 0);
            }
        }
        return;
    }
    case LVN_INSERTITEM: {
        auto* n = reinterpret_cast<NMLISTVIEW*>(h);
        if (!FOwnerData && n->iItem >= 0 && n->iItem < static_cast<int>(FListItems->FItems.size()))
            InsertItem(reinterpret_cast<TListItem*>(n->lParam));
        return;
    }
    case LVN_DELETEITEM: {
        auto* n = reinterpret_cast<NMLISTVIEW*>(h);
        if (!FOwnerData && n->lParam) Delete(reinterpret_cast<TListItem*>(n->lParam));
        return;
    }
    case LVN_DELETEALLITEMS: m.Result = 0; return;
    case LVN_COLUMNCLICK: {
        auto* n = reinterpret_cast<NMLISTVIEW*>(h);
        if (n->iSubItem >= 0 && n->iSubItem < FListColumns->Count()) ColClick(FListColumns->Items(n->iSubItem));
        return;
    }
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW: {
        auto* d = reinterpret_cast<NMLVDISPINFOA*>(h);
        TListItem* item = GetItemFromLVItem(d->item.iItem, d->item.lParam, d->item.mask);
        m.Result = CanEdit(item) ? 0 : 1;
        return;
    }
    case LVN_ENDLABELEDITA: {
        auto* d = reinterpret_cast<NMLVDISPINFOA*>(h);
        if (d->item.pszText && d->item.iItem != -1) Edit(d->item);
        return;
    }
    case LVN_ENDLABELEDITW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(h);
        if (!d->item.pszText || d->item.iItem == -1) return;
        String text = platform::wideToAnsi(d->item.pszText);
        LVITEMA a{};
        a.mask = d->item.mask;
        a.iItem = d->item.iItem;
        a.iSubItem = d->item.iSubItem;
        a.lParam = d->item.lParam;
        a.pszText = text.data();
        a.cchTextMax = static_cast<int>(text.size());
        Edit(a);
        return;
    }
    case LVN_GETINFOTIPA:
    case LVN_GETINFOTIPW: {
        auto* t = reinterpret_cast<NMLVGETINFOTIPA*>(h);
        if (!OnInfoTip) return;
        TListItem* item = FListItems->Item(t->iItem);
        String tip;
        OnInfoTip(this, item, tip);
        if (h->code == LVN_GETINFOTIPW) copyWide(platform::ansiToWide(tip), reinterpret_cast<NMLVGETINFOTIPW*>(h)->pszText, t->cchTextMax);
        else copyAnsi(tip, t->pszText, t->cchTextMax);
        return;
    }
    case NM_CLICK: Click(); return;
    case NM_DBLCLK: DblClick(); return;
    case NM_CUSTOMDRAW: {
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(h);
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
            if (!IsCustomDrawn(cdPrePaint)) return;
            FCanvas->SetHandle(cd->nmcd.hdc);
            const bool defaultDraw = CustomDraw(cd->nmcd.rc, cdPrePaint);
            FCanvas->SetHandle(nullptr);
            m.Result = defaultDraw ? (OnCustomDrawItem ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT) : CDRF_SKIPDEFAULT;
            return;
        }
        if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            TListItem* item = FOwnerData ? FListItems->Item(static_cast<int>(cd->nmcd.dwItemSpec))
                                         : GetItemFromLVItem(static_cast<int>(cd->nmcd.dwItemSpec), cd->nmcd.lItemlParam,
                                                             cd->nmcd.lItemlParam ? LVIF_PARAM : 0);
            FCanvas->SetHandle(cd->nmcd.hdc);
            FCanvas->Font()->Assign(Font());
            FCanvas->Brush()->SetColor(Color());
            const TColor font = FCanvas->Font()->Color();
            const TColor brush = FCanvas->Brush()->Color();
            const bool defaultDraw = CustomDrawItem(item, cd->nmcd.uItemState, cdPrePaint);
            // Colours the handler chose go to the default drawing.
            if (FCanvas->Font()->Color() != font) cd->clrText = ColorToRGB(FCanvas->Font()->Color());
            if (FCanvas->Brush()->Color() != brush) cd->clrTextBk = ColorToRGB(FCanvas->Brush()->Color());
            FCanvas->SetHandle(nullptr);
            m.Result = defaultDraw ? CDRF_NEWFONT : CDRF_SKIPDEFAULT;
            return;
        }
        return;
    }
    default: return;
    }
}

void TCustomListView::SetOwnerDraw(bool v) {
    if (FOwnerDraw == v) return;
    FOwnerDraw = v;
    RecreateWnd();
}

void TCustomListView::DrawItem(TListItem* Item, const RECT& Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        OnDrawItem(this, Item, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    FCanvas->TextOut(Rect.left + 2, Rect.top, Item->Caption());
}

void TCustomListView::CNDrawItem(TMessage& m) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    m.Result = TRUE;
    if (!d || d->CtlType != ODT_LISTVIEW) return;
    const auto index = static_cast<int>(d->itemID);
    TListItem* item = index >= 0 && index < FListItems->Count() ? FListItems->Item(index) : nullptr;
    const auto state = static_cast<TOwnerDrawState>(LOWORD(d->itemState));
    FCanvas->Lock();
    FCanvas->SetHandle(d->hDC);
    FCanvas->Font()->Assign(Font());
    FCanvas->Brush()->Assign(Brush());
    if (state & odSelected) {
        FCanvas->Brush()->SetColor(clHighlight);
        FCanvas->Font()->SetColor(clHighlightText);
    }
    try {
        if (item) DrawItem(item, d->rcItem, state);
        else FCanvas->FillRect(d->rcItem);
        if (state & odFocused) DrawFocusRect(d->hDC, &d->rcItem);
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}

void TCustomListView::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_NOTIFY: CNNotify(m); return;
    case CN_DRAWITEM:
        if (FOwnerDraw) {
            CNDrawItem(m);
            return;
        }
        TWinControl::Dispatch(m);
        return;
    default: TWinControl::Dispatch(m); return;
    }
}
