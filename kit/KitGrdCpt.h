// The gradient caption: a component on a form that paints the form's title bar itself, a
// colour gradient (or a plain fill) with the small window icon and the title, which may be
// made of several pieces with fonts and colours of their own. It hooks the form's window
// procedure, takes the caption out of the region the frame paints and paints it afterwards.
#pragma once

#include "classlib/Forms.h"
#include "classlib/Menus.h"

#include <utility>
#include <vector>

class TKitWindowHook;
class TKitGradientCaption;

namespace KitGrdCptTypes {
Q_NAMESPACE
enum THideDirection { hdLeftToRight, hdRightToLeft };
Q_ENUM_NS(THideDirection)
}  // namespace KitGrdCptTypes
using KitGrdCptTypes::THideDirection;
using enum KitGrdCptTypes::THideDirection;

inline constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
inline constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);

// ---- The caption picture, without windows -------------------------------------------------

// One text of the bar in its font and colour.
struct TCaptionText {
    String Text;
    TFont* Font = nullptr;  // the caller's; null: the canvas's font
    TColor Color = clCaptionText;
    bool Visible = true;
    bool GlueNext = false;  // hidden or shown together with the next piece
};

// What a caption bar shows.
struct TCaptionLook {
    int Width = 0;
    int Height = 0;
    bool Gradient = true;
    TColor StartColor = clWindowText;
    TColor EndColor = clActiveCaption;
    int GradientSteps = 64;
    TGraphic* Icon = nullptr;  // drawn at IconSize x IconSize; none when null
    int IconSize = 16;
    std::vector<TCaptionText> Pieces;
    TCaptionText Caption;  // drawn after the pieces
    THideDirection HideDirection = hdLeftToRight;
};

// A text as placed on the bar: shortened with "..." to the room it had.
struct TPlacedCaptionText {
    String Text;
    int Left = 0;
    int Right = 0;
    int Source = -1;  // index of the piece; -1 for the caption
};

// Where the texts go between Left and Right of the bar. With hdLeftToRight leading pieces
// (with those glued to them) give way while everything does not fit, then each text is
// shortened to the room left; with hdRightToLeft pieces are placed from the left while room
// remains, the caption last.
std::vector<TPlacedCaptionText> PlaceCaptionTexts(TCanvas* Canvas, const TCaptionLook& Look, int Left, int Right);
// Paints the bar into the canvas at (0, 0): the gradient from a quarter of the width left of
// the bar (or the end colour), the icon centred vertically at (height - icon) / 2 + 1, the
// texts from one bar height further right plus 2. Returns the texts drawn.
std::vector<TPlacedCaptionText> PaintCaptionBar(TCanvas* Canvas, const TCaptionLook& Look);
// The bar as a new 24-bit bitmap of its size (the caller's).
TBitmap* RenderCaptionBar(const TCaptionLook& Look, std::vector<TPlacedCaptionText>* Placed = nullptr);

// ---- The component -------------------------------------------------------------------------

class TKitCaption : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_CLASSINFO("Stored:Font", "IsFontStored")
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool GlueNext READ GlueNext WRITE SetGlueNext)
    Q_PROPERTY(int InactiveColor READ InactiveColor WRITE SetInactiveColor)
    Q_CLASSINFO("Idents:InactiveColor", "TColor")
    Q_CLASSINFO("Default:InactiveColor", "clInactiveCaptionText")
    Q_CLASSINFO("Default:ParentFont", "True")
    Q_CLASSINFO("Default:Visible", "True")
    Q_CLASSINFO("Default:GlueNext", "False")

public:
    explicit TKitCaption(TCollection* Collection);
    ~TKitCaption() override;
    void Assign(TPersistent* Source) override;

    String Caption() const { return FCaption; }
    void SetCaption(const String& v);
    TFont* Font() const { return FFont; }
    // Sets ParentFont false.
    void SetFont(TFont* v);
    Q_INVOKABLE bool IsFontStored() const { return !FParentFont; }
    bool ParentFont() const { return FParentFont; }
    // True copies the owner's font.
    void SetParentFont(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool GlueNext() const { return FGlueNext; }
    void SetGlueNext(bool v);
    TColor InactiveColor() const { return FInactiveColor; }
    void SetInactiveColor(TColor v);

    TKitGradientCaption* GradientCaption() const;

private:
    friend class TKitCaptionList;
    friend class TKitGradientCaption;
    void FontChanged(TObject* Sender);
    void TakeParentFont();
    TFont* FFont;
    String FCaption;
    bool FParentFont = true;
    bool FVisible = true;
    bool FGlueNext = false;
    TColor FInactiveColor = clInactiveCaptionText;
    int FSettingFont = 0;
};

class TKitCaptionList : public TCollection {
    Q_OBJECT

public:
    explicit TKitCaptionList(TKitGradientCaption* AOwner);
    TKitGradientCaption* GradientCaption() const { return FOwner; }
    TKitCaption* Add() { return static_cast<TKitCaption*>(TCollection::Add()); }
    TKitCaption* Caption(int Index) const { return Item<TKitCaption>(Index); }

protected:
    void Update(TCollectionItem* Item) override;
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    TKitGradientCaption* FOwner;
};

