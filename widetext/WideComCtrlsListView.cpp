// The wide list view: wide items, sub-items and columns over the class library's list view,
// its UTF-16 window, the texts it serves, sorts, finds and edits, and the wide texts kept
// while the window is made again.
#include "widetext/WideComCtrlsListView.h"

#include "widetext/WideActnList.h"
#include "widetext/WideComCtrls.h"
#include "widetext/WideGraphics.h"
#include "widetext/WideProperties.h"

#include <algorithm>
#include <cstring>

namespace {

// The callback of the class library's AlphaSort, learned from the first window made.
PFNLVCOMPARE learnedSort = nullptr;

// Runs a change of 8-bit texts on behalf of wide ones.
class ChangingWide {
public:
    explicit ChangingWide(TWideCustomListView* View) : view_(View) {
        if (view_) view_->BeginChangingWideItem();
    }
    ~ChangingWide() {
        if (view_) view_->EndChangingWideItem();
    }
    ChangingWide(const ChangingWide&) = delete;
    ChangingWide& operator=(const ChangingWide&) = delete;

private:
    TWideCustomListView* view_;
};

class IgnoringInherited {
public:
    explicit IgnoringInherited(TWideSubItems* S) : s_(S), was_(S->IgnoreInherited) { s_->IgnoreInherited = true; }
    ~IgnoringInherited() { s_->IgnoreInherited = was_; }
    IgnoringInherited(const IgnoringInherited&) = delete;
    IgnoringInherited& operator=(const IgnoringInherited&) = delete;

private:
    TWideSubItems* s_;
    bool was_;
};

}  // namespace

// ---- TWideSubItems -------------------------------------------------------------------------

TWideSubItems::TWideSubItems(TWideListItem* AOwner) : FOwner(AOwner) {}

TListItem* TWideSubItems::Owner() const { return FOwner; }

TStrings* TWideSubItems::ansi() const { return FOwner->TListItem::SubItems(); }

TObject* TWideSubItems::GetObject(int Index) const {
    TStrings* a = ansi();
    return Index >= 0 && Index < a->Count() ? a->GetObject(Index) : TWideStringList::GetObject(Index);
}

void TWideSubItems::PutObject(int Index, TObject* AObject) {
    TStrings* a = ansi();
    if (Index >= 0 && Index < a->Count()) a->PutObject(Index, AObject);
    else TWideStringList::PutObject(Index, AObject);
}

int TWideSubItems::AddObject(const WideString& S, TObject* AObject) {
    ChangingWide changing(FOwner->ListView());
    const int i = TWideStringList::AddObject(S, AObject);
    if (!IgnoreInherited) ansi()->AddObject(WideToAnsi(S), AObject);
    return i;
}

void TWideSubItems::Insert(int Index, const WideString& S) {
    ChangingWide changing(FOwner->ListView());
    TWideStringList::Insert(Index, S);
    if (!IgnoreInherited) ansi()->Insert(Index, WideToAnsi(S));
}

