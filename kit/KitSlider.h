// The slider: an integer value on a ruler drawn from bitmaps, moved by dragging the thumb,
// clicking the ruler beside it (repeating while held), the wheel and the keyboard.
#pragma once

#include "classlib/ExtCtrls.h"

namespace KitSliderTypes {
Q_NAMESPACE
enum TSliderOrientation { soHorizontal, soVertical };
Q_ENUM_NS(TSliderOrientation)
enum TSliderOption { soShowFocus = 1, soShowPoints = 2, soSmooth = 4, soRulerOpaque = 8, soThumbOpaque = 16 };
Q_DECLARE_FLAGS(TSliderOptions, TSliderOption)
Q_FLAG_NS(TSliderOptions)
}  // namespace KitSliderTypes
using KitSliderTypes::TSliderOption;
using KitSliderTypes::TSliderOptions;
using KitSliderTypes::TSliderOrientation;
using enum KitSliderTypes::TSliderOrientation;
using enum KitSliderTypes::TSliderOption;

class TKitCustomSlider : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(TCustomPanel::TBevelCut BevelStyle READ BevelStyle WRITE SetBevelStyle)
    Q_PROPERTY(TBitmap* ImageHThumb READ ImageHThumb WRITE SetImageHThumb)
    Q_CLASSINFO("Stored:ImageHThumb", "IsImage0Stored")
    Q_PROPERTY(TBitmap* ImageHRuler READ ImageHRuler WRITE SetImageHRuler)
    Q_CLASSINFO("Stored:ImageHRuler", "IsImage1Stored")
    Q_PROPERTY(TBitmap* ImageVThumb READ ImageVThumb WRITE SetImageVThumb)
    Q_CLASSINFO("Stored:ImageVThumb", "IsImage2Stored")
    Q_PROPERTY(TBitmap* ImageVRuler READ ImageVRuler WRITE SetImageVRuler)
    Q_CLASSINFO("Stored:ImageVRuler", "IsImage3Stored")
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(int NumThumbStates READ NumThumbStates WRITE SetNumThumbStates)
    Q_PROPERTY(TSliderOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(int EdgeSize READ EdgeSize WRITE SetEdgeSize)
    Q_PROPERTY(TSliderOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)
    Q_PROPERTY(TNotifyEvent OnChanged MEMBER OnChanged)
    Q_PROPERTY(TNotifyEvent OnDrawPoints MEMBER OnDrawPoints)
    Q_CLASSINFO("Default:BevelStyle", "bvNone")
    Q_CLASSINFO("Default:Increment", "10")
    Q_CLASSINFO("Default:MinValue", "0")
    Q_CLASSINFO("Default:MaxValue", "100")
    Q_CLASSINFO("Default:NumThumbStates", "2")
    Q_CLASSINFO("Default:Orientation", "soHorizontal")
    Q_CLASSINFO("Default:EdgeSize", "2")
    Q_CLASSINFO("Default:Options", "[soShowFocus, soShowPoints, soSmooth]")
    Q_CLASSINFO("Default:Value", "0")
    Q_CLASSINFO("Default:ParentColor", "True")
    Q_CLASSINFO("Default:TabStop", "True")

public:
    explicit TKitCustomSlider(TComponent* AOwner);
    ~TKitCustomSlider() override;

    TCustomPanel::TBevelCut BevelStyle() const { return FBevelStyle; }
    void SetBevelStyle(TCustomPanel::TBevelCut v);
    TBitmap* ImageHThumb() const { return FImages[0]; }
    TBitmap* ImageHRuler() const { return FImages[1]; }
    TBitmap* ImageVThumb() const { return FImages[2]; }
    TBitmap* ImageVRuler() const { return FImages[3]; }
    void SetImageHThumb(TBitmap* v) { SetImage(0, v); }
    void SetImageHRuler(TBitmap* v) { SetImage(1, v); }
    void SetImageVThumb(TBitmap* v) { SetImage(2, v); }
    void SetImageVRuler(TBitmap* v) { SetImage(3, v); }
    // Index 0 to 3; null loads the built-in picture again.
    void SetImage(int Index, TBitmap* v);
    Q_INVOKABLE bool IsImage0Stored() const { return (FUserImages & 1) != 0; }
    Q_INVOKABLE bool IsImage1Stored() const { return (FUserImages & 2) != 0; }
    Q_INVOKABLE bool IsImage2Stored() const { return (FUserImages & 4) != 0; }
    Q_INVOKABLE bool IsImage3Stored() const { return (FUserImages & 8) != 0; }
    int Increment() const { return FIncrement; }
    // Outside reading, a value not in 1..MaxValue-MinValue raises EInvalidOperation.
    void SetIncrement(int v);
    int MinValue() const { return FMinValue; }
    void SetMinValue(int v);
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int v);
    void SetRange(int Min, int Max);
    int NumThumbStates() const { return FNumThumbStates; }
    void SetNumThumbStates(int v);
    TSliderOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TSliderOrientation v);
    int EdgeSize() const { return FEdgeSize; }
    void SetEdgeSize(int v);
    TSliderOptions Options() const { return FOptions; }
    void SetOptions(TSliderOptions v);
    int Value() const { return FValue; }
    void SetValue(int v);

    // Geometry, in client coordinates.
    RECT ThumbRect() const { return FThumbRect; }
    POINT RulerOrigin() const { return FRulerOrg; }
    TBitmap* Ruler() const { return FRuler; }
    RECT PointsRect() const { return FPointsRect; }
    bool Tracking() const { return FTracking; }
    bool TimerTracking() const { return FTimerActive; }
    // The pixel of a value along the ruler, and the value of a pixel.
    int GetOffsetByValue(int v) const;
    int GetValueByOffset(int p) const;
    virtual RECT GetSliderRect() const;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanged;
    TNotifyEvent OnDrawPoints;

    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;

