// The text tool's dialog "Add text": lines to add, a font with its colour, an alignment and
// a preview of the first line. The font, the lines and the alignment are kept in the
// registry by the dialog's form storage, so they come back the next time.
#pragma once

#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "editor/Tools.h"
#include "kit/KitPlacement.h"
#include "kit/ThemedButtons.h"

#include <functional>

class TAddTextForm : public TForm {
    Q_OBJECT
public:
    explicit TAddTextForm(TComponent* AOwner);

    TLabel* Label1 = nullptr;
    TThemedBitBtn* SelFont = nullptr;
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
    TThemedBitBtn* OkBtn = nullptr;
    TThemedBitBtn* CancelBtn = nullptr;
    TFontDialog* FontDialog1 = nullptr;
    TFormStorage* FormStorage1 = nullptr;

    // The colour of the editor's foreground swatch (RGB): the font dialog starts with it and
    // the preview draws in it.
    COLORREF TextColour = 0;
    // Called with the colour chosen in the font dialog when it differs from TextColour; it
    // returns the swatch's colour afterwards (a palette picture takes the nearest entry).
    std::function<COLORREF(COLORREF Colour)> OnColourChosen;

    // The memo's lines, the alignment and the font dialog's font.
    TTextChoice Chosen() const;

public slots:
    void FormActivate(TObject* Sender);
    void SelFontClick(TObject* Sender);
    void FontPaintBoxPaint(TObject* Sender);
    void TxtMemoChange(TObject* Sender);

private:
    void ShowFontName();
};

// The text's font as the renderer takes it: the name, the character height in pixels and the
// style of a font.
void TextFontOf(const TFont* Font, TTextChoice& Choice);
