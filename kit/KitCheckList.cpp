// The kit's list box and check-list box.
#include "kit/KitCheckList.h"

#include "classlib/Filer.h"
#include "classlib/Forms.h"
#include "kit/KitPlacement.h"
#include "kit/KitUtils.h"
#include "platform/winpaint.h"

#include <algorithm>
#include <memory>

static void initKitCheckResources() { Q_INIT_RESOURCE(kit); }

namespace {

constexpr TColor kImageKey = 0x808000;  // the teal background of the check pictures
constexpr int kStreamVersion = 202;

TCheckBoxState ValidState(long long v) {
    return v == cbChecked ? cbChecked : v == cbGrayed ? cbGrayed : cbUnchecked;
}

}  // namespace

TBitmap* CheckImages() {
    static std::unique_ptr<TBitmap> images;
    if (!images) {
        initKitCheckResources();
        images = std::make_unique<TBitmap>();
        images->LoadFromResourceName(nullptr, "CHECK_IMAGES");
        images->SetTransparentColor(kImageKey);
    }
    return images.get();
}

// TKitListBoxStrings

String TKitListBoxStrings::Get(int Index) const {
    if (!FListBox->UsesWindow()) {
        if (Index < 0 || Index >= static_cast<int>(FListBox->FSaved.size())) TKitCustomListBox::ListIndexError(Index);
        return FListBox->FSaved[static_cast<std::size_t>(Index)].Text;
    }
    HWND h = FListBox->Handle();
    const LRESULT len = SendMessageA(h, LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
    if (len < 0) TKitCustomListBox::ListIndexError(Index);
    std::string buf(static_cast<std::size_t>(len) + 1, '\0');
    const LRESULT n = SendMessageA(h, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(buf.data()));
    if (n < 0) TKitCustomListBox::ListIndexError(Index);
    buf.resize(static_cast<std::size_t>(std::min(n, len)));
    return buf;
}

int TKitListBoxStrings::GetCount() const {
    if (!FListBox->UsesWindow()) return static_cast<int>(FListBox->FSaved.size());
    return static_cast<int>(SendMessageA(FListBox->Handle(), LB_GETCOUNT, 0, 0));
}

TObject* TKitListBoxStrings::GetObject(int Index) const {
    // Any data is a legitimate value; only the index is checked.
    if (Index < 0 || Index >= GetCount()) TKitCustomListBox::ListIndexError(Index);
    return reinterpret_cast<TObject*>(FListBox->GetItemData(Index));
}

void TKitListBoxStrings::PutObject(int Index, TObject* AObject) {
    if (Index < 0 || Index >= GetCount()) TKitCustomListBox::ListIndexError(Index);
    FListBox->SetItemData(Index, reinterpret_cast<LPARAM>(AObject));
}

void TKitListBoxStrings::Clear() { FListBox->ResetContent(); }

void TKitListBoxStrings::Delete(int Index) {
    if (Index < 0 || Index >= GetCount()) TKitCustomListBox::ListIndexError(Index);
    FListBox->DeleteString(Index);
}

void TKitListBoxStrings::Insert(int Index, const String& S) {
    if (!FListBox->UsesWindow()) {
        auto& saved = FListBox->FSaved;
        if (Index < 0 || Index > static_cast<int>(saved.size())) TKitCustomListBox::ListIndexError(Index);
        saved.insert(saved.begin() + Index, TKitCustomListBox::TSavedItem{S, 0});
        return;
    }
    const LRESULT r = SendMessageA(FListBox->Handle(), LB_INSERTSTRING, static_cast<WPARAM>(Index),
                                   reinterpret_cast<LPARAM>(S.c_str()));
    if (r < 0) throw EOutOfResources("Zeile kann nicht eingefügt werden");
}

int TKitListBoxStrings::Add(const String& S) {
    if (!FListBox->UsesWindow()) {
        auto& saved = FListBox->FSaved;
        std::size_t at = saved.size();
        if (FListBox->Sorted())
            at = static_cast<std::size_t>(
                std::upper_bound(saved.begin(), saved.end(), S,
                                 [](const String& s, const TKitCustomListBox::TSavedItem& item) {
                                     return AnsiCompareText(s, item.Text) < 0;
                                 }) -
                saved.begin());
        saved.insert(saved.begin() + static_cast<std::ptrdiff_t>(at), TKitCustomListBox::TSavedItem{S, 0});
        return static_cast<int>(at);
    }
    // Sorted lists follow the locale's collation without regard to case.
    int at = GetCount();
    if (FListBox->Sorted()) {
        int lo = 0, hi = at;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (AnsiCompareText(Get(mid), S) <= 0) lo = mid + 1;
            else hi = mid;
        }
        at = lo;
    }
    const LRESULT r = SendMessageA(FListBox->Handle(), LB_INSERTSTRING, static_cast<WPARAM>(at),
                                   reinterpret_cast<LPARAM>(S.c_str()));
    if (r < 0) throw EOutOfResources("Zeile kann nicht eingefügt werden");
    return static_cast<int>(r);
}

