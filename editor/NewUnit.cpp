#include "editor/NewUnit.h"

#include "editor/Main.h"

#include <algorithm>

TNewForm::TNewForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("SizeGroup", SizeGroup);
    PublishField("BreitLabel", BreitLabel);
    PublishField("BreitEdit", BreitEdit);
    PublishField("HochLabel", HochLabel);
    PublishField("HochEdit", HochEdit);
    PublishField("TiefeLabel", TiefeLabel);
    PublishField("TiefeBox", TiefeBox);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    RegisterEditorClasses();
    ReadLayout(this, "NewUnit");
}

namespace {

int held(TKitSpinEdit* e) {
    return static_cast<int>(std::clamp<long double>(e->Value(), e->MinValue(), e->MaxValue()));
}

}  // namespace

int TNewForm::NewWidth() const { return held(BreitEdit); }

int TNewForm::NewHeight() const { return held(HochEdit); }

int TNewForm::NewBits() const {
    switch (TiefeBox->ItemIndex()) {
    case 0: return 1;
    case 1: return 4;
    case 2: return 8;
    default: return 24;
    }
}
