// The shell list: filling, on-demand item data, sorting, changes, verbs, keys, the context
// menu, renaming in place, hints and the link.
#include "shell/ShellControlsList.h"

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "platform/gdi.h"
#include "platform/locale.h"
#include "platform/msgbox.h"
#include "widetext/WideSystem.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <unordered_map>

namespace {

TThumbnailJobMaker& thumbnailJobMaker() {
    static TThumbnailJobMaker maker;
    return maker;
}

String lowerAscii(String s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A small arrow for the sort column's header item: a triangle in the button shadow colour
// on the button face, pointing up or down.
HBITMAP makeArrow(bool down) {
    constexpr int w = 9, h = 6;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return bitmap;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    auto pixel = [](COLORREF c) -> DWORD { return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); };
    auto* p = static_cast<DWORD*>(bits);
    for (int y = 0; y < h; ++y) {
        // Row y of the down arrow is widest at the top.
        const int row = down ? y : h - 1 - y;
        const int half = 4 - row * 4 / (h - 1);
        for (int x = 0; x < w; ++x) p[y * w + x] = std::abs(x - 4) <= half && row < 5 ? pixel(shadow) : pixel(face);
    }
    return bitmap;
}

TNavShellListItem* asItem(TListItem* item) { return static_cast<TNavShellListItem*>(item); }

// Now in universal time, as a date-time (days since 30 December 1899).
double utcNow() { return static_cast<double>(std::time(nullptr)) / 86400.0 + 25569.0; }

}  // namespace

void SetThumbnailJobMaker(TThumbnailJobMaker Maker) { thumbnailJobMaker() = std::move(Maker); }

// ---- Creation ---------------------------------------------------------------------------------

TNavShellList::TNavShellList(TComponent* AOwner) : TWideCustomListView(AOwner) {
    FBrowser = new TShellNamespace(this);
    FBrowser->SetShowErrorMessages(false);
    FSmall = new TNavSystemImageList(this);
    FLarge = new TNavSystemImageList(this);
    FLarge->SetSize(si_large);
    FThumbImages = new TCustomImageList(FThumbWidth, FThumbHeight, this);
    FThumbImages->SetMasked(false);
    FTimer = new TTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(ChangeDelay);
    FTimer->SetOnTimer(TNotifyEvent(this, &TNavShellList::timerFired));
    FNotifier = new TNavShellChangeNotifier(this);
    FNotifier->SetEventFilter(0x3FDFC);
    FNotifier->SetRecursive(false);
    FNotifier->SetInternalHandler(
        [this](TNotificationEvent e, LPCITEMIDLIST a, LPCITEMIDLIST b) { changed(e, a, b); });
    SetSmallImages(FSmall);
    SetLargeImages(FLarge);
    TCustomListView::SetViewStyle(vsReport);
    SetMultiSelect(true);
    SetParentFont(false);
    FArrowUp = makeArrow(false);
    FArrowDown = makeArrow(true);
}

TNavShellList::~TNavShellList() {
    // First: no thumbnail job may report to this list once it is going.
    cancelThumbnails();
    FGuard = true;
    SetShellLink(nullptr);
    FNotifier->SetInternalHandler(nullptr);
    FNotifier->SetEnabled(false);
    FTimer->SetEnabled(false);
    if (FArrowUp) DeleteObject(FArrowUp);
    if (FArrowDown) DeleteObject(FArrowDown);
}

TListItem* TNavShellList::CreateListItem() { return new TNavShellListItem(FListItems); }

void TNavShellList::Loaded() {
    TWideCustomListView::Loaded();
    if (Items()->Count() == 0 && (!NoFillOnStartup() || ComponentState().Contains(csDesigning))) {
        if (!FDesignPath.empty()) {
            const WideString path = FDesignPath;
            FDesignPath.clear();
            SetPath(path);
        } else {
            FullRefresh();
        }
    }
    if (FUseSystemFont) GetIconTitleFont(Font());
}

void TNavShellList::Notification(TComponent* AComponent, TOperation Operation) {
    TWideCustomListView::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FBackgroundPopupMenu) FBackgroundPopupMenu = nullptr;
    if (FLink && AComponent == FLink) {
        if (FCheckboxes) SetCheckboxes(false);
        FLink = nullptr;
    }
}

void TNavShellList::CreateWnd() {
    TWideCustomListView::CreateWnd();
    if (!FWindowCreated) {
        FWindowCreated = true;
        // From now on the browser's shell calls may name this window as their owner.
        FBrowser->Loaded();
        if (ComponentState().Contains(csDesigning)) FullRefresh();
    } else {
        if (FLink) FLink->RegisterControl(this);
        if (Items()->Count() == 0) FullRefresh();
    }
    // Items filled before the window existed are sorted in it now.
    if (Items()->Count() > 1) Sort();
    RedrawArrows();
}

void TNavShellList::DestroyWnd() { TWideCustomListView::DestroyWnd(); }

// ---- Filling ----------------------------------------------------------------------------------

void TNavShellList::FullRefresh() {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying) || !Enabled()) return;
    TShellWaitCursor wait;
    cancelThumbnails();
    if (OnBeforeFullRefresh) OnBeforeFullRefresh(this);
    // The selection comes back when the same folder is filled again (F5, a merge too big).
    std::vector<std::string> kept;
    const bool sameFolder = FReportedFolder && SameObjectList(FReportedFolder.get(), FBrowser->FolderIDList());
    if (sameFolder)
        for (TNavShellListItem* item : SelectedItems()) kept.push_back(ItemKeyOf(item->List.get()));
    FBusy = true;
    ++FFullRefreshes;
    try {
        Items()->BeginUpdate();
        try {
            Items()->Clear();
            FReportedItem = nullptr;
            FThumbImages->Clear();
            FLastFullRefresh = ShellTickCount();
            CreateColumns();
            // The same list again: the enumeration starts over.
            FBrowser->SetFolderIDList(FBrowser->FolderIDList());
            while (FBrowser->NextObject()) addItem(FDetails);
            if (FShowParentFolder) addParentItem();
            Sort();
        } catch (...) {
            Items()->EndUpdate();
            throw;
        }
        Items()->EndUpdate();
        RedrawArrows();
        if (!kept.empty()) selectByNames(kept);
    } catch (...) {
        FBusy = false;
        throw;
    }
    if (OnPopulated) OnPopulated(this);
    if (OnPathChanged) OnPathChanged(this);
    // The registration stays as it is for the same folder, so no change is lost meanwhile.
    if (FAutomaticRefresh) FNotifier->SetPidl(FBrowser->FolderIDList());
    FBusy = false;
    FNotifier->SetEnabled(FAutomaticRefresh);
    reportPath();
}