void TKitListBoxStrings::SetUpdateState(bool Updating) {
    if (!FListBox->UsesWindow()) return;
    SendMessageA(FListBox->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
    if (!Updating) FListBox->Invalidate();
}

// TKitCustomListBox

TKitCustomListBox::TKitCustomListBox(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = csSetCaption | csDoubleClicks;
    FWidth = 121;
    FHeight = 97;
    FTabStop = true;
    FColor = clWindow;
    FBrush->SetColor(FColor);
    FItems = new TKitListBoxStrings(this);
    FCanvas = new TCanvas();
}

TKitCustomListBox::~TKitCustomListBox() {
    delete FItems;
    FItems = nullptr;
    delete FCanvas;
}

void TKitCustomListBox::ListIndexError(int Index) {
    throw EListError(Format("Der Index der Liste überschreitet das Maximum (%d)", {Index}));
}

void TKitCustomListBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    CreateSubClass(p, "LISTBOX");
    p.Style |= LBS_NOTIFY | LBS_HASSTRINGS | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT;
    if (FStyle == TCustomListBox::lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
    else if (FStyle == TCustomListBox::lbOwnerDrawVariable) p.Style |= LBS_OWNERDRAWVARIABLE;
    if (FMultiSelect) p.Style |= LBS_EXTENDEDSEL;
    if (FBorderStyle == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TKitCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    // The items kept meanwhile go into the new window.
    std::vector<TSavedItem> saved;
    saved.swap(FSaved);
    if (FSorted)
        std::stable_sort(saved.begin(), saved.end(), [](const TSavedItem& a, const TSavedItem& b) {
            return AnsiCompareText(a.Text, b.Text) < 0;
        });
    for (std::size_t i = 0; i < saved.size(); ++i) {
        const LRESULT at = SendMessageA(FHandle, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(saved[i].Text.c_str()));
        if (at >= 0) SendMessageA(FHandle, LB_SETITEMDATA, static_cast<WPARAM>(at), saved[i].Data);
    }
    if (FSavedTop > 0) SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FSavedTop), 0);
    if (FSavedIndex >= 0) SendMessageA(FHandle, LB_SETCURSEL, static_cast<WPARAM>(FSavedIndex), 0);
}

void TKitCustomListBox::DestroyWnd() {
    if (FHandle) {
        const int n = static_cast<int>(SendMessageA(FHandle, LB_GETCOUNT, 0, 0));
        std::vector<TSavedItem> saved;
        for (int i = 0; i < n; ++i)
            saved.push_back(TSavedItem{FItems->Get(i), SendMessageA(FHandle, LB_GETITEMDATA, static_cast<WPARAM>(i), 0)});
        FSavedTop = static_cast<int>(SendMessageA(FHandle, LB_GETTOPINDEX, 0, 0));
        const LRESULT sel = SendMessageA(FHandle, LB_GETCURSEL, 0, 0);
        FSavedIndex = sel == LB_ERR ? -1 : static_cast<int>(sel);
        SendMessageA(FHandle, LB_RESETCONTENT, 0, 0);
        TWinControl::DestroyWnd();
        FSaved.swap(saved);
        return;
    }
    TWinControl::DestroyWnd();
}

