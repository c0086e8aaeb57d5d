// Wide forms and the wide application: forms with UTF-16 windows, captions and hints, and a
// companion of the class library's application object that keeps the application's title
// and hint in UTF-16 and, on UTF-16 windows, hands characters above 255 that are typed into
// UTF-16 windows on in UTF-16.
//
// The program starts the layer once, before the other subsystems (TWideApplicationSession
// in main), and ends it at exit.
#pragma once

#include "classlib/Forms.h"
#include "widetext/WideControls.h"

class TWideAction;
class TWideAppIdleEventControl;

class TWideForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)

public:
    // A form without layout; descendants read their layout in their constructor
    // (ReadLayout), as the class library's forms do.
    Q_INVOKABLE explicit TWideForm(TComponent* AOwner);
    ~TWideForm() override;

    WideString Caption() { return WideGetText(this); }
    void SetCaption(const WideString& Value) { WideSetText(this, Value); }
    WideString Hint() { return WideGetHint(this); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsCaptionStored() const { return ::IsCaptionStored(const_cast<TWideForm*>(this)); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TWideForm*>(this)); }

    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    // The class library's update of the actions, then the application's idle hint.
    void UpdateActions() override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    TBasicActionLink* CreateActionLink() override;
};

class TWideApplication : public TComponent {
    Q_OBJECT

public:
    explicit TWideApplication(TComponent* AOwner);
    ~TWideApplication() override;

    // Synced with the application's 8-bit hint.
    WideString Hint();
    void SetHint(const WideString& Value);
    // The text of the application's window; before the window exists, synced with the
    // application's 8-bit title and kept to be set when the window is made.
    WideString Title();
    void SetTitle(const WideString& Value);
    // The hint of the control under the mouse (or of its first parent with one), long
    // part, becomes the application's hint when it changed since the last update.
    void UpdateIdleHint();
    // The tick count of the last change of the desktop's settings (and of the start).
    DWORD SettingChangeTime() const { return FSettingChangeTime; }

    // The message hook's work on one message taken from the queue; true when it took it.
    bool ProcessMessage(MSG& Message);

private:
    friend class TWideAppIdleEventControl;
    void MainWindowHook(TMessage& Message, bool& Handled);
    TWindowHook FHook;
    TWideAppIdleEventControl* FIdleControl = nullptr;
    bool FIdleControlSetUp = false;
    DWORD FSettingChangeTime = 0;
    WideString FHint;
    WideString FPendingTitle;
    bool FHasPendingTitle = false;
    WideString FLastIdleHint;
    TControl* FLastIdleControl = nullptr;
};

// A control of no size on a main form that is not a wide form: its wide action's update runs
// the application's idle hint update while the class library updates the form's actions.
class TWideAppIdleEventControl : public TControl {
    Q_OBJECT
public:
    explicit TWideAppIdleEventControl(TCustomForm* MainForm);
    ~TWideAppIdleEventControl() override;

private:
    TWideAction* FAction;
};

// Registers the wide forms, labels, buttons, images, menu items and actions for layouts
// (RegisterWideClasses does it with the list and tree views).
void RegisterWideStdClasses();

// The companion of the application object (null before the layer starts and after it ends).
extern TWideApplication* WideApplication;

// Starts the layer: the companion, the popup list's wide hints and, on UTF-16 windows, the
// message hook of the user-interface thread (a failure raises the last system error). Ends
// it in the reverse order. The class library's application object must exist.
void InitWideApplication();
void DoneWideApplication();

// The layer's life for the extent of a scope (main's).
class TWideApplicationSession {
public:
    TWideApplicationSession() { InitWideApplication(); }
    // A failing removal of the hook has no one to hear of it at the end of main.
    ~TWideApplicationSession() {
        try {
            DoneWideApplication();
        } catch (...) {
        }
    }
    TWideApplicationSession(const TWideApplicationSession&) = delete;
    TWideApplicationSession& operator=(const TWideApplicationSession&) = delete;
};
