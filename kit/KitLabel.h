// The shadowed label: text drawn twice, offset in a shadow colour and in place, so that it
// looks embossed; it sizes itself to its text, places it top, centre or bottom, shows a
// focus frame for the control it labels and moves the focus there on its accelerator.
#pragma once

#include "classlib/StdCtrls.h"

namespace KitLabelTypes {
Q_NAMESPACE
enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
Q_ENUM_NS(TShadowPosition)
enum TTextLayout { tlTop, tlCenter, tlBottom };
Q_ENUM_NS(TTextLayout)
}  // namespace KitLabelTypes
using KitLabelTypes::TShadowPosition;
using KitLabelTypes::TTextLayout;
using enum KitLabelTypes::TShadowPosition;
using enum KitLabelTypes::TTextLayout;

// Draws the text in the shadow colour offset by ShadowSize, then in place; the rectangle
// becomes the union of both. Returns the drawn height plus the shadow size (when positive).
int PaintTextWithShadow(HDC DC, const String& Text, TShadowPosition ShadowPos, COLORREF ShadowColor, int ShadowSize,
                        UINT Format, RECT& Rect);

class TKitCustomLabel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TWinControl* FocusControl READ FocusControl WRITE SetFocusControl)
    Q_PROPERTY(TTextLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowSize READ ShadowSize WRITE SetShadowSize)
    Q_PROPERTY(TShadowPosition ShadowPos READ ShadowPos WRITE SetShadowPos)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool ShowFocus READ ShowFocus WRITE SetShowFocus)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(TNotifyEvent OnMouseEnter MEMBER OnMouseEnter)
    Q_PROPERTY(TNotifyEvent OnMouseLeave MEMBER OnMouseLeave)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AutoSize", "True")
    Q_CLASSINFO("Default:Layout", "tlTop")
    Q_CLASSINFO("Idents:ShadowColor", "TColor")
    Q_CLASSINFO("Default:ShadowColor", "clBtnHighlight")
    Q_CLASSINFO("Default:ShadowSize", "1")
    Q_CLASSINFO("Default:ShadowPos", "spLeftTop")
    Q_CLASSINFO("Default:ShowAccelChar", "True")
    Q_CLASSINFO("Default:ShowFocus", "False")
    Q_CLASSINFO("Default:Transparent", "False")
    Q_CLASSINFO("Default:WordWrap", "False")
    Q_CLASSINFO("Default:ParentColor", "True")

public:
    explicit TKitCustomLabel(TComponent* AOwner);
    ~TKitCustomLabel() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool v);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* v);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout v);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor v);
    int ShadowSize() const { return FShadowSize; }
    void SetShadowSize(int v);  // 0 to 255
    TShadowPosition ShadowPos() const { return FShadowPos; }
    void SetShadowPos(TShadowPosition v);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool v);
    bool ShowFocus() const { return FShowFocus; }
    void SetShowFocus(bool v);
    bool Transparent() const { return (ControlStyle & csOpaque) == 0; }
    void SetTransparent(bool v);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v);
    bool MouseInControl() const { return FMouseInControl; }
    bool FocusedState() const { return FFocused; }

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    void Dispatch(TMessage& Message) override;

protected:
    virtual TColor GetDefaultFontColor() { return FFont->Color(); }
    virtual String GetLabelText() { return GetText(); }
    virtual void MouseEnter();
    virtual void MouseLeave();
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    void AdjustBounds();
    // Draws (or with DT_CALCRECT measures) the label's text into Rect.
    void DoDrawText(HDC DC, RECT& Rect, UINT Flags);
    int FLeftMargin = 0;
    int FRightMargin = 0;

private:
    void UpdateMouseInControl();
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    TWinControl* FFocusControl = nullptr;
    TTextLayout FLayout = tlTop;
    TColor FShadowColor = clBtnHighlight;
    int FShadowSize = 1;
    TShadowPosition FShadowPos = spLeftTop;
    bool FShowAccelChar = true;
    bool FShowFocus = false;
    bool FWordWrap = false;
    bool FFocused = false;
    bool FMouseInControl = false;
    bool FDragging = false;
};

class TKitLabel : public TKitCustomLabel {
    Q_OBJECT
public:
    explicit TKitLabel(TComponent* AOwner) : TKitCustomLabel(AOwner) {}
};

void RegisterKitLabel();