void TNavShellList::addItem(bool WithDetails) {
    if (!FShowFolders && FBrowser->IsFolder()) return;
    if (!PassesItemFilter(FBrowser, FOptions)) return;
    // The item gets its texts before it goes into the window: one insertion each.
    auto* item = new TNavShellListItem(Items());
    item->SetCaption(FBrowser->DisplayName());
    item->List = FBrowser->ObjectPidl();
    item->Seen = true;
    if (FThumbnails) queueThumbnail(item);
    if (FCheckboxes) setCheckState(item);
    Items()->AddItem(item, -1);
    if (OnAddItem) {
        if (WithDetails) fillDetails(item);
        bool canAdd = true;
        OnAddItem(this, item, canAdd);
        if (!canAdd) item->Delete();
    }
}

void TNavShellList::addParentItem() {
    if ((FLink && !FLink->CanGoUp()) || ILIsEmpty(FBrowser->FolderIDList())) return;
    auto* item = new TNavShellListItem(Items());
    item->SetCaption(u" .. ");
    item->ParentItem = true;
    item->Seen = true;
    Items()->AddItem(item, -1);
}

void TNavShellList::CreateColumns() {
    Columns()->BeginUpdate();
    try {
        if (FWasZip)
            for (int i = 0; i < Columns()->Count() && i < static_cast<int>(FZipWidths.size()); ++i)
                FZipWidths[static_cast<std::size_t>(i)] = Columns()->Items(i)->Width();
        FWasZip = FBrowser->IsZipFolder();
        Columns()->Clear();
        FColumnMap.clear();
        for (int c = 0;; ++c) {
            const WideString header = FBrowser->DetailsText(c, true);
            if (header.empty()) break;
            int width = 0;
            const int alignment = FBrowser->ColumnInfo(c, width);
            if (width > 0) {
                TWideListColumn* column = Columns()->Add();
                column->SetCaption(header);
                column->SetAlignment(alignment == 1 ? TControl::taRightJustify
                                                    : alignment == 2 ? TControl::taCenter : TControl::taLeftJustify);
                const int at = Columns()->Count() - 1;
                if (FWasZip && at < static_cast<int>(FZipWidths.size()) && FZipWidths[static_cast<std::size_t>(at)] >= 1)
                    width = FZipWidths[static_cast<std::size_t>(at)];
                column->SetWidth(width);
                FColumnMap.push_back(c);
            }
            if (!FDetails) break;
        }
    } catch (...) {
        Columns()->EndUpdate();
        throw;
    }
    Columns()->EndUpdate();
    if (OnCreateColumns) OnCreateColumns(this);
}

int TNavShellList::ShellColumn(int ListColumn) const {
    return ListColumn >= 0 && ListColumn < static_cast<int>(FColumnMap.size()) ? FColumnMap[static_cast<std::size_t>(ListColumn)]
                                                                               : ListColumn;
}

void TNavShellList::fillDetails(TNavShellListItem* Item) {
    if (!Item->List) return;
    FBrowser->SetObjectPidl(Item->List.get());
    TWideSubItems* subs = Item->SubItems();
    subs->BeginUpdate();
    try {
        subs->Clear();
        for (int c = 1; c < Columns()->Count(); ++c) subs->Add(FBrowser->DetailsText(ShellColumn(c), false));
    } catch (...) {
        subs->EndUpdate();
        throw;
    }
    subs->EndUpdate();
}

void TNavShellList::FillItemData(TNavShellListItem* Item) {
    if (!Item || Item->DataFilled) return;
    Item->DataFilled = true;
    if (Item->ParentItem) {
        // The parent item shows a plain folder: the icon of the temporary folder.
        Item->SetImageIndex(SystemIconIndex(WideExcludeTrailingBackslash(WideTempPath()), false, false, false));
        return;
    }
    if (!Item->List) return;
    if (FDetails) fillDetails(Item);
    FBrowser->SetObjectPidl(Item->List.get());
    if (!FThumbnails) Item->SetImageIndex(FBrowser->SmallIconIndex());
    if (FShowOverlayIcons) {
        Item->SetOverlayIndex(FBrowser->OverlayIndex());
        const SFGAOF a = FBrowser->GetAttributes(SFGAO_HIDDEN | SFGAO_COMPRESSED | SFGAO_ENCRYPTED);
        if (a & SFGAO_HIDDEN) Item->SetCut(true);
        Item->Compressed = ColorCompressed() && (a & SFGAO_COMPRESSED);
        Item->Encrypted = ColorEncrypted() && (a & SFGAO_ENCRYPTED);
    }
}

TNavShellListItem* TNavShellList::ItemOfList(LPCITEMIDLIST Relative) const {
    if (!Relative) return nullptr;
    const std::string key = ItemKeyOf(Relative);
    IShellFolder* folder = FBrowser->ShellFolder().get();
    for (int i = 0; i < Items()->Count(); ++i) {
        TNavShellListItem* item = Item(i);
        if (!item->List) continue;
        if (!key.empty() ? ItemKeyOf(item->List.get()) == key : SameRelativeList(folder, item->List.get(), Relative))
            return item;
    }
    return nullptr;
}

WideString TNavShellList::ItemPath(TNavShellListItem* Item) {
    if (!Item || !Item->List) return {};
    if (Item->FullPath.empty()) {
        TPidl absolute = PidlConcat(FBrowser->FolderIDList(), Item->List.get());
        Item->FullPath = PidlToPath(absolute.get());
    }
    return Item->FullPath;
}

