// Common controls: the up-down control.
#pragma once


#include "classlib/StdCtrls.h"

enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = TEvent<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;

class TCustomUpDown : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(TUDOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(bool Wrap READ Wrap WRITE SetWrap)
    Q_PROPERTY(bool ArrowKeys READ ArrowKeys WRITE SetArrowKeys)
    Q_PROPERTY(TWinControl* Associate READ Associate WRITE SetAssociate)

public:
    enum TUDOrientation { udHorizontal, udVertical };
    Q_ENUM(TUDOrientation)

    explicit TCustomUpDown(TComponent* AOwner);
    int Min() const { return FMin; }
    void SetMin(int v);
    int Max() const { return FMax; }
    void SetMax(int v);
    int Position();
    void SetPosition(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v);
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation v);
    bool Wrap() const { return FWrap; }
    void SetWrap(bool v);
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool v);
    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* v);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual bool CanChange();
    virtual void Click(TUDBtnType Button);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FIncrement = 1;
    TUDOrientation FOrientation = udVertical;
    bool FWrap = false;
    bool FArrowKeys = true;
    TWinControl* FAssociate = nullptr;
    using TWinControl::Click;
};

using TUDOrientation = TCustomUpDown::TUDOrientation;
inline constexpr TUDOrientation udHorizontal = TCustomUpDown::udHorizontal;
inline constexpr TUDOrientation udVertical = TCustomUpDown::udVertical;

class TUpDown : public TCustomUpDown {
    Q_OBJECT
public:
    explicit TUpDown(TComponent* AOwner) : TCustomUpDown(AOwner) {}
};

