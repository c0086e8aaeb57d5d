#include "poster/Quality.h"

#include "poster/PosterUnit.h"

TQualityForm* QualityForm = nullptr;

TQualityForm::TQualityForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("QualLabel", QualLabel);
    PublishField("QualEd", QualEd);
    PublishField("setto72btn", setto72btn);
    PublishField("setto96btn", setto96btn);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    RegisterPosterClasses();
    ReadLayout(this, "QualityUnit");
}

void TQualityForm::setto72btnClick(TObject*) { QualEd->SetValue(72); }
void TQualityForm::setto96btnClick(TObject*) { QualEd->SetValue(96); }
