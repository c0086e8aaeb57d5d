// The wide tree view: wide nodes over the class library's tree view, its UTF-16 window,
// the texts it asks for, sorts and edits, "Utf8Data" in layouts, and the wide texts kept
// while the window is made again.
#include "widetext/WideComCtrlsTreeView.h"

#include "widetext/WideComCtrls.h"
#include "widetext/WideProperties.h"

#include <cstring>
#include <vector>

namespace {

// The callback of the class library's AlphaSort, learned from the first window made.
PFNTVCOMPARE learnedSort = nullptr;

TWideTreeNode* wideNode(TTreeNode* Node) {
    if (Node && !qobject_cast<TWideTreeNode*>(Node)) throw EInvalidCast(SInvalidCast);
    return static_cast<TWideTreeNode*>(Node);
}

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr int kRecordFixed = 25;       // four indexes, data, child count, length byte
constexpr int kRecordMax = 25 + 255;   // and at most 255 bytes of text
constexpr Int64 kSmallestNode = 4 + kRecordFixed;

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The text of a node record: EF BB BF and as much UTF-8 as 255 bytes hold, ending on a
// whole character.
std::string recordText(const WideString& Text) {
    std::size_t n = std::min<std::size_t>(Text.size(), 255);
    for (;;) {
        while (n > 0 && isHighSurrogate(Text[n - 1])) --n;
        std::string bytes = std::string(kUtf8Mark) + WideToUtf8(Text.substr(0, n));
        if (bytes.size() <= 255 || n == 0) return bytes;
        --n;
    }
}

// The wide text of a record's text bytes: UTF-8 after the mark (8-bit text should that
// fail), 8-bit text without it.
WideString textOfRecord(const std::string& Bytes) {
    if (Bytes.compare(0, 3, kUtf8Mark) == 0) {
        const std::string utf8 = Bytes.substr(3);
        const WideString wide = Utf8ToWide(utf8);
        if (!wide.empty() || utf8.empty()) return wide;
        return AnsiToWide(utf8);
    }
    return AnsiToWide(Bytes);
}

Int64 remaining(TStream* Stream) { return Stream->Size() - Stream->Position(); }

}  // namespace

// ---- TWideTreeNode -------------------------------------------------------------------------

TWideTreeNode::TWideTreeNode(TTreeNodes* AOwner) : TTreeNode(AOwner) {}

WideString TWideTreeNode::Text() const { return GetSyncedWideString(FWideText, TTreeNode::Text()); }

void TWideTreeNode::SetText(const WideString& Value) {
    SetSyncedWideString(Value, FWideText, TTreeNode::Text(), [this](const String& s) { TTreeNode::SetText(s); });
}

void TWideTreeNode::Assign(TPersistent* Source) {
    TTreeNode::Assign(Source);
    if (Deleting()) return;
    if (auto* wide = qobject_cast<TWideTreeNode*>(Source)) SetText(wide->Text());
}

bool TWideTreeNode::Equals(const TWideTreeNode* Node) const {
    return Node && Text() == Node->Text() && Data() == Node->Data();
}

TWideTreeNode* TWideTreeNode::GetFirstChild() const { return wideNode(TTreeNode::GetFirstChild()); }
TWideTreeNode* TWideTreeNode::Item(int Index) const { return wideNode(TTreeNode::Item(Index)); }
TWideTreeNode* TWideTreeNode::GetNext() const { return wideNode(TTreeNode::GetNext()); }
TWideTreeNode* TWideTreeNode::GetNextChild(TTreeNode* Value) const { return wideNode(TTreeNode::GetNextChild(Value)); }
TWideTreeNode* TWideTreeNode::GetNextSibling() const { return wideNode(TTreeNode::GetNextSibling()); }
TWideTreeNode* TWideTreeNode::Parent() const { return wideNode(TTreeNode::Parent()); }

TWideTreeNodes* TWideTreeNode::Owner() const {
    auto* nodes = qobject_cast<TWideTreeNodes*>(TTreeNode::Owner());
    if (!nodes && TTreeNode::Owner()) throw EInvalidCast(SInvalidCast);
    return nodes;
}

