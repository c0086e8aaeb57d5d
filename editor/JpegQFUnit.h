// "Choose JPEG compression rate": the quality of a JPEG file about to be written.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/KitPlacement.h"
#include "kit/KitSlider.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

class TJPEGQForm : public TForm {
    Q_OBJECT

public:
    explicit TJPEGQForm(TComponent* AOwner);

    TGroupBox* QualityGroup = nullptr;
    TKitSlider* QualED1 = nullptr;
    TLabel* LowLabel = nullptr;
    TLabel* HighLabel = nullptr;
    TLabel* NumberLabel = nullptr;
    TKitSpinEdit* QualEd2 = nullptr;
    TLabel* DefaultLabel = nullptr;
    TLabel* NoteLabel = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The quality to write with: the slider's value, 1..99.
    int Quality() const;

public slots:
    void QualED1Change(TObject* Sender);
    void QualEd2Change(TObject* Sender);

private:
    bool FCoupling = false;  // one control is following the other
};
