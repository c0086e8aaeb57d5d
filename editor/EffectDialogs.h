// The dialogs of the editor's pixel effects (shadow, pushbutton, mosaic, adding and removing
// noise), each read once, and the tool-bar choice.
#pragma once

#include "classlib/StdCtrls.h"
#include "editor/ChildDocument.h"
#include "kit/KitCheckList.h"
#include "kit/KitLabel.h"
#include "kit/KitPlacement.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

// The colour of a shadow or bevel chosen in a colour box: 0 colour 1, 1 colour 2, 2 black,
// 3 white, 4 red, 5 green, 6 blue; the fixed colours become the nearest palette index on
// pictures of 256 colours or fewer. A colour value of the document's picture.
int ColourBoxValue(const TChildDocument& Doc, int Index);

// "Add shadows".
class TShadowForm : public TForm {
    Q_OBJECT

public:
    explicit TShadowForm(TComponent* AOwner);

    TGroupBox* PropGroup = nullptr;
    TKitLabel* ColorLabel = nullptr;
    TComboBox* ColorBox = nullptr;
    TKitLabel* TransLabel = nullptr;
    TKitSpinEdit* TransEd = nullptr;   // 0..100
    TKitLabel* BlurLabel = nullptr;
    TKitSpinEdit* BlurEd = nullptr;    // 0..100
    TGroupBox* PosGroup = nullptr;
    TKitLabel* HorzLabel = nullptr;
    TKitSpinEdit* HorzEd = nullptr;    // -100..100
    TKitLabel* VertLabel = nullptr;
    TKitSpinEdit* VertEd = nullptr;    // -100..100
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

public slots:
    void FormActivate(TObject* Sender);
};

// "Create pushbutton".
class TButtonForm : public TForm {
    Q_OBJECT

public:
    explicit TButtonForm(TComponent* AOwner);

    TGroupBox* PropGroup = nullptr;
    TKitLabel* ColorLabel = nullptr;
    TComboBox* ColorBox = nullptr;
    TRadioButton* SolidCheck = nullptr;
    TRadioButton* TransCheck = nullptr;
    TKitLabel* TransLabel = nullptr;
    TKitSpinEdit* TransED = nullptr;   // 0..100
    TKitLabel* BreitLabel = nullptr;
    TKitSpinEdit* BreitEd = nullptr;   // 0..100
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

public slots:
    void FormActivate(TObject* Sender);
};

// "Mosaic effect...": block width and height (1..100).
class TMosaikForm : public TForm {
    Q_OBJECT

public:
    explicit TMosaikForm(TComponent* AOwner);

    TKitLabel* BreitLabel = nullptr;
    TKitSpinEdit* BreitEd = nullptr;
    TKitLabel* HochLabel = nullptr;
    TKitSpinEdit* HochEd = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;
};

// "Add disturbances": strength (1..256) and probability (1..100 %).
class TNoiseForm : public TForm {
    Q_OBJECT

public:
    explicit TNoiseForm(TComponent* AOwner);

    TKitLabel* StarkLabel = nullptr;
    TKitSpinEdit* StarkEd = nullptr;
    TKitLabel* WahrLabel = nullptr;
    TKitSpinEdit* WahrEd = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;
};

// "Remove noise": the limit value (1..255).
class TDelNoiseForm : public TForm {
    Q_OBJECT

public:
    explicit TDelNoiseForm(TComponent* AOwner);

    TKitLabel* GrenzLabel = nullptr;
    TKitSpinEdit* GrenzEd = nullptr;
    TKitLabel* NoteLabel = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;
};

// The tool-bar choice: "Tool panel", "Drawing tools panel", "Color palette".
class TConfigBars : public TForm {
    Q_OBJECT

public:
    explicit TConfigBars(TComponent* AOwner);

    TKitCheckListBox* CheckList = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
};
