// Menu items over platform menu handles, main and pop-up menus, shortcuts and the pop-up seam.
#include "classlib/Menus.h"

#include "classlib/Consts.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "platform/codepage.h"
#include "platform/commctrl.h"
#include "platform/gdi.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace {

// Command identifiers: 1 to 0xFFFF (WM_COMMAND carries 16 bits), freed with their items.
std::set<UINT>& usedCommands() {
    static auto* s = new std::set<UINT>;
    return *s;
}

UINT allocateCommand() {
    static UINT next = 0;
    for (int tries = 0; tries < 0xFFFF; ++tries) {
        next = next % 0xFFFF + 1;
        if (usedCommands().insert(next).second) return next;
    }
    throw EMenuError("Too many menu items");
}

void freeCommand(UINT c) { usedCommands().erase(c); }

// Every menu of the process, for the pop-up list window.
std::vector<TPopupMenu*>& popupMenus() {
    static auto* v = new std::vector<TPopupMenu*>;
    return *v;
}

}  // namespace

// Shortcuts

TShortCut ShortCut(WORD Key, TShiftState Shift) {
    TShortCut s = Key & 0xFF;
    if (Shift & ssShift) s |= scShift;
    if (Shift & ssCtrl) s |= scCtrl;
    if (Shift & ssAlt) s |= scAlt;
    return s;
}

void ShortCutToKey(TShortCut sc, WORD& Key, TShiftState& Shift) {
    Key = static_cast<WORD>(sc & 0xFF);
    Shift = 0;
    if (sc & scShift) Shift |= ssShift;
    if (sc & scCtrl) Shift |= ssCtrl;
    if (sc & scAlt) Shift |= ssAlt;
}

namespace {

struct KeyName {
    WORD key;
    const char* name;
};

constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},    {VK_TAB, "Tab"},      {VK_RETURN, "Enter"},   {VK_ESCAPE, "Esc"},   {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},   {VK_NEXT, "PgDn"},    {VK_END, "End"},        {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},        {VK_RIGHT, "Right"},  {VK_DOWN, "Down"},      {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
    {VK_ADD, "Num +"},    {VK_SUBTRACT, "Num -"}, {VK_MULTIPLY, "Num *"}, {VK_DIVIDE, "Num /"},
};

String keyName(WORD key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return String(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F1 + 23) return "F" + std::to_string(key - VK_F1 + 1);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return "Num " + std::to_string(key - VK_NUMPAD0);
    for (const KeyName& k : kKeyNames)
        if (k.key == key) return k.name;
    return {};
}

