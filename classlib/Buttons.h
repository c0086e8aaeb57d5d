// Speed buttons.
#pragma once


#include "classlib/ExtCtrls.h"

class TSpeedButton : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(String Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(TBitmap* Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_CLASSINFO("Default:AllowAllUp", "False")
    Q_CLASSINFO("Default:GroupIndex", "0")
    Q_CLASSINFO("Default:Down", "False")
    Q_CLASSINFO("Default:Flat", "False")
    Q_CLASSINFO("Default:Margin", "-1")
    Q_CLASSINFO("Default:NumGlyphs", "1")
    Q_CLASSINFO("Default:Spacing", "4")
    Q_CLASSINFO("Default:ParentFont", "True")

public:
    enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool v);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v);
    bool Down() const { return FDown; }
    void SetDown(bool v);
    bool Flat() const { return FFlat; }
    void SetFlat(bool v);
    TBitmap* Glyph() const { return FGlyph; }
    void SetGlyph(TBitmap* v);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int v);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int v);
    int Margin() const { return FMargin; }
    void SetMargin(int v);
    TButtonState State() const { return FState; }
    void Click() override;
    void Dispatch(TMessage& Message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void UpdateExclusive();
    TBitmap* FGlyph;
    bool FAllowAllUp = false;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FFlat = false;
    int FNumGlyphs = 1;
    int FSpacing = 4;
    int FMargin = -1;
    bool FDragging = false;
    bool FMouseInControl = false;
    TButtonState FState = bsUp;
};

