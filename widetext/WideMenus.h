// Wide menus: menu items with UTF-16 captions and hints that the platform menus show, wide
// shortcut texts, hot-key routines and the hints of menu selections.
//
// The class library fills a platform menu with an item's 8-bit caption; a wide item then
// writes its wide caption (and its shortcut text after a tab) into the entry. Owner-drawn
// menus draw and measure the wide texts. Hot keys are the character after the last single
// "&"; "&&" is a literal "&".
#pragma once

#include "classlib/Menus.h"
#include "widetext/WideControls.h"

class TWideMenuItem : public TMenuItem {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)

public:
    Q_INVOKABLE explicit TWideMenuItem(TComponent* AOwner);
    ~TWideMenuItem() override;

    // Synced with the class library's caption; when only the position of the 8-bit
    // caption's hot key was changed apart, the wide caption's hot key moves with it.
    WideString Caption();
    void SetCaption(const WideString& Value);
    WideString Hint();
    void SetHint(const WideString& Value);
    using TMenuItem::SetCaption;
    using TMenuItem::SetHint;
    Q_INVOKABLE bool IsCaptionStored() const;
    Q_INVOKABLE bool IsHintStored() const;

    void Loaded() override;
    void DefineProperties(TFiler* Filer) override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    // Owner drawing with the wide caption and shortcut text.
    void DrawItem(TCanvas* ACanvas, const RECT& ARect, bool Selected) override;
    void MeasureItem(TCanvas* ACanvas, int& Width, int& Height) override;
    // Writes the wide caption into the platform menu entry (when the entry is a text).
    void UpdatePlatformText(bool RedrawBar = true);
    // Whether a pointer is a live wide item (platform menus carry items as their data).
    static TWideMenuItem* FromData(ULONG_PTR Data);

protected:
    void MenuChanged(bool Rebuild) override;
    void ItemBuilt(HMENU Menu, bool TopOfBar) override;
    TBasicActionLink* CreateActionLink() override;

private:
    void updateTextIn(HMENU Menu, bool TopOfBar, bool RedrawBar);
    void drawText(TCanvas* ACanvas, const WideString& Text, RECT& Rect, bool Selected, UINT Flags);
    WideString FCaption;
    WideString FHint;
    bool FSuspended = false;
};

// Writes the wide captions of every wide item of a menu into its platform menus.
void RefreshWideMenu(TMenu* Menu);

// The popup list's handling of hints: it stands in front of the class library's popup list
// window, sets the wide application hint from the wide hint of a selected item and writes
// the wide captions anew when a menu opens. One instance lives from start-up to exit.
class TWidePopupList : public TObject {
    Q_OBJECT
public:
    TWidePopupList();
    ~TWidePopupList() override;

private:
    static LRESULT windowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    WNDPROC FPreviousProc = nullptr;
};

// The menu item of a WM_MENUSELECT (wParam, lParam) in a platform menu, as the platform
// menu's entry carries it; null for a closed menu or an entry of no item.
TMenuItem* MenuItemOfSelection(WPARAM WParam, LPARAM LParam);

// "Ctrl+Z", "Shift+F10": the class library's modifier texts before the key's name. Letters,
// digits and numeric-pad digits are their characters; other keys have their names.
WideString WideShortCutToText(TShortCut ShortCut);

// The 1-based position of the hot key (the character after the last single "&"), 0 when
// there is none.
int WideGetHotKeyPos(const WideString& S);
// The hot-key character as a text (empty when none).
WideString WideGetHotKey(const WideString& S);
// The caption without its hot-key marks ("&&" becomes "&"); on a Far East system locale a
// group "(&X)" goes whole.
WideString WideStripHotKey(const WideString& S);
// Equal after stripping the hot keys, without (WideSameCaption) or with regard to case.
bool WideSameCaption(const WideString& A, const WideString& B);
bool WideSameCaptionStr(const WideString& A, const WideString& B);
// Moves the hot-key marks of Dest to where Source has them, when the two differ only in
// those; raises EWideInternalError when the 8-bit forms still differ afterwards.
void SyncHotKeyPosition(const WideString& Source, WideString& Dest);