std::vector<TNavShellListItem*> TNavShellList::SelectedItems() const {
    std::vector<TNavShellListItem*> out;
    if (!HandleAllocated()) return out;
    for (TListItem* it = GetNextItem(nullptr, sdAll, LVIS_SELECTED); it; it = GetNextItem(it, sdAll, LVIS_SELECTED))
        out.push_back(asItem(it));
    return out;
}

void TNavShellList::selectByNames(const std::vector<std::string>& Keys) {
    for (int i = 0; i < Items()->Count(); ++i) {
        TNavShellListItem* item = Item(i);
        if (item->List && std::find(Keys.begin(), Keys.end(), ItemKeyOf(item->List.get())) != Keys.end())
            item->SetSelected(true);
    }
}

void TNavShellList::IncrementalRefresh() {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying) || !Enabled() || FBusy) return;
    if (Items()->Count() > MergeLimit) {
        if (!IsEditing()) FullRefresh();
        return;
    }
    ++FIncrementalRefreshes;
    std::unordered_map<std::string, TNavShellListItem*> byKey;
    std::vector<TNavShellListItem*> foreign;
    for (int i = 0; i < Items()->Count(); ++i) {
        TNavShellListItem* item = Item(i);
        if (item->ParentItem) continue;
        item->Seen = false;
        const std::string key = ItemKeyOf(item->List.get());
        if (key.empty())
            foreign.push_back(item);
        else
            byKey.emplace(key, item);
    }
    auto vanished = std::make_unique<TFileNames>();
    IShellFolder* folder = FBrowser->ShellFolder().get();
    FBusy = true;
    Items()->BeginUpdate();
    try {
        bool added = false;
        FBrowser->SetFolderIDList(FBrowser->FolderIDList());
        const double now = utcNow();
        while (FBrowser->NextObject()) {
            if (!FShowFolders && FBrowser->IsFolder()) continue;
            if (!PassesItemFilter(FBrowser, FOptions)) continue;
            LPCITEMIDLIST object = FBrowser->ObjectIDList();
            TNavShellListItem* found = nullptr;
            const std::string key = ItemKeyOf(object);
            if (!key.empty()) {
                if (auto it = byKey.find(key); it != byKey.end()) found = it->second;
            } else {
                for (TNavShellListItem* f : foreign)
                    if (SameRelativeList(folder, f->List.get(), object)) found = f;
            }
            if (found) {
                found->Seen = true;
                // A thumbnail of a picture written just now is made again (both times in
                // universal time).
                if (FThumbnails) {
                    const double written = FBrowser->ObjectDateTime();
                    if (written != 0 && std::abs(now - written) < 2e-4) queueThumbnail(found);
                }
            } else {
                addItem(FDetails);
                added = true;
            }
        }
        for (int i = Items()->Count() - 1; i >= 0; --i) {
            TNavShellListItem* item = Item(i);
            if (item->Seen || item->ParentItem) continue;
            if (item->Cut()) {
                const WideString path = ItemPath(item);
                if (!path.empty()) vanished->Add(path);
            }
            Items()->Delete(i);
        }
        if (added) Sort();
        if (FCheckboxes) RefreshChecks();
    } catch (...) {
        Items()->EndUpdate();
        FBusy = false;
        throw;
    }
    Items()->EndUpdate();
    FBusy = false;
    report(opVanished, std::move(vanished), Path());
}

void TNavShellList::RefreshSoon() {
    FTimer->SetEnabled(false);
    FTimer->SetEnabled(true);
}

void TNavShellList::timerFired(TObject*) {
    FTimer->SetEnabled(false);
    const WideString path = Path();
    if (!path.empty() && !PathExists(path)) {
        // The folder went (deleted, moved or unmounted): the list goes to the computer.
        SetSpecialFolder(SF_DRIVES);
        return;
    }
    IncrementalRefresh();
}

void TNavShellList::changed(TNotificationEvent Event, LPCITEMIDLIST List1, LPCITEMIDLIST) {
    if (FGuard || ComponentState().Contains(csDestroying)) return;
    switch (Event) {
    case neFileDelete:
    case neFolderDelete: {
        TPidl parent = ParentList(List1);
        if (parent && SameObjectList(parent.get(), FBrowser->FolderIDList())) {
            TPidl last = PidlLastItem(List1);
            if (TNavShellListItem* item = ItemOfList(last.get())) item->Delete();
            return;
        }
        RefreshSoon();  // the folder itself, or something else: the timer looks
        return;
    }
    case neDriveRemove:
    case neMediaRemove:
    case neNetShare:
    case neNetUnShare: {
        FTimer->SetEnabled(false);
        const WideString path = Path();
        if (!path.empty() && !PathExists(path))
            SetSpecialFolder(SF_DRIVES);
        else
            FullRefresh();
        return;
    }
    default: RefreshSoon(); return;
    }
}

// ---- Sorting ----------------------------------------------------------------------------------

int TNavShellList::shellCompare(LPARAM A, LPARAM B, LPARAM List) {
    auto* list = reinterpret_cast<TNavShellList*>(List);
    TNavShellListItem* a = asItem(reinterpret_cast<TListItem*>(A));
    TNavShellListItem* b = asItem(reinterpret_cast<TListItem*>(B));
    if (a->ParentItem != b->ParentItem) return a->ParentItem ? -1 : 1;
    if (a->ParentItem) return 0;
    IShellFolder* folder = list->FBrowser->ShellFolder().get();
    if (!folder) return 0;
    const HRESULT hr = folder->CompareIDs(list->ShellColumn(list->FSortColumn), a->List.get(), b->List.get());
    if (FAILED(hr)) return 0;
    return static_cast<short>(HRESULT_CODE(hr)) * list->FSortSign;
}

int TNavShellList::textCompare(LPARAM A, LPARAM B, LPARAM List) {
    auto* list = reinterpret_cast<TNavShellList*>(List);
    TNavShellListItem* a = asItem(reinterpret_cast<TListItem*>(A));
    TNavShellListItem* b = asItem(reinterpret_cast<TListItem*>(B));
    if (a->ParentItem != b->ParentItem) return a->ParentItem ? -1 : 1;
    const int column = list->FSortColumn;
    WideString ta, tb;
    if (column == 0) {
        ta = a->Caption();
        tb = b->Caption();
    } else {
        for (TNavShellListItem* item : {a, b})
            if (!item->DataFilled && item->SubItems()->Count() < column) list->FillItemData(item);
        if (column - 1 < a->SubItems()->Count()) ta = a->SubItems()->Get(column - 1);
        if (column - 1 < b->SubItems()->Count()) tb = b->SubItems()->Get(column - 1);
    }
    int result = platform::compareStringThreadLocale(NORM_IGNORECASE, ta, tb) * list->FSortSign;
    if (list->TCustomListView::OnCompare) list->TCustomListView::OnCompare(list, a, b, column, result);
    return result;
}

