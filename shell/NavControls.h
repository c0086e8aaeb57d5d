// The link hub that keeps the shell views in step, the small base of the hub and the change
// notifier, and the image list bound to the system icon list.
//
// A folder tree and a file list whose ShellLink names one hub register with it; what one
// of them does (a folder or an object selected, select all, refresh, going up) the hub
// passes on to all the others. While it passes a folder or an object on, the hub is
// disabled, so the report a control makes in answer does not come back (no echoes).
#pragma once

#include "classlib/ImgList.h"
#include "shell/NavSelection.h"
#include "shell/ShellNamespace.h"

#include <vector>

class TNavShellLink;

// An Enabled flag; descendants act on its changes.
class TNavBaseComponent : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ GetEnabled WRITE SetEnabled)
    Q_CLASSINFO("Default:Enabled", "True")

public:
    explicit TNavBaseComponent(TComponent* AOwner) : TComponent(AOwner) {}

    virtual bool GetEnabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value) { FEnabled = Value; }

protected:
    bool FEnabled = true;
};

// What a control linked to a hub offers the hub.
class INavShellControl {
public:
    virtual ~INavShellControl() = default;
    // The control's own ShellLink (null: no link); the hub sets null when it goes.
    virtual void SetShellLink(TNavShellLink* Link) = 0;
    virtual TNavShellLink* ShellLink() const = 0;
    // Another control selected a folder (an absolute list).
    virtual void LinkFolderChanged(LPCITEMIDLIST Folder) = 0;
    // Another control selected an object (absolute folder list, relative object list).
    virtual void LinkObjectSelected(LPCITEMIDLIST Folder, LPCITEMIDLIST Object) = 0;
    virtual void LinkSelectAll() = 0;
    virtual void LinkFullRefresh() = 0;
    virtual void LinkIncrementalRefresh() = 0;
    virtual void LinkGoUp() = 0;
};

class TNavShellLink : public TNavBaseComponent {
    Q_OBJECT
    Q_PROPERTY(String Version READ Version WRITE SetVersion STORED false)
    Q_PROPERTY(TNotifyEvent OnChange MEMBER OnChange)

public:
    explicit TNavShellLink(TComponent* AOwner);
    // Tells every control, last first, that its link is gone.
    ~TNavShellLink() override;

    // A control already registered is not added again.
    void RegisterControl(INavShellControl* Control);
    void UnregisterControl(INavShellControl* Control);
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    INavShellControl* Control(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }

    // Each passes the call on to every control but the sender, then fires OnChange; nothing
    // happens while the hub is disabled (a broadcast runs).
    void FolderChanged(INavShellControl* Sender, LPCITEMIDLIST Folder);
    void ObjectSelected(INavShellControl* Sender, LPCITEMIDLIST Folder, LPCITEMIDLIST Object);
    // To every control but the sender, while the hub is enabled.
    void SelectAll(INavShellControl* Sender);
    void Refresh(INavShellControl* Sender);
    void GoUp(INavShellControl* Sender);
    // The incremental refresh of every control but Except (none excluded for null).
    void IncrementalRefreshAll(INavShellControl* Except);

    // Whether the list may offer its parent item and go up (set by the tree).
    bool CanGoUp() const { return FCanGoUp; }
    void SetCanGoUp(bool Value) { FCanGoUp = Value; }

    String Version() const { return ClassName() + " V1.0"; }
    void SetVersion(const String&) {}

    // The check-box selection shared by the linked views.
    TNavSelectionList* SelectionList() const { return FSelection; }

    TNotifyEvent OnChange;

private:
    template <class F>
    void broadcast(INavShellControl* Sender, F call, bool guarded);

    std::vector<INavShellControl*> FControls;
    bool FCanGoUp = true;
    bool FDestroying = false;
    TNavSelectionList* FSelection;
};

// ---- The system image list ------------------------------------------------------------------

namespace NavImageListEnums {
Q_NAMESPACE
enum TNavImageListSize { si_small, si_large };
Q_ENUM_NS(TNavImageListSize)
}  // namespace NavImageListEnums
using NavImageListEnums::TNavImageListSize;
using enum NavImageListEnums::TNavImageListSize;

// An image list bound to the platform's system icon list (16 or 32 pixels). Sharing (the
// default) takes the system list itself, which the program never destroys; otherwise its
// images are copied. Nothing of it is stored in a layout.
class TNavSystemImageList : public TCustomImageList {
    Q_OBJECT
    Q_PROPERTY(NavImageListEnums::TNavImageListSize Size READ Size WRITE SetSize)
    Q_PROPERTY(bool ShareImages READ ShareImages WRITE SetShareImages)
    Q_CLASSINFO("Default:Size", "si_small")
    Q_CLASSINFO("Default:ShareImages", "True")

public:
    explicit TNavSystemImageList(TComponent* AOwner);

    TNavImageListSize Size() const { return FSize; }
    void SetSize(TNavImageListSize Value);
    // Stores the flag and drops the current handle (bound again on the next use).
    void SetShareImages(bool Value);
    // Binds the list to the system list of its size again.
    void Rebind();

    void ReadState(TReader* Reader) override;
    void WriteState(TWriter* Writer) override;

private:
    TNavImageListSize FSize = si_small;
};

// The system icon index of a path: small unless Large, the open icon when asked; with
// UseAttributes the type is found from the name alone (the file is not touched). -1 on
// failure.
int SystemIconIndex(const WideString& Path, bool Large, bool UseAttributes, bool Open);
// A Width x Height bitmap (24 bits) on the window colour with a 1-pixel grey (0xC0C0C0)
// frame and the list's image Index drawn in its centre; null on failure. The caller
// deletes it.
HBITMAP FramedIconBitmap(TCustomImageList* Images, int Height, int Width, int Index);
