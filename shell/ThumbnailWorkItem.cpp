// The thumbnail job of the shell list's thumbnail mode.
#include "shell/ThumbnailWorkItem.h"

#include "shell/ShellControlsList.h"

TThumbnailWorkItem::TThumbnailWorkItem(TObject* Owner, LPCITEMIDLIST AbsoluteList, IThumbnailViewer* Viewer,
                                       int ImageIndex, int Width, int Height)
    : TBasicWorkItem(Owner),
      FList(AbsoluteList ? PidlCopy(AbsoluteList) : nullptr),
      FViewer(Viewer),
      FImageIndex(ImageIndex),
      FWidth(Width),
      FHeight(Height) {}

TThumbnailWorkItem::~TThumbnailWorkItem() {
    if (FBitmap) DeleteObject(FBitmap);
}

void TThumbnailWorkItem::Execute() {
    if (!FList || Aborted()) return;
    try {
        TShellNamespace browser(nullptr);
        browser.SetShowErrorMessages(false);
        browser.SetAbsolutePidl(FList.get());
        FList.reset();
        if (!CheckPaused()) FBitmap = browser.ExtractThumbnail(FWidth, FHeight);
    } catch (...) {
        FBitmap = nullptr;
    }
}

TThreadMethod TThumbnailWorkItem::GetCompletion() {
    return [this] { complete(); };
}

void TThumbnailWorkItem::complete() {
    if (Aborted() || !FViewer) return;
    HBITMAP bitmap = FBitmap;
    FBitmap = nullptr;
    FViewer->ThumbnailReady(bitmap, FImageIndex);
}

void InstallThumbnailJobs() {
    SetThumbnailJobMaker([](TNavShellList* List, LPCITEMIDLIST Absolute, int ImageIndex, int Width, int Height) -> IWorkItemPtr {
        return std::make_shared<TThumbnailWorkItem>(List, Absolute, List, ImageIndex, Width, Height);
    });
}