void TNavShellList::Sort() {
    if (FSortColumn >= Columns()->Count()) FSortColumn = 0;
    FSortSign = FDescending ? -1 : 1;
    if (Items()->Count() < 2) return;
    // Each item is asked about once for the whole sort.
    platform::ShellCompareScope scope;
    if (FSortColumn < Columns()->Count() && !TCustomListView::OnCompare)
        CustomSort(&TNavShellList::shellCompare, reinterpret_cast<LPARAM>(this));
    else
        CustomSort(&TNavShellList::textCompare, reinterpret_cast<LPARAM>(this));
}

void TNavShellList::SortByColumn(int Column) {
    if (Column == FSortColumn) {
        FDescending = !FDescending;
    } else {
        FSortColumn = Column;
        FDescending = false;
    }
    Sort();
    RedrawArrows();
}

void TNavShellList::ColClick(TListColumn* Column) {
    TWideCustomListView::ColClick(Column);
    if (Column) SortByColumn(Column->Index());
}

void TNavShellList::RedrawArrows() {
    if (!HandleAllocated()) return;
    const auto header = reinterpret_cast<HWND>(SendMessageW(Handle(), LVM_GETHEADER, 0, 0));
    if (!header) return;
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
        item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT | HDF_SORTUP | HDF_SORTDOWN);
        item.mask = HDI_FORMAT | HDI_BITMAP;
        item.hbm = nullptr;
        if (i == FSortColumn) {
            item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT | HDF_STRING;
            item.hbm = FDescending ? FArrowDown : FArrowUp;
        }
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

// ---- Messages ---------------------------------------------------------------------------------

void TNavShellList::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        if (FCheckboxes && FLink && HandleAllocated()) {
            LVHITTESTINFO hit{};
            hit.pt = POINT{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
            const int index = static_cast<int>(SendMessageW(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (index >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) ToggleCheck(Item(index));
        }
        break;
    case WM_CONTEXTMENU:
        contextMenu(m);
        return;
    case CM_HINTSHOW:
        if (ShowHint()) {
            hintShow(m);
            return;
        }
        break;
    case CM_WANTSPECIALKEY:
        // Enter is the list's own (it runs the default verb).
        if (m.WParam == VK_RETURN) {
            m.Result = 1;
            return;
        }
        break;
    case CM_MOUSEENTER:
        if (OnMouseEnter) OnMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        break;
    default: break;
    }
    TWideCustomListView::WndProc(m);
}

void TNavShellList::Dispatch(TMessage& m) {
    if (m.Msg == CN_NOTIFY && m.LParam) {
        auto* h = reinterpret_cast<NMHDR*>(m.LParam);
        if (h->code == LVN_GETDISPINFOW || h->code == LVN_GETDISPINFOA) {
            // An item shown for the first time gets its icon and texts now.
            auto* d = reinterpret_cast<NMLVDISPINFOA*>(m.LParam);
            if (TListItem* it = TCustomListView::GetItemFromLVItem(d->item.iItem, d->item.lParam, d->item.mask)) {
                TNavShellListItem* item = asItem(it);
                if (!item->DataFilled && item->ImageIndex() < 0) {
                    FillItemData(item);
                    if (OnGetImageIndex) OnGetImageIndex(this, item);
                }
            }
        }
    }
    TWideCustomListView::Dispatch(m);
    if (m.Msg == WM_NOTIFY && m.LParam) {
        const UINT code = reinterpret_cast<NMHDR*>(m.LParam)->code;
        // The header's items are set anew after a column was resized.
        if (code == HDN_ENDTRACKW || code == HDN_ENDTRACKA) RedrawArrows();
    }
}

bool TNavShellList::CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) {
    if (Item && Stage == cdPrePaint) {
        TNavShellListItem* item = asItem(Item);
        if (item->Encrypted)
            Canvas()->Font()->SetColor(static_cast<TColor>(0x008000));
        else if (item->Compressed)
            Canvas()->Font()->SetColor(static_cast<TColor>(0xFF0000));
    }
    return TWideCustomListView::CustomDrawItem(Item, State, Stage);
}

void TNavShellList::hintShow(TMessage& m) {
    auto* info = reinterpret_cast<THintInfo*>(m.LParam);
    TNavShellListItem* item = info ? asItem(GetItemAt(info->CursorPos.x, info->CursorPos.y)) : nullptr;
    if (!item || item->ParentItem || !item->List) {
        m.Result = 1;
        return;
    }
    FBrowser->SetObjectPidl(item->List.get());
    String tip = WideToAnsi(FBrowser->InfoTip(true));
    if (OnInfoTip) OnInfoTip(this, item, tip);
    info->HintStr = tip;
    const POINT at = ClientToScreen(info->CursorPos);
    info->HintPos = POINT{at.x + GetSystemMetrics(SM_CXCURSOR) / 2, at.y + GetSystemMetrics(SM_CYCURSOR) / 2};
    info->HintMaxWidth = ClientWidth();
    info->CursorRect = item->DisplayRect(drBounds);
    m.Result = tip.empty() ? 1 : 0;
}

// ---- Selection and the link -------------------------------------------------------------------

void TNavShellList::Change(TListItem* Item, TItemChange Kind) {
    TWideCustomListView::Change(Item, Kind);
    if (Kind != ctState || FBusy || FGuard || !HandleAllocated()) return;
    TNavShellListItem* selected = SelCount() == 1 ? asItem(Selected()) : nullptr;
    if (!selected || selected->ParentItem || !selected->List) {
        FReportedItem = nullptr;
        return;
    }
    if (selected == FReportedItem) return;
    FReportedItem = selected;
    if (FLink) FLink->ObjectSelected(this, FBrowser->FolderIDList(), selected->List.get());
}

