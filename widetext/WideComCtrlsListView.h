// The wide list view: item captions, sub-item texts and column captions in UTF-16 over the
// class library's list view. The class library does the list-view work with its 8-bit
// texts; every text has a wide copy beside it, the window is a UTF-16 window, and the texts
// the window shows, sorts, finds and edits are the wide ones. Wide and 8-bit texts are kept
// in step by the synced-string rules (WideControls.h).
//
// Without UTF-16 windows the control is the class library's list view that keeps the wide
// copies of its texts.
#pragma once

#include "classlib/ComCtrls.h"
#include "widetext/WideClasses.h"
#include "widetext/WideControls.h"

#include <memory>
#include <vector>

class TWideCustomListView;
class TWideListItem;

using TWideLVEditedEvent = TEvent<void(TObject* Sender, TWideListItem* Item, WideString& S)>;
using TWideLVOwnerDataFindEvent =
    TEvent<void(TObject* Sender, TItemFind Find, const WideString& FindString, const POINT& FindPosition,
                void* FindData, int StartIndex, TSearchDirection Direction, bool Wrap, int& Index)>;

// The wide sub-item texts of an item. Changes go on to the item's 8-bit SubItems (unless
// IgnoreInherited), which also keep the objects.
class TWideSubItems : public TWideStringList {
    Q_OBJECT

public:
    explicit TWideSubItems(TWideListItem* AOwner);

    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    int AddObject(const WideString& S, TObject* AObject) override;
    void Insert(int Index, const WideString& S) override;
    void InsertObject(int Index, const WideString& S, TObject* AObject) override;
    void Put(int Index, const WideString& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void SetUpdateState(bool Updating) override;

    TListItem* Owner() const;
    TWideListItem* WideOwner() const { return FOwner; }
    bool IgnoreInherited = false;

private:
    TStrings* ansi() const;
    TWideListItem* FOwner;
};

class TWideListItem : public TListItem {
    Q_OBJECT

public:
    explicit TWideListItem(TListItems* AOwner);
    ~TWideListItem() override;

