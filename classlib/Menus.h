// Menus: menu items over the platform's menu handles, the main menu of a form, pop-up
// menus, shortcuts, and the seam through which pop-up menus are shown.
#pragma once

#include "classlib/ActnList.h"
#include "classlib/Controls.h"

#include <functional>
#include <vector>

TESSELLON_EXCEPTION(EMenuError, Exception);

class TMenu;
class TCanvas;
class TCustomImageList;

// Shortcuts: a virtual key with scShift, scCtrl and scAlt.
using TShortCut = int;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;
TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// "Ctrl+O", "Shift+Del", "F5"; empty for none.
String ShortCutToText(TShortCut ShortCut);
// The reverse of ShortCutToText (modifier names in any case); 0 when not understood.
TShortCut TextToShortCut(const String& Text);

using TMenuDrawItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, const RECT& ARect, bool Selected)>;
using TMenuMeasureItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

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
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(TNotifyEvent OnClick MEMBER OnClick)
    Q_PROPERTY(TMenuDrawItemEvent OnDrawItem MEMBER OnDrawItem)
    Q_PROPERTY(TMenuMeasureItemEvent OnMeasureItem MEMBER OnMeasureItem)
    Q_PROPERTY(TComponent* Action READ ActionComponent WRITE SetActionComponent)
    Q_CLASSINFO("Default:Enabled", "True")
    Q_CLASSINFO("Default:Visible", "True")
    Q_CLASSINFO("Default:Checked", "False")
    Q_CLASSINFO("Default:RadioItem", "False")
    Q_CLASSINFO("Default:AutoCheck", "False")
    Q_CLASSINFO("Default:GroupIndex", "0")
    Q_CLASSINFO("Default:ShortCut", "0")
    Q_CLASSINFO("Default:Tag", "0")
    Q_CLASSINFO("Default:ImageIndex", "-1")
    Q_CLASSINFO("Default:Default", "False")

public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    // Each change reaches the platform menu that shows the item.
    String Caption() const { return FCaption; }
    void SetCaption(const String& v);
    bool Checked() const { return FChecked; }
    // Checking a radio item unchecks the radio items of its group beside it.
    void SetChecked(bool v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool v);
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool v) { FAutoCheck = v; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v);
    int ShortCut() const { return FShortCut; }
    void SetShortCut(int v);
    String Hint() const { return FHint; }
    void SetHint(const String& v) { FHint = v; }
    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    bool Default() const { return FDefault; }
    void SetDefault(bool v);

    // The command identifier the platform menu reports for this item (unique in the process).
    UINT Command() const { return FCommand; }
    // The platform menu of the item's sub-items (made on first use).
    HMENU Handle();
    // The item of this tree with that command, or with that sub-menu handle; null if none.
    TMenuItem* FindCommand(UINT Command);
    TMenuItem* FindHandle(HMENU Handle);
    // The menu whose tree holds the item (null outside any).
    TMenu* GetParentMenu() const;

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
    // Owner drawing (menus with OwnerDraw or Images): OnDrawItem or the default face (the
    // image or check mark, caption and shortcut); OnMeasureItem may change the default size.
    virtual void DrawItem(TCanvas* ACanvas, const RECT& ARect, bool Selected);
    virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);
    // Fills the item's platform menu with its visible sub-items again.
    void RebuildHandle();

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

    // Actions: the item shows its action's caption, checked and enabled state, hint, image,
    // shortcut and visibility, and a click runs the action (unless the item has a click
    // handler of its own).
    TBasicAction* Action() const;
    void SetAction(TBasicAction* Value);
    TComponent* ActionComponent() const { return Action(); }
    void SetActionComponent(TComponent* Value);
    TBasicActionLink* ActionLink() const { return FActionLink; }
    // Updates the linked action (at idle).
    void InitiateAction();
    // The action changed: the item takes its values (with CheckDefaults only those it has
    // not set itself).
    virtual void ActionChange(TObject* Sender, bool CheckDefaults);

    // The layout reader puts items into their menu or item through these.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;

protected:
    // The item changed: its parent's platform menu is filled again (Rebuild: the sub-items
    // changed too).
    virtual void MenuChanged(bool Rebuild);
    // The item's entry was put into the platform menu `Menu` (each time the menu is filled):
    // a descendant may change what the entry shows.
    virtual void ItemBuilt(HMENU Menu, bool TopOfBar);
    virtual TBasicActionLink* CreateActionLink();
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TMenu;
    friend class TMainMenu;
    void AppendTo(HMENU Menu, bool TopOfBar);
    TBasicActionLink* FActionLink = nullptr;
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
    int FImageIndex = -1;
    bool FDefault = false;
    UINT FCommand = 0;
    HMENU FHandle = nullptr;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // the menu whose root this item is
    std::vector<TMenuItem*> FItems;
    // Items of merged menus shown in this root (a main menu's).
    std::vector<TMenuItem*> FMerged;
};

