#include "editor/PaletteEditor.h"

#include "classlib/SysUtils.h"
#include "editor/PreviewForm.h"

#include <algorithm>

TPaleditForm::TPaleditForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("PaintBox1", PaintBox1);
    PublishField("InfoLabel", InfoLabel);
    PublishField("BitBtn1", BitBtn1);
    PublishField("BitBtn2", BitBtn2);
    PublishField("ColorDialog1", ColorDialog1);
    RegisterEditorDialogs();
    ReadLayout(this, "PaleditUnit");
}

int TPaleditForm::Columns() const { return std::max(1, PaintBox1->Width() / 18); }

RECT TPaleditForm::Cell(int Index) const {
    const int k = Columns(), x = 18 * (Index % k), y = 18 * (Index / k);
    return RECT{x, y, x + 15, y + 15};
}

int TPaleditForm::EntryAt(int X, int Y) const {
    const int n = std::min<int>(Palette.palNumEntries, 256);
    for (int i = 0; i < n; ++i) {
        const RECT r = Cell(i);
        if (X >= r.left && X <= r.right && Y >= r.top && Y <= r.bottom) return i;
    }
    return -1;
}

void TPaleditForm::PaintBox1Paint(TObject*) {
    TCanvas* c = PaintBox1->Canvas();
    const int n = std::min<int>(Palette.palNumEntries, 256);
    for (int i = 0; i < n; ++i) {
        const PALETTEENTRY& e = Palette.palPalEntry[i];
        const RECT r = Cell(i);
        c->Brush()->SetColor(static_cast<TColor>(RGB(e.peRed, e.peGreen, e.peBlue)));
        // The canvas's pen outlines the cell; the fill covers 15 x 15 pixels.
        c->Rectangle(r.left, r.top, r.right, r.bottom);
    }
}

void TPaleditForm::PaintBox1MouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    const int i = EntryAt(X, Y);
    if (i < 0) return;
    PALETTEENTRY& e = Palette.palPalEntry[i];
    ColorDialog1->SetColor(static_cast<int>(RGB(e.peRed, e.peGreen, e.peBlue)));
    if (!ColorDialog1->Execute()) return;
    const unsigned c = static_cast<unsigned>(ColorDialog1->Color());
    e.peRed = static_cast<BYTE>(c & 0xFF);
    e.peGreen = static_cast<BYTE>((c >> 8) & 0xFF);
    e.peBlue = static_cast<BYTE>((c >> 16) & 0xFF);
    PaintBox1->Invalidate();
}

void TPaleditForm::PaintBox1MouseMove(TObject*, TShiftState, int X, int Y) {
    const int i = EntryAt(X, Y);
    if (i < 0) return;
    const PALETTEENTRY& e = Palette.palPalEntry[i];
    InfoLabel->SetCaption("Index: " + IntToStr(i) + " ; R: " + IntToStr(e.peRed) + " G:" + IntToStr(e.peGreen) +
                          " B:" + IntToStr(e.peBlue));
}
