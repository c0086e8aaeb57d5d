// The palette editor ("Edit colour palette"): the palette of a picture of 256 colours or
// fewer as a grid of colour cells; a click on a cell opens the colour dialog for that entry.
// The dialog works on its own copy of the palette.
#pragma once

#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "kit/KitLabel.h"
#include "kit/ThemedButtons.h"
#include "pixwerk/pixwerk.h"

class TPaleditForm : public TForm {
    Q_OBJECT

public:
    explicit TPaleditForm(TComponent* AOwner);

    TPaintBox* PaintBox1 = nullptr;
    TKitLabel* InfoLabel = nullptr;
    TThemedBitBtn* BitBtn1 = nullptr;
    TThemedBitBtn* BitBtn2 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;

    // The palette edited; its entry count says how many cells there are.
    TDibPalette Palette{};

    // The grid: columns = paint box width div 18; entry i at column i mod k, row i div k,
    // in the cell from (18 column, 18 row) to 15 pixels further, both ends included.
    int Columns() const;
    RECT Cell(int Index) const;
    // The entry whose cell holds the point, or -1.
    int EntryAt(int X, int Y) const;

public slots:
    void PaintBox1Paint(TObject* Sender);
    void PaintBox1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PaintBox1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
};