LPARAM TKitCustomListBox::GetItemData(int Index) {
    if (!UsesWindow()) return FSaved.at(static_cast<std::size_t>(Index)).Data;
    return SendMessageA(Handle(), LB_GETITEMDATA, static_cast<WPARAM>(Index), 0);
}

void TKitCustomListBox::SetItemData(int Index, LPARAM Data) {
    if (!UsesWindow()) {
        FSaved.at(static_cast<std::size_t>(Index)).Data = Data;
        return;
    }
    SendMessageA(Handle(), LB_SETITEMDATA, static_cast<WPARAM>(Index), Data);
}

void TKitCustomListBox::DeleteString(int Index) {
    if (!UsesWindow()) {
        FSaved.erase(FSaved.begin() + Index);
        return;
    }
    SendMessageA(Handle(), LB_DELETESTRING, static_cast<WPARAM>(Index), 0);
}

void TKitCustomListBox::ResetContent() {
    if (!UsesWindow()) {
        FSaved.clear();
        return;
    }
    SendMessageA(Handle(), LB_RESETCONTENT, 0, 0);
}

int TKitCustomListBox::ItemIndex() {
    if (!UsesWindow()) return FSavedIndex;
    const LRESULT r = SendMessageA(Handle(), LB_GETCURSEL, 0, 0);
    return r == LB_ERR ? -1 : static_cast<int>(r);
}

void TKitCustomListBox::SetItemIndex(int v) {
    if (v < -1 || v >= FItems->Count()) v = -1;
    FSavedIndex = v;
    if (UsesWindow()) SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

int TKitCustomListBox::TopIndex() {
    return UsesWindow() ? static_cast<int>(SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0)) : FSavedTop;
}

RECT TKitCustomListBox::ItemRect(int Index) {
    RECT r{};
    if (UsesWindow()) SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
    return r;
}

int TKitCustomListBox::ItemAtPos(POINT Pos, bool Existing) {
    const int n = FItems->Count();
    for (int i = TopIndex(); i < n; ++i) {
        const RECT r = ItemRect(i);
        if (r.bottom <= r.top) break;
        if (Pos.y >= r.top && Pos.y < r.bottom) return i;
        if (r.top > Pos.y) break;
    }
    return Existing ? -1 : n;
}

void TKitCustomListBox::SetBorderStyle(TFormBorderStyle v) {
    if (v == FBorderStyle) return;
    FBorderStyle = v;
    RecreateWnd();
}

void TKitCustomListBox::SetGraySelection(bool v) {
    if (v == FGraySelection) return;
    FGraySelection = v;
    Invalidate();
}

void TKitCustomListBox::SetItemHeight(int v) {
    if (v <= 0 || v == FItemHeight) return;
    FItemHeight = v;
    if (FStyle != TCustomListBox::lbStandard) RecreateWnd();
}

void TKitCustomListBox::SetMultiSelect(bool v) {
    if (v == FMultiSelect) return;
    FMultiSelect = v;
    RecreateWnd();
}

void TKitCustomListBox::SetSorted(bool v) {
    if (v == FSorted) return;
    FSorted = v;
    RecreateWnd();
}

void TKitCustomListBox::SetStyle(TCustomListBox::TListBoxStyle v) {
    if (v == FStyle) return;
    FStyle = v;
    RecreateWnd();
}

void TKitCustomListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas->FillRect(Rect);
    if (Index < FItems->Count()) {
        const String text = FItems->Get(Index);
        const int y = Rect.top + (HeightOfRect(Rect) - FCanvas->TextHeight("Wy")) / 2;
        FCanvas->TextOut(Rect.left + 2, y, text);
    }
}

void TKitCustomListBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TKitCustomListBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_DRAWITEM: {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        if (!d) return;
        FCanvas->SetHandle(d->hDC);
        FCanvas->SetFont(FFont);
        FCanvas->Brush()->SetColor(FColor);
        FCanvas->Brush()->SetStyle(bsSolid);
        const TOwnerDrawState state = d->itemState;
        if (state & ODS_SELECTED) {
            if (FGraySelection && !Focused() && !ComponentState().Contains(csDesigning)) {
                FCanvas->Brush()->SetColor(clBtnFace);
                if (FFont->Color() == clBtnFace) FCanvas->Font()->SetColor(clBtnText);
            } else {
                FCanvas->Brush()->SetColor(clHighlight);
                FCanvas->Font()->SetColor(clHighlightText);
            }
        }
        const int index = static_cast<int>(d->itemID);
        if (index < 0) FCanvas->FillRect(d->rcItem);
        else DrawItem(index, d->rcItem, state);
        if (state & ODS_FOCUS) DrawFocusRect(d->hDC, &d->rcItem);
        FCanvas->SetHandle(nullptr);
        m.Result = TRUE;
        return;
    }
    case CN_MEASUREITEM: {
        if (auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)) {
            int h = GetItemHeight();
            MeasureItem(static_cast<int>(mi->itemID), h);
            mi->itemHeight = static_cast<UINT>(std::max(h, 1));
        }
        m.Result = TRUE;
        return;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TWinControl::Dispatch(m);
        // Selected items change their look with the focus.
        if (FGraySelection) Invalidate();
        return;
    case CN_COMMAND:
        if (m.WParamHi() == LBN_SELCHANGE) Click();
        else if (m.WParamHi() == LBN_DBLCLK) DblClick();
        return;
    default: break;
    }
    TWinControl::Dispatch(m);
}

// TKitCheckListBox

TKitCheckListBox::TKitCheckListBox(TComponent* AOwner) : TKitCustomListBox(AOwner) {
    FStyle = TCustomListBox::lbOwnerDrawFixed;
    if (TBitmap* img = CheckImages(); img->Width() > 0) {
        FCheckWidth = img->Width() / 6;
        FCheckHeight = img->Height() / 3;
    }
    FIniLink = new TIniLink();
    FIniLink->OnSave = [this](TObject*) { SaveToIni(); };
    FIniLink->OnLoad = [this](TObject*) { LoadFromIni(); };
}

TKitCheckListBox::~TKitCheckListBox() {
    delete FIniLink;
    FIniLink = nullptr;
    ResetContent();
}

TFormPlacement* TKitCheckListBox::IniStorage() const { return FIniLink ? FIniLink->IniObject() : nullptr; }

void TKitCheckListBox::SetIniStorage(TFormPlacement* v) {
    if (TFormPlacement* old = IniStorage()) old->RemoveFreeNotification(this);
    FIniLink->SetIniObject(v);
    if (v) v->FreeNotification(this);
}

TCheckListBoxItem* TKitCheckListBox::FindItem(int Index) {
    return reinterpret_cast<TCheckListBoxItem*>(TKitCustomListBox::GetItemData(Index));
}

TCheckListBoxItem* TKitCheckListBox::ItemOf(int Index) {
    CheckIndex(Index);
    TCheckListBoxItem* item = FindItem(Index);
    if (!item) {
        item = new TCheckListBoxItem();
        TKitCustomListBox::SetItemData(Index, reinterpret_cast<LPARAM>(item));
    }
    return item;
}

void TKitCheckListBox::CheckIndex(int Index) {
    if (Index < 0 || Index >= FItems->Count()) ListIndexError(Index);
}

LPARAM TKitCheckListBox::GetItemData(int Index) {
    TCheckListBoxItem* item = FindItem(Index);
    return item ? reinterpret_cast<LPARAM>(item->Data) : 0;
}

void TKitCheckListBox::SetItemData(int Index, LPARAM Data) { ItemOf(Index)->Data = reinterpret_cast<TObject*>(Data); }

void TKitCheckListBox::DeleteString(int Index) {
    delete FindItem(Index);
    TKitCustomListBox::DeleteString(Index);
}

void TKitCheckListBox::ResetContent() {
    const int n = FItems ? FItems->Count() : 0;
    for (int i = 0; i < n; ++i) delete FindItem(i);
    TKitCustomListBox::ResetContent();
}

