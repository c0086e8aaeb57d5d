// The kit's speed button: a non-windowed push button with a glyph of up to five state
// pictures, four arrangements of glyph and caption, flat and transparent looks, grouped
// (radio-like) buttons, auto-repeat while held down and a drop-down menu.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Menus.h"
#include "kit/KitGlyphs.h"

// Broadcast to the parent's controls when a grouped button went down (WParam: the group,
// LParam: the button).
inline constexpr UINT CM_KITBUTTONPRESSED = 0xB051;

namespace KitSpeedButtonTypes {
Q_NAMESPACE
enum TDropDownMenuPos { dmpBottom, dmpRight };
Q_ENUM_NS(TDropDownMenuPos)
}  // namespace KitSpeedButtonTypes
using KitSpeedButtonTypes::TDropDownMenuPos;
using enum KitSpeedButtonTypes::TDropDownMenuPos;

using TKitNumGlyphs = int;  // 1 to 5

class TKitSpeedButton : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(bool AllowTimer READ AllowTimer WRITE SetAllowTimer)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(TPopupMenu* DropDownMenu READ DropDownMenu WRITE SetDropDownMenu)
    Q_PROPERTY(TDropDownMenuPos MenuPosition READ MenuPosition WRITE SetMenuPosition)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(TBitmap* Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(bool GrayedInactive READ GrayedInactive WRITE SetGrayedInactive)
    Q_PROPERTY(int InitPause READ InitPause WRITE SetInitPause)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(bool MarkDropDown READ MarkDropDown WRITE SetMarkDropDown)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(int RepeatInterval READ RepeatInterval WRITE SetRepeatInterval)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(TButtonStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(TNotifyEvent OnMouseEnter MEMBER OnMouseEnter)
    Q_PROPERTY(TNotifyEvent OnMouseLeave MEMBER OnMouseLeave)
    Q_CLASSINFO("Default:Alignment", "taCenter")
    Q_CLASSINFO("Default:AllowAllUp", "False")
    Q_CLASSINFO("Default:AllowTimer", "False")
    Q_CLASSINFO("Default:GroupIndex", "0")
    Q_CLASSINFO("Default:Down", "False")
    Q_CLASSINFO("Default:MenuPosition", "dmpBottom")
    Q_CLASSINFO("Default:Flat", "False")
    Q_CLASSINFO("Default:GrayedInactive", "True")
    Q_CLASSINFO("Default:InitPause", "500")
    Q_CLASSINFO("Default:Layout", "blGlyphTop")
    Q_CLASSINFO("Default:Margin", "-1")
    Q_CLASSINFO("Default:MarkDropDown", "True")
    Q_CLASSINFO("Default:ModalResult", "0")
    Q_CLASSINFO("Default:NumGlyphs", "1")
    Q_CLASSINFO("Default:RepeatInterval", "100")
    Q_CLASSINFO("Default:Spacing", "1")
    Q_CLASSINFO("Default:Style", "bsAutoDetect")
    Q_CLASSINFO("Default:Transparent", "False")
    Q_CLASSINFO("Default:WordWrap", "False")
    Q_CLASSINFO("Default:ParentShowHint", "False")

public:
    explicit TKitSpeedButton(TComponent* AOwner);
    ~TKitSpeedButton() override;

    TAlignment Alignment() const { return FGlyph->Alignment(); }
    void SetAlignment(TAlignment v);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool v);
    bool AllowTimer() const { return FAllowTimer; }
    void SetAllowTimer(bool v);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v);
    bool Down() const { return FDown; }
    void SetDown(bool v);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* v);
    TDropDownMenuPos MenuPosition() const { return FMenuPosition; }
    void SetMenuPosition(TDropDownMenuPos v) { FMenuPosition = v; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool v);
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* v);
    bool GrayedInactive() const { return FGrayedInactive; }
    void SetGrayedInactive(bool v);
    int InitPause() const { return FInitPause; }
    void SetInitPause(int v) { FInitPause = v; }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout v);
    int Margin() const { return FMargin; }
    void SetMargin(int v);
    bool MarkDropDown() const { return FMarkDropDown; }
    void SetMarkDropDown(bool v);
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int v) { FModalResult = v; }
    TKitNumGlyphs NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(TKitNumGlyphs v);
    int RepeatInterval() const { return FRepeatInterval; }
    void SetRepeatInterval(int v) { FRepeatInterval = v; }
    int Spacing() const { return FSpacing; }
    void SetSpacing(int v);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle v);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    bool WordWrap() const { return FGlyph->WordWrap(); }
    void SetWordWrap(bool v);

    // The state being shown (up, disabled, down, exclusive) and whether the mouse is over it.
    TButtonState ButtonState() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    // The state the face is drawn in: the state, or inactive for a flat button the mouse is
    // not over.
    TButtonState DrawState() const;
    TKitButtonGlyph* ButtonGlyph() const { return FGlyph; }
    // The repeat timer, once made.
    TTimer* RepeatTimer() const { return FRepeatTimer; }
    // Opens the drop-down menu as a press would (Manual: also without its auto-popup).
    bool CheckMenuDropDown(bool Manual);
    // Live buttons in the process.
    static int ButtonCount();

    void Click() override;
    void DblClick() override;
    void Dispatch(TMessage& Message) override;
    void Loaded() override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    virtual void PaintGlyph(TCanvas* Canvas, const RECT& ARect, bool PopupMark, TButtonState AState);
    virtual void MouseEnter();
    virtual void MouseLeave();
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Re-evaluates whether the mouse is over the button.
    void UpdateTracking();
    bool Dragging() const { return FDragging; }
    TKitButtonGlyph* FGlyph;

private:
    void GlyphChanged(TObject* Sender);
    void UpdateExclusive();
    void TimerExpired(TObject* Sender);
    void DoMouseUp(int X, int Y);
    POINT DropDownMenuPoint() const;
    TButtonState FState = bsUp;
    bool FDragging = false;
    bool FMouseInControl = false;
    bool FMenuTracking = false;
    bool FAllowAllUp = false;
    bool FAllowTimer = false;
    int FGroupIndex = 0;
    bool FDown = false;
    TPopupMenu* FDropDownMenu = nullptr;
    TDropDownMenuPos FMenuPosition = dmpBottom;
    bool FFlat = false;
    bool FGrayedInactive = true;
    int FInitPause = 500;
    TButtonLayout FLayout = blGlyphTop;
    int FMargin = -1;
    bool FMarkDropDown = true;
    int FModalResult = 0;
    int FRepeatInterval = 100;
    int FSpacing = 1;
    TButtonStyle FStyle = bsAutoDetect;
    bool FTransparent = false;
    TBitmap* FDrawImage;
    TTimer* FRepeatTimer = nullptr;
};

void RegisterKitButtons();