bool sameAsciiNoCase(const String& a, const String& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

String ShortCutToText(TShortCut sc) {
    const String name = keyName(static_cast<WORD>(sc & 0xFF));
    if (name.empty()) return {};
    String out;
    if (sc & scShift) out += String(SmkcShift);
    if (sc & scCtrl) out += String(SmkcCtrl);
    if (sc & scAlt) out += String(SmkcAlt);
    return out + name;
}

TShortCut TextToShortCut(const String& text) {
    TShortCut mods = 0;
    String rest = text;
    for (;;) {
        bool found = false;
        for (const auto& [prefix, bit] : {std::pair<const char*, TShortCut>{"Shift+", scShift}, {"Ctrl+", scCtrl},
                                          {"Alt+", scAlt}}) {
            const String p = prefix;
            if (rest.size() > p.size() && sameAsciiNoCase(rest.substr(0, p.size()), p)) {
                mods |= bit;
                rest = rest.substr(p.size());
                found = true;
            }
        }
        if (!found) break;
    }
    for (int key = 1; key < 256; ++key)
        if (const String n = keyName(static_cast<WORD>(key)); !n.empty() && sameAsciiNoCase(n, rest))
            return key | mods;
    return 0;
}

// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(allocateCommand()) {}

TMenuItem::~TMenuItem() {
    delete FActionLink;
    FActionLink = nullptr;
    // Items with an owner are freed by it; the others belong to this item.
    std::vector<TMenuItem*> items;
    items.swap(FItems);
    for (TMenuItem* item : items) {
        item->FParent = nullptr;
        if (!item->Owner()) delete item;
    }
    if (FParent) FParent->Remove(this);
    if (FHandle && IsMenu(FHandle)) {
        // Sub-menus belong to their items: take them out before the handle goes.
        while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
        DestroyMenu(FHandle);
    }
    freeCommand(FCommand);
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("Menu index out of range");
    return FItems[static_cast<std::size_t>(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item) return;
    if (Item->FParent) throw EMenuError("Menu inserted twice");
    if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
    for (const TMenuItem* p = this; p; p = p->FParent)
        if (p == Item) throw EMenuError("Menu inserted twice");
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    RebuildHandle();
}

void TMenuItem::Delete(int Index) {
    TMenuItem* item = Items(Index);
    FItems.erase(FItems.begin() + Index);
    item->FParent = nullptr;
    RebuildHandle();
}

void TMenuItem::Remove(TMenuItem* Item) {
    const int i = IndexOf(Item);
    if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
    while (Count() > 0) {
        TMenuItem* item = FItems.back();
        Delete(Count() - 1);
        if (!item->Owner()) delete item;
    }
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::SetCaption(const String& v) {
    if (FCaption == v) return;
    FCaption = v;
    MenuChanged(false);
}

void TMenuItem::SetEnabled(bool v) {
    if (FEnabled == v) return;
    FEnabled = v;
    MenuChanged(false);
}

void TMenuItem::SetVisible(bool v) {
    if (FVisible == v) return;
    FVisible = v;
    MenuChanged(false);
}

void TMenuItem::SetRadioItem(bool v) {
    if (FRadioItem == v) return;
    FRadioItem = v;
    MenuChanged(false);
}

void TMenuItem::SetGroupIndex(int v) {
    if (FGroupIndex == v) return;
    FGroupIndex = v;
    if (FChecked && FRadioItem && FParent)
        for (TMenuItem* other : FParent->FItems)
            if (other != this && other->FRadioItem && other->FGroupIndex == FGroupIndex) other->FChecked = false;
    MenuChanged(false);
    // A main menu's top-level items merge by group index.
    if (FParent && FParent->FMenu) FParent->FMenu->MenuChanged();
}

void TMenuItem::SetShortCut(int v) {
    if (FShortCut == v) return;
    FShortCut = v;
    MenuChanged(false);
}

void TMenuItem::SetImageIndex(int v) {
    if (FImageIndex == v) return;
    FImageIndex = v;
    MenuChanged(false);
}

void TMenuItem::SetDefault(bool v) {
    if (FDefault == v) return;
    FDefault = v;
    if (v && FParent)
        for (TMenuItem* other : FParent->FItems)
            if (other != this) other->FDefault = false;
    MenuChanged(false);
}

void TMenuItem::SetChecked(bool v) {
    if (FChecked == v) return;
    FChecked = v;
    if (v && FRadioItem && FParent)
        for (TMenuItem* other : FParent->FItems)
            if (other != this && other->FRadioItem && other->FGroupIndex == FGroupIndex) other->FChecked = false;
    MenuChanged(false);
}

TMenuItem* TMenuItem::FindByAccelerator(char c) const {
    const char want = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (TMenuItem* item : FItems)
        if (item->FVisible && std::toupper(static_cast<unsigned char>(GetHotkey(item->FCaption))) == want)
            return item;
    return nullptr;
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    // The linked action runs (and checks itself when it checks automatically), unless the
    // item has a click handler of its own.
    if (TBasicAction* action = Action(); action && (!OnClick || OnClick == action->OnExecute())) {
        const auto* custom = qobject_cast<TCustomAction*>(action);
        if (FAutoCheck && !(custom && custom->AutoCheck())) SetChecked(FRadioItem ? true : !FChecked);
        FActionLink->Execute(this);
        return;
    }
    if (FAutoCheck) SetChecked(FRadioItem ? true : !FChecked);
    if (OnClick) OnClick(this);
}

// Actions

TBasicAction* TMenuItem::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TMenuItem::SetActionComponent(TComponent* Value) { SetAction(qobject_cast<TBasicAction*>(Value)); }

TBasicActionLink* TMenuItem::CreateActionLink() { return new TMenuActionLink(this); }

void TMenuItem::SetAction(TBasicAction* Value) {
    if (Value == Action()) return;
    if (!Value) {
        delete FActionLink;
        FActionLink = nullptr;
        return;
    }
    if (!FActionLink) FActionLink = CreateActionLink();
    FActionLink->SetAction(Value);
    ActionChange(Value, ComponentState().Contains(csLoading));
    Value->FreeNotification(this);
}

void TMenuItem::InitiateAction() {
    if (FActionLink) FActionLink->Update();
}

void TMenuItem::ActionChange(TObject* Sender, bool CheckDefaults) {
    auto* a = qobject_cast<TCustomAction*>(Sender);
    if (!a) return;
    if (!CheckDefaults || FCaption.empty()) SetCaption(a->Caption());
    if (!CheckDefaults || !FChecked) SetChecked(a->Checked());
    if (!CheckDefaults || FEnabled) SetEnabled(a->Enabled());
    if (!CheckDefaults || FHint.empty()) SetHint(a->Hint());
    if (!CheckDefaults || FImageIndex == -1) SetImageIndex(a->ImageIndex());
    if (!CheckDefaults || FShortCut == 0) SetShortCut(a->ShortCut());
    if (!CheckDefaults || FVisible) SetVisible(a->Visible());
    if (!CheckDefaults || !OnClick) OnClick = a->OnExecute();
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FActionLink && AComponent == FActionLink->Action()) SetAction(nullptr);
}

TMenuActionLink::TMenuActionLink(TMenuItem* AClient) : TActionLink(AClient), FClient(AClient) {}

namespace {
TCustomAction* linkedAction(TBasicAction* a) { return qobject_cast<TCustomAction*>(a); }
}  // namespace

bool TMenuActionLink::IsCaptionLinked() {
    auto* a = linkedAction(FAction);
    return a && FClient->Caption() == a->Caption();
}
bool TMenuActionLink::IsCheckedLinked() {
    auto* a = linkedAction(FAction);
    return a && FClient->Checked() == a->Checked();
}
bool TMenuActionLink::IsEnabledLinked() {
    auto* a = linkedAction(FAction);
    return a && FClient->Enabled() == a->Enabled();
}
bool TMenuActionLink::IsHintLinked() {
    auto* a = linkedAction(FAction);
    return a && FClient->Hint() == a->Hint();
}
bool TMenuActionLink::IsImageIndexLinked() {
    auto* a = linkedAction(FAction);
    return a && FClient->ImageIndex() == a->ImageIndex();
}
bool TMenuActionLink::IsShortCutLinked() {
    auto* a = linkedAction(FAction);
    return a && FClient->ShortCut() == a->ShortCut();
}
bool TMenuActionLink::IsVisibleLinked() {
    auto* a = linkedAction(FAction);
    return a && FClient->Visible() == a->Visible();
}
bool TMenuActionLink::IsOnExecuteLinked() { return FAction && FClient->OnClick == FAction->OnExecute(); }

void TMenuActionLink::SetCaption(const String& Value) {
    if (IsCaptionLinked()) FClient->SetCaption(Value);
}
void TMenuActionLink::SetChecked(bool Value) {
    if (IsCheckedLinked()) FClient->SetChecked(Value);
}
void TMenuActionLink::SetEnabled(bool Value) {
    if (IsEnabledLinked()) FClient->SetEnabled(Value);
}
void TMenuActionLink::SetHint(const String& Value) {
    if (IsHintLinked()) FClient->SetHint(Value);
}
void TMenuActionLink::SetImageIndex(int Value) {
    if (IsImageIndexLinked()) FClient->SetImageIndex(Value);
}
void TMenuActionLink::SetShortCut(TShortCut Value) {
    if (IsShortCutLinked()) FClient->SetShortCut(Value);
}
void TMenuActionLink::SetVisible(bool Value) {
    if (IsVisibleLinked()) FClient->SetVisible(Value);
}
void TMenuActionLink::SetOnExecute(const TNotifyEvent& Value) {
    if (IsOnExecuteLinked()) FClient->OnClick = Value;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* p = this;
    while (p->FParent) p = p->FParent;
    return p->FMenu;
}

HMENU TMenuItem::Handle() {
    if (FHandle && IsMenu(FHandle)) return FHandle;
    TMenu* menu = FMenu;
    FHandle = menu && menu->IsBar() && !FParent ? CreateMenu() : CreatePopupMenu();
    RebuildHandle();
    return FHandle;
}

TMenuItem* TMenuItem::FindCommand(UINT Command) {
    if (FCommand == Command && FParent) return this;
    for (TMenuItem* i : FItems)
        if (TMenuItem* hit = i->FindCommand(Command)) return hit;
    for (TMenuItem* i : FMerged)
        if (TMenuItem* hit = i->FindCommand(Command)) return hit;
    return nullptr;
}

TMenuItem* TMenuItem::FindHandle(HMENU h) {
    if (!h) return nullptr;
    if (FHandle == h) return this;
    for (TMenuItem* i : FItems)
        if (TMenuItem* hit = i->FindHandle(h)) return hit;
    for (TMenuItem* i : FMerged)
        if (TMenuItem* hit = i->FindHandle(h)) return hit;
    return nullptr;
}

void TMenuItem::MenuChanged(bool) {
    if (FParent) FParent->RebuildHandle();
}

void TMenuItem::ItemBuilt(HMENU, bool) {}

void TMenuItem::AppendTo(HMENU menu, bool topOfBar) {
    TMenu* owner = GetParentMenu();
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
    info.wID = FCommand;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    if (IsLine()) {
        info.fType = MFT_SEPARATOR;
    } else {
        String text = FCaption;
        // Shortcuts are shown after a tab, except on the bar itself.
        if (FShortCut && FItems.empty() && !topOfBar) {
            const String sc = ShortCutToText(FShortCut);
            if (!sc.empty()) text += "\t" + sc;
        }
        // The caption is in the process's code page.
        const std::u16string wide = platform::ansiToWide(text);
        const bool ownerDraw = owner && owner->IsOwnerDraw() && !topOfBar;
        info.fType = ownerDraw ? MFT_OWNERDRAW : MFT_STRING;
        if (FRadioItem) info.fType |= MFT_RADIOCHECK;
        if (!ownerDraw) {
            info.fMask |= MIIM_STRING;
            info.dwTypeData = const_cast<LPWSTR>(wide.c_str());
        }
        info.fState = (FEnabled ? MFS_ENABLED : MFS_GRAYED) | (FChecked ? MFS_CHECKED : 0) |
                      (FDefault ? MFS_DEFAULT : 0);
        if (!FItems.empty()) {
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = Handle();
        }
        InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
        ItemBuilt(menu, topOfBar);
        return;
    }
    InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
    ItemBuilt(menu, topOfBar);
}

void TMenuItem::RebuildHandle() {
    if (!FHandle || !IsMenu(FHandle)) return;
    if (TMenu* m = GetParentMenu(); m && m->ComponentState().Contains(csLoading)) return;
    // Take the entries out without destroying the sub-menus: they belong to their items.
    while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
    const bool bar = FMenu && FMenu->IsBar() && !FParent;
    std::vector<TMenuItem*> shown;
    if (bar) {
        // Merged menus: their group indexes replace this menu's items of the same index.
        std::set<int> replaced;
        for (TMenuItem* m : FMerged) replaced.insert(m->FGroupIndex);
        for (TMenuItem* i : FItems)
            if (!replaced.count(i->FGroupIndex)) shown.push_back(i);
        for (TMenuItem* m : FMerged) {
            auto at = std::find_if(shown.begin(), shown.end(), [&](TMenuItem* i) { return i->FGroupIndex > m->FGroupIndex; });
            shown.insert(at, m);
        }
    } else {
        shown = FItems;
    }
    for (TMenuItem* i : shown)
        if (i->FVisible) i->AppendTo(FHandle, bar);
    if (bar)
        if (auto* main = static_cast<TMainMenu*>(FMenu); main->WindowHandle()) DrawMenuBar(main->WindowHandle());
}

namespace {

TCustomImageList* imagesOf(const TMenuItem* item) {
    TMenu* m = item->GetParentMenu();
    return m ? m->Images() : nullptr;
}

}  // namespace

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
    TCustomImageList* images = imagesOf(this);
    const int glyph = images ? images->Width() : 16;
    if (IsLine()) {
        Width = 10;
        Height = 5;
    } else {
        const int text = ACanvas->TextWidth(StripHotkey(FCaption));
        const String sc = FShortCut ? ShortCutToText(FShortCut) : String();
        const int scWidth = sc.empty() ? 0 : ACanvas->TextWidth(sc) + 24;
        Width = glyph + 2 + 8 + text + scWidth + 16;
        Height = std::max(ACanvas->TextHeight("Wg") + 6, (images ? images->Height() : 16) + 4);
    }
    if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

void TMenuItem::DrawItem(TCanvas* ACanvas, const RECT& ARect, bool Selected) {
    if (OnDrawItem) {
        OnDrawItem(this, ACanvas, ARect, Selected);
        return;
    }
    TCustomImageList* images = imagesOf(this);
    const int glyph = images ? images->Width() : 16;
    ACanvas->Brush()->SetColor(Selected ? clHighlight : clMenu);
    ACanvas->FillRect(ARect);
    if (IsLine()) {
        const int y = (ARect.top + ARect.bottom) / 2;
        ACanvas->Pen()->SetColor(clBtnShadow);
        ACanvas->MoveTo(ARect.left + 2, y);
        ACanvas->LineTo(ARect.right - 2, y);
        return;
    }
    const int midY = (ARect.top + ARect.bottom) / 2;
    if (images && FImageIndex >= 0 && FImageIndex < images->Count()) {
        images->Draw(ACanvas, ARect.left + 1, midY - images->Height() / 2, FImageIndex, FEnabled);
    } else if (FChecked) {
        // A check mark (or the dot of a radio item) in the glyph column.
        ACanvas->Pen()->SetColor(Selected ? clHighlightText : clMenuText);
        ACanvas->Brush()->SetColor(Selected ? clHighlightText : clMenuText);
        const int cx = ARect.left + 1 + glyph / 2;
        if (FRadioItem) {
            ACanvas->Ellipse(cx - 3, midY - 3, cx + 3, midY + 3);
        } else {
            ACanvas->MoveTo(cx - 4, midY);
            ACanvas->LineTo(cx - 1, midY + 3);
            ACanvas->LineTo(cx + 5, midY - 3);
        }
    }
    // The texts: transparent, in the colour of the item's state.
    const HDC dc = ACanvas->Handle();
    const HGDIOBJ oldFont = SelectObject(dc, ACanvas->Font()->Handle());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour =
        SetTextColor(dc, ColorToRGB(!FEnabled ? clGrayText : Selected ? clHighlightText : clMenuText));
    RECT text = ARect;
    text.left += glyph + 2 + 8;
    DrawTextA(dc, FCaption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
    if (FShortCut) {
        RECT sc = ARect;
        sc.right -= 10;
        const String s = ShortCutToText(FShortCut);
        DrawTextA(dc, s.c_str(), -1, &sc, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}

TComponent* TMenuItem::GetParentComponent() const {
    if (!FParent) return nullptr;
    if (FParent->FMenu) return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
    if (FParent) FParent->Remove(this);
    if (auto* menu = qobject_cast<TMenu*>(Value)) menu->Items()->Add(this);
    else if (auto* item = qobject_cast<TMenuItem*>(Value)) item->Add(this);
}

void TMenuItem::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    for (TMenuItem* item : FItems)
        if (item->Owner() == Root) Proc(item);
}

namespace {

// The position of the character after the last single "&" (npos when there is none).
std::size_t hotkeyPos(const String& Caption) {
    std::size_t found = String::npos;
    for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != '&') continue;
        if (Caption[i + 1] != '&') found = i + 1;
        ++i;
    }
    return found;
}

}  // namespace

char GetHotkey(const String& Caption) {
    const std::size_t at = hotkeyPos(Caption);
    return at == String::npos ? 0 : Caption[at];
}

bool IsAccel(WPARAM Key, const String& Caption) {
    const std::size_t at = hotkeyPos(Caption);
    if (at == String::npos || Key == 0) return false;
    // The whole character after the mark (several bytes in a multi-byte code page).
    const char* from = Caption.c_str() + at;
    const std::u16string hot = platform::ansiToWide(std::string_view(from, static_cast<std::size_t>(CharNextA(from) - from)));
    if (hot.empty()) return false;
    return platform::upperUnit(static_cast<char16_t>(Key & 0xFFFF)) == platform::upperUnit(hot[0]);
}

String StripHotkey(const String& Caption) {
    String out;
    for (std::size_t i = 0; i < Caption.size(); ++i) {
        if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
        else if (Caption[i] == '&') continue;
        out += Caption[i];
    }
    return out;
}

// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) { FItems->FMenu = this; }

TMenu::~TMenu() {
    // The items' platform menus go with the root's handle, but stay with their items.
    delete FItems;
}

void TMenu::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    FItems->GetChildren(Proc, Root);
}

void TMenu::Loaded() {
    TComponent::Loaded();
    MenuChanged();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        MenuChanged();
    }
}

