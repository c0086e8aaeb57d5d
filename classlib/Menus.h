// Menus: menu items, pop-up menus and the seam through which pop-up menus are shown.
#pragma once

#include "classlib/Controls.h"

#include <functional>
#include <vector>

TESSELLON_EXCEPTION(EMenuError, Exception);

class TMenu;

// A menu item: a command, a separator (Caption "-") or a sub-menu (it has items).
class TMenuItem : public TComponent {
    Q_OBJECT
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool RadioItem READ RadioItem WRITE SetRadioItem)
    Q_PROPERTY(bool AutoCheck READ AutoCheck WRITE SetAutoCheck)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(int ShortCut READ ShortCut WRITE SetShortCut)
    Q_PROPERTY(String Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(TNotifyEvent OnClick MEMBER OnClick)
    Q_CLASSINFO("Default:Enabled", "True")
    Q_CLASSINFO("Default:Visible", "True")
    Q_CLASSINFO("Default:Checked", "False")
    Q_CLASSINFO("Default:RadioItem", "False")
    Q_CLASSINFO("Default:AutoCheck", "False")
    Q_CLASSINFO("Default:GroupIndex", "0")
    Q_CLASSINFO("Default:ShortCut", "0")
    Q_CLASSINFO("Default:Tag", "0")

public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    String Caption() const { return FCaption; }
    void SetCaption(const String& v) { FCaption = v; }
    bool Checked() const { return FChecked; }
    // Checking a radio item unchecks the radio items of its group beside it.
    void SetChecked(bool v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v) { FEnabled = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool v) { FRadioItem = v; }
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool v) { FAutoCheck = v; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v) { FGroupIndex = v; }
    int ShortCut() const { return FShortCut; }
    void SetShortCut(int v) { FShortCut = v; }
    String Hint() const { return FHint; }
    void SetHint(const String& v) { FHint = v; }
    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }

    // Sub-items.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const;
    TMenuItem* operator[](int Index) const { return Items(Index); }
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    void Delete(int Index);
    void Remove(TMenuItem* Item);
    void Clear();
    int IndexOf(const TMenuItem* Item) const;
    TMenuItem* Parent() const { return FParent; }
    int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
    // A separator: its caption is "-".
    bool IsLine() const { return FCaption == "-"; }
    // The item reached by "&" followed by the character (case-insensitive), or null.
    TMenuItem* FindByAccelerator(char c) const;

    // Runs the command: an enabled item toggles when AutoCheck and fires OnClick.
    virtual void Click();

    TNotifyEvent OnClick;

    // The layout reader puts items into their menu or item through these.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

private:
    friend class TMenu;
    String FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FRadioItem = false;
    bool FAutoCheck = false;
    int FGroupIndex = 0;
    int FShortCut = 0;
    String FHint;
    int FTag = 0;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // the menu whose root this item is
    std::vector<TMenuItem*> FItems;
};

// The character after the single "&" of a caption (0 when there is none); "&&" is a literal "&".
char GetHotkey(const String& Caption);
// The caption without its accelerator marks.
String StripHotkey(const String& Caption);

class TMenu : public TComponent {
    Q_OBJECT

public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    // The root item; its sub-items are the menu's entries.
    TMenuItem* Items() const { return FItems; }
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

private:
    TMenuItem* FItems;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
    Q_OBJECT
    Q_PROPERTY(bool AutoPopup READ AutoPopup WRITE SetAutoPopup)
    Q_PROPERTY(TNotifyEvent OnPopup MEMBER OnPopup)
    Q_CLASSINFO("Default:AutoPopup", "True")

public:
    explicit TPopupMenu(TComponent* AOwner);
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool v) { FAutoPopup = v; }
    // The control whose right click showed the menu (null when code showed it).
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* v) { FPopupComponent = v; }
    // Shows the menu at screen coordinates and waits; the chosen item's Click runs.
    virtual void Popup(int X, int Y);

    TNotifyEvent OnPopup;

private:
    bool FAutoPopup = true;
    TComponent* FPopupComponent = nullptr;
};

// The seam that shows a pop-up menu. It gets the menu and the screen point and returns
// the chosen item (null: the menu was dismissed). The default shows a real menu.
using TPopupMenuHandler = std::function<TMenuItem*(TPopupMenu* Menu, int X, int Y)>;
// Installs a handler (an empty one restores the real menu); returns the previous one.
TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler Handler);

// Shows the pop-up menu of `Control` or of its nearest parent that has one, for a right
// click at screen point `Pos`; true when a menu was shown.
bool ShowControlPopupMenu(TControl* Control, POINT Pos);

