// The shell change notifier over the platform's change notification.
#include "shell/ShellNotifier.h"

#include "classlib/Controls.h"
#include "platform/shellnotify.h"
#include "widetext/WideSystem.h"

#include <QMetaObject>

#include <algorithm>
#include <cstdio>

namespace {

constexpr LONG kEventBits[] = {SHCNE_ASSOCCHANGED, SHCNE_ATTRIBUTES,   SHCNE_UPDATEITEM,    SHCNE_CREATE,
                               SHCNE_DELETE,       SHCNE_RENAMEITEM,   SHCNE_DRIVEADD,      SHCNE_DRIVEREMOVED,
                               SHCNE_DRIVEADDGUI,  SHCNE_FREESPACE,    SHCNE_MEDIAINSERTED, SHCNE_MEDIAREMOVED,
                               SHCNE_MKDIR,        SHCNE_RMDIR,        SHCNE_RENAMEFOLDER,  SHCNE_UPDATEDIR,
                               SHCNE_NETSHARE,     SHCNE_NETUNSHARE,   SHCNE_SERVERDISCONNECT, SHCNE_UPDATEIMAGE,
                               SHCNE_ALLEVENTS};
static_assert(std::size(kEventBits) == neUnknown + 1);

bool sameObject(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    std::shared_ptr<IShellFolder> desktop = DesktopFolder();
    if (!desktop || !a || !b) return false;
    const HRESULT hr = desktop->CompareIDs(0, a, b);
    return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

// The value a notification of a number carries.
WideString numberOf(LPCITEMIDLIST list) {
    if (!list || list->mkid.cb < sizeof(SHChangeDWORDAsIDList) - sizeof(USHORT)) return {};
    const auto* block = reinterpret_cast<const SHChangeDWORDAsIDList*>(list);
    char text[16];
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(block->dwItem1));
    return AnsiToWide(text);
}

}  // namespace

LONG ShellEventOf(TNotificationEvent Event) {
    const int e = static_cast<int>(Event);
    return e >= 0 && e <= neUnknown ? kEventBits[e] : 0;
}

TNotificationEvent NotificationEventOf(LONG ShellEvent) {
    for (int e = 0; e < neUnknown; ++e)
        if (kEventBits[e] == ShellEvent) return static_cast<TNotificationEvent>(e);
    return neUnknown;
}

TNavShellChangeNotifier::TNavShellChangeNotifier(TComponent* AOwner)
    : TNavBaseComponent(AOwner), FDirectories(std::make_unique<TWideStringList>()) {
    FDirectories->SetCaseSensitive(true);  // paths compare exactly
    FDirectories->SetSorted(true);
    FDirectories->SetDuplicates(dupIgnore);
    FDirectories->OnChange = TNotifyEvent(this, &TNavShellChangeNotifier::directoriesChanged);
    if (!ComponentState().Contains(csDesigning)) {
        FWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
        // Enabled from the start: until told otherwise it watches the computer.
        Start();
    }
}

TNavShellChangeNotifier::~TNavShellChangeNotifier() {
    if (!ComponentState().Contains(csDesigning)) Stop();
    FDirectories->OnChange = nullptr;
    if (FWindow) DeallocateHWnd(FWindow);
    FWindow = nullptr;
}

void TNavShellChangeNotifier::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (Value)
        Start();
    else
        Stop();
}

void TNavShellChangeNotifier::SetPidl(LPCITEMIDLIST List) {
    Stop();
    if (FDirectories->Count() == 1 && FDirectories->Strings(0).empty()) {
        FChangingDirectories = true;
        FDirectories->Clear();
        FChangingDirectories = false;
    }
    FPidl = List ? PidlCopy(List) : nullptr;
    Start();
}

void TNavShellChangeNotifier::SetDirectories(TWideStrings* Value) {
    if (Value)
        FDirectories->Assign(Value);
    else
        FDirectories->Clear();
}

void TNavShellChangeNotifier::SetRecursive(bool Value) {
    if (Value == FRecursive) return;
    FRecursive = Value;
    if (FRegistered) Restart();
}

void TNavShellChangeNotifier::SetEventFilter(TNotificationEvents Value) {
    if (Value == FEventFilter) return;
    FEventFilter = Value;
    if (FRegistered) Restart();
}

int TNavShellChangeNotifier::RegistrationCount() const {
    int n = FPidlId ? 1 : 0;
    for (const auto& [path, id] : FDirectoryIds) n += id ? 1 : 0;
    return n;
}