void TMenu::SetOwnerDraw(bool v) {
    if (FOwnerDraw == v) return;
    FOwnerDraw = v;
    MenuChanged();
}

void TMenu::SetImages(TCustomImageList* v) {
    if (FImages == v) return;
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = v;
    if (FImages) FImages->FreeNotification(this);
    MenuChanged();
}

TComponent* TMenu::ImagesComponent() const { return FImages; }
void TMenu::SetImagesComponent(TComponent* v) { SetImages(qobject_cast<TCustomImageList*>(v)); }

namespace {
void rebuildTree(TMenuItem* item) {
    item->RebuildHandle();
    for (int i = 0; i < item->Count(); ++i) rebuildTree(item->Items(i));
}
}  // namespace

void TMenu::MenuChanged() { rebuildTree(FItems); }

bool TMenu::DispatchCommand(UINT Command) {
    TMenuItem* item = FItems->FindCommand(Command);
    if (!item) return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU Menu) {
    TMenuItem* item = FItems->FindHandle(Menu);
    if (!item) return false;
    // A sub-menu's item hears that it opens (OnClick), as the class library does.
    if (item != FItems) item->Click();
    return true;
}

TMenuItem* TMenu::FindSelected(WPARAM wParam, LPARAM lParam) {
    const UINT flags = HIWORD(wParam);
    const UINT which = LOWORD(wParam);
    const auto menu = reinterpret_cast<HMENU>(lParam);
    if (flags == 0xFFFF && !menu) return nullptr;
    if (flags & MF_POPUP) {
        const HMENU sub = GetSubMenu(menu, static_cast<int>(which));
        return FItems->FindHandle(sub);
    }
    return FItems->FindCommand(which);
}

