// The dialogs of the picture commands that both windows open: new size, colour reduction,
// and the poster window's colour-depth choice and brightness and contrast.
#pragma once

#include "classlib/ComCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"
#include "pixwerk/pixwerk.h"
#include "poster/ColourDepth.h"

#include <functional>

// "Change size": new width and height (1..32767), the aspect ratio kept on request.
class TResizeForm : public TForm {
    Q_OBJECT

public:
    explicit TResizeForm(TComponent* AOwner);

    TLabel* BreitLabel = nullptr;
    TKitSpinEdit* BreitEdit = nullptr;
    TLabel* HochLabel = nullptr;
    TKitSpinEdit* HochEdit = nullptr;
    TCheckBox* SverhCheck = nullptr;
    TCheckBox* InterpolCheck = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

    // The picture's size, for the aspect ratio.
    void SetOldSize(int Width, int Height);
    int NewWidth() const;
    int NewHeight() const;

public slots:
    void BreitEditChange(TObject* Sender);
    void HochEditChange(TObject* Sender);
    void SverhCheckClick(TObject* Sender);
    void FormActivate(TObject* Sender);

private:
    int FOldWidth = 1, FOldHeight = 1;
    bool FCoupling = false;  // a coupled update runs: its own change handler only clears this
};

// "Reduce number of colors...": palette, method and merge for a depth decrease.
class TDepthDownForm : public TForm {
    Q_OBJECT

public:
    explicit TDepthDownForm(TComponent* AOwner);

    TGroupBox* PalGroup = nullptr;
    TRadioButton* OptPalCheck = nullptr;
    TRadioButton* StdPalCheck = nullptr;
    TGroupBox* MethodGroup = nullptr;
    TRadioButton* NearCheck = nullptr;
    TRadioButton* DitherCheck = nullptr;
    TRadioButton* FSErrCheck = nullptr;
    TGroupBox* OptionsGroup = nullptr;
    TCheckBox* WinColCheck = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

    // Enables the choices for a reduction to Bits (1, 4 or 8), as the caller must before
    // showing the dialog.
    void PrepareFor(int Bits);
    // The reduction the controls describe.
    TColourReduction Reduction() const;

public slots:
    void OptPalCheckClick(TObject* Sender);
    void StdPalCheckClick(TObject* Sender);

private:
    bool FEightBits = false;
};

// The editor's "Reduce number of colors...": a free number of colours, always with an
// optimised palette.
class TFreeDepthForm : public TForm {
    Q_OBJECT

public:
    explicit TFreeDepthForm(TComponent* AOwner);

    TGroupBox* MethodGroup = nullptr;
    TRadioButton* NearCheck = nullptr;
    TRadioButton* FSErrCheck = nullptr;
    TGroupBox* OptionsGroup = nullptr;
    TCheckBox* WinColCheck = nullptr;
    TGroupBox* PalGroup = nullptr;
    TLabel* NumColLabel = nullptr;
    TKitSpinEdit* NumColEd = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

    // Sets the count to 64 and its limit for a picture of Bits: up to 16 colours, without
    // merging, for 8-bit pictures, else up to 256.
    void PrepareFor(int Bits);
    // The reduction the controls describe; the count is held to the edit's range.
    TColourReduction Reduction() const;

public slots:
    void WinColCheckClick(TObject* Sender);
};

// "Modify number of colours": the depth the poster picture should have.
class TDepthChangeForm : public TForm {
    Q_OBJECT

public:
    explicit TDepthChangeForm(TComponent* AOwner);

    TLabel* ColorLabel = nullptr;
    TComboBox* ColorBox = nullptr;
    TLabel* InfoLabel = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

    // Selects the item of a depth (anything but 4, 8 or 24 selects the first).
    void SetBits(int Bits);
    int Bits() const;
};

// "Brightness and contrast" of the poster window: previews on the picture from a backup.
class THKForm2 : public TForm {
    Q_OBJECT

public:
    explicit THKForm2(TComponent* AOwner);

    TLabel* HellLabel = nullptr;
    TTrackBar* TrackBar1 = nullptr;
    TLabel* KontLabel = nullptr;
    TTrackBar* TrackBar2 = nullptr;
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;

    // Restores the picture from the backup and applies brightness and contrast to it.
    std::function<void(int Brightness, int Contrast)> OnPreview;

public slots:
    void TrackBar1Change(TObject* Sender);
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);
};
