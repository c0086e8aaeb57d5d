// The dialogs of the editor's colour adjustments: brightness, contrast and saturation,
// colorize, red/green/blue, gloss light/middle/shadow and gamma preview live on the
// document's picture; colour depth limit and solarize are read once.
#pragma once

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "editor/PreviewForm.h"
#include "kit/KitLabel.h"
#include "kit/KitPlacement.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

// "Brightness, contrast and saturation".
class THKForm : public TPreviewForm {
    Q_OBJECT

public:
    explicit THKForm(TComponent* AOwner);

    TKitLabel* HellLabel = nullptr;
    TTrackBar* TrackBar1 = nullptr;  // brightness -127..127
    TKitLabel* KontLabel = nullptr;
    TTrackBar* TrackBar2 = nullptr;  // contrast 0..200
    TKitLabel* SatLabel = nullptr;
    TTrackBar* TrackBar3 = nullptr;  // saturation -100..100
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The command's start values.
    void SetStart(int Brightness, int Contrast, int Saturation);

public slots:
    void TrackBar1Change(TObject* Sender);  // the preview
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);

protected:
    void Apply() override;
};

// "Colorize...": a hue and a saturation, shown in a colour sample.
class TColizeForm : public TPreviewForm {
    Q_OBJECT

public:
    explicit TColizeForm(TComponent* AOwner);

    TKitLabel* FarbLabel = nullptr;
    TTrackBar* TrackBar1 = nullptr;  // colour 0..255
    TKitLabel* SatLabel = nullptr;
    TTrackBar* TrackBar2 = nullptr;  // saturation 0..255
    TShape* Shape1 = nullptr;
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    void SetStart(int Hue, int Saturation);

public slots:
    void TrackBarChange(TObject* Sender);  // the preview
    void TrackBar2Change(TObject* Sender);  // paints the sample
    void FormActivate(TObject* Sender);
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);

protected:
    void Apply() override;
};

// "Red, green, blue": a percent change of each channel.
class TRGBForm : public TPreviewForm {
    Q_OBJECT

public:
    explicit TRGBForm(TComponent* AOwner);

    TKitLabel* RedLabel = nullptr;
    TTrackBar* TrackBar1 = nullptr;
    TKitLabel* GreenLabel = nullptr;
    TTrackBar* TrackBar2 = nullptr;
    TKitLabel* BlueLabel = nullptr;
    TTrackBar* TrackBar3 = nullptr;
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    void SetStart(int Red, int Green, int Blue);

public slots:
    void TrackBar1Change(TObject* Sender);  // the preview
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);

protected:
    void Apply() override;
};

// "Gloss light, center, shadow".
class TLightForm : public TPreviewForm {
    Q_OBJECT

public:
    explicit TLightForm(TComponent* AOwner);

    TKitLabel* LightLabel = nullptr;
    TTrackBar* TrackBar1 = nullptr;  // gloss light 0..255
    TKitLabel* MidLabel = nullptr;
    TTrackBar* TrackBar2 = nullptr;  // middle 0..255
    TKitLabel* ShadowLabel = nullptr;
    TTrackBar* TrackBar3 = nullptr;  // shadow 0..255
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    void SetStart(int Light, int Middle, int Shadow);

public slots:
    void VschauBitBtn4Click(TObject* Sender);
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);

protected:
    void Apply() override;
};

// "Gamma correction".
class TGammaForm : public TPreviewForm {
    Q_OBJECT

public:
    explicit TGammaForm(TComponent* AOwner);

    TKitLabel* GammaLabel = nullptr;
    TKitSpinEdit* GammaEdit = nullptr;  // 0.1..8.9
    TThemedBitBtn* OkBitBtn1 = nullptr;
    TThemedBitBtn* CancelBitBtn2 = nullptr;
    TThemedBitBtn* BacksetBitBtn3 = nullptr;
    TThemedBitBtn* VschauBitBtn4 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The value used, held to the edit's range.
    double GammaValue();

public slots:
    void VschauBitBtn4Click(TObject* Sender);
    void BacksetBitBtn3Click(TObject* Sender);
    void OkBitBtn1Click(TObject* Sender);

protected:
    void Apply() override;
};

// "Limited colour deep...": the bits kept per channel (1..7).
class TPosterFaktor : public TForm {
    Q_OBJECT

public:
    explicit TPosterFaktor(TComponent* AOwner);

    TKitLabel* PosterLabel = nullptr;
    TKitSpinEdit* PosterEdit = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    int BitsKept();
};

// "Solarisieren...": the limit value (1..255).
class TSolarfaktor : public TForm {
    Q_OBJECT

public:
    explicit TSolarfaktor(TComponent* AOwner);

    TKitLabel* SolarLabel = nullptr;
    TKitSpinEdit* SolarEdit = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    int Level();
};