namespace {
struct ItemCanvas {
    TCanvas canvas;
    explicit ItemCanvas(HDC dc) { canvas.SetHandle(dc); }
    ~ItemCanvas() { canvas.SetHandle(nullptr); }
};
}  // namespace

bool TMenu::DrawMenuItem(DRAWITEMSTRUCT& d) {
    if (d.CtlType != ODT_MENU) return false;
    TMenuItem* item = FItems->FindCommand(d.itemID);
    if (!item) return false;
    const int saved = SaveDC(d.hDC);
    {
        ItemCanvas c(d.hDC);
        item->DrawItem(&c.canvas, d.rcItem, (d.itemState & ODS_SELECTED) != 0);
    }
    RestoreDC(d.hDC, saved);
    return true;
}

bool TMenu::MeasureMenuItem(MEASUREITEMSTRUCT& m) {
    if (m.CtlType != ODT_MENU) return false;
    TMenuItem* item = FItems->FindCommand(m.itemID);
    if (!item) return false;
    HDC dc = CreateCompatibleDC(nullptr);
    int w = static_cast<int>(m.itemWidth), h = static_cast<int>(m.itemHeight);
    {
        ItemCanvas c(dc);
        item->MeasureItem(&c.canvas, w, h);
    }
    DeleteDC(dc);
    m.itemWidth = static_cast<UINT>(std::max(0, w));
    m.itemHeight = static_cast<UINT>(std::max(0, h));
    return true;
}