void TWideSubItems::InsertObject(int Index, const WideString& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TWideSubItems::Put(int Index, const WideString& S) {
    ChangingWide changing(FOwner->ListView());
    TWideStringList::Put(Index, S);
    if (!IgnoreInherited) ansi()->Put(Index, WideToAnsi(S));
}

void TWideSubItems::Delete(int Index) {
    ChangingWide changing(FOwner->ListView());
    TWideStringList::Delete(Index);
    if (!IgnoreInherited) ansi()->Delete(Index);
}

void TWideSubItems::Clear() {
    ChangingWide changing(FOwner->ListView());
    TWideStringList::Clear();
    if (!IgnoreInherited) ansi()->Clear();
}

void TWideSubItems::SetUpdateState(bool Updating) {
    TWideStringList::SetUpdateState(Updating);
    ansi()->SetUpdateState(Updating);
}

// ---- TWideListItem -------------------------------------------------------------------------

TWideListItem::TWideListItem(TListItems* AOwner) : TListItem(AOwner), FWideSubItems(new TWideSubItems(this)) {}

TWideListItem::~TWideListItem() { delete FWideSubItems; }

TWideCustomListView* TWideListItem::ListView() const { return qobject_cast<TWideCustomListView*>(TListItem::ListView()); }

WideString TWideListItem::Caption() const { return GetSyncedWideString(FWideCaption, TListItem::Caption()); }

void TWideListItem::SetCaption(const WideString& Value) {
    ChangingWide changing(ListView());
    SetSyncedWideString(Value, FWideCaption, TListItem::Caption(), [this](const String& s) { TListItem::SetCaption(s); });
}

void TWideListItem::SetSubItems(TWideStrings* Value) {
    if (Value) FWideSubItems->Assign(Value);
}

void TWideListItem::Assign(TPersistent* Source) {
    auto* src = qobject_cast<TWideListItem*>(Source);
    if (!src) {
        TListItem::Assign(Source);
        return;
    }
    SetCaption(src->Caption());
    SetData(src->Data());
    SetImageIndex(src->ImageIndex());
    SetIndent(src->Indent());
    SetOverlayIndex(src->OverlayIndex());
    SetStateIndex(src->StateIndex());
    FWideSubItems->Assign(src->SubItems());
    SetChecked(src->Checked());
}

// ---- Items and columns ---------------------------------------------------------------------

TWideListItem* TWideListItems::Add() {
    TListItem* item = TListItems::Add();
    if (item && !qobject_cast<TWideListItem*>(item)) throw EInvalidCast(SInvalidCast);
    return static_cast<TWideListItem*>(item);
}

TWideListItem* TWideListItems::Item(int Index) const {
    TListItem* item = TListItems::Item(Index);
    if (item && !qobject_cast<TWideListItem*>(item)) throw EInvalidCast(SInvalidCast);
    return static_cast<TWideListItem*>(item);
}

TWideListColumn::TWideListColumn(TCollection* ACollection) : TListColumn(ACollection) {}

WideString TWideListColumn::Caption() const { return GetSyncedWideString(FWideCaption, TListColumn::Caption()); }

void TWideListColumn::SetCaption(const WideString& Value) {
    SetSyncedWideString(Value, FWideCaption, TListColumn::Caption(), [this](const String& s) { TListColumn::SetCaption(s); });
}

void TWideListColumn::Assign(TPersistent* Source) {
    TListColumn::Assign(Source);
    if (auto* wide = qobject_cast<TWideListColumn*>(Source)) SetCaption(wide->Caption());
    else if (auto* plain = qobject_cast<TListColumn*>(Source)) FWideCaption = AnsiToWide(plain->Caption());
}

void TWideListColumn::DefineProperties(TFiler* Filer) {
    TListColumn::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

TWideListColumns::TWideListColumns(TCustomListView* AOwner) : TListColumns(AOwner, CollectionItemClass<TWideListColumn>()) {}

TWideListColumn* TWideListColumns::Items(int Index) const {
    TListColumn* c = TListColumns::Items(Index);
    if (c && !qobject_cast<TWideListColumn*>(c)) throw EInvalidCast(SInvalidCast);
    return static_cast<TWideListColumn*>(c);
}

TWideListColumn* TWideListColumns::Add() {
    TListColumn* c = TListColumns::Add();
    if (c && !qobject_cast<TWideListColumn*>(c)) throw EInvalidCast(SInvalidCast);
    return static_cast<TWideListColumn*>(c);
}

// ---- Owner-data hooks ------------------------------------------------------------------------

bool _WideInternalCustomListView::OwnerDataFetch(TListItem* Item, TItemRequest Request) {
    return OwnerDataFetchW(Item, Request);
}

int _WideInternalCustomListView::OwnerDataFind(TItemFind Find, const String& FindString, const POINT& FindPosition,
                                               void* FindData, int StartIndex, TSearchDirection Direction, bool Wrap) {
    return OwnerDataFindW(Find, AnsiToWide(FindString), FindPosition, FindData, StartIndex, Direction, Wrap);
}

// ---- TWideCustomListView -------------------------------------------------------------------

TWideCustomListView::TWideCustomListView(TComponent* AOwner) : _WideInternalCustomListView(AOwner) {
    FEditInstance = MakeObjectInstance([this](TMessage& m) { EditWndProc(m); });
    // Items, the owner-data item and columns of the wide classes.
    delete FTempItem;
    FTempItem = nullptr;
    delete FListItems;
    FListItems = new TWideListItems(this);
    FTempItem = CreateListItem();
    delete FListColumns;
    FListColumns = new TWideListColumns(this);
    FListColumns->SetPropName("Columns");
}

TWideCustomListView::~TWideCustomListView() {
    // The window goes while the control is still this class.
    Destroying();
    DestroyHandle();
    FreeObjectInstance(FEditInstance);
}

TWideListItems* TWideCustomListView::Items() const {
    auto* items = qobject_cast<TWideListItems*>(TCustomListView::Items());
    if (!items) throw EInvalidCast(SInvalidCast);
    return items;
}

TWideListColumns* TWideCustomListView::Columns() const {
    auto* columns = qobject_cast<TWideListColumns*>(TCustomListView::Columns());
    if (!columns) throw EInvalidCast(SInvalidCast);
    return columns;
}

TWideListItem* TWideCustomListView::Selected() const {
    TListItem* item = TCustomListView::Selected();
    if (item && !qobject_cast<TWideListItem*>(item)) throw EInvalidCast(SInvalidCast);
    return static_cast<TWideListItem*>(item);
}

TWideListColumn* TWideCustomListView::GetColumnFromTag(int Tag) const {
    TWideListColumns* columns = Columns();
    for (int i = 0; i < columns->Count(); ++i)
        if (columns->Items(i)->Index() == Tag) return columns->Items(i);
    return nullptr;
}

void TWideCustomListView::AddItem(const WideString& Caption, TObject* Data) {
    TWideListItem* item = Items()->Add();
    item->SetCaption(Caption);
    item->SetData(Data);
}

TListItem* TWideCustomListView::CreateListItem() { return new TWideListItem(FListItems); }

TWideListItem* TWideCustomListView::GetItemFromLVItem(const LVITEMW& Item) const {
    return qobject_cast<TWideListItem*>(TCustomListView::GetItemFromLVItem(Item.iItem, Item.lParam, Item.mask));
}

void TWideCustomListView::DefineProperties(TFiler* Filer) {
    _WideInternalCustomListView::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

void TWideCustomListView::ActionChange(TObject* Sender, bool CheckDefaults) {
    WideControl_ActionChange(this, Sender, CheckDefaults);
    _WideInternalCustomListView::ActionChange(Sender, CheckDefaults);
}

TBasicActionLink* TWideCustomListView::CreateActionLink() { return WideControl_CreateActionLink(this); }

void TWideCustomListView::DrawItem(TListItem* Item, const RECT& Rect, TOwnerDrawState State) {
    TCanvas* c = Canvas();
    if (UseRightToLeftReading()) c->TextFlags |= ETO_RTLREADING;
    else c->TextFlags &= ~ETO_RTLREADING;
    if (OnDrawItem) {
        OnDrawItem(this, Item, Rect, State);
        return;
    }
    c->FillRect(Rect);
    // The wide caption: the 8-bit one has lost what the code page cannot hold.
    const auto* wideItem = qobject_cast<const TWideListItem*>(Item);
    WideCanvasTextOut(c, Rect.left + 2, Rect.top, wideItem ? wideItem->Caption() : AnsiToWide(Item->Caption()));
}

// ---- Window -------------------------------------------------------------------------------

void TWideCustomListView::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeWindow(this, Params, WC_LISTVIEWW);
    if (!PlatformHasWideApi()) return;
    const HWND h = WindowHandle();
    SendMessageW(h, CCM_SETUNICODEFORMAT, 1, 0);
    if (!learnedSort) {
        FLearning = true;
        try {
            AlphaSort();
        } catch (...) {
            FLearning = false;
            throw;
        }
        FLearning = false;
    }
    LVCOLUMNW empty{};
    SendMessageW(h, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&empty));
    SendMessageW(h, LVM_DELETECOLUMN, 0, 0);
}

void TWideCustomListView::CreateWnd() {
    // Texts kept by index fit only the same items.
    if (FSavedItems && static_cast<int>(FSavedItems->size()) != Items()->Count()) FSavedItems.reset();
    try {
        _WideInternalCustomListView::CreateWnd();
    } catch (...) {
        FSavedItems.reset();
        throw;
    }
    FSavedItems.reset();
}

void TWideCustomListView::DestroyWnd() {
    if (!ComponentState().Contains(csDestroying) && !OwnerData()) {
        FSavedItems = std::make_unique<std::vector<TSavedListItem>>();
        TWideListItems* items = Items();
        for (int i = 0; i < items->Count(); ++i) {
            TWideListItem* item = items->Item(i);
            TSavedListItem saved;
            saved.Caption = item->Caption();
            saved.SubItems = std::make_unique<TWideStringList>();
            saved.SubItems->Assign(item->SubItems());
            FSavedItems->push_back(std::move(saved));
        }
    }
    _WideInternalCustomListView::DestroyWnd();
}

// A wide sub-item text in step with its 8-bit one (or all of them when SubItem is -1).
void TWideCustomListView::syncSubItemsFromAnsi(TWideListItem* Item, int SubItem) {
    TWideSubItems* wide = Item->SubItems();
    TStrings* ansi = Item->TListItem::SubItems();
    ChangingWide changing(this);
    IgnoringInherited ignoring(wide);
    const int count = wide->Count();
    if (SubItem >= 0 && SubItem < count) {
        if (SubItem < ansi->Count() && WideToAnsi(wide->Get(SubItem)) != ansi->Strings(SubItem))
            wide->Put(SubItem, AnsiToWide(ansi->Strings(SubItem)));
        return;
    }
    if (SubItem >= 0 && SubItem == count && SubItem < ansi->Count()) {
        wide->AddObject(AnsiToWide(ansi->Strings(SubItem)), nullptr);
        return;
    }
    // Everything again, keeping the wide texts the 8-bit ones still stand for.
    TWideStringList texts;
    for (int i = 0; i < ansi->Count(); ++i)
        texts.Add(i < count && WideToAnsi(wide->Get(i)) == ansi->Strings(i) ? wide->Get(i) : AnsiToWide(ansi->Strings(i)));
    wide->BeginUpdate();
    try {
        wide->Clear();
        for (int i = 0; i < texts.Count(); ++i) wide->Add(texts[i]);
    } catch (...) {
        wide->EndUpdate();
        throw;
    }
    wide->EndUpdate();
}

void TWideCustomListView::restoreSaved(TWideListItem* Item, const TSavedListItem& Saved, int SubItem) {
    if (SubItem == 0) {
        Item->StoredCaption() = Saved.Caption;
        return;
    }
    TWideSubItems* wide = Item->SubItems();
    ChangingWide changing(this);
    IgnoringInherited ignoring(wide);
    const int n = SubItem - 1;
    if (n < wide->Count() && n < Saved.SubItems->Count()) {
        wide->Put(n, Saved.SubItems->Get(n));
    } else if (n == wide->Count() && n < Saved.SubItems->Count()) {
        wide->AddObject(Saved.SubItems->Get(n), nullptr);
    } else {
        wide->Assign(Saved.SubItems.get());
    }
}

void TWideCustomListView::WndProc(TMessage& m) {
    const bool wide = PlatformHasWideApi();
    const auto* itemRecord = reinterpret_cast<const LVITEMA*>(m.LParam);
    if (m.Msg == LVM_SETITEMTEXTA && itemRecord && FChangingWideItem == 0) {
        const int index = static_cast<int>(m.WParam);
        if (FSavedItems) {
            // The window is made again: the wide texts come back from what was kept.
            if (index >= 0 && index < static_cast<int>(FSavedItems->size()) && index < Items()->Count())
                restoreSaved(Items()->Item(index), (*FSavedItems)[static_cast<std::size_t>(index)], itemRecord->iSubItem);
        } else {
            // Someone set an 8-bit text: the wide one follows.
            TWideListItem* item = OwnerData() ? qobject_cast<TWideListItem*>(FTempItem)
                                              : (index >= 0 && index < Items()->Count() ? Items()->Item(index) : nullptr);
            if (item && itemRecord->iSubItem > 0) syncSubItemsFromAnsi(item, itemRecord->iSubItem - 1);
            else if (item) item->Caption();
        }
    }
    if (m.Msg == LVM_UPDATE && !FSavedItems && FChangingWideItem == 0 && !OwnerData()) {
        const int index = static_cast<int>(m.WParam);
        if (index >= 0 && index < Items()->Count()) syncSubItemsFromAnsi(Items()->Item(index), -1);
    }
    if (m.Msg == LVM_SORTITEMS && FLearning) {
        learnedSort = reinterpret_cast<PFNLVCOMPARE>(m.LParam);
        m.Result = 0;
        return;
    }
    const auto* column = reinterpret_cast<const LVCOLUMNA*>(m.LParam);
    TWideListColumn* target = nullptr;
    if (m.Msg == LVM_SETCOLUMNA && column && (column->mask & LVCF_TEXT)) {
        target = GetColumnFromTag(static_cast<int>(m.WParam));
        const String text = column->pszText ? String(column->pszText) : String();
        if (target && WideToAnsi(target->StoredCaption()) != text) target->StoredCaption() = AnsiToWide(text);
    }
    if (wide) {
        const HWND h = WindowHandle();
        if (m.Msg == LVM_SETITEMTEXTA && itemRecord && itemRecord->pszText == LPSTR_TEXTCALLBACKA) {
            m.Result = SendMessageW(h, LVM_SETITEMTEXTW, m.WParam, m.LParam);
            return;
        }
        if (m.Msg == LVM_SORTITEMS && learnedSort && reinterpret_cast<PFNLVCOMPARE>(m.LParam) == learnedSort) {
            m.Result = SendMessageW(h, LVM_SORTITEMS, m.WParam, reinterpret_cast<LPARAM>(&WideListViewSort));
            return;
        }
        if (target) {
            LVCOLUMNW record;
            std::memcpy(&record, column, sizeof record);
            const WideString caption = target->Caption();
            record.pszText = const_cast<LPWSTR>(caption.c_str());
            m.Result = SendMessageW(h, LVM_SETCOLUMNW, m.WParam, reinterpret_cast<LPARAM>(&record));
            return;
        }
    }
    if (m.Msg == LVM_SETEXTENDEDLISTVIEWSTYLE && Checkboxes()) {
        m.LParam |= LVS_EX_SUBITEMIMAGES | LVS_EX_INFOTIP;
        if (m.WParam) m.WParam |= LVS_EX_SUBITEMIMAGES | LVS_EX_INFOTIP;
    }
    _WideInternalCustomListView::WndProc(m);
}

int TWideCustomListView::WideListViewSort(LPARAM Item1, LPARAM Item2, LPARAM Data) {
    auto* a = qobject_cast<TWideListItem*>(reinterpret_cast<TListItem*>(Item1));
    auto* b = qobject_cast<TWideListItem*>(reinterpret_cast<TListItem*>(Item2));
    TWideCustomListView* lv = a ? a->ListView() : nullptr;
    if (!a || !b || !lv) return 0;
    if (lv->OnCompare) {
        int result = 0;
        lv->OnCompare(lv, a, b, static_cast<int>(Data), result);
        return result;
    }
    if (lv->SortType() == stData) return a->Data() < b->Data() ? -1 : a->Data() > b->Data() ? 1 : 0;
    return lstrcmpW(a->Caption().c_str(), b->Caption().c_str());
}

// ---- Notifications --------------------------------------------------------------------------

void TWideCustomListView::Dispatch(TMessage& m) {
    if (m.Msg == CN_NOTIFY && PlatformHasWideApi()) {
        CNNotify(m);
        return;
    }
    if (m.Msg == WM_NOTIFY) {
        WMNotify(m);
        return;
    }
    _WideInternalCustomListView::Dispatch(m);
}

void TWideCustomListView::CNNotify(TMessage& m) {
    auto* h = reinterpret_cast<NMHDR*>(m.LParam);
    if (!h) {
        _WideInternalCustomListView::Dispatch(m);
        return;
    }
    // A W notification the class library serves in its A form.
    auto asAnsi = [&](UINT ansiCode) {
        const UINT code = h->code;
        h->code = ansiCode;
        try {
            _WideInternalCustomListView::Dispatch(m);
        } catch (...) {
            h->code = code;
            throw;
        }
        h->code = code;
    };
    switch (h->code) {
    case HDN_TRACKW: asAnsi(HDN_TRACKA); return;
    case LVN_ODFINDITEMW: {
        auto* f = reinterpret_cast<NMLVFINDITEMW*>(h);
        FFindString = (f->lvfi.flags & (LVFI_PARTIAL | LVFI_STRING)) ? f->lvfi.psz : nullptr;
        const LPCWSTR text = f->lvfi.psz;
        f->lvfi.psz = nullptr;
        try {
            asAnsi(LVN_ODFINDITEMA);
        } catch (...) {
            f->lvfi.psz = text;
            FFindString = nullptr;
            throw;
        }
        f->lvfi.psz = text;
        FFindString = nullptr;
        return;
    }
    case LVN_GETDISPINFOW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(h);
        FCurrentDispInfo = d;
        FRequestedDispInfoMask = d->item.mask;
        d->item.mask &= ~LVIF_TEXT;
        try {
            asAnsi(LVN_GETDISPINFOA);
        } catch (...) {
            d->item.mask = FRequestedDispInfoMask;
            FCurrentDispInfo = nullptr;
            throw;
        }
        d->item.mask |= FRequestedDispInfoMask & LVIF_TEXT;
        FCurrentDispInfo = nullptr;
        if (!(FRequestedDispInfoMask & LVIF_TEXT)) return;
        TWideListItem* item = GetItemFromLVItem(d->item);
        WideString text;
        if (item && d->item.iSubItem > 0) {
            const int n = d->item.iSubItem - 1;
            if (n < item->SubItems()->Count()) text = item->SubItems()->Get(n);
        } else if (item) {
            text = item->Caption();
        }
        CopyToWideBuffer(text, d->item.pszText, d->item.cchTextMax);
        return;
    }
    case LVN_ENDLABELEDITW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(h);
        if (d->item.pszText && d->item.iItem != -1) Edit(d->item);
        return;
    }
    case LVN_BEGINLABELEDITW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(h);
        TWideListItem* item = GetItemFromLVItem(d->item);
        if (!CanEdit(item)) {
            m.Result = 1;
            return;
        }
        m.Result = 0;
        FEditHandle = reinterpret_cast<HWND>(SendMessageW(WindowHandle(), LVM_GETEDITCONTROL, 0, 0));
        if (FEditHandle) {
            FDefEditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(FEditHandle, GWLP_WNDPROC));
            SetWindowLongPtrW(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FEditInstance));
        }
        return;
    }
    default: _WideInternalCustomListView::Dispatch(m); return;
    }
}