    // Synced with the class library's caption; setting it tells the list view that the
    // 8-bit caption changes on the wide one's behalf.
    WideString Caption() const;
    void SetCaption(const WideString& Value);
    TWideSubItems* SubItems() const { return FWideSubItems; }
    void SetSubItems(TWideStrings* Value);
    TWideCustomListView* ListView() const;
    // The wide caption as stored, for setting it without the 8-bit caption.
    WideString& StoredCaption() const { return FWideCaption; }
    // From a TWideListItem: wide caption, data, image, indent, overlay, state image, wide
    // sub-items and check; from anything else the class library's.
    void Assign(TPersistent* Source) override;

private:
    mutable WideString FWideCaption;
    TWideSubItems* FWideSubItems;
};

class TWideListItems : public TListItems {
    Q_OBJECT

public:
    explicit TWideListItems(TCustomListView* AOwner) : TListItems(AOwner) {}
    TWideListItem* Add();
    TWideListItem* Item(int Index) const;
    TWideListItem* operator[](int Index) const { return Item(Index); }
};

class TWideListColumn : public TListColumn {
    Q_OBJECT
    Q_PROPERTY(WideString Caption READ Caption WRITE SetCaption)

public:
    explicit TWideListColumn(TCollection* ACollection);
    WideString Caption() const;
    using TListColumn::SetCaption;  // the 8-bit caption
    void SetCaption(const WideString& Value);
    WideString& StoredCaption() const { return FWideCaption; }
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;

private:
    mutable WideString FWideCaption;
};

class TWideListColumns : public TListColumns {
    Q_OBJECT

public:
    explicit TWideListColumns(TCustomListView* AOwner);
    TWideListColumn* Items(int Index) const;
    TWideListColumn* operator[](int Index) const { return Items(Index); }
    TWideListColumn* Add();
};

// The class library's list view with its owner-data hooks turned to UTF-16.
class _WideInternalCustomListView : public TCustomListView {
    Q_OBJECT

public:
    explicit _WideInternalCustomListView(TComponent* AOwner) : TCustomListView(AOwner) {}

protected:
    bool OwnerDataFetch(TListItem* Item, TItemRequest Request) override;
    int OwnerDataFind(TItemFind Find, const String& FindString, const POINT& FindPosition, void* FindData,
                      int StartIndex, TSearchDirection Direction, bool Wrap) override;
    virtual int OwnerDataFindW(TItemFind Find, const WideString& FindString, const POINT& FindPosition,
                               void* FindData, int StartIndex, TSearchDirection Direction, bool Wrap) = 0;
    virtual bool OwnerDataFetchW(TListItem* Item, TItemRequest Request) = 0;
};

// The wide texts of one item while the window is made again.
struct TSavedListItem {
    WideString Caption;
    std::unique_ptr<TWideStringList> SubItems;
};

class TWideCustomListView : public _WideInternalCustomListView {
    Q_OBJECT
    Q_PROPERTY(WideString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(TWideLVEditedEvent OnEdited MEMBER OnEdited)
    Q_PROPERTY(TWideLVOwnerDataFindEvent OnDataFind MEMBER OnDataFind)

public:
    explicit TWideCustomListView(TComponent* AOwner);
    ~TWideCustomListView() override;

    TWideListItems* Items() const;
    TWideListColumns* Columns() const;
    TWideListColumn* Column(int Index) const { return Columns()->Items(Index); }
    TWideListItem* Selected() const;
    // Null deselects all.
    void SetSelected(TListItem* Value) { TCustomListView::SetSelected(Value); }
    // The column the class library addresses as Tag in its column messages, or null.
    TWideListColumn* GetColumnFromTag(int Tag) const;
    virtual void AddItem(const WideString& Caption, TObject* Data);
    // The item of a display record: the owner-data item, the record's lParam (LVIF_PARAM),
    // or the item at its index (null for a negative one).
    TWideListItem* GetItemFromLVItem(const LVITEMW& Item) const;
    // While the list view changes an 8-bit text on behalf of a wide one, the window
    // procedure leaves the wide texts alone.
    void BeginChangingWideItem() { ++FChangingWideItem; }
    void EndChangingWideItem() {
        if (FChangingWideItem > 0) --FChangingWideItem;
    }

    WideString Hint() const { return WideGetHint(const_cast<TWideCustomListView*>(this)); }
    void SetHint(const WideString& Value) { WideSetHint(this, Value); }
    Q_INVOKABLE bool IsHintStored() const { return ::IsHintStored(const_cast<TWideCustomListView*>(this)); }

    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

    TWideLVEditedEvent OnEdited;
    TWideLVOwnerDataFindEvent OnDataFind;

    // The comparison that sorts with wide captions (OnCompare when assigned).
    static int WideListViewSort(LPARAM Item1, LPARAM Item2, LPARAM Data);

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    TListItem* CreateListItem() override;
    bool OwnerDataFetch(TListItem* Item, TItemRequest Request) override;
    bool OwnerDataFetchW(TListItem* Item, TItemRequest Request) override;
    int OwnerDataFindW(TItemFind Find, const WideString& FindString, const POINT& FindPosition, void* FindData,
                       int StartIndex, TSearchDirection Direction, bool Wrap) override;
    virtual bool DoOwnerDataFetch(TListItem* Item);
    virtual int DoOwnerDataFind(TItemFind Find, const WideString& FindString, const POINT& FindPosition,
                                void* FindData, int StartIndex, TSearchDirection Direction, bool Wrap);
    // The end of a label edit: the 8-bit record on the 8-bit road, the UTF-16 one otherwise.
    void Edit(const LVITEMA& Item) override;
    virtual void Edit(const LVITEMW& Item);
    TBasicActionLink* CreateActionLink() override;
    // Owner-drawn rows: OnDrawItem, else the filled rectangle and the caption in UTF-16.
    void DrawItem(TListItem* Item, const RECT& Rect, TOwnerDrawState State) override;

private:
    void CNNotify(TMessage& Message);
    void WMNotify(TMessage& Message);
    void EditWndProc(TMessage& Message);
    bool editKey(TMessage& Message);
    void editedText(TWideListItem* Item, WideString Text);
    void syncSubItemsFromAnsi(TWideListItem* Item, int SubItem);
    void restoreSaved(TWideListItem* Item, const TSavedListItem& Saved, int SubItem);

    const WCHAR* FFindString = nullptr;
    NMLVDISPINFOW* FCurrentDispInfo = nullptr;
    UINT FRequestedDispInfoMask = 0;
    HWND FEditHandle = nullptr;
    WNDPROC FEditInstance = nullptr;
    WNDPROC FDefEditProc = nullptr;
    std::unique_ptr<std::vector<TSavedListItem>> FSavedItems;
    int FChangingWideItem = 0;
    bool FLearning = false;
};

// The list view for layouts.
class TWideListView : public TWideCustomListView {
    Q_OBJECT

public:
    explicit TWideListView(TComponent* AOwner) : TWideCustomListView(AOwner) {}
};
