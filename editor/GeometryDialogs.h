// The dialogs of the editor's geometry: perspective and curve preview live on the
// document's picture; rotation, added edges and the canvas size are read once.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "editor/PreviewForm.h"
#include "kit/KitLabel.h"
#include "kit/KitPlacement.h"
#include "kit/KitSlider.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

#include <vector>

// "Perspective": a strength from a slider and a number box kept equal, the direction and
// perspective or slant, and the new outline drawn in a box.
class TPerspForm : public TPreviewForm {
    Q_OBJECT

public:
    explicit TPerspForm(TComponent* AOwner);

    TGroupBox* StarkGroup = nullptr;
    TKitSlider* StarkED1 = nullptr;     // -100..100
    TKitSpinEdit* StarkEd2 = nullptr;   // -100..100
    TGroupBox* DirGroup = nullptr;
    TRadioButton* HorzCheck = nullptr;
    TRadioButton* VertCheck = nullptr;
    TGroupBox* ModeGroup = nullptr;
    TRadioButton* PerspCheck = nullptr;
    TRadioButton* SkewCheck = nullptr;
    TKitLabel* OutlineLabel = nullptr;
    TPanel* OutlinePanel = nullptr;
    TPaintBox* PaintBox1 = nullptr;
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The strength used: the number box's, held to its range.
    int Strength();
    // The closed outline for a box of Width x Height (five points, the first repeated).
    static std::vector<POINT> Outline(int Width, int Height, int Strength, bool Perspective, bool Horizontal);

public slots:
    void StarkED1Change(TObject* Sender);
    void StarkED2Change(TObject* Sender);
    void HorzCheckClick(TObject* Sender);
    void VertCheckClick(TObject* Sender);
    void PerspCheckClick(TObject* Sender);
    void SkewCheckClick(TObject* Sender);
    void PaintBox1Paint(TObject* Sender);
    void VschauBitBtn4Click(TObject* Sender);
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);

protected:
    void Apply() override;

private:
    bool FCoupling = false;  // one of the two strength controls is being set from the other
};

// "Curve": bulging by an exponent, along both axes or one.
class TWoelbenForm : public TPreviewForm {
    Q_OBJECT

public:
    explicit TWoelbenForm(TComponent* AOwner);

    TKitLabel* StarkLabel = nullptr;
    TKitSpinEdit* StarkED2 = nullptr;  // 0.01..10.0
    TGroupBox* ModeGroup = nullptr;
    TRadioButton* BothCheck = nullptr;
    TRadioButton* HorzCheck = nullptr;
    TRadioButton* VertCheck = nullptr;
    TKitLabel* NoteLabel = nullptr;
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The strength used, held to the edit's range; the edit shows it when it differed.
    double Strength();

public slots:
    void VschauBitBtn4Click(TObject* Sender);
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);

protected:
    void Apply() override;
};

// "Rotate picture...": direction and angle.
class TRotateForm : public TForm {
    Q_OBJECT

public:
    explicit TRotateForm(TComponent* AOwner);

    TGroupBox* DirGroup = nullptr;
    TRadioButton* RotLeftCheck = nullptr;
    TRadioButton* RotRightCheck = nullptr;
    TGroupBox* AngleGroup = nullptr;
    TRadioButton* Grad90Check = nullptr;
    TRadioButton* Grad180Check = nullptr;
    TRadioButton* Grad270Check = nullptr;
    TRadioButton* FreiGradCheck = nullptr;
    TKitSpinEdit* GradEdit = nullptr;  // 0.01..359.99
    TCheckBox* InterpolCheck = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    double FreeAngle();
};

// "Add edge": four edge widths, copied to each other while "Symmetrically" is checked.
class TAddBForm : public TForm {
    Q_OBJECT

public:
    explicit TAddBForm(TComponent* AOwner);

    TGroupBox* SizeGroup = nullptr;
    TKitLabel* TopLabel = nullptr;
    TKitSpinEdit* TopEdit = nullptr;
    TKitLabel* BottomLabel = nullptr;
    TKitSpinEdit* BottomEdit = nullptr;
    TKitLabel* LeftLabel = nullptr;
    TKitSpinEdit* LeftEdit = nullptr;
    TKitLabel* RightLabel = nullptr;
    TKitSpinEdit* RightEdit = nullptr;
    TCheckBox* SymCheck = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

public slots:
    void TopEdit0Change(TObject* Sender);
    void BottomEditChange(TObject* Sender);
    void LeftEditChange(TObject* Sender);
    void RightEditChange(TObject* Sender);

private:
    void CopyToOthers(TKitSpinEdit* Source);
    bool FCopying = false;
};

// "Modify canvas size": the new size, and where the picture goes on it.
class TCanvasSForm : public TForm {
    Q_OBJECT

public:
    explicit TCanvasSForm(TComponent* AOwner);

    TGroupBox* SizeGroup = nullptr;
    TKitLabel* BreitLabel = nullptr;
    TKitSpinEdit* BreitEdit = nullptr;
    TKitLabel* HochLabel = nullptr;
    TKitSpinEdit* HochEdit = nullptr;
    TKitLabel* OldBreitTitle = nullptr;
    TKitLabel* OldBreitLabel = nullptr;
    TKitLabel* OldHochTitle = nullptr;
    TKitLabel* OldHochLabel = nullptr;
    TGroupBox* PlaceGroup = nullptr;
    TKitLabel* LeftLabel = nullptr;
    TKitSpinEdit* LeftEdit = nullptr;
    TKitLabel* TopLabel = nullptr;
    TKitSpinEdit* TopEdit = nullptr;
    TCheckBox* ZentHCheck = nullptr;
    TCheckBox* ZentVCheck = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The picture's size, shown in the two labels, and the new size preset to it.
    void SetOldSize(int Width, int Height);

public slots:
    void BreitEditChange(TObject* Sender);
    void HochEditChange(TObject* Sender);
    void FormActivate(TObject* Sender);
};
