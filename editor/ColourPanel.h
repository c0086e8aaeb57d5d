// The editor window's right-hand side as one control: the two colour swatches, the palette
// box (or the hue/lightness colour field of true-colour pictures), the read-out of the
// colour under the mouse that goes idle after 3 seconds, and the tool option pages whose
// controls follow the pressed tool. The editor window hosts it and hands it the document.
#pragma once

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "editor/EditorLinks.h"
#include "editor/Tools.h"
#include "kit/KitSpin.h"

#include <functional>

class TChildDocument;

class TColourPanel : public TWinControl, public TToolLink {
    Q_OBJECT
public:
    explicit TColourPanel(TComponent* AOwner);
    ~TColourPanel() override;

    // The document whose colours and palette are shown (may be null).
    void SetDocument(TChildDocument* Doc);
    TChildDocument* Document() const { return FDoc; }
    // The 48 x 96 hue/lightness field shown for true-colour pictures: pixel (x, y) has hue
    // y * 255 div 95, full saturation and lightness x * 255 div 47. Not owned.
    void SetColorField(const TDib* Field) { FColorField = Field; }

    // Colours
    TShape* Shape1 = nullptr;
    TShape* Shape2 = nullptr;
    TButton* ColorChangeBtn = nullptr;
    TScrollBox* PalScrollBox = nullptr;
    TPaintBox* PalPaintBox = nullptr;
    TLabel* RedLabel = nullptr;
    TLabel* GreenLabel = nullptr;
    TLabel* BlueLabel = nullptr;
    TLabel* IndexLabel = nullptr;
    TShape* AColShape = nullptr;
    TTimer* AColTimer1 = nullptr;
    // Tool options
    TPageControl* PageControl1 = nullptr;
    TTabSheet* OptionsSheet = nullptr;
    TTabSheet* BrushSheet = nullptr;
    TPanel* OptionsPanel = nullptr;
    TPanel* BrushPanel = nullptr;
    TComboBox* ZoomBox = nullptr;
    TComboBox* TypBox = nullptr;
    TComboBox* StilBox = nullptr;
    TKitSpinEdit* BreitEdit = nullptr;
    TKitSpinEdit* TolEdit = nullptr;
    TComboBox* CloneBox = nullptr;
    TComboBox* RetouchBox = nullptr;
    TComboBox* FillStyleBox = nullptr;
    TComboBox* DirectBox = nullptr;
    TButton* LoadPattBtn = nullptr;
    TLabel *ZoomLabel = nullptr, *TypLabel = nullptr, *StilLabel = nullptr, *BreitLabel = nullptr,
           *TolLabel = nullptr, *CloneLabel = nullptr, *RetouchLabel = nullptr, *FillStyleLabel = nullptr,
           *DirectLabel = nullptr;
    TComboBox* BrushTypBox = nullptr;
    TComboBox* FormBox = nullptr;
    TKitSpinEdit* SizeEdit = nullptr;
    TKitSpinEdit* HardEdit = nullptr;
    TKitSpinEdit* DensEdit = nullptr;
    TKitSpinEdit* OpaCityEdit = nullptr;
    TLabel *BrushTypLabel = nullptr, *FormLabel = nullptr, *SizeLabel = nullptr, *HardLabel = nullptr,
           *DensLabel = nullptr, *OpaCityLabel = nullptr;

    // The fill tool's sample ("Open sample").
    UniqueDib PatternDib;

    // ---- What the window and the document call ----
    // The pressed tool changed: show its options.
    void ZoomBtnClick(TEditorTool Tool);
    TEditorTool CurrentTool() const { return FTool; }
    // The picture changed (new, open, undo, depth, palette): the palette box takes its size.
    void PaletteChanged();
    void SwatchesChanged(COLORREF Colour1, COLORREF Colour2);
    int SelectionType() const;
    int Tolerance() const;
    // The view zoomed: the zoom box shows its entry (without firing its change).
    void ShowZoomEntry(int Index);
    // Opens a sample picture for the fill; shows the loading error when it fails.
    bool LoadPattern(const String& FileName);

    // ---- TToolLink ----
    TToolOptions Options() const override;
    const TDib* Pattern() const override { return PatternDib ? &PatternDib.get() : nullptr; }
    void ColourReadout(COLORREF Colour, int Index) override;
    void Defer(std::function<void()> Call) override;

    // ---- Handlers ----
    void PalPaintBoxPaint(TObject* Sender);
    void PalPaintBoxMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PalPaintBoxMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void Shape1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Shape2MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Shape1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void Shape2MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void ColorChangeBtnClick(TObject* Sender);
    void AColTimer1Timer(TObject* Sender);
    void BrushTypBoxChange(TObject* Sender);
    void ZoomBoxChange(TObject* Sender);
    void LoadPattBtnClick(TObject* Sender);

    // Applies a zoom chosen in the zoom box (the window's SetZoom).
    std::function<void(int Num, int Den)> OnZoom;
    // Picks a colour starting at the given one; the default is the colour dialog.
    std::function<bool(COLORREF& Colour)> ChooseColour;
    // Picks a sample file name; the default is the picture open dialog.
    std::function<bool(String& FileName)> ChoosePatternFile;

    // The palette cell (index) under a point of the palette box, or -1.
    static int PaletteCellAt(int X, int Y, int Count);

private:
    void BuildColours();
    void BuildOptions();
    TLabel* OptionLabel(TWinControl* Parent, const char* Name, const char* Caption);
    TComboBox* OptionBox(TWinControl* Parent, const char* Name, std::initializer_list<const char*> Items, int Index);
    TKitSpinEdit* OptionSpin(TWinControl* Parent, const char* Name, int Min, int Max, int Value);
    void LayOut(TWinControl* Page, std::initializer_list<std::pair<TControl*, TControl*>> Rows);
    void ShowReadout(COLORREF Colour, int Index);
    void SwatchDown(int Which, TMouseButton Button);
    void SwatchMove(int Which);
    bool PictureShown() const;
    int ColourCount() const;

    TChildDocument* FDoc = nullptr;
    const TDib* FColorField = nullptr;
    TEditorTool FTool = TEditorTool::Zoom;
};

// The document's window link as far as the colour panel answers it; the editor window
// derives from it or forwards to it.
class TColourPanelLink : public TEditorWindowLink {
public:
    explicit TColourPanelLink(TColourPanel& Panel) : FPanel(Panel) {}
    void SwatchesChanged(COLORREF Colour1, COLORREF Colour2) override { FPanel.SwatchesChanged(Colour1, Colour2); }
    void PaletteChanged() override { FPanel.PaletteChanged(); }
    TEditorTool CurrentTool() const override { return FPanel.CurrentTool(); }
    int SelectionType() const override { return FPanel.SelectionType(); }
    int Tolerance() const override { return FPanel.Tolerance(); }
    void ZoomEntryChanged(int Index) override { FPanel.ShowZoomEntry(Index); }

private:
    TColourPanel& FPanel;
};

void RegisterColourPanelClasses();
