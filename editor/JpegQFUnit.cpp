#include "editor/JpegQFUnit.h"

#include "editor/Main.h"

#include <algorithm>
#include <cmath>

TJPEGQForm::TJPEGQForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("QualityGroup", QualityGroup);
    PublishField("QualED1", QualED1);
    PublishField("LowLabel", LowLabel);
    PublishField("HighLabel", HighLabel);
    PublishField("NumberLabel", NumberLabel);
    PublishField("QualEd2", QualEd2);
    PublishField("DefaultLabel", DefaultLabel);
    PublishField("NoteLabel", NoteLabel);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorClasses();
    ReadLayout(this, "JpegQFUnit");
}

int TJPEGQForm::Quality() const {
    return std::clamp(QualED1->Value(), std::max(1, QualED1->MinValue()), std::min(99, QualED1->MaxValue()));
}

void TJPEGQForm::QualED1Change(TObject*) {
    if (FCoupling) return;
    FCoupling = true;
    QualEd2->SetValue(QualED1->Value());
    FCoupling = false;
}

// A number typed into the box moves the slider, whose value is the one used.
void TJPEGQForm::QualEd2Change(TObject*) {
    if (FCoupling) return;
    FCoupling = true;
    const long double v = std::clamp<long double>(QualEd2->Value(), QualEd2->MinValue(), QualEd2->MaxValue());
    QualED1->SetValue(static_cast<int>(std::trunc(v)));
    FCoupling = false;
}