TWideCustomTreeView* TWideTreeNode::TreeView() const {
    auto* tv = qobject_cast<TWideCustomTreeView*>(TTreeNode::TreeView());
    if (!tv && TTreeNode::TreeView()) throw EInvalidCast(SInvalidCast);
    return tv;
}

// ---- TWideTreeNodes ------------------------------------------------------------------------

TWideTreeNodes::TWideTreeNodes(TCustomTreeView* AOwner) : TTreeNodes(AOwner) {}

TWideTreeNode* TWideTreeNodes::AddChildObject(TTreeNode* Parent, const WideString& S, void* Ptr) {
    TWideTreeNode* node = wideNode(InternalAddObject(Parent, String(), Ptr, taAdd));
    node->SetText(S);
    return node;
}

TWideTreeNode* TWideTreeNodes::AddObject(TTreeNode* Sibling, const WideString& S, void* Ptr) {
    return AddChildObject(Sibling ? Sibling->Parent() : nullptr, S, Ptr);
}

TWideTreeNode* TWideTreeNodes::Item(int Index) const { return wideNode(TTreeNodes::Item(Index)); }
TWideTreeNode* TWideTreeNodes::GetNode(HTREEITEM ItemId) const { return wideNode(TTreeNodes::GetNode(ItemId)); }
TWideTreeNode* TWideTreeNodes::GetFirstNode() const { return wideNode(TTreeNodes::GetFirstNode()); }

TWideCustomTreeView* TWideTreeNodes::Owner() const {
    auto* tv = qobject_cast<TWideCustomTreeView*>(TTreeNodes::Owner());
    if (!tv && TTreeNodes::Owner()) throw EInvalidCast(SInvalidCast);
    return tv;
}

void TWideTreeNodes::copyNode(TWideTreeNode* Source, TTreeNode* Parent) {
    TWideTreeNode* node = AddChildObject(Parent, Source->Text(), Source->Data());
    node->SetImageIndex(Source->ImageIndex());
    node->SetSelectedIndex(Source->SelectedIndex());
    node->SetStateIndex(Source->StateIndex());
    node->SetOverlayIndex(Source->OverlayIndex());
    for (TWideTreeNode* child = Source->GetFirstChild(); child; child = child->GetNextSibling()) copyNode(child, node);
    node->SetHasChildren(Source->HasChildren());
}

