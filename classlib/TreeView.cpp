// The tree view control: nodes on the items of the platform's tree-view window, their
// layout data, and the window's notifications turned into the control's events.
#include "classlib/ComCtrls.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

// ---- TTreeNode ----------------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* AOwner) : FOwner(AOwner) {}

TTreeNode::~TTreeNode() {
    FDeleting = true;
    if (FItemId && FOwner && FOwner->Owner() && FOwner->Owner()->HandleAllocated()) {
        const HTREEITEM id = FItemId;
        FItemId = nullptr;
        SendMessageA(FOwner->Owner()->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(id));
    }
}

TCustomTreeView* TTreeNode::TreeView() const { return FOwner ? FOwner->Owner() : nullptr; }

TTreeNode* TTreeNode::Node(HTREEITEM h) const { return FOwner->GetNode(h); }

HTREEITEM TTreeNode::Next(WPARAM how) const {
    if (!FItemId) return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageA(FOwner->Handle(), TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(FItemId)));
}

bool TTreeNode::State(UINT mask) const {
    if (!FItemId) return false;
    return (SendMessageA(FOwner->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), mask) & mask) != 0;
}

void TTreeNode::SetState(UINT mask, bool on) {
    if (!FItemId) return;
    TVITEMA t{};
    t.mask = TVIF_STATE | TVIF_HANDLE;
    t.hItem = FItemId;
    t.stateMask = mask;
    t.state = on ? mask : 0;
    SendMessageA(FOwner->Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&t));
}

void TTreeNode::SetItemMask(UINT mask) {
    if (!FItemId) return;
    TVITEMA t{};
    t.mask = mask | TVIF_HANDLE;
    t.hItem = FItemId;
    t.pszText = LPSTR_TEXTCALLBACKA;  // the window asks for the text when it shows it
    t.iImage = I_IMAGECALLBACK;
    t.iSelectedImage = I_IMAGECALLBACK;
    if (mask & TVIF_STATE) {
        t.stateMask = TVIS_OVERLAYMASK | TVIS_STATEIMAGEMASK;
        t.state = INDEXTOOVERLAYMASK(static_cast<UINT>(std::max(FOverlayIndex + 1, 0))) |
                  INDEXTOSTATEIMAGEMASK(static_cast<UINT>(std::max(FStateIndex, 0)));
    }
    SendMessageA(FOwner->Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&t));
}

void TTreeNode::SetText(const String& v) {
    FText = v;
    SetItemMask(TVIF_TEXT);
    if (TCustomTreeView* tv = TreeView(); tv && tv->SortType() >= stText && Parent()) Parent()->AlphaSort();
}

void TTreeNode::SetImageIndex(int v) {
    FImageIndex = v;
    if (TreeView()) TreeView()->Invalidate();
}

void TTreeNode::SetSelectedIndex(int v) {
    FSelectedIndex = v;
    if (TreeView()) TreeView()->Invalidate();
}

void TTreeNode::SetStateIndex(int v) {
    FStateIndex = v;
    SetItemMask(TVIF_STATE);
}

void TTreeNode::SetOverlayIndex(int v) {
    FOverlayIndex = v;
    SetItemMask(TVIF_STATE);
}

bool TTreeNode::HasChildren() const {
    if (!FItemId) return false;
    TVITEMA t{};
    t.mask = TVIF_CHILDREN | TVIF_HANDLE;
    t.hItem = FItemId;
    SendMessageA(FOwner->Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&t));
    return t.cChildren > 0;
}

void TTreeNode::SetHasChildren(bool v) {
    if (!FItemId) return;
    TVITEMA t{};
    t.mask = TVIF_CHILDREN | TVIF_HANDLE;
    t.hItem = FItemId;
    t.cChildren = v ? 1 : 0;
    SendMessageA(FOwner->Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&t));
}

