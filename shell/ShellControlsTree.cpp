// The shell tree: rooting, filling on expansion, finding nodes, refreshing on changes, the
// selected folder, verbs, keys, the context menu, renaming in place and the link.
#include "shell/ShellControlsTree.h"

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "platform/msgbox.h"
#include "widetext/WideSystem.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

namespace {

String lowerAscii(String s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Events that concern files: the tree hears them only while it shows files.
constexpr TNotificationEvents kFileEvents =
    NotificationEventBit(neFileCreate) | NotificationEventBit(neFileDelete) | NotificationEventBit(neFileRename);

}  // namespace

// While a batch of changes is worked off, each node is refreshed at most once.
struct TNavShellTreeBatch {
    std::set<TTreeNode*> refreshed;
};

// ---- Creation ---------------------------------------------------------------------------------

TNavShellTree::TNavShellTree(TComponent* AOwner) : TWideCustomTreeView(AOwner), FHistory(std::make_unique<TPidlHistory>()) {
    FBrowser = new TShellNamespace(this);
    FBrowser->SetShowErrorMessages(false);
    FNodeBrowser = new TShellNamespace(this);
    FNodeBrowser->SetShowErrorMessages(false);
    FImages = new TNavSystemImageList(this);
    FImages->SetBkColor(clNone);
    SetImages(FImages);
    FNotifier = new TNavShellChangeNotifier(this);
    FNotifier->SetEventFilter(eventFilter());
    FNotifier->SetRecursive(true);
    FNotifier->SetInternalHandler(
        [this](TNotificationEvent e, LPCITEMIDLIST a, LPCITEMIDLIST b) { changed(e, a, b); });
    FChangeTimer = new TTimer(this);
    FChangeTimer->SetEnabled(false);
    FChangeTimer->SetInterval(ChangeDelay);
    FChangeTimer->SetOnTimer(TNotifyEvent(this, &TNavShellTree::workOffChanges));
    SetBounds(Left(), Top(), 200, 300);
    SetHideSelection(false);
    SetRightClickSelect(true);
}

TNavShellTree::~TNavShellTree() {
    FDestroying = true;
    SetShellLink(nullptr);
    FNotifier->SetInternalHandler(nullptr);
    FNotifier->SetEnabled(false);
    FChangeTimer->SetEnabled(false);
}

TTreeNode* TNavShellTree::CreateNode() { return new TNavShellTreeNode(FTreeNodes); }

TNavShellTreeNode* TNavShellTree::RootNode() const {
    return HandleAllocated() ? static_cast<TNavShellTreeNode*>(Items()->GetFirstNode()) : nullptr;
}

bool TNavShellTree::ensureWindow() {
    if (HandleAllocated()) return true;
    if (!Parent() || ComponentState().Contains(csDestroying)) return false;
    HandleNeeded();
    return HandleAllocated();
}

void TNavShellTree::Loaded() {
    TWideCustomTreeView::Loaded();
    if (FUseSystemFont) GetIconTitleFont(Font());
    if (NoFillOnStartup() && !ComponentState().Contains(csDesigning)) return;
    // The nodes live in the window: what the layout asked for waits until there is one.
    if (HandleAllocated())
        applyLoaded();
    else
        FPendingLoad = true;
}

void TNavShellTree::applyLoaded() {
    FPendingLoad = false;
    if (!RootNode()) root();
    if (!FDesignPath.empty()) {
        const WideString path = FDesignPath;
        FDesignPath.clear();
        SetSelectedFolder(path);
    } else if (FDesignSpecial != SF_FILESYSTEMFOLDER && FDesignSpecial != FRootedAt) {
        try {
            SetSpecialFolder(FDesignSpecial);
        } catch (const EShellNamespaceError&) {
        }
    } else {
        tellLink(Selected());
    }
    if (TNavShellTreeNode* r = RootNode()) r->Expand(false);
}

void TNavShellTree::Notification(TComponent* AComponent, TOperation Operation) {
    TWideCustomTreeView::Notification(AComponent, Operation);
    if (Operation == opRemove && FLink && AComponent == FLink) {
        if (FCheckBoxes) SetCheckBoxes(false);
        FLink = nullptr;
    }
}

void TNavShellTree::CreateWnd() {
    TWideCustomTreeView::CreateWnd();
    if (!FCreated) {
        FCreated = true;
        FBrowser->Loaded();
    } else if (FLink) {
        FLink->RegisterControl(this);
    }
    if (ComponentState().Contains(csLoading)) return;
    TNavShellTreeNode* r = RootNode();
    if (!r || !r->HasChildren()) {
        try {
            root();
        } catch (const EShellNamespaceError&) {
        }
    }
    if (FPendingLoad) applyLoaded();
    if (FHavePendingPath) {
        FHavePendingPath = false;
        SetSelectedFolder(FPendingPath);
    }
}

void TNavShellTree::DestroyWnd() {
    if (!ComponentState().Contains(csDestroying)) {
        // The nodes carry lists a new window could not take over: the selected folder is
        // chosen again in the new one.
        if (TNavShellTreeNode* s = Selected()) {
            FPendingPath = PidlToPath(s->Absolute.get());
            FHavePendingPath = !FPendingPath.empty();
        }
        Items()->Clear();
    }
    TWideCustomTreeView::DestroyWnd();
}

// ---- Rooting and filling ----------------------------------------------------------------------

void TNavShellTree::root() {
    if (!ensureWindow()) {
        FPendingLoad = true;
        return;
    }
    TShellWaitCursor wait;
    TNavShellTreeNode* node = nullptr;
    FFilling = true;
    Items()->BeginUpdate();
    try {
        SetSelected(nullptr);
        if (!FKeepNodes) Items()->Clear();
        node = NodeOf(Items()->AddChildObject(nullptr, WideString(), nullptr));
        if (FRootedAt == SF_DESKTOP) {
            node->Relative = PidlAlloc(sizeof(USHORT));
            node->Absolute = PidlAlloc(sizeof(USHORT));
            node->OwnFolder = node->ParentFolder = DesktopFolder();
            node->SetText(FBrowser->DesktopName());
            node->SetImageIndex(FBrowser->DesktopIconIndex());
            node->SetSelectedIndex(node->ImageIndex());
            node->SetHasChildren(true);
        } else {
            if (FRootedAt == SF_FILESYSTEMFOLDER)
                FBrowser->SetFolder(FRootedAtPath);
            else
                FBrowser->SetSpecialFolder(FRootedAt);
            node->Absolute = FBrowser->FolderPidl();
            node->OwnFolder = FBrowser->ShellFolder();
            FBrowser->SelectFolderObject();
            node->ParentFolder = FBrowser->ShellFolder();
            node->Relative = FBrowser->ObjectPidl();
            node->SetText(FBrowser->DisplayName());
            node->SetImageIndex(FBrowser->SmallIconIndex());
            node->SetSelectedIndex(FBrowser->OpenSmallIconIndex());
            node->SetHasChildren(FBrowser->HasSubFolders() || ShowFiles() || ShowHidden());
        }
    } catch (...) {
        Items()->EndUpdate();
        FFilling = false;
        throw;
    }
    Items()->EndUpdate();
    FFilling = false;
    if (!ComponentState().Contains(csLoading)) {
        node->Expand(false);
        node->SetSelected(true);
    }
    if (FRootedAt != SF_FILESYSTEMFOLDER || !FRootedAtPath.empty()) FNotifier->SetPidl(node->Absolute.get());
    if (FRootedAt != SF_FILESYSTEMFOLDER) FRootedAtPath.clear();
}

void TNavShellTree::SetRootedAt(TNavShellFolder Value) {
    FRootedAt = Value;
    if (ComponentState().Contains(csLoading)) return;
    if (HandleAllocated() || Parent()) root();
}

void TNavShellTree::SetRootedAtFileSystemFolder(const WideString& Value) {
    FRootedAtPath = Value;
    if (ComponentState().Contains(csLoading) || Value.empty() || !PathExists(Value)) return;
    FRootedAt = SF_FILESYSTEMFOLDER;
    if (HandleAllocated() || Parent()) root();
}

void TNavShellTree::makeCurrent(TShellNamespace* Browser, TNavShellTreeNode* Node) {
    if (ILIsEmpty(Node->Absolute.get()))
        Browser->SetFolderIDList(Node->Absolute.get());
    else
        Browser->SetAbsolutePidl(Node->Absolute.get());
}

void TNavShellTree::FillNode(TNavShellTreeNode* Node) {
    if (!Node || Node->Count() > 0) return;
    TShellWaitCursor wait;
    FFilling = true;
    Items()->BeginUpdate();
    try {
        FBrowser->SetFolderIDList(Node->Absolute.get());
        while (FBrowser->NextObject())
            if (ShowFiles() || FBrowser->IsFolder()) addNode(Node);
    } catch (const EShellNamespaceError&) {
        // The folder cannot be entered (gone, or no permission): it shows no children.
    } catch (...) {
        Items()->EndUpdate();
        FFilling = false;
        throw;
    }
    Items()->EndUpdate();
    FFilling = false;
    sortChildren(Node);
    Node->SetHasChildren(Node->Count() > 0);
    Node->Filled = true;
    // Its folder is watched while its children are shown.
    const WideString path = PidlToPath(Node->Absolute.get());
    if (!path.empty() && Node->WatchedPath.empty()) {
        Node->WatchedPath = path;
        if (FWatchCounts[path]++ == 0) FNotifier->Directories()->Add(path);
    }
}

void TNavShellTree::unwatch(TNavShellTreeNode* Node) {
    if (Node->WatchedPath.empty()) return;
    const WideString path = Node->WatchedPath;
    Node->WatchedPath.clear();
    auto it = FWatchCounts.find(path);
    if (it == FWatchCounts.end() || --it->second > 0) return;
    FWatchCounts.erase(it);
    const int index = FNotifier->Directories()->IndexOf(path);
    if (index >= 0) FNotifier->Directories()->Delete(index);
}

void TNavShellTree::dropChildren(TNavShellTreeNode* Node) {
    Node->DeleteChildren();
    Node->Filled = false;
    unwatch(Node);
}

TNavShellTreeNode* TNavShellTree::addNode(TNavShellTreeNode* Parent) {
    if (!PassesItemFilter(FBrowser, FOptions)) return nullptr;
    TNavShellTreeNode* node = NodeOf(Items()->AddChildObject(Parent, FBrowser->DisplayName(), nullptr));
    node->Relative = FBrowser->ObjectPidl();
    node->Absolute = PidlCopy(FBrowser->AbsoluteObjectPidl());
    node->Seen = true;
    node->ParentFolder = FBrowser->ShellFolder();
    node->IsFolder = FBrowser->IsFolder();
    node->SetImageIndex(-1);
    node->SetSelectedIndex(-1);
    // The expand button before the node is first drawn.
    node->SetHasChildren(ShowFiles() ? node->IsFolder : FBrowser->HasSubFolders());
    if (FCheckBoxes && FLink) node->SetStateIndex(FLink->SelectionList()->CheckStateOfList(node->Absolute.get()));
    if (OnAddFolder) {
        updateNode(node, true);
        bool canAdd = true;
        OnAddFolder(this, node, PidlToPath(node->Absolute.get()), canAdd);
        if (!canAdd) {
            node->Delete();
            return nullptr;
        }
    }
    return node;
}

void TNavShellTree::updateNode(TNavShellTreeNode* Node, bool Full) {
    if (!Node) return;
    // Its own cursor: updates come while the tree's browser may be in the middle of a verb.
    TShellNamespace* b = FNodeBrowser;
    if (ILIsEmpty(Node->Absolute.get())) {
        Node->SetImageIndex(b->DesktopIconIndex());
        Node->SetSelectedIndex(Node->ImageIndex());
        Node->SetHasChildren(true);
        if (OnUpdatedFolder) OnUpdatedFolder(this, Node);
        return;
    }
    try {
        makeCurrent(b, Node);
    } catch (const EShellNamespaceError&) {
        return;
    }
    Node->SetImageIndex(b->SmallIconIndex());
    Node->SetSelectedIndex(b->OpenSmallIconIndex());
    const bool children = ShowFiles() ? b->IsFolder() : (b->HasSubFolders() || Node->Count() > 0);
    Node->SetHasChildren(children);
    if (Full && FShowOverlayIcons) {
        Node->SetOverlayIndex(b->OverlayIndex());
        const SFGAOF a = b->GetAttributes(SFGAO_HIDDEN | SFGAO_COMPRESSED | SFGAO_ENCRYPTED);
        if (a & SFGAO_HIDDEN) Node->SetCut(true);
        Node->Compressed = ColorCompressed() && (a & SFGAO_COMPRESSED);
        Node->Encrypted = ColorEncrypted() && (a & SFGAO_ENCRYPTED);
    } else if (Full) {
        Node->SetOverlayIndex(-1);
    }
    if (FCheckBoxes && FLink) Node->SetStateIndex(FLink->SelectionList()->CheckStateOfList(Node->Absolute.get()));
    if (OnUpdatedFolder) OnUpdatedFolder(this, Node);
}

void TNavShellTree::GetImageIndex(TTreeNode* Node) {
    TNavShellTreeNode* node = NodeOf(Node);
    if (node && node->ImageIndex() < 0 && !FFilling) {
        updateNode(node, true);
        if (HandleAllocated()) {
            const RECT r = node->DisplayRect(false);
            InvalidateRect(Handle(), &r, FALSE);
        }
    }
    TWideCustomTreeView::GetImageIndex(Node);
}

int TNavShellTree::compareNodes(LPARAM A, LPARAM B, LPARAM) {
    auto* a = static_cast<TNavShellTreeNode*>(reinterpret_cast<TTreeNode*>(A));
    auto* b = static_cast<TNavShellTreeNode*>(reinterpret_cast<TTreeNode*>(B));
    if (!a || !b || !a->ParentFolder) return 0;
    const HRESULT hr = a->ParentFolder->CompareIDs(0, a->Relative.get(), b->Relative.get());
    return FAILED(hr) ? 0 : static_cast<short>(HRESULT_CODE(hr));
}

void TNavShellTree::sortChildren(TNavShellTreeNode* Node) {
    if (!Node || !HandleAllocated() || Node->Count() < 2) return;
    TVSORTCB cb{Node->ItemId(), &TNavShellTree::compareNodes, reinterpret_cast<LPARAM>(this)};
    SendMessageW(Handle(), TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&cb));
}

