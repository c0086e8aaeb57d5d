// The shell tree: a wide tree view of shell folders that fills each node when it is first
// expanded, keeps the selected folders in a history, follows change notifications (each
// filled node's folder is watched, and the watch goes with the node's children) and drives a
// shell list through a link hub. Its nodes exist with its window: setting a folder while
// the tree has no window waits until it has one.
#pragma once

#include "shell/NavControls.h"
#include "shell/ShellControlsCommon.h"
#include "shell/ShellNotifier.h"
#include "widetext/WideComCtrlsTreeView.h"

#include <map>
#include <memory>
#include <vector>

class TTimer;
struct TNavShellTreeBatch;

class TNavShellTree;

// One node: its object's lists and the folder that holds it.
class TNavShellTreeNode : public TWideTreeNode {
    Q_OBJECT

public:
    explicit TNavShellTreeNode(TTreeNodes* AOwner) : TWideTreeNode(AOwner) {}
    // Lets the tree forget the node while its fields still exist.
    ~TNavShellTreeNode() override;

    TPidl Relative;                             // within the parent folder
    TPidl Absolute;
    bool Seen = false;
    std::shared_ptr<IShellFolder> ParentFolder; // the folder that holds the node's object
    std::shared_ptr<IShellFolder> OwnFolder;    // the root's own folder
    bool IsFolder = true;
    bool Compressed = false;
    bool Encrypted = false;
    bool Filled = false;       // its children were enumerated
    WideString WatchedPath;    // the directory its filling put under watch

    TNavShellTreeNode* ShellParent() const { return static_cast<TNavShellTreeNode*>(Parent()); }
};

using TNavAddFolderEvent =
    TEvent<void(TObject* Sender, TNavShellTreeNode* Node, const WideString& Path, bool& CanAdd)>;
using TNavTreeNodeEvent = TEvent<void(TObject* Sender, TNavShellTreeNode* Node)>;
// A check box changed: the node, its path and its new check state.
using TNavTreeCheckStateChangedEvent =
    TEvent<void(TObject* Sender, TNavShellTreeNode* Node, const WideString& Path, int State)>;

