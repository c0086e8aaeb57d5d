// Icons on the clipboard.
#include "kit/ClipIcon.h"

#include "classlib/Clipbrd.h"
#include "platform/globalmem.h"

UINT ClipboardIconFormat() {
    static const UINT format = RegisterClipboardFormatA(CF_ICON_NAME);
    return format;
}

void TClipboardIcon::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) {
    if (Empty()) throw EInvalidGraphic("Icon image is not valid");
    Format = ClipboardIconFormat();
    Data = platform::globalFromBytes(FileImage().data(), FileImage().size());
    Palette = nullptr;
    if (!Data) throw EOutOfMemory("Out of memory");
}

void TClipboardIcon::LoadFromClipboardFormat(UINT, HANDLE Data, HPALETTE) {
    const SIZE_T size = Data ? GlobalSize(Data) : 0;
    const void* p = size ? GlobalLock(Data) : nullptr;
    if (!p) throw EInvalidGraphic("Icon image is not valid");
    // A copy, so that a damaged block fails on our bytes and the lock is always released.
    std::vector<BYTE> bytes(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + size);
    GlobalUnlock(Data);
    LoadFromData(bytes.data(), bytes.size());
}

void RegisterClipboardIcon() {
    static const bool done = [] {
        TPicture::RegisterClipboardFormat(ClipboardIconFormat(), RegisterClass<TClipboardIcon>());
        return true;
    }();
    (void)done;
}

bool LoadIconFromClipboard(TIcon* Icon) {
    if (!Icon) return false;
    TClipboard* cb = Clipboard();
    if (!cb->HasFormat(ClipboardIconFormat())) return false;
    cb->Open();
    try {
        TClipboardIcon icon;
        icon.LoadFromClipboardFormat(ClipboardIconFormat(), cb->GetAsHandle(ClipboardIconFormat()), nullptr);
        cb->Close();
        Icon->Assign(&icon);
        return true;
    } catch (const EInvalidGraphic&) {
        cb->Close();
        return false;
    } catch (...) {
        cb->Close();
        throw;
    }
}

void CopyIconToClipboard(TIcon* Icon) {
    if (!Icon) return;
    TClipboardIcon icon;
    icon.Assign(Icon);
    Clipboard()->Assign(&icon);
}
