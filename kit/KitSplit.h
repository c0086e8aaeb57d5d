// The splitter: a thin panel between two aligned controls of one parent. Dragging it with
// the left button shows an XOR line over the form (on the top-level window's overlay); the
// resized control takes its new size when the button is released, and Escape cancels.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"

using TPosChangingEvent = TEvent<void(TObject* Sender, int X, int Y, bool& Allowed)>;

class TKitSplitter : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(TControl* ControlFirst READ ControlFirst WRITE SetControlFirst)
    Q_PROPERTY(TControl* ControlSecond READ ControlSecond WRITE SetControlSecond)
    // Written by the base class; read through the own setter.
    Q_PROPERTY(TAlign Align READ Align WRITE SetAlign STORED false)
    Q_PROPERTY(int TopLeftLimit READ TopLeftLimit WRITE SetTopLeftLimit)
    Q_PROPERTY(int BottomRightLimit READ BottomRightLimit WRITE SetBottomRightLimit)
    Q_PROPERTY(TPosChangingEvent OnPosChanging MEMBER OnPosChanging)
    Q_PROPERTY(TNotifyEvent OnPosChanged MEMBER OnPosChanged)
    Q_CLASSINFO("Default:TopLeftLimit", "20")
    Q_CLASSINFO("Default:BottomRightLimit", "20")
    Q_CLASSINFO("Default:ParentCtl3D", "False")
    Q_CLASSINFO("Default:Ctl3D", "False")

public:
    // What a drag resizes: 0 nothing, 1 the first control's height, 2 the height of the
    // control aligned bottom (or top, beside a client-aligned first), 3 the first control's
    // width, 4 the width of the control aligned right (or left, beside a client-aligned
    // first).
    enum TResizeMode { rmNone, rmFirstHeight, rmSecondHeight, rmFirstWidth, rmSecondWidth };

    explicit TKitSplitter(TComponent* AOwner);
    ~TKitSplitter() override;

    TControl* ControlFirst() const { return FControlFirst; }
    void SetControlFirst(TControl* Value);
    TControl* ControlSecond() const { return FControlSecond; }
    void SetControlSecond(TControl* Value);
    TAlign Align() const { return TControl::Align(); }
    void SetAlign(TAlign Value);
    int TopLeftLimit() const { return FTopLeftLimit; }
    void SetTopLeftLimit(int Value) { FTopLeftLimit = Value; }
    int BottomRightLimit() const { return FBottomRightLimit; }
    void SetBottomRightLimit(int Value) { FBottomRightLimit = Value; }

    TResizeMode ResizeMode() const;
    // The control a drag resizes (null with mode 0).
    TControl* ResizedControl() const;
    bool IsDragging() const { return FDragging; }
    // Ends a drag as Escape does.
    void CancelDrag();
    // The line's position in the form's client coordinates while dragging (the centre of
    // the splitter at the press).
    POINT LinePosition() const { return FLinePos; }

    TPosChangingEvent OnPosChanging;
    TNotifyEvent OnPosChanged;

    void DefineProperties(TFiler* Filer) override;

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

private:
    void UpdateCursor();
    TCursor SplitCursor() const;
    void ShowDragCursor(bool Forbidden);
    bool Vertical() const;  // the line runs across, heights change
    // The point clamped to the limits, in the splitter's coordinates.
    POINT Clamp(POINT P) const;
    POINT ToForm(POINT P) const;
    void DrawLine();
    void MoveLine(POINT Clamped);
    void EndDrag(bool Apply, POINT Release);
    void ApplyOffset(POINT Point);
    void AppMessage(MSG& Msg, bool& Handled);

    TControl* FControlFirst = nullptr;
    TControl* FControlSecond = nullptr;
    int FTopLeftLimit = 20;
    int FBottomRightLimit = 20;
    bool FDragging = false;
    TResizeMode FMode = rmNone;
    POINT FPress{0, 0};
    POINT FLastAllowed{0, 0};  // last clamped position the line was moved to
    RECT FLimits{0, 0, 0, 0};
    POINT FLinePos{0, 0};
    bool FLineDrawn = false;
    bool FForbidden = false;
    HDC FDC = nullptr;
    HWND FFormWnd = nullptr;
    HPEN FPen = nullptr;
    HGDIOBJ FOldPen = nullptr;
    RECT FLineArea{0, 0, 0, 0};  // the parent's client area in form coordinates
    bool FOldShowHint = true;
    TMessageEvent FOldOnMessage;
    TMessageEvent FOwnOnMessage;
};

void RegisterKitSplit();