void TKitCheckListBox::SetAllowGrayed(bool v) {
    if (v == FAllowGrayed) return;
    FAllowGrayed = v;
    Invalidate();
}

void TKitCheckListBox::SetCheckKind(TCheckKind v) {
    if (v == FCheckKind) return;
    FCheckKind = v;
    if (v == ckRadioButtons && !ComponentState().Contains(csLoading)) UpdateCheckStates();
    Invalidate();
}

TCheckBoxState TKitCheckListBox::State(int Index) {
    CheckIndex(Index);
    const TCheckListBoxItem* item = FindItem(Index);
    const TCheckBoxState s = item ? item->State : cbUnchecked;
    if (FCheckKind == ckRadioButtons && s != cbChecked) return cbUnchecked;
    return s;
}

void TKitCheckListBox::SetState(int Index, TCheckBoxState v) { SetStateValue(Index, ValidState(v), false); }

void TKitCheckListBox::SetStateValue(int Index, TCheckBoxState v, bool Force) {
    TCheckListBoxItem* item = ItemOf(Index);
    if (!Force && item->State == v) return;
    if (FCheckKind == ckRadioButtons) {
        if (v != cbChecked && item->State == cbChecked && !Force) return;  // one stays checked
        if (v == cbChecked)
            for (int i = 0; i < FItems->Count(); ++i)
                if (i != Index)
                    if (TCheckListBoxItem* other = FindItem(i); other && other->State != cbUnchecked) {
                        other->State = cbUnchecked;
                        InvalidateCheck(i);
                    }
    }
    item->State = v;
    InvalidateCheck(Index);
    if (!ComponentState().Contains(csReading)) ChangeItemState(Index);
}

bool TKitCheckListBox::Checked(int Index) {
    if (Index < 0 || Index >= FItems->Count()) return false;
    return State(Index) == cbChecked;
}

void TKitCheckListBox::SetChecked(int Index, bool v) { SetState(Index, v ? cbChecked : cbUnchecked); }

bool TKitCheckListBox::EnabledItem(int Index) {
    CheckIndex(Index);
    const TCheckListBoxItem* item = FindItem(Index);
    return item ? item->Enabled : true;
}

void TKitCheckListBox::SetEnabledItem(int Index, bool v) {
    TCheckListBoxItem* item = ItemOf(Index);
    if (item->Enabled == v) return;
    item->Enabled = v;
    InvalidateCheck(Index);
}

int TKitCheckListBox::CheckedIndex() {
    if (FCheckKind != ckRadioButtons) return -1;
    for (int i = 0; i < FItems->Count(); ++i)
        if (State(i) == cbChecked) return i;
    return -1;
}

void TKitCheckListBox::SetCheckedIndex(int v) {
    if (FCheckKind == ckRadioButtons && v >= 0 && v < FItems->Count()) SetState(v, cbChecked);
}

void TKitCheckListBox::ApplyStateToAll(TCheckBoxState v) {
    for (int i = 0; i < FItems->Count(); ++i)
        if (EnabledItem(i)) SetState(i, v);
}

void TKitCheckListBox::UpdateCheckStates() {
    if (FCheckKind == ckRadioButtons) {
        const int n = FItems->Count();
        if (n == 0) return;
        int first = 0;
        for (int i = 0; i < n; ++i)
            if (TCheckListBoxItem* it = FindItem(i); it && it->State == cbChecked) {
                first = i;
                break;
            }
        SetStateValue(first, cbChecked, true);
        for (int i = 0; i < n; ++i)
            if (TCheckListBoxItem* it = FindItem(i); it && it->State == cbGrayed) it->State = cbUnchecked;
    } else if (!FAllowGrayed) {
        for (int i = 0; i < FItems->Count(); ++i)
            if (TCheckListBoxItem* it = FindItem(i); it && it->State == cbGrayed) it->State = cbUnchecked;
    }
}

void TKitCheckListBox::Loaded() {
    TKitCustomListBox::Loaded();
    UpdateCheckStates();
}

