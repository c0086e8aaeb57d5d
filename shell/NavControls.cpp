// The link hub, the base of the hub and the notifier, and the system image list.
#include "shell/NavControls.h"

#include "classlib/Filer.h"
#include "platform/gdi.h"

#include <algorithm>

// ---- The hub ----------------------------------------------------------------------------------

TNavShellLink::TNavShellLink(TComponent* AOwner)
    : TNavBaseComponent(AOwner), FSelection(new TNavSelectionList(this, this)) {}

TNavShellLink::~TNavShellLink() {
    FDestroying = true;
    std::vector<INavShellControl*> controls;
    controls.swap(FControls);
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) (*it)->SetShellLink(nullptr);
}

void TNavShellLink::RegisterControl(INavShellControl* Control) {
    if (!Control || FDestroying) return;
    if (std::find(FControls.begin(), FControls.end(), Control) == FControls.end()) FControls.push_back(Control);
}

void TNavShellLink::UnregisterControl(INavShellControl* Control) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
}

template <class F>
void TNavShellLink::broadcast(INavShellControl* Sender, F call, bool guarded) {
    if (!FEnabled) return;
    // A control may leave the hub while it is told something: walk a copy, and skip those
    // that left meanwhile.
    const std::vector<INavShellControl*> controls = FControls;
    if (guarded) SetEnabled(false);
    try {
        for (INavShellControl* c : controls) {
            if (c == Sender || std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
            call(c);
        }
    } catch (...) {
        if (guarded) SetEnabled(true);
        throw;
    }
    if (guarded) SetEnabled(true);
}

void TNavShellLink::FolderChanged(INavShellControl* Sender, LPCITEMIDLIST Folder) {
    if (!FEnabled) return;
    TPidl copy = PidlCopy(Folder);  // the sender's list may change while the others follow
    broadcast(Sender, [&](INavShellControl* c) { c->LinkFolderChanged(copy.get()); }, true);
    if (OnChange) OnChange(this);
}

void TNavShellLink::ObjectSelected(INavShellControl* Sender, LPCITEMIDLIST Folder, LPCITEMIDLIST Object) {
    if (!FEnabled) return;
    TPidl folder = PidlCopy(Folder);
    TPidl object = PidlCopy(Object);
    broadcast(Sender, [&](INavShellControl* c) { c->LinkObjectSelected(folder.get(), object.get()); }, true);
    if (OnChange) OnChange(this);
}

void TNavShellLink::SelectAll(INavShellControl* Sender) {
    broadcast(Sender, [](INavShellControl* c) { c->LinkSelectAll(); }, false);
}

void TNavShellLink::Refresh(INavShellControl* Sender) {
    broadcast(Sender, [](INavShellControl* c) { c->LinkFullRefresh(); }, false);
}

void TNavShellLink::GoUp(INavShellControl* Sender) {
    broadcast(Sender, [](INavShellControl* c) { c->LinkGoUp(); }, false);
}

void TNavShellLink::IncrementalRefreshAll(INavShellControl* Except) {
    const std::vector<INavShellControl*> controls = FControls;
    for (INavShellControl* c : controls)
        if (c != Except && std::find(FControls.begin(), FControls.end(), c) != FControls.end()) c->LinkIncrementalRefresh();
}

// ---- The system image list --------------------------------------------------------------------

TNavSystemImageList::TNavSystemImageList(TComponent* AOwner) : TCustomImageList(AOwner) {
    TCustomImageList::SetShareImages(true);
    Rebind();
}

void TNavSystemImageList::Rebind() {
    SHFILEINFOW info{};
    const UINT flags = SHGFI_SYSICONINDEX | (FSize == si_small ? SHGFI_SMALLICON : 0);
    const auto system = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(SystemDriveRoot().c_str(), 0, &info, sizeof info, flags));
    if (!system) return;
    if (ShareImages() || ComponentState().Contains(csDesigning)) {
        SetHandle(system);
        return;
    }
    // The images become the list's own, copied through a list that shares the system's.
    TCustomImageList shared(nullptr);
    shared.SetShareImages(true);
    shared.SetHandle(system);
    SetHandle(nullptr);
    int cx = 16, cy = 16;
    ImageList_GetIconSize(system, &cx, &cy);
    SetWidth(cx);
    SetHeight(cy);
    Clear();
    AddImages(&shared);
}

void TNavSystemImageList::SetSize(TNavImageListSize Value) {
    if (FSize == Value && HandleAllocated()) return;
    FSize = Value;
    Rebind();
}

void TNavSystemImageList::SetShareImages(bool Value) {
    // The handle in use belongs to the system list or to this one: let it go as it is.
    SetHandle(nullptr);
    TCustomImageList::SetShareImages(Value);
}

void TNavSystemImageList::ReadState(TReader* Reader) {
    TCustomImageList::ReadState(Reader);
    Rebind();
}

void TNavSystemImageList::WriteState(TWriter* Writer) {
    // No icon data is stored: the handle is off while the list is written.
    const bool shared = ShareImages();
    TCustomImageList::SetShareImages(true);
    HIMAGELIST kept = ReleaseHandle();
    try {
        TCustomImageList::WriteState(Writer);
    } catch (...) {
        SetHandle(kept);
        TCustomImageList::SetShareImages(shared);
        throw;
    }
    SetHandle(kept);
    TCustomImageList::SetShareImages(shared);
}

int SystemIconIndex(const WideString& Path, bool Large, bool UseAttributes, bool Open) {
    SHFILEINFOW info{};
    UINT flags = SHGFI_SYSICONINDEX;
    if (!Large) flags |= SHGFI_SMALLICON;
    if (Open) flags |= SHGFI_OPENICON;
    if (UseAttributes) flags |= SHGFI_USEFILEATTRIBUTES;
    if (!SHGetFileInfoW(Path.c_str(), UseAttributes ? FILE_ATTRIBUTE_NORMAL : 0, &info, sizeof info, flags)) return -1;
    return info.iIcon;
}

HBITMAP FramedIconBitmap(TCustomImageList* Images, int Height, int Width, int Index) {
    if (!Images || Width < 2 || Height < 2 || Index < 0 || Index >= Images->Count()) return nullptr;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = Width;
    bi.bmiHeader.biHeight = Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        DeleteObject(bitmap);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, Width, Height};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    HBRUSH grey = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
    FillRect(dc, &all, white);
    FrameRect(dc, &all, grey);
    DeleteObject(white);
    DeleteObject(grey);
    const int x = (Width - Images->Width()) / 2;
    const int y = (Height - Images->Height()) / 2;
    const bool drawn = ImageList_Draw(Images->Handle(), Index, dc, x, y, ILD_TRANSPARENT) != FALSE;
    SelectObject(dc, old);
    DeleteDC(dc);
    if (!drawn) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}