bool TTreeNode::Expanded() const { return State(TVIS_EXPANDED); }
void TTreeNode::SetExpanded(bool v) {
    if (v) Expand(false);
    else Collapse(false);
}
bool TTreeNode::Selected() const { return State(TVIS_SELECTED); }
void TTreeNode::SetSelected(bool v) {
    if (v) SendMessageA(FOwner->Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FItemId));
    else SetState(TVIS_SELECTED, false);
}
bool TTreeNode::Focused() const { return Selected(); }
void TTreeNode::SetFocused(bool v) { SetSelected(v); }
bool TTreeNode::Cut() const { return State(TVIS_CUT); }
void TTreeNode::SetCut(bool v) { SetState(TVIS_CUT, v); }
bool TTreeNode::DropTarget() const { return State(TVIS_DROPHILITED); }
void TTreeNode::SetDropTarget(bool v) {
    SendMessageA(FOwner->Handle(), TVM_SELECTITEM, TVGN_DROPHILITE, v ? reinterpret_cast<LPARAM>(FItemId) : 0);
}

bool TTreeNode::IsVisible() const {
    RECT r{};
    HTREEITEM id = FItemId;
    std::memcpy(&r, &id, sizeof id);
    return FItemId && SendMessageA(FOwner->Handle(), TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r)) != 0;
}

TTreeNode* TTreeNode::Parent() const { return Node(Next(TVGN_PARENT)); }
TTreeNode* TTreeNode::GetFirstChild() const { return Node(Next(TVGN_CHILD)); }
TTreeNode* TTreeNode::GetNextSibling() const { return Node(Next(TVGN_NEXT)); }
TTreeNode* TTreeNode::GetPrevSibling() const { return Node(Next(TVGN_PREVIOUS)); }
TTreeNode* TTreeNode::GetNextVisible() const { return Node(Next(TVGN_NEXTVISIBLE)); }
TTreeNode* TTreeNode::GetPrevVisible() const { return Node(Next(TVGN_PREVIOUSVISIBLE)); }

TTreeNode* TTreeNode::GetLastChild() const {
    TTreeNode* n = GetFirstChild();
    while (n && n->GetNextSibling()) n = n->GetNextSibling();
    return n;
}

TTreeNode* TTreeNode::GetNext() const {
    if (TTreeNode* c = GetFirstChild()) return c;
    for (const TTreeNode* n = this; n; n = n->Parent())
        if (TTreeNode* s = n->GetNextSibling()) return s;
    return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
    TTreeNode* n = GetPrevSibling();
    if (!n) return Parent();
    while (TTreeNode* last = n->GetLastChild()) n = last;
    return n;
}

int TTreeNode::Count() const {
    int n = 0;
    for (TTreeNode* c = GetFirstChild(); c; c = c->GetNextSibling()) ++n;
    return n;
}

TTreeNode* TTreeNode::Item(int index) const {
    TTreeNode* c = GetFirstChild();
    for (int i = 0; c && i < index; ++i) c = c->GetNextSibling();
    if (!c || index < 0) throw EListError(SListIndexError, {index});
    return c;
}

int TTreeNode::Index() const {
    int i = 0;
    for (TTreeNode* s = GetPrevSibling(); s; s = s->GetPrevSibling()) ++i;
    return i;
}

int TTreeNode::AbsoluteIndex() const {
    int i = 0;
    for (TTreeNode* n = FOwner->GetFirstNode(); n && n != this; n = n->GetNext()) ++i;
    return i;
}

int TTreeNode::Level() const {
    int l = 0;
    for (TTreeNode* p = Parent(); p; p = p->Parent()) ++l;
    return l;
}

bool TTreeNode::HasAsParent(TTreeNode* value) const {
    for (TTreeNode* p = Parent(); p; p = p->Parent())
        if (p == value) return true;
    return false;
}

void TTreeNode::Expand(bool recurse) {
    if (FItemId) SendMessageA(FOwner->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItemId));
    if (recurse)
        for (TTreeNode* c = GetFirstChild(); c; c = c->GetNextSibling()) c->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
    if (recurse)
        for (TTreeNode* c = GetFirstChild(); c; c = c->GetNextSibling()) c->Collapse(true);
    if (FItemId) SendMessageA(FOwner->Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItemId));
}

void TTreeNode::MakeVisible() {
    if (FItemId) SendMessageA(FOwner->Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId));
}

