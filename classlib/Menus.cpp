// Menu items, pop-up menus and the pop-up seam.
#include "classlib/Menus.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <algorithm>
#include <cctype>
#include <map>

// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    // Items with an owner are freed by it; the others belong to this item.
    std::vector<TMenuItem*> items;
    items.swap(FItems);
    for (TMenuItem* item : items) {
        item->FParent = nullptr;
        if (!item->Owner()) delete item;
    }
    if (FParent) FParent->Remove(this);
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
}

void TMenuItem::Delete(int Index) {
    TMenuItem* item = Items(Index);
    FItems.erase(FItems.begin() + Index);
    item->FParent = nullptr;
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

void TMenuItem::SetChecked(bool v) {
    if (FChecked == v) return;
    FChecked = v;
    if (v && FRadioItem && FParent)
        for (TMenuItem* other : FParent->FItems)
            if (other != this && other->FRadioItem && other->FGroupIndex == FGroupIndex) other->FChecked = false;
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
    if (FAutoCheck) SetChecked(FRadioItem ? true : !FChecked);
    if (OnClick) OnClick(this);
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

char GetHotkey(const String& Caption) {
    for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != '&') continue;
        if (Caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return Caption[i + 1];
    }
    return 0;
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

TMenu::~TMenu() { delete FItems; }

void TMenu::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
    FItems->GetChildren(Proc, Root);
}

// TPopupMenu and the seam

namespace {

TPopupMenuHandler& popupHandler() {
    static TPopupMenuHandler h;
    return h;
}

void buildMenu(QMenu* menu, const TMenuItem* parent, std::map<QAction*, TMenuItem*>& actions) {
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible()) continue;
        if (item->IsLine()) {
            menu->addSeparator();
            continue;
        }
        const QString caption = QString::fromUtf8(item->Caption().c_str());
        if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(caption);
            sub->setEnabled(item->Enabled());
            buildMenu(sub, item, actions);
            continue;
        }
        QAction* action = menu->addAction(caption);
        action->setEnabled(item->Enabled());
        if (item->Checked() || item->RadioItem() || item->AutoCheck()) {
            action->setCheckable(true);
            action->setChecked(item->Checked());
        }
        actions[action] = item;
    }
}

TMenuItem* showRealMenu(TPopupMenu* menu, int X, int Y) {
    QMenu qmenu;
    std::map<QAction*, TMenuItem*> actions;
    buildMenu(&qmenu, menu->Items(), actions);
    if (qmenu.isEmpty()) return nullptr;
    QAction* chosen = qmenu.exec(QPoint(X, Y));
    const auto it = actions.find(chosen);
    return it == actions.end() ? nullptr : it->second;
}

}  // namespace

TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler Handler) {
    TPopupMenuHandler old = std::move(popupHandler());
    popupHandler() = std::move(Handler);
    return old;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    TMenuItem* chosen = popupHandler() ? popupHandler()(this, X, Y) : showRealMenu(this, X, Y);
    if (chosen) chosen->Click();
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

