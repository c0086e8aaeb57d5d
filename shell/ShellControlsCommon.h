// What the shell list and the shell tree share: the option word, the item filter, the
// operations they report, and small helpers over item-id lists.
#pragma once

#include "shell/ShellNamespace.h"

#include <memory>
#include <string>

// The option word of the shell views.
using TNavShellOptions = unsigned;
inline constexpr TNavShellOptions nsoShowNethood = 0x001;
inline constexpr TNavShellOptions nsoShowRecycleBin = 0x002;
inline constexpr TNavShellOptions nsoShowErrorMessages = 0x004;
inline constexpr TNavShellOptions nsoShowHidden = 0x008;
inline constexpr TNavShellOptions nsoShowFiles = 0x010;
inline constexpr TNavShellOptions nsoShowContextMenuOnTop = 0x020;
inline constexpr TNavShellOptions nsoColorCompressed = 0x040;
inline constexpr TNavShellOptions nsoColorEncrypted = 0x080;
inline constexpr TNavShellOptions nsoNoFillOnStartup = 0x100;

// What the views report through OnOperation, with the files concerned.
inline constexpr int opDroppedCopied = 9;
inline constexpr int opDroppedMoved = 10;
inline constexpr int opVanished = 144;      // objects drawn cut that an incremental refresh no longer found
inline constexpr int opDeleted = 192;
inline constexpr int opPastedCopied = 289;  // the first pasted name still exists where it came from
inline constexpr int opPastedMoved = 290;
inline constexpr int opRenamed = 512;       // the files hold the old path, the destination the new one
// Codes with this bit take the selected items out of the list before they are reported.
inline constexpr int opRemovesSelection = 0x40;
// Codes with any of these bits make the link refresh the other views afterwards.
inline constexpr int opRefreshesOthers = 0x2C2;

// Sender, operation, the files (never empty), the destination.
using TOnOperation = TEvent<void(TObject* Sender, int Operation, TFileNames* Files, const WideString& Destination)>;

namespace NavShellEnums {
Q_NAMESPACE
enum TCopyMode { cmDefault, cmCopy, cmMove };
Q_ENUM_NS(TCopyMode)
}  // namespace NavShellEnums
using NavShellEnums::TCopyMode;
using enum NavShellEnums::TCopyMode;

// Whether the current object of the namespace passes the views' item filter: hidden
// objects only with ShowHidden, the network places only with ShowNethood, the trash (and
// hidden objects named RECYCL...) only with ShowRecycleBin, files only with ShowFiles.
bool PassesItemFilter(TShellNamespace* Browser, TNavShellOptions Options);

// Two absolute lists of the same object (the desktop's comparison).
bool SameObjectList(LPCITEMIDLIST A, LPCITEMIDLIST B);
// Two lists relative to Folder of the same object; byte-equal lists are equal at once.
bool SameRelativeList(IShellFolder* Folder, LPCITEMIDLIST A, LPCITEMIDLIST B);
// A key of an item of our own framing (its kind and name, without its flags); empty for a
// list of another framing.
std::string ItemKeyOf(LPCITEMIDLIST Item);
// A copy of an absolute list without its last item (null for a null or empty list).
TPidl ParentList(LPCITEMIDLIST List);
// The milliseconds of the platform's timers (manual in tests).
unsigned long long ShellTickCount();
// The clipboard's files (full paths) and whether they were cut; null when it holds none.
std::unique_ptr<TFileNames> ClipboardFileNames(bool* Cut = nullptr);

// The hourglass while a view works; the cursor before it comes back.
class TShellWaitCursor {
public:
    TShellWaitCursor();
    ~TShellWaitCursor();
    TShellWaitCursor(const TShellWaitCursor&) = delete;
    TShellWaitCursor& operator=(const TShellWaitCursor&) = delete;

private:
    int FOld;
};