ULONG TNavShellChangeNotifier::registerList(LPCITEMIDLIST List) {
    if (!FWindow || !List) return 0;
    LONG events = 0;
    for (int e = 0; e < neUnknown; ++e)
        if (FEventFilter & NotificationEventBit(static_cast<TNotificationEvent>(e))) events |= kEventBits[e];
    const int sources = (FRecursive ? SHCNRF_RecursiveInterrupt : 0) | SHCNRF_InterruptLevel | SHCNRF_ShellLevel;
    const SHChangeNotifyEntry entry{List, FRecursive ? TRUE : FALSE};
    return SHChangeNotifyRegister(FWindow, sources, events, WM_SHELLNOTIFY, 1, &entry);
}

void TNavShellChangeNotifier::Start() {
    if (!FEnabled || ComponentState().Contains(csDesigning)) return;
    if (FDirectories->Count() == 0 && !FHandler && !FPidl) {
        // Nothing named: the computer, with everything below it.
        FChangingDirectories = true;
        FDirectories->Add(WideString());
        FChangingDirectories = false;
        FRecursive = true;
    }
    if (FPidl && !FPidlId) FPidlId = registerList(FPidl.get());
    FRegistered = true;
    syncDirectories();
}

void TNavShellChangeNotifier::Stop() {
    if (FPidlId) SHChangeNotifyDeregister(FPidlId);
    FPidlId = 0;
    for (auto& [path, id] : FDirectoryIds)
        if (id) SHChangeNotifyDeregister(id);
    FDirectoryIds.clear();
    FRegistered = false;
}

void TNavShellChangeNotifier::Restart() {
    Stop();
    Start();
}

// Registers the directories not registered yet and deregisters those that left the list.
void TNavShellChangeNotifier::syncDirectories() {
    for (auto it = FDirectoryIds.begin(); it != FDirectoryIds.end();) {
        int index = -1;
        if (!FRegistered || !FDirectories->Find(it->first, index)) {
            if (it->second) SHChangeNotifyDeregister(it->second);
            it = FDirectoryIds.erase(it);
        } else {
            ++it;
        }
    }
    if (!FRegistered) return;
    for (int i = 0; i < FDirectories->Count(); ++i) {
        const WideString path = FDirectories->Strings(i);
        if (FDirectoryIds.count(path)) continue;
        TPidl list = PathToPidl(nullptr, path);
        // A folder that cannot be parsed now gets another try at the next change.
        if (list) FDirectoryIds[path] = registerList(list.get());
    }
}

void TNavShellChangeNotifier::directoriesChanged(TObject*) {
    if (FChangingDirectories) return;
    if (FDirectories->Count() > 1 && FDirectories->Strings(0).empty()) {
        FChangingDirectories = true;
        FDirectories->Delete(0);
        FChangingDirectories = false;
    }
    syncDirectories();
}

void TNavShellChangeNotifier::WndProc(TMessage& m) {
    if (m.Msg != WM_SHELLNOTIFY) {
        m.Result = DefWindowProcW(FWindow, m.Msg, m.WParam, m.LParam);
        return;
    }
    m.Result = 0;
    if (!FEnabled) return;
    notified(reinterpret_cast<LPITEMIDLIST*>(m.WParam), static_cast<LONG>(m.LParam));
}

void TNavShellChangeNotifier::notified(LPITEMIDLIST* Lists, LONG Code) {
    const TNotificationEvent event = NotificationEventOf(Code & 0x7FFFFFFF);
    LPCITEMIDLIST first = Lists ? Lists[0] : nullptr;
    LPCITEMIDLIST second = Lists ? Lists[1] : nullptr;
    const unsigned long long now = platform::timerClock();
    WideString path1, path2;
    if (event == neImageListChange) {
        path1 = numberOf(PlatformHasWideApi() ? (second ? second : first) : first);
    } else if (event != neAssociationChange) {
        if (event == FLastEvent && first && !ILIsEmpty(first) && FLastList && now - FLastTick < RepeatWindow &&
            sameObject(first, FLastList.get()))
            return;
        path1 = PidlToPath(first);
        path2 = PidlToPath(second);
    }
    FLastEvent = event;
    FLastList = first ? PidlCopy(first) : nullptr;
    FLastTick = now;
    if (FHandler) FHandler(event, first, second);
    if (OnChange) {
        // After this message is handled, and only while the notifier lives.
        QMetaObject::invokeMethod(
            this, [this, event, path1, path2] {
                if (OnChange) OnChange(this, event, path1, path2);
            },
            Qt::QueuedConnection);
    }
}