void TWideTreeNodes::Assign(TPersistent* Source) {
    auto* other = qobject_cast<TWideTreeNodes*>(Source);
    if (!other) {
        TTreeNodes::Assign(Source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    try {
        Clear();
        for (TWideTreeNode* n = other->GetFirstNode(); n; n = n->GetNextSibling()) copyNode(n, nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideTreeNodes::DefineProperties(TFiler* Filer) {
    TTreeNodes::DefineProperties(Filer);
    bool hasData = Count() > 0;
    if (TPersistent* ancestor = Filer->Ancestor()) {
        auto* nodes = qobject_cast<TWideTreeNodes*>(ancestor);
        hasData = !nodes || nodes->Count() != Count();
        for (TWideTreeNode *a = nodes ? nodes->GetFirstNode() : nullptr, *n = GetFirstNode(); !hasData && a && n;
             a = a->GetNext(), n = n->GetNext())
            hasData = !a->Equals(n);
    }
    Filer->DefineBinaryProperty("Utf8Data", [this](TStream* s) { ReadUtf8Data(s); },
                                [this](TStream* s) { WriteUtf8Data(s); }, hasData);
}

void TWideTreeNodes::writeUtf8Node(TStream* Stream, TWideTreeNode* Node) {
    const std::string text = recordText(Node->Text());
    const auto size = static_cast<std::int32_t>(kRecordFixed + text.size());
    const std::int32_t values[4] = {Node->ImageIndex(), Node->SelectedIndex(), Node->StateIndex(), Node->OverlayIndex()};
    const auto data = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(Node->Data()));
    const std::int32_t children = Node->Count();
    const auto length = static_cast<std::uint8_t>(text.size());
    Stream->WriteBuffer(&size, 4);
    Stream->WriteBuffer(values, 16);
    Stream->WriteBuffer(&data, 4);
    Stream->WriteBuffer(&children, 4);
    Stream->WriteBuffer(&length, 1);
    Stream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
    for (TWideTreeNode* c = Node->GetFirstChild(); c; c = c->GetNextSibling()) writeUtf8Node(Stream, c);
}

void TWideTreeNodes::WriteUtf8Data(TStream* Stream) {
    std::int32_t top = 0;
    for (TWideTreeNode* n = GetFirstNode(); n; n = n->GetNextSibling()) ++top;
    Stream->WriteBuffer(&top, 4);
    for (TWideTreeNode* n = GetFirstNode(); n; n = n->GetNextSibling()) writeUtf8Node(Stream, n);
}

void TWideTreeNodes::readUtf8Node(TStream* Stream, TTreeNode* Parent, int Depth) {
    if (Depth > MaxUtf8DataDepth) throw EReadError(SReadError);
    std::int32_t size = 0;
    Stream->ReadBuffer(&size, 4);
    if (size < kRecordFixed || size > kRecordMax || size > remaining(Stream)) throw EReadError(SReadError);
    unsigned char record[kRecordMax];
    Stream->ReadBuffer(record, size);
    std::int32_t values[4];
    std::uint32_t data = 0;
    std::int32_t children = 0;
    std::memcpy(values, record, 16);
    std::memcpy(&data, record + 16, 4);
    std::memcpy(&children, record + 20, 4);
    const int length = record[24];
    if (length != size - kRecordFixed || children < 0 || children > remaining(Stream) / kSmallestNode)
        throw EReadError(SReadError);
    const std::string text(reinterpret_cast<const char*>(record + kRecordFixed), static_cast<std::size_t>(length));
    TWideTreeNode* node =
        AddChildObject(Parent, textOfRecord(text), reinterpret_cast<void*>(static_cast<std::uintptr_t>(data)));
    node->SetImageIndex(values[0]);
    node->SetSelectedIndex(values[1]);
    node->SetStateIndex(values[2]);
    node->SetOverlayIndex(values[3]);
    for (std::int32_t k = 0; k < children; ++k) readUtf8Node(Stream, node, Depth + 1);
    if (children > 0) node->SetHasChildren(true);
}

void TWideTreeNodes::ReadUtf8Data(TStream* Stream) {
    TCustomTreeView* view = TTreeNodes::Owner();
    const bool update = view && view->HandleAllocated();
    if (update) BeginUpdate();
    try {
        Clear();
        std::int32_t top = 0;
        Stream->ReadBuffer(&top, 4);
        if (top < 0 || top > remaining(Stream) / kSmallestNode) throw EReadError(SReadError);
        for (std::int32_t k = 0; k < top; ++k) readUtf8Node(Stream, nullptr, 1);
    } catch (...) {
        if (update) EndUpdate();
        throw;
    }
    if (update) EndUpdate();
}

// ---- TWideCustomTreeView -------------------------------------------------------------------

TWideCustomTreeView::TWideCustomTreeView(TComponent* AOwner) : _WideInternalCustomTreeView(AOwner) {
    FEditInstance = MakeObjectInstance([this](TMessage& m) { EditWndProc(m); });
    delete FTreeNodes;
    FTreeNodes = new TWideTreeNodes(this);
}

TWideCustomTreeView::~TWideCustomTreeView() {
    // The window goes while the control is still this class, telling nobody of its nodes.
    Destroying();
    OnDeletion = nullptr;
    DestroyHandle();
    FreeObjectInstance(FEditInstance);
}

TWideTreeNodes* TWideCustomTreeView::Items() const {
    auto* nodes = qobject_cast<TWideTreeNodes*>(TCustomTreeView::Items());
    if (!nodes) throw EInvalidCast(SInvalidCast);
    return nodes;
}

TWideTreeNode* TWideCustomTreeView::Selected() const { return wideNode(TCustomTreeView::Selected()); }

TWideTreeNode* TWideCustomTreeView::GetNodeAt(int X, int Y) const { return wideNode(TCustomTreeView::GetNodeAt(X, Y)); }

TWideTreeNode* TWideCustomTreeView::GetNodeFromTVItem(const TVITEMW& Item) const {
    if (!FTreeNodes) return nullptr;
    if (Item.mask & TVIF_PARAM) return wideNode(reinterpret_cast<TTreeNode*>(Item.lParam));
    return wideNode(FTreeNodes->GetNode(Item.hItem));
}

TTreeNode* TWideCustomTreeView::CreateNode() { return new TWideTreeNode(FTreeNodes); }

void TWideCustomTreeView::DefineProperties(TFiler* Filer) {
    _WideInternalCustomTreeView::DefineProperties(Filer);
    DefineWidePropertiesHook(Filer, this);
}

void TWideCustomTreeView::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeWindow(this, Params, WC_TREEVIEWW);
    if (!PlatformHasWideApi()) return;
    SendMessageW(WindowHandle(), CCM_SETUNICODEFORMAT, 1, 0);
    if (learnedSort) return;
    FLearning = true;
    try {
        AlphaSort();
    } catch (...) {
        FLearning = false;
        throw;
    }
    FLearning = false;
}

void TWideCustomTreeView::CreateWnd() {
    try {
        _WideInternalCustomTreeView::CreateWnd();
        // The nodes came back from their 8-bit data: each takes its whole wide text again,
        // in the same depth-first order.
        if (FSavedNodeTexts) {
            std::vector<TWideTreeNode*> nodes;
            for (TWideTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) nodes.push_back(n);
            if (static_cast<int>(nodes.size()) == FSavedNodeTexts->Count())
                for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i]->SetText(FSavedNodeTexts->Get(static_cast<int>(i)));
        }
    } catch (...) {
        FSavedNodeTexts.reset();
        throw;
    }
    FSavedNodeTexts.reset();
}

void TWideCustomTreeView::DestroyWnd() {
    if (!ComponentState().Contains(csDestroying)) {
        FSavedNodeTexts = std::make_unique<TWideStringList>();
        for (TWideTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNext()) FSavedNodeTexts->Add(n->Text());
    }
    _WideInternalCustomTreeView::DestroyWnd();
}

void TWideCustomTreeView::WndProc(TMessage& m) {
    if (m.Msg == TVM_SORTCHILDRENCB) {
        auto* sort = reinterpret_cast<TVSORTCB*>(m.LParam);
        if (FLearning) {
            if (sort) learnedSort = sort->lpfnCompare;
            m.Result = 0;
            return;
        }
        if (PlatformHasWideApi() && sort && learnedSort && sort->lpfnCompare == learnedSort) {
            sort->lpfnCompare = &WideTreeViewSort;
            m.Result = SendMessageW(WindowHandle(), TVM_SORTCHILDRENCB, m.WParam, m.LParam);
            return;
        }
    }
    _WideInternalCustomTreeView::WndProc(m);
}

int TWideCustomTreeView::WideTreeViewSort(LPARAM Node1, LPARAM Node2, LPARAM) {
    auto* a = qobject_cast<TWideTreeNode*>(reinterpret_cast<TTreeNode*>(Node1));
    auto* b = qobject_cast<TWideTreeNode*>(reinterpret_cast<TTreeNode*>(Node2));
    TWideCustomTreeView* tv = a ? a->TreeView() : nullptr;
    if (!a || !b || !tv) return 0;
    if (tv->OnCompare) {
        int result = 0;
        tv->OnCompare(tv, a, b, 0, result);
        return result;
    }
    return lstrcmpW(a->Text().c_str(), b->Text().c_str());
}

// ---- Notifications --------------------------------------------------------------------------

void TWideCustomTreeView::Dispatch(TMessage& m) {
    if (m.Msg == CN_NOTIFY && PlatformHasWideApi()) {
        CNNotify(m);
        return;
    }
    _WideInternalCustomTreeView::Dispatch(m);
}

void TWideCustomTreeView::CNNotify(TMessage& m) {
    auto* h = reinterpret_cast<NMHDR*>(m.LParam);
    if (!h) {
        _WideInternalCustomTreeView::Dispatch(m);
        return;
    }
    auto asAnsi = [&](UINT ansiCode) {
        const UINT code = h->code;
        h->code = ansiCode;
        try {
            _WideInternalCustomTreeView::Dispatch(m);
        } catch (...) {
            h->code = code;
            throw;
        }
        h->code = code;
    };
    auto* d = reinterpret_cast<NMTVDISPINFOW*>(h);
    switch (h->code) {
    case TVN_ENDLABELEDITW: Edit(d->item); return;
    case TVN_BEGINLABELEDITW: {
        TWideTreeNode* node = GetNodeFromTVItem(d->item);
        if (FDragging || !CanEdit(node)) {
            m.Result = 1;
            return;
        }
        m.Result = 0;
        FEditHandle = reinterpret_cast<HWND>(SendMessageW(WindowHandle(), TVM_GETEDITCONTROL, 0, 0));
        if (FEditHandle) {
            FEditWnd = FEditHandle;
            FDefEditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(FEditWnd, GWLP_WNDPROC));
            SetWindowLongPtrW(FEditWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FEditInstance));
        }
        return;
    }
    case TVN_DELETEITEMW: asAnsi(TVN_DELETEITEMA); return;
    case TVN_BEGINDRAGW: asAnsi(TVN_BEGINDRAGA); return;
    case TVN_ITEMEXPANDEDW: asAnsi(TVN_ITEMEXPANDEDA); return;
    case TVN_ITEMEXPANDINGW: asAnsi(TVN_ITEMEXPANDINGA); return;
    case TVN_SETDISPINFOW: {
        TWideTreeNode* node = GetNodeFromTVItem(d->item);
        if (node && (d->item.mask & TVIF_TEXT) && d->item.pszText) node->SetText(WideString(d->item.pszText));
        return;
    }
    case TVN_GETDISPINFOW: {
        TWideTreeNode* node = GetNodeFromTVItem(d->item);
        if (!node) return;
        if (d->item.mask & TVIF_TEXT) CopyToWideBuffer(node->Text(), d->item.pszText, d->item.cchTextMax);
        if (d->item.mask & TVIF_IMAGE) {
            GetImageIndex(node);
            d->item.iImage = node->ImageIndex();
        }
        if (d->item.mask & TVIF_SELECTEDIMAGE) {
            GetSelectedIndex(node);
            d->item.iSelectedImage = node->SelectedIndex();
        }
        return;
    }
    default: _WideInternalCustomTreeView::Dispatch(m); return;
    }
}