void TWideCustomListView::WMNotify(TMessage& m) {
    _WideInternalCustomListView::Dispatch(m);
    auto* h = reinterpret_cast<NMHDR*>(m.LParam);
    if (!h || (h->code != HDN_ENDTRACKW && h->code != HDN_DIVIDERDBLCLICKW)) return;
    // The header's W notifications once more in the A form the class library knows.
    const UINT code = h->code;
    h->code = code == HDN_ENDTRACKW ? HDN_ENDTRACKA : HDN_DIVIDERDBLCLICKA;
    const LRESULT result = m.Result;
    try {
        _WideInternalCustomListView::Dispatch(m);
    } catch (...) {
        h->code = code;
        throw;
    }
    h->code = code;
    m.Result = result;
}

// ---- Owner data ------------------------------------------------------------------------------

bool TWideCustomListView::OwnerDataFetch(TListItem* Item, TItemRequest Request) {
    if (auto* item = qobject_cast<TWideListItem*>(Item)) {
        if (FCurrentDispInfo && (FRequestedDispInfoMask & LVIF_TEXT))
            item->StoredCaption() = TextOfWideBuffer(FCurrentDispInfo->item.pszText, FCurrentDispInfo->item.cchTextMax);
        item->SubItems()->Clear();
    }
    return _WideInternalCustomListView::OwnerDataFetch(Item, Request);
}