// The link of a menu item: the item's setters carry the action's values.
class TMenuActionLink : public TActionLink {
    Q_OBJECT
public:
    explicit TMenuActionLink(TMenuItem* AClient);
    TMenuItem* MenuItem() const { return FClient; }
    bool IsCaptionLinked() override;
    bool IsCheckedLinked() override;
    bool IsEnabledLinked() override;
    bool IsHintLinked() override;
    bool IsImageIndexLinked() override;
    bool IsShortCutLinked() override;
    bool IsVisibleLinked() override;
    bool IsOnExecuteLinked() override;
    void SetCaption(const String& Value) override;
    void SetChecked(bool Value) override;
    void SetEnabled(bool Value) override;
    void SetHint(const String& Value) override;
    void SetImageIndex(int Value) override;
    void SetShortCut(TShortCut Value) override;
    void SetVisible(bool Value) override;
    void SetOnExecute(const TNotifyEvent& Value) override;

protected:
    TMenuItem* FClient;
};

// The character after the last single "&" of a caption (0 when there is none); "&&" is a
// literal "&".
char GetHotkey(const String& Caption);
// Whether a typed character (UTF-16, as CM_DIALOGCHAR carries it) is the caption's hot key,
// whatever its case.
bool IsAccel(WPARAM Key, const String& Caption);
// The caption without its accelerator marks.
String StripHotkey(const String& Caption);

class TMenu : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool OwnerDraw READ OwnerDraw WRITE SetOwnerDraw)
    Q_PROPERTY(TComponent* Images READ ImagesComponent WRITE SetImagesComponent)
    Q_CLASSINFO("Default:OwnerDraw", "False")

public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    // The root item; its sub-items are the menu's entries.
    TMenuItem* Items() const { return FItems; }
    void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The platform menu (a menu bar for a main menu, a pop-up menu otherwise).
    HMENU Handle() { return FItems->Handle(); }
    virtual bool IsBar() const { return false; }
    // Items are drawn by the class library (and OnDrawItem) when OwnerDraw is on or the
    // menu has images.
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool v);
    bool IsOwnerDraw() const { return FOwnerDraw || FImages; }
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* v);
    TComponent* ImagesComponent() const;
    void SetImagesComponent(TComponent* v);

    // Messages from the platform menu: true when an item of this menu took them.
    bool DispatchCommand(UINT Command);
    bool DispatchPopup(HMENU Menu);
    // The item with the command or sub-menu handle of a WM_MENUSELECT; null when none.
    TMenuItem* FindSelected(WPARAM wParam, LPARAM lParam);
    bool DrawMenuItem(DRAWITEMSTRUCT& Draw);
    bool MeasureMenuItem(MEASUREITEMSTRUCT& Measure);
    // Runs the item whose shortcut is Key with Shift; true when there was one.
    bool IsShortCut(WORD Key, TShiftState Shift);
    // Every item of the menu changed (images, owner drawing): all platform menus are filled again.
    virtual void MenuChanged();

private:
    TMenuItem* FItems;
    bool FOwnerDraw = false;
    TCustomImageList* FImages = nullptr;
};

// The menu bar of a form (TCustomForm::Menu).
class TMainMenu : public TMenu {
    Q_OBJECT

public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    bool IsBar() const override { return true; }
    // The items of `Menu` join this menu's: for each group index of theirs, this menu's
    // items of that index are hidden; the others take their place by group index.
    void Merge(TMainMenu* Menu);
    void Unmerge(TMainMenu* Menu);
    // The form whose bar shows this menu (set by the form).
    void SetWindowHandle(HWND Window);
    HWND WindowHandle() const { return FWindow; }
    void MenuChanged() override;

private:
    friend class TMenuItem;
    std::vector<TMainMenu*> FMergedMenus;
    HWND FWindow = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
    Q_OBJECT
    Q_PROPERTY(bool AutoPopup READ AutoPopup WRITE SetAutoPopup)
    Q_PROPERTY(TNotifyEvent OnPopup MEMBER OnPopup)
    Q_CLASSINFO("Default:AutoPopup", "True")

public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment v) { FAlignment = v; }
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
    TPopupAlignment FAlignment = paLeft;
    TComponent* FPopupComponent = nullptr;
};

// The window that the platform tells about pop-up menus (commands, hints, owner drawing),
// for every TPopupMenu in the process.
HWND PopupListWindow();

// A form's handling of its menu messages: WM_COMMAND of a menu, WM_INITMENUPOPUP,
// WM_MENUSELECT (the item's long hint becomes Application's hint, cleared when the menu
// closes or the item has none), WM_MEASUREITEM and WM_DRAWITEM of menu items. True when
// the message was one of them for `Menu`.
bool DispatchMenuMessage(TMenu* Menu, TMessage& Message);

// The seam that shows a pop-up menu. It gets the menu and the screen point and returns
// the chosen item (null: the menu was dismissed). The default shows a real menu.
using TPopupMenuHandler = std::function<TMenuItem*(TPopupMenu* Menu, int X, int Y)>;
// Installs a handler (an empty one restores the real menu); returns the previous one.
TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler Handler);

// Shows the pop-up menu of `Control` or of its nearest parent that has one, for a right
// click at screen point `Pos`; true when a menu was shown.
bool ShowControlPopupMenu(TControl* Control, POINT Pos);