TNavShellTreeNode* TNavShellTree::ChildOf(TNavShellTreeNode* Node, LPCITEMIDLIST Item) const {
    if (!Node || !Item) return nullptr;
    const std::string key = ItemKeyOf(Item);
    for (TTreeNode* c = Node->GetFirstChild(); c; c = c->GetNextSibling()) {
        TNavShellTreeNode* child = NodeOf(c);
        if (!child->Relative) continue;
        if (!key.empty() ? ItemKeyOf(child->Relative.get()) == key
                         : SameRelativeList(child->ParentFolder.get(), child->Relative.get(), Item))
            return child;
    }
    return nullptr;
}

bool TNavShellTree::CanExpand(TTreeNode* Node) {
    TNavShellTreeNode* node = NodeOf(Node);
    const bool isRoot = node && !node->Parent();
    if (!FExpandAllowed && !isRoot) return false;
    if (isRoot && ComponentState().Contains(csLoading)) return false;
    if (!TWideCustomTreeView::CanExpand(Node)) return false;
    if (node && node->Count() == 0) FillNode(node);
    return true;
}

// ---- Refreshing -------------------------------------------------------------------------------

void TNavShellTree::RefreshNode(TNavShellTreeNode* Node, bool Recurse, bool Full) {
    if (ComponentState().Contains(csLoading) || !Node || Node->ImageIndex() < 0) return;
    if (FBatch && !FBatch->refreshed.insert(Node).second) return;
    updateNode(Node, Full);
    if (!Node->Expanded()) {
        // Its children are made again when it is next expanded.
        if (Node->Count() > 0) {
            dropChildren(Node);
            Node->SetHasChildren(true);
        }
        return;
    }
    std::vector<TNavShellTreeNode*> seen;
    bool added = false;
    FFilling = true;
    Items()->BeginUpdate();
    try {
        for (TTreeNode* c = Node->GetFirstChild(); c; c = c->GetNextSibling()) NodeOf(c)->Seen = false;
        FBrowser->SetFolderIDList(Node->Absolute.get());
        while (FBrowser->NextObject()) {
            const bool folder = FBrowser->IsFolder();
            if (!folder && !ShowFiles()) continue;
            if (TNavShellTreeNode* child = ChildOf(Node, FBrowser->ObjectIDList())) {
                child->Seen = true;
                child->SetHasChildren(ShowFiles() ? folder : (FBrowser->HasSubFolders() || child->Count() > 0));
            } else if (!IsEditing()) {
                if (addNode(Node)) added = true;
            }
        }
    } catch (const EShellNamespaceError&) {
        // The folder went: none of its children are seen.
    } catch (...) {
        Items()->EndUpdate();
        FFilling = false;
        throw;
    }
    std::vector<TNavShellTreeNode*> gone;
    for (TTreeNode* c = Node->GetFirstChild(); c; c = c->GetNextSibling()) {
        TNavShellTreeNode* child = NodeOf(c);
        (child->Seen ? seen : gone).push_back(child);
    }
    for (TNavShellTreeNode* child : gone) child->Delete();
    Items()->EndUpdate();
    FFilling = false;
    if (added) sortChildren(Node);
    Node->SetHasChildren(Node->Count() > 0);
    if (Recurse)
        for (TNavShellTreeNode* child : seen) RefreshNode(child, true, Full);
}