namespace {
TMenuItem* findShortCut(TMenuItem* parent, TShortCut sc) {
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible()) continue;
        if (item->ShortCut() == sc && item->Count() == 0) return item;
        if (TMenuItem* hit = findShortCut(item, sc)) return hit;
    }
    return nullptr;
}
}  // namespace

bool TMenu::IsShortCut(WORD Key, TShiftState Shift) {
    const TShortCut sc = ShortCut(Key, Shift & (ssShift | ssCtrl | ssAlt));
    if ((sc & 0xFF) == 0) return false;
    TMenuItem* item = findShortCut(FItems, sc);
    if (!item) return false;
    // The sub-menus on the way are told first, so that their OnClick can update the item.
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = item->Parent(); p && p != FItems; p = p->Parent()) chain.insert(chain.begin(), p);
    for (TMenuItem* p : chain)
        if (!p->Enabled()) return false;
    for (TMenuItem* p : chain) p->Click();
    if (!item->Enabled()) return false;
    item->Click();
    return true;
}

// TMainMenu

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu() {
    if (FWindow && IsWindow(FWindow) && GetMenu(FWindow) == Items()->FHandle) SetMenu(FWindow, nullptr);
}

void TMainMenu::SetWindowHandle(HWND Window) {
    if (FWindow == Window) return;
    if (FWindow && IsWindow(FWindow) && GetMenu(FWindow) == Items()->FHandle) SetMenu(FWindow, nullptr);
    FWindow = Window;
    if (FWindow) SetMenu(FWindow, Handle());
}