void TKitCheckListBox::InvalidateCheck(int Index) {
    if (!UsesWindow()) return;
    RECT r = ItemRect(Index);
    r.right = r.left + FCheckWidth + 2;
    if (UseRightToLeftAlignment()) {
        r = ItemRect(Index);
        r.left = r.right - FCheckWidth - 2;
    }
    InvalidateRect(Handle(), &r, FALSE);
}

void TKitCheckListBox::ClickCheck() {
    if (OnClickCheck) OnClickCheck(this);
}

void TKitCheckListBox::ChangeItemState(int Index) {
    if (OnStateChange) OnStateChange(this, Index);
}

void TKitCheckListBox::ToggleItem(int Index) {
    if (Index < 0 || Index >= FItems->Count() || !EnabledItem(Index)) return;
    TCheckBoxState next = cbUnchecked;
    if (State(Index) == cbUnchecked)
        next = FAllowGrayed && FCheckKind != ckRadioButtons ? cbGrayed : cbChecked;
    SetState(Index, next);
    ClickCheck();
}

void TKitCheckListBox::KeyPress(char& Key) {
    TKitCustomListBox::KeyPress(Key);
    if (Key == ' ') {
        ToggleItem(ItemIndex());
        Key = 0;
    } else if ((Key == '+' || Key == '-') && FCheckKind != ckRadioButtons) {
        ApplyStateToAll(Key == '+' ? cbChecked : cbUnchecked);
        ClickCheck();
        Key = 0;
    }
}

void TKitCheckListBox::MeasureItem(int Index, int& Height) {
    if (FStyle == TCustomListBox::lbStandard || !OnDrawItem) {
        FCanvas->SetFont(FFont);
        HDC dc = GetDC(nullptr);
        FCanvas->SetHandle(dc);
        int h = std::max(FCanvas->TextHeight("Wg"), FCheckHeight);
        FCanvas->SetHandle(nullptr);
        ReleaseDC(nullptr, dc);
        if (FStyle == TCustomListBox::lbOwnerDrawFixed) h = std::max(h, FItemHeight);
        Height = h;
    }
    TKitCustomListBox::MeasureItem(Index, Height);
}

void TKitCheckListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState State) {
    const bool rtl = UseRightToLeftAlignment();
    RECT check = Rect;
    if (rtl) {
        check.left = Rect.right - FCheckWidth - 2;
        Rect.right = check.left;
    } else {
        check.right = Rect.left + FCheckWidth + 2;
        Rect.left = check.right;
    }
    // The check column on the list's own colour.
    const TColor brush = FCanvas->Brush()->Color();
    const TColor font = FCanvas->Font()->Color();
    FCanvas->Brush()->SetColor(FColor);
    FCanvas->FillRect(check);
    const TCheckListBoxItem* item = FindItem(Index);
    const bool enabled = item ? item->Enabled : true;
    const int kind = static_cast<int>(FCheckKind);
    const int cellIndex = 6 * kind + (enabled && FEnabled ? 0 : 3) + static_cast<int>(this->State(Index));
    TBitmap cell;
    ExtractBitmapCell(CheckImages(), &cell, 6, cellIndex, 3);
    const int x = check.left + (WidthOfRect(check) - cell.Width()) / 2;
    const int y = check.top + (HeightOfRect(check) - cell.Height()) / 2;
    PaintBitmapKeyed(FCanvas, x, y, &cell, kImageKey);
    FCanvas->Brush()->SetColor(brush);
    FCanvas->Font()->SetColor(font);
    if (!enabled) FCanvas->Font()->SetColor((State & ODS_SELECTED) ? clInactiveCaptionText : clGrayText);
    if (FStyle == TCustomListBox::lbStandard && OnDrawItem) {
        const TDrawItemEvent saved = OnDrawItem;
        OnDrawItem = nullptr;
        TKitCustomListBox::DrawItem(Index, Rect, State);
        OnDrawItem = saved;
    } else {
        TKitCustomListBox::DrawItem(Index, Rect, State);
    }
}