void TNavShellTree::FullRefresh() {
    if (!ensureWindow()) return;
    TShellWaitCursor wait;
    if (!RootNode()) root();
    RefreshNode(RootNode(), true, true);
}

bool TNavShellTree::FindNode(LPCITEMIDLIST List, TFindMode Mode) {
    if (!List || !HandleAllocated()) return false;
    std::optional<TShellWaitCursor> wait;
    if (Mode == fmSelect) wait.emplace();
    const bool expandAllowed = FExpandAllowed;
    if (Mode == fmRefresh) FExpandAllowed = false;
    struct Restore {
        bool& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{FExpandAllowed, expandAllowed};
    const int total = static_cast<int>(PidlItemCount(List));
    for (TNavShellTreeNode* r = RootNode(); r; r = NodeOf(r->GetNextSibling())) {
        const int rootCount = static_cast<int>(PidlItemCount(r->Absolute.get()));
        TNavShellTreeNode* node = nullptr;
        TNavShellTreeNode* reached = r;
        if (total == rootCount && SameObjectList(List, r->Absolute.get())) {
            node = r;
        } else {
            if (total <= rootCount) continue;
            TPidl head = PidlTruncate(List, rootCount);
            if (!SameObjectList(head.get(), r->Absolute.get())) continue;
            bool stopped = false;
            for (int depth = rootCount; depth < total; ++depth) {
                if (Mode == fmSelect) {
                    if (reached->Count() == 0) FillNode(reached);
                    if (!reached->Expanded()) reached->Expand(false);
                } else if (!reached->Expanded()) {
                    if (reached->Count() > 0) {
                        dropChildren(reached);
                        reached->SetHasChildren(true);
                    }
                    stopped = true;
                    break;
                }
                TPidl item = PidlItemAt(List, depth);
                TNavShellTreeNode* child = ChildOf(reached, item.get());
                if (!child && Mode == fmSelect && reached->Filled) {
                    // Made after the node was filled, before its change arrived: look again.
                    if (reached->ImageIndex() < 0) updateNode(reached, true);
                    RefreshNode(reached, false, true);
                    child = ChildOf(reached, item.get());
                }
                if (!child) {
                    stopped = true;
                    break;
                }
                reached = child;
            }
            if (!stopped) node = reached;
        }
        if (!node) {
            if (Mode == fmRefreshParent || Mode == fmDelete) {
                RefreshNode(reached, !FRootedAtPath.empty(), true);
                return false;
            }
            continue;
        }
        switch (Mode) {
        case fmSelect:
            node->SetSelected(true);
            node->MakeVisible();
            break;
        case fmRefresh: RefreshNode(node, !FRootedAtPath.empty(), true); break;
        case fmRefreshParent: RefreshNode(node->ShellParent() ? node->ShellParent() : node, !FRootedAtPath.empty(), true); break;
        case fmDelete: {
            TNavShellTreeNode* parent = node->ShellParent();
            const bool wasSelected = node->Selected() || (Selected() && Selected()->HasAsParent(node));
            if (!parent) {
                RefreshNode(node, false, true);  // the root stays
                break;
            }
            node->Delete();
            // The selection stays on a folder that exists.
            if (wasSelected) parent->SetSelected(true);
            parent->SetHasChildren(parent->Count() > 0);
            break;
        }
        }
        return true;
    }
    return false;
}

void TNavShellTree::changed(TNotificationEvent Event, LPCITEMIDLIST List1, LPCITEMIDLIST List2) {
    if (ComponentState().Contains(csLoading) || FDestroying || !HandleAllocated()) return;
    // Changes are worked off together a moment later, each node refreshed once.
    FPendingChanges.push_back(TPendingChange{Event, PidlCopy(List1), PidlCopy(List2)});
    if (!FChangeTimer->Enabled()) FChangeTimer->SetEnabled(true);
}

void TNavShellTree::workOffChanges(TObject*) {
    FChangeTimer->SetEnabled(false);
    std::vector<TPendingChange> changes;
    changes.swap(FPendingChanges);
    TNavShellTreeBatch batch;
    FBatch = &batch;
    try {
        for (const TPendingChange& c : changes) {
            if (!c.List1) continue;
            switch (c.Event) {
            case neFileDelete:
            case neDriveRemove:
            case neMediaRemove:
            case neFolderDelete: FindNode(c.List1.get(), fmDelete); break;
            case neFolderRename:
                FindNode(c.List1.get(), fmRefreshParent);
                if (c.List2) FindNode(c.List2.get(), fmRefreshParent);
                break;
            case neFolderUpdate: FindNode(c.List1.get(), fmRefresh); break;
            default: FindNode(c.List1.get(), fmRefreshParent); break;
            }
        }
    } catch (...) {
        FBatch = nullptr;
        throw;
    }
    FBatch = nullptr;
}

// ---- The selected folder ----------------------------------------------------------------------

WideString TNavShellTree::SelectedFolder() const {
    if (ComponentState().Contains(csLoading)) return FDesignPath;
    if (!HandleAllocated()) return FHavePendingPath ? WideExcludeTrailingBackslash(FPendingPath) : WideString();
    TNavShellTreeNode* node = Selected();
    WideString path = node ? PidlToPath(node->Absolute.get()) : WideString();
    if (path.empty() && !ComponentState().Contains(csDesigning)) {
        const TNavShellFolder kind = SpecialFolder();
        if (kind != SF_FILESYSTEMFOLDER) path = SpecialFolderPath(kind);
    }
    return path;
}

void TNavShellTree::SetSelectedFolder(const WideString& Value) {
    if (ComponentState().Contains(csLoading)) {
        if (FDesignSpecial == SF_FILESYSTEMFOLDER || FDesignSpecial == SF_DRIVES) {
            FDesignPath = Value;
            FDesignSpecial = SF_FILESYSTEMFOLDER;
        }
        return;
    }
    if (!ensureWindow()) {
        FPendingPath = Value;
        FHavePendingPath = true;
        return;
    }
    if (Value.empty()) {
        if (FRootedAt == SF_DESKTOP) {
            SetSpecialFolder(SF_DRIVES);
        } else if (TNavShellTreeNode* r = RootNode()) {
            r->SetSelected(true);
        }
        return;
    }
    TPidl list = PathToPidl(nullptr, Value);
    if (!list) {
        const DWORD error = GetLastError();
        if (ShowErrorMessages()) {
            const WideString text = AnsiToWide(SystemErrorText(error)) + u": " + Value;
            MessageBoxW(Handle(), text.c_str(), u"", MB_OK | MB_ICONERROR);
        }
        return;
    }
    FindNode(list.get(), fmSelect);
}

TNavShellFolder TNavShellTree::SpecialFolder() const {
    if (ComponentState().Contains(csLoading)) return FDesignSpecial;
    TNavShellTreeNode* node = Selected();
    return node && node->Absolute ? SpecialFolderOfPidl(node->Absolute.get()) : SF_FILESYSTEMFOLDER;
}

void TNavShellTree::SetSpecialFolder(TNavShellFolder Value) {
    if (ComponentState().Contains(csLoading)) {
        FDesignSpecial = Value;
        if (Value != SF_FILESYSTEMFOLDER) FDesignPath.clear();
        return;
    }
    if (!ensureWindow()) return;
    FBrowser->SetSpecialFolder(Value);
    FindNode(FBrowser->FolderIDList(), fmSelect);
}

bool TNavShellTree::CanChange(TTreeNode* Node) {
    if (!TWideCustomTreeView::CanChange(Node)) return false;
    TNavShellTreeNode* node = NodeOf(Node);
    if (!ShowErrorMessages() || !node || !node->Parent() || (!node->IsFolder && ShowFiles())) return true;
    try {
        FNodeBrowser->SetFolderIDList(node->Absolute.get());
    } catch (const Exception&) {
        return false;
    }
    return true;
}

void TNavShellTree::Change(TTreeNode* Node) {
    if (FDestroying || ComponentState().Contains(csDestroying)) return;
    TNavShellTreeNode* node = NodeOf(Node);
    if (node && !FHistoryWalk && node->Absolute) FHistory->Add(PidlCopy(node->Absolute.get()));
    TWideCustomTreeView::Change(Node);
    tellLink(node);
    if (FExpandOnSelected && node) {
        if (TTreeNode* parent = node->Parent())
            for (TTreeNode* c = parent->GetFirstChild(); c; c = c->GetNextSibling())
                if (c != node) c->Collapse(false);
        node->Expand(false);
    }
}

void TNavShellTree::tellLink(TNavShellTreeNode* Node) {
    if (!Node || !FLink) return;
    FLink->SetCanGoUp(Node->Level() > 0);
    if (ComponentState().Contains(csLoading)) return;
    if (!Node->IsFolder && ShowFiles() && Node->ShellParent())
        FLink->ObjectSelected(this, Node->ShellParent()->Absolute.get(), Node->Relative.get());
    else
        FLink->FolderChanged(this, Node->Absolute.get());
}

void TNavShellTree::Delete(TTreeNode* Node) {
    // A node deleted by code has already been forgotten by its own destructor, and its
    // fields are gone by now.
    if (Node && !Node->Deleting()) nodeGone(NodeOf(Node));
    TWideCustomTreeView::Delete(Node);
}

void TNavShellTree::nodeGone(TNavShellTreeNode* Node) {
    if (!Node || FDestroying) return;
    unwatch(Node);
    if (FBatch) FBatch->refreshed.erase(Node);
}

TNavShellTreeNode::~TNavShellTreeNode() {
    // While the tree is destroyed it is no longer a shell tree here: nothing to forget.
    if (auto* tree = dynamic_cast<TNavShellTree*>(TreeView())) tree->nodeGone(this);
}

// ---- The link ---------------------------------------------------------------------------------

void TNavShellTree::SetShellLink(TNavShellLink* Link) {
    if (Link == FLink) return;
    if (FLink) FLink->UnregisterControl(this);
    // The check states live in the link's selection list.
    if (!Link && FCheckBoxes) SetCheckBoxes(false);
    FLink = Link;
    if (FLink) {
        FLink->RegisterControl(this);
        FLink->FreeNotification(this);
    }
}

void TNavShellTree::LinkFolderChanged(LPCITEMIDLIST Folder) {
    if (TNavShellTreeNode* s = Selected(); s && SameObjectList(s->Absolute.get(), Folder)) return;
    FindNode(Folder, fmSelect);
}

void TNavShellTree::LinkObjectSelected(LPCITEMIDLIST Folder, LPCITEMIDLIST Object) {
    if (!ShowFiles()) return;
    TPidl absolute = PidlConcat(Folder, Object);
    FindNode(absolute.get(), fmSelect);
}

void TNavShellTree::LinkIncrementalRefresh() {
    if (FCheckBoxes) RefreshChecks();
    TNavShellTreeNode* node = Selected();
    if (node && node->Text().empty() && node->ShellParent()) node = node->ShellParent();
    RefreshNode(node, false, false);
    if (!FAutomaticRefresh && HandleAllocated()) {
        std::vector<TNavShellTreeNode*> parents;
        for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext())
            if (n->Cut() && n->Parent()) parents.push_back(NodeOf(n->Parent()));
        for (TNavShellTreeNode* p : parents) RefreshNode(p, false, false);
    }
}