bool TWideCustomListView::OwnerDataFetchW(TListItem* Item, TItemRequest) { return DoOwnerDataFetch(Item); }

bool TWideCustomListView::DoOwnerDataFetch(TListItem* Item) {
    if (!OnData) return false;
    OnData(this, Item);
    return true;
}

int TWideCustomListView::OwnerDataFindW(TItemFind Find, const WideString& FindString, const POINT& FindPosition,
                                        void* FindData, int StartIndex, TSearchDirection Direction, bool Wrap) {
    // The search text as the window gave it, unless the request came in the A form.
    const WideString text = FFindString ? WideString(FFindString) : FindString;
    return DoOwnerDataFind(Find, text, FindPosition, FindData, StartIndex, Direction, Wrap);
}

int TWideCustomListView::DoOwnerDataFind(TItemFind Find, const WideString& FindString, const POINT& FindPosition,
                                         void* FindData, int StartIndex, TSearchDirection Direction, bool Wrap) {
    int index = -1;
    if (OnDataFind)
        OnDataFind(this, Find, FindString, FindPosition, FindData, StartIndex, Direction, Wrap, index);
    else if (TCustomListView::OnDataFind)
        TCustomListView::OnDataFind(this, Find, WideToAnsi(FindString), FindPosition, FindData, StartIndex, Direction,
                                    Wrap, index);
    return index;
}