bool TTreeNode::EditText() {
    return FItemId && SendMessageA(FOwner->Handle(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

void TTreeNode::EndEdit(bool cancel) { SendMessageA(FOwner->Handle(), TVM_ENDEDITLABELNOW, cancel ? 1 : 0, 0); }

RECT TTreeNode::DisplayRect(bool textOnly) const {
    RECT r{};
    HTREEITEM id = FItemId;
    std::memcpy(&r, &id, sizeof id);
    if (!FItemId || !SendMessageA(FOwner->Handle(), TVM_GETITEMRECT, textOnly ? 1 : 0, reinterpret_cast<LPARAM>(&r)))
        r = RECT{};
    return r;
}

bool TTreeNode::AlphaSort(bool recurse) {
    TCustomTreeView* tv = TreeView();
    if (!tv || !FItemId) return false;
    TVSORTCB cb{FItemId, &TCustomTreeView::DefaultTreeViewSort, reinterpret_cast<LPARAM>(tv)};
    return SendMessageA(FOwner->Handle(), TVM_SORTCHILDRENCB, recurse ? 1 : 0, reinterpret_cast<LPARAM>(&cb)) != 0;
}

void TTreeNode::Delete() {
    if (!FDeleting) delete this;
}

void TTreeNode::DeleteChildren() {
    if (!FItemId) return;
    while (TTreeNode* c = GetFirstChild()) c->Delete();
    SetHasChildren(false);
}

void TTreeNode::Assign(TPersistent* source) {
    auto* n = qobject_cast<TTreeNode*>(source);
    if (!n) {
        TPersistent::Assign(source);
        return;
    }
    SetText(n->Text());
    FData = n->Data();
    FImageIndex = n->ImageIndex();
    FSelectedIndex = n->SelectedIndex();
    FStateIndex = n->StateIndex();
    FOverlayIndex = n->OverlayIndex();
    SetItemMask(TVIF_STATE);
    SetHasChildren(n->HasChildren());
}

// ---- TTreeNodes ---------------------------------------------------------------------------

TTreeNodes::TTreeNodes(TCustomTreeView* AOwner) : FOwner(AOwner) {}

TTreeNodes::~TTreeNodes() = default;

HWND TTreeNodes::Handle() const { return FOwner->Handle(); }

int TTreeNodes::Count() const {
    if (!FOwner->HandleAllocated() && !FOwner->FSavedNodes) return 0;
    return static_cast<int>(SendMessageA(Handle(), TVM_GETCOUNT, 0, 0));
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM id) const {
    if (!id || !FOwner->HandleAllocated()) return nullptr;
    TVITEMA t{};
    t.mask = TVIF_PARAM | TVIF_HANDLE;
    t.hItem = id;
    if (!SendMessageA(FOwner->Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&t))) return nullptr;
    return reinterpret_cast<TTreeNode*>(t.lParam);
}

TTreeNode* TTreeNodes::GetFirstNode() const {
    if (!FOwner->HandleAllocated()) return nullptr;
    return GetNode(reinterpret_cast<HTREEITEM>(SendMessageA(FOwner->Handle(), TVM_GETNEXTITEM, TVGN_ROOT, 0)));
}

TTreeNode* TTreeNodes::Item(int index) const {
    TTreeNode* n = GetFirstNode();
    for (int i = 0; n && i < index; ++i) n = n->GetNext();
    if (!n || index < 0) throw EListError(SListIndexError, {index});
    return n;
}

TTreeNode* TTreeNodes::AddItem(HTREEITEM parent, HTREEITEM after, const String& s, void* ptr) {
    TTreeNode* node = FOwner->CreateNode();
    node->FText = s;
    node->FData = ptr;
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = LPSTR_TEXTCALLBACKA;
    ins.item.iImage = I_IMAGECALLBACK;
    ins.item.iSelectedImage = I_IMAGECALLBACK;
    ins.item.lParam = reinterpret_cast<LPARAM>(node);
    node->FItemId = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    if (!node->FItemId) {
        delete node;
        throw EOutOfResources("Failed to create a node");
    }
    if (parent && parent != TVI_ROOT && FUpdateCount == 0) {
        if (TTreeNode* p = GetNode(parent)) p->SetHasChildren(true);
    }
    return node;
}

TTreeNode* TTreeNodes::InternalAddObject(TTreeNode* node, const String& s, void* ptr, TAddMode mode) {
    // Mode taAdd: last child of node (null: top level); taAddFirst: first child; taInsert:
    // before node among its siblings.
    HTREEITEM parent = TVI_ROOT;
    HTREEITEM after = TVI_LAST;
    if (mode == taInsert) {
        if (node) {
            parent = node->Parent() ? node->Parent()->ItemId() : TVI_ROOT;
            TTreeNode* prev = node->GetPrevSibling();
            after = prev ? prev->ItemId() : TVI_FIRST;
        }
    } else {
        if (node) parent = node->ItemId();
        if (mode == taAddFirst) after = TVI_FIRST;
    }
    if (mode != taInsert && FOwner->SortType() >= stText) after = TVI_SORT;
    return AddItem(parent, after, s, ptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const String& s, void* ptr) {
    return InternalAddObject(sibling ? sibling->Parent() : nullptr, s, ptr, taAdd);
}

TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* sibling, const String& s, void* ptr) {
    return InternalAddObject(sibling ? sibling->Parent() : nullptr, s, ptr, taAddFirst);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const String& s, void* ptr) {
    return InternalAddObject(parent, s, ptr, taAdd);
}

TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* parent, const String& s, void* ptr) {
    return InternalAddObject(parent, s, ptr, taAddFirst);
}

TTreeNode* TTreeNodes::InsertObject(TTreeNode* sibling, const String& s, void* ptr) {
    return InternalAddObject(sibling, s, ptr, taInsert);
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (node) node->Delete();
}

void TTreeNodes::Clear() {
    if (!FOwner->HandleAllocated()) return;
    SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void TTreeNodes::BeginUpdate() {
    if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0 && FOwner->HandleAllocated()) {
        SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
        FOwner->Invalidate();
    }
}

void TTreeNodes::Assign(TPersistent* source) {
    auto* other = qobject_cast<TTreeNodes*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    TMemoryStream stream;
    other->WriteData(&stream);
    stream.SetPosition(0);
    ReadData(&stream);
}

void TTreeNodes::DefineProperties(TFiler* filer) {
    TPersistent::DefineProperties(filer);
    bool hasData = Count() > 0;
    if (auto* ancestor = qobject_cast<TTreeNodes*>(filer->Ancestor())) {
        // Written unless the ancestor holds the same nodes.
        hasData = ancestor->Count() != Count();
        for (TTreeNode *a = ancestor->GetFirstNode(), *n = GetFirstNode(); !hasData && a && n;
             a = a->GetNext(), n = n->GetNext())
            hasData = a->Text() != n->Text() || a->Data() != n->Data() || a->ImageIndex() != n->ImageIndex() ||
                      a->SelectedIndex() != n->SelectedIndex() || a->StateIndex() != n->StateIndex() ||
                      a->OverlayIndex() != n->OverlayIndex();
    }
    filer->DefineBinaryProperty("Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); },
                                hasData);
}

void TTreeNodes::WriteNode(TStream* stream, TTreeNode* node) {
    const std::size_t length = std::min<std::size_t>(node->Text().size(), 255);
    const int32_t size = static_cast<int32_t>(25 + length);
    const int32_t values[4] = {node->ImageIndex(), node->SelectedIndex(), node->StateIndex(), node->OverlayIndex()};
    const auto data = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(node->Data()));
    const int32_t children = node->Count();
    stream->WriteBuffer(&size, 4);
    stream->WriteBuffer(values, 16);
    stream->WriteBuffer(&data, 4);
    stream->WriteBuffer(&children, 4);
    const auto len = static_cast<uint8_t>(length);
    stream->WriteBuffer(&len, 1);
    if (length) stream->WriteBuffer(node->Text().data(), static_cast<Int64>(length));
    for (TTreeNode* c = node->GetFirstChild(); c; c = c->GetNextSibling()) WriteNode(stream, c);
}