protected:
    virtual bool CanModify() { return true; }
    virtual int GetValue() const { return FValue; }
    virtual void AdjustElements();
    virtual void RangeChanged() {}
    virtual void ThumbMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void ThumbMouseMove(TShiftState Shift, int X, int Y);
    virtual void ThumbMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void DrawPoints(TCanvas* Canvas);
    virtual void Change();
    virtual void Changed();
    void Loaded() override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;

private:
    enum TJumpMode { jmNone, jmHome, jmEnd, jmNext, jmPrior };
    bool Reading() const;
    bool RangeValid() const { return FMaxValue > FMinValue; }
    int ThumbLength() const;
    int RulerLength() const;
    int Usable() const;
    int Origin() const;
    void LoadDefaultImage(int Index);
    void BuildRuler(const RECT& R);
    void SetThumbOffset(int p);
    void InvalidateThumb();
    bool JumpTo(TJumpMode Mode);
    void TimerTrack();
    void StopTimerTracking(bool FireChanged);
    TJumpMode HitSide(POINT P) const;
    void WMTimer();

    TBitmap* FImages[4] = {};
    unsigned FUserImages = 0;
    TBitmap* FRuler = nullptr;
    TCustomPanel::TBevelCut FBevelStyle = TCustomPanel::bvNone;
    int FIncrement = 10;
    int FMinValue = 0;
    int FMaxValue = 100;
    int FNumThumbStates = 2;
    TSliderOrientation FOrientation = soHorizontal;
    int FEdgeSize = 2;
    TSliderOptions FOptions = TSliderOptions(soShowFocus | soShowPoints | soSmooth);
    int FValue = 0;
    POINT FRulerOrg{};
    RECT FThumbRect{};
    RECT FPointsRect{};
    int FBevelWidth = 1;
    bool FFocused = false;
    bool FTracking = false;
    bool FThumbDown = false;
    bool FTimerTracking = false;
    bool FTimerActive = false;
    POINT FMousePos{};
    TJumpMode FHit = jmNone;
    int FHitOffset = 0;
    bool FCreating = true;
};

class TKitSlider : public TKitCustomSlider {
    Q_OBJECT
public:
    explicit TKitSlider(TComponent* AOwner) : TKitCustomSlider(AOwner) {}
};

void RegisterKitSlider();
