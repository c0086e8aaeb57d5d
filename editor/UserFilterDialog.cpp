#include "editor/UserFilterDialog.h"

#include "classlib/SysUtils.h"
#include "editor/PreviewForm.h"
#include "platform/codepage.h"
#include "platform/msgbox.h"

#include <cstring>

namespace {

int box(const String& text, const String& caption, UINT flags) {
    if (Application) return Application->MessageBox(text, caption, flags);
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

// Names are UTF-8 in the file, texts of the controls are in the process's code page.
String nameText(const TFilterRec& Filter) { return platform::wideToAnsi(platform::toWide(FilterName(Filter), CP_UTF8)); }
std::string utf8Name(const String& Text) { return platform::fromWide(platform::ansiToWide(Text), CP_UTF8); }

}  // namespace

// ---- One filter --------------------------------------------------------------------------

TFilterEditForm::TFilterEditForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("NameLabel", NameLabel);
    PublishField("NameEdit", NameEdit);
    PublishField("DivLabel", DivLabel);
    PublishField("DivEdit", DivEdit);
    PublishField("BiasLabel", BiasLabel);
    PublishField("BiasEdit", BiasEdit);
    PublishField("MatrixLabel", MatrixLabel);
    for (int i = 0; i < 25; ++i) PublishField("KitSpinEdit" + IntToStr(i), Weights[i]);
    PublishField("OkBtn", OkBtn);
    PublishField("CancelBtn", CancelBtn);
    RegisterEditorDialogs();
    ReadLayout(this, "FilterEditUnit");
}

void TFilterEditForm::SetFilter(const TFilterRec& Filter) {
    NameEdit->SetText(nameText(Filter));
    DivEdit->SetValue(Filter.Divisor);
    BiasEdit->SetValue(Filter.Bias);
    for (int i = 0; i < 25; ++i) Weights[i]->SetValue(Filter.Matrix[i]);
}

void TFilterEditForm::Store(TFilterRec& Into) {
    SetUserFilterName(Into, utf8Name(NameEdit->Text()));
    Into.Divisor = SpinInt(DivEdit);
    Into.Bias = SpinInt(BiasEdit);
    for (int i = 0; i < 25; ++i) Into.Matrix[i] = SpinInt(Weights[i]);
}

TFilterRec TFilterEditForm::Filter() {
    TFilterRec f;
    std::memset(&f, 0, sizeof f);
    Store(f);
    return f;
}

void TFilterEditForm::OkBtnClick(TObject*) {
    const bool noName = NameEdit->Text().empty();
    // The divisor as typed: 0 is named before it would be held to the edit's range.
    const bool noDivisor = DivEdit->Value() == 0;
    if (!noName && !noDivisor) {
        SetModalResult(mrOk);
        return;
    }
    if (noName) box(FilterNameMissingText, "", MB_OK | MB_ICONERROR);
    if (noDivisor) box(FilterDivisionText, "", MB_OK | MB_ICONERROR);
}

// ---- The list ----------------------------------------------------------------------------

TUserFilterForm::TUserFilterForm(TComponent* AOwner) : TForm(AOwner), FList(new TUserFilterList()) {
    PublishField("ListLabel", ListLabel);
    PublishField("ListBox1", ListBox1);
    PublishField("ApplyBtn", ApplyBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("NewBtn", NewBtn);
    PublishField("EditBtn", EditBtn);
    PublishField("DelBtn", DelBtn);
    RegisterEditorDialogs();
    ReadLayout(this, "UserFilterUnit");
}

TUserFilterForm::~TUserFilterForm() = default;

void TUserFilterForm::SetFileNames(const String& ReadPath, const String& WritePath) {
    FList.reset(new TUserFilterList(ReadPath, WritePath));
    FLoaded = false;
}

void TUserFilterForm::FillListNew() {
    TStrings* items = ListBox1->Items();
    items->BeginUpdate();
    items->Clear();
    for (const TFilterRec& f : FList->Filters()) items->Add(nameText(f));
    items->EndUpdate();
}

void TUserFilterForm::FormActivate(TObject*) {
    // The dialog is activated again after each dialog it opens; only the first activation of a
    // showing reads the file, so filters made since are not lost.
    if (FLoaded) return;
    FLoaded = true;
    HasResult = false;
    const String message = UserFilterLoadMessage(FList->Load());
    FillListNew();
    if (!message.empty()) box(message, "", MB_OK | MB_ICONWARNING);
}

void TUserFilterForm::FormClose(TObject*, TCloseAction&) {
    const int i = ListBox1->ItemIndex();
    if (i >= 0 && i < FList->Count()) {
        Result = FList->Filters()[static_cast<std::size_t>(i)];
        HasResult = true;
    }
    // Failures are silent; a file that could not be written keeps its old content.
    FList->Close();
    FLoaded = false;
}

void TUserFilterForm::NewBtnClick(TObject*) {
    TFormHolder<TFilterEditForm> edit(new TFilterEditForm(this));
    TFilterRec blank;
    std::memset(&blank, 0, sizeof blank);
    blank.Divisor = 1;
    edit->SetFilter(blank);
    if (edit->ShowModal() != mrOk) return;
    FList->Append(edit->Filter());
    FillListNew();
    ListBox1->SetItemIndex(FList->Count() - 1);
}

void TUserFilterForm::EditBtnClick(TObject*) {
    const int i = ListBox1->ItemIndex();
    if (i < 0 || i >= FList->Count()) return;
    TFormHolder<TFilterEditForm> edit(new TFilterEditForm(this));
    edit->SetFilter(FList->Filters()[static_cast<std::size_t>(i)]);
    if (edit->ShowModal() != mrOk) return;
    TFilterRec f = FList->Filters()[static_cast<std::size_t>(i)];
    edit->Store(f);
    FList->Replace(i, f);
    FillListNew();
    ListBox1->SetItemIndex(i);
}

void TUserFilterForm::DelBtnClick(TObject*) {
    const int i = ListBox1->ItemIndex();
    if (i < 0 || i >= FList->Count()) return;
    if (box(FilterDeleteQuestion, FilterDeleteCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    FList->Delete(i);
    FillListNew();
}

void TUserFilterForm::ApplyBtnClick(TObject*) {
    const int i = ListBox1->ItemIndex();
    if (i < 0 || i >= FList->Count()) {
        box(NoFilterSelectedText, "", MB_OK | MB_ICONERROR);
        return;
    }
    SetModalResult(mrOk);
}
