// "New picture": the size and colour depth of a new picture.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

class TNewForm : public TForm {
    Q_OBJECT

public:
    explicit TNewForm(TComponent* AOwner);

    TGroupBox* SizeGroup = nullptr;
    TLabel* BreitLabel = nullptr;
    TKitSpinEdit* BreitEdit = nullptr;
    TLabel* HochLabel = nullptr;
    TKitSpinEdit* HochEdit = nullptr;
    TLabel* TiefeLabel = nullptr;
    TComboBox* TiefeBox = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

    // The chosen values, held to the controls' ranges: width and height 1..32767, and
    // the bits per pixel of the chosen entry (1, 4, 8 or 24; 24 when none is chosen).
    int NewWidth() const;
    int NewHeight() const;
    int NewBits() const;
};
