// Panels, timers and the 3-D frame helper.
#pragma once


#include "classlib/StdCtrls.h"

// Draws a 3-D frame of `width` lines inside `rect` and shrinks `rect` by it.
void Frame3D(TCanvas* canvas, RECT& rect, TColor topColor, TColor bottomColor, int width);

class TCustomPanel : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)

public:
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)

    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut v);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut v);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void AlignControls(TControl* AControl, RECT& Rect) override;

private:
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TFormBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
};

using TBevelCut = TCustomPanel::TBevelCut;
inline constexpr TBevelCut bvNone = TCustomPanel::bvNone;
inline constexpr TBevelCut bvLowered = TCustomPanel::bvLowered;
inline constexpr TBevelCut bvRaised = TCustomPanel::bvRaised;
inline constexpr TBevelCut bvSpace = TCustomPanel::bvSpace;

class TPanel : public TCustomPanel {
    Q_OBJECT
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

class TTimer : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(unsigned Interval READ Interval WRITE SetInterval)

public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    // Enabling a running timer does not restart it.
    void SetEnabled(bool v);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned v);
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent v);

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    void WndProc(TMessage& Message);
    HWND FWindowHandle = nullptr;
    bool FEnabled = true;
    unsigned FInterval = 1000;
    TNotifyEvent FOnTimer;
};