void TNavShellList::reportPath() {
    LPCITEMIDLIST folder = FBrowser->FolderIDList();
    if (FReportedFolder && SameObjectList(FReportedFolder.get(), folder)) return;
    FReportedFolder = PidlCopy(folder);
    if (FLink) FLink->FolderChanged(this, folder);
}

void TNavShellList::SetShellLink(TNavShellLink* Link) {
    if (Link == FLink) return;
    if (FLink) FLink->UnregisterControl(this);
    // The check states live in the link's selection list.
    if (!Link && FCheckboxes) SetCheckboxes(false);
    FLink = Link;
    if (FLink) {
        FLink->RegisterControl(this);
        FLink->FreeNotification(this);
    }
}

void TNavShellList::LinkFolderChanged(LPCITEMIDLIST Folder) {
    try {
        FBrowser->SetFolderIDList(Folder);
        if (HandleAllocated()) ClearSelection();
        FullRefresh();
    } catch (const Exception&) {
        Items()->Clear();
    }
}

void TNavShellList::LinkObjectSelected(LPCITEMIDLIST Folder, LPCITEMIDLIST Object) {
    if (!SameObjectList(Folder, FBrowser->FolderIDList())) LinkFolderChanged(Folder);
    TNavShellListItem* item = ItemOfList(Object);
    if (!item || !HandleAllocated()) return;
    ClearSelection();
    item->SetSelected(true);
    item->SetFocused(true);
    item->MakeVisible(false);
}

void TNavShellList::GoUp() {
    LPCITEMIDLIST folder = FBrowser->FolderIDList();
    if (ILIsEmpty(folder)) return;
    TPidl came = PidlLastItem(folder);
    TPidl parent = ParentList(folder);
    FBrowser->SetFolderIDList(parent.get());
    FullRefresh();
    // The folder left is selected in its parent.
    if (TNavShellListItem* item = ItemOfList(came.get()); item && HandleAllocated()) {
        item->SetSelected(true);
        item->SetFocused(true);
        item->MakeVisible(false);
    }
}

void TNavShellList::SelectAllItems() {
    if (!HandleAllocated()) return;
    for (int i = 0; i < Items()->Count(); ++i) Item(i)->SetSelected(!Item(i)->ParentItem);
    if (CanFocus()) SetFocus();
}

// ---- Verbs ------------------------------------------------------------------------------------

std::unique_ptr<TFileNames> TNavShellList::selectedPaths() {
    auto paths = std::make_unique<TFileNames>();
    for (TNavShellListItem* item : SelectedItems()) {
        const WideString p = ItemPath(item);
        if (!p.empty()) paths->Add(p);
    }
    return paths;
}

void TNavShellList::report(int Operation, std::unique_ptr<TFileNames> Files, const WideString& Destination) {
    if (!Files || Files->Count() == 0) return;
    if (Operation & opRemovesSelection) {
        for (TNavShellListItem* item : SelectedItems()) item->Delete();
    }
    if (OnOperation) OnOperation(this, Operation, Files.get(), Destination);
    if ((Operation & opRefreshesOthers) && FLink) FLink->IncrementalRefreshAll(this);
}

void TNavShellList::startRename(TObject*) {
    if (TListItem* item = Selected()) item->EditCaption();
}

bool TNavShellList::ExecuteVerb(const String& Verb) {
    std::vector<TNavShellListItem*> selected = SelectedItems();
    if (selected.empty()) return false;
    const String lower = lowerAscii(Verb.empty() ? String("default") : Verb);
    if (selected.size() == 1 && selected[0]->ParentItem) {
        if (lower != "default") return false;
        GoUp();
        return true;
    }
    FBrowser->OnRename = ReadOnly() ? TNotifyEvent() : TNotifyEvent(this, &TNavShellList::startRename);
    std::unique_ptr<TFileNames> files;
    bool cut = false;
    if (lower == "paste") files = ClipboardFileNames(&cut);
    if (lower == "paste" && !files) return false;  // nothing to paste: no operation
    if (lower == "delete") files = selectedPaths();
    bool ok = false;
    WideString destination = Path();
    if (selected.size() == 1) {
        TNavShellListItem* item = selected[0];
        FBrowser->SetObjectPidl(item->List.get());
        if (lower == "paste") destination = ItemPath(item);
        if (lower != "default" && lower != "open") {
            ok = FBrowser->ExecuteVerb(Verb);
        } else if (FBrowser->IsFolder()) {
            ok = FBrowser->EnterObject();
            if (ok) FullRefresh();
        } else if (const WideString target = FBrowser->LinkTarget(); !target.empty()) {
            FBrowser->SetFolder(target);
            FullRefresh();
            ok = true;
        } else {
            ok = FBrowser->ExecuteVerb(Verb);
        }
    } else {
        for (TNavShellListItem* item : selected) {
            if (item->ParentItem || !item->List) continue;
            FBrowser->SetObjectPidl(item->List.get());
            FBrowser->MultiObjects()->Add(FBrowser->ObjectName());
        }
        FBrowser->SetObjectPidl(nullptr);
        ok = FBrowser->ExecuteVerb(Verb);
    }
    if (!ok) return false;
    if (lower == "delete") {
        report(opDeleted, std::move(files), destination);
        if (!FAutomaticRefresh) RefreshSoon();
    } else if (lower == "paste") {
        const bool copied = files && files->Count() && PathExists(files->Strings(0));
        report(copied ? opPastedCopied : opPastedMoved, std::move(files), destination);
        if (!FAutomaticRefresh) RefreshSoon();
    } else if (lower == "cut") {
        for (TNavShellListItem* item : SelectedItems()) item->SetCut(true);
    }
    return true;
}

bool TNavShellList::PasteIntoFolder() {
    bool cut = false;
    std::unique_ptr<TFileNames> files = ClipboardFileNames(&cut);
    if (!files) return false;  // an empty clipboard is no operation
    TShellNamespace target(nullptr);
    target.SetShowErrorMessages(false);
    try {
        target.SetFolderIDList(FBrowser->FolderIDList());
        target.SelectFolderObject();
    } catch (const EShellNamespaceError&) {
        return false;
    }
    if (!target.ExecuteVerb("paste")) return false;
    const bool copied = PathExists(files->Strings(0));
    report(copied ? opPastedCopied : opPastedMoved, std::move(files), Path());
    RefreshSoon();
    return true;
}

