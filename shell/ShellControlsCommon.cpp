// The item filter and the list helpers of the shell views.
#include "shell/ShellControlsCommon.h"

#include "classlib/Forms.h"
#include "platform/winuser.h"

#include <QString>

#include <cstring>

namespace {

bool isSpecial(LPCITEMIDLIST absolute, TNavShellFolder kind) {
    TPidl special = SpecialFolderPidl(kind);
    return special && PidlItemCount(special.get()) == PidlItemCount(absolute) && SameObjectList(special.get(), absolute);
}

}  // namespace

bool PassesItemFilter(TShellNamespace* Browser, TNavShellOptions Options) {
    const SFGAOF a = Browser->GetAttributes(SFGAO_HIDDEN | SFGAO_FOLDER);
    const bool hidden = (a & SFGAO_HIDDEN) != 0;
    if (hidden && !(Options & nsoShowHidden)) return false;
    LPCITEMIDLIST absolute = Browser->AbsoluteObjectPidl();
    // Virtual folders sit on the desktop: only objects there can be one of them.
    const bool onDesktop = PidlItemCount(absolute) == 1;
    if (!(Options & nsoShowNethood) && onDesktop && (isSpecial(absolute, SF_NETHOOD) || isSpecial(absolute, SF_NETWORK)))
        return false;
    if (!(Options & nsoShowRecycleBin)) {
        if (onDesktop && isSpecial(absolute, SF_BITBUCKET)) return false;
        if (hidden && QString::fromStdU16String(Browser->ObjectName().substr(0, 6)).compare(QLatin1String("RECYCL"), Qt::CaseInsensitive) == 0)
            return false;
    }
    if (Options & nsoShowFiles) return true;
    return Browser->IsFolder();
}

bool SameObjectList(LPCITEMIDLIST A, LPCITEMIDLIST B) {
    if (!A || !B) return false;
    const UINT size = ILGetSize(A);
    if (size == ILGetSize(B) && std::memcmp(A, B, size) == 0) return true;
    std::shared_ptr<IShellFolder> desktop = DesktopFolder();
    const HRESULT hr = desktop ? desktop->CompareIDs(0, A, B) : E_FAIL;
    return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

bool SameRelativeList(IShellFolder* Folder, LPCITEMIDLIST A, LPCITEMIDLIST B) {
    if (!A || !B) return false;
    const UINT size = ILGetSize(A);
    if (size == ILGetSize(B) && std::memcmp(A, B, size) == 0) return true;
    if (!Folder) return false;
    const HRESULT hr = Folder->CompareIDs(0, A, B);
    return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

std::string ItemKeyOf(LPCITEMIDLIST Item) {
    platform::ShellItem item;
    if (!Item || ILIsEmpty(Item) || !platform::decodeItem(&Item->mkid, item)) return {};
    std::string key(1, static_cast<char>(item.kind));
    key += item.name;
    return key;
}

TPidl ParentList(LPCITEMIDLIST List) {
    const int count = static_cast<int>(PidlItemCount(List));
    if (count == 0) return nullptr;
    return PidlTruncate(List, count - 1);
}

unsigned long long ShellTickCount() { return platform::timerClock(); }

std::unique_ptr<TFileNames> ClipboardFileNames(bool* Cut) {
    std::vector<std::string> paths;
    bool cut = false;
    if (!platform::clipboardFiles(&paths, &cut) || paths.empty()) return nullptr;
    auto names = std::make_unique<TFileNames>();
    for (const std::string& p : paths) names->Add(platform::fileNameToWide(p));
    if (Cut) *Cut = cut;
    return names;
}

TShellWaitCursor::TShellWaitCursor() : FOld(Screen ? Screen->Cursor() : crDefault) {
    if (Screen) Screen->SetCursor(crHourGlass);
}

TShellWaitCursor::~TShellWaitCursor() {
    if (Screen) Screen->SetCursor(FOld);
}