void TMainMenu::Merge(TMainMenu* Menu) {
    if (!Menu || Menu == this) return;
    Unmerge(Menu);
    FMergedMenus.push_back(Menu);
    for (int i = 0; i < Menu->Items()->Count(); ++i) Items()->FMerged.push_back(Menu->Items()->Items(i));
    Items()->RebuildHandle();
}

void TMainMenu::Unmerge(TMainMenu* Menu) {
    auto it = std::find(FMergedMenus.begin(), FMergedMenus.end(), Menu);
    if (it == FMergedMenus.end()) return;
    FMergedMenus.erase(it);
    auto& merged = Items()->FMerged;
    merged.erase(std::remove_if(merged.begin(), merged.end(), [&](TMenuItem* i) { return i->GetParentMenu() == Menu; }),
                 merged.end());
    Items()->RebuildHandle();
}

void TMainMenu::MenuChanged() {
    TMenu::MenuChanged();
    if (FWindow && IsWindow(FWindow)) DrawMenuBar(FWindow);
}

// TPopupMenu, the pop-up list and the seam

namespace {

TPopupMenuHandler& popupHandler() {
    static TPopupMenuHandler h;
    return h;
}

}  // namespace

bool DispatchMenuMessage(TMenu* Menu, TMessage& m) {
    if (!Menu) return false;
    switch (m.Msg) {
    case WM_COMMAND:
        if (m.LParam != 0 || HIWORD(m.WParam) > 1) return false;
        if (!Menu->DispatchCommand(LOWORD(m.WParam))) return false;
        m.Result = 0;
        return true;
    case WM_INITMENUPOPUP:
        if (!Menu->DispatchPopup(reinterpret_cast<HMENU>(m.WParam))) return false;
        m.Result = 0;
        return true;
    case WM_MENUSELECT: {
        const bool closed = HIWORD(m.WParam) == 0xFFFF && m.LParam == 0;
        TMenuItem* item = closed ? nullptr : Menu->FindSelected(m.WParam, m.LParam);
        if (!closed && !item && !Menu->Items()->FindHandle(reinterpret_cast<HMENU>(m.LParam))) return false;
        if (Application) Application->SetHint(item ? GetLongHint(item->Hint()) : String());
        m.Result = 0;
        return true;
    }
    case WM_DRAWITEM:
        if (!m.LParam || !Menu->DrawMenuItem(*reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam))) return false;
        m.Result = TRUE;
        return true;
    case WM_MEASUREITEM:
        if (!m.LParam || !Menu->MeasureMenuItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam))) return false;
        m.Result = TRUE;
        return true;
    default: return false;
    }
}