void TNavShellTree::LinkGoUp() {
    TNavShellTreeNode* node = Selected();
    if (node && node->ShellParent()) node->ShellParent()->SetSelected(true);
}

// ---- Verbs ------------------------------------------------------------------------------------

void TNavShellTree::report(int Operation, std::unique_ptr<TFileNames> Files, const WideString& Destination) {
    if (!Files || Files->Count() == 0) return;
    if (OnOperation) OnOperation(this, Operation, Files.get(), Destination);
    if ((Operation & opRefreshesOthers) && FLink) FLink->IncrementalRefreshAll(this);
}

void TNavShellTree::startRename(TObject*) {
    if (TTreeNode* node = Selected()) node->EditText();
}

bool TNavShellTree::ExecuteVerb(const String& Verb) {
    TNavShellTreeNode* node = Selected();
    if (!node) return false;
    const String lower = lowerAscii(Verb.empty() ? String("default") : Verb);
    FBrowser->OnRename = ReadOnly() ? TNotifyEvent() : TNotifyEvent(this, &TNavShellTree::startRename);
    std::unique_ptr<TFileNames> files;
    if (lower == "paste") {
        files = ClipboardFileNames();
        if (!files) return false;  // an empty clipboard is no operation
    } else {
        files = std::make_unique<TFileNames>();
        const WideString path = PidlToPath(node->Absolute.get());
        if (!path.empty()) files->Add(path);
    }
    const WideString destination = SelectedFolder();
    try {
        makeCurrent(FBrowser, node);
    } catch (const EShellNamespaceError&) {
        return false;
    }
    if (!FBrowser->ExecuteVerb(Verb)) return false;
    if (lower == "delete") {
        if (!FAutomaticRefresh) {
            TNavShellTreeNode* parent = node->ShellParent();
            node->Delete();
            if (parent) parent->SetSelected(true);
        }
        report(opDeleted, std::move(files), destination);
    } else if (lower == "paste") {
        if (Application) Application->ProcessMessages();
        if (TNavShellTreeNode* s = Selected()) RefreshNode(s, false, true);
        const bool copied = files->Count() == 0 || PathExists(files->Strings(0));
        report(copied ? opPastedCopied : opPastedMoved, std::move(files), destination);
    } else if (lower == "cut") {
        node->SetCut(true);
    }
    return true;
}