// ---- Keys and the mouse -----------------------------------------------------------------------

void TNavShellList::KeyDown(WORD& Key, TShiftState Shift) {
    TWideCustomListView::KeyDown(Key, Shift);
    if (Key == 0 || IsEditing()) return;
    const bool ctrl = Shift & ssCtrl;
    switch (Key) {
    case VK_RETURN:
        // Plain Enter is a character: the owner's OnKeyPress sees it first (KeyPress).
        if (Shift & ssAlt) {
            ExecuteVerb("properties");
            Key = 0;
        }
        return;
    case VK_DELETE:
        if (!ReadOnly()) ExecuteVerb("delete");
        Key = 0;
        return;
    case VK_F1 + 1:
        if (Selected()) ExecuteVerb("rename");
        Key = 0;
        return;
    case VK_F1 + 4:
        FullRefresh();
        if (FLink) FLink->Refresh(this);
        Key = 0;
        return;
    case VK_F1 + 9:
        if (Shift & ssShift) {
            TMessage m{WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Handle()), static_cast<LPARAM>(-1), 0};
            contextMenu(m);
            Key = 0;
        }
        return;
    case VK_BACK:
        if (!FLink || FLink->CanGoUp()) GoUp();
        Key = 0;
        return;
    case VK_SPACE:
        if (FCheckboxes && FLink && SelCount() == 1) {
            ToggleCheck(asItem(Selected()));
            Key = 0;
        }
        return;
    default: break;
    }
    if (!ctrl) return;
    switch (Key) {
    case 'A':
        SelectAllItems();
        Key = 0;
        break;
    case 'C':
        ExecuteVerb("copy");
        Key = 0;
        break;
    case 'V':
        if (!ReadOnly()) PasteIntoFolder();
        Key = 0;
        break;
    case 'X':
        if (!ReadOnly()) ExecuteVerb("cut");
        Key = 0;
        break;
    default: break;
    }
}

void TNavShellList::KeyPress(char& Key) {
    TWideCustomListView::KeyPress(Key);
    if (Key == '\r' && !IsEditing()) {
        ExecuteVerb("default");
        Key = 0;
    }
    // The characters of Ctrl+C, Ctrl+V and Ctrl+X.
    if (Key == 3 || Key == 22 || Key == 24) Key = 0;
}

void TNavShellList::DblClick() {
    if (OnDblClick && Owner()) {
        TWideCustomListView::DblClick();
        return;
    }
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    TListItem* item = GetItemAt(p.x, p.y);
    if (item && item == Selected()) ExecuteVerb("default");
}

