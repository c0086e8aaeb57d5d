// The shell change notifier: registers with the shell's change notification for one
// item-id list and a list of directories, turns each notification into an event with the
// lists and paths it concerns, and hands it to the views' internal handler at once and to
// OnChange a little later (a queued call that dies with the notifier).
#pragma once

#include "classlib/Controls.h"
#include "shell/NavControls.h"
#include "widetext/WideClasses.h"

#include <functional>
#include <map>

namespace ShellNotifierEnums {
Q_NAMESPACE
enum TNotificationEvent {
    neAssociationChange,
    neAttributesChange,
    neFileChange,
    neFileCreate,
    neFileDelete,
    neFileRename,
    neDriveAdd,
    neDriveRemove,
    neShellDriveAdd,
    neDriveSpaceChange,
    neMediaInsert,
    neMediaRemove,
    neFolderCreate,
    neFolderDelete,
    neFolderRename,
    neFolderUpdate,
    neNetShare,
    neNetUnShare,
    neServerDisconnect,
    neImageListChange,
    neUnknown
};
Q_ENUM_NS(TNotificationEvent)
}  // namespace ShellNotifierEnums
using ShellNotifierEnums::TNotificationEvent;
using enum ShellNotifierEnums::TNotificationEvent;

// A set of events: bit n stands for the event of value n.
using TNotificationEvents = unsigned;
inline constexpr TNotificationEvents NotificationEventBit(TNotificationEvent Event) { return 1u << Event; }
inline constexpr TNotificationEvents AllNotificationEvents = 0xFFFFF;  // every event but neUnknown

// The shell's event bit of an event, and the event of a bit (neUnknown for others).
LONG ShellEventOf(TNotificationEvent Event);
TNotificationEvent NotificationEventOf(LONG ShellEvent);

// The message the notifier's window receives.
inline constexpr UINT WM_SHELLNOTIFY = 2011;

using TNavShellNotifierEvent =
    TEvent<void(TObject* Sender, TNotificationEvent Event, const WideString& Path1, const WideString& Path2)>;
// How the views hear changes: the event and its two lists (valid during the call).
using TNavShellChangeHandler = std::function<void(TNotificationEvent Event, LPCITEMIDLIST List1, LPCITEMIDLIST List2)>;

class TNavShellChangeNotifier : public TNavBaseComponent {
    Q_OBJECT
    Q_PROPERTY(TWideStrings* Directories READ Directories WRITE SetDirectories)
    Q_PROPERTY(bool Recursive READ Recursive WRITE SetRecursive)
    Q_PROPERTY(unsigned EventFilter READ EventFilter WRITE SetEventFilter)
    Q_PROPERTY(TNavShellNotifierEvent OnChange MEMBER OnChange)
    Q_CLASSINFO("Default:Recursive", "True")
    Q_CLASSINFO("Default:EventFilter", "1048575")

public:
    explicit TNavShellChangeNotifier(TComponent* AOwner);
    ~TNavShellChangeNotifier() override;

    // A change starts or stops the registrations.
    void SetEnabled(bool Value) override;
    // The list to watch (the views' folder); registers it anew.
    void SetPidl(LPCITEMIDLIST List);
    LPCITEMIDLIST Pidl() const { return FPidl.get(); }
    // Sorted paths; every change registers what was added and deregisters what went.
    TWideStrings* Directories() const { return FDirectories.get(); }
    void SetDirectories(TWideStrings* Value);
    bool Recursive() const { return FRecursive; }
    void SetRecursive(bool Value);
    TNotificationEvents EventFilter() const { return FEventFilter; }
    void SetEventFilter(TNotificationEvents Value);
    void SetInternalHandler(TNavShellChangeHandler Handler) { FHandler = std::move(Handler); }
    // Whether the registrations are in place, and how many there are.
    bool IsRegistered() const { return FRegistered; }
    int RegistrationCount() const;
    HWND WindowHandle() const { return FWindow; }

    TNavShellNotifierEvent OnChange;

    // The time events of one kind for one object count as one (milliseconds).
    static constexpr unsigned long long RepeatWindow = 2500;

private:
    void Start();
    void Stop();
    void Restart();
    ULONG registerList(LPCITEMIDLIST List);
    void syncDirectories();
    void directoriesChanged(TObject*);
    void WndProc(TMessage& Message);
    void notified(LPITEMIDLIST* Lists, LONG Code);

    HWND FWindow = nullptr;
    std::unique_ptr<TWideStringList> FDirectories;
    std::map<WideString, ULONG> FDirectoryIds;  // the registration of each directory
    bool FRecursive = true;
    TNotificationEvents FEventFilter = AllNotificationEvents;
    TPidl FPidl;
    ULONG FPidlId = 0;
    bool FRegistered = false;
    bool FChangingDirectories = false;
    TNotificationEvent FLastEvent = neUnknown;
    TPidl FLastList;
    unsigned long long FLastTick = 0;
    TNavShellChangeHandler FHandler;
};