// ---- Label editing ---------------------------------------------------------------------------

void TWideCustomListView::editedText(TWideListItem* Item, WideString Text) {
    if (OnEdited) {
        OnEdited(this, Item, Text);
    } else if (TCustomListView::OnEdited) {
        String s = WideToAnsi(Text);
        TCustomListView::OnEdited(this, Item, s);
        Text = AnsiToWide(s);
    }
    if (Item && !OwnerData()) Item->SetCaption(Text);
}

void TWideCustomListView::Edit(const LVITEMA& Item) {
    if (!Item.pszText) return;
    auto* item = qobject_cast<TWideListItem*>(TCustomListView::GetItemFromLVItem(Item.iItem, Item.lParam, Item.mask));
    editedText(item, AnsiToWide(Item.pszText));
}

void TWideCustomListView::Edit(const LVITEMW& Item) {
    if (!Item.pszText) return;
    editedText(GetItemFromLVItem(Item), WideString(Item.pszText));
}

void TWideCustomListView::EditWndProc(TMessage& m) {
    const HWND edit = FEditHandle;
    try {
        if (editKey(m)) return;
        if (m.Msg == WM_NCDESTROY) {
            m.Result = CallWindowProcW(FDefEditProc, edit, m.Msg, m.WParam, m.LParam);
            if (FEditHandle == edit) FEditHandle = nullptr;
            return;
        }
        m.Result = CallWindowProcW(FDefEditProc, edit, m.Msg, m.WParam, m.LParam);
    } catch (std::exception& e) {
        if (Application) Application->HandleException(this, e);
    }
}

// Keys of the in-place edit window reach the list view's key handlers first; what they
// consume ends there, and the control notifications are the list view's own.
bool TWideCustomListView::editKey(TMessage& m) {
    switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return DoKeyDown(m);
    case WM_KEYUP:
    case WM_SYSKEYUP: return DoKeyUp(m);
    case WM_CHAR: {
        MakeWMCharMsgSafeForAnsi(m);
        const bool consumed = DoKeyPress(m);
        RestoreWMCharMsg(m);
        return consumed;
    }
    case CN_KEYDOWN:
    case CN_CHAR:
    case CN_SYSKEYDOWN:
    case CN_SYSCHAR: WndProc(m); return true;
    default: return false;
    }
}
