// The user filter dialog ("User-defined filters"): the list of the user's 5 x 5 filters
// from the user filter file, with new, edit, delete and apply, and the dialog that edits one
// filter ("User-defined filter").
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "editor/UserFilterFile.h"
#include "kit/KitLabel.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

#include <memory>

inline constexpr const char* NoFilterSelectedText = "You selected no filter!";
inline constexpr const char* FilterDeleteQuestion = "Are you sure that you would like to delete the filter?";
inline constexpr const char* FilterDeleteCaption = "Safety query";
inline constexpr const char* FilterNameMissingText = "You must input a name!";
inline constexpr const char* FilterDivisionText = "The division by 0 is not defined!";

// One filter: its name, divisor, shifting and the 25 weights. Weight field i is element i of
// the record; the grid shows them as the filter applies them (element r + 5 c at window row
// r, column c).
class TFilterEditForm : public TForm {
    Q_OBJECT

public:
    explicit TFilterEditForm(TComponent* AOwner);

    TKitLabel* NameLabel = nullptr;
    TEdit* NameEdit = nullptr;
    TKitLabel* DivLabel = nullptr;
    TKitSpinEdit* DivEdit = nullptr;
    TKitLabel* BiasLabel = nullptr;
    TKitSpinEdit* BiasEdit = nullptr;
    TKitLabel* MatrixLabel = nullptr;
    TKitSpinEdit* Weights[25] = {};  // KitSpinEdit0 .. KitSpinEdit24
    TThemedBitBtn* OkBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

    // Fills the fields from a record, and makes a record of the fields (the name cut to 256
    // bytes at a character boundary, the numbers truncated and held to their ranges).
    void SetFilter(const TFilterRec& Filter);
    TFilterRec Filter();
    // Writes the fields into a record, keeping its other bytes.
    void Store(TFilterRec& Into);

public slots:
    void OkBtnClick(TObject* Sender);
};

class TUserFilterForm : public TForm {
    Q_OBJECT

public:
    explicit TUserFilterForm(TComponent* AOwner);
    ~TUserFilterForm() override;

    TKitLabel* ListLabel = nullptr;
    TListBox* ListBox1 = nullptr;
    TThemedBitBtn* ApplyBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TThemedBitBtn* NewBtn = nullptr;
    TThemedBitBtn* EditBtn = nullptr;
    TThemedBitBtn* DelBtn = nullptr;

    // The file the list is read from and written to (the program folder's "UserFilt.dat"
    // unless the caller names others before showing).
    void SetFileNames(const String& ReadPath, const String& WritePath);
    TUserFilterList& List() { return *FList; }

    // The filter selected when the dialog closed.
    TFilterRec Result{};
    bool HasResult = false;

    // Refills the list box with the filters' names, in order.
    void FillListNew();

public slots:
    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void NewBtnClick(TObject* Sender);
    void EditBtnClick(TObject* Sender);
    void DelBtnClick(TObject* Sender);
    void ApplyBtnClick(TObject* Sender);

private:
    std::unique_ptr<TUserFilterList> FList;
    bool FLoaded = false;  // read once per showing: later activations keep unsaved changes
};
