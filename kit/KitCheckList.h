// A list box on the platform's list box window whose items are drawn by the kit, and the
// check-list box: a check box, radio button or check mark before each item, three states,
// an enabled flag per item, toggling by mouse and keyboard.
#pragma once

#include "classlib/StdCtrls.h"
#include "kit/KitPlacement.h"

#include <vector>

class TKitCustomListBox;

// The items of a kit list box, kept in its window (and in the control while it has none).
class TKitListBoxStrings : public TStrings {
    Q_OBJECT

public:
    explicit TKitListBoxStrings(TKitCustomListBox* ListBox) : FListBox(ListBox) {}
    String Get(int Index) const override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const String& S) override;
    int Add(const String& S) override;

protected:
    void SetUpdateState(bool Updating) override;
    TKitCustomListBox* FListBox;
};

class TKitCustomListBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TStrings* Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex STORED false)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool GraySelection READ GraySelection WRITE SetGraySelection)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
    Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
    Q_PROPERTY(TCustomListBox::TListBoxStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(TDrawItemEvent OnDrawItem MEMBER OnDrawItem)
    Q_PROPERTY(TMeasureItemEvent OnMeasureItem MEMBER OnMeasureItem)
    Q_CLASSINFO("Default:BorderStyle", "bsSingle")
    Q_CLASSINFO("Default:GraySelection", "False")
    Q_CLASSINFO("Default:ItemHeight", "16")
    Q_CLASSINFO("Default:MultiSelect", "False")
    Q_CLASSINFO("Default:Sorted", "False")
    Q_CLASSINFO("Default:Style", "lbStandard")
    Q_CLASSINFO("Default:TabStop", "True")
    Q_CLASSINFO("Default:ParentColor", "False")

public:
    explicit TKitCustomListBox(TComponent* AOwner);
    ~TKitCustomListBox() override;

    TStrings* Items() const { return FItems; }
    void SetItems(TStrings* v) { FItems->Assign(v); }
    int ItemIndex();
    void SetItemIndex(int v);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle v);
    bool GraySelection() const { return FGraySelection; }
    void SetGraySelection(bool v);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int v);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool v);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool v);
    TCustomListBox::TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TCustomListBox::TListBoxStyle v);
    TCanvas* Canvas() const { return FCanvas; }
    int TopIndex();
    // The item under a client point, -1 when none.
    int ItemAtPos(POINT Pos, bool Existing);
    RECT ItemRect(int Index);

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    void Dispatch(TMessage& Message) override;

    // Item data as the window keeps it (the check-list box keeps its item objects there).
    virtual LPARAM GetItemData(int Index);
    virtual void SetItemData(int Index, LPARAM Data);
    virtual void DeleteString(int Index);
    virtual void ResetContent();
    // Raises EListError "Der Index der Liste überschreitet das Maximum (%d)".
    [[noreturn]] static void ListIndexError(int Index);

protected:
    friend class TKitListBoxStrings;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual int GetItemHeight() { return FItemHeight; }
    virtual void DrawItem(int Index, RECT Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    // The items kept while the control has no window.
    struct TSavedItem {
        String Text;
        LPARAM Data = 0;
    };
    std::vector<TSavedItem> FSaved;
    bool UsesWindow() const { return FHandle != nullptr; }
    TKitListBoxStrings* FItems = nullptr;
    TCanvas* FCanvas = nullptr;
    TFormBorderStyle FBorderStyle = bsSingle;
    bool FGraySelection = false;
    int FItemHeight = 16;
    bool FMultiSelect = false;
    bool FSorted = false;
    TCustomListBox::TListBoxStyle FStyle = TCustomListBox::lbStandard;
    int FSavedTop = 0;
    int FSavedIndex = -1;
    bool FRecreating = false;
};

class TCheckListBoxItem : public TObject {
    Q_OBJECT
public:
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
    TObject* Data = nullptr;
};

using TCheckListEvent = TEvent<void(TObject* Sender, int Index)>;