// ---- Keys, the mouse and the context menu -----------------------------------------------------

void TNavShellTree::WndProc(TMessage& m) {
    if (m.Msg == WM_LBUTTONDOWN && FCheckBoxes && FLink && HandleAllocated()) {
        TVHITTESTINFO hit{};
        hit.pt = POINT{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
        SendMessageW(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.hItem && (hit.flags & TVHT_ONITEMSTATEICON)) {
            ToggleCheck(NodeOf(Items()->GetNode(hit.hItem)));
            return;
        }
    }
    if (m.Msg == WM_CONTEXTMENU && FShellContextMenu) {
        contextMenu(m);
        return;
    }
    TWideCustomTreeView::WndProc(m);
}

void TNavShellTree::KeyDown(WORD& Key, TShiftState Shift) {
    TWideCustomTreeView::KeyDown(Key, Shift);
    if (Key == 0 || IsEditing()) return;
    const bool ctrl = Shift & ssCtrl;
    switch (Key) {
    case VK_RETURN:
        if (Shift & ssAlt) {
            ExecuteVerb("properties");
            Key = 0;
        }
        return;
    case VK_DELETE:
        if (!ReadOnly()) ExecuteVerb("delete");
        Key = 0;
        return;
    case VK_SPACE:
        if (FCheckBoxes && FLink && Selected()) {
            ToggleCheck(Selected());
            Key = 0;
        }
        return;
    case VK_F1 + 1:  // F2
        ExecuteVerb("rename");
        Key = 0;
        return;
    case VK_F1 + 4:  // F5
        FullRefresh();
        if (FLink) FLink->Refresh(this);
        Key = 0;
        return;
    case VK_F1 + 9:  // F10
        if (Shift & ssShift) {
            TMessage m{WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Handle()), static_cast<LPARAM>(-1), 0};
            contextMenu(m);
            Key = 0;
        }
        return;
    default: break;
    }
    if (!ctrl) return;
    switch (Key) {
    case 'A':
        if (FLink) FLink->SelectAll(this);
        Key = 0;
        break;
    case 'C':
        ExecuteVerb("copy");
        Key = 0;
        break;
    case 'V':
        // Reported once, by the verb, and only when it did paste.
        if (!ReadOnly()) ExecuteVerb("paste");
        Key = 0;
        break;
    case 'X':
        if (!ReadOnly()) ExecuteVerb("cut");
        Key = 0;
        break;
    default: break;
    }
}