void TTreeNodes::WriteData(TStream* stream) {
    int32_t top = 0;
    for (TTreeNode* n = GetFirstNode(); n; n = n->GetNextSibling()) ++top;
    stream->WriteBuffer(&top, 4);
    for (TTreeNode* n = GetFirstNode(); n; n = n->GetNextSibling()) WriteNode(stream, n);
}

void TTreeNodes::ReadNode(TStream* stream, TTreeNode* parent) {
    int32_t size = 0;
    stream->ReadBuffer(&size, 4);
    // A record holds 24 bytes of values and a length byte, and at most 255 bytes of text.
    if (size < 25 || size > 280) throw EReadError(SReadError);
    unsigned char record[280];
    stream->ReadBuffer(record, size);
    int32_t values[4];
    uint32_t data = 0;
    int32_t children = 0;
    std::memcpy(values, record, 16);
    std::memcpy(&data, record + 16, 4);
    std::memcpy(&children, record + 20, 4);
    const int length = record[24];
    if (25 + length > size || children < 0) throw EReadError(SReadError);
    const String text(reinterpret_cast<const char*>(record + 25), static_cast<std::size_t>(length));
    TTreeNode* node = InternalAddObject(parent, text, reinterpret_cast<void*>(static_cast<uintptr_t>(data)), taAdd);
    node->FImageIndex = values[0];
    node->FSelectedIndex = values[1];
    node->FStateIndex = values[2];
    node->FOverlayIndex = values[3];
    node->SetItemMask(TVIF_STATE);
    for (int32_t k = 0; k < children; ++k) ReadNode(stream, node);
    if (children > 0) node->SetHasChildren(true);
}

