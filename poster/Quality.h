// The quality dialog of "Enhance quality": the resolution the picture should give on paper.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

class TQualityForm : public TForm {
    Q_OBJECT

public:
    explicit TQualityForm(TComponent* AOwner);

    TLabel* QualLabel = nullptr;
    TKitSpinEdit* QualEd = nullptr;
    TThemedBitBtn* setto72btn = nullptr;
    TThemedBitBtn* setto96btn = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

public slots:
    void setto72btnClick(TObject* Sender);
    void setto96btnClick(TObject* Sender);
};

extern TQualityForm* QualityForm;
