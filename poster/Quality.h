// The quality dialog of "Enhance quality": the resolution the picture should give on paper.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/KitSpin.h"

class TQualityForm : public TForm {
    Q_OBJECT

public:
    explicit TQualityForm(TComponent* AOwner);

    TLabel* QualLabel = nullptr;
    TKitSpinEdit* QualEd = nullptr;
    TButton* setto72btn = nullptr;
    TButton* setto96btn = nullptr;
    TButton* OKBtn = nullptr;
    TButton* CancelBtn = nullptr;

public slots:
    void setto72btnClick(TObject* Sender);
    void setto96btnClick(TObject* Sender);
};

extern TQualityForm* QualityForm;