void TTreeNodes::ReadData(TStream* stream) {
    BeginUpdate();
    try {
        Clear();
        int32_t top = 0;
        stream->ReadBuffer(&top, 4);
        if (top < 0) throw EReadError(SReadError);
        for (int32_t k = 0; k < top; ++k) ReadNode(stream, nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- TCustomTreeView ----------------------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 121;
    FHeight = 97;
    FTabStop = true;
    ControlStyle &= ~csSetCaption;
    FColor = clWindow;
    FTreeNodes = new TTreeNodes(this);
    FCanvas = new TCanvas;
    FImageChangeLink = new TChangeLink;
    FImageChangeLink->OnChange = [this](TObject* s) { ImageListChange(s); };
    FStateChangeLink = new TChangeLink;
    FStateChangeLink->OnChange = [this](TObject* s) { ImageListChange(s); };
}

TCustomTreeView::~TCustomTreeView() {
    FDestroying = true;
    if (HandleAllocated()) DestroyHandle();
    delete FSavedNodes;
    delete FTreeNodes;
    delete FImageChangeLink;
    delete FStateChangeLink;
    delete FCanvas;
}

void TCustomTreeView::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    const INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&init);
    CreateSubClass(p, WC_TREEVIEWA);
    if (FShowButtons) p.Style |= TVS_HASBUTTONS;
    if (FShowLines) p.Style |= TVS_HASLINES;
    if (FShowRoot) p.Style |= TVS_LINESATROOT;
    if (!FReadOnly) p.Style |= TVS_EDITLABELS;
    if (!FHideSelection) p.Style |= TVS_SHOWSELALWAYS;
    if (FRowSelect) p.Style |= TVS_FULLROWSELECT;
    if (FAutoExpand) p.Style |= TVS_SINGLEEXPAND;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageA(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
    if (FImages) SetImageList(FImages->Handle(), TVSIL_NORMAL);
    if (FStateImages) SetImageList(FStateImages->Handle(), TVSIL_STATE);
    if (FSavedNodes) {
        // The nodes kept while the window was made again.
        FSavedNodes->SetPosition(0);
        FTreeNodes->ReadData(FSavedNodes);
        delete FSavedNodes;
        FSavedNodes = nullptr;
        if (FSavedSelectedIndex >= 0 && FSavedSelectedIndex < FTreeNodes->Count())
            SetSelected(FTreeNodes->Item(FSavedSelectedIndex));
        FSavedSelectedIndex = -1;
    }
}

void TCustomTreeView::DestroyWnd() {
    if (!FDestroying && !ComponentState().Contains(csDestroying) && FTreeNodes->Count() > 0) {
        delete FSavedNodes;
        FSavedNodes = new TMemoryStream;
        FTreeNodes->WriteData(FSavedNodes);
        FSavedSelectedIndex = Selected() ? Selected()->AbsoluteIndex() : -1;
    }
    // The nodes go with the window (their deletions are told while it exists).
    FTreeNodes->Clear();
    TWinControl::DestroyWnd();
}

void TCustomTreeView::Notification(TComponent* c, TOperation op) {
    TWinControl::Notification(c, op);
    if (op != opRemove) return;
    if (c == FImages) SetImages(nullptr);
    if (c == FStateImages) SetStateImages(nullptr);
}

TTreeNode* TCustomTreeView::CreateNode() { return new TTreeNode(FTreeNodes); }

void TCustomTreeView::SetStyleFlag(bool& flag, bool v) {
    if (flag == v) return;
    flag = v;
    RecreateWnd();
}

void TCustomTreeView::SetImageList(HIMAGELIST value, WPARAM flags) {
    if (HandleAllocated()) SendMessageA(FHandle, TVM_SETIMAGELIST, flags, reinterpret_cast<LPARAM>(value));
}

void TCustomTreeView::ImageListChange(TObject* sender) {
    if (!HandleAllocated()) return;
    if (sender == FImages && FImages) SetImageList(FImages->Handle(), TVSIL_NORMAL);
    if (sender == FStateImages && FStateImages) SetImageList(FStateImages->Handle(), TVSIL_STATE);
}

void TCustomTreeView::SetImages(TCustomImageList* v) {
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink);
    FImages = v;
    if (v) {
        v->RegisterChanges(FImageChangeLink);
        v->FreeNotification(this);
        SetImageList(v->Handle(), TVSIL_NORMAL);
    } else {
        SetImageList(nullptr, TVSIL_NORMAL);
    }
}

