// Window hooks: a component that watches, and may swallow, the messages of a windowed
// control by putting its own window procedure in front of the control's.
#pragma once

#include "classlib/Controls.h"

#include <QPointer>
#include <vector>

class TControlHook;

// Private messages of the hook list's utility window.
inline constexpr UINT CM_KIT_REINSTALLHOOK = 0xB052;
inline constexpr UINT CM_KIT_FREEHOOK = 0xB053;

using THookMessageEvent = TEvent<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

class TKitWindowHook : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(TWinControl* WinControl READ WinControl WRITE SetWinControl)
    Q_CLASSINFO("Stored:WinControl", "IsWinControlStored")
    Q_PROPERTY(THookMessageEvent BeforeMessage MEMBER BeforeMessage)
    Q_PROPERTY(THookMessageEvent AfterMessage MEMBER AfterMessage)
    Q_CLASSINFO("Default:Active", "True")

public:
    explicit TKitWindowHook(TComponent* AOwner);
    ~TKitWindowHook() override;

    bool Active() const { return FActive; }
    void SetActive(bool v);
    TWinControl* WinControl() const;
    void SetWinControl(TWinControl* v);
    Q_INVOKABLE bool IsWinControlStored() const;

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

    // The subclassing object this hook is attached to (null while inactive).
    TControlHook* ControlHook() const { return FControlHook; }

    void DefineProperties(TFiler* Filer) override;

protected:
    virtual void DoBeforeMessage(TMessage& Msg, bool& Handled);
    virtual void DoAfterMessage(TMessage& Msg, bool& Handled);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TControlHook;
    void Attach();
    void Detach();
    bool IsFormStored() const;
    bool FActive = true;
    TWinControl* FControl = nullptr;
    TComponent* FControlComponent = nullptr;  // the same object, for its removal while it is torn down
    TControlHook* FControlHook = nullptr;
};

// One subclassing of a control's window shared by every hook on that control.
class TControlHook : public TObject {
    Q_OBJECT

public:
    TControlHook();
    ~TControlHook() override;

    // The control, or null once it is gone or being torn down past its windowed part.
    TWinControl* Control() const { return qobject_cast<TWinControl*>(FControl.data()); }
    void SetControl(TWinControl* v);
    int ClientCount() const { return static_cast<int>(FClients.size()); }
    bool Installed() const { return FPrevProc != nullptr; }
    WNDPROC NewProc() const { return FNewProc; }

    void AddClient(TKitWindowHook* Client);
    void RemoveClient(TKitWindowHook* Client);
    void Install();
    void Uninstall();

private:
    void HookWndProc(TMessage& Msg);
    void Notify(TMessage& Msg, bool& Handled, bool Before);
    bool Usable() const;
    QPointer<QObject> FControl;
    std::vector<TKitWindowHook*> FClients;
    WNDPROC FNewProc = nullptr;
    WNDPROC FPrevProc = nullptr;
    bool FDestroying = false;
};

// The process's subclassing objects, and a hidden window for work after the current
// message.
namespace kithooks {
TControlHook* FindHook(TWinControl* Control);
int HookCount();
HWND UtilityWindow();
// Frees every subclassing object and the utility window (at program end; tests).
void FreeHookList();
}  // namespace kithooks

void RegisterKitHook();