HWND PopupListWindow() {
    static HWND window = AllocateHWnd([](TMessage& m) {
        for (TPopupMenu* menu : std::vector<TPopupMenu*>(popupMenus()))
            if (std::find(popupMenus().begin(), popupMenus().end(), menu) != popupMenus().end() &&
                DispatchMenuMessage(menu, m))
                return;
        m.Result = DefWindowProcA(PopupListWindow(), m.Msg, m.WParam, m.LParam);
    });
    return window;
}

TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler Handler) {
    TPopupMenuHandler old = std::move(popupHandler());
    popupHandler() = std::move(Handler);
    return old;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { popupMenus().push_back(this); }

TPopupMenu::~TPopupMenu() {
    auto& v = popupMenus();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    if (popupHandler()) {
        if (TMenuItem* chosen = popupHandler()(this, X, Y)) chosen->Click();
        return;
    }
    UINT flags = TPM_RIGHTBUTTON;
    if (FAlignment == paRight) flags |= TPM_RIGHTALIGN;
    else if (FAlignment == paCenter) flags |= TPM_CENTERALIGN;
    // The chosen item's command comes back to the pop-up list window, which clicks it.
    TrackPopupMenu(Handle(), flags, X, Y, 0, PopupListWindow(), nullptr);
}

bool ShowControlPopupMenu(TControl* Control, POINT Pos) {
    for (TControl* c = Control; c; c = c->Parent()) {
        auto* menu = qobject_cast<TPopupMenu*>(c->PopupMenu());
        if (!menu || !menu->AutoPopup()) continue;
        menu->SetPopupComponent(c);
        menu->Popup(Pos.x, Pos.y);
        return true;
    }
    return false;
}