class TKitGradientCaption : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(TKitCaptionList* Captions READ Captions WRITE SetCaptions)
    Q_PROPERTY(bool DefaultFont READ DefaultFont WRITE SetDefaultFont)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_CLASSINFO("Stored:Font", "IsFontStored")
    Q_PROPERTY(int FontInactiveColor READ FontInactiveColor WRITE SetFontInactiveColor)
    Q_PROPERTY(String FormCaption READ FormCaption WRITE SetFormCaption)
    Q_PROPERTY(bool GradientActive READ GradientActive WRITE SetGradientActive)
    Q_PROPERTY(bool GradientInactive READ GradientInactive WRITE SetGradientInactive)
    Q_PROPERTY(int GradientSteps READ GradientSteps WRITE SetGradientSteps)
    Q_PROPERTY(THideDirection HideDirection READ HideDirection WRITE SetHideDirection)
    Q_PROPERTY(TComponent* PopupMenu READ PopupMenuComponent WRITE SetPopupMenuComponent)
    Q_PROPERTY(int StartColor READ StartColor WRITE SetStartColor)
    Q_PROPERTY(TNotifyEvent OnActivate MEMBER OnActivate)
    Q_PROPERTY(TNotifyEvent OnDeactivate MEMBER OnDeactivate)
    Q_CLASSINFO("Default:Active", "True")
    Q_CLASSINFO("Default:DefaultFont", "True")
    Q_CLASSINFO("Idents:FontInactiveColor", "TColor")
    Q_CLASSINFO("Default:FontInactiveColor", "clInactiveCaptionText")
    Q_CLASSINFO("Default:GradientActive", "True")
    Q_CLASSINFO("Default:GradientInactive", "False")
    Q_CLASSINFO("Default:GradientSteps", "64")
    Q_CLASSINFO("Default:HideDirection", "hdLeftToRight")
    Q_CLASSINFO("Idents:StartColor", "TColor")
    Q_CLASSINFO("Default:StartColor", "clWindowText")

public:
    explicit TKitGradientCaption(TComponent* AOwner);
    ~TKitGradientCaption() override;

    bool Active() const { return FActive; }
    void SetActive(bool v);
    TKitCaptionList* Captions() const { return FCaptions; }
    void SetCaptions(TKitCaptionList* v) { FCaptions->Assign(v); }
    bool DefaultFont() const { return FDefaultFont; }
    // True takes the desktop's caption font again.
    void SetDefaultFont(bool v);
    TFont* Font() const { return FFont; }
    // Sets DefaultFont false.
    void SetFont(TFont* v);
    Q_INVOKABLE bool IsFontStored() const { return !FDefaultFont; }
    TColor FontInactiveColor() const { return FFontInactiveColor; }
    void SetFontInactiveColor(TColor v);
    String FormCaption() const { return FFormCaption; }
    // Also the title the desktop shows for the window (task bar).
    void SetFormCaption(const String& v);
    bool GradientActive() const { return FGradientActive; }
    void SetGradientActive(bool v);
    bool GradientInactive() const { return FGradientInactive; }
    void SetGradientInactive(bool v);
    int GradientSteps() const { return FGradientSteps; }
    void SetGradientSteps(int v);
    THideDirection HideDirection() const { return FHideDirection; }
    void SetHideDirection(THideDirection v);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* v);
    TComponent* PopupMenuComponent() const { return FPopupMenu; }
    void SetPopupMenuComponent(TComponent* v) { SetPopupMenu(qobject_cast<TPopupMenu*>(v)); }
    TColor StartColor() const { return FStartColor; }
    void SetStartColor(TColor v);

    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

    // The form whose bar is painted (the owner, when it is a form).
    TCustomForm* Form() const { return qobject_cast<TCustomForm*>(Owner()); }
    // Whether the form is painted as active.
    bool FormActive() const { return FWindowActive; }
    // The bar in window coordinates; empty for a form without a border.
    RECT CaptionRect() const;
    // What the bar shows now, for a bar of the given size.
    TCaptionLook Look(int Width, int Height) const;
    // Hooks or unhooks the form as Active says and asks it to paint its frame again.
    void Repaint();

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TKitCaptionList;
    friend class TKitCaption;
    void BeforeMessage(TObject* Sender, TMessage& Msg, bool& Handled);
    void AfterMessage(TObject* Sender, TMessage& Msg, bool& Handled);
    void FontChanged(TObject* Sender);
    void SetDesktopFont();
    void PaintCaption();
    bool Painting() const;
    bool Idle() const;
    void UpdateHook();
    void CaptionsChanged();

    TKitWindowHook* FHook = nullptr;
    TKitCaptionList* FCaptions;
    TFont* FFont;
    TPopupMenu* FPopupMenu = nullptr;
    String FFormCaption;
    TColor FFontInactiveColor = clInactiveCaptionText;
    TColor FStartColor = clWindowText;
    int FGradientSteps = 64;
    THideDirection FHideDirection = hdLeftToRight;
    bool FActive = true;
    bool FDefaultFont = true;
    bool FGradientActive = true;
    bool FGradientInactive = false;
    bool FWindowActive = true;
    bool FPopupPressed = false;
    // The regions of the WM_NCPAINTs under way (they nest): the one given, the one passed on.
    std::vector<std::pair<WPARAM, HRGN>> FNcRegions;
    int FSettingFont = 0;
};

void RegisterKitGradientCaption();