void TNavShellTree::KeyPress(char& Key) {
    TWideCustomTreeView::KeyPress(Key);
    if (Key == 3 || Key == 22 || Key == 24) Key = 0;
}

void TNavShellTree::DblClick() {
    if (OnDblClick && Owner()) {
        TWideCustomTreeView::DblClick();
        return;
    }
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    TNavShellTreeNode* node = NodeOf(GetNodeAt(p.x, p.y));
    if (node && ShowFiles() && !node->IsFolder) ExecuteVerb("default");
}

void TNavShellTree::contextMenu(TMessage& m) {
    POINT at{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(m.LParam))), static_cast<short>(HIWORD(static_cast<DWORD_PTR>(m.LParam)))};
    TNavShellTreeNode* node = nullptr;
    if (at.x == -1 && at.y == -1) {
        node = Selected();
        if (!node) return;
        const RECT r = node->DisplayRect(true);
        at = ClientToScreen(POINT{r.left, r.bottom});
    } else {
        const POINT client = ScreenToClient(at);
        node = NodeOf(GetNodeAt(client.x, client.y));
        if (!node) {
            TWideCustomTreeView::WndProc(m);
            return;
        }
        if (!node->Selected()) node->SetSelected(true);
    }
    m.Result = 1;
    std::unique_ptr<TFileNames> clipboard = ClipboardFileNames();
    auto paths = std::make_unique<TFileNames>();
    if (const WideString path = PidlToPath(node->Absolute.get()); !path.empty()) paths->Add(path);
    const WideString destination = SelectedFolder();
    try {
        makeCurrent(FBrowser, node);
    } catch (const EShellNamespaceError&) {
        return;
    }
    FBrowser->SetShowContextMenuOnTop(ShowContextMenuOnTop());
    FBrowser->SetRestrictContextMenu(ReadOnly());
    FBrowser->OnRename = ReadOnly() ? TNotifyEvent() : TNotifyEvent(this, &TNavShellTree::startRename);
    String verb;
    try {
        verb = FBrowser->ShowContextMenu(at, qobject_cast<TPopupMenu*>(PopupMenu()));
    } catch (const EShellNamespaceError&) {
        LinkIncrementalRefresh();
        return;
    }
    const String lower = lowerAscii(verb);
    if (lower == "delete") {
        if (!FAutomaticRefresh) {
            TNavShellTreeNode* parent = node->ShellParent();
            node->Delete();
            if (parent) parent->SetSelected(true);
        }
        report(opDeleted, std::move(paths), destination);
    } else if (lower == "paste" && clipboard) {
        if (TNavShellTreeNode* s = Selected()) RefreshNode(s, false, true);
        const bool copied = PathExists(clipboard->Strings(0));
        report(copied ? opPastedCopied : opPastedMoved, std::move(clipboard), destination);
    } else if (lower == "cut") {
        node->SetCut(true);
    }
}

