// The thumbnail job: makes one thumbnail bitmap of a shell object on a worker of the
// thumbnail pool and hands it to the viewer that asked for it, on the user-interface
// thread, unless the job was cancelled first.
#pragma once

#include "shell/ShellNamespace.h"
#include "shell/ThreadPool.h"

// Who receives thumbnails: the bitmap (owned by the receiver from then on; null when the
// object offers no picture) and the image it replaces.
class IThumbnailViewer {
public:
    virtual ~IThumbnailViewer() = default;
    virtual void ThumbnailReady(HBITMAP Bitmap, int ImageIndex) = 0;
};

class TThumbnailWorkItem : public TBasicWorkItem {
public:
    // Copies the absolute list; the owner is what the pool cancels by.
    TThumbnailWorkItem(TObject* Owner, LPCITEMIDLIST AbsoluteList, IThumbnailViewer* Viewer, int ImageIndex, int Width,
                       int Height);
    // Frees a bitmap that never reached the viewer.
    ~TThumbnailWorkItem() override;

    // On the worker: its own shell-namespace object makes the thumbnail.
    void Execute() override;
    // On the user-interface thread: the viewer gets the bitmap, unless the job was aborted.
    TThreadMethod GetCompletion() override;

    int ImageIndex() const { return FImageIndex; }

private:
    void complete();

    TPidl FList;
    IThumbnailViewer* FViewer;
    int FImageIndex;
    int FWidth;
    int FHeight;
    HBITMAP FBitmap = nullptr;
};

// Lets the shell list queue a thumbnail job for each item in thumbnail mode.
void InstallThumbnailJobs();
