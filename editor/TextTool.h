// The text tool's dialog "Add text": lines to add, a font with its colour, an alignment and
// a preview of the first line.
#pragma once

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "editor/Tools.h"

#include <functional>

class TAddTextForm : public TForm {
    Q_OBJECT
public:
    explicit TAddTextForm(TComponent* AOwner);

    TLabel* Label1 = nullptr;
    TButton* SelFont = nullptr;
    TEdit* FntLabel = nullptr;
    TLabel* Label2 = nullptr;
    TScrollBox* ScrollBox1 = nullptr;
    TPaintBox* FontPaintBox = nullptr;
    TLabel* Label3 = nullptr;
    TMemo* TxtMemo = nullptr;
    TGroupBox* AlignGroup = nullptr;
    TRadioButton* Leftb = nullptr;
    TRadioButton* Zentr = nullptr;
    TRadioButton* Rightb = nullptr;
    TButton* OkBtn = nullptr;
    TButton* CancelBtn = nullptr;

    // The font and the colour it is drawn in (the editor's colour 1 as RGB).
    TTextChoice Choice;
    COLORREF TextColour = 0;
    // Picks a font and its colour; the default is the font dialog with a colour button.
    // False when cancelled.
    std::function<bool(TTextChoice& Font, COLORREF& Colour)> ChooseFont;
    // Called with the chosen colour when it differs from the one shown.
    std::function<void(COLORREF Colour)> OnColourChosen;

    // The choice's lines and alignment from the controls, the font from Choice.
    TTextChoice Chosen() const;
    void Load(const TTextChoice& C);

    void FormActivate(TObject* Sender);
    void SelFontClick(TObject* Sender);
    void FontPaintBoxPaint(TObject* Sender);
    void TxtMemoChange(TObject* Sender);

private:
    void ShowFontName();
};

// The font dialog with a colour button beside it; false when cancelled.
bool ChooseFontWithColour(TTextChoice& Font, COLORREF& Colour);