// ---- Renaming in place ------------------------------------------------------------------------

bool TNavShellTree::CanEdit(TTreeNode* Node) {
    if (!TWideCustomTreeView::CanEdit(Node)) return false;
    TNavShellTreeNode* node = NodeOf(Node);
    if (!node || !node->Parent()) return false;
    try {
        makeCurrent(FNodeBrowser, node);
    } catch (const EShellNamespaceError&) {
        return false;
    }
    return FNodeBrowser->CanRename();
}

void TNavShellTree::Edit(const TVITEMA& Item) {
    TNavShellTreeNode* node = NodeOf(GetNodeFromItem(Item));
    if (!Item.pszText) {
        if (OnEditCanceled && node) OnEditCanceled(this, node);
        return;
    }
    renameNode(node, AnsiToWide(Item.pszText));
}

void TNavShellTree::Edit(const TVITEMW& Item) {
    TNavShellTreeNode* node = NodeOf(GetNodeFromTVItem(Item));
    if (!Item.pszText) {
        if (OnEditCanceled && node) OnEditCanceled(this, node);
        return;
    }
    renameNode(node, WideString(Item.pszText));
}

void TNavShellTree::renameNode(TNavShellTreeNode* Node, const WideString& Text) {
    if (!Node || !Node->Parent() || Text.empty() || Text == Node->Text()) {
        if (Node && OnEditCanceled) OnEditCanceled(this, Node);
        return;
    }
    const WideString oldPath = PidlToPath(Node->Absolute.get());
    WideString name = Text;
    try {
        makeCurrent(FBrowser, Node);
    } catch (const EShellNamespaceError&) {
        return;
    }
    if (!FBrowser->RenameObject(name)) {
        // Never onto another folder: the old name stays, and the user hears why.
        const DWORD error = GetLastError();
        const WideString text = u"\"" + Node->Text() + u"\" cannot be renamed to \"" + Text + u"\".\n" +
                                AnsiToWide(SystemErrorText(error));
        MessageBoxW(Handle(), text.c_str(), u"Rename", MB_OK | MB_ICONERROR);
        return;
    }
    Node->SetText(name);
    Node->Relative = FBrowser->ObjectPidl();
    Node->Absolute = PidlCopy(FBrowser->AbsoluteObjectPidl());
    const bool expanded = Node->Expanded();
    dropChildren(Node);
    Node->SetHasChildren(true);
    if (TNavShellTreeNode* parent = Node->ShellParent()) sortChildren(parent);
    auto files = std::make_unique<TFileNames>();
    files->Add(oldPath);
    report(opRenamed, std::move(files), PidlToPath(Node->Absolute.get()));
    // The list follows the new name of the selected folder (or of the renamed one).
    if (Node->Selected())
        tellLink(Node);
    else
        Node->SetSelected(true);
    if (expanded) Node->Expand(false);
}

