// The wide tree view: node texts in UTF-16 over the class library's tree view. The class
// library does the tree-view work with its 8-bit texts; each node keeps a wide text beside
// its 8-bit one (synced-string rules, WideControls.h), the window is a UTF-16 window that
// asks for the wide texts, sorting and editing use them, layouts store them as UTF-8
// ("Utf8Data") and they survive the re-creation of the window.
//
// "Utf8Data": a 32-bit count of top-level nodes, then each node depth first, parent before
// children, little-endian: a 32-bit record size (25 + the text's length, 25 to 280), four
// 32-bit indexes (image, selected, state, overlay), 32 bits of data, a 32-bit child count,
// and the text as a length byte and that many bytes: EF BB BF and the UTF-8 of the text,
// cut to 255 bytes at a character boundary. A record that breaks these rules, a child
// count the remaining bytes cannot hold or nesting deeper than MaxUtf8DataDepth raises
// EReadError "Stream-Read-Fehler".
//
// Without UTF-16 windows the control is the class library's tree view that keeps the wide
// texts of its nodes.
#pragma once

#include "classlib/ComCtrls.h"
#include "widetext/WideClasses.h"
#include "widetext/WideControls.h"

#include <memory>

class TWideCustomTreeView;
class TWideTreeNode;
class TWideTreeNodes;

using TWideTVEditedEvent = TEvent<void(TObject* Sender, TWideTreeNode* Node, WideString& S)>;

class TWideTreeNode : public TTreeNode {
    Q_OBJECT

public:
    explicit TWideTreeNode(TTreeNodes* AOwner);

    // Synced with the class library's text.
    WideString Text() const;
    using TTreeNode::SetText;  // the 8-bit text
    void SetText(const WideString& Value);
    // The wide text as stored, for setting it without the 8-bit one.
    WideString& StoredText() const { return FWideText; }
    // The class library's, then (unless the node is being deleted) the wide text of a
    // TWideTreeNode.
    void Assign(TPersistent* Source) override;
    // Equal wide texts (exactly) and equal data.
    bool Equals(const TWideTreeNode* Node) const;

    TWideTreeNode* GetFirstChild() const;
    TWideTreeNode* Item(int Index) const;
    TWideTreeNode* GetNext() const;
    TWideTreeNode* GetNextChild(TTreeNode* Value) const;
    TWideTreeNode* GetNextSibling() const;
    TWideTreeNode* Parent() const;
    TWideTreeNodes* Owner() const;
    TWideCustomTreeView* TreeView() const;

private:
    mutable WideString FWideText;
};

class TWideTreeNodes : public TTreeNodes {
    Q_OBJECT

public:
    explicit TWideTreeNodes(TCustomTreeView* AOwner);

    // A new last child of Parent (top level for null) / of Sibling's parent, with a wide text.
    using TTreeNodes::AddChild;
    using TTreeNodes::AddChildObject;
    using TTreeNodes::Add;
    using TTreeNodes::AddObject;
    TWideTreeNode* AddChild(TTreeNode* Parent, const WideString& S) { return AddChildObject(Parent, S, nullptr); }
    TWideTreeNode* AddChildObject(TTreeNode* Parent, const WideString& S, void* Ptr);
    TWideTreeNode* Add(TTreeNode* Sibling, const WideString& S) { return AddObject(Sibling, S, nullptr); }
    TWideTreeNode* AddObject(TTreeNode* Sibling, const WideString& S, void* Ptr);

    TWideTreeNode* Item(int Index) const;
    TWideTreeNode* operator[](int Index) const { return Item(Index); }
    TWideTreeNode* GetNodeFromIndex(int Index) const { return Item(Index); }
    TWideTreeNode* GetNode(HTREEITEM ItemId) const;
    TWideTreeNode* GetFirstNode() const;
    TWideCustomTreeView* Owner() const;

    // From TWideTreeNodes: node by node, with whole texts, data, the four indexes and the
    // structure; from anything else the class library's.
    void Assign(TPersistent* Source) override;
    // The class library's "Data", then "Utf8Data".
    void DefineProperties(TFiler* Filer) override;
    void WriteUtf8Data(TStream* Stream);
    void ReadUtf8Data(TStream* Stream);

private:
    void writeUtf8Node(TStream* Stream, TWideTreeNode* Node);
    void readUtf8Node(TStream* Stream, TTreeNode* Parent, int Depth);
    void copyNode(TWideTreeNode* Source, TTreeNode* Parent);
};

// How deep "Utf8Data" may nest.
inline constexpr int MaxUtf8DataDepth = 1000;

class _WideInternalCustomTreeView : public TCustomTreeView {
    Q_OBJECT

public:
    explicit _WideInternalCustomTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}
};

class TWideCustomTreeView : public _WideInternalCustomTreeView {
    Q_OBJECT
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(TWideTVEditedEvent OnEdited MEMBER OnEdited)

public:
    explicit TWideCustomTreeView(TComponent* AOwner);
    ~TWideCustomTreeView() override;

    TWideTreeNodes* Items() const;
    TWideTreeNode* Selected() const;
    void SetSelected(TTreeNode* Value) { TCustomTreeView::SetSelected(Value); }
    TWideTreeNode* GetNodeAt(int X, int Y) const;
    // The node of an item record: the record's lParam with TVIF_PARAM, else its item's node.
    TWideTreeNode* GetNodeFromTVItem(const TVITEMW& Item) const;

    WideString Hint() const { return WideGetHint(const_cast<TWideCustomTreeView*>(this)); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TWideCustomTreeView*>(this)); }

    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;

    TWideTVEditedEvent OnEdited;

    // The comparison that sorts with wide texts (OnCompare when assigned).
    static int WideTreeViewSort(LPARAM Node1, LPARAM Node2, LPARAM Data);

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    TTreeNode* CreateNode() override;
    // The end of a label edit: the 8-bit record on the 8-bit road, the UTF-16 one otherwise.
    void Edit(const TVITEMA& Item) override;
    virtual void Edit(const TVITEMW& Item);

private:
    void CNNotify(TMessage& Message);
    void EditWndProc(TMessage& Message);
    bool editKey(TMessage& Message);
    void editedText(TWideTreeNode* Node, WideString Text);

    std::unique_ptr<TWideStringList> FSavedNodeTexts;
    bool FLearning = false;
    WNDPROC FEditInstance = nullptr;
    WNDPROC FDefEditProc = nullptr;
    HWND FEditWnd = nullptr;  // the subclassed edit window, until it is destroyed
};

// The tree view for layouts.
class TWideTreeView : public TWideCustomTreeView {
    Q_OBJECT

public:
    explicit TWideTreeView(TComponent* AOwner) : TWideCustomTreeView(AOwner) {}
};
