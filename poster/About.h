// The about box of the poster window.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/ThemedButtons.h"

class TAboutBox : public TForm {
    Q_OBJECT

public:
    explicit TAboutBox(TComponent* AOwner);

    TLabel* ProductName = nullptr;
    TLabel* Version = nullptr;
    TLabel* Comments = nullptr;
    TThemedBitBtn* OKButton = nullptr;
};