// ---- Drawing ----------------------------------------------------------------------------------

bool TNavShellTree::IsCustomDrawn() const {
    return TWideCustomTreeView::IsCustomDrawn() || ColorCompressed() || ColorEncrypted();
}

bool TNavShellTree::CustomDrawItem(TTreeNode* Node, TCustomDrawState State) {
    if (TNavShellTreeNode* node = NodeOf(Node)) {
        if (node->Encrypted)
            Canvas()->Font()->SetColor(static_cast<TColor>(0x008000));
        else if (node->Compressed)
            Canvas()->Font()->SetColor(static_cast<TColor>(0xFF0000));
    }
    return TWideCustomTreeView::CustomDrawItem(Node, State);
}

// ---- Properties -------------------------------------------------------------------------------

TNotificationEvents TNavShellTree::eventFilter() const { return 0x3FDD0 | (ShowFiles() ? kFileEvents : 0); }

void TNavShellTree::setOption(TNavShellOptions Bit, bool Value) { SetOptions(Value ? FOptions | Bit : FOptions & ~Bit); }

void TNavShellTree::SetOptions(TNavShellOptions Value) {
    if (Value == FOptions) return;
    FOptions = Value;
    FBrowser->SetShowErrorMessages((FOptions & nsoShowErrorMessages) != 0);
    FNotifier->SetEventFilter(eventFilter());
    if (!ComponentState().Contains(csLoading) && HandleAllocated()) FullRefresh();
}

void TNavShellTree::SetFileSystemOnly(bool Value) {
    FBrowser->SetFileSystemOnly(Value);
    FNodeBrowser->SetFileSystemOnly(Value);
}

void TNavShellTree::SetFilter(const WideString& Value) {
    FBrowser->SetFilter(Value);
    if (!ComponentState().Contains(csLoading) && HandleAllocated()) FullRefresh();
}

void TNavShellTree::SetAutomaticRefresh(bool Value) {
    FAutomaticRefresh = Value;
    FNotifier->SetEnabled(Value);
}

void TNavShellTree::SetUseSystemFont(bool Value) {
    FUseSystemFont = Value;
    if (Value && !ComponentState().Contains(csLoading)) GetIconTitleFont(Font());
}

void TNavShellTree::SetShowOverlayIcons(bool Value) {
    if (Value == FShowOverlayIcons) return;
    FShowOverlayIcons = Value;
    if (!ComponentState().Contains(csLoading) && HandleAllocated()) FullRefresh();
}

// ---- Check boxes ------------------------------------------------------------------------------

void TNavShellTree::SetCheckBoxes(bool Value) {
    if (Value == FCheckBoxes) return;
    if (Value && !FLink) {
        if (ComponentState().Contains(csDesigning))
            MessageBoxA(nullptr,
                        "You must now assign a TNavShellLink to the ShellLink property of this components for the "
                        "checkboxes to work!",
                        "", MB_OK);
        return;
    }
    FCheckBoxes = Value;
    if (Value) {
        if (!FStateImageList) FStateImageList = new TNavSelectionStateImageList(this);
        SetStateImages(FStateImageList);
        RefreshChecks();
    } else {
        SetStateImages(nullptr);
        if (HandleAllocated())
            for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) n->SetStateIndex(-1);
    }
}

void TNavShellTree::RefreshChecks() {
    if (!FCheckBoxes || !FLink || !HandleAllocated()) return;
    for (TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext())
        n->SetStateIndex(FLink->SelectionList()->CheckStateOfList(NodeOf(n)->Absolute.get()));
}

void TNavShellTree::ToggleCheck(TNavShellTreeNode* Node) {
    if (!Node || !FCheckBoxes || !FLink) return;
    const WideString path = PidlToPath(Node->Absolute.get());
    const int state = FLink->SelectionList()->Toggle(path, Node->IsFolder);
    RefreshChecks();
    if (OnCheckStateChanged) OnCheckStateChanged(this, Node, path, state);
    FLink->IncrementalRefreshAll(this);
}