void TKitCheckListBox::Dispatch(TMessage& m) {
    if (m.Msg == WM_LBUTTONDOWN && !ComponentState().Contains(csDesigning)) {
        TKitCustomListBox::Dispatch(m);
        const POINT p{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(m.LParam))),
                      static_cast<short>(HIWORD(static_cast<DWORD_PTR>(m.LParam)))};
        const int index = ItemAtPos(p, true);
        if (index >= 0) {
            const RECT r = ItemRect(index);
            const bool inCheck = UseRightToLeftAlignment() ? p.x >= r.right - FCheckWidth - 2
                                                           : p.x < r.left + FCheckWidth + 2;
            if (inCheck) ToggleItem(index);
        }
        return;
    }
    TKitCustomListBox::Dispatch(m);
}

// Streaming: "InternalVersion" and "Strings" (text, state, enabled per item).

void TKitCheckListBox::DefineProperties(TFiler* Filer) {
    TKitCustomListBox::DefineProperties(Filer);
    Filer->DefineProperty(
        "InternalVersion", [this](TReader* r) { FReaderVersion = r->ReadInteger(); },
        [](TWriter* w) { w->WriteInteger(kStreamVersion); }, true);
    Filer->DefineProperty(
        "Strings", [this](TReader* r) { ReadStrings(r); }, [this](TWriter* w) { WriteStrings(w); },
        FItems->Count() > 0);
}

void TKitCheckListBox::ReadStrings(TReader* Reader) {
    ResetContent();
    Reader->ReadListBegin();
    while (!Reader->EndOfList()) {
        const String text = Reader->ReadString();
        long long state = cbUnchecked;
        bool enabled = true;
        if (FReaderVersion >= kStreamVersion) {
            state = Reader->ReadInteger();
            enabled = Reader->ReadBoolean();
        } else {
            state = Reader->ReadBoolean() ? cbChecked : cbUnchecked;
            enabled = Reader->ReadBoolean();
            if (FReaderVersion > 0) state = Reader->ReadInteger();
        }
        const int i = FItems->Add(text);
        TCheckListBoxItem* item = ItemOf(i);
        // Only the three states exist; anything else reads as unchecked.
        item->State = ValidState(state);
        item->Enabled = enabled;
    }
    Reader->ReadListEnd();
}

void TKitCheckListBox::WriteStrings(TWriter* Writer) {
    Writer->WriteListBegin();
    for (int i = 0; i < FItems->Count(); ++i) {
        const TCheckListBoxItem* item = FindItem(i);
        Writer->WriteString(FItems->Get(i));
        Writer->WriteInteger(item ? item->State : cbUnchecked);
        Writer->WriteBoolean(item ? item->Enabled : true);
    }
    Writer->WriteListEnd();
}

// Link storage

void TKitCheckListBox::SaveToIni() {
    TObject* ini = FIniLink->Storage();
    if (!ini || Name().empty()) return;
    const String section = FIniLink->RootSection() + DefaultSectionOf(this);
    StoreEraseSection(ini, section);
    StoreWriteInteger(ini, section, "Count", FItems->Count());
    for (int i = 0; i < FItems->Count(); ++i) StoreWriteInteger(ini, section, Format("Item%d", {i}), State(i));
}

void TKitCheckListBox::LoadFromIni() {
    TObject* ini = FIniLink->Storage();
    if (!ini || Name().empty()) return;
    const String section = FIniLink->RootSection() + DefaultSectionOf(this);
    const int count = std::min(StoreReadInteger(ini, section, "Count", 0), FItems->Count());
    for (int i = 0; i < count; ++i) {
        TCheckBoxState s = ValidState(StoreReadInteger(ini, section, Format("Item%d", {i}), 0));
        if (s == cbGrayed && (!FAllowGrayed || FCheckKind == ckRadioButtons)) s = cbUnchecked;
        SetState(i, s);
        if (FCheckKind == ckRadioButtons && s == cbChecked) break;
    }
}

void RegisterKitCheckList() {
    RegisterStandardClasses();
    RegisterClasses<TKitCheckListBox, TKitCustomListBox>();
}