class TKitCheckListBox : public TKitCustomListBox {
    Q_OBJECT
    Q_PROPERTY(bool AllowGrayed READ AllowGrayed WRITE SetAllowGrayed)
    Q_PROPERTY(TCheckKind CheckKind READ CheckKind WRITE SetCheckKind)
    Q_PROPERTY(int CheckedIndex READ CheckedIndex WRITE SetCheckedIndex STORED false)
    Q_PROPERTY(TFormPlacement* IniStorage READ IniStorage WRITE SetIniStorage)
    Q_PROPERTY(TCheckListEvent OnStateChange MEMBER OnStateChange)
    Q_PROPERTY(TNotifyEvent OnClickCheck MEMBER OnClickCheck)
    Q_CLASSINFO("Stored:Items", "IsItemsStored")
    Q_CLASSINFO("Default:AllowGrayed", "False")
    Q_CLASSINFO("Default:CheckKind", "ckCheckBoxes")

public:
    enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };
    Q_ENUM(TCheckKind)

    explicit TKitCheckListBox(TComponent* AOwner);
    ~TKitCheckListBox() override;

    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool v);
    TCheckKind CheckKind() const { return FCheckKind; }
    void SetCheckKind(TCheckKind v);
    int CheckedIndex();
    void SetCheckedIndex(int v);
    TFormPlacement* IniStorage() const;
    void SetIniStorage(TFormPlacement* v);

    TCheckBoxState State(int Index);
    void SetState(int Index, TCheckBoxState v);
    bool Checked(int Index);
    void SetChecked(int Index, bool v);
    bool EnabledItem(int Index);
    void SetEnabledItem(int Index, bool v);
    // Every enabled item checked or unchecked (check boxes and check marks).
    void ApplyStateToAll(TCheckBoxState v);
    int CheckWidth() const { return FCheckWidth; }
    // The items go into the layout with their states as "Strings".
    Q_INVOKABLE bool IsItemsStored() const { return false; }
    int CheckHeight() const { return FCheckHeight; }

    TCheckListEvent OnStateChange;
    TNotifyEvent OnClickCheck;

    void Dispatch(TMessage& Message) override;
    void DefineProperties(TFiler* Filer) override;
    LPARAM GetItemData(int Index) override;
    void SetItemData(int Index, LPARAM Data) override;
    void DeleteString(int Index) override;
    void ResetContent() override;

    void SaveToIni();
    void LoadFromIni();

protected:
    virtual void ClickCheck();
    virtual void ChangeItemState(int Index);
    void DrawItem(int Index, RECT Rect, TOwnerDrawState State) override;
    void MeasureItem(int Index, int& Height) override;
    void KeyPress(char& Key) override;
    void Loaded() override;

private:
    TCheckListBoxItem* ItemOf(int Index);  // made on first use
    TCheckListBoxItem* FindItem(int Index);
    void CheckIndex(int Index);
    void SetStateValue(int Index, TCheckBoxState v, bool Force);
    void ToggleItem(int Index);
    void UpdateCheckStates();
    void InvalidateCheck(int Index);
    void ReadStrings(TReader* Reader);
    void WriteStrings(TWriter* Writer);
    bool FAllowGrayed = false;
    TCheckKind FCheckKind = ckCheckBoxes;
    int FCheckWidth = 13;
    int FCheckHeight = 13;
    int FReaderVersion = 0;
    TIniLink* FIniLink = nullptr;
};

using TCheckKind = TKitCheckListBox::TCheckKind;
inline constexpr TCheckKind ckCheckBoxes = TKitCheckListBox::ckCheckBoxes;
inline constexpr TCheckKind ckRadioButtons = TKitCheckListBox::ckRadioButtons;
inline constexpr TCheckKind ckCheckMarks = TKitCheckListBox::ckCheckMarks;

// The shared "CHECK_IMAGES" picture (6 x 3 cells).
TBitmap* CheckImages();

void RegisterKitCheckList();