void TCustomTreeView::SetStateImages(TCustomImageList* v) {
    if (FStateImages) FStateImages->UnRegisterChanges(FStateChangeLink);
    FStateImages = v;
    if (v) {
        v->RegisterChanges(FStateChangeLink);
        v->FreeNotification(this);
        SetImageList(v->Handle(), TVSIL_STATE);
    } else {
        SetImageList(nullptr, TVSIL_STATE);
    }
}

int TCustomTreeView::Indent() const {
    if (FHandle) return static_cast<int>(SendMessageA(FHandle, TVM_GETINDENT, 0, 0));
    return FIndent;
}

void TCustomTreeView::SetIndent(int v) {
    FIndent = v;
    if (FHandle) SendMessageA(FHandle, TVM_SETINDENT, static_cast<WPARAM>(v), 0);
}

void TCustomTreeView::SetSortType(TSortType v) {
    if (FSortType == v) return;
    FSortType = v;
    if (v != stNone && HandleAllocated()) AlphaSort();
}

TTreeNode* TCustomTreeView::Selected() const {
    if (!FHandle) return nullptr;
    return FTreeNodes->GetNode(reinterpret_cast<HTREEITEM>(SendMessageA(FHandle, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* v) {
    if (v) v->SetSelected(true);
    else if (HandleAllocated()) SendMessageA(FHandle, TVM_SELECTITEM, TVGN_CARET, 0);
}

TTreeNode* TCustomTreeView::TopItem() const {
    if (!FHandle) return nullptr;
    return FTreeNodes->GetNode(reinterpret_cast<HTREEITEM>(SendMessageA(FHandle, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

bool TCustomTreeView::IsEditing() const {
    return FHandle && SendMessageA(FHandle, TVM_GETEDITCONTROL, 0, 0) != 0;
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const {
    if (!FHandle) return nullptr;
    TVHITTESTINFO h{POINT{x, y}, 0, nullptr};
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageA(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h)));
    if (!item || !(h.flags & (TVHT_ONITEM | TVHT_ONITEMBUTTON))) return nullptr;
    return FTreeNodes->GetNode(item);
}

UINT TCustomTreeView::GetHitTestInfoAt(int x, int y) const {
    if (!FHandle) return TVHT_NOWHERE;
    TVHITTESTINFO h{POINT{x, y}, 0, nullptr};
    SendMessageA(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h));
    return h.flags;
}

int TCustomTreeView::DefaultTreeViewSort(LPARAM a, LPARAM b, LPARAM data) {
    auto* tv = reinterpret_cast<TCustomTreeView*>(data);
    auto* n1 = reinterpret_cast<TTreeNode*>(a);
    auto* n2 = reinterpret_cast<TTreeNode*>(b);
    if (tv->OnCompare) {
        int result = 0;
        tv->OnCompare(tv, n1, n2, 0, result);
        return result;
    }
    // Case-insensitive by the ANSI texts, as lstrcmpi compares.
    return QString::compare(QString::fromStdString(std::string(n1->Text())), QString::fromStdString(std::string(n2->Text())),
                            Qt::CaseInsensitive);
}

bool TCustomTreeView::CustomSort(PFNTVCOMPARE proc, LPARAM data) {
    if (!HandleAllocated()) return false;
    TVSORTCB cb{TVI_ROOT, proc ? proc : &DefaultTreeViewSort, proc ? data : reinterpret_cast<LPARAM>(this)};
    return SendMessageA(FHandle, TVM_SORTCHILDRENCB, 1, reinterpret_cast<LPARAM>(&cb)) != 0;
}

bool TCustomTreeView::AlphaSort() { return CustomSort(nullptr, 0); }

void TCustomTreeView::FullExpand() {
    for (TTreeNode* n = FTreeNodes->GetFirstNode(); n; n = n->GetNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
    for (TTreeNode* n = FTreeNodes->GetFirstNode(); n; n = n->GetNextSibling()) n->Collapse(true);
}

TTreeNode* TCustomTreeView::GetNodeFromItem(const TVITEMA& item) const {
    if (item.mask & TVIF_PARAM) return reinterpret_cast<TTreeNode*>(item.lParam);
    return FTreeNodes->GetNode(item.hItem);
}

bool TCustomTreeView::CanEdit(TTreeNode* node) {
    bool allow = true;
    if (OnEditing) OnEditing(this, node, allow);
    return allow;
}

bool TCustomTreeView::CanChange(TTreeNode* node) {
    bool allow = true;
    if (OnChanging) OnChanging(this, node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* node) {
    if (OnChange) OnChange(this, node);
}

bool TCustomTreeView::CanExpand(TTreeNode* node) {
    bool allow = true;
    if (OnExpanding) OnExpanding(this, node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* node) {
    if (OnExpanded) OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node) {
    bool allow = true;
    if (OnCollapsing) OnCollapsing(this, node, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node) {
    if (OnCollapsed) OnCollapsed(this, node);
}

void TCustomTreeView::Delete(TTreeNode* node) {
    if (OnDeletion) OnDeletion(this, node);
}

void TCustomTreeView::Edit(const TVITEMA& item) {
    TTreeNode* node = GetNodeFromItem(item);
    if (!item.pszText) return;  // cancelled
    String s(item.pszText);
    if (OnEdited) OnEdited(this, node, s);
    if (node) node->SetText(s);
}

void TCustomTreeView::GetImageIndex(TTreeNode* node) {
    if (OnGetImageIndex) OnGetImageIndex(this, node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* node) {
    if (OnGetSelectedIndex) OnGetSelectedIndex(this, node);
}

bool TCustomTreeView::CustomDrawItem(TTreeNode* node, TCustomDrawState state) {
    bool defaultDraw = true;
    if (OnCustomDrawItem) OnCustomDrawItem(this, node, state, defaultDraw);
    return defaultDraw;
}

void TCustomTreeView::CNNotify(TMessage& m) {
    auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
    m.Result = 0;
    if (!hdr) return;
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(m.LParam);
    switch (hdr->code) {
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW:
        FDragging = true;
        if (OnStartNodeDrag) OnStartNodeDrag(this, GetNodeFromItem(tv->itemNew));
        FDragging = false;
        break;
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW: {
        auto* d = reinterpret_cast<NMTVDISPINFOA*>(m.LParam);
        if (FDragging || !CanEdit(GetNodeFromItem(d->item))) m.Result = 1;
        else FEditHandle = reinterpret_cast<HWND>(SendMessageA(FHandle, TVM_GETEDITCONTROL, 0, 0));
        break;
    }
    case TVN_ENDLABELEDITA: {
        FEditHandle = nullptr;
        Edit(reinterpret_cast<NMTVDISPINFOA*>(m.LParam)->item);
        break;
    }
    case TVN_ENDLABELEDITW: {
        FEditHandle = nullptr;
        auto* d = reinterpret_cast<NMTVDISPINFOW*>(m.LParam);
        TVITEMA a{};
        std::memcpy(&a, &d->item, sizeof a);
        std::string text;
        if (d->item.pszText) {
            text = platform::wideToAnsi(reinterpret_cast<const char16_t*>(d->item.pszText));
            a.pszText = text.data();
        }
        Edit(a);
        break;
    }
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        TTreeNode* node = GetNodeFromItem(tv->itemNew);
        if (tv->action == TVE_EXPAND && !CanExpand(node)) m.Result = 1;
        else if (tv->action == TVE_COLLAPSE && !CanCollapse(node)) m.Result = 1;
        break;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
        TTreeNode* node = GetNodeFromItem(tv->itemNew);
        if (tv->action == TVE_EXPAND) Expand(node);
        else if (tv->action == TVE_COLLAPSE) Collapse(node);
        break;
    }
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW:
        if (!CanChange(GetNodeFromItem(tv->itemNew))) m.Result = 1;
        break;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: Change(GetNodeFromItem(tv->itemNew)); break;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW: {
        auto* node = reinterpret_cast<TTreeNode*>(tv->itemOld.lParam);
        if (!node) break;
        if (!FDestroying) Delete(node);
        // The window's item is gone: the node goes too, unless it is the one being deleted.
        node->FItemId = nullptr;
        if (!node->FDeleting) {
            node->FDeleting = true;
            delete node;
        }
        break;
    }
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW: {
        auto* d = reinterpret_cast<NMTVDISPINFOA*>(m.LParam);
        TTreeNode* node = GetNodeFromItem(d->item);
        if (!node) break;
        if ((d->item.mask & TVIF_TEXT) && d->item.pszText && d->item.cchTextMax > 0) {
            // At most the buffer size less one, always terminated.
            const std::size_t room = static_cast<std::size_t>(d->item.cchTextMax) - 1;
            if (hdr->code == TVN_GETDISPINFOW) {
                const std::u16string w = platform::ansiToWide(node->FText);
                const std::size_t n = std::min(w.size(), room);
                auto* out = reinterpret_cast<NMTVDISPINFOW*>(m.LParam)->item.pszText;
                std::copy_n(w.data(), n, out);
                out[n] = 0;
            } else {
                const std::size_t n = std::min(node->FText.size(), room);
                std::memcpy(d->item.pszText, node->FText.data(), n);
                d->item.pszText[n] = 0;
            }
        }
        if (d->item.mask & TVIF_IMAGE) {
            GetImageIndex(node);
            d->item.iImage = node->ImageIndex();
        }
        if (d->item.mask & TVIF_SELECTEDIMAGE) {
            GetSelectedIndex(node);
            d->item.iSelectedImage = node->SelectedIndex();
        }
        break;
    }
    case NM_CUSTOMDRAW: {
        auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(m.LParam);
        if (!IsCustomDrawn()) {
            m.Result = CDRF_DODEFAULT;
            break;
        }
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
            m.Result = CDRF_NOTIFYITEMDRAW;
            break;
        }
        if (cd->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) break;
        TTreeNode* node = FTreeNodes->GetNode(reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec));
        if (!node) break;
        TCustomDrawState state = 0;
        if (cd->nmcd.uItemState & CDIS_SELECTED) state |= cdsSelected;
        if (cd->nmcd.uItemState & CDIS_FOCUS) state |= cdsFocused;
        if (cd->nmcd.uItemState & CDIS_DISABLED) state |= cdsDisabled;
        if (cd->nmcd.uItemState & CDIS_HOT) state |= cdsHot;
        FCanvas->SetHandle(cd->nmcd.hdc);
        FCanvas->Font()->SetColor(static_cast<int>(cd->clrText));
        FCanvas->Brush()->SetColor(static_cast<int>(cd->clrTextBk));
        const bool draw = CustomDrawItem(node, state);
        cd->clrText = ColorToRGB(FCanvas->Font()->Color());
        cd->clrTextBk = ColorToRGB(FCanvas->Brush()->Color());
        FCanvas->SetHandle(nullptr);
        m.Result = draw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT;
        break;
    }
    case NM_RCLICK:
        if (FRightClickSelect) {
            POINT p{};
            GetCursorPos(&p);
            ::ScreenToClient(FHandle, &p);
            if (TTreeNode* n = GetNodeAt(p.x, p.y)) n->SetSelected(true);
        }
        break;
    default: break;
    }
}

void TCustomTreeView::Dispatch(TMessage& m) {
    if (m.Msg == CN_NOTIFY) {
        CNNotify(m);
        return;
    }
    TWinControl::Dispatch(m);
}