class TNavShellTree : public TWideCustomTreeView, public INavShellControl {
    Q_OBJECT
    Q_PROPERTY(TNavShellLink* ShellLink READ ShellLink WRITE SetShellLink)
    Q_PROPERTY(ShellNs::TNavShellFolder RootedAt READ RootedAt WRITE SetRootedAt)
    Q_PROPERTY(WideString RootedAtFileSystemFolder READ RootedAtFileSystemFolder WRITE SetRootedAtFileSystemFolder)
    Q_PROPERTY(WideString SelectedFolder READ SelectedFolder WRITE SetSelectedFolder)
    Q_PROPERTY(ShellNs::TNavShellFolder SpecialFolder READ SpecialFolder WRITE SetSpecialFolder)
    Q_PROPERTY(bool OleDragDrop READ OleDragDrop WRITE SetOleDragDrop)
    Q_PROPERTY(bool ShellContextMenu READ ShellContextMenu WRITE SetShellContextMenu)
    Q_PROPERTY(bool ShowNethood READ ShowNethood WRITE SetShowNethood)
    Q_PROPERTY(bool ShowRecycleBin READ ShowRecycleBin WRITE SetShowRecycleBin)
    Q_PROPERTY(bool ShowErrorMessages READ ShowErrorMessages WRITE SetShowErrorMessages)
    Q_PROPERTY(bool ShowHidden READ ShowHidden WRITE SetShowHidden)
    Q_PROPERTY(bool ShowFiles READ ShowFiles WRITE SetShowFiles)
    Q_PROPERTY(bool ShowContextMenuOnTop READ ShowContextMenuOnTop WRITE SetShowContextMenuOnTop)
    Q_PROPERTY(bool ColorCompressed READ ColorCompressed WRITE SetColorCompressed)
    Q_PROPERTY(bool ColorEncrypted READ ColorEncrypted WRITE SetColorEncrypted)
    Q_PROPERTY(bool NoFillOnStartup READ NoFillOnStartup WRITE SetNoFillOnStartup)
    Q_PROPERTY(bool FileSystemOnly READ FileSystemOnly WRITE SetFileSystemOnly)
    Q_PROPERTY(bool ExpandOnSelected READ ExpandOnSelected WRITE SetExpandOnSelected)
    Q_PROPERTY(WideString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(String Version READ Version WRITE SetVersion STORED false)
    Q_PROPERTY(bool AutomaticRefresh READ AutomaticRefresh WRITE SetAutomaticRefresh)
    Q_PROPERTY(bool UseSystemFont READ UseSystemFont WRITE SetUseSystemFont)
    Q_PROPERTY(NavShellEnums::TCopyMode CopyMode READ CopyMode WRITE SetCopyMode)
    Q_PROPERTY(bool ShowOverlayIcons READ ShowOverlayIcons WRITE SetShowOverlayIcons)
    Q_PROPERTY(TNavAddFolderEvent OnAddFolder MEMBER OnAddFolder)
    Q_PROPERTY(TNavTreeNodeEvent OnUpdatedFolder MEMBER OnUpdatedFolder)
    Q_PROPERTY(TOnOperation OnOperation MEMBER OnOperation)
    Q_PROPERTY(TOnContextMenuSelectEvent OnContextMenuSelect READ OnContextMenuSelect WRITE SetOnContextMenuSelect)
    Q_PROPERTY(TNavTreeNodeEvent OnEditCanceled MEMBER OnEditCanceled)
    Q_PROPERTY(bool CheckBoxes READ CheckBoxes WRITE SetCheckBoxes)
    Q_PROPERTY(TNavTreeCheckStateChangedEvent OnCheckStateChanged MEMBER OnCheckStateChanged)
    Q_CLASSINFO("Default:RootedAt", "SF_DESKTOP")
    Q_CLASSINFO("Default:SpecialFolder", "SF_DRIVES")
    Q_CLASSINFO("Default:OleDragDrop", "True")
    Q_CLASSINFO("Default:ShellContextMenu", "True")
    Q_CLASSINFO("Default:ShowNethood", "True")
    Q_CLASSINFO("Default:ShowRecycleBin", "True")
    Q_CLASSINFO("Default:ShowErrorMessages", "False")
    Q_CLASSINFO("Default:ShowHidden", "False")
    Q_CLASSINFO("Default:ShowFiles", "False")
    Q_CLASSINFO("Default:ShowContextMenuOnTop", "False")
    Q_CLASSINFO("Default:ColorCompressed", "False")
    Q_CLASSINFO("Default:ColorEncrypted", "False")
    Q_CLASSINFO("Default:NoFillOnStartup", "False")
    Q_CLASSINFO("Default:FileSystemOnly", "False")
    Q_CLASSINFO("Default:ExpandOnSelected", "False")
    Q_CLASSINFO("Default:AutomaticRefresh", "True")
    Q_CLASSINFO("Default:UseSystemFont", "True")
    Q_CLASSINFO("Default:CopyMode", "cmDefault")
    Q_CLASSINFO("Default:ShowOverlayIcons", "True")
    Q_CLASSINFO("Default:HideSelection", "False")
    Q_CLASSINFO("Default:CheckBoxes", "False")
    Q_CLASSINFO("Default:RightClickSelect", "True")

public:
    explicit TNavShellTree(TComponent* AOwner);
    ~TNavShellTree() override;

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;

    // Modes of FindNode.
    enum TFindMode { fmSelect, fmRefresh, fmRefreshParent, fmDelete };
    // Finds the node of an absolute list under the root nodes and selects, refreshes, refreshes
    // the parent of, or deletes it; whether it was found.
    bool FindNode(LPCITEMIDLIST List, TFindMode Mode);
    // Roots the tree again when it is empty, then refreshes every expanded node.
    void FullRefresh();
    // Updates a node and merges its children with what its folder holds now.
    void RefreshNode(TNavShellTreeNode* Node, bool Recurse, bool Full);
    bool ExecuteVerb(const String& Verb);
    TNavShellTreeNode* Selected() const { return static_cast<TNavShellTreeNode*>(TWideCustomTreeView::Selected()); }
    TNavShellTreeNode* RootNode() const;
    TNavShellTreeNode* NodeOf(TTreeNode* Node) const { return static_cast<TNavShellTreeNode*>(Node); }
    // The child of a node for an item (relative one-item list), or null.
    TNavShellTreeNode* ChildOf(TNavShellTreeNode* Node, LPCITEMIDLIST Item) const;
    // Fills a node's children now (once).
    void FillNode(TNavShellTreeNode* Node);
    TShellNamespace* Browser() const { return FBrowser; }
    TNavShellChangeNotifier* Notifier() const { return FNotifier; }
    TPidlHistory* History() const { return FHistory.get(); }

    // ---- INavShellControl
    void SetShellLink(TNavShellLink* Link) override;
    TNavShellLink* ShellLink() const override { return FLink; }
    void LinkFolderChanged(LPCITEMIDLIST Folder) override;
    void LinkObjectSelected(LPCITEMIDLIST Folder, LPCITEMIDLIST Object) override;
    void LinkSelectAll() override {}
    void LinkFullRefresh() override { FullRefresh(); }
    void LinkIncrementalRefresh() override;
    void LinkGoUp() override;

    // ---- Properties
    TNavShellFolder RootedAt() const { return FRootedAt; }
    void SetRootedAt(TNavShellFolder Value);
    WideString RootedAtFileSystemFolder() const { return FRootedAtPath; }
    void SetRootedAtFileSystemFolder(const WideString& Value);
    // The file-system path of the selected folder (without a trailing "/"); the special
    // folder's path for a virtual folder that has one; empty otherwise.
    WideString SelectedFolder() const;
    void SetSelectedFolder(const WideString& Value);
    TNavShellFolder SpecialFolder() const;
    void SetSpecialFolder(TNavShellFolder Value);
    bool OleDragDrop() const { return FOleDragDrop; }
    void SetOleDragDrop(bool Value) { FOleDragDrop = Value; }
    bool ShellContextMenu() const { return FShellContextMenu; }
    void SetShellContextMenu(bool Value) { FShellContextMenu = Value; }
    TNavShellOptions Options() const { return FOptions; }
    void SetOptions(TNavShellOptions Value);
    bool ShowNethood() const { return FOptions & nsoShowNethood; }
    void SetShowNethood(bool Value) { setOption(nsoShowNethood, Value); }
    bool ShowRecycleBin() const { return FOptions & nsoShowRecycleBin; }
    void SetShowRecycleBin(bool Value) { setOption(nsoShowRecycleBin, Value); }
    bool ShowErrorMessages() const { return FOptions & nsoShowErrorMessages; }
    void SetShowErrorMessages(bool Value) { setOption(nsoShowErrorMessages, Value); }
    bool ShowHidden() const { return FOptions & nsoShowHidden; }
    void SetShowHidden(bool Value) { setOption(nsoShowHidden, Value); }
    bool ShowFiles() const { return FOptions & nsoShowFiles; }
    void SetShowFiles(bool Value) { setOption(nsoShowFiles, Value); }
    bool ShowContextMenuOnTop() const { return FOptions & nsoShowContextMenuOnTop; }
    void SetShowContextMenuOnTop(bool Value) { setOption(nsoShowContextMenuOnTop, Value); }
    bool ColorCompressed() const { return FOptions & nsoColorCompressed; }
    void SetColorCompressed(bool Value) { setOption(nsoColorCompressed, Value); }
    bool ColorEncrypted() const { return FOptions & nsoColorEncrypted; }
    void SetColorEncrypted(bool Value) { setOption(nsoColorEncrypted, Value); }
    bool NoFillOnStartup() const { return FOptions & nsoNoFillOnStartup; }
    void SetNoFillOnStartup(bool Value) { setOption(nsoNoFillOnStartup, Value); }
    bool FileSystemOnly() const { return FBrowser->FileSystemOnly(); }
    void SetFileSystemOnly(bool Value);
    bool ExpandOnSelected() const { return FExpandOnSelected; }
    void SetExpandOnSelected(bool Value) { FExpandOnSelected = Value; }
    WideString Filter() const { return FBrowser->Filter(); }
    void SetFilter(const WideString& Value);
    String Version() const { return ClassName() + " V1.0"; }
    void SetVersion(const String&) {}
    bool AutomaticRefresh() const { return FAutomaticRefresh; }
    void SetAutomaticRefresh(bool Value);
    bool UseSystemFont() const { return FUseSystemFont; }
    void SetUseSystemFont(bool Value);
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
    bool ShowOverlayIcons() const { return FShowOverlayIcons; }
    void SetShowOverlayIcons(bool Value);
    TOnContextMenuSelectEvent OnContextMenuSelect() const { return FBrowser->OnContextMenuSelect; }
    void SetOnContextMenuSelect(const TOnContextMenuSelectEvent& Value) { FBrowser->OnContextMenuSelect = Value; }
    // Check boxes from the link's selection list; refused without a link.
    bool CheckBoxes() const { return FCheckBoxes; }
    void SetCheckBoxes(bool Value);
    // Toggles the check of a node as a click on its check box does.
    void ToggleCheck(TNavShellTreeNode* Node);
    // Reads every node's check state again.
    void RefreshChecks();

    TNavAddFolderEvent OnAddFolder;
    TNavTreeCheckStateChangedEvent OnCheckStateChanged;
    TNavTreeNodeEvent OnUpdatedFolder;
    TOnOperation OnOperation;
    TNavTreeNodeEvent OnEditCanceled;

    // Changes heard within this time are worked off together.
    static constexpr unsigned ChangeDelay = 100;
    TTimer* ChangeTimer() const { return FChangeTimer; }

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    TTreeNode* CreateNode() override;
    bool CanExpand(TTreeNode* Node) override;
    bool CanChange(TTreeNode* Node) override;
    void Change(TTreeNode* Node) override;
    void Delete(TTreeNode* Node) override;
    bool CanEdit(TTreeNode* Node) override;
    void Edit(const TVITEMA& Item) override;
    void Edit(const TVITEMW& Item) override;
    void GetImageIndex(TTreeNode* Node) override;
    bool CustomDrawItem(TTreeNode* Node, TCustomDrawState State) override;
    bool IsCustomDrawn() const override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DblClick() override;

private:
    void setOption(TNavShellOptions Bit, bool Value);
    bool ensureWindow();
    void root();
    void applyLoaded();
    void workOffChanges(TObject*);
    TNavShellTreeNode* addNode(TNavShellTreeNode* Parent);
    void updateNode(TNavShellTreeNode* Node, bool Full);
    // Makes the node's object the browser's current one (the desktop root: its folder).
    static void makeCurrent(TShellNamespace* Browser, TNavShellTreeNode* Node);
    void sortChildren(TNavShellTreeNode* Node);
    void dropChildren(TNavShellTreeNode* Node);
    void unwatch(TNavShellTreeNode* Node);
    // A node goes: its watch is released and the batch forgets it.
    void nodeGone(TNavShellTreeNode* Node);
    friend class TNavShellTreeNode;
    void tellLink(TNavShellTreeNode* Node);
    void changed(TNotificationEvent Event, LPCITEMIDLIST List1, LPCITEMIDLIST List2);
    void renameNode(TNavShellTreeNode* Node, const WideString& Text);
    void contextMenu(TMessage& Message);
    void startRename(TObject*);
    void report(int Operation, std::unique_ptr<TFileNames> Files, const WideString& Destination);
    TNotificationEvents eventFilter() const;
    static int compareNodes(LPARAM A, LPARAM B, LPARAM Tree);

    struct TPendingChange {
        TNotificationEvent Event;
        TPidl List1;
        TPidl List2;
    };

    TShellNamespace* FBrowser;
    TShellNamespace* FNodeBrowser;  // the cursor of node updates
    TNavSystemImageList* FImages;
    TTimer* FChangeTimer;
    std::vector<TPendingChange> FPendingChanges;
    TNavShellTreeBatch* FBatch = nullptr;
    std::map<WideString, int> FWatchCounts;  // watched folders and the nodes that watch them
    TNavShellOptions FOptions = nsoShowNethood | nsoShowRecycleBin;
    WideString FDesignPath;
    TNavShellFolder FDesignSpecial = SF_DRIVES;
    std::unique_ptr<TPidlHistory> FHistory;
    bool FHistoryWalk = false;
    bool FExpandAllowed = true;
    bool FCreated = false;
    bool FKeepNodes = false;
    bool FFilling = false;
    bool FDestroying = false;
    bool FPendingLoad = false;
    WideString FPendingPath;  // a folder to select once the window exists
    bool FHavePendingPath = false;
    TNavShellChangeNotifier* FNotifier;
    TNavShellLink* FLink = nullptr;
    TNavShellFolder FRootedAt = SF_DESKTOP;
    WideString FRootedAtPath;
    bool FOleDragDrop = true;
    bool FShellContextMenu = true;
    bool FExpandOnSelected = false;
    bool FAutomaticRefresh = true;
    bool FUseSystemFont = true;
    TCopyMode FCopyMode = cmDefault;
    bool FShowOverlayIcons = true;
    bool FCheckBoxes = false;
    TCustomImageList* FStateImageList = nullptr;
};
