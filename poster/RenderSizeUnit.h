// The vector-import dialog: the size in pixels a metafile is rendered at, width and height
// kept in the picture's proportions.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "kit/KitSpin.h"
#include "kit/ThemedButtons.h"

class TRenderSizeForm : public TForm {
    Q_OBJECT

public:
    explicit TRenderSizeForm(TComponent* AOwner);

    TPanel* HeadPanel = nullptr;
    TLabel* HeadLabel = nullptr;
    TPanel* SizePanel = nullptr;
    TLabel* WidthLabel = nullptr;
    TLabel* HeightLabel = nullptr;
    TKitSpinEdit* BreitEdit = nullptr;
    TKitSpinEdit* HochEdit = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;  // "Larger"
    TSpeedButton* SpeedButton2 = nullptr;  // "Smaller"
    TLabel* NoteLabel = nullptr;
    TThemedBitBtn* OKBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;

    // The picture's own size: the proportions the edits keep, and their values. Both must
    // be at least 1.
    void SetAspectBase(int Width, int Height);
    int BaseWidth() const { return FBaseWidth; }
    int BaseHeight() const { return FBaseHeight; }
    // The chosen size, within the edits' range.
    int ChosenWidth();
    int ChosenHeight();

public slots:
    void BreitEditChange(TObject* Sender);
    void HochEditChange(TObject* Sender);
    void SpeedButton1Click(TObject* Sender);
    void SpeedButton2Click(TObject* Sender);

private:
    // Writes the partner edit without its change handler coupling back.
    void WritePartner(TKitSpinEdit* Edit, long double Value);

    int FBaseWidth = 1;
    int FBaseHeight = 1;
    bool FWriting = false;
};

extern TRenderSizeForm* RenderSizeForm;