void TNavShellList::contextMenu(TMessage& m) {
    POINT at{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(m.LParam))), static_cast<short>(HIWORD(static_cast<DWORD_PTR>(m.LParam)))};
    const bool keyboard = at.x == -1 && at.y == -1;
    TNavShellListItem* item = nullptr;
    if (keyboard) {
        item = asItem(Selected());
        if (item) {
            const RECT r = item->DisplayRect(drLabel);
            at = ClientToScreen(POINT{r.left, r.bottom});
        } else {
            at = ClientToScreen(POINT{1, 1});
        }
    } else {
        const POINT client = ScreenToClient(at);
        LVHITTESTINFO hit{};
        hit.pt = client;
        const int index = static_cast<int>(SendMessageW(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (index >= 0 && (hit.flags & LVHT_ONITEM) && index < Items()->Count()) item = Item(index);
    }
    if (!item) {
        if (auto* menu = qobject_cast<TPopupMenu*>(FBackgroundPopupMenu)) {
            menu->Popup(at.x, at.y);
            m.Result = 1;
        } else {
            TWideCustomListView::WndProc(m);
        }
        return;
    }
    if (!FShellContextMenu || item->ParentItem) {
        TWideCustomListView::WndProc(m);
        return;
    }
    if (!item->Selected()) {
        ClearSelection();
        item->SetSelected(true);
        item->SetFocused(true);
    }
    std::vector<TNavShellListItem*> selected = SelectedItems();
    std::unique_ptr<TFileNames> paths = selectedPaths();
    std::unique_ptr<TFileNames> clipboard = ClipboardFileNames();
    const WideString itemPath = ItemPath(item);
    if (selected.size() == 1) {
        FBrowser->SetObjectPidl(item->List.get());
    } else {
        for (TNavShellListItem* s : selected) {
            if (s->ParentItem || !s->List) continue;
            FBrowser->SetObjectPidl(s->List.get());
            FBrowser->MultiObjects()->Add(FBrowser->ObjectName());
        }
        FBrowser->SetObjectPidl(item->List.get());
    }
    FBrowser->SetShowContextMenuOnTop(ShowContextMenuOnTop());
    FBrowser->SetRestrictContextMenu(ReadOnly());
    FBrowser->OnRename = ReadOnly() ? TNotifyEvent() : TNotifyEvent(this, &TNavShellList::startRename);
    m.Result = 1;
    String verb;
    try {
        verb = FBrowser->ShowContextMenu(at, qobject_cast<TPopupMenu*>(PopupMenu()));
    } catch (const EShellNamespaceError&) {
        IncrementalRefresh();
        return;
    }
    const String lower = lowerAscii(verb);
    if (lower == "delete") {
        report(opDeleted, std::move(paths), Path());
        if (!FAutomaticRefresh) RefreshSoon();
    } else if (lower == "undelete") {
        RefreshSoon();
    } else if (lower == "paste" && clipboard) {
        const bool copied = PathExists(clipboard->Strings(0));
        report(copied ? opPastedCopied : opPastedMoved, std::move(clipboard), itemPath);
    } else if (lower == "cut") {
        for (TNavShellListItem* s : SelectedItems()) s->SetCut(true);
    }
}

// ---- Renaming in place ------------------------------------------------------------------------

bool TNavShellList::CanEdit(TListItem* Item) {
    if (!TWideCustomListView::CanEdit(Item) || !Item) return false;
    TNavShellListItem* item = asItem(Item);
    if (item->ParentItem || !item->List) return false;
    FBrowser->SetObjectPidl(item->List.get());
    return FBrowser->CanRename();
}

void TNavShellList::Edit(const LVITEMA& Item) {
    if (!Item.pszText) return;
    renameItem(asItem(TCustomListView::GetItemFromLVItem(Item.iItem, Item.lParam, Item.mask)), AnsiToWide(Item.pszText));
}

void TNavShellList::Edit(const LVITEMW& Item) {
    if (!Item.pszText) return;
    renameItem(asItem(TCustomListView::GetItemFromLVItem(Item.iItem, Item.lParam, Item.mask)), WideString(Item.pszText));
}

void TNavShellList::renameItem(TNavShellListItem* Item, const WideString& Text) {
    if (!Item || Item->ParentItem || !Item->List || Text.empty() || Text == Item->Caption()) return;
    const WideString oldPath = ItemPath(Item);
    FBrowser->SetObjectPidl(Item->List.get());
    WideString name = Text;
    if (!FBrowser->RenameObject(name)) {
        // Never onto another file: the old name stays, and the user hears why.
        const DWORD error = GetLastError();
        const WideString text = u"\"" + Item->Caption() + u"\" cannot be renamed to \"" + Text + u"\".\n" +
                                AnsiToWide(SystemErrorText(error));
        MessageBoxW(HandleAllocated() ? Handle() : nullptr, text.c_str(), u"Rename", MB_OK | MB_ICONERROR);
        return;
    }
    Item->List = FBrowser->ObjectPidl();
    Item->FullPath.clear();
    Item->SetCaption(name);
    Item->DataFilled = false;
    FillItemData(Item);
    auto files = std::make_unique<TFileNames>();
    files->Add(oldPath);
    report(opRenamed, std::move(files), ItemPath(Item));
    if (ViewStyle() == vsIcon) FullRefresh();
}

// ---- Thumbnails -------------------------------------------------------------------------------

void TNavShellList::queueThumbnail(TNavShellListItem* Item) {
    if (!Item->List) return;
    if (Item->ImageIndex() < 0) {
        // A framed large icon holds the place until the picture comes.
        FBrowser->SetObjectPidl(Item->List.get());
        SHFILEINFOW info{};
        const int icon = SHGetFileInfoW(reinterpret_cast<LPCWSTR>(FBrowser->AbsoluteObjectPidl()), 0, &info, sizeof info,
                                        SHGFI_PIDL | SHGFI_SYSICONINDEX)
                             ? info.iIcon
                             : -1;
        HBITMAP placeholder = icon >= 0 ? FramedIconBitmap(FLarge, FThumbHeight, FThumbWidth, icon) : nullptr;
        if (placeholder) {
            Item->SetImageIndex(ImageList_Add(FThumbImages->Handle(), placeholder, nullptr));
            DeleteObject(placeholder);
        }
        Item->DataFilled = true;
    }
    TWorkerThreadPool* pool = ThumbnailThreadPool();
    if (!pool || !thumbnailJobMaker() || Item->ImageIndex() < 0) return;
    TPidl absolute = PidlConcat(FBrowser->FolderIDList(), Item->List.get());
    if (IWorkItemPtr job = thumbnailJobMaker()(this, absolute.get(), Item->ImageIndex(), FThumbWidth, FThumbHeight))
        pool->AddWorkItem(job);
}

void TNavShellList::cancelThumbnails() {
    if (TWorkerThreadPool* pool = ThumbnailThreadPool()) pool->CancelWorkItems(this);
}

void TNavShellList::ThumbnailReady(HBITMAP Bitmap, int ImageIndex) {
    if (!Bitmap) return;
    BITMAP info{};
    const bool sized = GetObjectW(Bitmap, sizeof info, &info) != 0 && info.bmWidth > 0 && info.bmHeight > 0;
    if (sized && ImageIndex >= 0 && ImageIndex < FThumbImages->Count()) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = FThumbWidth;
        bi.bmiHeader.biHeight = FThumbHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP framed = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC to = CreateCompatibleDC(nullptr);
        HDC from = CreateCompatibleDC(nullptr);
        if (framed && to && from) {
            HGDIOBJ oldTo = SelectObject(to, framed);
            HGDIOBJ oldFrom = SelectObject(from, Bitmap);
            const RECT all{0, 0, FThumbWidth, FThumbHeight};
            HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
            HBRUSH grey = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
            FillRect(to, &all, white);
            // Fitted inside the frame, keeping the proportions.
            const double scale = std::min({1.0, double(FThumbWidth - 2) / info.bmWidth, double(FThumbHeight - 2) / info.bmHeight});
            const int w = std::max(1, static_cast<int>(info.bmWidth * scale));
            const int h = std::max(1, static_cast<int>(info.bmHeight * scale));
            SetStretchBltMode(to, HALFTONE);
            StretchBlt(to, (FThumbWidth - w) / 2, (FThumbHeight - h) / 2, w, h, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
            FrameRect(to, &all, grey);
            DeleteObject(white);
            DeleteObject(grey);
            SelectObject(from, oldFrom);
            SelectObject(to, oldTo);
            ImageList_Replace(FThumbImages->Handle(), ImageIndex, framed, nullptr);
            Invalidate();
        }
        if (from) DeleteDC(from);
        if (to) DeleteDC(to);
        if (framed) DeleteObject(framed);
    }
    DeleteObject(Bitmap);
}

// ---- Check boxes ------------------------------------------------------------------------------

void TNavShellList::SetCheckboxes(bool Value) {
    if (Value == FCheckboxes) return;
    if (Value && !FLink) {
        if (ComponentState().Contains(csDesigning))
            MessageBoxA(nullptr,
                        "You must now assign a TNavShellLink to the ShellLink property of this components for the "
                        "checkboxes to work!",
                        "", MB_OK);
        return;
    }
    FCheckboxes = Value;
    if (Value) {
        if (!FStateImageList) FStateImageList = new TNavSelectionStateImageList(this);
        SetStateImages(FStateImageList);
        RefreshChecks();
    } else {
        SetStateImages(nullptr);
        for (int i = 0; i < Items()->Count(); ++i) Item(i)->SetStateIndex(-1);
    }
}

void TNavShellList::setCheckState(TNavShellListItem* Item) {
    if (!FCheckboxes || !FLink) return;
    if (Item->ParentItem || !Item->List) {
        Item->SetStateIndex(csNoCheck);
        return;
    }
    TPidl absolute = PidlConcat(FBrowser->FolderIDList(), Item->List.get());
    Item->SetStateIndex(FLink->SelectionList()->CheckStateOfList(absolute.get()));
}

void TNavShellList::RefreshChecks() {
    for (int i = 0; i < Items()->Count(); ++i) setCheckState(Item(i));
}

void TNavShellList::ToggleCheck(TNavShellListItem* Item) {
    if (!Item || !FCheckboxes || !FLink || Item->ParentItem || !Item->List) return;
    const WideString path = ItemPath(Item);
    FBrowser->SetObjectPidl(Item->List.get());
    const bool folder = FBrowser->IsFolder();
    const int state = FLink->SelectionList()->Toggle(path, folder);
    RefreshChecks();
    if (OnCheckStateChanged) OnCheckStateChanged(this, Item->Index(), path, state);
    FLink->IncrementalRefreshAll(this);
}

// ---- Properties -------------------------------------------------------------------------------

void TNavShellList::refill() {
    if (ComponentState().Contains(csLoading)) return;
    FullRefresh();
}

void TNavShellList::setOption(TNavShellOptions Bit, bool Value) {
    const TNavShellOptions options = Value ? FOptions | Bit : FOptions & ~Bit;
    SetOptions(options);
}

void TNavShellList::SetOptions(TNavShellOptions Value) {
    if (Value == FOptions) return;
    FOptions = Value;
    FBrowser->SetShowErrorMessages((FOptions & nsoShowErrorMessages) != 0);
    if (NoFillOnStartup() && !FWindowCreated && !ComponentState().Contains(csDesigning)) return;
    refill();
}

void TNavShellList::SetAutomaticRefresh(bool Value) {
    FAutomaticRefresh = Value;
    if (Value && !ComponentState().Contains(csLoading) && FBrowser->FolderIDList()) FNotifier->SetPidl(FBrowser->FolderIDList());
    FNotifier->SetEnabled(Value);
}

void TNavShellList::SetBackgroundPopupMenu(TComponent* Value) {
    FBackgroundPopupMenu = Value;
    if (Value) Value->FreeNotification(this);
}

void TNavShellList::SetDetails(bool Value) {
    if (Value == FDetails) return;
    FDetails = Value;
    refill();
}

void TNavShellList::SetFileSystemOnly(bool Value) {
    if (Value == FBrowser->FileSystemOnly()) return;
    FBrowser->SetFileSystemOnly(Value);
    refill();
}

void TNavShellList::SetFilter(const WideString& Value) {
    const WideString before = FBrowser->Filter();
    FBrowser->SetFilter(Value);
    if (FBrowser->Filter() != before) refill();
}

WideString TNavShellList::Path() const {
    if (ComponentState().Contains(csLoading) && !FDesignPath.empty()) return FDesignPath;
    return FBrowser->Folder();
}

void TNavShellList::SetPath(const WideString& Value) {
    if (ComponentState().Contains(csLoading)) {
        FDesignPath = Value;
        Items()->Clear();
        return;
    }
    if (!SamePathNoCase(Value, FBrowser->Folder()) || Items()->Count() <= 1) {
        FBrowser->SetFolder(Value);
        FullRefresh();
    }
}

TNavShellFolder TNavShellList::SpecialFolder() const {
    if (ComponentState().Contains(csLoading)) return FDesignSpecial;
    const TNavShellFolder kind = FBrowser->SpecialFolder();
    return kind == SF_DRIVES && !FBrowser->Folder().empty() ? SF_FILESYSTEMFOLDER : kind;
}

void TNavShellList::SetSpecialFolder(TNavShellFolder Value) {
    if (ComponentState().Contains(csLoading)) FDesignSpecial = Value;
    if (Value != SF_FILESYSTEMFOLDER) {
        FBrowser->SetSpecialFolder(Value);
        FDesignPath.clear();
    }
    refill();
}

void TNavShellList::SetShowFolders(bool Value) {
    if (Value == FShowFolders) return;
    FShowFolders = Value;
    refill();
}

void TNavShellList::SetShowParentFolder(bool Value) {
    if (Value == FShowParentFolder) return;
    FShowParentFolder = Value;
    refill();
}

void TNavShellList::SetShowOverlayIcons(bool Value) {
    if (Value == FShowOverlayIcons) return;
    FShowOverlayIcons = Value;
    refill();
}

void TNavShellList::SetThumbnails(bool Value) {
    if (Value == FThumbnails) return;
    FThumbnails = Value;
    if (Value) {
        FViewStyleBeforeThumbnails = ViewStyle();
        TCustomListView::SetViewStyle(vsIcon);
        SetLargeImages(FThumbImages);
    } else {
        SetLargeImages(FLarge);
    }
    refill();
}

void TNavShellList::SetThumbnailHeight(int Value) {
    if (Value < 1 || Value == FThumbHeight) return;
    FThumbHeight = Value;
    FThumbImages->SetHeight(Value);
    if (FThumbnails) refill();
}

void TNavShellList::SetThumbnailWidth(int Value) {
    if (Value < 1 || Value == FThumbWidth) return;
    FThumbWidth = Value;
    FThumbImages->SetWidth(Value);
    if (FThumbnails) refill();
}

void TNavShellList::SetUseSystemFont(bool Value) {
    FUseSystemFont = Value;
    if (Value && !ComponentState().Contains(csLoading)) GetIconTitleFont(Font());
}

void TNavShellList::SetViewStyle(TViewStyle Value) {
    TCustomListView::SetViewStyle(Value);
    if (ComponentState().Contains(csLoading)) {
        if (Value != vsIcon && FThumbnails) {
            FThumbnails = false;
            SetLargeImages(FLarge);
        }
        return;
    }
    RedrawArrows();
    if (FThumbnails) {
        FThumbnails = false;
        SetLargeImages(FLarge);
    }
    if (HandleAllocated()) FullRefresh();
}