// ---- Label editing ---------------------------------------------------------------------------

void TWideCustomTreeView::editedText(TWideTreeNode* Node, WideString Text) {
    if (OnEdited) {
        OnEdited(this, Node, Text);
    } else if (TCustomTreeView::OnEdited) {
        String s = WideToAnsi(Text);
        TCustomTreeView::OnEdited(this, Node, s);
        Text = AnsiToWide(s);
    }
    if (Node) Node->SetText(Text);
}

void TWideCustomTreeView::Edit(const TVITEMA& Item) {
    FEditHandle = nullptr;
    TWideTreeNode* node = wideNode(GetNodeFromItem(Item));
    if (!Item.pszText) return;  // cancelled
    editedText(node, AnsiToWide(Item.pszText));
}

void TWideCustomTreeView::Edit(const TVITEMW& Item) {
    FEditHandle = nullptr;
    TWideTreeNode* node = GetNodeFromTVItem(Item);
    if (!Item.pszText) return;  // cancelled
    editedText(node, WideString(Item.pszText));
}

bool TWideCustomTreeView::editKey(TMessage& m) {
    switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return DoKeyDown(m);
    case WM_KEYUP:
    case WM_SYSKEYUP: return DoKeyUp(m);
    case WM_CHAR: {
        MakeWMCharMsgSafeForAnsi(m);
        const bool consumed = DoKeyPress(m);
        RestoreWMCharMsg(m);
        return consumed;
    }
    case CN_KEYDOWN:
    case CN_CHAR:
    case CN_SYSKEYDOWN:
    case CN_SYSCHAR: WndProc(m); return true;
    default: return false;
    }
}

void TWideCustomTreeView::EditWndProc(TMessage& m) {
    const HWND edit = FEditWnd;
    const WNDPROC former = FDefEditProc;
    try {
        if (editKey(m)) return;
        m.Result = CallWindowProcW(former, edit, m.Msg, m.WParam, m.LParam);
        if (m.Msg == WM_NCDESTROY && FEditWnd == edit) FEditWnd = nullptr;
    } catch (std::exception& e) {
        if (Application) Application->HandleException(this, e);
    }
}
